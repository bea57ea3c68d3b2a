// The older video player on a 320 x 240, 25 frames a second clip of two
// seconds, on a clock moved by hand: played through at a 60 Hz frame loop
// (each due frame decoded, converted and uploaded), against the same two
// seconds in one stalled frame (the frames in between decoded or sought over,
// only the last one converted and uploaded). Each pass opens the file, so the
// header reading and the length scan are counted too.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/support/KaBenchGLContext.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaVideo.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

const unsigned int kFrames = 50;

class Clock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    unsigned long long mNow = 1000000000ULL;
};

// The clip written once to a file of its own, removed at exit.
char gClipName[] = "/tmp/ka-video-bench-XXXXXX";

void removeClip() { std::remove(gClipName); }

KaPath clipPath()
{
    static bool written = false;
    if (!written) {
        KaTheoraClip clip;
        clip.width = 320;
        clip.height = 240;
        clip.frames = kFrames;
        clip.quality = 40;
        clip.keyFrameInterval = 16;
        clip.withVorbis = false;
        clip.luma = [](unsigned int n, unsigned int c, unsigned int r) {
            return static_cast<unsigned char>(16 + (c + r + 5 * n) % 200);
        };
        const std::string bytes = KaEncodeTheora(clip);
        const int fd = mkstemp(gClipName);
        if (fd < 0)
            return KaPath();
        written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        close(fd);
        std::atexit(removeClip);
        if (!written)
            return KaPath();
    }
    return KaPath(gClipName);
}

void play(benchmark::State& state, double frameMilliseconds)
{
    std::unique_ptr<KaBenchGLContext> gl(new KaBenchGLContext(64));
    if (!gl->valid()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const KaPath path = clipPath();
    Clock clock;
    KaTimer::setClock(&clock);
    KaTimer::updateAll();
    const double total = 1000.0 * kFrames / 25.0;
    for (auto _ : state) {
        KaVideo video;
        if (!video.open(path)) {
            state.SkipWithError("the clip does not open");
            break;
        }
        video.play();
        KaTimer::updateAll();
        for (double t = 0; t < total; t += frameMilliseconds) {
            clock.mNow += static_cast<unsigned long long>(frameMilliseconds * 1000.0);
            KaTimer::updateAll();
            KaVideo::updateAll();
        }
        benchmark::DoNotOptimize(video.frame());
    }
    KaTimer::setClock(nullptr);
    renderer.destroy();
}

void BM_VideoAt60Hz(benchmark::State& state) { play(state, 1000.0 / 60.0); }
void BM_VideoInOneStall(benchmark::State& state) { play(state, 1000.0 * kFrames / 25.0 - 1.0); }

} // namespace

BENCHMARK(BM_VideoAt60Hz)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VideoInOneStall)->Unit(benchmark::kMillisecond);
