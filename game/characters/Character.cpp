#include "game/characters/Character.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <tinyxml.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaCamera.h"
#include "engine/maths/KaMaths.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/scene/KaScene.h"
#include "engine/script/KaLuaScript.h"
#include "game/application/Application.h"
#include "game/characters/CarriedObjects.h"

std::map<KaString, Character::CharacterSettings> Character::mCharactersSettings;
KaArray<Character::animCacheElement> Character::mAnimCache;
unsigned int Character::mAnimCacheSize = 0;

namespace {

// The element names of the walk parts, by WalkPart.
const char* const gWalkPartElements[Character::mWalkPartCount] = { "start", "loop", "endG", "endD" };

const char* const gStairDownAnimation = "mi_esc_b";
const char* const gStairUpAnimation = "mi_esc_h";

// The head turns back to rest by this much per pose.
const float gHeadReturnStep = 0.1f;

// The loop frames on which the player's "Walk" puts a foot down: its stops
// start on one of them.
const int gLeftStepFrame = 13;
const int gRightStepFrame = 29;
const float gPi = 3.1415927f;
// The cross-fade into the idle animation when a walk ends without a stop.
const float gIdleBlendSeconds = 0.0667f;
// What the coarse pass of a walk step covers, in the curve's sampling steps.
const float gCoarseSteps = 4.0f;

float groundDistance(const KaVector3f32& a, const KaVector3f32& b)
{
    const float dx = a.x - b.x;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dz * dz);
}

KaString elementText(const TiXmlElement* element)
{
    const char* text = element ? element->GetText() : nullptr;
    return KaString(text ? text : "");
}

KaString attributeText(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return KaString(value ? value : "");
}

int stepFrame(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value ? atoi(value) : -1;
}

void stepTowardsZero(float& angle)
{
    const float step = angle > 0.0f ? -gHeadReturnStep : gHeadReturnStep;
    if (KaAbs(step) > KaAbs(angle))
        angle = 0.0f;
    else
        angle += step;
}

} // namespace

// ---------------------------------------------------------------------------
// Settings

Character::CharacterSettings::CharacterSettings() = default;

Character::CharacterSettings::CharacterSettings(const CharacterSettings& other) = default;

Character::CharacterSettings& Character::CharacterSettings::operator=(const CharacterSettings& other) = default;

bool Character::loadSettings(const KaPath& path)
{
    mCharactersSettings.clear();
    TiXmlDocument document;
    const bool loaded
        = KaXMLLoad(KaBaseFile::getRealPath(path, KaPath()), document, "[Character::loadSettings]");
    KaXMLFreeBuffer();
    if (!loaded)
        return false;
    const TiXmlElement* root = document.FirstChildElement("ModelsSettings");
    if (!root)
        return false;

    for (const TiXmlElement* model = root->FirstChildElement(); model; model = model->NextSiblingElement()) {
        if (model->ValueStr() != "Model")
            continue;
        CharacterSettings settings;
        for (const TiXmlElement* child = model->FirstChildElement(); child; child = child->NextSiblingElement()) {
            const std::string& tag = child->ValueStr();
            if (tag == "modelFileName") {
                settings.modelFileName = elementText(child);
            } else if (tag == "defaultScale") {
                KaVector3f32::deserialize(child, settings.defaultScale);
            } else if (tag == "walk") {
                deserialize(child, settings.walk);
            } else if (tag == "cutSceneCurveDemi") {
                if (const TiXmlElement* position = child->FirstChildElement("position"))
                    KaVector3f32::deserialize(position, settings.cutSceneCurveDemi);
            } else if (tag == "face") {
                CharacterSettings::Face face;
                face.name = attributeText(*child, "name");
                face.eyes = elementText(child->FirstChildElement("eyes"));
                face.mouth = elementText(child->FirstChildElement("mouth"));
                settings.faces.pushBack(face);
            } else if (tag == "body") {
                CharacterSettings::Body body;
                body.name = attributeText(*child, "name");
                body.text = elementText(child);
                settings.bodies.pushBack(body);
            }
        }
        mCharactersSettings[attributeText(*model, "name")] = settings;
    }
    return true;
}

bool Character::deserialize(const TiXmlElement* element, CharacterSettings::Walk& walk)
{
    if (!element)
        return false;
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::string& tag = child->ValueStr();
        if (tag == "animationFileName") {
            walk.animationFileName = elementText(child);
        } else if (tag == "speed") {
            elementText(child).scan("%f", &walk.speed);
        } else if (tag == "walkType") {
            MoveFiles type;
            type.name = attributeText(*child, "name");
            for (const TiXmlElement* part = child->FirstChildElement(); part; part = part->NextSiblingElement()) {
                for (unsigned int p = 0; p < mWalkPartCount; ++p) {
                    if (part->ValueStr() != gWalkPartElements[p])
                        continue;
                    type.parts[p].file = attributeText(*part, "file");
                    type.parts[p].stepLeft = stepFrame(*part, "stepLeft");
                    type.parts[p].stepRight = stepFrame(*part, "stepRight");
                }
            }
            walk.walkTypes.pushBack(type);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Life

Character::Character()
    : mModel()
    , mSettings()
    , mCurModelAnim()
    , mCurAnimName()
    , mReturnAnimName()
    , mReturnToIdle(false)
    , mNotWalkAnim(false)
    , mLastRootFrame(-1)
    , mLastAnimFrame(0)
    , mHeadLookAt(false)
    , mHeadTargetAngles { 0.0f, 0.0f }
    , mHeadAngles { 0.0f, 0.0f }
    , mHeadPosition()
    , mRecallageY(true)
    , mFreeMoveZone(nullptr)
    , mCallbacks()
    , mCallbacksInterrupted(false)
    , mAnimationSound()
    , mAnimationSoundFrame(0)
    , mAnimationSoundPlayed(false)
    , mStepSounds { "sounds/SFX/PAS_H_BOIS1.ogg", "sounds/SFX/PAS_H_BOIS2.ogg" }
    , mWalkMode(defaultWalkMode())
    , mStartLength(0.0f)
    , mStartFrames(0)
    , mLoopLength(0.0f)
    , mLoopFrames(0)
    , mEndLength(0.0f)
    , mEndFrames(0)
    , mCurve()
    , mCurveOffset(0.0f)
    , mCurveParam(0.0f)
    , mWalkedDistance(0.0f)
    , mTargetDistance(0.0f)
    , mEndParam(0.0f)
    , mPositionOffset()
    , mCurveLength(0.0f)
    , mEndFrame(0)
    , mSpeedRatio(0.0f)
    , mEndOnD(false)
    , mNoEndAnim(false)
    , mNoRootMotion(false)
    , mWalkRequest(false)
    , mRequestedDestination(-1.0f, -1.0f, -1.0f)
    , mZoneName()
    , mScene(nullptr)
    , mScript(nullptr)
    , mPlayer(false)
    , mCarriedObjects(nullptr)
{
    // The model and the cache may still be running the animation this frame.
    mCurModelAnim.setDeleter(&KaModelAnimation::deleteLater);
}

Character::~Character()
{
    if (mModel) {
        mModel->onBonesUpdate().remove(this, &Character::onBonesUpdate);
        deleteAnim();
        removeFromScene(mModel);
        mModel->removeAnim();
        removeFromScene(mShadowPlanes[0]);
        removeFromScene(mShadowPlanes[1]);
    }
    for (auto& entry : mCallbacks) {
        for (unsigned long i = 0; i < entry.second.size(); ++i)
            delete entry.second[i];
    }
}

void Character::removeFromScene(KaIntrusivePtr<KaModel>& model)
{
    // By identity: other characters' models and shadows share the names.
    if (mScene)
        mScene->removeModelObject(model.get());
}

// ---------------------------------------------------------------------------
// Model

bool Character::loadModel(const KaString& name, bool)
{
    if (mModel)
        mModel->onBonesUpdate().remove(this, &Character::onBonesUpdate);
    mModel = new KaModel();
    mModel->onBonesUpdate().add(this, &Character::onBonesUpdate, 0.0f);

    const auto found = mCharactersSettings.find(name);
    if (found == mCharactersSettings.end())
        return false;
    mSettings = found->second;

    mModel->setTextureFolder("models/Textures");
    mModel->setEnableLights(true);
    if (!mModel->load(KaPath("models/") + mSettings.modelFileName))
        return false;

    mModel->setName(name);
    mModel->setScale(mSettings.defaultScale);
    for (unsigned long m = 0; m < mModel->meshCount(); ++m)
        mModel->mesh(m).setVisible(true);
    mModel->setVisibleByName("_B_", false);
    mModel->setVisibleByName("_Y_", false);
    for (unsigned long f = 0; f < mSettings.faces.size(); ++f) {
        const CharacterSettings::Face& face = mSettings.faces[f];
        if (face.name != "default")
            continue;
        // An absent part names no mesh (an empty name would show them all).
        if (face.eyes.length() != 0)
            mModel->setVisibleByName(face.eyes, true);
        if (face.mouth.length() != 0)
            mModel->setVisibleByName(face.mouth, true);
    }

    setAnimation(mSettings.walk.animationFileName, true, false, false, -1, 9999);
    walkMode(mWalkMode);

    KaIntrusivePtr<Ka3DTexture> shadow
        = resourceManager.get()->getResource<Ka3DTexture>("models/Textures/simple_shadow_alpha.tga");
    KaArray<KaVector3f32> corners;
    corners.pushBack(KaVector3f32(-60.0f, 0.0f, -60.0f));
    corners.pushBack(KaVector3f32(-60.0f, 0.0f, 60.0f));
    corners.pushBack(KaVector3f32(60.0f, 0.0f, -60.0f));
    corners.pushBack(KaVector3f32(60.0f, 0.0f, 60.0f));
    for (KaIntrusivePtr<KaModel>& plane : mShadowPlanes) {
        plane = new KaModel();
        plane->setName("Shadow");
        plane->setQuad(shadow, corners, KaColor(255, 255, 255, 80));
    }
    return true;
}

void Character::setShadowVisible(bool visible)
{
    for (KaIntrusivePtr<KaModel>& plane : mShadowPlanes) {
        if (plane)
            plane->setVisible(visible);
    }
}

KaVector3f32 Character::correctPosition(KaVector3f32 position)
{
    if (!mFreeMoveZone)
        return position;
    bool found = false;
    KaVector3f32 corrected = mFreeMoveZone->correctCharacterPosition(position, &found, true);
    if (!found && mModel)
        corrected.y = mModel->position().y;
    return corrected;
}

// ---------------------------------------------------------------------------
// Playing

KaPath Character::animationPath(const KaString& name) { return KaPath(KaString("models/Anims/") + name); }

bool Character::setAnimation(const KaString& name, bool repeat, bool returnToIdle, bool, int startFrame, int endFrame)
{
    if (name.length() == 0)
        return false;
    return playAnimation(name, false, 0.0f, repeat, returnToIdle, startFrame, endFrame);
}

bool Character::blendAnimation(const KaString& name, float amount, bool repeat, bool returnToIdle)
{
    return playAnimation(name, true, amount, repeat, returnToIdle, -1, 9999);
}

bool Character::playAnimation(const KaString& name, bool blend, float amount, bool repeat, bool returnToIdle,
    int startFrame, int endFrame)
{
    if (!mModel)
        return false;
    KaIntrusivePtr<KaModelAnimation> animation = animCacheLoad(animationPath(name));
    // A file that cannot be read leaves the current animation playing.
    if (!animation)
        return false;

    mNotWalkAnim = !isWalkPartOrIdle(name);
    if (mCurModelAnim) {
        mCurModelAnim->onFinished.remove(this, &Character::onModelAnimationFinished);
        mCurModelAnim->unbind();
    }
    mCurModelAnim = animation;
    mCurModelAnim->reset();
    mCurModelAnim->onFinished.add(this, &Character::onModelAnimationFinished, 0.0f);
    mCurModelAnim->bind(mModel);
    if (blend) {
        mModel->blendAnim(mCurModelAnim, amount, repeat);
    } else {
        mCurModelAnim->setFrameLimits(startFrame, endFrame);
        mModel->setAnim(mCurModelAnim, repeat);
    }
    mLastRootFrame = -1;
    mCurModelAnim->play();

    mCurAnimName = name;
    if (!blend)
        mReturnAnimName = name;
    mReturnToIdle = !repeat && returnToIdle;
    return true;
}

bool Character::isWalkPartOrIdle(const KaString& name) const
{
    if (mSettings.walk.animationFileName.length() != 0 && name.contains(mSettings.walk.animationFileName))
        return true;
    const MoveFiles* walk = getCurrentWalkFiles();
    if (!walk)
        return false;
    for (const MoveFiles::Part& part : walk->parts) {
        if (part.file.length() != 0 && name.contains(part.file))
            return true;
    }
    return false;
}

void Character::dropCurrentAnimation()
{
    if (!mCurModelAnim)
        return;
    mCurModelAnim->stop();
    mCurModelAnim->onFinished.remove(this, &Character::onModelAnimationFinished);
    mCurModelAnim->unbind();
    if (mModel)
        mModel->removeAnim();
    mCurModelAnim = nullptr;
}

void Character::removeAnim() { dropCurrentAnimation(); }

void Character::deleteAnim() { dropCurrentAnimation(); }

// ---------------------------------------------------------------------------
// Animation cache

KaIntrusivePtr<KaModelAnimation> Character::animCacheLoad(const KaPath& path)
{
    for (unsigned long i = 0; i < mAnimCache.size(); ++i) {
        if (mAnimCache[i].animation->name() != path)
            continue;
        if (i > 0) {
            const animCacheElement element = mAnimCache[i];
            mAnimCache.removeAt(i);
            mAnimCache.insert(element, 0);
        }
        KaIntrusivePtr<KaModelAnimation> animation = mAnimCache[0].animation;
        animation->reset();
        return animation;
    }

    animCacheElement element;
    element.animation.setDeleter(&KaModelAnimation::deleteLater);
    element.animation = new KaModelAnimation();
    // The engine has said why; an empty animation is neither kept nor
    // played, so the next request tries the file again.
    if (!element.animation->load(path))
        return KaIntrusivePtr<KaModelAnimation>();
    element.fileSize = static_cast<unsigned int>(KaBaseFile::getFileSize(path));
    while (element.fileSize + mAnimCacheSize > mAnimCacheLimit && !mAnimCache.isEmpty())
        animCacheFreeOldest();
    mAnimCacheSize += element.fileSize;
    mAnimCache.insert(element, 0);
    return element.animation;
}

void Character::animCacheFreeOldest()
{
    if (mAnimCache.isEmpty())
        return;
    mAnimCacheSize -= mAnimCache[mAnimCache.size() - 1].fileSize;
    mAnimCache.removeEnd();
}

void Character::animCacheFreeAll()
{
    while (!mAnimCache.isEmpty())
        mAnimCache.removeEnd();
    mAnimCacheSize = 0;
}

// ---------------------------------------------------------------------------
// Root bone

KaTRS Character::trsFromAnim(const KaModelAnimation& animation, unsigned long frame)
{
    const unsigned long bone = animation.findBone(rootBone());
    if (bone == KaModelAnimation::mNoBone)
        return KaTRS();
    return animation.getTRS(bone, frame, false);
}

KaVector3f32 Character::translationVectorFromAnim(const KaModelAnimation& animation, unsigned long frame)
{
    return trsFromAnim(animation, frame).getTranslation();
}

float Character::translationFromAnim(const KaModelAnimation& animation, unsigned long frame)
{
    return translationVectorFromAnim(animation, frame).z;
}

float Character::animLength(const KaModelAnimation& animation, unsigned long bone, unsigned long lastFrame)
{
    if (bone == KaModelAnimation::mNoBone)
        return 0.0f;
    const unsigned long last = lastFrame < animation.lastFrame() ? lastFrame : animation.lastFrame();
    const unsigned long first = animation.firstFrame();
    const float t0 = animation.getTRS(bone, first, false).getTranslation().z;
    const float t1 = animation.getTRS(bone, first + 1, false).getTranslation().z;
    const float tl = animation.getTRS(bone, last, false).getTranslation().z;
    return (tl - t0) + (t1 - t0);
}

float Character::animLengthFromFile(const KaString& name, unsigned int& frames, unsigned long lastFrame)
{
    frames = 0;
    if (name.length() == 0 || !mModel)
        return 0.0f;
    KaIntrusivePtr<KaModelAnimation> animation;
    if (mCurModelAnim && mCurModelAnim->name().contains(name))
        animation = mCurModelAnim;
    else
        animation = animCacheLoad(animationPath(name));
    if (!animation)
        return 0.0f;
    frames = animation->lastFrame() + 1 - animation->firstFrame();
    return animLength(*animation, animation->findBone(rootBone()), lastFrame) * mModel->scale().z;
}

// ---------------------------------------------------------------------------
// Walk types

void Character::walkMode(const KaString& mode)
{
    mWalkMode = mode;
    mStartLength = animLengthFromFile(walkAnim(start), mStartFrames, 9999);
    mEndLength = animLengthFromFile(walkAnim(endD), mEndFrames, 9999);
    mLoopLength = animLengthFromFile(walkAnim(loop), mLoopFrames, 9999);
}

const Character::MoveFiles* Character::getCurrentWalkFiles() const
{
    const KaArray<MoveFiles>& types = mSettings.walk.walkTypes;
    for (unsigned long i = 0; i < types.size(); ++i) {
        if (types[i].name == mWalkMode)
            return &types[i];
    }
    return nullptr;
}

KaString Character::walkAnim(WalkPart part) const
{
    const MoveFiles* walk = getCurrentWalkFiles();
    return walk ? KaString(walk->parts[part].file) : KaString();
}

unsigned int Character::rightStepFrame(WalkPart part) const
{
    const MoveFiles* walk = getCurrentWalkFiles();
    return walk ? static_cast<unsigned int>(walk->parts[part].stepRight) : 0xFFFFFFFFu;
}

unsigned int Character::leftStepFrame(WalkPart part) const
{
    const MoveFiles* walk = getCurrentWalkFiles();
    return walk ? static_cast<unsigned int>(walk->parts[part].stepLeft) : 0xFFFFFFFFu;
}

bool Character::isWalkAnimation(const KaPath& path) const
{
    const KaPath file = path.fileName();
    if (file == mSettings.walk.animationFileName.fileName())
        return true;
    if (mPlayer) {
        // The player's root stays still in any of its walking and running
        // animations, whichever mode it is in.
        const KaArray<MoveFiles>& types = mSettings.walk.walkTypes;
        for (unsigned long i = 0; i < types.size(); ++i) {
            if (!types[i].name.contains("Walk") && !types[i].name.contains("Jog"))
                continue;
            for (const MoveFiles::Part& part : types[i].parts) {
                if (file == part.file.fileName())
                    return true;
            }
        }
        return false;
    }
    const MoveFiles* walk = getCurrentWalkFiles();
    if (!walk)
        return false;
    for (const MoveFiles::Part& part : walk->parts) {
        if (file == part.file.fileName())
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// End of an animation

bool Character::onModelAnimationFinished()
{
    if (!mModel || !mCurModelAnim)
        return false;
    // Handlers below may start another animation: keep this one.
    KaIntrusivePtr<KaModelAnimation> ended = mCurModelAnim;
    const KaPath path = ended->name();

    bool readjust = true;
    if (application.exists()) {
        const KaArray<KaString>& unreadjusted = application.get()->animationsWithoutReadjustment();
        for (unsigned long i = 0; readjust && i < unreadjusted.size(); ++i)
            readjust = !path.contains(unreadjusted[i]);
    }
    if (readjust && !isWalkAnimation(path))
        commitRootMotion(*ended);

    if (mPlayer)
        onCharacterAnimationPlayerFinished.call(path);
    else
        onCharacterAnimationFinished.call(mModel->name());

    if (mReturnToIdle && path.contains(mReturnAnimName)) {
        mNotWalkAnim = false;
        mReturnToIdle = false;
        setAnimation(mSettings.walk.animationFileName, true, false, false, -1, 9999);
    }
    if (isRunning())
        continueWalk(*ended);
    return false;
}

void Character::commitRootMotion(KaModelAnimation& animation)
{
    const unsigned long last = animation.lastFrame();
    KaVector3f32 t = translationVectorFromAnim(animation, last);
    // The model space is mirrored on x.
    t.x = -t.x;
    const KaMatrix4x4 world = mModel->worldTransformationMatrix();
    KaVector3f32 position;
    if (mRecallageY) {
        if (mFreeMoveZone) {
            position = correctPosition(world * t);
        } else {
            t.y = 0.0f;
            position = world * t;
        }
    } else {
        const unsigned long first = animation.firstFrame();
        const unsigned long beforeLast = last > first ? last - 1 : last;
        t = t - translationVectorFromAnim(animation, first)
            + (translationVectorFromAnim(animation, last) - translationVectorFromAnim(animation, beforeLast));
        position = world * t;
    }
    mModel->setPosition(position);
}

// ---------------------------------------------------------------------------
// Bone update

bool Character::onBonesUpdate(KaString& bone, KaMatrix4x4& matrix)
{
    if (!mModel || !mModel->anim())
        return false;

    if (bone == rootBone()) {
        // During a blend the root follows the animation coming in: a walk
        // blended over a gesture must not carry the gesture's root motion.
        if (isWalkAnimation(leadingAnimation()->name())) {
            matrix[3][0] = 0.0f;
            matrix[3][2] = 0.0f;
        }
    }
    if (bone.contains("Bip01 Head"))
        turnHead(matrix);
    else if (bone.contains("Bip01 L Foot"))
        placeShadow(*mShadowPlanes[0], matrix);
    else if (bone.contains("Bip01 R Foot"))
        placeShadow(*mShadowPlanes[1], matrix);
    placeCarriedObjects(bone, matrix);
    return true;
}

void Character::turnHead(KaMatrix4x4& matrix)
{
    if (!mHeadLookAt) {
        stepTowardsZero(mHeadAngles[0]);
        stepTowardsZero(mHeadAngles[1]);
        mHeadTargetAngles[0] = mHeadAngles[0];
        mHeadTargetAngles[1] = mHeadAngles[1];
    } else {
        if (mScene) {
            KaIntrusivePtr<KaCamera> camera = mScene->currentCamera();
            if (camera)
                camera->apply();
        }
        mHeadAngles[0] = mHeadTargetAngles[0];
        mHeadAngles[1] = mHeadTargetAngles[1];
    }
    matrix.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(-1.0f, 0.0f, 0.0f), mHeadAngles[0]));
    matrix.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), mHeadAngles[1]));
    if (!mHeadLookAt)
        mHeadPosition = matrix.translation();
}

void Character::placeShadow(KaModel& plane, const KaMatrix4x4& matrix)
{
    const KaQuaternion rotation = mModel->rotation();
    const KaVector3f32 scale = mModel->scale();
    KaVector3f32 offset = rotation.toMatrix().mult3x3(matrix.translation()) * scale;
    offset.y = 0.0f;
    KaVector3f32 position = mModel->position() + offset;
    if (mFreeMoveZone)
        position = mFreeMoveZone->correctCharacterPosition(position, nullptr, true);
    plane.setPosition(position);
    plane.setRotation(rotation);
    plane.setScale(scale);
}

void Character::placeCarriedObjects(const KaString& bone, const KaMatrix4x4& matrix)
{
    if (!mCarriedObjects)
        return;
    const unsigned long count = mCarriedObjects->carriedCount();
    if (count == 0)
        return;
    const KaString modelName = mModel->name();
    const unsigned int frame = mCurModelAnim ? mCurModelAnim->currentFrame() : 0;
    CarriedObjects::Carried carried;
    for (unsigned long i = 0; i < count; ++i) {
        if (!mCarriedObjects->carried(i, carried) || !carried.model)
            continue;
        if (carried.characterName != modelName || !bone.contains(carried.boneName))
            continue;
        if (frame < carried.firstFrame || frame > carried.lastFrame) {
            carried.model->setVisible(false);
            continue;
        }
        carried.model->setVisible(true);
        KaMatrix4x4 placed = matrix;
        placed.scale(carried.scale);
        placed.rotate(carried.rotation);
        placed.translate(carried.translation);
        carried.model->forceMatrix(placed);
        carried.model->setRotation(mModel->rotation());
        carried.model->setPosition(mModel->position());
        carried.model->setScale(mModel->scale());
    }
}

void Character::setHeadTargetAngles(float horizontal, float vertical)
{
    mHeadTargetAngles[0] = horizontal;
    mHeadTargetAngles[1] = vertical;
}

void Character::setHeadAngles(float horizontal, float vertical)
{
    mHeadAngles[0] = horizontal;
    mHeadAngles[1] = vertical;
}

// ---------------------------------------------------------------------------
// Frame callbacks

void Character::addCallback(const KaString& animation, const KaString& function, float frame, float times)
{
    Callback* callback = new Callback();
    callback->frame = static_cast<int>(frame);
    callback->function = function;
    callback->times = static_cast<int>(times);
    mCallbacks[animationPath(animation)].pushBack(callback);
}

void Character::deleteCallbacks(KaArray<Callback*>& list, const KaString& function, int frame)
{
    for (unsigned long i = 0; i < list.size();) {
        Callback* callback = list[i];
        if (callback->function == function && (frame == -1 || callback->frame == frame)) {
            delete callback;
            list.removeAt(i);
        } else {
            ++i;
        }
    }
}

void Character::deleteCallback(const KaString& animation, const KaString& function, float frame)
{
    mCallbacksInterrupted = true;
    KaPath key;
    if (animation.length() != 0)
        key = animationPath(animation);
    else if (mCurModelAnim)
        key = mCurModelAnim->name();
    else
        return;
    const auto found = mCallbacks.find(key);
    if (found == mCallbacks.end())
        return;
    KaArray<Callback*>& list = found->second;
    if (function.length() == 0) {
        for (unsigned long i = 0; i < list.size(); ++i)
            delete list[i];
        mCallbacks.erase(found);
        return;
    }
    deleteCallbacks(list, function, static_cast<int>(frame));
}

void Character::deleteAllCallback()
{
    mCallbacksInterrupted = true;
    for (auto& entry : mCallbacks) {
        for (unsigned long i = 0; i < entry.second.size(); ++i)
            delete entry.second[i];
    }
    mCallbacks.clear();
}

void Character::permanentUpdate()
{
    if (!mCurModelAnim)
        return;
    // Held: a Lua function may start another animation.
    KaIntrusivePtr<KaModelAnimation> animation = mCurModelAnim;
    const KaPath path = animation->name();
    const int current = static_cast<int>(animation->currentFrame());

    mCallbacksInterrupted = false;
    const auto found = mCallbacks.find(path);
    if (found != mCallbacks.end()) {
        // A Lua function may add callbacks to this list (they are appended)
        // or delete some (which ends the pass): indices stay valid.
        KaArray<Callback*>& list = found->second;
        for (unsigned long i = 0; i < list.size(); ++i) {
            Callback* callback = list[i];
            const bool reached = callback->lastFrame < callback->frame && callback->frame <= current;
            if (reached && (callback->times == -1 || callback->counter < callback->times)) {
                ++callback->counter;
                callback->lastFrame = current;
                if (mScript)
                    mScript->execute(callback->function);
                if (mCallbacksInterrupted)
                    break;
            } else {
                callback->lastFrame = current;
            }
        }
    }
    mCallbacksInterrupted = false;

    const unsigned int c = animation->currentFrame();
    const unsigned int l = mLastAnimFrame;
    unsigned int first = 0;
    unsigned int second = 0;
    if (path.contains(gStairDownAnimation)) {
        first = 12;
        second = 27;
    } else if (path.contains(gStairUpAnimation)) {
        first = 7;
        second = 22;
    } else {
        return;
    }
    if (l < first && c >= first)
        onPlaySound.call("sounds/SFX/PAS_F_PAVE1.ogg");
    else if (l < second && c >= second)
        onPlaySound.call("sounds/SFX/PAS_F_PAVE2.ogg");
    updateAnimFrame();
}

void Character::updateAnimFrame()
{
    if (mCurModelAnim)
        mLastAnimFrame = mCurModelAnim->currentFrame();
}

bool Character::isFramePassed(unsigned int frame) const
{
    return mCurModelAnim && mLastAnimFrame < frame && mCurModelAnim->currentFrame() >= frame;
}

// ---------------------------------------------------------------------------
// Sounds

void Character::setStepSound(const KaPath& first, const KaPath& second)
{
    mStepSounds[0] = first;
    mStepSounds[1] = second;
}

void Character::setAnimationSound(const KaString& file, unsigned int frame)
{
    mAnimationSound = file;
    mAnimationSoundFrame = frame;
    mAnimationSoundPlayed = false;
}

// ---------------------------------------------------------------------------
// Walking

void Character::placeOnCurve(const KaIntrusivePtr<KaBezierCurve>& curve)
{
    mCurve = curve;
    updatePosition(mCurveOffset);
}

void Character::setCurveOffset(float offset)
{
    mCurveOffset = offset;
    updatePosition(offset);
}

void Character::updatePosition(float param)
{
    if (!mCurve || mCurve->controlPoints().isEmpty() || !mModel)
        return;
    KaVector3f32 position = mCurve->retrievePoint(param) + mPositionOffset;
    if (mFreeMoveZone)
        position = mFreeMoveZone->correctCharacterPosition(position, nullptr, true);
    mModel->setPosition(position);
}

KaIntrusivePtr<KaBezierCurve> Character::pathTo(const KaVector2s32& screen)
{
    if (!mFreeMoveZone || !mModel)
        return KaIntrusivePtr<KaBezierCurve>();
    return mFreeMoveZone->curve(mModel->position(), screen, 8.0f, true);
}

KaIntrusivePtr<KaBezierCurve> Character::pathTo(const KaVector3f32& to)
{
    if (!mFreeMoveZone || !mModel)
        return KaIntrusivePtr<KaBezierCurve>();
    return mFreeMoveZone->curve(mModel->position(), to);
}

void Character::walkTo(float endParam, bool noEndAnim)
{
    mNoEndAnim = noEndAnim;
    stop();
    mEndParam = endParam;
    mCurveParam = mCurveOffset;
    mWalkedDistance = 0.0f;
    mTargetDistance = 0.0f;
    if (mCurve && !mCurve->controlPoints().isEmpty()) {
        const float length = mCurve->length();
        mCurveLength = length;
        float divisor = 0.0f;
        planStop(length, noEndAnim ? 0.0f : mEndLength, divisor);
        // Without any root travel there is nothing to scale to the curve.
        mNoRootMotion = !(divisor > 0.0f);
        mSpeedRatio = mNoRootMotion ? 0.0f : length / divisor;
    }
    play();
}

void Character::planStop(float length, float plannedEnd, float& divisor)
{
    mEndOnD = false;
    // A loop that covers no ground fits no cycles: the walk stops after its
    // start part, however long the curve.
    const double cycles
        = mLoopLength > 0.0f ? (static_cast<double>(length) - plannedEnd - mStartLength) / mLoopLength : -1.0;
    if (!(cycles >= 0.0)) {
        mEndFrame = mStartFrames;
        divisor = mStartLength + mEndLength;
        return;
    }

    // Frame counts past this would not fit the end frame: a walk that long
    // takes over a year at any frame rate.
    const double maxFrames = 1.0e9;
    const int64_t loopFrames = mLoopFrames;
    if (mPlayer && mWalkMode == defaultWalkMode() && loopFrames > 0) {
        const int64_t total = static_cast<int64_t>(std::min(cycles * static_cast<double>(loopFrames), maxFrames));
        int64_t k = total / loopFrames;
        // The stops may start on the loop's two footfalls only: the nearest
        // one to where the loop cycles run out, the earlier one on a tie.
        const int64_t candidates[4] = { k == 0 ? INT64_MAX : (k - 1) * loopFrames + gRightStepFrame,
            k * loopFrames + gLeftStepFrame, k * loopFrames + gRightStepFrame, (k + 1) * loopFrames + gLeftStepFrame };
        int best = 0;
        for (int c = 1; c < 4; ++c) {
            if (std::abs(candidates[c] - total) < std::abs(candidates[best] - total))
                best = c;
        }
        int frame = gLeftStepFrame;
        if (best == 0) {
            frame = gRightStepFrame;
            mEndOnD = true;
            --k;
        } else if (best == 2) {
            frame = gRightStepFrame;
            mEndOnD = true;
        } else if (best == 3) {
            ++k;
        }
        mEndFrame = static_cast<unsigned int>(loopFrames * k + mStartFrames + frame);
        unsigned int frames = 0;
        const float partial = animLengthFromFile(walkAnim(loop), frames, static_cast<unsigned long>(frame));
        divisor = static_cast<float>(k) * mLoopLength + plannedEnd + mStartLength + partial;
        return;
    }

    const double whole = std::floor(std::min(cycles, maxFrames));
    double played = whole + 0.25;
    if (cycles - whole >= 0.5) {
        mEndOnD = true;
        played = whole + 0.75;
    }
    mEndFrame
        = static_cast<unsigned int>(std::min(static_cast<double>(mLoopFrames) * played, maxFrames)) + mStartFrames;
    divisor = plannedEnd + mStartLength + static_cast<float>(played) * mLoopLength;
}

KaModelAnimation* Character::leadingAnimation() const
{
    if (!mModel)
        return nullptr;
    for (unsigned long i = mModel->bonesBlenderCount(); i-- > 0;)
        if (KaModelAnimation* animation = mModel->bonesBlenderAt(i)->animation.get())
            return animation;
    return mModel->anim().get();
}

float Character::speedFromAnim(double milliseconds)
{
    // The walk follows the animation being blended in: reading the one
    // going out would make the feet slide when a script changes animation
    // mid-walk.
    KaModelAnimation* leading = leadingAnimation();
    if (!leading)
        return 0.0f;
    KaModelAnimation& animation = *leading;
    const int frame = static_cast<int>(animation.calcCurrentFrame(milliseconds));
    float distance = 0.0f;
    if (mLastRootFrame == -1) {
        distance = translationFromAnim(animation, 1) - translationFromAnim(animation, 0);
    } else {
        distance = translationFromAnim(animation, static_cast<unsigned long>(frame))
            - translationFromAnim(animation, static_cast<unsigned long>(mLastRootFrame));
        // The loop wrapped since the last sample: one more cycle's travel.
        if (frame < mLastRootFrame)
            distance += animLength(animation, animation.findBone(rootBone()), 9999);
    }
    mLastRootFrame = frame;
    return distance * mModel->scale().z;
}

void Character::stepAlongCurve(float step, bool undoLast, KaVector3f32& previous, bool& moved)
{
    float lastParam = mCurveParam;
    float lastDistance = mWalkedDistance;
    KaVector3f32 lastPoint = previous;
    bool stepped = false;
    while (mWalkedDistance < mTargetDistance) {
        lastParam = mCurveParam;
        lastDistance = mWalkedDistance;
        lastPoint = previous;
        const float t = KaClamp(mCurveParam + step, 0.0f, 1.0f);
        const KaVector3f32 point = mCurve->retrievePoint(t) + mPositionOffset;
        mWalkedDistance += groundDistance(point, previous);
        previous = point;
        mCurveParam = t;
        stepped = true;
        if (t == 0.0f || t == 1.0f)
            break;
    }
    if (stepped && undoLast) {
        mCurveParam = lastParam;
        mWalkedDistance = lastDistance;
        previous = lastPoint;
    }
    moved = moved || stepped;
}

void Character::faceAlongCurve(float turn)
{
    KaVector3f32 a;
    KaVector3f32 b;
    mCurve->pseudoTangent(mCurveParam, a, b);
    // The heading is a turn about the vertical: only the ground direction
    // counts, and where there is none (points that coincide, a vertical
    // step) the character keeps facing the way it was.
    KaVector3f32 direction = b - a;
    direction.y = 0.0f;
    const float length = direction.getLength();
    if (!(length > 1.0e-6f) || !std::isfinite(length))
        return;
    direction = direction * (1.0f / length);
    // Rounding may put a unit vector's component just past 1.
    float angle = std::acos(KaClamp(direction.z, -1.0f, 1.0f));
    // (0, 0, 1) x direction has direction.x as its y.
    if (direction.x >= 0.0f)
        angle = -angle;
    mModel->setRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), angle + turn));
}

void Character::update(double milliseconds)
{
    if (!mCurve || !isRunning())
        return;
    mTargetDistance += speedFromAnim(milliseconds) * mSpeedRatio;
    if (mCurve->controlPoints().size() < 2 || !mModel) {
        blendAnimation(mSettings.walk.animationFileName, gIdleBlendSeconds, true, false);
        endMove();
        return;
    }

    const bool backward = mEndParam < mCurveOffset;
    const float sign = backward ? -1.0f : 1.0f;
    const float turn = backward ? gPi : 0.0f;

    updatePosition(mCurveParam);
    KaVector3f32 point = mModel->position();
    const float iterations = static_cast<float>(mCurve->nbIterations() ? mCurve->nbIterations() : 1);
    if (mNoRootMotion) {
        mCurveParam = KaClamp(mEndParam, 0.0f, 1.0f);
        point = mCurve->retrievePoint(mCurveParam) + mPositionOffset;
    } else {
        bool moved = false;
        stepAlongCurve(sign * gCoarseSteps / iterations, true, point, moved);
        stepAlongCurve(sign / iterations, false, point, moved);
        if (!moved)
            point = mModel->position();
    }
    if (mFreeMoveZone)
        point = mFreeMoveZone->correctCharacterPosition(point, nullptr, true);
    mModel->setPosition(point);
    faceAlongCurve(turn);

    const bool arrived = mCurveParam == mEndParam
        || KaAbs(mEndParam - mCurveOffset) < KaAbs(mCurveParam - mCurveOffset);
    const KaString stopFile = walkAnim(endD);
    if (arrived) {
        // Either way the walk ends here, and is reported once.
        if (mNoEndAnim) {
            mNoEndAnim = false;
            endMove();
            return;
        }
        if (stopFile.length() == 0) {
            blendAnimation(mSettings.walk.animationFileName, gIdleBlendSeconds, true, false);
            endMove();
            return;
        }
    }

    if (stopFile.length() != 0 && mCurModelAnim && mCurAnimName == walkAnim(loop)) {
        const double frame = std::trunc(static_cast<double>(mCurModelAnim->frameRate()) * milliseconds / 1000.0);
        if (frame >= static_cast<double>(mEndFrame)) {
            if (mNoEndAnim) {
                mNoEndAnim = false;
                endMove();
                return;
            }
            setAnimation(mEndOnD ? stopFile : walkAnim(endG), false, false, false, -1, 9999);
        }
    }
    updateAnimFrame();
}

void Character::endMove()
{
    if (mPlayer)
        walkMode(defaultWalkMode());
    onFinished.call();
    stop();
}

void Character::continueWalk(const KaModelAnimation& ended)
{
    // Someone listening to the end already played something else.
    if (mCurModelAnim.get() != &ended)
        return;
    const KaString startFile = walkAnim(start);
    if (startFile.length() != 0 && mCurAnimName == startFile) {
        setAnimation(walkAnim(loop), true, false, false, -1, 9999);
        return;
    }
    const KaString stopG = walkAnim(endG);
    const KaString stopD = walkAnim(endD);
    const bool stopped
        = (stopG.length() != 0 && mCurAnimName == stopG) || (stopD.length() != 0 && mCurAnimName == stopD);
    if (!stopped)
        return;
    updatePosition(mEndParam);
    endMove();
    if (mCurModelAnim.get() == &ended)
        setAnimation(mSettings.walk.animationFileName, true, false, false, -1, 9999);
}

bool Character::isWalking() const
{
    if (mCurAnimName.length() == 0)
        return false;
    const KaArray<MoveFiles>& types = mSettings.walk.walkTypes;
    for (unsigned long i = 0; i < types.size(); ++i)
        for (const MoveFiles::Part& part : types[i].parts)
            if (part.file.length() != 0 && mCurAnimName == KaString(part.file))
                return true;
    return false;
}

bool Character::isWalkEnd() const
{
    if (!mCurModelAnim)
        return false;
    const KaPath file = KaPath(mCurModelAnim->name()).fileName();
    if (file.length() == 0)
        return false;
    const KaArray<MoveFiles>& types = mSettings.walk.walkTypes;
    for (unsigned long i = 0; i < types.size(); ++i) {
        if (types[i].parts[endG].file.contains(file) || types[i].parts[endD].file.contains(file))
            return true;
    }
    return false;
}
