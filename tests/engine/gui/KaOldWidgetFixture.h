#ifndef KA_OLD_WIDGET_FIXTURE_H
#define KA_OLD_WIDGET_FIXTURE_H

#include <png.h>

#include <string>
#include <vector>

#include "engine/core/KaPath.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/engine/gui/KaGuiInputFixture.h"
#include "tests/support/KaTestSupport.h"

// The older widgets in a 160 x 120 main window drawn offscreen, with the
// input manager on a hand-moved clock. The widgets' space counts y up from
// the bottom edge, as OpenGL's window coordinates do, so a pixel read at
// (x, y) is the widget point (x, y); pointer events go in with raw y
// counted from the top (120 - y).
class KaOldWidgetTest : public KaGuiInputTest {
protected:
    static const int mWidth = 160;
    static const int mHeight = 120;

    void SetUp() override
    {
        KaGuiInputTest::SetUp();
        ASSERT_TRUE(mContext.isValid()) << "no offscreen GL context";
        ASSERT_TRUE(mContext.makeCurrent());
        renderer.destroy();
        {
            KaCaptureStdout quiet;
            renderer.get()->init();
        }
        mainWindow.get()->setSize(KaVector3f32(mWidth, mHeight, 0));
        mainWindow.get()->setVisible(true);
        ASSERT_TRUE(mainWindow.get()->create());
    }
    void TearDown() override
    {
        KaGuiInputTest::TearDown();
        renderer.destroy();
    }

    // A solid picture of that size and colour, written once per name.
    KaString picture(const std::string& name, unsigned int width, unsigned int height, unsigned char red,
        unsigned char green, unsigned char blue)
    {
        std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < rows.size(); i += 3) {
            rows[i] = red;
            rows[i + 1] = green;
            rows[i + 2] = blue;
        }
        const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
        mDir.write(name, KaWritePng(layout, rows));
        return KaString(mDir.file(name).c_str());
    }

    // One frame through the main window, the only place sprites are drawn.
    void drawFrame()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderer.get()->reset();
        mainWindow.get()->drawLayouts();
        renderer.get()->renderTransparentMeshes();
    }
    KaPixel shownAt(int x, int y)
    {
        drawFrame();
        return mContext.pixel(x, y);
    }

    // Pointer events at widget points.
    void pressAt(int x, int y) { press(x, mHeight - y); }
    void releaseAt(int x, int y) { release(x, mHeight - y); }
    void moveTo(int x, int y) { move(x, mHeight - y); }
    void clickAt(int x, int y)
    {
        pressAt(x, y);
        releaseAt(x, y);
    }

    KaGLTestContext mContext { mWidth, mHeight };
    KaTempDir mDir;
};

const KaPixel kaRed = { 255, 0, 0, 255 };
const KaPixel kaGreen = { 0, 255, 0, 255 };
const KaPixel kaBlue = { 0, 0, 255, 255 };
const KaPixel kaYellow = { 255, 255, 0, 255 };
const KaPixel kaNothing = { 0, 0, 0, 0 };

#endif
