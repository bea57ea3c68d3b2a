#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/world/KaBezierCurve.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/InGameScene.h"
#include "game/scene/SceneGeometryFile.h"
#include "tests/support/KaTestSupport.h"
#include "tests/tools/scene/KaZoneTestDescriptions.h"
#include "tools/scene/KaSceneCamera.h"
#include "tools/scene/KaZoneCompiler.h"
#include "tools/scene/KaZoneParser.h"

namespace {

const float kPi = 3.14159265f;

KaZoneDescription smallZone()
{
    KaZoneDescription zone;
    KaCaptureStdout quiet;
    EXPECT_TRUE(KaZoneParser::parse(kSmallZone, "room.zone", zone));
    return zone;
}

KaIntrusivePtr<KaCamera> sceneCamera(const SceneGeometryFile::Camera& record, unsigned int width, unsigned int height)
{
    return InGameScene::sceneCamera(record, width, height);
}

// The compiled file, written and read back as the scene reads it.
class KaZoneCompilerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mZone = smallZone();
        SceneGeometryFile written;
        KaZoneCompiler::buildGeometry(mZone, written);
        KaStream stream;
        ASSERT_TRUE(written.write(stream));
        stream.seek(0);
        mBlockers = mZone.scenes[0].blockers;
        mRectBlockers = mZone.scenes[0].rectBlockers;
        mActZones = mZone.scenes[0].actZones;
        KaCaptureStdout console;
        ASSERT_TRUE(mRead.read(stream, &mBlockers, &mRectBlockers, &mActZones));
        EXPECT_EQ(console.text(), "");
    }

    KaZoneDescription mZone;
    KaArray<KaBlocker> mBlockers;
    KaArray<KaRectBlocker> mRectBlockers;
    KaArray<KaActZone> mActZones;
    SceneGeometryFile mRead;
};

TEST_F(KaZoneCompilerTest, CameraLooksAtItsTargetWithTheFieldOfViewAsked)
{
    ASSERT_EQ(mRead.cameras.size(), 1u);
    const SceneGeometryFile::Camera& record = mRead.cameras[0];
    EXPECT_STREQ(record.name.c_str(), "Camera09010");
    EXPECT_EQ(record.position, KaVector3f32(0, 300, -200));
    EXPECT_EQ(record.scale, KaVector3f32(1, 1, 1));
    EXPECT_NEAR(record.aspect, 4.0f / 3.0f, 1e-6f);
    EXPECT_FLOAT_EQ(record.nearPlane, 10.0f);

    KaIntrusivePtr<KaCamera> camera = sceneCamera(record, 640, 480);
    // The target in the middle of the picture; up is up, x to the right
    // (the camera looks along +z).
    const KaVector2f32 centre = camera->projectPoint(KaVector3f32(0, 0, 200));
    EXPECT_NEAR(centre.x, 320.0f, 0.5f);
    EXPECT_NEAR(centre.y, 240.0f, 0.5f);
    EXPECT_LT(camera->projectPoint(KaVector3f32(0, 100, 200)).y, 239.0f);
    EXPECT_GT(camera->projectPoint(KaVector3f32(100, 0, 200)).x, 321.0f);

    // A point 22.5 degrees above the view axis lands on the top edge: the
    // stored (horizontal) angle gives the picture the vertical 45 asked for.
    const KaVector3f32 position(0, 300, -200);
    KaVector3f32 view = KaVector3f32(0, 0, 200) - position;
    view.normalize();
    KaVector3f32 up = record.rotation.toMatrix().mult3x3(KaVector3f32(0, 1, 0));
    up.normalize();
    const float half = 22.5f * kPi / 180.0f;
    const KaVector3f32 top = position + (view * std::cos(half) + up * std::sin(half)) * 400.0f;
    EXPECT_NEAR(camera->projectPoint3f32(top).y, 0.0f, 0.5f);
    const KaVector3f32 side = KaVector3f32(0, 300, -200) + KaVector3f32(1, 0, 0) * 1000.0f;
    EXPECT_GT(camera->projectPoint3f32(side).x, 640.0f) << "a point off to the side stays out of the picture";

    // The painter paints through the description's camera: the same pixels.
    KaIntrusivePtr<KaCamera> painter = KaSceneCamera::create(mZone.scenes[0].camera, 640, 480);
    for (const KaVector3f32& p : { KaVector3f32(-180, 0, 20), KaVector3f32(180, 0, 380), KaVector3f32(33, 120, 77) }) {
        const KaVector3f32 a = camera->projectPoint3f32(p);
        const KaVector3f32 b = painter->projectPoint3f32(p);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
    }
}

TEST_F(KaZoneCompilerTest, ObjectsCarryTheirMeshNormalsAndColours)
{
    ASSERT_EQ(mRead.objects.size(), 3u);
    const SceneGeometryFile::Object& door = mRead.objects[0];
    EXPECT_STREQ(door.name.c_str(), "ClicDoor09010");
    EXPECT_STREQ(door.type.c_str(), "");
    EXPECT_EQ(door.indices.size(), 39u);
    EXPECT_EQ(door.positions.size(), 27u);
    EXPECT_EQ(door.rotation, KaQuaternion());
    EXPECT_EQ(door.scale, KaVector3f32(1, 1, 1));
    // The first face of a box looks down -z; every normal has length 1.
    EXPECT_EQ(door.normals[0], KaVector3f32(0, 0, -1));
    for (unsigned long i = 0; i < door.normals.size(); ++i)
        EXPECT_NEAR(std::sqrt(door.normals[i].dotProduct(door.normals[i])), 1.0f, 1e-5f);
    EXPECT_EQ(door.colors[5].g, 255);
    EXPECT_EQ(door.colors[5].r, 0);
    EXPECT_STREQ(mRead.objects[1].type.c_str(), "Lantern");
    EXPECT_STREQ(mRead.objects[2].name.c_str(), "ZBTable09010");
}

TEST_F(KaZoneCompilerTest, WalkZoneFindsPathsAroundItsBlocker)
{
    ASSERT_EQ(mRead.zones.size(), 1u);
    KaFreeMoveZone& zone = *mRead.zones[0];
    EXPECT_STREQ(zone.name().c_str(), "Zone09010");
    EXPECT_EQ(zone.nbTriangles(), 2u);
    // Written clean: the scene uses the stored grid as it is.
    EXPECT_FALSE(zone.gridDirty());
    EXPECT_GT(zone.graph().size().x, 0);

    KaIntrusivePtr<KaBezierCurve> walk = zone.curve(KaVector3f32(0, 0, 100), KaVector3f32(-100, 0, 350));
    ASSERT_TRUE(walk);
    const KaArray<KaVector3f32>& points = walk->controlPoints();
    EXPECT_EQ(points[points.size() - 1], KaVector3f32(-100, 0, 350));
    // The table's blocker closes x 50..250 north of z 240 (its right-hand
    // side): no walk ends there, and none passes through it.
    EXPECT_FALSE(zone.curve(KaVector3f32(0, 0, 100), KaVector3f32(120, 0, 320)));
    walk = zone.curve(KaVector3f32(-150, 0, 360), KaVector3f32(150, 0, 100));
    ASSERT_TRUE(walk);
    for (int i = 0; i <= 100; ++i) {
        const KaVector3f32 p = walk->retrievePoint(static_cast<float>(i) / 100.0f);
        EXPECT_FALSE(p.x > 55.0f && p.z > 245.0f) << p.x << ", " << p.z;
    }
    // Off the floor: no walk.
    EXPECT_FALSE(zone.curve(KaVector3f32(0, 0, 100), KaVector3f32(0, 0, 900)));
}

TEST_F(KaZoneCompilerTest, CurvesKeepTheirLengthAndDummiesTheirTurn)
{
    ASSERT_EQ(mRead.curves.size(), 1u);
    const SceneGeometryFile::Curve& curve = mRead.curves[0];
    EXPECT_STREQ(curve.name.c_str(), "Path09010");
    ASSERT_EQ(curve.points.size(), 3u);
    EXPECT_EQ(curve.points[1], KaVector3f32(200, 0, 150));
    KaIntrusivePtr<KaBezierCurve> measured(new KaBezierCurve);
    measured->setControlPoints(curve.points);
    EXPECT_FLOAT_EQ(curve.length, measured->length());
    EXPECT_GT(curve.length, 380.0f);

    ASSERT_EQ(mRead.dummies.size(), 1u);
    EXPECT_STREQ(mRead.dummies[0].name.c_str(), "DummyStart09010");
    EXPECT_EQ(mRead.dummies[0].position, KaVector3f32(0, 0, 100));
    EXPECT_EQ(mRead.dummies[0].rotation, KaQuaternion::fromEuler(KaVector3f32(0, kPi / 2.0f, 0)));
}

TEST(KaZoneCompilerFilesTest, WritesTheZoneAndEveryScenesFiles)
{
    const KaZoneDescription zone = smallZone();
    KaTempDir dir;
    const KaString resources(dir.path().c_str());
    {
        KaCaptureStdout console;
        ASSERT_TRUE(KaZoneCompiler::write(zone, resources));
        EXPECT_EQ(console.text().find("[KaZoneCompiler"), std::string::npos);
    }

    KaFile geometryFile(KaPath(KaZoneCompiler::geometryPath(resources, "09")), KaFileSystem::Read);
    ASSERT_TRUE(geometryFile.isOpened());
    EXPECT_STREQ(KaZoneCompiler::geometryPath(resources, "09").c_str(), (dir.path() + "/scenes/09/Geometry09.bin").c_str());
    SceneGeometryFile geometry;
    EXPECT_TRUE(geometry.read(geometryFile, nullptr, nullptr, nullptr));
    EXPECT_EQ(geometry.cameras.size(), 1u);

    const std::string folder = dir.path() + "/scenes/09/09010/";
    KaFile actions(KaPath((folder + "actions.bin").c_str()), KaFileSystem::Read);
    KaArray<KaActZone> actZones;
    ASSERT_TRUE(ActZonesFile::read(actions, actZones));
    ASSERT_EQ(actZones.size(), 1u);
    EXPECT_STREQ(actZones[0].zoneName.c_str(), "Zone09010");
    EXPECT_STREQ(actZones[0].name.c_str(), "Exit");
    EXPECT_EQ(actZones[0].corners[2].x, -140.0f);
    EXPECT_EQ(actZones[0].corners[2].y, 260.0f);

    KaFile blockersFile(KaPath((folder + "blockers.bin").c_str()), KaFileSystem::Read);
    KaArray<KaBlocker> blockers;
    KaArray<KaRectBlocker> rectBlockers;
    ASSERT_TRUE(BlockersFile::read(blockersFile, blockers, rectBlockers));
    ASSERT_EQ(blockers.size(), 1u);
    EXPECT_EQ(blockers[0].first.x, 50.0f);
    EXPECT_EQ(blockers[0].second.y, 240.0f);
    ASSERT_EQ(rectBlockers.size(), 1u);
    EXPECT_EQ(rectBlockers[0].corners[3].y, 300.0f);
    EXPECT_TRUE(rectBlockers[0].enabled);
}

TEST(KaZoneCompilerFilesTest, AFolderThatCannotBeWrittenIsReported)
{
    const KaZoneDescription zone = smallZone();
    KaTempDir dir;
    // A file where the resources folder should be.
    dir.write("taken", "x");
    KaCaptureStdout console;
    EXPECT_FALSE(KaZoneCompiler::write(zone, KaString(dir.file("taken").c_str())));
    const std::string printed = console.text();
    EXPECT_NE(printed.find("[KaZoneCompiler::write] Can't write file : "), std::string::npos) << printed;
    EXPECT_NE(printed.find("Geometry09.bin"), std::string::npos) << printed;
}

} // namespace
