#include "engine/gui/KaFont3.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <GL/gl.h>

#include <algorithm>

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "engine/graphics/KaImage.h"

unsigned long KaFont3StreamRead(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    // FreeType asks for a count of 0 to seek only; the next read seeks anyway.
    if (count == 0)
        return 0;
    KaFont3* font = static_cast<KaFont3*>(stream->descriptor.pointer);
    // FreeType mostly reads on from where it stopped: a seek would throw
    // the file's read buffer away for nothing.
    if (font->mFile.getPos() != offset && !font->mFile.seek(offset))
        return 0;
    return font->mFile.readData(buffer, count);
}

namespace {

void KaFont3StreamClose(FT_Stream) { }

// Atlas texels are black with the glyph's coverage as alpha: luminance and
// alpha hold exactly that in half the memory of RGBA, and sample the same
// (0, 0, 0, a) under every texture environment mode.
KaIntrusivePtr<Ka3DTexture> newAtlasTexture(const KaImage& blank)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->setInternalFormat(GL_LUMINANCE8_ALPHA8);
    texture->load(blank);
    return texture;
}

unsigned long capacity(const KaVector2s32& atlas, const KaVector2s32& cell)
{
    if (cell.x <= 0 || cell.y <= 0)
        return 0;
    return static_cast<unsigned long>(atlas.x / cell.x) * static_cast<unsigned long>(atlas.y / cell.y);
}

// Coverage of bitmap pixel (x, y), y counted from the top row.
unsigned char coverage(const FT_Bitmap& bitmap, int x, int y)
{
    const int rows = static_cast<int>(bitmap.rows);
    const int pitch = bitmap.pitch;
    const unsigned char* row = pitch >= 0 ? bitmap.buffer + static_cast<long>(y) * pitch
                                          : bitmap.buffer + static_cast<long>(rows - 1 - y) * -pitch;
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY:
        return row[x];
    case FT_PIXEL_MODE_MONO:
        return ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
    case FT_PIXEL_MODE_BGRA:
        return row[x * 4 + 3];
    default:
        return 0;
    }
}

} // namespace

KaFont3::FontSizeData::FontSizeData()
    : atlasSize(0, 0)
    , cellSize(0, 0)
{
}

KaFont3::KaFont3()
    : mLibrary(nullptr)
    , mStream(nullptr)
    , mFace(nullptr)
    , mPixelSize(0)
{
}

KaFont3::~KaFont3() { unload(); }

bool KaFont3::load(const KaPath& path)
{
    unload();
    setAccessName(path);
    mPath = path;
    FT_Error error = FT_Init_FreeType(&mLibrary);
    if (error) {
        mLibrary = nullptr;
        KaPrintf("KaFont3::glyph: FT_Init_FreeType error %x\n", static_cast<unsigned int>(error));
        return false;
    }
    if (!mFile.open(path, KaFileSystem::Read)) {
        KaPrintf("KaFont3::glyph: KaFile::open error on file \"%s\"\n", path.c_str());
        unload();
        return false;
    }
    mStream = new FT_StreamRec();
    KaMemset(mStream, 0, sizeof(FT_StreamRec));
    mStream->base = nullptr;
    mStream->size = mFile.size();
    mStream->pos = 0;
    mStream->descriptor.pointer = this;
    mStream->read = &KaFont3StreamRead;
    mStream->close = &KaFont3StreamClose;
    FT_Open_Args arguments;
    KaMemset(&arguments, 0, sizeof(arguments));
    arguments.flags = FT_OPEN_STREAM;
    arguments.stream = mStream;
    error = FT_Open_Face(mLibrary, &arguments, 0, &mFace);
    if (error) {
        mFace = nullptr;
        KaPrintf(
            "KaFont3::glyph: FT_Open_Face error %x, can't load %s\n", static_cast<unsigned int>(error), path.c_str());
        unload();
        return false;
    }
    return true;
}

void KaFont3::unload()
{
    if (mFace)
        FT_Done_Face(mFace);
    mFace = nullptr;
    mPixelSize = 0;
    mFile.close();
    delete mStream;
    mStream = nullptr;
    if (mLibrary)
        FT_Done_FreeType(mLibrary);
    mLibrary = nullptr;
    mSizes.clear();
}

KaVector2s32 KaFont3::baseCellSize(unsigned long size)
{
    const long side = static_cast<long>(std::min(size, mMaxPixelSize));
    return KaVector2s32(static_cast<int32_t>(side + 2), static_cast<int32_t>(static_cast<long>(side * 1.2) + 2));
}

KaFont3::FontSizeData& KaFont3::sizeData(unsigned long size)
{
    std::map<unsigned long, FontSizeData>::iterator found = mSizes.find(size);
    if (found != mSizes.end())
        return found->second;
    FontSizeData& data = mSizes[size];
    data.atlasSize = KaVector2s32(mAtlasWidth, mAtlasHeight);
    data.cellSize = baseCellSize(size);
    KaImage image;
    image.create(mAtlasWidth, mAtlasHeight, KaIntrusivePtr<KaPalette>(), RGBA8888);
    // Transparent black: every byte 0.
    KaMemset(image.buffer(), 0, image.bufferSize());
    data.texture = newAtlasTexture(image);
    return data;
}

bool KaFont3::setPixelSize(unsigned long size)
{
    if (size > mMaxPixelSize) {
        KaPrintf("KaFont3::glyph: pixel size %lu too large (at most %lu)\n", size, mMaxPixelSize);
        return false;
    }
    // Every glyph and kerning request names its size: asking FreeType to
    // rescale only when it changes keeps a text's layout cheap.
    if (size == mPixelSize)
        return true;
    const FT_Error error = FT_Set_Pixel_Sizes(mFace, static_cast<FT_UInt>(size), static_cast<FT_UInt>(size));
    mPixelSize = error ? 0 : size;
    if (error) {
        KaPrintf("KaFont3::glyph: FT_Set_Pixel_Sizes error %x\n", static_cast<unsigned int>(error));
        return false;
    }
    return true;
}

bool KaFont3::renderSlot(unsigned int unicode)
{
    FT_Error error = FT_Select_Charmap(mFace, FT_ENCODING_UNICODE);
    if (error) {
        KaPrintf("KaFont3::glyph: FT_Select_CharMap error %x\n", static_cast<unsigned int>(error));
        return false;
    }
    const FT_UInt index = FT_Get_Char_Index(mFace, unicode);
    if (index == 0) {
        KaPrintf("KaFont3::glyph: FT_Get_Char_Index error %x can't find character U+%x in the font\n", 0u, unicode);
        return false;
    }
    // Loaded first and rendered only when its box is of a sane size: a
    // damaged font can describe a glyph whose bitmap would take gigabytes.
    error = FT_Load_Glyph(mFace, index, FT_LOAD_DEFAULT);
    if (error) {
        KaPrintf("KaFont3::glyph: FT_Load_Glyph error %x\n", static_cast<unsigned int>(error));
        return false;
    }
    const FT_Glyph_Metrics& metrics = mFace->glyph->metrics;
    const long side = static_cast<long>(mMaxCellSide) << 6;
    if (metrics.width > side || metrics.height > side || metrics.width < 0 || metrics.height < 0) {
        KaPrintf("KaFont3::glyph: glyph U+%x too large to draw\n", unicode);
        return false;
    }
    error = FT_Render_Glyph(mFace->glyph, FT_RENDER_MODE_NORMAL);
    if (error) {
        KaPrintf("KaFont3::glyph: FT_Load_Glyph error %x\n", static_cast<unsigned int>(error));
        return false;
    }
    return true;
}

KaFont3::GlyphData KaFont3::glyph(unsigned long size, unsigned int code)
{
    const unsigned int unicode = getUnicodeFromISO(code);
    GlyphData result;
    result.code = unicode;
    if (!mFace || size == 0)
        return result;
    if (size > mMaxPixelSize) {
        setPixelSize(size);
        return result;
    }
    FontSizeData& data = sizeData(size);
    const unsigned long count = data.glyphs.size();
    const GlyphData* glyphs = data.glyphs.constData();
    for (unsigned long i = 0; i < count; ++i) {
        if (glyphs[i].code == unicode)
            return glyphs[i];
    }
    const unsigned long unplaced = data.unplaced.size();
    for (unsigned long i = 0; i < unplaced; ++i) {
        if (data.unplaced[i].code == unicode)
            return data.unplaced[i];
    }
    if (!setPixelSize(size) || !renderSlot(unicode))
        return result;
    return place(data, size, unicode);
}

KaFont3::GlyphData KaFont3::place(FontSizeData& data, unsigned long size, unsigned int unicode)
{
    const FT_GlyphSlot slot = mFace->glyph;
    const int width = static_cast<int>(slot->bitmap.width);
    const int rows = static_cast<int>(slot->bitmap.rows);
    // One free texel right of and above every bitmap keeps linear filtering
    // from picking up the neighbour's edge.
    // A cell that must widen takes a quarter more than the glyph needs, so
    // that the next overhanging glyphs of the text seldom rebuild it again.
    KaVector2s32 cell = data.cellSize;
    if (width + 1 > cell.x)
        cell.x = std::min(width + 1 + (width + 1) / 4, static_cast<int32_t>(mMaxCellSide));
    if (rows + 1 > cell.y)
        cell.y = std::min(rows + 1 + (rows + 1) / 4, static_cast<int32_t>(mMaxCellSide));
    const unsigned long count = data.glyphs.size();
    if (cell.x != data.cellSize.x || cell.y != data.cellSize.y || capacity(data.atlasSize, cell) < count + 1) {
        KaVector2s32 atlas = data.atlasSize;
        while (capacity(atlas, cell) < count + 1) {
            const KaVector2s32 larger(std::min(atlas.x * 2, static_cast<int32_t>(mMaxAtlasSide)),
                std::min(atlas.y * 2, static_cast<int32_t>(mMaxAtlasSide)));
            if (larger.x == atlas.x && larger.y == atlas.y)
                break;
            atlas = larger;
        }
        if (capacity(atlas, cell) < count + 1) {
            KaPrintf("KaFont3::glyph: glyph atlas full at size %lu, U+%x not drawn\n", size, unicode);
            GlyphData blank;
            blank.code = unicode;
            blank.bearingX = static_cast<float>(slot->bitmap_left);
            blank.bearingY = static_cast<float>(slot->bitmap_top);
            blank.advance = static_cast<float>(slot->advance.x >> 6);
            data.unplaced.pushBack(blank);
            return blank;
        }
        rebuild(data, size, atlas, cell);
        // The rebuild rendered other glyphs into the slot.
        if (!renderSlot(unicode)) {
            GlyphData blank;
            blank.code = unicode;
            return blank;
        }
    }
    const KaVector2s32 grid(data.atlasSize.x / data.cellSize.x, data.atlasSize.y / data.cellSize.y);
    GlyphData result;
    result.code = unicode;
    result.bearingX = static_cast<float>(slot->bitmap_left);
    result.bearingY = static_cast<float>(slot->bitmap_top);
    result.width = static_cast<float>(std::min(static_cast<int>(slot->bitmap.width), data.cellSize.x - 1));
    result.height = static_cast<float>(std::min(static_cast<int>(slot->bitmap.rows), data.cellSize.y - 1));
    result.advance = static_cast<float>(slot->advance.x >> 6);
    const long column = static_cast<long>(count % static_cast<unsigned long>(grid.x));
    const long row = static_cast<long>(count / static_cast<unsigned long>(grid.x));
    result.atlasPosition = KaVector2s32(
        static_cast<int32_t>(column * data.cellSize.x + 1), static_cast<int32_t>(row * data.cellSize.y + 1));
    data.glyphs.pushBack(result);
    upload(data, result);
    return result;
}

void KaFont3::rebuild(FontSizeData& data, unsigned long size, const KaVector2s32& atlas, const KaVector2s32& cell)
{
    KaArray<unsigned int> codes;
    const unsigned long count = data.glyphs.size();
    codes.reserve(count);
    for (unsigned long i = 0; i < count; ++i)
        codes.pushBack(data.glyphs[i].code);
    data.glyphs.clear();
    data.atlasSize = atlas;
    data.cellSize = cell;
    KaImage image;
    image.create(
        static_cast<unsigned int>(atlas.x), static_cast<unsigned int>(atlas.y), KaIntrusivePtr<KaPalette>(), RGBA8888);
    // Transparent black: every byte 0.
    KaMemset(image.buffer(), 0, image.bufferSize());
    data.texture = newAtlasTexture(image);
    for (unsigned long i = 0; i < count; ++i) {
        // The cell fits every glyph placed before and the grid holds them
        // all, so placing cannot rebuild again.
        if (renderSlot(codes[i]))
            place(data, size, codes[i]);
    }
}

void KaFont3::upload(FontSizeData& data, const GlyphData& glyph)
{
    const int width = static_cast<int>(glyph.width);
    const int rows = static_cast<int>(glyph.height);
    if (width <= 0 || rows <= 0)
        return;
    const FT_Bitmap& bitmap = mFace->glyph->bitmap;
    KaImage image;
    if (!image.create(
            static_cast<unsigned int>(width), static_cast<unsigned int>(rows), KaIntrusivePtr<KaPalette>(), RGBA8888))
        return;
    for (int y = 0; y < rows; ++y) {
        // Images are stored bottom row first.
        unsigned char* out = image.row(static_cast<unsigned int>(rows - 1 - y));
        for (int x = 0; x < width; ++x) {
            out[x * 4 + 0] = 0;
            out[x * 4 + 1] = 0;
            out[x * 4 + 2] = 0;
            out[x * 4 + 3] = coverage(bitmap, x, y);
        }
    }
    data.texture->update(
        image, static_cast<unsigned int>(glyph.atlasPosition.x), static_cast<unsigned int>(glyph.atlasPosition.y));
}

KaVector3f32 KaFont3::kerning(unsigned long size, unsigned int left, unsigned int right)
{
    const unsigned int leftCode = getUnicodeFromISO(left);
    const unsigned int rightCode = getUnicodeFromISO(right);
    // A size of 0 (a text whose markup names none) measures nothing, quietly.
    if (!mFace || size == 0 || !setPixelSize(size))
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    if (!FT_HAS_KERNING(mFace))
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    FT_Vector delta;
    const FT_Error error = FT_Get_Kerning(
        mFace, FT_Get_Char_Index(mFace, leftCode), FT_Get_Char_Index(mFace, rightCode), FT_KERNING_DEFAULT, &delta);
    if (error) {
        KaPrintf("KaFont3::glyph: FT_Get_Kerning error %x\n", static_cast<unsigned int>(error));
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    }
    return KaVector3f32(static_cast<float>(delta.x >> 6), static_cast<float>(delta.y >> 6), 0.0f);
}

float KaFont3::ascender(unsigned long size)
{
    if (!mFace || size == 0 || !setPixelSize(size))
        return 0.0f;
    return static_cast<float>(mFace->size->metrics.ascender >> 6);
}

float KaFont3::descender(unsigned long size)
{
    if (!mFace || size == 0 || !setPixelSize(size))
        return 0.0f;
    return static_cast<float>(mFace->size->metrics.descender >> 6);
}

float KaFont3::height(unsigned long size)
{
    if (!mFace || size == 0 || !setPixelSize(size))
        return 0.0f;
    return static_cast<float>(mFace->size->metrics.height >> 6);
}

KaIntrusivePtr<Ka3DTexture> KaFont3::texture(unsigned long size) const
{
    std::map<unsigned long, FontSizeData>::const_iterator found = mSizes.find(size);
    return found == mSizes.end() ? KaIntrusivePtr<Ka3DTexture>() : found->second.texture;
}

KaVector2s32 KaFont3::atlasSize(unsigned long size) const
{
    std::map<unsigned long, FontSizeData>::const_iterator found = mSizes.find(size);
    return found == mSizes.end() ? KaVector2s32(0, 0) : found->second.atlasSize;
}

KaVector2s32 KaFont3::cellSize(unsigned long size) const
{
    std::map<unsigned long, FontSizeData>::const_iterator found = mSizes.find(size);
    return found == mSizes.end() ? KaVector2s32(0, 0) : found->second.cellSize;
}

unsigned long KaFont3::glyphCount(unsigned long size) const
{
    std::map<unsigned long, FontSizeData>::const_iterator found = mSizes.find(size);
    return found == mSizes.end() ? 0 : found->second.glyphs.size();
}

unsigned int getUnicodeFromISO(unsigned int code)
{
    if (code < 161 || code > 255)
        return code;
    if (core.get()->language() == "ru") {
        if (code == 173)
            return 173;
        if (code == 240)
            return 0x2116;
        if (code == 253)
            return 0xA7;
        return code + 864;
    }
    if (code == 188)
        return 0x152;
    if (code == 189)
        return 0x153;
    return code;
}
