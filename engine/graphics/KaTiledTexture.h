#ifndef KA_TILED_TEXTURE_H
#define KA_TILED_TEXTURE_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaImageFormat.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/color/KaPalette.h"
#include "engine/containers/KaIsRelocatable.h"

// A picture larger than one texture, cut into tiles of at most 2048 x 2048
// pixels, each its own Ka3DTexture. Each tile records where it lies in the
// picture as fractions of the whole (its lower-left corner and its size,
// y counted up from the picture's bottom), which is all a surface needs to
// place one quad per tile.
//
// Tiles are kept row after row (tile (c, r) at r x columns + c) in the
// image's own row order: from the picture's bottom for a normal image, from
// its top for a flipped one, whose rows are stored top first. The positions
// always count from the bottom, so both show upright.
//
// Named after its source with ".tt", so surfaces showing one picture can
// share it. Counted (KaIntrusivePtr). Main thread only.
class KaTiledTexture : public KaResource {
public:
    struct Tile {
        Tile()
            : position()
            , size()
            , texture()
        {
        }
        // Lower-left corner in the picture, as fractions of its size.
        KaVector3f32 position;
        // The tile's picture size as fractions of the whole picture.
        KaVector3f32 size;
        KaIntrusivePtr<Ka3DTexture> texture;
    };

    static const int32_t mDefaultTileSide = 2048;

    KaTiledTexture();
    KaTiledTexture(const KaTiledTexture&) = delete;
    KaTiledTexture& operator=(const KaTiledTexture&) = delete;
    ~KaTiledTexture() override;

    // Cuts the image into tiles and names the whole after the image + ".tt".
    // Always true.
    bool load(const KaImage& image);
    // The image of the path (the resource manager's, else loaded from the
    // file); false when it cannot be loaded.
    bool load(const KaPath& path) override;
    // One tile that is the texture itself.
    bool load(const KaIntrusivePtr<Ka3DTexture>& texture);
    // A new picture of the size last loaded replaces the pixels of the
    // existing tile textures; one of another size is loaded anew.
    void update(const KaImage& image);
    void release();
    bool isLoaded() const { return mTiles.size() != 0; }

    int numberOfColumns() const;
    int numberOfRow() const;
    // (column, row), both below their counts.
    const Tile& tile(const KaVector2s32& position) const;
    const KaArray<Tile>& tiles() const { return mTiles; }
    const KaVector2s32& tileSize() const { return mTileSize; }
    const KaVector2s32& pictureSize() const { return mPictureSize; }
    // NONE without tiles, else the first tile's format.
    KaImageFormat imageFormat() const;

    // The scratch image of that size and format in images, or a new one
    // appended to it, so that tiles of one size share one scratch image.
    static KaImage* optimisedTileImage(KaArray<KaIntrusivePtr<KaImage>>& images, const KaVector2s32& size,
        const KaIntrusivePtr<KaPalette>& palette, KaImageFormat format);

    // Tiled textures are never written: false.
    bool save(const KaPath& path) const;

private:
    // The source of tile (c, r): the image itself when it fits in one tile,
    // else the block copied into a scratch image. Null for a block that has
    // no pixels.
    const KaImage* tileSource(const KaImage& image, int column, int row, KaArray<KaIntrusivePtr<KaImage>>& scratch);
    // Lower-left corner and size of tile (c, r) as fractions of the picture.
    void placeTile(Tile& tile, int column, int row, bool flipped) const;
    KaVector2s32 blockSize(int column, int row) const;

    KaArray<Tile> mTiles;
    KaVector2s32 mTileSize;
    KaVector2s32 mPictureSize;
};

KA_RELOCATABLE(KaTiledTexture::Tile);

#endif
