#include "engine/scene/KaGridSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

const int KaGridSearch::kSteps[8][2]
    = { { -1, 0 }, { -1, 1 }, { 0, 1 }, { 1, 1 }, { 1, 0 }, { 1, -1 }, { 0, -1 }, { -1, -1 } };

KaGridSearch::KaGridSearch()
    : mWidth(0)
    , mDepth(0)
    , mStamp(0)
    , mExpansions(0)
{
}

void KaGridSearch::reset(int width, int depth)
{
    mWidth = width > 0 ? width : 0;
    mDepth = depth > 0 ? depth : 0;
    mStamp = 0;
    mSeen.clear();
    mSeen.shrink_to_fit();
    mFromStart.clear();
    mFromStart.shrink_to_fit();
    mParent.clear();
    mParent.shrink_to_fit();
    for (std::vector<int>& bucket : mBuckets) {
        bucket.clear();
        bucket.shrink_to_fit();
    }
}

float KaGridSearch::searchedBorderCost(float borderCost)
{
    if (!(borderCost >= 1.0f))
        return 1.0f;
    if (borderCost >= 1.5f)
        return 1.5f;
    return std::floor(borderCost * 4.0f + 0.5f) / 4.0f;
}

bool KaGridSearch::search(int start, int goal, const unsigned char* steps, const unsigned char* flags, float borderCost,
    std::vector<int>& path)
{
    path.clear();
    mExpansions = 0;
    const long cells = static_cast<long>(mWidth) * mDepth;
    if (start < 0 || goal < 0 || start >= cells || goal >= cells)
        return false;
    if (start == goal) {
        path.push_back(start);
        return true;
    }
    if (mSeen.size() != static_cast<std::size_t>(cells)) {
        mSeen.assign(static_cast<std::size_t>(cells), 0);
        mFromStart.assign(static_cast<std::size_t>(cells), 0);
        mParent.assign(static_cast<std::size_t>(cells), -1);
        mStamp = 0;
    }
    // Each search takes two stamps: one for its open cells, one for its
    // closed ones; older stamps are cells of earlier searches.
    if (mStamp >= 0xfffffff0u) {
        std::fill(mSeen.begin(), mSeen.end(), 0);
        mStamp = 0;
    }
    mStamp += 2;
    const std::uint32_t seenOpen = mStamp;
    const std::uint32_t seenClosed = mStamp + 1;

    // Costs in quarters of a step.
    const int border = static_cast<int>(searchedBorderCost(borderCost) * 4.0f + 0.5f);
    const int goalX = goal % mWidth;
    const int goalZ = goal / mWidth;
    // Every step costs at least 1 and the last one enters the goal.
    const int lastStep = flags[goal] == 2 ? border - 4 : 0;
    auto estimate = [&](int x, int z) {
        const int dx = std::abs(x - goalX);
        const int dz = std::abs(z - goalZ);
        const int cellsAway = dx > dz ? dx : dz;
        return cellsAway == 0 ? 0 : 4 * cellsAway + lastStep;
    };

    for (std::vector<int>& bucket : mBuckets)
        bucket.clear();
    std::size_t pending = 0;
    mSeen[static_cast<std::size_t>(start)] = seenOpen;
    mFromStart[static_cast<std::size_t>(start)] = 0;
    mParent[static_cast<std::size_t>(start)] = -1;
    int key = estimate(start % mWidth, start / mWidth);
    mBuckets[key % kBuckets].push_back(start);
    ++pending;
    while (pending != 0) {
        std::vector<int>& bucket = mBuckets[key % kBuckets];
        if (bucket.empty()) {
            ++key;
            continue;
        }
        // The last in first: of equal totals the one found last, which is
        // the farthest from the start, so that a search among many equally
        // good walks follows one of them instead of widening them all.
        const int cell = bucket.back();
        bucket.pop_back();
        --pending;
        const std::size_t at = static_cast<std::size_t>(cell);
        const int x = cell % mWidth;
        const int z = cell / mWidth;
        // A cell filed again when a cheaper way was found: the older entry
        // is stale.
        if (mSeen[at] == seenClosed || mFromStart[at] + estimate(x, z) != key)
            continue;
        mSeen[at] = seenClosed;
        ++mExpansions;
        if (cell == goal) {
            for (int c = goal; c != -1; c = mParent[static_cast<std::size_t>(c)])
                path.push_back(c);
            std::reverse(path.begin(), path.end());
            return true;
        }
        const unsigned char mask = steps[at];
        for (int k = 0; k < 8; ++k) {
            if (!(mask & (1u << k)))
                continue;
            const int nx = x + kSteps[k][0];
            const int nz = z + kSteps[k][1];
            if (nx < 0 || nz < 0 || nx >= mWidth || nz >= mDepth)
                continue;
            const int next = nz * mWidth + nx;
            const std::size_t n = static_cast<std::size_t>(next);
            if (mSeen[n] == seenClosed)
                continue;
            const int cost = mFromStart[at] + (flags[n] == 2 ? border : 4);
            if (mSeen[n] == seenOpen && cost >= mFromStart[n])
                continue;
            mSeen[n] = seenOpen;
            mFromStart[n] = cost;
            mParent[n] = cell;
            // The estimate is consistent: a total is never below the key
            // being taken, nor more than 10 quarters above it.
            mBuckets[(cost + estimate(nx, nz)) % kBuckets].push_back(next);
            ++pending;
        }
    }
    return false;
}
