#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Four quadrants: red top-left, green top-right, blue bottom-left, white
// bottom-right (as the picture is seen).
std::string quadrantPng(unsigned int width, unsigned int height)
{
    std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
    for (unsigned int r = 0; r < height; ++r) {
        for (unsigned int x = 0; x < width; ++x) {
            const bool top = r < height / 2;
            const bool left = x < width / 2;
            unsigned char* p = &rows[(static_cast<size_t>(r) * width + x) * 3];
            p[0] = (top && left) || (!top && !left) ? 255 : 0;
            p[1] = !left ? 255 : 0;
            p[2] = (!top) ? 255 : 0;
        }
    }
    const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, rows);
}

class KaSpriteLayoutTest : public KaGLRendererTest {
protected:
    void TearDown() override
    {
        KaObject::deleteNow();
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
    KaPath picture(const std::string& name, unsigned int width, unsigned int height)
    {
        mDir.write(name, quadrantPng(width, height));
        return KaPath(mDir.file(name).c_str());
    }

    KaTempDir mDir;
};

TEST_F(KaSpriteLayoutTest, LoadingAdoptsThePictureSizeUntilASizeIsGiven)
{
    KaSpriteLayout sprite;
    EXPECT_TRUE(sprite.load(picture("wide.png", 64, 32)));
    EXPECT_EQ(sprite.xSize(), 64.0f);
    EXPECT_EQ(sprite.ySize(), 32.0f);
    EXPECT_EQ(sprite.ratio(), 2.0f);
    EXPECT_EQ(sprite.surface().scale().y, -32.0f);

    // A later picture is adopted too, until setSize is called.
    EXPECT_TRUE(sprite.load(picture("tall.png", 16, 32)));
    EXPECT_EQ(sprite.xSize(), 16.0f);
    sprite.setSize(KaVector3f32(10, 10, 0));
    EXPECT_TRUE(sprite.load(picture("wide2.png", 64, 32)));
    EXPECT_EQ(sprite.xSize(), 10.0f);
    EXPECT_EQ(sprite.ySize(), 10.0f);
    EXPECT_EQ(sprite.ratio(), 2.0f);

    // A missing file: still true, picture gone, size and ratio kept.
    {
        KaCaptureStdout quiet;
        EXPECT_TRUE(sprite.load(KaPath(mDir.file("missing.png").c_str())));
    }
    EXPECT_FALSE(sprite.surface().isLoaded());
    EXPECT_EQ(sprite.xSize(), 10.0f);
    EXPECT_EQ(sprite.ratio(), 2.0f);
}

TEST_F(KaSpriteLayoutTest, TheSamePathIsNotLoadedTwice)
{
    KaSpriteLayout sprite;
    const KaPath path = picture("same.png", 64, 32);
    sprite.load(path);
    // The file changes on disk: the sprite already showing it keeps it.
    picture("same.png", 8, 8);
    sprite.load(path);
    EXPECT_EQ(sprite.xSize(), 64.0f);
    // Once unloaded, the path is read again.
    sprite.unload();
    sprite.load(path);
    EXPECT_TRUE(sprite.surface().isLoaded());
}

TEST_F(KaSpriteLayoutTest, PercentSpriteTakesTheRatioNotTheSize)
{
    KaLayout parent;
    parent.setSize(KaVector3f32(200, 200, 0));
    KaSpriteLayout sprite;
    sprite.setSizeType(KaILayout::Percent);
    sprite.setSize(KaVector3f32(1, 1, 0));
    sprite.setRatioMode(KaILayout::LetterBox);
    parent.addChild(&sprite);
    sprite.load(picture("wide.png", 64, 32));
    EXPECT_EQ(sprite.xSize(), 200.0f);
    EXPECT_EQ(sprite.ySize(), 100.0f);
    parent.removeChild(&sprite);
}

TEST_F(KaSpriteLayoutTest, SurfaceShowsTheWorldColour)
{
    KaLayout parent;
    KaSpriteLayout sprite;
    parent.addChild(&sprite);
    parent.setColor(KaColor(255, 0, 255, 255));
    EXPECT_EQ(sprite.surface().color(), KaColor(255, 0, 255, 255));
    sprite.setColor(KaColor(255, 255, 255, 128));
    EXPECT_EQ(sprite.surface().color(), KaColor(255, 0, 255, 128));
    sprite.setColorInheritance(false);
    sprite.setColor(KaColor(10, 20, 30, 40));
    EXPECT_EQ(sprite.surface().color(), KaColor(10, 20, 30, 40));
    parent.removeChild(&sprite);
}

TEST_F(KaSpriteLayoutTest, ShowsItsPictureAtItsPixelRectangle)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(256, 256, 0));
    ASSERT_TRUE(window->create());
    KaSpriteLayout* sprite = new KaSpriteLayout();
    sprite->load(picture("quad.png", 64, 32));
    // Top-left corner at window pixel (16, 8), y down.
    sprite->setPosition(KaVector3f32(16.0f / 256.0f, 8.0f / 256.0f, 0));
    sprite->setAnchor(KaVector3f32(0, 0, 0));
    window->addChild(sprite);
    window->drawLayouts();

    // Rows counted up from the bottom: the picture spans columns 16..79 and
    // rows 216..247.
    const KaPixel red { 255, 0, 0, 255 }, green { 0, 255, 0, 255 }, blue { 0, 0, 255, 255 },
        white { 255, 255, 255, 255 }, none { 0, 0, 0, 0 };
    EXPECT_EQ(pixel(18, 245), red);
    EXPECT_EQ(pixel(77, 245), green);
    EXPECT_EQ(pixel(18, 218), blue);
    EXPECT_EQ(pixel(77, 218), white);
    EXPECT_EQ(pixel(14, 230), none);
    EXPECT_EQ(pixel(82, 230), none);
    EXPECT_EQ(pixel(40, 250), none);
    EXPECT_EQ(pixel(40, 213), none);

    // Dropped from the tree at the end of the frame.
    sprite->deleteLater();
    KaObject::deleteNow();
    EXPECT_EQ(window->childCount(), 0u);
}

TEST_F(KaSpriteLayoutTest, PixelSpritesLandOnWholePixels)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(256, 256, 0));
    ASSERT_TRUE(window->create());
    struct Case {
        const char* name;
        KaILayout::CoordinatesType type;
        int firstLit, firstDark;
    } const cases[] = {
        // World x 10.7 (the window adds half a pixel to 10.2): snapped to 10,
        // a 4-pixel sprite covers columns 136..139.
        { "pixel size snapped", KaILayout::Pixel, 136, 140 },
        // A percent sprite of the same 4 pixels keeps its fraction: 137..140.
        { "percent size kept", KaILayout::Percent, 137, 141 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        KaSpriteLayout sprite;
        sprite.load(picture("white.png", 4, 4));
        sprite.setSizeType(c.type);
        if (c.type == KaILayout::Percent)
            sprite.setSize(KaVector3f32(4.0f / 256.0f, 4.0f / 256.0f, 0));
        sprite.setPositionType(KaILayout::Pixel);
        sprite.setPosition(KaVector3f32(10.2f, 0.0f, 0));
        window->addChild(&sprite);
        window->drawLayouts();
        EXPECT_EQ(pixel(c.firstLit - 1, 127).a, 0);
        EXPECT_NE(pixel(c.firstLit, 127).a, 0);
        EXPECT_NE(pixel(c.firstDark - 1, 127).a, 0);
        EXPECT_EQ(pixel(c.firstDark, 127).a, 0);
        window->removeChild(&sprite);
    }
}

}
