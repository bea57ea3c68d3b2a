#ifndef BILLBOARD_H
#define BILLBOARD_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaModel.h"

class InGameScene;

// A textured rectangle that a scene script lays over the 3D scene: it keeps
// a screen rectangle (fractions of the screen, from the bottom-left corner)
// and takes the projected depth of a world point, so that scene geometry in
// front of that point hides it. Its one-quad model is one of the scene's
// models, drawn with them and hidden until a script shows it.
//
// The corners are worked out when the rectangle or the depth point change,
// under the camera current then: a later change of camera leaves them where
// they are. The scene owns its billboards and deletes them later (KaObject);
// it must outlive them. Main thread only.
class Billboard : public KaObject {
public:
    explicit Billboard(InGameScene& scene);
    // Takes this billboard's own model out of the scene's models, even when
    // another model of the scene carries the same name.
    ~Billboard() override;
    Billboard(const Billboard&) = delete;
    Billboard& operator=(const Billboard&) = delete;

    // Makes the model, named name, with one quad whose corners are all at
    // the origin, textured with the picture name in the scene's folder (a
    // picture that does not load leaves the texture empty), hidden, and
    // appends it to the scene's models. Always true.
    bool load(const KaString& name);

    // x, y: the lower-left corner; z: the depth is that of the world point
    // (0, 0, z), unless a depth point was given.
    void position(const KaVector3f32& position);
    // From the first call on, the depth is that of this world point for
    // good; later positions still move the rectangle on the screen.
    void position2(const KaVector3f32& point);
    // Width and height.
    void size(const KaVector2f32& size);
    // The four corners under the scene's current camera. Without one the
    // corners stay where they were, and one console line says why.
    void calcVertex();

    KaIntrusivePtr<KaModel>& model() { return mModel; }
    const KaVector3f32& position() const { return mPosition; }
    const KaVector3f32& position2() const { return mPosition2; }
    const KaVector2f32& size() const { return mSize; }
    bool usesPosition2() const { return mUsePosition2; }
    // Takes the model out of the scene's models and lets it go: a billboard
    // waiting for its deferred deletion no longer needs the scene.
    void removeModelFromScene();

private:

    InGameScene& mScene;
    KaIntrusivePtr<KaModel> mModel;
    KaVector3f32 mPosition;
    KaVector3f32 mPosition2;
    KaVector2f32 mSize;
    bool mUsePosition2;
};

#endif
