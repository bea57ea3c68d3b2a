#include "engine/graphics/KaYuvToRgb.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace {

// Floor division, so that negative contributions round the same way as
// positive ones (plain / truncates toward zero).
constexpr long floorDiv(long numerator, long denominator)
{
    return numerator >= 0 ? numerator / denominator : -((-numerator + denominator - 1) / denominator);
}

// round(factor / 1000 * value + offset / 1000), all in thousandths so that
// the table can be built at compile time.
constexpr long contribution(long factor, long value, long offset)
{
    return floorDiv(factor * value + 500 + offset, 1000);
}

constexpr uint32_t pack(long red, long blue, long green)
{
    // Plain modular sum: a negative lane borrows from the lane above, and the
    // borrow cancels when the three entries of a pixel are added.
    return static_cast<uint32_t>(
        static_cast<unsigned long long>(red + blue * 2048L + green * 4194304L) & 0xFFFFFFFFull);
}

constexpr long kBias = 512;

// The green lane collects three rounded terms; these small offsets (in
// thousandths) centre its total error instead of letting it drift high.
constexpr long kGreenLumaOffset = -150;
constexpr long kGreenUOffset = 250;
constexpr long kGreenVOffset = -100;

constexpr uint32_t tableEntry(int index)
{
    if (index < 256) {
        // Luma above 240 is far outside the video range: hold it at 240.
        const long y = (index > 240 ? 240 : index) - 16;
        const long luma = contribution(1164, y, 0);
        return pack(luma, luma, contribution(1164, y, kGreenLumaOffset) + kBias);
    }
    if (index < 512) {
        const long u = index - 256 - 128;
        return pack(0, contribution(2018, u, 0) + kBias, contribution(-391, u, kGreenUOffset));
    }
    const long v = index - 512 - 128;
    return pack(contribution(1596, v, 0) + kBias, 0, contribution(-813, v, kGreenVOffset));
}

// Bit 8 of each lane.
constexpr uint32_t kLaneBit8 = 0x40080100u;

// Looks the pixel up and brings every lane back to 0..255, without a branch.
// A lane holds 512 + the channel: 512..767 is in range, below 512 is
// negative (bits 9 and 10 clear), 768 and above too large (bits 9 and 8, or
// bit 10). Bit 8 alone cannot judge the blue lane: very dark or very bright
// luma with an extreme Cb takes it out of 256..1023, where it must still clamp
// to the right end. The green lane has no bit 10; it never needs one.
// chroma is table[256 + U] + table[512 + V], shared by the pixels of a block.
inline uint32_t lookup(const uint32_t* table, uint8_t y, uint32_t chroma)
{
    const uint32_t sum = table[y] + chroma;
    const uint32_t bit8 = sum & kLaneBit8;
    const uint32_t bit9 = (sum >> 1) & kLaneBit8;
    const uint32_t bit10 = (sum >> 2) & 0x00080100u;
    const uint32_t over = (bit8 & bit9) | bit10;
    const uint32_t under = ~(bit9 | bit10) & kLaneBit8;
    // A flag at bit 8 of a lane becomes 0xFF over that lane's low byte.
    return (sum | (over - (over >> 8))) & ~(under - (under >> 8));
}

struct Rgb888Writer {
    static constexpr int kBytes = 3;
    static void write(uint8_t* out, uint32_t sum)
    {
        out[0] = static_cast<uint8_t>(sum);
        out[1] = static_cast<uint8_t>(sum >> 22);
        out[2] = static_cast<uint8_t>(sum >> 11);
    }
};

struct Rgb8888Writer {
    static constexpr int kBytes = 4;
    static void write(uint8_t* out, uint32_t sum)
    {
        const uint32_t word = (sum & 0xFFu) | ((sum >> 14) & 0xFF00u) | ((sum << 5) & 0xFF0000u);
        std::memcpy(out, &word, sizeof(word));
    }
};

template <class Writer>
void convertRow(uint8_t* out, const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, const uint32_t* table)
{
    const int pairs = width / 2;
    for (int i = 0; i < pairs; ++i) {
        const uint32_t chroma = table[256 + u[i]] + table[512 + v[i]];
        Writer::write(out, lookup(table, y[0], chroma));
        Writer::write(out + Writer::kBytes, lookup(table, y[1], chroma));
        out += 2 * Writer::kBytes;
        y += 2;
    }
    if (width & 1)
        Writer::write(out, lookup(table, y[0], table[256 + u[pairs]] + table[512 + v[pairs]]));
}

template <class Writer>
void convert(uint8_t* destination, const uint8_t* yPlane, const uint8_t* uPlane, const uint8_t* vPlane, int width,
    int height, int yStride, int uvStride, int destinationStride, const uint32_t* table)
{
    if (!destination || !yPlane || !uPlane || !vPlane || width <= 0 || height <= 0)
        return;
    if (!table)
        table = yuv2bgr565_table;
    // Pointer arithmetic in ptrdiff_t: strides may be negative.
    for (int row = 0; row < height; ++row) {
        const std::ptrdiff_t chromaRow = static_cast<std::ptrdiff_t>(row / 2) * uvStride;
        convertRow<Writer>(destination + static_cast<std::ptrdiff_t>(row) * destinationStride,
            yPlane + static_cast<std::ptrdiff_t>(row) * yStride, uPlane + chromaRow, vPlane + chromaRow, width, table);
    }
}

struct LumaTables {
    std::array<int, 256> ytab {};
    std::array<int, 256> rtab {};
};

constexpr LumaTables buildLumaTables()
{
    LumaTables tables;
    for (int i = 0; i < 256; ++i) {
        tables.ytab[static_cast<unsigned>(i)] = static_cast<int>(floorDiv(298L * i - 4640, 256));
        tables.rtab[static_cast<unsigned>(i)] = static_cast<int>(floorDiv(409L * i - 52352, 256));
    }
    return tables;
}

constexpr LumaTables kLumaTables = buildLumaTables();

inline int clampChannel(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

} // namespace

#define KA_YUV_E4(i) tableEntry(i), tableEntry((i) + 1), tableEntry((i) + 2), tableEntry((i) + 3)
#define KA_YUV_E16(i) KA_YUV_E4(i), KA_YUV_E4((i) + 4), KA_YUV_E4((i) + 8), KA_YUV_E4((i) + 12)
#define KA_YUV_E64(i) KA_YUV_E16(i), KA_YUV_E16((i) + 16), KA_YUV_E16((i) + 32), KA_YUV_E16((i) + 48)
#define KA_YUV_E256(i) KA_YUV_E64(i), KA_YUV_E64((i) + 64), KA_YUV_E64((i) + 128), KA_YUV_E64((i) + 192)

// Constant-initialised: usable from other static initialisers.
extern const uint32_t yuv2bgr565_table[768] = { KA_YUV_E256(0), KA_YUV_E256(256), KA_YUV_E256(512) };

#undef KA_YUV_E256
#undef KA_YUV_E64
#undef KA_YUV_E16
#undef KA_YUV_E4

void yuv420_2_rgb888(uint8_t* destination, const uint8_t* yPlane, const uint8_t* uPlane, const uint8_t* vPlane,
    int width, int height, int yStride, int uvStride, int destinationStride, const uint32_t* table)
{
    convert<Rgb888Writer>(
        destination, yPlane, uPlane, vPlane, width, height, yStride, uvStride, destinationStride, table);
}

void yuv420_2_rgb8888(uint32_t* destination, const uint8_t* yPlane, const uint8_t* uPlane, const uint8_t* vPlane,
    int width, int height, int yStride, int uvStride, int destinationStride, const uint32_t* table)
{
    convert<Rgb8888Writer>(reinterpret_cast<uint8_t*>(destination), yPlane, uPlane, vPlane, width, height, yStride,
        uvStride, destinationStride, table);
}

uint8_t yuv420LumaValue(uint8_t y, uint8_t v, bool fullRange)
{
    if (fullRange)
        return y;
    return static_cast<uint8_t>(clampChannel(kLumaTables.ytab[y] + kLumaTables.rtab[v]));
}

void yuv420_2_luma8(uint8_t* destination, int pixelStep, const uint8_t* yPlane, const uint8_t* vPlane, int width,
    int height, int yStride, int uvStride, int destinationStride, bool fullRange)
{
    if (!destination || !yPlane || !vPlane || width <= 0 || height <= 0)
        return;
    for (int row = 0; row < height; ++row) {
        uint8_t* out = destination + static_cast<std::ptrdiff_t>(row) * destinationStride;
        const uint8_t* y = yPlane + static_cast<std::ptrdiff_t>(row) * yStride;
        const uint8_t* v = vPlane + static_cast<std::ptrdiff_t>(row / 2) * uvStride;
        // Every column, the odd last one included: leaving it out would show
        // whatever the colour pass left in that byte.
        for (int column = 0; column < width; ++column)
            out[static_cast<std::ptrdiff_t>(column) * pixelStep] = yuv420LumaValue(y[column], v[column / 2], fullRange);
    }
}
