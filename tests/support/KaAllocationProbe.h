#ifndef KA_ALLOCATION_PROBE_H
#define KA_ALLOCATION_PROBE_H

#include <cstddef>

// Records the largest single allocation (malloc, new, new[]) made while it
// lives, for tests that check a reader refuses a header's claim before it
// allocates for it. It works through the AddressSanitizer allocator's hooks:
// in a build without ASan, available() is false and nothing is recorded, and
// such tests skip.
class KaAllocationProbe {
public:
    KaAllocationProbe();
    ~KaAllocationProbe();
    KaAllocationProbe(const KaAllocationProbe&) = delete;
    KaAllocationProbe& operator=(const KaAllocationProbe&) = delete;

    static bool available();
    // The largest allocation seen so far, in bytes.
    size_t largest() const;
};

#endif
