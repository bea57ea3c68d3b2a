#include <gtest/gtest.h>

#include <lauxlib.h>
#include <lualib.h>

#include <set>
#include <string>

#include "game/api/Bind_ExportedFunctions.h"
#include "game/game/Game.h"
#include "tests/game/api/ScriptApiSpies.h"

namespace {

class BindingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptApiSpies::install();
        state = luaL_newstate();
        luaL_openlibs(state);
        LuaOpenBinds(state);
    }
    void TearDown() override
    {
        lua_close(state);
        resetExportedFunctionTargets();
    }

    // Runs one chunk named "case"; what it returned, or its error.
    std::string run(const std::string& code, bool& failed)
    {
        lua_settop(state, 0);
        failed = false;
        if (luaL_loadbuffer(state, code.c_str(), code.size(), "=case") != LUA_OK
            || lua_pcall(state, 0, LUA_MULTRET, 0) != LUA_OK) {
            failed = true;
            return lua_tostring(state, -1);
        }
        std::string results;
        const int count = lua_gettop(state);
        for (int i = 1; i <= count; ++i)
            results += (i > 1 ? ", " : "") + std::string(luaL_tolstring(state, i, nullptr));
        return results;
    }

    lua_State* state = nullptr;
};

std::string argumentError(const char* function, int index, const char* found, const char* expected)
{
    return "case:1: error in function '" + std::string(function) + "'.\n     argument #" + std::to_string(index)
        + " is '" + found + "'; '" + expected + "' expected.\n";
}

struct CallCase {
    const char* code;
    // The calls the spies saw, "; " between them.
    std::string calls;
    // The chunk's results, or its error text.
    std::string result;
    bool fails;
};

TEST_F(BindingsTest, ArgumentsAreTestedConvertedAndPassedOn)
{
    const CallCase cases[] = {
        // Defaults of the absent optional arguments.
        { "PlaySound('a.ogg')", "PlaySound00(\"a.ogg\", -1, 1)", "", false },
        { "PlaySound('a.ogg', 1, 0.5)", "PlaySound00(\"a.ogg\", 1, 0.5)", "", false },
        { "LaunchDialog('k')", "LaunchDialog00(\"k\", 1, \"\", \"\", 0)", "", false },
        { "AddMarker('m', 'i', 1, 2)", "AddMarker00(\"m\", \"i\", 1, 2, \"\", \"\")", "", false },
        { "DeleteCallbackPlayer()", "DeleteCallbackPlayer00(\"\", \"\", -1)", "", false },
        { "SetCharacterAnimation('c', 'a')", "SetCharacterAnimation00(\"c\", \"a\", true, false, -1, 9999)", "",
            false },
        { "MoveCharacterPlayerTo(1, 2, 3)", "MoveCharacterPlayerTo00(1, 2, 3, false)", "", false },
        { "AddAnchorZone('Dummy', 'd')", "AddAnchorZone00(\"Dummy\", \"d\", 1)", "", false },
        { "DisabledZone('z')", "DisabledZone00(\"z\", true)", "", false },
        // Extra, missing and wrong arguments: the error, and no call.
        { "PlaySound('a.ogg', 1, 0.5, 7)", "", argumentError("PlaySound", 4, "number", "[no object]"), true },
        { "PlaySound()", "", argumentError("PlaySound", 1, "[no object]", "string"), true },
        { "PlaySound({})", "", argumentError("PlaySound", 1, "table", "string"), true },
        { "PlaySound('a', 'x')", "", argumentError("PlaySound", 2, "string", "number"), true },
        { "PlaySound('a', nil)", "", argumentError("PlaySound", 2, "nil", "number"), true },
        { "SetVisibleMarker('m', 0)", "", argumentError("SetVisibleMarker", 2, "number", "boolean"), true },
        { "HideTasks(1)", "", argumentError("HideTasks", 1, "number", "[no object]"), true },
        { "MoveCharacterPlayerToAndWaitForEnd(1, 2, 3, true)", "",
            argumentError("MoveCharacterPlayerToAndWaitForEnd", 4, "boolean", "[no object]"), true },
        // Nil: the empty string for a string, false for a boolean.
        { "PlaySound(nil)", "PlaySound00(\"\", -1, 1)", "", false },
        { "ChangeWarp('z', 's', nil)", "ChangeWarp00(\"z\", \"s\", false)", "", false },
        { "SetCharacterAnimation('c', 'a', nil, true)", "SetCharacterAnimation00(\"c\", \"a\", false, true, -1, 9999)",
            "", false },
        // Numbers as strings and strings as numbers.
        { "PlaySound(12.5)", "PlaySound00(\"12.5\", -1, 1)", "", false },
        { "PlaySound(3)", "PlaySound00(\"3\", -1, 1)", "", false },
        { "PrintDebugMessage(1e20)", "PrintDebugMessage00(\"1e+20\")", "", false },
        { "PlaySound('a', '2', ' 0.25 ')", "PlaySound00(\"a\", 2, 0.25)", "", false },
        // Truncation toward zero, and the defined ends of the ranges.
        { "StartAnimation('s', 2.9)", "StartAnimation00(\"s\", 2, false)", "", false },
        { "StartAnimation('s', -0.5)", "StartAnimation00(\"s\", 0, false)", "", false },
        { "StartAnimation('s', -2.9)", "StartAnimation00(\"s\", -2, false)", "", false },
        { "StartAnimation('s', 1e100)", "StartAnimation00(\"s\", 2147483647, false)", "", false },
        { "StartAnimation('s', 0/0)", "StartAnimation00(\"s\", 0, false)", "", false },
        { "SetCharacterColor('c', 300, -1, 2.5)", "SetCharacterColor00(\"c\", 300, -1, 2)", "", false },
        { "Random(3.7)", "Random00(3)", "", false },
        { "Random(-0.5)", "Random00(0)", "", false },
        { "Random(-1)", "Random00(4294967295)", "", false },
        { "Random(1e12)", "Random00(4294967295)", "", false },
        { "Random(0/0)", "Random00(4294967295)", "", false },
        { "LaunchDialog('k', -3)", "LaunchDialog00(\"k\", 4294967295, \"\", \"\", 0)", "", false },
        { "EnableRectBlocker(-1, true)", "EnableRectBlocker00(4294967295, true)", "", false },
        // The functions without the no-object test.
        { "EnableLight(0, true, 'x')", "EnableLight00(0, true)", "", false },
        { "EnableLight(2.9, false)", "EnableLight00(2, false)", "", false },
        { "EnableLight(-1, true)", "EnableLight00(4294967295, true)", "", false },
        { "EnableLight(0)", "", argumentError("EnableLight", 2, "[no object]", "boolean"), true },
        { "UnlockAchievement(3, 4, 5)", "UnlockAchievement00(3)", "", false },
        { "UnlockAchievement(-2.5)", "UnlockAchievement00(-2)", "", false },
        { "UnlockAchievement()", "", argumentError("UnlockAchievement", 1, "[no object]", "number"), true },
        { "RequestAutoSave(1, 'x', {})", "RequestAutoSave00()", "", false },
        { "RequestAutoSave()", "RequestAutoSave00()", "", false },
        // The two overloads: the visible one first, the first one when its
        // own test fails, with the first one's error.
        { "LoadObjectMaterials('f')", "LoadObjectMaterials00(\"f\")", "", false },
        { "LoadObjectMaterials('f', 'o')", "LoadObjectMaterials01(\"f\", \"o\")", "", false },
        { "LoadObjectMaterials(1, {})", "", argumentError("LoadObjectMaterials", 2, "table", "[no object]"), true },
        { "LoadObjectMaterials('a', 'b', 'c')", "", argumentError("LoadObjectMaterials", 2, "string", "[no object]"),
            true },
        { "RemoveObject()", "RemoveObject01()", "", false },
        { "RemoveObject('key')", "RemoveObject00(\"key\")", "", false },
        { "RemoveObject(nil)", "RemoveObject00(\"\")", "", false },
        { "RemoveObject({})", "", argumentError("RemoveObject", 1, "table", "string"), true },
        // Sounds of the steps, answers, tasks, the phone and the last address.
        { "SetSoundStep('z', 'a', 'b')", "SetSoundStep00(\"z\", \"a\", \"b\")", "", false },
        { "SetSoundStep('z', 'a')", "", argumentError("SetSoundStep", 3, "[no object]", "string"), true },
        { "PushAnswer('id', 'menus/answers/a.lua')", "PushAnswer00(\"id\", \"menus/answers/a.lua\")", "", false },
        { "PushAnswer('id')", "", argumentError("PushAnswer", 2, "[no object]", "string"), true },
        { "PushAnswer('id', 'g', 1)", "", argumentError("PushAnswer", 3, "number", "[no object]"), true },
        { "DeleteTask('t', nil)", "DeleteTask00(\"t\", \"\")", "", false },
        { "DeleteTask('t', {})", "", argumentError("DeleteTask", 2, "table", "string"), true },
        { "AddNumber(5550142)", "AddNumber00(\"5550142\")", "", false },
        { "AddNumber()", "", argumentError("AddNumber", 1, "[no object]", "string"), true },
        { "OpenFinalURL()", "OpenFinalURL00()", "", false },
        { "OpenFinalURL('x')", "", argumentError("OpenFinalURL", 1, "string", "[no object]"), true },
        // Results.
        { "return TutoActive()", "TutoActive00()", "true", false },
        { "return Selected('x')", "Selected00(\"x\")", "true", false },
        { "return GetXPositionCharacter('m')", "GetXPositionCharacter00(\"m\")", "1.5", false },
        { "return TestFileFlagSystemFlag('platform', 'Android')", "TestFileFlagSystemFlag00(\"platform\", \"Android\")",
            "true", false },
        { "return HideTasks()", "HideTasks00()", "", false },
    };
    for (const CallCase& c : cases) {
        ScriptApiSpies::calls().clear();
        ScriptApiSpies::answers().boolean = true;
        ScriptApiSpies::answers().number = 1.5f;
        bool failed = false;
        const std::string result = run(c.code, failed);
        EXPECT_EQ(c.fails, failed) << c.code << ": " << result;
        EXPECT_EQ(c.result, result) << c.code;
        EXPECT_EQ(c.calls, ScriptApiSpies::joinedCalls()) << c.code;
    }
}

TEST_F(BindingsTest, RandomAnswersTheGameFunctionsNumber)
{
    ScriptApiSpies::answers().unsignedNumber = 4;
    bool failed = false;
    EXPECT_EQ("4", run("return Random(5)", failed));
}

// Every name of the table is a global function once the module is open, also
// opened a second time over the first (each scene change opens it again).
TEST_F(BindingsTest, OpeningRegistersEveryNameOnceAndAgain)
{
    std::vector<std::string> registrations;
#define KA_NAME(name, ...) registrations.push_back(#name);
    KA_EXPORTED_FUNCTIONS(KA_NAME, KA_NAME, KA_NAME, KA_NAME)
#undef KA_NAME
    EXPECT_EQ(132u, registrations.size());
    const std::set<std::string> names(registrations.begin(), registrations.end());
    EXPECT_EQ(130u, names.size());

    lua_pushstring(state, "kept");
    lua_setglobal(state, "SceneValue");
    EXPECT_EQ(1, tolua_ExportedFunctions_open(state));
    EXPECT_EQ(1, luaopen_ExportedFunctions(state));
    for (const std::string& name : names) {
        lua_getglobal(state, name.c_str());
        EXPECT_TRUE(lua_iscfunction(state, -1)) << name;
        lua_pop(state, 1);
    }
    bool failed = false;
    EXPECT_EQ("kept", run("return SceneValue", failed));
    EXPECT_EQ("", run("RemoveObject() LoadObjectMaterials('a', 'b')", failed));
    EXPECT_EQ("RemoveObject01(); LoadObjectMaterials01(\"a\", \"b\")", ScriptApiSpies::joinedCalls());
}

} // namespace
