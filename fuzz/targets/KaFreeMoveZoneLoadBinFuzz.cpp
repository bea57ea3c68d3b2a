// The older stand-alone zone file (transform, shared vertices, 16-bit
// triangle indices), from a stream and from a file; a zone that loads has
// its grid built in the frame of its borders and, when read from the
// stream, answers paths.

#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

const long kMaxSearchedCells = 21 * 500;

void use(KaFreeMoveZone& zone, bool paths)
{
    const KaVector2s32 size = zone.graph().size();
    KaFuzzCheck(size.x <= KaFreeMoveZone::kMaxCellsPerSide && size.y <= KaFreeMoveZone::kMaxCellsPerSide,
        "the grid stays within its largest size");
    // Paths are asked across grids of a room's size. A search across the
    // largest automatic grid (21 x 2000 cells, a floor a hundred times longer
    // than wide) explores tens of thousands of cells: a second under the
    // sanitizers, which is the path search's speed (bench/), not a fault of
    // the reader, and would make every such kept input a slow one.
    if (!paths || static_cast<long>(size.x) * size.y > kMaxSearchedCells)
        return;
    const KaArray<KaVector3f32>& vertices = zone.vertices();
    const KaMatrix4x4 world = zone.worldTransformationMatrix();
    for (unsigned long i = 0; i + 1 < vertices.size() && i < 2; ++i) {
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(world * vertices[i], world * vertices[i + 1]);
        if (curve)
            KaFuzzCheck(curve->controlPoints().size() >= 1, "a found walk has points");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "zone";
    blocker.first = KaVector2f32(0.0f, 1.0f);
    blocker.second = KaVector2f32(2.0f, 1.0f);
    blockers.pushBack(blocker);

    KaStream stream;
    KaFuzzFillStream(stream, data, size);
    KaFreeMoveZone zone;
    zone.setName("zone");
    KaVector2f32 automatic(0.0f, 0.0f);
    if (zone.loadBin(stream, &blockers, automatic))
        use(zone, true);
    else
        KaFuzzCheck(zone.vertices().size() == 0, "a refused file leaves the zone as it was");

    // A fixed cell size would make a floor of huge extent a grid of
    // millions of cells: seconds each under the fuzzer. The automatic size
    // keeps the grid at most 21 cells on the floor's narrower side, and
    // 2000 on the other: a search across such a grid takes a few tenths of
    // a second under the sanitizers, so the same zone read from its file
    // (the same reader behind the file layer) is not searched again.
    KaFreeMoveZone fromFile;
    if (fromFile.loadBin(KaFuzzWriteFile("zone.bin", data, size), &blockers, automatic))
        use(fromFile, false);
    return 0;
}
