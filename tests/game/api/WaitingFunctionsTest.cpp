#include <gtest/gtest.h>

#include <string>

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "engine/script/KaLuaThread.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/YieldedCallback.h"
#include "game/game/Game.h"
#include "tests/game/api/ScriptApiSpies.h"
#include "tests/support/KaTestSupport.h"

#include <lauxlib.h>

namespace {

KaLuaScript* gScript = nullptr;

// An event as the game raises it: the first waiter for it goes on, else the
// script's global of the event's name runs.
void raise(const char* event, const char* param = nullptr)
{
    const KaString parameter(param ? param : "");
    if (resumeYieldedCallback(event, param ? &parameter : nullptr))
        return;
    if (param)
        gScript->execute(event, KaVariant(parameter));
    else
        gScript->execute(event);
}

class WaitingFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptApiSpies::install();
        yieldedCallbacks.clear();
        context.addBindings(LuaOpenBinds);
        script.attachToContext(context);
        gScript = &script;
        run("journal = ''\n"
            "function note(text) journal = journal .. text .. ';' end\n"
            "function OnFreeSoundFinished(file) note('global ' .. file) end\n"
            "function OnCharacterAnimationFinished(name) note('global anim ' .. name) end\n"
            "function OnWaitFinished() note('global wait') end\n");
    }
    void TearDown() override
    {
        yieldedCallbacks.clear();
        gScript = nullptr;
        context.destroy();
        resetExportedFunctionTargets();
    }

    void run(const char* code)
    {
        lua_State* state = context.luaState();
        ASSERT_EQ(LUA_OK, luaL_loadstring(state, code));
        ASSERT_EQ(LUA_OK, lua_pcall(state, 0, 0, 0)) << lua_tostring(state, -1);
    }

    std::string journal()
    {
        KaString value;
        context.global("journal", value);
        return value.c_str();
    }

    std::string waits()
    {
        std::string text;
        for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i)
            text += std::string(yieldedCallbacks[i].event.c_str()) + "(" + yieldedCallbacks[i].param1.c_str() + ","
                + yieldedCallbacks[i].param2.c_str() + ") ";
        return text;
    }

    KaLuaContext context;
    KaLuaScript script;
};

TEST_F(WaitingFunctionsTest, TheFirstMatchingWaitIsResumedInsteadOfTheGlobal)
{
    run("function Scene() note('start') PlaySoundAndWaitForEnd('door.ogg', 1) note('after door') end");
    script.execute("Scene");
    EXPECT_EQ("start;", journal());
    EXPECT_EQ("PlaySound00(\"door.ogg\", 1, 1)", ScriptApiSpies::joinedCalls()) << "the action starts first";
    ASSERT_EQ(1u, yieldedCallbacks.size());
    EXPECT_NE(nullptr, yieldedCallbacks[0].thread);
    EXPECT_EQ("OnFreeSoundFinished(door.ogg,) ", waits());

    raise("OnFreeSoundFinished", "bell.ogg");
    EXPECT_EQ("start;global bell.ogg;", journal()) << "another sound's end reaches the global";
    EXPECT_EQ(1u, yieldedCallbacks.size());

    raise("OnFreeSoundFinished", "door.ogg");
    EXPECT_EQ("start;global bell.ogg;after door;", journal()) << "the waiter goes on; the global is not called";
    EXPECT_EQ(0u, yieldedCallbacks.size());
}

TEST_F(WaitingFunctionsTest, EachWaitRecordsItsEventAndParameters)
{
    struct Case {
        const char* call;
        const char* record;
    };
    const Case cases[] = {
        { "PlayMovieAndWaitForEnd('intro.ogv', 'intro.ogg')", "OnMovieFinished(intro.ogv,) " },
        { "StartAnimationAndWaitForEnd('clock')", "OnFinishedAnim(clock,) " },
        { "LaunchDialogAndWaitForEnd('D_1', 2)", "OnDialogFinished(D_1,) " },
        { "PlaySoundAndWaitForEnd('a.ogg')", "OnFreeSoundFinished(a.ogg,) " },
        { "ShowDocumentAndWaitForEnd('letter')", "OnDocumentClosed(letter,) " },
        { "MoveCharacterToAndWaitForEnd('Bob', 'path', 0, 1)", "OnDisplacementFinished(,) " },
        { "MoveCharacterPlayerToAndWaitForEnd(1, 2, 3)", "OnDisplacementFinished(,) " },
        { "SetCharacterAnimationAndWaitForEnd('Mira', 'Wave.anim', false)",
            "OnCharacterAnimationFinished(Mira,Wave.anim) " },
        { "BlendCharacterAnimationAndWaitForEnd('Bob', 'Sit.anim', 0.5)",
            "OnCharacterAnimationFinished(Bob,Sit.anim) " },
        { "WaitAndWaitForEnd(2)", "OnWaitFinished(,) " },
    };
    for (const Case& c : cases) {
        yieldedCallbacks.clear();
        run((std::string("function Scene() ") + c.call + " end").c_str());
        script.execute("Scene");
        EXPECT_EQ(c.record, waits()) << c.call;
    }
    EXPECT_EQ("MoveCharacterPlayerTo00(1, 2, 3, false)", ScriptApiSpies::calls()[6]);
    // The threads of the waits left pending go with the context.
    yieldedCallbacks.clear();
}

TEST_F(WaitingFunctionsTest, ASecondIdenticalWaitIsReportedAndWaitsItsTurn)
{
    run("function A() PlaySoundAndWaitForEnd('door.ogg', 1) note('A') end\n"
        "function B() PlaySoundAndWaitForEnd('door.ogg', 1) note('B') end\n"
        "function C() SetCharacterAnimationAndWaitForEnd('Mira', 'Wave.anim') note('C') end\n"
        "function D() SetCharacterAnimationAndWaitForEnd('Mira', 'Sit.anim') note('D') end\n"
        "function E() MoveCharacterPlayerToAndWaitForEnd(1, 0, 1) note('E') end\n"
        "function F() MoveCharacterToAndWaitForEnd('Bob', 'path', 0, 1) note('F') end\n");
    KaCaptureStdout capture;
    script.execute("A");
    script.execute("B");
    script.execute("C");
    script.execute("D");
    script.execute("E");
    script.execute("F");
    EXPECT_EQ("PlaySoundAndWaitForEnd: Reentrency error, your are already in a yielded/sync function call\n"
              "MoveCharacterToAndWaitForEnd: Reentrency error, your are already in a yielded/sync function call\n",
        capture.text())
        << "animations compare both names; walks the event alone";
    EXPECT_EQ(6u, yieldedCallbacks.size());

    raise("OnFreeSoundFinished", "door.ogg");
    EXPECT_EQ("A;", journal()) << "the first record only";
    raise("OnFreeSoundFinished", "door.ogg");
    EXPECT_EQ("A;B;", journal());
    raise("OnDisplacementFinished");
    raise("OnDisplacementFinished");
    // A's record went to F, B's to E: the walks come back in that order.
    EXPECT_EQ("A;B;F;E;", journal());
    yieldedCallbacks.clear();
}

TEST_F(WaitingFunctionsTest, ResumingTakesTheRecordOutByMovingTheLastIntoItsPlace)
{
    run("function First() PlaySoundAndWaitForEnd('1.ogg', 1) note('first') end\n"
        "function Second() PlaySoundAndWaitForEnd('2.ogg', 1) note('second') end\n"
        "function Third() PlaySoundAndWaitForEnd('3.ogg', 1) note('third') end\n");
    script.execute("First");
    script.execute("Second");
    script.execute("Third");
    raise("OnFreeSoundFinished", "1.ogg");
    EXPECT_EQ("first;", journal());
    EXPECT_EQ("OnFreeSoundFinished(3.ogg,) OnFreeSoundFinished(2.ogg,) ", waits());
    yieldedCallbacks.clear();
}

TEST_F(WaitingFunctionsTest, AnAnimationEndResumesOnlyTheWaitOfItsCharacter)
{
    run("function Scene() SetCharacterAnimationAndWaitForEnd('Mira', 'Wave.anim', false) note('waved') end");
    script.execute("Scene");
    raise("OnCharacterAnimationFinished", "Bob");
    EXPECT_EQ("global anim Bob;", journal());
    raise("OnCharacterAnimationFinished", "Mira");
    EXPECT_EQ("global anim Bob;waved;", journal()) << "the animation's name is not compared";
    EXPECT_EQ(0u, yieldedCallbacks.size());
}

// An action whose end is raised while it starts, or that cannot start: the
// script goes on rather than wait for an event that has passed.
TEST_F(WaitingFunctionsTest, AnEventRaisedAtOnceLetsTheScriptGoOn)
{
    ScriptApiSpies::sideEffect() = [](const std::string& call) {
        if (call.rfind("PlaySound00", 0) == 0)
            raise("OnFreeSoundFinished", "broken.ogg");
        if (call.rfind("SetCharacterAnimation00", 0) == 0)
            abandonStartingWait("OnCharacterAnimationFinished", "Mira");
    };
    run("function Sound() PlaySoundAndWaitForEnd('broken.ogg', 1) note('sound over') end\n"
        "function Anim() SetCharacterAnimationAndWaitForEnd('Mira', 'Missing.anim') note('anim over') end\n");
    script.execute("Sound");
    EXPECT_EQ("global broken.ogg;sound over;", journal());
    script.execute("Anim");
    EXPECT_EQ("global broken.ogg;sound over;anim over;", journal());
    EXPECT_EQ(0u, yieldedCallbacks.size());
}

TEST_F(WaitingFunctionsTest, AWaitWhereTheScriptCannotYieldIsReported)
{
    KaCaptureStdout capture;
    // Straight on the context's own state: no script thread to suspend.
    run("WaitAndWaitForEnd(1) note('main')");
    // In a coroutine of the script's own.
    run("function Wrapped() coroutine.wrap(function() WaitAndWaitForEnd(2) end)() note('wrapped') end");
    script.execute("Wrapped");
    // Under a native function Lua cannot suspend.
    run("function Sorted() table.sort({ 2, 1 }, function(a, b) WaitAndWaitForEnd(3) return a < b end) "
        "note('never') end");
    script.execute("Sorted");
    const std::string text = capture.text();
    EXPECT_EQ("main;wrapped;", journal());
    EXPECT_EQ(0u, yieldedCallbacks.size()) << "no wait is left behind";
    EXPECT_NE(std::string::npos,
        text.find("WaitAndWaitForEnd: the script can't wait here (not one of the game's script threads); it goes on at "
                  "once\n"));
    EXPECT_NE(std::string::npos, text.find("KaLuaThread::yield: the script can't wait here")) << text;
    EXPECT_EQ("Wait00(1); Wait00(2); Wait00(3)", ScriptApiSpies::joinedCalls());
}

TEST_F(WaitingFunctionsTest, WrongArgumentsEndTheScriptWithoutAWait)
{
    KaCaptureStdout capture;
    run("function Scene() PlaySoundAndWaitForEnd('a.ogg', 'x') note('never') end");
    script.execute("Scene");
    EXPECT_NE(std::string::npos, capture.text().find("error in function 'PlaySoundAndWaitForEnd'."));
    EXPECT_EQ("", journal());
    EXPECT_EQ(0u, yieldedCallbacks.size());
    EXPECT_EQ("", ScriptApiSpies::joinedCalls());
}

} // namespace
