#ifndef INVENTORY_TEST_FIXTURE_H
#define INVENTORY_TEST_FIXTURE_H

#include <string>
#include <vector>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/inventory/Cellphone.h"
#include "game/inventory/Inventory.h"
#include "game/inventory/InventoryObject.h"
#include "game/menus/InventoryMenu.h"
#include "tests/game/ApplicationTestFixture.h"

// The inventory's description with pages of the given slot counts (page 0
// shown, the others hidden) and every other name the inventory looks up.
inline std::string inventoryGui(const std::vector<int>& slotsPerPage)
{
    std::string pages;
    for (size_t page = 0; page < slotsPerPage.size(); ++page) {
        std::string slots;
        for (int slot = 0; slot < slotsPerPage[page]; ++slot) {
            slots += "KaLayout{ name = \"page" + std::to_string(page) + "Slot" + std::to_string(slot)
                + "\", sizeType = Percent, size = {0.1, 0.1, 1}, position = {" + std::to_string(0.1 + 0.1 * slot)
                + ", 0.5, 0.5} },\n";
        }
        pages += "KaLayout{ name = \"page" + std::to_string(page) + "\", sizeType = Percent, size = {1, 1, 1}"
            + (page == 0 ? "" : ", visible = false") + ",\n" + slots + "},\n";
    }
    return "textAttributs = '<section style=\"left\" />'\n"
           "KaLayout{ name = \"inventory\", sizeType = Percent, size = {1, 1, 1},\n"
        + pages
        + "KaSpriteLayout{ name = \"selectionSprite\", sizeType = Percent, size = {0.1, 0.1, 1} },\n"
          "KaTextLayout{ name = \"text\", sizeType = Percent, size = {0.3, 0.3, 1} },\n"
          "KaLayout{ name = \"textObject\", sizeType = Percent, size = {0.3, 0.1, 1} },\n"
          "KaButtonLayout{ name = \"prendre\" }, KaButtonLayout{ name = \"lire\" },\n"
          "KaButtonLayout{ name = \"cellphone\" }, KaButtonLayout{ name = \"quitButton\" },\n"
          "KaButtonLayout{ name = \"quitBackground\" }, KaButtonLayout{ name = \"mainMenuButton\" },\n"
          "KaButtonLayout{ name = \"Aide\" },\n"
          "}\n";
}

inline const char* inventoryObjectGui()
{
    return "KaButtonLayout{ name = \"object\", sizeType = Percent, size = {1, 1, 1},\n"
           "  upLayout = KaSpriteLayout{ name = \"upLayout\", sizeType = Percent, size = {1, 1, 1} } }\n";
}

inline const char* objectsDatabase()
{
    return "<?xml version=\"1.0\" ?>\n"
           "<!-- no root element -->\n"
           "<Object id=\"logbook\" name=\"Logbook\" description=\"Ships in and out.\" isDocument=\"0\" />\n"
           "<Object id=\"BrassKey\" name=\"Brass key\" description=\"Pier 4.\" />\n"
           "<Object id=\"BrassKey\" name=\"Second key\" description=\"Never read.\" />\n"
           "<Object id=\"TideTable\" description=\"A nameless first record.\" />\n"
           "<Object id=\"TideTable\" name=\"Tide table\" isDocument=\"\" />\n"
           "<Other id=\"Lantern\" name=\"Not an object\" isDocument=\"1\" />\n";
}

inline const char* inventoryMenuGui()
{
    return "KaLayout{ name = \"inventoryMenu\", sizeType = Percent, size = {1, 1, 1},\n"
           "  KaButtonLayout{ name = \"quitButton\" }, KaButtonLayout{ name = \"quitBackground\" },\n"
           "  KaButtonLayout{ name = \"mainMenuButton\" }, KaButtonLayout{ name = \"documentsButton\" },\n"
           "  KaButtonLayout{ name = \"inventoryButton\" } }\n";
}

inline const char* cellphoneGui()
{
    return "textAttributs = '<section style=\"left\" />'\n"
           "KaButtonLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},\n"
           "  KaLayout{ name = \"cellphone\", sizeType = Percent, size = {0.3, 0.8, 1},\n"
           "    KaSpriteLayout{ name = \"numRepertoire\", sizeType = Percent, size = {1, 0.2, 1} },\n"
           "    KaButtonLayout{ name = \"haut\" }, KaButtonLayout{ name = \"bas\" },\n"
           "    KaButtonLayout{ name = \"appeler\" }, KaButtonLayout{ name = \"fermer\" } } }\n";
}

// The application with a GL context and the game's own inventory, menu
// and phone on small descriptions of the test's content folder. The
// inventory hangs on the front layer, so that its pages are seen.
class InventoryTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        content.write("texts/en.xml",
            "<value name=\"5550142\" value=\"Harbour master\" />\n"
            "<value name=\"5550113\" value=\"Coastguard\" />\n");
        content.write("Inventory/Inventory.lua", inventoryGui({ 3, 2 }));
        content.write("Inventory/InventoryObject.lua", inventoryObjectGui());
        content.write("Inventory/Objects/Objects_en.xml", objectsDatabase());
        content.write("InventoryMenu/InventoryMenu.lua", inventoryMenuGui());
        content.write("menus/cellphone.lua", cellphoneGui());
        start();
        app()->layoutFront().addChild(&inventory());
        inventory().onHandedToScene.add(this, &InventoryTest::onHanded, 0.0f);
    }
    void TearDown() override
    {
        inventory().onHandedToScene.remove(this, &InventoryTest::onHanded, 0.0f);
        app()->layoutFront().removeChild(&inventory());
        ApplicationFrameTest::TearDown();
    }

    Application* app() { return application.get(); }
    Inventory& inventory() { return app()->game().inventory(); }
    InventoryMenu& menu() { return app()->game().inventoryMenu(); }

    void loadInventory()
    {
        KaCaptureStdout console;
        inventory().load();
        log += console.text();
    }
    bool onHanded(const KaString& id)
    {
        handed.push_back(id.c_str());
        return false;
    }
    // Moves the shared clock on by that much, sampled on both sides.
    void wait(unsigned long long milliseconds)
    {
        KaTimer::updateAll();
        advance(milliseconds);
        KaTimer::updateAll();
    }
    KaLayout* slot(int page, int index)
    {
        return inventory().gui().layout(KaString("page") + KaString(page) + "Slot" + KaString(index));
    }
    // The objects held by one slot.
    std::vector<InventoryObject*> heldBy(KaLayout* layout)
    {
        std::vector<InventoryObject*> held;
        for (unsigned long k = 0; k < layout->childCount(); ++k) {
            if (InventoryObject* object = dynamic_cast<InventoryObject*>(layout->child(k)))
                held.push_back(object);
        }
        return held;
    }
    InventoryObject* object(const char* id)
    {
        for (InventoryObject* candidate : inventory().objects()) {
            if (candidate->id() == id)
                return candidate;
        }
        return nullptr;
    }
    bool enabled(KaLuaGUI& gui, const char* button)
    {
        return gui.buttonLayout(button)->state() != KaButtonLayout::Disabled;
    }

    std::vector<std::string> handed;
};

#endif
