#ifndef KA_HOST_VIEW_H
#define KA_HOST_VIEW_H

#include <SDL.h>

#include "engine/core/KaString.h"
#include "engine/maths/KaVector2s32.h"
#include "platform/KaFixedStepClock.h"
#include "platform/KaFramePacer.h"
#include "platform/KaHostHooks.h"
#include "platform/KaSdlDisplayMetrics.h"
#include "platform/KaSdlWindow.h"

struct KaHostSettings {
    // Shown until the application names the window.
    KaString title;
    // The window's size before the application's options apply.
    int width = 1024;
    int height = 768;
    // Every frame moves the engine's clock by exactly 1/60 s.
    bool fixedStep = false;
    // When not 0, a console line every that many drawn frames
    // ("[KaHostView] frame N"): a clock that scripts driving the program can
    // wait on; each is followed by the frames' time so far ("[KaHostView]
    // work ...") and the first drawn frame says so ("[KaHostView] first
    // frame").
    unsigned long frameLogInterval = 0;
    // From the command line, over the options for this run: -1 as the
    // options say, 0 a window, 1 full screen; a window size when width > 0.
    int fullScreen = -1;
    int windowWidth = 0;
    int windowHeight = 0;
};

// The window the game draws into and the loop that drives it: a double-
// buffered compatibility GL context with a depth buffer, sixty frames a
// second, the left mouse button and the pointer fed to the input manager
// between frames, and an orderly end (close box, quit request, SIGINT and
// SIGTERM) that destroys the game.
class KaHostView {
public:
    explicit KaHostView(const KaHostHooks& hooks);
    ~KaHostView();

    // SDL, the window and its GL context; false, with a console line, when
    // any of them cannot be had. Without a display to show the window on
    // (SDL would fall back on drawing into nothing) the line says so and how
    // to run the game; SDL's offscreen driver is used only when
    // SDL_VIDEODRIVER asks for it.
    bool open(const KaHostSettings& settings);
    // Once the context is current: the main window takes the drawable size
    // and this window, the game is constructed (its options may size the
    // window) and created, then full screen and the cursor are applied.
    void start();
    // Handles the waiting events, then runs one frame and swaps, unless the
    // window is minimised. False once the game must end; the frame in which
    // the game asked to close is completed first.
    bool frame();
    // Destroys the game (once) and detaches the main window.
    void terminate();
    // open, start, frames until the end, terminate: the exit status.
    int run(const KaHostSettings& settings);

    // One SDL event, as the loop hands it over. Alt+Enter and F11 switch
    // between full screen and a window.
    void handleEvent(const SDL_Event& event);
    // Full screen to a window or back, once the game has been created.
    void toggleFullScreen();
    // Where a pointer at window coordinates (x, y) lies in drawable pixels,
    // top left origin: the drawable may be larger than the window on high-
    // density screens.
    static KaVector2s32 pointerPosition(int x, int y, const KaVector2s32& windowSize, const KaVector2s32& drawable);

    bool quitRequested() const { return mQuitRequested; }
    SDL_Window* window() const { return mNative.window(); }
    KaSdlWindow& nativeWindow() { return mNative; }
    unsigned long long framesRun() const { return mFramesRun; }

private:
    KaVector2s32 toDrawable(int x, int y) const;
    void applyRequestedSize();
    // The main window takes the drawable's size; a console line
    // ("[KaHostView] size WxH", " full screen" after it when so) when it
    // changed.
    void followDrawableSize();

    KaHostHooks mHooks;
    SDL_GLContext mContext;
    KaSdlWindow mNative;
    KaSdlDisplayMetrics mMetrics;
    KaFixedStepClock mFixedClock;
    KaFramePacer mPacer;
    bool mFixedStep;
    unsigned long mFrameLogInterval;
    int mFullScreenOverride;
    KaVector2s32 mSizeOverride;
    KaVector2s32 mLastSize;
    bool mSdlStarted;
    bool mStarted;
    bool mTerminated;
    bool mQuitRequested;
    unsigned long long mFramesRun;
    // With frame lines on: microseconds spent in the frames' own work (the
    // events and the game's frame, the buffer swap apart) by the clock on
    // the wall and by the main thread's CPU clock, in the swaps, and the
    // longest whole frame since the last line.
    unsigned long long mWorkWall = 0;
    unsigned long long mWorkCpu = 0;
    unsigned long long mSwapWall = 0;
    unsigned long long mLongestFrame = 0;
};

#endif
