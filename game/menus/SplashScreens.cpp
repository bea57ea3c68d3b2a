#include "game/menus/SplashScreens.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/gui/KaButtonLayout.h"
#include "game/application/Application.h"

namespace {

KaString splashPath(unsigned long long index)
{
    KaString path;
    path.format("menus/splashes/splash%llu.lua", index);
    return path;
}

}

SplashScreens::SplashScreens()
    : mEntered(false)
    , mNextIndex(0)
{
    mTimer.onAlarm.add(this, &SplashScreens::onAlarm, 0.0f);
}

void SplashScreens::attach()
{
    // A description without its button "splash" has nothing to show and
    // cannot be skipped: it shows nothing for its 1.5 s.
    if (KaLayout* splash = mGui.layout("splash"))
        application.get()->layoutFront().addChild(splash);
}

void SplashScreens::enter()
{
    if (mEntered)
        return;
    mEntered = true;
    mNextIndex = 0;
    if (KaBaseFile::fileExist(splashPath(0))) {
        mGui.load(splashPath(0));
        attach();
        // So that the first capture already shows the first splash.
        application.get()->performRender();
    }
    onAlarm();
}

bool SplashScreens::onAlarm()
{
    Application* app = application.get();
    app->visualFade().init();
    // The first splash has nothing before it to fade from: a capture of it
    // taken while the window is still settling its size (going full screen)
    // would show it twice, the stale copy fading out over the live one.
    const bool fades = mNextIndex > 0;
    if (fades)
        app->captureFade();
    mGui.unload();
    const KaString path = splashPath(mNextIndex);
    ++mNextIndex;
    if (KaBaseFile::fileExist(path)) {
        KaPrintf("[SplashScreens] splash %llu\n", mNextIndex - 1);
        mGui.load(path);
        if (KaButtonLayout* button = mGui.buttonLayout("splash"))
            button->onMouseClickValidated.add(this, &SplashScreens::onQuitSplash, 0.0f);
        attach();
        mTimer.start();
        mTimer.setAlarmIn(1500000);
    } else {
        onQuitSplash();
    }
    if (fades)
        app->fade();
    return true;
}

bool SplashScreens::onQuitSplash()
{
    mTimer.stop();
    Application* app = application.get();
    app->captureFade();
    mGui.unload();
    mEntered = false;
    KaPrintf("[SplashScreens] end of the splash screens\n");
    app->mainMenu().enter();
    app->fade();
    return false;
}
