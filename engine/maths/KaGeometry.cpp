#include "engine/maths/KaGeometry.h"

int segmentIntersection(const KaVector2f32& a1, const KaVector2f32& a2, const KaVector2f32& b1,
    const KaVector2f32& b2, KaVector2f32* point, float* positionOnA, float* positionOnB)
{
    const KaVector2f32 d1 = a2 - a1;
    const KaVector2f32 d2 = b2 - b1;
    const float den = d1.x * d2.y - d1.y * d2.x;
    if (den == 0.0f)
        return 0;
    const KaVector2f32 w = b1 - a1;
    // Written as "not within" so that a NaN counts as outside.
    const float u = (d1.y * w.x - d1.x * w.y) / den;
    if (!(u >= 0.0f && u <= 1.0f))
        return 1;
    const float s = (w.x * d2.y - w.y * d2.x) / den;
    if (!(s >= 0.0f && s <= 1.0f))
        return 1;
    if (point)
        *point = a1 + d1 * s;
    if (positionOnA)
        *positionOnA = s;
    if (positionOnB)
        *positionOnB = u;
    return 2;
}

void getRangeIntersection(float a0, float a1, float b0, float b1, float& lo, float& hi)
{
    lo = a0 > b0 ? a0 : b0;
    hi = a1 < b1 ? a1 : b1;
}

bool checkRangeCollision(float a0, float a1, float b0, float b1) { return a1 > b0 && b1 > a0; }
