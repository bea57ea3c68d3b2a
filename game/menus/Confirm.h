#ifndef CONFIRM_H
#define CONFIRM_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/script/KaLuaGUI.h"

// The menus' modal yes-or-no dialog: a small Lua description shown above the
// screens, its texts taken from the localisation table; "yes" or "no" closes
// it inside a capture-and-fade and then tells the owner.
class Confirm {
public:
    Confirm() { }
    Confirm(const Confirm&) = delete;
    Confirm& operator=(const Confirm&) = delete;

    // The message comes from the description; the text is not used.
    void enter(const KaString& luaFile, KaString text);
    void leave();
    // Lets the click go on to lower-priority listeners.
    bool onYes();
    // Ends the click here.
    bool onNo();

    KaLuaGUI& gui() { return mGui; }
    // The question is on screen, waiting for its answer.
    bool isOpen() const { return mGui.isLoaded(); }

    KaSignal0Param onButtonYes;
    KaSignal0Param onButtonNo;

private:
    KaLuaGUI mGui;
};

#endif
