#ifndef KA_MATHS_STREAM_H
#define KA_MATHS_STREAM_H

// Shared by the maths types' serialisers: one number through the stream's
// typed operations, reporting whether the whole value went through. A binary
// number is exactly its size; a text-mode number is whatever its decimal text
// takes, and consuming nothing means no number was there.

#include "engine/core/KaStream.h"

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

} // namespace KaMathsStream

#endif
