// A scene's "blockers.bin" in either layout: a refused file gives no
// blockers; one that loads gives enabled records and reads back the same once
// written again.

#include "engine/core/KaStream.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/scene/BlockersFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaStream stream;
    KaFuzzFillStream(stream, data, size);
    KaArray<KaBlocker> blockers;
    KaArray<KaRectBlocker> rects;
    blockers.pushBack(KaBlocker());
    rects.pushBack(KaRectBlocker());
    if (!BlockersFile::read(stream, blockers, rects)) {
        KaFuzzCheck(blockers.size() == 0 && rects.size() == 0, "a refused file gives no blockers");
        return 0;
    }
    for (unsigned long i = 0; i < blockers.size(); ++i)
        KaFuzzCheck(blockers[i].enabled, "every blocker read is enabled");
    for (unsigned long i = 0; i < rects.size(); ++i)
        KaFuzzCheck(rects[i].enabled, "every rect blocker read is enabled");
    const bool withMagic = size >= 4 && KaMemcmp(data, "BLK0", 4) == 0;
    KaFuzzCheck(withMagic || rects.size() == 0, "the older layout has no rect blockers");

    // Compared as written, so that points that are not numbers compare too.
    KaStream first;
    KaFuzzCheck(BlockersFile::write(first, blockers, rects, withMagic), "written");
    first.seek(0);
    KaArray<KaBlocker> blockersAgain;
    KaArray<KaRectBlocker> rectsAgain;
    KaFuzzCheck(BlockersFile::read(first, blockersAgain, rectsAgain), "a written file loads");
    KaStream second;
    BlockersFile::write(second, blockersAgain, rectsAgain, withMagic);
    KaFuzzCheck(KaFuzzSameBytes(first, second), "a written file reads back the same");
    return 0;
}
