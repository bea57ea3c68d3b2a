// The walkable-zone block of a scene's geometry file, in both stream modes;
// a zone that loads is then used as the game uses it: paths between points
// of its floor and off it, position snapping, act zones, and written again.

#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "fuzz/support/KaFuzzSupport.h"
#include <initializer_list>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// A floor that spans thousands of cells builds a grid of millions: right,
// but seconds under the fuzzer's instrumentation. The unit tests and the
// benchmarks cover those; here such floors only go through the cheap calls.
// The grid a zone will use is measured on a copy loaded from the same bytes.
bool smallGrid(const uint8_t* data, size_t size, KaStream::Mode mode)
{
    KaStream stream;
    stream.setMode(mode);
    KaFuzzFillStream(stream, data, size);
    KaFreeMoveZone probe;
    if (!KaFreeMoveZone::deserialize(stream, probe, nullptr, nullptr, nullptr))
        return true;
    if (probe.gridDirty())
        probe.preUpdateGrid();
    const KaVector2s32 cells = probe.gridDirty() ? probe.AStarResolution() : probe.graph().size();
    return static_cast<double>(cells.x) * cells.y <= 40000.0;
}

void use(KaFreeMoveZone& zone, bool small)
{
    if (!small) {
        bool found = false;
        (void)zone.correctCharacterPosition(KaVector3f32(1.0f, 0.0f, 1.0f), &found, true);
        (void)zone.isInZone(KaVector3f32(1.0f, 0.0f, 1.0f));
        return;
    }
    KaArray<KaVector3f32> probes;
    const KaArray<KaVector3f32>& vertices = zone.vertices();
    for (unsigned long i = 0; i < vertices.size() && i < 3; ++i)
        probes.pushBack(vertices[i]);
    probes.pushBack(KaVector3f32(0.0f, 0.0f, 0.0f));
    probes.pushBack(KaVector3f32(-1e6f, 0.0f, 1e6f));
    for (unsigned long i = 0; i + 1 < probes.size(); ++i) {
        KaIntrusivePtr<KaBezierCurve> curve = zone.curve(probes[i], probes[i + 1]);
        if (curve)
            KaFuzzCheck(curve->controlPoints().size() >= 1, "a found walk has points");
        bool found = false;
        (void)zone.correctCharacterPosition(probes[i], &found, true);
        (void)zone.isInZone(probes[i]);
    }
    KaStream out;
    KaFreeMoveZone::serialize(out, zone, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "floor";
    blocker.first = KaVector2f32(0.0f, 30.0f);
    blocker.second = KaVector2f32(20.0f, 30.0f);
    blockers.pushBack(blocker);
    KaArray<KaActZone> actZones;
    KaActZone act;
    act.zoneName = "floor";
    act.name = "door";
    act.corners[1] = KaVector2f32(10.0f, 0.0f);
    act.corners[2] = KaVector2f32(10.0f, 10.0f);
    act.corners[3] = KaVector2f32(0.0f, 10.0f);
    actZones.pushBack(act);

    for (KaStream::Mode mode : { KaStream::Binary, KaStream::Text }) {
        KaStream stream;
        stream.setMode(mode);
        KaFuzzFillStream(stream, data, size);
        KaFreeMoveZone zone;
        zone.setName("before");
        if (KaFreeMoveZone::deserialize(stream, zone, &blockers, nullptr, &actZones))
            use(zone, smallGrid(data, size, mode));
        else
            KaFuzzCheck(zone.name() == KaString("before"), "a refused block leaves the zone as it was");
    }
    return 0;
}
