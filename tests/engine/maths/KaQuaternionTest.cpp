#include <gtest/gtest.h>

#include <cmath>

#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "tests/engine/maths/KaMathsTestHelpers.h"

namespace {

const float kHalfPi = 1.5707964f;
const float kPi = 3.1415927f;

KaQuaternion negated(const KaQuaternion& q) { return KaQuaternion(-q.x, -q.y, -q.z, -q.w); }

} // namespace

TEST(KaQuaternion, HamiltonProduct)
{
    struct Case {
        KaQuaternion a, b, expected;
    } cases[] = {
        { KaQuaternion(), KaQuaternion(1, 2, 3, 4), KaQuaternion(1, 2, 3, 4) },
        { KaQuaternion(1, 2, 3, 4), KaQuaternion(), KaQuaternion(1, 2, 3, 4) },
        { KaQuaternion(0, 0, 0, 1), KaQuaternion(1, 0, 0, 0), KaQuaternion(1, 0, 0, 0) },
        // i j = k, j i = -k, i i = -1.
        { KaQuaternion(1, 0, 0, 0), KaQuaternion(0, 1, 0, 0), KaQuaternion(0, 0, 1, 0) },
        { KaQuaternion(0, 1, 0, 0), KaQuaternion(1, 0, 0, 0), KaQuaternion(0, 0, -1, 0) },
        { KaQuaternion(1, 0, 0, 0), KaQuaternion(1, 0, 0, 0), KaQuaternion(0, 0, 0, -1) },
        { KaQuaternion(1, 2, 3, 4), KaQuaternion(5, 6, 7, 8), KaQuaternion(24, 48, 48, -6) },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a * c.b, c.expected);
        KaQuaternion inPlace = c.a;
        inPlace *= c.b;
        EXPECT_EQ(inPlace, c.expected);
    }
}

TEST(KaQuaternion, ToMatrixIsTheTransposedRotation)
{
    KaQuaternion quarterZ = KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), kHalfPi);
    KaMatrix4x4 m = quarterZ.toMatrix();
    EXPECT_NEAR(m.m[1], -1.0f, 1e-6f);
    EXPECT_NEAR(m.m[4], 1.0f, 1e-6f);
    EXPECT_TRUE(KaNear(m * KaVector3f32(1.0f, 0.0f, 0.0f), KaVector3f32(0.0f, -1.0f, 0.0f)));
    for (int i : { 3, 7, 11, 12, 13, 14 })
        EXPECT_EQ(m.m[i], 0.0f) << i;
    EXPECT_EQ(m.m[15], 1.0f);
}

TEST(KaQuaternion, MatrixOfAProductIsTheReversedMatrixProduct)
{
    KaQuaternion a = KaQuaternion::fromEuler(KaVector3f32(0.3f, -0.5f, 1.2f));
    KaQuaternion b = KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.6f, 0.8f), 2.0f);
    EXPECT_TRUE(KaNear((a * b).toMatrix(), b.toMatrix() * a.toMatrix()));
}

TEST(KaQuaternion, AxisAndAngle)
{
    KaVector3f32 axis(9.0f, 9.0f, 9.0f);
    float angle = 9.0f;
    KaQuaternion().toAxisAndAngle(axis, angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(axis, KaVector3f32(0.0f, 0.0f, 0.0f));

    KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.6f, 0.8f), 1.0f).toAxisAndAngle(axis, angle);
    EXPECT_NEAR(angle, 1.0f, 1e-5f);
    EXPECT_TRUE(KaNear(axis, KaVector3f32(0.0f, 0.6f, 0.8f)));

    // The axis is not normalised: its length scales the vector part.
    EXPECT_TRUE(KaNear(KaQuaternion::fromAxisAndAngle(KaVector3f32(2.0f, 0.0f, 0.0f), kPi), KaQuaternion(2, 0, 0, 0)));

    // A w that rounding pushed just past 1 is still the zero rotation, not NaN.
    KaQuaternion(0.0f, 0.0f, 0.0f, std::nextafter(1.0f, 2.0f)).toAxisAndAngle(axis, angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(axis, KaVector3f32(0.0f, 0.0f, 0.0f));
    KaQuaternion(0.0f, 0.0f, 0.0f, std::nextafter(-1.0f, -2.0f)).toAxisAndAngle(axis, angle);
    EXPECT_NEAR(angle, 2.0f * kPi, 1e-5f);
    EXPECT_FALSE(std::isnan(axis.x));
}

TEST(KaQuaternion, EulerRoundTripAwayFromThePoles)
{
    const KaVector3f32 angles[] = {
        KaVector3f32(0.0f, 0.0f, 0.0f),
        KaVector3f32(0.5f, 0.0f, 0.0f),
        KaVector3f32(0.0f, -0.7f, 0.0f),
        KaVector3f32(0.0f, 0.0f, 2.5f),
        KaVector3f32(0.3f, -0.5f, 1.2f),
        KaVector3f32(-2.0f, 1.0f, -3.0f),
    };
    for (const KaVector3f32& a : angles) {
        KaQuaternion q = KaQuaternion::fromEuler(a);
        EXPECT_TRUE(KaNear(q.toEuler(), a, 1e-4f)) << a.x << ", " << a.y << ", " << a.z;
    }
}

TEST(KaQuaternion, EulerComposesXThenYThenZ)
{
    KaVector3f32 a(0.3f, -0.5f, 1.2f);
    KaQuaternion qx = KaQuaternion::fromAxisAndAngle(KaVector3f32(1, 0, 0), a.x);
    KaQuaternion qy = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), a.y);
    KaQuaternion qz = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), a.z);
    EXPECT_TRUE(KaNear(KaQuaternion::fromEuler(a), (qx * qy) * qz));
}

TEST(KaQuaternion, EulerPolesFoldXIntoZ)
{
    struct Case {
        KaVector3f32 angles;
        KaVector3f32 expected;
    } cases[] = {
        { KaVector3f32(0.0f, kHalfPi, 0.0f), KaVector3f32(0.0f, kHalfPi, 0.0f) },
        { KaVector3f32(0.0f, -kHalfPi, 0.0f), KaVector3f32(0.0f, -kHalfPi, 0.0f) },
        // At the pole only the sum (or difference) of the x and z turns is defined.
        { KaVector3f32(0.4f, kHalfPi, 0.0f), KaVector3f32(0.0f, kHalfPi, 0.4f) },
        { KaVector3f32(0.0f, kHalfPi, 0.4f), KaVector3f32(0.0f, kHalfPi, 0.4f) },
        { KaVector3f32(0.4f, -kHalfPi, 0.0f), KaVector3f32(0.0f, -kHalfPi, -0.4f) },
    };
    for (const Case& c : cases) {
        KaVector3f32 e = KaQuaternion::fromEuler(c.angles).toEuler();
        EXPECT_EQ(e.x, 0.0f);
        EXPECT_EQ(e.y, c.expected.y);
        EXPECT_NEAR(e.z, c.expected.z, 1e-5f) << c.angles.x << ", " << c.angles.y << ", " << c.angles.z;
    }
}

TEST(KaQuaternion, NormalizeLeavesNearZeroAlone)
{
    KaQuaternion zero(0, 0, 0, 0);
    zero.normalize();
    EXPECT_EQ(zero, KaQuaternion(0, 0, 0, 0));
    KaQuaternion tiny(0, 0, 0, 1e-10f);
    tiny.normalize();
    EXPECT_EQ(tiny, KaQuaternion(0, 0, 0, 1e-10f));
    KaQuaternion two(0, 0, 0, 2);
    two.normalize();
    EXPECT_EQ(two, KaQuaternion());
    KaQuaternion general(1, 2, 2, 4);
    general.normalize();
    EXPECT_TRUE(KaNear(general, KaQuaternion(0.2f, 0.4f, 0.4f, 0.8f)));
}

TEST(KaQuaternion, SignFlips)
{
    KaQuaternion q(1, -2, 3, -4);
    q.positiveW();
    EXPECT_EQ(q, KaQuaternion(-1, 2, -3, 4));
    q.positiveW();
    EXPECT_EQ(q, KaQuaternion(-1, 2, -3, 4));
    q.opposite();
    EXPECT_EQ(q, KaQuaternion(1, -2, 3, -4));
}

TEST(KaQuaternion, SlerpEndsAndMiddle)
{
    KaQuaternion a;
    KaQuaternion b = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kHalfPi);
    EXPECT_TRUE(KaNear(a.slerp(b, 0.0f, false), a));
    EXPECT_TRUE(KaNear(a.slerp(b, 1.0f, false), b));
    EXPECT_TRUE(KaNear(a.slerp(b, 0.5f, false), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kHalfPi / 2)));
    // The same through the double-precision form.
    EXPECT_TRUE(KaNear(slerpQuat(a, b, 0.5f), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kHalfPi / 2)));
    EXPECT_TRUE(KaNear(slerpQuat(a, b, 0.0f), a));
    EXPECT_TRUE(KaNear(slerpQuat(a, b, 1.0f), b));
}

TEST(KaQuaternion, SlerpTakesTheShortWayOnlyBelowMinusPointFifteen)
{
    const KaQuaternion a;
    // d = -1: the target is negated, and q against itself blends linearly.
    KaQuaternion opposite(0, 0, 0, -1);
    EXPECT_EQ(a.slerp(opposite, 0.3f, false), a);
    EXPECT_EQ(a.slerp(opposite, 1.0f, false), a);
    // keepLong keeps the target: a linear blend of q and -q.
    KaQuaternion kept = a.slerp(opposite, 0.25f, true);
    EXPECT_NEAR(kept.w, 0.5f, 1e-6f);

    // d = -0.1 (a turn of about 191 degrees): not negated, so t = 1 ends on the target itself.
    const float angle = 2.0f * std::acos(-0.1f);
    KaQuaternion far = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), angle);
    EXPECT_TRUE(KaNear(a.slerp(far, 1.0f, false), far));
    // d = -0.5: negated, so t = 1 ends on -target.
    KaQuaternion farther = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), 2.0f * std::acos(-0.5f));
    EXPECT_TRUE(KaNear(a.slerp(farther, 1.0f, false), negated(farther)));
    EXPECT_TRUE(KaNear(a.slerp(farther, 1.0f, true), farther));
}

TEST(KaQuaternion, SlerpQuatOfOppositesGoesThroughThePerpendicular)
{
    KaQuaternion b = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), 0.8f);
    KaQuaternion a = negated(b);
    // Halfway: the quaternion (-b.y, b.x, -b.w, b.z) scaled by sin(pi/4), plus a scaled by the same.
    KaQuaternion mid = slerpQuat(a, b, 0.5f);
    const float k = std::sin(kHalfPi / 2.0f);
    EXPECT_TRUE(KaNear(mid, KaQuaternion(a.x * k - b.y * k, a.y * k + b.x * k, a.z * k - b.w * k, a.w * k + b.z * k)));
    // At t = 1 the path ends on the perpendicular quaternion, not on b.
    EXPECT_TRUE(KaNear(slerpQuat(a, b, 1.0f), KaQuaternion(-b.y, b.x, -b.w, b.z)));
    // q against q blends linearly and gives q back.
    EXPECT_TRUE(KaNear(slerpQuat(b, b, 0.37f), b));
}

TEST(KaQuaternion, LinearInterpolationNormalisesItsEnds)
{
    KaQuaternion a(0, 0, 0, 3);
    KaQuaternion b(0, 0, 5 * std::sin(kHalfPi / 2), 5 * std::cos(kHalfPi / 2));
    KaQuaternion mid = linearInterpolation(a, b, 0.5f);
    EXPECT_TRUE(KaNear(mid, KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kHalfPi / 2)));
}
