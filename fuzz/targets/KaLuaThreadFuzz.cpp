// Lua scripts run the way the game runs a scene's script (KaLuaScript over
// KaLuaThread::executeFile): the file runs in a thread of the game's
// context, then events call its global functions, with a native function
// that suspends the script as the game's waits do, resumed until the runs
// end. A precompiled chunk is refused. Closing the context leaves no thread
// behind and the state's stack as it was.

#include <cstring>

#include <lua.h>

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "engine/script/KaLuaThread.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// Suspends the calling script, as the game's wait functions do.
int wait(lua_State* state)
{
    KaLuaThread* thread = KaLuaThread::threadFromState(state);
    if (!thread)
        return 0;
    return thread->yield();
}

void resumeAll()
{
    // Each resume may end a run (the thread deletes itself) or start none.
    for (int round = 0; round < 8; ++round) {
        bool resumed = false;
        for (unsigned long i = 0; i < KaLuaThread::mThreadList.size(); ++i) {
            KaLuaThread* thread = KaLuaThread::mThreadList[i];
            if (thread->status() == LUA_YIELD && thread->released()) {
                thread->resume(KaVariant(1.0));
                resumed = true;
                break;
            }
        }
        if (!resumed)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!KaFuzzTameLua(data, size))
        return 0;
    const bool precompiled = size > 0 && data[0] == 0x1B;
    const unsigned long threadsBefore = KaLuaThread::mThreadList.size();
    {
        KaLuaContext context;
        context.registerCFunction("Wait", wait);
        KaLuaScript script;
        script.attachToContext(context);
        script.load(KaString(KaFuzzWriteFile("Logic.lua", data, size).c_str()));
        script.execute();
        if (precompiled)
            KaFuzzCheck(!context.global("loaded").isValid(), "a precompiled chunk does not run");
        resumeAll();
        script.execute("OnEnter");
        script.execute("OnClick", KaVariant("door"));
        script.execute("OnDialogEnd", KaVariant("01010_KA_1"), KaVariant(2.0));
        resumeAll();
        KaFuzzCheck(lua_gettop(context.luaState()) == 0, "runs leave the state's stack as it was");
        script.unload();
        context.destroy();
    }
    KaFuzzCheck(KaLuaThread::mThreadList.size() == threadsBefore, "closing the context leaves no thread");
    return 0;
}
