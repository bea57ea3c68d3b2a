#ifndef KA_3D_OBJECT_H
#define KA_3D_OBJECT_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaObject.h"
#include "engine/world/KaI3DObject.h"

// The base of the older 2D widgets (sprites, buttons, check boxes, players,
// the XML GUI container). Unlike the object tree of Ka3DObject2 it is flat:
// one parent pointer and no child list, no name, no colour but an opacity,
// and no change ever reaches the children on its own: a widget that owns
// sub-widgets passes its changes on itself.
//
// Space: pixels of the screen, x to the right and y up from the screen's
// bottom-left corner (the input manager's pointer space); z is a depth.
// The scale and rotation pivots are fractions of the size. The angle is in
// degrees about z, as the engine's quaternions turn: a positive angle turns
// clockwise on the screen.
//
// World values walk up the parents through the virtual getters:
//   getWorldPosition            = parent's world position + position (a plain
//                                 sum: the parent's scale and rotation are
//                                 not applied)
//   getWorldTransformationMatrix = parent's world matrix * local matrix
//
// The local matrix translates by the position, then rotates about the
// rotation pivot and scales about the scale pivot, each pivot offset
// rounded down to whole pixels on the way there and on the way back. The
// way back rounds the negated offset down, so for a fractional offset the
// two steps differ by one pixel: stored layouts were placed with that
// asymmetry and keep it.
//
// setPosition and setSize emit their signal only when the value changes;
// the other setters emit nothing. The scale-from-point flag and point are
// stored for callers and take no part in the matrix.
//
// The screen and the parent are not owned. Holds signals. Main thread only.
class Ka3DObject : public virtual KaObject, public virtual KaI3DObject {
public:
    Ka3DObject();
    Ka3DObject(const Ka3DObject&) = delete;
    Ka3DObject& operator=(const Ka3DObject&) = delete;
    // Forgets the parent; notifies nobody.
    ~Ka3DObject() override;

    void setScreen(KaScreen* screen) override { mScreen = screen; }
    KaScreen* getScreen() override { return mScreen; }
    KaI3DObject* getParent() const override { return mParent; }
    void setParent(KaI3DObject* parent) override { mParent = parent; }

    KaVector3f32 getPosition() const override { return mPosition; }
    void setPosition(const KaVector3f32& position) override;
    KaSignal0Param& onPositionChanged() override { return mOnPositionChanged; }
    KaVector3f32 getWorldPosition() const override;

    KaVector3f32 getSize() const override { return mSize; }
    void setSize(const KaVector3f32& size) override;
    KaSignal0Param& onSizeChanged() override { return mOnSizeChanged; }

    const KaVector3f32& getScale() const override { return mScale; }
    void setScale(const KaVector3f32& scale) override { mScale = scale; }
    const KaVector3f32& getScaleCenter() const override { return mScaleCenter; }
    void setScaleCenter(const KaVector3f32& center) override { mScaleCenter = center; }
    bool isScaleFromPoint() const override { return mScaleFromPoint; }
    void setScaleFromPoint(bool fromPoint, const KaVector3f32& point) override;

    float getRotateAngle() const override { return mRotateAngle; }
    void setRotateAngle(float degrees) override { mRotateAngle = degrees; }
    KaVector3f32 getRotateCenter() const override { return mRotateCenter; }
    void setRotateCenter(KaVector3f32 center) override { mRotateCenter = center; }
    // The pivot that puts the rotation centre at a point of the parent's
    // space: (p - position) / size in x and y, z kept. A size of 0 in x or
    // y gives an infinite or NaN pivot, unreported.
    virtual void setRotateCenterFromPoint(KaVector3f32 point);

    float getOpacity() const override { return mOpacity; }
    void setOpacity(float opacity) override { mOpacity = opacity; }

    KaMatrix4x4 getTransformationMatrix() const override;
    KaMatrix4x4 getWorldTransformationMatrix() const override;

    const KaVector3f32& scalePoint() const { return mScalePoint; }

private:
    KaScreen* mScreen;
    KaI3DObject* mParent;
    KaVector3f32 mPosition;
    KaSignal0Param mOnPositionChanged;
    KaVector3f32 mSize;
    KaSignal0Param mOnSizeChanged;
    KaVector3f32 mScale;
    KaVector3f32 mScaleCenter;
    bool mScaleFromPoint;
    KaVector3f32 mScalePoint;
    KaVector3f32 mRotateCenter;
    float mRotateAngle;
    float mOpacity;
};

#endif
