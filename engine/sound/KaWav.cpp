#include "engine/sound/KaWav.h"

#include <cstdlib>

#include "engine/base/KaStd.h"

namespace {

const char* const kOnlyRiff = "Only RIFF type reconized.";
const char* const kOnlyWave = "Only WAVE format reconized.";
const char* const kOnlyPcm = "Only PCM format reconized.";
const char* const kCorrupted = "File is corrupted or truncated.";

bool sameId(const char id[4], const char* expected) { return KaMemcmp(id, expected, 4) == 0; }

} // namespace

KaWav::KaWav()
    : mFile()
    , mDecodeDuration(250)
    , mRiffId()
    , mRiffSize(0)
    , mWaveId()
    , mFmtSize(0)
    , mAudioFormat(1)
    , mChannels(2)
    , mSampleRate(44100)
    , mByteRate(0)
    , mBlockAlign(0)
    , mBitsPerSample(16)
    , mDataSize(0)
    , mBuffer(nullptr)
    , mChunkSize(0)
    , mBufferSize(0)
    , mDataAvailable(0)
    , mDataRemaining(0)
{
}

KaWav::~KaWav() { close(); }

void KaWav::close()
{
    mFile.close();
    std::free(mBuffer);
    mBuffer = nullptr;
    mBufferSize = 0;
    KaMemset(mRiffId, 0, sizeof(mRiffId));
    mRiffSize = 0;
    KaMemset(mWaveId, 0, sizeof(mWaveId));
    mFmtSize = 0;
    mAudioFormat = 1;
    mChannels = 2;
    mSampleRate = 44100;
    mByteRate = 0;
    mBlockAlign = 0;
    mBitsPerSample = 16;
    mDataSize = 0;
    mChunkSize = 0;
    mDataAvailable = 0;
    mDataRemaining = 0;
}

bool KaWav::fail(const KaPath& path, const char* reason)
{
    KaPrintf("[KaWav::open(const KaString& filename)] file name : %s error : %s\n", path.c_str(), reason);
    close();
    return false;
}

bool KaWav::skipTo(unsigned long position)
{
    // A file seek past the end succeeds: the size is the real bound.
    if (position > mFile.size())
        return false;
    return mFile.seek(position);
}

unsigned int KaWav::frameBytes() const { return static_cast<unsigned int>(mBitsPerSample / 8u) * mChannels; }

bool KaWav::open(const KaPath& path)
{
    close();
    if (path.extension().toLowerCase() != "wav")
        return false;
    if (!mFile.open(path, KaFileSystem::Read)) {
        KaPrintf("[KaWav::open(const KaString& filename)] File %s exist but can't be opened.\n", path.c_str());
        close();
        return false;
    }
    mFile.setMode(KaStream::Binary);
    const unsigned long fileSize = mFile.size();

    if (mFile.readData(mRiffId, 4) != 4 || !sameId(mRiffId, "RIFF"))
        return fail(path, kOnlyRiff);
    if (mFile.read(mRiffSize) != 4)
        return fail(path, kCorrupted);
    if (mFile.readData(mWaveId, 4) != 4 || !sameId(mWaveId, "WAVE"))
        return fail(path, kOnlyWave);

    bool formatRead = false;
    for (;;) {
        if (mFile.isAtEnd() || mFile.getPos() >= fileSize) {
            KaPrintf(
                "[KaWav::open(const KaString& filename)] file name : \"%s\" error : %s\n", path.c_str(), kCorrupted);
            close();
            return false;
        }
        char id[4];
        unsigned int size = 0;
        if (mFile.readData(id, 4) != 4)
            return fail(path, kCorrupted);
        if (sameId(id, "data"))
            break;
        if (mFile.read(size) != 4)
            return fail(path, kCorrupted);
        const unsigned long contentStart = mFile.getPos();
        // Chunks are word-aligned: an odd size is followed by one pad byte.
        const unsigned long next = contentStart + size + (size & 1u);
        if (sameId(id, "fmt ")) {
            mFmtSize = size;
            if (size < 16)
                return fail(path, kCorrupted);
            if (mFile.read(mAudioFormat) != 2)
                return fail(path, kCorrupted);
            if (mAudioFormat != 1)
                return fail(path, kOnlyPcm);
            if (mFile.read(mChannels) != 2 || mFile.read(mSampleRate) != 4 || mFile.read(mByteRate) != 4
                || mFile.read(mBlockAlign) != 2 || mFile.read(mBitsPerSample) != 2)
                return fail(path, kCorrupted);
            formatRead = true;
        }
        // A chunk running past the end of the file is a truncated file; only
        // its pad byte may be missing.
        if (contentStart + size > fileSize || !skipTo(next > fileSize ? fileSize : next))
            return fail(path, kCorrupted);
    }

    if (!formatRead)
        return fail(path, kCorrupted);
    if (mFile.read(mDataSize) != 4)
        return fail(path, kCorrupted);

    // A frame of no byte (no channel, fewer than 8 bits) cannot be cut into
    // chunks nor counted; more than 255 channels cannot be reported.
    if (mChannels == 0 || mChannels > 255 || frameBytes() == 0)
        return fail(path, kCorrupted);
    mChunkSize = determineBufferSizeByDuration(
        mDecodeDuration, static_cast<unsigned char>(mChannels & 0xFFu), mSampleRate, mBitsPerSample);
    if (mChunkSize == 0)
        return fail(path, kCorrupted);

    const unsigned long dataStart = mFile.getPos();
    const unsigned long inFile = fileSize > dataStart ? fileSize - dataStart : 0;
    mDataAvailable = mDataSize < inFile ? mDataSize : inFile;
    mDataRemaining = mDataAvailable;
    return true;
}

bool KaWav::isOpened() const { return mFile.isOpened(); }

unsigned char KaWav::nbChannels() { return static_cast<unsigned char>(mChannels & 0xFFu); }

unsigned int KaWav::frequency() { return mSampleRate; }

unsigned int KaWav::nbBits() { return mBitsPerSample; }

unsigned int KaWav::nbSamples()
{
    const unsigned int frame = frameBytes();
    if (frame == 0)
        return 0;
    return static_cast<unsigned int>(mDataAvailable / frame);
}

void KaWav::setDecodeDuration(unsigned int milliseconds) { mDecodeDuration = milliseconds; }

unsigned int KaWav::decodeDuration() { return mDecodeDuration; }

bool KaWav::reserveBuffer(unsigned long bytes)
{
    if (mBuffer && mBufferSize >= bytes)
        return true;
    unsigned char* grown = static_cast<unsigned char*>(std::realloc(mBuffer, bytes ? bytes : 1));
    if (!grown)
        return false;
    mBuffer = grown;
    mBufferSize = bytes;
    return true;
}

unsigned long KaWav::readSamples(unsigned long count)
{
    const unsigned int frame = frameBytes();
    if (!mFile.isOpened() || frame == 0)
        return 0;
    if (count > mDataRemaining)
        count = mDataRemaining;
    count -= count % frame;
    if (count == 0 || !reserveBuffer(count))
        return 0;
    unsigned long done = mFile.readData(mBuffer, count);
    if (done < count) {
        // The file shrank under us: nothing after this point can be trusted.
        mDataRemaining = 0;
    } else {
        mDataRemaining -= done;
    }
    return done - done % frame;
}

bool KaWav::decode(unsigned char** chunk, unsigned long& size)
{
    size = readSamples(static_cast<unsigned long>(mChunkSize));
    if (chunk)
        *chunk = size ? mBuffer : nullptr;
    return size != 0;
}

unsigned char* KaWav::data(unsigned long& size)
{
    size = readSamples(mDataRemaining);
    return size ? mBuffer : nullptr;
}
