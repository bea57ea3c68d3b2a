#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/sound/KaISound.h"
#include "engine/sound/KaWav.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Recognisable sample bytes: a missed or extra byte anywhere shows.
std::string pattern(unsigned long count, unsigned int seed = 0)
{
    std::string bytes(count, '\0');
    for (unsigned long i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed * 13 + 3) & 0xFF);
    return bytes;
}

void riffHeader(KaStream& s, const char* riff = "RIFF", const char* wave = "WAVE")
{
    s.write(riff);
    s.write(0u); // never compared
    s.write(wave);
}

void fmtChunk(KaStream& s, unsigned short tag, unsigned short channels, unsigned int rate, unsigned short bits,
    unsigned int extra = 0, unsigned int sizeField = 0)
{
    s.write("fmt ");
    s.write(sizeField ? sizeField : 16u + extra);
    s.write(tag);
    s.write(channels);
    s.write(rate);
    s.write(rate * channels * (bits / 8u));
    s.write(static_cast<unsigned short>(channels * (bits / 8u)));
    s.write(bits);
    for (unsigned int i = 0; i < extra; ++i)
        s.write(static_cast<unsigned char>(0xEE));
    if (extra % 2)
        s.write(static_cast<unsigned char>(0xEE));
}

// Any chunk; an odd one gets its pad byte unless told otherwise.
void rawChunk(KaStream& s, const char* id, const std::string& content, bool pad = true)
{
    s.write(id);
    s.write(static_cast<unsigned int>(content.size()));
    s.writeData(content.data(), content.size());
    if (pad && content.size() % 2)
        s.write(static_cast<unsigned char>('P'));
}

void dataChunk(KaStream& s, const std::string& pcm, unsigned int sizeField)
{
    s.write("data");
    s.write(sizeField);
    s.writeData(pcm.data(), pcm.size());
}

void dataChunk(KaStream& s, const std::string& pcm) { dataChunk(s, pcm, static_cast<unsigned int>(pcm.size())); }

std::string plainError(const std::string& path, const char* reason)
{
    return "[KaWav::open(const KaString& filename)] file name : " + path + " error : " + reason + "\n";
}

std::string quotedError(const std::string& path, const char* reason)
{
    return "[KaWav::open(const KaString& filename)] file name : \"" + path + "\" error : " + reason + "\n";
}

const char* const kCorrupted = "File is corrupted or truncated.";

// Byte strings compared without printing kilobytes of samples.
testing::AssertionResult sameBytes(const std::string& expected, const unsigned char* bytes, unsigned long size)
{
    if (size != expected.size())
        return testing::AssertionFailure() << size << " bytes instead of " << expected.size();
    for (unsigned long i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(expected[i]) != bytes[i])
            return testing::AssertionFailure() << "first difference at byte " << i;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual)
{
    return sameBytes(expected, reinterpret_cast<const unsigned char*>(actual.data()), actual.size());
}

std::string decodeAll(KaISound& sound, std::vector<unsigned long>* sizes = nullptr)
{
    std::string all;
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    while (sound.decode(&chunk, size)) {
        all.append(reinterpret_cast<const char*>(chunk), size);
        if (sizes)
            sizes->push_back(size);
    }
    EXPECT_EQ(0u, size) << "the call that ends the stream hands out nothing";
    return all;
}

class KaWavTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::function<void(KaStream&)>& build)
    {
        KaStream bytes;
        build(bytes);
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteStream(bytes, path));
        return path;
    }

    KaTempDir mDir;
};

struct OpenCase {
    const char* name;
    std::function<void(KaStream&)> build;
    unsigned int channels;
    unsigned int bits;
    unsigned int rate;
    // The samples the file really holds, whole frames only.
    std::string pcm;
};

TEST_F(KaWavTest, ReadsTheSamplesOfEveryLayout)
{
    const std::vector<OpenCase> cases = {
        { "8-bit mono",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 1, 22050, 8);
                dataChunk(s, pattern(300));
            },
            1, 8, 22050, pattern(300) },
        { "16-bit stereo",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, pattern(400));
            },
            2, 16, 44100, pattern(400) },
        { "18-byte fmt",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16, 2);
                dataChunk(s, pattern(400));
            },
            2, 16, 44100, pattern(400) },
        { "odd 17-byte fmt with its pad byte",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 1, 8000, 16, 1);
                dataChunk(s, pattern(64));
            },
            1, 16, 8000, pattern(64) },
        { "LIST between fmt and data",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                rawChunk(s, "LIST", std::string("INFOISFT\x05\0\0\0abcde", 17));
                dataChunk(s, pattern(400));
            },
            2, 16, 44100, pattern(400) },
        { "odd chunks before and after fmt",
            [](KaStream& s) {
                riffHeader(s);
                rawChunk(s, "junk", "abc");
                fmtChunk(s, 1, 1, 11025, 8);
                rawChunk(s, "LIST", "12345");
                rawChunk(s, "fact", "1");
                dataChunk(s, pattern(50));
            },
            1, 8, 11025, pattern(50) },
        { "chunk after odd data",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 1, 22050, 8);
                dataChunk(s, pattern(301));
                s.write(static_cast<unsigned char>(0));
                rawChunk(s, "LIST", "trailing metadata");
            },
            1, 8, 22050, pattern(301) },
        { "data ending inside a frame, then a chunk",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, pattern(402));
                rawChunk(s, "id3 ", "tag!");
            },
            2, 16, 44100, pattern(400) },
        { "data size beyond the end of the file",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, pattern(200), 1000);
            },
            2, 16, 44100, pattern(200) },
        { "truncated inside a frame",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, pattern(203), 1000);
            },
            2, 16, 44100, pattern(200) },
        { "data size left at 0xFFFFFFFF",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 1, 22050, 8);
                dataChunk(s, pattern(500), 0xFFFFFFFFu);
            },
            1, 8, 22050, pattern(500) },
        { "empty data",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, std::string());
            },
            2, 16, 44100, std::string() },
    };

    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("case.wav", c.build);
        const unsigned int frame = c.channels * c.bits / 8;

        KaWav wav;
        KaCaptureStdout output;
        if (!wav.open(path.c_str())) {
            ADD_FAILURE() << "not opened: " << output.text();
            continue;
        }
        EXPECT_TRUE(wav.isOpened());
        EXPECT_EQ(c.channels, wav.nbChannels());
        EXPECT_EQ(c.bits, wav.nbBits());
        EXPECT_EQ(c.rate, wav.frequency());
        EXPECT_EQ(c.pcm.size() / frame, wav.nbSamples());

        unsigned long size = 12345;
        unsigned char* all = wav.data(size);
        EXPECT_TRUE(sameBytes(c.pcm, all, all ? size : 0)) << "data()";
        EXPECT_EQ(nullptr, wav.data(size)) << "nothing remains after the whole file";
        EXPECT_EQ(0u, size);

        EXPECT_TRUE(wav.open(path.c_str()));
        std::vector<unsigned long> sizes;
        EXPECT_TRUE(sameBytes(c.pcm, decodeAll(wav, &sizes))) << "decode()";
        for (unsigned long chunk : sizes)
            EXPECT_EQ(0u, chunk % frame) << "chunks are whole frames";
        EXPECT_EQ("", output.text());
    }
}

struct FailCase {
    const char* name;
    std::function<void(KaStream&)> build;
    const char* reason;
    bool quoted;
};

TEST_F(KaWavTest, RefusesBrokenHeadersWithTheirReason)
{
    const std::vector<FailCase> cases = {
        { "empty file", [](KaStream&) {}, "Only RIFF type reconized.", false },
        { "RIFX",
            [](KaStream& s) {
                riffHeader(s, "RIFX");
                fmtChunk(s, 1, 2, 44100, 16);
                dataChunk(s, pattern(4));
            },
            "Only RIFF type reconized.", false },
        { "AVI instead of WAVE",
            [](KaStream& s) {
                riffHeader(s, "RIFF", "AVI ");
                dataChunk(s, pattern(4));
            },
            "Only WAVE format reconized.", false },
        { "float samples",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 3, 2, 44100, 32);
                dataChunk(s, pattern(8));
            },
            "Only PCM format reconized.", false },
        { "fmt of 14 bytes",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16, 0, 14);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "data before fmt",
            [](KaStream& s) {
                riffHeader(s);
                dataChunk(s, pattern(8));
                fmtChunk(s, 1, 2, 44100, 16);
            },
            kCorrupted, false },
        { "no data chunk",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                rawChunk(s, "LIST", "abcd");
            },
            kCorrupted, true },
        { "no chunk at all", [](KaStream& s) { riffHeader(s); }, kCorrupted, true },
        { "cut inside fmt",
            [](KaStream& s) {
                riffHeader(s);
                s.write("fmt ");
                s.write(16u);
                s.write(static_cast<unsigned short>(1));
                s.write(static_cast<unsigned short>(2));
            },
            kCorrupted, false },
        { "cut after the data id",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                s.write("data");
            },
            kCorrupted, false },
        { "chunk claiming 2 GiB",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16);
                s.write("LIST");
                s.write(0x7FFFFFF0u);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "fmt claiming 4 GiB",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 16, 0, 0xFFFFFFF0u);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "no channel",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 0, 44100, 16);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "zero bits per sample",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 44100, 0);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "4 bits per sample",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 1, 44100, 4);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
        { "zero sample rate",
            [](KaStream& s) {
                riffHeader(s);
                fmtChunk(s, 1, 2, 0, 16);
                dataChunk(s, pattern(8));
            },
            kCorrupted, false },
    };

    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("bad.wav", c.build);
        KaWav wav;
        KaCaptureStdout output;
        EXPECT_FALSE(wav.open(path.c_str()));
        EXPECT_EQ(c.quoted ? quotedError(path, c.reason) : plainError(path, c.reason), output.text());
        EXPECT_FALSE(wav.isOpened());
        EXPECT_EQ(0u, wav.nbSamples());
        unsigned long size = 99;
        EXPECT_FALSE(wav.decode(nullptr, size));
        EXPECT_EQ(0u, size);
        EXPECT_EQ(nullptr, wav.data(size));
        EXPECT_EQ(0u, size);
    }
}

TEST_F(KaWavTest, ChunksLastTheDecodeDuration)
{
    struct Case {
        unsigned short channels;
        unsigned int rate;
        unsigned short bits;
        unsigned int duration;
        unsigned long bytes;
        std::vector<unsigned long> chunks;
    };
    const std::vector<Case> cases = {
        { 1, 22050, 8, 250, 12000, { 5512, 5512, 976 } },
        { 2, 44100, 16, 250, 100000, { 44100, 44100, 11800 } },
        // A tenth of a second; the stream ends on a chunk boundary.
        { 2, 44100, 16, 100, 35280, { 17640, 17640 } },
        // 44100 * 6 / 3 = 88200 bytes for a third of a second.
        { 3, 44100, 16, 300, 100000, { 88200, 11796 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " x " << c.bits << " bits at " << c.rate << ", " << c.duration
                                        << " ms");
        const std::string path = write("chunks.wav", [&](KaStream& s) {
            riffHeader(s);
            fmtChunk(s, 1, c.channels, c.rate, c.bits);
            dataChunk(s, pattern(c.bytes));
        });
        KaWav wav;
        wav.setDecodeDuration(c.duration);
        ASSERT_TRUE(wav.open(path.c_str()));
        EXPECT_EQ(c.chunks[0], wav.chunkSize());
        std::vector<unsigned long> sizes;
        decodeAll(wav, &sizes);
        EXPECT_EQ(c.chunks, sizes);
        wav.close();
        EXPECT_EQ(c.duration, wav.decodeDuration()) << "close keeps the duration";
    }
}

TEST_F(KaWavTest, CloseRestoresTheHeaderDefaults)
{
    const std::string path = write("mono.wav", [](KaStream& s) {
        riffHeader(s);
        fmtChunk(s, 1, 1, 8000, 8);
        dataChunk(s, pattern(80));
    });
    KaWav wav;
    ASSERT_TRUE(wav.open(path.c_str()));
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    ASSERT_TRUE(wav.decode(&chunk, size));
    wav.close();
    EXPECT_FALSE(wav.isOpened());
    EXPECT_EQ(2u, wav.nbChannels());
    EXPECT_EQ(16u, wav.nbBits());
    EXPECT_EQ(44100u, wav.frequency());
    EXPECT_EQ(0u, wav.nbSamples());
    EXPECT_EQ(0u, wav.dataSize());
    EXPECT_FALSE(wav.decode(&chunk, size));

    // Opening again starts over from the first sample.
    ASSERT_TRUE(wav.open(path.c_str()));
    EXPECT_TRUE(sameBytes(pattern(80), decodeAll(wav)));
}

TEST_F(KaWavTest, TheExtensionDecidesBeforeTheFileIsRead)
{
    auto build = [](KaStream& s) {
        riffHeader(s);
        fmtChunk(s, 1, 1, 8000, 8);
        dataChunk(s, pattern(8));
    };
    const std::string upper = write("LOUD.WAV", build);
    const std::string other = write("sound.wave", build);
    const std::string ogg = write("sound.ogg", build);

    KaWav wav;
    KaCaptureStdout output;
    EXPECT_TRUE(wav.open(upper.c_str()));
    EXPECT_FALSE(wav.open(other.c_str()));
    EXPECT_FALSE(wav.isOpened()) << "a refused open still closes the previous file";
    EXPECT_FALSE(wav.open(ogg.c_str()));
    EXPECT_EQ("", output.text());
}

TEST_F(KaWavTest, AMissingFileIsReported)
{
    const std::string path = mDir.file("absent.wav");
    KaWav wav;
    KaCaptureStdout output;
    EXPECT_FALSE(wav.open(path.c_str()));
    EXPECT_NE(std::string::npos,
        output.text().find("[KaWav::open(const KaString& filename)] File " + path + " exist but can't be opened.\n"));
}

TEST(KaDetermineBufferSize, RoundsToWholeFramesAndRefusesEmptyFrames)
{
    struct Case {
        unsigned int milliseconds;
        unsigned char channels;
        unsigned int frequency;
        unsigned int bits;
        unsigned int expected;
    };
    const Case cases[] = {
        { 250, 2, 44100, 16, 44100 }, { 250, 1, 22050, 8, 5512 }, { 300, 2, 44100, 16, 58800 },
        { 7, 2, 44100, 16, 1240 }, // 1000 / 7 = 142 parts: 1242 bytes, cut to 310 frames
        { 1000, 6, 48000, 16, 576000 }, { 0, 2, 44100, 16, 176 }, // taken as 1 ms
        { 5000, 2, 44100, 16, 176400 }, // taken as a second
        { 250, 0, 44100, 16, 0 }, { 250, 2, 44100, 4, 0 }, { 250, 2, 0, 16, 0 },
        { 1000, 255, 0xFFFFFFFFu, 16, 0 }, // does not fit in 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.milliseconds << " ms, " << int(c.channels) << " x " << c.bits << " at "
                                        << c.frequency);
        EXPECT_EQ(c.expected, determineBufferSizeByDuration(c.milliseconds, c.channels, c.frequency, c.bits));
    }
}

} // namespace
