#include "game/api/Bind_ExportedFunctions.h"

#include <tuple>
#include <type_traits>
#include <utility>

#include "engine/base/KaStd.h"
#include "engine/script/KaLuaThread.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ScriptArguments.h"
#include "game/api/YieldedCallback.h"
#include "game/game/Game.h"

namespace ScriptApi {

namespace {

// How each kind of parameter is tested and converted.
template <class S> struct ArgumentKind;

template <bool Optional> struct StringKind {
    static bool test(lua_State* state, int index, ScriptArguments::Error& error)
    {
        return ScriptArguments::isString(state, index, Optional, error);
    }
    static KaString get(lua_State* state, int index)
    {
        if (Optional && lua_gettop(state) < index)
            return KaString();
        return ScriptArguments::toString(state, index);
    }
};
template <> struct ArgumentKind<Str> : StringKind<false> { };
template <> struct ArgumentKind<OStr> : StringKind<true> { };

// Numbers: T the parameter, absent optional ones taking Default.
template <class T, bool Optional, class Convert> struct NumberKind {
    static bool test(lua_State* state, int index, ScriptArguments::Error& error)
    {
        return ScriptArguments::isNumber(state, index, Optional, error);
    }
    template <class D> static T get(lua_State* state, int index, D fallback)
    {
        if (Optional && lua_gettop(state) < index)
            return static_cast<T>(fallback);
        return Convert::convert(ScriptArguments::toNumber(state, index));
    }
};
struct ToFloat {
    static float convert(double value) { return static_cast<float>(value); }
};
struct ToInt {
    static int convert(double value) { return ScriptArguments::toInt(value); }
};
struct ToUnsigned {
    static unsigned int convert(double value) { return ScriptArguments::toUnsigned(value); }
};
struct ToUnsignedThroughFloat {
    static unsigned int convert(double value) { return ScriptArguments::toUnsigned(static_cast<float>(value)); }
};

template <> struct ArgumentKind<Num> : NumberKind<float, false, ToFloat> {
    static float get(lua_State* state, int index) { return NumberKind::get(state, index, 0); }
};
template <int D> struct ArgumentKind<ONum<D>> : NumberKind<float, true, ToFloat> {
    static float get(lua_State* state, int index) { return NumberKind::get(state, index, D); }
};
template <> struct ArgumentKind<Int> : NumberKind<int, false, ToInt> {
    static int get(lua_State* state, int index) { return NumberKind::get(state, index, 0); }
};
template <int D> struct ArgumentKind<OInt<D>> : NumberKind<int, true, ToInt> {
    static int get(lua_State* state, int index) { return NumberKind::get(state, index, D); }
};
template <> struct ArgumentKind<Uns> : NumberKind<unsigned int, false, ToUnsigned> {
    static unsigned int get(lua_State* state, int index) { return NumberKind::get(state, index, 0u); }
};
template <unsigned int D> struct ArgumentKind<OUns<D>> : NumberKind<unsigned int, true, ToUnsigned> {
    static unsigned int get(lua_State* state, int index) { return NumberKind::get(state, index, D); }
};
template <> struct ArgumentKind<FloatUns> : NumberKind<unsigned int, false, ToUnsignedThroughFloat> {
    static unsigned int get(lua_State* state, int index) { return NumberKind::get(state, index, 0u); }
};

template <bool Optional, bool Default> struct BooleanKind {
    static bool test(lua_State* state, int index, ScriptArguments::Error& error)
    {
        return ScriptArguments::isBoolean(state, index, Optional, error);
    }
    static bool get(lua_State* state, int index)
    {
        if (Optional && lua_gettop(state) < index)
            return Default;
        return ScriptArguments::toBoolean(state, index);
    }
};
template <> struct ArgumentKind<Bool> : BooleanKind<false, false> { };
template <bool D> struct ArgumentKind<OBool<D>> : BooleanKind<true, D> { };

template <class A> struct Arguments;
template <class... S> struct Arguments<Args<S...>> {
    typedef std::tuple<typename S::Value...> Values;

    static bool test(lua_State* state, Checks checks, ScriptArguments::Error& error)
    {
        if (checks == CheckNothing)
            return true;
        int index = 0;
        bool passed = true;
        (void)index;
        ((passed = passed && ArgumentKind<S>::test(state, ++index, error)), ...);
        if (passed && checks == CheckAll)
            passed = ScriptArguments::isNoObject(state, static_cast<int>(sizeof...(S)) + 1, error);
        return passed;
    }

    static Values convert(lua_State* state) { return convert(state, std::index_sequence_for<S...>()); }

    template <std::size_t... I> static Values convert(lua_State* state, std::index_sequence<I...>)
    {
        (void)state;
        return Values { ArgumentKind<S>::get(state, static_cast<int>(I) + 1)... };
    }
};

void push(lua_State* state, bool value) { lua_pushboolean(state, value); }
void push(lua_State* state, float value) { lua_pushnumber(state, value); }
void push(lua_State* state, unsigned int value) { lua_pushnumber(state, value); }

template <class R, class F, class V> int callAndPush(lua_State* state, F function, V& values)
{
    if constexpr (std::is_void<R>::value) {
        std::apply(function, values);
        return 0;
    } else {
        const R result = std::apply(function, values);
        push(state, result);
        return 1;
    }
}

template <class R, class A>
int bind(lua_State* state, const char* name, typename Target<R, A>::type function, Checks checks)
{
    ScriptArguments::Error error;
    if (!Arguments<A>::test(state, checks, error))
        return ScriptArguments::raise(state, name, error);
    typename Arguments<A>::Values values = Arguments<A>::convert(state);
    return callAndPush<R>(state, function, values);
}

// An overload tests its own list; when that fails the first registration of
// its name takes the call, with its own tests and error.
template <class R, class A>
int bindOverload(lua_State* state, typename Target<R, A>::type function, lua_CFunction fallback)
{
    ScriptArguments::Error error;
    if (!Arguments<A>::test(state, CheckAll, error))
        return fallback(state);
    typename Arguments<A>::Values values = Arguments<A>::convert(state);
    return callAndPush<R>(state, function, values);
}

template <std::size_t Index, class V> KaString parameterText(const V& values)
{
    if constexpr (Index == 0)
        return KaString();
    else
        return std::get<Index - 1>(values);
}

// Whether a wait recorded as `pending` repeats the new one, comparing the
// first `compared` of its fields.
bool sameWait(const YieldedCallback& pending, const YieldedCallback& wait, int compared)
{
    return pending.event == wait.event && (compared < 2 || pending.param1 == wait.param1)
        && (compared < 3 || pending.param2 == wait.param2);
}

// The record a waiting binding put down before starting its action, not yet
// given its thread; -1 when its event took it meanwhile (or the action
// dropped it).
long findStartingWait(const YieldedCallback& wait)
{
    for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i) {
        const YieldedCallback& record = yieldedCallbacks[i];
        if (!record.thread && sameWait(record, wait, 3))
            return static_cast<long>(i);
    }
    return -1;
}

void removeWaitOf(KaLuaThread* thread)
{
    for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i) {
        if (yieldedCallbacks[i].thread == thread) {
            yieldedCallbacks.removeFastAt(i);
            return;
        }
    }
}

// A waiting binding. Its wait is put down before the action starts, without
// its thread: an event the action raises at once (a walk with no path, a
// sound that cannot play) takes that record, calls the script's global as
// for any event without a waiter, and the script goes on instead of waiting
// for an event that has already passed.
template <class A, std::size_t Param1, std::size_t Param2>
int bindWait(lua_State* state, const char* name, typename Target<void, A>::type function, const char* event,
    int compared)
{
    ScriptArguments::Error error;
    if (!Arguments<A>::test(state, CheckAll, error))
        return ScriptArguments::raise(state, name, error);
    typename Arguments<A>::Values values = Arguments<A>::convert(state);

    KaLuaThread* thread = KaLuaThread::threadFromState(state);
    if (!thread) {
        KaPrintf("%s: the script can't wait here (not one of the game's script threads); it goes on at once\n", name);
        std::apply(function, values);
        return 0;
    }

    YieldedCallback wait;
    wait.event = event;
    wait.param1 = parameterText<Param1>(values);
    wait.param2 = parameterText<Param2>(values);
    for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i) {
        if (sameWait(yieldedCallbacks[i], wait, compared))
            KaPrintf("%s: Reentrency error, your are already in a yielded/sync function call\n", name);
    }
    yieldedCallbacks.pushBack(wait);

    std::apply(function, values);

    const long index = findStartingWait(wait);
    if (index < 0)
        return 0;
    yieldedCallbacks[static_cast<unsigned long>(index)].thread = thread;
    try {
        return thread->yield();
    } catch (...) {
        // Lua leaves a native function by throwing, also when it yields; a
        // refused yield leaves the thread running: its wait goes.
        if (lua_status(state) != LUA_YIELD)
            removeWaitOf(thread);
        throw;
    }
}

void moveCharacterPlayerToWithEndAnim(float x, float y, float z)
{
    exportedFunctionTargets().MoveCharacterPlayerTo00(x, y, z, false);
}

ExportedFunctionTargets gameTargets()
{
    ExportedFunctionTargets targets;
#define KA_GAME_TARGET(name, suffix, result, arguments)                                                               \
    targets.name##suffix = static_cast<decltype(targets.name##suffix)>(&::name);
#define KA_GAME_TARGET_LOOSE(name, suffix, result, arguments, checks) KA_GAME_TARGET(name, suffix, result, arguments)
#define KA_GAME_TARGET_OVERLOAD(name, suffix, fallback, result, arguments)                                            \
    KA_GAME_TARGET(name, suffix, result, arguments)
#define KA_GAME_TARGET_NONE(name, callee, arguments, event, param1, param2, compared)
    KA_EXPORTED_FUNCTIONS(KA_GAME_TARGET, KA_GAME_TARGET_LOOSE, KA_GAME_TARGET_OVERLOAD, KA_GAME_TARGET_NONE)
#undef KA_GAME_TARGET
#undef KA_GAME_TARGET_LOOSE
#undef KA_GAME_TARGET_OVERLOAD
#undef KA_GAME_TARGET_NONE
    targets.MoveCharacterPlayerToWithEndAnim = &moveCharacterPlayerToWithEndAnim;
    return targets;
}

ExportedFunctionTargets sTargets = gameTargets();

} // namespace

} // namespace ScriptApi

ExportedFunctionTargets& exportedFunctionTargets() { return ScriptApi::sTargets; }

void resetExportedFunctionTargets() { ScriptApi::sTargets = ScriptApi::gameTargets(); }

namespace {

using namespace ScriptApi;

#define KA_BIND_LOOSE(name, suffix, result, arguments, checks)                                                        \
    int tolua_ExportedFunctions_##name##suffix(lua_State* state)                                                      \
    {                                                                                                                 \
        return bind<result, KA_SCRIPT_ARGS_OF arguments>(state, #name, exportedFunctionTargets().name##suffix, checks); \
    }
#define KA_BIND_PLAIN(name, suffix, result, arguments) KA_BIND_LOOSE(name, suffix, result, arguments, CheckAll)
#define KA_BIND_OVERLOAD(name, suffix, fallback, result, arguments)                                                   \
    int tolua_ExportedFunctions_##name##suffix(lua_State* state)                                                      \
    {                                                                                                                 \
        return bindOverload<result, KA_SCRIPT_ARGS_OF arguments>(                                                     \
            state, exportedFunctionTargets().name##suffix, tolua_ExportedFunctions_##name##fallback);                 \
    }
#define KA_BIND_WAIT(name, callee, arguments, event, param1, param2, compared)                                       \
    int tolua_ExportedFunctions_##name##00(lua_State* state)                                                          \
    {                                                                                                                 \
        return bindWait<KA_SCRIPT_ARGS_OF arguments, param1, param2>(                                                 \
            state, #name, exportedFunctionTargets().callee, event, compared);                                         \
    }
KA_EXPORTED_FUNCTIONS(KA_BIND_PLAIN, KA_BIND_LOOSE, KA_BIND_OVERLOAD, KA_BIND_WAIT)
#undef KA_BIND_LOOSE
#undef KA_BIND_PLAIN
#undef KA_BIND_OVERLOAD
#undef KA_BIND_WAIT

} // namespace

int tolua_ExportedFunctions_open(lua_State* state)
{
#define KA_REGISTER(name, suffix, ...) lua_register(state, #name, tolua_ExportedFunctions_##name##suffix);
#define KA_REGISTER_WAIT(name, ...) lua_register(state, #name, tolua_ExportedFunctions_##name##00);
    KA_EXPORTED_FUNCTIONS(KA_REGISTER, KA_REGISTER, KA_REGISTER, KA_REGISTER_WAIT)
#undef KA_REGISTER
#undef KA_REGISTER_WAIT
    return 1;
}

int luaopen_ExportedFunctions(lua_State* state) { return tolua_ExportedFunctions_open(state); }

void LuaOpenBinds(lua_State* state) { tolua_ExportedFunctions_open(state); }
