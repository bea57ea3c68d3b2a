#ifndef KA_BYTES_ARRAY_H
#define KA_BYTES_ARRAY_H

#include "engine/containers/KaArray.h"

// The engine's byte array: a copy-on-write array of bytes under a name of its
// own. Unlike a plain KaArray, building one from another array (copy
// construction included) shares the storage instead of copying it.
class KaBytesArray : public KaArray<unsigned char> {
public:
    KaBytesArray();
    KaBytesArray(const KaArray<unsigned char>& other);
    KaBytesArray(const KaBytesArray& other);
    KaBytesArray& operator=(const KaBytesArray& other);
    ~KaBytesArray() override;
};

#endif
