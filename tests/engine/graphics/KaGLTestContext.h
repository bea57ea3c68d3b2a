#ifndef KA_GL_TEST_CONTEXT_H
#define KA_GL_TEST_CONTEXT_H

#include <gtest/gtest.h>

#include <GL/osmesa.h>

#include <vector>

// RGBA value of one pixel read back from the frame buffer.
struct KaPixel {
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;
};

bool operator==(const KaPixel& left, const KaPixel& right);
bool operator!=(const KaPixel& left, const KaPixel& right);
// Prints as "(r, g, b, a)" in test failure messages.
void PrintTo(const KaPixel& pixel, std::ostream* stream);

// An offscreen compatibility-profile GL context drawn by OSMesa into memory:
// RGBA colour, 24-bit depth, 8-bit stencil. It is made current on creation,
// so the fixed-function pipeline can be driven and read back at once.
// Only one can be current at a time (per thread); the last one created wins.
class KaGLTestContext {
public:
    explicit KaGLTestContext(unsigned int width = 256, unsigned int height = 256);
    ~KaGLTestContext();
    KaGLTestContext(const KaGLTestContext&) = delete;
    KaGLTestContext& operator=(const KaGLTestContext&) = delete;

    // False when OSMesa could not give a context or could not bind it.
    bool isValid() const { return mValid; }
    unsigned int width() const { return mWidth; }
    unsigned int height() const { return mHeight; }

    // New frame buffer of that size, contents undefined (depth included:
    // clear it before depth-tested drawing); the context stays
    // current and the viewport is set to the whole buffer.
    bool resize(unsigned int width, unsigned int height);
    bool makeCurrent();

    // glFinish, then the whole colour buffer as RGBA bytes, bottom row first.
    std::vector<unsigned char> readPixels() const;
    // One pixel, y counted from the bottom row (OpenGL's window coordinates).
    KaPixel pixel(int x, int y) const;

private:
    OSMesaContext mContext;
    std::vector<unsigned char> mBuffer;
    unsigned int mWidth;
    unsigned int mHeight;
    bool mValid;
};

// GoogleTest fixture: every test gets a fresh current context of 256 x 256
// (or the size of a derived fixture's constructor arguments) and a clean GL
// state, its colour cleared to transparent black and its depth to 1, torn
// down afterwards.
class KaGLTest : public ::testing::Test {
protected:
    explicit KaGLTest(unsigned int width = 256, unsigned int height = 256);
    void SetUp() override;

    KaPixel pixel(int x, int y) const { return mContext.pixel(x, y); }
    KaGLTestContext& context() { return mContext; }

    KaGLTestContext mContext;
};

// The same with a fresh renderer initialised on the context (its console
// lines swallowed), destroyed again before the context goes: no state of
// an earlier test (colour cache, stacks, camera, batch) leaks in.
class KaGLRendererTest : public KaGLTest {
protected:
    explicit KaGLRendererTest(unsigned int width = 256, unsigned int height = 256);
    void SetUp() override;
    void TearDown() override;
};

#endif
