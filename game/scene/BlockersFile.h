#ifndef BLOCKERS_FILE_H
#define BLOCKERS_FILE_H

#include "engine/containers/KaArray.h"
#include "engine/scene/KaBlocker.h"
#include "engine/scene/KaRectBlocker.h"

class KaStream;

// A scene's "blockers.bin". With the magic "BLK0": the blockers, then the
// rect blockers; without it (older files): the blockers only. Read whole and
// checked before anything is kept.
class BlockersFile {
public:
    // Empties both arrays first; a file whose counts and lengths the bytes
    // left cannot hold leaves them empty and prints one console line. Every
    // record read is enabled.
    static bool read(KaStream& stream, KaArray<KaBlocker>& blockers, KaArray<KaRectBlocker>& rectBlockers);
    // withMagic false writes the older layout, which has no rect blockers.
    static bool write(KaStream& stream, const KaArray<KaBlocker>& blockers, const KaArray<KaRectBlocker>& rectBlockers,
        bool withMagic);
};

#endif
