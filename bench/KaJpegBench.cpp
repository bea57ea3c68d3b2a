// Decoding a 2048 x 2048 JPEG through KaImage::load against libjpeg's own
// decode of the same file (stdio source, fresh output buffer per decode, as
// the image allocates one per load). The ratio of the two is the cost of the
// engine's path: its source manager, its row placement and its bookkeeping.

#include <benchmark/benchmark.h>

#include <jpeglib.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/graphics/KaImage.h"
#include "tools/fixtures/KaJpegFixture.h"

namespace {

const unsigned int kSide = 2048;

// A photograph-like picture: smooth gradients with some grain, so the coder
// has real work at quality 90.
std::vector<unsigned char> makePicture()
{
    std::vector<unsigned char> pixels(static_cast<size_t>(kSide) * kSide * 3);
    unsigned int noise = 12345;
    for (unsigned int y = 0; y < kSide; ++y) {
        for (unsigned int x = 0; x < kSide; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 15) - 8;
            unsigned char* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 3];
            p[0] = static_cast<unsigned char>(std::min(255, std::max(0, static_cast<int>(x / 8) + grain)));
            p[1] = static_cast<unsigned char>(std::min(255, std::max(0, static_cast<int>(y / 8) + grain)));
            p[2] = static_cast<unsigned char>(std::min(255, std::max(0, static_cast<int>((x + y) / 16) + grain)));
        }
    }
    return pixels;
}

std::string encode(const std::vector<unsigned char>& pixels)
{
    return KaEncodeJpeg(pixels.data(), kSide, kSide, 3);
}

// The file, made once for the whole run and removed at exit.
class BenchFile {
public:
    BenchFile()
    {
        char folder[] = "/tmp/ka_jpeg_bench_XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        mFolder = folder;
        mPath = mFolder + "/picture.jpg";
        const std::string bytes = encode(makePicture());
        KaFile file;
        if (!file.open(KaPath(mPath.c_str()), KaFileSystem::Write)
            || file.writeData(bytes.data(), bytes.size()) != bytes.size())
            std::abort();
    }
    ~BenchFile()
    {
        std::remove(mPath.c_str());
        rmdir(mFolder.c_str());
    }
    const std::string& path() const { return mPath; }

private:
    std::string mFolder;
    std::string mPath;
};

const BenchFile& benchFile()
{
    static const BenchFile file;
    return file;
}

void BM_KaImageLoadJpeg(benchmark::State& state)
{
    const KaPath path(benchFile().path().c_str());
    for (auto _ : state) {
        KaImage image;
        if (!image.load(path)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(image.buffer());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_KaImageLoadJpeg)->Unit(benchmark::kMillisecond);

void BM_BareLibjpegDecode(benchmark::State& state)
{
    const std::string& path = benchFile().path();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            state.SkipWithError("open failed");
            break;
        }
        jpeg_decompress_struct decompressor;
        jpeg_error_mgr error;
        decompressor.err = jpeg_std_error(&error);
        jpeg_create_decompress(&decompressor);
        jpeg_stdio_src(&decompressor, file);
        jpeg_read_header(&decompressor, TRUE);
        decompressor.out_color_space = JCS_RGB;
        jpeg_start_decompress(&decompressor);
        const size_t stride = static_cast<size_t>(decompressor.output_width) * 3;
        unsigned char* pixels = new unsigned char[stride * decompressor.output_height];
        while (decompressor.output_scanline < decompressor.output_height) {
            JSAMPROW row = pixels + decompressor.output_scanline * stride;
            jpeg_read_scanlines(&decompressor, &row, 1);
        }
        jpeg_finish_decompress(&decompressor);
        jpeg_destroy_decompress(&decompressor);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels);
        delete[] pixels;
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_BareLibjpegDecode)->Unit(benchmark::kMillisecond);

} // namespace
