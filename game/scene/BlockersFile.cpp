#include "game/scene/BlockersFile.h"

#include "engine/core/KaStream.h"
#include "engine/maths/KaMathsStream.h"
#include "game/scene/SceneFileReader.h"

namespace {

const char* const kMagic = "BLK0";
// An empty name and the points.
const unsigned long kBlockerBytes = 4 + 2 * 8;
const unsigned long kRectBlockerBytes = 4 + 4 * 8;

bool readBlocker(SceneFileReader& in, KaBlocker& blocker)
{
    if (!in.string(blocker.zoneName, "walkable-zone name"))
        return false;
    in.named(blocker.zoneName);
    blocker.enabled = true;
    return in.field(KaVector2f32::deserialize(in.stream(), blocker.first), "first end")
        && in.field(KaVector2f32::deserialize(in.stream(), blocker.second), "second end");
}

bool readRect(SceneFileReader& in, KaRectBlocker& rect)
{
    if (!in.string(rect.zoneName, "walkable-zone name"))
        return false;
    in.named(rect.zoneName);
    rect.enabled = true;
    for (KaVector2f32& corner : rect.corners)
        if (!in.field(KaVector2f32::deserialize(in.stream(), corner), "corners"))
            return false;
    return true;
}

} // namespace

bool BlockersFile::read(KaStream& stream, KaArray<KaBlocker>& blockers, KaArray<KaRectBlocker>& rectBlockers)
{
    blockers.clear();
    rectBlockers.clear();
    SceneFileReader in(stream, "InGameScene::loadBlockers", "\"blockers.bin\"");
    // Older files have no magic: they begin with the blocker count.
    const unsigned long start = stream.getPos();
    const bool magic = stream.readTag(kMagic);
    if (!magic && !stream.seek(start))
        return in.fail("it cannot be read again from its start");

    KaArray<KaBlocker> readBlockers;
    KaArray<KaRectBlocker> readRects;
    if (!in.records("blockers", "blocker", kBlockerBytes, readBlockers, readBlocker)
        || (magic && !in.records("rect blockers", "rect blocker", kRectBlockerBytes, readRects, readRect)))
        return false;
    blockers = readBlockers;
    rectBlockers = readRects;
    return true;
}

bool BlockersFile::write(
    KaStream& stream, const KaArray<KaBlocker>& blockers, const KaArray<KaRectBlocker>& rectBlockers, bool withMagic)
{
    SceneFileBinaryMode binary(stream);
    bool ok = true;
    if (withMagic)
        ok = stream.write(kMagic) == 4;
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(blockers.size())) && ok;
    for (unsigned long i = 0; i < blockers.size(); ++i) {
        ok = KaString::serialize(stream, blockers[i].zoneName) && ok;
        ok = KaVector2f32::serialize(stream, blockers[i].first) && ok;
        ok = KaVector2f32::serialize(stream, blockers[i].second) && ok;
    }
    if (!withMagic)
        return ok;
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(rectBlockers.size())) && ok;
    for (unsigned long i = 0; i < rectBlockers.size(); ++i) {
        ok = KaString::serialize(stream, rectBlockers[i].zoneName) && ok;
        for (const KaVector2f32& corner : rectBlockers[i].corners)
            ok = KaVector2f32::serialize(stream, corner) && ok;
    }
    return ok;
}
