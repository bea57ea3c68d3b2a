#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <lua.hpp>

#include "engine/graphics/KaCamera.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/script/KaLuaThread.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/YieldedCallback.h"
#include "game/characters/Character.h"
#include "game/inventory/Cellphone.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

// The game in progress on the sample game.
class GameTest : public SampleGameTest {
protected:
    void newGame(bool greeting = false)
    {
        SampleGameTest::newGame(greeting);
        lua_register(game().luaContext().luaState(), "ChangeWarp", testChangeWarp);
    }
    // What the script API's warp does, kept here so that these tests drive
    // the game's scene change alone.
    static int testChangeWarp(lua_State* state)
    {
        application.get()->game().changeWarp(lua_tostring(state, 1), lua_tostring(state, 2), lua_toboolean(state, 3));
        return 0;
    }
};

TEST_F(GameTest, ANewGameBuildsTheFirstSceneWithThePlayer)
{
    newGame();
    Game& game = application.get()->game();
    EXPECT_TRUE(game.entered());
    EXPECT_TRUE(game.running());
    EXPECT_EQ(KaString("01"), game.zone());
    EXPECT_EQ(KaString("01010"), game.scene());
    EXPECT_EQ(KaString("scenes/01/01010"), game.scenePath());
    EXPECT_NE(std::string::npos, log.find("[Logic01010] enter from \n")) << log;
    EXPECT_NE(std::string::npos, log.find("[OnGameEnter] a new game begins")) << log;
    ASSERT_NE(nullptr, player());
    EXPECT_TRUE(player()->model()->visible());
    EXPECT_TRUE(game.scene3D().findMira());
    EXPECT_EQ(KaString("Camera01010"), game.scene3D().currentCameraName());
    // One hit object per button of the interaction GUI: the door, the
    // logbook and the clerk.
    ASSERT_EQ(3u, game.hitObjects().size());
    EXPECT_NE(nullptr, game.inGameGui().buttonLayout("inventoryButton"));
    EXPECT_NE(nullptr, game.noScaleLayout());
    // On top, the zones of the scene's Marker file (nothing drawn), then the
    // overlay layers.
    KaLayout& front = application.get()->layoutFront();
    ASSERT_GE(front.childCount(), 2u);
    EXPECT_EQ(front.child(front.childCount() - 1),
        static_cast<KaI3DObject2*>(game.scene3D().markersGui().layout("background")));
    EXPECT_EQ(front.child(front.childCount() - 2), static_cast<KaI3DObject2*>(game.noScaleLayout2()));
    EXPECT_EQ(0, game.backupState());
}

TEST_F(GameTest, AClickWalksThePlayerAndTheArrivalReachesTheScript)
{
    newGame();
    Game& game = application.get()->game();
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    ASSERT_NE(nullptr, player()->freeMoveZone());
    lua("local arrived = OnDisplacementFinished\n"
           "OnDisplacementFinished = function() print('[test] arrived') arrived() end\n");
    const KaVector3f32 target(60, 0, 200);
    click(screenOf(target));
    EXPECT_NE(std::string::npos, log.find("[Logic01010] click")) << log;
    EXPECT_FALSE(game.playerArrived());
    EXPECT_NEAR(target.x, posPlayer.x, 25.0f);
    EXPECT_NEAR(target.z, posPlayer.z, 25.0f);
    ASSERT_TRUE(framesUntil("[test] arrived", 600)) << log;
    EXPECT_TRUE(game.playerArrived());
    const KaVector3f32 at = player()->model()->position();
    EXPECT_NEAR(target.x, at.x, 25.0f);
    EXPECT_NEAR(target.z, at.z, 25.0f);
    // The arrival puts the player back on its idle animation.
    EXPECT_EQ(KaString(player()->settings().walk.animationFileName), player()->curAnimName());
}

TEST_F(GameTest, AWalkToAPointIsPlannedWithItsStopButEndsWithoutIt)
{
    newGame();
    Game& game = application.get()->game();
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    lua("MoveCharacterPlayerAtTo(60, 0, 200)");
    ASSERT_NE(nullptr, player()->curve().get());
    EXPECT_EQ(game.scene3D().clickPath().get(), player()->curve().get());
    EXPECT_TRUE(player()->noEndAnim());
    EXPECT_FALSE(game.playerArrived());
    EXPECT_EQ(player()->walkAnim(Character::start), player()->curAnimName());
    // The loop cycles fit the way they do for a walk with its stop.
    const float ratio = player()->speedRatio();
    const unsigned int endFrame = player()->endFrame();
    player()->walkTo(1.0f, true);
    EXPECT_NE(ratio, player()->speedRatio()) << "planned without the stop, the walk would differ";
    player()->walkTo(1.0f, false);
    EXPECT_FLOAT_EQ(ratio, player()->speedRatio());
    EXPECT_EQ(endFrame, player()->endFrame());
    player()->setNoEndAnim(true);

    // And it ends without a stopping animation.
    bool stopped = false;
    for (int i = 0; i < 600 && log.find("[Logic01010] arrived") == std::string::npos; ++i) {
        frame();
        stopped = stopped || player()->isWalkEnd();
    }
    EXPECT_NE(std::string::npos, log.find("[Logic01010] arrived")) << log;
    EXPECT_FALSE(stopped);
    EXPECT_FALSE(player()->noEndAnim());
}

// The input is held while anything on screen waits for the player.
TEST_F(GameTest, ThePadIsLockedWhileSomethingHoldsTheInput)
{
    newGame();
    Game& game = application.get()->game();
    Application* app = application.get();
    EXPECT_FALSE(app->isLockPad());
    struct Case {
        const char* name;
        KaLayout* layout; // shown, then hidden again
    };
    const Case cases[] = {
        { "answer choices", game.question().gui().layout("background") },
        { "movie", game.inGameGui().buttonLayout("videoBackgroundButton") },
        { "open document", game.documentsBrowser().gui().layout("zoomed") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(nullptr, c.layout);
        const bool was = c.layout->visible();
        c.layout->setVisible(true);
        EXPECT_TRUE(app->isLockPad());
        c.layout->setVisible(was);
        EXPECT_FALSE(app->isLockPad());
    }
    captured([&] { app->lockCursor(true); });
    EXPECT_TRUE(app->isLockPad());
    captured([&] { app->lockCursor(false); });
    EXPECT_FALSE(app->isLockPad());
    captured([&] { game.launchDialog("01020_MI_1", 1, "", "", 0.0f); });
    frame();
    EXPECT_TRUE(game.dialog().isDialogPlaying());
    EXPECT_TRUE(app->isLockPad());
}

TEST_F(GameTest, AClickWithoutAPathLeavesThePlayerWhereItIs)
{
    newGame();
    // No walkable zone: nowhere to go, and no earlier path is walked.
    player()->setFreeMoveZone(nullptr);
    const KaVector3f32 before = player()->model()->position();
    click(screenOf(KaVector3f32(60, 0, 200)));
    frames(30);
    EXPECT_EQ(before, player()->model()->position());
    EXPECT_TRUE(application.get()->game().playerArrived());

    // On its zone, a click far outside the ground has no path either.
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    const KaVector3f32 placed = player()->model()->position();
    click(KaVector2s32(320, 2));
    frames(30);
    EXPECT_EQ(placed, player()->model()->position());
}

TEST_F(GameTest, AQuickSecondClickRunsAndTheSameSpotLaterIsIgnored)
{
    newGame();
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    const KaVector2s32 spot = screenOf(KaVector3f32(100, 0, 250));
    click(spot);
    EXPECT_EQ(KaString("Walk"), player()->walkMode());
    advance(200);
    click(screenOf(KaVector3f32(120, 0, 260)));
    EXPECT_EQ(KaString("Jog"), player()->walkMode());

    // A release on the spot of the previous one, once the double-click
    // window has passed, is dropped before anything happens.
    const std::string before = log;
    advance(400);
    click(screenOf(KaVector3f32(120, 0, 260)));
    EXPECT_EQ(before.size(), log.size()) << log.substr(before.size());
}

TEST_F(GameTest, AHitMeshRaisesItsEventOnlyWhileThePlayerStands)
{
    newGame();
    Game& game = application.get()->game();
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    lua("OnWarpObjectHit = function(name) print('[test] hit ' .. name) end\n");
    // A mesh a script made blocking is hit rather than walked to.
    game.scene3D().addBlockingObject("ClicLogbook");
    // The logbook's mesh, clicked past the GUI: straight to the game.
    const KaVector2s32 logbook = screenOf(KaVector3f32(165, 85, 367));
    inputMgr.get()->setMouseRawPosition(logbook, 0);
    {
        KaCaptureStdout console;
        game.onMouseClick(0);
        log += console.text();
    }
    EXPECT_NE(std::string::npos, log.find("[test] hit ClicLogbook")) << log;

    // Walking, the same click walks on and hits nothing.
    log.clear();
    click(screenOf(KaVector3f32(60, 0, 200)));
    frames(3);
    ASSERT_FALSE(game.playerArrived());
    advance(500);
    inputMgr.get()->setMouseRawPosition(logbook, 0);
    {
        KaCaptureStdout console;
        game.onMouseClick(0);
        log += console.text();
    }
    EXPECT_EQ(std::string::npos, log.find("[test] hit")) << log;
}

TEST_F(GameTest, AWarpLeavesTheSceneAndEntersTheNextOne)
{
    newGame();
    Game& game = application.get()->game();
    lua("OnLeave = function() print('[test] leave ' .. tostring(OnWarpObjectHit ~= nil)) end\n"
           "OnButtonDown = function() end\n"
           "CustomGlobal = 1\n");
    log.clear();
    lua("ChangeWarp('01', '01020', false)");
    EXPECT_TRUE(game.warpPending());
    frame();
    EXPECT_FALSE(game.warpPending());
    // A click while the new scene fades in is swallowed.
    EXPECT_TRUE(application.get()->isFading());
    EXPECT_TRUE(game.onMouseClick(0));
    EXPECT_NE(std::string::npos, log.find("[test] leave true")) << log;
    EXPECT_NE(std::string::npos, log.find("[Logic01020] enter from 01010")) << log;
    EXPECT_EQ(KaString("01020"), game.scene());
    EXPECT_EQ(KaString("01010"), game.previousScene());
    EXPECT_EQ(KaString("Camera01020"), game.scene3D().currentCameraName());
    EXPECT_TRUE(game.scene3D().findMira());
    ASSERT_EQ(2u, game.hitObjects().size());
    // The old scene's event globals went; the others stay.
    EXPECT_FALSE(game.luaContext().global("OnButtonDown").isValid());
    int custom = 0;
    EXPECT_TRUE(game.luaContext().global("CustomGlobal", custom));
    EXPECT_EQ(1, custom);

    // And back: the office knows where the player came from.
    log.clear();
    lua("ChangeWarp('01', '01010', true)");
    frame();
    EXPECT_NE(std::string::npos, log.find("[Logic01010] enter from 01020")) << log;
    // A call dialled in the office is not the quay's to answer.
    log.clear();
    captured([&] { game.onCallNumber("5550142"); });
    EXPECT_EQ(std::string::npos, log.find("[Logic01020]")) << log;
    bool called = false;
    EXPECT_FALSE(game.luaContext().global("calledHarbourMaster", called));
}

TEST_F(GameTest, AWarpToAMissingSceneKeepsTheCurrentOnePlayable)
{
    newGame();
    Game& game = application.get()->game();
    log.clear();
    lua("ChangeWarp('01', '09999', false)");
    frame();
    EXPECT_NE(std::string::npos, log.find("[Game::changeWarp2] Can't find the scene scenes/01/09999\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("[Logic01010] leave")) << log;
    EXPECT_EQ(KaString("01010"), game.scene());
    EXPECT_EQ(3u, game.hitObjects().size());
    EXPECT_NE(nullptr, game.scene3D().background());
    // The scene's script still answers.
    placePlayer("Zone01010", KaVector3f32(-100, 0, 150));
    frames(30);
    click(screenOf(KaVector3f32(60, 0, 200)));
    EXPECT_NE(std::string::npos, log.find("[Logic01010] click")) << log;
}

// A scene of the sample game's zone written for the test into the build's
// content, removed again at the end.
class GameSceneScriptTest : public GameTest {
protected:
    void TearDown() override
    {
        for (const char* file : { "Set09990.lua", "Logic09990.lua" })
            std::remove((std::string(KA_RESOURCES_DIR) + "/scenes/01/09990/" + file).c_str());
        rmdir((std::string(KA_RESOURCES_DIR) + "/scenes/01/09990").c_str());
        GameTest::TearDown();
    }
    static void write(const char* file, const char* text)
    {
        const std::string folder = std::string(KA_RESOURCES_DIR) + "/scenes/01/09990";
        mkdir(folder.c_str(), 0755);
        FILE* out = std::fopen((folder + "/" + file).c_str(), "wb");
        ASSERT_NE(nullptr, out);
        std::fputs(text, out);
        std::fclose(out);
    }
    static size_t count(const std::string& text, const std::string& part)
    {
        size_t found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found;
    }
};

TEST_F(GameSceneScriptTest, ASceneWhoseScriptIsMissingOrBrokenSaysSoOnceNotAtEveryEvent)
{
    struct Case {
        const char* what;
        const char* logic; // null: no Logic file
        const char* line;
    };
    const Case cases[] = {
        { "missing", nullptr, "[Game::initWarp] The scene's script scenes/01/09990/Logic09990.lua is missing" },
        { "does not compile", "function OnEnter( broken",
            "[Game::initWarp] The scene's script scenes/01/09990/Logic09990.lua failed to load" },
        { "raises an error", "function OnEnter() end\nerror('no')\n",
            "[Game::initWarp] The scene's script scenes/01/09990/Logic09990.lua failed to load" },
    };
    newGame();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write("Set09990.lua", "");
        if (c.logic)
            write("Logic09990.lua", c.logic);
        else
            std::remove((std::string(KA_RESOURCES_DIR) + "/scenes/01/09990/Logic09990.lua").c_str());
        log.clear();
        {
            KaCaptureStdout console;
            application.get()->game().changeWarp("01", "09990", false);
            log += console.text();
        }
        frame();
        captured([] {
            Game& game = application.get()->game();
            for (int i = 0; i < 3; ++i) {
                game.onDialogFinished("01010_KA_1");
                game.onAnswered("01010_ANS_TIDE");
                game.onCallNumber("5550142");
            }
        });
        EXPECT_EQ(1u, count(log, c.line)) << log;
        EXPECT_EQ(0u, count(log, "n'existe pas")) << log;
        // Back to a scene with its script: the events reach it again.
        log.clear();
        {
            KaCaptureStdout console;
            application.get()->game().changeWarp("01", "01010", false);
            log += console.text();
        }
        frames(2);
        EXPECT_NE(std::string::npos, log.find("[Logic01010] enter from 09990")) << log;
    }
}

TEST_F(GameTest, APendingWarpFrameDoesNothingElse)
{
    newGame();
    Game& game = application.get()->game();
    lua("Update = function() print('[test] update') end\n");
    frame();
    EXPECT_NE(std::string::npos, log.find("[test] update")) << log;
    lua("ChangeWarp('01', '01020', false)");
    log.clear();
    frame();
    EXPECT_EQ(std::string::npos, log.find("[test] update")) << log;
    EXPECT_EQ(KaString("01020"), game.scene());
}

TEST_F(GameTest, AnEventResumesTheFirstWaitingScriptInsteadOfTheGlobal)
{
    newGame();
    Game& game = application.get()->game();
    lua("OnDialogFinished = function(name) print('[test] global ' .. name) end\n"
           "OnCellDialogFinished = function(name) print('[test] cell ' .. name) end\n"
           "function WaitFor(tag, name) TestWaitForEvent('OnDialogFinished', name) print('[test] resumed ' .. tag) end\n");
    game.script().execute("WaitFor", KaVariant(KaString("first")), KaVariant(KaString("line1")));
    game.script().execute("WaitFor", KaVariant(KaString("second")), KaVariant(KaString("line1")));
    ASSERT_EQ(2u, yieldedCallbacks.size());
    log.clear();
    {
        KaCaptureStdout console;
        game.onDialogFinished("line1");
        log += console.text();
    }
    EXPECT_EQ("[test] resumed first\n", log);
    log.clear();
    {
        KaCaptureStdout console;
        game.onDialogFinished("line2");
        log += console.text();
    }
    EXPECT_EQ("[test] global line2\n[test] cell line2\n", log);
    EXPECT_EQ(1u, yieldedCallbacks.size());
}

TEST_F(GameTest, LeavingDropsTheWaitsOfTheClosedGame)
{
    newGame();
    Game& game = application.get()->game();
    lua("function WaitForWait() TestWaitForEvent('OnWaitFinished') print('[test] resumed') end\n");
    game.script().execute("WaitForWait");
    ASSERT_EQ(1u, yieldedCallbacks.size());

    // Quit to the menu, then a new game: the same event finds no thread of
    // the closed state.
    game.setRequestMainMenu(true);
    frame();
    EXPECT_FALSE(game.entered());
    EXPECT_NE(std::string::npos, log.find("[Application] main menu")) << log;
    EXPECT_TRUE(yieldedCallbacks.isEmpty());
    {
        KaCaptureStdout console;
        application.get()->startGame(true, EApplicationDifficultyDefault);
        log += console.text();
    }
    frame();
    ASSERT_TRUE(game.entered());
    EXPECT_EQ(KaString("01010"), game.scene());
    log.clear();
    EXPECT_FALSE(resumeYieldedCallback("OnWaitFinished", nullptr));
    frame();
    EXPECT_EQ(std::string::npos, log.find("[test] resumed")) << log;
}

TEST_F(GameTest, NoSceneScriptRunsOnceTheGameIsBeingLeft)
{
    newGame();
    Game& game = application.get()->game();
    lua("OnFreeSoundFinished = function(name) print('[test] sound ' .. name) end\n"
           "OnSelectedObject = function(name) print('[test] selected ' .. name) end\n");
    game.leave(false);
    log.clear();
    {
        KaCaptureStdout console;
        game.raiseSelectedObject("Logbook");
        game.raiseDocumentClosed("Logbook");
        game.onDialogFinished("line1");
        log += console.text();
    }
    EXPECT_EQ("", log);
    // Frames of a left game do nothing, and drawing draws nothing.
    frame();
    EXPECT_FALSE(game.running());
}


TEST_F(GameTest, OpeningTheSatchelDuringAScriptedWalkEndsTheWalkForItsScript)
{
    newGame();
    Game& game = application.get()->game();
    lua("function WalkThenSay() MoveCharacterPlayerToAndWaitForEnd(160, 0, 290) print('[test] walk over') end\n");
    game.script().execute("WalkThenSay");
    frames(5);
    ASSERT_FALSE(game.playerArrived());
    ASSERT_EQ(1u, yieldedCallbacks.size());
    log.clear();
    {
        KaCaptureStdout console;
        game.onInventoryButtonValidated();
        log += console.text();
    }
    EXPECT_NE(std::string::npos, log.find("[test] walk over")) << log;
    EXPECT_TRUE(yieldedCallbacks.isEmpty());
    EXPECT_TRUE(game.playerArrived());
    const KaVector3f32 stopped = player()->model()->position();
    frames(30);
    EXPECT_EQ(stopped, player()->model()->position());
}

TEST_F(GameTest, AGameEnteredStartsWithoutThePreviousGamesTasks)
{
    newGame();
    Game& game = application.get()->game();
    lua("PushTask('help.tides.title', 'help.tides.board')");
    ASSERT_FALSE(game.objectif().tasks().isEmpty());
    game.setRequestMainMenu(true);
    frame();
    ASSERT_FALSE(game.entered());
    {
        KaCaptureStdout console;
        application.get()->startGame(true, EApplicationDifficultyDefault);
        log += console.text();
    }
    EXPECT_TRUE(game.objectif().tasks().isEmpty());
}

// The notepad's button belongs to the game: the main menu shows none, and a
// game left with the notepad open (or its button clicked on the menu) starts
// the next one with the notepad closed, so that it covers none of the first
// scene's choices.
TEST_F(GameTest, TheNotepadIsClosedOnTheMenuAndAtTheNextGamesStart)
{
    newGame();
    Game& game = application.get()->game();
    KaButtonLayout* button = game.objectif().helpGui().buttonLayout("helpButton");
    KaLayout* panel = game.objectif().gui().layout("background");
    ASSERT_NE(button, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(button->worldVisible());
    EXPECT_FALSE(panel->visible());
    // Open, then leave for the main menu.
    captured([&] { game.objectif().onHelpButtonValidated(); });
    ASSERT_TRUE(panel->visible());
    game.setRequestMainMenu(true);
    frame();
    ASSERT_FALSE(game.entered());
    EXPECT_FALSE(button->worldVisible());
    EXPECT_FALSE(panel->worldVisible());
    // Whatever reaches it on the menu, the next game starts closed.
    captured([&] { game.objectif().onHelpButtonValidated(); });
    captured([] { application.get()->startGame(true, EApplicationDifficultyDefault); });
    frames(3);
    EXPECT_TRUE(button->worldVisible());
    EXPECT_FALSE(panel->visible());
    EXPECT_FALSE(game.objectif().isMouseIn(KaVector2s32(320, 240)));
}

// The sample game played through its scripts, the script functions and the
// panels: the clerk's greeting and a choice, the logbook read and taken, the
// door to the quay, the tide table with its number, a call, the satchel.
TEST_F(GameTest, TheSampleStoryPlaysThroughTheScriptsAndPanels)
{
    newGame(true);
    Game& game = application.get()->game();
    ASSERT_NE(nullptr, game.scene3D().character("Ansel"));
    ASSERT_EQ(1u, game.objectif().tasks().size());
    // The three greeting lines, then the choice.
    for (int i = 0; i < 1200 && game.question().answers().size() < 3; ++i)
        frame();
    ASSERT_EQ(3u, game.question().answers().size()) << log;

    // Asking about the logbook: the clerk answers and hands over a key; the
    // two other answers come back.
    log.clear();
    Question2::Answer* logbook = game.question().answers()[1];
    ASSERT_EQ(KaString("01010_ANS_LOGBOOK"), logbook->id());
    {
        KaCaptureStdout console;
        game.question().onAnswerValidated(*logbook);
        log += console.text();
    }
    for (int i = 0; i < 600 && game.inventory().objectCount("BrassKey") == 0; ++i)
        frame();
    EXPECT_EQ(1u, game.inventory().objectCount("BrassKey")) << log;
    EXPECT_EQ(10, game.score());
    ASSERT_EQ(2u, game.question().answers().size());
    game.question().leave();

    // The logbook: walked to, read, taken, and the next task once the moment
    // at the desk has passed.
    log.clear();
    frames(30);
    Game::HitObject* logbookHit = nullptr;
    Game::HitObject* door = nullptr;
    for (Game::HitObject* hit : game.hitObjects()) {
        if (hit->name == "ClicLogbook")
            logbookHit = hit;
        if (hit->name == "ClicDoor01010")
            door = hit;
    }
    ASSERT_NE(nullptr, logbookHit);
    ASSERT_NE(nullptr, door);
    {
        KaCaptureStdout console;
        logbookHit->OnValidated();
        log += console.text();
    }
    ASSERT_TRUE(framesUntil("next: the tide table on the quay", 900)) << log;
    EXPECT_EQ(1u, game.inventory().objectCount("Logbook"));
    EXPECT_EQ(2u, game.objectif().tasks().size());

    // Out through the door to the quay.
    log.clear();
    {
        KaCaptureStdout console;
        door->OnValidated();
        log += console.text();
    }
    ASSERT_TRUE(framesUntil("[Logic01020] enter from 01010", 900)) << log;
    frames(30);

    // The tide table is behind glass: with empty hands the case stays shut
    // and the objectives say what opens it.
    log.clear();
    Game::HitObject* table = nullptr;
    for (Game::HitObject* hit : game.hitObjects())
        if (hit->name == "ClicTideTable")
            table = hit;
    ASSERT_NE(nullptr, table);
    {
        KaCaptureStdout console;
        table->OnValidated();
        log += console.text();
    }
    ASSERT_TRUE(framesUntil("[Logic01020] the case stays shut: help.tides.use", 900)) << log;
    EXPECT_EQ(std::string::npos, log.find("high water")) << log;
    bool hinted = false;
    for (const auto& task : game.objectif().tasks())
        hinted = hinted || task.subName == "help.tides.use";
    EXPECT_TRUE(hinted) << "the key is in the satchel: the hint is to hold it";
    EXPECT_EQ(1u, game.inventory().objectCount("BrassKey"));

    // Holding the clerk's key opens it: the key stays in the lock, the tide
    // table gives the harbour master's number; calling it ends the last task.
    frames(10);
    log.clear();
    game.inventory().selectedObject(KaString("BrassKey"));
    {
        KaCaptureStdout console;
        table->OnValidated();
        log += console.text();
    }
    ASSERT_TRUE(framesUntil("high water at 21:40", 900)) << log;
    EXPECT_NE(std::string::npos, log.find("[Logic01020] the key opens the case")) << log;
    EXPECT_EQ(0u, game.inventory().objectCount("BrassKey"));
    EXPECT_EQ(KaString(), game.inventory().selectedObject());
    Cellphone* phone = game.inventory().cellphone();
    ASSERT_NE(nullptr, phone);
    ASSERT_EQ(1u, phone->numbers().size());
    {
        KaCaptureStdout console;
        phone->onCallNumberValidated();
        log += console.text();
    }
    // The call is heard to its end, its lines one after the other (the
    // last one is the one the script waits for).
    ASSERT_TRUE(framesUntil("the harbour master will be back at high water", 2400)) << log;
    for (const char* line : { "01020_CAL_1", "01020_CAL_2", "01020_CAL_3" })
        EXPECT_NE(std::string::npos, log.find(std::string("line told: ") + line)) << line;

    // The satchel opens the belongings on the inventory tab.
    game.onInventoryButtonValidated();
    EXPECT_TRUE(game.inventory().visible());
    EXPECT_EQ(2u, game.inventory().objects().size()) << "the logbook and the tide table";

    // A moment on the quay after the call, and the story ends in the
    // credits over the main menu.
    ASSERT_TRUE(framesUntil("[Logic01020] the end", 400)) << log;
    frames(2);
    EXPECT_FALSE(game.entered());
    EXPECT_TRUE(application.get()->credits().entered());
}

#endif

// Without the player's model the game cannot start: back to the menus.
TEST_F(ApplicationFrameTest, AGameWithoutItsPlayerReturnsToTheMainMenu)
{
    start();
    {
        KaCaptureStdout console;
        application.get()->splashScreens().onQuitSplash();
        application.get()->mainMenu().onNewGameButtonValidated();
        application.get()->mainMenu().tutorialQuestion().onYes();
        log += console.text();
    }
    frame();
    EXPECT_NE(std::string::npos, log.find("[Game::enter] Can't load player character\n")) << log;
    EXPECT_NE(std::string::npos, log.find("[Application] main menu\n")) << log;
    Game& game = application.get()->game();
    EXPECT_FALSE(game.entered());
    EXPECT_FALSE(game.running());
    EXPECT_FALSE(game.requestMainMenu());
    frame();
}
