#include <gtest/gtest.h>

#include <fstream>

#include "engine/core/KaBackup.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/scene/Object3D.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

// The script functions as the sample game's scripts use them, one family at
// a time, in the running game on the fake clock: each call goes through the
// real bindings into the game.
class ScriptFamiliesTest : public SampleGameTest {
protected:
    void SetUp() override
    {
        SampleGameTest::SetUp();
        newGame();
        log.clear();
    }
};

TEST_F(ScriptFamiliesTest, SceneObjectsAreHiddenAndShownAgain)
{
    InGameScene& scene = game().scene3D();
    const int lantern = scene.object("LanternDesk01010");
    ASSERT_GE(lantern, 0);
    KaModel* model = scene.objects()[static_cast<unsigned long>(lantern)].model.get();
    lua("ShowObject('LanternDesk01010')");
    EXPECT_TRUE(model->visible());
    lua("HideObject('LanternDesk01010')");
    EXPECT_FALSE(model->visible());
    lua("ShowObject('LanternDesk01010')");
    EXPECT_TRUE(model->visible());
}

// A prop of the objects' settings (here the clerk's figure stands in for a
// crate) placed on the floor and moved over a second.
TEST_F(ScriptFamiliesTest, AThreeDObjectMovesOverTime)
{
    content.write("objects/ObjectsSettings.xml",
        "<?xml version=\"1.0\" ?>\n<ObjectsSettings><Object name=\"Crate\">"
        "<modelFileName>../models/Ansel.kamd</modelFileName><defaultScale>1,1,1</defaultScale>"
        "</Object></ObjectsSettings>\n");
    ASSERT_TRUE(Object3D::loadSettings(KaPath((content.path() + "/objects/ObjectsSettings.xml").c_str())));
    lua("LoadObject('Crate')\n"
        "SetGroundObjectPosition('Crate', 0, 0, 200)\n"
        "TranslateGroundObject('Crate', 100, 0, 0, 1.0)");
    Object3D* crate = game().scene3D().object3D("Crate");
    ASSERT_NE(nullptr, crate);
    ASSERT_TRUE(crate->model());
    frames(30);
    const float halfway = crate->model()->position().x;
    EXPECT_GT(halfway, 20.0f);
    EXPECT_LT(halfway, 80.0f);
    frames(40);
    EXPECT_NEAR(100.0f, crate->model()->position().x, 0.5f);
    EXPECT_NEAR(200.0f, crate->model()->position().z, 0.5f);
}

TEST_F(ScriptFamiliesTest, ACharacterWalksACurveAndItsScriptWaitsForTheEnd)
{
    lua("function ClerkOut()\n"
        "  MoveCharacterToAndWaitForEnd('Ansel', 'PathDoor01010', 0, 1)\n"
        "  print('[test] the clerk is at the door')\n"
        "end\n");
    run("ClerkOut");
    Character* clerk = game().scene3D().character("Ansel");
    ASSERT_NE(nullptr, clerk);
    const KaVector3f32 start = clerk->model()->position();
    EXPECT_EQ(std::string::npos, log.find("[test] the clerk is at the door"));
    ASSERT_TRUE(framesUntil("[test] the clerk is at the door", 1200)) << log;
    const KaVector3f32 end = clerk->model()->position();
    EXPECT_GT(std::abs(end.x - start.x) + std::abs(end.z - start.z), 100.0f);
}

TEST_F(ScriptFamiliesTest, ADocumentShownIsWaitedOnUntilItCloses)
{
    lua("AddDocument('Logbook')\n"
        "function Read()\n"
        "  ShowDocumentAndWaitForEnd('Logbook')\n"
        "  print('[test] closed')\n"
        "end\n");
    run("Read");
    EXPECT_TRUE(game().isDocumentOpened());
    EXPECT_EQ(std::string::npos, log.find("[test] closed"));
    captured([&] { game().documentsBrowser().hideDocument(); });
    EXPECT_NE(std::string::npos, log.find("[test] closed")) << log;
}

TEST_F(ScriptFamiliesTest, ASaveWrittenByAScriptComesBack)
{
    lua("SetCondition('logbookRead')\n"
        "TakeObject('BrassKey')\n"
        "Save('1.xml')");
    std::ifstream written(KaGetBackupPath("1.xml").c_str());
    ASSERT_TRUE(written.good());
    // Left, and the slot entered again.
    captured([&] {
        game().leave(false);
        game().setBackupName("1.xml");
        application.get()->startGame(false, EApplicationDifficultyDefault);
    });
    frames(3);
    ASSERT_TRUE(game().entered());
    EXPECT_EQ(KaString("01010"), game().scene());
    bool read = false;
    EXPECT_TRUE(game().luaContext().global("logbookRead", read));
    EXPECT_TRUE(read);
    EXPECT_EQ(1u, game().inventory().objectCount("BrassKey"));
    // A name outside the save folder is refused.
    lua("Save('../escape.xml')");
    EXPECT_NE(std::string::npos, log.find("is not a file name of the save folder")) << log;
}

#endif

#ifdef KA_RESOURCES_DIR

TEST_F(ScriptFamiliesTest, BackgroundsAnd2DAnimationsOfTheSetGui)
{
    KaSpriteLayout* root = game().scene3D().backgroundGui().spriteLayout("root");
    ASSERT_NE(nullptr, root);
    // The quay's painting over the office, then a file that is not there.
    lua("SetBackground('scenes/01/01020/background.png')");
    EXPECT_EQ(KaPath("scenes/01/01020/background.png"), root->surface().path());
    lua("SetBackground('scenes/01/01020/nothing.png')");
    EXPECT_NE(std::string::npos, log.find("[SetBackground] Background \"scenes/01/01020/nothing.png\" doesn't exist.\n"))
        << log;
    EXPECT_EQ(KaPath("scenes/01/01020/background.png"), root->surface().path());
    // The background's sprites can be played and watched frame by frame.
    EXPECT_TRUE(game().startAnimation("root", 1, false));
    EXPECT_FALSE(game().startAnimation("noSuchSprite", 1, false));
    lua("AddCallbackAnimation2D('root', 'OnRootFrame', 0)");
    ASSERT_EQ(1u, game().scene3D().callbacks().count(KaString("root")));
}

TEST_F(ScriptFamiliesTest, ALockedCursorHidesTheMarkersAndStopsTheClicks)
{
    Application* app = application.get();
    lua("LockCursor(true)");
    EXPECT_TRUE(app->isLockCursor());
    // A click while locked walks nobody.
    const KaVector3f32 before = player()->model()->position();
    click(screenOf(KaVector3f32(60, 0, 200)));
    frames(20);
    EXPECT_EQ(before, player()->model()->position());
    lua("LockCursor(false)");
    EXPECT_FALSE(app->isLockCursor());
}

TEST_F(ScriptFamiliesTest, MusicPlaysOnTheApplicationsMusic)
{
    lua("PlayMusic('menus/music/credits.ogg')");
    EXPECT_EQ(KaPath("menus/music/credits.ogg"), application.get()->menuMusic().filePath());
}

#endif
