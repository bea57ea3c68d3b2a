#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "engine/core/KaResourceManager.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

// A picture whose pixels all differ from their neighbours, so a shift by one
// texel shows.
KaColor ramp(unsigned int x, unsigned int y)
{
    return KaColor(static_cast<unsigned char>(x * 7 + y), static_cast<unsigned char>(y * 5 + (x >> 8) * 31),
        static_cast<unsigned char>((x >> 8) * 60 + (y >> 8) * 90 + 10), 255);
}

KaColor solid(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 255) { return KaColor(r, g, b, a); }

class Ka3DTextureTest : public KaGLRendererTest {
protected:
    Ka3DTextureTest()
        : KaGLRendererTest(640, 480)
    {
    }

    // Draws the texture on a rectangle of width x height pixels from the
    // lower-left corner, texture coordinates 0..1.
    void drawTexture(const KaIntrusivePtr<Ka3DTexture>& texture, float width, float height)
    {
        KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(640, 480);
        KaMesh quad;
        KaTestMakeRectangle(quad, 0.0f, 0.0f, width, height);
        quad.defaultMaterial(texture);
        KaTestDrawFrame(*camera, KaColor(0, 0, 0, 255), [&]() { quad.draw(); });
    }

    // Pixels of the width x height block from the lower-left corner that
    // differ from expected(x, y) by more than one step.
    unsigned long mismatches(unsigned int width, unsigned int height,
        const std::function<KaColor(unsigned int, unsigned int)>& expected, std::string* first = nullptr)
    {
        const std::vector<unsigned char> all = context().readPixels();
        unsigned long count = 0;
        for (unsigned int y = 0; y < height; ++y) {
            for (unsigned int x = 0; x < width; ++x) {
                const unsigned char* p = &all[(static_cast<size_t>(y) * context().width() + x) * 4];
                const KaPixel actual = { p[0], p[1], p[2], p[3] };
                if (!KaTestPixelNear(actual, expected(x, y))) {
                    if (count == 0 && first)
                        *first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    ++count;
                }
            }
        }
        return count;
    }
};

TEST(Ka3DTextureSizeTest, OptimisedSizeRoundsUpToAPowerOfTwoOfAtLeast8)
{
    const struct {
        int32_t in;
        int32_t out;
    } cases[]
        = { { 0, 8 }, { 1, 8 }, { 8, 8 }, { 9, 16 }, { 640, 1024 }, { 1000, 1024 }, { 2048, 2048 }, { 2049, 4096 } };
    for (const auto& c : cases) {
        const KaVector2s32 size = Ka3DTexture::optimisedSize(KaVector2s32(c.in, 3));
        EXPECT_EQ(c.out, size.x) << c.in;
        EXPECT_EQ(8, size.y);
    }
}

TEST_F(Ka3DTextureTest, MatrixMapsTheUnitSquareOntoThePictureInsideItsBorders)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());

    texture->load(*KaTestMakeImage(640, 480, RGB888, ramp));
    EXPECT_EQ(1024u, texture->textureWidth());
    EXPECT_EQ(512u, texture->textureHeight());
    EXPECT_FLOAT_EQ(0.625f, texture->textureMatrix().m[0]);
    EXPECT_FLOAT_EQ(0.9375f, texture->textureMatrix().m[5]);

    texture->load(*KaTestMakeImage(3, 3, RGB888, ramp));
    EXPECT_EQ(8u, texture->textureWidth());
    EXPECT_EQ(8u, texture->textureHeight());

    // Ten columns with one column of padding at each side: u = 0 and u = 1
    // land on columns 1 and 9 of the picture, out of the texture's 16.
    KaIntrusivePtr<KaImage> bordered = KaTestMakeImage(10, 4, RGB888, ramp);
    bordered->setLeftBorder(1);
    bordered->setRightBorder(1);
    texture->load(*bordered);
    EXPECT_NEAR(1.0f / 16.0f, (texture->textureMatrix() * KaVector3f32(0.0f, 0.0f, 0.0f)).x, 1e-6f);
    EXPECT_NEAR(9.0f / 16.0f, (texture->textureMatrix() * KaVector3f32(1.0f, 0.0f, 0.0f)).x, 1e-6f);

    // A flipped picture stores its bottom row last: v = 0 lands past the
    // fourth stored row, v = 1 on the first.
    KaIntrusivePtr<KaImage> flipped = KaTestMakeImage(10, 4, RGB888, ramp, true);
    texture->load(*flipped);
    EXPECT_TRUE(texture->isFlipped());
    EXPECT_NEAR(4.0f / 8.0f, (texture->textureMatrix() * KaVector3f32(0.0f, 0.0f, 0.0f)).y, 1e-6f);
    EXPECT_NEAR(0.0f, (texture->textureMatrix() * KaVector3f32(0.0f, 1.0f, 0.0f)).y, 1e-6f);
}

// The picture drawn pixel for pixel: every screen pixel must show the
// picture's pixel, so nothing of the texture's padding, of the image's
// borders or of a wrong row order can hide.
TEST_F(Ka3DTextureTest, PictureDrawnOnAUnitRectangleShowsExactlyItsPixels)
{
    const struct {
        const char* name;
        unsigned int width;
        unsigned int height;
        bool flipped;
        unsigned int left, right, bottom, top;
    } cases[] = {
        { "640 x 480", 640, 480, false, 0, 0, 0, 0 },
        { "flipped", 100, 60, true, 0, 0, 0, 0 },
        { "borders", 40, 20, false, 4, 4, 2, 3 },
        { "flipped with borders", 40, 20, true, 4, 4, 2, 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaImage> image = KaTestMakeImage(c.width, c.height, RGB888, ramp, c.flipped);
        image->setLeftBorder(c.left);
        image->setRightBorder(c.right);
        // Borders are counted in the image's rows: for a flipped image the
        // "bottom" border lies at the picture's top.
        image->setBottomBorder(c.bottom);
        image->setTopBorder(c.top);
        KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
        texture->load(*image);
        const unsigned int shownWidth = c.width - c.left - c.right;
        const unsigned int shownHeight = c.height - c.bottom - c.top;
        drawTexture(texture, static_cast<float>(shownWidth), static_cast<float>(shownHeight));
        const unsigned int firstRow = c.flipped ? c.top : c.bottom;
        std::string where;
        EXPECT_EQ(0u,
            mismatches(
                shownWidth, shownHeight, [&](unsigned int x, unsigned int y) { return ramp(x + c.left, y + firstRow); },
                &where))
            << where;
    }
}

TEST_F(Ka3DTextureTest, UpdateReplacesThePixelsAndKeepsTheGeometry)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(*KaTestMakeImage(20, 10, RGB888, [](unsigned int, unsigned int) { return solid(255, 0, 0); }));
    const KaMatrix4x4 matrix = texture->textureMatrix();

    KaIntrusivePtr<KaImage> frame = KaTestMakeImage(20, 10, RGB888, ramp, false, "frame-7");
    texture->update(*frame, 0, 0);
    EXPECT_EQ(KaPath("frame-7.3dtex"), texture->getAccessName());
    EXPECT_TRUE(matrix == texture->textureMatrix());
    EXPECT_EQ(32u, texture->textureWidth());
    drawTexture(texture, 20.0f, 10.0f);
    EXPECT_EQ(0u, mismatches(20, 10, ramp));

    // An empty image changes nothing, not even the name.
    KaImage empty;
    empty.setAccessName(KaPath("empty"));
    texture->update(empty, 0, 0);
    EXPECT_EQ(KaPath("frame-7.3dtex"), texture->getAccessName());
}

// GL reads the new pixels with the texture's own pixel size: an RGBA frame
// sent into RGB storage (or the reverse) would be read garbled or past the
// end of its buffer. The texture takes the frame's format instead.
TEST_F(Ka3DTextureTest, UpdateWithAnotherFormatOrALargerFrameReloads)
{
    const struct {
        const char* name;
        KaImageFormat before;
        KaImageFormat after;
        unsigned int width;
        unsigned int height;
    } cases[] = {
        { "RGB then RGBA", RGB888, RGBA8888, 16, 16 },
        { "RGBA then RGB", RGBA8888, RGB888, 16, 16 },
        { "larger than the storage", RGB888, RGB888, 40, 16 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
        texture->load(*KaTestMakeImage(16, 16, c.before, [](unsigned int, unsigned int) { return solid(255, 0, 0); }));
        texture->update(*KaTestMakeImage(c.width, c.height, c.after, ramp), 0, 0);
        EXPECT_EQ(c.after, texture->getFormat());
        EXPECT_EQ(c.width, texture->width());
        EXPECT_EQ(c.after == RGBA8888, texture->hasAlpha());
        drawTexture(texture, static_cast<float>(c.width), static_cast<float>(c.height));
        EXPECT_EQ(0u, mismatches(c.width, c.height, ramp));
    }
}

TEST_F(Ka3DTextureTest, PictureFormatsOtherThanRgbAndRgbaAreNotUploaded)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(*KaTestMakeImage(8, 8, GREY8, [](unsigned int, unsigned int) { return solid(10, 10, 10); }));
    EXPECT_EQ(GREY8, texture->getFormat());
    EXPECT_TRUE(texture->isLoaded());
    // Without storage the texture samples as if texturing were off: the
    // material's white shows.
    drawTexture(texture, 8.0f, 8.0f);
    EXPECT_TRUE(KaTestPixelNear(pixel(4, 4), solid(255, 255, 255)));
}

class Ka3DTextureResourceTest : public KaGLRendererTest {
protected:
    std::string savePicture(const std::string& name, unsigned int width, unsigned int height)
    {
        const std::string path = mDir.file(name);
        KaIntrusivePtr<KaImage> image = KaTestMakeImage(width, height, RGB888, ramp);
        EXPECT_TRUE(image->save(KaString(path.c_str()), KaImage::PNG));
        return path;
    }

    KaTempDir mDir;
};

TEST_F(Ka3DTextureResourceTest, ResourceManagerFindsATextureLoadedFromThePath)
{
    const std::string path = savePicture("wall.png", 24, 12);
    KaResourceManager* manager = resourceManager.get();

    KaIntrusivePtr<Ka3DTexture> first = manager->getResource<Ka3DTexture>(KaPath(path.c_str()));
    ASSERT_TRUE(first);
    EXPECT_EQ(KaPath((path + ".3dtex").c_str()), first->getAccessName());
    EXPECT_EQ(24u, first->width());

    KaIntrusivePtr<Ka3DTexture> second = manager->getResource<Ka3DTexture>(KaPath(path.c_str()));
    EXPECT_EQ(first.get(), second.get());
    // The texture never stands in for its image, nor the reverse.
    KaIntrusivePtr<KaImage> image = manager->getResource<KaImage>(KaPath(path.c_str()));
    ASSERT_TRUE(image);
    EXPECT_EQ(KaPath(path.c_str()), image->getAccessName());
    // load2 looks under the same name.
    EXPECT_EQ(first.get(), Ka3DTexture::load2(KaString(path.c_str()), Ka3DTexture::mImageInternalFormat).get());
}

TEST_F(Ka3DTextureResourceTest, Load2SharesOneTexturePerName)
{
    const std::string path = savePicture("floor.png", 8, 8);
    const unsigned long before = resourceManager.get()->resourceCount();
    KaIntrusivePtr<Ka3DTexture> first = Ka3DTexture::load2(KaString(path.c_str()), Ka3DTexture::mImageInternalFormat);
    KaIntrusivePtr<Ka3DTexture> second = Ka3DTexture::load2(KaString(path.c_str()), Ka3DTexture::mImageInternalFormat);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(8u, first->width());
    EXPECT_EQ(before + 1, resourceManager.get()->resourceCount());

    // A picture that cannot be read still gives a (listed, empty) texture.
    KaCaptureStdout quiet;
    KaIntrusivePtr<Ka3DTexture> missing
        = Ka3DTexture::load2(KaString(mDir.file("missing.png").c_str()), Ka3DTexture::mImageInternalFormat);
    quiet.text();
    ASSERT_TRUE(missing);
    EXPECT_EQ(0u, missing->width());
}

TEST_F(Ka3DTextureResourceTest, LoadingAMissingPictureFails)
{
    const std::string path = mDir.file("absent.png");
    EXPECT_FALSE(resourceManager.get()->getResource<Ka3DTexture>(KaPath(path.c_str())));

    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    KaCaptureStdout capture;
    EXPECT_FALSE(texture->load(KaPath(path.c_str())));
    EXPECT_EQ("[Ka3DTexture::load] Can't load image : " + path + ".\n", capture.text());
    EXPECT_FALSE(texture->isLoaded());
}

} // namespace
