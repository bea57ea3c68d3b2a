#ifndef OBJECT_3D_H
#define OBJECT_3D_H

#include <map>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaModel.h"

// A 3D object that a scene script loads by name into the running scene: a
// prop that can be moved or turned over time, or carried by a character
// (the attachment fields, read by the character's bone update). Which model
// file and default scale a name stands for comes from the objects' settings
// file, read once for the whole run.
//
// The scene holds its objects by pointer and deletes them later (KaObject);
// the object holds its model, which the scene also lists among its models:
// taking it out of that list is the scene's business. Main thread only.
class Object3D : public KaObject {
public:
    struct ObjectSettings {
        // Relative to "objects/".
        KaPath modelFileName;
        KaVector3f32 defaultScale;
    };

    Object3D();
    ~Object3D() override;
    Object3D(const Object3D&) = delete;
    Object3D& operator=(const Object3D&) = delete;

    // Empties the settings and reads "ObjectsSettings" > "Object" elements
    // (attribute "name"; children "modelFileName", the path as text, and
    // "defaultScale", "x,y,z"; a missing scale is (0, 0, 0)). A later entry
    // of a name replaces an earlier one. False, with the XML loader's
    // console line, when the file cannot be read, and when it has no
    // "ObjectsSettings" root; the settings stay empty then.
    static bool loadSettings(const KaPath& path);
    static const std::map<KaString, ObjectSettings>& objectsSettings() { return mObjectsSettings; }

    // Holds a new model, then loads it from "objects/" + the name's model
    // file, with its textures from "objects/Textures", names it and scales
    // it to the default scale. False for a name the settings do not know
    // and for a model file that does not load: the object then holds an
    // empty model.
    bool loadModel(const KaString& name);

    // Timed moves from where the model stands now, over that many seconds;
    // each restarts its own clock from zero. Angles in radians (Euler, as
    // KaQuaternion::fromEuler takes them). A duration of zero or less, or
    // one that is not a number, lands the move at once.
    void translate(const KaVector3f32& translation, float seconds);
    void rotate(const KaVector3f32& eulerAngles, float seconds);
    // Once per scene update: places the model along its moves. A finished
    // move keeps writing its end value until another move starts; an
    // object never moved is left alone.
    void updateMoves();

    KaIntrusivePtr<KaModel>& model() { return mModel; }
    const ObjectSettings& settings() const { return mSettings; }

    const KaVector3f32& startPosition() const { return mStartPosition; }
    const KaQuaternion& startRotation() const { return mStartRotation; }
    const KaVector3f32& translation() const { return mTranslation; }
    // Seconds; -1 when no move was ever started.
    float translationDuration() const { return mTranslationDuration; }
    const KaVector3f32& rotationAngles() const { return mRotationAngles; }
    float rotationDuration() const { return mRotationDuration; }

    // Where the object sits on the character's bone, and while which frames
    // of the character's animation.
    const KaVector3f32& attachmentTranslation() const { return mAttachmentTranslation; }
    void setAttachmentTranslation(const KaVector3f32& translation) { mAttachmentTranslation = translation; }
    const KaQuaternion& attachmentRotation() const { return mAttachmentRotation; }
    void setAttachmentRotation(const KaQuaternion& rotation) { mAttachmentRotation = rotation; }
    const KaVector3f32& attachmentScale() const { return mAttachmentScale; }
    void setAttachmentScale(const KaVector3f32& scale) { mAttachmentScale = scale; }
    const KaString& characterName() const { return mCharacterName; }
    const KaString& boneName() const { return mBoneName; }
    void setCharacter(const KaString& characterName, const KaString& boneName)
    {
        mCharacterName = characterName;
        mBoneName = boneName;
    }
    unsigned int firstFrame() const { return mFirstFrame; }
    unsigned int lastFrame() const { return mLastFrame; }
    void setFrames(unsigned int first, unsigned int last)
    {
        mFirstFrame = first;
        mLastFrame = last;
    }
    // Whether the frame lies between the first and last frame, both
    // included. Until setFrames the range is empty (first after last), so an
    // object put on a character is not shown before its frames are known.
    bool carriedAtFrame(unsigned int frame) const { return mFirstFrame <= frame && frame <= mLastFrame; }

private:
    // Restarts the move's clock from zero; the duration to keep.
    static float startMove(KaTimer& timer, float seconds);
    // How far along its duration a move stands, 0 to 1.
    static float progress(const KaTimer& timer, float duration);
    void placeAlongTranslation();
    void placeAlongRotation();

    static std::map<KaString, ObjectSettings> mObjectsSettings;

    KaVector3f32 mStartPosition;
    KaQuaternion mStartRotation;
    KaVector3f32 mTranslation;
    KaTimer mTranslationTimer;
    float mTranslationDuration;
    KaVector3f32 mRotationAngles;
    KaTimer mRotationTimer;
    float mRotationDuration;
    KaIntrusivePtr<KaModel> mModel;
    ObjectSettings mSettings;
    KaVector3f32 mAttachmentTranslation;
    KaQuaternion mAttachmentRotation;
    KaVector3f32 mAttachmentScale;
    KaString mCharacterName;
    KaString mBoneName;
    unsigned int mFirstFrame;
    unsigned int mLastFrame;
};

#endif
