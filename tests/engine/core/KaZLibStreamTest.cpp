#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/core/KaZLibStream.h"
#include "tests/support/KaAllocationProbe.h"
#include "tests/support/KaTestSupport.h"

namespace {

const char* const kReadError = "KaZLibStream::open: read error\n";
const char* const kUncompressError = "KaZLibStream::open: uncompress error";

std::string bytesOf(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

std::string deflated(const std::string& plain)
{
    uLongf length = compressBound(plain.size());
    std::string packed(length, '\0');
    EXPECT_EQ(Z_OK,
        compress(
            reinterpret_cast<Bytef*>(&packed[0]), &length, reinterpret_cast<const Bytef*>(plain.data()), plain.size()));
    packed.resize(length);
    return packed;
}

// A block: version, packed size, unpacked size, packed bytes.
std::string block(const std::string& packed, unsigned int unpackedSize, unsigned char version = 1)
{
    KaStream stream;
    stream.write(version);
    stream.write(static_cast<unsigned int>(packed.size()));
    stream.write(unpackedSize);
    stream.writeData(packed.data(), packed.size());
    return bytesOf(stream);
}

std::string blockOf(const std::string& plain)
{
    return block(deflated(plain), static_cast<unsigned int>(plain.size()));
}

void fill(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

std::string readAll(KaStream& stream)
{
    std::string bytes;
    char chunk[13];
    while (unsigned int got = stream.readData(chunk, sizeof chunk))
        bytes.append(chunk, got);
    return bytes;
}

std::string hundredBytes()
{
    std::string plain;
    for (int i = 0; i < 100; ++i)
        plain += static_cast<char>('a' + i % 26);
    return plain;
}

void expectClosed(KaZLibStream& stream)
{
    EXPECT_EQ(0u, stream.size());
    EXPECT_EQ(0u, stream.getPos());
    EXPECT_TRUE(stream.isAtEnd());
    char byte;
    EXPECT_EQ(0u, stream.readData(&byte, 1));
}

TEST(KaZLibStreamTest, ABlockInflatesWholeAndReadsToItsEnd)
{
    const std::string plain = hundredBytes();
    KaStream source;
    fill(source, blockOf(plain));
    KaZLibStream stream;
    KaCaptureStdout output;
    ASSERT_TRUE(stream.open(source));
    EXPECT_EQ("", output.text());
    EXPECT_EQ(100u, stream.size());
    EXPECT_EQ(0u, stream.getPos());
    EXPECT_EQ(0u, stream.writeData("x", 1));
    EXPECT_EQ(plain, readAll(stream));

    char buffer[16] = {};
    ASSERT_TRUE(stream.seek(95));
    EXPECT_FALSE(stream.isAtEnd());
    EXPECT_EQ(5u, stream.readData(buffer, 10));
    EXPECT_EQ(plain.substr(95), std::string(buffer, 5));
    EXPECT_TRUE(stream.isAtEnd());
    EXPECT_EQ(0u, stream.readData(buffer, 10));
    EXPECT_FALSE(stream.seek(100));
    EXPECT_EQ(100u, stream.getPos());
    EXPECT_FALSE(stream.seek(1ul << 40));
    EXPECT_EQ(100u, stream.getPos());
    EXPECT_TRUE(stream.seek(0));
    EXPECT_FALSE(stream.isAtEnd());
    EXPECT_EQ(10u, stream.readData(buffer, 10));
    EXPECT_EQ(plain.substr(0, 10), std::string(buffer, 10));
    EXPECT_EQ(0u, stream.readData(nullptr, 10));

    stream.close();
    expectClosed(stream);
}

TEST(KaZLibStreamTest, TheSourceIsLeftAfterTheBlock)
{
    KaStream source;
    fill(source, blockOf("first block") + blockOf("second") + "tail");
    KaZLibStream stream;
    ASSERT_TRUE(stream.open(source));
    EXPECT_EQ("first block", readAll(stream));
    ASSERT_TRUE(stream.open(source));
    EXPECT_EQ("second", readAll(stream));
    EXPECT_EQ("tail", readAll(source));
}

TEST(KaZLibStreamTest, ABlockReadsFromAFile)
{
    KaTempDir folder;
    const std::string path = folder.file("model.kaz");
    const std::string plain(70000, 'k');
    {
        KaFile out(path.c_str(), KaFileSystem::Write);
        out.writeData("KAZ0", 4);
        const std::string bytes = blockOf(plain);
        ASSERT_EQ(bytes.size(), out.writeData(bytes.data(), bytes.size()));
    }
    KaFile in(path.c_str(), KaFileSystem::Read);
    char tag[4];
    ASSERT_EQ(4u, in.readData(tag, 4));
    KaZLibStream stream;
    ASSERT_TRUE(stream.open(in));
    EXPECT_EQ(plain, readAll(stream));
}

TEST(KaZLibStreamTest, EveryTruncationOfABlockIsAReadError)
{
    const std::string good = blockOf(hundredBytes());
    for (unsigned int length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        KaStream source;
        fill(source, good.substr(0, length));
        KaZLibStream stream;
        KaCaptureStdout output;
        EXPECT_FALSE(stream.open(source));
        EXPECT_EQ(kReadError, output.text());
        expectClosed(stream);
    }
}

TEST(KaZLibStreamTest, BadBlocksFailAndLeaveTheStreamClosed)
{
    const std::string plain = hundredBytes();
    const std::string packed = deflated(plain);
    std::string corrupt = packed;
    corrupt[corrupt.size() / 2] = static_cast<char>(corrupt[corrupt.size() / 2] ^ 0x5A);
    std::string badChecksum = packed;
    badChecksum[badChecksum.size() - 1] = static_cast<char>(badChecksum[badChecksum.size() - 1] ^ 1);

    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        { "version 2", block(packed, 100, 2),
            "KaZLibStream::open: This implementation doesn't support version 2, the only supported version is 1\n" },
        { "version 0", block(packed, 100, 0),
            "KaZLibStream::open: This implementation doesn't support version 0, the only supported version is 1\n" },
        { "unpacked size too small", block(packed, 99), kUncompressError },
        { "unpacked size 0", block(packed, 0), kUncompressError },
        { "packed size 0", block("", 100), kUncompressError },
        { "not zlib", block("this is not a zlib stream", 100), kUncompressError },
        { "corrupt data", block(corrupt, 100), kUncompressError },
        { "bad checksum", block(badChecksum, 100), kUncompressError },
        // Sizes no file can back: refused before anything is allocated.
        { "packed size past the source",
            block(packed, 100).substr(0, 1) + std::string("\xff\xff\xff\xff", 4) + block(packed, 100).substr(5),
            kReadError },
        { "unpacked size over the limit", block(packed, 0xFFFFFFFFu),
            "KaZLibStream::open: unpacked size 4294967295 is over the limit of 1073741824 bytes\n" },
        { "unpacked size just over the limit", block(packed, KaZLibStream::mMaxUnpackedSize + 1),
            "KaZLibStream::open: unpacked size 1073741825 is over the limit of 1073741824 bytes\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A stream that held a good block first: a failed open must not leave
        // the old data behind either.
        KaStream goodSource;
        fill(goodSource, blockOf("previous"));
        KaZLibStream stream;
        ASSERT_TRUE(stream.open(goodSource));

        KaStream source;
        fill(source, c.bytes);
        KaCaptureStdout output;
        EXPECT_FALSE(stream.open(source));
        EXPECT_EQ(c.message, output.text());
        expectClosed(stream);
    }
}

TEST(KaZLibStreamTest, TheSizeIsWhatTheBlockInflatedTo)
{
    // A block that announces more than it holds: the bytes past its content
    // are not part of the stream.
    const std::string plain = hundredBytes();
    KaStream source;
    fill(source, block(deflated(plain), 5000));
    KaZLibStream stream;
    ASSERT_TRUE(stream.open(source));
    EXPECT_EQ(100u, stream.size());
    EXPECT_EQ(plain, readAll(stream));
    EXPECT_FALSE(stream.seek(100));

    // An empty content inflates to an empty stream.
    KaStream empty;
    fill(empty, blockOf(""));
    ASSERT_TRUE(stream.open(empty));
    EXPECT_EQ(0u, stream.size());
    char byte;
    EXPECT_EQ(0u, stream.readData(&byte, 1));
}

TEST(KaZLibStreamTest, AnAnnouncedSizeIsOnlyAllocatedAsFarAsThePackedBytesCouldFillIt)
{
    // A damaged header announcing a gigabyte over a few packed bytes: the
    // stream is still the bytes inflated, and nothing near the announced
    // size is allocated for them.
    const std::string plain = hundredBytes();
    KaStream source;
    fill(source, block(deflated(plain), KaZLibStream::mMaxUnpackedSize));
    KaZLibStream stream;
    {
        KaAllocationProbe probe;
        ASSERT_TRUE(stream.open(source));
        if (KaAllocationProbe::available()) {
            EXPECT_LT(probe.largest(), 1024u * 1024u);
        }
    }
    EXPECT_EQ(100u, stream.size());
    EXPECT_EQ(plain, readAll(stream));

    // Data packed as tightly as deflate can still inflates whole.
    const std::string zeros(4u * 1024u * 1024u, '\0');
    uLongf length = compressBound(zeros.size());
    std::string packed(length, '\0');
    ASSERT_EQ(Z_OK,
        compress2(reinterpret_cast<Bytef*>(&packed[0]), &length, reinterpret_cast<const Bytef*>(zeros.data()),
            zeros.size(), 9));
    packed.resize(length);
    KaStream tight;
    fill(tight, block(packed, static_cast<unsigned int>(zeros.size())));
    ASSERT_TRUE(stream.open(tight));
    EXPECT_EQ(zeros.size(), stream.size());
    EXPECT_EQ(zeros, readAll(stream));
}

} // namespace
