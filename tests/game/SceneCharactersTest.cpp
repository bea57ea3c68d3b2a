#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/core/KaObject.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/script/KaLuaGUI.h"
#include "game/characters/Character.h"
#include "game/scene/InGameScene.h"
#include "game/scene/Object3D.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/game/CharacterTestFixture.h"
#include "tests/game/SceneTestFiles.h"

namespace {

// The characters of the character tests, and "Rosa", who walks without a
// start part along scene curves shifted by her cut-scene offset.
std::string sceneCharacterSettings()
{
    std::string text = characterSettings();
    const std::string rosa = "<Model name=\"Rosa\"><modelFileName>figure.kamd</modelFileName>"
                             "<defaultScale>1,1,1</defaultScale>"
                             "<cutSceneCurveDemi><position>0,3,-2</position></cutSceneCurveDemi>"
                             "<walk><animationFileName>idle.kaan</animationFileName>"
                             "<walkType name=\"Walk\"><loop file=\"walk_loop.kaan\" />"
                             "<endG file=\"walk_endg.kaan\" /><endD file=\"walk_endd.kaan\" /></walkType></walk>"
                             "</Model>\n";
    text.insert(text.find("</ModelsSettings>"), rosa);
    return text;
}

bool hasModel(InGameScene& scene, const KaIntrusivePtr<KaModel>& model)
{
    for (unsigned long i = 0; i < scene.models().size(); ++i)
        if (scene.models()[i].get() == model.get())
            return true;
    return false;
}

// The scene of the scene tests with the characters of the character tests,
// on a 320 x 240 offscreen window.
class SceneCharactersTest : public CharacterTest {
protected:
    void SetUp() override
    {
        CharacterTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        mainWindow.get()->setSize(KaVector3f32(320, 240, 100));
        {
            KaCaptureStdout quiet;
            renderer.get()->init();
        }
        content.write("models/ModelsSettings.xml", sceneCharacterSettings());
        ASSERT_TRUE(Character::loadSettings("models/ModelsSettings.xml"));
        scene.reset(new InGameScene);
        scene->setLocation("Z", "S");
    }
    void TearDown() override
    {
        scene.reset();
        KaObject::deleteNow();
        CharacterTest::TearDown();
    }

    // The sample zone file; a straight 60-unit curve "Straight" along z
    // and, unless told, its cameras.
    void loadGeometry(bool cameras = true)
    {
        SceneGeometryFile file;
        sampleGeometry(file);
        if (!cameras)
            file.cameras.clear();
        SceneGeometryFile::Curve straight;
        straight.name = "Straight";
        straight.scale = KaVector3f32(1, 1, 1);
        straight.length = 60.0f;
        for (int i = 0; i < 4; ++i)
            straight.points.pushBack(KaVector3f32(20.0f, 0, 20.0f * i));
        file.curves.pushBack(straight);
        KaStream stream;
        ASSERT_TRUE(file.write(stream));
        content.write("scenes/Z/GeometryZ.bin", bytesOf(stream));
        KaCaptureStdout console;
        ASSERT_TRUE(scene->load("scenes/Z/GeometryZ.bin")) << console.text();
    }

    KaGLTestContext gl { 320, 240 };
    std::unique_ptr<InGameScene> scene;
};

TEST_F(SceneCharactersTest, CharactersAreLoadedFoundAndUnloaded)
{
    KaCaptureStdout console;
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    Character* nils = scene->character("Nils");
    ASSERT_NE(nullptr, nils);
    EXPECT_FALSE(nils->isPlayer());
    EXPECT_EQ(scene.get(), nils->scene());
    EXPECT_TRUE(nils->model()->visible());
    // Its model and both foot shadows are drawn.
    EXPECT_EQ(3u, scene->models().size());
    EXPECT_TRUE(hasModel(*scene, nils->model()));

    // Once loaded, a name only shows its character again.
    nils->model()->setVisible(false);
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    EXPECT_EQ(1u, scene->characters().size());
    EXPECT_TRUE(nils->model()->visible());

    // A model that does not load leaves the scene as it was.
    EXPECT_FALSE(scene->loadCharacter("Lost"));
    EXPECT_FALSE(scene->loadCharacter("Nobody"));
    EXPECT_EQ(1u, scene->characters().size());
    EXPECT_EQ(3u, scene->models().size());

    // The player is the first one loaded; a second name only shows it.
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    Character* mira = scene->player();
    ASSERT_NE(nullptr, mira);
    EXPECT_TRUE(mira->isPlayer());
    EXPECT_EQ(scene.get(), mira->scene());
    EXPECT_EQ(mira->model().get(), scene->playerModel().get());
    EXPECT_EQ(mira, scene->character("Mira"));
    EXPECT_EQ(6u, scene->models().size());
    ASSERT_TRUE(scene->loadPlayerCharacter("Nils", true));
    EXPECT_EQ(mira, scene->player());
    EXPECT_EQ(6u, scene->models().size());

    scene->unloadCharacter("Nils");
    EXPECT_EQ(nullptr, scene->character("Nils"));
    EXPECT_TRUE(scene->characters().isEmpty());
    EXPECT_EQ(3u, scene->models().size());
    scene->unloadCharacter("Mira");
    EXPECT_EQ(nullptr, scene->player());
    EXPECT_EQ(nullptr, scene->playerModel().get());
    EXPECT_TRUE(scene->models().isEmpty());
    KaObject::deleteNow();
}

TEST_F(SceneCharactersTest, AFailedPlayerLeavesNoPlayer)
{
    {
        KaCaptureStdout quiet;
        EXPECT_FALSE(scene->loadPlayerCharacter("Lost", true));
    }
    EXPECT_EQ(nullptr, scene->player());
    EXPECT_EQ(nullptr, scene->playerModel().get());
    EXPECT_TRUE(scene->models().isEmpty());
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    EXPECT_NE(nullptr, scene->player());
}

// The player's name also takes any other character of that model name.
TEST_F(SceneCharactersTest, UnloadingThePlayersNameTakesEveryoneOfThatName)
{
    ASSERT_TRUE(scene->loadCharacter("Mira"));
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    ASSERT_EQ(1u, scene->characters().size());
    EXPECT_NE(scene->player(), scene->characters()[0]);
    scene->unloadCharacter("Mira");
    EXPECT_EQ(nullptr, scene->player());
    EXPECT_TRUE(scene->characters().isEmpty());
    EXPECT_TRUE(scene->models().isEmpty());
}

// The game unloads its characters when the scene's objects go; what it
// leaves, the scene unloads itself. The player stays.
class Unloader {
public:
    explicit Unloader(InGameScene& scene)
        : mScene(scene)
    {
    }
    bool unload()
    {
        ++calls;
        if (!mScene.characters().isEmpty())
            mScene.unloadCharacter(mScene.characters()[0]->model()->name());
        return false;
    }
    int calls = 0;

private:
    InGameScene& mScene;
};

TEST_F(SceneCharactersTest, AResetUnloadsTheCharactersButNotThePlayer)
{
    loadGeometry();
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    ASSERT_TRUE(scene->loadCharacter("Rosa"));
    Unloader game(*scene);
    scene->onUnloadCharacters.add(&game, &Unloader::unload);
    scene->reset();
    EXPECT_EQ(1, game.calls);
    EXPECT_TRUE(scene->characters().isEmpty());
    EXPECT_NE(nullptr, scene->player());
    unsigned long characterModels = 0;
    for (unsigned long i = 0; i < scene->models().size(); ++i)
        characterModels += scene->models()[i]->name() == "Nils" || scene->models()[i]->name() == "Rosa";
    EXPECT_EQ(0u, characterModels);
    EXPECT_TRUE(hasModel(*scene, scene->player()->model()));
    scene->onUnloadCharacters.remove(&game, &Unloader::unload);
}

// A script walks a character along a scene curve: the curve is shifted by
// the character's cut-scene offset, the walk starts with the start part or,
// without one, with the repeating loop.
TEST_F(SceneCharactersTest, ACharacterWalksASceneCurveShiftedByItsOffset)
{
    loadGeometry();
    ASSERT_TRUE(scene->loadCharacter("Rosa"));
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    Character* rosa = scene->character("Rosa");
    Character* nils = scene->character("Nils");

    scene->moveCharacterTo("Nils", "Straight", 0.0f, 1.0f);
    EXPECT_EQ(KaString("walk_start.kaan"), nils->curAnimName());

    scene->moveCharacterTo("Rosa", "Straight", 0.0f, 1.0f);
    EXPECT_EQ(KaString("walk_loop.kaan"), rosa->curAnimName());
    EXPECT_EQ(scene->curve("Straight").get(), rosa->curve().get());
    EXPECT_EQ(KaVector3f32(0, 3, -2), rosa->positionOffset());
    const KaVector3f32 start = rosa->model()->position();
    EXPECT_NEAR(20.0f, start.x, 1e-3f);
    EXPECT_NEAR(3.0f, start.y, 1e-3f);
    EXPECT_NEAR(-2.0f, start.z, 1.0f);
    started();
    for (int i = 0; i < 400 && rosa->isRunning(); ++i)
        frame();
    EXPECT_FALSE(rosa->isRunning());
    const KaVector3f32 end = rosa->model()->position();
    EXPECT_NEAR(20.0f, end.x, 1e-3f);
    EXPECT_NEAR(3.0f, end.y, 1e-3f);
    EXPECT_NEAR(58.0f, end.z, 1.0f);
}

// The characters the scene loads carry its 3D objects: a cup put on the
// player is hidden outside its frames.
TEST_F(SceneCharactersTest, ThePlayerCarriesTheScenesObjects)
{
    content.write("objects/ObjectsSettings.xml",
        "<ObjectsSettings><Object name=\"Cup\"><modelFileName>cup.kamd</modelFileName>"
        "<defaultScale>1,1,1</defaultScale></Object></ObjectsSettings>");
    ASSERT_TRUE(Object3D::loadSettings("objects/ObjectsSettings.xml"));
    KaModel cup;
    KaMeshShape shape;
    shape.name = "cup";
    cup.addMesh(KaMakeMesh(shape));
    content.write("objects/cup.kamd", KaSaveModel(cup, KaModel::mSelfSkinningFlag));
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    ASSERT_TRUE(scene->loadObject("Cup"));
    Object3D* object = scene->object3D("Cup");
    object->setCharacter("Mira", "R Foot");
    object->setFrames(5, 6);
    EXPECT_EQ(1u, scene->props().carriedCount());
    ASSERT_TRUE(object->model()->visible());
    started();
    scene->player()->model()->update();
    EXPECT_FALSE(object->model()->visible());

    content.write("objects/ObjectsSettings.xml", "<ObjectsSettings/>");
    Object3D::loadSettings("objects/ObjectsSettings.xml");
}

TEST_F(SceneCharactersTest, ThePlayerAndDisabledMovesDoNotWalk)
{
    loadGeometry();
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true));
    ASSERT_TRUE(scene->loadCharacter("Rosa"));
    scene->moveCharacterTo("Mira", "Straight", 0.0f, 1.0f);
    EXPECT_EQ(nullptr, scene->player()->curve().get());
    scene->setPlayerMoveDisabled(true);
    scene->moveCharacterTo("Rosa", "Straight", 0.0f, 1.0f);
    EXPECT_EQ(nullptr, scene->character("Rosa")->curve().get());
    scene->setPlayerMoveDisabled(false);
    // An unknown curve gives the walk no curve: the character stays.
    scene->moveCharacterTo("Rosa", "Nowhere", 0.0f, 1.0f);
    EXPECT_EQ(KaVector3f32(0, 0, 0), scene->character("Rosa")->model()->position());
}

// Placing a character: on the ground of the zone with the zone's footsteps,
// and the three console lines otherwise.
TEST_F(SceneCharactersTest, ACharacterIsPutOnTheGroundOfAZone)
{
    loadGeometry();
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    Character* nils = scene->character("Nils");
    scene->setStep("HallFloor", "steps/wood1.ogg", "steps/wood2.ogg");
    {
        KaCaptureStdout console;
        scene->setPositionCharacter("Nils", "HallFloor", KaVector3f32(20, 50, 20));
        EXPECT_EQ("", console.text());
    }
    EXPECT_EQ(scene->pathZone("HallFloor"), nils->freeMoveZone());
    EXPECT_EQ(KaPath("steps/wood1.ogg"), nils->stepSound(0));
    EXPECT_EQ(KaPath("steps/wood2.ogg"), nils->stepSound(1));
    const KaVector3f32 placed = nils->model()->position();
    EXPECT_NEAR(20.0f, placed.x, 1e-3f);
    EXPECT_NEAR(0.0f, placed.y, 1e-3f);
    EXPECT_NEAR(20.0f, placed.z, 1e-3f);

    const struct {
        const char* character;
        const char* zone;
        KaVector3f32 position;
        const char* line;
    } cases[] = {
        { "Nobody", "HallFloor", KaVector3f32(20, 50, 20), "[SetCharacterPosition] Character not found Nobody\n" },
        { "Nils", "HallFloor", KaVector3f32(500, 50, 500),
            "[SetCharacterPosition] Warning : The character is not above the ground Nils\n" },
        { "Nils", "Attic", KaVector3f32(20, 50, 20), "[SetCharacterPosition] PathZone not found Attic\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        KaCaptureStdout console;
        scene->setPositionCharacter(c.character, c.zone, c.position);
        EXPECT_EQ(c.line, console.text());
    }
    // Without a zone the character has no ground and no path anywhere.
    EXPECT_EQ(nullptr, nils->freeMoveZone());
    EXPECT_EQ(KaPath(), nils->stepSound(0));
    EXPECT_EQ(nullptr, nils->pathTo(KaVector3f32(10, 0, 10)).get());
    EXPECT_EQ(nullptr, nils->pathTo(KaVector2s32(160, 120)).get());
}

TEST_F(SceneCharactersTest, WithoutACameraNobodyIsPlaced)
{
    loadGeometry(false);
    ASSERT_TRUE(scene->loadCharacter("Nils"));
    Character* nils = scene->character("Nils");
    nils->model()->setPosition(KaVector3f32(1, 2, 3));
    KaCaptureStdout console;
    scene->setPositionCharacter("Nils", "HallFloor", KaVector3f32(20, 50, 20));
    EXPECT_EQ("[SetCharacterPosition] No camera to place Nils\n", console.text());
    EXPECT_EQ(KaVector3f32(1, 2, 3), nils->model()->position());
    EXPECT_EQ(nullptr, nils->freeMoveZone());
}

TEST_F(SceneCharactersTest, BlockingObjectsGoWithEveryCopy)
{
    for (const char* name : { "Door", "Door", "Desk", "Door", "Door" })
        scene->addBlockingObject(name);
    EXPECT_TRUE(scene->isObjectBlocking("Door"));
    scene->removeBlockingObject("Door");
    EXPECT_FALSE(scene->isObjectBlocking("Door"));
    ASSERT_EQ(1u, scene->blockingObjects().size());
    EXPECT_EQ(KaString("Desk"), scene->blockingObjects()[0]);
    scene->removeBlockingObject("Window");
    EXPECT_EQ(1u, scene->blockingObjects().size());
}

TEST_F(SceneCharactersTest, FootstepsAreKeptPerZoneAcrossScenes)
{
    scene->setStep("Hall", "a1", "a2");
    scene->setStep("Yard", "b1", "b2");
    scene->setStep("Hall", "c1", "c2");
    scene->close();
    const struct {
        const char* zone;
        const char* first;
        const char* second;
    } cases[] = { { "Hall", "c1", "c2" }, { "Yard", "b1", "b2" }, { "Attic", "", "" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        const InGameScene::SoundStep step = scene->findSoundStep(c.zone);
        EXPECT_EQ(KaString(c.first), step.first);
        EXPECT_EQ(KaString(c.second), step.second);
    }
}

TEST_F(SceneCharactersTest, GeometryObjectsAreFoundAndShownByName)
{
    loadGeometry();
    EXPECT_EQ(0, scene->object("Lamp"));
    EXPECT_EQ(-1, scene->object("DoorClic"));
    EXPECT_FALSE(scene->showAllObjects("Sofa"));
    EXPECT_TRUE(scene->showAllObjects("am"));
    EXPECT_TRUE(scene->objects()[0].model->visible());
    // No picture for the lamp's type: nothing is textured.
    {
        KaCaptureStdout quiet;
        EXPECT_FALSE(scene->loadObjectMaterials("Lamp"));
    }
    EXPECT_FALSE(scene->loadObjectMaterials("Lamp", "Sofa"));
    // Pictures lie beside the geometry file, in the folder named.
    const KaPngFileLayout layout = { 8, 8, PNG_COLOR_TYPE_RGB, 8, false };
    content.write("scenes/Z/Lamp/lamp.png", KaWritePng(layout));
    EXPECT_TRUE(scene->loadObjectMaterials("Lamp"));
    EXPECT_TRUE(scene->objects()[0].model->mesh(0).material(0).texture().get() != nullptr);
    EXPECT_TRUE(scene->loadObjectMaterials("Lamp", "Lamp"));
}

// Markers hang under the For GUI's "background" layout.
class MarkersTest : public SceneCharactersTest {
protected:
    void SetUp() override
    {
        SceneCharactersTest::SetUp();
        content.write("scenes/Z/S/For.lua", "KaLayout{ name = \"background\" }\n");
        ASSERT_TRUE(forGui.load("scenes/Z/S/For.lua"));
        // A folder of numbered pictures; what it holds does not matter here.
        content.write("markers/eye/eye0001.png", "not a picture");
    }
    void TearDown() override
    {
        scene->reset();
        forGui.unload();
        SceneCharactersTest::TearDown();
    }
    KaLuaGUI forGui;
};

TEST_F(MarkersTest, WithoutAForGuiAMarkerIsOneLineAndNothingElse)
{
    KaCaptureStdout console;
    EXPECT_FALSE(scene->addMarker("Eye", "markers/eye", 50, 50, "PERCENT", "ClicEye"));
    EXPECT_EQ("[InGameScene::addMarker] No marker layer for Eye\n", console.text());
    EXPECT_TRUE(scene->markers().isEmpty());
    EXPECT_TRUE(scene->markerSprites().isEmpty());
    scene->setVisibleMarker("Eye", true);
    scene->deleteMarker("Eye");
    KaVector2f32 at(1, 1);
    scene->setPositionMarker("Eye", at);
    EXPECT_FALSE(scene->isVisibleMarker("Eye"));
    EXPECT_EQ(KaVector3f32(0, 0, 0), scene->positionMarker("Eye"));
    EXPECT_EQ("[InGameScene::addMarker] No marker layer for Eye\n", console.text());
}

TEST_F(MarkersTest, AMarkerIsPlacedInPercentOrIn800By600)
{
    scene->setForGui(&forGui);
    KaLayout* layer = forGui.layout("background");
    const struct {
        const char* name;
        float x;
        float y;
        const char* unit;
        float expectedX;
        float expectedY;
    } cases[] = { { "A", 50, 25, "PERCENT", 0.5f, 0.25f }, { "B", 400, 150, "", 0.5f, 0.25f },
        { "C", 80, 60, "PIXEL", 0.1f, 0.1f } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(scene->addMarker(c.name, "markers/eye", c.x, c.y, c.unit, KaString("Clic") + c.name));
        KaSpriteLayout* sprite = scene->markerSprites()[scene->markerSprites().size() - 1];
        EXPECT_EQ(layer, sprite->parent());
        EXPECT_EQ(KaString(c.name), sprite->name());
        EXPECT_NEAR(c.expectedX, sprite->userPosition().x, 1e-6f);
        EXPECT_NEAR(c.expectedY, sprite->userPosition().y, 1e-6f);
        // Hidden while the game's marker switch is off.
        EXPECT_FALSE(sprite->visible());
    }
    EXPECT_EQ(3u, layer->childCount());
    EXPECT_EQ(KaString("A"), scene->findMarkerByInt("ClicA")->name);
    EXPECT_NEAR(50.0f, scene->positionMarker("A").x, 1e-4f);

    // A name already there only changes its picture.
    EXPECT_TRUE(scene->addMarker("A", "markers/eye", 10, 10, "PERCENT", "Other"));
    EXPECT_EQ(3u, scene->markers().size());
    EXPECT_EQ(KaString("ClicA"), scene->findMarker("A")->interaction);

    scene->setVisibleMarker("B", true);
    EXPECT_TRUE(scene->isVisibleMarker("B"));
    scene->deleteMarker("Nobody");
    EXPECT_EQ(3u, scene->markers().size());
    scene->deleteMarker("B");
    EXPECT_FALSE(scene->isMarker("B"));
    EXPECT_EQ(2u, layer->childCount());
    // The sprite goes with the scene's objects.
    EXPECT_EQ(3u, scene->markerSprites().size());
    scene->reset();
    EXPECT_TRUE(scene->markers().isEmpty());
    EXPECT_TRUE(scene->markerSprites().isEmpty());
    EXPECT_EQ(0u, layer->childCount());
}

// A picture that is not a folder gives an empty sprite under the name.
TEST_F(MarkersTest, AMarkerWithoutAFolderIsAnEmptySprite)
{
    scene->setForGui(&forGui);
    scene->setMarkersVisible(true);
    EXPECT_TRUE(scene->addMarker("Eye", "markers/none", 50, 50, "PERCENT", "ClicEye"));
    ASSERT_EQ(1u, scene->markerSprites().size());
    EXPECT_EQ(KaString("Eye"), scene->markerSprites()[0]->name());
    EXPECT_TRUE(scene->isMarker("Eye"));
    EXPECT_EQ(0.5f, scene->markerSprites()[0]->userPosition().x);
    EXPECT_EQ(0.5f, scene->markerSprites()[0]->userPosition().y);
}

} // namespace
