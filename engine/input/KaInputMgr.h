#ifndef KA_INPUT_MGR_H
#define KA_INPUT_MGR_H

#include <cstdint>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaRealTimer.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"

class KaIClock;

// Key codes. Any int converts to a KaKey; only 0 to 14 name a key, the
// others read as up and are ignored by setKey.
enum KaKey : int {
    KaKeyUp = 0,
    KaKeyDown,
    KaKeyLeft,
    KaKeyRight,
    KaKeyEnter,
    KaKeyEscape,
    KaKeySpace,
    KaKeyBackspace,
    KaKeyTab,
    KaKeyShift,
    KaKeyControl,
    KaKeyAlt,
    KaKeyPageUp,
    KaKeyPageDown,
    KaKeyDelete,
    KaKeyCount
};

// Where pointer, key and tilt input enters the engine, reached through the
// holder `inputMgr`.
//
// The host hands every mouse event over as it comes: the position in window
// pixels with y counted from the top (setMouseRawPosition) and the left
// button's state (setMouseLeft), for pointer 0. Raw positions are flipped
// against the height of `defaultScreen` (so y counts up from the bottom),
// then go through the scale, rotation and translation set here, truncated
// toward zero to whole pixels.
//
// Signals are emitted synchronously from inside those calls. A button change
// goes first to the any-pointer signal, whose listeners (GUI elements at
// their world z, the game at -10000) return true when they handled it; only
// when none did is pointer 0's default signal emitted. A position change
// emits the any-pointer signal and then, for pointer 0, the default one,
// whatever the first returned.
//
// forceMouseLeft sets a button state from code and marks the pointer forced:
// while marked, a changed state from setMouseLeft is swallowed, and the first
// call that repeats the stored state clears the mark. So a release forced
// while the button is held is reported once, when forced, and not again when
// the button really comes up.
//
// Pointer 0's recent positions are kept in a ring of 20 timed entries for
// mouseSpeed and mouseSmoothPosition. Entries never written count as
// position (0, 0) reached in no time, and take part in those averages.
//
// Pointer ids are not checked: callers keep them below the number of slots
// (one, pointer 0). Holds signals and timers: never keep one by value in a
// KaArray. Main thread only.
class KaInputMgr {
public:
    struct MouseData {
        bool pressed;
        // Set by forceMouseLeft; while set, setMouseLeft swallows changes.
        bool forced;
        // Set when a release arrives; the next move then starts the old
        // position afresh at the new one.
        bool released;
        KaVector2s32 position;
        KaVector2s32 rawPosition;
        KaVector2s32 oldPosition;
    };

    // Runs initialize().
    KaInputMgr();
    virtual ~KaInputMgr();
    KaInputMgr(const KaInputMgr&) = delete;
    KaInputMgr& operator=(const KaInputMgr&) = delete;

    // Back to one idle pointer at (0, 0), the identity transform, no tilt,
    // all keys up, input unblocked and buttons accepted; starts the timers.
    // Creates the core if it does not exist yet.
    void initialize();
    // Once per frame: a frame that came more than 0.2 s after the previous
    // one restarts the freeze timer.
    void update();
    // False for codes outside 0 to 14.
    bool getKey(KaKey key) const;

    virtual bool getMouseLeft(unsigned int id) const;
    // Applies the state through setMouseLeft (signals included) and marks
    // the pointer forced. Ignored when blocked or buttons are not accepted.
    virtual void forceMouseLeft(bool down, unsigned int id);
    virtual KaSignal0Param& onDefaultMouseLeftUp();
    virtual KaSignal0Param& onDefaultMouseLeftDown();
    virtual KaSignal0Param& onDeviceTilt();
    virtual KaSignal1Param<unsigned int>& onAnyMouseLeftUp();
    virtual KaSignal1Param<unsigned int>& onAnyMouseLeftDown();
    virtual KaVector2s32 mousePosition(unsigned int id) const;
    // Pointer 0's mean position over the moves of the last `window` seconds
    // (at most 20 entries); pointer 0's position for any other id, or when
    // the pointer has rested longer than the window.
    virtual KaVector2s32 mouseSmoothPosition(unsigned int id, float window);
    virtual KaVector2s32 mouseRawPosition(unsigned int id) const;
    virtual KaVector2s32 mouseOldPosition(unsigned int id) const;
    // Each coordinate cut to its low 16 bits.
    virtual void getMousePosition(short& x, short& y, unsigned int id);
    virtual void getMousePosition(short* x, short* y, unsigned int id);
    // smoothedTilt(1), each component truncated toward zero.
    virtual void getTiltValues(short* x, short* y, short* z);
    // The mean of the last min(count, 100) tilt samples; (0, 0, 0) for a
    // count of 0.
    virtual KaVector3f32 smoothedTilt(unsigned long count);
    virtual KaSignal0Param& onDefaultMousePositionChanged();
    virtual KaSignal1Param<unsigned int>& onAnyMousePositionChanged();
    // While blocked, button, key and position changes are ignored; raw
    // positions are still stored.
    virtual void setBlocked(bool blocked);
    virtual void setMouseLeft(bool down, unsigned int id);
    // A release of a key that was down emits the key signal; a press emits
    // nothing.
    virtual void setKey(KaKey key, bool down);
    virtual void setMouseRawPosition(const KaVector2s32& raw, unsigned int id);
    // Stores an already transformed position: records pointer 0's move in
    // the speed ring and emits the position signals. The same position
    // again does nothing.
    virtual void setMousePosition(const KaVector2s32& position, unsigned int id);
    virtual void setMousePosition(unsigned short x, unsigned short y, unsigned int id);
    // The transform applies from the next raw position on; nothing is
    // emitted. Degrees about z.
    virtual void setRotation(float degrees);
    virtual void setTranslation(const KaVector2s32& translation);
    virtual void setScale(const KaVector3f32& scale);
    virtual KaVector3f32 getScale();
    virtual KaSignal1Param<unsigned int>& onCharacter();
    // Pointer 0's speed in pixels per second over the moves of the last
    // `window` seconds; (0, 0) when it has rested longer than the window.
    virtual KaVector2s32 mouseSpeed(float window);
    // Milliseconds since the last frame that came more than 0.2 s after the
    // one before it (or since initialize()).
    virtual long long timeFromLastFreez();

    // Emitted with the key's code when a key is released.
    KaSignal1Param<KaKey&>& onKeyReleased() { return mKeySignal; }
    bool isBlocked() const { return mBlocked; }
    bool buttonsAccepted() const { return mButtonsAccepted; }
    void setButtonsAccepted(bool accepted) { mButtonsAccepted = accepted; }
    unsigned long pointerCount() const { return mPointers.size(); }
    // Puts another clock behind the freeze and sample timers (not owned;
    // null for the monotonic clock). For tests.
    void setClock(KaIClock* clock);

    static const unsigned int mTiltRingSize = 100;
    static const unsigned int mSpeedRingSize = 20;

private:
    struct SpeedEntry {
        float seconds;
        KaVector2s32 position;
    };

    static unsigned long previousSpeedIndex(unsigned long index) { return index == 0 ? mSpeedRingSize - 1 : index - 1; }

    bool mBlocked;
    KaSignal1Param<KaKey&> mKeySignal;
    bool mKeys[KaKeyCount];
    KaSignal0Param mOnDefaultMouseLeftUp;
    KaSignal0Param mOnDeviceTilt;
    KaSignal0Param mOnDefaultMouseLeftDown;
    KaSignal1Param<unsigned int> mOnAnyMouseLeftUp;
    KaSignal1Param<unsigned int> mOnAnyMouseLeftDown;
    KaArray<MouseData> mPointers;
    short mTilt[mTiltRingSize][3];
    unsigned long mTiltIndex;
    KaSignal0Param mOnDefaultMousePositionChanged;
    KaSignal1Param<unsigned int> mOnAnyMousePositionChanged;
    float mRotation;
    KaVector2s32 mTranslation;
    KaVector3f32 mScale;
    bool mButtonsAccepted;
    KaSignal1Param<unsigned int> mOnCharacter;
    KaRealTimer mFreezeTimer;
    SpeedEntry mSpeedRing[mSpeedRingSize];
    unsigned long mSpeedIndex;
    KaRealTimer mSampleTimer;
};

extern KaSingleton<KaInputMgr> inputMgr;

#endif
