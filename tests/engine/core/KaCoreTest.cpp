#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaILoc.h"
#include "engine/core/KaTimer.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::string realFolder(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    std::string result = real ? real : "";
    std::free(real);
    return result;
}

std::string currentFolder()
{
    return realFolder(".");
}

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// Every core in these tests starts from a known language and is built
// quietly; the test's working folder and environment are put back afterwards.
class KaCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mSavedFolder = currentFolder();
        const char* language = std::getenv("LANGUAGE");
        mHadLanguage = language != nullptr;
        if (language)
            mSavedLanguage = language;
        setenv("LANGUAGE", "en", 1);
    }

    void TearDown() override
    {
        EXPECT_EQ(0, chdir(mSavedFolder.c_str()));
        if (mHadLanguage)
            setenv("LANGUAGE", mSavedLanguage.c_str(), 1);
        else
            unsetenv("LANGUAGE");
    }

    std::string mSavedFolder;
    std::string mSavedLanguage;
    bool mHadLanguage = false;
};

class KaQuietCore {
public:
    KaQuietCore()
    {
        KaCaptureStdout capture;
        mCore = new KaCore();
    }
    ~KaQuietCore() { delete mCore; }
    KaCore* operator->() { return mCore; }
    KaCore& operator*() { return *mCore; }

private:
    KaCore* mCore;
};

TEST_F(KaCoreTest, CreationTakesTheSystemLanguageAndStartsEverythingOff)
{
    setenv("LANGUAGE", "pt_BR.UTF-8:fr", 1);
    KaCaptureStdout capture;
    KaCore theCore;
    EXPECT_EQ("Switched tag \"language\" from \"\" to \"pt\"\n", capture.text());

    EXPECT_EQ(KaString("pt"), theCore.language());
    EXPECT_TRUE(theCore.fileFlagSystemFlagsContains("pt"));
    EXPECT_FALSE(theCore.flagsOn());
    EXPECT_FALSE(theCore.activityTracking());
    EXPECT_EQ(nullptr, theCore.loc());
    EXPECT_EQ(0u, theCore.osLoggedUserName().length());
    EXPECT_FALSE(theCore.fileFlagSystemPossibleFlagsContains("pt"));
}

TEST_F(KaCoreTest, TagSwitchesAreAnnouncedOnlyWhenTheValueChanges)
{
    KaQuietCore theCore;
    struct Step {
        const char* tag;
        const char* value;
        const char* printed;
    };
    const Step steps[] = {
        {"language", "fr", "Switched tag \"language\" from \"en\" to \"fr\"\n"},
        {"part", "Full", "Switched tag \"part\" from \"\" to \"Full\"\n"},
        {"part", "Full", ""},
        {"platform", "MacOSX", "Switched tag \"platform\" from \"\" to \"MacOSX\"\n"},
        {"part", "Demo", "Switched tag \"part\" from \"Full\" to \"Demo\"\n"},
        {"language", "fr", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.tag) + "=" + step.value);
        KaCaptureStdout capture;
        theCore->fileFlagSystemSetFlag(step.tag, step.value);
        EXPECT_EQ(step.printed, capture.text());
        EXPECT_EQ(KaString(step.value), theCore->fileFlagSystemFlag(step.tag));
        EXPECT_TRUE(theCore->fileFlagSystemFlagsContains(step.value));
    }
    EXPECT_FALSE(theCore->fileFlagSystemFlagsContains("en"));
    EXPECT_FALSE(theCore->fileFlagSystemFlagsContains("Full"));
    EXPECT_EQ(KaString("fr"), theCore->language());
}

TEST_F(KaCoreTest, ReadingAnUnsetTagCreatesItEmpty)
{
    KaQuietCore theCore;
    {
        KaCaptureStdout capture;
        EXPECT_EQ(0u, theCore->fileFlagSystemFlag("distributor").length());
        EXPECT_EQ("", capture.text());
    }
    // An empty value is not taken by anyone just by being read.
    EXPECT_FALSE(theCore->fileFlagSystemFlagsContains(""));

    KaCaptureStdout capture;
    theCore->fileFlagSystemSetFlag("distributor", "Steam");
    EXPECT_EQ("Switched tag \"distributor\" from \"\" to \"Steam\"\n", capture.text());
}

TEST_F(KaCoreTest, ASharedValueBelongsToTheTagThatTookItLast)
{
    KaQuietCore theCore;
    KaCaptureStdout capture;
    theCore->fileFlagSystemSetFlag("a", "x");
    theCore->fileFlagSystemSetFlag("b", "x");
    EXPECT_TRUE(theCore->fileFlagSystemFlagsContains("x"));

    // The first holder moving away leaves the value with the last writer.
    theCore->fileFlagSystemSetFlag("a", "y");
    EXPECT_TRUE(theCore->fileFlagSystemFlagsContains("x"));
    EXPECT_TRUE(theCore->fileFlagSystemFlagsContains("y"));

    // Both hold "x" again; the last writer moving away takes it along, even
    // though the other tag still holds it.
    theCore->fileFlagSystemSetFlag("a", "x");
    theCore->fileFlagSystemSetFlag("b", "x");
    theCore->fileFlagSystemSetFlag("b", "z");
    EXPECT_EQ(KaString("x"), theCore->fileFlagSystemFlag("a"));
    EXPECT_FALSE(theCore->fileFlagSystemFlagsContains("x"));

    // Setting a tag to the value it holds claims the value back, silently.
    KaCaptureStdout again;
    theCore->fileFlagSystemSetFlag("a", "x");
    EXPECT_EQ("", again.text());
    EXPECT_TRUE(theCore->fileFlagSystemFlagsContains("x"));
}

TEST_F(KaCoreTest, PossibleValuesAreKeptPerTagAndReplacedWhole)
{
    KaQuietCore theCore;
    EXPECT_FALSE(theCore->fileFlagSystemPossibleFlagsContains("fr"));
    EXPECT_TRUE(theCore->fileFlagSystemPossibleFlags("language").isEmpty());
    EXPECT_FALSE(theCore->fileFlagSystemPossibleFlagsContains(""));

    KaArray<KaString> languages;
    languages.pushBack("en");
    languages.pushBack("fr");
    theCore->fileFlagSystemSetPossibleFlags("language", languages);
    KaArray<KaString> parts;
    parts.pushBack("Full");
    theCore->fileFlagSystemSetPossibleFlags("part", parts);

    // The core's list does not follow later changes of the caller's array.
    languages.pushBack("de");
    EXPECT_TRUE(theCore->fileFlagSystemPossibleFlagsContains("fr"));
    EXPECT_TRUE(theCore->fileFlagSystemPossibleFlagsContains("Full"));
    EXPECT_FALSE(theCore->fileFlagSystemPossibleFlagsContains("de"));

    KaArray<KaString> replacement;
    replacement.pushBack("it");
    theCore->fileFlagSystemSetPossibleFlags("language", replacement);
    EXPECT_FALSE(theCore->fileFlagSystemPossibleFlagsContains("fr"));
    EXPECT_TRUE(theCore->fileFlagSystemPossibleFlagsContains("it"));
    KaArray<KaString> stored = theCore->fileFlagSystemPossibleFlags("language");
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ(KaString("it"), stored[0]);
    // Possible values are not active values.
    EXPECT_FALSE(theCore->fileFlagSystemFlagsContains("it"));
}

TEST_F(KaCoreTest, ASecondLocalisationSourceReplacesTheFirstWithAWarning)
{
    KaQuietCore theCore;
    KaILoc first;
    KaILoc second;
    {
        KaCaptureStdout capture;
        theCore->addLoc(first);
        EXPECT_EQ("", capture.text());
    }
    EXPECT_EQ(&first, theCore->loc());
    KaCaptureStdout capture;
    theCore->addLoc(second);
    EXPECT_EQ("KaCore::addLoc: There is already a loc\n", capture.text());
    EXPECT_EQ(&second, theCore->loc());
}

TEST_F(KaCoreTest, FullPathIsThePathNormalised)
{
    const char* cases[][2] = {
        {"a//b\\c", "a/b/c"},
        {"/abs///x/", "/abs/x/"},
        {"plain.png", "plain.png"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(KaString(c[1]), KaGetFullPath(c[0]));
    }
}

// --- Locating the resources -------------------------------------------------

std::string gLocatedExecutable;

KaPath locateForTest()
{
    return KaPath(gLocatedExecutable.c_str());
}

// An installed program: the executable inside the bundle, its resources
// beside its folder, and a link to it in another folder, as a launcher or a
// package manager puts it.
class KaCoreArgsTest : public KaCoreTest {
protected:
    void SetUp() override
    {
        KaCoreTest::SetUp();
        mTree.write("Game.app/Contents/MacOS/game", "#!");
        mTree.write("Game.app/Contents/Resources/marker", "");
        ASSERT_EQ(0, mkdir(mTree.file("bin").c_str(), 0777));
        ASSERT_EQ(0, symlink("../Game.app/Contents/MacOS/game", mTree.file("bin/game").c_str()));
        mResources = realFolder(mTree.file("Game.app/Contents/Resources"));
        mExecutable = realFolder(mTree.file("Game.app/Contents/MacOS/game"));
        ASSERT_FALSE(mResources.empty());
    }

    KaTempDir mTree;
    std::string mResources;
    std::string mExecutable;
};

TEST_F(KaCoreArgsTest, TheResourcesAreFoundBesideTheRealExecutable)
{
    struct Case {
        const char* name;
        std::string located; // what the locating function answers
        std::string argument; // argv[0]
        std::string startIn;
    };
    const Case cases[] = {
        {"located link", mTree.file("bin/game"), "game", mTree.path()},
        {"located file", mTree.file("Game.app/Contents/MacOS/game"), "ignored", mTree.path()},
        {"located relative link", "bin/game", "ignored", mTree.path()},
        {"nothing located, link in argv", "", mTree.file("bin/game"), "/"},
        {"nothing located, relative argv", "", "../bin/game", mTree.file("Game.app")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, chdir(c.startIn.c_str()));
        KaQuietCore theCore;
        gLocatedExecutable = c.located;
        std::string argument = c.argument;
        char* values[] = {&argument[0], nullptr};

        KaCaptureStdout capture;
        theCore->args(1, values, &locateForTest);
        EXPECT_EQ("", capture.text());
        EXPECT_EQ(mResources, currentFolder());
        EXPECT_EQ(KaString(mExecutable.c_str()), theCore->executablePath());
        EXPECT_TRUE(exists("marker"));
    }
}

TEST_F(KaCoreArgsTest, ABareNameThatCannotBeResolvedIsTakenFromTheCurrentFolder)
{
    // Started through PATH with no way to find the file: the name is taken as
    // relative to the current folder, never as a folder at the root.
    ASSERT_EQ(0, chdir(mTree.file("Game.app/Contents/MacOS").c_str()));
    KaQuietCore theCore;
    gLocatedExecutable = "";
    char name[] = "not-here";
    char* values[] = {name, nullptr};
    KaCaptureStdout capture;
    theCore->args(1, values, nullptr);
    EXPECT_EQ("", capture.text());
    EXPECT_EQ(mResources, currentFolder());
}

TEST_F(KaCoreArgsTest, AFailedChangeOfFolderIsReportedAndChangesNothing)
{
    mTree.write("Loose/MacOS/game", "#!");
    const std::string start = realFolder(mTree.path());
    ASSERT_EQ(0, chdir(start.c_str()));

    KaQuietCore theCore;
    gLocatedExecutable = mTree.file("Loose/MacOS/game");
    char name[] = "game";
    char* values[] = {name, nullptr};
    KaCaptureStdout capture;
    theCore->args(1, values, &locateForTest);
    const std::string expected = "[KaCore::args] Can't change the current directory to \"" + start +
                                 "/Loose/MacOS/../Resources/\" : No such file or directory\n";
    EXPECT_EQ(expected, capture.text());
    EXPECT_EQ(start, currentFolder());
}

TEST_F(KaCoreArgsTest, NothingToLocateIsReportedAndChangesNothing)
{
    const std::string start = realFolder(mTree.path());
    ASSERT_EQ(0, chdir(start.c_str()));
    KaQuietCore theCore;
    gLocatedExecutable = "";
    KaCaptureStdout capture;
    theCore->args(0, nullptr, &locateForTest);
    EXPECT_EQ("[KaCore::args] Can't locate the executable, the current directory stays \"" + start + "\"\n",
        capture.text());
    EXPECT_EQ(start, currentFolder());
}

TEST_F(KaCoreTest, TheRunningProgramIsFoundWhateverArgvSays)
{
    const std::string self = realFolder("/proc/self/exe");
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(KaString(self.c_str()), KaCore::systemExecutablePath());

    KaQuietCore theCore;
    char bogus[] = "/nowhere/at/all/game";
    char* values[] = {bogus, nullptr};
    KaCaptureStdout capture;
    theCore->args(1, values);
    capture.text();
    EXPECT_EQ(KaString(self.c_str()), theCore->executablePath());
}

// --- The activity document --------------------------------------------------

std::vector<std::string> fileRecords(const TiXmlDocument& document)
{
    std::vector<std::string> names;
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* files = root ? root->FirstChildElement("KaFileActivity") : nullptr;
    for (const TiXmlElement* file = files ? files->FirstChildElement("File") : nullptr; file;
         file = file->NextSiblingElement("File")) {
        const char* path = file->Attribute("path");
        names.push_back(path ? path : "");
    }
    return names;
}

void addRecord(TiXmlDocument& document, const char* path)
{
    TiXmlElement* root = document.RootElement();
    TiXmlElement* files = root->FirstChildElement("KaFileActivity");
    if (!files)
        files = root->LinkEndChild(new TiXmlElement("KaFileActivity"))->ToElement();
    TiXmlElement* file = new TiXmlElement("File");
    file->SetAttribute("path", path);
    files->LinkEndChild(file);
}

TEST_F(KaCoreTest, TheActivityDocumentStartsAsAnEmptyLog)
{
    KaQuietCore theCore;
    const TiXmlDocument& document = theCore->activityDocument();
    EXPECT_EQ(std::string(""), document.Value());
    const TiXmlNode* first = document.FirstChild();
    ASSERT_NE(nullptr, first);
    const TiXmlDeclaration* declaration = first->ToDeclaration();
    ASSERT_NE(nullptr, declaration);
    EXPECT_STREQ("1.0", declaration->Version());
    EXPECT_STREQ("", declaration->Encoding());
    EXPECT_STREQ("", declaration->Standalone());
    const TiXmlElement* root = document.RootElement();
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("Activities", root->Value());
    EXPECT_EQ(nullptr, root->FirstChild());
    EXPECT_EQ(first->NextSibling(), root);
    EXPECT_EQ(nullptr, root->NextSibling());

    // Without a file name nothing can be written, and nothing is lost.
    EXPECT_FALSE(theCore->saveActivityDocument());
    EXPECT_STREQ("Activities", theCore->activityDocument().RootElement()->Value());
}

TEST_F(KaCoreTest, AnExistingLogIsTakenUpAndAnythingElseIsWrittenOver)
{
    KaTempDir folder;
    const std::string validLog =
        "<?xml version=\"1.0\" ?>\n<Activities><KaFileActivity><File path=\"old1\" /><File path=\"old2\" />"
        "</KaFileActivity></Activities>\n";
    struct Case {
        const char* name;
        const char* content; // null: no file; "<dir>": a folder of that name
        std::vector<std::string> records;
        bool savable;
    };
    const Case cases[] = {
        {"no file", nullptr, {"mine"}, true},
        {"valid log", validLog.c_str(), {"old1", "old2"}, true},
        {"empty file", "", {"mine"}, true},
        {"not xml", "<<<\x01garbage", {"mine"}, true},
        {"truncated", "<?xml version=\"1.0\" ?><Activities><KaFileActivity><File path=\"x\"", {"mine"}, true},
        {"other root", "<Options volume=\"3\" />", {"mine"}, true},
        {"declaration only", "<?xml version=\"1.0\" ?>", {"mine"}, true},
        {"a folder", "<dir>", {"mine"}, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.file("log" + std::to_string(index++) + "/.xml");
        ASSERT_EQ(0, mkdir(folder.file("log" + std::to_string(index - 1)).c_str(), 0777));
        if (c.content && std::string(c.content) == "<dir>")
            ASSERT_EQ(0, mkdir(file.c_str(), 0777));
        else if (c.content)
            folder.write("log" + std::to_string(index - 1) + "/.xml", c.content);

        KaQuietCore theCore;
        addRecord(theCore->activityDocument(), "mine");
        KaCaptureStdout capture;
        theCore->loadActivityDocument(file.c_str());
        EXPECT_EQ("", capture.text());

        const TiXmlDocument& document = theCore->activityDocument();
        EXPECT_EQ(file, document.Value());
        EXPECT_FALSE(document.Error());
        ASSERT_NE(nullptr, document.RootElement());
        EXPECT_STREQ("Activities", document.RootElement()->Value());
        EXPECT_EQ(c.records, fileRecords(document));

        // Records keep coming in and the next save leaves a log that loads.
        addRecord(theCore->activityDocument(), "next");
        EXPECT_EQ(c.savable, theCore->saveActivityDocument());
        if (!c.savable)
            continue;
        TiXmlDocument saved;
        ASSERT_TRUE(saved.LoadFile(file.c_str())) << readWhole(file);
        std::vector<std::string> expected = c.records;
        expected.push_back("next");
        EXPECT_EQ(expected, fileRecords(saved));
    }
}

class KaManualClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    unsigned long long mNow = 1000000;
};

TEST_F(KaCoreTest, TheActivityAlarmSavesTheLogAndArmsTheNextSave)
{
    KaManualClock clock;
    KaTimer::setClock(&clock);
    KaTempDir folder;
    const std::string file = folder.file(".xml");
    {
        KaQuietCore theCore;
        // Setting the defaults again must not connect the saver twice.
        {
            KaCaptureStdout capture;
            theCore->create();
        }
        EXPECT_EQ(1u, theCore->activityTimer().onAlarm.size());

        theCore->loadActivityDocument(file.c_str());
        addRecord(theCore->activityDocument(), "opened");
        KaTimer& timer = theCore->activityTimer();
        timer.start();
        KaTimer::updateAll();
        timer.setAlarmIn(5000000);

        clock.mNow += 4999999;
        KaTimer::updateAll();
        EXPECT_FALSE(exists(file));

        clock.mNow += 1;
        KaTimer::updateAll();
        TiXmlDocument first;
        ASSERT_TRUE(first.LoadFile(file.c_str()));
        EXPECT_EQ((std::vector<std::string>{"opened"}), fileRecords(first));
        EXPECT_TRUE(timer.isAlarmSet());
        EXPECT_EQ(10000000ull, timer.alarmTime());

        addRecord(theCore->activityDocument(), "later");
        clock.mNow += 5000000;
        KaTimer::updateAll();
        TiXmlDocument saved;
        ASSERT_TRUE(saved.LoadFile(file.c_str()));
        EXPECT_EQ((std::vector<std::string>{"opened", "later"}), fileRecords(saved));
        timer.stop();
    }
    KaTimer::setClock(nullptr);
}

} // namespace
