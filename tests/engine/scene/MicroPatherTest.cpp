#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/scene/MicroPather.h"

using micropather::MicroPather;
using micropather::StateCost;

namespace {

const float kDiagonal = 1.5f;

// An 8-connected grid drawn as text. '#' is a wall (its cells are offered
// as neighbours with the cost FLT_MAX, as the walkable zone does), '~' costs
// three times a plain '.' to enter. Diagonal steps cost 1.5 and may cut
// corners. States are cell indices; indices outside the map are never
// offered.
class CharGraph : public micropather::Graph {
public:
    explicit CharGraph(std::vector<std::string> rows)
        : mRows(std::move(rows))
    {
    }

    int width() const { return static_cast<int>(mRows[0].size()); }
    int height() const { return static_cast<int>(mRows.size()); }
    int cells() const { return width() * height(); }
    char at(int cell) const { return mRows[cell / width()][cell % width()]; }
    void set(int x, int z, char c) { mRows[z][x] = c; }
    static void* state(int cell) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(cell)); }
    static int cell(void* state) { return static_cast<int>(reinterpret_cast<std::intptr_t>(state)); }
    int find(char c) const
    {
        for (int i = 0; i < cells(); ++i) {
            if (at(i) == c) {
                return i;
            }
        }
        return -1;
    }

    float weight(int cell) const
    {
        switch (at(cell)) {
        case '#':
            return FLT_MAX;
        case '~':
            return 3.0f;
        default:
            return 1.0f;
        }
    }

    // The neighbours in a fixed order, with FLT_MAX for walls.
    std::vector<StateCost> neighbours(int cell) const
    {
        std::vector<StateCost> out;
        int x = cell % width();
        int z = cell / width();
        for (int dz = -1; dz <= 1; ++dz) {
            for (int dx = -1; dx <= 1; ++dx) {
                int nx = x + dx;
                int nz = z + dz;
                if ((dx == 0 && dz == 0) || nx < 0 || nz < 0 || nx >= width() || nz >= height()) {
                    continue;
                }
                int n = nz * width() + nx;
                float w = weight(n);
                float step = (dx != 0 && dz != 0) ? kDiagonal : 1.0f;
                out.push_back(StateCost { state(n), w == FLT_MAX ? FLT_MAX : w * step });
            }
        }
        return out;
    }

    float LeastCostEstimate(void* a, void* b) override
    {
        int ca = cell(a);
        int cb = cell(b);
        int dx = std::abs(ca % width() - cb % width());
        int dz = std::abs(ca / width() - cb / width());
        // Octile distance at the cheapest terrain: never above the true cost.
        return static_cast<float>(std::max(dx, dz) - std::min(dx, dz))
            + kDiagonal * static_cast<float>(std::min(dx, dz));
    }

    void AdjacentCost(void* s, std::vector<StateCost>* adjacent) override
    {
        ++adjacentCalls;
        asked.insert(cell(s));
        std::vector<StateCost> n = neighbours(cell(s));
        adjacent->insert(adjacent->end(), n.begin(), n.end());
    }

    void PrintStateInfo(void*) override { }

    int adjacentCalls = 0;
    std::set<int> asked;

private:
    std::vector<std::string> mRows;
};

// Cheapest costs from one cell to all, FLT_MAX where unreachable.
std::vector<float> dijkstra(const CharGraph& graph, int from)
{
    std::vector<float> dist(static_cast<std::size_t>(graph.cells()), FLT_MAX);
    typedef std::pair<float, int> Item;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    dist[static_cast<std::size_t>(from)] = 0.0f;
    queue.push(Item(0.0f, from));
    while (!queue.empty()) {
        Item top = queue.top();
        queue.pop();
        if (top.first > dist[static_cast<std::size_t>(top.second)]) {
            continue;
        }
        for (const StateCost& n : graph.neighbours(top.second)) {
            if (n.cost == FLT_MAX) {
                continue;
            }
            int c = CharGraph::cell(n.state);
            float d = top.first + n.cost;
            if (d < dist[static_cast<std::size_t>(c)]) {
                dist[static_cast<std::size_t>(c)] = d;
                queue.push(Item(d, c));
            }
        }
    }
    return dist;
}

// The path is a walk over open cells from start to end whose steps add up
// to the cost the solver reported.
void expectValidPath(const CharGraph& graph, const std::vector<void*>& path, int from, int to, float cost)
{
    ASSERT_GE(path.size(), 2u);
    EXPECT_EQ(CharGraph::cell(path.front()), from);
    EXPECT_EQ(CharGraph::cell(path.back()), to);
    float sum = 0.0f;
    for (std::size_t i = 1; i < path.size(); ++i) {
        int a = CharGraph::cell(path[i - 1]);
        int b = CharGraph::cell(path[i]);
        EXPECT_NE(graph.at(b), '#') << "the path enters a wall at " << b;
        float step = FLT_MAX;
        for (const StateCost& n : graph.neighbours(a)) {
            if (CharGraph::cell(n.state) == b) {
                step = n.cost;
            }
        }
        ASSERT_NE(step, FLT_MAX) << a << " -> " << b << " is not a step";
        sum += step;
    }
    EXPECT_NEAR(sum, cost, 1e-3f);
}

const std::vector<std::string> kMaze = {
    "S..#......",
    ".#.#.####.",
    ".#...#..#.",
    ".####.#.#.",
    "...~~~#...",
    "##.~#~#.#.",
    "...~#~..#E",
};

} // namespace

// Every pair of cells of a map: the solver's cost is Dijkstra's, its path a
// real walk of that cost, and "no solution" exactly when Dijkstra finds none.
// One solver serves all searches, so stale nodes of earlier searches are
// exercised as well; pool shapes from one node per block (and no neighbour
// cache) to the zone's own must all agree.
TEST(MicroPather, CostsMatchDijkstraForEveryPair)
{
    struct Shape {
        unsigned int nodesPerBlock;
        unsigned int typicalAdjacent;
        // States below this are looked up in the flat array.
        std::size_t dense;
    };
    const std::size_t cells = kMaze.size() * kMaze[0].size();
    const Shape shapes[]
        = { { 250, 6, 0 }, { 1, 0, 0 }, { 3, 1, 0 }, { 16, 8, 0 }, { 250, 6, cells }, { 2, 1, cells / 2 } };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(testing::Message() << shape.nodesPerBlock << " nodes per block, " << shape.typicalAdjacent
                                        << ", dense below " << shape.dense);
        CharGraph graph(kMaze);
        MicroPather pather(&graph, shape.nodesPerBlock, shape.typicalAdjacent);
        pather.SetDenseStates(shape.dense);
        for (int from = 0; from < graph.cells(); ++from) {
            if (graph.at(from) == '#') {
                continue;
            }
            std::vector<float> best = dijkstra(graph, from);
            for (int to = 0; to < graph.cells(); ++to) {
                if (to == from || graph.at(to) == '#') {
                    continue;
                }
                std::vector<void*> path;
                float cost = -1.0f;
                int result = pather.Solve(CharGraph::state(from), CharGraph::state(to), &path, &cost);
                if (best[static_cast<std::size_t>(to)] == FLT_MAX) {
                    EXPECT_EQ(result, MicroPather::NO_SOLUTION) << from << " -> " << to;
                    EXPECT_EQ(cost, 0.0f);
                    EXPECT_TRUE(path.empty());
                    continue;
                }
                ASSERT_EQ(result, MicroPather::SOLVED) << from << " -> " << to;
                EXPECT_NEAR(cost, best[static_cast<std::size_t>(to)], 1e-3f) << from << " -> " << to;
                expectValidPath(graph, path, from, to, cost);
            }
        }
    }
}

// Random maps with a third of walls, random pairs: the same agreement.
TEST(MicroPather, RandomMapsMatchDijkstra)
{
    std::mt19937 random(1234);
    for (int map = 0; map < 40; ++map) {
        int w = 5 + static_cast<int>(random() % 20);
        int h = 5 + static_cast<int>(random() % 20);
        std::vector<std::string> rows(static_cast<std::size_t>(h), std::string(static_cast<std::size_t>(w), '.'));
        for (std::string& row : rows) {
            for (char& c : row) {
                unsigned int r = random() % 9;
                c = r < 3 ? '#' : (r == 3 ? '~' : '.');
            }
        }
        CharGraph graph(rows);
        MicroPather pather(&graph, 8, 4);
        for (int query = 0; query < 30; ++query) {
            int from = static_cast<int>(random() % static_cast<unsigned int>(graph.cells()));
            int to = static_cast<int>(random() % static_cast<unsigned int>(graph.cells()));
            if (from == to || graph.at(from) == '#' || graph.at(to) == '#') {
                continue;
            }
            float expected = dijkstra(graph, from)[static_cast<std::size_t>(to)];
            std::vector<void*> path;
            float cost = 0.0f;
            int result = pather.Solve(CharGraph::state(from), CharGraph::state(to), &path, &cost);
            if (expected == FLT_MAX) {
                EXPECT_EQ(result, MicroPather::NO_SOLUTION);
            } else {
                ASSERT_EQ(result, MicroPather::SOLVED) << "map " << map << ": " << from << " -> " << to;
                EXPECT_NEAR(cost, expected, 1e-3f);
                expectValidPath(graph, path, from, to, cost);
            }
        }
    }
}

TEST(MicroPather, StartEqualToEndLeavesThePathAlone)
{
    CharGraph graph(kMaze);
    MicroPather pather(&graph);
    std::vector<void*> path = { CharGraph::state(7), CharGraph::state(8) };
    float cost = 5.0f;
    EXPECT_EQ(pather.Solve(CharGraph::state(12), CharGraph::state(12), &path, &cost), MicroPather::START_END_SAME);
    EXPECT_EQ(cost, 0.0f);
    EXPECT_EQ(path, (std::vector<void*> { CharGraph::state(7), CharGraph::state(8) }));
    EXPECT_EQ(graph.adjacentCalls, 0);
}

TEST(MicroPather, AdjacentStatesGiveATwoStatePath)
{
    CharGraph graph(kMaze);
    MicroPather pather(&graph);
    std::vector<void*> path;
    float cost = 0.0f;
    ASSERT_EQ(pather.Solve(CharGraph::state(1), CharGraph::state(12), &path, &cost), MicroPather::SOLVED);
    EXPECT_EQ(path, (std::vector<void*> { CharGraph::state(1), CharGraph::state(12) }));
    EXPECT_EQ(cost, kDiagonal);
}

// An end walled off: every reachable cell is searched once, no wall cell is
// ever entered (its neighbours are never asked for), and the answer is "no
// solution" with a zero cost.
TEST(MicroPather, UnreachableEndClosesTheReachableRegion)
{
    CharGraph graph({
        "S..#....",
        "...#.##.",
        "...#.#E.",
        "####.##.",
    });
    MicroPather pather(&graph);
    int from = graph.find('S');
    int to = graph.find('E');
    std::vector<void*> path = { CharGraph::state(1) };
    float cost = 9.0f;
    EXPECT_EQ(pather.Solve(CharGraph::state(from), CharGraph::state(to), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_EQ(cost, 0.0f);
    EXPECT_TRUE(path.empty());
    std::vector<float> reach = dijkstra(graph, from);
    std::set<int> reachable;
    for (int i = 0; i < graph.cells(); ++i) {
        if (reach[static_cast<std::size_t>(i)] != FLT_MAX) {
            reachable.insert(i);
        }
    }
    EXPECT_EQ(graph.asked, reachable);
    EXPECT_EQ(pather.LastExpansionCount(), reachable.size());
}

// The walkable zone offers blocked cells with the cost FLT_MAX: a path that
// could only go through them does not exist, even when the end itself is
// such a cell.
TEST(MicroPather, MaximumCostStepsAreNeverTaken)
{
    CharGraph graph({
        "S.#.E",
    });
    MicroPather pather(&graph);
    std::vector<void*> path;
    float cost = 0.0f;
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(4), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(2), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_EQ(graph.asked, (std::set<int> { 0, 1 }));
}

// Neighbour lists are cached: a changed graph is seen only after Reset, and
// the solver is fully usable again afterwards.
TEST(MicroPather, ResetForgetsCachedNeighbours)
{
    CharGraph graph({
        "S...E",
        ".....",
    });
    MicroPather pather(&graph);
    std::vector<void*> path;
    float cost = 0.0f;
    ASSERT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(4), &path, &cost), MicroPather::SOLVED);
    EXPECT_EQ(cost, 4.0f);
    int calls = graph.adjacentCalls;
    ASSERT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(4), &path, &cost), MicroPather::SOLVED);
    EXPECT_EQ(graph.adjacentCalls, calls) << "a warm solver asks the graph again";

    graph.set(2, 0, '#');
    graph.set(2, 1, '#');
    pather.Reset();
    EXPECT_EQ(pather.Pool().NodesAllocated(), 0u);
    EXPECT_EQ(pather.Pool().CacheSize(), 0u);
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(4), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_GT(graph.adjacentCalls, calls);

    graph.set(2, 1, '.');
    pather.Reset();
    ASSERT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(4), &path, &cost), MicroPather::SOLVED);
    EXPECT_NEAR(cost, 2.0f * kDiagonal + 2.0f, 1e-5f);
    expectValidPath(graph, path, 0, 4, cost);
}

// Near states: exactly the cells within the budget, each with its cheapest
// cost, the start included at 0.
TEST(MicroPather, NearStatesAreTheCellsWithinTheBudget)
{
    CharGraph graph(kMaze);
    MicroPather pather(&graph, 4, 2);
    const float budgets[] = { 0.0f, 1.0f, 2.5f, 6.0f, 100.0f, FLT_MAX };
    for (float budget : budgets) {
        SCOPED_TRACE(budget);
        std::vector<StateCost> near = { StateCost { CharGraph::state(3), 1.0f } };
        EXPECT_EQ(pather.SolveForNearStates(CharGraph::state(0), &near, budget), MicroPather::SOLVED);
        std::vector<float> best = dijkstra(graph, 0);
        std::vector<std::pair<int, float>> expected;
        for (int i = 0; i < graph.cells(); ++i) {
            if (best[static_cast<std::size_t>(i)] != FLT_MAX && best[static_cast<std::size_t>(i)] <= budget) {
                expected.push_back(std::make_pair(i, best[static_cast<std::size_t>(i)]));
            }
        }
        std::vector<std::pair<int, float>> got;
        for (const StateCost& sc : near) {
            got.push_back(std::make_pair(CharGraph::cell(sc.state), sc.cost));
        }
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), std::make_pair(0, 0.0f));
        std::sort(got.begin(), got.end());
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].first, expected[i].first);
            EXPECT_NEAR(got[i].second, expected[i].second, 1e-4f);
        }
    }
}

// The pool lists the states the last search touched, and only those.
TEST(MicroPather, StatesInPoolAreTheLastSearchs)
{
    CharGraph graph({
        "S.E....",
    });
    MicroPather pather(&graph);
    std::vector<void*> states;
    pather.StatesInPool(&states);
    EXPECT_TRUE(states.empty());
    std::vector<void*> path;
    float cost = 0.0f;
    ASSERT_EQ(pather.Solve(CharGraph::state(6), CharGraph::state(4), &path, &cost), MicroPather::SOLVED);
    ASSERT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(2), &path, &cost), MicroPather::SOLVED);
    states = { CharGraph::state(99) };
    pather.StatesInPool(&states);
    std::set<int> cells;
    for (void* s : states) {
        cells.insert(CharGraph::cell(s));
    }
    EXPECT_EQ(cells, (std::set<int> { 0, 1, 2 }));
}

// The limit ends a search that would flood too far with "no solution"; a
// search that finds its end within the limit is not affected.
TEST(MicroPather, ExpansionLimitStopsTheFlood)
{
    std::vector<std::string> rows(40, std::string(40, '.'));
    rows[20] = std::string(40, '#');
    CharGraph graph(rows);
    MicroPather pather(&graph);
    pather.SetDenseStates(40 * 40);
    pather.SetExpansionLimit(100);
    std::vector<void*> path;
    float cost = 0.0f;
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(39 * 40), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_EQ(pather.LastExpansionCount(), 100u);
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(5), &path, &cost), MicroPather::SOLVED);
    EXPECT_EQ(cost, 5.0f);
    pather.SetExpansionLimit(0);
    EXPECT_EQ(pather.Solve(CharGraph::state(0), CharGraph::state(39 * 40), &path, &cost), MicroPather::NO_SOLUTION);
    EXPECT_EQ(pather.LastExpansionCount(), 20u * 40u);
}

// A graph far larger than a block and its hash table: the pool grows and
// every node is still found again (a lost node would be searched twice and
// give a dearer or broken path). Also states that are real pointers.
TEST(MicroPather, LargeGraphsAndPointerStates)
{
    struct Node {
        int x;
        int z;
    };
    const int side = 300;
    struct PointerGraph : micropather::Graph {
        std::vector<Node> nodes;
        int side = 0;
        int calls = 0;
        Node* at(int x, int z) { return &nodes[static_cast<std::size_t>(z * side + x)]; }
        float LeastCostEstimate(void* a, void* b) override
        {
            Node* na = static_cast<Node*>(a);
            Node* nb = static_cast<Node*>(b);
            return static_cast<float>(std::abs(na->x - nb->x) + std::abs(na->z - nb->z));
        }
        void AdjacentCost(void* s, std::vector<StateCost>* adjacent) override
        {
            ++calls;
            Node* n = static_cast<Node*>(s);
            const int d[4][2] = { { 1, 0 }, { -1, 0 }, { 0, 1 }, { 0, -1 } };
            for (const auto& step : d) {
                int x = n->x + step[0];
                int z = n->z + step[1];
                if (x >= 0 && z >= 0 && x < side && z < side) {
                    // A wall across the middle with one gap at the far end.
                    bool wall = z == side / 2 && x != side - 1;
                    adjacent->push_back(StateCost { at(x, z), wall ? FLT_MAX : 1.0f });
                }
            }
        }
        void PrintStateInfo(void*) override { }
    } graph;
    graph.side = side;
    for (int z = 0; z < side; ++z) {
        for (int x = 0; x < side; ++x) {
            graph.nodes.push_back(Node { x, z });
        }
    }
    MicroPather pather(&graph, 250, 6);
    std::vector<void*> path;
    float cost = 0.0f;
    ASSERT_EQ(pather.Solve(graph.at(0, 0), graph.at(0, side - 1), &path, &cost), MicroPather::SOLVED);
    EXPECT_EQ(cost, static_cast<float>(2 * (side - 1) + (side - 1)));
    EXPECT_EQ(path.size(), static_cast<std::size_t>(cost) + 1);
    EXPECT_GT(pather.Pool().NodesAllocated(), 20000u);
    // Each state's neighbours were asked for once at most: the pool found
    // every node it had made.
    EXPECT_LE(static_cast<std::size_t>(graph.calls), pather.Pool().NodesAllocated());
    std::vector<void*> states;
    pather.StatesInPool(&states);
    std::set<void*> unique(states.begin(), states.end());
    EXPECT_EQ(unique.size(), states.size());
}
