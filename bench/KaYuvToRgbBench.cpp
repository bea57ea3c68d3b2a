// Y'CbCr 4:2:0 to RGB conversion of one video frame, as the Theora codec
// runs it for every decoded frame.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/graphics/KaYuvToRgb.h"

namespace {

struct Frame {
    int width, height;
    std::vector<uint8_t> y, u, v;

    Frame(int w, int h)
        : width(w)
        , height(h)
        , y(static_cast<size_t>(w) * h)
        , u(static_cast<size_t>((w + 1) / 2) * ((h + 1) / 2))
        , v(u.size())
    {
        // Natural-looking content: mostly inside the video range, with some
        // saturated samples so that the clamping path is taken now and then.
        for (size_t i = 0; i < y.size(); ++i)
            y[i] = static_cast<uint8_t>(16 + (i * 7 + i / static_cast<size_t>(w) * 3) % 224);
        for (size_t i = 0; i < u.size(); ++i) {
            u[i] = static_cast<uint8_t>(40 + (i * 5) % 180);
            v[i] = static_cast<uint8_t>(30 + (i * 11) % 200);
        }
    }
};

void BM_Yuv420ToRgb888(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame frame(w, h);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 3);
    for (auto _ : state) {
        yuv420_2_rgb888(out.data(), frame.y.data(), frame.u.data(), frame.v.data(), w, h, w, (w + 1) / 2, w * 3);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_Yuv420ToRgb888)->Args({ 640, 360 })->Args({ 1280, 720 })->Args({ 1920, 1080 });

void BM_Yuv420ToRgb8888(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame frame(w, h);
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    for (auto _ : state) {
        yuv420_2_rgb8888(out.data(), frame.y.data(), frame.u.data(), frame.v.data(), w, h, w, (w + 1) / 2, w * 4);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_Yuv420ToRgb8888)->Args({ 1280, 720 })->Args({ 1920, 1080 });

// The alpha pass of an alpha video: one byte of every RGBA pixel.
void BM_Yuv420AlphaPass(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame frame(w, h);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (auto _ : state) {
        yuv420_2_luma8(out.data() + 3, 4, frame.y.data(), frame.v.data(), w, h, w, (w + 1) / 2, w * 4, false);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_Yuv420AlphaPass)->Args({ 1280, 720 });

} // namespace
