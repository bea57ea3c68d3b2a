#ifndef KA_VIDEO_H
#define KA_VIDEO_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "engine/gui/KaSprite.h"

// The older self-contained Theora player: it decodes the frames its timer
// says are due and shows the latest in a sprite of the default screen (the
// video player widget places it). Every video is listed class-wide; the
// frame loop calls updateAll() once per frame, after the animations.
//
// Frame timing: with t the timer's microseconds, frame n (from 0) shows once
// floor(t / 1e6 x fps) exceeds n. When the game stalls, the frames in
// between are decoded (or sought over) but not converted: only the latest
// one is. Once every frame has shown, the next due frame ends playback:
// onFinished, without onStopped.
//
// The decoding is the Theora codec's (4:2:0 only, picture sizes an image can
// hold, a non-zero frame rate); the picture is kept in an RGB888 image whose
// texture belongs to this video alone.
//
// Registered by address; holds a sprite registered with the main window.
// Main thread only.
class KaVideo {
public:
    KaVideo();
    virtual ~KaVideo();
    KaVideo(const KaVideo&) = delete;
    KaVideo& operator=(const KaVideo&) = delete;

    // Closes, then opens the file: its copy in the current language's folder
    // beside it when there is one, else the path itself. Reads the headers
    // and shows a black picture of the video's size. False, with a message
    // and the video closed, when the file cannot be opened or read.
    bool open(const KaPath& path);
    // Stops, frees the decoder, unloads the sprite and the picture.
    void close();

    // Starts or resumes the timer. On a video without a file, stop() runs
    // first (onStopped) and the video still counts as playing.
    void play();
    // Freezes the timer; the picture stays.
    void pause();
    // Back to frame 0 and the timer to 0; onStopped when it was playing.
    // The next play decodes from the first frame again.
    void stop();

    bool isOpened() const { return mOpened; }
    bool isPlaying() const { return mPlaying; }
    void dumpComments() { }

    // Decodes what is due (see the class note). Nothing unless playing and
    // open.
    void update();
    // Decodes and shows the first frame ahead of its time when nothing was
    // shown yet, so that a video waiting to be played is not a black box.
    // The frames after it keep their times.
    void showFirstFrame();

    static void updateAll();
    // Every video stops playing, its timer paused.
    static void pauseAll();
    // play() on every video, also those that were not playing.
    static void resumeAll();
    static unsigned long videoCount();
    static KaVideo* video(unsigned long index);

    KaSignal0Param& onFinished() { return mOnFinished; }
    KaSignal0Param& onStopped() { return mOnStopped; }
    KaSprite& sprite() { return mSprite; }
    const KaImage& image() const { return *mImage; }
    KaTimer& timer() { return mTimer; }
    const KaPath& path() const { return mPath; }
    // Frames decoded since the start.
    unsigned long frame() const { return mFrame; }
    unsigned int width() const { return mWidth; }
    unsigned int height() const { return mHeight; }
    double fps() const { return mFps; }

private:
    static KaArray<KaVideo*>& videos();

    bool mOpened;
    bool mPlaying;
    KaPath mPath;
    KaTimer mTimer;
    unsigned long mFrame;
    unsigned int mWidth;
    unsigned int mHeight;
    double mFps;
    KaSignal0Param mOnFinished;
    KaSignal0Param mOnStopped;
    KaSprite mSprite;
    KaIntrusivePtr<KaImage> mImage;
    KaIntrusivePtr<Ka3DTexture> mTexture;
    KaTheora mDecoder;
};

#endif
