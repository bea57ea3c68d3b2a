#ifndef KA_SOUND_PLAYER_H
#define KA_SOUND_PLAYER_H

#include "engine/core/KaString.h"
#include "engine/gui/KaSpriteButton.h"
#include "engine/sound/KaMusic.h"
#include "engine/world/Ka3DObject.h"

class TiXmlElement;

// An older GUI widget that plays one streamed sound file with a play and a
// stop sprite button at the same place: the play button while stopped, the
// stop button while playing. The sound ending by itself brings the play
// button back.
//
// Holds a music and buttons registered by address: not copyable.
class KaSoundPlayer : public Ka3DObject {
public:
    KaSoundPlayer();
    ~KaSoundPlayer() override;
    KaSoundPlayer(const KaSoundPlayer&) = delete;
    KaSoundPlayer& operator=(const KaSoundPlayer&) = delete;

    // Both buttons follow.
    void setPosition(const KaVector3f32& position) override;
    void setScale(const KaVector3f32& scale) override;

    void play();
    void stop();
    // The sound plays once: repeat is turned off.
    void audioFilename(const KaString& path);
    void unload();

    // "audio_file" (as given, not against the GUI file's folder), "x", "y",
    // "z", and the children "PlayButton" and "StopButton" read as sprite
    // buttons; the stop button starts hidden.
    void loadXML(TiXmlElement& element);

    KaMusic& music() { return mMusic; }
    KaSpriteButton& playButton() { return mPlayButton; }
    KaSpriteButton& stopButton() { return mStopButton; }

    bool onPlayButton();
    bool onStopButton();

private:
    KaMusic mMusic;
    KaSpriteButton mPlayButton;
    KaSpriteButton mStopButton;
};

#endif
