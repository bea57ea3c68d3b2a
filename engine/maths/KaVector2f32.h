#ifndef KA_VECTOR2F32_H
#define KA_VECTOR2F32_H

#include "engine/maths/KaVector2s32.h"

class KaStream;
class KaVector3f32;
class TiXmlElement;

// 2D float quantities: texture coordinates, ground-plane points of the
// walkable zones. Comparison is exact (no tolerance).
class KaVector2f32 {
public:
    KaVector2f32() : x(0.0f), y(0.0f) {}
    KaVector2f32(float xValue, float yValue) : x(xValue), y(yValue) {}
    KaVector2f32(const KaVector2s32& other) : x(static_cast<float>(other.x)), y(static_cast<float>(other.y)) {}
    // The first two floats of the array.
    explicit KaVector2f32(const float* values) : x(values[0]), y(values[1]) {}
    // x and y; z is dropped.
    KaVector2f32(const KaVector3f32& other);

    KaVector2f32& operator+=(const KaVector2f32& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }
    KaVector2f32& operator-=(const KaVector2f32& other)
    {
        x -= other.x;
        y -= other.y;
        return *this;
    }
    KaVector2f32& operator+=(float value)
    {
        x += value;
        y += value;
        return *this;
    }
    KaVector2f32& operator*=(float factor)
    {
        x *= factor;
        y *= factor;
        return *this;
    }
    // Each component multiplied in double precision, then narrowed. (With
    // both forms, an int factor is ambiguous: say which one is meant.)
    KaVector2f32& operator*=(double factor)
    {
        x = static_cast<float>(static_cast<double>(x) * factor);
        y = static_cast<float>(static_cast<double>(y) * factor);
        return *this;
    }
    KaVector2f32& operator/=(float divisor)
    {
        x /= divisor;
        y /= divisor;
        return *this;
    }

    KaVector2f32 operator-() const { return KaVector2f32(-x, -y); }
    KaVector2f32 operator+(const KaVector2f32& other) const { return KaVector2f32(x + other.x, y + other.y); }
    KaVector2f32 operator-(const KaVector2f32& other) const { return KaVector2f32(x - other.x, y - other.y); }

    bool operator==(const KaVector2f32& other) const { return x == other.x && y == other.y; }
    bool operator!=(const KaVector2f32& other) const { return !(*this == other); }

    float length() const;
    float squaredLength() const { return x * x + y * y; }
    // No epsilon: only a length of exactly 0 leaves the vector unchanged.
    void normalize();
    KaVector2f32 toNormalized() const
    {
        KaVector2f32 copy(*this);
        copy.normalize();
        return copy;
    }
    // The z of the 3D cross product: x * b.y - y * b.x.
    float crossProduct(const KaVector2f32& b) const { return x * b.y - y * b.x; }
    float dotProduct(const KaVector2f32& b) const { return x * b.x + y * b.y; }

    // x then y as floats. False when the stream took or gave less than the
    // whole vector; a short read leaves the components it did not reach.
    static bool serialize(KaStream& stream, const KaVector2f32& vector);
    static bool deserialize(KaStream& stream, KaVector2f32& vector);
    // The element's text as "x,y". False only for a null element; numbers the
    // text does not supply leave their components unchanged.
    static bool deserialize(const TiXmlElement* element, KaVector2f32& vector);

    float x;
    float y;
};

inline KaVector2f32 operator-(const KaVector2f32& v, float s) { return KaVector2f32(v.x - s, v.y - s); }
inline KaVector2f32 operator-(float s, const KaVector2f32& v) { return KaVector2f32(s - v.x, s - v.y); }
inline KaVector2f32 operator+(const KaVector2f32& v, float s) { return KaVector2f32(v.x + s, v.y + s); }
inline KaVector2f32 operator+(float s, const KaVector2f32& v) { return KaVector2f32(s + v.x, s + v.y); }
inline KaVector2f32 operator*(const KaVector2f32& a, const KaVector2f32& b) { return KaVector2f32(a.x * b.x, a.y * b.y); }
inline KaVector2f32 operator*(const KaVector2f32& v, float s) { return KaVector2f32(v.x * s, v.y * s); }
inline KaVector2f32 operator*(float s, const KaVector2f32& v) { return KaVector2f32(s * v.x, s * v.y); }
inline KaVector2f32 operator/(const KaVector2f32& v, float s) { return KaVector2f32(v.x / s, v.y / s); }
inline KaVector2f32 operator/(const KaVector2f32& a, const KaVector2f32& b) { return KaVector2f32(a.x / b.x, a.y / b.y); }

#endif
