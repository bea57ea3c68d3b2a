#include "game/game/Game.h"

#include <cstdio>
#include <cstdlib>

#include "engine/core/KaBackup.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/base/KaStd.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/scene/KaPickMesh2.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaThread.h"
#include "engine/sound/KaSFX.h"
#include "engine/sound/KaSoundManager.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/YieldedCallback.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"
#include "game/game/GameAchievements.h"
#include "game/inventory/Cellphone.h"
#include "game/game/SaveDocument.h"
#include "game/scene/Object3D.h"

namespace {

// How far from a standing character's feet the player's walks keep: about
// the half widths of two people side by side, in the scenes' centimetres.
const float kCharacterFootprintRadius = 45.0f;

// Whether the running scene's Logic script was found and ran to its end or
// to a wait (there is one game at a time). Events go only to a script that
// did: one that is missing or failed to load says so once, not once per
// event.
bool gSceneScriptRan = false;

// The scene script's file run as KaLuaScript::execute runs it, with its
// outcome: false for a missing file, one that does not compile and one that
// raised an error.
bool runSceneScript(KaLuaContext& context, const KaString& path)
{
    const bool exists = KaBaseFile::fileExist(path);
    bool ran = false;
    if (KaLuaThread* thread = KaLuaThread::create(context)) {
        thread->executeFile(path);
        ran = exists && (thread->status() == LUA_OK || thread->status() == LUA_YIELD);
        thread->release();
    }
    return ran;
}

// Microseconds on the wall clock, or 0 unless the host prints frame lines:
// the change of scene's timing is for scripts that measure the program.
unsigned long long warpClock()
{
    static const bool timed = std::getenv("KA_FRAME_LOG") != nullptr;
    return timed ? KaIClock::monotonic().microseconds() : 0;
}

struct ButtonGlobal {
    const char* name;
    int value;
};

const ButtonGlobal buttonGlobals[] = {
    { "BUTTON_VALID", 1 }, { "BUTTON_CANCEL", 2 }, { "BUTTON_EXTRA1", 4 }, { "BUTTON_EXTRA2", 8 },
    { "BUTTON_L1", 0x10 }, { "BUTTON_R1", 0x20 }, { "BUTTON_START", 0x40 }, { "BUTTON_UP", 0x80 },
    { "BUTTON_DOWN", 0x100 }, { "BUTTON_LEFT", 0x200 }, { "BUTTON_RIGHT", 0x400 }, { "BUTTON_LS_CLIC", 0x800 },
    { "BUTTON_RS_CLIC", 0x1000 }, { "BUTTON_BACK", 0x2000 }, { "BUTTON_SELECT", 0x4000 }, { "BUTTON_L2", 0x8000 },
    { "BUTTON_R2", 0x10000 }, { "BUTTON_LS_UP", 0x20000 }, { "BUTTON_LS_DOWN", 0x40000 },
    { "BUTTON_LS_LEFT", 0x80000 }, { "BUTTON_LS_RIGHT", 0x100000 }, { "BUTTON_RS_UP", 0x200000 },
    { "BUTTON_RS_DOWN", 0x400000 }, { "BUTTON_RS_LEFT", 0x800000 }, { "BUTTON_RS_RIGHT", 0x1000000 },
};

// The scene's event globals, dropped whenever a scene is left, even those
// defined before its scripts ran.
const char* const sceneEventGlobals[] = { "On", "OnEnter", "OnWarpObjectHit", "OnButtonDown", "OnButtonUp",
    "OnFinishedAnim", "OnCharacterAnimationFinished", "OnCharacterAnimationPlayerFinished",
    "OnDisplacementFinished", "OnFreeSoundFinished", "OnDocumentClosed", "OnSelectedObject", "OnDialogFinished",
    "OnAnswered", "OnLeave" };

struct CursorRow {
    char name[80];
    char file[80];
};

const CursorRow cursorsTable[] = {
    { "H000", "pictures/F000.png" }, { "H045", "pictures/F045.png" }, { "H090", "pictures/F090.png" },
    { "H135", "pictures/F135.png" }, { "H180", "pictures/F180.png" }, { "H225", "pictures/F225.png" },
    { "H270", "pictures/F270.png" }, { "H315", "pictures/F315.png" }, { "Main", "pictures/Main.png" },
    { "Action", "pictures/Action.png" }, { "Parler", "pictures/Cursor_Large/Anim_Cursor_Talking.anim" },
    { "Type01", "pictures/Type01.png" }, { "Type02", "pictures/Type02.png" }, { "Type03", "pictures/Type03.png" },
    { "Type04", "pictures/Type04.png" }, { "Type05", "pictures/Type05.png" }, { "", "" },
};

const char* const defaultCursor = "pictures/cursor.png";

// KA_CURSOR_LOG set: a console line whenever the pointer's picture changes
// and whenever the marker switch shows or hides the markers, for scripts
// that play the program.
bool cursorLog()
{
    static const bool log = std::getenv("KA_CURSOR_LOG") != nullptr;
    return log;
}

// Loads a still picture into the cursor sprite (each call: the cursor is
// reloaded on every move of the pointer).
void loadCursor(KaSpriteLayout& cursor, const KaString& file)
{
    if (cursorLog() && cursor.surface().path() != KaPath(file))
        KaPrintf("[Game] cursor %s\n", file.c_str());
    cursor.load(KaPath(file));
}

// The five files a scene may have, by kind.
enum SceneFileKind { Int, Logic, Set, For, Marker, SceneFileKinds };
const char* const sceneFileKinds[SceneFileKinds] = { "Int", "Logic", "Set", "For", "Marker" };

KaString sceneFolder(const KaString& zone, const KaString& scene)
{
    return KaString("scenes/") + zone + "/" + scene;
}

KaString sceneFile(const KaString& folder, SceneFileKind kind, const KaString& scene)
{
    return folder + "/" + sceneFileKinds[kind] + scene + ".lua";
}

KaString geometryFile(const KaString& zone)
{
    return KaString("scenes/") + zone + "/Geometry" + zone + ".bin";
}

bool visibleLayout(KaLayout* layout)
{
    return layout && layout->visible();
}

template <class T>
void setVisible(T* layout, bool visible)
{
    if (layout)
        layout->setVisible(visible);
}

unsigned long frameCounter = 0;
char debugTxt[256];

} // namespace

// ---------------------------------------------------------------------------
// Hit objects and sounds

Game::HitObject::HitObject(const KaString& buttonName, KaButtonLayout* layout, Game* owner)
    : name(buttonName)
    , button(layout)
    , game(owner)
{
}

bool Game::HitObject::OnValidated()
{
    if (!application.get()->isLockCursor())
        game->callScript("OnWarpObjectHit", name);
    return false;
}

bool Game::HitObject::OnDown()
{
    game->callScript("OnButtonDown", name);
    return false;
}

bool Game::HitObject::OnUp()
{
    game->callScript("OnButtonUp", name);
    return false;
}

bool Game::HitObject::OnChangeWarp()
{
    KaString zone;
    if (button && button->parent() && button->parent()->parent())
        if (KaI3DObject2* grandParent = button->parent()->parent())
            if (grandParent->name().length() > 5)
                zone = grandParent->name().subString(5, grandParent->name().length() - 5);
    game->changeWarp(zone, name.subString(0, name.length() < 5 ? name.length() : 5), false);
    return false;
}

Game::GameSound::GameSound(Game& game)
    : mGame(game)
{
}

bool Game::GameSound::onSoundStopped()
{
    // Played once, the sound is done with at its end. Left in the list it
    // would keep a later repeating request of its file silent, and a stop of
    // its file would hit it instead of a copy still playing.
    KaArray<GameSound*>& sounds = mGame.mSounds;
    for (unsigned long i = 0; i < sounds.size(); ++i)
        if (sounds[i] == this) {
            sounds.removeAt(i);
            deleteLater();
            break;
        }
    if (!mGame.mLuaContext.isCreated() || mGame.mLeft)
        return false;
    const KaString sound = name;
    if (!resumeYieldedCallback("OnFreeSoundFinished", &sound)) {
        mGame.callScript("OnFreeSoundFinished", sound);
        mGame.callScript("OnCellFreeSoundFinished", sound);
    }
    return false;
}

Game::RandomSound::RandomSound(Game& owner)
    : game(owner)
{
}

Game::RandomSound::~RandomSound()
{
    music.onStopped().remove(this, &RandomSound::onSoundFinished);
}

bool Game::RandomSound::onSoundFinished()
{
    music.onStopped().remove(this, &RandomSound::onSoundFinished);
    if (!game.mRandomPhase) {
        game.mRandomPhase = true;
        game.mRandomTimer.stop();
    } else {
        game.mRandomPhase = false;
    }
    game.playRandomSound(listName);
    return false;
}

// ---------------------------------------------------------------------------
// Lifecycle

Game::Game()
    : mRequestMainMenu(false)
    , mLeft(false)
    , mWarpPending(false)
    , mWarpBlackFade(false)
    , mRunning(false)
    , mSceneVisible(false)
    , mPlayerArrived(false)
    , mPlayerMoveDisabled(false)
    , mBackupName("save.xml")
    , mMarkersHidden(true)
    , mBackupState(0)
    , mSaveRequested(false)
    , mScore(0)
    , mFirstInInventory(false)
    , mRandomPhase(false)
    , mSpareRandomSound(new RandomSound(*this))
    , mNoScaleLayout(nullptr)
    , mNoScaleLayout2(nullptr)
    , mObjectsTaken(0)
    , mObjectsTakenBits(0)
    , mDialogsTold(0)
    , mEntered(false)
    , mPlayedTime(0.0)
    , mPreviousMousePos(-1, -1)
    , mCursorMousePos(-1, -1)
{
    gSceneScriptRan = false;
    mSpareRandomSound->volume = 1.0f;
    mDialog.onDialogFinished.add(this, &Game::onDialogFinished, 0.0f);
    mQuestion.onAnswered.add(this, &Game::onAnswered, 0.0f);
    mScene3D.setScript(&mScript);
    mScene3D.setForGui(&mForGui);
    mScene3D.onUnloadCharacters.add(this, &Game::unloadCharacters, 0.0f);
}

Game::~Game()
{
    mRandomTimer.onAlarm.remove(mSpareRandomSound, &RandomSound::onSoundFinished);
    deleteRandomSounds();
    delete mSpareRandomSound;
    deleteHitObjects();
    deleteNoScale();
    for (unsigned long i = 0; i < mSounds.size(); ++i)
        delete mSounds[i];
    mSounds.clear();
}

void Game::enter(bool newGame)
{
    Application* app = application.get();
    mEntered = true;
    mRunning = true;
    mScore = 0;
    app->visualFade().init();
    inputMgr.get()->onAnyMouseLeftUp().remove(this, &Game::onMouseClick);
    inputMgr.get()->onAnyMouseLeftUp().add(this, &Game::onMouseClick, -10000.0f);
    mPlayerArrived = false;
    mLeft = false;

    Character::loadSettings("models/ModelsSettings.xml");
    Object3D::loadSettings("objects/ObjectsSettings.xml");

    if (Character* earlier = mScene3D.player()) {
        earlier->onFinished.remove(this, &Game::onDisplacementFinished);
        if (earlier->model())
            mScene3D.unloadCharacter(earlier->model()->name());
    }
    if (!loadPlayerCharacter("Mira")) {
        // Nothing of a game can run without its player: back to the menus.
        KaPrintf("[Game::enter] Can't load player character\n");
        mRequestMainMenu = true;
        return;
    }
    Character* player = mScene3D.player();
    player->model()->setVisible(true);
    player->onPlaySound.remove(this, &Game::onCharacterPlaySound);
    player->onPlaySound.add(this, &Game::onCharacterPlaySound, 0.0f);

    mSceneVisible = true;
    mLuaContext.create();
    GameAchievements::registerAchievements(mLuaContext);
    for (const ButtonGlobal& global : buttonGlobals)
        mLuaContext.setGlobal(global.name, global.value);
    mOnGameEnterScript.attachToContext(mLuaContext);

    if (!mObjectif.gui().isLoaded())
        mObjectif.load();
    // Every game starts with the notepad closed and its button shown, however
    // the previous one was left: a panel left open would come back over the
    // first scene's choices.
    mObjectif.setVisibleObjectif(false);
    mObjectif.setVisibleButtonHelp(true);
    // A game entered starts with no tasks: neither a new one nor a loaded
    // one inherits the previous game's.
    mObjectif.clearTasks();
    mQuestion.load();
    mDialog.load();
    mDocumentsBrowser.load();
    mDocumentsBrowser.loadZoomed();
    mInventory.load();
    if (Cellphone* phone = mInventory.cellphone()) {
        phone->onCallNumber().remove(this, &Game::onCallNumber);
        phone->onCallNumber().add(this, &Game::onCallNumber, 0.0f);
    }

    if (!newGame) {
        loadBackup(mBackupName);
    } else {
        mBackupState = 1;
        onFinishedLoadingBackup(KaString());
    }

    mPlayerArrived = true;
    player->onFinished.remove(this, &Game::onDisplacementFinished);
    player->onFinished.add(this, &Game::onDisplacementFinished, 0.0f);
    mPreviousScene = KaString();
    mNotifier.load();
}

void Game::leave(bool)
{
    if (!mEntered)
        return;
    Application* app = application.get();
    deleteNoScale();
    mRunning = false;
    mSceneVisible = false;
    // From here on no scene script runs: a handler reached through a stop
    // signal of the teardown could save a half-dismantled game.
    mLeft = true;
    mNotifier.unload();
    // The notepad's button lives in the front layer, which the menus share.
    mObjectif.leave();
    inputMgr.get()->onAnyMouseLeftUp().remove(this, &Game::onMouseClick);
    mQuestion.unload();
    if (Cellphone* phone = mInventory.cellphone())
        phone->leave();
    mDialog.unload();
    mInventory.unload();
    mDocumentsBrowser.unload();
    mInventoryMenu.unload();
    mSpareGui.unload();
    mScene3D.close();
    mForGui.unload();
    if (Character* player = mScene3D.player()) {
        player->deleteAllCallback();
        player->stop();
        player->onFinished.remove(this, &Game::onDisplacementFinished);
        player->onCharacterAnimationPlayerFinished.remove(this, &Game::onCharacterAnimationPlayerFinished);
        player->onPlaySound.remove(this, &Game::onCharacterPlaySound);
        if (player->model())
            mScene3D.unloadCharacter(player->model()->name());
    }
    stopAllSounds();
    deleteRandomSounds();
    soundManager.get()->stopAll();
    deleteHitObjects();
    releaseScripts();
    mSceneVisible = false;
    disconnectInGameGui();
    mInGameGui.unload();
    mPlayTimer.stop();
    mEntered = false;
    app->lockCursor(false);
    app->lockCursorFromAction(false);
    inputMgr.get()->setButtonsAccepted(true);
    Character::animCacheFreeAll();
}

void Game::releaseScripts()
{
    // A wait left pending belongs to a thread of this game's state: once the
    // state is gone nothing may resume it, and a new game's event of the
    // same name must not find it.
    yieldedCallbacks.clear();
    mScript.unload();
    mOnGameEnterScript.unload();
    mLuaContext.destroy();
}

void Game::update()
{
    if (!mRunning)
        return;
    Application* app = application.get();

    if (KaITextLayout* text = mInGameGui.textLayout("debugTimeText1")) {
        const double total = static_cast<double>(mPlayTimer.getTimeFromStart()) + mPlayedTime;
        const unsigned long long micro = static_cast<unsigned long long>(total);
        std::snprintf(debugTxt, sizeof debugTxt, "%d:%02d:%02d objects:%d dial:%x",
            static_cast<int>(micro / 3600000000ULL), static_cast<int>(micro / 60000000ULL % 60),
            static_cast<int>(micro / 1000000ULL % 60), static_cast<int>(mObjectsTaken), mDialogsTold);
        text->setText(mInGameGui.value("textAttributs").toString() + debugTxt);
        setVisible(mInGameGui.layout("debugTimeText1"), true);
    }
    if (KaITextLayout* text = mInGameGui.textLayout("debugTimeText2")) {
        const unsigned long long micro = static_cast<unsigned long long>(mPlayedTime);
        std::snprintf(debugTxt, sizeof debugTxt, "%d:%02d:%02d", static_cast<int>(micro / 3600000000ULL),
            static_cast<int>(micro / 60000000ULL % 60), static_cast<int>(micro / 1000000ULL % 60));
        text->setText(mInGameGui.value("textAttributs").toString() + debugTxt);
        setVisible(mInGameGui.layout("debugTimeText2"), true);
    }

    if (mWarpLoadedAt) {
        // The new scene's first frame has been drawn and swapped since.
        const unsigned long long now = warpClock();
        KaPrintf("[Game] scene %s: loaded %llu us, first frame done %llu us after its request\n", mScene.c_str(),
            mWarpLoadedAt - mWarpRequestedAt, now - mWarpRequestedAt);
        mWarpLoadedAt = 0;
    }
    if (mWarpPending) {
        stopSceneSounds();
        if (changeWarp2(mWarpZone, mWarpScene, mWarpBlackFade) && mWarpRequestedAt)
            mWarpLoadedAt = warpClock();
        return;
    }
    if (mBackupState == 2) {
        initLoadedBackupData();
        return;
    }
    if (mBackupState == 1)
        return;

    Character* player = mScene3D.player();
    if (player && player->model() && !player->model()->visible())
        app->lockCursor(false);
    setVisible(mInGameGui.buttonLayout("inventoryButton"), !app->isLockCursor() && !mDialog.isDialogPlaying());

    if (player && player->model()) {
        if (player->model()->anim())
            player->permanentUpdate();
        if (player->model()->visible())
            app->lockCursor(!playerIdleOrWalking());
        else
            app->lockCursor(false);
    }
    KaArray<Character*>& characters = mScene3D.characters();
    for (unsigned long i = 0; i < characters.size(); ++i)
        if (characters[i]->model() && characters[i]->model()->anim())
            characters[i]->permanentUpdate();
    updateCharacterObstacles();

    // Compared with the last frame's position, not the input's previous
    // one: after a release the input's first move has no previous position,
    // and the cursor would keep the picture of the spot it left.
    const KaVector2s32 pointer = inputMgr.get()->mousePosition(0);
    if (pointer != mCursorMousePos) {
        mCursorMousePos = pointer;
        onMouseMove();
    }
    if (mSaveRequested) {
        mSaveRequested = false;
        saveBackup("save.xml");
    }
    callScript("Update");
    mObjectif.update();
    mScene3D.update();
}

void Game::draw()
{
    if (!mSceneVisible)
        return;
    ++frameCounter;
    mScene3D.draw();
}

void Game::stopSceneSounds()
{
    KaSoundManager* sounds = soundManager.get();
    auto keeps = [](const KaString& channel) { return channel == "music" || channel == "sfx" || channel == "dialog"; };
    for (auto it = sounds->musics().firstElement(); it != sounds->musics().end(); ++it)
        if (!keeps((*it)->channelName()))
            (*it)->stop();
    for (auto it = sounds->sfxs().firstElement(); it != sounds->sfxs().end(); ++it)
        if (!keeps((*it)->channelName()))
            (*it)->stop();
    for (auto it = sounds->freeSounds().firstElement(); it != sounds->freeSounds().end(); ++it)
        if (!keeps((*it)->channelName()))
            (*it)->stop();
}

// ---------------------------------------------------------------------------
// Characters

bool Game::loadPlayerCharacter(const KaString& name)
{
    if (!mScene3D.loadPlayerCharacter(name, true))
        return false;
    connectPlayer();
    return true;
}

void Game::connectPlayer()
{
    Character* player = mScene3D.player();
    if (!player)
        return;
    player->onCharacterAnimationPlayerFinished.remove(this, &Game::onCharacterAnimationPlayerFinished);
    player->onCharacterAnimationPlayerFinished.add(this, &Game::onCharacterAnimationPlayerFinished, 0.0f);
    player->onFinished.remove(this, &Game::onDisplacementFinished);
    player->onFinished.add(this, &Game::onDisplacementFinished, 0.0f);
}

bool Game::loadCharacter(const KaString& name)
{
    if (mScene3D.character(name))
        return true;
    if (!mScene3D.loadCharacter(name))
        return false;
    Character* character = mScene3D.character(name);
    if (!character)
        return false;
    character->onCharacterAnimationFinished.remove(this, &Game::onCharacterAnimationFinished);
    character->onCharacterAnimationFinished.add(this, &Game::onCharacterAnimationFinished, 0.0f);
    character->onFinished.remove(this, &Game::onDisplacementFinished);
    character->onFinished.add(this, &Game::onDisplacementFinished, 0.0f);
    character->onPlaySound.remove(this, &Game::onCharacterPlaySound);
    character->onPlaySound.add(this, &Game::onCharacterPlaySound, 0.0f);
    return true;
}

void Game::disconnectCharacter(Character* character)
{
    character->onCharacterAnimationFinished.remove(this, &Game::onCharacterAnimationFinished);
    character->onFinished.remove(this, &Game::onDisplacementFinished);
    character->onPlaySound.remove(this, &Game::onCharacterPlaySound);
}

bool Game::unloadCharacter(const KaString& name)
{
    Character* character = nullptr;
    KaArray<Character*>& characters = mScene3D.characters();
    for (unsigned long i = 0; i < characters.size() && !character; ++i)
        if (characters[i]->model() && characters[i]->model()->name() == name)
            character = characters[i];
    if (!character)
        return false;
    if (character->model())
        mScene3D.removeModelObject(character->model().get());
    disconnectCharacter(character);
    character->removeAnim();
    mScene3D.unloadCharacter(name);
    return true;
}

bool Game::unloadCharacters()
{
    KaArray<Character*>& characters = mScene3D.characters();
    while (!characters.isEmpty()) {
        Character* first = characters[0];
        const KaString name = first->model() ? first->model()->name() : KaString();
        const unsigned long before = characters.size();
        if (!unloadCharacter(name) || characters.size() == before) {
            // A character without a model name cannot be found by it: let
            // the scene drop it directly so that the loop ends.
            disconnectCharacter(first);
            mScene3D.unloadCharacter(name);
            if (characters.size() == before)
                break;
        }
    }
    return true;
}

bool Game::unloadPlayerCharacter(const KaString& name)
{
    mScene3D.unloadCharacter(name);
    return true;
}

bool Game::onCharacterPlaySound(const KaString& file)
{
    playSound(file, 1, 1.0f);
    return false;
}

void Game::updateCharacterObstacles()
{
    Character* player = mScene3D.player();
    KaFreeMoveZone* zone = player ? player->freeMoveZone() : nullptr;
    if (!zone)
        return;
    KaArray<KaVector3f32> standing;
    KaArray<Character*>& characters = mScene3D.characters();
    for (unsigned long i = 0; i < characters.size(); ++i) {
        Character* character = characters[i];
        if (character == player || character->isPlayer() || !character->model() || !character->model()->visible()
            || character->freeMoveZone() != zone || character->isWalking())
            continue;
        standing.pushBack(character->model()->position());
    }
    zone->setObstacles(standing, kCharacterFootprintRadius);
}

bool Game::playerIdleOrWalking()
{
    Character* player = mScene3D.player();
    if (!player)
        return false;
    const KaString& current = player->curAnimName();
    if (current == KaString(player->settings().walk.animationFileName))
        return true;
    for (Character::WalkPart part : { Character::start, Character::loop, Character::endD, Character::endG })
        if (current == player->walkAnim(part))
            return true;
    return false;
}

void Game::setPlayerMoveDisabled(bool disabled)
{
    mPlayerMoveDisabled = disabled;
    mScene3D.setPlayerMoveDisabled(disabled);
}

// ---------------------------------------------------------------------------
// Overlay layers

void Game::initNoScale()
{
    if (!mNoScaleLayout) {
        mNoScaleLayout = new KaLayout;
        mNoScaleLayout->setName("noScaleLayout");
        mNoScaleLayout->setSizeType(KaILayout::Percent);
        mNoScaleLayout->setSize(KaVector3f32(1.0f, 1.0f, 0.0f));
    }
    if (!mNoScaleLayout2) {
        mNoScaleLayout2 = new KaLayout;
        mNoScaleLayout2->setName("noScaleLayout2");
        mNoScaleLayout2->setSizeType(KaILayout::Percent);
        mNoScaleLayout2->setSize(KaVector3f32(1.0f, 1.0f, 0.0f));
    }
}

void Game::deleteNoScale()
{
    removeNoScale2Children();
    removeNoScaleChildren();
    KaLayout& front = application.get()->layoutFront();
    if (mNoScaleLayout) {
        front.removeChild(mNoScaleLayout);
        delete mNoScaleLayout;
        mNoScaleLayout = nullptr;
    }
    if (mNoScaleLayout2) {
        front.removeChild(mNoScaleLayout2);
        delete mNoScaleLayout2;
        mNoScaleLayout2 = nullptr;
    }
}

void Game::addNoScaleChildren()
{
    if (mNoScaleLayout) {
        if (KaLayout* inGame = mInGameGui.layout("inGame"))
            mNoScaleLayout->addChild(inGame);
        mNoScaleLayout->addChild(&mQuestion);
        mNoScaleLayout->addChild(&mInventory);
        mNoScaleLayout->addChild(&mInventoryMenu);
        mNoScaleLayout->addChild(&mDocumentsBrowser);
        mNoScaleLayout->addChild(&mDocumentsBrowser.zoomedLayout());
    }
    application.get()->layoutFront().addChild(&mDialog);
}

void Game::removeNoScaleChildren()
{
    if (mNoScaleLayout) {
        if (KaLayout* inGame = mInGameGui.layout("inGame"))
            mNoScaleLayout->removeChild(inGame);
        mNoScaleLayout->removeChild(&mQuestion);
        mNoScaleLayout->removeChild(&mInventory);
        mNoScaleLayout->removeChild(&mInventoryMenu);
        mNoScaleLayout->removeChild(&mDocumentsBrowser);
        mNoScaleLayout->removeChild(&mDocumentsBrowser.zoomedLayout());
    }
    application.get()->layoutFront().removeChild(&mDialog);
}

void Game::addNoScale2Children()
{
    if (!mNoScaleLayout2)
        return;
    if (KaLayout* videoButtons = mInGameGui.layout("videoButtonLayout"))
        mNoScaleLayout2->addChild(videoButtons);
    if (Cellphone* phone = mInventory.cellphone())
        if (KaLayout* background = phone->gui().layout("background"))
            mNoScaleLayout2->addChild(background);
    if (KaLayout* background = mObjectif.gui().layout("background"))
        mNoScaleLayout2->addChild(background);
}

void Game::removeNoScale2Children()
{
    if (!mNoScaleLayout2)
        return;
    if (KaLayout* videoButtons = mInGameGui.layout("videoButtonLayout"))
        mNoScaleLayout2->removeChild(videoButtons);
    if (Cellphone* phone = mInventory.cellphone())
        if (KaLayout* background = phone->gui().layout("background"))
            mNoScaleLayout2->removeChild(background);
    if (KaLayout* background = mObjectif.gui().layout("background"))
        mNoScaleLayout2->removeChild(background);
}

void Game::addNoScale2Child(KaILayout* layout)
{
    if (mNoScaleLayout2 && layout)
        mNoScaleLayout2->addChild(layout);
}

void Game::removeNoScale2Child(KaILayout* layout)
{
    if (mNoScaleLayout2 && layout)
        mNoScaleLayout2->removeChild(layout);
}

// ---------------------------------------------------------------------------
// Scene change

bool Game::changeWarp(const KaString& zone, const KaString& scene, bool blackFade)
{
    // Before the capture of the scene being left, which draws a frame.
    mWarpRequestedAt = warpClock();
    mWarpLoadedAt = 0;
    if (blackFade)
        application.get()->blackFade();
    else
        application.get()->captureFade();
    mWarpZone = zone;
    mWarpScene = scene;
    mWarpBlackFade = blackFade;
    mWarpPending = true;
    return true;
}

bool Game::changeWarp2(const KaString& zone, const KaString& scene, bool blackFade)
{
    mWarpPending = false;
    const KaString folder = sceneFolder(zone, scene);
    // A scene whose files are not there is not gone to: the scene on screen
    // stays whole and playable rather than being torn down for nothing. A
    // zone without 3D geometry is a close-up like any other: the player
    // simply does not walk there.
    bool anyFile = false;
    for (int kind = 0; kind < SceneFileKinds && !anyFile; ++kind)
        anyFile = KaBaseFile::fileExist(sceneFile(folder, static_cast<SceneFileKind>(kind), scene));
    if (!anyFile) {
        KaPrintf("[Game::changeWarp2] Can't find the scene %s\n", folder.c_str());
        if (!blackFade)
            application.get()->fade();
        return false;
    }
    mPlayerArrived = false;
    leaveSceneScript();
    mForGui.unload();
    mPreviousScene = mScene;
    if (!blackFade)
        application.get()->fade();
    return initWarp(zone, scene, false);
}

void Game::leaveSceneScript()
{
    // Every handler the scene's scripts defined leaves with it, whether or
    // not the next scene has a script: an event the next scene does not
    // answer must not reach the old one's code. Its scalars stay: they are
    // what the save keeps (conditions among them).
    if (mScript.path().length() != 0)
        callScript("OnLeave");
    for (const char* global : sceneEventGlobals)
        mLuaContext.removeGlobal(global);
    mLuaContext.dropGlobalsSinceMark();
    mScript.unload();
}

bool Game::initWarp(const KaString& zone, const KaString& scene, bool newGame)
{
    Application* app = application.get();
    mInventoryMenu.unload();
    disconnectInGameGui();
    mInGameGui.unload();
    mPlayerArrived = true;
    mPlayerMoveDisabled = false;
    mScene3D.setPlayerMoveDisabled(false);

    if (Character* player = mScene3D.player()) {
        if (player->model())
            player->model()->setVisible(true);
        player->deleteAllCallback();
        player->stop();
        player->setAnimation(player->settings().walk.animationFileName, true, false, false, -1, 9999);
        if (!mScene3D.findMira())
            mScene3D.appendPlayerModels();
    }

    mZone = zone;
    mScene = scene;
    mScene3D.setLocation(zone, scene);
    mScene3D.loadBlockers();

    mScenePath = sceneFolder(zone, scene);
    bool exists[SceneFileKinds];
    bool anyFile = false;
    for (int kind = 0; kind < SceneFileKinds; ++kind) {
        exists[kind] = KaBaseFile::fileExist(sceneFile(mScenePath, static_cast<SceneFileKind>(kind), scene));
        anyFile = anyFile || exists[kind];
    }
    if (!anyFile)
        return false;

    for (unsigned long i = 0; i < mSounds.size(); ++i)
        mSounds[i]->keep = false;
    for (auto& list : mRandomSoundLists)
        list.second.keep = false;

    if (exists[Logic])
        mLuaContext.addBindings(LuaOpenBinds);
    // What the scene's scripts define from here on is theirs, and goes when
    // the scene is left (leaveSceneScript()).
    mLuaContext.markGlobals();
    if (exists[Logic]) {
        mScript.attachToContext(mLuaContext);
        mScript.load("menus/help/help.lua");
        mScript.execute();
        mScript.load(sceneFile(mScenePath, Logic, scene));
    }
    if (mForGui.isLoaded())
        mForGui.unload();
    mScene3D.reset();
    mScene3D.backgroundGui().unload();
    mScene3D.markersGui().unload();
    mScene3D.interactionsGui().unload();
    deleteHitObjects();

    // A zone without geometry (a 2D close-up) keeps nothing of the place
    // before it: no floor, cameras or hit meshes of another scene.
    if (KaBaseFile::fileExist(geometryFile(zone)))
        mScene3D.load(geometryFile(zone));
    else
        mScene3D.close();
    mScene3D.loadBackground(sceneFile(mScenePath, Set, scene));

    KaLayout& front = app->layoutFront();
    if (exists[For]) {
        mForGui.load(sceneFile(mScenePath, For, scene));
        if (KaLayout* background = mForGui.layout("background")) {
            background->setRatioMode(KaILayout::None);
            front.addChild(background);
        }
        if (Cellphone* phone = mInventory.cellphone())
            if (KaLayout* background = phone->gui().layout("background")) {
                front.removeChild(background);
                front.addChild(background);
            }
        mObjectif.reattachLayout(front);
    }
    if (exists[Int]) {
        mScene3D.loadInteractions(sceneFile(mScenePath, Int, scene));
        const KaMap<KaString, KaButtonLayout*>& buttons = mScene3D.interactionsGui().buttonLayouts();
        for (auto it = buttons.firstElement(); it != buttons.end(); ++it) {
            KaButtonLayout* button = it->value;
            HitObject* hit = new HitObject(button->name(), button, this);
            button->onMouseClickValidated.add(hit, &HitObject::OnValidated, 0.0f);
            button->onButtonChangedToStateDown.add(hit, &HitObject::OnDown, 0.0f);
            button->onButtonChangedToStateUp.add(hit, &HitObject::OnUp, 0.0f);
            mHitObjects.pushBack(hit);
        }
    }
    mInventoryMenu.load();

    mInGameGui.load("InGame.lua");
    connectInGameGui();
    if (KaButtonLayout* inventoryButton = mInGameGui.buttonLayout("inventoryButton")) {
        const float s = core.get()->fileFlagSystemFlag("definition") == "SD" ? 0.12f : 0.08f;
        KaMainWindow* window = mainWindow.get();
        const float ratio = window->ySize() > 0 ? static_cast<float>(window->xSize()) / window->ySize() : 1.0f;
        inventoryButton->setSizeType(KaILayout::Percent);
        inventoryButton->setSize(KaVector3f32(s, s * ratio, 0.0f));
    }
    if (KaCheckboxLayout* markers = mInGameGui.checkboxLayout("markersVisibleButton")) {
        markers->setState(mMarkersHidden ? static_cast<KaCheckboxLayout::State>(0)
                                         : static_cast<KaCheckboxLayout::State>(1));
        markers->onStateChanged.remove(this, &Game::onMarkersVisible);
        markers->onStateChanged.add(this, &Game::onMarkersVisible, 0.0f);
    }

    initNoScale();
    removeNoScale2Children();
    front.removeChild(mNoScaleLayout2);
    KaLayout* videoLayout = mInGameGui.layout("videoLayout");
    if (videoLayout)
        front.removeChild(videoLayout);
    removeNoScaleChildren();
    front.removeChild(mNoScaleLayout);
    front.addChild(mNoScaleLayout);
    addNoScaleChildren();
    if (videoLayout)
        front.addChild(videoLayout);
    front.addChild(mNoScaleLayout2);
    addNoScale2Children();

    if (!newGame) {
        if (InventoryObject* selected = mInventory.selectedInventoryObject())
            mInventory.selectedObject(selected);
        mInventory.setVisible(false);
        mObjectif.setVisibleObjectif(false);
        mObjectif.setVisibleButtonHelp(true);
        mSceneVisible = true;
        loadScene(KaPath());
    }

    if (KaLayout* background = mScene3D.background())
        app->layoutBack().addChild(background);
    if (exists[Marker]) {
        mScene3D.loadMarkers(sceneFile(mScenePath, Marker, scene));
        if (KaLayout* background = mScene3D.markersGui().layout("background"))
            front.addChild(background);
    }
    // The For GUI's marker pictures load shown: they follow the switch.
    showMarkers(false);
    // The pointer stands over the new scene: its cursor is chosen again.
    mCursorMousePos = KaVector2s32(-1, -1);
    mScene3D.selectSceneCamera(scene);

    gSceneScriptRan = exists[Logic] && mLuaContext.isCreated() && runSceneScript(mLuaContext, mScript.path());
    if (gSceneScriptRan) {
        callScript("OnEnter", mPreviousScene);
        callScript("OnSelectedObject", mInventory.selectedObject());
    } else {
        KaPrintf("[Game::initWarp] The scene's script %s %s: the scene's events go to no script.\n",
            sceneFile(mScenePath, Logic, scene).c_str(), exists[Logic] ? "failed to load" : "is missing");
    }

    for (unsigned long i = 0; i < mSounds.size();) {
        GameSound* sound = mSounds[i];
        if (sound->keep) {
            ++i;
            continue;
        }
        sound->onStopped().remove(sound, &GameSound::onSoundStopped);
        sound->stop();
        sound->deleteLater();
        mSounds.removeAt(i);
    }
    for (auto& list : mRandomSoundLists) {
        if (list.second.keep)
            continue;
        for (unsigned long i = 0; i < list.second.sounds.size(); ++i)
            delete list.second.sounds[i];
        list.second.sounds.clear();
    }
    mScene3D.initScroll();
    return true;
}

bool Game::loadScene(const KaPath&)
{
    mOnGameEnterScript.load("scenes/OnGameEnter.lua");
    mOnGameEnterScript.execute();
    Character* player = mScene3D.player();
    if (player && player->model() && player->model()->visible())
        mPlayerArrived = true;
    return false;
}

void Game::connectInGameGui()
{
    if (KaButtonLayout* skip = mInGameGui.buttonLayout("skipVideoButton")) {
        skip->setVisible(false);
        skip->onMouseClickValidated.remove(this, &Game::onSkipVideoButtonValidated);
        skip->onMouseClickValidated.add(this, &Game::onSkipVideoButtonValidated, 0.0f);
    }
    if (KaButtonLayout* lock = mInGameGui.buttonLayout("videoBackgroundButton")) {
        lock->setVisible(false);
        lock->onMouseClickValidated.remove(this, &Game::onLockVideoButtonValidated);
        lock->onMouseClickValidated.add(this, &Game::onLockVideoButtonValidated, 0.0f);
    }
    if (KaSpriteLayout* video = mInGameGui.spriteLayout("video")) {
        video->surface().frameAnim().onFinished.remove(this, &Game::onVideoFinished);
        video->surface().frameAnim().onFinished.add(this, &Game::onVideoFinished, 0.0f);
        video->setVisible(false);
    }
    if (KaButtonLayout* inventoryButton = mInGameGui.buttonLayout("inventoryButton")) {
        inventoryButton->onMouseClickValidated.remove(this, &Game::onInventoryButtonValidated);
        inventoryButton->onMouseClickValidated.add(this, &Game::onInventoryButtonValidated, 0.0f);
    }
}

void Game::disconnectInGameGui()
{
    if (KaButtonLayout* skip = mInGameGui.buttonLayout("skipVideoButton"))
        skip->onMouseClickValidated.remove(this, &Game::onSkipVideoButtonValidated);
    if (KaButtonLayout* lock = mInGameGui.buttonLayout("videoBackgroundButton"))
        lock->onMouseClickValidated.remove(this, &Game::onLockVideoButtonValidated);
    if (KaSpriteLayout* video = mInGameGui.spriteLayout("video"))
        video->surface().frameAnim().onFinished.remove(this, &Game::onVideoFinished);
    if (KaButtonLayout* inventoryButton = mInGameGui.buttonLayout("inventoryButton"))
        inventoryButton->onMouseClickValidated.remove(this, &Game::onInventoryButtonValidated);
    if (KaCheckboxLayout* markers = mInGameGui.checkboxLayout("markersVisibleButton"))
        markers->onStateChanged.remove(this, &Game::onMarkersVisible);
}

void Game::deleteHitObjects()
{
    for (unsigned long i = 0; i < mHitObjects.size(); ++i) {
        HitObject* hit = mHitObjects[i];
        // The button may outlive this record until the end of the frame
        // (its GUI releases it late): it must not call a deleted record.
        if (hit->button) {
            hit->button->onMouseClickValidated.remove(hit, &HitObject::OnValidated);
            hit->button->onButtonChangedToStateDown.remove(hit, &HitObject::OnDown);
            hit->button->onButtonChangedToStateUp.remove(hit, &HitObject::OnUp);
        }
        delete hit;
    }
    mHitObjects.clear();
    mHitObjectsById.clear();
}

// ---------------------------------------------------------------------------
// Clicks and the cursor

bool Game::onMouseClick(unsigned int pointer)
{
    Application* app = application.get();
    if (!mRunning || app->isFading())
        return true;
    posPlayer = KaVector3f32(-1.0f, -1.0f, -1.0f);
    KaString name("None");
    const KaVector2s32 m = inputMgr.get()->mousePosition(pointer);
    Character* player = mScene3D.player();

    if (mPreviousMousePos == KaVector2s32(-1, -1)) {
        mPreviousMousePos = m;
    } else {
        const KaVector3f32 size = app->layoutFront().size();
        const float w = size.x;
        const float h = size.y;
        const KaVector2s32 p = mPreviousMousePos;
        const float dx = static_cast<float>(m.x) / w - static_cast<float>(p.x) / w;
        const float dy = static_cast<float>(m.y) / h - static_cast<float>(p.y) / h;
        const float d = dx * dx + dy * dy;
        mPreviousMousePos = m;
        if (d < 0.0001f) {
            const bool walking = player && player->walkMode() == "Walk";
            if (doubleClickStopped() || mDoubleClickTimer.getTimeFromStart() >= 300000.0 || !walking)
                return false;
        }
    }
    if (!app->layoutFront().isMouseIn(m))
        return false;

    KaPickMesh2* hit = nullptr;
    if (KaIntrusivePtr<KaCamera> camera = mScene3D.currentCamera())
        hit = findNearestMesh(camera, m, mScene3D.pickMeshes(), nullptr, false);
    if (hit)
        name = hit->name();
    if (app->isLockCursor() || mPlayerMoveDisabled)
        return false;
    if (!player || !player->model())
        return false;

    if (playerIdleOrWalking()) {
        callScript("On");
        if (!mScene3D.isObjectBlocking(name)) {
            if (KaFreeMoveZone* zone = player->freeMoveZone()) {
                KaIntrusivePtr<KaBezierCurve> path = zone->curve(player->model()->position(), m, 8.0f, true);
                // No path: the player stays where it stands.
                if (!path)
                    return false;
                mScene3D.setClickPath(path);
                player->setPositionOffset(KaVector3f32(0.0f, 0.0f, 0.0f));
                if (path->controlPoints().size() == 1) {
                    player->endMove();
                    return false;
                }
                const double elapsed = mDoubleClickTimer.getTimeFromStart();
                if (doubleClickStopped() || elapsed > 300000.0) {
                    // Restarted from zero: start() alone leaves a running
                    // timer counting from the first click of the game, and
                    // no second click would ever come soon enough.
                    mDoubleClickTimer.stop();
                    mDoubleClickTimer.start();
                    player->walkMode("Walk");
                } else if (elapsed == 300000.0) {
                    mDoubleClickTimer.stop();
                } else {
                    mDoubleClickTimer.stop();
                    player->walkMode("Jog");
                }
                player->placeOnCurve(path);
                player->setCurveOffset(0.0f);
                const KaString start = player->walkAnim(Character::start);
                if (player->curAnimName() != start)
                    player->setAnimation(start, false, false, false, -1, 9999);
                player->walkTo(1.0f, false);
                mPlayerArrived = false;
            }
            // Without a walkable zone the player has nowhere to go: the
            // path of an earlier click would walk it off its ground.
            const KaIntrusivePtr<KaBezierCurve>& path = mScene3D.clickPath();
            if (player->freeMoveZone() && path && !path->controlPoints().isEmpty()) {
                posPlayer = path->controlPoints()[path->controlPoints().size() - 1];
                player->setAnimation(player->walkAnim(Character::loop), true, false, false, -1, 9999);
                player->walkTo(1.0f, false);
            }
        }
    }
    if ((mPlayerArrived || player->curAnimName() == KaString(player->settings().walk.animationFileName)) && hit) {
        player->stop();
        callScript("OnWarpObjectHit", name);
    }
    return false;
}

bool Game::onMouseMove()
{
    if (!mRunning)
        return true;
    Application* app = application.get();
    const KaVector2s32 m = inputMgr.get()->mousePosition(0);
    KaSpriteLayout& cursor = app->mouseCursor();
    if (!app->isLockCursor()) {
        bool overPanel = false;
        if (Cellphone* phone = mInventory.cellphone())
            if (visibleLayout(phone->gui().layout("background")))
                if (KaLayout* cellphone = phone->gui().layout("cellphone"))
                    overPanel = cellphone->isMouseIn(m);
        overPanel = overPanel || mObjectif.isMouseIn(m);
        if (!overPanel)
            if (KaLayout* image = mDialog.gui().layout("imgDialog"))
                overPanel = image->visible() && image->isMouseIn(m);
        if (!overPanel)
            if (KaLayout* button = mInGameGui.layout("inventoryButton"))
                overPanel = button->visible() && button->isMouseIn(m);
        overPanel = overPanel || isDocumentOpened();
        if (!overPanel && visibleLayout(mQuestion.gui().layout("background")))
            if (KaLayout* notepad = mQuestion.gui().layout("Calepin"))
                overPanel = notepad->isMouseIn(m);
        if (!overPanel && mScene3D.markersGui().isLoaded()) {
            if (KaLayout* background = mScene3D.markersGui().layout("background")) {
                bool found = false;
                for (unsigned long i = 0; i < background->childCount(); ++i) {
                    KaLayout* child = dynamic_cast<KaLayout*>(background->child(i));
                    if (!child || !child->visible() || !child->isMouseIn(m))
                        continue;
                    found = true;
                    for (const CursorRow* row = cursorsTable; row->name[0]; ++row) {
                        if (!child->name().contains(row->name))
                            continue;
                        const KaString file(row->file);
                        if (!file.contains(".anim")) {
                            loadCursor(cursor, file);
                        } else if (cursor.surface().path() != KaPath(file)) {
                            loadCursor(cursor, file);
                            cursor.surface().frameAnim().setRepeatCount(static_cast<unsigned int>(-1));
                            cursor.play();
                        }
                    }
                }
                if (found)
                    return false;
            }
        }
    }
    loadCursor(cursor, defaultCursor);
    return false;
}

bool Game::onMarkersVisible(KaCheckboxLayout::State state)
{
    // The switch passes through its roll-over states as the pointer comes
    // and goes, and a click leaves it in one: only its side counts.
    mMarkersHidden = state == KaCheckboxLayout::Active || state == KaCheckboxLayout::ActiveDisabled
        || state == KaCheckboxLayout::ActiveRollOver;
    showMarkers(mMarkersHidden);
    return false;
}

void Game::showMarkers(bool hide)
{
    // A lock that ends (hide false) gives the markers back only when the
    // switch shows them: it never overrules the player's choice.
    hide = hide || mMarkersHidden;
    mScene3D.setMarkersVisible(!hide);
    KaLayout* background = mForGui.layout("background");
    if (!background)
        return;
    unsigned long changed = 0;
    for (unsigned long i = 0; i < background->childCount(); ++i) {
        KaI3DObject2* child = background->child(i);
        if (mScene3D.findMarker(child->name())) {
            changed += child->visible() == hide;
            child->setVisible(!hide);
        }
    }
    if (changed && cursorLog())
        KaPrintf("[Game] markers %s: %lu\n", hide ? "hidden" : "shown", changed);
}

// ---------------------------------------------------------------------------
// Events into Lua

void Game::callScript(const char* function)
{
    if (mLeft || !mLuaContext.isCreated() || !gSceneScriptRan)
        return;
    mScript.execute(function);
}

void Game::callScript(const char* function, const KaString& argument)
{
    if (mLeft || !mLuaContext.isCreated() || !gSceneScriptRan)
        return;
    mScript.execute(function, KaVariant(argument));
}

bool Game::onDialogFinished(const KaString& name)
{
    const KaString line = name;
    if (mLeft)
        return false;
    if (!resumeYieldedCallback("OnDialogFinished", &line)) {
        callScript("OnDialogFinished", line);
        callScript("OnCellDialogFinished", line);
    }
    return false;
}

bool Game::onDisplacementFinished()
{
    mPlayerArrived = true;
    if (Character* player = mScene3D.player()) {
        player->stop();
        player->setAnimation(player->settings().walk.animationFileName, true, false, false, -1, 9999);
    }
    if (mLeft)
        return false;
    if (!resumeYieldedCallback("OnDisplacementFinished", nullptr))
        callScript("OnDisplacementFinished");
    return false;
}

bool Game::onVideoFinished()
{
    if (!mInGameGui.isLoaded())
        return false;
    Application* app = application.get();
    app->captureFade();
    KaString path;
    if (KaSpriteLayout* video = mInGameGui.spriteLayout("video"))
        path = video->surface().path();
    setVisible(mInGameGui.buttonLayout("videoBackgroundButton"), false);
    setVisible(mInGameGui.buttonLayout("skipVideoButton"), false);
    setVisible(mInGameGui.spriteLayout("video"), false);
    mMovieSound.stop();
    mSceneVisible = true;
    if (!mLeft && !resumeYieldedCallback("OnMovieFinished", &path))
        callScript("OnMovieFinished", path);
    app->fade();
    return false;
}

bool Game::onCharacterAnimationFinished(const KaString& name)
{
    if (!mScene3D.player() || mLeft)
        return false;
    const KaString character = name;
    if (!resumeYieldedCallback("OnCharacterAnimationFinished", &character))
        callScript("OnCharacterAnimationFinished", character);
    return false;
}

bool Game::onCharacterAnimationPlayerFinished(const KaString& anim)
{
    if (mBackupState != 0)
        return false;
    const KaString animation = anim;
    KaPrintf("onCharacterAnimationPlayerFinished %s\n", animation.c_str());
    if (!mLeft) {
        const KaString mira("Mira");
        if (!resumeYieldedCallback("OnCharacterAnimationFinished", &mira)) {
            callScript("OnCharacterAnimationFinished", mira);
            callScript("OnCellCharacterAnimationPlayerFinished", animation);
        }
    }
    Character* player = mScene3D.player();
    if (!player)
        return false;
    const KaString current = player->curAnimName();
    KaPrintf("current anim player %s\n", current.c_str());
    if (!mPlayerArrived && current == player->walkAnim(Character::start)) {
        player->setAnimation(player->walkAnim(Character::loop), true, false, false, -1, 9999);
    } else if (current == player->walkAnim(Character::endD) || current == player->walkAnim(Character::endG)) {
        player->updatePosition(1.0f);
        player->endMove();
        // endMove puts a running player back to walking, so the stopping
        // part is looked for by the name it had: otherwise a run's stop would
        // freeze on its last frame instead of handing over to idle.
        if (player->curAnimName() == current)
            player->setAnimation(player->settings().walk.animationFileName, true, false, false, -1, 9999);
    }
    return false;
}

bool Game::onAnswered(const KaString& answer)
{
    callScript("OnAnswered", answer);
    return false;
}

bool Game::onCallNumber(const KaString& number)
{
    callScript("OnCallNumber", number);
    return false;
}

void Game::raiseSelectedObject(const KaString& id)
{
    callScript("OnSelectedObject", id);
}

void Game::raiseDocumentClosed(const KaString& id)
{
    if (mLeft)
        return;
    const KaString document = id;
    if (!resumeYieldedCallback("OnDocumentClosed", &document))
        callScript("OnDocumentClosed", document);
}

void Game::raiseShowedDocumentButton(const KaString& page, const KaString& button)
{
    if (mLeft || !mLuaContext.isCreated() || !gSceneScriptRan)
        return;
    mScript.execute("OnShowedDocumentButtonValidated", KaVariant(page), KaVariant(button));
}

// ---------------------------------------------------------------------------
// The saved game

bool Game::saveBackup(const KaPath& file)
{
    // Outside a game, or while one is still being loaded, there is nothing
    // whole to write: writing would replace a good save with an empty one.
    if (!mEntered || mBackupState != 0) {
        KaPrintf("ActionManager::Save: error %s\n", "no game in progress to save");
        return false;
    }
    Application* app = application.get();
    app->showLoadingIcon(true);

    TiXmlDocument document;
    document.LinkEndChild(SaveDocument::declaration());
    TiXmlElement* save = new TiXmlElement("Save");
    document.LinkEndChild(save);
    SaveDocument::writeVersion(*save);
    mInventory.saveToBackup(*save);
    if (Cellphone* phone = mInventory.cellphone())
        phone->saveToBackup(*save);
    else
        save->LinkEndChild(new TiXmlElement("Cellphone"));
    mDialog.saveToBackup(*save);
    TiXmlElement* globals = new TiXmlElement("ContextLua");
    mLuaContext.save(*globals);
    save->LinkEndChild(globals);

    SaveDocument values;
    values.zone = mZone;
    values.scene = mScene;
    values.difficulty = app->difficulty();
    // The play timer keeps running: what it counted so far moves into the
    // total, so that the next save counts from here.
    mPlayedTime += mPlayTimer.getTimeFromStart();
    restartPlayTimer();
    values.playedSeconds = mPlayedTime / 1000000.0;
    values.objectsTaken = mObjectsTaken;
    values.objectsTakenBits = mObjectsTakenBits;
    values.dialogsTold = mDialogsTold;
    if (mPreviousScene.length() == 0)
        mPreviousScene = mScene;
    values.previousScene = mPreviousScene;
    values.music = app->menuMusic().path();
    Character* player = mScene3D.player();
    values.runMode = player && player->walkMode() != "Walk" ? "jog" : "walk";
    values.firstInInventory = mFirstInInventory;
    values.tutorialActive = app->tutorialActive();
    values.write(*save);
    // After the older elements, so that older saves keep their order.
    mDocumentsBrowser.saveToBackup(*save);
    TiXmlElement* objectives = new TiXmlElement("Objectives");
    mObjectif.save(*objectives);
    save->LinkEndChild(objectives);

    // Read back as "Continue" will read it: a save the loader would refuse
    // must not take the place of the one before.
    const KaXMLCheck loadable = [this](const KaString& text, KaString& reason) {
        SaveDocument check;
        KaString zone;
        KaString scene;
        return checkBackup(text, check, zone, scene, reason);
    };
    const bool written = backupManager.get()->save(file, document, loadable);
    app->reportSave(Application::SaveKindGame, written, file);
    app->showLoadingIcon(false);
    if (!written)
        KaPrintf("ActionManager::Save: error %s\n",
            document.Error() ? document.ErrorDesc() : "the file could not be written");
    return written;
}

void Game::loadBackup(const KaPath& file)
{
    if (mBackupState != 0)
        return;
    mBackupState = 1;
    mBackupRefusal = KaString();
    application.get()->showLoadingIcon(true);
    KaBackup* backup = backupManager.get();
    if (!backup->exist(KaPath("Backup/") + file)) {
        onFinishedLoadingBackup(KaString());
        return;
    }
    TiXmlDocument document;
    KaString text;
    if (!backup->load(file, document, text)) {
        KaPrintf("Failed to load file \"%s\"\n", KaGetBackupPath(file).c_str());
        // A save that is there but does not read is not a new game: starting
        // one would let the next autosave replace what may still be mended.
        mBackupRefusal.format("not XML (%s)", document.ErrorDesc());
        onFinishedLoadingBackup(KaString());
        return;
    }
    // The file's own text: printed again, the document would not be the
    // same bytes (the printer writes back what it decoded).
    if (text.length() == 0)
        mBackupRefusal = "an empty document";
    onFinishedLoadingBackup(text);
}

bool Game::checkBackup(
    const KaString& text, SaveDocument& save, KaString& zone, KaString& scene, KaString& reason) const
{
    if (!save.read(text, &mLuaContext, reason))
        return false;
    zone = save.hasZone ? save.zone : mZone;
    scene = save.hasScene ? save.scene : mScene;
    bool sceneExists = false;
    if (SaveDocument::plainName(zone) && SaveDocument::plainName(scene))
        for (int kind = 0; kind < SceneFileKinds && !sceneExists; ++kind)
            sceneExists
                = KaBaseFile::fileExist(sceneFile(sceneFolder(zone, scene), static_cast<SceneFileKind>(kind), scene));
    if (!sceneExists) {
        reason.format("no scene \"%s\" in zone \"%s\"", scene.c_str(), zone.c_str());
        return false;
    }
    return true;
}

bool Game::backupLoadable(const KaString& file, KaString& reason)
{
    KaBackup* backup = backupManager.get();
    if (!backup->exist(KaPath("Backup/") + file)) {
        reason = "no such file";
        return false;
    }
    TiXmlDocument document;
    KaString text;
    if (!backup->load(file, document, text)) {
        reason.format("not XML (%s)", document.ErrorDesc());
        return false;
    }
    if (text.length() == 0) {
        reason = "an empty document";
        return false;
    }
    SaveDocument save;
    KaString zone;
    KaString scene;
    return checkBackup(text, save, zone, scene, reason);
}

bool Game::onFinishedLoadingBackup(KaString text)
{
    if (mBackupState != 1)
        return false;
    mBackupText = text;
    mBackupState = 2;
    return true;
}

void Game::restartPlayTimer()
{
    mPlayTimer.stop();
    mPlayTimer.start();
    // From now: a timer started counts from its first update otherwise, and
    // the frame in between would be lost to the played time at every save.
    mPlayTimer.setTime(0.0);
}

void Game::refuseBackup(const KaString& reason)
{
    Application* app = application.get();
    KaPrintf("[Game::initLoadedBackupData] the save \"%s\" is refused: %s\n", mBackupName.c_str(), reason.c_str());
    mBackupState = 0;
    mBackupText = KaString();
    mBackupRefusal = KaString();
    app->showLoadingIcon(false);
    app->saveCorruptConfirm().enter("menus/confirm/confirmSaveCorrupt.lua", KaString());
    mRequestMainMenu = true;
}

void Game::initLoadedBackupData()
{
    Application* app = application.get();
    if (mBackupRefusal.length() != 0) {
        refuseBackup(mBackupRefusal);
        return;
    }
    bool newGame = true;
    if (mBackupText.length() != 0) {
        // Everything is checked before anything is applied: a save refused
        // leaves no trace in the inventory, the Lua state or the scene.
        SaveDocument save;
        KaString reason;
        KaString zone;
        KaString scene;
        if (!checkBackup(mBackupText, save, zone, scene, reason)) {
            refuseBackup(reason);
            return;
        }

        if (TiXmlElement* globals = save.contextLua())
            mLuaContext.load(*globals);
        if (TiXmlElement* inventory = save.inventory())
            mInventory.loadFromBackup(*inventory);
        if (TiXmlElement* cellphone = save.cellphone())
            if (Cellphone* phone = mInventory.cellphone())
                phone->loadFromBackup(*cellphone);
        if (TiXmlElement* dialog = save.dialog())
            mDialog.loadFromBackup(*dialog);
        if (TiXmlElement* documents = save.documentsBrowser())
            mDocumentsBrowser.loadFromBackup(*documents);
        if (TiXmlElement* objectives = save.objectives())
            mObjectif.load(*objectives);
        mZone = zone;
        mScene = scene;
        app->setDifficulty(save.hasDifficulty ? static_cast<EApplicationDifficulty>(save.difficulty)
                                              : EApplicationDifficultyDefault);
        restartPlayTimer();
        mPlayedTime = save.hasPlayedTime ? save.playedSeconds * 1000000.0 : 0.0;
        mObjectsTaken = save.hasObjectsTaken ? save.objectsTaken : 0;
        mObjectsTakenBits = save.hasObjectsTaken ? save.objectsTakenBits : 0;
        mDialogsTold = save.hasDialogsTold ? save.dialogsTold : 0;
        if (save.hasPreviousScene)
            mPreviousScene = save.previousScene;
        // The game's music comes from its scenes, not from the save.
        app->menuMusic().stop();
        if (save.hasRunMode && save.runMode == "jog")
            if (Character* player = mScene3D.player())
                player->walkMode("Jog");
        if (save.hasFirstInInventory)
            mFirstInInventory = save.firstInInventory;
        if (save.hasTutorialActive)
            app->setTutorialActive(save.tutorialActive);
        newGame = false;
    } else {
        mZone = app->firstZone();
        mScene = app->firstScene();
        restartPlayTimer();
        mPlayedTime = 0.0;
        mObjectsTaken = 0;
        mObjectsTakenBits = 0;
        mDialogsTold = 0;
    }
    mBackupState = 0;
    app->showLoadingIcon(false);
    mBackupText = KaString();
    initScene(newGame, newGame ? app->firstWarpPath() : KaString());
}

void Game::initScene(bool newGame, KaString)
{
    initWarp(mZone, mScene, newGame);
    loadScene(KaPath());
    Character* player = mScene3D.player();
    if (player && player->model()) {
        if (!mScene3D.findMira())
            mScene3D.appendPlayerModels();
        player->model()->setVisible(true);
    }
}

bool Game::onFinishedSavingBackup(int result)
{
    if (result != 0)
        mRequestMainMenu = true;
    application.get()->showLoadingIcon(false);
    return true;
}

bool Game::onFinishedCheckBackup(bool)
{
    if (mBackupState != 1)
        return false;
    mBackupState = 0;
    return true;
}

void Game::countTakenObject(const KaString& id)
{
    static const char objectsTakenIDs[5][40] = { "BCylindreDov", "VCylindreMusique", "VCylindrePim",
        "CCylindreRok", "VPoupeeMammouth" };
    for (unsigned int i = 0; i < 5; ++i) {
        if (id == objectsTakenIDs[i]) {
            if (mObjectsTakenBits & (1u << i))
                return;
            mObjectsTakenBits |= 1u << i;
            break;
        }
    }
    ++mObjectsTaken;
}

// ---------------------------------------------------------------------------
// Sounds

void Game::playSound(const KaString& file, int count, float volume)
{
    if (count != 1 && count != -1)
        return;
    if (count == -1) {
        for (unsigned long i = 0; i < mSounds.size(); ++i)
            if (mSounds[i]->getAccessName() == KaPath(file)) {
                mSounds[i]->keep = true;
                return;
            }
    }
    GameSound* sound = new GameSound(*this);
    sound->setChannelName("sfx");
    if (count == 1) {
        sound->name = file;
        sound->repeat(false);
    }
    sound->load(file);
    sound->volume(volume);
    if (!sound->play()) {
        delete sound;
        // As if it had ended at once. The script about to wait for it goes
        // on; one that waits for an earlier copy of the file keeps waiting
        // for that copy's end.
        const KaString path = file;
        abandonStartingWait("OnFreeSoundFinished", path);
        callScript("OnFreeSoundFinished", path);
        callScript("OnCellFreeSoundFinished", path);
        return;
    }
    if (count == 1)
        sound->onStopped().add(sound, &GameSound::onSoundStopped, 0.0f);
    sound->keep = true;
    mSounds.pushBack(sound);
}

void Game::stopSound(const KaString& file)
{
    for (unsigned long i = 0; i < mSounds.size(); ++i)
        if (mSounds[i]->getAccessName() == KaPath(file)) {
            GameSound* sound = mSounds[i];
            mSounds.removeAt(i);
            sound->stop();
            sound->deleteLater();
            break;
        }
    KaSoundManager* sounds = soundManager.get();
    for (auto it = sounds->sfxs().firstElement(); it != sounds->sfxs().end(); ++it)
        if ((*it)->getAccessName() == KaPath(file))
            (*it)->stop();
}

bool Game::doubleClickStopped() const
{
    return mDoubleClickTimer.isPaused() && mDoubleClickTimer.getTimeFromStart() == 0.0;
}

void Game::markDialogTold(const KaString& key)
{
    static const char dialogsIDs[20][6] = { "KFJ1", "KH", "KJ", "KL", "KO", "KS", "KCa", "KFE2", "KFE3", "KG",
        "KMa", "KP", "KR", "KCo", "KD", "KA", "KFJ", "KM", "KN", "KFM" };
    unsigned long first = 0;
    if (!key.find("_", &first))
        return;
    unsigned long next = 0;
    const KaString code = key.contains("_", first + 1, &next) ? key.subString(first + 1, next - first - 1)
                                                             : key.subString(first + 1, key.length() - first - 1);
    for (unsigned int i = 0; i < 20; ++i)
        if (code == dialogsIDs[i])
            mDialogsTold |= 1u << i;
}

void Game::stopAllSounds()
{
    for (unsigned long i = 0; i < mSounds.size(); ++i) {
        mSounds[i]->onStopped().remove(mSounds[i], &GameSound::onSoundStopped);
        mSounds[i]->stop();
        mSounds[i]->deleteLater();
    }
    mSounds.clear();
}

void Game::addRandomSound(const KaString& list, const KaString& file, float weight, float volume)
{
    RandomSound* sound = new RandomSound(*this);
    sound->path = file;
    sound->weight = weight;
    sound->volume = volume;
    sound->listName = list;
    mRandomSoundLists[list].sounds.pushBack(sound);
}

void Game::playRandomSound(const KaString& list)
{
    auto found = mRandomSoundLists.find(list);
    if (found == mRandomSoundLists.end()) {
        KaPrintf("Game::playRandomSound: can't find sound list %s\n", list.c_str());
        return;
    }
    RandomSoundList& sounds = found->second;
    // Asked for by a script: the list stays over the scene change under way,
    // whichever half of the shared cycle this call starts.
    sounds.keep = true;
    if (!mRandomPhase) {
        const int r = randomNumber();
        // Restarted: a list started while another waits takes the wait over
        // from now.
        mRandomTimer.stop();
        mRandomTimer.start();
        const int v = r % 100 + 1;
        mRandomTimer.setAlarmFromStart(v < 25 ? 1000000ULL : static_cast<unsigned long long>(v * 45000.0));
        mRandomTimer.onAlarm.remove(mSpareRandomSound, &RandomSound::onSoundFinished);
        mRandomTimer.onAlarm.add(mSpareRandomSound, &RandomSound::onSoundFinished, 0.0f);
        mSpareRandomSound->listName = list;
        return;
    }
    float total = 0.0f;
    for (unsigned long i = 0; i < sounds.sounds.size(); ++i)
        total += sounds.sounds[i]->weight;
    const float x = static_cast<float>(randomNumber()) * (1.0f / 2147483648.0f) * total;
    RandomSound* sound = nullptr;
    float sum = 0.0f;
    for (unsigned long i = 0; i < sounds.sounds.size() && !sound; ++i) {
        sum += sounds.sounds[i]->weight;
        if (sum > x)
            sound = sounds.sounds[i];
    }
    // The largest draws round up to the total in single precision: they
    // belong to the last sound with a weight, or the cycle would stop.
    for (unsigned long i = sounds.sounds.size(); !sound && total > 0.0f && i-- > 0;)
        if (sounds.sounds[i]->weight > 0.0f)
            sound = sounds.sounds[i];
    if (!sound)
        return;
    sound->music.volume(sound->volume);
    sound->music.onStopped().remove(sound, &RandomSound::onSoundFinished);
    sound->music.onStopped().add(sound, &RandomSound::onSoundFinished, 0.0f);
    sound->music.load(sound->path);
    sound->music.repeat(false);
    if (!sound->music.play()) {
        // Its end would never come and the shared cycle would stand still
        // for every list: taken as ended at once, back to waiting.
        sound->music.onStopped().remove(sound, &RandomSound::onSoundFinished);
        mRandomPhase = false;
        playRandomSound(list);
    }
}

int Game::randomNumber()
{
    return mRandomSource ? mRandomSource() : std::rand();
}

void Game::deleteRandomSounds()
{
    // The shared wait would otherwise go off after the game has left and ask
    // for a list that is gone.
    mRandomTimer.stop();
    mRandomTimer.onAlarm.remove(mSpareRandomSound, &RandomSound::onSoundFinished);
    mRandomPhase = false;
    for (auto& list : mRandomSoundLists)
        for (unsigned long i = 0; i < list.second.sounds.size(); ++i)
            delete list.second.sounds[i];
    mRandomSoundLists.clear();
}

// ---------------------------------------------------------------------------
// Operations

void Game::addToScore(EGameScoreID points)
{
    mScore += points;
    KaPrintf("Updated score: %d\n", mScore);
}

void Game::addToBag(const KaString& id)
{
    if (mInventory.objectCount(id) != 0)
        return;
    countTakenObject(id);
    mInventory.addObject(id);
    mNotifier.push(mInventory.objectName(id), KaString("Inventory/Objects/") + id + ".png");
    mScore += 10;
    KaPrintf("Updated score: %d\n", mScore);
}

void Game::addToHand(const KaString& id)
{
    mInventory.addObject(id);
    mInventory.selectedObject(id);
}

bool Game::launchDialog(const KaString& key, unsigned int count, const KaString& character,
    const KaString& animation, float blend)
{
    const KaMap<KaString, KaILocData>& table = application.get()->locFile().table();
    auto entry = table.find(key);
    for (unsigned int i = 0; i < count; ++i, ++entry) {
        if (entry == table.end())
            return false;
        const KaString& name = entry->key;
        markDialogTold(name);
        mDialog.pushDialog(name, entry->value.value, name + ".ogg", character, animation, blend);
    }
    return true;
}

void Game::addArtworkUnlocked(KaString name, bool notify)
{
    auto found = mArtworks.find(name);
    if (found != mArtworks.end() && found->second)
        return;
    mArtworks[name] = true;
    if (notify)
        mNotifier.push(artworkNotice(name), "Inventory/Objects/VPapierCrayon.png");
}

// A bare "BONUS!" leaves the player guessing what was unlocked and where it
// is: the texts' "bonusUnlocked" says both, with "%s" standing for the
// artwork's own caption (the text named after the artwork). Content without
// those texts keeps the bare notice.
KaString Game::artworkNotice(const KaString& name) const
{
    const LocFile& texts = application.get()->locFile();
    const KaString* pattern = texts.value("bonusUnlocked");
    if (!pattern)
        return "BONUS!";
    const KaString* caption = texts.value(name);
    KaString notice = *pattern;
    notice.replace("%s", caption ? *caption : name, 1);
    return notice;
}

void Game::setCurrentObjectSprite(const KaPath& picture)
{
    KaSpriteLayout* sprite = mInGameGui.spriteLayout("currentObjectSprite");
    if (!sprite)
        return;
    if (picture.length() == 0)
        sprite->unload();
    else
        sprite->load(picture);
}

bool Game::setBackground(const KaString& file)
{
    return mScene3D.changeBackground(file);
}

bool Game::startAnimation(const KaString& sprite, int count, bool flag)
{
    KaSpriteLayout* layout = mScene3D.backgroundGui().spriteLayout(sprite);
    if (!layout)
        return false;
    layout->surface().frameAnim().setRepeatCount(static_cast<unsigned int>(count));
    // The flag plays the frames backwards.
    layout->surface().frameAnim().setReversed(flag);
    layout->play();
    return true;
}

bool Game::addAnimToSet(const KaPath& zoneAndScene)
{
    const KaArray<KaString> parts = KaString(zoneAndScene).split("/");
    if (parts.size() != 2 || parts[0].length() == 0 || parts[1].length() == 0)
        return false;
    KaDirectory folder;
    if (!folder.open(KaString("scenes/") + zoneAndScene + "/"))
        return false;
    const KaString& zone = parts[0];
    const KaString& scene = parts[1];
    mAnimSetGui.load(KaString("scenes/") + zone + "/" + scene + "/Set" + scene + ".lua");
    // The background's "root" may be a plain layout or a picture.
    KaLayout* target = mScene3D.backgroundGui().layout("root");
    KaSpriteLayout* sprite = findSpriteLayoutByName(mAnimSetGui.layout("root"), scene);
    if (!target || !sprite)
        return false;
    target->addChild(sprite);
    return true;
}

KaSpriteLayout* Game::findSpriteLayoutByName(KaILayout* parent, const KaString& name)
{
    return dynamic_cast<KaSpriteLayout*>(findLayoutByName(parent, name));
}

KaILayout* Game::findLayoutByName(KaILayout* parent, const KaString& name)
{
    if (!parent)
        return nullptr;
    for (unsigned long i = 0; i < parent->childCount(); ++i) {
        KaI3DObject2* child = parent->child(i);
        if (child && child->name() == name)
            return dynamic_cast<KaILayout*>(child);
    }
    return nullptr;
}

bool Game::playMovie(const KaString& video, const KaString& sound)
{
    KaSpriteLayout* sprite = mInGameGui.spriteLayout("video");
    KaButtonLayout* background = mInGameGui.buttonLayout("videoBackgroundButton");
    if (!sprite || !background)
        return false;
    Application* app = application.get();
    app->captureFade();
    sprite->load(video);
    if (sprite->surface().path() != KaPath(video) || !sprite->surface().isLoaded()) {
        // Nothing to show: the scene stays as it was.
        app->fade();
        return false;
    }
    background->setVisible(true);
    setVisible(mInGameGui.buttonLayout("skipVideoButton"), false);
    app->menuMusic().stop();
    mMovieSound.setChannelName("video");
    mMovieSound.load(sound);
    mMovieSound.repeat(false);
    mMovieSound.volume(1.0f);
    mSceneVisible = false;
    sprite->setVisible(true);
    mMovieSound.play();
    sprite->play();
    app->fade();
    return true;
}

void Game::pauseMovie()
{
    mMovieSound.pause();
    if (KaSpriteLayout* sprite = mInGameGui.spriteLayout("video"))
        sprite->pause();
}

void Game::resumeMovie()
{
    mMovieSound.play();
    if (KaSpriteLayout* sprite = mInGameGui.spriteLayout("video"))
        sprite->play();
}

void Game::finishGame()
{
    application.get()->setGameFinished(true);
    mPlayTimer.stop();
    enterCredits();
}

void Game::enterCredits() { application.get()->credits().enter(false); }

bool Game::onInventoryButtonValidated()
{
    mInventoryMenu.enter();
    return false;
}

bool Game::onSkipVideoButtonValidated()
{
    if (KaSpriteLayout* video = mInGameGui.spriteLayout("video"))
        video->stop();
    // A stopped video does not report an end of its own: without this the
    // movie's layers would stay up and its script would wait for ever.
    if (isMoviePlaying())
        onVideoFinished();
    setVisible(mInGameGui.buttonLayout("videoBackgroundButton"), false);
    return false;
}

bool Game::onLockVideoButtonValidated()
{
    if (KaButtonLayout* skip = mInGameGui.buttonLayout("skipVideoButton"))
        skip->setVisible(!skip->visible());
    return true;
}

bool Game::isMoviePlaying()
{
    KaButtonLayout* background = mInGameGui.buttonLayout("videoBackgroundButton");
    return background && background->visible();
}

bool Game::isDocumentOpened()
{
    return visibleLayout(mDocumentsBrowser.gui().layout("zoomed"));
}
