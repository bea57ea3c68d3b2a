#ifndef KA_PNG_IMPLEMENTATION_H
#define KA_PNG_IMPLEMENTATION_H

#include <cstdint>

#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaIVideoCodec.h"

struct png_struct_def;
struct png_info_def;

// The PNG reader and writer behind KaPng (through libpng).
//
// Only non-interlaced 8-bit RGB and RGBA files decode, without any libpng
// transformation, straight into the image's rows; every other file loads but
// answers imageFormat() NONE and refuses to decode. Files larger than
// KaImage::sizeAllowed() are refused when the header is read.
//
// The decoder is released after every decode: the next update() reads the
// header again, re-opening the path or seeking the stream back to where
// load(KaStream&) found it.
//
// libpng reports errors by jumping back to a point set before each of its
// calls, so no function that calls into libpng holds an object with a
// destructor.
class KaPngImplementation : public KaIVideoCodec {
public:
    KaPngImplementation();
    ~KaPngImplementation() override;

    static bool matchFormat(const KaPath& path);

    // Remembers the path and reads the header; false when the file does not
    // open or its header is corrupt or too large.
    bool load(const KaPath& path) override;
    // Reads from the stream's current position, which later decodes seek
    // back to. The stream must outlive the codec's use of it.
    bool load(KaStream& stream) override;
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    KaImageFormat imageFormat() const override;
    // Decodes the picture into the image (see KaIVideoCodec); the frame
    // number is ignored. Releases the decoder and the file in every case,
    // but keeps answering the picture's size and format, so that a caller
    // that keeps the codec can size the image of its next update.
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return false; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    // Frees the decoder, closes the file and forgets the header.
    void release();

    // Writes the picture of a format 5, 6 or 13 image as a PNG: rows at the
    // buffer stride, top picture row first whatever the row order.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    // Text chunks of every written file.
    static const char* const mTitleKey;
    static const char* const mTitleValue;
    static const char* const mAuthorKey;
    static const char* const mAuthorValue;
    static const char* const mDescriptionKey;
    static const char* const mDescriptionValue;
    static const char* const mCopyrightKey;
    static const char* const mCopyrightValue;
    static const char* const mEMailKey;
    static const char* const mEMailValue;
    static const char* const mUrlKey;
    static const char* const mUrlValue;

private:
    // Frees the decoder and closes the file; the header's values stay.
    void releaseDecoder();
    bool openAndReadHeader();
    bool readHeader();
    bool decodeRows(KaImage& image);
    void readRows(KaImage& image);
    bool writePng(const KaImage& image, KaStream& stream) const;

    static void readCallback(png_struct_def* png, unsigned char* data, size_t length);
    static void errorCallback(png_struct_def* png, const char* message);
    static void warningCallback(png_struct_def* png, const char* message);

    KaPath mPath;
    KaFile mFile;
    KaStream* mStream;
    uint64_t mStreamPosition;
    unsigned int mWidth;
    unsigned int mHeight;
    int mBitDepth;
    int mColourType;
    int mCompressionMethod;
    int mFilterMethod;
    int mInterlaceMethod;
    png_struct_def* mReadStruct;
    png_info_def* mInfoStruct;
    KaSignal0Param mFinished;
    bool mHeaderRead;
};

// The implementation with its count, shared by KaPng objects.
class KaCountedPng : public KaPngImplementation, public KaReferencesCounter { };

#endif
