#ifndef MAIN_MENU_H
#define MAIN_MENU_H

#include "engine/core/KaFacebook.h"
#include "engine/core/KaPath.h"
#include "engine/script/KaLuaGUI.h"
#include "game/menus/Confirm.h"

class KaSpriteLayout;

// The hub of the menus, drawn over the menu video with the menu music: new
// game (behind a warning when saved games would be lost, then the tutorial
// question), continue, load, options, the bonus gallery and quit (behind a
// confirmation). The screen's look is "menus/mainMenu/mainMenu.lua"; the
// menu finds its widgets there by name.
class MainMenu {
public:
    MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    // Captures the fade but leaves fade() to the caller.
    void enter();
    void leave();

    bool onNewGameButtonValidated();
    bool onNewGameConfirmed();
    bool onActivedTuto();
    bool onDisabledTuto();
    bool onContinueGameButtonValidated();
    bool onLoadGameButtonValidated();
    bool onOptionsButtonValidated();
    bool onGalleryButtonValidated();
    bool onQuitButtonValidated();
    bool onQuit();
    void refresh();
    // From the save folder; false when there was no such file.
    bool deleteFile(KaPath path);
    void setCenterButtonsVisibility(bool visible);

    // Kept for menus that may offer them; nothing connects them.
    bool onHowToButtonValidated();
    bool onEnterGameRotateAnimFinished();
    bool onZerbRateItButtonValidated();
    bool onZerbRateIt2ButtonValidated();
    bool onZerbRateItQuitButtonValidated();
    bool onFacebookButtonValidated() { return false; }
    bool onFacebookLogged() { return false; }
    bool onZerbSplashButtonValidated() { return false; }
    bool onZerbSplashButtonUpdated() { return false; }
    bool onZerbFreeGamesButtonValidated() { return false; }
    bool onZerbTellAFriendButtonValidated() { return false; }
    bool onWalkThroughButtonValidated() { return false; }

    bool loaded() const { return mLoaded; }
    bool newGamePending() const { return mNewGamePending; }
    KaLuaGUI& gui() { return mGui; }
    Confirm& newGameConfirm() { return mNewGameConfirm; }
    Confirm& tutorialQuestion() { return mTutorialQuestion; }
    Confirm& quitConfirm() { return mQuitConfirm; }
    Confirm& notice() { return mNotice; }

private:
    void startNewGame(bool tutorial);
    void setRatingPanelVisible(bool visible);
    // The screens that other parts of the menus provide.
    void enterLoadingMenu();
    void enterGalleryMenu();

    KaLuaGUI mGui;
    bool mLoaded;
    Confirm mNewGameConfirm;
    Confirm mTutorialQuestion;
    Confirm mQuitConfirm;
    Confirm mNotice;
    bool mNewGamePending;
    KaFacebook mFacebook;
};

#endif
