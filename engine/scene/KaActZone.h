#ifndef KA_ACT_ZONE_H
#define KA_ACT_ZONE_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaVector2f32.h"

// A named quadrilateral of a walkable zone (corners in world x and z, in
// order around it) that scripts react to when a character stands in it.
struct KaActZone {
    KaString zoneName;
    KaString name;
    KaVector2f32 corners[4];
    bool active = true;
    // Kept as the scene's "actions.bin" stores it, so that the file is
    // written back unchanged; nothing reads it.
    bool flag = false;
};
KA_RELOCATABLE(KaActZone);

#endif
