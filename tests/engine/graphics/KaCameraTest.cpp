#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaQuaternion.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/support/KaTestSupport.h"

namespace {

const float pi = 3.14159265358979323846f;

// m(row, column) of a column-major matrix.
float at(const KaMatrix4x4& m, int row, int column)
{
    return m.m[4 * column + row];
}

struct CameraSetup {
    const char* name;
    int type;
    KaVector3f32 position;
    KaQuaternion rotation;
    float aspect;
};

KaIntrusivePtr<KaCamera> makeCamera(const CameraSetup& setup)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(setup.type);
    camera->setPosition(setup.position);
    camera->setRotation(setup.rotation);
    camera->setFov(0.9f);
    camera->setAspect(setup.aspect);
    camera->setNearDistance(setup.type == KaCamera::ORTHOGRAPHIC ? -1000.0f : 10.0f);
    camera->setFarDistance(setup.type == KaCamera::ORTHOGRAPHIC ? 1000.0f : 4000.0f);
    camera->orthogonalParams(-150.0f, 150.0f, -110.0f, 110.0f);
    camera->viewport(0, 0, 256, 256);
    return camera;
}

const CameraSetup setups[] = {
    { "perspective, aspect on y", KaCamera::PERSPECTIVE_Y, KaVector3f32(10.0f, -5.0f, -300.0f),
        KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), 0.3f), 1.0f },
    { "perspective, aspect on x", KaCamera::PERSPECTIVE_X, KaVector3f32(-20.0f, 15.0f, -250.0f),
        KaQuaternion::fromAxisAndAngle(KaVector3f32(1.0f, 0.0f, 0.0f), 0.2f), 1.3333334f },
    { "orthographic", KaCamera::ORTHOGRAPHIC, KaVector3f32(7.0f, 3.0f, 0.0f),
        KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), 0.25f), 1.0f },
};

class Counter {
public:
    bool onEvent()
    {
        ++count;
        return false;
    }
    int count = 0;
};

using KaCameraGLTest = KaGLRendererTest;

TEST(KaCameraTest, ProjectionMatricesOfEachType)
{
    KaCamera camera;
    camera.setFov(1.0f);
    camera.setNearDistance(10.0f);
    camera.setFarDistance(1000.0f);
    camera.setAspect(2.0f);
    const float c = 1.0f / std::tan(0.5f);
    const float n = 10.0f;
    const float f = 1000.0f;

    camera.setProjectionType(KaCamera::PERSPECTIVE_Y);
    KaMatrix4x4 m = camera.projectionMatrix();
    EXPECT_FLOAT_EQ(c, at(m, 0, 0));
    EXPECT_FLOAT_EQ(c * 2.0f, at(m, 1, 1));
    EXPECT_FLOAT_EQ(-(f + n) / (n - f), at(m, 2, 2));
    EXPECT_FLOAT_EQ(1.0f, at(m, 3, 2));
    EXPECT_FLOAT_EQ(2.0f * f * n / (n - f), at(m, 2, 3));
    EXPECT_FLOAT_EQ(0.0f, at(m, 3, 3));
    // Left-handed: a point on the near plane in front (+z) maps to depth -1,
    // on the far plane to +1.
    EXPECT_NEAR(-1.0f, (m * KaVector3f32(0.0f, 0.0f, n)).z, 1e-5f);
    EXPECT_NEAR(1.0f, (m * KaVector3f32(0.0f, 0.0f, f)).z, 1e-5f);

    camera.setProjectionType(KaCamera::PERSPECTIVE_X);
    m = camera.projectionMatrix();
    EXPECT_FLOAT_EQ(c / 2.0f, at(m, 0, 0));
    EXPECT_FLOAT_EQ(c, at(m, 1, 1));

    // Type 1 takes the viewport's shape as aspect.
    camera.viewport(0, 0, 300, 100);
    camera.setProjectionType(KaCamera::PERSPECTIVE_VIEWPORT);
    m = camera.projectionMatrix();
    EXPECT_FLOAT_EQ(c / 3.0f, at(m, 0, 0));

    camera.setProjectionType(KaCamera::ORTHOGRAPHIC);
    camera.orthogonalParams(-100.0f, 300.0f, 50.0f, 250.0f);
    m = camera.projectionMatrix();
    EXPECT_FLOAT_EQ(2.0f / 400.0f, at(m, 0, 0));
    EXPECT_FLOAT_EQ(2.0f / 200.0f, at(m, 1, 1));
    EXPECT_FLOAT_EQ(-2.0f / (f - n), at(m, 2, 2));
    EXPECT_FLOAT_EQ(-200.0f / 400.0f, at(m, 0, 3));
    EXPECT_FLOAT_EQ(-300.0f / 200.0f, at(m, 1, 3));
    EXPECT_FLOAT_EQ(-(f + n) / (f - n), at(m, 2, 3));
    EXPECT_FLOAT_EQ(1.0f, at(m, 3, 3));

    // Coinciding bounds take the largest float instead of dividing by 0.
    camera.orthogonalParams(5.0f, 5.0f, 0.0f, 1.0f);
    m = camera.projectionMatrix();
    EXPECT_EQ(2.0f * FLT_MAX, at(m, 0, 0));
    EXPECT_FALSE(std::isnan(at(m, 0, 3)));

    // Type 0 keeps the stored matrix as it is.
    KaMatrix4x4 stored;
    stored.m[5] = 42.0f;
    camera.setProjectionMatrix(stored);
    camera.setProjectionType(KaCamera::NO_PROJECTION);
    EXPECT_EQ(stored, camera.projectionMatrix());
}

TEST(KaCameraTest, ViewportSignalsEveryCallAndPixelConversions)
{
    KaCamera camera;
    Counter counter;
    camera.onViewportChanged().add(&counter, &Counter::onEvent);
    camera.viewport(0, 0, 200, 100);
    camera.viewport(0, 0, 200, 100);
    EXPECT_EQ(2, counter.count);

    camera.viewport(10, 20, 200, 100);
    const KaVector3f32 topLeft = camera.transformPoint2Dto3D(KaVector3f32(10.0f, 20.0f, 0.0f));
    EXPECT_FLOAT_EQ(-1.0f, topLeft.x);
    EXPECT_FLOAT_EQ(1.0f, topLeft.y);
    EXPECT_FLOAT_EQ(0.0f, topLeft.z);
    const KaVector3f32 bottomRight = camera.transformPoint2Dto3D(KaVector3f32(210.0f, 120.0f, 0.0f));
    EXPECT_FLOAT_EQ(1.0f, bottomRight.x);
    EXPECT_FLOAT_EQ(-1.0f, bottomRight.y);
}

// The ray through a pixel, followed 500 units, projects back onto that
// pixel: getRay and projectPoint3f32 agree on rotation, position and the
// y-up / y-down conventions.
TEST(KaCameraTest, RayThroughAPixelProjectsBackOntoIt)
{
    const KaVector2s32 pixels[] = { KaVector2s32(0, 0), KaVector2s32(255, 0), KaVector2s32(100, 200),
        KaVector2s32(128, 128), KaVector2s32(3, 250) };
    for (const CameraSetup& setup : setups) {
        if (setup.type == KaCamera::ORTHOGRAPHIC)
            continue; // an orthographic ray has no single origin
        SCOPED_TRACE(setup.name);
        KaIntrusivePtr<KaCamera> camera = makeCamera(setup);
        camera->projectionMatrix();
        for (const KaVector2s32& p : pixels) {
            SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
            KaVector3f32 origin, direction;
            camera->getRay(p, origin, direction);
            EXPECT_EQ(setup.position, origin);
            EXPECT_NEAR(1.0f, direction.getLength(), 1e-5f);
            const KaVector3f32 back = camera->projectPoint3f32(origin + direction * 500.0f);
            EXPECT_NEAR(static_cast<float>(p.x), back.x, 0.02f);
            EXPECT_NEAR(static_cast<float>(p.y), 256.0f - back.y, 0.02f);
        }
    }

    // The lower-left pixel is device corner (-1, -1): with no rotation its
    // ray leans left and down, and goes forward along +z.
    KaCamera camera;
    camera.setProjectionType(KaCamera::PERSPECTIVE_Y);
    camera.viewport(0, 0, 256, 256);
    camera.setFov(pi / 2.0f);
    camera.projectionMatrix();
    KaVector3f32 origin, direction;
    camera.getRay(KaVector2s32(0, 0), origin, direction);
    EXPECT_LT(direction.x, 0.0f);
    EXPECT_LT(direction.y, 0.0f);
    EXPECT_GT(direction.z, 0.0f);
    EXPECT_NEAR(direction.x, direction.y, 1e-5f);
    EXPECT_NEAR(-direction.x, direction.z, 1e-5f);
}

// A world point drawn through the applied camera lights exactly the pixel
// projectPoint names (its y counted down from the top).
TEST_F(KaCameraGLTest, ProjectedPointLandsOnTheDrawnPixel)
{
    const KaVector3f32 points[] = { KaVector3f32(0.3f, 0.2f, 0.1f), KaVector3f32(40.3f, -30.6f, 50.2f),
        KaVector3f32(-61.2f, 20.7f, -20.4f), KaVector3f32(12.4f, 45.1f, 3.3f) };
    for (const CameraSetup& setup : setups) {
        SCOPED_TRACE(setup.name);
        KaIntrusivePtr<KaCamera> camera = makeCamera(setup);
        for (const KaVector3f32& point : points) {
            SCOPED_TRACE(testing::Message() << point.x << ", " << point.y << ", " << point.z);
            const KaVector2f32 projected = camera->projectPoint(point);
            const float column = projected.x;
            const float row = 256.0f - projected.y;
            // A point on a pixel edge may go either way: choose others.
            ASSERT_GT(std::fabs(column - std::round(column)), 0.02f);
            ASSERT_GT(std::fabs(row - std::round(row)), 0.02f);

            renderer.get()->reset();
            camera->apply();
            glPointSize(1.0f);
            glBegin(GL_POINTS);
            glColor4ub(255, 255, 255, 255);
            glVertex3f(point.x, point.y, point.z);
            glEnd();
            camera->restore();

            const std::vector<unsigned char> rgba = context().readPixels();
            std::vector<int> lit;
            for (int i = 0; i < 256 * 256; ++i) {
                if (rgba[4 * i] != 0)
                    lit.push_back(i);
            }
            ASSERT_EQ(1u, lit.size());
            EXPECT_EQ(static_cast<int>(std::floor(column)), lit[0] % 256);
            EXPECT_EQ(static_cast<int>(std::floor(row)), lit[0] / 256);
        }
    }
}

TEST_F(KaCameraGLTest, ApplyAndRestoreHandTheCameraToTheRenderer)
{
    KaRenderer* r = renderer.get();
    KaIntrusivePtr<KaCamera> camera = makeCamera(setups[0]);
    camera->setScale(KaVector3f32(2.0f, 2.0f, 1.0f));
    camera->viewport(5, 6, 100, 50);
    r->setCurrentColor(KaColor(1, 2, 3, 4));

    camera->apply();
    EXPECT_EQ(camera.get(), r->currentCamera().get());
    EXPECT_EQ(2u, camera->counter());
    // The node's scale enlarges the GL viewport, not the stored one.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(5, viewport[0]);
    EXPECT_EQ(6, viewport[1]);
    EXPECT_EQ(200, viewport[2]);
    EXPECT_EQ(100, viewport[3]);
    EXPECT_EQ(100u, camera->viewportWidth());
    // GL holds the projection and the inverse world matrix.
    KaMatrix4x4 gl;
    glGetFloatv(GL_PROJECTION_MATRIX, gl.m);
    EXPECT_EQ(camera->projectionMatrix(), gl);
    EXPECT_EQ(camera->projectionMatrix(), r->matricesStack(KaRenderer::PROJECTION).currentMatrix());
    glGetFloatv(GL_MODELVIEW_MATRIX, gl.m);
    EXPECT_EQ(camera->worldTransformationMatrix().getInverseMatrix(), gl);
    EXPECT_EQ(KaRenderer::MODELVIEW, r->matrixMode());

    camera->restore();
    EXPECT_EQ(nullptr, r->currentCamera().get());
    EXPECT_EQ(1u, camera->counter());
    EXPECT_EQ(KaColor(255, 255, 255, 255), r->currentColor());
}

TEST_F(KaCameraGLTest, FrustumDrawsItsEdgesAroundTheView)
{
    // A small perspective camera seen from far above by an orthographic one.
    KaIntrusivePtr<KaCamera> subject(new KaCamera());
    subject->setProjectionType(KaCamera::PERSPECTIVE_Y);
    subject->setFov(pi / 2.0f);
    subject->setNearDistance(10.0f);
    subject->setFarDistance(100.0f);

    KaIntrusivePtr<KaCamera> viewer(new KaCamera());
    viewer->setProjectionType(KaCamera::ORTHOGRAPHIC);
    viewer->orthogonalParams(-128.0f, 128.0f, -128.0f, 128.0f);
    viewer->setNearDistance(-1000.0f);
    viewer->setFarDistance(1000.0f);
    viewer->viewport(0, 0, 256, 256);
    renderer.get()->reset();
    viewer->apply();
    renderer.get()->setCurrentColor(KaColor(255, 0, 0, 255));
    subject->draw();
    viewer->restore();

    // Looking down the z axis: the far rectangle spans x and y from -100 to
    // 100; its edges pass through (100, 0) and (0, 100), the centre stays
    // empty.
    auto redAround = [this](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (pixel(x + dx, y + dy).r == 255)
                    return true;
        return false;
    };
    EXPECT_TRUE(redAround(128 + 100, 128));
    EXPECT_TRUE(redAround(128, 128 - 100));
    EXPECT_TRUE(redAround(128 + 10, 128));
    EXPECT_FALSE(redAround(128 + 50, 128 + 20));
    EXPECT_FALSE(redAround(128, 128));
}

// The camera file: 56 bytes of little-endian floats.
std::string cameraFile(const std::vector<float>& values)
{
    KaStream stream;
    for (float value : values)
        stream.write(value);
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

const std::vector<float> goodRecord = { 1.0f, 2.0f, 3.0f, 0.0f, 0.6f, 0.0f, 0.8f, 1.0f, 2.0f, 1.0f, pi / 2.0f,
    1.7777778f, 5.0f, 900.0f };

// Everything loadBin may change, for "nothing changed" comparisons.
struct CameraState {
    explicit CameraState(KaCamera& c)
        : type(c.projectionType())
        , fov(c.fov())
        , aspect(c.aspect())
        , nearDistance(c.nearDistance())
        , farDistance(c.farDistance())
        , position(c.position())
        , rotation(c.rotation())
        , scale(c.scale())
        , name(c.name().c_str())
    {
    }
    bool operator==(const CameraState& o) const
    {
        return type == o.type && fov == o.fov && aspect == o.aspect && nearDistance == o.nearDistance
            && farDistance == o.farDistance && position == o.position && rotation == o.rotation && scale == o.scale
            && name == o.name;
    }
    int type;
    float fov, aspect, nearDistance, farDistance;
    KaVector3f32 position;
    KaQuaternion rotation;
    KaVector3f32 scale;
    std::string name;
};

TEST(KaCameraFileTest, ReadsTheRecordIntoATypeThreeCamera)
{
    KaTempDir dir;
    dir.write("cams/hall.cam", cameraFile(goodRecord) + "trailing bytes are not read");
    KaCamera camera;
    KaCaptureStdout capture;
    ASSERT_TRUE(camera.loadBin(KaPath(dir.file("cams/hall.cam").c_str())));
    EXPECT_EQ(std::string::npos, capture.text().find("KaCamera"));

    EXPECT_EQ(KaCamera::PERSPECTIVE_X, camera.projectionType());
    EXPECT_EQ(KaVector3f32(1.0f, 2.0f, 3.0f), camera.position());
    EXPECT_EQ(KaQuaternion(0.0f, 0.6f, 0.0f, 0.8f), camera.rotation());
    EXPECT_EQ(KaVector3f32(1.0f, 2.0f, 1.0f), camera.scale());
    // The horizontal quarter turn of the file is the vertical angle of a
    // 4:3 picture.
    EXPECT_NEAR(2.0f * std::atan(0.75f), camera.fov(), 1e-6f);
    EXPECT_NEAR(1.287f, camera.fov(), 1e-3f);
    EXPECT_FLOAT_EQ(1.7777778f, camera.aspect());
    EXPECT_FLOAT_EQ(5.0f, camera.nearDistance());
    EXPECT_FLOAT_EQ(900.0f, camera.farDistance());
    EXPECT_EQ("hall.cam", std::string(camera.name().c_str()));
}

TEST(KaCameraFileTest, StreamReadsFromItsPosition)
{
    std::vector<float> second = goodRecord;
    second[0] = -7.0f;
    const std::string bytes = "xyz" + cameraFile(goodRecord) + cameraFile(second);
    KaStream stream;
    stream.writeData(bytes.data(), bytes.size());
    ASSERT_TRUE(stream.seek(3));
    KaCamera a, b, c;
    EXPECT_TRUE(a.loadBin(stream));
    EXPECT_TRUE(b.loadBin(stream));
    EXPECT_EQ(1.0f, a.position().x);
    EXPECT_EQ(-7.0f, b.position().x);
    EXPECT_FALSE(c.loadBin(stream));
}

// Every prefix of a good file is too short: each fails with the message and
// leaves a configured camera exactly as it was.
TEST(KaCameraFileTest, TruncatedFilesChangeNothing)
{
    KaTempDir dir;
    const std::string whole = cameraFile(goodRecord);
    ASSERT_EQ(KaCamera::mFileSize, whole.size());
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        dir.write("short.cam", whole.substr(0, length));
        KaCamera camera;
        camera.setName("before");
        camera.setProjectionType(KaCamera::ORTHOGRAPHIC);
        camera.setPosition(KaVector3f32(9.0f, 9.0f, 9.0f));
        camera.setFov(0.5f);
        const CameraState before(camera);
        const std::string path = dir.file("short.cam");
        KaCaptureStdout capture;
        EXPECT_FALSE(camera.loadBin(KaPath(path.c_str())));
        const std::string text = capture.text();
        EXPECT_NE(std::string::npos, text.find("[KaCamera::loadBin] Can't open file : " + path + ".\n")) << text;
        EXPECT_EQ(text.find("[KaCamera"), text.rfind("[KaCamera")) << "one line";
        EXPECT_TRUE(before == CameraState(camera));
    }
}

TEST(KaCameraFileTest, UnusableOrMissingFilesChangeNothing)
{
    struct Case {
        const char* what;
        int field;
        float value;
    };
    const Case cases[] = {
        { "NaN position", 1, std::nanf("") },
        { "infinite rotation", 5, INFINITY },
        { "NaN scale", 8, std::nanf("") },
        { "zero field of view", 10, 0.0f },
        { "half-turn field of view", 10, pi },
        { "negative field of view", 10, -1.0f },
        { "zero aspect", 11, 0.0f },
        { "near equal to far", 12, 900.0f },
        { "infinite far", 13, INFINITY },
    };
    KaTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<float> record = goodRecord;
        record[static_cast<size_t>(c.field)] = c.value;
        dir.write("bad.cam", cameraFile(record));
        KaCamera camera;
        const CameraState before(camera);
        KaCaptureStdout capture;
        EXPECT_FALSE(camera.loadBin(KaPath(dir.file("bad.cam").c_str())));
        EXPECT_NE(std::string::npos, capture.text().find("[KaCamera::loadBin] Can't open file : "));
        EXPECT_TRUE(before == CameraState(camera));
    }

    KaCamera camera;
    const CameraState before(camera);
    KaCaptureStdout capture;
    EXPECT_FALSE(camera.loadBin(KaPath(dir.file("missing.cam").c_str())));
    EXPECT_NE(std::string::npos,
        capture.text().find("[KaCamera::loadBin] Can't open file : " + dir.file("missing.cam") + ".\n"));
    EXPECT_TRUE(before == CameraState(camera));
}

} // namespace
