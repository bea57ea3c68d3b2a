#ifndef KA_VECTOR3F32_H
#define KA_VECTOR3F32_H

#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3s32.h"

class KaQuaternion;
class KaStream;
class TiXmlElement;

// Every 3D position, size, scale, direction and normal of the engine.
// Comparison is exact (no tolerance).
class KaVector3f32 {
public:
    KaVector3f32() : x(0.0f), y(0.0f), z(0.0f) {}
    KaVector3f32(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {}
    // The first three floats of the array.
    explicit KaVector3f32(const float* values) : x(values[0]), y(values[1]), z(values[2]) {}
    // z = 0.
    KaVector3f32(const KaVector2s32& other)
        : x(static_cast<float>(other.x))
        , y(static_cast<float>(other.y))
        , z(0.0f)
    {
    }
    KaVector3f32(const KaVector3s32& other)
        : x(static_cast<float>(other.x))
        , y(static_cast<float>(other.y))
        , z(static_cast<float>(other.z))
    {
    }

    KaVector3f32& operator+=(const KaVector3f32& other)
    {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }
    KaVector3f32& operator-=(const KaVector3f32& other)
    {
        x -= other.x;
        y -= other.y;
        z -= other.z;
        return *this;
    }
    KaVector3f32& operator+=(float value)
    {
        x += value;
        y += value;
        z += value;
        return *this;
    }
    KaVector3f32& operator*=(float factor)
    {
        x *= factor;
        y *= factor;
        z *= factor;
        return *this;
    }
    // Each component multiplied in double precision, then narrowed. (With
    // both forms, an int factor is ambiguous: say which one is meant.)
    KaVector3f32& operator*=(double factor)
    {
        x = static_cast<float>(static_cast<double>(x) * factor);
        y = static_cast<float>(static_cast<double>(y) * factor);
        z = static_cast<float>(static_cast<double>(z) * factor);
        return *this;
    }
    KaVector3f32& operator*=(const KaVector3f32& other)
    {
        x *= other.x;
        y *= other.y;
        z *= other.z;
        return *this;
    }
    KaVector3f32& operator/=(float divisor)
    {
        x /= divisor;
        y /= divisor;
        z /= divisor;
        return *this;
    }
    // Becomes this x b.
    KaVector3f32& operator^=(const KaVector3f32& b)
    {
        *this = crossProduct(b);
        return *this;
    }

    KaVector3f32 crossProduct(const KaVector3f32& b) const
    {
        return KaVector3f32(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
    }
    float dotProduct(const KaVector3f32& b) const { return x * b.x + y * b.y + z * b.z; }

    KaVector3f32 operator-() const { return KaVector3f32(-x, -y, -z); }
    KaVector3f32 operator+(const KaVector3f32& other) const
    {
        return KaVector3f32(x + other.x, y + other.y, z + other.z);
    }
    KaVector3f32 operator-(const KaVector3f32& other) const
    {
        return KaVector3f32(x - other.x, y - other.y, z - other.z);
    }

    bool operator==(const KaVector3f32& other) const { return x == other.x && y == other.y && z == other.z; }
    bool operator!=(const KaVector3f32& other) const { return !(*this == other); }

    float getLength() const;
    float squaredLength() const { return z * z + (x * x + y * y); }
    // No epsilon: only a length of exactly 0 leaves the vector unchanged, and
    // a tiny vector such as (1e-20, 0, 0) becomes a unit one.
    void normalize();
    KaVector3f32 toNormalized() const
    {
        KaVector3f32 copy(*this);
        copy.normalize();
        return copy;
    }

    // Replaces the vector by the point transform of q.toMatrix(). That matrix
    // is the transpose of the textbook one, so in textbook terms this turns
    // the vector by the conjugate of q; all engine rotations agree on it.
    void rotate(const KaQuaternion& q);

    // x, y, z as floats. False when the stream took or gave less than the
    // whole vector; a short read leaves the components it did not reach.
    static bool serialize(KaStream& stream, const KaVector3f32& vector);
    static bool deserialize(KaStream& stream, KaVector3f32& vector);
    // The element's text as "x,y,z". False only for a null element; numbers
    // the text does not supply leave their components unchanged.
    static bool deserialize(const TiXmlElement* element, KaVector3f32& vector);

    float x;
    float y;
    float z;
};

inline KaVector3f32 operator^(const KaVector3f32& a, const KaVector3f32& b) { return a.crossProduct(b); }
inline KaVector3f32 operator-(const KaVector3f32& v, float s) { return KaVector3f32(v.x - s, v.y - s, v.z - s); }
inline KaVector3f32 operator+(const KaVector3f32& v, float s) { return KaVector3f32(v.x + s, v.y + s, v.z + s); }
inline KaVector3f32 operator+(float s, const KaVector3f32& v) { return KaVector3f32(s + v.x, s + v.y, s + v.z); }
inline KaVector3f32 operator*(const KaVector3f32& a, const KaVector3f32& b)
{
    return KaVector3f32(a.x * b.x, a.y * b.y, a.z * b.z);
}
inline KaVector3f32 operator*(const KaVector3f32& v, float s) { return KaVector3f32(v.x * s, v.y * s, v.z * s); }
inline KaVector3f32 operator*(float s, const KaVector3f32& v) { return KaVector3f32(s * v.x, s * v.y, s * v.z); }
inline KaVector3f32 operator/(const KaVector3f32& v, float s) { return KaVector3f32(v.x / s, v.y / s, v.z / s); }
inline KaVector3f32 operator/(const KaVector3f32& a, const KaVector3f32& b)
{
    return KaVector3f32(a.x / b.x, a.y / b.y, a.z / b.z);
}

#endif
