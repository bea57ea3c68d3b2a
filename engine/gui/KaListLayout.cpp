#include "engine/gui/KaListLayout.h"

#include <algorithm>
#include <cfloat>

namespace {

KaVector3f32 times(const KaVector3f32& a, const KaVector3f32& b)
{
    return KaVector3f32(a.x * b.x, a.y * b.y, a.z * b.z);
}

KaVector3f32 largest(const KaVector3f32& a, const KaVector3f32& b)
{
    return KaVector3f32(std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z));
}

float clampGap(float gap, float minimum, float maximum)
{
    if (gap > maximum)
        return maximum;
    if (gap < minimum)
        return minimum;
    return gap;
}

}

KaListLayout::KaListLayout()
    : mDirection(0.0f, 1.0f, 0.0f)
    , mMinimumMargin(-1e6f, -1e6f, -1e6f)
    , mMaximumMargin(FLT_MAX, FLT_MAX, FLT_MAX)
{
    // The base laid itself out as a plain layout; a list is the size of its
    // content from its first read on.
    markSizeStale();
}

KaListLayout::~KaListLayout() { }

void KaListLayout::setDirection(const KaVector3f32& value)
{
    if (value == mDirection)
        return;
    mDirection = value;
    markSizeStale();
}

void KaListLayout::setMinimumMargin(const KaVector3f32& value)
{
    if (value == mMinimumMargin)
        return;
    mMinimumMargin = value;
    markSizeStale();
}

void KaListLayout::setMaximumMargin(const KaVector3f32& value)
{
    if (value == mMaximumMargin)
        return;
    mMaximumMargin = value;
    markSizeStale();
}

void KaListLayout::updateSize()
{
    if (!isSizeStale())
        return;
    // The user's settings give the space offered to the list.
    KaLayout::updateSize();
    const CoordinatesType type = sizeType();
    const KaVector3f32 user = userSize();
    updateChildrenPositions();
    restoreUserSize(type, user);
}

void KaListLayout::updateChildrenPositions()
{
    const unsigned long count = childCount();

    KaVector3f32 offset(0.0f, 0.0f, 0.0f);
    KaVector3f32 extent(0.0f, 0.0f, 0.0f);
    for (unsigned long i = 0; i < count; ++i) {
        const KaVector3f32 s = child(i)->size();
        extent = largest(extent, offset + s);
        offset = offset + times(s, mDirection);
    }

    const KaVector3f32 offered(xSize(), ySize(), 0.0f);
    KaVector3f32 gap(0.0f, 0.0f, 0.0f);
    if (count > 1)
        gap = (offered - extent) / static_cast<float>(count - 1);
    const KaVector3f32 low = times(mMinimumMargin, offered);
    const KaVector3f32 high = times(mMaximumMargin, offered);
    gap = KaVector3f32(clampGap(gap.x, low.x, high.x), clampGap(gap.y, low.y, high.y), clampGap(gap.z, low.z, high.z));

    const KaVector3f32 total = extent + gap * static_cast<float>(count > 1 ? count - 1 : 0);
    setSizeType(Pixel);
    setSize(total);
    markSizeStale();
    KaLayout::updateSize();

    const float w = xSize();
    const float h = ySize();
    const float d = size().z;
    offset = KaVector3f32(0.0f, 0.0f, 0.0f);
    for (unsigned long i = 0; i < count; ++i) {
        KaI3DObject2* kid = child(i);
        const KaVector3f32 s = kid->size();
        const KaVector3f32 centre = offset + s / 2.0f;
        if (KaLayout* layout = dynamic_cast<KaLayout*>(kid)) {
            layout->setPositionType(Percent);
            if (w > FLT_EPSILON && h > FLT_EPSILON && d > FLT_EPSILON)
                layout->setPosition(KaVector3f32(centre.x / w, centre.y / h, centre.z));
            else
                layout->setPosition(KaVector3f32(0.5f, 0.5f, 0.0f));
        } else {
            kid->setPosition(centre);
        }
        offset = offset + times(s, mDirection) + gap;
    }
}
