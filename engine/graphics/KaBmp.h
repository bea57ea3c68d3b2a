#ifndef KA_BMP_H
#define KA_BMP_H

#include "engine/core/KaFile.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/color/KaPalette.h"

// The older, minimal BMP loader: uncompressed 8-, 16-, 24- and 32-bit files
// (and the header of 1- and 4-bit ones, which it cannot decode). Last but one
// in the core's registry and first in KaImage::load, which warns that BMP is
// deprecated.
//
// Headers of 12 bytes (16-bit sizes, 3-byte palette entries), 40, 108, 124
// and 240 bytes are read; a negative height is a picture stored top row
// first. Rows are read at their stored length (padded to 4 bytes) and written
// at the image's buffer stride in the image's row order (bottom row first
// unless it is flipped()), whatever the depth; 24- and 32-bit pixels come out
// in RGB order and 16-bit ones (5 bits a channel) as the engine's RGB565
// words. The spare columns and rows of a padded image repeat the picture's
// edge, as KaJpeg leaves them.
//
// The palette (2^bits entries at most, those between the header and the
// pixels) is read for 8 bits or fewer and kept here; the image does not get
// it. Run-length and bit-field files load, answer format NONE and do not
// decode.
class KaBmp : public KaIVideoCodec {
public:
    KaBmp();
    ~KaBmp() override;

    // The lower-cased extension is "bmp".
    static bool matchFormat(const KaPath& path);

    // Opens the file and reads the header and the palette; false when the
    // file does not open or the header is refused.
    bool load(const KaPath& path) override;
    // The same from the stream's current position; the stream must outlive
    // the update.
    bool load(KaStream& stream) override;
    // The same on the stream already set.
    bool load();
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    // 8 bits PALETTE8, 16 RGB565, 24 RGB888, 32 RGBA8888; NONE for other
    // depths and for compressed files.
    KaImageFormat imageFormat() const override;
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return true; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    void release() {}

    // The engine writes no BMP.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    unsigned short bitsPerPixel() const { return mBitsPerPixel; }
    unsigned int compression() const { return mCompression; }
    // RGB palette of paletteSize() entries (alpha from the reserved byte).
    const KaPalette& palette() const { return mPalette; }
    unsigned int paletteSize() const { return mPaletteSize; }

    enum Compression { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

private:
    void reset();
    bool readHeader();
    bool readPalette();
    bool readRows(KaImage& image, unsigned int bytesPerPixel);

    KaFile mFile;
    KaStream* mStream;
    // Where the file starts in the stream: its offsets count from there.
    unsigned long mStart;
    unsigned int mFileSize;
    unsigned int mDataOffset;
    unsigned int mHeaderSize;
    unsigned int mWidth;
    unsigned int mHeight;
    bool mTopDown;
    unsigned short mBitsPerPixel;
    unsigned int mCompression;
    unsigned int mPaletteSize;
    KaPalette mPalette;
    KaSignal0Param mFinished;
};

#endif
