#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/scene/KaSceneCamera.h"

namespace {

typedef KaVector3f32 V;

const float pi = 3.14159265358979323846f;

KaZoneDescription::Camera camera(V position, V target, float fovDegrees = 45.0f, float aspect = 4.0f / 3.0f)
{
    KaZoneDescription::Camera c;
    c.name = "Camera1";
    c.position = position;
    c.target = target;
    c.fovDegrees = fovDegrees;
    c.aspect = aspect;
    return c;
}

TEST(KaSceneCameraTest, TargetLandsInTheMiddleAndTheAngleIsVertical)
{
    // Straight on, oblique, and straight down (where +z becomes the up).
    const struct Case {
        const char* name;
        V position, target;
        float fov, aspect;
        V up;
    } cases[] = {
        { "straight", V(0, 150, 500), V(0, 150, 0), 45.0f, 4.0f / 3.0f, V(0, 1, 0) },
        { "oblique", V(-320, 240, 410), V(60, 80, -90), 52.0f, 4.0f / 3.0f, V(0, 1, 0) },
        { "wide", V(10, 20, 30), V(400, -50, 200), 70.0f, 16.0f / 9.0f, V(0, 1, 0) },
        { "down", V(50, 900, 20), V(50, 0, 20), 40.0f, 4.0f / 3.0f, V(0, 0, 1) },
    };
    for (const Case& c : cases) {
        const unsigned int width = 640, height = static_cast<unsigned int>(std::lround(640 / c.aspect));
        KaIntrusivePtr<KaCamera> cam = KaSceneCamera::create(camera(c.position, c.target, c.fov, c.aspect), width, height);
        ASSERT_TRUE(cam.get()) << c.name;
        EXPECT_EQ(cam->projectionType(), KaCamera::PERSPECTIVE_Y) << c.name;
        EXPECT_EQ(cam->farDistance(), 3000.0f) << c.name;

        const KaVector3f32 centre = cam->projectPoint3f32(c.target);
        EXPECT_NEAR(centre.x, width / 2.0f, 0.01f) << c.name;
        EXPECT_NEAR(centre.y, height / 2.0f, 0.01f) << c.name;

        // A point seen half the vertical angle above the target's direction
        // meets the top edge: the author's angle is the picture's height.
        const V forward = (c.target - c.position).toNormalized();
        const V side = forward.crossProduct(c.up).toNormalized();
        const V up = side.crossProduct(forward);
        const float half = std::tan(c.fov * pi / 360.0f);
        const KaVector3f32 top = cam->projectPoint3f32(c.position + (forward + up * half) * 300.0f);
        EXPECT_NEAR(top.x, width / 2.0f, 0.05f) << c.name;
        EXPECT_NEAR(top.y, 0.0f, 0.05f) << c.name;
        // And the side edge is the aspect's: half * aspect to one side.
        const KaVector3f32 edge = cam->projectPoint3f32(c.position + (forward + side * (half * c.aspect)) * 300.0f);
        EXPECT_NEAR(std::min(edge.x, width - edge.x), 0.0f, 0.05f) << c.name;
        EXPECT_NEAR(edge.y, height / 2.0f, 0.05f) << c.name;

        // The geometry file's angle is the one the scene's camera uses.
        EXPECT_NEAR(cam->fov(), KaSceneCamera::fileFov(camera(c.position, c.target, c.fov, c.aspect)), 1e-6f) << c.name;
    }
}

TEST(KaSceneCameraTest, RotationIsTheWorldMatrixOfTheCamera)
{
    const KaZoneDescription::Camera c = camera(V(100, 200, 300), V(-50, 20, -400));
    KaQuaternion q;
    ASSERT_TRUE(KaSceneCamera::rotation(c, q));
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
    // The camera looks along its own +z, with its +y rising.
    const V forward = q.toMatrix().mult3x3(V(0, 0, 1));
    const V expected = (c.target - c.position).toNormalized();
    EXPECT_NEAR(forward.x, expected.x, 1e-5f);
    EXPECT_NEAR(forward.y, expected.y, 1e-5f);
    EXPECT_NEAR(forward.z, expected.z, 1e-5f);
    EXPECT_GT(q.toMatrix().mult3x3(V(0, 1, 0)).y, 0.0f);
}

TEST(KaSceneCameraTest, UnusableCamerasGiveNoCamera)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        KaZoneDescription::Camera camera;
    };
    Case cases[] = {
        { "target on the position", camera(V(1, 2, 3), V(1, 2, 3)) },
        { "position not finite", camera(V(nan, 2, 3), V(0, 0, 0)) },
        { "no angle", camera(V(0, 0, 0), V(0, 0, -1), 0.0f) },
        { "half a turn", camera(V(0, 0, 0), V(0, 0, -1), 180.0f) },
        { "no aspect", camera(V(0, 0, 0), V(0, 0, -1), 45.0f, 0.0f) },
        { "negative aspect", camera(V(0, 0, 0), V(0, 0, -1), 45.0f, -1.0f) },
        { "near at 0", camera(V(0, 0, 0), V(0, 0, -1)) },
        { "near beyond the scene's far", camera(V(0, 0, 0), V(0, 0, -1)) },
    };
    cases[6].camera.nearPlane = 0.0f;
    cases[7].camera.nearPlane = 3000.0f;
    for (const Case& c : cases) {
        EXPECT_FALSE(KaSceneCamera::usable(c.camera)) << c.name;
        EXPECT_FALSE(KaSceneCamera::create(c.camera, 64, 48).get()) << c.name;
    }
    KaQuaternion q(1, 2, 3, 4);
    EXPECT_FALSE(KaSceneCamera::rotation(cases[0].camera, q));
    EXPECT_EQ(q, KaQuaternion());
}

} // namespace
