#include "game/scene/Billboard.h"

#include "engine/base/KaStd.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaCamera.h"
#include "game/scene/InGameScene.h"

Billboard::Billboard(InGameScene& scene)
    : mScene(scene)
    , mModel()
    , mPosition()
    , mPosition2()
    , mSize()
    , mUsePosition2(false)
{
}

Billboard::~Billboard() { removeModelFromScene(); }

bool Billboard::load(const KaString& name)
{
    removeModelFromScene();
    mModel = new KaModel();
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    KaPath picture = mScene.sceneFolder();
    picture += "/";
    picture += name;
    // A picture that does not load leaves the texture empty: the billboard
    // still exists for the script that shows and moves it.
    texture->load(picture);
    mModel->setName(name);
    KaArray<KaVector3f32> corners;
    for (int i = 0; i < 4; ++i)
        corners.pushBack(KaVector3f32());
    mModel->setQuad(texture, corners, KaColor(255, 255, 255, 255));
    mModel->setVisible(false);
    mScene.models().pushBack(mModel);
    return true;
}

void Billboard::position(const KaVector3f32& position)
{
    mPosition = position;
    calcVertex();
}

void Billboard::position2(const KaVector3f32& point)
{
    mPosition2 = point;
    mUsePosition2 = true;
    calcVertex();
}

void Billboard::size(const KaVector2f32& size)
{
    mSize = size;
    calcVertex();
}

void Billboard::calcVertex()
{
    if (!mModel || mModel->meshCount() == 0)
        return;
    KaIntrusivePtr<KaCamera> camera = mScene.currentCamera();
    if (!camera) {
        KaPrintf("[Billboard::calcVertex] No current camera for %s\n", mModel->name().c_str());
        return;
    }
    // The camera's own matrices, as applying it would send them to GL: the
    // corners need no GL state, and the frame's camera and viewport stay as
    // they were.
    const KaMatrix4x4 toScreen = camera->projectionMatrix() * camera->worldTransformationMatrix().getInverseMatrix();
    const KaMatrix4x4 toWorld = toScreen.getInverseMatrix();
    const KaVector3f32 depthPoint = mUsePosition2 ? mPosition2 : KaVector3f32(0.0f, 0.0f, mPosition.z);
    const float depth = (toScreen * depthPoint).z;

    const float left = 2.0f * mPosition.x - 1.0f;
    const float bottom = 2.0f * mPosition.y - 1.0f;
    const float right = 2.0f * (mPosition.x + mSize.x) - 1.0f;
    const float top = 2.0f * (mPosition.y + mSize.y) - 1.0f;
    KaMesh& mesh = mModel->mesh(0);
    mesh.setVertex(0, toWorld * KaVector3f32(left, bottom, depth));
    mesh.setVertex(1, toWorld * KaVector3f32(left, top, depth));
    mesh.setVertex(2, toWorld * KaVector3f32(right, bottom, depth));
    mesh.setVertex(3, toWorld * KaVector3f32(right, top, depth));
}

void Billboard::removeModelFromScene()
{
    if (!mModel)
        return;
    // By identity: the scene's removal by name would take the first model of
    // that name, which may be another billboard's or an object's.
    mScene.removeModelObject(mModel.get());
    mModel = nullptr;
}
