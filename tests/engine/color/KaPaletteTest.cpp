#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/color/KaPalette.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::vector<unsigned char> bytesOf(const KaPalette& palette)
{
    if (!palette.data())
        return {};
    return std::vector<unsigned char>(palette.data(), palette.data() + palette.getDataSize());
}

// A palette whose every entry differs, so a lost or shifted byte shows.
void fill(KaPalette& palette)
{
    for (int i = 0; i < 256; ++i)
        palette.setColor(static_cast<unsigned char>(i),
            KaColor(static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                static_cast<unsigned char>(i * 7), static_cast<unsigned char>(i ^ 0x5A)));
}

} // namespace

TEST(KaPaletteTest, SetColorWritesTheEntryInTheFormat)
{
    struct Case {
        KaPalette::PlttFormat format;
        unsigned char index;
        KaColor color;
        unsigned int offset;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        { KaPalette::PlttRgb15, 1, KaColor(255, 0, 0, 9), 2, { 0x1F, 0x00 } },
        { KaPalette::PlttRgb15, 255, KaColor(0, 0, 255, 9), 510, { 0x00, 0x7C } },
        { KaPalette::PlttRgb16, 3, KaColor(0, 0, 255, 9), 6, { 0x00, 0xF8 } },
        { KaPalette::PlttRgb16, 0, KaColor(0, 255, 0, 9), 0, { 0xE0, 0x07 } },
        { KaPalette::PlttRgb24, 5, KaColor(1, 2, 3, 4), 15, { 1, 2, 3 } },
        { KaPalette::PlttRgb24, 255, KaColor(1, 2, 3, 4), 765, { 1, 2, 3 } },
        { KaPalette::PlttRgba32, 5, KaColor(1, 2, 3, 4), 20, { 1, 2, 3, 4 } },
        { KaPalette::PlttRgba32, 255, KaColor(1, 2, 3, 4), 1020, { 1, 2, 3, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " index " << int(c.index));
        KaPalette palette;
        palette.create(c.format);
        palette.setColor(c.index, c.color);
        std::vector<unsigned char> expected(palette.getDataSize(), 0);
        for (size_t i = 0; i < c.bytes.size(); ++i)
            expected[c.offset + i] = c.bytes[i];
        EXPECT_EQ(bytesOf(palette), expected) << "a new block is zero, and only the entry changes";
    }
}

TEST(KaPaletteTest, GetColorDecodesTheEntry)
{
    struct Case {
        KaPalette::PlttFormat format;
        KaColor written;
        KaColor read;
    };
    const Case cases[] = {
        { KaPalette::PlttRgb15, KaColor(255, 130, 7, 9), KaColor(248, 128, 0, 255) },
        { KaPalette::PlttRgb16, KaColor(255, 130, 7, 9), KaColor(248, 128, 0, 255) },
        { KaPalette::PlttRgb16, KaColor(0, 6, 0, 9), KaColor(0, 4, 0, 255) },
        { KaPalette::PlttRgb24, KaColor(1, 2, 3, 4), KaColor(1, 2, 3, 255) },
        { KaPalette::PlttRgba32, KaColor(1, 2, 3, 4), KaColor(1, 2, 3, 4) },
    };
    for (const Case& c : cases) {
        KaPalette palette;
        palette.create(c.format);
        palette.setColor(77, c.written);
        EXPECT_EQ(palette.getColor(77), c.read) << "format " << c.format;
    }
}

TEST(KaPaletteTest, UnknownFormatOrReleasedBlockHasNoEntries)
{
    KaPalette none;
    EXPECT_EQ(none.getDataSize(), 0u);
    none.setColor(200, KaColor(1, 2, 3, 4));
    EXPECT_EQ(none.getColor(200), KaColor());

    KaPalette odd;
    odd.create(static_cast<KaPalette::PlttFormat>(7));
    EXPECT_EQ(odd.format(), 7u);
    EXPECT_EQ(odd.data(), nullptr);
    EXPECT_EQ(odd.getDataSize(), 0u);

    // create() releases the block but keeps the format and its size: every
    // access must still stay off the missing block.
    KaPalette released;
    released.create(KaPalette::PlttRgba32);
    released.create();
    EXPECT_EQ(released.data(), nullptr);
    EXPECT_EQ(released.getDataSize(), 1024u);
    released.setColor(255, KaColor(1, 2, 3, 4));
    EXPECT_EQ(released.getColor(255), KaColor());
    released.convertToBlackAndWhite();
    KaPalette copy(released);
    EXPECT_EQ(copy.data(), nullptr);
    KaStream stream;
    EXPECT_EQ(released.serialize(stream), 1028u) << "the record stays well formed";
    EXPECT_EQ(stream.bufferLength(), 1028u);
}

TEST(KaPaletteTest, CopyHasItsOwnEntries)
{
    KaPalette original;
    original.create(KaPalette::PlttRgb24);
    fill(original);
    KaPalette copy(original);
    EXPECT_EQ(copy.format(), KaPalette::PlttRgb24);
    EXPECT_EQ(bytesOf(copy), bytesOf(original));
    EXPECT_NE(copy.getAccessName(), original.getAccessName());
    copy.setColor(0, KaColor(9, 9, 9, 9));
    EXPECT_EQ(original.getColor(0), KaColor(0, 255, 0, 255));
}

TEST(KaPaletteTest, SerializedRecordRoundTrips)
{
    const KaPalette::PlttFormat formats[]
        = { KaPalette::PlttRgb15, KaPalette::PlttRgb16, KaPalette::PlttRgb24, KaPalette::PlttRgba32 };
    for (KaPalette::PlttFormat format : formats) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        KaPalette written;
        written.create(format);
        fill(written);
        KaStream stream;
        const unsigned long size = written.getDataSize();
        EXPECT_EQ(written.serialize(stream), size + 4);
        ASSERT_EQ(stream.bufferLength(), size + 4);
        EXPECT_EQ(stream.data()[0], size & 0xFF);
        EXPECT_EQ(stream.data()[1], size >> 8);

        stream.seek(0);
        KaPalette read;
        read.create(format);
        EXPECT_EQ(read.deSerialize(stream), size);
        EXPECT_EQ(bytesOf(read), bytesOf(written));
        EXPECT_TRUE(stream.isAtEnd());
    }

    KaPalette none;
    KaStream stream;
    EXPECT_EQ(none.serialize(stream), 4u);
    ASSERT_EQ(stream.bufferLength(), 4u);
    stream.seek(0);
    KaPalette other;
    EXPECT_EQ(other.deSerialize(stream), 0u);
    EXPECT_EQ(other.data(), nullptr);
}

TEST(KaPaletteTest, HostileRecordsAreRefusedAndKeepTheEntries)
{
    struct Case {
        const char* what;
        unsigned int size;
        unsigned long payload;
        unsigned long result;
        const char* message;
    };
    const Case cases[] = {
        { "four gigabytes announced", 0xFFFFFFFFu, 16, 0, "Wrong palette size 4294967295, 1024 expected" },
        { "one byte short of the format", 1023, 1023, 0, "Wrong palette size 1023, 1024 expected" },
        { "one byte over the format", 1025, 1025, 0, "Wrong palette size 1025, 1024 expected" },
        { "a 16-bit size", 512, 512, 0, "Wrong palette size 512, 1024 expected" },
        { "truncated entries", 1024, 10, 10, "The stream ends 10 bytes into a palette of 1024 bytes" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaStream stream;
        stream.write(c.size);
        for (unsigned long i = 0; i < c.payload; ++i)
            stream.write(static_cast<unsigned char>(0xEE));
        stream.seek(0);

        KaPalette palette;
        palette.create(KaPalette::PlttRgba32);
        fill(palette);
        const std::vector<unsigned char> before = bytesOf(palette);
        KaCaptureStdout capture;
        EXPECT_EQ(palette.deSerialize(stream), c.result);
        const std::string text = capture.text();
        EXPECT_NE(text.find("[KaPalette::deSerialize] "), std::string::npos) << text;
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(bytesOf(palette), before);
        EXPECT_EQ(palette.format(), KaPalette::PlttRgba32);
    }
}

TEST(KaPaletteTest, MissingSizeFieldIsReported)
{
    KaStream stream;
    stream.write(static_cast<unsigned short>(1024));
    stream.seek(0);
    KaPalette palette;
    palette.create(KaPalette::PlttRgb15);
    fill(palette);
    const std::vector<unsigned char> before = bytesOf(palette);
    KaCaptureStdout capture;
    EXPECT_EQ(palette.deSerialize(stream), 0u);
    EXPECT_EQ(capture.text(), "[KaPalette::deSerialize] Can't read the size of the palette.\n");
    EXPECT_EQ(bytesOf(palette), before);
}

TEST(KaPaletteTest, ConvertToBlackAndWhite)
{
    KaPalette palette;
    palette.create(KaPalette::PlttRgb15);
    // 0x7C00 decodes as red 248: grey 82, so 10 in each field.
    palette.data()[0] = 0x00;
    palette.data()[1] = 0x7C;
    palette.setColor(1, KaColor(255, 255, 255, 255));
    palette.convertToBlackAndWhite();
    EXPECT_EQ(palette.data()[0], 0x4A);
    EXPECT_EQ(palette.data()[1], 0x29);
    EXPECT_EQ(palette.data()[2], 0xFF);
    EXPECT_EQ(palette.data()[3], 0x7F);
    EXPECT_EQ(palette.data()[4], 0x00) << "black stays black";

    KaPalette rgb;
    rgb.create(KaPalette::PlttRgb24);
    fill(rgb);
    const std::vector<unsigned char> before = bytesOf(rgb);
    KaCaptureStdout capture;
    rgb.convertToBlackAndWhite();
    EXPECT_EQ(capture.text(), "KaPalette::convertToBlackAndWhite: unknown format\n");
    EXPECT_EQ(bytesOf(rgb), before);
}

TEST(KaPaletteTest, LoadAlwaysFails)
{
    KaPalette palette;
    EXPECT_FALSE(palette.load("anything.pal"));
}
