#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaFrameAnim.h"
#include "tests/engine/scene/KaSceneTestClock.h"

namespace {

// Records its updates and the signals it emits into a shared journal; an
// update may run an action (stop or delete other animations).
class Probe : public KaAnimation {
public:
    Probe(std::string name, std::vector<std::string>& journal)
        : mName(std::move(name))
        , mJournal(journal)
    {
        onStop.add(this, &Probe::stopped);
        onFinished.add(this, &Probe::finished);
    }

    void update(double milliseconds) override
    {
        mLast = milliseconds;
        ++mUpdates;
        mJournal.push_back(mName);
        if (mAction) {
            auto action = mAction;
            mAction = nullptr;
            action();
        }
    }

    bool stopped()
    {
        mJournal.push_back(mName + ":stop");
        return false;
    }
    bool finished()
    {
        mJournal.push_back(mName + ":finished");
        return false;
    }

    std::string mName;
    std::vector<std::string>& mJournal;
    double mLast = -1.0;
    int mUpdates = 0;
    std::function<void()> mAction;
};

class KaAnimationTest : public ::testing::Test {
protected:
    KaSceneTestClock mClock;
    std::vector<std::string> mJournal;
};

} // namespace

TEST_F(KaAnimationTest, PlayStartsOnceAndUpdatesAtOnce)
{
    Probe a("a", mJournal);
    const unsigned long before = KaAnimation::runningCount();
    a.play();
    EXPECT_EQ(a.mUpdates, 1);
    EXPECT_DOUBLE_EQ(a.mLast, 0.0);
    EXPECT_EQ(KaAnimation::runningCount(), before + 1);
    mClock.frame(0);
    mClock.frame(40);
    const int updates = a.mUpdates;
    EXPECT_DOUBLE_EQ(a.mLast, 40.0);
    a.play();
    EXPECT_EQ(a.mUpdates, updates);
    EXPECT_EQ(KaAnimation::runningCount(), before + 1);
    mClock.frame(10);
    EXPECT_DOUBLE_EQ(a.mLast, 50.0);
}

TEST_F(KaAnimationTest, StopPauseResetAndTheirSignals)
{
    Probe a("a", mJournal);
    a.stop();
    EXPECT_TRUE(mJournal.empty());

    a.play();
    mClock.frame(0);
    mClock.frame(30);
    a.pause();
    EXPECT_FALSE(a.isListed());
    a.stop(); // paused: no signal
    EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "a:stop"), 0);

    a.cont();
    mClock.frame(0); // a timer counts from the first sample after its start
    mClock.frame(20);
    EXPECT_DOUBLE_EQ(a.mLast, 50.0) << "pause then cont goes on from the elapsed time";

    a.stop();
    a.stop();
    EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "a:stop"), 1);
    a.play();
    EXPECT_DOUBLE_EQ(a.mLast, 0.0);
    mClock.frame(0);
    mClock.frame(15);
    a.reset();
    EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "a:stop"), 1) << "reset emits nothing";
    a.play();
    EXPECT_DOUBLE_EQ(a.mLast, 0.0);
}

TEST_F(KaAnimationTest, DestroyingARunningAnimationUnlistsItWithoutOnStop)
{
    const unsigned long before = KaAnimation::runningCount();
    {
        Probe a("a", mJournal);
        a.play();
        EXPECT_EQ(KaAnimation::runningCount(), before + 1);
    }
    EXPECT_EQ(KaAnimation::runningCount(), before);
    EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "a:stop"), 0);
    mClock.frame(10);
}

// Each case: the update of one animation acts on others; every animation
// that is still listed when its turn comes is updated exactly once, and none
// is touched after it was removed or deleted (the sanitizers would see it).
TEST_F(KaAnimationTest, UpdateAllSurvivesStopsAndDeletionsDuringTheWalk)
{
    struct Case {
        const char* name;
        int actor;
        std::vector<int> deleted;
        std::vector<int> stopped;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        { "deletes the next", 0, { 1 }, {}, { "a0", "a2", "a3" } },
        { "deletes itself", 1, { 1 }, {}, { "a0", "a1", "a2", "a3" } },
        { "deletes an earlier one", 2, { 0 }, {}, { "a0", "a1", "a2", "a3" } },
        { "deletes the next two", 1, { 2, 3 }, {}, { "a0", "a1" } },
        { "stops the next", 0, {}, { 1 }, { "a0", "a1:stop", "a2", "a3" } },
        { "stops itself", 2, {}, { 2 }, { "a0", "a1", "a2", "a2:stop", "a3" } },
        { "deletes itself and the last", 1, { 1, 3 }, {}, { "a0", "a1", "a2" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<Probe>> probes;
        for (int i = 0; i < 4; ++i) {
            probes.emplace_back(new Probe("a" + std::to_string(i), mJournal));
            probes.back()->play();
        }
        mClock.frame(0);
        probes[static_cast<size_t>(c.actor)]->mAction = [&]() {
            for (int i : c.stopped)
                probes[static_cast<size_t>(i)]->stop();
            for (int i : c.deleted)
                probes[static_cast<size_t>(i)].reset();
        };
        mJournal.clear();
        mClock.frame(16);
        EXPECT_EQ(mJournal, c.expected);
        unsigned long alive = 0;
        for (auto& p : probes)
            alive += p && p->isListed() ? 1 : 0;
        EXPECT_EQ(KaAnimation::runningCount(), alive);
        // The list is whole again: the next frame updates the survivors once.
        mJournal.clear();
        mClock.frame(16);
        EXPECT_EQ(mJournal.size(), alive);
    }
}

TEST_F(KaAnimationTest, AnimationStartedDuringTheWalkIsUpdatedOnceThatFrame)
{
    Probe a("a", mJournal);
    Probe b("b", mJournal);
    a.play();
    mClock.frame(0);
    a.mAction = [&]() { b.play(); };
    mJournal.clear();
    mClock.frame(16);
    EXPECT_EQ(mJournal, (std::vector<std::string> { "a", "b" }));
    mJournal.clear();
    mClock.frame(16);
    EXPECT_EQ(mJournal, (std::vector<std::string> { "a", "b" }));
}

TEST_F(KaAnimationTest, StopAndRestartDuringTheWalkIsNotUpdatedTwice)
{
    Probe a("a", mJournal);
    Probe b("b", mJournal);
    a.play();
    b.play();
    mClock.frame(0);
    a.mAction = [&]() {
        b.stop();
        b.play();
    };
    mJournal.clear();
    mClock.frame(16);
    EXPECT_EQ(mJournal, (std::vector<std::string> { "a", "b:stop", "b" }));
}

TEST_F(KaAnimationTest, StopWhileAllTimersArePausedStillStops)
{
    Probe a("a", mJournal);
    KaTimer::pauseAll();
    a.play();
    EXPECT_TRUE(a.isListed());
    a.stop();
    KaTimer::resumeAll();
    EXPECT_FALSE(a.isListed());
    EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "a:stop"), 1);
    const int updates = a.mUpdates;
    mClock.frame(16);
    EXPECT_EQ(a.mUpdates, updates);
}

namespace {

class FrameProbe {
public:
    explicit FrameProbe(KaFrameAnim& anim)
    {
        anim.onFrameChanged.add(this, &FrameProbe::changed);
        anim.onStop.add(this, &FrameProbe::stopped);
        anim.onFinished.add(this, &FrameProbe::finished);
        mAnim = &anim;
    }
    bool changed()
    {
        mEvents.push_back("frame " + std::to_string(mAnim->currentFrame()));
        return false;
    }
    bool stopped()
    {
        mEvents.push_back("stop");
        return false;
    }
    bool finished()
    {
        mEvents.push_back("finished");
        return false;
    }
    KaFrameAnim* mAnim = nullptr;
    std::vector<std::string> mEvents;
};

} // namespace

TEST_F(KaAnimationTest, FrameAnimCountsFramesAndStopsAtTheEnd)
{
    struct Case {
        bool reversed;
        std::vector<std::pair<double, std::string>> steps; // frame length, last event
    };
    const std::vector<Case> cases = {
        { false, { { 0, "frame 0" }, { 399, "frame 9" }, { 1, "finished" } } },
        { true, { { 0, "frame 9" }, { 399, "frame 0" }, { 1, "finished" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reversed ? "reversed" : "forward");
        KaFrameAnim anim;
        FrameProbe probe(anim);
        anim.setFrameCount(10);
        anim.setReversed(c.reversed);
        anim.play();
        mClock.frame(0);
        for (const auto& step : c.steps) {
            mClock.frame(step.first);
            ASSERT_FALSE(probe.mEvents.empty());
            EXPECT_EQ(probe.mEvents.back(), step.second);
        }
        // onStop comes first, and the wrapped frame is never announced.
        ASSERT_GE(probe.mEvents.size(), 3u);
        EXPECT_EQ(probe.mEvents[probe.mEvents.size() - 2], "stop");
        EXPECT_FALSE(anim.isListed());
    }
}

TEST_F(KaAnimationTest, FrameAnimEndlessWithoutFramesAnnouncesZeroOnce)
{
    KaFrameAnim anim;
    FrameProbe probe(anim);
    anim.setRepeatCount(KaAnimation::mEndless);
    anim.play();
    for (int i = 0; i < 5; ++i)
        mClock.frame(1000);
    EXPECT_EQ(probe.mEvents, (std::vector<std::string> { "frame 0" }));
    EXPECT_TRUE(anim.isListed());
}

TEST_F(KaAnimationTest, FrameAnimRangeFromAFirstFrameStaysInsideTheSequence)
{
    // The default length added to a first frame wraps around: the range then
    // runs to the end of the sequence, never past it.
    KaFrameAnim anim;
    FrameProbe probe(anim);
    anim.setFrameCount(8);
    anim.setFirstFrame(5);
    anim.setRepeatCount(KaAnimation::mEndless);
    anim.play();
    mClock.frame(0);
    for (int i = 0; i < 10; ++i) {
        mClock.frame(40);
        EXPECT_GE(anim.currentFrame(), 5u);
        EXPECT_LT(anim.currentFrame(), 8u);
    }
}
