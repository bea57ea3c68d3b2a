#include "engine/core/KaRealTimer.h"

#include <sys/time.h>

#include "engine/core/KaIClock.h"

KaRealTimer::KaRealTimer(KaIClock* clock)
    : mClock(clock ? clock : &KaIClock::monotonic())
    , mStartTime(0)
    , mPauseTime(0)
    , mPaused(false)
    , mLastElapsed(0)
    , mLastReading(0)
{
    pause();
    mPauseTime = 0;
}

KaRealTimer::~KaRealTimer() = default;

unsigned long long KaRealTimer::systemTime()
{
    timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<unsigned long long>(now.tv_sec) * 1000000ULL + static_cast<unsigned long long>(now.tv_usec);
}

unsigned long long KaRealTimer::time() { return systemTime(); }

unsigned long long KaRealTimer::monotonicSystemTime()
{
    unsigned long long reading = mClock->microseconds();
    if (reading < mLastReading)
        reading = mLastReading;
    mLastReading = reading;
    return reading;
}

void KaRealTimer::pause()
{
    if (mPaused)
        return;
    mPauseTime = monotonicSystemTime();
    mPaused = true;
}

void KaRealTimer::start()
{
    if (!mPaused)
        return;
    unsigned long long now = monotonicSystemTime();
    mStartTime = now + (mStartTime - mPauseTime);
    mLastElapsed = mStartTime;
    // The floor stays on the reading itself: the start time lies behind it by
    // the time already counted, and a floor there would let a clock that
    // stepped back take that time away again.
    mLastReading = now;
    mPaused = false;
}

void KaRealTimer::stop()
{
    pause();
    mStartTime = 0;
    mPauseTime = 0;
    mLastElapsed = 0;
}

double KaRealTimer::getTimeFromStart()
{
    unsigned long long now = mPaused ? mPauseTime : monotonicSystemTime();
    return static_cast<double>(now - mStartTime);
}

double KaRealTimer::timeElapsed()
{
    unsigned long long now = monotonicSystemTime();
    double elapsed = static_cast<double>(now - mLastElapsed);
    mLastElapsed = now;
    return elapsed;
}

double KaRealTimer::timeFromLastTimeElapsed() { return static_cast<double>(monotonicSystemTime() - mLastElapsed); }

void KaRealTimer::setClock(KaIClock* clock)
{
    KaIClock* next = clock ? clock : &KaIClock::monotonic();
    if (next == mClock)
        return;
    unsigned long long before = monotonicSystemTime();
    mClock = next;
    mLastReading = 0;
    unsigned long long after = monotonicSystemTime();
    // Every stored instant moves with the clock, so every duration between
    // them, and from them to now, stays what it was.
    unsigned long long shift = after - before;
    mStartTime += shift;
    mPauseTime += shift;
    mLastElapsed += shift;
}
