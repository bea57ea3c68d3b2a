#ifndef KA_SCREEN_H
#define KA_SCREEN_H

#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSingleton.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/color/KaColor.h"

class KaRenderer;

// The drawing surface of the older 2D widgets, reached through the holder
// `defaultScreen`. It keeps the surface's size in pixels (x width, y height),
// which the main window updates whenever its own size changes; the input
// manager flips raw pointer positions against that height, so until the
// window gives a size, positions are flipped against 0.
//
// lock() hands the clear colour to a renderer. The renderer lives in the
// graphics layer, above this one: that layer installs the one function that
// applies a colour to a renderer (setClearColorApplier), and lock() goes
// through it, to the renderer given with setRenderer or, without one, to the
// renderer singleton. A program without the graphics layer has no renderer,
// and lock() does nothing there.
//
// Holds a signal. Main thread only.
class KaScreen {
public:
    // Size (0, 0, 0), clear colour opaque black.
    KaScreen();
    virtual ~KaScreen();
    KaScreen(const KaScreen&) = delete;
    KaScreen& operator=(const KaScreen&) = delete;

    // Stored as it is, with no signal: readers ask for it when they need it.
    void setSize(const KaVector3f32& size) { mSize = size; }
    const KaVector3f32& getSize() const { return mSize; }

    // Each channel from 0 to 1 becomes the integer part of channel * 255
    // (0.999 gives 254, not 255). Values outside 0..1 keep the low 8 bits of
    // that integer, as colour arithmetic does everywhere else.
    void setClearColor(float red, float green, float blue, float alpha);
    const KaColor& clearColor() const { return mClearColor; }

    // Hands the clear colour to the renderer (see above).
    void lock();
    // Tells the listeners of onUnlock that the surface may be drawn again.
    void unlock();
    KaSignal0Param& onUnlock() { return mOnUnlock; }

    // Not owned; null (the default) means the renderer singleton.
    void setRenderer(KaRenderer* renderer) { mRenderer = renderer; }
    KaRenderer* renderer() const { return mRenderer; }

    // The renderer argument is the screen's renderer, null for the
    // singleton. Safe during static initialisation: the applier is plain
    // data.
    typedef void (*ClearColorApplier)(KaRenderer* renderer, const KaColor& color);
    static void setClearColorApplier(ClearColorApplier applier);

private:
    KaVector3f32 mSize;
    KaRenderer* mRenderer;
    KaSignal0Param mOnUnlock;
    KaColor mClearColor;
};

extern KaSingleton<KaScreen> defaultScreen;

#endif
