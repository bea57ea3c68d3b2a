#ifndef KA_SCENE_TEST_CLOCK_H
#define KA_SCENE_TEST_CLOCK_H

#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/scene/KaAnimation.h"

// A clock the animation tests move by hand, and one frame of the loop: the
// clock moves, then the timers and the animations are updated.
class KaSceneTestClock : public KaIClock {
public:
    KaSceneTestClock()
    {
        KaTimer::setClock(this);
        KaTimer::updateAll();
    }
    ~KaSceneTestClock() override { KaTimer::setClock(nullptr); }

    unsigned long long microseconds() override { return mNow; }

    void frame(double milliseconds)
    {
        mNow += static_cast<unsigned long long>(milliseconds * 1000.0);
        KaTimer::updateAll();
        KaAnimation::updateAll();
    }

    unsigned long long mNow = 5000000000ULL;
};

#endif
