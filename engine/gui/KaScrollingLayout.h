#ifndef KA_SCROLLING_LAYOUT_H
#define KA_SCROLLING_LAYOUT_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaCurveAnim2.h"

// The scroll view: moves one content layout inside itself, by a drag of
// pointer 0 that glides on after the release, and by an automatic scrolling
// that starts after a pause and goes forward and back a given number of
// times.
//
// The scroll position is a pair of fractions from 0 to 1 (x and y) of the
// content's scrollable range. Enclosed, 0 puts the content's leading edge on
// the view's leading edge and 1 its trailing edge on the view's trailing
// edge; not enclosed, the content travels from just past the trailing edge
// (0) to just before the leading edge (1). An axis on which the content is no
// larger than the view never moves. The content is placed through its user
// position, which must be of the Percent type.
//
// A button covering the whole view, above the content, catches the press
// that starts a drag. It lets that press through to the content, and keeps
// letting the release through while the pointer stays within the drag
// threshold of where it went down, so a short drag still clicks a button of
// the content and a long one does not. The slide button takes every pointer
// move over the view for itself while it does not let clicks through: the
// buttons of the content get no roll-over before the view was first pressed,
// nor after a drag beyond the threshold, until the next press.
//
// Any drag stops the automatic scrolling; the release restarts it after the
// auto-scroll delay. Hiding the view puts the content back where it was when
// it was set; showing it restarts the automatic scrolling from the pause.
//
// Timers, animations and the input manager's signals hold this layout's
// address. Main thread only.
class KaScrollingLayout : public KaLayout {
public:
    KaScrollingLayout();
    ~KaScrollingLayout() override;

    // The previous content leaves the children; the new one (not owned) goes
    // just under the slide button, and its user position is remembered as the
    // start position.
    void setContentLayout(KaLayout* layout);
    KaLayout* contentLayout() const { return mContentLayout; }

    // Weights of the drag per axis, and the way the automatic scrolling goes.
    void setDirection(const KaVector3f32& direction) { mDirection = direction; }
    const KaVector3f32& direction() const { return mDirection; }
    void setEnclose(bool enclose) { mEnclose = enclose; }
    bool enclose() const { return mEnclose; }
    // Dragging on or off: shows or hides the slide button.
    void setMouseControl(bool enabled);
    bool mouseControl() const { return mMouseControl; }

    void setInertiaAnimationCurve(const KaArray<float>& curve) { mInertiaCurve = curve; }
    const KaArray<float>& inertiaAnimationCurve() const { return mInertiaCurve; }
    // Milliseconds.
    void setInertiaAnimationDuration(unsigned int duration) { mInertiaDuration = duration; }
    unsigned int inertiaAnimationDuration() const { return mInertiaDuration; }

    // Forward-and-back cycles; -1 for endless.
    void setAutoScrollLoop(int loop) { mAutoScrollLoop = loop; }
    int autoScrollLoop() const { return mAutoScrollLoop; }
    // Cycles completed since the automatic scrolling last started.
    int autoScrollLoopsDone() const { return mLoopsDone; }
    // Milliseconds of pause before the automatic scrolling starts.
    void setAutoScrollDelay(unsigned int delay) { mAutoScrollDelay = delay; }
    unsigned int autoScrollDelay() const { return mAutoScrollDelay; }

    // Animation 1 scrolls forward, animation 2 back; each after its own
    // pause (milliseconds), at its speed in view sizes per second.
    void setAutoScrollAnimation1Enabled(bool enabled) { mAnimation1.enabled = enabled; }
    bool autoScrollAnimation1Enabled() const { return mAnimation1.enabled; }
    void setAutoScrollAnimation1Delay(unsigned int delay) { mAnimation1.delay = delay; }
    unsigned int autoScrollAnimation1Delay() const { return mAnimation1.delay; }
    void setAutoScrollAnimation1Speed(float speed) { mAnimation1.speed = speed; }
    float autoScrollAnimation1Speed() const { return mAnimation1.speed; }
    void setAutoScrollAnimation1Curve(const KaArray<float>& curve) { mAnimation1.curve = curve; }
    const KaArray<float>& autoScrollAnimation1Curve() const { return mAnimation1.curve; }
    void setAutoScrollAnimation2Enabled(bool enabled) { mAnimation2.enabled = enabled; }
    bool autoScrollAnimation2Enabled() const { return mAnimation2.enabled; }
    void setAutoScrollAnimation2Delay(unsigned int delay) { mAnimation2.delay = delay; }
    unsigned int autoScrollAnimation2Delay() const { return mAnimation2.delay; }
    void setAutoScrollAnimation2Speed(float speed) { mAnimation2.speed = speed; }
    float autoScrollAnimation2Speed() const { return mAnimation2.speed; }
    void setAutoScrollAnimation2Curve(const KaArray<float>& curve) { mAnimation2.curve = curve; }
    const KaArray<float>& autoScrollAnimation2Curve() const { return mAnimation2.curve; }

    // (0, 0, 0) without a content.
    KaVector3f32 scrollPosition();
    // x and y are clamped to [0, 1]; nothing without a content.
    void setScrollPosition(const KaVector3f32& position);
    // Stores the speed (scroll position per second) and moves by it over the
    // time since the previous drag or glide step.
    void setSpeed(const KaVector3f32& speed);
    const KaVector3f32& speed() const { return mSpeed; }
    // Stops everything and puts the content back at its start position.
    void resetScrollPosition();
    // Stops everything and starts the automatic scrolling from its pause,
    // unless the loop count is 0 (or below, other than -1).
    void playAutoScroll();

    // Pixels of pointer movement up to which a drag still lets the release
    // through as a click.
    float dragThreshold() const { return mDragThreshold; }
    KaButtonLayout& slideButton() { return mSlideButton; }

    // A content that leaves the children (destroyed, or removed by hand) is
    // forgotten.
    void removeChild(KaI3DObject2* child) override;
    void setVisible(bool visible) override;
    bool onWorldVisibleChangedSlot() override;

    // Emitted by setScrollPosition and resetScrollPosition.
    KaSignal0Param onScrollPositionChanged;

    // Handlers of the slide button, the input manager and the timers and
    // animations; public for their signals.
    bool onSlideButtonDown();
    bool onMouseMove(unsigned int pointer);
    bool onMouseLeftUp(unsigned int pointer);
    bool onAutoScrollDelayTimer();
    bool onAutoScrollAnimation1DelayTimer();
    bool onAutoScrollAnimation2DelayTimer();
    bool onAutoScrollAnimation1Finished();
    bool onAutoScrollAnimation2Finished();

private:
    typedef KaCurveAnim2<KaScrollingLayout, KaVector3f32> VectorAnim;
    typedef KaSmartPointer<KaICallback1Param<unsigned int>> InputCallback;

    struct AutoScrollAnimation {
        bool enabled;
        unsigned int delay;
        KaTimer delayTimer;
        float speed;
        KaArray<float> curve;
        VectorAnim animation;
    };

    // Stops the glide, the three timers and both automatic scrolls.
    void stopAll();
    // The view's and the content's computed width and height.
    KaVector3f32 viewSize();
    KaVector3f32 contentSize();
    // Content size / view size per axis; (1, 1) when the view has a zero side.
    KaVector3f32 sizeRatio();
    // Whether the content is larger than the view on an axis the direction
    // uses.
    bool canDrag();
    void armTimer(KaTimer& timer, unsigned int milliseconds);
    // Schedules the first enabled animation's pause, from animation 1 or
    // from animation 2, unless the loop count is reached.
    void scheduleFrom(bool first);
    bool loopCountReached() const;
    void startAutoScrollAnimation(AutoScrollAnimation& animation, float sense);
    void subscribeToInput();
    void unsubscribeFromInput();

    KaButtonLayout mSlideButton;
    KaVector2s32 mLastMousePosition;
    KaVector3f32 mPressPosition;
    float mDragThreshold;
    VectorAnim mInertiaAnimation;
    KaArray<float> mInertiaCurve;
    unsigned int mInertiaDuration;
    KaVector3f32 mSpeed;
    KaTimer mSpeedTimer;
    KaLayout* mContentLayout;
    // The same object as a tree node, to recognise it when it leaves.
    KaI3DObject2* mContentNode;
    KaVector3f32 mDirection;
    bool mEnclose;
    bool mMouseControl;
    int mAutoScrollLoop;
    int mLoopsDone;
    unsigned int mAutoScrollDelay;
    KaTimer mAutoScrollDelayTimer;
    AutoScrollAnimation mAnimation1;
    AutoScrollAnimation mAnimation2;
    KaVector3f32 mContentStartPosition;
    InputCallback mMoveCallback;
    InputCallback mReleaseCallback;
};

#endif
