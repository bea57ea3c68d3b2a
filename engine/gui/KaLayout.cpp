#include "engine/gui/KaLayout.h"

#include <cfloat>
#include <cmath>

#include "engine/gui/KaMainWindow.h"

namespace {

// The main window's before-draw signal, or null when reaching it would be
// wrong: no window yet (asking would create one, during shutdown too), a
// window being torn down, or the window itself asking.
KaSignal0Param* windowSignal(KaLayout* layout)
{
    if (!mainWindow.exists() || KaMainWindowBase::windowBeingDestroyed())
        return nullptr;
    KaMainWindow* window = mainWindow.get();
    if (static_cast<KaLayout*>(window) == layout)
        return nullptr;
    return &window->onBeforeDraw();
}

}

KaLayout::KaLayout()
    : mAutoZ(true)
    , mZOrderStale(true)
    , mZOrderUpdating(false)
    , mZSizeStale(true)
    , mZSizeUpdating(false)
    , mSizeStale(true)
    , mSizeUpdating(false)
    , mPositionStale(true)
    , mPositionUpdating(false)
    , mWorldMatrixStale(true)
    , mWorldMatrixUpdating(false)
    , mDrawMode(0)
    , mSizeType(Pixel)
    , mUserSize(1.0f, 1.0f, 1.0f)
    , mRatio(1.0f)
    , mRatioMode(None)
    , mSafeAreaRatio(4.0f / 3.0f)
    , mAnchor(0.5f, 0.5f, 0.5f)
    , mPositionType(Percent)
    , mUserPosition(0.5f, 0.5f, 0.5f)
    , mSize(1.0f, 1.0f, 1.0f)
    , mPosition(0.5f, 0.5f, 0.5f)
    , mChildSizeCallback(new KaCallback0Param<KaLayout>(this, &KaLayout::onChildSizeChanged, 0.0f))
    , mParentSizeCallback(new KaCallback0Param<KaLayout>(this, &KaLayout::onParentSizeChanged, 0.0f))
    , mWindowSubscribed(false)
{
    updateSize();
    updateMesh();
}

KaLayout::~KaLayout()
{
    unsubscribeFromWindow();
    for (unsigned long i = 0; i < childCount(); ++i) {
        KaI3DObject2* kid = child(i);
        if (kid)
            kid->onSizeChanged().remove(mChildSizeCallback);
    }
    if (KaI3DObject2* up = parent())
        up->onSizeChanged().remove(mParentSizeCallback);
    mChildSizeCallback = Subscription();
    mParentSizeCallback = Subscription();
    mWindowCallback = Subscription();
}

void KaLayout::setWindowCallback(const Subscription& callback)
{
    unsubscribeFromWindow();
    mWindowCallback = callback;
    if (parent())
        subscribeToWindow();
}

void KaLayout::subscribeToWindow()
{
    if (!mWindowCallback || mWindowSubscribed)
        return;
    if (KaSignal0Param* signal = windowSignal(this)) {
        signal->add(mWindowCallback);
        mWindowSubscribed = true;
    }
}

void KaLayout::unsubscribeFromWindow()
{
    if (!mWindowSubscribed)
        return;
    mWindowSubscribed = false;
    if (KaSignal0Param* signal = windowSignal(this))
        signal->remove(mWindowCallback);
}

void KaLayout::setParent(KaI3DObject2* newParent)
{
    if (KaI3DObject2* old = parent())
        old->onSizeChanged().remove(mParentSizeCallback);
    unsubscribeFromWindow();
    Ka3DObject2::setParent(newParent);
    if (newParent) {
        newParent->onSizeChanged().add(mParentSizeCallback);
        subscribeToWindow();
    }
    mZOrderStale = true;
    mSizeStale = true;
    mPositionStale = true;
    mWorldMatrixStale = true;
    updateSize();
}

void KaLayout::addChild(KaI3DObject2* kid)
{
    Ka3DObject2::addChild(kid);
    kid->onSizeChanged().add(mChildSizeCallback);
    markZStale();
    updateZSize();
    updateZ();
}

void KaLayout::addChildBefore(KaI3DObject2* kid, KaI3DObject2* sibling)
{
    Ka3DObject2::addChildBefore(kid, sibling);
    kid->onSizeChanged().add(mChildSizeCallback);
    markZStale();
    updateZSize();
    updateZ();
}

void KaLayout::removeChild(KaI3DObject2* kid)
{
    kid->onSizeChanged().remove(mChildSizeCallback);
    Ka3DObject2::removeChild(kid);
    markZStale();
    updateZSize();
    updateZ();
}

bool KaLayout::worldVisible() const
{
    if (!visible())
        return false;
    KaI3DObject2* up = parent();
    return up && up->worldVisible();
}

void KaLayout::setPosition(const KaVector3f32& requested)
{
    KaVector3f32 value(requested.x, requested.y, mUserPosition.z);
    if (value == mUserPosition)
        return;
    mUserPosition = value;
    mPositionStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::setZPosition(float z)
{
    if (z == mUserPosition.z)
        return;
    mUserPosition.z = z;
    mPositionStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::pullParent()
{
    // A parent changed since it was last read has not told this layout yet:
    // its z order and size are brought up to date first, and their change
    // signals mark what here depends on them.
    KaI3DObject2* up = parent();
    if (!up)
        return;
    up->updateZ();
    up->xSize();
}

KaVector3f32 KaLayout::position()
{
    pullParent();
    updateZ();
    updatePosition();
    return mPosition;
}

KaVector3f32 KaLayout::worldPosition()
{
    KaVector3f32 own = position();
    KaI3DObject2* up = parent();
    return up ? up->worldPosition() + own : own;
}

void KaLayout::setSize(const KaVector3f32& requested)
{
    KaVector3f32 value(requested.x, requested.y, mUserSize.z);
    if (value == mUserSize)
        return;
    mUserSize = value;
    mSizeStale = true;
    mPositionStale = true;
    mWorldMatrixStale = true;
}

KaVector3f32 KaLayout::size()
{
    pullParent();
    updateSize();
    updateZSize();
    return mSize;
}

float KaLayout::xSize()
{
    pullParent();
    updateSize();
    return mSize.x;
}

float KaLayout::ySize()
{
    pullParent();
    updateSize();
    return mSize.y;
}

float KaLayout::zSize()
{
    updateZSize();
    return mSize.z;
}

void KaLayout::setScale(const KaVector3f32& value)
{
    Ka3DObject2::setScale(value);
    mWorldMatrixStale = true;
}

void KaLayout::setRotation(const KaQuaternion& value)
{
    if (value == rotation())
        return;
    Ka3DObject2::setRotation(value);
    mWorldMatrixStale = true;
}

KaMatrix4x4 KaLayout::worldTransformationMatrix()
{
    // A parent moved since it was last read has not told its children yet:
    // reading it first lets its change signal mark this matrix stale.
    if (KaI3DObject2* up = parent())
        up->worldTransformationMatrix();
    pullParent();
    updateZ();
    updatePosition();
    updateWorldMatrix();
    return mWorldMatrix;
}

void KaLayout::draw()
{
    if (!visible() || !worldVisible())
        return;
    worldTransformationMatrix();
    for (unsigned long i = 0; i < childCount(); ++i)
        child(i)->draw();
}

void KaLayout::updateZ()
{
    if (!mZOrderStale || !mAutoZ)
        return;
    mZOrderStale = false;
    mZOrderUpdating = true;
    float z = 0.1f;
    for (unsigned long i = 0; i < childCount(); ++i) {
        KaI3DObject2* kid = child(i);
        kid->setZPosition(z);
        z += kid->zSize();
    }
    mZOrderUpdating = false;
}

void KaLayout::setSizeType(CoordinatesType type)
{
    if (type == mSizeType)
        return;
    mSizeType = type;
    mSizeStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::setRatio(float value)
{
    if (value == mRatio)
        return;
    mRatio = value;
    mSizeStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::setRatioMode(RatioMode value)
{
    if (value == mRatioMode)
        return;
    mRatioMode = value;
    mSizeStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::setSafeAreaRatio(float value)
{
    if (value == mSafeAreaRatio)
        return;
    mSafeAreaRatio = value;
    mSizeStale = true;
    mWorldMatrixStale = true;
}

void KaLayout::setAnchor(const KaVector3f32& value)
{
    if (value == mAnchor)
        return;
    mAnchor = value;
    mPositionStale = true;
    mWorldMatrixStale = true;
    updateMesh();
}

void KaLayout::setPositionType(CoordinatesType type)
{
    if (type == mPositionType)
        return;
    mPositionType = type;
    mPositionStale = true;
    mWorldMatrixStale = true;
}

KaVector3f32 KaLayout::transformMousePosition(const KaVector2s32& point)
{
    KaMainWindow* window = mainWindow.get();
    const float w = window->xSize();
    const float h = window->ySize();
    const KaVector3f32 windowAnchor = window->anchor();
    const int x = static_cast<int>(static_cast<float>(point.x) - windowAnchor.x * w);
    const int y = static_cast<int>(static_cast<float>(static_cast<int>(h) - point.y) - h * windowAnchor.y);
    KaMatrix4x4 inverse = worldTransformationMatrix().getInverseMatrix();
    return inverse * KaVector3f32(static_cast<float>(x), static_cast<float>(y), 0.0f);
}

bool KaLayout::isMouseIn(const KaVector2s32& point)
{
    const KaVector3f32 local = transformMousePosition(point);
    const KaVector3f32 half = size() / 2.0f;
    return -half.x - FLT_EPSILON <= local.x && local.x < half.x + FLT_EPSILON && -half.y - FLT_EPSILON <= local.y
        && local.y < half.y + FLT_EPSILON;
}

void KaLayout::updateSize()
{
    if (!mSizeStale)
        return;
    mSizeStale = false;
    mSizeUpdating = true;
    const KaVector3f32 before = mSize;
    KaI3DObject2* up = parent();
    if (mSizeType == Pixel) {
        mSize.x = std::fabs(mUserSize.x);
        mSize.y = std::fabs(mUserSize.y);
    } else if (!up) {
        mSize.x = 0.0f;
        mSize.y = 0.0f;
    } else {
        float sx = mUserSize.x * up->xSize();
        float sy = mUserSize.y * up->ySize();
        if (sx > 0.0f && sy > 0.0f && mRatio > 0.0f && mSafeAreaRatio > 0.0f) {
            const float r = sx / sy;
            if (mRatioMode == PanScan) {
                if (mSafeAreaRatio <= r)
                    sx = mRatio * sy;
                else
                    sx = (1.0f - (mSafeAreaRatio - r) / mSafeAreaRatio) * mRatio * sy;
            } else if (mRatioMode == LetterBox) {
                if (mRatio < r)
                    sx = mRatio * sy;
                else
                    sy = sx / mRatio;
            }
        }
        mSize.x = sx;
        mSize.y = sy;
    }
    mSizeUpdating = false;
    mPositionStale = true;
    updateMesh();
    if (mSize != before)
        onSizeChanged().call();
}

void KaLayout::updatePosition()
{
    if (!mPositionStale)
        return;
    mPositionStale = false;
    mPositionUpdating = true;
    const KaVector3f32 before = mPosition;
    KaI3DObject2* up = parent();
    if (mPositionType == Pixel) {
        mPosition = mUserPosition;
    } else if (up) {
        const float parentX = up->xSize();
        const float parentY = up->ySize();
        const float ownX = xSize();
        const float ownY = ySize();
        mPosition.x = (mUserPosition.x - 0.5f) * parentX + (0.5f - mAnchor.x) * ownX;
        mPosition.y = (mUserPosition.y - 0.5f) * parentY + (0.5f - mAnchor.y) * ownY;
        mPosition.z = mUserPosition.z;
    }
    mWorldMatrixStale = true;
    mPositionUpdating = false;
    if (mPosition != before)
        onPositionChanged().call();
}

void KaLayout::updateWorldMatrix()
{
    if (!mWorldMatrixStale)
        return;
    mWorldMatrixStale = false;
    mWorldMatrixUpdating = true;
    const KaMatrix4x4 before = mWorldMatrix;
    mWorldMatrix = Ka3DObject2::worldTransformationMatrix();
    mWorldMatrixUpdating = false;
    if (mWorldMatrix != before)
        onWorldTransformationMatrixChanged().call();
}

void KaLayout::updateZSize()
{
    if (!mZSizeStale)
        return;
    mZSizeStale = false;
    mZSizeUpdating = true;
    const KaVector3f32 before = mSize;
    float sum = 0.1f;
    for (unsigned long i = 0; i < childCount(); ++i)
        sum += child(i)->zSize();
    mSize.z = sum;
    mPositionStale = true;
    mZSizeUpdating = false;
    if (mSize != before)
        onSizeChanged().call();
}

bool KaLayout::onChildSizeChanged()
{
    markZStale();
    updateSize();
    if (!mZSizeUpdating)
        updateZSize();
    return false;
}

bool KaLayout::onParentSizeChanged()
{
    mSizeStale = true;
    mPositionStale = true;
    mWorldMatrixStale = true;
    return false;
}

bool KaLayout::onParentWorldTransformationMatrixChanged()
{
    mWorldMatrixStale = true;
    return false;
}
