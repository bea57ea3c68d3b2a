#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tinyxml.h>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/scene/KaCurveAnim2.h"
#include "engine/scene/KaInterpolation.h"
#include "tests/engine/scene/KaSceneTestClock.h"
#include "tests/support/KaTestSupport.h"

namespace {

KaInterpolation curveOf(const std::vector<double>& values)
{
    KaArray<double> samples;
    for (double v : values)
        samples.pushBack(v);
    KaInterpolation curve;
    curve.setSamples(samples);
    return curve;
}

std::vector<double> samplesOf(const KaInterpolation& curve)
{
    std::vector<double> out;
    for (double v : curve.samples())
        out.push_back(v);
    return out;
}

} // namespace

TEST(KaInterpolationTest, InterpoleAgainstATable)
{
    struct Case {
        std::vector<double> samples;
        double time;
        double duration;
        double expected;
    };
    const std::vector<Case> cases = {
        { { 0, 1 }, 250, 1000, 0.25 }, { { 0, 1 }, 1000, 1000, 1.0 }, { { 0, 1 }, 5000, 1000, 1.0 },
        { { 0, 0.5, 1 }, 250, 1000, 0.25 }, { { 0, 0.5, 1 }, 750, 1000, 0.75 }, { { 0.3 }, 0, 1000, 0.3 },
        { { 0.3 }, 600, 1000, 0.3 }, { {}, 500, 1000, 0.0 }, { { 0, 2 }, 750, 1000, 1.5 }, // nothing clamps the curve
        { { 0.2, 1 }, -100, 1000, 0.2 * 1.1 - 0.1 * 1.0 }, // before the start: read from sample 0
    };
    for (const Case& c : cases) {
        const KaInterpolation curve = curveOf(c.samples);
        EXPECT_NEAR(curve.interpole(c.time, c.duration), c.expected, 1e-12) << c.time;
    }
}

TEST(KaInterpolationTest, StreamCountsAndShortStreams)
{
    struct Case {
        const char* name;
        int count;
        std::vector<double> values;
        bool loads;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        { "whole", 2, { 0.25, 0.75 }, true, { 0.25, 0.75 } },
        { "cut short", 3, { 1.5, 2.5 }, true, { 1.5, 2.5, 0.0 } },
        { "empty", 0, {}, true, {} },
        { "negative count", -1, { 1.0 }, false, {} },
        { "count beyond the stream", 1000000, { 1.0 }, false, {} },
        { "largest count", 0x7FFFFFFF, {}, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        stream.setMode(KaStream::Binary);
        stream.write(c.count);
        for (double v : c.values)
            stream.write(v);
        stream.seek(0);
        stream.setMode(KaStream::Text);
        KaInterpolation curve = curveOf({ 9.0 });
        EXPECT_EQ(curve.load(stream), c.loads);
        EXPECT_EQ(samplesOf(curve), c.expected);
        EXPECT_EQ(stream.mode(), KaStream::Text) << "the caller's mode comes back";
    }
}

TEST(KaInterpolationTest, LoadFromAFile)
{
    KaTempDir dir;
    KaStream bytes;
    bytes.setMode(KaStream::Binary);
    bytes.write(2);
    bytes.write(0.0);
    bytes.write(1.0);
    dir.write("curve.bin", std::string(reinterpret_cast<const char*>(bytes.data()), bytes.bufferLength()));
    KaInterpolation curve;
    ASSERT_TRUE(curve.load(KaString(dir.file("curve.bin").c_str())));
    EXPECT_EQ(samplesOf(curve), (std::vector<double> { 0.0, 1.0 }));
    EXPECT_FALSE(curve.load(KaString(dir.file("missing.bin").c_str())));
}

TEST(KaInterpolationTest, XmlTextIsReadLikeTheContentExpects)
{
    struct Case {
        const char* text;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        { "0,0.5,1", { 0, 0.5, 1 } },
        { "0 , 0.5 ,  1", { 0, 0.5, 1 } },
        { "0 1", { 0 } },
        { "0,1,", { 0, 1 } },
        { "0,1, ", { 0, 1, 0 } },
        { ",,0.25", { 0.25 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TiXmlElement element("curve");
        element.LinkEndChild(new TiXmlText(c.text));
        KaInterpolation curve = curveOf({ 7.0 });
        EXPECT_TRUE(curve.load(element));
        std::vector<double> expected = { 7.0 }; // appended, not replaced
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(samplesOf(curve), expected);
    }
}

namespace {

class Target {
public:
    void setColor(const KaColor& color)
    {
        mColor = color;
        ++mSets;
    }
    void setPosition(const KaVector3f32& position) { mPosition = position; }
    void setRotation(const KaQuaternion& rotation) { mRotation = rotation; }

    KaColor mColor;
    KaVector3f32 mPosition;
    KaQuaternion mRotation;
    int mSets = 0;
};

class Events {
public:
    explicit Events(KaAnimation& anim)
    {
        anim.onStop.add(this, &Events::stopped);
        anim.onFinished.add(this, &Events::finished);
    }
    bool stopped()
    {
        mEvents.push_back("stop");
        return false;
    }
    bool finished()
    {
        mEvents.push_back("finished");
        return false;
    }
    std::vector<std::string> mEvents;
};

KaArray<float> linearCurve()
{
    KaArray<float> values;
    values.pushBack(0.0f);
    values.pushBack(1.0f);
    return values;
}

} // namespace

TEST(KaCurveAnimTest, ColourHalvesAreTruncatedBeforeTheSum)
{
    const KaColor half = linearInterpolation(KaColor(255, 0, 0, 255), KaColor(0, 0, 255, 255), 0.5f);
    EXPECT_EQ(half, KaColor(127, 0, 127, 254));
    const KaVector3f32 v = linearInterpolation(KaVector3f32(0, 10, -4), KaVector3f32(10, 20, 4), 0.25f);
    EXPECT_FLOAT_EQ(v.x, 2.5f);
    EXPECT_FLOAT_EQ(v.y, 12.5f);
    EXPECT_FLOAT_EQ(v.z, -2.0f);
}

TEST(KaCurveAnimTest, QuaternionBlendTakesNoShortestPathFlip)
{
    // q and a rotation whose dot product with q is negative: the blend goes
    // the long way (no flip), so half-way is not the short-way midpoint.
    const KaQuaternion a(0, 0, 0, 1);
    const KaQuaternion b(0, std::sin(2.0f), 0, std::cos(2.0f)); // 4 radians about y
    const KaQuaternion mid = linearInterpolation(a, b, 0.5f);
    EXPECT_NEAR(mid.y, std::sin(1.0f), 1e-5);
    EXPECT_NEAR(mid.w, std::cos(1.0f), 1e-5);
}

TEST(KaCurveAnimTest, PlaysOnceAppliesTheEndValueThenStopsAndFinishes)
{
    KaSceneTestClock clock;
    Target target;
    KaCurveAnim2<Target, KaColor> anim;
    Events events(anim);
    anim.mDuration = 1000.0f;
    anim.mStartValue = KaColor(0, 0, 0, 0);
    anim.mEndValue = KaColor(200, 100, 40, 255);
    anim.mTarget = &target;
    anim.mSetter = &Target::setColor;
    anim.setCurve(linearCurve());
    anim.play();
    EXPECT_EQ(target.mColor, KaColor(0, 0, 0, 0)) << "the start value shows at once";
    clock.frame(0);
    clock.frame(500);
    EXPECT_EQ(target.mColor, KaColor(100, 50, 20, 127));
    clock.frame(700);
    EXPECT_EQ(target.mColor, KaColor(200, 100, 40, 255));
    EXPECT_EQ(events.mEvents, (std::vector<std::string> { "stop", "finished" }));
    EXPECT_FALSE(anim.isListed());
    const int sets = target.mSets;
    clock.frame(100);
    EXPECT_EQ(target.mSets, sets);
}

TEST(KaCurveAnimTest, EndlessStartsOverWithTheStartValue)
{
    KaSceneTestClock clock;
    Target target;
    KaCurveAnim2<Target, KaVector3f32> anim;
    Events events(anim);
    anim.mDuration = 100.0f;
    anim.mStartValue = KaVector3f32(0, 0, 0);
    anim.mEndValue = KaVector3f32(10, 0, 0);
    anim.mTarget = &target;
    anim.mSetter = &Target::setPosition;
    anim.setRepeatCount(KaAnimation::mEndless);
    anim.setCurve(linearCurve());
    anim.play();
    clock.frame(0);
    clock.frame(60);
    EXPECT_FLOAT_EQ(target.mPosition.x, 6.0f);
    clock.frame(60);
    EXPECT_FLOAT_EQ(target.mPosition.x, 0.0f) << "past the duration the clock restarts and the start applies";
    EXPECT_TRUE(events.mEvents.empty());
    EXPECT_TRUE(anim.isListed());
    clock.frame(0);
    clock.frame(30);
    EXPECT_FLOAT_EQ(target.mPosition.x, 3.0f);
}

TEST(KaCurveAnimTest, EndlessWithZeroDurationDoesNotSpin)
{
    KaSceneTestClock clock;
    Target target;
    KaCurveAnim2<Target, KaQuaternion> anim;
    anim.mDuration = 0.0f;
    anim.mEndValue = KaQuaternion(0, 1, 0, 0);
    anim.mTarget = &target;
    anim.mSetter = &Target::setRotation;
    anim.setRepeatCount(KaAnimation::mEndless);
    anim.setCurve(linearCurve());
    anim.play();
    clock.frame(16);
    clock.frame(16);
    EXPECT_NEAR(target.mRotation.y, 1.0f, 1e-6);
    EXPECT_TRUE(anim.isListed());
}

TEST(KaCurveAnimTest, WithoutACurveTheStartValueStaysAndItStillEnds)
{
    KaSceneTestClock clock;
    Target target;
    KaCurveAnim2<Target, KaVector3f32> anim;
    Events events(anim);
    anim.mDuration = 50.0f;
    anim.mStartValue = KaVector3f32(1, 2, 3);
    anim.mEndValue = KaVector3f32(9, 9, 9);
    anim.mTarget = &target;
    anim.mSetter = &Target::setPosition;
    anim.play();
    clock.frame(0);
    clock.frame(80);
    EXPECT_FLOAT_EQ(target.mPosition.x, 1.0f);
    EXPECT_EQ(events.mEvents, (std::vector<std::string> { "stop", "finished" }));
}
