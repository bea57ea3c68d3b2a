#include "engine/graphics/KaPackedBlock.h"

#include <zlib.h>

#include <cstdlib>

#include "engine/core/KaStream.h"

namespace {

// deflate's best case is a little over 1032:1; anything beyond that is a
// size no zlib data of P bytes can honour.
const unsigned long kMaxRatio = 1032;
const unsigned long kRatioSlack = 64;

// Packed bytes are read in slices of this size, the buffer growing with what
// actually arrived.
const unsigned long kSlice = 1024ul * 1024ul;

unsigned long littleEndian32(const unsigned char* bytes)
{
    return static_cast<unsigned long>(bytes[0]) | static_cast<unsigned long>(bytes[1]) << 8
        | static_cast<unsigned long>(bytes[2]) << 16 | static_cast<unsigned long>(bytes[3]) << 24;
}

} // namespace

KaPackedBlock::KaPackedBlock() : mData(nullptr), mSize(0) {}

KaPackedBlock::~KaPackedBlock() { release(); }

void KaPackedBlock::release()
{
    std::free(mData);
    mData = nullptr;
    mSize = 0;
}

KaPackedBlock::Result KaPackedBlock::unpack(KaStream& stream)
{
    release();
    // Read as bytes: the caller's stream may be in text mode.
    unsigned char sizes[8];
    if (stream.readData(sizes, sizeof(sizes)) != sizeof(sizes))
        return ReadError;
    const unsigned long packedSize = littleEndian32(sizes);
    const unsigned long unpackedSize = littleEndian32(sizes + 4);
    if (packedSize == 0 || unpackedSize == 0 || unpackedSize > mMaxUnpackedBytes
        || unpackedSize > packedSize * kMaxRatio + kRatioSlack)
        return SizeError;

    unsigned char* packed = nullptr;
    unsigned long got = 0;
    while (got < packedSize) {
        unsigned long slice = packedSize - got;
        if (slice > kSlice)
            slice = kSlice;
        unsigned char* grown = static_cast<unsigned char*>(std::realloc(packed, got + slice));
        if (!grown) {
            std::free(packed);
            return SizeError;
        }
        packed = grown;
        const unsigned int read = stream.readData(packed + got, slice);
        got += read;
        if (read != slice) {
            std::free(packed);
            return ReadError;
        }
    }

    unsigned char* unpacked = static_cast<unsigned char*>(std::malloc(unpackedSize));
    if (!unpacked) {
        std::free(packed);
        return SizeError;
    }
    uLongf produced = unpackedSize;
    const int status = uncompress(unpacked, &produced, packed, packedSize);
    std::free(packed);
    if (status != Z_OK) {
        std::free(unpacked);
        return UncompressError;
    }
    mData = unpacked;
    mSize = produced;
    return Unpacked;
}
