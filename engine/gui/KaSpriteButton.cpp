#include "engine/gui/KaSpriteButton.h"

#include <tinyxml.h>

#include "engine/core/KaBaseFile.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/gui/KaOldWidgetXml.h"
#include "engine/input/KaScreen.h"

KaSpriteButton::KaSpriteButton()
    : mButton(defaultScreen.get())
    , mUpSprite(defaultScreen.get())
    , mDownSprite(defaultScreen.get())
    , mDisabledSprite(defaultScreen.get())
{
    mButton.setVisible(true);
    mButton.onPressed.add(this, &KaSpriteButton::onButtonDown);
    mButton.onReleased.add(this, &KaSpriteButton::onButtonUp);
}

KaSpriteButton::~KaSpriteButton()
{
    mButton.onPressed.remove(this, &KaSpriteButton::onButtonDown);
    mButton.onReleased.remove(this, &KaSpriteButton::onButtonUp);
}

void KaSpriteButton::setScreen(KaScreen* screen)
{
    Ka3DObject::setScreen(screen);
    mUpSprite.setScreen(screen);
    mDownSprite.setScreen(screen);
    mDisabledSprite.setScreen(screen);
    mButton.setScreen(screen);
}

void KaSpriteButton::setParent(KaI3DObject* parent)
{
    Ka3DObject::setParent(parent);
    forward(&Ka3DObject::setParent, parent);
}

void KaSpriteButton::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    mUpSprite.setPosition(position);
    mDownSprite.setPosition(position);
    mDisabledSprite.setPosition(position);
    mButton.setPosition(position + mMargins.offset());
}

void KaSpriteButton::setScale(const KaVector3f32& scale)
{
    Ka3DObject::setScale(scale);
    forward(&Ka3DObject::setScale, scale);
}

void KaSpriteButton::setScaleCenter(const KaVector3f32& center)
{
    Ka3DObject::setScaleCenter(center);
    forward(&Ka3DObject::setScaleCenter, center);
}

void KaSpriteButton::setRotateAngle(float angle)
{
    Ka3DObject::setRotateAngle(angle);
    forward(&Ka3DObject::setRotateAngle, angle);
}

void KaSpriteButton::setRotateCenter(KaVector3f32 center)
{
    Ka3DObject::setRotateCenter(center);
    forward(&Ka3DObject::setRotateCenter, center);
}

void KaSpriteButton::setRotateCenterFromPoint(KaVector3f32 point)
{
    Ka3DObject::setRotateCenterFromPoint(point);
    forward(&Ka3DObject::setRotateCenterFromPoint, point);
}

void KaSpriteButton::setOpacity(float opacity)
{
    Ka3DObject::setOpacity(opacity);
    forward(&Ka3DObject::setOpacity, opacity);
}

void KaSpriteButton::setVisible(bool visible)
{
    mUpSprite.setVisible(visible);
    mButton.setVisible(visible);
    if (!visible) {
        mDownSprite.setVisible(false);
        mDisabledSprite.setVisible(false);
    }
}

void KaSpriteButton::setEnable(bool enable)
{
    mButton.setEnable(enable);
    if (!mButton.getVisible())
        return;
    if (enable) {
        mDisabledSprite.setVisible(false);
        if (mButton.isPressed())
            mDownSprite.setVisible(true);
        else
            mUpSprite.setVisible(true);
        return;
    }
    if (!mDisabledSprite.texture())
        return;
    mUpSprite.setVisible(false);
    mDownSprite.setVisible(false);
    mDisabledSprite.setVisible(true);
}

bool KaSpriteButton::onButtonDown()
{
    if (mDownSprite.texture()) {
        mUpSprite.setVisible(false);
        mDownSprite.setVisible(true);
    }
    return false;
}

bool KaSpriteButton::onButtonUp()
{
    if (mDownSprite.texture()) {
        mUpSprite.setVisible(true);
        mDownSprite.setVisible(false);
    }
    return false;
}

void KaSpriteButton::fitButtonTo(KaSprite& sprite)
{
    mButton.setSize(sprite.getSize() - mMargins.total());
}

void KaSpriteButton::fitSizeToButton()
{
    Ka3DObject::setSize(mButton.getSize() + mMargins.total());
}

void KaSpriteButton::load(const KaString& up, const KaString& down, const KaString& disabled)
{
    if (disabled.length() != 0) {
        mDisabledSprite.load(disabled);
        mDisabledSprite.setVisible(false);
        fitButtonTo(mDisabledSprite);
    } else {
        mDisabledSprite.unload();
    }
    if (down.length() != 0) {
        mDownSprite.load(down);
        mDownSprite.setVisible(false);
        fitButtonTo(mDownSprite);
    } else {
        mDownSprite.unload();
    }
    if (up.length() != 0) {
        mUpSprite.load(up);
        fitButtonTo(mUpSprite);
        mButton.setVisible(true);
    }
    fitSizeToButton();
}

void KaSpriteButton::load(const KaImage* up, const KaImage* down, const KaImage* disabled)
{
    if (disabled) {
        mDisabledSprite.load(*disabled);
        mDisabledSprite.setVisible(false);
        fitButtonTo(mDisabledSprite);
    } else {
        mDisabledSprite.unload();
    }
    if (down) {
        mDownSprite.load(*down);
        mDownSprite.setVisible(false);
        fitButtonTo(mDownSprite);
    } else {
        mDownSprite.unload();
    }
    if (up) {
        mUpSprite.load(*up);
        fitButtonTo(mUpSprite);
        mButton.setVisible(true);
    }
    fitSizeToButton();
}

void KaSpriteButton::unload()
{
    Ka3DObject::setSize(KaVector3f32(0, 0, 0));
    mUpSprite.unload();
    mDownSprite.unload();
    mDisabledSprite.unload();
    mButton.setSize(mUpSprite.getSize());
}

void KaSpriteButton::loadPalette(const KaString& path) { mUpSprite.loadPalette(path); }

void KaSpriteButton::loadPalette(const KaPalette& palette) { mUpSprite.loadPalette(palette); }

void KaSpriteButton::unloadPalette() { mUpSprite.unloadPalette(); }

void KaSpriteButton::setColor(const KaColor& color)
{
    mUpSprite.setColor(color);
    mDownSprite.setColor(color);
    mDisabledSprite.setColor(color);
}

KaColor KaSpriteButton::color() const { return mUpSprite.color(); }

KaVector3f32 KaSpriteButton::margin() const { return mMargins.average(); }

void KaSpriteButton::margin(const KaVector3f32& m)
{
    mMargins.setAverage(m);
    applyMargins();
}

void KaSpriteButton::leftMargin(float value)
{
    mMargins.left = value;
    applyMargins();
}

void KaSpriteButton::rightMargin(float value)
{
    mMargins.right = value;
    applyMargins();
}

void KaSpriteButton::bottomMargin(float value)
{
    mMargins.bottom = value;
    applyMargins();
}

void KaSpriteButton::topMargin(float value)
{
    mMargins.top = value;
    applyMargins();
}

void KaSpriteButton::applyMargins()
{
    updateButtonPosition();
    updateButtonSize();
}

void KaSpriteButton::updateButtonPosition() { mButton.setPosition(getPosition() + mMargins.offset()); }

void KaSpriteButton::updateButtonSize()
{
    KaVector3f32 size = getSize() - mMargins.total();
    size.z = 0.0f;
    mButton.setSize(size);
}

void KaSpriteButton::loadXML(TiXmlElement& element, KaString directory)
{
    KaOldWidgetXml::readMargins(element, mMargins.left, mMargins.right, mMargins.bottom, mMargins.top);
    KaVector3f32 center = getScaleCenter();
    if (KaOldWidgetXml::readScaleCenter(element, center))
        setScaleCenter(center);

    KaString up, down, disabled;
    bool enableGiven = false;
    bool enable = true;
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KaString name = KaString(attribute->Name()).toLowerCase();
        if (name == "up_file")
            up = attribute->Value();
        else if (name == "down_file")
            down = attribute->Value();
        else if (name == "disable_file")
            disabled = attribute->Value();
        else if (name == "enable") {
            enableGiven = true;
            enable = KaOldWidgetXml::integer(attribute->Value()) > 0;
        } else if (name == "text")
            takeText(attribute->Value());
    }
    const KaPath folder(directory);
    load(KaBaseFile::getRealPath(KaPath(up), folder), KaBaseFile::getRealPath(KaPath(down), folder),
        KaBaseFile::getRealPath(KaPath(disabled), folder));
    // After the pictures: loading hides the disabled picture, which would
    // leave a disabled button showing its up picture.
    if (enableGiven)
        setEnable(enable);

    const char* visible = KaOldWidgetXml::attribute(element, "visible");
    if (visible)
        setVisible(KaOldWidgetXml::integer(visible) > 0);
}

void KaSpriteButton2::setSize(const KaVector3f32& size)
{
    if (size == getSize())
        return;
    Ka3DObject::setSize(size);
    updateButtonSize();
}

void KaSpriteButton2::load(Ka3DTexture* up, Ka3DTexture* down, Ka3DTexture* disabled)
{
    KaSprite* const sprites[] = { &mUpSprite, &mDownSprite, &mDisabledSprite };
    Ka3DTexture* const textures[] = { up, down, disabled };
    for (int i = 0; i < 3; ++i) {
        if (textures[i])
            sprites[i]->load(KaIntrusivePtr<Ka3DTexture>(textures[i]));
        else
            sprites[i]->unload();
    }
}

void KaSpriteButton2::unload()
{
    Ka3DObject::setSize(KaVector3f32(0, 0, 0));
    mUpSprite.unload();
    mDownSprite.unload();
    mDisabledSprite.unload();
}
