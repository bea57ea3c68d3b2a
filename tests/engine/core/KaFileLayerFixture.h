#ifndef KA_FILE_LAYER_FIXTURE_H
#define KA_FILE_LAYER_FIXTURE_H

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/KaCore.h"
#include "tests/support/KaTestSupport.h"

// A fresh resource tree as the current folder and a fresh user data folder
// (XDG_DATA_HOME) for the save folder. Everything a test may change in the
// process is put back afterwards: the working folder, HOME and
// XDG_DATA_HOME, and the core's flags-on switch, application name, save
// folder template and the tags "language" and "definition".
class KaFileLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char* cwd = getcwd(nullptr, 0);
        ASSERT_NE(nullptr, cwd);
        mSavedFolder = cwd;
        std::free(cwd);
        saveVariable("HOME", mSavedHome, mHadHome);
        saveVariable("XDG_DATA_HOME", mSavedDataHome, mHadDataHome);
        setenv("XDG_DATA_HOME", mData.path().c_str(), 1);

        KaCaptureStdout quiet;
        KaCore* theCore = core.get();
        mSavedFlagsOn = theCore->flagsOn();
        mSavedApplicationName = theCore->applicationName();
        mSavedTemplate = theCore->backupPathTemplate();
        mSavedLanguage = theCore->language();
        mSavedDefinition = theCore->fileFlagSystemFlag("definition");
        theCore->setApplicationName("Game");
        theCore->setBackupPathTemplate("");
        theCore->setFlagsOn(false);
        theCore->fileFlagSystemSetFlag("definition", "SD");
        ASSERT_EQ(0, chdir(mRoot.path().c_str()));
    }

    void TearDown() override
    {
        EXPECT_EQ(0, chdir(mSavedFolder.c_str()));
        restoreVariable("HOME", mSavedHome, mHadHome);
        restoreVariable("XDG_DATA_HOME", mSavedDataHome, mHadDataHome);

        KaCaptureStdout quiet;
        KaCore* theCore = core.get();
        theCore->setFlagsOn(mSavedFlagsOn);
        theCore->setApplicationName(mSavedApplicationName);
        theCore->setBackupPathTemplate(mSavedTemplate);
        theCore->language(mSavedLanguage);
        theCore->fileFlagSystemSetFlag("definition", mSavedDefinition);
    }

    // Turns the variant folders on with these tag values.
    void variants(const char* language, const char* definition = "SD")
    {
        KaCaptureStdout quiet;
        core.get()->setFlagsOn(true);
        core.get()->language(language);
        core.get()->fileFlagSystemSetFlag("definition", definition);
    }

    void write(const std::string& relative, const std::string& bytes = "x") const { mRoot.write(relative, bytes); }

    void makeFolder(const std::string& relative) const { mRoot.write(relative + "/.keep", ""); }

    static bool exists(const std::string& path)
    {
        struct stat status;
        return lstat(path.c_str(), &status) == 0;
    }

    static std::string readWhole(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        return buffer.str();
    }

    // The save folder that an empty template and the name "Game" give.
    std::string saveFolder() const { return mData.path() + "/Game"; }

    KaTempDir mRoot;
    KaTempDir mData;

private:
    static void saveVariable(const char* name, std::string& value, bool& had)
    {
        const char* current = std::getenv(name);
        had = current != nullptr;
        value = current ? current : "";
    }

    static void restoreVariable(const char* name, const std::string& value, bool had)
    {
        if (had)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }

    std::string mSavedFolder;
    std::string mSavedHome;
    std::string mSavedDataHome;
    bool mHadHome = false;
    bool mHadDataHome = false;
    bool mSavedFlagsOn = false;
    KaString mSavedApplicationName;
    KaString mSavedTemplate;
    KaString mSavedLanguage;
    KaString mSavedDefinition;
};

#endif
