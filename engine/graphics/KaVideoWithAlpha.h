#ifndef KA_VIDEO_WITH_ALPHA_H
#define KA_VIDEO_WITH_ALPHA_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImage.h"

// A picture source with transparency made of two sources of any codec: the
// colour in "name.rgb.ext" and the alpha in "name.alpha.ext", asked for as
// "name.ext" (two image sequences "cursor.rgb.anim" and "cursor.alpha.anim"
// for example). Both are decoded into images of their own and merged pixel
// by pixel into an RGBA8888 image: the colour from the rgb source (RGB888),
// the alpha from the first byte of the alpha source's pixel (RGB888 or
// GREY8).
//
// The two sources must agree in size, frame count and frame rate; load()
// refuses them otherwise.
//
// Owns two codecs. Main thread only.
class KaVideoWithAlpha : public KaIVideoCodec {
public:
    KaVideoWithAlpha();
    ~KaVideoWithAlpha() override;

    // "a/b.ogv" -> "a/b.rgb.ogv" and "a/b.alpha.ogv".
    static KaPath rgbFilePath(const KaPath& path);
    static KaPath alphaFilePath(const KaPath& path);
    // The alpha companion of the path exists, whatever the extension.
    static bool matchFormat(const KaPath& path);

    // Opens both sources through the core's registry and checks that they
    // pair. False, with the reason printed, otherwise.
    bool load(const KaPath& path) override;
    // A pair cannot come from one stream: always false.
    bool load(KaStream& stream) override;
    // Two JPEG pictures from two streams, with the same checks. The streams
    // must stay alive while the codec uses them.
    bool load(KaStream& rgbStream, KaStream& alphaStream);
    // Deletes both codecs and their images.
    void unload();

    unsigned int width() const override;
    unsigned int height() const override;
    unsigned long nbFrames() const override;
    KaImageFormat imageFormat() const override { return RGBA8888; }
    void setLeftBorderSize(unsigned int size) override;
    unsigned int leftBorderSize() const override;
    void setRightBorderSize(unsigned int size) override;
    unsigned int rightBorderSize() const override;
    void setBottomBorderSize(unsigned int size) override;
    unsigned int bottomBorderSize() const override;
    void setTopBorderSize(unsigned int size) override;
    unsigned int topBorderSize() const override;
    float frameRate() const override;
    // Decodes the frame of both sources and merges them into an RGBA8888
    // image of at least the picture's size; its spare columns and rows repeat
    // the picture's edge. The image takes the rgb source's row order, border
    // sizes and the path as access name.
    bool update(unsigned long frame, KaImage& image) override;
    // Either source at its end (true while nothing is loaded).
    bool isAtEnd() const override;
    // The rgb source's signal (one of the codec's own while nothing is loaded).
    KaSignal0Param& onVideoFinished() override;

    const KaPath& path() const { return mPath; }

private:
    // The checks shared by both loads; withPath adds the path to the messages.
    bool checkPair(bool withPath);

    KaIVideoCodec* mRgbCodec;
    KaIVideoCodec* mAlphaCodec;
    KaIntrusivePtr<KaImage> mRgbImage;
    KaIntrusivePtr<KaImage> mAlphaImage;
    KaPath mPath;
    KaSignal0Param mNoVideoFinished;
};

#endif
