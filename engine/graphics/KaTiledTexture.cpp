#include "engine/graphics/KaTiledTexture.h"

#include "engine/core/KaResourceManager.h"
#include "engine/core/KaString.h"

namespace {

const char* const tiledSuffix = ".tt";

int32_t ceilDiv(int32_t value, int32_t divisor) { return value <= 0 ? 0 : (value + divisor - 1) / divisor; }

int32_t minimum(int32_t a, int32_t b) { return a < b ? a : b; }

} // namespace

KaTiledTexture::KaTiledTexture()
    : mTiles()
    , mTileSize(mDefaultTileSide, mDefaultTileSide)
    , mPictureSize(0, 0)
{
}

KaTiledTexture::~KaTiledTexture() { }

void KaTiledTexture::release()
{
    mTiles.clear();
    mPictureSize = KaVector2s32(0, 0);
}

int KaTiledTexture::numberOfColumns() const { return ceilDiv(mPictureSize.x, mTileSize.x); }

int KaTiledTexture::numberOfRow() const { return ceilDiv(mPictureSize.y, mTileSize.y); }

const KaTiledTexture::Tile& KaTiledTexture::tile(const KaVector2s32& position) const
{
    return mTiles[static_cast<unsigned long>(position.y) * static_cast<unsigned long>(numberOfColumns())
        + static_cast<unsigned long>(position.x)];
}

KaImageFormat KaTiledTexture::imageFormat() const
{
    if (mTiles.size() == 0 || !mTiles[0].texture)
        return NONE;
    return mTiles[0].texture->getFormat();
}

KaImage* KaTiledTexture::optimisedTileImage(KaArray<KaIntrusivePtr<KaImage>>& images, const KaVector2s32& size,
    const KaIntrusivePtr<KaPalette>& palette, KaImageFormat format)
{
    (void)palette; // scratch tiles are made without palette
    const unsigned long count = images.size();
    for (unsigned long i = 0; i < count; ++i) {
        KaImage* image = static_cast<const KaArray<KaIntrusivePtr<KaImage>>&>(images)[i].get();
        if (static_cast<int32_t>(image->width()) == size.x && static_cast<int32_t>(image->height()) == size.y
            && image->format() == format)
            return image;
    }
    KaIntrusivePtr<KaImage> image(new KaImage());
    KaIntrusivePtr<KaPalette> noPalette;
    image->create(static_cast<unsigned int>(size.x), static_cast<unsigned int>(size.y), noPalette, format);
    images.pushBack(image);
    return image.get();
}

KaVector2s32 KaTiledTexture::blockSize(int column, int row) const
{
    return KaVector2s32(minimum(mPictureSize.x - column * mTileSize.x, mTileSize.x),
        minimum(mPictureSize.y - row * mTileSize.y, mTileSize.y));
}

const KaImage* KaTiledTexture::tileSource(
    const KaImage& image, int column, int row, KaArray<KaIntrusivePtr<KaImage>>& scratch)
{
    const KaVector2s32 block = blockSize(column, row);
    if (block.x == mPictureSize.x && block.y == mPictureSize.y)
        return &image;
    KaIntrusivePtr<KaPalette> noPalette;
    KaImage* source = optimisedTileImage(scratch, block, noPalette, image.format());
    image.copy(*source, KaVector2s32(0, 0), KaVector2s32(column * mTileSize.x, row * mTileSize.y), block);
    source->setFlipped(image.flipped());
    KaString name;
    name.format("%s.Tile%dx%d", image.getAccessName().c_str(), column, row);
    source->setAccessName(KaPath(name));
    return source;
}

void KaTiledTexture::placeTile(Tile& tile, int column, int row, bool flipped) const
{
    const KaVector2s32 block = blockSize(column, row);
    const float width = static_cast<float>(mPictureSize.x);
    const float height = static_cast<float>(mPictureSize.y);
    // A flipped image stores its top row first, so its first row of tiles
    // is the top of the picture: count that row's place down from the top.
    const int32_t bottom = flipped ? mPictureSize.y - row * mTileSize.y - block.y : row * mTileSize.y;
    tile.position
        = KaVector3f32(static_cast<float>(column * mTileSize.x) / width, static_cast<float>(bottom) / height, 0.0f);
    const float textureWidth = tile.texture ? static_cast<float>(tile.texture->width()) : static_cast<float>(block.x);
    const float textureHeight = tile.texture ? static_cast<float>(tile.texture->height()) : static_cast<float>(block.y);
    tile.size = KaVector3f32(textureWidth / width, textureHeight / height, 0.0f);
}

bool KaTiledTexture::load(const KaImage& image)
{
    release();
    KaArray<KaIntrusivePtr<KaImage>> scratch;
    scratch.reserve(4);
    mTileSize = KaVector2s32(mDefaultTileSide, mDefaultTileSide);
    mPictureSize = KaVector2s32(static_cast<int32_t>(image.width()), static_cast<int32_t>(image.height()));
    const int columns = numberOfColumns();
    const int rows = numberOfRow();
    mTiles.resize(static_cast<unsigned long>(rows) * static_cast<unsigned long>(columns));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            Tile& tile = mTiles[static_cast<unsigned long>(r) * static_cast<unsigned long>(columns)
                + static_cast<unsigned long>(c)];
            const KaImage* source = tileSource(image, c, r, scratch);
            tile.texture = new Ka3DTexture();
            tile.texture->load(*source);
            placeTile(tile, c, r, image.flipped());
        }
    }
    setAccessName(KaPath(image.getAccessName() + tiledSuffix));
    return true;
}

bool KaTiledTexture::load(const KaPath& path)
{
    release();
    KaIntrusivePtr<KaImage> image(resourceManager.get()->findResource<KaImage>(path));
    if (!image) {
        image = new KaImage();
        if (!image->load(path))
            return false;
    }
    load(*image);
    return true;
}

bool KaTiledTexture::load(const KaIntrusivePtr<Ka3DTexture>& texture)
{
    release();
    if (!texture)
        return false;
    mTileSize = KaVector2s32(static_cast<int32_t>(texture->width()), static_cast<int32_t>(texture->height()));
    mPictureSize = mTileSize;
    Tile tile;
    tile.position = KaVector3f32(0.0f, 0.0f, 0.0f);
    tile.size = KaVector3f32(1.0f, 1.0f, 0.0f);
    tile.texture = texture;
    mTiles.pushBack(tile);
    setAccessName(KaPath(texture->getAccessName() + tiledSuffix));
    return true;
}

void KaTiledTexture::update(const KaImage& image)
{
    const bool sameSize = static_cast<int32_t>(image.width()) == mPictureSize.x
        && static_cast<int32_t>(image.height()) == mPictureSize.y;
    // The row order decides where each tile goes: a change of it needs the
    // tiles placed anew.
    const bool sameOrder
        = mTiles.size() == 0 || !mTiles[0].texture || mTiles[0].texture->isFlipped() == image.flipped();
    if (!sameSize || !sameOrder || mTiles.size() == 0) {
        load(image);
        return;
    }
    setAccessName(KaPath(image.getAccessName() + tiledSuffix));
    KaArray<KaIntrusivePtr<KaImage>> scratch;
    scratch.reserve(4);
    const int columns = numberOfColumns();
    const int rows = numberOfRow();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const unsigned long index
                = static_cast<unsigned long>(r) * static_cast<unsigned long>(columns) + static_cast<unsigned long>(c);
            if (index >= mTiles.size())
                return;
            const KaImage* source = tileSource(image, c, r, scratch);
            KaIntrusivePtr<Ka3DTexture> texture = static_cast<const KaArray<Tile>&>(mTiles)[index].texture;
            if (texture)
                texture->update(*source, 0, 0);
        }
    }
}

bool KaTiledTexture::save(const KaPath& path) const
{
    (void)path;
    return false;
}
