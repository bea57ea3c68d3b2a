#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <tinyxml.h>

#include "engine/core/KaBackup.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaBackupTest : public KaFileLayerTest {
protected:
    void TearDown() override
    {
        KaXMLFreeBuffer();
        KaFileLayerTest::TearDown();
    }

    static TiXmlDocument document(const char* root, const char* value)
    {
        TiXmlDocument result;
        TiXmlElement* element = new TiXmlElement(root);
        element->SetAttribute("value", value);
        result.LinkEndChild(element);
        return result;
    }

    KaBackup* backup() { return backupManager.get(); }
};

TEST_F(KaBackupTest, TheSaveFolderIsTheApplicationsFolderInTheDataFolder)
{
    EXPECT_EQ(saveFolder() + "/options.xml", std::string(KaGetBackupPath("options.xml").c_str()));
    EXPECT_TRUE(exists(saveFolder()));
    EXPECT_EQ(saveFolder() + "/sub/x.xml", std::string(KaGetBackupPath("sub//x.xml").c_str()));
}

TEST_F(KaBackupTest, WhereTheDataFolderComesFrom)
{
    KaTempDir home;
    struct Case {
        const char* dataHome; // null: unset
        const char* home; // null: unset
        std::string expected; // empty: no save folder
    };
    const Case cases[] = {
        { mData.path().c_str(), home.path().c_str(), mData.path() + "/Game/o.xml" },
        { "relative/data", home.path().c_str(), home.path() + "/.local/share/Game/o.xml" },
        { "", home.path().c_str(), home.path() + "/.local/share/Game/o.xml" },
        { nullptr, home.path().c_str(), home.path() + "/.local/share/Game/o.xml" },
        { nullptr, nullptr, "" },
        { nullptr, "relative/home", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dataHome ? c.dataHome : "(unset)") + " / " + (c.home ? c.home : "(unset)"));
        if (c.dataHome)
            setenv("XDG_DATA_HOME", c.dataHome, 1);
        else
            unsetenv("XDG_DATA_HOME");
        if (c.home)
            setenv("HOME", c.home, 1);
        else
            unsetenv("HOME");
        KaCaptureStdout capture;
        EXPECT_EQ(c.expected, std::string(KaGetBackupPath("o.xml").c_str()));
        if (c.expected.empty())
            EXPECT_EQ("KaGetBackupPath: Unable to find or create application support directory for path o.xml\n",
                capture.text());
        else
            EXPECT_EQ("", capture.text());
    }
    EXPECT_FALSE(exists(mRoot.file("relative"))) << "a relative data folder is never used";
}

TEST_F(KaBackupTest, ATemplateWithoutTheDataFolderTokenNeedsNoDataFolder)
{
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    core.get()->setBackupPathTemplate((mData.path() + "/$(APPNAME)/saves").c_str());
    KaCaptureStdout capture;
    EXPECT_EQ(mData.path() + "/Game/saves/0.xml", std::string(KaGetBackupPath("0.xml").c_str()));
    EXPECT_EQ("", capture.text());
    EXPECT_TRUE(exists(mData.path() + "/Game/saves"));
}

TEST_F(KaBackupTest, WithoutAnApplicationNameEveryOperationFails)
{
    core.get()->setApplicationName("");
    TiXmlDocument saved = document("Save", "1");
    TiXmlDocument loaded;
    KaCaptureStdout capture;
    EXPECT_EQ(KaString(""), KaGetBackupPath("x.xml"));
    EXPECT_FALSE(backup()->exist("x.xml"));
    EXPECT_FALSE(backup()->save("x.xml", saved));
    EXPECT_FALSE(backup()->load("x.xml", loaded));
    EXPECT_FALSE(backup()->del("x.xml"));
    const std::string printed = capture.text();

    const std::string noName = "KaGetBackupPath: no appName set\n";
    EXPECT_EQ(0u, printed.find(noName));
    // One for the path, and each operation resolves its path first.
    size_t count = 0;
    for (size_t at = printed.find(noName); at != std::string::npos; at = printed.find(noName, at + 1))
        ++count;
    EXPECT_EQ(5u, count);
    EXPECT_NE(std::string::npos, printed.find("[KaBackup::load] file : error : could not open file\n"));
    EXPECT_NE(std::string::npos, printed.find("KaBaseFile::deleteFile: Deletion of file :  failed.\n"));
    EXPECT_FALSE(exists(mRoot.file(".tmp"))) << "nothing is written into the resource folder";
}

TEST_F(KaBackupTest, SaveLoadExistAndDeleteAcrossTheMountPrefix)
{
    TiXmlDocument saved = document("Save", "42");
    ASSERT_TRUE(backup()->save("Backup/slot.xml", saved));
    EXPECT_TRUE(exists(saveFolder() + "/slot.xml"));

    const char* const names[] = { "slot.xml", "Backup/slot.xml", "Backup/Backup/slot.xml" };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(backup()->exist(name));
        TiXmlDocument loaded;
        KaCaptureStdout capture;
        ASSERT_TRUE(backup()->load(name, loaded));
        EXPECT_EQ("Loading " + saveFolder() + "/slot.xml\n", capture.text());
        EXPECT_STREQ("42", loaded.RootElement()->Attribute("value"));
    }

    EXPECT_TRUE(backup()->del("slot.xml"));
    EXPECT_FALSE(backup()->exist("Backup/slot.xml"));
    KaCaptureStdout capture;
    EXPECT_FALSE(backup()->del("Backup/slot.xml"));
    EXPECT_EQ("KaBaseFile::deleteFile: Deletion of file : " + saveFolder() + "/slot.xml failed.\n", capture.text());
}

TEST_F(KaBackupTest, LoadingAMissingOrBrokenSaveFails)
{
    mData.write("Game/broken.xml", "<Save>\n<a></b>\n</Save>");
    const std::string missing = saveFolder() + "/missing.xml";
    const std::string broken = saveFolder() + "/broken.xml";
    struct Case {
        const char* name;
        std::string printed;
    };
    const Case cases[] = {
        { "missing.xml",
            "Loading " + missing + "\nKaBaseFile::nativeOpen: Can't open \"" + missing
                + "\", No such file or directory\n[KaBackup::load] file :" + missing
                + " error : could not open file\n" },
        { "Backup/broken.xml",
            "Loading " + broken + "\n[KaBackup::load] file :" + broken
                + " error : Error reading end tag. ligne : 2 colonne : 4\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TiXmlDocument loaded;
        KaCaptureStdout capture;
        EXPECT_FALSE(backup()->load(c.name, loaded));
        EXPECT_EQ(c.printed, capture.text());
    }
}

TEST_F(KaBackupTest, AFailedWriteIsReported)
{
    // The save folder lies below a plain file: every write meets ENOTDIR.
    mData.write("blocker", "x");
    core.get()->setBackupPathTemplate((mData.path() + "/blocker/$(APPNAME)").c_str());
    TiXmlDocument saved = document("Save", "1");
    KaCaptureStdout capture;
    EXPECT_FALSE(backup()->save("save.xml", saved));
    EXPECT_EQ("[KaBackup::save] error can't write \"" + mData.path() + "/blocker/Game/save.xml\" : Not a directory\n",
        capture.text());
}

TEST_F(KaBackupTest, AFailedSaveLeavesThePreviousFileIntact)
{
    TiXmlDocument first = document("Save", "first");
    ASSERT_TRUE(backup()->save("save.xml", first));
    const std::string path = saveFolder() + "/save.xml";
    const std::string before = readWhole(path);

    // The new text cannot be written beside the old file (its temporary name
    // is taken by a folder that cannot be replaced).
    mData.write("Game/save.xml.tmp/keep", "x");
    TiXmlDocument second = document("Save", "second");
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(backup()->save("save.xml", second));
        EXPECT_EQ("[KaBackup::save] error can't write \"" + path + "\" : Is a directory\n", capture.text());
    }
    EXPECT_EQ(before, readWhole(path));

    // A document that did not parse is never written over a good save.
    TiXmlDocument broken;
    broken.Parse("<Save><a></Save>");
    ASSERT_TRUE(broken.Error());
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(backup()->save("save.xml", broken));
        EXPECT_EQ(std::string("[KaBackup::save] error ") + broken.ErrorDesc() + "\n", capture.text());
    }
    EXPECT_EQ(before, readWhole(path));
}

} // namespace

namespace {

TEST_F(KaBackupTest, ASaveItsOwnCheckRefusesIsNotWrittenOverThePreviousOne)
{
    TiXmlDocument first = document("Save", "first");
    ASSERT_TRUE(backup()->save("save.xml", first));
    const std::string path = saveFolder() + "/save.xml";
    const std::string before = readWhole(path);

    // The check sees the text exactly as the next load reads it.
    std::string seen;
    const KaXMLCheck refuse = [&seen](const KaString& text, KaString& reason) {
        seen.assign(text.c_str(), text.length());
        reason = "the scene is gone";
        return false;
    };
    TiXmlDocument second = document("Save", "second");
    {
        KaCaptureStdout capture;
        EXPECT_FALSE(backup()->save("save.xml", second, refuse));
        EXPECT_EQ("[KaBackup::save] error \"" + path + "\" would not load again: the scene is gone\n",
            capture.text());
    }
    EXPECT_NE(std::string::npos, seen.find("<Save value=\"second\" />")) << seen;
    EXPECT_EQ(before, readWhole(path));
    EXPECT_FALSE(exists(path + ".tmp"));

    const KaXMLCheck accept = [](const KaString&, KaString&) { return true; };
    EXPECT_TRUE(backup()->save("save.xml", second, accept));
    EXPECT_NE(before, readWhole(path));

    // The raw text comes back with the document.
    TiXmlDocument loaded;
    KaString text;
    KaCaptureStdout quiet;
    ASSERT_TRUE(backup()->load("save.xml", loaded, text));
    EXPECT_EQ(readWhole(path), std::string(text.c_str(), text.length()));
}

TEST_F(KaBackupTest, OneProcessAtATimeHoldsTheSaveFolder)
{
    int ready[2];
    int release[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(release));
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        const char taken = backupManager.get()->lock() ? 'y' : 'n';
        (void)!::write(ready[1], &taken, 1);
        char done = 0;
        (void)!::read(release[0], &done, 1);
        // Killed while holding it, as a crash would leave it.
        if (done == 'k')
            raise(SIGKILL);
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(1, ::read(ready[0], &taken, 1));
    EXPECT_EQ('y', taken);
    EXPECT_FALSE(backup()->lock()) << "another process holds the folder";

    const char kill = 'k';
    ASSERT_EQ(1, ::write(release[1], &kill, 1));
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status));
    // The lock went with the process that crashed.
    EXPECT_TRUE(backup()->lock());
    EXPECT_TRUE(backup()->lock()) << "taking it again is harmless";
    backup()->unlock();
    for (int fd : { ready[0], ready[1], release[0], release[1] })
        close(fd);
}

TEST_F(KaBackupTest, AFolderWhereNoLockCanBeMadeDoesNotStopTheGame)
{
    mData.write("blocker", "x");
    core.get()->setBackupPathTemplate((mData.path() + "/blocker/$(APPNAME)").c_str());
    KaCaptureStdout capture;
    EXPECT_TRUE(backup()->lock());
    EXPECT_NE(std::string::npos, capture.text().find("[KaBackup::lock] no lock in")) << capture.text();
    backup()->unlock();
}

} // namespace
