#include "engine/gui/KaVisualFade.h"

#include <initializer_list>

#include "engine/base/KaStd.h"
#include "engine/color/KaPalette.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"

namespace {

KaArray<float> curveOf(std::initializer_list<float> samples)
{
    KaArray<float> values;
    for (float sample : samples)
        values.pushBack(sample);
    return values;
}

void startColorAnim(KaVisualFade::ColorAnim& anim, KaSpriteLayout& sprite, const KaColor& from, const KaColor& to,
    std::initializer_list<float> curve, float milliseconds)
{
    anim.mStartValue = from;
    anim.mEndValue = to;
    anim.setCurve(curveOf(curve));
    anim.mDuration = milliseconds;
    anim.mTarget = &sprite;
    anim.mSetter = &Ka3DObject2::setColor;
    anim.play();
}

void windowSize(unsigned int& width, unsigned int& height)
{
    const KaVector3f32 size = mainWindow.get()->size();
    width = size.x > 0.0f ? static_cast<unsigned int>(size.x) : 0u;
    height = size.y > 0.0f ? static_cast<unsigned int>(size.y) : 0u;
}

} // namespace

KaVisualFade::KaVisualFade() { }

KaVisualFade::~KaVisualFade()
{
    // Release the texture before the animations and sprites that show it.
    mCaptureTexture = KaIntrusivePtr<Ka3DTexture>();
}

bool KaVisualFade::init()
{
    mCaptureSprite.setName("fadeCaptureSprite");
    mCaptureSprite.setSizeType(KaILayout::Percent);
    mCaptureSprite.setSize(KaVector3f32(1.0f, 1.0f, 0.0f));
    mCaptureSprite.setVisible(false);

    // Twice the parent, so it covers the screen whatever the aspect.
    mBlackSprite.setName("blackFadeSprite");
    mBlackSprite.setSizeType(KaILayout::Percent);
    mBlackSprite.setSize(KaVector3f32(2.0f, 2.0f, 0.0f));
    mBlackSprite.load(KaPath("pictures/black64x64.png"));
    mBlackSprite.setColor(KaColor(255, 255, 255, 0));
    mBlackSprite.setVisible(false);

    unsigned int width = 0, height = 0;
    windowSize(width, height);
    KaPrintf("VisualFade window size: %u %u\n", width, height);
    renderer.get()->enableTexture();
    // Every new game initialises the fade again: the texture made the first
    // time serves as long as the window keeps its size, rather than a second
    // screen-sized one living on in the capture sprite.
    if (!mCaptureTexture)
        mCaptureTexture = KaIntrusivePtr<Ka3DTexture>(new Ka3DTexture());
    else if (mCaptureTexture->isLoaded() && mCaptureTexture->width() == width && mCaptureTexture->height() == height)
        return true;
    return loadCaptureTexture(width, height);
}

bool KaVisualFade::loadCaptureTexture(unsigned int width, unsigned int height)
{
    // Only the storage matters, each capture overwrites it: the pixels live
    // as long as the upload.
    KaImage blank;
    blank.create(width, height, KaIntrusivePtr<KaPalette>(), RGBA8888);
    if (blank.buffer())
        KaMemset(blank.buffer(), 0, blank.bufferSize());
    return mCaptureTexture->load(blank);
}

bool KaVisualFade::fitCaptureToWindow()
{
    unsigned int width = 0, height = 0;
    windowSize(width, height);
    if (width == mCaptureTexture->width() && height == mCaptureTexture->height())
        return true;
    return loadCaptureTexture(width, height);
}

void KaVisualFade::captureFrame()
{
    if (!mCaptureTexture)
        return;
    renderer.get()->enableTexture();
    fitCaptureToWindow();
    mCaptureTexture->copyCurrentRender(0, 0, 0, 0);
    mCaptureSprite.load(mCaptureTexture);
    renderer.get()->disableTexture();
}

void KaVisualFade::animateFade()
{
    mCaptureAnimation.stop();
    mCaptureAnimation.timer().pausable(false);
    mCaptureSprite.setVisible(true);
    startColorAnim(mCaptureAnimation, mCaptureSprite, KaColor(255, 255, 255, 255), KaColor(255, 255, 255, 0),
        { 0.0f, 1.0f }, 400.0f);
}

void KaVisualFade::animateBlackFade()
{
    // The capture sprite stays hidden: only its colour moves.
    mCaptureSprite.setVisible(false);
    mCaptureAnimation.stop();
    mCaptureAnimation.timer().pausable(false);
    startColorAnim(mCaptureAnimation, mCaptureSprite, KaColor(255, 255, 255, 0), KaColor(255, 255, 255, 255),
        { 0.0f, 0.0f, 1.0f, 1.0f, 1.0f }, 2000.0f);

    mBlackSprite.setVisible(true);
    mBlackAnimation.stop();
    startColorAnim(mBlackAnimation, mBlackSprite, KaColor(255, 255, 255, 255), KaColor(255, 255, 255, 0),
        { 0.0f, 0.0f, 1.0f, 1.0f, 1.0f }, 2000.0f);
}
