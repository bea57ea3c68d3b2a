#include <gtest/gtest.h>

#include <memory>

#include "engine/core/KaIClock.h"
#include "engine/core/KaRealTimer.h"
#include "engine/core/KaTimer.h"

namespace {

// A clock the tests move by hand. It starts far from 0 so that a clock switch
// does not begin near the origin.
class KaManualClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void advance(unsigned long long microseconds) { mNow += microseconds; }
    void setBack(unsigned long long microseconds) { mNow -= microseconds; }

    unsigned long long mNow = 7000000000ULL;
};

// Counts alarms and, on request, acts on timers from inside the callback.
class AlarmListener {
public:
    explicit AlarmListener(KaTimer& timer)
        : mTimer(&timer)
    {
        timer.onAlarm.add(this, &AlarmListener::onAlarm);
    }

    bool onAlarm()
    {
        ++mCount;
        if (mRearm != 0)
            mTimer->setAlarmIn(mRearm);
        if (mStartOnAlarm)
            mStartOnAlarm->start();
        if (mDestroyOnAlarm)
            mDestroyOnAlarm.reset();
        return false;
    }

    KaTimer* mTimer;
    int mCount = 0;
    unsigned long long mRearm = 0;
    KaTimer* mStartOnAlarm = nullptr;
    std::unique_ptr<KaTimer> mDestroyOnAlarm;
};

class KaTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KaTimer::setClock(&mClock);
        KaTimer::updateAll();
        mRunningBefore = KaTimer::runningCount();
    }

    void TearDown() override
    {
        KaTimer::resumeAll();
        KaTimer::setClock(nullptr);
    }

    // One frame: the clock moves on, then the frame's timer update.
    void frame(unsigned long long microseconds)
    {
        mClock.advance(microseconds);
        KaTimer::updateAll();
    }

    KaManualClock mClock;
    unsigned long mRunningBefore = 0;
};

} // namespace

TEST_F(KaTimerTest, NewTimerIsPausedAtZeroAndInNoList)
{
    KaTimer timer;
    frame(5000);
    EXPECT_TRUE(timer.isPaused());
    EXPECT_EQ(timer.getTimeFromStart(), 0.0);
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore);
}

TEST_F(KaTimerTest, RestOfTheStartFrameIsNotCounted)
{
    KaTimer timer;
    timer.start();
    EXPECT_EQ(timer.getTimeFromStart(), 0.0);
    frame(16000);
    EXPECT_EQ(timer.getTimeFromStart(), 0.0) << "the frame in which the timer started does not count";
    frame(17000);
    EXPECT_EQ(timer.getTimeFromStart(), 17000.0);
    EXPECT_EQ(timer.timeElapsed(), 17000.0);
    frame(4000);
    EXPECT_EQ(timer.timeFromLastTimeElapsed(), 4000.0);
    EXPECT_EQ(timer.timeFromLastTimeElapsed(), 4000.0) << "does not move the mark";
    EXPECT_EQ(timer.timeElapsed(), 4000.0);
    EXPECT_EQ(timer.timeElapsed(), 0.0) << "the mark moved";
    EXPECT_EQ(timer.getTimeFromStart(), 21000.0);
}

TEST_F(KaTimerTest, TimeWithinAFrameIsTheFrameSample)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(1000);
    mClock.advance(123456);
    EXPECT_EQ(timer.getTimeFromStart(), 1000.0) << "only updateAll samples the clock";
}

TEST_F(KaTimerTest, StartAndPauseTwiceChangeNothing)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(3000);
    timer.start();
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore + 1);
    frame(2000);
    EXPECT_EQ(timer.getTimeFromStart(), 5000.0) << "a second start neither restarts nor loses a frame";

    timer.pause();
    frame(7000);
    timer.pause();
    frame(7000);
    EXPECT_EQ(timer.getTimeFromStart(), 5000.0);
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore);
}

TEST_F(KaTimerTest, PausedIntervalsAreExcluded)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(10000);
    timer.pause();
    frame(2000000);
    EXPECT_EQ(timer.getTimeFromStart(), 10000.0);
    timer.start();
    EXPECT_EQ(timer.getTimeFromStart(), 10000.0);
    frame(500); // the resume frame is not counted, like a start frame
    frame(700);
    EXPECT_EQ(timer.getTimeFromStart(), 10700.0);
}

TEST_F(KaTimerTest, StopResetsToZeroUntilTheNextStart)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(9000);
    timer.stop();
    EXPECT_TRUE(timer.isPaused());
    frame(5000);
    EXPECT_EQ(timer.getTimeFromStart(), 0.0);
    timer.start();
    frame(1000);
    frame(2500);
    EXPECT_EQ(timer.getTimeFromStart(), 2500.0) << "counts from zero again";
}

TEST_F(KaTimerTest, SetTimeOnARunningTimer)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(1000);
    timer.setTime(250000.0);
    EXPECT_EQ(timer.getTimeFromStart(), 250000.0);
    frame(1000);
    EXPECT_EQ(timer.getTimeFromStart(), 251000.0);
}

TEST_F(KaTimerTest, SetTimeInTheStartFrameSurvivesTheFirstUpdate)
{
    KaTimer timer;
    timer.start();
    timer.setTime(40000.0);
    frame(1000);
    EXPECT_EQ(timer.getTimeFromStart(), 41000.0);
}

TEST_F(KaTimerTest, AlarmFiresOnceWhenReached)
{
    KaTimer timer;
    AlarmListener listener(timer);
    timer.start();
    frame(1000);
    timer.setAlarmIn(5000000);
    for (int second = 1; second <= 4; ++second) {
        frame(1000000);
        EXPECT_EQ(listener.mCount, 0) << "after " << second << " s";
    }
    frame(999999);
    EXPECT_EQ(listener.mCount, 0);
    frame(1);
    EXPECT_EQ(listener.mCount, 1) << "fires in the first update at or past the alarm time";
    EXPECT_FALSE(timer.isAlarmSet());
    frame(10000000);
    EXPECT_EQ(listener.mCount, 1) << "one-shot";
}

TEST_F(KaTimerTest, AlarmRearmedFromItsCallbackRepeats)
{
    KaTimer timer;
    AlarmListener listener(timer);
    listener.mRearm = 5000000;
    timer.start();
    frame(1000);
    timer.setAlarmIn(5000000);
    for (int second = 0; second < 16; ++second)
        frame(1000000);
    EXPECT_EQ(listener.mCount, 3);
    EXPECT_TRUE(timer.isAlarmSet());
}

TEST_F(KaTimerTest, AlarmOfAPausedTimerNeverFires)
{
    KaTimer timer;
    AlarmListener listener(timer);
    timer.start();
    frame(1000);
    timer.setAlarmIn(1000);
    timer.pause();
    frame(5000000);
    EXPECT_EQ(listener.mCount, 0);
    timer.start();
    frame(1000); // resume frame
    EXPECT_EQ(listener.mCount, 0);
    frame(1000);
    EXPECT_EQ(listener.mCount, 1) << "fires once the running time reaches it";
}

TEST_F(KaTimerTest, UnsetAlarmDisarms)
{
    KaTimer timer;
    AlarmListener listener(timer);
    timer.start();
    frame(1000);
    timer.setAlarmIn(1000);
    timer.unsetAlarm();
    frame(5000);
    EXPECT_EQ(listener.mCount, 0);
}

TEST_F(KaTimerTest, AlarmFromStartCountsFromTheStart)
{
    KaTimer timer;
    AlarmListener listener(timer);
    timer.start();
    frame(1000);
    frame(3000);
    timer.setAlarmFromStart(5000);
    frame(1999);
    EXPECT_EQ(listener.mCount, 0);
    frame(1);
    EXPECT_EQ(listener.mCount, 1);
}

TEST_F(KaTimerTest, TimerStartedByAnAlarmIsUpdatedInTheSamePass)
{
    KaTimer timer;
    KaTimer started;
    AlarmListener listener(timer);
    listener.mStartOnAlarm = &started;
    timer.start();
    frame(1000);
    timer.setAlarmIn(1000);
    frame(1000);
    ASSERT_EQ(listener.mCount, 1);
    EXPECT_TRUE(started.isRunning());
    frame(3000);
    EXPECT_EQ(started.getTimeFromStart(), 3000.0) << "its first update came in the pass that started it";
}

TEST_F(KaTimerTest, AlarmCallbackMayDestroyItsOwnTimer)
{
    KaTimer* timer = new KaTimer();
    AlarmListener listener(*timer);
    listener.mDestroyOnAlarm.reset(timer);
    KaTimer other;
    AlarmListener otherListener(other);
    timer->start();
    other.start();
    frame(1000);
    timer->setAlarmIn(1000);
    other.setAlarmIn(1000);
    frame(1000);
    EXPECT_EQ(listener.mCount, 1);
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore + 1);
    frame(1000);
    EXPECT_EQ(otherListener.mCount, 1);
}

TEST_F(KaTimerTest, PauseAllExcludesTheSuspensionFromPausableTimersOnly)
{
    KaTimer pausable;
    KaTimer unpausable;
    unpausable.pausable(false);
    pausable.start();
    unpausable.start();
    frame(1000);
    frame(10000);

    KaTimer::pauseAll();
    EXPECT_TRUE(KaTimer::isPausedAll());
    EXPECT_TRUE(pausable.isPaused());
    EXPECT_TRUE(unpausable.isRunning());
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore + 1);
    frame(3000000);
    EXPECT_EQ(pausable.getTimeFromStart(), 10000.0);
    EXPECT_EQ(unpausable.getTimeFromStart(), 3010000.0);

    mClock.advance(500);
    KaTimer::resumeAll();
    EXPECT_FALSE(KaTimer::isPausedAll());
    EXPECT_TRUE(pausable.isRunning());
    EXPECT_EQ(KaTimer::pausedByAllCount(), 0u) << "resumeAll empties the list";
    frame(1000); // the resume frame is not counted
    frame(2000);
    EXPECT_EQ(pausable.getTimeFromStart(), 12000.0);
    EXPECT_EQ(unpausable.getTimeFromStart(), 3013500.0);
}

TEST_F(KaTimerTest, PauseAllAndResumeAllTwiceChangeNothing)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    KaTimer::pauseAll();
    unsigned long waiting = KaTimer::pausedByAllCount();
    EXPECT_TRUE(timer.isPaused());
    KaTimer::pauseAll();
    EXPECT_EQ(KaTimer::pausedByAllCount(), waiting);
    KaTimer::resumeAll();
    KaTimer::resumeAll();
    EXPECT_TRUE(timer.isRunning());
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore + 1);
}

TEST_F(KaTimerTest, TimerStartedWhileAllPausedWaitsForResumeAll)
{
    KaTimer timer;
    KaTimer::pauseAll();
    unsigned long waiting = KaTimer::pausedByAllCount();
    timer.start();
    timer.start();
    EXPECT_TRUE(timer.isPaused());
    EXPECT_EQ(KaTimer::pausedByAllCount(), waiting + 1) << "listed once for resumeAll";
    frame(5000);
    KaTimer::resumeAll();
    EXPECT_TRUE(timer.isRunning());
    frame(1000);
    frame(2000);
    EXPECT_EQ(timer.getTimeFromStart(), 2000.0);
}

TEST_F(KaTimerTest, TimerDestroyedWhileAllPausedIsForgotten)
{
    KaTimer survivor;
    survivor.start();
    KaTimer* doomed = new KaTimer();
    doomed->start();
    frame(1000);
    KaTimer::pauseAll();
    unsigned long waiting = KaTimer::pausedByAllCount();
    delete doomed;
    EXPECT_EQ(KaTimer::pausedByAllCount(), waiting - 1);
    KaTimer::resumeAll(); // must not touch the destroyed timer
    EXPECT_TRUE(survivor.isRunning());
    EXPECT_EQ(KaTimer::runningCount(), mRunningBefore + 1);
}

TEST_F(KaTimerTest, PausabilityChangedWhileAllPaused)
{
    KaTimer leftOut;
    leftOut.start();
    KaTimer idle;
    frame(1000);
    KaTimer::pauseAll();
    unsigned long waiting = KaTimer::pausedByAllCount();

    leftOut.pausable(false);
    EXPECT_EQ(KaTimer::pausedByAllCount(), waiting - 1);
    idle.pausable(true); // already pausable: listed now, started by resumeAll
    EXPECT_EQ(KaTimer::pausedByAllCount(), waiting);

    KaTimer::resumeAll();
    EXPECT_TRUE(leftOut.isPaused()) << "made unpausable while suspended, it is no longer resumed";
    EXPECT_TRUE(idle.isRunning()) << "made pausable while suspended, it runs from resumeAll";
}

TEST_F(KaTimerTest, ClockSwitchDoesNotJumpTheSharedClock)
{
    KaTimer timer;
    timer.start();
    frame(1000);
    frame(4000);
    unsigned long long before = KaTimer::realTime();

    KaManualClock other;
    other.mNow = 3; // far behind the first clock
    KaTimer::setClock(&other);
    KaTimer::updateAll();
    EXPECT_EQ(KaTimer::realTime(), before);
    other.advance(600);
    KaTimer::updateAll();
    EXPECT_EQ(KaTimer::realTime(), before + 600);
    EXPECT_EQ(timer.getTimeFromStart(), 4600.0);

    KaTimer::setClock(&mClock);
    mClock.advance(50);
    KaTimer::updateAll();
    EXPECT_EQ(timer.getTimeFromStart(), 4650.0);
}

TEST(KaRealTimerTest, StopwatchOnAManualClock)
{
    KaManualClock clock;
    KaRealTimer timer(&clock);
    EXPECT_TRUE(timer.isPaused());
    clock.advance(1000);
    EXPECT_EQ(timer.getTimeFromStart(), 0.0);

    timer.start();
    clock.advance(300);
    EXPECT_EQ(timer.getTimeFromStart(), 300.0) << "counts from start() itself, with no frame";
    timer.pause();
    clock.advance(1000000);
    EXPECT_EQ(timer.getTimeFromStart(), 300.0);
    timer.start();
    clock.advance(200);
    EXPECT_EQ(timer.getTimeFromStart(), 500.0);

    // start() puts the mark on the (shifted) start time, so the first lap
    // holds all the running time.
    EXPECT_EQ(timer.timeFromLastTimeElapsed(), 500.0);
    EXPECT_EQ(timer.timeElapsed(), 500.0);
    clock.advance(70);
    EXPECT_EQ(timer.timeElapsed(), 70.0);

    timer.stop();
    EXPECT_TRUE(timer.isPaused());
    EXPECT_EQ(timer.getTimeFromStart(), 0.0);
    timer.start();
    clock.advance(10);
    EXPECT_EQ(timer.getTimeFromStart(), 10.0);
}

TEST(KaRealTimerTest, ReadingsNeverGoBackwards)
{
    KaManualClock clock;
    KaRealTimer timer(&clock);
    timer.start();
    clock.advance(5000);
    unsigned long long first = timer.monotonicSystemTime();
    clock.setBack(4000);
    EXPECT_EQ(timer.monotonicSystemTime(), first);
    EXPECT_EQ(timer.getTimeFromStart(), 5000.0);
    clock.advance(4500);
    EXPECT_EQ(timer.monotonicSystemTime(), first + 500);
}

TEST(KaRealTimerTest, ClockSwitchKeepsTheDurations)
{
    KaManualClock first;
    KaManualClock second;
    second.mNow = 12;
    KaRealTimer timer(&first);
    timer.start();
    first.advance(700);
    timer.timeElapsed();
    first.advance(30);
    timer.setClock(&second);
    EXPECT_EQ(timer.getTimeFromStart(), 730.0);
    EXPECT_EQ(timer.timeFromLastTimeElapsed(), 30.0);
    second.advance(20);
    EXPECT_EQ(timer.getTimeFromStart(), 750.0);
    timer.pause();
    timer.start(); // behind the clock's origin now: must not freeze the readings
    second.advance(5);
    EXPECT_EQ(timer.getTimeFromStart(), 755.0);
}

TEST(KaRealTimerTest, SystemClockAdvances)
{
    KaRealTimer timer;
    timer.start();
    unsigned long long first = timer.monotonicSystemTime();
    KaSleep(2);
    EXPECT_GE(timer.monotonicSystemTime(), first + 2000);
    EXPECT_GE(timer.getTimeFromStart(), 2000.0);
    EXPECT_GT(KaRealTimer::time(), 1500000000ULL * 1000000ULL) << "the wall clock is a date";
}

TEST(KaSleepTest, ZeroReturnsAtOnce)
{
    KaRealTimer timer;
    timer.start();
    KaSleep(0);
    EXPECT_LT(timer.getTimeFromStart(), 1000000.0);
}
