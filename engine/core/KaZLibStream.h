#ifndef KA_ZLIB_STREAM_H
#define KA_ZLIB_STREAM_H

#include "engine/core/KaStream.h"

// A read-only stream over one zlib block, inflated whole when it is opened.
// Block, little-endian, from the source's position:
//
//   u8  version (1)
//   u32 packed size
//   u32 unpacked size (the capacity given to zlib)
//   packed size bytes: one zlib stream (header, deflate data, Adler-32)
//
// The source is left after the packed bytes and is not used afterwards. A
// block that fails to open leaves the stream closed: size 0, reads give 0.
// The size of an open stream is the number of bytes the block inflated to.
class KaZLibStream : public KaStream {
public:
    // Blocks that claim to inflate to more are refused: no engine file comes
    // near it, and a corrupt size must not cost that much memory.
    static const unsigned int mMaxUnpackedSize = 1u << 30;

    KaZLibStream();
    ~KaZLibStream() override;

    // Closes first. Reads and inflates one block; false (with a message) on a
    // short source, a wrong version, a size out of bounds or bad data.
    bool open(KaStream& source);
    void close();

    // Refused: always 0.
    unsigned int writeData(const void* bytes, unsigned long count) override;
    // Up to count bytes, cut at the end (which sets the end flag).
    unsigned int readData(void* destination, unsigned long count) override;
    // At or past the size: the position becomes the size and the answer is
    // false; the end flag stays. Inside: clears the end flag.
    bool seek(unsigned long position) override;
    unsigned long getPos() const override;
    // True when closed, and from a successful open until the first seek inside
    // the data; reads never clear it.
    bool isAtEnd() const override;
    unsigned long size() const override;

private:
    bool fail();

    KaStream* mSource;
    bool mAtEnd;
    unsigned char* mInflated;
    unsigned int mSize;
};

#endif
