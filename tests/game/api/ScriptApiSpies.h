#ifndef SCRIPT_API_SPIES_H
#define SCRIPT_API_SPIES_H

#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/KaString.h"
#include "game/api/Bind_ExportedFunctions.h"

// Every function the bindings call replaced by a spy that writes down its
// call, as "Name00(\"text\", 1, true)", and answers what the test set.
namespace ScriptApiSpies {

inline std::vector<std::string>& calls()
{
    static std::vector<std::string> list;
    return list;
}

struct Answers {
    bool boolean = false;
    float number = 0.0f;
    unsigned int unsignedNumber = 0;
};
inline Answers& answers()
{
    static Answers values;
    return values;
}

// What a spy does besides writing down its call (null: nothing).
inline void (*&sideEffect())(const std::string& call)
{
    static void (*effect)(const std::string&) = nullptr;
    return effect;
}

inline std::string text(const KaString& value) { return "\"" + std::string(value.c_str()) + "\""; }
inline std::string text(bool value) { return value ? "true" : "false"; }
inline std::string text(int value) { return std::to_string(value); }
inline std::string text(unsigned int value) { return std::to_string(value); }
inline std::string text(float value)
{
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}

template <class R> R answer();
template <> inline void answer<void>() { }
template <> inline bool answer<bool>() { return answers().boolean; }
template <> inline float answer<float>() { return answers().number; }
template <> inline unsigned int answer<unsigned int>() { return answers().unsignedNumber; }

template <class F> struct Spy;
template <class R, class... P> struct Spy<R (*)(P...)> {
    template <const char* Name> static R call(P... arguments)
    {
        std::string line = std::string(Name) + "(";
        bool first = true;
        ((line += (first ? "" : ", ") + text(arguments), first = false), ...);
        line += ")";
        calls().push_back(line);
        if (sideEffect())
            sideEffect()(line);
        return answer<R>();
    }
};

#define KA_SPY_NAME(name, suffix, result, arguments) constexpr char kSpy_##name##suffix[] = #name #suffix;
#define KA_SPY_NAME_LOOSE(name, suffix, result, arguments, checks) KA_SPY_NAME(name, suffix, result, arguments)
#define KA_SPY_NAME_OVERLOAD(name, suffix, fallback, result, arguments) KA_SPY_NAME(name, suffix, result, arguments)
#define KA_SPY_NONE(name, callee, arguments, event, param1, param2, compared)
KA_EXPORTED_FUNCTIONS(KA_SPY_NAME, KA_SPY_NAME_LOOSE, KA_SPY_NAME_OVERLOAD, KA_SPY_NONE)

// Puts the spies in; resetExportedFunctionTargets() takes them out.
inline void install()
{
    calls().clear();
    answers() = Answers();
    sideEffect() = nullptr;
    ExportedFunctionTargets& targets = exportedFunctionTargets();
#define KA_SPY_SET(name, suffix, result, arguments)                                                                   \
    targets.name##suffix = &Spy<decltype(targets.name##suffix)>::call<kSpy_##name##suffix>;
#define KA_SPY_SET_LOOSE(name, suffix, result, arguments, checks) KA_SPY_SET(name, suffix, result, arguments)
#define KA_SPY_SET_OVERLOAD(name, suffix, fallback, result, arguments) KA_SPY_SET(name, suffix, result, arguments)
    KA_EXPORTED_FUNCTIONS(KA_SPY_SET, KA_SPY_SET_LOOSE, KA_SPY_SET_OVERLOAD, KA_SPY_NONE)
#undef KA_SPY_SET
#undef KA_SPY_SET_LOOSE
#undef KA_SPY_SET_OVERLOAD
}

inline std::string joinedCalls()
{
    std::string joined;
    for (const std::string& call : calls())
        joined += (joined.empty() ? "" : "; ") + call;
    return joined;
}

} // namespace ScriptApiSpies

#endif
