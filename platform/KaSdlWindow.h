#ifndef KA_SDL_WINDOW_H
#define KA_SDL_WINDOW_H

#include "engine/gui/KaINativeWindow.h"

struct SDL_Window;

// The main window's platform side on SDL2: full screen, the system cursor,
// the title and the drawable size.
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

private:
    SDL_Window* mWindow;
    bool mReady;
};

#endif
