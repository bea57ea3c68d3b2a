#include <gtest/gtest.h>
#include <ogg/ogg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "engine/graphics/KaYuvToRgb.h"
#include "tools/fixtures/KaTheoraFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

typedef std::vector<unsigned char> Pixels;

// A memory stream that counts the bytes handed out, to tell a seek from a
// decode that reads on.
class KaCountingStream : public KaStream {
public:
    explicit KaCountingStream(const std::string& bytes)
    {
        writeData(bytes.data(), bytes.size());
        seek(0);
    }
    unsigned int readData(void* destination, unsigned long count) override
    {
        const unsigned int read = KaStream::readData(destination, count);
        mRead += read;
        return read;
    }
    unsigned long mRead = 0;
};

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

// Decodes one frame into a fresh image of the codec's size (and format).
bool decode(KaTheora& codec, unsigned long frame, Pixels& pixels, KaImageFormat format = RGB888)
{
    KaImage image;
    if (!image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), format))
        return false;
    if (!codec.update(frame, image))
        return false;
    pixels = pictureOf(image);
    return true;
}

// Every frame decoded in order by a fresh codec: what any other way of
// reaching a frame must reproduce exactly.
std::vector<Pixels> sequentialFrames(const KaPath& path)
{
    KaTheora codec;
    std::vector<Pixels> frames;
    if (!codec.load(path)) {
        ADD_FAILURE() << "cannot load " << path.c_str();
        return frames;
    }
    for (unsigned long n = 0; n < codec.nbFrames(); ++n) {
        Pixels pixels;
        EXPECT_TRUE(decode(codec, n, pixels)) << "frame " << n;
        frames.push_back(pixels);
    }
    return frames;
}

// The grey an RGB888 frame of flat luma shows: 1.164 (Y - 16).
int expectedGrey(unsigned int frame)
{
    const double grey = 1.164 * (KaTheoraFrameLuma(frame) - 16);
    return static_cast<int>(grey + 0.5);
}

// The pages of an Ogg file, in order.
std::vector<std::string> pagesOf(const std::string& file)
{
    std::vector<std::string> pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::memcpy(buffer, file.data(), file.size());
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        pages.push_back(std::string(reinterpret_cast<const char*>(page.header), page.header_len)
            + std::string(reinterpret_cast<const char*>(page.body), page.body_len));
    }
    ogg_sync_clear(&sync);
    return pages;
}

// Rewrites the body of a page through edit and gives it a valid checksum
// again, so that the change reaches the decoders.
std::string editPage(const std::string& page, const std::function<void(unsigned char* body, long length)>& edit)
{
    std::string copy = page;
    ogg_page view;
    view.header = reinterpret_cast<unsigned char*>(&copy[0]);
    view.header_len = 27 + static_cast<unsigned char>(copy[26]);
    view.body = view.header + view.header_len;
    view.body_len = static_cast<long>(copy.size()) - view.header_len;
    edit(view.body, view.body_len);
    ogg_page_checksum_set(&view);
    return copy;
}

std::string join(const std::vector<std::string>& pages)
{
    std::string file;
    for (const std::string& page : pages)
        file += page;
    return file;
}

// The Theora pages of the fixture (its video serial number is the only one
// besides the sound's) and their index in the file.
std::vector<size_t> videoPages(const std::vector<std::string>& pages)
{
    std::vector<size_t> indexes;
    ogg_uint32_t videoSerial = 0;
    bool known = false;
    for (size_t i = 0; i < pages.size(); ++i) {
        const unsigned char* header = reinterpret_cast<const unsigned char*>(pages[i].data());
        const ogg_uint32_t serial
            = header[14] | header[15] << 8 | header[16] << 16 | static_cast<ogg_uint32_t>(header[17]) << 24;
        const bool bos = (header[5] & 2) != 0;
        if (bos && pages[i].size() > 28 + 7 && std::memcmp(pages[i].data() + 27 + header[26] + 1, "theora", 6) == 0) {
            videoSerial = serial;
            known = true;
        }
        if (known && serial == videoSerial)
            indexes.push_back(i);
    }
    return indexes;
}

// A noise pattern that moves one pixel a frame: every frame differs from
// the others, the encoder predicts it from the one before (so key frames come
// only as forced), and frames are large enough that 20 of them span more than
// one 4096-byte read, as in real videos.
unsigned char movingNoise(unsigned int frame, unsigned int x, unsigned int y)
{
    unsigned int h = ((x + frame) * 73856093u) ^ (y * 19349663u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<unsigned char>(30 + h % 180);
}

class KaTheoraTest : public ::testing::Test {
protected:
    KaPath write(const std::string& name, const std::string& bytes)
    {
        mDir.write(name, bytes);
        return KaPath(mDir.file(name).c_str());
    }
    KaPath write(const std::string& name, const KaTheoraClip& clip) { return write(name, KaEncodeTheora(clip)); }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaTheoraTest, LoadFindsTheVideoAmongOtherStreamsAndMeasuresIt)
{
    struct Case {
        const char* name;
        std::function<void(KaTheoraClip&)> change;
        unsigned long frames;
        float fps;
    };
    const Case cases[] = {
        { "sound first", [](KaTheoraClip&) {}, 120, 25.0f },
        { "video first", [](KaTheoraClip& c) { c.vorbisFirst = false; }, 120, 25.0f },
        { "no sound", [](KaTheoraClip& c) { c.withVorbis = false; }, 120, 25.0f },
        { "libogg's own pages",
            [](KaTheoraClip& c) {
                c.framesPerPage = 0;
                c.frames = 333;
            },
            333, 25.0f },
        { "NTSC rate",
            [](KaTheoraClip& c) {
                c.fpsNumerator = 30000;
                c.fpsDenominator = 1001;
                c.frames = 50;
            },
            50, 30000.0f / 1001.0f },
        { "one frame", [](KaTheoraClip& c) { c.frames = 1; }, 1, 25.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTheoraClip clip;
        c.change(clip);
        const KaPath path = write("clip.ogv", clip);
        KaTheora codec;
        ASSERT_TRUE(codec.load(path));
        EXPECT_EQ(codec.width(), 37u);
        EXPECT_EQ(codec.height(), 21u);
        EXPECT_EQ(codec.nbFrames(), c.frames);
        EXPECT_FLOAT_EQ(codec.frameRate(), c.fps);
        EXPECT_NEAR(codec.duration(), c.frames / c.fps, 1e-4);
        EXPECT_EQ(codec.imageFormat(), RGB888);
        EXPECT_FALSE(codec.isAtEnd());
        EXPECT_FALSE(codec.fullRange());

        // The last frame is there, nothing after it.
        Pixels pixels;
        EXPECT_TRUE(decode(codec, c.frames - 1, pixels));
        EXPECT_NEAR(pixels[0], expectedGrey(static_cast<unsigned int>(c.frames - 1)), 3);
        EXPECT_FALSE(decode(codec, c.frames, pixels));
    }
}

TEST_F(KaTheoraTest, SequentialDecodingGivesEachFrameItsOwnPicture)
{
    KaTheoraClip clip;
    const KaPath path = write("clip.ogv", clip);
    const std::vector<Pixels> frames = sequentialFrames(path);
    ASSERT_EQ(frames.size(), clip.frames);
    for (unsigned int n = 0; n < clip.frames; ++n) {
        ASSERT_EQ(frames[n].size(), 37u * 21u * 3u);
        // Flat frames stay flat, with the grey of their own number.
        for (size_t i = 0; i < frames[n].size(); ++i) {
            ASSERT_NEAR(frames[n][i], expectedGrey(n), 3) << "frame " << n << " byte " << i;
        }
    }
}

// Whatever way a frame is reached (a fresh load, a step back, a jump ahead of
// 20 frames or more, a shorter one), it must be the same picture as the one
// decoding in sequence gives.
TEST_F(KaTheoraTest, EveryWayToAFrameGivesTheSequentialPicture)
{
    // Flat frames are tiny: jumps find no page close enough and restart from
    // the start. Noisy frames let the bisection land near the target.
    struct Layout {
        const char* name;
        bool noisy;
        unsigned int keyFrameInterval;
        unsigned int framesPerPage;
    };
    const Layout layouts[] = {
        { "flat, key every 8, a page a frame", false, 8, 1 },
        { "flat, key every 5 (distance 8), libogg's pages", false, 5, 0 },
        { "noisy, key every 8, a page a frame", true, 8, 1 },
        { "noisy, key every 32, a page a frame", true, 32, 1 },
        { "noisy, key every 8, three frames a page", true, 8, 3 },
        { "noisy, key every 6 (distance 8), libogg's pages", true, 6, 0 },
    };
    // Runs of requests after a load; every frame asked is checked.
    const std::vector<std::vector<unsigned long>> runs = {
        { 0 },
        { 7 },
        { 8 },
        { 9 },
        { 30 },
        { 64 },
        { 100 },
        { 119 }, // first request after a load
        { 50, 10 },
        { 100, 99 },
        { 20, 0 },
        { 119, 30 },
        { 40, 39, 38 }, // backward
        { 10, 40 },
        { 10, 30 },
        { 0, 119 },
        { 61, 90 }, // ahead by 20 or more
        { 10, 29 },
        { 10, 25 },
        { 10, 11 },
        { 63, 64, 65 },
        { 3, 3 }, // ahead by fewer
        { 5, 60, 20, 21, 41, 119, 0 },
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        KaTheoraClip clip;
        clip.keyFrameInterval = layout.keyFrameInterval;
        clip.framesPerPage = layout.framesPerPage;
        if (layout.noisy)
            clip.luma = movingNoise;
        const KaPath path = write("clip.ogv", clip);
        const std::vector<Pixels> frames = sequentialFrames(path);
        ASSERT_EQ(frames.size(), clip.frames);
        for (const std::vector<unsigned long>& run : runs) {
            KaTheora codec;
            ASSERT_TRUE(codec.load(path));
            std::string trace;
            for (unsigned long frame : run) {
                trace += " " + std::to_string(frame);
                Pixels pixels;
                ASSERT_TRUE(decode(codec, frame, pixels)) << trace;
                EXPECT_TRUE(pixels == frames[frame]) << "requests:" << trace;
            }
        }
    }
}

TEST_F(KaTheoraTest, FramesAreNamedAfterThePathAndNumber)
{
    KaTheoraClip clip;
    clip.frames = 12;
    const KaPath path = write("clip.ogv", clip);
    KaTheora codec;
    ASSERT_TRUE(codec.load(path));
    KaImage image;
    ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGB888));
    ASSERT_TRUE(codec.update(7, image));
    EXPECT_STREQ(image.getAccessName().c_str(), (std::string(path.c_str()) + "-0007.tt").c_str());
}

TEST_F(KaTheoraTest, FarJumpsBisectAndNearStepsReadOn)
{
    KaTheoraClip clip;
    clip.frames = 600;
    clip.luma = movingNoise;
    const std::string file = KaEncodeTheora(clip);
    const std::vector<Pixels> frames = sequentialFrames(write("clip.ogv", file));
    ASSERT_EQ(frames.size(), 600u);

    // In order, after the first frame, every byte is read once: no frame is
    // sought again.
    {
        KaCountingStream stream(file);
        KaTheora codec;
        ASSERT_TRUE(codec.load(stream));
        Pixels pixels;
        ASSERT_TRUE(decode(codec, 0, pixels));
        stream.mRead = 0;
        for (unsigned long n = 1; n < codec.nbFrames(); ++n)
            ASSERT_TRUE(decode(codec, n, pixels)) << n;
        EXPECT_LE(stream.mRead, file.size());
    }
    // A frame near the end is reached without reading the file up to it.
    {
        KaCountingStream stream(file);
        KaTheora codec;
        ASSERT_TRUE(codec.load(stream));
        stream.mRead = 0;
        Pixels pixels;
        ASSERT_TRUE(decode(codec, 580, pixels));
        EXPECT_LT(stream.mRead, file.size() / 5);
        EXPECT_TRUE(pixels == frames[580]);

        // Out of range: refused without reading.
        stream.mRead = 0;
        EXPECT_FALSE(decode(codec, 600, pixels));
        EXPECT_FALSE(decode(codec, 100000, pixels));
        EXPECT_EQ(stream.mRead, 0u);

        // A few frames on: read on from where the decoder is.
        ASSERT_TRUE(decode(codec, 590, pixels));
        EXPECT_LE(stream.mRead, 2 * KaTheora::mReadSize);
        EXPECT_TRUE(pixels == frames[590]);
    }
}

TEST_F(KaTheoraTest, DuplicateFramesRepeatThePictureAndKeepTheCount)
{
    KaTheoraClip clip;
    clip.frames = 60;
    clip.duplicates = { 10, 11, 12, 30, 47 };
    const KaPath path = write("dups.ogv", clip);
    const std::vector<Pixels> frames = sequentialFrames(path);
    ASSERT_EQ(frames.size(), 60u);
    for (unsigned int n = 0; n < 60; ++n) {
        unsigned int shown = n;
        while (std::find(clip.duplicates.begin(), clip.duplicates.end(), shown) != clip.duplicates.end())
            --shown;
        EXPECT_NEAR(frames[n][0], expectedGrey(shown), 3) << "frame " << n;
        if (shown != n) {
            EXPECT_TRUE(frames[n] == frames[shown]) << "frame " << n;
        }
    }
    // Straight to a duplicate, and past them.
    for (unsigned long frame : { 11ul, 12ul, 13ul, 30ul, 47ul, 48ul }) {
        KaTheora codec;
        ASSERT_TRUE(codec.load(path));
        Pixels pixels;
        ASSERT_TRUE(decode(codec, frame, pixels)) << frame;
        EXPECT_TRUE(pixels == frames[frame]) << frame;
    }
}

TEST_F(KaTheoraTest, OutputFormatsOrientationAndPadding)
{
    // Top rows bright, bottom rows dark, a darker last column: the row order,
    // the odd last column and the padding all show.
    KaTheoraClip clip;
    clip.frames = 3;
    clip.withVorbis = false;
    clip.pictureX = 2;
    clip.pictureY = 4;
    clip.luma = [](unsigned int, unsigned int x, unsigned int y) -> unsigned char {
        if (x == 36)
            return 60;
        return y < 10 ? 200 : 100;
    };
    const KaPath path = write("shape.ogv", clip);
    KaTheora codec;
    ASSERT_TRUE(codec.load(path));
    ASSERT_EQ(codec.width(), 37u);
    codec.setLeftBorderSize(1);
    codec.setRightBorderSize(2);
    codec.setBottomBorderSize(3);
    codec.setTopBorderSize(4);

    KaImage image;
    ASSERT_TRUE(image.create(37, 21, KaIntrusivePtr<KaPalette>(), RGB888, 40, 24));
    ASSERT_TRUE(codec.update(1, image));
    EXPECT_TRUE(image.flipped());
    EXPECT_TRUE(image.changed());
    EXPECT_EQ(image.leftBorder(), 1u);
    EXPECT_EQ(image.rightBorder(), 2u);
    EXPECT_EQ(image.bottomBorder(), 3u);
    EXPECT_EQ(image.topBorder(), 4u);
    // Flipped: buffer row 0 is the top picture row.
    const int bright = static_cast<int>(1.164 * (200 - 16) + 0.5);
    const int dark = static_cast<int>(1.164 * (100 - 16) + 0.5);
    const int edge = static_cast<int>(1.164 * (60 - 16) + 0.5);
    EXPECT_NEAR(image.row(0)[0], bright, 4);
    EXPECT_NEAR(image.row(20)[0], dark, 4);
    EXPECT_NEAR(image.row(0)[36 * 3], edge, 6);
    EXPECT_NEAR(image.row(20)[36 * 3 + 2], edge, 6);
    // Spare columns repeat the last pixel, spare rows the last row written.
    for (unsigned int r = 0; r < 24; ++r) {
        for (unsigned int c = 37; c < 40; ++c)
            EXPECT_EQ(std::memcmp(image.row(r) + c * 3, image.row(r) + 36 * 3, 3), 0) << r << "," << c;
    }
    for (unsigned int r = 21; r < 24; ++r)
        EXPECT_EQ(std::memcmp(image.row(r), image.row(20), image.rowStride()), 0) << r;

    // RGBA8888: the same colour, alpha 0.
    const Pixels rgb = pictureOf(image);
    KaImage rgba;
    ASSERT_TRUE(rgba.create(37, 21, KaIntrusivePtr<KaPalette>(), RGBA8888));
    ASSERT_TRUE(codec.update(1, rgba));
    const Pixels rgbaPixels = pictureOf(rgba);
    for (size_t p = 0; p < 37u * 21u; ++p) {
        EXPECT_EQ(rgbaPixels[p * 4 + 3], 0) << p;
        EXPECT_EQ(std::memcmp(&rgbaPixels[p * 4], &rgb[p * 3], 3), 0) << p;
    }
}

TEST_F(KaTheoraTest, AlphaChannelAndGreyWriteEveryColumn)
{
    struct Case {
        const char* name;
        std::vector<std::string> comments;
        bool fullRange;
    };
    const Case cases[] = {
        { "limited range", {}, false },
        { "full range", { "ENCODER=test", "ColorRange=FullRange" }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTheoraClip clip;
        clip.frames = 4;
        clip.withVorbis = false;
        clip.comments = c.comments;
        // Columns of different luma, the odd last one included.
        clip.luma = [](unsigned int frame, unsigned int x, unsigned int) -> unsigned char {
            return static_cast<unsigned char>(x == 36 ? 220 : 40 + 40 * (frame % 4));
        };
        const KaPath path = write("alpha.ogv", clip);

        KaTheora grey;
        ASSERT_TRUE(grey.load(path));
        EXPECT_EQ(grey.fullRange(), c.fullRange);
        KaImage greyImage;
        ASSERT_TRUE(greyImage.create(37, 21, KaIntrusivePtr<KaPalette>(), GREY8, 38, 21));
        greyImage.fill(0x5A);
        ASSERT_TRUE(grey.update(2, greyImage));
        const Pixels greyPixels = pictureOf(greyImage);

        KaTheora alpha;
        alpha.setIsAlphaChannel(true);
        ASSERT_TRUE(alpha.load(path));
        KaImage rgba;
        ASSERT_TRUE(rgba.create(37, 21, KaIntrusivePtr<KaPalette>(), RGBA8888));
        rgba.fill(1, 2, 3, 0x5A);
        ASSERT_TRUE(alpha.update(2, rgba));
        const Pixels rgbaPixels = pictureOf(rgba);

        const int expectedMiddle = c.fullRange ? 120 : static_cast<int>(1.164 * (120 - 16) + 0.5);
        const int expectedLast = c.fullRange ? 220 : static_cast<int>(1.164 * (220 - 16) + 0.5);
        for (unsigned int y = 0; y < 21; ++y) {
            for (unsigned int x = 0; x < 37; ++x) {
                const size_t p = y * 37 + x;
                // The colour is left to the colour video.
                EXPECT_EQ(rgbaPixels[p * 4], 1);
                EXPECT_EQ(rgbaPixels[p * 4 + 1], 2);
                EXPECT_EQ(rgbaPixels[p * 4 + 2], 3);
                EXPECT_EQ(rgbaPixels[p * 4 + 3], greyPixels[p]) << x << "," << y;
                EXPECT_NEAR(greyPixels[p], x == 36 ? expectedLast : expectedMiddle, 4) << x << "," << y;
            }
            EXPECT_EQ(greyImage.row(y)[37], greyImage.row(y)[36]);
        }
    }
}

TEST_F(KaTheoraTest, FullRangeIsReadFromAColorRangeComment)
{
    struct Case {
        const char* comment;
        bool fullRange;
    };
    const Case cases[] = {
        { "ColorRange=FullRange", true },
        { "ColorRange: FullRange please", true },
        { "ColorRangeFullRange", true },
        { "ColorRange=Limited", false },
        { "COLORRANGE=FullRange", false },
        { "Range=FullRange", false },
        { "XColorRange=FullRange", false },
        { "ColorRange", false },
        { "FullRange", false },
    };
    for (const Case& c : cases) {
        KaTheoraClip clip;
        clip.frames = 1;
        clip.withVorbis = false;
        clip.comments = { c.comment };
        KaTheora codec;
        ASSERT_TRUE(codec.load(write("range.ogv", clip))) << c.comment;
        EXPECT_EQ(codec.fullRange(), c.fullRange) << c.comment;
    }
}

TEST_F(KaTheoraTest, ImagesThatCannotTakeTheFrameAreRefused)
{
    KaTheoraClip clip;
    clip.frames = 2;
    clip.withVorbis = false;
    const KaPath path = write("clip.ogv", clip);
    KaTheora codec;
    ASSERT_TRUE(codec.load(path));
    struct Case {
        unsigned int bufferWidth;
        unsigned int bufferHeight;
        KaImageFormat format;
    };
    const Case cases[] = {
        { 37, 21, BGR888 },
        { 37, 21, RGB565 },
        { 37, 21, PALETTE8 },
        { 37, 21, ETC1 },
        { 36, 21, RGB888 },
        { 37, 20, RGBA8888 },
    };
    for (const Case& c : cases) {
        KaImage image;
        image.create(c.bufferWidth, c.bufferHeight, KaIntrusivePtr<KaPalette>(), c.format);
        image.fill(0x33);
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.update(0, image)) << c.format;
        EXPECT_NE(capture.text().find("[KaTheora::Update]"), std::string::npos);
        EXPECT_FALSE(image.flipped());
        EXPECT_EQ(image.buffer()[0], 0x33);
    }
    KaImage empty;
    KaCaptureStdout capture;
    EXPECT_FALSE(codec.update(0, empty));
    // The codec still decodes after the refusals.
    Pixels pixels;
    EXPECT_TRUE(decode(codec, 1, pixels));
}

TEST_F(KaTheoraTest, ColourKeyAsksForRGBA)
{
    KaTheoraClip clip;
    clip.frames = 2;
    clip.withVorbis = false;
    KaTheora codec;
    codec.setColorKeyActivated(true);
    ASSERT_TRUE(codec.load(write("clip.ogv", clip)));
    EXPECT_EQ(codec.imageFormat(), RGBA8888);
    Pixels pixels;
    ASSERT_TRUE(decode(codec, 1, pixels, RGBA8888));
    EXPECT_NEAR(pixels[0], expectedGrey(1), 3);
    EXPECT_EQ(pixels[3], 0);
    codec.setColorKeyActivated(false);
    EXPECT_EQ(codec.imageFormat(), RGB888);
}

TEST_F(KaTheoraTest, TheLengthIsFoundBehindTrailingDataAndLargePages)
{
    // 9000 bytes that hold no page after the video: the scan goes back
    // further than one window.
    KaTheoraClip clip;
    clip.frames = 40;
    const std::string file = KaEncodeTheora(clip) + std::string(9000, '\0');
    KaTheora codec;
    ASSERT_TRUE(codec.load(write("tail.ogv", file)));
    EXPECT_EQ(codec.nbFrames(), 40u);
    EXPECT_NEAR(codec.duration(), 40 / 25.0, 1e-4);

    // Noisy frames make pages larger than a scan window: the last one still
    // counts.
    KaTheoraClip noisy;
    noisy.width = 160;
    noisy.height = 120;
    noisy.frames = 6;
    noisy.keyFrameInterval = 1;
    noisy.withVorbis = false;
    noisy.luma = [](unsigned int frame, unsigned int x, unsigned int y) -> unsigned char {
        unsigned int h = (x * 73856093u) ^ (y * 19349663u) ^ (frame * 83492791u);
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        return static_cast<unsigned char>(16 + (h >> 8) % 220);
    };
    const std::string noisyFile = KaEncodeTheora(noisy);
    const std::vector<std::string> pages = pagesOf(noisyFile);
    ASSERT_FALSE(pages.empty());
    ASSERT_GT(pages.back().size(), 2 * KaTheora::mReadSize);
    KaTheora large;
    ASSERT_TRUE(large.load(write("noisy.ogv", noisyFile)));
    EXPECT_EQ(large.nbFrames(), 6u);
    Pixels pixels;
    EXPECT_TRUE(decode(large, 5, pixels));
}

TEST_F(KaTheoraTest, LoadFromAStream)
{
    KaTheoraClip clip;
    clip.frames = 30;
    const std::string file = KaEncodeTheora(clip);
    const KaPath path = write("clip.ogv", file);
    const std::vector<Pixels> frames = sequentialFrames(path);
    KaStream stream;
    stream.writeData(file.data(), file.size());
    stream.seek(0);
    KaTheora codec;
    ASSERT_TRUE(codec.load(stream));
    EXPECT_EQ(codec.nbFrames(), 30u);
    for (unsigned long frame : { 25ul, 3ul, 29ul }) {
        Pixels pixels;
        ASSERT_TRUE(decode(codec, frame, pixels));
        EXPECT_TRUE(pixels == frames[frame]) << frame;
    }
}

TEST_F(KaTheoraTest, ReloadingAndClosingForgetTheOldVideo)
{
    KaTheoraClip small;
    small.frames = 10;
    small.withVorbis = false;
    KaTheoraClip wide;
    wide.width = 64;
    wide.height = 32;
    wide.frames = 30;
    const KaPath smallPath = write("small.ogv", small);
    const KaPath widePath = write("wide.ogv", wide);

    KaTheora codec;
    ASSERT_TRUE(codec.load(smallPath));
    Pixels pixels;
    ASSERT_TRUE(decode(codec, 9, pixels));
    ASSERT_TRUE(codec.load(widePath));
    EXPECT_EQ(codec.width(), 64u);
    EXPECT_EQ(codec.nbFrames(), 30u);
    ASSERT_TRUE(decode(codec, 20, pixels));
    EXPECT_NEAR(pixels[0], expectedGrey(20), 3);

    // A failed load leaves nothing of the video before.
    KaCaptureStdout capture;
    EXPECT_FALSE(codec.load(KaPath((std::string(mDir.path()) + "/missing.ogv").c_str())));
    EXPECT_NE(capture.text().find("[KaTheora::open] Le fichier " + mDir.path() + "/missing.ogv ne peut etre ouvert.\n"),
        std::string::npos);
    EXPECT_EQ(codec.nbFrames(), 0u);
    EXPECT_EQ(codec.width(), 0u);
    EXPECT_EQ(codec.frameRate(), 0.0f);
    EXPECT_TRUE(codec.isAtEnd());
    EXPECT_FALSE(decode(codec, 0, pixels));

    // Closing twice, and destroying a closed codec, are safe.
    ASSERT_TRUE(codec.load(smallPath));
    codec.close();
    codec.close();
    EXPECT_FALSE(decode(codec, 0, pixels));
}

TEST_F(KaTheoraTest, VideoTheConvertersCannotReadIsRefused)
{
    struct Case {
        const char* name;
        th_pixel_fmt format;
    };
    const Case cases[] = {
        { "4:2:2", TH_PF_422 },
        { "4:4:4", TH_PF_444 },
    };
    for (const Case& c : cases) {
        KaTheoraClip clip;
        clip.frames = 3;
        clip.withVorbis = false;
        clip.pixelFormat = c.format;
        const KaPath path = write("chroma.ogv", clip);
        KaTheora codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(path)) << c.name;
        EXPECT_NE(capture.text().find("only 4:2:0"), std::string::npos) << c.name;
        EXPECT_EQ(codec.nbFrames(), 0u);
    }
}

TEST_F(KaTheoraTest, HeadersAskingForHugePicturesAreRefusedBeforeAllocating)
{
    KaTheoraClip clip;
    clip.frames = 3;
    clip.withVorbis = false;
    std::vector<std::string> pages = pagesOf(KaEncodeTheora(clip));
    ASSERT_FALSE(pages.empty());
    // The info header: frame size in macroblocks (16 bits each) at 10 and
    // 12, picture size (24 bits each) at 14 and 17, frame rate at 22 and 26,
    // all big-endian.
    struct Case {
        const char* name;
        unsigned int frameBlocks;
        unsigned int picture;
        unsigned int fpsNumerator;
        const char* message;
    };
    const Case cases[] = {
        { "huge picture", 0x1000, 0x10000, 25, "refused" },
        { "huge frame, small picture", 0xFFFF, 37, 25, "refused" },
    };
    for (const Case& c : cases) {
        std::vector<std::string> edited = pages;
        edited[0] = editPage(pages[0], [&c](unsigned char* body, long length) {
            ASSERT_GE(length, 30);
            body[10] = static_cast<unsigned char>(c.frameBlocks >> 8);
            body[11] = static_cast<unsigned char>(c.frameBlocks);
            body[12] = static_cast<unsigned char>(c.frameBlocks >> 8);
            body[13] = static_cast<unsigned char>(c.frameBlocks);
            for (int i = 0; i < 2; ++i) {
                body[14 + 3 * i] = static_cast<unsigned char>(c.picture >> 16);
                body[15 + 3 * i] = static_cast<unsigned char>(c.picture >> 8);
                body[16 + 3 * i] = static_cast<unsigned char>(c.picture);
            }
            body[20] = 0;
            body[21] = 0;
            body[22] = static_cast<unsigned char>(c.fpsNumerator >> 24);
            body[23] = static_cast<unsigned char>(c.fpsNumerator >> 16);
            body[24] = static_cast<unsigned char>(c.fpsNumerator >> 8);
            body[25] = static_cast<unsigned char>(c.fpsNumerator);
        });
        KaTheora codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(write("huge.ogv", join(edited)))) << c.name;
        EXPECT_NE(capture.text().find(c.message), std::string::npos) << c.name << ": " << capture.text();
        EXPECT_EQ(codec.width(), 0u);
    }
}

TEST_F(KaTheoraTest, FilesWithoutVideoFailTheHeaders)
{
    KaTheoraClip clip;
    clip.frames = 3;
    clip.vorbisFirst = true;
    const std::vector<std::string> pages = pagesOf(KaEncodeTheora(clip));
    const std::vector<size_t> video = videoPages(pages);
    std::vector<std::string> soundOnly;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (std::find(video.begin(), video.end(), i) == video.end())
            soundOnly.push_back(pages[i]);
    }
    ASSERT_FALSE(soundOnly.empty());
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "empty", "" },
        { "text", "this is not an ogg file at all, just text" },
        { "sound only", join(soundOnly) },
        { "headers cut", join(pages).substr(0, pages[0].size() + pages[1].size() + 10) },
    };
    for (const Case& c : cases) {
        KaTheora codec;
        KaCaptureStdout capture;
        EXPECT_FALSE(codec.load(write("bad.ogv", c.bytes))) << c.name;
        const std::string text = capture.text();
        EXPECT_NE(text.find("La lecture des headers du fichier"), std::string::npos) << c.name << ": " << text;
        EXPECT_TRUE(codec.isAtEnd());
    }
}

// A video packet that cannot be decoded still takes its frame's place: the
// frames after it keep their numbers.
TEST_F(KaTheoraTest, ABadPacketKeepsTheFollowingFramesNumbers)
{
    KaTheoraClip clip;
    clip.frames = 40;
    clip.withVorbis = false;
    const std::string file = KaEncodeTheora(clip);
    const std::vector<Pixels> frames = sequentialFrames(write("good.ogv", file));
    ASSERT_EQ(frames.size(), 40u);

    // One page a frame after two header pages. A data packet with its first
    // bit set is refused by the decoder.
    std::vector<std::string> pages = pagesOf(file);
    const std::vector<size_t> video = videoPages(pages);
    ASSERT_EQ(video.size(), 2u + 40u);
    pages[video[2 + 13]] = editPage(pages[video[2 + 13]], [](unsigned char* body, long length) {
        ASSERT_GT(length, 0);
        body[0] |= 0x80;
    });
    const KaPath bad = write("bad.ogv", join(pages));

    KaTheora codec;
    ASSERT_TRUE(codec.load(bad));
    Pixels pixels;
    for (unsigned long n = 0; n < 13; ++n)
        ASSERT_TRUE(decode(codec, n, pixels));
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(decode(codec, 13, pixels));
        EXPECT_EQ(capture.text(), "[KaTheora::Update] Theora : There were errors in the video data packet.\n");
    }
    // A key frame comes within the next 8 frames; from it on, every frame
    // is exactly right.
    for (unsigned long n = 14; n < 40; ++n) {
        const bool decoded = decode(codec, n, pixels);
        ASSERT_TRUE(decoded) << n;
        if (n >= 13 + clip.keyFrameInterval) {
            EXPECT_TRUE(pixels == frames[n]) << n;
        }
    }
    // And the same reached by a jump.
    KaCaptureStdout capture;
    KaTheora jumper;
    ASSERT_TRUE(jumper.load(bad));
    ASSERT_TRUE(decode(jumper, 25, pixels));
    EXPECT_TRUE(pixels == frames[25]);
}

TEST_F(KaTheoraTest, RunningOutOfDataEndsTheVideo)
{
    // A lost video page (its checksum broken): the packets after it come one
    // frame early, so the last frame the length promises is never reached.
    KaTheoraClip clip;
    clip.frames = 30;
    clip.withVorbis = false;
    std::vector<std::string> pages = pagesOf(KaEncodeTheora(clip));
    const std::vector<size_t> video = videoPages(pages);
    ASSERT_EQ(video.size(), 32u);
    pages[video[2 + 20]][22] ^= 0x55;
    KaTheora codec;
    ASSERT_TRUE(codec.load(write("lost.ogv", join(pages))));
    ASSERT_EQ(codec.nbFrames(), 30u);
    Pixels pixels;
    KaCaptureStdout capture;
    for (unsigned long n = 0; n < 29; ++n)
        EXPECT_TRUE(decode(codec, n, pixels)) << n;
    EXPECT_FALSE(codec.isAtEnd());
    EXPECT_FALSE(decode(codec, 29, pixels));
    EXPECT_TRUE(codec.isAtEnd());
    // A seek back clears it.
    EXPECT_TRUE(decode(codec, 2, pixels));
    EXPECT_FALSE(codec.isAtEnd());
    EXPECT_NE(capture.text().find("gap in the data"), std::string::npos);
}

// Truncated and damaged files: whatever load and update answer, nothing
// crashes and nothing reads out of bounds (the sanitizers watch).
TEST_F(KaTheoraTest, TruncatedAndCorruptFilesFailCleanly)
{
    KaTheoraClip clip;
    clip.frames = 48;
    const std::string file = KaEncodeTheora(clip);
    std::vector<std::string> variants;
    for (size_t length : { size_t(0), size_t(4), size_t(27), size_t(58), size_t(200), size_t(1000), size_t(4000),
             file.size() / 3, file.size() / 2, file.size() - 5000, file.size() - 1 }) {
        if (length < file.size())
            variants.push_back(file.substr(0, length));
    }
    std::srand(7);
    for (int i = 0; i < 24; ++i) {
        std::string damaged = file;
        const size_t at = static_cast<size_t>(std::rand()) % damaged.size();
        for (size_t j = at; j < damaged.size() && j < at + 1 + static_cast<size_t>(i % 5) * 40; ++j)
            damaged[j] = static_cast<char>(std::rand());
        variants.push_back(damaged);
    }
    // Garbage video packets with valid checksums reach the decoder itself.
    std::vector<std::string> pages = pagesOf(file);
    const std::vector<size_t> video = videoPages(pages);
    for (size_t k = 2; k < video.size(); k += 5) {
        pages[video[k]] = editPage(pages[video[k]], [k](unsigned char* body, long length) {
            for (long j = 0; j < length; ++j)
                body[j] = static_cast<unsigned char>((j * 131 + k * 17) & 0x7F);
        });
    }
    variants.push_back(join(pages));

    KaCaptureStdout capture;
    for (size_t v = 0; v < variants.size(); ++v) {
        SCOPED_TRACE(v);
        const KaPath path = write("damaged.ogv", variants[v]);
        KaTheora codec;
        if (!codec.load(path))
            continue;
        const unsigned long frames = codec.nbFrames();
        EXPECT_LE(frames, 48u);
        KaImage image;
        ASSERT_TRUE(image.create(codec.width(), codec.height(), KaIntrusivePtr<KaPalette>(), RGB888));
        for (unsigned long n = 0; n < frames; ++n)
            codec.update(n, image);
        for (unsigned long n : { 40ul, 3ul, 47ul, 0ul, 25ul })
            codec.update(n, image);
    }
}

TEST_F(KaTheoraTest, TheRegistryGivesTheTheoraCodecForOgv)
{
    for (const char* name : { "video.ogv", "dir/VIDEO.OGV", "a.b.Ogv" }) {
        std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(KaPath(name)));
        ASSERT_TRUE(codec != nullptr) << name;
        EXPECT_TRUE(typeid(*codec) == typeid(KaTheora)) << name;
    }
    EXPECT_TRUE(KaTheora::matchFormat(KaPath("x.ogv")));
    EXPECT_FALSE(KaTheora::matchFormat(KaPath("x.ogg")));
    EXPECT_FALSE(KaTheora::matchFormat(KaPath("ogv")));
}
