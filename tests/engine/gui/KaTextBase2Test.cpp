#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "engine/gui/KaTextBase2.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/gui/KaTextTestSupport.h"
#include "tests/support/KaTestSupport.h"

namespace {

const unsigned long kSize = 20;

class KaTextBase2Test : public KaGLRendererTest {
protected:
    KaTextBase2Test()
        : mMono(new KaFont3())
        , mMonoFace(KaDejaVu("DejaVuSansMono.ttf"), kSize)
    {
    }

    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        ASSERT_TRUE(mMono->load(KaDejaVu("DejaVuSansMono.ttf").c_str()));
        mAdvance = mMonoFace.advance('a');
    }

    // A block in the monospaced font, rect cols advances (+ extra pixels) wide.
    void setUp(KaTextBase2& block, const std::string& text, float cols, KaTextBase2::AlignStyle align,
        const std::vector<unsigned int>& breaks = {})
    {
        block.setFont(0, mMono);
        block.setFontSize(kSize);
        block.setRect(KaVector2s32(static_cast<int32_t>(std::floor(cols * mAdvance)), 100));
        block.setAlignStyle(align);
        for (unsigned int index : breaks)
            block.insertNewLine(index);
        block.setText(KaString(text.c_str()));
        block.build();
    }

    // The lines as the quads show them: each visible character at its line
    // (from its top edge) and column (from its pen position), "pen|text"
    // with the first pen x of the line in pixels.
    std::vector<std::string> lines(const KaTextBase2& block)
    {
        const std::string text = block.text().c_str();
        const float ascender = mMonoFace.ascender();
        const float height = mMonoFace.height();
        std::map<int, std::map<float, char>> rows;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ' ')
                continue;
            FT_GlyphSlot slot = mMonoFace.render(static_cast<unsigned char>(text[i]));
            const KaVector3f32 topLeft = block.mesh().vertex(4 * i + 3);
            const float top = topLeft.y + static_cast<float>(slot->bitmap_top) - ascender;
            const float pen = topLeft.x - static_cast<float>(slot->bitmap_left);
            rows[static_cast<int>(std::lround(top / height))][pen] = text[i];
        }
        std::vector<std::string> result;
        for (const auto& row : rows) {
            while (static_cast<int>(result.size()) < row.first)
                result.push_back("");
            const float first = row.second.begin()->first;
            std::string line;
            for (const auto& glyph : row.second) {
                const size_t column = static_cast<size_t>(std::lround((glyph.first - first) / mAdvance));
                line.resize(column, ' ');
                line += glyph.second;
            }
            result.push_back(std::to_string(static_cast<int>(std::lround(first))) + "|" + line);
        }
        return result;
    }

    // Width the block measures for a line of monospaced text: the pen after
    // its last character less that character's left bearing.
    float measured(const std::string& line)
    {
        return static_cast<float>(line.size()) * mAdvance
            - static_cast<float>(mMonoFace.render(static_cast<unsigned char>(line.back()))->bitmap_left);
    }

    std::string pen(float x) { return std::to_string(static_cast<int>(std::lround(std::floor(x)))); }

    KaIntrusivePtr<KaFont3> mMono;
    KaReferenceFace mMonoFace;
    float mAdvance = 0.0f;
};

TEST_F(KaTextBase2Test, LineBreakingTable)
{
    struct Case {
        const char* name;
        std::string text;
        float cols;
        KaTextBase2::AlignStyle align;
        std::vector<unsigned int> breaks;
        std::vector<std::string> expected; // "pen|text"; pen filled below when empty
        int heightInLines;
    };
    const std::vector<Case> cases = {
        { "fits", "ab cd", 10, KaTextBase2::Left, {}, { "0|ab cd" }, 1 },
        { "wraps at the last space", "ab cd ef", 6, KaTextBase2::Left, {}, { "0|ab cd", "0|ef" }, 2 },
        { "long word kept whole", "ab abcdefghij cd", 5, KaTextBase2::Left, {}, { "0|ab", "0|abcdefghij", "0|cd" }, 3 },
        { "double break", "abcd", 20, KaTextBase2::Left, { 2, 2 }, { "0|ab", "", "0|cd" }, 3 },
        { "break before a space", "ab cd", 20, KaTextBase2::Left, { 2 }, { "0|ab", "0|cd" }, 2 },
        { "leading spaces take no room", "   ab cd", 20, KaTextBase2::Left, {}, { "0|ab cd" }, 1 },
        { "wrapped leading spaces skipped", "ab    cd", 3, KaTextBase2::Left, {}, { "0|ab", "0|cd" }, 2 },
        { "trailing spaces end the text without a blank line", "ab cd     ", 3, KaTextBase2::Left, {},
            { "0|ab", "0|cd" }, 2 },
        { "zero width: a word a line", "ab cd  ef ", 0, KaTextBase2::Left, {}, { "0|ab", "0|cd", "0|ef" }, 3 },
        { "negative width: a word a line", "ab cd", -3, KaTextBase2::Left, {}, { "0|ab", "0|cd" }, 2 },
        { "only spaces after the first word", "a     ", -1, KaTextBase2::Left, {}, { "0|a" }, 1 },
        { "single character lines", "a b c", 0, KaTextBase2::Left, {}, { "0|a", "0|b", "0|c" }, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTextBase2 block;
        setUp(block, c.text, c.cols, c.align, c.breaks);
        EXPECT_EQ(c.expected, lines(block));
        EXPECT_EQ(static_cast<int>(c.heightInLines * mMonoFace.height()), block.size().y);
    }
}

TEST_F(KaTextBase2Test, AlignmentTable)
{
    struct Case {
        const char* name;
        std::string text;
        float cols;
        KaTextBase2::AlignStyle align;
        std::vector<std::string> lineTexts;
        // First pen x of each line from the rectangle width and the line's
        // measured width.
        std::vector<float> offsets;
    };
    const float W8 = std::floor(8 * mAdvance);
    const float W4 = std::floor(4 * mAdvance);
    const std::vector<Case> cases = {
        { "right", "ab cd", 8, KaTextBase2::Right, { "ab cd" }, { W8 - measured("ab cd") } },
        { "right ignores the spaces of a wrap", "ab    cd", 4, KaTextBase2::Right, { "ab", "cd" },
            { W4 - measured("ab"), W4 - measured("cd") } },
        { "centre", "ab", 8, KaTextBase2::Center, { "ab" }, { (W8 - measured("ab")) * 0.5f } },
        { "centre with overflow starts left of 0", "abcdefghij", 4, KaTextBase2::Center, { "abcdefghij" },
            { (W4 - measured("abcdefghij")) * 0.5f } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTextBase2 block;
        setUp(block, c.text, c.cols, c.align);
        std::vector<std::string> expected;
        for (size_t i = 0; i < c.lineTexts.size(); ++i)
            expected.push_back(pen(c.offsets[i]) + "|" + c.lineTexts[i]);
        EXPECT_EQ(expected, lines(block));
    }
    // The overflowing line sets the block's width.
    KaTextBase2 wide;
    setUp(wide, "abcdefghij", 4, KaTextBase2::Center);
    EXPECT_EQ(static_cast<int>(std::ceil(measured("abcdefghij"))), wide.size().x);
}

TEST_F(KaTextBase2Test, JustifiedLinesReachTheWidthExceptTheLast)
{
    KaTextBase2 block;
    setUp(block, "aa bb cc dd ee", 8.5f, KaTextBase2::Justify);
    const float width = std::floor(8.5f * mAdvance);
    const std::vector<std::string> shown = lines(block);
    ASSERT_EQ(2u, shown.size());
    // Line one ends on the right edge: the last pen minus its bearing.
    const std::string text = block.text().c_str();
    const size_t lastOfFirst = text.find("cc") + 1;
    const float bearing = static_cast<float>(mMonoFace.render('c')->bitmap_left);
    const float end = block.mesh().vertex(4 * lastOfFirst + 3).x - bearing + mAdvance - bearing;
    EXPECT_NEAR(width, end, 1.0f);
    EXPECT_EQ(static_cast<int>(width), block.size().x);
    // The last line is set as the left alignment would.
    EXPECT_EQ("0|dd ee", shown[1]);

    // No inner space: nothing to stretch, no division by zero.
    KaTextBase2 solid;
    setUp(solid, "abcdefghij klm", 3, KaTextBase2::Justify);
    for (unsigned long v = 0; v < solid.mesh().vertexCount(); ++v) {
        EXPECT_TRUE(std::isfinite(solid.mesh().vertex(v).x)) << v;
        EXPECT_TRUE(std::isfinite(solid.mesh().textureUV(v).x)) << v;
    }
    EXPECT_EQ((std::vector<std::string> { "0|abcdefghij", "0|klm" }), lines(solid));
}

TEST_F(KaTextBase2Test, SizeCountsLineHeightsAndInterLines)
{
    KaTextBase2 block;
    block.setInterLine(4.0f);
    setUp(block, "ab cd ef", 2, KaTextBase2::Left);
    EXPECT_EQ(static_cast<int>(3 * mMonoFace.height() + 2 * 4), block.size().y);
    // Breaks counted: the end of the text is none.
    EXPECT_EQ(2u, block.lineCount());

    // Single line never wraps.
    KaTextBase2 single;
    single.setWrapMode(KaTextBase2::SingleLine);
    setUp(single, "ab cd ef", 2, KaTextBase2::Left);
    EXPECT_EQ((std::vector<std::string> { "0|ab cd ef" }), lines(single));
    EXPECT_EQ(static_cast<int>(mMonoFace.height()), single.size().y);
}

TEST_F(KaTextBase2Test, ColoursHangOnIndicesTimesTheGlobalColour)
{
    KaTextBase2 block;
    block.setColor(2, KaColor(255, 0, 0, 255));
    block.setGlobalColor(KaColor(255, 255, 255, 128));
    setUp(block, "abcd", 20, KaTextBase2::Left);
    EXPECT_EQ(KaColor(255, 255, 255, 128), block.mesh().color(4 * 1));
    EXPECT_EQ(KaColor(255, 0, 0, 128), block.mesh().color(4 * 2));
    EXPECT_EQ(KaColor(255, 0, 0, 128), block.mesh().color(4 * 3 + 3));
}

TEST_F(KaTextBase2Test, StrikethroughBarPerLine)
{
    KaTextBase2 block;
    block.strikethrough(true);
    setUp(block, "ab cd ef", 5, KaTextBase2::Left);
    ASSERT_EQ(2u, block.strikethroughCount());
    const KaMesh& bar = block.strikethroughMesh(1);
    const float y = std::floor(mMonoFace.height() + mMonoFace.ascender() / 1.4f);
    EXPECT_EQ(KaVector3f32(0, y - 1, 0), bar.vertex(0));
    EXPECT_EQ(KaVector3f32(std::floor(2 * mAdvance), y + 1, 0), bar.vertex(2));
}

TEST_F(KaTextBase2Test, MissingFontAndOverlongTextsAreRefusedWithALine)
{
    KaTextBase2 noFont;
    noFont.setText("abc");
    {
        KaCaptureStdout capture;
        noFont.build();
        EXPECT_EQ("[KaTextBase2::build()] Warning : font missing\n", capture.text());
    }
    EXPECT_TRUE(noFont.isDirty());

    // 16384 characters take all 65536 vertices of one mesh; one more cannot
    // be indexed in 16 bits.
    KaTextBase2 fits;
    setUp(fits, std::string(KaTextBase2::mMaxCharacters, 'a'), 20, KaTextBase2::Left);
    EXPECT_EQ(65536u, fits.mesh().vertexCount());
    EXPECT_GT(fits.size().y, 0);
    KaTextBase2 tooLong;
    KaCaptureStdout capture;
    setUp(tooLong, std::string(KaTextBase2::mMaxCharacters + 1, 'a'), 20, KaTextBase2::Left);
    EXPECT_NE(std::string::npos, capture.text().find("Text too long for one mesh: 16385 characters"));
    EXPECT_EQ(KaVector2s32(0, 0), tooLong.size());
    EXPECT_EQ(0u, tooLong.mesh().indexCount());
}

// Every character's quad samples, in the atlas read back from GL, exactly the
// bitmap FreeType renders for it.
void expectQuadsOnTheirGlyphs(const KaTextBase2& block, KaFont3& font, const char* file, unsigned long size)
{
    KaReferenceFace face(KaDejaVu(file), size);
    const std::vector<unsigned char> atlas = KaTextureAlpha(*font.texture(size));
    const KaVector2s32 atlasSize = font.atlasSize(size);
    const std::string text = block.text().c_str();
    ASSERT_EQ(block.mesh().materials()[0].texture().get(), font.texture(size).get());
    size_t wrong = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned int unicode = getUnicodeFromISO(static_cast<unsigned char>(text[i]));
        const FT_Bitmap& bitmap = face.render(unicode)->bitmap;
        const KaVector2f32 uv = block.mesh().textureUV(4 * i);
        const int x0 = static_cast<int>(std::lround(uv.x * atlasSize.x));
        const int y0 = static_cast<int>(std::lround(uv.y * atlasSize.y));
        const KaVector2f32 uvTop = block.mesh().textureUV(4 * i + 2);
        EXPECT_EQ(static_cast<int>(bitmap.width), static_cast<int>(std::lround(uvTop.x * atlasSize.x)) - x0) << i;
        EXPECT_EQ(static_cast<int>(bitmap.rows), static_cast<int>(std::lround(uvTop.y * atlasSize.y)) - y0) << i;
        const int rows = static_cast<int>(bitmap.rows);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < static_cast<int>(bitmap.width); ++x)
                wrong += atlas[static_cast<size_t>(y0 + rows - 1 - y) * atlasSize.x + x0 + x]
                    != bitmap.buffer[y * bitmap.pitch + x];
        }
    }
    EXPECT_EQ(0u, wrong) << "texels under the quads differing from their glyphs";
}

TEST_F(KaTextBase2Test, AtlasGrowingDuringABuildLeavesEveryQuadOnItsGlyph)
{
    // At 100 pixels the first atlas holds 2 x 2 cells: the later lines bring
    // glyphs that only fit once it has grown, and the trailing space comes
    // last of all.
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    ASSERT_TRUE(font->load(KaDejaVu("DejaVuSans.ttf").c_str()));
    KaTextBase2 block;
    block.setFont(0, font);
    block.setFontSize(100);
    block.setRect(KaVector2s32(900, 100));
    block.setText("abcdefghij klmnopqrst uvwxyzABCD EFGHIJKLMN OPQRSTUVWX YZ0123456789 ");
    block.build();
    EXPECT_EQ(KaVector2s32(1024, 1024), font->atlasSize(100));
    expectQuadsOnTheirGlyphs(block, *font, "DejaVuSans.ttf", 100);
}

TEST_F(KaTextBase2Test, CellsWideningDuringABuildLeaveEveryQuadOnItsGlyph)
{
    // Russian capitals of DejaVu Sans at 36 pixels overflow the base cell;
    // the first glyphs were placed in the narrow cells.
    KaLanguageScope russian("ru");
    KaIntrusivePtr<KaFont3> font(new KaFont3());
    ASSERT_TRUE(font->load(KaDejaVu("DejaVuSans.ttf").c_str()));
    KaTextBase2 block;
    block.setFont(0, font);
    block.setFontSize(36);
    block.setRect(KaVector2s32(300, 100));
    std::string text = "abc ";
    for (unsigned int code = 176; code < 208; ++code)
        text += static_cast<char>(code);
    block.setText(text.c_str());
    block.build();
    EXPECT_GT(font->cellSize(36).x, KaFont3::baseCellSize(36).x);
    expectQuadsOnTheirGlyphs(block, *font, "DejaVuSans.ttf", 36);
}

} // namespace

namespace {

TEST_F(KaTextBase2Test, ASizeOfZeroLaysOutNothingQuietly)
{
    KaTextBase2 block;
    block.setFont(0, mMono);
    block.setFontSize(0);
    block.setRect(KaVector2s32(100, 10));
    block.setText("some words");
    KaCaptureStdout capture;
    EXPECT_EQ(KaVector2s32(0, 0), block.size());
    EXPECT_EQ("", capture.text());
}

} // namespace
