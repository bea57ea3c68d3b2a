#ifndef IN_GAME_SCENE_H
#define IN_GAME_SCENE_H

#include <map>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaLight.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaActZone.h"
#include "engine/world/KaBezierCurve.h"
#include "engine/scene/KaBlocker.h"
#include "engine/scene/KaRectBlocker.h"
#include "engine/scene/KaScene.h"
#include "engine/script/KaLuaGUI.h"
#include "game/characters/CarriedObjects.h"
#include "game/scene/SceneGeometryFile.h"

class Billboard;
class Character;
class CharactersShadow;
class KaFreeMoveZone;
class KaLayout;
class KaLuaScript;
class KaPickMesh2;
class KaSpriteLayout;
class KaStream;
class Object3D;

// The 3D scene of the game in progress: the pre-rendered background and its
// Lua GUIs, the zone's geometry (cameras, pick meshes, props, walkable zones,
// curves, dummies), the act zones, blockers and lights of the scene, and what
// scripts add while it runs (3D objects, billboards, anchor zones, frame
// callbacks of the background's animations, a wait). One instance lives as
// long as the game; a scene change empties it and fills it again.
class InGameScene : public KaScene {
public:
    struct Object {
        KaIntrusivePtr<KaModel> model;
        KaString type;
    };

    struct HitObject {
        KaIntrusivePtr<KaModel> model;
    };

    struct Dummy {
        KaString name;
        KaVector3f32 position;
        KaQuaternion rotation;
        KaVector3f32 scale;
    };

    // A sprite of the background GUI, watched for the end of its animation.
    struct AnimObject {
        AnimObject(InGameScene& scene, const KaString& name, KaSpriteLayout* sprite);
        ~AnimObject();
        AnimObject(const AnimObject&) = delete;
        AnimObject& operator=(const AnimObject&) = delete;
        bool onFinished();

        InGameScene& scene;
        KaString name;
        KaSpriteLayout* sprite;
    };

    struct AnchorZone {
        KaString name;
        KaVector3f32 screenPoint;
        KaVector3f32 worldPosition;
        float radius = 0.0f;
        bool activated = true;
    };

    struct Callback {
        float frame = 0.0f;
        KaString function;
        bool fired = false;
    };

    // The footstep sounds of a walkable zone.
    struct SoundStep {
        KaString first;
        KaString second;
    };

    // A small animated picture over the background standing for an
    // interaction; its sprite is a child of the For GUI's "background".
    struct KaMarker {
        KaString name;
        KaString interaction;
    };

    // The scene's 3D objects as the props characters may carry.
    class Props : public CarriedObjects {
    public:
        explicit Props(const InGameScene& scene)
            : mScene(scene)
        {
        }
        unsigned long carriedCount() const override;
        bool carried(unsigned long index, Carried& carried) const override;

    private:
        const InGameScene& mScene;
    };

    InGameScene();
    ~InGameScene() override;

    // Where the scene's own files are: "scenes/" + zone + "/" + scene.
    void setLocation(const KaString& zone, const KaString& scene);
    const KaString& zoneName() const { return mZoneName; }
    const KaString& sceneName() const { return mSceneName; }
    KaPath sceneFolder() const;
    // The script that the scene's events run in (the game's scene script);
    // null: events go nowhere.
    void setScript(KaLuaScript* script);
    KaLuaScript* script() const { return mScript; }

    // Loads act zones, lights and the geometry file. The geometry file is
    // read and checked whole before the scene on screen is let go: when it
    // cannot be opened or read, false, one console line, and the previous
    // geometry stays.
    bool load(const KaPath& geometryPath) override;
    void close() override;
    void update() override;
    void draw() override;
    virtual void drawPath();

    // A camera of the geometry file as the scene uses it, on a viewport of
    // that size.
    static KaIntrusivePtr<KaCamera> sceneCamera(
        const SceneGeometryFile::Camera& record, unsigned int width, unsigned int height);

    KaPath getActZoneFileName() const;
    KaPath getLightsFileName() const;
    KaPath getBlockersFileName() const;
    void loadBlockers();
    void loadLights();
    KaLight* shadowLight();

    void reset();
    void freeGeometry();
    void freeSceneObjects();

    bool loadBackground(const KaPath& path);
    bool loadInteractions(const KaPath& path);
    bool loadMarkers(const KaPath& path);
    void unloadSpritelayouts();
    KaLayout* background() const;
    // Whether the player's model ("Mira") is among the scene's models.
    bool findMira();
    // Puts the player's model and its foot shadows back among the scene's
    // models (a scene change emptied them).
    void appendPlayerModels();
    // The path of the last click that walked the player.
    const KaIntrusivePtr<KaBezierCurve>& clickPath() const { return mClickPath; }
    void setClickPath(const KaIntrusivePtr<KaBezierCurve>& path) { mClickPath = path; }
    KaLuaGUI& backgroundGui() { return mBackgroundGui; }
    KaLuaGUI& interactionsGui() { return mInteractionsGui; }
    KaLuaGUI& markersGui() { return mMarkersGui; }

    bool onMainWindowSizeChanged();
    void initScroll();
    void updateScroll();

    // The wait of the script function Wait: "OnWaitFinished" is raised by the
    // first update after the given time has passed since this call.
    void wait(double seconds);
    bool waiting() const { return mWaitDuration >= 0.0; }

    void addAnchorZone(const KaString& kind, const KaString& name, float radius);
    void activateAnchorZone(const KaString& name, bool activated);

    void addCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame);
    void deleteCallback(const KaString& sprite, const KaString& function, float frame);
    void deleteAllCallback();

    static float angularDistance(float a, float b);

    // The characters of the scene. The player is not among the others.
    // setPlayer hands over a player the caller keeps owning; the player
    // loadPlayerCharacter makes is the scene's.
    void setPlayer(Character* player)
    {
        mPlayer = player;
        mOwnsPlayer = false;
    }
    Character* player() const { return mPlayer; }
    KaArray<Character*>& characters() { return mCharacters; }
    const KaIntrusivePtr<KaModel>& playerModel() const { return mPlayerModel; }

    // The player, else the first other character, whose model has that name.
    Character* character(const KaString& name);
    bool loadCharacter(const KaString& name);
    // With a player already there, only shows it: the name is not used.
    bool loadPlayerCharacter(const KaString& name, bool flag);
    // The player and every other character of that model name leave the
    // scene at once and are deleted at the end of the frame.
    void unloadCharacter(const KaString& name);
    // A character other than the player walks a scene curve, shifted by its
    // settings' cut-scene offset; nothing while player moves are disabled.
    void moveCharacterTo(const KaString& name, const KaString& curve, const float& offset, const float& speed);
    // Puts a character on the ground of a walkable zone, seen from the
    // current camera.
    void setPositionCharacter(const KaString& name, const KaString& zone, KaVector3f32 position);
    // The game's flag: while it is set, scripts do not walk characters.
    void setPlayerMoveDisabled(bool disabled) { mPlayerMoveDisabled = disabled; }
    bool playerMoveDisabled() const { return mPlayerMoveDisabled; }
    // Emitted when the scene's objects are let go, before the scene unloads
    // what characters are left itself: the game unloads its characters
    // there, with the connections it made to them.
    KaSignal0Param onUnloadCharacters;
    const Props& props() const { return mProps; }

    // Whether the player stands within the zone's ground radius.
    bool aroundAnchorZone(const AnchorZone* zone) const;
    // The head's turn towards a point: about the vertical axis from the
    // character's facing, and up or down from its head's height.
    static float getHeadHorizontalRotation(Character* character, KaVector3f32 point);
    static float getHeadVerticalRotation(Character* character, KaVector3f32 point);

    // Selects the scene's camera ("Camera" + scene), with the fixed
    // corrections two scenes of the original data need.
    void selectSceneCamera(const KaString& scene);

    // 3D objects loaded by scripts.
    Object3D* object3D(const KaString& name) const;
    bool loadObject(const KaString& name);
    void unloadObject(const KaString& name);
    void unloadAllObjects();

    Billboard* billboard(const KaString& name) const;
    bool loadBillboard(const KaString& name);

    // Lookups of the geometry.
    KaIntrusivePtr<KaBezierCurve> curve(const KaString& name) const;
    KaFreeMoveZone* pathZone(const KaString& name) const;
    Dummy dummy(const KaString& name) const;
    // Index of the first geometry object of that model name, else -1.
    int object(const KaString& name) const;

    // Footstep sounds by walkable-zone name, kept from scene to scene.
    void setStep(KaString zone, const KaString& first, const KaString& second);
    SoundStep findSoundStep(KaString zone) const;

    // Names of objects a click does not walk the player to; a name may be
    // added more than once and is removed with all its copies.
    void addBlockingObject(const KaString& name);
    void removeBlockingObject(const KaString& name);
    bool isObjectBlocking(const KaString& name) const;
    const KaArray<KaString>& blockingObjects() const { return mBlockingObjectNames; }

    // Geometry objects and the background picture.
    bool showAllObjects(const KaString& text);
    // Textures every typed geometry object whose name contains dir with
    // dir + "/" + type + ".png" beside the geometry file.
    bool loadObjectMaterials(const KaString& dir);
    bool loadObjectMaterials(const KaString& dir, const KaString& objectName);
    bool changeBackground(const KaString& path);

    // Markers. Their pictures hang under the "background" layout of the
    // game's For GUI (null: no markers can be shown).
    void setForGui(KaLuaGUI* gui) { mForGui = gui; }
    KaLuaGUI* forGui() const { return mForGui; }
    // Whether new markers start visible (the game's marker switch).
    void setMarkersVisible(bool visible) { mMarkersVisible = visible; }
    bool addMarker(const KaString& name, const KaString& image, float x, float y, const KaString& positionType,
        const KaString& interaction);
    KaMarker* findMarker(const KaString& name);
    KaMarker* findMarkerByInt(const KaString& interaction);
    bool isMarker(const KaString& name);
    void setImagePathMarker(const KaString& name, const KaString& image);
    void deleteMarker(const KaString& name);
    void setVisibleMarker(const KaString& name, bool visible);
    bool isVisibleMarker(const KaString& name);
    KaString imagePathMarker(const KaString& name);
    KaVector3f32 positionMarker(const KaString& name);
    void setPositionMarker(const KaString& name, KaVector2f32& position);
    void saveMarkers() { }
    void updateViewport() { }
    const KaArray<KaMarker>& markers() const { return mMarkers; }
    const KaArray<KaSpriteLayout*>& markerSprites() const { return mMarkerSprites; }
    // The largest 4:3 rectangle in the main window.
    KaVector2f32 boundLayerSize();
    // The size of the background picture's "root" sprite; the window's
    // without one.
    KaVector2f32 layerSize();

    const KaString& geometryPath() const { return mGeometryPath; }
    const KaVector2f32& windowSize() const { return mWindowSize; }
    const KaArray<AnimObject*>& animObjects() const { return mAnimObjects; }
    const std::map<KaString, KaArray<Callback*>>& callbacks() const { return mCallbacks; }
    const KaArray<Object>& objects() const { return mObjects; }
    const KaArray<HitObject>& hitObjects() const { return mHitObjects; }
    const KaArray<KaPickMesh2*>& pickMeshes() const { return mPickMeshes; }
    const KaArray<KaFreeMoveZone*>& walkableZones() const { return mWalkableZones; }
    const KaArray<KaIntrusivePtr<KaBezierCurve>>& curves() const { return mCurves; }
    const KaArray<Dummy>& dummies() const { return mDummies; }
    const KaArray<Object3D*>& objects3D() const { return mObjects3D; }
    const KaArray<Billboard*>& billboards() const { return mBillboards; }
    KaArray<KaBlocker>& blockers() { return mBlockers; }
    KaArray<KaRectBlocker>& rectBlockers() { return mRectBlockers; }
    KaArray<KaActZone>& actZones() { return mActZones; }
    KaArray<KaLight>& lights() { return mLights; }
    const KaArray<AnchorZone*>& anchorZones() const { return mAnchorZones; }
    const KaArray<KaIntrusivePtr<KaModel>>& shadowReceivingModels() const { return mShadowReceivingModels; }
    int shadowSourceLightIndex() const { return mShadowSourceLight; }
    float shadowFov() const { return mShadowFov; }
    float shadowNearPlane() const { return mShadowNearPlane; }
    float shadowFarPlane() const { return mShadowFarPlane; }
    const KaColor& shadowColor() const { return mShadowColor; }
    // Made by load, gone with the geometry: null without a scene.
    CharactersShadow* charactersShadow() const { return mCharactersShadow; }

private:
    void build(SceneGeometryFile& file);
    void converPathToMesh(KaFreeMoveZone* zone);
    void clearLights();
    void raiseFinishedAnim(const KaString& sprite);
    void updateHeads();
    static void lookAtCharacter(Character* character);
    void updateCallbacks();
    void updateWait();
    void updateTimedMoves();
    // What a character needs of the scene to play and walk in it.
    void adopt(Character* character);
    void appendCharacterModels(Character* character);
    KaIntrusivePtr<KaBezierCurve> mClickPath;
    // Lets go of a character's animation and callbacks and takes its models
    // out of the scene now: it is deleted at the end of the frame, when this
    // scene may be gone (when the scene owns it).
    void release(Character* character, bool owned);
    void unloadRemainingCharacters();
    KaLayout* markerLayer() const;
    // The marker layer's sprites of that name, in order.
    KaArray<KaSpriteLayout*> markerSpritesNamed(const KaString& name) const;
    KaVector3f32 markerPosition(float x, float y, const KaString& positionType) const;
    static void playEndlessly(KaSpriteLayout* sprite);
    bool loadObjectMaterial(const Object& object, const KaString& dir);

    KaString mZoneName;
    KaString mSceneName;
    KaLuaScript* mScript = nullptr;

    KaArray<AnimObject*> mAnimObjects;
    std::map<KaString, KaArray<Callback*>> mCallbacks;
    double mWaitDuration = -1.0;
    KaTimer mWaitTimer;
    KaVector2f32 mWindowSize;
    KaString mGeometryPath;
    KaLuaGUI mBackgroundGui;
    KaLuaGUI mMarkersGui;
    KaLuaGUI mInteractionsGui;
    KaArray<Object> mObjects;
    KaArray<KaString> mBlockingObjectNames;
    KaArray<KaFreeMoveZone*> mWalkableZones;
    KaArray<HitObject> mHitObjects;
    KaArray<KaIntrusivePtr<KaBezierCurve>> mCurves;
    KaArray<Dummy> mDummies;
    KaArray<KaPickMesh2*> mPickMeshes;
    KaArray<Character*> mCharacters;
    KaArray<Object3D*> mObjects3D;
    KaArray<Billboard*> mBillboards;
    KaArray<KaBlocker> mBlockers;
    KaArray<KaRectBlocker> mRectBlockers;
    KaArray<KaActZone> mActZones;
    KaArray<KaLight> mLights;
    KaArray<AnchorZone*> mAnchorZones;
    int mShadowSourceLight = -1;
    float mShadowFov = 20.0f;
    float mShadowNearPlane = 1.0f;
    float mShadowFarPlane = 1000.0f;
    KaColor mShadowColor;
    KaArray<KaIntrusivePtr<KaModel>> mShadowReceivingModels;
    CharactersShadow* mCharactersShadow = nullptr;
    Character* mPlayer = nullptr;
    bool mOwnsPlayer = false;
    KaIntrusivePtr<KaModel> mPlayerModel;
    std::map<KaString, SoundStep> mSoundSteps;
    KaArray<KaMarker> mMarkers;
    KaArray<KaSpriteLayout*> mMarkerSprites;
    KaLuaGUI* mForGui = nullptr;
    bool mMarkersVisible = false;
    bool mPlayerMoveDisabled = false;
    Props mProps { *this };
    KaVector2f32 mScroll;
    KaVector2f32 mLayerSize;
};

KA_RELOCATABLE(InGameScene::Object);
KA_RELOCATABLE(InGameScene::HitObject);
KA_RELOCATABLE(InGameScene::Dummy);
KA_RELOCATABLE(InGameScene::KaMarker);

#endif
