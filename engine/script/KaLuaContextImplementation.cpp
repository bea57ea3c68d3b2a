#include "engine/script/KaLuaContextImplementation.h"

#include <lauxlib.h>
#include <lualib.h>
#include <tinyxml.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/base/KaStd.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/script/KaLuaThread.h"

namespace {

const char* errorText(lua_State* state)
{
    const char* message = lua_tostring(state, -1);
    return message ? message : "(error object is not a string)";
}

// A scalar on its way into or out of Lua.
struct KaLuaScalar {
    int type = LUA_TNIL;
    bool boolean = false;
    lua_Number number = 0;
    KaString text;

    void push(lua_State* state) const
    {
        switch (type) {
        case LUA_TBOOLEAN:
            lua_pushboolean(state, boolean);
            break;
        case LUA_TNUMBER:
            lua_pushnumber(state, number);
            break;
        case LUA_TSTRING:
            lua_pushlstring(state, text.c_str(), text.length());
            break;
        default:
            lua_pushnil(state);
            break;
        }
    }

    void read(lua_State* state, int index)
    {
        type = lua_type(state, index);
        if (type == LUA_TBOOLEAN) {
            boolean = lua_toboolean(state, index) != 0;
        } else if (type == LUA_TNUMBER) {
            number = lua_tonumber(state, index);
        } else if (type == LUA_TSTRING) {
            size_t length = 0;
            const char* bytes = lua_tolstring(state, index, &length);
            text = KaString(bytes, length);
        }
    }
};

struct KaLuaGlobalAccess {
    const char* name;
    KaLuaScalar value;
    // Restoring: set only when the global holds no function, table or other
    // object of the scripts.
    bool onlyOverScalars = false;
    bool set = false;
};

int readGlobal(lua_State* state)
{
    KaLuaGlobalAccess* access = static_cast<KaLuaGlobalAccess*>(lua_touserdata(state, 1));
    lua_getglobal(state, access->name);
    access->value.read(state, -1);
    return 0;
}

bool isScalarType(int type)
{
    return type == LUA_TNIL || type == LUA_TBOOLEAN || type == LUA_TNUMBER || type == LUA_TSTRING;
}

int writeGlobal(lua_State* state)
{
    KaLuaGlobalAccess* access = static_cast<KaLuaGlobalAccess*>(lua_touserdata(state, 1));
    if (access->onlyOverScalars) {
        lua_pushglobaltable(state);
        lua_pushstring(state, access->name);
        lua_rawget(state, -2);
        const int current = lua_type(state, -1);
        lua_pop(state, 2);
        if (!isScalarType(current))
            return 0;
    }
    access->value.push(state);
    lua_setglobal(state, access->name);
    access->set = true;
    return 0;
}

// The registry entry of the objects the globals held at the last mark.
const char* const markedGlobalsKey = "__KaMarkedGlobals";

// Stack on entry: 1 the protected call's light userdata.
int markGlobalsOfState(lua_State* state)
{
    lua_newtable(state); // 2: the mark
    lua_pushglobaltable(state); // 3
    lua_pushnil(state);
    while (lua_next(state, 3)) { // 4 key, 5 value
        if (!isScalarType(lua_type(state, 5))) {
            lua_pushvalue(state, 4);
            lua_pushvalue(state, 5);
            lua_rawset(state, 2);
        }
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
    lua_setfield(state, LUA_REGISTRYINDEX, markedGlobalsKey);
    return 0;
}

int dropGlobalsOfState(lua_State* state)
{
    lua_getfield(state, LUA_REGISTRYINDEX, markedGlobalsKey); // 2
    if (!lua_istable(state, 2))
        return 0;
    lua_pushglobaltable(state); // 3
    // Objects defined or replaced since the mark go back to what the mark
    // holds (nil for a new one). Only existing fields change, which the
    // walk allows.
    lua_pushnil(state);
    while (lua_next(state, 3)) { // 4 key, 5 value
        if (!isScalarType(lua_type(state, 5))) {
            lua_pushvalue(state, 4);
            lua_rawget(state, 2); // 6 the marked value
            if (!lua_rawequal(state, 5, 6)) {
                lua_pushvalue(state, 4);
                lua_insert(state, 6); // 6 key, 7 marked value
                lua_rawset(state, 3);
            } else {
                lua_pop(state, 1);
            }
        }
        lua_pop(state, 1);
    }
    // Objects removed since the mark come back.
    lua_pushnil(state);
    while (lua_next(state, 2)) { // 4 key, 5 marked value
        lua_pushvalue(state, 4);
        lua_rawget(state, 3); // 6 the current value
        if (lua_isnil(state, 6)) {
            lua_pushvalue(state, 4);
            lua_pushvalue(state, 5);
            lua_rawset(state, 3);
        }
        lua_pop(state, 2);
    }
    lua_pushnil(state);
    lua_setfield(state, LUA_REGISTRYINDEX, markedGlobalsKey);
    return 0;
}

struct KaLuaCFunctionRegistration {
    const char* name;
    lua_CFunction function;
};

int registerFunction(lua_State* state)
{
    KaLuaCFunctionRegistration* registration = static_cast<KaLuaCFunctionRegistration*>(lua_touserdata(state, 1));
    lua_pushcfunction(state, registration->function);
    lua_setglobal(state, registration->name);
    return 0;
}

struct KaLuaRegistryEntry {
    const char* key;
    void* pointer;
};

int writeRegistry(lua_State* state)
{
    KaLuaRegistryEntry* entry = static_cast<KaLuaRegistryEntry*>(lua_touserdata(state, 1));
    lua_pushlightuserdata(state, entry->pointer);
    lua_setfield(state, LUA_REGISTRYINDEX, entry->key);
    return 0;
}

int readRegistry(lua_State* state)
{
    KaLuaRegistryEntry* entry = static_cast<KaLuaRegistryEntry*>(lua_touserdata(state, 1));
    lua_getfield(state, LUA_REGISTRYINDEX, entry->key);
    entry->pointer = lua_type(state, -1) == LUA_TLIGHTUSERDATA ? lua_touserdata(state, -1) : nullptr;
    return 0;
}

int openBindings(lua_State* state)
{
    KaLuaContextImplementation::BindingsOpener* opener =
        static_cast<KaLuaContextImplementation::BindingsOpener*>(lua_touserdata(state, 1));
    lua_settop(state, 0);
    (*opener)(state);
    return 0;
}

// The shortest text that reads back as the same double with "%lf": "%f"
// would keep six decimals and turn 1e-7 into 0.
KaString numberText(lua_Number number)
{
    char text[64];
    for (int precision = 15; precision <= 17; ++precision) {
        KaSprintf(text, sizeof text, "%.*g", precision, number);
        if (std::strtod(text, nullptr) == number)
            break;
    }
    return KaString(text);
}

int saveGlobals(lua_State* state)
{
    TiXmlNode* node = static_cast<TiXmlNode*>(lua_touserdata(state, 1));
    lua_pushglobaltable(state);
    lua_pushnil(state);
    while (lua_next(state, -2) != 0) {
        // Only string keys name a global that load() can set again; reading
        // any other key as text would also convert the walk's key in place.
        if (lua_type(state, -2) == LUA_TSTRING) {
            size_t nameLength = 0;
            const char* name = lua_tolstring(state, -2, &nameLength);
            // Linked, not copied: TinyXML copies attributes as C strings,
            // which would end a value at its first zero byte.
            std::unique_ptr<TiXmlElement> made(new TiXmlElement(""));
            TiXmlElement& element = *made;
            bool scalar = true;
            switch (lua_type(state, -1)) {
            case LUA_TBOOLEAN:
                element.SetValue("Boolean");
                KaXMLSetAttribute(element, "name", name, nameLength);
                element.SetAttribute("value", lua_toboolean(state, -1) ? 1 : 0);
                break;
            case LUA_TNUMBER:
                element.SetValue("Number");
                KaXMLSetAttribute(element, "name", name, nameLength);
                element.SetAttribute("value", numberText(lua_tonumber(state, -1)).c_str());
                break;
            case LUA_TSTRING: {
                // Every byte a script can hold, zeros and markup included.
                size_t length = 0;
                const char* bytes = lua_tolstring(state, -1, &length);
                element.SetValue("String");
                KaXMLSetAttribute(element, "name", name, nameLength);
                KaXMLSetAttribute(element, "value", bytes, length);
                break;
            }
            default:
                scalar = false;
                break;
            }
            if (scalar)
                node->LinkEndChild(made.release());
        }
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
    return 0;
}

// A saved element's value, or false when it has none that can be used.
bool savedValue(const TiXmlElement& element, KaLuaScalar& value)
{
    const char* kind = element.Value();
    const char* text = element.Attribute("value");
    if (!text) {
        // A string saved without a value stands for a global that is gone.
        if (std::strcmp(kind, "String") != 0)
            return false;
        value.type = LUA_TNIL;
        return true;
    }
    if (std::strcmp(kind, "Boolean") == 0) {
        int integer = 0;
        if (std::sscanf(text, "%d", &integer) != 1)
            return false;
        value.type = LUA_TBOOLEAN;
        value.boolean = integer != 0;
        return true;
    }
    if (std::strcmp(kind, "Number") == 0) {
        double number = 0;
        if (std::sscanf(text, "%lf", &number) != 1)
            return false;
        value.type = LUA_TNUMBER;
        value.number = number;
        return true;
    }
    if (std::strcmp(kind, "String") == 0) {
        value.type = LUA_TSTRING;
        KaXMLAttribute(element, "value", value.text);
        return true;
    }
    return false;
}

int clampedInteger(lua_Number number)
{
    if (std::isnan(number))
        return 0;
    if (number >= static_cast<lua_Number>(INT_MAX))
        return INT_MAX;
    if (number <= static_cast<lua_Number>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(number);
}

} // namespace

int luaPanicFunction(lua_State* state)
{
    KaPrintf("Lua: %s\n", errorText(state));
    lua_pop(state, 1);
    return 1;
}

KaLuaContextImplementation::KaLuaContextImplementation()
    : mState(nullptr)
    , mActiveRuns(0)
    , mClosePending(false)
{
    create();
}

KaLuaContextImplementation::~KaLuaContextImplementation() { destroy(); }

void KaLuaContextImplementation::create()
{
    if (mActiveRuns > 0) {
        KaPrintf("[KaLuaContext::create] A script of the state is running\n");
        return;
    }
    destroy();
    lua_State* state = luaL_newstate();
    if (!state) {
        KaPrintf("[KaLuaContext::create] Can't create the Lua state\n");
        return;
    }
    lua_atpanic(state, luaPanicFunction);
    lua_pushcfunction(state, [](lua_State* opened) -> int {
        luaL_openlibs(opened);
        return 0;
    });
    if (lua_pcall(state, 0, 0, 0) != LUA_OK) {
        KaPrintf("[KaLuaContext::create] %s\n", errorText(state));
        lua_close(state);
        return;
    }
    mState = state;
}

void KaLuaContextImplementation::destroy()
{
    if (mActiveRuns > 0) {
        mClosePending = mState != nullptr;
        return;
    }
    mClosePending = false;
    while (mThreads.size() > 0) {
        KaLuaThread* thread = mThreads.last();
        mThreadDiscarded.call(thread);
        // A listener may have released or deleted it already.
        if (mThreads.contains(thread))
            thread->discard();
    }
    if (!mState)
        return;
    lua_State* state = mState;
    mState = nullptr;
    lua_close(state);
}

bool KaLuaContextImplementation::protectedCall(lua_State* state, lua_CFunction function, void* data, const char* who)
{
    if (!state || !lua_checkstack(state, 2)) {
        KaPrintf("%s: the Lua stack is full\n", who);
        return false;
    }
    const int top = lua_gettop(state);
    lua_pushcfunction(state, function);
    lua_pushlightuserdata(state, data);
    const bool done = lua_pcall(state, 1, 0, 0) == LUA_OK;
    if (!done)
        KaPrintf("%s: %s\n", who, errorText(state));
    lua_settop(state, top);
    return done;
}

bool KaLuaContextImplementation::protectedCall(lua_CFunction function, void* data, const char* who) const
{
    if (!mState)
        return false;
    return protectedCall(mState, function, data, who);
}

void KaLuaContextImplementation::addBindings(BindingsOpener opener)
{
    if (!opener)
        return;
    protectedCall(openBindings, &opener, "[KaLuaContext::addBindings]");
}

void KaLuaContextImplementation::registerCFunction(const KaString& name, lua_CFunction function)
{
    KaLuaCFunctionRegistration registration { name.c_str(), function };
    protectedCall(registerFunction, &registration, "[KaLuaContext::registerCFunction]");
}

void KaLuaContextImplementation::setInRegistry(const char* key, void* pointer)
{
    KaLuaRegistryEntry entry { key, pointer };
    protectedCall(writeRegistry, &entry, "[KaLuaContext::setInRegistry]");
}

void* KaLuaContextImplementation::fromRegistry(const char* key) const
{
    KaLuaRegistryEntry entry { key, nullptr };
    if (!protectedCall(readRegistry, &entry, "[KaLuaContext::fromRegistry]"))
        return nullptr;
    return entry.pointer;
}

void KaLuaContextImplementation::setGlobal(const KaString& name, bool value)
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    access.value.type = LUA_TBOOLEAN;
    access.value.boolean = value;
    protectedCall(writeGlobal, &access, "[KaLuaContext::setGlobal]");
}

void KaLuaContextImplementation::setGlobal(const KaString& name, int value)
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    access.value.type = LUA_TNUMBER;
    access.value.number = value;
    protectedCall(writeGlobal, &access, "[KaLuaContext::setGlobal]");
}

void KaLuaContextImplementation::setGlobal(const KaString& name, const KaString& value)
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    access.value.type = LUA_TSTRING;
    access.value.text = value;
    protectedCall(writeGlobal, &access, "[KaLuaContext::setGlobal]");
}

void KaLuaContextImplementation::removeGlobal(const KaString& name)
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    protectedCall(writeGlobal, &access, "[KaLuaContext::removeGlobal]");
}

void KaLuaContextImplementation::markGlobals()
{
    protectedCall(markGlobalsOfState, nullptr, "[KaLuaContext::markGlobals]");
}

void KaLuaContextImplementation::dropGlobalsSinceMark()
{
    protectedCall(dropGlobalsOfState, nullptr, "[KaLuaContext::dropGlobalsSinceMark]");
}

KaVariant KaLuaContextImplementation::global(const KaString& name) const
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    if (!protectedCall(readGlobal, &access, "[KaLuaContext::global]"))
        return KaVariant();
    switch (access.value.type) {
    case LUA_TBOOLEAN:
        return KaVariant(access.value.boolean);
    case LUA_TNUMBER:
        return KaVariant(static_cast<double>(access.value.number));
    case LUA_TSTRING:
        return KaVariant(access.value.text);
    default:
        return KaVariant();
    }
}

bool KaLuaContextImplementation::global(const KaString& name, bool& value) const
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    if (!protectedCall(readGlobal, &access, "[KaLuaContext::global]") || access.value.type != LUA_TBOOLEAN)
        return false;
    value = access.value.boolean;
    return true;
}

bool KaLuaContextImplementation::global(const KaString& name, KaString& value) const
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    if (!protectedCall(readGlobal, &access, "[KaLuaContext::global]") || access.value.type != LUA_TSTRING)
        return false;
    value = access.value.text;
    return true;
}

bool KaLuaContextImplementation::global(const KaString& name, int& value) const
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    if (!protectedCall(readGlobal, &access, "[KaLuaContext::global]") || access.value.type != LUA_TNUMBER)
        return false;
    value = clampedInteger(access.value.number);
    return true;
}

bool KaLuaContextImplementation::global(const KaString& name, float& value) const
{
    KaLuaGlobalAccess access;
    access.name = name.c_str();
    if (!protectedCall(readGlobal, &access, "[KaLuaContext::global]") || access.value.type != LUA_TNUMBER)
        return false;
    value = static_cast<float>(access.value.number);
    return true;
}

void KaLuaContextImplementation::save(TiXmlNode& node) const
{
    protectedCall(saveGlobals, &node, "[KaLuaContext::save]");
}

void KaLuaContextImplementation::load(TiXmlNode& node)
{
    if (!mState)
        return;
    for (TiXmlElement* element = node.FirstChildElement(); element; element = element->NextSiblingElement()) {
        KaString name;
        if (!KaXMLAttribute(*element, "name", name))
            continue;
        KaLuaGlobalAccess access;
        access.name = name.c_str();
        access.onlyOverScalars = true;
        if (!savedValue(*element, access.value))
            continue;
        protectedCall(writeGlobal, &access, "[KaLuaContext::load]");
    }
}
