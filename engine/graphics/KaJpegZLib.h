#ifndef KA_JPEG_ZLIB_H
#define KA_JPEG_ZLIB_H

#include "engine/containers/KaSmartPointer.h"
#include "engine/graphics/KaJpegZLibImplementation.h"

class KaPalette;

// The zlib-wrapped JPEG codec ("jpg.zlib", "jpeg.zlib"): only KaImage::load
// builds it; the core's registry does not offer it. Every operation forwards
// to a counted KaJpegZLibImplementation created with the codec, except that
// the border setters do nothing and isAtEnd() is always true.
class KaJpegZLib : public KaIVideoCodec {
public:
    KaJpegZLib();
    ~KaJpegZLib() override;

    bool load(const KaPath& path) override;
    bool load(KaStream& stream) override;
    void setPathResolved(bool resolved) override;
    unsigned int width() const override;
    unsigned int height() const override;
    unsigned long nbFrames() const override;
    KaImageFormat imageFormat() const override;
    void setLeftBorderSize(unsigned int) override {}
    unsigned int leftBorderSize() const override;
    void setRightBorderSize(unsigned int) override {}
    unsigned int rightBorderSize() const override;
    void setBottomBorderSize(unsigned int) override {}
    unsigned int bottomBorderSize() const override;
    void setTopBorderSize(unsigned int) override {}
    unsigned int topBorderSize() const override;
    float frameRate() const override;
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return true; }
    KaSignal0Param& onVideoFinished() override;
    void setColorKeyActivated(bool activated) override;
    void setColorKey(const KaColor& color) override;
    void setColorKeyTolerence(float tolerance) override;

    // JPEG pictures have no palette: always null.
    KaPalette* palette() const { return nullptr; }

    void release();
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    KaJpegZLibImplementation& implementation() { return *mImplementation; }

private:
    KaSmartPointer<KaCountedJpegZLib> mImplementation;
};

#endif
