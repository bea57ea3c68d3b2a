#include <gtest/gtest.h>

#include <lauxlib.h>

#include <string>

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaConverters.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Evaluates one Lua expression and leaves its value on top of the stack.
class KaLuaConvertersTest : public ::testing::Test {
protected:
    lua_State* push(const char* expression)
    {
        lua_State* state = context.luaState();
        const std::string chunk = std::string("return ") + expression;
        EXPECT_EQ(LUA_OK, luaL_loadstring(state, chunk.c_str())) << expression;
        EXPECT_EQ(LUA_OK, lua_pcall(state, 0, 1, 0)) << expression;
        return state;
    }

    KaLuaContext context;
};

TEST_F(KaLuaConvertersTest, ScalarsAndTheirFallbacks)
{
    struct Case {
        const char* expression;
        int s32;
        unsigned int u32;
        float f32;
        const char* message; // what each numeric reader prints, its name replaced by %
    };
    const Case cases[] = {
        { "42", 42, 42u, 42.0f, "" },
        { "'17'", 17, 17u, 17.0f, "" },
        { "2.25", 2, 2u, 2.25f, "" },
        { "-1", -1, 0xffffffffu, -1.0f, "" },
        { "'abc'", 0, 0u, 0.0f, "not a number" },
        { "{}", 0, 0u, 0.0f, "not a number" },
        { "nil", 0, 0u, 0.0f, "not a number" },
    };
    for (const Case& test : cases) {
        lua_State* state = push(test.expression);
        const int top = lua_gettop(state);
        KaCaptureStdout capture;
        EXPECT_EQ(test.s32, KaLuaToS32(state, -1)) << test.expression;
        EXPECT_EQ(test.u32, KaLuaToU32(state, -1)) << test.expression;
        EXPECT_FLOAT_EQ(test.f32, KaLuaToF32(state, -1)) << test.expression;
        const std::string expected = *test.message
            ? std::string("KaLuaToS32:: not a numberKaLuaToU32:: not a numberKaLuaToF32:: not a number")
            : std::string();
        EXPECT_EQ(expected, capture.text()) << test.expression;
        EXPECT_EQ(top, lua_gettop(state));
        lua_pop(state, 1);
    }
}

TEST_F(KaLuaConvertersTest, BooleansAndStrings)
{
    lua_State* state = push("true");
    EXPECT_TRUE(KaLuaToBool(state, -1));
    lua_pop(state, 1);
    {
        push("1");
        KaCaptureStdout capture;
        EXPECT_FALSE(KaLuaToBool(state, -1)) << "a number is no boolean";
        EXPECT_EQ("KaLuaToBool:: not a bool", capture.text());
        lua_pop(state, 1);
    }

    push("'caf\\0e'");
    EXPECT_EQ(5u, KaLuaToKaString(state, -1).length()) << "the bytes as Lua holds them";
    lua_pop(state, 1);
    push("12");
    EXPECT_STREQ("12", KaLuaToKaString(state, -1).c_str());
    lua_pop(state, 1);
    {
        push("false");
        KaCaptureStdout capture;
        EXPECT_STREQ("", KaLuaToKaString(state, -1).c_str());
        EXPECT_EQ("KaLuaToKaString:: not a string", capture.text());
        lua_pop(state, 1);
    }
}

TEST_F(KaLuaConvertersTest, TablesFillTheDefaultsTheyName)
{
    lua_State* state = push("{ 1, 'x', 3 }");
    KaVector3f32 vector = KaLuaToKaVector3f32(state, -1, KaVector3f32(7, 8, 9));
    EXPECT_EQ(1.0f, vector.x);
    EXPECT_EQ(8.0f, vector.y) << "an entry that is not a number keeps the default";
    EXPECT_EQ(3.0f, vector.z);
    EXPECT_EQ(1, lua_gettop(state));
    lua_pop(state, 1);

    struct ColorCase {
        const char* expression;
        KaColor expected;
    };
    const ColorCase colors[] = {
        { "{ 10, 20 }", KaColor(10, 20, 255, 255) },
        { "{ 256, 300, 0, 0 }", KaColor(0, 44, 0, 0) },
        { "{}", KaColor(255, 255, 255, 255) },
    };
    for (const ColorCase& test : colors) {
        push(test.expression);
        KaColor color = KaLuaToKaColor(state, -1);
        EXPECT_EQ(test.expected.r, color.r) << test.expression;
        EXPECT_EQ(test.expected.g, color.g) << test.expression;
        EXPECT_EQ(test.expected.b, color.b) << test.expression;
        EXPECT_EQ(test.expected.a, color.a) << test.expression;
        lua_pop(state, 1);
    }

    // An absolute index reads the same table as a relative one.
    push("{ 4, 5, 6 }");
    push("'on top'");
    vector = KaLuaToKaVector3f32(state, 1, KaVector3f32());
    EXPECT_EQ(KaVector3f32(4, 5, 6), vector);
    lua_settop(state, 0);
}

TEST_F(KaLuaConvertersTest, ArraysAndRotations)
{
    lua_State* state = push("{ 1, 'x', 3 }");
    {
        KaCaptureStdout capture;
        KaArray<float> values = KaLuaToF32KaArray(state, -1);
        ASSERT_EQ(3u, values.size());
        EXPECT_EQ(1.0f, values[0]);
        EXPECT_EQ(0.0f, values[1]);
        EXPECT_EQ(3.0f, values[2]);
        EXPECT_EQ("KaLuaToF32:: not a number", capture.text());
    }
    lua_pop(state, 1);

    const KaQuaternion fallback(0.1f, 0.2f, 0.3f, 0.4f);
    push("{ 0, 1, 0 }");
    KaQuaternion rotation = KaLuaToKaQuaternion(state, -1, fallback);
    EXPECT_EQ(fallback.w, rotation.w) << "no angle: the default";
    EXPECT_EQ(fallback.x, rotation.x);
    lua_pop(state, 1);

    push("{ 0, 1, 0, 180 }");
    rotation = KaLuaToKaQuaternion(state, -1, fallback);
    EXPECT_NEAR(0.0f, rotation.x, 1e-6f);
    EXPECT_NEAR(1.0f, rotation.y, 1e-6f);
    EXPECT_NEAR(0.0f, rotation.w, 1e-6f);
    lua_pop(state, 1);

    KaCaptureStdout capture;
    push("7");
    EXPECT_EQ(0u, KaLuaToF32KaArray(state, -1).size());
    KaLuaToKaVector3f32(state, -1, KaVector3f32());
    KaLuaToKaColor(state, -1);
    KaLuaToKaQuaternion(state, -1, fallback);
    EXPECT_EQ("KaLuaToF32KaArray:: the lua value is not a table\n"
              "KaLuaToKaVector3f32:: not a table"
              "KaLuaToKaColor:: not a table"
              "KaLuaToKaQuaternion:: not a table",
        capture.text());
    lua_pop(state, 1);
}

} // namespace
