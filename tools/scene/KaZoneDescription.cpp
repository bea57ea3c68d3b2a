#include "tools/scene/KaZoneDescription.h"

#include <cmath>
#include <initializer_list>

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

KaZoneDescription::Material KaZoneDescription::Material::make(const KaString& name, const KaColor& base,
    const KaColor& accent, const KaString& pattern, float scale, float gloss, float emissive)
{
    Material material;
    material.name = name;
    material.base = base;
    material.accent = accent;
    material.pattern = pattern;
    material.scale = scale;
    material.gloss = gloss;
    material.emissive = emissive;
    return material;
}

KaZoneDescription::Shape KaZoneDescription::Shape::box(
    const KaVector3f32& min, const KaVector3f32& max, const KaString& material, bool inside)
{
    Shape shape;
    shape.kind = "box";
    shape.min = min;
    shape.max = max;
    shape.material = material;
    shape.inside = inside;
    return shape;
}

KaZoneDescription::Shape KaZoneDescription::Shape::quad(const KaVector3f32& a, const KaVector3f32& b,
    const KaVector3f32& c, const KaVector3f32& d, const KaString& material)
{
    Shape shape;
    shape.kind = "quad";
    shape.corners[0] = a;
    shape.corners[1] = b;
    shape.corners[2] = c;
    shape.corners[3] = d;
    shape.material = material;
    return shape;
}

KaArray<KaString> KaZoneDescription::Scene::states() const
{
    KaArray<KaString> names;
    for (unsigned long i = 0; i < shapes.size(); ++i) {
        for (const KaString* state : { &shapes[i].only, &shapes[i].except }) {
            bool known = state->length() == 0;
            for (unsigned long k = 0; k < names.size() && !known; ++k)
                known = names[k] == *state;
            if (!known)
                names.pushBack(*state);
        }
    }
    return names;
}
