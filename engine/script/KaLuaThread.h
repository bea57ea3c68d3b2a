#ifndef KA_LUA_THREAD_H
#define KA_LUA_THREAD_H

#include <lua.h>

#include "engine/containers/KaArray.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaVariant.h"

class KaCountedLuaContext;
class KaLuaContext;

// One run of Lua code (a file, or a global function called for an event) in
// a coroutine of its own, anchored in the registry while the object lives.
// A run that yields stays alive until it is resumed to its end.
//
// Use: create(), then executeFile() or execute(), then release(); a run
// that suspended itself is then resumed with resume() as often as it yields,
// and deletes itself when it ends. A thread belongs to its context: closing
// the context's state deletes every released thread of it first, without
// touching Lua; one its owner still holds is left inert (it is found and
// resumed no more) until release() deletes it.
class KaLuaThread {
public:
    // Null when the context's state is closed or the coroutine cannot be made.
    static KaLuaThread* create(KaLuaContext& context);

    virtual ~KaLuaThread();

    // Runs a file of Lua source or a precompiled chunk.
    void executeFile(const KaPath& path);
    // Calls the global function of that name.
    void execute(const KaString& name);
    void execute(const KaString& name, const KaVariant& first);
    void execute(const KaString& name, const KaVariant& first, const KaVariant& second);
    void execute(const KaString& name, const KaVariant& first, const KaVariant& second, const KaVariant& third);

    // Resumes a suspended run; the values are the results of its yield.
    // A thread that is not suspended, or is running, is left alone.
    void resume();
    void resume(const KaVariant& first);
    void resume(const KaVariant& first, const KaVariant& second);
    void resume(const KaVariant& first, const KaVariant& second, const KaVariant& third);

    // For a native function running in this thread, as its last step:
    // return thread->yield(). Where Lua cannot suspend the script (a native
    // function such as table.sort or string.gsub, or a metamethod called
    // from one, lies in between) it prints why and raises the error.
    int yield();

    // The owner needs the object no more: it deletes itself now, or when its
    // suspended run ends.
    void release();

    // The live thread whose coroutine is that state; null when none.
    static KaLuaThread* threadFromState(lua_State* state);

    void pushValue(const KaVariant& value);

    // 0 finished, LUA_YIELD (1) suspended, above: an error.
    int status() const { return mStatus; }
    bool released() const { return mReleased; }
    lua_State* luaState() const { return mThread; }
    KaCountedLuaContext* context() const { return mContext; }

    static KaArray<KaLuaThread*> mThreadList;

private:
    friend class KaLuaContextImplementation;

    KaLuaThread(KaCountedLuaContext& context, lua_State* thread, int registryRef);
    KaLuaThread(const KaLuaThread&) = delete;
    KaLuaThread& operator=(const KaLuaThread&) = delete;

    int _resume(int arguments);
    bool canResume(const char* who) const;
    bool isSuspended(const char* who) const;
    // Pushes the global function of that name; false (and nothing pushed)
    // when there is none.
    bool pushFunction(const KaString& name);
    // The context's state is closing: forget the coroutine without touching
    // Lua, and delete the object unless its owner still holds it.
    void discard();

    int mStatus;
    lua_State* mThread;
    int mRegistryRef;
    bool mReleased;
    bool mRunning;
    KaCountedLuaContext* mContext;

    // The innermost run under way: a run started from inside it counts
    // towards Lua's limit of nested native calls.
    static KaLuaThread* sRunning;
};

#endif
