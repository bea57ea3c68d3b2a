#ifndef KA_CURVE_ANIM2_H
#define KA_CURVE_ANIM2_H

#include "engine/color/KaColor.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaStream.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaInterpolation.h"

// a x (1 - f) + b x f, component by component in floats. Colours and
// rotations have their own (KaColor.h, KaQuaternion.h).
inline KaVector3f32 linearInterpolation(const KaVector3f32& a, const KaVector3f32& b, float f)
{
    return KaVector3f32(a.x * (1.0f - f) + b.x * f, a.y * (1.0f - f) + b.y * f, a.z * (1.0f - f) + b.z * f);
}

// Timed animation of one value of one object: every update reads the curve at
// the elapsed time, blends the start and end values by the curve's factor
// (linearInterpolation of V) and hands the result to the target's setter.
// The update that reaches the duration applies the curve's last sample, then
// an endless animation starts over (the start value at once) and any other
// repeat count stops (onStop, then onFinished): the count is not decremented.
//
// The creator fills the public fields, sets the repeat count when it wants a
// loop, calls setCurve and then play. The target is not owned and must
// outlive the running animation.
template <class Obj, class V> class KaCurveAnim2 : public KaAnimation {
public:
    typedef void (Obj::*Setter)(const V&);

    KaCurveAnim2()
        : mDuration(0.0f)
        , mStartValue()
        , mEndValue()
        , mTarget(nullptr)
        , mSetter(nullptr)
        , mLastTime(0.0f)
    {
    }
    ~KaCurveAnim2() override { }

    // The curve's samples become the array's values.
    void setCurve(const KaArray<float>& values)
    {
        KaStream stream;
        stream.setMode(KaStream::Binary);
        stream.write(static_cast<int>(values.size()));
        for (unsigned long i = 0; i < values.size(); ++i)
            stream.write(static_cast<double>(values[i]));
        stream.seek(0);
        mCurve.load(stream);
    }

    void play() override { KaAnimation::play(); }

    void update(double milliseconds) override
    {
        mLastTime = static_cast<float>(milliseconds);
        const double factor = mCurve.interpole(mLastTime, mDuration);
        const V value = linearInterpolation(mStartValue, mEndValue, static_cast<float>(factor));
        if (mTarget && mSetter)
            (mTarget->*mSetter)(value);
        if (mLastTime >= mDuration) {
            if (repeatCount() != mEndless) {
                stop();
                onFinished.call();
            } else if (mLastTime > 0.0f) {
                // At time 0 the clock is already at the start: seeking again
                // with a duration of 0 would never return.
                seekToStart();
            }
        }
    }

    float lastTime() const { return mLastTime; }
    const KaInterpolation& curve() const { return mCurve; }

    // Milliseconds of one play.
    float mDuration;
    V mStartValue;
    V mEndValue;
    KaInterpolation mCurve;
    Obj* mTarget;
    Setter mSetter;

private:
    float mLastTime;
};

#endif
