#ifndef KA_CAMERA_H
#define KA_CAMERA_H

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"

class KaStream;

// A node of the object tree that owns a projection and a viewport. apply()
// makes it the renderer's current camera, sets GL's viewport and projection
// and loads the inverse of its world matrix as the model-view matrix.
//
// The perspectives are left-handed: clip w = view z, so the camera looks
// along +z of its own space. Type 2 puts the aspect on y, type 3 on x (the
// camera file's type), type 4 is orthographic, type 0 uses whatever matrix
// setProjectionMatrix stored, and type 1 is a type-3 perspective whose
// aspect is the viewport's width / height.
//
// Viewport pixels count y upwards from the bottom (GL's window space), except
// where said: projectPoint answers pixels counted down from the top.
//
// Applying a camera gives the renderer a counted reference, and restore()
// drops it: hold cameras through KaIntrusivePtr<KaCamera> (the renderer's
// reference is then never the last one), never on the stack. A tree node.
// Main thread only.
class KaCamera : public Ka3DObject2, public KaReferencesCounter {
public:
    enum ProjectionType {
        NO_PROJECTION = 0,
        PERSPECTIVE_VIEWPORT = 1,
        PERSPECTIVE_Y = 2,
        PERSPECTIVE_X = 3,
        ORTHOGRAPHIC = 4
    };

    // Bytes of a camera file.
    static constexpr unsigned long mFileSize = 56;

    KaCamera();
    ~KaCamera() override;

    void setProjectionType(int type) { mProjectionType = type; }
    int projectionType() const { return mProjectionType; }
    // Orthographic bounds (type 4).
    void orthogonalParams(float left, float right, float bottom, float top);
    float orthoLeft() const { return mLeft; }
    float orthoRight() const { return mRight; }
    float orthoBottom() const { return mBottom; }
    float orthoTop() const { return mTop; }
    // Vertical field of view in radians, used as it is.
    void setFov(float fov) { mFov = fov; }
    float fov() const { return mFov; }
    void setNearDistance(float distance) { mNear = distance; }
    float nearDistance() const { return mNear; }
    void setFarDistance(float distance) { mFar = distance; }
    float farDistance() const { return mFar; }
    // Width / height.
    void setAspect(float aspect) { mAspect = aspect; }
    float aspect() const { return mAspect; }

    // Stores the viewport (window pixels, y up) and emits onViewportChanged,
    // even when nothing changed.
    void viewport(int x, int y, unsigned int width, unsigned int height);
    int viewportX() const { return mViewportX; }
    int viewportY() const { return mViewportY; }
    unsigned int viewportWidth() const { return mViewportWidth; }
    unsigned int viewportHeight() const { return mViewportHeight; }
    KaSignal0Param& onViewportChanged() { return mViewportChanged; }

    // The matrix type 0 uses; other types overwrite it in projectionMatrix().
    void setProjectionMatrix(const KaMatrix4x4& matrix) { mProjectionMatrix = matrix; }
    // The stored matrix as last built, without rebuilding it.
    const KaMatrix4x4& storedProjectionMatrix() const { return mProjectionMatrix; }

    // Does nothing: the camera keeps no look-at target.
    void lookAt(const KaVector3f32& target);

    // applyProjection, then applyTransformations.
    void apply();
    // Current camera; GL viewport (x, y, width x scale.x, height x scale.y:
    // the node's own scale enlarges it); projection built and sent to GL;
    // model-view mode with an identity top.
    void applyProjection();
    // Model-view top = inverse of the world matrix, sent to GL.
    void applyTransformations();
    // The renderer's projection top = projectionMatrix().
    void updateProjectionMatrix();
    // Rebuilds the stored matrix for types 1 to 4 and returns it.
    KaMatrix4x4 projectionMatrix();
    // Current colour opaque white, no current camera.
    void restore() const;

    // The picking ray through a viewport pixel (y up from the viewport's
    // bottom): origin = the local position, direction normalised, through
    // the stored projection (not rebuilt) and the local rotation (which is
    // normalised in place).
    void getRay(const KaVector2s32& pixel, KaVector3f32& origin, KaVector3f32& direction);
    // The pixel a world point lands on, counted from the viewport's top-left
    // corner plus the viewport origin, on whole half-sizes.
    KaVector2f32 projectPoint(const KaVector3f32& point);
    // The same without rounding the half-sizes, with the depth as z.
    KaVector3f32 projectPoint3f32(const KaVector3f32& point);
    // Through the stored projection and the inverse rotation only, without
    // the viewport origin, y upwards.
    KaVector3f32 transformCoord(const KaVector3f32& point) const;
    // Normalised device coordinates of a pixel whose y counts downwards.
    KaVector3f32 transformPoint2Dto3D(const KaVector3f32& pixel);

    // The frustum's 12 edges in world space, in the current colour.
    void draw() override;
    KaMatrix4x4 transformationMatrix() override;

    // The camera file (56 bytes: position, rotation, scale, horizontal field
    // of view, aspect, near, far, little-endian floats) makes a type-3
    // camera whose vertical field of view is that of a 4:3 picture. A file
    // that cannot be opened, is shorter than a camera or holds values no
    // projection can be built from (not finite, a field of view outside
    // 0..pi, a zero aspect, near equal to far) prints
    // "[KaCamera::loadBin] Can't open file : <path>." and changes nothing.
    // On success the camera takes the file's name.
    bool loadBin(const KaPath& path);
    // The same from the stream's position; false, silently and with nothing
    // changed, for a short or unusable record.
    bool loadBin(KaStream& stream);

private:
    int mProjectionType;
    float mLeft;
    float mRight;
    float mBottom;
    float mTop;
    float mFov;
    float mNear;
    float mFar;
    float mAspect;
    int mViewportX;
    int mViewportY;
    unsigned int mViewportWidth;
    unsigned int mViewportHeight;
    KaMatrix4x4 mProjectionMatrix;
    KaSignal0Param mViewportChanged;
};

#endif
