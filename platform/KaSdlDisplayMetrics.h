#ifndef KA_SDL_DISPLAY_METRICS_H
#define KA_SDL_DISPLAY_METRICS_H

#include "engine/core/KaIDisplayMetrics.h"

// The main screen's metrics from SDL's display queries. Many X servers (and
// every virtual one) give no physical size: then the width is unknown and the
// engine uses its reference resolution.
class KaSdlDisplayMetrics : public KaIDisplayMetrics {
public:
    double pixelWidth() override;
    double physicalWidth() override;
};

#endif
