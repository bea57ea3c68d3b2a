#include "engine/gui/KaScrollingLayout.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "engine/input/KaInputMgr.h"

namespace {

typedef KaCallback1Param<unsigned int, KaScrollingLayout> ScrollCallback;

// A release that comes this long after the last move is a hold: the pointer
// rested, so nothing is left to glide on.
const double mHoldMicroseconds = 100000.0;

float clampUnit(float value)
{
    // NaN lands on 0.
    if (!(value > 0.0f))
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}

KaArray<float> samples(std::initializer_list<float> values)
{
    KaArray<float> array;
    for (float value : values)
        array.pushBack(value);
    return array;
}

} // namespace

KaScrollingLayout::KaScrollingLayout()
    : mDragThreshold(30.0f)
    , mInertiaCurve(samples({ 0.0f, 0.35f, 0.68f, 0.85f, 0.93f, 0.97f, 1.0f }))
    , mInertiaDuration(500)
    , mContentLayout(nullptr)
    , mContentNode(nullptr)
    , mDirection(0.0f, 1.0f, 0.0f)
    , mEnclose(true)
    , mMouseControl(true)
    , mAutoScrollLoop(-1)
    , mLoopsDone(0)
    , mAutoScrollDelay(1500)
    , mMoveCallback(new ScrollCallback(this, &KaScrollingLayout::onMouseMove, FLT_MAX))
    , mReleaseCallback(new ScrollCallback(this, &KaScrollingLayout::onMouseLeftUp, FLT_MAX))
{
    AutoScrollAnimation* const animations[] = { &mAnimation1, &mAnimation2 };
    for (AutoScrollAnimation* animation : animations) {
        animation->enabled = true;
        animation->delay = 1000;
        animation->speed = 0.1f;
        animation->curve = samples({ 0.0f, 1.0f });
    }

    mSlideButton.setSizeType(KaILayout::Percent);
    mSlideButton.setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
    addChild(&mSlideButton);
    mSlideButton.onButtonChangedToStateDown.add(this, &KaScrollingLayout::onSlideButtonDown, 0.0f);

    mAutoScrollDelayTimer.onAlarm.add(this, &KaScrollingLayout::onAutoScrollDelayTimer);
    mAnimation1.delayTimer.onAlarm.add(this, &KaScrollingLayout::onAutoScrollAnimation1DelayTimer);
    mAnimation2.delayTimer.onAlarm.add(this, &KaScrollingLayout::onAutoScrollAnimation2DelayTimer);
    mAnimation1.animation.onFinished.add(this, &KaScrollingLayout::onAutoScrollAnimation1Finished);
    mAnimation2.animation.onFinished.add(this, &KaScrollingLayout::onAutoScrollAnimation2Finished);

    mSpeedTimer.start();
    mLoopsDone = 0;
    playAutoScroll();
}

KaScrollingLayout::~KaScrollingLayout()
{
    unsubscribeFromInput();
    stopAll();
    if (mContentNode)
        removeChild(mContentNode);
    removeChild(&mSlideButton);
}

void KaScrollingLayout::subscribeToInput()
{
    KaInputMgr* input = inputMgr.get();
    input->onAnyMousePositionChanged().remove(mMoveCallback);
    input->onAnyMousePositionChanged().add(mMoveCallback);
    input->onAnyMouseLeftUp().remove(mReleaseCallback);
    input->onAnyMouseLeftUp().add(mReleaseCallback);
}

void KaScrollingLayout::unsubscribeFromInput()
{
    // A layout outliving the input manager must not bring it back to life.
    if (!inputMgr.exists())
        return;
    KaInputMgr* input = inputMgr.get();
    input->onAnyMousePositionChanged().remove(mMoveCallback);
    input->onAnyMouseLeftUp().remove(mReleaseCallback);
}

void KaScrollingLayout::setContentLayout(KaLayout* layout)
{
    if (mContentNode)
        removeChild(mContentNode);
    mContentLayout = layout;
    mContentNode = layout;
    if (!layout)
        return;
    mContentStartPosition = layout->userPosition();
    addChildBefore(layout, &mSlideButton);
}

void KaScrollingLayout::removeChild(KaI3DObject2* child)
{
    if (child && child == mContentNode) {
        mContentLayout = nullptr;
        mContentNode = nullptr;
    }
    KaLayout::removeChild(child);
}

void KaScrollingLayout::setMouseControl(bool enabled)
{
    if (enabled == mMouseControl)
        return;
    mMouseControl = enabled;
    mSlideButton.setVisible(enabled);
}

KaVector3f32 KaScrollingLayout::viewSize() { return KaVector3f32(xSize(), ySize(), 0.0f); }

KaVector3f32 KaScrollingLayout::contentSize()
{
    return KaVector3f32(mContentLayout->xSize(), mContentLayout->ySize(), 0.0f);
}

KaVector3f32 KaScrollingLayout::sizeRatio()
{
    const KaVector3f32 view = viewSize();
    if (view.x == 0.0f || view.y == 0.0f)
        return KaVector3f32(1.0f, 1.0f, 0.0f);
    const KaVector3f32 content = contentSize();
    return KaVector3f32(content.x / view.x, content.y / view.y, 0.0f);
}

bool KaScrollingLayout::canDrag()
{
    const KaVector3f32 view = viewSize();
    const KaVector3f32 content = contentSize();
    return (mDirection.x != 0.0f && content.x > view.x) || (mDirection.y != 0.0f && content.y > view.y);
}

KaVector3f32 KaScrollingLayout::scrollPosition()
{
    if (!mContentLayout)
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    const KaVector3f32 r = sizeRatio();
    const KaVector3f32 u = mContentLayout->userPosition();
    const KaVector3f32 a = mContentLayout->anchor();
    const float rs[2] = { r.x, r.y };
    const float us[2] = { u.x, u.y };
    const float as[2] = { a.x, a.y };
    float p[2] = { 0.0f, 0.0f };
    for (int i = 0; i < 2; ++i) {
        if (mEnclose)
            p[i] = rs[i] > 1.0f ? (as[i] * rs[i] - us[i]) / (rs[i] - 1.0f) : 0.0f;
        else
            p[i] = -((us[i] - 1.0f) - as[i] * rs[i]) / (rs[i] + 1.0f);
    }
    return KaVector3f32(p[0], p[1], 0.0f);
}

void KaScrollingLayout::setScrollPosition(const KaVector3f32& position)
{
    if (!mContentLayout)
        return;
    const float p[2] = { clampUnit(position.x), clampUnit(position.y) };
    const KaVector3f32 view = viewSize();
    const KaVector3f32 content = contentSize();
    const KaVector3f32 r = sizeRatio();
    const float vs[2] = { view.x, view.y };
    const float ks[2] = { content.x, content.y };
    const float rs[2] = { r.x, r.y };
    const KaVector3f32 a = mContentLayout->anchor();
    const float as[2] = { a.x, a.y };
    KaVector3f32 user = mContentLayout->userPosition();
    float* us[2] = { &user.x, &user.y };
    for (int i = 0; i < 2; ++i) {
        if (!(vs[i] < ks[i]))
            continue;
        if (mEnclose)
            *us[i] = as[i] * rs[i] - (rs[i] - 1.0f) * p[i];
        else
            *us[i] = as[i] * rs[i] + (1.0f - (rs[i] + 1.0f) * p[i]);
    }
    mContentLayout->setPosition(user);
    onScrollPositionChanged.call();
}

void KaScrollingLayout::setSpeed(const KaVector3f32& speed)
{
    mSpeed = speed;
    const float seconds = static_cast<float>(mSpeedTimer.timeElapsed() / 1000000.0);
    setScrollPosition(scrollPosition() + speed * seconds);
}

void KaScrollingLayout::stopAll()
{
    mInertiaAnimation.stop();
    KaTimer* const timers[] = { &mAutoScrollDelayTimer, &mAnimation1.delayTimer, &mAnimation2.delayTimer };
    for (KaTimer* timer : timers) {
        timer->stop();
        timer->unsetAlarm();
    }
    mAnimation1.animation.stop();
    mAnimation2.animation.stop();
}

void KaScrollingLayout::armTimer(KaTimer& timer, unsigned int milliseconds)
{
    timer.stop();
    timer.start();
    timer.setAlarmIn(static_cast<unsigned long long>(milliseconds) * 1000ULL);
}

void KaScrollingLayout::resetScrollPosition()
{
    if (!mContentLayout)
        return;
    stopAll();
    mContentLayout->setPosition(mContentStartPosition);
    onScrollPositionChanged.call();
}

void KaScrollingLayout::playAutoScroll()
{
    mLoopsDone = 0;
    if (mAutoScrollLoop != -1 && mAutoScrollLoop < 1)
        return;
    stopAll();
    armTimer(mAutoScrollDelayTimer, mAutoScrollDelay);
}

void KaScrollingLayout::setVisible(bool visible)
{
    const bool changed = visible != this->visible();
    Ka3DObject2::setVisible(visible);
    // The object's setVisible already ran the slot when the flag changed:
    // run it once either way, so showing a shown layout still restarts it.
    if (!changed)
        onWorldVisibleChangedSlot();
}

bool KaScrollingLayout::onWorldVisibleChangedSlot()
{
    KaLayout::onWorldVisibleChangedSlot();
    if (!worldVisible()) {
        mLoopsDone = 0;
        resetScrollPosition();
    } else {
        playAutoScroll();
    }
    return false;
}

bool KaScrollingLayout::onSlideButtonDown()
{
    mLoopsDone = 0;
    stopAll();
    KaInputMgr* input = inputMgr.get();
    mLastMousePosition = input->mousePosition(0);
    mPressPosition = KaVector3f32(mLastMousePosition);
    // A new drag has no step yet: a glide cut short by this press must not
    // come back at the release, and the first step is timed from here.
    mSpeed = KaVector3f32(0.0f, 0.0f, 0.0f);
    mSpeedTimer.timeElapsed();
    mSlideButton.setClickPassThrough(true);
    subscribeToInput();
    return false;
}

bool KaScrollingLayout::onMouseMove(unsigned int pointer)
{
    if (pointer != 0)
        return false;
    mInertiaAnimation.stop();
    const KaVector3f32 p = scrollPosition();
    if (!mContentLayout || !canDrag())
        return false;
    const KaVector2s32 m = inputMgr.get()->mousePosition(0);
    const KaVector3f32 view = viewSize();
    const KaVector3f32 content = contentSize();
    const float dx = static_cast<float>(m.x - mLastMousePosition.x);
    const float dy = static_cast<float>(m.y - mLastMousePosition.y);
    // Only the axes on which the content exceeds the view move; the others
    // keep a zero step (and no division by a zero range).
    KaVector3f32 delta(0.0f, 0.0f, 0.0f);
    if (content.x > view.x)
        delta.x = -(mDirection.x * dx) / (mEnclose ? content.x - view.x : content.x + view.x);
    if (content.y > view.y)
        delta.y = (dy * mDirection.y) / (mEnclose ? content.y - view.y : content.y + view.y);
    setScrollPosition(p + delta);
    mLastMousePosition = m;
    const KaVector3f32 travelled = KaVector3f32(m) - mPressPosition;
    mSlideButton.setClickPassThrough(travelled.getLength() <= mDragThreshold);
    const double seconds = mSpeedTimer.timeElapsed() / 1000000.0;
    if (seconds > 0.0)
        mSpeed = delta / static_cast<float>(seconds);
    return false;
}

bool KaScrollingLayout::onMouseLeftUp(unsigned int pointer)
{
    if (pointer != 0)
        return false;
    mInertiaAnimation.stop();
    if (mContentLayout) {
        // Held still before letting go: the speed of the last move is stale.
        if (mSpeedTimer.timeFromLastTimeElapsed() > mHoldMicroseconds)
            mSpeed = KaVector3f32(0.0f, 0.0f, 0.0f);
        mInertiaAnimation.setCurve(mInertiaCurve);
        mInertiaAnimation.mDuration = static_cast<float>(mInertiaDuration);
        mInertiaAnimation.mStartValue = mSpeed;
        mInertiaAnimation.mEndValue = KaVector3f32(0.0f, 0.0f, 0.0f);
        mInertiaAnimation.mTarget = this;
        mInertiaAnimation.mSetter = &KaScrollingLayout::setSpeed;
        mInertiaAnimation.play();
    }
    unsubscribeFromInput();
    if (mAutoScrollLoop == -1 || mLoopsDone < mAutoScrollLoop)
        armTimer(mAutoScrollDelayTimer, mAutoScrollDelay);
    return false;
}

bool KaScrollingLayout::loopCountReached() const { return mAutoScrollLoop != -1 && mLoopsDone >= mAutoScrollLoop; }

void KaScrollingLayout::scheduleFrom(bool first)
{
    AutoScrollAnimation* next = nullptr;
    if (first && mAnimation1.enabled)
        next = &mAnimation1;
    else if (mAnimation2.enabled)
        next = &mAnimation2;
    if (!next || loopCountReached())
        return;
    armTimer(next->delayTimer, next->delay);
}

bool KaScrollingLayout::onAutoScrollDelayTimer()
{
    mAutoScrollDelayTimer.stop();
    scheduleFrom(true);
    return false;
}

void KaScrollingLayout::startAutoScrollAnimation(AutoScrollAnimation& animation, float sense)
{
    animation.delayTimer.stop();
    VectorAnim& anim = animation.animation;
    anim.setCurve(animation.curve);
    const KaVector3f32 start = scrollPosition();
    KaVector3f32 end = start + KaVector3f32(sense, sense, 0.0f) * mDirection;
    end.x = clampUnit(end.x);
    end.y = clampUnit(end.y);
    KaVector3f32 r(1.0f, 1.0f, 0.0f);
    if (mContentLayout)
        r = sizeRatio();
    const float range = mEnclose ? -1.0f : 1.0f;
    const KaVector3f32 travelled = (end - start) * (r + KaVector3f32(range, range, 0.0f)) * mDirection;
    const float distance = KaVector3f32(travelled.x, travelled.y, 0.0f).getLength();
    float duration = 0.0f;
    if (animation.speed != 0.0f)
        duration = std::fabs(distance / (animation.speed / 1000.0f));
    anim.mDuration = duration;
    anim.mStartValue = start;
    anim.mEndValue = end;
    anim.mTarget = this;
    anim.mSetter = &KaScrollingLayout::setScrollPosition;
    anim.play();
}

bool KaScrollingLayout::onAutoScrollAnimation1DelayTimer()
{
    startAutoScrollAnimation(mAnimation1, 1.0f);
    return false;
}

bool KaScrollingLayout::onAutoScrollAnimation2DelayTimer()
{
    startAutoScrollAnimation(mAnimation2, -1.0f);
    return false;
}

bool KaScrollingLayout::onAutoScrollAnimation1Finished()
{
    // Back, or straight on to the next cycle when there is no way back.
    if (mAnimation2.enabled) {
        scheduleFrom(false);
        return false;
    }
    ++mLoopsDone;
    scheduleFrom(true);
    return false;
}

bool KaScrollingLayout::onAutoScrollAnimation2Finished()
{
    ++mLoopsDone;
    scheduleFrom(true);
    return false;
}
