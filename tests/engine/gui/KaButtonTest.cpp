#include <gtest/gtest.h>

#include <string>

#include "engine/gui/KaButton.h"
#include "engine/input/KaScreen.h"
#include "tests/engine/gui/KaGuiInputFixture.h"

namespace {

// Notes the button's signals in order: p(ressed), r(eleased), c(licked).
struct SignalLog {
    std::string text;
    bool onPressed()
    {
        text += 'p';
        return false;
    }
    bool onReleased()
    {
        text += 'r';
        return false;
    }
    bool onClicked()
    {
        text += 'c';
        return false;
    }
    void listen(KaButton& button)
    {
        button.onPressed.add(this, &SignalLog::onPressed);
        button.onReleased.add(this, &SignalLog::onReleased);
        button.onClicked.add(this, &SignalLog::onClicked);
    }
};

// The older widgets count y up from the window's bottom edge; the host gives
// raw positions from the top. In an 800 x 600 window a button at (100, 100)
// of 200 x 100 covers raw x 100 to 299 and raw y 401 to 500.
class KaButtonTest : public KaGuiInputTest {
protected:
    void SetUp() override
    {
        KaGuiInputTest::SetUp();
        button.setSize(KaVector3f32(200, 100, 0));
        button.setPosition(KaVector3f32(100, 100, 0));
        button.setVisible(true);
        log.listen(button);
    }

    KaButton button { defaultScreen.get() };
    SignalLog log;
};

TEST_F(KaButtonTest, ANewButtonIsHiddenAndIgnoresPresses)
{
    KaButton fresh(defaultScreen.get());
    fresh.setSize(KaVector3f32(800, 600, 0));
    SignalLog freshLog;
    freshLog.listen(fresh);
    EXPECT_FALSE(fresh.getVisible());
    click(50, 50);
    EXPECT_EQ(freshLog.text, "");
    EXPECT_EQ(gameDowns, 1);
    EXPECT_EQ(gameUps, 1);
}

TEST_F(KaButtonTest, PressAndReleaseRules)
{
    struct Case {
        const char* name;
        int pressX, pressY, moveX, moveY, releaseX, releaseY;
        bool disabled;
        const char* signals;
        int gameDowns, gameUps;
    };
    const Case cases[] = {
        // The state is released before the click is emitted.
        { "click inside", 150, 450, 160, 460, 160, 460, false, "prc", 0, 0 },
        { "slide off and release outside", 150, 450, 50, 450, 50, 450, false, "pr", 0, 1 },
        { "slide off and back", 150, 450, 50, 450, 150, 450, false, "prprc", 0, 0 },
        // Swallowed though the press began elsewhere, and no click.
        { "press outside, release inside", 50, 450, 150, 450, 150, 450, false, "", 1, 0 },
        // Taken and hidden from the game, but nothing happens.
        { "disabled", 150, 450, 150, 450, 150, 450, true, "", 0, 1 },
        // Bounds: x 100 is in, 300 out; raw y 500 is y 100, in; 400 is y 200, out.
        { "bottom-left corner is in", 100, 500, 100, 500, 100, 500, false, "prc", 0, 0 },
        { "right edge is out", 300, 450, 300, 450, 300, 450, false, "", 1, 1 },
        { "top edge is out", 150, 400, 150, 400, 150, 400, false, "", 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button.setEnable(!c.disabled);
        log.text.clear();
        gameDowns = gameUps = 0;
        press(c.pressX, c.pressY);
        move(c.moveX, c.moveY);
        release(c.releaseX, c.releaseY);
        EXPECT_EQ(log.text, c.signals);
        EXPECT_EQ(gameDowns, c.gameDowns);
        EXPECT_EQ(gameUps, c.gameUps);
        EXPECT_FALSE(button.isPressed());
        move(700, 50);
    }
}

TEST_F(KaButtonTest, DisablingOrHidingAHeldButtonReleasesIt)
{
    press(150, 450);
    button.setEnable(false);
    EXPECT_EQ(log.text, "pr");
    button.setEnable(true);
    release(150, 450);
    EXPECT_EQ(log.text, "pr");

    press(150, 450);
    button.setVisible(false);
    EXPECT_EQ(log.text, "prpr");
    button.setVisible(true);
    release(150, 450);
    EXPECT_EQ(log.text, "prpr");
    // Hidden again, the button lets presses through to the game.
    button.setVisible(false);
    gameDowns = 0;
    press(150, 450);
    EXPECT_EQ(gameDowns, 1);
}

TEST_F(KaButtonTest, MovingTheButtonUnderAHeldPointer)
{
    press(150, 450);
    button.setPosition(KaVector3f32(400, 100, 0));
    EXPECT_EQ(log.text, "pr");
    button.setPosition(KaVector3f32(100, 100, 0));
    EXPECT_EQ(log.text, "prp");
    release(150, 450);
    EXPECT_EQ(log.text, "prprc");
}

TEST_F(KaButtonTest, HitTestFollowsRotationAndScaleOfButtonAndParent)
{
    // Turned half a turn about its bottom-left corner at (100, 100), the
    // 200 x 100 button lies over x -100 to 100, y 0 to 100.
    Ka3DObject parent;
    parent.setPosition(KaVector3f32(100, 100, 0));
    button.setParent(&parent);
    button.setPosition(KaVector3f32(0, 0, 0));
    button.setRotateAngle(180.0f);
    button.setRotateCenter(KaVector3f32(0, 0, 0));
    EXPECT_TRUE(button.isIn(KaVector2s32(50, 50)));
    EXPECT_TRUE(button.isIn(KaVector2s32(-90, 90)));
    EXPECT_FALSE(button.isIn(KaVector2s32(150, 150)));

    button.setRotateAngle(0.0f);
    parent.setScale(KaVector3f32(0.5f, 0.5f, 1.0f));
    parent.setScaleCenter(KaVector3f32(0, 0, 0));
    EXPECT_TRUE(button.isIn(KaVector2s32(199, 149)));
    EXPECT_FALSE(button.isIn(KaVector2s32(201, 149)));
    button.setParent(nullptr);
}

TEST_F(KaButtonTest, NearestButtonTakesThePressAtItsRegisteredDepth)
{
    // Both cover the same place; the one at z 3 is offered presses first.
    Ka3DObject parent;
    KaButton low(defaultScreen.get());
    low.setParent(&parent);
    low.setSize(KaVector3f32(200, 100, 0));
    low.setPosition(KaVector3f32(100, 100, 1));
    low.setVisible(true);
    button.setPosition(KaVector3f32(100, 100, 3));
    SignalLog lowLog;
    lowLog.listen(low);

    click(150, 450);
    EXPECT_EQ(log.text, "prc");
    EXPECT_EQ(lowLog.text, "");

    // Moving the parent does not reorder the callbacks: the depth is the one
    // the button had when it registered.
    parent.setPosition(KaVector3f32(0, 0, 10));
    click(150, 450);
    EXPECT_EQ(log.text, "prcprc");
    EXPECT_EQ(lowLog.text, "");

    // Placing the button again registers it at its new world z, 11.
    low.setPosition(low.getPosition());
    click(150, 450);
    EXPECT_EQ(log.text, "prcprc");
    EXPECT_EQ(lowLog.text, "prc");
    low.setParent(nullptr);
}

TEST_F(KaButtonTest, AClickHandlerMayHideTheButton)
{
    struct Hider {
        KaButton* button;
        bool onClicked()
        {
            button->setVisible(false);
            return false;
        }
    } hider { &button };
    button.onClicked.add(&hider, &Hider::onClicked);
    click(150, 450);
    EXPECT_EQ(log.text, "prc");
    EXPECT_FALSE(button.getVisible());
    gameUps = 0;
    click(150, 450);
    EXPECT_EQ(gameUps, 1);
}

}
