#ifndef KA_CODEC_TEST_FILES_H
#define KA_CODEC_TEST_FILES_H

// Files for the JPEG, PVR, BMP and TGA codec tests. Container formats are
// laid out byte by byte with the engine's stream; JPEG data is written with
// the shared fixture writer and read back with libjpeg directly, so that the
// engine's decoders are checked against the library rather than against
// themselves.

#include <jpeglib.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tools/fixtures/KaJpegFixture.h"

// Little-endian bytes built with the engine's stream.
class KaByteWriter {
public:
    KaByteWriter& u8(unsigned int value)
    {
        mStream.write(static_cast<unsigned char>(value));
        return *this;
    }
    KaByteWriter& u16(unsigned int value)
    {
        mStream.write(static_cast<unsigned short>(value));
        return *this;
    }
    KaByteWriter& u32(unsigned int value)
    {
        mStream.write(value);
        return *this;
    }
    KaByteWriter& s32(int value)
    {
        mStream.write(value);
        return *this;
    }
    KaByteWriter& text(const char* characters)
    {
        mStream.write(characters);
        return *this;
    }
    KaByteWriter& bytes(const std::string& data)
    {
        mStream.writeData(data.data(), data.size());
        return *this;
    }
    KaByteWriter& bytes(const unsigned char* data, size_t count)
    {
        mStream.writeData(data, count);
        return *this;
    }
    KaByteWriter& zeros(size_t count) { return bytes(std::string(count, '\0')); }

    size_t size() const { return mStream.bufferLength(); }
    std::string str() const
    {
        return mStream.data() ? std::string(reinterpret_cast<const char*>(mStream.data()), mStream.bufferLength())
                              : std::string();
    }

private:
    KaStream mStream;
};

// Writes the bytes through the engine's file class; false when it cannot.
inline bool KaWriteTestFile(const std::string& path, const std::string& bytes)
{
    KaFile file;
    if (!file.open(KaPath(path.c_str()), KaFileSystem::Write))
        return false;
    const bool written = file.writeData(bytes.data(), bytes.size()) == bytes.size();
    file.close();
    return written;
}

// A memory stream holding the bytes, at position 0.
inline void KaFillStream(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

// --- JPEG ------------------------------------------------------------------

// A JPEG of an RGB888 or GREY8 picture; a CMYK one of a flat picture.
inline std::string KaWriteJpeg(const KaTestPicture& picture, const KaJpegOptions& options = KaJpegOptions())
{
    return KaEncodeJpeg(picture.pixels.data(), picture.width, picture.height, picture.format == GREY8 ? 1 : 3, options);
}

inline std::string KaWriteCmykJpeg(unsigned int width, unsigned int height)
{
    const std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4, 0x40);
    return KaEncodeJpeg(pixels.data(), width, height, 4);
}

// What libjpeg itself decodes from the bytes, as a picture of the format the
// engine gives that file (RGB888 for three components, GREY8 for one).
inline KaTestPicture KaDecodeJpeg(const std::string& bytes)
{
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr error;
    decompressor.err = jpeg_std_error(&error);
    jpeg_create_decompress(&decompressor);
    jpeg_mem_src(&decompressor, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&decompressor, TRUE);
    const bool grey = decompressor.num_components == 1;
    decompressor.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&decompressor);
    KaTestPicture picture;
    picture.width = decompressor.output_width;
    picture.height = decompressor.output_height;
    picture.format = grey ? GREY8 : RGB888;
    picture.bytesPerPixel = grey ? 1 : 3;
    picture.pixels.resize(picture.rowBytes() * picture.height);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = picture.pixels.data() + decompressor.output_scanline * picture.rowBytes();
        jpeg_read_scanlines(&decompressor, &row, 1);
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    return picture;
}

// --- zlib wrappers -----------------------------------------------------------

inline std::string KaDeflate(const std::string& bytes)
{
    uLongf size = compressBound(bytes.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()),
        bytes.size());
    packed.resize(size);
    return packed;
}

// The images' wrapper: packed size, unpacked size, zlib data. The sizes
// written can be moved away from the true ones.
inline std::string KaZLibWrap(const std::string& bytes, long long unpackedChange = 0, long long packedChange = 0)
{
    const std::string packed = KaDeflate(bytes);
    KaByteWriter out;
    out.u32(static_cast<unsigned int>(static_cast<long long>(packed.size()) + packedChange));
    out.u32(static_cast<unsigned int>(static_cast<long long>(bytes.size()) + unpackedChange));
    out.bytes(packed);
    return out.str();
}

// The engine's zlib block (KaZLibStream): version 1, packed size, unpacked
// size, zlib data.
inline std::string KaZLibBlock(const std::string& bytes)
{
    const std::string packed = KaDeflate(bytes);
    KaByteWriter out;
    out.u8(1).u32(static_cast<unsigned int>(packed.size())).u32(static_cast<unsigned int>(bytes.size()));
    out.bytes(packed);
    return out.str();
}

// --- PVR ---------------------------------------------------------------------

// Bytes whose values follow their position, so a copy from the wrong offset
// shows.
inline std::string KaCountingBytes(size_t count, unsigned int seed = 0)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 11 + seed + i / 251) & 0xFF);
    return bytes;
}

// An unpacked PVR version 2 file: the 52-byte header, then the data.
inline std::string KaPvr2File(unsigned int width, unsigned int height, unsigned int flags, unsigned int alphaMask,
    const std::string& data)
{
    KaByteWriter out;
    out.u32(52).u32(height).u32(width).u32(1).u32(flags);
    out.u32(static_cast<unsigned int>(data.size())).u32(4).u32(0).u32(0).u32(0);
    out.u32(alphaMask).text("PVR!").u32(1);
    out.bytes(data);
    return out.str();
}

// A PVR version 3 file: header, metadata, data.
inline std::string KaPvr3File(unsigned int pixelFormat, unsigned int width, unsigned int height,
    const std::string& metadata, const std::string& data)
{
    KaByteWriter out;
    out.u32(0x03525650).u32(0).u32(pixelFormat).u32(0).u32(0).u32(0);
    out.u32(height).u32(width).u32(1).u32(1).u32(1).u32(1);
    out.u32(static_cast<unsigned int>(metadata.size()));
    out.bytes(metadata).bytes(data);
    return out.str();
}

// --- BMP ---------------------------------------------------------------------

struct KaBmpLayout {
    unsigned int bitsPerPixel = 24;
    // 12, 40, 108, 124 or 240.
    unsigned int headerSize = 40;
    unsigned int compression = 0;
    bool topDown = false;
    const char* signature = "BM";
    // Palette entries written (8 bits or fewer).
    unsigned int paletteEntries = 0;
};

// Palette entry i of the test BMPs and TGAs, as stored (blue, green, red,
// reserved).
inline void KaTestPaletteEntry(unsigned int i, unsigned char* bgra)
{
    bgra[0] = static_cast<unsigned char>(i * 3 + 1);
    bgra[1] = static_cast<unsigned char>(i * 5 + 2);
    bgra[2] = static_cast<unsigned char>(i * 7 + 3);
    bgra[3] = static_cast<unsigned char>(255 - i);
}

// A BMP of rows already in stored form (one per picture row, top row first,
// each rowBytes long without padding): the padding to 4 bytes and the row
// order are the file's.
inline std::string KaBmpFile(const KaBmpLayout& layout, unsigned int width, unsigned int height,
    const std::vector<std::string>& rowsFromTop)
{
    const unsigned int entryBytes = layout.headerSize == 12 ? 3 : 4;
    const unsigned int dataOffset = 14 + layout.headerSize + layout.paletteEntries * entryBytes;
    const unsigned long stride = (static_cast<unsigned long>(layout.bitsPerPixel) * width + 31) / 32 * 4;
    KaByteWriter out;
    out.text(layout.signature);
    out.u32(static_cast<unsigned int>(dataOffset + stride * height)).u32(0).u32(dataOffset);
    out.u32(layout.headerSize);
    if (layout.headerSize == 12) {
        out.u16(width).u16(height).u16(1).u16(layout.bitsPerPixel);
    } else {
        out.s32(static_cast<int>(width)).s32(layout.topDown ? -static_cast<int>(height) : static_cast<int>(height));
        out.u16(1).u16(layout.bitsPerPixel).u32(layout.compression);
        out.u32(static_cast<unsigned int>(stride * height)).u32(2835).u32(2835).u32(layout.paletteEntries).u32(0);
        out.zeros(layout.headerSize - 40);
    }
    for (unsigned int i = 0; i < layout.paletteEntries; ++i) {
        unsigned char entry[4];
        KaTestPaletteEntry(i, entry);
        out.bytes(entry, entryBytes);
    }
    for (unsigned int r = 0; r < height; ++r) {
        const std::string& row = rowsFromTop[layout.topDown ? r : height - 1 - r];
        out.bytes(row);
        out.zeros(stride - row.size());
    }
    return out.str();
}

// --- TGA ---------------------------------------------------------------------

struct KaTgaLayout {
    unsigned char imageType = 2;
    unsigned char bitsPerPixel = 24;
    unsigned char idLength = 0;
    unsigned char colourMapType = 0;
    unsigned int colourMapLength = 0;
    unsigned char colourMapEntrySize = 0;
    bool topOrigin = false;
};

// A TGA of rows already in stored form (top row first): the colour map
// entries come from KaTestPaletteEntry.
inline std::string KaTgaFile(const KaTgaLayout& layout, unsigned int width, unsigned int height,
    const std::vector<std::string>& rowsFromTop)
{
    KaByteWriter out;
    out.u8(layout.idLength).u8(layout.colourMapType).u8(layout.imageType);
    out.u16(0).u16(layout.colourMapLength).u8(layout.colourMapEntrySize);
    out.u16(0).u16(0).u16(width).u16(height).u8(layout.bitsPerPixel).u8(layout.topOrigin ? 0x20 : 0x00);
    out.bytes(std::string(layout.idLength, 'i'));
    const unsigned int entryBytes = (layout.colourMapEntrySize + 7u) / 8u;
    for (unsigned int i = 0; i < layout.colourMapLength; ++i) {
        unsigned char entry[4];
        KaTestPaletteEntry(i, entry);
        if (entryBytes == 2) {
            // a1r5g5b5 of the entry's top five bits.
            const unsigned int word = (entry[0] >> 3) | (entry[1] >> 3) << 5 | (entry[2] >> 3) << 10 | 0x8000;
            out.u16(word);
        } else {
            out.bytes(entry, entryBytes);
        }
    }
    for (unsigned int r = 0; r < height; ++r)
        out.bytes(rowsFromTop[layout.topOrigin ? r : height - 1 - r]);
    return out.str();
}

// The rows of a picture, top first, each converted by a per-pixel function
// (picture pixel in, stored bytes out).
template <class Convert>
std::vector<std::string> KaStoredRows(const KaTestPicture& picture, Convert convert)
{
    std::vector<std::string> rows;
    for (unsigned int y = 0; y < picture.height; ++y) {
        std::string row;
        for (unsigned int x = 0; x < picture.width; ++x)
            row += convert(picture.pixel(x, y));
        rows.push_back(row);
    }
    return rows;
}

#endif
