#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/graphics/KaImage.h"
#include "tools/content/KaCanvas.h"

namespace {

typedef KaCanvas::Color Color;

float coveredArea(const KaCanvas& canvas)
{
    float area = 0.0f;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            area += canvas.pixel(x, y).a;
    return area;
}

TEST(KaCanvasTest, ShapesCoverTheirArea)
{
    // Edges are sampled 16 times a pixel, so areas come out within a few
    // pixels of the exact figure.
    struct Case {
        const char* name;
        void (*paint)(KaCanvas&);
        float area;
    } cases[] = {
        { "circle", [](KaCanvas& c) { c.circle(32, 32, 20, Color { 1, 1, 1, 1 }); }, 3.14159265f * 400 },
        { "ring", [](KaCanvas& c) { c.ring(32, 32, 10, 20, Color { 1, 1, 1, 1 }); }, 3.14159265f * 300 },
        { "rounded rect", [](KaCanvas& c) { c.roundedRect(10, 10, 50, 40, 0.0f, Color { 1, 1, 1, 1 }); }, 1200 },
        { "triangle", [](KaCanvas& c) { c.polygon({ 0, 0, 40, 0, 0, 40 }, Color { 1, 1, 1, 1 }); }, 800 },
        { "line", [](KaCanvas& c) { c.line(10, 32, 50, 32, 4, Color { 1, 1, 1, 1 }); }, 160 + 3.14159265f * 4 },
    };
    for (const Case& c : cases) {
        KaCanvas canvas(64, 64);
        c.paint(canvas);
        EXPECT_NEAR(coveredArea(canvas), c.area, c.area * 0.02f) << c.name;
    }
}

TEST(KaCanvasTest, EvenOddPolygonAndSourceOver)
{
    // A square drawn with a square hole by the even-odd rule.
    EXPECT_FALSE(KaCanvas::insidePolygon({ 0, 0, 10, 0, 10, 10, 0, 10, 0, 0, 3, 3, 7, 3, 7, 7, 3, 7, 3, 3 }, 5, 5));
    EXPECT_TRUE(KaCanvas::insidePolygon({ 0, 0, 10, 0, 10, 10, 0, 10, 0, 0, 3, 3, 7, 3, 7, 7, 3, 7, 3, 3 }, 1, 5));

    KaCanvas canvas(4, 4);
    canvas.fill(Color { 0, 0, 1, 1 });
    canvas.roundedRect(0, 0, 4, 4, 0, Color { 1, 0, 0, 0.5f });
    const Color mixed = canvas.pixel(1, 1);
    EXPECT_NEAR(mixed.r, 0.5f, 1e-5f);
    EXPECT_NEAR(mixed.b, 0.5f, 1e-5f);
    EXPECT_NEAR(mixed.a, 1.0f, 1e-5f);
}

TEST(KaCanvasTest, PngKeepsTopRowOnTop)
{
    KaCanvas canvas(8, 4);
    canvas.roundedRect(0, 0, 8, 1, 0, Color { 1, 0, 0, 1 });
    const std::string path = ::testing::TempDir() + "canvas.png";
    ASSERT_TRUE(canvas.savePng(path.c_str()));
    KaImage image;
    ASSERT_TRUE(image.load(KaPath(path.c_str())));
    EXPECT_EQ(image.width(), 8u);
    EXPECT_EQ(image.height(), 4u);
    // Images are stored bottom-up unless flipped: the painted row is the top.
    const KaColor top = image.pixelColor(KaVector2s32(3, image.flipped() ? 0 : 3));
    const KaColor bottom = image.pixelColor(KaVector2s32(3, image.flipped() ? 3 : 0));
    EXPECT_EQ(top.r, 255);
    EXPECT_EQ(top.a, 255);
    EXPECT_EQ(bottom.a, 0);
    std::remove(path.c_str());
}

}
