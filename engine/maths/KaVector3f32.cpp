#include "engine/maths/KaVector3f32.h"

#include <cmath>
#include <tinyxml.h>

#include "engine/core/KaString.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"

float KaVector3f32::getLength() const { return std::sqrt(squaredLength()); }

void KaVector3f32::normalize()
{
    float l = getLength();
    if (l == 0.0f)
        return;
    x /= l;
    y /= l;
    z /= l;
}

void KaVector3f32::rotate(const KaQuaternion& q) { *this = q.toMatrix() * *this; }

bool KaVector3f32::serialize(KaStream& stream, const KaVector3f32& vector)
{
    return KaMathsStream::writeAll(stream, vector.x, vector.y, vector.z);
}

bool KaVector3f32::deserialize(KaStream& stream, KaVector3f32& vector)
{
    return KaMathsStream::readAll(stream, vector.x, vector.y, vector.z);
}

bool KaVector3f32::deserialize(const TiXmlElement* element, KaVector3f32& vector)
{
    if (!element)
        return false;
    KaString(element->GetText()).scan("%f,%f,%f", &vector.x, &vector.y, &vector.z);
    return true;
}
