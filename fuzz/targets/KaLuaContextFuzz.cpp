// A damaged or forged "ContextLua" element of a save game restored into a
// Lua state holding a script's functions. The restore must leave every
// function and table in place, and what it restored must save and restore
// again to the very same values.

#include <cmath>
#include <cstring>

#include <lauxlib.h>
#include <tinyxml.h>

#include "engine/core/KaXMLLoad.h"
#include "engine/script/KaLuaContext.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

const char* const kScript = "function OnClick() return 1 end  score = 0  visited = false  name = 'hall'";

bool sameValue(const KaVariant& a, const KaVariant& b)
{
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case KaVariant::Boolean:
        return a.toBoolean() == b.toBoolean();
    case KaVariant::Float64: {
        const double x = a.toFloat64();
        const double y = b.toFloat64();
        return (std::isnan(x) && std::isnan(y)) || (x == y && std::signbit(x) == std::signbit(y));
    }
    case KaVariant::String:
        return a.toString() == b.toString();
    default:
        return true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TiXmlDocument document;
    const bool loaded = KaXMLLoad(KaFuzzWriteFile("save.xml", data, size), document, "[Game::load]");
    KaXMLFreeBuffer();
    if (!loaded || !document.RootElement())
        return 0;
    TiXmlElement* saved = document.RootElement();
    if (std::strcmp(saved->Value(), "ContextLua") != 0)
        saved = saved->FirstChildElement("ContextLua");
    if (!saved)
        return 0;

    KaLuaContext game;
    lua_State* state = game.luaState();
    KaFuzzCheck(luaL_dostring(state, kScript) == LUA_OK, "the script runs");
    game.load(*saved);
    KaFuzzCheck(luaL_dostring(state, "assert(type(OnClick) == 'function' and type(print) == 'function')"
                                     "assert(type(string) == 'table' and type(_G) == 'table' and _G == _G._G)"
                                     "assert(OnClick() == 1)") == LUA_OK,
        "no restore replaces a function or a table");
    KaFuzzCheck(lua_gettop(state) == 0, "the restore leaves the stack as it was");

    TiXmlElement again("ContextLua");
    game.save(again);
    KaLuaContext next;
    next.load(again);
    for (const TiXmlElement* element = again.FirstChildElement(); element; element = element->NextSiblingElement()) {
        const char* name = element->Attribute("name");
        KaFuzzCheck(name != nullptr, "every saved global has a name");
        KaFuzzCheck(sameValue(game.global(name), next.global(name)), "a saved global restores to the same value");
    }
    return 0;
}
