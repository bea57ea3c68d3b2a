#include "platform/KaFixedStepClock.h"

unsigned long long KaFixedStepClock::microseconds()
{
    // From the frame count, so that 60 frames make exactly one second and no
    // rounding of 16,666.67 µs piles up.
    return mFrames * 1000000ULL / 60ULL;
}
