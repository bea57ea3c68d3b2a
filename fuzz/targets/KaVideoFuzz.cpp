// The older video player on any bytes: opened by path, played on a clock the
// target moves (smooth frames, a stall, a pause), stopped and played again
// from the start, run to its end, then closed. Whatever the file holds, the
// video stops at its end and the picture stays the size it was opened at.

#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaVideo.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

class FuzzClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void frame(KaVideo& video, double milliseconds)
    {
        mNow += static_cast<unsigned long long>(milliseconds * 1000.0);
        KaTimer::updateAll();
        KaVideo::updateAll();
        const KaImage& image = video.image();
        KaFuzzCheck(image.width() == video.width() && image.height() == video.height(),
            "the picture keeps the size the video was opened at");
        KaFuzzTouch(image.buffer(), image.bufferSize());
    }
    unsigned long long mNow = 1000000000ULL;
};

struct FinishCounter {
    int count = 0;
    bool onFinished()
    {
        ++count;
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("clip.ogv", data, size);
    FuzzClock clock;
    KaTimer::setClock(&clock);
    KaTimer::updateAll();
    {
        KaVideo video;
        FinishCounter finished;
        video.onFinished().add(&finished, &FinishCounter::onFinished);
        if (video.open(path)) {
            video.play();
            clock.frame(video, 0);
            for (int i = 0; i < 6; ++i)
                clock.frame(video, 1000.0 / 60.0);
            // A stall, then a pause that must hold the frame.
            clock.frame(video, 900);
            video.pause();
            const unsigned long held = video.frame();
            clock.frame(video, 500);
            KaFuzzCheck(video.frame() == held, "a paused video decodes nothing");
            video.stop();
            video.play();
            clock.frame(video, 0);
            clock.frame(video, 40);
            // To the end: every frame shows within its time, so a long enough
            // wait ends any video. The decoder may seek over frames but never
            // loops.
            for (int i = 0; i < 40 && video.isPlaying(); ++i)
                clock.frame(video, 250000);
            KaFuzzCheck(finished.count <= 2, "the end is reported once a play");
            video.close();
            KaFuzzCheck(!video.isOpened(), "a closed video stays closed");
        }
    }
    KaTimer::setClock(nullptr);
    return 0;
}
