#include "platform/KaSdlWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#endif

#include "engine/core/KaString.h"

namespace {

// Whether a window manager will act on the window's full-screen request. One
// that follows the desktop conventions names a window of its own in the root
// window's _NET_SUPPORTING_WM_CHECK. Other window systems are trusted.
bool windowManagerRuns(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info))
        return true;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) {
        Display* display = info.info.x11.display;
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
        if (check == None)
            return false;
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
            &type, &format, &count, &after, &data);
        const bool found = status == Success && type == XA_WINDOW && count == 1 && data;
        if (data)
            XFree(data);
        return found;
    }
#endif
    return true;
}

}

KaSdlWindow::KaSdlWindow()
    : mWindow(nullptr)
    , mReady(false)
    , mCovering(false)
    , mWindowedWidth(0)
    , mWindowedHeight(0)
{
}

bool KaSdlWindow::fullScreen() const
{
    return mWindow && (mCovering || (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN) != 0);
}

void KaSdlWindow::setFullScreen(bool fullScreen)
{
    if (!mWindow || !mReady || fullScreen == this->fullScreen())
        return;
    if (mCovering || (fullScreen && !windowManagerRuns(mWindow))) {
        cover(fullScreen);
        return;
    }
    // The desktop's own mode: no mode switch, the game scales to the screen.
    SDL_SetWindowFullscreen(mWindow, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void KaSdlWindow::cover(bool on)
{
    int display = SDL_GetWindowDisplayIndex(mWindow);
    if (display < 0)
        display = 0;
    if (on) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
            return;
        SDL_GetWindowSize(mWindow, &mWindowedWidth, &mWindowedHeight);
        SDL_SetWindowBordered(mWindow, SDL_FALSE);
        SDL_SetWindowPosition(mWindow, bounds.x, bounds.y);
        SDL_SetWindowSize(mWindow, bounds.w, bounds.h);
        SDL_RaiseWindow(mWindow);
    } else {
        SDL_SetWindowBordered(mWindow, SDL_TRUE);
        if (mWindowedWidth > 0 && mWindowedHeight > 0)
            SDL_SetWindowSize(mWindow, mWindowedWidth, mWindowedHeight);
        SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    }
    mCovering = on;
}

void KaSdlWindow::setCursorVisible(bool visible)
{
    // SDL hides the cursor over its own windows only.
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void KaSdlWindow::setTitle(const KaString& title)
{
    if (mWindow)
        SDL_SetWindowTitle(mWindow, title.c_str());
}

KaVector2s32 KaSdlWindow::drawableSize() const
{
    int width = 0;
    int height = 0;
    if (mWindow)
        SDL_GL_GetDrawableSize(mWindow, &width, &height);
    return KaVector2s32(width, height);
}

bool KaSdlWindow::hidden() const
{
    if (!mWindow || (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_MINIMIZED) != 0)
        return true;
    const KaVector2s32 size = drawableSize();
    return size.x <= 0 || size.y <= 0;
}
