#ifndef KA_FIXED_STEP_CLOCK_H
#define KA_FIXED_STEP_CLOCK_H

#include "engine/core/KaIClock.h"

// A clock that moves exactly one frame (1/60 s) each time the host asks,
// whatever the machine's speed: end-to-end runs put it behind the engine's
// timers so that a given frame always sees the same time.
class KaFixedStepClock : public KaIClock {
public:
    KaFixedStepClock() : mFrames(0) { }

    unsigned long long microseconds() override;
    void step() { ++mFrames; }
    unsigned long long frames() const { return mFrames; }

private:
    unsigned long long mFrames;
};

#endif
