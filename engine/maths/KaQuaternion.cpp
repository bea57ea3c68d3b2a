#include "engine/maths/KaQuaternion.h"

#include <cmath>
#include <tinyxml.h>

#include "engine/core/KaString.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaMatrix4x4.h"

KaQuaternion KaQuaternion::operator*(const KaQuaternion& b) const
{
    return KaQuaternion(w * b.x + x * b.w + y * b.z - z * b.y, w * b.y + y * b.w + z * b.x - x * b.z,
        w * b.z + z * b.w + x * b.y - y * b.x, w * b.w - x * b.x - y * b.y - z * b.z);
}

KaQuaternion& KaQuaternion::operator*=(const KaQuaternion& b)
{
    *this = *this * b;
    return *this;
}

KaQuaternion KaQuaternion::fromAxisAndAngle(const KaVector3f32& axis, float angle)
{
    float s = std::sin(angle / 2.0f);
    return KaQuaternion(axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2.0f));
}

void KaQuaternion::toAxisAndAngle(KaVector3f32& axis, float& angle) const
{
    // A unit quaternion's w may stray past +-1 by rounding; acos and the root
    // below would then give NaN for what is really a (near) zero rotation.
    float c = w > 1.0f ? 1.0f : (w < -1.0f ? -1.0f : w);
    angle = 2.0f * std::acos(c);
    float s = std::sqrt(1.0f - c * c);
    if (std::fabs(s) < 0.0005f)
        s = 1.0f;
    axis = KaVector3f32(x / s, y / s, z / s);
}

KaMatrix4x4 KaQuaternion::toMatrix() const
{
    KaMatrix4x4 m;
    m.m[0] = 1.0f - 2.0f * (y * y + z * z);
    m.m[1] = 2.0f * (x * y - z * w);
    m.m[2] = 2.0f * (x * z + y * w);
    m.m[4] = 2.0f * (x * y + z * w);
    m.m[5] = 1.0f - 2.0f * (x * x + z * z);
    m.m[6] = 2.0f * (y * z - x * w);
    m.m[8] = 2.0f * (x * z - y * w);
    m.m[9] = 2.0f * (y * z + x * w);
    m.m[10] = 1.0f - 2.0f * (x * x + y * y);
    return m;
}

KaQuaternion KaQuaternion::fromEuler(const KaVector3f32& angles)
{
    KaQuaternion qx(std::sin(angles.x / 2.0f), 0.0f, 0.0f, std::cos(angles.x / 2.0f));
    KaQuaternion qy(0.0f, std::sin(angles.y / 2.0f), 0.0f, std::cos(angles.y / 2.0f));
    KaQuaternion qz(0.0f, 0.0f, std::sin(angles.z / 2.0f), std::cos(angles.z / 2.0f));
    return (qx * qy) * qz;
}

KaVector3f32 KaQuaternion::toEuler() const
{
    float sx = x * x;
    float sy = y * y;
    float sz = z * z;
    float sw = w * w;
    float unit = sx + sz + sy + sw;
    float test = x * z + y * w;
    if (static_cast<double>(test) > 0.499 * static_cast<double>(unit))
        return KaVector3f32(0.0f, 1.5707964f, 2.0f * std::atan2(x, w));
    if (static_cast<double>(test) < -0.499 * static_cast<double>(unit))
        return KaVector3f32(0.0f, -1.5707964f, -2.0f * std::atan2(x, w));
    return KaVector3f32(std::atan2(2.0f * x * w - 2.0f * z * y, sz - sx - sy + sw), std::asin(2.0f * test / unit),
        std::atan2(2.0f * z * w - 2.0f * x * y, sx - sz - sy + sw));
}

void KaQuaternion::normalize()
{
    float length = std::sqrt(x * x + y * y + z * z + w * w);
    if (length > 1e-9f) {
        x /= length;
        y /= length;
        z /= length;
        w /= length;
    }
}

void KaQuaternion::opposite()
{
    x = -x;
    y = -y;
    z = -z;
    w = -w;
}

void KaQuaternion::positiveW()
{
    if (w < 0.0f)
        opposite();
}

KaQuaternion KaQuaternion::slerp(KaQuaternion q, float t, bool keepLong) const
{
    float d = x * q.x + y * q.y + z * q.z + w * q.w;
    if (d < -0.15f && !keepLong) {
        q.opposite();
        d = -d;
    }
    float k0;
    float k1;
    if (std::fabs(d) > 0.999999f) {
        k0 = 1.0f - t;
        k1 = t;
    } else {
        float theta = std::acos(d);
        float inverseSin = 1.0f / std::sin(theta);
        k1 = std::sin(t * theta) * inverseSin;
        k0 = std::sin((1.0f - t) * theta) * inverseSin;
    }
    return KaQuaternion(x * k0 + q.x * k1, y * k0 + q.y * k1, z * k0 + q.z * k1, w * k0 + q.w * k1);
}

KaQuaternion slerpQuat(const KaQuaternion& a, const KaQuaternion& b, float t)
{
    double c = static_cast<double>(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w);
    double td = static_cast<double>(t);
    double k0;
    double k1;
    if (1.0 + c > 1e-6) {
        if (1.0 - c > 1e-6) {
            double omega = std::acos(c);
            double sinOmega = std::sin(omega);
            k0 = std::sin((1.0 - td) * omega) / sinOmega;
            k1 = std::sin(td * omega) / sinOmega;
        } else {
            k0 = 1.0 - td;
            k1 = td;
        }
        return KaQuaternion(static_cast<float>(a.x * k0 + b.x * k1), static_cast<float>(a.y * k0 + b.y * k1),
            static_cast<float>(a.z * k0 + b.z * k1), static_cast<float>(a.w * k0 + b.w * k1));
    }
    const double halfPi = 1.5707963705062866;
    k0 = std::sin((1.0 - td) * halfPi);
    k1 = std::sin(td * halfPi);
    return KaQuaternion(static_cast<float>(a.x * k0 - b.y * k1), static_cast<float>(a.y * k0 + b.x * k1),
        static_cast<float>(a.z * k0 - b.w * k1), static_cast<float>(a.w * k0 + b.z * k1));
}

KaQuaternion linearInterpolation(const KaQuaternion& a, const KaQuaternion& b, float t)
{
    KaQuaternion na(a);
    KaQuaternion nb(b);
    na.normalize();
    nb.normalize();
    return slerpQuat(na, nb, t);
}

bool KaQuaternion::serialize(KaStream& stream, const KaQuaternion& quaternion)
{
    return KaMathsStream::writeAll(stream, quaternion.x, quaternion.y, quaternion.z, quaternion.w);
}

bool KaQuaternion::deserialize(KaStream& stream, KaQuaternion& quaternion)
{
    return KaMathsStream::readAll(stream, quaternion.x, quaternion.y, quaternion.z, quaternion.w);
}

bool KaQuaternion::deserialize(const TiXmlElement* element, KaQuaternion& quaternion)
{
    if (!element)
        return false;
    KaString(element->GetText()).scan("%f,%f,%f,%f", &quaternion.x, &quaternion.y, &quaternion.z, &quaternion.w);
    return true;
}
