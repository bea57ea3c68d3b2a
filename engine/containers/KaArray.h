#ifndef KA_ARRAY_H
#define KA_ARRAY_H

#include "engine/containers/KaCountedArray.h"
#include "engine/containers/KaSmartPointer.h"

// Copy-on-write array handle. Assignment shares the storage; the first change
// through a handle whose storage is shared gives that handle a private copy.
// Copy construction, by contrast, copies the elements at once, so an array
// passed or kept by value owns its elements.
//
// The element rules of KaArrayImplementation apply (see that header).
// Not thread-safe: handles sharing a storage must stay on one thread.
//
// A value handed to an operation may be an element of this very array: when
// the storage is shared, detaching leaves the value in the old storage (which
// the other handles keep alive); when it is owned, the storage copies the
// value before it grows or shifts.
template <class T>
class KaArray {
public:
    KaArray() : mArray(new KaCountedArray<T>()) {}
    KaArray(const KaArray& other) : mArray(new KaCountedArray<T>(*other.mArray)) {}
    explicit KaArray(const T& value) : mArray(new KaCountedArray<T>()) { mArray->pushBack(value); }
    virtual ~KaArray() = default;

    KaArray& operator=(const KaArray& other)
    {
        if (&other != this)
            mArray = other.mArray;
        return *this;
    }

    // Gives this handle a storage of its own when the current one is shared.
    void detach()
    {
        if (mArray->counter() < 2)
            return;
        mArray = new KaCountedArray<T>(*mArray);
    }

    void clear()
    {
        if (mArray->counter() >= 2)
            mArray = new KaCountedArray<T>();
        else
            mArray->clear();
    }

    KaArray& copy(const T* values, unsigned long count)
    {
        if (mArray->counter() >= 2)
            mArray = new KaCountedArray<T>();
        mArray->copy(values, count);
        return *this;
    }

    KaArray& pushBack(const T& value)
    {
        detach();
        mArray->pushBack(value);
        return *this;
    }

    KaArray& pushBack(const T* values, unsigned long count)
    {
        detach();
        mArray->pushBack(values, count);
        return *this;
    }

    KaArray& pushFront(const T& value) { return insert(value, 0); }

    KaArray& insert(const T& value, unsigned long index)
    {
        detach();
        mArray->insert(value, index);
        return *this;
    }

    KaArray& insert(const T* values, unsigned long count, unsigned long index)
    {
        detach();
        mArray->insert(values, count, index);
        return *this;
    }

    KaArray& insert(const KaArray& other, unsigned long index)
    {
        KaArray source;
        source = other; // shares: keeps other's elements alive and unchanged while this detaches
        detach();
        mArray->insert(source.mArray->data(), source.size(), index);
        return *this;
    }

    bool remove(const T& value)
    {
        detach();
        return mArray->remove(value);
    }

    KaArray& remove(unsigned long index, unsigned long count)
    {
        detach();
        mArray->removeRange(index, count);
        return *this;
    }

    KaArray& removeAt(unsigned long index)
    {
        detach();
        mArray->removeAt(index);
        return *this;
    }

    KaArray& removeEnd()
    {
        detach();
        mArray->removeEnd();
        return *this;
    }

    bool removeFast(const T& value)
    {
        detach();
        return mArray->removeFast(value);
    }

    KaArray& removeFastAt(unsigned long index)
    {
        detach();
        mArray->removeFastAt(index);
        return *this;
    }

    KaArray& reserve(unsigned long capacity)
    {
        detach();
        mArray->reserve(capacity);
        return *this;
    }

    KaArray& resize(unsigned long newSize)
    {
        detach();
        mArray->resize(newSize);
        return *this;
    }

    // The elements do not change, so a shared storage stays shared.
    KaArray& shrink()
    {
        mArray->shrink();
        return *this;
    }

    T& last()
    {
        detach();
        return (*mArray)[mArray->size() - 1];
    }

    unsigned long size() const { return mArray->size(); }
    unsigned long capacity() const { return mArray->capacity(); }
    bool isEmpty() const { return mArray->size() == 0; }
    bool isShared() const { return mArray->counter() >= 2; }
    // Number of handles sharing this storage.
    unsigned long shareCount() const { return static_cast<unsigned long>(mArray->counter()); }

    T& operator[](unsigned long index)
    {
        detach();
        return (*mArray)[index];
    }
    const T& operator[](unsigned long index) const { return (*mArray)[index]; }
    const T& elementOrDefault(unsigned long index) const { return mArray->elementOrDefault(index); }

    long indexOf(const T& value) const { return mArray->indexOf(value); }
    bool contains(const T& value) const { return mArray->indexOf(value) >= 0; }

    // Reading never copies; writable access detaches first.
    const T* constData() const { return mArray->data(); }
    T* data()
    {
        detach();
        return mArray->data();
    }
    const T* begin() const { return mArray->data(); }
    const T* end() const { return mArray->data() + mArray->size(); }
    T* begin()
    {
        detach();
        return mArray->data();
    }
    T* end()
    {
        detach();
        return mArray->data() + mArray->size();
    }

protected:
    struct Share {
    };
    // A handle on other's storage from the start, for derived types whose
    // copies share (strings): no empty storage is made only to be dropped.
    KaArray(const KaArray& other, Share) : mArray(other.mArray) {}

    KaSmartPointer<KaCountedArray<T> > mArray;
};

template <class T>
struct KaIsRelocatable<KaArray<T> > : std::true_type {};

#endif
