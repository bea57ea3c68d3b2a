#include "engine/sound/KaOggImplementation.h"

#include <climits>
#include <cstdlib>

#include "engine/base/KaStd.h"

namespace {

// A quarter second of eight channels at 192 kHz is 768 KiB; a chunk this
// large only comes from a header with an absurd rate, and is refused before
// anything is allocated.
const unsigned long long kMaxChunkBytes = 32ull * 1024 * 1024;

const int kLittleEndian = 0;
const int kSixteenBits = 2;
const int kSigned = 1;

// Vorbis orders 5.1 as FL, C, FR, RL, RR, LFE; OpenAL as FL, FR, C, LFE, RL, RR.
void reorderFivePointOne(unsigned char* bytes, unsigned long size)
{
    short* samples = reinterpret_cast<short*>(bytes);
    const unsigned long frames = size / (6 * sizeof(short));
    for (unsigned long i = 0; i < frames; ++i) {
        short* frame = samples + i * 6;
        const short centre = frame[1];
        const short frontRight = frame[2];
        const short rearLeft = frame[3];
        const short rearRight = frame[4];
        const short lfe = frame[5];
        frame[1] = frontRight;
        frame[2] = centre;
        frame[3] = lfe;
        frame[4] = rearLeft;
        frame[5] = rearRight;
    }
}

} // namespace

KaOggImplementation::KaOggImplementation()
    : mFile()
    , mDecodeDuration(250)
    , mChannels(0)
    , mFrequency(0)
    , mBits(0)
    , mSamples(0)
    , mCallbacks()
    , mVorbisFile()
    , mOpened(false)
    , mChunkSize(0)
    , mChunk(nullptr)
    , mChunkCapacity(0)
{
    setCallbacks();
}

KaOggImplementation::~KaOggImplementation() { close(); }

void KaOggImplementation::setCallbacks()
{
    mCallbacks.read_func = &KaOggImplementation::readCallback;
    mCallbacks.seek_func = &KaOggImplementation::seekCallback;
    mCallbacks.close_func = &KaOggImplementation::closeCallback;
    mCallbacks.tell_func = &KaOggImplementation::tellCallback;
}

size_t KaOggImplementation::readCallback(void* destination, size_t size, size_t count, void* datasource)
{
    KaFile* file = static_cast<KaFile*>(datasource);
    if (size == 0 || count == 0)
        return 0;
    if (count > ULONG_MAX / size)
        count = ULONG_MAX / size;
    const unsigned long bytes = file->readData(destination, static_cast<unsigned long>(size * count));
    return bytes / size;
}

int KaOggImplementation::seekCallback(void* datasource, ogg_int64_t offset, int whence)
{
    KaFile* file = static_cast<KaFile*>(datasource);
    ogg_int64_t position;
    switch (whence) {
    case SEEK_SET:
        position = offset;
        break;
    case SEEK_CUR:
        position = static_cast<ogg_int64_t>(file->getPos()) + offset;
        break;
    case SEEK_END:
        position = static_cast<ogg_int64_t>(file->size()) + offset;
        break;
    default:
        return -1;
    }
    if (position < 0)
        return -1;
    return file->seek(static_cast<unsigned long>(position)) ? 0 : -1;
}

int KaOggImplementation::closeCallback(void* datasource)
{
    static_cast<KaFile*>(datasource)->close();
    return 0;
}

long KaOggImplementation::tellCallback(void* datasource)
{
    return static_cast<long>(static_cast<KaFile*>(datasource)->getPos());
}

bool KaOggImplementation::fail(const char* message)
{
    KaPrintf("%s", message);
    close();
    return false;
}

void KaOggImplementation::releaseChunk()
{
    std::free(mChunk);
    mChunk = nullptr;
    mChunkCapacity = 0;
}

bool KaOggImplementation::open(const KaPath& path)
{
    close();
    if (path.extension().toLowerCase() != "ogg")
        return false;
    if (!mFile.open(path, KaFileSystem::Read)) {
        KaPrintf(
            "[KaOggImplementation::open(const KaString& filename)] File %s exist but can't be opened.\n", path.c_str());
        close();
        return false;
    }
    // On failure vorbisfile forgets the data source without closing it.
    if (ov_open_callbacks(&mFile, &mVorbisFile, nullptr, 0, mCallbacks) != 0)
        return fail("[KaOggImplementation::open(const KaString& filename)] ov_open_callbacks error.\n");
    mOpened = true;

    vorbis_info* info = ov_info(&mVorbisFile, -1);
    if (!info)
        return fail("[KaOggImplementation::open(const KaString& filename)] ov_info error.\n");
    mFrequency = static_cast<unsigned int>(info->rate);
    mChannels = static_cast<unsigned int>(info->channels);
    mBits = 16;
    const ogg_int64_t total = ov_pcm_total(&mVorbisFile, -1);
    mSamples = total < 0 ? 0u : total > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(total);
    mChunkSize = determineBufferSizeByDuration(
        mDecodeDuration, static_cast<unsigned char>(mChannels & 0xFFu), mFrequency, mBits);
    if (mChunkSize == 0 || mChunkSize > kMaxChunkBytes) {
        KaPrintf("[KaOggImplementation::open(const KaString& filename)] unsupported stream : %u channels at %u Hz.\n",
            mChannels, mFrequency);
        close();
        return false;
    }
    return true;
}

void KaOggImplementation::close()
{
    releaseChunk();
    if (mOpened)
        ov_clear(&mVorbisFile);
    mFile.close();
    mOpened = false;
    setCallbacks();
    mChannels = 0;
    mFrequency = 0;
    mChunkSize = 0;
}

bool KaOggImplementation::isOpened() const { return mFile.isOpened(); }

unsigned char KaOggImplementation::nbChannels() { return static_cast<unsigned char>(mChannels & 0xFFu); }

unsigned int KaOggImplementation::frequency() { return mFrequency; }

unsigned int KaOggImplementation::nbBits() { return mBits; }

unsigned int KaOggImplementation::nbSamples() { return mSamples; }

void KaOggImplementation::setDecodeDuration(unsigned int milliseconds) { mDecodeDuration = milliseconds; }

unsigned int KaOggImplementation::decodeDuration() { return mDecodeDuration; }

bool KaOggImplementation::decode(unsigned char** chunk, unsigned long& size)
{
    size = 0;
    if (chunk)
        *chunk = nullptr;
    if (!mOpened || mChunkSize == 0)
        return false;
    if (!mChunk || mChunkCapacity < mChunkSize) {
        releaseChunk();
        mChunk = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(mChunkSize)));
        if (!mChunk)
            return false;
        mChunkCapacity = mChunkSize;
    }

    unsigned long long filled = 0;
    while (filled < mChunkSize) {
        int bitstream = 0;
        const unsigned long long room = mChunkSize - filled;
        const int want = room > INT_MAX ? INT_MAX : static_cast<int>(room);
        const long got = ov_read(&mVorbisFile, reinterpret_cast<char*>(mChunk + filled), want, kLittleEndian,
            kSixteenBits, kSigned, &bitstream);
        // A hole is a gap in the pages (lost or damaged data): the samples
        // after it are still good.
        if (got == OV_HOLE)
            continue;
        if (got < 1)
            break;
        filled += static_cast<unsigned long long>(got);
    }

    if (mChannels == 6)
        reorderFivePointOne(mChunk, static_cast<unsigned long>(filled));
    size = static_cast<unsigned long>(filled);
    if (chunk)
        *chunk = filled ? mChunk : nullptr;
    return filled != 0;
}

unsigned char* KaOggImplementation::data(unsigned long& size)
{
    size = 0;
    unsigned char* all = nullptr;
    unsigned long total = 0;
    unsigned long capacity = 0;
    unsigned char* chunk = nullptr;
    unsigned long chunkBytes = 0;
    while (decode(&chunk, chunkBytes)) {
        if (total + chunkBytes > capacity) {
            // Doubling keeps a long file from being copied once per chunk.
            unsigned long grown = capacity ? capacity * 2 : chunkBytes * 16;
            if (grown < total + chunkBytes)
                grown = total + chunkBytes;
            unsigned char* bigger = static_cast<unsigned char*>(std::realloc(all, grown));
            if (!bigger)
                break;
            all = bigger;
            capacity = grown;
        }
        KaMemcpy(all + total, chunk, chunkBytes);
        total += chunkBytes;
    }
    releaseChunk();
    if (total == 0) {
        std::free(all);
        return nullptr;
    }
    unsigned char* exact = static_cast<unsigned char*>(std::realloc(all, total));
    mChunk = exact ? exact : all;
    mChunkCapacity = total;
    size = total;
    return mChunk;
}
