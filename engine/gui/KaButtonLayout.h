#ifndef KA_BUTTON_LAYOUT_H
#define KA_BUTTON_LAYOUT_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"

class KaTimer;

// The clickable widget: shows one of up to four child layouts according to
// its state, tests the pointer against itself or a separate hit zone, and
// validates a click when a press that began on it is released on it.
//
// Listens to the input manager's pointer signals at its world z, so among
// overlapping buttons the one nearest the viewer is offered an event first;
// bookkeeping callbacks at FLT_MAX run before every z-ordered one. A release
// over a button is swallowed even when the press began elsewhere, and a
// disabled button still swallows presses. Only the topmost button under the
// pointer takes roll-over.
//
// Validations of all buttons share one guard: none within 500 ms of the
// previous one, nor of the input manager's last freeze.
//
// A validation handler may drop the screen holding the button, through
// deleteLater(): the button reads nothing of itself after the emission.
// The state layouts and hit zone are children while set, not owned.
class KaButtonLayout : public KaLayout {
public:
    enum State { Up = 0, Down = 1, Disabled = 2, RollOver = 3 };

    KaButtonLayout();
    ~KaButtonLayout() override;

    // Emits the signal of the new state when it changed (none for Disabled),
    // then always refreshes which state layout is shown.
    void setState(State state);
    State state() const { return mState; }

    // A null layout only clears the slot. The up layout also sizes a Pixel
    // button whose user size is still (1, 1); the down layout does so only
    // without an up layout.
    void setUpLayout(KaLayout* layout);
    void setDownLayout(KaLayout* layout);
    void setRollOverLayout(KaLayout* layout);
    void setDisabledLayout(KaLayout* layout);
    void setHitZone(KaLayout* layout);
    KaLayout* upLayout() const { return mUpLayout; }
    KaLayout* downLayout() const { return mDownLayout; }
    KaLayout* disabledLayout() const { return mDisabledLayout; }
    KaLayout* rollOverLayout() const { return mRollOverLayout; }
    KaLayout* hitZone() const { return mHitZone; }

    bool isMouseIn(const KaVector2s32& point) override;
    // Up or Disabled, without a state signal.
    void setEnable(bool enable);
    // Forgets the pressed pointers; back to Up unless disabled.
    void reset();
    // A move under a held pointer presses or releases the button.
    void setPosition(const KaVector3f32& position) override;

    void setClickPassThrough(bool passThrough) { mClickPassThrough = passThrough; }
    bool clickPassThrough() const { return mClickPassThrough; }
    void setValidationSound(const KaString& path) { mValidationSound = path; }
    const KaString& validationSound() const { return mValidationSound; }
    void setValidationSoundVolume(float volume) { mValidationSoundVolume = volume; }
    float validationSoundVolume() const { return mValidationSoundVolume; }
    void setDoubleValidationProtectionEnabled(bool enabled) { mDoubleValidationProtection = enabled; }
    bool doubleValidationProtectionEnabled() const { return mDoubleValidationProtection; }

    static long long frozenValidationTimeoutTime() { return 500; }
    static long long doubleValidationProtectionTimeoutTime() { return 500; }
    // Whole milliseconds since the last validation of any button.
    static long long timeFromLastValidation();
    static void resetTimeFromLastValidation();

    KaSignal0Param onMouseClickValidated;
    KaSignal0Param onButtonChangedToStateUp;
    KaSignal0Param onButtonChangedToStateDown;
    KaSignal0Param onButtonChangedToStateRollOver;
    // Each pointer move over the topmost button under the pointer.
    KaSignal0Param onMouseOver;

    // The input callbacks, public for the input manager's signals.
    bool onMouseLeftDown(unsigned int pointer);
    bool onMouseLeftUp(unsigned int pointer);
    bool onMouseLeftUpMaxPriority(unsigned int pointer);
    bool onMousePositionChanged(unsigned int pointer);
    bool onMousePositionChangedMaxPriority(unsigned int pointer);

private:
    typedef KaSmartPointer<KaICallback1Param<unsigned int>> InputCallback;

    void replaceChild(KaLayout*& slot, KaLayout* layout);
    bool isPressed(unsigned int pointer) const;
    bool anyPressedInside();
    bool anyPressedInsideAndDown();
    bool pointerInside(unsigned int pointer);

    static KaTimer& validationTimer();

    KaLayout* mUpLayout;
    KaLayout* mDownLayout;
    KaLayout* mDisabledLayout;
    KaLayout* mRollOverLayout;
    KaLayout* mHitZone;
    State mState;
    bool mClickPassThrough;
    bool mReleaseIsOurs;
    KaArray<unsigned int> mPressedPointers;
    KaString mValidationSound;
    float mValidationSoundVolume;
    InputCallback mReleaseCallback;
    InputCallback mReleaseBookkeeping;
    InputCallback mPressCallback;
    InputCallback mMoveCallback;
    InputCallback mMoveBookkeeping;
    bool mDoubleValidationProtection;

    static bool mMousePositionChangedCatched;
};

#endif
