#include "engine/gui/KaVideoPlayer.h"

#include "engine/gui/KaSpriteButton.h"
#include "engine/input/KaScreen.h"

KaVideoPlayer::KaVideoPlayer()
    : mBackgroundButton(defaultScreen.get())
    , mExit(nullptr)
{
}

KaVideoPlayer::~KaVideoPlayer() { mBackgroundButton.onClicked.remove(this, &KaVideoPlayer::onBackgroundValidated); }

void KaVideoPlayer::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    mVideo.sprite().setPosition(position);
    mBackgroundButton.setPosition(position);
    if (mExit)
        placeExitButton();
}

void KaVideoPlayer::setScale(const KaVector3f32& scale)
{
    Ka3DObject::setScale(scale);
    mVideo.sprite().setScaleCenter(KaVector3f32(0, 0, 0));
    mVideo.sprite().setScale(scale);
    // About the same corner, or clicks would miss the picture they land on.
    mBackgroundButton.setScaleCenter(KaVector3f32(0, 0, 0));
    mBackgroundButton.setScale(scale);
}

void KaVideoPlayer::videoFilename(const KaString& path)
{
    mVideo.open(KaPath(path));
    mBackgroundButton.setSize(
        KaVector3f32(static_cast<float>(mVideo.width()), static_cast<float>(mVideo.height()), 0.0f));
    // One connection whatever the number of calls: a click must toggle once.
    mBackgroundButton.onClicked.remove(this, &KaVideoPlayer::onBackgroundValidated);
    mBackgroundButton.onClicked.add(this, &KaVideoPlayer::onBackgroundValidated);
    mBackgroundButton.setEnable(true);
    mBackgroundButton.setVisible(true);
    mVideo.play();
    mVideo.update();
    mVideo.pause();
    // At time 0 no frame is due yet: without this the picture stays black
    // until the video is played.
    mVideo.showFirstFrame();
}

void KaVideoPlayer::playBoth()
{
    mVideo.play();
    // A paused sound track is still playing to KaMusic, whose play() would
    // leave it paused.
    mAudio.resume();
    mAudio.play();
}

bool KaVideoPlayer::onBackgroundValidated()
{
    if (mVideo.isPlaying()) {
        mVideo.pause();
        mAudio.pause();
    } else {
        playBoth();
    }
    return false;
}

void KaVideoPlayer::audioFilename(const KaString& path) { mAudio.load(KaPath(path)); }

void KaVideoPlayer::play() { playBoth(); }

void KaVideoPlayer::unload()
{
    mVideo.close();
    mAudio.close();
}

void KaVideoPlayer::exitButton(KaSpriteButton& button)
{
    mExit = &button;
    placeExitButton();
}

void KaVideoPlayer::placeExitButton()
{
    const KaVector3f32 at = mExit->getPosition();
    mExit->setPosition(KaVector3f32(at.x, at.y, getPosition().z - 1.0f));
}
