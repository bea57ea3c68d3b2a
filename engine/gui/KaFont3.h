#ifndef KA_FONT3_H
#define KA_FONT3_H

#include <map>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct FT_StreamRec_;

// A TrueType or OpenType font read by FreeType through an engine file, whose
// glyphs are rendered on demand, one pixel size at a time, into a glyph atlas
// texture: a grid of equal cells, filled row by row from the bottom-left.
// Atlases are stored as luminance and alpha (luminance 0): two bytes a texel.
//
// Codes handed to glyph() and kerning() are the bytes of the engine's 8-bit
// texts; they go through getUnicodeFromISO first.
//
// Cells are (size + 2) x (int(size * 1.2) + 2) texels, widened to the largest
// bitmap met so far when a glyph does not fit (italic and Cyrillic capitals
// often overhang), so that no glyph ever covers part of its neighbour. When
// the grid is full, or the cells widen, the atlas is rebuilt: glyphs are
// rendered anew, possibly elsewhere. A caller therefore asks for every glyph
// of a text before it reads atlas positions and the texture.
//
// The face reads its file on demand: the file stays open while the font is
// loaded. A shared resource (KaResourceManager::getResource<KaFont3>);
// counted, main thread only, needs the GL context of its textures.
class KaFont3 : public KaResource {
public:
    class GlyphData {
    public:
        GlyphData()
            : bearingX(0.0f)
            , bearingY(0.0f)
            , width(0.0f)
            , height(0.0f)
            , advance(0.0f)
            , atlasPosition(0, 0)
            , code(0)
        {
        }

        // Bitmap offset from the pen: left, and top above the baseline.
        float bearingX;
        float bearingY;
        // Bitmap size in pixels (the part held by the atlas).
        float width;
        float height;
        // Whole pixels.
        float advance;
        // Texel of the bitmap's bottom-left corner in the atlas.
        KaVector2s32 atlasPosition;
        // Unicode.
        unsigned int code;
    };

    class FontSizeData {
    public:
        FontSizeData();
        KaIntrusivePtr<Ka3DTexture> texture;
        // In placement order: glyph i sits in cell i.
        KaArray<GlyphData> glyphs;
        // Glyphs the full atlas could not take: their metrics, no picture.
        KaArray<GlyphData> unplaced;
        KaVector2s32 atlasSize;
        KaVector2s32 cellSize;
    };

    // The atlas a size starts with: room for a hundred glyphs at the sizes
    // texts mostly use; it doubles when full, so a size that needs few
    // glyphs, as most do, costs little memory.
    static constexpr int mAtlasWidth = 256;
    static constexpr int mAtlasHeight = 256;
    // Beyond these the atlas no longer grows: glyphs that find no cell keep
    // their metrics and show nothing.
    static constexpr int mMaxAtlasSide = 4096;
    static constexpr int mMaxCellSide = 2048;
    // Larger pixel sizes are refused: a glyph of that size would cost a
    // bitmap of tens of megabytes for nothing anyone can read.
    static constexpr unsigned long mMaxPixelSize = 1024;

    KaFont3();
    ~KaFont3() override;
    KaFont3(const KaFont3&) = delete;
    KaFont3& operator=(const KaFont3&) = delete;

    // Opens the face (index 0) of the file. False, with a console line, when
    // FreeType, the file or the face fails; the font is then empty.
    bool load(const KaPath& path) override;
    // Closes the face and the file, drops every atlas.
    void unload();
    bool isLoaded() const { return mFace != nullptr; }
    const KaPath& path() const { return mPath; }

    // The record of one character at one pixel size, rendered into the atlas
    // the first time. A character the font lacks, a size of 0 or an empty
    // font give a record with zero metrics and the Unicode code.
    GlyphData glyph(unsigned long size, unsigned int code);
    // Kerning in whole pixels (x, y, 0); (0, 0, 0) without a face.
    KaVector3f32 kerning(unsigned long size, unsigned int left, unsigned int right);
    // Size metrics in whole pixels; descender is negative; 0 without a face.
    float ascender(unsigned long size);
    float descender(unsigned long size);
    float height(unsigned long size);

    // The atlas of a size, null before its first glyph.
    KaIntrusivePtr<Ka3DTexture> texture(unsigned long size) const;
    // (0, 0) before the size's first glyph.
    KaVector2s32 atlasSize(unsigned long size) const;
    KaVector2s32 cellSize(unsigned long size) const;
    // Glyphs held by the atlas of a size.
    unsigned long glyphCount(unsigned long size) const;

    // The base cell of a size: (size + 2, int(size * 1.2) + 2).
    static KaVector2s32 baseCellSize(unsigned long size);

private:
    FontSizeData& sizeData(unsigned long size);
    bool setPixelSize(unsigned long size);
    // Renders the glyph into the FreeType slot; false (with the console line)
    // when the font cannot give it.
    bool renderSlot(unsigned int unicode);
    // Places the glyph now in the slot into the next cell, rebuilding the
    // atlas first when the cell is too small or none is left.
    GlyphData place(FontSizeData& data, unsigned long size, unsigned int unicode);
    // A fresh transparent atlas of that size and cell, then every glyph it
    // held, rendered again in the same order.
    void rebuild(FontSizeData& data, unsigned long size, const KaVector2s32& atlas, const KaVector2s32& cell);
    void upload(FontSizeData& data, const GlyphData& glyph);

    KaPath mPath;
    KaFile mFile;
    FT_LibraryRec_* mLibrary;
    FT_StreamRec_* mStream;
    FT_FaceRec_* mFace;
    // The size FreeType is set to, 0 for none.
    unsigned long mPixelSize;
    std::map<unsigned long, FontSizeData> mSizes;

    friend unsigned long KaFont3StreamRead(FT_StreamRec_*, unsigned long, unsigned char*, unsigned long);
};

// An 8-bit text's character as Unicode. Under the language "ru" the codes
// are ISO-8859-5 (161..255 become U+0401..U+045F, with 173 kept, 240 the
// numero sign and 253 the section sign); otherwise ISO-8859-1 with the two
// ligatures of ISO-8859-15, 188 (U+0152) and 189 (U+0153).
unsigned int getUnicodeFromISO(unsigned int code);

#endif
