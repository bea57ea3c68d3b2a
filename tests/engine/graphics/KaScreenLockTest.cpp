#include <gtest/gtest.h>

#include <GL/gl.h>

#include "engine/graphics/KaRenderer.h"
#include "engine/input/KaScreen.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

class KaScreenLockTest : public KaGLRendererTest { };

} // namespace

TEST_F(KaScreenLockTest, LockHandsTheClearColourToTheRenderer)
{
    KaScreen screen;
    screen.setClearColor(1.0f, 0.5f, 0.0f, 0.999f);
    screen.lock();
    EXPECT_EQ(renderer.get()->clearColor(), KaColor(255, 127, 0, 254));
    GLfloat gl[4] = { 0, 0, 0, 0 };
    glGetFloatv(GL_COLOR_CLEAR_VALUE, gl);
    EXPECT_NEAR(gl[0], 1.0f, 1e-3f);
    EXPECT_NEAR(gl[1], 127.0f / 255.0f, 1e-3f);
    EXPECT_NEAR(gl[3], 254.0f / 255.0f, 1e-3f);

    // A renderer of the screen's own goes first.
    KaRenderer other;
    screen.setRenderer(&other);
    screen.setClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    screen.lock();
    EXPECT_EQ(other.clearColor(), KaColor(0, 0, 255, 255));
    EXPECT_EQ(renderer.get()->clearColor(), KaColor(255, 127, 0, 254));
    screen.setRenderer(nullptr);
}
