#ifndef LIGHTS_FILE_H
#define LIGHTS_FILE_H

#include "engine/color/KaColor.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaLight.h"

// A scene's "lights.xml": the global ambient colour ("Global"), the scene's
// lights ("Lights", one "Light" each) and the characters' shadow
// ("Shadow"). Each of the three is the first top-level element of its name,
// wherever it stands; a missing one leaves its part alone.
//
// A light reads only the children its "Type" uses ("Point", "Directional",
// "Spot"); any other type reads none and is still added, as a point light
// with the defaults. Colours keep the low 8 bits of each integer and are
// opaque; angles are written in degrees and kept in radians.
//
// A value the file does not give keeps what the field held: a missing real,
// colour component or shadow light number changes nothing (the files always
// give colours and numbers, and keeping is the one choice that never
// invents a value). A spot light without "Exponent" keeps KaLight's 0, the
// GL default: light evenly spread across the cone.
class LightsFile {
public:
    // The characters' shadow as the scene keeps it between scenes; the file
    // overwrites only what it gives.
    struct Shadow {
        int sourceLight = -1;
        float fov = 20.0f;
        float nearPlane = 1.0f;
        float farPlane = 1000.0f;
        KaColor color { 0, 0, 0, 128 };
    };

    // Appends the file's lights to lights in file order (a light's index is
    // its renderer slot), sets KaLight::globalAmbient and the shadow fields
    // the file gives. False, after the XML loader's console line, when the
    // file cannot be opened or parsed; nothing is changed then.
    static bool read(const KaPath& path, KaArray<KaLight>& lights, Shadow& shadow);
};

#endif
