#ifndef GLOBAL_BONUS_MENU_H
#define GLOBAL_BONUS_MENU_H

#include "engine/script/KaLuaGUI.h"

// The bonus hub: one button per place of the story, each opening that
// place's picture gallery (BonusMenu), and a way back to the main menu. A
// description may leave any place out; its button is then simply not there.
class GlobalBonusMenu : public KaLuaGUI {
public:
    GlobalBonusMenu();

    // Shows the hub; the caller fades in afterwards.
    void enter();
    // Nothing when the hub is not shown.
    void leave();

    bool onPimButtonValidated();
    bool onDovButtonValidated();
    bool onRokButtonValidated();
    bool onUstButtonValidated();
    bool onOrn2ButtonValidated();
    bool onOrn3ButtonValidated();
    bool onQuitButton();

    bool entered() const { return mEntered; }

    static const char* descriptionPath() { return "menus/bonusmenu/GlobalBonusMenu.lua"; }

private:
    void openGallery(const char* path);

    bool mEntered;
};

#endif
