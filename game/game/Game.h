#ifndef GAME_H
#define GAME_H

#include <cstdint>
#include <map>

#include "engine/containers/KaArray.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaCheckboxLayout.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/script/KaLuaScript.h"
#include "engine/sound/KaMusic.h"
#include "game/inventory/Inventory.h"
#include "game/menus/InventoryMenu.h"
#include "game/documents/DocumentsBrowser.h"
#include "game/panels/Dialog2.h"
#include "game/panels/Notifier.h"
#include "game/panels/Objectif.h"
#include "game/panels/Question2.h"
#include "game/scene/InGameScene.h"

class KaButtonLayout;
class KaILayout;
class KaLayout;
class KaSpriteLayout;
class TiXmlNode;
struct lua_State;

// Opens the script API in a scene script's Lua state.
void LuaOpenBinds(lua_State* state);

// The game in progress: entered from the menus, left back to them. It owns
// the in-game scene with the player, the game's Lua state and the scene
// script every event runs in, the in-game GUIs and panels, and the sounds the
// scripts started. One instance lives as long as the application.
//
// A frame: a pending scene change is carried out and the frame ends; else
// the cursor, the script's "Update", the objectives and the scene. Clicks
// the GUI left alone walk the player or hit the scene's objects; the events
// that end what a script waits for resume that script first.
//
// Main thread only.
class SaveDocument;

class Game {
public:
    // A clickable button of the scene's interaction GUI.
    struct HitObject {
        HitObject(const KaString& name, KaButtonLayout* button, Game* game);
        bool OnValidated();
        bool OnDown();
        bool OnUp();
        bool OnVisible() { return false; }
        bool OnChangeWarp();

        KaString name;
        KaButtonLayout* button;
        Game* game;
    };

    // A sound a script started on the "sfx" channel.
    class GameSound : public KaMusic {
    public:
        explicit GameSound(Game& game);
        bool onSoundStopped();

        bool keep = false;
        KaString name;

    private:
        Game& mGame;
    };

    struct RandomSound {
        explicit RandomSound(Game& game);
        ~RandomSound();
        RandomSound(const RandomSound&) = delete;
        RandomSound& operator=(const RandomSound&) = delete;
        bool onSoundFinished();

        KaPath path;
        float weight = 0.0f;
        float volume = 1.0f;
        KaMusic music;
        KaString listName;
        Game& game;
    };

    struct RandomSoundList {
        KaArray<RandomSound*> sounds;
        bool keep = false;
    };

    enum EGameScoreID : int32_t { EGameScoreAchievement = 50 };

    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Lifecycle.
    void enter(bool newGame);
    void leave(bool unused);
    void update();
    void draw();
    void resetPreviousMousePos() { mPreviousMousePos = KaVector2s32(-1, -1); }

    // Characters, with the game's connections to their signals.
    bool loadPlayerCharacter(const KaString& name);
    bool loadCharacter(const KaString& name);
    bool unloadCharacter(const KaString& name);
    bool unloadCharacters();
    bool unloadPlayerCharacter(const KaString& name);

    // The two unscaled overlay layers of the front layout.
    void initNoScale();
    void deleteNoScale();
    void addNoScaleChildren();
    void removeNoScaleChildren();
    void addNoScale2Children();
    void removeNoScale2Children();
    void addNoScale2Child(KaILayout* layout);
    void removeNoScale2Child(KaILayout* layout);

    // Scene change.
    bool changeWarp(const KaString& zone, const KaString& scene, bool blackFade);
    bool changeWarp2(const KaString& zone, const KaString& scene, bool blackFade);
    // Runs the scene script's "OnLeave" and removes what the scene's
    // scripts defined.
    void leaveSceneScript();
    bool initWarp(const KaString& zone, const KaString& scene, bool newGame);
    bool loadScene(const KaPath& unused);

    // Clicks and the cursor.
    bool onMouseClick(unsigned int pointer);
    bool onMouseMove();
    bool onMarkersVisible(KaCheckboxLayout::State state);
    void showMarkers(bool hide);

    // Events into Lua; each ends what a script waits for, if one does.
    bool onDialogFinished(const KaString& name);
    bool onDisplacementFinished();
    bool onVideoFinished();
    bool onCharacterAnimationFinished(const KaString& name);
    bool onCharacterAnimationPlayerFinished(const KaString& anim);
    bool onAnswered(const KaString& answer);
    bool onCallNumber(const KaString& number);
    // "OnSelectedObject" with the object in hand (empty for none); not while
    // the game is being left.
    void raiseSelectedObject(const KaString& id);
    // "OnDocumentClosed" for a waiter or the scene script; not while the
    // game is being left.
    void raiseDocumentClosed(const KaString& id);
    // "OnShowedDocumentButtonValidated" (page, button).
    void raiseShowedDocumentButton(const KaString& page, const KaString& button);

    // The saved game. False, with a console line, when the file could not
    // be written (the previous one is then kept as it was) or when there is
    // no game in progress to save.
    bool saveBackup(const KaPath& file);
    void loadBackup(const KaPath& file);
    bool onFinishedLoadingBackup(KaString text);
    void initLoadedBackupData();
    void initScene(bool newGame, KaString firstWarpPath);
    // The save "enter (false)" loads: "save.xml" unless the loading menu
    // chose a slot.
    void setBackupName(const KaString& name) { mBackupName = name; }
    const KaString& backupName() const { return mBackupName; }
    bool onFinishedSavingBackup(int result);
    bool onFinishedCheckBackup(bool unused);
    // Whether text is a save this game would apply: every check of the save
    // document and a scene that exists. False with the reason otherwise. The
    // loader and the writer's read-back both run it, so a save is never
    // reported written unless it would load.
    bool checkBackup(const KaString& text, SaveDocument& save, KaString& zone, KaString& scene, KaString& reason) const;
    // The same for a file of the save folder, read as the loader reads it;
    // a missing file is not loadable either.
    bool backupLoadable(const KaString& file, KaString& reason);
    // What the save keeps of the game's progress: objects taken (counted, and
    // the listed ones as bits), the listed dialogs told, and the microseconds
    // played before the play timer's current run.
    uint32_t objectsTaken() const { return mObjectsTaken; }
    uint32_t objectsTakenBits() const { return mObjectsTakenBits; }
    uint32_t dialogsTold() const { return mDialogsTold; }
    double playedTime() const { return mPlayedTime; }

    // Sounds.
    void playSound(const KaString& file, int count, float volume);
    void stopSound(const KaString& file);
    void pauseSounds() { }
    void resumeSounds() { }
    void addRandomSound(const KaString& list, const KaString& file, float weight, float volume);
    void playRandomSound(const KaString& list);
    // The draws of the random sounds (waits and choices), 0 to 2^31 - 1;
    // null goes back to the C library's rand.
    typedef int (*RandomSource)();
    void setRandomSource(RandomSource source) { mRandomSource = source; }
    // Whether the next call of the random cycle plays (else it waits).
    bool randomPhase() const { return mRandomPhase; }
    const std::map<KaString, RandomSoundList>& randomSoundLists() const { return mRandomSoundLists; }

    // Operations scripts and screens ask of the game.
    void addToScore(EGameScoreID points);
    void addToBag(const KaString& id);
    void addToHand(const KaString& id);
    bool launchDialog(const KaString& key, unsigned int count, const KaString& character, const KaString& animation,
        float blend);
    // Records the artwork as unlocked; the notification shows only when it
    // was not unlocked before.
    void addArtworkUnlocked(KaString name, bool notify);
    // What the notification of an unlocked artwork says.
    KaString artworkNotice(const KaString& name) const;
    const std::map<KaString, bool>& artworks() const { return mArtworks; }
    void setCurrentObjectSprite(const KaPath& picture);
    bool setBackground(const KaString& file);
    bool startAnimation(const KaString& sprite, int count, bool flag);
    bool startAnimationPart(const KaString&, int, int, int, bool) { return false; }
    // zone + "/" + scene: that scene's background sprite named after the
    // scene joins the current background. False unless the text is exactly
    // two non-empty names of an existing scene folder.
    bool addAnimToSet(const KaPath& zoneAndScene);
    // The first direct child of parent with that name (null when none, or
    // when it is not a layout of that kind).
    static KaILayout* findLayoutByName(KaILayout* parent, const KaString& name);
    static KaSpriteLayout* findSpriteLayoutByName(KaILayout* parent, const KaString& name);
    // The game is driven by the mouse or touches only: no pad.
    bool isMouse() const { return false; }
    // Buttons to go from place to place: this game has none.
    void createButtonsLayoutGoto() { }
    void attachButtonsLayoutGoto() { }
    void deleteButtonsLayoutGoto() { }
    // False when the movie cannot be shown (no video layer, or a file that
    // does not open): nothing is then hidden or stopped.
    bool playMovie(const KaString& video, const KaString& sound);
    void pauseMovie();
    void resumeMovie();
    void finishGame();
    void setPlayerArrived(bool arrived) { mPlayerArrived = arrived; }
    bool onInventoryButtonValidated();
    bool onSkipVideoButtonValidated();
    bool onLockVideoButtonValidated();
    bool isMoviePlaying();
    bool isDocumentOpened();

    // State.
    bool running() const { return mRunning; }
    bool entered() const { return mEntered; }
    bool left() const { return mLeft; }
    bool sceneVisible() const { return mSceneVisible; }
    bool playerArrived() const { return mPlayerArrived; }
    bool warpPending() const { return mWarpPending; }
    bool requestMainMenu() const { return mRequestMainMenu; }
    void setRequestMainMenu(bool request) { mRequestMainMenu = request; }
    bool playerMoveDisabled() const { return mPlayerMoveDisabled; }
    void setPlayerMoveDisabled(bool disabled);
    void requestSave() { mSaveRequested = true; }
    int backupState() const { return mBackupState; }
    int32_t score() const { return mScore; }
    bool markersHidden() const { return mMarkersHidden; }
    const KaString& zone() const { return mZone; }
    const KaString& scene() const { return mScene; }
    const KaString& previousScene() const { return mPreviousScene; }
    const KaString& scenePath() const { return mScenePath; }
    const KaVector2s32& previousMousePos() const { return mPreviousMousePos; }
    KaTimer& doubleClickTimer() { return mDoubleClickTimer; }
    const KaArray<HitObject*>& hitObjects() const { return mHitObjects; }
    const KaArray<GameSound*>& sounds() const { return mSounds; }
    bool firstInInventory() const { return mFirstInInventory; }
    void setFirstInInventory(bool first) { mFirstInInventory = first; }

    KaLuaContext& luaContext() { return mLuaContext; }
    KaLuaScript& script() { return mScript; }
    KaLuaGUI& forGui() { return mForGui; }
    KaLuaGUI& inGameGui() { return mInGameGui; }
    Notifier& notifier() { return mNotifier; }
    Inventory& inventory() { return mInventory; }
    InventoryMenu& inventoryMenu() { return mInventoryMenu; }
    DocumentsBrowser& documentsBrowser() { return mDocumentsBrowser; }
    Question2& question() { return mQuestion; }
    Objectif& objectif() { return mObjectif; }
    Dialog2& dialog() { return mDialog; }
    InGameScene& scene3D() { return mScene3D; }
    KaLayout* noScaleLayout() const { return mNoScaleLayout; }
    KaLayout* noScaleLayout2() const { return mNoScaleLayout2; }

private:
    // Calls a global of the scene script with no argument or one string.
    void callScript(const char* function);
    void callScript(const char* function, const KaString& argument);
    void connectPlayer();
    void disconnectCharacter(Character* character);
    void connectInGameGui();
    void disconnectInGameGui();
    // The player's current animation is its idle one or a part of the walk.
    bool playerIdleOrWalking();
    // The standing non-player characters on the player's floor become round
    // obstacles of that floor, so that the player's walks go round them.
    void updateCharacterObstacles();
    void stopAllSounds();
    void deleteRandomSounds();
    int randomNumber();
    // The end of a game goes on to the credits screen.
    void enterCredits();
    void deleteHitObjects();
    void releaseScripts();
    // Stops the sounds of every channel but "music", "sfx" and "dialog".
    void stopSceneSounds();
    bool onCharacterPlaySound(const KaString& file);
    // Stopped: paused and back at zero.
    bool doubleClickStopped() const;
    // Sets the told-dialog bit of the dialog code in a line's key.
    void markDialogTold(const KaString& key);
    // Counts an object entering the inventory: once for a listed one.
    void countTakenObject(const KaString& id);
    // A save that cannot be applied whole: nothing of it is applied, the
    // player is told and the game goes back to the menus.
    void refuseBackup(const KaString& reason);
    // Counts the played time from zero, from this moment.
    void restartPlayTimer();

    bool mRequestMainMenu;
    bool mLeft;
    bool mWarpPending;
    KaString mWarpZone;
    KaString mWarpScene;
    bool mWarpBlackFade;
    // When the host prints frame lines (KA_FRAME_LOG): the wall-clock
    // microseconds of the last change of scene's request and of its end of
    // loading, reported once the new scene's first frame is drawn.
    unsigned long long mWarpRequestedAt = 0;
    unsigned long long mWarpLoadedAt = 0;
    bool mRunning;
    bool mSceneVisible;
    bool mPlayerArrived;
    bool mPlayerMoveDisabled;
    KaLuaContext mLuaContext;
    KaLuaScript mScript;
    KaLuaGUI mSpareGui;
    KaLuaGUI mAnimSetGui;
    KaLuaGUI mForGui;
    KaLuaGUI mInGameGui;
    Notifier mNotifier;
    Inventory mInventory;
    InventoryMenu mInventoryMenu;
    DocumentsBrowser mDocumentsBrowser;
    Question2 mQuestion;
    Objectif mObjectif;
    Dialog2 mDialog;
    KaString mZone;
    KaString mPreviousScene;
    KaString mScene;
    KaArray<GameSound*> mSounds;
    KaString mBackupName;
    bool mMarkersHidden;
    int mBackupState;
    bool mSaveRequested;
    int32_t mScore;
    std::map<KaString, RandomSoundList> mRandomSoundLists;
    KaLuaScript mOnGameEnterScript;
    KaMusic mMovieSound;
    KaString mBackupText;
    // Why the save being loaded is refused; empty while it is not.
    KaString mBackupRefusal;
    bool mFirstInInventory;
    bool mRandomPhase;
    RandomSound* mSpareRandomSound;
    KaLayout* mNoScaleLayout;
    KaLayout* mNoScaleLayout2;
    KaTimer mPlayTimer;
    uint32_t mObjectsTaken;
    uint32_t mObjectsTakenBits;
    uint32_t mDialogsTold;
    std::map<KaString, bool> mArtworks;
    bool mEntered;
    InGameScene mScene3D;
    KaArray<HitObject*> mHitObjects;
    std::map<unsigned long long, HitObject*> mHitObjectsById;
    KaString mScenePath;
    KaTimer mDoubleClickTimer;
    double mPlayedTime;
    KaVector2s32 mPreviousMousePos;
    // Where the pointer was when the cursor was last chosen.
    KaVector2s32 mCursorMousePos;
    KaTimer mRandomTimer;
    RandomSource mRandomSource = nullptr;
};

#endif
