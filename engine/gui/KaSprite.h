#ifndef KA_SPRITE_H
#define KA_SPRITE_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaMesh.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/world/Ka3DObject.h"
#include "engine/color/KaColor.h"

class KaCamera;
class KaImage;
class KaPalette;
class KaScreen;
class TiXmlElement;

// The older picture widget: one texture, or one cell of a texture cut into a
// grid of frames, drawn as a quad of frameWidth x frameHeight pixels at the
// widget's place on its screen (pixels, origin at the bottom-left corner, y
// up: the space in which the older buttons test the pointer).
//
// A sprite is not part of a layout tree. Its first setPosition registers its
// drawing on the main window's after-draw signal at the priority minus its
// world z, so sprites draw after the layouts, the nearest last; a sprite
// whose position was never set is never drawn. The after-draw signal is
// emitted only by the main window's drawLayouts. Sprites whose colour or
// opacity has alpha, or whose texture has, go through the renderer's
// transparent batch, which the frame flushes after the layer.
//
// The drawing follows the widget's matrix (Ka3DObject): position rounded down
// to whole pixels, the rotation about its pivot in degrees, the scale about
// its pivot (x and y only).
//
// Frames are numbered down each column first, from the bottom-left cell of
// the picture: frame i is in column i / rows, row i % rows.
//
// Registered by address with the main window: not to be moved once
// positioned. Main thread only.
class KaSprite : public Ka3DObject {
public:
    explicit KaSprite(KaScreen* screen);
    // Copy the placement (screen, parent, position, size, scale and its
    // pivot, scale point, rotation and its pivot, opacity), the texture and
    // the visibility; not the animation, the colour or the mesh. The copy is
    // drawn once its position is set (or was copied from a drawn sprite).
    KaSprite(const KaSprite& other);
    KaSprite& operator=(const KaSprite& other);
    ~KaSprite() override;

    // Registers the drawing again at the new world depth.
    void setPosition(const KaVector3f32& position) override;

    // The texture named path + ".3dtex" when one is loaded, else the path
    // decoded through the core's codecs (frame 0) and uploaded. The sprite
    // becomes visible. A path no codec reads, loads or decodes leaves the
    // sprite without texture and with its former size.
    void load(const KaString& path);
    // The texture named after the image (its access name + ".3dtex") when
    // one is loaded, else a new texture of the image, listed under that name.
    void load(const KaImage& image);
    // The texture itself; a null one empties the sprite (size 0).
    void load(const KaIntrusivePtr<Ka3DTexture>& texture);
    void unload();
    // Palettes are not supported by the older sprites.
    void loadPalette(const KaString&) { }
    void loadPalette(const KaPalette&) { }
    void unloadPalette() { }
    // Re-uploads the image into the texture when it changed (a new video
    // frame) and clears its changed flag.
    void update(KaImage& image);

    void setOffset(KaVector2s32 offset) { mOffset = offset; }
    KaVector2s32 offset() const { return mOffset; }

    void setVisible(bool visible) { mVisible = visible; }
    bool isVisible() const { return mVisible; }
    void setColor(const KaColor& color) { mColor = color; }
    const KaColor& color() const { return mColor; }
    const KaIntrusivePtr<Ka3DTexture>& texture() const { return mTexture; }

    // Animation over the frame grid. The first form cuts the picture into
    // `frames` rows of one column; the second into cells of the given size
    // over the whole texture. Both stop the animation at frame 0. A repeat
    // count of 0 plays for ever; n plays n passes and ends on the last
    // frame of the range, emitting onAnimFinished.
    void enableAnim(unsigned int frames, float frameRate, unsigned int repeatCount, bool reverse);
    void enableAnim(unsigned int frameWidth, unsigned int frameHeight, float frameRate, unsigned int repeatCount,
        bool reverse);
    void disableAnim() { mAnimEnabled = false; }
    void playAnim();
    void playAnimPart(unsigned int first, unsigned int last);
    void pauseAnim() { mAnimTimer.pause(); }
    void setAnimFrame(unsigned int frame) { mCurrentFrame = frame; }
    void stopAnim();
    KaSignal0Param& onAnimFinished() { return mOnAnimFinished; }
    bool animEnabled() const { return mAnimEnabled; }
    bool animPlaying() const { return mAnimPlaying; }
    unsigned int currentFrame() const { return mCurrentFrame; }
    unsigned int frameCount() const { return mFrameCount; }
    unsigned int frameWidth() const { return mFrameWidth; }
    unsigned int frameHeight() const { return mFrameHeight; }
    unsigned int rows() const { return mRows; }
    unsigned int repeatCounter() const { return mRepeatCounter; }
    KaTimer& animTimer() { return mAnimTimer; }

    // The after-draw callback: draws, and lets the emission go on.
    bool onBeforeEndScene();

    // Reads an element of a GUI file: a child "scaleCenter" whose "x", "y"
    // and "z" replace those of the scale pivot, then, in document order, the
    // attributes "file" (a picture path, taken through
    // KaBaseFile::getRealPath with the GUI file's folder) and "visible"
    // (shown when its integer is above 0). Names are compared lower-cased.
    void loadXML(TiXmlElement& element, KaString directory);

    // Draws the current frame when loaded and visible.
    void draw();

    // The camera all sprites draw under: orthographic over the screen's
    // size, one unit a pixel, origin at the bottom-left corner, y up.
    static const KaIntrusivePtr<KaCamera>& guiCamera();

private:
    void registerDrawing();
    void unregisterDrawing();
    void takeTextureSize();
    void advanceAnimation();
    void startAnimation(float frameRate, unsigned int repeatCount, bool reverse);

    KaIntrusivePtr<Ka3DTexture> mTexture;
    bool mVisible = true;
    bool mAnimEnabled = false;
    bool mAnimPlaying = false;
    unsigned int mCurrentFrame = 0;
    unsigned int mFirstFrame = 0;
    unsigned int mLastFrame = 0;
    unsigned int mFrameCount = 1;
    unsigned int mFrameWidth = 0;
    unsigned int mFrameHeight = 0;
    unsigned int mRows = 0;
    float mFrameRate = 0.0f;
    unsigned int mRepeatCount = 0;
    unsigned int mRepeatCounter = 0;
    bool mReverse = false;
    KaTimer mAnimTimer;
    KaSignal0Param mOnAnimFinished;
    KaVector2s32 mOffset = KaVector2s32(0, 0);
    KaColor mColor = KaColor(255, 255, 255, 255);
    KaMesh mMesh;
    // Whether the drawing is on the after-draw signal.
    bool mRegistered = false;
};

#endif
