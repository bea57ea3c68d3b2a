#include "game/menus/OptionsMenu.h"

#include <algorithm>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/sound/KaSoundManager.h"
#include "game/application/Application.h"

namespace {

struct VolumeButton {
    const char* name;
    bool (OptionsMenu::*handler)();
};

const VolumeButton volumeButtons[8] = {
    { "sfxVolumeMinusButton", &OptionsMenu::onSFXVolumeMinusButton },
    { "sfxVolumePlusButton", &OptionsMenu::onSFXVolumePlusButton },
    { "musicVolumeMinusButton", &OptionsMenu::onMusicVolumeMinusButton },
    { "musicVolumePlusButton", &OptionsMenu::onMusicVolumePlusButton },
    { "dialogVolumeMinusButton", &OptionsMenu::onDialogVolumeMinusButton },
    { "dialogVolumePlusButton", &OptionsMenu::onDialogVolumePlusButton },
    { "videoVolumeMinusButton", &OptionsMenu::onVideoVolumeMinusButton },
    { "videoVolumePlusButton", &OptionsMenu::onVideoVolumePlusButton },
};

KaString numbered(const KaString& prefix, unsigned long index, const char* suffix = "")
{
    KaString name;
    name.format("%s%lu%s", prefix.c_str(), index, suffix);
    return name;
}

}

OptionsMenu::OptionsMenu()
    : mTutoPage(1)
{
}

void OptionsMenu::enter()
{
    Application* app = application.get();
    KaSpriteLayout& video = app->backgroundVideoSprite();
    if (!video.surface().frameAnim().isRunning()) {
        video.load("menus/menu.ogv");
        video.surface().frameAnim().setRepeatCount(KaAnimation::mEndless);
        video.surface().play();
    }
    mGui.load("menus/options/optionsMenu.lua");
    mTutoGui.load("menus/options/tuto.lua");
    KaPrintf("[OptionsMenu] options\n");
    if (KaLayout* menu = mGui.layout("menu2"))
        app->layoutFront().addChild(menu);
    if (KaLayout* tuto = mTutoGui.layout("tuto")) {
        app->layoutFront().addChild(tuto);
        tuto->setVisible(false);
    }

    const KaString musicPath = mGui.value("musicPath").toString();
    KaMusic& music = app->menuMusic();
    if (!music.isPlaying() || !(music.getAccessName() == KaPath(musicPath))) {
        music.load(musicPath);
        music.play();
        music.volume(1.0f);
    }

    struct Button {
        const char* name;
        bool (OptionsMenu::*handler)();
    } buttons[] = { { "quitButton", &OptionsMenu::onQuitButton }, { "creditsButton", &OptionsMenu::onCreditsButton },
        { "supportButton", &OptionsMenu::onSupportButton }, { "termsButton", &OptionsMenu::onTermsOfServiceButton },
        { "privacyButton", &OptionsMenu::onPrivacyPolicyButton } };
    for (const Button& entry : buttons)
        if (KaButtonLayout* button = mGui.buttonLayout(entry.name))
            button->onMouseClickValidated.add(this, entry.handler, 0.0f);
    // Quick repeated clicks on a volume button each count.
    for (const VolumeButton& entry : volumeButtons)
        if (KaButtonLayout* button = mGui.buttonLayout(entry.name)) {
            button->onMouseClickValidated.add(this, entry.handler, 0.0f);
            button->setDoubleValidationProtectionEnabled(false);
        }

    mTutoPage = 1;
    if (KaButtonLayout* tutoButton = mGui.buttonLayout("tutoButton"))
        tutoButton->onMouseClickValidated.add(this, &OptionsMenu::onVisibleTuto, 0.0f);
    const unsigned long pages = pageCount();
    for (unsigned long i = 1; i <= pages; ++i)
        if (KaButtonLayout* page = mTutoGui.buttonLayout(numbered("page", i)))
            page->onMouseClickValidated.add(
                this, i == pages ? &OptionsMenu::onCloseTuto : &OptionsMenu::onVisibleTutoNextPage, 0.0f);

    updateSFXVolumeJauge();
    updateMusicVolumeJauge();
    updateDialogVolumeJauge();
    updateVideoVolumeJauge();
}

void OptionsMenu::leave()
{
    if (!mGui.isLoaded())
        return;
    mTutoGui.unload();
    mGui.unload();
}

bool OptionsMenu::onQuitButton()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->mainMenu().enter();
    app->fade();
    return true;
}

bool OptionsMenu::onCreditsButton()
{
    Application* app = application.get();
    app->game().stopSound("sounds/Ambiances/b_automatebike.ogg");
    app->game().stopSound("sounds/Ambiances/b_engrenagebg.ogg");
    app->captureFade();
    leave();
    app->credits().enter(true);
    app->backgroundVideoSprite().surface().stop();
    app->fade();
    return false;
}

unsigned long OptionsMenu::markCount(const KaString& channel) const
{
    const KaString prefix = channel + "VolumeSprite";
    unsigned long count = 0;
    while (mGui.layout(numbered(prefix, count)))
        ++count;
    return count;
}

float OptionsMenu::step(const KaString& channel) const
{
    const unsigned long marks = markCount(channel);
    return marks == 0 ? 0.1f : 1.0f / static_cast<float>(marks);
}

void OptionsMenu::changeVolume(const char* channel, bool up)
{
    KaSoundManager* sounds = soundManager.get();
    const float step = this->step(channel);
    const float volume = sounds->channelVolume(channel);
    sounds->setChannelVolume(channel, up ? std::min(1.0f, volume + step) : std::max(0.0f, volume - step));
    updateJauge(channel);
}

void OptionsMenu::playTestSound(KaMusic& sound, KaMusic& other, const char* channel, const char* pathValue)
{
    other.stop();
    // A test sound still playing is not restarted.
    if (sound.isPlaying())
        return;
    sound.setChannelName(channel);
    sound.load(mGui.value(pathValue).toString());
    sound.repeat(false);
    sound.play();
}

bool OptionsMenu::onSFXVolumeMinusButton()
{
    changeVolume("sfx", false);
    return false;
}

bool OptionsMenu::onSFXVolumePlusButton()
{
    changeVolume("sfx", true);
    return false;
}

bool OptionsMenu::onMusicVolumeMinusButton()
{
    changeVolume("music", false);
    return false;
}

bool OptionsMenu::onMusicVolumePlusButton()
{
    changeVolume("music", true);
    return false;
}

bool OptionsMenu::onDialogVolumeMinusButton()
{
    changeVolume("dialog", false);
    playTestSound(mDialogTestSound, mVideoTestSound, "dialog", "dialogTestPath");
    return false;
}

bool OptionsMenu::onDialogVolumePlusButton()
{
    changeVolume("dialog", true);
    playTestSound(mDialogTestSound, mVideoTestSound, "dialog", "dialogTestPath");
    return false;
}

bool OptionsMenu::onVideoVolumeMinusButton()
{
    changeVolume("video", false);
    playTestSound(mVideoTestSound, mDialogTestSound, "video", "videoTestPath");
    return false;
}

bool OptionsMenu::onVideoVolumePlusButton()
{
    changeVolume("video", true);
    playTestSound(mVideoTestSound, mDialogTestSound, "video", "videoTestPath");
    return false;
}

void OptionsMenu::updateJauge(const KaString& channel)
{
    const float volume = soundManager.get()->channelVolume(channel);
    const KaString prefix = channel + "VolumeSprite";
    if (KaSpriteLayout* bar = mGui.spriteLayout(prefix))
        bar->surface().setLeftCropping(volume);
    const float step = this->step(channel);
    const float epsilon = 1.1920929e-7f;
    // One mark for a volume below 1, the one whose interval holds it; none
    // at 1.
    for (unsigned long i = 0;; ++i) {
        KaLayout* mark = mGui.layout(numbered(prefix, i));
        if (!mark)
            break;
        const bool on
            = volume >= static_cast<float>(i) * step - epsilon && static_cast<float>(i + 1) * step - epsilon > volume;
        mark->setVisible(on);
        if (KaLayout* off = mGui.layout(numbered(prefix, i, "Off")))
            off->setVisible(!on);
    }
}

void OptionsMenu::updateSFXVolumeJauge() { updateJauge("sfx"); }

void OptionsMenu::updateMusicVolumeJauge() { updateJauge("music"); }

void OptionsMenu::updateDialogVolumeJauge() { updateJauge("dialog"); }

void OptionsMenu::updateVideoVolumeJauge() { updateJauge("video"); }

unsigned long OptionsMenu::pageCount() const
{
    KaLayout* background = mTutoGui.layout("background");
    return background ? background->childCount() : 0;
}

void OptionsMenu::showPage(uint32_t page)
{
    if (KaLayout* tuto = mTutoGui.layout("tuto"))
        tuto->setVisible(true);
    const unsigned long pages = pageCount();
    for (unsigned long i = 1; i <= pages; ++i)
        if (KaLayout* layout = mTutoGui.layout(numbered("page", i)))
            layout->setVisible(false);
    if (KaLayout* layout = mTutoGui.layout(numbered("page", page)))
        layout->setVisible(true);
}

bool OptionsMenu::onVisibleTuto()
{
    Application* app = application.get();
    app->captureFade();
    showPage(1);
    app->fade();
    return false;
}

bool OptionsMenu::onVisibleTutoNextPage()
{
    ++mTutoPage;
    showPage(mTutoPage);
    return false;
}

bool OptionsMenu::onCloseTuto()
{
    Application* app = application.get();
    app->captureFade();
    if (KaLayout* tuto = mTutoGui.layout("tuto"))
        tuto->setVisible(false);
    mTutoPage = 1;
    app->fade();
    return false;
}
