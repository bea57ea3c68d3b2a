#ifndef HELP_OPTION_MENU_H
#define HELP_OPTION_MENU_H

#include "engine/script/KaLuaGUI.h"

// The help options screen, shown over the menu video; the how-to pages come
// back to it. None of its buttons does anything yet.
class HelpOptionMenu : public KaLuaGUI {
public:
    HelpOptionMenu();

    // Nothing when already shown.
    void enter();
    void leave();

    bool entered() const { return mEntered; }

    static const char* descriptionPath() { return "menus/helpoptionMenu/optionsMenu.lua"; }

private:
    bool mEntered;
};

#endif
