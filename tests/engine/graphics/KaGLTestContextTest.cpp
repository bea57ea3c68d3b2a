#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>

#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

const KaPixel red = { 255, 0, 0, 255 };
const KaPixel blue = { 0, 0, 255, 255 };

TEST_F(KaGLTest, ClearColourReadsBackAndPixelYCountsFromTheBottom)
{
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Paint the bottom row blue only.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 256, 1);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    EXPECT_EQ(blue, pixel(0, 0));
    EXPECT_EQ(blue, pixel(255, 0));
    EXPECT_EQ(red, pixel(0, 1));
    EXPECT_EQ(red, pixel(128, 255));

    std::vector<unsigned char> all = context().readPixels();
    ASSERT_EQ(256u * 256u * 4u, all.size());
    EXPECT_EQ(0, all[0]);
    EXPECT_EQ(255, all[2]);
    EXPECT_EQ(255, all[256 * 4]);
}

TEST_F(KaGLTest, HasACompatibilityPipelineWithDepth)
{
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
    // Fixed-function matrix stacks exist only in a compatibility context.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(2.0f, m[13]);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(KaGLTest, ResizeGivesANewBufferOfThatSize)
{
    ASSERT_TRUE(context().resize(64, 32));
    EXPECT_EQ(64u, context().width());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(64, viewport[2]);
    EXPECT_EQ(32, viewport[3]);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(blue, pixel(63, 31));
    // Outside the buffer reads as all zero rather than touching memory.
    KaPixel none = { 0, 0, 0, 0 };
    EXPECT_EQ(none, pixel(64, 0));
    EXPECT_EQ(64u * 32u * 4u, context().readPixels().size());
}

} // namespace
