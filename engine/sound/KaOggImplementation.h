#ifndef KA_OGG_IMPLEMENTATION_H
#define KA_OGG_IMPLEMENTATION_H

// The header's static stdio callbacks would be unused copies in every file.
#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaFile.h"
#include "engine/sound/KaISound.h"

// Ogg Vorbis decoder: vorbisfile reads the engine file through callbacks
// (so package entries and variant folders work as for any content file) and
// hands out signed 16-bit little-endian PCM.
//
// Six-channel streams come out in OpenAL's 5.1 order (front left, front
// right, centre, LFE, rear left, rear right) rather than Vorbis's (front
// left, centre, front right, rear left, rear right, LFE).
//
// vorbisfile keeps this object's address as its data source: never copy it.
// KaOgg shares one through KaCountedOgg.
class KaOggImplementation : public KaISound {
public:
    KaOggImplementation();
    ~KaOggImplementation() override;
    KaOggImplementation(const KaOggImplementation&) = delete;
    KaOggImplementation& operator=(const KaOggImplementation&) = delete;

    // The extension must be "ogg" (any case); false without a message
    // otherwise.
    bool open(const KaPath& path) override;
    // Keeps the bit width, the sample count and the decode duration.
    void close() override;
    bool isOpened() const override;
    unsigned char nbChannels() override;
    unsigned int frequency() override;
    unsigned int nbBits() override;
    unsigned int nbSamples() override;
    void setDecodeDuration(unsigned int milliseconds) override;
    unsigned int decodeDuration() override;
    bool decode(unsigned char** chunk, unsigned long& size) override;
    unsigned char* data(unsigned long& size) override;

    // Bytes per decoded chunk, computed by open.
    unsigned long long chunkSize() const { return mChunkSize; }

    // The vorbisfile callbacks; datasource is the KaFile read.
    static size_t readCallback(void* destination, size_t size, size_t count, void* datasource);
    static int seekCallback(void* datasource, ogg_int64_t offset, int whence);
    static int closeCallback(void* datasource);
    static long tellCallback(void* datasource);

private:
    void setCallbacks();
    bool fail(const char* message);
    void releaseChunk();

    KaFile mFile;
    unsigned int mDecodeDuration;
    unsigned int mChannels;
    unsigned int mFrequency;
    unsigned int mBits;
    unsigned int mSamples;
    ov_callbacks mCallbacks;
    OggVorbis_File mVorbisFile;
    bool mOpened;
    unsigned long long mChunkSize;
    unsigned char* mChunk;
    // Allocated size of mChunk: data() leaves a buffer of its own size there.
    unsigned long long mChunkCapacity;
};

// The decoder with the count that KaOgg's shared handle needs.
class KaCountedOgg : public KaOggImplementation, public KaReferencesCounter {
public:
    KaCountedOgg() = default;
};

#endif
