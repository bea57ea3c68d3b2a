#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
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

// The same floor built once in a new zone each time, as a scene's floor is
// when the scene loads: nothing of an earlier grid to build into.
void BM_GridBuildNewZone2000x2000(benchmark::State& state)
{
    for (auto _ : state) {
        KaFreeMoveZone zone;
        buildFloor(zone, { "#.#", "#.#", "#.#" }, 3400.0f);
        zone.updateGrid(false);
        benchmark::DoNotOptimize(zone.graph().flags().constData());
    }
}
BENCHMARK(BM_GridBuildNewZone2000x2000)->Unit(benchmark::kMillisecond);

// --- Floors that do not line up with the grid, and the worst clicks -------

// A floor drawn as rectangles (x0, z0, x1, z1) of its own frame that share
// whole sides, turned by `angle` about the origin.
struct TurnedFloor {
    std::vector<std::vector<float>> rects;
    float angle;

    KaVector3f32 toWorld(float x, float z) const
    {
        const float c = std::cos(angle), s = std::sin(angle);
        return KaVector3f32(c * x - s * z, 0.0f, s * x + c * z);
    }
    void build(KaFreeMoveZone& zone) const
    {
        std::vector<KaVector3f32> vertices;
        for (const std::vector<float>& r : rects) {
            const KaVector3f32 a = toWorld(r[0], r[1]), b = toWorld(r[2], r[1]);
            const KaVector3f32 c = toWorld(r[2], r[3]), d = toWorld(r[0], r[3]);
            for (const KaVector3f32& v : { a, b, c, a, c, d })
                vertices.push_back(v);
        }
        zone.setNbTriangles(vertices.size() / 3);
        for (size_t i = 0; i < vertices.size(); ++i)
            zone.setVertex(i, vertices[i]);
    }
};

// A U whose outline is `side` units a side in its own frame, arms `arm`
// wide, turned by 0.3 radians.
TurnedFloor turnedU(float side, float arm)
{
    const float xs[4] = { 0.0f, arm, side - arm, side };
    const float zs[3] = { 0.0f, side - arm, side };
    TurnedFloor floor;
    floor.angle = 0.3f;
    floor.rects = { { xs[0], zs[0], xs[1], zs[1] }, { xs[0], zs[1], xs[1], zs[2] }, { xs[1], zs[1], xs[2], zs[2] },
        { xs[2], zs[1], xs[3], zs[2] }, { xs[2], zs[0], xs[3], zs[1] } };
    return floor;
}

struct Click {
    KaVector3f32 from, to;
};

// Times each click of the set once per iteration; the counters give the
// median and the slowest click in milliseconds, and how many were answered.
void timeClicks(benchmark::State& state, KaFreeMoveZone& zone, const std::vector<Click>& clicks)
{
    std::vector<double> times;
    size_t answered = 0;
    for (auto _ : state) {
        answered = 0;
        for (const Click& click : clicks) {
            const auto start = std::chrono::steady_clock::now();
            KaIntrusivePtr<KaBezierCurve> curve = zone.curve(click.from, click.to);
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            benchmark::DoNotOptimize(curve.get());
            answered += curve ? 1 : 0;
        }
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0.0 : times[times.size() / 2];
    state.counters["worst_ms"] = times.empty() ? 0.0 : times.back();
    state.counters["answered"] = static_cast<double>(answered);
    state.counters["clicks"] = static_cast<double>(clicks.size());
    state.counters["cells"] = static_cast<double>(zone.graph().size().x) * zone.graph().size().y;
}

// From beside a wall at the foot of one arm to beside a wall at the foot of
// the other: both ends in border cells, the walk round the whole U.
std::vector<Click> besideWalls(const TurnedFloor& floor, float side, float arm, float gap)
{
    std::mt19937 random(9);
    std::uniform_real_distribution<float> along(gap, side * 0.5f);
    std::vector<Click> clicks;
    for (int i = 0; i < 32; ++i) {
        const float fromX = i % 2 ? gap : arm - gap;
        const float toX = i % 4 < 2 ? side - gap : side - arm + gap;
        clicks.push_back({ floor.toWorld(fromX, along(random)), floor.toWorld(toX, along(random)) });
    }
    return clicks;
}

// The far corners of the arms, each to each.
std::vector<Click> cornerToCorner(const TurnedFloor& floor, float side, float arm, float gap)
{
    const float leftX[2] = { gap, arm - gap }, rightX[2] = { side - arm + gap, side - gap };
    std::vector<Click> clicks;
    for (float a : leftX)
        for (float b : rightX) {
            clicks.push_back({ floor.toWorld(a, gap), floor.toWorld(b, gap) });
            clicks.push_back({ floor.toWorld(b, gap), floor.toWorld(a, gap) });
            clicks.push_back({ floor.toWorld(a, gap), floor.toWorld(b, side - gap) });
        }
    return clicks;
}

// About 200 x 200 cells: a U 760 units a side (1000 wide once turned).
void BM_Query200x200BesideWalls(benchmark::State& state)
{
    const TurnedFloor floor = turnedU(760.0f, 200.0f);
    KaFreeMoveZone zone;
    floor.build(zone);
    zone.updateGrid(false);
    timeClicks(state, zone, besideWalls(floor, 760.0f, 200.0f, 1.5f));
}
BENCHMARK(BM_Query200x200BesideWalls)->Unit(benchmark::kMillisecond);

void BM_Query200x200CornerToCorner(benchmark::State& state)
{
    const TurnedFloor floor = turnedU(760.0f, 200.0f);
    KaFreeMoveZone zone;
    floor.build(zone);
    zone.updateGrid(false);
    timeClicks(state, zone, cornerToCorner(floor, 760.0f, 200.0f, 1.0f));
}
BENCHMARK(BM_Query200x200CornerToCorner)->Unit(benchmark::kMillisecond);

// The snake of the benchmarks above, clicked beside its walls.
void BM_Query200x200SnakeBesideWalls(benchmark::State& state)
{
    KaFreeMoveZone zone;
    buildFloor(zone, snake(), 50.0f);
    zone.updateGrid(false);
    std::vector<Click> clicks;
    for (int i = 0; i < 8; ++i)
        clicks.push_back({ KaVector3f32(1.0f + 10.0f * i, 0.0f, 1.0f), KaVector3f32(999.0f - 10.0f * i, 0.0f, 999.0f) });
    timeClicks(state, zone, clicks);
}
BENCHMARK(BM_Query200x200SnakeBesideWalls)->Unit(benchmark::kMillisecond);

// About 2000 x 2000 cells: a U 7600 units a side. Random clicks anywhere on
// it, the far arm's included, and the long straight walks down each arm.
void BM_Query2000x2000ReachableClicks(benchmark::State& state)
{
    const float side = 7600.0f, arm = 2000.0f;
    const TurnedFloor floor = turnedU(side, arm);
    KaFreeMoveZone zone;
    floor.build(zone);
    zone.updateGrid(false);
    std::mt19937 random(4);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto onFloor = [&]() {
        const std::vector<float>& r = floor.rects[std::uniform_int_distribution<size_t>(0, 4)(random)];
        return floor.toWorld(r[0] + 1.0f + unit(random) * (r[2] - r[0] - 2.0f), r[1] + 1.0f + unit(random) * (r[3] - r[1] - 2.0f));
    };
    std::vector<Click> clicks;
    for (int i = 0; i < 24; ++i)
        clicks.push_back({ onFloor(), onFloor() });
    clicks.push_back({ floor.toWorld(arm * 0.5f, 1.0f), floor.toWorld(arm * 0.5f, side - 1.0f) });
    clicks.push_back({ floor.toWorld(side - 1.0f, side - arm * 0.5f), floor.toWorld(1.0f, side - arm * 0.5f) });
    timeClicks(state, zone, clicks);
}
BENCHMARK(BM_Query2000x2000ReachableClicks)->Unit(benchmark::kMillisecond)->Iterations(2);

// 48 long thin triangles at all slants over 10000 units: a floor of 1.7 KB
// whose grid is about 2000 x 2000 cells.
void BM_GridBuildSlivers2000x2000(benchmark::State& state)
{
    KaFreeMoveZone zone;
    std::mt19937 random(12);
    std::uniform_real_distribution<float> coordinate(0.0f, 10000.0f);
    zone.setNbTriangles(48);
    for (int t = 0; t < 48; ++t) {
        const KaVector3f32 a(coordinate(random), 0.0f, coordinate(random));
        const KaVector3f32 b(coordinate(random), 0.0f, coordinate(random));
        const KaVector3f32 across = KaVector3f32(-(b.z - a.z), 0.0f, b.x - a.x) * 0.01f;
        zone.setVertex(3 * t, a);
        zone.setVertex(3 * t + 1, b);
        zone.setVertex(3 * t + 2, (a + b) * 0.5f + across);
    }
    zone.updateGrid(false);
    for (auto _ : state)
        zone.updateGrid(true);
    state.counters["cells"] = static_cast<double>(zone.graph().size().x) * zone.graph().size().y;
}
BENCHMARK(BM_GridBuildSlivers2000x2000)->Unit(benchmark::kMillisecond);

// A turned U of 2000 x 2000 cells with a blocker across one arm: 240 bytes of
// floor, the grid's largest size.
void BM_GridBuildTurnedU2000x2000(benchmark::State& state)
{
    const TurnedFloor floor = turnedU(7600.0f, 2000.0f);
    KaFreeMoveZone zone;
    floor.build(zone);
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    const KaVector3f32 a = floor.toWorld(-10.0f, 3000.0f), b = floor.toWorld(2010.0f, 3000.0f);
    blocker.first = KaVector2f32(a.x, a.z);
    blocker.second = KaVector2f32(b.x, b.z);
    blockers.pushBack(blocker);
    zone.setBlockers(&blockers);
    zone.updateGrid(false);
    for (auto _ : state)
        zone.updateGrid(true);
    state.counters["cells"] = static_cast<double>(zone.graph().size().x) * zone.graph().size().y;
}
BENCHMARK(BM_GridBuildTurnedU2000x2000)->Unit(benchmark::kMillisecond);

} // namespace
