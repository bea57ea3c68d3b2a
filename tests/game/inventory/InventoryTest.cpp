#include "tests/game/inventory/InventoryTestFixture.h"

#include <algorithm>
#include <random>

#include <tinyxml.h>

#include "engine/core/KaBaseFile.h"
#include "engine/gui/KaITextLayout.h"

namespace {

const int capacity = 5;

}

TEST_F(InventoryTest, NewestObjectTakesTheFirstSlotAndAReloadReversesTheOrder)
{
    loadInventory();
    ASSERT_TRUE(inventory().addObject("A"));
    ASSERT_TRUE(inventory().addObject("B"));
    EXPECT_EQ(heldBy(slot(0, 0)), std::vector<InventoryObject*> { object("B") });
    EXPECT_EQ(heldBy(slot(0, 1)), std::vector<InventoryObject*> { object("A") });

    TiXmlDocument save;
    inventory().saveToBackup(save);
    inventory().unload();
    KaObject::deleteNow();
    loadInventory();
    inventory().loadFromBackup(*save.FirstChildElement("Inventory"));
    ASSERT_EQ(inventory().objects().size(), 2ul);
    EXPECT_EQ(heldBy(slot(0, 0)), std::vector<InventoryObject*> { object("A") });
    EXPECT_EQ(heldBy(slot(0, 1)), std::vector<InventoryObject*> { object("B") });
}

TEST_F(InventoryTest, SavesEveryPageAndSlotEmptyOnesIncluded)
{
    loadInventory();
    inventory().addObject("Rope");
    inventory().addObject("Gull");
    TiXmlDocument save;
    inventory().saveToBackup(save);

    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    save.Accept(&printer);
    EXPECT_EQ(std::string(printer.CStr()),
        "<Inventory><Page><Slot><Object id=\"Gull\" /></Slot><Slot><Object id=\"Rope\" /></Slot><Slot />"
        "</Page><Page><Slot /><Slot /></Page></Inventory>");
}

TEST_F(InventoryTest, ObjectShowsTheIconOfItsIdentifier)
{
    InventoryObject object;
    object.load("BrassKey");
    EXPECT_EQ(object.spritePath(), KaString("Inventory/Objects/BrassKey.png"));
    KaButtonLayout* button = object.gui().buttonLayout("object");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parent(), &object);
    // Two quick clicks must both reach the inventory's double-click test.
    EXPECT_FALSE(button->doubleValidationProtectionEnabled());

    TiXmlElement slotElement("Slot");
    object.saveToBackup(slotElement);
    ASSERT_NE(slotElement.FirstChildElement("Object"), nullptr);
    EXPECT_STREQ(slotElement.FirstChildElement("Object")->Attribute("id"), "BrassKey");
}

TEST_F(InventoryTest, DeletedObjectLeavesItsSlot)
{
    KaLayout holder;
    InventoryObject* object = new InventoryObject;
    object->load("Gull");
    holder.addChild(object);
    delete object;
    EXPECT_EQ(holder.childCount(), 0ul);
}

// Random adds, removals, selections and save-and-reload round trips against
// a plain list: after every step the array is the list, object k sits in the
// k-th slot and alone there, a full inventory refuses without a change, and
// the objects released on the way are really gone (the sanitizers watch).
TEST_F(InventoryTest, AgreesWithASimpleModelUnderRandomOperations)
{
    loadInventory();
    const std::vector<std::string> pool { "Logbook", "BrassKey", "TideTable", "Lantern", "Rope", "Gull", "Net" };
    std::vector<std::string> model;
    int selected = -1;
    std::mt19937 random(24);

    auto check = [&](int step) {
        SCOPED_TRACE(step);
        const KaArray<InventoryObject*>& objects = inventory().objects();
        ASSERT_EQ(objects.size(), model.size());
        for (size_t k = 0; k < model.size(); ++k)
            ASSERT_EQ(std::string(objects[k]->id().c_str()), model[k]);
        const std::vector<KaLayout*> slots { slot(0, 0), slot(0, 1), slot(0, 2), slot(1, 0), slot(1, 1) };
        for (size_t k = 0; k < slots.size(); ++k) {
            if (k < model.size())
                ASSERT_EQ(heldBy(slots[k]), std::vector<InventoryObject*> { objects[k] });
            else
                ASSERT_TRUE(heldBy(slots[k]).empty());
        }
        EXPECT_EQ(std::string(inventory().selectedObject().c_str()), selected < 0 ? "" : model[selected]);
        EXPECT_EQ(inventory().selectedInventoryObject(), selected < 0 ? nullptr : objects[selected]);
        for (const std::string& id : pool) {
            const bool held = std::find(model.begin(), model.end(), id) != model.end();
            ASSERT_EQ(inventory().objectCount(id.c_str()), held ? 1ul : 0ul);
        }
    };

    int fullRefusals = 0;
    for (int step = 0; step < 600; ++step) {
        const std::string id = pool[random() % pool.size()];
        switch (random() % 6) {
        case 0:
        case 1: {
            const bool fits = model.size() < static_cast<size_t>(capacity);
            ASSERT_EQ(inventory().addObject(id.c_str()), fits) << step;
            if (fits) {
                model.insert(model.begin(), id);
                if (selected >= 0)
                    ++selected;
            } else {
                ++fullRefusals;
            }
            break;
        }
        case 2: {
            inventory().removeObject(id.c_str());
            const auto found = std::find(model.begin(), model.end(), id);
            if (found != model.end()) {
                const int index = static_cast<int>(found - model.begin());
                model.erase(found);
                if (index == selected)
                    selected = -1;
                else if (index < selected)
                    --selected;
            }
            break;
        }
        case 3: {
            inventory().selectedObject(KaString(id.c_str()));
            const auto found = std::find(model.begin(), model.end(), id);
            if (found != model.end())
                selected = static_cast<int>(found - model.begin());
            break;
        }
        case 4:
            if (selected >= 0) {
                // The first object of that identifier goes, which need not
                // be the selected one when two share it.
                const std::string selectedId = model[selected];
                model.erase(std::find(model.begin(), model.end(), selectedId));
                selected = -1;
            }
            inventory().removeSelectedObject();
            break;
        default: {
            TiXmlDocument save;
            inventory().saveToBackup(save);
            inventory().unload();
            EXPECT_TRUE(inventory().objects().isEmpty());
            EXPECT_EQ(inventory().selectedInventoryObject(), nullptr);
            KaObject::deleteNow();
            loadInventory();
            inventory().loadFromBackup(*save.FirstChildElement("Inventory"));
            std::reverse(model.begin(), model.end());
            selected = -1;
            break;
        }
        }
        check(step);
        if (step % 7 == 0)
            KaObject::deleteNow();
    }
    EXPECT_GT(fullRefusals, 0);
}

TEST_F(InventoryTest, LooksObjectsUpInItsDatabase)
{
    loadInventory();
    const struct {
        const char* id;
        const char* name;
        const char* description;
        bool document;
    } cases[] = {
        // The document flag ignores case and the attribute's value.
        { "logbook", "Logbook", "Ships in and out.", true },
        { "LOGBOOK", "", "", true },
        { "Logbook", "", "", true },
        // The first record that has the attribute answers.
        { "BrassKey", "Brass key", "Pier 4.", false },
        { "TideTable", "Tide table", "A nameless first record.", true },
        // Only top-level "Object" elements count.
        { "Lantern", "", "", false },
        { "Unknown", "", "", false },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(inventory().objectName(entry.id), KaString(entry.name));
        EXPECT_EQ(inventory().objectDescription(entry.id), KaString(entry.description));
        EXPECT_EQ(inventory().isDocument(entry.id), entry.document);
    }
}

TEST_F(InventoryTest, StartsHiddenEvenWithoutItsDatabase)
{
    const struct {
        const char* label;
        const char* database;
    } cases[] = {
        { "missing", nullptr },
        { "malformed", "<Object id=\"logbook\" name=\"Logbook\" isDocument=\"1\" />\n<Object id=" },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.label);
        ::unlink(content.file("Inventory/Objects/Objects_en.xml").c_str());
        if (entry.database)
            content.write("Inventory/Objects/Objects_en.xml", entry.database);
        log.clear();
        loadInventory();
        EXPECT_NE(log.find("[Inventory::Load]"), std::string::npos) << log;
        // The screen must not stay over the game.
        EXPECT_FALSE(inventory().visible());
        EXPECT_FALSE(inventory().gui().layout("selectionSprite")->visible());
        EXPECT_FALSE(enabled(inventory().gui(), "lire"));
        EXPECT_EQ(inventory().objectName("logbook"), KaString());
        EXPECT_FALSE(inventory().isDocument("logbook"));
        // Objects are still carried, without names.
        EXPECT_TRUE(inventory().addObject("logbook"));
        inventory().unload();
    }
}

TEST_F(InventoryTest, SelectionFillsTheTextsAndTheReadButton)
{
    loadInventory();
    inventory().addObject("BrassKey");
    inventory().addObject("logbook");
    inventory().setVisible(true);
    KaLuaGUI& gui = inventory().gui();
    KaLayout* frame = gui.layout("selectionSprite");

    // The in-game GUI has no "selectedObject" sprite here: no harm done.
    KaCaptureStdout console;
    inventory().selectedObject(KaString("logbook"));
    EXPECT_NE(console.text().find("Document"), std::string::npos);
    EXPECT_TRUE(enabled(gui, "lire"));
    EXPECT_TRUE(frame->visible());
    EXPECT_EQ(frame->userPosition().x, slot(0, 0)->userPosition().x);
    // The markup is XML: an open "<br>" would not parse and lose the description.
    EXPECT_NE(gui.textLayout("text")->text().find("Logbook<br/>Ships in and out."), std::string::npos);
    EXPECT_EQ(console.text().find("Can't parse"), std::string::npos) << console.text();
    // Only the selected object's label shows.
    KaLayout* labels = gui.layout("textObject");
    ASSERT_EQ(labels->childCount(), 2ul);
    for (unsigned long k = 0; k < labels->childCount(); ++k)
        EXPECT_EQ(labels->child(k)->visible(), labels->child(k)->name() == "logbook");

    inventory().selectedObject(KaString("BrassKey"));
    EXPECT_FALSE(enabled(gui, "lire"));
    EXPECT_EQ(frame->userPosition().x, slot(0, 1)->userPosition().x);

    inventory().selectedObject(static_cast<InventoryObject*>(nullptr));
    EXPECT_FALSE(frame->visible());
    EXPECT_EQ(gui.textLayout("text")->text(), KaString());
    EXPECT_EQ(inventory().selectedObject(), KaString());
}

TEST_F(InventoryTest, SelectionOnAHiddenPageLeavesTheFrameHidden)
{
    loadInventory();
    for (const char* id : { "A", "B", "C", "D" })
        inventory().addObject(id);
    inventory().setVisible(true);
    // "A", the oldest, is on page 1, which is not shown.
    inventory().selectedObject(KaString("A"));
    EXPECT_EQ(object("A")->parent(), slot(1, 0));
    EXPECT_FALSE(inventory().gui().layout("selectionSprite")->visible());
    EXPECT_EQ(inventory().selectedObject(), KaString("A"));
}

TEST_F(InventoryTest, TwoQuickSelectionsOfAnyObjectsCloseTheMenu)
{
    loadInventory();
    inventory().addObject("A");
    inventory().addObject("B");
    InventoryObject* a = object("A");
    InventoryObject* b = object("B");

    // The very first selection only starts the measure.
    a->onButtonDown();
    EXPECT_TRUE(handed.empty());
    const struct {
        unsigned long long gap;
        InventoryObject* object;
        std::vector<std::string> handed;
    } steps[] = {
        { 100, b, { "B" } },
        { 400, a, { "B" } },
        { 250, a, { "B", "A" } },
        { 299, b, { "B", "A", "B" } },
        { 301, a, { "B", "A", "B" } },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.gap);
        wait(step.gap);
        step.object->onButtonDown();
        EXPECT_EQ(inventory().selectedInventoryObject(), step.object);
        EXPECT_EQ(handed, step.handed);
    }
}

TEST_F(InventoryTest, LeavingHandsTheSelectionToTheSceneEvenWhenHidden)
{
    loadInventory();
    inventory().leave();
    EXPECT_TRUE(handed.empty());
    inventory().addObject("Rope");
    inventory().selectedObject(KaString("Rope"));
    inventory().leave();
    inventory().leave();
    EXPECT_EQ(handed, (std::vector<std::string> { "Rope", "Rope" }));
}

TEST_F(InventoryTest, ButtonsCloseTheMenuAsManyTimesAsTheyLeave)
{
    loadInventory();
    menu().load();
    inventory().addObject("Rope");
    inventory().selectedObject(KaString("Rope"));
    const struct {
        const char* label;
        bool (Inventory::*handler)();
        bool result;
        size_t raised;
    } cases[] = {
        { "take", &Inventory::onTakeObjectSelected, false, 1 },
        { "phone", &Inventory::onVisibleCellphone, false, 2 },
        { "quit", &Inventory::onQuitButton, true, 1 },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.label);
        handed.clear();
        menu().enter();
        EXPECT_EQ((inventory().*entry.handler)(), entry.result);
        EXPECT_EQ(handed.size(), entry.raised);
        EXPECT_FALSE(inventory().visible());
        EXPECT_FALSE(menu().isVisible());
    }
    Cellphone* phone = inventory().cellphone();
    ASSERT_NE(phone, nullptr);
    EXPECT_TRUE(phone->gui().layout("background")->visible());
}

TEST_F(InventoryTest, MainMenuButtonAsksTheApplicationToLeaveTheGame)
{
    loadInventory();
    EXPECT_TRUE(inventory().onMainMenuButton());
    EXPECT_TRUE(app()->game().requestMainMenu());
    app()->game().setRequestMainMenu(false);
}

TEST_F(InventoryTest, EnteringShowsHelpOnlyOnTheFirstEntryOfAGame)
{
    loadInventory();
    KaLayout* help = inventory().gui().layout("Aide");
    app()->game().setFirstInInventory(true);
    inventory().enter();
    EXPECT_TRUE(inventory().visible());
    EXPECT_TRUE(help->visible());
    EXPECT_FALSE(app()->game().firstInInventory());
    inventory().leave();
    inventory().enter();
    EXPECT_FALSE(help->visible());
}

TEST_F(InventoryTest, UnloadForgetsObjectsAndSelectionAndKeepsOnePhone)
{
    loadInventory();
    Cellphone* phone = inventory().cellphone();
    ASSERT_NE(phone, nullptr);
    phone->addNumber("5550142");
    inventory().addObject("Rope");
    inventory().selectedObject(KaString("Rope"));
    inventory().unload();
    EXPECT_TRUE(inventory().objects().isEmpty());
    EXPECT_EQ(inventory().selectedInventoryObject(), nullptr);
    EXPECT_EQ(inventory().selectedObject(), KaString());
    inventory().leave();
    EXPECT_TRUE(handed.empty());
    KaObject::deleteNow();

    // The next game: the same phone, which starts without numbers.
    loadInventory();
    EXPECT_EQ(inventory().cellphone(), phone);
    EXPECT_TRUE(phone->numbers().isEmpty());
    EXPECT_NE(phone->gui().layout("background"), nullptr);
    EXPECT_TRUE(inventory().objects().isEmpty());
}

TEST_F(InventoryTest, RemovingTheObjectInHandDuringItsOwnClickIsSafe)
{
    loadInventory();
    inventory().addObject("Rope");
    inventory().addObject("Gull");
    struct Taker {
        Inventory* inventory;
        bool take(const KaString& id)
        {
            inventory->removeObject(id);
            return false;
        }
    } taker { &inventory() };
    inventory().onHandedToScene.add(&taker, &Taker::take, -1.0f);
    InventoryObject* rope = object("Rope");
    rope->onButtonDown();
    wait(50);
    // The double click hands "Rope" to a scene that takes it away while its
    // button is still being handled.
    rope->onButtonDown();
    inventory().onHandedToScene.remove(&taker, &Taker::take, -1.0f);
    EXPECT_EQ(inventory().objects().size(), 1ul);
    EXPECT_EQ(heldBy(slot(0, 0)), std::vector<InventoryObject*> { object("Gull") });
    KaObject::deleteNow();
}

#ifdef KA_RESOURCES_DIR

// The sample game's inventory, menu and phone as the build lays them out.
class SampleInventoryTest : public InventoryTest {
protected:
    void SetUp() override
    {
        InventoryTest::SetUp();
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
    }
};

TEST_F(SampleInventoryTest, DescriptionsProvideEveryNameTheScreensUse)
{
    loadInventory();
    EXPECT_EQ(log.find("[Inventory::Load]"), std::string::npos) << log;
    KaLuaGUI& gui = inventory().gui();
    for (const char* name : { "inventory", "page0", "page0Slot0", "selectionSprite", "text", "textObject", "prendre",
             "lire", "cellphone", "quitButton", "quitBackground", "mainMenuButton", "Aide" })
        EXPECT_NE(gui.layout(name), nullptr) << name;
    EXPECT_NE(gui.textLayout("text"), nullptr);
    EXPECT_NE(gui.spriteLayout("selectionSprite"), nullptr);

    menu().load();
    for (const char* name :
        { "inventoryMenu", "quitButton", "quitBackground", "mainMenuButton", "documentsButton", "inventoryButton" })
        EXPECT_NE(menu().gui().layout(name), nullptr) << name;

    KaLuaGUI& phone = inventory().cellphone()->gui();
    for (const char* name : { "background", "numRepertoire", "haut", "bas", "appeler", "fermer", "cellphone" })
        EXPECT_NE(phone.layout(name), nullptr) << name;
    EXPECT_NE(phone.buttonLayout("background"), nullptr);
    EXPECT_NE(phone.spriteLayout("numRepertoire"), nullptr);
}

TEST_F(SampleInventoryTest, ObjectsOfTheHarbourOfficeHaveNamesIconsAndDocuments)
{
    loadInventory();
    const struct {
        const char* id;
        bool document;
    } objects[] = { { "Logbook", true }, { "BrassKey", false }, { "TideTable", true }, { "Lantern", false } };
    for (const auto& entry : objects) {
        SCOPED_TRACE(entry.id);
        EXPECT_GT(inventory().objectName(entry.id).length(), 0ul);
        EXPECT_GT(inventory().objectDescription(entry.id).length(), 0ul);
        EXPECT_EQ(inventory().isDocument(entry.id), entry.document);
        InventoryObject icon;
        icon.load(entry.id);
        EXPECT_TRUE(KaBaseFile::fileExist(icon.spritePath()));
        EXPECT_TRUE(inventory().addObject(entry.id));
    }
    EXPECT_TRUE(KaBaseFile::fileExist("Inventory/Objects/VPapierCrayon.png"));
    EXPECT_TRUE(KaBaseFile::fileExist("Inventory/Objects/Objects_fr.xml"));
}

#endif
