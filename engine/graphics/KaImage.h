#ifndef KA_IMAGE_H
#define KA_IMAGE_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaSerialize.h"
#include "engine/graphics/KaImageFormat.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/color/KaColor.h"
#include "engine/color/KaPalette.h"

class KaIVideoCodec;
class KaStream;

// The engine's in-memory picture: width x height pixels of one KaImageFormat,
// stored row by row from the bottom row of the picture up (top row first when
// flipped() is set), in a buffer of bufferWidth() x bufferHeight() pixels that
// may be larger than the picture. The spare columns and rows let textures
// sample past the picture's edge; the four border sizes tell textures how many
// pixels at each edge are padding.
//
// Row r starts at byte r * rowStride(); pixel c of a row at
// c * ImgFormatBPP[format] / 8 further. The buffer holds
// bufferWidth * bufferHeight * KaImageFormatAllocationBits(format) / 8 bytes;
// compressed formats keep their blocks from the start of the buffer.
//
// changed() is set by everything that hands out or touches the pixels; a
// consumer that re-uploads them clears it.
//
// A reference-counted resource: hold it through KaIntrusivePtr<KaImage>. Main
// thread only.
class KaImage : public KaResource, public KaSerialize {
public:
    // File type of save().
    enum ImageType { PNG = 0 };

    // Largest side, and largest buffer, that create() accepts. Codecs refuse
    // headers beyond them before anything is allocated (sizeAllowed()).
    static constexpr unsigned int mMaxSide = 16384;
    static constexpr unsigned long mMaxBufferBytes = 256ul * 1024ul * 1024ul;

    // The empty image: format NONE, sizes and borders 0, no buffer.
    KaImage();
    // Both user flags, format, sizes, borders, flipped and every byte of the
    // buffer. The access name is "%s_cpy%p.%s": the other's name without its
    // extension, this image's address, the other's extension.
    KaImage(const KaImage& other);
    KaImage& operator=(const KaImage&) = delete;
    ~KaImage() override;

    // Puts the image into the empty state without freeing anything: for
    // construction only (destroy() is the one that frees).
    void create();
    // Frees the buffer; back to format NONE with sizes and borders 0.
    void destroy();
    // create() with a buffer the size of the picture.
    bool create(
        unsigned int width, unsigned int height, const KaIntrusivePtr<KaPalette>& palette, KaImageFormat format);
    // Frees the old buffer, resets format, sizes and borders (the flags and
    // flipped stay), and allocates an uncleared buffer of bufferWidth x
    // bufferHeight pixels. A buffer smaller
    // than the picture is reported and enlarged to the picture. An invalid
    // format, or a size beyond sizeAllowed(), is reported and leaves the image
    // empty (false). The palette is not kept.
    bool create(unsigned int width, unsigned int height, const KaIntrusivePtr<KaPalette>& palette, KaImageFormat format,
        unsigned int bufferWidth, unsigned int bufferHeight);

    // Whether create() would accept a buffer of that size in that format.
    static bool sizeAllowed(unsigned int width, unsigned int height, int32_t format);
    // Whether bytes of encoded data can hold a width x height picture, for a
    // format that packs at most `pixels` pixels into every `perBytes` bytes
    // at its best compression: a small file declaring a huge picture must not
    // cost that picture's memory and decoding time. Pictures of up to
    // mFreePixels always pass (their cost is small whatever the file), so
    // small files cut short keep failing where they always did, at the decode.
    static bool sizeBackedBy(unsigned int width, unsigned int height, unsigned long bytes, unsigned long pixels,
        unsigned long perBytes = 1);
    static constexpr unsigned long mFreePixels = 256ul * 256ul;
    // The bytes a stream holds from a position on (0 past its end): what a
    // picture that starts there can be decoded from.
    static unsigned long bytesFrom(const KaStream& stream, unsigned long position);
    // Bytes of a buffer of that size in that format (0 for an invalid format).
    static unsigned long bufferBytes(unsigned int bufferWidth, unsigned int bufferHeight, int32_t format);

    // Loads a file through the codec of its extension ("bmp", "tga", "png",
    // "jpg", "jpeg", "jpg.zlib", "jpeg.zlib", "pvr"), into a buffer of the
    // picture's size. A missing file is looked for in the language folder,
    // then the "en" folder beside it, unless the core's flags-on switch is
    // set. The access name becomes the path. False, with the image empty,
    // for an unknown extension, a file the codec refuses, content of format
    // NONE, or a decode that fails.
    bool load(const KaPath& path) override;
    // The same from an open stream, the codec chosen by the given extension
    // text; the image takes the codec's border sizes.
    bool load(KaStream* stream, const KaPath& extension);
    // Whether load() has a codec for the path.
    static bool isExtensionSupported(const KaPath& path);

    // Sets the first bufferWidth x bufferHeight bytes of the buffer.
    void fill(unsigned char value);
    // Sets every buffer pixel of formats 3 to 6 to the colour; other formats
    // stay as they are.
    void fill(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha);

    // Copies the block of at most w x h pixels whose lower-left pixel is
    // (x, y), cut at the picture's edges, into out as rows of w pixels of
    // KaImageFormatAllocationBits / 8 bytes. Nothing for a block that starts
    // outside the picture. out must hold w * h pixels.
    void getBuff(unsigned int x, unsigned int y, unsigned char* out, unsigned int w, unsigned int h);

    // Header (user flags, format, width, height: 14 bytes) then the picture's
    // rows from row 0 up, without padding; compressed formats write their
    // blocks. Returns the bytes written.
    unsigned long serialize(KaStream& stream) override;
    // Reads what serialize() writes into a buffer of the picture's size. An
    // invalid format, a size beyond sizeAllowed() or a stream that runs short
    // is reported and leaves the image as it was; returns the bytes read, 0 on
    // failure.
    unsigned long deSerialize(KaStream& stream) override;

    // Writes one pixel of a buffer whose rows are size.x pixels long, in this
    // image's format (5, 6, 7 and 13; others write nothing). Positions outside
    // 0..size - 1 write nothing. The image is marked changed in every case.
    void drawPlot(unsigned char* buffer, int x, int y, const KaVector2s32& size, const KaColor& color);
    // The same on the image's own buffer, inside the picture.
    void drawPlot(int x, int y, const KaColor& color);
    // The pixel at a position of the picture (formats 5, 6, 7 and 13); opaque
    // black for other formats and positions outside the picture. Marks the
    // image changed.
    KaColor pixelColor(const KaVector2s32& position) const;

    // Writes the picture as a PNG file (formats 5, 6 and 13).
    bool save(const KaString& path, ImageType type) const;

    // Copies the block of a size at a source position into the destination at
    // a position. The destination is re-created in this image's format when
    // its format differs or it is too small for position + size.
    void copy(KaImage& destination, const KaVector2s32& destinationPosition, const KaVector2s32& sourcePosition,
        const KaVector2s32& size) const;

    // Pixels of the picture of exactly that colour: r, g, b for format 5,
    // r, g, b, a for format 6; 0 for other formats.
    unsigned int countPixelsOfColor(const KaColor& color);

    KaImageFormat format() const { return mFormat; }
    unsigned int width() const { return mWidth; }
    unsigned int height() const { return mHeight; }
    unsigned int bufferWidth() const { return mBufferWidth; }
    unsigned int bufferHeight() const { return mBufferHeight; }
    // Bytes between the starts of two rows: bufferWidth * ImgFormatBPP / 8.
    unsigned long rowStride() const;
    // Bytes allocated for the buffer.
    unsigned long bufferSize() const { return bufferBytes(mBufferWidth, mBufferHeight, mFormat); }
    // The pixels, null while the image is empty.
    unsigned char* buffer() { return mBuffer; }
    const unsigned char* buffer() const { return mBuffer; }
    // Start of buffer row r (r below bufferHeight); null without a buffer.
    unsigned char* row(unsigned int r);
    const unsigned char* row(unsigned int r) const;

    // Repeats the last picture pixel of buffer row r into its spare columns.
    void padRow(unsigned int r);
    // Copies buffer row height - 1 (the last one a decoder wrote) into every
    // spare row above it.
    void padRows();

    unsigned int leftBorder() const { return mLeftBorder; }
    unsigned int rightBorder() const { return mRightBorder; }
    unsigned int bottomBorder() const { return mBottomBorder; }
    unsigned int topBorder() const { return mTopBorder; }
    void setLeftBorder(unsigned int size) { mLeftBorder = size; }
    void setRightBorder(unsigned int size) { mRightBorder = size; }
    void setBottomBorder(unsigned int size) { mBottomBorder = size; }
    void setTopBorder(unsigned int size) { mTopBorder = size; }

    bool changed() const { return mChanged; }
    void setChanged(bool changed) const { mChanged = changed; }
    bool flipped() const { return mFlipped; }
    void setFlipped(bool flipped) { mFlipped = flipped; }
    bool userFlag() const { return mUserFlag; }
    void setUserFlag(bool flag) { mUserFlag = flag; }
    bool userFlag2() const { return mUserFlag2; }
    void setUserFlag2(bool flag) { mUserFlag2 = flag; }

private:
    bool loadFromCodec(KaIVideoCodec& codec, bool takeBorders);

    bool mUserFlag;
    bool mUserFlag2;
    KaImageFormat mFormat;
    unsigned int mWidth;
    unsigned int mHeight;
    unsigned int mBufferWidth;
    unsigned int mBufferHeight;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
    unsigned char* mBuffer;
    mutable bool mChanged;
    bool mFlipped;
};

#endif
