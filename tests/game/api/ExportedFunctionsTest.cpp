#include <gtest/gtest.h>

#include <lua.hpp>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/core/KaObject.h"
#include "engine/gui/KaMainWindow.h"
#include "game/api/Bind_ExportedFunctions.h"
#include "game/api/ExportedFunctions.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"
#include "game/scene/Billboard.h"
#include "game/scene/InGameScene.h"
#include "tests/game/CharacterTestFixture.h"

namespace {

// The functions on the application's own game, its scene holding the
// characters of the character tests: "Mira" the player and "Nils".
class ExportedFunctionsTest : public CharacterTest {
protected:
    void SetUp() override
    {
        CharacterTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        mainWindow.get()->setSize(KaVector3f32(320, 240, 100));
        KaCaptureStdout quiet;
        renderer.get()->init();
        application.get();
        scene().setLocation("Z", "S");
        ASSERT_TRUE(scene().loadCharacter("Nils"));
        ASSERT_TRUE(scene().loadPlayerCharacter("Mira", true));
    }
    void TearDown() override
    {
        posPlayer = KaVector3f32(-1.0f, -1.0f, -1.0f);
        application.get()->animationsWithoutReadjustment().clear();
        CharacterTest::TearDown();
    }

    static InGameScene& scene() { return application.get()->game().scene3D(); }
    static Character* nils() { return scene().character("Nils"); }

    KaGLTestContext gl { 320, 240 };
};

TEST_F(ExportedFunctionsTest, CharactersArePlacedTurnedAndReadBack)
{
    KaCaptureStdout console;
    PlaceCharacterOnDummy("Nils", "NoSuchDummy", 1.0f, 2.0f, 3.0f);
    EXPECT_FLOAT_EQ(1.0f, GetXPositionCharacter("Nils"));
    EXPECT_FLOAT_EQ(2.0f, GetYPositionCharacter("Nils"));
    EXPECT_FLOAT_EQ(3.0f, GetZPositionCharacter("Nils"));
    SetCharacterRotation("Nils", 0.0f, 90.0f, 0.0f);
    EXPECT_NEAR(1.5707964f, GetRotationCharacter("Nils"), 1e-4f);
    // Facing the ground point straight ahead along +z.
    SetCharacterOrientation("Nils", 1.0f, 10.0f);
    EXPECT_NEAR(0.0f, GetRotationCharacter("Nils"), 1e-4f);
    EXPECT_EQ("", console.text());

    KaCaptureStdout missing;
    EXPECT_EQ(0.0f, GetXPositionCharacter("Nobody"));
    EXPECT_EQ(0.0f, GetRotationCharacter("Nobody"));
    SetCharacterRotation("Nobody", 0.0f, 0.0f, 0.0f);
    EXPECT_EQ("[GetXPostionCharacter] Character not found Nobody\n"
              "[GetRotationCharacter] Character not found Nobody\n"
              "[SetCharacterRotation] Character not found Nobody\n",
        missing.text());
}

TEST_F(ExportedFunctionsTest, LooksModesAndAnimations)
{
    KaCaptureStdout console;
    SetCharacterColor("Nils", 300, 0, -1);
    EXPECT_EQ(44, nils()->model()->color().r);
    EXPECT_EQ(255, nils()->model()->color().b);

    const KaString playerMode = scene().player()->walkMode();
    SetRunMode2("Mira", "Jog");
    EXPECT_EQ(playerMode, scene().player()->walkMode()) << "not for the player";
    SetRunMode2("Nils", "Jog");
    EXPECT_EQ(KaString("Jog"), nils()->walkMode());
    SetRunMode(true);
    EXPECT_EQ(KaString("Jog"), scene().player()->walkMode());

    AddUnrecalAnim("Climb.kaan");
    AddUnrecalAnim("Climb.kaan");
    EXPECT_EQ(1u, application.get()->animationsWithoutReadjustment().size());

    SetCharacterAnimation("Nils", "walk_loop.kaan", false, false, -1, 9999);
    EXPECT_TRUE(CurrentCharacterAnimation("Nils", "walk_loop.kaan"));
    EXPECT_FALSE(CurrentCharacterAnimation("Nils", "idle.kaan"));
    EXPECT_EQ("", console.text());

    KaCaptureStdout failures;
    SetCharacterAnimation("Nils", "missing.kaan", true, false, -1, 9999);
    EXPECT_TRUE(CurrentCharacterAnimation("Nobody", "x"));
    SetCharacterAnimation("Nobody", "walk_loop.kaan", true, false, -1, 9999);
    AddCallback("Nobody", "a", "f", 1.0f, -1.0f);
    // After the loader's own lines about the missing file.
    const std::string expected
        = "[SetCharacterAnimation] Character's animation \"missing.kaan\" doesn't exist for the character\"Nils\"  \n"
          "[CurrentCharacterAnimation] Character's\"Nobody\" doesn't exist \n"
          "[AddCallback] Character's\"Nobody\" doesn't exist \n";
    const std::string text = failures.text();
    ASSERT_GE(text.size(), expected.size());
    EXPECT_EQ(expected, text.substr(text.size() - expected.size()));
}

TEST_F(ExportedFunctionsTest, HeadLooksStartAndEnd)
{
    SetCharacterLookChar("Nils", "Mira", false);
    EXPECT_EQ(scene().player(), nils()->lookAtCharacter());
    nils()->setHeadLookAt(true);
    SetCharacterAnchor("Nils", "");
    EXPECT_FALSE(nils()->headLookAt());
    SetCharacterLookChar("Nils", "", true);
    EXPECT_EQ(nullptr, nils()->lookAtCharacter());
    EXPECT_TRUE(nils()->lookAtRaised());
}

TEST_F(ExportedFunctionsTest, APlayerWalkWithoutAPathOrWhileDisabledGoesNowhere)
{
    // The scene has no walkable zone: no path.
    MoveCharacterPlayerTo(5.0f, 0.0f, 5.0f, false);
    EXPECT_EQ(KaVector3f32(-1.0f, -1.0f, -1.0f), posPlayer);
    EXPECT_EQ(nullptr, scene().player()->curve().get());
    MoveCharacterPlayerAtTo(5.0f, 0.0f, 5.0f);
    EXPECT_EQ(nullptr, scene().player()->curve().get());
}

TEST_F(ExportedFunctionsTest, LightsBlockersAnchorsAndBillboardsOutOfRangeOrMissing)
{
    KaCaptureStdout console;
    EnableLight(5, true);
    EnableLight(4294967295u, false);
    EnableBlocker(7, false);
    EnableRectBlocker(4294967295u, true);
    AddAnchorZone("Dummy", "", 1.0f);
    AddAnchorZone("DummyInt", "", 1.0f);
    EXPECT_EQ(0u, scene().anchorZones().size());
    SetBillboardSize("Nothing", 1.0f, 1.0f);
    SetGroundObjectPosition("Nothing", 0.0f, 0.0f, 0.0f);
    SetObjectOnCharacter("Nils", "Nothing", "Bone");
    EXPECT_EQ("[EnableLight] Light not found 5\n"
              "[EnableLight] Light not found -1\n"
              "[SetBillboardSize] Billboard not found Nothing\n"
              "[SetGroundObjectPosition] Object not found Nothing\n"
              "[SetObjectOnCharacter] Object not found Nils\n",
        console.text());
}

TEST_F(ExportedFunctionsTest, ABillboardIsPlacedAndShown)
{
    KaCaptureStdout console;
    LoadBillBoard("sign.png");
    Billboard* billboard = scene().billboard("sign.png");
    ASSERT_NE(nullptr, billboard);
    SetBillboardPosition("sign.png", 0.25f, 0.5f, 3.0f);
    EXPECT_EQ(KaVector3f32(0.25f, 0.5f, 3.0f), billboard->position());
    SetBillboardPosition2("sign.png", 0.5f, 0.5f, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(KaVector3f32(0.5f, 0.5f, 0.0f), billboard->position()) << "the screen depth goes back to 0";
    EXPECT_EQ(KaVector3f32(1.0f, 2.0f, 3.0f), billboard->position2());
    ShowBillboard("sign.png");
    EXPECT_TRUE(billboard->model()->visible());
    HideBillboard("sign.png");
    EXPECT_FALSE(billboard->model()->visible());
}

TEST_F(ExportedFunctionsTest, SceneObjectsMissEverywhereWithTheirLines)
{
    KaCaptureStdout console;
    HideObject("Ghost");
    ShowObject("Ghost");
    AddBlockingObject("Ghost");
    EXPECT_EQ("[HideObject] Object 3D \"Ghost\" doesn't exist.\n"
              "[HideObject] \"Set\" Object 2D \"Ghost\" doesn't exist.\n"
              "[HideObject] \"For\" Object 2D \"Ghost\" doesn't exist.\n"
              "[ShowObject] Object3D \"Ghost\" doesn't exist.\n"
              "[ShowObject] \"Set\" Object 2D \"Ghost\" doesn't exist.\n"
              "[ShowObject] \"For\" Object 2D \"Ghost\" doesn't exist.\n"
              "[AddBlockingObject] Object3D \"Ghost\" doesn't exist.\n"
              "[AddBlockingObject] Object 2D \"Ghost\" doesn't exist.\n",
        console.text());
    EXPECT_EQ(0u, scene().blockingObjects().size());

    // A character's model is a scene model.
    HideObject("Nils");
    EXPECT_FALSE(nils()->model()->visible());
    ShowObject("Nils");
    EXPECT_TRUE(nils()->model()->visible());
}

TEST_F(ExportedFunctionsTest, GameStateServices)
{
    EXPECT_EQ(0u, Random(0));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0u, Random(1));
    EXPECT_LT(Random(3), 3u);
    EXPECT_TRUE(TestFileFlagSystemFlag("platform", "Android"));
    EXPECT_FALSE(TestFileFlagSystemFlag("no such tag", "x"));
    EXPECT_TRUE(TestFileFlagSystemFlag("no such tag", ""));

    SetCondition("doorOpen");
    UnsetCondition("doorOpen");
    bool value = true;
    EXPECT_TRUE(application.get()->game().luaContext().global("doorOpen", value)) << "false, not nil";
    EXPECT_FALSE(value);

    KaCaptureStdout console;
    PrintDebugMessage("100% sure %s %d");
    Save("../escape.xml");
    Save("/tmp/escape.xml");
    Save("slots/../../escape.xml");
    Save("");
    EXPECT_EQ("100% sure %s %d"
              "[Save] \"../escape.xml\" is not a file name of the save folder.\n"
              "[Save] \"/tmp/escape.xml\" is not a file name of the save folder.\n"
              "[Save] \"slots/../../escape.xml\" is not a file name of the save folder.\n"
              "[Save] \"\" is not a file name of the save folder.\n",
        console.text());
}

// The closing address is read from its own small file, through the script as
// the last scene calls it: nothing is shown or printed, the file's objects go
// with the frame, and a missing file costs only the loader's line.
TEST_F(ExportedFunctionsTest, TheFinalAddressIsReadQuietlyAndItsFileLetGo)
{
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    LuaOpenBinds(state);
    auto call = [state]() -> std::string {
        const char* code = "OpenFinalURL() return 'went on'";
        if (luaL_dostring(state, code) != 0)
            return lua_tostring(state, -1);
        std::string result = lua_tostring(state, -1);
        lua_settop(state, 0);
        return result;
    };

    content.write("finalURL.lua",
        "finalURL = \"https://example.org/harbour/thanks\"\n"
        "KaLayout{ name = \"link\", sizeType = Percent, size = {1, 1, 1} }\n");
    KaObject::deleteNow();
    {
        KaCaptureStdout console;
        EXPECT_EQ("went on", call());
        EXPECT_EQ("", console.text());
    }
    EXPECT_EQ(1u, KaObject::pendingDeleteCount()) << "the file's layout is released";
    KaObject::deleteNow();

    // An address that is not a string, and then no file at all.
    content.write("finalURL.lua", "finalURL = { 1, 2 }\n");
    {
        KaCaptureStdout console;
        EXPECT_EQ("went on", call());
        EXPECT_EQ("", console.text());
    }
    ASSERT_EQ(0, std::remove(content.file("finalURL.lua").c_str()));
    {
        KaCaptureStdout console;
        EXPECT_EQ("went on", call());
        EXPECT_NE(std::string::npos, console.text().find("finalURL.lua")) << console.text();
    }
    lua_close(state);
}

} // namespace
