#include "game/api/ScriptArguments.h"

#include <lauxlib.h>

#include <climits>
#include <cmath>

namespace {

bool absent(lua_State* state, int index) { return lua_gettop(state) < index; }

bool fail(ScriptArguments::Error& error, int index, const char* expected)
{
    error.index = index;
    error.expected = expected;
    return false;
}

} // namespace

bool ScriptArguments::isString(lua_State* state, int index, bool optional, Error& error)
{
    if (optional && absent(state, index))
        return true;
    if (lua_isnil(state, index) || lua_isstring(state, index))
        return true;
    return fail(error, index, "string");
}

bool ScriptArguments::isNumber(lua_State* state, int index, bool optional, Error& error)
{
    if (optional && absent(state, index))
        return true;
    if (lua_isnumber(state, index))
        return true;
    return fail(error, index, "number");
}

bool ScriptArguments::isBoolean(lua_State* state, int index, bool optional, Error& error)
{
    if (optional && absent(state, index))
        return true;
    if (lua_isnil(state, index) || lua_isboolean(state, index))
        return true;
    return fail(error, index, "boolean");
}

bool ScriptArguments::isNoObject(lua_State* state, int index, Error& error)
{
    if (absent(state, index))
        return true;
    return fail(error, index, "[no object]");
}

const char* ScriptArguments::typeName(lua_State* state, int index)
{
    if (absent(state, index))
        return "[no object]";
    return lua_typename(state, lua_type(state, index));
}

int ScriptArguments::raise(lua_State* state, const char* function, const Error& error)
{
    return luaL_error(state, "error in function '%s'.\n     argument #%d is '%s'; '%s' expected.\n", function,
        error.index, typeName(state, error.index), error.expected ? error.expected : "?");
}

KaString ScriptArguments::toString(lua_State* state, int index)
{
    // Converts a number in place, as Lua does: the text is Lua's own.
    const char* text = lua_tostring(state, index);
    return text ? KaString(text) : KaString();
}

double ScriptArguments::toNumber(lua_State* state, int index) { return lua_tonumber(state, index); }

bool ScriptArguments::toBoolean(lua_State* state, int index) { return lua_toboolean(state, index) != 0; }

int ScriptArguments::toInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

unsigned int ScriptArguments::toUnsigned(double value)
{
    if (std::isnan(value) || value <= -1.0 || value >= static_cast<double>(UINT_MAX))
        return UINT_MAX;
    return static_cast<unsigned int>(value);
}
