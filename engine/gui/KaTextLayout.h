#ifndef KA_TEXT_LAYOUT_H
#define KA_TEXT_LAYOUT_H

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaTextBase2.h"

class TiXmlElement;

// The layout that shows text: a rich-text block filled from a flat markup,
// with "$(" key ")" replaced through the core's localisation source, sized to
// its text and drawn on whole window pixels.
//
// Markup: the first element of the text and its following siblings are read
// (the children of an element never are): "br" breaks the line, "font" (file,
// size) sets the font from the current character on, "color" (r, g, b, a,
// each taken to its low 8 bits) the colour, "section" (style: left, right,
// justify, center) the alignment of the whole block; text nodes are the
// characters. Text before the first tag is not shown.
//
// The markup is read by parseMarkup with TinyXML's white space condensed (a
// run of spaces and line ends reads as one space, and the spaces around tags
// go) and in the legacy encoding, in which every byte is one character: the
// texts are 8-bit (ISO-8859-1 or -5), not UTF-8. A bare "&" that starts no
// character reference reads as itself. Substituted texts are markup like the
// rest: a translation may hold line breaks and colours. A text that does not
// parse prints a console line naming it and shows what was read before the
// fault.
//
// The block is laid out at the layout's size in window pixels (the world
// scale applied) with a font size in window pixels, so that glyphs are
// rendered at the size they are seen. A multi-line layout keeps its width and
// takes the height of its text; a single-line one takes both.
//
// Main thread only; draws under the main window's camera.
class KaTextLayout : public virtual KaLayout, public virtual KaITextLayout {
public:
    KaTextLayout();
    ~KaTextLayout() override;

    void setKerningActivated(bool activated) override;
    bool kerningActivated() override;
    void setText(const KaString& text) override;
    void setText(TiXmlElement* element) override;
    KaString text() const override;
    KaVector2s32 textSize() override;
    void clear() override;
    void setInterLine(float interLine) override;
    void loadXML(TiXmlElement& element) override;
    void setWrapMode(WrapMode mode) override;
    WrapMode wrapMode() override;
    void strikethrough(bool on) override;
    bool strikethrough() override;
    void setTextSizeType(TextSizeType type) override;
    TextSizeType textSizeType() override;
    void setTextSizeProportionalToWidth(unsigned long width) override;
    unsigned long textSizeProportionalToWidth() override;

    void setColor(const KaColor& color) override;
    bool onParentWorldColorChanged() override;
    void draw() override;
    void updateSize() override;

    // What draw() loads: the world matrix moved to the top-left corner,
    // without the world scale, its translation snapped to window pixels.
    KaMatrix4x4 textMatrix();

    // The pixel size named by the markup.
    unsigned long fontSize() const { return mFontSize; }
    KaTextBase2& textBase() { return mTextBase; }

    // Every "$(" key ")" whose key the core's localisation source knows,
    // replaced by its text; unknown keys and a "$(" without ")" stay as they
    // are; inserted texts are not searched again.
    static KaString substitute(const KaString& text);
    // Parses "<document>" + text + "</document>" into the element with the
    // engine's TinyXML settings. False when the text is not well-formed; the
    // element then holds what was read before the fault.
    static bool parseMarkup(const KaString& text, TiXmlElement& document);

private:
    // The world scale: lengths of the unit x and y vectors under the world
    // matrix.
    void pixelScale(float& sx, float& sy);

    KaTextBase2 mTextBase;
    unsigned long mFontSize;
    TextSizeType mTextSizeType;
    unsigned long mTextSizeProportionalToWidth;
};

#endif
