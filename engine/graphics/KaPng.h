#ifndef KA_PNG_H
#define KA_PNG_H

#include "engine/containers/KaSmartPointer.h"
#include "engine/graphics/KaPngImplementation.h"

// The PNG codec: reads non-interlaced 8-bit RGB and RGBA PNG files, and
// writes PNG files (the only format the engine writes). Every operation
// forwards to a counted KaPngImplementation created with the codec.
class KaPng : public KaIVideoCodec {
public:
    KaPng();
    ~KaPng() override;

    // The lower-cased extension is "png".
    static bool matchFormat(const KaPath& path);

    bool load(const KaPath& path) override;
    bool load(KaStream& stream) override;
    void setPathResolved(bool resolved) override;
    unsigned int width() const override;
    unsigned int height() const override;
    unsigned long nbFrames() const override;
    KaImageFormat imageFormat() const override;
    float frameRate() const override;
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override;
    KaSignal0Param& onVideoFinished() override;

    void release();
    bool save(const KaImage& image, KaStream& stream) const;
    bool save(const KaImage& image, const KaPath& path) const;

    KaPngImplementation& implementation() { return *mImplementation; }

private:
    KaSmartPointer<KaCountedPng> mImplementation;
};

#endif
