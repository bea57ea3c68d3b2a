#include "tools/scene/KaZoneDescription.h"

#include <cmath>

#include "engine/maths/KaMatrix4x4.h"

namespace {

const float kPi = 3.14159265f;

template <class T>
const T* findByName(const KaArray<T>& items, const KaString& name)
{
    for (unsigned long i = 0; i < items.size(); ++i)
        if (items[i].name == name)
            return &items[i];
    return nullptr;
}

} // namespace

KaQuaternion KaZoneDescription::Camera::rotation() const
{
    // The look-at matrix's columns are the camera's right, up and view axes
    // in the world, which is the camera node's own rotation.
    KaMatrix4x4 look;
    look.setLookAt(position, target, KaVector3f32(0.0f, 1.0f, 0.0f));
    KaQuaternion q = look.rotation();
    q.normalize();
    return q;
}

float KaZoneDescription::Camera::fileFov() const
{
    const double vertical = static_cast<double>(fovDegrees) * 3.14159265358979323846 / 180.0;
    return static_cast<float>(2.0 * std::atan(std::tan(vertical / 2.0) * static_cast<double>(aspect)));
}

KaIntrusivePtr<KaCamera> KaZoneDescription::Camera::build(unsigned int viewportWidth, unsigned int viewportHeight) const
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera);
    camera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    camera->viewport(0, 0, viewportWidth, viewportHeight);
    camera->setName(name);
    camera->setPosition(position);
    camera->setRotation(rotation());
    camera->setScale(KaVector3f32(1.0f, 1.0f, 1.0f));
    // The scene reads the angle through degrees, in single precision; the
    // same round trip here keeps the last bit of the projection identical.
    const float degrees = fileFov() * 180.0f / kPi;
    camera->setFov(degrees * kPi / 180.0f);
    camera->setAspect(aspect);
    camera->setNearDistance(nearPlane);
    camera->setFarDistance(3000.0f);
    camera->projectionMatrix();
    return camera;
}

KaQuaternion KaZoneDescription::Dummy::rotation() const
{
    return KaQuaternion::fromEuler(KaVector3f32(0.0f, yawDegrees * kPi / 180.0f, 0.0f));
}

const KaZoneDescription::Material* KaZoneDescription::material(const KaString& materialName) const
{
    return findByName(materials, materialName);
}

const KaZoneDescription::Scene* KaZoneDescription::scene(const KaString& sceneName) const
{
    return findByName(scenes, sceneName);
}

const KaZoneDescription::WalkZone* KaZoneDescription::walkZone(const KaString& zoneName) const
{
    return findByName(walkZones, zoneName);
}

const KaZoneDescription::Object* KaZoneDescription::object(const KaString& objectName) const
{
    return findByName(objects, objectName);
}

void KaZoneDescription::clear()
{
    name = KaString();
    materials.clear();
    objects.clear();
    walkZones.clear();
    curves.clear();
    dummies.clear();
    scenes.clear();
}
