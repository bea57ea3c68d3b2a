#include "engine/scene/KaPickMesh.h"

#include <cstring>

#include "engine/graphics/KaRenderer.h"
#include "engine/scene/KaRayIntersection.h"

KaPickMesh::KaPickMesh()
    : mTriangleCount(0)
    , mVertices(nullptr)
    , mEnabled(true)
{
}

KaPickMesh::KaPickMesh(const KaPickMesh& other)
    : KaPickMesh()
{
    copy(other);
}

KaPickMesh& KaPickMesh::operator=(const KaPickMesh& other)
{
    copy(other);
    return *this;
}

KaPickMesh::~KaPickMesh() { destroy(); }

void KaPickMesh::create()
{
    destroy();
    mEnabled = true;
}

void KaPickMesh::destroy()
{
    delete[] mVertices;
    mVertices = nullptr;
    mTriangleCount = 0;
}

void KaPickMesh::nbTriangles(unsigned int count)
{
    if (count == 0)
        return;
    destroy();
    mVertices = new KaVector3f32[3ul * count];
    mTriangleCount = count;
}

void KaPickMesh::setTriangle(unsigned int index, const KaVector3f32& p0, const KaVector3f32& p1, const KaVector3f32& p2)
{
    if (index >= mTriangleCount)
        return;
    mVertices[3ul * index] = p0;
    mVertices[3ul * index + 1] = p1;
    mVertices[3ul * index + 2] = p2;
}

void KaPickMesh::getTriangle(unsigned int index, KaVector3f32& p0, KaVector3f32& p1, KaVector3f32& p2) const
{
    if (index >= mTriangleCount) {
        p0 = p1 = p2 = KaVector3f32();
        return;
    }
    p0 = mVertices[3ul * index];
    p1 = mVertices[3ul * index + 1];
    p2 = mVertices[3ul * index + 2];
}

void KaPickMesh::copy(const KaPickMesh& other)
{
    if (&other == this)
        return;
    destroy();
    mName = other.mName;
    mVector0 = other.mVector0;
    mVector1 = other.mVector1;
    mVector2 = other.mVector2;
    mEnabled = other.mEnabled;
    if (other.mTriangleCount != 0) {
        mVertices = new KaVector3f32[3ul * other.mTriangleCount];
        std::memcpy(static_cast<void*>(mVertices), other.mVertices, sizeof(KaVector3f32) * 3ul * other.mTriangleCount);
        mTriangleCount = other.mTriangleCount;
    }
}

KaPickMesh& KaPickMesh::operator+=(const KaPickMesh& other)
{
    if (other.mTriangleCount == 0)
        return *this;
    const unsigned long count = static_cast<unsigned long>(mTriangleCount) + other.mTriangleCount;
    KaVector3f32* vertices = new KaVector3f32[3ul * count];
    if (mTriangleCount != 0)
        std::memcpy(static_cast<void*>(vertices), mVertices, sizeof(KaVector3f32) * 3ul * mTriangleCount);
    // Copied before this mesh's storage goes, in case other is this mesh.
    std::memcpy(static_cast<void*>(vertices + 3ul * mTriangleCount), other.mVertices,
        sizeof(KaVector3f32) * 3ul * other.mTriangleCount);
    delete[] mVertices;
    mVertices = vertices;
    mTriangleCount = static_cast<unsigned int>(count);
    return *this;
}

bool KaPickMesh::operator==(const KaPickMesh& other) const
{
    if (!(mName == other.mName) || mVector0 != other.mVector0 || mVector1 != other.mVector1
        || mVector2 != other.mVector2 || mTriangleCount != other.mTriangleCount || !mVertices || !other.mVertices)
        return false;
    return std::memcmp(mVertices, other.mVertices, sizeof(KaVector3f32) * 3ul * mTriangleCount) == 0;
}

void KaPickMesh::render() const
{
    KaRenderer* r = renderer.get();
    for (unsigned int i = 0; i < mTriangleCount; ++i) {
        const KaVector3f32* p = mVertices + 3ul * i;
        r->drawLine(p[0], p[1]);
        r->drawLine(p[1], p[2]);
        r->drawLine(p[2], p[0]);
    }
}

bool KaPickMesh::intersect(
    const KaVector3f32& origin, const KaVector3f32& direction, KaVector3f32& point, float& t) const
{
    if (!mEnabled || mTriangleCount == 0)
        return false;
    bool found = false;
    for (unsigned int i = 0; i < mTriangleCount; ++i) {
        const KaVector3f32* p = mVertices + 3ul * i;
        KaVector3f32 hit;
        float at = 0.0f;
        if (KaRayIntersection::intersect(origin, direction, p[0], p[1], p[2], hit, at) == KaRayIntersection::HIT
            && at >= 0.0f && (!found || at < t)) {
            found = true;
            t = at;
            point = hit;
        }
    }
    return found;
}
