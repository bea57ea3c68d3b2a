#include "engine/gui/KaCheckboxLayout.h"

#include <cfloat>

#include "engine/input/KaInputMgr.h"
#include "engine/sound/KaSoundManager.h"

namespace {
typedef KaLayout::KaZPriorityCallback1Param<unsigned int, KaCheckboxLayout> CheckboxZCallback;
typedef KaCallback1Param<unsigned int, KaCheckboxLayout> CheckboxCallback;
}

KaCheckboxLayout::KaCheckboxLayout()
    : mActiveLayout(nullptr)
    , mUnactiveLayout(nullptr)
    , mActiveDisabledLayout(nullptr)
    , mUnactiveDisabledLayout(nullptr)
    , mActiveRollOverLayout(nullptr)
    , mUnactiveRollOverLayout(nullptr)
    , mHitZone(nullptr)
    , mState(NoState)
    , mClickPassThrough(false)
    , mReleaseIsOurs(false)
    , mReleaseCallback(new CheckboxZCallback(this, &KaCheckboxLayout::onMouseLeftUp))
    , mReleaseBookkeeping(new CheckboxCallback(this, &KaCheckboxLayout::onMouseLeftUpMaxPriority, FLT_MAX))
    , mPressCallback(new CheckboxZCallback(this, &KaCheckboxLayout::onMouseLeftDown))
    , mMoveCallback(new CheckboxZCallback(this, &KaCheckboxLayout::onMousePositionChanged))
{
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftUp().add(mReleaseCallback);
    input->onAnyMouseLeftUp().add(mReleaseBookkeeping);
    input->onAnyMouseLeftDown().add(mPressCallback);
    input->onAnyMousePositionChanged().add(mMoveCallback);
}

KaCheckboxLayout::~KaCheckboxLayout()
{
    // A check box outliving the input manager must not bring it back to life.
    if (!inputMgr.exists())
        return;
    KaInputMgr* input = inputMgr.get();
    input->onAnyMouseLeftUp().remove(mReleaseCallback);
    input->onAnyMouseLeftUp().remove(mReleaseBookkeeping);
    input->onAnyMouseLeftDown().remove(mPressCallback);
    input->onAnyMousePositionChanged().remove(mMoveCallback);
}

void KaCheckboxLayout::setState(State state)
{
    if (state == mState)
        return;
    mState = state;
    KaLayout* const slots[] = { mActiveLayout, mUnactiveLayout, mActiveRollOverLayout, mUnactiveRollOverLayout,
        mActiveDisabledLayout, mUnactiveDisabledLayout };
    for (KaLayout* slot : slots) {
        if (slot)
            slot->setVisible(false);
    }
    KaLayout* shown = nullptr;
    switch (state) {
    case Active:
        shown = mActiveLayout;
        break;
    case Unactive:
        shown = mUnactiveLayout;
        break;
    case ActiveDisabled:
        shown = mActiveDisabledLayout ? mActiveDisabledLayout : mActiveLayout;
        break;
    case UnactiveDisabled:
        shown = mUnactiveDisabledLayout ? mUnactiveDisabledLayout : mUnactiveLayout;
        break;
    case ActiveRollOver:
        shown = mActiveRollOverLayout ? mActiveRollOverLayout : mActiveLayout;
        break;
    case UnactiveRollOver:
        shown = mUnactiveRollOverLayout ? mUnactiveRollOverLayout : mUnactiveLayout;
        break;
    default:
        break;
    }
    if (shown)
        shown->setVisible(true);
    onStateChanged.call(state);
}

void KaCheckboxLayout::replaceChild(KaLayout*& slot, KaLayout* layout)
{
    if (slot)
        removeChild(slot);
    if (layout)
        addChild(layout);
    slot = layout;
}

void KaCheckboxLayout::setActiveLayout(KaLayout* layout) { replaceChild(mActiveLayout, layout); }

void KaCheckboxLayout::setUnactiveLayout(KaLayout* layout)
{
    replaceChild(mUnactiveLayout, layout);
    if (layout && sizeType() == Pixel && userSize().x == 1.0f && userSize().y == 1.0f)
        setSize(layout->size());
}

void KaCheckboxLayout::setActiveDisabledLayout(KaLayout* layout) { replaceChild(mActiveDisabledLayout, layout); }

void KaCheckboxLayout::setUnactiveDisabledLayout(KaLayout* layout) { replaceChild(mUnactiveDisabledLayout, layout); }

void KaCheckboxLayout::setActiveRollOverLayout(KaLayout* layout) { replaceChild(mActiveRollOverLayout, layout); }

void KaCheckboxLayout::setUnactiveRollOverLayout(KaLayout* layout) { replaceChild(mUnactiveRollOverLayout, layout); }

void KaCheckboxLayout::setHitZone(KaLayout* layout) { replaceChild(mHitZone, layout); }

void KaCheckboxLayout::setPosition(const KaVector3f32& position) { KaLayout::setPosition(position); }

void KaCheckboxLayout::setSize(const KaVector3f32& size) { KaLayout::setSize(size); }

bool KaCheckboxLayout::isMouseIn(const KaVector2s32& point)
{
    return mHitZone ? mHitZone->isMouseIn(point) : KaLayout::isMouseIn(point);
}

bool KaCheckboxLayout::pointerInside(unsigned int pointer) { return isMouseIn(inputMgr.get()->mousePosition(pointer)); }

bool KaCheckboxLayout::onMouseLeftDown(unsigned int pointer)
{
    if (!worldVisible() || isDisabled() || !pointerInside(pointer))
        return false;
    if (!mPressedPointers.contains(pointer))
        mPressedPointers.pushBack(pointer);
    return !mClickPassThrough;
}

bool KaCheckboxLayout::onMouseLeftUpMaxPriority(unsigned int pointer)
{
    mReleaseIsOurs = mPressedPointers.removeFast(pointer);
    return false;
}

bool KaCheckboxLayout::onMouseLeftUp(unsigned int pointer)
{
    // A disabled box ignores the release even when the press came before the
    // game disabled it: toggling would take it out of its disabled state.
    if (!worldVisible() || isDisabled() || !pointerInside(pointer))
        return false;
    const bool swallow = !mClickPassThrough;
    if (!mReleaseIsOurs)
        return swallow;
    KaInputMgr* input = inputMgr.get();
    for (unsigned long i = 0; i < mPressedPointers.size(); ++i) {
        const unsigned int other = mPressedPointers[i];
        if (pointerInside(other) && input->getMouseLeft(other))
            return swallow;
    }
    // Copied before the emission: a state handler may queue this box for
    // deletion, which keeps it alive, but the sound must not depend on it.
    const bool activating = mState != Active && mState != ActiveRollOver;
    const KaString sound = activating ? mActivationSound : mUnactivationSound;
    setState(activating ? ActiveRollOver : UnactiveRollOver);
    if (sound.length() != 0)
        soundManager.get()->playFreeSound(sound, 1.0f, "sfx");
    return swallow;
}

bool KaCheckboxLayout::onMousePositionChanged(unsigned int pointer)
{
    const bool in = pointerInside(pointer);
    switch (mState) {
    case Active:
    case ActiveRollOver:
        setState(in ? ActiveRollOver : Active);
        break;
    case Unactive:
    case UnactiveRollOver:
        setState(in ? UnactiveRollOver : Unactive);
        break;
    default:
        break;
    }
    return false;
}
