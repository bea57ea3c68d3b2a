#ifndef KA_INTRUSIVE_PTR_H
#define KA_INTRUSIVE_PTR_H

#include "engine/containers/KaIsRelocatable.h"

// Counted pointer of resources and shared engine objects. When the last
// reference goes, an optional deleter (a member function of T, for example
// deleteLater) is called instead of deleting the object.
template <class T>
class KaIntrusivePtr {
public:
    typedef void (T::*Deleter)();

    KaIntrusivePtr() = default;
    KaIntrusivePtr(T* pointer) : mPointer(pointer)
    {
        if (mPointer)
            mPointer->incrementCounter();
    }
    KaIntrusivePtr(const KaIntrusivePtr& other) : mPointer(other.mPointer), mDeleter(other.mDeleter)
    {
        if (mPointer)
            mPointer->incrementCounter();
    }
    virtual ~KaIntrusivePtr() { release(); }

    // The deleter travels only from a source that has one: an owner that set
    // its deleter once keeps it through later assignments.
    KaIntrusivePtr& operator=(const KaIntrusivePtr& other)
    {
        if (&other == this)
            return *this;
        T* pointer = other.mPointer;
        if (pointer)
            pointer->incrementCounter(); // before release: other may live inside the object we drop
        if (other.mDeleter)
            mDeleter = other.mDeleter;
        release();
        mPointer = pointer;
        return *this;
    }

    KaIntrusivePtr& operator=(T* pointer)
    {
        if (pointer == mPointer)
            return *this;
        if (pointer)
            pointer->incrementCounter();
        release();
        mPointer = pointer;
        return *this;
    }

    // The pointer is cleared only after the deleter or destructor has run:
    // during them this object still holds the pointee.
    void release()
    {
        if (mPointer && mPointer->decrementCounter()) {
            if (mDeleter)
                (mPointer->*mDeleter)();
            else
                delete mPointer;
        }
        mPointer = nullptr;
    }

    void setDeleter(Deleter newDeleter) { mDeleter = newDeleter; }
    Deleter deleter() const { return mDeleter; }

    T* get() const { return mPointer; }
    T* operator->() const { return mPointer; }
    T& operator*() const { return *mPointer; }
    operator T*() const { return mPointer; }

private:
    T* mPointer = nullptr;
    Deleter mDeleter = nullptr;
};

template <class T>
struct KaIsRelocatable<KaIntrusivePtr<T> > : std::true_type {};

#endif
