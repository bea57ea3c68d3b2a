#ifndef ACT_ZONES_FILE_H
#define ACT_ZONES_FILE_H

#include "engine/containers/KaArray.h"
#include "engine/scene/KaActZone.h"

class KaStream;

// A scene's "actions.bin": the magic "ACT0", a count and that many act zones
// (zone name, second name, four ground corners, a flag). Read whole and
// checked before anything is kept.
class ActZonesFile {
public:
    // Empties the zones first. A file without the magic, or whose counts and
    // lengths the bytes left cannot hold, leaves them empty and prints one
    // console line; every zone read is enabled.
    static bool read(KaStream& stream, KaArray<KaActZone>& zones);
    static bool write(KaStream& stream, const KaArray<KaActZone>& zones);
};

#endif
