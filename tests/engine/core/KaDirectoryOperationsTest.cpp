#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/containers/KaList.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaFileInfos.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaDirectoryOperationsTest : public KaFileLayerTest {
protected:
    // "relative name -> full path" of every element, in list order.
    static std::vector<std::string> describe(const KaList<KaFileInfos>& list)
    {
        std::vector<std::string> result;
        for (KaList<KaFileInfos>::KaIterator it = list.firstElement(); it != list.end(); ++it) {
            EXPECT_EQ(unsigned(KaFileInfos::TypeFile), (*it).type);
            result.push_back(std::string((*it).relativeName.c_str()) + " -> " + (*it).fullPath.c_str());
        }
        return result;
    }

    static std::vector<std::string> readMerged(KaDirectory& listing)
    {
        std::vector<std::string> names;
        KaString name;
        while (listing.read(name))
            names.push_back(name.c_str());
        return names;
    }

    // Runs the check in a child process that gives up root when it has it,
    // since permission bits bind only an unprivileged user. The child's
    // output goes to the test's standard output; its exit code comes back.
    int runUnprivileged(const std::function<int()>& check)
    {
        EXPECT_EQ(0, chmod(mRoot.path().c_str(), 0777));
        fflush(stdout);
        pid_t child = fork();
        if (child == 0) {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(100);
            int result = check();
            fflush(stdout);
            _exit(result);
        }
        int status = 0;
        EXPECT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_NE(100, WEXITSTATUS(status)) << "could not drop privileges";
        return WEXITSTATUS(status);
    }
};

TEST_F(KaDirectoryOperationsTest, FlatListOfTheFilesOfAFolder)
{
    write("pics/b.png");
    write("pics/a.png");
    write("pics/.hidden");
    write("pics/sub/c.png");

    KaList<KaFileInfos> list;
    KaCaptureStdout capture;
    KaDirectory::getFilesList("pics", list, false, "");
    EXPECT_EQ("[KaDirectory::getFilesList] File : .hidden Unrecognized attributs : 2\n", capture.text());
    EXPECT_EQ((std::vector<std::string> { "a.png -> pics/a.png", "b.png -> pics/b.png" }), describe(list));
}

TEST_F(KaDirectoryOperationsTest, RecursiveListKeepsEachSubfolderAtItsPlace)
{
    write("pics/a.png");
    write("pics/sub/d.png");
    write("pics/sub/c.png");
    write("pics/sub/deeper/e.png");
    write("pics/z.png");
    // A link to a folder is a file of the list, never walked into.
    ASSERT_EQ(0, symlink(".", mRoot.file("pics/sub/loop").c_str()));

    struct Case {
        const char* prefix;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "",
            { "a.png -> pics/a.png", "sub/c.png -> pics/sub/c.png", "sub/d.png -> pics/sub/d.png",
                "sub/deeper/e.png -> pics/sub/deeper/e.png", "sub/loop -> pics/sub/loop", "z.png -> pics/z.png" } },
        { "p/",
            { "p/a.png -> pics/a.png", "p/sub/c.png -> pics/sub/c.png", "p/sub/d.png -> pics/sub/d.png",
                "p/sub/deeper/e.png -> pics/sub/deeper/e.png", "p/sub/loop -> pics/sub/loop",
                "p/z.png -> pics/z.png" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        KaList<KaFileInfos> list;
        KaDirectory::getFilesList("pics", list, true, c.prefix);
        EXPECT_EQ(c.expected, describe(list));
    }
}

TEST_F(KaDirectoryOperationsTest, AListedFolderIsResolvedLikeAnyContentPath)
{
    write("scenes/fr/anim/2.png");
    write("scenes/fr/anim/1.png");
    variants("fr");
    KaList<KaFileInfos> list;
    KaDirectory::getFilesList("scenes/anim", list, false, "");
    EXPECT_EQ((std::vector<std::string> { "1.png -> scenes/fr/anim/1.png", "2.png -> scenes/fr/anim/2.png" }),
        describe(list));
}

TEST_F(KaDirectoryOperationsTest, WhatCannotBeListedLeavesTheListAlone)
{
    write("file.txt");
    KaList<KaFileInfos> list;
    KaFileInfos kept;
    kept.type = KaFileInfos::TypeFile;
    kept.relativeName = "kept";
    list.pushBack(kept);
    for (const char* path : { "", "missing", "file.txt" }) {
        SCOPED_TRACE(path);
        KaCaptureStdout capture;
        KaDirectory::getFilesList(path, list, true, "");
        EXPECT_EQ("", capture.text());
        EXPECT_EQ(1u, list.size());
        KaDirectory listing;
        EXPECT_FALSE(listing.open(path));
        EXPECT_FALSE(KaDirectory::removeDir(path));
        EXPECT_EQ("", capture.text());
    }
}

TEST_F(KaDirectoryOperationsTest, AHiddenReadOnlyFileIsListed)
{
    write("pics/.locked");
    ASSERT_EQ(0, chmod(mRoot.file("pics/.locked").c_str(), 0444));
    ASSERT_EQ(0, chmod(mRoot.file("pics").c_str(), 0755));
    const int listed = runUnprivileged([] {
        KaList<KaFileInfos> list;
        KaDirectory::getFilesList("pics", list, false, "");
        return static_cast<int>(list.size());
    });
    EXPECT_EQ(1, listed);
}

TEST_F(KaDirectoryOperationsTest, MergedListingAddsActiveVariantFoldersAfterwards)
{
    write("list/x");
    write("list/y");
    write("list/fr-x"); // a file with a variant name is only a name
    write("list/fr/inner2");
    write("list/fr/inner1");
    write("list/de/z");
    ASSERT_EQ(0, symlink(".", mRoot.file("list/HD").c_str()));
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
        core.get()->fileFlagSystemSetFlag("definition", "HD");
    }
    // The merge does not depend on the flags-on switch.
    ASSERT_FALSE(core.get()->flagsOn());

    KaDirectory listing;
    ASSERT_TRUE(listing.open("list"));
    EXPECT_EQ((std::vector<std::string> { ".", "..", "HD", "de", "fr-x", "x", "y", ".", "..", "inner1", "inner2" }),
        readMerged(listing));

    // Reopening forgets what the previous listing had queued.
    write("other/o");
    ASSERT_TRUE(listing.open("list"));
    KaString name;
    while (listing.read(name) && name != "y") { }
    ASSERT_TRUE(listing.open("other"));
    EXPECT_EQ((std::vector<std::string> { ".", "..", "o" }), readMerged(listing));
}

TEST_F(KaDirectoryOperationsTest, NestedVariantFoldersAreMergedInTurn)
{
    write("list/a");
    write("list/fr/b");
    write("list/fr/HD/c");
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
        core.get()->fileFlagSystemSetFlag("definition", "HD");
    }
    KaDirectory listing;
    ASSERT_TRUE(listing.open("list"));
    EXPECT_EQ((std::vector<std::string> { ".", "..", "a", ".", "..", "b", ".", "..", "c" }), readMerged(listing));
}

TEST_F(KaDirectoryOperationsTest, RemoveDirRemovesTheWholeTreeButNotWhatLinksPointTo)
{
    write("outside/keep.txt");
    write("victim/a.txt");
    write("victim/sub/b.txt");
    write("victim/sub/deeper/c.txt");
    write("victim/.hidden");
    ASSERT_EQ(0, symlink(mRoot.file("outside").c_str(), mRoot.file("victim/sub/link").c_str()));

    KaCaptureStdout capture;
    EXPECT_TRUE(KaDirectory::removeDir("victim"));
    EXPECT_EQ("", capture.text());
    EXPECT_FALSE(exists(mRoot.file("victim")));
    EXPECT_TRUE(exists(mRoot.file("outside/keep.txt")));
}

TEST_F(KaDirectoryOperationsTest, RemoveDirStopsAtTheFirstFailure)
{
    write("victim/a.txt");
    write("victim/locked/b.txt");
    write("victim/z.txt");
    write("parent/inner/c.txt");
    ASSERT_EQ(0, chmod(mRoot.file("victim").c_str(), 0777));
    ASSERT_EQ(0, chmod(mRoot.file("victim/locked").c_str(), 0555));
    ASSERT_EQ(0, chmod(mRoot.file("parent/inner").c_str(), 0777));
    ASSERT_EQ(0, chmod(mRoot.file("parent").c_str(), 0555));

    KaCaptureStdout capture;
    const int results = runUnprivileged(
        [] { return (KaDirectory::removeDir("victim") ? 1 : 0) + (KaDirectory::removeDir("parent/inner") ? 2 : 0); });
    EXPECT_EQ(0, results);
    EXPECT_EQ("KaBaseFile::deleteFile: Deletion of file : victim/locked/b.txt failed.\n"
              "[KaDirectory::RemoveDir] Deletation of folder : parent/inner failed.\n",
        capture.text());
    EXPECT_FALSE(exists(mRoot.file("victim/a.txt")));
    EXPECT_TRUE(exists(mRoot.file("victim/locked/b.txt")));
    EXPECT_TRUE(exists(mRoot.file("victim/z.txt"))) << "entries after the failure are not reached";
    EXPECT_FALSE(exists(mRoot.file("parent/inner/c.txt")));
    EXPECT_TRUE(exists(mRoot.file("parent/inner")));

    chmod(mRoot.file("victim/locked").c_str(), 0755);
    chmod(mRoot.file("parent").c_str(), 0755);
}

TEST_F(KaDirectoryOperationsTest, FolderCreation)
{
    write("plain");
    struct Step {
        const char* path;
        bool recursive;
        bool result;
    };
    const Step steps[] = {
        { "one", false, true },
        { "one", false, false },
        { "missing/child", false, false },
        { "plain/child", false, false },
        { "a/b/c", true, true },
        { "a/b/c", true, false },
        { "a/b/c/", true, false },
        { "a//b/d/", true, true },
        { "", true, false },
        { "plain/x/y", true, false },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.path);
        bool result = step.recursive ? KaDirectory::createDirRecursively(step.path) : KaDirectory::createDir(step.path);
        EXPECT_EQ(step.result, result);
    }
    EXPECT_TRUE(exists(mRoot.file("a/b/c")));
    EXPECT_TRUE(exists(mRoot.file("a/b/d")));

    const std::string absolute = mRoot.file("abs/deep/er");
    EXPECT_TRUE(KaDirectory::createDirRecursively(absolute.c_str()));
    EXPECT_TRUE(exists(absolute));

    EXPECT_TRUE(KaDirectory::createDirRecursively("Backup/slots/x"));
    EXPECT_TRUE(exists(saveFolder() + "/slots/x"));
}

TEST_F(KaDirectoryOperationsTest, FoldersAreCreatedAndRemovedAtTheirOwnPath)
{
    write("scenes/fr/new/file");
    write("scenes/fr/old/file");
    variants("fr");

    EXPECT_TRUE(KaDirectory::createDir("scenes/new"));
    EXPECT_TRUE(exists(mRoot.file("scenes/new")));

    KaCaptureStdout quiet;
    EXPECT_FALSE(KaDirectory::removeDir("scenes/old"));
    EXPECT_TRUE(exists(mRoot.file("scenes/fr/old/file")));
}

} // namespace
