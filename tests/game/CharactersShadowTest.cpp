#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaMesh.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/scene/KaAnimation.h"
#include "game/characters/Character.h"
#include "game/characters/CharactersShadow.h"
#include "game/scene/InGameScene.h"
#include "tests/game/ApplicationTestFixture.h"

#ifdef KA_RESOURCES_DIR

namespace {

// The sample office with the sample player, Mira, standing under the lamp
// the shadow is seen from, drawn offscreen as the application's frame
// draws the shadow: the texture pass, then the projection under the scene
// camera over a light grey picture.
class CharactersShadowTest : public ApplicationTest {
protected:
    void TearDown() override
    {
        stop();
        ApplicationTest::TearDown();
    }

    void stop()
    {
        if (scene)
            scene->setPlayer(nullptr);
        scene.reset();
        mira.reset();
        Character::animCacheFreeAll();
        KaObject::deleteNow();
    }

    void start(unsigned int width, unsigned int height)
    {
        ASSERT_TRUE(gl.resize(width, height));
        withoutDestinationAlpha();
        mainWindow.get()->setSize(KaVector3f32(static_cast<float>(width), static_cast<float>(height), 100));
        KaCaptureStdout console;
        renderer.get()->init();
        KaTimer::updateAll();
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        ASSERT_TRUE(Character::loadSettings("models/ModelsSettings.xml"));
        scene.reset(new InGameScene);
        scene->setLocation("01", "01010");
        ASSERT_TRUE(scene->load("scenes/01/Geometry01.bin")) << console.text();
        scene->setCurrentCamera("Camera01010");
        ASSERT_TRUE(scene->currentCamera());
        ASSERT_NE(nullptr, scene->shadowLight());
        ASSERT_NE(nullptr, scene->charactersShadow());

        mira.reset(new Character);
        ASSERT_TRUE(mira->loadModel("Mira", false)) << console.text();
        mira->model()->setPosition(feet);
        KaAnimation::updateAll();
        scene->setPlayer(mira.get());
    }

    // A window's frame buffer mostly has no alpha channel: it reads as
    // opaque whatever is drawn. The same here, so that what the shadow
    // draws cannot lean on one.
    static void withoutDestinationAlpha()
    {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }

    void frame()
    {
        KaRenderer* r = renderer.get();
        r->setClearColor(KaColor(10, 20, 30, 255));
        r->reset();
        CharactersShadow::renderTexturePass(scene.get());
        afterTexturePass = gl.pixel(0, 0);
        r->setClearColor(KaColor(200, 200, 200, 255));
        r->clearBuffer(KaRenderer::COLOR_BUFFER | KaRenderer::DEPTH_BUFFER);
        // What a picture drawn before leaves in the texture matrix: its
        // padding and its flip.
        KaMatrix4x4 picture;
        picture.scale(KaVector3f32(0.78f, 0.59f, 1.0f));
        picture.translate(KaVector3f32(0.0f, 1.0f, 0.0f));
        picture.scale(KaVector3f32(1.0f, -1.0f, 1.0f));
        r->setMatrixMode(KaRenderer::TEXTURE);
        r->loadMatrix(picture);
        r->loadMatrixToGL(picture);
        r->setMatrixMode(KaRenderer::MODELVIEW);
        CharactersShadow::renderProjectionPass(scene.get());
    }

    // Where a world point lands in the GL buffer (y from the bottom).
    KaPixel pixelAt(const KaVector3f32& world)
    {
        const KaVector3f32 p = scene->currentCamera()->projectPoint3f32(world);
        return gl.pixel(static_cast<int>(p.x), static_cast<int>(gl.height()) - 1 - static_cast<int>(p.y));
    }

    std::vector<unsigned char> textureTexels()
    {
        const unsigned int side = scene->charactersShadow()->textureSize();
        std::vector<unsigned char> texels(static_cast<size_t>(side) * side * 2);
        glBindTexture(GL_TEXTURE_2D, scene->charactersShadow()->texture());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    KaGLTestContext gl { 320, 240 };
    std::unique_ptr<InGameScene> scene;
    std::unique_ptr<Character> mira;
    // On the rug, under the lamp; the other point is on the same floor,
    // well outside her shadow.
    const KaVector3f32 feet { 0.0f, 0.0f, 250.0f };
    const KaVector3f32 beside { -150.0f, 0.0f, 250.0f };
    KaPixel afterTexturePass {};
};


// Mira's triangles where the frame draws them: skinned positions under the
// mesh's matrix under the model's.
std::vector<KaVector3f32> worldTriangles(KaModel& model)
{
    std::vector<KaVector3f32> triangles;
    const KaMatrix4x4 world = model.worldTransformationMatrix();
    for (unsigned long m = 0; m < model.meshCount(); ++m) {
        KaMesh& mesh = model.mesh(m);
        if (!mesh.worldVisible())
            continue;
        const KaMatrix4x4 matrix
            = world * (mesh.matrixForced() ? mesh.forcedMatrix() : mesh.worldTransformationMatrix());
        const KaArray<KaVector3f32>& positions = mesh.hasSkinnedPositions() ? mesh.skinnedPositions() : mesh.positions();
        for (unsigned long i = 0; i + 2 < mesh.indexCount(); i += 3) {
            for (unsigned long k = 0; k < 3; ++k)
                triangles.push_back(matrix * positions[mesh.index(i + k)]);
        }
    }
    return triangles;
}

// Whether the segment from a to b crosses one of the triangles.
bool segmentHits(const std::vector<KaVector3f32>& triangles, const KaVector3f32& a, const KaVector3f32& b)
{
    const KaVector3f32 direction = b - a;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const KaVector3f32 e1 = triangles[t + 1] - triangles[t];
        const KaVector3f32 e2 = triangles[t + 2] - triangles[t];
        const KaVector3f32 p = direction.crossProduct(e2);
        const float det = e1.dotProduct(p);
        if (std::fabs(det) < 1e-9f)
            continue;
        const KaVector3f32 s = a - triangles[t];
        const float u = s.dotProduct(p) / det;
        if (u < 0.0f || u > 1.0f)
            continue;
        const KaVector3f32 q = s.crossProduct(e1);
        const float v = direction.dotProduct(q) / det;
        if (v < 0.0f || u + v > 1.0f)
            continue;
        const float along = e2.dotProduct(q) / det;
        if (along > 0.0f && along < 1.0f)
            return true;
    }
    return false;
}

} // namespace

// Over the floor around her, every point whose line to the shadow light
// crosses Mira is darkened by the shadow colour and every other point keeps
// the floor's grey; no pixel away from her shadow changes at all. Points within a few centimetres of the
// silhouette's edge are left out: the texture's texels blur it.
TEST_F(CharactersShadowTest, TheFloorDarkensExactlyUnderTheSilhouetteSeenFromTheLight)
{
    start(320, 240);
    mira->model()->setRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), 0.6f));
    KaAnimation::updateAll();
    mira->model()->update();

    frame();
    const std::vector<unsigned char> pixels = gl.readPixels();

    const std::vector<KaVector3f32> triangles = worldTriangles(*mira->model());
    ASSERT_FALSE(triangles.empty());
    const KaVector3f32 light = scene->shadowLight()->position();
    const float step = 4.0f;
    const int half = 50;
    std::vector<char> shadowed(static_cast<size_t>(2 * half + 1) * (2 * half + 1));
    auto point = [&](int i, int j) { return KaVector3f32(feet.x + step * i, 0.0f, feet.z + step * j); };
    for (int j = -half; j <= half; ++j) {
        for (int i = -half; i <= half; ++i)
            shadowed[static_cast<size_t>((j + half) * (2 * half + 1) + i + half)]
                = segmentHits(triangles, point(i, j), light) ? 1 : 0;
    }
    // 110 of 255 of black over 200: 200 x 145 / 255.
    const int inside = 114;
    int checkedInside = 0;
    int checkedOutside = 0;
    int shadowLeft = static_cast<int>(gl.width()), shadowRight = -1;
    int shadowBottom = static_cast<int>(gl.height()), shadowTop = -1;
    for (int j = -half + 2; j <= half - 2; ++j) {
        for (int i = -half + 2; i <= half - 2; ++i) {
            const char here = shadowed[static_cast<size_t>((j + half) * (2 * half + 1) + i + half)];
            bool edge = false;
            for (int dj = -2; dj <= 2 && !edge; ++dj) {
                for (int di = -2; di <= 2 && !edge; ++di)
                    edge = shadowed[static_cast<size_t>((j + dj + half) * (2 * half + 1) + i + di + half)] != here;
            }
            if (edge)
                continue;
            const KaVector3f32 p = scene->currentCamera()->projectPoint3f32(point(i, j));
            const int x = static_cast<int>(p.x);
            const int y = static_cast<int>(gl.height()) - 1 - static_cast<int>(p.y);
            if (x < 0 || y < 0 || x >= static_cast<int>(gl.width()) || y >= static_cast<int>(gl.height()))
                continue;
            // On the office's floor (its walkable zone: the room but for
            // the desk's corner), so on a receiver.
            const KaVector3f32 w = point(i, j);
            const bool onFloor = (w.x > -260 && w.x < 260 && w.z > 30 && w.z < 310)
                || (w.x > -260 && w.x < 70 && w.z >= 310 && w.z < 470);
            if (!onFloor)
                continue;
            const size_t at = static_cast<size_t>(y) * gl.width() + static_cast<size_t>(x);
            const int red = pixels[4 * at];
            if (here) {
                ++checkedInside;
                EXPECT_NEAR(inside, red, 4) << "in the shadow at " << i << ", " << j;
            } else {
                ++checkedOutside;
                EXPECT_NEAR(200, red, 2) << "outside the shadow at " << i << ", " << j;
            }
        }
    }
    EXPECT_GT(checkedInside, 20);
    EXPECT_GT(checkedOutside, 1000);

    // Nothing else on the screen changed: no pixel off the rectangle of the
    // floor points in the shadow (a few pixels of rim aside) differs from
    // the floor's grey.
    for (int j = -half; j <= half; ++j) {
        for (int i = -half; i <= half; ++i) {
            if (!shadowed[static_cast<size_t>((j + half) * (2 * half + 1) + i + half)])
                continue;
            const KaVector3f32 p = scene->currentCamera()->projectPoint3f32(point(i, j));
            const int x = static_cast<int>(p.x);
            const int y = static_cast<int>(gl.height()) - 1 - static_cast<int>(p.y);
            shadowLeft = std::min(shadowLeft, x);
            shadowRight = std::max(shadowRight, x);
            shadowBottom = std::min(shadowBottom, y);
            shadowTop = std::max(shadowTop, y);
        }
    }
    ASSERT_LE(shadowLeft, shadowRight);
    const int rim = 4;
    for (int y = 0; y < static_cast<int>(gl.height()); ++y) {
        for (int x = 0; x < static_cast<int>(gl.width()); ++x) {
            if (x >= shadowLeft - rim && x <= shadowRight + rim && y >= shadowBottom - rim && y <= shadowTop + rim)
                continue;
            const size_t at = static_cast<size_t>(y) * gl.width() + static_cast<size_t>(x);
            EXPECT_TRUE(pixels[4 * at] == 200 && pixels[4 * at + 1] == 200 && pixels[4 * at + 2] == 200)
                << "pixel " << x << ", " << y << " changed away from the shadow";
        }
    }
}

// Whatever the window's size, the texture keeps its side, the texture pass
// leaves the frame buffer alone, and the floor under the character darkens
// while the floor beside her does not.
TEST_F(CharactersShadowTest, TheShadowFallsUnderTheCharacterInWindowsOfEverySize)
{
    const struct {
        unsigned int width;
        unsigned int height;
    } cases[] = { { 800, 800 }, { 1024, 768 }, { 320, 240 }, { 64, 48 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        stop();
        start(c.width, c.height);
        while (glGetError() != GL_NO_ERROR) { }
        frame();
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        EXPECT_EQ(720u, scene->charactersShadow()->textureSize());
        GLint width = 0, height = 0;
        glBindTexture(GL_TEXTURE_2D, scene->charactersShadow()->texture());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(720, width);
        EXPECT_EQ(720, height);
        EXPECT_EQ((KaPixel { 10, 20, 30, 255 }), afterTexturePass);

        const KaPixel under = pixelAt(feet);
        const KaPixel away = pixelAt(beside);
        EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), away);
        // A shadow colour of alpha 110 over 200: about 114.
        EXPECT_NEAR(114, under.r, 4);
        EXPECT_EQ(under.r, under.g);
    }
}

// The character moves, the shadow follows: it is drawn anew each frame, and
// where she stood the floor is clear again.
TEST_F(CharactersShadowTest, TheShadowFollowsTheCharacter)
{
    start(320, 240);
    frame();
    ASSERT_LT(pixelAt(feet).r, 140);
    mira->model()->setPosition(beside);
    frame();
    EXPECT_LT(pixelAt(beside).r, 140);
    EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), pixelAt(feet));
    mira->model()->setVisible(false);
    frame();
    EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), pixelAt(beside));
}

// The texels the texture holds are those GL itself covers when it draws the
// characters from the light, as the shadow-texture mode does, but for a
// thin rim where texel centres sit on a silhouette's edge.
TEST_F(CharactersShadowTest, TheTextureHoldsWhatGLDrawsFromTheLight)
{
    start(720, 720);
    mira->model()->setRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), 0.6f));
    frame();
    const std::vector<unsigned char> texels = textureTexels();

    KaRenderer* r = renderer.get();
    r->setClearColor(KaColor(0, 0, 0, 255));
    r->reset();
    r->shadowMode(KaRenderer::SHADOW_TEXTURE);
    scene->charactersShadow()->camera()->apply();
    glBindTexture(GL_TEXTURE_2D, 0);
    r->setCurrentColor(KaColor(255, 255, 255, 255));
    mira->model()->draw();
    scene->charactersShadow()->camera()->restore();
    r->shadowMode(KaRenderer::SHADOW_NONE);
    const std::vector<unsigned char> drawn = gl.readPixels();

    const unsigned int side = 720;
    unsigned int covered = 0;
    unsigned int differing = 0;
    for (unsigned int y = 1; y + 1 < side; ++y) {
        for (unsigned int x = 1; x + 1 < side; ++x) {
            const size_t at = static_cast<size_t>(y) * side + x;
            const bool byGL = drawn[4 * at] > 127;
            const bool ours = texels[2 * at] > 127;
            covered += byGL ? 1 : 0;
            if (byGL == ours)
                continue;
            // A rim texel has a neighbour on the other side of the edge.
            bool rim = false;
            for (int dy = -1; dy <= 1 && !rim; ++dy) {
                for (int dx = -1; dx <= 1 && !rim; ++dx) {
                    const size_t n = static_cast<size_t>(static_cast<int>(y) + dy) * side
                        + static_cast<size_t>(static_cast<int>(x) + dx);
                    rim = (drawn[4 * n] > 127) != byGL;
                }
            }
            if (!rim)
                ++differing;
        }
    }
    EXPECT_GT(covered, 500u);
    EXPECT_EQ(0u, differing);
}

// A window resized after loading: the shadow still falls where it should,
// from the same texture.
TEST_F(CharactersShadowTest, AResizedWindowKeepsTheShadowInPlace)
{
    start(800, 800);
    frame();
    const unsigned int texture = scene->charactersShadow()->texture();
    const struct {
        unsigned int width;
        unsigned int height;
    } sizes[] = { { 300, 200 }, { 1000, 900 } };
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        ASSERT_TRUE(gl.resize(size.width, size.height));
        withoutDestinationAlpha();
        mainWindow.get()->setSize(KaVector3f32(static_cast<float>(size.width), static_cast<float>(size.height), 100));
        frame();
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        EXPECT_EQ(texture, scene->charactersShadow()->texture());
        EXPECT_EQ(720u, scene->charactersShadow()->textureSize());
        EXPECT_LT(pixelAt(feet).r, 140);
        EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), pixelAt(beside));
    }
}

// The round shadows under her feet darken the floor and nowhere lighten it.
TEST_F(CharactersShadowTest, TheFootShadowsDarkenTheFloor)
{
    start(320, 240);
    KaAnimation::updateAll();
    mira->model()->update();
    KaRenderer* r = renderer.get();
    r->setClearColor(KaColor(200, 200, 200, 255));
    r->reset();
    scene->currentCamera()->apply();
    for (int i = 0; i < 2; ++i)
        mira->shadowPlane(i)->draw();
    r->renderTransparentMeshes();
    scene->currentCamera()->restore();
    const std::vector<unsigned char> pixels = gl.readPixels();
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_LE(pixels[i], 200) << "pixel " << i / 4 % gl.width() << ", " << i / 4 / gl.width();
        ASSERT_LE(pixels[i + 1], 200);
        ASSERT_LE(pixels[i + 2], 200);
    }
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(pixelAt(mira->shadowPlane(i)->position()).r, 190);
    }
}

// Without a shadow light or without a player the passes neither draw nor
// read: the picture and the texture stay as they were.
TEST_F(CharactersShadowTest, WithoutALightOrAPlayerNothingIsDrawnOrRead)
{
    const struct {
        const char* name;
        bool light;
        bool player;
    } cases[] = { { "no shadow light", false, true }, { "no player", true, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stop();
        start(320, 240);
        frame();
        const std::vector<unsigned char> texels = textureTexels();
        ASSERT_GT(texels.size(), 0u);

        if (!c.light)
            scene->lights().clear();
        if (!c.player)
            scene->setPlayer(nullptr);
        // Mira elsewhere: a texture read anew would differ.
        mira->model()->setPosition(beside);
        KaRenderer* r = renderer.get();
        r->setClearColor(KaColor(10, 200, 30, 255));
        r->clearBuffer(KaRenderer::COLOR_BUFFER | KaRenderer::DEPTH_BUFFER);
        const std::vector<unsigned char> before = gl.readPixels();
        CharactersShadow::renderTexturePass(scene.get());
        CharactersShadow::renderProjectionPass(scene.get());
        EXPECT_TRUE(before == gl.readPixels());
        EXPECT_TRUE(texels == textureTexels());
    }
}

// The texture goes with the geometry, and a new load makes another.
TEST_F(CharactersShadowTest, TheTextureLivesWithTheSceneGeometry)
{
    start(320, 240);
    const unsigned int first = scene->charactersShadow()->texture();
    ASSERT_NE(0u, first);
    EXPECT_EQ(static_cast<GLboolean>(GL_TRUE), glIsTexture(first));
    scene->freeGeometry();
    EXPECT_EQ(nullptr, scene->charactersShadow());
    EXPECT_EQ(static_cast<GLboolean>(GL_FALSE), glIsTexture(first));
    KaCaptureStdout console;
    ASSERT_TRUE(scene->load("scenes/01/Geometry01.bin"));
    ASSERT_NE(nullptr, scene->charactersShadow());
    EXPECT_EQ(static_cast<GLboolean>(GL_TRUE), glIsTexture(scene->charactersShadow()->texture()));
}

#endif
