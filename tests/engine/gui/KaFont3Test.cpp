#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/graphics/KaImage.h"
#include "engine/gui/KaFont3.h"
#include "engine/gui/KaTextBase2.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/gui/KaTextTestSupport.h"
#include "tests/support/KaTestSupport.h"
#include "tools/fixtures/KaFontFixture.h"

namespace {

class KaFont3Test : public KaGLRendererTest {
protected:
    KaIntrusivePtr<KaFont3> open(const char* file)
    {
        KaIntrusivePtr<KaFont3> font(new KaFont3());
        EXPECT_TRUE(font->load(KaDejaVu(file).c_str()));
        return font;
    }

    static std::vector<KaFont3::GlyphData> collect(
        KaFont3& font, unsigned long size, const std::vector<unsigned int>& codes)
    {
        std::vector<KaFont3::GlyphData> glyphs;
        for (unsigned int code : codes)
            glyphs.push_back(font.glyph(size, code));
        return glyphs;
    }

    // Every glyph's bitmap in its place and nothing else anywhere in the atlas.
    static void expectAtlasHolds(
        KaFont3& font, const char* file, unsigned long size, const std::vector<unsigned int>& codes)
    {
        KaReferenceFace face(KaDejaVu(file), size);
        const std::vector<KaFont3::GlyphData> glyphs = collect(font, size, codes);
        const KaVector2s32 atlas = font.atlasSize(size);
        ASSERT_EQ(static_cast<unsigned int>(atlas.x), font.texture(size)->textureWidth());
        const std::vector<unsigned char> expected = KaExpectedAtlas(face, atlas, glyphs);
        const std::vector<unsigned char> actual = KaTextureAlpha(*font.texture(size));
        ASSERT_EQ(expected.size(), actual.size());
        size_t wrong = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            wrong += expected[i] != actual[i];
        EXPECT_EQ(0u, wrong) << "atlas texels differing from the glyphs' bitmaps";
    }
};

// Bits per texel of each channel of level 0 of a texture: red, luminance, alpha.
std::vector<GLint> channelBits(const Ka3DTexture& texture)
{
    std::vector<GLint> bits;
    glBindTexture(GL_TEXTURE_2D, texture.glName());
    for (GLenum channel : { GL_TEXTURE_RED_SIZE, GL_TEXTURE_LUMINANCE_SIZE, GL_TEXTURE_ALPHA_SIZE }) {
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, channel, &value);
        bits.push_back(value);
    }
    return bits;
}

// The frame buffer after one quad covering it, textured with the whole
// texture under that environment mode, over a grey background, with a
// vertex colour that is neither black nor white.
std::vector<unsigned char> drawnWith(KaGLTestContext& context, const Ka3DTexture& texture, GLint mode)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.glName());
    const GLfloat environment[4] = { 0.2f, 0.9f, 0.4f, 1.0f };
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, environment);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
    glColor4f(0.9f, 0.3f, 0.1f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    return context.readPixels();
}

TEST_F(KaFont3Test, AtlasesKeepTwoBytesATexelAndDrawLikeBlackWithCoverage)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    // A few large glyphs, so that the quad below samples a good part of them.
    // The modes are those the engine draws with (text meshes blend).
    for (unsigned int code : { 'W', 'M', '@', '#' })
        font->glyph(200, code);
    const Ka3DTexture& atlas = *font->texture(200);
    EXPECT_EQ((std::vector<GLint> { 0, 8, 8 }), channelBits(atlas));

    // The same texels as an RGBA texture: black, the coverage as alpha.
    const std::vector<unsigned char> alpha = KaTextureAlpha(atlas);
    KaImage image;
    ASSERT_TRUE(image.create(atlas.textureWidth(), atlas.textureHeight(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    for (size_t i = 0; i < alpha.size(); ++i) {
        unsigned char* texel = image.buffer() + i * 4;
        texel[0] = texel[1] = texel[2] = 0;
        texel[3] = alpha[i];
    }
    Ka3DTexture reference;
    reference.load(image);
    EXPECT_EQ((std::vector<GLint> { 8, 0, 8 }), channelBits(reference));
    size_t covered = 0;
    for (unsigned char value : alpha)
        covered += value != 0;
    ASSERT_GT(covered, alpha.size() / 50);

    for (GLint mode : { GL_BLEND, GL_MODULATE, GL_REPLACE, GL_COMBINE }) {
        SCOPED_TRACE(mode);
        const std::vector<unsigned char> drawn = drawnWith(context(), atlas, mode);
        const std::vector<unsigned char> expected = drawnWith(context(), reference, mode);
        ASSERT_EQ(expected.size(), drawn.size());
        size_t wrong = 0;
        int worst = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            wrong += drawn[i] != expected[i];
            worst = std::max(worst, std::abs(drawn[i] - expected[i]));
        }
        EXPECT_EQ(0u, wrong) << "worst " << worst;
    }
}

TEST_F(KaFont3Test, CellsFillRowsFromTheBottomLeftWithTheBaseCellArithmetic)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSansMono.ttf");
    const KaFont3::GlyphData first = font->glyph(20, 'a');
    const KaFont3::GlyphData second = font->glyph(20, 'b');
    EXPECT_EQ(KaVector2s32(1, 1), first.atlasPosition);
    EXPECT_EQ(KaVector2s32(23, 1), second.atlasPosition);
    EXPECT_EQ(KaVector2s32(22, 26), font->cellSize(20));
    EXPECT_EQ(KaVector2s32(256, 256), font->atlasSize(20));
    // 11 columns: the 12th glyph opens the second row.
    std::vector<unsigned int> codes;
    for (char code : std::string("cdefghijk"))
        codes.push_back(static_cast<unsigned int>(code));
    collect(*font, 20, codes);
    EXPECT_EQ(KaVector2s32(10 * 22 + 1, 1), font->glyph(20, codes.back()).atlasPosition);
    EXPECT_EQ(KaVector2s32(1, 27), font->glyph(20, '0').atlasPosition);
}

TEST_F(KaFont3Test, GlyphMetricsAndLineMetricsAreFreeTypes)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    KaReferenceFace face(KaDejaVu("DejaVuSans.ttf"), 24);
    for (unsigned int code : { 'A', 'g', 'W', ' ', '.' }) {
        SCOPED_TRACE(static_cast<char>(code));
        const KaFont3::GlyphData glyph = font->glyph(24, code);
        FT_GlyphSlot slot = face.render(code);
        EXPECT_EQ(static_cast<float>(slot->bitmap_left), glyph.bearingX);
        EXPECT_EQ(static_cast<float>(slot->bitmap_top), glyph.bearingY);
        EXPECT_EQ(static_cast<float>(slot->bitmap.width), glyph.width);
        EXPECT_EQ(static_cast<float>(slot->bitmap.rows), glyph.height);
        EXPECT_EQ(static_cast<float>(slot->advance.x >> 6), glyph.advance);
        EXPECT_EQ(code, glyph.code);
    }
    EXPECT_EQ(face.ascender(), font->ascender(24));
    EXPECT_EQ(face.descender(), font->descender(24));
    EXPECT_LT(font->descender(24), 0.0f);
    EXPECT_EQ(face.height(), font->height(24));
    EXPECT_EQ(static_cast<float>(face.kerning('A', 'V')), font->kerning(24, 'A', 'V').x);
}

TEST_F(KaFont3Test, AskingTwiceRendersOnce)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    const KaFont3::GlyphData first = font->glyph(16, 'x');
    const KaFont3::GlyphData again = font->glyph(16, 'x');
    EXPECT_EQ(first.atlasPosition, again.atlasPosition);
    EXPECT_EQ(first.advance, again.advance);
    EXPECT_EQ(1u, font->glyphCount(16));
    // Another size has its own atlas.
    font->glyph(17, 'x');
    EXPECT_EQ(1u, font->glyphCount(17));
    EXPECT_NE(font->texture(16)->glName(), font->texture(17)->glName());
}

TEST_F(KaFont3Test, EightBitCodesReadAsTheLanguageSays)
{
    struct Case {
        const char* language;
        unsigned int code;
        unsigned int unicode;
    };
    const Case cases[] = {
        { "ru", 192, 0x420 },
        { "ru", 161, 0x401 },
        { "ru", 255, 0x45F },
        { "ru", 240, 0x2116 },
        { "ru", 253, 0xA7 },
        { "ru", 173, 173 },
        { "ru", 65, 65 },
        { "ru", 160, 160 },
        { "fr", 188, 0x152 },
        { "fr", 189, 0x153 },
        { "fr", 192, 192 },
        { "fr", 233, 233 },
        { "en", 188, 0x152 },
    };
    for (const Case& c : cases) {
        KaLanguageScope language(c.language);
        EXPECT_EQ(c.unicode, getUnicodeFromISO(c.code)) << c.language << " " << c.code;
    }
    // Through the font: the record carries the Unicode code.
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    KaLanguageScope russian("ru");
    EXPECT_EQ(0x420u, font->glyph(12, 192).code);
    EXPECT_GT(font->glyph(12, 192).advance, 0.0f);
}

TEST_F(KaFont3Test, MissingCharacterGivesAnEmptyRecordAndALine)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    KaCaptureStdout capture;
    const KaFont3::GlyphData glyph = font->glyph(16, 0x4E00);
    EXPECT_NE(std::string::npos, capture.text().find("can't find character U+4e00 in the font"));
    EXPECT_EQ(0.0f, glyph.advance);
    EXPECT_EQ(0.0f, glyph.width);
    EXPECT_EQ(0x4E00u, glyph.code);
    EXPECT_EQ(0u, font->glyphCount(16));
}

TEST_F(KaFont3Test, FontsThatDoNotLoadAnswerZeroQuietly)
{
    KaTempDir dir;
    dir.write("broken.ttf", std::string("\0\1\0\0 not really a font", 23));
    struct Case {
        std::string path;
        const char* line;
    };
    const Case cases[] = {
        { dir.file("missing.ttf"), "KaFile::open error on file" },
        { dir.file("broken.ttf"), "FT_Open_Face error" },
    };
    for (const Case& c : cases) {
        KaFont3 font;
        {
            KaCaptureStdout capture;
            EXPECT_FALSE(font.load(c.path.c_str()));
            EXPECT_NE(std::string::npos, capture.text().find(c.line)) << c.path;
        }
        KaCaptureStdout capture;
        EXPECT_EQ(0.0f, font.ascender(12));
        EXPECT_EQ(0.0f, font.descender(12));
        EXPECT_EQ(0.0f, font.height(12));
        EXPECT_EQ(KaVector3f32(0, 0, 0), font.kerning(12, 'A', 'V'));
        EXPECT_EQ(0.0f, font.glyph(12, 'A').advance);
        EXPECT_EQ("", capture.text());
    }
}

TEST_F(KaFont3Test, AFullAtlasDoublesAndKeepsEveryGlyph)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    KaReferenceFace face(KaDejaVu("DejaVuSans.ttf"), 20);
    // 11 x 9 cells of 22 x 26 at size 20; one more than fit.
    std::vector<unsigned int> codes;
    for (unsigned int code = 0x100; codes.size() < 11 * 9 + 1; ++code) {
        if (face.has(code) && face.render(code)->bitmap.width < 22 && face.render(code)->bitmap.rows < 26)
            codes.push_back(code);
    }
    std::vector<unsigned int> first(codes.begin(), codes.end() - 1);
    collect(*font, 20, first);
    EXPECT_EQ(KaVector2s32(256, 256), font->atlasSize(20));
    font->glyph(20, codes.back());
    EXPECT_EQ(KaVector2s32(512, 512), font->atlasSize(20));
    EXPECT_EQ(512u, font->texture(20)->textureWidth());
    EXPECT_EQ((std::vector<GLint> { 0, 8, 8 }), channelBits(*font->texture(20)));
    EXPECT_EQ(codes.size(), font->glyphCount(20));
    // Re-placed in the order they were first asked for, in the wider grid.
    EXPECT_EQ(KaVector2s32(11 * 22 + 1, 1), font->glyph(20, codes[11]).atlasPosition);
    expectAtlasHolds(*font, "DejaVuSans.ttf", 20, codes);
}

TEST_F(KaFont3Test, GlyphsWiderThanTheBaseCellNeverCoverTheirNeighbours)
{
    struct Case {
        const char* file;
        unsigned long size;
        unsigned int wide;
    };
    // Serif U+042E at 16 px and Sans U+0416 at 36 px render wider than the
    // base cell (18 and 38 texels).
    const Case cases[] = { { "DejaVuSerif.ttf", 16, 0x42E }, { "DejaVuSans.ttf", 36, 0x416 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        KaReferenceFace face(KaDejaVu(c.file), c.size);
        const int width = static_cast<int>(face.render(c.wide)->bitmap.width);
        ASSERT_GT(width + 1, KaFont3::baseCellSize(c.size).x) << "the case no longer overflows the base cell";
        KaIntrusivePtr<KaFont3> font = open(c.file);
        // Neighbours on both sides, placed before and after.
        const std::vector<unsigned int> codes = { 0x416, 0x42E, 'M', c.wide, 0x429, 'W', 0x448 };
        const std::vector<KaFont3::GlyphData> glyphs = collect(*font, c.size, codes);
        EXPECT_GE(font->cellSize(c.size).x, width + 1);
        EXPECT_EQ(static_cast<float>(width), font->glyph(c.size, c.wide).width);
        expectAtlasHolds(*font, c.file, c.size, codes);
    }
}

TEST_F(KaFont3Test, HugeSizesAreRefused)
{
    KaIntrusivePtr<KaFont3> font = open("DejaVuSans.ttf");
    KaCaptureStdout capture;
    EXPECT_EQ(0.0f, font->glyph(100000, 'A').advance);
    EXPECT_EQ(0.0f, font->ascender(100000));
    EXPECT_NE(std::string::npos, capture.text().find("too large"));
    EXPECT_EQ(0u, font->glyphCount(100000));
}

} // namespace

namespace {

TEST_F(KaFont3Test, AnAtlasAtItsLargestLeavesFurtherGlyphsWithoutAPicture)
{
    // Cells of 1002 x 1202: the largest atlas, 4096 x 4096, holds 4 x 3.
    KaIntrusivePtr<KaFont3> font = open("DejaVuSansMono.ttf");
    const std::string codes = "ABCDEFGHIJKLM";
    for (size_t i = 0; i + 1 < codes.size(); ++i)
        EXPECT_GT(font->glyph(1000, static_cast<unsigned char>(codes[i])).width, 0.0f);
    EXPECT_EQ(KaVector2s32(4096, 4096), font->atlasSize(1000));
    KaReferenceFace face(KaDejaVu("DejaVuSansMono.ttf"), 1000);
    KaCaptureStdout capture;
    const KaFont3::GlyphData last = font->glyph(1000, 'M');
    const KaFont3::GlyphData again = font->glyph(1000, 'M');
    const std::string lines = capture.text();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), '\n'));
    EXPECT_NE(std::string::npos, lines.find("glyph atlas full at size 1000, U+4d not drawn"));
    EXPECT_EQ(0.0f, last.width);
    EXPECT_EQ(static_cast<float>(face.advance('M')), last.advance);
    EXPECT_EQ(last.advance, again.advance);
    EXPECT_EQ(12u, font->glyphCount(1000));
}

} // namespace

namespace {

class KaTinyFontTest : public KaFont3Test {
protected:
    std::string write(const std::string& bytes)
    {
        mDir.write("tiny.ttf", bytes);
        return mDir.file("tiny.ttf");
    }
    KaTempDir mDir;
};

TEST_F(KaTinyFontTest, KerningPairsAndWideGlyphsOfAFontWithALegacyKernTable)
{
    const std::string path = write(KaTinyFont());
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    ASSERT_TRUE(font->load(path.c_str()));
    KaReferenceFace face(path, 20);
    EXPECT_NE(0, face.kerning('A', 'B'));
    EXPECT_EQ(static_cast<float>(face.kerning('A', 'B')), font->kerning(20, 'A', 'B').x);
    EXPECT_EQ(0.0f, font->kerning(20, 'B', 'A').x);
    // 'W' is 1.4 em wide: wider than the base cell of any size.
    const KaFont3::GlyphData wide = font->glyph(20, 'W');
    EXPECT_EQ(static_cast<float>(face.render('W')->bitmap.width), wide.width);
    EXPECT_GT(wide.width + 1, static_cast<float>(KaFont3::baseCellSize(20).x));
    EXPECT_GE(font->cellSize(20).x, static_cast<int>(wide.width) + 1);
    EXPECT_EQ(static_cast<float>(face.advance(' ')), font->glyph(20, ' ').advance);
}

TEST_F(KaTinyFontTest, EveryTruncationFailsOrKeepsItsGlyphsInsideTheAtlas)
{
    const std::string whole = KaTinyFont();
    for (size_t length = 0; length < whole.size(); length += 3) {
        const std::string path = write(whole.substr(0, length));
        KaCaptureStdout quiet;
        KaFont3 font;
        if (!font.load(path.c_str()))
            continue;
        for (unsigned int code : { 'A', 'B', 'W', ' ', 'z' }) {
            const KaFont3::GlyphData glyph = font.glyph(16, code);
            const KaVector2s32 atlas = font.atlasSize(16);
            EXPECT_LE(glyph.atlasPosition.x + glyph.width, static_cast<float>(atlas.x)) << length;
            EXPECT_LE(glyph.atlasPosition.y + glyph.height, static_cast<float>(atlas.y)) << length;
        }
        font.kerning(16, 'A', 'B');
        font.height(16);
    }
}

} // namespace

namespace {

// The tiny font with a line gap so negative that FreeType's line height is
// below 0 (as a fuzzer found).
std::string upsideDownFont()
{
    std::string font = KaTinyFont();
    const unsigned int tables = (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
    for (unsigned int t = 0; t < tables; ++t) {
        const size_t record = 12 + 16 * t;
        if (font.compare(record, 4, "hhea") != 0)
            continue;
        size_t offset = 0;
        for (int k = 0; k < 4; ++k)
            offset = (offset << 8) | static_cast<unsigned char>(font[record + 8 + k]);
        // Ascender and descender 0, line gap -32768 units.
        for (size_t k = 4; k < 10; ++k)
            font[offset + k] = 0;
        font[offset + 8] = static_cast<char>(0x80);
    }
    return font;
}

TEST_F(KaTinyFontTest, ANegativeLineHeightNeverGivesANegativeSize)
{
    const std::string path = write(upsideDownFont());
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    ASSERT_TRUE(font->load(path.c_str()));
    ASSERT_LT(font->height(20), 0.0f) << "the damaged font no longer has a negative line height";
    KaTextBase2 block;
    block.setFont(0, font);
    block.setFontSize(20);
    block.setRect(KaVector2s32(40, 10));
    block.setText("AB AB AB");
    EXPECT_EQ(0, block.size().y);
    EXPECT_GE(block.size().x, 0);
}

} // namespace

namespace {

TEST_F(KaTinyFontTest, KerningMovesTheNextGlyphInTheBlock)
{
    const std::string path = write(KaTinyFont());
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    ASSERT_TRUE(font->load(path.c_str()));
    KaReferenceFace face(path, 20);
    const float k = static_cast<float>(face.kerning('A', 'B'));
    ASSERT_NE(0.0f, k);
    float x[2][4];
    int width[2];
    for (int on = 0; on < 2; ++on) {
        KaTextBase2 block;
        block.setFont(0, font);
        block.setFontSize(20);
        block.setRect(KaVector2s32(400, 10));
        block.setKerning(on != 0);
        block.setText("ABAB");
        width[on] = block.size().x;
        for (int i = 0; i < 4; ++i)
            x[on][i] = block.mesh().vertex(4 * i + 3).x;
    }
    EXPECT_EQ(x[0][0], x[1][0]);
    EXPECT_EQ(x[0][1] + k, x[1][1]);
    // B then A has no pair: the second A keeps the first pair's shift only.
    EXPECT_EQ(x[0][2] + k, x[1][2]);
    EXPECT_EQ(x[0][3] + 2 * k, x[1][3]);
    EXPECT_EQ(width[0] + static_cast<int>(2 * k), width[1]);
}

} // namespace
