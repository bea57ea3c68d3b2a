#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaGetShownPath.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::string realPath(const char* path, const char* base = "") { return KaBaseFile::getRealPath(path, base).c_str(); }

class KaFileTest : public KaFileLayerTest { };

TEST_F(KaFileTest, RealPathWithoutVariantsMapsThePrefixes)
{
    struct Case {
        const char* path;
        const char* base;
        std::string expected;
    };
    const std::vector<Case> cases = {
        { "", "", "" },
        { "", "gui/menu/", "" },
        { "./a.png", "gui/menu/", "gui/menu/a.png" },
        { "./a.png", "", "a.png" },
        { "/abs/x.png", "", "/abs/x.png" },
        { "scenes/a.png", "", "scenes/a.png" },
        { "scenes//a.png", "", "scenes/a.png" },
        { "Backup/save.xml", "", saveFolder() + "/save.xml" },
        { "./Backup/save.xml", "", saveFolder() + "/save.xml" },
        { "Backup/sub/0.xml", "", saveFolder() + "/sub/0.xml" },
        // The prefix only counts at the start.
        { "data/Backup/x", "", "data/Backup/x" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + c.base);
        EXPECT_EQ(c.expected, realPath(c.path, c.base));
    }
    EXPECT_TRUE(exists(saveFolder())) << "the save folder is created on the way";

    // The empty path stays empty with the variant folders on too.
    variants("fr");
    EXPECT_EQ("", realPath("", "gui/"));
}

TEST_F(KaFileTest, MissingFilesAreFoundInActiveVariantFolders)
{
    write("scenes/a.png", "plain");
    write("scenes/fr/a.png", "variant");
    write("scenes/fr-de/b.png");
    write("scenes/es/d.png");
    write("scenes/HD/fr/e.png");
    write("scenes/fr/f.png");
    write("scenes/fr-de/f.png");
    write("scenes/de/g.png");
    write("scenes/fr-de/g.png");
    write("fr/top.png");
    write("scenes/sub/fr/h.png");
    variants("fr", "HD");

    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        { "scenes/a.png", "scenes/a.png" }, // the plain file wins
        { "scenes/b.png", "scenes/fr-de/b.png" }, // any one value of the name
        { "scenes/c.png", "scenes/c.png" }, // found nowhere: unchanged
        { "scenes/d.png", "scenes/d.png" }, // es is not active
        { "scenes/e.png", "scenes/HD/fr/e.png" }, // nested variants
        { "scenes/f.png", "scenes/fr/f.png" }, // first folder by name
        { "scenes/g.png", "scenes/fr-de/g.png" }, // de alone is not active
        { "top.png", "top.png" }, // a bare name is never looked up
        { "scenes/sub/h.png", "scenes/sub/fr/h.png" },
        { "./scenes/b.png", "scenes/fr-de/b.png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(std::string(c.expected), realPath(c.path));
    }

    // An absolute path is looked up the same way.
    EXPECT_EQ(mRoot.file("scenes/fr-de/b.png"), realPath(mRoot.file("scenes/b.png").c_str()));

    variants("fr", "SD");
    EXPECT_EQ("scenes/e.png", realPath("scenes/e.png")) << "HD is no longer active";

    core.get()->setFlagsOn(false);
    EXPECT_EQ("scenes/b.png", realPath("scenes/b.png")) << "the switch is off";
}

TEST_F(KaFileTest, SaveFolderPathsAreLookedUpInVariantsToo)
{
    mData.write("Game/fr/slot.xml", "<a/>");
    variants("fr");
    EXPECT_EQ(saveFolder() + "/fr/slot.xml", realPath("Backup/slot.xml"));
}

TEST_F(KaFileTest, VariantLookupDoesNotFollowLinksToFolders)
{
    write("scenes/real/x.png");
    makeFolder("scenes");
    // A link back to its own folder would make the lookup endless.
    ASSERT_EQ(0, symlink(".", mRoot.file("scenes/fr").c_str()));
    ASSERT_EQ(0, symlink("real", mRoot.file("scenes/fr-de").c_str()));
    variants("fr");

    EXPECT_EQ("scenes/missing.png", realPath("scenes/missing.png"));
    EXPECT_EQ("scenes/x.png", realPath("scenes/x.png"));
    EXPECT_FALSE(KaBaseFile::fileExist("scenes/missing.png"));
}

TEST_F(KaFileTest, WritesAndDeletesStayAtTheirOwnPath)
{
    write("scenes/fr/w.txt", "variant");
    write("scenes/fr/v.txt", "variant");
    write("scenes/fr/app.txt", "variant");
    variants("fr");
    ASSERT_TRUE(KaBaseFile::fileExist("scenes/w.txt"));

    {
        KaFile file("scenes/w.txt", KaFileSystem::Write);
        ASSERT_TRUE(file.isOpened());
        EXPECT_EQ(KaString("scenes/w.txt"), file.path());
        file << "new";
    }
    {
        KaFile file("scenes/app.txt", KaFileSystem::Append);
        ASSERT_TRUE(file.isOpened());
        file << "more";
    }
    EXPECT_EQ("new", readWhole(mRoot.file("scenes/w.txt")));
    EXPECT_EQ("more", readWhole(mRoot.file("scenes/app.txt")));
    EXPECT_EQ("variant", readWhole(mRoot.file("scenes/fr/w.txt")));
    EXPECT_EQ("variant", readWhole(mRoot.file("scenes/fr/app.txt")));

    KaCaptureStdout capture;
    EXPECT_FALSE(KaBaseFile::deleteFile("scenes/v.txt"));
    EXPECT_EQ("KaBaseFile::deleteFile: Deletion of file : scenes/v.txt failed.\n", capture.text());
    EXPECT_TRUE(exists(mRoot.file("scenes/fr/v.txt")));

    EXPECT_FALSE(KaBaseFile::renameFile("scenes/v.txt", "scenes/moved.txt"));
    EXPECT_TRUE(exists(mRoot.file("scenes/fr/v.txt")));

    // A read still finds the variant.
    KaFile reader("scenes/v.txt", KaFileSystem::Read);
    EXPECT_EQ(KaString("scenes/fr/v.txt"), reader.path());
}

TEST_F(KaFileTest, StreamRoundTripThroughANativeFile)
{
    {
        KaFile file("data.bin", KaFileSystem::Write);
        ASSERT_TRUE(file.isOpened());
        EXPECT_EQ(KaFileSystem::Write, file.mode());
        file << 0x01020304u << -2.5f;
        KaString::serialize(file, "name");
        EXPECT_EQ(16ul, file.getPos());
    }
    {
        KaFile file("data.bin", KaFileSystem::Append);
        ASSERT_TRUE(file.isOpened());
        file << static_cast<unsigned short>(7);
    }

    KaFile file("data.bin", KaFileSystem::Read);
    ASSERT_TRUE(file.isOpened());
    EXPECT_EQ(18ul, file.size());
    unsigned int number = 0;
    float value = 0;
    KaString name;
    unsigned short tail = 0;
    file >> number >> value;
    EXPECT_EQ(8ul, file.getPos());
    EXPECT_EQ(18ul, file.size());
    EXPECT_EQ(8ul, file.getPos()) << "size() must not move the position";
    ASSERT_TRUE(KaString::deserialize(file, name));
    file >> tail;
    EXPECT_EQ(0x01020304u, number);
    EXPECT_EQ(-2.5f, value);
    EXPECT_EQ(KaString("name"), name);
    EXPECT_EQ(7, tail);
    EXPECT_FALSE(file.isAtEnd()) << "the end is known once a read meets it";
    char byte;
    EXPECT_EQ(0u, file.readData(&byte, 1));
    EXPECT_TRUE(file.isAtEnd());

    EXPECT_TRUE(file.seek(4));
    EXPECT_EQ(4ul, file.getPos());
    EXPECT_FALSE(file.isAtEnd());

    file.close();
    EXPECT_FALSE(file.isOpened());
    EXPECT_EQ(KaFileSystem::NoMode, file.mode());
    EXPECT_EQ(KaString("data.bin"), file.path()) << "the path outlives the close";
    file.close();
}

TEST_F(KaFileTest, OpeningAnotherFileClosesTheFirst)
{
    write("one.txt", "1");
    write("two.txt", "22");
    KaFile file("one.txt", KaFileSystem::Read);
    ASSERT_TRUE(file.isOpened());
    ASSERT_TRUE(file.open("two.txt", KaFileSystem::Read));
    EXPECT_EQ(2ul, file.size());
}

TEST_F(KaFileTest, AMissingFileFailsWithTheSystemReason)
{
    KaCaptureStdout capture;
    KaFile file("missing.bin", KaFileSystem::Read);
    // The full path looked at: the current folder's, for a relative one.
    EXPECT_EQ("KaBaseFile::nativeOpen: Can't open \"" + mRoot.file("missing.bin") + "\", No such file or directory\n",
        capture.text());
    EXPECT_FALSE(file.isOpened());
    EXPECT_EQ(KaFileSystem::NoMode, file.mode());

    char buffer[4];
    EXPECT_EQ(0u, file.readData(buffer, sizeof buffer));
    EXPECT_EQ(0u, file.writeData(buffer, sizeof buffer));
    EXPECT_FALSE(file.seek(0));
    EXPECT_EQ(0ul, file.size());
    EXPECT_EQ(0ul, file.getPos());
    EXPECT_FALSE(file.isAtEnd());
}

TEST_F(KaFileTest, OpenFailuresByPath)
{
    write("plain.txt");
    struct Case {
        const char* path;
        KaFileSystem::OpenMode mode;
        const char* reason;
    };
    const Case cases[] = {
        { "plain.txt/inside.txt", KaFileSystem::Write, "Not a directory" },
        { "plain.txt/inside.txt", KaFileSystem::Append, "Not a directory" },
        { "nowhere/new.txt", KaFileSystem::Write, "No such file or directory" },
        { "plain.txt", KaFileSystem::NoMode, "Invalid argument" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        KaCaptureStdout capture;
        KaFile file;
        EXPECT_FALSE(file.open(c.path, c.mode));
        EXPECT_EQ("KaBaseFile::nativeOpen: Can't open \"" + mRoot.file(c.path) + "\", " + c.reason + "\n",
            capture.text());
        EXPECT_FALSE(file.isOpened());
    }
}

TEST_F(KaFileTest, ReadAndWriteErrorsAreReportedOnEveryCall)
{
    write("plain.txt", "abc");
    makeFolder("folder");
    {
        KaFile file("plain.txt", KaFileSystem::Read);
        ASSERT_TRUE(file.isOpened());
        KaCaptureStdout capture;
        EXPECT_EQ(0u, file.writeData("xy", 2));
        EXPECT_EQ(0u, file.writeData("xy", 2));
        EXPECT_EQ("KaBaseFile::writeData: Write error 1 on file plain.txt.\n"
                  "KaBaseFile::writeData: Write error 1 on file plain.txt.\n",
            capture.text());
    }
    {
        // Reading a folder's handle fails with EISDIR.
        KaFile file("folder", KaFileSystem::Read);
        ASSERT_TRUE(file.isOpened());
        char buffer[8];
        KaCaptureStdout capture;
        EXPECT_EQ(0u, file.readData(buffer, sizeof buffer));
        EXPECT_EQ("KaBaseFile::readData: Read error 1 on file folder.\n", capture.text());
    }
    EXPECT_EQ("abc", readWhole(mRoot.file("plain.txt")));
}

TEST_F(KaFileTest, MessagesShowFullPaths)
{
    struct Case {
        std::string path, shown;
    } cases[] = {
        { "a/b.txt", mRoot.file("a/b.txt") },
        { "./a/b.txt", mRoot.file("a/b.txt") },
        { "/etc/none", "/etc/none" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(KaGetShownPath(KaPath(c.path.c_str())).c_str()), c.shown) << c.path;
}

TEST_F(KaFileTest, StaticFileOperations)
{
    write("scenes/fr/v.bin", "12345");
    write("a.txt", "hello");
    variants("fr");

    EXPECT_TRUE(KaBaseFile::fileExist("a.txt"));
    EXPECT_TRUE(KaBaseFile::fileExist("scenes/v.bin"));
    EXPECT_FALSE(KaBaseFile::fileExist("b.txt"));
    EXPECT_FALSE(KaBaseFile::fileExistWithRealPath("scenes/v.bin"));
    EXPECT_EQ(5ul, KaBaseFile::getFileSize("a.txt"));
    EXPECT_EQ(5ul, KaBaseFile::getFileSize("scenes/v.bin"));
    {
        KaCaptureStdout capture;
        EXPECT_EQ(0ul, KaBaseFile::getFileSize("b.txt"));
        EXPECT_EQ("KaBaseFile::getFileSize: File " + mRoot.file("b.txt")
                + " doesn't exist or too many files are opened at the same time.\n",
            capture.text());
    }

    EXPECT_TRUE(KaBaseFile::copyFile("scenes/v.bin", "copy.bin"));
    EXPECT_EQ("12345", readWhole(mRoot.file("copy.bin")));
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(KaBaseFile::copyFile("b.txt", "never.bin"));
        EXPECT_FALSE(KaBaseFile::copyFile("a.txt", "a.txt/never.bin"));
    }
    EXPECT_FALSE(exists(mRoot.file("never.bin")));

    EXPECT_TRUE(KaBaseFile::renameFile("copy.bin", "renamed.bin"));
    EXPECT_FALSE(exists(mRoot.file("copy.bin")));
    EXPECT_TRUE(KaBaseFile::deleteFile("renamed.bin"));
    EXPECT_FALSE(exists(mRoot.file("renamed.bin")));
}

TEST_F(KaFileTest, VariantComponentsAreDroppedFromAPath)
{
    KaCore* theCore = core.get();
    const KaArray<KaString> savedPossible = theCore->fileFlagSystemPossibleFlags("language");
    KaArray<KaString> possible;
    possible.pushBack("fr").pushBack("de").pushBack("en");
    theCore->fileFlagSystemSetPossibleFlags("language", possible);
    variants("fr");

    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        { "scenes/fr/a.png", "scenes/a.png" },
        { "scenes/de/a.png", "" },
        { "scenes/x/a.png", "scenes/x/a.png" },
        { "fr-de/a", "a" },
        { "de-fr/a", "a" },
        { "/abs/fr/x", "/abs/x" },
        { "scenes/fr", "scenes/" },
        { "scenes/x-y/a", "scenes/x-y/a" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(KaString(c.expected), KaBaseFile::pathWithFlagToPathWithoutFlag(c.path));
    }
    theCore->fileFlagSystemSetPossibleFlags("language", savedPossible);
}

TEST(KaFileHashTest, FileNameHash)
{
    struct Case {
        const char* text;
        unsigned int hash;
    };
    const Case cases[] = { { "", 0 }, { "a", 97 }, { "ab", 81 }, { "abc", 2 }, { "\xE9", 100 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.hash, KaBaseFile::CalcHash(c.text));
    }
}

TEST_F(KaFileTest, HashTableFilesEveryFileOnceWithoutEnteringLinks)
{
    write("tree/a");
    write("tree/sub/b");
    write("tree/sub/deeper/c");
    ASSERT_EQ(0, symlink("..", mRoot.file("tree/sub/loop").c_str()));
    for (KaArray<KaPath>& bucket : KaBaseFile::mFilesHashTable)
        bucket.clear();

    EXPECT_FALSE(KaBaseFile::readDirs("nowhere"));
    ASSERT_TRUE(KaBaseFile::readDirs("tree"));
    unsigned long total = 0;
    for (const KaArray<KaPath>& bucket : KaBaseFile::mFilesHashTable)
        total += bucket.size();
    EXPECT_EQ(4ul, total);
    EXPECT_TRUE(KaBaseFile::mFilesHashTable[KaBaseFile::CalcHash("a")].contains("tree/a"));
    EXPECT_TRUE(KaBaseFile::mFilesHashTable[KaBaseFile::CalcHash("c")].contains("tree/sub/deeper/c"));
    EXPECT_TRUE(KaBaseFile::mFilesHashTable[KaBaseFile::CalcHash("loop")].contains("tree/sub/loop"));

    for (KaArray<KaPath>& bucket : KaBaseFile::mFilesHashTable)
        bucket.clear();
}

TEST_F(KaFileTest, TranslatedContentFallsBackToTheLanguageThenEnglish)
{
    write("img/pic.png");
    write("img/fr/menu.png");
    write("img/en/menu.png");
    write("img/en/title.png");
    write("fr/bare.png");
    struct Case {
        const char* asked;
        const char* opened;
    };
    const Case cases[] = {
        { "img/pic.png", "img/pic.png" },
        { "img/menu.png", "img/fr/menu.png" },
        { "img/title.png", "img/en/title.png" },
        // Found nowhere: the English copy is named so the reader's error
        // says where the file was expected.
        { "img/none.png", "img/en/none.png" },
        // A bare name keeps its folder relative, never "/fr/...".
        { "bare.png", "fr/bare.png" },
    };
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        EXPECT_STREQ(c.opened, KaBaseFile::localizedPath(c.asked).c_str());
        // The file a reader opens is that name resolved, and it opens as it
        // stands.
        const KaPath real = KaBaseFile::localizedRealPath(c.asked);
        EXPECT_STREQ(KaBaseFile::getRealPath(c.opened, KaPath()).c_str(), real.c_str());
        KaFile file;
        KaCaptureStdout quiet;
        EXPECT_EQ(KaBaseFile::fileExist(c.opened), file.openRealPath(real));
    }

    // The variant folders pick the language themselves: the name is kept,
    // and the file to open is the variant.
    variants("fr");
    EXPECT_STREQ("img/menu.png", KaBaseFile::localizedPath("img/menu.png").c_str());
    EXPECT_TRUE(KaBaseFile::fileExist(KaBaseFile::localizedPath("img/menu.png")));
    const KaPath real = KaBaseFile::localizedRealPath("img/menu.png");
    EXPECT_STREQ(KaBaseFile::getRealPath("img/fr/menu.png", KaPath()).c_str(), real.c_str());
    KaFile file;
    EXPECT_TRUE(file.openRealPath(real));
}

} // namespace
