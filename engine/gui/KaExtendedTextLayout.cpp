#include "engine/gui/KaExtendedTextLayout.h"

KaExtendedTextLayout::KaExtendedTextLayout()
{
    const float depth = userSize().z;
    mText.setSizeType(KaILayout::Percent);
    mText.setAnchor(KaVector3f32(0.5f, 0.0f, 0.0f));
    mText.setPosition(KaVector3f32(0.5f, 0.0f, 0.0f));
    mText.setSize(KaVector3f32(1.0f, 1.0f, depth));

    mScrolling.setContentLayout(&mText);
    mScrolling.setSizeType(KaILayout::Percent);
    mScrolling.setSize(KaVector3f32(1.0f, 1.0f, depth));
    mScrolling.setDirection(KaVector3f32(0.0f, 1.0f, 0.0f));
    mScrolling.setMouseControl(false);
    mScrolling.setEnclose(true);
    mScrolling.setAutoScrollLoop(1);
    mScrolling.setAutoScrollDelay(4000);
    mScrolling.setAutoScrollAnimation1Enabled(true);
    mScrolling.setAutoScrollAnimation1Delay(0);
    mScrolling.setAutoScrollAnimation1Speed(0.1f);
    mScrolling.setAutoScrollAnimation2Enabled(false);
    mScrolling.setAutoScrollAnimation2Delay(0);
    mScrolling.setAutoScrollAnimation2Speed(0.1f);
    addChild(&mScrolling);
    // The scrolling layout armed its own default pause when it was built:
    // the first text waits as long as every later one.
    mScrolling.playAutoScroll();
}

KaExtendedTextLayout::~KaExtendedTextLayout()
{
    mScrolling.setContentLayout(nullptr);
    removeChild(&mScrolling);
}

void KaExtendedTextLayout::setKerningActivated(bool activated) { mText.setKerningActivated(activated); }

bool KaExtendedTextLayout::kerningActivated() { return mText.kerningActivated(); }

void KaExtendedTextLayout::setText(const KaString& text)
{
    mText.setText(text);
    mScrolling.resetScrollPosition();
    mScrolling.playAutoScroll();
}

void KaExtendedTextLayout::setText(TiXmlElement* element)
{
    mText.setText(element);
    mScrolling.resetScrollPosition();
    mScrolling.playAutoScroll();
}

KaString KaExtendedTextLayout::text() const { return mText.text(); }

KaVector2s32 KaExtendedTextLayout::textSize() { return mText.textSize(); }

void KaExtendedTextLayout::clear() { mText.clear(); }

void KaExtendedTextLayout::setInterLine(float interLine) { mText.setInterLine(interLine); }

void KaExtendedTextLayout::loadXML(TiXmlElement& element) { mText.loadXML(element); }

void KaExtendedTextLayout::setWrapMode(WrapMode mode)
{
    if (mode == SingleLine) {
        mText.setAnchor(KaVector3f32(0.0f, 0.5f, 0.0f));
        mText.setPosition(KaVector3f32(0.0f, 0.5f, 0.0f));
        mScrolling.setDirection(KaVector3f32(1.0f, 0.0f, 0.0f));
    } else {
        mText.setAnchor(KaVector3f32(0.5f, 0.0f, 0.0f));
        mText.setPosition(KaVector3f32(0.5f, 0.0f, 0.0f));
        mScrolling.setDirection(KaVector3f32(0.0f, 1.0f, 0.0f));
    }
    // Set again so that the new start position is the one put back.
    mScrolling.setContentLayout(nullptr);
    mScrolling.setContentLayout(&mText);
    mText.setWrapMode(mode);
    // A single line took the width of its text: lines wrap within the area
    // again.
    if (mode == MultiLine)
        mText.setSize(KaVector3f32(1.0f, mText.userSize().y, 0.0f));
}

KaITextLayout::WrapMode KaExtendedTextLayout::wrapMode() { return mText.wrapMode(); }

void KaExtendedTextLayout::strikethrough(bool enabled) { mText.strikethrough(enabled); }

bool KaExtendedTextLayout::strikethrough() { return mText.strikethrough(); }

void KaExtendedTextLayout::setTextSizeType(TextSizeType type) { mText.setTextSizeType(type); }

KaITextLayout::TextSizeType KaExtendedTextLayout::textSizeType() { return mText.textSizeType(); }

void KaExtendedTextLayout::setTextSizeProportionalToWidth(unsigned long width)
{
    mText.setTextSizeProportionalToWidth(width);
}

unsigned long KaExtendedTextLayout::textSizeProportionalToWidth() { return mText.textSizeProportionalToWidth(); }

void KaExtendedTextLayout::setAutoScrollDelay(unsigned int delay) { mScrolling.setAutoScrollDelay(delay); }

unsigned int KaExtendedTextLayout::autoScrollDelay() const { return mScrolling.autoScrollDelay(); }

void KaExtendedTextLayout::setAutoScrollSpeed(float speed)
{
    mScrolling.setAutoScrollAnimation1Speed(speed);
    mScrolling.setAutoScrollAnimation2Speed(speed);
}

float KaExtendedTextLayout::autoScrollSpeed() const { return mScrolling.autoScrollAnimation1Speed(); }
