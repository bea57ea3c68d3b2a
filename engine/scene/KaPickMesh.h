#ifndef KA_PICK_MESH_H
#define KA_PICK_MESH_H

#include "engine/core/KaString.h"
#include "engine/maths/KaVector3f32.h"

// The older stand-alone triangle soup for ray picking, in its own
// coordinates (no transform). KaPickMesh2 is the tree node that replaced it;
// this one is still searched by KaRayIntersection::getMesh.
class KaPickMesh {
public:
    KaPickMesh();
    KaPickMesh(const KaPickMesh& other);
    KaPickMesh& operator=(const KaPickMesh& other);
    virtual ~KaPickMesh();

    // No triangles, enabled.
    void create();
    // Releases the triangles.
    void destroy();
    // A new set of count zeroed triangles replacing the old ones; 0 does
    // nothing.
    void nbTriangles(unsigned int count);
    unsigned int triangleCount() const { return mTriangleCount; }
    // Out-of-range indices are ignored (getTriangle then answers zeros).
    void setTriangle(unsigned int index, const KaVector3f32& p0, const KaVector3f32& p1, const KaVector3f32& p2);
    void getTriangle(unsigned int index, KaVector3f32& p0, KaVector3f32& p1, KaVector3f32& p2) const;

    void setName(const KaString& name) { mName = name; }
    const KaString& name() const { return mName; }
    void setEnabled(bool enabled) { mEnabled = enabled; }
    bool enabled() const { return mEnabled; }

    void copy(const KaPickMesh& other);
    // Appends the other mesh's triangles after this one's.
    KaPickMesh& operator+=(const KaPickMesh& other);
    // Same name, vectors, count and vertices; a mesh without triangles
    // equals nothing.
    bool operator==(const KaPickMesh& other) const;

    // The triangles' edges as renderer lines.
    void render() const;

    // The nearest triangle the ray hits (t >= 0): false when disabled, empty
    // or missed.
    bool intersect(const KaVector3f32& origin, const KaVector3f32& direction, KaVector3f32& point, float& t) const;

private:
    KaString mName;
    // Carried along by copies and comparisons; nothing else reads them.
    KaVector3f32 mVector0;
    KaVector3f32 mVector1;
    KaVector3f32 mVector2;
    unsigned int mTriangleCount;
    KaVector3f32* mVertices;
    bool mEnabled;
};

#endif
