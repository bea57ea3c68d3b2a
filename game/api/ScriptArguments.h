#ifndef SCRIPT_ARGUMENTS_H
#define SCRIPT_ARGUMENTS_H

#include <lua.h>

#include "engine/core/KaString.h"

// The argument tests and conversions of the script API's bindings, on the
// plain Lua 5.2 C API. Scene scripts were written against these exact rules,
// so they are kept: a string argument also takes a number (as its decimal
// text) or nil; a number argument also takes a numeric string; a boolean
// argument also takes nil; an optional argument may be left out, but nil does
// not count as left out.
//
// Where the rules met undefined behaviour they are given a defined result:
// nil for a string arrives as the empty string, and numbers reach integer
// parameters through toInt() and toUnsigned().
//
// A failed test reports the first failing argument as
//   "error in function 'Name'.\n     argument #n is 'found'; 'expected' expected.\n"
// raised with luaL_error, which puts the calling script's "chunk:line:" in
// front, as every Lua error from a native function has it.
class ScriptArguments {
public:
    // The first argument that failed its test.
    struct Error {
        int index = 0;
        const char* expected = nullptr;
    };

    // optional: an argument past the top of the stack passes untested.
    static bool isString(lua_State* state, int index, bool optional, Error& error);
    static bool isNumber(lua_State* state, int index, bool optional, Error& error);
    static bool isBoolean(lua_State* state, int index, bool optional, Error& error);
    // Nothing at index or after it.
    static bool isNoObject(lua_State* state, int index, Error& error);

    // Raises the Lua error; does not return.
    static int raise(lua_State* state, const char* function, const Error& error);

    // The type of the value at index as the error text names it; "[no
    // object]" past the top of the stack.
    static const char* typeName(lua_State* state, int index);

    // Nil (and anything that is no string or number) gives the empty string.
    static KaString toString(lua_State* state, int index);
    static double toNumber(lua_State* state, int index);
    static bool toBoolean(lua_State* state, int index);

    // Truncation toward zero; NaN gives 0 and values beyond the range of int
    // give its nearest end.
    static int toInt(double value);
    // Truncation toward zero; NaN, values that truncate below 0 and values
    // beyond the range give UINT_MAX, which no index or count reaches.
    static unsigned int toUnsigned(double value);
};

#endif
