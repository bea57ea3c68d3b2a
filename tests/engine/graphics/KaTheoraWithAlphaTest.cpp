#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "engine/graphics/KaTheoraWithAlpha.h"
#include "engine/graphics/KaYuvToRgb.h"
#include "tools/fixtures/KaTheoraFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

typedef std::vector<unsigned char> Pixels;

const unsigned int kFrames = 24;

// A colour clip whose luma and chroma vary across the picture and from frame
// to frame, smoothly enough for the encoder to keep them close.
KaTheoraClip colourClip()
{
    KaTheoraClip clip;
    clip.frames = kFrames;
    clip.withVorbis = false;
    clip.luma = [](unsigned int n, unsigned int x, unsigned int y) {
        return static_cast<unsigned char>(40 + 3 * x + 2 * y + n);
    };
    clip.cb = [](unsigned int n, unsigned int x, unsigned int) { return static_cast<unsigned char>(90 + 4 * x + n); };
    clip.cr = [](unsigned int n, unsigned int, unsigned int y) { return static_cast<unsigned char>(170 - 5 * y - n); };
    return clip;
}

// The alpha a companion is meant to give pixel (x, y) of frame n: a ramp
// across the picture that runs the other way from the colour's luma, so that
// alpha taken from the wrong video shows.
unsigned char alphaLuma(unsigned int n, unsigned int x, unsigned int y)
{
    return static_cast<unsigned char>(230 - 4 * x - 2 * y - n);
}

KaTheoraClip alphaClip()
{
    KaTheoraClip clip = colourClip();
    clip.luma = alphaLuma;
    clip.cb = nullptr;
    clip.cr = nullptr; // neutral: the limited-range alpha is then the luma's grey
    return clip;
}

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

// Frame n of a file decoded alone by a plain Theora codec into a picture of
// the format: the colour (alpha 0) for RGBA8888, the luma rule for GREY8.
std::vector<Pixels> framesAlone(const KaPath& path, KaImageFormat format)
{
    KaTheora codec;
    std::vector<Pixels> frames;
    if (!codec.load(path)) {
        ADD_FAILURE() << "cannot load " << path.c_str();
        return frames;
    }
    for (unsigned long n = 0; n < codec.nbFrames(); ++n) {
        KaImage image;
        EXPECT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), format));
        EXPECT_TRUE(codec.update(n, image)) << "frame " << n;
        frames.push_back(pictureOf(image));
    }
    return frames;
}

// The frames the pair must produce: the colour video's RGB and the
// companion's luma rule as alpha, pixel by pixel.
std::vector<Pixels> expectedFrames(const KaPath& colour, const KaPath& alpha)
{
    const std::vector<Pixels> rgba = framesAlone(colour, RGBA8888);
    const std::vector<Pixels> grey = framesAlone(alpha, GREY8);
    std::vector<Pixels> frames;
    for (size_t n = 0; n < rgba.size() && n < grey.size(); ++n) {
        Pixels frame = rgba[n];
        for (size_t i = 0; i < grey[n].size(); ++i)
            frame[i * 4 + 3] = grey[n][i];
        frames.push_back(frame);
    }
    return frames;
}

class KaTheoraWithAlphaTest : public ::testing::Test {
protected:
    KaPath write(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return KaPath(mDir.file(name).c_str());
    }

    // "clip.ogv" and its companion "clip.alpha.ogv".
    KaPath writePair(const std::string& stem, const KaTheoraClip& colour, const KaTheoraClip& alpha)
    {
        write(stem + ".alpha.ogv", KaEncodeTheora(alpha));
        return write(stem + ".ogv", KaEncodeTheora(colour));
    }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaTheoraWithAlphaTest, RegistryTakesAVideoWithACompanionBeforeThePlainVideo)
{
    const KaPath paired = writePair("paired", colourClip(), alphaClip());
    const KaPath alone = write("alone.ogv", KaEncodeTheora(colourClip()));
    // Upper-case extension, lower-case companion beside it.
    write("SHOUT.alpha.ogv", KaEncodeTheora(alphaClip()));
    const KaPath shout = write("SHOUT.OGV", KaEncodeTheora(colourClip()));

    EXPECT_TRUE(KaTheoraWithAlpha::matchFormat(paired));
    EXPECT_TRUE(KaTheoraWithAlpha::matchFormat(shout));
    EXPECT_FALSE(KaTheoraWithAlpha::matchFormat(alone));
    EXPECT_EQ(KaTheoraWithAlpha::alphaFilePath(KaPath("a/b.OGV")), KaPath("a/b.alpha.ogv"));

    std::unique_ptr<KaIVideoCodec> forPaired(core.get()->createVideoCodec(paired));
    std::unique_ptr<KaIVideoCodec> forShout(core.get()->createVideoCodec(shout));
    std::unique_ptr<KaIVideoCodec> forAlone(core.get()->createVideoCodec(alone));
    EXPECT_NE(dynamic_cast<KaTheoraWithAlpha*>(forPaired.get()), nullptr);
    EXPECT_NE(dynamic_cast<KaTheoraWithAlpha*>(forShout.get()), nullptr);
    EXPECT_EQ(dynamic_cast<KaTheoraWithAlpha*>(forAlone.get()), nullptr);
    EXPECT_NE(dynamic_cast<KaTheora*>(forAlone.get()), nullptr);
}

// Every frame in order, then jumps back and far ahead: the colour comes from
// the video, the alpha from the companion's luma, every column of the odd-
// sized picture included, and the spare buffer repeats the edge.
TEST_F(KaTheoraWithAlphaTest, DecodesColourAndCompanionAlphaIntoOneImage)
{
    const KaPath path = writePair("clip", colourClip(), alphaClip());
    const std::vector<Pixels> expected = expectedFrames(path, KaTheoraWithAlpha::alphaFilePath(path));
    ASSERT_EQ(expected.size(), kFrames);

    KaTheoraWithAlpha codec;
    ASSERT_TRUE(codec.load(path));
    EXPECT_EQ(codec.imageFormat(), RGBA8888);
    EXPECT_EQ(codec.width(), 37u);
    EXPECT_EQ(codec.height(), 21u);
    EXPECT_EQ(codec.nbFrames(), kFrames);
    EXPECT_FLOAT_EQ(codec.frameRate(), 25.0f);

    const unsigned int w = codec.width();
    const unsigned int h = codec.height();
    KaImage image;
    ASSERT_TRUE(image.create(w, h, KaIntrusivePtr<KaPalette>(), RGBA8888, w + 3, h + 2));

    std::vector<unsigned long> order;
    for (unsigned long n = 0; n < kFrames; ++n)
        order.push_back(n);
    for (unsigned long n : { 3ul, 0ul, 22ul, 9ul, 10ul })
        order.push_back(n);
    for (unsigned long n : order) {
        std::memset(image.buffer(), 0xA5, image.bufferSize());
        ASSERT_TRUE(codec.update(n, image)) << "frame " << n;
        const Pixels picture = pictureOf(image);
        ASSERT_EQ(picture, expected[n]) << "frame " << n;

        // The alpha is the companion's ramp (within the encoder's loss), not
        // the colour's luma.
        for (unsigned int y = 0; y < h; ++y) {
            for (unsigned int x = 0; x < w; ++x) {
                const int wanted = yuv420LumaValue(alphaLuma(static_cast<unsigned int>(n), x, y), 128, false);
                const int got = picture[(static_cast<size_t>(y) * w + x) * 4 + 3];
                ASSERT_LE(std::abs(got - wanted), 6) << "frame " << n << " at " << x << "," << y;
            }
        }

        // Padding: each row's last pixel, alpha included, then the last row.
        for (unsigned int r = 0; r < h; ++r) {
            const unsigned char* row = image.row(r);
            for (unsigned int c = w; c < w + 3; ++c)
                ASSERT_EQ(std::memcmp(row + c * 4, row + (w - 1) * 4, 4), 0) << "row " << r << " column " << c;
        }
        for (unsigned int r = h; r < h + 2; ++r)
            ASSERT_EQ(std::memcmp(image.row(r), image.row(h - 1), image.rowStride()), 0) << "spare row " << r;
    }
}

// A companion that declares full-range colour gives its luma bytes as they
// are; the colour video's range does not matter.
TEST_F(KaTheoraWithAlphaTest, FullRangeCompanionGivesItsLumaUnchanged)
{
    KaTheoraClip alpha = alphaClip();
    alpha.comments = { "ColorRange=FullRange" };
    const KaPath path = writePair("full", colourClip(), alpha);
    const std::vector<Pixels> expected = expectedFrames(path, KaTheoraWithAlpha::alphaFilePath(path));
    ASSERT_EQ(expected.size(), kFrames);

    KaTheoraWithAlpha codec;
    ASSERT_TRUE(codec.load(path));
    EXPECT_TRUE(codec.alphaVideo().fullRange());
    EXPECT_FALSE(codec.colorVideo().fullRange());
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    for (unsigned long n : { 0ul, 5ul, 17ul }) {
        ASSERT_TRUE(codec.update(n, image));
        const Pixels picture = pictureOf(image);
        EXPECT_EQ(picture, expected[n]) << "frame " << n;
        for (unsigned int y = 0; y < codec.height(); ++y)
            for (unsigned int x = 0; x < codec.width(); ++x) {
                const int got = picture[(static_cast<size_t>(y) * codec.width() + x) * 4 + 3];
                ASSERT_LE(std::abs(got - alphaLuma(static_cast<unsigned int>(n), x, y)), 6) << x << "," << y;
            }
    }
}

TEST_F(KaTheoraWithAlphaTest, BordersGoToBothVideosAndComeFromTheColourOne)
{
    const KaPath path = writePair("borders", colourClip(), alphaClip());
    KaTheoraWithAlpha codec;
    ASSERT_TRUE(codec.load(path));
    codec.setLeftBorderSize(1);
    codec.setRightBorderSize(2);
    codec.setBottomBorderSize(3);
    codec.setTopBorderSize(4);
    EXPECT_EQ(codec.alphaVideo().leftBorderSize(), 1u);
    EXPECT_EQ(codec.alphaVideo().topBorderSize(), 4u);
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    ASSERT_TRUE(codec.update(0, image));
    EXPECT_EQ(image.leftBorder(), 1u);
    EXPECT_EQ(image.rightBorder(), 2u);
    EXPECT_EQ(image.bottomBorder(), 3u);
    EXPECT_EQ(image.topBorder(), 4u);
    EXPECT_EQ(codec.leftBorderSize(), 1u);
}

TEST_F(KaTheoraWithAlphaTest, LoadsFromTwoStreams)
{
    const KaPath path = writePair("streams", colourClip(), alphaClip());
    const std::vector<Pixels> expected = expectedFrames(path, KaTheoraWithAlpha::alphaFilePath(path));
    ASSERT_EQ(expected.size(), kFrames);

    KaStream colour;
    KaStream alpha;
    const std::string colourBytes = KaEncodeTheora(colourClip());
    const std::string alphaBytes = KaEncodeTheora(alphaClip());
    colour.writeData(colourBytes.data(), colourBytes.size());
    colour.seek(0);
    alpha.writeData(alphaBytes.data(), alphaBytes.size());
    alpha.seek(0);

    KaTheoraWithAlpha codec;
    EXPECT_FALSE(codec.load(colour));
    ASSERT_TRUE(codec.load(colour, alpha));
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    for (unsigned long n : { 0ul, 1ul, 12ul }) {
        ASSERT_TRUE(codec.update(n, image));
        EXPECT_EQ(pictureOf(image), expected[n]) << "frame " << n;
    }
}

// The alpha pass writes only byte 3 of each pixel: an image of any other
// format would get the mask over its colour.
TEST_F(KaTheoraWithAlphaTest, RefusesImagesThatAreNotRgba)
{
    const KaPath path = writePair("formats", colourClip(), alphaClip());
    KaTheoraWithAlpha codec;
    ASSERT_TRUE(codec.load(path));
    for (KaImageFormat format : { RGB888, GREY8 }) {
        KaImage image;
        ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), format));
        std::memset(image.buffer(), 0xA5, image.bufferSize());
        EXPECT_FALSE(codec.update(0, image)) << format;
        for (unsigned long i = 0; i < image.bufferSize(); ++i)
            ASSERT_EQ(image.buffer()[i], 0xA5) << format;
    }
    // Past the end, both decoders refuse.
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGBA8888));
    EXPECT_FALSE(codec.update(kFrames, image));
}

// A pair that cannot stay in step, or of which a half cannot be read, is
// refused at load instead of playing opaque, invisible or torn.
TEST_F(KaTheoraWithAlphaTest, RefusesCompanionsThatDoNotPair)
{
    struct Case {
        const char* name;
        std::function<void(KaTheoraClip& colour, KaTheoraClip& alpha)> change;
        const char* message; // part of the console output, "" for none in particular
    };
    const Case cases[] = {
        { "fewer frames", [](KaTheoraClip&, KaTheoraClip& a) { a.frames = kFrames - 1; }, "same frame number" },
        { "other width", [](KaTheoraClip&, KaTheoraClip& a) { a.width = 35; }, "same resolution" },
        { "other height", [](KaTheoraClip&, KaTheoraClip& a) { a.height = 23; }, "same resolution" },
        { "other rate", [](KaTheoraClip&, KaTheoraClip& a) { a.fpsNumerator = 30; }, "same framerate" },
    };
    int index = 0;
    for (const Case& c : cases) {
        KaTheoraClip colour = colourClip();
        KaTheoraClip alpha = alphaClip();
        c.change(colour, alpha);
        const KaPath path = writePair("mismatch" + std::to_string(index++), colour, alpha);
        KaTheoraWithAlpha codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(path)) << c.name;
        const std::string text = capture.text();
        EXPECT_NE(text.find(std::string("[KaTheoraWithAlpha::load] Color video and Alpha video dont have the ")
                      + c.message + " for file " + path.c_str()),
            std::string::npos)
            << c.name << ": " << text;
        KaImage image;
        ASSERT_TRUE(image.create(37, 21, KaIntrusivePtr<KaPalette>(), RGBA8888));
        EXPECT_FALSE(codec.update(0, image)) << c.name;
    }
}

TEST_F(KaTheoraWithAlphaTest, FailsWhenEitherVideoCannotBeLoaded)
{
    const std::string good = KaEncodeTheora(colourClip());
    const std::string goodAlpha = KaEncodeTheora(alphaClip());
    write("nocolour.alpha.ogv", goodAlpha);
    write("noalpha.ogv", good);
    write("badcolour.ogv", "OggS but not really a video");
    write("badcolour.alpha.ogv", goodAlpha);
    write("badalpha.ogv", good);
    write("badalpha.alpha.ogv", good.substr(0, 40));
    for (const char* stem : { "nocolour", "noalpha", "badcolour", "badalpha" }) {
        const KaPath path(mDir.file(std::string(stem) + ".ogv").c_str());
        KaTheoraWithAlpha codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(path)) << stem;
        EXPECT_NE(capture.text().find("KaTheora"), std::string::npos) << stem;
        KaImage image;
        ASSERT_TRUE(image.create(37, 21, KaIntrusivePtr<KaPalette>(), RGBA8888));
        EXPECT_FALSE(codec.update(0, image)) << stem;
    }
}
