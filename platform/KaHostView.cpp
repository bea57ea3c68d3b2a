#include "platform/KaHostView.h"

#include "platform/KaFrameClocks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaGetDeviceDPI.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"

KaHostView::KaHostView(const KaHostHooks& hooks)
    : mHooks(hooks)
    , mContext(nullptr)
    , mPacer(KaIClock::monotonic())
    , mFixedStep(false)
    , mFrameLogInterval(0)
    , mFullScreenOverride(-1)
    , mSizeOverride(0, 0)
    , mLastSize(0, 0)
    , mSdlStarted(false)
    , mStarted(false)
    , mTerminated(false)
    , mQuitRequested(false)
    , mFramesRun(0)
{
}

namespace {

bool environmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0];
}

void noDisplay(const char* why)
{
    std::fprintf(stderr,
        "No display for the game's window (%s): run it in a desktop session, or in a virtual X server with "
        "\"xvfb-run -a scripts/run\".\n",
        why);
}

}

KaHostView::~KaHostView()
{
    terminate();
    if (KaGetDisplayMetrics() == &mMetrics)
        KaSetDisplayMetrics(nullptr);
    if (mContext)
        SDL_GL_DeleteContext(mContext);
    if (mNative.window())
        SDL_DestroyWindow(mNative.window());
    mNative.attach(nullptr);
    if (mSdlStarted)
        SDL_Quit();
}

bool KaHostView::open(const KaHostSettings& settings)
{
    mFixedStep = settings.fixedStep;
    mFrameLogInterval = settings.frameLogInterval;
    mFullScreenOverride = settings.fullScreen;
    if (settings.windowWidth > 0 && settings.windowHeight > 0)
        mSizeOverride = KaVector2s32(settings.windowWidth, settings.windowHeight);
    // Left to itself, SDL falls back on a driver that draws into nothing:
    // the game would run unseen until killed.
    const bool driverAsked = environmentSet("SDL_VIDEODRIVER");
    if (!driverAsked && !environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY")) {
        noDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return false;
    }
    // The display named is the one to use: no other driver is tried when
    // it cannot be opened (Wayland's would only warn about its own setup).
    const bool x11 = environmentSet("DISPLAY");
    if (!driverAsked)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
    const char* driver = SDL_Init(SDL_INIT_VIDEO) == 0 ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver)
        mSdlStarted = true;
    if (!driverAsked && (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        KaString why;
        why.format("the display \"%s\" cannot be opened", std::getenv(x11 ? "DISPLAY" : "WAYLAND_DISPLAY"));
        noDisplay(why.c_str());
        return false;
    }
    if (!driver) {
        KaPrintf("[KaHostView::open] SDL: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    // Hidden until the game's options have sized it, so it does not flash
    // at the default size first.
    SDL_Window* window = SDL_CreateWindow(settings.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
        settings.width > 0 ? settings.width : 1024, settings.height > 0 ? settings.height : 768,
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window) {
        KaPrintf("[KaHostView::open] SDL window: %s\n", SDL_GetError());
        return false;
    }
    mNative.attach(window);
    mContext = SDL_GL_CreateContext(window);
    if (!mContext) {
        KaPrintf("[KaHostView::open] OpenGL context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_MakeCurrent(window, mContext);
    // Where the display paces the swaps this helps; where it cannot (a
    // virtual server), the pacer keeps the rate.
    SDL_GL_SetSwapInterval(1);
    KaSetDisplayMetrics(&mMetrics);
    return true;
}

void KaHostView::applyRequestedSize()
{
    // The application sizes the main window from its options while it is
    // constructed; the platform window follows that wish once.
    KaMainWindow* main = mainWindow.get();
    const KaVector2s32 drawable = mNative.drawableSize();
    const int width = static_cast<int>(main->xSize());
    const int height = static_cast<int>(main->ySize());
    if (width > 0 && height > 0 && (width != drawable.x || height != drawable.y))
        SDL_SetWindowSize(mNative.window(), width, height);
    if (main->maximized())
        SDL_MaximizeWindow(mNative.window());
}

void KaHostView::start()
{
    if (mStarted)
        return;
    mStarted = true;
    mNative.setReady(false);
    if (mFixedStep) {
        KaTimer::setClock(&mFixedClock);
        // The input manager's freeze and speed timers too: a slow frame
        // must not count as a pause of the game.
        inputMgr.get()->setClock(&mFixedClock);
    }

    KaMainWindow* main = mainWindow.get();
    const KaVector2s32 drawable = mNative.drawableSize();
    main->setSize(KaVector3f32(static_cast<float>(drawable.x), static_cast<float>(drawable.y), 0.0f));
    main->setVisible(true);
    main->setNativeWindow(&mNative);
    main->create();

    mHooks.configure();
    // The command line wins over the options, for this run.
    if (mSizeOverride.x > 0) {
        main->setMaximized(false);
        main->setSize(KaVector3f32(static_cast<float>(mSizeOverride.x), static_cast<float>(mSizeOverride.y), 0.0f));
    }
    if (mFullScreenOverride >= 0)
        main->setFullScreen(mFullScreenOverride == 1);
    applyRequestedSize();
    SDL_ShowWindow(mNative.window());
    main->updateSizeFromNativeWindow();
    renderer.get()->init();
    mHooks.create();

    mNative.setReady(true);
    mNative.setFullScreen(main->fullScreen());
    if (!main->nativeCursorVisible())
        mNative.setCursorVisible(false);
    followDrawableSize();
}

void KaHostView::followDrawableSize()
{
    mainWindow.get()->updateSizeFromNativeWindow();
    const KaVector2s32 size = mNative.drawableSize();
    if (size.x == mLastSize.x && size.y == mLastSize.y)
        return;
    mLastSize = size;
    KaPrintf("[KaHostView] size %dx%d%s\n", size.x, size.y, mNative.fullScreen() ? " full screen" : "");
}

void KaHostView::toggleFullScreen()
{
    if (!mStarted || mTerminated)
        return;
    // Through the main window, whose flag the options save.
    mainWindow.get()->setFullScreen(!mNative.fullScreen());
    followDrawableSize();
}

KaVector2s32 KaHostView::pointerPosition(int x, int y, const KaVector2s32& windowSize, const KaVector2s32& drawable)
{
    if (windowSize.x <= 0 || windowSize.y <= 0 || drawable.x <= 0 || drawable.y <= 0)
        return KaVector2s32(x, y);
    return KaVector2s32(static_cast<int>(static_cast<long long>(x) * drawable.x / windowSize.x),
        static_cast<int>(static_cast<long long>(y) * drawable.y / windowSize.y));
}

KaVector2s32 KaHostView::toDrawable(int x, int y) const
{
    int width = 0;
    int height = 0;
    if (mNative.window())
        SDL_GetWindowSize(mNative.window(), &width, &height);
    return pointerPosition(x, y, KaVector2s32(width, height), mNative.drawableSize());
}

void KaHostView::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        // The close box of the last window, SIGINT and SIGTERM all come here.
        mQuitRequested = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.button != SDL_BUTTON_LEFT)
            break;
        // A click with Control or Alt held is not the game's: not even the
        // pointer's position is passed on.
        if ((SDL_GetModState() & (KMOD_CTRL | KMOD_ALT)) != 0)
            break;
        KaInputMgr* input = inputMgr.get();
        input->setMouseRawPosition(toDrawable(event.button.x, event.button.y), 0);
        input->setMouseLeft(event.type == SDL_MOUSEBUTTONDOWN, 0);
        break;
    }
    case SDL_MOUSEMOTION:
        inputMgr.get()->setMouseRawPosition(toDrawable(event.motion.x, event.motion.y), 0);
        break;
    case SDL_KEYDOWN: {
        if (event.key.repeat)
            break;
        const SDL_Keycode key = event.key.keysym.sym;
        const bool enter = key == SDLK_RETURN || key == SDLK_KP_ENTER;
        if (key == SDLK_F11 || (enter && (event.key.keysym.mod & KMOD_ALT) != 0))
            toggleFullScreen();
        break;
    }
    case SDL_WINDOWEVENT:
        // The size the window really got (a window manager may refuse or
        // adjust a wish): clicks later in this batch already map onto it.
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && mStarted && !mTerminated && !mNative.hidden())
            followDrawableSize();
        break;
    default:
        break;
    }
}

bool KaHostView::frame()
{
    // Only scripts that measure the program ask for frame lines: the clock
    // reads stay out of ordinary runs.
    const bool timed = mFrameLogInterval != 0;
    const unsigned long long wallStart = timed ? kaWallMicroseconds() : 0;
    const unsigned long long cpuStart = timed ? kaThreadCpuMicroseconds() : 0;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(event);
    if (mQuitRequested)
        return false;
    // A minimised window has nothing to draw into: the main window never
    // takes a zero size, and the game waits for the window to come back.
    if (!mNative.hidden()) {
        followDrawableSize();
        if (mFixedStep)
            mFixedClock.step();
        mHooks.nextFrame();
        const unsigned long long wallWorked = timed ? kaWallMicroseconds() : 0;
        if (timed) {
            mWorkWall += wallWorked - wallStart;
            mWorkCpu += kaThreadCpuMicroseconds() - cpuStart;
        }
        SDL_GL_SwapWindow(mNative.window());
        ++mFramesRun;
        if (timed) {
            const unsigned long long wallEnd = kaWallMicroseconds();
            mSwapWall += wallEnd - wallWorked;
            if (wallEnd - wallStart > mLongestFrame)
                mLongestFrame = wallEnd - wallStart;
            if (mFramesRun == 1)
                KaPrintf("[KaHostView] first frame\n");
        }
        if (mFrameLogInterval && mFramesRun % mFrameLogInterval == 0) {
            KaPrintf("[KaHostView] frame %llu\n", mFramesRun);
            // Totals since the start, so that a script takes the difference
            // between any two lines; the longest frame is this interval's.
            KaPrintf("[KaHostView] work %llu frames: %llu us wall, %llu us thread CPU, %llu us swap, %llu us process "
                     "CPU, longest frame %llu us\n",
                mFramesRun, mWorkWall, mWorkCpu, mSwapWall, kaProcessCpuMicroseconds(), mLongestFrame);
            mLongestFrame = 0;
        }
    }
    if (mainWindow.get()->closeRequested())
        return false;
    mPacer.waitNextFrame();
    return true;
}

void KaHostView::terminate()
{
    if (!mStarted || mTerminated)
        return;
    mTerminated = true;
    mHooks.destroy();
    mainWindow.get()->setNativeWindow(nullptr);
    mNative.setCursorVisible(true);
    if (mFixedStep) {
        KaTimer::setClock(nullptr);
        inputMgr.get()->setClock(nullptr);
    }
}

int KaHostView::run(const KaHostSettings& settings)
{
    if (!open(settings))
        return 1;
    start();
    while (frame()) {
    }
    terminate();
    return 0;
}
