#ifndef KA_BLOCKER_H
#define KA_BLOCKER_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaVector2f32.h"

// A wall segment that the scene lays over one walkable zone (named by
// zoneName), in world x and z. Seen from the first point towards the second,
// the side on the right is closed: the path grid blocks the whole half-strip
// behind the segment, not only the cells it crosses. The scene loader owns
// the records; zones only read them.
struct KaBlocker {
    KaString zoneName;
    KaVector2f32 first;
    KaVector2f32 second;
    bool enabled = true;
};
KA_RELOCATABLE(KaBlocker);

#endif
