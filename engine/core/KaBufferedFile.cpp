#include "engine/core/KaBufferedFile.h"

#include <cstring>
#include <new>

#include "engine/base/KaStd.h"

namespace {

// The file's readData counts in 32 bits: a larger buffer is filled in slices.
const unsigned long long kReadSlice = 1ull << 30;

} // namespace

KaBufferedFile::KaBufferedFile()
    : mFile()
    , mMaxBufferSize(~0ull)
    , mBuffer(nullptr)
    , mBufferPosition(kInvalid)
    , mBufferCapacity(0)
    , mBufferFill(0)
    , mFileSize(~0ull)
    , mFilePosition(0)
{
}

KaBufferedFile::KaBufferedFile(const KaPath& path, KaFileSystem::OpenMode mode)
    : KaBufferedFile()
{
    open(path, mode);
}

KaBufferedFile::~KaBufferedFile() { close(); }

bool KaBufferedFile::open(const KaPath& path, KaFileSystem::OpenMode mode)
{
    close();
    mFileSize = KaBaseFile::getFileSize(path);
    mBufferCapacity = mFileSize < mMaxBufferSize ? mFileSize : mMaxBufferSize;
    mBufferPosition = 0;
    mBufferFill = 0;
    mFilePosition = 0;
    if (mBufferCapacity != 0) {
        // Sized in 64 bits: the buffer holds the whole file, however large.
        mBuffer = mBufferCapacity <= static_cast<unsigned long long>(~static_cast<size_t>(0))
            ? new (std::nothrow) unsigned char[static_cast<size_t>(mBufferCapacity)]
            : nullptr;
        if (!mBuffer) {
            KaPrintf("KaBufferedFile::open: Can't allocate %llu bytes to read %s.\n", mBufferCapacity, path.c_str());
            mBufferCapacity = 0;
            mBufferPosition = kInvalid;
            return false;
        }
    }
    return mFile.open(path, mode);
}

bool KaBufferedFile::isOpened() const { return mFile.isOpened(); }

void KaBufferedFile::close()
{
    mFile.close();
    delete[] mBuffer;
    mBuffer = nullptr;
    mBufferCapacity = 0;
    mBufferPosition = kInvalid;
    mBufferFill = 0;
}

unsigned long KaBufferedFile::size() const { return mFileSize; }

unsigned long KaBufferedFile::getPos() const
{
    if (mBufferPosition == kInvalid)
        return mFilePosition;
    return mFilePosition - mBufferFill + mBufferPosition;
}

bool KaBufferedFile::isAtEnd() const
{
    if (mBufferPosition < mBufferFill)
        return false;
    // Loading exactly the file's size leaves the file's own end indicator
    // unset: the size says where the end is.
    if (mFile.isOpened() && mFilePosition >= mFileSize)
        return true;
    return mFile.isAtEnd();
}

unsigned int KaBufferedFile::writeData(const void* bytes, unsigned long count)
{
    const unsigned int written = mFile.writeData(bytes, count);
    mFilePosition += written;
    return written;
}

unsigned int KaBufferedFile::readData(void* destination, unsigned long count)
{
    if (!destination || count == 0)
        return 0;
    // The answer is counted in 32 bits: a larger request gets its first 4 GiB.
    if (count > 0xFFFFFFFFul)
        count = 0xFFFFFFFFul;
    unsigned char* target = static_cast<unsigned char*>(destination);
    unsigned long long delivered = 0;
    while (delivered < count) {
        if (mBufferPosition >= mBufferFill) {
            if (mFilePosition >= mFileSize)
                break;
            unsigned long long got = 0;
            while (got < mBufferCapacity) {
                const unsigned long long left = mBufferCapacity - got;
                const unsigned int slice = mFile.readData(mBuffer + got, left < kReadSlice ? left : kReadSlice);
                if (slice == 0)
                    break;
                got += slice;
            }
            mFilePosition += got;
            if (got == 0)
                break;
            mBufferFill = got;
            mBufferPosition = 0;
        }
        const unsigned long long available = mBufferFill - mBufferPosition;
        const unsigned long long wanted = count - delivered;
        const unsigned long long copied = wanted < available ? wanted : available;
        std::memcpy(target + delivered, mBuffer + mBufferPosition, copied);
        mBufferPosition += copied;
        delivered += copied;
    }
    return static_cast<unsigned int>(delivered);
}

bool KaBufferedFile::seek(unsigned long position)
{
    const unsigned long long windowStart = mFilePosition - mBufferFill;
    if (mBufferPosition != kInvalid && windowStart <= position && position < mFilePosition) {
        mBufferPosition = position - windowStart;
        return true;
    }
    // The buffered bytes no longer sit just before the file position: they
    // must not be taken for the window around the new one.
    mBufferPosition = kInvalid;
    mBufferFill = 0;
    mFilePosition = position;
    return mFile.seek(position);
}
