#ifndef APPLICATION_H
#define APPLICATION_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaFont3.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/gui/KaVisualFade.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaCurveAnim2.h"
#include "engine/script/KaXMLGUI.h"
#include "engine/script/LocFile.h"
#include "engine/sound/KaMusic.h"
#include "engine/world/Ka3DObject2.h"
#include "game/game/Game.h"
#include "game/menus/BonusMenu.h"
#include "game/menus/Confirm.h"
#include "game/menus/Credits.h"
#include "game/menus/GlobalBonusMenu.h"
#include "game/menus/HelpOptionMenu.h"
#include "game/menus/MainMenu.h"
#include "game/menus/OptionsMenu.h"
#include "game/menus/LoadingMenu.h"
#include "game/menus/SplashScreens.h"

// The difficulty of a new game; the menus start every game with 1.
enum EApplicationDifficulty : int32_t { EApplicationDifficultyDefault = 1 };

// The one object of the game, reached through the holder `application`: it
// owns the screens, the three layers drawn behind and in front of the game,
// the screen fade, the cursor and icons, the fonts, the localised texts and
// the help texts, and runs one frame each time the host asks.
//
// Built by the host's configure hook (tags, "texts/Part.lua", volumes,
// "options.xml", the window), created once the GL context exists (fonts,
// texts, layers, the splash screens), destroyed by the host's destroy hook
// (which saves the options). Main thread only.
class Application {
public:
    typedef KaCurveAnim2<Ka3DObject2, KaColor> ColorAnim;

    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void create();
    // Enters a game (a new one, or the save "save.xml" continued) behind
    // the caller's capture and fade.
    void startGame(bool newGame, EApplicationDifficulty difficulty);
    // Where a left game goes: the main menu, faded in.
    void enterMainMenu();
    // One frame; returns at once until create() has finished. Always true.
    bool run();
    void performRender();
    void drawBack();
    void drawFront();

    // The screen change protocol: captureFade() (once per frame at most),
    // leave the old screen, enter the new one, fade().
    void captureFade();
    void fade();
    void blackFade();
    bool isFading();
    bool onBlackFadeAnimationFinished();
    bool onCaptureFadeAnimationFinished();

    void suspend();
    void resume();
    void destroy();

    // "options.xml" in the save folder.
    void loadOptions(const KaString& name);
    // False, with a console line, when the file could not be written (the
    // previous file is then left as it was).
    bool saveOptions(const KaString& name);

    // The file is in the save folder but is not a game this program would
    // load (unreadable, or refused by the game's own checks).
    bool saveCorrupted(const KaString& name);
    // Yes on the unreadable-save question: a new game instead.
    bool onSaveCorruptNewGame();

    // What failed to be written; the player is told once for each kind,
    // again only after the file told about has been written in between (a
    // slot written fine says nothing of the running game's own save).
    enum SaveKind { SaveKindGame, SaveKindOptions, SaveKinds };
    void reportSave(SaveKind kind, bool written, const KaString& file = KaString());
    // Another copy of the game holds the save folder: this one does nothing
    // and closes, so that neither overwrites the other's files.
    bool alreadyRunning() const { return mAlreadyRunning; }
    KaString* getHelpText(const KaString& key);
    void showLoadingIcon(bool show);
    void showNoCellIcon(bool show);
    void lockCursor(bool lock);
    // A lock a script asked for; the scene's markers hide with it.
    void lockCursorFromAction(bool lock);
    bool isLockCursor();
    // Whether something on screen holds the player's input: the cursor lock,
    // a dialog line, a movie, the answer choices or an open document.
    bool isLockPad();
    void preloadTexture(KaString) { }

    bool onMainWindowSizeChanged();
    bool onMousePositionChanged(unsigned int pointer);

    bool isCreated() const { return mCreated; }
    KaLayout& layoutBack() { return mLayoutBack; }
    KaLayout& layoutFront() { return mLayoutFront; }
    KaLayout& orientationLayoutFront() { return mOrientationLayoutFront; }
    KaSpriteLayout& mouseCursor() { return mMouseCursor; }
    KaSpriteLayout& autosaveIcon() { return mAutosaveIcon; }
    KaVisualFade& visualFade() { return mVisualFade; }
    LocFile& locFile() { return mLocFile; }
    KaXMLGUI& helpTexts() { return mHelpTexts; }
    SplashScreens& splashScreens() { return mSplashScreens; }
    MainMenu& mainMenu() { return mMainMenu; }
    OptionsMenu& optionsMenu() { return mOptionsMenu; }
    Credits& credits() { return mCredits; }
    // Full screen under the menus: the menu video plays in it.
    KaSpriteLayout& backgroundVideoSprite() { return mBackgroundVideoSprite; }
    Game& game() { return mGame; }
    Confirm& saveCorruptConfirm() { return mSaveCorruptConfirm; }
    LoadingMenu& loadingMenu() { return mLoadingMenu; }
    KaMusic& menuMusic() { return mMenuMusic; }
    KaTextLayout& version() { return mVersion; }
    // The bonus screens and the help options screen.
    GlobalBonusMenu& globalBonusMenu() { return mGlobalBonusMenu; }
    BonusMenu& bonusMenu() { return mBonusMenu; }
    HelpOptionMenu& helpOptionMenu() { return mHelpOptionMenu; }
    KaIntrusivePtr<KaFont3> font(unsigned long slot) const { return slot < 8 ? mFonts[slot] : KaIntrusivePtr<KaFont3>(); }
    bool capturedThisFrame() const { return mCapturedThisFrame; }

    const KaString& applicationTitle() const { return mApplicationTitle; }
    const KaString& versionString() const { return mVersionString; }
    const KaString& firstWarpPath() const { return mFirstWarpPath; }
    const KaString& firstZone() const { return mFirstZone; }
    const KaString& firstScene() const { return mFirstScene; }

    bool tutorialActive() const { return mTutorialActive; }
    void setTutorialActive(bool active) { mTutorialActive = active; }
    bool gameFinished() const { return mGameFinished; }
    void setGameFinished(bool finished) { mGameFinished = finished; }
    bool lightOnPlayerCharacter() const { return mLightOnPlayerCharacter; }
    bool alreadyRated() const { return mAlreadyRated; }
    void setAlreadyRated(bool rated) { mAlreadyRated = rated; }
    bool firstMainMenuEntry() const { return mFirstMainMenuEntry; }
    void setFirstMainMenuEntry(bool first) { mFirstMainMenuEntry = first; }
    EApplicationDifficulty difficulty() const { return mDifficulty; }
    void setDifficulty(EApplicationDifficulty difficulty) { mDifficulty = difficulty; }
    KaArray<KaString>& animationsWithoutReadjustment() { return mAnimationsWithoutReadjustment; }
    // Artworks unlocked in earlier runs, as "options.xml" lists them, in
    // their order: kept so that saving the options never drops one.
    KaArray<KaString>& artworksUnlocked() { return mArtworksUnlocked; }

    // The save folder's name when "texts/Part.lua" gives no title.
    static const char* defaultTitle() { return "KaGame"; }
    // The first file the game cannot start without ("texts/Part.lua", the
    // main menu's GUI, the fonts) that is missing or cannot be read, by its
    // full path; empty when all are there. Sets the tags the content's
    // variant folders answer to, as construction does.
    static KaString missingStartupFile();

private:
    static void setContentTags();
    void readPartFile();
    KaString findLocalisedFile(const KaString& prefix, const KaString& suffix);
    void warmGlyphs();
    void buildLayers();
    // A layer under the main window's camera.
    void drawLayer(KaLayout& layer);

    KaMusic mMenuMusic;
    SplashScreens mSplashScreens;
    MainMenu mMainMenu;
    OptionsMenu mOptionsMenu;
    Credits mCredits;
    KaSpriteLayout mMouseCursor;
    KaSpriteLayout mAutosaveIcon;
    KaSpriteLayout mNoCellIcon;
    KaSpriteLayout mBackgroundVideoSprite;
    ColorAnim mAutosaveBlink;
    ColorAnim mNoCellBlink;
    Confirm mSaveCorruptConfirm;
    LocFile mLocFile;
    KaXMLGUI mHelpTexts;
    KaLayout mLayoutBack;
    KaLayout mLayoutFront;
    KaLayout mOrientationLayoutFront;
    bool mCreated;
    KaVisualFade mVisualFade;
    KaTextLayout mVersion;
    KaButtonLayout mLockCursorButton;
    KaButtonLayout mLockCursorFromActionButton;
    bool mCapturedThisFrame;
    KaString mDebugLanguage;
    KaString mDebugPlatform;
    KaString mDebugPart;
    KaVector3f32 mDebugResolution;
    bool mMaximized;
    KaVector2s32 mDebugWindowPosition;
    bool mHasDebugResolution;
    bool mDebugResolutionUsable;
    bool mHasDebugWindowPosition;
    bool mDebugFullScreen;
    bool mHasDebugFullScreen;
    // Full screen as the game was created (options, then the command line):
    // a switch by the player in this run is what the options keep.
    bool mCreatedFullScreen;
    // The main window's last size while not full screen: the resolution the
    // options keep, the screen's size never.
    KaVector2s32 mWindowedSize;
    bool mHasActivityTracking;
    bool mFirstMainMenuEntry;
    KaString mApplicationTitle;
    KaString mVersionString;
    KaString mFirstWarpPath;
    KaString mFirstZone;
    KaString mFirstScene;
    bool mTutorialActive;
    bool mGameFinished;
    bool mLightOnPlayerCharacter;
    bool mAlreadyRated;
    EApplicationDifficulty mDifficulty;
    KaIntrusivePtr<KaFont3> mFonts[8];
    KaArray<KaString> mAnimationsWithoutReadjustment;
    KaArray<KaString> mArtworksUnlocked;
    bool mDestroyed;
    bool mAlreadyRunning;
    bool mSaveFailureTold[SaveKinds];
    KaString mSaveFailureFile[SaveKinds];
    GlobalBonusMenu mGlobalBonusMenu;
    BonusMenu mBonusMenu;
    HelpOptionMenu mHelpOptionMenu;
    // Goes before the layers it attaches to, after the game it starts.
    LoadingMenu mLoadingMenu;
    Game mGame;
};

extern KaSingleton<Application> application;

#endif
