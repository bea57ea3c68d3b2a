#ifndef KA_YUV_TO_RGB_H
#define KA_YUV_TO_RGB_H

#include <cstdint>

// Y'CbCr 4:2:0 to RGB conversion for decoded video frames (BT.601, video
// range: Y 16..235, Cb/Cr 16..240).
//
// The planes: y holds width x height luma samples, u (Cb) and v (Cr) hold
// (width + 1) / 2 x (height + 1) / 2 chroma samples; each 2 x 2 block of
// pixels shares one U and one V sample. Strides are in bytes and may be
// negative (a decoder that keeps its frames bottom-up hands out the top row
// with a negative stride). The first destination row receives the first
// (top) row of the planes. Every pixel of the picture is written, odd last
// column and odd last row included. Nothing is written for a width or height
// of 0 or below.

// Packed conversion table: 768 entries, indexed by Y (0..255), 256 + U and
// 512 + V. Each entry holds three channel contributions in lanes: red in
// bits 0-9, blue in bits 11-20, green in bits 22-31 (bits 10 and 21 absorb
// borrows). Summing the three entries of a pixel gives, in each lane, 512 plus
// the channel value, which the converters clamp to 0..255. Within the video
// range every channel lies within 1.5 levels of the exact formula.
extern const uint32_t yuv2bgr565_table[768];

// Writes 3 bytes per pixel: red, green, blue.
void yuv420_2_rgb888(uint8_t* destination, const uint8_t* yPlane, const uint8_t* uPlane, const uint8_t* vPlane,
    int width, int height, int yStride, int uvStride, int destinationStride, const uint32_t* table = yuv2bgr565_table);

// Writes one 32-bit word per pixel: red in bits 0-7, green in bits 8-15,
// blue in bits 16-23, bits 24-31 zero (on a little-endian machine the bytes
// red, green, blue, 0 of an RGBA8888 image). The destination need not be
// word-aligned.
void yuv420_2_rgb8888(uint32_t* destination, const uint8_t* yPlane, const uint8_t* uPlane, const uint8_t* vPlane,
    int width, int height, int yStride, int uvStride, int destinationStride,
    const uint32_t* table = yuv2bgr565_table);

// The one-channel rule of alpha videos and grey output: with fullRange the
// luma byte itself, otherwise clamp(ytab[Y] + rtab[V]) to 0..255 (the red
// value of the pixel), where ytab[i] = (298 i - 4640) >> 8 and
// rtab[i] = (409 i - 52352) >> 8.
uint8_t yuv420LumaValue(uint8_t y, uint8_t v, bool fullRange);

// Writes one byte per pixel with yuv420LumaValue, pixel c of a row at
// c * pixelStep bytes from the row start: pass the address of byte 3 of the
// first pixel and a step of 4 to fill only the alpha bytes of an RGBA8888
// picture, or a step of 1 for a GREY8 picture. Only that byte of each pixel
// is touched; every column is written, the odd last one included.
void yuv420_2_luma8(uint8_t* destination, int pixelStep, const uint8_t* yPlane, const uint8_t* vPlane, int width,
    int height, int yStride, int uvStride, int destinationStride, bool fullRange);

#endif
