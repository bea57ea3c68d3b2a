// Decoding a 640 x 360 Theora clip in sequence through KaTheora into an
// RGB888 image, against bare libtheora decoding of the same packets followed
// by a plain per-pixel conversion loop. Both read the Ogg file from memory and
// parse its headers on every pass. The ratio of the two is the cost of the
// engine's path: its packet bookkeeping, its table-driven conversion and its
// row placement. The bare decode without any conversion (argument 0) shows
// what the conversion costs on its own.

#include <benchmark/benchmark.h>

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

const unsigned int kWidth = 640;
const unsigned int kHeight = 360;
const unsigned int kFrames = 60;

// A moving picture with gradients, edges and some grain: the decoder has
// real inter and intra work at a middle quality.
std::string encodeClip()
{
    KaTheoraClip clip;
    clip.width = kWidth;
    clip.height = kHeight;
    clip.frames = kFrames;
    clip.quality = 48;
    clip.keyFrameInterval = 32;
    clip.framesPerPage = 0;
    clip.withVorbis = false;
    // The grain follows the luma samples in the order they are asked for.
    unsigned int noise = 1;
    clip.luma = [noise](unsigned int n, unsigned int c, unsigned int r) mutable {
        noise = noise * 1103515245u + 12345u;
        const unsigned int square = ((c + 4 * n) / 40 + r / 40) & 1;
        return static_cast<unsigned char>(
            std::min(235u, 16 + (c + r + 3 * n) % 160 + square * 50 + ((noise >> 16) & 7)));
    };
    clip.cb = [](unsigned int n, unsigned int c, unsigned int) { return static_cast<unsigned char>(64 + (c + n) % 128); };
    clip.cr = [](unsigned int n, unsigned int, unsigned int r) { return static_cast<unsigned char>(64 + (r + 2 * n) % 128); };
    return KaEncodeTheora(clip);
}

const std::string& clip()
{
    static const std::string file = encodeClip();
    return file;
}

inline unsigned char clamp(int value)
{
    return static_cast<unsigned char>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// The plain conversion: BT.601 video range, integer arithmetic per channel.
void convert(const th_ycbcr_buffer planes, const th_info& info, unsigned char* out)
{
    for (unsigned int r = 0; r < info.pic_height; ++r) {
        // libtheora hands out the top row with a negative stride.
        const long row = static_cast<long>(info.pic_y + r);
        const unsigned char* y = planes[0].data + row * planes[0].stride + info.pic_x;
        const unsigned char* u = planes[1].data + (row / 2) * planes[1].stride + info.pic_x / 2;
        const unsigned char* v = planes[2].data + (row / 2) * planes[2].stride + info.pic_x / 2;
        unsigned char* pixel = out + static_cast<size_t>(r) * info.pic_width * 3;
        for (unsigned int c = 0; c < info.pic_width; ++c, pixel += 3) {
            const int luma = 298 * (y[c] - 16) + 128;
            const int cb = u[c / 2] - 128;
            const int cr = v[c / 2] - 128;
            pixel[0] = clamp((luma + 409 * cr) >> 8);
            pixel[1] = clamp((luma - 100 * cb - 208 * cr) >> 8);
            pixel[2] = clamp((luma + 516 * cb) >> 8);
        }
    }
}

void BM_KaTheoraSequentialRGB888(benchmark::State& state)
{
    const std::string& file = clip();
    KaStream stream;
    stream.writeData(file.data(), file.size());
    KaImage image;
    for (auto _ : state) {
        stream.seek(0);
        KaTheora codec;
        if (!codec.load(stream) || codec.nbFrames() != kFrames) {
            state.SkipWithError("load failed");
            break;
        }
        if (image.width() != codec.width())
            image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGB888);
        for (unsigned long n = 0; n < kFrames; ++n) {
            if (!codec.update(n, image)) {
                state.SkipWithError("update failed");
                break;
            }
        }
        benchmark::DoNotOptimize(image.buffer());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_KaTheoraSequentialRGB888)->Unit(benchmark::kMillisecond);

void BM_BareLibtheoraPlainConversion(benchmark::State& state)
{
    const bool converting = state.range(0) != 0;
    const std::string& file = clip();
    std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        ogg_sync_state sync;
        ogg_sync_init(&sync);
        char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
        std::memcpy(buffer, file.data(), file.size());
        ogg_sync_wrote(&sync, static_cast<long>(file.size()));
        th_info info;
        th_comment comment;
        th_setup_info* setup = nullptr;
        th_info_init(&info);
        th_comment_init(&comment);
        th_dec_ctx* decoder = nullptr;
        ogg_stream_state stream;
        bool streamReady = false;
        ogg_page page;
        ogg_packet packet;
        unsigned int frames = 0;
        while (ogg_sync_pageout(&sync, &page) == 1) {
            if (!streamReady) {
                ogg_stream_init(&stream, ogg_page_serialno(&page));
                streamReady = true;
            }
            ogg_stream_pagein(&stream, &page);
            while (ogg_stream_packetout(&stream, &packet) == 1) {
                if (!decoder) {
                    if (th_decode_headerin(&info, &comment, &setup, &packet) > 0)
                        continue;
                    decoder = th_decode_alloc(&info, setup);
                    th_setup_free(setup);
                    setup = nullptr;
                }
                if (th_decode_packetin(decoder, &packet, nullptr) >= 0) {
                    th_ycbcr_buffer planes;
                    th_decode_ycbcr_out(decoder, planes);
                    if (converting)
                        convert(planes, info, rgb.data());
                    ++frames;
                }
            }
        }
        benchmark::DoNotOptimize(rgb.data());
        if (frames != kFrames)
            state.SkipWithError("bare decode lost frames");
        if (decoder)
            th_decode_free(decoder);
        if (streamReady)
            ogg_stream_clear(&stream);
        th_comment_clear(&comment);
        th_info_clear(&info);
        ogg_sync_clear(&sync);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_BareLibtheoraPlainConversion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
