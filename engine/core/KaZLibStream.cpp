#include "engine/core/KaZLibStream.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <new>

#include "engine/base/KaStd.h"

namespace {

const unsigned char kVersion = 1;

// deflate's best case is a little over 1032:1: no zlib stream of P bytes
// inflates to more than this, whatever size the block announces.
const unsigned long long kMaxRatio = 1032;
const unsigned long long kRatioSlack = 64;

} // namespace

KaZLibStream::KaZLibStream()
    : mSource(nullptr)
    , mAtEnd(true)
    , mInflated(nullptr)
    , mSize(0)
{
    mPosition = 0;
}

KaZLibStream::~KaZLibStream() { close(); }

void KaZLibStream::close()
{
    mSource = nullptr;
    delete[] mInflated;
    mInflated = nullptr;
    mSize = 0;
    mAtEnd = true;
    mPosition = 0;
}

bool KaZLibStream::fail()
{
    close();
    return false;
}

bool KaZLibStream::open(KaStream& source)
{
    close();
    mSource = &source;

    unsigned char version = 0;
    if (source.readFully(&version, 1) != 1) {
        KaPrintf("KaZLibStream::open: read error\n");
        return fail();
    }
    if (version != kVersion) {
        KaPrintf("KaZLibStream::open: This implementation doesn't support version %d, the only supported version "
                 "is %d\n",
            version, kVersion);
        return fail();
    }

    unsigned int packedSize = 0;
    unsigned int unpackedSize = 0;
    if (!source.readBinaryU32(packedSize) || !source.readBinaryU32(unpackedSize)) {
        KaPrintf("KaZLibStream::open: read error\n");
        return fail();
    }
    // Both sizes are checked before anything is allocated: a packed size
    // beyond the source is a truncated block.
    if (packedSize > source.remainingBytes()) {
        KaPrintf("KaZLibStream::open: read error\n");
        return fail();
    }
    if (unpackedSize > mMaxUnpackedSize) {
        KaPrintf(
            "KaZLibStream::open: unpacked size %u is over the limit of %u bytes\n", unpackedSize, mMaxUnpackedSize);
        return fail();
    }

    // A damaged header may announce far more than its packed bytes can
    // inflate to: the output buffer is only as large as they could fill, so
    // the stream still ends where the data really ends.
    const unsigned long long reachable = packedSize * kMaxRatio + kRatioSlack;
    const unsigned int capacity
        = unpackedSize < reachable ? unpackedSize : static_cast<unsigned int>(reachable);

    std::unique_ptr<unsigned char[]> packed(new (std::nothrow) unsigned char[packedSize ? packedSize : 1]);
    // One byte at least, so that an empty block still has a buffer to point at.
    mInflated = new (std::nothrow) unsigned char[capacity ? capacity : 1];
    if (!packed || !mInflated) {
        KaPrintf("KaZLibStream::open: out of memory for a block of %u bytes\n", capacity);
        return fail();
    }
    if (source.readFully(packed.get(), packedSize) != packedSize) {
        KaPrintf("KaZLibStream::open: read error\n");
        return fail();
    }

    uLongf produced = capacity;
    if (uncompress(mInflated, &produced, packed.get(), packedSize) != Z_OK) {
        KaPrintf("KaZLibStream::open: uncompress error");
        return fail();
    }
    // A block that inflates to less than it announced ends where its data
    // ends: nothing past it is uninitialised memory to read.
    mSize = static_cast<unsigned int>(produced);
    return true;
}

unsigned int KaZLibStream::writeData(const void* bytes, unsigned long count) { return 0; }

unsigned int KaZLibStream::readData(void* destination, unsigned long count)
{
    if (mPosition >= mSize) {
        mAtEnd = true;
        return 0;
    }
    if (!destination)
        return 0;
    unsigned long wanted = count;
    if (wanted > mSize - mPosition) {
        wanted = mSize - mPosition;
        mAtEnd = true;
    }
    std::memcpy(destination, mInflated + mPosition, wanted);
    mPosition += wanted;
    return static_cast<unsigned int>(wanted);
}

bool KaZLibStream::seek(unsigned long position)
{
    if (position >= mSize) {
        mPosition = mSize;
        return false;
    }
    mPosition = position;
    mAtEnd = false;
    return true;
}

unsigned long KaZLibStream::getPos() const { return mPosition; }

bool KaZLibStream::isAtEnd() const { return mAtEnd; }

unsigned long KaZLibStream::size() const { return mSize; }
