#include <gtest/gtest.h>

#include <tinyxml.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaIClock.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSprite.h"
#include "engine/input/KaScreen.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaPixel kRed { 255, 0, 0, 255 };
const KaPixel kGreen { 0, 255, 0, 255 };
const KaPixel kBlue { 0, 0, 255, 255 };
const KaPixel kWhite { 255, 255, 255, 255 };
const KaPixel kNothing { 0, 0, 0, 0 };

typedef std::function<KaPixel(unsigned int x, unsigned int yFromTop)> Painter;

std::string png(unsigned int width, unsigned int height, const Painter& paint)
{
    std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
    for (unsigned int r = 0; r < height; ++r) {
        for (unsigned int x = 0; x < width; ++x) {
            const KaPixel p = paint(x, r);
            unsigned char* out = &rows[(static_cast<size_t>(r) * width + x) * 3];
            out[0] = p.r;
            out[1] = p.g;
            out[2] = p.b;
        }
    }
    const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, rows);
}

// Red top-left, green top-right, blue bottom-left, white bottom-right, as
// the picture is seen.
KaPixel quadrant(unsigned int width, unsigned int height, unsigned int x, unsigned int yFromTop)
{
    const bool top = yFromTop < height / 2;
    const bool left = x < width / 2;
    if (top)
        return left ? kRed : kGreen;
    return left ? kBlue : kWhite;
}

// A 24-bit BMP of one colour: the BMP reader names nothing, so only the
// sprite can tell two such files apart.
std::string flatBmp(unsigned int width, unsigned int height, const KaPixel& colour)
{
    const unsigned int stride = (width * 3 + 3) / 4 * 4;
    KaStream out;
    out.write("BM");
    out.write(static_cast<unsigned int>(54 + stride * height));
    out.write(0u);
    out.write(54u);
    out.write(40u);
    out.write(static_cast<int>(width));
    out.write(static_cast<int>(height));
    out.write(static_cast<unsigned short>(1));
    out.write(static_cast<unsigned short>(24));
    for (int i = 0; i < 6; ++i)
        out.write(0u);
    for (unsigned int r = 0; r < height; ++r) {
        for (unsigned int x = 0; x < stride; ++x) {
            const unsigned int channel = x % 3;
            const unsigned char value = x >= width * 3 ? 0 : channel == 0 ? colour.b : channel == 1 ? colour.g : colour.r;
            out.write(value);
        }
    }
    return std::string(reinterpret_cast<const char*>(out.data()), out.bufferLength());
}

class Clock : public KaIClock {
public:
    Clock()
    {
        KaTimer::setClock(this);
        KaTimer::updateAll();
    }
    ~Clock() override { KaTimer::setClock(nullptr); }
    unsigned long long microseconds() override { return mNow; }
    void advance(double milliseconds)
    {
        mNow += static_cast<unsigned long long>(milliseconds * 1000.0);
        KaTimer::updateAll();
    }
    unsigned long long mNow = 7000000000ULL;
};

struct Counter {
    int count = 0;
    bool fire()
    {
        ++count;
        return false;
    }
};

class KaSpriteTest : public KaGLRendererTest {
protected:
    KaSpriteTest()
        : KaGLRendererTest(160, 120)
    {
    }
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        KaMainWindow* window = mainWindow.get();
        window->setSize(KaVector3f32(160, 120, 0));
        window->setVisible(true);
        ASSERT_TRUE(window->create());
    }
    void TearDown() override
    {
        KaObject::deleteNow();
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
    KaString file(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return KaString(mDir.file(name).c_str());
    }
    KaString quadrants(const std::string& name, unsigned int width, unsigned int height)
    {
        return file(name, png(width, height, [=](unsigned int x, unsigned int y) { return quadrant(width, height, x, y); }));
    }
    // One frame as the game draws a layer: clear, the layouts with their
    // after-draw sprites, then the transparent batch.
    void frame()
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mainWindow.get()->drawLayouts();
        renderer.get()->renderTransparentMeshes();
    }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaSpriteTest, DrawsThePictureAtItsPositionYUp)
{
    KaSprite sprite(defaultScreen.get());
    sprite.load(quadrants("quad.png", 64, 32));
    EXPECT_EQ(sprite.getSize(), KaVector3f32(64, 32, 0));
    EXPECT_TRUE(sprite.isVisible());

    // Not drawn until its position is set.
    frame();
    EXPECT_EQ(pixel(20, 12), kNothing);

    // Bottom-left corner at (16, 8); the fraction is dropped.
    sprite.setPosition(KaVector3f32(16.7f, 8.2f, 0));
    frame();
    EXPECT_EQ(pixel(17, 9), kBlue);
    EXPECT_EQ(pixel(17, 38), kRed);
    EXPECT_EQ(pixel(78, 38), kGreen);
    EXPECT_EQ(pixel(78, 9), kWhite);
    EXPECT_EQ(pixel(15, 9), kNothing);
    EXPECT_EQ(pixel(80, 9), kNothing);
    EXPECT_EQ(pixel(17, 7), kNothing);
    EXPECT_EQ(pixel(17, 40), kNothing);

    sprite.setVisible(false);
    frame();
    EXPECT_EQ(pixel(17, 9), kNothing);
}

TEST_F(KaSpriteTest, ScalesAboutItsScaleCentre)
{
    struct Case {
        KaVector3f32 center;
        // Where the picture's bottom-left and top-right corners land.
        int left, bottom, right, top;
    };
    // 32 x 16 at (40, 30), scale 2: about (0, 0) it grows up and right;
    // about the middle (16, 8) it grows on every side.
    const Case cases[] = {
        { KaVector3f32(0, 0, 0), 40, 30, 104, 62 },
        { KaVector3f32(0.5f, 0.5f, 0), 24, 22, 88, 54 },
        { KaVector3f32(1, 1, 0), 8, 14, 72, 46 },
    };
    const KaString path = quadrants("small.png", 32, 16);
    for (const Case& c : cases) {
        KaSprite sprite(defaultScreen.get());
        sprite.load(path);
        sprite.setScale(KaVector3f32(2, 2, 5));
        sprite.setScaleCenter(c.center);
        sprite.setPosition(KaVector3f32(40, 30, 0));
        frame();
        SCOPED_TRACE(c.left);
        EXPECT_EQ(pixel(c.left + 1, c.bottom + 1), kBlue);
        EXPECT_EQ(pixel(c.right - 2, c.top - 2), kGreen);
        EXPECT_EQ(pixel(c.left - 1, c.bottom + 1), kNothing);
        EXPECT_EQ(pixel(c.right + 1, c.top - 2), kNothing);
        EXPECT_EQ(pixel(c.right - 2, c.top + 1), kNothing);
    }
}

TEST_F(KaSpriteTest, OpacityScalesTheAlphaThroughTheTransparentBatch)
{
    KaSprite sprite(defaultScreen.get());
    sprite.load(file("white.png", png(8, 8, [](unsigned int, unsigned int) { return kWhite; })));
    sprite.setPosition(KaVector3f32(10, 10, 0));
    sprite.setOpacity(0.5f);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    mainWindow.get()->drawLayouts();
    // Held back until the batch is flushed.
    EXPECT_EQ(pixel(12, 12), kNothing);
    EXPECT_EQ(renderer.get()->transparentTrianglesCount(), 2u);
    renderer.get()->renderTransparentMeshes();
    const KaPixel half = pixel(12, 12);
    EXPECT_NEAR(half.r, 127, 1);
    EXPECT_NEAR(half.g, 127, 1);

    // A colour's alpha multiplies in; an opacity pushed past the ends by a
    // relative movement stays within them instead of wrapping around.
    sprite.setColor(KaColor(255, 255, 255, 128));
    sprite.setOpacity(0.5f);
    frame();
    EXPECT_NEAR(pixel(12, 12).r, 64, 1);
    sprite.setColor(KaColor(255, 255, 255, 255));
    sprite.setOpacity(1.5f);
    frame();
    EXPECT_EQ(pixel(12, 12), kWhite);
    sprite.setOpacity(-0.5f);
    frame();
    EXPECT_EQ(pixel(12, 12).r, 0);
}

TEST_F(KaSpriteTest, RotationIsDrawnWhereTheHitTestFindsIt)
{
    const unsigned int width = 40;
    const unsigned int height = 24;
    KaSprite sprite(defaultScreen.get());
    sprite.load(quadrants("turn.png", width, height));
    sprite.setPosition(KaVector3f32(60, 40, 0));
    const float angles[] = { 30.0f, 90.0f, -135.0f };
    for (float angle : angles) {
        sprite.setRotateAngle(angle);
        frame();
        // Points well inside each quadrant, in the sprite's own space (y up),
        // carried to the screen by the matrix the buttons invert.
        const KaMatrix4x4 world = sprite.getWorldTransformationMatrix();
        const float xs[] = { 8.0f, 32.0f };
        const float ys[] = { 6.0f, 18.0f };
        for (float x : xs) {
            for (float y : ys) {
                const KaVector3f32 at = world * KaVector3f32(x, y, 0);
                const KaPixel want = quadrant(width, height, static_cast<unsigned int>(x),
                    height - 1 - static_cast<unsigned int>(y));
                EXPECT_EQ(pixel(static_cast<int>(at.x), static_cast<int>(at.y)), want)
                    << "angle " << angle << " local " << x << "," << y;
            }
        }
    }
}

TEST_F(KaSpriteTest, TheNearestSpriteDrawsLastAndRegistersOnce)
{
    const KaString red = file("red.png", png(16, 16, [](unsigned int, unsigned int) { return kRed; }));
    const KaString blue = file("blue.png", png(16, 16, [](unsigned int, unsigned int) { return kBlue; }));
    KaSprite near(defaultScreen.get());
    KaSprite far(defaultScreen.get());
    near.load(red);
    far.load(blue);
    near.setPosition(KaVector3f32(20, 20, 5));
    far.setPosition(KaVector3f32(28, 28, 2));
    near.setPosition(KaVector3f32(20, 20, 5));
    near.setPosition(KaVector3f32(20, 20, 5));
    EXPECT_EQ(mainWindow.get()->onAfterDraw().size(), 2u);
    frame();
    EXPECT_EQ(pixel(30, 30), kRed);
    EXPECT_EQ(pixel(40, 40), kBlue);

    // Moved behind: the other one now covers it.
    near.setPosition(KaVector3f32(20, 20, 1));
    frame();
    EXPECT_EQ(pixel(30, 30), kBlue);

    {
        KaSprite gone(defaultScreen.get());
        gone.setPosition(KaVector3f32(0, 0, 0));
        EXPECT_EQ(mainWindow.get()->onAfterDraw().size(), 3u);
    }
    EXPECT_EQ(mainWindow.get()->onAfterDraw().size(), 2u);
}

TEST_F(KaSpriteTest, PicturesLoadedByPathAreSharedByPathOnly)
{
    const KaString first = file("a.bmp", flatBmp(8, 8, kRed));
    const KaString second = file("b.bmp", flatBmp(8, 8, kGreen));
    KaSprite one(defaultScreen.get()), again(defaultScreen.get()), other(defaultScreen.get());
    one.load(first);
    again.load(first);
    other.load(second);
    ASSERT_TRUE(one.texture() && other.texture());
    EXPECT_EQ(one.texture().get(), again.texture().get());
    EXPECT_NE(one.texture().get(), other.texture().get());
    EXPECT_EQ(KaString(one.texture()->getAccessName()), first + ".3dtex");
    EXPECT_EQ(KaString(other.texture()->getAccessName()), second + ".3dtex");

    one.setPosition(KaVector3f32(0, 0, 0));
    other.setPosition(KaVector3f32(20, 0, 0));
    frame();
    EXPECT_EQ(pixel(4, 4), kRed);
    EXPECT_EQ(pixel(24, 4), kGreen);
}

TEST_F(KaSpriteTest, AnUnreadablePictureLeavesNoTextureAndTheOldSize)
{
    KaSprite sprite(defaultScreen.get());
    sprite.load(quadrants("quad.png", 64, 32));
    sprite.setPosition(KaVector3f32(0, 0, 0));
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "missing.png", "" },
        { "broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "garbage" },
        { "unknown.xyz", "whatever" },
    };
    for (const Case& c : cases) {
        const KaString path = c.bytes.empty() ? KaString(mDir.file(c.name).c_str()) : file(c.name, c.bytes);
        {
            KaCaptureStdout quiet;
            sprite.load(path);
        }
        EXPECT_FALSE(sprite.texture()) << c.name;
        EXPECT_EQ(sprite.getSize(), KaVector3f32(64, 32, 0)) << c.name;
        frame();
        EXPECT_EQ(pixel(2, 2), kNothing) << c.name;
    }
}

TEST_F(KaSpriteTest, FramesOfAStripFollowTheClock)
{
    Clock clock;
    // Four 16 x 16 frames stacked in a 16 x 64 picture: frame 0 at the
    // bottom, frame 3 at the top.
    const KaPixel colours[] = { kRed, kGreen, kBlue, kWhite };
    KaSprite sprite(defaultScreen.get());
    sprite.load(file("strip.png", png(16, 64, [&](unsigned int, unsigned int y) { return colours[3 - y / 16]; })));
    sprite.enableAnim(4u, 10.0f, 0u, false);
    EXPECT_EQ(sprite.getSize(), KaVector3f32(16, 16, 0));
    EXPECT_EQ(sprite.rows(), 4u);
    sprite.setPosition(KaVector3f32(50, 50, 0));

    frame();
    EXPECT_EQ(pixel(58, 58), kRed);
    EXPECT_EQ(pixel(58, 70), kNothing);

    sprite.playAnim();
    const struct {
        double ms;
        KaPixel want;
    } steps[] = { { 0, kRed }, { 150, kGreen }, { 100, kBlue }, { 100, kWhite }, { 100, kRed } };
    for (const auto& step : steps) {
        clock.advance(step.ms);
        frame();
        EXPECT_EQ(pixel(58, 58), step.want) << "after " << step.ms;
    }

    // Paused: the frame stays.
    sprite.pauseAnim();
    clock.advance(100);
    frame();
    EXPECT_EQ(pixel(58, 58), kRed);

    // Reversed and played once: from the top frame down, ending on the
    // last frame of the range (shown reversed: the bottom one) with one
    // signal.
    sprite.enableAnim(4u, 10.0f, 1u, true);
    Counter finished;
    sprite.onAnimFinished().add(&finished, &Counter::fire);
    sprite.stopAnim();
    sprite.playAnim();
    // A timer counts from the first sample of the clock after its start.
    clock.advance(0);
    frame();
    EXPECT_EQ(pixel(58, 58), kWhite);
    clock.advance(100);
    frame();
    EXPECT_EQ(pixel(58, 58), kBlue);
    clock.advance(250);
    frame();
    EXPECT_EQ(finished.count, 1);
    EXPECT_FALSE(sprite.animPlaying());
    EXPECT_EQ(pixel(58, 58), kRed);
    clock.advance(1000);
    frame();
    EXPECT_EQ(finished.count, 1);
    EXPECT_EQ(pixel(58, 58), kRed);
}

TEST_F(KaSpriteTest, FramesOfAGridRunDownEachColumnFirst)
{
    Clock clock;
    // A 2 x 2 grid of 16 x 16 cells, as seen: red top-left, green
    // top-right, blue bottom-left, white bottom-right.
    KaSprite sprite(defaultScreen.get());
    sprite.load(quadrants("grid.png", 32, 32));
    sprite.enableAnim(16u, 16u, 1.0f, 0u, false);
    EXPECT_EQ(sprite.frameCount(), 4u);
    EXPECT_EQ(sprite.rows(), 2u);
    sprite.setPosition(KaVector3f32(10, 10, 0));
    const KaPixel order[] = { kBlue, kRed, kWhite, kGreen };
    for (unsigned int f = 0; f < 4; ++f) {
        sprite.setAnimFrame(f);
        frame();
        EXPECT_EQ(pixel(18, 18), order[f]) << "frame " << f;
        EXPECT_EQ(pixel(30, 18), kNothing);
    }

    // Part of the range, looping.
    sprite.playAnimPart(2, 3);
    clock.advance(0);
    const KaPixel loop[] = { kWhite, kGreen, kWhite };
    for (const KaPixel& want : loop) {
        frame();
        EXPECT_EQ(pixel(18, 18), want);
        clock.advance(1000);
    }
}

TEST_F(KaSpriteTest, CopiesTakeThePlacementAndThePictureNotTheAnimation)
{
    KaSprite sprite(defaultScreen.get());
    sprite.load(quadrants("quad.png", 64, 32));
    sprite.enableAnim(2u, 5.0f, 0u, false);
    sprite.setPosition(KaVector3f32(5, 6, 1));
    sprite.setOpacity(0.25f);
    sprite.setRotateAngle(12.0f);
    KaSprite copy(sprite);
    EXPECT_EQ(copy.getPosition(), KaVector3f32(5, 6, 1));
    EXPECT_EQ(copy.getSize(), sprite.getSize());
    EXPECT_EQ(copy.getOpacity(), 0.25f);
    EXPECT_EQ(copy.getRotateAngle(), 12.0f);
    EXPECT_EQ(copy.texture().get(), sprite.texture().get());
    EXPECT_FALSE(copy.animEnabled());
    EXPECT_EQ(copy.getScreen(), defaultScreen.get());
    EXPECT_EQ(mainWindow.get()->onAfterDraw().size(), 2u);
}

TEST_F(KaSpriteTest, ReadsItsElementOfAGuiFile)
{
    const KaString path = quadrants("xml.png", 16, 8);
    struct Case {
        const char* visible;
        bool shown;
    };
    const Case cases[] = { { "0", false }, { "2", true }, { "-1", false } };
    for (const Case& c : cases) {
        std::string text = "<sprite FILE=\"" + std::string(path.c_str()) + "\" Visible=\"" + c.visible
            + "\"><scaleCenter x=\"0.25\" z=\"oops\"/></sprite>";
        TiXmlDocument document;
        document.Parse(text.c_str());
        ASSERT_TRUE(document.RootElement());
        KaSprite sprite(defaultScreen.get());
        sprite.loadXML(*document.RootElement(), KaString("/elsewhere/"));
        EXPECT_EQ(sprite.getSize(), KaVector3f32(16, 8, 0));
        EXPECT_EQ(sprite.isVisible(), c.shown) << c.visible;
        EXPECT_EQ(sprite.getScaleCenter(), KaVector3f32(0.25f, 0.5f, 0.5f));
    }
}
