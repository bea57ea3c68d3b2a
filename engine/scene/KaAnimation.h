#ifndef KA_ANIMATION_H
#define KA_ANIMATION_H

#include <cstdint>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"

// The base of everything that changes over time: curve animations, frame
// counters of videos, skeletal and vertex animations, characters. Each
// animation runs on its own timer (milliseconds reach update()); the running
// ones are listed class-wide in the order they were started, and the frame
// loop advances them all with updateAll() once per frame, after the timers.
//
// States: idle (timer stopped, not listed), running (listed), paused (not
// listed, elapsed time kept). play()/cont() start or resume, pause() pauses,
// stop() and reset() go back to idle (only stop() emits onStop).
//
// updateAll() and removals: an update may stop, pause, reset or delete any
// animation, this one included. While updateAll() walks the list, a removed
// animation only leaves a hole in its place (the holes are swept out when the
// walk ends), so the animations after it keep their places: none is skipped,
// and none is updated after it was removed or deleted. Animations started
// during the walk are appended past the end the walk looks at; their start
// already gave them their first update, so they are next updated in the
// following frame.
//
// The destructor leaves the list without emitting onStop: the parts of the
// derived class are gone by then, and a handler that touched the animation
// would reach a half-destroyed object. An owner that needs the signal stops
// the animation before deleting it.
//
// Main thread only.
class KaAnimation : public virtual KaObject {
public:
    // The repeat count that never ends.
    static constexpr unsigned int mEndless = 0xFFFFFFFFu;

    KaAnimation();
    KaAnimation(const KaAnimation&) = delete;
    KaAnimation& operator=(const KaAnimation&) = delete;
    ~KaAnimation() override;

    // cont().
    virtual void play();
    // Removes the animation from the running list, stops its timer (elapsed
    // back to 0) and emits onStop; nothing when it is not running.
    virtual void stop();
    // Removes it from the running list and pauses its timer; no signal.
    virtual void pause();
    // When not running: starts or resumes the timer, lists the animation and
    // updates it at once, so that its first value shows in the same frame.
    virtual void cont();
    // As stop(), without the signal.
    virtual void reset();
    // The elapsed milliseconds of the animation's timer.
    virtual void update(double milliseconds) = 0;

    // Restarts the clock from 0 and updates at once; the running list is
    // untouched. Subclasses call it to loop.
    void seekToStart();

    bool isRunning() const { return mTimer.isRunning(); }
    // Whether the animation is in the running list.
    bool isListed() const { return mListed; }
    double elapsedMilliseconds() const { return mTimer.getTimeFromStart() / 1000.0; }
    KaTimer& timer() { return mTimer; }

    unsigned int repeatCount() const { return mRepeatCount; }
    void setRepeatCount(unsigned int count) { mRepeatCount = count; }
    bool reversed() const { return mReversed; }
    void setReversed(bool reversed) { mReversed = reversed; }
    double startTime() const { return mStartTime; }
    void setStartTime(double time) { mStartTime = time; }
    double endTime() const { return mEndTime; }
    void setEndTime(double time) { mEndTime = time; }

    // Updates every listed animation whose timer runs (see the class note).
    static void updateAll();
    // pause() of every listed animation whose timer runs; cont() of every
    // listed one. The frame loop calls neither.
    static void pauseAll();
    static void resumeAll();
    static void staticDestroy();

    // The running animations in start order.
    static unsigned long runningCount();
    static KaAnimation* running(unsigned long index);

    KaSignal0Param onStop;
    KaSignal0Param onFinished;

protected:
    // Takes the animation out of the running list (no effect when absent).
    void unlist();
    void list();

private:
    bool active() const;
    static KaArray<KaAnimation*>& animations();
    static void sweep();
    // Visits the animations listed when the walk starts, skipping the holes
    // that stops and deletions leave, then sweeps them.
    static void walk(void (*visit)(KaAnimation& animation));

    KaTimer mTimer;
    double mStartTime;
    double mEndTime;
    unsigned int mRepeatCount;
    bool mReversed;
    bool mListed;

    // Nesting depth of updateAll()/pauseAll() walks, and whether one of them
    // left holes to sweep.
    static unsigned int mWalkDepth;
    static bool mHoles;
};

#endif
