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

namespace {

bool samePoints(const KaVector2f32& a, const KaVector2f32& b) { return KaMemcmp(&a, &b, sizeof(a)) == 0; }

bool same(const KaArray<KaBlocker>& a, const KaArray<KaBlocker>& b)
{
    if (a.size() != b.size())
        return false;
    for (unsigned long i = 0; i < a.size(); ++i)
        if (a[i].zoneName != b[i].zoneName || !samePoints(a[i].first, b[i].first)
            || !samePoints(a[i].second, b[i].second) || a[i].enabled != b[i].enabled)
            return false;
    return true;
}

bool same(const KaArray<KaRectBlocker>& a, const KaArray<KaRectBlocker>& b)
{
    if (a.size() != b.size())
        return false;
    for (unsigned long i = 0; i < a.size(); ++i) {
        if (a[i].zoneName != b[i].zoneName || a[i].enabled != b[i].enabled)
            return false;
        for (int k = 0; k < 4; ++k)
            if (!samePoints(a[i].corners[k], b[i].corners[k]))
                return false;
    }
    return true;
}

} // namespace

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

    KaStream out;
    KaFuzzCheck(BlockersFile::write(out, blockers, rects, withMagic), "written");
    out.seek(0);
    KaArray<KaBlocker> blockersAgain;
    KaArray<KaRectBlocker> rectsAgain;
    KaFuzzCheck(BlockersFile::read(out, blockersAgain, rectsAgain), "a written file loads");
    KaFuzzCheck(same(blockers, blockersAgain) && same(rects, rectsAgain), "a written file reads back the same");
    return 0;
}
