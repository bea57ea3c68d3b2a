// The characters' settings "models/ModelsSettings.xml"
// (Character::loadSettings, and Character::deserialize of each "walk"),
// damaged or forged: a file that does not parse, or has no "ModelsSettings"
// root, leaves the table empty; one that loads gives one record per model
// name and reads again to the same table.

#include <cstring>

#include "engine/core/KaXMLLoad.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/characters/Character.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("ModelsSettings.xml", data, size);
    TiXmlDocument document;
    const bool parses = KaXMLLoad(path, document, "[fuzz]");
    KaXMLFreeBuffer();
    const TiXmlElement* root = parses ? document.FirstChildElement("ModelsSettings") : nullptr;

    const bool loaded = Character::loadSettings(path);
    KaFuzzCheck(loaded == (root != nullptr), "the settings load from exactly the files with their root");
    if (!loaded) {
        KaFuzzCheck(Character::charactersSettings().empty(), "a refused file leaves no settings");
        return 0;
    }
    unsigned long models = 0;
    for (const TiXmlElement* model = root->FirstChildElement("Model"); model; model = model->NextSiblingElement("Model"))
        ++models;
    const std::size_t count = Character::charactersSettings().size();
    KaFuzzCheck(count <= models, "no more records than models");

    // Every "walk" of the file, read alone as the settings read it.
    for (const TiXmlElement* model = root->FirstChildElement(); model; model = model->NextSiblingElement())
        for (const TiXmlElement* walk = model->FirstChildElement("walk"); walk; walk = walk->NextSiblingElement("walk")) {
            Character::CharacterSettings::Walk read;
            KaFuzzCheck(Character::deserialize(walk, read), "a walk element reads");
        }
    Character::CharacterSettings::Walk none;
    KaFuzzCheck(!Character::deserialize(nullptr, none), "no element is no walk");

    KaFuzzCheck(Character::loadSettings(path) && Character::charactersSettings().size() == count,
        "the same file reads again to the same table");
    return 0;
}
