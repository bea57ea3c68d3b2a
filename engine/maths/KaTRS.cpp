#include "engine/maths/KaTRS.h"

#include "engine/maths/KaMatrix4x4.h"

KaTRS::KaTRS()
    : mTranslation(0.0f, 0.0f, 0.0f)
    , mRotation(0.0f, 0.0f, 0.0f, 1.0f)
    , mScale(1.0f, 1.0f, 1.0f)
{
}

KaTRS::KaTRS(const KaVector3f32& translation, const KaQuaternion& rotation, const KaVector3f32& scale)
    : mTranslation(translation)
    , mRotation(rotation)
    , mScale(scale)
{
}

KaTRS::~KaTRS() = default;

void KaTRS::setIdentity()
{
    mTranslation = KaVector3f32(0.0f, 0.0f, 0.0f);
    mRotation = KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
    mScale = KaVector3f32(1.0f, 1.0f, 1.0f);
}

void KaTRS::translate(KaVector3f32 v)
{
    KaMatrix4x4 frame = mRotation.toMatrix();
    frame.scale(mScale);
    mTranslation += frame * v;
}

void KaTRS::rotate(const KaQuaternion& q) { mRotation = q * mRotation; }

void KaTRS::scale(const KaVector3f32& s) { mScale *= s; }

KaTRS& KaTRS::operator*=(const KaTRS& other)
{
    translate(other.mTranslation);
    mRotation = other.mRotation * mRotation;
    mScale *= other.mScale;
    return *this;
}

KaTRS operator*(KaTRS a, const KaTRS& b)
{
    a *= b;
    return a;
}

KaTRS KaTRS::getInverse() const
{
    KaTRS inverse;
    inverse.mScale = KaVector3f32(1.0f / mScale.x, 1.0f / mScale.y, 1.0f / mScale.z);
    inverse.mRotation = KaQuaternion(-mRotation.x, -mRotation.y, -mRotation.z, mRotation.w) * KaQuaternion();
    inverse.translate(-mTranslation);
    return inverse;
}

KaTRS KaTRS::lerp(const KaTRS& other, float t) const
{
    return KaTRS(mTranslation * (1.0f - t) + other.mTranslation * t, mRotation.slerp(other.mRotation, t, false),
        mScale * (1.0f - t) + other.mScale * t);
}

bool KaTRS::serialize(KaStream& stream, const KaTRS& trs)
{
    bool ok = KaVector3f32::serialize(stream, trs.mTranslation);
    ok = KaQuaternion::serialize(stream, trs.mRotation) && ok;
    ok = KaVector3f32::serialize(stream, trs.mScale) && ok;
    return ok;
}

bool KaTRS::deserialize(KaStream& stream, KaTRS& trs)
{
    KaVector3f32 translation;
    KaQuaternion rotation;
    KaVector3f32 scale;
    bool ok = KaVector3f32::deserialize(stream, translation);
    ok = KaQuaternion::deserialize(stream, rotation) && ok;
    ok = KaVector3f32::deserialize(stream, scale) && ok;
    trs.mTranslation = translation;
    trs.mRotation = rotation;
    trs.mScale = scale;
    return ok;
}
