#include <gtest/gtest.h>

#include <AL/al.h>

#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/sound/KaSFX.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/engine/sound/KaSoundTestDevice.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaSFXTest : public KaSoundTest {
protected:
    void SetUp() override
    {
        KaSoundTest::SetUp();
        longPath = dir.file("long.wav");
        ASSERT_TRUE(KaWriteToneWav(longPath, 2000));
    }

    KaTempDir dir;
    std::string longPath;
};

// The buffer OpenAL received tells the format the effect chose.
TEST_F(KaSFXTest, SamplesReachOpenALInTheirOwnFormat)
{
    struct Case {
        const char* name;
        unsigned int channels;
        unsigned int bits;
    };
    const Case cases[] = {
        { "mono8.wav", 1, 8 },
        { "mono16.wav", 1, 16 },
        { "stereo8.wav", 2, 8 },
        { "stereo16.wav", 2, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const unsigned long frames = 2205;
        std::vector<unsigned char> pcm(frames * c.channels * (c.bits / 8), 0x40);
        ASSERT_TRUE(KaWriteWavFile(dir.file(c.name), c.channels, 22050, c.bits, pcm));
        KaSFX effect;
        ASSERT_TRUE(effect.load(dir.file(c.name).c_str()));
        EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_CHANNELS), static_cast<ALint>(c.channels));
        EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_BITS), static_cast<ALint>(c.bits));
        EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_FREQUENCY), 22050);
        EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_SIZE), static_cast<ALint>(pcm.size()));
        EXPECT_EQ(effect.getAccessName(), KaString(dir.file(c.name).c_str()));
        EXPECT_TRUE(effect.play());
    }

    KaStream ogg;
    ASSERT_TRUE(KaEncodeVorbisTones(ogg, 1, 44100, 4410, { 440.0 }));
    ASSERT_TRUE(KaWriteStream(ogg, dir.file("mono.ogg")));
    KaSFX effect;
    ASSERT_TRUE(effect.load(dir.file("mono.ogg").c_str()));
    EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_CHANNELS), 1);
    EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_BITS), 16);
    EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_SIZE), 4410 * 2);
}

TEST_F(KaSFXTest, FilesWithoutAnOpenALFormatAreRefused)
{
    struct Case {
        const char* name;
        unsigned int channels;
        unsigned int bits;
    };
    const Case cases[] = {
        { "quad.wav", 4, 16 },
        { "wide.wav", 2, 24 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> pcm(441 * c.channels * (c.bits / 8), 0x10);
        ASSERT_TRUE(KaWriteWavFile(dir.file(c.name), c.channels, 44100, c.bits, pcm));
        KaSFX effect;
        KaCaptureStdout capture;
        EXPECT_FALSE(effect.load(dir.file(c.name).c_str()));
        EXPECT_NE(capture.text().find("error : Unsupported sample format."), std::string::npos);
        EXPECT_EQ(effect.alSource(), 0u);
        EXPECT_FALSE(effect.play());
    }
}

TEST_F(KaSFXTest, MissingFileLoadsToFalseWithoutOpenALObjects)
{
    const std::string missing = dir.file("missing.wav");
    KaSFX effect;
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(effect.load(missing.c_str()));
        EXPECT_NE(capture.text().find("KaSFX:Load: can't open file \"" + missing + "\""), std::string::npos);
    }
    EXPECT_EQ(effect.alSource(), 0u);
    EXPECT_EQ(effect.alBuffer(), 0u);
    KaCaptureStdout capture;
    EXPECT_FALSE(effect.play());
    EXPECT_EQ(capture.text(), "");
}

TEST_F(KaSFXTest, FileWithoutSamplesLoadsAsASilentEffect)
{
    ASSERT_TRUE(KaWriteWavFile(dir.file("empty.wav"), 1, 44100, 16, {}));
    KaSFX effect;
    KaCaptureStdout capture;
    EXPECT_TRUE(effect.load(dir.file("empty.wav").c_str()));
    EXPECT_NE(capture.text().find("[KaSFX::load(const KaString& path)] file name : " + dir.file("empty.wav")
                  + " error : Decoding failed."),
        std::string::npos);
    EXPECT_NE(effect.alSource(), 0u);
    EXPECT_FALSE(effect.isPlaying());
}

// OpenAL refuses a new buffer on a playing source; replaying must still
// start the effect again from its beginning and say so.
TEST_F(KaSFXTest, PlayingAgainRestartsFromTheBeginning)
{
    KaSFX effect;
    ASSERT_TRUE(effect.load(longPath.c_str()));
    ASSERT_TRUE(effect.play());
    ASSERT_TRUE(KaWaitFor([&] { return KaSourceInt(effect.alSource(), AL_SAMPLE_OFFSET) > 8820; }));

    EXPECT_TRUE(effect.play());
    EXPECT_TRUE(effect.isPlaying());
    EXPECT_LT(KaSourceInt(effect.alSource(), AL_SAMPLE_OFFSET), 8820);

    // Also from pause.
    ASSERT_TRUE(KaWaitFor([&] { return KaSourceInt(effect.alSource(), AL_SAMPLE_OFFSET) > 8820; }));
    effect.pause();
    EXPECT_TRUE(effect.play());
    EXPECT_TRUE(effect.isPlaying());
    EXPECT_LT(KaSourceInt(effect.alSource(), AL_SAMPLE_OFFSET), 8820);
}

TEST_F(KaSFXTest, PlayLooksOnlyAtTheErrorsOfItsOwnCalls)
{
    KaSFX effect;
    ASSERT_TRUE(effect.load(longPath.c_str()));
    // Someone else's failed call leaves an error pending.
    alSourcef(effect.alSource(), AL_GAIN, -1.0f);
    {
        KaCaptureStdout capture;
        EXPECT_TRUE(effect.play());
        EXPECT_EQ(capture.text(), "");
    }

    // Its own failure still counts: a negative own volume is refused.
    effect.volume(-1.0f);
    KaCaptureStdout capture;
    EXPECT_FALSE(effect.play());
    EXPECT_NE(capture.text().find("[KaSFX::play()] file name : " + longPath + " error : "), std::string::npos);
}

TEST_F(KaSFXTest, PauseToggles)
{
    KaSFX effect;
    ASSERT_TRUE(effect.load(longPath.c_str()));
    effect.pause();
    EXPECT_EQ(KaSourceInt(effect.alSource(), AL_SOURCE_STATE), AL_INITIAL);

    ASSERT_TRUE(effect.play());
    effect.pause();
    EXPECT_EQ(KaSourceInt(effect.alSource(), AL_SOURCE_STATE), AL_PAUSED);
    EXPECT_FALSE(effect.isPlaying());
    effect.pause();
    EXPECT_EQ(KaSourceInt(effect.alSource(), AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_TRUE(effect.isPlaying());

    effect.stop();
    effect.pause();
    EXPECT_EQ(KaSourceInt(effect.alSource(), AL_SOURCE_STATE), AL_STOPPED);
}

TEST_F(KaSFXTest, StopEmitsEachTimeThereIsASource)
{
    KaSFX effect;
    KaCallCounter stops;
    effect.onStopped().add(&stops, &KaCallCounter::onEvent);
    effect.stop();
    EXPECT_EQ(stops.count, 0);

    ASSERT_TRUE(effect.load(longPath.c_str()));
    ASSERT_TRUE(effect.play());
    effect.stop();
    effect.stop();
    EXPECT_EQ(stops.count, 2);
    EXPECT_FALSE(effect.isPlaying());

    // An ended effect stays loaded and plays again.
    EXPECT_TRUE(effect.play());
    EXPECT_TRUE(effect.isPlaying());

    effect.close();
    EXPECT_EQ(stops.count, 3);
    EXPECT_EQ(effect.alSource(), 0u);
    effect.stop();
    EXPECT_EQ(stops.count, 3);
}

TEST_F(KaSFXTest, LoadingAgainFreesTheFirstBufferAndSource)
{
    KaSFX effect;
    ASSERT_TRUE(effect.load(longPath.c_str()));
    const unsigned int firstSource = effect.alSource();
    const unsigned int firstBuffer = effect.alBuffer();
    ASSERT_TRUE(KaWriteToneWav(dir.file("other.wav"), 100));
    ASSERT_TRUE(effect.load(dir.file("other.wav").c_str()));
    EXPECT_FALSE(alIsSource(firstSource) && firstSource != effect.alSource());
    EXPECT_FALSE(alIsBuffer(firstBuffer) && firstBuffer != effect.alBuffer());
    EXPECT_EQ(KaBufferInt(effect.alBuffer(), AL_SIZE), 4410 * 2);

    const unsigned int source = effect.alSource();
    const unsigned int buffer = effect.alBuffer();
    effect.close();
    EXPECT_FALSE(alIsSource(source));
    EXPECT_FALSE(alIsBuffer(buffer));
}

TEST_F(KaSFXTest, ListedEffectLeavesTheListWhenItIsNotPlaying)
{
    KaCallCounter stops;
    KaSFX* effect = new KaSFX();
    effect->onStopped().add(&stops, &KaCallCounter::onEvent);
    ASSERT_TRUE(effect->load(longPath.c_str()));
    ASSERT_TRUE(effect->play());
    manager->sfxs().pushBack(effect);
    effect->update();
    EXPECT_EQ(manager->sfxs().count(), 1u);
    effect->pause();
    effect->update();
    EXPECT_TRUE(manager->sfxs().isEmpty());
    EXPECT_EQ(stops.count, 1);

    // One destroyed while listed does not stay behind in the list.
    manager->sfxs().pushBack(effect);
    delete effect;
    EXPECT_TRUE(manager->sfxs().isEmpty());
    manager->update();
}

// A file missing at its path is looked for in the current language's folder
// beside it, then in "en"; the access name stays the path asked for.
TEST_F(KaSFXTest, MissingFileIsTakenFromTheLanguageFolderThenEnglish)
{
    const KaString savedLanguage = core.get()->language();
    core.get()->language("fr");
    ASSERT_TRUE(KaWriteToneWav(dir.file("a/fr/click.wav"), 50));
    ASSERT_TRUE(KaWriteToneWav(dir.file("a/en/click.wav"), 100));
    ASSERT_TRUE(KaWriteToneWav(dir.file("b/en/click.wav"), 100));

    KaSFX french;
    ASSERT_TRUE(french.load(dir.file("a/click.wav").c_str()));
    EXPECT_EQ(KaBufferInt(french.alBuffer(), AL_SIZE), 2205 * 2);
    EXPECT_EQ(french.getAccessName(), KaString(dir.file("a/click.wav").c_str()));

    KaSFX english;
    ASSERT_TRUE(english.load(dir.file("b/click.wav").c_str()));
    EXPECT_EQ(KaBufferInt(english.alBuffer(), AL_SIZE), 4410 * 2);

    core.get()->language(savedLanguage);
}

} // namespace
