#include "game/scene/LightsFile.h"

#include <tinyxml.h>

#include <cstring>

#include "engine/core/KaXMLLoad.h"

namespace {

// The single-precision value the lighting tools convert with, so that angles
// come out to the same bits as the files were tuned against.
const float kPi = 3.1415927f;
const float kDegreesToRadians = kPi / 180.0f;

// Which children a light's type reads.
enum Child : unsigned int {
    POSITION = 1u << 0,
    DIRECTION = 1u << 1,
    COLORS = 1u << 2,
    ATTENUATION = 1u << 3,
    CUTOFF = 1u << 4,
    EXPONENT = 1u << 5,
    DISPLAY_SIZE = 1u << 6,
};

const unsigned int kPointChildren = POSITION | COLORS | ATTENUATION | DISPLAY_SIZE;
const unsigned int kDirectionalChildren = DIRECTION | COLORS | DISPLAY_SIZE;
const unsigned int kSpotChildren = POSITION | DIRECTION | COLORS | ATTENUATION | CUTOFF | EXPONENT | DISPLAY_SIZE;

bool named(const TiXmlElement* element, const char* name) { return std::strcmp(element->Value(), name) == 0; }

// A missing or unreadable attribute leaves value as it was.
void readReal(const TiXmlElement* element, const char* name, float& value)
{
    double number = 0.0;
    if (element->QueryDoubleAttribute(name, &number) == TIXML_SUCCESS)
        value = static_cast<float>(number);
}

// The low 8 bits of the integer, as the colour arithmetic keeps them.
void readChannel(const TiXmlElement* element, const char* name, unsigned char& channel)
{
    int number = 0;
    if (element->QueryIntAttribute(name, &number) == TIXML_SUCCESS)
        channel = static_cast<unsigned char>(static_cast<unsigned int>(number) & 0xFFu);
}

KaColor readOpaqueColor(const TiXmlElement* element, KaColor color)
{
    readChannel(element, "r", color.r);
    readChannel(element, "g", color.g);
    readChannel(element, "b", color.b);
    color.a = 255;
    return color;
}

void readGlobal(const TiXmlElement* global)
{
    for (const TiXmlElement* child = global->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (named(child, "Ambient"))
            KaLight::globalAmbient = readOpaqueColor(child, KaLight::globalAmbient);
    }
}

void readLightChild(const TiXmlElement* child, unsigned int children, KaLight& light)
{
    if ((children & POSITION) && named(child, "Position")) {
        KaVector3f32 position = light.position();
        readReal(child, "x", position.x);
        readReal(child, "y", position.y);
        readReal(child, "z", position.z);
        light.setPosition(position);
    } else if ((children & DIRECTION) && named(child, "Direction")) {
        // The kept value is converted too when an angle is missing: the file
        // is in degrees, the field in radians.
        KaVector2f32 direction = light.direction();
        readReal(child, "h", direction.x);
        readReal(child, "v", direction.y);
        light.setDirection(KaVector2f32(direction.x * kDegreesToRadians, direction.y * kDegreesToRadians));
    } else if ((children & COLORS) && named(child, "Ambient")) {
        light.setAmbient(readOpaqueColor(child, light.ambient()));
    } else if ((children & COLORS) && named(child, "Diffuse")) {
        light.setDiffuse(readOpaqueColor(child, light.diffuse()));
    } else if ((children & COLORS) && named(child, "Specular")) {
        light.setSpecular(readOpaqueColor(child, light.specular()));
    } else if ((children & ATTENUATION) && named(child, "Attenuation")) {
        float constant = light.constantAttenuation();
        float linear = light.linearAttenuation();
        float quadratic = light.quadraticAttenuation();
        readReal(child, "constant", constant);
        readReal(child, "linear", linear);
        readReal(child, "quadratic", quadratic);
        light.setConstantAttenuation(constant);
        light.setLinearAttenuation(linear);
        light.setQuadraticAttenuation(quadratic);
    } else if ((children & CUTOFF) && named(child, "Cutoff")) {
        float cutoff = light.cutoff();
        readReal(child, "value", cutoff);
        light.setCutoff(cutoff * kDegreesToRadians);
    } else if ((children & EXPONENT) && named(child, "Exponent")) {
        float exponent = light.exponent();
        readReal(child, "value", exponent);
        light.setExponent(exponent);
    } else if ((children & DISPLAY_SIZE) && named(child, "DisplaySize")) {
        float size = light.displaySize();
        readReal(child, "value", size);
        light.setDisplaySize(size);
    }
}

KaLight readLight(const TiXmlElement* element)
{
    KaLight light;
    const char* type = element->Attribute("Type");
    unsigned int children = 0;
    if (type && std::strcmp(type, "Point") == 0) {
        light.setType(KaLight::POINT);
        children = kPointChildren;
    } else if (type && std::strcmp(type, "Directional") == 0) {
        light.setType(KaLight::DIRECTIONAL);
        children = kDirectionalChildren;
    } else if (type && std::strcmp(type, "Spot") == 0) {
        light.setType(KaLight::SPOT);
        children = kSpotChildren;
    }
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        readLightChild(child, children, light);
    return light;
}

void readShadow(const TiXmlElement* element, LightsFile::Shadow& shadow)
{
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (named(child, "SourceLight")) {
            child->QueryIntAttribute("number", &shadow.sourceLight);
        } else if (named(child, "Fov")) {
            readReal(child, "value", shadow.fov);
        } else if (named(child, "NearPlane")) {
            readReal(child, "value", shadow.nearPlane);
        } else if (named(child, "FarPlane")) {
            readReal(child, "value", shadow.farPlane);
        } else if (named(child, "Color")) {
            readChannel(child, "r", shadow.color.r);
            readChannel(child, "g", shadow.color.g);
            readChannel(child, "b", shadow.color.b);
            readChannel(child, "a", shadow.color.a);
        }
    }
}

} // namespace

bool LightsFile::read(const KaPath& path, KaArray<KaLight>& lights, Shadow& shadow)
{
    TiXmlDocument document;
    const bool loaded = KaXMLLoad(path, document, "[KaSceneWarp::Load]");
    KaXMLFreeBuffer();
    // TinyXML keeps what it parsed before an error: none of it is used.
    if (!loaded)
        return false;

    if (const TiXmlElement* global = document.FirstChildElement("Global"))
        readGlobal(global);
    if (const TiXmlElement* list = document.FirstChildElement("Lights")) {
        for (const TiXmlElement* element = list->FirstChildElement("Light"); element;
             element = element->NextSiblingElement("Light"))
            lights.pushBack(readLight(element));
    }
    if (const TiXmlElement* element = document.FirstChildElement("Shadow"))
        readShadow(element, shadow);
    return true;
}
