#ifndef OPTIONS_MENU_H
#define OPTIONS_MENU_H

#include <cstdint>

#include "engine/core/KaString.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/sound/KaMusic.h"

// The options screen: the volumes of the four sound channels, each stepped
// with a minus and a plus button and shown by a row of gauge marks, a test
// sound for the dialog and video channels, a paged tutorial, the credits
// and the way back to the main menu. Its look is
// "menus/options/optionsMenu.lua" and "menus/options/tuto.lua".
//
// The volumes live in the sound manager; the options file gets them when
// the application saves its options.
class OptionsMenu {
public:
    OptionsMenu();
    OptionsMenu(const OptionsMenu&) = delete;
    OptionsMenu& operator=(const OptionsMenu&) = delete;

    void enter();
    // Leaves the test sounds playing.
    void leave();

    bool onQuitButton();
    bool onCreditsButton();
    bool onSupportButton() { return false; }
    bool onTermsOfServiceButton() { return false; }
    bool onPrivacyPolicyButton() { return false; }
    bool onSFXVolumeMinusButton();
    bool onSFXVolumePlusButton();
    bool onMusicVolumeMinusButton();
    bool onMusicVolumePlusButton();
    bool onDialogVolumeMinusButton();
    bool onDialogVolumePlusButton();
    bool onVideoVolumeMinusButton();
    bool onVideoVolumePlusButton();
    bool onVisibleTuto();
    bool onVisibleTutoNextPage();
    bool onCloseTuto();

    void updateSFXVolumeJauge();
    void updateMusicVolumeJauge();
    void updateDialogVolumeJauge();
    void updateVideoVolumeJauge();

    bool entered() const { return mGui.isLoaded(); }
    KaLuaGUI& gui() { return mGui; }
    KaLuaGUI& tutoGui() { return mTutoGui; }
    KaMusic& dialogTestSound() { return mDialogTestSound; }
    KaMusic& videoTestSound() { return mVideoTestSound; }
    uint32_t tutoPage() const { return mTutoPage; }

private:
    // Marks "<channel>VolumeSprite0", "1", ... counted up to the first gap.
    unsigned long markCount(const KaString& channel) const;
    float step(const KaString& channel) const;
    void changeVolume(const char* channel, bool up);
    void updateJauge(const KaString& channel);
    void playTestSound(KaMusic& sound, KaMusic& other, const char* channel, const char* pathValue);
    // "background"'s child count in the tutorial.
    unsigned long pageCount() const;
    void showPage(uint32_t page);

    KaLuaGUI mGui;
    KaLuaGUI mTutoGui;
    KaMusic mDialogTestSound;
    KaMusic mVideoTestSound;
    uint32_t mTutoPage;
};

#endif
