#include "engine/scene/KaRayIntersection.h"

#include <cmath>

#include "engine/scene/KaPickMesh.h"

int KaRayIntersection::intersect(const KaVector3f32& origin, const KaVector3f32& direction, const KaVector3f32& p0,
    const KaVector3f32& p1, const KaVector3f32& p2, KaVector3f32& point, float& t)
{
    const KaVector3f32 u = p1 - p0;
    const KaVector3f32 v = p2 - p0;
    const KaVector3f32 n = u.crossProduct(v);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f)
        return DEGENERATE;

    const KaVector3f32 w0 = origin - p0;
    const float a = n.dotProduct(w0);
    const float b = n.dotProduct(direction);
    if (std::fabs(b) < 1e-9f)
        return a == 0.0f ? IN_PLANE : MISS;

    t = -a / b;
    if (t < 0.0f)
        return MISS;
    point = origin + direction * t;

    const float uu = u.dotProduct(u);
    const float uv = u.dotProduct(v);
    const float vv = v.dotProduct(v);
    const KaVector3f32 w = point - p0;
    const float wu = w.dotProduct(u);
    const float wv = w.dotProduct(v);
    const float d = uv * uv - uu * vv;

    const float s = (uv * wv - vv * wu) / d;
    if (s < 0.0f || s > 1.0f)
        return MISS;
    const float r = (uv * wu - uu * wv) / d;
    if (r < 0.0f || s + r > 1.0f)
        return MISS;
    return HIT;
}

KaPickMesh* KaRayIntersection::getMesh(const KaVector3f32& origin, const KaVector3f32& direction,
    const KaList<KaPickMesh*>& meshes, float maximum, float minimum, KaVector3f32* point)
{
    KaPickMesh* found = nullptr;
    KaVector3f32 foundPoint;
    float best = maximum;
    for (KaList<KaPickMesh*>::KaIterator it = meshes.begin(); it != meshes.end(); ++it) {
        KaPickMesh* mesh = *it;
        if (!mesh || !mesh->enabled() || mesh->triangleCount() == 0)
            continue;
        for (unsigned int i = 0; i < mesh->triangleCount(); ++i) {
            KaVector3f32 p0;
            KaVector3f32 p1;
            KaVector3f32 p2;
            mesh->getTriangle(i, p0, p1, p2);
            KaVector3f32 hit;
            float t = 0.0f;
            // The bound narrows as hits are found: the nearest one wins,
            // whatever the order of the list.
            if (intersect(origin, direction, p0, p1, p2, hit, t) == HIT && t >= minimum && t < best) {
                best = t;
                foundPoint = hit;
                found = mesh;
            }
        }
    }
    if (found && point)
        *point = foundPoint;
    return found;
}
