#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/KaYuvToRgb.h"

namespace {

struct Rgb {
    double r, g, b;
};

// BT.601 video range, clamped; luma held at 240 above it, as the table does.
Rgb referenceRgb(int y, int u, int v)
{
    const double luma = 1.164 * (std::min(y, 240) - 16);
    auto clamp = [](double x) { return std::min(255.0, std::max(0.0, x)); };
    return { clamp(luma + 1.596 * (v - 128)), clamp(luma - 0.391 * (u - 128) - 0.813 * (v - 128)),
        clamp(luma + 2.018 * (u - 128)) };
}

long floorDiv256(long n) { return n >= 0 ? n / 256 : -((-n + 255) / 256); }

int referenceLuma(int y, int v, bool fullRange)
{
    if (fullRange)
        return y;
    const long value = floorDiv256(298L * y - 4640) + floorDiv256(409L * v - 52352);
    return static_cast<int>(std::min(255L, std::max(0L, value)));
}

// Planes of a w x h picture, each row followed by a few spare bytes so that a
// stride mistake reads the wrong sample.
struct Planes {
    int width, height, yStride, uvStride;
    std::vector<uint8_t> y, u, v;

    Planes(int w, int h)
        : width(w)
        , height(h)
        , yStride(w + 3)
        , uvStride((w + 1) / 2 + 5)
        , y(static_cast<size_t>(yStride) * h, 0xEE)
        , u(static_cast<size_t>(uvStride) * ((h + 1) / 2), 0xEE)
        , v(static_cast<size_t>(uvStride) * ((h + 1) / 2), 0xEE)
    {
    }
    uint8_t& Y(int c, int r) { return y[static_cast<size_t>(r) * yStride + c]; }
    uint8_t& U(int c, int r) { return u[static_cast<size_t>(r / 2) * uvStride + c / 2]; }
    uint8_t& V(int c, int r) { return v[static_cast<size_t>(r / 2) * uvStride + c / 2]; }

    // Distinct samples everywhere, inside the video range.
    void fillPattern()
    {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                Y(c, r) = static_cast<uint8_t>(16 + (c * 37 + r * 71) % 220);
                U(c, r) = static_cast<uint8_t>(16 + (c * 53 + r * 29 + 11) % 225);
                V(c, r) = static_cast<uint8_t>(16 + (c * 17 + r * 97 + 101) % 225);
            }
    }
};

// Converts with either converter into rows of `bytes` bytes a pixel, spare
// bytes after each row left at a sentinel.
std::vector<uint8_t> convert(Planes& p, int bytes, int destinationStride)
{
    std::vector<uint8_t> out(static_cast<size_t>(destinationStride) * p.height, 0xA5);
    if (bytes == 3)
        yuv420_2_rgb888(out.data(), p.y.data(), p.u.data(), p.v.data(), p.width, p.height, p.yStride, p.uvStride,
            destinationStride);
    else
        yuv420_2_rgb8888(reinterpret_cast<uint32_t*>(out.data()), p.y.data(), p.u.data(), p.v.data(), p.width,
            p.height, p.yStride, p.uvStride, destinationStride);
    return out;
}

} // namespace

TEST(KaYuvToRgbTest, TableHoldsTheKnownRows)
{
    EXPECT_EQ(yuv2bgr565_table[16], 0x80000000u);
    EXPECT_EQ(yuv2bgr565_table[235], 0xBFC7F8FFu);
    EXPECT_EQ(yuv2bgr565_table[256 + 128], 0x00100000u);
    EXPECT_EQ(yuv2bgr565_table[512 + 128], 0x00000200u);
    for (int y = 241; y < 256; ++y)
        EXPECT_EQ(yuv2bgr565_table[y], yuv2bgr565_table[240]) << y;
}

// The colours that matter most on screen, through both converters.
TEST(KaYuvToRgbTest, KnownColoursWithinOneLevel)
{
    struct Case {
        int y, u, v;
        int r, g, b;
    };
    const Case cases[] = {
        { 16, 128, 128, 0, 0, 0 }, // black
        { 235, 128, 128, 255, 255, 255 }, // white
        { 128, 128, 128, 130, 130, 130 }, // mid grey
        { 128, 0, 255, 255, 76, 0 }, // red, green and blue saturate or clamp
        { 128, 255, 0, 0, 186, 255 },
        { 81, 90, 240, 254, 0, 0 }, // pure red of the video range
        { 145, 54, 34, 0, 255, 0 }, // pure green
        { 41, 240, 110, 0, 0, 255 }, // pure blue
        { 210, 16, 146, 255, 255, 0 }, // yellow
        { 100, 100, 160, 149, 83, 41 },
    };
    for (const Case& c : cases) {
        for (int bytes : { 3, 4 }) {
            Planes p(2, 2);
            for (int r = 0; r < 2; ++r)
                for (int col = 0; col < 2; ++col)
                    p.Y(col, r) = static_cast<uint8_t>(c.y);
            p.U(0, 0) = static_cast<uint8_t>(c.u);
            p.V(0, 0) = static_cast<uint8_t>(c.v);
            const std::vector<uint8_t> out = convert(p, bytes, 2 * bytes);
            const Rgb ref = referenceRgb(c.y, c.u, c.v);
            for (int pixel = 0; pixel < 4; ++pixel) {
                const uint8_t* o = out.data() + pixel * bytes;
                const int expected[3] = { c.r, c.g, c.b };
                const double exact[3] = { ref.r, ref.g, ref.b };
                for (int ch = 0; ch < 3; ++ch) {
                    EXPECT_LE(std::abs(o[ch] - expected[ch]), 1)
                        << "YUV " << c.y << "," << c.u << "," << c.v << " channel " << ch << " (" << bytes << " bytes)";
                    EXPECT_LE(std::fabs(o[ch] - exact[ch]), 1.0)
                        << "YUV " << c.y << "," << c.u << "," << c.v << " channel " << ch << " (" << bytes << " bytes)";
                }
                if (bytes == 4) {
                    EXPECT_EQ(o[3], 0);
                }
            }
        }
    }
}

// Every Y, U and V value: the nominal range within the table's rounding (the
// green channel adds three rounded terms), and values outside it, where a
// lane of the packed sum can leave the range its saturation step judges,
// still clamped to the right end instead of wrapping around.
TEST(KaYuvToRgbTest, EveryInputClampsToTheFormula)
{
    // The formula's terms, once per sample value.
    double luma[256], redV[256], greenU[256], greenV[256], blueU[256];
    for (int i = 0; i < 256; ++i) {
        luma[i] = 1.164 * (std::min(i, 240) - 16);
        redV[i] = 1.596 * (i - 128);
        greenU[i] = -0.391 * (i - 128);
        greenV[i] = -0.813 * (i - 128);
        blueU[i] = 2.018 * (i - 128);
    }
    auto clamp = [](double x) { return std::min(255.0, std::max(0.0, x)); };

    // Every Y and U (the blue lane, which adds the two widest terms, is the
    // one that can leave the window), V in steps of 5 and both its ends.
    std::vector<int> vs;
    for (int v = 0; v < 255; v += 5)
        vs.push_back(v);
    vs.push_back(255);
    const int rows = static_cast<int>(vs.size()) * 2;

    // One picture per group of four Y values: chroma sample (column, row) =
    // (U, V), its 2 x 2 luma block = four Y values.
    Planes p(512, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 512; ++c) {
            p.U(c, r) = static_cast<uint8_t>(c / 2);
            p.V(c, r) = static_cast<uint8_t>(vs[static_cast<size_t>(r / 2)]);
        }
    double worstNominal = 0.0;
    double worst = 0.0;
    for (int group = 0; group < 64; ++group) {
        const int ys[4] = { group, group + 64, group + 128, group + 192 };
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 512; ++c)
                p.Y(c, r) = static_cast<uint8_t>(ys[(r & 1) * 2 + (c & 1)]);
        const std::vector<uint8_t> out = convert(p, 3, 512 * 3);
        const uint8_t* o = out.data();
        for (int r = 0; r < rows; ++r) {
            const int v = vs[static_cast<size_t>(r / 2)];
            for (int c = 0; c < 512; ++c, o += 3) {
                const int y = ys[(r & 1) * 2 + (c & 1)];
                const int u = c / 2;
                const double red = clamp(luma[y] + redV[v]);
                const double green = clamp(luma[y] + greenU[u] + greenV[v]);
                const double blue = clamp(luma[y] + blueU[u]);
                const double d = std::max({ std::fabs(o[0] - red), std::fabs(o[1] - green), std::fabs(o[2] - blue) });
                if (d <= worst)
                    continue;
                worst = d;
                if (y >= 16 && y <= 235 && u >= 16 && u <= 240 && v >= 16 && v <= 240)
                    worstNominal = std::max(worstNominal, d);
                ASSERT_LE(d, 1.5) << "YUV " << y << "," << u << "," << v << ": " << int(o[0]) << "," << int(o[1])
                                  << "," << int(o[2]) << " expected " << red << "," << green << "," << blue;
            }
        }
    }
    EXPECT_LE(worstNominal, 1.5);
    EXPECT_GT(worst, 0.0);
}

// Odd sizes take the single-pixel column and the lone last row; each pixel
// must use the chroma sample of its own 2 x 2 block, the rows must follow the
// strides, and nothing past a row's last pixel may be written.
TEST(KaYuvToRgbTest, EveryPixelOfOddAndEvenSizes)
{
    struct Size {
        int w, h;
    };
    for (Size size : { Size { 5, 3 }, Size { 1, 1 }, Size { 3, 1 }, Size { 1, 4 }, Size { 6, 4 }, Size { 7, 6 } }) {
        for (int bytes : { 3, 4 }) {
            Planes p(size.w, size.h);
            p.fillPattern();
            const int destinationStride = size.w * bytes + 5;
            const std::vector<uint8_t> out = convert(p, bytes, destinationStride);
            for (int r = 0; r < size.h; ++r) {
                for (int c = 0; c < size.w; ++c) {
                    const Rgb ref = referenceRgb(p.Y(c, r), p.U(c, r), p.V(c, r));
                    const uint8_t* o = out.data() + static_cast<size_t>(r) * destinationStride + c * bytes;
                    EXPECT_LE(std::fabs(o[0] - ref.r), 1.5) << size.w << "x" << size.h << " at " << c << "," << r;
                    EXPECT_LE(std::fabs(o[1] - ref.g), 1.5) << size.w << "x" << size.h << " at " << c << "," << r;
                    EXPECT_LE(std::fabs(o[2] - ref.b), 1.5) << size.w << "x" << size.h << " at " << c << "," << r;
                    if (bytes == 4) {
                        EXPECT_EQ(o[3], 0) << size.w << "x" << size.h << " at " << c << "," << r;
                    }
                }
                for (int spare = size.w * bytes; spare < destinationStride; ++spare)
                    EXPECT_EQ(out[static_cast<size_t>(r) * destinationStride + spare], 0xA5)
                        << size.w << "x" << size.h << " row " << r << " spare byte " << spare;
            }
        }
    }
}

// A decoder that keeps its frames bottom-up hands the top row with negative
// strides; the converter must walk them the same way.
TEST(KaYuvToRgbTest, NegativeStridesReadUpwards)
{
    Planes p(4, 4);
    p.fillPattern();
    const std::vector<uint8_t> expected = convert(p, 3, 12);

    // The same picture stored bottom row first.
    std::vector<uint8_t> y(p.y.size()), u(p.u.size()), v(p.v.size());
    for (int r = 0; r < 4; ++r)
        std::memcpy(&y[static_cast<size_t>(3 - r) * p.yStride], &p.y[static_cast<size_t>(r) * p.yStride], p.yStride);
    for (int r = 0; r < 2; ++r) {
        std::memcpy(&u[static_cast<size_t>(1 - r) * p.uvStride], &p.u[static_cast<size_t>(r) * p.uvStride], p.uvStride);
        std::memcpy(&v[static_cast<size_t>(1 - r) * p.uvStride], &p.v[static_cast<size_t>(r) * p.uvStride], p.uvStride);
    }
    std::vector<uint8_t> out(expected.size(), 0);
    yuv420_2_rgb888(out.data(), &y[static_cast<size_t>(3) * p.yStride], &u[static_cast<size_t>(p.uvStride)],
        &v[static_cast<size_t>(p.uvStride)], 4, 4, -p.yStride, -p.uvStride, 12);
    EXPECT_EQ(out, expected);
}

TEST(KaYuvToRgbTest, NothingWrittenForAnEmptyPicture)
{
    Planes p(2, 2);
    p.fillPattern();
    std::vector<uint8_t> out(16, 0xA5);
    yuv420_2_rgb888(out.data(), p.y.data(), p.u.data(), p.v.data(), 0, 2, p.yStride, p.uvStride, 6);
    yuv420_2_rgb8888(reinterpret_cast<uint32_t*>(out.data()), p.y.data(), p.u.data(), p.v.data(), 2, -1, p.yStride,
        p.uvStride, 8);
    yuv420_2_luma8(out.data(), 1, p.y.data(), p.v.data(), -3, 2, p.yStride, p.uvStride, 2, false);
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0xA5));
}

// The alpha pass writes byte 3 of every pixel, the odd last column included,
// and leaves the colour bytes alone; the grey pass writes every byte.
TEST(KaYuvToRgbTest, LumaPassWritesEveryColumnAndOnlyItsByte)
{
    struct Size {
        int w, h;
    };
    for (Size size : { Size { 5, 3 }, Size { 1, 1 }, Size { 4, 2 } }) {
        for (bool fullRange : { false, true }) {
            Planes p(size.w, size.h);
            p.fillPattern();
            // Include the extremes, where the limited-range value clamps.
            p.Y(0, 0) = 0;
            p.Y(size.w - 1, size.h - 1) = 255;

            const int rgbaStride = size.w * 4 + 4;
            std::vector<uint8_t> rgba(static_cast<size_t>(rgbaStride) * size.h);
            for (size_t i = 0; i < rgba.size(); ++i)
                rgba[i] = static_cast<uint8_t>(i * 5 + 1);
            const std::vector<uint8_t> before = rgba;
            yuv420_2_luma8(rgba.data() + 3, 4, p.y.data(), p.v.data(), size.w, size.h, p.yStride, p.uvStride,
                rgbaStride, fullRange);

            const int greyStride = size.w + 2;
            std::vector<uint8_t> grey(static_cast<size_t>(greyStride) * size.h, 0xA5);
            yuv420_2_luma8(grey.data(), 1, p.y.data(), p.v.data(), size.w, size.h, p.yStride, p.uvStride, greyStride,
                fullRange);

            for (int r = 0; r < size.h; ++r) {
                for (int c = 0; c < size.w; ++c) {
                    const int expected = referenceLuma(p.Y(c, r), p.V(c, r), fullRange);
                    const size_t at = static_cast<size_t>(r) * rgbaStride + c * 4;
                    EXPECT_EQ(rgba[at + 3], expected) << size.w << "x" << size.h << " at " << c << "," << r;
                    EXPECT_EQ(yuv420LumaValue(p.Y(c, r), p.V(c, r), fullRange), expected);
                    for (int k = 0; k < 3; ++k)
                        EXPECT_EQ(rgba[at + k], before[at + k]) << "colour byte " << k << " at " << c << "," << r;
                    EXPECT_EQ(grey[static_cast<size_t>(r) * greyStride + c], expected);
                }
                for (int k = size.w * 4; k < rgbaStride; ++k)
                    EXPECT_EQ(rgba[static_cast<size_t>(r) * rgbaStride + k],
                        before[static_cast<size_t>(r) * rgbaStride + k]);
                for (int k = size.w; k < greyStride; ++k)
                    EXPECT_EQ(grey[static_cast<size_t>(r) * greyStride + k], 0xA5);
            }
        }
    }
}

TEST(KaYuvToRgbTest, LimitedRangeLumaRuleAtItsEnds)
{
    struct Case {
        int y, v, value;
    };
    // Black and white of the video range with neutral chroma, and the clamps.
    const Case cases[] = { { 16, 128, 0 }, { 235, 128, 255 }, { 128, 128, 130 }, { 0, 0, 0 }, { 255, 255, 255 },
        { 235, 240, 255 } };
    for (const Case& c : cases)
        EXPECT_EQ(yuv420LumaValue(static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.v), false), c.value)
            << c.y << "," << c.v;
}
