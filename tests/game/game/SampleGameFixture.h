#ifndef SAMPLE_GAME_FIXTURE_H
#define SAMPLE_GAME_FIXTURE_H

#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>

#include "engine/graphics/KaCamera.h"
#include "engine/script/KaLuaThread.h"
#include "game/api/YieldedCallback.h"
#include "game/characters/Character.h"
#include "tests/game/ApplicationTestFixture.h"

#ifdef KA_RESOURCES_DIR

// A wait of the kind the waiting script functions make, for any event: the
// calling script is suspended until the event (and its first parameter,
// when given) comes.
inline int sampleGameWaitForEvent(lua_State* state)
{
    YieldedCallback record;
    record.thread = KaLuaThread::threadFromState(state);
    record.event = lua_tostring(state, 1);
    if (lua_gettop(state) >= 2)
        record.param1 = lua_tostring(state, 2);
    yieldedCallbacks.pushBack(record);
    return lua_yield(state, 0);
}

// The sample game entered as a player does, with the offscreen GL context,
// the fake clock and the null sound device: the splash skipped, a new game
// from the main menu, its first frame building the office (scene "01010").
// Scripts get "TestWaitForEvent" (event, param) besides the script API.
class SampleGameTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        writeOptions("<?xml version=\"1.0\" ?>\n<DebugResolution x=\"640\" y=\"480\" />\n"
                     "<DebugFullScreen value=\"0\" />\n");
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        yieldedCallbacks.clear();
    }
    void TearDown() override
    {
        yieldedCallbacks.clear();
        ApplicationTest::TearDown();
    }

    void start()
    {
        KaCaptureStdout console;
        application.get();
        mainWindow.get()->create();
        mainWindow.get()->setSize(KaVector3f32(640, 480, 100));
        renderer.get()->init();
        application.get()->create();
        log += console.text();
    }
    // Unless asked for, the clerk's greeting is taken as heard, so that the
    // scene is free to click from the start.
    void newGame(bool greeting = false)
    {
        start();
        captured([] {
            application.get()->splashScreens().onQuitSplash();
            application.get()->mainMenu().onNewGameButtonValidated();
            application.get()->mainMenu().tutorialQuestion().onYes();
        });
        if (!greeting)
            game().luaContext().setGlobal("metAnsel", true);
        frame();
        // The screen change's fade takes the clicks while it runs.
        for (int i = 0; i < 60 && application.get()->isFading(); ++i)
            frame();
        lua_State* state = game().luaContext().luaState();
        ASSERT_NE(nullptr, state);
        lua_register(state, "TestWaitForEvent", sampleGameWaitForEvent);
    }

    Game& game() { return application.get()->game(); }
    Character* player() { return game().scene3D().player(); }

    void frame()
    {
        KaCaptureStdout console;
        advance(17);
        application.get()->run();
        log += console.text();
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i)
            frame();
    }
    // Until the console shows that text (at most count frames).
    bool framesUntil(const std::string& text, int count)
    {
        for (int i = 0; i < count && log.find(text) == std::string::npos; ++i)
            frame();
        return log.find(text) != std::string::npos;
    }
    // Runs Lua in the game's state; its output goes to the log.
    void lua(const char* code)
    {
        KaCaptureStdout console;
        lua_State* state = game().luaContext().luaState();
        ASSERT_NE(nullptr, state);
        const int failed = luaL_dostring(state, code);
        log += console.text();
        ASSERT_EQ(0, failed) << lua_tostring(state, -1);
    }
    // Runs a global function of the scene script in a Lua thread, as the
    // game runs its events.
    void run(const char* function)
    {
        KaCaptureStdout console;
        game().script().execute(function);
        log += console.text();
    }
    template <class F> void captured(F action)
    {
        KaCaptureStdout console;
        action();
        log += console.text();
    }
    // A release of the left button at that pixel, as the host reports it.
    void click(const KaVector2s32& pixel)
    {
        captured([&] {
            KaInputMgr* input = inputMgr.get();
            input->setMouseRawPosition(pixel, 0);
            input->setMouseLeft(true, 0);
            input->setMouseLeft(false, 0);
        });
    }
    KaVector2s32 screenOf(const KaVector3f32& world)
    {
        const KaVector2f32 p = game().scene3D().currentCamera()->projectPoint(world);
        return KaVector2s32(static_cast<int>(p.x), static_cast<int>(p.y));
    }
    void placePlayer(const char* zone, const KaVector3f32& position)
    {
        captured([&] { game().scene3D().setPositionCharacter("Mira", zone, position); });
    }

    KaGLTestContext gl { 640, 480 };
    std::string log;
};

#endif

#endif
