#include "engine/maths/KaVector2s32.h"

#include <cmath>

#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaVector2f32.h"

KaVector2s32::KaVector2s32(const KaVector2f32& other)
    : x(static_cast<int32_t>(other.x))
    , y(static_cast<int32_t>(other.y))
{
}

float KaVector2s32::getLength() const { return std::sqrt(static_cast<float>(squaredSum())); }

void KaVector2s32::normalize()
{
    if (x == 0 && y == 0)
        return;
    // Squares too large for 32 bits wrap; a sum that wrapped to zero or below
    // has no usable root, and the vector stays as it is rather than being
    // divided by zero.
    int32_t sum = squaredSum();
    if (sum <= 0)
        return;
    int32_t length = static_cast<int32_t>(std::sqrt(static_cast<double>(sum)));
    x = wrapDiv(x, length);
    y = wrapDiv(y, length);
}

bool KaVector2s32::serialize(KaStream& stream, const KaVector2s32& vector)
{
    bool ok = KaMathsStream::write(stream, static_cast<int>(vector.x));
    ok = KaMathsStream::write(stream, static_cast<int>(vector.y)) && ok;
    return ok;
}

bool KaVector2s32::deserialize(KaStream& stream, KaVector2s32& vector)
{
    int value = vector.x;
    bool ok = KaMathsStream::read(stream, value);
    vector.x = value;
    value = vector.y;
    ok = KaMathsStream::read(stream, value) && ok;
    vector.y = value;
    return ok;
}
