#ifndef KA_SCENE_H
#define KA_SCENE_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaCamera.h"
#include "engine/scene/KaModel.h"

// The engine's minimal 3D scene: cameras with one current camera, and models
// it updates and draws under that camera. The game's scene derives from it
// and loads, updates and draws its own content. The owner fills the arrays.
// Main thread only.
class KaScene {
public:
    KaScene();
    KaScene(const KaScene&) = delete;
    KaScene& operator=(const KaScene&) = delete;
    virtual ~KaScene();

    // Subclasses load; this one loads nothing: false.
    virtual bool load(const KaPath& path);
    // Empties the cameras and the models; the current index stays.
    virtual void close();
    virtual void update();
    // Draws the models under the current camera; nothing without one.
    virtual void draw();
    // The first camera of that name becomes current; none: no change.
    virtual void setCurrentCamera(const KaString& name);
    // Null when the current index is past the cameras.
    virtual KaIntrusivePtr<KaCamera> currentCamera();
    // Empty when the current index is past the cameras.
    virtual KaString currentCameraName();
    // Not checked: an index past the cameras draws nothing.
    virtual void setCurrentCameraIndex(unsigned long index);
    virtual unsigned long currentCameraIndex();
    virtual KaIntrusivePtr<KaCamera> camera(const KaString& name);
    virtual KaArray<KaIntrusivePtr<KaCamera>>& cameras();
    virtual KaIntrusivePtr<KaModel> model(const KaString& name);
    virtual KaArray<KaIntrusivePtr<KaModel>>& models();
    // The last model takes the removed one's place.
    virtual void removeModel(const KaString& name);
    // Takes out that very model, whatever its name (characters, shadows and
    // props often share names); the other models keep their order.
    void removeModelObject(const KaModel* model);

private:
    KaArray<KaIntrusivePtr<KaCamera>> mCameras;
    KaArray<KaIntrusivePtr<KaModel>> mModels;
    unsigned long mCurrentCameraIndex;
};

#endif
