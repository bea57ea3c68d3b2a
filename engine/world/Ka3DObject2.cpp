#include "engine/world/Ka3DObject2.h"

#include "engine/core/KaStream.h"

// The subscriptions call their slots through the virtual table, so a derived
// class's override of a slot is the one the parent's signal reaches.
Ka3DObject2::Ka3DObject2()
    : mParent(nullptr)
    , mVisible(true)
    , mScale(1.0f, 1.0f, 1.0f)
    , mColor(255, 255, 255, 255)
    , mColorInheritance(true)
    , mVisibilitySubscription(new KaCallback0Param<Ka3DObject2>(this, &Ka3DObject2::onWorldVisibleChangedSlot, 0.0f))
    , mColorSubscription(new KaCallback0Param<Ka3DObject2>(this, &Ka3DObject2::onParentWorldColorChanged, 0.0f))
    , mMatrixSubscription(
          new KaCallback0Param<Ka3DObject2>(this, &Ka3DObject2::onParentWorldTransformationMatrixChanged, 0.0f))
{
}

Ka3DObject2::~Ka3DObject2()
{
    KaI3DObject2* self = this;
    // The count is re-read each pass: a child's setParent may be overridden
    // and change the list.
    for (unsigned long i = 0; i < mChildren.size(); ++i) {
        KaI3DObject2* kid = static_cast<const KaArray<KaI3DObject2*>&>(mChildren)[i];
        if (kid && kid->parent() == self)
            kid->setParent(nullptr);
    }
    if (mParent)
        mParent->removeChild(self);
    // Still attached when the parent did not list this node.
    Ka3DObject2::setParent(nullptr);
}

void Ka3DObject2::setName(const KaString& name) { mName = name; }

KaString Ka3DObject2::name() const { return mName; }

KaI3DObject2* Ka3DObject2::parent() const { return mParent; }

void Ka3DObject2::leavePreviousParent(KaI3DObject2* child)
{
    // A node has one parent: left listed under the old one, it would be
    // drawn there after its owner released it.
    KaI3DObject2* previous = child->parent();
    if (previous && previous != this)
        previous->removeChild(child);
}

void Ka3DObject2::addChild(KaI3DObject2* child)
{
    leavePreviousParent(child);
    mChildren.pushBack(child);
    child->setParent(this);
    mChildListSignal.call();
}

void Ka3DObject2::addChildBefore(KaI3DObject2* child, KaI3DObject2* sibling)
{
    leavePreviousParent(child);
    const long index = mChildren.indexOf(sibling);
    if (index < 0)
        mChildren.pushBack(child);
    else
        mChildren.insert(child, static_cast<unsigned long>(index));
    child->setParent(this);
    mChildListSignal.call();
}

void Ka3DObject2::removeChild(KaI3DObject2* child)
{
    const long index = mChildren.indexOf(child);
    if (index < 0)
        return;
    child->setParent(nullptr);
    // Looked up again: the child's setParent may be overridden and have
    // changed the list meanwhile.
    const long current = mChildren.indexOf(child);
    if (current >= 0)
        mChildren.removeAt(static_cast<unsigned long>(current));
    mChildListSignal.call();
}

void Ka3DObject2::removeChildren()
{
    // A snapshot: an overridden setParent may touch the list.
    KaArray<KaI3DObject2*> children;
    children = mChildren;
    const KaArray<KaI3DObject2*>& list = children;
    for (unsigned long i = 0; i < list.size(); ++i)
        list[i]->setParent(nullptr);
    mChildren.clear();
    mChildListSignal.call();
}

unsigned long Ka3DObject2::childCount() const { return mChildren.size(); }

KaI3DObject2* Ka3DObject2::child(unsigned long index) const { return mChildren[index]; }

long Ka3DObject2::childIndex(KaI3DObject2* child) { return mChildren.indexOf(child); }

KaSignal0Param& Ka3DObject2::childListChanged() { return mChildListSignal; }

KaArray<KaI3DObject2*>& Ka3DObject2::childList() { return mChildren; }

void Ka3DObject2::setVisible(bool visible)
{
    if (visible == mVisible)
        return;
    mVisible = visible;
    onWorldVisibleChangedSlot();
}

bool Ka3DObject2::visible() const { return mVisible; }

bool Ka3DObject2::worldVisible() const
{
    if (!visible())
        return false;
    return mParent ? mParent->worldVisible() : true;
}

KaSignal0Param& Ka3DObject2::onWorldVisibleChanged() { return mWorldVisibleSignal; }

void Ka3DObject2::setPosition(const KaVector3f32& position)
{
    if (!(position != mPosition))
        return;
    mPosition = position;
    mPositionSignal.call();
    mWorldMatrixSignal.call();
}

void Ka3DObject2::setZPosition(float z)
{
    KaVector3f32 moved = position();
    moved.z = z;
    setPosition(moved);
}

KaVector3f32 Ka3DObject2::position() { return mPosition; }

KaSignal0Param& Ka3DObject2::onPositionChanged() { return mPositionSignal; }

KaVector3f32 Ka3DObject2::worldPosition()
{
    if (!mParent)
        return position();
    return mParent->worldPosition() + position();
}

void Ka3DObject2::setSize(const KaVector3f32& size)
{
    if (!(size != mSize))
        return;
    mSize = size;
    mSizeSignal.call();
}

KaVector3f32 Ka3DObject2::size() { return mSize; }

float Ka3DObject2::xSize() { return mSize.x; }

float Ka3DObject2::ySize() { return mSize.y; }

float Ka3DObject2::zSize() { return mSize.z; }

KaSignal0Param& Ka3DObject2::onSizeChanged() { return mSizeSignal; }

void Ka3DObject2::translate(const KaVector3f32& offset) { setPosition(position() + offset); }

void Ka3DObject2::rotate(const KaQuaternion& q) { setRotation(rotation() * q); }

void Ka3DObject2::setScale(const KaVector3f32& scale)
{
    if (!(scale != mScale))
        return;
    mScale = scale;
    mWorldMatrixSignal.call();
}

KaVector3f32 Ka3DObject2::scale() { return mScale; }

KaVector3f32 Ka3DObject2::worldScale()
{
    if (!mParent)
        return scale();
    return mParent->worldScale() * scale();
}

void Ka3DObject2::setRotation(const KaQuaternion& rotation)
{
    if (rotation == mRotation)
        return;
    mRotation = rotation;
    mWorldMatrixSignal.call();
}

KaQuaternion Ka3DObject2::rotation() const { return mRotation; }

KaQuaternion Ka3DObject2::worldRotation() const
{
    if (!mParent)
        return rotation();
    return mParent->worldRotation() * rotation();
}

void Ka3DObject2::setColor(const KaColor& color)
{
    mColor = color;
    mWorldColorSignal.call();
}

KaColor Ka3DObject2::color() const { return mColor; }

KaColor Ka3DObject2::worldColor() const
{
    if (mParent && colorInheritance())
        return mParent->worldColor() * color();
    return color();
}

KaSignal0Param& Ka3DObject2::onWorldColorChanged() { return mWorldColorSignal; }

void Ka3DObject2::setColorInheritance(bool inherit) { mColorInheritance = inherit; }

bool Ka3DObject2::colorInheritance() const { return mColorInheritance; }

KaMatrix4x4 Ka3DObject2::transformationMatrix()
{
    KaMatrix4x4 matrix;
    matrix.translate(position());
    matrix = matrix * rotation().toMatrix();
    matrix.scale(scale());
    return matrix;
}

KaMatrix4x4 Ka3DObject2::worldTransformationMatrix()
{
    if (!mParent)
        return transformationMatrix();
    return mParent->worldTransformationMatrix() * transformationMatrix();
}

KaSignal0Param& Ka3DObject2::onWorldTransformationMatrixChanged() { return mWorldMatrixSignal; }

void Ka3DObject2::draw() { }

void Ka3DObject2::updateZ() { }

void Ka3DObject2::setParent(KaI3DObject2* parent)
{
    disconnectFromParent();
    mParent = parent;
    if (!parent)
        return;
    parent->onWorldVisibleChanged().add(mVisibilitySubscription);
    parent->onWorldTransformationMatrixChanged().add(mMatrixSubscription);
    parent->onWorldColorChanged().add(mColorSubscription);
    mWorldVisibleSignal.call();
    mWorldMatrixSignal.call();
    mWorldColorSignal.call();
}

void Ka3DObject2::disconnectFromParent()
{
    if (!mParent)
        return;
    mParent->onWorldVisibleChanged().remove(mVisibilitySubscription);
    mParent->onWorldTransformationMatrixChanged().remove(mMatrixSubscription);
    mParent->onWorldColorChanged().remove(mColorSubscription);
}

bool Ka3DObject2::onWorldVisibleChangedSlot()
{
    mWorldVisibleSignal.call();
    return false;
}

bool Ka3DObject2::onParentWorldTransformationMatrixChanged()
{
    mWorldMatrixSignal.call();
    return false;
}

bool Ka3DObject2::onParentWorldColorChanged()
{
    mWorldColorSignal.call();
    return false;
}

bool Ka3DObject2::serialize(KaStream& stream, Ka3DObject2& object)
{
    bool ok = KaString::serialize(stream, object.name());
    ok = KaVector3f32::serialize(stream, object.position()) && ok;
    ok = KaQuaternion::serialize(stream, object.rotation()) && ok;
    ok = KaVector3f32::serialize(stream, object.scale()) && ok;
    return ok;
}

bool Ka3DObject2::deserialize(KaStream& stream, Ka3DObject2& object)
{
    KaString name;
    if (!KaString::deserialize(stream, name))
        return false;
    object.setName(name);

    KaVector3f32 position = object.position();
    if (!KaVector3f32::deserialize(stream, position))
        return false;
    object.setPosition(position);

    KaQuaternion rotation = object.rotation();
    if (!KaQuaternion::deserialize(stream, rotation))
        return false;
    object.setRotation(rotation);

    KaVector3f32 scale = object.scale();
    if (!KaVector3f32::deserialize(stream, scale))
        return false;
    object.setScale(scale);
    return true;
}
