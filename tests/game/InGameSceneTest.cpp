#include <gtest/gtest.h>

#include <lua.hpp>

#include <cmath>
#include <memory>
#include <string>
#include <unistd.h>

#include "engine/core/KaFile.h"
#include "engine/core/KaObject.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaMesh.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaFrameAnim.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/scene/KaPickMesh2.h"
#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "engine/script/KaLuaThread.h"
#include "game/api/YieldedCallback.h"
#include "game/characters/Character.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/Billboard.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/InGameScene.h"
#include "tests/game/ApplicationTestFixture.h"
#include "tests/game/SceneTestFiles.h"

namespace {

const char* kLights = "<Global><Ambient r=\"40\" g=\"40\" b=\"50\"/></Global>\n"
                      "<Lights><Light Type=\"Point\"><Position x=\"0\" y=\"200\" z=\"0\"/></Light>\n"
                      "<Light Type=\"Directional\"><Direction h=\"90\" v=\"-45\"/></Light></Lights>\n"
                      "<Shadow><SourceLight number=\"1\"/></Shadow>\n";

// Suspends the calling script until an "OnWaitFinished" resumes it, as the
// game's waiting functions do.
int waitForEnd(lua_State* state)
{
    YieldedCallback record;
    record.thread = KaLuaThread::threadFromState(state);
    record.event = "OnWaitFinished";
    yieldedCallbacks.pushBack(record);
    return record.thread->yield();
}

// The scene on a 320 x 240 offscreen window, in a content folder of the
// test's own, on the fake clock.
class InGameSceneTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        mainWindow.get()->setSize(KaVector3f32(320, 240, 100));
        KaCaptureStdout quiet;
        renderer.get()->init();
        KaTimer::updateAll();
        scene.reset(new InGameScene);
        scene->setLocation("Z", "S");
    }
    void TearDown() override
    {
        scene.reset();
        yieldedCallbacks.clear();
        ApplicationTest::TearDown();
    }

    void writeGeometry(const SceneGeometryFile& file, const std::string& path = "scenes/Z/GeometryZ.bin")
    {
        KaStream stream;
        ASSERT_TRUE(file.write(stream));
        content.write(path, bytesOf(stream));
    }
    // The sample file of the scene-file tests, with the object-name rules
    // and a second walkable zone on top.
    void writeRichGeometry()
    {
        SceneGeometryFile file;
        sampleGeometry(file);
        file.objects.pushBack(object("ZBClicHatch", "", { 0, 1, 2 }));
        file.objects.pushBack(object("ZBWall", "", { 0, 1, 2 }));
        file.objects.pushBack(object("WallZB", "", { 0, 1, 2 }));
        KaFreeMoveZone* second = new KaFreeMoveZone();
        buildZone(*second, "Yard");
        file.zones.pushBack(second);
        writeGeometry(file);
    }
    void writeActZones(const char* name)
    {
        KaArray<KaActZone> zones;
        KaActZone zone;
        zone.zoneName = "HallFloor";
        zone.name = name;
        zones.pushBack(zone);
        KaStream stream;
        ASSERT_TRUE(ActZonesFile::write(stream, zones));
        content.write("scenes/Z/S/actions.bin", bytesOf(stream));
    }
    bool load(const char* path = "scenes/Z/GeometryZ.bin")
    {
        KaCaptureStdout console;
        const bool loaded = scene->load(path);
        log = console.text();
        return loaded;
    }
    void frame()
    {
        advance(17);
        KaTimer::updateAll();
        scene->update();
    }

    KaGLTestContext gl { 320, 240 };
    std::unique_ptr<InGameScene> scene;
    std::string log;
};

TEST_F(InGameSceneTest, LoadsTheZoneFileWithItsObjectRules)
{
    writeRichGeometry();
    writeActZones("Doorstep");
    content.write("scenes/Z/S/lights.xml", kLights);
    ASSERT_TRUE(load());

    // Cameras: the window's viewport and the far plane the scenes are made for.
    ASSERT_EQ(2u, scene->cameras().size());
    for (unsigned long i = 0; i < 2; ++i) {
        EXPECT_EQ(3000.0f, scene->cameras()[i]->farDistance());
        EXPECT_EQ(320u, scene->cameras()[i]->viewportWidth());
        EXPECT_EQ(240u, scene->cameras()[i]->viewportHeight());
        EXPECT_NEAR(0.785f, scene->cameras()[i]->fov(), 1e-6f);
    }

    // "Clic" first (also after "ZB"), "ZB" only at the start, then the type.
    ASSERT_EQ(2u, scene->hitObjects().size());
    EXPECT_EQ(KaString("DoorClic"), scene->hitObjects()[0].model->name());
    EXPECT_EQ(KaString("ZBClicHatch"), scene->hitObjects()[1].model->name());
    ASSERT_EQ(2u, scene->pickMeshes().size());
    EXPECT_EQ(KaString("DoorClic"), scene->pickMeshes()[0]->name());
    // Seven indices: two whole triangles to pick, all seven drawn.
    EXPECT_EQ(2u, scene->pickMeshes()[0]->nbTriangles());
    EXPECT_EQ(7u, scene->hitObjects()[0].model->mesh(0).indexCount());
    for (unsigned long i = 0; i < 2; ++i) {
        EXPECT_FALSE(scene->hitObjects()[i].model->visible());
        EXPECT_EQ(KaColor(0, 255, 0, 255), scene->hitObjects()[i].model->color());
    }
    ASSERT_EQ(1u, scene->objects().size());
    EXPECT_EQ(KaString("lamp"), scene->objects()[0].type);
    EXPECT_FALSE(scene->objects()[0].model->visible());
    EXPECT_EQ(3u, scene->models().size());
    EXPECT_EQ("[InGameScene::load] Unknown type of object named : WallZB\n", log);

    ASSERT_EQ(2u, scene->walkableZones().size());
    EXPECT_FALSE(scene->walkableZones()[0]->visible());
    EXPECT_EQ(scene->walkableZones()[1], scene->pathZone("Yard"));
    EXPECT_EQ(nullptr, scene->pathZone("Nowhere"));
    ASSERT_EQ(2u, scene->shadowReceivingModels().size());
    EXPECT_EQ(6u, scene->shadowReceivingModels()[1]->mesh(0).vertexCount());

    KaIntrusivePtr<KaBezierCurve> curve = scene->curve("PathToDoor");
    ASSERT_TRUE(curve);
    EXPECT_TRUE(curve->visible());
    EXPECT_EQ(123.5f, curve->length());
    EXPECT_FALSE(scene->curve("Elsewhere"));

    EXPECT_EQ(KaVector3f32(40, 0, 20), scene->dummy("DummyEntrance").position);
    const InGameScene::Dummy absent = scene->dummy("Nobody");
    EXPECT_EQ(0u, absent.name.length());
    EXPECT_EQ(KaVector3f32(0, 0, 0), absent.scale);
    EXPECT_EQ(KaQuaternion(0, 0, 0, 1), absent.rotation);

    ASSERT_EQ(1u, scene->actZones().size());
    EXPECT_EQ(KaString("Doorstep"), scene->actZones()[0].name);
    ASSERT_EQ(2u, scene->lights().size());
    EXPECT_EQ(&scene->lights()[1], scene->shadowLight());
}

// A scene whose geometry cannot be read is not entered at all: the scene on
// screen keeps its geometry, act zones and lights.
TEST_F(InGameSceneTest, ABrokenGeometryFileLeavesTheSceneOnScreen)
{
    writeRichGeometry();
    writeActZones("Doorstep");
    content.write("scenes/Z/S/lights.xml", kLights);
    ASSERT_TRUE(load());

    SceneGeometryFile good;
    sampleGeometry(good);
    KaStream stream;
    ASSERT_TRUE(good.write(stream));
    const std::string bytes = bytesOf(stream);
    // One object alone, whose first index (after the two counts, the two
    // one-letter strings, the placement and the index and vertex counts)
    // is made to point past its four vertices.
    SceneGeometryFile lone;
    lone.objects.pushBack(object("O", "t", { 0, 1, 2 }));
    KaStream loneStream;
    ASSERT_TRUE(lone.write(loneStream));
    std::string pastVertices = bytesOf(loneStream);
    const unsigned long firstIndex = 4 + 4 + 5 + 5 + 12 + 16 + 12 + 4 + 4;
    ASSERT_EQ(0, pastVertices[firstIndex]);
    pastVertices[firstIndex] = 9;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        { "truncated", bytes.substr(0, bytes.size() / 2) },
        { "empty", "" },
        { "index past the vertices", pastVertices },
        { "huge camera count", std::string("\xff\xff\xff\x7f", 4) },
    };
    scene->setLocation("Z", "T");
    writeActZones("ShouldNotLoad");
    content.write("scenes/Z/T/lights.xml", "<Lights><Light Type=\"Spot\"/></Lights>");
    for (const auto& broken : cases) {
        SCOPED_TRACE(broken.what);
        content.write("scenes/Z/GeometryY.bin", broken.bytes);
        EXPECT_FALSE(load("scenes/Z/GeometryY.bin"));
        EXPECT_EQ(1u, lines(log)) << log;
        EXPECT_EQ(2u, scene->cameras().size());
        EXPECT_EQ(3u, scene->models().size());
        EXPECT_EQ(2u, scene->walkableZones().size());
        EXPECT_EQ(KaString("scenes/Z/GeometryZ.bin"), scene->geometryPath());
        ASSERT_EQ(1u, scene->actZones().size());
        EXPECT_EQ(KaString("Doorstep"), scene->actZones()[0].name);
        EXPECT_EQ(2u, scene->lights().size());
    }
    EXPECT_FALSE(load("scenes/Z/Missing.bin"));
    EXPECT_EQ(1u, lines(log));
    EXPECT_EQ(2u, scene->cameras().size());
}

TEST_F(InGameSceneTest, CloseEmptiesEverythingAndAWarpRebuildsIt)
{
    writeRichGeometry();
    ASSERT_TRUE(load());
    scene->close();
    EXPECT_EQ(0u, scene->cameras().size());
    EXPECT_EQ(0u, scene->models().size());
    EXPECT_EQ(0u, scene->walkableZones().size());
    EXPECT_EQ(0u, scene->pickMeshes().size());
    EXPECT_EQ(0u, scene->curves().size());
    EXPECT_EQ(0u, scene->dummies().size());
    EXPECT_EQ(0u, scene->shadowReceivingModels().size());
    EXPECT_EQ(0u, scene->geometryPath().length());
    // The same scene twice: nothing doubles.
    ASSERT_TRUE(load());
    ASSERT_TRUE(load());
    EXPECT_EQ(2u, scene->cameras().size());
    EXPECT_EQ(3u, scene->models().size());
    EXPECT_EQ(2u, scene->hitObjects().size());
}

TEST_F(InGameSceneTest, AWindowResizeReachesEveryCamera)
{
    writeRichGeometry();
    ASSERT_TRUE(load());
    // The cameras keep their own aspect: the scene is letterboxed in the
    // middle of a window of any other shape, never stretched.
    const struct {
        unsigned int width, height;
        int x, y;
        unsigned int viewportWidth, viewportHeight;
    } cases[] = { { 200, 100, 33, 0, 133, 100 }, { 100, 200, 0, 62, 100, 75 }, { 160, 120, 0, 0, 160, 120 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        mainWindow.get()->setSize(KaVector3f32(static_cast<float>(c.width), static_cast<float>(c.height), 100));
        ASSERT_FALSE(scene->cameras().isEmpty());
        for (unsigned long i = 0; i < scene->cameras().size(); ++i) {
            const KaCamera& camera = *scene->cameras()[i];
            ASSERT_NEAR(camera.aspect(), 4.0f / 3.0f, 1e-3f);
            EXPECT_EQ(c.x, camera.viewportX());
            EXPECT_EQ(c.y, camera.viewportY());
            EXPECT_EQ(c.viewportWidth, camera.viewportWidth());
            EXPECT_EQ(c.viewportHeight, camera.viewportHeight());
        }
        EXPECT_EQ(KaVector2f32(static_cast<float>(c.width), static_cast<float>(c.height)), scene->windowSize());
    }
}

TEST_F(InGameSceneTest, BlockersComeFromTheSceneFolder)
{
    scene->loadBlockers();
    EXPECT_EQ(0u, scene->blockers().size());
    KaArray<KaBlocker> blockers;
    KaBlocker blocker;
    blocker.zoneName = "HallFloor";
    blocker.second = KaVector2f32(10, 10);
    blockers.pushBack(blocker);
    KaArray<KaRectBlocker> rects;
    rects.pushBack(KaRectBlocker());
    KaStream stream;
    ASSERT_TRUE(BlockersFile::write(stream, blockers, rects, true));
    content.write("scenes/Z/S/blockers.bin", bytesOf(stream));
    scene->loadBlockers();
    EXPECT_EQ(1u, scene->blockers().size());
    EXPECT_EQ(1u, scene->rectBlockers().size());
    EXPECT_TRUE(scene->blockers()[0].enabled);
}

// The wait counts from its start: a wait of half a second ends on the
// first update past it, once, whatever the frame length.
TEST_F(InGameSceneTest, AWaitEndsOnceAfterItsTime)
{
    content.write("scenes/wait.lua", "ended = 0\nfunction OnWaitFinished() ended = ended + 1 end\n");
    KaLuaContext context;
    KaLuaScript script;
    script.attachToContext(context);
    script.load("scenes/wait.lua");
    script.execute();
    scene->setScript(&script);

    scene->wait(0.5);
    int ended = -1;
    int frames = 0;
    while (frames < 100) {
        frame();
        ++frames;
        ASSERT_TRUE(context.global("ended", ended));
        if (ended)
            break;
    }
    EXPECT_EQ(1, ended);
    // 0.5 s at 17 ms a frame: a timer counts from the first frame after its
    // start, so the 31st frame is the first past it.
    EXPECT_EQ(31, frames);
    EXPECT_FALSE(scene->waiting());
    for (int i = 0; i < 60; ++i)
        frame();
    ASSERT_TRUE(context.global("ended", ended));
    EXPECT_EQ(1, ended);

    // A second Wait while one runs starts over with its own time.
    scene->wait(1.0);
    for (int i = 0; i < 20; ++i)
        frame();
    scene->wait(0.2);
    for (int i = 0; i < 12; ++i)
        frame();
    ASSERT_TRUE(context.global("ended", ended));
    EXPECT_EQ(1, ended);
    frame();
    ASSERT_TRUE(context.global("ended", ended));
    EXPECT_EQ(2, ended);
}

// A script suspended on the wait is resumed instead of the global being
// called; a record without a thread is used up and the global called.
TEST_F(InGameSceneTest, TheEndOfAWaitResumesTheWaitingScriptFirst)
{
    content.write("scenes/wait.lua", "ended = 0\nresumed = false\n"
                                     "function OnWaitFinished() ended = ended + 1 end\n"
                                     "function Run() WaitForEnd() resumed = true end\n");
    KaLuaContext context;
    lua_register(context.luaState(), "WaitForEnd", waitForEnd);
    KaLuaScript script;
    script.attachToContext(context);
    script.load("scenes/wait.lua");
    script.execute();
    scene->setScript(&script);

    script.execute("Run");
    ASSERT_EQ(1u, yieldedCallbacks.size());
    scene->wait(0.1);
    for (int i = 0; i < 10; ++i)
        frame();
    bool resumed = false;
    int ended = -1;
    ASSERT_TRUE(context.global("resumed", resumed));
    ASSERT_TRUE(context.global("ended", ended));
    EXPECT_TRUE(resumed);
    EXPECT_EQ(0, ended);
    EXPECT_EQ(0u, yieldedCallbacks.size());

    YieldedCallback orphan;
    orphan.event = "OnWaitFinished";
    yieldedCallbacks.pushBack(orphan);
    scene->wait(0.1);
    for (int i = 0; i < 10; ++i)
        frame();
    ASSERT_TRUE(context.global("ended", ended));
    EXPECT_EQ(1, ended);
    EXPECT_EQ(0u, yieldedCallbacks.size());
}

TEST(YieldedCallbackTest, TheFirstMatchIsTakenAndTheLastMovesIntoItsPlace)
{
    yieldedCallbacks.clear();
    const char* params[] = { "a", "b", "a", "c" };
    for (const char* param : params) {
        YieldedCallback record;
        record.event = "OnDialogFinished";
        record.param1 = param;
        record.param2 = param;
        yieldedCallbacks.pushBack(record);
    }
    const KaString a("a");
    EXPECT_FALSE(resumeYieldedCallback("OnDialogFinished", &a));
    ASSERT_EQ(3u, yieldedCallbacks.size());
    EXPECT_EQ(KaString("c"), yieldedCallbacks[0].param1);
    EXPECT_EQ(KaString("b"), yieldedCallbacks[1].param1);
    EXPECT_EQ(KaString("a"), yieldedCallbacks[2].param1);
    const KaString other("z");
    EXPECT_FALSE(resumeYieldedCallback("OnDialogFinished", &other));
    EXPECT_FALSE(resumeYieldedCallback("OnWaitFinished", nullptr));
    EXPECT_EQ(3u, yieldedCallbacks.size());
    // Without a parameter the name alone matches.
    EXPECT_FALSE(resumeYieldedCallback("OnDialogFinished", nullptr));
    EXPECT_EQ(2u, yieldedCallbacks.size());
    yieldedCallbacks.clear();
}

std::string describe(const InGameScene& scene)
{
    std::string text;
    for (const auto& entry : scene.callbacks()) {
        text += std::string(text.empty() ? "" : " | ") + entry.first.c_str() + ":";
        for (unsigned long i = 0; i < entry.second.size(); ++i)
            text += std::string(" ") + entry.second[i]->function.c_str() + "@"
                + std::to_string(static_cast<int>(entry.second[i]->frame));
    }
    return text;
}

TEST_F(InGameSceneTest, CallbacksAreDeletedBySpriteFunctionAndFrame)
{
    const struct {
        const char* sprite;
        const char* function;
        float frame;
        const char* left;
    } steps[] = {
        { "unknown", "", 0.0f, "gull: cry@3 cry@5 flap@5 cry@5 | wave: roll@1" },
        { "gull", "cry", 5.0f, "gull: cry@3 flap@5 | wave: roll@1" },
        { "gull", "cry", -1.0f, "gull: flap@5 | wave: roll@1" },
        { "gull", "flap", 4.0f, "gull: flap@5 | wave: roll@1" },
        { "wave", "", 99.0f, "gull: flap@5 | wave:" },
    };
    scene->addCallbackAnimation2D("gull", "cry", 3.0f);
    scene->addCallbackAnimation2D("gull", "cry", 5.0f);
    scene->addCallbackAnimation2D("gull", "flap", 5.0f);
    scene->addCallbackAnimation2D("gull", "cry", 5.0f);
    scene->addCallbackAnimation2D("wave", "roll", 1.0f);
    for (const auto& step : steps) {
        scene->deleteCallback(step.sprite, step.function, step.frame);
        EXPECT_EQ(step.left, describe(*scene)) << step.sprite << " " << step.function << " " << step.frame;
    }
    scene->deleteAllCallback();
    EXPECT_TRUE(scene->callbacks().empty());
}

// A frame callback runs on every update that finds its sprite standing on
// its frame; a fractional frame never matches.
TEST_F(InGameSceneTest, FrameCallbacksRunWhileTheirSpriteStandsOnTheFrame)
{
    content.write("scenes/Z/S/Set.lua", "KaLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},\n"
                                        "  KaSpriteLayout{ name = \"root\", sizeType = Percent, size = {1, 1, 1} },\n"
                                        "  KaSpriteLayout{ name = \"gull\" } }\n");
    content.write("scenes/calls.lua", "calls = ''\nfunction still() calls = calls .. 's' end\n"
                                      "function half() calls = calls .. 'h' end\n");
    KaLuaContext context;
    KaLuaScript script;
    script.attachToContext(context);
    script.load("scenes/calls.lua");
    script.execute();
    scene->setScript(&script);
    ASSERT_TRUE(scene->loadBackground("scenes/Z/S/Set.lua"));
    ASSERT_EQ(2u, scene->animObjects().size());
    EXPECT_TRUE(scene->backgroundGui().spriteLayout("root")->visible());
    EXPECT_FALSE(scene->backgroundGui().spriteLayout("gull")->visible());

    scene->addCallbackAnimation2D("gull", "still", 0.0f);
    scene->addCallbackAnimation2D("gull", "half", 0.5f);
    scene->addCallbackAnimation2D("gull", "two", 2.0f);
    // The animation holds its frame 0 for three updates, then moves on.
    KaFrameAnim& animation = scene->backgroundGui().spriteLayout("gull")->surface().frameAnim();
    animation.setCurrentFrame(0);
    for (int i = 0; i < 3; ++i)
        frame();
    animation.setCurrentFrame(1);
    frame();
    KaString calls;
    ASSERT_TRUE(context.global("calls", calls));
    EXPECT_EQ("sss", std::string(calls.c_str()));
    scene->reset();
    EXPECT_EQ(0u, scene->animObjects().size());
    EXPECT_TRUE(scene->callbacks().empty());
}

// The interaction buttons hang on the background's picture and take every
// click: no double-validation delay in a scene.
TEST_F(InGameSceneTest, InteractionButtonsHangOnThePicture)
{
    content.write("scenes/Z/S/Set.lua", "KaLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},\n"
                                        "  KaSpriteLayout{ name = \"root\", sizeType = Percent, size = {1, 1, 1} } }\n");
    content.write("scenes/Z/S/Int.lua",
        "KaLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},\n"
        "  KaButtonLayout{ name = \"ClicDoor\", hitZone = KaLayout{ name = \"doorZone\" } } }\n");
    ASSERT_TRUE(scene->loadBackground("scenes/Z/S/Set.lua"));
    ASSERT_TRUE(scene->loadInteractions("scenes/Z/S/Int.lua"));
    KaLayout* buttons = scene->interactionsGui().layout("background");
    ASSERT_NE(nullptr, buttons);
    EXPECT_EQ(scene->backgroundGui().spriteLayout("root"), buttons->parent());
    EXPECT_FALSE(scene->interactionsGui().buttonLayout("ClicDoor")->doubleValidationProtectionEnabled());
    EXPECT_EQ(scene->backgroundGui().layout("background"), scene->background());
    scene->reset();
    EXPECT_FALSE(scene->interactionsGui().isLoaded());
}

// Without a camera nothing that projects does anything: the scene draws
// nothing, an anchor zone over a button stays at the origin, a billboard
// keeps its corners.
TEST_F(InGameSceneTest, NothingProjectsWithoutACamera)
{
    content.write("scenes/Z/S/Int.lua",
        "KaLayout{ name = \"background\", KaButtonLayout{ name = \"ClicDoor\", hitZone = KaLayout{} } }\n");
    scene->loadInteractions("scenes/Z/S/Int.lua");
    KaCaptureStdout console;
    scene->addAnchorZone("Int", "ClicDoor", 50.0f);
    scene->draw();
    scene->drawPath();
    ASSERT_EQ(1u, scene->anchorZones().size());
    EXPECT_EQ(KaVector3f32(0, 0, 0), scene->anchorZones()[0]->worldPosition);
    ASSERT_TRUE(scene->loadBillboard("sign.png"));
    scene->billboard("sign.png")->size(KaVector2f32(1, 1));
    EXPECT_EQ(KaVector3f32(0, 0, 0), scene->billboard("sign.png")->model()->mesh(0).vertex(3));
}

TEST_F(InGameSceneTest, AnchorZonesTakeADummyOrKeepTheirPlace)
{
    writeRichGeometry();
    ASSERT_TRUE(load());
    scene->addAnchorZone("Dummy", "DummyEntrance", 30.0f);
    scene->addAnchorZone("Dummy", "DummyEntrance", 60.0f);
    scene->addAnchorZone("Other", "Elsewhere", 10.0f);
    ASSERT_EQ(2u, scene->anchorZones().size());
    EXPECT_EQ(KaVector3f32(40, 0, 20), scene->anchorZones()[0]->worldPosition);
    EXPECT_EQ(60.0f, scene->anchorZones()[0]->radius);
    EXPECT_EQ(KaVector3f32(0, 0, 0), scene->anchorZones()[1]->worldPosition);
    scene->activateAnchorZone("DummyEntrance", false);
    EXPECT_FALSE(scene->anchorZones()[0]->activated);
    scene->reset();
    EXPECT_EQ(0u, scene->anchorZones().size());
}

TEST(InGameSceneAngles, AngularDistanceWrapsOnce)
{
    const float pi = 3.1415927f;
    EXPECT_NEAR(0.5f, InGameScene::angularDistance(0.0f, 0.5f), 1e-6f);
    EXPECT_NEAR(0.2f, InGameScene::angularDistance(pi - 0.1f, -pi + 0.1f), 1e-5f);
    EXPECT_NEAR(-0.2f, InGameScene::angularDistance(-pi + 0.1f, pi - 0.1f), 1e-5f);
}

// The player at the origin facing +z; anchor zones around it.
class HeadLookAtTest : public InGameSceneTest {
protected:
    void SetUp() override
    {
        InGameSceneTest::SetUp();
        player.model() = KaIntrusivePtr<KaModel>(new KaModel);
        other.model() = KaIntrusivePtr<KaModel>(new KaModel);
        scene->setPlayer(&player);
    }
    void TearDown() override
    {
        scene->setPlayer(nullptr);
        InGameSceneTest::TearDown();
    }
    // An anchor zone 50 units away at that angle from the facing, by way of
    // a dummy, as scripts place them.
    void zoneAt(const char* name, float degrees, float radius = 100.0f)
    {
        const float radians = degrees * 3.1415927f / 180.0f;
        SceneGeometryFile file;
        SceneGeometryFile::Dummy dummy;
        dummy.name = name;
        dummy.position = KaVector3f32(-50.0f * std::sin(radians), 0.0f, 50.0f * std::cos(radians));
        file.dummies.pushBack(dummy);
        writeGeometry(file, std::string("scenes/Z/") + name + ".bin");
        ASSERT_TRUE(load((std::string("scenes/Z/") + name + ".bin").c_str()));
        scene->addAnchorZone("Dummy", name, radius);
    }

    Character player;
    Character other;
};

TEST_F(HeadLookAtTest, TheHeadTurnsToAnAnchorZoneWithinWholeDegrees)
{
    const struct {
        float degrees;
        bool looks;
    } cases[] = { { 0.0f, true }, { 45.0f, true }, { -60.0f, true }, { 90.9f, true }, { 91.0f, false },
        { -120.0f, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        scene->reset();
        player.setHeadTargetAngles(0.25f, 0.0f);
        player.setHeadAngles(0.0f, 0.0f);
        zoneAt("Look", c.degrees);
        scene->update();
        EXPECT_EQ(c.looks, player.headLookAt());
        if (c.looks) {
            EXPECT_NEAR(c.degrees * 3.1415927f / 180.0f, player.headTargetAngles().x, 1e-4f);
            EXPECT_NEAR(0.0f, player.headTargetAngles().y, 1e-4f);
        } else {
            // Out of reach: the head settles where it was aiming.
            EXPECT_EQ(0.25f, player.headAngles().x);
        }
    }
}

TEST_F(HeadLookAtTest, TheFirstZoneAroundThePlayerWinsAndALookedAtCharacterOverridesIt)
{
    SceneGeometryFile file;
    const float angles[] = { 30.0f, -30.0f };
    const char* names[] = { "Left", "Right" };
    for (int i = 0; i < 2; ++i) {
        SceneGeometryFile::Dummy dummy;
        dummy.name = names[i];
        const float radians = angles[i] * 3.1415927f / 180.0f;
        dummy.position = KaVector3f32(-50.0f * std::sin(radians), 0.0f, 50.0f * std::cos(radians));
        file.dummies.pushBack(dummy);
    }
    writeGeometry(file);
    ASSERT_TRUE(load());
    scene->addAnchorZone("Dummy", "Left", 100.0f);
    scene->addAnchorZone("Dummy", "Right", 100.0f);
    scene->update();
    EXPECT_NEAR(30.0f * 3.1415927f / 180.0f, player.headTargetAngles().x, 1e-4f);

    scene->activateAnchorZone("Left", false);
    scene->update();
    EXPECT_NEAR(-30.0f * 3.1415927f / 180.0f, player.headTargetAngles().x, 1e-4f);

    // Someone standing behind: the head turns as far as it goes, and looks
    // 17 units up when raised.
    other.model()->setPosition(KaVector3f32(-1.0f, 0.0f, -100.0f));
    player.setLookAtCharacter(&other, true);
    scene->update();
    EXPECT_TRUE(player.headLookAt());
    EXPECT_EQ(1.5707964f, player.headTargetAngles().x);
    EXPECT_NEAR(std::atan2(17.0f, std::sqrt(1.0f + 10000.0f)), player.headTargetAngles().y, 1e-5f);

    // Zones out of reach leave the head free.
    player.setLookAtCharacter(nullptr, false);
    player.model()->setPosition(KaVector3f32(1000.0f, 0.0f, 0.0f));
    scene->update();
    EXPECT_FALSE(player.headLookAt());
}

// The player walks from scene to scene: a scene change lets go of its
// zone, its callbacks and whom it looks at, and keeps its model drawn.
TEST_F(HeadLookAtTest, ThePlayerOutlivesTheScene)
{
    writeRichGeometry();
    ASSERT_TRUE(load());
    player.model()->setName("Mira");
    player.setFreeMoveZone(scene->pathZone("Yard"));
    player.setLookAtCharacter(&other, false);
    scene->close();
    EXPECT_EQ(nullptr, player.freeMoveZone());
    EXPECT_EQ(nullptr, player.lookAtCharacter());
    ASSERT_EQ(1u, scene->models().size());
    EXPECT_EQ(player.model().get(), scene->models()[0].get());
    EXPECT_TRUE(scene->findMira());
    ASSERT_TRUE(load());
    unsigned long miras = 0;
    for (unsigned long i = 0; i < scene->models().size(); ++i)
        miras += scene->models()[i]->name() == "Mira";
    EXPECT_EQ(1u, miras);
}

TEST_F(InGameSceneTest, TwoScenesHaveTheirCamerasCorrected)
{
    SceneGeometryFile file;
    const char* names[] = { "Camera14050", "Camera34610", "Camera10000" };
    for (const char* name : names) {
        SceneGeometryFile::Camera camera;
        camera.name = name;
        camera.position = KaVector3f32(1, 2, 3);
        camera.rotation = KaQuaternion(0, 0, 0, 1);
        camera.scale = KaVector3f32(1, 1, 1);
        camera.fov = 0.7f;
        camera.aspect = 1.3f;
        camera.nearPlane = 1.0f;
        file.cameras.pushBack(camera);
    }
    writeGeometry(file);
    ASSERT_TRUE(load());
    scene->selectSceneCamera("14050");
    EXPECT_EQ(KaVector3f32(1200.6f, -1937.5f, 1544.1f), scene->currentCamera()->position());
    EXPECT_EQ(KaQuaternion(0, 0, 0, 1), scene->currentCamera()->rotation());
    scene->selectSceneCamera("34610");
    EXPECT_EQ(KaVector3f32(-328.243f, 340.303f, -1342.84f), scene->currentCamera()->position());
    EXPECT_EQ(KaQuaternion(0.003194f, 0.910923f, -0.009496f, -0.412389f), scene->currentCamera()->rotation());
    scene->selectSceneCamera("10000");
    EXPECT_EQ(KaString("Camera10000"), scene->currentCameraName());
    EXPECT_EQ(KaVector3f32(1, 2, 3), scene->currentCamera()->position());
}

#ifdef KA_RESOURCES_DIR

int distance(const KaPixel& pixel, const KaColor& color)
{
    return std::abs(pixel.r - color.r) + std::abs(pixel.g - color.g) + std::abs(pixel.b - color.b);
}

int distance(const KaPixel& a, const KaPixel& b)
{
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// The sample game's office, from the files the build made, drawn as the
// application draws a scene: the background layer under the window's
// camera, then the scene under its own camera over a cleared depth.
class SampleSceneTest : public InGameSceneTest {
protected:
    void SetUp() override
    {
        InGameSceneTest::SetUp();
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        scene->setLocation("01", "01010");
        KaCaptureStdout console;
        scene->loadBlockers();
        ASSERT_TRUE(scene->load("scenes/01/Geometry01.bin")) << console.text();
        ASSERT_TRUE(scene->loadBackground("scenes/01/01010/Set01010.lua")) << console.text();
        ASSERT_TRUE(scene->loadInteractions("scenes/01/01010/Int01010.lua")) << console.text();
        scene->setCurrentCamera("Camera01010");
        ASSERT_EQ(KaString("Camera01010"), scene->currentCameraName());
        ASSERT_NE(nullptr, scene->background());
        mainWindow.get()->addChild(scene->background());
    }
    void TearDown() override
    {
        mainWindow.get()->removeChild(scene->background());
        InGameSceneTest::TearDown();
    }
    void draw()
    {
        KaRenderer* kaRenderer = renderer.get();
        kaRenderer->reset();
        mainWindow.get()->camera()->apply();
        scene->background()->draw();
        mainWindow.get()->camera()->restore();
        kaRenderer->loadIdentityMatrix();
        kaRenderer->renderTransparentMeshes();
        kaRenderer->clearBuffer(256);
        scene->draw();
        kaRenderer->renderTransparentMeshes();
    }
    // Where a world point lands in the GL buffer (y from the bottom).
    KaVector2s32 pixelOf(const KaVector3f32& world)
    {
        const KaVector3f32 p = scene->currentCamera()->projectPoint3f32(world);
        return KaVector2s32(static_cast<int>(p.x), 239 - static_cast<int>(p.y));
    }
    KaIntrusivePtr<KaModel> prop(const char* name)
    {
        for (unsigned long i = 0; i < scene->objects().size(); ++i)
            if (scene->objects()[i].model->name() == name)
                return scene->objects()[i].model;
        return KaIntrusivePtr<KaModel>();
    }
    KaVector3f32 centreOf(KaModel& model)
    {
        KaVector3f32 low, high;
        model.boundingBox(low, high);
        return model.worldTransformationMatrix() * ((low + high) * 0.5f);
    }
};

TEST_F(SampleSceneTest, TheOfficeLoadsWhole)
{
    EXPECT_GE(scene->hitObjects().size(), 2u);
    EXPECT_TRUE(prop("LanternDesk01010"));
    KaFreeMoveZone* floor = scene->pathZone("Zone01010");
    ASSERT_NE(nullptr, floor);
    EXPECT_TRUE(floor->curve(scene->dummy("DummyStart01010").position, scene->dummy("DummyDoor01010").position));
    EXPECT_TRUE(scene->curve("PathDoor01010"));
    EXPECT_GT(scene->lights().size(), 0u);
    EXPECT_GT(scene->actZones().size(), 0u);
    EXPECT_GT(scene->blockers().size(), 0u);
    EXPECT_NE(nullptr, scene->interactionsGui().buttonLayout("ClicDoor01010"));
}

TEST_F(SampleSceneTest, ThePaintingFillsTheWindowAndAPropStandsInItUnderTheCamera)
{
    KaImage painting;
    ASSERT_TRUE(painting.load("scenes/01/01010/background.png"));
    draw();
    // The painting, scaled to the window.
    const float samples[][2] = { { 0.6f, 0.7f }, { 0.2f, 0.8f }, { 0.8f, 0.3f }, { 0.35f, 0.6f } };
    for (const auto& at : samples) {
        const int x = static_cast<int>(at[0] * 320), y = static_cast<int>(at[1] * 240);
        // One window pixel covers about 3 x 3 of the painting: their mean.
        // A loaded picture keeps its rows from the bottom up.
        const int px = static_cast<int>(at[0] * painting.width());
        const int py = static_cast<int>((1.0f - at[1]) * painting.height());
        int sum[3] = { 0, 0, 0 };
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const KaColor c = painting.pixelColor(KaVector2s32(px + dx, py + dy));
                sum[0] += c.r;
                sum[1] += c.g;
                sum[2] += c.b;
            }
        const KaColor painted(static_cast<unsigned char>(sum[0] / 9), static_cast<unsigned char>(sum[1] / 9),
            static_cast<unsigned char>(sum[2] / 9), 255);
        EXPECT_LT(distance(gl.pixel(x, 239 - y), painted), 45) << at[0] << "," << at[1];
    }

    // The desk's lantern, hidden after loading, drawn where the camera
    // projects it once shown.
    KaIntrusivePtr<KaModel> lantern = prop("LanternDesk01010");
    ASSERT_TRUE(lantern);
    const KaVector2s32 at = pixelOf(centreOf(*lantern));
    ASSERT_TRUE(at.x > 0 && at.x < 320 && at.y > 0 && at.y < 240);
    const KaPixel before = gl.pixel(at.x, at.y);
    const KaPixel away = gl.pixel(at.x - 60 > 0 ? at.x - 60 : at.x + 60, at.y);
    lantern->setVisible(true);
    draw();
    EXPECT_GT(distance(gl.pixel(at.x, at.y), before), 30);
    EXPECT_EQ(0, distance(gl.pixel(at.x - 60 > 0 ? at.x - 60 : at.x + 60, at.y), away));
}

// A billboard takes the depth of its world point: behind the lantern the
// lantern hides it, in front of the lantern it hides the lantern.
TEST_F(SampleSceneTest, ABillboardStandsAtItsPointsDepth)
{
    KaIntrusivePtr<KaModel> lantern = prop("LanternDesk01010");
    ASSERT_TRUE(lantern);
    lantern->setVisible(true);
    const KaVector3f32 centre = centreOf(*lantern);
    const KaVector2s32 at = pixelOf(centre);
    draw();
    const KaPixel lanternColour = gl.pixel(at.x, at.y);

    ASSERT_TRUE(scene->loadBillboard("background.png"));
    Billboard* board = scene->billboard("background.png");
    ASSERT_NE(nullptr, board);
    board->model()->setColor(KaColor(200, 30, 40, 255));
    board->model()->setVisible(true);
    board->position(KaVector3f32(at.x / 320.0f - 0.1f, at.y / 240.0f - 0.1f, 0.0f));
    board->size(KaVector2f32(0.2f, 0.2f));
    const KaVector3f32 camera = scene->currentCamera()->position();
    board->position2(centre + (centre - camera) * 0.5f);
    draw();
    EXPECT_LT(distance(gl.pixel(at.x, at.y), lanternColour), 10);
    const KaPixel beside = gl.pixel(at.x + 25, at.y + 18);

    board->position2(camera + (centre - camera) * 0.5f);
    draw();
    EXPECT_GT(distance(gl.pixel(at.x, at.y), lanternColour), 30);
    EXPECT_LT(distance(gl.pixel(at.x + 25, at.y + 18), beside), 10);
}

// The sample's two characters come into the office: the player kept by the
// scene, Ansel as one of its characters, both stood on the floor by the
// door, and gone again with the scene's objects.
TEST_F(SampleSceneTest, TheSampleCharactersStandOnTheOfficeFloor)
{
    KaCaptureStdout console;
    ASSERT_TRUE(Character::loadSettings("models/ModelsSettings.xml")) << console.text();
    ASSERT_TRUE(scene->loadPlayerCharacter("Mira", true)) << console.text();
    ASSERT_TRUE(scene->loadCharacter("Ansel")) << console.text();
    const KaVector3f32 door = scene->dummy("DummyDoor01010").position;
    for (const char* name : { "Mira", "Ansel" }) {
        SCOPED_TRACE(name);
        scene->setPositionCharacter(name, "Zone01010", door + KaVector3f32(0, 100, 0));
        Character* c = scene->character(name);
        ASSERT_NE(nullptr, c);
        EXPECT_EQ(scene->pathZone("Zone01010"), c->freeMoveZone());
        EXPECT_NEAR(door.x, c->model()->position().x, 1e-3f);
        EXPECT_NEAR(door.z, c->model()->position().z, 1e-3f);
        EXPECT_LT(c->model()->position().y, door.y + 100.0f);
        EXPECT_TRUE(c->pathTo(scene->dummy("DummyStart01010").position));
    }
    EXPECT_EQ(std::string::npos, console.text().find("[SetCharacterPosition]")) << console.text();
    scene->freeSceneObjects();
    EXPECT_EQ(nullptr, scene->character("Ansel"));
    EXPECT_NE(nullptr, scene->character("Mira"));
    scene->unloadCharacter("Mira");
    KaObject::deleteNow();
    Character::animCacheFreeAll();
}

#endif

} // namespace
