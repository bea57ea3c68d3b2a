#include <gtest/gtest.h>

#include <algorithm>

#include <AL/al.h>

#include <string>
#include <vector>

#include "engine/core/KaString.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSFX.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/sound/KaSoundTestDevice.h"
#include "tests/support/KaTestSupport.h"

namespace {

class NameRecorder {
public:
    bool onName(const KaString& name)
    {
        names.push_back(name.c_str());
        return false;
    }
    std::vector<std::string> names;
};

class KaSoundManagerTest : public KaSoundTest {
protected:
    void SetUp() override
    {
        KaSoundTest::SetUp();
        shortPath = dir.file("short.wav");
        longPath = dir.file("long.wav");
        ASSERT_TRUE(KaWriteToneWav(shortPath, 40));
        ASSERT_TRUE(KaWriteToneWav(longPath, 3000));
        manager->onFreeSoundEnded().add(&ended, &NameRecorder::onName);
    }

    KaTempDir dir;
    std::string shortPath;
    std::string longPath;
    NameRecorder ended;
};

TEST_F(KaSoundManagerTest, ChannelVolumeOfAChannelNeverSetIsOne)
{
    EXPECT_FLOAT_EQ(manager->channelVolume("never-set"), 1.0f);
    manager->setChannelVolume("music", 0.5f);
    EXPECT_FLOAT_EQ(manager->channelVolume("music"), 0.5f);
    manager->setChannelVolume("music", 0.25f);
    EXPECT_FLOAT_EQ(manager->channelVolume("music"), 0.25f);
    EXPECT_FLOAT_EQ(manager->channelVolume("never-set"), 1.0f);
}

// The gain each kind of sound hands to OpenAL, read back from its source,
// must be (own x master) x channel, with an unset channel counting 1.0, and
// must follow every later change of any factor.
TEST_F(KaSoundManagerTest, GainsReadBackFromOpenAL)
{
    struct Case {
        const char* channel;
        bool setChannel;
        float channelVolume;
        float master;
        float own;
    };
    const Case cases[] = {
        { "music", true, 0.5f, 1.0f, 0.8f },
        { "sfx", true, 0.3f, 0.5f, 1.0f },
        { "dialog", false, 0.0f, 0.7f, 0.6f },
        { "video", true, 0.0f, 1.0f, 1.0f },
    };

    ASSERT_TRUE(KaWriteToneWav(dir.file("loop.wav"), 500));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        KaSFX effect;
        effect.setChannelName(c.channel);
        ASSERT_TRUE(effect.load(longPath.c_str()));
        KaMusic music;
        music.setChannelName(c.channel);
        ASSERT_TRUE(music.load(dir.file("loop.wav").c_str()));
        ASSERT_TRUE(music.play());

        if (c.setChannel)
            manager->setChannelVolume(c.channel, c.channelVolume);
        manager->setMasterVolume(c.master);
        effect.volume(c.own);
        music.volume(c.own);
        const float expected = (c.own * c.master) * (c.setChannel ? c.channelVolume : 1.0f);
        EXPECT_FLOAT_EQ(KaSourceGain(effect.alSource()), expected);
        EXPECT_FLOAT_EQ(KaSourceGain(music.alSource()), expected);

        // Any factor changing later reaches the sources at once.
        manager->setChannelVolume(c.channel, 0.9f);
        EXPECT_FLOAT_EQ(KaSourceGain(effect.alSource()), (c.own * c.master) * 0.9f);
        EXPECT_FLOAT_EQ(KaSourceGain(music.alSource()), (c.own * c.master) * 0.9f);
        manager->setMasterVolume(0.2f);
        EXPECT_FLOAT_EQ(KaSourceGain(effect.alSource()), (c.own * 0.2f) * 0.9f);
        EXPECT_FLOAT_EQ(KaSourceGain(music.alSource()), (c.own * 0.2f) * 0.9f);

        music.stop();
        manager->setMasterVolume(1.0f);
    }
}

TEST_F(KaSoundManagerTest, SettingAChannelAlwaysNotifiesTheMasterOnlyOnChange)
{
    KaCallCounter changes;
    manager->onVolumeChanged().add(&changes, &KaCallCounter::onEvent);

    manager->setChannelVolume("sfx", 0.5f);
    manager->setChannelVolume("sfx", 0.5f);
    EXPECT_EQ(changes.count, 2);

    manager->setMasterVolume(1.0f);
    EXPECT_EQ(changes.count, 2);
    manager->setMasterVolume(0.5f);
    manager->setMasterVolume(0.5f);
    EXPECT_EQ(changes.count, 3);

    // The re-notification is what repairs a gain changed behind the
    // manager's back.
    KaSFX effect;
    ASSERT_TRUE(effect.load(shortPath.c_str()));
    alSourcef(effect.alSource(), AL_GAIN, 0.01f);
    manager->setMasterVolume(0.5f);
    EXPECT_FLOAT_EQ(KaSourceGain(effect.alSource()), 0.01f);
    manager->setChannelVolume("sfx", 0.5f);
    EXPECT_FLOAT_EQ(KaSourceGain(effect.alSource()), 0.25f);

    manager->onVolumeChanged().remove(&changes, &KaCallCounter::onEvent);
}

TEST_F(KaSoundManagerTest, FreeSoundThatEndsIsDestroyedAndReportedWithItsPath)
{
    manager->playFreeSound(shortPath.c_str(), 0.5f, "sfx");
    manager->playFreeSound(longPath.c_str(), 0.5f, "sfx");
    ASSERT_EQ(manager->freeSounds().count(), 2u);
    EXPECT_FLOAT_EQ(KaSourceGain((*manager->freeSounds().firstElement())->alSource()), 0.5f);

    EXPECT_TRUE(KaWaitFor([&] { return manager->freeSounds().count() == 1; }, 5.0, [&] { manager->update(); }));
    ASSERT_EQ(ended.names, std::vector<std::string> { shortPath });
    EXPECT_EQ((*manager->freeSounds().firstElement())->getAccessName(), KaString(longPath.c_str()));
}

TEST_F(KaSoundManagerTest, FreeSoundOfAMissingFileLeavesAtTheNextUpdate)
{
    const std::string missing = dir.file("missing.wav");
    {
        KaCaptureStdout capture;
        manager->playFreeSound(missing.c_str(), 1.0f, "sfx");
        EXPECT_NE(capture.text().find("KaSFX:Load: can't open file \"" + missing + "\""), std::string::npos);
    }
    EXPECT_EQ(manager->freeSounds().count(), 1u);
    manager->update();
    EXPECT_TRUE(manager->freeSounds().isEmpty());
    EXPECT_EQ(ended.names, std::vector<std::string> { missing });
    manager->update();
    EXPECT_EQ(ended.names.size(), 1u);
}

TEST_F(KaSoundManagerTest, StopFreeSoundStopsEveryNamesakeAndPausedOnesCountAsEnded)
{
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    manager->playFreeSound(shortPath.c_str(), 1.0f, "sfx");
    manager->stopFreeSound(longPath.c_str());
    // Stopped, but listed until the next update.
    EXPECT_EQ(manager->freeSounds().count(), 3u);
    // The short sound may also end by the update on a slow machine: it is
    // the long ones that must be reported, each once.
    const auto endedOf = [&](const std::string& path) {
        return std::count(ended.names.begin(), ended.names.end(), path);
    };
    manager->update();
    EXPECT_EQ(endedOf(longPath), 2);
    EXPECT_EQ(endedOf(longPath) + endedOf(shortPath), static_cast<long>(ended.names.size()));

    ended.names.clear();
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    KaSFX* paused = *manager->freeSounds().lastElement();
    paused->pause();
    manager->update();
    EXPECT_EQ(endedOf(longPath), 1);
    EXPECT_EQ(endedOf(longPath) + endedOf(shortPath), static_cast<long>(ended.names.size()));
}

TEST_F(KaSoundManagerTest, PauseAllAndResumeAll)
{
    ASSERT_TRUE(KaWriteToneWav(dir.file("loop.wav"), 500));
    KaMusic music;
    ASSERT_TRUE(music.load(dir.file("loop.wav").c_str()));
    ASSERT_TRUE(music.play());
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    KaSFX* free = *manager->freeSounds().firstElement();
    KaSFX listed;
    ASSERT_TRUE(listed.load(longPath.c_str()));
    ASSERT_TRUE(listed.play());
    manager->sfxs().pushBack(&listed);
    ASSERT_TRUE(KaWaitFor([&] {
        ALint state = 0;
        alGetSourcei(music.alSource(), AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }));

    manager->pauseAll();
    for (unsigned int source : { music.alSource(), free->alSource(), listed.alSource() }) {
        ALint state = 0;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        EXPECT_EQ(state, AL_PAUSED);
    }
    EXPECT_TRUE(music.isPlaying());

    manager->resumeAll();
    for (unsigned int source : { music.alSource(), free->alSource(), listed.alSource() }) {
        ALint state = 0;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        EXPECT_EQ(state, AL_PLAYING);
    }
    manager->stopAll();
}

// Sounds drop out of the lists during the walk of update(), each at its own
// end, without disturbing the walk over the others.
TEST_F(KaSoundManagerTest, ListsStayWholeWhileSoundsRemoveThemselves)
{
    ASSERT_TRUE(KaWriteToneWav(dir.file("brief.wav"), 100));
    ASSERT_TRUE(KaWriteToneWav(dir.file("loop.wav"), 300));

    KaSFX endedEffect;
    KaSFX playingEffect;
    KaSFX idleEffect;
    ASSERT_TRUE(endedEffect.load(shortPath.c_str()));
    ASSERT_TRUE(playingEffect.load(longPath.c_str()));
    ASSERT_TRUE(idleEffect.load(longPath.c_str()));
    ASSERT_TRUE(endedEffect.play());
    ASSERT_TRUE(playingEffect.play());
    manager->sfxs().pushBack(&endedEffect);
    manager->sfxs().pushBack(&playingEffect);
    manager->sfxs().pushBack(&idleEffect);

    KaCallCounter briefStops;
    KaCallCounter loopingStops;
    KaMusic brief;
    KaMusic looping;
    KaMusic briefToo;
    brief.onStopped().add(&briefStops, &KaCallCounter::onEvent);
    briefToo.onStopped().add(&briefStops, &KaCallCounter::onEvent);
    looping.onStopped().add(&loopingStops, &KaCallCounter::onEvent);
    brief.repeat(false);
    briefToo.repeat(false);
    ASSERT_TRUE(brief.load(dir.file("brief.wav").c_str()));
    ASSERT_TRUE(looping.load(dir.file("loop.wav").c_str()));
    ASSERT_TRUE(briefToo.load(dir.file("brief.wav").c_str()));
    ASSERT_TRUE(brief.play());
    ASSERT_TRUE(looping.play());
    ASSERT_TRUE(briefToo.play());
    manager->playFreeSound(shortPath.c_str(), 1.0f, "sfx");
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    manager->playFreeSound(shortPath.c_str(), 1.0f, "sfx");

    // The idle effect drops out at once, the others when they end (the brief
    // one may already have ended on a slow machine).
    manager->update();
    EXPECT_TRUE(manager->sfxs().find(&idleEffect) == manager->sfxs().end());
    EXPECT_FALSE(manager->sfxs().find(&playingEffect) == manager->sfxs().end());

    ASSERT_TRUE(KaWaitFor(
        [&] {
            return manager->musics().count() == 1 && manager->sfxs().count() == 1 && manager->freeSounds().count() == 1;
        },
        5.0, [&] { manager->update(); }));
    EXPECT_EQ(*manager->musics().firstElement(), &looping);
    EXPECT_EQ(briefStops.count, 2);
    EXPECT_EQ(loopingStops.count, 0);
    EXPECT_EQ(manager->sfxs().count(), 1u);
    EXPECT_EQ(*manager->sfxs().firstElement(), &playingEffect);
    EXPECT_EQ(manager->freeSounds().count(), 1u);
    EXPECT_EQ(ended.names, (std::vector<std::string> { shortPath, shortPath }));
    EXPECT_FALSE(brief.isPlaying());
    EXPECT_EQ(brief.alSource(), 0u);

    // stopAll empties everything and reports no free sound.
    ended.names.clear();
    manager->stopAll();
    EXPECT_TRUE(manager->musics().isEmpty());
    EXPECT_TRUE(manager->sfxs().isEmpty());
    EXPECT_TRUE(manager->freeSounds().isEmpty());
    EXPECT_TRUE(ended.names.empty());
    EXPECT_EQ(loopingStops.count, 1);
    EXPECT_FALSE(looping.isPlaying());
}

TEST_F(KaSoundManagerTest, AListenerMayStopEverythingWhileAFreeSoundIsReported)
{
    class StopAllOnEnd {
    public:
        bool onName(const KaString&)
        {
            soundManager.get()->stopAll();
            ++calls;
            return false;
        }
        int calls = 0;
    } listener;
    manager->onFreeSoundEnded().add(&listener, &StopAllOnEnd::onName);

    const std::string missing = dir.file("missing.wav");
    KaCaptureStdout quiet;
    manager->playFreeSound(missing.c_str(), 1.0f, "sfx");
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");
    manager->playFreeSound(missing.c_str(), 1.0f, "sfx");
    manager->update();
    EXPECT_EQ(listener.calls, 1);
    EXPECT_TRUE(manager->freeSounds().isEmpty());
}

TEST_F(KaSoundManagerTest, DestroyingTheManagerStopsMusicsAndEffectsFirst)
{
    ASSERT_TRUE(KaWriteToneWav(dir.file("loop.wav"), 300));
    KaMusic* music = new KaMusic();
    KaCallCounter stops;
    music->onStopped().add(&stops, &KaCallCounter::onEvent);
    ASSERT_TRUE(music->load(dir.file("loop.wav").c_str()));
    ASSERT_TRUE(music->play());
    KaSFX* effect = new KaSFX();
    ASSERT_TRUE(effect->load(longPath.c_str()));
    ASSERT_TRUE(effect->play());
    manager->sfxs().pushBack(effect);
    manager->playFreeSound(longPath.c_str(), 1.0f, "sfx");

    soundManager.destroy();
    manager = nullptr;
    EXPECT_FALSE(music->isPlaying());
    EXPECT_EQ(music->alSource(), 0u);
    EXPECT_EQ(stops.count, 1);
    EXPECT_EQ(effect->alSource(), 0u);
    EXPECT_EQ(effect->alBuffer(), 0u);

    // What outlives the manager goes quietly, without raising a new one.
    delete music;
    delete effect;
    EXPECT_FALSE(soundManager.exists());
}

TEST_F(KaSoundManagerTest, RecordingIsNotSupported)
{
    EXPECT_EQ(manager->getRecordDriver(), -1);
    manager->releaseRecordDriver(-1);
    manager->checkError("KaMusic::play()");
}

// Without an output device the manager is invalid and every sound is a
// silent no-op that still ends, so the program runs on. OpenAL reads its
// driver choice once per process, hence the child process.
TEST(KaSoundManagerNoDevice, EverySoundIsASilentNoOp)
{
    std::string output;
    int status = KaRunChildTest("KaSoundManagerNoDeviceChild.*", { { "ALSOFT_DRIVERS", "no-such-driver" } }, &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(KaSoundManagerNoDeviceChild, DISABLED_Run)
{
    KaTempDir dir;
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(KaWriteToneWav(path, 200));

    KaSoundManager* manager = nullptr;
    {
        KaCaptureStdout capture;
        manager = soundManager.get();
        EXPECT_NE(capture.text().find("[KaSoundManager::create()] error : "), std::string::npos);
    }
    EXPECT_FALSE(manager->isValid());

    NameRecorder ended;
    manager->onFreeSoundEnded().add(&ended, &NameRecorder::onName);
    {
        KaCaptureStdout capture;
        KaSFX effect;
        EXPECT_TRUE(effect.load(path.c_str()));
        EXPECT_EQ(effect.alSource(), 0u);
        EXPECT_FALSE(effect.play());
        EXPECT_FALSE(effect.isPlaying());
        effect.pause();
        effect.volume(0.5f);

        KaMusic music;
        ASSERT_TRUE(music.load(path.c_str()));
        EXPECT_FALSE(music.play());
        EXPECT_FALSE(music.isPlaying());
        EXPECT_TRUE(manager->musics().isEmpty());

        manager->playFreeSound(path.c_str(), 1.0f, "sfx");
        manager->setChannelVolume("sfx", 0.5f);
        manager->pauseAll();
        manager->resumeAll();
        manager->update();
        // Silent, not chatty.
        EXPECT_EQ(capture.text(), "");
    }
    EXPECT_EQ(ended.names, std::vector<std::string> { path });
    soundManager.destroy();
}

} // namespace
