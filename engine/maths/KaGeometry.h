#ifndef KA_GEOMETRY_H
#define KA_GEOMETRY_H

#include "engine/maths/KaVector2f32.h"

// Crossing of the segments a1-a2 and b1-b2 (bounds inclusive: touching ends
// cross). Returns 0 when the segments are parallel, collinear or one has zero
// length (overlapping collinear segments included), 1 when the lines cross
// outside either segment, 2 when the segments cross; only then are the
// outputs written: the point, its position along a (0 at a1, 1 at a2) and
// along b. Null outputs are skipped.
int segmentIntersection(const KaVector2f32& a1, const KaVector2f32& a2, const KaVector2f32& b1,
    const KaVector2f32& b2, KaVector2f32* point = nullptr, float* positionOnA = nullptr,
    float* positionOnB = nullptr);

// lo = the larger start, hi = the smaller end; disjoint ranges give lo > hi,
// which the caller checks.
void getRangeIntersection(float a0, float a1, float b0, float b1, float& lo, float& hi);

// True when [a0, a1] and [b0, b1] overlap with positive length; ranges that
// only touch do not collide.
bool checkRangeCollision(float a0, float a1, float b0, float b1);

#endif
