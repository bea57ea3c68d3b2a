#ifndef KA_ARRAY_IMPLEMENTATION_H
#define KA_ARRAY_IMPLEMENTATION_H

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "engine/base/KaStd.h"
#include "engine/containers/KaIsRelocatable.h"

// Growable element buffer with exact growth (no doubling) and bitwise
// relocation: the buffer grows with realloc and insertion/removal shift the
// tail with KaMemmove, never through T's copy constructor or assignment.
//
// So an element must stay valid when its bytes move to another address.
// Trivially copyable types do; the engine's classes that do as well
// (strings, paths, smart and intrusive pointers, arrays, materials...) say so
// with KA_RELOCATABLE next to their definition, and the compiler refuses an
// array of anything else. Types that point into themselves (std::string with
// its small buffer, most std:: containers) and objects whose address is
// registered elsewhere (KaList and its iterators, a signal's slot, a timer)
// never qualify: keep those behind a pointer.
//
// No index is checked; callers keep indices below size().
template <class T>
class KaArrayImplementation {
public:
    KaArrayImplementation() : mData(nullptr), mDefaultElement(), mSize(0), mCapacity(0) {}

    // A deep copy whose capacity is exactly the other's size. The default
    // element is made afresh, never copied.
    KaArrayImplementation(const KaArrayImplementation& other)
        : mData(nullptr), mDefaultElement(), mSize(0), mCapacity(0)
    {
        copy(other.mData, other.mSize);
    }

    KaArrayImplementation& operator=(const KaArrayImplementation& other)
    {
        if (&other != this)
            copy(other.mData, other.mSize);
        return *this;
    }

    // The check sits here rather than in the class body, so that an array of
    // a class may be a member of that class (or of the class a nested
    // element type belongs to) and the type's KA_RELOCATABLE may follow it:
    // every array needs its destructor, and that is only made once the
    // translation unit has seen the whole element type.
    virtual ~KaArrayImplementation()
    {
        static_assert(KaIsRelocatable<T>::value,
                      "KaArray moves its elements byte for byte: keep this type behind a pointer, or declare it "
                      "KA_RELOCATABLE (engine/containers/KaIsRelocatable.h) if its bytes may move");
        clear();
    }

    KaArrayImplementation& pushBack(const T& value)
    {
        if (mSize < mCapacity) {
            // Nothing moves, so value may even be one of the elements.
            new (slot(mSize)) T(value);
            ++mSize;
            return *this;
        }
        if (contains(&value)) {
            T copyOfValue(value);
            return pushBack(copyOfValue);
        }
        grow(mSize + 1);
        new (slot(mSize)) T(value);
        ++mSize;
        return *this;
    }

    KaArrayImplementation& pushBack(const T* values, unsigned long count)
    {
        if (count == 0)
            return *this;
        if (overlaps(values, count)) {
            KaArrayImplementation copies;
            copies.pushBack(values, count);
            return pushBack(copies.mData, count);
        }
        grow(mSize + count);
        construct(mSize, values, count);
        mSize += count;
        return *this;
    }

    KaArrayImplementation& insert(const T& value, unsigned long index)
    {
        if (contains(&value)) {
            T copyOfValue(value);
            return insert(copyOfValue, index);
        }
        grow(mSize + 1);
        KaMemmove(slot(index + 1), slot(index), (mSize - index) * sizeof(T));
        new (slot(index)) T(value);
        ++mSize;
        return *this;
    }

    KaArrayImplementation& insert(const T* values, unsigned long count, unsigned long index)
    {
        if (count == 0)
            return *this;
        if (overlaps(values, count)) {
            KaArrayImplementation copies;
            copies.pushBack(values, count);
            return insert(copies.mData, count, index);
        }
        grow(mSize + count);
        KaMemmove(slot(index + count), slot(index), (mSize - index) * sizeof(T));
        construct(index, values, count);
        mSize += count;
        return *this;
    }

    // Replaces the content; the capacity is never reduced, so copy of 0
    // values empties the storage and keeps its buffer.
    KaArrayImplementation& copy(const T* values, unsigned long count)
    {
        if (count && overlaps(values, count)) {
            KaArrayImplementation copies;
            copies.pushBack(values, count);
            return copy(copies.mData, count);
        }
        destroyRange(0, mSize);
        mSize = 0;
        grow(count);
        construct(0, values, count);
        mSize = count;
        return *this;
    }

    // New elements are value-initialised (zero for arithmetic types), never
    // copies of the default element.
    KaArrayImplementation& resize(unsigned long newSize)
    {
        if (newSize < mSize) {
            destroyRange(newSize, mSize);
            mSize = newSize;
        } else if (newSize > mSize) {
            grow(newSize);
            for (unsigned long k = mSize; k < newSize; ++k)
                new (slot(k)) T();
            mSize = newSize;
        }
        return *this;
    }

    KaArrayImplementation& removeAt(unsigned long index)
    {
        mData[index].~T();
        KaMemmove(slot(index), slot(index + 1), (mSize - index - 1) * sizeof(T));
        --mSize;
        return *this;
    }

    // Removes count elements from index, keeping the order of the rest.
    KaArrayImplementation& removeRange(unsigned long index, unsigned long count)
    {
        if (count == 0)
            return *this;
        destroyRange(index, index + count);
        KaMemmove(slot(index), slot(index + count), (mSize - index - count) * sizeof(T));
        mSize -= count;
        return *this;
    }

    KaArrayImplementation& removeEnd()
    {
        if (mSize == 0)
            return *this;
        --mSize;
        mData[mSize].~T();
        return *this;
    }

    // The former last element takes the removed element's index.
    KaArrayImplementation& removeFastAt(unsigned long index)
    {
        if (mSize == 0)
            return *this;
        --mSize;
        swap(index, mSize);
        mData[mSize].~T();
        return *this;
    }

    bool remove(const T& value)
    {
        long index = indexOf(value);
        if (index < 0)
            return false;
        removeAt(static_cast<unsigned long>(index));
        return true;
    }

    bool removeFast(const T& value)
    {
        long index = indexOf(value);
        if (index < 0)
            return false;
        removeFastAt(static_cast<unsigned long>(index));
        return true;
    }

    KaArrayImplementation& swap(unsigned long i, unsigned long j)
    {
        T temporary;
        temporary = mData[i];
        mData[i] = mData[j];
        mData[j] = temporary;
        return *this;
    }

    KaArrayImplementation& shrink()
    {
        if (mSize == mCapacity)
            return *this;
        if (mSize == 0) {
            std::free(mData);
            mData = nullptr;
        } else {
            mData = static_cast<T*>(std::realloc(static_cast<void*>(mData), mSize * sizeof(T)));
        }
        mCapacity = mSize;
        return *this;
    }

    void clear()
    {
        destroyRange(0, mSize);
        std::free(mData);
        mData = nullptr;
        mSize = 0;
        mCapacity = 0;
    }

    // Grows the buffer to exactly capacity elements when it is smaller.
    KaArrayImplementation& reserve(unsigned long capacity)
    {
        grow(capacity);
        return *this;
    }

    unsigned long size() const { return mSize; }
    unsigned long capacity() const { return mCapacity; }
    T* data() { return mData; }
    const T* data() const { return mData; }

    T& operator[](unsigned long index) { return mData[index]; }
    const T& operator[](unsigned long index) const { return mData[index]; }

    const T& elementOrDefault(unsigned long index) const
    {
        return index < mSize ? mData[index] : mDefaultElement;
    }

    // Index of the first element equal to value, or -1.
    long indexOf(const T& value) const
    {
        for (unsigned long i = 0; i < mSize; ++i) {
            if (mData[i] == value)
                return static_cast<long>(i);
        }
        return -1;
    }

private:
    void* slot(unsigned long index) { return static_cast<void*>(mData + index); }

    void grow(unsigned long needed)
    {
        if (mCapacity >= needed)
            return;
        if (needed > static_cast<unsigned long>(PTRDIFF_MAX) / sizeof(T))
            throw std::bad_alloc();
        void* grown = std::realloc(static_cast<void*>(mData), needed * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        mData = static_cast<T*>(grown);
        mCapacity = needed;
    }

    // Copy-constructs count values into the slots from index on; plain data
    // (bytes of strings, vertices) goes in one block copy.
    void construct(unsigned long index, const T* values, unsigned long count)
    {
        if constexpr (std::is_trivially_copyable<T>::value) {
            KaMemcpy(slot(index), values, count * sizeof(T));
        } else {
            for (unsigned long k = 0; k < count; ++k)
                new (slot(index + k)) T(values[k]);
        }
    }

    void destroyRange(unsigned long from, unsigned long to)
    {
        for (unsigned long k = from; k < to; ++k)
            mData[k].~T();
    }

    // A value inside our own buffer would move (or die) before it is copied.
    bool contains(const T* value) const
    {
        return mData && value >= mData && value < mData + mCapacity;
    }

    bool overlaps(const T* values, unsigned long count) const
    {
        return mData && values < mData + mCapacity && values + count > mData;
    }

    T* mData;
    T mDefaultElement;
    unsigned long mSize;
    unsigned long mCapacity;
};

#endif
