#include "engine/script/KaLuaThread.h"

#include <lauxlib.h>

#include <cstdint>

#include "engine/base/KaStd.h"
#include "engine/containers/KaSmartPointer.h"
#include "engine/core/KaFile.h"
#include "engine/script/KaLuaContext.h"

KaArray<KaLuaThread*> KaLuaThread::mThreadList;
KaLuaThread* KaLuaThread::sRunning = nullptr;

namespace {

const char* errorText(lua_State* state)
{
    const char* message = lua_tostring(state, -1);
    return message ? message : "(error object is not a string)";
}

struct KaLuaNewThread {
    lua_State* thread = nullptr;
    int registryRef = LUA_NOREF;
};

int newThread(lua_State* state)
{
    KaLuaNewThread* created = static_cast<KaLuaNewThread*>(lua_touserdata(state, 1));
    lua_State* thread = lua_newthread(state);
    created->registryRef = luaL_ref(state, LUA_REGISTRYINDEX);
    created->thread = thread;
    return 0;
}

int releaseRef(lua_State* state)
{
    const int* registryRef = static_cast<const int*>(lua_touserdata(state, 1));
    luaL_unref(state, LUA_REGISTRYINDEX, *registryRef);
    return 0;
}

// Returns the global as the one result; the lookup may meet a metamethod.
int getGlobal(lua_State* state)
{
    const char* name = static_cast<const char*>(lua_touserdata(state, 1));
    lua_getglobal(state, name);
    return 1;
}

} // namespace

KaLuaThread* KaLuaThread::create(KaLuaContext& context)
{
    KaCountedLuaContext* implementation = context.implementation();
    if (!implementation || !implementation->isCreated())
        return nullptr;
    KaLuaNewThread created;
    if (!implementation->protectedCall(newThread, &created, "KaLuaThread::create") || !created.thread)
        return nullptr;
    return new KaLuaThread(*implementation, created.thread, created.registryRef);
}

KaLuaThread::KaLuaThread(KaCountedLuaContext& context, lua_State* thread, int registryRef)
    : mStatus(0)
    , mThread(thread)
    , mRegistryRef(registryRef)
    , mReleased(false)
    , mRunning(false)
    , mContext(&context)
{
    mThreadList.pushBack(this);
    context.mThreads.pushBack(this);
}

KaLuaThread::~KaLuaThread()
{
    mThreadList.removeFast(this);
    if (!mContext)
        return;
    mContext->mThreads.removeFast(this);
    // The coroutine shares its main state's registry; the main state is the
    // one that is never suspended, so the protected call is made there.
    if (mContext->luaState())
        mContext->protectedCall(releaseRef, &mRegistryRef, "KaLuaThread::~KaLuaThread");
}

void KaLuaThread::discard()
{
    mContext->mThreads.removeFast(this);
    mThreadList.removeFast(this);
    mContext = nullptr;
    mThread = nullptr;
    // An object its owner still holds (between a run and release()) stays,
    // inert, until the owner lets it go.
    if (mReleased)
        delete this;
}

KaLuaThread* KaLuaThread::threadFromState(lua_State* state)
{
    if (!state)
        return nullptr;
    for (unsigned long i = 0; i < mThreadList.size(); ++i) {
        KaLuaThread* thread = mThreadList[i];
        if (thread->mThread == state)
            return thread;
    }
    return nullptr;
}

int KaLuaThread::_resume(int arguments)
{
    // The run may close its context, or let go of its last handle: the
    // state closes, and the implementation goes, once the run is over.
    KaSmartPointer<KaCountedLuaContext> context(mContext);
    KaLuaThread* outer = sRunning;
    sRunning = this;
    ++context->mActiveRuns;
    mRunning = true;
    const int status = lua_resume(mThread, outer ? outer->mThread : nullptr, arguments);
    mRunning = false;
    --context->mActiveRuns;
    sRunning = outer;

    mStatus = status;
    if (status > LUA_YIELD)
        KaPrintf("KaLuaThread::_resume: %s\n", errorText(mThread));
    if (status != LUA_YIELD) {
        // What a finished run returned, or its error, is of no further use.
        lua_settop(mThread, 0);
        if (mReleased)
            delete this;
    }
    if (context->mActiveRuns == 0 && context->mClosePending)
        context->destroy();
    return status;
}

void KaLuaThread::executeFile(const KaPath& path)
{
    if (!canResume("KaLuaThread::executeFile") || mStatus != 0 || lua_gettop(mThread) != 0)
        return;
    KaFile file;
    if (!file.open(path, KaFileSystem::Read)) {
        KaPrintf("KaLuaThread::executeFile: File %s can't be opened", path.c_str());
        return;
    }
    const unsigned long size = file.size();
    char* buffer = new char[size + 1];
    const unsigned long read = file.readData(buffer, size);
    buffer[read] = 0;
    file.close();

    // Source only: Lua runs a precompiled chunk without checking it, and a
    // damaged or forged one reads and writes outside the state's memory.
    mStatus = luaL_loadbufferx(mThread, buffer, read, path.c_str(), "t");
    delete[] buffer;
    if (mStatus != LUA_OK)
        KaPrintf("KaLuaThread::executeFile: %s\n", errorText(mThread));
    // Also after a failed load: the message is then called, which fails with
    // Lua's own error, printed as a second line.
    _resume(0);
}

bool KaLuaThread::pushFunction(const KaString& name)
{
    if (!canResume("[KaLuaThread::Execute]") || mStatus != 0 || lua_gettop(mThread) != 0)
        return false;
    if (!lua_checkstack(mThread, 6)) {
        KaPrintf("[KaLuaThread::Execute] the Lua stack is full\n");
        return false;
    }
    lua_pushcfunction(mThread, getGlobal);
    lua_pushlightuserdata(mThread, const_cast<char*>(name.c_str()));
    if (lua_pcall(mThread, 1, 1, 0) != LUA_OK) {
        KaPrintf("[KaLuaThread::Execute] %s\n", errorText(mThread));
        lua_pop(mThread, 1);
        return false;
    }
    if (lua_type(mThread, -1) != LUA_TFUNCTION) {
        // Scenes need not define the per-frame functions.
        if (!name.contains("Update"))
            KaPrintf("[KaLuaThread::Execute] La fonction : \"%s\" n'existe pas.\n", name.c_str());
        lua_pop(mThread, 1);
        return false;
    }
    return true;
}

void KaLuaThread::execute(const KaString& name)
{
    if (pushFunction(name))
        _resume(0);
}

void KaLuaThread::execute(const KaString& name, const KaVariant& first)
{
    if (!pushFunction(name))
        return;
    pushValue(first);
    _resume(1);
}

void KaLuaThread::execute(const KaString& name, const KaVariant& first, const KaVariant& second)
{
    if (!pushFunction(name))
        return;
    pushValue(first);
    pushValue(second);
    _resume(2);
}

void KaLuaThread::execute(const KaString& name, const KaVariant& first, const KaVariant& second, const KaVariant& third)
{
    if (!pushFunction(name))
        return;
    pushValue(first);
    pushValue(second);
    pushValue(third);
    _resume(3);
}

bool KaLuaThread::canResume(const char* who) const
{
    // A context closing after its running script leaves its threads alone.
    if (!mThread || !mContext || !mContext->isCreated())
        return false;
    if (mRunning) {
        KaPrintf("%s: the thread is running\n", who);
        return false;
    }
    return true;
}

bool KaLuaThread::isSuspended(const char* who) const
{
    if (!canResume(who))
        return false;
    if (mStatus != LUA_YIELD) {
        KaPrintf("%s: the thread is not suspended\n", who);
        return false;
    }
    return lua_checkstack(mThread, 3) != 0;
}

void KaLuaThread::resume()
{
    if (isSuspended("KaLuaThread::resume"))
        _resume(0);
}

void KaLuaThread::resume(const KaVariant& first)
{
    if (!isSuspended("KaLuaThread::resume"))
        return;
    pushValue(first);
    _resume(1);
}

void KaLuaThread::resume(const KaVariant& first, const KaVariant& second)
{
    if (!isSuspended("KaLuaThread::resume"))
        return;
    pushValue(first);
    pushValue(second);
    _resume(2);
}

void KaLuaThread::resume(const KaVariant& first, const KaVariant& second, const KaVariant& third)
{
    if (!isSuspended("KaLuaThread::resume"))
        return;
    pushValue(first);
    pushValue(second);
    pushValue(third);
    _resume(3);
}

int KaLuaThread::yield()
{
    lua_State* thread = mThread;
    if (!thread)
        return 0;
    try {
        return lua_yieldk(thread, 0, 0, nullptr);
    } catch (...) {
        // Lua, built as C++, leaves a native function by throwing, also when
        // the yield succeeds; only a refused yield leaves the status alone.
        if (lua_status(thread) != LUA_YIELD)
            KaPrintf("KaLuaThread::yield: the script can't wait here (called through a native function or a "
                     "metamethod that Lua can't suspend): %s\n",
                errorText(thread));
        throw;
    }
}

void KaLuaThread::release()
{
    mReleased = true;
    if (!mThread || (mStatus != LUA_YIELD && !mRunning))
        delete this;
}

void KaLuaThread::pushValue(const KaVariant& value)
{
    if (!mThread || !lua_checkstack(mThread, 1))
        return;
    switch (value.type()) {
    case KaVariant::Boolean:
        lua_pushboolean(mThread, value.toBoolean());
        break;
    // Lua integers here are 32-bit: a wider value keeps its low 32 bits.
    case KaVariant::Signed32:
        lua_pushinteger(mThread, value.toSigned32());
        break;
    case KaVariant::Unsigned32:
        lua_pushinteger(mThread, static_cast<int32_t>(value.toUnsigned32()));
        break;
    case KaVariant::Signed64:
        lua_pushinteger(mThread, static_cast<int32_t>(static_cast<uint32_t>(value.toSigned64())));
        break;
    case KaVariant::Unsigned64:
        lua_pushinteger(mThread, static_cast<int32_t>(static_cast<uint32_t>(value.toUnsigned64())));
        break;
    case KaVariant::Float32:
        lua_pushnumber(mThread, value.toFloat32());
        break;
    case KaVariant::Float64:
        lua_pushnumber(mThread, value.toFloat64());
        break;
    case KaVariant::String:
        lua_pushstring(mThread, value.toString().c_str());
        break;
    default:
        // The argument still counts: nil keeps the later ones in place.
        KaPrintf("KaLuaThread::pushValue: Unknown type");
        lua_pushnil(mThread);
        break;
    }
}
