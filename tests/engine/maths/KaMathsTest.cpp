#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/maths/KaMaths.h"

TEST(KaMaths, RoundingIsAlwaysDownwards)
{
    struct Case {
        float value;
        float expected;
    } cases[] = {
        { 2.7f, 2.0f },
        { 2.999f, 2.0f },
        { -0.5f, -1.0f },
        { -2.0f, -2.0f },
        { 0.0f, 0.0f },
        { 1e9f, 1e9f },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KaRoundf(c.value), c.expected) << c.value;
        EXPECT_EQ(KaRound(static_cast<double>(c.value)), static_cast<double>(c.expected)) << c.value;
    }
}

TEST(KaMaths, SignOfZeroNegativeZeroAndNaNIsPositiveZero)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float value;
        float expected;
    } cases[] = {
        { 3.0f, 1.0f },
        { 1e-30f, 1.0f },
        { -3.0f, -1.0f },
        { 0.0f, 0.0f },
        { -0.0f, 0.0f },
        { nan, 0.0f },
    };
    for (const Case& c : cases) {
        float s = KaSgn(c.value);
        EXPECT_EQ(s, c.expected) << c.value;
        EXPECT_FALSE(std::signbit(s) && s == 0.0f) << c.value;
    }
}

TEST(KaMaths, AbsoluteValues)
{
    EXPECT_EQ(KaAbs(-5), 5);
    EXPECT_EQ(KaAbs(5), 5);
    EXPECT_EQ(KaAbs(INT_MIN), INT_MIN);
    EXPECT_EQ(KaAbs(-2.5f), 2.5f);
    EXPECT_TRUE(std::signbit(KaAbs(-0.0f)));
    EXPECT_TRUE(std::isnan(KaAbs(std::numeric_limits<float>::quiet_NaN())));
}

TEST(KaMaths, ClampTestsTheUpperBoundFirst)
{
    struct Case {
        float value, lo, hi, expected;
    } cases[] = {
        { 5.0f, 0.0f, 10.0f, 5.0f },
        { -1.0f, 0.0f, 10.0f, 0.0f },
        { 11.0f, 0.0f, 10.0f, 10.0f },
        // Bounds the wrong way round.
        { 5.0f, 10.0f, 0.0f, 0.0f },
        { -1.0f, 10.0f, 0.0f, 10.0f },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KaClamp(c.value, c.lo, c.hi), c.expected) << c.value << " in " << c.lo << ".." << c.hi;
        EXPECT_EQ(KaClamp(static_cast<uint32_t>(c.value + 1), static_cast<uint32_t>(c.lo + 1),
                      static_cast<uint32_t>(c.hi + 1)),
            static_cast<uint32_t>(c.expected + 1));
    }
}

TEST(KaMaths, MinAndMax)
{
    EXPECT_EQ(KaMin(1.5f, -2.0f), -2.0f);
    EXPECT_EQ(KaMax(1.5f, -2.0f), 1.5f);
    EXPECT_EQ(KaMin(3, -4), -4);
    EXPECT_EQ(KaMax(3, -4), 3);
    EXPECT_EQ(KaMin(3ul, 4ul), 3ul);
    EXPECT_EQ(KaMax(3ul, 4ul), 4ul);
}

TEST(KaMaths, ModuloIsNonNegativeForPositiveDivisors)
{
    struct Case {
        int a, b, expected;
    } cases[] = {
        { -7, 3, 2 },
        { 7, 3, 1 },
        { -1, 4, 3 },
        { 8, 4, 0 },
        { -8, 4, 0 },
        { 0, 5, 0 },
        // Would trap as a plain remainder.
        { INT_MIN, -1, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(KaModulo(c.a, c.b), c.expected) << c.a << " mod " << c.b;
}

TEST(KaMaths, GreatestCommonDivisor)
{
    struct Case {
        int a, b, expected;
    } cases[] = {
        { 12, 18, 6 },
        { 18, 12, 6 },
        { 7, 3, 1 },
        { 0, 9, 9 },
        { 9, 9, 9 },
        { 1, 1000000007, 1 },
        { INT_MIN, -1, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(KaGCD(c.a, c.b), c.expected) << c.a << ", " << c.b;
}
