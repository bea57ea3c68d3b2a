#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "engine/maths/KaMaths.h"

// This program's own rand(): it takes the C library's place, so KaRand can
// be fed the draws that matter (the largest ones) instead of waiting for them.
namespace {
int gNextDraw = 0;
}

extern "C" int rand() noexcept { return gNextDraw; }

TEST(KaRand, ZeroBasedRangeNeverReachesTheBound)
{
    const uint32_t bounds[] = { 1u, 2u, 3u, 10u, 100u, 1000u, 65536u, 1000000u, 2147483647u, 4294967295u };
    const int draws[] = { RAND_MAX, RAND_MAX - 1, RAND_MAX - 63, RAND_MAX - 64, RAND_MAX / 2 };
    for (uint32_t b : bounds) {
        for (int draw : draws) {
            gNextDraw = draw;
            EXPECT_LT(KaRand(0, b), b) << "bound " << b << ", draw " << draw;
        }
    }
}

TEST(KaRand, SmallestDrawGivesTheLowerBound)
{
    gNextDraw = 0;
    EXPECT_EQ(KaRand(0, 10), 0u);
    EXPECT_EQ(KaRand(7, 20), 7u);
}

TEST(KaRand, DrawsSpreadOverTheWholeRange)
{
    // A draw in the middle of rand()'s range lands in the middle of [0, b).
    gNextDraw = RAND_MAX / 2 + 1;
    EXPECT_EQ(KaRand(0, 10), 5u);
    gNextDraw = RAND_MAX;
    EXPECT_EQ(KaRand(0, 10), 9u);
}
