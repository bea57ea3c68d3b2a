// The costs the game pays per event and per save: one global function run
// in a thread of its own, the per-frame call of a function the scene lacks,
// a run that waits and is resumed, and the save and restore of a script's
// globals.

#include <benchmark/benchmark.h>

#include <lauxlib.h>
#include <tinyxml.h>

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "engine/script/KaLuaThread.h"

namespace {

KaLuaThread* gWaiting = nullptr;

int Wait(lua_State* state)
{
    gWaiting = KaLuaThread::threadFromState(state);
    return gWaiting->yield();
}

void BM_EventCall(benchmark::State& state)
{
    KaLuaContext context;
    luaL_dostring(context.luaState(), "count = 0 function OnClick(object, x, y) count = count + x + y end");
    KaLuaScript script;
    script.attachToContext(context);
    const KaVariant object("door"), x(3), y(4);
    for (auto _ : state)
        script.execute("OnClick", object, x, y);
}
BENCHMARK(BM_EventCall);

void BM_MissingUpdate(benchmark::State& state)
{
    KaLuaContext context;
    KaLuaScript script;
    script.attachToContext(context);
    for (auto _ : state)
        script.execute("Update");
}
BENCHMARK(BM_MissingUpdate);

// With this many other scripts waiting, as a busy scene has.
void BM_WaitAndResume(benchmark::State& state)
{
    KaLuaContext context;
    context.registerCFunction("Wait", Wait);
    luaL_dostring(context.luaState(), "function Walk() Wait() end");
    KaLuaScript script;
    script.attachToContext(context);
    for (int64_t i = 0; i < state.range(0); ++i)
        script.execute("Walk");
    for (auto _ : state) {
        script.execute("Walk");
        gWaiting->resume();
    }
}
BENCHMARK(BM_WaitAndResume)->Arg(0)->Arg(64);

void BM_SaveAndRestoreGlobals(benchmark::State& state)
{
    KaLuaContext context;
    luaL_dostring(context.luaState(),
        "for i = 1, 200 do _G['flag' .. i] = (i % 2 == 0) ; _G['count' .. i] = i / 7 ; _G['name' .. i] = 'room' .. i end");
    for (auto _ : state) {
        TiXmlElement saved("ContextLua");
        context.save(saved);
        context.load(saved);
    }
}
BENCHMARK(BM_SaveAndRestoreGlobals);

} // namespace
