#include <gtest/gtest.h>

#include "engine/core/KaBackup.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "game/menus/LoadingMenu.h"
#include "tests/game/ApplicationTestFixture.h"

namespace {

const char* const validSave = "<?xml version=\"1.0\" ?>\n<Save><WarpName zone=\"01\" scene=\"01020\" /></Save>\n";
const char* const corruptSave = "<?xml version=\"1.0\" ?>\n<Save><WarpName zone=\"01\" sce";

void writeSave(const char* name, const std::string& text)
{
    std::ofstream file(KaGetBackupPath(name).c_str(), std::ios::binary | std::ios::trunc);
    file << text;
}

bool saveExists(const char* name) { return backupManager.get()->exist(name); }

} // namespace

#ifdef KA_RESOURCES_DIR

// The sample game's loading menu, entered directly, over a save folder the
// tests fill.
class LoadingMenuTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        writeOptions("<?xml version=\"1.0\" ?>\n<DebugResolution x=\"640\" y=\"480\" />\n"
                     "<DebugFullScreen value=\"0\" />\n");
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        KaCaptureStdout console;
        application.get();
        mainWindow.get()->create();
        mainWindow.get()->setSize(KaVector3f32(640, 480, 100));
        renderer.get()->init();
        application.get()->create();
        log += console.text();
        // The splashes run out first: the loading menu comes after them.
        for (int i = 0; i < 10 && application.get()->splashScreens().entered(); ++i) {
            advance(2000);
            frame();
        }
        ASSERT_FALSE(application.get()->splashScreens().entered());
        // Until the main menu comes, the splashes run straight into a game.
        KaCaptureStdout left;
        application.get()->game().leave(false);
    }

    LoadingMenu& menu() { return application.get()->loadingMenu(); }
    void enter()
    {
        KaCaptureStdout console;
        menu().enter();
        log += console.text();
    }
    void frame()
    {
        KaCaptureStdout console;
        advance(17);
        application.get()->run();
        log += console.text();
    }
    bool enabled(unsigned long slot) { return menu().saveButtons()[slot]->button->state() != KaButtonLayout::Disabled; }
    std::string caption()
    {
        KaITextLayout* text = menu().gui().textLayout("text");
        return text ? text->text().c_str() : "(none)";
    }
    void pointer(int x, bool down)
    {
        KaInputMgr* input = inputMgr.get();
        input->setMouseRawPosition(KaVector2s32(x, 240), 0);
        if (down)
            input->setMouseLeft(true, 0);
    }
    void release() { inputMgr.get()->setMouseLeft(false, 0); }
    float stripX() { return menu().gui().layout("slots")->userPosition().x; }

    KaGLTestContext gl { 640, 480 };
    std::string log;
};

TEST_F(LoadingMenuTest, OnlySlotsWithASaveCanBeChosenAndACorruptOneIsNotLoaded)
{
    writeSave("1.xml", validSave);
    writeSave("2.xml", corruptSave);
    writeSave("save.xml", validSave);
    enter();
    ASSERT_TRUE(menu().isEntered());
    ASSERT_EQ(4ul, menu().saveButtons().size());
    EXPECT_FALSE(enabled(0));
    EXPECT_TRUE(enabled(1));
    // A save that does not read stays selectable: choosing it tells why.
    EXPECT_TRUE(enabled(2));
    EXPECT_FALSE(enabled(3));
    EXPECT_NE(std::string::npos,
        log.find(std::string("LoadingMenu::SaveButton::SaveButton: Failed to load file \"")
            + KaGetBackupPath("2.xml").c_str() + "\"\n"))
        << log;
    for (unsigned long i = 0; i < 4; ++i) {
        EXPECT_EQ(KaString("Backup/") + KaString(std::to_string(i).c_str()) + ".xml", menu().saveButtons()[i]->path());
        EXPECT_EQ(menu().gui().layout(KaString("slot") + std::to_string(i).c_str()),
            menu().saveButtons()[i]->parent());
    }
    EXPECT_EQ(KaString("Page 2 of the logbook"), menu().saveButtons()[1]->caption);
    // Slot 0 has no save: no caption.
    EXPECT_EQ("", caption());

    menu().saveButtons()[2]->onLoadSave();
    EXPECT_TRUE(application.get()->saveCorruptConfirm().gui().isLoaded());
    EXPECT_FALSE(menu().confirmation().gui().isLoaded());
    EXPECT_TRUE(menu().isEntered());
    application.get()->saveCorruptConfirm().leave();

    // "No" changes nothing.
    menu().saveButtons()[1]->onLoadSave();
    EXPECT_EQ(KaString("1.xml"), menu().selectedSave());
    ASSERT_TRUE(menu().confirmation().gui().isLoaded());
    EXPECT_NE(nullptr, menu().confirmation().gui().textLayout("confirmLoadGame"));
    menu().confirmation().onNo();
    EXPECT_TRUE(menu().isEntered());
    EXPECT_TRUE(saveExists("save.xml"));
    EXPECT_FALSE(application.get()->game().entered());

    // "Yes" drops the running game's save and starts from the slot.
    menu().saveButtons()[1]->onLoadSave();
    {
        KaCaptureStdout console;
        menu().confirmation().onYes();
        log += console.text();
    }
    EXPECT_FALSE(menu().isEntered());
    EXPECT_TRUE(menu().saveButtons().isEmpty());
    EXPECT_FALSE(saveExists("save.xml"));
    EXPECT_TRUE(saveExists("1.xml"));
    Game& game = application.get()->game();
    EXPECT_EQ(KaString("1.xml"), game.backupName());
    EXPECT_TRUE(game.entered());
    frame();
    EXPECT_EQ(KaString("01020"), game.scene());
    EXPECT_NE(std::string::npos, log.find("[Logic01020] enter from")) << log;
}

// A slot is checked exactly as loading checks it, before anything is
// deleted: well-formed slots the game would refuse are shown as unreadable
// and never cost the running game its "save.xml".
TEST_F(LoadingMenuTest, ARefusedSlotKeepsTheRunningGame)
{
    std::string deep = "<?xml version=\"1.0\" ?>\n<Save>";
    for (int i = 0; i < 50000; ++i)
        deep += "<a>";
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        { "a scene that does not exist", "<Save><WarpName zone=\"01\" scene=\"99999\"/></Save>" },
        { "no Save root", "<Saved><WarpName zone=\"01\" scene=\"01020\"/></Saved>" },
        { "a number that is not one", "<Save><WarpName zone=\"01\" scene=\"01020\"/><Difficulty value=\"x\"/></Save>" },
        { "nested too deeply", deep },
        { "cut short", corruptSave },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeSave("save.xml", validSave);
        writeSave("1.xml", c.text);
        enter();
        ASSERT_TRUE(menu().isEntered());
        EXPECT_TRUE(enabled(1));
        EXPECT_TRUE(menu().saveButtons()[1]->unreadable);
        EXPECT_FALSE(menu().saveButtons()[0]->unreadable);
        menu().saveButtons()[1]->onLoadSave();
        EXPECT_TRUE(application.get()->saveCorruptConfirm().gui().isLoaded());
        EXPECT_FALSE(menu().confirmation().gui().isLoaded());
        // "No" goes back to the menu, the running game's save untouched.
        {
            KaCaptureStdout console;
            application.get()->saveCorruptConfirm().onNo();
        }
        EXPECT_TRUE(menu().isEntered());
        EXPECT_EQ(validSave, readFile(KaGetBackupPath("save.xml").c_str()));
        EXPECT_FALSE(application.get()->game().entered());

        // A slot that was good when chosen and damaged before the answer is
        // checked again: "Yes" on the load question keeps "save.xml" too.
        writeSave("1.xml", validSave);
        menu().saveButtons()[1]->onLoadSave();
        ASSERT_TRUE(menu().confirmation().gui().isLoaded());
        writeSave("1.xml", c.text);
        {
            KaCaptureStdout console;
            menu().confirmation().onYes();
            log += console.text();
        }
        EXPECT_TRUE(application.get()->saveCorruptConfirm().gui().isLoaded());
        EXPECT_EQ(validSave, readFile(KaGetBackupPath("save.xml").c_str()));
        EXPECT_FALSE(application.get()->game().entered());
        application.get()->saveCorruptConfirm().leave();
        KaCaptureStdout console;
        menu().leave();
    }
}

TEST_F(LoadingMenuTest, AnUnreadableSlotSaysSoAndYesStartsANewGame)
{
    writeSave("0.xml", corruptSave);
    writeSave("1.xml", validSave);
    enter();
    EXPECT_EQ("This saved game cannot be read.", caption().substr(caption().size() - 31)) << caption();
    menu().saveButtons()[0]->onLoadSave();
    ASSERT_TRUE(application.get()->saveCorruptConfirm().gui().isLoaded());
    {
        KaCaptureStdout console;
        application.get()->saveCorruptConfirm().onYes();
        log += console.text();
    }
    EXPECT_FALSE(menu().isEntered());
    Game& game = application.get()->game();
    EXPECT_TRUE(game.entered());
    frame();
    EXPECT_EQ(KaString("01010"), game.scene());
    EXPECT_NE(std::string::npos, log.find("[OnGameEnter] a new game begins")) << log;
    // The damaged slot is left for whoever can mend it.
    EXPECT_EQ(corruptSave, readFile(KaGetBackupPath("0.xml").c_str()));
}

TEST_F(LoadingMenuTest, ADragSlidesTheStripOneSlotAtATimeWithinItsEnds)
{
    for (const char* name : { "0.xml", "1.xml", "2.xml", "3.xml" })
        writeSave(name, validSave);
    enter();
    ASSERT_EQ(4ul, menu().saveButtons().size());
    EXPECT_NE(std::string::npos, caption().find("Page 1 of the logbook")) << caption();
    const float width = menu().gui().layout("slots")->xSize();
    ASSERT_GT(width, 0.0f);
    const int step = static_cast<int>(width * 0.15f);
    const float start = stripX();

    // Moves without a press do not slide, wherever the pointer is.
    pointer(630, false);
    pointer(5, false);
    EXPECT_EQ(0u, menu().currentSlot());

    // At the first slot a drag towards lower slots does nothing.
    pointer(100, true);
    pointer(100 + step, false);
    EXPECT_EQ(0u, menu().currentSlot());
    release();

    // A drag to the left goes one slot further for each stretch of it.
    pointer(600, true);
    pointer(600 - step, false);
    EXPECT_EQ(1u, menu().currentSlot());
    EXPECT_NE(std::string::npos, caption().find("Page 2 of the logbook")) << caption();
    for (int i = 0; i < 30; ++i)
        frame();
    EXPECT_NEAR(start - 0.3f, stripX(), 1e-4f);
    pointer(600 - 2 * step, false);
    pointer(600 - 3 * step, false);
    EXPECT_EQ(3u, menu().currentSlot());
    // At the last slot a drag further does nothing.
    pointer(600 - 4 * step, false);
    pointer(600 - 5 * step, false);
    EXPECT_EQ(3u, menu().currentSlot());
    release();
    for (int i = 0; i < 30; ++i)
        frame();
    EXPECT_NEAR(start - 0.9f, stripX(), 1e-4f);

    // Back to the right.
    pointer(100, true);
    pointer(100 + step, false);
    EXPECT_EQ(2u, menu().currentSlot());
    release();

    // With the question about a page open, a drag across it leaves the
    // strip on that page: the page shown is the page loaded.
    {
        KaCaptureStdout console;
        menu().loadGame("2.xml");
    }
    ASSERT_TRUE(menu().confirmation().isOpen());
    pointer(600, true);
    pointer(600 - 2 * step, false);
    pointer(100, false);
    release();
    EXPECT_EQ(2u, menu().currentSlot());
    {
        KaCaptureStdout console;
        menu().confirmation().onNo();
    }
    EXPECT_FALSE(menu().confirmation().isOpen());

    {
        KaCaptureStdout console;
        EXPECT_TRUE(menu().onQuitButton());
    }
    EXPECT_FALSE(menu().isEntered());
    // Left, the menu no longer follows the pointer.
    pointer(600, true);
    pointer(100, false);
    release();
}

#endif

// Descriptions that lay out fewer buttons than slots, or no slot at all.
class LoadingMenuContentTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("texts/en.xml", "<value name=\"Save0\" value=\"First\" />\n");
        start();
    }
};

TEST_F(LoadingMenuContentTest, SlotsAndButtonsThatDoNotPairUp)
{
    struct Case {
        const char* what;
        const char* description;
        unsigned long buttons;
        unsigned long placed;
    };
    const char* const strip = "KaLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 1},"
                              " KaLayout{ name = \"slots\", sizeType = Percent, size = {1, 0.5, 1},"
                              " KaLayout{ name = \"slot0\" }, KaLayout{ name = \"slot1\" }, KaLayout{ name = \"slot2\" } },"
                              " KaTextLayout{ name = \"text\" } }\n";
    const std::string twoButtons = std::string("KaButtonLayout{ name = \"0\" } KaButtonLayout{ name = \"1\" }\n");
    const Case cases[] = {
        { "fewer buttons than slots", "", 2, 2 },
        { "no slots", "KaButtonLayout{ name = \"0\" } KaButtonLayout{ name = \"1\" } KaLayout{ name = \"menu\" }\n", 2,
            0 },
        { "no buttons", "", 0, 0 },
    };
    writeSave("0.xml", validSave);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string description = c.description;
        if (description.empty())
            description = (c.buttons ? twoButtons : std::string()) + strip;
        content.write("menus/loadingMenu/loadingMenu.lua", description);
        LoadingMenu& menu = application.get()->loadingMenu();
        {
            KaCaptureStdout console;
            menu.enter();
        }
        ASSERT_EQ(c.buttons, menu.saveButtons().size());
        unsigned long placed = 0;
        for (unsigned long i = 0; i < menu.saveButtons().size(); ++i)
            placed += menu.saveButtons()[i]->parent() != nullptr;
        EXPECT_EQ(c.placed, placed);
        if (c.buttons) {
            EXPECT_EQ(KaString("First"), menu.saveButtons()[0]->caption);
        }
        // A drag either way stays within the buttons there are.
        KaInputMgr* input = inputMgr.get();
        input->setMouseRawPosition(KaVector2s32(160, 120), 0);
        input->setMouseLeft(true, 0);
        for (int x = 150; x > 0; x -= 40)
            input->setMouseRawPosition(KaVector2s32(x, 120), 0);
        EXPECT_LE(menu.currentSlot(), c.buttons ? c.buttons - 1 : 0);
        for (int x = 0; x < 320; x += 40)
            input->setMouseRawPosition(KaVector2s32(x, 120), 0);
        input->setMouseLeft(false, 0);
        EXPECT_EQ(0u, menu.currentSlot());
        {
            KaCaptureStdout console;
            menu.leave();
        }
        EXPECT_FALSE(menu.isEntered());
        EXPECT_TRUE(menu.saveButtons().isEmpty());
        frame();
    }
}
