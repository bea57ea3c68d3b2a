#ifndef KA_GRID_SEARCH_H
#define KA_GRID_SEARCH_H

#include <cstdint>
#include <vector>

// A* over a dense grid of width x depth cells with eight neighbours. The
// caller gives, per cell, a mask of the steps that may be taken from it (bit
// k for the k-th of kSteps) and a flag: entering a cell of flag 2 costs the
// border cost (1 to 1.5, counted in quarters), any other cell 1, diagonals
// as much as straight steps.
//
// Costs in quarters are whole numbers and a step changes the estimate by
// at most one cell, so the open set is a ring of buckets: taking the
// cheapest cell and adding one cost the same whatever the size of the
// search. The arrays are kept between searches and the cells of the current
// search told from stale ones by a stamp, so that a search touches only the
// cells it visits: a search that goes straight to its goal costs little
// even on a grid of millions of cells.
class KaGridSearch {
public:
    // The eight steps in the order the masks use: (-1, 0), (-1, +1), (0, +1),
    // (+1, +1), (+1, 0), (+1, -1), (0, -1), (-1, -1).
    static const int kSteps[8][2];

    KaGridSearch();

    // Forgets everything; the next search sizes the arrays anew.
    void reset(int width, int depth);

    // The border cost as the search counts it: in [1, 1.5], to the nearest
    // quarter.
    static float searchedBorderCost(float borderCost);

    // The cells from start to goal inclusive (cell index z * width + x).
    // False, with the path empty, when the goal cannot be reached.
    bool search(int start, int goal, const unsigned char* steps, const unsigned char* flags, float borderCost,
        std::vector<int>& path);

    // Cells expanded by the last search.
    std::size_t lastExpansions() const { return mExpansions; }

private:
    static const int kBuckets = 32;

    int mWidth;
    int mDepth;
    std::uint32_t mStamp;
    std::vector<std::uint32_t> mSeen;
    std::vector<int> mFromStart;
    std::vector<int> mParent;
    std::vector<int> mBuckets[kBuckets];
    std::size_t mExpansions;
};

#endif
