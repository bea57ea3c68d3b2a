#ifndef KA_JPEG_ZLIB_IMPLEMENTATION_H
#define KA_JPEG_ZLIB_IMPLEMENTATION_H

#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaJpegLibrary.h"
#include "engine/graphics/KaPackedBlock.h"

// The decoder behind KaJpegZLib: a complete JPEG file inside the engine's
// zlib wrapper (see KaPackedBlock), unpacked whole when loaded and decoded
// from memory into RGB888 or GREY8 images, the first scanline into the top
// picture row; the image's padding is filled as KaJpeg fills it. It writes no
// border or access name.
//
// One load is good for one decode: update() frees the unpacked bytes and the
// decoder, and a further update() without a new load() fails.
//
// A wrapper whose sizes the file cannot hold, a short read or a zlib error
// fails the load. Data that ends before the picture does makes the source
// manager hand out an end-of-image marker: the decode finishes, keeps the
// rows it could decode and reports failure.
//
// Owns the unpacked bytes and the decoder: never keep one by value in a
// KaArray.
class KaJpegZLibImplementation : public KaIVideoCodec {
public:
    KaJpegZLibImplementation();
    ~KaJpegZLibImplementation() override;

    // Opens the file and unpacks it; the file is closed again before load()
    // returns.
    bool load(const KaPath& path) override;
    // Unpacks from the stream's current position.
    bool load(KaStream& stream) override;
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    KaImageFormat imageFormat() const override { return mFormat; }
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return true; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    // Nothing to do: the decode frees everything itself.
    void release() {}

    // The engine writes no JPEG.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

private:
    void releaseDecoder();
    bool unpackAndReadHeader(KaStream& stream, const KaPath& name);
    bool readHeader();
    bool decode(KaImage& image);

    static void initSource(j_decompress_ptr decompressor);
    static boolean fillInputBuffer(j_decompress_ptr decompressor);
    static void skipInputData(j_decompress_ptr decompressor, long count);
    static void termSource(j_decompress_ptr decompressor);

    static const unsigned int mInputBufferSize = 2048;

    KaStream* mStream;
    // The file's path, for the messages; empty when loaded from a stream.
    KaPath mName;
    KaPackedBlock mUnpacked;
    unsigned long mReadPosition;
    unsigned int mWidth;
    unsigned int mHeight;
    KaImageFormat mFormat;
    KaSignal0Param mFinished;
    jpeg_decompress_struct mDecompressor;
    jpeg_source_mgr mSourceManager;
    KaJpegLibrary::ErrorManager mErrorManager;
    bool mDecompressorCreated;
    // The source manager ran out of data and handed out an end of image.
    bool mEndOfData;
};

// The implementation with its count, shared by KaJpegZLib objects.
class KaCountedJpegZLib : public KaJpegZLibImplementation, public KaReferencesCounter {
};

#endif
