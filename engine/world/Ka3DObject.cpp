#include "engine/world/Ka3DObject.h"

#include "engine/maths/KaMaths.h"
#include "engine/maths/KaQuaternion.h"

namespace {

// The pivot offset on the way to the pivot and on the way back. Both are
// rounded down, so a fractional offset comes back one pixel further.
KaVector3f32 toPivot(const KaVector3f32& size, const KaVector3f32& center)
{
    return KaVector3f32(KaRoundf(size.x * center.x), KaRoundf(size.y * center.y), KaRoundf(size.z * center.z));
}

KaVector3f32 fromPivot(const KaVector3f32& size, const KaVector3f32& center)
{
    return KaVector3f32(
        KaRoundf(-(size.x * center.x)), KaRoundf(-(size.y * center.y)), KaRoundf(-(size.z * center.z)));
}

} // namespace

Ka3DObject::Ka3DObject()
    : mScreen(nullptr)
    , mParent(nullptr)
    , mPosition(0.0f, 0.0f, 0.0f)
    , mSize(0.0f, 0.0f, 0.0f)
    , mScale(1.0f, 1.0f, 1.0f)
    , mScaleCenter(0.5f, 0.5f, 0.5f)
    , mScaleFromPoint(false)
    , mRotateCenter(0.5f, 0.5f, 0.5f)
    , mRotateAngle(0.0f)
    , mOpacity(1.0f)
{
}

Ka3DObject::~Ka3DObject() { mParent = nullptr; }

void Ka3DObject::setPosition(const KaVector3f32& position)
{
    if (position == mPosition)
        return;
    mPosition = position;
    mOnPositionChanged.call();
}

KaVector3f32 Ka3DObject::getWorldPosition() const
{
    if (mParent)
        return mParent->getWorldPosition() + getPosition();
    return getPosition();
}

void Ka3DObject::setSize(const KaVector3f32& size)
{
    if (size == mSize)
        return;
    mSize = size;
    mOnSizeChanged.call();
}

void Ka3DObject::setScaleFromPoint(bool fromPoint, const KaVector3f32& point)
{
    mScaleFromPoint = fromPoint;
    mScalePoint = point;
}

void Ka3DObject::setRotateCenterFromPoint(KaVector3f32 point)
{
    const KaVector3f32 position = getPosition();
    const KaVector3f32 size = getSize();
    KaVector3f32 center = getRotateCenter();
    center.x = (point.x - position.x) / size.x;
    center.y = (point.y - position.y) / size.y;
    setRotateCenter(center);
}

KaMatrix4x4 Ka3DObject::getTransformationMatrix() const
{
    KaMatrix4x4 matrix;
    matrix.translate(mPosition);
    // A NaN angle is not 0 either: it goes through, as any other angle.
    if (!(mRotateAngle == 0.0f)) {
        const KaVector3f32 size = getSize();
        const KaVector3f32 center = getRotateCenter();
        matrix.translate(toPivot(size, center));
        matrix.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), mRotateAngle * 3.1415927f / 180.0f));
        matrix.translate(fromPivot(size, center));
    }
    if (mScale.x != 1.0f || mScale.y != 1.0f || mScale.z != 1.0f) {
        const KaVector3f32 size = getSize();
        const KaVector3f32& center = getScaleCenter();
        matrix.translate(toPivot(size, center));
        matrix.scale(mScale);
        matrix.translate(fromPivot(size, center));
    }
    return matrix;
}

KaMatrix4x4 Ka3DObject::getWorldTransformationMatrix() const
{
    if (mParent)
        return mParent->getWorldTransformationMatrix() * getTransformationMatrix();
    return getTransformationMatrix();
}
