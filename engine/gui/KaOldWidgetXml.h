#ifndef KA_OLD_WIDGET_XML_H
#define KA_OLD_WIDGET_XML_H

#include "engine/maths/KaVector3f32.h"

class TiXmlElement;

// What the XML readers of the older widgets share: attribute lookup, numbers
// read the way the GUI files expect, the margin and scale-centre children.
class KaOldWidgetXml {
public:
    // The value of the first attribute with that name in any letter case
    // (name given in lower case); null when there is none.
    static const char* attribute(const TiXmlElement& element, const char* lowerName);
    // The decimal integer the text starts with ("1" is 1, "true" is 0).
    static long integer(const char* text);
    // True, with the value, when the text starts with a decimal number.
    static bool number(const char* text, float& value);
    // The "value" of the children "leftMargin", "rightMargin", "bottomMargin"
    // and "topMargin", each only when it reads as a number.
    static void readMargins(const TiXmlElement& element, float& left, float& right, float& bottom, float& top);
    // With a child "scaleCenter": each of its "x", "y", "z" that reads as a
    // number replaces that component. False without the child.
    static bool readScaleCenter(const TiXmlElement& element, KaVector3f32& center);
};

#endif
