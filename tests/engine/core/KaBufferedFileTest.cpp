#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "engine/core/KaBufferedFile.h"
#include "engine/core/KaFile.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::string pattern(unsigned int length)
{
    std::string bytes(length, '\0');
    for (unsigned int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7u + (i >> 8)) & 0xFF);
    return bytes;
}

class KaBufferedFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mPath = mFolder.file("video.ogv");
        mBytes = pattern(10000);
        KaCaptureStdout quiet;
        KaFile out(mPath.c_str(), KaFileSystem::Write);
        ASSERT_TRUE(out.isOpened());
        ASSERT_EQ(mBytes.size(), out.writeData(mBytes.data(), mBytes.size()));
    }

    // Empties the file on disk behind the reader's back: whatever it reads
    // afterwards must come from its buffer.
    void emptyOnDisk() const { ASSERT_EQ(0, truncate(mPath.c_str(), 0)); }

    KaTempDir mFolder;
    std::string mPath;
    std::string mBytes;
};

TEST_F(KaBufferedFileTest, TheFirstReadLoadsTheWholeFile)
{
    KaBufferedFile file(mPath.c_str(), KaFileSystem::Read);
    ASSERT_TRUE(file.isOpened());
    EXPECT_EQ(10000u, file.size());
    EXPECT_EQ(0u, file.getPos());

    std::string buffer(4096, '\0');
    ASSERT_EQ(4096u, file.readData(&buffer[0], 4096));
    EXPECT_EQ(mBytes.substr(0, 4096), buffer);
    emptyOnDisk();

    const unsigned int expected[] = { 4096, 1808, 0 };
    unsigned long position = 4096;
    for (unsigned int count : expected) {
        SCOPED_TRACE(position);
        EXPECT_EQ(position == 10000, file.isAtEnd());
        ASSERT_EQ(count, file.readData(&buffer[0], 4096));
        EXPECT_EQ(mBytes.substr(position, count), buffer.substr(0, count));
        position += count;
        EXPECT_EQ(position, file.getPos());
    }
    EXPECT_TRUE(file.isAtEnd());

    // Back inside the loaded bytes: served from memory again.
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(0u, file.getPos());
    EXPECT_FALSE(file.isAtEnd());
    ASSERT_EQ(100u, file.readData(&buffer[0], 100));
    EXPECT_EQ(mBytes.substr(0, 100), buffer.substr(0, 100));
    ASSERT_TRUE(file.seek(9999));
    ASSERT_EQ(1u, file.readData(&buffer[0], 100));
    EXPECT_EQ(mBytes[9999], buffer[0]);
}

TEST_F(KaBufferedFileTest, ASeekOutsideTheLoadedBytesReadsFromThere)
{
    KaBufferedFile file(mPath.c_str(), KaFileSystem::Read);
    ASSERT_TRUE(file.seek(5000));
    EXPECT_EQ(5000u, file.getPos());
    std::string buffer(10000, '\0');
    ASSERT_EQ(5000u, file.readData(&buffer[0], 10000));
    EXPECT_EQ(mBytes.substr(5000), buffer.substr(0, 5000));
    EXPECT_EQ(10000u, file.getPos());

    // Loaded: 5000..9999. Before it, the file is read again.
    ASSERT_TRUE(file.seek(1000));
    EXPECT_EQ(1000u, file.getPos());
    ASSERT_EQ(100u, file.readData(&buffer[0], 100));
    EXPECT_EQ(mBytes.substr(1000, 100), buffer.substr(0, 100));
}

TEST_F(KaBufferedFileTest, ASeekAwayForgetsWhereTheLoadedBytesCameFrom)
{
    KaBufferedFile file(mPath.c_str(), KaFileSystem::Read);
    std::string buffer(10000, '\0');
    ASSERT_EQ(10000u, file.readData(&buffer[0], 10000));
    // Past the end and back: 7000 lay in the old window (0..9999) only
    // relative to the old end, so it must not be taken from the buffer
    // as if the window had moved.
    EXPECT_TRUE(file.seek(12000));
    EXPECT_EQ(12000u, file.getPos());
    char byte = 0;
    EXPECT_EQ(0u, file.readData(&byte, 1));
    ASSERT_TRUE(file.seek(7000));
    EXPECT_EQ(7000u, file.getPos());
    ASSERT_EQ(10u, file.readData(&buffer[0], 10));
    EXPECT_EQ(mBytes.substr(7000, 10), buffer.substr(0, 10));
}

TEST_F(KaBufferedFileTest, EmptyRequestsAndClosedFilesGiveNothing)
{
    KaBufferedFile file(mPath.c_str(), KaFileSystem::Read);
    char byte = 0;
    EXPECT_EQ(0u, file.readData(&byte, 0));
    EXPECT_EQ(0u, file.readData(nullptr, 10));
    EXPECT_EQ(0u, file.getPos());

    ASSERT_EQ(1u, file.readData(&byte, 1));
    file.close();
    EXPECT_FALSE(file.isOpened());
    EXPECT_EQ(0u, file.readData(&byte, 1));
    EXPECT_EQ(10000u, file.size()) << "the size survives close";

    KaBufferedFile never;
    EXPECT_FALSE(never.isOpened());
    EXPECT_EQ(0u, never.readData(&byte, 1));
    EXPECT_EQ(0u, never.getPos());
}

TEST_F(KaBufferedFileTest, AMissingFileFailsWithBothMessages)
{
    const std::string missing = mFolder.file("missing.ogv");
    KaBufferedFile file;
    KaCaptureStdout output;
    EXPECT_FALSE(file.open(missing.c_str(), KaFileSystem::Read));
    const std::string text = output.text();
    EXPECT_EQ(0u, text.find("KaBaseFile::getFileSize: File " + missing + " doesn't exist")) << text;
    EXPECT_NE(std::string::npos, text.find("KaBaseFile::nativeOpen: Can't open \"" + missing + "\"")) << text;
    EXPECT_FALSE(file.isOpened());
    char byte;
    EXPECT_EQ(0u, file.readData(&byte, 1));
    EXPECT_EQ(0u, file.size());
}

TEST_F(KaBufferedFileTest, ReopeningReadsTheNewFile)
{
    const std::string other = mFolder.file("other.bin");
    {
        KaFile out(other.c_str(), KaFileSystem::Write);
        out.writeData("short", 5);
    }
    KaBufferedFile file(mPath.c_str(), KaFileSystem::Read);
    char buffer[16];
    ASSERT_EQ(16u, file.readData(buffer, 16));
    ASSERT_TRUE(file.open(other.c_str(), KaFileSystem::Read));
    EXPECT_EQ(5u, file.size());
    EXPECT_EQ(0u, file.getPos());
    ASSERT_EQ(5u, file.readData(buffer, 16));
    EXPECT_EQ("short", std::string(buffer, 5));
    EXPECT_TRUE(file.isAtEnd());
}

} // namespace
