// Font files, damaged, through KaFont3: the face opens from an engine file,
// glyphs of a few sizes go into the atlas, and a rich-text block lays a line
// out with them. Every glyph must lie inside its atlas, whatever the font
// claims.

#include <cmath>

#include "engine/gui/KaFont3.h"
#include "engine/gui/KaTextBase2.h"
#include "fuzz/support/KaFuzzGLContext.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    KaFuzzCheck(KaFuzzMakeGLContext(), "an offscreen GL context");
    return 0;
}

namespace {

void checkInside(KaFont3& font, unsigned long size, const KaFont3::GlyphData& glyph)
{
    const KaVector2s32 atlas = font.atlasSize(size);
    KaFuzzCheck(glyph.width >= 0.0f && glyph.height >= 0.0f, "glyph sizes are not negative");
    if (glyph.width == 0.0f || glyph.height == 0.0f)
        return;
    KaFuzzCheck(glyph.atlasPosition.x >= 1 && glyph.atlasPosition.y >= 1, "glyphs start inside the atlas");
    KaFuzzCheck(glyph.atlasPosition.x + glyph.width <= static_cast<float>(atlas.x)
            && glyph.atlasPosition.y + glyph.height <= static_cast<float>(atlas.y),
        "glyphs end inside the atlas");
    const KaVector2s32 cell = font.cellSize(size);
    KaFuzzCheck(glyph.width < static_cast<float>(cell.x) && glyph.height < static_cast<float>(cell.y),
        "glyphs stay inside their cell");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    if (!font->load(KaFuzzWriteFile("font.ttf", data, size)))
        return 0;
    const unsigned int codes[] = { 'A', 'B', 'W', 'g', ' ', 0xE9, 0x416, 0 };
    // One size: every size costs an atlas texture, the bulk of a run.
    const unsigned long pixels = 30;
    for (unsigned int code : codes)
        checkInside(*font, pixels, font->glyph(pixels, code));
    for (unsigned int code : codes)
        checkInside(*font, pixels, font->glyph(pixels, code));
    font->kerning(pixels, 'A', 'B');
    font->ascender(pixels);
    font->descender(pixels);
    font->height(pixels);
    KaTextBase2 block;
    block.setFont(0, font);
    block.setFontSize(pixels);
    block.setRect(KaVector2s32(120, 10));
    block.setAlignStyle(KaTextBase2::Justify);
    block.setText("AB WgA  B\xE9W AAAA BW ");
    const KaVector2s32 laidOut = block.size();
    KaFuzzCheck(laidOut.x >= 0 && laidOut.y >= 0, "the block's size is not negative");
    const KaMesh& mesh = block.mesh();
    for (unsigned long v = 0; v < mesh.vertexCount(); ++v) {
        const KaVector2f32 uv = mesh.textureUV(v);
        KaFuzzCheck(uv.x >= 0.0f && uv.x <= 1.0f && uv.y >= 0.0f && uv.y <= 1.0f, "quads sample the atlas only");
    }
    return 0;
}
