#ifndef KA_I3D_OBJECT_H
#define KA_I3D_OBJECT_H

#include "engine/containers/KaSignal.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector3f32.h"

class KaScreen;

// What the older 2D widgets offer: a flat transform node with one parent, a
// screen to be drawn on, a position and size in pixels, a scale and a
// rotation about their own pivots, and an opacity. Movements and parents
// reach widgets only through it. Ka3DObject is the implementation; read its
// header for the behaviour.
class KaI3DObject {
public:
    virtual ~KaI3DObject() { }

    virtual void setScreen(KaScreen* screen) = 0;
    virtual KaScreen* getScreen() = 0;
    virtual KaI3DObject* getParent() const = 0;
    virtual void setParent(KaI3DObject* parent) = 0;
    virtual KaVector3f32 getPosition() const = 0;
    virtual void setPosition(const KaVector3f32& position) = 0;
    virtual KaSignal0Param& onPositionChanged() = 0;
    virtual KaVector3f32 getWorldPosition() const = 0;
    virtual KaVector3f32 getSize() const = 0;
    virtual void setSize(const KaVector3f32& size) = 0;
    virtual KaSignal0Param& onSizeChanged() = 0;
    virtual const KaVector3f32& getScale() const = 0;
    virtual void setScale(const KaVector3f32& scale) = 0;
    virtual const KaVector3f32& getScaleCenter() const = 0;
    virtual void setScaleCenter(const KaVector3f32& center) = 0;
    virtual bool isScaleFromPoint() const = 0;
    virtual void setScaleFromPoint(bool fromPoint, const KaVector3f32& point) = 0;
    virtual float getRotateAngle() const = 0;
    virtual void setRotateAngle(float degrees) = 0;
    virtual KaVector3f32 getRotateCenter() const = 0;
    virtual void setRotateCenter(KaVector3f32 center) = 0;
    virtual float getOpacity() const = 0;
    virtual void setOpacity(float opacity) = 0;
    virtual KaMatrix4x4 getTransformationMatrix() const = 0;
    virtual KaMatrix4x4 getWorldTransformationMatrix() const = 0;
};

#endif
