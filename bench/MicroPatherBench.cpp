#include <benchmark/benchmark.h>

#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/scene/MicroPather.h"

namespace {

// A square grid shaped like the walkable zone's: eight neighbours per cell
// in the zone's order, unit steps, blocked cells offered at FLT_MAX, the
// Chebyshev distance as the estimate. Walls: every 20th column is closed
// but for a gap that alternates between the top and the bottom, so a path
// across snakes through the whole grid.
class SnakeGrid : public micropather::Graph {
public:
    SnakeGrid(int side, bool closed)
        : mSide(side)
        , mBlocked(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0)
    {
        for (int x = 10; x < side; x += 20) {
            bool gapAtTop = (x / 20) % 2 == 0;
            for (int z = 0; z < side; ++z) {
                bool gap = !closed && (gapAtTop ? z < 3 : z >= side - 3);
                mBlocked[static_cast<std::size_t>(z * side + x)] = gap ? 0 : 1;
            }
        }
    }

    static void* state(int cell) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(cell)); }

    float LeastCostEstimate(void* a, void* b) override
    {
        long ca = reinterpret_cast<std::intptr_t>(a);
        long cb = reinterpret_cast<std::intptr_t>(b);
        long dx = std::labs(ca % mSide - cb % mSide);
        long dz = std::labs(ca / mSide - cb / mSide);
        return static_cast<float>(dx > dz ? dx : dz);
    }

    void AdjacentCost(void* s, std::vector<micropather::StateCost>* adjacent) override
    {
        static const int d[8][2]
            = { { -1, 0 }, { -1, 1 }, { 0, 1 }, { 1, 1 }, { 1, 0 }, { 1, -1 }, { 0, -1 }, { -1, -1 } };
        long cell = reinterpret_cast<std::intptr_t>(s);
        int x = static_cast<int>(cell % mSide);
        int z = static_cast<int>(cell / mSide);
        for (const auto& step : d) {
            int nx = x + step[0];
            int nz = z + step[1];
            if (nx < 0 || nz < 0 || nx >= mSide || nz >= mSide) {
                continue;
            }
            int n = nz * mSide + nx;
            float cost = mBlocked[static_cast<std::size_t>(n)] ? FLT_MAX : 1.0f;
            adjacent->push_back(micropather::StateCost { state(n), cost });
        }
    }

    void PrintStateInfo(void*) override { }

private:
    int mSide;
    std::vector<unsigned char> mBlocked;
};

} // namespace

// Corner to corner across a snaking grid, the solver warm from the previous
// query (as in a scene, where the grid is built once and clicked many times).
static void BM_MicroPatherSnake(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    SnakeGrid grid(side, false);
    micropather::MicroPather pather(&grid, 250, 6);
    if (state.range(1))
        pather.SetDenseStates(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    std::vector<void*> path;
    float cost = 0.0f;
    for (auto _ : state) {
        int result = pather.Solve(SnakeGrid::state(0), SnakeGrid::state(side * side - 1), &path, &cost);
        benchmark::DoNotOptimize(result);
    }
    state.counters["expanded"] = static_cast<double>(pather.LastExpansionCount());
    state.counters["path"] = static_cast<double>(path.size());
}
// Second argument: 1 for the flat per-state node array.
BENCHMARK(BM_MicroPatherSnake)
    ->Args({ 200, 0 })
    ->Args({ 200, 1 })
    ->Args({ 1000, 0 })
    ->Args({ 1000, 1 })
    ->Unit(benchmark::kMillisecond);

// A straight query across an open 200 x 200 grid: the common click.
static void BM_MicroPatherOpen(benchmark::State& state)
{
    const int side = 200;
    SnakeGrid grid(side, false);
    micropather::MicroPather pather(&grid, 250, 6);
    std::vector<void*> path;
    float cost = 0.0f;
    for (auto _ : state) {
        int result = pather.Solve(SnakeGrid::state(side * 5 + 11), SnakeGrid::state(side * 190 + 29), &path, &cost);
        benchmark::DoNotOptimize(result);
    }
    state.counters["expanded"] = static_cast<double>(pather.LastExpansionCount());
}
BENCHMARK(BM_MicroPatherOpen)->Unit(benchmark::kMicrosecond);

// An unreachable end: the search floods the whole start region. The grid's
// walls are closed, so the region is the first 10 columns.
static void BM_MicroPatherUnreachable(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    SnakeGrid grid(side, true);
    micropather::MicroPather pather(&grid, 250, 6);
    std::vector<void*> path;
    float cost = 0.0f;
    for (auto _ : state) {
        int result = pather.Solve(SnakeGrid::state(0), SnakeGrid::state(side * side - 1), &path, &cost);
        benchmark::DoNotOptimize(result);
    }
    state.counters["expanded"] = static_cast<double>(pather.LastExpansionCount());
}
BENCHMARK(BM_MicroPatherUnreachable)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// A cold solver: pool blocks, hash table and cache built from nothing.
static void BM_MicroPatherCold(benchmark::State& state)
{
    const int side = 200;
    SnakeGrid grid(side, false);
    micropather::MicroPather pather(&grid, 250, 6);
    std::vector<void*> path;
    float cost = 0.0f;
    for (auto _ : state) {
        pather.Reset();
        int result = pather.Solve(SnakeGrid::state(0), SnakeGrid::state(side * side - 1), &path, &cost);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_MicroPatherCold)->Unit(benchmark::kMillisecond);
