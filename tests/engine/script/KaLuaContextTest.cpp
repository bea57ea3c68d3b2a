#include <gtest/gtest.h>

#include <lauxlib.h>

#include <string>

#include "engine/script/KaLuaContext.h"
#include "tests/support/KaTestSupport.h"

namespace {

bool run(KaLuaContext& context, const char* code)
{
    lua_State* state = context.luaState();
    if (luaL_loadstring(state, code) != LUA_OK || lua_pcall(state, 0, 0, 0) != LUA_OK) {
        ADD_FAILURE() << lua_tostring(state, -1);
        lua_pop(state, 1);
        return false;
    }
    return true;
}

int twice(lua_State* state)
{
    lua_pushnumber(state, 2 * luaL_checknumber(state, 1));
    return 1;
}

void openTestBindings(lua_State* state)
{
    lua_pushinteger(state, 99);
    lua_setglobal(state, "BINDING_VALUE");
}

void openFailingBindings(lua_State* state) { luaL_error(state, "no bindings today"); }

TEST(KaLuaContextTest, CreatedOpenWithEveryStandardLibrary)
{
    KaLuaContext context;
    ASSERT_TRUE(context.isCreated());
    ASSERT_NE(nullptr, context.luaState());
    EXPECT_TRUE(run(context, "assert(string.format and math.floor and table.insert and io and os and coroutine)"));

    context.destroy();
    EXPECT_FALSE(context.isCreated());
    EXPECT_EQ(nullptr, context.luaState());
    context.setGlobal("ignored", true);
    EXPECT_FALSE(context.global("ignored").isValid()) << "a closed context does nothing";

    context.create();
    EXPECT_TRUE(context.isCreated());
    context.create();
    EXPECT_TRUE(context.isCreated()) << "the state still open is replaced (and closed)";
}

TEST(KaLuaContextTest, TypedGlobals)
{
    KaLuaContext context;
    context.setGlobal("flag", true);
    context.setGlobal("count", 12);
    context.setGlobal("label", "vingt");
    ASSERT_TRUE(run(context, "twelve = '12' ; ratio = -2.75 ; list = {}"));

    bool flag = false;
    int count = 0;
    float ratio = 0;
    KaString label;
    EXPECT_TRUE(context.global("flag", flag));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(context.global("count", count));
    EXPECT_EQ(12, count);
    EXPECT_TRUE(context.global("label", label));
    EXPECT_STREQ("vingt", label.c_str());
    EXPECT_TRUE(context.global("ratio", count));
    EXPECT_EQ(-2, count) << "truncated toward zero";
    EXPECT_TRUE(context.global("ratio", ratio));
    EXPECT_EQ(-2.75f, ratio);

    // A value of another type leaves the out-argument alone.
    count = 5;
    EXPECT_FALSE(context.global("twelve", count));
    EXPECT_EQ(5, count);
    label = "kept";
    EXPECT_FALSE(context.global("count", label)) << "a number is no string";
    EXPECT_STREQ("kept", label.c_str());
    EXPECT_FALSE(context.global("label", flag));
    EXPECT_FALSE(context.global("missing", ratio));

    struct Case {
        const char* name;
        KaVariant::ObjectType type;
    };
    const Case cases[] = {
        { "flag", KaVariant::Boolean },
        { "count", KaVariant::Float64 },
        { "twelve", KaVariant::String },
        { "list", KaVariant::Invalid },
        { "print", KaVariant::Invalid },
        { "missing", KaVariant::Invalid },
    };
    for (const Case& test : cases)
        EXPECT_EQ(test.type, context.global(test.name).type()) << test.name;
    EXPECT_STREQ("12", context.global("twelve").toString().c_str());

    context.removeGlobal("flag");
    EXPECT_FALSE(context.global("flag").isValid());
    EXPECT_EQ(0, lua_gettop(context.luaState())) << "every access leaves the stack as it was";
}

TEST(KaLuaContextTest, NativeFunctionsBindingsAndRegistry)
{
    KaLuaContext context;
    context.registerCFunction("Twice", twice);
    context.addBindings(openTestBindings);
    ASSERT_TRUE(run(context, "result = Twice(BINDING_VALUE)"));
    int result = 0;
    EXPECT_TRUE(context.global("result", result));
    EXPECT_EQ(198, result);

    int anchor = 0;
    context.setInRegistry("__KaLuaGUIThis", &anchor);
    EXPECT_EQ(&anchor, context.fromRegistry("__KaLuaGUIThis"));
    EXPECT_EQ(nullptr, context.fromRegistry("absent"));

    KaCaptureStdout capture;
    context.addBindings(openFailingBindings);
    EXPECT_NE(std::string::npos, capture.text().find("[KaLuaContext::addBindings]")) << "reported, not a panic";
    EXPECT_EQ(0, lua_gettop(context.luaState()));
}

// A script may guard its globals with metamethods that raise: the engine's
// accesses run protected, report the error and go on.
// What scripts define after a mark goes when it is dropped; what they
// replaced or removed comes back; their scalars stay.
TEST(KaLuaContextTest, DroppingSinceTheMarkPutsBackTheObjectsButNotTheScalars)
{
    KaLuaContext context;
    context.registerCFunction("Twice", twice);
    ASSERT_TRUE(run(context, "function Kept() return 'kept' end\n"
                             "function Replaced() return 'old' end\n"
                             "function Removed() return 'removed' end\n"
                             "shared = { 1 }\n"));
    context.markGlobals();
    ASSERT_TRUE(run(context, "function Handler() end\n"
                             "list = {}\n"
                             "co = coroutine.create(function() end)\n"
                             "function Replaced() return 'new' end\n"
                             "Removed = nil\n"
                             "Twice = function() return 0 end\n"
                             "shared[2] = 2\n"
                             "condition = true\n"
                             "count = 3\n"
                             "name = 'quay'\n"
                             "Kept = 'now a string'\n"));
    context.dropGlobalsSinceMark();
    EXPECT_TRUE(run(context, "assert(Handler == nil and list == nil and co == nil)\n"
                             "assert(Replaced() == 'old' and Removed() == 'removed')\n"
                             "assert(Twice(4) == 8)\n"
                             // A table changed in place is the same table.
                             "assert(shared[2] == 2)\n"
                             "assert(condition == true and count == 3 and name == 'quay')\n"
                             "assert(Kept == 'now a string')\n"));
    // The mark is used up: a second drop, or one without a mark, does
    // nothing.
    ASSERT_TRUE(run(context, "function Later() end\n"));
    context.dropGlobalsSinceMark();
    EXPECT_TRUE(run(context, "assert(Later ~= nil)"));
    KaLuaContext fresh;
    ASSERT_TRUE(run(fresh, "function Unmarked() end"));
    fresh.dropGlobalsSinceMark();
    EXPECT_TRUE(run(fresh, "assert(Unmarked ~= nil)"));
}

TEST(KaLuaContextTest, ErrorsRaisedByTheGlobalsTableAreReported)
{
    KaLuaContext context;
    ASSERT_TRUE(run(context, "setmetatable(_G, { __newindex = function(t, k) error('undeclared ' .. k) end,"
                             "                  __index = function(t, k) error('unknown ' .. k) end })"));
    KaCaptureStdout capture;
    context.setGlobal("fresh", 3);
    int value = 7;
    EXPECT_FALSE(context.global("fresh", value));
    EXPECT_EQ(7, value);
    context.registerCFunction("Twice", twice);
    const std::string text = capture.text();
    EXPECT_NE(std::string::npos, text.find("[KaLuaContext::setGlobal]")) << text;
    EXPECT_NE(std::string::npos, text.find("undeclared fresh")) << text;
    EXPECT_NE(std::string::npos, text.find("unknown fresh")) << text;
    EXPECT_NE(std::string::npos, text.find("[KaLuaContext::registerCFunction]")) << text;
    EXPECT_EQ(0, lua_gettop(context.luaState()));
}

TEST(KaLuaContextTest, PanicFunctionPrintsTheError)
{
    KaLuaContext context;
    lua_State* state = context.luaState();
    lua_pushstring(state, "out of protection");
    KaCaptureStdout capture;
    luaPanicFunction(state);
    EXPECT_EQ("Lua: out of protection\n", capture.text());
    EXPECT_EQ(0, lua_gettop(state));
}

} // namespace
