#include "engine/core/KaBytesArray.h"

KaBytesArray::KaBytesArray() = default;

KaBytesArray::KaBytesArray(const KaArray<unsigned char>& other)
    : KaArray<unsigned char>(other, Share())
{
}

KaBytesArray::KaBytesArray(const KaBytesArray& other)
    : KaArray<unsigned char>(other, Share())
{
}

KaBytesArray& KaBytesArray::operator=(const KaBytesArray& other)
{
    KaArray<unsigned char>::operator=(other);
    return *this;
}

KaBytesArray::~KaBytesArray() = default;
