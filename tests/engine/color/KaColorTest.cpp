#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include <tinyxml.h>

#include "engine/core/KaStream.h"
#include "engine/color/KaColor.h"

static std::ostream& operator<<(std::ostream& out, const KaColor& c)
{
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

namespace {

KaColor rgba(int r, int g, int b, int a)
{
    return KaColor(static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b),
        static_cast<unsigned char>(a));
}

} // namespace

TEST(KaColorTest, ConstructorsUnpackTheirWords)
{
    EXPECT_EQ(KaColor(), rgba(0, 0, 0, 255));
    EXPECT_EQ(KaColor(0x11223344u), rgba(0x11, 0x22, 0x33, 0x44));
    // Five bits per channel kept at the top, alpha 0 (not opaque).
    EXPECT_EQ(KaColor(static_cast<unsigned short>(0x7FFF)), rgba(248, 248, 248, 0));
    EXPECT_EQ(KaColor(static_cast<unsigned short>(0x7C00)), rgba(248, 0, 0, 0));
    EXPECT_EQ(KaColor(static_cast<unsigned short>(0x001F)), rgba(0, 0, 248, 0));
}

TEST(KaColorTest, PackingOrders)
{
    struct Case {
        int r, g, b;
        unsigned short packed, rgb15, rgb16;
    };
    const Case cases[] = {
        { 255, 0, 0, 0x7C00, 0x001F, 0x001F },
        { 0, 255, 0, 0x03E0, 0x03E0, 0x07E0 },
        { 0, 0, 255, 0x001F, 0x7C00, 0xF800 },
        { 7, 3, 7, 0x0000, 0x0000, 0x0000 },
        { 255, 255, 255, 0x7FFF, 0x7FFF, 0xFFFF },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        const unsigned char r = static_cast<unsigned char>(c.r), g = static_cast<unsigned char>(c.g),
                            b = static_cast<unsigned char>(c.b);
        EXPECT_EQ(KaColor(r, g, b, 0).getPacked(), c.packed);
        EXPECT_EQ(KaColor::rgb24to15(r, g, b), c.rgb15);
        EXPECT_EQ(KaColor::rgb24to16(r, g, b), c.rgb16);
        EXPECT_EQ(KaColor::rgb32to16(r, g, b, 255), c.rgb15) << "alpha must not reach bit 15";
    }
    // Alpha and the low three bits do not take part: the mesh optimiser
    // merges such vertices.
    EXPECT_EQ(rgba(200, 100, 50, 0).getPacked(), rgba(207, 103, 55, 255).getPacked());
}

TEST(KaColorTest, GetPackedInvertsTheFifteenBitConstructor)
{
    for (unsigned int word = 0; word < 0x8000; ++word)
        ASSERT_EQ(KaColor(static_cast<unsigned short>(word)).getPacked(), word);
}

TEST(KaColorTest, ArithmeticKeepsTheLowEightBits)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        KaColor result;
        KaColor expected;
    };
    const Case cases[] = {
        { "sum wraps", rgba(10, 20, 30, 40) + rgba(250, 250, 250, 250), rgba(4, 14, 24, 34) },
        { "200 + 100", rgba(200, 0, 0, 200) + rgba(100, 0, 0, 100), rgba(44, 0, 0, 44) },
        { "product", rgba(255, 128, 0, 255) * rgba(128, 128, 128, 255), rgba(128, 64, 0, 255) },
        { "white is neutral", rgba(255, 255, 255, 255) * rgba(12, 34, 56, 78), rgba(12, 34, 56, 78) },
        { "black absorbs", rgba(0, 0, 0, 0) * rgba(12, 34, 56, 78), rgba(0, 0, 0, 0) },
        { "times 1.5 wraps", rgba(200, 100, 0, 255) * 1.5f, rgba(44, 150, 0, 126) },
        { "times 0.5 truncates", rgba(255, 3, 1, 255) * 0.5f, rgba(127, 1, 0, 127) },
        // -255 as a 32-bit integer is 0xFFFFFF01; -1.5 truncates toward zero to -1.
        { "negative factor", rgba(255, 3, 0, 0) * -1.0f, rgba(1, 253, 0, 0) },
        { "toward zero", rgba(3, 0, 0, 0) * -0.5f, rgba(255, 0, 0, 0) },
        { "divided", rgba(200, 100, 1, 255) / 0.5f, rgba(144, 200, 2, 254) },
        { "divided by 3", rgba(200, 100, 1, 255) / 3.0f, rgba(66, 33, 0, 85) },
        // Beyond 32 bits (and NaN) there is no integer: 0, with no undefined conversion.
        { "huge factor", rgba(255, 1, 0, 0) * 1e20f, rgba(0, 0, 0, 0) },
        { "infinite factor", rgba(255, 1, 0, 0) * inf, rgba(0, 0, 0, 0) },
        { "division by zero", rgba(255, 1, 0, 0) / 0.0f, rgba(0, 0, 0, 0) },
        { "colour division", rgba(128, 64, 0, 10) / rgba(255, 128, 0, 5), rgba(128, 127, 0, 255) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_TRUE(rgba(1, 2, 3, 4) != rgba(1, 2, 3, 5));
    EXPECT_FALSE(rgba(1, 2, 3, 4) != rgba(1, 2, 3, 4));
}

TEST(KaColorTest, ProductMatchesTheSinglePrecisionFormulaForEveryPair)
{
    // Stored colours were made with x / 255 * y / 255 * 255 in floats: the
    // product must give the same bytes for all 8-bit inputs.
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            const float f = static_cast<float>(x) / 255.0f * static_cast<float>(y) / 255.0f * 255.0f;
            const KaColor product = rgba(x, 0, 0, 0) * rgba(y, 0, 0, 0);
            ASSERT_EQ(product.r, static_cast<int>(f)) << x << " * " << y;
        }
    }
}

TEST(KaColorTest, LinearInterpolationTruncatesEachTerm)
{
    const KaColor black = rgba(0, 0, 0, 255);
    const KaColor white = rgba(255, 255, 255, 255);
    EXPECT_EQ(linearInterpolation(black, white, 0.5f), rgba(127, 127, 127, 254));
    EXPECT_EQ(linearInterpolation(black, white, 0.0f), black);
    EXPECT_EQ(linearInterpolation(black, white, 1.0f), white);
    EXPECT_EQ(linearInterpolation(rgba(10, 20, 30, 40), rgba(10, 20, 30, 40), 1.0f), rgba(10, 20, 30, 40));
}

TEST(KaColorTest, StreamRecordIsFourRawBytesInBothModes)
{
    for (KaStream::Mode mode : { KaStream::Binary, KaStream::Text }) {
        SCOPED_TRACE(mode);
        KaStream stream;
        stream.setMode(mode);
        ASSERT_TRUE(KaColor::serialize(stream, rgba(1, 2, 250, 255)));
        ASSERT_EQ(stream.bufferLength(), 4u);
        EXPECT_EQ(stream.data()[0], 1);
        EXPECT_EQ(stream.data()[2], 250);
        stream.seek(0);
        KaColor back(0x00000000u);
        EXPECT_TRUE(KaColor::deserialize(stream, back));
        EXPECT_EQ(back, rgba(1, 2, 250, 255));
    }
}

TEST(KaColorTest, ShortStreamIsReported)
{
    KaStream stream;
    stream.write(static_cast<unsigned char>(9));
    stream.write(static_cast<unsigned char>(8));
    stream.seek(0);
    KaColor color = rgba(1, 1, 1, 1);
    EXPECT_FALSE(KaColor::deserialize(stream, color));
    EXPECT_EQ(color, rgba(9, 8, 1, 1));
}

TEST(KaColorTest, XmlText)
{
    struct Case {
        const char* xml;
        KaColor expected;
    };
    const KaColor before = rgba(1, 2, 3, 4);
    const Case cases[] = {
        { "<c>10,20,30,255</c>", rgba(10, 20, 30, 255) },
        { "<c>300,-1,256,0</c>", rgba(44, 255, 0, 0) },
        { "<c>7,8</c>", rgba(7, 8, 3, 4) },
        { "<c>junk</c>", before },
        { "<c/>", before },
    };
    for (const Case& c : cases) {
        TiXmlDocument document;
        document.Parse(c.xml);
        ASSERT_FALSE(document.Error()) << c.xml;
        KaColor color = before;
        EXPECT_TRUE(KaColor::deserialize(document.RootElement(), color));
        EXPECT_EQ(color, c.expected) << c.xml;
    }
    KaColor untouched = before;
    EXPECT_FALSE(KaColor::deserialize(static_cast<const TiXmlElement*>(nullptr), untouched));
    EXPECT_EQ(untouched, before);
}
