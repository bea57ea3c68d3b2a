#ifndef CHARACTERS_SHADOW_H
#define CHARACTERS_SHADOW_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/KaCamera.h"

class InGameScene;

// The one shadow the characters of a scene cast together: once a frame
// they are drawn flat, seen from the scene's shadow light, into a square
// texture, which is then laid over the scene's shadow-receiving models by
// eye-linear texture generation.
//
// The texture is drawn in the window's own frame buffer and copied out of
// it, so its side is that of the largest square the window holds, at most
// mMaxTextureSize: a small window gets a coarser shadow, never one read
// from outside the buffer.
//
// One per scene, created with its geometry and destroyed with it. Needs the
// GL context current. Main thread only. Not copyable.
class CharactersShadow {
public:
    static constexpr unsigned int mMaxTextureSize = 720;

    CharactersShadow();
    ~CharactersShadow();
    CharactersShadow(const CharactersShadow&) = delete;
    CharactersShadow& operator=(const CharactersShadow&) = delete;

    // The light's camera and the texture, sized for the scene's window.
    void create(InGameScene* scene);
    // Gives the texture back to GL and drops the camera; create() may follow.
    void destroy();
    // Draws the characters from the shadow light and copies them into the
    // texture; the frame buffer is left cleared. Without a light the camera
    // keeps its last pose. Nothing at all for a window without pixels.
    void createTexture(InGameScene* scene);
    // Projects the texture onto the shadow-receiving models, under the
    // scene camera the caller applied (its view is what the projection is
    // set against).
    void draw(InGameScene* scene);

    // The two passes of the application's frame, each with its own shadow
    // mode. Both do nothing unless the scene has a player, a shadow light
    // and its shadow: then the texture pass draws and copies, and the
    // projection pass applies the scene's current camera (none: nothing)
    // and projects.
    static bool shadowWanted(InGameScene* scene);
    static void renderTexturePass(InGameScene* scene);
    static void renderProjectionPass(InGameScene* scene);

    // The GL texture name (0 before create and after destroy) and its side
    // in texels (0: no storage yet).
    unsigned int texture() const { return mTexture; }
    unsigned int textureSize() const { return mTextureSize; }
    const KaIntrusivePtr<KaCamera>& camera() const { return mCamera; }

    // The texture's side for a window of that size.
    static unsigned int textureSizeFor(float windowWidth, float windowHeight);

private:
    // (Re)allocates the texture when the window no longer holds its side.
    void fitTexture(unsigned int size);

    unsigned int mTexture;
    unsigned int mTextureSize;
    KaIntrusivePtr<KaCamera> mCamera;
};

#endif
