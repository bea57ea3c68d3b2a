#ifndef CHARACTERS_SHADOW_H
#define CHARACTERS_SHADOW_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaCoverageMask.h"
#include "engine/maths/KaMatrix4x4.h"

class Character;
class InGameScene;

// The one shadow the characters of a scene cast together: once a frame
// their silhouettes, seen from the scene's shadow light, are filled into a
// square texture, which is then laid over the scene's shadow-receiving
// models by eye-linear texture generation.
//
// The silhouettes are filled on the CPU and only the rows that changed are
// sent to the texture: drawing them in the frame buffer and copying them
// out would make every frame wait for the GL. The texture holds coverage
// as intensity, whatever the window's frame buffer.
//
// One per scene, created with its geometry and destroyed with it. Needs the
// GL context current. Main thread only. Not copyable.
class CharactersShadow {
public:
    static constexpr unsigned int mSide = 720;

    CharactersShadow();
    ~CharactersShadow();
    CharactersShadow(const CharactersShadow&) = delete;
    CharactersShadow& operator=(const CharactersShadow&) = delete;

    // The light's camera and the empty texture.
    void create(InGameScene* scene);
    // Gives the texture back to GL and drops the camera; create() may follow.
    void destroy();
    // Fills the visible characters' silhouettes, seen from the shadow light,
    // into the texture; the frame buffer is not touched. Without a light the
    // camera keeps its last pose.
    void createTexture(InGameScene* scene);
    // Projects the texture onto the shadow-receiving models, under the
    // scene camera the caller applied (its view is what the projection is
    // set against).
    void draw(InGameScene* scene);

    // The two passes of the application's frame, each with its own shadow
    // mode. Both do nothing unless the scene has a player, a shadow light
    // and its shadow: then the texture pass fills the texture, and the
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
    // What the texture holds, for a reader without GL.
    const KaCoverageMask& coverage() const { return mCoverage; }

private:
    void fillSilhouette(Character* character, const KaMatrix4x4& lightClip);

    unsigned int mTexture;
    unsigned int mTextureSize;
    KaIntrusivePtr<KaCamera> mCamera;
    KaCoverageMask mCoverage;
};

#endif
