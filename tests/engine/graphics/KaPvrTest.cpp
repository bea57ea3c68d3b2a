#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPVR3.h"
#include "engine/graphics/KaPVR3ZLib.h"
#include "engine/graphics/KaPvr.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

const unsigned char kSentinel = 0xA5;

class KaPvrTest : public ::testing::Test {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteTestFile(path, bytes));
        return path;
    }

    KaTempDir mDir;
};

unsigned long pictureBytes(unsigned int width, unsigned int height, KaImageFormat format)
{
    return static_cast<unsigned long>(width) * height * ImgFormatBPP[format] / 8;
}

// Decodes into an image of the codec's format whose buffer is larger than the
// picture: the blocks must land at the start of the buffer, the rest
// untouched.
::testing::AssertionResult decodesBlocks(KaIVideoCodec& codec, const std::string& blocks, unsigned int extraColumns,
    unsigned int extraRows)
{
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    if (!image.create(codec.width(), codec.height(), noPalette, codec.imageFormat(), codec.width() + extraColumns,
            codec.height() + extraRows))
        return ::testing::AssertionFailure() << "create failed";
    std::memset(image.buffer(), kSentinel, image.bufferSize());
    image.setChanged(false);
    if (!codec.update(0, image))
        return ::testing::AssertionFailure() << "update failed";
    if (blocks.size() > image.bufferSize()
        || std::memcmp(image.buffer(), blocks.data(), blocks.size()) != 0)
        return ::testing::AssertionFailure() << "the blocks are not at the start of the buffer";
    for (unsigned long i = blocks.size(); i < image.bufferSize(); ++i) {
        if (image.buffer()[i] != kSentinel)
            return ::testing::AssertionFailure() << "byte " << i << " past the blocks was written";
    }
    if (image.changed())
        return ::testing::AssertionFailure() << "image marked changed";
    return ::testing::AssertionSuccess();
}

} // namespace

// --- legacy zlib-wrapped version 2 ------------------------------------------

TEST_F(KaPvrTest, LegacyFormatsAndBordersFromTheHeader)
{
    struct Case {
        unsigned int flags;
        unsigned int alphaMask;
        KaImageFormat format;
        unsigned int left, right, bottom, top;
    };
    const Case cases[] = {
        { 0x819, 1, PVRTC4_RGBA, 4, 4, 4, 4 },
        { 0x818, 1, PVRTC2_RGBA, 8, 8, 4, 4 },
        { 0x819, 0, PVRTC4_RGB, 4, 4, 4, 4 },
        { 0x818, 0, PVRTC2_RGB, 8, 8, 4, 4 },
        { 0x019, 1, PVRTC4_RGBA, 0, 0, 0, 0 },
        { 0x018, 0, PVRTC2_RGB, 0, 0, 0, 0 },
        // Other pixel types and alpha masks load, with a format nothing uses.
        { 0x81A, 1, NONE, 0, 0, 0, 0 },
        { 0x019, 2, NONE, 0, 0, 0, 0 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(::testing::Message() << "flags " << std::hex << test.flags << " alpha " << test.alphaMask);
        const unsigned long bytes = test.format == NONE ? 0 : pictureBytes(16, 8, test.format);
        // Mipmaps after the top level are never copied.
        const std::string data = KaCountingBytes(bytes + 40, 3);
        const std::string path
            = writeFile("legacy.pvr", KaZLibWrap(KaPvr2File(16, 8, test.flags, test.alphaMask, data)));
        KaPvr codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        EXPECT_EQ(codec.width(), 16u);
        EXPECT_EQ(codec.height(), 8u);
        EXPECT_EQ(codec.imageFormat(), test.format);
        EXPECT_EQ(codec.leftBorderSize(), test.left);
        EXPECT_EQ(codec.rightBorderSize(), test.right);
        EXPECT_EQ(codec.bottomBorderSize(), test.bottom);
        EXPECT_EQ(codec.topBorderSize(), test.top);
        if (test.format == NONE)
            continue;

        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(16, 8, noPalette, test.format));
        ASSERT_TRUE(codec.update(0, image));
        EXPECT_EQ(std::memcmp(image.buffer(), data.data(), bytes), 0);
        EXPECT_EQ(image.leftBorder(), test.left);
        EXPECT_EQ(image.rightBorder(), test.right);
        EXPECT_EQ(image.bottomBorder(), test.bottom);
        EXPECT_EQ(image.topBorder(), test.top);
        // The unpacked file stays for further decodes, into padded buffers too.
        EXPECT_TRUE(decodesBlocks(codec, data.substr(0, bytes), 4, 4));
        codec.release();
        EXPECT_FALSE(codec.update(0, image));
    }
}

TEST_F(KaPvrTest, LegacyStillImageAnswers)
{
    KaStream stream;
    KaFillStream(stream, KaZLibWrap(KaPvr2File(8, 8, 0x19, 0, KaCountingBytes(32))));
    KaPvr codec;
    ASSERT_TRUE(codec.load(stream));
    codec.setLeftBorderSize(7);
    EXPECT_EQ(codec.leftBorderSize(), 0u);
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_TRUE(codec.isAtEnd());
    KaImage image;
    EXPECT_FALSE(codec.save(image, stream));
}

TEST_F(KaPvrTest, LegacyRefusesWhatTheFileCannotHold)
{
    const std::string data = KaCountingBytes(pictureBytes(16, 16, PVRTC4_RGB));
    const std::string file = KaPvr2File(16, 16, 0x19, 0, data);
    const std::string good = KaZLibWrap(file);
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        { "packed size beyond the file", KaZLibWrap(file, 0, 3), "KaPvr::LoadFromStream: read error\n" },
        { "unpacked size too small", KaZLibWrap(file, -1), "KaPvr::LoadFromStream: uncompress error\n" },
        { "unpacked size no data can reach", KaZLibWrap(file, 0x40000000),
            "KaPvr::LoadFromStream: wrong packed or unpacked size\n" },
        { "header cut short", KaZLibWrap(file.substr(0, 51)), "KaPvr::LoadFromStream: header missing (51 bytes)\n" },
        { "picture cut short", KaZLibWrap(file.substr(0, file.size() - 1)),
            "KaPvr::LoadFromStream: picture data missing (127 of 128 bytes)\n" },
        { "size beyond any image", KaZLibWrap(KaPvr2File(0x10000, 0x10000, 0x19, 0, data)),
            "KaPvr::LoadFromStream: picture too large (65536x65536)\n" },
    };
    for (const Case& test : cases) {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, test.bytes);
        KaPvr codec;
        EXPECT_FALSE(codec.load(stream)) << test.name;
        EXPECT_EQ(output.text(), test.message) << test.name;
        KaImage image;
        EXPECT_FALSE(codec.update(0, image)) << test.name;
    }
    KaCaptureStdout quiet;
    for (size_t length = 0; length < good.size(); ++length) {
        KaStream stream;
        KaFillStream(stream, good.substr(0, length));
        KaPvr codec;
        EXPECT_FALSE(codec.load(stream)) << "cut at " << length;
    }
}

TEST_F(KaPvrTest, MissingFilesAreReportedByEachCodec)
{
    const std::string missing = mDir.file("none.pvr");
    struct Case {
        KaIVideoCodec* codec;
        std::string message;
    };
    KaPvr legacy;
    KaPVR3 plain;
    KaPVR3ZLib wrapped;
    const Case cases[] = {
        { &legacy, "[KaPvr::LoadFromFile] Le fichier : " + missing + " n'existe pas.\n" },
        { &plain, "[KaPVR3::LoadFromFile] Le fichier : " + missing + " n'existe pas.\n" },
        { &wrapped, "[KaPVR3ZLib::openAndReadHeader] Le fichier : " + missing + " n'existe pas.\n" },
    };
    for (const Case& test : cases) {
        KaCaptureStdout output;
        EXPECT_FALSE(test.codec->load(KaPath(missing.c_str())));
        // After the file layer's own line.
        EXPECT_NE(output.text().find(test.message), std::string::npos) << output.text();
    }
}

// --- version 3 ----------------------------------------------------------------

TEST_F(KaPvrTest, Version3FormatsFromFileWithMetadataSkipped)
{
    struct Case {
        unsigned int pixelFormat;
        KaImageFormat format;
    };
    const Case cases[] = { { 0, PVRTC2_RGB }, { 1, PVRTC2_RGBA }, { 2, PVRTC4_RGB }, { 3, PVRTC4_RGBA },
        { 6, ETC1 } };
    for (const Case& test : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel format " << test.pixelFormat);
        const std::string blocks = KaCountingBytes(pictureBytes(32, 16, test.format), test.pixelFormat);
        const std::string path
            = writeFile("texture.pvr", KaPvr3File(test.pixelFormat, 32, 16, std::string(20, 'm'), blocks + "MIPS"));
        KaPVR3 codec;
        ASSERT_TRUE(codec.load(KaPath(path.c_str())));
        EXPECT_EQ(codec.width(), 32u);
        EXPECT_EQ(codec.height(), 16u);
        EXPECT_EQ(codec.imageFormat(), test.format);
        // Each decode reads the file again.
        EXPECT_TRUE(decodesBlocks(codec, blocks, 0, 0));
        EXPECT_TRUE(decodesBlocks(codec, blocks, 3, 5));
    }
}

TEST_F(KaPvrTest, Version3Etc1Of256Squared)
{
    const std::string blocks = KaCountingBytes(32768, 7);
    KaStream stream;
    KaFillStream(stream, KaPvr3File(6, 256, 256, std::string(15, 'm'), blocks));
    KaPVR3 codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(decodesBlocks(codec, blocks, 0, 0));
    EXPECT_EQ(stream.getPos(), 52u + 15u + 32768u);
}

TEST_F(KaPvrTest, Version3StreamSeeksBackAndForgetsAnEarlierPath)
{
    const std::string onDisk = KaPvr3File(2, 8, 8, "", KaCountingBytes(32, 1));
    const std::string blocks = KaCountingBytes(pictureBytes(16, 8, PVRTC2_RGBA), 2);
    const std::string path = writeFile("disk.pvr", onDisk);
    KaStream stream;
    const std::string prefix("PREFIX");
    KaFillStream(stream, prefix + KaPvr3File(1, 16, 8, "meta", blocks));
    ASSERT_TRUE(stream.seek(prefix.size()));

    KaPVR3 codec;
    ASSERT_TRUE(codec.load(KaPath(path.c_str())));
    ASSERT_TRUE(codec.load(stream));
    EXPECT_EQ(codec.width(), 16u);
    EXPECT_TRUE(decodesBlocks(codec, blocks, 0, 0));
    EXPECT_TRUE(decodesBlocks(codec, blocks, 0, 0));
}

TEST_F(KaPvrTest, Version3BordersAreTheCallersUntilTheNextHeader)
{
    KaStream stream;
    KaFillStream(stream, KaPvr3File(2, 8, 8, "", KaCountingBytes(32)));
    KaPVR3 codec;
    ASSERT_TRUE(codec.load(stream));
    codec.setLeftBorderSize(1);
    codec.setRightBorderSize(2);
    codec.setBottomBorderSize(3);
    codec.setTopBorderSize(4);
    EXPECT_EQ(codec.topBorderSize(), 4u);
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    ASSERT_TRUE(image.create(8, 8, noPalette, PVRTC4_RGB));
    ASSERT_TRUE(codec.update(0, image));
    // The image's borders are not the codec's business.
    EXPECT_EQ(image.leftBorder(), 0u);
    EXPECT_EQ(codec.leftBorderSize(), 1u);
    ASSERT_TRUE(codec.update(0, image));
    EXPECT_EQ(codec.leftBorderSize(), 0u);
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_FALSE(codec.isAtEnd());
}

TEST_F(KaPvrTest, Version3RefusesBadHeadersAndShortData)
{
    const std::string blocks = KaCountingBytes(pictureBytes(8, 8, PVRTC4_RGB));
    const std::string good = KaPvr3File(2, 8, 8, "meta", blocks);
    struct Case {
        const char* name;
        std::string bytes;
        bool loads;
        const char* message;
    };
    const std::vector<Case> cases = {
        { "pixel format 4", KaPvr3File(4, 8, 8, "", blocks), false, "KaPVR3::openAndReadHeader: unknown format \n" },
        { "header cut short", good.substr(0, 51), false, "KaPVR3::openAndReadHeader: read error \n" },
        { "metadata past the end", KaPvr3File(2, 8, 8, "meta", "").substr(0, 54), false,
            "KaPVR3::openAndReadHeader: read error \n" },
        { "size beyond any image", KaPvr3File(2, 0x20000, 0x20000, "", blocks), false,
            "KaPVR3::openAndReadHeader: picture too large (131072x131072) \n" },
        { "data cut short", good.substr(0, good.size() - 1), true, "KaPVR3::update: read error \n" },
    };
    for (const Case& test : cases) {
        KaCaptureStdout output;
        KaStream stream;
        KaFillStream(stream, test.bytes);
        KaPVR3 codec;
        EXPECT_EQ(codec.load(stream), test.loads) << test.name;
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(8, 8, noPalette, PVRTC4_RGB));
        EXPECT_FALSE(codec.update(0, image)) << test.name;
        EXPECT_NE(output.text().find(test.message), std::string::npos) << test.name << ": " << output.text();
    }
    KaCaptureStdout quiet;
    for (size_t length = 0; length < good.size(); ++length) {
        KaStream stream;
        KaFillStream(stream, good.substr(0, length));
        KaPVR3 codec;
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(8, 8, noPalette, PVRTC4_RGB));
        EXPECT_FALSE(codec.load(stream) && codec.update(0, image)) << "cut at " << length;
    }
}

TEST_F(KaPvrTest, Version3RefusesAnImageThatDoesNotFit)
{
    KaStream stream;
    KaFillStream(stream, KaPvr3File(3, 8, 8, "", KaCountingBytes(32)));
    KaPVR3 codec;
    ASSERT_TRUE(codec.load(stream));
    KaIntrusivePtr<KaPalette> noPalette;
    KaImage wrongFormat;
    ASSERT_TRUE(wrongFormat.create(8, 8, noPalette, PVRTC4_RGB));
    KaImage tooSmall;
    ASSERT_TRUE(tooSmall.create(4, 8, noPalette, PVRTC4_RGBA));
    KaCaptureStdout quiet;
    EXPECT_FALSE(codec.update(0, wrongFormat));
    EXPECT_FALSE(codec.update(0, tooSmall));
}

// --- version 3 in the engine's zlib block ----------------------------------

TEST_F(KaPvrTest, ZLibVersion3FromFileAndStream)
{
    const std::string blocks = KaCountingBytes(pictureBytes(16, 16, ETC1), 4);
    const std::string block = KaZLibBlock(KaPvr3File(6, 16, 16, "metadata", blocks));
    const std::string path = writeFile("texture.pvr.zlib", block);
    KaPVR3ZLib fromFile;
    ASSERT_TRUE(fromFile.load(KaPath(path.c_str())));
    EXPECT_EQ(fromFile.width(), 16u);
    EXPECT_EQ(fromFile.height(), 16u);
    EXPECT_EQ(fromFile.imageFormat(), ETC1);
    EXPECT_EQ(fromFile.nbFrames(), 1u);
    EXPECT_FALSE(fromFile.isAtEnd());
    EXPECT_TRUE(decodesBlocks(fromFile, blocks, 0, 0));
    EXPECT_TRUE(decodesBlocks(fromFile, blocks, 2, 2));

    KaStream stream;
    KaFillStream(stream, "xyz" + block);
    ASSERT_TRUE(stream.seek(3));
    KaPVR3ZLib fromStream;
    ASSERT_TRUE(fromStream.load(stream));
    EXPECT_TRUE(decodesBlocks(fromStream, blocks, 0, 0));
    EXPECT_TRUE(decodesBlocks(fromStream, blocks, 0, 0));
    fromStream.setTopBorderSize(6);
    EXPECT_EQ(fromStream.topBorderSize(), 6u);
}

TEST_F(KaPvrTest, ZLibVersion3FailsCleanlyOnBadBlocks)
{
    const std::string inner = KaPvr3File(2, 8, 8, "", KaCountingBytes(32));
    const std::string good = KaZLibBlock(inner);
    KaCaptureStdout quiet;
    for (size_t length = 0; length < good.size(); ++length) {
        KaStream stream;
        KaFillStream(stream, good.substr(0, length));
        KaPVR3ZLib codec;
        EXPECT_FALSE(codec.load(stream)) << "cut at " << length;
    }
    for (const std::string& bad : { KaZLibBlock(KaPvr3File(5, 8, 8, "", KaCountingBytes(32))),
             KaZLibBlock(inner.substr(0, inner.size() - 4)), KaZLibBlock(inner.substr(0, 30)) }) {
        KaStream stream;
        KaFillStream(stream, bad);
        KaPVR3ZLib codec;
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(8, 8, noPalette, PVRTC4_RGB));
        EXPECT_FALSE(codec.load(stream) && codec.update(0, image));
    }
}

TEST_F(KaPvrTest, ExtensionsOfTheTwoRegistryCodecs)
{
    struct Match {
        const char* path;
        bool pvr3;
        bool pvr3ZLib;
    };
    for (const Match& match : { Match { "a.pvr", true, false }, Match { "A.PVR", true, false },
             Match { "a.pvr.zlib", false, true }, Match { "d/a.PVR.ZLib", false, true },
             Match { "a.jpg.zlib", false, false }, Match { "pvr.zlib", false, false },
             Match { "a.pvrx", false, false } }) {
        EXPECT_EQ(KaPVR3::matchFormat(KaPath(match.path)), match.pvr3) << match.path;
        EXPECT_EQ(KaPVR3ZLib::matchFormat(KaPath(match.path)), match.pvr3ZLib) << match.path;
    }
}

// The image's own chain reads "pvr" as the zlib-wrapped version 2 file and
// takes its borders; the same bytes are no version 3 file.
TEST_F(KaPvrTest, ImageLoadReadsPvrAsTheLegacyFile)
{
    const std::string blocks = KaCountingBytes(pictureBytes(16, 8, PVRTC2_RGBA), 5);
    const std::string path = writeFile("legacy.pvr", KaZLibWrap(KaPvr2File(16, 8, 0x818, 1, blocks)));
    KaImage image;
    ASSERT_TRUE(image.load(KaPath(path.c_str())));
    EXPECT_EQ(image.format(), PVRTC2_RGBA);
    EXPECT_EQ(image.width(), 16u);
    EXPECT_EQ(image.height(), 8u);
    EXPECT_EQ(std::memcmp(image.buffer(), blocks.data(), blocks.size()), 0);
    EXPECT_EQ(image.leftBorder(), 8u);
    EXPECT_EQ(image.rightBorder(), 8u);
    EXPECT_EQ(image.bottomBorder(), 4u);
    EXPECT_EQ(image.topBorder(), 4u);

    KaCaptureStdout quiet;
    KaPVR3 version3;
    EXPECT_FALSE(version3.load(KaPath(path.c_str())));
}
