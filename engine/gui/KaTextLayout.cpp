#include "engine/gui/KaTextLayout.h"

#include <tinyxml.h>

#include <cmath>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaILoc.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Length of the character reference at text[at] ("&amp;", "&#233;",
// "&#xE9;"), 0 when the "&" there starts none.
unsigned long referenceLength(const char* text, unsigned long at, unsigned long length)
{
    static const char* const names[] = { "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" };
    for (const char* name : names) {
        const unsigned long n = KaStrlen(name);
        if (at + n <= length && KaMemcmp(text + at, name, n) == 0)
            return n;
    }
    unsigned long i = at + 1;
    if (i >= length || text[i] != '#')
        return 0;
    ++i;
    const bool hex = i < length && (text[i] == 'x' || text[i] == 'X');
    if (hex)
        ++i;
    const unsigned long digits = i;
    while (i < length && (hex ? isHexDigit(text[i]) : isDigit(text[i])))
        ++i;
    if (i == digits || i >= length || text[i] != ';')
        return 0;
    return i + 1 - at;
}

// TinyXML drops a bare "&" (and fails on "&#" without ";"): write it as the
// reference it stands for, so a translation's "&" shows.
KaString escapeBareAmpersands(const KaString& text)
{
    const unsigned long length = text.length();
    const char* bytes = text.c_str();
    if (!std::memchr(bytes, '&', length))
        return text;
    KaString result;
    unsigned long from = 0;
    for (unsigned long i = 0; i < length; ++i) {
        if (bytes[i] != '&')
            continue;
        const unsigned long reference = referenceLength(bytes, i, length);
        if (reference > 0) {
            i += reference - 1;
            continue;
        }
        result += KaString(bytes + from, i - from);
        result += "&amp;";
        from = i + 1;
    }
    result += KaString(bytes + from, length - from);
    return result;
}

} // namespace

KaTextLayout::KaTextLayout()
    : mFontSize(0)
    , mTextSizeType(Fixed)
    , mTextSizeProportionalToWidth(0)
{
}

KaTextLayout::~KaTextLayout() = default;

KaString KaTextLayout::substitute(const KaString& text)
{
    KaILoc* loc = core.get()->loc();
    KaString result = text;
    unsigned long from = 0;
    for (;;) {
        unsigned long open = 0;
        unsigned long close = 0;
        if (!result.contains("$(", from, &open) || !result.contains(")", open + 2, &close))
            break;
        const KaString key = result.subString(open + 2, close - open - 2);
        const KaString* value = loc ? loc->text(key) : nullptr;
        if (!value) {
            from = close + 1;
            continue;
        }
        KaString replaced = result.subString(0, open);
        replaced += *value;
        replaced += result.subString(close + 1, result.length() - close - 1);
        from = open + value->length();
        result = replaced;
    }
    return result;
}

bool KaTextLayout::parseMarkup(const KaString& text, TiXmlElement& document)
{
    KaString wrapped("<document>");
    wrapped += escapeBareAmpersands(text);
    wrapped += "</document>";
    // The setting is TinyXML's global: hold it for this parse only.
    const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(true);
    // Nested deeper than any text needs, it would overflow TinyXML's
    // recursive parser: refused whole, like any markup that does not parse.
    const char* end = KaXMLParse(document, wrapped.c_str(), TIXML_ENCODING_LEGACY);
    TiXmlBase::SetCondenseWhiteSpace(condensed);
    return end != nullptr;
}

void KaTextLayout::setText(const KaString& text)
{
    if (text.length() == 0) {
        clear();
        return;
    }
    const KaString substituted = substitute(text);
    TiXmlElement document("");
    if (!parseMarkup(substituted, document))
        KaPrintf("[KaTextLayout::setText] Can't parse the text : %s\n", substituted.c_str());
    setText(document.FirstChildElement());
}

void KaTextLayout::setText(TiXmlElement* element)
{
    clear();
    KaString characters;
    for (TiXmlNode* node = element; node; node = node->NextSibling()) {
        const unsigned int index = static_cast<unsigned int>(characters.length());
        if (TiXmlText* text = node->ToText()) {
            characters += text->Value();
            continue;
        }
        TiXmlElement* tag = node->ToElement();
        if (!tag)
            continue;
        const KaString name = tag->Value();
        if (name == "br") {
            mTextBase.insertNewLine(index);
        } else if (name == "font") {
            if (const char* file = tag->Attribute("file")) {
                KaIntrusivePtr<KaFont3> font = resourceManager.get()->getResource<KaFont3>(KaPath(file));
                mTextBase.setFont(index, font);
            }
            int size = 0;
            if (tag->QueryIntAttribute("size", &size) == TIXML_SUCCESS)
                mFontSize = size > 0 ? static_cast<unsigned long>(size) : 0;
        } else if (name == "color") {
            int r = 0, g = 0, b = 0, a = 255;
            tag->QueryIntAttribute("r", &r);
            tag->QueryIntAttribute("g", &g);
            tag->QueryIntAttribute("b", &b);
            tag->QueryIntAttribute("a", &a);
            mTextBase.setColor(index,
                KaColor(static_cast<unsigned char>(r & 0xFF), static_cast<unsigned char>(g & 0xFF),
                    static_cast<unsigned char>(b & 0xFF), static_cast<unsigned char>(a & 0xFF)));
        } else if (name == "section") {
            if (const char* style = tag->Attribute("style")) {
                const KaString lower = KaString(style).toLowerCase();
                if (lower == "left")
                    mTextBase.setAlignStyle(KaTextBase2::Left);
                else if (lower == "right")
                    mTextBase.setAlignStyle(KaTextBase2::Right);
                else if (lower == "justify")
                    mTextBase.setAlignStyle(KaTextBase2::Justify);
                else if (lower == "center")
                    mTextBase.setAlignStyle(KaTextBase2::Center);
            }
        }
    }
    mTextBase.setText(characters);
    markSizeStale();
}

KaString KaTextLayout::text() const { return mTextBase.text(); }

KaVector2s32 KaTextLayout::textSize()
{
    // The block gets its rectangle and font size from the size update: a
    // text just set is measured at the size it will be drawn.
    size();
    return mTextBase.size();
}

void KaTextLayout::clear() { mTextBase.clear(); }

void KaTextLayout::setInterLine(float interLine) { mTextBase.setInterLine(interLine); }

void KaTextLayout::loadXML(TiXmlElement& element)
{
    setText(element.FirstChildElement());
    int visible = 0;
    if (element.QueryIntAttribute("visible", &visible) == TIXML_SUCCESS)
        setVisible(visible >= 1);
    float interLine = 0.0f;
    if (element.QueryFloatAttribute("interline", &interLine) == TIXML_SUCCESS)
        setInterLine(interLine);
}

void KaTextLayout::setKerningActivated(bool activated) { mTextBase.setKerning(activated); }

bool KaTextLayout::kerningActivated() { return mTextBase.kerning(); }

void KaTextLayout::setWrapMode(WrapMode mode) { mTextBase.setWrapMode(static_cast<KaTextBase2::WrapMode>(mode)); }

KaITextLayout::WrapMode KaTextLayout::wrapMode() { return static_cast<WrapMode>(mTextBase.wrapMode()); }

void KaTextLayout::strikethrough(bool on) { mTextBase.strikethrough(on); }

bool KaTextLayout::strikethrough() { return mTextBase.strikethrough(); }

void KaTextLayout::setTextSizeType(TextSizeType type)
{
    if (type == mTextSizeType)
        return;
    mTextSizeType = type;
    markSizeStale();
}

KaITextLayout::TextSizeType KaTextLayout::textSizeType() { return mTextSizeType; }

void KaTextLayout::setTextSizeProportionalToWidth(unsigned long width)
{
    if (width == mTextSizeProportionalToWidth)
        return;
    mTextSizeProportionalToWidth = width;
    markSizeStale();
}

unsigned long KaTextLayout::textSizeProportionalToWidth() { return mTextSizeProportionalToWidth; }

void KaTextLayout::setColor(const KaColor& color)
{
    Ka3DObject2::setColor(color);
    mTextBase.setGlobalColor(worldColor());
}

bool KaTextLayout::onParentWorldColorChanged()
{
    Ka3DObject2::onParentWorldColorChanged();
    mTextBase.setGlobalColor(worldColor());
    return false;
}

void KaTextLayout::pixelScale(float& sx, float& sy)
{
    const KaMatrix4x4 matrix = worldTransformationMatrix();
    const KaVector3f32 origin = matrix * KaVector3f32(0.0f, 0.0f, 0.0f);
    sx = (matrix * KaVector3f32(1.0f, 0.0f, 0.0f) - origin).getLength();
    sy = (matrix * KaVector3f32(0.0f, 1.0f, 0.0f) - origin).getLength();
}

void KaTextLayout::updateSize()
{
    if (!isSizeStale())
        return;
    KaLayout::updateSize();
    float sx = 1.0f;
    float sy = 1.0f;
    pixelScale(sx, sy);
    const KaVector3f32 size = computedSize();
    mTextBase.setRect(KaVector2s32(static_cast<int32_t>(size.x * sx), static_cast<int32_t>(size.y * sy)));
    float fontSize = static_cast<float>(mFontSize);
    if (mTextSizeType == Proportional && mTextSizeProportionalToWidth != 0)
        fontSize = size.x / static_cast<float>(mTextSizeProportionalToWidth) * fontSize;
    const float scaled = fontSize * sy;
    mTextBase.setFontSize(scaled > 0.0f && std::isfinite(scaled) ? static_cast<unsigned long>(scaled) : 0);
    mTextBase.build();
    const KaVector2s32 laidOut = mTextBase.size();
    const float tw = static_cast<float>(laidOut.x);
    const float th = static_cast<float>(laidOut.y);
    const bool single = mTextBase.wrapMode() == KaTextBase2::SingleLine;
    KaVector3f32 newSize = userSize();
    // A layout scaled to nothing has no pixels to measure its text by.
    if (sizeType() == Pixel) {
        if (sy > 0.0f)
            newSize.y = th / sy;
        // Widths are measured along x: divided by the horizontal scale.
        if (single && sx > 0.0f)
            newSize.x = tw / sx;
    } else if (KaI3DObject2* up = parent()) {
        const float parentX = up->xSize();
        const float parentY = up->ySize();
        if (single && parentX != 0.0f && sx > 0.0f)
            newSize.x = (tw / sx) / parentX;
        if (parentY != 0.0f && sy > 0.0f)
            newSize.y = (th / sy) / parentY;
    }
    setSize(newSize);
    KaLayout::updateSize();
}

KaMatrix4x4 KaTextLayout::textMatrix()
{
    float sx = 1.0f;
    float sy = 1.0f;
    pixelScale(sx, sy);
    KaMatrix4x4 matrix = worldTransformationMatrix();
    const KaVector3f32 half = size() / 2.0f;
    matrix.translate(KaVector3f32(-half.x, -half.y, 0.0f));
    if (sx > 0.0f && sy > 0.0f)
        matrix.scale(KaVector3f32(1.0f / sx, 1.0f / sy, 1.0f));
    // Glyph quads on whole window pixels: the window's centre, the origin,
    // sits on a pixel's middle when its side is odd.
    KaMainWindow* window = mainWindow.get();
    const int width = static_cast<int>(window->xSize());
    const int height = static_cast<int>(window->ySize());
    matrix.m[12] = std::floor(matrix.m[12]) + (width % 2 != 0 ? 0.5f : 0.0f);
    matrix.m[13] = std::floor(matrix.m[13]) + (height % 2 != 0 ? 0.5f : 0.0f);
    return matrix;
}

void KaTextLayout::draw()
{
    if (!visible() || !worldVisible())
        return;
    size();
    float sx = 1.0f;
    float sy = 1.0f;
    pixelScale(sx, sy);
    // A layout scaled to nothing shows nothing.
    if (sx > 0.0f && sy > 0.0f) {
        KaRenderer* gl = renderer.get();
        gl->pushMatrix();
        gl->loadMatrix(textMatrix());
        mTextBase.draw();
        gl->popMatrix();
    }
    KaLayout::draw();
}
