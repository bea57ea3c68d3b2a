#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPng.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaAllocationProbe.h"
#include "tests/support/KaTestSupport.h"

namespace {

bool fileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string streamBytes(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

void fillStream(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

// An image of the picture's size and format, rows at the buffer stride in
// the image's row order, padding left at a sentinel.
void putPicture(
    KaImage& image, const KaTestPicture& picture, unsigned int extraColumns, unsigned int extraRows, bool flipped)
{
    KaIntrusivePtr<KaPalette> noPalette;
    ASSERT_TRUE(image.create(picture.width, picture.height, noPalette, picture.format, picture.width + extraColumns,
        picture.height + extraRows));
    std::memset(image.buffer(), 0x5A, image.bufferSize());
    image.setFlipped(flipped);
    for (unsigned int r = 0; r < picture.height; ++r)
        std::memcpy(image.row(r), picture.topRow(flipped ? r : picture.height - 1 - r), picture.rowBytes());
}

// A stream that takes nothing: the disk is full.
class FullStream : public KaStream {
public:
    unsigned int writeData(const void*, unsigned long) override { return 0; }
};

class KaPngTest : public ::testing::Test {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return mDir.file(name);
    }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaPngTest, DecodesIntoEveryBufferLayoutFromFile)
{
    struct Size {
        unsigned int width;
        unsigned int height;
    };
    for (KaImageFormat format : { RGB888, RGBA8888 }) {
        for (Size size : { Size { 3, 2 }, Size { 1, 1 }, Size { 17, 5 } }) {
            const KaTestPicture picture = KaMakeTestPicture(size.width, size.height, format, size.width);
            const std::string path = writeFile("picture.png", KaWritePng(picture));
            KaPng codec;
            ASSERT_TRUE(codec.load(KaPath(path.c_str())));
            // One codec for every layout: each update reads the file again.
            for (const KaPaddedDecodeCase& layout : KaPaddedDecodeCases()) {
                SCOPED_TRACE(::testing::Message()
                    << "format " << format << ", " << size.width << " x " << size.height << ", " << layout);
                EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, layout));
            }
        }
    }
}

TEST_F(KaPngTest, DecodeMarksTheImageChangedAndNamesItAfterThePath)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 3, RGB888);
    const std::string path = writeFile("named.png", KaWritePng(picture));
    KaPng codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    ASSERT_TRUE(image.create(4, 3, noPalette, RGB888));
    ASSERT_FALSE(image.changed());
    ASSERT_TRUE(codec.update(0, image));
    EXPECT_TRUE(image.changed());
    EXPECT_STREQ(image.getAccessName().c_str(), path.c_str());
}

TEST_F(KaPngTest, StreamLoadSeeksBackForEveryDecode)
{
    const KaTestPicture picture = KaMakeTestPicture(6, 4, RGBA8888, 3);
    KaStream stream;
    const std::string prefix("JUNK!");
    stream.writeData(prefix.data(), prefix.size());
    const std::string png = KaWritePng(picture);
    stream.writeData(png.data(), png.size());
    ASSERT_TRUE(stream.seek(prefix.size()));

    KaPng codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_EQ(codec.width(), 6u);
    EXPECT_EQ(codec.imageFormat(), RGBA8888);
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 2, 1, false }));
    // The first decode left the stream at its end.
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 0, 0, false }));
}

TEST_F(KaPngTest, StreamLoadForgetsAnEarlierPath)
{
    const KaTestPicture onDisk = KaMakeTestPicture(2, 2, RGB888, 1);
    const KaTestPicture inMemory = KaMakeTestPicture(3, 3, RGB888, 2);
    const std::string path = writeFile("disk.png", KaWritePng(onDisk));
    KaStream stream;
    fillStream(stream, KaWritePng(inMemory));

    KaPng codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, inMemory, KaPaddedDecodeCase { 0, 0, false }));
}

TEST_F(KaPngTest, StillImageAnswers)
{
    const std::string path = writeFile("still.png", KaWritePng(KaMakeTestPicture(2, 2, RGB888)));
    KaPng codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_FALSE(codec.isAtEnd());
    codec.setLeftBorderSize(3);
    EXPECT_EQ(codec.leftBorderSize(), 0u);
    EXPECT_EQ(codec.topBorderSize(), 0u);
}

TEST_F(KaPngTest, MatchFormatComparesTheLowerCasedExtension)
{
    struct Case {
        const char* path;
        bool match;
    };
    const Case cases[] = { { "a.png", true }, { "dir/A.PNG", true }, { "x.y.Png", true }, { "png", false },
        { "a.png.zlib", false }, { "a.jpg", false }, { "a.pngx", false }, { "folder.png/file", false } };
    for (const Case& c : cases)
        EXPECT_EQ(KaPng::matchFormat(KaPath(c.path)), c.match) << c.path;
}

TEST_F(KaPngTest, FilesOutsideEightBitRgbLoadAsFormatNoneAndRefuseToDecode)
{
    struct Case {
        const char* name;
        KaPngFileLayout layout;
    };
    const Case cases[] = {
        { "grey", { 5, 4, PNG_COLOR_TYPE_GRAY, 8, false } },
        { "grey 1 bit", { 9, 4, PNG_COLOR_TYPE_GRAY, 1, false } },
        { "grey with alpha", { 5, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false } },
        { "palette", { 5, 4, PNG_COLOR_TYPE_PALETTE, 8, false } },
        { "RGB 16 bit", { 5, 4, PNG_COLOR_TYPE_RGB, 16, false } },
        { "RGBA 16 bit", { 5, 4, PNG_COLOR_TYPE_RGB_ALPHA, 16, false } },
        { "interlaced RGB", { 5, 4, PNG_COLOR_TYPE_RGB, 8, true } },
        { "interlaced RGBA", { 5, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = KaWritePng(c.layout);
        ASSERT_FALSE(bytes.empty());
        const std::string path = writeFile("other.png", bytes);
        KaPng codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        EXPECT_EQ(codec.imageFormat(), NONE);
        EXPECT_EQ(codec.width(), c.layout.width);

        // Even an image large enough in bytes is not written.
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(16, 16, noPalette, RGBA8888));
        image.fill(7);
        const std::vector<unsigned char> before(image.buffer(), image.buffer() + image.bufferSize());
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.update(0, image));
        EXPECT_NE(capture.text().find("[KaPngImplementation::update]"), std::string::npos);
        EXPECT_EQ(std::vector<unsigned char>(image.buffer(), image.buffer() + image.bufferSize()), before);
    }
}

TEST_F(KaPngTest, RefusesImagesThatCannotTakeThePicture)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 3, RGB888);
    const std::string path = writeFile("fit.png", KaWritePng(picture));
    struct Case {
        const char* name;
        unsigned int width, height, bufferWidth, bufferHeight;
        KaImageFormat format;
    };
    const Case cases[] = {
        { "other format", 4, 3, 4, 3, RGBA8888 },
        { "buffer too narrow", 3, 3, 3, 3, RGB888 },
        { "buffer too short", 4, 2, 4, 2, RGB888 },
        { "empty image", 0, 0, 0, 0, NONE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaPng codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(c.width, c.height, noPalette, c.format, c.bufferWidth, c.bufferHeight));
        if (image.buffer())
            std::memset(image.buffer(), 9, image.bufferSize());
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.update(0, image));
        EXPECT_NE(capture.text().find("[KaPngImplementation::update]"), std::string::npos);
        for (unsigned long i = 0; i < image.bufferSize(); ++i)
            ASSERT_EQ(image.buffer()[i], 9) << i;
    }
}

TEST_F(KaPngTest, MissingFileIsReported)
{
    const std::string path = mDir.file("absent.png");
    KaPng codec;
    KaCaptureStdout capture;
    EXPECT_FALSE(codec.load(KaPath(path.c_str())));
    EXPECT_NE(capture.text().find("[KaPngImplementation::openAndReadHeader] Le fichier : " + path + " n'existe pas.\n"),
        std::string::npos);
}

// Broken files: each either fails load() or, when the header is intact, fails
// every update(), printing libpng's complaint; none may crash or leave the
// codec unusable.
TEST_F(KaPngTest, BrokenFilesFailCleanly)
{
    const KaTestPicture picture = KaMakeTestPicture(64, 48, RGBA8888, 9);
    const std::string good = KaWritePng(picture);
    const size_t ihdr = KaPngFindChunk(good, "IHDR");
    const size_t idat = KaPngFindChunk(good, "IDAT");
    const size_t iend = KaPngFindChunk(good, "IEND");
    ASSERT_NE(idat, std::string::npos);
    ASSERT_NE(iend, std::string::npos);
    const size_t idatLength = iend - idat - 12;

    struct Case {
        const char* name;
        std::function<std::string()> make;
        bool loads;
        const char* message;
    };
    const std::vector<Case> cases = {
        { "empty file", [] { return std::string(); }, false, "png error: " },
        { "not a PNG", [] { return std::string("GIF89a, certainly not a PNG file at all"); }, false, "png error: " },
        { "cut inside the header", [&] { return good.substr(0, 20); }, false, "unexpected end of data" },
        { "IHDR CRC broken",
            [&] {
                std::string bytes = good;
                bytes[ihdr + 8] = static_cast<char>(bytes[ihdr + 8] ^ 0x01);
                return bytes;
            },
            false, "png error: " },
        { "IDAT CRC broken",
            [&] {
                std::string bytes = good;
                bytes[idat + 8 + idatLength / 2] = static_cast<char>(bytes[idat + 8 + idatLength / 2] ^ 0x40);
                return bytes;
            },
            true, "png error: " },
        { "cut inside IDAT", [&] { return good.substr(0, idat + 8 + idatLength / 2); }, true,
            "unexpected end of data" },
        { "cut before IEND", [&] { return good.substr(0, iend); }, true, "unexpected end of data" },
        { "zero width", [] { return KaPngHeaderOnly(0, 4, 8, PNG_COLOR_TYPE_RGB); }, false, "png error: " },
        { "width beyond the side limit", [] { return KaPngHeaderOnly(100000, 4, 8, PNG_COLOR_TYPE_RGB); }, false,
            "png error: " },
        { "a gigabyte of RGBA", [] { return KaPngHeaderOnly(16384, 16384, 8, PNG_COLOR_TYPE_RGB_ALPHA); }, false,
            "Image too large" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile("broken.png", c.make());
        KaPng codec;
        KaCaptureStdout loadCapture;
        const bool loaded = codec.load(KaPath(path.c_str()));
        const std::string loadText = loadCapture.text();
        ASSERT_EQ(loaded, c.loads) << loadText;
        if (!loaded) {
            EXPECT_NE(loadText.find(c.message), std::string::npos) << loadText;
            continue;
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            KaImage image;
            KaIntrusivePtr<KaPalette> noPalette;
            ASSERT_TRUE(image.create(picture.width, picture.height, noPalette, RGBA8888, 70, 50));
            KaCaptureStdout capture;
            EXPECT_FALSE(codec.update(0, image));
            const std::string text = capture.text();
            EXPECT_NE(text.find(c.message), std::string::npos) << text;
        }
    }
}

// A metadata chunk whose length field was damaged into a gigabyte, over a
// file of a few hundred bytes: refused as corrupt, never allocated.
TEST_F(KaPngTest, AChunkAnnouncingGigabytesIsRefusedBeforeItIsAllocated)
{
    const KaTestPicture picture = KaMakeTestPicture(8, 8, RGB888, 2);
    const std::string good = KaWritePng(picture);
    const size_t idat = KaPngFindChunk(good, "IDAT");
    ASSERT_NE(idat, std::string::npos);
    std::string damaged = good.substr(0, idat);
    // Length 0x4B000010, type tEXt, then whatever the file holds.
    damaged += std::string("\x4b\x00\x00\x10tEXtTitle", 13);
    damaged += good.substr(idat);

    const std::string path = writeFile("damaged.png", damaged);
    KaPng codec;
    KaCaptureStdout capture;
    bool loaded = false;
    size_t largest = 0;
    {
        KaAllocationProbe probe;
        loaded = codec.load(KaPath(path.c_str()));
        largest = probe.largest();
    }
    const std::string text = capture.text();
    EXPECT_FALSE(loaded);
    if (KaAllocationProbe::available()) {
        EXPECT_LT(largest, 16u * 1024u * 1024u);
    }
    EXPECT_NE(text.find("png error: "), std::string::npos) << text;
}

TEST_F(KaPngTest, BrokenStreamFailsCleanlyAndTheCodecRecovers)
{
    const KaTestPicture picture = KaMakeTestPicture(32, 16, RGB888, 4);
    const std::string good = KaWritePng(picture);
    KaStream truncated;
    fillStream(truncated, good.substr(0, good.size() / 2));
    KaPng codec;
    ASSERT_TRUE(codec.load(truncated));
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    ASSERT_TRUE(image.create(32, 16, noPalette, RGB888));
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.update(0, image));
    }
    // The same codec object loads and decodes a good stream afterwards.
    KaStream whole;
    fillStream(whole, good);
    ASSERT_TRUE(codec.load(whole));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 1, 1, false }));
}

TEST_F(KaPngTest, SaveWritesTheTopRowFirstFromAnyBufferLayout)
{
    struct Case {
        KaImageFormat format;
        int colourType;
    };
    const Case cases[]
        = { { RGB888, PNG_COLOR_TYPE_RGB }, { RGBA8888, PNG_COLOR_TYPE_RGB_ALPHA }, { GREY8, PNG_COLOR_TYPE_GRAY } };
    for (const Case& c : cases) {
        for (bool flipped : { false, true }) {
            for (unsigned int extra : { 0u, 3u }) {
                SCOPED_TRACE(
                    ::testing::Message() << "format " << c.format << (flipped ? ", flipped" : "") << ", +" << extra);
                const KaTestPicture picture = KaMakeTestPicture(5, 4, c.format, extra);
                KaImage image;
                putPicture(image, picture, extra, extra, flipped);
                KaPngImplementation writer;
                KaStream stream;
                ASSERT_TRUE(writer.save(image, stream));
                const KaBarePng read = KaReadPngBare(streamBytes(stream));
                ASSERT_TRUE(read.ok);
                EXPECT_EQ(read.width, 5u);
                EXPECT_EQ(read.height, 4u);
                EXPECT_EQ(read.colourType, c.colourType);
                EXPECT_EQ(read.bitDepth, 8);
                EXPECT_EQ(read.interlace, PNG_INTERLACE_NONE);
                EXPECT_EQ(read.rows, picture.pixels);
                EXPECT_EQ(read.textKeys,
                    (std::vector<std::string> { "Title", "Author", "Description", "Copyright", "E-mail", "Url" }));
                EXPECT_TRUE(read.hasTime);
            }
        }
    }
}

TEST_F(KaPngTest, SaveThenLoadGivesThePictureBack)
{
    const KaTestPicture picture = KaMakeTestPicture(7, 3, RGBA8888, 5);
    KaImage image;
    putPicture(image, picture, 2, 2, false);
    const std::string path = mDir.file("saved.png");
    KaPng codec;
    ASSERT_TRUE(codec.save(image, KaPath(path.c_str())));
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 1, 1, false }));
}

TEST_F(KaPngTest, SaveRefusesOtherFormatsAndWritesNothing)
{
    for (KaImageFormat format : { BGR888, PALETTE8, RGB565, RGB555, PVRTC4_RGB, NONE }) {
        SCOPED_TRACE(::testing::Message() << "format " << format);
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(4, 4, noPalette, format));
        if (image.buffer())
            image.fill(1);
        KaPngImplementation writer;
        KaStream stream;
        EXPECT_FALSE(writer.save(image, stream));
        EXPECT_EQ(stream.bufferLength(), 0u);
        const std::string path = mDir.file("refused.png");
        EXPECT_FALSE(writer.save(image, KaPath(path.c_str())));
        EXPECT_FALSE(fileExists(path));
    }
}

TEST_F(KaPngTest, SaveFailuresAreReported)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 4, RGB888);
    KaImage image;
    putPicture(image, picture, 0, 0, false);
    KaPngImplementation writer;
    {
        // A folder that is a regular file: the open fails whoever runs the test.
        mDir.write("plain", "x");
        const std::string path = mDir.file("plain/out.png");
        KaCaptureStdout capture;
        EXPECT_FALSE(writer.save(image, KaPath(path.c_str())));
        EXPECT_NE(capture.text().find("[KaPngImplementation::Save] File " + path + " could not be opened for writing"),
            std::string::npos);
    }
    {
        FullStream full;
        KaCaptureStdout capture;
        EXPECT_FALSE(writer.save(image, full));
        EXPECT_NE(capture.text().find("[KaPngImplementation::Save] Error during writing header"), std::string::npos);
    }
}
