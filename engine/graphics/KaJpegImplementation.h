#ifndef KA_JPEG_IMPLEMENTATION_H
#define KA_JPEG_IMPLEMENTATION_H

#include <cstdint>

#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaJpegLibrary.h"

// The JPEG decoder behind KaJpeg (libjpeg's jpeg-6b interface): reads a file
// or a caller's stream through one 2048-byte buffer and decodes RGB (format
// RGB888) and grey (GREY8) pictures straight into the image's rows, the first
// scanline into the top picture row.
//
// The decoder is released after every decode: the next update() reads the
// header again, re-opening the path or seeking the stream back to where
// load(KaStream&) found it; the border sizes go back to 0 then.
//
// Data that ends before the picture does makes the source manager hand out an
// end-of-image marker: the decode finishes, keeps the rows it could decode
// and reports failure. Files larger than KaImage::sizeAllowed() are refused
// when the header is read.
class KaJpegImplementation : public KaIVideoCodec {
public:
    KaJpegImplementation();
    ~KaJpegImplementation() override;

    // The lower-cased extension is "jpg" or "jpeg".
    static bool matchFormat(const KaPath& path);

    // Remembers the path and reads the header; false when the file does not
    // open, or its header is corrupt, too large or not RGB or grey.
    bool load(const KaPath& path) override;
    // Reads from the stream's current position, which later decodes seek
    // back to. The stream must outlive the codec's use of it.
    bool load(KaStream& stream) override;
    // The picture's size from the last header read (0 before the first).
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    KaImageFormat imageFormat() const override { return mFormat; }

    void setLeftBorderSize(unsigned int size) override { mLeftBorder = size; }
    unsigned int leftBorderSize() const override { return mLeftBorder; }
    void setRightBorderSize(unsigned int size) override { mRightBorder = size; }
    unsigned int rightBorderSize() const override { return mRightBorder; }
    void setBottomBorderSize(unsigned int size) override { mBottomBorder = size; }
    unsigned int bottomBorderSize() const override { return mBottomBorder; }
    void setTopBorderSize(unsigned int size) override { mTopBorder = size; }
    unsigned int topBorderSize() const override { return mTopBorder; }

    // Decodes the picture into the image (see KaIVideoCodec), fills its
    // padding, gives it the border sizes and, when loaded from a path, that
    // path as access name. The frame number is ignored. Releases the decoder
    // in every case.
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return false; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    // Destroys the decoder, closes the file and forgets the header.
    void release();

    // The engine writes no JPEG.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

private:
    bool openAndReadHeader();
    bool readHeader();
    bool decode(KaImage& image);

    static void initSource(j_decompress_ptr decompressor);
    static boolean fillInputBuffer(j_decompress_ptr decompressor);
    static void skipInputData(j_decompress_ptr decompressor, long count);
    static void termSource(j_decompress_ptr decompressor);

    static const unsigned int mInputBufferSize = 2048;

    KaFile mFile;
    KaPath mPath;
    KaStream* mStream;
    uint64_t mStreamPosition;
    unsigned char mInputBuffer[mInputBufferSize];
    jpeg_decompress_struct mDecompressor;
    KaJpegLibrary::ErrorManager mErrorManager;
    jpeg_source_mgr mSourceManager;
    int mRowStride;
    unsigned int mWidth;
    unsigned int mHeight;
    KaImageFormat mFormat;
    bool mDecompressorCreated;
    bool mHeaderRead;
    // The source manager ran out of data and handed out an end of image.
    bool mEndOfData;
    KaSignal0Param mFinished;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
};

// The implementation with its count, shared by KaJpeg objects.
class KaCountedJpeg : public KaJpegImplementation, public KaReferencesCounter {
};

#endif
