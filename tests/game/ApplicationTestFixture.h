#ifndef APPLICATION_TEST_FIXTURE_H
#define APPLICATION_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "engine/core/KaCore.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/input/KaScreen.h"
#include "engine/sound/KaSoundManager.h"
#include "game/application/Application.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/support/KaTestSupport.h"

inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The application against a content folder and a save folder of its own,
// with the null sound device; no window unless a test makes a GL context.
class ApplicationTest : public ::testing::Test, public KaIClock {
protected:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("XDG_DATA_HOME", saves.path().c_str(), 1);
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        content.write("texts/Part.lua", "applicationTitle = \"UnitGame\"\nversionString = \"1.0\"\n");
        ASSERT_EQ(chdir(content.path().c_str()), 0);
        KaTimer::setClock(this);
        inputMgr.get()->setClock(this);
    }
    void TearDown() override
    {
        application.destroy();
        KaObject::deleteNow();
        mainWindow.destroy();
        inputMgr.destroy();
        defaultScreen.destroy();
        soundManager.destroy();
        renderer.destroy();
        core.destroy();
        KaTimer::setClock(nullptr);
        EXPECT_EQ(chdir(previousFolder), 0);
    }

    unsigned long long microseconds() override { return now; }
    void advance(unsigned long long milliseconds) { now += milliseconds * 1000; }

    std::string optionsPath(const char* title = "UnitGame") const
    {
        return saves.path() + "/" + title + "/options.xml";
    }
    void writeOptions(const std::string& text) const { saves.write("UnitGame/options.xml", text); }

    KaTempDir content;
    KaTempDir saves;
    char previousFolder[4096];
    unsigned long long now = 1000000;
};

// With a GL context: creation, frames and the splash sequence.
class ApplicationFrameTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        writeOptions("<?xml version=\"1.0\" ?>\n<DebugResolution x=\"320\" y=\"240\" />\n"
                     "<DebugFullScreen value=\"0\" />\n");
        content.write("menus/splashes/splash0.lua", splash);
        content.write("menus/splashes/splash1.lua", splash);
    }
    void start()
    {
        KaCaptureStdout console;
        application.get();
        mainWindow.get()->create();
        renderer.get()->init();
        application.get()->create();
        log += console.text();
    }
    // One frame as the host runs it: the clock moves 1/60 s first.
    void frame()
    {
        KaCaptureStdout console;
        advance(17);
        application.get()->run();
        log += console.text();
    }

    KaGLTestContext gl { 320, 240 };
    std::string log;
    const char* splash = "KaButtonLayout{ name = \"splash\", sizeType = Percent, size = {1, 1, 1} }\n";
};

#endif
