#ifndef KA_LAYOUT_H
#define KA_LAYOUT_H

#include <typeinfo>

#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/gui/KaILayout.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/world/Ka3DObject2.h"

// The node of every 2D user interface: a rectangle in the object tree whose
// size and position are given in pixels or as fractions of the parent's size,
// placed by an anchor, optionally held at an aspect ratio, with its children
// stacked in z automatically.
//
// Lazy: setters only store the requested value and mark what is stale; the
// getters bring the layout up to date in a fixed order (z order, then size,
// then position, then world matrix) and emit the object tree's change signals
// only when a computed value really changed. Parents and children are coupled
// through those signals: a size change marks the children's size, position
// and matrix stale and makes the parent re-sum its z size; a matrix change
// marks the children's matrices stale.
//
// Under the main window's camera one unit is one pixel, the origin is the
// parent's centre, x grows to the right and y downwards. A layout's origin is
// its centre; its size is its full width and height.
//
// Objects may still be reached by an emission in progress (a click, a size
// change) when the game decides to drop them: release layouts with
// deleteLater(), which destroys them at the end of the frame, never with a
// plain delete from inside a handler.
//
// Not copyable; registers callbacks bound to its own address. Main thread only.
class KaLayout : public virtual Ka3DObject2, public virtual KaILayout {
public:
    // A callback whose priority is the z of its layout's world origin, read
    // anew at every emission, so that the input manager offers a click first
    // to the layout nearest the viewer. setPriority does nothing.
    template <class P, class L> class KaZPriorityCallback1Param : public KaICallback1Param<P> {
    public:
        typedef bool (L::*Method)(P);

        KaZPriorityCallback1Param(L* object, Method method)
            : mObject(object)
            , mMethod(method)
        {
        }

        bool call(P argument) override { return (mObject->*mMethod)(static_cast<P>(argument)); }
        void setPriority(float) override { }
        float priority() const override
        {
            KaMatrix4x4 matrix = mObject->worldTransformationMatrix();
            return (matrix * KaVector3f32(0.0f, 0.0f, 0.0f)).z;
        }
        bool isEqual(KaICallback1Param<P>& other) override
        {
            KaZPriorityCallback1Param* same = sameClass(other);
            return same && same->mObject == mObject && same->mMethod == mMethod;
        }
        bool isObjectEqual(KaICallback1Param<P>& other) override
        {
            KaZPriorityCallback1Param* same = sameClass(other);
            return same && same->mObject == mObject;
        }

    private:
        KaZPriorityCallback1Param* sameClass(KaICallback1Param<P>& other)
        {
            return typeid(other) == typeid(*this) ? static_cast<KaZPriorityCallback1Param*>(&other) : nullptr;
        }

        L* mObject;
        Method mMethod;
    };

    // Pixel size (1, 1), Percent position (0.5, 0.5, 0.5), anchor at the
    // centre, ratio 1 without a ratio rule, safe area 4/3, auto z on.
    KaLayout();
    ~KaLayout() override;
    KaLayout(const KaLayout&) = delete;
    KaLayout& operator=(const KaLayout&) = delete;

    // Tree operations: keep the size subscriptions and re-stack the children.
    void setParent(KaI3DObject2* parent) override;
    void addChild(KaI3DObject2* child) override;
    void addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling) override;
    void removeChild(KaI3DObject2* child) override;

    // Own flag and, when visible, the parent's; a layout without a parent is
    // never visible in the world.
    bool worldVisible() const override;

    // The z of the argument is ignored: setZPosition sets the user z.
    void setPosition(const KaVector3f32& position) override;
    void setZPosition(float z) override;
    KaVector3f32 position() override;
    // Parent's worldPosition + position(): a plain sum, the parents' rotation
    // and scale are not applied.
    KaVector3f32 worldPosition() override;

    // The z of the argument is ignored: the z size is the children's stack.
    void setSize(const KaVector3f32& size) override;
    KaVector3f32 size() override;
    float xSize() override;
    float ySize() override;
    // 0.1 + the sum of the children's z sizes.
    float zSize() override;

    // Always marks the world matrix stale, even when the scale is unchanged.
    void setScale(const KaVector3f32& scale) override;
    void setRotation(const KaQuaternion& rotation) override;
    // Brings the parents' matrices up to date first, so a layout read on its
    // own (a button asked for its depth) sees its parents' latest moves.
    // Likewise every getter first brings the parent's z order and size up to
    // date, so a deep layout read before its parents is never out of date.
    KaMatrix4x4 worldTransformationMatrix() override;

    // Draws the children in order when this layout is visible in the world.
    // Derived layouts draw their content, then call this.
    void draw() override;
    // Gives the children their z positions: 0.1 for the first, each next one
    // just above the whole z extent of its elder siblings. Only with auto z.
    void updateZ() override;

    void enableAutoZ() override { mAutoZ = true; }
    void disableAutoZ() override { mAutoZ = false; }
    bool isAutoZEnabled() const override { return mAutoZ; }
    void setMode(DrawMode mode) override { mDrawMode = mode; }
    DrawMode mode() const override { return mDrawMode; }
    void setSizeType(CoordinatesType type) override;
    CoordinatesType sizeType() const override { return mSizeType; }
    KaVector3f32 userSize() const override { return mUserSize; }
    // Width / height kept by the ratio modes (Percent sizes only).
    void setRatio(float ratio) override;
    float ratio() const override { return mRatio; }
    void setRatioMode(RatioMode mode) override;
    RatioMode ratioMode() const override { return mRatioMode; }
    void setSafeAreaRatio(float ratio) override;
    float safeAreaRatio() const override { return mSafeAreaRatio; }
    // The point of the layout, in fractions of its own size, that lands on
    // the user position (Percent positions only).
    void setAnchor(const KaVector3f32& anchor) override;
    KaVector3f32 anchor() const override { return mAnchor; }
    void setPositionType(CoordinatesType type) override;
    CoordinatesType positionType() const override { return mPositionType; }
    KaVector3f32 userPosition() const override { return mUserPosition; }
    void setEditionColor(const KaColor&) override { }

    // A window point (pixels, x from the left edge, y up from the bottom
    // edge, as the input manager gives it) in this layout's local space.
    KaVector3f32 transformMousePosition(const KaVector2s32& point) override;
    // Half-open rectangle around the centre, widened by FLT_EPSILON: true on
    // the left and top edges, false on the right and bottom ones.
    bool isMouseIn(const KaVector2s32& point) override;

    // Hooks for derived layouts. Each update runs only when its part is stale.
    virtual void updateMesh() { }
    virtual void updatePosition();
    virtual void updateZSize();
    virtual void updateSize();
    virtual void updateWorldMatrix();
    virtual bool onChildSizeChanged();
    virtual bool onParentSizeChanged();
    bool onParentWorldTransformationMatrixChanged() override;

protected:
    typedef KaSmartPointer<KaICallback0Param> Subscription;

    // A layout that must act just before the main window draws sets this; it
    // is subscribed to the main window's before-draw signal while the layout
    // has a parent.
    void setWindowCallback(const Subscription& callback);

    // The user size's z plays no part in the computation; kept for callers.
    void setUserSizeZ(float z) { mUserSize.z = z; }

    // The computed values, read without bringing anything up to date.
    const KaVector3f32& computedSize() const { return mSize; }
    // The computed values, written by the updates.
    void setComputedSize(const KaVector3f32& size) { mSize = size; }
    void setComputedPosition(const KaVector3f32& position) { mPosition = position; }

    void markSizeStale() { mSizeStale = true; }
    bool isSizeStale() const { return mSizeStale; }
    // Puts back the user's size settings after a layout pass borrowed them,
    // without marking anything stale.
    void restoreUserSize(CoordinatesType type, const KaVector3f32& size)
    {
        mSizeType = type;
        mUserSize = size;
    }
    void markPositionStale() { mPositionStale = true; }
    void markWorldMatrixStale() { mWorldMatrixStale = true; }
    void markZStale()
    {
        mZSizeStale = true;
        mZOrderStale = true;
    }

private:
    void pullParent();
    void subscribeToWindow();
    void unsubscribeFromWindow();

    bool mAutoZ;
    bool mZOrderStale;
    bool mZOrderUpdating;
    bool mZSizeStale;
    bool mZSizeUpdating;
    bool mSizeStale;
    bool mSizeUpdating;
    bool mPositionStale;
    bool mPositionUpdating;
    KaMatrix4x4 mWorldMatrix;
    bool mWorldMatrixStale;
    bool mWorldMatrixUpdating;
    DrawMode mDrawMode;
    CoordinatesType mSizeType;
    KaVector3f32 mUserSize;
    float mRatio;
    RatioMode mRatioMode;
    float mSafeAreaRatio;
    KaVector3f32 mAnchor;
    CoordinatesType mPositionType;
    KaVector3f32 mUserPosition;
    KaVector3f32 mSize;
    KaVector3f32 mPosition;
    Subscription mChildSizeCallback;
    Subscription mParentSizeCallback;
    Subscription mWindowCallback;
    bool mWindowSubscribed;
};

#endif
