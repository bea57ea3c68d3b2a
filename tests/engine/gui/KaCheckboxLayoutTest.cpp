#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/gui/KaCheckboxLayout.h"
#include "tests/engine/gui/KaGuiInputFixture.h"

namespace {

// One 200 x 100 check box in the middle of the window (raw x 300 to 500,
// y 250 to 350) with its six layouts, each named by a letter.
class KaCheckboxLayoutTest : public KaGuiInputTest {
protected:
    void SetUp() override
    {
        KaGuiInputTest::SetUp();
        box.setSize(KaVector3f32(200, 100, 0));
        box.setActiveLayout(&active);
        box.setUnactiveLayout(&unactive);
        box.setActiveDisabledLayout(&activeDisabled);
        box.setUnactiveDisabledLayout(&unactiveDisabled);
        box.setActiveRollOverLayout(&activeOver);
        box.setUnactiveRollOverLayout(&unactiveOver);
        mainWindow.get()->addChild(&box);
        box.onStateChanged.add(this, &KaCheckboxLayoutTest::onState);
    }
    void TearDown() override
    {
        mainWindow.get()->removeChild(&box);
        KaGuiInputTest::TearDown();
    }
    bool onState(KaCheckboxLayout::State state)
    {
        states.push_back(state);
        return false;
    }
    // The letters of the layouts shown, in slot order.
    std::string shown()
    {
        std::string s;
        s += active.visible() ? "a" : "";
        s += unactive.visible() ? "u" : "";
        s += activeDisabled.visible() ? "A" : "";
        s += unactiveDisabled.visible() ? "U" : "";
        s += activeOver.visible() ? "r" : "";
        s += unactiveOver.visible() ? "R" : "";
        return s;
    }

    KaLayout active, unactive, activeDisabled, unactiveDisabled, activeOver, unactiveOver;
    KaCheckboxLayout box;
    std::vector<KaCheckboxLayout::State> states;
};

TEST_F(KaCheckboxLayoutTest, NewBoxShowsEverythingUntilItsFirstChange)
{
    EXPECT_EQ(box.state(), KaCheckboxLayout::NoState);
    EXPECT_EQ(shown(), "auAUrR");
    // Moves leave it alone, the first click activates it.
    move(400, 300);
    move(50, 50);
    EXPECT_EQ(shown(), "auAUrR");
    EXPECT_TRUE(states.empty());
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveRollOver);
    EXPECT_EQ(shown(), "r");
    EXPECT_EQ(gameDowns + gameUps, 0);
}

TEST_F(KaCheckboxLayoutTest, StateTable)
{
    struct Case {
        KaCheckboxLayout::State state;
        const char* withAll;
        const char* fallback; // the state's own layout cleared
    };
    const Case cases[] = {
        { KaCheckboxLayout::Active, "a", "" },
        { KaCheckboxLayout::Unactive, "u", "" },
        { KaCheckboxLayout::ActiveDisabled, "A", "a" },
        { KaCheckboxLayout::UnactiveDisabled, "U", "u" },
        { KaCheckboxLayout::ActiveRollOver, "r", "a" },
        { KaCheckboxLayout::UnactiveRollOver, "R", "u" },
        { KaCheckboxLayout::NoState, "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        box.setState(c.state);
        box.setState(c.state == KaCheckboxLayout::Unactive ? KaCheckboxLayout::Active : KaCheckboxLayout::Unactive);
        states.clear();
        box.setState(c.state);
        EXPECT_EQ(shown(), c.withAll);
        ASSERT_EQ(states.size(), 1u);
        EXPECT_EQ(states[0], c.state);
        box.setState(c.state);
        EXPECT_EQ(states.size(), 1u) << "the current state again emits nothing";
    }
    // Without the state's own layout, its fallback shows.
    for (const Case& c : cases) {
        if (c.state == KaCheckboxLayout::NoState)
            continue;
        SCOPED_TRACE(static_cast<int>(c.state));
        KaLayout faces[6];
        KaCheckboxLayout bare;
        KaLayout* layouts[6];
        for (int i = 0; i < 6; ++i)
            layouts[i] = i == c.state ? nullptr : &faces[i];
        bare.setActiveLayout(layouts[0]);
        bare.setUnactiveLayout(layouts[1]);
        bare.setActiveDisabledLayout(layouts[2]);
        bare.setUnactiveDisabledLayout(layouts[3]);
        bare.setActiveRollOverLayout(layouts[4]);
        bare.setUnactiveRollOverLayout(layouts[5]);
        faces[c.state].setVisible(false);
        bare.setState(c.state);
        const char letters[] = "auAUrR";
        std::string seen;
        for (int i = 0; i < 6; ++i)
            seen += faces[i].visible() ? std::string(1, letters[i]) : std::string();
        EXPECT_EQ(seen, c.fallback);
    }
}

TEST_F(KaCheckboxLayoutTest, ClicksToggleThroughRollOver)
{
    box.setState(KaCheckboxLayout::Active);
    states.clear();
    move(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveRollOver);
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::UnactiveRollOver);
    move(50, 50);
    EXPECT_EQ(box.state(), KaCheckboxLayout::Unactive);
    EXPECT_EQ(shown(), "u");
    const std::vector<KaCheckboxLayout::State> expected
        = { KaCheckboxLayout::ActiveRollOver, KaCheckboxLayout::UnactiveRollOver, KaCheckboxLayout::Unactive };
    EXPECT_EQ(states, expected);
    EXPECT_EQ(gameDowns + gameUps, 0);

    // No guard between clicks.
    click(400, 300);
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::UnactiveRollOver);

    // Press outside, release on it: swallowed, not toggled.
    press(50, 50);
    release(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::UnactiveRollOver);
    EXPECT_EQ(gameDowns, 1);
    EXPECT_EQ(gameUps, 0);
    // Press on it, release outside: nothing.
    press(400, 300);
    release(50, 50);
    EXPECT_EQ(box.state(), KaCheckboxLayout::Unactive);
    EXPECT_EQ(gameUps, 1);

    box.setClickPassThrough(true);
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveRollOver);
    EXPECT_EQ(gameDowns, 2);
    EXPECT_EQ(gameUps, 2);
}

TEST_F(KaCheckboxLayoutTest, DisabledBoxIgnoresPressAndRelease)
{
    box.setState(KaCheckboxLayout::UnactiveDisabled);
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::UnactiveDisabled);
    EXPECT_EQ(gameDowns, 1);
    EXPECT_EQ(gameUps, 1);

    // Pressed while enabled, disabled by the game before the release: the
    // release neither toggles it out of its disabled state nor is swallowed.
    box.setState(KaCheckboxLayout::Active);
    press(400, 300);
    box.setState(KaCheckboxLayout::ActiveDisabled);
    states.clear();
    release(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveDisabled);
    EXPECT_EQ(shown(), "A");
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(gameUps, 2);

    // Enabled again, the stale press is forgotten: a press elsewhere and a
    // release on the box toggle nothing.
    box.setState(KaCheckboxLayout::Active);
    press(50, 50);
    release(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveRollOver);
}

TEST_F(KaCheckboxLayoutTest, StateHandlerMayUnloadItsScreen)
{
    struct Screen : KaLayout {
        KaCheckboxLayout* box = new KaCheckboxLayout();
        int* destroyed = nullptr;
        Screen()
        {
            setSize(KaVector3f32(800, 600, 0));
            box->setSize(KaVector3f32(100, 100, 0));
            addChild(box);
            box->setState(KaCheckboxLayout::Unactive);
            box->onStateChanged.add(this, &Screen::onState);
        }
        ~Screen() override
        {
            ++*destroyed;
            delete box;
        }
        bool onState(KaCheckboxLayout::State)
        {
            deleteLater();
            return false;
        }
    };
    int destroyed = 0;
    Screen* screen = new Screen();
    screen->destroyed = &destroyed;
    mainWindow.get()->addChild(screen);
    click(400, 300);
    EXPECT_EQ(destroyed, 0);
    KaObject::deleteNow();
    EXPECT_EQ(destroyed, 1);
    // The box below the screen's takes the click now.
    click(400, 300);
    EXPECT_EQ(box.state(), KaCheckboxLayout::ActiveRollOver);
}

TEST_F(KaCheckboxLayoutTest, UnactiveLayoutSizesANewBox)
{
    KaCheckboxLayout fresh;
    KaLayout face;
    face.setSize(KaVector3f32(64, 32, 0));
    fresh.setActiveLayout(&face);
    EXPECT_EQ(fresh.xSize(), 1.0f);
    fresh.setActiveLayout(nullptr);
    fresh.setUnactiveLayout(&face);
    EXPECT_EQ(fresh.xSize(), 64.0f);
    EXPECT_EQ(fresh.ySize(), 32.0f);
    EXPECT_EQ(face.parent(), &fresh);
    fresh.setUnactiveLayout(nullptr);
    EXPECT_EQ(face.parent(), nullptr);
}

} // namespace
