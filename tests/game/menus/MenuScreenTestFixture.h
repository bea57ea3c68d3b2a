#ifndef MENU_SCREEN_TEST_FIXTURE_H
#define MENU_SCREEN_TEST_FIXTURE_H

#include <string>

#include "engine/gui/KaButtonLayout.h"
#include "engine/maths/KaMatrix4x4.h"
#include "tests/game/ApplicationTestFixture.h"

// The application started on a 320 x 240 context with empty splashes, for
// the menu screens' tests: clicks and drags go through the input manager at
// the pixel where a layout stands, and screen changes are waited out.
class MenuScreenTest : public ApplicationFrameTest {
protected:
    // Options written before the application reads them; the artworks are
    // those "options.xml" lists as unlocked.
    void startWithArtworks(const std::string& artworks, const std::string& saveFolder = "UnitGame")
    {
        saves.write(saveFolder + "/options.xml",
            "<?xml version=\"1.0\" ?>\n<DebugResolution x=\"320\" y=\"240\" />\n"
            "<DebugFullScreen value=\"0\" />\n<ArtworksUnlocked>\n"
                + artworks + "</ArtworksUnlocked>\n");
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        start();
        // Straight past the splashes.
        {
            KaCaptureStdout console;
            app()->splashScreens().onQuitSplash();
            log += console.text();
        }
        settle();
    }

    Application* app() { return application.get(); }

    // Frames until no fade runs and buttons take a validation again.
    void settle()
    {
        for (int i = 0; i < 40 || (app()->isFading() && i < 200); ++i)
            frame();
    }

    // The pointer position of a layout's centre, as the input manager
    // reports it and the layouts' hit tests take it.
    KaVector2s32 pixelOf(KaLayout* layout)
    {
        const KaVector3f32 centre = layout->worldTransformationMatrix() * KaVector3f32(0, 0, 0);
        const KaVector3f32 anchor = mainWindow.get()->anchor();
        const float w = mainWindow.get()->xSize();
        const float h = mainWindow.get()->ySize();
        return KaVector2s32(static_cast<int>(centre.x + anchor.x * w), static_cast<int>(h - (centre.y + anchor.y * h)));
    }
    // The window's raw pointer counts y the other way.
    KaVector2s32 raw(const KaVector2s32& at)
    {
        return KaVector2s32(at.x, static_cast<int>(mainWindow.get()->ySize()) - at.y);
    }

    void press(const KaVector2s32& at)
    {
        KaCaptureStdout console;
        inputMgr.get()->setMouseRawPosition(raw(at), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        log += console.text();
    }
    void moveTo(const KaVector2s32& at)
    {
        KaCaptureStdout console;
        inputMgr.get()->setMouseRawPosition(raw(at), 0);
        log += console.text();
    }
    void release()
    {
        KaCaptureStdout console;
        inputMgr.get()->setMouseLeft(false, 0);
        log += console.text();
    }
    // A click on the layout's centre, which must be over it.
    void click(KaLayout* layout)
    {
        ASSERT_NE(layout, nullptr);
        const KaVector2s32 at = pixelOf(layout);
        ASSERT_TRUE(layout->isMouseIn(at))
            << layout->name().c_str() << " at " << at.x << "," << at.y << " size " << layout->xSize() << "x"
            << layout->ySize() << " visible " << layout->worldVisible();
        press(at);
        release();
    }
};

#endif
