#include "tests/game/menus/MenuScreenTestFixture.h"

#include "engine/gui/KaITextLayout.h"
#include "game/menus/HelpOptionMenu.h"
#include "game/menus/HowTo.h"

namespace {

// How-to pages whose description says on the console each time it runs;
// the markup prefixes end in a visible mark.
std::string howtoGui(int pages)
{
    std::string background;
    for (int i = 0; i < pages; ++i)
        background += "KaSpriteLayout{ name = \"page" + std::to_string(i)
            + "\", visible = " + (i == 0 ? "true" : "false") + ", KaTextLayout{ name = \"howto" + std::to_string(i)
            + "\" }, KaTextLayout{ name = \"unknownKey\" } },\n";
    return "print(\"[test] how-to loaded\")\n"
           "textAttributs = '<section style=\"left\" />t:'\n"
           "panelTypo = '<section style=\"left\" />p:'\n"
           "KaLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 1},\n"
           "  KaLayout{ name = \"background\",\n"
        + background
        + "  },\n"
          "  KaLayout{ name = \"panel\", KaTextLayout{ name = \"howtoBack\" } },\n"
          "}\n";
}

class HelpScreensTest : public MenuScreenTest {
protected:
    void SetUp() override
    {
        MenuScreenTest::SetUp();
        content.write("texts/en.xml",
            "<value name=\"howto0\" value=\"Walk\" />\n"
            "<value name=\"howto1\" value=\"Talk\" />\n"
            "<value name=\"howtoBack\" value=\"Back\" />\n");
        content.write("menus/howtoMenu/howto.lua", howtoGui(3));
        content.write("menus/helpoptionMenu/optionsMenu.lua",
            "KaLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 1} }\n");
        startWithArtworks("");
    }

    void enter()
    {
        KaCaptureStdout console;
        howto.enter();
        log += console.text();
    }
    std::string text(const char* name)
    {
        KaITextLayout* layout = howto.textLayout(name);
        return layout ? layout->text().c_str() : "(none)";
    }
    // The indices of the visible pages.
    std::vector<int> shownPages()
    {
        std::vector<int> shown;
        KaLayout* background = howto.layout("background");
        for (unsigned long i = 0; background && i < background->childCount(); ++i)
            if (background->child(i)->visible())
                shown.push_back(static_cast<int>(i));
        return shown;
    }

    HowTo howto;
};

}

TEST_F(HelpScreensTest, HowToPagesAreLocalisedOnEntryAndEnteredOnce)
{
    enter();
    ASSERT_TRUE(howto.entered());
    EXPECT_EQ(howto.layout("menu")->parent(), &app()->layoutFront());
    EXPECT_EQ(text("howto0"), "t:Walk");
    EXPECT_EQ(text("howto1"), "t:Talk");
    EXPECT_EQ(text("howtoBack"), "p:Back");
    // A name the table does not hold gets the markup alone.
    EXPECT_EQ(text("unknownKey"), "t:");
    EXPECT_EQ(shownPages(), std::vector<int>({ 0 }));
    enter();
    size_t loads = 0;
    for (size_t at = log.find("[test] how-to loaded"); at != std::string::npos;
         at = log.find("[test] how-to loaded", at + 1))
        ++loads;
    EXPECT_EQ(loads, 1u);
}

TEST_F(HelpScreensTest, PadButtonsTurnThePagesRoundBothWays)
{
    enter();
    const struct {
        const char* label;
        unsigned int buttons;
        uint32_t page;
    } steps[] = {
        { "right", HowTo::BUTTON_RIGHT, 1 },
        { "R2", HowTo::BUTTON_R2, 2 },
        { "right from the last page", HowTo::BUTTON_RIGHT, 0 },
        { "left from the first page", HowTo::BUTTON_LEFT, 2 },
        { "L2", HowTo::BUTTON_L2, 1 },
        { "right and left: forward", HowTo::BUTTON_RIGHT | HowTo::BUTTON_LEFT, 2 },
        { "left and cancel: back, no leaving", HowTo::BUTTON_LEFT | HowTo::BUTTON_CANCEL, 1 },
        { "another button keeps the page", 0x1, 1 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        EXPECT_FALSE(howto.onDefaultPadButtonUp(step.buttons));
        EXPECT_EQ(howto.currentPage(), step.page);
        EXPECT_TRUE(howto.entered());
        // The page left is hidden; the first page, shown by the file, stays
        // until it is turned away from.
        std::vector<int> shown = shownPages();
        EXPECT_NE(std::find(shown.begin(), shown.end(), static_cast<int>(step.page)), shown.end());
    }
    EXPECT_EQ(shownPages(), std::vector<int>({ 1 }));
}

TEST_F(HelpScreensTest, CancelGoesBackToTheHelpOptionsScreen)
{
    enter();
    howto.onDefaultPadButtonUp(HowTo::BUTTON_RIGHT);
    EXPECT_FALSE(howto.onDefaultPadButtonUp(HowTo::BUTTON_CANCEL));
    EXPECT_FALSE(howto.entered());
    EXPECT_FALSE(howto.isLoaded());
    EXPECT_EQ(howto.currentPage(), 1u);
    HelpOptionMenu& options = app()->helpOptionMenu();
    ASSERT_TRUE(options.entered());
    EXPECT_EQ(options.layout("menu")->parent(), &app()->backgroundVideoSprite());

    options.leave();
    EXPECT_FALSE(options.entered());
    EXPECT_FALSE(options.isLoaded());
}

// Without pages there is nothing to turn: no division by zero, no page.
TEST_F(HelpScreensTest, HowToWithoutPagesKeepsItsPage)
{
    content.write("menus/howtoMenu/howto.lua", howtoGui(0));
    enter();
    for (unsigned int buttons : { 0x400u, 0x200u, 0x10000u, 0x8000u, 0x1u }) {
        SCOPED_TRACE(buttons);
        EXPECT_FALSE(howto.onDefaultPadButtonUp(buttons));
        EXPECT_EQ(howto.currentPage(), 0u);
    }
}
