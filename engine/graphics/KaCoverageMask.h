#ifndef KA_COVERAGE_MASK_H
#define KA_COVERAGE_MASK_H

#include <cstddef>
#include <vector>

#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector3f32.h"

// A square of bytes that triangles are filled into on the CPU: 255 where
// one covers a texel's centre, 0 elsewhere. It stands in for drawing flat
// silhouettes into the frame buffer and reading them back, which makes the
// caller wait for the GL to finish everything queued before.
//
// Triangles come as points with a clip-space matrix (a projection times a
// view times a model matrix, column-major as GL takes them); the part in
// front of the near plane is kept, and clip space [-1, 1] maps onto the
// square's texels as a viewport of the same side would, row 0 at the
// bottom. Only the rows touched since the last clear are ever cleared
// again, so a small silhouette costs little in a large square.
//
// Not thread-safe; plain memory, no GL.
class KaCoverageMask {
public:
    explicit KaCoverageMask(unsigned int side = 0);

    // A new side empties the square; the same side keeps it.
    void resize(unsigned int side);
    unsigned int side() const { return mSide; }

    // Back to 0 everywhere. The rows filled before the clear are kept as
    // touched until takeTouchedRows: a texture holding the old coverage
    // needs them sent again, emptied.
    void clear();

    // Fills the triangle a, b, c, each point taken through clip.
    void fillTriangle(const KaMatrix4x4& clip, const KaVector3f32& a, const KaVector3f32& b, const KaVector3f32& c);

    // The rows [first, end) whose bytes changed since the previous call
    // (first == end: none), forgotten afterwards.
    void takeTouchedRows(unsigned int& first, unsigned int& end);

    const unsigned char* data() const { return mTexels.data(); }
    unsigned char texel(unsigned int x, unsigned int y) const { return mTexels[static_cast<size_t>(y) * mSide + x]; }

private:
    struct ClipPoint {
        float x, y, z, w;
    };
    static ClipPoint transform(const KaMatrix4x4& clip, const KaVector3f32& p);
    void fillPolygon(const ClipPoint* points, unsigned int count);
    void fillScreenTriangle(const float* a, const float* b, const float* c);
    void touch(unsigned int first, unsigned int end);

    std::vector<unsigned char> mTexels;
    unsigned int mSide;
    // Rows holding coverage now, and rows changed since takeTouchedRows.
    unsigned int mFilledFirst;
    unsigned int mFilledEnd;
    unsigned int mTouchedFirst;
    unsigned int mTouchedEnd;
};

#endif
