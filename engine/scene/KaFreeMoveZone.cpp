#include "engine/scene/KaFreeMoveZone.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaGeometry.h"
#include "engine/maths/KaMaths.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaRayIntersection.h"

bool KaFreeMoveZone::sDebugTimings = false;

namespace {

const float kLargestFloat = 3.4028235e38f;
const float kHalfPi = 1.5707963705062866f;
const float kQuarterPi = 0.7853981852531433f;
const float kDefaultBorderCost = 2048.0f;
// A cell must have some size, or a flat floor would divide by zero.
const float kMinimumCellSize = 0.01f;
// A search gives up after this many cells: a quarter of the largest grid.
const unsigned long kMaxExpandedNodes = 1000000;
// How far inside the floor a click off it is brought, in world units.
const float kFloorInset = 0.01f;
// The sides of a footprint's outline.
const int kObstacleSides = 8;

float cross2D(const KaVector2f32& a, const KaVector2f32& b) { return a.x * b.y - a.y * b.x; }

KaVector2f32 xz(const KaVector3f32& point) { return KaVector2f32(point.x, point.z); }

bool finite(float value) { return std::isfinite(value); }

bool finite(const KaVector2f32& value) { return finite(value.x) && finite(value.y); }

// A cell coordinate from a position in cells, truncated toward zero as the
// grid has always done; a value no int can hold gives -1 (off the grid).
int32_t truncateToCell(float cells)
{
    if (!(cells > -2147483520.0f && cells < 2147483520.0f))
        return -1;
    return static_cast<int32_t>(cells);
}

using KaMathsStream::makeRoom;
using KaMathsStream::readArray;
using KaMathsStream::readBytes;
using KaMathsStream::readString;
using KaMathsStream::readVectors;
using KaMathsStream::writeArray;
using KaMathsStream::writeVectors;

// Everything a walkable-zone block holds, read before the zone is touched.
struct ZoneBlock {
    KaString name;
    KaVector3f32 position;
    KaQuaternion rotation;
    KaVector3f32 scale;
    KaArray<KaVector3f32> pickVertices;
    KaVector2f32 cellSize;
    bool transformedDirty = true;
    bool bordersDirty = true;
    bool pickMeshDirty = true;
    bool projectedDirty = true;
    bool gridDirty = true;
    KaArray<KaVector3f32> vertices;
    KaArray<unsigned int> pickIndices;
    KaArray<KaVector3f32> worldVertices;
    KaArray<unsigned int> borders;
    KaString occluderName;
    KaVector3f32 occluderPosition;
    KaQuaternion occluderRotation;
    KaVector3f32 occluderScale;
    KaVector3f32 occluderCorners[4];
    KaVector2f32 gridMin;
    KaVector2f32 gridMax;
    float gridHeight = 0.0f;
    int32_t width = 0;
    int32_t depth = 0;
    KaArray<unsigned char> flags;
    float borderCost = kDefaultBorderCost;
};

bool reportShort(bool ok, const char* operation, const char* field)
{
    if (!ok)
        KaPrintf("[KaFreeMoveZone::%s] The stream ends in the %s.\n", operation, field);
    return ok;
}

// Reads the block without a word: on a short block, field names the part
// where the stream ended, for the caller's one console line.
bool readBlock(KaStream& stream, ZoneBlock& block, const char*& field)
{
    auto step = [&field](bool ok, const char* name) {
        if (!ok)
            field = name;
        return ok;
    };
    unsigned int count = 0;
    if (!step(readString(stream, block.name), "name") || !step(KaVector3f32::deserialize(stream, block.position), "position")
        || !step(KaQuaternion::deserialize(stream, block.rotation), "rotation")
        || !step(KaVector3f32::deserialize(stream, block.scale), "scale")
        || !step(KaMathsStream::read(stream, count), "pick triangle count")
        || !step(readVectors(stream, static_cast<unsigned long>(count) * 3, block.pickVertices), "pick vertices")
        || !step(KaVector2f32::deserialize(stream, block.cellSize), "cell size")
        || !step(KaMathsStream::readAll(stream, block.transformedDirty, block.bordersDirty, block.pickMeshDirty,
                     block.projectedDirty, block.gridDirty),
            "flags")
        || !step(KaMathsStream::read(stream, count), "vertex count")
        || !step(readVectors(stream, count, block.vertices), "vertices")
        || !step(KaMathsStream::read(stream, count), "pick index count")
        || !step(readArray(stream, count, block.pickIndices), "pick indices")
        || !step(KaMathsStream::read(stream, count), "world vertex count")
        || !step(readVectors(stream, count, block.worldVertices), "world vertices")
        || !step(KaMathsStream::read(stream, count), "border count")
        || !step(readArray(stream, count, block.borders), "borders")
        || !step(readString(stream, block.occluderName), "occluder name")
        || !step(KaVector3f32::deserialize(stream, block.occluderPosition), "occluder")
        || !step(KaQuaternion::deserialize(stream, block.occluderRotation), "occluder")
        || !step(KaVector3f32::deserialize(stream, block.occluderScale), "occluder"))
        return false;
    for (KaVector3f32& corner : block.occluderCorners)
        if (!step(KaVector3f32::deserialize(stream, corner), "occluder"))
            return false;
    return step(KaVector2f32::deserialize(stream, block.gridMin), "grid bounds")
        && step(KaVector2f32::deserialize(stream, block.gridMax), "grid bounds")
        && step(KaMathsStream::read(stream, block.gridHeight), "grid height")
        && step(KaMathsStream::readAll(stream, block.width, block.depth), "grid size")
        && step(KaMathsStream::read(stream, count), "cell count")
        && step(readBytes(stream, count, block.flags), "cells")
        && step(KaMathsStream::read(stream, block.borderCost), "border cost");
}

bool allBelow(const KaArray<unsigned int>& indices, unsigned long limit)
{
    for (unsigned long i = 0; i < indices.size(); ++i)
        if (indices[i] >= limit)
            return false;
    return true;
}

// Whether (p) lies in the triangle's (a, b, c) 2D projection; points on an
// edge are inside, whatever the winding.
bool insideTriangle2D(const KaVector2f32& p, const KaVector2f32& a, const KaVector2f32& b, const KaVector2f32& c)
{
    const float s = KaSgn(cross2D(b - a, c - a));
    if (KaSgn(cross2D(b - a, p - a)) == -s)
        return false;
    if (KaSgn(cross2D(c - b, p - b)) == -s)
        return false;
    return KaSgn(cross2D(a - c, p - c)) != -s;
}

int clampIndex(float cells, int count)
{
    if (!(cells > 0.0f))
        return 0;
    if (cells >= static_cast<float>(count - 1))
        return count - 1;
    return static_cast<int>(cells);
}

// The 2D crossing test the grid and the path simplifier both use: only a
// real crossing of the two segments (ends included) counts.
bool segmentsCross(const KaVector2f32& a, const KaVector2f32& b, const KaVector2f32& c, const KaVector2f32& d)
{
    return segmentIntersection(a, b, c, d) == 2;
}

// The blink phase all zone overlays share.
unsigned int sOverlayFrame = 0;

void* toState(long index) { return reinterpret_cast<void*>(static_cast<intptr_t>(index)); }

long fromState(void* state) { return static_cast<long>(reinterpret_cast<intptr_t>(state)); }

// Empties the array but keeps its storage for the next fill: a grid of
// millions of cells is rebuilt into the pages it already has, where fresh
// ones would each cost a page fault.
template <class T>
void emptyKeepingStorage(KaArray<T>& array)
{
    if (array.isShared())
        array.clear();
    else
        array.resize(0);
}

} // namespace

// ---------------------------------------------------------------------------
// The graph

KaFreeMoveZone::KaFreeMoveZoneGraph::KaFreeMoveZoneGraph(KaFreeMoveZone* owner)
    : mSize(0, 0)
    , mBorderCost(kDefaultBorderCost)
    , mOwner(owner)
{
}

KaFreeMoveZone::KaFreeMoveZoneGraph::~KaFreeMoveZoneGraph() = default;

void KaFreeMoveZone::KaFreeMoveZoneGraph::setSize(const KaVector2s32& size)
{
    emptyKeepingStorage(mFlags);
    mSize = KaVector2s32(size.x > 0 ? size.x : 0, size.y > 0 ? size.y : 0);
    mFlags.resize(static_cast<unsigned long>(mSize.x) * static_cast<unsigned long>(mSize.y));
    if (mFlags.size() != 0)
        std::memset(mFlags.data(), 0, mFlags.size());
}

unsigned char KaFreeMoveZone::KaFreeMoveZoneGraph::flag(const KaVector2s32& cell) const
{
    if (cell.x < 0 || cell.y < 0 || cell.x >= mSize.x || cell.y >= mSize.y)
        return 1;
    return mFlags[static_cast<unsigned long>(cell.y) * static_cast<unsigned long>(mSize.x)
        + static_cast<unsigned long>(cell.x)];
}

void KaFreeMoveZone::KaFreeMoveZoneGraph::setFlag(const KaVector2s32& cell, unsigned char value)
{
    if (cell.x < 0 || cell.y < 0 || cell.x >= mSize.x || cell.y >= mSize.y)
        return;
    mFlags[static_cast<unsigned long>(cell.y) * static_cast<unsigned long>(mSize.x)
        + static_cast<unsigned long>(cell.x)]
        = value;
}

float KaFreeMoveZone::KaFreeMoveZoneGraph::LeastCostEstimate(void* stateStart, void* stateEnd)
{
    if (mSize.x <= 0)
        return 0.0f;
    const long start = fromState(stateStart);
    const long end = fromState(stateEnd);
    const long dx = start % mSize.x - end % mSize.x;
    const long dz = start / mSize.x - end / mSize.x;
    const long adx = dx < 0 ? -dx : dx;
    const long adz = dz < 0 ? -dz : dz;
    return static_cast<float>(adx > adz ? adx : adz);
}

float KaFreeMoveZone::KaFreeMoveZoneGraph::searchBorderCost() const
{
    return KaGridSearch::searchedBorderCost(mBorderCost);
}

void KaFreeMoveZone::KaFreeMoveZoneGraph::AdjacentCost(void* state, std::vector<micropather::StateCost>* adjacent)
{
    if (mSize.x <= 0 || mSize.y <= 0)
        return;
    const long index = fromState(state);
    const unsigned long cells = mFlags.size();
    if (index < 0 || static_cast<unsigned long>(index) >= cells)
        return;
    const int x = static_cast<int>(index % mSize.x);
    const int z = static_cast<int>(index / mSize.x);
    const unsigned char* flags = mFlags.constData();
    // Once the cell data is made, the steps are those whose line stays on
    // the floor; before, every unblocked neighbour whose centre is on it.
    const unsigned char* steps = mOwner->mSteps.size() == cells ? mOwner->mSteps.data() : nullptr;
    const unsigned char* onFloor = mOwner->mOnFloor.size() == cells ? mOwner->mOnFloor.constData() : nullptr;
    const float borderCost = searchBorderCost();
    for (int k = 0; k < 8; ++k) {
        const int nx = x + KaGridSearch::kSteps[k][0];
        const int nz = z + KaGridSearch::kSteps[k][1];
        if (nx < 0 || nz < 0 || nx >= mSize.x || nz >= mSize.y)
            continue;
        const unsigned long next
            = static_cast<unsigned long>(nz) * static_cast<unsigned long>(mSize.x) + static_cast<unsigned long>(nx);
        const unsigned char f = flags[next];
        if (steps) {
            if (!(steps[index] & (1u << k)))
                continue;
        } else if (f == 1 || (f == 2 && onFloor && !onFloor[next])) {
            continue;
        }
        micropather::StateCost cost;
        cost.state = toState(static_cast<long>(nz) * mSize.x + nx);
        cost.cost = f == 2 ? borderCost : 1.0f;
        adjacent->push_back(cost);
    }
}

void KaFreeMoveZone::KaFreeMoveZoneGraph::PrintStateInfo(void* state)
{
    if (mSize.x <= 0)
        return;
    const long index = fromState(state);
    KaPrintf("(%d, %d)", static_cast<int>(index % mSize.x), static_cast<int>(index / mSize.x));
}

// ---------------------------------------------------------------------------
// Zone data

KaFreeMoveZone::KaFreeMoveZone()
    : mTransformedVerticesDirty(true)
    , mBordersDirty(true)
    , mPickMeshDirty(true)
    , mProjectedPointsDirty(true)
    , mSmoothPaths(true)
    , mBlockers(nullptr)
    , mRectBlockers(nullptr)
    , mActZones(nullptr)
    , mGridDirty(true)
    , mGraph(new KaFreeMoveZoneGraph(this))
    , mPather(new micropather::MicroPather(mGraph, 250, 6))
    , mCellSize(5.0f, 5.0f)
    , mGridMin(0.0f, 0.0f)
    , mGridMax(0.0f, 0.0f)
    , mGridHeight(0.0f)
    , mGridMatrixMode(false)
    , mCellSizeOverride(0.0f, 0.0f)
{
    mPather->SetExpansionLimit(kMaxExpandedNodes);
}

KaFreeMoveZone::~KaFreeMoveZone()
{
    if (mCamera)
        mCamera->onViewportChanged().remove(this, &KaFreeMoveZone::onViewportChanged);
    delete mPather;
    delete mGraph;
}

void KaFreeMoveZone::markAllDirty()
{
    mGridDirty = true;
    mTransformedVerticesDirty = true;
    mBordersDirty = true;
    mPickMeshDirty = true;
    mProjectedPointsDirty = true;
}

void KaFreeMoveZone::clear()
{
    KaPickMesh2::setNbTriangles(0);
    mPickMeshDirty = true;
    mProjectedPointsDirty = true;
    mWorldVertices.clear();
    mProjectedPoints.clear();
    mBorders.clear();
    mGridDirty = true;
    mGraph->setSize(KaVector2s32(0, 0));
    mRegions.clear();
    mOnFloor.clear();
    mSteps.clear();
    resetSolver();
}

void KaFreeMoveZone::setCamera(const KaIntrusivePtr<KaCamera>& camera, bool keepProjections)
{
    if (mCamera)
        mCamera->onViewportChanged().remove(this, &KaFreeMoveZone::onViewportChanged);
    mCamera = camera;
    if (mCamera)
        mCamera->onViewportChanged().add(this, &KaFreeMoveZone::onViewportChanged);
    if (!keepProjections)
        mProjectedPointsDirty = true;
}

bool KaFreeMoveZone::onViewportChanged()
{
    mProjectedPointsDirty = true;
    return false;
}

void KaFreeMoveZone::setNbTriangles(unsigned long count)
{
    mVertices.resize(count * 3);
    mVertices.shrink();
    markAllDirty();
}

void KaFreeMoveZone::setVertex(unsigned long index, const KaVector3f32& vertex)
{
    if (index < mVertices.size())
        mVertices[index] = vertex;
    markAllDirty();
}

void KaFreeMoveZone::setBordersDistance(float cost) { mGraph->setBorderCost(cost); }

float KaFreeMoveZone::bordersDistance() const { return mGraph->borderCost(); }

void KaFreeMoveZone::setPathFindingOccluder(const KaOBP& occluder)
{
    // The plane's getters are not const; reading them changes nothing.
    KaOBP& source = const_cast<KaOBP&>(occluder);
    mOccluder.setName(source.name());
    mOccluder.setPosition(source.position());
    mOccluder.setRotation(source.rotation());
    mOccluder.setScale(source.scale());
    mOccluder.setCorners(source.corner(0), source.corner(1), source.corner(2), source.corner(3));
    mBordersDirty = true;
    mProjectedPointsDirty = true;
    mGridDirty = true;
}

void KaFreeMoveZone::updateTransformedVertices()
{
    if (!mTransformedVerticesDirty)
        return;
    const KaMatrix4x4 world = worldTransformationMatrix();
    mWorldVertices.resize(mVertices.size());
    for (unsigned long i = 0; i < mVertices.size(); ++i)
        mWorldVertices[i] = world * mVertices[i];
    mTransformedVerticesDirty = false;
}

void KaFreeMoveZone::updatePickMesh()
{
    if (!mPickMeshDirty)
        return;
    updateTransformedVertices();
    const unsigned long triangles = mVertices.size() / 3;
    mPickIndices.resize(triangles * 3);
    for (unsigned long i = 0; i < triangles * 3; ++i)
        mPickIndices[i] = static_cast<unsigned int>(i);
    if (mPickIndices.size() / 3 != triangles)
        KaPrintf("[KaFreeMoveZone::updatePickMesh] %s nb triangles reduced from : %d to : %d\n", name().c_str(),
            static_cast<int>(triangles), static_cast<int>(mPickIndices.size() / 3));
    KaPickMesh2::setNbTriangles(mPickIndices.size() / 3);
    for (unsigned long t = 0; t < mPickIndices.size() / 3; ++t)
        setTriangle(
            t, mVertices[mPickIndices[3 * t]], mVertices[mPickIndices[3 * t + 1]], mVertices[mPickIndices[3 * t + 2]]);
    mBordersDirty = true;
    mProjectedPointsDirty = true;
    mGridDirty = true;
    mPickMeshDirty = false;
}

void KaFreeMoveZone::updateProjectedPoints()
{
    if (!mProjectedPointsDirty)
        return;
    updateTransformedVertices();
    updatePickMesh();
    mTimer.stop();
    mTimer.start();
    if (mCamera) {
        const float height = static_cast<float>(mCamera->viewportHeight());
        mProjectedPoints.resize(mPickIndices.size());
        for (unsigned long k = 0; k < mPickIndices.size(); ++k) {
            const unsigned int index = mPickIndices[k];
            KaVector2f32 point = index < mWorldVertices.size() ? mCamera->projectPoint(mWorldVertices[index])
                                                               : KaVector2f32(0.0f, 0.0f);
            point.y = height - point.y;
            mProjectedPoints[k] = point;
        }
    } else {
        mProjectedPoints.clear();
    }
    mProjectedPointsDirty = false;
    if (sDebugTimings)
        KaPrintf("[KaFreeMoveZone::updateProjectedPoints()] %s time : %.3f\n", name().c_str(),
            mTimer.getTimeFromStart() / 1000000.0);
}

void KaFreeMoveZone::updateBorders()
{
    if (!mBordersDirty)
        return;
    updatePickMesh();
    mBorders.clear();
    const unsigned long triangles = mPickIndices.size() / 3;
    KaArray<KaVector3f32> points;
    points.resize(triangles * 3);
    for (unsigned long k = 0; k < triangles * 3; ++k)
        points[k] = mVertices[mPickIndices[k]];
    const KaVector3f32* p = points.constData();
    for (unsigned long t = 0; t < triangles; ++t) {
        for (unsigned long k = 0; k < 3; ++k) {
            const KaVector3f32& a = p[3 * t + k];
            const KaVector3f32& b = p[3 * t + (k + 1) % 3];
            bool shared = false;
            for (unsigned long u = 0; u < triangles && !shared; ++u) {
                if (u == t)
                    continue;
                for (unsigned long e = 0; e < 3; ++e) {
                    const KaVector3f32& c = p[3 * u + e];
                    const KaVector3f32& d = p[3 * u + (e + 1) % 3];
                    if ((a == c && b == d) || (a == d && b == c)) {
                        shared = true;
                        break;
                    }
                }
            }
            if (!shared) {
                makeRoom(mBorders, mBorders.size() + 2);
                mBorders.pushBack(static_cast<unsigned int>(3 * t + k));
                mBorders.pushBack(static_cast<unsigned int>(3 * t + (k + 1) % 3));
            }
        }
    }
    mBordersDirty = false;
}

// ---------------------------------------------------------------------------
// The block

bool KaFreeMoveZone::serialize(KaStream& stream, KaFreeMoveZone& zone, bool update)
{
    if (update) {
        zone.updateTransformedVertices();
        zone.updatePickMesh();
        zone.updateGrid(false);
    }
    bool ok = Ka3DObject2::serialize(stream, zone);
    const unsigned long triangles = zone.nbTriangles();
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(triangles)) && ok;
    for (unsigned long t = 0; t < triangles; ++t) {
        KaVector3f32 a, b, c;
        zone.triangle(t, a, b, c);
        ok = KaVector3f32::serialize(stream, a) && ok;
        ok = KaVector3f32::serialize(stream, b) && ok;
        ok = KaVector3f32::serialize(stream, c) && ok;
    }
    ok = KaVector2f32::serialize(stream, zone.mCellSize) && ok;
    ok = KaMathsStream::writeAll(stream, zone.mTransformedVerticesDirty, zone.mBordersDirty, zone.mPickMeshDirty,
             zone.mProjectedPointsDirty, zone.mGridDirty)
        && ok;
    ok = writeVectors(stream, zone.mVertices) && ok;
    ok = writeArray(stream, zone.mPickIndices) && ok;
    ok = writeVectors(stream, zone.mWorldVertices) && ok;
    ok = writeArray(stream, zone.mBorders) && ok;
    ok = KaOBP::serialize(stream, zone.mOccluder) && ok;
    ok = KaVector2f32::serialize(stream, zone.mGridMin) && ok;
    ok = KaVector2f32::serialize(stream, zone.mGridMax) && ok;
    ok = KaMathsStream::write(stream, zone.mGridHeight) && ok;
    const KaVector2s32 size = zone.mGraph->size();
    ok = KaMathsStream::writeAll(stream, static_cast<int>(size.x), static_cast<int>(size.y)) && ok;
    // Cells are single bytes, raw in both stream modes: written at once.
    const KaArray<unsigned char>& cells = zone.mGraph->flags();
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(cells.size())) && ok;
    if (cells.size() != 0)
        ok = stream.writeData(cells.constData(), cells.size()) == cells.size() && ok;
    ok = KaMathsStream::write(stream, zone.mGraph->borderCost()) && ok;
    return ok;
}

bool KaFreeMoveZone::deserialize(KaStream& stream, KaFreeMoveZone& zone, KaArray<KaBlocker>* blockers,
    KaArray<KaRectBlocker>* rectBlockers, KaArray<KaActZone>* actZones)
{
    const char* field = nullptr;
    if (deserialize(stream, zone, blockers, rectBlockers, actZones, field))
        return true;
    KaPrintf("[KaFreeMoveZone::deserialize] The stream ends in the %s.\n", field);
    return false;
}

bool KaFreeMoveZone::deserialize(KaStream& stream, KaFreeMoveZone& zone, KaArray<KaBlocker>* blockers,
    KaArray<KaRectBlocker>* rectBlockers, KaArray<KaActZone>* actZones, const char*& shortField)
{
    ZoneBlock block;
    if (!readBlock(stream, block, shortField))
        return false;

    // Derived data is only trusted when it agrees with what it derives from;
    // anything else is rebuilt at its first use.
    const unsigned long pickTriangles = block.pickVertices.size() / 3;
    if (block.pickIndices.size() != pickTriangles * 3 || pickTriangles != block.vertices.size() / 3
        || !allBelow(block.pickIndices, block.vertices.size()))
        block.pickMeshDirty = true;
    for (unsigned long k = 0; k < block.pickIndices.size() && !block.pickMeshDirty; ++k)
        if (block.pickVertices[k] != block.vertices[block.pickIndices[k]])
            block.pickMeshDirty = true;
    if (block.worldVertices.size() != block.vertices.size())
        block.transformedDirty = true;
    if (block.borders.size() % 2 != 0 || !allBelow(block.borders, block.pickIndices.size()))
        block.bordersDirty = true;
    if (block.pickMeshDirty) {
        block.bordersDirty = true;
        block.projectedDirty = true;
    }
    const bool graphFits = block.width > 0 && block.depth > 0 && block.width <= kMaxCellsPerSide
        && block.depth <= kMaxCellsPerSide
        && block.flags.size() == static_cast<unsigned long>(block.width) * static_cast<unsigned long>(block.depth);
    const bool gridFits = graphFits && finite(block.cellSize) && block.cellSize.x > 0.0f && block.cellSize.y > 0.0f
        && finite(block.gridMin) && finite(block.gridMax) && finite(block.gridHeight);
    if (!gridFits || block.pickMeshDirty || block.transformedDirty || block.bordersDirty)
        block.gridDirty = true;
    if (!graphFits) {
        block.width = 0;
        block.depth = 0;
        block.flags.clear();
    }
    if (!finite(block.borderCost) || block.borderCost < 0.0f)
        block.borderCost = kDefaultBorderCost;

    zone.clear();
    zone.setName(block.name);
    zone.setPosition(block.position);
    zone.setRotation(block.rotation);
    zone.setScale(block.scale);
    zone.KaPickMesh2::setNbTriangles(pickTriangles);
    for (unsigned long t = 0; t < pickTriangles; ++t)
        zone.setTriangle(t, block.pickVertices[3 * t], block.pickVertices[3 * t + 1], block.pickVertices[3 * t + 2]);
    zone.mCellSize = block.cellSize;
    zone.mTransformedVerticesDirty = block.transformedDirty;
    zone.mBordersDirty = block.bordersDirty;
    zone.mPickMeshDirty = block.pickMeshDirty;
    zone.mProjectedPointsDirty = block.projectedDirty;
    zone.mGridDirty = block.gridDirty;
    zone.mVertices = block.vertices;
    zone.mPickIndices = block.pickIndices;
    zone.mWorldVertices = block.worldVertices;
    zone.mBorders = block.borders;
    zone.mOccluder.setName(block.occluderName);
    zone.mOccluder.setPosition(block.occluderPosition);
    zone.mOccluder.setRotation(block.occluderRotation);
    zone.mOccluder.setScale(block.occluderScale);
    zone.mOccluder.setCorners(
        block.occluderCorners[0], block.occluderCorners[1], block.occluderCorners[2], block.occluderCorners[3]);
    zone.mGridMin = block.gridMin;
    zone.mGridMax = block.gridMax;
    zone.mGridHeight = block.gridHeight;
    zone.mGraph->setSize(KaVector2s32(block.width, block.depth));
    zone.mGraph->flags() = block.flags;
    zone.mGraph->setBorderCost(block.borderCost);
    zone.mOnFloor.clear();
    zone.mSteps.clear();
    zone.mRegions.clear();
    zone.resetSolver();
    if (zone.name().contains("19000", 0, nullptr)) {
        zone.mCellSize = KaVector2f32(2.0f, 2.0f);
        zone.mGridDirty = true;
    }
    zone.mBlockers = blockers;
    zone.mRectBlockers = rectBlockers;
    zone.mActZones = actZones;
    return true;
}

bool KaFreeMoveZone::loadBin(const KaPath& path, KaArray<KaBlocker>* blockers, KaVector2f32& cellSize)
{
    KaFile file;
    if (!file.open(path, KaFileSystem::Read)) {
        KaPrintf("[KaFreeMoveZone::loadBin] Can't open file : %s.\n", path.c_str());
        return false;
    }
    KaPath name = path.fileName();
    name.removeExtension();
    const KaString previous = this->name();
    setName(name);
    const bool loaded = loadBin(file, blockers, cellSize);
    file.close();
    if (!loaded)
        setName(previous);
    return loaded;
}

bool KaFreeMoveZone::loadBin(KaStream& stream, KaArray<KaBlocker>* blockers, KaVector2f32& cellSize)
{
    KaVector3f32 position;
    KaQuaternion rotation;
    KaVector3f32 scale;
    unsigned int count = 0;
    KaArray<KaVector3f32> shared;
    if (!reportShort(KaVector3f32::deserialize(stream, position), "loadBin", "position")
        || !reportShort(KaQuaternion::deserialize(stream, rotation), "loadBin", "rotation")
        || !reportShort(KaVector3f32::deserialize(stream, scale), "loadBin", "scale")
        || !reportShort(KaMathsStream::read(stream, count), "loadBin", "vertex count")
        || !reportShort(readVectors(stream, count, shared), "loadBin", "vertices")
        || !reportShort(KaMathsStream::read(stream, count), "loadBin", "triangle count"))
        return false;
    KaArray<unsigned short> indices;
    if (!reportShort(readArray(stream, static_cast<unsigned long>(count) * 3, indices), "loadBin", "indices"))
        return false;
    for (unsigned long i = 0; i < indices.size(); ++i) {
        if (indices[i] >= shared.size()) {
            KaPrintf("[KaFreeMoveZone::loadBin] Index %u of triangle %lu is past the %lu vertices.\n",
                static_cast<unsigned int>(indices[i]), i / 3, shared.size());
            return false;
        }
    }

    mCellSizeOverride = cellSize;
    mGridMatrixMode = true;
    setPosition(position);
    setRotation(rotation);
    setScale(scale);
    setNbTriangles(count);
    for (unsigned long i = 0; i < indices.size(); ++i)
        mVertices[i] = shared[indices[i]];
    updateTransformedVertices();
    updatePickMesh();
    mBlockers = blockers;
    updateGrid(false);
    setName(KaPath(name()).fileName());
    return true;
}

KaActZone* KaFreeMoveZone::isInZone(KaVector3f32 point)
{
    if (!mActZones)
        return nullptr;
    const KaVector2f32 p = xz(point);
    const KaString zoneName = name();
    for (unsigned long i = 0; i < mActZones->size(); ++i) {
        KaActZone& zone = (*mActZones)[i];
        if (!zone.active || zone.zoneName != zoneName)
            continue;
        const KaVector2f32* c = zone.corners;
        const float s = cross2D(c[2] - c[0], c[1] - c[0]);
        // A flat quadrilateral would take every point of its line for its own.
        if (s == 0.0f)
            continue;
        bool inside = true;
        for (int k = 0; k < 4 && inside; ++k)
            inside = cross2D(p - c[k], c[(k + 1) % 4] - c[k]) * s >= 0.0f;
        if (inside)
            return &zone;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Grid

void KaFreeMoveZone::updateGrid(bool force)
{
    if (force)
        mGridDirty = true;
    if (!mGridDirty)
        return;
    mTimer.stop();
    mTimer.start();
    buildAStar();
    resetSolver();
    if (sDebugTimings)
        KaPrintf(
            "[KaFreeMoveZone::updateGrid()] %s time : %.2f\n", name().c_str(), mTimer.getTimeFromStart() / 1000000.0);
    mGridDirty = false;
}

KaVector2f32 KaFreeMoveZone::floorPoint(unsigned int pickIndex) const
{
    if (pickIndex >= mPickIndices.size())
        return KaVector2f32(NAN, NAN);
    const unsigned int vertex = mPickIndices[pickIndex];
    if (mGridMatrixMode) {
        if (vertex >= mVertices.size())
            return KaVector2f32(NAN, NAN);
        return xz(mGridMatrix.getInverseMatrix() * mVertices[vertex]);
    }
    if (vertex >= mWorldVertices.size())
        return KaVector2f32(NAN, NAN);
    return xz(mWorldVertices[vertex]);
}

void KaFreeMoveZone::preUpdateGrid()
{
    updateTransformedVertices();
    updatePickMesh();
    updateBorders();
    if (mGridMatrixMode)
        calcGridMatrix();

    if (mWorldVertices.isEmpty() || mPickIndices.isEmpty()) {
        KaPrintf("[KaFreeMoveZone::buildAStar] %s have no mesh or is entierly occluded\n", name().c_str());
    } else {
        const KaMatrix4x4 toGrid = mGridMatrix.getInverseMatrix();
        bool first = true;
        for (unsigned long k = 0; k < mPickIndices.size(); ++k) {
            const unsigned int index = mPickIndices[k];
            KaVector3f32 point;
            if (mGridMatrixMode) {
                if (index >= mVertices.size())
                    continue;
                point = toGrid * mVertices[index];
            } else {
                if (index >= mWorldVertices.size())
                    continue;
                point = mWorldVertices[index];
            }
            if (first) {
                mGridMin = KaVector2f32(point.x, point.z);
                mGridMax = mGridMin;
                mGridHeight = point.y;
                first = false;
                continue;
            }
            mGridMin.x = KaMin(mGridMin.x, point.x);
            mGridMin.y = KaMin(mGridMin.y, point.z);
            mGridMax.x = KaMax(mGridMax.x, point.x);
            mGridMax.y = KaMax(mGridMax.y, point.z);
            mGridHeight = KaMin(mGridHeight, point.y);
        }
    }

    if (!mGridMatrixMode) {
        mCellSize = name().contains("19000", 0, nullptr) ? KaVector2f32(2.0f, 2.0f) : KaVector2f32(5.0f, 5.0f);
    } else if (mCellSizeOverride.x != 0.0f) {
        mCellSize = mCellSizeOverride;
    } else {
        const float side = KaMin(mGridMax.x - mGridMin.x, mGridMax.y - mGridMin.y) / 20.0f;
        mCellSize = KaVector2f32(side, side);
    }
    // A flat floor (or a bad override) would give cells of no size.
    if (!(mCellSize.x >= kMinimumCellSize) || !finite(mCellSize.x))
        mCellSize.x = kMinimumCellSize;
    if (!(mCellSize.y >= kMinimumCellSize) || !finite(mCellSize.y))
        mCellSize.y = kMinimumCellSize;
    // A floor wider than the largest grid gets larger cells, so that the
    // grid still covers all of it.
    const float extents[2] = { mGridMax.x - mGridMin.x, mGridMax.y - mGridMin.y };
    float* cells[2] = { &mCellSize.x, &mCellSize.y };
    for (int axis = 0; axis < 2; ++axis) {
        if (!finite(extents[axis]))
            continue;
        for (int attempt = 0; attempt < 4 && extents[axis] / *cells[axis] >= float(kMaxCellsPerSide); ++attempt)
            *cells[axis] = extents[axis] / float(kMaxCellsPerSide) * (1.0f + 1e-5f * float(attempt + 1));
    }
    mInverseWorldMatrix = worldTransformationMatrix().getInverseMatrix();
}

KaVector2s32 KaFreeMoveZone::AStarResolution() const
{
    const float along[2] = { (mGridMax.x - mGridMin.x) / mCellSize.x, (mGridMax.y - mGridMin.y) / mCellSize.y };
    int counts[2];
    for (int axis = 0; axis < 2; ++axis) {
        if (!(along[axis] >= 0.0f) || !finite(along[axis]))
            counts[axis] = along[axis] < 0.0f ? 1 : 0;
        else if (along[axis] >= float(kMaxCellsPerSide))
            counts[axis] = kMaxCellsPerSide;
        else
            counts[axis] = static_cast<int>(along[axis]) + 1;
        if (counts[axis] > kMaxCellsPerSide)
            counts[axis] = kMaxCellsPerSide;
    }
    if (counts[0] == 0 || counts[1] == 0)
        return KaVector2s32(0, 0);
    return KaVector2s32(counts[0], counts[1]);
}

void KaFreeMoveZone::cellCorners(int x, int z, KaVector2f32* corners) const
{
    const float x0 = static_cast<float>(x) * mCellSize.x + mGridMin.x;
    const float x1 = x0 + mCellSize.x;
    const float z0 = static_cast<float>(z) * mCellSize.y + mGridMin.y;
    const float z1 = z0 + mCellSize.y;
    corners[0] = KaVector2f32(x0, z0);
    corners[1] = KaVector2f32(x1, z0);
    corners[2] = KaVector2f32(x0, z1);
    corners[3] = KaVector2f32(x1, z1);
}

namespace {

bool cellCrosses(const KaVector2f32* c, const KaVector2f32& a, const KaVector2f32& b)
{
    return segmentsCross(c[0], c[1], a, b) || segmentsCross(c[1], c[2], a, b) || segmentsCross(c[2], c[3], a, b)
        || segmentsCross(c[3], c[0], a, b);
}

} // namespace

void KaFreeMoveZone::thisZoneBlockers(KaArray<BlockerSegment>& segments) const
{
    segments.clear();
    if (!mBlockers)
        return;
    const KaString zoneName = const_cast<KaFreeMoveZone*>(this)->name();
    for (unsigned long i = 0; i < mBlockers->size(); ++i) {
        const KaBlocker& blocker = (*mBlockers)[i];
        if (blocker.zoneName == zoneName)
            segments.pushBack(BlockerSegment { blocker.first, blocker.second });
    }
}

namespace {

// One blocker as the cell tests use it, with the bounds of the cells its
// segment may cross (cells beyond them cannot).
struct PreparedBlocker {
    KaVector2f32 a;
    KaVector2f32 b;
    KaVector2f32 e;
    float length;
    float minX, maxX, minZ, maxZ;
};

PreparedBlocker prepare(const KaVector2f32& a, const KaVector2f32& b)
{
    PreparedBlocker p;
    p.a = a;
    p.b = b;
    p.e = b - a;
    p.length = std::sqrt(p.e.x * p.e.x + p.e.y * p.e.y);
    p.minX = KaMin(a.x, b.x);
    p.maxX = KaMax(a.x, b.x);
    p.minZ = KaMin(a.y, b.y);
    p.maxZ = KaMax(a.y, b.y);
    return p;
}

// For each blocker in order: 2 when a cell segment crosses it, 1 when the
// cell's centre lies behind it within its length; 0 after the last.
int blockerFlag(const KaVector2f32* c, const PreparedBlocker* blockers, unsigned long count)
{
    for (unsigned long i = 0; i < count; ++i) {
        const PreparedBlocker& p = blockers[i];
        // The cell spans c[0] to c[3]; a segment outside that box (or NaN)
        // crosses none of its sides and diagonals.
        const bool near = !(p.maxX < c[0].x || p.minX > c[3].x || p.maxZ < c[0].y || p.minZ > c[3].y);
        if (near && cellCrosses(c, p.a, p.b))
            return 2;
        if (!(p.length > 0.0f))
            continue;
        const KaVector2f32 centre((c[0].x + c[3].x) * 0.5f, (c[0].y + c[3].y) * 0.5f);
        const KaVector2f32 v = centre - p.a;
        const float d = (v.x * p.e.x + v.y * p.e.y) / p.length;
        if (cross2D(v, p.e) < 0.0f && d >= 0.0f && d < p.length)
            return 1;
    }
    return 0;
}

// Whether the segment a-b crosses any of the walls (touching counts). Walls
// whose bounds lie apart from the segment's are skipped unchecked.
bool crossesAny(const KaVector2f32& a, const KaVector2f32& b, const std::vector<PreparedBlocker>& walls)
{
    const float minX = KaMin(a.x, b.x), maxX = KaMax(a.x, b.x);
    const float minZ = KaMin(a.y, b.y), maxZ = KaMax(a.y, b.y);
    for (const PreparedBlocker& wall : walls) {
        if (wall.maxX < minX || wall.minX > maxX || wall.maxZ < minZ || wall.minZ > maxZ)
            continue;
        if (segmentsCross(a, b, wall.a, wall.b))
            return true;
    }
    return false;
}

std::vector<PreparedBlocker> prepareAll(const KaArray<KaFreeMoveZone::BlockerSegment>& segments)
{
    std::vector<PreparedBlocker> prepared;
    for (unsigned long i = 0; i < segments.size(); ++i)
        prepared.push_back(prepare(segments[i].first, segments[i].second));
    return prepared;
}

} // namespace

int KaFreeMoveZone::hasBlockerIntersection(const KaVector2s32& cell)
{
    KaArray<BlockerSegment> segments;
    thisZoneBlockers(segments);
    KaVector2f32 c[4];
    cellCorners(cell.x, cell.y, c);
    const std::vector<PreparedBlocker> prepared = prepareAll(segments);
    return blockerFlag(c, prepared.data(), prepared.size());
}

bool KaFreeMoveZone::hasCellBorderIntersection(const KaVector2s32& cell)
{
    updateBorders();
    KaVector2f32 c[4];
    cellCorners(cell.x, cell.y, c);
    for (unsigned long i = 0; i + 1 < mBorders.size(); i += 2)
        if (cellCrosses(c, floorPoint(mBorders[i]), floorPoint(mBorders[i + 1])))
            return true;
    return false;
}

namespace {

// Calls visit(x, z) for the cells of each grid row that the segment a-b may
// touch: the segment is cut to the row's band (widened by pad) and the cells
// under that piece, widened by one on each side, are visited. The work is
// the length of the segment in cells, whatever its slant, where the cells of
// its bounding box would be the square of it for a long diagonal.
template <class Visit>
void forCellsAlong(const KaVector2f32& a, const KaVector2f32& b, const KaVector2f32& gridMin,
    const KaVector2f32& cell, const KaVector2s32& size, float pad, Visit visit)
{
    if (!finite(a) || !finite(b) || size.x <= 0 || size.y <= 0)
        return;
    const int z0 = clampIndex((KaMin(a.y, b.y) - pad - gridMin.y) / cell.y - 1.0f, size.y);
    const int z1 = clampIndex((KaMax(a.y, b.y) + pad - gridMin.y) / cell.y + 1.0f, size.y);
    const float dz = b.y - a.y;
    for (int z = z0; z <= z1; ++z) {
        const float low = gridMin.y + static_cast<float>(z) * cell.y - pad;
        const float high = low + cell.y + 2.0f * pad;
        float fromX, toX;
        if (std::fabs(dz) <= 1e-12f) {
            if (a.y < low || a.y > high)
                continue;
            fromX = KaMin(a.x, b.x);
            toX = KaMax(a.x, b.x);
        } else {
            float t0 = (low - a.y) / dz;
            float t1 = (high - a.y) / dz;
            if (t0 > t1) {
                const float t = t0;
                t0 = t1;
                t1 = t;
            }
            t0 = KaMax(t0, 0.0f);
            t1 = KaMin(t1, 1.0f);
            if (t0 > t1)
                continue;
            const float xa = a.x + (b.x - a.x) * t0;
            const float xb = a.x + (b.x - a.x) * t1;
            fromX = KaMin(xa, xb);
            toX = KaMax(xa, xb);
        }
        const int x0 = clampIndex((fromX - pad - gridMin.x) / cell.x - 1.0f, size.x);
        const int x1 = clampIndex((toX + pad - gridMin.x) / cell.x + 1.0f, size.x);
        for (int x = x0; x <= x1; ++x)
            visit(x, z);
    }
}

} // namespace

// Marks the cells a border crosses. Only the cells along each border are
// tested: the same answer as testing every border in every cell.
void KaFreeMoveZone::markBorderCells(KaArray<unsigned char>& borderCells)
{
    const KaVector2s32 size = mGraph->size();
    unsigned char* marks = borderCells.data();
    for (unsigned long i = 0; i + 1 < mBorders.size(); i += 2) {
        const KaVector2f32 a = floorPoint(mBorders[i]);
        const KaVector2f32 b = floorPoint(mBorders[i + 1]);
        forCellsAlong(a, b, mGridMin, mCellSize, size, 0.0f, [&](int x, int z) {
            unsigned char& cell = marks[static_cast<unsigned long>(z) * size.x + x];
            if (cell)
                return;
            KaVector2f32 c[4];
            cellCorners(x, z, c);
            if (cellCrosses(c, a, b))
                cell = 1;
        });
    }
}

// Marks the cells whose centre finds floor: the vertical ray through the
// centre (or, in the grid-matrix frame, the 2D point) against each triangle,
// tried only for the cells of each row around the triangle's span in that
// row, so that a long thin triangle costs its length, not its bounding box.
void KaFreeMoveZone::markFloorCells(KaArray<unsigned char>& floorCells)
{
    const KaVector2s32 size = mGraph->size();
    const unsigned long triangles = mPickIndices.size() / 3;
    const KaMatrix4x4 toGrid = mGridMatrix.getInverseMatrix();
    unsigned char* marks = floorCells.data();
    for (unsigned long t = 0; t < triangles; ++t) {
        KaVector3f32 world[3];
        KaVector2f32 grid[3];
        bool valid = true;
        for (int k = 0; k < 3; ++k) {
            const unsigned int index = mPickIndices[3 * t + k];
            if (mGridMatrixMode) {
                valid = valid && index < mVertices.size();
                if (valid) {
                    world[k] = mVertices[index];
                    grid[k] = xz(toGrid * world[k]);
                }
            } else {
                valid = valid && index < mWorldVertices.size();
                if (valid) {
                    world[k] = mWorldVertices[index];
                    grid[k] = xz(world[k]);
                }
            }
        }
        if (!valid || !finite(grid[0]) || !finite(grid[1]) || !finite(grid[2]))
            continue;
        const float minZ = KaMin(grid[0].y, KaMin(grid[1].y, grid[2].y));
        const float maxZ = KaMax(grid[0].y, KaMax(grid[1].y, grid[2].y));
        const int z0 = clampIndex((minZ - mGridMin.y) / mCellSize.y - 1.0f, size.y);
        const int z1 = clampIndex((maxZ - mGridMin.y) / mCellSize.y + 1.0f, size.y);
        // A triangle seen edge-on from above has a span but no inside.
        const bool edgeOn = !(std::fabs(cross2D(grid[1] - grid[0], grid[2] - grid[0])) > 0.0f);
        for (int z = z0; z <= z1; ++z) {
            const float cz = static_cast<float>(z) * mCellSize.y + mGridMin.y + 0.5f * mCellSize.y;
            // The triangle's span along the row's centre line.
            float fromX = kLargestFloat, toX = -kLargestFloat;
            for (int k = 0; k < 3; ++k) {
                const KaVector2f32& p = grid[k];
                const KaVector2f32& q = grid[(k + 1) % 3];
                if (cz < KaMin(p.y, q.y) || cz > KaMax(p.y, q.y))
                    continue;
                if (p.y == q.y) {
                    fromX = KaMin(fromX, KaMin(p.x, q.x));
                    toX = KaMax(toX, KaMax(p.x, q.x));
                    continue;
                }
                const float x = p.x + (cz - p.y) / (q.y - p.y) * (q.x - p.x);
                fromX = KaMin(fromX, x);
                toX = KaMax(toX, x);
            }
            if (fromX > toX)
                continue;
            const int x0 = clampIndex((fromX - mGridMin.x) / mCellSize.x - 1.5f, size.x);
            const int x1 = clampIndex((toX - mGridMin.x) / mCellSize.x + 0.5f, size.x);
            // Centres well inside the span need no test; those near its ends
            // get the exact one, so that a centre on an edge is decided as
            // the ray decides it.
            const float margin = 1e-3f * mCellSize.x + 1e-4f * (std::fabs(fromX) + std::fabs(toX));
            for (int x = x0; x <= x1; ++x) {
                unsigned char& cell = marks[static_cast<unsigned long>(z) * size.x + x];
                if (cell)
                    continue;
                const float cx = static_cast<float>(x) * mCellSize.x + mGridMin.x + 0.5f * mCellSize.x;
                if (!edgeOn && cx > fromX + margin && cx < toX - margin) {
                    cell = 1;
                    continue;
                }
                if (mGridMatrixMode) {
                    const KaVector2f32 p = xz(mGridMatrix * KaVector3f32(cx, 0.0f, cz));
                    if (insideTriangle2D(p, xz(world[0]), xz(world[1]), xz(world[2])))
                        cell = 1;
                    continue;
                }
                KaVector3f32 hit;
                float distance = 0.0f;
                const KaVector3f32 origin(cx, 1000000.0f, cz);
                if ((KaRayIntersection::intersect(
                         origin, KaVector3f32(0.0f, -1.0f, 0.0f), world[0], world[1], world[2], hit, distance)
                            == 1
                        && distance >= 0.0f && distance < kLargestFloat)
                    || (KaRayIntersection::intersect(
                            origin, KaVector3f32(0.0f, 1.0f, 0.0f), world[0], world[1], world[2], hit, distance)
                            == 1
                        && distance >= 0.0f && distance < kLargestFloat))
                    cell = 1;
            }
        }
    }
}

void KaFreeMoveZone::buildAStar()
{
    preUpdateGrid();
    const KaVector2s32 size = AStarResolution();
    mGraph->setSize(size);
    emptyKeepingStorage(mRegions);
    emptyKeepingStorage(mOnFloor);
    mSteps.clear();
    if (size.x == 0 || size.y == 0)
        return;
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    // The border marks go straight into the (cleared) flags and the floor
    // marks into the zone's own per-cell floor test: the flags are then
    // worked out in place, each cell read before it is written.
    markBorderCells(mGraph->flags());
    mOnFloor.resize(cells);
    std::memset(mOnFloor.data(), 0, cells);
    markFloorCells(mOnFloor);
    KaArray<BlockerSegment> segments;
    thisZoneBlockers(segments);
    const std::vector<PreparedBlocker> blockers = prepareAll(segments);

    unsigned char* flags = mGraph->flags().data();
    const unsigned char* floor = mOnFloor.constData();
    if (blockers.empty()) {
        for (unsigned long index = 0; index < cells; ++index)
            flags[index] = flags[index] ? 2 : (floor[index] ? 0 : 1);
    } else {
        for (int z = 0; z < size.y; ++z) {
            for (int x = 0; x < size.x; ++x) {
                const unsigned long index = static_cast<unsigned long>(z) * size.x + x;
                KaVector2f32 c[4];
                cellCorners(x, z, c);
                const int b = blockerFlag(c, blockers.data(), blockers.size());
                if (b == 1)
                    flags[index] = 1;
                else if (flags[index])
                    flags[index] = 2;
                else if (!floor[index])
                    flags[index] = 1;
                else
                    flags[index] = b == 2 ? 2 : 0;
            }
        }
    }
    indexWalls();
    markSteps();
    labelRegions();
}

void KaFreeMoveZone::resetSolver()
{
    // The walks themselves are searched by mSearch over the step masks;
    // the solver stays for callers of the graph interface.
    const KaVector2s32 size = mGraph->size();
    mPather->Reset();
    mSearch.reset(size.x, size.y);
}

// Inline: building the steps and the regions asks it of every cell.
inline bool KaFreeMoveZone::walkableIndex(unsigned long index) const
{
    const unsigned char f = mGraph->flags().constData()[index];
    if (f == 1)
        return false;
    if (index < mCovered.size() && mCovered[index])
        return false;
    return f != 2 || index >= mOnFloor.size() || mOnFloor.constData()[index] != 0;
}

bool KaFreeMoveZone::walkable(const KaVector2s32& cell)
{
    const KaVector2s32 size = mGraph->size();
    if (cell.x < 0 || cell.y < 0 || cell.x >= size.x || cell.y >= size.y)
        return false;
    ensureCellData();
    return walkableIndex(static_cast<unsigned long>(cell.y) * size.x + cell.x);
}

void KaFreeMoveZone::ensureCellData()
{
    const KaVector2s32 size = mGraph->size();
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    if (mOnFloor.size() != cells) {
        // A grid kept from a stored block: its floor test is redone from
        // the (checked) stored floor.
        updateBorders();
        emptyKeepingStorage(mOnFloor);
        mOnFloor.resize(cells);
        if (cells != 0) {
            std::memset(mOnFloor.data(), 0, cells);
            markFloorCells(mOnFloor);
        }
        mSteps.clear();
        emptyKeepingStorage(mRegions);
    }
    if (mSteps.size() != cells) {
        indexWalls();
        markSteps();
        emptyKeepingStorage(mRegions);
    }
    if (mRegions.size() != cells)
        labelRegions();
}

KaVector2f32 KaFreeMoveZone::toGridPlane(const KaVector3f32& point) const
{
    if (!mGridMatrixMode)
        return xz(point);
    return xz(mGridMatrix.getInverseMatrix() * (mInverseWorldMatrix * point));
}

KaVector3f32 KaFreeMoveZone::fromGridPlane(const KaVector2f32& point, const KaVector3f32& like) const
{
    if (!mGridMatrixMode)
        return KaVector3f32(point.x, like.y, point.y);
    KaVector3f32 inGrid = mGridMatrix.getInverseMatrix() * (mInverseWorldMatrix * like);
    inGrid.x = point.x;
    inGrid.z = point.y;
    return const_cast<KaFreeMoveZone*>(this)->worldTransformationMatrix() * (mGridMatrix * inGrid);
}

KaVector2f32 KaFreeMoveZone::cellCentre(long index) const
{
    const long width = mGraph->size().x;
    return KaVector2f32(static_cast<float>(index % width) * mCellSize.x + mGridMin.x + 0.5f * mCellSize.x,
        static_cast<float>(index / width) * mCellSize.y + mGridMin.y + 0.5f * mCellSize.y);
}

long KaFreeMoveZone::cellIndexOf(const KaVector2f32& point) const
{
    const KaVector2s32 size = mGraph->size();
    const float fx = std::floor((point.x - mGridMin.x) / mCellSize.x);
    const float fz = std::floor((point.y - mGridMin.y) / mCellSize.y);
    if (!(fx >= 0.0f && fz >= 0.0f && fx < static_cast<float>(size.x) && fz < static_cast<float>(size.y)))
        return -1;
    return static_cast<long>(fz) * size.x + static_cast<long>(fx);
}

// The border edges (with the triangle each belongs to) and this zone's
// blockers, in the grid plane.
void KaFreeMoveZone::collectWalls(std::vector<BlockerSegment>& walls, std::vector<unsigned int>* triangles) const
{
    walls.clear();
    if (triangles)
        triangles->clear();
    // A border edge is a wall where the floor stops. Two triangles that meet
    // along only part of an edge (a vertex of one in the middle of the
    // other's side) both call it a border: the edge is cut at the ends of
    // the borders that lie on it, and a piece with floor just beyond it is
    // no wall.
    std::vector<KaVector2f32> ends;
    for (unsigned long i = 0; i + 1 < mBorders.size(); i += 2)
        for (int e = 0; e < 2; ++e) {
            const KaVector2f32 p = floorPoint(mBorders[i + e]);
            if (finite(p))
                ends.push_back(p);
        }
    const float probe = 1e-3f * KaMax(mCellSize.x, mCellSize.y);
    std::vector<float> cuts;
    for (unsigned long i = 0; i + 1 < mBorders.size(); i += 2) {
        const KaVector2f32 a = floorPoint(mBorders[i]);
        const KaVector2f32 b = floorPoint(mBorders[i + 1]);
        if (!finite(a) || !finite(b))
            continue;
        const unsigned int t = mBorders[i] / 3;
        const KaVector2f32 e = b - a;
        const float length2 = e.x * e.x + e.y * e.y;
        cuts.assign({ 0.0f, 1.0f });
        for (const KaVector2f32& p : ends) {
            const KaVector2f32 v = p - a;
            const float along = (v.x * e.x + v.y * e.y) / length2;
            if (along > 0.0f && along < 1.0f && std::fabs(cross2D(e, v)) <= 1e-5f * length2)
                cuts.push_back(along);
        }
        std::sort(cuts.begin(), cuts.end());
        // Outwards: away from the centre of the edge's own triangle.
        const KaVector2f32 centre
            = (floorPoint(3 * t) + floorPoint(3 * t + 1) + floorPoint(3 * t + 2)) * (1.0f / 3.0f);
        const float length = std::sqrt(length2);
        KaVector2f32 out = length > 0.0f ? KaVector2f32(e.y, -e.x) * (1.0f / length) : KaVector2f32(0.0f, 0.0f);
        if (cross2D(e, centre - a) * cross2D(e, out) > 0.0f)
            out = out * -1.0f;
        for (size_t k = 0; k + 1 < cuts.size(); ++k) {
            if (!(cuts[k + 1] > cuts[k]))
                continue;
            const KaVector2f32 from = a + e * cuts[k], to = a + e * cuts[k + 1];
            if (onFloorPlane((from + to) * 0.5f + out * probe))
                continue;
            walls.push_back(BlockerSegment { from, to });
            if (triangles)
                triangles->push_back(t);
        }
    }
    // A blocker closes the strip behind it, within its length, however far:
    // the blocker and the strip's two sides, as far as the grid reaches.
    KaArray<BlockerSegment> blockers;
    thisZoneBlockers(blockers);
    const KaVector2f32 extent = mGridMax - mGridMin;
    const float reach = std::sqrt(extent.x * extent.x + extent.y * extent.y) + 2.0f * (mCellSize.x + mCellSize.y);
    for (unsigned long i = 0; i < blockers.size(); ++i) {
        const KaVector2f32 a = blockers[i].first, b = blockers[i].second;
        if (!finite(a) || !finite(b))
            continue;
        walls.push_back(blockers[i]);
        const KaVector2f32 e = b - a;
        const float length = std::sqrt(e.x * e.x + e.y * e.y);
        if (!(length > 0.0f) || !finite(reach))
            continue;
        const KaVector2f32 behind = KaVector2f32(-e.y, e.x) * (reach / length);
        walls.push_back(BlockerSegment { a, a + behind });
        walls.push_back(BlockerSegment { b, b + behind });
    }
    for (const KaVector2f32& centre : mObstacles) {
        KaVector2f32 corners[kObstacleSides];
        obstacleOutline(centre, corners);
        for (int k = 0; k < kObstacleSides; ++k)
            walls.push_back(BlockerSegment { corners[k], corners[(k + 1) % kObstacleSides] });
    }
}

// An octagon round the circle of the radius.
void KaFreeMoveZone::obstacleOutline(const KaVector2f32& centre, KaVector2f32* corners) const
{
    const float reach = mObstacleRadius / std::cos(3.14159265f / kObstacleSides);
    for (int k = 0; k < kObstacleSides; ++k) {
        const float angle = (static_cast<float>(k) + 0.5f) * 6.2831853f / kObstacleSides;
        corners[k] = KaVector2f32(centre.x + reach * std::cos(angle), centre.y + reach * std::sin(angle));
    }
}

// Whether the point lies within a footprint's outline; outside then gets
// the nearest point a hair beyond that outline.
bool KaFreeMoveZone::insideObstacle(const KaVector2f32& point, KaVector2f32* outside) const
{
    for (const KaVector2f32& centre : mObstacles) {
        KaVector2f32 corners[kObstacleSides];
        obstacleOutline(centre, corners);
        bool inside = true;
        for (int k = 0; k < kObstacleSides && inside; ++k)
            inside = cross2D(corners[(k + 1) % kObstacleSides] - corners[k], point - corners[k]) > 0.0f;
        if (!inside)
            continue;
        if (outside) {
            KaVector2f32 away = point - centre;
            float length = std::sqrt(away.x * away.x + away.y * away.y);
            if (!(length > 0.0f)) {
                away = KaVector2f32(1.0f, 0.0f);
                length = 1.0f;
            }
            // The outline lies within reach of the centre in every direction.
            const float reach = mObstacleRadius / std::cos(3.14159265f / kObstacleSides) + kFloorInset;
            *outside = centre + away * (reach / length);
        }
        return true;
    }
    return false;
}

void KaFreeMoveZone::setObstacles(const KaArray<KaVector3f32>& centres, float radius)
{
    std::vector<KaVector2f32> obstacles;
    for (unsigned long i = 0; i < centres.size(); ++i) {
        const KaVector2f32 centre = toGridPlane(centres[i]);
        if (finite(centre) && radius > 0.0f && finite(radius))
            obstacles.push_back(centre);
    }
    if (obstacles.size() == mObstacles.size() && (obstacles.empty() || radius == mObstacleRadius)) {
        bool same = true;
        for (size_t i = 0; i < obstacles.size() && same; ++i)
            same = obstacles[i] == mObstacles[i];
        if (same)
            return;
    }
    mObstacles = obstacles;
    mObstacleRadius = radius;
    // The walls, the steps and the regions are made again at the next use.
    mSteps.clear();
}

namespace {

// How close a wall may come to a cell before the cell lists it, in cells: a
// wall that only touches a cell's side must still stop the steps through it.
const float kWallPad = 1e-3f;

} // namespace

void KaFreeMoveZone::indexWalls()
{
    updateBorders();
    collectWalls(mWalls, &mWallTriangles);
    const KaVector2s32 size = mGraph->size();
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    mWallRowStart.assign(static_cast<unsigned long>(size.y) + 1, 0);
    mWallCells.clear();
    mWallsOfCells.clear();
    if (cells == 0)
        return;
    const float pad = kWallPad * KaMax(mCellSize.x, mCellSize.y);
    mCovered.clear();
    if (!mObstacles.empty()) {
        mCovered.assign(cells, 0);
        const float reach = mObstacleRadius / std::cos(3.14159265f / kObstacleSides);
        for (const KaVector2f32& centre : mObstacles) {
            const int x0 = clampIndex((centre.x - reach - mGridMin.x) / mCellSize.x - 1.0f, size.x);
            const int x1 = clampIndex((centre.x + reach - mGridMin.x) / mCellSize.x + 1.0f, size.x);
            const int z0 = clampIndex((centre.y - reach - mGridMin.y) / mCellSize.y - 1.0f, size.y);
            const int z1 = clampIndex((centre.y + reach - mGridMin.y) / mCellSize.y + 1.0f, size.y);
            for (int z = z0; z <= z1; ++z)
                for (int x = x0; x <= x1; ++x) {
                    const long index = static_cast<long>(z) * size.x + x;
                    if (insideObstacle(cellCentre(index), nullptr))
                        mCovered[static_cast<unsigned long>(index)] = 1;
                }
        }
    }
    // Two passes over the same cells: count per row, then fill each row's
    // entries in the order of the walls.
    std::vector<unsigned int> fill;
    for (int pass = 0; pass < 2; ++pass) {
        for (unsigned int w = 0; w < mWalls.size(); ++w) {
            const BlockerSegment& wall = mWalls[w];
            const PreparedBlocker prepared = prepare(wall.first, wall.second);
            forCellsAlong(wall.first, wall.second, mGridMin, mCellSize, size, pad, [&](int x, int z) {
                KaVector2f32 c[4];
                cellCorners(x, z, c);
                // The wall's bounds against the cell's, widened by the pad.
                if (prepared.maxX < c[0].x - pad || prepared.minX > c[3].x + pad || prepared.maxZ < c[0].y - pad
                    || prepared.minZ > c[3].y + pad)
                    return;
                if (pass == 0) {
                    ++mWallRowStart[static_cast<unsigned long>(z) + 1];
                } else {
                    const unsigned int k = fill[static_cast<unsigned long>(z)]++;
                    mWallCells[k] = static_cast<unsigned int>(static_cast<unsigned long>(z) * size.x + x);
                    mWallsOfCells[k] = w;
                }
            });
        }
        if (pass == 0) {
            for (int z = 0; z < size.y; ++z)
                mWallRowStart[static_cast<unsigned long>(z) + 1] += mWallRowStart[static_cast<unsigned long>(z)];
            mWallCells.assign(mWallRowStart.back(), 0);
            mWallsOfCells.assign(mWallRowStart.back(), 0);
            fill.assign(mWallRowStart.begin(), mWallRowStart.end() - 1);
        }
    }
    // Each row's entries in the order of their cells (a counting sort by
    // column, which keeps the walls of a cell in order).
    const unsigned long width = static_cast<unsigned long>(size.x);
    std::vector<unsigned int> column(width + 1);
    std::vector<unsigned int> sortedCells, sortedWalls;
    for (int z = 0; z < size.y; ++z) {
        const unsigned int from = mWallRowStart[static_cast<unsigned long>(z)];
        const unsigned int to = mWallRowStart[static_cast<unsigned long>(z) + 1];
        if (to - from < 2)
            continue;
        const unsigned long rowStart = static_cast<unsigned long>(z) * width;
        std::fill(column.begin(), column.end(), 0u);
        for (unsigned int k = from; k < to; ++k)
            ++column[mWallCells[k] - rowStart + 1];
        for (unsigned long x = 0; x < width; ++x)
            column[x + 1] += column[x];
        sortedCells.resize(to - from);
        sortedWalls.resize(to - from);
        for (unsigned int k = from; k < to; ++k) {
            const unsigned int at = column[mWallCells[k] - rowStart]++;
            sortedCells[at] = mWallCells[k];
            sortedWalls[at] = mWallsOfCells[k];
        }
        std::copy(sortedCells.begin(), sortedCells.end(), mWallCells.begin() + from);
        std::copy(sortedWalls.begin(), sortedWalls.end(), mWallsOfCells.begin() + from);
    }
}

// A step is taken only between walkable cells whose centres see each other:
// the line between them touches no wall listed in either cell (a diagonal
// step passes through the shared corner, which both cells hold).
//
// The grid is swept a row at a time over three rows of per-cell marks (open,
// and open with walls near), each row with a closed cell at either end so
// that the steps off the grid fall out with the closed ones. The masks come
// from the marks alone; only a step that starts or ends in a cell with walls
// near gets the line test.
void KaFreeMoveZone::markSteps()
{
    const KaVector2s32 size = mGraph->size();
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    if (mWallRowStart.size() != static_cast<unsigned long>(size.y) + 1 || cells == 0) {
        mSteps.assign(cells, 0);
        return;
    }
    // Every cell is written below.
    mSteps.resize(cells);
    const unsigned long width = static_cast<unsigned long>(size.x);
    const unsigned long stride = width + 2;
    std::vector<unsigned char> marks(6 * stride, 0);
    std::vector<unsigned int> starts(3 * (width + 1), 0);
    // open[r] and walled[r] for the rows z - 1, z and z + 1, and where
    // each cell's walls start in that row (cell x holds the entries
    // wallsFrom[r][x] to wallsFrom[r][x + 1] - 1).
    unsigned char* open[3] = { &marks[0], &marks[stride], &marks[2 * stride] };
    unsigned char* walled[3] = { &marks[3 * stride], &marks[4 * stride], &marks[5 * stride] };
    unsigned int* wallsFrom[3] = { &starts[0], &starts[width + 1], &starts[2 * (width + 1)] };
    auto markRow = [&](int z, unsigned char* openRow, unsigned char* walledRow, unsigned int* from) {
        if (z < 0 || z >= size.y) {
            std::memset(openRow, 0, stride);
            std::memset(walledRow, 0, stride);
            return;
        }
        const unsigned long start = static_cast<unsigned long>(z) * width;
        unsigned int k = mWallRowStart[static_cast<unsigned long>(z)];
        const unsigned int rowEnd = mWallRowStart[static_cast<unsigned long>(z) + 1];
        unsigned char any = 0;
        for (unsigned long x = 0; x < width; ++x) {
            from[x] = k;
            while (k < rowEnd && mWallCells[k] == start + x)
                ++k;
            const unsigned char isOpen = walkableIndex(start + x) ? 1 : 0;
            openRow[x + 1] = isOpen;
            walledRow[x + 1] = from[x] != k ? isOpen : 0;
            any = static_cast<unsigned char>(any | walledRow[x + 1]);
        }
        from[width] = k;
        // The first byte (a closed cell for the steps) marks a row with
        // walls near an open cell.
        walledRow[0] = any;
    };
    auto crossesWallOf = [&](const unsigned int* from, long x, const KaVector2f32& a, const KaVector2f32& b) {
        for (unsigned int k = from[x]; k < from[x + 1]; ++k) {
            const BlockerSegment& wall = mWalls[mWallsOfCells[k]];
            if (segmentsCross(a, b, wall.first, wall.second))
                return true;
        }
        return false;
    };
    markRow(-1, open[0], walled[0], wallsFrom[0]);
    markRow(0, open[1], walled[1], wallsFrom[1]);
    long offsets[8];
    for (int k = 0; k < 8; ++k)
        offsets[k] = static_cast<long>(KaGridSearch::kSteps[k][1]) * size.x + KaGridSearch::kSteps[k][0];
    for (int z = 0; z < size.y; ++z) {
        markRow(z + 1, open[2], walled[2], wallsFrom[2]);
        const unsigned char* up = open[0] + 1;
        const unsigned char* mid = open[1] + 1;
        const unsigned char* down = open[2] + 1;
        unsigned char* steps = mSteps.data() + static_cast<unsigned long>(z) * width;
        // Bit k for KaGridSearch::kSteps[k]: +1 in z is the row below.
        for (long x = 0; x < static_cast<long>(width); ++x) {
            const unsigned int mask = mid[x - 1] | down[x - 1] << 1 | down[x] << 2 | down[x + 1] << 3
                | mid[x + 1] << 4 | up[x + 1] << 5 | up[x] << 6 | up[x - 1] << 7;
            steps[x] = static_cast<unsigned char>(mask * mid[x]);
        }
        if (walled[0][0] | walled[1][0] | walled[2][0]) {
            const unsigned char* wallUp = walled[0] + 1;
            const unsigned char* wallMid = walled[1] + 1;
            const unsigned char* wallDown = walled[2] + 1;
            for (long x = 0; x < static_cast<long>(width); ++x) {
                if (!steps[x])
                    continue;
                const unsigned int near = wallMid[x] ? 0xffu
                                                     : (wallMid[x - 1] | wallDown[x - 1] << 1 | wallDown[x] << 2
                                                         | wallDown[x + 1] << 3 | wallMid[x + 1] << 4
                                                         | wallUp[x + 1] << 5 | wallUp[x] << 6 | wallUp[x - 1] << 7);
                unsigned int tested = steps[x] & near;
                if (!tested)
                    continue;
                const unsigned long index = static_cast<unsigned long>(z) * width + static_cast<unsigned long>(x);
                unsigned int mask = steps[x];
                for (int k = 0; tested; ++k, tested >>= 1) {
                    if (!(tested & 1u))
                        continue;
                    const unsigned long next = static_cast<unsigned long>(static_cast<long>(index) + offsets[k]);
                    const KaVector2f32 a = cellCentre(static_cast<long>(index));
                    const KaVector2f32 b = cellCentre(static_cast<long>(next));
                    if (crossesWallOf(wallsFrom[1], x, a, b)
                        || crossesWallOf(wallsFrom[1 + KaGridSearch::kSteps[k][1]], x + KaGridSearch::kSteps[k][0], a, b))
                        mask &= ~(1u << k);
                }
                steps[x] = static_cast<unsigned char>(mask);
            }
        }
        std::swap(open[0], open[1]);
        std::swap(open[1], open[2]);
        std::swap(walled[0], walled[1]);
        std::swap(walled[1], walled[2]);
        std::swap(wallsFrom[0], wallsFrom[1]);
        std::swap(wallsFrom[1], wallsFrom[2]);
    }
}

// Cells that reach each other by steps share a label: a flood from each
// unlabelled walkable cell, in cell order, takes every unlabelled cell its
// steps reach. The flood keeps only its front, in a ring that grows when it
// fills, where a queue of every cell would take as much memory as the labels.
void KaFreeMoveZone::labelRegions()
{
    const KaVector2s32 size = mGraph->size();
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    emptyKeepingStorage(mRegions);
    mRegions.resize(cells);
    if (cells == 0)
        return;
    int* regions = mRegions.data();
    std::fill(regions, regions + cells, -1);
    if (mSteps.size() != cells)
        return;
    const unsigned char* steps = mSteps.data();
    long offsets[8];
    for (int k = 0; k < 8; ++k)
        offsets[k] = static_cast<long>(KaGridSearch::kSteps[k][1]) * size.x + KaGridSearch::kSteps[k][0];
    std::vector<unsigned int> ring(4096);
    unsigned long wrap = ring.size() - 1;
    int label = 0;
    for (unsigned long seed = 0; seed < cells; ++seed) {
        if (regions[seed] != -1 || !walkableIndex(seed))
            continue;
        unsigned long head = 0;
        unsigned long count = 1;
        ring[0] = static_cast<unsigned int>(seed);
        regions[seed] = label;
        while (count != 0) {
            const unsigned int index = ring[head];
            head = (head + 1) & wrap;
            --count;
            const unsigned int step = steps[index];
            for (int k = 0; k < 8; ++k) {
                if (!(step & (1u << k)))
                    continue;
                // A step never leaves the grid, so the offset is the cell.
                const unsigned long next = static_cast<unsigned long>(static_cast<long>(index) + offsets[k]);
                if (regions[next] != -1)
                    continue;
                regions[next] = label;
                if (count == ring.size()) {
                    // Full: the front is laid out again from the start of
                    // a ring twice the size.
                    std::rotate(ring.begin(), ring.begin() + static_cast<long>(head), ring.end());
                    head = 0;
                    ring.resize(ring.size() * 2);
                    wrap = ring.size() - 1;
                }
                ring[(head + count) & wrap] = static_cast<unsigned int>(next);
                ++count;
            }
        }
        ++label;
    }
}


int KaFreeMoveZone::region(const KaVector2s32& cell)
{
    const KaVector2s32 size = mGraph->size();
    if (cell.x < 0 || cell.y < 0 || cell.x >= size.x || cell.y >= size.y)
        return -1;
    ensureCellData();
    return mRegions[static_cast<unsigned long>(cell.y) * size.x + cell.x];
}

void KaFreeMoveZone::calcGridMatrix()
{
    float angle = 0.0f;
    float total = 0.0f;
    for (unsigned long i = 0; i + 1 < mBorders.size(); i += 2) {
        KaVector3f32 a, b;
        if (mBorders[i] >= mPickIndices.size() || mBorders[i + 1] >= mPickIndices.size())
            continue;
        const unsigned int ia = mPickIndices[mBorders[i]];
        const unsigned int ib = mPickIndices[mBorders[i + 1]];
        if (ia >= mVertices.size() || ib >= mVertices.size())
            continue;
        const KaVector3f32 d = mVertices[ib] - mVertices[ia];
        float alpha = normalizeAngle(std::atan2(d.z, d.x));
        const float length = std::sqrt(d.x * d.x + d.z * d.z);
        if (alpha - angle > kQuarterPi)
            alpha -= kHalfPi;
        else if (alpha - angle < -kQuarterPi)
            angle -= kHalfPi;
        if (total + length > 0.0f)
            angle = normalizeAngle((alpha * length + angle * total) / (total + length));
        total += length;
    }
    mGridMatrix.setIdentity();
    mGridMatrix.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), angle));
}

KaVector2s32 KaFreeMoveZone::projectOnAStarGrid(const KaVector3f32& point)
{
    KaVector3f32 p = point;
    if (mGridMatrixMode)
        p = mGridMatrix.getInverseMatrix() * (mInverseWorldMatrix * point);
    return KaVector2s32(
        truncateToCell((p.x - mGridMin.x) / mCellSize.x), truncateToCell((p.z - mGridMin.y) / mCellSize.y));
}

KaVector3f32 KaFreeMoveZone::transformAStarGridInWorldSpace(const KaVector2s32& cell)
{
    const KaVector3f32 centre(static_cast<float>(cell.x) * mCellSize.x + mGridMin.x + 0.5f * mCellSize.x, mGridHeight,
        static_cast<float>(cell.y) * mCellSize.y + mGridMin.y + 0.5f * mCellSize.y);
    if (!mGridMatrixMode)
        return centre;
    return worldTransformationMatrix() * (mGridMatrix * centre);
}

bool KaFreeMoveZone::lineClear(const KaVector2f32& a, const KaVector2f32& b) const
{
    const float minX = KaMin(a.x, b.x), maxX = KaMax(a.x, b.x);
    const float minZ = KaMin(a.y, b.y), maxZ = KaMax(a.y, b.y);
    for (const BlockerSegment& wall : mWalls) {
        if (KaMax(wall.first.x, wall.second.x) < minX || KaMin(wall.first.x, wall.second.x) > maxX
            || KaMax(wall.first.y, wall.second.y) < minZ || KaMin(wall.first.y, wall.second.y) > maxZ)
            continue;
        if (segmentsCross(a, b, wall.first, wall.second))
            return false;
    }
    return true;
}

bool KaFreeMoveZone::onFloorPlane(const KaVector2f32& point) const
{
    const unsigned long triangles = mPickIndices.size() / 3;
    for (unsigned long t = 0; t < triangles; ++t) {
        const KaVector2f32 a = floorPoint(static_cast<unsigned int>(3 * t));
        const KaVector2f32 b = floorPoint(static_cast<unsigned int>(3 * t + 1));
        const KaVector2f32 c = floorPoint(static_cast<unsigned int>(3 * t + 2));
        if (finite(a) && finite(b) && finite(c) && insideTriangle2D(point, a, b, c))
            return true;
    }
    return false;
}

// The floor point nearest to a point off the floor, a hair inside the
// floor so that the walk to it does not graze the border; false when the
// point is more than a cell from the floor.
bool KaFreeMoveZone::nearestFloorPoint(const KaVector2f32& point, KaVector2f32& nearest, float* distance) const
{
    // The walls of the cell data when it is current; made here otherwise.
    std::vector<BlockerSegment> made;
    std::vector<unsigned int> madeTriangles;
    const KaVector2s32 size = mGraph->size();
    const bool current = size.x > 0 && mSteps.size() == static_cast<unsigned long>(size.x) * size.y;
    if (!current)
        collectWalls(made, &madeTriangles);
    const std::vector<BlockerSegment>& walls = current ? mWalls : made;
    const std::vector<unsigned int>& triangles = current ? mWallTriangles : madeTriangles;
    float best = kLargestFloat;
    long bestWall = -1;
    for (unsigned long w = 0; w < triangles.size(); ++w) {
        const KaVector2f32 a = walls[w].first;
        const KaVector2f32 e = walls[w].second - a;
        const float length = e.x * e.x + e.y * e.y;
        float t = length > 0.0f ? ((point.x - a.x) * e.x + (point.y - a.y) * e.y) / length : 0.0f;
        t = KaMax(0.0f, KaMin(1.0f, t));
        const KaVector2f32 q(a.x + e.x * t, a.y + e.y * t);
        const float d = (q.x - point.x) * (q.x - point.x) + (q.y - point.y) * (q.y - point.y);
        if (d < best) {
            best = d;
            bestWall = static_cast<long>(w);
            nearest = q;
        }
    }
    const float reach = KaMax(mCellSize.x, mCellSize.y);
    if (bestWall < 0 || !(best <= reach * reach))
        return false;
    if (distance)
        *distance = std::sqrt(best);
    // Inward: towards the centre of the border's own triangle.
    const unsigned int t = triangles[static_cast<unsigned long>(bestWall)];
    const KaVector2f32 centre = (floorPoint(3 * t) + floorPoint(3 * t + 1) + floorPoint(3 * t + 2)) * (1.0f / 3.0f);
    const KaVector2f32 in = centre - nearest;
    const float inLength = std::sqrt(in.x * in.x + in.y * in.y);
    if (inLength > 0.0f && finite(inLength))
        nearest = nearest + in * (KaMin(kFloorInset, 0.5f * inLength) / inLength);
    return true;
}

// A point of the floor lying on its very border (a dummy at a doorway's
// end, a walk that ended there) touches a wall, and a line from it crosses
// that wall by the crossing test's rule: it is taken a hair inside.
KaVector2f32 KaFreeMoveZone::offTheBorder(const KaVector2f32& point) const
{
    KaVector2f32 inside;
    float distance = kLargestFloat;
    if (finite(point) && nearestFloorPoint(point, inside, &distance) && distance < kFloorInset)
        return inside;
    return point;
}

// The walkable cell near the point whose centre the point sees, nearest
// first, among the cells of the given region (any region when negative);
// -1 when there is none within two cells.
long KaFreeMoveZone::visibleCell(const KaVector2f32& point, int region) const
{
    const KaVector2s32 size = mGraph->size();
    if (!finite(point))
        return -1;
    const int cx = clampIndex((point.x - mGridMin.x) / mCellSize.x, size.x);
    const int cz = clampIndex((point.y - mGridMin.y) / mCellSize.y, size.y);
    long best = -1;
    float bestDistance = kLargestFloat;
    for (int z = KaMax(0, cz - 2); z <= KaMin(size.y - 1, cz + 2); ++z) {
        for (int x = KaMax(0, cx - 2); x <= KaMin(size.x - 1, cx + 2); ++x) {
            const long index = static_cast<long>(z) * size.x + x;
            if (!walkableIndex(static_cast<unsigned long>(index)))
                continue;
            if (region >= 0 && mRegions[static_cast<unsigned long>(index)] != region)
                continue;
            const KaVector2f32 centre = cellCentre(index);
            const float d = (centre.x - point.x) * (centre.x - point.x) + (centre.y - point.y) * (centre.y - point.y);
            if (d < bestDistance && lineClear(point, centre)) {
                bestDistance = d;
                best = index;
            }
        }
    }
    return best;
}

KaIntrusivePtr<KaBezierCurve> KaFreeMoveZone::curve(const KaVector3f32& from, const KaVector3f32& to)
{
    updateGrid(false);
    const KaVector2s32 size = mGraph->size();
    if (size.x <= 0 || size.y <= 0)
        return KaIntrusivePtr<KaBezierCurve>();
    ensureCellData();
    const unsigned long cells = static_cast<unsigned long>(size.x) * static_cast<unsigned long>(size.y);
    if (mSteps.size() != cells || mRegions.size() != cells)
        return KaIntrusivePtr<KaBezierCurve>();

    // The end: on the floor, or brought onto it when the click is near.
    KaVector2f32 goal = toGridPlane(to);
    if (!finite(goal))
        return KaIntrusivePtr<KaBezierCurve>();
    KaVector3f32 target = to;
    KaVector2f32 outside;
    if (insideObstacle(goal, &outside)) {
        goal = outside;
        target = fromGridPlane(outside, to);
    }
    if (!onFloorPlane(goal)) {
        KaVector2f32 nearest;
        if (!nearestFloorPoint(goal, nearest))
            return KaIntrusivePtr<KaBezierCurve>();
        goal = nearest;
        target = fromGridPlane(nearest, to);
    } else {
        // The walk still ends where it was asked to; only what the end sees
        // is judged from a hair inside.
        goal = offTheBorder(goal);
    }
    // A start inside a footprint (the character pressed against another)
    // is walked out of it first: the walk goes on from its edge.
    KaVector2f32 start = toGridPlane(from);
    KaVector2f32 leaveAt;
    if (finite(start) && insideObstacle(start, &leaveAt))
        start = leaveAt;
    if (finite(start) && onFloorPlane(start))
        start = offTheBorder(start);
    const bool startOnFloor = finite(start) && onFloorPlane(start);

    KaArray<KaVector3f32> points;
    points.pushBack(from);
    // Nothing between them: the walk is the straight line.
    if (mSmoothPaths && startOnFloor && lineClear(start, goal)) {
        points.pushBack(target);
        KaIntrusivePtr<KaBezierCurve> result(new KaBezierCurve());
        const KaVector2s32 a = projectOnAStarGrid(from), b = projectOnAStarGrid(target);
        result->setControlPoints(a == b ? removeInsignificantPoints(points) : points);
        return result;
    }

    // The cell the walk starts from: one the start sees, or, for a start
    // off the floor, the nearest walkable cell.
    long startCell = startOnFloor ? visibleCell(start, -1) : -1;
    if (startCell < 0 && !startOnFloor) {
        const int cx = clampIndex(finite(start.x) ? (start.x - mGridMin.x) / mCellSize.x : 0.0f, size.x);
        const int cz = clampIndex(finite(start.y) ? (start.y - mGridMin.y) / mCellSize.y : 0.0f, size.y);
        float bestDistance = kLargestFloat;
        for (int z = KaMax(0, cz - 2); z <= KaMin(size.y - 1, cz + 2); ++z)
            for (int x = KaMax(0, cx - 2); x <= KaMin(size.x - 1, cx + 2); ++x) {
                const long index = static_cast<long>(z) * size.x + x;
                const float d = static_cast<float>((x - cx) * (x - cx) + (z - cz) * (z - cz));
                if (walkableIndex(static_cast<unsigned long>(index)) && d < bestDistance) {
                    bestDistance = d;
                    startCell = index;
                }
            }
    }
    if (startCell < 0)
        return KaIntrusivePtr<KaBezierCurve>();
    // The cell the walk ends from: one the end sees and the start reaches;
    // the labels answer an end out of reach without a search.
    const long goalCell = visibleCell(goal, mRegions[static_cast<unsigned long>(startCell)]);
    if (goalCell < 0)
        return KaIntrusivePtr<KaBezierCurve>();

    std::vector<int> path;
    if (!mSearch.search(static_cast<int>(startCell), static_cast<int>(goalCell), mSteps.data(),
            mGraph->flags().constData(), mGraph->searchBorderCost(), path))
        return KaIntrusivePtr<KaBezierCurve>();
    points.reserve(path.size() + 2);
    for (int cell : path)
        points.pushBack(transformAStarGridInWorldSpace(KaVector2s32(cell % size.x, cell / size.x)));
    points.pushBack(target);
    KaIntrusivePtr<KaBezierCurve> result(new KaBezierCurve());
    result->setControlPoints(removeInsignificantPoints(points));
    return result;
}

KaIntrusivePtr<KaBezierCurve> KaFreeMoveZone::curve(
    const KaVector3f32& from, const KaVector2s32& screen, float, bool firstHit)
{
    updateGrid(false);
    if (!mCamera)
        return KaIntrusivePtr<KaBezierCurve>();
    KaArray<KaPickMesh2*> meshes;
    meshes.pushBack(this);
    KaVector3f32 hit;
    if (findNearestMesh(mCamera, screen, meshes, &hit, firstHit) != this)
        return KaIntrusivePtr<KaBezierCurve>();
    return curve(from, hit);
}

KaArray<KaVector3f32> KaFreeMoveZone::removeInsignificantPoints(KaArray<KaVector3f32> points)
{
    const unsigned long n = points.size();
    if (!mSmoothPaths || n < 2)
        return points;
    updateBorders();
    // The walls a straight walk must not cross: the borders and this zone's
    // blockers, in the plane of the grid (the world's x and z, or the
    // frame of the grid matrix).
    std::vector<BlockerSegment> made;
    const KaVector2s32 size = mGraph->size();
    const bool current = size.x > 0 && mSteps.size() == static_cast<unsigned long>(size.x) * size.y;
    if (!current)
        collectWalls(made, nullptr);
    const std::vector<BlockerSegment>& segments = current ? mWalls : made;
    std::vector<PreparedBlocker> walls;
    walls.reserve(segments.size());
    for (const BlockerSegment& segment : segments)
        walls.push_back(prepare(segment.first, segment.second));
    std::vector<KaVector2f32> plane(n);
    for (unsigned long i = 0; i < n; ++i)
        plane[i] = toGridPlane(points[i]);

    // Each leg of the result is either a leg of the list or a line tested
    // here, so a list whose own legs are clear gives a clear walk.
    KaArray<KaVector3f32> result;
    result.reserve(n);
    result.pushBack(points[0]);
    unsigned long anchor = 0;
    for (unsigned long i = 2; i < n; ++i) {
        if (crossesAny(plane[anchor], plane[i], walls)) {
            result.pushBack(points[i - 1]);
            anchor = i - 1;
        }
    }
    // Start and end in one cell: the walk is the end point alone.
    if (n == 2)
        result.last() = points[1];
    else
        result.pushBack(points[n - 1]);
    return result;
}

// ---------------------------------------------------------------------------
// Queries

KaVector3f32 KaFreeMoveZone::correctCharacterPosition(const KaVector3f32& position, bool* found, bool firstHit)
{
    updatePickMesh();
    const KaVector3f32 origin(position.x, 0.0f, position.z);
    KaVector3f32 hit;
    float distance = 0.0f;
    if (intersect(origin, KaVector3f32(0.0f, -1.0f, 0.0f), hit, distance, firstHit, nullptr)
        || intersect(origin, KaVector3f32(0.0f, 1.0f, 0.0f), hit, distance, firstHit, nullptr)) {
        if (found)
            *found = true;
        return hit;
    }
    if (found)
        *found = false;
    return position;
}

int KaFreeMoveZone::compareCollidePointDistance(const CollidePoint& a, const CollidePoint& b)
{
    if (a.distance > b.distance)
        return 1;
    if (a.distance == b.distance)
        return 0;
    return -1;
}

KaArray<KaVector3f32> KaFreeMoveZone::collisions(const KaVector3f32& from, const KaVector2f32& screen)
{
    KaArray<KaVector3f32> positions;
    updatePickMesh();
    updateProjectedPoints();
    if (!mCamera)
        return positions;
    KaVector2f32 start = mCamera->projectPoint(from);
    start.y = static_cast<float>(mCamera->viewportHeight()) - start.y;
    KaArray<CollidePoint> found;
    const unsigned long triangles = mProjectedPoints.size() / 3;
    for (unsigned long t = 0; t < triangles; ++t) {
        for (unsigned long k = 0; k < 3; ++k) {
            const unsigned long i = 3 * t + k;
            const unsigned long j = 3 * t + (k + 1) % 3;
            float u = 0.0f;
            if (segmentIntersection(start, screen, mProjectedPoints[i], mProjectedPoints[j], nullptr, nullptr, &u) != 2)
                continue;
            const unsigned int vi = mPickIndices[i];
            const unsigned int vj = mPickIndices[j];
            if (vi >= mWorldVertices.size() || vj >= mWorldVertices.size())
                continue;
            const KaVector3f32 a = mWorldVertices[vi];
            const KaVector3f32 b = mWorldVertices[vj];
            makeRoom(found, found.size() + 1);
            CollidePoint point;
            point.position = a + (b - a) * u;
            point.distance = (point.position - from).squaredLength();
            found.pushBack(point);
        }
    }
    // Insertion sort: stable, and the lists are short.
    for (unsigned long i = 1; i < found.size(); ++i) {
        const CollidePoint moving = found[i];
        unsigned long j = i;
        while (j > 0 && compareCollidePointDistance(found[j - 1], moving) > 0) {
            found[j] = found[j - 1];
            --j;
        }
        found[j] = moving;
    }
    positions.reserve(found.size());
    for (unsigned long i = 0; i < found.size(); ++i)
        positions.pushBack(found[i].position);
    return positions;
}

KaVector3f32 KaFreeMoveZone::findNearestPointOnBorder(const KaVector2f32& screen)
{
    KaVector3f32 result(0.0f, 0.0f, 0.0f);
    if (!mCamera)
        return result;
    // Across the camera's viewport, which need not start at the window's
    // corner (a letterboxed scene).
    const float left = static_cast<float>(mCamera->viewportX());
    const float bottom = static_cast<float>(mCamera->viewportY());
    const float width = static_cast<float>(mCamera->viewportWidth());
    const float height = static_cast<float>(mCamera->viewportHeight());
    const KaVector2f32 lines[2][2]
        = { { KaVector2f32(screen.x, bottom), KaVector2f32(screen.x, bottom + height) },
              { KaVector2f32(left, screen.y), KaVector2f32(left + width, screen.y) } };
    updateProjectedPoints();
    updateBorders();
    float best = kLargestFloat;
    for (unsigned long p = 0; p + 1 < mBorders.size(); p += 2) {
        const unsigned int i = mBorders[p];
        const unsigned int j = mBorders[p + 1];
        if (i >= mProjectedPoints.size() || j >= mProjectedPoints.size())
            continue;
        const unsigned int vi = mPickIndices[i];
        const unsigned int vj = mPickIndices[j];
        if (vi >= mWorldVertices.size() || vj >= mWorldVertices.size())
            continue;
        for (const auto& line : lines) {
            KaVector2f32 hit;
            float u = 0.0f;
            if (segmentIntersection(line[0], line[1], mProjectedPoints[i], mProjectedPoints[j], &hit, nullptr, &u) != 2)
                continue;
            const float distance = (hit - screen).squaredLength();
            if (distance < best) {
                result = mWorldVertices[vi] + (mWorldVertices[vj] - mWorldVertices[vi]) * u;
                best = distance;
            }
        }
    }
    return result;
}

float KaFreeMoveZone::normalizeAngle(float angle)
{
    float remainder = std::fmod(angle, kHalfPi);
    if (remainder < 0.0f)
        remainder += kHalfPi;
    return remainder;
}

KaVector3f32 KaFreeMoveZone::transformVectorInWorldSpace(float x, float z)
{
    return worldTransformationMatrix() * (mGridMatrix * KaVector3f32(x, mGridHeight, z));
}

float KaFreeMoveZone::transformHeightMin(float height)
{
    return (worldTransformationMatrix() * KaVector3f32(mGridMin.x, height, mGridMin.y)).y;
}

// ---------------------------------------------------------------------------
// Debug overlay

void KaFreeMoveZone::draw()
{
    if (!worldVisible())
        return;
    KaRenderer* r = renderer.get();
    const KaColor saved = r->currentColor();
    r->enableWireFrame();
    KaPickMesh2::draw();

    updateBorders();
    const KaMatrix4x4 world = worldTransformationMatrix();
    auto drawBorders = [&]() {
        for (unsigned long p = 0; p + 1 < mBorders.size(); p += 2) {
            const unsigned int i = mBorders[p];
            const unsigned int j = mBorders[p + 1];
            if (i >= mPickIndices.size() || j >= mPickIndices.size())
                continue;
            const unsigned int vi = mPickIndices[i];
            const unsigned int vj = mPickIndices[j];
            if (vi < mVertices.size() && vj < mVertices.size())
                r->drawLine(mVertices[vi], mVertices[vj]);
        }
    };
    r->setCurrentColor(KaColor(0, 0, 255, 255));
    r->pushMatrix();
    r->multiplyMatrix(world);
    drawBorders();
    r->popMatrix();

    if (!mGridDirty) {
        const KaVector2s32 size = mGraph->size();
        for (int z = 0; z < size.y; ++z) {
            for (int x = 0; x < size.x; ++x) {
                const unsigned char f = mGraph->flag(KaVector2s32(x, z));
                KaVector2f32 c[4];
                cellCorners(x, z, c);
                const KaVector3f32 p00(c[0].x, mGridHeight, c[0].y);
                const KaVector3f32 p10(c[1].x, mGridHeight, c[1].y);
                const KaVector3f32 p01(c[2].x, mGridHeight, c[2].y);
                const KaVector3f32 p11(c[3].x, mGridHeight, c[3].y);
                const KaColor colour = f == 1 ? KaColor(255, 255, 255, 255)
                                              : (f == 2 ? KaColor(255, 255, 0, 255) : KaColor(0, 255, 0, 255));
                r->setCurrentColor(colour);
                r->drawLine(p00, p10);
                r->drawLine(p10, p11);
                if (f == 1 || f == 2) {
                    r->drawLine(p00, p11);
                    r->drawLine(p10, p01);
                }
            }
        }
    }

    ++sOverlayFrame;
    const bool phase = (sOverlayFrame / 15) % 2 == 1;
    const KaString zoneName = name();
    const KaMatrix4x4 gridToWorld = world * mGridMatrix;
    r->pushMatrix();
    if (mGridMatrixMode)
        r->multiplyMatrix(gridToWorld);
    drawBorders();
    if (mActZones) {
        r->setCurrentColor(phase ? KaColor(128, 255, 128, 255) : KaColor(0, 0, 0, 255));
        for (unsigned long i = 0; i < mActZones->size(); ++i) {
            const KaActZone& zone = (*mActZones)[i];
            if (zone.zoneName != zoneName)
                continue;
            for (int k = 0; k < 4; ++k) {
                const KaVector2f32& a = zone.corners[k];
                const KaVector2f32& b = zone.corners[(k + 1) % 4];
                r->drawLine(KaVector3f32(a.x, mGridHeight, a.y), KaVector3f32(b.x, mGridHeight, b.y));
            }
        }
    }
    r->popMatrix();

    if (mBlockers) {
        r->pushMatrix();
        if (mGridMatrixMode)
            r->multiplyMatrix(gridToWorld);
        r->setCurrentColor(phase ? KaColor(255, 128, 128, 255) : KaColor(0, 0, 255, 255));
        for (unsigned long i = 0; i < mBlockers->size(); ++i) {
            const KaBlocker& blocker = (*mBlockers)[i];
            if (blocker.zoneName != zoneName)
                continue;
            KaVector3f32 a(blocker.first.x, mGridHeight, blocker.first.y);
            KaVector3f32 b(blocker.second.x, mGridHeight, blocker.second.y);
            const KaVector3f32 e = b - a;
            const KaVector3f32 n = KaVector3f32(-e.z, 0.0f, e.x) * 0.005f;
            for (int k = 0; k < 3; ++k) {
                r->drawLine(a, b);
                a += n;
                b += n;
            }
            r->drawLine(a, a + n * 100.0f);
            r->drawLine(b, b + n * 100.0f);
        }
        r->popMatrix();
    }
    if (mRectBlockers) {
        r->pushMatrix();
        if (mGridMatrixMode)
            r->multiplyMatrix(gridToWorld);
        r->setCurrentColor(phase ? KaColor(128, 128, 255, 255) : KaColor(0, 0, 0, 255));
        for (unsigned long i = 0; i < mRectBlockers->size(); ++i) {
            const KaRectBlocker& blocker = (*mRectBlockers)[i];
            if (blocker.zoneName != zoneName)
                continue;
            for (int k = 0; k < 4; ++k) {
                const KaVector2f32& a = blocker.corners[k];
                const KaVector2f32& b = blocker.corners[(k + 1) % 4];
                r->drawLine(KaVector3f32(a.x, mGridHeight, a.y), KaVector3f32(b.x, mGridHeight, b.y));
            }
        }
        r->popMatrix();
    }
    r->disableWireFrame();
    r->setCurrentColor(saved);
}
