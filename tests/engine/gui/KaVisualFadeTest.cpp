#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaVisualFade.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/engine/gui/KaGuiTestSupport.h"
#include "tests/engine/scene/KaSceneTestClock.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaPixel red { 255, 0, 0, 255 }, green { 0, 255, 0, 255 }, blue { 0, 0, 255, 255 }, white { 255, 255, 255, 255 };

// Four quadrants of the frame buffer, each cleared to its own colour: red
// top-left, green top-right, blue bottom-left, white bottom-right.
void clearQuadrants(int width, int height)
{
    struct Quadrant {
        int x, y;
        KaPixel colour;
    } const quadrants[] = { { 0, 1, red }, { 1, 1, green }, { 0, 0, blue }, { 1, 0, white } };
    glEnable(GL_SCISSOR_TEST);
    for (const Quadrant& q : quadrants) {
        glScissor(q.x * width / 2, q.y * height / 2, width / 2, height / 2);
        glClearColor(q.colour.r / 255.0f, q.colour.g / 255.0f, q.colour.b / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

// The layouts, then the transparent triangles they left in the renderer's
// batch (an RGBA picture goes there), as the game's frame does.
void drawFrame(KaMainWindow* window)
{
    window->drawLayouts();
    renderer.get()->renderTransparentMeshes();
}

void clearTo(const KaPixel& colour)
{
    glClearColor(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

::testing::AssertionResult near(const KaPixel& actual, int r, int g, int b)
{
    if (std::abs(actual.r - r) <= 2 && std::abs(actual.g - g) <= 2 && std::abs(actual.b - b) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << int(actual.r) << ", " << int(actual.g) << ", " << int(actual.b)
                                         << ") instead of (" << r << ", " << g << ", " << b << ")";
}

class KaVisualFadeTest : public KaGLRendererTest {
protected:
    void TearDown() override
    {
        KaObject::deleteNow();
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }

    KaMainWindow* openWindow(float width, float height)
    {
        KaMainWindow* window = mainWindow.get();
        window->setSize(KaVector3f32(width, height, 0));
        EXPECT_TRUE(window->create());
        return window;
    }

    bool initQuietly(KaVisualFade& fade)
    {
        KaCaptureStdout quiet;
        const bool result = fade.init();
        mInitText = quiet.text();
        return result;
    }

    std::string mInitText;
};

TEST_F(KaVisualFadeTest, InitSizesTheCaptureToTheWindowAndHidesBothSprites)
{
    openWindow(256, 256);
    KaVisualFade fade;
    EXPECT_TRUE(initQuietly(fade));
    EXPECT_NE(mInitText.find("VisualFade window size: 256 256\n"), std::string::npos);
    EXPECT_EQ(fade.captureSprite().name(), KaString("fadeCaptureSprite"));
    EXPECT_EQ(fade.blackSprite().name(), KaString("blackFadeSprite"));
    EXPECT_FALSE(fade.captureSprite().visible());
    EXPECT_FALSE(fade.blackSprite().visible());
    EXPECT_EQ(fade.blackSprite().color(), KaColor(255, 255, 255, 0));
    ASSERT_TRUE(fade.captureTexture());
    EXPECT_EQ(fade.captureTexture()->width(), 256u);
    EXPECT_EQ(fade.captureTexture()->height(), 256u);
}

TEST_F(KaVisualFadeTest, InitAgainKeepsOneCaptureTextureWhileTheWindowKeepsItsSize)
{
    // Every new game initialises the fade again, after a capture put the
    // texture into the capture sprite: a second screen-sized texture would
    // stay alive in the sprite until the next capture.
    KaMainWindow* window = openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    const Ka3DTexture* first = fade.captureTexture().get();
    clearTo(red);
    fade.captureFrame();
    ASSERT_TRUE(initQuietly(fade));
    EXPECT_EQ(fade.captureTexture().get(), first);
    EXPECT_NE(mInitText.find("VisualFade window size: 256 256\n"), std::string::npos);

    // A window of another size gets storage of its size.
    window->setSize(KaVector3f32(128, 64, 0));
    ASSERT_TRUE(initQuietly(fade));
    ASSERT_TRUE(fade.captureTexture());
    EXPECT_EQ(fade.captureTexture()->width(), 128u);
    EXPECT_EQ(fade.captureTexture()->height(), 64u);

    // The kept texture still shows what is captured after the second init.
    window->setSize(KaVector3f32(256, 256, 0));
    ASSERT_TRUE(initQuietly(fade));
    KaSceneTestClock clock;
    window->addChild(&fade.captureSprite());
    clearTo(red);
    fade.captureFrame();
    fade.animateFade();
    clock.frame(0);
    clearTo(blue);
    drawFrame(window);
    EXPECT_TRUE(near(pixel(128, 128), 255, 0, 0));
    window->removeChild(&fade.captureSprite());
}

TEST_F(KaVisualFadeTest, HalfWayTheCapturedFrameIsHalfOverTheNextOne)
{
    KaSceneTestClock clock;
    KaMainWindow* window = openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    window->addChild(&fade.captureSprite());

    // The old screen was all red; the capture leaves the sprite hidden.
    clearTo(red);
    fade.captureFrame();
    EXPECT_FALSE(fade.captureSprite().visible());

    fade.animateFade();
    EXPECT_TRUE(fade.captureSprite().visible());
    struct Step {
        double advance;
        int r, b;
    } const steps[] = {
        { 0, 255, 0 }, // the old picture covers the screen at once
        { 200, 128, 127 }, // half-way
        { 200, 0, 255 }, // gone after 400 ms
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.advance);
        clock.frame(step.advance);
        clearTo(blue); // the next screen
        drawFrame(window);
        for (const int x : { 3, 128, 252 })
            EXPECT_TRUE(near(pixel(x, 128), step.r, 0, step.b)) << "x " << x;
    }
    EXPECT_FALSE(fade.captureAnimation().isRunning());
    window->removeChild(&fade.captureSprite());
}

TEST_F(KaVisualFadeTest, CaptureAfterAResizeShowsTheWholeFrameUpright)
{
    // Initialised while the window is still small, or not sized yet, then
    // the window grows to the whole frame buffer (as when it goes full
    // screen).
    struct Case {
        float width, height;
    } const cases[] = { { 64, 32 }, { 0, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        KaSceneTestClock clock;
        KaMainWindow* window = mainWindow.get();
        window->setSize(KaVector3f32(c.width, c.height, 0));
        KaVisualFade fade;
        initQuietly(fade);
        EXPECT_EQ(fade.captureTexture()->width(), static_cast<unsigned int>(c.width));
        window->setSize(KaVector3f32(256, 256, 0));
        ASSERT_TRUE(window->create());
        window->addChild(&fade.captureSprite());

        clearQuadrants(256, 256);
        fade.captureFrame();
        EXPECT_EQ(fade.captureTexture()->width(), 256u);
        EXPECT_EQ(fade.captureTexture()->height(), 256u);

        fade.animateFade();
        clock.frame(0);
        clearTo(KaPixel { 0, 0, 0, 255 });
        drawFrame(window);
        EXPECT_TRUE(near(pixel(10, 245), 255, 0, 0));
        EXPECT_TRUE(near(pixel(245, 245), 0, 255, 0));
        EXPECT_TRUE(near(pixel(10, 10), 0, 0, 255));
        EXPECT_TRUE(near(pixel(245, 10), 255, 255, 255));
        EXPECT_TRUE(near(pixel(120, 136), 255, 0, 0));
        EXPECT_TRUE(near(pixel(136, 120), 255, 255, 255));
        window->removeChild(&fade.captureSprite());
        mainWindow.destroy();
    }
}

TEST_F(KaVisualFadeTest, BlackFadeTimingAndPausability)
{
    KaSceneTestClock clock;
    openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    KaEmissionCounter finished;
    finished.listen(fade.blackAnimation().onFinished);

    fade.animateBlackFade();
    clock.frame(0); // the animation's timer starts at the next sample
    EXPECT_TRUE(fade.blackSprite().visible());
    EXPECT_FALSE(fade.captureSprite().visible());
    EXPECT_FALSE(fade.captureAnimation().timer().isPausable());
    EXPECT_EQ(fade.blackAnimation().timer().isPausable(), KaTimer().isPausable());

    struct Step {
        double advance;
        int alpha;
        int finishedCount;
    } const steps[] = {
        { 250, 255, 0 }, { 250, 255, 0 }, // 500 ms: still opaque
        { 250, 127, 0 }, // 750 ms: half clear
        { 250, 0, 0 }, // 1000 ms: clear
        { 999, 0, 0 }, { 1, 0, 1 }, // ends at 2000 ms
    };
    double at = 0;
    for (const Step& step : steps) {
        at += step.advance;
        SCOPED_TRACE(at);
        clock.frame(step.advance);
        EXPECT_NEAR(fade.blackSprite().color().a, step.alpha, 1);
        EXPECT_EQ(finished.count, step.finishedCount);
    }
    EXPECT_TRUE(fade.blackSprite().visible()); // hiding it is the owner's job
}

// Runs the test from a folder holding the black picture the fade loads.
class KaBlackPictureFolder {
public:
    KaBlackPictureFolder()
    {
        const std::vector<unsigned char> rows(64 * 64 * 3, 0);
        const KaPngFileLayout layout = { 64, 64, PNG_COLOR_TYPE_RGB, 8, false };
        mDir.write("pictures/black64x64.png", KaWritePng(layout, rows));
        char here[4096];
        mSaved = getcwd(here, sizeof here) ? here : "";
        EXPECT_EQ(chdir(mDir.path().c_str()), 0);
    }
    ~KaBlackPictureFolder() { EXPECT_EQ(chdir(mSaved.c_str()), 0); }

private:
    KaTempDir mDir;
    std::string mSaved;
};

TEST_F(KaVisualFadeTest, TheNextScreenComesOutOfBlack)
{
    KaBlackPictureFolder folder;
    KaSceneTestClock clock;
    KaMainWindow* window = openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    window->addChild(&fade.blackSprite());
    fade.animateBlackFade();
    clock.frame(0);
    struct Step {
        double advance;
        int grey;
    } const steps[] = {
        { 250, 0 }, // black
        { 500, 128 }, // 750 ms: half way out of black
        { 250, 255 }, // 1000 ms: the next screen alone
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.advance);
        clock.frame(step.advance);
        clearTo(white); // the next screen
        drawFrame(window);
        for (const int x : { 1, 128, 254 })
            EXPECT_TRUE(near(pixel(x, x), step.grey, step.grey, step.grey)) << "x " << x;
    }
    window->removeChild(&fade.blackSprite());
}

TEST_F(KaVisualFadeTest, RestartingAFadeStartsOverFromItsStartColour)
{
    KaSceneTestClock clock;
    openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    fade.animateFade();
    clock.frame(0);
    clock.frame(300);
    EXPECT_NEAR(fade.captureSprite().color().a, 64, 1);
    fade.animateFade();
    clock.frame(0);
    clock.frame(100);
    EXPECT_NEAR(fade.captureSprite().color().a, 191, 1);
}

TEST_F(KaVisualFadeTest, OnlyTheCaptureAnimationRunsOnWhileTheGameIsPaused)
{
    KaSceneTestClock clock;
    openWindow(256, 256);
    KaVisualFade fade;
    ASSERT_TRUE(initQuietly(fade));
    fade.animateFade();
    clock.frame(0);
    KaTimer::pauseAll();
    clock.frame(200);
    EXPECT_NEAR(fade.captureSprite().color().a, 127, 1);
    KaTimer::resumeAll();

    // The black fade: its capture animation runs on, the black cover waits.
    fade.animateBlackFade();
    clock.frame(0);
    clock.frame(500);
    KaTimer::pauseAll();
    clock.frame(250);
    EXPECT_NEAR(fade.captureSprite().color().a, 127, 1);
    EXPECT_EQ(fade.blackSprite().color().a, 255);
    KaTimer::resumeAll();
    clock.frame(0);
    clock.frame(250);
    EXPECT_NEAR(fade.blackSprite().color().a, 127, 1);
}
}
