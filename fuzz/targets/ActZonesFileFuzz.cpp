// A scene's "actions.bin": a refused file gives no act zones; one that loads
// gives enabled zones and reads back the same once written again.

#include "engine/core/KaStream.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/scene/ActZonesFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

bool sameZones(const KaArray<KaActZone>& a, const KaArray<KaActZone>& b)
{
    if (a.size() != b.size())
        return false;
    for (unsigned long i = 0; i < a.size(); ++i) {
        if (a[i].zoneName != b[i].zoneName || a[i].name != b[i].name || a[i].flag != b[i].flag
            || a[i].active != b[i].active)
            return false;
        for (int k = 0; k < 4; ++k)
            if (KaMemcmp(&a[i].corners[k], &b[i].corners[k], sizeof(KaVector2f32)) != 0)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaStream stream;
    KaFuzzFillStream(stream, data, size);
    KaArray<KaActZone> zones;
    zones.pushBack(KaActZone());
    if (!ActZonesFile::read(stream, zones)) {
        KaFuzzCheck(zones.size() == 0, "a refused file gives no act zones");
        return 0;
    }
    for (unsigned long i = 0; i < zones.size(); ++i)
        KaFuzzCheck(zones[i].active, "every act zone read is enabled");
    KaStream out;
    KaFuzzCheck(ActZonesFile::write(out, zones), "written");
    out.seek(0);
    KaArray<KaActZone> again;
    KaFuzzCheck(ActZonesFile::read(out, again), "a written file loads");
    KaFuzzCheck(sameZones(zones, again), "a written file reads back the same");
    return 0;
}
