#include <gtest/gtest.h>

#include <GL/gl.h>

#include <random>
#include <vector>

#include "engine/graphics/KaCoverageMask.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

const unsigned int kSide = 64;

class KaCoverageMaskTest : public KaGLTest {
protected:
    KaCoverageMaskTest()
        : KaGLTest(kSide, kSide)
    {
    }

    // The same triangle drawn by GL, white on black, through the same
    // clip matrix, with GL's own clipping and rasterising.
    std::vector<unsigned char> drawnByGL(
        const KaMatrix4x4& clip, const KaVector3f32& a, const KaVector3f32& b, const KaVector3f32& c)
    {
        glViewport(0, 0, kSide, kSide);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(clip.m);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        glBegin(GL_TRIANGLES);
        glVertex3f(a.x, a.y, a.z);
        glVertex3f(b.x, b.y, b.z);
        glVertex3f(c.x, c.y, c.z);
        glEnd();
        return context().readPixels();
    }
};

// A perspective projection looking down -z, as GL's own: near 1, far 100.
KaMatrix4x4 perspective()
{
    KaMatrix4x4 m;
    for (float& v : m.m)
        v = 0.0f;
    const float n = 1.0f, f = 100.0f;
    m.m[0] = 1.0f;
    m.m[5] = 1.0f;
    m.m[10] = -(f + n) / (f - n);
    m.m[11] = -1.0f;
    m.m[14] = -2.0f * f * n / (f - n);
    return m;
}

} // namespace

// Random triangles from a fixed seed, many of them crossing the near plane
// or reaching behind the eye: the mask covers the texels GL covers, but for
// texels whose centre lies on an edge (GL's tie rule) at the rim.
TEST_F(KaCoverageMaskTest, CoversWhatGLCoversForRandomTrianglesThroughAProjection)
{
    std::mt19937 random(38);
    std::uniform_real_distribution<float> xy(-4.0f, 4.0f);
    std::uniform_real_distribution<float> depth(-6.0f, 1.5f);
    const KaMatrix4x4 clip = perspective();
    KaCoverageMask mask(kSide);
    int nonEmpty = 0;
    for (int t = 0; t < 120; ++t) {
        SCOPED_TRACE(t);
        const KaVector3f32 a(xy(random), xy(random), depth(random));
        const KaVector3f32 b(xy(random), xy(random), depth(random));
        const KaVector3f32 c(xy(random), xy(random), depth(random));
        mask.clear();
        mask.fillTriangle(clip, a, b, c);
        const std::vector<unsigned char> gl = drawnByGL(clip, a, b, c);
        int covered = 0;
        int differing = 0;
        for (unsigned int y = 0; y < kSide; ++y) {
            for (unsigned int x = 0; x < kSide; ++x) {
                const bool byGL = gl[4 * (y * kSide + x)] > 127;
                covered += byGL ? 1 : 0;
                if (byGL == (mask.texel(x, y) == 255))
                    continue;
                bool rim = false;
                for (int dy = -1; dy <= 1 && !rim; ++dy) {
                    for (int dx = -1; dx <= 1 && !rim; ++dx) {
                        const int nx = static_cast<int>(x) + dx;
                        const int ny = static_cast<int>(y) + dy;
                        if (nx >= 0 && ny >= 0 && nx < static_cast<int>(kSide) && ny < static_cast<int>(kSide))
                            rim = (gl[4 * (static_cast<unsigned int>(ny) * kSide + static_cast<unsigned int>(nx))]
                                      > 127)
                                != byGL;
                    }
                }
                if (!rim)
                    ++differing;
            }
        }
        nonEmpty += covered > 0 ? 1 : 0;
        EXPECT_EQ(0, differing);
    }
    // The draws must have shown something for the comparison to mean much.
    EXPECT_GT(nonEmpty, 30);
}

// Two triangles sharing a diagonal tile a square without a gap, and only the
// rows they touched, then the rows a clear emptied, are reported.
TEST_F(KaCoverageMaskTest, TilesWithoutGapsAndReportsTheRowsItChanged)
{
    KaMatrix4x4 identity;
    KaCoverageMask mask(kSide);
    // Clip space x, y in [-0.5, 0.5]: texels 16 to 47 on both axes.
    const KaVector3f32 p00(-0.5f, -0.5f, 0.0f), p10(0.5f, -0.5f, 0.0f), p01(-0.5f, 0.5f, 0.0f),
        p11(0.5f, 0.5f, 0.0f);
    mask.fillTriangle(identity, p00, p10, p11);
    mask.fillTriangle(identity, p00, p11, p01);
    for (unsigned int y = 0; y < kSide; ++y) {
        for (unsigned int x = 0; x < kSide; ++x) {
            const bool inside = x >= 16 && x < 48 && y >= 16 && y < 48;
            ASSERT_EQ(inside ? 255 : 0, mask.texel(x, y)) << x << ", " << y;
        }
    }
    unsigned int first = 0, end = 0;
    mask.takeTouchedRows(first, end);
    EXPECT_EQ(16u, first);
    EXPECT_EQ(48u, end);
    mask.takeTouchedRows(first, end);
    EXPECT_EQ(first, end);

    // Cleared, then a small triangle lower down: both spans are reported.
    mask.clear();
    mask.fillTriangle(identity, KaVector3f32(-0.9f, -0.9f, 0), KaVector3f32(-0.7f, -0.9f, 0),
        KaVector3f32(-0.8f, -0.7f, 0));
    mask.takeTouchedRows(first, end);
    EXPECT_EQ(3u, first);
    EXPECT_EQ(48u, end);
    EXPECT_EQ(0, mask.texel(20, 20));

    // A triangle wholly behind the near plane, one of no area and one off
    // the square change nothing.
    mask.clear();
    mask.takeTouchedRows(first, end);
    mask.fillTriangle(identity, KaVector3f32(0, 0, -2), KaVector3f32(1, 0, -2), KaVector3f32(0, 1, -2));
    mask.fillTriangle(identity, p00, p11, KaVector3f32(0, 0, 0));
    mask.fillTriangle(identity, KaVector3f32(2, 2, 0), KaVector3f32(3, 2, 0), KaVector3f32(2, 3, 0));
    mask.takeTouchedRows(first, end);
    EXPECT_EQ(first, end);
}
