#include "engine/script/LocFile.h"

#include <tinyxml.h>

#include <cstring>

#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"

namespace {

bool isEntry(const char* name)
{
    return std::strcmp(name, "dialog") == 0 || std::strcmp(name, "value") == 0 || std::strcmp(name, "text") == 0;
}

KaString attribute(const TiXmlElement& element, const char* name)
{
    const char* text = element.Attribute(name);
    return text ? KaString(text) : KaString();
}

} // namespace

LocFile::LocFile() = default;

LocFile::~LocFile()
{
    if (core.exists())
        core.get()->removeLoc(*this);
}

void LocFile::load(KaString path)
{
    mTable.clear();
    TiXmlDocument document;
    const bool loaded = KaXMLLoad(path, document, "[LocFile::Load]");
    KaXMLFreeBuffer();
    // TinyXML keeps what it parsed before an error: none of it is an entry.
    if (!loaded)
        return;

    for (const TiXmlElement* element = document.FirstChildElement("value"); element;
         element = element->NextSiblingElement()) {
        if (!isEntry(element->Value()))
            continue;
        KaILocData entry;
        entry.name = attribute(*element, "name");
        entry.value = attribute(*element, "value");
        entry.avatar = attribute(*element, "avatar");
        mTable.pushBack(entry.name, entry);
    }
}

const KaString* LocFile::value(const KaString& key) const { return text(key); }

const KaString* LocFile::avatar(const KaString& key) const
{
    KaMap<KaString, KaILocData>::KaIterator entry = mTable.find(key);
    if (entry == mTable.end())
        return nullptr;
    return &entry->value.avatar;
}
