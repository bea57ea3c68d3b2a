#include "engine/scene/KaScene.h"

KaScene::KaScene()
    : mCameras()
    , mModels()
    , mCurrentCameraIndex(0)
{
}

KaScene::~KaScene() = default;

bool KaScene::load(const KaPath&) { return false; }

void KaScene::close()
{
    mCameras.clear();
    mModels.clear();
}

void KaScene::update()
{
    // A copy: a model's update may change the scene's list.
    KaArray<KaIntrusivePtr<KaModel>> models = mModels;
    for (unsigned long i = 0; i < models.size(); ++i)
        models[i]->update();
}

void KaScene::draw()
{
    if (mCurrentCameraIndex >= mCameras.size())
        return;
    KaIntrusivePtr<KaCamera> camera = currentCamera();
    if (!camera)
        return;
    camera->apply();
    KaArray<KaIntrusivePtr<KaModel>> models = mModels;
    for (unsigned long i = 0; i < models.size(); ++i)
        models[i]->draw();
    camera = currentCamera();
    if (camera)
        camera->restore();
}

void KaScene::setCurrentCamera(const KaString& name)
{
    for (unsigned long i = 0; i < mCameras.size(); ++i) {
        if (mCameras[i] && mCameras[i]->name() == name) {
            mCurrentCameraIndex = i;
            return;
        }
    }
}

KaIntrusivePtr<KaCamera> KaScene::currentCamera()
{
    if (mCurrentCameraIndex >= mCameras.size())
        return KaIntrusivePtr<KaCamera>();
    return mCameras.elementOrDefault(mCurrentCameraIndex);
}

KaString KaScene::currentCameraName()
{
    KaIntrusivePtr<KaCamera> camera = currentCamera();
    return camera ? camera->name() : KaString();
}

void KaScene::setCurrentCameraIndex(unsigned long index) { mCurrentCameraIndex = index; }

unsigned long KaScene::currentCameraIndex() { return mCurrentCameraIndex; }

KaIntrusivePtr<KaCamera> KaScene::camera(const KaString& name)
{
    for (unsigned long i = 0; i < mCameras.size(); ++i) {
        if (mCameras.elementOrDefault(i) && mCameras.elementOrDefault(i)->name() == name)
            return mCameras.elementOrDefault(i);
    }
    return KaIntrusivePtr<KaCamera>();
}

KaArray<KaIntrusivePtr<KaCamera>>& KaScene::cameras() { return mCameras; }

KaIntrusivePtr<KaModel> KaScene::model(const KaString& name)
{
    for (unsigned long i = 0; i < mModels.size(); ++i) {
        if (mModels.elementOrDefault(i) && mModels.elementOrDefault(i)->name() == name)
            return mModels.elementOrDefault(i);
    }
    return KaIntrusivePtr<KaModel>();
}

KaArray<KaIntrusivePtr<KaModel>>& KaScene::models() { return mModels; }

void KaScene::removeModelObject(const KaModel* model)
{
    if (!model)
        return;
    for (unsigned long i = 0; i < mModels.size(); ++i) {
        if (mModels.elementOrDefault(i).get() == model) {
            mModels.removeAt(i);
            return;
        }
    }
}

void KaScene::removeModel(const KaString& name)
{
    for (unsigned long i = 0; i < mModels.size(); ++i) {
        if (mModels.elementOrDefault(i) && mModels.elementOrDefault(i)->name() == name) {
            mModels.removeFastAt(i);
            return;
        }
    }
}
