#ifndef KA_PVR3_ZLIB_H
#define KA_PVR3_ZLIB_H

#include <cstdint>

#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaZLibStream.h"
#include "engine/graphics/KaPVR3.h"

// The zlib-wrapped PVR version 3 codec ("pvr.zlib", first in the core's
// registry): one KaZLibStream block that unpacks to a PVR version 3 file,
// read by an inner KaPVR3. Every operation but load, update and release
// forwards to the inner codec.
//
// Every update() releases the block: the next one unpacks it again,
// re-opening the path or seeking the stream back to where load(KaStream&)
// found it.
class KaPVR3ZLib : public KaIVideoCodec {
public:
    KaPVR3ZLib();
    ~KaPVR3ZLib() override;

    // The last two dot-separated parts of the path, lower-cased, are
    // "pvr.zlib".
    static bool matchFormat(const KaPath& path);

    bool load(const KaPath& path) override;
    // Reads from the stream's current position, which later decodes seek
    // back to. The stream must outlive the codec's use of it.
    bool load(KaStream& stream) override;
    unsigned int width() const override;
    unsigned int height() const override;
    unsigned long nbFrames() const override;
    KaImageFormat imageFormat() const override;
    void setLeftBorderSize(unsigned int size) override;
    unsigned int leftBorderSize() const override;
    void setRightBorderSize(unsigned int size) override;
    unsigned int rightBorderSize() const override;
    void setBottomBorderSize(unsigned int size) override;
    unsigned int bottomBorderSize() const override;
    void setTopBorderSize(unsigned int size) override;
    unsigned int topBorderSize() const override;
    float frameRate() const override;
    // The inner codec's decode; releases everything in every case.
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override;
    KaSignal0Param& onVideoFinished() override;
    void setColorKeyActivated(bool activated) override;
    void setColorKey(const KaColor& color) override;
    void setColorKeyTolerence(float tolerance) override;

    // Releases the inner codec, frees the block and closes the file.
    void release();

    // The engine writes no PVR.
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

private:
    bool openAndReadHeader();

    KaFile mFile;
    KaPath mPath;
    KaStream* mStream;
    KaZLibStream mZLibStream;
    uint64_t mStreamPosition;
    KaPVR3 mInner;
    bool mHeaderRead;
};

#endif
