#include "platform/KaFramePacer.h"

#include <chrono>
#include <thread>

#include "engine/core/KaIClock.h"

namespace {

void sleepThread(unsigned long long microseconds)
{
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

}

KaFramePacer::KaFramePacer(KaIClock& clock, SleepFunction sleep)
    : mClock(clock)
    , mSleep(sleep ? sleep : sleepThread)
    , mOrigin(clock.microseconds())
    , mFrame(0)
{
}

unsigned long long KaFramePacer::deadline() const
{
    return mOrigin + mFrame * 1000000ULL / 60ULL;
}

void KaFramePacer::waitNextFrame()
{
    ++mFrame;
    const unsigned long long now = mClock.microseconds();
    const unsigned long long next = deadline();
    if (now >= next) {
        if (now - next > frameMicroseconds) {
            mOrigin = now;
            mFrame = 0;
        }
        return;
    }
    mSleep(next - now);
}
