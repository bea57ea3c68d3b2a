#ifndef KA_CODEC_FIXTURES_H
#define KA_CODEC_FIXTURES_H

// Shared checks for the image codecs' tests.
//
// KaTestPicture is a small picture with a distinct value in every byte, kept
// top row first as files store it. A codec test writes it into a file of its
// format, loads the codec, and hands both to KaCheckPaddedDecode, which
// decodes into an image whose buffer is wider and taller than the picture and
// checks the whole contract of update(): the rows at the buffer stride, bottom
// row first unless the image is flipped (by the caller or by the codec
// itself), the spare columns repeating each
// row's last pixel and the spare rows repeating the last row written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImage.h"

struct KaTestPicture {
    unsigned int width = 0;
    unsigned int height = 0;
    KaImageFormat format = NONE;
    unsigned int bytesPerPixel = 0;
    // Top picture row first, rows packed (width * bytesPerPixel bytes each).
    std::vector<unsigned char> pixels;

    // The pixel of column x, row y counted from the top.
    const unsigned char* pixel(unsigned int x, unsigned int yFromTop) const
    {
        return pixels.data() + (static_cast<size_t>(yFromTop) * width + x) * bytesPerPixel;
    }
    // Row y counted from the top.
    const unsigned char* topRow(unsigned int yFromTop) const { return pixel(0, yFromTop); }
    size_t rowBytes() const { return static_cast<size_t>(width) * bytesPerPixel; }
};

// A picture whose bytes differ from their neighbours (within a row, between
// rows and between channels), so that a swapped row, a wrong stride or a
// channel out of place shows. Alpha stays varied as well.
inline KaTestPicture KaMakeTestPicture(
    unsigned int width, unsigned int height, KaImageFormat format, unsigned int seed = 0)
{
    KaTestPicture picture;
    picture.width = width;
    picture.height = height;
    picture.format = format;
    picture.bytesPerPixel = ImgFormatBPP[format] / 8;
    picture.pixels.resize(static_cast<size_t>(width) * height * picture.bytesPerPixel);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = static_cast<unsigned char>((i * 7 + seed * 13 + (i / picture.rowBytes()) * 31) & 0xFF);
    return picture;
}

// One layout of the target image: how much larger than the picture its buffer
// is, and its row order.
struct KaPaddedDecodeCase {
    unsigned int extraColumns;
    unsigned int extraRows;
    bool flipped;
};

inline std::ostream& operator<<(std::ostream& out, const KaPaddedDecodeCase& layout)
{
    return out << "+" << layout.extraColumns << " columns, +" << layout.extraRows << " rows"
               << (layout.flipped ? ", flipped" : "");
}

// The layouts every codec that fills its padding should pass.
inline std::vector<KaPaddedDecodeCase> KaPaddedDecodeCases()
{
    return { { 0, 0, false }, { 1, 2, false }, { 5, 3, false }, { 0, 4, false }, { 3, 0, false }, { 0, 0, true },
        { 2, 3, true } };
}

// Decodes frame 0 of a loaded codec into an image of the codec's size and
// format with a padded buffer, and checks every byte of the buffer.
// tolerance allows lossy codecs to differ from the picture by that much per
// channel; the padding is always compared exactly with the decoded edge.
inline ::testing::AssertionResult KaCheckPaddedDecode(
    KaIVideoCodec& codec, const KaTestPicture& expected, const KaPaddedDecodeCase& layout, int tolerance = 0)
{
    if (codec.width() != expected.width || codec.height() != expected.height)
        return ::testing::AssertionFailure() << "codec size " << codec.width() << " x " << codec.height()
                                             << ", expected " << expected.width << " x " << expected.height;
    if (codec.imageFormat() != expected.format)
        return ::testing::AssertionFailure()
            << "codec format " << codec.imageFormat() << ", expected " << expected.format;
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    const unsigned int bufferWidth = expected.width + layout.extraColumns;
    const unsigned int bufferHeight = expected.height + layout.extraRows;
    if (!image.create(expected.width, expected.height, noPalette, expected.format, bufferWidth, bufferHeight))
        return ::testing::AssertionFailure() << "image create failed";
    image.setFlipped(layout.flipped);
    // A sentinel that a correct decode overwrites everywhere.
    std::memset(image.buffer(), 0xA5, image.bufferSize());
    image.setChanged(false);

    if (!codec.update(0, image))
        return ::testing::AssertionFailure() << "update failed";

    const unsigned int bytes = expected.bytesPerPixel;
    const unsigned long stride = static_cast<unsigned long>(bufferWidth) * bytes;
    if (image.rowStride() != stride)
        return ::testing::AssertionFailure() << "row stride " << image.rowStride() << ", expected " << stride;
    const unsigned char* buffer = image.buffer();
    // A codec that produces rows top first may set the flag itself.
    const bool topFirst = image.flipped();
    for (unsigned int r = 0; r < expected.height; ++r) {
        const unsigned int fromTop = topFirst ? r : expected.height - 1 - r;
        const unsigned char* stored = buffer + r * stride;
        for (unsigned long i = 0; i < expected.rowBytes(); ++i) {
            const int difference = std::abs(static_cast<int>(stored[i]) - expected.topRow(fromTop)[i]);
            if (difference > tolerance)
                return ::testing::AssertionFailure()
                    << "buffer row " << r << " (picture row " << fromTop << " from the top), byte " << i << ": "
                    << static_cast<int>(stored[i]) << ", expected " << static_cast<int>(expected.topRow(fromTop)[i]);
        }
        const unsigned char* last = stored + (expected.width - 1) * bytes;
        for (unsigned int c = expected.width; c < bufferWidth; ++c) {
            if (std::memcmp(stored + c * bytes, last, bytes) != 0)
                return ::testing::AssertionFailure()
                    << "buffer row " << r << ", spare column " << c << " does not repeat the row's last pixel";
        }
    }
    const unsigned char* edge = buffer + (expected.height - 1) * stride;
    for (unsigned int r = expected.height; r < bufferHeight; ++r) {
        if (std::memcmp(buffer + r * stride, edge, stride) != 0)
            return ::testing::AssertionFailure() << "spare row " << r << " does not repeat row " << expected.height - 1;
    }
    return ::testing::AssertionSuccess();
}

#endif
