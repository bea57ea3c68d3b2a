#include "tests/engine/graphics/KaGLTestContext.h"

#include <GL/gl.h>

#include <ostream>

#include "engine/graphics/KaRenderer.h"
#include "tests/support/KaTestSupport.h"

bool operator==(const KaPixel& left, const KaPixel& right)
{
    return left.r == right.r && left.g == right.g && left.b == right.b && left.a == right.a;
}

bool operator!=(const KaPixel& left, const KaPixel& right)
{
    return !(left == right);
}

void PrintTo(const KaPixel& pixel, std::ostream* stream)
{
    *stream << "(" << int(pixel.r) << ", " << int(pixel.g) << ", " << int(pixel.b) << ", " << int(pixel.a) << ")";
}

KaGLTestContext::KaGLTestContext(unsigned int width, unsigned int height)
    : mContext(nullptr)
    , mWidth(0)
    , mHeight(0)
    , mValid(false)
{
    const int attributes[] = { OSMESA_FORMAT, OSMESA_RGBA, OSMESA_DEPTH_BITS, 24, OSMESA_STENCIL_BITS, 8,
        OSMESA_ACCUM_BITS, 0, OSMESA_PROFILE, OSMESA_COMPAT_PROFILE, 0 };
    mContext = OSMesaCreateContextAttribs(attributes, nullptr);
    if (!mContext)
        mContext = OSMesaCreateContextExt(OSMESA_RGBA, 24, 8, 0, nullptr);
    if (mContext)
        resize(width, height);
}

KaGLTestContext::~KaGLTestContext()
{
    if (mContext) {
        if (OSMesaGetCurrentContext() == mContext)
            OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
        OSMesaDestroyContext(mContext);
    }
}

bool KaGLTestContext::resize(unsigned int width, unsigned int height)
{
    if (!mContext || width == 0 || height == 0)
        return false;
    mBuffer.assign(static_cast<size_t>(width) * height * 4, 0);
    mWidth = width;
    mHeight = height;
    mValid = makeCurrent();
    if (mValid)
        glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    return mValid;
}

bool KaGLTestContext::makeCurrent()
{
    if (!mContext || mBuffer.empty())
        return false;
    return OSMesaMakeCurrent(mContext, mBuffer.data(), GL_UNSIGNED_BYTE, static_cast<GLsizei>(mWidth),
               static_cast<GLsizei>(mHeight))
        == GL_TRUE;
}

std::vector<unsigned char> KaGLTestContext::readPixels() const
{
    std::vector<unsigned char> pixels(static_cast<size_t>(mWidth) * mHeight * 4, 0);
    if (!mValid)
        return pixels;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(mWidth), static_cast<GLsizei>(mHeight), GL_RGBA, GL_UNSIGNED_BYTE,
        pixels.data());
    return pixels;
}

KaPixel KaGLTestContext::pixel(int x, int y) const
{
    KaPixel result = { 0, 0, 0, 0 };
    if (!mValid || x < 0 || y < 0 || x >= static_cast<int>(mWidth) || y >= static_cast<int>(mHeight))
        return result;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    unsigned char rgba[4] = { 0, 0, 0, 0 };
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    result.r = rgba[0];
    result.g = rgba[1];
    result.b = rgba[2];
    result.a = rgba[3];
    return result;
}

KaGLTest::KaGLTest(unsigned int width, unsigned int height)
    : mContext(width, height)
{
}

void KaGLTest::SetUp()
{
    ASSERT_TRUE(mContext.isValid()) << "no offscreen GL context";
    ASSERT_TRUE(mContext.makeCurrent());
    // A new buffer's depth is not 1: start every test from a known frame.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

KaGLRendererTest::KaGLRendererTest(unsigned int width, unsigned int height)
    : KaGLTest(width, height)
{
}

void KaGLRendererTest::SetUp()
{
    KaGLTest::SetUp();
    renderer.destroy();
    KaCaptureStdout quiet;
    renderer.get()->init();
}

void KaGLRendererTest::TearDown()
{
    // Textures and cameras the renderer still holds die with the context
    // still current.
    renderer.destroy();
}

// Mesa keeps every frame buffer it ever bound in a private list that it frees
// only at unload: not ours to fix, and every test binding a context shows it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libOSMesa.so\n";
}
