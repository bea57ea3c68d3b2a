#include "tests/game/inventory/InventoryTestFixture.h"

namespace {

class InventoryMenuTest : public InventoryTest {
protected:
    void SetUp() override
    {
        InventoryTest::SetUp();
        loadInventory();
        menu().load();
    }

    // Which tab the disabled button marks as open.
    std::string openTab()
    {
        const bool inventoryTab = !enabled(menu().gui(), "inventoryButton");
        const bool documentsTab = !enabled(menu().gui(), "documentsButton");
        if (inventoryTab && !documentsTab && inventory().visible())
            return "inventory";
        if (documentsTab && !inventoryTab && !inventory().visible())
            return "documents";
        return "unclear";
    }
};

}

TEST_F(InventoryMenuTest, LoadsHiddenAndOpensOnTheInventoryTab)
{
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().gui().layout("inventoryMenu")->parent(), &menu());
    EXPECT_FALSE(menu().enter());
    EXPECT_TRUE(menu().isVisible());
    EXPECT_EQ(openTab(), "inventory");
    EXPECT_TRUE(enabled(menu().gui(), "mainMenuButton"));

    // Closed from the documents tab, it opens on the inventory again.
    menu().onDocumentsButton();
    EXPECT_EQ(openTab(), "documents");
    EXPECT_FALSE(menu().onQuitButton());
    EXPECT_FALSE(menu().isVisible());
    EXPECT_FALSE(inventory().visible());
    menu().enter();
    EXPECT_EQ(openTab(), "inventory");
}

TEST_F(InventoryMenuTest, LeavingTheInventoryTabHandsTheSelectionToTheScene)
{
    inventory().addObject("Logbook");
    menu().enter();
    menu().onDocumentsButton();
    EXPECT_TRUE(handed.empty());

    inventory().selectedObject(KaString("Logbook"));
    const struct {
        const char* label;
        bool (InventoryMenu::*press)();
        size_t raised;
    } steps[] = {
        { "back to the inventory", &InventoryMenu::onInventoryButton, 0 },
        { "to the documents", &InventoryMenu::onDocumentsButton, 1 },
        // The inventory is left once more, although already hidden.
        { "closed from the documents", &InventoryMenu::onQuitButton, 2 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        (menu().*step.press)();
        EXPECT_EQ(handed, std::vector<std::string>(step.raised, "Logbook"));
    }
}

TEST_F(InventoryMenuTest, MainMenuButtonAsksTheApplicationToLeaveTheGame)
{
    menu().enter();
    EXPECT_FALSE(menu().onMainMenuButton());
    EXPECT_TRUE(app()->game().requestMainMenu());
    app()->game().setRequestMainMenu(false);
}

TEST_F(InventoryMenuTest, UnloadHidesBothScreensAndForgetsItsDescription)
{
    menu().enter();
    menu().unload();
    EXPECT_FALSE(inventory().visible());
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().gui().layout("inventoryMenu"), nullptr);
    menu().leave();
}
