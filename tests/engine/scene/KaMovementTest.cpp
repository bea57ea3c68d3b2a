#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "engine/core/KaStream.h"
#include "engine/scene/KaMovement2.h"
#include "engine/scene/KaMovement3.h"
#include "engine/world/Ka3DObject.h"
#include "tests/engine/scene/KaSceneTestClock.h"

namespace {

// Notes the order of the stop and finish signals.
struct SignalLog {
    std::string text;
    bool stopped()
    {
        text += "stop;";
        return false;
    }
    bool finished()
    {
        text += "finished;";
        return false;
    }
    void listen(KaAnimation& animation)
    {
        animation.onStop.add(this, &SignalLog::stopped);
        animation.onFinished.add(this, &SignalLog::finished);
    }
};

struct Document {
    explicit Document(const std::string& text)
    {
        document.Parse(text.c_str());
        EXPECT_TRUE(document.RootElement() != nullptr) << text;
    }
    TiXmlElement& root() { return *document.RootElement(); }
    TiXmlDocument document;
};

class KaMovementTest : public ::testing::Test {
protected:
    void TearDown() override { KaAnimation::staticDestroy(); }
    KaSceneTestClock clock;
};

const char* const kAbsolute = "<Movement>"
                              "<Duration>1000</Duration>"
                              "<PositionX><StartValue>10</StartValue><EndValue>110</EndValue>"
                              "<Interpolation>0, 1</Interpolation></PositionX>"
                              "<RotationZ><StartValue>0</StartValue><EndValue>90</EndValue>"
                              "<Interpolation>0, 0.5, 1</Interpolation></RotationZ>"
                              "<ScaleXY><StartValue>1</StartValue><EndValue>3</EndValue>"
                              "<Interpolation>0,1</Interpolation></ScaleXY>"
                              "<Opacity><StartValue>1</StartValue><EndValue>0</EndValue>"
                              "<Interpolation>0,1</Interpolation></Opacity>"
                              "<PositionY><EndValue>500</EndValue></PositionY>"
                              "</Movement>";

} // namespace

TEST_F(KaMovementTest, AbsoluteChannelsFollowTheirCurvesAndStopAfterTheEnd)
{
    Ka3DObject widget;
    widget.setPosition(KaVector3f32(0, 7, 3));
    widget.setScale(KaVector3f32(1, 1, 4));
    Document xml(kAbsolute);
    KaMovement2 movement;
    ASSERT_TRUE(movement.load(xml.root()));
    EXPECT_EQ(movement.duration(), 1000.0);
    // Read, but without a curve it changes nothing.
    EXPECT_EQ(movement.endValue(KaMovement2::PositionY), 500.0);
    SignalLog log;
    log.listen(movement);

    movement.play(widget);
    EXPECT_EQ(widget.getPosition(), KaVector3f32(10, 7, 3));
    // The timer counts from the first sample of the clock after its start.
    clock.frame(0);
    clock.frame(250);
    EXPECT_FLOAT_EQ(widget.getPosition().x, 35.0f);
    EXPECT_FLOAT_EQ(widget.getRotateAngle(), 22.5f);
    EXPECT_FLOAT_EQ(widget.getScale().x, 1.5f);
    EXPECT_EQ(widget.getScale().z, 4.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 0.75f);
    EXPECT_EQ(widget.getPosition().y, 7.0f);

    clock.frame(800);
    EXPECT_EQ(widget.getPosition(), KaVector3f32(110, 7, 3));
    EXPECT_FLOAT_EQ(widget.getRotateAngle(), 90.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 0.0f);
    EXPECT_TRUE(movement.finished());
    EXPECT_EQ(log.text, "");
    clock.frame(16);
    EXPECT_EQ(log.text, "stop;finished;");
    EXPECT_FALSE(movement.isListed());
}

TEST_F(KaMovementTest, AFinishedAbsoluteMovementPlaysAgain)
{
    Ka3DObject widget;
    Document xml(kAbsolute);
    KaMovement2 movement;
    movement.load(xml.root());
    SignalLog log;
    log.listen(movement);
    movement.play(widget);
    clock.frame(0);
    clock.frame(1000);
    clock.frame(16);
    ASSERT_EQ(log.text, "stop;finished;");

    // Played again, on its own or on a widget, it runs the whole way.
    for (int round = 0; round < 2; ++round) {
        widget.setPosition(KaVector3f32(999, 0, 0));
        if (round == 0)
            movement.play();
        else
            movement.play(widget);
        EXPECT_TRUE(movement.isListed());
        EXPECT_FLOAT_EQ(widget.getPosition().x, 10.0f);
        clock.frame(0);
        clock.frame(500);
        EXPECT_FLOAT_EQ(widget.getPosition().x, 60.0f);
        clock.frame(500);
        clock.frame(16);
        EXPECT_FALSE(movement.isListed());
    }
    EXPECT_EQ(log.text, "stop;finished;stop;finished;stop;finished;");
}

TEST_F(KaMovementTest, RelativeChannelsAddToWhateverTheWidgetHolds)
{
    Document xml("<Movement><Duration>400</Duration>"
                 "<Opacity><StartValue>5</StartValue><EndValue>-1</EndValue><Interpolation>0,1</Interpolation></Opacity>"
                 "<PositionX><EndValue>40</EndValue><Interpolation>0, 0.5, 1</Interpolation></PositionX>"
                 "<PositionZ><Interpolation>0,1</Interpolation></PositionZ>"
                 "</Movement>");
    KaMovement3 movement;
    ASSERT_TRUE(movement.load(xml.root()));
    Ka3DObject widget;
    widget.setPosition(KaVector3f32(100, 1, 2));
    SignalLog log;
    log.listen(movement);

    movement.play(widget);
    clock.frame(0);
    clock.frame(100);
    EXPECT_FLOAT_EQ(widget.getPosition().x, 110.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 0.75f);
    // Something else moves the widget meanwhile: the movement goes on from there.
    widget.setPosition(widget.getPosition() + KaVector3f32(1000, 0, 0));
    clock.frame(300);
    EXPECT_FLOAT_EQ(widget.getPosition().x, 1140.0f);
    EXPECT_FLOAT_EQ(widget.getPosition().z, 3.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 0.0f);
    EXPECT_EQ(widget.getPosition().y, 1.0f);
    clock.frame(16);
    EXPECT_EQ(log.text, "stop;finished;");

    // Played again on the widget, it goes on by the same amounts.
    movement.play(widget);
    clock.frame(0);
    clock.frame(400);
    clock.frame(16);
    EXPECT_FLOAT_EQ(widget.getPosition().x, 1180.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), -1.0f);
    EXPECT_EQ(log.text, "stop;finished;stop;finished;");
}

TEST_F(KaMovementTest, TimeEdges)
{
    // A duration of 0 ends in the first update with every channel at its
    // last sample; a negative time counts as 0.
    Ka3DObject widget;
    KaMovement2 instant;
    instant.setStartValue(KaMovement2::PositionX, 0);
    instant.setEndValue(KaMovement2::PositionX, 10);
    KaArray<double> samples;
    samples.pushBack(0.0);
    samples.pushBack(0.5);
    instant.curve(KaMovement2::PositionX).setSamples(samples);
    instant.play(widget);
    EXPECT_TRUE(instant.finished());
    EXPECT_FLOAT_EQ(widget.getPosition().x, 5.0f);

    KaMovement2 slow;
    slow.setDuration(100);
    slow.curve(KaMovement2::ScaleXY).setSamples(samples);
    slow.setStartValue(KaMovement2::ScaleXY, 2);
    slow.play(widget);
    slow.update(-50);
    EXPECT_EQ(slow.currentTime(), 0.0);
    EXPECT_FLOAT_EQ(widget.getScale().x, 2.0f);

    // Without a target only the time moves.
    KaMovement3 alone;
    alone.setDuration(10);
    alone.curve(KaMovement2::Opacity).setSamples(samples);
    alone.play();
    clock.frame(0);
    clock.frame(20);
    EXPECT_TRUE(alone.finished());
}

TEST_F(KaMovementTest, CurvesFromOneStreamInChannelOrder)
{
    KaStream curves;
    for (int c = 0; c < KaMovement2::ChannelCount; ++c) {
        curves.write(2);
        curves.write(0.0);
        curves.write(static_cast<double>(c + 1));
    }
    curves.seek(0);
    Ka3DObject widget;
    KaMovement2 movement;
    ASSERT_TRUE(movement.set(widget, 100, curves));
    EXPECT_EQ(movement.target(), &widget);
    movement.play();
    clock.frame(0);
    clock.frame(100);
    // End 1 and start 0 on every channel: each ends on its own last sample.
    EXPECT_EQ(widget.getPosition(), KaVector3f32(1, 2, 3));
    EXPECT_FLOAT_EQ(widget.getRotateAngle(), 4.0f);
    EXPECT_FLOAT_EQ(widget.getScale().y, 5.0f);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 6.0f);

    // One stream a channel: only opacity has a curve, relative by its end
    // value 1.
    KaStream parts[KaMovement2::ChannelCount];
    for (int c = 0; c < KaMovement2::ChannelCount; ++c) {
        parts[c].write(c == KaMovement2::Opacity ? 2 : 0);
        if (c == KaMovement2::Opacity) {
            parts[c].write(0.0);
            parts[c].write(-0.5);
        }
        parts[c].seek(0);
    }
    KaMovement3 fade;
    ASSERT_TRUE(fade.set(widget, 50, parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]));
    fade.play();
    clock.frame(0);
    clock.frame(50);
    EXPECT_FLOAT_EQ(widget.getOpacity(), 5.5f);
    EXPECT_EQ(widget.getPosition(), KaVector3f32(1, 2, 3));

    // A stream that holds too little fails.
    KaStream shortStream;
    shortStream.write(3);
    shortStream.seek(0);
    KaMovement3 relative;
    EXPECT_FALSE(relative.set(widget, 100, shortStream));
}
