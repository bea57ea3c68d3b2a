#ifndef KA_RAY_INTERSECTION_H
#define KA_RAY_INTERSECTION_H

#include "engine/containers/KaList.h"
#include "engine/maths/KaVector3f32.h"

class KaPickMesh;

// Ray picking against triangles.
class KaRayIntersection {
public:
    enum Result {
        DEGENERATE = -1, // the triangle has no area
        MISS = 0,
        HIT = 1,
        IN_PLANE = 2 // the ray lies in the triangle's plane
    };

    // The ray origin + t * direction against the triangle p0 p1 p2. On HIT,
    // point is the crossing and t its parameter, in units of the direction's
    // length (t >= 0); points on the edges count. The outputs may be written
    // on other results too and mean nothing then.
    static int intersect(const KaVector3f32& origin, const KaVector3f32& direction, const KaVector3f32& p0,
        const KaVector3f32& p1, const KaVector3f32& p2, KaVector3f32& point, float& t);

    // The mesh of the list whose triangles the ray hits nearest, with
    // minimum <= t < maximum, among the enabled meshes; null when none.
    // point, when given, receives the hit.
    static KaPickMesh* getMesh(const KaVector3f32& origin, const KaVector3f32& direction,
        const KaList<KaPickMesh*>& meshes, float maximum, float minimum, KaVector3f32* point);
};

#endif
