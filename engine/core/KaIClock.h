#ifndef KA_I_CLOCK_H
#define KA_I_CLOCK_H

// A source of microseconds that only moves forward, behind every timer of the
// engine. The engine reads the system's monotonic clock; tests put in a clock
// of their own that they move by hand, so that timing is exact and instant.
class KaIClock {
public:
    virtual ~KaIClock();
    // Microseconds since an arbitrary origin fixed for the clock's lifetime.
    virtual unsigned long long microseconds() = 0;

    // The system's monotonic clock: setting the wall clock (by the user or by
    // time synchronisation) neither freezes nor jumps it. Lives for the whole
    // program.
    static KaIClock& monotonic();
};

#endif
