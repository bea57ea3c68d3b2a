#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "engine/graphics/KaVideoWithAlpha.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tools/fixtures/KaTheoraFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

typedef std::vector<unsigned char> Pixels;

// The picture of the image, top row first, without the buffer's padding.
Pixels pictureOf(const KaImage& image)
{
    const unsigned long bytes = ImgFormatBPP[image.format()] / 8;
    Pixels pixels;
    for (unsigned int r = 0; r < image.height(); ++r) {
        const unsigned int row = image.flipped() ? r : image.height() - 1 - r;
        const unsigned char* start = image.row(row);
        pixels.insert(pixels.end(), start, start + image.width() * bytes);
    }
    return pixels;
}

// RGBA top row first: the colour picture's bytes and the first byte of each
// pixel of the alpha picture.
Pixels merged(const KaTestPicture& colour, const KaTestPicture& alpha)
{
    Pixels out;
    for (unsigned int i = 0; i < colour.width * colour.height; ++i) {
        out.insert(out.end(), colour.pixels.begin() + i * 3, colour.pixels.begin() + i * 3 + 3);
        out.push_back(alpha.pixels[static_cast<size_t>(i) * alpha.bytesPerPixel]);
    }
    return out;
}

// A padded RGBA image whose picture is checked against the expected pixels
// and whose spare columns and rows must repeat the edge.
::testing::AssertionResult decodesTo(KaIVideoCodec& codec, unsigned long frame, const Pixels& expected)
{
    const unsigned int w = codec.width();
    const unsigned int h = codec.height();
    KaImage image;
    if (!image.create(w, h, KaIntrusivePtr<KaPalette>(), RGBA8888, w + 2, h + 3))
        return ::testing::AssertionFailure() << "create";
    std::memset(image.buffer(), 0xA5, image.bufferSize());
    if (!codec.update(frame, image))
        return ::testing::AssertionFailure() << "update of frame " << frame << " failed";
    if (pictureOf(image) != expected)
        return ::testing::AssertionFailure() << "frame " << frame << " differs";
    for (unsigned int r = 0; r < h; ++r)
        for (unsigned int c = w; c < w + 2; ++c)
            if (std::memcmp(image.row(r) + c * 4, image.row(r) + (w - 1) * 4, 4) != 0)
                return ::testing::AssertionFailure() << "row " << r << " spare column " << c;
    for (unsigned int r = h; r < h + 3; ++r)
        if (std::memcmp(image.row(r), image.row(h - 1), image.rowStride()) != 0)
            return ::testing::AssertionFailure() << "spare row " << r;
    return ::testing::AssertionSuccess();
}

class KaVideoWithAlphaTest : public ::testing::Test {
protected:
    KaPath path(const std::string& name) const { return KaPath(mDir.file(name).c_str()); }

    void writePng(const std::string& name, const KaTestPicture& picture) { mDir.write(name, KaWritePng(picture)); }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaVideoWithAlphaTest, CompanionPathsAndMatching)
{
    EXPECT_EQ(KaVideoWithAlpha::rgbFilePath(KaPath("a/b.ogv")), KaPath("a/b.rgb.ogv"));
    EXPECT_EQ(KaVideoWithAlpha::alphaFilePath(KaPath("a/b.ogv")), KaPath("a/b.alpha.ogv"));
    EXPECT_EQ(KaVideoWithAlpha::alphaFilePath(KaPath("cursor.anim")), KaPath("cursor.alpha.anim"));

    writePng("logo.alpha.png", KaMakeTestPicture(2, 2, RGB888));
    mDir.write("arrow.alpha.anim/0.png", KaWritePng(KaMakeTestPicture(2, 2, RGB888)));
    EXPECT_TRUE(KaVideoWithAlpha::matchFormat(path("logo.png")));
    EXPECT_TRUE(KaVideoWithAlpha::matchFormat(path("arrow.anim")));
    EXPECT_FALSE(KaVideoWithAlpha::matchFormat(path("other.png")));

    // The registry asks it before the still-image and sequence codecs.
    for (const char* name : { "logo.png", "arrow.anim" }) {
        std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(path(name)));
        EXPECT_NE(dynamic_cast<KaVideoWithAlpha*>(codec.get()), nullptr) << name;
    }
}

// Two image sequences merged frame by frame.
TEST_F(KaVideoWithAlphaTest, MergesTwoSequencesFrameByFrame)
{
    std::vector<KaTestPicture> colours, alphas;
    for (unsigned int n = 0; n < 3; ++n) {
        colours.push_back(KaMakeTestPicture(5, 3, RGB888, 10 + n));
        alphas.push_back(KaMakeTestPicture(5, 3, RGB888, 40 + n));
        const std::string name = std::to_string(n) + (n == 0 ? "-12.png" : ".png");
        writePng("cursor.rgb.anim/" + name, colours.back());
        writePng("cursor.alpha.anim/" + name, alphas.back());
    }

    std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(path("cursor.anim")));
    ASSERT_NE(dynamic_cast<KaVideoWithAlpha*>(codec.get()), nullptr);
    ASSERT_TRUE(codec->load(path("cursor.anim")));
    EXPECT_EQ(codec->imageFormat(), RGBA8888);
    EXPECT_EQ(codec->width(), 5u);
    EXPECT_EQ(codec->height(), 3u);
    EXPECT_EQ(codec->nbFrames(), 3u);
    EXPECT_FLOAT_EQ(codec->frameRate(), 12.0f);
    for (unsigned long n : { 0ul, 1ul, 2ul, 0ul })
        EXPECT_TRUE(decodesTo(*codec, n, merged(colours[n], alphas[n])));

    KaImage image;
    ASSERT_TRUE(image.create(5, 3, KaIntrusivePtr<KaPalette>(), RGBA8888));
    ASSERT_TRUE(codec->update(1, image));
    EXPECT_EQ(image.getAccessName(), path("cursor.anim"));
    EXPECT_FALSE(codec->isAtEnd());
    EXPECT_FALSE(codec->update(3, image));
    EXPECT_TRUE(codec->isAtEnd());
    // Only RGBA8888 images of at least the picture's size take a frame.
    KaImage rgb;
    ASSERT_TRUE(rgb.create(5, 3, KaIntrusivePtr<KaPalette>(), RGB888));
    EXPECT_FALSE(codec->update(0, rgb));
    KaImage small;
    ASSERT_TRUE(small.create(4, 3, KaIntrusivePtr<KaPalette>(), RGBA8888));
    EXPECT_FALSE(codec->update(0, small));
}

TEST_F(KaVideoWithAlphaTest, MergesTwoStillPictures)
{
    const KaTestPicture colour = KaMakeTestPicture(7, 4, RGB888, 1);
    const KaTestPicture alpha = KaMakeTestPicture(7, 4, RGB888, 2);
    writePng("logo.rgb.png", colour);
    writePng("logo.alpha.png", alpha);
    KaVideoWithAlpha codec;
    ASSERT_TRUE(codec.load(path("logo.png")));
    EXPECT_EQ(codec.nbFrames(), 1u);
    EXPECT_TRUE(decodesTo(codec, 0, merged(colour, alpha)));
}

// Two JPEGs from streams; a grey alpha picture gives its grey byte.
TEST_F(KaVideoWithAlphaTest, MergesTwoJpegStreamsWithAGreyAlpha)
{
    const std::string colourJpeg = KaWriteJpeg(KaMakeTestPicture(9, 6, RGB888, 3));
    const std::string alphaJpeg = KaWriteJpeg(KaMakeTestPicture(9, 6, GREY8, 4));
    KaStream colourStream;
    KaStream alphaStream;
    KaFillStream(colourStream, colourJpeg);
    KaFillStream(alphaStream, alphaJpeg);

    KaVideoWithAlpha codec;
    EXPECT_FALSE(codec.load(colourStream));
    ASSERT_TRUE(codec.load(colourStream, alphaStream));
    EXPECT_TRUE(decodesTo(codec, 0, merged(KaDecodeJpeg(colourJpeg), KaDecodeJpeg(alphaJpeg))));
    // The JPEG codecs seek their streams back: a second decode is the same.
    EXPECT_TRUE(decodesTo(codec, 0, merged(KaDecodeJpeg(colourJpeg), KaDecodeJpeg(alphaJpeg))));
}

// Sources that store their rows top first (Theora) give an image flipped the
// same way.
TEST_F(KaVideoWithAlphaTest, KeepsTheRowOrderOfItsSources)
{
    KaTheoraClip colourClip;
    colourClip.frames = 6;
    colourClip.withVorbis = false;
    colourClip.luma = [](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>(30 + 4 * x + 6 * y + n);
    };
    KaTheoraClip alphaClip = colourClip;
    alphaClip.luma = [](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>(220 - 3 * x - 7 * y - n);
    };
    mDir.write("film.rgb.ogv", KaEncodeTheora(colourClip));
    mDir.write("film.alpha.ogv", KaEncodeTheora(alphaClip));

    // Each source decoded alone.
    auto alone = [this](const char* name, unsigned long frame) {
        KaTheora theora;
        EXPECT_TRUE(theora.load(path(name)));
        KaImage image;
        EXPECT_TRUE(image.create(theora.width(), theora.height(), KaIntrusivePtr<KaPalette>(), RGB888));
        EXPECT_TRUE(theora.update(frame, image));
        KaTestPicture picture;
        picture.width = image.width();
        picture.height = image.height();
        picture.format = RGB888;
        picture.bytesPerPixel = 3;
        picture.pixels = pictureOf(image);
        return picture;
    };

    KaVideoWithAlpha codec;
    ASSERT_TRUE(codec.load(path("film.ogv")));
    EXPECT_EQ(codec.nbFrames(), 6u);
    for (unsigned long n : { 0ul, 4ul, 1ul }) {
        const Pixels expected = merged(alone("film.rgb.ogv", n), alone("film.alpha.ogv", n));
        EXPECT_TRUE(decodesTo(codec, n, expected)) << "frame " << n;
    }
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    ASSERT_TRUE(codec.update(0, image));
    EXPECT_TRUE(image.flipped());
}

TEST_F(KaVideoWithAlphaTest, RefusesSourcesThatDoNotPair)
{
    struct Case {
        const char* stem;
        std::function<void(const std::string& rgb, const std::string& alpha)> write;
        const char* message; // what follows "KaVideoWithAlpha::load: ", then the path
    };
    auto png = [this](const std::string& name, unsigned int w, unsigned int h, KaImageFormat format) {
        writePng(name, KaMakeTestPicture(w, h, format));
    };
    const Case cases[] = {
        { "rgba.png",
            [&](const std::string& rgb, const std::string& alpha) {
                png(rgb, 4, 4, RGBA8888);
                png(alpha, 4, 4, RGB888);
            },
            "RGB video is not RGB for file" },
        { "alpharbga.png",
            [&](const std::string& rgb, const std::string& alpha) {
                png(rgb, 4, 4, RGB888);
                png(alpha, 4, 4, RGBA8888);
            },
            "Alpha video is not RGB or 8 bits for file" },
        { "sizes.png",
            [&](const std::string& rgb, const std::string& alpha) {
                png(rgb, 4, 4, RGB888);
                png(alpha, 4, 5, RGB888);
            },
            "RGB video and Alpha video dont have the same resolution for file" },
        { "frames.anim",
            [&](const std::string& rgb, const std::string& alpha) {
                png(rgb + "/0.png", 4, 4, RGB888);
                png(rgb + "/1.png", 4, 4, RGB888);
                png(alpha + "/0.png", 4, 4, RGB888);
            },
            "RGB video and Alpha video dont have the same frame number" },
        { "rates.anim",
            [&](const std::string& rgb, const std::string& alpha) {
                png(rgb + "/0-10.png", 4, 4, RGB888);
                png(alpha + "/0.png", 4, 4, RGB888);
            },
            "RGB video and Alpha video dont have the same framerate" },
        { "clip.gif",
            [&](const std::string& rgb, const std::string& alpha) {
                mDir.write(rgb, "GIF89a");
                mDir.write(alpha, "GIF89a");
            },
            "unknown format file" },
    };
    for (const Case& c : cases) {
        const KaPath whole = path(c.stem);
        c.write(KaVideoWithAlpha::rgbFilePath(KaPath(c.stem)).c_str(),
            KaVideoWithAlpha::alphaFilePath(KaPath(c.stem)).c_str());
        KaVideoWithAlpha codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(whole)) << c.stem;
        const std::string text = capture.text();
        EXPECT_NE(text.find(std::string("KaVideoWithAlpha::load: ") + c.message + " " + whole.c_str() + "\n"),
            std::string::npos)
            << c.stem << ": " << text;
        KaImage image;
        ASSERT_TRUE(image.create(4, 4, KaIntrusivePtr<KaPalette>(), RGBA8888));
        EXPECT_FALSE(codec.update(0, image)) << c.stem;
    }
}

// A source that exists by name but cannot be read fails the load (its codec
// says why) instead of pairing two empty pictures.
TEST_F(KaVideoWithAlphaTest, FailsWhenASourceCannotBeLoaded)
{
    writePng("gone.alpha.png", KaMakeTestPicture(3, 3, RGB888));
    mDir.write("junk.rgb.png", "no png here");
    mDir.write("junk.alpha.png", "nor here");
    mDir.write("film.rgb.ogv", "OggS garbage");
    mDir.write("film.alpha.ogv", "OggS garbage");
    for (const char* name : { "gone.png", "junk.png", "film.ogv" }) {
        KaVideoWithAlpha codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(path(name))) << name;
        EXPECT_NE(capture.text(), "") << name;
        KaImage image;
        ASSERT_TRUE(image.create(3, 3, KaIntrusivePtr<KaPalette>(), RGBA8888));
        EXPECT_FALSE(codec.update(0, image)) << name;
    }
    // Two JPEG streams, one of them not a JPEG.
    KaStream good;
    KaStream bad;
    KaFillStream(good, KaWriteJpeg(KaMakeTestPicture(4, 4, RGB888)));
    KaFillStream(bad, "not a jpeg");
    KaVideoWithAlpha codec;
    KaCaptureStdout capture;
    EXPECT_FALSE(codec.load(good, bad));
}

TEST_F(KaVideoWithAlphaTest, UnloadedCodecAnswersEmpty)
{
    KaVideoWithAlpha codec;
    EXPECT_EQ(codec.width(), 0u);
    EXPECT_EQ(codec.nbFrames(), 0u);
    EXPECT_TRUE(codec.isAtEnd());
    EXPECT_EQ(codec.imageFormat(), RGBA8888);
    codec.setLeftBorderSize(3);
    EXPECT_EQ(codec.leftBorderSize(), 0u);
    KaImage image;
    ASSERT_TRUE(image.create(2, 2, KaIntrusivePtr<KaPalette>(), RGBA8888));
    EXPECT_FALSE(codec.update(0, image));
}
