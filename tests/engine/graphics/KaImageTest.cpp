#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaAllocationProbe.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaIntrusivePtr<KaPalette> noPalette;

std::vector<unsigned char> bufferOf(const KaImage& image)
{
    if (!image.buffer())
        return std::vector<unsigned char>();
    return std::vector<unsigned char>(image.buffer(), image.buffer() + image.bufferSize());
}

// A picture stored bottom row first at the buffer stride, padding at 0xEE.
void storePicture(KaImage& image, const KaTestPicture& picture, unsigned int extraColumns, unsigned int extraRows)
{
    ASSERT_TRUE(image.create(picture.width, picture.height, noPalette, picture.format, picture.width + extraColumns,
        picture.height + extraRows));
    std::memset(image.buffer(), 0xEE, image.bufferSize());
    for (unsigned int r = 0; r < picture.height; ++r)
        std::memcpy(image.row(r), picture.topRow(picture.height - 1 - r), picture.rowBytes());
}

// The bytes of pixel (x, y), y counted in buffer rows.
std::vector<unsigned char> pixelBytes(const KaImage& image, unsigned int x, unsigned int y)
{
    const unsigned int bytes = ImgFormatBPP[image.format()] / 8;
    const unsigned char* pixel = image.row(y) + x * bytes;
    return std::vector<unsigned char>(pixel, pixel + bytes);
}

std::string stringOf(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

} // namespace

// ---------------------------------------------------------------------------
// create

TEST(KaImageTest, CreateSizesTheBufferAndRefusesWhatItCannotHold)
{
    struct Case {
        const char* name;
        unsigned int width, height;
        int format;
        unsigned int bufferWidth, bufferHeight;
        bool created;
        unsigned long bytes;
        const char* message;
    };
    const Case cases[] = {
        { "padded RGBA", 4, 3, RGBA8888, 8, 4, true, 8 * 4 * 4, nullptr },
        { "RGB565", 3, 3, RGB565, 3, 3, true, 18, nullptr },
        { "compressed blocks at 8 bits", 4, 4, PVRTC4_RGB, 4, 4, true, 16, nullptr },
        { "format none at 8 bits", 2, 2, NONE, 2, 2, true, 4, nullptr },
        { "nothing to hold", 0, 0, RGB888, 0, 0, true, 0, nullptr },
        { "buffer smaller than the picture", 10, 10, RGB888, 8, 8, true, 10 * 10 * 3,
            "KaImage::create: Buffer size smaller than size\n" },
        { "buffer narrower only", 10, 2, GREY8, 4, 6, true, 10 * 6,
            "KaImage::create: Buffer size smaller than size\n" },
        { "unknown format", 2, 2, 15, 2, 2, false, 0, "KaImage::create: Wrong format 15\n" },
        { "negative format", 2, 2, -1, 2, 2, false, 0, "KaImage::create: Wrong format -1\n" },
        { "side beyond the limit", 20000, 1, GREY8, 20000, 1, false, 0, "KaImage::create: Size too large" },
        { "a gigabyte", 16384, 16384, RGBA8888, 16384, 16384, false, 0, "KaImage::create: Size too large" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaImage image;
        // Whatever the image held before goes.
        ASSERT_TRUE(image.create(3, 3, noPalette, RGB888));
        image.setLeftBorder(2);
        KaCaptureStdout capture;
        EXPECT_EQ(image.create(c.width, c.height, noPalette, static_cast<KaImageFormat>(c.format), c.bufferWidth,
                      c.bufferHeight),
            c.created);
        const std::string text = capture.text();
        if (c.message)
            EXPECT_NE(text.find(c.message), std::string::npos) << text;
        else
            EXPECT_EQ(text, "");
        EXPECT_EQ(image.leftBorder(), 0u);
        if (!c.created) {
            EXPECT_EQ(image.format(), NONE);
            EXPECT_EQ(image.buffer(), nullptr);
            EXPECT_EQ(image.width(), 0u);
            continue;
        }
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.height);
        EXPECT_GE(image.bufferWidth(), c.width);
        EXPECT_GE(image.bufferHeight(), c.height);
        EXPECT_EQ(image.bufferSize(), c.bytes);
        EXPECT_EQ(image.buffer() != nullptr, c.bytes > 0);
        // Every byte of it is writable (the sanitizer watches).
        if (image.buffer())
            std::memset(image.buffer(), 1, image.bufferSize());
    }
}

TEST(KaImageTest, DestroyAndCreateGoBackToTheEmptyImage)
{
    KaImage image;
    EXPECT_EQ(image.format(), NONE);
    EXPECT_TRUE(image.userFlag2());
    EXPECT_FALSE(image.userFlag());
    ASSERT_TRUE(image.create(4, 4, noPalette, RGB888, 8, 8));
    image.setTopBorder(1);
    image.destroy();
    EXPECT_EQ(image.format(), NONE);
    EXPECT_EQ(image.buffer(), nullptr);
    EXPECT_EQ(image.bufferWidth(), 0u);
    EXPECT_EQ(image.topBorder(), 0u);
}

// ---------------------------------------------------------------------------
// Serialisation

TEST(KaImageTest, SerialisationRoundTripsThePictureWithoutPadding)
{
    struct Case {
        KaImageFormat format;
        unsigned int width, height, extraColumns, extraRows;
    };
    const Case cases[] = {
        { RGBA8888, 3, 2, 0, 0 },
        { RGBA8888, 3, 2, 5, 2 },
        { RGB888, 7, 5, 1, 3 },
        { BGR888, 2, 2, 2, 0 },
        { GREY8, 9, 1, 3, 1 },
        { PALETTE8, 4, 4, 0, 4 },
        { RGB565, 5, 3, 3, 3 },
        { RGB555, 1, 1, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format << ", " << c.width << " x " << c.height << " +"
                                          << c.extraColumns << " +" << c.extraRows);
        const KaTestPicture picture = KaMakeTestPicture(c.width, c.height, c.format, c.width + c.height);
        KaImage image;
        storePicture(image, picture, c.extraColumns, c.extraRows);
        image.setUserFlag(true);
        image.setUserFlag2(false);
        image.setChanged(false);

        KaStream stream;
        const unsigned long written = image.serialize(stream);
        const unsigned long payload = static_cast<unsigned long>(c.width) * c.height * picture.bytesPerPixel;
        EXPECT_EQ(written, 14 + payload);
        EXPECT_EQ(stream.bufferLength(), written);
        EXPECT_TRUE(image.changed());

        ASSERT_TRUE(stream.seek(0));
        KaImage back;
        EXPECT_EQ(back.deSerialize(stream), written);
        EXPECT_EQ(back.format(), c.format);
        EXPECT_EQ(back.width(), c.width);
        EXPECT_EQ(back.height(), c.height);
        EXPECT_EQ(back.bufferWidth(), c.width);
        EXPECT_EQ(back.bufferHeight(), c.height);
        EXPECT_TRUE(back.userFlag());
        EXPECT_FALSE(back.userFlag2());
        for (unsigned int r = 0; r < c.height; ++r)
            EXPECT_EQ(std::memcmp(back.row(r), image.row(r), picture.rowBytes()), 0) << "row " << r;
    }
}

TEST(KaImageTest, SerialisationHeaderIsLittleEndian)
{
    KaImage image;
    ASSERT_TRUE(image.create(3, 2, noPalette, RGBA8888));
    image.fill(0x11);
    KaStream stream;
    ASSERT_EQ(image.serialize(stream), 38u);
    const std::string bytes = stringOf(stream);
    EXPECT_EQ(bytes.substr(0, 14), std::string("\x00\x01\x06\x00\x00\x00\x03\x00\x00\x00\x02\x00\x00\x00", 14));
}

TEST(KaImageTest, CompressedImagesSerialiseTheirBlocks)
{
    struct Case {
        KaImageFormat format;
        unsigned int width, height;
    };
    const Case cases[] = { { PVRTC4_RGB, 8, 8 }, { PVRTC4_RGBA, 16, 8 }, { PVRTC2_RGB, 16, 8 }, { PVRTC2_RGBA, 8, 8 },
        { ETC1, 4, 4 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        KaImage image;
        ASSERT_TRUE(image.create(c.width, c.height, noPalette, c.format));
        for (unsigned long i = 0; i < image.bufferSize(); ++i)
            image.buffer()[i] = static_cast<unsigned char>(i * 11 + 1);
        const unsigned long blocks = static_cast<unsigned long>(c.width) * c.height * ImgFormatBPP[c.format] / 8;

        KaStream stream;
        EXPECT_EQ(image.serialize(stream), 14 + blocks);
        EXPECT_EQ(stream.bufferLength(), 14 + blocks);

        ASSERT_TRUE(stream.seek(0));
        KaImage back;
        EXPECT_EQ(back.deSerialize(stream), 14 + blocks);
        ASSERT_EQ(back.format(), c.format);
        EXPECT_EQ(std::memcmp(back.buffer(), image.buffer(), blocks), 0);
    }
}

TEST(KaImageTest, HostileStreamsLeaveTheImageAsItWas)
{
    auto header = [](int format, unsigned int width, unsigned int height) {
        KaStream stream;
        stream.write(static_cast<unsigned char>(1));
        stream.write(static_cast<unsigned char>(0));
        stream.write(format);
        stream.write(width);
        stream.write(height);
        return stringOf(stream);
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        { "empty stream", std::string(), "KaImage::deSerialize: Unexpected end of stream" },
        { "header cut", header(RGB888, 4, 4).substr(0, 7), "KaImage::deSerialize: Unexpected end of stream" },
        { "height cut", header(RGB888, 4, 4).substr(0, 12), "KaImage::deSerialize: Unexpected end of stream" },
        { "unknown format", header(15, 1, 1) + "abc", "KaImage::deSerialize: Wrong format 15" },
        { "negative format", header(-3, 1, 1) + "abc", "KaImage::deSerialize: Wrong format -3" },
        { "side beyond the limit", header(GREY8, 1000000, 1), "KaImage::deSerialize: Size too large" },
        { "a gigabyte", header(RGBA8888, 16384, 16384), "KaImage::deSerialize: Size too large" },
        { "four gigapixels", header(GREY8, 0xFFFFFFFFu, 0xFFFFFFFFu), "KaImage::deSerialize: Size too large" },
        // No pixels are stored for it, yet it would take 194 MB.
        { "a large picture of no format", header(NONE, 12034, 16133), "KaImage::deSerialize: Size too large" },
        { "rows cut", header(RGB888, 4, 4) + std::string(20, 'x'), "KaImage::deSerialize: Unexpected end of stream" },
        { "blocks cut", header(PVRTC4_RGB, 8, 8) + std::string(31, 'x'),
            "KaImage::deSerialize: Unexpected end of stream" },
    };
    const KaTestPicture picture = KaMakeTestPicture(2, 2, RGB888);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaImage image;
        storePicture(image, picture, 1, 1);
        const std::vector<unsigned char> before = bufferOf(image);
        KaStream stream;
        stream.writeData(c.bytes.data(), c.bytes.size());
        stream.seek(0);
        KaCaptureStdout capture;
        EXPECT_EQ(image.deSerialize(stream), 0u);
        const std::string text = capture.text();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(image.format(), RGB888);
        EXPECT_EQ(image.width(), 2u);
        EXPECT_EQ(image.bufferWidth(), 3u);
        EXPECT_EQ(bufferOf(image), before);
        EXPECT_FALSE(image.userFlag());
    }
}

TEST(KaImageTest, DeSerializeRefusesAnnouncedRowsTheStreamCannotHoldBeforeAllocating)
{
    // The largest picture allowed, announced by 14 bytes of header over a
    // handful of pixels.
    KaStream stream;
    stream.write(static_cast<unsigned char>(1));
    stream.write(static_cast<unsigned char>(1));
    stream.write(static_cast<int>(GREY8));
    stream.write(16384u);
    stream.write(16384u);
    stream.writeData("pixels", 6);
    stream.seek(0);
    KaImage image;
    KaCaptureStdout capture;
    KaAllocationProbe probe;
    EXPECT_EQ(image.deSerialize(stream), 0u);
    if (KaAllocationProbe::available()) {
        EXPECT_LT(probe.largest(), 1024u * 1024u);
    }
    EXPECT_NE(capture.text().find("KaImage::deSerialize: Unexpected end of stream"), std::string::npos);
    EXPECT_EQ(image.format(), NONE);
}

// ---------------------------------------------------------------------------
// Block copy

TEST(KaImageTest, CopyMovesBlocksAndSizesTheDestination)
{
    // An 8 x 4 source in a 10 x 6 buffer; every pixel distinct.
    const KaTestPicture picture = KaMakeTestPicture(8, 4, RGB888, 1);
    KaImage source;
    storePicture(source, picture, 2, 2);

    struct Case {
        const char* name;
        KaVector2s32 destinationPosition, sourcePosition, size;
        unsigned int destinationWidth, destinationHeight;
        // The block actually copied, in source pixels, and where it lands.
        int fromX, fromY, columns, rows, toX, toY;
    };
    const Case cases[] = {
        { "right half", { 0, 0 }, { 4, 0 }, { 4, 4 }, 4, 4, 4, 0, 4, 4, 0, 0 },
        { "to a position", { 3, 2 }, { 0, 0 }, { 2, 2 }, 5, 4, 0, 0, 2, 2, 3, 2 },
        { "negative source position", { 0, 0 }, { -1, -2 }, { 3, 3 }, 3, 3, 0, 0, 2, 1, 0, 0 },
        { "cut at the source's edges", { 1, 1 }, { 6, 2 }, { 4, 4 }, 5, 5, 6, 2, 2, 2, 1, 1 },
        { "whole picture", { 0, 0 }, { 0, 0 }, { 8, 4 }, 8, 4, 0, 0, 8, 4, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaImage destination;
        source.copy(destination, c.destinationPosition, c.sourcePosition, c.size);
        ASSERT_EQ(destination.format(), RGB888);
        EXPECT_EQ(destination.width(), c.destinationWidth);
        EXPECT_EQ(destination.height(), c.destinationHeight);
        for (int y = 0; y < c.rows; ++y) {
            for (int x = 0; x < c.columns; ++x) {
                EXPECT_EQ(pixelBytes(destination, c.toX + x, c.toY + y), pixelBytes(source, c.fromX + x, c.fromY + y))
                    << "pixel " << x << ", " << y;
            }
        }
        EXPECT_TRUE(destination.changed());
    }
}

TEST(KaImageTest, CopyIntoALargeEnoughImageKeepsItsOtherPixels)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 4, RGBA8888, 2);
    KaImage source;
    storePicture(source, picture, 0, 0);
    KaImage destination;
    ASSERT_TRUE(destination.create(6, 6, noPalette, RGBA8888, 9, 7));
    destination.fill(0x33, 0x33, 0x33, 0x33);
    source.copy(destination, KaVector2s32(2, 3), KaVector2s32(1, 1), KaVector2s32(2, 2));
    EXPECT_EQ(destination.bufferWidth(), 9u);
    EXPECT_EQ(pixelBytes(destination, 2, 3), pixelBytes(source, 1, 1));
    EXPECT_EQ(pixelBytes(destination, 3, 4), pixelBytes(source, 2, 2));
    EXPECT_EQ(pixelBytes(destination, 1, 3), std::vector<unsigned char>(4, 0x33));
    EXPECT_EQ(pixelBytes(destination, 4, 3), std::vector<unsigned char>(4, 0x33));
    EXPECT_EQ(pixelBytes(destination, 2, 5), std::vector<unsigned char>(4, 0x33));
}

TEST(KaImageTest, CopyDoesNothingOutsideItsRange)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 4, RGB888, 3);
    KaImage source;
    storePicture(source, picture, 0, 0);
    struct Case {
        const char* name;
        KaVector2s32 destinationPosition, sourcePosition, size;
    };
    const Case cases[] = {
        { "source beyond the width", { 0, 0 }, { 5, 0 }, { 2, 2 } },
        { "source beyond the height", { 0, 0 }, { 0, 5 }, { 2, 2 } },
        { "negative destination", { -1, 0 }, { 0, 0 }, { 2, 2 } },
        { "empty block", { 0, 0 }, { 0, 0 }, { 0, 2 } },
        { "negative block", { 0, 0 }, { 0, 0 }, { 2, -2 } },
        { "destination too large to create", { 0, 0 }, { 0, 0 }, { 100000, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaImage destination;
        source.copy(destination, c.destinationPosition, c.sourcePosition, c.size);
        EXPECT_EQ(destination.buffer(), nullptr);
    }
}

TEST(KaImageTest, CopyOntoItself)
{
    const KaTestPicture picture = KaMakeTestPicture(4, 4, RGB888, 4);
    KaImage image;
    storePicture(image, picture, 0, 0);
    const std::vector<unsigned char> corner = pixelBytes(image, 0, 0);
    // Inside the image: a plain move.
    image.copy(image, KaVector2s32(2, 2), KaVector2s32(0, 0), KaVector2s32(2, 2));
    EXPECT_EQ(pixelBytes(image, 2, 2), corner);
    // Overlapping blocks come out as if copied from a snapshot.
    for (KaVector2s32 to : { KaVector2s32(1, 1), KaVector2s32(0, 1), KaVector2s32(1, 0) }) {
        KaImage moved;
        storePicture(moved, picture, 1, 1);
        const KaImage snapshot(moved);
        moved.copy(moved, to, KaVector2s32(0, 0), KaVector2s32(3, 3));
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(pixelBytes(moved, to.x + x, to.y + y), pixelBytes(snapshot, x, y))
                    << "to " << to.x << ", " << to.y << ": pixel " << x << ", " << y;
        }
    }
    // Past its edge it would have to re-create the very pixels it copies.
    const std::vector<unsigned char> before = bufferOf(image);
    image.copy(image, KaVector2s32(3, 3), KaVector2s32(0, 0), KaVector2s32(2, 2));
    EXPECT_EQ(bufferOf(image), before);
    EXPECT_EQ(image.width(), 4u);
}

// ---------------------------------------------------------------------------
// Pixels

TEST(KaImageTest, GetBuffCopiesTheBlockCutAtThePicture)
{
    const KaTestPicture picture = KaMakeTestPicture(5, 4, RGB888, 5);
    KaImage image;
    storePicture(image, picture, 3, 2);
    image.setChanged(false);

    std::vector<unsigned char> out(4 * 4 * 3, 0xCC);
    image.getBuff(3, 2, out.data(), 4, 4);
    EXPECT_TRUE(image.changed());
    for (unsigned int k = 0; k < 4; ++k) {
        for (unsigned int j = 0; j < 4; ++j) {
            const unsigned char* got = out.data() + (k * 4 + j) * 3;
            if (k < 2 && j < 2)
                EXPECT_EQ(std::vector<unsigned char>(got, got + 3), pixelBytes(image, 3 + j, 2 + k));
            else
                EXPECT_EQ(std::vector<unsigned char>(got, got + 3), std::vector<unsigned char>(3, 0xCC));
        }
    }

    std::vector<unsigned char> untouched(12, 0xCC);
    image.getBuff(5, 0, untouched.data(), 2, 2);
    image.getBuff(0, 4, untouched.data(), 2, 2);
    EXPECT_EQ(untouched, std::vector<unsigned char>(12, 0xCC));
}

TEST(KaImageTest, PlotAndReadPixelsAtTheBufferStride)
{
    struct Case {
        KaImageFormat format;
        std::vector<unsigned char> stored;
        KaColor read;
    };
    const KaColor colour(30, 60, 120, 200);
    const Case cases[] = {
        { RGB888, { 30, 60, 120 }, KaColor(30, 60, 120, 255) },
        { RGBA8888, { 30, 60, 120, 200 }, KaColor(30, 60, 120, 200) },
        { BGR888, { 120, 60, 30 }, KaColor(30, 60, 120, 255) },
        { GREY8, { 70 }, KaColor(70, 70, 70, 255) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        KaImage image;
        ASSERT_TRUE(image.create(3, 2, noPalette, c.format, 5, 4));
        image.fill(0);
        image.setChanged(false);
        image.drawPlot(2, 1, colour);
        EXPECT_TRUE(image.changed());
        EXPECT_EQ(pixelBytes(image, 2, 1), c.stored);
        image.setChanged(false);
        EXPECT_EQ(image.pixelColor(KaVector2s32(2, 1)), c.read);
        EXPECT_TRUE(image.changed());

        // Outside the picture nothing is written and opaque black is read.
        const std::vector<unsigned char> before = bufferOf(image);
        for (KaVector2s32 outside : { KaVector2s32(-1, 0), KaVector2s32(3, 0), KaVector2s32(0, 2), KaVector2s32(0, -1),
                 KaVector2s32(INT_MAX, INT_MAX) }) {
            image.drawPlot(outside.x, outside.y, colour);
            EXPECT_EQ(image.pixelColor(outside), KaColor());
        }
        EXPECT_EQ(bufferOf(image), before);
    }
}

TEST(KaImageTest, PlotIntoAnotherBuffer)
{
    KaImage image;
    ASSERT_TRUE(image.create(1, 1, noPalette, RGB888));
    std::vector<unsigned char> target(4 * 2 * 3, 0);
    image.drawPlot(target.data(), 3, 1, KaVector2s32(4, 2), KaColor(1, 2, 3, 4));
    EXPECT_EQ(target[(1 * 4 + 3) * 3], 1);
    EXPECT_EQ(target[(1 * 4 + 3) * 3 + 2], 3);
    const std::vector<unsigned char> before = target;
    image.drawPlot(target.data(), 4, 0, KaVector2s32(4, 2), KaColor(9, 9, 9, 9));
    image.drawPlot(target.data(), 0, 2, KaVector2s32(4, 2), KaColor(9, 9, 9, 9));
    image.drawPlot(target.data(), -1, 0, KaVector2s32(4, 2), KaColor(9, 9, 9, 9));
    EXPECT_EQ(target, before);
}

TEST(KaImageTest, FormatsWithoutPixelAccessReadBlackAndWriteNothing)
{
    KaImage image;
    ASSERT_TRUE(image.create(2, 2, noPalette, RGB565));
    image.fill(0x42);
    const std::vector<unsigned char> before = bufferOf(image);
    image.drawPlot(0, 0, KaColor(255, 255, 255, 255));
    EXPECT_EQ(bufferOf(image), before);
    EXPECT_EQ(image.pixelColor(KaVector2s32(0, 0)), KaColor());
}

TEST(KaImageTest, FillWithAColourCoversTheWholeBuffer)
{
    struct Case {
        KaImageFormat format;
        std::vector<unsigned char> pixel;
    };
    const unsigned short word15 = KaColor::rgb24to15(200, 100, 50);
    const unsigned short word16 = KaColor::rgb24to16(200, 100, 50);
    const Case cases[] = {
        { RGB555, { static_cast<unsigned char>(word15 & 0xFF), static_cast<unsigned char>(word15 >> 8) } },
        { RGB565, { static_cast<unsigned char>(word16 & 0xFF), static_cast<unsigned char>(word16 >> 8) } },
        { RGB888, { 200, 100, 50 } },
        { RGBA8888, { 200, 100, 50, 25 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        KaImage image;
        ASSERT_TRUE(image.create(3, 2, noPalette, c.format, 4, 3));
        image.fill(200, 100, 50, 25);
        for (unsigned int y = 0; y < 3; ++y) {
            for (unsigned int x = 0; x < 4; ++x)
                EXPECT_EQ(pixelBytes(image, x, y), c.pixel) << x << ", " << y;
        }
    }
    KaImage other;
    ASSERT_TRUE(other.create(2, 2, noPalette, BGR888));
    std::memset(other.buffer(), 7, other.bufferSize());
    other.fill(200, 100, 50, 25);
    EXPECT_EQ(bufferOf(other), std::vector<unsigned char>(12, 7));
}

TEST(KaImageTest, FillWithAByteSetsOneBytePerBufferPixel)
{
    KaImage image;
    ASSERT_TRUE(image.create(2, 1, noPalette, RGB888, 3, 2));
    std::memset(image.buffer(), 0, image.bufferSize());
    image.fill(9);
    const std::vector<unsigned char> bytes = bufferOf(image);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 6), std::vector<unsigned char>(6, 9));
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 6, bytes.end()), std::vector<unsigned char>(12, 0));
}

TEST(KaImageTest, CountPixelsOfColourLooksAtThePictureOnly)
{
    KaImage image;
    ASSERT_TRUE(image.create(3, 2, noPalette, RGBA8888, 5, 3));
    image.fill(10, 20, 30, 40);
    image.drawPlot(1, 1, KaColor(10, 20, 30, 41));
    EXPECT_EQ(image.countPixelsOfColor(KaColor(10, 20, 30, 40)), 5u);

    KaImage rgb;
    ASSERT_TRUE(rgb.create(3, 2, noPalette, RGB888, 4, 4));
    rgb.fill(10, 20, 30, 0);
    EXPECT_EQ(rgb.countPixelsOfColor(KaColor(10, 20, 30, 99)), 6u);

    KaImage grey;
    ASSERT_TRUE(grey.create(3, 2, noPalette, GREY8));
    grey.fill(0);
    EXPECT_EQ(grey.countPixelsOfColor(KaColor(0, 0, 0, 255)), 0u);
}

// ---------------------------------------------------------------------------
// Copy construction

TEST(KaImageTest, CopyConstructorCopiesEverythingUnderANewName)
{
    const KaTestPicture picture = KaMakeTestPicture(3, 3, RGB888, 6);
    KaImage original;
    storePicture(original, picture, 2, 1);
    original.setAccessName(KaPath("pics/a.png"));
    original.setUserFlag(true);
    original.setFlipped(true);
    original.setRightBorder(2);

    KaImage copy(original);
    const std::string name = copy.getAccessName().c_str();
    char address[64];
    std::snprintf(address, sizeof(address), "%p", static_cast<const void*>(&copy));
    EXPECT_EQ(name, std::string("pics/a_cpy") + address + ".png");
    EXPECT_EQ(copy.bufferWidth(), 5u);
    EXPECT_EQ(copy.bufferHeight(), 4u);
    EXPECT_EQ(bufferOf(copy), bufferOf(original));
    EXPECT_NE(copy.buffer(), original.buffer());
    EXPECT_TRUE(copy.userFlag());
    EXPECT_TRUE(copy.flipped());
    EXPECT_EQ(copy.rightBorder(), 2u);

    original.fill(0);
    EXPECT_NE(bufferOf(copy), bufferOf(original));
}

// ---------------------------------------------------------------------------
// Loading

class KaImageLoadTest : public ::testing::Test {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return mDir.file(name);
    }

    KaTempDir mDir;
};

TEST_F(KaImageLoadTest, LoadsAPngIntoABufferOfItsSize)
{
    const KaTestPicture picture = KaMakeTestPicture(6, 5, RGBA8888, 7);
    // Upper-case extensions are the same type.
    const std::string path = writeFile("X.PNG", KaWritePng(picture));
    KaImage image;
    ASSERT_TRUE(image.load(KaPath(path.c_str())));
    EXPECT_EQ(image.format(), RGBA8888);
    EXPECT_EQ(image.bufferWidth(), 6u);
    EXPECT_EQ(image.bufferHeight(), 5u);
    EXPECT_FALSE(image.flipped());
    EXPECT_TRUE(image.changed());
    EXPECT_STREQ(image.getAccessName().c_str(), path.c_str());
    for (unsigned int r = 0; r < 5; ++r)
        EXPECT_EQ(std::memcmp(image.row(r), picture.topRow(4 - r), picture.rowBytes()), 0) << r;
}

TEST_F(KaImageLoadTest, MissingFilesAreLookedForInTheLanguageFolders)
{
    const KaTestPicture french = KaMakeTestPicture(2, 2, RGB888, 1);
    const KaTestPicture english = KaMakeTestPicture(2, 2, RGB888, 2);
    writeFile("a/fr/b.png", KaWritePng(french));
    writeFile("a/en/b.png", KaWritePng(english));
    writeFile("a/en/c.png", KaWritePng(english));
    const KaString savedLanguage = core.get()->language();
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
    }
    struct Case {
        const char* name;
        const KaTestPicture* picture;
    };
    const Case cases[] = { { "a/b.png", &french }, { "a/c.png", &english } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string asked = mDir.file(c.name);
        KaImage image;
        EXPECT_TRUE(image.load(KaPath(asked.c_str())));
        EXPECT_STREQ(image.getAccessName().c_str(), asked.c_str());
        ASSERT_EQ(image.format(), RGB888);
        EXPECT_EQ(std::memcmp(image.row(1), c.picture->topRow(0), c.picture->rowBytes()), 0);
    }
    {
        KaCaptureStdout quiet;
        core.get()->language(savedLanguage);
    }
}

TEST_F(KaImageLoadTest, AFileAtTheTopOfTheResourceFolderFallsBackBesideIt)
{
    const KaTestPicture picture = KaMakeTestPicture(2, 1, RGB888, 3);
    writeFile("en/top.png", KaWritePng(picture));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    ASSERT_EQ(chdir(mDir.path().c_str()), 0);
    KaImage image;
    const bool loaded = image.load(KaPath("top.png"));
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(loaded);
    EXPECT_STREQ(image.getAccessName().c_str(), "top.png");
}

TEST_F(KaImageLoadTest, FailedLoadsLeaveTheImageEmpty)
{
    const KaTestPicture picture = KaMakeTestPicture(16, 16, RGB888, 4);
    const std::string good = KaWritePng(picture);
    const size_t idat = KaPngFindChunk(good, "IDAT");
    struct Case {
        const char* name;
        const char* file;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        { "unknown extension", "x.gif", good, "[KaImage::load] wrong img type\n" },
        { "no extension", "x", good, "[KaImage::load] wrong img type\n" },
        { "interlaced", "i.png", KaWritePng(KaPngFileLayout { 4, 4, PNG_COLOR_TYPE_RGB, 8, true }),
            "[KaImage::load] Unsupported image content" },
        { "palette", "p.png", KaWritePng(KaPngFileLayout { 4, 4, PNG_COLOR_TYPE_PALETTE, 8, false }),
            "[KaImage::load] Unsupported image content" },
        { "rows cut", "cut.png", good.substr(0, idat + 20), "[KaImage::load] Decoding failed" },
        { "corrupt header", "bad.png", good.substr(0, 8) + std::string(40, 'z'), "png error: " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile(c.file, c.bytes);
        KaImage image;
        ASSERT_TRUE(image.create(2, 2, noPalette, RGB888));
        image.setFlipped(true);
        KaCaptureStdout capture;
        EXPECT_FALSE(image.load(KaPath(path.c_str())));
        const std::string text = capture.text();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(image.format(), NONE);
        EXPECT_EQ(image.buffer(), nullptr);
        EXPECT_EQ(image.width(), 0u);
    }
    KaImage image;
    KaCaptureStdout capture;
    EXPECT_FALSE(image.load(KaPath(mDir.file("absent.png").c_str())));
    EXPECT_NE(capture.text().find("n'existe pas"), std::string::npos);
}

TEST_F(KaImageLoadTest, LoadFromAStreamByExtensionText)
{
    const KaTestPicture picture = KaMakeTestPicture(3, 2, RGB888, 5);
    const std::string png = KaWritePng(picture);
    KaStream stream;
    stream.writeData(png.data(), png.size());

    stream.seek(0);
    KaImage image;
    EXPECT_TRUE(image.load(&stream, KaPath("PNG")));
    ASSERT_EQ(image.format(), RGB888);
    EXPECT_EQ(std::memcmp(image.row(0), picture.topRow(1), picture.rowBytes()), 0);

    stream.seek(0);
    KaImage unknown;
    KaCaptureStdout silent;
    EXPECT_FALSE(unknown.load(&stream, KaPath("gif")));
    EXPECT_FALSE(unknown.load(nullptr, KaPath("png")));
    EXPECT_EQ(silent.text(), "");
}

TEST_F(KaImageLoadTest, SupportedExtensions)
{
    struct Case {
        const char* path;
        bool supported;
    };
    const Case cases[] = { { "a.bmp", true }, { "a.tga", true }, { "a.png", true }, { "a.jpg", true },
        { "a.JPEG", true }, { "a.jpg.zlib", true }, { "a.jpeg.zlib", true }, { "a.pvr", true }, { "a.pvr.zlib", false },
        { "a.zlib", false }, { "a.gif", false }, { "a", false }, { "a.ogv", false } };
    for (const Case& c : cases) {
        KaCaptureStdout capture;
        EXPECT_EQ(KaImage::isExtensionSupported(KaPath(c.path)), c.supported) << c.path;
        const std::string text = capture.text();
        if (std::string(c.path) == "a.bmp")
            EXPECT_EQ(text,
                "[KaImage::isExtensionSupported] Le format BMP est deprecated, l'image risque d'etre a l'envers\n");
        else
            EXPECT_EQ(text, "") << c.path;
    }
}

TEST_F(KaImageLoadTest, SaveWritesAPngThatLoadsBack)
{
    const KaTestPicture picture = KaMakeTestPicture(5, 3, RGB888, 6);
    KaImage image;
    storePicture(image, picture, 3, 3);
    const std::string path = mDir.file("out.png");
    ASSERT_TRUE(image.save(KaString(path.c_str()), KaImage::PNG));
    KaImage back;
    ASSERT_TRUE(back.load(KaPath(path.c_str())));
    for (unsigned int r = 0; r < 3; ++r)
        EXPECT_EQ(std::memcmp(back.row(r), image.row(r), picture.rowBytes()), 0) << r;
    EXPECT_FALSE(image.save(KaString(path.c_str()), static_cast<KaImage::ImageType>(1)));
}

TEST_F(KaImageLoadTest, TheResourceManagerSharesLoadedImages)
{
    const std::string path = writeFile("shared.png", KaWritePng(KaMakeTestPicture(2, 2, RGBA8888)));
    KaIntrusivePtr<KaImage> first = resourceManager.get()->getResource<KaImage>(KaPath(path.c_str()));
    ASSERT_TRUE(first.get() != nullptr);
    EXPECT_EQ(first->format(), RGBA8888);
    KaIntrusivePtr<KaImage> second = resourceManager.get()->getResource<KaImage>(KaPath(path.c_str()));
    EXPECT_EQ(first.get(), second.get());
}
