// Laying out and building one paragraph of 2,000 characters (DejaVu Sans at
// 16 pixels, wrapped at 600 pixels) into the rich-text block's quad mesh,
// with a cold atlas (a fresh font: every glyph rendered and uploaded) and a
// warm one (every glyph cached: layout and quads only), against FreeType
// plus a plain loop that places the same glyphs: the same renders and
// uploads into a texture when cold, then greedy wrapping at spaces with
// kerning, four vertices a character with texture coordinates and colours.
// Compare BM_TextBlock with BM_PlainLoop of the same argument: their ratio
// is what the block costs over raw placement.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <GL/gl.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"

#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaFont3.h"
#include "engine/gui/KaTextBase2.h"

namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const unsigned long kSize = 16;
const int kWidth = 600;
const int kCharacters = 2000;

std::string paragraph()
{
    static const char* const words[] = { "the", "engine", "draws", "every", "caption,", "dialog", "line", "and",
        "credit", "roll", "through", "one", "mesh;", "glyphs", "come", "from", "an", "atlas", "Quixotic", "zephyr",
        "jumps", "over", "lazy", "dogs.", "Voil\xE0", "caf\xE9", "\xC9t\xE9", "(1234567890)" };
    std::string text;
    unsigned int n = 0;
    while (text.size() < kCharacters) {
        text += words[(n * 7 + n / 3) % (sizeof(words) / sizeof(words[0]))];
        text += ' ';
        ++n;
    }
    text.resize(kCharacters);
    return text;
}

void BM_TextBlock(benchmark::State& state)
{
    KaBenchGLContext context(64);
    if (!context.valid()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const bool cold = state.range(0) != 0;
    const std::string text = paragraph();
    {
        KaIntrusivePtr<KaFont3> font(new KaFont3());
        if (!font->load(kFont)) {
            state.SkipWithError("no DejaVu Sans");
            return;
        }
        KaTextBase2 block;
        block.setFont(0, font);
        block.setFontSize(kSize);
        block.setRect(KaVector2s32(kWidth, 100));
        block.setText(text.c_str());
        for (auto _ : state) {
            if (cold) {
                state.PauseTiming();
                KaIntrusivePtr<KaFont3> fresh(new KaFont3());
                fresh->load(kFont);
                block.setFont(0, fresh);
                font = fresh;
                state.ResumeTiming();
            }
            block.setDirty();
            block.build();
            benchmark::DoNotOptimize(block.mesh().positions().constData());
        }
        state.counters["lines"] = static_cast<double>(block.lineCount() + 1);
        state.counters["height"] = static_cast<double>(block.size().y);
        state.counters["glyphs"] = static_cast<double>(font->glyphCount(kSize));
    }
    renderer.destroy();
}

struct Glyph {
    float bearingX = 0, bearingY = 0, width = 0, height = 0, advance = 0;
    int atlasX = 0, atlasY = 0;
    bool known = false;
};

void BM_PlainLoop(benchmark::State& state)
{
    KaBenchGLContext context(64);
    if (!context.valid()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const bool cold = state.range(0) != 0;
    const std::string text = paragraph();
    FT_Library library;
    FT_Face face;
    FT_Init_FreeType(&library);
    if (FT_New_Face(library, kFont, 0, &face)) {
        state.SkipWithError("no DejaVu Sans");
        return;
    }
    FT_Set_Pixel_Sizes(face, kSize, kSize);
    const float ascender = static_cast<float>(face->size->metrics.ascender >> 6);
    const float lineHeight = static_cast<float>(face->size->metrics.height >> 6);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<unsigned char> empty(1024 * 512 * 4, 0);
    std::vector<unsigned char> pixels;
    Glyph glyphs[256];
    std::vector<float> vertices(text.size() * 4 * 4);
    std::vector<unsigned char> colours(text.size() * 4 * 4, 255);
    int cells = 0;
    const int cellW = static_cast<int>(kSize) + 2, cellH = static_cast<int>(kSize * 1.2) + 2;
    auto render = [&](unsigned char c) {
        Glyph& g = glyphs[c];
        FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_RENDER);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        g.bearingX = static_cast<float>(face->glyph->bitmap_left);
        g.bearingY = static_cast<float>(face->glyph->bitmap_top);
        g.width = static_cast<float>(bitmap.width);
        g.height = static_cast<float>(bitmap.rows);
        g.advance = static_cast<float>(face->glyph->advance.x >> 6);
        g.atlasX = (cells % (1024 / cellW)) * cellW + 1;
        g.atlasY = (cells / (1024 / cellW)) * cellH + 1;
        ++cells;
        g.known = true;
        pixels.assign(static_cast<size_t>(bitmap.width) * bitmap.rows * 4, 0);
        for (unsigned int y = 0; y < bitmap.rows; ++y)
            for (unsigned int x = 0; x < bitmap.width; ++x)
                pixels[((bitmap.rows - 1 - y) * bitmap.width + x) * 4 + 3] = bitmap.buffer[y * bitmap.pitch + x];
        if (bitmap.width && bitmap.rows)
            glTexSubImage2D(GL_TEXTURE_2D, 0, g.atlasX, g.atlasY, static_cast<GLsizei>(bitmap.width),
                static_cast<GLsizei>(bitmap.rows), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    };
    auto kern = [&](unsigned char a, unsigned char b) {
        FT_Vector delta;
        FT_Get_Kerning(face, FT_Get_Char_Index(face, a), FT_Get_Char_Index(face, b), FT_KERNING_DEFAULT, &delta);
        return static_cast<float>(delta.x >> 6);
    };
    // Warm: every glyph of the text known before the loop.
    for (char c : text)
        if (!glyphs[static_cast<unsigned char>(c)].known)
            render(static_cast<unsigned char>(c));
    int lines = 0;
    for (auto _ : state) {
        if (cold) {
            for (Glyph& g : glyphs)
                g.known = false;
            cells = 0;
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1024, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, empty.data());
            for (char c : text)
                if (!glyphs[static_cast<unsigned char>(c)].known)
                    render(static_cast<unsigned char>(c));
        }
        // Greedy wrapping: a word that does not fit starts the next line.
        float y = 0;
        size_t i = 0;
        lines = 0;
        const size_t n = text.size();
        while (i < n) {
            float pen = 0;
            unsigned char previous = 0;
            size_t lineEnd = i;
            size_t j = i;
            float penAtEnd = 0;
            while (j < n) {
                size_t word = j;
                float wordPen = pen;
                while (word < n && text[word] != ' ') {
                    const unsigned char c = static_cast<unsigned char>(text[word]);
                    wordPen += kern(previous, c) + glyphs[c].advance;
                    previous = c;
                    ++word;
                }
                if (wordPen > kWidth && lineEnd > i)
                    break;
                pen = wordPen;
                lineEnd = word;
                penAtEnd = pen;
                while (word < n && text[word] == ' ') {
                    pen += glyphs[32].advance;
                    previous = 32;
                    ++word;
                }
                j = word;
                if (lineEnd == word)
                    break;
            }
            (void)penAtEnd;
            float x = 0;
            previous = 0;
            for (size_t c = i; c < j; ++c) {
                const unsigned char code = static_cast<unsigned char>(text[c]);
                const Glyph& g = glyphs[code];
                x += kern(previous, code);
                previous = code;
                const float left = x + g.bearingX, top = y - g.bearingY + ascender;
                const float u = g.atlasX / 1024.0f, v = g.atlasY / 512.0f, du = g.width / 1024.0f,
                            dv = g.height / 512.0f;
                float* out = &vertices[c * 16];
                const float quad[16] = { left, top + g.height, u, v, left + g.width, top + g.height, u + du, v,
                    left + g.width, top, u + du, v + dv, left, top, u, v + dv };
                for (int k = 0; k < 16; ++k)
                    out[k] = quad[k];
                x += g.advance;
            }
            i = j;
            y += lineHeight;
            ++lines;
        }
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(colours.data());
    }
    state.counters["lines"] = lines;
    glDeleteTextures(1, &texture);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    renderer.destroy();
}

} // namespace

BENCHMARK(BM_TextBlock)->ArgName("cold")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_PlainLoop)->ArgName("cold")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
