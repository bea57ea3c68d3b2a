#include "tools/scene/KaZoneDescription.h"

#include <cmath>

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
