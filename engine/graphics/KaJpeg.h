#ifndef KA_JPEG_H
#define KA_JPEG_H

#include "engine/containers/KaSmartPointer.h"
#include "engine/graphics/KaJpegImplementation.h"

// The JPEG codec: RGB and grey baseline or progressive JPEG files and
// streams. Every operation forwards to a counted KaJpegImplementation created
// with the codec.
class KaJpeg : public KaIVideoCodec {
public:
    KaJpeg();
    ~KaJpeg() override;

    // The lower-cased extension is "jpg" or "jpeg".
    static bool matchFormat(const KaPath& path);

    bool load(const KaPath& path) override;
    bool load(KaStream& stream) override;
    void setPathResolved(bool resolved) override;
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
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override;
    KaSignal0Param& onVideoFinished() override;
    void setColorKeyActivated(bool activated) override;
    void setColorKey(const KaColor& color) override;
    void setColorKeyTolerence(float tolerance) override;

    void release();
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    KaJpegImplementation& implementation() { return *mImplementation; }

private:
    KaSmartPointer<KaCountedJpeg> mImplementation;
};

#endif
