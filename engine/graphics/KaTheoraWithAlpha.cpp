#include "engine/graphics/KaTheoraWithAlpha.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/graphics/KaImage.h"

KaTheoraWithAlpha::KaTheoraWithAlpha()
    : mColorVideo()
    , mAlphaVideo()
{
    mAlphaVideo.setIsAlphaChannel(true);
}

KaTheoraWithAlpha::~KaTheoraWithAlpha() = default;

KaPath KaTheoraWithAlpha::alphaFilePath(const KaPath& path)
{
    KaPath companion(path);
    companion.removeExtension();
    companion += ".alpha.ogv";
    return companion;
}

bool KaTheoraWithAlpha::matchFormat(const KaPath& path)
{
    return matchExtension(path, "ogv") && KaBaseFile::fileExist(alphaFilePath(path));
}

bool KaTheoraWithAlpha::load(const KaPath& path)
{
    // Both load even when the first fails, so that a later update finds
    // neither half of an earlier pair.
    const bool colorLoaded = mColorVideo.load(path);
    const bool alphaLoaded = mAlphaVideo.load(alphaFilePath(path));
    if (!colorLoaded || !alphaLoaded) {
        // The decoder has said which file failed; a half-loaded pair would
        // show an opaque or an invisible video.
        mColorVideo.close();
        mAlphaVideo.close();
        return false;
    }
    return checkPair(path);
}

bool KaTheoraWithAlpha::load(KaStream&) { return false; }

bool KaTheoraWithAlpha::load(KaStream& colorStream, KaStream& alphaStream)
{
    const bool colorLoaded = mColorVideo.load(colorStream);
    const bool alphaLoaded = mAlphaVideo.load(alphaStream);
    if (!colorLoaded || !alphaLoaded) {
        mColorVideo.close();
        mAlphaVideo.close();
        return false;
    }
    return checkPair(KaPath());
}

bool KaTheoraWithAlpha::checkPair(const KaPath& path)
{
    const char* problem = nullptr;
    if (mColorVideo.width() != mAlphaVideo.width() || mColorVideo.height() != mAlphaVideo.height())
        problem = "dont have the same resolution";
    else if (mColorVideo.nbFrames() != mAlphaVideo.nbFrames())
        problem = "dont have the same frame number";
    else if (mColorVideo.frameRate() != mAlphaVideo.frameRate())
        problem = "dont have the same framerate";
    if (!problem)
        return true;
    if (path.length() != 0)
        KaPrintf("[KaTheoraWithAlpha::load] Color video and Alpha video %s for file %s\n", problem, path.c_str());
    else
        KaPrintf("[KaTheoraWithAlpha::load] Color video and Alpha video %s\n", problem);
    mColorVideo.close();
    mAlphaVideo.close();
    return false;
}

void KaTheoraWithAlpha::setLeftBorderSize(unsigned int size)
{
    mColorVideo.setLeftBorderSize(size);
    mAlphaVideo.setLeftBorderSize(size);
}

void KaTheoraWithAlpha::setRightBorderSize(unsigned int size)
{
    mColorVideo.setRightBorderSize(size);
    mAlphaVideo.setRightBorderSize(size);
}

void KaTheoraWithAlpha::setBottomBorderSize(unsigned int size)
{
    mColorVideo.setBottomBorderSize(size);
    mAlphaVideo.setBottomBorderSize(size);
}

void KaTheoraWithAlpha::setTopBorderSize(unsigned int size)
{
    mColorVideo.setTopBorderSize(size);
    mAlphaVideo.setTopBorderSize(size);
}

bool KaTheoraWithAlpha::update(unsigned long frame, KaImage& image)
{
    // The alpha decoder writes only byte 3 of each pixel: anything but an
    // RGBA8888 image would have its colour overwritten by the mask.
    if (image.format() != RGBA8888)
        return false;
    const bool colorDecoded = mColorVideo.update(frame, image);
    const bool alphaDecoded = mAlphaVideo.update(frame, image);
    image.setLeftBorder(mColorVideo.leftBorderSize());
    image.setRightBorder(mColorVideo.rightBorderSize());
    image.setBottomBorder(mColorVideo.bottomBorderSize());
    image.setTopBorder(mColorVideo.topBorderSize());
    return colorDecoded && alphaDecoded;
}
