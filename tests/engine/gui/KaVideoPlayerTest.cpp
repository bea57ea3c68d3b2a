#include <gtest/gtest.h>

#include <AL/al.h>

#include <string>

#include "engine/gui/KaSpriteButton.h"
#include "engine/gui/KaVideoPlayer.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/gui/KaOldWidgetFixture.h"
#include "tests/engine/sound/KaSoundTestDevice.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

// A 40 x 20 video at (20, 30), middle (40, 40), whose frames brighten one
// step each, with a tone as its sound track on OpenAL's null output.
class KaVideoPlayerTest : public KaOldWidgetTest {
protected:
    void SetUp() override
    {
        KaOldWidgetTest::SetUp();
        KaUseNullSoundDevice();
        soundManager.destroy();
        ASSERT_TRUE(soundManager.get()->isValid()) << "no OpenAL device, even the null one";
        KaTheoraClip clip;
        clip.width = 40;
        clip.height = 20;
        clip.frames = 50;
        clip.withVorbis = false;
        clip.luma
            = [](unsigned int frame, unsigned int, unsigned int) { return static_cast<unsigned char>(60 + 3 * frame); };
        const std::string bytes = KaEncodeTheora(clip);
        ASSERT_FALSE(bytes.empty());
        mDir.write("clip.ogv", bytes);
        video = KaString(mDir.file("clip.ogv").c_str());
        sound = mDir.file("track.wav");
        ASSERT_TRUE(KaWriteToneWav(sound, 3000));
    }
    void TearDown() override
    {
        soundManager.destroy();
        KaOldWidgetTest::TearDown();
    }

    // One frame of the game: time, then the videos. A timer counts from the
    // first frame after its start, so a started video needs one frame before
    // time runs for it.
    void frame(double milliseconds)
    {
        advance(milliseconds);
        KaVideo::updateAll();
    }
    bool soundPlaying(KaVideoPlayer& player)
    {
        return KaSourceInt(player.audio().alSource(), AL_SOURCE_STATE) == AL_PLAYING;
    }
    bool soundPaused(KaVideoPlayer& player)
    {
        return KaSourceInt(player.audio().alSource(), AL_SOURCE_STATE) == AL_PAUSED;
    }

    KaString video;
    std::string sound;
};

TEST_F(KaVideoPlayerTest, ClicksOnThePictureToggleVideoAndSound)
{
    KaVideoPlayer player;
    player.videoFilename(video);
    player.audioFilename(KaString(sound.c_str()));
    player.setPosition(KaVector3f32(20, 30, 0));
    EXPECT_EQ(player.backgroundButton().getSize(), KaVector3f32(40, 20, 0));

    // The first frame waits.
    EXPECT_FALSE(player.video().isPlaying());
    const KaPixel first = shownAt(40, 40);
    EXPECT_EQ(first.a, 255);
    EXPECT_NE(first, shownAt(10, 10));
    // The clip's first frame (luma 60), not the black of an empty picture.
    EXPECT_NEAR(first.r, 50, 3);
    EXPECT_NEAR(first.g, 50, 3);
    frame(500);
    EXPECT_EQ(shownAt(40, 40), first);

    clickAt(40, 40);
    EXPECT_TRUE(player.video().isPlaying());
    EXPECT_TRUE(player.audio().isPlaying());
    ASSERT_TRUE(KaWaitFor([&] { return soundPlaying(player); }));
    EXPECT_EQ(gameUps, 0);
    frame(20);
    frame(400);
    const KaPixel later = shownAt(40, 40);
    EXPECT_GT(later.r, first.r);

    clickAt(40, 40);
    EXPECT_FALSE(player.video().isPlaying());
    EXPECT_TRUE(KaWaitFor([&] { return soundPaused(player); }));
    frame(400);
    EXPECT_EQ(shownAt(40, 40), later);

    // Playing again resumes the sound track as well as the picture.
    clickAt(40, 40);
    EXPECT_TRUE(player.video().isPlaying());
    EXPECT_TRUE(KaWaitFor([&] { return soundPlaying(player); }));
    frame(20);
    frame(400);
    EXPECT_GT(shownAt(40, 40).r, later.r);

    player.unload();
    EXPECT_FALSE(player.audio().isPlaying());
    EXPECT_FALSE(player.video().isOpened());
    EXPECT_EQ(shownAt(40, 40), kaNothing);
}

TEST_F(KaVideoPlayerTest, ExitButtonStaysBelowThePlayerInDepthOnly)
{
    KaSpriteButton exit;
    exit.load(picture("exit.png", 8, 8, 255, 0, 0), KaString(), KaString());
    exit.setPosition(KaVector3f32(100, 90, 7));
    KaVideoPlayer player;
    player.setPosition(KaVector3f32(20, 30, 4));
    player.exitButton(exit);
    EXPECT_EQ(player.exit(), &exit);
    EXPECT_EQ(exit.getPosition(), KaVector3f32(100, 90, 3));
    player.setPosition(KaVector3f32(-5, 60, -2));
    EXPECT_EQ(exit.getPosition(), KaVector3f32(100, 90, -3));
    EXPECT_EQ(exit.button().getPosition(), KaVector3f32(100, 90, -3));
}

TEST_F(KaVideoPlayerTest, ScaleGrowsThePictureAndItsClickAreaFromTheCorner)
{
    KaVideoPlayer player;
    player.videoFilename(video);
    player.setPosition(KaVector3f32(20, 30, 0));
    player.setScale(KaVector3f32(2, 2, 1));
    EXPECT_EQ(player.video().sprite().getScaleCenter(), KaVector3f32(0, 0, 0));
    const KaPixel picture = shownAt(21, 31);
    EXPECT_EQ(picture.a, 255);
    EXPECT_EQ(shownAt(95, 65), picture);
    EXPECT_EQ(shownAt(105, 75), kaNothing);
    // The click area grows with it: its far corner toggles the video, and
    // the game gets what falls beside it.
    clickAt(95, 65);
    EXPECT_TRUE(player.video().isPlaying());
    clickAt(105, 75);
    EXPECT_TRUE(player.video().isPlaying());
    EXPECT_EQ(gameUps, 1);
}

TEST_F(KaVideoPlayerTest, OpeningAgainKeepsOneToggleAClick)
{
    KaVideoPlayer player;
    player.videoFilename(video);
    player.videoFilename(video);
    player.setPosition(KaVector3f32(20, 30, 0));
    clickAt(40, 40);
    EXPECT_TRUE(player.video().isPlaying());
}

TEST_F(KaVideoPlayerTest, AMissingVideoShowsNothing)
{
    KaVideoPlayer player;
    {
        KaCaptureStdout quiet;
        player.videoFilename(KaString(mDir.file("missing.ogv").c_str()));
    }
    player.setPosition(KaVector3f32(20, 30, 0));
    EXPECT_FALSE(player.video().isOpened());
    EXPECT_EQ(player.backgroundButton().getSize(), KaVector3f32(0, 0, 0));
    clickAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaNothing);
}

}
