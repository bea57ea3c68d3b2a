#ifndef KA_TEXT_BASE2_H
#define KA_TEXT_BASE2_H

#include <map>

#include "engine/color/KaColor.h"
#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaMesh.h"
#include "engine/gui/KaFont3.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"

// One block of 8-bit text laid out in a rectangle and drawn as one mesh of
// textured quads (four vertices per character, in character order) pointing
// into a font's glyph atlas.
//
// Styles hang on character indices: a colour or a font applies from its index
// on, and forced line breaks stand before their index (several at one index
// give empty lines). Only the font set at index 0 lays out and draws the
// whole block, at the block's one pixel size; colours do vary.
//
// Text space: x to the right from the rectangle's left edge, y downward from
// the top of the first line, whose baseline is at the font's ascender. Only
// the rectangle's width takes part (a width of 0 or less wraps at every word).
// Leading spaces of a wrapped line are skipped; spaces that end a line are not
// counted in its width but are drawn (blank). A word longer than the width
// stays whole and makes its line wider than the rectangle. Justified lines
// reach the width exactly, except the last one before a forced break or the
// end of the text.
//
// A text longer than mMaxCharacters cannot be indexed by one mesh: build()
// refuses it with a console line and the block draws nothing.
//
// Setters mark the block dirty; size() and draw() rebuild a dirty block.
// Main thread only; needs the GL context of the font's atlas.
class KaTextBase2 : public KaObject {
public:
    enum AlignStyle { Left = 0, Right = 1, Justify = 2, Center = 3 };
    enum WrapMode { MultiLine = 0, SingleLine = 1 };

    // 4 vertices a character, 16-bit indices.
    static constexpr unsigned long mMaxCharacters = 65536 / 4;

    class Line {
    public:
        Line()
            : breakIndex(0)
            , nextStart(0)
            , glyphHeight(0.0f)
            , spaceCount(0)
            , lineHeight(0.0f)
            , spacesWidth(0.0f)
            , width(0.0f)
        {
        }

        unsigned int breakIndex;
        // Always past the line's start.
        unsigned int nextStart;
        float glyphHeight;
        unsigned int spaceCount;
        float lineHeight;
        float spacesWidth;
        float width;
    };

    KaTextBase2();
    ~KaTextBase2() override;
    KaTextBase2(const KaTextBase2&) = delete;
    KaTextBase2& operator=(const KaTextBase2&) = delete;

    void setRect(const KaVector2s32& rect);
    const KaVector2s32& rect() const { return mRect; }
    void setText(const KaString& text);
    const KaString& text() const { return mText; }
    void setInterLine(float interLine);
    float interLine() const { return mInterLine; }
    // Does not mark the block dirty: set the text afterwards.
    void insertNewLine(unsigned int index);
    void setFont(unsigned int index, KaIntrusivePtr<KaFont3>& font);
    // The font set at that very index, null when none.
    KaIntrusivePtr<KaFont3> font(unsigned int index) const;
    void setColor(unsigned int index, const KaColor& color);
    void setGlobalColor(const KaColor& color);
    const KaColor& globalColor() const { return mGlobalColor; }
    void setAlignStyle(AlignStyle style);
    AlignStyle alignStyle() const { return mAlignStyle; }
    void setWrapMode(WrapMode mode);
    WrapMode wrapMode() const { return mWrapMode; }
    void strikethrough(bool on);
    bool strikethrough() const { return mStrikethrough; }
    void setFontSize(unsigned long size);
    unsigned long fontSize() const { return mFontSize; }
    void setKerning(bool on);
    bool kerning() const { return mKerning; }
    void setDirty() { mDirty = true; }
    bool isDirty() const { return mDirty; }

    // None of these marks the block dirty.
    void clearText();
    void clearStyles();
    void clear();

    // Builds when dirty; the laid-out size in whole pixels.
    KaVector2s32 size();
    // Line breaks counted by the last build.
    unsigned int lineCount() const { return mLineCount; }
    void build();
    void draw();

    // Character-index queries.
    bool isASpace(unsigned int index) const;
    unsigned int newLines(unsigned int index) const;
    unsigned int endOfWord(unsigned int index) const;
    unsigned int nextNonSpaceChar(unsigned int index) const;
    KaColor currentColor(unsigned int index) const;
    KaIntrusivePtr<KaFont3> currentFont(unsigned int index) const;

    const KaMesh& mesh() const { return mMesh; }
    unsigned long strikethroughCount() const { return mStrikethroughMeshes.size(); }
    const KaMesh& strikethroughMesh(unsigned long i) const { return *mStrikethroughMeshes[i]; }

private:
    unsigned int computeLine(unsigned int start, Line& line);
    void computeNbSpaces(Line& line, unsigned int start, unsigned int end);
    void drawLine(unsigned int start, unsigned int end, KaVector3f32 pen, Line& line);
    void drawEmptyChar(unsigned int index);
    // Every glyph of the text, asked for before anything reads the atlas.
    void fetchGlyphs(KaFont3& font);
    float kern(unsigned int previous, unsigned int current);
    float rectWidth() const;

    bool mDirty;
    bool mKerning;
    KaVector2s32 mRect;
    KaVector2s32 mSize;
    unsigned int mLineCount;
    KaString mText;
    float mInterLine;
    KaMesh mMesh;
    KaArray<KaMesh*> mStrikethroughMeshes; // owned
    AlignStyle mAlignStyle;
    KaArray<unsigned int> mLineBreaks;
    std::map<unsigned int, KaIntrusivePtr<KaFont3>> mFonts;
    std::map<unsigned int, KaColor> mColors;
    WrapMode mWrapMode;
    bool mStrikethrough;
    unsigned long mFontSize;
    KaColor mGlobalColor;

    // Valid during a build only.
    KaFont3* mBuildFont;
    KaArray<KaFont3::GlyphData> mGlyphs;
    // Kerning of character i with character i - 1 (0 before the first).
    KaArray<float> mKerns;
    KaFont3::GlyphData mSpaceGlyph;
    float mAscender;
    KaVector2s32 mAtlas;
};

#endif
