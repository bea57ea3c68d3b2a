#ifndef KA_PICK_MESH2_H
#define KA_PICK_MESH2_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"

class KaCamera;
class KaStream;

// A triangle soup in the object tree, for ray picking: its triangles follow
// the node's world transform. Walkable zones derive from it (the soup is
// their floor). The last triangle hit is remembered so that repeated queries
// over the same spot (a walking character, a moving cursor) can end after
// one triangle test.
class KaPickMesh2 : public Ka3DObject2 {
public:
    KaPickMesh2();
    ~KaPickMesh2() override;

    // Three zeroed vertices per triangle; the last hit goes back to 0.
    void setNbTriangles(unsigned long count);
    unsigned long nbTriangles() const { return mVertices.size() / 3; }
    // Out-of-range indices are ignored (triangle() then answers zeros).
    void setTriangle(unsigned long index, const KaVector3f32& p0, const KaVector3f32& p1, const KaVector3f32& p2);
    void triangle(unsigned long index, KaVector3f32& p0, KaVector3f32& p1, KaVector3f32& p2) const;
    // Local coordinates, three per triangle.
    const KaArray<KaVector3f32>& vertices() const { return mVertices; }

    void setLastTriangleHit(unsigned long index) { mLastTriangleHit = index; }
    // The stored index, or 0 when it is not a triangle any more.
    unsigned long lastTriangleHit() const;

    // The ray against the world-transformed triangles: the nearest hit
    // (t >= 0), or with firstHit the last-hit triangle when it is hit, else
    // the first triangle hit in order. The triangle hit becomes the last hit
    // and goes to *index when asked for.
    bool intersect(const KaVector3f32& origin, const KaVector3f32& direction, KaVector3f32& point, float& t,
        bool firstHit, unsigned long* index = nullptr);

    // Whether p, an (x, z) point, lies in the (x, z) projection of a
    // triangle, in local coordinates (the transform is not applied). Edges
    // count as inside; a flat triangle contains nothing. The triangle found
    // becomes the last hit.
    bool intersect2D(const KaVector2f32& p);
    static bool pointInTriangle(KaVector2f32 p, KaVector2f32 a, KaVector2f32 b, KaVector2f32 c);

    // The triangles in red, when visible.
    void draw() override;

    // The node header (name, position, rotation, scale), the triangle count
    // and the vertices. Reading fails on a short stream; a count larger than
    // the bytes left fails before anything is allocated.
    static bool serialize(KaStream& stream, KaPickMesh2& mesh);
    static bool deserialize(KaStream& stream, KaPickMesh2& mesh);

private:
    KaArray<KaVector3f32> mVertices;
    unsigned long mLastTriangleHit;
};

// The pick mesh the camera ray through a viewport pixel hits, between the
// camera's near and far distances; null when none. Without firstHit the
// nearest hit over all meshes wins; with it each mesh offers its last-hit
// triangle (which then answers at once) or its first triangle hit in order,
// and a later mesh wins only when nearer. point, when given, receives the
// hit ((0, 0, 0) when nothing is hit).
KaPickMesh2* findNearestMesh(const KaIntrusivePtr<KaCamera>& camera, const KaVector2s32& pixel,
    const KaArray<KaPickMesh2*>& meshes, KaVector3f32* point, bool firstHit);

#endif
