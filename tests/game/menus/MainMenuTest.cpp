#include "engine/core/KaBackup.h"
#include "tests/game/menus/MenuTestFixture.h"

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/menus/MainMenu.h"
#include "tests/engine/sound/KaSoundTestDevice.h"

#ifdef KA_RESOURCES_DIR

namespace {

// Where the sample content places the main menu's buttons and the
// confirmation dialogs' answers (fractions of the window).
struct Spot {
    float x, y;
};
const Spot newGame { 0.18f, 0.32f };
const Spot continueGame { 0.18f, 0.41f };
const Spot options { 0.18f, 0.59f };
const Spot quit { 0.18f, 0.77f };
const Spot yes { 0.38f, 0.62f };
const Spot no { 0.62f, 0.62f };

const char* const menuButtons[6]
    = { "newGameButton", "continueGameButton", "loadGameButton", "optionsButton", "galleryButton", "quitButton" };

const char* const saveNames[5] = { "save.xml", "0.xml", "1.xml", "2.xml", "3.xml" };

// A save the game would load: a place that exists (the checks "Continue"
// runs before anything starts are those of loading).
const char* const aSave = "<?xml version=\"1.0\" ?>\n<Save>\n  <WarpName zone=\"01\" scene=\"01010\" />\n</Save>\n";

}

class MainMenuTest : public MenuTest {
protected:
    MainMenu& menu() { return application.get()->mainMenu(); }
    void click(KaLuaGUI& gui, const char* name, const Spot& spot) { MenuTest::click(gui, name, spot.x, spot.y); }
    void clickMenu(const char* name, const Spot& spot) { click(menu().gui(), name, spot); }
    bool enabled(const char* name)
    {
        KaButtonLayout* button = menu().gui().buttonLayout(name);
        return button && button->state() != KaButtonLayout::Disabled;
    }
    unsigned int enabledCount()
    {
        unsigned int count = 0;
        for (const char* name : menuButtons)
            count += enabled(name) ? 1 : 0;
        return count;
    }
    std::string text(const char* name)
    {
        KaITextLayout* layout = menu().gui().textLayout(name);
        return layout ? std::string(layout->text().c_str()) : "(none)";
    }
};

TEST_F(MainMenuTest, TheSplashesEndOnTheMainMenuOverItsVideoAndMusic)
{
    toMainMenu();
    Application* app = application.get();
    EXPECT_TRUE(seen("[MainMenu] main menu\n")) << log;
    EXPECT_TRUE(menu().loaded());
    EXPECT_FALSE(app->game().entered()) << "the splashes no longer start a game";
    // The menu draws over the looping video, inside the front layer.
    KaSpriteLayout& video = app->backgroundVideoSprite();
    EXPECT_TRUE(video.visible());
    EXPECT_EQ(&video, menu().gui().layout("menu")->parent());
    EXPECT_NE(nullptr, video.surface().codec()) << "menus/menu.ogv did not load";
    EXPECT_TRUE(video.surface().frameAnim().isRunning());
    EXPECT_EQ(KaAnimation::mEndless, video.surface().frameAnim().repeatCount());
    EXPECT_TRUE(app->menuMusic().isPlaying());
    EXPECT_EQ(KaPath("menus/music/menu.ogg"), app->menuMusic().getAccessName());
    // The panel's captions come from the localisation table, the version
    // from "texts/Part.lua".
    EXPECT_EQ("The tide turns at dusk.", text("menuPanelTitle"));
    EXPECT_EQ("0.1", text("versionNumber"));
    // Nothing saved: nothing to continue.
    EXPECT_FALSE(enabled("continueGameButton"));
    EXPECT_EQ(5u, enabledCount());
}

TEST_F(MainMenuTest, WithoutASoundDeviceTheFirstEntryTellsSo)
{
    start();
    soundManager.get()->destroy();
    ASSERT_FALSE(soundManager.get()->isValid());
    {
        KaCaptureStdout console;
        application.get()->splashScreens().onQuitSplash();
        log += console.text();
    }
    ASSERT_TRUE(menu().notice().gui().isLoaded());
    EXPECT_EQ(nullptr, menu().notice().gui().buttonLayout("no")) << "a notice has one button";
    EXPECT_FALSE(application.get()->firstMainMenuEntry());
    settle();
    click(menu().notice().gui(), "yes", Spot { 0.5f, 0.62f });
    EXPECT_FALSE(menu().notice().gui().isLoaded());
    EXPECT_TRUE(menu().loaded());
    // Told once only.
    menu().leave();
    menu().enter();
    EXPECT_FALSE(menu().notice().gui().isLoaded());
}

TEST_F(MainMenuTest, ContinueIsEnabledExactlyWhenTheRunningGameIsSaved)
{
    // A slot save alone is no running game.
    writeSave("2.xml", aSave);
    toMainMenu();
    EXPECT_FALSE(enabled("continueGameButton"));
    writeSave("save.xml", aSave);
    menu().refresh();
    EXPECT_TRUE(enabled("continueGameButton"));
}

TEST_F(MainMenuTest, ANewGameWithoutSavesGoesStraightToTheTutorialQuestion)
{
    // Either answer starts a new game; the answer is the tutorial flag.
    struct Case {
        Spot answer;
        const char* button;
        bool tutorial;
    } cases[] = { { yes, "yes", true }, { no, "no", false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        // The game before saved itself on entering its scene: no save here.
        std::remove(KaGetBackupPath("save.xml").c_str());
        if (!application.get()->isCreated())
            toMainMenu();
        menu().refresh();
        clickMenu("newGameButton", newGame);
        EXPECT_FALSE(menu().newGameConfirm().gui().isLoaded());
        ASSERT_TRUE(menu().tutorialQuestion().gui().isLoaded());
        EXPECT_TRUE(menu().newGamePending());
        EXPECT_EQ(0u, enabledCount()) << "no second click starts anything meanwhile";
        settle();
        click(menu().tutorialQuestion().gui(), c.button, c.answer);
        EXPECT_FALSE(menu().loaded());
        Game& game = application.get()->game();
        EXPECT_TRUE(game.entered());
        EXPECT_EQ(c.tutorial, application.get()->tutorialActive());
        EXPECT_FALSE(application.get()->backgroundVideoSprite().visible());
        EXPECT_FALSE(application.get()->backgroundVideoSprite().surface().frameAnim().isRunning());
        frame();
        EXPECT_EQ(KaString("01010"), game.scene());
        // Back to the menu for the next answer.
        game.setRequestMainMenu(true);
        frame();
        ASSERT_TRUE(menu().loaded());
        settle();
    }
}

TEST_F(MainMenuTest, ANewGameAsksBeforeAnySaveIsLostAndDeletesOnlyOnYes)
{
    // The running game or any one slot is enough to ask; "no" keeps every
    // file and the menu as it was.
    for (const char* present : { "save.xml", "0.xml", "3.xml" }) {
        SCOPED_TRACE(present);
        writeSave(present, aSave);
        if (!application.get()->isCreated())
            toMainMenu();
        clickMenu("newGameButton", newGame);
        ASSERT_TRUE(menu().newGameConfirm().gui().isLoaded());
        EXPECT_FALSE(menu().tutorialQuestion().gui().isLoaded());
        EXPECT_TRUE(saveExists(present));
        settle();
        click(menu().newGameConfirm().gui(), "no", no);
        EXPECT_TRUE(saveExists(present));
        EXPECT_FALSE(menu().tutorialQuestion().gui().isLoaded());
        EXPECT_FALSE(menu().newGamePending());
        EXPECT_TRUE(enabled("newGameButton"));
        settle();
        ASSERT_EQ(0, unlink((saves.path() + "/Tidewater/" + present).c_str()));
    }

    for (const char* name : saveNames)
        writeSave(name, aSave);
    clickMenu("newGameButton", newGame);
    settle();
    click(menu().newGameConfirm().gui(), "yes", yes);
    for (const char* name : saveNames)
        EXPECT_FALSE(saveExists(name)) << name;
    EXPECT_TRUE(saveExists("options.xml"));
    ASSERT_TRUE(menu().tutorialQuestion().gui().isLoaded());
    EXPECT_EQ(0u, enabledCount());
    EXPECT_FALSE(application.get()->game().entered()) << "the tutorial answer starts the game";
}

TEST_F(MainMenuTest, ContinueEntersTheSavedGame)
{
    writeSave("save.xml", aSave);
    toMainMenu();
    ASSERT_TRUE(enabled("continueGameButton"));
    clickMenu("continueGameButton", continueGame);
    Game& game = application.get()->game();
    EXPECT_FALSE(menu().loaded());
    EXPECT_TRUE(game.entered());
    EXPECT_EQ(KaString("save.xml"), game.backupName());
    EXPECT_TRUE(saveExists("save.xml")) << "continuing deletes nothing";
    EXPECT_FALSE(application.get()->backgroundVideoSprite().visible());
}

TEST_F(MainMenuTest, ACorruptSaveIsReportedAndNothingStarts)
{
    writeSave("save.xml", "<Save><Scene value=\"01010\"");
    toMainMenu();
    ASSERT_TRUE(enabled("continueGameButton")) << "the file exists";
    clickMenu("continueGameButton", continueGame);
    Confirm& corrupt = application.get()->saveCorruptConfirm();
    ASSERT_TRUE(corrupt.gui().isLoaded());
    EXPECT_EQ(KaString("menus/confirm/confirmSaveCorrupt.lua"), KaString(corrupt.gui().path().c_str()));
    EXPECT_FALSE(application.get()->game().entered());
    EXPECT_TRUE(menu().loaded());
    EXPECT_EQ(6u, enabledCount()) << "the menu stays usable";
    EXPECT_TRUE(saveExists("save.xml"));
}

TEST_F(MainMenuTest, QuitAsksThenClosesTheWindowAndTheOptionsAreSaved)
{
    toMainMenu();
    soundManager.get()->setChannelVolume("music", 0.3f);
    clickMenu("quitButton", quit);
    ASSERT_TRUE(menu().quitConfirm().gui().isLoaded());
    settle();
    click(menu().quitConfirm().gui(), "no", no);
    EXPECT_FALSE(mainWindow.get()->closeRequested());
    EXPECT_TRUE(menu().loaded());
    settle();

    clickMenu("quitButton", quit);
    settle();
    click(menu().quitConfirm().gui(), "yes", yes);
    EXPECT_TRUE(mainWindow.get()->closeRequested());
    EXPECT_FALSE(menu().loaded());
    // The host ends the program after the frame; its destroy hook saves the
    // options.
    frame();
    application.get()->destroy();
    const std::string saved = readFile(saves.path() + "/Tidewater/options.xml");
    EXPECT_NE(std::string::npos, saved.find("<MusicVolume value=\"0.300000\" />")) << saved;
}

TEST_F(MainMenuTest, ComingBackKeepsTheMusicAndTheVideoRunning)
{
    toMainMenu();
    Application* app = application.get();
    app->menuMusic().onStopped().add(&stops, &KaCallCounter::onEvent, 0.0f);
    const unsigned int source = app->menuMusic().alSource();
    ASSERT_NE(0u, source);
    clickMenu("optionsButton", options);
    ASSERT_TRUE(app->optionsMenu().entered());
    EXPECT_FALSE(menu().loaded());
    settle();
    MenuTest::click(app->optionsMenu().gui(), "quitButton", 0.75f, 0.82f);
    EXPECT_TRUE(menu().loaded());
    EXPECT_TRUE(app->menuMusic().isPlaying());
    EXPECT_EQ(0, stops.count) << "the music was restarted";
    EXPECT_EQ(source, app->menuMusic().alSource());
    EXPECT_TRUE(app->backgroundVideoSprite().surface().frameAnim().isRunning());
}

TEST_F(MainMenuTest, AGameLeftReturnsToTheMainMenu)
{
    toMainMenu();
    clickMenu("newGameButton", newGame);
    settle();
    click(menu().tutorialQuestion().gui(), "no", no);
    frame();
    Game& game = application.get()->game();
    ASSERT_TRUE(game.entered());
    log.clear();
    game.setRequestMainMenu(true);
    frame();
    EXPECT_FALSE(game.entered());
    EXPECT_TRUE(seen("[Application] main menu\n")) << log;
    EXPECT_TRUE(menu().loaded());
    EXPECT_TRUE(application.get()->backgroundVideoSprite().visible());
    EXPECT_TRUE(application.get()->isFading()) << "the menu fades in";
}

TEST_F(MainMenuTest, TheEndOfAGameLeavesTheCreditsAboveTheMainMenu)
{
    toMainMenu();
    clickMenu("newGameButton", newGame);
    settle();
    click(menu().tutorialQuestion().gui(), "yes", yes);
    frame();
    Application* app = application.get();
    Game& game = app->game();
    ASSERT_TRUE(game.entered());
    // What the end of the game does during the game's update.
    app->credits().enter(false);
    game.finishGame();
    frame();
    EXPECT_FALSE(game.entered());
    ASSERT_TRUE(app->credits().entered());
    ASSERT_TRUE(menu().loaded()) << "loaded in the same frame";
    KaLayout& front = app->layoutFront();
    EXPECT_GT(front.childIndex(app->credits().gui().layout("menu")), front.childIndex(&app->backgroundVideoSprite()));
    // A click ends the credits on the main menu.
    settle();
    MenuTest::click(app->credits().gui(), "background", 0.5f, 0.5f);
    EXPECT_FALSE(app->credits().entered());
    EXPECT_TRUE(menu().loaded());
    EXPECT_EQ(KaPath("menus/music/menu.ogg"), app->menuMusic().getAccessName());
    EXPECT_TRUE(app->menuMusic().isPlaying());
}

#endif
