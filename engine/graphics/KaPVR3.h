#ifndef KA_PVR3_H
#define KA_PVR3_H

#include <cstdint>

#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaIVideoCodec.h"

// The PVR version 3 codec ("pvr" in the core's registry): the top mipmap
// level of a PVRTC 2 or 4 bpp or ETC1 texture, copied to the start of the
// image's buffer as stored.
//
// Header, 52 bytes little-endian: pixel format (low 32 bits at 8: 0 PVRTC
// 2 bpp RGB, 1 PVRTC 2 bpp RGBA, 2 PVRTC 4 bpp RGB, 3 PVRTC 4 bpp RGBA,
// 6 ETC1; anything else is refused), height at 24, width at 28, metadata size
// at 48; the metadata follows the header and the texture data the metadata.
//
// Every update() releases the file: the next one reads the header again,
// re-opening the path or seeking the stream back to where load(KaStream&)
// found it.
class KaPVR3 : public KaIVideoCodec {
public:
    KaPVR3();
    ~KaPVR3() override;

    // The lower-cased extension is "pvr".
    static bool matchFormat(const KaPath& path);

    // Remembers the path and reads the header.
    bool load(const KaPath& path) override;
    // Reads from the stream's current position, which later decodes seek
    // back to. The stream must outlive the codec's use of it.
    bool load(KaStream& stream) override;
    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    KaImageFormat imageFormat() const override { return mFormat; }
    // The border sizes are the caller's; each header read sets them to 0.
    void setLeftBorderSize(unsigned int size) override { mLeftBorder = size; }
    unsigned int leftBorderSize() const override { return mLeftBorder; }
    void setRightBorderSize(unsigned int size) override { mRightBorder = size; }
    unsigned int rightBorderSize() const override { return mRightBorder; }
    void setBottomBorderSize(unsigned int size) override { mBottomBorder = size; }
    unsigned int bottomBorderSize() const override { return mBottomBorder; }
    void setTopBorderSize(unsigned int size) override { mTopBorder = size; }
    unsigned int topBorderSize() const override { return mTopBorder; }
    // Copies the top level's blocks to the start of the image's buffer; the
    // image's borders are left alone. Releases the file in every case.
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return false; }
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    // Closes the file and forgets the header.
    void release();

    // The engine writes no PVR.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    static const unsigned int mHeaderSize = 52;

private:
    bool openAndReadHeader();

    KaFile mFile;
    KaPath mPath;
    KaStream* mStream;
    uint64_t mStreamPosition;
    bool mHeaderRead;
    KaSignal0Param mFinished;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
    unsigned int mWidth;
    unsigned int mHeight;
    KaImageFormat mFormat;
};

#endif
