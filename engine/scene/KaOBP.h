#ifndef KA_OBP_H
#define KA_OBP_H

#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"

class KaStream;

// An oriented bounding plane: a flat quadrilateral in the object tree whose
// world footprint on the x/z plane is kept as an axis-aligned rectangle for
// point and triangle tests. A walkable zone stores one as its path-finding
// occluder. It has no size, colour or drawing of its own: those setters do
// nothing.
class KaOBP : public Ka3DObject2 {
public:
    // Results of the triangle test.
    enum Overlap {
        OUTSIDE = 0,
        INSIDE = 1, // a corner of the triangle lies in the rectangle, or the
                    // triangle encloses it
        CROSSING = 2 // an edge of the triangle crosses an edge of the rectangle
    };

    KaOBP();
    ~KaOBP() override;

    void addChild(KaI3DObject2* child) override;
    void addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling) override;
    void removeChild(KaI3DObject2* child) override;
    void removeChildren() override;
    void setParent(KaI3DObject2* parent) override;
    void setPosition(const KaVector3f32& position) override;
    void setZPosition(float z) override;
    void setSize(const KaVector3f32& size) override;
    void translate(const KaVector3f32& offset) override;
    void setScale(const KaVector3f32& scale) override;
    void setRotation(const KaQuaternion& rotation) override;
    void setColor(const KaColor& color) override;
    void setColorInheritance(bool inherit) override;
    void draw() override;
    bool onParentWorldTransformationMatrixChanged() override;

    // The quadrilateral in local space.
    void setCorners(const KaVector3f32& c0, const KaVector3f32& c1, const KaVector3f32& c2, const KaVector3f32& c3);
    const KaVector3f32& corner(unsigned int index) const { return mCorners[index & 3]; }
    // Recomputes the rectangle when something moved the plane.
    void updateTransformed();
    const KaVector2f32& minimum() const { return mMinimum; }
    const KaVector2f32& maximum() const { return mMaximum; }
    bool boundsDirty() const { return mBoundsDirty; }

    // Whether the (x, z) point lies in the rectangle, edges included.
    bool isIn(const KaVector2f32& p);
    // How the (x, z) triangle a b c meets the rectangle (an Overlap).
    int isIn(const KaVector2f32& a, KaVector2f32 b, const KaVector2f32& c);

    // The node header (name, position, rotation, scale) and the four corners.
    static bool serialize(KaStream& stream, KaOBP& plane);
    static bool deserialize(KaStream& stream, KaOBP& plane);

private:
    bool mBoundsDirty;
    KaVector3f32 mCorners[4];
    KaVector2f32 mMinimum;
    KaVector2f32 mMaximum;
};

#endif
