#ifndef KA_SPRITE_BUTTON_H
#define KA_SPRITE_BUTTON_H

#include "engine/gui/KaMargins.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaButton.h"
#include "engine/gui/KaSprite.h"
#include "engine/world/Ka3DObject.h"

class KaColor;
class KaImage;
class KaPalette;
class KaScreen;
class TiXmlElement;

// The older picture button: an up, a down and a disabled picture stacked at
// the widget's position, over a KaButton inset by four margins (pixels, the
// bottom margin being the lower edge in the y-up space of the older
// widgets).
//
// The picture follows the button: up at rest, down while pressed when there
// is a down picture, disabled while disabled when there is a disabled
// picture. Showing the widget again shows its up picture, whatever the
// button's state: callers that hide and show a disabled button disable it
// again to get its disabled picture back.
//
// Scale, pivots, rotation, opacity, parent and screen set on the widget are
// passed to the button and the three sprites; each computes its own pivot.
//
// Holds a button and sprites registered by address: not copyable.
class KaSpriteButton : public Ka3DObject {
public:
    KaSpriteButton();
    ~KaSpriteButton() override;
    KaSpriteButton(const KaSpriteButton&) = delete;
    KaSpriteButton& operator=(const KaSpriteButton&) = delete;

    void setScreen(KaScreen* screen) override;
    void setParent(KaI3DObject* parent) override;
    // The sprites at the position, the button inset by the left and bottom
    // margins.
    void setPosition(const KaVector3f32& position) override;
    void setScale(const KaVector3f32& scale) override;
    void setScaleCenter(const KaVector3f32& center) override;
    void setRotateAngle(float angle) override;
    void setRotateCenter(KaVector3f32 center) override;
    void setRotateCenterFromPoint(KaVector3f32 point) override;
    void setOpacity(float opacity) override;

    void setVisible(bool visible);
    void setEnable(bool enable);

    // Up, down and disabled pictures, loaded in the reverse order; an empty
    // down or disabled path unloads that picture, an empty up path keeps the
    // up picture. The last picture loaded sizes the hit area (normally the
    // up one), and the widget is the hit area plus the margins. Loading
    // hides the down and disabled pictures.
    void load(const KaString& up, const KaString& down, const KaString& disabled);
    // The same with images; null stands for an empty path.
    void load(const KaImage* up, const KaImage* down, const KaImage* disabled);
    virtual void unload();

    void loadPalette(const KaString& path);
    void loadPalette(const KaPalette& palette);
    void unloadPalette();

    void setColor(const KaColor& color);
    KaColor color() const;

    // Half the sums of the horizontal and of the vertical margins.
    KaVector3f32 margin() const;
    // Left and right to m.x, bottom and top to m.y.
    void margin(const KaVector3f32& m);
    void leftMargin(float value);
    void rightMargin(float value);
    void bottomMargin(float value);
    void topMargin(float value);
    void updateButtonPosition();
    // Places and sizes the button inside the margins.
    void applyMargins();
    void updateButtonSize();

    // Reads the margins, the scale centre, the pictures (resolved against
    // the GUI file's folder), "enable" and "visible". "enable" is applied
    // once the pictures are loaded, so a disabled button shows its disabled
    // picture.
    void loadXML(TiXmlElement& element, KaString directory);

    KaButton& button() { return mButton; }
    KaSprite& upSprite() { return mUpSprite; }
    KaSprite& downSprite() { return mDownSprite; }
    KaSprite& disabledSprite() { return mDisabledSprite; }

    bool onButtonDown();
    bool onButtonUp();

protected:
    // Calls the same setter with the same value on every part, in step with
    // the widget itself.
    template <class Setter, class Value> void forward(Setter setter, const Value& value)
    {
        Ka3DObject* const parts[] = { &mButton, &mUpSprite, &mDownSprite, &mDisabledSprite };
        for (Ka3DObject* part : parts)
            (part->*setter)(value);
    }

    // The text that a "text" attribute gives; shown nowhere.
    virtual void takeText(const KaString&) { }
    // Sizes the button from a loaded sprite, less the margins.
    void fitButtonTo(KaSprite& sprite);
    void fitSizeToButton();

    KaButton mButton;
    KaSprite mUpSprite;
    KaSprite mDownSprite;
    KaSprite mDisabledSprite;
    KaMargins mMargins;
};

// The same widget, whose hit area follows its size, which can load its
// pictures from textures, and whose unload() keeps the hit area.
class KaSpriteButton2 : public KaSpriteButton {
public:
    KaSpriteButton2() = default;

    // A new size resizes the hit area inside the margins.
    void setSize(const KaVector3f32& size) override;
    using KaSpriteButton::load;
    // A null texture unloads that picture.
    void load(Ka3DTexture* up, Ka3DTexture* down, Ka3DTexture* disabled);
    void unload() override;
    void setText(const KaString&) { }

protected:
    void takeText(const KaString& text) override { setText(text); }
};

#endif
