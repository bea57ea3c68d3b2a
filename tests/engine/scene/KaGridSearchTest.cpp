#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <queue>
#include <random>
#include <vector>

#include "engine/scene/KaGridSearch.h"

namespace {

// A random grid: each cell open with some chance, each step between open
// cells allowed with some chance, some cells border cells.
struct RandomGrid {
    int width, depth;
    std::vector<unsigned char> steps, flags;

    RandomGrid(std::mt19937& random, int w, int d, float open, float step)
        : width(w)
        , depth(d)
        , steps(static_cast<size_t>(w * d), 0)
        , flags(static_cast<size_t>(w * d), 0)
    {
        std::bernoulli_distribution isOpen(open), isStep(step), isBorder(0.2);
        for (unsigned char& f : flags)
            f = isOpen(random) ? (isBorder(random) ? 2 : 0) : 1;
        for (int z = 0; z < d; ++z)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 8; ++k) {
                    const int nx = x + KaGridSearch::kSteps[k][0], nz = z + KaGridSearch::kSteps[k][1];
                    if (nx < 0 || nz < 0 || nx >= w || nz >= d || flags[z * w + x] == 1 || flags[nz * w + nx] == 1)
                        continue;
                    if (isStep(random))
                        steps[z * w + x] |= static_cast<unsigned char>(1u << k);
                }
    }

    float enter(int cell, float borderCost) const { return flags[cell] == 2 ? borderCost : 1.0f; }

    // Plain Dijkstra over the same steps.
    float cheapest(int start, int goal, float borderCost) const
    {
        std::vector<float> best(steps.size(), FLT_MAX);
        typedef std::pair<float, int> Entry;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
        best[start] = 0.0f;
        open.push({ 0.0f, start });
        while (!open.empty()) {
            const Entry e = open.top();
            open.pop();
            if (e.first > best[e.second])
                continue;
            const int x = e.second % width, z = e.second / width;
            for (int k = 0; k < 8; ++k) {
                if (!(steps[e.second] & (1u << k)))
                    continue;
                const int next = (z + KaGridSearch::kSteps[k][1]) * width + x + KaGridSearch::kSteps[k][0];
                const float cost = e.first + enter(next, borderCost);
                if (cost < best[next]) {
                    best[next] = cost;
                    open.push({ cost, next });
                }
            }
        }
        return best[goal];
    }
};

} // namespace

// On random grids the search finds a walk exactly when one exists, takes
// only allowed steps, and its cost is the cheapest.
TEST(KaGridSearch, FindsTheCheapestWalkByAllowedStepsOnly)
{
    std::mt19937 random(17);
    KaGridSearch search;
    int found = 0, refused = 0;
    for (int round = 0; round < 40; ++round) {
        RandomGrid grid(random, 5 + round % 23, 4 + round % 17, 0.75f, round % 2 ? 0.9f : 0.6f);
        const float borderCost = round % 3 == 0 ? 1.0f : 1.5f;
        search.reset(grid.width, grid.depth);
        std::uniform_int_distribution<int> cell(0, grid.width * grid.depth - 1);
        for (int query = 0; query < 30; ++query) {
            const int start = cell(random), goal = cell(random);
            if (grid.flags[start] == 1 || grid.flags[goal] == 1)
                continue;
            std::vector<int> path;
            const bool ok = search.search(start, goal, grid.steps.data(), grid.flags.data(), borderCost, path);
            const float cheapest = grid.cheapest(start, goal, borderCost);
            ASSERT_EQ(cheapest < FLT_MAX, ok) << "round " << round << ": " << start << " -> " << goal;
            if (!ok) {
                EXPECT_TRUE(path.empty());
                ++refused;
                continue;
            }
            ++found;
            ASSERT_EQ(start, path.front());
            ASSERT_EQ(goal, path.back());
            float cost = 0.0f;
            for (size_t i = 1; i < path.size(); ++i) {
                const int from = path[i - 1], to = path[i];
                const int dx = to % grid.width - from % grid.width, dz = to / grid.width - from / grid.width;
                int k = 0;
                while (k < 8 && (KaGridSearch::kSteps[k][0] != dx || KaGridSearch::kSteps[k][1] != dz))
                    ++k;
                ASSERT_LT(k, 8) << "not a neighbour";
                ASSERT_TRUE(grid.steps[from] & (1u << k)) << "a step that is not allowed";
                cost += grid.enter(to, borderCost);
            }
            EXPECT_FLOAT_EQ(cheapest, cost) << "round " << round << ": " << start << " -> " << goal;
        }
    }
    EXPECT_GT(found, 200);
    EXPECT_GT(refused, 20);
}

TEST(KaGridSearch, EdgeCases)
{
    KaGridSearch search;
    std::vector<unsigned char> steps(6, 0xff), flags(6, 0);
    std::vector<int> path;
    // Before any reset, and with cells off the grid: no walk.
    EXPECT_FALSE(search.search(0, 1, steps.data(), flags.data(), 1.0f, path));
    search.reset(3, 2);
    EXPECT_FALSE(search.search(-1, 1, steps.data(), flags.data(), 1.0f, path));
    EXPECT_FALSE(search.search(0, 6, steps.data(), flags.data(), 1.0f, path));
    // Start on the goal: the one cell.
    ASSERT_TRUE(search.search(4, 4, steps.data(), flags.data(), 1.0f, path));
    EXPECT_EQ(std::vector<int>({ 4 }), path);
    // Masks that point off the grid are not followed; a diagonal is one
    // step.
    ASSERT_TRUE(search.search(0, 4, steps.data(), flags.data(), 1.0f, path));
    EXPECT_EQ(std::vector<int>({ 0, 4 }), path);
    // Searches in a row reuse the arrays without mixing their cells up.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(search.search(5, 0, steps.data(), flags.data(), 1.0f, path));
        EXPECT_EQ(3u, path.size());
    }
}
