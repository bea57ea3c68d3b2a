#include <gtest/gtest.h>

#include <ogg/ogg.h>

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/sound/KaISound.h"
#include "engine/sound/KaOgg.h"
#include "engine/sound/KaOggImplementation.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/support/KaTestSupport.h"

namespace {

const char* const kOpenPrefix = "[KaOggImplementation::open(const KaString& filename)] ";

struct OggPage {
    std::string bytes;
    long long granule;
};

// The pages of an Ogg file, in file order.
std::vector<OggPage> splitPages(const KaStream& file)
{
    std::vector<OggPage> pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.bufferLength()));
    KaMemcpy(buffer, file.data(), file.bufferLength());
    ogg_sync_wrote(&sync, static_cast<long>(file.bufferLength()));
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        OggPage copy;
        copy.bytes.assign(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
        copy.bytes.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
        copy.granule = ogg_page_granulepos(&page);
        pages.push_back(copy);
    }
    ogg_sync_clear(&sync);
    return pages;
}

void writePages(KaStream& out, const std::vector<OggPage>& pages)
{
    for (const OggPage& page : pages)
        out.writeData(page.bytes.data(), page.bytes.size());
}

struct Decoded {
    std::vector<short> samples;
    std::vector<unsigned long> chunks;
};

Decoded decodeAll(KaISound& sound)
{
    Decoded result;
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    while (sound.decode(&chunk, size)) {
        const short* first = reinterpret_cast<const short*>(chunk);
        result.samples.insert(result.samples.end(), first, first + size / 2);
        result.chunks.push_back(size);
    }
    EXPECT_EQ(0u, size);
    EXPECT_EQ(nullptr, chunk);
    return result;
}

class KaOggTest : public ::testing::Test {
protected:
    std::string writeTones(const std::string& name, unsigned int channels, unsigned int rate, unsigned long frames,
        const std::vector<double>& hz)
    {
        KaStream bytes;
        EXPECT_TRUE(KaEncodeVorbisTones(bytes, channels, rate, frames, hz));
        return write(name, bytes);
    }

    std::string write(const std::string& name, const KaStream& bytes)
    {
        const std::string path = mDir.file(name);
        EXPECT_TRUE(KaWriteStream(bytes, path));
        return path;
    }

    KaTempDir mDir;
};

TEST_F(KaOggTest, DecodesEveryChannelLayoutInOpenAlOrder)
{
    struct Case {
        unsigned int channels;
        unsigned int rate;
        unsigned long frames;
        std::vector<double> hz;
        // For each output channel, the input channel whose tone it carries.
        std::vector<unsigned int> source;
    };
    const std::vector<Case> cases = {
        { 1, 22050, 30000, { 440 }, { 0 } },
        { 2, 44100, 60000, { 500, 1300 }, { 0, 1 } },
        // Vorbis order FL, C, FR, RL, RR, LFE in; OpenAL FL, FR, C, LFE, RL, RR out.
        // The encoder keeps only the low end of the LFE channel: its tone is low.
        { 6, 48000, 60000, { 400, 700, 1000, 1300, 1600, 80 }, { 0, 2, 1, 5, 3, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels at " << c.rate);
        const std::string path = writeTones("tones.ogg", c.channels, c.rate, c.frames, c.hz);

        KaOgg ogg;
        KaCaptureStdout output;
        const bool opened = ogg.open(path.c_str());
        EXPECT_EQ("", output.text());
        ASSERT_TRUE(opened);
        EXPECT_TRUE(ogg.isOpened());
        EXPECT_EQ(c.channels, ogg.nbChannels());
        EXPECT_EQ(c.rate, ogg.frequency());
        EXPECT_EQ(16u, ogg.nbBits());
        EXPECT_EQ(c.frames, ogg.nbSamples());
        EXPECT_EQ(250u, ogg.decodeDuration());

        const Decoded decoded = decodeAll(ogg);
        const unsigned long frameBytes = c.channels * 2ul;
        EXPECT_EQ(c.frames * c.channels, decoded.samples.size());
        const unsigned long chunk
            = determineBufferSizeByDuration(250, static_cast<unsigned char>(c.channels), c.rate, 16);
        ASSERT_FALSE(decoded.chunks.empty());
        for (unsigned long i = 0; i + 1 < decoded.chunks.size(); ++i)
            EXPECT_EQ(chunk, decoded.chunks[i]) << "chunk " << i;
        EXPECT_LE(decoded.chunks.back(), chunk);
        EXPECT_EQ(0u, decoded.chunks.back() % frameBytes);

        // Leave out the edges, where the encoder's windows ramp.
        const unsigned long skip = 4096;
        const short* middle = decoded.samples.data() + skip * c.channels;
        const unsigned long frames = c.frames - 2 * skip;
        for (unsigned int channel = 0; channel < c.channels; ++channel) {
            EXPECT_EQ(c.source[channel], KaDominantTone(middle, frames, c.channels, channel, c.hz, c.rate))
                << "output channel " << channel;
        }
    }
}

TEST_F(KaOggTest, WholeFileDataMatchesTheChunks)
{
    const std::vector<double> hz = { 400, 700, 1000, 1300, 1600, 80 };
    const std::string path = writeTones("six.ogg", 6, 48000, 30000, hz);

    KaOgg streamed;
    ASSERT_TRUE(streamed.open(path.c_str()));
    const Decoded chunks = decodeAll(streamed);

    KaOgg whole;
    ASSERT_TRUE(whole.open(path.c_str()));
    unsigned long size = 0;
    const unsigned char* all = whole.data(size);
    ASSERT_NE(nullptr, all);
    ASSERT_EQ(chunks.samples.size() * 2, size);
    EXPECT_EQ(0, KaMemcmp(chunks.samples.data(), all, size)) << "data() reorders the channels as decode() does";

    EXPECT_EQ(nullptr, whole.data(size)) << "nothing remains";
    EXPECT_EQ(0u, size);
}

TEST_F(KaOggTest, AStreamCanBeReadAgainAfterItsEnd)
{
    const std::string path = writeTones("loop.ogg", 2, 44100, 20000, { 500, 900 });
    KaOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    ASSERT_TRUE(ogg.decode(&chunk, size));
    const std::vector<unsigned char> first(chunk, chunk + size);
    decodeAll(ogg);

    ogg.close();
    EXPECT_FALSE(ogg.isOpened());
    EXPECT_EQ(0u, ogg.nbChannels());
    EXPECT_EQ(0u, ogg.frequency());
    EXPECT_EQ(16u, ogg.nbBits()) << "close keeps the width";
    EXPECT_EQ(20000u, ogg.nbSamples()) << "close keeps the length";
    EXPECT_FALSE(ogg.decode(&chunk, size));

    ASSERT_TRUE(ogg.open(path.c_str()));
    ASSERT_TRUE(ogg.decode(&chunk, size));
    EXPECT_EQ(first, std::vector<unsigned char>(chunk, chunk + size));
}

TEST_F(KaOggTest, CopiesShareOneDecoder)
{
    const std::string path = writeTones("shared.ogg", 1, 22050, 22050, { 440 });
    KaOgg first;
    KaOgg second(first);
    KaOgg third;
    EXPECT_FALSE(third.sharesDecoderWith(first));
    third = first;
    EXPECT_TRUE(third.sharesDecoderWith(first));

    ASSERT_TRUE(first.open(path.c_str()));
    EXPECT_TRUE(second.isOpened());
    EXPECT_EQ(22050u, third.frequency());

    // Reading through one handle moves the stream of all.
    const Decoded viaSecond = decodeAll(second);
    EXPECT_EQ(22050u, viaSecond.samples.size());
    unsigned char* chunk = nullptr;
    unsigned long size = 0;
    EXPECT_FALSE(third.decode(&chunk, size));
}

TEST_F(KaOggTest, TheExtensionIsComparedInLowerCase)
{
    KaStream bytes;
    ASSERT_TRUE(KaEncodeVorbisTones(bytes, 1, 22050, 5000, { 440 }));
    const std::string upper = write("LOUD.OGG", bytes);
    const std::string video = write("movie.ogv", bytes);

    KaOgg ogg;
    KaCaptureStdout output;
    const bool upperOpened = ogg.open(upper.c_str());
    const bool videoOpened = ogg.open(video.c_str());
    EXPECT_EQ("", output.text());
    EXPECT_TRUE(upperOpened);
    EXPECT_FALSE(videoOpened);
    EXPECT_FALSE(ogg.isOpened());
}

TEST_F(KaOggTest, BrokenFilesAreRefused)
{
    KaStream good;
    ASSERT_TRUE(KaEncodeVorbisTones(good, 2, 44100, 10000, { 500, 900 }));

    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        { "empty", std::string() },
        { "not Ogg", std::string("RIFF\x24\0\0\0WAVEfmt ", 16) },
        { "cut inside the headers", std::string(reinterpret_cast<const char*>(good.data()), 200) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream bytes;
        bytes.writeData(c.bytes.data(), c.bytes.size());
        const std::string path = write("broken.ogg", bytes);
        KaOgg ogg;
        KaCaptureStdout output;
        const bool opened = ogg.open(path.c_str());
        EXPECT_EQ(std::string(kOpenPrefix) + "ov_open_callbacks error.\n", output.text());
        EXPECT_FALSE(opened);
        EXPECT_FALSE(ogg.isOpened());
        unsigned char* chunk = nullptr;
        unsigned long size = 1;
        EXPECT_FALSE(ogg.decode(&chunk, size));
        EXPECT_EQ(0u, size);
    }

    KaOgg ogg;
    KaCaptureStdout output;
    const std::string missing = mDir.file("absent.ogg");
    const bool opened = ogg.open(missing.c_str());
    const std::string text = output.text();
    EXPECT_FALSE(opened);
    EXPECT_NE(
        std::string::npos, text.find(std::string(kOpenPrefix) + "File " + missing + " exist but can't be opened.\n"));
}

TEST_F(KaOggTest, ATruncatedFileGivesWhatItHolds)
{
    const unsigned long frames = 88200;
    KaStream good;
    ASSERT_TRUE(KaEncodeVorbisTones(good, 2, 44100, frames, { 500, 900 }, 0.5f, 4));
    KaStream cut;
    cut.writeData(good.data(), good.bufferLength() * 6 / 10);
    const std::string path = write("cut.ogg", cut);

    KaOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    const Decoded decoded = decodeAll(ogg);
    EXPECT_GT(decoded.samples.size() / 2, frames / 3);
    EXPECT_LT(decoded.samples.size() / 2, frames);
}

TEST_F(KaOggTest, DecodingGoesOnAfterAMissingPage)
{
    const unsigned int rate = 44100;
    const unsigned long frames = 4 * rate;
    KaStream good;
    ASSERT_TRUE(KaEncodeVorbisTones(good, 2, rate, frames, { 500, 900 }, 0.5f, 4));
    std::vector<OggPage> pages = splitPages(good);
    ASSERT_GT(pages.size(), 8u);

    // Drop an audio page in the first half: the three header packets fill the
    // first pages, whose granule is 0.
    unsigned long dropped = 0;
    for (unsigned long i = 1; i < pages.size(); ++i) {
        if (pages[i - 1].granule > static_cast<long long>(rate)) {
            dropped = i;
            break;
        }
    }
    ASSERT_GT(dropped, 0u);
    const long long before = pages[dropped - 1].granule;
    const long long lost = pages[dropped].granule - before;
    pages.erase(pages.begin() + static_cast<long>(dropped));
    KaStream holed;
    writePages(holed, pages);
    const std::string path = write("hole.ogg", holed);

    KaOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    const Decoded decoded = decodeAll(ogg);
    const unsigned long decodedFrames = decoded.samples.size() / 2;
    // The samples of the missing page (and of the packet it cut) are gone;
    // everything after it is still played.
    EXPECT_GT(decodedFrames, static_cast<unsigned long>(before) + 2 * rate);
    EXPECT_GE(decodedFrames + static_cast<unsigned long>(lost) + 4096, frames);
    EXPECT_LE(decodedFrames, frames);
    // The gap does not cut a chunk short either: the music thread takes a
    // short chunk for the end of the stream's data.
    for (unsigned long i = 0; i + 1 < decoded.chunks.size(); ++i)
        EXPECT_EQ(44100u, decoded.chunks[i]) << "chunk " << i;
    const short* tail = decoded.samples.data() + (decodedFrames - rate / 2 - 4096) * 2;
    EXPECT_EQ(1u, KaDominantTone(tail, rate / 2, 2, 1, { 500, 900 }, rate)) << "the end is the right channel's tone";
}

TEST_F(KaOggTest, AHeaderAskingForGigabytesIsRefused)
{
    KaStream good;
    ASSERT_TRUE(KaEncodeVorbisTones(good, 2, 44100, 10000, { 500, 900 }));
    std::vector<OggPage> pages = splitPages(good);
    ASSERT_FALSE(pages.empty());

    // The identification packet opens the first page's body: type, "vorbis",
    // version (4 bytes), channels (1), rate (4).
    OggPage& first = pages[0];
    const unsigned long header = 27 + static_cast<unsigned char>(first.bytes[26]);
    ASSERT_EQ(std::string("\x01vorbis"), first.bytes.substr(header, 7));
    const unsigned int rate = 0x7FFFFFF0u;
    for (int i = 0; i < 4; ++i)
        first.bytes[header + 12 + i] = static_cast<char>((rate >> (8 * i)) & 0xFF);
    ogg_page page;
    page.header = reinterpret_cast<unsigned char*>(&first.bytes[0]);
    page.header_len = static_cast<long>(header);
    page.body = reinterpret_cast<unsigned char*>(&first.bytes[header]);
    page.body_len = static_cast<long>(first.bytes.size() - header);
    ogg_page_checksum_set(&page);

    KaStream patched;
    writePages(patched, pages);
    const std::string path = write("huge.ogg", patched);
    KaOgg ogg;
    KaCaptureStdout output;
    const bool opened = ogg.open(path.c_str());
    EXPECT_FALSE(opened);
    EXPECT_EQ(std::string(kOpenPrefix) + "unsupported stream : 2 channels at 2147483632 Hz.\n", output.text());
    EXPECT_FALSE(ogg.isOpened());
    unsigned char* chunk = nullptr;
    unsigned long size = 1;
    EXPECT_FALSE(ogg.decode(&chunk, size));
}

TEST(KaOggCallbacks, SeekFromEveryOriginAndTell)
{
    KaTempDir dir;
    KaStream bytes;
    bytes.write("0123456789");
    const std::string path = dir.file("ten.bin");
    ASSERT_TRUE(KaWriteStream(bytes, path));
    KaFile file;
    ASSERT_TRUE(file.open(path.c_str(), KaFileSystem::Read));

    EXPECT_EQ(0, KaOggImplementation::seekCallback(&file, 4, SEEK_SET));
    EXPECT_EQ(4, KaOggImplementation::tellCallback(&file));
    EXPECT_EQ(0, KaOggImplementation::seekCallback(&file, 3, SEEK_CUR));
    EXPECT_EQ(7, KaOggImplementation::tellCallback(&file));
    EXPECT_EQ(0, KaOggImplementation::seekCallback(&file, -2, SEEK_END));
    EXPECT_EQ(8, KaOggImplementation::tellCallback(&file));
    char read[4] = {};
    EXPECT_EQ(2u, KaOggImplementation::readCallback(read, 1, 4, &file)) << "a short read counts what it got";
    EXPECT_EQ(std::string("89"), std::string(read, 2));
    EXPECT_EQ(-1, KaOggImplementation::seekCallback(&file, -11, SEEK_END));
    EXPECT_EQ(-1, KaOggImplementation::seekCallback(&file, -1, SEEK_SET));
    EXPECT_EQ(10, KaOggImplementation::tellCallback(&file)) << "a refused seek leaves the position";
    EXPECT_EQ(0, KaOggImplementation::closeCallback(&file));
    EXPECT_FALSE(file.isOpened());
}

} // namespace
