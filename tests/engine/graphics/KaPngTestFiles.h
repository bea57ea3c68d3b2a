#ifndef KA_PNG_TEST_FILES_H
#define KA_PNG_TEST_FILES_H

// PNG files for the tests, written and read with libpng directly, so that the
// engine's codec is checked against the library and not against itself.

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/graphics/KaCodecFixtures.h"

struct KaPngFileLayout {
    unsigned int width;
    unsigned int height;
    int colourType;
    int bitDepth;
    bool interlaced;
};

inline unsigned int KaPngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

inline size_t KaPngRowBytes(const KaPngFileLayout& layout)
{
    return (static_cast<size_t>(layout.width) * KaPngChannels(layout.colourType) * layout.bitDepth + 7) / 8;
}

namespace ka_png_test_detail {

inline void appendCallback(png_structp png, png_bytep data, size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

inline void noFlush(png_structp) { }

struct Reader {
    const std::string* bytes;
    size_t position;
};

inline void readCallback(png_structp png, png_bytep data, size_t length)
{
    Reader* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (reader->position + length > reader->bytes->size())
        png_error(png, "short");
    std::memcpy(data, reader->bytes->data() + reader->position, length);
    reader->position += length;
}

// libpng writes through here: no C++ object may live across its jump point.
inline bool writeRaw(const KaPngFileLayout& layout, const unsigned char* rows, std::string* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendCallback, noFlush);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
        layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 256; ++i) {
            palette[i].red = static_cast<png_byte>(i);
            palette[i].green = static_cast<png_byte>(255 - i);
            palette[i].blue = static_cast<png_byte>(i * 3);
        }
        png_set_PLTE(png, info, palette, 256);
    }
    png_write_info(png, info);
    const size_t rowBytes = KaPngRowBytes(layout);
    const int passes = layout.interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (unsigned int y = 0; y < layout.height; ++y)
            png_write_row(png, rows + y * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace ka_png_test_detail

// A PNG file of the layout whose rows (top first, packed) are given; empty when
// libpng refuses the layout.
inline std::string KaWritePng(const KaPngFileLayout& layout, const std::vector<unsigned char>& rows)
{
    std::string out;
    if (rows.size() < KaPngRowBytes(layout) * layout.height)
        return std::string();
    if (!ka_png_test_detail::writeRaw(layout, rows.data(), &out))
        return std::string();
    return out;
}

// A PNG file of the layout filled with a byte pattern.
inline std::string KaWritePng(const KaPngFileLayout& layout)
{
    std::vector<unsigned char> rows(KaPngRowBytes(layout) * layout.height);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<unsigned char>(i * 5 + 3);
    return KaWritePng(layout, rows);
}

// The picture (format 5 or 6) as a non-interlaced 8-bit RGB or RGBA PNG file.
inline std::string KaWritePng(const KaTestPicture& picture)
{
    const KaPngFileLayout layout = { picture.width, picture.height,
        picture.format == RGBA8888 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, picture.pixels);
}

// Offset of the first chunk of that type (at its length field), or npos.
inline size_t KaPngFindChunk(const std::string& png, const char* type)
{
    size_t position = 8;
    while (position + 8 <= png.size()) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(png.data()) + position;
        const uint32_t length = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        if (std::memcmp(p + 4, type, 4) == 0)
            return position;
        position += 12 + static_cast<size_t>(length);
    }
    return std::string::npos;
}

inline void KaPngAppendChunk(std::string& out, const char* type, const std::string& data)
{
    const uint32_t length = static_cast<uint32_t>(data.size());
    const unsigned char lengthBytes[4]
        = { static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
              static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length) };
    out.append(reinterpret_cast<const char*>(lengthBytes), 4);
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
    const unsigned char crcBytes[4] = { static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
        static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc) };
    out.append(reinterpret_cast<const char*>(crcBytes), 4);
}

// A valid signature and IHDR (correct CRC) of any size, followed by the start
// of an IDAT chunk: enough for a reader to accept or refuse the header.
inline std::string KaPngHeaderOnly(uint32_t width, uint32_t height, int bitDepth, int colourType)
{
    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    for (uint32_t value : { width, height }) {
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += static_cast<char>((value >> shift) & 0xFF);
    }
    ihdr += static_cast<char>(bitDepth);
    ihdr += static_cast<char>(colourType);
    ihdr += std::string(3, '\0');
    KaPngAppendChunk(out, "IHDR", ihdr);
    KaPngAppendChunk(out, "IDAT", std::string("\x78\x9c\x00\x00\x00\xff\xff", 7));
    return out;
}

struct KaBarePng {
    bool ok = false;
    unsigned int width = 0;
    unsigned int height = 0;
    int colourType = -1;
    int bitDepth = 0;
    int interlace = -1;
    // Top row first, packed.
    std::vector<unsigned char> rows;
    std::vector<std::string> textKeys;
    bool hasTime = false;
};

namespace ka_png_test_detail {

inline bool readRaw(const std::string& bytes, KaBarePng* result, std::vector<unsigned char>* rows)
{
    Reader reader = { &bytes, 0 };
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readCallback);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_get_IHDR(
        png, info, &width, &height, &result->bitDepth, &result->colourType, &result->interlace, nullptr, nullptr);
    result->width = width;
    result->height = height;
    const size_t rowBytes = png_get_rowbytes(png, info);
    rows->resize(rowBytes * height);
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, rows->data() + y * rowBytes, nullptr);
    png_read_end(png, info);
    png_textp texts = nullptr;
    int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i)
        result->textKeys.push_back(texts[i].key);
    png_timep time = nullptr;
    result->hasTime = png_get_tIME(png, info, &time) != 0;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace ka_png_test_detail

// Decodes a non-interlaced PNG with libpng alone.
inline KaBarePng KaReadPngBare(const std::string& bytes)
{
    KaBarePng result;
    std::vector<unsigned char> rows;
    result.ok = ka_png_test_detail::readRaw(bytes, &result, &rows);
    result.rows.swap(rows);
    return result;
}

#endif
