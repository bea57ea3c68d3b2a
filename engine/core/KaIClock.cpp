#include "engine/core/KaIClock.h"

#include <time.h>

namespace {

class KaMonotonicClock : public KaIClock {
public:
    unsigned long long microseconds() override
    {
        timespec now;
        if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
            return 0;
        return static_cast<unsigned long long>(now.tv_sec) * 1000000ULL
            + static_cast<unsigned long long>(now.tv_nsec) / 1000ULL;
    }
};

} // namespace

KaIClock::~KaIClock() = default;

KaIClock& KaIClock::monotonic()
{
    // Never destroyed, so timers that outlive static destruction still read it.
    static KaIClock* clock = new KaMonotonicClock();
    return *clock;
}
