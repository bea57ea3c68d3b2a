#ifndef KA_IMAGE_FORMAT_H
#define KA_IMAGE_FORMAT_H

#include <cstdint>

// Pixel format of a KaImage and of what a codec decodes. The values are
// stored in image serialisations: never renumber them.
enum KaImageFormat : int32_t {
    PALETTE8 = 0, // palette index per pixel
    ALPHA8_A = 1,
    ALPHA8_B = 2,
    RGB555 = 3, // KaColor::rgb24to15 words
    RGB565 = 4, // KaColor::rgb24to16 words
    RGB888 = 5, // bytes r, g, b
    RGBA8888 = 6, // bytes r, g, b, a
    BGR888 = 7, // bytes b, g, r
    PVRTC2_RGB = 8,
    PVRTC2_RGBA = 9,
    PVRTC4_RGB = 10,
    PVRTC4_RGBA = 11,
    ETC1 = 12,
    GREY8 = 13,
    NONE = 14 // empty image, or content a codec cannot decode
};

// The number of formats; every value from 0 to KaImageFormatCount - 1 is valid.
const int32_t KaImageFormatCount = 15;

// Bits per pixel that address rows and pixels (2 and 4 for the compressed
// formats, 0 for NONE). Index with a valid format only.
extern const unsigned int ImgFormatBPP[KaImageFormatCount];

// True for the values 0 to 14.
inline bool KaImageFormatIsValid(int32_t format) { return format >= 0 && format < KaImageFormatCount; }

// ImgFormatBPP of a valid format, 0 for anything else.
unsigned int KaImageFormatBits(int32_t format);

// Bits per pixel that an image buffer is allocated with: 16, 24 or 32 for
// the uncompressed colour formats, 8 for every other value (the compressed
// formats and NONE included, so their buffers are never smaller than their
// blocks).
unsigned int KaImageFormatAllocationBits(int32_t format);

// The formats textures treat as carrying alpha: 1, 2, 6, 9 and 11.
bool KaImageFormatHasAlpha(int32_t format);

#endif
