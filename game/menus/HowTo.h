#ifndef HOW_TO_H
#define HOW_TO_H

#include <cstdint>

#include "engine/script/KaLuaGUI.h"

// How to play, as pages a game pad leafs through: next and previous wrap
// round, cancel goes back to the help options screen. The pages' texts are
// localised on entry from the names of their text layouts.
class HowTo : public KaLuaGUI {
public:
    // The pad's button bits, as the scene scripts know them.
    enum PadButton : unsigned int {
        BUTTON_CANCEL = 2,
        BUTTON_LEFT = 0x200,
        BUTTON_RIGHT = 0x400,
        BUTTON_L2 = 0x8000,
        BUTTON_R2 = 0x10000,
    };

    HowTo();

    // Nothing when already shown.
    void enter();
    // Closes the pages and shows the help options screen.
    void leave();
    void updateDisplay(unsigned int oldPage, unsigned int newPage);
    // Never consumes the event.
    bool onDefaultPadButtonUp(unsigned int buttons);
    void stickMove() { }

    bool entered() const { return mEntered; }
    uint32_t currentPage() const { return mCurrentPage; }

    static const char* descriptionPath() { return "menus/howtoMenu/howto.lua"; }

private:
    unsigned long pageCount() const;

    bool mEntered;
    uint32_t mCurrentPage;
};

#endif
