// A scene's "lights.xml" (LightsFile::read), damaged or forged: a file that
// does not parse changes nothing; one that parses appends one light per
// "Light" of its "Lights", with opaque colours, and leaves the global
// ambient opaque. The same file read again gives the same lights.

#include <cstring>

#include "engine/core/KaXMLLoad.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/scene/LightsFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

unsigned long lightsIn(const TiXmlDocument& document)
{
    const TiXmlElement* list = document.FirstChildElement("Lights");
    unsigned long count = 0;
    if (list)
        for (const TiXmlElement* light = list->FirstChildElement("Light"); light;
             light = light->NextSiblingElement("Light"))
            ++count;
    return count;
}

bool sameColor(const KaColor& a, const KaColor& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

bool sameShadow(const LightsFile::Shadow& a, const LightsFile::Shadow& b)
{
    return a.sourceLight == b.sourceLight && std::memcmp(&a.fov, &b.fov, sizeof a.fov) == 0
        && std::memcmp(&a.nearPlane, &b.nearPlane, sizeof a.nearPlane) == 0
        && std::memcmp(&a.farPlane, &b.farPlane, sizeof a.farPlane) == 0 && sameColor(a.color, b.color);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("lights.xml", data, size);
    TiXmlDocument document;
    const bool parses = KaXMLLoad(path, document, "[fuzz]");
    KaXMLFreeBuffer();

    KaLight::globalAmbient = KaColor(10, 20, 30, 255);
    KaArray<KaLight> lights;
    lights.pushBack(KaLight());
    LightsFile::Shadow shadow;
    const LightsFile::Shadow before = shadow;
    const bool read = LightsFile::read(path, lights, shadow);
    KaFuzzCheck(read == parses, "the lights are read from exactly the files that parse");
    if (!read) {
        KaFuzzCheck(lights.size() == 1 && sameShadow(shadow, before), "a refused file changes nothing");
        KaFuzzCheck(sameColor(KaLight::globalAmbient, KaColor(10, 20, 30, 255)), "nor the global ambient");
        return 0;
    }
    KaFuzzCheck(lights.size() == 1 + lightsIn(document), "one light per Light element");
    KaFuzzCheck(KaLight::globalAmbient.a == 255, "the global ambient stays opaque");
    for (unsigned long i = 1; i < lights.size(); ++i)
        KaFuzzCheck(lights[i].ambient().a == 255 && lights[i].diffuse().a == 255 && lights[i].specular().a == 255,
            "a light's colours are opaque");

    KaArray<KaLight> again;
    again.pushBack(KaLight());
    LightsFile::Shadow shadowAgain;
    KaFuzzCheck(LightsFile::read(path, again, shadowAgain), "the same file reads again");
    KaFuzzCheck(again.size() == lights.size() && sameShadow(shadowAgain, shadow), "to the same lights and shadow");
    return 0;
}
