#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaCamera.h"
#include "engine/gui/KaMainWindow.h"
#include "game/scene/Billboard.h"
#include "game/scene/InGameScene.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaPixel kRed { 255, 0, 0, 255 };
const KaPixel kGreen { 0, 255, 0, 255 };
const KaPixel kBlack { 0, 0, 0, 0 };

std::string solidPng(unsigned char r, unsigned char g, unsigned char b)
{
    std::vector<unsigned char> rows(8 * 8 * 3);
    for (unsigned long i = 0; i < rows.size(); i += 3) {
        rows[i] = r;
        rows[i + 1] = g;
        rows[i + 2] = b;
    }
    const KaPngFileLayout layout = { 8, 8, PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, rows);
}

// A scene of the zone "Harbour", scene "Quay", in a content folder of its
// own, under a camera at the origin that looks along +z over the whole
// 256 x 256 frame.
class BillboardTest : public KaGLRendererTest {
protected:
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        ASSERT_EQ(chdir(content.path().c_str()), 0);
        KaCaptureStdout console;
        core.get();
        content.write("scenes/Harbour/Quay/red.png", solidPng(255, 0, 0));
        sceneHolder.reset(new InGameScene());
        scene().setLocation(KaString("Harbour"), KaString("Quay"));
        camera->setName("main");
        camera->setProjectionType(KaCamera::PERSPECTIVE_X);
        camera->setFov(3.1415927f / 3.0f);
        camera->setAspect(1.0f);
        camera->setNearDistance(1.0f);
        camera->setFarDistance(100.0f);
        camera->viewport(0, 0, 256, 256);
        scene().cameras().pushBack(camera);
        scene().setCurrentCameraIndex(0);
    }
    void TearDown() override
    {
        for (Billboard* billboard : billboards)
            delete billboard;
        billboards.clear();
        sceneHolder.reset();
        KaObject::deleteNow();
        KaCaptureStdout console;
        mainWindow.destroy();
        core.destroy();
        EXPECT_EQ(chdir(previousFolder), 0);
        KaGLRendererTest::TearDown();
    }

    Billboard& load(const char* name)
    {
        Billboard* billboard = new Billboard(scene());
        billboards.push_back(billboard);
        KaCaptureStdout console;
        EXPECT_TRUE(billboard->load(KaString(name)));
        return *billboard;
    }
    // A plain green quad of the scene, its corners in world space.
    void addSceneQuad(float left, float right, float z)
    {
        KaIntrusivePtr<KaModel> quad(new KaModel());
        quad->setName("wall");
        KaIntrusivePtr<Ka3DTexture> none(new Ka3DTexture());
        KaArray<KaVector3f32> corners;
        corners.pushBack(KaVector3f32(left, -50, z));
        corners.pushBack(KaVector3f32(left, 50, z));
        corners.pushBack(KaVector3f32(right, -50, z));
        corners.pushBack(KaVector3f32(right, 50, z));
        quad->setQuad(none, corners, KaColor(0, 255, 0, 255));
        scene().models().pushBack(quad);
    }
    void drawFrame()
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene().draw();
        glFinish();
    }
    // Where the camera puts a world point: x, y in -1..1, z its depth.
    KaVector3f32 onScreen(const KaVector3f32& point)
    {
        return (camera->projectionMatrix() * camera->worldTransformationMatrix().getInverseMatrix()) * point;
    }

    KaTempDir content;
    char previousFolder[4096];
    KaIntrusivePtr<KaCamera> camera { new KaCamera() };
    // Made in SetUp and gone in TearDown, while the renderer and the main
    // window it listens to are there.
    std::unique_ptr<InGameScene> sceneHolder;
    InGameScene& scene() { return *sceneHolder; }
    std::vector<Billboard*> billboards;
};

TEST_F(BillboardTest, LoadedHiddenWithItsCornersAtTheOrigin)
{
    Billboard& billboard = load("red.png");
    ASSERT_TRUE(billboard.model());
    EXPECT_STREQ("red.png", billboard.model()->name().c_str());
    EXPECT_FALSE(billboard.model()->visible());
    ASSERT_EQ(1u, scene().models().size());
    EXPECT_EQ(billboard.model().get(), scene().models()[0].get());
    ASSERT_EQ(1u, billboard.model()->meshCount());
    for (unsigned long i = 0; i < 4; ++i)
        EXPECT_EQ(KaVector3f32(0, 0, 0), billboard.model()->mesh(0).vertex(i));

    Billboard& missing = load("nowhere.png");
    EXPECT_STREQ("nowhere.png", missing.model()->name().c_str()) << "a missing picture still gives a billboard";
    EXPECT_EQ(2u, scene().models().size());
}

TEST_F(BillboardTest, FullScreenRectangleCoversTheFrame)
{
    Billboard& billboard = load("red.png");
    billboard.position(KaVector3f32(0, 0, 10));
    billboard.size(KaVector2f32(1, 1));
    billboard.model()->setVisible(true);
    drawFrame();
    const int points[][2] = { { 0, 0 }, { 255, 0 }, { 0, 255 }, { 255, 255 }, { 128, 128 } };
    for (const auto& p : points)
        EXPECT_EQ(kRed, pixel(p[0], p[1])) << p[0] << ", " << p[1];

    // A quarter of the screen from its middle.
    billboard.position(KaVector3f32(0.5f, 0.5f, 10));
    billboard.size(KaVector2f32(0.5f, 0.5f));
    drawFrame();
    EXPECT_EQ(kRed, pixel(200, 200));
    EXPECT_EQ(kBlack, pixel(100, 200));
    EXPECT_EQ(kBlack, pixel(200, 100));
}

TEST_F(BillboardTest, DepthOfTheWorldPointStaysAfterLaterPositions)
{
    Billboard& billboard = load("red.png");
    const KaVector3f32 point(3, -2, 40);
    billboard.position(KaVector3f32(0, 0, 5));
    billboard.position2(point);
    billboard.size(KaVector2f32(0.5f, 0.25f));
    billboard.position(KaVector3f32(0.25f, 0.5f, 5));
    EXPECT_TRUE(billboard.usesPosition2());

    const float depth = onScreen(point).z;
    const KaVector3f32 expected[4] = { KaVector3f32(-0.5f, 0, depth), KaVector3f32(-0.5f, 0.5f, depth),
        KaVector3f32(0.5f, 0, depth), KaVector3f32(0.5f, 0.5f, depth) };
    for (unsigned long i = 0; i < 4; ++i) {
        const KaVector3f32 corner = onScreen(billboard.model()->mesh(0).vertex(i));
        EXPECT_NEAR(expected[i].x, corner.x, 1e-4f) << i;
        EXPECT_NEAR(expected[i].y, corner.y, 1e-4f) << i;
        EXPECT_NEAR(expected[i].z, corner.z, 1e-5f) << i;
    }
}

TEST_F(BillboardTest, SceneGeometryInFrontHidesIt)
{
    // A wall over the left half of the view, 10 in front of the camera.
    addSceneQuad(-50, 0, 10);
    struct Case {
        const char* what;
        KaVector3f32 depthPoint;
        bool worldPoint;
        KaPixel left;
    };
    const Case cases[] = {
        { "behind the wall", KaVector3f32(0, 0, 20), false, kGreen },
        { "in front of the wall", KaVector3f32(0, 0, 5), false, kRed },
        { "a world point behind the wall", KaVector3f32(-4, 1, 30), true, kGreen },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        Billboard& billboard = load("red.png");
        billboard.size(KaVector2f32(1, 1));
        billboard.position(test.worldPoint ? KaVector3f32(0, 0, 0) : test.depthPoint);
        if (test.worldPoint)
            billboard.position2(test.depthPoint);
        billboard.model()->setVisible(true);
        drawFrame();
        EXPECT_EQ(test.left, pixel(40, 128));
        EXPECT_EQ(kRed, pixel(216, 128)) << "nothing in front on the right";
        billboard.model()->setVisible(false);
    }
}

TEST_F(BillboardTest, WithoutACameraTheCornersStay)
{
    Billboard& billboard = load("red.png");
    billboard.position(KaVector3f32(0.25f, 0.25f, 10));
    billboard.size(KaVector2f32(0.5f, 0.5f));
    KaVector3f32 before[4];
    for (unsigned long i = 0; i < 4; ++i)
        before[i] = billboard.model()->mesh(0).vertex(i);

    scene().setCurrentCameraIndex(3);
    KaCaptureStdout console;
    billboard.position(KaVector3f32(0, 0, 2));
    const std::string printed = console.text();
    EXPECT_EQ("[Billboard::calcVertex] No current camera for red.png\n", printed);
    for (unsigned long i = 0; i < 4; ++i)
        EXPECT_EQ(before[i], billboard.model()->mesh(0).vertex(i)) << i;
    EXPECT_EQ(0.0f, billboard.position().x) << "the position itself is kept for later";
}

TEST_F(BillboardTest, GoingTakesItsOwnModelOutOfTheScene)
{
    KaIntrusivePtr<KaModel> namesake(new KaModel());
    namesake->setName("red.png");
    scene().models().pushBack(namesake);
    Billboard& first = load("red.png");
    Billboard& second = load("red.png");
    KaIntrusivePtr<KaModel> firstModel = first.model();

    delete &second;
    billboards.pop_back();
    ASSERT_EQ(2u, scene().models().size());
    EXPECT_EQ(namesake.get(), scene().models()[0].get());
    EXPECT_EQ(firstModel.get(), scene().models()[1].get());

    delete &first;
    billboards.pop_back();
    ASSERT_EQ(1u, scene().models().size());
    EXPECT_EQ(namesake.get(), scene().models()[0].get());
}

} // namespace
