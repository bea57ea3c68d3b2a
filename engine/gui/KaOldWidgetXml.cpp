#include "engine/gui/KaOldWidgetXml.h"

#include <cstdlib>
#include <strings.h>
#include <tinyxml.h>

const char* KaOldWidgetXml::attribute(const TiXmlElement& element, const char* lowerName)
{
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (strcasecmp(attribute->Name(), lowerName) == 0)
            return attribute->Value();
    }
    return nullptr;
}

long KaOldWidgetXml::integer(const char* text) { return text ? std::strtol(text, nullptr, 10) : 0; }

bool KaOldWidgetXml::number(const char* text, float& value)
{
    if (!text)
        return false;
    char* end = nullptr;
    const double read = std::strtod(text, &end);
    if (end == text)
        return false;
    value = static_cast<float>(read);
    return true;
}

void KaOldWidgetXml::readMargins(const TiXmlElement& element, float& left, float& right, float& bottom, float& top)
{
    struct Margin {
        const char* name;
        float* value;
    };
    const Margin margins[]
        = { { "leftMargin", &left }, { "rightMargin", &right }, { "bottomMargin", &bottom }, { "topMargin", &top } };
    for (const Margin& margin : margins) {
        for (const TiXmlElement* child = element.FirstChildElement(margin.name); child;
             child = child->NextSiblingElement(margin.name))
            number(child->Attribute("value"), *margin.value);
    }
}

bool KaOldWidgetXml::readScaleCenter(const TiXmlElement& element, KaVector3f32& center)
{
    const TiXmlElement* child = element.FirstChildElement("scaleCenter");
    if (!child)
        return false;
    number(child->Attribute("x"), center.x);
    number(child->Attribute("y"), center.y);
    number(child->Attribute("z"), center.z);
    return true;
}
