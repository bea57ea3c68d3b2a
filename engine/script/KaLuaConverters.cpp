#include "engine/script/KaLuaConverters.h"

#include "engine/base/KaStd.h"

namespace {

// Pushes table[key] for the table at the absolute index.
int pushEntry(lua_State* state, int table, int key)
{
    lua_pushinteger(state, key);
    lua_gettable(state, table);
    return lua_type(state, -1);
}

bool isNumberEntry(lua_State* state, int table, int key)
{
    pushEntry(state, table, key);
    if (lua_isnumber(state, -1))
        return true;
    lua_pop(state, 1);
    return false;
}

} // namespace

int KaLuaToS32(lua_State* state, int index)
{
    if (!lua_isnumber(state, index)) {
        KaPrintf("KaLuaToS32:: not a number");
        return 0;
    }
    return static_cast<int>(lua_tointeger(state, index));
}

unsigned int KaLuaToU32(lua_State* state, int index)
{
    if (!lua_isnumber(state, index)) {
        KaPrintf("KaLuaToU32:: not a number");
        return 0;
    }
    return static_cast<unsigned int>(lua_tounsigned(state, index));
}

float KaLuaToF32(lua_State* state, int index)
{
    if (!lua_isnumber(state, index)) {
        KaPrintf("KaLuaToF32:: not a number");
        return 0.0f;
    }
    return static_cast<float>(lua_tonumber(state, index));
}

bool KaLuaToBool(lua_State* state, int index)
{
    if (lua_type(state, index) != LUA_TBOOLEAN) {
        KaPrintf("KaLuaToBool:: not a bool");
        return false;
    }
    return lua_toboolean(state, index) != 0;
}

KaString KaLuaToKaString(lua_State* state, int index)
{
    if (!lua_isstring(state, index)) {
        KaPrintf("KaLuaToKaString:: not a string");
        return KaString();
    }
    size_t length = 0;
    const char* bytes = lua_tolstring(state, index, &length);
    return KaString(bytes, length);
}

KaVector3f32 KaLuaToKaVector3f32(lua_State* state, int index, KaVector3f32 defaultValue)
{
    if (!lua_istable(state, index)) {
        KaPrintf("KaLuaToKaVector3f32:: not a table");
        return defaultValue;
    }
    const int table = lua_absindex(state, index);
    float* components[3] = { &defaultValue.x, &defaultValue.y, &defaultValue.z };
    for (int key = 1; key <= 3; ++key) {
        if (isNumberEntry(state, table, key)) {
            *components[key - 1] = KaLuaToF32(state, -1);
            lua_pop(state, 1);
        }
    }
    return defaultValue;
}

KaColor KaLuaToKaColor(lua_State* state, int index)
{
    KaColor color(255, 255, 255, 255);
    if (!lua_istable(state, index)) {
        KaPrintf("KaLuaToKaColor:: not a table");
        return color;
    }
    const int table = lua_absindex(state, index);
    unsigned char* channels[4] = { &color.r, &color.g, &color.b, &color.a };
    for (int key = 1; key <= 4; ++key) {
        if (isNumberEntry(state, table, key)) {
            *channels[key - 1] = static_cast<unsigned char>(KaLuaToU32(state, -1) % 256);
            lua_pop(state, 1);
        }
    }
    return color;
}

KaArray<float> KaLuaToF32KaArray(lua_State* state, int index)
{
    KaArray<float> values;
    if (!lua_istable(state, index)) {
        KaPrintf("KaLuaToF32KaArray:: the lua value is not a table\n");
        return values;
    }
    const int table = lua_absindex(state, index);
    lua_pushnil(state);
    while (lua_next(state, table) != 0) {
        values.pushBack(KaLuaToF32(state, -1));
        lua_pop(state, 1);
    }
    return values;
}

KaQuaternion KaLuaToKaQuaternion(lua_State* state, int index, KaQuaternion defaultValue)
{
    if (!lua_istable(state, index)) {
        KaPrintf("KaLuaToKaQuaternion:: not a table");
        return defaultValue;
    }
    const int table = lua_absindex(state, index);
    KaVector3f32 axis;
    float* components[3] = { &axis.x, &axis.y, &axis.z };
    for (int key = 1; key <= 3; ++key) {
        if (isNumberEntry(state, table, key)) {
            *components[key - 1] = KaLuaToF32(state, -1);
            lua_pop(state, 1);
        }
    }
    if (!isNumberEntry(state, table, 4))
        return defaultValue;
    const float degrees = KaLuaToF32(state, -1);
    lua_pop(state, 1);
    return KaQuaternion::fromAxisAndAngle(axis, degrees * 3.1415927f / 180.0f);
}
