#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <unistd.h>
#include <vector>

#include "engine/graphics/KaCamera.h"
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

    void frame()
    {
        KaRenderer* r = renderer.get();
        r->reset();
        CharactersShadow::renderTexturePass(scene.get());
        afterTexturePass = gl.pixel(0, 0);
        r->setClearColor(KaColor(200, 200, 200, 255));
        r->clearBuffer(KaRenderer::COLOR_BUFFER | KaRenderer::DEPTH_BUFFER);
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

} // namespace

// However large the window, the texture is the largest square it holds (at
// most 720), the copy stays inside the buffer, and the floor under the
// character darkens while the floor beside her does not.
TEST_F(CharactersShadowTest, TheShadowFallsUnderTheCharacterInWindowsOfEverySize)
{
    const struct {
        unsigned int width;
        unsigned int height;
        unsigned int side;
    } cases[] = { { 800, 800, 720 }, { 1024, 768, 720 }, { 320, 240, 240 }, { 64, 48, 48 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        stop();
        start(c.width, c.height);
        while (glGetError() != GL_NO_ERROR) { }
        frame();
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        EXPECT_EQ(c.side, scene->charactersShadow()->textureSize());
        GLint width = 0, height = 0;
        glBindTexture(GL_TEXTURE_2D, scene->charactersShadow()->texture());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(static_cast<GLint>(c.side), width);
        EXPECT_EQ(static_cast<GLint>(c.side), height);
        // The texture pass leaves a cleared buffer behind.
        EXPECT_EQ((KaPixel { 0, 0, 0, 0 }), afterTexturePass);

        const KaPixel under = pixelAt(feet);
        const KaPixel away = pixelAt(beside);
        EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), away);
        // A shadow colour of alpha 110 over 200: about 114.
        EXPECT_LT(under.r, 140) << static_cast<int>(under.r);
        EXPECT_EQ(under.r, under.g);
    }
}

// The character moves, the shadow follows: it is drawn anew each frame.
TEST_F(CharactersShadowTest, TheShadowFollowsTheCharacter)
{
    start(320, 240);
    frame();
    ASSERT_LT(pixelAt(feet).r, 140);
    mira->model()->setPosition(beside);
    frame();
    EXPECT_LT(pixelAt(beside).r, 140);
    EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), pixelAt(feet));
}

// A window made smaller after loading: the next frame's texture fits it
// again, and a larger window gets the full texture back.
TEST_F(CharactersShadowTest, AResizedWindowRefitsTheTexture)
{
    start(800, 800);
    frame();
    ASSERT_EQ(720u, scene->charactersShadow()->textureSize());
    const struct {
        unsigned int width;
        unsigned int height;
        unsigned int side;
    } sizes[] = { { 300, 200, 200 }, { 1000, 900, 720 } };
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        ASSERT_TRUE(gl.resize(size.width, size.height));
        mainWindow.get()->setSize(KaVector3f32(static_cast<float>(size.width), static_cast<float>(size.height), 100));
        frame();
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        EXPECT_EQ(size.side, scene->charactersShadow()->textureSize());
        EXPECT_LT(pixelAt(feet).r, 140);
        EXPECT_EQ((KaPixel { 200, 200, 200, 255 }), pixelAt(beside));
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
