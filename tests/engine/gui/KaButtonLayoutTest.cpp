#include <gtest/gtest.h>

#include <string>

#include "engine/gui/KaButtonLayout.h"
#include "tests/engine/gui/KaGuiInputFixture.h"

namespace {

// Two 200 x 100 buttons centred on the window's middle row: A over raw x 300
// to 500, B over 400 to 600, B added last and so nearer the viewer. Raw
// points: 350 is A alone, 450 both, 550 B alone, 50 neither.
class KaButtonLayoutTest : public KaGuiInputTest {
protected:
    void SetUp() override
    {
        KaGuiInputTest::SetUp();
        place(a, 0);
        place(b, 100);
        a.onMouseClickValidated.add(&validA, &KaEmissionCounter::onSignal);
        b.onMouseClickValidated.add(&validB, &KaEmissionCounter::onSignal);
        a.onMouseOver.add(&overA, &KaEmissionCounter::onSignal);
        b.onMouseOver.add(&overB, &KaEmissionCounter::onSignal);
    }
    void TearDown() override
    {
        mainWindow.get()->removeChild(&a);
        mainWindow.get()->removeChild(&b);
        KaGuiInputTest::TearDown();
    }
    static void place(KaButtonLayout& button, float x)
    {
        button.setSize(KaVector3f32(200, 100, 0));
        button.setPositionType(KaILayout::Pixel);
        button.setPosition(KaVector3f32(x, 0, 0));
        mainWindow.get()->addChild(&button);
    }

    KaButtonLayout a;
    KaButtonLayout b;
    KaEmissionCounter validA, validB, overA, overB;
};

TEST_F(KaButtonLayoutTest, NearerButtonIsOfferedTheClickFirst)
{
    const KaVector3f32 origin(0, 0, 0);
    EXPECT_GT((b.worldTransformationMatrix() * origin).z, (a.worldTransformationMatrix() * origin).z);
    move(350, 300);
    EXPECT_TRUE(a.isMouseIn(input->mousePosition(0)));
    EXPECT_FALSE(b.isMouseIn(input->mousePosition(0)));
}

TEST_F(KaButtonLayoutTest, ClickRoutingAndSwallowRules)
{
    struct Case {
        const char* name;
        int pressX, releaseX;
        bool bPassThrough, aDisabled;
        int validA, validB, gameDowns, gameUps;
        KaButtonLayout::State aAfter;
    };
    const Case cases[] = {
        // Back to up: roll-over comes again with the next move.
        { "click on A alone", 350, 350, false, false, 1, 0, 0, 0, KaButtonLayout::Up },
        { "press on A, release outside", 350, 50, false, false, 0, 0, 0, 1, KaButtonLayout::Up },
        // Swallowed though the press began elsewhere.
        { "press outside, release on A", 50, 350, false, false, 0, 0, 1, 0, KaButtonLayout::RollOver },
        { "click on the overlap goes to B", 450, 450, false, false, 0, 1, 0, 0, KaButtonLayout::Up },
        // B lets the click through: both validate, and B, passing through,
        // does not move the guard's mark.
        { "overlap through B", 450, 450, true, false, 1, 1, 0, 0, KaButtonLayout::Up },
        // Swallows the press, changes nothing, leaves the release alone.
        { "disabled A", 350, 350, false, true, 0, 0, 0, 1, KaButtonLayout::Disabled },
        { "disabled A under B", 450, 450, false, true, 0, 1, 0, 0, KaButtonLayout::Disabled },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        advance(1000);
        a.reset();
        b.reset();
        a.setEnable(!c.aDisabled);
        b.setClickPassThrough(c.bPassThrough);
        validA.count = validB.count = gameDowns = gameUps = 0;
        press(c.pressX, 300);
        release(c.releaseX, 300);
        EXPECT_EQ(validA.count, c.validA);
        EXPECT_EQ(validB.count, c.validB);
        EXPECT_EQ(gameDowns, c.gameDowns);
        EXPECT_EQ(gameUps, c.gameUps);
        EXPECT_EQ(a.state(), c.aAfter);
        move(50, 50);
    }
}

TEST_F(KaButtonLayoutTest, PressShowsDownAndLeavingReleasesIt)
{
    KaEmissionCounter downs, ups;
    a.onButtonChangedToStateDown.add(&downs, &KaEmissionCounter::onSignal);
    a.onButtonChangedToStateUp.add(&ups, &KaEmissionCounter::onSignal);
    press(350, 300);
    EXPECT_EQ(a.state(), KaButtonLayout::Down);
    move(50, 300);
    EXPECT_EQ(a.state(), KaButtonLayout::Up);
    move(340, 300);
    EXPECT_EQ(a.state(), KaButtonLayout::Down);
    EXPECT_EQ(downs.count, 2);
    EXPECT_EQ(ups.count, 1);
}

TEST_F(KaButtonLayoutTest, MovingTheButtonUnderAHeldPointer)
{
    press(350, 300);
    a.setPosition(KaVector3f32(-300, 0, 0));
    EXPECT_EQ(a.state(), KaButtonLayout::Up);
    a.setPosition(KaVector3f32(0, 0, 0));
    EXPECT_EQ(a.state(), KaButtonLayout::Down);
    release(350, 300);
    EXPECT_EQ(validA.count, 1);
    a.setEnable(false);
    a.setPosition(KaVector3f32(10, 0, 0));
    EXPECT_EQ(a.state(), KaButtonLayout::Disabled);
}

TEST_F(KaButtonLayoutTest, MissingValidationSoundStillValidates)
{
    a.setValidationSound("sounds/no-such-click.ogg");
    click(350, 300);
    EXPECT_EQ(validA.count, 1);
}

TEST_F(KaButtonLayoutTest, RollOverOnlyOnTheTopmost)
{
    move(450, 300);
    EXPECT_EQ(b.state(), KaButtonLayout::RollOver);
    EXPECT_EQ(a.state(), KaButtonLayout::Up);
    EXPECT_EQ(overB.count, 1);
    EXPECT_EQ(overA.count, 0);
    move(350, 300);
    EXPECT_EQ(b.state(), KaButtonLayout::Up);
    EXPECT_EQ(a.state(), KaButtonLayout::RollOver);
    EXPECT_EQ(overA.count, 1);
    // Moving onto the overlap, B above takes the move from A.
    move(460, 300);
    EXPECT_EQ(a.state(), KaButtonLayout::Up);
    EXPECT_EQ(b.state(), KaButtonLayout::RollOver);
    move(50, 50);
    EXPECT_EQ(b.state(), KaButtonLayout::Up);

    b.setClickPassThrough(true);
    move(450, 300);
    EXPECT_EQ(a.state(), KaButtonLayout::RollOver);
    EXPECT_EQ(b.state(), KaButtonLayout::RollOver);
    EXPECT_EQ(overA.count, 2);
    EXPECT_EQ(overB.count, 3);
}

TEST_F(KaButtonLayoutTest, DoubleValidationGuardIsSharedAndFollowsTheClock)
{
    click(350, 300);
    EXPECT_EQ(validA.count, 1);
    EXPECT_EQ(KaButtonLayout::timeFromLastValidation(), 0);
    advance(300);
    EXPECT_EQ(KaButtonLayout::timeFromLastValidation(), 300);
    click(550, 300);
    EXPECT_EQ(validB.count, 0) << "another button within 500 ms";
    click(350, 300);
    EXPECT_EQ(validA.count, 1) << "the same button within 500 ms";

    // Without the protection a quick click goes through and leaves the mark.
    b.setDoubleValidationProtectionEnabled(false);
    click(550, 300);
    EXPECT_EQ(validB.count, 1);
    EXPECT_EQ(KaButtonLayout::timeFromLastValidation(), 300);
    b.setDoubleValidationProtectionEnabled(true);

    advance(200);
    click(550, 300);
    EXPECT_EQ(validB.count, 1) << "500 ms is still too soon";
    advance(1);
    click(550, 300);
    EXPECT_EQ(validB.count, 2);

    // A frame after a stall counts as a freeze: nothing for 500 ms after it.
    advance(1000);
    input->update();
    advance(300);
    input->update();
    advance(100);
    click(350, 300);
    EXPECT_EQ(validA.count, 1);
    advance(401);
    click(350, 300);
    EXPECT_EQ(validA.count, 2);
}

// A screen that owns its button, as the game's menus do.
class Screen : public KaLayout {
public:
    Screen()
    {
        setSize(KaVector3f32(800, 600, 0));
        button = new KaButtonLayout();
        button->setSize(KaVector3f32(200, 100, 0));
        button->setPositionType(KaILayout::Pixel);
        button->setPosition(KaVector3f32(200, 0, 0));
        addChild(button);
        button->onMouseClickValidated.add(this, &Screen::onClose);
    }
    ~Screen() override
    {
        ++*destroyed;
        delete button;
    }
    bool onClose()
    {
        deleteLater();
        return false;
    }
    KaButtonLayout* button;
    int* destroyed = nullptr;
};

TEST_F(KaButtonLayoutTest, HandlerMayUnloadTheScreenHoldingItsButton)
{
    int destroyed = 0;
    Screen* screen = new Screen();
    screen->destroyed = &destroyed;
    mainWindow.get()->addChild(screen);
    // The screen's button over raw x 500 to 700, above A and B.
    click(650, 300);
    EXPECT_EQ(destroyed, 0) << "kept until the end of the frame";
    EXPECT_EQ(gameUps, 0);
    // Still there for the rest of the frame, queued only once.
    click(650, 300);
    move(660, 310);
    EXPECT_EQ(KaObject::pendingDeleteCount(), 1u);
    KaObject::deleteNow();
    EXPECT_EQ(destroyed, 1);

    // Gone from the input road: B below takes the click now.
    advance(1000);
    click(560, 300);
    EXPECT_EQ(validB.count, 1);
    click(700 - 5, 300);
    EXPECT_EQ(gameDowns, 1);
}

TEST_F(KaButtonLayoutTest, StateLayoutsAndSizing)
{
    KaButtonLayout button;
    KaLayout up, down, over, disabled;
    disabled.setVisible(false);
    up.setSize(KaVector3f32(120, 40, 0));
    down.setSize(KaVector3f32(90, 30, 0));
    button.setDownLayout(&down);
    EXPECT_EQ(button.xSize(), 90.0f) << "down sizes a button without an up layout";
    button.setUpLayout(&up);
    EXPECT_EQ(button.xSize(), 90.0f) << "the user size is no longer (1, 1)";
    EXPECT_EQ(up.parent(), &button);
    button.setRollOverLayout(&over);

    KaEmissionCounter signals;
    signals.listen(button.onButtonChangedToStateUp);
    signals.listen(button.onButtonChangedToStateDown);
    signals.listen(button.onButtonChangedToStateRollOver);

    auto shown = [&]() {
        std::string s;
        s += up.visible() ? "u" : "";
        s += down.visible() ? "d" : "";
        s += over.visible() ? "r" : "";
        s += disabled.visible() ? "x" : "";
        return s;
    };
    EXPECT_EQ(shown(), "u");
    button.setEnable(false);
    EXPECT_EQ(shown(), "d") << "disabled without its layout shows down";
    button.setDownLayout(nullptr);
    EXPECT_EQ(down.parent(), nullptr);
    EXPECT_EQ(shown(), "ud") << "then up; a cleared slot is left alone";
    button.setDisabledLayout(&disabled);
    EXPECT_EQ(shown(), "dx");
    button.setEnable(true);
    EXPECT_EQ(shown(), "ud");
    EXPECT_EQ(signals.count, 0) << "enabling emits nothing";
    button.setState(KaButtonLayout::RollOver);
    EXPECT_EQ(shown(), "dr");
    button.setState(KaButtonLayout::Down);
    EXPECT_EQ(shown(), "ud") << "down without its layout shows up";
    EXPECT_EQ(signals.count, 2);
    button.setState(KaButtonLayout::Down);
    EXPECT_EQ(signals.count, 2);

    KaButtonLayout fresh;
    fresh.setUpLayout(&down);
    EXPECT_EQ(fresh.xSize(), 90.0f);
    EXPECT_EQ(fresh.ySize(), 30.0f);
    KaButtonLayout sized;
    KaLayout other;
    other.setSize(KaVector3f32(120, 40, 0));
    sized.setSize(KaVector3f32(200, 50, 0));
    sized.setUpLayout(&other);
    EXPECT_EQ(sized.xSize(), 200.0f);
    EXPECT_EQ(sized.ySize(), 50.0f);
}

TEST_F(KaButtonLayoutTest, HitZoneReplacesTheButtonForPointerTests)
{
    KaLayout zone;
    zone.setSize(KaVector3f32(20, 20, 0));
    zone.setPositionType(KaILayout::Pixel);
    zone.setPosition(KaVector3f32(-50, 0, 0));
    a.setHitZone(&zone);
    click(320, 300);
    EXPECT_EQ(validA.count, 0);
    EXPECT_EQ(gameUps, 1);
    advance(1000);
    click(350, 300);
    EXPECT_EQ(validA.count, 1);
    a.setHitZone(nullptr);
    EXPECT_EQ(zone.parent(), nullptr);
}

} // namespace
