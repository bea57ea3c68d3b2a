#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaResourceManager.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaTiledTexture.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

KaColor ramp(unsigned int x, unsigned int y)
{
    return KaColor(static_cast<unsigned char>(x * 3 + y), static_cast<unsigned char>(x / 5 + y * 7),
        static_cast<unsigned char>((x >> 7) * 20 + (y >> 7) * 40), 255);
}

KaColor grey(unsigned int, unsigned int) { return KaColor(50, 50, 50, 255); }

using KaTiledTextureTest = KaGLRendererTest;

TEST_F(KaTiledTextureTest, APictureThatFitsIsOneTileMadeFromTheImageItself)
{
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    EXPECT_EQ(NONE, tiled->imageFormat());
    EXPECT_FALSE(tiled->isLoaded());

    ASSERT_TRUE(tiled->load(*KaTestMakeImage(1024, 768, RGB888, grey, false, "back.png")));
    EXPECT_EQ(1, tiled->numberOfColumns());
    EXPECT_EQ(1, tiled->numberOfRow());
    const KaTiledTexture::Tile& tile = tiled->tile(KaVector2s32(0, 0));
    EXPECT_EQ(KaVector3f32(0.0f, 0.0f, 0.0f), tile.position);
    EXPECT_EQ(KaVector3f32(1.0f, 1.0f, 0.0f), tile.size);
    EXPECT_EQ(KaPath("back.png.3dtex"), tile.texture->getAccessName());
    EXPECT_EQ(KaPath("back.png.tt"), tiled->getAccessName());
    EXPECT_EQ(RGB888, tiled->imageFormat());
}

// A grey picture is never uploaded, so the layout of a large picture costs
// no texture memory.
TEST_F(KaTiledTextureTest, ALargePictureIsCutIntoTilesPlacedAsFractions)
{
    const struct {
        const char* name;
        bool flipped;
        // Expected lower edge (in pixels from the picture's bottom) of rows
        // 0 and 1.
        int row0Bottom;
        int row1Bottom;
    } cases[] = {
        { "stored bottom first", false, 0, 2048 },
        // Stored top first: the first row of tiles is the top of the picture.
        { "flipped", true, 952, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
        tiled->load(*KaTestMakeImage(5000, 3000, GREY8, grey, c.flipped, "big"));
        ASSERT_EQ(3, tiled->numberOfColumns());
        ASSERT_EQ(2, tiled->numberOfRow());
        ASSERT_EQ(6u, tiled->tiles().size());

        const KaTiledTexture::Tile& corner = tiled->tile(KaVector2s32(2, 1));
        EXPECT_EQ(904u, corner.texture->width());
        EXPECT_EQ(952u, corner.texture->height());
        EXPECT_FLOAT_EQ(4096.0f / 5000.0f, corner.position.x);
        EXPECT_FLOAT_EQ(static_cast<float>(c.row1Bottom) / 3000.0f, corner.position.y);
        EXPECT_FLOAT_EQ(904.0f / 5000.0f, corner.size.x);
        EXPECT_FLOAT_EQ(952.0f / 3000.0f, corner.size.y);
        EXPECT_EQ(KaPath("big.Tile2x1.3dtex"), corner.texture->getAccessName());

        const KaTiledTexture::Tile& first = tiled->tile(KaVector2s32(1, 0));
        EXPECT_FLOAT_EQ(2048.0f / 5000.0f, first.position.x);
        EXPECT_FLOAT_EQ(static_cast<float>(c.row0Bottom) / 3000.0f, first.position.y);
        EXPECT_FLOAT_EQ(2048.0f / 3000.0f, first.size.y);
        EXPECT_EQ(c.flipped, first.texture->isFlipped());
    }
}

TEST_F(KaTiledTextureTest, UpdateOfTheSameSizeKeepsTheTextures)
{
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    tiled->load(*KaTestMakeImage(2100, 4, RGB888, grey, false, "video-0001.tt"));
    const Ka3DTexture* left = tiled->tile(KaVector2s32(0, 0)).texture.get();
    const Ka3DTexture* right = tiled->tile(KaVector2s32(1, 0)).texture.get();

    tiled->update(*KaTestMakeImage(2100, 4, RGB888, ramp, false, "video-0002.tt"));
    EXPECT_EQ(left, tiled->tile(KaVector2s32(0, 0)).texture.get());
    EXPECT_EQ(right, tiled->tile(KaVector2s32(1, 0)).texture.get());
    EXPECT_EQ(KaPath("video-0002.tt.tt"), tiled->getAccessName());

    tiled->update(*KaTestMakeImage(300, 4, RGB888, ramp, false, "other"));
    EXPECT_EQ(1, tiled->numberOfColumns());
    EXPECT_EQ(300u, tiled->tile(KaVector2s32(0, 0)).texture->width());
}

TEST_F(KaTiledTextureTest, LoadFromATextureIsOneTile)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(*KaTestMakeImage(30, 20, RGB888, grey, false, "sprite.png"));
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    ASSERT_TRUE(tiled->load(texture));
    EXPECT_EQ(1u, tiled->tiles().size());
    EXPECT_EQ(texture.get(), tiled->tile(KaVector2s32(0, 0)).texture.get());
    EXPECT_EQ(KaVector2s32(30, 20), tiled->tileSize());
    EXPECT_EQ(KaPath("sprite.png.3dtex.tt"), tiled->getAccessName());
    EXPECT_FALSE(tiled->save(KaPath("anything")));

    KaTempDir dir;
    KaCaptureStdout quiet;
    EXPECT_FALSE(tiled->load(KaPath(dir.file("absent.png").c_str())));
    quiet.text();
    EXPECT_FALSE(tiled->isLoaded());
}

// Draws every tile as its own rectangle at the place and size the tile
// gives, the picture drawn pixel for pixel, and compares the whole frame with
// the picture.
class KaTiledTexturePixelTest : public KaGLRendererTest {
protected:
    unsigned long drawAndCompare(
        KaTiledTexture& tiled, unsigned int width, unsigned int height, std::string& firstMismatch)
    {
        EXPECT_TRUE(context().resize(width, height));
        KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(width, height);
        std::vector<KaMesh*> quads;
        for (unsigned long i = 0; i < tiled.tiles().size(); ++i) {
            const KaTiledTexture::Tile& tile = tiled.tiles()[i];
            KaMesh* quad = new KaMesh();
            const float x0 = tile.position.x * static_cast<float>(width);
            const float y0 = tile.position.y * static_cast<float>(height);
            KaTestMakeRectangle(*quad, x0, y0, x0 + tile.size.x * static_cast<float>(width),
                y0 + tile.size.y * static_cast<float>(height));
            quad->defaultMaterial(tile.texture);
            quads.push_back(quad);
        }
        KaTestDrawFrame(*camera, KaColor(255, 0, 255, 255), [&]() {
            for (KaMesh* quad : quads)
                quad->draw();
        });
        for (KaMesh* quad : quads)
            delete quad;

        const std::vector<unsigned char> all = context().readPixels();
        unsigned long count = 0;
        for (unsigned int y = 0; y < height; ++y) {
            for (unsigned int x = 0; x < width; ++x) {
                const unsigned char* p = &all[(static_cast<size_t>(y) * width + x) * 4];
                const KaPixel actual = { p[0], p[1], p[2], p[3] };
                if (!KaTestPixelNear(actual, ramp(x, y))) {
                    if (count == 0)
                        firstMismatch = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    ++count;
                }
            }
        }
        return count;
    }
};

TEST_F(KaTiledTexturePixelTest, APictureWiderThanOneTileShowsNoSeam)
{
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    tiled->load(*KaTestMakeImage(2100, 4, RGB888, ramp));
    ASSERT_EQ(2, tiled->numberOfColumns());
    std::string where;
    EXPECT_EQ(0u, drawAndCompare(*tiled, 2100, 4, where)) << where;
}

TEST_F(KaTiledTexturePixelTest, AFlippedPictureTallerThanOneTileShowsUpright)
{
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    tiled->load(*KaTestMakeImage(4, 2100, RGB888, ramp, true));
    ASSERT_EQ(2, tiled->numberOfRow());
    std::string where;
    EXPECT_EQ(0u, drawAndCompare(*tiled, 4, 2100, where)) << where;

    // A new frame of the same size goes into the same tiles, in the same
    // order.
    KaIntrusivePtr<KaTiledTexture> video(new KaTiledTexture());
    video->load(*KaTestMakeImage(4, 2100, RGB888, grey, true));
    video->update(*KaTestMakeImage(4, 2100, RGB888, ramp, true));
    EXPECT_EQ(0u, drawAndCompare(*video, 4, 2100, where)) << where;
}

} // namespace
