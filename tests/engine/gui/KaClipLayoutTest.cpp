#include <gtest/gtest.h>

#include <GL/gl.h>

#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaClipLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

struct Scissor {
    bool enabled;
    int x, y;
    unsigned int w, h;
};

Scissor currentScissor()
{
    KaRenderer* gl = renderer.get();
    return Scissor { gl->scissorEnabled(), gl->scissorX(), gl->scissorY(), gl->scissorWidth(), gl->scissorHeight() };
}

void expectScissor(const Scissor& s, bool enabled, int x, int y, unsigned int w, unsigned int h)
{
    EXPECT_EQ(s.enabled, enabled);
    EXPECT_EQ(s.x, x);
    EXPECT_EQ(s.y, y);
    EXPECT_EQ(s.w, w);
    EXPECT_EQ(s.h, h);
}

// Notes the scissor in force when drawn and fills its rectangle through the
// renderer's scissor, as drawing layouts do.
class Probe : public KaLayout {
public:
    void draw() override
    {
        if (!visible() || !worldVisible())
            return;
        seen = currentScissor();
        ++draws;
        const KaMatrix4x4 world = worldTransformationMatrix();
        const float hw = xSize() / 2.0f;
        const float hh = ySize() / 2.0f;
        const bool on = renderer.get()->beginScissor();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadMatrixf(world.m);
        glDisable(GL_DEPTH_TEST);
        glColor4ub(255, 255, 255, 255);
        glBegin(GL_QUADS);
        glVertex3f(-hw, -hh, 0.0f);
        glVertex3f(hw, -hh, 0.0f);
        glVertex3f(hw, hh, 0.0f);
        glVertex3f(-hw, hh, 0.0f);
        glEnd();
        glPopMatrix();
        KaRenderer::endScissor(on);
        KaLayout::draw();
    }
    Scissor seen {};
    int draws = 0;
};

class KaClipLayoutTest : public KaGLRendererTest {
protected:
    KaClipLayoutTest()
        : KaGLRendererTest(800, 600)
    {
    }
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        mWindow = mainWindow.get();
        mWindow->setSize(KaVector3f32(800, 600, 0));
        ASSERT_TRUE(mWindow->create());
    }
    void TearDown() override
    {
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
    // Centred in the window's own space: the window sits half a pixel off.
    static void centre(KaLayout& layout, float w, float h)
    {
        layout.setSize(KaVector3f32(w, h, 0));
        layout.setPositionType(KaILayout::Pixel);
        layout.setPosition(KaVector3f32(-0.5f, -0.5f, 0));
    }

    KaMainWindow* mWindow = nullptr;
};

TEST_F(KaClipLayoutTest, CentredClipSetsItsRectangleAndPutsTheStateBack)
{
    KaClipLayout clip;
    centre(clip, 200, 100);
    Probe inside;
    inside.setSize(KaVector3f32(400, 400, 0));
    clip.addChild(&inside);
    mWindow->addChild(&clip);

    renderer.get()->setScissor(1, 2, 3, 4);
    mWindow->drawLayouts();
    expectScissor(inside.seen, true, 300, 250, 200, 100);
    expectScissor(currentScissor(), false, 1, 2, 3, 4);

    // The child, larger than the clip, shows only inside it (rows from the
    // bottom: 250..349, columns 300..499).
    EXPECT_EQ(pixel(400, 300), (KaPixel { 255, 255, 255, 255 }));
    EXPECT_EQ(pixel(300, 250), (KaPixel { 255, 255, 255, 255 }));
    EXPECT_EQ(pixel(499, 349), (KaPixel { 255, 255, 255, 255 }));
    EXPECT_EQ(pixel(299, 300), (KaPixel { 0, 0, 0, 0 }));
    EXPECT_EQ(pixel(500, 300), (KaPixel { 0, 0, 0, 0 }));
    EXPECT_EQ(pixel(400, 249), (KaPixel { 0, 0, 0, 0 }));
    EXPECT_EQ(pixel(400, 350), (KaPixel { 0, 0, 0, 0 }));

    // Scaled by 2 it clips to twice its size.
    clip.setScale(KaVector3f32(2, 2, 1));
    mWindow->drawLayouts();
    expectScissor(inside.seen, true, 200, 200, 400, 200);

    // Hidden, it changes nothing and draws nothing.
    clip.setVisible(false);
    renderer.get()->setScissorEnabled(true);
    const int before = inside.draws;
    mWindow->drawLayouts();
    EXPECT_EQ(inside.draws, before);
    expectScissor(currentScissor(), true, 1, 2, 3, 4);
    mWindow->removeChild(&clip);
}

TEST_F(KaClipLayoutTest, NestedClipsIntersect)
{
    struct Case {
        const char* name;
        float innerW, innerH, innerX, innerY;
        int x, y;
        unsigned int w, h;
    } const cases[] = {
        // Outer: 200 x 100 centred, scissor (300, 250, 200, 100).
        { "inner larger than outer", 600, 400, 0, 0, 300, 250, 200, 100 },
        { "inner inside outer", 100, 50, 0, 0, 350, 275, 100, 50 },
        { "inner overlapping the right edge", 100, 50, 100, 0, 450, 275, 50, 50 },
        { "inner outside altogether", 50, 50, 300, 0, 675, 275, 0, 50 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaClipLayout outer, inner;
        centre(outer, 200, 100);
        inner.setSize(KaVector3f32(c.innerW, c.innerH, 0));
        inner.setPositionType(KaILayout::Pixel);
        inner.setPosition(KaVector3f32(c.innerX, c.innerY, 0));
        Probe deep, sibling;
        sibling.setSize(KaVector3f32(1000, 1000, 0));
        inner.addChild(&deep);
        outer.addChild(&inner);
        outer.addChild(&sibling);
        mWindow->addChild(&outer);
        renderer.get()->setScissorEnabled(false);
        mWindow->drawLayouts();
        expectScissor(deep.seen, true, c.x, c.y, c.w, c.h);
        // The outer rectangle is back for the inner clip's later siblings.
        expectScissor(sibling.seen, true, 300, 250, 200, 100);
        expectScissor(currentScissor(), false, 0, 0, 0, 0);
        mWindow->removeChild(&outer);
    }
}

}
