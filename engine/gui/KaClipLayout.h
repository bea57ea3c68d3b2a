#ifndef KA_CLIP_LAYOUT_H
#define KA_CLIP_LAYOUT_H

#include "engine/gui/KaLayout.h"

// A layout whose children are drawn only inside its own rectangle on the
// screen, through the renderer's stored scissor rectangle. Scale is honoured,
// rotation is not (the rectangle stays axis-aligned). Inside another clip
// layout the children are clipped to the intersection of both rectangles.
// The renderer's scissor state is put back after the children are drawn.
class KaClipLayout : public KaLayout {
public:
    KaClipLayout();
    ~KaClipLayout() override;

    void draw() override;
};

#endif
