#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tinyxml.h>

#include "engine/core/KaCore.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaManualClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void advance(unsigned long long microseconds) { mNow += microseconds; }

private:
    unsigned long long mNow = 1000000;
};

// Tracking is off and the log empty and nameless before and after each test.
class KaActivityTest : public KaFileLayerTest {
protected:
    void SetUp() override
    {
        KaFileLayerTest::SetUp();
        KaTimer::setClock(&mClock);
        KaTimer::updateAll();
        forget();
    }

    void TearDown() override
    {
        forget();
        KaTimer::setClock(nullptr);
        KaFileLayerTest::TearDown();
    }

    void forget()
    {
        KaCore* theCore = core.get();
        theCore->enableActivityTracking(false);
        theCore->resetActivityDocument();
        theCore->activityDocument().SetValue("");
    }

    void frame(unsigned long long microseconds)
    {
        mClock.advance(microseconds);
        KaTimer::updateAll();
    }

    static void open(const char* path, KaFileSystem::OpenMode mode)
    {
        KaCaptureStdout quiet;
        KaFile file(path, mode);
    }

    // "relativePath realPath mode opened" of each record, attributes in order.
    static std::vector<std::string> records(const TiXmlDocument& document)
    {
        std::vector<std::string> result;
        const TiXmlElement* root = document.RootElement();
        if (!root || root->ValueStr() != "Activities")
            return { "no Activities root" };
        const TiXmlElement* files = root->FirstChildElement("KaFileActivity");
        if (!files)
            return result;
        EXPECT_EQ(nullptr, files->NextSiblingElement("KaFileActivity"));
        for (const TiXmlElement* record = files->FirstChildElement(); record; record = record->NextSiblingElement()) {
            EXPECT_STREQ("File", record->Value());
            std::string line;
            for (const TiXmlAttribute* a = record->FirstAttribute(); a; a = a->Next())
                line += std::string(line.empty() ? "" : " ") + a->Name() + "=" + a->Value();
            result.push_back(line);
        }
        return result;
    }

    static std::vector<std::string> recordsOnDisk(const std::string& path)
    {
        TiXmlDocument document;
        if (!document.LoadFile(path.c_str()))
            return { "unreadable" };
        return records(document);
    }

    KaManualClock mClock;
};

TEST_F(KaActivityTest, EveryNativeOpenAttemptIsRecordedInOrder)
{
    write("data/present.bin", "x");
    core.get()->setActivityTrackingFolder("logs");
    open("data/present.bin", KaFileSystem::Read);
    EXPECT_EQ(std::vector<std::string> {}, records(core.get()->activityDocument())) << "tracking is off";

    core.get()->enableActivityTracking(true);
    open("data/missing.bin", KaFileSystem::Read);
    open("nowhere/new.bin", KaFileSystem::Write);
    open("data/present.bin", KaFileSystem::Read);
    EXPECT_EQ((std::vector<std::string> {
                  "relativePath=data/missing.bin realPath=data/missing.bin mode=binary read opened=0",
                  "relativePath=nowhere/new.bin realPath=nowhere/new.bin mode=binary write opened=0",
                  "relativePath=data/present.bin realPath=data/present.bin mode=binary read opened=1",
              }),
        records(core.get()->activityDocument()));
}

TEST_F(KaActivityTest, ALogEmptiedBehindTheCoresBackGetsItsRootBack)
{
    core.get()->enableActivityTracking(true);
    core.get()->activityDocument().Clear();
    open("missing", KaFileSystem::Read);
    EXPECT_EQ(std::vector<std::string> { "relativePath=missing realPath=missing mode=binary read opened=0" },
        records(core.get()->activityDocument()));
}

TEST_F(KaActivityTest, AFolderWithoutALogGivesAnEmptyLogNamedAfterIt)
{
    core.get()->setActivityTrackingFolder("logs/deep");
    EXPECT_TRUE(exists(mRoot.file("logs/deep")));
    EXPECT_STREQ("logs/deep/.xml", core.get()->activityDocument().Value());
    EXPECT_EQ(KaPath("logs/deep"), core.get()->activityTrackingFolder());
    EXPECT_EQ(std::vector<std::string> {}, records(core.get()->activityDocument()));
    EXPECT_FALSE(exists(mRoot.file("logs/deep/.xml")));

    core.get()->enableActivityTracking(true);
    EXPECT_FALSE(exists(mRoot.file("logs/deep/.xml")));
    core.get()->enableActivityTracking(false);
    EXPECT_TRUE(core.get()->activityTimer().isPaused());
    EXPECT_EQ(std::vector<std::string> {}, recordsOnDisk(mRoot.file("logs/deep/.xml")));

    // Switching off what is already off writes nothing.
    ASSERT_EQ(0, unlink(mRoot.file("logs/deep/.xml").c_str()));
    core.get()->enableActivityTracking(false);
    EXPECT_FALSE(exists(mRoot.file("logs/deep/.xml")));
}

TEST_F(KaActivityTest, AnExistingLogIsContinuedAndAnythingElseReplaced)
{
    const std::string oldRecord = "relativePath=old realPath=old mode=binary read opened=1";
    const std::string newRecord = "relativePath=missing realPath=missing mode=binary read opened=0";
    struct Case {
        const char* name;
        const char* content;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        { "log",
            "<?xml version=\"1.0\" ?><Activities><KaFileActivity>"
            "<File relativePath=\"old\" realPath=\"old\" mode=\"binary read\" opened=\"1\" />"
            "</KaFileActivity></Activities>",
            { oldRecord, newRecord } },
        { "empty", "", { newRecord } },
        { "broken", "<Activities><KaFileActivity>", { newRecord } },
        { "other root", "<Options volume=\"1\"/>", { newRecord } },
        { "no records yet", "<Activities/>", { newRecord } },
        // Line ends as another system writes them read as newlines.
        { "carriage returns",
            "<?xml version=\"1.0\" ?>\r\n<Activities>\r<KaFileActivity>\r\n"
            "<File relativePath=\"old\" realPath=\"old\" mode=\"binary read\" opened=\"1\" />\r\n"
            "</KaFileActivity></Activities>\r\n",
            { oldRecord, newRecord } },
        // A text cut inside a UTF-8 sequence must not be read past its end.
        { "cut in a character", "<Activities><KaFileActivity>\xC3", { newRecord } },
        { "cut after the root", "<Activities/>\xF0", { newRecord } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        forget();
        const std::string folder = std::string("logs/") + c.name;
        write(folder + "/.xml", c.content);
        core.get()->setActivityTrackingFolder(folder.c_str());
        core.get()->enableActivityTracking(true);
        open("missing", KaFileSystem::Read);
        EXPECT_EQ(c.expected, records(core.get()->activityDocument()));
        core.get()->enableActivityTracking(false);
        EXPECT_EQ(c.expected, recordsOnDisk(mRoot.file(folder + "/.xml")));
    }
}

TEST_F(KaActivityTest, ALogThatCannotBeWrittenKeepsTheRecordsInMemory)
{
    // The log's name is taken by a folder.
    makeFolder("logs/.xml");
    core.get()->setActivityTrackingFolder("logs");
    core.get()->enableActivityTracking(true);
    open("missing", KaFileSystem::Read);
    core.get()->enableActivityTracking(false);
    EXPECT_EQ(1u, records(core.get()->activityDocument()).size());
    EXPECT_TRUE(exists(mRoot.file("logs/.xml/.keep")));
}

TEST_F(KaActivityTest, TheLogIsSavedEveryFiveSecondsOfFrameTime)
{
    core.get()->setActivityTrackingFolder("logs");
    const std::string log = mRoot.file("logs/.xml");
    core.get()->enableActivityTracking(true);
    frame(0);
    const std::vector<std::string> none;

    for (int second = 1; second <= 4; ++second)
        frame(1000000);
    EXPECT_FALSE(exists(log));
    frame(1000000);
    EXPECT_EQ(none, recordsOnDisk(log)) << "first save at 5 s";

    for (int second = 6; second <= 12; ++second)
        frame(1000000);
    open("at-12s", KaFileSystem::Read);
    frame(1000000);
    frame(1000000);
    frame(999999);
    EXPECT_EQ(none, recordsOnDisk(log));
    frame(1);
    const std::vector<std::string> saved = recordsOnDisk(log);
    ASSERT_EQ(1u, saved.size());
    EXPECT_EQ(0u, saved[0].find("relativePath=at-12s "));
}

} // namespace
