#include <gtest/gtest.h>

#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "platform/KaFixedStepClock.h"
#include "platform/KaFramePacer.h"

namespace {

// A clock that only moves when the pacer sleeps or a frame "works".
struct FakeTime : KaIClock {
    unsigned long long microseconds() override { return now; }
    unsigned long long now = 5000000;
    unsigned long long slept = 0;
    int sleeps = 0;
};
FakeTime* fakeTime = nullptr;

void fakeSleep(unsigned long long microseconds)
{
    fakeTime->now += microseconds;
    fakeTime->slept += microseconds;
    ++fakeTime->sleeps;
}

class KaFramePacerTest : public ::testing::Test {
protected:
    void SetUp() override { fakeTime = &time; }
    void TearDown() override { fakeTime = nullptr; }
    FakeTime time;
};

TEST_F(KaFramePacerTest, SixtyFramesMakeOneSecondWhateverTheWork)
{
    // Frames that take varying time still start on the 1/60 s grid, so a
    // second of frames is a second, not 60 × (work + sleep).
    KaFramePacer pacer(time, fakeSleep);
    const unsigned long long start = time.now;
    const unsigned long long work[] = { 0, 3000, 16000, 9000, 1 };
    for (int frame = 0; frame < 60; ++frame) {
        time.now += work[frame % 5];
        pacer.waitNextFrame();
    }
    EXPECT_EQ(time.now - start, 1000000u);
    EXPECT_EQ(time.sleeps, 60);
}

TEST_F(KaFramePacerTest, ShortOverrunCatchesUpLongStallRestartsTheGrid)
{
    KaFramePacer pacer(time, fakeSleep);
    const unsigned long long start = time.now;
    time.now += 20000; // a frame 3 ms late: the next one starts at once
    pacer.waitNextFrame();
    EXPECT_EQ(time.sleeps, 0);
    pacer.waitNextFrame(); // back on the grid: frame 2 at 33,333 µs
    EXPECT_EQ(time.now - start, 33333u);

    time.now += 500000; // a half-second stall
    pacer.waitNextFrame();
    EXPECT_EQ(pacer.framesOnGrid(), 0u);
    const unsigned long long restart = time.now;
    const int sleepsBefore = time.sleeps;
    pacer.waitNextFrame();
    EXPECT_EQ(time.sleeps, sleepsBefore + 1);
    EXPECT_EQ(time.now - restart, 16666u);
}

TEST(KaFixedStepClockTest, TimersSeeExactFrames)
{
    KaFixedStepClock clock;
    KaTimer::setClock(&clock);
    KaTimer timer;
    timer.start();
    KaTimer::updateAll();
    for (int frame = 0; frame < 600; ++frame) {
        clock.step();
        KaTimer::updateAll();
    }
    EXPECT_EQ(clock.microseconds(), 10000000u);
    EXPECT_EQ(timer.getTimeFromStart(), 10000000.0);
    KaTimer::setClock(nullptr);
}

}
