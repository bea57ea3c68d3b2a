#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/KaDirectory.h"
#include "engine/core/KaFileInfo.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::vector<std::string> listNames(KaDirectory& directory)
{
    std::vector<std::string> names;
    KaString name;
    while (directory.nativeRead(name))
        names.push_back(name.c_str());
    return names;
}

std::string realFolder(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    std::string result = real ? real : "";
    std::free(real);
    return result;
}

// Puts the test's working folder back whatever a test changed it to.
class KaWorkingDirGuard {
public:
    KaWorkingDirGuard() : mSaved(realFolder(".")) {}
    ~KaWorkingDirGuard() { EXPECT_EQ(0, chdir(mSaved.c_str())); }
    const std::string& saved() const { return mSaved; }

private:
    std::string mSaved;
};

TEST(KaDirectoryTest, ListingIsSortedByteWiseWhateverTheCreationOrder)
{
    KaTempDir tree;
    // Created in an order the file system has no reason to keep, with bytes
    // on both sides of the case and punctuation boundaries and one above 0x7f.
    std::vector<std::string> created = {"b.png", "sub", "a.png", "Z", "_x", ".hidden", "a.png.bak", "\xc3\xa9t\xc3\xa9",
        "a", "B", "10", "9", "a-fr", "a_en"};
    for (int i = 0; i < 40; ++i)
        created.push_back("n" + std::to_string((i * 17) % 40));
    for (const std::string& name : created) {
        if (name == "sub")
            ASSERT_EQ(0, mkdir(tree.file(name).c_str(), 0777));
        else
            tree.write(name, "x");
    }

    KaDirectory directory;
    ASSERT_TRUE(directory.nativeOpen(tree.path().c_str()));
    std::vector<std::string> listed = listNames(directory);

    std::vector<std::string> expected = created;
    expected.push_back(".");
    expected.push_back("..");
    // std::string compares as unsigned bytes, the order the listing promises.
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(".", listed.front());
    EXPECT_EQ("..", listed[1]);
    EXPECT_EQ("\xc3\xa9t\xc3\xa9", listed.back());
}

TEST(KaDirectoryTest, ReadGivesEntryPathsUnderTheListedFolder)
{
    KaTempDir tree;
    tree.write("b.png", "b");
    tree.write("a.png", "a");

    KaDirectory directory;
    // Separators are normalised: a doubled one does not reach the entries.
    ASSERT_TRUE(directory.nativeOpen((tree.path() + "//").c_str()));
    std::vector<std::string> paths;
    KaDirectory::KaFileInfo info;
    while (directory.read(info)) {
        EXPECT_TRUE(info.isStale());
        paths.push_back(info.path().c_str());
    }
    std::vector<std::string> expected = {tree.path() + "/.", tree.path() + "/..", tree.path() + "/a.png",
        tree.path() + "/b.png"};
    EXPECT_EQ(expected, paths);
}

TEST(KaDirectoryTest, ReopeningStartsOverAndAFailedOpenClosesTheListing)
{
    KaTempDir tree;
    tree.write("only", "x");

    KaDirectory directory;
    ASSERT_TRUE(directory.nativeOpen(tree.path().c_str()));
    KaString name;
    ASSERT_TRUE(directory.nativeRead(name));
    EXPECT_EQ(KaString("."), name);

    ASSERT_TRUE(directory.nativeOpen(tree.path().c_str()));
    EXPECT_EQ((std::vector<std::string>{".", "..", "only"}), listNames(directory));

    ASSERT_TRUE(directory.nativeOpen(tree.path().c_str()));
    KaCaptureStdout capture;
    EXPECT_FALSE(directory.nativeOpen(tree.file("missing").c_str()));
    EXPECT_FALSE(directory.isOpen());
    EXPECT_FALSE(directory.nativeRead(name));
    KaDirectory::KaFileInfo info;
    EXPECT_FALSE(directory.read(info));
    EXPECT_EQ("", capture.text());
}

TEST(KaDirectoryTest, WhatCannotBeListedFailsSilently)
{
    KaTempDir tree;
    tree.write("file", "x");
    const std::string cases[] = {tree.file("missing"), tree.file("file"), tree.file("file/below"), ""};
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        KaCaptureStdout capture;
        KaDirectory directory;
        EXPECT_FALSE(directory.nativeOpen(path.c_str()));
        KaString name;
        EXPECT_FALSE(directory.nativeRead(name));
        EXPECT_EQ("", capture.text());
    }
    KaDirectory neverOpened;
    KaString name;
    EXPECT_FALSE(neverOpened.nativeRead(name));
}

TEST(KaDirectoryTest, FlagsFollowTheEntryOnDisk)
{
    KaTempDir tree;
    tree.write("plain", "x");
    tree.write(".hidden", "x");
    ASSERT_EQ(0, mkdir(tree.file("folder").c_str(), 0777));
    ASSERT_EQ(0, mkdir(tree.file(".config").c_str(), 0777));
    ASSERT_EQ(0, symlink(tree.file("folder").c_str(), tree.file("link").c_str()));

    struct Case {
        std::string path;
        unsigned int flags;
    };
    const Case cases[] = {
        {tree.file("plain"), 0},
        {tree.file(".hidden"), KaFileInfo::FlagHidden},
        {tree.file("folder"), KaFileInfo::FlagFolder},
        {tree.file(".config"), KaFileInfo::FlagFolder | KaFileInfo::FlagHidden},
        // The link is examined, not the folder it leads to.
        {tree.file("link"), 0},
        {tree.path(), KaFileInfo::FlagFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        KaFileInfo info;
        info.setPath(c.path.c_str());
        EXPECT_TRUE(info.isStale());
        EXPECT_EQ(c.flags, info.flags());
        EXPECT_EQ(c.flags, info.storedFlags());
        EXPECT_FALSE(info.isStale());
    }
}

TEST(KaDirectoryTest, FlagsOfAMissingEntryAreZeroAndKeepTheStoredValue)
{
    KaTempDir tree;
    ASSERT_EQ(0, mkdir(tree.file("folder").c_str(), 0777));

    KaFileInfo info;
    info.setPath(tree.file("folder").c_str());
    ASSERT_EQ(unsigned(KaFileInfo::FlagFolder), info.flags());

    info.setPath(tree.file("gone").c_str());
    EXPECT_EQ(0u, info.flags());
    EXPECT_EQ(unsigned(KaFileInfo::FlagFolder), info.storedFlags());
    EXPECT_TRUE(info.isStale());
    EXPECT_EQ(KaString("gone"), info.name());
}

// Permission bits bind only an unprivileged user: the check runs in a child
// process that gives up root when it has it.
TEST(KaDirectoryTest, AFileTheUserCannotWriteIsReadOnly)
{
    KaTempDir tree;
    tree.write(".locked", "x");
    tree.write("locked", "x");
    ASSERT_EQ(0, chmod(tree.file(".locked").c_str(), 0444));
    ASSERT_EQ(0, chmod(tree.file("locked").c_str(), 0444));
    ASSERT_EQ(0, chmod(tree.path().c_str(), 0755));

    pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        KaFileInfo hidden;
        hidden.setPath(tree.file(".locked").c_str());
        KaFileInfo plain;
        plain.setPath(tree.file("locked").c_str());
        _exit(static_cast<int>(hidden.flags() * 10 + plain.flags()));
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(100, WEXITSTATUS(status)) << "could not drop privileges";
    EXPECT_EQ(3 * 10 + 1, WEXITSTATUS(status));
}

TEST(KaDirectoryTest, CurrentDirFollowsSuccessfulChangesOnly)
{
    KaWorkingDirGuard guard;
    KaTempDir tree;
    ASSERT_EQ(0, mkdir(tree.file("inner").c_str(), 0777));
    tree.write("file", "x");
    const std::string real = realFolder(tree.path());

    EXPECT_EQ(KaString(guard.saved().c_str()), KaDirectory::getCurrentDir());

    EXPECT_TRUE(KaDirectory::setCurrentDir(tree.file("inner").c_str()));
    EXPECT_EQ(KaString((real + "/inner").c_str()), KaDirectory::getCurrentDir());
    // Relative paths are taken from the current folder.
    EXPECT_TRUE(KaDirectory::setCurrentDir(".."));
    EXPECT_EQ(KaString(real.c_str()), KaDirectory::getCurrentDir());

    const std::string failing[] = {tree.file("missing"), tree.file("file"), ""};
    for (const std::string& path : failing) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(KaDirectory::setCurrentDir(path.c_str()));
        EXPECT_EQ(KaString(real.c_str()), KaDirectory::getCurrentDir());
    }

    KaDirectory::staticDestroy();
    EXPECT_EQ(0u, KaDirectory::mCurrentDirName.length());
}

} // namespace
