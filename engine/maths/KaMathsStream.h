#ifndef KA_MATHS_STREAM_H
#define KA_MATHS_STREAM_H

// Shared by the maths types' serialisers: one number through the stream's
// typed operations, reporting whether the whole value went through. A binary
// number is exactly its size; a text-mode number is whatever its decimal text
// takes, and consuming nothing means no number was there.

#include "engine/containers/KaArray.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaVector3f32.h"

namespace KaMathsStream {

template <class T>
inline bool write(KaStream& stream, T value)
{
    unsigned int count = stream.write(value);
    return stream.mode() == KaStream::Binary ? count == sizeof(T) : count > 0;
}

template <class T>
inline bool read(KaStream& stream, T& value)
{
    unsigned int count = stream.read(value);
    return stream.mode() == KaStream::Binary ? count == sizeof(T) : count > 0;
}

// Several numbers in order; every one is attempted even after a failure, so a
// short stream leaves the same values as the one-by-one reads would.
template <class... T>
inline bool writeAll(KaStream& stream, const T&... values)
{
    bool ok = true;
    ((ok = write(stream, values) && ok), ...);
    return ok;
}

template <class... T>
inline bool readAll(KaStream& stream, T&... values)
{
    bool ok = true;
    ((ok = read(stream, values) && ok), ...);
    return ok;
}

// Arrays of a stored record are read this many elements at a time, so a
// count beyond the end of the stream is found before it costs more than a
// slice.
const unsigned long kReadSlice = 4096;

// Grows storage so that slices do not cost a reallocation each.
template <class T>
inline void makeRoom(KaArray<T>& array, unsigned long needed)
{
    if (array.capacity() < needed)
        array.reserve(needed > array.capacity() * 2 ? needed : array.capacity() * 2);
}

// Calls take(first, count) for successive slices that cover count elements,
// until one fails.
template <class Take>
inline bool inSlices(unsigned long count, Take take)
{
    for (unsigned long received = 0; received < count;) {
        const unsigned long remaining = count - received;
        const unsigned long slice = remaining < kReadSlice ? remaining : kReadSlice;
        if (!take(received, slice))
            return false;
        received += slice;
    }
    return true;
}

// Reads count values with read(stream, value) in slices, so a count the
// stream cannot back fails at its end instead of reserving the whole count
// up front. The array is emptied first.
template <class T, class Read>
inline bool readSlices(KaStream& stream, unsigned long count, KaArray<T>& values, Read read)
{
    values.clear();
    return inSlices(count, [&](unsigned long received, unsigned long slice) {
        makeRoom(values, received + slice);
        for (unsigned long i = 0; i < slice; ++i) {
            T value;
            if (!read(stream, value))
                return false;
            values.pushBack(value);
        }
        return true;
    });
}

// count numbers through the typed reads.
template <class T>
inline bool readArray(KaStream& stream, unsigned long count, KaArray<T>& values)
{
    return readSlices(stream, count, values, [](KaStream& in, T& value) { return read(in, value); });
}

inline bool readVectors(KaStream& stream, unsigned long count, KaArray<KaVector3f32>& values)
{
    return readSlices(stream, count, values,
        [](KaStream& in, KaVector3f32& value) { return KaVector3f32::deserialize(in, value); });
}

// count raw bytes, the same in both stream modes.
inline bool readBytes(KaStream& stream, unsigned long count, KaArray<unsigned char>& bytes)
{
    bytes.clear();
    return inSlices(count, [&](unsigned long received, unsigned long slice) {
        makeRoom(bytes, received + slice);
        bytes.resize(received + slice);
        return stream.readFully(bytes.data() + received, slice) == slice;
    });
}

// A string as KaString::serialize writes it (a length, then the bytes). A
// length beyond the bytes the stream still holds is refused before anything
// is allocated. Unlike KaString::deserialize it prints nothing: the caller,
// which knows which record it is reading, says what was wrong.
inline bool readString(KaStream& stream, KaString& text)
{
    unsigned int length = 0;
    if (!read(stream, length) || length > stream.remainingBytes())
        return false;
    KaArray<unsigned char> bytes;
    if (!readBytes(stream, length, bytes))
        return false;
    text = length == 0 ? KaString() : KaString(reinterpret_cast<const char*>(bytes.constData()), length);
    return true;
}

// A count, then the numbers.
template <class T>
inline bool writeArray(KaStream& stream, const KaArray<T>& values)
{
    bool ok = write(stream, static_cast<unsigned int>(values.size()));
    for (unsigned long i = 0; i < values.size(); ++i)
        ok = write(stream, values[i]) && ok;
    return ok;
}

// A count, then the vectors.
inline bool writeVectors(KaStream& stream, const KaArray<KaVector3f32>& values)
{
    bool ok = write(stream, static_cast<unsigned int>(values.size()));
    for (unsigned long i = 0; i < values.size(); ++i)
        ok = KaVector3f32::serialize(stream, values[i]) && ok;
    return ok;
}

} // namespace KaMathsStream

#endif
