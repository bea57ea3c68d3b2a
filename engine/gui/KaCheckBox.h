#ifndef KA_CHECK_BOX_H
#define KA_CHECK_BOX_H

#include "engine/gui/KaMargins.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaButton.h"
#include "engine/gui/KaSprite.h"
#include "engine/world/Ka3DObject.h"

class KaImage;
class TiXmlElement;

// The older two-state widget: active and inactive pictures, each with a
// disabled look, stacked at the widget's position over a KaButton inset by
// four margins (as for the sprite buttons).
//
// A click toggles the state (normal mode) or only switches it on (radio
// mode: a click on an active box changes nothing). While the pointer holds
// the box, the picture of the state a release would give is shown; a release
// outside restores the current picture without a click. A radio box does not
// switch others off: whoever listens to onStateChanged does.
//
// Holds a button and sprites registered by address: not copyable.
class KaCheckBox : public Ka3DObject {
public:
    enum Mode { Normal = 0, Radio = 1 };

    KaCheckBox();
    ~KaCheckBox() override;
    KaCheckBox(const KaCheckBox&) = delete;
    KaCheckBox& operator=(const KaCheckBox&) = delete;

    void setPosition(const KaVector3f32& position) override;
    void setScale(const KaVector3f32& scale) override;
    void setScaleCenter(const KaVector3f32& center) override;
    void setRotateAngle(float angle) override;
    void setOpacity(float opacity) override;

    // Emits onStateChanged, also when the state is unchanged.
    void active(bool active);
    bool active() const { return mActive; }
    void visible(bool visible);
    bool visible() const { return mButton.getVisible(); }
    void enable(bool enable);
    bool enable() const { return mButton.getEnable(); }
    void mode(Mode mode) { mMode = mode; }
    Mode mode() const { return mMode; }
    // Shows the one picture of the current state; none while hidden.
    void updateState();

    // Active, inactive, disabled-active and disabled-inactive pictures,
    // loaded in the reverse order; an empty path unloads its picture, except
    // an empty active path, which keeps the active picture. The last picture
    // loaded sizes the hit area. The shown picture is not updated.
    void load(const KaString& active, const KaString& unactive, const KaString& disabledActive,
        const KaString& disabledUnactive);
    // The same with images (null for none), then emits onStateChanged and
    // shows the picture of the state.
    void load(
        const KaImage* active, const KaImage* unactive, const KaImage* disabledActive, const KaImage* disabledUnactive);
    // Reads the margins, the four pictures (through the resource manager, as
    // given: not against the GUI file's folder), "visible" and "mode".
    void load(TiXmlElement& element);
    void unload();

    KaVector3f32 margin() const;
    void margin(const KaVector3f32& m);
    void leftMargin(float value);
    void rightMargin(float value);
    void bottomMargin(float value);
    void topMargin(float value);
    void updateButtonPosition();
    // Places and sizes the button inside the margins.
    void applyMargins();
    void updateButtonSize();

    KaButton& button() { return mButton; }
    KaSprite& activeSprite() { return mActiveSprite; }
    KaSprite& unactiveSprite() { return mUnactiveSprite; }
    KaSprite& disabledActiveSprite() { return mDisabledActiveSprite; }
    KaSprite& disabledUnactiveSprite() { return mDisabledUnactiveSprite; }

    bool onButtonValidated();
    bool onButtonDown();
    bool onButtonUp();

    KaSignal1Param<bool> onStateChanged;

private:
    // Calls the same setter with the same value on every part, in step with
    // the widget itself.
    template <class Setter, class Value> void forward(Setter setter, const Value& value)
    {
        Ka3DObject* const parts[] = {
            &mButton, &mActiveSprite, &mUnactiveSprite, &mDisabledActiveSprite, &mDisabledUnactiveSprite
        };
        for (Ka3DObject* part : parts)
            (part->*setter)(value);
    }

    void fitButtonTo(KaSprite& sprite);
    void fitSizeToButton();

    bool mActive;
    Mode mMode;
    KaButton mButton;
    KaSprite mActiveSprite;
    KaSprite mUnactiveSprite;
    KaSprite mDisabledActiveSprite;
    KaSprite mDisabledUnactiveSprite;
    KaMargins mMargins;
};

#endif
