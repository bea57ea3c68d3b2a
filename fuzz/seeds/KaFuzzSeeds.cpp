// Writes the fuzz targets' seed files: small good files of every format the
// engine reads, made with the engine's own streams and writers, with the
// format libraries (libpng, libvorbisenc) and with the JPEG and Theora
// writers the tests share (tools/fixtures), in
// <folder>/<target>/. Usage: ka_fuzz_seeds <folder>.

#include <ftw.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

#include <lauxlib.h>
#include <png.h>
#include <tinyxml.h>
#include <vorbis/vorbisenc.h>
#include <zlib.h>

#include <cmath>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPng.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/scene/KaModel.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaModelAnimation.h"
#include "engine/scene/KaModelVertexAnimation.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/script/KaLuaContext.h"
#include "fuzz/support/KaFuzzParts.h"
#include "game/game/SaveDocument.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/SceneGeometryFile.h"
#include "tools/fixtures/KaFontFixture.h"
#include "tools/fixtures/KaJpegFixture.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

typedef std::vector<unsigned char> Bytes;

std::string gRoot;
int gFailures = 0;

void fail(const std::string& what)
{
    std::fprintf(stderr, "ka_fuzz_seeds: %s\n", what.c_str());
    ++gFailures;
}

void makeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        fail("can't create " + path);
}

Bytes bytesOf(const KaStream& stream)
{
    return stream.data() ? Bytes(stream.data(), stream.data() + stream.bufferLength()) : Bytes();
}

// Written through the engine's file class, as the game writes its files.
void seed(const char* target, const std::string& name, const Bytes& bytes)
{
    const std::string folder = gRoot + "/" + target;
    makeFolder(folder);
    KaFile file;
    if (!file.open(KaPath((folder + "/" + name).c_str()), KaFileSystem::Write)) {
        fail("can't write " + folder + "/" + name);
        return;
    }
    if (!bytes.empty() && file.writeData(bytes.data(), bytes.size()) != bytes.size())
        fail("short write of " + name);
    file.close();
}

void seed(const char* target, const std::string& name, const KaStream& stream)
{
    seed(target, name, bytesOf(stream));
}

Bytes zlibPack(const Bytes& raw)
{
    uLongf size = compressBound(raw.size());
    Bytes packed(size);
    if (compress2(packed.data(), &size, raw.data(), raw.size(), 9) != Z_OK)
        fail("compress");
    packed.resize(size);
    return packed;
}

// The zlib block of KaZLibStream: version, packed size, unpacked size, data.
Bytes zlibBlock(const Bytes& raw)
{
    const Bytes packed = zlibPack(raw);
    KaStream out;
    out.write(static_cast<unsigned char>(1));
    out.write(static_cast<unsigned int>(packed.size()));
    out.write(static_cast<unsigned int>(raw.size()));
    out.writeData(packed.data(), packed.size());
    return bytesOf(out);
}

// The wrapper of the zlib-wrapped images: packed size, unpacked size, data.
Bytes packedBlock(const Bytes& raw)
{
    const Bytes packed = zlibPack(raw);
    KaStream out;
    out.write(static_cast<unsigned int>(packed.size()));
    out.write(static_cast<unsigned int>(raw.size()));
    out.writeData(packed.data(), packed.size());
    return bytesOf(out);
}

Bytes pattern(unsigned long count, unsigned int seedValue)
{
    Bytes bytes(count);
    for (unsigned long i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + seedValue * 13 + i / 5) & 0xFF);
    return bytes;
}

// ---------------------------------------------------------------------------
// Core

void strings()
{
    const char* texts[] = { "hello", "", "a,b,,c" };
    for (int mode = 0; mode < 2; ++mode) {
        KaStream out;
        out.setMode(mode ? KaStream::Text : KaStream::Binary);
        for (const char* text : texts)
            KaString::serialize(out, KaString(text));
        KaString withNul("x\0y", 3);
        KaString::serialize(out, withNul);
        seed("KaStringFuzz", mode ? "text" : "binary", out);
    }
}

void streams()
{
    for (int mode = 0; mode < 2; ++mode) {
        KaStream out;
        out.setMode(mode ? KaStream::Text : KaStream::Binary);
        out.write(static_cast<unsigned char>(mode));
        out.write(static_cast<unsigned char>(200));
        out.write(true);
        out.write(static_cast<unsigned short>(65000));
        out.write(static_cast<short>(-1234));
        out.write(12345678u);
        out.write(-7654321);
        out.write(1234567890123ull);
        out.write(-1234567890123ll);
        out.write(1.5f);
        out.write(-2.25);
        out << " word line\r\nnext,word;x\n";
        // The program, read backwards from the end: one step of each kind.
        for (int step = 19; step >= 0; --step)
            out.write(static_cast<unsigned char>(step));
        seed("KaStreamFuzz", mode ? "text" : "binary", out);
    }
}

void packages()
{
    struct Entry {
        const char* path;
        Bytes bytes;
    };
    const Entry entries[] = {
        { "scenes/a.xml", Bytes{ '<', 'a', '/', '>' } },
        { "scenes/sub/b.bin", pattern(40, 1) },
        { "music/c.ogg", pattern(9, 2) },
    };
    // Header and table first, then the entries at their offsets.
    unsigned long tableSize = 5;
    for (const Entry& e : entries)
        tableSize += 12 + std::strlen(e.path);
    KaStream out;
    out.write(static_cast<unsigned char>(1));
    out.write(static_cast<unsigned int>(sizeof entries / sizeof entries[0]));
    unsigned long offset = tableSize;
    for (const Entry& e : entries) {
        KaString::serialize(out, KaString(e.path));
        out.write(static_cast<unsigned int>(offset));
        out.write(static_cast<unsigned int>(e.bytes.size()));
        offset += e.bytes.size();
    }
    for (const Entry& e : entries)
        out.writeData(e.bytes.data(), e.bytes.size());
    seed("KaPackageFuzz", "three-entries", out);
}

void zlibBlocks()
{
    seed("KaZLibStreamFuzz", "text", zlibBlock(Bytes{ 'h', 'e', 'l', 'l', 'o', ' ', 'h', 'e', 'l', 'l', 'o' }));
    seed("KaZLibStreamFuzz", "pattern", zlibBlock(pattern(300, 3)));
}

// ---------------------------------------------------------------------------
// World

void palettes()
{
    const unsigned int sizes[] = { 512, 768, 1024 };
    for (unsigned int size : sizes) {
        KaStream out;
        out.write(size);
        const Bytes entries = pattern(size, size);
        out.writeData(entries.data(), entries.size());
        seed("KaPaletteFuzz", "binary-" + std::to_string(size), out);
    }
    KaStream text;
    text.setMode(KaStream::Text);
    text.write(768u);
    const Bytes entries = pattern(768, 5);
    text.writeData(entries.data(), entries.size());
    seed("KaPaletteFuzz", "text-768", text);
}

void writePlacement(KaStream& out)
{
    KaVector3f32::serialize(out, KaVector3f32(1.0f, 2.0f, 3.0f));
    KaQuaternion::serialize(out, KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    KaVector3f32::serialize(out, KaVector3f32(1.0f, 1.0f, 1.0f));
}

void writePoints(KaStream& out, unsigned int count)
{
    out.write(count);
    for (unsigned int i = 0; i < count; ++i)
        KaVector3f32::serialize(out, KaVector3f32(static_cast<float>(i), 0.5f * i, static_cast<float>(i * i % 7)));
}

void curves()
{
    for (int mode = 0; mode < 2; ++mode) {
        KaStream named;
        named.setMode(mode ? KaStream::Text : KaStream::Binary);
        KaString::serialize(named, KaString("path01"));
        writePlacement(named);
        named.write(12.5f);
        writePoints(named, 5);
        seed("KaBezierCurveFuzz", mode ? "named-text" : "named", named);
    }
    KaStream bin;
    writePlacement(bin);
    writePoints(bin, 4);
    seed("KaBezierCurveFuzz", "bin", bin);
}

// ---------------------------------------------------------------------------
// Images

KaImage* picture(unsigned int width, unsigned int height, KaImageFormat format)
{
    KaImage* image = new KaImage();
    KaIntrusivePtr<KaPalette> noPalette;
    image->create(width, height, noPalette, format);
    const Bytes bytes = pattern(image->bufferSize(), width * 3 + height);
    if (image->buffer())
        std::memcpy(image->buffer(), bytes.data(), bytes.size());
    return image;
}

void serialisedImages()
{
    struct Case {
        unsigned int width, height;
        KaImageFormat format;
    };
    const Case cases[] = { { 4, 3, RGB888 }, { 3, 2, RGBA8888 }, { 5, 1, GREY8 }, { 8, 8, PVRTC4_RGBA }, { 2, 2, RGB565 } };
    for (const Case& c : cases) {
        KaIntrusivePtr<KaImage> image(picture(c.width, c.height, c.format));
        KaStream out;
        image->serialize(out);
        seed("KaImageFuzz", "format-" + std::to_string(static_cast<int>(c.format)), out);
    }
}

Bytes enginePng(unsigned int width, unsigned int height, KaImageFormat format)
{
    KaIntrusivePtr<KaImage> image(picture(width, height, format));
    KaPng png;
    KaStream out;
    if (!png.save(*image, out))
        fail("KaPng::save");
    return bytesOf(out);
}

void pngWrite(png_structp png, png_bytep data, size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void pngFlush(png_structp) { }

// What the engine does not write itself: interlaced and palette files.
Bytes libpngFile(unsigned int width, unsigned int height, int colourType, int interlace)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        fail("libpng write");
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(png, &out, pngWrite, pngFlush);
    png_set_IHDR(png, info, width, height, 8, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4] = { { 0, 0, 0 }, { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 4);
    png_write_info(png, info);
    const unsigned int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
    Bytes row(width * channels);
    const int passes = interlace == PNG_INTERLACE_ADAM7 ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (unsigned int y = 0; y < height; ++y) {
            for (unsigned int x = 0; x < row.size(); ++x)
                row[x] = static_cast<unsigned char>(colourType == PNG_COLOR_TYPE_PALETTE ? (x + y) % 4 : x * 9 + y);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void pngs()
{
    seed("KaPngFuzz", "rgb", enginePng(5, 4, RGB888));
    seed("KaPngFuzz", "rgba", enginePng(3, 6, RGBA8888));
    seed("KaPngFuzz", "grey", enginePng(4, 4, GREY8));
    seed("KaPngFuzz", "interlaced", libpngFile(6, 5, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7));
    seed("KaPngFuzz", "palette", libpngFile(4, 3, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE));
}

Bytes jpegFile(unsigned int width, unsigned int height, int components, bool progressive, int restart)
{
    Bytes pixels(static_cast<size_t>(width) * height * components);
    const size_t rowBytes = static_cast<size_t>(width) * components;
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i % rowBytes) * 11 + (i / rowBytes) * 5);
    KaJpegOptions options;
    options.quality = 75;
    options.progressive = progressive;
    options.restartInterval = static_cast<unsigned int>(restart);
    const std::string file = KaEncodeJpeg(pixels.data(), width, height, components, options);
    if (file.empty())
        fail("jpeg");
    return Bytes(file.begin(), file.end());
}

void jpegs()
{
    seed("KaJpegFuzz", "rgb", jpegFile(17, 9, 3, false, 0));
    seed("KaJpegFuzz", "grey", jpegFile(8, 8, 1, false, 0));
    seed("KaJpegFuzz", "progressive", jpegFile(16, 12, 3, true, 0));
    seed("KaJpegFuzz", "restart", jpegFile(24, 16, 3, false, 1));
    seed("KaJpegZLibFuzz", "rgb", packedBlock(jpegFile(17, 9, 3, false, 0)));
    seed("KaJpegZLibFuzz", "progressive-grey", packedBlock(jpegFile(9, 7, 1, true, 0)));
}

// A PVR version 2 file: 52-byte header and the blocks.
Bytes pvr2(unsigned int width, unsigned int height, unsigned int pixelType, unsigned int alpha, bool border)
{
    KaStream out;
    const unsigned int bits = pixelType == 0x18 ? 2 : 4;
    const unsigned int data = width * height * bits / 8;
    out.write(52u);
    out.write(height);
    out.write(width);
    out.write(0u); // mipmaps
    out.write(pixelType | (border ? 0x800u : 0u));
    out.write(data);
    out.write(bits);
    out.write(0u);
    out.write(0u);
    out.write(0u);
    out.write(alpha);
    out.write(0x21525650u); // "PVR!"
    out.write(1u);
    const Bytes blocks = pattern(data, pixelType);
    out.writeData(blocks.data(), blocks.size());
    return bytesOf(out);
}

// A PVR version 3 file: header, metadata, top level.
Bytes pvr3(unsigned int width, unsigned int height, unsigned int pixelFormat, unsigned int metadata)
{
    KaStream out;
    const unsigned int bits = pixelFormat < 2 ? 2 : 4;
    out.write(0x03525650u);
    out.write(0u); // flags
    out.write(static_cast<unsigned long long>(pixelFormat));
    out.write(0u); // colour space
    out.write(0u); // channel type
    out.write(height);
    out.write(width);
    out.write(1u); // depth
    out.write(1u); // surfaces
    out.write(1u); // faces
    out.write(1u); // mipmaps
    out.write(metadata);
    const Bytes meta = pattern(metadata, 9);
    out.writeData(meta.data(), meta.size());
    const Bytes blocks = pattern(width * height * bits / 8, pixelFormat);
    out.writeData(blocks.data(), blocks.size());
    return bytesOf(out);
}

void pvrs()
{
    seed("KaPvrFuzz", "pvrtc4-alpha", packedBlock(pvr2(8, 8, 0x19, 1, false)));
    seed("KaPvrFuzz", "pvrtc2-border", packedBlock(pvr2(16, 8, 0x18, 0, true)));
    seed("KaPVR3Fuzz", "pvrtc4", pvr3(8, 8, 3, 0));
    seed("KaPVR3Fuzz", "etc1-metadata", pvr3(8, 4, 6, 12));
    seed("KaPVR3Fuzz", "pvrtc2", pvr3(16, 8, 0, 0));
    seed("KaPVR3ZLibFuzz", "pvrtc4", zlibBlock(pvr3(8, 8, 2, 0)));
    seed("KaPVR3ZLibFuzz", "etc1-metadata", zlibBlock(pvr3(4, 4, 6, 8)));
}

Bytes bmp(int width, int height, unsigned int bits, unsigned int headerSize)
{
    const unsigned int paletteEntries = bits <= 8 ? 1u << bits : 0;
    const unsigned int entryBytes = headerSize == 12 ? 3 : 4;
    const unsigned int rowBytes = (bits * std::abs(width) + 31) / 32 * 4;
    const unsigned int dataOffset = 14 + headerSize + paletteEntries * entryBytes;
    const unsigned int fileSize = dataOffset + rowBytes * std::abs(height);
    KaStream out;
    out.writeData("BM", 2);
    out.write(fileSize);
    out.write(0u);
    out.write(dataOffset);
    out.write(headerSize);
    if (headerSize == 12) {
        out.write(static_cast<unsigned short>(width));
        out.write(static_cast<unsigned short>(height));
        out.write(static_cast<unsigned short>(1));
        out.write(static_cast<unsigned short>(bits));
    } else {
        out.write(width);
        out.write(height);
        out.write(static_cast<unsigned short>(1));
        out.write(static_cast<unsigned short>(bits));
        out.write(0u); // compression
        out.write(rowBytes * std::abs(height));
        out.write(2835u);
        out.write(2835u);
        out.write(paletteEntries);
        out.write(0u);
        const Bytes rest = Bytes(headerSize - 40, 0);
        out.writeData(rest.data(), rest.size());
    }
    const Bytes palette = pattern(paletteEntries * entryBytes, 4);
    out.writeData(palette.data(), palette.size());
    const Bytes pixels = pattern(rowBytes * std::abs(height), bits);
    out.writeData(pixels.data(), pixels.size());
    return bytesOf(out);
}

void bmps()
{
    seed("KaBmpFuzz", "rgb24", bmp(5, 3, 24, 40));
    seed("KaBmpFuzz", "rgba32-topdown", bmp(3, -4, 32, 40));
    seed("KaBmpFuzz", "rgb16-v4", bmp(4, 2, 16, 108));
    seed("KaBmpFuzz", "palette8", bmp(7, 3, 8, 40));
    seed("KaBmpFuzz", "palette8-core", bmp(6, 2, 8, 12));
    seed("KaBmpFuzz", "palette4", bmp(6, 2, 4, 40));
}

Bytes tga(unsigned int width, unsigned int height, unsigned int bits, bool colourMapped, bool topOrigin)
{
    KaStream out;
    const char id[] = "seed";
    out.write(static_cast<unsigned char>(sizeof id - 1));
    out.write(static_cast<unsigned char>(colourMapped ? 1 : 0));
    out.write(static_cast<unsigned char>(colourMapped ? 1 : 2));
    out.write(static_cast<unsigned short>(0));
    out.write(static_cast<unsigned short>(colourMapped ? 16 : 0));
    out.write(static_cast<unsigned char>(colourMapped ? 24 : 0));
    out.write(static_cast<unsigned short>(0));
    out.write(static_cast<unsigned short>(0));
    out.write(static_cast<unsigned short>(width));
    out.write(static_cast<unsigned short>(height));
    out.write(static_cast<unsigned char>(bits));
    out.write(static_cast<unsigned char>(topOrigin ? 0x20 : 0));
    out.writeData(id, sizeof id - 1);
    if (colourMapped) {
        const Bytes map = pattern(16 * 3, 6);
        out.writeData(map.data(), map.size());
    }
    const Bytes pixels = pattern(width * height * bits / 8, bits);
    out.writeData(pixels.data(), pixels.size());
    return bytesOf(out);
}

void tgas()
{
    seed("KaTgaFuzz", "rgb24", tga(5, 3, 24, false, false));
    seed("KaTgaFuzz", "rgba32-top", tga(3, 4, 32, false, true));
    seed("KaTgaFuzz", "rgb16", tga(4, 2, 16, false, false));
    seed("KaTgaFuzz", "mapped8", tga(6, 3, 8, true, false));
}

// ---------------------------------------------------------------------------
// Sound

Bytes wav(unsigned short channels, unsigned int rate, unsigned short bits, unsigned int frames, bool extraChunk)
{
    const unsigned int frameBytes = channels * bits / 8;
    const unsigned int dataBytes = frames * frameBytes;
    KaStream out;
    out.writeData("RIFF", 4);
    out.write(36u + dataBytes + (extraChunk ? 14u : 0u));
    out.writeData("WAVE", 4);
    if (extraChunk) {
        // An odd-sized chunk the reader must skip with its pad byte.
        out.writeData("LIST", 4);
        out.write(5u);
        out.writeData("INFOx\0", 6);
    }
    out.writeData("fmt ", 4);
    out.write(16u);
    out.write(static_cast<unsigned short>(1));
    out.write(channels);
    out.write(rate);
    out.write(rate * frameBytes);
    out.write(static_cast<unsigned short>(frameBytes));
    out.write(bits);
    out.writeData("data", 4);
    out.write(dataBytes);
    const Bytes samples = pattern(dataBytes, channels);
    out.writeData(samples.data(), samples.size());
    return bytesOf(out);
}

void wavs()
{
    seed("KaWavFuzz", "stereo16", wav(2, 8000, 16, 300, false));
    seed("KaWavFuzz", "mono8-list", wav(1, 4000, 8, 501, true));
    seed("KaWavFuzz", "six24", wav(6, 2000, 24, 40, false));
}

// Flushes the pages the stream has ready into out.
void drainPages(ogg_stream_state& stream, Bytes& out, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    }
}

Bytes vorbis(int channels, long rate, unsigned int frames)
{
    Bytes out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.0f) != 0) {
        fail("vorbis_encode_init_vbr");
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "seed");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 77);
    ogg_packet header, commentPacket, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebooks);
    drainPages(stream, out, true);

    const unsigned int slice = 256;
    for (unsigned int done = 0; done <= frames; done += slice) {
        const unsigned int count = done < frames ? (frames - done < slice ? frames - done : slice) : 0;
        if (count) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (int c = 0; c < channels; ++c)
                for (unsigned int i = 0; i < count; ++i)
                    buffer[c][i] = 0.3f * std::sin(0.05f * (done + i) * (c + 1));
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                drainPages(stream, out, false);
            }
        }
        if (!count)
            break;
    }
    drainPages(stream, out, true);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

void oggs()
{
    seed("KaOggFuzz", "mono", vorbis(1, 8000, 1500));
    seed("KaOggFuzz", "six", vorbis(6, 8000, 600));
}

// ---------------------------------------------------------------------------
// XML

void xml()
{
    const char* documents[] = {
        "<?xml version=\"1.0\" ?>\n<Options music=\"0.5\" sfx=\"1\">\n  <Language value=\"fr\" />\n</Options>\n",
        ("<Save slot=\"0\"><Scene name=\"hall\"><Item id=\"k&amp;y\">text &lt;here&gt;</Item></Scene>"
         "<!-- note --><![CDATA[raw <data>]]></Save>"),
        "\xEF\xBB\xBF<r a='\xC3\xA9t\xC3\xA9'/>",
    };
    int n = 0;
    for (const char* document : documents) {
        const Bytes bytes(document, document + std::strlen(document));
        seed("KaXMLLoadFuzz", "doc" + std::to_string(n), bytes);
        seed("KaBackupFuzz", "doc" + std::to_string(n), bytes);
        ++n;
    }
}

// GUI descriptions of every element kind, checked and written by TinyXML as
// the engine writes its XML.
void xmlGuis()
{
    const char* descriptions[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<gui><group name=\"menu\"><value name=\"title\" value=\"Hello\"/><value value=\"unnamed\"/>"
        "<Group NAME=\"sub\"><VALUE Name=\"deep\" Value=\"&lt;b&gt;x&lt;/b&gt;\"/></Group></group>"
        "<platform type=\"iPhone\"><value name=\"phone\" value=\"1\"/></platform>"
        "<platform type=\"PC\"><value name=\"pc\" value=\"1\"/></platform>"
        "<platform><group/></platform></gui>",

        "<gui><button name=\"b\" enable=\"0\" visible=\"1\"><position x=\"10\" y=\"20\" z=\"-1\"/>"
        "<size x=\"30\" y=\"40\"/><rotate value=\"90\"/><opacity value=\"0.5\"/><scale x=\"2\" y=\"2\" z=\"1\"/>"
        "<rect x=\"1\" y=\"1\"/></button><value name=\"v\" value=\"x\"/><position x=\"1\" y=\"1\"/>"
        "<img name=\"pic\" file=\"missing.png\"/><size x=\"9\" y=\"9\"/></gui>",

        "<gui><sprite name=\"pic\" file=\"./pic.png\"><position x=\"1\" y=\"2\"/><rotate value=\"30\"/></sprite>"
        "<sprite_button name=\"picb\" up_file=\"./pic.png\" disable_file=\"./pic.png\" enable=\"0\"/>"
        "<Sprite NAME=\"s\" file=\"./missing.png\" visible=\"1\"><scaleCenter x=\"0.5\" y=\"0.5\" z=\"0\"/>"
        "<position x=\"5\" y=\"5\"/></Sprite>"
        "<sprite_button name=\"sb\" up_file=\"./up.png\" down_file=\"./down.png\" disable_file=\"./off.png\""
        " enable=\"0\" text=\"t\" visible=\"1\"><leftMargin value=\"2\"/><rightMargin value=\"2\"/>"
        "<bottomMargin value=\"1\"/><topMargin value=\"1\"/><scaleCenter x=\"1\"/><margin x=\"3\" y=\"4\"/>"
        "</sprite_button><sprite_button2 name=\"sb2\" up_file=\"./up.png\"/><size x=\"50\" y=\"20\"/>"
        "<check_box name=\"c\" active_file=\"a.png\" unactive_file=\"u.png\" disable_active_file=\"da.png\""
        " disable_unactive_file=\"du.png\" visible=\"1\" mode=\"radio\"><margin x=\"1\" y=\"1\"/></check_box>"
        "</gui>",

        "<gui><group name=\"sounds\"><music name=\"m\" file=\"sounds/theme.ogg\" repeat=\"0\"/>"
        "<sfx name=\"s\" file=\"sounds/click.wav\" repeat=\"1\"/>"
        "<kasoundplayer name=\"p\" audio_file=\"sounds/tune.ogg\" x=\"1\" y=\"2\" z=\"3\">"
        "<PlayButton up_file=\"./play.png\"/><StopButton up_file=\"./stop.png\"/></kasoundplayer></group>"
        "<movement2 name=\"m2\"><Duration>500</Duration><PositionX><StartValue>0</StartValue>"
        "<EndValue>10</EndValue><Interpolation>0 0.5 1</Interpolation></PositionX>"
        "<Opacity><StartValue>1</StartValue><EndValue>0</EndValue></Opacity></movement2>"
        "<movement3 name=\"m3\"><Duration>250</Duration><RotationZ><EndValue>90</EndValue></RotationZ>"
        "<ScaleXY><EndValue>2</EndValue></ScaleXY></movement3></gui>",

        "<gui><kavideoplayer name=\"v\" video_file=\"videos/intro.ogv\" audio_file=\"videos/intro.ogg\">"
        "<position x=\"10\" y=\"10\"/><size x=\"64\" y=\"48\"/></kavideoplayer>"
        "<videoplayerbutton file=\"./close.png\" x=\"10\" y=\"20\"/></gui>",
    };
    int n = 0;
    for (const char* description : descriptions) {
        TiXmlDocument document;
        document.Parse(description);
        if (document.Error()) {
            fail(std::string("GUI seed ") + std::to_string(n) + ": " + document.ErrorDesc());
            continue;
        }
        TiXmlPrinter printer;
        document.Accept(&printer);
        const std::string text = printer.CStr();
        seed("KaXMLGUIFuzz", "gui" + std::to_string(n), Bytes(text.begin(), text.end()));
        ++n;
    }
}

// Saved Lua globals as the game's save writes them, inside their "Save"
// document and alone.
void contextLua()
{
    const char* scripts[] = {
        "score = 12 ; ratio = 0.1234567 ; tiny = 1e-7 ; big = -2^53 ; done = true ; lost = false"
        " ; note = '<b>\\'quoted\\' & \"marked\"</b>'",
        "name = 'hall' ; inf = math.huge ; nz = -0.0",
    };
    int n = 0;
    for (const char* script : scripts) {
        KaLuaContext context;
        lua_State* state = context.luaState();
        if (luaL_dostring(state, script) != LUA_OK) {
            fail(std::string("lua: ") + lua_tostring(state, -1));
            continue;
        }
        TiXmlElement saved("ContextLua");
        context.save(saved);
        TiXmlDocument document;
        document.InsertEndChild(TiXmlDeclaration("1.0", "UTF-8", ""));
        TiXmlElement root("Save");
        root.InsertEndChild(saved);
        document.InsertEndChild(root);
        TiXmlPrinter printer;
        document.Accept(&printer);
        const std::string text = printer.CStr();
        seed("KaLuaContextFuzz", "save" + std::to_string(n), Bytes(text.begin(), text.end()));
        TiXmlPrinter alone;
        saved.Accept(&alone);
        const std::string element = alone.CStr();
        seed("KaLuaContextFuzz", "element" + std::to_string(n), Bytes(element.begin(), element.end()));
        ++n;
    }
    const char* forged = "<ContextLua><String name=\"print\" value=\"x\"/><Number name=\"string\" value=\"1\"/>"
                         "<Boolean name=\"OnClick\" value=\"1\"/><Number name=\"score\" value=\"1e400\"/>"
                         "<Number name=\"x\" value=\"nan\"/><String name=\"score\"/><Boolean value=\"1\"/></ContextLua>";
    seed("KaLuaContextFuzz", "forged", Bytes(forged, forged + std::strlen(forged)));
}

// Saved games as the game writes them: its own elements by its writer, the
// inventory, phone and dialog elements in their owners' shapes, the globals
// by the Lua context; and a few an older program or a hand left.
void saveDocuments()
{
    struct Game {
        const char* script;
        const char* zone;
        const char* scene;
        const char* objects[3];
        const char* numbers[2];
        bool jog;
    };
    const Game games[] = {
        { "metAnsel = true ; gameStarted = true ; tide = 21.40 ; note = 'high <water> & \"wind\"'", "01", "01020",
            { "Lantern", "TideTable", nullptr }, { "5550142", "5550178" }, true },
        { "gameStarted = true", "01", "01010", { nullptr, nullptr, nullptr }, { nullptr, nullptr }, false },
        { "gameStarted = true", "01", "01020", { "Logbook", "BrassKey", "TideTable" }, { "5550142", nullptr }, false },
    };
    int n = 0;
    for (const Game& game : games) {
        KaLuaContext context;
        if (luaL_dostring(context.luaState(), game.script) != LUA_OK) {
            fail(std::string("lua: ") + lua_tostring(context.luaState(), -1));
            continue;
        }
        TiXmlDocument document;
        document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
        TiXmlElement* save = new TiXmlElement("Save");
        document.LinkEndChild(save);
        SaveDocument::writeVersion(*save);
        TiXmlElement* inventory = new TiXmlElement("Inventory");
        TiXmlElement* page = new TiXmlElement("Page");
        for (const char* id : game.objects) {
            TiXmlElement* slot = new TiXmlElement("Slot");
            if (id) {
                TiXmlElement* object = new TiXmlElement("Object");
                object->SetAttribute("id", id);
                slot->LinkEndChild(object);
            }
            page->LinkEndChild(slot);
        }
        inventory->LinkEndChild(page);
        save->LinkEndChild(inventory);
        TiXmlElement* phone = new TiXmlElement("Cellphone");
        for (const char* number : game.numbers) {
            if (!number)
                continue;
            TiXmlElement* entry = new TiXmlElement("Number");
            entry->SetAttribute("num", number);
            phone->LinkEndChild(entry);
        }
        save->LinkEndChild(phone);
        // The documents browser and the movies played, as the game writes
        // them: pages of slots, and one "Movie<n>" per film seen.
        TiXmlElement* browser = new TiXmlElement("DocumentsBrowser");
        TiXmlElement* documents = new TiXmlElement("Page");
        for (const char* id : game.objects) {
            TiXmlElement* slot = new TiXmlElement("Slot");
            if (id && std::strcmp(id, "Logbook") == 0) {
                TiXmlElement* saved = new TiXmlElement("Document");
                saved->SetAttribute("id", id);
                slot->LinkEndChild(saved);
            }
            documents->LinkEndChild(slot);
        }
        browser->LinkEndChild(documents);
        save->LinkEndChild(browser);
        if (game.jog) {
            TiXmlElement* movies = new TiXmlElement("MoviesPlayed");
            TiXmlElement* movie = new TiXmlElement("Movie0");
            movie->SetAttribute("moviePath", "movies/quay.ogv");
            movie->SetAttribute("audioPath", "movies/quay.ogg");
            movies->LinkEndChild(movie);
            save->LinkEndChild(movies);
        }
        save->LinkEndChild(new TiXmlElement("Dialog"));
        TiXmlElement* globals = new TiXmlElement("ContextLua");
        context.save(*globals);
        save->LinkEndChild(globals);
        SaveDocument values;
        values.zone = game.zone;
        values.scene = game.scene;
        values.difficulty = 1;
        values.playedSeconds = 754.9;
        values.objectsTaken = 2;
        values.objectsTakenBits = 4;
        values.dialogsTold = 1u << 15;
        values.previousScene = "01010";
        values.music = "sounds/Musics/harbour.ogg";
        values.runMode = game.jog ? "jog" : "walk";
        values.firstInInventory = !game.jog;
        values.tutorialActive = game.jog;
        values.write(*save);
        TiXmlPrinter printer;
        document.Accept(&printer);
        const std::string text = printer.CStr();
        seed("SaveDocumentFuzz", "save" + std::to_string(n), Bytes(text.begin(), text.end()));
        seed("SaveRestoreFuzz", "save" + std::to_string(n), Bytes(text.begin(), text.end()));
        ++n;
    }
    const char* older[] = {
        "<?xml version=\"1.0\" ?><Save><WarpName zone=\"01\" scene=\"01010\" /><PlayedTime value=\"12\" />"
        "<RunMode run=\"run\" /><FirstInInventory firstTime=\"0\" /></Save>",
        "<Save><GameVersion major=\"1\" minor=\"0\" /><WarpName scene=\"01020\" /><Difficulty value=\"2\" />"
        "<PlayedTime value=\"3600.5\" /><ObjectsTaken value=\"-1\" bits=\"31\" /><DialogsTold value=\"1048575\" />"
        "<ContextLua><Boolean name=\"b\" value=\"1\" /><Number name=\"BUTTON_VALID\" value=\"2\" />"
        "<String name=\"s\" value=\"\" /></ContextLua></Save>",
    };
    for (const char* text : older) {
        seed("SaveDocumentFuzz", "older" + std::to_string(n), Bytes(text, text + std::strlen(text)));
        seed("SaveRestoreFuzz", "older" + std::to_string(n++), Bytes(text, text + std::strlen(text)));
    }
}

// ---------------------------------------------------------------------------
// The game's own text files, as the sample game ships them, and the files
// the game writes.

Bytes fileBytes(const std::string& path)
{
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        fail("can't read " + path);
        return bytes;
    }
    unsigned char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + count);
    std::fclose(file);
    return bytes;
}

std::vector<std::string> gContentFiles;

int collectContentFile(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_F)
        gContentFiles.push_back(path);
    return 0;
}

// "content/menus/dialog.lua" gives "menus-dialog.lua".
std::string seedName(const std::string& path, const std::string& root)
{
    std::string name = path.substr(root.size() + 1);
    for (char& c : name)
        if (c == '/')
            c = '-';
    return name;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void contentFiles()
{
    const std::string root = std::string(KA_SOURCE_DIR) + "/content";
    if (nftw(root.c_str(), collectContentFile, 16, FTW_PHYS) != 0) {
        fail("can't list " + root);
        return;
    }
    for (const std::string& path : gContentFiles) {
        const std::string name = seedName(path, root);
        const std::string file = path.substr(path.rfind('/') + 1);
        if (endsWith(path, ".lua")) {
            // Scene scripts run as threads of the game's context; every other
            // Lua file describes a screen (or the Part file's values).
            const bool script = file.compare(0, 5, "Logic") == 0 || file == "logic.lua";
            seed(script ? "KaLuaThreadFuzz" : "KaLuaGUIFuzz", name, fileBytes(path));
        } else if (file == "lights.xml") {
            seed("LightsFileFuzz", name, fileBytes(path));
        } else if (file == "ModelsSettings.xml") {
            seed("CharacterSettingsFuzz", name, fileBytes(path));
        } else if (file == "ObjectsSettings.xml") {
            seed("ObjectsSettingsFuzz", name, fileBytes(path));
        } else if (endsWith(path, "texts/en.xml") || endsWith(path, "texts/fr.xml") || file.compare(0, 5, "help_") == 0) {
            seed("LocFileFuzz", name, fileBytes(path));
        }
    }

    // A script that waits, and the same script precompiled: refused.
    const char* waiting = "loaded = true\nfunction OnEnter() Wait() done = 1 end\nfunction OnClick(name) return name end\n"
                          "Wait()\nafter = 'resumed'\n";
    seed("KaLuaThreadFuzz", "waiting.lua", Bytes(waiting, waiting + std::strlen(waiting)));
    lua_State* state = luaL_newstate();
    if (luaL_loadstring(state, waiting) == LUA_OK) {
        Bytes chunk;
        lua_dump(
            state,
            [](lua_State*, const void* data, size_t size, void* out) {
                const unsigned char* bytes = static_cast<const unsigned char*>(data);
                static_cast<Bytes*>(out)->insert(static_cast<Bytes*>(out)->end(), bytes, bytes + size);
                return 0;
            },
            &chunk);
        seed("KaLuaThreadFuzz", "waiting.luac", chunk);
    }
    lua_close(state);

    // Localised entries of every kind, an avatar, markup in a value.
    const char* table = "<?xml version=\"1.0\" ?>\n<value name=\"hello\" value=\"Bonjour\" />\n"
                        "<dialog name=\"01010_KA_1\" value=\"Ah, &lt;b&gt;Mira&lt;/b&gt;\" avatar=\"Ansel.png\" />\n"
                        "<text name=\"empty\" value=\"\" />\n<other name=\"skipped\" value=\"x\" />\n"
                        "<value name=\"hello\" value=\"again\" />\n";
    seed("LocFileFuzz", "kinds.xml", Bytes(table, table + std::strlen(table)));

    // The options file as the application writes it.
    const char* options = "<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"0\" />\n"
                          "<DebugResolution x=\"800\" y=\"600\" maximized=\"0\" />\n"
                          "<DebugWindowPosition x=\"10\" y=\"20\" />\n<DebugFullScreen value=\"0\" />\n"
                          "<SFXVolume value=\"0.500000\" />\n<MusicVolume value=\"0.250000\" />\n"
                          "<DialogVolume value=\"0.700000\" />\n<VideoVolume value=\"0.700000\" />\n"
                          "<MusicOn value=\"1\" />\n<SetLigthPlayerCharacter value=\"1\" />\n<ArtworksUnlocked>\n"
                          "    <Movie0 artworkPath=\"ArtworkTideTable\" unlocked=\"1\" />\n"
                          "    <Movie1 artworkPath=\"movies/intro.ogv\" unlocked=\"1\" />\n</ArtworksUnlocked>\n"
                          "<DebugLanguage value=\"fr\" />\n<DebugPlatform value=\"linux\" />\n"
                          "<DebugPart value=\"1\" />\n<AlreadyRated value=\"1\" />\n";
    seed("OptionsFileFuzz", "options.xml", Bytes(options, options + std::strlen(options)));
    const char* first = "<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"0\" />\n"
                        "<SFXVolume value=\"1.000000\" />\n<MusicVolume value=\"1.000000\" />\n"
                        "<DialogVolume value=\"1.000000\" />\n<VideoVolume value=\"1.000000\" />\n"
                        "<SetLigthPlayerCharacter value=\"0\" />\n<ArtworksUnlocked />\n<AlreadyRated value=\"0\" />\n";
    seed("OptionsFileFuzz", "first-run.xml", Bytes(first, first + std::strlen(first)));
}

// Easing curves: a count, then that many doubles.
void interpolations()
{
    const std::vector<double> curves[] = { {}, { 0.0, 1.0 }, { 0.0, 0.1, 0.5, 0.9, 1.0, 1.2, 1.0 } };
    int n = 0;
    for (const std::vector<double>& samples : curves) {
        KaStream stream;
        stream.setMode(KaStream::Binary);
        stream.write(static_cast<int>(samples.size()));
        for (double sample : samples)
            stream.write(sample);
        const Bytes bytes = bytesOf(stream);
        seed("KaInterpolationFuzz", "curve" + std::to_string(n++), bytes);
        if (!bytes.empty())
            seed("KaInterpolationFuzz", "cut" + std::to_string(n), Bytes(bytes.begin(), bytes.end() - 3));
    }
    const char* text = "0, 0.25,0.5 , 1,";
    seed("KaInterpolationFuzz", "text", Bytes(text, text + std::strlen(text)));
}

// ---------------------------------------------------------------------------
// Video and camera

Bytes theora(unsigned int width, unsigned int height, unsigned int frames, bool withSound, bool fullRange)
{
    KaTheoraClip clip;
    clip.width = width;
    clip.height = height;
    clip.frames = frames;
    clip.fpsNumerator = 10;
    clip.quality = 20;
    clip.keyFrameInterval = 4;
    // A sound stream the reader must skip, kept short.
    clip.withVorbis = withSound;
    clip.vorbisRate = 8000;
    if (fullRange)
        clip.comments.push_back("ColorRange=FullRange");
    // Samples that change across the picture and from frame to frame.
    const unsigned int codedWidth = (width + 15) & ~15u;
    clip.luma = [codedWidth](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>((y * codedWidth + x) * 3 + n * 40);
    };
    clip.cb = [codedWidth](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>((y * codedWidth / 2 + x) * 3 + n * 40 + 60);
    };
    clip.cr = [codedWidth](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>((y * codedWidth / 2 + x) * 3 + n * 40 + 120);
    };
    const std::string file = KaEncodeTheora(clip);
    if (file.empty())
        fail("theora");
    return Bytes(file.begin(), file.end());
}

void videos()
{
    seed("KaTheoraFuzz", "plain", theora(16, 16, 6, false, false));
    seed("KaTheoraFuzz", "sound-fullrange", theora(20, 12, 9, true, true));
}

// The older video player reads the same files and plays them on its timer;
// one clip repeats frames, which it counts as frames.
void videoRegistry()
{
    seed("KaVideoFuzz", "plain", theora(16, 16, 6, false, false));
    seed("KaVideoFuzz", "sound", theora(20, 12, 9, true, false));
    KaTheoraClip clip;
    clip.width = 18;
    clip.height = 10;
    clip.frames = 12;
    clip.fpsNumerator = 30;
    clip.quality = 10;
    clip.keyFrameInterval = 4;
    clip.withVorbis = false;
    clip.duplicates = { 2, 3, 9 };
    const std::string file = KaEncodeTheora(clip);
    if (file.empty())
        fail("theora with duplicates");
    seed("KaVideoFuzz", "duplicates", Bytes(file.begin(), file.end()));
}

// The targets that read several files take them packed by KaFuzzJoin.
void alphaVideos()
{
    seed("KaTheoraWithAlphaFuzz", "pair",
        KaFuzzJoin({ theora(16, 16, 6, false, false), theora(16, 16, 6, false, true) }));
    seed("KaTheoraWithAlphaFuzz", "pair-sound-limited",
        KaFuzzJoin({ theora(20, 12, 9, true, true), theora(20, 12, 9, false, false) }));
    seed("KaTheoraWithAlphaFuzz", "other-size",
        KaFuzzJoin({ theora(16, 16, 3, false, false), theora(32, 16, 3, false, true) }));

    // The first byte picks the extension: png, jpg, bmp, tga, ogv, pvr.
    struct Pair {
        const char* name;
        unsigned char extension;
        Bytes rgb, alpha;
    };
    const Pair pairs[] = {
        { "png", 0, enginePng(5, 4, RGB888), enginePng(5, 4, RGB888) },
        { "png-rgb", 0, enginePng(3, 6, RGB888), enginePng(3, 6, RGB888) },
        { "jpg-grey", 1, jpegFile(17, 9, 3, false, 0), jpegFile(17, 9, 1, false, 0) },
        { "jpg-progressive", 1, jpegFile(16, 12, 3, true, 0), jpegFile(16, 12, 3, false, 1) },
        { "bmp", 2, bmp(5, 3, 24, 40), bmp(5, -3, 24, 40) },
        { "tga", 3, tga(5, 3, 24, false, false), tga(5, 3, 24, false, true) },
        { "ogv", 4, theora(16, 16, 6, false, false), theora(16, 16, 6, false, true) },
        { "png-other-size", 0, enginePng(5, 4, RGB888), enginePng(4, 5, GREY8) },
    };
    for (const Pair& pair : pairs) {
        Bytes bytes(1, pair.extension);
        const Bytes files = KaFuzzJoin({ pair.rgb, pair.alpha });
        bytes.insert(bytes.end(), files.begin(), files.end());
        seed("KaVideoWithAlphaFuzz", pair.name, bytes);
    }

    // Name, content, name, content...: a frame rate in the first name, a
    // stray note, a gap in the numbering, a picture of another size.
    // The target always reads six name and content pairs: empty names fill
    // the rest, so that every content keeps its byte count.
    const auto name = [](const char* text) { return Bytes(text, text + std::strlen(text)); };
    const auto sequence = [](std::vector<Bytes> parts) {
        parts.resize(12);
        return KaFuzzJoin(parts);
    };
    seed("KaImagesSequenceFuzz", "png-rate",
        sequence({ name("0-12.5.png"), enginePng(5, 4, RGB888), name("1.png"), enginePng(5, 4, RGB888),
            name("2.png"), enginePng(5, 4, RGB888), name("notes.txt"), name("not a picture") }));
    seed("KaImagesSequenceFuzz", "jpg-gap",
        sequence({ name("001.jpg"), jpegFile(8, 8, 1, false, 0), name("000.jpg"), jpegFile(8, 8, 1, false, 0),
            name("003.jpg"), jpegFile(8, 8, 1, false, 0) }));
    seed("KaImagesSequenceFuzz", "mixed",
        sequence({ name("0.tga"), tga(5, 3, 24, false, false), name("1.tga"), tga(3, 5, 24, false, false),
            name("2.bmp"), bmp(5, 3, 24, 40), name("3.png"), enginePng(5, 3, RGBA8888) }));
}

void cameras()
{
    KaStream out;
    KaVector3f32::serialize(out, KaVector3f32(0.0f, 1.7f, -5.0f));
    KaQuaternion::serialize(out, KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    KaVector3f32::serialize(out, KaVector3f32(1.0f, 1.0f, 1.0f));
    out.write(0.9f); // horizontal field of view
    out.write(1.333f); // aspect
    out.write(0.1f); // near
    out.write(1000.0f); // far
    seed("KaCameraFuzz", "camera", out);
}

// Skeletal animations through the engine's writer: a keyed one (plain and
// wrapped in "KAZ0") and a per-frame table.
void skeletalAnimations()
{
    KaIntrusivePtr<KaModelAnimation> keyed(new KaModelAnimation());
    keyed->setKeyed(true);
    keyed->setFrameCount(12);
    keyed->setFrameRate(30.0f);
    keyed->resizeNMOArrays(2);
    keyed->setBoneName(0, "Pere");
    keyed->setBoneName(1, "Bip01 Head");
    for (int k = 0; k <= 12; k += 4) {
        KaVector3f32 t(static_cast<float>(k), 0.5f, -1.0f);
        KaQuaternion q = KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), 0.3f * static_cast<float>(k));
        keyed->setTranslation(0, static_cast<float>(k), t);
        keyed->setRotation(0, static_cast<float>(k), q);
    }
    KaVector3f32 head(0.0f, 1.6f, 0.0f);
    KaQuaternion turn(0.0f, 0.0f, 0.0f, 1.0f);
    keyed->setTranslation(1, 6.0f, head);
    keyed->setRotation(1, 0.0f, turn);
    KaStream keyedOut;
    keyed->save(keyedOut);
    seed("KaModelAnimationFuzz", "keyed", keyedOut);
    Bytes wrapped = { 'K', 'A', 'Z', '0' };
    const Bytes block = zlibBlock(bytesOf(keyedOut));
    wrapped.insert(wrapped.end(), block.begin(), block.end());
    seed("KaModelAnimationFuzz", "keyed-kaz0", wrapped);

    KaIntrusivePtr<KaModelAnimation> table(new KaModelAnimation());
    table->setKeyed(false);
    table->setFrameRate(25.0f);
    table->resizeFBXArrays(2);
    table->setBoneName(0, "a");
    table->setBoneName(1, "bone two");
    for (int row = 0; row < 5; ++row) {
        KaVector3f32 t(0.0f, static_cast<float>(row), 0.0f);
        KaQuaternion q(0.0f, 0.0f, 0.0f, 1.0f);
        table->setTranslation(0, static_cast<float>(row), t);
        table->setRotation(0, static_cast<float>(row), q);
    }
    KaVector3f32 t(1.0f, 2.0f, 3.0f);
    table->setTranslation(1, 2.0f, t);
    KaStream tableOut;
    table->save(tableOut);
    seed("KaModelAnimationFuzz", "table", tableOut);
}

// Vertex animations: version 2 through the engine's writer, and a version
// 256 file (vertices with matrices, which the writer never writes).
void vertexAnimations()
{
    const float times[] = { 0.0f, 10.0f, 20.0f };
    KaStream v256;
    v256.setMode(KaStream::Binary);
    v256.writeData("KAVA", 4);
    v256.write(256u);
    v256.writeData("HEAD", 4);
    KaString::serialize(v256, KaString("cape"));
    v256.write(3u); // vertices
    v256.write(3u); // keys
    v256.writeData("TIME", 4);
    for (float t : times)
        v256.write(t);
    v256.writeData("DATA", 4);
    for (int k = 0; k < 3; ++k) {
        for (int v = 0; v < 3; ++v) {
            v256.write(static_cast<float>(v));
            v256.write(static_cast<float>(k));
            v256.write(0.5f);
            const float matrix[16] = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, static_cast<float>(k), 0, 0, 1 };
            for (float m : matrix)
                v256.write(m);
        }
    }
    seed("KaModelVertexAnimationFuzz", "v256", v256);

    KaIntrusivePtr<KaModelVertexAnimation> anim(new KaModelVertexAnimation());
    v256.seek(0);
    if (!anim->load(v256))
        fail("vertex animation seed does not load");
    KaStream v2;
    anim->save(v2);
    seed("KaModelVertexAnimationFuzz", "v2", v2);
}


// ---------------------------------------------------------------------------
// Models

void addBone(KaModel& model, const char* name, uint16_t parent, const KaVector3f32& translation)
{
    KaModel::bone b;
    b.name = name;
    b.parent = parent;
    b.bindTransform = KaTRS(translation, KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f), KaVector3f32(1.0f, 1.0f, 1.0f));
    model.bones().pushBack(b);
    KaMatrix4x4 inverse;
    inverse.translate(KaVector3f32(-translation.x, -translation.y, -translation.z));
    model.inverseBindMatrices().pushBack(inverse);
}

// A mesh of vertexCount vertices with one face per material, its vertices
// spread over matrices matrix indices.
KaMesh modelMesh(const char* name, unsigned int vertexCount, unsigned int materials, unsigned int matrices, bool uvs,
    bool colors)
{
    KaMesh mesh;
    mesh.setConf(vertexCount, 3 * materials, KaMesh::TRIANGLES, materials, materials);
    mesh.setName(name);
    for (unsigned int v = 0; v < vertexCount; ++v) {
        const float f = static_cast<float>(v);
        mesh.setVertex(v, KaVector3f32(f, 1.0f - f, 0.5f * f));
        mesh.setNormal(v, KaVector3f32(0.0f, 1.0f, 0.0f));
        if (uvs)
            mesh.setTextureUV(v, KaVector2f32(0.25f * f, 1.0f));
        if (colors)
            mesh.setColor(v, KaColor(static_cast<unsigned char>(40 * v), 100, 200, 255));
        mesh.matrixIndex(v, v % matrices);
    }
    for (unsigned int i = 0; i < 3 * materials; ++i)
        mesh.setIndex(i, i % vertexCount);
    for (unsigned int m = 0; m < materials; ++m) {
        KaMaterial material;
        material.setShininess(3.0f);
        mesh.attachMaterial(m, material);
        mesh.facesPerMaterial(m, 1);
    }
    return mesh;
}

void models()
{
    KaModel model;
    addBone(model, "root", KaModel::mNoParent, KaVector3f32(0.0f, 1.0f, 0.0f));
    addBone(model, "spine", 0, KaVector3f32(0.0f, 2.0f, 0.0f));
    addBone(model, "head", 1, KaVector3f32(0.0f, 0.5f, 0.0f));
    KaArray<KaModel::weightElement> list;
    list.pushBack(KaModel::weightElement { 0.5f, 0 });
    list.pushBack(KaModel::weightElement { 0.5f, 1 });
    model.findOrAddWeights(list);
    model.addMesh(modelMesh("body", 5, 2, 4, true, false));
    model.addMesh(modelMesh("hat", 3, 1, 2, false, true));

    KaStream withMatrices;
    model.saveModel(withMatrices, 0);
    seed("KaModelFuzz", "skinned", withMatrices);
    KaStream selfSkinning;
    model.saveModel(selfSkinning, KaModel::mSelfSkinningFlag);
    seed("KaModelFuzz", "self-skinning", selfSkinning);

    // Version 11: no flags word.
    Bytes old = bytesOf(withMatrices);
    old[4] = 11;
    old.erase(old.begin() + 20, old.begin() + 24);
    seed("KaModelFuzz", "version-11", old);

    Bytes wrapped = { 'K', 'A', 'Z', '0' };
    const Bytes block = zlibBlock(bytesOf(withMatrices));
    wrapped.insert(wrapped.end(), block.begin(), block.end());
    seed("KaModelFuzz", "wrapped", wrapped);

    KaModel boneless;
    boneless.addMesh(modelMesh("plain", 3, 1, 1, true, true));
    KaStream plain;
    boneless.saveModel(plain, 0);
    seed("KaModelFuzz", "no-bones", plain);
}

// ---------------------------------------------------------------------------
// Walkable zones

// A floor of 10-unit squares, one per '#' of the rows (row index is z).
void buildZoneFloor(KaFreeMoveZone& zone, const char* const* rows, int count)
{
    std::vector<KaVector3f32> vertices;
    for (int z = 0; z < count; ++z) {
        for (int x = 0; rows[z][x] != 0; ++x) {
            if (rows[z][x] != '#')
                continue;
            const float x0 = x * 10.0f, x1 = x0 + 10.0f, z0 = z * 10.0f, z1 = z0 + 10.0f;
            const KaVector3f32 a(x0, 0.0f, z0), b(x1, 0.0f, z0), c(x1, 0.0f, z1), d(x0, 0.0f, z1);
            for (const KaVector3f32& v : { a, b, c, a, c, d })
                vertices.push_back(v);
        }
    }
    zone.setNbTriangles(vertices.size() / 3);
    for (size_t i = 0; i < vertices.size(); ++i)
        zone.setVertex(i, vertices[i]);
}

void zoneBlocks()
{
    static const char* const kL[] = { "#..", "#..", "###" };
    static const char* const kStrip[] = { "##" };
    {
        // Written clean: every derived field filled in.
        KaFreeMoveZone zone;
        zone.setName("floor");
        buildZoneFloor(zone, kL, 3);
        KaStream out;
        KaFreeMoveZone::serialize(out, zone, true);
        seed("KaFreeMoveZoneFuzz", "l-clean", out);
    }
    {
        // Written as built: everything marked dirty, no derived data.
        KaFreeMoveZone zone;
        zone.setName("floor");
        buildZoneFloor(zone, kStrip, 1);
        KaStream out;
        KaFreeMoveZone::serialize(out, zone, false);
        seed("KaFreeMoveZoneFuzz", "strip-dirty", out);
    }
    {
        KaFreeMoveZone zone;
        zone.setName("room_19000");
        buildZoneFloor(zone, kStrip, 1);
        zone.setPosition(KaVector3f32(5.0f, -1.0f, 2.0f));
        KaStream out;
        KaFreeMoveZone::serialize(out, zone, true);
        seed("KaFreeMoveZoneFuzz", "19000-moved", out);
    }
}

void zoneFiles()
{
    // Position, rotation, scale; four shared vertices; two triangles.
    KaStream out;
    KaVector3f32::serialize(out, KaVector3f32(0.0f, 0.0f, 0.0f));
    KaQuaternion::serialize(out, KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    KaVector3f32::serialize(out, KaVector3f32(1.0f, 1.0f, 1.0f));
    const KaVector3f32 corners[] = { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(30.0f, 0.0f, 5.0f),
        KaVector3f32(25.0f, 0.0f, 35.0f), KaVector3f32(-5.0f, 0.0f, 30.0f) };
    out.write(4u);
    for (const KaVector3f32& corner : corners)
        KaVector3f32::serialize(out, corner);
    out.write(2u);
    for (unsigned short index : { 0, 1, 2, 0, 2, 3 })
        out.write(index);
    seed("KaFreeMoveZoneLoadBinFuzz", "square", out);
}

// ---------------------------------------------------------------------------
// The scene's files

SceneGeometryFile::Object sceneObject(const char* name, const char* type, const KaColor& color)
{
    SceneGeometryFile::Object object;
    object.name = name;
    object.type = type;
    object.position = KaVector3f32(50.0f, 0.0f, 20.0f);
    object.rotation = KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
    object.scale = KaVector3f32(1.0f, 1.0f, 1.0f);
    const KaVector3f32 corners[] = { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(40.0f, 0.0f, 0.0f),
        KaVector3f32(40.0f, 80.0f, 0.0f), KaVector3f32(0.0f, 80.0f, 0.0f) };
    for (int i = 0; i < 4; ++i) {
        object.positions.pushBack(corners[i]);
        object.normals.pushBack(KaVector3f32(0.0f, 0.0f, 1.0f));
        object.uvs.pushBack(KaVector2f32(corners[i].x / 40.0f, corners[i].y / 80.0f));
        object.colors.pushBack(color);
    }
    for (unsigned int index : { 0u, 1u, 2u, 0u, 2u, 3u })
        object.indices.pushBack(index);
    return object;
}

void sceneFiles()
{
    static const char* const kRoom[] = { "####", "####", "##.." };
    SceneGeometryFile geometry;
    SceneGeometryFile::Camera camera;
    camera.position = KaVector3f32(20.0f, 160.0f, 300.0f);
    camera.rotation = KaQuaternion(-0.2f, 0.0f, 0.0f, 0.98f);
    camera.scale = KaVector3f32(1.0f, 1.0f, 1.0f);
    camera.fov = 0.8f;
    camera.aspect = 4.0f / 3.0f;
    camera.nearPlane = 10.0f;
    camera.farPlane = 3000.0f;
    camera.name = "CameraRoom";
    geometry.cameras.pushBack(camera);
    camera.name = "CameraDoor";
    camera.position = KaVector3f32(-80.0f, 150.0f, 100.0f);
    geometry.cameras.pushBack(camera);
    geometry.objects.pushBack(sceneObject("DoorClic", "", KaColor(0, 255, 0, 255)));
    geometry.objects.pushBack(sceneObject("Chest", "chest", KaColor(120, 80, 40, 255)));
    KaFreeMoveZone* zone = new KaFreeMoveZone();
    zone->setName("RoomFloor");
    buildZoneFloor(*zone, kRoom, 3);
    geometry.zones.pushBack(zone);
    SceneGeometryFile::Curve curve;
    curve.name = "CurveToDoor";
    curve.scale = KaVector3f32(1.0f, 1.0f, 1.0f);
    curve.length = 42.0f;
    for (int i = 0; i < 4; ++i)
        curve.points.pushBack(KaVector3f32(5.0f + 8.0f * i, 0.0f, 5.0f + 3.0f * i));
    geometry.curves.pushBack(curve);
    SceneGeometryFile::Dummy dummy;
    dummy.name = "DummyDoor";
    dummy.position = KaVector3f32(35.0f, 0.0f, 5.0f);
    dummy.rotation = KaQuaternion(0.0f, 0.7071068f, 0.0f, 0.7071068f);
    dummy.scale = KaVector3f32(1.0f, 1.0f, 1.0f);
    geometry.dummies.pushBack(dummy);
    {
        KaStream out;
        if (!geometry.write(out))
            fail("scene geometry");
        seed("SceneGeometryFileFuzz", "room", out);
    }

    KaArray<KaActZone> actZones;
    KaActZone act;
    act.zoneName = "RoomFloor";
    act.name = "Door";
    act.corners[0] = KaVector2f32(30.0f, 0.0f);
    act.corners[1] = KaVector2f32(40.0f, 0.0f);
    act.corners[2] = KaVector2f32(40.0f, 10.0f);
    act.corners[3] = KaVector2f32(30.0f, 10.0f);
    act.flag = true;
    actZones.pushBack(act);
    act.name = "Window";
    act.flag = false;
    actZones.pushBack(act);
    {
        KaStream out;
        ActZonesFile::write(out, actZones);
        seed("ActZonesFileFuzz", "two", out);
    }

    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "RoomFloor";
    blocker.first = KaVector2f32(0.0f, 20.0f);
    blocker.second = KaVector2f32(25.0f, 20.0f);
    blockers.pushBack(blocker);
    KaArray<KaRectBlocker> rects;
    KaRectBlocker rect;
    rect.zoneName = "RoomFloor";
    rect.corners[1] = KaVector2f32(5.0f, 0.0f);
    rect.corners[2] = KaVector2f32(5.0f, 5.0f);
    rect.corners[3] = KaVector2f32(0.0f, 5.0f);
    rects.pushBack(rect);
    for (bool withMagic : { true, false }) {
        KaStream out;
        BlockersFile::write(out, blockers, rects, withMagic);
        seed("BlockersFileFuzz", withMagic ? "with-magic" : "without-magic", out);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Fonts and text

const char* const kMonoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// The tiny font whole, cut short and with its table directory and glyph data
// disturbed; and the start of an installed font, read at seed time, whose
// hinting programs the tiny font lacks.
void fonts()
{
    const std::string tiny = KaTinyFont();
    const Bytes whole(tiny.begin(), tiny.end());
    seed("KaFont3Fuzz", "tiny", whole);
    seed("KaFont3Fuzz", "tiny-cut", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    Bytes directory = whole;
    directory[12 + 16 * 2 + 8] ^= 0x7F; // an offset of the third table
    seed("KaFont3Fuzz", "tiny-offset", directory);
    Bytes glyphs = whole;
    glyphs[glyphs.size() - 40] ^= 0xFF;
    seed("KaFont3Fuzz", "tiny-glyph", glyphs);
    KaFile file;
    if (!file.open(KaPath(kMonoFont), KaFileSystem::Read))
        return;
    Bytes start(24 * 1024);
    start.resize(file.readData(start.data(), start.size()));
    seed("KaFont3Fuzz", "mono-start", start);
}

void textMarkup()
{
    const std::string font = std::string("<font file=\"") + kMonoFont + "\" size=\"12\"/>";
    const std::string texts[] = {
        "<section style=\"left\"/><color r=\"255\" g=\"255\" b=\"255\"/>" + font + "Hello world",
        font + "$(hello) $(br) $(amp) $(self) $(nothing) $(open)x) $(tag)red",
        "<section style=\"JUSTIFY\"/>" + font + "a b c d e f g h i j k l m n o p<br/><br/>q   r",
        "<section style=\"center\"/>" + font + "caf\xE9 &#233; &amp; & &#x41; <color a=\"300\"/>long" + "wordwordword",
        font + "<b>inner</b> after $(broken) < unclosed",
        "before" + font + "$(hello",
    };
    int n = 0;
    for (const std::string& text : texts)
        seed("KaTextLayoutFuzz", "text" + std::to_string(n++), Bytes(text.begin(), text.end()));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    gRoot = argv[1];
    makeFolder(gRoot);
    strings();
    streams();
    packages();
    zlibBlocks();
    palettes();
    curves();
    serialisedImages();
    pngs();
    jpegs();
    pvrs();
    bmps();
    tgas();
    wavs();
    oggs();
    xml();
    contextLua();
    saveDocuments();
    contentFiles();
    interpolations();
    xmlGuis();
    videos();
    videoRegistry();
    alphaVideos();
    cameras();
    skeletalAnimations();
    vertexAnimations();
    models();
    zoneBlocks();
    zoneFiles();
    sceneFiles();
    fonts();
    textMarkup();
    return gFailures == 0 ? 0 : 1;
}
