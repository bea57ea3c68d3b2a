#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "engine/core/KaStream.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaOBP.h"

namespace {

typedef KaVector2f32 V2;
typedef KaVector3f32 V3;

// The rectangle x in [0, 4], z in [0, 2] at height 1.
void square(KaOBP& plane) { plane.setCorners(V3(0, 1, 0), V3(0, 1, 2), V3(4, 1, 0), V3(4, 1, 2)); }

} // namespace

TEST(KaOBP, DefaultPlaneContainsEverything)
{
    KaOBP plane;
    EXPECT_FALSE(plane.boundsDirty());
    EXPECT_TRUE(plane.isIn(V2(0, 0)));
    EXPECT_TRUE(plane.isIn(V2(-3e38f, 3e38f)));
    EXPECT_EQ(plane.isIn(V2(1, 1), V2(2, 1), V2(1, 2)), KaOBP::INSIDE);
}

TEST(KaOBP, PointsEdgesIncluded)
{
    KaOBP plane;
    square(plane);
    EXPECT_TRUE(plane.boundsDirty());
    struct Case {
        V2 p;
        bool inside;
    };
    const Case cases[] = {
        { V2(2, 1), true },
        { V2(0, 0), true },
        { V2(4, 2), true },
        { V2(4, 1), true },
        { V2(2, 0), true },
        { V2(-0.01f, 1), false },
        { V2(2, 2.01f), false },
        { V2(5, 5), false },
        { V2(2, -1), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(plane.isIn(c.p), c.inside) << c.p.x << ", " << c.p.y;
    EXPECT_FALSE(plane.boundsDirty());
    EXPECT_EQ(plane.minimum(), V2(0, 0));
    EXPECT_EQ(plane.maximum(), V2(4, 2));
}

TEST(KaOBP, Triangles)
{
    KaOBP plane;
    square(plane);
    struct Case {
        const char* name;
        V2 a;
        V2 b;
        V2 c;
        int result;
    };
    const Case cases[] = {
        { "wholly inside", V2(1, 0.5f), V2(3, 0.5f), V2(2, 1.5f), KaOBP::INSIDE },
        { "apart", V2(10, 10), V2(12, 10), V2(10, 12), KaOBP::OUTSIDE },
        { "apart, its box overlapping", V2(3.5f, 3), V2(6, 0.5f), V2(6, 3), KaOBP::OUTSIDE },
        { "an edge across", V2(-1, 1), V2(5, 1), V2(2, 5), KaOBP::CROSSING },
        { "a corner poking in", V2(3, 1), V2(6, 3), V2(6, -3), KaOBP::CROSSING },
        { "enclosing the rectangle", V2(-10, -10), V2(30, -10), V2(-10, 30), KaOBP::INSIDE },
        { "enclosing, clockwise", V2(-10, -10), V2(-10, 30), V2(30, -10), KaOBP::INSIDE },
        { "flat, apart", V2(-5, -5), V2(-1, -1), V2(-3, -3), KaOBP::OUTSIDE },
    };
    for (const Case& c : cases)
        EXPECT_EQ(plane.isIn(c.a, c.b, c.c), c.result) << c.name;
}

// Moving, scaling or rotating the plane (or its parent) changes the next
// answer; size, z position and colour setters change nothing.
TEST(KaOBP, TransformsRecomputeTheRectangle)
{
    KaOBP plane;
    square(plane);
    EXPECT_TRUE(plane.isIn(V2(1, 1)));

    plane.setPosition(V3(10, 0, 0));
    EXPECT_FALSE(plane.isIn(V2(1, 1)));
    EXPECT_TRUE(plane.isIn(V2(11, 1)));

    plane.translate(V3(0, 0, 10));
    EXPECT_TRUE(plane.isIn(V2(11, 11)));

    plane.setScale(V3(2, 1, 1));
    EXPECT_TRUE(plane.isIn(V2(17, 11)));
    EXPECT_EQ(plane.maximum(), V2(18, 12));

    plane.setSize(V3(100, 100, 100));
    plane.setZPosition(500.0f);
    EXPECT_FALSE(plane.boundsDirty());
    EXPECT_EQ(plane.position(), V3(10, 0, 10));

    // A quarter turn about y: the footprint is 2 wide along x, 8 along z.
    plane.setPosition(V3(0, 0, 0));
    const float half = 3.14159265f / 4.0f;
    plane.setRotation(KaQuaternion(0.0f, std::sin(half), 0.0f, std::cos(half)));
    plane.updateTransformed();
    EXPECT_NEAR(plane.maximum().x - plane.minimum().x, 2.0f, 1e-4f);
    EXPECT_NEAR(plane.maximum().y - plane.minimum().y, 8.0f, 1e-4f);

    // The footprint is in world space: the parent's move moves it.
    KaOBP moved;
    square(moved);
    Ka3DObject2 parent;
    parent.addChild(&moved);
    EXPECT_TRUE(moved.isIn(V2(1, 1)));
    parent.setPosition(V3(100, 0, 0));
    EXPECT_FALSE(moved.isIn(V2(1, 1)));
    EXPECT_TRUE(moved.isIn(V2(101, 1)));
    parent.removeChild(&moved);
}

TEST(KaOBP, StreamRoundTrip)
{
    KaOBP plane;
    plane.setName("occluder");
    plane.setPosition(V3(1, 2, 3));
    square(plane);
    KaStream stream;
    ASSERT_TRUE(KaOBP::serialize(stream, plane));
    const unsigned long length = stream.bufferLength();
    EXPECT_EQ(length, 4u + 8u + 12u + 16u + 12u + 48u);

    stream.seek(0);
    KaOBP copy;
    ASSERT_TRUE(KaOBP::deserialize(stream, copy));
    EXPECT_TRUE(copy.name() == KaString("occluder"));
    for (unsigned int i = 0; i < 4; ++i)
        EXPECT_EQ(copy.corner(i), plane.corner(i));
    EXPECT_TRUE(copy.isIn(V2(2, 4)));
    EXPECT_FALSE(copy.isIn(V2(0, 0)));

    for (unsigned long cut = 0; cut < length; ++cut) {
        KaStream shorter;
        shorter.writeData(stream.data(), cut);
        shorter.seek(0);
        KaOBP target;
        EXPECT_FALSE(KaOBP::deserialize(shorter, target)) << cut;
    }
}
