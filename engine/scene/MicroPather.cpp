#include "engine/scene/MicroPather.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

namespace micropather {

void PathNode::Init(unsigned int searchFrame, void* nodeState, float fromStart, float toGoal, PathNode* nodeParent)
{
    state = nodeState;
    costFromStart = fromStart;
    estimatedCostToGoal = toGoal;
    totalCost = (fromStart < FLT_MAX && toGoal < FLT_MAX) ? fromStart + toGoal : FLT_MAX;
    parent = nodeParent;
    frame = searchFrame;
    inOpen = false;
    inClosed = false;
}

// ---------------------------------------------------------------------------
// Pool

PathNodePool::PathNodePool(unsigned int nodesPerBlock, unsigned int typicalAdjacent)
    : mNodesPerBlock(nodesPerBlock > 0 ? nodesPerBlock : 1)
    , mUsedInLastBlock(0)
    , mHandedOut(0)
    , mCacheCapacity(static_cast<std::size_t>(nodesPerBlock) * typicalAdjacent)
    , mInitialHashShift(3)
    , mHashShift(3)
    , mHashedCount(0)
{
    while ((1u << mInitialHashShift) < mNodesPerBlock && mInitialHashShift < 30) {
        ++mInitialHashShift;
    }
    mHashShift = mInitialHashShift;
    mHashTable.assign(std::size_t(1) << mHashShift, nullptr);
    mBlocks.emplace_back(new PathNode[mNodesPerBlock]());
    mCache.reserve(mCacheCapacity);
}

PathNodePool::~PathNodePool() = default;

void PathNodePool::Clear()
{
    mBlocks.resize(1);
    mUsedInLastBlock = 0;
    mHandedOut = 0;
    mCache.clear();
    mHashShift = mInitialHashShift;
    mHashTable.assign(std::size_t(1) << mHashShift, nullptr);
    mHashedCount = 0;
    std::fill(mDense.begin(), mDense.end(), nullptr);
}

void PathNodePool::SetDenseStates(std::size_t count)
{
    mDense.assign(count, nullptr);
    mDense.shrink_to_fit();
    Clear();
}

std::size_t PathNodePool::Bucket(void* state) const
{
    // Fibonacci hashing: dense indices and aligned pointers both spread over
    // the whole table.
    std::uint64_t key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(state));
    key *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(key >> (64 - mHashShift));
}

void PathNodePool::Grow()
{
    ++mHashShift;
    mHashTable.assign(std::size_t(1) << mHashShift, nullptr);
    for (std::size_t b = 0; b < mBlocks.size(); ++b) {
        std::size_t used = (b + 1 == mBlocks.size()) ? mUsedInLastBlock : mNodesPerBlock;
        PathNode* nodes = mBlocks[b].get();
        for (std::size_t i = 0; i < used; ++i) {
            if (reinterpret_cast<std::uintptr_t>(nodes[i].state) < mDense.size()) {
                continue;
            }
            std::size_t bucket = Bucket(nodes[i].state);
            nodes[i].hashNext = mHashTable[bucket];
            mHashTable[bucket] = &nodes[i];
        }
    }
}

PathNode* PathNodePool::Alloc()
{
    if (mUsedInLastBlock == mNodesPerBlock) {
        mBlocks.emplace_back(new PathNode[mNodesPerBlock]());
        mUsedInLastBlock = 0;
    }
    PathNode* node = &mBlocks.back()[mUsedInLastBlock++];
    ++mHandedOut;
    std::memset(static_cast<void*>(node), 0, sizeof(PathNode));
    node->numAdjacent = -1;
    node->cacheIndex = -1;
    return node;
}

PathNode* PathNodePool::GetPathNode(unsigned int frame, void* state, float fromStart, float toGoal, PathNode* parent)
{
    const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(state);
    if (key < mDense.size()) {
        PathNode*& slot = mDense[key];
        if (!slot) {
            slot = Alloc();
            slot->Init(frame, state, fromStart, toGoal, parent);
        } else if (slot->frame != frame) {
            slot->Init(frame, state, fromStart, toGoal, parent);
        }
        return slot;
    }
    std::size_t bucket = Bucket(state);
    for (PathNode* node = mHashTable[bucket]; node; node = node->hashNext) {
        if (node->state == state) {
            if (node->frame != frame) {
                node->Init(frame, state, fromStart, toGoal, parent);
            }
            return node;
        }
    }
    if (mHashedCount >= mHashTable.size()) {
        Grow();
        bucket = Bucket(state);
    }
    ++mHashedCount;
    PathNode* node = Alloc();
    node->Init(frame, state, fromStart, toGoal, parent);
    node->hashNext = mHashTable[bucket];
    mHashTable[bucket] = node;
    return node;
}

int PathNodePool::PushCache(const NodeCost* nodes, int count)
{
    if (count < 0 || mCache.size() + static_cast<std::size_t>(count) > mCacheCapacity) {
        return -1;
    }
    int start = static_cast<int>(mCache.size());
    mCache.insert(mCache.end(), nodes, nodes + count);
    return start;
}

void PathNodePool::AllStates(unsigned int frame, std::vector<void*>* states) const
{
    for (std::size_t b = 0; b < mBlocks.size(); ++b) {
        std::size_t used = (b + 1 == mBlocks.size()) ? mUsedInLastBlock : mNodesPerBlock;
        const PathNode* nodes = mBlocks[b].get();
        for (std::size_t i = 0; i < used; ++i) {
            if (nodes[i].frame == frame) {
                states->push_back(nodes[i].state);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Solver

MicroPather::MicroPather(Graph* graph, unsigned int nodesPerBlock, unsigned int typicalAdjacent)
    : mPool(nodesPerBlock, typicalAdjacent)
    , mArrivals(0)
    , mPromotions(0)
    , mGraph(graph)
    , mFrame(0)
    , mChecksum(0)
    , mExpansionLimit(0)
    , mExpansions(0)
{
}

MicroPather::~MicroPather() = default;

void MicroPather::Reset()
{
    mPool.Clear();
    mOpen.clear();
    mClosed.clear();
    mFrame = 0;
    mChecksum = 0;
}

void MicroPather::SetDenseStates(std::size_t count)
{
    mPool.SetDenseStates(count);
    Reset();
}

void MicroPather::NextFrame()
{
    ++mFrame;
    if (mFrame == 0) {
        // After four billion searches a stale node could carry the new frame
        // number and pass for current: start the pool afresh instead.
        mPool.Clear();
        mFrame = 1;
    }
    mOpen.clear();
    mClosed.clear();
    mArrivals = 0;
    mPromotions = 0;
    mExpansions = 0;
}

bool MicroPather::OpenLess(const OpenEntry& a, const OpenEntry& b)
{
    if (a.totalCost != b.totalCost) {
        return a.totalCost < b.totalCost;
    }
    // Among equal totals the node nearer the goal goes first: on a grid,
    // where many cells tie, the search then runs along one best path
    // instead of widening over all of them. The cost found is the same.
    if (a.estimate != b.estimate) {
        return a.estimate < b.estimate;
    }
    return a.order < b.order;
}

void MicroPather::SiftUp(std::size_t index)
{
    OpenEntry entry = mOpen[index];
    while (index > 0) {
        std::size_t parent = (index - 1) / 2;
        if (!OpenLess(entry, mOpen[parent])) {
            break;
        }
        mOpen[index] = mOpen[parent];
        mOpen[index].node->heapIndex = index;
        index = parent;
    }
    mOpen[index] = entry;
    entry.node->heapIndex = index;
}

void MicroPather::SiftDown(std::size_t index)
{
    OpenEntry entry = mOpen[index];
    std::size_t count = mOpen.size();
    for (;;) {
        std::size_t child = 2 * index + 1;
        if (child >= count) {
            break;
        }
        if (child + 1 < count && OpenLess(mOpen[child + 1], mOpen[child])) {
            ++child;
        }
        if (!OpenLess(mOpen[child], entry)) {
            break;
        }
        mOpen[index] = mOpen[child];
        mOpen[index].node->heapIndex = index;
        index = child;
    }
    mOpen[index] = entry;
    entry.node->heapIndex = index;
}

void MicroPather::OpenPush(PathNode* node)
{
    node->order = ++mArrivals;
    node->inOpen = true;
    mOpen.push_back(OpenEntry { node->totalCost, node->estimatedCostToGoal, node->order, node });
    SiftUp(mOpen.size() - 1);
}

PathNode* MicroPather::OpenPop()
{
    PathNode* top = mOpen.front().node;
    OpenEntry last = mOpen.back();
    mOpen.pop_back();
    if (!mOpen.empty()) {
        mOpen[0] = last;
        last.node->heapIndex = 0;
        SiftDown(0);
    }
    top->inOpen = false;
    return top;
}

void MicroPather::OpenUpdate(PathNode* node, float oldTotal)
{
    OpenEntry& entry = mOpen[node->heapIndex];
    entry.estimate = node->estimatedCostToGoal;
    if (node->totalCost == oldTotal) {
        // Same place among its equals; the estimate may still order it.
        SiftUp(node->heapIndex);
        SiftDown(node->heapIndex);
        return;
    }
    entry.totalCost = node->totalCost;
    if (node->totalCost < oldTotal) {
        // A node whose cost fell goes ahead of the nodes already waiting at
        // its new total.
        node->order = --mPromotions;
        entry.order = node->order;
        SiftUp(node->heapIndex);
    } else {
        node->order = ++mArrivals;
        entry.order = node->order;
        SiftDown(node->heapIndex);
    }
}

void MicroPather::GetNodeNeighbors(PathNode* node, std::vector<NodeCost>* neighbors)
{
    if (node->numAdjacent == 0) {
        neighbors->clear();
        return;
    }
    if (node->cacheIndex < 0) {
        mStateCosts.clear();
        mGraph->AdjacentCost(node->state, &mStateCosts);
        neighbors->resize(mStateCosts.size());
        for (std::size_t i = 0; i < mStateCosts.size(); ++i) {
            NodeCost& entry = (*neighbors)[i];
            entry.node = mPool.GetPathNode(mFrame, mStateCosts[i].state, FLT_MAX, FLT_MAX, nullptr);
            entry.cost = mStateCosts[i].cost;
        }
        node->numAdjacent = static_cast<int>(mStateCosts.size());
        if (!neighbors->empty()) {
            node->cacheIndex = mPool.PushCache(neighbors->data(), static_cast<int>(neighbors->size()));
        }
        return;
    }
    const NodeCost* cached = mPool.GetCache(node->cacheIndex);
    neighbors->assign(cached, cached + node->numAdjacent);
    for (NodeCost& entry : *neighbors) {
        if (entry.node->frame != mFrame) {
            entry.node->Init(mFrame, entry.node->state, FLT_MAX, FLT_MAX, nullptr);
        }
    }
}

void MicroPather::GoalReached(PathNode* node, void* start, void* end, std::vector<void*>* path)
{
    path->clear();
    std::size_t count = 0;
    for (PathNode* it = node; it; it = it->parent) {
        ++count;
    }
    if (count <= 2) {
        path->push_back(start);
        path->push_back(end);
    } else {
        path->resize(count);
        (*path)[0] = start;
        (*path)[count - 1] = end;
        std::size_t i = count - 2;
        for (PathNode* it = node->parent; i > 0; it = it->parent, --i) {
            (*path)[i] = it->state;
        }
    }
    mChecksum = 0;
    for (std::size_t i = 0; i < path->size(); ++i) {
        mChecksum += static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>((*path)[i])) << (i % 8);
    }
}

int MicroPather::Solve(void* startState, void* endState, std::vector<void*>* path, float* cost)
{
    *cost = 0.0f;
    if (startState == endState) {
        return START_END_SAME;
    }
    NextFrame();

    PathNode* start
        = mPool.GetPathNode(mFrame, startState, 0.0f, mGraph->LeastCostEstimate(startState, endState), nullptr);
    OpenPush(start);

    while (!mOpen.empty()) {
        PathNode* node = OpenPop();
        if (node->state == endState) {
            GoalReached(node, startState, endState, path);
            *cost = node->costFromStart;
            return SOLVED;
        }
        if (mExpansionLimit != 0 && mExpansions >= mExpansionLimit) {
            break;
        }
        ++mExpansions;
        node->inClosed = true;
        GetNodeNeighbors(node, &mNodeCosts);

        for (const NodeCost& entry : mNodeCosts) {
            if (entry.cost == FLT_MAX) {
                continue;
            }
            PathNode* child = entry.node;
            float g = node->costFromStart + entry.cost;
            bool known = child->inOpen || child->inClosed;
            if (known && !(g < child->costFromStart)) {
                continue;
            }
            float oldTotal = child->totalCost;
            child->parent = node;
            child->costFromStart = g;
            child->estimatedCostToGoal = mGraph->LeastCostEstimate(child->state, endState);
            child->totalCost
                = (g < FLT_MAX && child->estimatedCostToGoal < FLT_MAX) ? g + child->estimatedCostToGoal : FLT_MAX;
            if (!known) {
                OpenPush(child);
            } else if (child->inOpen) {
                OpenUpdate(child, oldTotal);
            }
            // A closed node reached more cheaply keeps its new parent and
            // costs but is not searched again.
        }
    }
    path->clear();
    return NO_SOLUTION;
}

int MicroPather::SolveForNearStates(void* startState, std::vector<StateCost>* near, float maxCost)
{
    NextFrame();

    PathNode* start = mPool.GetPathNode(mFrame, startState, 0.0f, 0.0f, nullptr);
    OpenPush(start);

    while (!mOpen.empty()) {
        PathNode* node = OpenPop();
        node->inClosed = true;
        mClosed.push_back(node);
        if (!(node->totalCost <= maxCost)) {
            continue;
        }
        ++mExpansions;
        GetNodeNeighbors(node, &mNodeCosts);
        for (const NodeCost& entry : mNodeCosts) {
            // A wall is no more reachable here than in Solve, even with a
            // budget of FLT_MAX.
            if (entry.cost == FLT_MAX) {
                continue;
            }
            PathNode* child = entry.node;
            float g = node->costFromStart + entry.cost;
            bool known = child->inOpen || child->inClosed;
            if (known && !(g < child->costFromStart)) {
                continue;
            }
            float oldTotal = child->totalCost;
            child->parent = node;
            child->costFromStart = g;
            child->estimatedCostToGoal = 0.0f;
            child->totalCost = g < FLT_MAX ? g : FLT_MAX;
            if (!known) {
                OpenPush(child);
            } else if (child->inOpen) {
                OpenUpdate(child, oldTotal);
            }
        }
    }

    near->clear();
    for (const PathNode* node : mClosed) {
        if (node->totalCost <= maxCost) {
            near->push_back(StateCost { node->state, node->totalCost });
        }
    }
    return SOLVED;
}

void MicroPather::StatesInPool(std::vector<void*>* states)
{
    states->clear();
    mPool.AllStates(mFrame, states);
}

} // namespace micropather
