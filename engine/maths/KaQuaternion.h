#ifndef KA_QUATERNION_H
#define KA_QUATERNION_H

#include "engine/maths/KaVector3f32.h"

class KaMatrix4x4;
class KaStream;
class TiXmlElement;

// The engine's rotation type (w is the scalar part); the default is the
// identity. toMatrix() fixes the handedness of every rotation in the engine:
// its matrix is the transpose of the textbook one, so the matrix of a * b is
// toMatrix(b) * toMatrix(a). Object tree, models and KaVector3f32::rotate all
// go through it; keep them together if it ever changes.
class KaQuaternion {
public:
    KaQuaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    KaQuaternion(float xValue, float yValue, float zValue, float wValue) : x(xValue), y(yValue), z(zValue), w(wValue)
    {
    }

    // Hamilton product this * b.
    KaQuaternion operator*(const KaQuaternion& b) const;
    KaQuaternion& operator*=(const KaQuaternion& b);

    // Exact comparison of the four components (q and -q differ).
    bool operator==(const KaQuaternion& other) const
    {
        return x == other.x && y == other.y && z == other.z && w == other.w;
    }
    bool operator!=(const KaQuaternion& other) const { return !(*this == other); }

    // (axis * sin(angle / 2), cos(angle / 2)); the axis is taken as it is, not
    // normalised. Angle in radians.
    static KaQuaternion fromAxisAndAngle(const KaVector3f32& axis, float angle);
    // The identity gives angle 0 and axis (0, 0, 0).
    void toAxisAndAngle(KaVector3f32& axis, float& angle) const;
    // Not normalised first.
    KaMatrix4x4 toMatrix() const;

    // Rotations about x, then y, then z (radians), composed qx * qy * qz.
    static KaQuaternion fromEuler(const KaVector3f32& angles);
    // Radians; near the poles (y = +-pi/2) the x angle is folded into z.
    KaVector3f32 toEuler() const;

    // Leaves quaternions of length 1e-9 or less as they are.
    void normalize();
    void opposite();
    // Makes w non-negative (q and -q are the same rotation).
    void positiveW();

    // Spherical blend towards q, not normalised. Unless keepLong, the target is
    // negated when the dot product is below -0.15 (not 0: between -0.15 and 0
    // the blend still goes the long way round).
    KaQuaternion slerp(KaQuaternion q, float t, bool keepLong) const;

    static bool serialize(KaStream& stream, const KaQuaternion& quaternion);
    // A short read leaves the components it did not reach and returns false.
    static bool deserialize(KaStream& stream, KaQuaternion& quaternion);
    // The element's text as "x,y,z,w". False only for a null element; numbers
    // the text does not supply leave their components unchanged.
    static bool deserialize(const TiXmlElement* element, KaQuaternion& quaternion);

    float x;
    float y;
    float z;
    float w;
};

// Spherical interpolation in double precision without any sign flip: the
// caller chooses the way round. Nearly opposite ends go through a quaternion
// perpendicular to b.
KaQuaternion slerpQuat(const KaQuaternion& a, const KaQuaternion& b, float t);
// slerpQuat of normalised copies of a and b.
KaQuaternion linearInterpolation(const KaQuaternion& a, const KaQuaternion& b, float t);

#endif
