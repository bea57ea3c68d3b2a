#ifndef BONUS_MENU_H
#define BONUS_MENU_H

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/script/KaLuaGUI.h"

class KaButtonLayout;

// The picture gallery of one place: a strip of picture buttons that slides
// one picture at a time (arrows or a drag), a caption under the centred
// picture, and a full-screen view of a picture. Every place's description
// uses the same names; a picture is offered only once the player has
// unlocked its artwork.
//
// A picture button's fifth child names the artwork: its name is both the
// key of the unlocked artworks and the picture shown full screen.
class BonusMenu : public KaLuaGUI {
public:
    // One picture of the strip: the description's numbered button, held in
    // a layout of the strip's size.
    class SaveButton : public KaLayout {
    public:
        SaveButton(KaButtonLayout* button, const KaString& name);
        ~SaveButton() override;
        SaveButton(const SaveButton&) = delete;
        SaveButton& operator=(const SaveButton&) = delete;

        // "Backup/" + name + ".xml": the caption shows only while it exists.
        KaString path() const { return KaString("Backup/") + name + ".xml"; }
        // The artwork's name, empty when the button has no fifth child.
        KaString artwork() const;
        bool onLoadSave();

        KaButtonLayout* button;
        KaString name;
        KaString caption;
        BonusMenu* menu;
    };

    BonusMenu();
    ~BonusMenu() override;

    void enter(const KaString& description);
    void leave();

    bool onQuitButton();
    bool onLeftButton();
    bool onRightButton();
    bool onSlideButtonDown();
    bool onMouseMove(unsigned int pointer);
    bool onPictureButton();

    const KaArray<SaveButton*>& buttons() const { return mButtons; }
    uint32_t current() const { return mCurrent; }

    // True when the game holds that artwork as unlocked.
    static bool artworkUnlocked(const KaString& artwork);

private:
    void slide(float direction);
    void showCaption();
    void disconnect();

    KaArray<SaveButton*> mButtons;
    uint32_t mCurrent;
    KaVector2s32 mPressPosition;
    bool mMoveConnected;
};

#endif
