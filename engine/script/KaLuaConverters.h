#ifndef KA_LUA_CONVERTERS_H
#define KA_LUA_CONVERTERS_H

#include <lua.h>

#include "engine/color/KaColor.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

// Readers of Lua values for native functions (the GUI constructors). None
// fails: a value of the wrong kind prints one message and gives the fallback.
// They read tables with lua_gettable, so a metamethod may raise: call them
// only from a native function that Lua called (or under lua_pcall).
// Every index may be absolute or relative to the top of the stack.

// A number or a numeric string; else "KaLuaToS32:: not a number" and 0.
int KaLuaToS32(lua_State* state, int index);
// As KaLuaToS32, as unsigned; "KaLuaToU32:: not a number".
unsigned int KaLuaToU32(lua_State* state, int index);
// "KaLuaToF32:: not a number"; 0.
float KaLuaToF32(lua_State* state, int index);
// A boolean only; else "KaLuaToBool:: not a bool" and false.
bool KaLuaToBool(lua_State* state, int index);
// A string or a number (as Lua writes it); else "KaLuaToKaString:: not a
// string" and the empty string.
KaString KaLuaToKaString(lua_State* state, int index);
// A table: the default with x, y, z taken from the numeric entries 1, 2, 3.
KaVector3f32 KaLuaToKaVector3f32(lua_State* state, int index, KaVector3f32 defaultValue);
// A table: opaque white with r, g, b, a taken from the numeric entries 1 to 4,
// each modulo 256.
KaColor KaLuaToKaColor(lua_State* state, int index);
// A table: every value in Lua's traversal order, each read with KaLuaToF32.
KaArray<float> KaLuaToF32KaArray(lua_State* state, int index);
// A table {x, y, z, degrees}: the rotation about that axis; the default when
// the angle is missing.
KaQuaternion KaLuaToKaQuaternion(lua_State* state, int index, KaQuaternion defaultValue);

#endif
