#ifndef KA_RECT_BLOCKER_H
#define KA_RECT_BLOCKER_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaVector2f32.h"

// A rectangular obstacle of a walkable zone, corners in world x and z. Only
// the zone's debug overlay draws it: path search ignores it.
struct KaRectBlocker {
    KaString zoneName;
    KaVector2f32 corners[4];
    bool enabled = true;
};
KA_RELOCATABLE(KaRectBlocker);

#endif
