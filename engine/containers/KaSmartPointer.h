#ifndef KA_SMART_POINTER_H
#define KA_SMART_POINTER_H

#include "engine/containers/KaIsRelocatable.h"

// One-word counted pointer to an object that carries its own count
// (a KaReferencesCounter base) and a virtual destructor.
template <class T>
class KaSmartPointer {
public:
    KaSmartPointer() = default;
    KaSmartPointer(T* pointer) { smartCopy(pointer); }
    KaSmartPointer(const KaSmartPointer& other) { smartCopy(other.mPointer); }
    ~KaSmartPointer() { destroy(); }

    KaSmartPointer& operator=(const KaSmartPointer& other) { return smartCopy(other.mPointer); }

    // Takes the new reference before letting the old one go, so handing a
    // pointer the object it already holds (even as its only reference) keeps it alive.
    KaSmartPointer& smartCopy(T* pointer)
    {
        if (pointer)
            pointer->incrementCounter();
        destroy();
        mPointer = pointer;
        return *this;
    }

    // The field is null before the pointee's destructor runs, so that
    // destructor sees this pointer already empty.
    void destroy()
    {
        T* pointer = mPointer;
        mPointer = nullptr;
        if (pointer && pointer->decrementCounter())
            delete pointer;
    }

    T* get() const { return mPointer; }
    T* operator->() const { return mPointer; }
    T& operator*() const { return *mPointer; }
    operator T*() const { return mPointer; }
    bool operator==(const KaSmartPointer& other) const { return mPointer == other.mPointer; }
    bool operator!=(const KaSmartPointer& other) const { return mPointer != other.mPointer; }

private:
    T* mPointer = nullptr;
};

template <class T>
struct KaIsRelocatable<KaSmartPointer<T> > : std::true_type {};

#endif
