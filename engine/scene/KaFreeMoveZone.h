#ifndef KA_FREE_MOVE_ZONE_H
#define KA_FREE_MOVE_ZONE_H

#include <vector>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaActZone.h"
#include "engine/scene/KaBlocker.h"
#include "engine/scene/KaGridSearch.h"
#include "engine/scene/KaOBP.h"
#include "engine/scene/KaPickMesh2.h"
#include "engine/scene/KaRectBlocker.h"
#include "engine/scene/MicroPather.h"
#include "engine/world/KaBezierCurve.h"

class KaPath;
class KaStream;

// The walkable floor of a scene: a triangle soup (three unshared vertices per
// triangle, local space) that characters stand and walk on, the border edges
// of that soup, and a square grid laid over it for path search.
//
// Derived data is lazy and kept behind dirty flags: the world copy of the
// vertices, the pick mesh (the base class, the floor as ray picking sees
// it), the border edges, the screen projections and the path grid. Changing
// the triangles marks everything dirty; moving the node marks nothing (the
// world copy keeps the transform of its last computation until something
// else makes it dirty).
//
// The grid covers the floor's bounds in grid space: the world x/z plane, or,
// for zones read from the older stand-alone file (loadBin), the frame of a
// rotation about y that lines the grid up with the borders. Cells are free
// (0), blocked (1) or near a border (2, walkable at the border cost). A grid
// has at most 2000 cells a side; the cell size grows for a larger floor.
// A step between two neighbouring cells is taken only when the straight line
// between their centres crosses no border edge and no blocker of the zone,
// so that every walk stays on the floor and on its side of a closed blocker.
// Connected walkable regions are labelled when the grid is built, so a click
// that cannot be reached answers "no path" without a search.
//
// The zone reads, but does not own, the scene's blockers, rectangular
// blockers and act zones; each record names the zone it belongs to.
//
// Registers a callback with its camera and owns its solver: never keep one
// by value in a KaArray. Main thread only.
class KaFreeMoveZone : public KaPickMesh2 {
public:
    // The path-search graph: one state per grid cell (z * width + x), eight
    // neighbours, every step of cost 1 (diagonals too) or the border cost.
    class KaFreeMoveZoneGraph : public micropather::Graph {
    public:
        explicit KaFreeMoveZoneGraph(KaFreeMoveZone* owner);
        ~KaFreeMoveZoneGraph() override;

        // Empties the flags, then sizes them to width * depth cells, all
        // free. A negative side counts as 0.
        void setSize(const KaVector2s32& size);
        const KaVector2s32& size() const { return mSize; }
        // 1 (blocked) for any cell outside the grid.
        unsigned char flag(const KaVector2s32& cell) const;
        void setFlag(const KaVector2s32& cell, unsigned char value);
        KaArray<unsigned char>& flags() { return mFlags; }
        const KaArray<unsigned char>& flags() const { return mFlags; }
        void setBorderCost(float cost) { mBorderCost = cost; }
        float borderCost() const { return mBorderCost; }

        // The cheapest cost of any walk between the cells: with unit steps
        // and free diagonals, the larger of the two distances in cells.
        float LeastCostEstimate(void* stateStart, void* stateEnd) override;
        // What a walk pays to enter a border cell: the border cost, but
        // never more than kMostBorderStepCost, to the nearest quarter.
        float searchBorderCost() const;
        // Only the neighbours inside the grid that are not blocked: a state
        // outside the grid would alias a cell of the row before or after.
        // Once the grid is built, only the steps whose centre-to-centre line
        // stays on the floor and clear of the blockers.
        void AdjacentCost(void* state, std::vector<micropather::StateCost>* adjacent) override;
        void PrintStateInfo(void* state) override;

    private:
        KaVector2s32 mSize;
        KaArray<unsigned char> mFlags;
        float mBorderCost;
        KaFreeMoveZone* mOwner;
    };

    // A crossing found by collisions(): world position and squared distance
    // to the query's start point.
    struct CollidePoint {
        KaVector3f32 position;
        float distance;
    };

    // The most a step into a border cell costs the search. Walks are kept
    // off the walls by the line tests, not by the cost; a larger cost would
    // only make the search visit every cell cheaper than the detour.
    static constexpr float kMostBorderStepCost = 1.5f;
    // The largest number of cells along either grid axis.
    static constexpr int kMaxCellsPerSide = 2000;
    // The fewest bytes a stored block takes (empty names, no vertices, no
    // cells): a reader checks a count of blocks against it.
    static constexpr unsigned long kSmallestBlockBytes = 205;

    KaFreeMoveZone();
    KaFreeMoveZone(const KaFreeMoveZone&) = delete;
    KaFreeMoveZone& operator=(const KaFreeMoveZone&) = delete;
    ~KaFreeMoveZone() override;

    // Forgets the derived data (pick mesh, world copy, projections, borders,
    // grid) and resets the solver; the vertices and pick indices stay.
    void clear();

    void setCamera(const KaIntrusivePtr<KaCamera>& camera, bool keepProjections);
    const KaIntrusivePtr<KaCamera>& camera() const { return mCamera; }
    bool onViewportChanged();

    // Three vertices per triangle; both mark everything dirty.
    void setNbTriangles(unsigned long count);
    void setVertex(unsigned long index, const KaVector3f32& vertex);
    const KaArray<KaVector3f32>& vertices() const { return mVertices; }
    const KaArray<unsigned int>& pickIndices() const { return mPickIndices; }
    const KaArray<KaVector3f32>& worldVertices() const { return mWorldVertices; }
    const KaArray<KaVector2f32>& projectedPoints() const { return mProjectedPoints; }
    const KaArray<unsigned int>& borders() const { return mBorders; }

    void setBordersDistance(float cost);
    float bordersDistance() const;
    void setPathFindingOccluder(const KaOBP& occluder);
    KaOBP& pathFindingOccluder() { return mOccluder; }

    void setBlockers(KaArray<KaBlocker>* blockers) { mBlockers = blockers; }
    void setRectBlockers(KaArray<KaRectBlocker>* blockers) { mRectBlockers = blockers; }
    void setActZones(KaArray<KaActZone>* actZones) { mActZones = actZones; }

    bool transformedVerticesDirty() const { return mTransformedVerticesDirty; }
    bool bordersDirty() const { return mBordersDirty; }
    bool pickMeshDirty() const { return mPickMeshDirty; }
    bool projectedPointsDirty() const { return mProjectedPointsDirty; }
    bool gridDirty() const { return mGridDirty; }
    bool smoothPaths() const { return mSmoothPaths; }
    void setSmoothPaths(bool smooth) { mSmoothPaths = smooth; }

    void updateTransformedVertices();
    void updatePickMesh();
    void updateProjectedPoints();
    void updateBorders();

    // The walkable-zone block of the scene's geometry file. With update
    // true the derived data is brought up to date first, so that it is
    // written clean. Returns false when the stream took fewer bytes.
    static bool serialize(KaStream& stream, KaFreeMoveZone& zone, bool update);
    // Reads a block written by serialize. The block is checked whole before
    // the zone changes: a short block fails with a console line and leaves
    // the zone as it was; derived data that does not agree with the rest
    // (counts, indices, a graph of the wrong size) is marked dirty and
    // rebuilt at its first use instead of being trusted.
    static bool deserialize(KaStream& stream, KaFreeMoveZone& zone, KaArray<KaBlocker>* blockers,
        KaArray<KaRectBlocker>* rectBlockers, KaArray<KaActZone>* actZones);
    // The same without the console line, for a reader that reports a broken
    // block in its own words: on failure shortField names the part of the
    // block where the stream ended.
    static bool deserialize(KaStream& stream, KaFreeMoveZone& zone, KaArray<KaBlocker>* blockers,
        KaArray<KaRectBlocker>* rectBlockers, KaArray<KaActZone>* actZones, const char*& shortField);

    // The older stand-alone zone file: a transform, shared vertices and
    // 16-bit triangle indices; the grid is then built in a frame lined up
    // with the borders. A cellSize whose x is not 0 fixes the cell size.
    // False, with a console line, when the file cannot be opened, ends early
    // or holds an index past its vertices; the zone is then unchanged.
    bool loadBin(const KaPath& path, KaArray<KaBlocker>* blockers, KaVector2f32& cellSize);
    bool loadBin(KaStream& stream, KaArray<KaBlocker>* blockers, KaVector2f32& cellSize);

    // The first active act zone of this zone that holds the point's (x, z);
    // null when none does. An act zone of no area holds nothing.
    KaActZone* isInZone(KaVector3f32 point);

    // Grid and path search.
    void updateGrid(bool force);
    void buildAStar();
    void preUpdateGrid();
    void calcGridMatrix();
    KaVector2s32 AStarResolution() const;
    int hasBlockerIntersection(const KaVector2s32& cell);
    bool hasCellBorderIntersection(const KaVector2s32& cell);
    // Not clamped: a point off the grid gives a cell outside it (a value
    // too large for an int, or NaN, gives -1).
    KaVector2s32 projectOnAStarGrid(const KaVector3f32& point);
    KaVector3f32 transformAStarGridInWorldSpace(const KaVector2s32& cell);
    // The path between two world points, null when there is none. Every
    // leg stays on the floor and crosses no blocker of the zone. An end a
    // little off the floor (at most a cell away) walks to the nearest floor
    // point; an end farther off, or one the start cannot reach, has no path.
    // A start off the floor starts from the nearest cell.
    KaIntrusivePtr<KaBezierCurve> curve(const KaVector3f32& from, const KaVector3f32& to);
    // The path to the floor point under a screen position (the float is not
    // used); null when the position is not over the floor.
    KaIntrusivePtr<KaBezierCurve> curve(
        const KaVector3f32& from, const KaVector2s32& screen, float unused, bool firstHit);
    // A string pull: keeps the points a straight walk needs to stay clear of
    // the borders and of this zone's blockers; always ends at the last point.
    KaArray<KaVector3f32> removeInsignificantPoints(KaArray<KaVector3f32> points);

    KaFreeMoveZoneGraph& graph() { return *mGraph; }
    const KaVector2f32& cellSize() const { return mCellSize; }
    void setCellSize(const KaVector2f32& size) { mCellSize = size; }
    const KaVector2f32& gridMin() const { return mGridMin; }
    const KaVector2f32& gridMax() const { return mGridMax; }
    float gridHeight() const { return mGridHeight; }
    bool gridMatrixMode() const { return mGridMatrixMode; }
    const KaMatrix4x4& gridMatrix() const { return mGridMatrix; }
    // The walkable region of a cell: -1 for a cell that no walk passes
    // through (blocked, off the grid, or a border cell whose centre is off
    // the floor). Cells of one region reach each other.
    int region(const KaVector2s32& cell);
    // Whether walks pass through the cell. A border cell counts only when
    // its centre is on the floor: the ring of border cells outside the
    // floor would otherwise let a walk round a closed door or through a
    // wall.
    bool walkable(const KaVector2s32& cell);

    // Footprints of things that stand on the floor (characters): round
    // shapes of the given radius about each centre (world x and z) that
    // walks go round, and a click inside one walks to its edge. Taken into
    // account from the next path request; the same list again costs
    // nothing.
    void setObstacles(const KaArray<KaVector3f32>& centres, float radius);

    // Position queries.
    KaVector3f32 correctCharacterPosition(const KaVector3f32& position, bool* found, bool firstHit);
    KaArray<KaVector3f32> collisions(const KaVector3f32& from, const KaVector2f32& screen);
    KaVector3f32 findNearestPointOnBorder(const KaVector2f32& screen);
    static float normalizeAngle(float angle);
    KaVector3f32 transformVectorInWorldSpace(float x, float z);
    float transformHeightMin(float height);
    static int compareCollidePointDistance(const CollidePoint& a, const CollidePoint& b);

    void draw() override;

    // The console lines that time grid builds and projections; off unless
    // asked for.
    static void setDebugTimings(bool on) { sDebugTimings = on; }
    static bool debugTimings() { return sDebugTimings; }

    // A blocker of this zone, end points in world x and z.
    struct BlockerSegment {
        KaVector2f32 first;
        KaVector2f32 second;
    };

private:
    friend class KaFreeMoveZoneGraph;

    KaVector2f32 floorPoint(unsigned int pickIndex) const;
    void thisZoneBlockers(KaArray<BlockerSegment>& segments) const;
    void cellCorners(int x, int z, KaVector2f32* corners) const;
    void markBorderCells(KaArray<unsigned char>& borderCells);
    void markFloorCells(KaArray<unsigned char>& floorCells);
    void labelRegions();
    void ensureCellData();
    void resetSolver();
    bool walkableIndex(unsigned long index) const;
    void markAllDirty();
    KaVector2f32 toGridPlane(const KaVector3f32& point) const;
    KaVector3f32 fromGridPlane(const KaVector2f32& point, const KaVector3f32& like) const;
    KaVector2f32 cellCentre(long index) const;
    long cellIndexOf(const KaVector2f32& point) const;
    void collectWalls(std::vector<BlockerSegment>& walls, std::vector<unsigned int>* triangles) const;
    void indexWalls();
    void markSteps();
    bool lineClear(const KaVector2f32& a, const KaVector2f32& b) const;
    bool onFloorPlane(const KaVector2f32& point) const;
    bool nearestFloorPoint(const KaVector2f32& point, KaVector2f32& nearest, float* distance = nullptr) const;
    KaVector2f32 offTheBorder(const KaVector2f32& point) const;
    long visibleCell(const KaVector2f32& point, int region) const;
    void obstacleOutline(const KaVector2f32& centre, KaVector2f32* corners) const;
    bool insideObstacle(const KaVector2f32& point, KaVector2f32* outside) const;

    static bool sDebugTimings;

    KaIntrusivePtr<KaCamera> mCamera;
    bool mTransformedVerticesDirty;
    bool mBordersDirty;
    bool mPickMeshDirty;
    bool mProjectedPointsDirty;
    KaArray<KaVector3f32> mVertices;
    KaArray<unsigned int> mPickIndices;
    KaArray<KaVector3f32> mWorldVertices;
    KaArray<KaVector2f32> mProjectedPoints;
    KaArray<unsigned int> mBorders;
    bool mSmoothPaths;
    KaOBP mOccluder;
    KaArray<KaBlocker>* mBlockers;
    KaArray<KaRectBlocker>* mRectBlockers;
    KaArray<KaActZone>* mActZones;
    bool mGridDirty;
    KaFreeMoveZoneGraph* mGraph;
    micropather::MicroPather* mPather;
    KaVector2f32 mCellSize;
    KaVector2f32 mGridMin;
    KaVector2f32 mGridMax;
    float mGridHeight;
    KaMatrix4x4 mInverseWorldMatrix;
    KaTimer mTimer;
    KaMatrix4x4 mGridMatrix;
    bool mGridMatrixMode;
    KaVector2f32 mCellSizeOverride;
    // Region label per cell (-1 blocked); empty until first needed after a
    // build or a load.
    KaArray<int> mRegions;
    // Per cell, whether its centre finds floor; made with the grid, or
    // after a load that kept the stored grid.
    KaArray<unsigned char> mOnFloor;
    // The walls of the grid (border edges, then this zone's blockers) in the
    // grid plane, and the cells that walls touch, row by row: row z holds
    // entries mWallRowStart[z] to mWallRowStart[z + 1] - 1, each a cell
    // (mWallCells, in cell order) and a wall that touches it (mWallsOfCells).
    // Only the cells near walls take room, where a start per cell would take
    // as much as the region labels.
    std::vector<BlockerSegment> mWalls;
    // The triangle of each border piece, which come first in mWalls.
    std::vector<unsigned int> mWallTriangles;
    std::vector<unsigned int> mWallRowStart;
    std::vector<unsigned int> mWallCells;
    std::vector<unsigned int> mWallsOfCells;
    // Per cell, the steps a walk may take from it (bit k: KaGridSearch's
    // k-th step); empty until the cell data is made.
    std::vector<unsigned char> mSteps;
    KaGridSearch mSearch;
    // The footprints (grid plane) and, per cell, whether one covers the
    // cell's centre.
    std::vector<KaVector2f32> mObstacles;
    float mObstacleRadius = 0.0f;
    std::vector<unsigned char> mCovered;
};

#endif
