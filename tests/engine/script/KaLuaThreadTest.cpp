#include <gtest/gtest.h>

#include <lauxlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "engine/script/KaLuaThread.h"
#include "tests/support/KaTestSupport.h"

namespace {

// The game's pending waits, reduced to the threads that wait.
std::vector<KaLuaThread*> gWaiting;

// Suspends the calling script until the test resumes it.
int Wait(lua_State* state)
{
    KaLuaThread* thread = KaLuaThread::threadFromState(state);
    if (!thread)
        return luaL_error(state, "Wait outside of a script thread");
    gWaiting.push_back(thread);
    return thread->yield();
}

// Resumes the oldest waiting thread from inside a running one.
int ResumeOldest(lua_State* state)
{
    (void)state;
    if (gWaiting.empty())
        return 0;
    KaLuaThread* thread = gWaiting.front();
    gWaiting.erase(gWaiting.begin());
    thread->resume(KaVariant("nested"));
    return 0;
}

// The game as a script may end it: closing its context, or dropping it whole.
std::unique_ptr<KaLuaContext> gGame;

int CloseGame(lua_State*)
{
    gGame->destroy();
    return 0;
}

int DropGame(lua_State*)
{
    gGame.reset();
    return 0;
}

class KaLuaThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gWaiting.clear();
        threadsBefore = KaLuaThread::mThreadList.size();
        open(context);
        script.attachToContext(context);
    }

    void TearDown() override
    {
        gWaiting.clear();
        context.destroy();
        EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
    }

    static void open(KaLuaContext& target)
    {
        target.registerCFunction("Wait", Wait);
        target.registerCFunction("ResumeOldest", ResumeOldest);
    }

    void run(const char* code)
    {
        lua_State* state = context.luaState();
        ASSERT_EQ(LUA_OK, luaL_loadstring(state, code));
        ASSERT_EQ(LUA_OK, lua_pcall(state, 0, 0, 0)) << lua_tostring(state, -1);
    }

    std::string text(const char* name)
    {
        KaString value;
        context.global(name, value);
        return value.c_str();
    }

    // Resumes and forgets the oldest wait.
    void resumeOldest()
    {
        ASSERT_FALSE(gWaiting.empty());
        KaLuaThread* thread = gWaiting.front();
        gWaiting.erase(gWaiting.begin());
        thread->resume();
    }

    unsigned long threadsBefore = 0;
    KaLuaContext context;
    KaLuaScript script;
};

TEST_F(KaLuaThreadTest, MissingFunctionsAreReportedUnlessPerFrame)
{
    KaCaptureStdout capture;
    script.execute("OnClick", KaVariant(1), KaVariant(2), KaVariant(3));
    script.execute("Update");
    script.execute("UpdateHelp", KaVariant(true));
    EXPECT_EQ("[KaLuaThread::Execute] La fonction : \"OnClick\" n'existe pas.\n", capture.text());
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size()) << "no thread object left behind";
    EXPECT_EQ(0, lua_gettop(context.luaState()));

    // A thread kept by its owner: the failed lookup leaves its stack as it was.
    KaLuaThread* thread = KaLuaThread::create(context);
    ASSERT_NE(nullptr, thread);
    KaCaptureStdout quiet;
    thread->execute("UpdateScene", KaVariant(1), KaVariant(2), KaVariant(3));
    EXPECT_EQ(0, lua_gettop(thread->luaState()));
    EXPECT_EQ(0, thread->status());
    thread->release();
    EXPECT_EQ("", quiet.text());
}

TEST_F(KaLuaThreadTest, ARunThatWaitsIsResumedLaterFromTheEngine)
{
    run("function OnUse(object, count, ratio)"
        "  log = object .. ':' .. count .. ':' .. ratio"
        "  local answer = Wait()"
        "  log = log .. ' ' .. tostring(answer)"
        "  Wait()"
        "  log = log .. ' end'"
        "end");
    script.execute("OnUse", KaVariant("key"), KaVariant(3), KaVariant(0.5));
    EXPECT_EQ("key:3:0.5", text("log"));
    ASSERT_EQ(1u, gWaiting.size());
    KaLuaThread* thread = gWaiting[0];
    EXPECT_EQ(threadsBefore + 1, KaLuaThread::mThreadList.size());
    EXPECT_EQ(thread, KaLuaThread::threadFromState(thread->luaState()));
    EXPECT_EQ(LUA_YIELD, thread->status());
    EXPECT_TRUE(thread->released());
    EXPECT_EQ(nullptr, KaLuaThread::threadFromState(context.luaState())) << "the main state is no thread";

    gWaiting.clear();
    thread->resume(KaVariant(true));
    EXPECT_EQ("key:3:0.5 true", text("log"));
    EXPECT_EQ(threadsBefore + 1, KaLuaThread::mThreadList.size()) << "waiting again";
    ASSERT_EQ(1u, gWaiting.size());
    resumeOldest();
    EXPECT_EQ("key:3:0.5 true end", text("log"));
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size()) << "the finished run deleted itself";
}

TEST_F(KaLuaThreadTest, AResumedThreadResumesAnother)
{
    run("log = ''"
        "function First() log = log .. 'a1 ' ; local r = Wait() ; log = log .. 'a2:' .. r .. ' ' end "
        "function Second() log = log .. 'b1 ' ; Wait() ; log = log .. 'b2 ' ; ResumeOldest() ; log = log .. 'b3 ' end");
    script.execute("First");
    script.execute("Second");
    ASSERT_EQ(2u, gWaiting.size());
    KaLuaThread* second = gWaiting[1];
    gWaiting.pop_back();
    // Second, resumed from here, resumes First, which ends inside it.
    second->resume();
    EXPECT_EQ("a1 b1 b2 a2:nested b3 ", text("log"));
    EXPECT_TRUE(gWaiting.empty());
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
}

TEST_F(KaLuaThreadTest, ARunningThreadIsNotResumedAgain)
{
    run("function Loop() Wait() ; ResumeOldest() ; done = true end");
    script.execute("Loop");
    ASSERT_EQ(1u, gWaiting.size());
    KaLuaThread* thread = gWaiting[0];
    // Once resumed, the run finds itself at the head of the waits again.
    gWaiting.push_back(thread);
    gWaiting.erase(gWaiting.begin());
    KaCaptureStdout capture;
    thread->resume();
    EXPECT_EQ("KaLuaThread::resume: the thread is running\n", capture.text());
    bool done = false;
    EXPECT_TRUE(context.global("done", done));
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
}

TEST_F(KaLuaThreadTest, ReleaseWhileSuspendedOrFinished)
{
    run("function Pause() Wait() ; count = (count or 0) + 1 end");
    KaLuaThread* kept = KaLuaThread::create(context);
    ASSERT_NE(nullptr, kept);
    kept->execute("Pause");
    EXPECT_EQ(LUA_YIELD, kept->status());
    kept->release();
    EXPECT_EQ(threadsBefore + 1, KaLuaThread::mThreadList.size()) << "a suspended run outlives its release";
    resumeOldest();
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());

    // Not released: the finished object stays until its owner lets it go,
    // and resuming it does nothing.
    KaLuaThread* owned = KaLuaThread::create(context);
    owned->execute("Pause");
    resumeOldest();
    EXPECT_EQ(0, owned->status());
    EXPECT_EQ(threadsBefore + 1, KaLuaThread::mThreadList.size());
    {
        KaCaptureStdout capture;
        owned->resume();
        EXPECT_EQ("KaLuaThread::resume: the thread is not suspended\n", capture.text());
    }
    int count = 0;
    EXPECT_TRUE(context.global("count", count));
    EXPECT_EQ(2, count);
    owned->release();
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
}

TEST_F(KaLuaThreadTest, ErrorsEndTheRunWithOneLine)
{
    run("function Fail() Wait() ; error('broken lever') end");
    script.execute("Fail");
    KaCaptureStdout capture;
    resumeOldest();
    const std::string printed = capture.text();
    EXPECT_EQ(0u, printed.find("KaLuaThread::_resume: ")) << printed;
    EXPECT_NE(std::string::npos, printed.find("broken lever")) << printed;
    EXPECT_EQ(1, std::count(printed.begin(), printed.end(), '\n'));
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
}

// Lua cannot suspend a script under a native function that calls back into
// Lua; the waiting call says so instead of failing somewhere unseen.
TEST_F(KaLuaThreadTest, AWaitWhereLuaCannotYieldSaysSo)
{
    run("function Sorted() table.sort({ 3, 1, 2 }, function(a, b) Wait() return a < b end) ; after = true end "
        "function Guarded() ok, message = pcall(table.sort, { 3, 1, 2 }, function(a, b) Wait() return a < b end)"
        "  guarded = true end "
        "function Protected() pcall(Wait) ; resumed = true end");
    {
        KaCaptureStdout capture;
        script.execute("Sorted");
        const std::string printed = capture.text();
        EXPECT_EQ(0u, printed.find("KaLuaThread::yield: the script can't wait here")) << printed;
        EXPECT_NE(std::string::npos, printed.find("attempt to yield across a C-call boundary")) << printed;
        EXPECT_NE(std::string::npos, printed.find("\nKaLuaThread::_resume: ")) << printed;
    }
    EXPECT_FALSE(context.global("after").isValid());
    {
        KaCaptureStdout capture;
        script.execute("Guarded");
        EXPECT_EQ(0u, capture.text().find("KaLuaThread::yield: the script can't wait here"));
    }
    EXPECT_TRUE(context.global("guarded").toBoolean()) << "the script caught it and went on";
    gWaiting.clear();

    // A protected call from Lua code can wait.
    script.execute("Protected");
    EXPECT_FALSE(context.global("resumed").isValid());
    ASSERT_EQ(1u, gWaiting.size());
    resumeOldest();
    EXPECT_TRUE(context.global("resumed").toBoolean());
}

TEST_F(KaLuaThreadTest, ArgumentsReachLuaAsTheirTypesSay)
{
    run("function Show(a, b, c) shown = type(a) .. '=' .. tostring(a) .. ' ' .. type(b) .. '=' .. tostring(b)"
        " .. ' ' .. type(c) .. '=' .. tostring(c) end");
    struct Case {
        KaVariant first, second, third;
        const char* expected;
    };
    const Case cases[] = {
        { KaVariant(true), KaVariant(-7), KaVariant(2.5f), "boolean=true number=-7 number=2.5" },
        { KaVariant(0x80000001u), KaVariant(0x100000005LL), KaVariant(0x1FFFFFFFFULL), "number=-2147483647 number=5 number=-1" },
        { KaVariant(0.25), KaVariant("text"), KaVariant(), "number=0.25 string=text nil=nil" },
    };
    for (const Case& test : cases) {
        KaCaptureStdout capture;
        script.execute("Show", test.first, test.second, test.third);
        EXPECT_EQ(test.expected, text("shown"));
        EXPECT_EQ(test.third.isValid() ? "" : "KaLuaThread::pushValue: Unknown type", capture.text());
    }
}

TEST_F(KaLuaThreadTest, FilesRunAsSourceAndPrecompiledChunksAreRefused)
{
    KaTempDir folder;
    folder.write("scene.lua", "loaded = 'source' ; Wait() ; finished = true");
    folder.write("broken.lua", "loaded = = 1");

    script.load(folder.file("scene.lua").c_str());
    EXPECT_FALSE(script.executed());
    script.execute();
    EXPECT_TRUE(script.executed());
    EXPECT_EQ("source", text("loaded"));
    resumeOldest();
    EXPECT_TRUE(context.global("finished").toBoolean());

    // A precompiled chunk of the same kind of code: Lua would run a damaged
    // one unchecked, so it is refused as a chunk that does not load.
    lua_State* state = context.luaState();
    ASSERT_EQ(LUA_OK, luaL_loadstring(state, "loaded = 'binary'"));
    std::string bytes;
    lua_dump(
        state,
        [](lua_State*, const void* data, size_t size, void* out) {
            static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
            return 0;
        },
        &bytes);
    lua_pop(state, 1);
    folder.write("scene.luac", bytes);
    script.load(folder.file("scene.luac").c_str());
    {
        KaCaptureStdout refused;
        script.execute();
        EXPECT_NE(std::string::npos, refused.text().find("KaLuaThread::executeFile: ")) << refused.text();
        EXPECT_NE(std::string::npos, refused.text().find("binary chunk")) << refused.text();
    }
    EXPECT_EQ("source", text("loaded"));

    KaCaptureStdout capture;
    script.load(folder.file("broken.lua").c_str());
    script.execute();
    const std::string printed = capture.text();
    EXPECT_EQ(0u, printed.find("KaLuaThread::executeFile: [string \"" + folder.file("broken.lua") + "\"]:1:")) << printed;
    EXPECT_NE(std::string::npos, printed.find("\nKaLuaThread::_resume: attempt to call a string value\n")) << printed;

    KaCaptureStdout missing;
    script.load("absent.lua");
    script.execute();
    const std::string absent = missing.text();
    EXPECT_NE(std::string::npos, absent.find("KaLuaThread::executeFile: File absent.lua can't be opened")) << absent;
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());

    script.unload();
    EXPECT_FALSE(script.executed());
    EXPECT_STREQ("", script.path().c_str());
}

TEST_F(KaLuaThreadTest, NothingRunsWithoutAnOpenContext)
{
    KaLuaScript detached;
    detached.execute("print");
    detached.execute();
    EXPECT_FALSE(detached.executed());

    context.destroy();
    KaCaptureStdout capture;
    script.execute("print", KaVariant("never"));
    script.load("any.lua");
    script.execute();
    EXPECT_FALSE(script.executed());
    EXPECT_EQ(nullptr, KaLuaThread::create(context));
    EXPECT_EQ("", capture.text());
}

// Leaving a game closes its context while scripts still wait: their threads
// go with it, their owners are told, and nothing of them resumes later.
TEST_F(KaLuaThreadTest, ClosingAContextDeletesItsWaitingThreads)
{
    struct WaitRecords {
        bool onThreadDiscarded(KaLuaThread* thread)
        {
            discarded.push_back(thread);
            gWaiting.erase(std::remove(gWaiting.begin(), gWaiting.end(), thread), gWaiting.end());
            return false;
        }
        std::vector<KaLuaThread*> discarded;
    } records;

    std::vector<lua_State*> oldStates;
    for (int round = 0; round < 3; ++round) {
        std::unique_ptr<KaLuaContext> game(new KaLuaContext);
        open(*game);
        game->onThreadDiscarded().add(&records, &WaitRecords::onThreadDiscarded);
        KaLuaScript scene;
        scene.attachToContext(*game);
        {
            lua_State* state = game->luaState();
            ASSERT_EQ(LUA_OK, luaL_dostring(state, "function OnEnter(n) Wait() ; stale = n end"));
        }
        KaLuaThread* kept = KaLuaThread::create(*game);
        kept->execute("OnEnter", KaVariant(round));
        scene.execute("OnEnter", KaVariant(round));
        scene.execute("OnEnter", KaVariant(round));
        ASSERT_EQ(3u, gWaiting.size());
        for (KaLuaThread* thread : gWaiting) {
            EXPECT_EQ(game->implementation(), thread->context());
            oldStates.push_back(thread->luaState());
        }
        EXPECT_EQ(3u, game->implementation()->threads().size());

        records.discarded.clear();
        KaCaptureStdout capture;
        game.reset();
        EXPECT_EQ(nullptr, kept->luaState()) << "held by its owner: inert until released";
        EXPECT_EQ(nullptr, kept->context());
        kept->resume();
        kept->release();
        EXPECT_EQ(3u, records.discarded.size());
        EXPECT_TRUE(gWaiting.empty()) << "the owner dropped its records";
        EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
        for (lua_State* state : oldStates)
            EXPECT_EQ(nullptr, KaLuaThread::threadFromState(state));
        EXPECT_EQ("", capture.text());
    }

    // A new context, likely at the addresses of the old ones: only its own
    // threads are found, and none of the old runs goes on.
    std::unique_ptr<KaLuaContext> next(new KaLuaContext);
    open(*next);
    ASSERT_EQ(LUA_OK, luaL_dostring(next->luaState(), "function OnEnter() Wait() ; fresh = true end"));
    KaLuaScript scene;
    scene.attachToContext(*next);
    scene.execute("OnEnter");
    ASSERT_EQ(1u, gWaiting.size());
    for (lua_State* state : oldStates) {
        KaLuaThread* found = KaLuaThread::threadFromState(state);
        EXPECT_TRUE(found == nullptr || found == gWaiting[0]);
    }
    resumeOldest();
    EXPECT_TRUE(next->global("fresh").toBoolean());
    EXPECT_FALSE(next->global("stale").isValid());
    EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
}

// Leaving the game from inside one of its scripts: the state closes once the
// script returns, and its other waiting threads go then.
TEST_F(KaLuaThreadTest, AScriptThatEndsTheGameClosesItsContextAfterItsRun)
{
    for (lua_CFunction end : { CloseGame, DropGame }) {
        gGame.reset(new KaLuaContext);
        open(*gGame);
        gGame->registerCFunction("EndGame", end);
        ASSERT_EQ(LUA_OK, luaL_dostring(gGame->luaState(),
                              "function Idle() Wait() ; never = true end "
                              "function Quit() Wait() ; EndGame() ; after = 'still running' ; Wait() end "
                              "function Menu() ResumeOldest() ; ResumeOldest() end"));
        KaLuaScript scene;
        scene.attachToContext(*gGame);
        scene.execute("Idle");
        scene.execute("Quit");
        ASSERT_EQ(2u, gWaiting.size());
        // Quit is resumed from inside another run of the same state; once it
        // ends the game, nothing of the state resumes any more.
        std::swap(gWaiting[0], gWaiting[1]);
        KaCaptureStdout capture;
        scene.execute("Menu");
        EXPECT_EQ("", capture.text());
        gWaiting.clear();
        EXPECT_EQ(threadsBefore, KaLuaThread::mThreadList.size());
        if (gGame) {
            EXPECT_FALSE(gGame->isCreated());
            EXPECT_EQ(nullptr, gGame->luaState());
            gGame->create();
            EXPECT_TRUE(gGame->isCreated()) << "a new game opens a new state";
        }
        gGame.reset();
    }
}

} // namespace

