#ifndef KA_WAV_H
#define KA_WAV_H

#include "engine/core/KaFile.h"
#include "engine/sound/KaISound.h"

// Reader of RIFF/WAVE files holding PCM samples (format tag 1).
//
// open() walks the chunks up to "data" (a "fmt " chunk must come before it;
// unknown chunks and the pad byte of odd-sized ones are skipped) and leaves
// the file on the first PCM byte. decode() and data() never read past the end
// of the "data" chunk, nor past the end of the file when the header claims
// more than the file holds (as a truncated file, or a writer that left the
// size at 0xFFFFFFFF, does). What they hand out is always whole frames.
class KaWav : public KaISound {
public:
    KaWav();
    ~KaWav() override;
    KaWav(const KaWav&) = delete;
    KaWav& operator=(const KaWav&) = delete;

    // The extension must be "wav" (any case); false without a message
    // otherwise.
    bool open(const KaPath& path) override;
    // Back to the header defaults (PCM, 2 channels, 44100 Hz, 16 bits); the
    // decode duration stays.
    void close() override;
    bool isOpened() const override;
    unsigned char nbChannels() override;
    unsigned int frequency() override;
    unsigned int nbBits() override;
    // Frames in the part of the "data" chunk that the file really holds.
    unsigned int nbSamples() override;
    void setDecodeDuration(unsigned int milliseconds) override;
    unsigned int decodeDuration() override;
    bool decode(unsigned char** chunk, unsigned long& size) override;
    unsigned char* data(unsigned long& size) override;

    // The size field of the "data" chunk, as read.
    unsigned int dataSize() const { return mDataSize; }
    // Bytes per decoded chunk, computed by open.
    unsigned long long chunkSize() const { return mChunkSize; }

private:
    bool fail(const KaPath& path, const char* reason);
    bool skipTo(unsigned long position);
    unsigned int frameBytes() const;
    // Makes mBuffer at least that large.
    bool reserveBuffer(unsigned long bytes);
    // Reads up to count bytes (whole frames) of the data chunk into mBuffer.
    unsigned long readSamples(unsigned long count);

    KaFile mFile;
    unsigned int mDecodeDuration;
    char mRiffId[4];
    unsigned int mRiffSize;
    char mWaveId[4];
    unsigned int mFmtSize;
    unsigned short mAudioFormat;
    unsigned short mChannels;
    unsigned int mSampleRate;
    unsigned int mByteRate;
    unsigned short mBlockAlign;
    unsigned short mBitsPerSample;
    unsigned int mDataSize;
    unsigned char* mBuffer;
    unsigned long long mChunkSize;
    // Allocated size of mBuffer.
    unsigned long mBufferSize;
    // Bytes of the data chunk that the file holds, and those not read yet.
    unsigned long mDataAvailable;
    unsigned long mDataRemaining;
};

#endif
