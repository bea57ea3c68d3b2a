#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

const float pi = 3.14159265358979323846f;

std::vector<float> lightValues(GLenum light, GLenum name, int count)
{
    std::vector<float> values(4, -99.0f);
    glGetLightfv(light, name, values.data());
    values.resize(static_cast<size_t>(count));
    return values;
}

using KaLightGLTest = KaGLRendererTest;

TEST_F(KaLightGLTest, UpdateSendsEachTypeToItsSlot)
{
    // GL stores light positions in eye space: keep the model-view identity.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    KaLight directional;
    directional.setType(KaLight::DIRECTIONAL);
    directional.setDirection(KaVector2f32(0.4f, -0.3f));
    directional.setDiffuse(KaColor(255, 128, 0, 0)); // alpha 0 still goes as 1
    directional.setAmbient(KaColor(51, 0, 0, 7));
    directional.setSpecular(KaColor(0, 0, 255, 0));
    directional.update(2);
    const std::vector<float> position = lightValues(GL_LIGHT2, GL_POSITION, 4);
    EXPECT_NEAR(std::cos(0.4f) * std::cos(-0.3f), position[0], 1e-6f);
    EXPECT_NEAR(std::sin(-0.3f), position[1], 1e-6f);
    EXPECT_NEAR(std::sin(0.4f) * std::cos(-0.3f), position[2], 1e-6f);
    EXPECT_EQ(0.0f, position[3]);
    EXPECT_EQ(180.0f, lightValues(GL_LIGHT2, GL_SPOT_CUTOFF, 1)[0]);
    EXPECT_EQ((std::vector<float> { 1.0f, 128.0f / 255.0f, 0.0f, 1.0f }), lightValues(GL_LIGHT2, GL_DIFFUSE, 4));
    EXPECT_EQ((std::vector<float> { 0.2f, 0.0f, 0.0f, 1.0f }), lightValues(GL_LIGHT2, GL_AMBIENT, 4));
    EXPECT_EQ((std::vector<float> { 0.0f, 0.0f, 1.0f, 1.0f }), lightValues(GL_LIGHT2, GL_SPECULAR, 4));

    KaLight spot;
    spot.setType(KaLight::SPOT);
    spot.setPosition(KaVector3f32(1.0f, 2.0f, 3.0f));
    spot.setDirection(KaVector2f32(pi / 2.0f, 0.0f));
    spot.setCutoff(pi / 4.0f);
    spot.setExponent(12.0f);
    spot.setDiffuse(KaColor(255, 255, 255, 255));
    spot.setConstantAttenuation(0.5f);
    spot.setLinearAttenuation(0.25f);
    spot.setQuadraticAttenuation(0.125f);
    spot.update(0);
    EXPECT_EQ((std::vector<float> { 1.0f, 2.0f, 3.0f, 1.0f }), lightValues(GL_LIGHT0, GL_POSITION, 4));
    EXPECT_NEAR(45.0f, lightValues(GL_LIGHT0, GL_SPOT_CUTOFF, 1)[0], 1e-4f);
    EXPECT_EQ(12.0f, lightValues(GL_LIGHT0, GL_SPOT_EXPONENT, 1)[0]);
    const std::vector<float> spotDirection = lightValues(GL_LIGHT0, GL_SPOT_DIRECTION, 3);
    EXPECT_NEAR(0.0f, spotDirection[0], 1e-6f);
    EXPECT_NEAR(1.0f, spotDirection[2], 1e-6f);
    EXPECT_EQ(0.5f, lightValues(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 1)[0]);
    EXPECT_EQ(0.25f, lightValues(GL_LIGHT0, GL_LINEAR_ATTENUATION, 1)[0]);
    EXPECT_EQ(0.125f, lightValues(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 1)[0]);

    // A point light is a spot with no cone.
    spot.setType(KaLight::POINT);
    spot.update(0);
    EXPECT_EQ(180.0f, lightValues(GL_LIGHT0, GL_SPOT_CUTOFF, 1)[0]);
}

TEST_F(KaLightGLTest, BlackDiffuseSwitchesTheSlotOff)
{
    struct Case {
        KaColor diffuse;
        bool onAfterUpdate; // update() only switches off
        bool onAfterEnable;
    };
    const Case cases[] = {
        { KaColor(0, 0, 0, 255), false, false },
        { KaColor(2, 1, 2, 255), false, true }, // below 1% for update, not 0 for enable
        { KaColor(0, 3, 0, 0), true, true },
        { KaColor(255, 255, 255, 255), true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.diffuse.r) << "," << int(c.diffuse.g) << "," << int(c.diffuse.b));
        KaLight light;
        light.setDiffuse(c.diffuse);
        light.setAmbient(KaColor(255, 255, 255, 255));
        light.setSpecular(KaColor(255, 255, 255, 255));
        glEnable(GL_LIGHT1);
        light.update(1);
        EXPECT_EQ(c.onAfterUpdate, glIsEnabled(GL_LIGHT1) == GL_TRUE);
        light.enable(1);
        EXPECT_EQ(c.onAfterEnable, glIsEnabled(GL_LIGHT1) == GL_TRUE);
        KaLight::disable(1);
        EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    }
    KaLight::enableAll();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    KaLight::disableAll();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

// A white, diffuse-only triangle facing the viewer, lit by one red
// directional light: its brightness follows the angle between its normal
// and the light's direction.
TEST_F(KaLightGLTest, LitTriangleFollowsTheLightDirection)
{
    struct Case {
        const char* what;
        KaVector2f32 angles;
        int expectedRed;
    };
    const Case cases[] = {
        { "light straight on", KaVector2f32(pi / 2.0f, 0.0f), 255 },
        { "light at 60 degrees", KaVector2f32(pi / 6.0f, 0.0f), 128 },
        { "light from above at 60 degrees", KaVector2f32(pi / 2.0f, pi / 3.0f), 128 },
        { "light grazing", KaVector2f32(0.0f, 0.0f), 0 },
        { "light from behind", KaVector2f32(-pi / 2.0f, 0.0f), 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();

        KaLight::globalAmbient = KaColor(0, 0, 0, 255);
        KaLight::updateGlobal();
        KaLight light;
        light.setType(KaLight::DIRECTIONAL);
        light.setDirection(c.angles);
        light.setDiffuse(KaColor(255, 0, 0, 255));
        light.setSpecular(KaColor(0, 0, 0, 255));
        light.update(0);
        light.enable(0);
        KaLight::enableAll();

        const GLfloat white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
        const GLfloat black[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
        glBegin(GL_TRIANGLES);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glVertex3f(-0.9f, -0.9f, 0.0f);
        glVertex3f(0.9f, -0.9f, 0.0f);
        glVertex3f(0.0f, 0.9f, 0.0f);
        glEnd();
        KaLight::disableAll();

        const KaPixel inside = pixel(128, 100);
        EXPECT_NEAR(c.expectedRed, inside.r, 1);
        EXPECT_EQ(0, inside.g);
        EXPECT_EQ(0, pixel(5, 250).r) << "outside the triangle";
    }

    // Only the global ambient: the material's ambient times it.
    glClear(GL_COLOR_BUFFER_BIT);
    KaLight::globalAmbient = KaColor(102, 51, 0, 0);
    KaLight::updateGlobal();
    KaLight::disable(0);
    KaLight::enableAll();
    const GLfloat white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-0.9f, -0.9f, 0.0f);
    glVertex3f(0.9f, -0.9f, 0.0f);
    glVertex3f(0.0f, 0.9f, 0.0f);
    glEnd();
    KaLight::disableAll();
    EXPECT_NEAR(102, pixel(128, 100).r, 1);
    EXPECT_NEAR(51, pixel(128, 100).g, 1);
    KaLight::globalAmbient = KaColor(0, 0, 0, 255);
}

// The spot symbol's axis, (1, 0, 0) before placing, ends up along the light
// direction: the symbol points where the light shines.
TEST(KaLightTest, SpotSymbolPointsAlongTheDirection)
{
    const KaVector2f32 angles[] = { KaVector2f32(0.0f, 0.0f), KaVector2f32(0.7f, 0.0f), KaVector2f32(0.0f, -0.5f),
        KaVector2f32(2.0f, 0.9f), KaVector2f32(-1.2f, 1.3f) };
    for (const KaVector2f32& a : angles) {
        SCOPED_TRACE(testing::Message() << a.x << ", " << a.y);
        KaLight light;
        light.setDirection(a);
        light.setPosition(KaVector3f32(5.0f, -2.0f, 1.0f));
        KaVector3f32 point(1.0f, 0.0f, 0.0f);
        light.transformSpotPoint(point);
        const KaVector3f32 expected = KaVector3f32(5.0f, -2.0f, 1.0f) + light.directionVector();
        EXPECT_NEAR(expected.x, point.x, 1e-5f);
        EXPECT_NEAR(expected.y, point.y, 1e-5f);
        EXPECT_NEAR(expected.z, point.z, 1e-5f);

        // The arrow points the other way, from the anchor towards where the
        // light comes from, tilted the other way in b.
        KaVector3f32 tip(1.0f, 0.0f, 0.0f);
        light.transformDirPoint(KaVector3f32(0.0f, 0.0f, 0.0f), tip);
        EXPECT_NEAR(-std::cos(a.x) * std::cos(a.y), tip.x, 1e-5f);
        EXPECT_NEAR(-std::sin(a.y), tip.y, 1e-5f);
        EXPECT_NEAR(-std::sin(a.x) * std::cos(a.y), tip.z, 1e-5f);
    }
}

TEST_F(KaLightGLTest, DrawShowsTheSymbolInTheDiffuseColour)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::ORTHOGRAPHIC);
    camera->orthogonalParams(-128.0f, 128.0f, -128.0f, 128.0f);
    camera->setNearDistance(-1000.0f);
    camera->setFarDistance(1000.0f);
    camera->viewport(0, 0, 256, 256);
    camera->apply();

    KaLight light;
    light.setDiffuse(KaColor(0, 0, 255, 255));
    light.setDisplaySize(40.0f);
    light.setDirection(KaVector2f32(0.3f, 0.4f));
    light.draw(*camera);
    // The orthographic flip of b is undone afterwards.
    EXPECT_EQ(0.4f, light.direction().y);
    camera->restore();

    // A point light: circles of radius 40 around the origin; the xy one
    // passes through (40, 0), the centre stays empty.
    int blue = 0;
    for (int dx = -1; dx <= 1; ++dx)
        blue += pixel(128 + 40 + dx, 128).b == 255 ? 1 : 0;
    EXPECT_GT(blue, 0);
    EXPECT_EQ(0, pixel(128 + 20, 128 + 20).b);

    // The other symbols show up too, in the diffuse colour.
    const KaLight::Type types[] = { KaLight::SPOT, KaLight::DIRECTIONAL };
    for (KaLight::Type type : types) {
        SCOPED_TRACE(type);
        glClear(GL_COLOR_BUFFER_BIT);
        camera->apply();
        light.setType(type);
        light.setCutoff(pi / 6.0f);
        light.draw(*camera);
        camera->restore();
        const std::vector<unsigned char> rgba = context().readPixels();
        int lit = 0;
        for (int i = 0; i < 256 * 256; ++i)
            lit += rgba[4 * i + 2] == 255 ? 1 : 0;
        EXPECT_GT(lit, 40);
    }
}

} // namespace
