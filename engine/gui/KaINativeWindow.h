#ifndef KA_I_NATIVE_WINDOW_H
#define KA_I_NATIVE_WINDOW_H

#include "engine/maths/KaVector2s32.h"

class KaString;

// The platform window behind the main window, as the host implements it: the
// main window forwards its full-screen and cursor requests here, and the host
// reads the drawable size from it every frame. The main window never owns it.
class KaINativeWindow {
public:
    virtual ~KaINativeWindow() { }

    virtual void setFullScreen(bool fullScreen) = 0;
    // Whether the system cursor shows while the pointer is over the window.
    virtual void setCursorVisible(bool visible) = 0;
    // The text of the window's title bar.
    virtual void setTitle(const KaString& title) = 0;
    // Drawable area in pixels.
    virtual KaVector2s32 drawableSize() const = 0;
};

#endif
