#ifndef KA_REFERENCES_COUNTER_H
#define KA_REFERENCES_COUNTER_H

#include <cstdint>

// The count an intrusively counted object carries. It only counts: the counted
// pointer deletes the object when decrementCounter() answers true. Plain,
// non-atomic: counted objects live on the main thread.
class KaReferencesCounter {
public:
    KaReferencesCounter() = default;
    // The count belongs to one object; a copy starts uncounted.
    KaReferencesCounter(const KaReferencesCounter&) : mCounter(0) {}
    KaReferencesCounter& operator=(const KaReferencesCounter&) { return *this; }

    void resetCounter() const { mCounter = 0; }
    void incrementCounter() const { ++mCounter; }
    // True exactly when the count falls to zero; a zero count stays zero.
    bool decrementCounter() const
    {
        if (mCounter == 0)
            return false;
        return --mCounter == 0;
    }
    uint64_t counter() const { return mCounter; }

private:
    mutable uint64_t mCounter = 0;
};

#endif
