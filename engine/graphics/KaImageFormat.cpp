#include "engine/graphics/KaImageFormat.h"

const unsigned int ImgFormatBPP[KaImageFormatCount] = { 8, 8, 8, 16, 16, 24, 32, 24, 2, 2, 4, 4, 4, 8, 0 };

unsigned int KaImageFormatBits(int32_t format) { return KaImageFormatIsValid(format) ? ImgFormatBPP[format] : 0; }

unsigned int KaImageFormatAllocationBits(int32_t format)
{
    switch (format) {
    case RGB555:
    case RGB565:
        return 16;
    case RGB888:
    case BGR888:
        return 24;
    case RGBA8888:
        return 32;
    default:
        return 8;
    }
}

bool KaImageFormatHasAlpha(int32_t format)
{
    return format == ALPHA8_A || format == ALPHA8_B || format == RGBA8888 || format == PVRTC2_RGBA
        || format == PVRTC4_RGBA;
}
