#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaImagesSequence.h"
#include "tests/engine/graphics/KaCodecFixtures.h"
#include "tests/engine/graphics/KaCodecTestFiles.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

const unsigned int kWidth = 5;
const unsigned int kHeight = 3;

// The picture of a frame: its seed makes every frame's bytes different.
KaTestPicture framePicture(unsigned int seed, unsigned int width = kWidth, unsigned int height = kHeight)
{
    return KaMakeTestPicture(width, height, RGB888, seed);
}

// The picture's rows as an image of its size stores them (bottom row first).
bool holdsPicture(const KaImage& image, const KaTestPicture& picture)
{
    if (image.width() != picture.width || image.height() != picture.height)
        return false;
    for (unsigned int r = 0; r < picture.height; ++r) {
        const unsigned int fromTop = image.flipped() ? r : picture.height - 1 - r;
        if (std::memcmp(image.row(r), picture.topRow(fromTop), picture.rowBytes()) != 0)
            return false;
    }
    return true;
}

class KaImagesSequenceTest : public ::testing::Test {
protected:
    // A PNG of the frame picture of that seed in folder/name.
    void writeFrame(const std::string& folder, const std::string& name, unsigned int seed,
        unsigned int width = kWidth, unsigned int height = kHeight)
    {
        mDir.write(folder + "/" + name, KaWritePng(framePicture(seed, width, height)));
    }

    KaPath folder(const std::string& name) const { return KaPath(mDir.file(name).c_str()); }

    // An image sized and shaped for the sequence, filled with a sentinel.
    static void makeImage(KaImage& image, const KaIVideoCodec& codec)
    {
        KaIntrusivePtr<KaPalette> noPalette;
        ASSERT_TRUE(image.create(codec.width(), codec.height(), noPalette, codec.imageFormat()));
        std::memset(image.buffer(), 0xA5, image.bufferSize());
    }

    KaTempDir mDir;
};

} // namespace

TEST_F(KaImagesSequenceTest, RegistryGivesTheSequenceForAnimFolders)
{
    for (const char* path : { "cursors/arrow.anim", "cursors/ARROW.ANIM" }) {
        std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(KaPath(path)));
        EXPECT_NE(dynamic_cast<KaImagesSequence*>(codec.get()), nullptr) << path;
    }
    for (const char* path : { "arrow.anim/0.png", "arrow.animation", "anim" })
        EXPECT_FALSE(KaImagesSequence::matchFormat(KaPath(path))) << path;
}

// Frames 0, 1 and 3: the gap fails without touching the image, the end is
// reported past the last frame, and frames asked out of listing order are
// still found.
TEST_F(KaImagesSequenceTest, PlaysNumberedPicturesAndReportsGapsAndTheEnd)
{
    writeFrame("walk.anim", "0.png", 10);
    writeFrame("walk.anim", "1.png", 11);
    writeFrame("walk.anim", "3.png", 13);

    KaImagesSequence sequence;
    ASSERT_TRUE(sequence.load(folder("walk.anim")));
    EXPECT_TRUE(sequence.isLoaded());
    EXPECT_EQ(sequence.nbFrames(), 4u);
    EXPECT_EQ(sequence.width(), kWidth);
    EXPECT_EQ(sequence.height(), kHeight);
    EXPECT_EQ(sequence.imageFormat(), RGB888);
    EXPECT_FLOAT_EQ(sequence.frameRate(), 25.0f);
    EXPECT_FALSE(sequence.isAtEnd());

    KaImage image;
    makeImage(image, sequence);
    struct Step {
        unsigned long frame;
        bool decoded;
        unsigned int seed; // of the picture the image holds afterwards
    };
    const Step steps[] = {
        { 0, true, 10 },
        { 1, true, 11 },
        { 2, false, 11 }, // gap: the image keeps frame 1
        { 3, true, 13 },
        { 0, true, 10 }, // behind the last decoded entry: the search wraps
        { 3, true, 13 },
        { 1, true, 11 },
    };
    for (const Step& step : steps) {
        EXPECT_EQ(sequence.update(step.frame, image), step.decoded) << "frame " << step.frame;
        EXPECT_TRUE(holdsPicture(image, framePicture(step.seed))) << "frame " << step.frame;
        EXPECT_FALSE(sequence.isAtEnd()) << "frame " << step.frame;
    }
    EXPECT_FALSE(sequence.update(4, image));
    EXPECT_TRUE(sequence.isAtEnd());
    EXPECT_TRUE(holdsPicture(image, framePicture(11)));
}

// Names sort byte by byte, so "10" is listed before "2": the first picture is
// the lowest number, not the first listed, and it alone sizes the frames.
TEST_F(KaImagesSequenceTest, FirstPictureIsTheLowestNumber)
{
    writeFrame("idle.anim", "10.png", 20, 4, 4);
    writeFrame("idle.anim", "2.png", 2, 6, 2);
    writeFrame("idle.anim", "3.png", 3, 4, 4);
    writeFrame("idle.anim", "cover.png", 99, 7, 7); // unnumbered: never a frame

    KaImagesSequence sequence;
    ASSERT_TRUE(sequence.load(folder("idle.anim")));
    EXPECT_EQ(sequence.width(), 6u);
    EXPECT_EQ(sequence.height(), 2u);
    EXPECT_EQ(sequence.nbFrames(), 11u);

    KaImage image;
    makeImage(image, sequence);
    EXPECT_TRUE(sequence.update(2, image));
    EXPECT_TRUE(holdsPicture(image, framePicture(2, 6, 2)));
    // A frame of another size cannot fill the image sized for the sequence.
    EXPECT_FALSE(sequence.update(3, image));
    EXPECT_FALSE(sequence.update(10, image));
    EXPECT_TRUE(holdsPicture(image, framePicture(2, 6, 2)));
}

TEST_F(KaImagesSequenceTest, FrameRateComesFromTheFirstPictureName)
{
    struct Case {
        const char* firstName;
        float rate;
        bool warned;
    };
    const Case cases[] = {
        { "0.png", 25.0f, false },
        { "0-10.png", 10.0f, false },
        { "0-12.5.png", 12.5f, false },
        { "00-8.png", 8.0f, false },
        // A rate that would stop or reverse playback is refused.
        { "0-0.png", 25.0f, true },
        { "0--5.png", 25.0f, true },
        { "0-nan.png", 25.0f, true },
        { "0-inf.png", 25.0f, true },
        { "0-fast.png", 25.0f, false },
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "rate" + std::to_string(index++) + ".anim";
        writeFrame(name, c.firstName, 1);
        writeFrame(name, "1-3.png", 2); // only the first picture's name counts
        KaImagesSequence sequence;
        KaCaptureStdout capture;
        EXPECT_TRUE(sequence.load(folder(name))) << c.firstName;
        const std::string text = capture.text();
        EXPECT_FLOAT_EQ(sequence.frameRate(), c.rate) << c.firstName;
        EXPECT_EQ(text.find("[KaImagesSequence::load]") != std::string::npos, c.warned) << c.firstName << ": " << text;
        EXPECT_EQ(sequence.nbFrames(), 2u) << c.firstName;
    }
}

// Loading another folder into the same codec starts from the default rate,
// not from the rate of the folder before.
TEST_F(KaImagesSequenceTest, ReloadForgetsTheEarlierRateAndFiles)
{
    writeFrame("fast.anim", "0-50.png", 1);
    writeFrame("fast.anim", "7.png", 2);
    writeFrame("plain.anim", "0.png", 3, 2, 2);

    KaImagesSequence sequence;
    ASSERT_TRUE(sequence.load(folder("fast.anim")));
    EXPECT_FLOAT_EQ(sequence.frameRate(), 50.0f);
    EXPECT_EQ(sequence.nbFrames(), 8u);
    ASSERT_TRUE(sequence.load(folder("plain.anim")));
    EXPECT_FLOAT_EQ(sequence.frameRate(), 25.0f);
    EXPECT_EQ(sequence.nbFrames(), 1u);
    EXPECT_EQ(sequence.files().size(), 1u);
    EXPECT_EQ(sequence.width(), 2u);
}

// Files the registry cannot decode take no part: neither as frames nor in
// the frame count, even when their names are numbered.
TEST_F(KaImagesSequenceTest, FilesTheRegistryCannotDecodeAreIgnored)
{
    writeFrame("blink.anim", "0.png", 1);
    writeFrame("blink.anim", "1.png", 2);
    mDir.write("blink.anim/9.txt", "frame notes");
    mDir.write("blink.anim/Thumbs.db", std::string(64, '\0'));
    // The image loader knows this wrapper, the registry does not.
    mDir.write("blink.anim/7.jpg.zlib", KaZLibWrap(KaWriteJpeg(framePicture(7))));

    KaImagesSequence sequence;
    ASSERT_TRUE(sequence.load(folder("blink.anim")));
    EXPECT_EQ(sequence.nbFrames(), 2u);
    EXPECT_EQ(sequence.files().size(), 2u);
    KaImage image;
    makeImage(image, sequence);
    EXPECT_TRUE(sequence.update(1, image));
    EXPECT_TRUE(holdsPicture(image, framePicture(2)));
    EXPECT_FALSE(sequence.update(7, image));
    EXPECT_TRUE(sequence.isAtEnd());
}

TEST_F(KaImagesSequenceTest, FoldersWithoutAFirstPictureFail)
{
    mDir.write("notes.anim/readme.txt", "nothing to see");
    mDir.write("notes.anim/1.txt", "nor here");
    writeFrame("names.anim", "left.png", 1);
    writeFrame("names.anim", "right.png", 2);
    mDir.write("empty.anim/.keep", "");
    // The first picture is there but unreadable: its codec refuses it.
    mDir.write("broken.anim/0.png", "not a png at all");
    writeFrame("broken.anim", "1.png", 1);

    struct Case {
        const char* folder;
        const char* warning; // the sequence's own line, "" when the codec speaks
    };
    const Case cases[] = {
        { "notes.anim", "any images found in sequence" },
        { "empty.anim", "any images found in sequence" },
        { "missing.anim", "any images found in sequence" },
        { "names.anim", "no numbered image in sequence" },
        { "broken.anim", "" },
    };
    for (const Case& c : cases) {
        KaImagesSequence sequence;
        KaCaptureStdout capture;
        EXPECT_FALSE(sequence.load(folder(c.folder))) << c.folder;
        const std::string text = capture.text();
        if (*c.warning) {
            const std::string warning
                = std::string("[KaImagesSequence::load] Warning : ") + c.warning + " " + mDir.file(c.folder) + "\n";
            EXPECT_NE(text.find(warning), std::string::npos) << c.folder << ": " << text;
        } else {
            EXPECT_EQ(text.find("[KaImagesSequence"), std::string::npos) << c.folder << ": " << text;
            EXPECT_NE(text, "") << c.folder;
        }
        EXPECT_FALSE(sequence.isLoaded()) << c.folder;
        EXPECT_EQ(sequence.imageFormat(), NONE) << c.folder;
        EXPECT_EQ(sequence.width(), 0u) << c.folder;
        KaImage image;
        EXPECT_FALSE(sequence.update(0, image)) << c.folder;
    }
}

TEST_F(KaImagesSequenceTest, StreamsAndUnloadedSequencesDecodeNothing)
{
    KaImagesSequence sequence;
    KaStream stream;
    EXPECT_FALSE(sequence.load(stream));
    KaImage image;
    EXPECT_FALSE(sequence.update(0, image));
    EXPECT_EQ(sequence.nbFrames(), 1u);
    EXPECT_EQ(sequence.imageFormat(), NONE);

    writeFrame("one.anim", "0.png", 1);
    ASSERT_TRUE(sequence.load(folder("one.anim")));
    sequence.unload();
    EXPECT_FALSE(sequence.isLoaded());
    EXPECT_EQ(sequence.path().length(), 0u);
    EXPECT_FALSE(sequence.update(0, image));
}

TEST_F(KaImagesSequenceTest, FrameNumbersReadLikeTheirNames)
{
    struct Case {
        const char* name;
        bool numbered;
        long long number;
    };
    const Case cases[] = {
        { "0.png", true, 0 },
        { "007.jpg", true, 7 },
        { "12-25.png", true, 12 },
        { "-3.png", true, -3 },
        { " 4.png", true, 4 },
        { "frame4.png", false, 0 },
        { ".png", false, 0 },
        { "", false, 0 },
        { "99999999999999999999.png", true, 2147483647 },
    };
    for (const Case& c : cases) {
        long long number = 0;
        EXPECT_EQ(KaImagesSequence::frameNumber(KaString(c.name), number), c.numbered) << c.name;
        if (c.numbered) {
            EXPECT_EQ(number, c.number) << c.name;
        }
    }
}
