#ifndef KA_CHARACTER_RIG_H
#define KA_CHARACTER_RIG_H

#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector3f32.h"

class KaModel;

// The skeleton shared by the sample game's characters, and their poses.
//
// Poses are written in model space (centimetres, y up, the figure facing +z,
// its left hand towards +x) with textbook rotations: a quaternion q turns
// vectors by the right-hand rule and a child's rotation composes as
// parent * local. The model stores its skeleton in a space mirrored in x
// (roots are S x local, S = diag(-1, 1, 1)) and the engine's quaternion
// matrices are transposed; boneTransform() folds both in, so nothing else
// has to think about them.
//
// "Pere" stands on the ground under the pelvis and carries the root motion
// (the game reads its z as the distance walked); the feet bones sit at the
// ankles, where the game puts the characters' foot shadows; the head bone
// has its local x pointing up and its local z across the head, the axes
// about which the game turns a head to look at something.
class KaCharacterRig {
public:
    enum Bone {
        Pere,
        Pelvis,
        Spine,
        Neck,
        Head,
        LeftUpperArm,
        LeftForearm,
        RightUpperArm,
        RightForearm,
        LeftThigh,
        LeftCalf,
        LeftFoot,
        RightThigh,
        RightCalf,
        RightFoot,
        BoneCount
    };

    // Lengths in centimetres of a figure standing straight.
    struct Proportions {
        float hipHeight;
        float hipHalfWidth;
        float thigh;
        float calf;
        float spineRise;
        float neckRise;
        float headRise;
        float shoulderRise;
        float shoulderHalfWidth;
        float upperArm;
        float forearm;
        float footLength;
    };

    // Local rotations of every bone (model space, textbook), the root's
    // position on the ground and the pelvis's above the root. The head's
    // entry is what turns it from its rest orientation.
    struct Pose {
        KaQuaternion local[BoneCount];
        KaVector3f32 root;
        KaVector3f32 pelvis;
    };

    explicit KaCharacterRig(const Proportions& proportions);

    const Proportions& proportions() const { return mProportions; }
    float ankleHeight() const { return mProportions.hipHeight - mProportions.thigh - mProportions.calf; }

    static const char* boneName(Bone bone);
    static int parent(Bone bone);

    // Standing straight, arms hanging.
    Pose restPose() const;
    // Where a bone's joint lies at rest, in model space.
    KaVector3f32 restPosition(Bone bone) const;
    // The hip joint of a leg in a pose, relative to the root.
    KaVector3f32 hip(const Pose& pose, bool left) const;

    // Bends a leg so that its ankle reaches target (relative to the root;
    // the pelvis must not be rotated), the knee forward and the foot turned
    // by pitch about x (positive: toes down). A target out of reach lifts
    // the heel: the ankle rises until the leg reaches it, and the foot
    // tilts to keep the toes where they were. Returns the ankle reached.
    KaVector3f32 reachLeg(Pose& pose, bool left, KaVector3f32 target, float pitch) const;
    // An arm swung forward by swing radians, spread out by spread and bent
    // at the elbow by bend (both positive outwards and forwards).
    void placeArm(Pose& pose, bool left, float swing, float spread, float bend) const;

    // The bone's transform as the model and its animations store it.
    KaTRS boneTransform(const Pose& pose, Bone bone) const;
    // Appends the skeleton with the rest pose as bind transforms and the
    // inverse bind matrices that make the rest pose leave every vertex
    // where it was modelled.
    void addSkeleton(KaModel& model) const;

    // Model space (textbook) helpers.
    static KaQuaternion aboutX(float angle);
    static KaQuaternion aboutY(float angle);
    static KaQuaternion aboutZ(float angle);

private:
    KaVector3f32 restOffset(Bone bone) const;
    KaQuaternion restRotation(Bone bone) const;

    Proportions mProportions;
};

#endif
