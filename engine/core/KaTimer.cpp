#include "engine/core/KaTimer.h"

#include <cerrno>
#include <time.h>

#include "engine/core/KaRealTimer.h"

unsigned long long KaTimer::mRealTime = 0;
bool KaTimer::mPausedAll = false;

void KaSleep(unsigned long long milliseconds)
{
    // nanosleep takes the whole duration (no 32-bit microsecond count to wrap)
    // and is resumed for the remainder when a signal interrupts it.
    timespec remaining;
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000ULL);
    remaining.tv_nsec = static_cast<long>((milliseconds % 1000ULL) * 1000000ULL);
    while ((remaining.tv_sec != 0 || remaining.tv_nsec != 0) && nanosleep(&remaining, &remaining) != 0) {
        if (errno != EINTR)
            return;
    }
}

// The class-wide state is built on first use and never destroyed, so timers
// living in static objects of any translation unit find it, at start-up as
// at exit.
KaRealTimer& KaTimer::realTimer()
{
    static KaRealTimer* timer = new KaRealTimer();
    return *timer;
}

KaArray<KaTimer*>& KaTimer::runningTimers()
{
    static KaArray<KaTimer*>* timers = new KaArray<KaTimer*>();
    return *timers;
}

KaArray<KaTimer*>& KaTimer::pausedTimers()
{
    static KaArray<KaTimer*>* timers = new KaArray<KaTimer*>();
    return *timers;
}

void KaTimer::sampleClock() { mRealTime = static_cast<unsigned long long>(realTimer().getTimeFromStart()); }

KaTimer::KaTimer()
    : mStartTime(0)
    , mPauseTime(0)
    , mFirstUpdateDone(false)
    , mPaused(false)
    , mAlarmSet(false)
    , mAlarmTime(0)
    , mLastElapsed(0)
    , mPausable(true)
{
    KaRealTimer& shared = realTimer();
    if (shared.isPaused()) {
        shared.start();
        sampleClock();
    }
    pause();
    mPauseTime = 0;
    mFirstUpdateDone = false;
}

KaTimer::~KaTimer()
{
    if (!mPaused)
        runningTimers().remove(this);
    // A timer that waits for resumeAll() must not be restarted once gone.
    while (pausedTimers().remove(this)) { }
}

void KaTimer::start()
{
    if (!mPaused)
        return;
    mStartTime += mRealTime - mPauseTime;
    mPauseTime = mRealTime;
    mLastElapsed = mStartTime;
    mPaused = false;
    mFirstUpdateDone = false;
    runningTimers().pushBack(this);
    if (mPausedAll && mPausable) {
        if (!pausedTimers().contains(this))
            pausedTimers().pushBack(this);
        pause();
    }
}

void KaTimer::pause()
{
    if (mPaused)
        return;
    mPauseTime = mRealTime;
    mPaused = true;
    runningTimers().remove(this);
}

void KaTimer::stop()
{
    pause();
    mStartTime = 0;
    mPauseTime = 0;
    mLastElapsed = 0;
}

void KaTimer::pausable(bool enable)
{
    mPausable = enable;
    if (!enable) {
        pausedTimers().remove(this);
        return;
    }
    if (mPausedAll) {
        pause();
        if (!pausedTimers().contains(this))
            pausedTimers().pushBack(this);
    }
}

void KaTimer::setTime(double microseconds)
{
    unsigned long long offset = 0;
    if (microseconds > 0.0)
        offset = microseconds < 1.8e19 ? static_cast<unsigned long long>(microseconds) : 18000000000000000000ULL;
    // Kept modulo 2^64: only the differences with the clock count.
    mStartTime = mRealTime - offset;
    mPauseTime = mStartTime;
    mLastElapsed = mStartTime;
    // The time just set must not be taken back by the first update of a timer
    // started in this frame.
    if (!mPaused)
        mFirstUpdateDone = true;
}

double KaTimer::getTimeFromStart() const
{
    unsigned long long now = mPaused ? mPauseTime : mRealTime;
    return static_cast<double>(now - mStartTime);
}

double KaTimer::timeElapsed()
{
    double elapsed = static_cast<double>(mRealTime - mLastElapsed);
    mLastElapsed = mRealTime;
    return elapsed;
}

double KaTimer::timeFromLastTimeElapsed() const { return static_cast<double>(mRealTime - mLastElapsed); }

void KaTimer::setAlarmIn(unsigned long long microseconds)
{
    mAlarmTime = static_cast<unsigned long long>(getTimeFromStart()) + microseconds;
    mAlarmSet = true;
}

void KaTimer::setAlarmFromStart(unsigned long long microseconds)
{
    mAlarmTime = microseconds;
    mAlarmSet = true;
}

void KaTimer::unsetAlarm()
{
    mAlarmTime = 0;
    mAlarmSet = false;
}

void KaTimer::update()
{
    if (!mFirstUpdateDone) {
        mStartTime += mRealTime - mPauseTime;
        mPauseTime = mRealTime;
        mLastElapsed = mStartTime;
        mFirstUpdateDone = true;
    }
    if (mAlarmSet && getTimeFromStart() >= static_cast<double>(mAlarmTime)) {
        mAlarmTime = 0;
        mAlarmSet = false;
        // Last: a callback may destroy this timer.
        onAlarm.call();
    }
}

void KaTimer::updateAll()
{
    sampleClock();
    const KaArray<KaTimer*>& timers = runningTimers();
    // The size is read again after every timer: callbacks may start timers
    // (updated in this pass) or pause them.
    for (unsigned long i = 0; i < timers.size(); ++i)
        timers[i]->update();
}

void KaTimer::pauseAll()
{
    if (mPausedAll)
        return;
    mPausedAll = true;
    sampleClock();
    const KaArray<KaTimer*>& timers = runningTimers();
    unsigned long i = 0;
    while (i < timers.size()) {
        KaTimer* timer = timers[i];
        if (!timer->mPausable) {
            ++i;
            continue;
        }
        pausedTimers().pushBack(timer);
        timer->pause();
    }
}

void KaTimer::resumeAll()
{
    if (!mPausedAll)
        return;
    mPausedAll = false;
    sampleClock();
    KaArray<KaTimer*>& waiting = pausedTimers();
    while (!waiting.isEmpty()) {
        KaTimer* timer = static_cast<const KaArray<KaTimer*>&>(waiting)[0];
        timer->start();
        waiting.removeAt(0);
    }
}

unsigned long long KaTimer::time() { return KaRealTimer::time(); }

void KaTimer::setClock(KaIClock* clock) { realTimer().setClock(clock); }

unsigned long KaTimer::runningCount() { return runningTimers().size(); }

unsigned long KaTimer::pausedByAllCount() { return pausedTimers().size(); }
