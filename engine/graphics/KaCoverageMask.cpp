#include "engine/graphics/KaCoverageMask.h"

#include <algorithm>
#include <cmath>
#include <cstring>

KaCoverageMask::KaCoverageMask(unsigned int side)
    : mSide(0)
    , mFilledFirst(0)
    , mFilledEnd(0)
    , mTouchedFirst(0)
    , mTouchedEnd(0)
{
    resize(side);
}

void KaCoverageMask::resize(unsigned int side)
{
    if (side == mSide)
        return;
    mSide = side;
    mTexels.assign(static_cast<size_t>(side) * side, 0);
    mFilledFirst = mFilledEnd = 0;
    mTouchedFirst = mTouchedEnd = 0;
}

namespace {

// Widens the span of rows [first, end) (first == end: empty) to hold
// [from, to).
void unite(unsigned int& first, unsigned int& end, unsigned int from, unsigned int to)
{
    if (from >= to)
        return;
    if (first == end) {
        first = from;
        end = to;
    } else {
        first = std::min(first, from);
        end = std::max(end, to);
    }
}

} // namespace

void KaCoverageMask::touch(unsigned int first, unsigned int end)
{
    unite(mTouchedFirst, mTouchedEnd, first, end);
}

void KaCoverageMask::clear()
{
    if (mFilledFirst < mFilledEnd) {
        std::memset(mTexels.data() + static_cast<size_t>(mFilledFirst) * mSide, 0,
            static_cast<size_t>(mFilledEnd - mFilledFirst) * mSide);
        touch(mFilledFirst, mFilledEnd);
    }
    mFilledFirst = mFilledEnd = 0;
}

void KaCoverageMask::takeTouchedRows(unsigned int& first, unsigned int& end)
{
    first = mTouchedFirst;
    end = mTouchedEnd;
    mTouchedFirst = mTouchedEnd = 0;
}

KaCoverageMask::ClipPoint KaCoverageMask::transform(const KaMatrix4x4& clip, const KaVector3f32& p)
{
    const float* m = clip.m;
    return ClipPoint { m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
        m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14], m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15] };
}

void KaCoverageMask::fillTriangle(
    const KaMatrix4x4& clip, const KaVector3f32& a, const KaVector3f32& b, const KaVector3f32& c)
{
    if (mSide == 0)
        return;
    const ClipPoint in[3] = { transform(clip, a), transform(clip, b), transform(clip, c) };
    // Keep what lies in front of the near plane (z >= -w): a triangle
    // crossing it becomes a quadrilateral at most.
    ClipPoint out[4];
    unsigned int count = 0;
    for (unsigned int i = 0; i < 3; ++i) {
        const ClipPoint& p = in[i];
        const ClipPoint& q = in[(i + 1) % 3];
        const float dp = p.z + p.w;
        const float dq = q.z + q.w;
        if (dp >= 0.0f)
            out[count++] = p;
        if ((dp >= 0.0f) != (dq >= 0.0f)) {
            const float t = dp / (dp - dq);
            out[count++] = ClipPoint { p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z),
                p.w + t * (q.w - p.w) };
        }
    }
    if (count >= 3)
        fillPolygon(out, count);
}

void KaCoverageMask::fillPolygon(const ClipPoint* points, unsigned int count)
{
    float screen[4][2];
    const float half = static_cast<float>(mSide) * 0.5f;
    for (unsigned int i = 0; i < count; ++i) {
        // On the near plane itself w may be 0 only when the near distance is;
        // such a point has no place on the square.
        if (!(points[i].w > 0.0f))
            return;
        screen[i][0] = (points[i].x / points[i].w + 1.0f) * half;
        screen[i][1] = (points[i].y / points[i].w + 1.0f) * half;
    }
    for (unsigned int i = 1; i + 1 < count; ++i)
        fillScreenTriangle(screen[0], screen[i], screen[i + 1]);
}

void KaCoverageMask::fillScreenTriangle(const float* a, const float* b, const float* c)
{
    const float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    if (!(std::fabs(area) > 0.0f))
        return;
    const float side = static_cast<float>(mSide);
    const float minX = std::max(0.0f, std::min({ a[0], b[0], c[0] }));
    const float maxX = std::min(side, std::max({ a[0], b[0], c[0] }));
    const float minY = std::max(0.0f, std::min({ a[1], b[1], c[1] }));
    const float maxY = std::min(side, std::max({ a[1], b[1], c[1] }));
    if (!(minX < maxX) || !(minY < maxY))
        return;
    // Texel centres at + 0.5 inside the bounds.
    const unsigned int x0 = static_cast<unsigned int>(std::max(0.0f, std::ceil(minX - 0.5f)));
    const unsigned int y0 = static_cast<unsigned int>(std::max(0.0f, std::ceil(minY - 0.5f)));
    const unsigned int x1 = std::min(mSide, static_cast<unsigned int>(std::floor(maxX - 0.5f)) + 1);
    const unsigned int y1 = std::min(mSide, static_cast<unsigned int>(std::floor(maxY - 0.5f)) + 1);
    if (x0 >= x1 || y0 >= y1)
        return;
    // Edge functions, signed so that inside is >= 0 whatever the winding.
    const float sign = area > 0.0f ? 1.0f : -1.0f;
    const float* v[3] = { a, b, c };
    float ex[3], ey[3], e0[3];
    for (int i = 0; i < 3; ++i) {
        const float* p = v[i];
        const float* q = v[(i + 1) % 3];
        ex[i] = -(q[1] - p[1]) * sign;
        ey[i] = (q[0] - p[0]) * sign;
        e0[i] = -(ex[i] * p[0] + ey[i] * p[1]);
    }
    bool any = false;
    unsigned int firstRow = y1;
    unsigned int endRow = y0;
    for (unsigned int y = y0; y < y1; ++y) {
        const float cy = static_cast<float>(y) + 0.5f;
        unsigned char* row = mTexels.data() + static_cast<size_t>(y) * mSide;
        bool rowAny = false;
        for (unsigned int x = x0; x < x1; ++x) {
            const float cx = static_cast<float>(x) + 0.5f;
            if (ex[0] * cx + ey[0] * cy + e0[0] >= 0.0f && ex[1] * cx + ey[1] * cy + e0[1] >= 0.0f
                && ex[2] * cx + ey[2] * cy + e0[2] >= 0.0f) {
                row[x] = 255;
                rowAny = true;
            }
        }
        if (rowAny) {
            any = true;
            firstRow = std::min(firstRow, y);
            endRow = y + 1;
        }
    }
    if (!any)
        return;
    touch(firstRow, endRow);
    unite(mFilledFirst, mFilledEnd, firstRow, endRow);
}
