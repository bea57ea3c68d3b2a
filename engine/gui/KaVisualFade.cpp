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
    // Release the texture and the image before the animations and sprites
    // that show them.
    mCaptureTexture = KaIntrusivePtr<Ka3DTexture>();
    mCaptureImage.destroy();
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

    mCaptureTexture = KaIntrusivePtr<Ka3DTexture>(new Ka3DTexture());
    unsigned int width = 0, height = 0;
    windowSize(width, height);
    KaPrintf("VisualFade window size: %u %u\n", width, height);
    mCaptureImage.create(width, height, KaIntrusivePtr<KaPalette>(), RGBA8888);
    mCaptureTexture->load(mCaptureImage);
    renderer.get()->enableTexture();
    return mCaptureTexture->load(mCaptureImage);
}

bool KaVisualFade::fitCaptureToWindow()
{
    unsigned int width = 0, height = 0;
    windowSize(width, height);
    if (width == mCaptureImage.width() && height == mCaptureImage.height())
        return true;
    mCaptureImage.create(width, height, KaIntrusivePtr<KaPalette>(), RGBA8888);
    return mCaptureTexture->load(mCaptureImage);
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
