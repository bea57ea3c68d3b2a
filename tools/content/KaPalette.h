#ifndef KA_PALETTE_H
#define KA_PALETTE_H

#include "tools/content/KaCanvas.h"

// The sample game's colours, shared by every picture painted for it: night
// navy and ink, sea teal, lamp amber, paper cream, and a warning red.
namespace KaPalette {

typedef KaCanvas::Color Color;

inline const Color navy { 0.06f, 0.10f, 0.18f, 1.0f };
inline const Color ink { 0.03f, 0.05f, 0.09f, 1.0f };
inline const Color teal { 0.18f, 0.64f, 0.66f, 1.0f };
inline const Color amber { 0.95f, 0.71f, 0.27f, 1.0f };
inline const Color cream { 0.96f, 0.93f, 0.85f, 1.0f };
inline const Color alarm { 0.84f, 0.27f, 0.25f, 1.0f };

inline Color withAlpha(Color color, float alpha)
{
    color.a = alpha;
    return color;
}

} // namespace KaPalette

#endif
