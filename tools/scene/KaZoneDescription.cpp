#include "tools/scene/KaZoneDescription.h"

const KaZoneDescription::Material* KaZoneDescription::material(const KaString& materialName) const
{
    for (unsigned long i = 0; i < materials.size(); ++i)
        if (materials[i].name == materialName)
            return &materials[i];
    return nullptr;
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
