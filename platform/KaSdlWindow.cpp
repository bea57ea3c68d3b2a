#include "platform/KaSdlWindow.h"

#include <SDL.h>

#include "engine/core/KaString.h"

KaSdlWindow::KaSdlWindow()
    : mWindow(nullptr)
    , mReady(false)
{
}

bool KaSdlWindow::fullScreen() const
{
    return mWindow && (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

void KaSdlWindow::setFullScreen(bool fullScreen)
{
    if (!mWindow || !mReady || fullScreen == this->fullScreen())
        return;
    // The desktop's own mode: no mode switch, the game scales to the screen.
    SDL_SetWindowFullscreen(mWindow, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
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
