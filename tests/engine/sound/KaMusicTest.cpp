#include <gtest/gtest.h>

#include <AL/al.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/engine/sound/KaSoundTestDevice.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaMusicTest : public KaSoundTest {
protected:
    void SetUp() override
    {
        KaSoundTest::SetUp();
        oneSecond = dir.file("one-second.wav");
        loop = dir.file("loop.wav");
        ASSERT_TRUE(KaWriteToneWav(oneSecond, 1000));
        ASSERT_TRUE(KaWriteToneWav(loop, 300));
    }

    bool isListed(KaMusic& music) { return manager->musics().find(&music) != manager->musics().end(); }

    bool sourcePlaying(KaMusic& music) { return KaSourceInt(music.alSource(), AL_SOURCE_STATE) == AL_PLAYING; }

    KaTempDir dir;
    std::string oneSecond;
    std::string loop;
};

TEST_F(KaMusicTest, OneSecondWithoutRepeatEndsAndIsReportedOnce)
{
    KaCallCounter stops;
    KaMusic music;
    music.onStopped().add(&stops, &KaCallCounter::onEvent);
    EXPECT_TRUE(music.repeat());
    music.repeat(false);
    ASSERT_TRUE(music.load(oneSecond.c_str()));
    EXPECT_EQ(music.getAccessName(), KaString(oneSecond.c_str()));
    ASSERT_TRUE(music.play());
    EXPECT_TRUE(music.isPlaying());
    EXPECT_TRUE(isListed(music));
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));

    // The manager's update drops it only once the source played it out.
    ASSERT_TRUE(KaWaitFor([&] { return !isListed(music); }, 5.0, [&] { manager->update(); }));
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.alSource(), 0u);
    EXPECT_EQ(stops.count, 1);
    manager->update();
    music.stop();
    EXPECT_EQ(stops.count, 1);
}

// A repeating file shorter than the queue comes round several times; the
// source must never run dry on the way, and the music stays listed.
TEST_F(KaMusicTest, RepeatingPlaysOnWithoutAGap)
{
    KaMusic music;
    ASSERT_TRUE(music.load(loop.c_str()));
    ASSERT_TRUE(music.play());
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));

    int samples = 0;
    int stalls = 0;
    KaWaitFor(
        [&] {
            ++samples;
            if (!sourcePlaying(music))
                ++stalls;
            manager->update();
            return false;
        },
        0.8);
    EXPECT_GT(samples, 10); // enough looks to see a stall, even on a loaded machine
    EXPECT_EQ(stalls, 0);
    EXPECT_TRUE(music.isPlaying());
    EXPECT_TRUE(isListed(music));
}

TEST_F(KaMusicTest, StopWhilePlayingJoinsTheThreadAndReportsOnce)
{
    KaCallCounter stops;
    KaMusic music;
    music.onStopped().add(&stops, &KaCallCounter::onEvent);
    music.stop();
    EXPECT_EQ(stops.count, 0);

    // Repeating: the thread would never end by itself.
    ASSERT_TRUE(music.load(loop.c_str()));
    ASSERT_TRUE(music.play());
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));
    const unsigned int source = music.alSource();
    music.stop();
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.alSource(), 0u);
    EXPECT_FALSE(alIsSource(source));
    EXPECT_EQ(stops.count, 1);
    music.stop();
    music.close();
    EXPECT_EQ(stops.count, 1);

    // And it plays again afterwards.
    ASSERT_TRUE(music.play());
    EXPECT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));
}

TEST_F(KaMusicTest, PauseKeepsTheQueueAndThePlace)
{
    KaMusic music;
    ASSERT_TRUE(music.load(oneSecond.c_str()));
    ASSERT_TRUE(music.play());
    ASSERT_TRUE(KaWaitFor([&] { return KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET) > 4410; }));

    music.pause();
    const ALint offset = KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET);
    // Longer than a chunk: a thread that went on would have touched the queue.
    KaWaitFor([] { return false; }, 0.3);
    EXPECT_EQ(KaSourceInt(music.alSource(), AL_SOURCE_STATE), AL_PAUSED);
    EXPECT_EQ(KaSourceInt(music.alSource(), AL_BUFFERS_QUEUED), 4);
    EXPECT_EQ(KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET), offset);
    EXPECT_TRUE(music.isPlaying());
    manager->update();
    EXPECT_TRUE(isListed(music));

    music.resume();
    EXPECT_EQ(KaSourceInt(music.alSource(), AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_GE(KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET), offset);
    // Resuming a music that plays does not send it back in its queue.
    ASSERT_TRUE(KaWaitFor([&] { return KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET) > offset + 4410; }));
    const ALint later = KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET);
    music.resume();
    EXPECT_GE(KaSourceInt(music.alSource(), AL_SAMPLE_OFFSET), later);
}

TEST_F(KaMusicTest, ChannelVolumeChangeReachesAPlayingMusicAtOnce)
{
    KaMusic music;
    music.setChannelName("dialog");
    ASSERT_TRUE(music.load(loop.c_str()));
    music.volume(0.8f);
    ASSERT_TRUE(music.play());
    ALfloat gain = -1.0f;
    alGetSourcef(music.alSource(), AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.8f);

    manager->setChannelVolume("dialog", 0.5f);
    alGetSourcef(music.alSource(), AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.4f);
    manager->setChannelVolume("music", 0.1f);
    alGetSourcef(music.alSource(), AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.4f);
    EXPECT_FLOAT_EQ(music.volume(), 0.8f);
}

TEST_F(KaMusicTest, PlayingTwiceStartsNothingNew)
{
    KaMusic music;
    EXPECT_FALSE(music.play());
    EXPECT_FALSE(music.load(""));

    ASSERT_TRUE(music.load(loop.c_str()));
    ASSERT_TRUE(music.play());
    const unsigned int source = music.alSource();
    EXPECT_TRUE(music.play());
    EXPECT_EQ(music.alSource(), source);
    EXPECT_EQ(manager->musics().count(), 1u);

    // Loading the same path again leaves it playing; a new path stops it.
    EXPECT_TRUE(music.load(loop.c_str()));
    EXPECT_TRUE(music.isPlaying());
    ASSERT_TRUE(music.load(oneSecond.c_str()));
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.alSource(), 0u);
}

// A music that ended by itself, or whose play failed, still holds its
// source and buffers; playing it again must use them, not make more.
TEST_F(KaMusicTest, PlayingAgainReusesTheSourceAndBuffers)
{
    ASSERT_TRUE(KaWriteToneWav(dir.file("brief.wav"), 100));
    KaCallCounter stops;
    KaMusic music;
    music.onStopped().add(&stops, &KaCallCounter::onEvent);
    music.repeat(false);
    ASSERT_TRUE(music.load(dir.file("brief.wav").c_str()));
    ASSERT_TRUE(music.play());
    const unsigned int source = music.alSource();
    ASSERT_TRUE(KaWaitFor([&] { return !music.isPlaying(); }));

    ASSERT_TRUE(music.play());
    EXPECT_EQ(music.alSource(), source);
    EXPECT_EQ(stops.count, 0);
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));
    ASSERT_TRUE(KaWaitFor([&] { return !music.isPlaying(); }));
    // It played the whole file again from a clean queue.
    EXPECT_EQ(KaSourceInt(source, AL_BUFFERS_QUEUED), 0);

    // A failed play keeps what it made for the next one.
    music.stop();
    EXPECT_EQ(stops.count, 1);
    manager->update();
    ASSERT_TRUE(music.load(dir.file("missing.wav").c_str()));
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(music.play());
        const unsigned int kept = music.alSource();
        EXPECT_NE(kept, 0u);
        EXPECT_FALSE(music.play());
        EXPECT_EQ(music.alSource(), kept);
        EXPECT_NE(capture.text().find("KaMusic:play: can't open file \""), std::string::npos);
    }
    EXPECT_FALSE(music.isPlaying());
    EXPECT_FALSE(isListed(music));
}

TEST_F(KaMusicTest, SampleFormatsWithoutAStreamFormatAreRefusedAtPlay)
{
    struct Case {
        const char* name;
        unsigned int channels;
        unsigned int bits;
    };
    const Case cases[] = {
        { "mono8.wav", 1, 8 },
        { "three.wav", 3, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> pcm(4410 * c.channels * (c.bits / 8), 0x20);
        ASSERT_TRUE(KaWriteWavFile(dir.file(c.name), c.channels, 44100, c.bits, pcm));
        KaMusic music;
        ASSERT_TRUE(music.load(dir.file(c.name).c_str()));
        KaCaptureStdout capture;
        EXPECT_FALSE(music.play());
        EXPECT_NE(capture.text().find(
                      "[KaMusic::play()] file name : " + dir.file(c.name) + " error : Unsupported sample format."),
            std::string::npos);
        EXPECT_FALSE(music.isPlaying());
        EXPECT_FALSE(isListed(music));
    }

    // Stereo, 4.0 and 5.1 16-bit streams do play.
    for (unsigned int channels : { 2u, 4u, 6u }) {
        SCOPED_TRACE(channels);
        const std::string name = dir.file("multi" + std::to_string(channels) + ".wav");
        ASSERT_TRUE(KaWriteWavFile(name, channels, 44100, 16, KaSinePcm16(channels, 44100, 4410, 440.0)));
        KaMusic music;
        ASSERT_TRUE(music.load(name.c_str()));
        EXPECT_TRUE(music.play());
    }
}

// A repeating music whose file cannot be opened again at its end has ended
// all the same: the manager must stop it and free its source.
TEST_F(KaMusicTest, RepeatingMusicWhoseFileVanishesIsStoppedByUpdate)
{
    const std::string path = dir.file("vanishing.wav");
    ASSERT_TRUE(KaWriteToneWav(path, 100));
    KaCallCounter stops;
    KaMusic music;
    music.onStopped().add(&stops, &KaCallCounter::onEvent);
    ASSERT_TRUE(music.load(path.c_str()));
    KaCaptureStdout capture;
    ASSERT_TRUE(music.play());
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));
    ASSERT_EQ(std::remove(path.c_str()), 0);

    ASSERT_TRUE(KaWaitFor([&] { return !isListed(music); }, 5.0, [&] { manager->update(); }));
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.alSource(), 0u);
    EXPECT_EQ(stops.count, 1);
}

// A file without a single sample, played with repeat, would be reopened
// for ever without a pause; it must end like one played once.
TEST_F(KaMusicTest, RepeatingAFileWithoutSamplesEnds)
{
    const std::string path = dir.file("empty.wav");
    ASSERT_TRUE(KaWriteWavFile(path, 1, 44100, 16, {}));
    KaMusic music;
    ASSERT_TRUE(music.load(path.c_str()));
    ASSERT_TRUE(music.play());
    ASSERT_TRUE(KaWaitFor([&] { return !isListed(music); }, 5.0, [&] { manager->update(); }));
    EXPECT_FALSE(music.isPlaying());
}

TEST_F(KaMusicTest, CurrentDataIsAByteOfThePlayingSamples)
{
    const std::string path = dir.file("level.wav");
    ASSERT_TRUE(KaWriteWavFile(path, 1, 44100, 16, std::vector<unsigned char>(44100, 0x5A)));
    KaMusic music;
    EXPECT_EQ(music.currentData(), 0);
    ASSERT_TRUE(music.load(path.c_str()));
    ASSERT_TRUE(music.play());
    EXPECT_TRUE(KaWaitFor([&] { return music.currentData() == 0x5A; }));
}

TEST_F(KaMusicTest, DestroyingAPlayingMusicJoinsItAndLeavesTheList)
{
    KaCallCounter stops;
    KaMusic* music = new KaMusic();
    music->onStopped().add(&stops, &KaCallCounter::onEvent);
    ASSERT_TRUE(music->load(loop.c_str()));
    ASSERT_TRUE(music->play());
    ASSERT_TRUE(KaWaitFor([&] { return sourcePlaying(*music); }));
    delete music;
    EXPECT_EQ(stops.count, 1);
    EXPECT_TRUE(manager->musics().isEmpty());
    manager->update();
}

TEST_F(KaMusicTest, AnOggFileStreams)
{
    KaStream ogg;
    ASSERT_TRUE(KaEncodeVorbisTones(ogg, 2, 44100, 22050, { 440.0, 660.0 }));
    ASSERT_TRUE(KaWriteStream(ogg, dir.file("stereo.ogg")));
    KaMusic music;
    music.repeat(false);
    ASSERT_TRUE(music.load(dir.file("stereo.ogg").c_str()));
    ASSERT_TRUE(music.play());
    EXPECT_TRUE(KaWaitFor([&] { return sourcePlaying(music); }));
    EXPECT_TRUE(KaWaitFor([&] { return !isListed(music); }, 5.0, [&] { manager->update(); }));
}

// The file opened is the path itself when it exists, else its copy in the
// current language's folder beside it, else the one in "en" beside it
// (taken without looking).
TEST_F(KaMusicTest, LanguageFallbackOfThePath)
{
    const KaString savedLanguage = core.get()->language();
    core.get()->language("de");
    ASSERT_TRUE(KaWriteToneWav(dir.file("here/song.wav"), 10));
    ASSERT_TRUE(KaWriteToneWav(dir.file("lang/de/song.wav"), 10));
    ASSERT_TRUE(KaWriteToneWav(dir.file("lang/en/song.wav"), 10));
    ASSERT_TRUE(KaWriteToneWav(dir.file("english/en/song.wav"), 10));

    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        { dir.file("here/song.wav"), dir.file("here/song.wav") },
        { dir.file("lang/song.wav"), dir.file("lang/de/song.wav") },
        { dir.file("english/song.wav"), dir.file("english/en/song.wav") },
        { dir.file("nowhere/song.wav"), dir.file("nowhere/en/song.wav") },
        { "song.wav", "en/song.wav" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        KaMusic music;
        ASSERT_TRUE(music.load(c.path.c_str()));
        EXPECT_EQ(music.resolvedPath(), KaPath(c.expected.c_str()));
        EXPECT_EQ(music.filePath(), KaPath(c.path.c_str()));
        EXPECT_EQ(music.path(), KaPath(c.path.c_str()));
    }

    KaMusic music;
    ASSERT_TRUE(music.load(dir.file("lang/song.wav").c_str()));
    EXPECT_TRUE(music.play());
    core.get()->language(savedLanguage);
}

} // namespace
