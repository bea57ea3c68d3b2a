#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/KaResourceManager.h"
#include "engine/graphics/KaImage.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaTiledSurface.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tools/fixtures/KaTheoraFixture.h"
#include "tests/engine/scene/KaSceneTestClock.h"
#include "tests/support/KaTestSupport.h"

namespace {

KaColor ramp(unsigned int x, unsigned int y)
{
    return KaColor(static_cast<unsigned char>(x * 7), static_cast<unsigned char>(x / 9 + 40 * y),
        static_cast<unsigned char>(255 - (x % 256)), 255);
}

// An RGB PNG of the picture, rows top first as the file wants them.
std::string pngOf(unsigned int width, unsigned int height, KaColor (*colorAt)(unsigned int, unsigned int))
{
    std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
    for (unsigned int r = 0; r < height; ++r) {
        for (unsigned int x = 0; x < width; ++x) {
            const KaColor c = colorAt(x, height - 1 - r);
            unsigned char* p = &rows[(static_cast<size_t>(r) * width + x) * 3];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
    const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, rows);
}

// Places the unit square over the whole buffer, one unit of scale a pixel.
void fitToPixels(KaTiledSurface& surface, unsigned int width, unsigned int height)
{
    surface.setScale(KaVector3f32(static_cast<float>(width), static_cast<float>(height), 1.0f));
    surface.setPosition(KaVector3f32(static_cast<float>(width) / 2, static_cast<float>(height) / 2, 0.0f));
}

class KaTiledSurfaceTest : public KaGLRendererTest {
protected:
    std::string write(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return mDir.file(name);
    }

    void drawSurface(KaTiledSurface& surface, unsigned int width, unsigned int height)
    {
        KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(width, height);
        KaTestDrawFrame(*camera, KaColor(255, 0, 255, 255), [&]() { surface.draw(); });
    }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaTiledSurfaceTest, APictureWiderThanOneTextureShowsWhole)
{
    const unsigned int width = 2100;
    const unsigned int height = 4;
    const std::string path = write("wide.png", pngOf(width, height, ramp));
    KaIntrusivePtr<KaTiledSurface> surface(new KaTiledSurface());
    ASSERT_TRUE(surface->load(KaPath(path.c_str())));
    ASSERT_EQ(surface->meshCount(), 2u);
    EXPECT_EQ(surface->name(), KaString((path + ".tt.surface").c_str()));
    // The first tile ends where the second begins.
    EXPECT_NEAR(surface->mesh(0).vertex(1).x, 2048.0f / 2100.0f - 0.5f, 1e-6f);
    EXPECT_NEAR(surface->mesh(1).vertex(0).x, 2048.0f / 2100.0f - 0.5f, 1e-6f);
    EXPECT_NEAR(surface->mesh(1).vertex(1).x, 0.5f, 1e-6f);

    ASSERT_TRUE(context().resize(width, height));
    fitToPixels(*surface, width, height);
    drawSurface(*surface, width, height);
    const std::vector<unsigned char> all = context().readPixels();
    unsigned long mismatches = 0;
    std::string first;
    for (unsigned int y = 0; y < height; ++y) {
        for (unsigned int x = 0; x < width; ++x) {
            const unsigned char* p = &all[(static_cast<size_t>(y) * width + x) * 4];
            const KaPixel actual = { p[0], p[1], p[2], p[3] };
            if (!KaTestPixelNear(actual, ramp(x, y))) {
                if (mismatches++ == 0)
                    first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    EXPECT_EQ(mismatches, 0u) << "first at " << first;
}

TEST_F(KaTiledSurfaceTest, AFailedLoadIsNotRemembered)
{
    const std::string path = write("later.png", "not a picture at all");
    const KaPath name = KaPath((path + ".tt").c_str());
    KaTiledSurface surface;
    {
        KaCaptureStdout quiet;
        EXPECT_FALSE(surface.load(KaPath(path.c_str())));
    }
    EXPECT_FALSE(resourceManager.get()->exists(name));
    EXPECT_FALSE(surface.isLoaded());
    EXPECT_EQ(surface.codec(), nullptr);
    EXPECT_EQ(surface.meshCount(), 0u);

    write("later.png", pngOf(3, 2, ramp));
    EXPECT_TRUE(surface.load(KaPath(path.c_str())));
    EXPECT_TRUE(surface.isLoaded());
    EXPECT_TRUE(resourceManager.get()->exists(name));

    KaTiledSurface unknown;
    EXPECT_FALSE(unknown.load(KaPath(write("picture.unknown", "x").c_str())));
}

TEST_F(KaTiledSurfaceTest, SurfacesOfOnePictureShareItsTiles)
{
    const std::string path = write("shared.png", pngOf(5, 3, ramp));
    KaTiledSurface first;
    KaTiledSurface second;
    ASSERT_TRUE(first.load(KaPath(path.c_str())));
    ASSERT_TRUE(second.load(KaPath(path.c_str())));
    EXPECT_EQ(first.tiledTexture().get(), second.tiledTexture().get());
    EXPECT_NE(first.codec(), nullptr);
    EXPECT_EQ(second.codec(), nullptr);
    second.play();
    EXPECT_FALSE(second.frameAnim().isRunning()) << "a surface without codec cannot play";
    EXPECT_EQ(second.bufferSize(), 1u);
}

TEST_F(KaTiledSurfaceTest, CroppingCutsTheQuadAndItsTextureCoordinates)
{
    KaIntrusivePtr<KaImage> image = KaTestMakeImage(8, 8, RGB888, ramp, false, "cropped");
    KaTiledSurface surface;
    ASSERT_TRUE(surface.load(*image));
    ASSERT_EQ(surface.meshCount(), 1u);
    surface.setLeftCropping(0.25f);
    const KaMesh& quad = surface.mesh(0);
    EXPECT_FLOAT_EQ(quad.vertex(0).x, -0.25f);
    EXPECT_FLOAT_EQ(quad.vertex(1).x, 0.5f);
    EXPECT_FLOAT_EQ(quad.textureUV(0).x, 0.25f);
    EXPECT_FLOAT_EQ(quad.textureUV(1).x, 1.0f);
    EXPECT_EQ(quad.index(2), 3u);

    surface.setRightCropping(0.9f);
    EXPECT_FLOAT_EQ(surface.mesh(0).vertex(0).x, surface.mesh(0).vertex(1).x) << "collapsed, not inverted";
}

TEST_F(KaTiledSurfaceTest, AVideoPlaysFrameByFrame)
{
    KaTheoraClip clip;
    clip.frames = 6;
    clip.withVorbis = false;
    const std::string path = write("clip.ogv", KaEncodeTheora(clip));
    KaSceneTestClock clock;
    KaTiledSurface surface;
    ASSERT_TRUE(surface.load(KaPath(path.c_str())));
    ASSERT_NE(surface.codec(), nullptr);
    ASSERT_TRUE(context().resize(clip.width, clip.height));
    fitToPixels(surface, clip.width, clip.height);

    surface.play();
    clock.frame(0);
    clock.frame(20);
    for (unsigned int n = 0; n < clip.frames; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(surface.frameAnim().currentFrame(), n);
        drawSurface(surface, clip.width, clip.height);
        const int grey = static_cast<int>(1.164 * (KaTheoraFrameLuma(n) - 16) + 0.5);
        const KaPixel centre = pixel(static_cast<int>(clip.width / 2), static_cast<int>(clip.height / 2));
        EXPECT_LE(std::abs(centre.r - grey), 2) << int(centre.r) << " for " << grey;
        EXPECT_LE(std::abs(centre.g - grey), 2);
        clock.frame(40);
    }
    EXPECT_FALSE(surface.frameAnim().isRunning()) << "played once";
}
