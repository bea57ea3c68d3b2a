#ifndef KA_VECTOR2S32_H
#define KA_VECTOR2S32_H

#include <cstdint>

class KaStream;
class KaVector2f32;

// Integer pixel positions and sizes (mouse positions, window and text
// rectangles). Arithmetic wraps in 32 bits. Divisors must be non-zero.
class KaVector2s32 {
public:
    KaVector2s32() : x(0), y(0) {}
    KaVector2s32(int32_t xValue, int32_t yValue) : x(xValue), y(yValue) {}
    // The first two ints of the array.
    explicit KaVector2s32(const int32_t* values) : x(values[0]), y(values[1]) {}
    // Each component truncated toward zero: (-1.7, 2.9) gives (-1, 2).
    KaVector2s32(const KaVector2f32& other);

    KaVector2s32& operator+=(const KaVector2s32& other)
    {
        x = wrapAdd(x, other.x);
        y = wrapAdd(y, other.y);
        return *this;
    }
    KaVector2s32& operator-=(const KaVector2s32& other)
    {
        x = wrapSub(x, other.x);
        y = wrapSub(y, other.y);
        return *this;
    }
    KaVector2s32& operator*=(int32_t factor)
    {
        x = wrapMul(x, factor);
        y = wrapMul(y, factor);
        return *this;
    }
    KaVector2s32& operator*=(const KaVector2s32& other)
    {
        x = wrapMul(x, other.x);
        y = wrapMul(y, other.y);
        return *this;
    }
    // Truncates toward zero.
    KaVector2s32& operator/=(int32_t divisor)
    {
        x = wrapDiv(x, divisor);
        y = wrapDiv(y, divisor);
        return *this;
    }

    bool operator==(const KaVector2s32& other) const { return x == other.x && y == other.y; }
    bool operator!=(const KaVector2s32& other) const { return !(*this == other); }

    KaVector2s32 operator+(const KaVector2s32& other) const { return KaVector2s32(*this) += other; }
    KaVector2s32 operator-(const KaVector2s32& other) const { return KaVector2s32(*this) -= other; }
    KaVector2s32 operator*(const KaVector2s32& other) const { return KaVector2s32(*this) *= other; }

    // Squares are formed in 32 bits: exact while x*x + y*y fits in an int32
    // (always so for screen positions).
    float getLength() const;
    float squaredLength() const { return static_cast<float>(squaredSum()); }
    // Divides both components by the truncated integer length: a unit
    // direction only for axis-aligned vectors ((3, 4) becomes (0, 0)).
    // A zero vector is left as it is.
    void normalize();

    // x then y, each as an int.
    static bool serialize(KaStream& stream, const KaVector2s32& vector);
    static bool deserialize(KaStream& stream, KaVector2s32& vector);

    static int32_t wrapAdd(int32_t a, int32_t b)
    {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    }
    static int32_t wrapSub(int32_t a, int32_t b)
    {
        return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
    }
    static int32_t wrapMul(int32_t a, int32_t b)
    {
        return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
    }
    // The one overflowing quotient (most negative value by -1) wraps too.
    static int32_t wrapDiv(int32_t a, int32_t b) { return b == -1 ? wrapSub(0, a) : a / b; }

    int32_t x;
    int32_t y;

private:
    int32_t squaredSum() const { return wrapAdd(wrapMul(x, x), wrapMul(y, y)); }
};

inline KaVector2s32 operator-(const KaVector2s32& v, int32_t s)
{
    return KaVector2s32(KaVector2s32::wrapSub(v.x, s), KaVector2s32::wrapSub(v.y, s));
}
inline KaVector2s32 operator+(const KaVector2s32& v, int32_t s)
{
    return KaVector2s32(KaVector2s32::wrapAdd(v.x, s), KaVector2s32::wrapAdd(v.y, s));
}
inline KaVector2s32 operator+(int32_t s, const KaVector2s32& v) { return v + s; }
inline KaVector2s32 operator*(const KaVector2s32& v, int32_t s) { return KaVector2s32(v) *= s; }
inline KaVector2s32 operator*(int32_t s, const KaVector2s32& v) { return KaVector2s32(v) *= s; }
inline KaVector2s32 operator/(const KaVector2s32& v, int32_t s) { return KaVector2s32(v) /= s; }
inline KaVector2s32 operator/(const KaVector2s32& v, const KaVector2s32& d)
{
    return KaVector2s32(KaVector2s32::wrapDiv(v.x, d.x), KaVector2s32::wrapDiv(v.y, d.y));
}

#endif
