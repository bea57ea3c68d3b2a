#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/sound/KaSound.h"
#include "engine/sound/KaSoundStreamed.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/support/KaTestSupport.h"

namespace {

// An Ogg file is mono 16-bit at 22050 Hz, a WAV file stereo 8-bit at 11025
// Hz: the format tells which decoder opened a path.
class KaSoundHoldersTest : public ::testing::Test {
protected:
    std::string ogg(const std::string& name)
    {
        KaStream bytes;
        EXPECT_TRUE(KaEncodeVorbisTones(bytes, 1, 22050, 11025, { 440 }));
        return write(name, bytes);
    }

    std::string wav(const std::string& name)
    {
        KaStream s;
        s.write("RIFF");
        s.write(0u);
        s.write("WAVEfmt ");
        s.write(16u);
        s.write(static_cast<unsigned short>(1));
        s.write(static_cast<unsigned short>(2));
        s.write(11025u);
        s.write(22050u);
        s.write(static_cast<unsigned short>(2));
        s.write(static_cast<unsigned short>(8));
        s.write("data");
        s.write(8000u);
        for (unsigned int i = 0; i < 8000; ++i)
            s.write(static_cast<unsigned char>(i & 0xFF));
        return write(name, s);
    }

    std::string junk(const std::string& name)
    {
        KaStream bytes;
        bytes.write("this is no sound at all");
        return write(name, bytes);
    }

    std::string write(const std::string& name, const KaStream& bytes)
    {
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteStream(bytes, path));
        return path;
    }

    std::string path(const std::string& name) const { return mDir.file(name); }

    KaTempDir mDir;
};

std::string soundError(const std::string& path)
{
    return "[KaSound::open(const KaString& filename)] can't open file : " + path
        + ". File type may not be supported.\n";
}

std::string streamedError(const std::string& path)
{
    return "[KaSoundStreamed::open(const KaString& filename)] can't open file : " + path
        + ". File type may not be supported.\n";
}

TEST_F(KaSoundHoldersTest, WholeFileSoundPicksTheDecoderByExtension)
{
    const std::string oggPath = ogg("a.ogg");
    const std::string wavPath = wav("b.wav");

    KaSound sound;
    ASSERT_TRUE(sound.open(oggPath.c_str()));
    EXPECT_TRUE(sound.isOpened());
    EXPECT_EQ(1u, sound.nbChannels());
    EXPECT_EQ(22050u, sound.frequency());
    EXPECT_EQ(16u, sound.nbBits());
    EXPECT_EQ(11025u, sound.nbSamples());
    unsigned long size = 0;
    EXPECT_NE(nullptr, sound.data(size));
    EXPECT_EQ(11025u * 2, size);

    ASSERT_TRUE(sound.open(wavPath.c_str()));
    EXPECT_EQ(2u, sound.nbChannels());
    EXPECT_EQ(11025u, sound.frequency());
    EXPECT_EQ(8u, sound.nbBits());
    EXPECT_EQ(4000u, sound.nbSamples());
    const unsigned char* samples = sound.data(size);
    ASSERT_EQ(8000u, size);
    EXPECT_EQ(0x7Fu, samples[0x7F]);

    sound.close();
    EXPECT_FALSE(sound.isOpened());
    EXPECT_EQ(0u, sound.nbChannels());
    EXPECT_EQ(0u, sound.frequency());
    EXPECT_EQ(0u, sound.nbBits());
    EXPECT_EQ(0u, sound.nbSamples());
    EXPECT_EQ(nullptr, sound.data(size));
    EXPECT_EQ(0u, size);
}

TEST_F(KaSoundHoldersTest, WholeFileSoundReportsWhatNoDecoderTakes)
{
    struct Case {
        const char* name;
        std::string path;
        std::string expected;
    };
    const std::string mp3 = junk("c.mp3");
    // A WAV file named .ogg goes to the Ogg decoder only, which refuses it.
    const std::string wavAsOgg = wav("d.ogg");
    const std::string missing = path("e.wav");
    const std::vector<Case> cases = {
        { "unknown extension", mp3, soundError(mp3) },
        { "wrong content for the extension", wavAsOgg,
            "[KaOggImplementation::open(const KaString& filename)] ov_open_callbacks error.\n" + soundError(wavAsOgg) },
    };
    const std::string good = ogg("good.ogg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaSound sound;
        ASSERT_TRUE(sound.open(good.c_str()));
        KaCaptureStdout output;
        const bool opened = sound.open(c.path.c_str());
        EXPECT_EQ(c.expected, output.text());
        EXPECT_FALSE(opened);
        EXPECT_FALSE(sound.isOpened()) << "the previous decoder is gone too";
    }

    KaSound sound;
    KaCaptureStdout output;
    EXPECT_FALSE(sound.open(missing.c_str()));
    const std::string text = output.text();
    EXPECT_NE(std::string::npos, text.find("[KaWav::open(const KaString& filename)] File " + missing));
    EXPECT_NE(std::string::npos, text.find(soundError(missing)));
}

TEST_F(KaSoundHoldersTest, StreamedSoundPrefersTheOggFileOfTheSameName)
{
    ogg("both.ogg");
    wav("both.wav");
    ogg("onlyogg.ogg");
    wav("onlywav.wav");
    junk("brokenogg.ogg");
    wav("brokenogg.wav");

    struct Case {
        const char* given;
        unsigned int channels; // 1: the Ogg file, 2: the WAV file
    };
    const Case cases[] = {
        { "both.mp3", 1 },
        { "both.wav", 1 },
        { "both", 1 },
        { "onlyogg.wav", 1 },
        { "onlyogg.ogg", 1 },
        { "onlywav.ogg", 2 },
        { "onlywav.mp3", 2 },
        { "brokenogg.ogg", 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        KaSoundStreamed stream;
        KaCaptureStdout output;
        const bool opened = stream.open(path(c.given).c_str());
        const std::string text = output.text();
        EXPECT_TRUE(opened) << text;
        EXPECT_TRUE(stream.isOpened());
        EXPECT_EQ(c.channels, stream.nbChannels());
        unsigned char* chunk = nullptr;
        unsigned long size = 0;
        EXPECT_TRUE(stream.decode(&chunk, size));
        EXPECT_NE(nullptr, chunk);
        EXPECT_EQ(c.channels == 1 ? 11024u : 5512u, size) << "a 250 ms chunk";
    }
}

TEST_F(KaSoundHoldersTest, StreamedSoundWithoutAnyFile)
{
    ogg("music.ogg");
    junk("noise.wav");
    const std::string missing = path("nothing.ogg");
    const std::string broken = path("noise.mp3");

    for (const std::string& given : { missing, broken }) {
        SCOPED_TRACE(given);
        KaSoundStreamed stream;
        ASSERT_TRUE(stream.open(path("music.ogg").c_str()));
        KaCaptureStdout output;
        const bool opened = stream.open(given.c_str());
        const std::string text = output.text();
        EXPECT_FALSE(opened);
        EXPECT_NE(std::string::npos, text.find(streamedError(given))) << text;
        EXPECT_FALSE(stream.isOpened());
        EXPECT_EQ(0u, stream.nbChannels());
        EXPECT_EQ(0u, stream.frequency());
        EXPECT_EQ(0u, stream.nbBits());
        EXPECT_EQ(0u, stream.nbSamples());
        EXPECT_EQ(0u, stream.decodeDuration());
        stream.setDecodeDuration(100);
        unsigned char* chunk = nullptr;
        unsigned long size = 7;
        EXPECT_FALSE(stream.decode(&chunk, size));
        EXPECT_EQ(0u, size);
    }
}

TEST_F(KaSoundHoldersTest, StreamedSoundDecodesToTheEnd)
{
    wav("song.wav");
    KaSoundStreamed stream;
    ASSERT_TRUE(stream.open(path("song.mp3").c_str()));
    EXPECT_EQ(250u, stream.decodeDuration());
    EXPECT_EQ(4000u, stream.nbSamples());
    std::vector<unsigned long> sizes;
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    while (stream.decode(&chunk, size))
        sizes.push_back(size);
    EXPECT_EQ((std::vector<unsigned long> { 5512, 2488 }), sizes);
    stream.close();
    EXPECT_FALSE(stream.isOpened());
}

} // namespace
