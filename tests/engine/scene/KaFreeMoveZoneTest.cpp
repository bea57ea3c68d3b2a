#include <gtest/gtest.h>

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/maths/KaMaths.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/scene/MicroPather.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

typedef std::vector<std::string> Map;

// A floor of squares of `side` units, one per '#' of the map; character x of
// row z covers [x * side, (x + 1) * side] x [z * side, (z + 1) * side] at
// height y. Squares share their edges exactly, so the borders are the edges
// of the union.
void buildFloor(KaFreeMoveZone& zone, const Map& map, float side, float y = 0.0f)
{
    std::vector<KaVector3f32> vertices;
    for (size_t z = 0; z < map.size(); ++z) {
        for (size_t x = 0; x < map[z].size(); ++x) {
            if (map[z][x] != '#')
                continue;
            const float x0 = static_cast<float>(x) * side, x1 = x0 + side;
            const float z0 = static_cast<float>(z) * side, z1 = z0 + side;
            const KaVector3f32 a(x0, y, z0), b(x1, y, z0), c(x1, y, z1), d(x0, y, z1);
            for (const KaVector3f32& v : { a, b, c, a, c, d })
                vertices.push_back(v);
        }
    }
    zone.setNbTriangles(vertices.size() / 3);
    for (size_t i = 0; i < vertices.size(); ++i)
        zone.setVertex(i, vertices[i]);
}

struct Segment {
    KaVector2f32 a, b;
};

// The edges of the union of the map's squares.
std::vector<Segment> wallsOf(const Map& map, float side)
{
    auto floorAt = [&](int x, int z) {
        return z >= 0 && z < static_cast<int>(map.size()) && x >= 0 && x < static_cast<int>(map[z].size())
            && map[z][x] == '#';
    };
    std::vector<Segment> walls;
    for (int z = 0; z < static_cast<int>(map.size()); ++z) {
        for (int x = 0; x < static_cast<int>(map[z].size()); ++x) {
            if (!floorAt(x, z))
                continue;
            const float x0 = x * side, x1 = x0 + side, z0 = z * side, z1 = z0 + side;
            if (!floorAt(x, z - 1))
                walls.push_back({ KaVector2f32(x0, z0), KaVector2f32(x1, z0) });
            if (!floorAt(x, z + 1))
                walls.push_back({ KaVector2f32(x0, z1), KaVector2f32(x1, z1) });
            if (!floorAt(x - 1, z))
                walls.push_back({ KaVector2f32(x0, z0), KaVector2f32(x0, z1) });
            if (!floorAt(x + 1, z))
                walls.push_back({ KaVector2f32(x1, z0), KaVector2f32(x1, z1) });
        }
    }
    return walls;
}

double orient(const KaVector2f32& a, const KaVector2f32& b, const KaVector2f32& c)
{
    return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// A walk through a wall: the two segments cross strictly (grazing an end
// point, as a walk round a corner does, is not a crossing).
bool crossesStrictly(const KaVector2f32& a, const KaVector2f32& b, const Segment& wall)
{
    return orient(a, b, wall.a) * orient(a, b, wall.b) < 0.0
        && orient(wall.a, wall.b, a) * orient(wall.a, wall.b, b) < 0.0;
}

KaVector2f32 xz(const KaVector3f32& p) { return KaVector2f32(p.x, p.z); }

KaVector3f32 lastPoint(const KaIntrusivePtr<KaBezierCurve>& curve)
{
    const KaArray<KaVector3f32>& points = curve->controlPoints();
    return points[points.size() - 1];
}

// Every segment of the curve, and the curve's end, checked against the walls.
void expectClearWalk(
    const KaIntrusivePtr<KaBezierCurve>& curve, const KaVector3f32& to, const std::vector<Segment>& walls)
{
    ASSERT_TRUE(curve);
    const KaArray<KaVector3f32>& points = curve->controlPoints();
    ASSERT_GE(points.size(), 1u);
    EXPECT_EQ(to, points[points.size() - 1]) << "the walk ends at the click";
    for (unsigned long i = 0; i + 1 < points.size(); ++i)
        for (const Segment& wall : walls)
            EXPECT_FALSE(crossesStrictly(xz(points[i]), xz(points[i + 1]), wall))
                << "segment " << i << " (" << points[i].x << ", " << points[i].z << ") - (" << points[i + 1].x << ", "
                << points[i + 1].z << ") crosses (" << wall.a.x << ", " << wall.a.y << ") - (" << wall.b.x << ", "
                << wall.b.y << ")";
}

const Map kLMap = { "#...", "#...", "#...", "####" };
const Map kUMap = { "#.#", "#.#", "###" };
const float kSide = 20.0f;

// A random floor point of a '#' square, kept off the square's sides.
KaVector3f32 randomPoint(
    std::mt19937& random, const Map& map, float side, const std::function<bool(const KaVector3f32&)>& accept = nullptr)
{
    std::vector<std::pair<int, int>> squares;
    for (int z = 0; z < static_cast<int>(map.size()); ++z)
        for (int x = 0; x < static_cast<int>(map[z].size()); ++x)
            if (map[z][x] == '#')
                squares.push_back({ x, z });
    std::uniform_int_distribution<size_t> pick(0, squares.size() - 1);
    std::uniform_real_distribution<float> offset(0.5f, side - 0.5f);
    for (;;) {
        const auto& square = squares[pick(random)];
        const KaVector3f32 p(square.first * side + offset(random), 0.0f, square.second * side + offset(random));
        if (!accept || accept(p))
            return p;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Paths

TEST(KaFreeMoveZonePath, CurvesNeverCrossABorderInLAndUCorridors)
{
    for (const Map* map : { &kLMap, &kUMap }) {
        KaFreeMoveZone zone;
        buildFloor(zone, *map, kSide);
        const std::vector<Segment> walls = wallsOf(*map, kSide);
        std::mt19937 random(7);
        for (int i = 0; i < 150; ++i) {
            const KaVector3f32 from = randomPoint(random, *map, kSide);
            const KaVector3f32 to = randomPoint(random, *map, kSide);
            SCOPED_TRACE(
                testing::Message() << "from (" << from.x << ", " << from.z << ") to (" << to.x << ", " << to.z << ")");
            expectClearWalk(zone.curve(from, to), to, walls);
            if (HasFailure())
                return;
        }
    }
}

// Points right on the floor's border (a dummy at the end of a doorway, a
// place a script sends a character to) are reached and left like any other:
// touching the border is not crossing it.
TEST(KaFreeMoveZonePath, PointsOnTheBorderAreReachedAndLeft)
{
    for (const Map* map : { &kLMap, &kUMap }) {
        KaFreeMoveZone zone;
        buildFloor(zone, *map, kSide);
        const std::vector<Segment> walls = wallsOf(*map, kSide);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> along(0.05f, 0.95f);
        for (const Segment& wall : walls) {
            const float t = along(random);
            const KaVector3f32 border(wall.a.x + (wall.b.x - wall.a.x) * t, 0.0f, wall.a.y + (wall.b.y - wall.a.y) * t);
            const KaVector3f32 inside = randomPoint(random, *map, kSide);
            SCOPED_TRACE(testing::Message() << "border (" << border.x << ", " << border.z << "), inside (" << inside.x
                                            << ", " << inside.z << ")");
            expectClearWalk(zone.curve(inside, border), border, walls);
            expectClearWalk(zone.curve(border, inside), inside, walls);
            if (HasFailure())
                return;
        }
    }
}

// From the foot of the L's upright to the end of its foot: the grid path
// turns the inner corner, and so must the walk.
TEST(KaFreeMoveZonePath, TheLCornerIsKeptAndTheWalkEndsAtTheClick)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    const KaVector3f32 from(10.0f, 0.0f, 5.0f);
    const KaVector3f32 to(75.0f, 0.0f, 70.0f);
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
    expectClearWalk(curve, to, wallsOf(kLMap, kSide));
    ASSERT_GE(curve->controlPoints().size(), 3u) << "a straight walk would leave the floor";
    EXPECT_EQ(from, curve->controlPoints()[0]);
}

TEST(KaFreeMoveZonePath, ABlockerClosesTheStripBehindIt)
{
    // The U's left arm is closed at z = 30: the blocker runs along +x, and
    // the side of larger z is behind it.
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "u";
    blocker.first = KaVector2f32(0.0f, 30.0f);
    blocker.second = KaVector2f32(20.0f, 30.0f);
    blockers.pushBack(blocker);
    KaBlocker elsewhere = blocker;
    elsewhere.zoneName = "another zone";
    elsewhere.first = KaVector2f32(40.0f, 10.0f);
    elsewhere.second = KaVector2f32(60.0f, 10.0f);
    blockers.pushBack(elsewhere);

    KaFreeMoveZone zone;
    zone.setName("u");
    buildFloor(zone, kUMap, kSide);
    zone.setBlockers(&blockers);
    zone.updateGrid(true);

    // A cell the blocker touches walks at the border cost; the cells behind
    // it are blocked however far away; the other zone's blocker is ignored.
    EXPECT_EQ(2, zone.graph().flag(zone.projectOnAStarGrid(KaVector3f32(7.0f, 0.0f, 27.0f))));
    EXPECT_EQ(1, zone.graph().flag(zone.projectOnAStarGrid(KaVector3f32(7.0f, 0.0f, 57.0f))));
    EXPECT_EQ(0, zone.graph().flag(zone.projectOnAStarGrid(KaVector3f32(47.0f, 0.0f, 12.0f))));

    EXPECT_FALSE(zone.curve(KaVector3f32(50.0f, 0.0f, 50.0f), KaVector3f32(10.0f, 0.0f, 50.0f)));

    // The closed arm's front part (x < 20, z < 25) and the rest past the
    // hole (x > 20) no longer reach each other; walks inside each stay
    // clear of the walls and of the blocker.
    std::vector<Segment> walls = wallsOf(kUMap, kSide);
    walls.push_back({ blocker.first, blocker.second });
    auto armFront = [](const KaVector3f32& p) { return p.x < 20.0f && p.z < 25.0f; };
    auto rest = [](const KaVector3f32& p) { return p.x > 20.0f; };
    std::mt19937 random(11);
    EXPECT_FALSE(zone.curve(randomPoint(random, kUMap, kSide, armFront), randomPoint(random, kUMap, kSide, rest)));
    for (int i = 0; i < 100; ++i) {
        const std::function<bool(const KaVector3f32&)> part = i % 2 ? armFront : rest;
        const KaVector3f32 from = randomPoint(random, kUMap, kSide, part);
        const KaVector3f32 to = randomPoint(random, kUMap, kSide, part);
        SCOPED_TRACE(
            testing::Message() << "from (" << from.x << ", " << from.z << ") to (" << to.x << ", " << to.z << ")");
        expectClearWalk(zone.curve(from, to), to, walls);
        if (HasFailure())
            return;
    }
}

TEST(KaFreeMoveZonePath, StartAndEndInOneCellGiveTheEndAlone)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    const KaVector3f32 to(11.0f, 0.0f, 12.0f);
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(KaVector3f32(12.0f, 0.0f, 13.0f), to);
    ASSERT_TRUE(curve);
    ASSERT_EQ(1u, curve->controlPoints().size());
    EXPECT_EQ(to, curve->controlPoints()[0]);
}

TEST(KaFreeMoveZonePath, AStraightWalkNeedsNoCorner)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    const KaVector3f32 from(10.0f, 0.0f, 70.0f), to(10.0f, 0.0f, 5.0f);
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
    ASSERT_TRUE(curve);
    ASSERT_EQ(2u, curve->controlPoints().size());
    EXPECT_EQ(from, curve->controlPoints()[0]);
    EXPECT_EQ(to, curve->controlPoints()[1]);

    // Without smoothing every cell centre of the path is kept.
    zone.setSmoothPaths(false);
    curve = zone.curve(from, to);
    ASSERT_TRUE(curve);
    EXPECT_GT(curve->controlPoints().size(), 10u);
    EXPECT_EQ(from, curve->controlPoints()[0]);
    EXPECT_EQ(to, lastPoint(curve));
}

TEST(KaFreeMoveZonePath, ClicksOffTheGridOrOutOfReach)
{
    const Map islands = { "#.#" };
    KaFreeMoveZone zone;
    buildFloor(zone, islands, kSide);
    const KaVector3f32 onLeft(10.0f, 0.0f, 10.0f);

    struct Case {
        const char* what;
        KaVector3f32 from;
        KaVector3f32 to;
        bool found;
    };
    const Case cases[] = {
        { "end far off the grid", onLeft, KaVector3f32(-500.0f, 0.0f, -500.0f), false },
        { "end just past the grid's last cell", onLeft, KaVector3f32(70.0f, 0.0f, 10.0f), false },
        { "end in the hole between the islands", onLeft, KaVector3f32(30.0f, 0.0f, 10.0f), false },
        { "end on the other island", onLeft, KaVector3f32(50.0f, 0.0f, 10.0f), false },
        { "end beyond what an int holds", onLeft, KaVector3f32(1e30f, 0.0f, 10.0f), false },
        { "end not a number", onLeft, KaVector3f32(NAN, 0.0f, 10.0f), false },
        { "start off the grid walks from the nearest cell", KaVector3f32(-8.0f, 0.0f, 10.0f),
            KaVector3f32(12.0f, 0.0f, 3.0f), true },
        { "start not a number", KaVector3f32(NAN, 0.0f, NAN), KaVector3f32(12.0f, 0.0f, 3.0f), true },
        { "start in the hole, next to the floor", KaVector3f32(22.0f, 0.0f, 10.0f), KaVector3f32(5.0f, 0.0f, 3.0f),
            true },
        { "end in the hole, next to the floor: walks to the floor's edge", onLeft, KaVector3f32(22.0f, 0.0f, 10.0f),
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(c.from, c.to);
        EXPECT_EQ(c.found, static_cast<bool>(curve));
        if (curve && c.to.x < 20.0f) {
            EXPECT_EQ(c.to, lastPoint(curve));
        } else if (curve) {
            // The nearest floor point, a hair inside the floor.
            EXPECT_NEAR(20.0f, lastPoint(curve).x, 0.02f);
            EXPECT_LT(lastPoint(curve).x, 20.0f);
            EXPECT_NEAR(10.0f, lastPoint(curve).z, 0.02f);
        }
    }
}

TEST(KaFreeMoveZonePath, RegionsSeparateWhatCannotBeReached)
{
    KaFreeMoveZone zone;
    buildFloor(zone, { "#.#" }, kSide);
    zone.updateGrid(false);
    const int left = zone.region(zone.projectOnAStarGrid(KaVector3f32(10.0f, 0.0f, 10.0f)));
    const int right = zone.region(zone.projectOnAStarGrid(KaVector3f32(50.0f, 0.0f, 10.0f)));
    EXPECT_GE(left, 0);
    EXPECT_GE(right, 0);
    EXPECT_NE(left, right);
    EXPECT_EQ(-1, zone.region(zone.projectOnAStarGrid(KaVector3f32(30.0f, 0.0f, 10.0f))));
    EXPECT_EQ(-1, zone.region(KaVector2s32(-1, 0)));
}

// The solver's cost over the zone graph is the cheapest there is: a plain
// Dijkstra over the same cells agrees for every pair tried.
TEST(KaFreeMoveZonePath, SearchCostsAreTheCheapest)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kUMap, kSide);
    // Below the most a border step costs the search.
    zone.setBordersDistance(1.25f);
    zone.updateGrid(false);
    KaFreeMoveZone::KaFreeMoveZoneGraph& graph = zone.graph();
    const int width = graph.size().x, depth = graph.size().y;

    auto dijkstra = [&](int start, int end) {
        std::vector<float> best(static_cast<size_t>(width * depth), FLT_MAX);
        typedef std::pair<float, int> Entry;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
        best[start] = 0.0f;
        open.push({ 0.0f, start });
        while (!open.empty()) {
            const Entry e = open.top();
            open.pop();
            if (e.first > best[e.second])
                continue;
            // The graph's own steps (those that stay on the floor), each
            // costed here from the flag of the cell it enters.
            std::vector<micropather::StateCost> steps;
            graph.AdjacentCost(reinterpret_cast<void*>(static_cast<intptr_t>(e.second)), &steps);
            for (const micropather::StateCost& step : steps) {
                const int next = static_cast<int>(reinterpret_cast<intptr_t>(step.state));
                const unsigned char f = graph.flag(KaVector2s32(next % width, next / width));
                EXPECT_NE(1, f);
                const float cost = e.first + (f == 2 ? 1.25f : 1.0f);
                if (cost < best[next]) {
                    best[next] = cost;
                    open.push({ cost, next });
                }
            }
        }
        return best[end];
    };

    micropather::MicroPather pather(&graph, 250, 6);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> cell(0, width * depth - 1);
    int compared = 0;
    while (compared < 60) {
        const int a = cell(random), b = cell(random);
        if (a == b || !zone.walkable(KaVector2s32(a % width, a / width))
            || !zone.walkable(KaVector2s32(b % width, b / width)))
            continue;
        std::vector<void*> path;
        float cost = 0.0f;
        const int result = pather.Solve(reinterpret_cast<void*>(static_cast<intptr_t>(a)),
            reinterpret_cast<void*>(static_cast<intptr_t>(b)), &path, &cost);
        ASSERT_EQ(micropather::MicroPather::SOLVED, result);
        EXPECT_FLOAT_EQ(dijkstra(a, b), cost) << a << " -> " << b;
        ++compared;
    }
    EXPECT_FLOAT_EQ(7.0f,
        graph.LeastCostEstimate(reinterpret_cast<void*>(static_cast<intptr_t>(0)),
            reinterpret_cast<void*>(static_cast<intptr_t>(3 * width + 7))));
}

// ---------------------------------------------------------------------------
// Walks on floors that do not line up with the grid

namespace {

// An axis-aligned rectangle of a floor's own frame.
struct Rect {
    float x0, z0, x1, z1;
};

// A floor drawn in its own frame as rectangles that share whole sides,
// turned by `angle` and moved by `offset` into the world.
struct TurnedFloor {
    std::vector<Rect> rects;
    float angle = 0.0f;
    KaVector2f32 offset;

    KaVector2f32 toWorld(float x, float z) const
    {
        const float c = std::cos(angle), s = std::sin(angle);
        return KaVector2f32(c * x - s * z + offset.x, s * x + c * z + offset.y);
    }
    KaVector2f32 toLocal(const KaVector2f32& p) const
    {
        const float c = std::cos(angle), s = std::sin(angle);
        const float x = p.x - offset.x, z = p.y - offset.y;
        return KaVector2f32(c * x + s * z, -s * x + c * z);
    }
    void build(KaFreeMoveZone& zone) const
    {
        std::vector<KaVector3f32> vertices;
        for (const Rect& r : rects) {
            const KaVector2f32 a = toWorld(r.x0, r.z0), b = toWorld(r.x1, r.z0);
            const KaVector2f32 c = toWorld(r.x1, r.z1), d = toWorld(r.x0, r.z1);
            for (const KaVector2f32& v : { a, b, c, a, c, d })
                vertices.push_back(KaVector3f32(v.x, 0.0f, v.y));
        }
        zone.setNbTriangles(vertices.size() / 3);
        for (size_t i = 0; i < vertices.size(); ++i)
            zone.setVertex(i, vertices[i]);
    }
    // How far a world point lies from the floor (0 on it).
    double distance(const KaVector2f32& world) const
    {
        const KaVector2f32 p = toLocal(world);
        double best = 1e30;
        for (const Rect& r : rects) {
            const double dx = std::max({ double(r.x0) - p.x, 0.0, double(p.x) - r.x1 });
            const double dz = std::max({ double(r.z0) - p.y, 0.0, double(p.y) - r.z1 });
            best = std::min(best, std::sqrt(dx * dx + dz * dz));
        }
        return best;
    }
    // Whether the whole segment lies within `tolerance` of the floor: the
    // pieces of it inside each widened rectangle cover it end to end.
    bool covers(const KaVector2f32& worldA, const KaVector2f32& worldB, float tolerance) const
    {
        const KaVector2f32 a = toLocal(worldA), b = toLocal(worldB);
        std::vector<std::pair<double, double>> pieces;
        for (const Rect& r : rects) {
            double t0 = 0.0, t1 = 1.0;
            const double from[2] = { a.x, a.y }, d[2] = { double(b.x) - a.x, double(b.y) - a.y };
            const double low[2] = { r.x0 - tolerance, r.z0 - tolerance };
            const double high[2] = { r.x1 + tolerance, r.z1 + tolerance };
            for (int axis = 0; axis < 2 && t0 <= t1; ++axis) {
                if (std::fabs(d[axis]) < 1e-12) {
                    if (from[axis] < low[axis] || from[axis] > high[axis])
                        t1 = -1.0;
                    continue;
                }
                double u0 = (low[axis] - from[axis]) / d[axis], u1 = (high[axis] - from[axis]) / d[axis];
                if (u0 > u1)
                    std::swap(u0, u1);
                t0 = std::max(t0, u0);
                t1 = std::min(t1, u1);
            }
            if (t0 <= t1)
                pieces.push_back({ t0, t1 });
        }
        std::sort(pieces.begin(), pieces.end());
        double reached = 0.0;
        for (const auto& piece : pieces) {
            if (piece.first > reached + 1e-9)
                return false;
            reached = std::max(reached, piece.second);
        }
        return reached >= 1.0 - 1e-9;
    }
};

// The legs a walk from `from` takes: to the first control point, then from
// each to the next.
std::vector<Segment> legsOf(const KaVector3f32& from, const KaIntrusivePtr<KaBezierCurve>& curve)
{
    std::vector<Segment> legs;
    KaVector2f32 at = xz(from);
    const KaArray<KaVector3f32>& points = curve->controlPoints();
    for (unsigned long i = 0; i < points.size(); ++i) {
        legs.push_back({ at, xz(points[i]) });
        at = xz(points[i]);
    }
    return legs;
}

// The parts of a random floor that no walk joins: the island (2), the foot
// of the first arm, before a blocker that closes the arm (1), and the rest
// (0).
struct RandomFloor {
    TurnedFloor floor;
    float width = 0.0f;
    float armLength = 0.0f;
    bool island = false;
    Rect islandRect {};
    bool closed = false;
    float closedAt = 0.0f;
    KaArray<KaBlocker> blockers;

    int part(const KaVector2f32& world) const
    {
        const KaVector2f32 p = floor.toLocal(world);
        if (island && p.x >= islandRect.x0 - 0.5f)
            return 2;
        if (closed && p.x <= width + 0.5f && p.y < closedAt)
            return 1;
        return 0;
    }
};

RandomFloor randomFloor(std::mt19937& random, const char* zoneName)
{
    auto uniform = [&](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
    RandomFloor f;
    const float w = uniform(3.0f, 25.0f);
    const float a = uniform(w, 60.0f);
    const float b = uniform(w, 60.0f);
    f.width = w;
    f.armLength = a;
    // Corners shared exactly: every rectangle takes its sides from these.
    const float xs[4] = { 0.0f, w, w + b, w + b + w };
    const float zs[3] = { 0.0f, a, a + w };
    const int shape = std::uniform_int_distribution<int>(0, 2)(random);
    f.floor.rects.push_back({ xs[0], zs[0], xs[1], zs[1] });
    if (shape >= 1) {
        f.floor.rects.push_back({ xs[0], zs[1], xs[1], zs[2] });
        f.floor.rects.push_back({ xs[1], zs[1], xs[2], zs[2] });
    }
    if (shape == 2) {
        f.floor.rects.push_back({ xs[2], zs[1], xs[3], zs[2] });
        f.floor.rects.push_back({ xs[2], zs[0], xs[3], zs[1] });
    }
    float right = 0.0f;
    for (const Rect& r : f.floor.rects)
        right = std::max(right, r.x1);
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
        f.island = true;
        const float x0 = right + uniform(1.0f, 8.0f), side = uniform(4.0f, 15.0f);
        f.islandRect = { x0, 0.0f, x0 + side, side };
        f.floor.rects.push_back(f.islandRect);
    }
    f.floor.angle = uniform(0.0f, 6.2831853f);
    f.floor.offset = KaVector2f32(uniform(-50.0f, 50.0f), uniform(-50.0f, 50.0f));

    auto addBlocker = [&](float x0, float z0, float x1, float z1) {
        KaBlocker blocker;
        blocker.zoneName = zoneName;
        blocker.first = f.floor.toWorld(x0, z0);
        blocker.second = f.floor.toWorld(x1, z1);
        f.blockers.pushBack(blocker);
    };
    const int blockers = std::uniform_int_distribution<int>(0, 3)(random);
    if (blockers == 1 || blockers == 3) {
        // Across the whole first arm, past both its sides.
        f.closed = true;
        f.closedAt = uniform(0.25f, 0.75f) * a;
        // Either way round: the strip behind the line (negative cross
        // product) is closed, whichever side that is.
        if (std::uniform_int_distribution<int>(0, 1)(random) == 1)
            addBlocker(w + 1.0f, f.closedAt, -1.0f, f.closedAt);
        else
            addBlocker(-1.0f, f.closedAt, w + 1.0f, f.closedAt);
    }
    if (blockers >= 2) {
        // Part way across a corridor from its wall: walks go round it.
        const float reach = uniform(0.2f, 0.6f) * w;
        if (shape >= 1) {
            const Rect& r = f.floor.rects[2];
            const float x = uniform(r.x0, r.x1);
            addBlocker(x, r.z0 - 0.5f, x, r.z0 + reach);
        } else {
            const float z = uniform(0.0f, a);
            addBlocker(-0.5f, z, reach, z);
        }
    }
    return f;
}

// A point of the floor, drawn from a random rectangle (by area), at least
// `margin` inside it.
KaVector3f32 randomFloorPoint(std::mt19937& random, const TurnedFloor& floor, float margin)
{
    std::vector<float> areas;
    for (const Rect& r : floor.rects)
        areas.push_back((r.x1 - r.x0) * (r.z1 - r.z0));
    const Rect& r = floor.rects[std::discrete_distribution<size_t>(areas.begin(), areas.end())(random)];
    const float x = std::uniform_real_distribution<float>(r.x0 + margin, r.x1 - margin)(random);
    const float z = std::uniform_real_distribution<float>(r.z0 + margin, r.z1 - margin)(random);
    const KaVector2f32 p = floor.toWorld(x, z);
    return KaVector3f32(p.x, 0.0f, p.y);
}

} // namespace

// Thousands of random floors: corridors 3 to 25 units wide, straight, L or
// U, turned by any angle, some with an island, some with a blocker that
// closes the first arm and one that juts into the floor; cells of 5 or 2
// units. Every walk stays within 0.05 units of the floor, crosses no
// blocker, ends in the part of the floor it starts from, and ends at the
// click (or, for a click just off the floor, at the floor next to it).
TEST(KaFreeMoveZoneWalks, RandomTurnedFloorsKeepEveryWalkOnItsFloor)
{
    std::mt19937 random(20261211);
    int walks = 0, clickedWalks = 0, refusedReachable = 0, reachableAsked = 0;
    for (int round = 0; round < 1000; ++round) {
        const char* name = round % 3 == 0 ? "floor_19000" : "floor";
        RandomFloor f = randomFloor(random, name);
        KaFreeMoveZone zone;
        zone.setName(name);
        f.floor.build(zone);
        zone.setBlockers(&f.blockers);
        zone.updateGrid(false);
        const float cell = zone.cellSize().x;
        for (int query = 0; query < 4; ++query) {
            const KaVector3f32 from = randomFloorPoint(random, f.floor, 0.2f);
            KaVector3f32 to = randomFloorPoint(random, f.floor, 0.0f);
            const bool offFloor = query == 3;
            if (offFloor) {
                // A click up to a unit off the floor, off a random side.
                const float angle = std::uniform_real_distribution<float>(0.0f, 6.2831853f)(random);
                const float far = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
                to = to + KaVector3f32(std::cos(angle) * (far + f.width), 0.0f, std::sin(angle) * (far + f.width));
            }
            const double toOff = f.floor.distance(xz(to));
            if (offFloor && toOff > 1.0)
                continue;
            // Points right on a blocker's line belong to neither side.
            bool onLine = false;
            for (unsigned long i = 0; i < f.blockers.size(); ++i)
                for (const KaVector3f32& p : { from, to })
                    onLine = onLine
                        || std::fabs(orient(f.blockers[i].first, f.blockers[i].second, xz(p)))
                            < 0.2 * (f.blockers[i].second - f.blockers[i].first).length();
            if (onLine)
                continue;
            SCOPED_TRACE(testing::Message() << "round " << round << " query " << query << " from (" << from.x << ", "
                                            << from.z << ") to (" << to.x << ", " << to.z << ")");
            const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
            const bool sameOpenPart = f.part(xz(from)) == f.part(xz(to));
            if (sameOpenPart && f.blockers.isEmpty() && f.width >= 2.5f * cell && toOff == 0.0) {
                ++reachableAsked;
                if (!curve)
                    ++refusedReachable;
            }
            if (!curve)
                continue;
            ++walks;
            for (const Segment& leg : legsOf(from, curve)) {
                ASSERT_TRUE(f.floor.covers(leg.a, leg.b, 0.05f))
                    << "leg (" << leg.a.x << ", " << leg.a.y << ") - (" << leg.b.x << ", " << leg.b.y << ") leaves the floor";
                for (unsigned long i = 0; i < f.blockers.size(); ++i)
                    ASSERT_FALSE(crossesStrictly(leg.a, leg.b, { f.blockers[i].first, f.blockers[i].second }))
                        << "leg (" << leg.a.x << ", " << leg.a.y << ") - (" << leg.b.x << ", " << leg.b.y
                        << ") crosses blocker " << i;
            }
            const KaVector3f32 end = lastPoint(curve);
            ASSERT_EQ(f.part(xz(from)), f.part(xz(end))) << "the walk ends in another part of the floor";
            if (toOff == 0.0) {
                ASSERT_EQ(to, end);
                ++clickedWalks;
            } else {
                ASSERT_LE(f.floor.distance(xz(end)), 0.05);
                ASSERT_LE((xz(end) - xz(to)).length(), toOff + 0.05);
            }
        }
    }
    // Open floors wide enough for cells either side of the walk: every
    // click reached.
    EXPECT_EQ(0, refusedReachable) << "of " << reachableAsked;
    EXPECT_GT(walks, 1500);
    EXPECT_GT(clickedWalks, 1200);
}

// The cases that went wrong on the landed code.
TEST(KaFreeMoveZoneWalks, ClosedBlockerIslandsAndTheInnerCorner)
{
    // A 40 x 40 floor of 10-unit squares closed at z = 20 (the side of
    // larger z is behind the blocker): clicks behind it give no walk, or one
    // that stays in front.
    {
        KaArray<KaBlocker> blockers;
        KaBlocker blocker;
        blocker.zoneName = "room";
        blocker.first = KaVector2f32(-1.0f, 20.0f);
        blocker.second = KaVector2f32(41.0f, 20.0f);
        blockers.pushBack(blocker);
        KaFreeMoveZone zone;
        zone.setName("room");
        buildFloor(zone, { "####", "####", "####", "####" }, 10.0f);
        zone.setBlockers(&blockers);
        const KaVector3f32 from(10.0f, 0.0f, 10.0f);
        for (float z : { 20.5f, 23.0f, 27.0f, 29.0f, 35.0f }) {
            for (float x : { 1.0f, 12.0f, 39.0f }) {
                SCOPED_TRACE(testing::Message() << "click (" << x << ", " << z << ")");
                const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, KaVector3f32(x, 0.0f, z));
                if (!curve)
                    continue;
                for (const Segment& leg : legsOf(from, curve))
                    EXPECT_FALSE(crossesStrictly(leg.a, leg.b, { blocker.first, blocker.second }));
                EXPECT_LT(lastPoint(curve).z, 20.0f);
            }
        }
        // In front of it everything is reached.
        for (const KaVector3f32& to : { KaVector3f32(38.0f, 0.0f, 19.0f), KaVector3f32(1.0f, 0.0f, 1.0f) }) {
            const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
            ASSERT_TRUE(curve);
            EXPECT_EQ(to, lastPoint(curve));
        }
    }
    // Two 6-unit squares 1 unit apart: a click on the other gives no walk.
    {
        TurnedFloor floor;
        floor.rects = { { 0.0f, 0.0f, 6.0f, 6.0f }, { 7.0f, 0.0f, 13.0f, 6.0f } };
        KaFreeMoveZone zone;
        floor.build(zone);
        EXPECT_FALSE(zone.curve(KaVector3f32(3.0f, 0.0f, 3.0f), KaVector3f32(10.0f, 0.0f, 3.0f)));
        EXPECT_FALSE(zone.curve(KaVector3f32(1.0f, 0.0f, 5.0f), KaVector3f32(12.0f, 0.0f, 1.0f)));
    }
    // Two rectangles that share only part of a side (a corner of one in the
    // middle of the other's side): the shared part is no wall.
    {
        TurnedFloor floor;
        floor.rects = { { 0.0f, 0.0f, 100.0f, 400.0f }, { 100.0f, 300.0f, 400.0f, 400.0f } };
        KaFreeMoveZone zone;
        floor.build(zone);
        const KaVector3f32 from(50.0f, 0.0f, 20.0f), to(380.0f, 0.0f, 350.0f);
        const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        ASSERT_TRUE(curve);
        EXPECT_EQ(to, lastPoint(curve));
        for (const Segment& leg : legsOf(from, curve))
            EXPECT_TRUE(floor.covers(leg.a, leg.b, 0.05f));
    }
    // An L of three 8.8-unit-wide rectangles: the walk round the inner
    // corner at (8.8, 8.8) keeps to the floor.
    {
        TurnedFloor floor;
        floor.rects = { { 0.0f, 0.0f, 8.8f, 8.8f }, { 0.0f, 8.8f, 8.8f, 40.0f }, { 8.8f, 0.0f, 60.0f, 8.8f } };
        KaFreeMoveZone zone;
        floor.build(zone);
        const KaVector3f32 from(6.36f, 0.0f, 28.17f), to(52.89f, 0.0f, 5.85f);
        const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        ASSERT_TRUE(curve);
        EXPECT_EQ(to, lastPoint(curve));
        for (const Segment& leg : legsOf(from, curve))
            EXPECT_TRUE(floor.covers(leg.a, leg.b, 0.05f))
                << "(" << leg.a.x << ", " << leg.a.y << ") - (" << leg.b.x << ", " << leg.b.y << ")";
    }
}

// A character standing in a corridor: walks past it go round its
// footprint, a click on it ends at its edge, and a walk that starts inside
// it (the player pressed against it) walks out.
TEST(KaFreeMoveZoneWalks, StandingCharactersAreWalkedRound)
{
    TurnedFloor floor;
    floor.rects = { { 0.0f, 0.0f, 200.0f, 120.0f } };
    floor.angle = 0.4f;
    KaFreeMoveZone zone;
    floor.build(zone);
    const KaVector2f32 standing = floor.toWorld(100.0f, 60.0f);
    const float radius = 30.0f;
    KaArray<KaVector3f32> centres;
    centres.pushBack(KaVector3f32(standing.x, 0.0f, standing.y));
    zone.setObstacles(centres, radius);

    auto nearest = [&](const KaIntrusivePtr<KaBezierCurve>& curve, const KaVector3f32& from) {
        double best = 1e30;
        for (const Segment& leg : legsOf(from, curve)) {
            const KaVector2f32 d = leg.b - leg.a;
            const double length = double(d.x) * d.x + double(d.y) * d.y;
            double t = length > 0.0 ? ((standing.x - leg.a.x) * double(d.x) + (standing.y - leg.a.y) * double(d.y)) / length : 0.0;
            t = std::max(0.0, std::min(1.0, t));
            const double x = leg.a.x + t * d.x - standing.x, z = leg.a.y + t * d.y - standing.y;
            best = std::min(best, std::sqrt(x * x + z * z));
        }
        return best;
    };
    struct Case {
        const char* what;
        KaVector2f32 from, to;
    };
    const Case cases[] = {
        { "straight past it", floor.toWorld(10.0f, 60.0f), floor.toWorld(190.0f, 60.0f) },
        { "slanting past it", floor.toWorld(10.0f, 20.0f), floor.toWorld(190.0f, 100.0f) },
        { "onto it", floor.toWorld(10.0f, 60.0f), floor.toWorld(100.0f, 62.0f) },
        { "onto its centre", floor.toWorld(100.0f, 110.0f), standing },
        { "out of it", floor.toWorld(105.0f, 70.0f), floor.toWorld(10.0f, 10.0f) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const KaVector3f32 from(c.from.x, 0.0f, c.from.y), to(c.to.x, 0.0f, c.to.y);
        const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
        ASSERT_TRUE(curve);
        for (const Segment& leg : legsOf(from, curve))
            EXPECT_TRUE(floor.covers(leg.a, leg.b, 0.05f));
        const bool startsInside = (c.from - standing).length() < radius;
        const bool endsInside = (c.to - standing).length() < radius;
        if (!startsInside) {
            EXPECT_GE(nearest(curve, from), radius - 0.01);
        }
        if (endsInside) {
            EXPECT_NEAR(radius, (xz(lastPoint(curve)) - standing).length(), radius * 0.1f);
        } else {
            EXPECT_EQ(to, lastPoint(curve));
        }
    }
    // Gone: the straight line again.
    zone.setObstacles(KaArray<KaVector3f32>(), radius);
    const KaVector2f32 a = floor.toWorld(10.0f, 60.0f), b = floor.toWorld(190.0f, 60.0f);
    const KaIntrusivePtr<KaBezierCurve> curve = zone.curve(KaVector3f32(a.x, 0.0f, a.y), KaVector3f32(b.x, 0.0f, b.y));
    ASSERT_TRUE(curve);
    EXPECT_EQ(2u, curve->controlPoints().size());
}

// The grid built along each triangle's rows gives every cell the flag the
// cell-by-cell rule gives: on floors of long thin triangles at all slants,
// with blockers.
TEST(KaFreeMoveZoneGrid, FlagsOfSliversAgreeWithTheCellByCellRule)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(0.0f, 150.0f);
    for (int round = 0; round < 6; ++round) {
        KaFreeMoveZone zone;
        zone.setName("slivers");
        const int triangles = 12;
        zone.setNbTriangles(triangles);
        for (int t = 0; t < triangles; ++t) {
            const KaVector3f32 a(coordinate(random), 0.0f, coordinate(random));
            const KaVector3f32 b(coordinate(random), 0.0f, coordinate(random));
            const KaVector3f32 side = KaVector3f32(-(b.z - a.z), 0.0f, b.x - a.x) * 0.02f;
            zone.setVertex(3 * t, a);
            zone.setVertex(3 * t + 1, b);
            zone.setVertex(3 * t + 2, (a + b) * 0.5f + side);
        }
        KaArray<KaBlocker> blockers;
        KaBlocker blocker;
        blocker.zoneName = "slivers";
        blocker.first = KaVector2f32(coordinate(random), coordinate(random));
        blocker.second = KaVector2f32(coordinate(random), coordinate(random));
        blockers.pushBack(blocker);
        zone.setBlockers(&blockers);
        zone.updateGrid(false);
        const KaVector2s32 size = zone.graph().size();
        ASSERT_GT(size.x * size.y, 400);
        for (int z = 0; z < size.y; ++z) {
            for (int x = 0; x < size.x; ++x) {
                const KaVector2s32 cell(x, z);
                const int b = zone.hasBlockerIntersection(cell);
                bool found = false;
                zone.correctCharacterPosition(zone.transformAStarGridInWorldSpace(cell), &found, true);
                const int expected = b == 1 ? 1 : zone.hasCellBorderIntersection(cell) ? 2 : !found ? 1 : b == 2 ? 2 : 0;
                ASSERT_EQ(expected, zone.graph().flag(cell)) << "round " << round << " cell " << x << ", " << z;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Grid

TEST(KaFreeMoveZoneGrid, ZoneNamed19000HasTwoUnitCells)
{
    KaFreeMoveZone zone;
    zone.setName("room_19000_floor");
    buildFloor(zone, kLMap, kSide);
    zone.updateGrid(false);
    EXPECT_EQ(KaVector2f32(2.0f, 2.0f), zone.cellSize());
    EXPECT_EQ(KaVector2s32(41, 41), zone.graph().size());

    KaFreeMoveZone plain;
    buildFloor(plain, kLMap, kSide);
    plain.updateGrid(false);
    EXPECT_EQ(KaVector2f32(5.0f, 5.0f), plain.cellSize());
    EXPECT_EQ(KaVector2s32(17, 17), plain.graph().size());
}

TEST(KaFreeMoveZoneGrid, AWideFloorIsCutAt2000CellsAndStillCovered)
{
    KaFreeMoveZone zone;
    buildFloor(zone, { "#" }, 1.0f);
    zone.setVertex(1, KaVector3f32(12000.0f, 0.0f, 0.0f));
    zone.setVertex(2, KaVector3f32(12000.0f, 0.0f, 10.0f));
    zone.setVertex(4, KaVector3f32(12000.0f, 0.0f, 10.0f));
    zone.setVertex(5, KaVector3f32(0.0f, 0.0f, 10.0f));
    zone.updateGrid(false);
    const KaVector2s32 size = zone.graph().size();
    EXPECT_EQ(KaFreeMoveZone::kMaxCellsPerSide, size.x);
    EXPECT_EQ(3, size.y);
    EXPECT_GE(zone.gridMin().x + size.x * zone.cellSize().x, zone.gridMax().x);
    // The far end is reachable.
    KaIntrusivePtr<KaBezierCurve> curve
        = zone.curve(KaVector3f32(1.0f, 0.0f, 5.0f), KaVector3f32(11999.0f, 0.0f, 5.0f));
    ASSERT_TRUE(curve);
    EXPECT_EQ(KaVector3f32(11999.0f, 0.0f, 5.0f), lastPoint(curve));
}

TEST(KaFreeMoveZoneGrid, FloorTestAndBorderCells)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    zone.updateGrid(false);
    auto flagAt
        = [&](float x, float z) { return zone.graph().flag(zone.projectOnAStarGrid(KaVector3f32(x, 0.0f, z))); };
    EXPECT_EQ(0, flagAt(12.0f, 40.0f)) << "inside the upright";
    EXPECT_EQ(2, flagAt(2.0f, 40.0f)) << "along the upright's outer wall";
    EXPECT_EQ(1, flagAt(50.0f, 30.0f)) << "in the L's empty quarter";
    EXPECT_EQ(1, zone.graph().flag(KaVector2s32(-1, 0)));
    EXPECT_EQ(1, zone.graph().flag(KaVector2s32(0, 17)));
    EXPECT_EQ(8u * 2u * 2u, zone.borders().size()) << "one pair per square side on the outline";
}

// ---------------------------------------------------------------------------
// Act zones

TEST(KaFreeMoveZone, IsInZone)
{
    KaArray<KaActZone> actZones;
    auto add = [&](const char* zoneName, const char* name, bool active, KaVector2f32 a, KaVector2f32 b, KaVector2f32 c,
                   KaVector2f32 d) {
        KaActZone zone;
        zone.zoneName = zoneName;
        zone.name = name;
        zone.active = active;
        zone.corners[0] = a;
        zone.corners[1] = b;
        zone.corners[2] = c;
        zone.corners[3] = d;
        actZones.pushBack(zone);
    };
    const KaVector2f32 p0(0, 0), p1(10, 0), p2(10, 10), p3(0, 10);
    add("floor", "flat", true, p0, p1, p1, p0);
    add("floor", "asleep", false, p0, p1, p2, p3);
    add("other", "elsewhere", true, p0, p1, p2, p3);
    add("floor", "door", true, p0, p1, p2, p3);
    add("floor", "reversed", true, p3, p2, p1, p0);

    KaFreeMoveZone zone;
    zone.setName("floor");
    EXPECT_EQ(nullptr, zone.isInZone(KaVector3f32(5, 0, 5))) << "no act zones given";
    zone.setActZones(&actZones);
    KaActZone* found = zone.isInZone(KaVector3f32(5, 3, 5));
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(KaString("door"), found->name);
    found = zone.isInZone(KaVector3f32(10, 0, 4));
    ASSERT_NE(nullptr, found) << "an edge point is inside";
    EXPECT_EQ(KaString("door"), found->name);
    EXPECT_EQ(nullptr, zone.isInZone(KaVector3f32(5, 0, 0.0f - 0.01f)));
    // The flat act zone comes first but holds not even the points of its
    // own line.
    found = zone.isInZone(KaVector3f32(5, 0, 0));
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(KaString("door"), found->name);
    actZones[3].active = false;
    found = zone.isInZone(KaVector3f32(5, 0, 0));
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(KaString("reversed"), found->name) << "the winding does not matter";
}

// ---------------------------------------------------------------------------
// Position queries

TEST(KaFreeMoveZone, CorrectCharacterPosition)
{
    KaFreeMoveZone low;
    buildFloor(low, { "#" }, 10.0f, -5.0f);
    KaFreeMoveZone high;
    buildFloor(high, { "#" }, 10.0f, 5.0f);

    bool found = false;
    EXPECT_EQ(KaVector3f32(3, -5, 4), low.correctCharacterPosition(KaVector3f32(3, 50, 4), &found, true));
    EXPECT_TRUE(found);
    EXPECT_EQ(KaVector3f32(3, 5, 4), high.correctCharacterPosition(KaVector3f32(3, -50, 4), &found, false));
    EXPECT_TRUE(found);
    EXPECT_EQ(KaVector3f32(30, 7, 4), high.correctCharacterPosition(KaVector3f32(30, 7, 4), &found, true));
    EXPECT_FALSE(found);
    EXPECT_EQ(KaVector3f32(30, 7, 4), high.correctCharacterPosition(KaVector3f32(30, 7, 4), nullptr, true));

    // Two floors over each other: the one below height 0 wins.
    KaFreeMoveZone both;
    both.setNbTriangles(4);
    const KaVector3f32 corners[] = { KaVector3f32(0, 0, 0), KaVector3f32(10, 0, 0), KaVector3f32(10, 0, 10),
        KaVector3f32(0, 0, 0), KaVector3f32(10, 0, 10), KaVector3f32(0, 0, 10) };
    for (int i = 0; i < 6; ++i) {
        both.setVertex(i, corners[i] + KaVector3f32(0, 5, 0));
        both.setVertex(6 + i, corners[i] + KaVector3f32(0, -5, 0));
    }
    EXPECT_EQ(KaVector3f32(3, -5, 4), both.correctCharacterPosition(KaVector3f32(3, 8, 4), &found, true));
}

TEST(KaFreeMoveZone, ScreenQueriesWithoutCameraOrBorders)
{
    KaFreeMoveZone empty;
    EXPECT_EQ(KaVector3f32(0, 0, 0), empty.findNearestPointOnBorder(KaVector2f32(10, 10)));
    EXPECT_EQ(0u, empty.collisions(KaVector3f32(1, 0, 1), KaVector2f32(10, 10)).size());

    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->viewport(0, 0, 200, 100);
    empty.setCamera(camera, false);
    EXPECT_EQ(KaVector3f32(0, 0, 0), empty.findNearestPointOnBorder(KaVector2f32(10, 10)));
    EXPECT_TRUE(empty.projectedPointsDirty() == false);
    camera->viewport(0, 0, 100, 100);
    EXPECT_TRUE(empty.projectedPointsDirty()) << "a viewport change asks for new projections";
}

TEST(KaFreeMoveZone, NormalizeAngleAndCompare)
{
    EXPECT_FLOAT_EQ(0.5f, KaFreeMoveZone::normalizeAngle(0.5f));
    EXPECT_NEAR(1.5707963705062866f - 0.5f, KaFreeMoveZone::normalizeAngle(-0.5f), 1e-6f);
    EXPECT_NEAR(0.25f, KaFreeMoveZone::normalizeAngle(1.5707963705062866f + 0.25f), 1e-6f);
    KaFreeMoveZone::CollidePoint a { KaVector3f32(), 1.0f }, b { KaVector3f32(), 2.0f };
    EXPECT_EQ(-1, KaFreeMoveZone::compareCollidePointDistance(a, b));
    EXPECT_EQ(1, KaFreeMoveZone::compareCollidePointDistance(b, a));
    EXPECT_EQ(0, KaFreeMoveZone::compareCollidePointDistance(a, a));
}

TEST(KaFreeMoveZone, ClearKeepsVerticesAndMovingMarksNothing)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    zone.updateGrid(false);
    EXPECT_FALSE(zone.gridDirty());
    zone.setPosition(KaVector3f32(100, 0, 0));
    EXPECT_FALSE(zone.gridDirty());
    EXPECT_FALSE(zone.transformedVerticesDirty());

    const unsigned long vertices = zone.vertices().size();
    const unsigned long indices = zone.pickIndices().size();
    zone.clear();
    EXPECT_EQ(vertices, zone.vertices().size());
    EXPECT_EQ(indices, zone.pickIndices().size());
    EXPECT_EQ(0u, zone.worldVertices().size());
    EXPECT_EQ(0u, zone.borders().size());
    EXPECT_EQ(KaVector2s32(0, 0), zone.graph().size());
    EXPECT_TRUE(zone.gridDirty());
}

TEST(KaFreeMoveZone, TimingLinesOnlyWhenAskedFor)
{
    KaFreeMoveZone zone;
    zone.setName("timed");
    buildFloor(zone, kLMap, kSide);
    {
        KaCaptureStdout capture;
        zone.updateGrid(true);
        EXPECT_EQ("", capture.text());
    }
    KaFreeMoveZone::setDebugTimings(true);
    {
        KaCaptureStdout capture;
        zone.updateGrid(true);
        EXPECT_NE(std::string::npos, capture.text().find("[KaFreeMoveZone::updateGrid()] timed time : "));
    }
    KaFreeMoveZone::setDebugTimings(false);
}

// ---------------------------------------------------------------------------
// The stored block

namespace {

// Every field of a walkable-zone block, in the order the block stores them.
struct BlockFields {
    KaString name;
    KaVector3f32 position;
    KaQuaternion rotation;
    KaVector3f32 scale;
    std::vector<KaVector3f32> pickVertices;
    KaVector2f32 cellSize;
    bool flags[5] = { true, true, true, true, true };
    std::vector<KaVector3f32> vertices;
    std::vector<unsigned int> pickIndices;
    std::vector<KaVector3f32> worldVertices;
    std::vector<unsigned int> borders;
    KaString occluderName;
    KaVector3f32 occluderPosition;
    KaQuaternion occluderRotation;
    KaVector3f32 occluderScale;
    KaVector3f32 occluderCorners[4];
    KaVector2f32 gridMin, gridMax;
    float gridHeight = 0.0f;
    int width = 0, depth = 0;
    std::vector<unsigned char> cells;
    float borderCost = 0.0f;
};

template <class T> std::vector<T> toVector(const KaArray<T>& array)
{
    return std::vector<T>(array.begin(), array.end());
}

BlockFields fieldsOf(KaFreeMoveZone& zone)
{
    BlockFields f;
    f.name = zone.name();
    f.position = zone.position();
    f.rotation = zone.rotation();
    f.scale = zone.scale();
    f.pickVertices = toVector(zone.KaPickMesh2::vertices());
    f.cellSize = zone.cellSize();
    const bool flags[5] = { zone.transformedVerticesDirty(), zone.bordersDirty(), zone.pickMeshDirty(),
        zone.projectedPointsDirty(), zone.gridDirty() };
    std::copy(flags, flags + 5, f.flags);
    f.vertices = toVector(zone.vertices());
    f.pickIndices = toVector(zone.pickIndices());
    f.worldVertices = toVector(zone.worldVertices());
    f.borders = toVector(zone.borders());
    KaOBP& occluder = zone.pathFindingOccluder();
    f.occluderName = occluder.name();
    f.occluderPosition = occluder.position();
    f.occluderRotation = occluder.rotation();
    f.occluderScale = occluder.scale();
    for (unsigned int i = 0; i < 4; ++i)
        f.occluderCorners[i] = occluder.corner(i);
    f.gridMin = zone.gridMin();
    f.gridMax = zone.gridMax();
    f.gridHeight = zone.gridHeight();
    f.width = zone.graph().size().x;
    f.depth = zone.graph().size().y;
    f.cells = toVector(zone.graph().flags());
    f.borderCost = zone.bordersDistance();
    return f;
}

// The block as written field by field, with where each count lies.
struct WrittenBlock {
    std::string bytes;
    unsigned long pickCount = 0, vertexCount = 0, cellCount = 0;
};

WrittenBlock writeBlock(const BlockFields& f)
{
    KaStream out;
    WrittenBlock written;
    auto vectors = [&](const std::vector<KaVector3f32>& values, unsigned int count) {
        out.write(count);
        for (const KaVector3f32& v : values)
            out << v.x << v.y << v.z;
    };
    out.write(static_cast<unsigned int>(f.name.length()));
    out.write(f.name);
    out << f.position.x << f.position.y << f.position.z;
    out << f.rotation.x << f.rotation.y << f.rotation.z << f.rotation.w;
    out << f.scale.x << f.scale.y << f.scale.z;
    written.pickCount = out.getPos();
    vectors(f.pickVertices, static_cast<unsigned int>(f.pickVertices.size() / 3));
    out << f.cellSize.x << f.cellSize.y;
    for (bool flag : f.flags)
        out.write(flag);
    written.vertexCount = out.getPos();
    vectors(f.vertices, static_cast<unsigned int>(f.vertices.size()));
    out.write(static_cast<unsigned int>(f.pickIndices.size()));
    for (unsigned int i : f.pickIndices)
        out.write(i);
    vectors(f.worldVertices, static_cast<unsigned int>(f.worldVertices.size()));
    out.write(static_cast<unsigned int>(f.borders.size()));
    for (unsigned int i : f.borders)
        out.write(i);
    out.write(static_cast<unsigned int>(f.occluderName.length()));
    out.write(f.occluderName);
    out << f.occluderPosition.x << f.occluderPosition.y << f.occluderPosition.z;
    out << f.occluderRotation.x << f.occluderRotation.y << f.occluderRotation.z << f.occluderRotation.w;
    out << f.occluderScale.x << f.occluderScale.y << f.occluderScale.z;
    for (const KaVector3f32& c : f.occluderCorners)
        out << c.x << c.y << c.z;
    out << f.gridMin.x << f.gridMin.y << f.gridMax.x << f.gridMax.y << f.gridHeight;
    out.write(f.width);
    out.write(f.depth);
    written.cellCount = out.getPos();
    out.write(static_cast<unsigned int>(f.cells.size()));
    for (unsigned char c : f.cells)
        out.write(c);
    out << f.borderCost;
    written.bytes.assign(reinterpret_cast<const char*>(out.data()), out.bufferLength());
    return written;
}

std::string serialized(KaFreeMoveZone& zone, bool update)
{
    KaStream out;
    EXPECT_TRUE(KaFreeMoveZone::serialize(out, zone, update));
    return std::string(reinterpret_cast<const char*>(out.data()), out.bufferLength());
}

bool load(const std::string& bytes, KaFreeMoveZone& zone)
{
    KaStream in;
    in.writeData(bytes.data(), bytes.size());
    in.seek(0);
    return KaFreeMoveZone::deserialize(in, zone, nullptr, nullptr, nullptr);
}

void patchU32(std::string& bytes, unsigned long offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::vector<KaVector3f32> walk(KaFreeMoveZone& zone, const KaVector3f32& from, const KaVector3f32& to)
{
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, to);
    if (!curve)
        return {};
    return toVector(curve->controlPoints());
}

} // namespace

TEST(KaFreeMoveZoneBlock, LayoutIsFieldByField)
{
    KaFreeMoveZone zone;
    zone.setName("floor");
    buildFloor(zone, kLMap, kSide);
    zone.setPosition(KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(writeBlock(fieldsOf(zone)).bytes, serialized(zone, false)) << "as built, everything dirty";
    const std::string clean = serialized(zone, true);
    EXPECT_EQ(writeBlock(fieldsOf(zone)).bytes, clean);
    EXPECT_FALSE(zone.gridDirty());
    EXPECT_FALSE(zone.pickMeshDirty());
    EXPECT_FALSE(zone.transformedVerticesDirty());
}

TEST(KaFreeMoveZoneBlock, RoundTripKeepsEveryFieldAndTheWalks)
{
    KaFreeMoveZone zone;
    zone.setName("floor");
    buildFloor(zone, kUMap, kSide);
    zone.setBordersDistance(99.0f);
    const std::string bytes = serialized(zone, true);

    KaFreeMoveZone copy;
    ASSERT_TRUE(load(bytes, copy));
    EXPECT_EQ(bytes, serialized(copy, false));
    EXPECT_FALSE(copy.gridDirty());
    EXPECT_FALSE(copy.bordersDirty());
    EXPECT_FALSE(copy.pickMeshDirty());
    EXPECT_FALSE(copy.transformedVerticesDirty());
    std::mt19937 random(5);
    for (int i = 0; i < 20; ++i) {
        const KaVector3f32 from = randomPoint(random, kUMap, kSide), to = randomPoint(random, kUMap, kSide);
        EXPECT_EQ(walk(zone, from, to), walk(copy, from, to));
    }
    EXPECT_FALSE(copy.gridDirty()) << "the stored grid was used as it was";

    // A dirty block comes back dirty and builds the same grid on first use.
    KaFreeMoveZone fresh;
    buildFloor(fresh, kUMap, kSide);
    KaFreeMoveZone fromDirty;
    ASSERT_TRUE(load(serialized(fresh, false), fromDirty));
    EXPECT_TRUE(fromDirty.gridDirty());
    const KaVector3f32 from(10.0f, 0.0f, 5.0f), to(50.0f, 0.0f, 5.0f);
    EXPECT_EQ(walk(zone, from, to), walk(fromDirty, from, to));
}

TEST(KaFreeMoveZoneBlock, Zone19000GetsTwoUnitCellsWhateverWasStored)
{
    KaFreeMoveZone zone;
    zone.setName("street-19000");
    buildFloor(zone, kLMap, kSide);
    BlockFields fields = fieldsOf(zone);
    (void)serialized(zone, true);
    fields = fieldsOf(zone);
    fields.cellSize = KaVector2f32(5.0f, 5.0f);
    KaFreeMoveZone copy;
    ASSERT_TRUE(load(writeBlock(fields).bytes, copy));
    EXPECT_EQ(KaVector2f32(2.0f, 2.0f), copy.cellSize());
    EXPECT_TRUE(copy.gridDirty());
}

// Derived data that does not agree with what it derives from is rebuilt; a
// block that ends early is refused and the zone keeps what it had. Either
// way the zone then walks exactly as the zone that was written.
TEST(KaFreeMoveZoneBlock, CorruptBlocksRebuildOrFailCleanly)
{
    KaFreeMoveZone original;
    original.setName("floor");
    buildFloor(original, kLMap, kSide);
    (void)serialized(original, true);
    const BlockFields good = fieldsOf(original);
    const KaVector3f32 from(10.0f, 0.0f, 5.0f), to(75.0f, 0.0f, 70.0f);
    const std::vector<KaVector3f32> expected = walk(original, from, to);
    ASSERT_FALSE(expected.empty());

    struct Case {
        const char* what;
        std::function<void(BlockFields&)> change;
        bool rebuildsGrid;
    };
    const float inf = INFINITY;
    const Case cases[] = {
        { "untouched", [](BlockFields&) {}, false },
        { "pick index past the vertices", [](BlockFields& f) { f.pickIndices[4] = 9999; }, true },
        { "pick indices not whole triangles", [](BlockFields& f) { f.pickIndices.pop_back(); }, true },
        { "fewer pick indices than pick triangles",
            [](BlockFields& f) { f.pickIndices.resize(f.pickIndices.size() - 3); }, true },
        { "pick vertex not the vertex it indexes", [](BlockFields& f) { f.pickVertices[7].x += 1.0f; }, true },
        { "no pick mesh for the vertices, said clean",
            [](BlockFields& f) {
                f.pickVertices.clear();
                f.pickIndices.clear();
            },
            true },
        { "a world vertex missing", [](BlockFields& f) { f.worldVertices.pop_back(); }, true },
        { "border index past the pick indices", [](BlockFields& f) { f.borders[3] = 1000000; }, true },
        { "odd border count", [](BlockFields& f) { f.borders.pop_back(); }, true },
        { "grid width 0", [](BlockFields& f) { f.width = 0; }, true },
        { "negative grid size",
            [](BlockFields& f) {
                f.width = -3;
                f.depth = -5;
                f.cells.resize(15);
            },
            true },
        { "cell count not width x depth", [](BlockFields& f) { f.cells.pop_back(); }, true },
        { "grid wider than 2000 cells",
            [](BlockFields& f) {
                f.width = 3000;
                f.depth = 1;
                f.cells.assign(3000, 0);
            },
            true },
        { "cell size 0", [](BlockFields& f) { f.cellSize = KaVector2f32(0.0f, 0.0f); }, true },
        { "cell size not a number", [](BlockFields& f) { f.cellSize.y = NAN; }, true },
        { "infinite grid bound", [inf](BlockFields& f) { f.gridMax.x = inf; }, true },
        { "border cost not a number", [](BlockFields& f) { f.borderCost = NAN; }, false },
        { "every flag dirty", [](BlockFields& f) { std::fill(f.flags, f.flags + 5, true); }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BlockFields fields = good;
        c.change(fields);
        KaFreeMoveZone zone;
        KaCaptureStdout quiet;
        ASSERT_TRUE(load(writeBlock(fields).bytes, zone));
        EXPECT_EQ(c.rebuildsGrid, zone.gridDirty());
        EXPECT_EQ(expected, walk(zone, from, to));
        EXPECT_FLOAT_EQ(2048.0f, zone.bordersDistance());
        KaStream again;
        EXPECT_TRUE(KaFreeMoveZone::serialize(again, zone, true));
    }

    // A block written unbuilt but marked clean: nothing stored agrees.
    KaFreeMoveZone unbuilt;
    unbuilt.setName("floor");
    buildFloor(unbuilt, kLMap, kSide);
    BlockFields claimed = fieldsOf(unbuilt);
    std::fill(claimed.flags, claimed.flags + 5, false);
    KaFreeMoveZone zone;
    ASSERT_TRUE(load(writeBlock(claimed).bytes, zone));
    EXPECT_TRUE(zone.gridDirty());
    EXPECT_TRUE(zone.pickMeshDirty());
    EXPECT_EQ(expected, walk(zone, from, to));
}

TEST(KaFreeMoveZoneBlock, ShortOrOverlongBlocksAreRefused)
{
    KaFreeMoveZone original;
    original.setName("floor");
    buildFloor(original, kLMap, kSide);
    (void)serialized(original, true);
    const WrittenBlock good = writeBlock(fieldsOf(original));

    KaFreeMoveZone kept;
    kept.setName("kept");
    buildFloor(kept, kUMap, kSide);
    const std::string before = serialized(kept, true);

    std::vector<std::pair<std::string, std::string>> cases;
    for (unsigned long length = 0; length < good.bytes.size(); length += 37)
        cases.push_back({ "cut at " + std::to_string(length), good.bytes.substr(0, length) });
    cases.push_back({ "last byte missing", good.bytes.substr(0, good.bytes.size() - 1) });
    for (const auto& field : { std::make_pair("pick triangle count", good.pickCount),
             std::make_pair("vertex count", good.vertexCount), std::make_pair("cell count", good.cellCount) }) {
        for (uint32_t count : { 0x7fffffffu, 0xffffffffu }) {
            std::string bytes = good.bytes;
            patchU32(bytes, field.second, count);
            cases.push_back({ std::string(field.first) + " " + std::to_string(count), bytes });
        }
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        KaCaptureStdout capture;
        EXPECT_FALSE(load(c.second, kept));
        EXPECT_NE(std::string::npos, capture.text().find("[KaFreeMoveZone::deserialize] The stream ends in the "));
        EXPECT_EQ(before, serialized(kept, false)) << "the zone is as it was";
    }
}

namespace {

// Everything the grid tells a walk, cell by cell: flags, whether walks pass,
// regions and the steps (with their costs) the graph offers.
void expectSameGrid(KaFreeMoveZone& fresh, KaFreeMoveZone& rebuilt)
{
    const KaVector2s32 size = fresh.graph().size();
    ASSERT_EQ(size.x, rebuilt.graph().size().x);
    ASSERT_EQ(size.y, rebuilt.graph().size().y);
    ASSERT_EQ(toVector(fresh.graph().flags()), toVector(rebuilt.graph().flags()));
    std::vector<micropather::StateCost> expected, got;
    for (int z = 0; z < size.y; ++z) {
        for (int x = 0; x < size.x; ++x) {
            const KaVector2s32 cell(x, z);
            ASSERT_EQ(fresh.walkable(cell), rebuilt.walkable(cell)) << "cell " << x << ", " << z;
            ASSERT_EQ(fresh.region(cell), rebuilt.region(cell)) << "cell " << x << ", " << z;
            void* state = reinterpret_cast<void*>(static_cast<intptr_t>(z) * size.x + x);
            expected.clear();
            got.clear();
            fresh.graph().AdjacentCost(state, &expected);
            rebuilt.graph().AdjacentCost(state, &got);
            ASSERT_EQ(expected.size(), got.size()) << "cell " << x << ", " << z;
            for (size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(expected[i].state, got[i].state) << "cell " << x << ", " << z;
                EXPECT_EQ(expected[i].cost, got[i].cost) << "cell " << x << ", " << z;
            }
        }
    }
}

} // namespace

// A zone whose grid is built again over the one it had (another floor, more
// or fewer cells, a grid read from a block, characters standing on it) ends
// with the grid a fresh zone builds for the same floor.
TEST(KaFreeMoveZoneGrid, ARebuiltGridIsTheGridOfAFreshZone)
{
    std::mt19937 random(36);
    KaFreeMoveZone rebuilt;
    std::unique_ptr<RandomFloor> kept;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        // Two-unit cells every third round: the grid grows, then shrinks.
        const char* name = round % 3 == 1 ? "floor_19000" : "floor";
        std::unique_ptr<RandomFloor> f(new RandomFloor(randomFloor(random, name)));
        if (round % 5 == 3) {
            // The grid read from another zone's block, its flags shared
            // with what was read, and its cell data made from them.
            KaFreeMoveZone other;
            other.setName(name);
            f->floor.build(other);
            other.updateGrid(false);
            ASSERT_TRUE(load(serialized(other, true), rebuilt));
            rebuilt.region(KaVector2s32(0, 0));
        }
        rebuilt.setName(name);
        f->floor.build(rebuilt);
        rebuilt.setBlockers(&f->blockers);
        rebuilt.updateGrid(true);

        KaFreeMoveZone fresh;
        fresh.setName(name);
        f->floor.build(fresh);
        fresh.setBlockers(&f->blockers);
        fresh.updateGrid(false);
        expectSameGrid(fresh, rebuilt);
        if (HasFatalFailure())
            return;
        if (round % 4 == 2) {
            KaArray<KaVector3f32> standing;
            standing.pushBack(randomFloorPoint(random, f->floor, 1.0f));
            fresh.setObstacles(standing, 2.0f);
            rebuilt.setObstacles(standing, 2.0f);
            expectSameGrid(fresh, rebuilt);
            if (HasFatalFailure())
                return;
            // The footprints stay with the zone until they are taken away.
            rebuilt.setObstacles(KaArray<KaVector3f32>(), 2.0f);
        }
        kept = std::move(f);
    }
}

// ---------------------------------------------------------------------------
// The older zone file

namespace {

std::string zoneFile(
    const std::vector<KaVector3f32>& vertices, const std::vector<unsigned short>& indices, unsigned int triangles)
{
    KaStream out;
    out << 0.0f << 0.0f << 0.0f << 0.0f << 0.0f << 0.0f << 1.0f << 1.0f << 1.0f << 1.0f;
    out.write(static_cast<unsigned int>(vertices.size()));
    for (const KaVector3f32& v : vertices)
        out << v.x << v.y << v.z;
    out.write(triangles);
    for (unsigned short i : indices)
        out.write(i);
    return std::string(reinterpret_cast<const char*>(out.data()), out.bufferLength());
}

const std::vector<KaVector3f32> kSquare
    = { KaVector3f32(0, 0, 0), KaVector3f32(40, 0, 0), KaVector3f32(40, 0, 40), KaVector3f32(0, 0, 40) };
const std::vector<unsigned short> kSquareIndices = { 0, 1, 2, 0, 2, 3 };

bool loadZoneFile(KaFreeMoveZone& zone, const std::string& bytes, KaVector2f32 cell = KaVector2f32(0, 0))
{
    KaStream in;
    in.writeData(bytes.data(), bytes.size());
    in.seek(0);
    return zone.loadBin(in, nullptr, cell);
}

} // namespace

TEST(KaFreeMoveZoneFile, LoadsSharedVerticesIntoATriangleSoup)
{
    KaTempDir folder;
    folder.write("rooms/cellar.bin", zoneFile(kSquare, kSquareIndices, 2));
    KaFreeMoveZone zone;
    KaVector2f32 automatic(0.0f, 0.0f);
    ASSERT_TRUE(zone.loadBin(KaPath(folder.file("rooms/cellar.bin").c_str()), nullptr, automatic));
    EXPECT_EQ(KaString("cellar"), zone.name());
    ASSERT_EQ(6u, zone.vertices().size());
    EXPECT_EQ(KaVector3f32(40, 0, 40), zone.vertices()[2]);
    EXPECT_EQ(KaVector3f32(0, 0, 40), zone.vertices()[5]);
    EXPECT_TRUE(zone.gridMatrixMode());
    EXPECT_FALSE(zone.gridDirty());
    EXPECT_EQ(KaVector2f32(2.0f, 2.0f), zone.cellSize()) << "a twentieth of the smaller side";
    const KaVector3f32 to(35.0f, 0.0f, 33.0f);
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(KaVector3f32(3.0f, 0.0f, 4.0f), to);
    ASSERT_TRUE(curve);
    EXPECT_EQ(to, lastPoint(curve));

    KaFreeMoveZone fixed;
    ASSERT_TRUE(loadZoneFile(fixed, zoneFile(kSquare, kSquareIndices, 2), KaVector2f32(4.0f, 8.0f)));
    EXPECT_EQ(KaVector2f32(4.0f, 8.0f), fixed.cellSize());
}

TEST(KaFreeMoveZoneFile, BrokenFilesAreRefused)
{
    const std::string good = zoneFile(kSquare, kSquareIndices, 2);
    struct Case {
        std::string what;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases = {
        { "index past the vertices", zoneFile(kSquare, { 0, 1, 2, 0, 2, 4 }, 2), "is past the 4 vertices" },
        { "more triangles than indices", zoneFile(kSquare, kSquareIndices, 3), "The stream ends in the indices" },
        { "huge triangle count", zoneFile(kSquare, kSquareIndices, 0xffffffffu), "The stream ends in the indices" },
    };
    for (unsigned long length = 0; length < good.size(); length += 9)
        cases.push_back({ "cut at " + std::to_string(length), good.substr(0, length), "The stream ends in the " });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaFreeMoveZone zone;
        zone.setName("kept");
        KaCaptureStdout capture;
        EXPECT_FALSE(loadZoneFile(zone, c.bytes));
        EXPECT_NE(std::string::npos, capture.text().find(c.message)) << capture.text();
        EXPECT_EQ(0u, zone.vertices().size());
        EXPECT_FALSE(zone.gridMatrixMode());
        EXPECT_EQ(KaString("kept"), zone.name());
    }

    KaFreeMoveZone zone;
    KaVector2f32 automatic(0.0f, 0.0f);
    KaCaptureStdout capture;
    EXPECT_FALSE(zone.loadBin(KaPath("/no/such/zone.bin"), nullptr, automatic));
    EXPECT_NE(std::string::npos, capture.text().find("[KaFreeMoveZone::loadBin] Can't open file : /no/such/zone.bin."));
}

// A floor with no depth in the grid's frame still gets cells of some size
// and a grid of bounded size.
TEST(KaFreeMoveZoneFile, AFlatFloorGetsAMinimumCellSize)
{
    const std::vector<KaVector3f32> line = { KaVector3f32(0, 0, 0), KaVector3f32(30, 0, 0), KaVector3f32(60, 0, 0) };
    KaFreeMoveZone zone;
    KaCaptureStdout quiet;
    ASSERT_TRUE(loadZoneFile(zone, zoneFile(line, { 0, 1, 2 }, 1)));
    EXPECT_GT(zone.cellSize().x, 0.0f);
    EXPECT_GT(zone.cellSize().y, 0.0f);
    EXPECT_LE(zone.graph().size().x, KaFreeMoveZone::kMaxCellsPerSide);
    EXPECT_LE(zone.graph().size().y, KaFreeMoveZone::kMaxCellsPerSide);
}

// ---------------------------------------------------------------------------
// Clicks through the camera

namespace {

// 256 x 256 pixels, a right angle of view, tilted 45 degrees down towards
// +z from above the L's upright.
KaIntrusivePtr<KaCamera> cameraOverTheL()
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    camera->setFov(3.14159265f / 2.0f);
    camera->setAspect(1.0f);
    camera->setNearDistance(0.5f);
    camera->setFarDistance(1000.0f);
    camera->viewport(0, 0, 256, 256);
    camera->setPosition(KaVector3f32(30.0f, 60.0f, -30.0f));
    const float half = 3.14159265f / 8.0f;
    camera->setRotation(KaQuaternion(-std::sin(half), 0.0f, 0.0f, std::cos(half)));
    camera->projectionMatrix();
    return camera;
}

// The pixel (y up, as clicks come) under which a world point lies.
KaVector2s32 pixelOf(KaCamera& camera, const KaVector3f32& point)
{
    const KaVector3f32 p = camera.projectPoint3f32(point);
    return KaVector2s32(static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(256.0f - p.y)));
}

} // namespace

TEST(KaFreeMoveZoneScreen, AClickOnTheFloorWalksToTheFloorPointUnderIt)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    const KaVector3f32 from(10.0f, 0.0f, 5.0f);
    EXPECT_FALSE(zone.curve(from, KaVector2s32(128, 128), 8.0f, true)) << "no camera";

    KaIntrusivePtr<KaCamera> camera = cameraOverTheL();
    zone.setCamera(camera, false);
    const KaVector3f32 target(70.0f, 0.0f, 70.0f);
    KaIntrusivePtr<KaBezierCurve> curve = zone.curve(from, pixelOf(*camera, target), 8.0f, true);
    ASSERT_TRUE(curve);
    const KaVector3f32 end = lastPoint(curve);
    EXPECT_NEAR(target.x, end.x, 0.5f);
    EXPECT_NEAR(0.0f, end.y, 1e-3f);
    EXPECT_NEAR(target.z, end.z, 0.5f);
    expectClearWalk(curve, end, wallsOf(kLMap, kSide));

    EXPECT_FALSE(zone.curve(from, pixelOf(*camera, KaVector3f32(60.0f, 0.0f, 30.0f)), 8.0f, true))
        << "the L's empty quarter";
    EXPECT_FALSE(zone.curve(from, KaVector2s32(128, 255), 8.0f, true)) << "above the horizon";
}

TEST(KaFreeMoveZoneScreen, CrossingsAndNearestBorderPoint)
{
    KaFreeMoveZone zone;
    buildFloor(zone, kLMap, kSide);
    KaIntrusivePtr<KaCamera> camera = cameraOverTheL();
    zone.setCamera(camera, false);

    // From the foot of the upright up its middle: the screen segment crosses
    // the edges between the squares (and the squares' diagonals), nearest
    // first, near the line x = 10 (the crossing is placed along each world
    // edge at its screen fraction, which perspective shifts a little).
    const KaVector3f32 from(10.0f, 0.0f, 2.0f);
    const KaVector3f32 far(10.0f, 0.0f, 75.0f);
    const KaVector3f32 projected = camera->projectPoint3f32(far);
    const KaArray<KaVector3f32> crossings = zone.collisions(from, KaVector2f32(projected.x, 256.0f - projected.y));
    ASSERT_GE(crossings.size(), 3u);
    float previous = -1.0f;
    for (unsigned long i = 0; i < crossings.size(); ++i) {
        EXPECT_NEAR(10.0f, crossings[i].x, 1.5f);
        EXPECT_NEAR(0.0f, crossings[i].y, 1e-4f);
        const float distance = (crossings[i] - from).squaredLength();
        EXPECT_GE(distance, previous);
        previous = distance;
    }

    // The point nearest along the screen's lines through a pixel lies on a
    // wall of the L.
    const KaVector3f32 inside = camera->projectPoint3f32(KaVector3f32(14.0f, 0.0f, 40.0f));
    const KaVector3f32 border = zone.findNearestPointOnBorder(KaVector2f32(inside.x, 256.0f - inside.y));
    bool onWall = false;
    for (const Segment& wall : wallsOf(kLMap, kSide)) {
        const KaVector2f32 p(border.x, border.z);
        const double along = orient(wall.a, wall.b, p);
        const bool within = p.x >= KaMin(wall.a.x, wall.b.x) - 0.01f && p.x <= KaMax(wall.a.x, wall.b.x) + 0.01f
            && p.y >= KaMin(wall.a.y, wall.b.y) - 0.01f && p.y <= KaMax(wall.a.y, wall.b.y) + 0.01f;
        onWall = onWall || (std::fabs(along) < 0.5 && within);
    }
    EXPECT_TRUE(onWall) << border.x << ", " << border.z;
    EXPECT_NEAR(20.0f, border.x, 0.05f) << "the upright's inner wall is the nearest on screen";
}

// ---------------------------------------------------------------------------
// Debug overlay

namespace {

using KaFreeMoveZoneOverlayTest = KaGLRendererTest;

// Counts the pixels of exactly that colour.
unsigned long countColour(KaGLTestContext& context, const KaColor& colour)
{
    const std::vector<unsigned char> all = context.readPixels();
    unsigned long count = 0;
    for (size_t i = 0; i + 3 < all.size(); i += 4)
        count += all[i] == colour.r && all[i + 1] == colour.g && all[i + 2] == colour.b ? 1 : 0;
    return count;
}

} // namespace

// Seen from above: the pick mesh in red, the borders in blue, free cells
// green, border cells yellow, blocked cells white, the blocker blinking;
// the renderer's colour comes back as it was.
TEST_F(KaFreeMoveZoneOverlayTest, DrawsTheFloorBordersAndGrid)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    // A quarter turn about x: the camera looks down the y axis onto x/z.
    camera->setRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(1.0f, 0.0f, 0.0f), -1.5707963f));
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "overlay";
    blocker.first = KaVector2f32(0.0f, 30.0f);
    blocker.second = KaVector2f32(20.0f, 30.0f);
    blockers.pushBack(blocker);

    KaFreeMoveZone zone;
    zone.setName("overlay");
    buildFloor(zone, kLMap, kSide);
    zone.setBlockers(&blockers);
    KaRenderer* r = renderer.get();
    KaColor during;
    KaTestDrawFrame(*camera, KaColor(0, 0, 0, 255), [&]() {
        r->setCurrentColor(KaColor(1, 2, 3, 255));
        zone.draw();
        during = r->currentColor();
    });
    EXPECT_EQ(KaColor(1, 2, 3, 255), during);
    EXPECT_TRUE(zone.gridDirty()) << "drawing builds no grid";
    EXPECT_GT(countColour(context(), KaColor(0, 0, 255, 255)), 0u) << "the borders";

    zone.updateGrid(false);
    KaTestDrawFrame(*camera, KaColor(0, 0, 0, 255), [&]() { zone.draw(); });
    EXPECT_GT(countColour(context(), KaColor(255, 0, 0, 255)), 0u) << "the pick mesh";
    EXPECT_GT(countColour(context(), KaColor(0, 255, 0, 255)), 0u) << "free cells";
    EXPECT_GT(countColour(context(), KaColor(255, 255, 0, 255)), 0u) << "border cells";
    EXPECT_GT(countColour(context(), KaColor(255, 255, 255, 255)), 0u) << "blocked cells";

    zone.setVisible(false);
    KaTestDrawFrame(*camera, KaColor(0, 0, 0, 255), [&]() { zone.draw(); });
    EXPECT_EQ(0u, countColour(context(), KaColor(0, 255, 0, 255)));
    EXPECT_EQ(0u, countColour(context(), KaColor(255, 0, 0, 255)));
}
