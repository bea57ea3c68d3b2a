#include "game/game/SaveDocument.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <lua.hpp>

#include "engine/core/KaXMLLoad.h"
#include "engine/script/KaLuaContext.h"

namespace {

bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A decimal integer, spaces around it allowed and nothing else.
bool readInteger(const char* text, long long low, long long high, long long& value)
{
    if (!text)
        return false;
    while (space(*text))
        ++text;
    if (!*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long long read = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE)
        return false;
    while (space(*end))
        ++end;
    if (*end || read < low || read > high)
        return false;
    value = read;
    return true;
}

bool readInt(const TiXmlElement& element, const char* attribute, int& value)
{
    long long read = 0;
    if (!readInteger(element.Attribute(attribute), INT_MIN, INT_MAX, read))
        return false;
    value = static_cast<int>(read);
    return true;
}

// A mask or a count: older writers wrote them as signed integers, so a set
// top bit may read as a negative number.
bool readMask(const TiXmlElement& element, const char* attribute, uint32_t& value)
{
    long long read = 0;
    if (!readInteger(element.Attribute(attribute), INT_MIN, UINT32_MAX, read))
        return false;
    value = static_cast<uint32_t>(read);
    return true;
}

// The longest played time a save may hold: beyond it the file is damaged
// (and the game's clock arithmetic would overflow).
const double maxPlayedSeconds = 4294967295.0;

bool readSeconds(const char* text, double& value)
{
    if (!text)
        return false;
    while (space(*text))
        ++text;
    char* end = nullptr;
    const double read = std::strtod(text, &end);
    if (end == text)
        return false;
    while (space(*end))
        ++end;
    if (*end || !std::isfinite(read) || read < 0.0 || read > maxPlayedSeconds)
        return false;
    value = read;
    return true;
}

// Every sequence complete: TinyXML steps over as many bytes as a lead byte
// announces, so a broken one swallows the quote or the bracket after it and
// the document read is not the one in the file. (Nor could it be written
// back: the save folder refuses text that does not read back the same.)
bool wellFormedUtf8(const char* text, std::size_t size)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        const std::size_t extra = lead < 0x80 ? 0
            : (lead >> 5) == 6                ? 1
            : (lead >> 4) == 14               ? 2
            : (lead >> 3) == 30               ? 3
                                              : 4;
        if (extra == 4 || size - i <= extra)
            return extra == 0;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

KaString text(const char* value) { return value ? KaString(value) : KaString(); }

void setUnsigned(TiXmlElement& element, const char* attribute, uint32_t value)
{
    char number[16];
    std::snprintf(number, sizeof number, "%u", static_cast<unsigned int>(value));
    element.SetAttribute(attribute, number);
}

// The type of the global of that name, read without metamethods (a script
// may have given the globals table one).
int globalType(lua_State* state, const char* name)
{
    if (!lua_checkstack(state, 2))
        return LUA_TNONE;
    lua_pushglobaltable(state);
    lua_pushstring(state, name);
    lua_rawget(state, -2);
    const int type = lua_type(state, -1);
    lua_pop(state, 2);
    return type;
}

bool scalarType(int type)
{
    return type == LUA_TNIL || type == LUA_TBOOLEAN || type == LUA_TNUMBER || type == LUA_TSTRING;
}

} // namespace

SaveDocument::SaveDocument()
{
    clear();
}

void SaveDocument::clear()
{
    mDocument.Clear();
    mDocument.ClearError();
    mInventory = mCellphone = mDialog = mContextLua = mDocumentsBrowser = mObjectives = nullptr;
    versionMajor = 1;
    versionMinor = 0;
    hasZone = hasScene = false;
    zone = scene = KaString();
    hasDifficulty = false;
    difficulty = 1;
    hasPlayedTime = false;
    playedSeconds = 0.0;
    hasObjectsTaken = false;
    objectsTaken = objectsTakenBits = 0;
    hasDialogsTold = false;
    dialogsTold = 0;
    hasPreviousScene = false;
    previousScene = KaString();
    music = KaString();
    hasRunMode = false;
    runMode = KaString();
    hasFirstInInventory = false;
    firstInInventory = false;
    hasTutorialActive = false;
    tutorialActive = false;
}

bool SaveDocument::plainName(const KaString& name)
{
    const char* c = name.c_str();
    if (name.length() == 0 || std::strlen(c) != name.length())
        return false;
    for (; *c; ++c) {
        const bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        const bool digit = *c >= '0' && *c <= '9';
        if (!letter && !digit && *c != '_')
            return false;
    }
    return true;
}

bool SaveDocument::read(const KaString& source, const KaLuaContext* lua, KaString& reason)
{
    clear();
    if (std::strlen(source.c_str()) != source.length()) {
        reason = "the text holds a NUL byte";
        return false;
    }
    // TinyXML may step a few bytes past a UTF-8 lead byte at the very end
    // before it sees the terminator: the text it reads ends in zeros.
    std::string padded(source.c_str(), source.length());
    padded.append(8, '\0');
    TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN;
    if (KaXMLNestingDepth(padded.c_str(), TIXML_ENCODING_UNKNOWN, KaXMLMaxDepth, &encoding) > KaXMLMaxDepth) {
        reason.format("not XML (%s)", KaXMLTooDeepText);
        clear();
        return false;
    }
    // Read byte for byte only under a declared single-byte encoding (the
    // game's own saves declare ISO-8859-1).
    if (encoding != TIXML_ENCODING_LEGACY && !wellFormedUtf8(source.c_str(), source.length())) {
        reason = "not UTF-8 text";
        return false;
    }
    KaXMLParse(mDocument, padded.c_str(), TIXML_ENCODING_UNKNOWN);
    if (mDocument.Error()) {
        reason.format("not XML (%s, line %d)", mDocument.ErrorDesc(), mDocument.ErrorRow());
        clear();
        return false;
    }
    TiXmlElement* save = mDocument.FirstChildElement("Save");
    if (!save) {
        reason = "no \"Save\" element";
        clear();
        return false;
    }
    if (!readValues(*save, reason) || !checkInventory(reason) || !checkDocuments(reason)
        || !checkGlobals(lua, reason)) {
        clear();
        return false;
    }
    return true;
}

bool SaveDocument::readValues(TiXmlElement& save, KaString& why)
{
    if (const TiXmlElement* version = save.FirstChildElement("GameVersion")) {
        if ((version->Attribute("major") && !readInt(*version, "major", versionMajor))
            || (version->Attribute("minor") && !readInt(*version, "minor", versionMinor))) {
            why = "\"GameVersion\" is not a number";
            return false;
        }
    }
    mInventory = save.FirstChildElement("Inventory");
    mCellphone = save.FirstChildElement("Cellphone");
    mDialog = save.FirstChildElement("Dialog");
    mContextLua = save.FirstChildElement("ContextLua");
    mDocumentsBrowser = save.FirstChildElement("DocumentsBrowser");
    mObjectives = save.FirstChildElement("Objectives");

    if (const TiXmlElement* warp = save.FirstChildElement("WarpName")) {
        hasZone = warp->Attribute("zone") != nullptr;
        zone = text(warp->Attribute("zone"));
        hasScene = warp->Attribute("scene") != nullptr;
        scene = text(warp->Attribute("scene"));
        if ((hasZone && !plainName(zone)) || (hasScene && !plainName(scene))) {
            why.format("\"WarpName\" \"%s\" \"%s\" is not a plain zone and scene", zone.c_str(), scene.c_str());
            return false;
        }
    }
    if (const TiXmlElement* element = save.FirstChildElement("Difficulty")) {
        hasDifficulty = true;
        if (!readInt(*element, "value", difficulty)) {
            why = "\"Difficulty\" is not a number";
            return false;
        }
        if (const TiXmlElement* played = save.FirstChildElement("PlayedTime")) {
            hasPlayedTime = true;
            if (!readSeconds(played->Attribute("value"), playedSeconds)) {
                why = "\"PlayedTime\" is not a number of seconds";
                return false;
            }
        }
    }
    if (const TiXmlElement* element = save.FirstChildElement("ObjectsTaken")) {
        hasObjectsTaken = true;
        if (!readMask(*element, "value", objectsTaken) || !readMask(*element, "bits", objectsTakenBits)) {
            why = "\"ObjectsTaken\" is not a number";
            return false;
        }
    }
    if (const TiXmlElement* element = save.FirstChildElement("DialogsTold")) {
        hasDialogsTold = true;
        if (!readMask(*element, "value", dialogsTold)) {
            why = "\"DialogsTold\" is not a number";
            return false;
        }
    }
    if (const TiXmlElement* element = save.FirstChildElement("PreviousScene")) {
        if (const char* name = element->Attribute("name")) {
            hasPreviousScene = true;
            previousScene = name;
            // The scene scripts are told it and may warp back to it.
            if (previousScene.length() && !plainName(previousScene)) {
                why.format("\"PreviousScene\" \"%s\" is not a plain scene name", name);
                return false;
            }
        }
    }
    if (const TiXmlElement* element = save.FirstChildElement("Music"))
        music = text(element->Attribute("path"));
    if (const TiXmlElement* element = save.FirstChildElement("RunMode")) {
        hasRunMode = true;
        runMode = text(element->Attribute("run"));
    }
    if (const TiXmlElement* element = save.FirstChildElement("FirstInInventory")) {
        hasFirstInInventory = true;
        firstInInventory = text(element->Attribute("firstTime")) == "1";
    }
    if (const TiXmlElement* element = save.FirstChildElement("TutorialActive")) {
        hasTutorialActive = true;
        tutorialActive = text(element->Attribute("value")) == "1";
    }
    return true;
}

bool SaveDocument::checkInventory(KaString& why) const
{
    if (!mInventory)
        return true;
    // An object's identifier names its picture file.
    for (const TiXmlElement* page = mInventory->FirstChildElement("Page"); page;
         page = page->NextSiblingElement("Page"))
        for (const TiXmlElement* slot = page->FirstChildElement("Slot"); slot; slot = slot->NextSiblingElement("Slot"))
            for (const TiXmlElement* object = slot->FirstChildElement("Object"); object;
                 object = object->NextSiblingElement("Object")) {
                const KaString id = text(object->Attribute("id"));
                if (!plainName(id)) {
                    why.format("inventory object \"%s\" is not a plain name", id.c_str());
                    return false;
                }
            }
    return true;
}

bool SaveDocument::checkDocuments(KaString& why) const
{
    if (!mDocumentsBrowser)
        return true;
    // A document's identifier names its pictures and its pages' GUIs.
    for (const TiXmlElement* page = mDocumentsBrowser->FirstChildElement("Page"); page;
         page = page->NextSiblingElement("Page"))
        for (const TiXmlElement* slot = page->FirstChildElement("Slot"); slot; slot = slot->NextSiblingElement("Slot"))
            for (const TiXmlElement* document = slot->FirstChildElement("Document"); document;
                 document = document->NextSiblingElement("Document")) {
                const KaString id = text(document->Attribute("id"));
                if (!plainName(id)) {
                    why.format("document \"%s\" is not a plain name", id.c_str());
                    return false;
                }
            }
    return true;
}

bool SaveDocument::checkGlobals(const KaLuaContext* lua, KaString& why) const
{
    if (!mContextLua)
        return true;
    lua_State* state = lua ? lua->luaState() : nullptr;
    for (const TiXmlElement* element = mContextLua->FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        const char* kind = element->Value();
        const char* name = element->Attribute("name");
        const char* value = element->Attribute("value");
        // A string without a value is a global the game had removed.
        if (!name || (!value && std::strcmp(kind, "String") != 0)) {
            why.format("saved global \"%s\" without a name or a value", kind);
            return false;
        }
        bool wellFormed = false;
        if (std::strcmp(kind, "Boolean") == 0) {
            int integer = 0;
            wellFormed = std::sscanf(value, "%d", &integer) == 1;
        } else if (std::strcmp(kind, "Number") == 0) {
            double number = 0;
            wellFormed = std::sscanf(value, "%lf", &number) == 1;
        } else {
            wellFormed = std::strcmp(kind, "String") == 0;
        }
        if (!wellFormed) {
            why.format("saved global \"%s\" is not a boolean, a number or a string", name);
            return false;
        }
        if (state && !scalarType(globalType(state, name))) {
            why.format("saved global \"%s\" would replace a function or a table", name);
            return false;
        }
    }
    return true;
}

TiXmlDeclaration* SaveDocument::declaration() { return new TiXmlDeclaration("1.0", "ISO-8859-1", ""); }

void SaveDocument::writeVersion(TiXmlElement& save)
{
    TiXmlElement* version = new TiXmlElement("GameVersion");
    version->SetAttribute("major", 1);
    version->SetAttribute("minor", 0);
    save.LinkEndChild(version);
}

void SaveDocument::write(TiXmlElement& save) const
{
    TiXmlElement* warp = new TiXmlElement("WarpName");
    warp->SetAttribute("zone", zone.c_str());
    warp->SetAttribute("scene", scene.c_str());
    save.LinkEndChild(warp);

    TiXmlElement* element = new TiXmlElement("Difficulty");
    element->SetAttribute("value", difficulty);
    save.LinkEndChild(element);

    element = new TiXmlElement("PlayedTime");
    const double seconds = playedSeconds < 0.0 ? 0.0 : playedSeconds > maxPlayedSeconds ? maxPlayedSeconds : playedSeconds;
    setUnsigned(*element, "value", static_cast<uint32_t>(seconds));
    save.LinkEndChild(element);

    element = new TiXmlElement("ObjectsTaken");
    setUnsigned(*element, "value", objectsTaken);
    setUnsigned(*element, "bits", objectsTakenBits);
    save.LinkEndChild(element);

    element = new TiXmlElement("DialogsTold");
    setUnsigned(*element, "value", dialogsTold);
    save.LinkEndChild(element);

    element = new TiXmlElement("PreviousScene");
    element->SetAttribute("name", previousScene.c_str());
    save.LinkEndChild(element);

    element = new TiXmlElement("Music");
    element->SetAttribute("path", music.c_str());
    save.LinkEndChild(element);

    element = new TiXmlElement("RunMode");
    element->SetAttribute("run", runMode.c_str());
    save.LinkEndChild(element);

    element = new TiXmlElement("FirstInInventory");
    element->SetAttribute("firstTime", firstInInventory ? "1" : "0");
    save.LinkEndChild(element);

    element = new TiXmlElement("TutorialActive");
    element->SetAttribute("value", tutorialActive ? 1 : 0);
    save.LinkEndChild(element);
}
