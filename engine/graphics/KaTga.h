#ifndef KA_TGA_H
#define KA_TGA_H

#include "engine/core/KaFile.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/color/KaPalette.h"

// The older, minimal TGA loader: uncompressed 8-bit colour-mapped, 16-, 24-
// and 32-bit files. Last in the core's registry and second in KaImage::load.
//
// Rows are written at the image's buffer stride in the image's row order
// (bottom row first unless it is flipped()); the file's own order comes from
// its descriptor (bottom row first unless bit 0x20 is set). 24- and 32-bit
// pixels come out in RGB order, 16-bit ones (5 bits a channel) as the
// engine's RGB555 words. The spare columns and rows of a padded image repeat
// the picture's edge, as KaJpeg leaves them. Run-length files answer format
// NONE and do not decode.
//
// The colour map, when there is one, becomes palette() (256 entries at most;
// longer maps are skipped past); the image does not get it.
class KaTga : public KaIVideoCodec {
public:
    KaTga();
    ~KaTga() override;

    // The lower-cased extension is "tga".
    static bool matchFormat(const KaPath& path);

    // Opens the file and reads the header and the colour map; false when the
    // file does not open or is too short for them.
    bool load(const KaPath& path) override;
    // The same from the stream's current position; the stream must outlive
    // the update.
    bool load(KaStream& stream) override;
    // The same on the stream already set.
    bool load();
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    // 8 bits PALETTE8 (with a colour map of 15-, 16-, 24- or 32-bit
    // entries), 16 RGB555, 24 RGB888, 32 RGBA8888; NONE otherwise.
    KaImageFormat imageFormat() const override;
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return true; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    void release() {}

    // The engine writes no TGA.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    unsigned char bitsPerPixel() const { return mBitsPerPixel; }
    // The colour map, null when the file has none (or of an unknown entry
    // size); colourMapLength() is what the file declares.
    const KaPalette* palette() const { return mPaletteData ? &mPalette : nullptr; }
    unsigned int colourMapLength() const { return mColourMapLength; }

    static const unsigned int mHeaderSize = 18;

private:
    void reset();
    bool readHeader();
    bool readColourMap();

    KaFile mFile;
    KaStream* mStream;
    // Where the file starts in the stream, and where its pixels start.
    unsigned long mStart;
    unsigned long mPixelStart;
    unsigned char mIdLength;
    unsigned char mColourMapType;
    unsigned char mImageType;
    unsigned int mColourMapLength;
    unsigned char mColourMapEntrySize;
    unsigned int mWidth;
    unsigned int mHeight;
    unsigned char mBitsPerPixel;
    unsigned char mDescriptor;
    unsigned char* mPaletteData;
    KaPalette mPalette;
    KaSignal0Param mFinished;
};

#endif
