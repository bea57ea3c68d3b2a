#ifndef KA_VISUAL_FADE_H
#define KA_VISUAL_FADE_H

#include "engine/color/KaColor.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/KaImage.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaCurveAnim2.h"
#include "engine/world/Ka3DObject2.h"

class Ka3DTexture;

// The transitions between screens: a copy of the last rendered frame shown
// over everything and faded out so that the next screen shows through, or a
// black cover faded away so that the next screen comes out of black.
//
// The owner calls init() once a GL context and the main window exist, puts
// the sprites (and its blocking layer) into its front layout, calls
// captureFrame() between rendering and the buffer swap before a change of
// screen, then starts one of the fades. It hides the black sprite when the
// black animation's onFinished is heard.
//
// The capture texture follows the main window: a capture taken after the
// window changed size (going full screen) first resizes it, so the fade
// always shows the whole frame, never a stretched corner of it. Its width()
// and height() are the window's size it was made for.
//
// Main thread only.
class KaVisualFade {
public:
    typedef KaCurveAnim2<Ka3DObject2, KaColor> ColorAnim;

    KaVisualFade();
    ~KaVisualFade();
    KaVisualFade(const KaVisualFade&) = delete;
    KaVisualFade& operator=(const KaVisualFade&) = delete;

    // Names and sizes the sprites (hidden, the black one transparent), loads
    // "pictures/black64x64.png" and makes the capture texture the main
    // window's size; called again, it keeps the texture it made when the
    // window has not changed size. False when the texture cannot be loaded.
    bool init();
    // Copies the frame buffer into the capture texture, which the capture
    // sprite then shows; its visibility is left alone.
    void captureFrame();
    // The captured frame covers the screen and fades out over 400 ms, on a
    // timer that runs on while the game is paused.
    void animateFade();
    // The black cover stays opaque for 500 ms, clears by 1000 ms; the
    // animation ends at 2000 ms.
    void animateBlackFade();
    void clear() { }

    KaSpriteLayout& captureSprite() { return mCaptureSprite; }
    ColorAnim& captureAnimation() { return mCaptureAnimation; }
    // Placed over the screen by the owner to take clicks during a fade; the
    // fade itself leaves it alone.
    KaButtonLayout& blockingButton() { return mBlockingButton; }
    KaSpriteLayout& blackSprite() { return mBlackSprite; }
    ColorAnim& blackAnimation() { return mBlackAnimation; }
    const KaIntrusivePtr<Ka3DTexture>& captureTexture() const { return mCaptureTexture; }

private:
    // Reloads the texture when the main window's size differs from the one
    // it was made for; the load's result, or true when nothing had to change.
    bool fitCaptureToWindow();
    // Storage for a frame of that size, cleared to black.
    bool loadCaptureTexture(unsigned int width, unsigned int height);

    KaSpriteLayout mCaptureSprite;
    ColorAnim mCaptureAnimation;
    KaButtonLayout mBlockingButton;
    KaSpriteLayout mBlackSprite;
    ColorAnim mBlackAnimation;
    KaIntrusivePtr<Ka3DTexture> mCaptureTexture;
};

#endif
