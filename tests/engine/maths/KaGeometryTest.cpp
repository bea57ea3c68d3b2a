#include <gtest/gtest.h>

#include <limits>

#include "engine/maths/KaGeometry.h"

TEST(KaGeometry, SegmentIntersection)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        KaVector2f32 a1, a2, b1, b2;
        int expected;
        KaVector2f32 point;
        float s, u;
    } cases[] = {
        { "crossing", { 0, 0 }, { 2, 0 }, { 1, -1 }, { 1, 1 }, 2, { 1, 0 }, 0.5f, 0.5f },
        { "off centre", { 0, 0 }, { 4, 0 }, { 1, -1 }, { 1, 3 }, 2, { 1, 0 }, 0.25f, 0.25f },
        { "touching ends", { 0, 0 }, { 1, 0 }, { 1, 0 }, { 1, 1 }, 2, { 1, 0 }, 1.0f, 0.0f },
        { "parallel", { 0, 0 }, { 1, 0 }, { 0, 1 }, { 1, 1 }, 0, {}, 0, 0 },
        { "collinear apart", { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 }, 0, {}, 0, 0 },
        { "collinear overlapping", { 0, 0 }, { 2, 0 }, { 1, 0 }, { 3, 0 }, 0, {}, 0, 0 },
        { "zero length", { 1, 1 }, { 1, 1 }, { 0, 0 }, { 2, 2 }, 0, {}, 0, 0 },
        { "beyond the first", { 0, 0 }, { 1, 0 }, { 2, -1 }, { 2, 1 }, 1, {}, 0, 0 },
        { "beyond the second", { 0, 0 }, { 2, 0 }, { 1, 1 }, { 1, 2 }, 1, {}, 0, 0 },
        { "NaN", { 0, 0 }, { 2, 0 }, { 1, nan }, { 1, 1 }, 1, {}, 0, 0 },
    };
    for (const Case& c : cases) {
        KaVector2f32 point(-9.0f, -9.0f);
        float s = -9.0f;
        float u = -9.0f;
        EXPECT_EQ(segmentIntersection(c.a1, c.a2, c.b1, c.b2, &point, &s, &u), c.expected) << c.name;
        if (c.expected == 2) {
            EXPECT_EQ(point, c.point) << c.name;
            EXPECT_EQ(s, c.s) << c.name;
            EXPECT_EQ(u, c.u) << c.name;
        } else {
            // Nothing written unless the segments cross.
            EXPECT_EQ(point, KaVector2f32(-9.0f, -9.0f)) << c.name;
            EXPECT_EQ(s, -9.0f) << c.name;
            EXPECT_EQ(u, -9.0f) << c.name;
        }
        // Null outputs are skipped.
        EXPECT_EQ(segmentIntersection(c.a1, c.a2, c.b1, c.b2), c.expected) << c.name;
    }
}

TEST(KaGeometry, Ranges)
{
    struct Case {
        float a0, a1, b0, b1;
        float lo, hi;
        bool collide;
    } cases[] = {
        { 0, 5, 3, 8, 3, 5, true },
        { 3, 8, 0, 5, 3, 5, true },
        { 0, 1, 2, 3, 2, 1, false },
        { 0, 1, 1, 2, 1, 1, false },
        { 0, 1.5f, 1, 2, 1, 1.5f, true },
        { 0, 10, 2, 3, 2, 3, true },
    };
    for (const Case& c : cases) {
        float lo = -1.0f;
        float hi = -1.0f;
        getRangeIntersection(c.a0, c.a1, c.b0, c.b1, lo, hi);
        EXPECT_EQ(lo, c.lo);
        EXPECT_EQ(hi, c.hi);
        EXPECT_EQ(checkRangeCollision(c.a0, c.a1, c.b0, c.b1), c.collide) << c.a0 << ".." << c.a1 << " / " << c.b0
                                                                            << ".." << c.b1;
    }
}
