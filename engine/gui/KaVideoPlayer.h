#ifndef KA_VIDEO_PLAYER_H
#define KA_VIDEO_PLAYER_H

#include "engine/core/KaString.h"
#include "engine/gui/KaButton.h"
#include "engine/gui/KaVideo.h"
#include "engine/sound/KaMusic.h"
#include "engine/world/Ka3DObject.h"

class KaSpriteButton;

// An older GUI widget that shows a video, with an optional separate sound
// track, under a click area the size of the picture: each click on the
// picture toggles between playing and paused, picture and sound together.
// An exit button given by the caller (not owned) is kept one unit of depth
// below the player at the place it was given.
//
// Holds a video, a music and a button registered by address: not copyable.
class KaVideoPlayer : public Ka3DObject {
public:
    KaVideoPlayer();
    ~KaVideoPlayer() override;
    KaVideoPlayer(const KaVideoPlayer&) = delete;
    KaVideoPlayer& operator=(const KaVideoPlayer&) = delete;

    // The picture and the click area follow; the exit button only in depth.
    void setPosition(const KaVector3f32& position) override;
    // The picture and its click area scale about their bottom-left corner.
    void setScale(const KaVector3f32& scale) override;

    // Opens the video and shows its first frame, paused.
    void videoFilename(const KaString& path);
    // The sound track; its repeat setting is left as it is.
    void audioFilename(const KaString& path);
    void play();
    void unload();
    void exitButton(KaSpriteButton& button);

    KaVideo& video() { return mVideo; }
    KaMusic& audio() { return mAudio; }
    KaButton& backgroundButton() { return mBackgroundButton; }
    KaSpriteButton* exit() const { return mExit; }

    bool onBackgroundValidated();

private:
    void playBoth();
    void placeExitButton();

    KaVideo mVideo;
    KaMusic mAudio;
    KaButton mBackgroundButton;
    KaSpriteButton* mExit;
};

#endif
