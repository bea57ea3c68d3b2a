#ifndef KA_TEXT_TEST_SUPPORT_H
#define KA_TEXT_TEST_SUPPORT_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <GL/gl.h>

#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/gui/KaFont3.h"

// The installed DejaVu fonts (fonts-dejavu-core, fonts-dejavu-extra).
inline std::string KaDejaVu(const char* file) { return std::string("/usr/share/fonts/truetype/dejavu/") + file; }

// A plain FreeType face on the same file, for the expected metrics: the
// tests compare with what FreeType says, never with pixel counts of their own.
class KaReferenceFace {
public:
    KaReferenceFace(const std::string& path, unsigned long size)
        : mLibrary(nullptr)
        , mFace(nullptr)
    {
        FT_Init_FreeType(&mLibrary);
        FT_New_Face(mLibrary, path.c_str(), 0, &mFace);
        FT_Set_Pixel_Sizes(mFace, static_cast<FT_UInt>(size), static_cast<FT_UInt>(size));
        FT_Select_Charmap(mFace, FT_ENCODING_UNICODE);
    }
    ~KaReferenceFace()
    {
        FT_Done_Face(mFace);
        FT_Done_FreeType(mLibrary);
    }
    KaReferenceFace(const KaReferenceFace&) = delete;
    KaReferenceFace& operator=(const KaReferenceFace&) = delete;

    bool has(unsigned int unicode) const { return FT_Get_Char_Index(mFace, unicode) != 0; }
    // Renders the glyph into the slot and returns it.
    FT_GlyphSlot render(unsigned int unicode)
    {
        FT_Load_Glyph(mFace, FT_Get_Char_Index(mFace, unicode), FT_LOAD_RENDER);
        return mFace->glyph;
    }
    int advance(unsigned int unicode) { return static_cast<int>(render(unicode)->advance.x >> 6); }
    int kerning(unsigned int left, unsigned int right)
    {
        FT_Vector delta = { 0, 0 };
        FT_Get_Kerning(
            mFace, FT_Get_Char_Index(mFace, left), FT_Get_Char_Index(mFace, right), FT_KERNING_DEFAULT, &delta);
        return static_cast<int>(delta.x >> 6);
    }
    float ascender() const { return static_cast<float>(mFace->size->metrics.ascender >> 6); }
    float descender() const { return static_cast<float>(mFace->size->metrics.descender >> 6); }
    float height() const { return static_cast<float>(mFace->size->metrics.height >> 6); }
    FT_Face face() const { return mFace; }

private:
    FT_Library mLibrary;
    FT_Face mFace;
};

// The alpha plane of a texture read back from GL, row 0 at the bottom
// (the atlas's own row order).
inline std::vector<unsigned char> KaTextureAlpha(const Ka3DTexture& texture)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(texture.textureWidth()) * texture.textureHeight() * 4);
    glBindTexture(GL_TEXTURE_2D, texture.glName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<unsigned char> alpha(rgba.size() / 4);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = rgba[i * 4 + 3];
    return alpha;
}

// What the atlas of one size must hold: each glyph's FreeType bitmap at its
// atlas position (bottom row of the bitmap on the position's row), nothing
// anywhere else.
inline std::vector<unsigned char> KaExpectedAtlas(
    KaReferenceFace& face, const KaVector2s32& atlas, const std::vector<KaFont3::GlyphData>& glyphs)
{
    std::vector<unsigned char> alpha(static_cast<size_t>(atlas.x) * atlas.y, 0);
    for (const KaFont3::GlyphData& glyph : glyphs) {
        if (!face.has(glyph.code))
            continue;
        const FT_Bitmap& bitmap = face.render(glyph.code)->bitmap;
        const int rows = static_cast<int>(bitmap.rows);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < static_cast<int>(bitmap.width); ++x) {
                const int ax = glyph.atlasPosition.x + x;
                const int ay = glyph.atlasPosition.y + rows - 1 - y;
                alpha[static_cast<size_t>(ay) * atlas.x + ax] = bitmap.buffer[y * bitmap.pitch + x];
            }
        }
    }
    return alpha;
}

// Sets the core's language for the life of the object.
class KaLanguageScope {
public:
    explicit KaLanguageScope(const char* code)
        : mSaved(core.get()->language())
    {
        core.get()->language(code);
    }
    ~KaLanguageScope() { core.get()->language(mSaved); }

private:
    KaString mSaved;
};

#endif
