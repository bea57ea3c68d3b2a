#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaBufferedFile.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPackage.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

struct Record {
    std::string path;
    unsigned int offset;
    unsigned int size;
};

struct Content {
    std::string path;
    std::string bytes;
};

std::string bytesOf(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

// A package image: the header and records as given, then the raw data.
std::string packageBytes(const std::vector<Record>& records, const std::string& data, unsigned char version = 1)
{
    KaStream stream;
    stream.write(version);
    stream.write(static_cast<unsigned int>(records.size()));
    for (const Record& record : records) {
        KaString::serialize(stream, KaString(record.path.c_str(), record.path.size()));
        stream.write(record.offset);
        stream.write(record.size);
    }
    stream.writeData(data.data(), data.size());
    return bytesOf(stream);
}

// The table's length for these paths: version, count, and per record the
// path's length field and bytes, the offset and the size.
unsigned int tableLength(const std::vector<Content>& contents)
{
    unsigned int length = 5;
    for (const Content& content : contents)
        length += 12 + static_cast<unsigned int>(content.path.size());
    return length;
}

// A well-formed package holding the contents one after the other.
std::string packageOf(const std::vector<Content>& contents)
{
    std::vector<Record> records;
    std::string data;
    unsigned int offset = tableLength(contents);
    for (const Content& content : contents) {
        records.push_back({ content.path, offset, static_cast<unsigned int>(content.bytes.size()) });
        offset += static_cast<unsigned int>(content.bytes.size());
        data += content.bytes;
    }
    return packageBytes(records, data);
}

void fill(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

void writeFile(const char* path, const std::string& bytes)
{
    KaFile file(path, KaFileSystem::Write);
    ASSERT_TRUE(file.isOpened()) << path;
    ASSERT_EQ(bytes.size(), file.writeData(bytes.data(), bytes.size()));
}

std::string readAll(KaStream& stream)
{
    std::string bytes;
    char chunk[7];
    while (unsigned int got = stream.readData(chunk, sizeof chunk))
        bytes.append(chunk, got);
    return bytes;
}

std::vector<std::string> walk(const KaPackage& package, const char* folder)
{
    std::vector<std::string> names;
    std::unique_ptr<KaPackage::Dir> dir(package.openDir(folder));
    if (!dir)
        return names;
    while (const KaPath* name = dir->readNext())
        names.push_back(name->c_str());
    return names;
}

std::vector<std::string> listing(const char* folder)
{
    std::vector<std::string> names;
    KaDirectory directory;
    if (!directory.nativeOpen(folder))
        return names;
    KaString name;
    while (directory.nativeRead(name))
        names.push_back(name.c_str());
    return names;
}

// A pattern that differs at every position and between entries.
std::string pattern(unsigned int length, unsigned int seed)
{
    std::string bytes(length, '\0');
    for (unsigned int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 31u + seed * 7u + (i >> 8)) & 0xFF);
    return bytes;
}

// A source that claims its whole length but stops delivering at a limit, as a
// file does on a read error.
class KaShortSource : public KaStream {
public:
    KaShortSource(const std::string& bytes, unsigned long limit)
        : mLimit(limit)
    {
        fill(*this, bytes);
    }
    unsigned int readData(void* destination, unsigned long count) override
    {
        const unsigned long position = getPos();
        if (position >= mLimit)
            return 0;
        return KaStream::readData(destination, count < mLimit - position ? count : mLimit - position);
    }
    unsigned long size() const override { return bufferLength(); }

private:
    unsigned long mLimit;
};

const std::vector<Content> kThreeFiles = {
    { "scenes/a.lua", "print('a')" },
    { "scenes/b/model.bin", std::string("\x00\x01\x02\xff", 4) },
    { "texts/en.xml", "<Texts/>" },
};

class KaPackageTest : public KaFileLayerTest {
protected:
    // Tests that open the main package leave it closed: the rest of the
    // program's tests read loose files.
    void TearDown() override
    {
        if (KaMainFilePackage.exists())
            KaMainFilePackage.get()->close();
        KaFileLayerTest::TearDown();
    }

    KaPackage* openMain(const std::vector<Content>& contents)
    {
        writeFile("main.pak", packageOf(contents));
        KaPackage* package = KaMainFilePackage.get();
        EXPECT_TRUE(package->open("main.pak"));
        return package;
    }
};

TEST_F(KaPackageTest, AGoodPackageServesEachEntryByExactPath)
{
    writeFile("data.pak", packageOf(kThreeFiles));
    KaPackage package;
    KaCaptureStdout output;
    ASSERT_TRUE(package.open("data.pak"));
    EXPECT_EQ("", output.text());
    EXPECT_TRUE(package.isOpen());
    EXPECT_FALSE(package.isBusy());
    EXPECT_EQ(3u, package.entryCount());

    for (const Content& content : kThreeFiles) {
        SCOPED_TRACE(content.path);
        EXPECT_TRUE(package.fileExists(content.path.c_str()));
        EXPECT_EQ(content.bytes.size(), package.getFileSize(content.path.c_str()));
        std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile(content.path.c_str()));
        ASSERT_NE(nullptr, entry);
        EXPECT_EQ(content.bytes.size(), entry->size());
        EXPECT_EQ(content.bytes, readAll(*entry));
        EXPECT_EQ(0u, entry->writeData("x", 1));
    }
    // Exact paths only: no prefix, no folder, no case folding.
    for (const char* absent : { "scenes", "scenes/a", "Scenes/a.lua", "scenes/b", "", "x" }) {
        SCOPED_TRACE(absent);
        EXPECT_FALSE(package.fileExists(absent));
        EXPECT_EQ(0u, package.getFileSize(absent));
        EXPECT_EQ(nullptr, package.openFile(absent));
    }
}

TEST_F(KaPackageTest, OnlyVersionOneIsRead)
{
    KaStream stream;
    fill(stream, packageBytes({ { "a", 17, 0 } }, "", 2));
    KaPackage package;
    KaCaptureStdout output;
    EXPECT_FALSE(package.open(stream));
    EXPECT_EQ("KaPackage::open: Can't load file, this implementation doesn't support version 2, the only "
              "supported version is 1\n",
        output.text());
    EXPECT_FALSE(package.isOpen());
    EXPECT_FALSE(package.isBusy());
    EXPECT_FALSE(package.fileExists("a"));
}

TEST_F(KaPackageTest, EveryTruncationOfTheTableFailsAndLoadsNothing)
{
    const std::string good = packageOf(kThreeFiles);
    const unsigned int tableEnd = tableLength(kThreeFiles);
    for (unsigned int length = 0; length < tableEnd; ++length) {
        SCOPED_TRACE(length);
        KaStream stream;
        fill(stream, good.substr(0, length));
        KaPackage package;
        KaCaptureStdout output;
        EXPECT_FALSE(package.open(stream));
        const std::string text = output.text();
        EXPECT_EQ(0u, text.find("KaPackage::open: Can't load file, ")) << text;
        EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
        EXPECT_FALSE(package.isOpen());
        EXPECT_FALSE(package.isBusy());
        EXPECT_EQ(0u, package.entryCount());
    }
}

TEST_F(KaPackageTest, ATruncatedDataAreaKeepsOnlyTheEntriesItHolds)
{
    const std::string good = packageOf(kThreeFiles);
    const unsigned int tableEnd = tableLength(kThreeFiles);
    for (unsigned int length = tableEnd; length <= good.size(); ++length) {
        SCOPED_TRACE(length);
        KaStream stream;
        fill(stream, good.substr(0, length));
        KaPackage package;
        KaCaptureStdout output;
        ASSERT_TRUE(package.open(stream));
        unsigned int end = tableEnd;
        unsigned int leftOut = 0;
        for (const Content& content : kThreeFiles) {
            end += static_cast<unsigned int>(content.bytes.size());
            const bool held = end <= length;
            leftOut += held ? 0 : 1;
            EXPECT_EQ(held, package.fileExists(content.path.c_str())) << content.path;
            std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile(content.path.c_str()));
            if (held && entry) {
                EXPECT_EQ(content.bytes, readAll(*entry));
            }
        }
        const std::string text = output.text();
        EXPECT_EQ(static_cast<long>(leftOut), std::count(text.begin(), text.end(), '\n')) << text;
    }
}

TEST_F(KaPackageTest, CountsAndLengthsBeyondTheFileAreRefused)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    // A count of 4 billion records in a file of a few bytes.
    KaStream hugeCount;
    hugeCount.write(static_cast<unsigned char>(1));
    hugeCount.write(0xFFFFFFFFu);
    hugeCount.writeData("\0\0\0\0\0\0\0\0\0\0\0\0", 12);
    // One record whose path claims 4 GiB.
    KaStream hugePath;
    hugePath.write(static_cast<unsigned char>(1));
    hugePath.write(1u);
    hugePath.write(0xFFFFFFF0u);
    hugePath.writeData("abcdefghijklmnop", 16);
    // Two records announced, room for one.
    KaStream shortTable;
    shortTable.write(static_cast<unsigned char>(1));
    shortTable.write(2u);
    KaString::serialize(shortTable, "abcdefghijklmnopqrstuvwx");
    shortTable.write(0u);
    shortTable.write(0u);
    const std::vector<Case> cases = {
        { "count", bytesOf(hugeCount), "KaPackage::open: Can't load file, a table of 4294967295 entries can't fit" },
        { "path", bytesOf(hugePath), "KaPackage::open: Can't load file, the table ends inside entry 0 of 1\n" },
        { "second record", bytesOf(shortTable),
            "KaPackage::open: Can't load file, the table ends inside entry 1 of 2\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        fill(stream, c.bytes);
        KaPackage package;
        KaCaptureStdout output;
        EXPECT_FALSE(package.open(stream));
        EXPECT_EQ(0u, output.text().find(c.message)) << output.text();
        EXPECT_EQ(0u, package.entryCount());
        EXPECT_FALSE(package.isOpen());
    }
}

TEST_F(KaPackageTest, EntriesEndingPastThePackageAreLeftOut)
{
    const std::string data = "0123456789";
    const std::vector<Record> records = {
        { "good", 0, 0 }, // offsets filled below
        { "past", 0xFFFFFF00u, 4 },
        // In 32 bits the end would wrap round to 16 and pass.
        { "wraps", 0xFFFFFFF0u, 0x20 },
        { "one over", 0, 11 },
        { "empty at end", 0, 0 },
    };
    std::vector<Record> placed = records;
    const unsigned int dataStart = static_cast<unsigned int>(packageBytes(records, "").size());
    placed[0].offset = dataStart;
    placed[0].size = 10;
    placed[3].offset = dataStart;
    placed[4].offset = dataStart + 10;
    KaStream stream;
    fill(stream, packageBytes(placed, data));

    KaPackage package;
    KaCaptureStdout output;
    ASSERT_TRUE(package.open(stream));
    const std::string text = output.text();
    EXPECT_NE(std::string::npos, text.find("KaPackage::open: Entry \"past\" ends at 4294967044, past the end"));
    EXPECT_NE(std::string::npos, text.find("Entry \"wraps\" ends at 4294967312"));
    EXPECT_NE(std::string::npos, text.find("Entry \"one over\""));
    EXPECT_EQ(3, std::count(text.begin(), text.end(), '\n')) << text;

    EXPECT_TRUE(package.fileExists("good"));
    EXPECT_TRUE(package.fileExists("empty at end"));
    for (const char* refused : { "past", "wraps", "one over" })
        EXPECT_FALSE(package.fileExists(refused)) << refused;
    std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile("good"));
    EXPECT_EQ(data, readAll(*entry));
}

TEST_F(KaPackageTest, APathNamedTwiceKeepsItsFirstRecord)
{
    const std::vector<Record> records = { { "twice", 0, 3 }, { "twice", 0, 5 } };
    const unsigned int dataStart = static_cast<unsigned int>(packageBytes(records, "").size());
    const std::vector<Record> placed = { { "twice", dataStart, 3 }, { "twice", dataStart + 3, 5 } };
    KaStream stream;
    fill(stream, packageBytes(placed, "abcdefgh"));
    KaPackage package;
    ASSERT_TRUE(package.open(stream));
    EXPECT_EQ(1u, package.entryCount());
    std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile("twice"));
    EXPECT_EQ("abc", readAll(*entry));

    // A second table adds its paths; the ones already there stay.
    KaStream more;
    fill(more, packageOf({ { "twice", "zzzzz" }, { "other", "ok" } }));
    ASSERT_TRUE(package.open(more));
    EXPECT_EQ(2u, package.entryCount());
    EXPECT_EQ(3u, package.getFileSize("twice"));
}

TEST_F(KaPackageTest, EntryStreamsStopAtTheEntrysEnd)
{
    const std::string hundred = pattern(100, 1);
    KaStream stream;
    fill(stream, packageOf({ { "before", "xxxx" }, { "e", hundred }, { "after", "yyyy" } }));
    KaPackage package;
    ASSERT_TRUE(package.open(stream));
    std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile("e"));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(0u, entry->getPos());
    EXPECT_FALSE(entry->isAtEnd());

    char buffer[16] = {};
    ASSERT_TRUE(entry->seek(95));
    EXPECT_EQ(5u, entry->readData(buffer, 10));
    EXPECT_EQ(hundred.substr(95), std::string(buffer, 5));
    EXPECT_TRUE(entry->isAtEnd());
    EXPECT_EQ(100u, entry->getPos());

    EXPECT_EQ(0u, entry->readData(buffer, 10));
    EXPECT_TRUE(entry->isAtEnd());

    EXPECT_FALSE(entry->seek(100));
    EXPECT_EQ(100u, entry->getPos());
    EXPECT_FALSE(entry->seek(1ul << 40));
    EXPECT_EQ(100u, entry->getPos());
    EXPECT_TRUE(entry->isAtEnd());

    EXPECT_TRUE(entry->seek(50));
    EXPECT_FALSE(entry->isAtEnd());
    EXPECT_EQ(10u, entry->readData(buffer, 10));
    EXPECT_EQ(hundred.substr(50, 10), std::string(buffer, 10));
    EXPECT_FALSE(entry->isAtEnd()) << "a read that fits does not reach the end";
    EXPECT_EQ(0u, entry->readData(nullptr, 10));
    EXPECT_EQ(60u, entry->getPos());
}

TEST_F(KaPackageTest, AnEntryReadAdvancesByTheBytesThatArrived)
{
    const std::vector<Content> contents = { { "e", "0123456789" } };
    const unsigned int dataStart = tableLength(contents);
    // The source claims all its bytes but delivers only 4 of the entry's.
    KaShortSource source(packageOf(contents), dataStart + 4);
    KaPackage package;
    ASSERT_TRUE(package.open(source));
    std::unique_ptr<KaPackage::OpenedFile> entry(package.openFile("e"));
    char buffer[10] = {};
    EXPECT_EQ(4u, entry->readData(buffer, 10));
    EXPECT_EQ("0123", std::string(buffer, 4));
    EXPECT_EQ(4u, entry->getPos());
    EXPECT_TRUE(entry->isAtEnd());
}

TEST_F(KaPackageTest, FolderWalksGiveEachNameBelowTheFolderOnce)
{
    KaStream stream;
    fill(stream,
        packageOf({
            { "scenes/a/x", "1" },
            { "scenes/a/y", "2" },
            { "scenes/b.lua", "3" },
            { "scenes2/x", "4" },
            { "scenes.txt", "5" },
            { "scenes-fr/z", "6" },
            { "scenes", "7" },
            { "scripts/z", "8" },
            { "/abs/f", "9" },
        }));
    KaPackage package;
    ASSERT_TRUE(package.open(stream));

    struct Case {
        const char* folder;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        // Neither "2" (scenes2/x) nor anything of scenes.txt or scenes-fr.
        { "scenes", { "a", "b.lua" } },
        { "scenes/a", { "x", "y" } },
        { "scenes2", { "x" } },
        { "scripts", { "z" } },
        { "sounds", {} },
        { "scenes/a/x", {} },
        { "scenes/", {} },
        { "", { "abs" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(c.names, walk(package, c.folder));
    }

    std::unique_ptr<KaPackage::Dir> dir(package.openDir("scenes"));
    ASSERT_NE(nullptr, dir);
    EXPECT_EQ("a", std::string(dir->getSubPath("scenes/a/x").c_str()));
    EXPECT_EQ("b.lua", std::string(dir->getSubPath("scenes/b.lua").c_str()));
    EXPECT_EQ("", std::string(dir->getSubPath("scenes").c_str()));
    while (dir->readNext()) { }
    EXPECT_EQ(nullptr, dir->readNext()) << "an ended walk stays ended";
}

TEST_F(KaPackageTest, ClosingDetachesTheEntryStreamsStillAlive)
{
    KaStream stream;
    fill(stream, packageOf(kThreeFiles));
    KaPackage package;
    ASSERT_TRUE(package.open(stream));
    std::unique_ptr<KaPackage::OpenedFile> first(package.openFile("scenes/a.lua"));
    std::unique_ptr<KaPackage::OpenedFile> second(package.openFile("texts/en.xml"));
    {
        std::unique_ptr<KaPackage::OpenedFile> gone(package.openFile("texts/en.xml"));
        EXPECT_EQ(3u, package.openedFileCount());
    }
    EXPECT_EQ(2u, package.openedFileCount());

    package.close();
    EXPECT_FALSE(package.isOpen());
    EXPECT_EQ(0u, package.openedFileCount());
    EXPECT_EQ(0u, package.entryCount());
    EXPECT_FALSE(first->isAttached());
    char byte;
    EXPECT_EQ(0u, first->readData(&byte, 1));
    EXPECT_TRUE(first->isAtEnd());
    // Destroying them afterwards (the unique_ptrs) touches nothing freed.
}

TEST_F(KaPackageTest, APackageFileThatCannotBeReadFailsClosed)
{
    KaPackage package;
    {
        KaCaptureStdout output;
        EXPECT_FALSE(package.open("missing.pak"));
        // The message gives the full path looked at.
        EXPECT_EQ(0u, output.text().find("KaBaseFile::nativeOpen: Can't open \"" + mRoot.file("missing.pak") + "\""))
            << output.text();
    }
    writeFile("bad.pak", std::string("\x01\x05\x00\x00\x00", 5));
    {
        KaCaptureStdout output;
        EXPECT_FALSE(package.open("bad.pak"));
    }
    EXPECT_FALSE(package.isOpen());
    EXPECT_FALSE(package.isOpened()) << "its own file is not kept open";

    writeFile("good.pak", packageOf(kThreeFiles));
    ASSERT_TRUE(package.open("good.pak"));
    EXPECT_EQ(3u, package.entryCount());
    // Reopening forgets the earlier table.
    writeFile("other.pak", packageOf({ { "only", "1" } }));
    ASSERT_TRUE(package.open("other.pak"));
    EXPECT_EQ(1u, package.entryCount());
}

TEST_F(KaPackageTest, TheMainPackageServesReadsAloneWhileOpen)
{
    write("loose.txt", "on disk");
    write("both.txt", "disk copy");
    KaFile openedBefore("both.txt", KaFileSystem::Read);
    ASSERT_TRUE(openedBefore.isOpened());

    KaPackage* package = openMain({ { "both.txt", "package copy" }, { "scenes/a.lua", "lua" },
        { "scenes/b/c.bin", "bin" }, { "video.ogv", pattern(5000, 3) } });
    ASSERT_TRUE(package->isOpen());

    // Reads, existence and sizes come from the package, with no fallback.
    {
        KaCaptureStdout output;
        KaFile fromPackage("both.txt", KaFileSystem::Read);
        ASSERT_TRUE(fromPackage.isOpened());
        EXPECT_EQ("package copy", readAll(fromPackage));
        EXPECT_EQ(12u, fromPackage.size());
        EXPECT_EQ(0u, fromPackage.writeData("x", 1));

        KaFile looseOnly;
        EXPECT_FALSE(looseOnly.open("loose.txt", KaFileSystem::Read));
        EXPECT_FALSE(looseOnly.isOpened());
        EXPECT_FALSE(KaBaseFile::fileExist("loose.txt"));
        EXPECT_EQ(0u, KaBaseFile::getFileSize("loose.txt"));
        EXPECT_TRUE(KaBaseFile::fileExist("scenes/a.lua"));
        EXPECT_EQ(3u, KaBaseFile::getFileSize("scenes/b/c.bin"));
        EXPECT_EQ("", output.text()) << "the package route prints nothing";
    }
    EXPECT_EQ(0u, package->openedFileCount()) << "a closed file gives its entry back";

    // A file opened before the package keeps reading the disk.
    EXPECT_EQ("disk copy", readAll(openedBefore));

    // Writes go to the disk.
    {
        KaFile out("written.txt", KaFileSystem::Write);
        ASSERT_TRUE(out.isOpened());
        EXPECT_EQ(3u, out.writeData("new", 3));
    }
    EXPECT_EQ("new", readWhole(mRoot.file("written.txt")));

    // Listings come from the table.
    EXPECT_EQ((std::vector<std::string> { "a.lua", "b" }), listing("scenes"));
    EXPECT_EQ((std::vector<std::string> {}), listing(mRoot.path().c_str()));

    // A buffered file sizes its buffer from the entry.
    KaBufferedFile buffered("video.ogv", KaFileSystem::Read);
    ASSERT_TRUE(buffered.isOpened());
    EXPECT_EQ(5000u, buffered.size());
    EXPECT_EQ(pattern(5000, 3), readAll(buffered));

    package->close();
    EXPECT_TRUE(KaBaseFile::fileExist("loose.txt")) << "closed, the disk serves again";
}

TEST_F(KaPackageTest, AFileKeepsItsPackageRouteAfterThePackageCloses)
{
    KaPackage* package = openMain({ { "a.txt", "package" } });
    write("a.txt", "disk");
    KaFile file("a.txt", KaFileSystem::Read);
    ASSERT_TRUE(file.isOpened());
    char byte;
    ASSERT_EQ(1u, file.readData(&byte, 1));

    package->close();
    // The entry is detached, not freed under the file: reads give nothing and
    // closing the file is safe.
    EXPECT_TRUE(file.isOpened());
    EXPECT_EQ(0u, file.readData(&byte, 1));
    file.close();
    EXPECT_FALSE(file.isOpened());
    ASSERT_TRUE(file.open("a.txt", KaFileSystem::Read));
    EXPECT_EQ("disk", readAll(file));
}

TEST_F(KaPackageTest, VariantFoldersAreLookedUpInThePackage)
{
    openMain({ { "scenes/a.png", "plain" }, { "scenes/fr-de/b.png", "variant b" }, { "scenes/es/c.png", "es" },
        { "scenes/fr/HD/d.png", "nested" } });
    variants("fr", "HD");
    struct Case {
        const char* path;
        const char* real;
    };
    const Case cases[] = {
        { "scenes/a.png", "scenes/a.png" },
        { "scenes/b.png", "scenes/fr-de/b.png" },
        { "scenes/c.png", "scenes/c.png" },
        { "scenes/d.png", "scenes/fr/HD/d.png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(std::string(c.real), KaBaseFile::getRealPath(c.path, "").c_str());
    }
    KaFile file("scenes/b.png", KaFileSystem::Read);
    EXPECT_EQ("variant b", readAll(file));

    // A reader that resolved the name once opens the entry it found.
    KaFile resolved;
    ASSERT_TRUE(resolved.openRealPath(KaBaseFile::localizedRealPath("scenes/b.png")));
    EXPECT_EQ("variant b", readAll(resolved));
}

TEST_F(KaPackageTest, TranslatedNamesResolveAndOpenInThePackage)
{
    write("img/fr/menu.png", "on disk");
    openMain({ { "img/pic.png", "pic" }, { "img/fr/menu.png", "menu fr" }, { "img/en/title.png", "title en" } });
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
    }
    struct Case {
        const char* asked;
        const char* contents;
    };
    const Case cases[] = {
        { "img/pic.png", "pic" },
        { "img/menu.png", "menu fr" },
        { "img/title.png", "title en" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        KaFile file;
        ASSERT_TRUE(file.openRealPath(KaBaseFile::localizedRealPath(c.asked)));
        EXPECT_EQ(c.contents, readAll(file));
    }
    KaFile missing;
    KaCaptureStdout output;
    EXPECT_FALSE(missing.openRealPath(KaBaseFile::localizedRealPath("img/none.png")));
    EXPECT_EQ("", output.text()) << "the package route prints nothing";
}

TEST_F(KaPackageTest, TwoThreadsReadThroughThePackageRoute)
{
    const std::string one = pattern(96 * 1024 + 17, 1);
    const std::string two = pattern(64 * 1024 + 5, 2);
    KaPackage* package = openMain({ { "big/one.bin", one }, { "big/two.bin", two } });
    write("loose.txt", "on disk only");

    const int kRounds = 40;
    // Files are opened here; only their reads run on the threads.
    std::vector<std::unique_ptr<KaFile>> files;
    for (int i = 0; i < 2 * kRounds; ++i) {
        files.emplace_back(new KaFile(i % 2 ? "big/two.bin" : "big/one.bin", KaFileSystem::Read));
        ASSERT_TRUE(files.back()->isOpened());
    }

    std::atomic<int> mismatches(0);
    std::atomic<bool> reading(true);
    auto reader = [&](int parity, unsigned int chunk) {
        const std::string& expected = parity ? two : one;
        std::vector<char> buffer(chunk);
        for (int round = 0; round < kRounds; ++round) {
            KaFile& file = *files[2 * round + parity];
            std::string got;
            while (unsigned int count = file.readData(buffer.data(), chunk))
                got.append(buffer.data(), count);
            // Back into the middle, as a video reader does.
            const unsigned long middle = expected.size() / 3;
            if (!file.seek(middle) || file.readData(buffer.data(), chunk) != chunk
                || std::string(buffer.data(), chunk) != expected.substr(middle, chunk))
                ++mismatches;
            if (got != expected)
                ++mismatches;
        }
    };
    // While entries are read, the package keeps answering for the whole
    // program: a file only on disk never shows through.
    std::atomic<int> leaks(0);
    std::thread watcher([&] {
        const KaPath loose("loose.txt");
        const KaPath packaged("big/one.bin");
        while (reading) {
            if (KaBaseFile::fileExistWithRealPath(loose) || !KaBaseFile::fileExistWithRealPath(packaged))
                ++leaks;
        }
    });
    std::thread first(reader, 0, 1000);
    std::thread second(reader, 1, 333);
    first.join();
    second.join();
    reading = false;
    watcher.join();

    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(0, leaks.load());
    EXPECT_EQ(files.size(), package->openedFileCount());
    files.clear();
    EXPECT_EQ(0u, package->openedFileCount());
}

} // namespace
