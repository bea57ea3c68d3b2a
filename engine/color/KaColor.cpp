#include "engine/color/KaColor.h"

#include <cstdint>

#include <tinyxml.h>

#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"

namespace {

// Truncation toward zero to a 32-bit integer, keeping the low byte. The
// out-of-range case is spelled out because converting such a float is
// undefined in C++; x86 gives the "integer indefinite" 0x80000000 there,
// whose low byte is 0.
unsigned char lowByteOfTruncated(float value)
{
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return 0;
    const int32_t truncated = static_cast<int32_t>(value);
    return static_cast<unsigned char>(static_cast<uint32_t>(truncated) & 0xFFu);
}

unsigned char divideChannel(unsigned char x, unsigned char y)
{
    if (y == 0)
        return x == 0 ? 0 : 255;
    const unsigned int quotient = static_cast<unsigned int>(x) * 255u / y;
    return static_cast<unsigned char>(quotient > 255u ? 255u : quotient);
}

bool readByte(KaStream& stream, unsigned char& value) { return stream.read(value) == 1; }

} // namespace

KaColor::KaColor(unsigned int rgba)
    : r(static_cast<unsigned char>(rgba >> 24))
    , g(static_cast<unsigned char>(rgba >> 16))
    , b(static_cast<unsigned char>(rgba >> 8))
    , a(static_cast<unsigned char>(rgba))
{
}

KaColor::KaColor(unsigned short packed)
    : r(static_cast<unsigned char>((packed >> 7) & 0xF8))
    , g(static_cast<unsigned char>((packed >> 2) & 0xF8))
    , b(static_cast<unsigned char>((packed << 3) & 0xFF))
    , a(0)
{
}

unsigned short KaColor::getPacked() const
{
    return static_cast<unsigned short>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

unsigned short KaColor::rgb24to15(unsigned char red, unsigned char green, unsigned char blue)
{
    return static_cast<unsigned short>((red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10));
}

unsigned short KaColor::rgb24to16(unsigned char red, unsigned char green, unsigned char blue)
{
    return static_cast<unsigned short>((red >> 3) | ((green >> 2) << 5) | ((blue >> 3) << 11));
}

unsigned short KaColor::rgb32to16(unsigned char red, unsigned char green, unsigned char blue, unsigned char)
{
    return rgb24to15(red, green, blue);
}

bool KaColor::serialize(KaStream& stream, const KaColor& color)
{
    unsigned int written = stream.write(color.r);
    written += stream.write(color.g);
    written += stream.write(color.b);
    written += stream.write(color.a);
    return written == 4;
}

bool KaColor::deserialize(KaStream& stream, KaColor& color)
{
    return readByte(stream, color.r) && readByte(stream, color.g) && readByte(stream, color.b)
        && readByte(stream, color.a);
}

bool KaColor::deserialize(const TiXmlElement* element, KaColor& color)
{
    if (!element)
        return false;
    int channels[4] = { color.r, color.g, color.b, color.a };
    KaString(element->GetText()).scan("%d,%d,%d,%d", &channels[0], &channels[1], &channels[2], &channels[3]);
    color.r = static_cast<unsigned char>(channels[0] & 0xFF);
    color.g = static_cast<unsigned char>(channels[1] & 0xFF);
    color.b = static_cast<unsigned char>(channels[2] & 0xFF);
    color.a = static_cast<unsigned char>(channels[3] & 0xFF);
    return true;
}

bool operator==(const KaColor& left, const KaColor& right)
{
    return left.r == right.r && left.g == right.g && left.b == right.b && left.a == right.a;
}

bool operator!=(const KaColor& left, const KaColor& right) { return !(left == right); }

KaColor operator+(const KaColor& left, const KaColor& right)
{
    return KaColor(static_cast<unsigned char>(left.r + right.r), static_cast<unsigned char>(left.g + right.g),
        static_cast<unsigned char>(left.b + right.b), static_cast<unsigned char>(left.a + right.a));
}

KaColor operator*(const KaColor& left, const KaColor& right)
{
    return KaColor(static_cast<unsigned char>(left.r * right.r / 255),
        static_cast<unsigned char>(left.g * right.g / 255), static_cast<unsigned char>(left.b * right.b / 255),
        static_cast<unsigned char>(left.a * right.a / 255));
}

KaColor operator/(const KaColor& left, const KaColor& right)
{
    return KaColor(divideChannel(left.r, right.r), divideChannel(left.g, right.g), divideChannel(left.b, right.b),
        divideChannel(left.a, right.a));
}

KaColor operator*(const KaColor& color, float factor)
{
    return KaColor(lowByteOfTruncated(static_cast<float>(color.r) * factor),
        lowByteOfTruncated(static_cast<float>(color.g) * factor),
        lowByteOfTruncated(static_cast<float>(color.b) * factor),
        lowByteOfTruncated(static_cast<float>(color.a) * factor));
}

KaColor operator/(const KaColor& color, float divisor)
{
    return KaColor(lowByteOfTruncated(static_cast<float>(color.r) / divisor),
        lowByteOfTruncated(static_cast<float>(color.g) / divisor),
        lowByteOfTruncated(static_cast<float>(color.b) / divisor),
        lowByteOfTruncated(static_cast<float>(color.a) / divisor));
}

KaColor linearInterpolation(const KaColor& from, const KaColor& to, float t) { return from * (1.0f - t) + to * t; }
