#ifndef KA_CHECKBOX_LAYOUT_H
#define KA_CHECKBOX_LAYOUT_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"

// The two-valued toggle: shows one of six child layouts according to whether
// it is active, enabled and under the pointer, and toggles on a click that
// began on it. Listens to the input manager's pointer signals at its world z
// like the button layout, without the button's double-validation guard; every
// check box under the pointer takes its roll-over state.
//
// A new check box is in none of the states (NoState): nothing is shown or
// hidden for it, so all its layouts show until its first change, and pointer
// moves leave it alone until the first click or setState.
//
// The disabled states are entered only by setState; while in them, pointer
// events change nothing and are not swallowed. A state handler may drop the
// screen holding the check box through deleteLater().
// The state layouts and hit zone are children while set, not owned.
class KaCheckboxLayout : public KaLayout {
public:
    enum State {
        Active = 0,
        Unactive = 1,
        ActiveDisabled = 2,
        UnactiveDisabled = 3,
        ActiveRollOver = 4,
        UnactiveRollOver = 5,
        NoState = 6
    };

    KaCheckboxLayout();
    ~KaCheckboxLayout() override;

    // Nothing happens for the current state; otherwise hides every state
    // layout, shows the one of the new state and emits onStateChanged.
    void setState(State state);
    State state() const { return mState; }

    // A null layout only clears the slot. Visibilities are left until the
    // next state change. The unactive layout also sizes a Pixel check box
    // whose user size is still (1, 1).
    void setActiveLayout(KaLayout* layout);
    void setUnactiveLayout(KaLayout* layout);
    void setActiveDisabledLayout(KaLayout* layout);
    void setUnactiveDisabledLayout(KaLayout* layout);
    void setActiveRollOverLayout(KaLayout* layout);
    void setUnactiveRollOverLayout(KaLayout* layout);
    void setHitZone(KaLayout* layout);

    void setPosition(const KaVector3f32& position) override;
    void setSize(const KaVector3f32& size) override;
    bool isMouseIn(const KaVector2s32& point) override;

    void setClickPassThrough(bool passThrough) { mClickPassThrough = passThrough; }
    bool clickPassThrough() const { return mClickPassThrough; }
    void setActivationSound(const KaString& path) { mActivationSound = path; }
    void setUnactivationSound(const KaString& path) { mUnactivationSound = path; }

    KaSignal1Param<State> onStateChanged;

    // The input callbacks, public for the input manager's signals.
    bool onMouseLeftDown(unsigned int pointer);
    bool onMouseLeftUp(unsigned int pointer);
    bool onMouseLeftUpMaxPriority(unsigned int pointer);
    bool onMousePositionChanged(unsigned int pointer);

private:
    typedef KaSmartPointer<KaICallback1Param<unsigned int>> InputCallback;

    void replaceChild(KaLayout*& slot, KaLayout* layout);
    bool isDisabled() const { return mState == ActiveDisabled || mState == UnactiveDisabled; }
    bool pointerInside(unsigned int pointer);

    KaLayout* mActiveLayout;
    KaLayout* mUnactiveLayout;
    KaLayout* mActiveDisabledLayout;
    KaLayout* mUnactiveDisabledLayout;
    KaLayout* mActiveRollOverLayout;
    KaLayout* mUnactiveRollOverLayout;
    KaLayout* mHitZone;
    State mState;
    bool mClickPassThrough;
    bool mReleaseIsOurs;
    KaArray<unsigned int> mPressedPointers;
    KaString mActivationSound;
    KaString mUnactivationSound;
    InputCallback mReleaseCallback;
    InputCallback mReleaseBookkeeping;
    InputCallback mPressCallback;
    InputCallback mMoveCallback;
};

#endif
