#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaList.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaCamera.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaPickMesh.h"
#include "engine/scene/KaPickMesh2.h"
#include "engine/scene/KaRayIntersection.h"

namespace {

typedef KaVector3f32 V3;
typedef KaVector2f32 V2;

const float pi = 3.14159265358979f;

// A triangle facing the camera (its plane is z = depth), covering x, y in
// [-size, size] around (cx, cy).
void wall(KaPickMesh2& mesh, unsigned long index, float depth, float cx = 0.0f, float cy = 0.0f, float size = 5.0f)
{
    mesh.setTriangle(index, V3(cx - size, cy - size, depth), V3(cx + 3.0f * size, cy - size, depth),
        V3(cx - size, cy + 3.0f * size, depth));
}

// A camera at the origin looking along +z, 256 x 256 pixels, a right angle
// of view: the centre pixel's ray is +z.
KaIntrusivePtr<KaCamera> makeCamera(float nearDistance = 1.0f, float farDistance = 100.0f)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    camera->setFov(pi / 2.0f);
    camera->setAspect(1.0f);
    camera->setNearDistance(nearDistance);
    camera->setFarDistance(farDistance);
    camera->viewport(0, 0, 256, 256);
    camera->projectionMatrix();
    return camera;
}

const KaVector2s32 centre(128, 128);

} // namespace

TEST(KaRayIntersection, Cases)
{
    const V3 p0(0.0f, 0.0f, 0.0f);
    const V3 p1(4.0f, 0.0f, 0.0f);
    const V3 p2(0.0f, 0.0f, 4.0f);
    struct Case {
        const char* name;
        V3 origin;
        V3 direction;
        int result;
        float t;
    };
    const Case cases[] = {
        { "straight down on the inside", V3(1.0f, 5.0f, 1.0f), V3(0.0f, -1.0f, 0.0f), 1, 5.0f },
        { "t counts in direction lengths", V3(1.0f, 5.0f, 1.0f), V3(0.0f, -2.0f, 0.0f), 1, 2.5f },
        { "from below", V3(1.0f, -3.0f, 1.0f), V3(0.0f, 1.0f, 0.0f), 1, 3.0f },
        { "on an edge", V3(2.0f, 1.0f, 0.0f), V3(0.0f, -1.0f, 0.0f), 1, 1.0f },
        { "on the hypotenuse", V3(2.0f, 1.0f, 2.0f), V3(0.0f, -1.0f, 0.0f), 1, 1.0f },
        { "on a vertex", V3(4.0f, 1.0f, 0.0f), V3(0.0f, -1.0f, 0.0f), 1, 1.0f },
        { "beside the triangle", V3(3.0f, 1.0f, 3.0f), V3(0.0f, -1.0f, 0.0f), 0, 0.0f },
        { "pointing away", V3(1.0f, 5.0f, 1.0f), V3(0.0f, 1.0f, 0.0f), 0, 0.0f },
        { "parallel above", V3(1.0f, 5.0f, 1.0f), V3(1.0f, 0.0f, 0.0f), 0, 0.0f },
        { "parallel in the plane", V3(-1.0f, 0.0f, 1.0f), V3(1.0f, 0.0f, 0.0f), 2, 0.0f },
        { "origin on the triangle", V3(1.0f, 0.0f, 1.0f), V3(0.0f, -1.0f, 0.0f), 1, 0.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        V3 point;
        float t = -1.0f;
        ASSERT_EQ(KaRayIntersection::intersect(c.origin, c.direction, p0, p1, p2, point, t), c.result);
        if (c.result == 1) {
            EXPECT_FLOAT_EQ(t, c.t);
            const V3 expected = c.origin + c.direction * c.t;
            EXPECT_NEAR(point.x, expected.x, 1e-6f);
            EXPECT_NEAR(point.y, expected.y, 1e-6f);
            EXPECT_NEAR(point.z, expected.z, 1e-6f);
        }
    }
    V3 point;
    float t = 0.0f;
    EXPECT_EQ(KaRayIntersection::intersect(
                  V3(0.0f, 1.0f, 0.0f), V3(0.0f, -1.0f, 0.0f), p0, p1, V3(8.0f, 0.0f, 0.0f), point, t),
        -1);
    EXPECT_EQ(KaRayIntersection::intersect(V3(0.0f, 1.0f, 0.0f), V3(0.0f, -1.0f, 0.0f), p0, p0, p0, point, t), -1);
}

TEST(KaPickMesh2, TrianglesAndLastHit)
{
    KaPickMesh2 mesh;
    mesh.setNbTriangles(3);
    EXPECT_EQ(mesh.nbTriangles(), 3u);
    EXPECT_EQ(mesh.vertices().size(), 9u);
    mesh.setTriangle(2, V3(1, 2, 3), V3(4, 5, 6), V3(7, 8, 9));
    mesh.setTriangle(3, V3(1, 1, 1), V3(1, 1, 1), V3(1, 1, 1)); // past the end: ignored
    V3 a, b, c;
    mesh.triangle(2, a, b, c);
    EXPECT_EQ(a, V3(1, 2, 3));
    EXPECT_EQ(c, V3(7, 8, 9));
    mesh.triangle(7, a, b, c);
    EXPECT_EQ(a, V3());

    mesh.setLastTriangleHit(2);
    EXPECT_EQ(mesh.lastTriangleHit(), 2u);
    mesh.setLastTriangleHit(5);
    EXPECT_EQ(mesh.lastTriangleHit(), 0u);
    mesh.setLastTriangleHit(2);
    mesh.setNbTriangles(2);
    EXPECT_EQ(mesh.lastTriangleHit(), 0u);
    mesh.triangle(0, a, b, c);
    EXPECT_EQ(b, V3());
}

// Three walls in a row along the ray, listed far, near, middle: the plain
// search answers the nearest; first-hit answers the first in order, then
// keeps answering the triangle it remembered. The node's transform applies.
TEST(KaPickMesh2, IntersectNearestFirstAndTransformed)
{
    KaPickMesh2 mesh;
    mesh.setNbTriangles(3);
    wall(mesh, 0, 30.0f);
    wall(mesh, 1, 10.0f);
    wall(mesh, 2, 20.0f);
    const V3 origin(0.0f, 0.0f, 0.0f);
    const V3 forward(0.0f, 0.0f, 1.0f);
    V3 point;
    float t = 0.0f;
    unsigned long index = 99;

    ASSERT_TRUE(mesh.intersect(origin, forward, point, t, false, &index));
    EXPECT_FLOAT_EQ(t, 10.0f);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(mesh.lastTriangleHit(), 1u);

    mesh.setLastTriangleHit(2);
    ASSERT_TRUE(mesh.intersect(origin, forward, point, t, true, &index));
    EXPECT_FLOAT_EQ(t, 20.0f);
    EXPECT_EQ(index, 2u);

    // The remembered triangle is missed: the first hit in order wins.
    mesh.setTriangle(2, V3(100, 100, 5), V3(101, 100, 5), V3(100, 101, 5));
    ASSERT_TRUE(mesh.intersect(origin, forward, point, t, true, &index));
    EXPECT_FLOAT_EQ(t, 30.0f);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(point, V3(0.0f, 0.0f, 30.0f));

    // Behind the origin: nothing.
    EXPECT_FALSE(mesh.intersect(V3(0.0f, 0.0f, 50.0f), forward, point, t, false));

    // Moved 5 along z and scaled twice along x: the walls are 5 further and
    // still cover the ray.
    mesh.setPosition(V3(0.0f, 0.0f, 5.0f));
    mesh.setScale(V3(2.0f, 1.0f, 1.0f));
    ASSERT_TRUE(mesh.intersect(origin, forward, point, t, false, &index));
    EXPECT_FLOAT_EQ(t, 15.0f);
    EXPECT_EQ(index, 1u);
    // A ray at x = 12 meets the walls only because of the scale: locally
    // their hypotenuse is x + y = 10.
    EXPECT_TRUE(mesh.intersect(V3(12.0f, 0.0f, 0.0f), forward, point, t, false));
    mesh.setScale(V3(1.0f, 1.0f, 1.0f));
    EXPECT_FALSE(mesh.intersect(V3(12.0f, 0.0f, 0.0f), forward, point, t, false));

    KaPickMesh2 empty;
    EXPECT_FALSE(empty.intersect(origin, forward, point, t, true));
}

TEST(KaPickMesh2, PointInTriangle)
{
    struct Case {
        const char* name;
        V2 p;
        V2 a;
        V2 b;
        V2 c;
        bool inside;
    };
    const V2 a(0, 0), b(4, 0), c(0, 4);
    const Case cases[] = {
        { "inside", V2(1, 1), a, b, c, true },
        { "inside, clockwise", V2(1, 1), a, c, b, true },
        { "on an edge", V2(2, 0), a, b, c, true },
        { "on the hypotenuse", V2(2, 2), a, b, c, true },
        { "on a corner", V2(4, 0), a, b, c, true },
        { "outside", V2(3, 3), a, b, c, false },
        { "outside, clockwise", V2(-1, 1), a, c, b, false },
        { "flat triangle, point off its line", V2(1, 1), a, b, V2(8, 0), false },
        { "flat triangle, point on its line", V2(2, 0), a, b, V2(8, 0), false },
        { "a single point", V2(1, 1), a, a, a, false },
    };
    for (const Case& k : cases) {
        EXPECT_EQ(KaPickMesh2::pointInTriangle(k.p, k.a, k.b, k.c), k.inside) << k.name;
    }
}

// intersect2D works on the local (x, z) footprint, ignores the transform,
// and remembers the triangle it found.
TEST(KaPickMesh2, Intersect2D)
{
    KaPickMesh2 mesh;
    EXPECT_FALSE(mesh.intersect2D(V2(0, 0)));
    mesh.setNbTriangles(2);
    mesh.setTriangle(0, V3(0, 7, 0), V3(4, 7, 0), V3(0, 7, 4));
    mesh.setTriangle(1, V3(10, -3, 0), V3(14, -3, 0), V3(10, -3, 4));
    mesh.setPosition(V3(100.0f, 0.0f, 100.0f));
    EXPECT_TRUE(mesh.intersect2D(V2(11, 1)));
    EXPECT_EQ(mesh.lastTriangleHit(), 1u);
    EXPECT_TRUE(mesh.intersect2D(V2(1, 1)));
    EXPECT_EQ(mesh.lastTriangleHit(), 0u);
    EXPECT_FALSE(mesh.intersect2D(V2(101, 101)));
    EXPECT_FALSE(mesh.intersect2D(V2(5, 5)));
    EXPECT_EQ(mesh.lastTriangleHit(), 0u);
}

TEST(KaPickMesh2, StreamRoundTripAndBadRecords)
{
    KaPickMesh2 mesh;
    mesh.setName("floor");
    mesh.setPosition(V3(1, 2, 3));
    mesh.setScale(V3(2, 2, 2));
    mesh.setNbTriangles(2);
    mesh.setTriangle(0, V3(1, 2, 3), V3(4, 5, 6), V3(7, 8, 9));
    mesh.setTriangle(1, V3(-1, -2, -3), V3(0.5f, 0, 0), V3(0, 0, 1e30f));
    KaStream stream;
    ASSERT_TRUE(KaPickMesh2::serialize(stream, mesh));
    const unsigned long length = stream.bufferLength();
    // Header: name (4 + 5), position 12, rotation 16, scale 12; count 4;
    // 6 vertices of 12.
    EXPECT_EQ(length, 4u + 5u + 12u + 16u + 12u + 4u + 72u);

    stream.seek(0);
    KaPickMesh2 copy;
    copy.setLastTriangleHit(1);
    ASSERT_TRUE(KaPickMesh2::deserialize(stream, copy));
    EXPECT_TRUE(copy.name() == KaString("floor"));
    EXPECT_EQ(copy.position(), V3(1, 2, 3));
    EXPECT_EQ(copy.scale(), V3(2, 2, 2));
    ASSERT_EQ(copy.nbTriangles(), 2u);
    for (unsigned long i = 0; i < 6; ++i)
        EXPECT_EQ(copy.vertices()[i], mesh.vertices()[i]);

    // Every truncation fails without reading past the data.
    for (unsigned long cut = 0; cut < length; ++cut) {
        KaStream shorter;
        shorter.writeData(stream.data(), cut);
        shorter.seek(0);
        KaPickMesh2 target;
        EXPECT_FALSE(KaPickMesh2::deserialize(shorter, target)) << cut;
    }

    // A count far beyond the bytes left is refused before any allocation.
    KaStream huge;
    huge.writeData(stream.data(), 4 + 5 + 12 + 16 + 12);
    huge.write(0xFFFFFFFFu);
    huge.writeData(stream.data() + length - 72, 72);
    huge.seek(0);
    KaPickMesh2 target;
    EXPECT_FALSE(KaPickMesh2::deserialize(huge, target));
    EXPECT_EQ(target.nbTriangles(), 0u);
}

// Rays through the camera: the nearest mesh wins without first-hit; with it
// each mesh offers its first triangle hit in order (or the one it
// remembered) and a later mesh wins only when nearer; hits closer than the
// near plane or beyond the far plane are ignored.
TEST(FindNearestMesh, ThroughACamera)
{
    KaIntrusivePtr<KaCamera> camera = makeCamera(5.0f, 50.0f);
    KaPickMesh2 tooNear;
    tooNear.setNbTriangles(1);
    wall(tooNear, 0, 2.0f);
    KaPickMesh2 layered;
    layered.setNbTriangles(2);
    wall(layered, 0, 30.0f);
    wall(layered, 1, 20.0f);
    KaPickMesh2 far;
    far.setNbTriangles(1);
    wall(far, 0, 40.0f);
    KaPickMesh2 tooFar;
    tooFar.setNbTriangles(1);
    wall(tooFar, 0, 60.0f);

    KaArray<KaPickMesh2*> meshes;
    meshes.pushBack(&tooNear);
    meshes.pushBack(&layered);
    meshes.pushBack(nullptr);
    meshes.pushBack(&far);
    meshes.pushBack(&tooFar);

    V3 point(9, 9, 9);
    EXPECT_EQ(findNearestMesh(camera, centre, meshes, &point, false), &layered);
    EXPECT_NEAR(point.z, 20.0f, 1e-4f);
    EXPECT_NEAR(point.x, 0.0f, 1e-4f);
    EXPECT_EQ(layered.lastTriangleHit(), 1u);

    // First hit: a remembered triangle that is hit answers at once, even
    // with a nearer triangle after it.
    layered.setLastTriangleHit(0);
    EXPECT_EQ(findNearestMesh(camera, centre, meshes, &point, true), &layered);
    EXPECT_NEAR(point.z, 30.0f, 1e-4f);
    // The remembered triangle missed: the first triangle hit in order.
    layered.setTriangle(0, V3(100, 100, 5), V3(101, 100, 5), V3(100, 101, 5));
    EXPECT_EQ(findNearestMesh(camera, centre, meshes, &point, true), &layered);
    EXPECT_NEAR(point.z, 20.0f, 1e-4f);
    EXPECT_EQ(layered.lastTriangleHit(), 1u);
    // A later mesh wins only when nearer.
    wall(layered, 1, 45.0f);
    layered.setLastTriangleHit(0);
    EXPECT_EQ(findNearestMesh(camera, centre, meshes, &point, true), &far);
    EXPECT_NEAR(point.z, 40.0f, 1e-4f);

    // A corner pixel: the ray leans left and down and misses every wall in
    // range (tooNear, crossed at 3.5, is nearer than the near plane).
    point = V3(9, 9, 9);
    EXPECT_EQ(findNearestMesh(camera, KaVector2s32(0, 0), meshes, &point, false), nullptr);
    EXPECT_EQ(point, V3());

    KaArray<KaPickMesh2*> none;
    EXPECT_EQ(findNearestMesh(camera, centre, none, nullptr, false), nullptr);
    EXPECT_EQ(findNearestMesh(KaIntrusivePtr<KaCamera>(), centre, meshes, &point, false), nullptr);
}

// A camera that looks down on a floor: the clicked pixel's ray lands on the
// floor where the camera projects that point back.
TEST(FindNearestMesh, ClickOnARotatedFloor)
{
    KaIntrusivePtr<KaCamera> camera = makeCamera(0.5f, 1000.0f);
    camera->setPosition(V3(0.0f, 20.0f, -20.0f));
    // A quarter turn halved, about x: the view tilts down to the floor.
    const float half = pi / 8.0f;
    camera->setRotation(KaQuaternion(-std::sin(half), 0.0f, 0.0f, std::cos(half)));
    camera->projectionMatrix();

    KaPickMesh2 floor;
    floor.setNbTriangles(2);
    floor.setTriangle(0, V3(-50, 0, -50), V3(50, 0, -50), V3(50, 0, 50));
    floor.setTriangle(1, V3(-50, 0, -50), V3(50, 0, 50), V3(-50, 0, 50));
    KaArray<KaPickMesh2*> meshes;
    meshes.pushBack(&floor);

    const KaVector2s32 pixels[] = { KaVector2s32(128, 128), KaVector2s32(30, 60), KaVector2s32(200, 100) };
    for (const KaVector2s32& pixel : pixels) {
        V3 point;
        ASSERT_EQ(findNearestMesh(camera, pixel, meshes, &point, false), &floor) << pixel.x << ", " << pixel.y;
        EXPECT_NEAR(point.y, 0.0f, 1e-3f);
        const V3 back = camera->projectPoint3f32(point);
        EXPECT_NEAR(back.x, static_cast<float>(pixel.x), 0.05f);
        EXPECT_NEAR(256.0f - back.y, static_cast<float>(pixel.y), 0.05f);
    }
}

TEST(KaPickMesh, CopyAppendCompare)
{
    KaPickMesh a;
    EXPECT_EQ(a.triangleCount(), 0u);
    EXPECT_TRUE(a.enabled());
    KaPickMesh emptyCopy(a);
    EXPECT_FALSE(a == emptyCopy) << "meshes without triangles equal nothing";

    a.setName("a");
    a.nbTriangles(2);
    a.setTriangle(0, V3(0, 0, 0), V3(1, 0, 0), V3(0, 0, 1));
    a.setTriangle(1, V3(0, 0, 5), V3(1, 0, 5), V3(0, 1, 5));
    a.setTriangle(2, V3(9, 9, 9), V3(9, 9, 9), V3(9, 9, 9)); // ignored
    KaPickMesh b(a);
    EXPECT_TRUE(a == b);
    b.setTriangle(1, V3(0, 0, 6), V3(1, 0, 5), V3(0, 1, 5));
    EXPECT_FALSE(a == b);
    b = a;
    EXPECT_TRUE(a == b);
    b.setName("b");
    EXPECT_FALSE(a == b);

    b += a;
    EXPECT_EQ(b.triangleCount(), 4u);
    V3 p0, p1, p2;
    b.getTriangle(3, p0, p1, p2);
    EXPECT_EQ(p0, V3(0, 0, 5));
    b += b;
    EXPECT_EQ(b.triangleCount(), 8u);
    b.getTriangle(7, p0, p1, p2);
    EXPECT_EQ(p2, V3(0, 1, 5));

    a.nbTriangles(0); // does nothing
    EXPECT_EQ(a.triangleCount(), 2u);
    a.nbTriangles(1); // new zeroed storage
    a.getTriangle(0, p0, p1, p2);
    EXPECT_EQ(p1, V3());
    a.destroy();
    EXPECT_EQ(a.triangleCount(), 0u);
}

TEST(KaPickMesh, IntersectAndGetMeshTakeTheNearest)
{
    KaPickMesh near;
    near.nbTriangles(1);
    near.setTriangle(0, V3(-5, -5, 10), V3(15, -5, 10), V3(-5, 15, 10));
    KaPickMesh far;
    far.nbTriangles(2);
    far.setTriangle(0, V3(-5, -5, 40), V3(15, -5, 40), V3(-5, 15, 40));
    far.setTriangle(1, V3(-5, -5, 30), V3(15, -5, 30), V3(-5, 15, 30));
    KaPickMesh behind;
    behind.nbTriangles(1);
    behind.setTriangle(0, V3(-5, -5, -10), V3(15, -5, -10), V3(-5, 15, -10));

    const V3 origin;
    const V3 forward(0, 0, 1);
    V3 point;
    float t = 0.0f;
    ASSERT_TRUE(far.intersect(origin, forward, point, t));
    EXPECT_FLOAT_EQ(t, 30.0f);
    EXPECT_FALSE(behind.intersect(origin, forward, point, t));
    far.setEnabled(false);
    EXPECT_FALSE(far.intersect(origin, forward, point, t));
    far.setEnabled(true);

    // The nearest hit wins whatever the list's order.
    KaList<KaPickMesh*> meshes;
    meshes.pushBack(&near);
    meshes.pushBack(&behind);
    meshes.pushBack(&far);
    EXPECT_EQ(KaRayIntersection::getMesh(origin, forward, meshes, 1000.0f, 0.0f, &point), &near);
    EXPECT_EQ(point, V3(0, 0, 10));
    // Bounds: [minimum, maximum).
    EXPECT_EQ(KaRayIntersection::getMesh(origin, forward, meshes, 1000.0f, 11.0f, &point), &far);
    EXPECT_EQ(point, V3(0, 0, 30));
    EXPECT_EQ(KaRayIntersection::getMesh(origin, forward, meshes, 10.0f, 0.0f, &point), nullptr);
    near.setEnabled(false);
    EXPECT_EQ(KaRayIntersection::getMesh(origin, forward, meshes, 1000.0f, 0.0f, nullptr), &far);
    KaList<KaPickMesh*> empty;
    EXPECT_EQ(KaRayIntersection::getMesh(origin, forward, empty, 1000.0f, 0.0f, &point), nullptr);
}
