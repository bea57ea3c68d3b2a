#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/KaBackup.h"
#include "engine/graphics/KaMesh.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/documents/DocumentsBrowser.h"
#include "game/inventory/Cellphone.h"
#include "game/panels/Objectif.h"
#include "game/panels/Question2.h"
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

// The set's objects, blockers, markers, hit zones and sprite callbacks as a
// scene script changes them, and the lines for what the scene lacks.
TEST_F(ScriptFamiliesTest, TheSetIsChangedAndWhatItLacksIsReported)
{
    InGameScene& scene = game().scene3D();
    const int lantern = scene.object("LanternDesk01010");
    ASSERT_GE(lantern, 0);
    KaModel* model = scene.objects()[static_cast<unsigned long>(lantern)].model.get();
    lua("HideObject('LanternDesk01010')\n"
        "ShowAllObjects('Lantern')");
    EXPECT_TRUE(model->visible());

    lua("AddBlockingObject('LanternDesk01010')");
    EXPECT_TRUE(scene.blockingObjects().contains("LanternDesk01010"));
    lua("RemoveBlockingObject('LanternDesk01010')");
    EXPECT_FALSE(scene.blockingObjects().contains("LanternDesk01010"));

    lua("AddMarker('Bell', 'pictures/white64x64.png', 50, 50, 'PERCENT', 'ClicLogbook')");
    unsigned long bells = 0;
    for (const InGameScene::KaMarker& marker : scene.markers())
        bells += marker.name == KaString("Bell") ? 1 : 0;
    EXPECT_EQ(1u, bells);
    lua("DeleteMarker('Bell')");
    for (const InGameScene::KaMarker& marker : scene.markers())
        EXPECT_NE(KaString("Bell"), marker.name);

    KaButtonLayout* logbook = scene.interactionsGui().buttonLayout("ClicLogbook");
    ASSERT_NE(nullptr, logbook);
    lua("DisabledInt('ClicLogbook')");
    EXPECT_FALSE(logbook->visible());
    lua("DisabledInt('ClicLogbook', false)");
    EXPECT_TRUE(logbook->visible());

    auto rootCallbacks = [&scene]() -> unsigned long {
        auto found = scene.callbacks().find(KaString("root"));
        return found == scene.callbacks().end() ? 0 : found->second.size();
    };
    lua("AddCallbackAnimation2D('root', 'OnRootFrame', 0)\n"
        "AddCallbackAnimation2D('root', 'OnRootFrame', 3)\n"
        "AddCallbackAnimation2D('root', 'OnRootEnd', 3)");
    EXPECT_EQ(3u, rootCallbacks());
    lua("DeleteCallbackAnimation2D('root', 'OnRootFrame', 3)");
    EXPECT_EQ(2u, rootCallbacks());
    lua("DeleteCallbackAnimation2D('root')");
    EXPECT_EQ(0u, rootCallbacks());
    lua("StartAnimationPart('root', 1, 4)");
    EXPECT_EQ("", log);

    lua("ShowAllObjects('NoSuchThing')\n"
        "RemoveBlockingObject('Ghost')\n"
        "SetVisibleButtonZoomed(true)\n"
        "AddAnimToSet('01/09999')");
    EXPECT_EQ("[ShowAllObjects] Scene \"NoSuchThing\" doesn't exist or no object in this scene.\n"
              "[RemoveBlockingObject] Object3D \"Ghost\" doesn't exist.\n"
              "[RemoveBlockingObject] Object 2D \"Ghost\" doesn't exist.\n"
              "[SetVisibleButtonZoomed] No \"DeZoomedButton\" in this scene \n"
              "[AddAnimToSet] Animation with path \"01/09999\" doesn't exist.\n",
        log);
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

// The office's anchor near the desk switched off and on by name; the light
// functions are kept for old scripts and change nothing.
TEST_F(ScriptFamiliesTest, AnchorsAreSwitchedByNameAndTheLightFunctionsChangeNothing)
{
    InGameScene& scene = game().scene3D();
    ASSERT_GT(scene.anchorZones().size(), 0u);
    auto activated = [&scene](const char* name) {
        int on = 0;
        for (const InGameScene::AnchorZone* zone : scene.anchorZones())
            on += zone->name == KaString(name) && zone->activated ? 1 : 0;
        return on;
    };
    const KaString desk = scene.anchorZones()[0]->name;
    const int zones = activated(desk.c_str());
    ASSERT_GT(zones, 0);
    lua((std::string("ActivateAnchorZone('") + desk.c_str() + "', false)").c_str());
    EXPECT_EQ(0, activated(desk.c_str()));
    lua("ActivateAnchorZone('', true)");
    EXPECT_EQ(0, activated(desk.c_str())) << "no name, no zone";
    lua((std::string("ActivateAnchorZone('") + desk.c_str() + "', true)").c_str());
    EXPECT_EQ(zones, activated(desk.c_str()));

    ASSERT_GT(scene.lights().size(), 0u);
    const KaVector3f32 position = scene.lights()[0].position();
    const KaColor diffuse = scene.lights()[0].diffuse();
    const KaColor ambient = scene.lights()[0].ambient();
    lua("SetLightPlayerCharacter(1, 2, 3)\n"
        "SetLightPos(1, 2, 3)\n"
        "SetLightDiffuse(255, 0, 0)\n"
        "SetLightAmbient(255, 0, 0)\n"
        "SetLightSpecular(255, 0, 0)");
    EXPECT_EQ(position, scene.lights()[0].position());
    EXPECT_TRUE(diffuse == scene.lights()[0].diffuse());
    EXPECT_TRUE(ambient == scene.lights()[0].ambient());
    EXPECT_EQ("", log);
}

// The quarter turns and carrying fits a script gives the prop: on the floor,
// turned at once and over time; for a hand, kept in the object for the bone
// update; then the prop unloaded, and the same calls answer that it is gone.
TEST_F(ScriptFamiliesTest, APropIsTurnedFittedForAHandAndUnloaded)
{
    content.write("objects/ObjectsSettings.xml",
        "<?xml version=\"1.0\" ?>\n<ObjectsSettings><Object name=\"Oar\">"
        "<modelFileName>../models/Ansel.kamd</modelFileName><defaultScale>1,1,1</defaultScale>"
        "</Object></ObjectsSettings>\n");
    ASSERT_TRUE(Object3D::loadSettings(KaPath((content.path() + "/objects/ObjectsSettings.xml").c_str())));
    lua("LoadObject('Oar')");
    log.clear(); // the borrowed figure's texture is not among the objects' textures
    Object3D* oar = game().scene3D().object3D("Oar");
    ASSERT_NE(nullptr, oar);
    ASSERT_TRUE(oar->model());
    // The turn about an axis, whichever way round the axis points.
    auto turn = [](const KaQuaternion& rotation, float& angle) {
        KaVector3f32 axis;
        rotation.toAxisAndAngle(axis, angle);
        angle = std::min(angle, 6.2831853f - angle);
        return axis;
    };

    oar->model()->setVisible(false);
    lua("SetGroundObjectRotation('Oar', 0, 90, 0)");
    EXPECT_TRUE(oar->model()->visible());
    float angle = 0.0f;
    KaVector3f32 axis = turn(oar->model()->rotation(), angle);
    EXPECT_NEAR(1.0f, std::abs(axis.y), 1e-4f);
    EXPECT_NEAR(1.5707964f, angle, 1e-3f);

    // A further half turn about the vertical, over one second.
    lua("RotateGroundObject('Oar', 0, 180, 0, 1.0)");
    EXPECT_NEAR(3.1415927f, oar->rotationAngles().y, 1e-4f);
    EXPECT_FLOAT_EQ(1.0f, oar->rotationDuration());
    frames(70);
    axis = turn(oar->model()->rotation(), angle);
    EXPECT_NEAR(1.0f, std::abs(axis.y), 1e-3f);
    EXPECT_NEAR(1.5707964f, angle, 2e-2f) << "three quarters one way are a quarter the other";

    lua("SetObjectTranslation('Oar', 1, 2, 3)\n"
        "SetObjectScale('Oar', 0.5, 0.5, 2)\n"
        "SetObjectRotation('Oar', 0, 0, 90)\n"
        "SetObjectFrames('Oar', 12, 40)");
    EXPECT_EQ(KaVector3f32(1, 2, 3), oar->attachmentTranslation());
    EXPECT_EQ(KaVector3f32(0.5f, 0.5f, 2), oar->attachmentScale());
    axis = turn(oar->attachmentRotation(), angle);
    EXPECT_NEAR(1.0f, std::abs(axis.z), 1e-4f);
    EXPECT_NEAR(1.5707964f, angle, 1e-3f);
    EXPECT_EQ(12u, oar->firstFrame());
    EXPECT_EQ(40u, oar->lastFrame());
    EXPECT_EQ("", log);

    lua("UnloadObject('Oar')");
    EXPECT_EQ(nullptr, game().scene3D().object3D("Oar"));
    lua("SetObjectScale('Oar', 1, 1, 1)\n"
        "SetObjectFrames('Oar', 1, 2)\n"
        "RotateGroundObject('Oar', 0, 90, 0, 1)");
    EXPECT_EQ("[SetObjectScale] Object not found Oar\n"
              "[SetObjectFrames] Object not found Oar\n"
              "[RotateGroundObject] Object not found Oar\n",
        log);
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

// The characters' functions as a scene script calls them: the clerk unloaded
// and loaded back (once), walked along a curve without waiting, told how to
// fit his steps, sounds and meshes; the player's frame callbacks run and are
// deleted; the player's click walking switched off and on.
TEST_F(ScriptFamiliesTest, TheCharactersAreLoadedDirectedAndListenedTo)
{
    InGameScene& scene = game().scene3D();
    lua("UnloadCharacter('Ansel')");
    EXPECT_EQ(nullptr, scene.character("Ansel"));
    lua("LoadCharacter('Ansel')\n"
        "LoadCharacter('Ansel')\n"
        "SetCharacterPosition('Ansel', 'Zone01010', 40, 0, 330)");
    Character* clerk = scene.character("Ansel");
    ASSERT_NE(nullptr, clerk);
    unsigned long clerks = 0;
    for (Character* c : scene.characters())
        clerks += c->model() && c->model()->name() == KaString("Ansel") ? 1 : 0;
    EXPECT_EQ(1u, clerks) << "a character present is not loaded twice";

    lua("SetRecallageY('Ansel', true)\n"
        "SetCharacterSound('Ansel', 'sounds/Effects/Door.ogg', 12)\n"
        "SetCharacterShadow('Ansel', false)");
    EXPECT_TRUE(clerk->recallageY());
    EXPECT_EQ(KaPath("sounds/Effects/Door.ogg"), clerk->animationSound());
    EXPECT_EQ(12u, clerk->animationSoundFrame());
    ASSERT_GT(clerk->model()->meshCount(), 0u);
    const KaString meshName = clerk->model()->mesh(0).name();
    lua((std::string("SetCharacterMeshVisible('Ansel', '") + meshName.c_str() + "', false)").c_str());
    EXPECT_FALSE(clerk->model()->mesh(0).visible());
    lua((std::string("SetCharacterMeshVisible('Ansel', '") + meshName.c_str() + "', true)").c_str());
    EXPECT_TRUE(clerk->model()->mesh(0).visible());
    lua("BlendCharacterAnimation('Ansel', 'Ansel_StepAside.kaan', 0.3)");
    EXPECT_EQ(KaString("Ansel_StepAside.kaan"), clerk->curAnimName());
    EXPECT_EQ("", log);
    lua("SetRecallageY('Nobody', true)\n"
        "SetCharacterSound('Nobody', 'x.ogg', 1)\n"
        "SetCharacterMeshVisible('Nobody', 'x', false)\n"
        "BlendCharacterAnimation('Ansel', 'Ansel_Missing.kaan', 0.3)");
    EXPECT_NE(std::string::npos,
        log.find("[SetRecallageY] Character not found Nobody\n"
                 "[SetCharacterSound] Character not found Nobody\n"
                 "[SetCharacterMeshVisible] Character not found Nobody\n"))
        << log;
    EXPECT_NE(std::string::npos,
        log.find("[BlendCharacterAnimation] Character's animation \"Ansel_Missing.kaan\" doesn't exist for the "
                 "character\"Ansel\"  \n"))
        << log;

    // The walk goes on by itself and says when it ends.
    log.clear();
    const KaVector3f32 start = clerk->model()->position();
    lua("MoveCharacterTo('Ansel', 'PathDoor01010', 0, 1)");
    ASSERT_TRUE(framesUntil("[Logic01010] arrived", 1200)) << log;
    const KaVector3f32 end = clerk->model()->position();
    EXPECT_GT(std::abs(end.x - start.x) + std::abs(end.z - start.z), 100.0f);

    // A callback on the player's standing animation runs at its frame, each
    // time round, until deleted.
    log.clear();
    lua("function PlayerFrame() print('[test] frame 2') end\n"
        "SetCharacterAnimation('Mira', 'Mira_Idle.kaan', true, false)\n"
        "AddCallbackPlayer('Mira_Idle.kaan', 'PlayerFrame', 2)");
    ASSERT_TRUE(framesUntil("[test] frame 2", 200)) << log;
    lua("DeleteCallback('Mira')");
    log.clear();
    frames(200);
    EXPECT_EQ(std::string::npos, log.find("[test] frame 2")) << log;

    lua("MoveCharacterPlayerDisabled(true)");
    EXPECT_TRUE(game().playerMoveDisabled());
    const KaVector3f32 before = player()->model()->position();
    click(screenOf(KaVector3f32(60, 0, 200)));
    frames(20);
    EXPECT_EQ(before, player()->model()->position());
    // Another spot: the same one again would be taken for the second half
    // of a double click.
    lua("MoveCharacterPlayerDisabled(false)");
    click(screenOf(KaVector3f32(20, 0, 230)));
    frames(20);
    EXPECT_NE(before, player()->model()->position());
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
    EXPECT_NE(
        std::string::npos, log.find("[SetBackground] Background \"scenes/01/01020/nothing.png\" doesn't exist.\n"))
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

// While the player is busy with anything but standing or walking, the game
// locks the cursor and hides the inventory button; standing again, or hidden
// from view, she frees them.
TEST_F(ScriptFamiliesTest, ABusyPlayerLocksTheCursorUntilSheStandsAgain)
{
    Application* app = application.get();
    KaButtonLayout* inventory = game().inGameGui().buttonLayout("inventoryButton");
    ASSERT_NE(nullptr, inventory);
    frame();
    ASSERT_FALSE(app->isLockCursor());
    EXPECT_TRUE(inventory->visible());

    lua("SetCharacterAnimation('Mira', 'Mira_StepAside.kaan', true, false)");
    frames(2);
    EXPECT_TRUE(app->isLockCursor());
    EXPECT_FALSE(inventory->visible());
    const KaVector3f32 before = player()->model()->position();
    click(screenOf(KaVector3f32(60, 0, 200)));
    frames(2);
    EXPECT_EQ(before, player()->model()->position()) << "a busy player takes no walk";

    lua("SetCharacterPlayerVisible(false)");
    frames(2);
    EXPECT_FALSE(app->isLockCursor()) << "nobody to wait for";
    lua("SetCharacterPlayerVisible(true)");
    frames(2);
    EXPECT_TRUE(app->isLockCursor());

    lua("SetCharacterAnimation('Mira', 'Mira_Idle.kaan', true, false)");
    frames(2);
    EXPECT_FALSE(app->isLockCursor());
    EXPECT_TRUE(inventory->visible());
}

// Footstep pairs are kept per walkable zone, for the whole game: whoever is
// placed on a zone takes its pair, also in a later scene.
TEST_F(ScriptFamiliesTest, FootstepsOfAZoneGoToWhoeverIsPlacedOnIt)
{
    lua("SetSoundStep('Zone01010', 'sounds/SFX/PAS_H_PARQUET1.ogg', 'sounds/SFX/PAS_H_PARQUET2.ogg')\n"
        "SetSoundStep('Zone01020', 'sounds/SFX/PAS_H_PAVE1.ogg', 'sounds/SFX/PAS_H_PAVE2.ogg')\n"
        "SetCharacterPosition('Ansel', 'Zone01010', 40, 0, 330)");
    Character* clerk = game().scene3D().character("Ansel");
    ASSERT_NE(nullptr, clerk);
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_PARQUET1.ogg"), clerk->stepSound(0));
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_PARQUET2.ogg"), clerk->stepSound(1));
    // A second pair for the zone replaces the first.
    lua("SetSoundStep('Zone01010', 'sounds/SFX/PAS_H_TAPIS1.ogg', 'sounds/SFX/PAS_H_TAPIS2.ogg')\n"
        "SetCharacterPosition('Mira', 'Zone01010', -100, 0, 150)");
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_TAPIS1.ogg"), player()->stepSound(0));
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_TAPIS2.ogg"), player()->stepSound(1));
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_PARQUET1.ogg"), clerk->stepSound(0)) << "only who is placed again changes";
    EXPECT_EQ("", log) << "the function prints nothing";

    // The quay places Mira on its own zone as she comes out.
    lua("ChangeWarp('01', '01020', false)");
    frame();
    ASSERT_EQ(KaString("01020"), game().scene()) << log;
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_PAVE1.ogg"), player()->stepSound(0));
    EXPECT_EQ(KaPath("sounds/SFX/PAS_H_PAVE2.ogg"), player()->stepSound(1));
}

// Answers pushed by the script are offered in push order, each from its own
// GUI file, whether or not the texts know its id; the one chosen comes back
// to the script's "OnAnswered" and the choice closes.
TEST_F(ScriptFamiliesTest, PushedAnswersAreOfferedAndTheChosenOneReachesTheScript)
{
    lua("PushAnswer('01010_ANS_TIDE', 'menus/answers/01010_ANS_TIDE.lua')\n"
        "PushAnswer('01010_ANS_UNWRITTEN', 'menus/answers/01010_ANS_LOGBOOK.lua')\n"
        "PushAnswer('01010_ANS_FIN', 'menus/answers/Cal_FIN.lua')");
    Question2& question = game().question();
    ASSERT_EQ(3u, question.answers().size());
    const char* ids[] = { "01010_ANS_TIDE", "01010_ANS_UNWRITTEN", "01010_ANS_FIN" };
    for (unsigned long i = 0; i < 3; ++i) {
        Question2::Answer* answer = question.answers()[i];
        EXPECT_EQ(KaString(ids[i]), answer->id());
        ASSERT_NE(nullptr, answer->layout()) << ids[i];
        EXPECT_EQ(question.gui().layout("Calepin"), answer->layout()->parent()) << ids[i];
    }
    KaLayout* background = question.gui().layout("background");
    ASSERT_NE(nullptr, background);
    EXPECT_TRUE(background->visible());

    // The answer without a text is as good a choice as the others.
    Question2::Answer* unwritten = question.answers()[1];
    captured([&] { unwritten->onButtonValidated(); });
    EXPECT_NE(std::string::npos, log.find("[Logic01010] answered 01010_ANS_UNWRITTEN")) << log;
    EXPECT_EQ(0u, question.answers().size());
    EXPECT_FALSE(background->visible());
    frame(); // the answers go at the end of the frame
}

// A task marked done leaves the objectives panel; its title stays while one
// of its tasks is still to do, and a task unknown to the list changes nothing.
TEST_F(ScriptFamiliesTest, ADeletedTaskIsDoneAndLeavesThePanel)
{
    lua("PushTask('help.logbook.title', 'help.logbook.desk')\n"
        "PushTask('help.tides.title', 'help.tides.board')\n"
        "PushTask('help.logbook.title', 'help.call.phone')\n"
        "DeleteTask('help.logbook.title', 'help.logbook.desk')\n"
        "DeleteTask('help.logbook.title', 'help.tides.board')\n"
        "DeleteTask('help.logbook.title', 'help.logbook.desk')");
    const KaArray<Objectif::Task>& tasks = game().objectif().tasks();
    ASSERT_EQ(3u, tasks.size());
    EXPECT_FALSE(tasks[0].state);
    EXPECT_TRUE(tasks[1].state);
    EXPECT_TRUE(tasks[2].state);
    // Done is done: pushing the pair again does not bring it back.
    lua("PushTask('help.logbook.title', 'help.logbook.desk')");
    ASSERT_EQ(3u, tasks.size());
    EXPECT_FALSE(tasks[0].state);

    frame();
    KaLayout* list = game().objectif().gui().layout("tasks");
    ASSERT_NE(nullptr, list);
    std::vector<std::string> labels;
    for (unsigned long i = 0; i < list->childCount(); ++i)
        if (KaLayout* label = dynamic_cast<KaLayout*>(list->child(i)))
            labels.push_back(label->name().c_str());
    EXPECT_EQ(
        (std::vector<std::string> { "help.tides.title", "help.tides.board", "help.logbook.title", "help.call.phone" }),
        labels);
    EXPECT_EQ("", log);
}

// The script opens and closes the belongings' panels: the answer choice, the
// objectives' help button, the phone and a document, which reports its
// closing to the script.
TEST_F(ScriptFamiliesTest, TheBelongingsPanelsOpenAndCloseFromTheScript)
{
    KaLayout* choice = game().question().gui().layout("background");
    KaButtonLayout* help = game().objectif().helpGui().buttonLayout("helpButton");
    Cellphone* phone = game().inventory().cellphone();
    ASSERT_NE(nullptr, choice);
    ASSERT_NE(nullptr, help);
    ASSERT_NE(nullptr, phone);
    KaLayout* phonePanel = phone->gui().layout("background");
    ASSERT_NE(nullptr, phonePanel);

    lua("PushAnswer('01010_ANS_TIDE', 'menus/answers/01010_ANS_TIDE.lua')\n"
        "PushAnswer('01010_ANS_FIN', 'menus/answers/Cal_FIN.lua')");
    EXPECT_TRUE(choice->visible());
    lua("HideAnswers()");
    EXPECT_FALSE(choice->visible());
    EXPECT_EQ(0u, game().question().answers().size());
    frame();

    struct Case {
        const char* code;
        bool helpShown;
        bool phoneShown;
    } cases[] = {
        { "SetVisibleButtonHelp(true)", true, false },
        { "SetVisibleCellphone(true)", true, true },
        { "SetVisibleButtonHelp(false)", false, true },
        { "SetVisibleCellphone(false)", false, false },
    };
    for (const Case& c : cases) {
        lua(c.code);
        EXPECT_EQ(c.helpShown, help->visible()) << c.code;
        EXPECT_EQ(c.phoneShown, phonePanel->visible()) << c.code;
    }

    lua("AddDocument('Logbook')\n"
        "ShowDocument('Logbook')");
    DocumentsBrowser& documents = game().documentsBrowser();
    EXPECT_EQ(KaString("Logbook"), documents.shownDocument());
    EXPECT_EQ(0u, documents.shownPage());
    EXPECT_TRUE(game().isDocumentOpened());
    lua("HideDocument()");
    EXPECT_EQ(KaString(), documents.shownDocument());
    EXPECT_FALSE(game().isDocumentOpened());
    EXPECT_NE(std::string::npos, log.find("[Logic01010] document closed: Logbook")) << log;
}

// A number goes into the phone once; the second time the console says so.
TEST_F(ScriptFamiliesTest, ANumberIsAddedToThePhoneOnce)
{
    Cellphone* phone = game().inventory().cellphone();
    ASSERT_NE(nullptr, phone);
    lua("AddNumber('5550142')\n"
        "AddNumber('5550199')\n"
        "AddNumber('5550142')");
    ASSERT_EQ(2u, phone->numbers().size());
    EXPECT_EQ(KaString("5550142"), phone->numbers()[0]);
    EXPECT_EQ(KaString("5550199"), phone->numbers()[1]);
    EXPECT_EQ("[AddNumber] Number \"5550142\" already exist.\n", log);
}

// Back to the main menu at the script's request, once the frame is drawn;
// the hooks of a distribution service and the leaving of a zone do nothing.
TEST_F(ScriptFamiliesTest, TheScriptSendsThePlayerBackToTheMainMenu)
{
    lua("ExitZone('Zone01010')\n"
        "ZerbRateImmediately()\n"
        "ZerbReportEvent('harbour')\n"
        "ZerbReportEventWithValue('harbour', 3)");
    EXPECT_EQ("", log);
    EXPECT_FALSE(game().requestMainMenu());
    EXPECT_TRUE(game().entered());

    lua("RequestMainMenu()");
    EXPECT_TRUE(game().requestMainMenu());
    EXPECT_TRUE(game().entered()) << "not before the frame";
    frame();
    EXPECT_FALSE(game().entered());
    EXPECT_FALSE(game().requestMainMenu());
    EXPECT_TRUE(application.get()->mainMenu().loaded());
}

#endif
