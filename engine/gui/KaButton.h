#ifndef KA_BUTTON_H
#define KA_BUTTON_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/world/Ka3DObject.h"

class KaScreen;

// The invisible clickable rectangle of the older widgets: a flat object with
// a size, tested against the input manager's pointers. The sprite buttons,
// the check box and the video player lay one under their pictures.
//
// A new button is hidden and ignores presses until setVisible(true). While
// shown it listens to presses and releases at its world z, so among
// overlapping buttons the nearest is offered an event first and, by taking
// it, hides it from lower ones and from the game. That priority is the world
// z when the callbacks were registered (setVisible(true) or setPosition): a
// later move of a parent does not reorder the button.
//
// A press inside is always taken, also by a disabled button, and so is a
// release inside, also one whose press began elsewhere. A click is a press
// and a release inside by the same pointer, with no other pointer still
// holding the button. The state is released (onReleased) before the click is
// emitted, by a bookkeeping callback that runs before every release callback.
//
// Registered with the input manager by address: not copyable.
class KaButton : public virtual Ka3DObject {
public:
    explicit KaButton(KaScreen* screen);
    ~KaButton() override;
    KaButton(const KaButton&) = delete;
    KaButton& operator=(const KaButton&) = delete;

    // The screen is not kept: a button draws nothing.
    void setScreen(KaScreen*) override { }
    // Registers again at the new world z when shown, then re-tests the
    // pointers that hold the button.
    void setPosition(const KaVector3f32& position) override;

    // Hiding releases the button and forgets its pointers.
    void setVisible(bool visible);
    bool getVisible() const { return mVisible; }
    // Disabling releases the button and forgets its pointers.
    void setEnable(bool enable);
    bool getEnable() const { return mEnabled; }
    // Emits onPressed or onReleased when the state changes.
    void setState(bool pressed);
    bool isPressed() const { return mPressed; }

    // The point in window pixels (y up) inside the world rectangle, size
    // bounds excluded: rotation and scale of the button and its parents count.
    bool isIn(const KaVector2s32& point);

    bool onAnyButtonPositionChanged(KaButton&) { return false; }

    KaSignal0Param onClicked;
    KaSignal0Param onPressed;
    KaSignal0Param onReleased;

    // The input callbacks, public for the input manager's signals.
    bool onMouseLeftDown(unsigned int pointer);
    bool onMouseLeftUp(unsigned int pointer);
    bool onMouseLeftUpMaxPriority(unsigned int pointer);
    bool onMousePositionChanged(unsigned int pointer);

private:
    typedef KaSmartPointer<KaICallback1Param<unsigned int>> InputCallback;

    float worldZ() const;
    void registerZOrdered();
    void unregisterZOrdered();
    // Whether a pointer that pressed the button is inside it.
    bool pressedPointerInside();

    bool mPressed;
    bool mVisible;
    bool mEnabled;
    KaArray<unsigned int> mPressedPointers;
    bool mReleaseFromPress;
    InputCallback mPressCallback;
    InputCallback mReleaseCallback;
    InputCallback mReleaseBookkeeping;
    InputCallback mMoveCallback;
};

#endif
