#ifndef SPLASH_SCREENS_H
#define SPLASH_SCREENS_H

#include "engine/core/KaTimer.h"
#include "engine/script/KaLuaGUI.h"

// The start-up sequence of full-screen pictures before the main menu: the
// descriptions "menus/splashes/splash0.lua", "splash1.lua", ... as long as
// the next one exists, 1.5 s each, with a capture-and-fade between two; a
// click on the splash's button "splash" skips to the main menu.
class SplashScreens {
public:
    SplashScreens();
    SplashScreens(const SplashScreens&) = delete;
    SplashScreens& operator=(const SplashScreens&) = delete;

    void enter();
    bool onAlarm();
    bool onQuitSplash();
    void leave() { mEntered = false; }

    bool entered() const { return mEntered; }
    unsigned long long nextIndex() const { return mNextIndex; }
    KaLuaGUI& gui() { return mGui; }

private:
    void attach();

    KaLuaGUI mGui;
    bool mEntered;
    KaTimer mTimer;
    unsigned long long mNextIndex;
};

#endif
