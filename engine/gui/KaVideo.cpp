#include "engine/gui/KaVideo.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/input/KaScreen.h"

namespace {

// The integer part of a non-negative count of frames; 0 for NaN and
// negative values.
unsigned long wholeFrames(double value)
{
    if (!(value >= 0.0))
        return 0;
    if (value >= 18446744073709549568.0)
        return ~0ul;
    return static_cast<unsigned long>(value);
}

} // namespace

KaArray<KaVideo*>& KaVideo::videos()
{
    static KaArray<KaVideo*> list;
    return list;
}

KaVideo::KaVideo()
    : mOpened(false)
    , mPlaying(false)
    , mFrame(0)
    , mWidth(0)
    , mHeight(0)
    , mFps(0.0)
    , mSprite(defaultScreen.get())
    , mImage(new KaImage())
{
    videos().pushBack(this);
}

KaVideo::~KaVideo()
{
    videos().remove(this);
    close();
}

bool KaVideo::open(const KaPath& path)
{
    close();

    const KaPath folder = path.directory();
    const KaString language = core.get()->language();
    KaPath resolved(KaString(folder.length() != 0 ? folder + "/" : KaString()) + language + "/" + path.fileName());
    if (language.length() == 0 || !KaBaseFile::fileExist(resolved))
        resolved = path;

    if (!KaBaseFile::fileExist(resolved)) {
        KaPrintf("[KaVideo::Open] Le fichier %s ne peux etre ouvert.\n", path.c_str());
        close();
        return false;
    }
    mPath = path;
    if (!mDecoder.load(resolved)) {
        KaPrintf("[KaVideo::Open] La lecture des headers du fichier %s a echoue.\n", path.c_str());
        close();
        return false;
    }

    mWidth = mDecoder.width();
    mHeight = mDecoder.height();
    mFps = mDecoder.frameRate();
    KaIntrusivePtr<KaPalette> noPalette;
    if (!mImage->create(mWidth, mHeight, noPalette, RGB888)) {
        close();
        return false;
    }
    // The whole buffer, every byte of every pixel: nothing shows that was
    // never decoded. The decoder writes the top row first.
    mImage->fill(0, 0, 0, 255);
    mImage->setFlipped(true);
    // A texture of its own: two videos never show in each other's picture.
    mTexture = KaIntrusivePtr<Ka3DTexture>(new Ka3DTexture());
    mTexture->load(*mImage);
    mSprite.load(mTexture);
    mFrame = 0;
    mOpened = true;
    return true;
}

void KaVideo::close()
{
    stop();
    mDecoder.close();
    mSprite.unload();
    mTexture = KaIntrusivePtr<Ka3DTexture>();
    mImage->destroy();
    mOpened = false;
}

void KaVideo::play()
{
    mPlaying = true;
    if (!mOpened)
        stop();
    mPlaying = true;
    mTimer.start();
}

void KaVideo::pause()
{
    mPlaying = false;
    mTimer.pause();
}

void KaVideo::stop()
{
    mFrame = 0;
    mTimer.stop();
    if (mPlaying) {
        mPlaying = false;
        mOnStopped.call();
    }
}

void KaVideo::update()
{
    if (!mPlaying || !mOpened)
        return;
    const unsigned long due = wholeFrames(mTimer.getTimeFromStart() / 1000000.0 * mFps);
    if (mFrame >= due)
        return;
    const unsigned long frames = mDecoder.nbFrames();
    if (mFrame < frames) {
        // Only the latest due frame is converted; the decoder goes through
        // or seeks over the ones before it.
        const unsigned long target = due < frames ? due : frames;
        const bool decoded = mDecoder.update(target - 1, *mImage);
        mFrame = target;
        if (decoded)
            mSprite.update(*mImage);
        return;
    }
    mPlaying = false;
    stop();
    mOnFinished.call();
}

void KaVideo::showFirstFrame()
{
    if (!mOpened || mFrame != 0 || mDecoder.nbFrames() == 0)
        return;
    const bool decoded = mDecoder.update(0, *mImage);
    mFrame = 1;
    if (decoded)
        mSprite.update(*mImage);
}

// Handlers of onFinished may destroy videos, this one or others: each video
// is looked up again before its turn.
void KaVideo::updateAll()
{
    const KaArray<KaVideo*> snapshot(videos());
    for (unsigned long i = 0; i < snapshot.size(); ++i) {
        KaVideo* video = snapshot[i];
        if (videos().indexOf(video) >= 0)
            video->update();
    }
}

void KaVideo::pauseAll()
{
    const KaArray<KaVideo*>& list = videos();
    for (unsigned long i = 0; i < list.size(); ++i) {
        list[i]->mPlaying = false;
        list[i]->mTimer.pause();
    }
}

void KaVideo::resumeAll()
{
    const KaArray<KaVideo*> snapshot(videos());
    for (unsigned long i = 0; i < snapshot.size(); ++i) {
        KaVideo* video = snapshot[i];
        if (videos().indexOf(video) >= 0)
            video->play();
    }
}

unsigned long KaVideo::videoCount() { return videos().size(); }

KaVideo* KaVideo::video(unsigned long index) { return static_cast<const KaArray<KaVideo*>&>(videos())[index]; }
