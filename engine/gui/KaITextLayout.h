#ifndef KA_I_TEXT_LAYOUT_H
#define KA_I_TEXT_LAYOUT_H

#include "engine/core/KaString.h"
#include "engine/gui/KaILayout.h"
#include "engine/maths/KaVector2s32.h"

class TiXmlElement;

// What a layout that shows rich text offers, so that GUI descriptions and the
// game treat plain and scrolling text areas alike. KaTextLayout is the
// implementation; read its header for the behaviour.
class KaITextLayout : public virtual KaILayout {
public:
    // The same values as the rich-text block's.
    enum WrapMode { MultiLine = 0, SingleLine = 1 };
    enum TextSizeType { Fixed = 0, Proportional = 1 };

    ~KaITextLayout() override { }

    virtual void setKerningActivated(bool activated) = 0;
    virtual bool kerningActivated() = 0;
    virtual void setText(const KaString& text) = 0;
    virtual void setText(TiXmlElement* element) = 0;
    virtual KaString text() const = 0;
    virtual KaVector2s32 textSize() = 0;
    virtual void clear() = 0;
    virtual void setInterLine(float interLine) = 0;
    virtual void loadXML(TiXmlElement& element) = 0;
    virtual void setWrapMode(WrapMode mode) = 0;
    virtual WrapMode wrapMode() = 0;
    virtual void strikethrough(bool on) = 0;
    virtual bool strikethrough() = 0;
    virtual void setTextSizeType(TextSizeType type) = 0;
    virtual TextSizeType textSizeType() = 0;
    virtual void setTextSizeProportionalToWidth(unsigned long width) = 0;
    virtual unsigned long textSizeProportionalToWidth() = 0;
};

#endif
