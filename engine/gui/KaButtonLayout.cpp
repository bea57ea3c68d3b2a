#include "engine/gui/KaButtonLayout.h"

#include <cfloat>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaTimer.h"
#include "engine/input/KaInputMgr.h"
#include "engine/sound/KaSoundManager.h"

bool KaButtonLayout::mMousePositionChangedCatched = false;

namespace {
typedef KaLayout::KaZPriorityCallback1Param<unsigned int, KaButtonLayout> ButtonZCallback;
typedef KaCallback1Param<unsigned int, KaButtonLayout> ButtonCallback;
}

KaButtonLayout::KaButtonLayout()
    : mUpLayout(nullptr)
    , mDownLayout(nullptr)
    , mDisabledLayout(nullptr)
    , mRollOverLayout(nullptr)
    , mHitZone(nullptr)
    , mState(Up)
    , mClickPassThrough(false)
    , mReleaseIsOurs(false)
    , mValidationSoundVolume(1.0f)
    , mReleaseCallback(new ButtonZCallback(this, &KaButtonLayout::onMouseLeftUp))
    , mReleaseBookkeeping(new ButtonCallback(this, &KaButtonLayout::onMouseLeftUpMaxPriority, FLT_MAX))
    , mPressCallback(new ButtonZCallback(this, &KaButtonLayout::onMouseLeftDown))
    , mMoveCallback(new ButtonZCallback(this, &KaButtonLayout::onMousePositionChanged))
    , mMoveBookkeeping(new ButtonCallback(this, &KaButtonLayout::onMousePositionChangedMaxPriority, FLT_MAX))
    , mDoubleValidationProtection(true)
{
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftUp().add(mReleaseCallback);
    input->onAnyMouseLeftUp().add(mReleaseBookkeeping);
    input->onAnyMouseLeftDown().add(mPressCallback);
    input->onAnyMousePositionChanged().add(mMoveCallback);
    input->onAnyMousePositionChanged().add(mMoveBookkeeping);
    validationTimer();
}

KaButtonLayout::~KaButtonLayout()
{
    // A button outliving the input manager must not bring it back to life.
    if (!inputMgr.exists())
        return;
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftUp().remove(mReleaseCallback);
    input->onAnyMouseLeftUp().remove(mReleaseBookkeeping);
    input->onAnyMouseLeftDown().remove(mPressCallback);
    input->onAnyMousePositionChanged().remove(mMoveCallback);
    input->onAnyMousePositionChanged().remove(mMoveBookkeeping);
}

KaTimer& KaButtonLayout::validationTimer()
{
    // Shared by every button and alive until the process ends: a static timer
    // would unregister itself from the timer list after that list is gone.
    static KaTimer* timer = new KaTimer();
    if (!timer->isRunning())
        timer->start();
    return *timer;
}

long long KaButtonLayout::timeFromLastValidation()
{
    return static_cast<long long>(validationTimer().timeFromLastTimeElapsed()) / 1000;
}

void KaButtonLayout::resetTimeFromLastValidation() { validationTimer().timeElapsed(); }

void KaButtonLayout::setState(State state)
{
    if (state != mState) {
        mState = state;
        if (state == Up)
            onButtonChangedToStateUp.call();
        else if (state == Down)
            onButtonChangedToStateDown.call();
        else if (state == RollOver)
            onButtonChangedToStateRollOver.call();
    }
    KaLayout* shown = nullptr;
    switch (mState) {
    case Up:
        shown = mUpLayout;
        break;
    case Down:
        shown = mDownLayout ? mDownLayout : mUpLayout;
        break;
    case Disabled:
        shown = mDisabledLayout ? mDisabledLayout : (mDownLayout ? mDownLayout : mUpLayout);
        break;
    case RollOver:
        shown = mRollOverLayout ? mRollOverLayout : mUpLayout;
        break;
    }
    KaLayout* const slots[] = { mUpLayout, mDownLayout, mDisabledLayout, mRollOverLayout };
    for (KaLayout* slot : slots) {
        if (slot)
            slot->setVisible(slot == shown);
    }
}

void KaButtonLayout::replaceChild(KaLayout*& slot, KaLayout* layout)
{
    if (slot)
        removeChild(slot);
    if (layout)
        addChild(layout);
    slot = layout;
}

void KaButtonLayout::setUpLayout(KaLayout* layout)
{
    replaceChild(mUpLayout, layout);
    if (layout && sizeType() == Pixel && userSize().x == 1.0f && userSize().y == 1.0f)
        setSize(layout->size());
    setState(mState);
}

void KaButtonLayout::setDownLayout(KaLayout* layout)
{
    replaceChild(mDownLayout, layout);
    if (layout && !mUpLayout && sizeType() == Pixel && userSize().x == 1.0f && userSize().y == 1.0f)
        setSize(layout->size());
    setState(mState);
}

void KaButtonLayout::setRollOverLayout(KaLayout* layout)
{
    replaceChild(mRollOverLayout, layout);
    setState(mState);
}

void KaButtonLayout::setDisabledLayout(KaLayout* layout)
{
    replaceChild(mDisabledLayout, layout);
    setState(mState);
}

void KaButtonLayout::setHitZone(KaLayout* layout) { replaceChild(mHitZone, layout); }

bool KaButtonLayout::isMouseIn(const KaVector2s32& point)
{
    return mHitZone ? mHitZone->isMouseIn(point) : KaLayout::isMouseIn(point);
}

void KaButtonLayout::setEnable(bool enable)
{
    mState = enable ? Up : Disabled;
    setState(mState);
}

void KaButtonLayout::reset()
{
    mPressedPointers.clear();
    if (mState != Disabled)
        setState(Up);
}

void KaButtonLayout::setPosition(const KaVector3f32& position)
{
    KaLayout::setPosition(position);
    if (mState != Disabled)
        setState(anyPressedInside() ? Down : Up);
}

bool KaButtonLayout::isPressed(unsigned int pointer) const { return mPressedPointers.contains(pointer); }

bool KaButtonLayout::pointerInside(unsigned int pointer) { return isMouseIn(inputMgr.get()->mousePosition(pointer)); }

bool KaButtonLayout::anyPressedInside()
{
    for (unsigned long i = 0; i < mPressedPointers.size(); ++i) {
        if (pointerInside(mPressedPointers[i]))
            return true;
    }
    return false;
}

bool KaButtonLayout::anyPressedInsideAndDown()
{
    for (unsigned long i = 0; i < mPressedPointers.size(); ++i) {
        const unsigned int pointer = mPressedPointers[i];
        if (pointerInside(pointer) && inputMgr.get()->getMouseLeft(pointer))
            return true;
    }
    return false;
}

bool KaButtonLayout::onMouseLeftDown(unsigned int pointer)
{
    if (!worldVisible() || !pointerInside(pointer))
        return false;
    if (mState != Disabled) {
        if (!isPressed(pointer))
            mPressedPointers.pushBack(pointer);
        setState(Down);
    }
    return !mClickPassThrough;
}

bool KaButtonLayout::onMouseLeftUpMaxPriority(unsigned int pointer)
{
    if (mState == Disabled)
        return false;
    if (!isPressed(pointer)) {
        mReleaseIsOurs = false;
        return false;
    }
    mPressedPointers.removeFast(pointer);
    setState(anyPressedInside() ? Down : Up);
    mReleaseIsOurs = true;
    return false;
}

bool KaButtonLayout::onMouseLeftUp(unsigned int pointer)
{
    if (!worldVisible() || !pointerInside(pointer) || mState == Disabled)
        return false;
    // Read before the emission: a handler may queue this button for deletion.
    const bool swallow = !mClickPassThrough;
    if (!mReleaseIsOurs || anyPressedInsideAndDown())
        return swallow;
    const long long sinceFreeze = inputMgr.get()->timeFromLastFreez();
    const long long sinceValidation = timeFromLastValidation();
    const bool tooSoon = sinceFreeze < frozenValidationTimeoutTime() + 1
        || sinceValidation < doubleValidationProtectionTimeoutTime() + 1;
    if (tooSoon && mDoubleValidationProtection)
        return swallow;
    if (!tooSoon && !mClickPassThrough)
        resetTimeFromLastValidation();
    if (mValidationSound.length() != 0 && KaBaseFile::fileExist(KaPath(mValidationSound)))
        soundManager.get()->playFreeSound(mValidationSound, mValidationSoundVolume, "sfx");
    onMouseClickValidated.call();
    return swallow;
}

bool KaButtonLayout::onMousePositionChangedMaxPriority(unsigned int)
{
    mMousePositionChangedCatched = false;
    return false;
}

bool KaButtonLayout::onMousePositionChanged(unsigned int pointer)
{
    if (!worldVisible())
        return false;
    State base = mState;
    if (isPressed(pointer))
        base = anyPressedInside() ? Down : Up;
    const bool in = pointerInside(pointer);
    State next = base;
    if (in && base == Up && !mMousePositionChangedCatched)
        next = RollOver;
    else if (base == RollOver)
        next = in && !mMousePositionChangedCatched ? RollOver : Up;
    if (mState != Disabled)
        setState(next);
    if (in) {
        if (!mMousePositionChangedCatched) {
            // Read before the emission, which may queue this button for deletion.
            const bool passThrough = mClickPassThrough;
            onMouseOver.call();
            if (!passThrough)
                mMousePositionChangedCatched = true;
        } else if (!mClickPassThrough) {
            mMousePositionChangedCatched = true;
        }
    }
    return false;
}
