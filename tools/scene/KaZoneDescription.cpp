#include "tools/scene/KaZoneDescription.h"

const KaZoneDescription::Material* KaZoneDescription::material(const KaString& materialName) const
{
    for (unsigned long i = 0; i < materials.size(); ++i)
        if (materials[i].name == materialName)
            return &materials[i];
    return nullptr;
}
