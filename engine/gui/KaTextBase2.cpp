#include "engine/gui/KaTextBase2.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "engine/base/KaStd.h"

namespace {

const KaColor kEmptyCharColor(0, 0, 0, 255);

} // namespace

KaTextBase2::KaTextBase2()
    : mDirty(true)
    , mKerning(true)
    , mRect(0, 0)
    , mSize(0, 0)
    , mLineCount(0)
    , mInterLine(0.0f)
    , mAlignStyle(Left)
    , mWrapMode(MultiLine)
    , mStrikethrough(false)
    , mFontSize(10)
    , mGlobalColor(255, 255, 255, 255)
    , mBuildFont(nullptr)
    , mAscender(0.0f)
    , mAtlas(0, 0)
{
    // Vertex colour and atlas coverage: the atlas texels are black with the
    // coverage as alpha.
    mMesh.setTextureEnvironmentMode(GL_BLEND);
    mMesh.setSortTransparentFaces(true);
}

KaTextBase2::~KaTextBase2()
{
    for (unsigned long i = 0; i < mStrikethroughMeshes.size(); ++i)
        delete mStrikethroughMeshes[i];
}

void KaTextBase2::setRect(const KaVector2s32& rect)
{
    mRect = rect;
    mDirty = true;
}

void KaTextBase2::setText(const KaString& text)
{
    mText = text;
    const unsigned long n = mText.length();
    if (n <= mMaxCharacters)
        mMesh.setConf(4 * n, 6 * n, KaMesh::TRIANGLES, 1, static_cast<unsigned int>(2 * n));
    else
        mMesh.setConf(0, 0, KaMesh::TRIANGLES, 1, 0);
    mDirty = true;
}

void KaTextBase2::setInterLine(float interLine)
{
    mInterLine = interLine;
    mDirty = true;
}

void KaTextBase2::insertNewLine(unsigned int index) { mLineBreaks.pushBack(index); }

void KaTextBase2::setFont(unsigned int index, KaIntrusivePtr<KaFont3>& font)
{
    mFonts[index] = font;
    mDirty = true;
}

KaIntrusivePtr<KaFont3> KaTextBase2::font(unsigned int index) const
{
    std::map<unsigned int, KaIntrusivePtr<KaFont3>>::const_iterator found = mFonts.find(index);
    return found == mFonts.end() ? KaIntrusivePtr<KaFont3>() : found->second;
}

void KaTextBase2::setColor(unsigned int index, const KaColor& color)
{
    mColors[index] = color;
    mDirty = true;
}

void KaTextBase2::setGlobalColor(const KaColor& color)
{
    mGlobalColor = color;
    mDirty = true;
}

void KaTextBase2::setAlignStyle(AlignStyle style)
{
    mAlignStyle = style;
    mDirty = true;
}

void KaTextBase2::setWrapMode(WrapMode mode)
{
    mWrapMode = mode;
    mDirty = true;
}

void KaTextBase2::strikethrough(bool on)
{
    if (on == mStrikethrough)
        return;
    mStrikethrough = on;
    mDirty = true;
}

void KaTextBase2::setFontSize(unsigned long size)
{
    if (size == mFontSize)
        return;
    mFontSize = size;
    mDirty = true;
}

void KaTextBase2::setKerning(bool on)
{
    mKerning = on;
    mDirty = true;
}

void KaTextBase2::clearText() { mText.clear(); }

void KaTextBase2::clearStyles()
{
    mLineBreaks.clear();
    mFonts.clear();
    mColors.clear();
}

void KaTextBase2::clear()
{
    clearText();
    clearStyles();
}

KaVector2s32 KaTextBase2::size()
{
    if (mDirty)
        build();
    return mSize;
}

bool KaTextBase2::isASpace(unsigned int index) const
{
    const unsigned char c = static_cast<unsigned char>(mText[index]);
    return c == 32 || c == 9 || c == 13 || c == 10;
}

unsigned int KaTextBase2::newLines(unsigned int index) const
{
    unsigned int count = 0;
    const unsigned long breaks = mLineBreaks.size();
    const unsigned int* at = mLineBreaks.constData();
    for (unsigned long i = 0; i < breaks; ++i)
        count += at[i] == index;
    return count;
}

unsigned int KaTextBase2::endOfWord(unsigned int index) const
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    while (index < n && newLines(index) == 0 && !isASpace(index))
        ++index;
    return index;
}

unsigned int KaTextBase2::nextNonSpaceChar(unsigned int index) const
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    for (; index < n; ++index) {
        if (!isASpace(index))
            return index;
    }
    return n == 0 ? 0 : n - 1;
}

KaColor KaTextBase2::currentColor(unsigned int index) const
{
    std::map<unsigned int, KaColor>::const_iterator found = mColors.upper_bound(index);
    if (found == mColors.begin())
        return mGlobalColor;
    --found;
    return found->second * mGlobalColor;
}

KaIntrusivePtr<KaFont3> KaTextBase2::currentFont(unsigned int index) const
{
    std::map<unsigned int, KaIntrusivePtr<KaFont3>>::const_iterator found = mFonts.upper_bound(index);
    if (found == mFonts.begin())
        return KaIntrusivePtr<KaFont3>();
    --found;
    return found->second;
}

float KaTextBase2::rectWidth() const { return mRect.x > 0 ? static_cast<float>(mRect.x) : 0.0f; }

float KaTextBase2::kern(unsigned int previous, unsigned int current)
{
    if (!mKerning)
        return 0.0f;
    return mBuildFont->kerning(mFontSize, previous, current).x;
}

void KaTextBase2::fetchGlyphs(KaFont3& font)
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    // The atlas may grow or widen its cells while new glyphs come in, which
    // moves the glyphs placed before: read the records again once they are
    // all in, so every quad points where its glyph finally is.
    // Every rebuild gives the atlas a new texture: when the texture after
    // the first glyph is still the one at the end, no glyph has moved.
    mGlyphs.resize(n);
    KaFont3::GlyphData* glyphs = mGlyphs.data();
    Ka3DTexture* atlas = nullptr;
    for (unsigned int i = 0; i < n; ++i) {
        glyphs[i] = font.glyph(mFontSize, static_cast<unsigned char>(mText[i]));
        if (i == 0)
            atlas = font.texture(mFontSize).get();
    }
    mSpaceGlyph = font.glyph(mFontSize, 32);
    if (font.texture(mFontSize).get() != atlas) {
        for (unsigned int i = 0; i < n; ++i)
            glyphs[i] = font.glyph(mFontSize, static_cast<unsigned char>(mText[i]));
    }
    mAtlas = font.atlasSize(mFontSize);
    // Measuring and drawing both want the kerning of each character with the
    // one before it: asked of FreeType once.
    mKerns.resize(mKerning ? n : 0);
    for (unsigned int i = 0; i < mKerns.size(); ++i)
        mKerns[i] = kern(i > 0 ? static_cast<unsigned char>(mText[i - 1]) : 0, static_cast<unsigned char>(mText[i]));
}

unsigned int KaTextBase2::computeLine(unsigned int start, Line& line)
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    const KaFont3::GlyphData* g = mGlyphs.constData();
    const float width = rectWidth();
    const float lineHeight = mBuildFont->height(mFontSize);
    line = Line();
    line.breakIndex = start;
    line.nextStart = start;
    // Every line holds a character, even one that wraps before the loop
    // below reaches it (a word at the start of a line narrower than it):
    // such a line must still move the pen down.
    line.lineHeight = lineHeight;
    float pen = 0.0f;
    unsigned int i = start;
    for (; i < n; ++i) {
        const unsigned int breaks = i > start ? newLines(i) : 0;
        if (breaks > 0) {
            line.breakIndex = i;
            line.nextStart = i;
            mLineCount += breaks;
            line.width = pen - g[i - 1].bearingX;
            return breaks;
        }
        const float kerning = mKerning ? mKerns[i] : 0.0f;
        if (mWrapMode == MultiLine && i > 0 && newLines(i) == 0 && pen + g[i].bearingX + g[i].width + kerning > width)
            break;
        if (isASpace(i)) {
            line.breakIndex = i;
            // Measured at the first space of a run, so that none of the
            // spaces that end a line counts in its width.
            if (i == start)
                line.width = 0.0f;
            else if (!isASpace(i - 1))
                line.width = pen - g[i - 1].bearingX;
        }
        pen += kerning;
        if (g[i].height > line.glyphHeight)
            line.glyphHeight = g[i].height;
        pen += g[i].advance;
    }
    if (i >= n) {
        line.breakIndex = n;
        line.nextStart = n;
        line.width = n > start ? pen - g[n - 1].bearingX : pen;
        return 1;
    }
    // Full at i.
    if (line.breakIndex == start) {
        // One word longer than the width: kept whole, past the rectangle.
        line.breakIndex = endOfWord(i);
        for (unsigned int j = i; j < line.breakIndex; ++j) {
            pen += g[j].advance;
            line.width = pen - g[j].bearingX;
        }
        if (line.breakIndex == i && i > start)
            line.width = pen - g[i - 1].bearingX;
    }
    // Spaces after the break end this line; when nothing else follows they
    // are its last characters, not a blank line of their own.
    unsigned int next = line.breakIndex;
    while (next < n && isASpace(next))
        ++next;
    // Whatever the widths, every line takes at least one character.
    if (next <= start)
        next = start + 1;
    line.nextStart = next;
    mLineCount += 1;
    return 1;
}

void KaTextBase2::computeNbSpaces(Line& line, unsigned int start, unsigned int end)
{
    line.spaceCount = 0;
    bool inRun = false;
    for (unsigned int i = start; i < end; ++i) {
        if (isASpace(i)) {
            inRun = true;
        } else {
            if (inRun)
                ++line.spaceCount;
            inRun = false;
        }
    }
    line.spacesWidth = static_cast<float>(line.spaceCount) * mSpaceGlyph.advance;
}

void KaTextBase2::drawEmptyChar(unsigned int index)
{
    const unsigned long v = 4ul * index;
    for (unsigned long k = 0; k < 4; ++k) {
        mMesh.vertex(v + k, 0.0f, 0.0f, 0.0f);
        mMesh.normal(v + k, 0.0f, 0.0f, 1.0f);
        mMesh.textureUV(v + k, 0.0f, 0.0f);
        mMesh.setColor(static_cast<unsigned int>(v + k), kEmptyCharColor);
    }
    const unsigned long i = 6ul * index;
    mMesh.setIndex(i + 0, static_cast<unsigned int>(v));
    mMesh.setIndex(i + 1, static_cast<unsigned int>(v + 1));
    mMesh.setIndex(i + 2, static_cast<unsigned int>(v + 2));
    mMesh.setIndex(i + 3, static_cast<unsigned int>(v + 2));
    mMesh.setIndex(i + 4, static_cast<unsigned int>(v + 3));
    mMesh.setIndex(i + 5, static_cast<unsigned int>(v));
}

void KaTextBase2::drawLine(unsigned int start, unsigned int end, KaVector3f32 pen, Line& line)
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    const KaFont3::GlyphData* g = mGlyphs.constData();
    const float width = rectWidth();
    const float x0 = pen.x;
    const bool justify = mAlignStyle == Justify && end != n && newLines(end) == 0;
    float extraSpace = 0.0f;
    switch (mAlignStyle) {
    case Right:
        pen.x += width - line.width;
        break;
    case Center:
        pen.x += (width - line.width) * 0.5f;
        break;
    case Justify:
        // A line without an inner space has nothing to stretch.
        if (line.spaceCount > 0)
            extraSpace = (width - (line.width - line.spacesWidth)) / static_cast<float>(line.spaceCount);
        break;
    default:
        break;
    }
    unsigned int c = start;
    for (; c < end && isASpace(c); ++c)
        drawEmptyChar(c);
    const float W = static_cast<float>(mAtlas.x);
    const float H = static_cast<float>(mAtlas.y);
    unsigned char previous = 0;
    KaColor color = currentColor(start);
    for (; c < end; ++c) {
        color = currentColor(c);
        const unsigned char code = static_cast<unsigned char>(mText[c]);
        if (justify && isASpace(c)) {
            pen.x += extraSpace;
            drawEmptyChar(c);
            line.width = width;
            previous = code;
            continue;
        }
        // previous is text[c - 1] but for the first character drawn.
        pen.x += c > start && previous == static_cast<unsigned char>(mText[c - 1]) && mKerning ? mKerns[c]
                                                                                               : kern(previous, code);
        previous = code;
        const KaFont3::GlyphData& glyph = g[c];
        const float x = pen.x + glyph.bearingX;
        const float top = pen.y - glyph.bearingY + mAscender;
        float u = 0.0f, v = 0.0f, du = 0.0f, dv = 0.0f;
        if (W > 0.0f && H > 0.0f) {
            u = static_cast<float>(glyph.atlasPosition.x) / W;
            v = static_cast<float>(glyph.atlasPosition.y) / H;
            du = glyph.width / W;
            dv = glyph.height / H;
        }
        const float left = std::floor(x);
        const float right = std::floor(x + glyph.width);
        const float bottom = std::floor(top + glyph.height);
        const float upper = std::floor(top);
        const unsigned long vi = 4ul * c;
        mMesh.vertex(vi + 0, left, bottom, 0.0f);
        mMesh.vertex(vi + 1, right, bottom, 0.0f);
        mMesh.vertex(vi + 2, right, upper, 0.0f);
        mMesh.vertex(vi + 3, left, upper, 0.0f);
        mMesh.textureUV(vi + 0, u, v);
        mMesh.textureUV(vi + 1, u + du, v);
        mMesh.textureUV(vi + 2, u + du, v + dv);
        mMesh.textureUV(vi + 3, u, v + dv);
        for (unsigned long k = 0; k < 4; ++k) {
            mMesh.normal(vi + k, 0.0f, 0.0f, 1.0f);
            mMesh.setColor(static_cast<unsigned int>(vi + k), color);
        }
        const unsigned long ii = 6ul * c;
        mMesh.setIndex(ii + 0, static_cast<unsigned int>(vi));
        mMesh.setIndex(ii + 1, static_cast<unsigned int>(vi + 1));
        mMesh.setIndex(ii + 2, static_cast<unsigned int>(vi + 2));
        mMesh.setIndex(ii + 3, static_cast<unsigned int>(vi + 2));
        mMesh.setIndex(ii + 4, static_cast<unsigned int>(vi + 3));
        mMesh.setIndex(ii + 5, static_cast<unsigned int>(vi));
        pen.x += glyph.advance;
    }
    if (!mStrikethrough)
        return;
    KaMesh* bar = new KaMesh();
    bar->setConf(4, 6, KaMesh::TRIANGLES, 0, 2);
    bar->setTextureEnvironmentMode(GL_BLEND);
    bar->setSortTransparentFaces(false);
    const float y = std::floor(pen.y + mAscender / 1.4f);
    const float left = std::floor(x0);
    const float right = std::floor(pen.x);
    bar->vertex(0, left, y - 1.0f, 0.0f);
    bar->vertex(1, right, y - 1.0f, 0.0f);
    bar->vertex(2, right, y + 1.0f, 0.0f);
    bar->vertex(3, left, y + 1.0f, 0.0f);
    for (unsigned int k = 0; k < 4; ++k)
        bar->setColor(k, color);
    const unsigned int indices[6] = { 0, 1, 2, 2, 3, 0 };
    for (unsigned long k = 0; k < 6; ++k)
        bar->setIndex(k, indices[k]);
    bar->setColor(color);
    mStrikethroughMeshes.pushBack(bar);
}

void KaTextBase2::build()
{
    const unsigned int n = static_cast<unsigned int>(mText.length());
    if (n == 0)
        return;
    KaIntrusivePtr<KaFont3> font = this->font(0);
    if (!font) {
        KaPrintf("[KaTextBase2::build()] Warning : font missing\n");
        return;
    }
    mDirty = false;
    for (unsigned long i = 0; i < mStrikethroughMeshes.size(); ++i)
        delete mStrikethroughMeshes[i];
    mStrikethroughMeshes.clear();
    mSize = KaVector2s32(0, 0);
    mLineCount = 0;
    if (mText.length() > mMaxCharacters) {
        KaPrintf("[KaTextBase2::build()] Text too long for one mesh: %lu characters, at most %lu\n",
            static_cast<unsigned long>(mText.length()), mMaxCharacters);
        return;
    }
    mBuildFont = font.get();
    fetchGlyphs(*font);
    mAscender = font->ascender(mFontSize);
    mMesh.defaultMaterial(font->texture(mFontSize));

    KaVector3f32 pen(0.0f, 0.0f, 0.0f);
    unsigned int start = 0;
    for (;;) {
        Line line;
        const unsigned int breaks = computeLine(start, line);
        if (mAlignStyle == Justify)
            computeNbSpaces(line, start, line.nextStart);
        drawLine(start, line.nextStart, pen, line);
        pen += KaVector3f32(0.0f, static_cast<float>(breaks) * (line.lineHeight + mInterLine), 0.0f);
        start = line.nextStart;
        if (line.width > static_cast<float>(mSize.x))
            mSize.x = static_cast<int32_t>(std::ceil(line.width));
        if (start >= n) {
            // A damaged font may give a negative line height: the text then
            // climbs, but the block never measures less than nothing.
            mSize.y = static_cast<int32_t>(std::max(0.0f, std::ceil(pen.y - mInterLine)));
            break;
        }
    }
    mBuildFont = nullptr;
    mGlyphs.clear();
    mKerns.clear();
}

void KaTextBase2::draw()
{
    if (mText.length() == 0)
        return;
    if (mWrapMode == MultiLine && mRect.x < 1)
        return;
    if (mDirty)
        build();
    mMesh.draw();
    if (mStrikethrough) {
        for (unsigned long i = 0; i < mStrikethroughMeshes.size(); ++i)
            mStrikethroughMeshes[i]->draw();
    }
}
