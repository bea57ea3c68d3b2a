#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "engine/gui/KaSoundPlayer.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/gui/KaOldWidgetFixture.h"
#include "tests/engine/sound/KaSoundTestDevice.h"

namespace {

// A sound player read from XML at (20, 30), middle (40, 40): a red play
// button and a green stop button over a tone on OpenAL's null output.
class KaSoundPlayerTest : public KaOldWidgetTest {
protected:
    void SetUp() override
    {
        KaOldWidgetTest::SetUp();
        KaUseNullSoundDevice();
        soundManager.destroy();
        ASSERT_TRUE(soundManager.get()->isValid()) << "no OpenAL device, even the null one";
        play = picture("play.png", 40, 20, 255, 0, 0);
        stop = picture("stop.png", 40, 20, 0, 255, 0);
    }
    void TearDown() override
    {
        soundManager.destroy();
        KaOldWidgetTest::TearDown();
    }

    void read(KaSoundPlayer& player, const std::string& sound)
    {
        const std::string text = "<kasoundplayer AUDIO_FILE=\"" + sound + "\" x=\"20\" y=\"30\" z=\"2\">"
            + "<PlayButton up_file=\"" + std::string(play.c_str()) + "\"/>" + "<StopButton up_file=\""
            + std::string(stop.c_str()) + "\"/>" + "<playbutton up_file=\"" + std::string(stop.c_str())
            + "\"/></kasoundplayer>";
        TiXmlDocument document;
        document.Parse(text.c_str());
        ASSERT_FALSE(document.Error()) << text;
        player.loadXML(*document.RootElement());
    }

    KaString play, stop;
};

TEST_F(KaSoundPlayerTest, ButtonsStartAndStopTheSound)
{
    const std::string sound = mDir.file("long.wav");
    ASSERT_TRUE(KaWriteToneWav(sound, 3000));
    KaSoundPlayer player;
    read(player, sound);
    EXPECT_EQ(player.getPosition(), KaVector3f32(20, 30, 2));
    EXPECT_EQ(player.stopButton().getPosition(), KaVector3f32(20, 30, 2));
    // Only the play button; the child spelled otherwise is not read.
    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_FALSE(player.music().repeat());
    EXPECT_FALSE(player.music().isPlaying());

    clickAt(40, 40);
    EXPECT_TRUE(player.music().isPlaying());
    EXPECT_EQ(shownAt(40, 40), kaGreen);

    clickAt(40, 40);
    EXPECT_FALSE(player.music().isPlaying());
    EXPECT_EQ(shownAt(40, 40), kaRed);

    // The same by code.
    player.play();
    EXPECT_TRUE(player.music().isPlaying());
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    player.stop();
    EXPECT_FALSE(player.music().isPlaying());
    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_EQ(gameDowns + gameUps, 0);
}

TEST_F(KaSoundPlayerTest, TheEndOfTheSoundBringsThePlayButtonBack)
{
    const std::string sound = mDir.file("short.wav");
    ASSERT_TRUE(KaWriteToneWav(sound, 200));
    KaSoundPlayer player;
    read(player, sound);
    clickAt(40, 40);
    ASSERT_TRUE(player.music().isPlaying());
    // Played once, however long it is waited for: repeat is off.
    ASSERT_TRUE(KaWaitFor([&] { return !player.music().isPlaying(); }, 5.0, [] { soundManager.get()->update(); }));
    EXPECT_EQ(shownAt(40, 40), kaRed);
    clickAt(40, 40);
    EXPECT_TRUE(player.music().isPlaying());
}

TEST_F(KaSoundPlayerTest, AMissingSoundLeavesThePlayerUsable)
{
    KaSoundPlayer player;
    {
        KaCaptureStdout quiet;
        read(player, mDir.file("missing.wav"));
        clickAt(40, 40);
    }
    EXPECT_FALSE(player.music().isPlaying());
    player.unload();
    EXPECT_EQ(shownAt(40, 40), kaNothing);
}

}
