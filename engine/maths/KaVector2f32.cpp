#include "engine/maths/KaVector2f32.h"

#include <cmath>
#include <tinyxml.h>

#include "engine/core/KaString.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaVector3f32.h"

KaVector2f32::KaVector2f32(const KaVector3f32& other)
    : x(other.x)
    , y(other.y)
{
}

float KaVector2f32::length() const { return std::sqrt(x * x + y * y); }

void KaVector2f32::normalize()
{
    float l = length();
    if (l == 0.0f)
        return;
    x /= l;
    y /= l;
}

bool KaVector2f32::serialize(KaStream& stream, const KaVector2f32& vector)
{
    return KaMathsStream::writeAll(stream, vector.x, vector.y);
}

bool KaVector2f32::deserialize(KaStream& stream, KaVector2f32& vector)
{
    return KaMathsStream::readAll(stream, vector.x, vector.y);
}

bool KaVector2f32::deserialize(const TiXmlElement* element, KaVector2f32& vector)
{
    if (!element)
        return false;
    KaString(element->GetText()).scan("%f,%f", &vector.x, &vector.y);
    return true;
}
