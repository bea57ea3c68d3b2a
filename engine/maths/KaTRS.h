#ifndef KA_TRS_H
#define KA_TRS_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

class KaStream;

// A translation, a rotation and a scale: the form in which skeletal
// animation samples and blends bone transforms. Its matrix is T * R * S
// (KaMatrix4x4::fromTRS).
class KaTRS {
public:
    // Translation 0, rotation identity, scale 1.
    KaTRS();
    KaTRS(const KaVector3f32& translation, const KaQuaternion& rotation, const KaVector3f32& scale);
    KaTRS(const KaTRS&) = default;
    KaTRS& operator=(const KaTRS&) = default;
    virtual ~KaTRS();

    void setIdentity();

    void setTranslation(const KaVector3f32& translation) { mTranslation = translation; }
    const KaVector3f32& getTranslation() const { return mTranslation; }
    void setRotation(const KaQuaternion& rotation) { mRotation = rotation; }
    const KaQuaternion& getRotation() const { return mRotation; }
    void setScale(const KaVector3f32& scale) { mScale = scale; }
    const KaVector3f32& getScale() const { return mScale; }

    // Moves by v taken in the transform's own rotated and scaled frame.
    void translate(KaVector3f32 v);
    // rotation = q * rotation.
    void rotate(const KaQuaternion& q);
    // Component-wise.
    void scale(const KaVector3f32& s);
    // Appends other in its parent's frame: translate by its translation, then
    // rotation = other * rotation, then scale component-wise. For uniform
    // scales the matrix of a * b is the matrix of a times that of b.
    KaTRS& operator*=(const KaTRS& other);

    // Reciprocal scale, conjugate rotation and the translation that undoes
    // the original; exact inverse of the matrix for uniform scales. A zero
    // scale component gives infinities.
    KaTRS getInverse() const;
    // Translation and scale blended linearly, rotation by slerp the short way.
    KaTRS lerp(const KaTRS& other, float t) const;

    // Translation, rotation (x, y, z, w), scale: 40 bytes in binary mode.
    static bool serialize(KaStream& stream, const KaTRS& trs);
    // The three parts are read into temporaries (0, identity, 0) and then
    // assigned, short read or not; false when the stream ran short.
    static bool deserialize(KaStream& stream, KaTRS& trs);

private:
    KaVector3f32 mTranslation;
    KaQuaternion mRotation;
    KaVector3f32 mScale;
};

KA_RELOCATABLE(KaTRS);

KaTRS operator*(KaTRS a, const KaTRS& b);

#endif
