#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/scene/KaFreeMoveZone.h"

namespace {

// A floor of squares, one per '#' of the rows (row index is z).
void buildFloor(KaFreeMoveZone& zone, const std::vector<std::string>& rows, float side)
{
    std::vector<KaVector3f32> vertices;
    for (size_t z = 0; z < rows.size(); ++z) {
        for (size_t x = 0; x < rows[z].size(); ++x) {
            if (rows[z][x] != '#')
                continue;
            const float x0 = static_cast<float>(x) * side, x1 = x0 + side;
            const float z0 = static_cast<float>(z) * side, z1 = z0 + side;
            const KaVector3f32 a(x0, 0.0f, z0), b(x1, 0.0f, z0), c(x1, 0.0f, z1), d(x0, 0.0f, z1);
            for (const KaVector3f32& v : { a, b, c, a, c, d })
                vertices.push_back(v);
        }
    }
    zone.setNbTriangles(vertices.size() / 3);
    for (size_t i = 0; i < vertices.size(); ++i)
        zone.setVertex(i, vertices[i]);
}

// 1000 x 1000 units (a 201 x 201 grid of 5-unit cells) as 20 x 20 squares;
// every fourth column of squares is a wall with a one-square gap that
// alternates between the top and the bottom, so the walk across snakes.
std::vector<std::string> snake()
{
    std::vector<std::string> rows(20, std::string(20, '#'));
    for (int x = 2, wall = 0; x < 20; x += 4, ++wall)
        for (int z = 0; z < 20; ++z)
            if (wall % 2 == 0 ? z != 19 : z != 0)
                rows[z][x] = '.';
    return rows;
}

// The same floor with one square in five missing, scattered: pillars the
// walk goes round.
std::vector<std::string> pillars()
{
    std::vector<std::string> rows(20, std::string(20, '#'));
    for (int z = 0; z < 20; ++z)
        for (int x = 0; x < 20; ++x)
            if ((x * 7 + z * 3) % 5 == 0 && x > 0 && z > 0 && x < 19 && z < 19)
                rows[z][x] = '.';
    return rows;
}

void BM_PathAcross200x200GridWithPillars(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, pillars(), 50.0f);
    zone.updateGrid(false);
    const KaVector3f32 from(10.0f, 0.0f, 10.0f), to(990.0f, 0.0f, 990.0f);
    for (auto _ : state) {
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        benchmark::DoNotOptimize(curve.get());
        if (!curve)
            state.SkipWithError("no path");
    }
    state.counters["cells"] = zone.graph().size().x * zone.graph().size().y;
}
BENCHMARK(BM_PathAcross200x200GridWithPillars)->Unit(benchmark::kMicrosecond);

// The worst case: the snake makes the search visit nearly every cell.
void BM_PathAcross200x200GridSnake(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, snake(), 50.0f);
    zone.updateGrid(false);
    const KaVector3f32 from(10.0f, 0.0f, 10.0f), to(990.0f, 0.0f, 990.0f);
    for (auto _ : state) {
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        benchmark::DoNotOptimize(curve.get());
        if (!curve)
            state.SkipWithError("no path");
    }
    state.counters["cells"] = zone.graph().size().x * zone.graph().size().y;
}
BENCHMARK(BM_PathAcross200x200GridSnake)->Unit(benchmark::kMicrosecond);

// Two islands 10200 units wide: the grid is cut at 2000 x 2000 cells. A
// click on the other island is answered by the region labels.
void BM_UnreachableClickOn2000x2000Grid(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, { "#.#", "#.#", "#.#" }, 3400.0f);
    zone.updateGrid(false);
    const KaVector3f32 from(100.0f, 0.0f, 100.0f), to(9000.0f, 0.0f, 9000.0f);
    for (auto _ : state) {
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        benchmark::DoNotOptimize(curve.get());
        if (curve)
            state.SkipWithError("a path across the gap");
    }
    state.counters["cells"] = static_cast<double>(zone.graph().size().x) * zone.graph().size().y;
}
BENCHMARK(BM_UnreachableClickOn2000x2000Grid)->Unit(benchmark::kMicrosecond);

void BM_GridBuild200x200(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, snake(), 50.0f);
    zone.updateGrid(false);
    KaArray<KaBlocker> blockers;
    for (int i = 0; i < 8; ++i) {
        KaBlocker blocker;
        blocker.first = KaVector2f32(60.0f + 100.0f * i, 500.0f);
        blocker.second = KaVector2f32(90.0f + 100.0f * i, 500.0f);
        blockers.pushBack(blocker);
    }
    zone.setBlockers(&blockers);
    for (auto _ : state)
        zone.updateGrid(true);
}
BENCHMARK(BM_GridBuild200x200)->Unit(benchmark::kMillisecond);

void BM_GridBuild2000x2000(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, { "#.#", "#.#", "#.#" }, 3400.0f);
    zone.updateGrid(false);
    for (auto _ : state)
        zone.updateGrid(true);
}
BENCHMARK(BM_GridBuild2000x2000)->Unit(benchmark::kMillisecond);

} // namespace
