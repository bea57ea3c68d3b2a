#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaExtensions.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaMatrix4x4.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/support/KaTestSupport.h"

namespace {

KaMatrix4x4 glMatrix(GLenum which)
{
    KaMatrix4x4 m;
    glGetFloatv(which, m.m);
    return m;
}

GLint glInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

KaMatrix4x4 sampleMatrix(float seed)
{
    KaMatrix4x4 m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = seed + 0.25f * static_cast<float>(i) - (i % 5 == 0 ? 3.0f : 0.0f);
    return m;
}

void expectMatrixNear(const KaMatrix4x4& expected, const KaMatrix4x4& actual)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-4f) << "element " << i;
}

// An orthographic camera mapping one unit to one pixel of the 256 x 256
// buffer, origin at the bottom-left corner, looking along +z.
KaIntrusivePtr<KaCamera> pixelCamera()
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::ORTHOGRAPHIC);
    camera->orthogonalParams(0.0f, 256.0f, 0.0f, 256.0f);
    camera->setNearDistance(-100.0f);
    camera->setFarDistance(100.0f);
    camera->viewport(0, 0, 256, 256);
    return camera;
}

using KaRendererTest = KaGLRendererTest;

TEST_F(KaRendererTest, InitSetsTheBaseStateAndReportsTheContext)
{
    renderer.destroy();
    KaCaptureStdout capture;
    KaRenderer* r = renderer.get();
    r->init();
    const std::string text = capture.text();

    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_LEQUAL, glInteger(GL_DEPTH_FUNC));
    EXPECT_EQ(GL_SRC_ALPHA, glInteger(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, glInteger(GL_BLEND_DST));
    EXPECT_EQ(GL_SMOOTH, glInteger(GL_SHADE_MODEL));
    EXPECT_EQ(KaColor(0, 0, 0, 255), r->clearColor());
    EXPECT_EQ(KaColor(255, 255, 255, 255), r->currentColor());
    EXPECT_FALSE(r->scissorEnabled());

    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Vendor : "));
    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Renderer : " + std::string(r->renderer().c_str())));
    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Version : "));
    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Sentil buffer bits : 8\n"));
    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Depth buffer bits : 24\n"));
    EXPECT_NE(std::string::npos, text.find("[KaRenderer::init] Extensions : "));
}

// The engine stacks and GL's must agree after every operation that a draw
// routine relies on, in every mode.
TEST_F(KaRendererTest, MatrixStacksMirrorGL)
{
    struct Mode {
        KaRenderer::MatrixMode mode;
        GLenum glMode;
        GLenum query;
    };
    const Mode modes[] = {
        { KaRenderer::PROJECTION, GL_PROJECTION, GL_PROJECTION_MATRIX },
        { KaRenderer::MODELVIEW, GL_MODELVIEW, GL_MODELVIEW_MATRIX },
        { KaRenderer::TEXTURE, GL_TEXTURE, GL_TEXTURE_MATRIX },
    };
    KaRenderer* r = renderer.get();
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.mode);
        const KaMatrix4x4 a = sampleMatrix(1.0f);
        const KaMatrix4x4 b = sampleMatrix(-2.0f);

        r->setMatrixMode(m.mode);
        EXPECT_EQ(static_cast<GLint>(m.glMode), glInteger(GL_MATRIX_MODE));
        r->loadMatrix(a);
        r->loadMatrixToGL(r->currentMatrix());
        r->pushMatrix();
        r->multiplyMatrix(b);
        r->translate(3.0f, -4.0f, 5.0f);
        r->scale(2.0f, 0.5f, -1.0f);
        r->loadMatrixToGL(r->currentMatrix());
        const KaMatrix4x4 engineTop = r->currentMatrix();

        // GL doing the same arithmetic itself gives the same matrix.
        glPushMatrix();
        glLoadMatrixf(a.m);
        glMultMatrixf(b.m);
        glTranslatef(3.0f, -4.0f, 5.0f);
        glScalef(2.0f, 0.5f, -1.0f);
        expectMatrixNear(glMatrix(m.query), engineTop);
        glPopMatrix();
        expectMatrixNear(glMatrix(m.query), engineTop);

        // Popping returns both sides to what was pushed.
        r->popMatrix();
        EXPECT_EQ(a, r->currentMatrix());
        expectMatrixNear(a, glMatrix(m.query));
        EXPECT_EQ(1u, r->matricesStack(m.mode).size());
    }
    // Each mode worked on its own stack.
    EXPECT_EQ(sampleMatrix(1.0f), r->matricesStack(KaRenderer::PROJECTION).currentMatrix());
    while (glGetError() != GL_NO_ERROR) {
    }
}

TEST_F(KaRendererTest, PopMatrixNeverPopsTheLastEngineMatrix)
{
    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::MODELVIEW);
    const KaMatrix4x4 a = sampleMatrix(4.0f);
    r->loadMatrix(a);
    r->popMatrix();
    EXPECT_EQ(1u, r->matricesStack(KaRenderer::MODELVIEW).size());
    EXPECT_EQ(a, r->currentMatrix());
    // GL was still asked, and refused it on its own side.
    EXPECT_EQ(static_cast<GLenum>(GL_STACK_UNDERFLOW), glGetError());
}

TEST_F(KaRendererTest, ResetAndLoadProjectionMatrixLeaveModelViewWithIdentity)
{
    KaRenderer* r = renderer.get();
    const KaMatrix4x4 p = sampleMatrix(7.0f);
    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->loadMatrix(sampleMatrix(1.0f));
    r->loadProjectionMatrix(p);
    EXPECT_EQ(KaRenderer::MODELVIEW, r->matrixMode());
    EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
    EXPECT_EQ(p, r->matricesStack(KaRenderer::PROJECTION).currentMatrix());
    EXPECT_EQ(KaMatrix4x4(), r->currentMatrix());
    // GL's projection is the camera's business, not this call's.
    EXPECT_EQ(KaMatrix4x4(), glMatrix(GL_PROJECTION_MATRIX));

    r->setMatrixMode(KaRenderer::PROJECTION);
    r->reset();
    EXPECT_EQ(KaRenderer::MODELVIEW, r->matrixMode());
    EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
    EXPECT_EQ(KaMatrix4x4(), r->matricesStack(KaRenderer::PROJECTION).currentMatrix());
    EXPECT_EQ(KaMatrix4x4(), r->matricesStack(KaRenderer::MODELVIEW).currentMatrix());

    // An unknown mode selects nothing.
    r->setMatrixMode(static_cast<KaRenderer::MatrixMode>(3));
    EXPECT_EQ(KaRenderer::MODELVIEW, r->matrixMode());
}

TEST_F(KaRendererTest, CurrentColorReachesGLOnlyWhenItChanges)
{
    KaRenderer* r = renderer.get();
    GLfloat color[4];
    r->setCurrentColor(KaColor(255, 0, 0, 255));
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(1.0f, color[0]);
    EXPECT_FLOAT_EQ(0.0f, color[2]);

    // Someone else changes GL's colour behind the cache's back: the same
    // colour again is not sent, a new one is.
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    r->setCurrentColor(KaColor(255, 0, 0, 255));
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(1.0f, color[2]);
    r->setCurrentColor(KaColor(0, 255, 0, 128));
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(0.0f, color[2]);
    EXPECT_FLOAT_EQ(1.0f, color[1]);
    EXPECT_NEAR(128.0f / 255.0f, color[3], 1e-6f);
}

TEST_F(KaRendererTest, ShadowModesSetCullingShadingBlendingAndLighting)
{
    struct Case {
        KaRenderer::ShadowMode mode;
        bool cull;
        GLint shade;
        bool blendAndUnlitForced;
    };
    const Case cases[] = {
        { KaRenderer::SHADOW_TEXTURE, true, GL_FLAT, true },
        { KaRenderer::SHADOW_PROJECTION, false, GL_FLAT, true },
        { static_cast<KaRenderer::ShadowMode>(3), false, GL_FLAT, true },
        { KaRenderer::SHADOW_NONE, false, GL_SMOOTH, false },
    };
    KaRenderer* r = renderer.get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        glDisable(GL_BLEND);
        glEnable(GL_LIGHTING);
        glBlendFunc(GL_ONE, GL_ONE);
        r->shadowMode(c.mode);
        EXPECT_EQ(c.mode, r->shadowMode());
        EXPECT_EQ(c.cull, glIsEnabled(GL_CULL_FACE) == GL_TRUE);
        if (c.cull) {
            EXPECT_EQ(GL_BACK, glInteger(GL_CULL_FACE_MODE));
        }
        EXPECT_EQ(c.shade, glInteger(GL_SHADE_MODEL));
        if (c.blendAndUnlitForced) {
            EXPECT_TRUE(glIsEnabled(GL_BLEND));
            EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
            EXPECT_EQ(GL_SRC_ALPHA, glInteger(GL_BLEND_SRC));
        } else {
            // Mode 0 leaves blending and lighting as it finds them.
            EXPECT_FALSE(glIsEnabled(GL_BLEND));
            EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        }
    }
}

TEST_F(KaRendererTest, ScissorIsStoredAndAppliedOnlyAroundDrawCalls)
{
    KaRenderer* r = renderer.get();
    r->setScissor(10, 20, 30, 40);
    r->setScissorEnabled(true);
    EXPECT_EQ(10, r->scissorX());
    EXPECT_EQ(20, r->scissorY());
    EXPECT_EQ(30u, r->scissorWidth());
    EXPECT_EQ(40u, r->scissorHeight());
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // What a draw routine does: clear the whole buffer red inside its
    // scissor, then switch the test off again.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const bool on = r->beginScissor();
    EXPECT_TRUE(on);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    KaRenderer::endScissor(on);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    const KaPixel red = { 255, 0, 0, 255 };
    const KaPixel black = { 0, 0, 0, 255 };
    EXPECT_EQ(red, pixel(10, 20));
    EXPECT_EQ(red, pixel(39, 59));
    EXPECT_EQ(black, pixel(9, 20));
    EXPECT_EQ(black, pixel(40, 20));
    EXPECT_EQ(black, pixel(10, 60));

    r->setScissorEnabled(false);
    EXPECT_FALSE(r->beginScissor());
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(KaRendererTest, DrawLineUsesTheModelViewTopAndTheCurrentColor)
{
    KaRenderer* r = renderer.get();
    KaIntrusivePtr<KaCamera> camera = pixelCamera();
    camera->apply();
    r->setCurrentColor(KaColor(0, 255, 0, 255));
    r->pushMatrix();
    r->translate(0.0f, 100.5f, 0.0f);
    r->drawLine(KaVector3f32(10.0f, 0.0f, 0.0f), KaVector3f32(200.0f, 0.0f, 0.0f));
    // The engine stack is left as it was, apart from the mode.
    EXPECT_EQ(2u, r->matricesStack(KaRenderer::MODELVIEW).size());
    r->popMatrix();
    camera->restore();

    const KaPixel green = { 0, 255, 0, 255 };
    EXPECT_EQ(green, pixel(100, 100));
    EXPECT_NE(green, pixel(100, 110));
    EXPECT_NE(green, pixel(5, 100));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    expectMatrixNear(KaMatrix4x4(), glMatrix(GL_MODELVIEW_MATRIX));
}

TEST_F(KaRendererTest, ExtractFrameBufferGivesBottomUpRGBARows)
{
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 256, 5); // the five bottom rows red
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    KaImage image;
    ASSERT_TRUE(renderer.get()->extractFrameBufferToImg(KaVector2s32(2, 3), KaVector2s32(7, 4), image));
    EXPECT_EQ(RGBA8888, image.format());
    EXPECT_EQ(7u, image.width());
    EXPECT_EQ(4u, image.height());
    // Rows 3 and 4 of the frame buffer are red, rows 5 and 6 blue.
    const unsigned char* row0 = image.row(0);
    const unsigned char* row3 = image.row(3);
    EXPECT_EQ(255, row0[0]);
    EXPECT_EQ(0, row0[2]);
    EXPECT_EQ(255, image.row(1)[6 * 4]);
    EXPECT_EQ(0, image.row(2)[0]);
    EXPECT_EQ(255, row3[2]);

    // A size the image cannot take is refused, not read into.
    KaCaptureStdout capture;
    EXPECT_FALSE(renderer.get()->extractFrameBufferToImg(KaVector2s32(0, 0), KaVector2s32(0, 4), image));
    EXPECT_FALSE(renderer.get()->extractFrameBufferToImg(KaVector2s32(0, 0), KaVector2s32(-3, 4), image));
    EXPECT_NE(std::string::npos, capture.text().find("[KaRenderer::extractFrameBufferToImg]"));
}

TEST(KaExtensionsTest, NamesMatchOnlyAsWholeWords)
{
    struct Case {
        const char* list;
        const char* name;
        bool found;
    };
    const Case cases[] = {
        { "GL_A GL_B GL_C", "GL_B", true },
        { "GL_A GL_B GL_C", "GL_A", true },
        { "GL_A GL_B GL_C", "GL_C", true },
        { "GL_AB GL_C", "GL_A", false }, // a prefix of a longer name
        { "XGL_A GL_C", "GL_A", false }, // a suffix of a longer name
        { "GL_AB GL_A", "GL_A", true }, // found after a rejected occurrence
        { "GL_A", "", false },
        { "GL_A GL_B", "GL_A GL_B", false }, // a name with a space
        { "", "GL_A", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.name);
        EXPECT_EQ(c.found, KaExtensions::isExtensionInList(c.list, KaString(c.name)));
    }
    EXPECT_FALSE(KaExtensions::isExtensionInList(nullptr, KaString("GL_A")));
    // A name holding a NUL never matches a shorter word.
    EXPECT_FALSE(KaExtensions::isExtensionInList("GL_A", KaString("GL_A\0B", 6)));
}

TEST_F(KaRendererTest, ExtensionsOfTheLiveContext)
{
    const std::string list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::string first = list.substr(0, list.find(' '));
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(KaExtensions::isGLExtensionSupported(KaString(first.c_str())));
    EXPECT_FALSE(KaExtensions::isGLExtensionSupported(KaString(first.substr(0, first.size() - 1).c_str())));
    EXPECT_FALSE(KaExtensions::isGLExtensionSupported(KaString("")));
}

} // namespace
