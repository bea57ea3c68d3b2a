// Decoding a 2048 x 2048 RGBA PNG through KaImage::load (file lookup, codec,
// buffer allocation, rows written bottom-up) against the bare libpng decode
// of the same file into a freshly allocated buffer of the same layout. The
// file is written once, in the first benchmark's setup; compare the two
// times of one run.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "engine/graphics/KaImage.h"

namespace {

const unsigned int kSide = 2048;

// A picture with smooth areas and detail, compressing roughly like content
// art (several megabytes rather than a few kilobytes of flat colour).
bool writePicture(const char* path)
{
    std::vector<unsigned char> row(kSide * 4);
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    unsigned int noise = 12345;
    for (unsigned int y = 0; y < kSide; ++y) {
        for (unsigned int x = 0; x < kSide; ++x) {
            noise = noise * 1103515245u + 12345u;
            unsigned char* pixel = &row[x * 4];
            pixel[0] = static_cast<unsigned char>(x / 8 + ((noise >> 16) & 7));
            pixel[1] = static_cast<unsigned char>(y / 8 + ((noise >> 20) & 7));
            pixel[2] = static_cast<unsigned char>((x ^ y) & 0xFF);
            pixel[3] = static_cast<unsigned char>(((x + y) / 16) & 0xFF);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

const std::string& picturePath()
{
    static std::string path;
    if (path.empty()) {
        char name[] = "/tmp/ka_image_bench_XXXXXX.png";
        int fd = mkstemps(name, 4);
        if (fd >= 0)
            close(fd);
        path = std::string(name);
        if (!writePicture(path.c_str()))
            path.clear();
        else
            std::atexit([] { unlink(picturePath().c_str()); });
    }
    return path;
}

// The plain libpng route, as a program without the engine would write it.
bool bareDecode(const char* path, unsigned char** pixels)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    *pixels = new unsigned char[stride * height];
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, *pixels + (height - 1 - y) * stride, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return width == kSide;
}

void BM_KaImageLoadPng(benchmark::State& state)
{
    const std::string& path = picturePath();
    if (path.empty()) {
        state.SkipWithError("could not write the picture");
        return;
    }
    for (auto _ : state) {
        KaImage image;
        if (!image.load(KaPath(path.c_str()))) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(image.buffer());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_KaImageLoadPng)->Unit(benchmark::kMillisecond);

void BM_BareLibpngDecode(benchmark::State& state)
{
    const std::string& path = picturePath();
    if (path.empty()) {
        state.SkipWithError("could not write the picture");
        return;
    }
    for (auto _ : state) {
        unsigned char* pixels = nullptr;
        const bool decoded = bareDecode(path.c_str(), &pixels);
        benchmark::DoNotOptimize(pixels);
        delete[] pixels;
        if (!decoded) {
            state.SkipWithError("decode failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_BareLibpngDecode)->Unit(benchmark::kMillisecond);

} // namespace
