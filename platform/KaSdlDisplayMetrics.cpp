#include "platform/KaSdlDisplayMetrics.h"

#include <SDL.h>

double KaSdlDisplayMetrics::pixelWidth()
{
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) != 0 || mode.w <= 0)
        return 0.0;
    return mode.w;
}

double KaSdlDisplayMetrics::physicalWidth()
{
    float horizontalDpi = 0.0f;
    const double pixels = pixelWidth();
    if (pixels <= 0.0 || SDL_GetDisplayDPI(0, nullptr, &horizontalDpi, nullptr) != 0 || !(horizontalDpi > 0.0f))
        return 0.0;
    return pixels / horizontalDpi * 25.4;
}
