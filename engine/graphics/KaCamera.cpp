#include "engine/graphics/KaCamera.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaQuaternion.h"

namespace {

const float pi = 3.14159265358979323846f;

// The orthographic bounds may coincide (a camera not yet sized): the largest
// float keeps the matrix finite where a division would give infinity.
float safeInverse(float value)
{
    return value == 0.0f ? FLT_MAX : 1.0f / value;
}

float littleEndianFloat(const unsigned char* bytes)
{
    const uint32_t bits = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8)
        | (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    float value;
    KaMemcpy(&value, &bits, sizeof(value));
    return value;
}

// A viewport side times the node's scale, truncated; a negative or NaN
// product would make GL refuse the whole viewport, so it gives 0.
unsigned int scaledSide(unsigned int side, float scale)
{
    const float product = static_cast<float>(side) * scale;
    if (!(product > 0.0f))
        return 0;
    if (product >= 4294967040.0f)
        return 4294967040u;
    return static_cast<unsigned int>(product);
}

// m(row, column) of a column-major matrix.
float& at(KaMatrix4x4& matrix, int row, int column)
{
    return matrix.m[4 * column + row];
}

} // namespace

KaCamera::KaCamera()
    : mProjectionType(NO_PROJECTION)
    , mLeft(0.0f)
    , mRight(1.0f)
    , mBottom(1.0f)
    , mTop(0.0f)
    , mFov(40.0f)
    , mNear(10.0f)
    , mFar(4000.0f)
    , mAspect(1.0f)
    , mViewportX(0)
    , mViewportY(0)
    , mViewportWidth(0)
    , mViewportHeight(0)
{
    setPosition(KaVector3f32(0.0f, 0.0f, 0.0f));
    setSize(KaVector3f32(0.0f, 0.0f, 0.0f));
}

KaCamera::~KaCamera() = default;

void KaCamera::orthogonalParams(float left, float right, float bottom, float top)
{
    mLeft = left;
    mRight = right;
    mBottom = bottom;
    mTop = top;
}

void KaCamera::viewport(int x, int y, unsigned int width, unsigned int height)
{
    mViewportX = x;
    mViewportY = y;
    mViewportWidth = width;
    mViewportHeight = height;
    mViewportChanged.call();
}

void KaCamera::lookAt(const KaVector3f32&) {}

void KaCamera::apply()
{
    applyProjection();
    applyTransformations();
}

void KaCamera::applyProjection()
{
    KaRenderer* r = renderer.get();
    r->setCurrentCamera(KaIntrusivePtr<KaCamera>(this));
    const KaVector3f32 s = scale();
    r->setViewport(mViewportX, mViewportY, scaledSide(mViewportWidth, s.x), scaledSide(mViewportHeight, s.y));
    r->setMatrixMode(KaRenderer::PROJECTION);
    updateProjectionMatrix();
    r->setMatrixMode(KaRenderer::PROJECTION);
    r->loadMatrixToGL(r->currentMatrix());
    r->setMatrixMode(KaRenderer::MODELVIEW);
}

void KaCamera::applyTransformations()
{
    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->loadMatrix(worldTransformationMatrix().getInverseMatrix());
    r->loadMatrixToGL(r->currentMatrix());
}

void KaCamera::updateProjectionMatrix()
{
    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::PROJECTION);
    r->loadProjectionMatrix(projectionMatrix());
}

KaMatrix4x4 KaCamera::projectionMatrix()
{
    const float n = mNear;
    const float f = mFar;
    switch (mProjectionType) {
    case PERSPECTIVE_VIEWPORT:
    case PERSPECTIVE_Y:
    case PERSPECTIVE_X: {
        float aspect = mAspect;
        if (mProjectionType == PERSPECTIVE_VIEWPORT)
            aspect = mViewportHeight ? static_cast<float>(mViewportWidth) / static_cast<float>(mViewportHeight) : 1.0f;
        const float c = 1.0f / std::tan(mFov * 0.5f);
        KaMatrix4x4 m;
        for (float& value : m.m)
            value = 0.0f;
        if (mProjectionType == PERSPECTIVE_Y) {
            at(m, 0, 0) = c;
            at(m, 1, 1) = c * aspect;
        } else {
            at(m, 0, 0) = c / aspect;
            at(m, 1, 1) = c;
        }
        at(m, 2, 2) = -(f + n) / (n - f);
        at(m, 3, 2) = 1.0f;
        at(m, 2, 3) = 2.0f * f * n / (n - f);
        mProjectionMatrix = m;
        break;
    }
    case ORTHOGRAPHIC: {
        KaMatrix4x4 m;
        for (float& value : m.m)
            value = 0.0f;
        at(m, 0, 0) = 2.0f * safeInverse(mRight - mLeft);
        at(m, 1, 1) = 2.0f * safeInverse(mTop - mBottom);
        at(m, 2, 2) = -2.0f * safeInverse(f - n);
        at(m, 0, 3) = -(mRight + mLeft) * safeInverse(mRight - mLeft);
        at(m, 1, 3) = -(mTop + mBottom) * safeInverse(mTop - mBottom);
        at(m, 2, 3) = -(f + n) * safeInverse(f - n);
        at(m, 3, 3) = 1.0f;
        mProjectionMatrix = m;
        break;
    }
    default:
        break;
    }
    return mProjectionMatrix;
}

void KaCamera::restore() const
{
    KaRenderer* r = renderer.get();
    r->setCurrentColor(KaColor(255, 255, 255, 255));
    r->setCurrentCamera(KaIntrusivePtr<KaCamera>());
}

void KaCamera::getRay(const KaVector2s32& pixel, KaVector3f32& origin, KaVector3f32& direction)
{
    KaVector3f32 d(2.0f * static_cast<float>(pixel.x - mViewportX) / static_cast<float>(mViewportWidth) - 1.0f,
        2.0f * static_cast<float>(pixel.y - mViewportY) / static_cast<float>(mViewportHeight) - 1.0f, 1.0f);
    d = mProjectionMatrix.getInverseMatrix() * d;
    d.normalize();
    origin = position();
    KaQuaternion q = rotation();
    q.normalize();
    setRotation(q);
    direction = q.toMatrix().mult3x3(d);
}

KaVector2f32 KaCamera::projectPoint(const KaVector3f32& point)
{
    KaQuaternion q = rotation();
    q.normalize();
    setRotation(q);
    const KaMatrix4x4 m = projectionMatrix() * worldTransformationMatrix().getInverseMatrix();
    const KaVector3f32 p = m * point;
    const int hw = std::abs(static_cast<int>(static_cast<float>(static_cast<int>(mViewportWidth)) * 0.5f));
    const int hh = std::abs(static_cast<int>(static_cast<float>(static_cast<int>(mViewportHeight)) * 0.5f));
    return KaVector2f32(static_cast<float>(hw) * (p.x + 1.0f) + static_cast<float>(mViewportX),
        static_cast<float>(hh) * (1.0f - p.y) + static_cast<float>(mViewportY));
}

KaVector3f32 KaCamera::projectPoint3f32(const KaVector3f32& point)
{
    KaQuaternion q = rotation();
    q.normalize();
    setRotation(q);
    const KaMatrix4x4 m = projectionMatrix() * worldTransformationMatrix().getInverseMatrix();
    const KaVector3f32 p = m * point;
    const float halfWidth = static_cast<float>(static_cast<int>(mViewportWidth)) * 0.5f;
    const float halfHeight = static_cast<float>(static_cast<int>(mViewportHeight)) * 0.5f;
    return KaVector3f32((p.x + 1.0f) * halfWidth + static_cast<float>(mViewportX),
        static_cast<float>(mViewportY) + halfHeight * (1.0f - p.y), p.z);
}

KaVector3f32 KaCamera::transformCoord(const KaVector3f32& point) const
{
    const KaQuaternion r = rotation();
    const KaQuaternion conjugate(-r.x, -r.y, -r.z, r.w);
    const KaVector3f32 p = (mProjectionMatrix * conjugate.toMatrix()) * point;
    const int hw = std::abs(static_cast<int>(static_cast<float>(static_cast<int>(mViewportWidth)) * 0.5f));
    const int hh = std::abs(static_cast<int>(static_cast<float>(static_cast<int>(mViewportHeight)) * 0.5f));
    return KaVector3f32(static_cast<float>(hw) * (p.x + 1.0f), static_cast<float>(hh) * (1.0f + p.y), p.z);
}

KaVector3f32 KaCamera::transformPoint2Dto3D(const KaVector3f32& pixel)
{
    return KaVector3f32(2.0f * (pixel.x - static_cast<float>(mViewportX)) / static_cast<float>(mViewportWidth) - 1.0f,
        -(2.0f * (pixel.y - static_cast<float>(mViewportY)) / static_cast<float>(mViewportHeight) - 1.0f), 0.0f);
}

void KaCamera::draw()
{
    const KaMatrix4x4 projection = projectionMatrix();
    const KaMatrix4x4 inverse = projection.getInverseMatrix();
    const KaMatrix4x4 world = worldTransformationMatrix();
    const float zn = (projection * KaVector3f32(0.0f, 0.0f, mNear)).z;
    const float zf = (projection * KaVector3f32(0.0f, 0.0f, mFar)).z;
    const float corners[4][2] = { { -1.0f, -1.0f }, { 1.0f, -1.0f }, { 1.0f, 1.0f }, { -1.0f, 1.0f } };
    KaVector3f32 nearCorners[4];
    KaVector3f32 farCorners[4];
    for (int i = 0; i < 4; ++i) {
        nearCorners[i] = world * (inverse * KaVector3f32(corners[i][0], corners[i][1], zn));
        farCorners[i] = world * (inverse * KaVector3f32(corners[i][0], corners[i][1], zf));
    }
    KaRenderer* r = renderer.get();
    for (int i = 1; i <= 4; ++i) {
        r->drawLine(nearCorners[i - 1], nearCorners[i % 4]);
        r->drawLine(farCorners[i - 1], farCorners[i % 4]);
        r->drawLine(nearCorners[i - 1], farCorners[i - 1]);
    }
}

KaMatrix4x4 KaCamera::transformationMatrix()
{
    return Ka3DObject2::transformationMatrix();
}

bool KaCamera::loadBin(const KaPath& path)
{
    KaFile file(path, KaFileSystem::Read);
    if (!file.isOpened() || !loadBin(file)) {
        KaPrintf("[KaCamera::loadBin] Can't open file : %s.\n", path.c_str());
        return false;
    }
    setName(path.fileName());
    return true;
}

bool KaCamera::loadBin(KaStream& stream)
{
    // The whole record is read and checked before anything is applied, so a
    // short or damaged file leaves the camera as it was.
    unsigned char bytes[mFileSize];
    if (stream.readFully(bytes, mFileSize) != mFileSize)
        return false;
    float values[mFileSize / 4];
    for (unsigned long i = 0; i < mFileSize / 4; ++i) {
        values[i] = littleEndianFloat(bytes + 4 * i);
        if (!std::isfinite(values[i]))
            return false;
    }
    const KaVector3f32 position(values[0], values[1], values[2]);
    const KaQuaternion rotation(values[3], values[4], values[5], values[6]);
    const KaVector3f32 scale(values[7], values[8], values[9]);
    const float horizontalFov = values[10];
    const float aspect = values[11];
    const float nearDistance = values[12];
    const float farDistance = values[13];
    if (!(horizontalFov > 0.0f && horizontalFov < pi) || aspect == 0.0f || nearDistance == farDistance)
        return false;
    // The file gives the horizontal angle; the projection wants the vertical
    // one of a 4:3 picture.
    const float fov = 2.0f * std::atan(1.0f / ((1.0f / std::tan(horizontalFov * 0.5f)) * 1.3333334f));

    mProjectionType = PERSPECTIVE_X;
    setPosition(position);
    setRotation(rotation);
    setScale(scale);
    mFov = fov;
    mAspect = aspect;
    mNear = nearDistance;
    mFar = farDistance;
    return true;
}
