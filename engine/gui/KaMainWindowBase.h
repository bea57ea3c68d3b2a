#ifndef KA_MAIN_WINDOW_BASE_H
#define KA_MAIN_WINDOW_BASE_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/maths/KaVector2s32.h"

class KaCamera;

// The root of the GUI: a layout the size of the window's drawable area, in
// pixels, that owns the orthographic camera under which every 2D layout is
// drawn (one unit per pixel, origin at the window centre, y down) and keeps
// the window-level flags the host reads. It never has a parent and counts as
// visible in the world on its own flag alone.
class KaMainWindowBase : public KaLayout {
public:
    KaMainWindowBase();
    // Lets the layouts below go first, while the before-draw signal they may
    // be subscribed to still exists.
    ~KaMainWindowBase() override;

    virtual void destroy() = 0;
    virtual bool create() = 0;
    virtual void* handle() = 0;
    // The main window never has a parent.
    void setParent(KaI3DObject2* parent) override;
    virtual void setWindowPosition(const KaVector3f32& position);
    virtual void setWindowPosition(const KaVector2s32& position) = 0;
    virtual KaVector2s32 windowPosition() const { return mWindowPosition; }
    virtual void setFullScreen(bool fullScreen) { mFullScreen = fullScreen; }
    virtual bool fullScreen() const { return mFullScreen; }
    virtual void setMaximized(bool maximized) { mMaximized = maximized; }
    virtual bool maximized() const { return mMaximized; }

    // Keeps x and y, forces z to 100, and brings the size up to date at once
    // so that listeners of the size signal hear of a resize straight away.
    void setSize(const KaVector3f32& size) override;
    // The main window stays in pixels.
    void setSizeType(CoordinatesType type) override;
    void setPositionType(CoordinatesType type) override;
    bool worldVisible() const override;

    // Orthographic camera over the current size, or over the given one.
    void initCamera();
    void updateCamera(const KaVector3f32& size);
    const KaIntrusivePtr<KaCamera>& camera() const { return mCamera; }

    // Emits before-draw, draws the children under the camera, emits
    // after-draw, restores the camera and loads the identity matrix. The
    // game's application does the same around its own layers.
    void drawLayouts();
    KaSignal0Param& onBeforeDraw() { return mBeforeDraw; }
    KaSignal0Param& onAfterDraw() { return mAfterDraw; }

    // Console dump of the layout tree sorted by world z. A non-empty filter
    // keeps the layouts named so, their ancestors and their descendants.
    void printDrawDebug(const KaString& filter, bool onlyWorldVisible);

    // True while a main window's destructor lets its layouts go: they must
    // not touch the window's signals then.
    static bool windowBeingDestroyed() { return sBeingDestroyed; }

private:
    bool mFullScreen;
    bool mMaximized;
    KaIntrusivePtr<KaCamera> mCamera;
    KaSignal0Param mBeforeDraw;
    KaSignal0Param mAfterDraw;
    KaVector2s32 mWindowPosition;
    static bool sBeingDestroyed;
};

#endif
