#ifndef KA_PACKED_BLOCK_H
#define KA_PACKED_BLOCK_H

class KaStream;

// The zlib wrapper of the zlib-wrapped images (JPEG and the legacy PVR): the
// packed size P and the unpacked size U (unsigned 32-bit, little-endian),
// then P bytes that zlib's uncompress turns into at most U bytes.
//
// Neither size is believed before the bytes are there: the packed bytes are
// read in slices, so a file that claims more than it holds fails on the short
// read before a large block is allocated, and U is refused when P bytes could
// not unpack to it (zlib's deflate shrinks data at most about 1032 times) or
// when it exceeds mMaxUnpackedBytes.
class KaPackedBlock {
public:
    enum Result {
        Unpacked = 0,
        // The stream ended before the sizes or the packed bytes.
        ReadError,
        // The sizes cannot describe a real block.
        SizeError,
        // zlib refused the packed bytes (corrupt, or U too small).
        UncompressError
    };

    static const unsigned long mMaxUnpackedBytes = 512ul * 1024ul * 1024ul;

    KaPackedBlock();
    KaPackedBlock(const KaPackedBlock&) = delete;
    KaPackedBlock& operator=(const KaPackedBlock&) = delete;
    ~KaPackedBlock();

    // Reads the block from the stream's position and unpacks it. On any
    // result but Unpacked the block is empty.
    Result unpack(KaStream& stream);
    void release();

    // The unpacked bytes (null when empty) and their number, which is what
    // zlib produced: at most the U of the file.
    const unsigned char* data() const { return mData; }
    unsigned long size() const { return mSize; }
    bool empty() const { return mData == nullptr; }

private:
    unsigned char* mData;
    unsigned long mSize;
};

#endif
