#include "engine/graphics/KaVideoWithAlpha.h"

#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/graphics/KaJpeg.h"

namespace {

KaPath companionPath(const KaPath& path, const char* infix)
{
    KaPath companion(path);
    companion.removeExtension();
    companion += infix;
    companion += path.extension();
    return companion;
}

// Prints one of the load messages, with the path when there is one.
void report(const char* message, bool withPath, const KaPath& path)
{
    if (withPath)
        KaPrintf("KaVideoWithAlpha::load: %s %s\n", message, path.c_str());
    else
        KaPrintf("KaVideoWithAlpha::load: %s\n", message);
}

} // namespace

KaVideoWithAlpha::KaVideoWithAlpha()
    : mRgbCodec(nullptr)
    , mAlphaCodec(nullptr)
    , mRgbImage()
    , mAlphaImage()
    , mPath()
    , mNoVideoFinished()
{
}

KaVideoWithAlpha::~KaVideoWithAlpha() { unload(); }

KaPath KaVideoWithAlpha::rgbFilePath(const KaPath& path) { return companionPath(path, ".rgb."); }

KaPath KaVideoWithAlpha::alphaFilePath(const KaPath& path) { return companionPath(path, ".alpha."); }

bool KaVideoWithAlpha::matchFormat(const KaPath& path) { return KaBaseFile::fileExist(alphaFilePath(path)); }

void KaVideoWithAlpha::unload()
{
    delete mRgbCodec;
    mRgbCodec = nullptr;
    delete mAlphaCodec;
    mAlphaCodec = nullptr;
    mRgbImage = nullptr;
    mAlphaImage = nullptr;
    mPath = KaPath();
}

bool KaVideoWithAlpha::load(KaStream&) { return false; }

bool KaVideoWithAlpha::load(const KaPath& path)
{
    unload();
    mPath = path;
    const KaPath rgbPath = rgbFilePath(path);
    const KaPath alphaPath = alphaFilePath(path);
    mRgbCodec = core.get()->createVideoCodec(rgbPath);
    const bool rgbLoaded = mRgbCodec && mRgbCodec->load(rgbPath);
    mAlphaCodec = core.get()->createVideoCodec(alphaPath);
    const bool alphaLoaded = mAlphaCodec && mAlphaCodec->load(alphaPath);
    if (!mRgbCodec || !mAlphaCodec) {
        report("unknown format file", true, path);
        return false;
    }
    // A source that failed to load has said why; its size and format would
    // only describe an empty picture.
    if (!rgbLoaded || !alphaLoaded)
        return false;
    return checkPair(true);
}

bool KaVideoWithAlpha::load(KaStream& rgbStream, KaStream& alphaStream)
{
    unload();
    KaJpeg* rgb = new KaJpeg();
    KaJpeg* alpha = new KaJpeg();
    mRgbCodec = rgb;
    mAlphaCodec = alpha;
    const bool rgbLoaded = rgb->load(rgbStream);
    const bool alphaLoaded = alpha->load(alphaStream);
    if (!rgbLoaded || !alphaLoaded)
        return false;
    return checkPair(false);
}

bool KaVideoWithAlpha::checkPair(bool withPath)
{
    if (mRgbCodec->imageFormat() != RGB888) {
        report("RGB video is not RGB for file", withPath, mPath);
        return false;
    }
    const KaImageFormat alphaFormat = mAlphaCodec->imageFormat();
    if (alphaFormat != RGB888 && alphaFormat != GREY8) {
        report("Alpha video is not RGB or 8 bits for file", withPath, mPath);
        return false;
    }
    if (mRgbCodec->width() != mAlphaCodec->width() || mRgbCodec->height() != mAlphaCodec->height()) {
        report("RGB video and Alpha video dont have the same resolution for file", withPath, mPath);
        return false;
    }
    if (mRgbCodec->nbFrames() != mAlphaCodec->nbFrames()) {
        report("RGB video and Alpha video dont have the same frame number", withPath, mPath);
        return false;
    }
    if (mRgbCodec->frameRate() != mAlphaCodec->frameRate()) {
        report("RGB video and Alpha video dont have the same framerate", withPath, mPath);
        return false;
    }

    KaIntrusivePtr<KaPalette> noPalette;
    mRgbImage = new KaImage();
    mAlphaImage = new KaImage();
    if (!mRgbImage->create(mRgbCodec->width(), mRgbCodec->height(), noPalette, RGB888)
        || !mAlphaImage->create(mAlphaCodec->width(), mAlphaCodec->height(), noPalette, alphaFormat)) {
        // create() has reported the size it refused.
        mRgbImage = nullptr;
        mAlphaImage = nullptr;
        return false;
    }
    return true;
}

unsigned int KaVideoWithAlpha::width() const { return mRgbCodec ? mRgbCodec->width() : 0; }

unsigned int KaVideoWithAlpha::height() const { return mRgbCodec ? mRgbCodec->height() : 0; }

unsigned long KaVideoWithAlpha::nbFrames() const { return mRgbCodec ? mRgbCodec->nbFrames() : 0; }

float KaVideoWithAlpha::frameRate() const { return mRgbCodec ? mRgbCodec->frameRate() : 0.0f; }

void KaVideoWithAlpha::setLeftBorderSize(unsigned int size)
{
    if (mRgbCodec)
        mRgbCodec->setLeftBorderSize(size);
    if (mAlphaCodec)
        mAlphaCodec->setLeftBorderSize(size);
}

unsigned int KaVideoWithAlpha::leftBorderSize() const { return mRgbCodec ? mRgbCodec->leftBorderSize() : 0; }

void KaVideoWithAlpha::setRightBorderSize(unsigned int size)
{
    if (mRgbCodec)
        mRgbCodec->setRightBorderSize(size);
    if (mAlphaCodec)
        mAlphaCodec->setRightBorderSize(size);
}

unsigned int KaVideoWithAlpha::rightBorderSize() const { return mRgbCodec ? mRgbCodec->rightBorderSize() : 0; }

void KaVideoWithAlpha::setBottomBorderSize(unsigned int size)
{
    if (mRgbCodec)
        mRgbCodec->setBottomBorderSize(size);
    if (mAlphaCodec)
        mAlphaCodec->setBottomBorderSize(size);
}

unsigned int KaVideoWithAlpha::bottomBorderSize() const { return mRgbCodec ? mRgbCodec->bottomBorderSize() : 0; }

void KaVideoWithAlpha::setTopBorderSize(unsigned int size)
{
    if (mRgbCodec)
        mRgbCodec->setTopBorderSize(size);
    if (mAlphaCodec)
        mAlphaCodec->setTopBorderSize(size);
}

unsigned int KaVideoWithAlpha::topBorderSize() const { return mRgbCodec ? mRgbCodec->topBorderSize() : 0; }

bool KaVideoWithAlpha::isAtEnd() const
{
    if (!mRgbCodec || !mAlphaCodec)
        return true;
    return mRgbCodec->isAtEnd() || mAlphaCodec->isAtEnd();
}

KaSignal0Param& KaVideoWithAlpha::onVideoFinished()
{
    return mRgbCodec ? mRgbCodec->onVideoFinished() : mNoVideoFinished;
}

bool KaVideoWithAlpha::update(unsigned long frame, KaImage& image)
{
    if (!mRgbImage || !mAlphaImage || !imageFits(image))
        return false;
    // Both decode even when the first fails, so that the two stay on the
    // same frame.
    const bool rgbDecoded = mRgbCodec->update(frame, *mRgbImage);
    const bool alphaDecoded = mAlphaCodec->update(frame, *mAlphaImage);
    if (!rgbDecoded || !alphaDecoded)
        return false;

    const KaImage& rgb = *mRgbImage;
    const KaImage& alpha = *mAlphaImage;
    const unsigned int w = rgb.width();
    const unsigned int h = rgb.height();
    const unsigned int alphaBytes = alpha.format() == GREY8 ? 1 : 3;
    // The output keeps the colour source's row order; an alpha source that
    // stores its rows the other way round is read upside down to match.
    const bool alphaReversed = alpha.flipped() != rgb.flipped();
    image.setFlipped(rgb.flipped());
    for (unsigned int r = 0; r < h; ++r) {
        unsigned char* out = image.row(r);
        const unsigned char* colour = rgb.row(r);
        const unsigned char* mask = alpha.row(alphaReversed ? h - 1 - r : r);
        for (unsigned int c = 0; c < w; ++c) {
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
            out[3] = mask[0];
            out += 4;
            colour += 3;
            mask += alphaBytes;
        }
        image.padRow(r);
    }
    image.padRows();
    image.setChanged(true);

    image.setLeftBorder(rgb.leftBorder());
    image.setRightBorder(rgb.rightBorder());
    image.setBottomBorder(rgb.bottomBorder());
    image.setTopBorder(rgb.topBorder());
    image.setAccessName(mPath);
    return true;
}
