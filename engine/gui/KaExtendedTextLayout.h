#ifndef KA_EXTENDED_TEXT_LAYOUT_H
#define KA_EXTENDED_TEXT_LAYOUT_H

#include "engine/gui/KaClipLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/gui/KaTextLayout.h"

// A text area whose text scrolls by itself when it does not fit: a clip
// holding a scrolling layout that fills it, whose content is a text layout.
// Used wherever a plain text layout is, through the text-layout interface,
// which it forwards to the inner text.
//
// Multi-line, the text spans the area's width and takes the height of its
// text; a text taller than the area waits (4 s) and then scrolls once, at one
// area height per 10 s, until its last line reaches the bottom edge, and
// stays there. Single-line, the line scrolls sideways once when it is wider
// than the area. A text that fits never moves. Every new text starts again
// from its beginning and waits again. The area never takes the pointer:
// clicks reach whatever lies under it.
//
// The scrolling and text layouts are owned members. Main thread only.
class KaExtendedTextLayout : public KaClipLayout, public virtual KaITextLayout {
public:
    KaExtendedTextLayout();
    ~KaExtendedTextLayout() override;

    void setKerningActivated(bool activated) override;
    bool kerningActivated() override;
    // Both start the new text at its beginning and replay the scrolling.
    void setText(const KaString& text) override;
    void setText(TiXmlElement* element) override;
    KaString text() const override;
    KaVector2s32 textSize() override;
    void clear() override;
    void setInterLine(float interLine) override;
    void loadXML(TiXmlElement& element) override;
    // Multi-line scrolls up, single-line sideways.
    void setWrapMode(WrapMode mode) override;
    WrapMode wrapMode() override;
    void strikethrough(bool enabled) override;
    bool strikethrough() override;
    void setTextSizeType(TextSizeType type) override;
    TextSizeType textSizeType() override;
    void setTextSizeProportionalToWidth(unsigned long width) override;
    unsigned long textSizeProportionalToWidth() override;

    // Milliseconds before a new text starts to scroll.
    void setAutoScrollDelay(unsigned int delay);
    unsigned int autoScrollDelay() const;
    // Area sizes per second.
    void setAutoScrollSpeed(float speed);
    float autoScrollSpeed() const;

    KaScrollingLayout& scrollingLayout() { return mScrolling; }
    KaTextLayout& textLayout() { return mText; }

private:
    KaScrollingLayout mScrolling;
    KaTextLayout mText;
};

#endif
