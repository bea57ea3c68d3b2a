#include <gtest/gtest.h>

#include "engine/graphics/KaBezierCurveDrawer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/world/KaBezierCurve.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"

namespace {

const KaColor black(0, 0, 0, 255);
const KaColor cyan(0, 255, 255, 255);
const KaColor magenta(255, 0, 255, 255);

using KaBezierCurveDrawerTest = KaGLRendererTest;

KaIntrusivePtr<KaBezierCurve> threePointCurve()
{
    KaIntrusivePtr<KaBezierCurve> curve(new KaBezierCurve());
    KaArray<KaVector3f32> points;
    points.pushBack(KaVector3f32(10.5f, 10.5f, 0.0f));
    points.pushBack(KaVector3f32(50.5f, 10.5f, 0.0f));
    points.pushBack(KaVector3f32(50.5f, 50.5f, 0.0f));
    curve->setControlPoints(points);
    return curve;
}

// The control points joined in order by a cyan strip (not closed), the
// points themselves in magenta over it, all placed by the curve's transform.
TEST_F(KaBezierCurveDrawerTest, DrawsTheControlPolygonAndThePointsWhereTheCurveStands)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaIntrusivePtr<KaBezierCurve> curve = threePointCurve();
    const struct {
        const char* name;
        int dx;
    } cases[] = { { "in place", 0 }, { "moved", 100 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        curve->setPosition(KaVector3f32(static_cast<float>(c.dx), 0.0f, 0.0f));
        KaRenderer* r = renderer.get();
        KaColor during;
        KaTestDrawFrame(*camera, black, [&]() {
            r->setCurrentColor(KaColor(1, 2, 3, 255));
            KaDrawBezierCurve(*curve);
            during = r->currentColor();
        });
        EXPECT_EQ(KaColor(1, 2, 3, 255), during);
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 10, 10), magenta));
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 50, 10), magenta));
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 50, 50), magenta));
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 30, 10), cyan));
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 50, 30), cyan));
        // The way back from the last point to the first is not drawn.
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 30, 30), black));
        EXPECT_TRUE(KaTestPixelNear(pixel(c.dx + 20, 20), black));
    }
}

TEST_F(KaBezierCurveDrawerTest, AnEmptyOrHiddenCurveDrawsNothing)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaIntrusivePtr<KaBezierCurve> hidden = threePointCurve();
    hidden->setVisible(false);
    KaIntrusivePtr<KaBezierCurve> empty(new KaBezierCurve());
    KaTestDrawFrame(*camera, black, [&]() {
        KaDrawBezierCurve(*hidden);
        KaDrawBezierCurve(*empty);
    });
    const std::vector<unsigned char> all = context().readPixels();
    unsigned long lit = 0;
    for (size_t i = 0; i < all.size(); i += 4)
        lit += (all[i] | all[i + 1] | all[i + 2]) != 0 ? 1 : 0;
    EXPECT_EQ(0u, lit);
}

} // namespace
