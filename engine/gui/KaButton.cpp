#include "engine/gui/KaButton.h"

#include <cfloat>

#include "engine/input/KaInputMgr.h"
#include "engine/maths/KaMatrix4x4.h"

namespace {
typedef KaCallback1Param<unsigned int, KaButton> ButtonCallback;
}

KaButton::KaButton(KaScreen*)
    : mPressed(false)
    , mVisible(false)
    , mEnabled(true)
    , mReleaseFromPress(false)
    , mPressCallback(new ButtonCallback(this, &KaButton::onMouseLeftDown, 0.0f))
    , mReleaseCallback(new ButtonCallback(this, &KaButton::onMouseLeftUp, 0.0f))
    , mReleaseBookkeeping(new ButtonCallback(this, &KaButton::onMouseLeftUpMaxPriority, FLT_MAX))
    , mMoveCallback(new ButtonCallback(this, &KaButton::onMousePositionChanged, 0.0f))
{
    inputMgr.get()->onAnyMousePositionChanged().add(mMoveCallback);
}

KaButton::~KaButton()
{
    // A button outliving the input manager must not bring it back to life.
    if (!inputMgr.exists())
        return;
    setVisible(false);
    inputMgr.get()->onAnyMousePositionChanged().remove(mMoveCallback);
}

float KaButton::worldZ() const { return (getWorldTransformationMatrix() * KaVector3f32(0, 0, 0)).z; }

void KaButton::registerZOrdered()
{
    const float z = worldZ();
    mPressCallback->setPriority(z);
    mReleaseCallback->setPriority(z);
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftDown().add(mPressCallback);
    input->onAnyMouseLeftUp().add(mReleaseCallback);
}

void KaButton::unregisterZOrdered()
{
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftDown().remove(mPressCallback);
    input->onAnyMouseLeftUp().remove(mReleaseCallback);
}

void KaButton::setVisible(bool visible)
{
    if (visible == mVisible)
        return;
    if (!visible) {
        if (mPressed) {
            mPressed = false;
            onReleased.call();
        }
        mVisible = false;
        unregisterZOrdered();
        inputMgr.get()->onAnyMouseLeftUp().remove(mReleaseBookkeeping);
        mPressedPointers.clear();
        return;
    }
    mVisible = true;
    registerZOrdered();
    inputMgr.get()->onAnyMouseLeftUp().add(mReleaseBookkeeping);
}

void KaButton::setEnable(bool enable)
{
    mEnabled = enable;
    if (enable)
        return;
    mPressedPointers.clear();
    if (mPressed) {
        mPressed = false;
        onReleased.call();
    }
}

void KaButton::setState(bool pressed)
{
    if (pressed == mPressed)
        return;
    mPressed = pressed;
    if (pressed)
        onPressed.call();
    else
        onReleased.call();
}

void KaButton::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    if (mVisible) {
        unregisterZOrdered();
        registerZOrdered();
    }
    setState(pressedPointerInside());
}

bool KaButton::isIn(const KaVector2s32& point)
{
    const KaVector3f32 local = getWorldTransformationMatrix().getInverseMatrix()
        * KaVector3f32(static_cast<float>(point.x), static_cast<float>(point.y), 0.0f);
    const KaVector3f32 size = getSize();
    return local.x >= 0.0f && local.x < size.x && local.y >= 0.0f && local.y < size.y;
}

bool KaButton::pressedPointerInside()
{
    if (!mVisible || !mEnabled)
        return false;
    KaInputMgr* input = inputMgr.get();
    for (unsigned long i = 0; i < mPressedPointers.size(); ++i) {
        if (isIn(input->mousePosition(mPressedPointers[i])))
            return true;
    }
    return false;
}

bool KaButton::onMouseLeftDown(unsigned int pointer)
{
    const KaVector2s32 position = inputMgr.get()->mousePosition(pointer);
    if (!mVisible || !isIn(position))
        return false;
    if (mEnabled) {
        if (!mPressedPointers.contains(pointer))
            mPressedPointers.pushBack(pointer);
        setState(true);
    }
    // Taken also when disabled: what lies below must not see the press.
    return true;
}

bool KaButton::onMouseLeftUpMaxPriority(unsigned int pointer)
{
    if (!mPressedPointers.contains(pointer)) {
        mReleaseFromPress = false;
        return false;
    }
    mPressedPointers.removeFast(pointer);
    setState(pressedPointerInside());
    mReleaseFromPress = true;
    return false;
}

bool KaButton::onMouseLeftUp(unsigned int pointer)
{
    if (!mVisible || !isIn(inputMgr.get()->mousePosition(pointer)) || !mEnabled)
        return false;
    if (mReleaseFromPress && !pressedPointerInside())
        onClicked.call();
    // Taken whoever pressed: a release over a button never reaches the game.
    return true;
}

bool KaButton::onMousePositionChanged(unsigned int pointer)
{
    if (mPressedPointers.contains(pointer))
        setState(pressedPointerInside());
    return false;
}
