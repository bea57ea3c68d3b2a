#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaJpeg.h"
#include "engine/graphics/KaJpegZLib.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaJpegTest : public ::testing::Test {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteTestFile(path, bytes));
        return path;
    }

    KaTempDir mDir;
};

struct PictureCase {
    unsigned int width;
    unsigned int height;
    KaImageFormat format;
    bool progressive;
};

const PictureCase kPictures[] = {
    { 3, 2, RGB888, false },
    { 1, 1, RGB888, false },
    // Not a whole number of blocks either way, and taller than one output group.
    { 17, 21, RGB888, false },
    { 9, 5, GREY8, false },
    { 12, 10, RGB888, true },
};

// Decodes an image of the codec's size and format; false when the decode
// fails. The buffer starts at a sentinel.
bool decodeInto(KaIVideoCodec& codec, KaImage& image)
{
    KaIntrusivePtr<KaPalette> noPalette;
    if (!image.create(codec.width(), codec.height(), noPalette, codec.imageFormat()))
        return false;
    std::memset(image.buffer(), 0xA5, image.bufferSize());
    return codec.update(0, image);
}

} // namespace

// Every layout against libjpeg's own decode of the same bytes: the codec must
// give exactly what the library gives, rows at the buffer stride, in the
// image's row order, the padding repeating the edge.
TEST_F(KaJpegTest, FileCodecDecodesLikeLibjpegIntoEveryLayout)
{
    for (const PictureCase& picture : kPictures) {
        const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(picture.width, picture.height, picture.format, 3),
            KaJpegOptions { 90, picture.progressive, 0 });
        const KaTestPicture expected = KaDecodeJpeg(jpeg);
        const std::string path = writeFile("picture.jpg", jpeg);
        KaJpeg codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        // One codec for every layout: each update reads the file again.
        for (const KaPaddedDecodeCase& layout : KaPaddedDecodeCases()) {
            SCOPED_TRACE(::testing::Message() << picture.width << " x " << picture.height << " format "
                                              << picture.format << ", " << layout);
            EXPECT_TRUE(KaCheckPaddedDecode(codec, expected, layout));
        }
    }
}

TEST_F(KaJpegTest, ZLibCodecDecodesLikeLibjpegIntoEveryLayout)
{
    for (const PictureCase& picture : kPictures) {
        const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(picture.width, picture.height, picture.format, 5),
            KaJpegOptions { 90, picture.progressive, 0 });
        const KaTestPicture expected = KaDecodeJpeg(jpeg);
        const std::string path = writeFile("picture.jpg.zlib", KaZLibWrap(jpeg));
        for (const KaPaddedDecodeCase& layout : KaPaddedDecodeCases()) {
            SCOPED_TRACE(::testing::Message() << picture.width << " x " << picture.height << " format "
                                              << picture.format << ", " << layout);
            // One load is good for one decode.
            KaJpegZLib codec;
            ASSERT_TRUE(codec.load(KaPath(path.c_str())));
            EXPECT_TRUE(KaCheckPaddedDecode(codec, expected, layout));
        }
    }
}

TEST_F(KaJpegTest, StreamLoadSeeksBackForEveryDecodeAndLeavesTheStreamAfterTheJpeg)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(20, 7, RGB888, 1), KaJpegOptions { 80, false, 3000 });
    const KaTestPicture expected = KaDecodeJpeg(jpeg);
    const std::string prefix("JUNK!");
    const std::string suffix(5000, 't');
    KaStream stream;
    KaFillStream(stream, prefix + jpeg + suffix);
    ASSERT_TRUE(stream.seek(prefix.size()));

    KaJpeg codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, expected, KaPaddedDecodeCase { 2, 1, false }));
    // What the decoder read ahead is given back: whatever follows is the caller's.
    EXPECT_EQ(stream.getPos(), prefix.size() + jpeg.size());
    EXPECT_TRUE(KaCheckPaddedDecode(codec, expected, KaPaddedDecodeCase { 0, 0, false }));
    EXPECT_EQ(stream.getPos(), prefix.size() + jpeg.size());
}

TEST_F(KaJpegTest, StreamLoadForgetsAnEarlierPath)
{
    const std::string onDisk = KaWriteJpeg(KaMakeTestPicture(4, 4, RGB888, 1));
    const std::string inMemory = KaWriteJpeg(KaMakeTestPicture(6, 3, GREY8, 2));
    const std::string path = writeFile("disk.jpg", onDisk);
    KaStream stream;
    KaFillStream(stream, inMemory);

    KaJpeg codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, KaDecodeJpeg(inMemory), KaPaddedDecodeCase { 0, 0, false }));
}

TEST_F(KaJpegTest, FileDecodeNamesTheImageMarksItChangedAndHandsOverTheBorders)
{
    const std::string path = writeFile("named.jpg", KaWriteJpeg(KaMakeTestPicture(8, 8, RGB888)));
    KaJpeg codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    codec.setLeftBorderSize(1);
    codec.setRightBorderSize(2);
    codec.setBottomBorderSize(3);
    codec.setTopBorderSize(4);

    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    ASSERT_TRUE(image.create(8, 8, noPalette, RGB888));
    ASSERT_FALSE(image.changed());
    ASSERT_TRUE(codec.update(0, image));
    EXPECT_TRUE(image.changed());
    EXPECT_STREQ(image.getAccessName().c_str(), path.c_str());
    EXPECT_EQ(image.leftBorder(), 1u);
    EXPECT_EQ(image.rightBorder(), 2u);
    EXPECT_EQ(image.bottomBorder(), 3u);
    EXPECT_EQ(image.topBorder(), 4u);

    // The next decode reads the header again, which sets the borders back to 0.
    KaImage second;
    ASSERT_TRUE(second.create(8, 8, noPalette, RGB888));
    second.setLeftBorder(9);
    ASSERT_TRUE(codec.update(0, second));
    EXPECT_EQ(codec.leftBorderSize(), 0u);
    EXPECT_EQ(second.leftBorder(), 0u);
    EXPECT_EQ(second.topBorder(), 0u);
}

TEST_F(KaJpegTest, StreamDecodeLeavesTheAccessNameAndZLibCodecWritesNoBorders)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(5, 5, RGB888));
    KaStream stream;
    KaFillStream(stream, jpeg);
    KaJpeg codec;
    ASSERT_TRUE(codec.load(stream));
    KaImage image;
    image.setAccessName(KaPath("kept"));
    ASSERT_TRUE(decodeInto(codec, image));
    EXPECT_STREQ(image.getAccessName().c_str(), "kept");

    KaStream wrapped;
    KaFillStream(wrapped, KaZLibWrap(jpeg));
    KaJpegZLib zlibCodec;
    ASSERT_TRUE(zlibCodec.load(wrapped));
    zlibCodec.setLeftBorderSize(3);
    zlibCodec.setTopBorderSize(3);
    EXPECT_EQ(zlibCodec.leftBorderSize(), 0u);
    KaImage zlibImage;
    zlibImage.setAccessName(KaPath("kept"));
    ASSERT_TRUE(decodeInto(zlibCodec, zlibImage));
    EXPECT_TRUE(zlibImage.changed());
    EXPECT_EQ(zlibImage.leftBorder(), 0u);
    EXPECT_EQ(zlibImage.topBorder(), 0u);
    EXPECT_STREQ(zlibImage.getAccessName().c_str(), "kept");
}

TEST_F(KaJpegTest, StillImageAnswersAndExtensions)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(4, 2, GREY8));
    KaStream stream;
    KaFillStream(stream, jpeg);
    KaJpeg codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_EQ(codec.width(), 4u);
    EXPECT_EQ(codec.height(), 2u);
    EXPECT_EQ(codec.imageFormat(), GREY8);
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_FALSE(codec.isAtEnd());
    KaImage image;
    EXPECT_FALSE(codec.save(image, stream));
    EXPECT_FALSE(codec.save(image, KaPath("x.jpg")));

    KaStream wrapped;
    KaFillStream(wrapped, KaZLibWrap(jpeg));
    KaJpegZLib zlibCodec;
    ASSERT_TRUE(zlibCodec.load(wrapped));
    EXPECT_EQ(zlibCodec.imageFormat(), GREY8);
    EXPECT_EQ(zlibCodec.nbFrames(), 1u);
    EXPECT_EQ(zlibCodec.frameRate(), 0.0f);
    EXPECT_TRUE(zlibCodec.isAtEnd());
    EXPECT_EQ(zlibCodec.palette(), nullptr);
    EXPECT_FALSE(zlibCodec.save(image, wrapped));

    struct Match {
        const char* path;
        bool matches;
    };
    for (const Match& match : { Match { "a.jpg", true }, Match { "dir.x/A.JPEG", true }, Match { "a.JpG", true },
             Match { "a.jpg.zlib", false }, Match { "a.png", false }, Match { "jpg", false },
             Match { "a.jpgx", false } }) {
        EXPECT_EQ(KaJpeg::matchFormat(KaPath(match.path)), match.matches) << match.path;
    }
}

TEST_F(KaJpegTest, ZLibCodecDecodesOncePerLoad)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(6, 6, RGB888));
    KaStream stream;
    KaFillStream(stream, KaZLibWrap(jpeg));
    KaJpegZLib codec;
    ASSERT_TRUE(codec.load(stream));
    KaImage image;
    ASSERT_TRUE(decodeInto(codec, image));
    // The unpacked data went with the decode.
    EXPECT_FALSE(codec.update(0, image));
    ASSERT_TRUE(stream.seek(0));
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(codec.update(0, image));
}

TEST_F(KaJpegTest, MissingFilesAndWrongComponentCounts)
{
    const std::string missing = mDir.file("none.jpg");
    {
        KaCaptureStdout output;
        KaJpeg codec;
        EXPECT_FALSE(codec.load(KaPath(missing.c_str())));
        EXPECT_NE(output.text().find("[KaJpegImplementation::LoadFromFile] Le fichier : " + missing
                      + " n'existe pas.\n"),
            std::string::npos);
    }
    {
        KaCaptureStdout output;
        KaJpegZLib codec;
        EXPECT_FALSE(codec.load(KaPath(missing.c_str())));
        EXPECT_NE(output.text().find("[KaJpeg::LoadFromFile] Le fichier : " + missing + " n'existe pas.\n"),
            std::string::npos);
    }

    const std::string cmyk = KaWriteCmykJpeg(8, 8);
    {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, cmyk);
        KaJpeg codec;
        EXPECT_FALSE(codec.load(stream));
        EXPECT_EQ(codec.imageFormat(), NONE);
        EXPECT_EQ(output.text(), "KaJpegImplementation::LoadFromStream: wrong format\n");
    }
    {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, KaZLibWrap(cmyk));
        KaJpegZLib codec;
        EXPECT_FALSE(codec.load(stream));
        EXPECT_EQ(output.text(), "KaJpeg::LoadFromStream: wrong format");
    }
}

// A file cut anywhere must fail the load or the decode (never both succeed,
// never crash). The comment segment makes some cuts fall inside a skip that
// spans several of the codec's 2048-byte buffers.
TEST_F(KaJpegTest, TruncatedJpegFailsAtEveryLength)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(24, 16, RGB888, 9), KaJpegOptions { 75, false, 4200 });
    KaCaptureStdout quiet;
    for (size_t length = 0; length < jpeg.size(); ++length) {
        KaStream stream;
        KaFillStream(stream, jpeg.substr(0, length));
        KaJpeg codec;
        if (!codec.load(stream))
            continue;
        KaImage image;
        EXPECT_FALSE(decodeInto(codec, image)) << "cut at " << length << " of " << jpeg.size();
    }
    for (size_t length = 0; length < jpeg.size(); length += 97) {
        KaStream stream;
        KaFillStream(stream, KaZLibWrap(jpeg.substr(0, length)));
        KaJpegZLib codec;
        if (!codec.load(stream))
            continue;
        KaImage image;
        EXPECT_FALSE(decodeInto(codec, image)) << "zlib, cut at " << length << " of " << jpeg.size();
    }
}

TEST_F(KaJpegTest, TruncatedScanReportsThePrematureEndAndKeepsTheDecodedRows)
{
    const KaTestPicture source = KaMakeTestPicture(16, 64, GREY8, 4);
    const std::string jpeg = KaWriteJpeg(source, KaJpegOptions { 90, false, 0 });
    const KaTestPicture expected = KaDecodeJpeg(jpeg);
    const std::string path = writeFile("cut.jpg", jpeg.substr(0, jpeg.size() * 3 / 4));
    KaJpeg codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    KaImage image;
    KaCaptureStdout output;
    EXPECT_FALSE(decodeInto(codec, image));
    EXPECT_NE(output.text().find("jpeg warning: Premature end of JPEG file (" + path + ")\n"), std::string::npos);
    // The top of the picture was there: it is in the image.
    EXPECT_EQ(std::memcmp(image.row(63), expected.topRow(0), 16), 0);
}

TEST_F(KaJpegTest, GarbageAfterTheStartMarkerFailsTheLoad)
{
    std::string garbage("\xFF\xD8", 2);
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((i * 37 + 11) % 251);
    for (bool zlib : { false, true }) {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, zlib ? KaZLibWrap(garbage) : garbage);
        if (zlib) {
            KaJpegZLib codec;
            EXPECT_FALSE(codec.load(stream));
        } else {
            KaJpeg codec;
            EXPECT_FALSE(codec.load(stream));
        }
        EXPECT_NE(output.text().find("jpeg error: "), std::string::npos) << output.text();
    }
}

// An error inside the decode (a later scan of a progressive file with
// impossible parameters) must fail the update and leave the codec usable.
TEST_F(KaJpegTest, DecodingErrorFailsTheUpdateCleanly)
{
    std::string jpeg = KaWriteJpeg(KaMakeTestPicture(16, 16, RGB888, 2), KaJpegOptions { 90, true, 0 });
    // The second start-of-scan: its spectral selection becomes 63..0.
    const size_t first = jpeg.find("\xFF\xDA");
    const size_t second = jpeg.find("\xFF\xDA", first + 2);
    ASSERT_NE(second, std::string::npos);
    const unsigned int components = static_cast<unsigned char>(jpeg[second + 4]);
    jpeg[second + 5 + 2 * components] = 63;
    jpeg[second + 6 + 2 * components] = 0;

    const std::string path = writeFile("bad-scan.jpg", jpeg);
    KaJpeg codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    for (int attempt = 0; attempt < 2; ++attempt) {
        KaCaptureStdout output;
        KaImage image;
        EXPECT_FALSE(decodeInto(codec, image));
        EXPECT_NE(output.text().find("jpeg error: "), std::string::npos) << output.text();
    }

    KaStream stream;
    KaFillStream(stream, KaZLibWrap(jpeg));
    KaJpegZLib zlibCodec;
    ASSERT_TRUE(zlibCodec.load(stream));
    KaImage image;
    KaCaptureStdout quiet;
    EXPECT_FALSE(decodeInto(zlibCodec, image));

    // The same codec then decodes a good file.
    const std::string good = KaWriteJpeg(KaMakeTestPicture(5, 3, RGB888));
    const std::string goodPath = writeFile("good.jpg", good);
    ASSERT_TRUE(codec.load(KaPath(goodPath.c_str())));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, KaDecodeJpeg(good), KaPaddedDecodeCase { 1, 1, false }));
}

TEST_F(KaJpegTest, ImageThatDoesNotFitIsRefused)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(8, 6, RGB888));
    const std::string path = writeFile("fit.jpg", jpeg);
    KaIntrusivePtr<KaPalette> noPalette;
    struct Target {
        unsigned int width;
        unsigned int height;
        KaImageFormat format;
    };
    for (const Target& target : { Target { 7, 6, RGB888 }, Target { 8, 5, RGB888 }, Target { 8, 6, RGBA8888 } }) {
        KaImage image;
        ASSERT_TRUE(image.create(target.width, target.height, noPalette, target.format));
        KaCaptureStdout quiet;
        KaJpeg codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        EXPECT_FALSE(codec.update(0, image));
        KaStream stream;
        KaFillStream(stream, KaZLibWrap(jpeg));
        KaJpegZLib zlibCodec;
        ASSERT_TRUE(zlibCodec.load(stream));
        EXPECT_FALSE(zlibCodec.update(0, image));
    }
}

// The wrapper's sizes are believed only as far as the file bears them out.
TEST_F(KaJpegTest, ZLibWrapperRefusesWhatTheFileCannotHold)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(10, 10, RGB888, 6));
    const std::string good = KaZLibWrap(jpeg);
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    std::string corrupt = good;
    corrupt[8 + 5] = static_cast<char>(corrupt[8 + 5] ^ 0x5A);
    const std::vector<Case> cases = {
        { "packed size beyond the file", KaZLibWrap(jpeg, 0, 1), "read error" },
        { "huge packed size", KaZLibWrap(jpeg, 0, 0x7FFFFFF0), "read error" },
        { "unpacked size no data can reach", KaZLibWrap(jpeg, 100000000), "wrong packed or unpacked size" },
        { "unpacked size zero", KaZLibWrap(jpeg, -static_cast<long long>(jpeg.size())),
            "wrong packed or unpacked size" },
        { "unpacked size too small", KaZLibWrap(jpeg, -1), "uncompress error" },
        { "corrupt zlib data", corrupt, "uncompress error" },
        { "sizes only", good.substr(0, 8), "read error" },
    };
    for (const Case& test : cases) {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, test.bytes);
        KaJpegZLib codec;
        EXPECT_FALSE(codec.load(stream)) << test.name;
        EXPECT_EQ(output.text(), std::string("KaJpegZLibImplementation::LoadFromStream: ") + test.message + "\n")
            << test.name;
        KaImage image;
        EXPECT_FALSE(codec.update(0, image)) << test.name;
    }
    // Every cut of the wrapper itself.
    KaCaptureStdout quiet;
    for (size_t length = 0; length < good.size(); ++length) {
        KaStream stream;
        KaFillStream(stream, good.substr(0, length));
        KaJpegZLib codec;
        EXPECT_FALSE(codec.load(stream)) << "cut at " << length;
    }
}

TEST_F(KaJpegTest, ImageLoadDecodesPlainAndZLibWrappedJpeg)
{
    const std::string jpeg = KaWriteJpeg(KaMakeTestPicture(7, 5, RGB888, 2));
    const KaTestPicture expected = KaDecodeJpeg(jpeg);
    for (const std::string& name : { std::string("x.jpg"), std::string("x.JPEG"), std::string("x.jpg.zlib"),
             std::string("x.jpeg.zlib") }) {
        const bool wrapped = name.find("zlib") != std::string::npos;
        const std::string path = writeFile(name, wrapped ? KaZLibWrap(jpeg) : jpeg);
        KaImage image;
        ASSERT_TRUE(image.load(KaPath(path.c_str()))) << name;
        EXPECT_EQ(image.format(), RGB888) << name;
        EXPECT_EQ(image.bufferWidth(), 7u) << name;
        EXPECT_EQ(image.bufferHeight(), 5u) << name;
        for (unsigned int r = 0; r < 5; ++r)
            EXPECT_EQ(std::memcmp(image.row(r), expected.topRow(4 - r), expected.rowBytes()), 0) << name << " row " << r;
    }
}
