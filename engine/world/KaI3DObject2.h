#ifndef KA_I3D_OBJECT2_H
#define KA_I3D_OBJECT2_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/color/KaColor.h"

// What a node of the object tree offers. Nodes know their parent and
// children only through this interface, and the curve animations drive
// nodes through it, so anything placeable can stand in a tree whatever its
// concrete class. Ka3DObject2 is the one implementation; read its header for
// the behaviour.
class KaI3DObject2 {
public:
    virtual ~KaI3DObject2() { }

    virtual void setName(const KaString& name) = 0;
    virtual KaString name() const = 0;
    virtual void setParent(KaI3DObject2* parent) = 0;
    virtual KaI3DObject2* parent() const = 0;
    virtual void addChild(KaI3DObject2* child) = 0;
    virtual void addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling) = 0;
    virtual void removeChild(KaI3DObject2* child) = 0;
    virtual void removeChildren() = 0;
    virtual unsigned long childCount() const = 0;
    virtual KaI3DObject2* child(unsigned long index) const = 0;
    virtual long childIndex(KaI3DObject2* child) = 0;
    virtual KaSignal0Param& childListChanged() = 0;
    virtual KaArray<KaI3DObject2*>& childList() = 0;

    virtual void setVisible(bool visible) = 0;
    virtual bool visible() const = 0;
    virtual bool worldVisible() const = 0;
    virtual KaSignal0Param& onWorldVisibleChanged() = 0;

    virtual void setPosition(const KaVector3f32& position) = 0;
    virtual void setZPosition(float z) = 0;
    virtual KaVector3f32 position() = 0;
    virtual KaSignal0Param& onPositionChanged() = 0;
    virtual KaVector3f32 worldPosition() = 0;

    virtual void setSize(const KaVector3f32& size) = 0;
    virtual KaVector3f32 size() = 0;
    virtual float xSize() = 0;
    virtual float ySize() = 0;
    virtual float zSize() = 0;
    virtual KaSignal0Param& onSizeChanged() = 0;

    virtual void translate(const KaVector3f32& offset) = 0;
    virtual void rotate(const KaQuaternion& rotation) = 0;

    virtual void setScale(const KaVector3f32& scale) = 0;
    virtual KaVector3f32 scale() = 0;
    virtual KaVector3f32 worldScale() = 0;

    virtual void setRotation(const KaQuaternion& rotation) = 0;
    virtual KaQuaternion rotation() const = 0;
    virtual KaQuaternion worldRotation() const = 0;

    virtual void setColor(const KaColor& color) = 0;
    virtual KaColor color() const = 0;
    virtual KaColor worldColor() const = 0;
    virtual KaSignal0Param& onWorldColorChanged() = 0;
    virtual void setColorInheritance(bool inherit) = 0;
    virtual bool colorInheritance() const = 0;

    virtual KaMatrix4x4 transformationMatrix() = 0;
    virtual KaMatrix4x4 worldTransformationMatrix() = 0;
    virtual KaSignal0Param& onWorldTransformationMatrixChanged() = 0;

    virtual void draw() = 0;
    virtual void updateZ() = 0;
};

#endif
