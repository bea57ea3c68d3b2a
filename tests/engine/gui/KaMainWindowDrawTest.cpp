#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

// Fills its rectangle with one colour at its world matrix, and notes when it
// was drawn.
class SolidLayout : public KaLayout {
public:
    SolidLayout(std::string& log, char tag, unsigned char red)
        : mLog(log)
        , mTag(tag)
        , mRed(red)
    {
    }

    void draw() override
    {
        if (!visible() || !worldVisible())
            return;
        mLog += mTag;
        const KaMatrix4x4 world = worldTransformationMatrix();
        const float hw = xSize() / 2.0f;
        const float hh = ySize() / 2.0f;
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadMatrixf(world.m);
        glDisable(GL_DEPTH_TEST);
        glColor4ub(mRed, 255, 0, 255);
        glBegin(GL_QUADS);
        glVertex3f(-hw, -hh, 0.0f);
        glVertex3f(hw, -hh, 0.0f);
        glVertex3f(hw, hh, 0.0f);
        glVertex3f(-hw, hh, 0.0f);
        glEnd();
        glPopMatrix();
        KaLayout::draw();
    }

private:
    std::string& mLog;
    char mTag;
    unsigned char mRed;
};

struct Logger {
    std::string* log;
    char tag;
    bool onSignal()
    {
        *log += tag;
        return false;
    }
};

class KaMainWindowDrawTest : public KaGLRendererTest {
protected:
    KaMainWindowDrawTest()
        : KaGLRendererTest(128, 96)
    {
    }
    void TearDown() override
    {
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
};

TEST_F(KaMainWindowDrawTest, DrawsChildrenBetweenTheSignalsInPixelsYDown)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(128, 96, 0));
    window->setVisible(true);
    ASSERT_TRUE(window->create());

    std::string log;
    Logger before { &log, '<' }, after { &log, '>' };
    window->onBeforeDraw().add(&before, &Logger::onSignal);
    window->onAfterDraw().add(&after, &Logger::onSignal);

    // A 16 x 8 strip whose top edge is the window's top edge, centred.
    SolidLayout top(log, 't', 255);
    top.setSize(KaVector3f32(16, 8, 0));
    top.setPosition(KaVector3f32(0.5f, 0.0f, 0));
    top.setAnchor(KaVector3f32(0.5f, 0.0f, 0));
    SolidLayout hidden(log, 'h', 0);
    hidden.setVisible(false);
    window->addChild(&top);
    window->addChild(&hidden);

    window->drawLayouts();
    EXPECT_EQ(log, "<t>");
    // Rows counted up from the bottom: the strip covers the top 8 rows, less
    // the half pixel by which the window's own position shifts everything.
    EXPECT_EQ(pixel(64, 94), (KaPixel { 255, 255, 0, 255 }));
    EXPECT_EQ(pixel(64, 89), (KaPixel { 255, 255, 0, 255 }));
    EXPECT_EQ(pixel(64, 86), (KaPixel { 0, 0, 0, 0 }));
    EXPECT_EQ(pixel(40, 95), (KaPixel { 0, 0, 0, 0 }));

    // After a resize the same strip follows the new top edge.
    ASSERT_TRUE(context().resize(128, 64));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    window->setSize(KaVector3f32(128, 64, 0));
    window->drawLayouts();
    EXPECT_EQ(pixel(64, 62), (KaPixel { 255, 255, 0, 255 }));
    EXPECT_EQ(pixel(64, 57), (KaPixel { 255, 255, 0, 255 }));
    EXPECT_EQ(pixel(64, 54), (KaPixel { 0, 0, 0, 0 }));

    window->removeChild(&hidden);
    window->removeChild(&top);
}

}
