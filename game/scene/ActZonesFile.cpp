#include "game/scene/ActZonesFile.h"

#include "engine/core/KaStream.h"
#include "engine/maths/KaMathsStream.h"
#include "game/scene/SceneFileReader.h"

namespace {

const char* const kMagic = "ACT0";
// Two empty names, four corners and the flag.
const unsigned long kRecordBytes = 4 + 4 + 4 * 8 + 1;

bool readZone(SceneFileReader& in, KaActZone& zone)
{
    if (!in.string(zone.zoneName, "walkable-zone name"))
        return false;
    in.named(zone.zoneName);
    if (!in.string(zone.name, "name"))
        return false;
    for (KaVector2f32& corner : zone.corners)
        if (!in.field(KaVector2f32::deserialize(in.stream(), corner), "corners"))
            return false;
    zone.active = true;
    return in.number(zone.flag, "flag");
}

} // namespace

bool ActZonesFile::read(KaStream& stream, KaArray<KaActZone>& zones)
{
    zones.clear();
    SceneFileReader in(stream, "InGameScene::load", "\"actions.bin\"");
    if (!stream.readTag(kMagic))
        return in.fail("it does not begin with \"%s\"", kMagic);
    KaArray<KaActZone> read;
    if (!in.records("act zones", "act zone", kRecordBytes, read, readZone))
        return false;
    zones = read;
    return true;
}

bool ActZonesFile::write(KaStream& stream, const KaArray<KaActZone>& zones)
{
    SceneFileBinaryMode binary(stream);
    bool ok = stream.write(kMagic) == 4;
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(zones.size())) && ok;
    for (unsigned long i = 0; i < zones.size(); ++i) {
        const KaActZone& zone = zones[i];
        ok = KaString::serialize(stream, zone.zoneName) && ok;
        ok = KaString::serialize(stream, zone.name) && ok;
        for (const KaVector2f32& corner : zone.corners)
            ok = KaVector2f32::serialize(stream, corner) && ok;
        ok = KaMathsStream::write(stream, zone.flag) && ok;
    }
    return ok;
}
