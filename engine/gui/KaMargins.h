#ifndef KA_MARGINS_H
#define KA_MARGINS_H

#include "engine/maths/KaVector3f32.h"

// The insets, in pixels, between an older widget's rectangle and the button
// inside it that takes its clicks (sprite buttons, check boxes). Bottom is
// the lower edge: the older widgets live in a y-up space.
struct KaMargins {
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;

    // Half the sums of the horizontal and of the vertical margins.
    KaVector3f32 average() const { return KaVector3f32((left + right) * 0.5f, (bottom + top) * 0.5f, 0.0f); }
    // The same value on both sides of each axis.
    void setAverage(const KaVector3f32& margin)
    {
        left = right = margin.x;
        bottom = top = margin.y;
    }
    // Where the inner rectangle starts from the outer one's corner.
    KaVector3f32 offset() const { return KaVector3f32(left, bottom, 0.0f); }
    // How much smaller the inner rectangle is on each axis.
    KaVector3f32 total() const { return KaVector3f32(left + right, bottom + top, 0.0f); }
};

#endif
