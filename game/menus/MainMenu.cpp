#include "game/menus/MainMenu.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSoundManager.h"
#include "game/application/Application.h"

namespace {

const char* const menuButtons[6]
    = { "newGameButton", "continueGameButton", "loadGameButton", "optionsButton", "galleryButton", "quitButton" };

// The running game and the four slots.
const char* const saveFiles[5] = { "Backup/save.xml", "Backup/0.xml", "Backup/1.xml", "Backup/2.xml", "Backup/3.xml" };

const char* const ratingLayouts[5]
    = { "rateItScreen", "ratingTextSprite", "rateIt2Button", "quitRatingButton", "starRating" };

bool saveExists(const char* path) { return backupManager.get()->exist(path); }

void connect(KaLuaGUI& gui, const char* name, MainMenu* menu, bool (MainMenu::*handler)())
{
    if (KaButtonLayout* button = gui.buttonLayout(name))
        button->onMouseClickValidated.add(menu, handler, 0.0f);
}

}

void MainMenu::enterLoadingMenu() { application.get()->loadingMenu().enter(); }

void MainMenu::enterGalleryMenu() { application.get()->globalBonusMenu().enter(); }

MainMenu::MainMenu()
    : mLoaded(false)
    , mNewGamePending(false)
{
    mNewGameConfirm.onButtonYes.add(this, &MainMenu::onNewGameConfirmed, 0.0f);
    mTutorialQuestion.onButtonYes.add(this, &MainMenu::onActivedTuto, 0.0f);
    mTutorialQuestion.onButtonNo.add(this, &MainMenu::onDisabledTuto, 0.0f);
    mQuitConfirm.onButtonYes.add(this, &MainMenu::onQuit, 0.0f);
    mFacebook.onLogged.add(this, &MainMenu::onFacebookLogged, 0.0f);
}

void MainMenu::enter()
{
    Application* app = application.get();
    KaSpriteLayout& video = app->backgroundVideoSprite();
    video.setVisible(true);
    // A video already running goes on: coming back to the menu does not
    // restart it.
    if (!video.surface().frameAnim().isRunning()) {
        video.load("menus/menu.ogv");
        video.surface().frameAnim().setRepeatCount(KaAnimation::mEndless);
        video.surface().play();
    }
    app->captureFade();
    mLoaded = true;
    mGui.load("menus/mainMenu/mainMenu.lua");
    KaPrintf("[MainMenu] main menu\n");
    if (KaLayout* menu = mGui.layout("menu"))
        video.addChild(menu);
    app->mouseCursor().setVisible(true);
    app->mouseCursor().load("pictures/cursor.png");

    const KaString musicPath = mGui.value("musicPath").toString();
    KaMusic& music = app->menuMusic();
    if (!music.isPlaying() || !(music.getAccessName() == KaPath(musicPath))) {
        music.load(musicPath);
        music.play();
        music.volume(1.0f);
    }

    connect(mGui, "newGameButton", this, &MainMenu::onNewGameButtonValidated);
    connect(mGui, "continueGameButton", this, &MainMenu::onContinueGameButtonValidated);
    refresh();
    connect(mGui, "loadGameButton", this, &MainMenu::onLoadGameButtonValidated);
    connect(mGui, "optionsButton", this, &MainMenu::onOptionsButtonValidated);
    connect(mGui, "galleryButton", this, &MainMenu::onGalleryButtonValidated);
    connect(mGui, "quitButton", this, &MainMenu::onQuitButtonValidated);

    // Told once; with a device the check is made again at the next entry.
    if (app->firstMainMenuEntry() && !soundManager.get()->isValid()) {
        mNotice.enter("menus/confirm/confirmNotSound.lua", "");
        app->setFirstMainMenuEntry(false);
    }
    mNewGamePending = false;

    if (KaLayout* panel = mGui.layout("panel")) {
        const KaString typo = mGui.value("panelTypo").toString();
        for (unsigned long i = 0; i < panel->childCount(); ++i) {
            KaI3DObject2* child = panel->child(i);
            KaITextLayout* text = dynamic_cast<KaITextLayout*>(child);
            if (!text)
                continue;
            const KaString* value = app->locFile().value(child->name());
            text->setText(typo + (value ? *value : KaString()));
        }
    }
    setCenterButtonsVisibility(true);
    if (KaITextLayout* version = mGui.textLayout("versionNumber"))
        version->setText(KaString("<section style=\"left\" /><color r=\"255\" g=\"255\" b=\"255\"/>"
                                  "<font file=\"Common/Fonts/arial.ttf\" size=\"12\" />")
            + app->versionString());
}

void MainMenu::leave()
{
    if (!mLoaded)
        return;
    Application* app = application.get();
    app->captureFade();
    // The gallery's ambiences may still be playing.
    app->game().stopSound("sounds/Ambiances/b_automatebike.ogg");
    app->game().stopSound("sounds/Ambiances/b_engrenagebg.ogg");
    if (KaLayout* menu = mGui.layout("menu"))
        app->backgroundVideoSprite().removeChild(menu);
    mGui.unload();
    app->fade();
    mLoaded = false;
}

bool MainMenu::onNewGameButtonValidated()
{
    // A new game discards the running game and every slot: the player is
    // asked whenever any of them would be lost.
    bool anySave = false;
    for (const char* file : saveFiles)
        anySave = anySave || saveExists(file);
    if (!anySave) {
        onNewGameConfirmed();
        return false;
    }
    Application* app = application.get();
    app->captureFade();
    mNewGameConfirm.enter("menus/confirm/confirmNewGame.lua", "");
    app->fade();
    return false;
}

bool MainMenu::onNewGameConfirmed()
{
    for (const char* file : saveFiles)
        deleteFile(file);
    mNewGamePending = true;
    mTutorialQuestion.enter("menus/confirm/confirmTuto.lua", "");
    // Disables the buttons while the question is open; the answer starts
    // the game.
    onContinueGameButtonValidated();
    return false;
}

void MainMenu::startNewGame(bool tutorial)
{
    Application* app = application.get();
    app->setTutorialActive(tutorial);
    app->captureFade();
    leave();
    app->startGame(true, EApplicationDifficultyDefault);
    app->fade();
}

bool MainMenu::onActivedTuto()
{
    startNewGame(true);
    return false;
}

bool MainMenu::onDisabledTuto()
{
    startNewGame(false);
    return false;
}

bool MainMenu::onContinueGameButtonValidated()
{
    Application* app = application.get();
    if (app->saveCorrupted("save.xml")) {
        app->captureFade();
        app->saveCorruptConfirm().enter("menus/confirm/confirmSaveCorrupt.lua", "");
        app->fade();
        return false;
    }
    // No second click starts anything during the fade.
    for (const char* name : menuButtons)
        if (KaButtonLayout* button = mGui.buttonLayout(name))
            button->setEnable(false);
    if (mNewGamePending)
        return false;
    app->captureFade();
    leave();
    // Continue is the automatic save, even after a slot was loaded earlier
    // in this run.
    app->game().setBackupName("save.xml");
    app->startGame(false, EApplicationDifficultyDefault);
    app->fade();
    return false;
}

bool MainMenu::onLoadGameButtonValidated()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    enterLoadingMenu();
    app->fade();
    return false;
}

bool MainMenu::onOptionsButtonValidated()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->optionsMenu().enter();
    app->fade();
    return false;
}

bool MainMenu::onGalleryButtonValidated()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    enterGalleryMenu();
    app->fade();
    return false;
}

bool MainMenu::onQuitButtonValidated()
{
    mQuitConfirm.enter("menus/confirm/confirmQuit.lua", "");
    return false;
}

bool MainMenu::onQuit()
{
    KaPrintf("[MainMenu] quit\n");
    mainWindow.get()->setCloseRequested(true);
    leave();
    return false;
}

void MainMenu::refresh()
{
    if (KaButtonLayout* button = mGui.buttonLayout("continueGameButton"))
        button->setEnable(saveExists("Backup/save.xml"));
}

bool MainMenu::deleteFile(KaPath path)
{
    KaBackup* backup = backupManager.get();
    if (!backup->exist(path))
        return false;
    backup->del(path);
    return true;
}

void MainMenu::setCenterButtonsVisibility(bool)
{
    if (KaLayout* rateIt = mGui.layout("rateItButton"))
        rateIt->setVisible(!application.get()->alreadyRated());
}

bool MainMenu::onHowToButtonValidated()
{
    onContinueGameButtonValidated();
    mNewGamePending = false;
    return false;
}

bool MainMenu::onEnterGameRotateAnimFinished()
{
    leave();
    return false;
}

void MainMenu::setRatingPanelVisible(bool visible)
{
    for (const char* name : ratingLayouts)
        if (KaLayout* layout = mGui.layout(name))
            layout->setVisible(visible);
    if (KaButtonLayout* save = mGui.buttonLayout("save50"))
        save->setEnable(!visible);
}

bool MainMenu::onZerbRateItButtonValidated()
{
    setRatingPanelVisible(true);
    setCenterButtonsVisibility(false);
    return false;
}

bool MainMenu::onZerbRateIt2ButtonValidated()
{
    setRatingPanelVisible(false);
    application.get()->setAlreadyRated(true);
    setCenterButtonsVisibility(true);
    return false;
}

bool MainMenu::onZerbRateItQuitButtonValidated()
{
    setRatingPanelVisible(false);
    setCenterButtonsVisibility(true);
    return false;
}
