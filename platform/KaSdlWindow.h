#ifndef KA_SDL_WINDOW_H
#define KA_SDL_WINDOW_H

#include "engine/gui/KaINativeWindow.h"

struct SDL_Window;

// The main window's platform side on SDL2: full screen, the system cursor,
// the title and the drawable size.
//
// Full screen is the desktop's own mode, asked of the window manager. With no
// window manager to grant it (a bare X server, as xvfb-run gives) the request
// would change nothing but SDL's idea of the window's size; there the window
// covers the screen by itself instead: no border, the screen's position and
// size, which the X server applies at once.
class KaSdlWindow : public KaINativeWindow {
public:
    KaSdlWindow();

    // Not owned; null detaches.
    void attach(SDL_Window* window) { mWindow = window; }
    SDL_Window* window() const { return mWindow; }
    // Full-screen requests are ignored until the game has been created: the
    // options ask for it while the application is still being built, and the
    // host applies the final choice once, after creation.
    void setReady(bool ready) { mReady = ready; }

    void setFullScreen(bool fullScreen) override;
    bool fullScreen() const;
    void setCursorVisible(bool visible) override;
    void setTitle(const KaString& title) override;
    KaVector2s32 drawableSize() const override;
    // Whether there is nothing to draw into: minimised, or a zero-sized area.
    bool hidden() const;
    // Whether full screen is the window covering the screen by itself.
    bool covering() const { return mCovering; }

private:
    void cover(bool on);

    SDL_Window* mWindow;
    bool mReady;
    bool mCovering;
    // The window's size before it covered the screen, given back after.
    int mWindowedWidth;
    int mWindowedHeight;
};

#endif
