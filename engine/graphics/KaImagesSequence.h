#ifndef KA_IMAGES_SEQUENCE_H
#define KA_IMAGES_SEQUENCE_H

#include <cstdint>

#include "engine/containers/KaList.h"
#include "engine/core/KaFileInfos.h"
#include "engine/graphics/KaIVideoCodec.h"

// A folder of numbered pictures ("*.anim", an animated cursor for example)
// played as a video: the leading number of each file name is its frame
// number ("0.png", "1.png", ... or "007.jpg"), and a first picture named like
// "0-12.5.png" sets the frame rate (25 frames per second otherwise).
//
// Only the files the core's codec registry can decode take part; the others
// (notes, thumbs files) are ignored. The still-image codec of the first
// picture (frame 0, else the lowest number) decodes every frame, so all
// pictures must share its file type and size: a picture of another type or
// size fails its update. Each frame is read from its file when asked for; a
// gap in the numbering fails that frame's update and leaves the image as it
// was.
//
// Owns a codec and a KaList. Main thread only.
class KaImagesSequence : public KaIVideoCodec {
public:
    // Frames per second when the first picture's name gives none.
    static constexpr float mDefaultFrameRate = 25.0f;

    KaImagesSequence();
    ~KaImagesSequence() override;

    // The lower-cased extension is "anim".
    static bool matchFormat(const KaPath& path);

    // Lists the folder and loads its first picture. False, with the sequence
    // unloaded, when the folder holds no decodable picture, none is numbered,
    // or the first picture cannot be loaded.
    bool load(const KaPath& path) override;
    // A sequence is a folder: always false.
    bool load(KaStream& stream) override;
    // Forgets the files and the codec.
    void unload();

    unsigned int width() const override { return mWidth; }
    unsigned int height() const override { return mHeight; }
    // The largest frame number + 1 (1 while unloaded).
    unsigned long nbFrames() const override { return static_cast<unsigned long>(mLastFrameNumber) + 1; }
    KaImageFormat imageFormat() const override { return mFormat; }
    float frameRate() const override { return mFrameRate; }
    // Decodes the picture numbered frame into an image of the first picture's
    // format and size. Asking past the last frame sets isAtEnd().
    bool update(unsigned long frame, KaImage& image) override;
    bool isAtEnd() const override { return mAtEnd; }
    // Never emitted: the sequence does not know when its player stops.
    KaSignal0Param& onVideoFinished() override { return mFinished; }

    bool isLoaded() const { return mLoaded; }
    const KaPath& path() const { return mPath; }
    // The pictures kept, in listing order.
    const KaList<KaFileInfos>& files() const { return mFiles; }

    // The number at the start of a file name; false when it has none.
    static bool frameNumber(const KaString& fileName, long long& number);

private:
    KaList<KaFileInfos> mFiles;
    uint64_t mCurrentIndex;
    int64_t mLastFrameNumber;
    bool mLoaded;
    bool mAtEnd;
    KaImageFormat mFormat;
    unsigned int mWidth;
    unsigned int mHeight;
    float mFrameRate;
    KaPath mPath;
    KaSignal0Param mFinished;
    KaIVideoCodec* mCodec;
};

#endif
