#ifndef KA_THEORA_WITH_ALPHA_H
#define KA_THEORA_WITH_ALPHA_H

#include "engine/graphics/KaTheora.h"

// A Theora video with transparency: "name.ogv" holds the colour and its
// companion "name.alpha.ogv" a picture of the same size whose luma is the
// alpha (taken as is when the companion declares full-range colour, else as
// the limited-range red value). Two Theora decoders run side by side and
// write one RGBA8888 image: the colour decoder the red, green and blue bytes,
// the alpha decoder only the alpha byte.
//
// Both decoders seek and skip on their own, so the two files must have the
// same frame count and key-frame structure to stay in step; load() refuses a
// companion of another size, frame count or frame rate.
//
// Owns two decoders and their files. Main thread only.
class KaTheoraWithAlpha : public KaIVideoCodec {
public:
    KaTheoraWithAlpha();
    ~KaTheoraWithAlpha() override;

    // "a/b.ogv" (any case) -> "a/b.alpha.ogv".
    static KaPath alphaFilePath(const KaPath& path);
    // The lower-cased extension is "ogv" and the alpha companion exists.
    static bool matchFormat(const KaPath& path);

    // Loads the video and its companion; false when either fails to load or
    // they do not pair.
    bool load(const KaPath& path) override;
    // The companion cannot come from the same stream: always false.
    bool load(KaStream& stream) override;
    // The colour video from one stream and the alpha video from the other,
    // with the same checks. Both streams must outlive the codec's use.
    bool load(KaStream& colorStream, KaStream& alphaStream);

    unsigned int width() const override { return mColorVideo.width(); }
    unsigned int height() const override { return mColorVideo.height(); }
    unsigned long nbFrames() const override { return mColorVideo.nbFrames(); }
    KaImageFormat imageFormat() const override { return RGBA8888; }
    void setLeftBorderSize(unsigned int size) override;
    unsigned int leftBorderSize() const override { return mColorVideo.leftBorderSize(); }
    void setRightBorderSize(unsigned int size) override;
    unsigned int rightBorderSize() const override { return mColorVideo.rightBorderSize(); }
    void setBottomBorderSize(unsigned int size) override;
    unsigned int bottomBorderSize() const override { return mColorVideo.bottomBorderSize(); }
    void setTopBorderSize(unsigned int size) override;
    unsigned int topBorderSize() const override { return mColorVideo.topBorderSize(); }
    float frameRate() const override { return mColorVideo.frameRate(); }
    // Decodes the frame of both videos into an RGBA8888 image; true when both
    // decoded it. Both always decode, so that they stay on the same frame.
    bool update(unsigned long frame, KaImage& image) override;
    // Either video at its end.
    bool isAtEnd() const override { return mColorVideo.isAtEnd() || mAlphaVideo.isAtEnd(); }
    KaSignal0Param& onVideoFinished() override { return mColorVideo.onVideoFinished(); }

    const KaTheora& colorVideo() const { return mColorVideo; }
    const KaTheora& alphaVideo() const { return mAlphaVideo; }

private:
    // Refuses a companion that cannot stay in step with the colour video.
    bool checkPair(const KaPath& path);

    KaTheora mColorVideo;
    KaTheora mAlphaVideo;
};

#endif
