#ifndef KA_TIMER_H
#define KA_TIMER_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"

class KaIClock;
class KaRealTimer;

// Sleeps the calling thread that many milliseconds (at most 4294967 in one
// call). May be called from any thread.
void KaSleep(unsigned long long milliseconds);

// The timer of game and engine code (animations, waits, double clicks, fades,
// periodic jobs), in microseconds.
//
// Every KaTimer reads one shared clock, sampled once per frame by updateAll(),
// so that all that happens within a frame sees the same time. A timer counts
// from the first sample after its start(): the rest of the frame in which it
// was started is not counted. Paused intervals are never counted.
//
// A new timer is paused and reads 0. Running timers are listed class-wide in
// the order they were started; each carries a one-shot alarm whose signal,
// onAlarm, is emitted from updateAll(). A callback of onAlarm may re-arm the
// alarm, start, pause or destroy timers (this one included).
//
// pauseAll()/resumeAll() suspend and resume every pausable timer for a host
// that suspends the game.
//
// A timer registers its address while it runs or waits for resumeAll(). Not
// copyable.
// Main thread only.
class KaTimer {
public:
    KaTimer();
    virtual ~KaTimer();
    KaTimer(const KaTimer&) = delete;
    KaTimer& operator=(const KaTimer&) = delete;

    // Runs again from where it was paused; no effect when running. Between
    // pauseAll() and resumeAll() a pausable timer only starts at resumeAll().
    void start();
    // Freezes the time from start; no effect when paused.
    void pause();
    // Pauses and brings the time from start back to 0.
    void stop();
    bool isPaused() const { return mPaused; }
    bool isRunning() const { return !mPaused; }

    // Whether pauseAll() affects the timer (true for a new timer). Made
    // pausable while everything is paused, the timer pauses at once and runs
    // from resumeAll() (even one that was not running); made unpausable, it is
    // left out of resumeAll() and stays paused.
    void pausable(bool enable);
    bool isPausable() const { return mPausable; }

    // A running timer reads that time from start from now on. Negative or NaN
    // reads as 0.
    void setTime(double microseconds);

    // Microseconds counted while running, as of the last sample.
    double getTimeFromStart() const;
    // Microseconds since the previous call (or the start), and moves that
    // mark; it does not look at the paused state.
    double timeElapsed();
    // As timeElapsed, without moving the mark.
    double timeFromLastTimeElapsed() const;

    // Arms the alarm that many microseconds after the current time from start.
    void setAlarmIn(unsigned long long microseconds);
    // Arms the alarm at that time from start (at the first sample when the
    // time from start is already past it).
    void setAlarmFromStart(unsigned long long microseconds);
    void unsetAlarm();
    bool isAlarmSet() const { return mAlarmSet; }
    // Time from start at which the armed alarm goes off.
    unsigned long long alarmTime() const { return mAlarmTime; }

    // Emitted once when the time from start reaches the alarm time; the alarm
    // is disarmed before the emission.
    KaSignal0Param onAlarm;

    // Samples the shared clock, then updates every running timer, those that
    // alarm callbacks start included. The first step of every frame.
    static void updateAll();
    // Samples the clock and pauses every running pausable timer, to be
    // restarted by resumeAll(). No effect while already paused.
    static void pauseAll();
    // Samples the clock and restarts the timers that pauseAll() paused (and
    // those started or made pausable meanwhile). No effect unless paused.
    static void resumeAll();
    static bool isPausedAll() { return mPausedAll; }

    // The wall clock in microseconds (KaRealTimer::time()), not the shared one.
    static unsigned long long time();
    // The shared clock's last sample: microseconds since the first timer.
    static unsigned long long realTime() { return mRealTime; }

    // Puts another clock (not owned; null for the monotonic clock) behind the
    // shared clock, which carries on from its current value without a jump.
    static void setClock(KaIClock* clock);

    // Timers currently running, in start order.
    static unsigned long runningCount();
    // Timers waiting for resumeAll().
    static unsigned long pausedByAllCount();

private:
    void update();

    static void sampleClock();
    static KaRealTimer& realTimer();
    static KaArray<KaTimer*>& runningTimers();
    static KaArray<KaTimer*>& pausedTimers();

    unsigned long long mStartTime;
    unsigned long long mPauseTime;
    bool mFirstUpdateDone;
    bool mPaused;
    bool mAlarmSet;
    unsigned long long mAlarmTime;
    unsigned long long mLastElapsed;
    bool mPausable;

    static unsigned long long mRealTime;
    static bool mPausedAll;
};

#endif
