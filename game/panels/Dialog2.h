#ifndef DIALOG2_H
#define DIALOG2_H

#include "engine/containers/KaList.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/sound/KaMusic.h"

class TiXmlNode;

// The voiced subtitle panel: lines play one after another, each at least
// 1.5 s and as long as its voice; the panel slides in, shows the line and
// slides out, then reports the line's name.
class Dialog2 : public KaLayout {
public:
    struct DialogData {
        KaString name;
        KaString text;
        KaString voice;
        KaString character;
        KaString animation;
        float blend = 0.0f;
    };

    Dialog2();
    ~Dialog2() override;

    void load();
    void unload();
    void pushDialog(const KaString& name, const KaString& text, const KaString& voice, const KaString& character,
        const KaString& animation, float blend);
    void pushDialog(const KaString& name, const KaString& text, const KaString& voice, int blend);
    void launchNextDialog();
    void startDownAnimation();
    bool isDialogPlaying();

    bool onSoundFinished();
    bool onMinimumTimeTimer();
    bool onSkipButton();
    bool onAnimationUpFinished();
    bool onAnimationDownFinished();

    void saveToBackup(TiXmlNode& parent);
    void loadFromBackup(TiXmlNode& element);

    KaLuaGUI& gui() { return mGui; }
    KaMusic& voice() { return mVoice; }
    // The line on screen, or the last one shown.
    const DialogData& current() const { return mCurrent; }
    unsigned long long queuedCount() const { return mQueue.count(); }

    KaSignal1Param<const KaString&> onDialogFinished;

private:
    // The game's side: the scene's markers and characters.
    void hideMarkers(bool hide);
    void animateCharacter(const DialogData& line);
    void queue(const DialogData& line, bool hidesMarkers);

    KaLuaGUI mGui;
    KaMusic mVoice;
    KaList<DialogData> mQueue;
    DialogData mCurrent;
    KaTimer mMinimumTimer;
    // From the start of a line until its panel is out.
    bool mLineShown;
    // The line's panel slides out: it ends only once, whatever asked first.
    bool mLineEnding;
    bool mMinimumPassed;
};

#endif
