#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaBmp.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTga.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaBmpTgaTest : public ::testing::Test {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteTestFile(path, bytes));
        return path;
    }

    KaTempDir mDir;
};

std::string bytesOf(std::initializer_list<unsigned char> values)
{
    return std::string(values.begin(), values.end());
}

unsigned int word(const unsigned char* p) { return p[0] | p[1] << 8; }

// A test picture of 16-bit words reduced to what a 5-bit-a-channel file can
// carry: RGB565 words whose green went through 5 bits (its low bit then
// repeats its top bit), or RGB555 words without the unused top bit.
KaTestPicture fiveBitPicture(unsigned int width, unsigned int height, KaImageFormat format)
{
    KaTestPicture picture = KaMakeTestPicture(width, height, format, 8);
    for (size_t i = 0; i + 1 < picture.pixels.size(); i += 2) {
        unsigned int value = word(&picture.pixels[i]);
        if (format == RGB565) {
            const unsigned int green5 = (value >> 6) & 31;
            value = (value & 31) | ((green5 << 1) | (green5 >> 4)) << 5 | (value & 0xF800);
        } else {
            value &= 0x7FFF;
        }
        picture.pixels[i] = static_cast<unsigned char>(value);
        picture.pixels[i + 1] = static_cast<unsigned char>(value >> 8);
    }
    return picture;
}

// How BMP files store a pixel of each engine format.
std::string bmpPixel(KaImageFormat format, const unsigned char* p)
{
    switch (format) {
    case PALETTE8:
        return bytesOf({ p[0] });
    case RGB565: {
        // x1r5g5b5
        const unsigned int value = word(p);
        const unsigned int stored = ((value >> 11) & 31) | ((value >> 6) & 31) << 5 | (value & 31) << 10;
        return bytesOf({ static_cast<unsigned char>(stored), static_cast<unsigned char>(stored >> 8) });
    }
    case RGB888:
        return bytesOf({ p[2], p[1], p[0] });
    default:
        return bytesOf({ p[2], p[1], p[0], p[3] });
    }
}

// How TGA files store a pixel of each engine format.
std::string tgaPixel(KaImageFormat format, const unsigned char* p)
{
    switch (format) {
    case PALETTE8:
        return bytesOf({ p[0] });
    case RGB555: {
        // a1r5g5b5, the attribute bit set: the engine's words have no use for it.
        const unsigned int value = word(p);
        const unsigned int stored = ((value >> 10) & 31) | (value & (31 << 5)) | (value & 31) << 10 | 0x8000;
        return bytesOf({ static_cast<unsigned char>(stored), static_cast<unsigned char>(stored >> 8) });
    }
    case RGB888:
        return bytesOf({ p[2], p[1], p[0] });
    default:
        return bytesOf({ p[2], p[1], p[0], p[3] });
    }
}

KaTestPicture pictureFor(KaImageFormat format, unsigned int width, unsigned int height)
{
    if (format == RGB565 || format == RGB555)
        return fiveBitPicture(width, height, format);
    return KaMakeTestPicture(width, height, format, width + height);
}

std::string bmpOf(const KaTestPicture& picture, const KaBmpLayout& layout)
{
    return KaBmpFile(layout, picture.width, picture.height,
        KaStoredRows(picture, [&](const unsigned char* p) { return bmpPixel(picture.format, p); }));
}

std::string tgaOf(const KaTestPicture& picture, const KaTgaLayout& layout)
{
    return KaTgaFile(layout, picture.width, picture.height,
        KaStoredRows(picture, [&](const unsigned char* p) { return tgaPixel(picture.format, p); }));
}

KaBmpLayout bmpLayout(unsigned int bits, unsigned int headerSize = 40, bool topDown = false)
{
    KaBmpLayout layout;
    layout.bitsPerPixel = bits;
    layout.headerSize = headerSize;
    layout.topDown = topDown;
    layout.paletteEntries = bits <= 8 ? 1u << bits : 0;
    return layout;
}

KaImageFormat bmpFormat(unsigned int bits)
{
    switch (bits) {
    case 8:
        return PALETTE8;
    case 16:
        return RGB565;
    case 24:
        return RGB888;
    default:
        return RGBA8888;
    }
}

} // namespace

// --- BMP ---------------------------------------------------------------------

// Widths whose rows need padding to 4 bytes at every depth, bottom-up and
// top-down files, every header size, every buffer layout: the rows land at
// the buffer stride in the image's order and in RGB order.
TEST_F(KaBmpTgaTest, BmpDecodesEveryDepthAndHeaderIntoEveryLayout)
{
    struct Case {
        unsigned int bits;
        unsigned int headerSize;
        bool topDown;
        unsigned int width;
        unsigned int height;
    };
    const Case cases[] = {
        { 8, 40, false, 5, 3 },
        { 8, 40, true, 3, 4 },
        { 8, 12, false, 6, 2 },
        { 16, 40, false, 3, 3 },
        { 16, 124, true, 1, 2 },
        { 24, 40, false, 3, 2 },
        { 24, 40, true, 5, 5 },
        { 24, 12, false, 7, 3 },
        { 24, 108, false, 2, 2 },
        { 24, 240, false, 1, 1 },
        { 32, 40, false, 3, 2 },
        { 32, 124, true, 4, 3 },
    };
    for (const Case& test : cases) {
        const KaTestPicture picture = pictureFor(bmpFormat(test.bits), test.width, test.height);
        const std::string path
            = writeFile("picture.bmp", bmpOf(picture, bmpLayout(test.bits, test.headerSize, test.topDown)));
        for (const KaPaddedDecodeCase& layout : KaPaddedDecodeCases()) {
            SCOPED_TRACE(::testing::Message() << test.bits << " bits, header " << test.headerSize
                                              << (test.topDown ? ", top-down " : ", bottom-up ") << test.width
                                              << " x " << test.height << ", " << layout);
            // One load is good for one decode.
            KaBmp codec;
            ASSERT_TRUE(codec.load(KaPath(path.c_str())));
            EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, layout));
        }
    }
}

TEST_F(KaBmpTgaTest, BmpPaletteForEightBitsOrFewerOnly)
{
    struct Case {
        unsigned int bits;
        unsigned int headerSize;
        unsigned int compression;
        unsigned int entriesStored;
        unsigned int paletteSize;
    };
    const Case cases[] = {
        { 8, 40, 0, 256, 256 },
        // Fewer entries than 2^bits: only those lying before the pixels.
        { 8, 40, 0, 16, 16 },
        { 8, 12, 0, 256, 256 },
        { 4, 40, 0, 16, 16 },
        { 1, 40, 0, 2, 2 },
        { 24, 40, 0, 0, 0 },
        // Bit fields and 16 or 32 bits: no palette of 2^16 or 2^32 entries.
        { 16, 40, 3, 0, 0 },
        { 32, 40, 3, 0, 0 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(::testing::Message() << test.bits << " bits, header " << test.headerSize << ", "
                                          << test.entriesStored << " entries");
        KaBmpLayout layout = bmpLayout(test.bits, test.headerSize);
        layout.compression = test.compression;
        layout.paletteEntries = test.entriesStored;
        const unsigned int storedBytes = (test.bits * 4 + 31) / 32 * 4;
        const std::string file
            = KaBmpFile(layout, 4, 2, std::vector<std::string>(2, std::string(storedBytes, '\x01')));
        KaStream stream;
        KaFillStream(stream, file);
        KaBmp codec;
        ASSERT_TRUE(codec.load(stream));
        EXPECT_EQ(codec.paletteSize(), test.paletteSize);
        for (unsigned int i = 0; i < test.paletteSize; ++i) {
            unsigned char entry[4];
            KaTestPaletteEntry(i, entry);
            const KaColor colour = codec.palette().getColor(static_cast<unsigned char>(i));
            ASSERT_EQ(colour, KaColor(entry[2], entry[1], entry[0], 255)) << "entry " << i;
        }
    }
}

TEST_F(KaBmpTgaTest, BmpFormatsThatLoadButDoNotDecode)
{
    struct Case {
        unsigned int bits;
        unsigned int compression;
        const char* message;
    };
    const Case cases[] = {
        { 8, 1, "BI_RLE8 n'est pas géré.\n" },
        { 8, 2, "" },
        { 4, 2, "BI_RLE4 n'est pas géré.\n" },
        { 4, 0, "" },
        { 1, 0, "" },
        { 16, 3, "BI_BITFIELDS n'est pas géré.\n" },
        { 32, 3, "BI_BITFIELDS n'est pas géré.\n" },
        { 16, 1, "" },
        { 24, 1, "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(::testing::Message() << test.bits << " bits, compression " << test.compression);
        KaBmpLayout layout = bmpLayout(test.bits);
        layout.compression = test.compression;
        KaStream stream;
        KaFillStream(stream, KaBmpFile(layout, 2, 2, std::vector<std::string>(2, std::string(4, '\0'))));
        KaBmp codec;
        ASSERT_TRUE(codec.load(stream));
        EXPECT_EQ(codec.imageFormat(), NONE);
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(2, 2, noPalette, NONE));
        KaCaptureStdout output;
        EXPECT_FALSE(codec.update(0, image));
        EXPECT_EQ(output.text(), test.message);
    }
}

TEST_F(KaBmpTgaTest, BmpHeadersAreAcceptedOrRefused)
{
    const KaTestPicture picture = pictureFor(RGB888, 2, 2);
    struct Case {
        const char* name;
        std::string bytes;
        bool loads;
    };
    std::vector<Case> cases;
    for (const char* signature : { "BA", "BM", "CI", "CP", "IC", "PT" }) {
        KaBmpLayout layout = bmpLayout(24);
        layout.signature = signature;
        cases.push_back({ signature, bmpOf(picture, layout), true });
    }
    KaBmpLayout xy = bmpLayout(24);
    xy.signature = "XY";
    cases.push_back({ "signature XY", bmpOf(picture, xy), false });
    for (unsigned int headerSize : { 0u, 16u, 56u, 64u }) {
        std::string bytes = bmpOf(picture, bmpLayout(24, 40));
        bytes[14] = static_cast<char>(headerSize);
        cases.push_back({ "header size", bytes, false });
    }
    auto sized = [&](int width, int height) {
        KaByteWriter out;
        out.text("BM").u32(0).u32(0).u32(54).u32(40).s32(width).s32(height).u16(1).u16(24).u32(0);
        out.zeros(20).zeros(64);
        return out.str();
    };
    cases.push_back({ "width 0", sized(0, 2), false });
    cases.push_back({ "negative width", sized(-2, 2), false });
    cases.push_back({ "height 0", sized(2, 0), false });
    cases.push_back({ "lowest height", sized(2, INT32_MIN), false });
    cases.push_back({ "beyond any image", sized(100000, 100000), false });
    cases.push_back({ "beyond any image, top-down", sized(20000, -20000), false });

    for (const Case& test : cases) {
        KaStream stream;
        KaFillStream(stream, test.bytes);
        KaBmp codec;
        EXPECT_EQ(codec.load(stream), test.loads) << test.name;
        if (!test.loads) {
            EXPECT_EQ(codec.width(), 0u) << test.name;
            EXPECT_EQ(codec.imageFormat(), NONE) << test.name;
        }
    }

    KaBmp codec;
    EXPECT_FALSE(codec.load(KaPath(mDir.file("missing.bmp").c_str())));
}

TEST_F(KaBmpTgaTest, BmpCutAnywhereFailsTheLoadOrTheDecode)
{
    for (unsigned int bits : { 8u, 24u }) {
        const KaTestPicture picture = pictureFor(bmpFormat(bits), 3, 3);
        const std::string file = bmpOf(picture, bmpLayout(bits));
        for (size_t length = 0; length < file.size(); ++length) {
            KaStream stream;
            KaFillStream(stream, file.substr(0, length));
            KaBmp codec;
            if (!codec.load(stream))
                continue;
            KaImage image;
            KaIntrusivePtr<KaPalette> noPalette;
            ASSERT_TRUE(image.create(3, 3, noPalette, codec.imageFormat()));
            EXPECT_FALSE(codec.update(0, image)) << bits << " bits, cut at " << length;
        }
    }
}

TEST_F(KaBmpTgaTest, BmpFromAStreamCountsOffsetsFromWhereItStarts)
{
    const KaTestPicture picture = pictureFor(RGB888, 3, 2);
    KaStream stream;
    KaFillStream(stream, "some bytes before" + bmpOf(picture, bmpLayout(24)));
    ASSERT_TRUE(stream.seek(17));
    KaBmp codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 1, 1, false }));
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_TRUE(codec.isAtEnd());
    EXPECT_FALSE(codec.save(KaImage(), stream));
    EXPECT_TRUE(KaBmp::matchFormat(KaPath("x.BMP")));
    EXPECT_FALSE(KaBmp::matchFormat(KaPath("x.bmp.zlib")));
}

// --- TGA ---------------------------------------------------------------------

TEST_F(KaBmpTgaTest, TgaDecodesEveryDepthAndOriginIntoEveryLayout)
{
    struct Case {
        KaImageFormat format;
        unsigned char bits;
        bool topOrigin;
        unsigned char idLength;
        unsigned int width;
        unsigned int height;
    };
    const Case cases[] = {
        { RGB888, 24, false, 0, 3, 2 },
        { RGB888, 24, true, 9, 5, 3 },
        { RGBA8888, 32, false, 0, 2, 3 },
        { RGBA8888, 32, true, 0, 4, 1 },
        { RGB555, 16, false, 3, 3, 3 },
        { PALETTE8, 8, false, 0, 6, 2 },
        { PALETTE8, 8, true, 0, 1, 4 },
    };
    for (const Case& test : cases) {
        const KaTestPicture picture = pictureFor(test.format, test.width, test.height);
        KaTgaLayout layout;
        layout.bitsPerPixel = test.bits;
        layout.topOrigin = test.topOrigin;
        layout.idLength = test.idLength;
        if (test.format == PALETTE8) {
            layout.imageType = 1;
            layout.colourMapType = 1;
            layout.colourMapLength = 256;
            layout.colourMapEntrySize = 24;
        }
        const std::string path = writeFile("picture.tga", tgaOf(picture, layout));
        for (const KaPaddedDecodeCase& decode : KaPaddedDecodeCases()) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(test.bits) << " bits"
                                              << (test.topOrigin ? ", top origin " : ", bottom origin ")
                                              << test.width << " x " << test.height << ", " << decode);
            KaTga codec;
            ASSERT_TRUE(codec.load(KaPath(path.c_str())));
            EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, decode));
        }
    }
}

TEST_F(KaBmpTgaTest, TgaColourMapsOfEveryEntrySize)
{
    struct Case {
        unsigned char entrySize;
        unsigned int length;
        KaPalette::PlttFormat format;
    };
    const Case cases[] = {
        { 24, 12, KaPalette::PlttRgb24 },
        { 32, 256, KaPalette::PlttRgba32 },
        { 15, 40, KaPalette::PlttRgb15 },
        { 16, 40, KaPalette::PlttRgb16 },
        // Longer than a palette holds: the first 256 are kept, the rest skipped.
        { 24, 300, KaPalette::PlttRgb24 },
        { 16, 1000, KaPalette::PlttRgb16 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(::testing::Message() << test.length << " entries of " << static_cast<int>(test.entrySize)
                                          << " bits");
        const KaTestPicture picture = pictureFor(PALETTE8, 5, 3);
        KaTgaLayout layout;
        layout.imageType = 1;
        layout.bitsPerPixel = 8;
        layout.colourMapType = 1;
        layout.colourMapLength = test.length;
        layout.colourMapEntrySize = test.entrySize;
        KaStream stream;
        KaFillStream(stream, tgaOf(picture, layout));
        KaTga codec;
        ASSERT_TRUE(codec.load(stream));
        EXPECT_EQ(codec.imageFormat(), PALETTE8);
        EXPECT_EQ(codec.colourMapLength(), test.length);
        const KaPalette* palette = codec.palette();
        ASSERT_NE(palette, nullptr);
        EXPECT_EQ(palette->format(), test.format);
        for (unsigned int i = 0; i < std::min(test.length, 256u); ++i) {
            unsigned char entry[4];
            KaTestPaletteEntry(i, entry);
            const KaColor colour = palette->getColor(static_cast<unsigned char>(i));
            if (test.entrySize >= 24) {
                EXPECT_EQ(colour.r, entry[2]) << "entry " << i;
                EXPECT_EQ(colour.g, entry[1]) << "entry " << i;
                EXPECT_EQ(colour.b, entry[0]) << "entry " << i;
                EXPECT_EQ(colour.a, test.entrySize == 32 ? entry[3] : 255) << "entry " << i;
            } else {
                // Five bits a channel, red and blue where the palette keeps them.
                EXPECT_EQ(colour.r >> 3, entry[2] >> 3) << "entry " << i;
                EXPECT_EQ(colour.g >> 3, entry[1] >> 3) << "entry " << i;
                EXPECT_EQ(colour.b >> 3, entry[0] >> 3) << "entry " << i;
            }
        }
        // The pixels are read from after the whole map.
        EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 1, 1, false }));
    }
}

TEST_F(KaBmpTgaTest, TgaFormatsThatLoadButDoNotDecode)
{
    struct Case {
        const char* name;
        unsigned char imageType;
        unsigned char bits;
        unsigned char entrySize;
    };
    const Case cases[] = {
        { "run-length true colour", 10, 24, 0 },
        { "run-length colour-mapped", 9, 8, 24 },
        { "grey without a colour map", 3, 8, 0 },
        { "colour map of 8-bit entries", 1, 8, 8 },
        { "12 bits", 2, 12, 0 },
    };
    for (const Case& test : cases) {
        KaTgaLayout layout;
        layout.imageType = test.imageType;
        layout.bitsPerPixel = test.bits;
        layout.colourMapType = test.entrySize ? 1 : 0;
        layout.colourMapLength = test.entrySize ? 4 : 0;
        layout.colourMapEntrySize = test.entrySize;
        KaStream stream;
        KaFillStream(stream, KaTgaFile(layout, 2, 2, std::vector<std::string>(2, std::string(8, '\x02'))));
        KaTga codec;
        ASSERT_TRUE(codec.load(stream)) << test.name;
        EXPECT_EQ(codec.imageFormat(), NONE) << test.name;
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(2, 2, noPalette, NONE));
        EXPECT_FALSE(codec.update(0, image)) << test.name;
    }
}

TEST_F(KaBmpTgaTest, TgaMissingCutOrOversizedFilesFail)
{
    KaTga missing;
    EXPECT_FALSE(missing.load(KaPath(mDir.file("missing.tga").c_str())));

    KaByteWriter huge;
    huge.u8(0).u8(0).u8(2).zeros(9).u16(65535).u16(65535).u8(32).u8(0).zeros(64);
    KaStream hugeStream;
    KaFillStream(hugeStream, huge.str());
    KaTga oversized;
    EXPECT_FALSE(oversized.load(hugeStream));

    for (KaImageFormat format : { RGB888, PALETTE8 }) {
        const KaTestPicture picture = pictureFor(format, 3, 2);
        KaTgaLayout layout;
        layout.idLength = 4;
        if (format == PALETTE8) {
            layout.imageType = 1;
            layout.bitsPerPixel = 8;
            layout.colourMapType = 1;
            layout.colourMapLength = 300;
            layout.colourMapEntrySize = 24;
        }
        const std::string file = tgaOf(picture, layout);
        for (size_t length = 0; length < file.size(); ++length) {
            KaStream stream;
            KaFillStream(stream, file.substr(0, length));
            KaTga codec;
            if (!codec.load(stream))
                continue;
            KaImage image;
            KaIntrusivePtr<KaPalette> noPalette;
            ASSERT_TRUE(image.create(3, 2, noPalette, format));
            EXPECT_FALSE(codec.update(0, image)) << "format " << format << ", cut at " << length;
        }
    }
}

TEST_F(KaBmpTgaTest, TgaStillImageAnswersAndRepeatedDecodes)
{
    const KaTestPicture picture = pictureFor(RGBA8888, 2, 2);
    KaStream stream;
    KaFillStream(stream, "pre" + tgaOf(picture, KaTgaLayout { 2, 32, 0, 0, 0, 0, false }));
    ASSERT_TRUE(stream.seek(3));
    KaTga codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_EQ(codec.palette(), nullptr);
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 0, 0, false }));
    EXPECT_TRUE(KaCheckPaddedDecode(codec, picture, KaPaddedDecodeCase { 2, 2, true }));
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_TRUE(codec.isAtEnd());
    EXPECT_FALSE(codec.save(KaImage(), KaPath("x.tga")));
    EXPECT_TRUE(KaTga::matchFormat(KaPath("a/b.TGA")));
    EXPECT_FALSE(KaTga::matchFormat(KaPath("a/b.tgax")));
}

TEST_F(KaBmpTgaTest, ImageLoadReadsBmpAndTgaTheRightWayUp)
{
    const KaTestPicture bmpPicture = pictureFor(PALETTE8, 5, 3);
    const KaTestPicture tgaPicture = pictureFor(RGB888, 4, 3);
    KaTgaLayout topOrigin;
    topOrigin.topOrigin = true;
    struct Case {
        std::string name;
        std::string bytes;
        const KaTestPicture* picture;
    };
    const Case cases[] = {
        { "x.bmp", bmpOf(bmpPicture, bmpLayout(8)), &bmpPicture },
        { "top-down.BMP", bmpOf(bmpPicture, bmpLayout(8, 40, true)), &bmpPicture },
        { "x.tga", tgaOf(tgaPicture, KaTgaLayout()), &tgaPicture },
        { "top.tga", tgaOf(tgaPicture, topOrigin), &tgaPicture },
    };
    for (const Case& test : cases) {
        const std::string path = writeFile(test.name, test.bytes);
        KaImage image;
        ASSERT_TRUE(image.load(KaPath(path.c_str()))) << test.name;
        EXPECT_EQ(image.format(), test.picture->format) << test.name;
        EXPECT_FALSE(image.flipped()) << test.name;
        const unsigned int height = test.picture->height;
        for (unsigned int r = 0; r < height; ++r)
            EXPECT_EQ(std::memcmp(image.row(r), test.picture->topRow(height - 1 - r), test.picture->rowBytes()), 0)
                << test.name << " row " << r;
    }
}
