#ifndef KA_INSTRUMENTED_H
#define KA_INSTRUMENTED_H

#include "engine/containers/KaIsRelocatable.h"

// Element type for container tests: counts live instances so a test can check
// that every construction is matched by exactly one destruction, and poisons
// itself on destruction so a use after destruction shows up as a wrong value.
class KaInstrumented {
public:
    static inline int sLive = 0;

    KaInstrumented() : mValue(0), mAlive(kAliveMark) { ++sLive; }
    KaInstrumented(int value) : mValue(value), mAlive(kAliveMark) { ++sLive; }
    KaInstrumented(const KaInstrumented& other) : mValue(other.value()), mAlive(kAliveMark) { ++sLive; }
    KaInstrumented& operator=(const KaInstrumented& other)
    {
        mValue = other.value();
        return *this;
    }
    ~KaInstrumented()
    {
        --sLive;
        mValue = -1;
        mAlive = 0;
    }

    // -2 for an object that was already destroyed.
    int value() const { return mAlive == kAliveMark ? mValue : -2; }
    bool operator==(const KaInstrumented& other) const { return value() == other.value(); }

private:
    static const unsigned kAliveMark = 0x600DF00Du;
    int mValue;
    unsigned mAlive;
};

KA_RELOCATABLE(KaInstrumented);

#endif
