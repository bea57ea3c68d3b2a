#ifndef CREDITS_H
#define CREDITS_H

#include <cstdint>

#include "engine/color/KaColor.h"
#include "engine/scene/KaCurveAnim2.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/world/Ka3DObject2.h"

// The scrolling credits with their music, over a slideshow of pictures that
// fade in one after the other, 12 s each. Entered from the options menu or
// at the end of the game; the end of the text or a click goes back where
// they came from. The look is "menus/credits/credits.lua".
class Credits {
public:
    typedef KaCurveAnim2<Ka3DObject2, KaColor> ColorAnim;

    Credits();
    Credits(const Credits&) = delete;
    Credits& operator=(const Credits&) = delete;

    void enter(bool fromOptions);
    // Changes screen only the first time: a second call finds the GUI gone.
    void leave();
    bool onAnimFinished();
    bool onQuitButton();
    bool onBackgroundAnimFinished();
    bool onPadButtonUp(unsigned int buttons);

    bool entered() const { return mGui.isLoaded(); }
    bool fromOptions() const { return mFromOptions; }
    uint8_t backgroundIndex() const { return mBackgroundIndex; }
    KaLuaGUI& gui() { return mGui; }
    ColorAnim& backgroundFade() { return mBackgroundFade; }

private:
    // Shows picture index of "Backgrounds" and starts its fade and its move.
    void showBackground(unsigned long index);

    uint8_t mBackgroundIndex;
    KaLuaGUI mGui;
    bool mFromOptions;
    ColorAnim mBackgroundFade;
};

#endif
