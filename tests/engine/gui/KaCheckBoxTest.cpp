#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>
#include <vector>

#include "engine/gui/KaCheckBox.h"
#include "tests/engine/gui/KaOldWidgetFixture.h"

namespace {

struct StateLog {
    std::vector<bool> states;
    bool onStateChanged(bool active)
    {
        states.push_back(active);
        return false;
    }
};

// A 40 x 20 check box at (20, 30), middle (40, 40): green active, red
// inactive, blue disabled active, yellow disabled inactive.
class KaCheckBoxTest : public KaOldWidgetTest {
protected:
    void SetUp() override
    {
        KaOldWidgetTest::SetUp();
        active = picture("active.png", 40, 20, 0, 255, 0);
        unactive = picture("unactive.png", 40, 20, 255, 0, 0);
        disabledActive = picture("disabled-active.png", 40, 20, 0, 0, 255);
        disabledUnactive = picture("disabled-unactive.png", 40, 20, 255, 255, 0);
    }
    void build(KaCheckBox& box)
    {
        box.load(active, unactive, disabledActive, disabledUnactive);
        box.setPosition(KaVector3f32(20, 30, 0));
        box.updateState();
        box.onStateChanged.add(&log, &StateLog::onStateChanged);
    }

    KaString active, unactive, disabledActive, disabledUnactive;
    StateLog log;
};

TEST_F(KaCheckBoxTest, NormalModePreviewsAndToggles)
{
    KaCheckBox box;
    build(box);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    pressAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    // Sliding off restores the current picture; back on previews again.
    moveTo(100, 100);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    moveTo(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    releaseAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    EXPECT_EQ(log.states, std::vector<bool>({ true }));
    EXPECT_TRUE(box.active());

    // Active, a press previews the inactive picture and the click toggles back.
    pressAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    releaseAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_EQ(log.states, std::vector<bool>({ true, false }));

    // A release outside changes nothing.
    pressAt(40, 40);
    releaseAt(100, 100);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_EQ(log.states.size(), 2u);
    EXPECT_EQ(gameUps, 1);
}

TEST_F(KaCheckBoxTest, RadioModeOnlySwitchesOn)
{
    KaCheckBox box;
    build(box);
    box.mode(KaCheckBox::Radio);
    clickAt(40, 40);
    EXPECT_TRUE(box.active());
    EXPECT_EQ(log.states, std::vector<bool>({ true }));
    // Already active: no preview, no change, no signal.
    pressAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    releaseAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    EXPECT_EQ(log.states, std::vector<bool>({ true }));

    // Switching off is the caller's: active() tells even an unchanged state.
    box.active(true);
    box.active(false);
    EXPECT_EQ(log.states, std::vector<bool>({ true, true, false }));
    EXPECT_EQ(shownAt(40, 40), kaRed);
}

TEST_F(KaCheckBoxTest, DisabledAndHiddenLooks)
{
    KaCheckBox box;
    build(box);
    struct Case {
        const char* name;
        bool active, enabled, visible;
        KaPixel shown;
    };
    const Case cases[] = {
        { "enabled inactive", false, true, true, kaRed },
        { "enabled active", true, true, true, kaGreen },
        { "disabled inactive", false, false, true, kaYellow },
        { "disabled active", true, false, true, kaBlue },
        { "hidden active", true, true, false, kaNothing },
        { "hidden disabled", false, false, false, kaNothing },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.visible(c.visible);
        box.enable(c.enabled);
        box.active(c.active);
        EXPECT_EQ(shownAt(40, 40), c.shown);
        // A press on a disabled box is taken, shows no preview and changes
        // nothing; a hidden box lets it through.
        log.states.clear();
        gameDowns = 0;
        pressAt(40, 40);
        EXPECT_EQ(shownAt(40, 40), c.enabled && c.visible ? (c.active ? kaRed : kaGreen) : c.shown);
        releaseAt(40, 40);
        EXPECT_EQ(log.states.size(), c.enabled && c.visible ? 1u : 0u);
        EXPECT_EQ(gameDowns, c.visible ? 0 : 1);
    }
}

// XML as the GUI files give it: pictures through the resource manager,
// taken as written.
class KaCheckBoxXmlTest : public KaCheckBoxTest {
protected:
    void read(KaCheckBox& box, const std::string& attributes, const std::string& children = std::string())
    {
        const std::string text = "<check_box active_file=\"" + std::string(active.c_str()) + "\" unactive_file=\""
            + std::string(unactive.c_str()) + "\" disable_active_file=\"" + std::string(disabledActive.c_str())
            + "\" disable_unactive_file=\"" + std::string(disabledUnactive.c_str()) + "\" " + attributes + ">"
            + children + "</check_box>";
        TiXmlDocument document;
        document.Parse(text.c_str());
        ASSERT_FALSE(document.Error()) << text;
        box.onStateChanged.add(&log, &StateLog::onStateChanged);
        box.load(*document.RootElement());
        box.setPosition(KaVector3f32(20, 30, 0));
    }
};

TEST_F(KaCheckBoxXmlTest, ModeVisibilityAndMargins)
{
    struct Case {
        const char* name;
        const char* attributes;
        const char* children;
        KaCheckBox::Mode mode;
        KaPixel shown;
        KaVector3f32 hitSize;
    };
    const Case cases[] = {
        { "normal", "mode=\"normal\"", "", KaCheckBox::Normal, kaRed, KaVector3f32(40, 20, 0) },
        { "radio", "MODE=\"radio\"", "", KaCheckBox::Radio, kaRed, KaVector3f32(40, 20, 0) },
        // Values are exact: another spelling keeps the mode.
        { "Radio", "mode=\"Radio\"", "", KaCheckBox::Normal, kaRed, KaVector3f32(40, 20, 0) },
        { "hidden", "visible=\"0\"", "", KaCheckBox::Normal, kaNothing, KaVector3f32(40, 20, 0) },
        { "margins", "", "<leftMargin value=\"2\"/><rightMargin value=\"2\"/><topMargin value=\"4\"/>",
            KaCheckBox::Normal, kaRed, KaVector3f32(36, 16, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaCheckBox box;
        log.states.clear();
        read(box, c.attributes, c.children);
        // Loading ends by telling the state.
        EXPECT_EQ(log.states, std::vector<bool>({ false }));
        EXPECT_EQ(box.mode(), c.mode);
        EXPECT_EQ(shownAt(40, 40), c.shown);
        EXPECT_EQ(box.getSize(), KaVector3f32(40, 20, 0));
        EXPECT_EQ(box.button().getSize(), c.hitSize);
    }
}

TEST_F(KaCheckBoxXmlTest, AMissingPictureLeavesItsLookEmpty)
{
    KaCheckBox box;
    unactive = KaString(mDir.file("missing.png").c_str());
    {
        KaCaptureStdout quiet;
        read(box, "");
    }
    EXPECT_FALSE(box.unactiveSprite().texture());
    EXPECT_EQ(shownAt(40, 40), kaNothing);
    clickAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
}

}
