#include "engine/gui/KaCheckBox.h"

#include <cstring>
#include <tinyxml.h>

#include "engine/core/KaResourceManager.h"
#include "engine/graphics/KaImage.h"
#include "engine/gui/KaOldWidgetXml.h"
#include "engine/input/KaScreen.h"

KaCheckBox::KaCheckBox()
    : mActive(false)
    , mMode(Normal)
    , mButton(defaultScreen.get())
    , mActiveSprite(defaultScreen.get())
    , mUnactiveSprite(defaultScreen.get())
    , mDisabledActiveSprite(defaultScreen.get())
    , mDisabledUnactiveSprite(defaultScreen.get())
{
    mButton.setVisible(true);
    mButton.onClicked.add(this, &KaCheckBox::onButtonValidated);
    mButton.onPressed.add(this, &KaCheckBox::onButtonDown);
    mButton.onReleased.add(this, &KaCheckBox::onButtonUp);
}

KaCheckBox::~KaCheckBox()
{
    mButton.onClicked.remove(this, &KaCheckBox::onButtonValidated);
    mButton.onPressed.remove(this, &KaCheckBox::onButtonDown);
    mButton.onReleased.remove(this, &KaCheckBox::onButtonUp);
}

void KaCheckBox::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    mActiveSprite.setPosition(position);
    mUnactiveSprite.setPosition(position);
    mDisabledActiveSprite.setPosition(position);
    mDisabledUnactiveSprite.setPosition(position);
    mButton.setPosition(position + mMargins.offset());
}

void KaCheckBox::setScale(const KaVector3f32& scale)
{
    Ka3DObject::setScale(scale);
    forward(&Ka3DObject::setScale, scale);
}

void KaCheckBox::setScaleCenter(const KaVector3f32& center)
{
    Ka3DObject::setScaleCenter(center);
    forward(&Ka3DObject::setScaleCenter, center);
}

void KaCheckBox::setRotateAngle(float angle)
{
    Ka3DObject::setRotateAngle(angle);
    forward(&Ka3DObject::setRotateAngle, angle);
}

void KaCheckBox::setOpacity(float opacity)
{
    Ka3DObject::setOpacity(opacity);
    forward(&Ka3DObject::setOpacity, opacity);
}

void KaCheckBox::active(bool active)
{
    mActive = active;
    onStateChanged.call(active);
    updateState();
}

void KaCheckBox::visible(bool visible)
{
    mButton.setVisible(visible);
    updateState();
}

void KaCheckBox::enable(bool enable)
{
    mButton.setEnable(enable);
    updateState();
}

void KaCheckBox::updateState()
{
    const bool shown = mButton.getVisible();
    const bool enabled = mButton.getEnable();
    mActiveSprite.setVisible(shown && enabled && mActive);
    mUnactiveSprite.setVisible(shown && enabled && !mActive);
    mDisabledActiveSprite.setVisible(shown && !enabled && mActive);
    mDisabledUnactiveSprite.setVisible(shown && !enabled && !mActive);
}

bool KaCheckBox::onButtonDown()
{
    if (mMode == Normal) {
        mActiveSprite.setVisible(!mActive);
        mUnactiveSprite.setVisible(mActive);
    } else if (!mActive) {
        mActiveSprite.setVisible(true);
        mUnactiveSprite.setVisible(false);
    }
    mDisabledActiveSprite.setVisible(false);
    mDisabledUnactiveSprite.setVisible(false);
    return false;
}

bool KaCheckBox::onButtonUp()
{
    mActiveSprite.setVisible(mActive);
    mUnactiveSprite.setVisible(!mActive);
    mDisabledActiveSprite.setVisible(false);
    mDisabledUnactiveSprite.setVisible(false);
    return false;
}

bool KaCheckBox::onButtonValidated()
{
    if (mMode == Radio && mActive)
        return false;
    mActive = mMode == Radio ? true : !mActive;
    onStateChanged.call(mActive);
    updateState();
    return false;
}

void KaCheckBox::fitButtonTo(KaSprite& sprite)
{
    mButton.setSize(sprite.getSize() - mMargins.total());
}

void KaCheckBox::fitSizeToButton()
{
    Ka3DObject::setSize(mButton.getSize() + mMargins.total());
}

void KaCheckBox::load(
    const KaString& active, const KaString& unactive, const KaString& disabledActive, const KaString& disabledUnactive)
{
    KaSprite* const hidden[] = { &mDisabledUnactiveSprite, &mDisabledActiveSprite, &mUnactiveSprite };
    const KaString* const paths[] = { &disabledUnactive, &disabledActive, &unactive };
    for (int i = 0; i < 3; ++i) {
        if (paths[i]->length() != 0) {
            hidden[i]->load(*paths[i]);
            hidden[i]->setVisible(false);
            fitButtonTo(*hidden[i]);
        } else {
            hidden[i]->unload();
        }
    }
    if (active.length() != 0) {
        mActiveSprite.load(active);
        fitButtonTo(mActiveSprite);
    }
    fitSizeToButton();
}

void KaCheckBox::load(
    const KaImage* active, const KaImage* unactive, const KaImage* disabledActive, const KaImage* disabledUnactive)
{
    KaSprite* const sprites[] = { &mDisabledUnactiveSprite, &mDisabledActiveSprite, &mUnactiveSprite };
    const KaImage* const images[] = { disabledUnactive, disabledActive, unactive };
    for (int i = 0; i < 3; ++i) {
        if (images[i]) {
            sprites[i]->load(*images[i]);
            fitButtonTo(*sprites[i]);
        } else {
            sprites[i]->unload();
        }
    }
    if (active) {
        mActiveSprite.load(*active);
        fitButtonTo(mActiveSprite);
    }
    fitSizeToButton();
    onStateChanged.call(mActive);
    updateState();
}

void KaCheckBox::load(TiXmlElement& element)
{
    KaOldWidgetXml::readMargins(element, mMargins.left, mMargins.right, mMargins.bottom, mMargins.top);
    KaIntrusivePtr<KaImage> images[4];
    const char* const names[] = { "active_file", "unactive_file", "disable_active_file", "disable_unactive_file" };
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KaString name = KaString(attribute->Name()).toLowerCase();
        bool picture = false;
        for (int i = 0; i < 4 && !picture; ++i) {
            if (name == names[i]) {
                images[i] = resourceManager.get()->getResource<KaImage>(KaPath(attribute->Value()));
                picture = true;
            }
        }
        if (picture)
            continue;
        if (name == "visible") {
            mButton.setVisible(KaOldWidgetXml::integer(attribute->Value()) > 0);
            updateState();
        } else if (name == "mode") {
            if (std::strcmp(attribute->Value(), "normal") == 0)
                mMode = Normal;
            else if (std::strcmp(attribute->Value(), "radio") == 0)
                mMode = Radio;
        }
    }
    // An image that failed to load holds no pixels: it counts as not given.
    const KaImage* given[4];
    for (int i = 0; i < 4; ++i)
        given[i] = images[i] && images[i]->width() != 0 ? images[i].get() : nullptr;
    load(given[0], given[1], given[2], given[3]);
}

void KaCheckBox::unload()
{
    Ka3DObject::setSize(KaVector3f32(0, 0, 0));
    mActiveSprite.unload();
    mButton.setSize(mActiveSprite.getSize());
    mUnactiveSprite.unload();
    mDisabledActiveSprite.unload();
    mDisabledUnactiveSprite.unload();
}

KaVector3f32 KaCheckBox::margin() const { return mMargins.average(); }

void KaCheckBox::margin(const KaVector3f32& m)
{
    mMargins.setAverage(m);
    applyMargins();
}

void KaCheckBox::leftMargin(float value)
{
    mMargins.left = value;
    applyMargins();
}

void KaCheckBox::rightMargin(float value)
{
    mMargins.right = value;
    applyMargins();
}

void KaCheckBox::bottomMargin(float value)
{
    mMargins.bottom = value;
    applyMargins();
}

void KaCheckBox::topMargin(float value)
{
    mMargins.top = value;
    applyMargins();
}

void KaCheckBox::applyMargins()
{
    updateButtonPosition();
    updateButtonSize();
}

void KaCheckBox::updateButtonPosition() { mButton.setPosition(getPosition() + mMargins.offset()); }

void KaCheckBox::updateButtonSize()
{
    KaVector3f32 size = getSize() - mMargins.total();
    size.z = 0.0f;
    mButton.setSize(size);
}
