#ifndef MENU_TEST_FIXTURE_H
#define MENU_TEST_FIXTURE_H

#include <string>

#include "engine/core/KaBackup.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaGUI.h"
#include "tests/engine/sound/KaSoundTestDevice.h"
#include "tests/game/ApplicationTestFixture.h"

#ifdef KA_RESOURCES_DIR

// The sample game's menus as a player meets them: its own content, a save
// folder of the test's own, the null sound device and an offscreen window of
// 640 x 480, driven frame by frame on the fake clock and clicked through the
// input manager.
class MenuTest : public ApplicationTest {
protected:
    static constexpr int width = 640;
    static constexpr int height = 480;

    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        saves.write("Tidewater/options.xml",
            "<?xml version=\"1.0\" ?>\n<DebugResolution x=\"640\" y=\"480\" />\n<DebugFullScreen value=\"0\" />\n");
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
    }

    void start()
    {
        KaCaptureStdout console;
        application.get();
        mainWindow.get()->create();
        mainWindow.get()->setSize(KaVector3f32(width, height, 100));
        renderer.get()->init();
        application.get()->create();
        log += console.text();
    }
    // The splash sequence skipped, the main menu settled (its fade over,
    // past the half second in which buttons refuse clicks).
    void toMainMenu()
    {
        start();
        {
            KaCaptureStdout console;
            application.get()->splashScreens().onQuitSplash();
            log += console.text();
        }
        settle();
    }
    void frame()
    {
        KaCaptureStdout console;
        advance(17);
        application.get()->run();
        log += console.text();
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i)
            frame();
    }
    // A screen change's fade ends and the buttons take clicks again.
    void settle() { frames(40); }
    // A press and release at that fraction of the window (from the top left).
    void clickAt(float x, float y)
    {
        KaCaptureStdout console;
        KaInputMgr* input = inputMgr.get();
        input->setMouseRawPosition(pixel(x, y), 0);
        input->setMouseLeft(true, 0);
        input->setMouseLeft(false, 0);
        log += console.text();
    }
    // Clicks the button where the description places it (fractions from
    // the top left, as the player sees it), after checking that the button's
    // own hit test takes the pointer there.
    void click(KaLuaGUI& gui, const char* name, float x, float y)
    {
        KaButtonLayout* button = gui.buttonLayout(name);
        ASSERT_NE(nullptr, button) << name;
        inputMgr.get()->setMouseRawPosition(pixel(x, y), 0);
        ASSERT_TRUE(button->isMouseIn(inputMgr.get()->mousePosition(0))) << name << " is not at " << x << ", " << y;
        clickAt(x, y);
    }
    KaVector2s32 pixel(float x, float y) const
    {
        return KaVector2s32(static_cast<int>(x * width), static_cast<int>(y * height));
    }
    void writeSave(const char* name, const std::string& text) const
    {
        saves.write(std::string("Tidewater/") + name, text);
    }
    bool saveExists(const char* name) const { return access((saves.path() + "/Tidewater/" + name).c_str(), F_OK) == 0; }
    bool seen(const std::string& text) const { return log.find(text) != std::string::npos; }

    KaGLTestContext gl { width, height };
    std::string log;
    // Outlives the sounds it listens to.
    KaCallCounter stops;
};

#endif

#endif
