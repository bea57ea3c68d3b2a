#ifndef KA_COUNTED_ARRAY_H
#define KA_COUNTED_ARRAY_H

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaArrayImplementation.h"

// An array storage that KaArray handles share through a KaSmartPointer.
// The count is never copied: a copy starts unshared.
template <class T>
class KaCountedArray : public KaReferencesCounter, public KaArrayImplementation<T> {
public:
    KaCountedArray() = default;
    KaCountedArray(const KaCountedArray& other) : KaReferencesCounter(), KaArrayImplementation<T>(other) {}
    KaCountedArray& operator=(const KaCountedArray&) = delete;
};

#endif
