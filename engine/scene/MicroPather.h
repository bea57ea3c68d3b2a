#ifndef KA_MICRO_PATHER_H
#define KA_MICRO_PATHER_H

// A small graph-agnostic A* solver. It knows nothing of the engine and uses
// only the standard library, so that it can be tested and reused on its own.
//
// A client describes its search space with a Graph whose states are opaque
// pointer-sized values (the walkable zone passes grid-cell indices cast to
// void*). The solver keeps its nodes and the neighbour lists it asked for
// from one search to the next; a frame number tells the nodes of the current
// search from stale ones, so nothing is cleared between searches. Call
// Reset() whenever the graph changes: cached neighbours and step costs would
// otherwise survive.
//
// Node lookup is a hash table that grows with the number of nodes (or, for
// states that are dense indices, a flat array: SetDenseStates), and the open
// set is a binary heap, so a search over a large graph stays O(n log n) in
// the nodes it touches.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace micropather {

struct StateCost {
    void* state;
    float cost;
};

class Graph {
public:
    virtual ~Graph() { }
    // A lower bound of the cost from the first state to the second. When it
    // overestimates, the returned path may not be the cheapest.
    virtual float LeastCostEstimate(void* stateStart, void* stateEnd) = 0;
    // Appends the neighbours of the state with the cost of each step. A step
    // of cost FLT_MAX is a wall: Solve never takes it.
    virtual void AdjacentCost(void* state, std::vector<StateCost>* adjacent) = 0;
    // Diagnostics only.
    virtual void PrintStateInfo(void* state) = 0;
};

class PathNode;

struct NodeCost {
    PathNode* node;
    float cost;
};

class PathNode {
public:
    // Sets the search fields; the total cost is the sum of both costs while
    // both are finite floats below FLT_MAX, else FLT_MAX.
    void Init(unsigned int searchFrame, void* nodeState, float fromStart, float toGoal, PathNode* nodeParent);

    void* state;
    float costFromStart;
    float estimatedCostToGoal;
    float totalCost;
    PathNode* parent;
    // The search that last initialised this node.
    unsigned int frame;
    // -1 until the graph was asked for the neighbours.
    int numAdjacent;
    // Start of the neighbours in the pool's cache, -1 when not cached.
    int cacheIndex;
    // Chain of the node's hash bucket.
    PathNode* hashNext;
    // Place in the open heap, and the key that orders equal total costs.
    std::size_t heapIndex;
    std::int64_t order;
    bool inOpen;
    bool inClosed;
};

// Hands out nodes by whole blocks and finds them again by state.
class PathNodePool {
public:
    PathNodePool(unsigned int nodesPerBlock, unsigned int typicalAdjacent);
    ~PathNodePool();
    PathNodePool(const PathNodePool&) = delete;
    PathNodePool& operator=(const PathNodePool&) = delete;

    // Frees every block but the first and forgets every node and the cache.
    void Clear();
    // States below count are looked up in a flat array instead of the hash
    // table (clients whose states are dense indices). Forgets every node.
    void SetDenseStates(std::size_t count);
    std::size_t DenseStates() const { return mDense.size(); }

    // The node of the state: returned as it is when it belongs to this frame,
    // re-initialised when it is stale, otherwise a new node.
    PathNode* GetPathNode(unsigned int frame, void* state, float fromStart, float toGoal, PathNode* parent);
    // Copies the entries at the end of the cache and returns where they
    // start, or -1 when the cache has no room left for them.
    int PushCache(const NodeCost* nodes, int count);
    const NodeCost* GetCache(int start) const { return &mCache[static_cast<std::size_t>(start)]; }
    // Appends the state of every handed-out node of the frame, block by block.
    void AllStates(unsigned int frame, std::vector<void*>* states) const;

    std::size_t NodesAllocated() const { return mHandedOut; }
    std::size_t BlockCount() const { return mBlocks.size(); }
    std::size_t CacheSize() const { return mCache.size(); }
    std::size_t CacheCapacity() const { return mCacheCapacity; }

private:
    PathNode* Alloc();
    std::size_t Bucket(void* state) const;
    void Grow();

    unsigned int mNodesPerBlock;
    std::vector<std::unique_ptr<PathNode[]>> mBlocks;
    // Nodes handed out from the last block.
    std::size_t mUsedInLastBlock;
    std::size_t mHandedOut;
    std::vector<NodeCost> mCache;
    std::size_t mCacheCapacity;
    unsigned int mInitialHashShift;
    unsigned int mHashShift;
    std::vector<PathNode*> mHashTable;
    std::size_t mHashedCount;
    std::vector<PathNode*> mDense;
};

class MicroPather {
public:
    enum { SOLVED = 0, NO_SOLUTION = 1, START_END_SAME = 2 };

    // nodesPerBlock: the nodes allocated at once; typicalAdjacent: the
    // neighbours of a typical state (the cache holds nodesPerBlock times
    // that many entries).
    MicroPather(Graph* graph, unsigned int nodesPerBlock = 250, unsigned int typicalAdjacent = 6);
    ~MicroPather();
    MicroPather(const MicroPather&) = delete;
    MicroPather& operator=(const MicroPather&) = delete;

    // Forgets every node and cached neighbour list.
    void Reset();

    // SOLVED: the path holds the states from start to end inclusive and the
    // cost is its cost. NO_SOLUTION: the cost is 0 (and the path empty).
    // START_END_SAME: the cost is 0 and the path untouched.
    int Solve(void* startState, void* endState, std::vector<void*>* path, float* cost);

    // Every state reachable from the start at a cost of at most maxCost,
    // with its cost. Returns SOLVED.
    int SolveForNearStates(void* startState, std::vector<StateCost>* near, float maxCost);

    // The states of the nodes the last search touched.
    void StatesInPool(std::vector<void*>* states);

    // At most this many nodes are expanded by one Solve, which then answers
    // NO_SOLUTION; 0 (the default) means no limit.
    void SetExpansionLimit(std::size_t limit) { mExpansionLimit = limit; }
    std::size_t ExpansionLimit() const { return mExpansionLimit; }
    // Nodes expanded by the last Solve or SolveForNearStates.
    std::size_t LastExpansionCount() const { return mExpansions; }

    // States that are integers below count (cell indices cast to void*)
    // find their nodes in a flat array of count pointers: faster than the
    // hash table on large grids. 0 (the default) hashes every state. Forgets
    // every node, as Reset does.
    void SetDenseStates(std::size_t count);

    // A sum over the last path's states, for tests that compare paths.
    std::size_t Checksum() const { return mChecksum; }
    const PathNodePool& Pool() const { return mPool; }

private:
    void GetNodeNeighbors(PathNode* node, std::vector<NodeCost>* neighbors);
    void GoalReached(PathNode* node, void* start, void* end, std::vector<void*>* path);
    void NextFrame();

    // The open set: lowest total cost first, equal totals in arrival order.
    void OpenPush(PathNode* node);
    PathNode* OpenPop();
    void OpenUpdate(PathNode* node, float oldTotal);
    // The heap keeps each node's keys next to it, so that sifting compares
    // without visiting the nodes.
    struct OpenEntry {
        float totalCost;
        float estimate;
        std::int64_t order;
        PathNode* node;
    };
    static bool OpenLess(const OpenEntry& a, const OpenEntry& b);
    void SiftUp(std::size_t index);
    void SiftDown(std::size_t index);

    PathNodePool mPool;
    std::vector<StateCost> mStateCosts;
    std::vector<NodeCost> mNodeCosts;
    std::vector<OpenEntry> mOpen;
    std::vector<PathNode*> mClosed;
    std::int64_t mArrivals;
    std::int64_t mPromotions;
    Graph* mGraph;
    unsigned int mFrame;
    std::size_t mChecksum;
    std::size_t mExpansionLimit;
    std::size_t mExpansions;
};

} // namespace micropather

#endif
