#include "tools/characters/KaCharacterRig.h"

#include <algorithm>
#include <cmath>

#include "engine/maths/KaMatrix4x4.h"
#include "engine/scene/KaModel.h"

namespace {

const char* const boneNames[KaCharacterRig::BoneCount] = { "Pere", "Bip01 Pelvis", "Bip01 Spine", "Bip01 Neck",
    "Bip01 Head", "Bip01 L UpperArm", "Bip01 L Forearm", "Bip01 R UpperArm", "Bip01 R Forearm", "Bip01 L Thigh",
    "Bip01 L Calf", "Bip01 L Foot", "Bip01 R Thigh", "Bip01 R Calf", "Bip01 R Foot" };

const int parents[KaCharacterRig::BoneCount] = { -1, 0, 1, 2, 3, 2, 5, 2, 7, 1, 9, 10, 1, 12, 13 };

// A leg is never quite straightened: a knee locked exactly has no bending
// direction left and would flip from one frame to the next.
const float reachFactor = 0.9995f;

float clampedAcos(float value) { return std::acos(std::max(-1.0f, std::min(1.0f, value))); }

} // namespace

KaCharacterRig::KaCharacterRig(const Proportions& proportions)
    : mProportions(proportions)
{
}

const char* KaCharacterRig::boneName(Bone bone) { return boneNames[bone]; }

int KaCharacterRig::parent(Bone bone) { return parents[bone]; }

KaQuaternion KaCharacterRig::aboutX(float angle) { return KaQuaternion::fromAxisAndAngle(KaVector3f32(1, 0, 0), angle); }

KaQuaternion KaCharacterRig::aboutY(float angle) { return KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), angle); }

KaQuaternion KaCharacterRig::aboutZ(float angle) { return KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), angle); }

KaVector3f32 KaCharacterRig::restOffset(Bone bone) const
{
    const Proportions& p = mProportions;
    switch (bone) {
    case Pelvis:
        return KaVector3f32(0, p.hipHeight, 0);
    case Spine:
        return KaVector3f32(0, p.spineRise, 0);
    case Neck:
        return KaVector3f32(0, p.neckRise, 0);
    case Head:
        return KaVector3f32(0, p.headRise, 0);
    case LeftUpperArm:
        return KaVector3f32(p.shoulderHalfWidth, p.shoulderRise, 0);
    case RightUpperArm:
        return KaVector3f32(-p.shoulderHalfWidth, p.shoulderRise, 0);
    case LeftForearm:
    case RightForearm:
        return KaVector3f32(0, -p.upperArm, 0);
    case LeftThigh:
        return KaVector3f32(p.hipHalfWidth, 0, 0);
    case RightThigh:
        return KaVector3f32(-p.hipHalfWidth, 0, 0);
    case LeftCalf:
    case RightCalf:
        return KaVector3f32(0, -p.thigh, 0);
    case LeftFoot:
    case RightFoot:
        return KaVector3f32(0, -p.calf, 0);
    default:
        return KaVector3f32(0, 0, 0);
    }
}

KaQuaternion KaCharacterRig::restRotation(Bone bone) const
{
    // A third of a turn about (1, 1, 1): local x to up, y to forward, z to
    // the figure's left.
    if (bone == Head)
        return KaQuaternion(0.5f, 0.5f, 0.5f, 0.5f);
    return KaQuaternion();
}

KaCharacterRig::Pose KaCharacterRig::restPose() const
{
    Pose pose;
    pose.root = KaVector3f32(0, 0, 0);
    pose.pelvis = restOffset(Pelvis);
    return pose;
}

KaVector3f32 KaCharacterRig::restPosition(Bone bone) const
{
    KaVector3f32 position(0, 0, 0);
    for (int b = bone; b >= 0; b = parents[b])
        position += restOffset(static_cast<Bone>(b));
    return position;
}

KaVector3f32 KaCharacterRig::hip(const Pose& pose, bool left) const
{
    return pose.pelvis + KaVector3f32(left ? mProportions.hipHalfWidth : -mProportions.hipHalfWidth, 0, 0);
}

KaVector3f32 KaCharacterRig::reachLeg(Pose& pose, bool left, KaVector3f32 target, float pitch) const
{
    const float upper = mProportions.thigh;
    const float lower = mProportions.calf;
    const float reach = (upper + lower) * reachFactor;
    const KaVector3f32 from = hip(pose, left);
    KaVector3f32 d = target - from;
    float heelLift = 0.0f;
    if (d.getLength() > reach) {
        const float across = d.x * d.x + d.z * d.z;
        if (across < reach * reach) {
            const float dy = -std::sqrt(reach * reach - across);
            heelLift = dy - d.y;
            d.y = dy;
        } else {
            d = d * (reach / d.getLength());
        }
    }
    // The leg leans sideways by roll, then bends in its own plane.
    const float down = std::sqrt(d.x * d.x + d.y * d.y);
    const float roll = std::atan2(d.x, -d.y);
    const float toward = std::atan2(d.z, down);
    const float distance = std::sqrt(down * down + d.z * d.z);
    const float atHip = clampedAcos((upper * upper + distance * distance - lower * lower) / (2 * upper * distance));
    const float atAnkle = clampedAcos((lower * lower + distance * distance - upper * upper) / (2 * lower * distance));
    if (heelLift > 0.0f) {
        const float tilt = std::asin(std::min(1.0f, heelLift / mProportions.footLength));
        pitch += d.z < 0 ? tilt : -tilt;
    }
    pose.local[left ? LeftThigh : RightThigh] = aboutZ(roll) * aboutX(-(toward + atHip));
    pose.local[left ? LeftCalf : RightCalf] = aboutX(atHip + atAnkle);
    pose.local[left ? LeftFoot : RightFoot] = aboutX(toward - atAnkle) * aboutZ(-roll) * aboutX(pitch);
    return from + d;
}

void KaCharacterRig::placeArm(Pose& pose, bool left, float swing, float spread, float bend) const
{
    pose.local[left ? LeftUpperArm : RightUpperArm] = aboutZ(left ? spread : -spread) * aboutX(-swing);
    pose.local[left ? LeftForearm : RightForearm] = aboutX(-bend);
}

KaTRS KaCharacterRig::boneTransform(const Pose& pose, Bone bone) const
{
    KaVector3f32 t = bone == Pere ? pose.root : (bone == Pelvis ? pose.pelvis : restOffset(bone));
    const KaQuaternion q = pose.local[bone] * restRotation(bone);
    // Mirrored in x and transposed: (x, y, z, w) turns into (-x, y, z, w).
    return KaTRS(KaVector3f32(-t.x, t.y, t.z), KaQuaternion(-q.x, q.y, q.z, q.w), KaVector3f32(1, 1, 1));
}

void KaCharacterRig::addSkeleton(KaModel& model) const
{
    const Pose rest = restPose();
    const unsigned long first = model.bones().size();
    for (int b = 0; b < BoneCount; ++b) {
        KaModel::bone entry;
        entry.name = boneNames[b];
        entry.parent = parents[b] < 0 ? KaModel::mNoParent : static_cast<uint16_t>(first + parents[b]);
        entry.bindTransform = boneTransform(rest, static_cast<Bone>(b));
        model.bones().pushBack(entry);
        model.inverseBindMatrices().pushBack(KaMatrix4x4());
    }
    // The model poses its rest skeleton itself: its inverse is exactly what
    // undoes that pose, whatever the mirror and the matrix conventions.
    model.removeAnim();
    model.update();
    for (unsigned long i = first; i < model.bones().size(); ++i)
        model.inverseBindMatrices()[i] = model.boneMatrices()[i].getInverseMatrix();
}
