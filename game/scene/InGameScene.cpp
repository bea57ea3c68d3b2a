#include "game/scene/InGameScene.h"

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaFile.h"
#include "engine/base/KaStd.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/scene/KaPickMesh2.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaScript.h"
#include "game/api/YieldedCallback.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"
#include "game/characters/CharactersShadow.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/Billboard.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/LightsFile.h"
#include "game/scene/Object3D.h"
#include "game/scene/SceneGeometryFile.h"

#include <cmath>

namespace {

// Scenes are authored for a far plane the files do not always carry.
const float kSceneFarPlane = 3000.0f;
const float kPi = 3.1415927f;

// The scene keeps the shape it was painted in: on a window of another
// shape its camera draws into the largest centred rectangle of its own
// aspect, with bars on the two other sides (the painted background is
// letterboxed the same way, so the two stay on each other).
void letterboxViewport(KaCamera& camera, float aspect, float width, float height)
{
    float w = width;
    float h = height;
    if (aspect > 0.0f && std::isfinite(aspect) && width > 0.0f && height > 0.0f) {
        if (width / height > aspect)
            w = std::round(height * aspect);
        else
            h = std::round(width / aspect);
    }
    const int x = static_cast<int>((width - w) / 2.0f);
    const int y = static_cast<int>((height - h) / 2.0f);
    camera.viewport(x, y, static_cast<unsigned int>(w), static_cast<unsigned int>(h));
}

bool fileExists(const KaPath& path)
{
    return KaBaseFile::fileExist(KaBaseFile::getRealPath(path, KaPath()));
}

// Deletes what the array points to, then empties it.
template <class T> void deleteAll(KaArray<T*>& array)
{
    for (unsigned long i = 0; i < array.size(); ++i)
        delete array[i];
    array.clear();
}

template <class T> void deleteAllLater(KaArray<T*>& array)
{
    for (unsigned long i = 0; i < array.size(); ++i)
        array[i]->deleteLater();
    array.clear();
}

template <class T> T* findByModelName(const KaArray<T*>& array, const KaString& name)
{
    for (unsigned long i = 0; i < array.size(); ++i)
        if (array[i]->model() && array[i]->model()->name() == name)
            return array[i];
    return nullptr;
}

KaMainWindow* window() { return mainWindow.get(); }

} // namespace

// ---------------------------------------------------------------------------
// Animation objects

InGameScene::AnimObject::AnimObject(InGameScene& owner, const KaString& spriteName, KaSpriteLayout* spriteLayout)
    : scene(owner)
    , name(spriteName)
    , sprite(spriteLayout)
{
    sprite->surface().frameAnim().onFinished.add(this, &AnimObject::onFinished);
}

InGameScene::AnimObject::~AnimObject() { sprite->surface().frameAnim().onFinished.remove(this, &AnimObject::onFinished); }

bool InGameScene::AnimObject::onFinished()
{
    scene.raiseFinishedAnim(name);
    return false;
}

// ---------------------------------------------------------------------------
// Construction

InGameScene::InGameScene()
    : mShadowColor(0, 0, 0, 128)
{
    window()->onSizeChanged().add(this, &InGameScene::onMainWindowSizeChanged);
    mWindowSize = KaVector2f32(window()->xSize(), window()->ySize());
}

InGameScene::~InGameScene()
{
    if (mainWindow.exists())
        window()->onSizeChanged().remove(this, &InGameScene::onMainWindowSizeChanged);
    close();
    if (mPlayer && mOwnsPlayer)
        release(mPlayer, true);
    mPlayer = nullptr;
    clearLights();
}

void InGameScene::setScript(KaLuaScript* script)
{
    mScript = script;
    if (mPlayer)
        mPlayer->setScript(script);
    for (unsigned long i = 0; i < mCharacters.size(); ++i)
        mCharacters[i]->setScript(script);
}

void InGameScene::setLocation(const KaString& zone, const KaString& scene)
{
    mZoneName = zone;
    mSceneName = scene;
}

KaPath InGameScene::sceneFolder() const { return KaPath("scenes/" + mZoneName + "/" + mSceneName); }

KaPath InGameScene::getActZoneFileName() const { return KaPath(sceneFolder() + "/actions.bin"); }

KaPath InGameScene::getLightsFileName() const { return KaPath(sceneFolder() + "/lights.xml"); }

KaPath InGameScene::getBlockersFileName() const { return KaPath(sceneFolder() + "/blockers.bin"); }

// ---------------------------------------------------------------------------
// Loading

bool InGameScene::load(const KaPath& geometryPath)
{
    // The whole geometry file is read first: a file that cannot be read
    // leaves the scene on screen, its act zones and its lights as they were.
    SceneGeometryFile file;
    if (!fileExists(geometryPath)) {
        KaPrintf("[InGameScene::load] No geometry file %s.\n", geometryPath.c_str());
        return false;
    }
    {
        KaFile stream(KaBaseFile::getRealPath(geometryPath, KaPath()), KaFileSystem::Read);
        if (!stream.isOpened())
            return false;
        if (!file.read(stream, &mBlockers, &mRectBlockers, &mActZones))
            return false;
    }

    mActZones.clear();
    const KaPath actZones = getActZoneFileName();
    if (fileExists(actZones)) {
        KaFile stream(KaBaseFile::getRealPath(actZones, KaPath()), KaFileSystem::Read);
        if (stream.isOpened())
            ActZonesFile::read(stream, mActZones);
    }

    clearLights();
    if (fileExists(getLightsFileName()))
        loadLights();

    close();
    mGeometryPath = geometryPath;
    build(file);
    mCharactersShadow = new CharactersShadow;
    mCharactersShadow->create(this);
    onMainWindowSizeChanged();
    return true;
}

KaIntrusivePtr<KaCamera> InGameScene::sceneCamera(
    const SceneGeometryFile::Camera& record, unsigned int width, unsigned int height)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera);
    camera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    letterboxViewport(*camera, record.aspect, static_cast<float>(width), static_cast<float>(height));
    camera->setName(record.name);
    camera->setPosition(record.position);
    camera->setRotation(record.rotation);
    camera->setScale(record.scale);
    // Through degrees and back, in single precision, as the authoring
    // tools round it.
    const float degrees = record.fov * 180.0f / kPi;
    camera->setFov(degrees * kPi / 180.0f);
    camera->setAspect(record.aspect);
    camera->setNearDistance(record.nearPlane);
    camera->setFarDistance(kSceneFarPlane);
    return camera;
}

void InGameScene::build(SceneGeometryFile& file)
{
    for (unsigned long i = 0; i < file.cameras.size(); ++i) {
        const SceneGeometryFile::Camera& record = file.cameras[i];
        KaIntrusivePtr<KaCamera> camera = sceneCamera(record, static_cast<unsigned int>(mWindowSize.x),
            static_cast<unsigned int>(mWindowSize.y));
        cameras().pushBack(camera);
    }

    for (unsigned long i = 0; i < file.objects.size(); ++i) {
        const SceneGeometryFile::Object& record = file.objects[i];
        const unsigned long vertexCount = record.positions.size();
        const unsigned long indexCount = record.indices.size();
        KaIntrusivePtr<KaModel> model(new KaModel);
        model->setName(record.name);
        model->setPosition(record.position);
        model->setRotation(record.rotation);
        model->setScale(record.scale);
        KaMesh mesh;
        mesh.setConf(vertexCount, indexCount, KaMesh::TRIANGLES, 1, static_cast<unsigned int>(indexCount / 3));
        for (unsigned long v = 0; v < vertexCount; ++v) {
            mesh.setVertex(v, record.positions[v]);
            mesh.setNormal(v, record.normals[v]);
            mesh.setTextureUV(v, record.uvs[v]);
            mesh.setColor(static_cast<unsigned int>(v), record.colors[v]);
        }
        for (unsigned long n = 0; n < indexCount; ++n)
            mesh.setIndex(n, record.indices[n]);
        model->addMesh(mesh);

        if (record.name.contains("Clic")) {
            KaPickMesh2* pick = new KaPickMesh2;
            pick->setName(record.name);
            pick->setPosition(record.position);
            pick->setRotation(record.rotation);
            pick->setScale(record.scale);
            // Whole triangles only: one or two indices past the last one
            // are drawn but cannot be picked.
            const unsigned long triangles = indexCount / 3;
            pick->setNbTriangles(triangles);
            for (unsigned long t = 0; t < triangles; ++t)
                pick->setTriangle(t, record.positions[record.indices[3 * t]],
                    record.positions[record.indices[3 * t + 1]], record.positions[record.indices[3 * t + 2]]);
            HitObject hit;
            hit.model = model;
            mHitObjects.pushBack(hit);
            model->setVisible(false);
            model->setColor(KaColor(0, 255, 0, 255));
            models().pushBack(model);
            mPickMeshes.pushBack(pick);
        } else if (record.name.startWith("ZB")) {
            // Walk blockers are baked into the zones' grids: nothing to keep.
        } else if (record.type.length() != 0) {
            Object object;
            object.model = model;
            object.type = record.type;
            mObjects.pushBack(object);
            model->setVisible(false);
            models().pushBack(model);
        } else {
            KaPrintf("[InGameScene::load] Unknown type of object named : %s\n", record.name.c_str());
        }
    }

    KaArray<KaFreeMoveZone*> zones = file.takeZones();
    for (unsigned long i = 0; i < zones.size(); ++i) {
        zones[i]->setVisible(false);
        mWalkableZones.pushBack(zones[i]);
    }

    for (unsigned long i = 0; i < file.curves.size(); ++i) {
        const SceneGeometryFile::Curve& record = file.curves[i];
        KaIntrusivePtr<KaBezierCurve> curve(new KaBezierCurve);
        curve->setName(record.name);
        curve->setPosition(record.position);
        curve->setRotation(record.rotation);
        curve->setScale(record.scale);
        curve->setControlPoints(record.points);
        curve->setStoredLength(record.length);
        curve->setVisible(true);
        mCurves.pushBack(curve);
    }

    for (unsigned long i = 0; i < file.dummies.size(); ++i) {
        const SceneGeometryFile::Dummy& record = file.dummies[i];
        Dummy dummy;
        dummy.name = record.name;
        dummy.position = record.position;
        dummy.rotation = record.rotation;
        dummy.scale = record.scale;
        mDummies.pushBack(dummy);
    }

    for (unsigned long i = 0; i < mWalkableZones.size(); ++i)
        converPathToMesh(mWalkableZones[i]);
}

void InGameScene::converPathToMesh(KaFreeMoveZone* zone)
{
    const KaArray<KaVector3f32>& points = zone->vertices();
    KaIntrusivePtr<KaModel> model(new KaModel);
    model->setName("shadowReceiving");
    model->setPosition(zone->position());
    model->setRotation(zone->rotation());
    model->setScale(zone->scale());
    KaMesh mesh;
    mesh.setConf(points.size(), points.size(), KaMesh::TRIANGLES, 1, static_cast<unsigned int>(points.size() / 3));
    for (unsigned long i = 0; i < points.size(); ++i) {
        mesh.setIndex(i, static_cast<unsigned int>(i));
        mesh.setVertex(i, points[i]);
        mesh.setNormal(i, KaVector3f32(0.0f, 0.0f, 1.0f));
    }
    model->addMesh(mesh);
    mShadowReceivingModels.pushBack(model);
}

bool InGameScene::onMainWindowSizeChanged()
{
    mWindowSize = KaVector2f32(window()->xSize(), window()->ySize());
    KaArray<KaIntrusivePtr<KaCamera>>& all = cameras();
    for (unsigned long i = 0; i < all.size(); ++i)
        letterboxViewport(*all[i], all[i]->aspect(), mWindowSize.x, mWindowSize.y);
    return false;
}

void InGameScene::loadBlockers()
{
    mBlockers.clear();
    mRectBlockers.clear();
    const KaPath path = getBlockersFileName();
    if (!fileExists(path))
        return;
    KaFile stream(KaBaseFile::getRealPath(path, KaPath()), KaFileSystem::Read);
    if (stream.isOpened())
        BlockersFile::read(stream, mBlockers, mRectBlockers);
}

void InGameScene::loadLights()
{
    LightsFile::Shadow shadow;
    shadow.sourceLight = mShadowSourceLight;
    shadow.fov = mShadowFov;
    shadow.nearPlane = mShadowNearPlane;
    shadow.farPlane = mShadowFarPlane;
    shadow.color = mShadowColor;
    if (!LightsFile::read(getLightsFileName(), mLights, shadow))
        return;
    mShadowSourceLight = shadow.sourceLight;
    mShadowFov = shadow.fov;
    mShadowNearPlane = shadow.nearPlane;
    mShadowFarPlane = shadow.farPlane;
    mShadowColor = shadow.color;
    if (mLights.isEmpty())
        return;
    KaLight::enableAll();
    for (unsigned long i = 0; i < mLights.size(); ++i)
        mLights[i].enable(static_cast<unsigned int>(i));
}

void InGameScene::clearLights()
{
    if (!mLights.isEmpty()) {
        KaLight::disableAll();
        for (unsigned long i = 0; i < mLights.size(); ++i)
            KaLight::disable(static_cast<unsigned int>(i));
    }
    mLights.clear();
    mShadowSourceLight = -1;
}

KaLight* InGameScene::shadowLight()
{
    if (mShadowSourceLight < 0 || static_cast<unsigned long>(mShadowSourceLight) >= mLights.size())
        return nullptr;
    return &mLights[static_cast<unsigned long>(mShadowSourceLight)];
}

// ---------------------------------------------------------------------------
// Emptying

void InGameScene::reset()
{
    if (mPlayer)
        mPlayer->setFreeMoveZone(nullptr);
    freeSceneObjects();
    mBackgroundGui.unload();
    unloadSpritelayouts();
    mMarkersGui.unload();
    mInteractionsGui.unload();
}

void InGameScene::freeSceneObjects()
{
    if (mPlayer) {
        mPlayer->setLookAtCharacter(nullptr, false);
        mPlayer->deleteAllCallback();
    }
    if (mCharacters.size() == 1)
        mCharacters[0]->deleteAllCallback();
    onUnloadCharacters.call();
    unloadRemainingCharacters();
    for (unsigned long i = 0; i < mObjects3D.size(); ++i)
        removeModelObject(mObjects3D[i]->model().get());
    deleteAllLater(mObjects3D);
    // Their deletion comes after this scene may be gone: they leave it now.
    for (unsigned long i = 0; i < mBillboards.size(); ++i)
        mBillboards[i]->removeModelFromScene();
    deleteAllLater(mBillboards);
    // The For GUI may outlive them: they leave its layer before they go.
    for (unsigned long i = 0; i < mMarkerSprites.size(); ++i)
        if (KaI3DObject2* parent = mMarkerSprites[i]->parent())
            parent->removeChild(mMarkerSprites[i]);
    deleteAllLater(mMarkerSprites);
    deleteAllCallback();
    mMarkers.clear();
    deleteAll(mAnchorZones);
}

void InGameScene::close()
{
    reset();
    mGeometryPath.clear();
    KaScene::close();
    freeGeometry();
    // The player stays from scene to scene: its model and foot shadows are
    // drawn by the next scene too.
    if (mPlayer && mPlayer->model() && !findMira()) {
        models().pushBack(mPlayer->model());
        for (unsigned int i = 0; i < 2; ++i)
            if (mPlayer->shadowPlane(i))
                models().pushBack(mPlayer->shadowPlane(i));
    }
    mObjects.clear();
    mHitObjects.clear();
    deleteAll(mPickMeshes);
    mCurves.clear();
    mDummies.clear();
    freeSceneObjects();
}

void InGameScene::freeGeometry()
{
    mGeometryPath.clear();
    deleteAll(mWalkableZones);
    mCurves.clear();
    mDummies.clear();
    cameras().clear();
    models().clear();
    mShadowReceivingModels.clear();
    if (mCharactersShadow) {
        mCharactersShadow->destroy();
        delete mCharactersShadow;
        mCharactersShadow = nullptr;
    }
}

// ---------------------------------------------------------------------------
// The scene's GUIs

bool InGameScene::loadBackground(const KaPath& path)
{
    const bool loaded = mBackgroundGui.load(path);
    KaLayout* back = mBackgroundGui.layout("background");
    KaLayout* root = mBackgroundGui.layout("root");
    if (back) {
        // Letterboxed in the scene camera's aspect, as the camera's own
        // viewport is: stretched, the painting would slide off the 3D.
        const KaIntrusivePtr<KaCamera> camera = currentCamera();
        if (camera && camera->aspect() > 0.0f && std::isfinite(camera->aspect())) {
            back->setRatio(camera->aspect());
            back->setRatioMode(KaILayout::LetterBox);
        } else {
            back->setRatioMode(KaILayout::None);
        }
        back->disableAutoZ();
    }
    if (root) {
        root->setRatioMode(KaILayout::None);
        const KaIntrusivePtr<KaCamera>& guiCamera = window()->camera();
        if (guiCamera)
            root->setZPosition(guiCamera->nearDistance());
    }
    const KaMap<KaString, KaSpriteLayout*>& sprites = mBackgroundGui.spriteLayouts();
    for (auto it = sprites.firstElement(); it != sprites.end(); ++it) {
        KaSpriteLayout* sprite = it->value;
        const KaString name = sprite->name();
        mAnimObjects.pushBack(new AnimObject(*this, name, sprite));
        if (name != "root")
            sprite->setVisible(false);
    }
    return loaded;
}

bool InGameScene::loadInteractions(const KaPath& path)
{
    const bool loaded = mInteractionsGui.load(path);
    KaLayout* back = mInteractionsGui.layout("background");
    if (!back)
        return loaded;
    for (unsigned long i = 0; i < back->childCount(); ++i) {
        // Anything else in there is scenery of the GUI, left as it is.
        if (KaButtonLayout* button = dynamic_cast<KaButtonLayout*>(back->child(i)))
            button->setDoubleValidationProtectionEnabled(false);
    }
    back->setRatioMode(KaILayout::None);
    if (KaSpriteLayout* root = mBackgroundGui.spriteLayout("root"))
        root->addChild(back);
    return loaded;
}

bool InGameScene::loadMarkers(const KaPath& path)
{
    const bool loaded = mMarkersGui.load(path);
    KaLayout* back = mMarkersGui.layout("background");
    if (!back)
        return loaded;
    back->setRatioMode(KaILayout::None);
    if (KaSpriteLayout* root = mBackgroundGui.spriteLayout("root"))
        root->addChild(back);
    // Each zone of the file is a marker of the scene, so that the marker
    // switch finds the picture of the same name under the For GUI; a
    // marker a script added first keeps its record.
    for (unsigned long i = 0; i < back->childCount(); ++i) {
        KaLayout* zone = dynamic_cast<KaLayout*>(back->child(i));
        if (!zone || zone->name().length() == 0 || findMarker(zone->name()))
            continue;
        KaMarker marker;
        marker.name = zone->name();
        marker.interaction = zone->name();
        mMarkers.pushBack(marker);
    }
    return loaded;
}

void InGameScene::unloadSpritelayouts() { deleteAll(mAnimObjects); }

bool InGameScene::findMira()
{
    KaArray<KaIntrusivePtr<KaModel>>& all = models();
    for (unsigned long i = 0; i < all.size(); ++i)
        if (all[i] && all[i]->name() == "Mira")
            return true;
    return false;
}

KaLayout* InGameScene::background() const { return mBackgroundGui.layout("background"); }

void InGameScene::initScroll() { mScroll = KaVector2f32(0.5f, 0.0f); }

void InGameScene::updateScroll() {}

// ---------------------------------------------------------------------------
// Per frame

void InGameScene::update()
{
    if (mBackgroundGui.isLoaded())
        if (KaLayout* back = background())
            back->setZPosition(0.0f);
    updateHeads();
    updateCallbacks();
    KaScene::update();
    updateWait();
    updateTimedMoves();
}

void InGameScene::updateHeads()
{
    if (mPlayer && mPlayer->model()) {
        mPlayer->setHeadLookAt(false);
        for (unsigned long i = 0; i < mAnchorZones.size(); ++i) {
            if (!aroundAnchorZone(mAnchorZones[i]))
                continue;
            const KaVector3f32 target = mAnchorZones[i]->worldPosition;
            const float h = getHeadHorizontalRotation(mPlayer, target);
            const float v = getHeadVerticalRotation(mPlayer, target);
            // Whole degrees: 90.9 still counts as 90.
            const int horizontal = static_cast<int>(std::fabs(h * 180.0f / kPi));
            const int vertical = static_cast<int>(std::fabs(v * 180.0f / kPi));
            if (horizontal > 90 || vertical > 45) {
                const KaVector2f32 held = mPlayer->headTargetAngles();
                mPlayer->setHeadAngles(held.x, held.y);
            } else {
                mPlayer->setHeadTargetAngles(h, v);
                mPlayer->setHeadLookAt(true);
            }
            break;
        }
        lookAtCharacter(mPlayer);
    }
    for (unsigned long i = 0; i < mCharacters.size(); ++i)
        lookAtCharacter(mCharacters[i]);
}

void InGameScene::lookAtCharacter(Character* character)
{
    Character* target = character->lookAtCharacter();
    if (!target || !target->model() || !character->model())
        return;
    KaVector3f32 point = target->model()->position();
    if (character->lookAtRaised())
        point.y += 17.0f;
    float h = getHeadHorizontalRotation(character, point);
    const float v = getHeadVerticalRotation(character, point);
    const float degrees = h * 180.0f / kPi;
    if (degrees < -90.0f)
        h = -1.5707964f;
    else if (degrees > 90.0f)
        h = 1.5707964f;
    character->setHeadTargetAngles(h, v);
    character->setHeadLookAt(true);
}

bool InGameScene::aroundAnchorZone(const AnchorZone* zone) const
{
    if (!zone->activated || !mPlayer || !mPlayer->model())
        return false;
    const KaVector3f32 p = mPlayer->model()->position();
    const float dx = p.x - zone->worldPosition.x;
    const float dz = p.z - zone->worldPosition.z;
    return std::sqrt(dx * dx + dz * dz) <= zone->radius;
}

float InGameScene::getHeadHorizontalRotation(Character* character, KaVector3f32 point)
{
    KaModel& model = *character->model();
    const KaVector3f32 d = point - model.position();
    KaVector3f32 f(0.0f, 0.0f, 1.0f);
    f.rotate(model.rotation());
    const float a = std::atan2(-d.x, d.z) - std::atan2(-f.x, f.z);
    double wrapped = a;
    if (wrapped < -M_PI)
        wrapped += 2.0 * M_PI;
    else if (wrapped > M_PI)
        wrapped -= 2.0 * M_PI;
    return static_cast<float>(wrapped);
}

float InGameScene::getHeadVerticalRotation(Character* character, KaVector3f32 point)
{
    KaModel& model = *character->model();
    KaVector3f32 eye = model.position();
    eye.y = (model.worldTransformationMatrix() * character->headPosition()).y;
    const KaVector3f32 d = point - eye;
    return std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z));
}

void InGameScene::selectSceneCamera(const KaString& scene)
{
    setCurrentCamera(KaString("Camera") + scene);
    KaIntrusivePtr<KaCamera> camera = currentCamera();
    if (!camera)
        return;
    if (scene == "14050") {
        camera->setPosition(KaVector3f32(1200.6f, -1937.5f, 1544.1f));
    } else if (scene == "34610") {
        camera->setPosition(KaVector3f32(-328.243f, 340.303f, -1342.84f));
        camera->setRotation(KaQuaternion(0.003194f, 0.910923f, -0.009496f, -0.412389f));
    }
}

void InGameScene::updateCallbacks()
{
    for (auto& entry : mCallbacks)
        for (unsigned long i = 0; i < entry.second.size(); ++i)
            entry.second[i]->fired = false;
    const KaMap<KaString, KaSpriteLayout*>& sprites = mBackgroundGui.spriteLayouts();
    for (auto it = sprites.firstElement(); it != sprites.end(); ++it) {
        KaSpriteLayout* sprite = it->value;
        auto found = mCallbacks.find(sprite->name());
        if (found == mCallbacks.end())
            continue;
        const float frame = static_cast<float>(sprite->surface().frameAnim().currentFrame());
        // A Lua function may add or delete callbacks of this sprite: the
        // array is read again at every step.
        for (unsigned long i = 0; i < found->second.size(); ++i) {
            Callback* callback = found->second[i];
            if (callback->frame != frame || callback->fired)
                continue;
            callback->fired = true;
            if (mScript)
                mScript->execute(callback->function);
        }
    }
}

void InGameScene::wait(double seconds)
{
    mWaitTimer.stop();
    mWaitTimer.start();
    mWaitDuration = seconds * 1000000.0;
}

void InGameScene::updateWait()
{
    if (mWaitDuration == -1.0)
        return;
    // Time since the wait started: a read that moved its mark would measure
    // one frame only, and a wait longer than a frame would never end.
    if (!(mWaitTimer.getTimeFromStart() > mWaitDuration))
        return;
    mWaitDuration = -1.0;
    mWaitTimer.stop();
    if (!resumeYieldedCallback("OnWaitFinished", nullptr) && mScript)
        mScript->execute("OnWaitFinished");
}

void InGameScene::updateTimedMoves()
{
    for (unsigned long i = 0; i < mObjects3D.size(); ++i)
        mObjects3D[i]->updateMoves();
}

void InGameScene::raiseFinishedAnim(const KaString& sprite)
{
    if (!resumeYieldedCallback("OnFinishedAnim", &sprite) && mScript)
        mScript->execute("OnFinishedAnim", KaVariant(sprite));
}

void InGameScene::draw()
{
    KaScene::draw();
    KaIntrusivePtr<KaCamera> camera = currentCamera();
    if (!camera)
        return;
    camera->apply();
    KaLight::updateGlobal();
    for (unsigned long i = 0; i < mLights.size(); ++i)
        mLights[i].update(static_cast<unsigned int>(i));
    camera->restore();
}

void InGameScene::drawPath()
{
    KaIntrusivePtr<KaCamera> camera = currentCamera();
    if (!camera)
        return;
    camera->apply();
    renderer.get()->disableZBuffer();
    for (unsigned long i = 0; i < mWalkableZones.size(); ++i)
        mWalkableZones[i]->draw();
    renderer.get()->enableZBuffer();
    camera->restore();
}

// ---------------------------------------------------------------------------
// Anchor zones and 2D-animation callbacks

void InGameScene::addAnchorZone(const KaString& kind, const KaString& name, float radius)
{
    bool found = false;
    for (unsigned long i = 0; i < mAnchorZones.size(); ++i)
        if (mAnchorZones[i]->name == name) {
            mAnchorZones[i]->radius = radius;
            found = true;
        }
    if (found)
        return;
    AnchorZone* zone = new AnchorZone;
    zone->name = name;
    zone->radius = radius;
    if (kind.contains("Int")) {
        KaIntrusivePtr<KaCamera> camera = currentCamera();
        KaButtonLayout* button = mInteractionsGui.buttonLayout(name);
        if (camera && button) {
            camera->apply();
            const KaVector3f32 position = button->position();
            zone->screenPoint = KaVector3f32(position.x + mWindowSize.x / 2.0f, position.y + mWindowSize.y / 2.0f,
                position.z);
            zone->worldPosition = camera->worldTransformationMatrix() * camera->transformPoint2Dto3D(zone->screenPoint);
            camera->restore();
        } else if (!camera) {
            KaPrintf("[InGameScene::addAnchorZone] No camera to place %s.\n", name.c_str());
        }
    } else if (kind.contains("Dummy")) {
        zone->worldPosition = dummy(name).position;
    }
    mAnchorZones.pushBack(zone);
}

void InGameScene::activateAnchorZone(const KaString& name, bool activated)
{
    for (unsigned long i = 0; i < mAnchorZones.size(); ++i)
        if (mAnchorZones[i]->name == name)
            mAnchorZones[i]->activated = activated;
}

void InGameScene::addCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame)
{
    Callback* callback = new Callback;
    callback->frame = frame;
    callback->function = function;
    mCallbacks[sprite].pushBack(callback);
}

void InGameScene::deleteCallback(const KaString& sprite, const KaString& function, float frame)
{
    auto found = mCallbacks.find(sprite);
    if (found == mCallbacks.end())
        return;
    KaArray<Callback*>& callbacks = found->second;
    if (function.length() == 0) {
        deleteAll(callbacks);
        return;
    }
    for (unsigned long i = 0; i < callbacks.size();) {
        Callback* callback = callbacks[i];
        if (callback->function == function && (frame == -1.0f || callback->frame == frame)) {
            delete callback;
            callbacks.removeAt(i);
        } else {
            ++i;
        }
    }
}

void InGameScene::deleteAllCallback()
{
    for (auto& entry : mCallbacks)
        deleteAll(entry.second);
    mCallbacks.clear();
}

float InGameScene::angularDistance(float a, float b)
{
    float d = b - a;
    if (d < -kPi)
        d += 2.0f * kPi;
    else if (d > kPi)
        d -= 2.0f * kPi;
    return d;
}

// ---------------------------------------------------------------------------
// 3D objects and billboards

Object3D* InGameScene::object3D(const KaString& name) const { return findByModelName(mObjects3D, name); }

bool InGameScene::loadObject(const KaString& name)
{
    if (Object3D* loaded = object3D(name)) {
        loaded->model()->setVisible(true);
        return true;
    }
    Object3D* object = new Object3D;
    if (!object->loadModel(name)) {
        delete object;
        return false;
    }
    models().pushBack(object->model());
    mObjects3D.pushBack(object);
    object->model()->setVisible(true);
    return true;
}

void InGameScene::unloadObject(const KaString& name)
{
    for (unsigned long i = 0; i < mObjects3D.size();) {
        Object3D* object = mObjects3D[i];
        if (object->model() && object->model()->name() == name) {
            removeModelObject(object->model().get());
            object->deleteLater();
            mObjects3D.removeAt(i);
        } else {
            ++i;
        }
    }
}

void InGameScene::unloadAllObjects()
{
    for (unsigned long i = 0; i < mObjects3D.size(); ++i)
        removeModelObject(mObjects3D[i]->model().get());
    deleteAllLater(mObjects3D);
}

Billboard* InGameScene::billboard(const KaString& name) const { return findByModelName(mBillboards, name); }

bool InGameScene::loadBillboard(const KaString& name)
{
    if (billboard(name))
        return true;
    Billboard* created = new Billboard(*this);
    if (!created->load(name)) {
        delete created;
        return false;
    }
    mBillboards.pushBack(created);
    return true;
}

// ---------------------------------------------------------------------------
// Lookups

KaIntrusivePtr<KaBezierCurve> InGameScene::curve(const KaString& name) const
{
    for (unsigned long i = 0; i < mCurves.size(); ++i)
        if (mCurves[i]->name() == name)
            return mCurves[i];
    return KaIntrusivePtr<KaBezierCurve>();
}

KaFreeMoveZone* InGameScene::pathZone(const KaString& name) const
{
    for (unsigned long i = 0; i < mWalkableZones.size(); ++i)
        if (mWalkableZones[i]->name() == name)
            return mWalkableZones[i];
    return nullptr;
}

InGameScene::Dummy InGameScene::dummy(const KaString& name) const
{
    for (unsigned long i = 0; i < mDummies.size(); ++i)
        if (mDummies[i].name == name)
            return mDummies[i];
    Dummy absent;
    absent.rotation = KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
    absent.scale = KaVector3f32(0.0f, 0.0f, 0.0f);
    return absent;
}

int InGameScene::object(const KaString& name) const
{
    for (unsigned long i = 0; i < mObjects.size(); ++i)
        if (mObjects[i].model && mObjects[i].model->name() == name)
            return static_cast<int>(i);
    return -1;
}

void InGameScene::setStep(KaString zone, const KaString& first, const KaString& second)
{
    SoundStep step;
    step.first = first;
    step.second = second;
    mSoundSteps[zone] = step;
}

InGameScene::SoundStep InGameScene::findSoundStep(KaString zone) const
{
    auto found = mSoundSteps.find(zone);
    return found == mSoundSteps.end() ? SoundStep() : found->second;
}

void InGameScene::addBlockingObject(const KaString& name) { mBlockingObjectNames.pushBack(name); }

void InGameScene::removeBlockingObject(const KaString& name)
{
    for (unsigned long i = 0; i < mBlockingObjectNames.size();) {
        if (mBlockingObjectNames[i] == name)
            mBlockingObjectNames.removeAt(i);
        else
            ++i;
    }
}

bool InGameScene::isObjectBlocking(const KaString& name) const
{
    for (unsigned long i = 0; i < mBlockingObjectNames.size(); ++i)
        if (mBlockingObjectNames[i] == name)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Characters

unsigned long InGameScene::Props::carriedCount() const { return mScene.objects3D().size(); }

bool InGameScene::Props::carried(unsigned long index, Carried& carried) const
{
    if (index >= mScene.objects3D().size())
        return false;
    Object3D* object = mScene.objects3D()[index];
    if (!object->model())
        return false;
    carried.model = object->model().get();
    carried.characterName = object->characterName();
    carried.boneName = object->boneName();
    carried.firstFrame = object->firstFrame();
    carried.lastFrame = object->lastFrame();
    carried.translation = object->attachmentTranslation();
    carried.rotation = object->attachmentRotation();
    carried.scale = object->attachmentScale();
    return true;
}

Character* InGameScene::character(const KaString& name)
{
    if (mPlayer && mPlayer->model() && mPlayer->model()->name() == name)
        return mPlayer;
    return findByModelName(mCharacters, name);
}

void InGameScene::adopt(Character* character)
{
    character->setScene(this);
    character->setScript(mScript);
    character->setCarriedObjects(&mProps);
}

void InGameScene::appendCharacterModels(Character* character)
{
    models().pushBack(character->model());
    for (unsigned int i = 0; i < 2; ++i)
        if (character->shadowPlane(i))
            models().pushBack(character->shadowPlane(i));
}

bool InGameScene::loadCharacter(const KaString& name)
{
    if (Character* loaded = character(name)) {
        loaded->model()->setVisible(true);
        return true;
    }
    Character* created = new Character;
    if (!created->loadModel(name, false)) {
        delete created;
        return false;
    }
    adopt(created);
    appendCharacterModels(created);
    mCharacters.pushBack(created);
    created->model()->setVisible(true);
    return true;
}

void InGameScene::appendPlayerModels()
{
    if (mPlayer && mPlayer->model())
        appendCharacterModels(mPlayer);
}

bool InGameScene::loadPlayerCharacter(const KaString& name, bool flag)
{
    if (!mPlayer) {
        Character* created = new Character;
        created->setPlayer(true);
        if (!created->loadModel(name, flag)) {
            delete created;
            mPlayerModel = nullptr;
            return false;
        }
        adopt(created);
        mPlayer = created;
        mOwnsPlayer = true;
        mPlayerModel = created->model();
        if (!findMira())
            appendCharacterModels(created);
    }
    if (mPlayer->model())
        mPlayer->model()->setVisible(true);
    return true;
}

void InGameScene::release(Character* character, bool owned)
{
    character->removeAnim();
    character->deleteAnim();
    character->deleteAllCallback();
    KaIntrusivePtr<KaModel> model = character->model();
    removeModelObject(model.get());
    for (unsigned int i = 0; i < 2; ++i)
        removeModelObject(character->shadowPlane(i).get());
    character->setScene(nullptr);
    character->setCarriedObjects(nullptr);
    if (owned)
        character->deleteLater();
}

void InGameScene::unloadCharacter(const KaString& name)
{
    if (mPlayer && mPlayer->model() && mPlayer->model()->name() == name) {
        release(mPlayer, mOwnsPlayer);
        mPlayer = nullptr;
        mOwnsPlayer = false;
        mPlayerModel = nullptr;
    }
    for (unsigned long i = 0; i < mCharacters.size();) {
        Character* c = mCharacters[i];
        if (c->model() && c->model()->name() == name) {
            release(c, true);
            mCharacters.removeAt(i);
        } else {
            ++i;
        }
    }
}

void InGameScene::unloadRemainingCharacters()
{
    for (unsigned long i = 0; i < mCharacters.size(); ++i)
        release(mCharacters[i], true);
    mCharacters.clear();
}

void InGameScene::moveCharacterTo(
    const KaString& name, const KaString& curveName, const float& offset, const float& speed)
{
    Character* c = character(name);
    if (!c || c == mPlayer || mPlayerMoveDisabled)
        return;
    c->setPositionOffset(c->settings().cutSceneCurveDemi);
    c->placeOnCurve(curve(curveName));
    c->setCurveOffset(offset);
    const KaString start = c->walkAnim(Character::start);
    if (start.length() != 0)
        c->setAnimation(start, false, false, false, -1, 9999);
    else
        c->setAnimation(c->walkAnim(Character::loop), true, false, false, -1, 9999);
    c->walkTo(speed, false);
}

void InGameScene::setPositionCharacter(const KaString& name, const KaString& zoneName, KaVector3f32 position)
{
    Character* c = character(name);
    if (!c) {
        KaPrintf("[SetCharacterPosition] Character not found %s\n", name.c_str());
        return;
    }
    c->stop();
    KaFreeMoveZone* zone = pathZone(zoneName);
    if (zone) {
        // The zone finds its ground as the camera sees it: without one the
        // character stays where it was.
        KaIntrusivePtr<KaCamera> camera = currentCamera();
        if (!camera) {
            KaPrintf("[SetCharacterPosition] No camera to place %s\n", name.c_str());
            return;
        }
        zone->setCamera(camera, false);
    }
    c->setFreeMoveZone(zone);
    const SoundStep step = findSoundStep(zoneName);
    c->setStepSound(KaPath(step.first), KaPath(step.second));
    if (!zone) {
        KaPrintf("[SetCharacterPosition] PathZone not found %s\n", zoneName.c_str());
        return;
    }
    bool found = false;
    const KaVector3f32 corrected = zone->correctCharacterPosition(position, &found, true);
    c->model()->setPosition(corrected);
    if (!found)
        KaPrintf("[SetCharacterPosition] Warning : The character is not above the ground %s\n", name.c_str());
}

// ---------------------------------------------------------------------------
// Geometry objects and the background

bool InGameScene::showAllObjects(const KaString& text)
{
    bool shown = false;
    for (unsigned long i = 0; i < mObjects.size(); ++i)
        if (mObjects[i].model && mObjects[i].model->name().contains(text)) {
            mObjects[i].model->setVisible(true);
            shown = true;
        }
    return shown;
}

bool InGameScene::loadObjectMaterial(const Object& object, const KaString& dir)
{
    if (!object.model || object.model->meshCount() == 0)
        return false;
    const KaPath path(KaPath(mGeometryPath).directory() + "/" + dir + "/" + object.type + ".png");
    KaImage image;
    if (!image.load(path))
        return false;
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(image);
    object.model->mesh(0).defaultMaterial(texture);
    return true;
}

bool InGameScene::loadObjectMaterials(const KaString& dir)
{
    bool set = false;
    for (unsigned long i = 0; i < mObjects.size(); ++i) {
        const Object& object = mObjects[i];
        if (!object.model || !object.model->name().contains(dir) || object.type.length() == 0)
            continue;
        set = loadObjectMaterial(object, dir) || set;
    }
    return set;
}

bool InGameScene::loadObjectMaterials(const KaString& dir, const KaString& objectName)
{
    const int index = object(objectName);
    if (index < 0)
        return false;
    return loadObjectMaterial(mObjects[static_cast<unsigned long>(index)], dir);
}

bool InGameScene::changeBackground(const KaString& path)
{
    if (!fileExists(KaPath(path)))
        return false;
    if (KaSpriteLayout* root = mBackgroundGui.spriteLayout("root"))
        root->load(KaPath(path));
    return true;
}

// ---------------------------------------------------------------------------
// Markers

KaLayout* InGameScene::markerLayer() const { return mForGui ? mForGui->layout("background") : nullptr; }

KaArray<KaSpriteLayout*> InGameScene::markerSpritesNamed(const KaString& name) const
{
    KaArray<KaSpriteLayout*> found;
    KaLayout* layer = markerLayer();
    if (!layer)
        return found;
    for (unsigned long i = 0; i < layer->childCount(); ++i) {
        KaI3DObject2* child = layer->child(i);
        if (child && child->name() == name)
            if (KaSpriteLayout* sprite = dynamic_cast<KaSpriteLayout*>(child))
                found.pushBack(sprite);
    }
    return found;
}

void InGameScene::playEndlessly(KaSpriteLayout* sprite)
{
    sprite->surface().frameAnim().setRepeatCount(KaAnimation::mEndless);
    sprite->play();
}

KaVector3f32 InGameScene::markerPosition(float x, float y, const KaString& positionType) const
{
    if (positionType == "PERCENT") {
        KaVector3f32 unit(1.0f, 1.0f, 0.0f);
        if (application.exists())
            unit = application.get()->layoutBack().userSize();
        return KaVector3f32(x / 100.0f * unit.x, y / 100.0f * unit.y, 0.0f);
    }
    return KaVector3f32(x / 800.0f, y / 600.0f, 0.0f);
}

bool InGameScene::addMarker(const KaString& name, const KaString& image, float x, float y, const KaString& positionType,
    const KaString& interaction)
{
    KaLayout* layer = markerLayer();
    if (!layer) {
        KaPrintf("[InGameScene::addMarker] No marker layer for %s\n", name.c_str());
        return false;
    }
    if (findMarker(name)) {
        setImagePathMarker(name, image);
        return true;
    }
    KaSpriteLayout* sprite = new KaSpriteLayout;
    sprite->setName(name);
    KaDirectory folder;
    if (folder.nativeOpen(KaBaseFile::getRealPath(KaPath(image), KaPath()))) {
        folder.close();
        sprite->setAnchor(KaVector3f32(0.0f, 0.0f, 0.0f));
        sprite->load(KaPath(image));
        sprite->setSizeType(KaILayout::Percent);
        sprite->setPositionType(KaILayout::Percent);
        sprite->setPosition(markerPosition(x, y, positionType));
        const float w = static_cast<float>(window()->xSize());
        const float h = static_cast<float>(window()->ySize());
        const float side = core.get()->fileFlagSystemFlag("definition") == "SD" ? 0.07f : 0.04f;
        sprite->setSize(KaVector3f32(side, h > 0.0f ? side * w / h : side, 0.0f));
        sprite->setVisible(mMarkersVisible);
        playEndlessly(sprite);
    }
    KaMarker marker;
    marker.name = name;
    marker.interaction = interaction;
    mMarkers.pushBack(marker);
    layer->addChild(sprite);
    mMarkerSprites.pushBack(sprite);
    return true;
}

InGameScene::KaMarker* InGameScene::findMarker(const KaString& name)
{
    for (unsigned long i = 0; i < mMarkers.size(); ++i)
        if (mMarkers[i].name == name)
            return &mMarkers[i];
    return nullptr;
}

InGameScene::KaMarker* InGameScene::findMarkerByInt(const KaString& interaction)
{
    for (unsigned long i = 0; i < mMarkers.size(); ++i)
        if (mMarkers[i].interaction == interaction)
            return &mMarkers[i];
    return nullptr;
}

bool InGameScene::isMarker(const KaString& name) { return findMarker(name) != nullptr; }

void InGameScene::setImagePathMarker(const KaString& name, const KaString& image)
{
    if (!findMarker(name))
        return;
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    for (unsigned long i = 0; i < sprites.size(); ++i) {
        sprites[i]->load(KaPath(image));
        playEndlessly(sprites[i]);
    }
}

void InGameScene::deleteMarker(const KaString& name)
{
    if (!findMarker(name))
        return;
    for (unsigned long i = 0; i < mMarkers.size(); ++i)
        if (mMarkers[i].name == name) {
            mMarkers.removeAt(i);
            break;
        }
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    if (!sprites.isEmpty())
        markerLayer()->removeChild(sprites[0]);
}

void InGameScene::setVisibleMarker(const KaString& name, bool visible)
{
    if (!findMarker(name))
        return;
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    if (!sprites.isEmpty())
        sprites[0]->setVisible(visible);
}

bool InGameScene::isVisibleMarker(const KaString& name)
{
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    return !sprites.isEmpty() && sprites[0]->visible();
}

KaString InGameScene::imagePathMarker(const KaString& name)
{
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    return sprites.isEmpty() ? KaString() : KaString(sprites[0]->surface().path());
}

KaVector3f32 InGameScene::positionMarker(const KaString& name)
{
    KaArray<KaSpriteLayout*> sprites = markerSpritesNamed(name);
    if (sprites.isEmpty())
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    const KaVector3f32 position = sprites[0]->userPosition();
    return KaVector3f32(position.x * 100.0f, position.y * 100.0f, 0.0f);
}

void InGameScene::setPositionMarker(const KaString& name, KaVector2f32& position)
{
    KaLayout* layer = markerLayer();
    if (!layer)
        return;
    for (unsigned long i = 0; i < layer->childCount(); ++i) {
        KaI3DObject2* child = layer->child(i);
        if (!child)
            continue;
        KaPrintf("name marker %s", child->name().c_str());
        if (child->name() == name)
            if (KaSpriteLayout* sprite = dynamic_cast<KaSpriteLayout*>(child))
                sprite->setPosition(markerPosition(position.x, position.y, "PERCENT"));
    }
}

KaVector2f32 InGameScene::boundLayerSize()
{
    const float w = static_cast<float>(window()->xSize());
    const float h = static_cast<float>(window()->ySize());
    const float ratio = 1.3333334f;
    if (h > 0.0f && w / h >= ratio)
        return KaVector2f32(h * ratio, h);
    return KaVector2f32(w, w / ratio);
}

KaVector2f32 InGameScene::layerSize()
{
    KaLayout* back = background();
    if (!back)
        return KaVector2f32(static_cast<float>(window()->xSize()), static_cast<float>(window()->ySize()));
    if (KaSpriteLayout* root = mBackgroundGui.spriteLayout("root")) {
        const KaVector3f32 size = root->size();
        mLayerSize = KaVector2f32(size.x, size.y);
    }
    return mLayerSize;
}
