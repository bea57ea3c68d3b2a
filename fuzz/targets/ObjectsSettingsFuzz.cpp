// The 3D objects' settings "objects/ObjectsSettings.xml"
// (Object3D::loadSettings), damaged or forged: a file that does not parse,
// or has no "ObjectsSettings" root, leaves the settings empty; one that
// loads gives at most one record per "Object" and reads again to the same.

#include "engine/core/KaXMLLoad.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/scene/Object3D.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("ObjectsSettings.xml", data, size);
    TiXmlDocument document;
    const bool parses = KaXMLLoad(path, document, "[fuzz]");
    KaXMLFreeBuffer();
    const TiXmlElement* root = parses ? document.FirstChildElement("ObjectsSettings") : nullptr;

    const bool loaded = Object3D::loadSettings(path);
    KaFuzzCheck(loaded == (root != nullptr), "the settings load from exactly the files with their root");
    if (!loaded) {
        KaFuzzCheck(Object3D::objectsSettings().empty(), "a refused file leaves no settings");
        return 0;
    }
    unsigned long objects = 0;
    for (const TiXmlElement* object = root->FirstChildElement("Object"); object;
         object = object->NextSiblingElement("Object"))
        ++objects;
    const std::size_t count = Object3D::objectsSettings().size();
    KaFuzzCheck(count <= objects, "no more records than objects");
    KaFuzzCheck(Object3D::loadSettings(path) && Object3D::objectsSettings().size() == count,
        "the same file reads again to the same settings");
    return 0;
}
