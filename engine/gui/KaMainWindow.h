#ifndef KA_MAIN_WINDOW_H
#define KA_MAIN_WINDOW_H

#include "engine/containers/KaSingleton.h"
#include "engine/gui/KaMainWindowBase.h"

class KaINativeWindow;

// The one main window, reached through the holder `mainWindow`. It forwards
// full-screen and cursor requests to the native window that the host gives
// it, and keeps the default screen's size equal to its own, since the input
// manager flips pointer positions against that height.
//
// What the host does with it: once the GL context is ready, setSize with the
// drawable size, setVisible(true), setNativeWindow, create(); every frame,
// updateSizeFromNativeWindow() (or setSize), the game's frame, the swap, and
// quitting once closeRequested() is true.
class KaMainWindow : public KaMainWindowBase {
public:
    // Named "DoVizuru Application", Pixel size (0, 0, 100), Pixel position
    // (0.5, 0.5, 0.5); the camera gets its projection from create().
    KaMainWindow();
    ~KaMainWindow() override;

    void destroy() override { }
    bool create() override;
    void* handle() override { return nullptr; }
    void setWindowPosition(const KaVector2s32&) override { }
    using KaMainWindowBase::setWindowPosition;
    // Stores the flag and asks the native window.
    void setFullScreen(bool fullScreen) override;
    // The layout's name stays "DoVizuru Application": the text becomes the
    // native window's title instead (kept for a native window given later).
    void setName(const KaString& name) override;
    const KaString& title() const { return mTitle; }
    // Updates the camera and the default screen, then the layout size.
    void setSize(const KaVector3f32& size) override;

    // Not owned; null detaches.
    void setNativeWindow(KaINativeWindow* window);
    KaINativeWindow* nativeWindow() const { return mNativeWindow; }
    // setSize with the native window's drawable size; nothing without one.
    void updateSizeFromNativeWindow();

    void setCloseRequested(bool requested) { mCloseRequested = requested; }
    bool closeRequested() const { return mCloseRequested; }
    // Stores the state and tells the native window.
    void setNativeCursorVisible(bool visible);
    bool nativeCursorVisible() const { return mNativeCursorVisible; }
    void updateEvents() { }

private:
    KaINativeWindow* mNativeWindow;
    KaString mTitle;
    bool mCloseRequested;
    bool mNativeCursorVisible;
};

extern KaSingleton<KaMainWindow> mainWindow;

#endif
