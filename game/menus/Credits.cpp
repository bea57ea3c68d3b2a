#include "game/menus/Credits.h"

#include "engine/base/KaStd.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/sound/KaMusic.h"
#include "game/application/Application.h"

namespace {

const char* const scrollAnimations[2] = { "scrollTextPositionAnim", "scrollBackgroundPositionAnim" };

}

Credits::Credits()
    : mBackgroundIndex(0)
    , mFromOptions(false)
{
}

void Credits::enter(bool fromOptions)
{
    Application* app = application.get();
    mFromOptions = fromOptions;
    mBackgroundIndex = 0;
    mGui.load("menus/credits/credits.lua");
    KaPrintf("[Credits] credits\n");
    if (KaLayout* menu = mGui.layout("menu"))
        app->layoutFront().addChild(menu);

    const KaString musicPath = mGui.value("musicPath").toString();
    KaMusic& music = app->menuMusic();
    if (!music.isPlaying() || !(music.getAccessName() == KaPath(musicPath))) {
        music.load(musicPath);
        music.play();
        music.volume(1.0f);
    }

    if (KaButtonLayout* background = mGui.buttonLayout("background"))
        background->onMouseClickValidated.add(this, &Credits::onQuitButton, 0.0f);
    KaLayout* text = mGui.layout("text");
    if (KaLuaGUI::PositionAnimation* scroll = mGui.layoutPositionLinearAnimation("scrollTextPositionAnim")) {
        scroll->onFinished.add(this, &Credits::onAnimFinished, 0.0f);
        scroll->mTarget = text;
        scroll->mSetter = &KaI3DObject2::setPosition;
        scroll->play();
    }
    if (KaLuaGUI::AnchorAnimation* anchor = mGui.layoutAnchorLinearAnimation("scrollTextAnchorAnim")) {
        anchor->mTarget = text;
        anchor->mSetter = &KaILayout::setAnchor;
        anchor->play();
    }
    if (KaLuaGUI::PositionAnimation* scroll = mGui.layoutPositionLinearAnimation("scrollBackgroundPositionAnim")) {
        scroll->mTarget = mGui.layout("backgroundSprite");
        scroll->mSetter = &KaI3DObject2::setPosition;
        scroll->play();
    }

    // Each picture stays transparent for three quarters of its 12 s and
    // becomes opaque in the last quarter.
    mBackgroundFade.timer().pausable(false);
    mBackgroundFade.stop();
    mBackgroundFade.mStartValue = KaColor(255, 255, 255, 0);
    mBackgroundFade.mEndValue = KaColor(255, 255, 255, 255);
    KaArray<float> curve;
    curve.pushBack(0.0f);
    curve.pushBack(0.0f);
    curve.pushBack(0.0f);
    curve.pushBack(0.0f);
    curve.pushBack(1.0f);
    mBackgroundFade.setCurve(curve);
    mBackgroundFade.setRepeatCount(1);
    mBackgroundFade.mDuration = 12000.0f;
    mBackgroundFade.mSetter = &Ka3DObject2::setColor;
    showBackground(0);
    // Entered again without a leave (a script ending the game twice), the
    // fade must still move one picture per run, not one per entry.
    mBackgroundFade.onFinished.remove(this, &Credits::onBackgroundAnimFinished, 0.0f);
    mBackgroundFade.onFinished.add(this, &Credits::onBackgroundAnimFinished, 0.0f);
}

void Credits::showBackground(unsigned long index)
{
    KaLayout* backgrounds = mGui.layout("Backgrounds");
    if (!backgrounds || index >= backgrounds->childCount())
        return;
    KaI3DObject2* picture = backgrounds->child(index);
    picture->setVisible(true);
    // A picture that cannot take a colour shows at once, without its fade.
    if (Ka3DObject2* fading = dynamic_cast<Ka3DObject2*>(picture)) {
        mBackgroundFade.mTarget = fading;
        mBackgroundFade.play();
    }
    if (KaLuaGUI::PositionAnimation* move = mGui.layoutPositionLinearAnimation(picture->name() + "Anim")) {
        move->mTarget = picture;
        move->mSetter = &KaI3DObject2::setPosition;
        move->play();
    }
}

bool Credits::onBackgroundAnimFinished()
{
    // Eight bits: the count wraps after 256 pictures.
    mBackgroundIndex = static_cast<uint8_t>(mBackgroundIndex + 1);
    KaLayout* backgrounds = mGui.layout("Backgrounds");
    // The last picture stays.
    if (!backgrounds || mBackgroundIndex >= backgrounds->childCount())
        return false;
    showBackground(mBackgroundIndex);
    return false;
}

void Credits::leave()
{
    for (const char* name : scrollAnimations)
        if (KaLuaGUI::PositionAnimation* animation = mGui.layoutPositionLinearAnimation(name))
            animation->stop();
    if (KaLuaGUI::AnchorAnimation* anchor = mGui.layoutAnchorLinearAnimation("scrollTextAnchorAnim"))
        anchor->stop();
    if (KaLayout* backgrounds = mGui.layout("Backgrounds"))
        for (unsigned long i = 0; i < backgrounds->childCount(); ++i)
            if (KaLuaGUI::PositionAnimation* move
                = mGui.layoutPositionLinearAnimation(backgrounds->child(i)->name() + "Anim"))
                move->stop();
    mBackgroundFade.stop();
    if (!mGui.isLoaded())
        return;
    Application* app = application.get();
    app->captureFade();
    if (KaLayout* menu = mGui.layout("menu"))
        app->layoutFront().removeChild(menu);
    mGui.unload();
    if (mFromOptions)
        app->optionsMenu().enter();
    else
        app->mainMenu().enter();
    app->fade();
    mBackgroundFade.onFinished.remove(this, &Credits::onBackgroundAnimFinished, 0.0f);
}

bool Credits::onAnimFinished()
{
    leave();
    return false;
}

bool Credits::onQuitButton()
{
    if (KaLuaGUI::PositionAnimation* scroll = mGui.layoutPositionLinearAnimation("scrollTextPositionAnim"))
        scroll->stop();
    if (KaLuaGUI::AnchorAnimation* anchor = mGui.layoutAnchorLinearAnimation("scrollTextAnchorAnim"))
        anchor->stop();
    leave();
    return true;
}

bool Credits::onPadButtonUp(unsigned int buttons)
{
    if (buttons & 2u)
        leave();
    return false;
}
