#ifndef KA_I_SOUND_H
#define KA_I_SOUND_H

#include "engine/core/KaPath.h"

// A sound decoder: turns one sound file into signed 16-bit (or unsigned
// 8-bit) little-endian PCM, interleaved by frame, for OpenAL.
//
// Decoding is pulled by the caller, either chunk by chunk (decode, for
// streaming) or all at once (data, for short effects). The bytes handed out
// belong to the decoder and stay valid until the next decode, data or close.
// Chunks are always a whole number of sample frames.
//
// One thread at a time per decoder.
class KaISound {
public:
    virtual ~KaISound();

    // Opens the file and reads its header, closing whatever was open first.
    virtual bool open(const KaPath& path) = 0;
    // Releases the file and the buffers.
    virtual void close() = 0;
    virtual bool isOpened() const = 0;
    virtual unsigned char nbChannels() = 0;
    // Samples per second.
    virtual unsigned int frequency() = 0;
    // Bits per sample.
    virtual unsigned int nbBits() = 0;
    // Sample frames in the file.
    virtual unsigned int nbSamples() = 0;
    // Chunk duration in milliseconds; takes effect at the next open.
    virtual void setDecodeDuration(unsigned int milliseconds) = 0;
    virtual unsigned int decodeDuration() = 0;
    // The next chunk: *chunk points into the decoder's own buffer, size is its
    // byte count. False (size 0) when nothing more was produced.
    virtual bool decode(unsigned char** chunk, unsigned long& size) = 0;
    // Everything not yet decoded, in one decoder-owned buffer; null and a
    // size of 0 when nothing is left.
    virtual unsigned char* data(unsigned long& size) = 0;
};

// Bytes in a chunk of that many milliseconds, rounded down to whole frames:
// the second is cut into 1000 / milliseconds equal parts. Durations are taken
// between 1 and 1000 ms (others are brought into that range). 0 when a frame
// has no byte (fewer than 8 bits or no channel) or when the size does not fit
// in 32 bits.
unsigned int determineBufferSizeByDuration(
    unsigned int milliseconds, unsigned char channels, unsigned int frequency, unsigned int bitsPerSample);

#endif
