#include "tools/scene/KaSceneCamera.h"

#include <cmath>

#include "engine/maths/KaMatrix4x4.h"

namespace {

const float pi = 3.14159265358979323846f;

// The scene draws to this distance whatever its geometry file says.
const float farPlane = 3000.0f;

bool finite(const KaVector3f32& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The scene reads the angle in radians, goes through degrees and back in
// single precision; the painter must see the very same number.
float asLoaded(float radians)
{
    const float degrees = radians * 180.0f / pi;
    return degrees * pi / 180.0f;
}

} // namespace

bool KaSceneCamera::rotation(const KaZoneDescription::Camera& camera, KaQuaternion& rotation)
{
    rotation = KaQuaternion();
    const KaVector3f32 forward = camera.target - camera.position;
    if (!finite(camera.position) || !finite(camera.target) || !(forward.getLength() > 1e-4f))
        return false;
    const KaVector3f32 f = forward.toNormalized();
    KaVector3f32 up(0.0f, 1.0f, 0.0f);
    if (f.crossProduct(up).getLength() < 1e-3f)
        up = KaVector3f32(0.0f, 0.0f, 1.0f);
    KaMatrix4x4 m;
    m.setLookAt(camera.position, camera.target, up);
    rotation = m.rotation();
    rotation.normalize();
    return true;
}

float KaSceneCamera::fileFov(const KaZoneDescription::Camera& camera)
{
    const float vertical = camera.fovDegrees * pi / 180.0f;
    return 2.0f * std::atan(std::tan(vertical * 0.5f) * camera.aspect);
}

bool KaSceneCamera::usable(const KaZoneDescription::Camera& camera)
{
    KaQuaternion q;
    return rotation(camera, q) && camera.fovDegrees > 0.0f && camera.fovDegrees < 180.0f && camera.aspect > 0.0f
        && std::isfinite(camera.aspect) && camera.nearPlane > 0.0f && camera.nearPlane < farPlane;
}

KaIntrusivePtr<KaCamera> KaSceneCamera::create(
    const KaZoneDescription::Camera& camera, unsigned int width, unsigned int height)
{
    if (!usable(camera))
        return KaIntrusivePtr<KaCamera>();
    KaQuaternion q;
    rotation(camera, q);
    KaIntrusivePtr<KaCamera> result(new KaCamera);
    result->setProjectionType(KaCamera::PERSPECTIVE_Y);
    result->viewport(0, 0, width, height);
    result->setName(camera.name);
    result->setPosition(camera.position);
    result->setRotation(q);
    result->setScale(KaVector3f32(1.0f, 1.0f, 1.0f));
    result->setFov(asLoaded(fileFov(camera)));
    result->setAspect(camera.aspect);
    result->setNearDistance(camera.nearPlane);
    result->setFarDistance(farPlane);
    result->projectionMatrix();
    return result;
}
