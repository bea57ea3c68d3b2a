#include "engine/scene/KaPickMesh2.h"

#include <cfloat>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/scene/KaRayIntersection.h"

namespace {

// Bytes of one stored triangle: three vertices of three floats.
const unsigned long triangleBytes = 3 * 3 * 4;

int sign(float value) { return value > 0.0f ? 1 : (value < 0.0f ? -1 : 0); }

float cross(const KaVector2f32& a, const KaVector2f32& b) { return a.x * b.y - a.y * b.x; }

KaVector2f32 flat(const KaVector3f32& v) { return KaVector2f32(v.x, v.z); }

// The triangle's hit with t >= 0 (and t below FLT_MAX), in world space.
bool hitTriangle(const KaMatrix4x4& world, const KaArray<KaVector3f32>& vertices, unsigned long triangle,
    const KaVector3f32& origin, const KaVector3f32& direction, KaVector3f32& point, float& t)
{
    const unsigned long first = 3 * triangle;
    return KaRayIntersection::intersect(origin, direction, world * vertices[first], world * vertices[first + 1],
               world * vertices[first + 2], point, t)
        == KaRayIntersection::HIT
        && t >= 0.0f && t < FLT_MAX;
}

} // namespace

KaPickMesh2::KaPickMesh2()
    : mLastTriangleHit(0)
{
}

KaPickMesh2::~KaPickMesh2() = default;

void KaPickMesh2::setNbTriangles(unsigned long count)
{
    mVertices.clear();
    mVertices.resize(3 * count);
    mVertices.shrink();
    mLastTriangleHit = 0;
}

void KaPickMesh2::setTriangle(
    unsigned long index, const KaVector3f32& p0, const KaVector3f32& p1, const KaVector3f32& p2)
{
    if (index >= nbTriangles())
        return;
    mVertices[3 * index] = p0;
    mVertices[3 * index + 1] = p1;
    mVertices[3 * index + 2] = p2;
}

void KaPickMesh2::triangle(unsigned long index, KaVector3f32& p0, KaVector3f32& p1, KaVector3f32& p2) const
{
    if (index >= nbTriangles()) {
        p0 = p1 = p2 = KaVector3f32();
        return;
    }
    p0 = mVertices[3 * index];
    p1 = mVertices[3 * index + 1];
    p2 = mVertices[3 * index + 2];
}

unsigned long KaPickMesh2::lastTriangleHit() const { return mLastTriangleHit < nbTriangles() ? mLastTriangleHit : 0; }

bool KaPickMesh2::intersect(const KaVector3f32& origin, const KaVector3f32& direction, KaVector3f32& point, float& t,
    bool firstHit, unsigned long* index)
{
    const unsigned long count = nbTriangles();
    const KaMatrix4x4 world = worldTransformationMatrix();
    KaVector3f32 hit;
    float at = 0.0f;
    if (firstHit && count != 0) {
        const unsigned long last = lastTriangleHit();
        if (hitTriangle(world, mVertices, last, origin, direction, hit, at)) {
            point = origin + direction * at;
            t = at;
            if (index)
                *index = last;
            return true;
        }
    }

    float best = FLT_MAX;
    for (unsigned long i = 0; i < count; ++i) {
        if (hitTriangle(world, mVertices, i, origin, direction, hit, at) && at < best) {
            mLastTriangleHit = i;
            best = at;
            if (firstHit)
                break;
        }
    }
    if (best == FLT_MAX)
        return false;
    point = origin + direction * best;
    t = best;
    if (index)
        *index = mLastTriangleHit;
    return true;
}

bool KaPickMesh2::pointInTriangle(KaVector2f32 p, KaVector2f32 a, KaVector2f32 b, KaVector2f32 c)
{
    const int s = sign(cross(b - a, c - a));
    // A flat triangle covers nothing; the sign tests below would otherwise
    // take in every point off its line.
    if (s == 0)
        return false;
    if (sign(cross(b - a, p - a)) == -s)
        return false;
    if (sign(cross(c - b, p - b)) == -s)
        return false;
    return sign(cross(a - c, p - c)) != -s;
}

bool KaPickMesh2::intersect2D(const KaVector2f32& p)
{
    const unsigned long count = nbTriangles();
    if (count == 0)
        return false;
    const unsigned long last = lastTriangleHit();
    if (pointInTriangle(p, flat(mVertices[3 * last]), flat(mVertices[3 * last + 1]), flat(mVertices[3 * last + 2])))
        return true;
    for (unsigned long i = 0; i < count; ++i) {
        if (pointInTriangle(p, flat(mVertices[3 * i]), flat(mVertices[3 * i + 1]), flat(mVertices[3 * i + 2]))) {
            mLastTriangleHit = i;
            return true;
        }
    }
    return false;
}

void KaPickMesh2::draw()
{
    const unsigned long count = mVertices.size();
    if (!worldVisible() || count == 0)
        return;
    KaMesh mesh;
    mesh.setConf(count, count, KaMesh::TRIANGLES, 0, 0);
    for (unsigned long i = 0; i < count; ++i) {
        mesh.setVertex(i, mVertices[i]);
        mesh.setIndex(i, static_cast<unsigned int>(i));
    }
    KaRenderer* r = renderer.get();
    const KaColor saved = r->currentColor();
    r->setCurrentColor(KaColor(255, 0, 0, 255));
    r->pushMatrix();
    r->multiplyMatrix(worldTransformationMatrix());
    mesh.draw();
    r->popMatrix();
    r->setCurrentColor(saved);
}

bool KaPickMesh2::serialize(KaStream& stream, KaPickMesh2& mesh)
{
    bool ok = Ka3DObject2::serialize(stream, mesh);
    const unsigned long count = mesh.nbTriangles();
    ok = stream.write(static_cast<unsigned int>(count)) == 4 && ok;
    for (unsigned long i = 0; i < mesh.mVertices.size(); ++i)
        ok = KaVector3f32::serialize(stream, mesh.mVertices[i]) && ok;
    return ok;
}

bool KaPickMesh2::deserialize(KaStream& stream, KaPickMesh2& mesh)
{
    if (!Ka3DObject2::deserialize(stream, mesh))
        return false;
    unsigned int count = 0;
    if (stream.read(count) != 4)
        return false;
    // A stored count the stream cannot hold is refused before it is
    // allocated.
    if (static_cast<unsigned long>(count) > stream.remainingBytes() / triangleBytes)
        return false;
    mesh.setNbTriangles(count);
    for (unsigned long i = 0; i < mesh.mVertices.size(); ++i) {
        if (!KaVector3f32::deserialize(stream, mesh.mVertices[i]))
            return false;
    }
    return true;
}

KaPickMesh2* findNearestMesh(const KaIntrusivePtr<KaCamera>& camera, const KaVector2s32& pixel,
    const KaArray<KaPickMesh2*>& meshes, KaVector3f32* point, bool firstHit)
{
    KaVector3f32 hitPoint;
    KaPickMesh2* result = nullptr;
    if (camera.get()) {
        KaVector3f32 origin;
        KaVector3f32 direction;
        camera->getRay(pixel, origin, direction);
        const float nearDistance = camera->nearDistance();
        float best = camera->farDistance();
        for (unsigned long m = 0; m < meshes.size(); ++m) {
            KaPickMesh2* mesh = meshes[m];
            if (!mesh)
                continue;
            const unsigned long count = mesh->nbTriangles();
            const KaMatrix4x4 world = mesh->worldTransformationMatrix();
            const KaArray<KaVector3f32>& vertices = mesh->vertices();
            KaVector3f32 hit;
            float t = 0.0f;
            if (firstHit && count != 0) {
                const unsigned long last = mesh->lastTriangleHit();
                if (hitTriangle(world, vertices, last, origin, direction, hit, t) && t < best && t >= nearDistance) {
                    if (point)
                        *point = hit;
                    return mesh;
                }
            }
            for (unsigned long i = 0; i < count; ++i) {
                if (hitTriangle(world, vertices, i, origin, direction, hit, t) && t < best && t >= nearDistance) {
                    hitPoint = hit;
                    mesh->setLastTriangleHit(i);
                    best = t;
                    result = mesh;
                    if (firstHit)
                        break;
                }
            }
        }
    }
    if (point)
        *point = hitPoint;
    return result;
}
