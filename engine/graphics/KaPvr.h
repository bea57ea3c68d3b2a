#ifndef KA_PVR_H
#define KA_PVR_H

#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaPackedBlock.h"

// The legacy PVR codec: a PVR version 2 file inside the engine's zlib wrapper
// (see KaPackedBlock), whose PVRTC blocks are copied to the image untouched.
// Only KaImage::load builds it, for the extension "pvr" (the core's registry
// gives "pvr" files to KaPVR3).
//
// Version 2 header, 32-bit little-endian words of the unpacked file: height
// at 4, width at 8, flags at 16 (pixel type in the low byte, 0x18 PVRTC
// 2 bpp, 0x19 PVRTC 4 bpp; bit 0x800: the picture has borders), alpha mask at
// 40 (1 with alpha); the picture's blocks start at 52. An unknown pixel type
// or alpha mask loads with format NONE.
//
// The load fails when the wrapper's sizes are impossible, the file is short,
// zlib refuses it, or the unpacked bytes do not hold the header and the
// picture after it. The unpacked file stays for further updates until
// release(), the next load or destruction.
class KaPvr : public KaIVideoCodec {
public:
    KaPvr();
    ~KaPvr() override;

    bool load(const KaPath& path) override;
    bool load(KaStream& stream) override;
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    KaImageFormat imageFormat() const override { return mFormat; }
    // The borders come from the file; the setters change nothing.
    unsigned int leftBorderSize() const override { return mLeftBorder; }
    unsigned int rightBorderSize() const override { return mRightBorder; }
    unsigned int bottomBorderSize() const override { return mBottomBorder; }
    unsigned int topBorderSize() const override { return mTopBorder; }
    // Copies the picture's blocks to the start of the image's buffer and
    // gives the image the border sizes. The image is not marked changed.
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return true; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    // Frees the unpacked file.
    void release();

    // The engine writes no PVR.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    // Size of the version 2 header; the picture's blocks follow it.
    static const unsigned int mHeaderSize = 52;

private:
    void reset();

    unsigned int mWidth;
    unsigned int mHeight;
    KaImageFormat mFormat;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
    KaStream* mStream;
    KaSignal0Param mFinished;
    KaPackedBlock mData;
};

#endif
