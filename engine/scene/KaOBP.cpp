#include "engine/scene/KaOBP.h"

#include <algorithm>
#include <cfloat>

#include "engine/maths/KaGeometry.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/scene/KaPickMesh2.h"

KaOBP::KaOBP()
    : mBoundsDirty(false)
    , mMinimum(-FLT_MAX, -FLT_MAX)
    , mMaximum(FLT_MAX, FLT_MAX)
{
    mCorners[0] = KaVector3f32(-FLT_MAX, 0.0f, -FLT_MAX);
    mCorners[1] = KaVector3f32(-FLT_MAX, 0.0f, FLT_MAX);
    mCorners[2] = KaVector3f32(FLT_MAX, 0.0f, -FLT_MAX);
    mCorners[3] = KaVector3f32(FLT_MAX, 0.0f, FLT_MAX);
}

KaOBP::~KaOBP() = default;

void KaOBP::addChild(KaI3DObject2* child)
{
    Ka3DObject2::addChild(child);
    mBoundsDirty = true;
}

void KaOBP::addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling)
{
    Ka3DObject2::addChildBefore(child, sibling);
    mBoundsDirty = true;
}

void KaOBP::removeChild(KaI3DObject2* child)
{
    Ka3DObject2::removeChild(child);
    mBoundsDirty = true;
}

void KaOBP::removeChildren()
{
    Ka3DObject2::removeChildren();
    mBoundsDirty = true;
}

// The footprint is in world space: a new parent, or a parent that moves,
// moves it too.
void KaOBP::setParent(KaI3DObject2* parent)
{
    Ka3DObject2::setParent(parent);
    mBoundsDirty = true;
}

bool KaOBP::onParentWorldTransformationMatrixChanged()
{
    mBoundsDirty = true;
    return Ka3DObject2::onParentWorldTransformationMatrixChanged();
}

void KaOBP::setPosition(const KaVector3f32& position)
{
    Ka3DObject2::setPosition(position);
    mBoundsDirty = true;
}

void KaOBP::setZPosition(float) { }

void KaOBP::setSize(const KaVector3f32&) { }

void KaOBP::translate(const KaVector3f32& offset)
{
    Ka3DObject2::translate(offset);
    mBoundsDirty = true;
}

void KaOBP::setScale(const KaVector3f32& scale)
{
    Ka3DObject2::setScale(scale);
    mBoundsDirty = true;
}

void KaOBP::setRotation(const KaQuaternion& rotation)
{
    Ka3DObject2::setRotation(rotation);
    mBoundsDirty = true;
}

void KaOBP::setColor(const KaColor&) { }

void KaOBP::setColorInheritance(bool) { }

void KaOBP::draw() { }

void KaOBP::setCorners(const KaVector3f32& c0, const KaVector3f32& c1, const KaVector3f32& c2, const KaVector3f32& c3)
{
    mCorners[0] = c0;
    mCorners[1] = c1;
    mCorners[2] = c2;
    mCorners[3] = c3;
    mBoundsDirty = true;
}

void KaOBP::updateTransformed()
{
    if (!mBoundsDirty)
        return;
    const KaMatrix4x4 world = worldTransformationMatrix();
    for (unsigned int i = 0; i < 4; ++i) {
        const KaVector3f32 p = world * mCorners[i];
        if (i == 0) {
            mMinimum = KaVector2f32(p.x, p.z);
            mMaximum = mMinimum;
            continue;
        }
        mMinimum.x = std::min(mMinimum.x, p.x);
        mMinimum.y = std::min(mMinimum.y, p.z);
        mMaximum.x = std::max(mMaximum.x, p.x);
        mMaximum.y = std::max(mMaximum.y, p.z);
    }
    mBoundsDirty = false;
}

bool KaOBP::isIn(const KaVector2f32& p)
{
    updateTransformed();
    return mMinimum.x <= p.x && p.x <= mMaximum.x && mMinimum.y <= p.y && p.y <= mMaximum.y;
}

int KaOBP::isIn(const KaVector2f32& a, KaVector2f32 b, const KaVector2f32& c)
{
    updateTransformed();
    const KaVector2f32 rectangle[4] = { KaVector2f32(mMinimum.x, mMinimum.y), KaVector2f32(mMaximum.x, mMinimum.y),
        KaVector2f32(mMaximum.x, mMaximum.y), KaVector2f32(mMinimum.x, mMaximum.y) };
    const KaVector2f32 triangle[3] = { a, b, c };
    for (unsigned int e = 0; e < 3; ++e) {
        for (unsigned int r = 0; r < 4; ++r) {
            if (segmentIntersection(triangle[e], triangle[(e + 1) % 3], rectangle[r], rectangle[(r + 1) % 4]) == 2)
                return CROSSING;
        }
    }
    if (isIn(a) || isIn(b) || isIn(c))
        return INSIDE;
    // No edge crosses and no corner of the triangle is inside: the triangle
    // is either apart or wraps the whole rectangle.
    if (KaPickMesh2::pointInTriangle(rectangle[0], a, b, c))
        return INSIDE;
    return OUTSIDE;
}

bool KaOBP::serialize(KaStream& stream, KaOBP& plane)
{
    bool ok = Ka3DObject2::serialize(stream, plane);
    for (unsigned int i = 0; i < 4; ++i)
        ok = KaVector3f32::serialize(stream, plane.mCorners[i]) && ok;
    return ok;
}

bool KaOBP::deserialize(KaStream& stream, KaOBP& plane)
{
    plane.mBoundsDirty = true;
    if (!Ka3DObject2::deserialize(stream, plane))
        return false;
    KaVector3f32 corners[4];
    for (unsigned int i = 0; i < 4; ++i) {
        if (!KaVector3f32::deserialize(stream, corners[i]))
            return false;
    }
    plane.setCorners(corners[0], corners[1], corners[2], corners[3]);
    return true;
}
