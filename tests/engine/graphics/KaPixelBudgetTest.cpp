#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPVR3.h"
#include "engine/graphics/KaPVR3ZLib.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaAllocationProbe.h"
#include "tests/support/KaTestSupport.h"

// A small file declaring a huge picture is refused from its header, before
// the picture is allocated or decoded; a large picture whose file really
// holds it, at the best packing its format allows, still loads.

namespace {

// Big enough that a buffer of that size would show, far below any of the
// huge pictures declared here.
const size_t kLargeAllocation = 4u * 1024u * 1024u;

// Every byte of a picture set to one value: the tightest a codec packs it.
KaTestPicture flatPicture(unsigned int width, unsigned int height, KaImageFormat format)
{
    KaTestPicture picture;
    picture.width = width;
    picture.height = height;
    picture.format = format;
    picture.bytesPerPixel = ImgFormatBPP[format] / 8;
    picture.pixels.assign(static_cast<size_t>(width) * height * picture.bytesPerPixel, 0x5A);
    return picture;
}

void putBigEndian16(std::string& bytes, size_t at, unsigned int value)
{
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

void putLittleEndian(std::string& bytes, size_t at, unsigned int value, unsigned int count)
{
    for (unsigned int i = 0; i < count; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A good small JPEG whose frame header then declares another size.
std::string jpegClaiming(unsigned int width, unsigned int height)
{
    std::string bytes = KaWriteJpeg(KaMakeTestPicture(16, 16, RGB888));
    const size_t frame = bytes.find("\xFF\xC0");
    EXPECT_NE(frame, std::string::npos);
    putBigEndian16(bytes, frame + 5, height);
    putBigEndian16(bytes, frame + 7, width);
    return bytes;
}

std::string bmpClaiming(unsigned int width, unsigned int height)
{
    KaBmpLayout layout;
    std::string bytes = KaBmpFile(layout, 1, 1, { std::string(3, 'p') });
    putLittleEndian(bytes, 18, width, 4);
    putLittleEndian(bytes, 22, height, 4);
    return bytes;
}

std::string tgaClaiming(unsigned int width, unsigned int height)
{
    std::string bytes = KaTgaFile(KaTgaLayout(), 1, 1, { std::string(3, 'p') });
    putLittleEndian(bytes, 12, width, 2);
    putLittleEndian(bytes, 14, height, 2);
    return bytes;
}

std::string pvr3Of(unsigned int width, unsigned int height, unsigned long dataBytes)
{
    // Pixel format 2: PVRTC 4 bits a pixel, RGB.
    return KaPvr3File(2, width, height, std::string(), KaCountingBytes(dataBytes));
}

struct Case {
    const char* name;
    std::string bytes;
    // KaImage's extension, or empty for the version 3 PVR codecs (not in
    // KaImage's chain), loaded directly.
    const char* extension;
    bool wrappedPvr3;
    const char* message;
};

// Loads the bytes as the game does; the image (when the chain is used) is
// left as the load leaves it.
bool loadBytes(const Case& test, KaImage& image)
{
    KaStream stream;
    KaFillStream(stream, test.bytes);
    if (test.extension[0] != '\0')
        return image.load(&stream, KaPath(test.extension));
    std::unique_ptr<KaIVideoCodec> codec;
    if (test.wrappedPvr3)
        codec.reset(new KaPVR3ZLib());
    else
        codec.reset(new KaPVR3());
    if (!codec->load(stream))
        return false;
    const KaIntrusivePtr<KaPalette> noPalette;
    if (!image.create(codec->width(), codec->height(), noPalette, codec->imageFormat()))
        return false;
    return codec->update(0, image);
}

TEST(KaPixelBudgetTest, TinyFilesDeclaringHugePicturesAreRefusedFromTheirHeader)
{
    const Case cases[] = {
        { "jpeg", jpegClaiming(8000, 8000), "jpg", false, "picture too large for its data (8000x8000" },
        { "zlib jpeg", KaZLibWrap(jpegClaiming(8000, 8000)), "jpg.zlib", false,
            "picture too large for its data (8000x8000" },
        { "png", KaPngHeaderOnly(8000, 8000, 8, PNG_COLOR_TYPE_RGB), "png", false,
            "Image too large for its data (8000 x 8000" },
        { "bmp", bmpClaiming(8000, 8000), "bmp", false, "KaBmp::load: picture data missing" },
        { "tga", tgaClaiming(8000, 8000), "tga", false, "KaTga::load: picture data missing" },
        { "pvr 3", pvr3Of(4096, 4096, 64), "", false,
            "KaPVR3::openAndReadHeader: picture data missing (64 of 8388608 bytes)" },
        { "zlib pvr 3", KaZLibBlock(pvr3Of(4096, 4096, 64)), "", true,
            "KaPVR3::openAndReadHeader: picture data missing (64 of 8388608 bytes)" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_LT(test.bytes.size(), 2048u);
        KaImage image;
        KaCaptureStdout output;
        KaAllocationProbe probe;
        EXPECT_FALSE(loadBytes(test, image));
        if (KaAllocationProbe::available()) {
            EXPECT_LT(probe.largest(), kLargeAllocation);
        }
        EXPECT_NE(output.text().find(test.message), std::string::npos) << output.text();
        EXPECT_EQ(image.buffer(), nullptr);
        EXPECT_EQ(image.width(), 0u);
        EXPECT_EQ(image.format(), NONE);
    }
}

TEST(KaPixelBudgetTest, LargePicturesTheirFilesReallyHoldStillLoad)
{
    const KaTestPicture flatRgb = flatPicture(1024, 1024, RGB888);
    const KaTestPicture rgb = KaMakeTestPicture(512, 512, RGB888);
    const Case cases[] = {
        // Flat pictures: the best packing JPEG and deflate get.
        { "flat jpeg", KaWriteJpeg(flatRgb), "jpg", false, "" },
        { "flat progressive jpeg", KaWriteJpeg(flatRgb, [] {
              KaJpegOptions options;
              options.progressive = true;
              return options;
          }()), "jpg", false, "" },
        { "flat zlib jpeg", KaZLibWrap(KaWriteJpeg(flatRgb)), "jpg.zlib", false, "" },
        { "flat png", KaWritePng(flatRgb), "png", false, "" },
        { "bmp", KaBmpFile(KaBmpLayout(), 512, 512, KaStoredRows(rgb, [](const unsigned char* p) {
              return std::string{ static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]) };
          })), "bmp", false, "" },
        { "tga", KaTgaFile(KaTgaLayout(), 512, 512, KaStoredRows(rgb, [](const unsigned char* p) {
              return std::string{ static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]) };
          })), "tga", false, "" },
        { "pvr 3", pvr3Of(512, 512, 512ul * 512ul / 2ul), "", false, "" },
        { "zlib pvr 3", KaZLibBlock(pvr3Of(512, 512, 512ul * 512ul / 2ul)), "", true, "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        KaImage image;
        ASSERT_TRUE(loadBytes(test, image));
        EXPECT_NE(image.buffer(), nullptr);
        EXPECT_GT(static_cast<unsigned long>(image.width()) * image.height(), KaImage::mFreePixels);
    }
}

// The budget on its own: the free allowance, then the ratio, exactly.
TEST(KaPixelBudgetTest, SizeBackedByAllowsSmallPicturesAndThenTheRatio)
{
    EXPECT_TRUE(KaImage::sizeBackedBy(256, 256, 0, 1));
    EXPECT_FALSE(KaImage::sizeBackedBy(257, 256, 0, 1000));
    EXPECT_TRUE(KaImage::sizeBackedBy(1000, 1000, 1000, 1000));
    EXPECT_FALSE(KaImage::sizeBackedBy(1000, 1000, 999, 1000));
    // Three bytes a pixel: a third of a pixel a byte.
    EXPECT_TRUE(KaImage::sizeBackedBy(1000, 1000, 3000000, 8, 24));
    EXPECT_FALSE(KaImage::sizeBackedBy(1000, 1000, 2999999, 8, 24));
    // No overflow at the largest sides.
    EXPECT_FALSE(KaImage::sizeBackedBy(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFul, 1));
}

} // namespace
