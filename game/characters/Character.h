#ifndef CHARACTER_H
#define CHARACTER_H

#include <map>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"
#include "engine/world/KaBezierCurve.h"

class CarriedObjects;
class KaFreeMoveZone;
class KaLuaScript;
class KaScene;
class TiXmlElement;

// One animated person of a scene: a skinned model built from its record in
// "models/ModelsSettings.xml", playing and blending skeletal animations from
// "models/Anims/" through a class-wide cache of loaded files. When a
// non-walking animation ends, the root bone's displacement is committed to
// the model's position; during walk and idle animations the root bone is
// held still, so that only the walk moves the character. The bone update
// also turns the head, lays the two foot shadows on the ground and places the
// props the character carries. Lua functions of the game's scene script can
// be run at chosen frames of an animation.
//
// The character is itself an animation: walking along a curve runs as its
// update.
//
// What it needs of the scene is given to it: the scene whose model list
// holds its models (and whose camera the head turning applies), the scene
// script, whether it is the player, and the props that may ride on it. The
// sounds it asks for go out through onPlaySound: the game plays them once on
// its "sfx" channel.
//
// The animation cache shares one animation object between all characters
// that play the same file: starting it on a second character restarts it and
// binds it to that character's model for the first one too.
//
// Main thread only.
class Character : public KaAnimation {
public:
    // The four parts of a walk type, as the settings number them.
    enum WalkPart {
        start = 0,
        loop = 1,
        // Stopping when the walk ends in the first half of a loop cycle.
        endG = 2,
        // Stopping in the second half; its length is also the stopping
        // length every walk plans for.
        endD = 3,
    };
    static constexpr unsigned int mWalkPartCount = 4;

    // One walk type ("Walk", "Jog"...): the animation file of each part
    // (below "models/Anims/") and its step frames, -1 when not given.
    struct MoveFiles {
        struct Part {
            KaPath file;
            int stepLeft = -1;
            int stepRight = -1;
        };
        KaString name;
        Part parts[mWalkPartCount];
    };

    struct CharacterSettings {
        struct Walk {
            KaArray<MoveFiles> walkTypes;
            // The idle animation.
            KaPath animationFileName;
            float speed = 0.0f;
        };
        struct Face {
            KaString name;
            KaString eyes;
            KaString mouth;
        };
        struct Body {
            KaString name;
            KaString text;
        };

        CharacterSettings();
        CharacterSettings(const CharacterSettings& other);
        CharacterSettings& operator=(const CharacterSettings& other);

        // Relative to "models/".
        KaPath modelFileName;
        Walk walk;
        // Added to the points of a scene curve the character walks.
        KaVector3f32 cutSceneCurveDemi;
        KaVector3f32 defaultScale;
        KaArray<Face> faces;
        KaArray<Body> bodies;
    };

    // A Lua function run when an animation passes a frame.
    struct Callback {
        int frame = 0;
        // The frame seen at the previous check: below any frame at first,
        // so that a callback added at its frame's animation start runs.
        int lastFrame = -1;
        KaString function;
        // How many runs at most; -1: every pass.
        int times = -1;
        int counter = 0;
    };

    struct animCacheElement {
        KaIntrusivePtr<KaModelAnimation> animation;
        unsigned int fileSize = 0;
    };

    // The bytes of animation files the cache keeps loaded; the file that
    // crosses the bound is kept all the same.
    static constexpr unsigned int mAnimCacheLimit = 4194304;
    // The walk type characters start in.
    static const char* defaultWalkMode() { return "Walk"; }

    Character();
    ~Character() override;

    // The settings table, read whole: the previous one is emptied first.
    // False (the table empty) when the file cannot be read or has no
    // "ModelsSettings" root.
    static bool loadSettings(const KaPath& path);
    // Fills walk from a "walk" element; false only for a null element.
    static bool deserialize(const TiXmlElement* element, CharacterSettings::Walk& walk);
    static const std::map<KaString, CharacterSettings>& charactersSettings() { return mCharactersSettings; }

    // Builds the model of that settings record, plays its idle animation and
    // makes the two foot shadows. False when the record is missing or the
    // model file does not load: the character keeps an empty model.
    bool loadModel(const KaString& name, bool unused);

    // Plays "models/Anims/" + name. False, with nothing changed, for an
    // empty name or a file that cannot be read. returnToIdle (with repeat
    // false) hands over to the idle animation when this one ends.
    bool setAnimation(const KaString& name, bool repeat = true, bool returnToIdle = false, bool unused = false,
        int startFrame = -1, int endFrame = 9999);
    // The same as a cross-fade over amount seconds, without frame limits.
    bool blendAnimation(const KaString& name, float amount, bool repeat = true, bool returnToIdle = false);
    void removeAnim();
    void deleteAnim();

    // The cache (most recently used first). Loads a path it does not hold;
    // null, with nothing cached, when the file cannot be read.
    static KaIntrusivePtr<KaModelAnimation> animCacheLoad(const KaPath& path);
    static void animCacheFreeAll();
    static void animCacheFreeOldest();
    static const KaArray<animCacheElement>& animCache() { return mAnimCache; }
    static unsigned int animCacheSize() { return mAnimCacheSize; }

    static KaString rootBone() { return "Pere"; }
    // The root bone's transform at a frame, its translation, and the
    // translation's z; identity when the animation has no root bone.
    static KaTRS trsFromAnim(const KaModelAnimation& animation, unsigned long frame);
    static KaVector3f32 translationVectorFromAnim(const KaModelAnimation& animation, unsigned long frame);
    static float translationFromAnim(const KaModelAnimation& animation, unsigned long frame);
    // The root's z displacement from the first frame to min(lastFrame, the
    // animation's last frame), plus one frame's step.
    static float animLength(const KaModelAnimation& animation, unsigned long bone, unsigned long lastFrame);
    // animLength of the named animation's root, times the model's z scale;
    // frames := its frame count. The current animation serves when its path
    // contains the name, else the cache loads it.
    float animLengthFromFile(const KaString& name, unsigned int& frames, unsigned long lastFrame);

    // Walk types: the current one is named by the walk mode.
    void walkMode(const KaString& mode);
    const KaString& walkMode() const { return mWalkMode; }
    const MoveFiles* getCurrentWalkFiles() const;
    // The file of that part of the current walk type; empty without one.
    KaString walkAnim(WalkPart part) const;
    unsigned int rightStepFrame(WalkPart part) const;
    unsigned int leftStepFrame(WalkPart part) const;

    // Connected to the current animation's end: commits its root motion,
    // reports the end and hands over to the idle animation when asked.
    bool onModelAnimationFinished();
    // Connected to the model's per-bone signal.
    bool onBonesUpdate(KaString& bone, KaMatrix4x4& matrix);

    // Frame callbacks, by the animation they name (its name as setAnimation
    // takes it).
    void addCallback(const KaString& animation, const KaString& function, float frame, float times);
    // The callbacks of that animation (the current one when the name is
    // empty): all of them for an empty function, else those running that
    // function (at that frame, unless frame is -1).
    void deleteCallback(const KaString& animation, const KaString& function, float frame);
    void deleteAllCallback();
    const std::map<KaString, KaArray<Callback*>>& callbacks() const { return mCallbacks; }

    // Once per frame while the model has an animation: the frame callbacks,
    // then the step sounds of the stair animations.
    void permanentUpdate();
    void updateAnimFrame();
    bool isFramePassed(unsigned int frame) const;

    void setStepSound(const KaPath& first, const KaPath& second);
    const KaPath& stepSound(unsigned int index) const { return mStepSounds[index < 2 ? index : 1]; }
    void setAnimationSound(const KaString& file, unsigned int frame);
    const KaPath& animationSound() const { return mAnimationSound; }
    unsigned int animationSoundFrame() const { return mAnimationSoundFrame; }
    bool animationSoundPlayed() const { return mAnimationSoundPlayed; }
    void setShadowVisible(bool visible);
    void setFreeMoveZone(KaFreeMoveZone* zone) { mFreeMoveZone = zone; }
    KaFreeMoveZone* freeMoveZone() const { return mFreeMoveZone; }
    // The point on the walkable zone (keeping the model's height when the
    // zone has no ground there); the point itself without a zone.
    KaVector3f32 correctPosition(KaVector3f32 position);

    // Walking. The character walks along a curve by the distance its root
    // bone travels in the playing walk animation, scaled so that the planned
    // start, loop cycles and stop cover the curve: the feet never slide.
    // walkTo() plans and plays this animation; each update() is one step of
    // the walk with the milliseconds since it started. Callers first set the
    // zone, the position offset, the curve and the curve offset and play the
    // start part (the loop when there is none).
    void placeOnCurve(const KaIntrusivePtr<KaBezierCurve>& curve);
    const KaIntrusivePtr<KaBezierCurve>& curve() const { return mCurve; }
    void removeFromCurve() { mCurve = nullptr; }
    void setCurveOffset(float offset);
    float curveOffset() const { return mCurveOffset; }
    // Added to every curve point (a scene curve walked by a character whose
    // settings shift it).
    void setPositionOffset(const KaVector3f32& offset) { mPositionOffset = offset; }
    const KaVector3f32& positionOffset() const { return mPositionOffset; }
    // The model to the curve point at that parameter, on the ground of the
    // walkable zone when there is one; nothing without curve points.
    void updatePosition(float param);
    // Plans the walk from the curve offset to endParam and starts it.
    // noEndAnim: the walk ends without a stopping animation.
    void walkTo(float endParam, bool noEndAnim);
    void update(double milliseconds) override;
    // Ends the walk: reports it through onFinished (once per call), then
    // stops. The player goes back to walking rather than running.
    void endMove();
    // Whether the playing animation is a stopping part of some walk type.
    bool isWalkEnd() const;
    // Whether the playing animation is any part of some walk type: the
    // character is on its way somewhere.
    bool isWalking() const;
    // The root's z travel since the previous sample of the animation the
    // model plays (the one blended in last), times the model's z scale.
    float speedFromAnim(double milliseconds);

    // The walkable zone's path from where the model stands to the zone point
    // under a screen point, or to a world point; null ("no path") when there
    // is none, and always without a zone.
    KaIntrusivePtr<KaBezierCurve> pathTo(const KaVector2s32& screen);
    KaIntrusivePtr<KaBezierCurve> pathTo(const KaVector3f32& to);

    float curveParam() const { return mCurveParam; }
    float walkedDistance() const { return mWalkedDistance; }
    float targetDistance() const { return mTargetDistance; }
    float endParam() const { return mEndParam; }
    float curveLength() const { return mCurveLength; }
    // Counted from the start of the walk: where the stopping animation
    // starts.
    unsigned int endFrame() const { return mEndFrame; }
    // Curve length per unit of animation displacement.
    float speedRatio() const { return mSpeedRatio; }
    bool endOnD() const { return mEndOnD; }
    bool noEndAnim() const { return mNoEndAnim; }
    void setNoEndAnim(bool noEndAnim) { mNoEndAnim = noEndAnim; }

    // What the game keeps of a walk it was asked for; the walk itself does
    // not read them.
    bool walkRequest() const { return mWalkRequest; }
    void setWalkRequest(bool request) { mWalkRequest = request; }
    const KaVector3f32& requestedDestination() const { return mRequestedDestination; }
    void setRequestedDestination(const KaVector3f32& destination) { mRequestedDestination = destination; }
    const KaString& zoneName() const { return mZoneName; }
    void setZoneName(const KaString& name) { mZoneName = name; }

    // What the character is given of the scene.
    void setScene(KaScene* scene) { mScene = scene; }
    KaScene* scene() const { return mScene; }
    void setScript(KaLuaScript* script) { mScript = script; }
    KaLuaScript* script() const { return mScript; }
    void setPlayer(bool player) { mPlayer = player; }
    bool isPlayer() const { return mPlayer; }
    void setCarriedObjects(const CarriedObjects* objects) { mCarriedObjects = objects; }

    KaIntrusivePtr<KaModel>& model() { return mModel; }
    const CharacterSettings& settings() const { return mSettings; }
    KaIntrusivePtr<KaModelAnimation>& curModelAnim() { return mCurModelAnim; }
    const KaString& curAnimName() const { return mCurAnimName; }
    const KaString& returnAnimName() const { return mReturnAnimName; }
    bool returnToIdle() const { return mReturnToIdle; }
    bool notWalkAnim() const { return mNotWalkAnim; }
    int lastRootFrame() const { return mLastRootFrame; }
    void setLastRootFrame(int frame) { mLastRootFrame = frame; }
    unsigned int lastAnimFrame() const { return mLastAnimFrame; }
    KaIntrusivePtr<KaModel>& shadowPlane(unsigned int index) { return mShadowPlanes[index < 2 ? index : 1]; }

    bool headLookAt() const { return mHeadLookAt; }
    void setHeadLookAt(bool lookAt) { mHeadLookAt = lookAt; }
    // Horizontal, vertical; radians.
    KaVector2f32 headTargetAngles() const { return KaVector2f32(mHeadTargetAngles[0], mHeadTargetAngles[1]); }
    void setHeadTargetAngles(float horizontal, float vertical);
    KaVector2f32 headAngles() const { return KaVector2f32(mHeadAngles[0], mHeadAngles[1]); }
    void setHeadAngles(float horizontal, float vertical);
    const KaVector3f32& headPosition() const { return mHeadPosition; }
    // The character this one keeps its eyes on (null: none); raised, it
    // looks 17 units above that character's feet.
    void setLookAtCharacter(Character* character, bool raised)
    {
        mLookAtCharacter = character;
        mLookAtRaised = raised;
    }
    Character* lookAtCharacter() const { return mLookAtCharacter; }
    bool lookAtRaised() const { return mLookAtRaised; }
    bool recallageY() const { return mRecallageY; }
    void setRecallageY(bool on) { mRecallageY = on; }

    // Lengths and frame counts of the current walk type's start, loop and
    // endD parts.
    float startLength() const { return mStartLength; }
    unsigned int startFrames() const { return mStartFrames; }
    float loopLength() const { return mLoopLength; }
    unsigned int loopFrames() const { return mLoopFrames; }
    float endLength() const { return mEndLength; }
    unsigned int endFrames() const { return mEndFrames; }

    // A non-player character's animation ended: its model's name.
    KaSignal1Param<const KaString&> onCharacterAnimationFinished;
    // The player's animation ended: the animation's path.
    KaSignal1Param<const KaString&> onCharacterAnimationPlayerFinished;
    // A sound to play once (a path below "sounds/").
    KaSignal1Param<const KaString&> onPlaySound;

private:
    bool playAnimation(const KaString& name, bool blend, float amount, bool repeat, bool returnToIdle,
        int startFrame, int endFrame);
    void dropCurrentAnimation();
    // Whether the animation of that path is one the character walks or
    // idles with, so that its root stays still.
    bool isWalkAnimation(const KaPath& path) const;
    // The animation the model is going to: the last one being blended in,
    // else its current one (null when it has none).
    KaModelAnimation* leadingAnimation() const;
    bool isWalkPartOrIdle(const KaString& name) const;
    void commitRootMotion(KaModelAnimation& animation);
    void turnHead(KaMatrix4x4& matrix);
    void placeShadow(KaModel& plane, const KaMatrix4x4& matrix);
    void placeCarriedObjects(const KaString& bone, const KaMatrix4x4& matrix);
    void removeFromScene(KaIntrusivePtr<KaModel>& model);
    void deleteCallbacks(KaArray<Callback*>& list, const KaString& function, int frame);
    // The walk's own handover when one of its parts ends and nobody else
    // moved on: start to loop, and stop to idle with the walk's end.
    void continueWalk(const KaModelAnimation& ended);
    void planStop(float curveLength, float plannedEnd, float& divisor);
    // Steps of `step` along the curve parameter until the walked distance
    // reaches the target or the curve ends; the last step is taken back when
    // undoLast is set. previous: the point walked from, then the last one.
    void stepAlongCurve(float step, bool undoLast, KaVector3f32& previous, bool& moved);
    void faceAlongCurve(float turn);

    static KaPath animationPath(const KaString& name);

    KaIntrusivePtr<KaModel> mModel;
    CharacterSettings mSettings;
    KaIntrusivePtr<KaModelAnimation> mCurModelAnim;
    KaString mCurAnimName;
    KaString mReturnAnimName;
    bool mReturnToIdle;
    bool mNotWalkAnim;
    int mLastRootFrame;
    unsigned int mLastAnimFrame;
    KaIntrusivePtr<KaModel> mShadowPlanes[2];
    bool mHeadLookAt;
    float mHeadTargetAngles[2];
    float mHeadAngles[2];
    KaVector3f32 mHeadPosition;
    Character* mLookAtCharacter = nullptr;
    bool mLookAtRaised = false;
    bool mRecallageY;
    KaFreeMoveZone* mFreeMoveZone;
    std::map<KaString, KaArray<Callback*>> mCallbacks;
    bool mCallbacksInterrupted;
    KaPath mAnimationSound;
    unsigned int mAnimationSoundFrame;
    bool mAnimationSoundPlayed;
    KaPath mStepSounds[2];

    KaString mWalkMode;
    float mStartLength;
    unsigned int mStartFrames;
    float mLoopLength;
    unsigned int mLoopFrames;
    float mEndLength;
    unsigned int mEndFrames;

    KaIntrusivePtr<KaBezierCurve> mCurve;
    float mCurveOffset;
    float mCurveParam;
    float mWalkedDistance;
    float mTargetDistance;
    float mEndParam;
    KaVector3f32 mPositionOffset;
    float mCurveLength;
    unsigned int mEndFrame;
    float mSpeedRatio;
    bool mEndOnD;
    bool mNoEndAnim;
    // Nothing in the animations can carry this walk: it arrives at once.
    bool mNoRootMotion;
    bool mWalkRequest;
    KaVector3f32 mRequestedDestination;
    KaString mZoneName;

    KaScene* mScene;
    KaLuaScript* mScript;
    bool mPlayer;
    const CarriedObjects* mCarriedObjects;

    static std::map<KaString, CharacterSettings> mCharactersSettings;
    static KaArray<animCacheElement> mAnimCache;
    static unsigned int mAnimCacheSize;
};

KA_RELOCATABLE(Character::MoveFiles);
KA_RELOCATABLE(Character::CharacterSettings::Face);
KA_RELOCATABLE(Character::CharacterSettings::Body);
KA_RELOCATABLE(Character::animCacheElement);

#endif
