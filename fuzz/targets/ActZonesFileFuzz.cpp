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

    // Compared as written, so that corners that are not numbers compare too.
    KaStream first;
    KaFuzzCheck(ActZonesFile::write(first, zones), "written");
    first.seek(0);
    KaArray<KaActZone> again;
    KaFuzzCheck(ActZonesFile::read(first, again), "a written file loads");
    KaStream second;
    ActZonesFile::write(second, again);
    KaFuzzCheck(KaFuzzSameBytes(first, second), "a written file reads back the same");
    return 0;
}
