#ifndef KA_3D_OBJECT2_H
#define KA_3D_OBJECT2_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaString.h"
#include "engine/world/KaI3DObject2.h"

class KaStream;

// The node of the object tree: a name, a parent, ordered children, a local
// transform (position, rotation, scale), a size, a colour, a visibility flag
// and a colour-inheritance flag, with signals that tell listeners when these
// change. Layouts, the camera, models, pick meshes, walkable zones and curves
// all derive from it; a plain Ka3DObject2 is also used as a bare node.
//
// World values are computed on every call by walking up the parents through
// the virtual getters, so a derived class that overrides a getter changes
// the whole subtree below it:
//   worldPosition  = parent's worldPosition + position (a plain sum: the
//                    parent's rotation and scale are NOT applied; layouts and
//                    scene placement are built on this)
//   worldScale     = parent's worldScale * scale, component-wise
//   worldRotation  = parent's worldRotation * rotation
//   worldColor     = parent's worldColor * color when inheriting, else color
//   transformationMatrix      = translation * rotation * scale
//   worldTransformationMatrix = parent's world matrix * transformationMatrix
//
// Change signals cascade: an attached node listens (priority 0) to its
// parent's world-visibility, world-matrix and world-colour signals and
// re-emits its own, so a change anywhere reaches the whole subtree,
// synchronously and depth first. The child-list, position and size signals
// stay local.
//
// A node never owns or deletes its parent or children. Callers keep the tree
// consistent: a node stands in at most one child list, its parent's, and is
// taken out of a former parent's list before it is added to another.
//
// Not copyable. The node registers callbacks bound to its own address with
// its parent. Main thread only.
class Ka3DObject2 : public virtual KaObject, public virtual KaI3DObject2 {
public:
    Ka3DObject2();
    Ka3DObject2(const Ka3DObject2&) = delete;
    Ka3DObject2& operator=(const Ka3DObject2&) = delete;
    // Lets its children go (they stay alive, without parent) and leaves its
    // own parent's child list, which emits that parent's child-list signal.
    ~Ka3DObject2() override;

    void setName(const KaString& name) override;
    KaString name() const override;
    KaI3DObject2* parent() const override;

    // Appends the child, makes this node its parent, emits the child-list
    // signal. A child of another node leaves that one first.
    void addChild(KaI3DObject2* child) override;
    // Inserts the child before the first occurrence of sibling, or at the end
    // when sibling is not a child; then as addChild.
    void addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling) override;
    // Does nothing (and emits nothing) when child is not a child.
    void removeChild(KaI3DObject2* child) override;
    // Emits the child-list signal even when there were no children.
    void removeChildren() override;
    unsigned long childCount() const override;
    // index < childCount().
    KaI3DObject2* child(unsigned long index) const override;
    // -1 when absent.
    long childIndex(KaI3DObject2* child) override;
    KaSignal0Param& childListChanged() override;
    KaArray<KaI3DObject2*>& childList() override;

    // Setters emit only when the value changes, except setColor, which
    // always emits (colour animations rely on a signal every frame).
    void setVisible(bool visible) override;
    bool visible() const override;
    bool worldVisible() const override;
    KaSignal0Param& onWorldVisibleChanged() override;

    // Emits the position signal, then the world-matrix signal.
    void setPosition(const KaVector3f32& position) override;
    void setZPosition(float z) override;
    KaVector3f32 position() override;
    KaSignal0Param& onPositionChanged() override;
    KaVector3f32 worldPosition() override;

    // Only stored here; derived classes give the size its meaning.
    void setSize(const KaVector3f32& size) override;
    KaVector3f32 size() override;
    float xSize() override;
    float ySize() override;
    float zSize() override;
    KaSignal0Param& onSizeChanged() override;

    void translate(const KaVector3f32& offset) override;
    // rotation() * q: the current rotation on the left.
    void rotate(const KaQuaternion& q) override;

    void setScale(const KaVector3f32& scale) override;
    KaVector3f32 scale() override;
    KaVector3f32 worldScale() override;

    // Exact comparison: a NaN component always counts as a change.
    void setRotation(const KaQuaternion& rotation) override;
    KaQuaternion rotation() const override;
    KaQuaternion worldRotation() const override;

    void setColor(const KaColor& color) override;
    KaColor color() const override;
    KaColor worldColor() const override;
    KaSignal0Param& onWorldColorChanged() override;
    // Emits nothing: listeners learn of it at the next colour change.
    void setColorInheritance(bool inherit) override;
    bool colorInheritance() const override;

    KaMatrix4x4 transformationMatrix() override;
    KaMatrix4x4 worldTransformationMatrix() override;
    KaSignal0Param& onWorldTransformationMatrixChanged() override;

    void draw() override;
    void updateZ() override;

    // Re-parents without touching any child list. Attaching connects this
    // node to the new parent's signals and emits its own world-visibility,
    // world-matrix and world-colour signals, in that order; detaching (null)
    // emits nothing, although the world values change.
    void setParent(KaI3DObject2* parent) override;

    // The cascade's receivers: each re-emits this node's signal and returns
    // false so that the parent's signal goes on to its other listeners.
    virtual bool onWorldVisibleChangedSlot();
    virtual bool onParentWorldTransformationMatrixChanged();
    virtual bool onParentWorldColorChanged();

    // The record that oriented boxes and pick meshes write first in their
    // own: name, position, rotation, scale (size, colour, visibility and
    // children are not carried). False when the stream took fewer bytes.
    static bool serialize(KaStream& stream, Ka3DObject2& object);
    // Reads the same four values and applies each through the virtual
    // setter as soon as it is read, so overrides run and the change signals
    // fire. Stops at the first value the stream cannot supply whole and
    // returns false; values read before it stay applied.
    static bool deserialize(KaStream& stream, Ka3DObject2& object);

private:
    void leavePreviousParent(KaI3DObject2* child);

    typedef KaSmartPointer<KaICallback0Param> Subscription;

    void disconnectFromParent();

    KaString mName;
    KaI3DObject2* mParent;
    KaArray<KaI3DObject2*> mChildren;
    KaSignal0Param mChildListSignal;
    bool mVisible;
    KaSignal0Param mWorldVisibleSignal;
    KaVector3f32 mPosition;
    KaSignal0Param mPositionSignal;
    KaVector3f32 mSize;
    KaSignal0Param mSizeSignal;
    KaVector3f32 mScale;
    KaQuaternion mRotation;
    KaColor mColor;
    bool mColorInheritance;
    KaSignal0Param mWorldColorSignal;
    KaSignal0Param mWorldMatrixSignal;
    Subscription mVisibilitySubscription;
    Subscription mColorSubscription;
    Subscription mMatrixSubscription;
};

#endif
