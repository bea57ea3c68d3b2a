#ifndef KA_REAL_TIMER_H
#define KA_REAL_TIMER_H

class KaIClock;

// A stopwatch in microseconds that reads its clock at every query. It is the
// source of the frame clock shared by every KaTimer, and serves code that must
// measure real time within a frame (the input manager).
//
// The clock is the system's monotonic clock unless another one is given (tests
// give one they advance by hand). A reading never falls below the previous
// reading of the same timer. A new timer is paused and reads 0.
class KaRealTimer {
public:
    // clock: not owned, must outlive the timer; null for the monotonic clock.
    explicit KaRealTimer(KaIClock* clock = nullptr);
    virtual ~KaRealTimer();

    // The wall clock in microseconds since 1970 (gettimeofday): a date, not a
    // duration; no timer measures with it.
    static unsigned long long systemTime();
    static unsigned long long time();

    // The clock's reading, never below the previous one.
    unsigned long long monotonicSystemTime();

    // Freezes the time from start; no effect when paused.
    void pause();
    // Runs again, the paused interval not counted; no effect when running.
    void start();
    // Pauses and brings the time from start back to 0.
    void stop();
    bool isPaused() const { return mPaused; }

    // Microseconds counted while running.
    double getTimeFromStart();
    // Microseconds since the previous call (or the start), and moves that mark.
    double timeElapsed();
    // As timeElapsed, without moving the mark.
    double timeFromLastTimeElapsed();

    // Switches to another clock (null: the monotonic clock) without a jump:
    // the time from start and the time since the mark carry on from where
    // they stood on the old clock.
    void setClock(KaIClock* clock);
    KaIClock& clock() const { return *mClock; }

private:
    KaIClock* mClock;
    // Instants on the clock's scale, kept modulo 2^64 so that only their
    // differences matter (a clock switch may shift them below the clock's
    // origin).
    unsigned long long mStartTime;
    unsigned long long mPauseTime;
    bool mPaused;
    unsigned long long mLastElapsed;
    // A true reading of the clock: the floor of the next reading.
    unsigned long long mLastReading;
};

#endif
