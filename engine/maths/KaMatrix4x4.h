#ifndef KA_MATRIX4X4_H
#define KA_MATRIX4X4_H

#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

class KaStream;
class KaTRS;
class TiXmlElement;

// 16 floats stored column by column, as OpenGL takes them: row r, column c
// at index 4c + r, translation at 12, 13, 14. Vectors are columns, so A * B
// applies B first, and translate/scale/rotate post-multiply.
class KaMatrix4x4 {
public:
    // The identity.
    KaMatrix4x4();
    // The 16 floats in index order.
    explicit KaMatrix4x4(const float* values);

    void set(const float* values);
    void setIdentity();

    // The 4 floats of column i.
    float* operator[](unsigned long column) { return m + 4 * column; }
    const float* operator[](unsigned long column) const { return m + 4 * column; }
    float* operator()(unsigned long column) { return m + 4 * column; }
    const float* operator()(unsigned long column) const { return m + 4 * column; }

    // Columns -s, u, f and the eye as translation, with f the normalised
    // direction to the target, s = f x up and u = s x f. Elements 3, 7 and
    // 11 are left as they were.
    void setLookAt(const KaVector3f32& eye, const KaVector3f32& target, const KaVector3f32& up);

    // The upper 3x3 only.
    KaVector3f32 mult3x3(const KaVector3f32& v) const;
    // The upper 3x3 plus the translation; no division by w.
    KaVector3f32 mult4x3(const KaVector3f32& v) const;

    // this = this * T, this * S, this * R.
    void translate(const KaVector3f32& t);
    void scale(const KaVector3f32& s);
    void rotate(const KaQuaternion& q);
    void rotate(float angle, const KaVector3f32& axis);
    // T * R * S.
    void fromTRS(const KaTRS& trs);

    // The adjugate over the determinant; a singular matrix (determinant
    // exactly 0) gives the identity, with no other signal.
    KaMatrix4x4 getInverseMatrix() const;
    float determinant() const;
    // Of the upper-left 3x3.
    float determinant3x3() const;
    // The identity with its upper-left 3x3 replaced by this matrix without
    // column i and row j.
    void getSubMatrix(int column, int row, KaMatrix4x4& out) const;
    KaMatrix4x4 transposeMatrix() const;

    KaVector3f32 translation() const { return KaVector3f32(m[12], m[13], m[14]); }
    // The lengths of the three rows of the upper 3x3.
    KaVector3f32 getScale() const;
    void removeScale();
    // Each column of the upper 3x3 divided by its squared length.
    void invertScale();
    // The rotation of the upper 3x3: rotation(q.toMatrix()) is q or -q.
    KaQuaternion rotation() const;

    // out = this * factor; with meshAdd, the weighted sums of skinning.
    void meshScale(KaMatrix4x4& out, float factor) const;
    void meshAdd(const KaMatrix4x4& other);

    // The 64 bytes of the floats in index order (same in binary and text
    // mode). False when the stream took or gave fewer.
    static bool serialize(KaStream& stream, const KaMatrix4x4& matrix);
    static bool deserialize(KaStream& stream, KaMatrix4x4& matrix);
    // Comma-separated numbers, read down the columns (the transposed order)
    // unless the attribute "mode" is "rowMajor", which takes them in index
    // order. At most 16 numbers are used; elements that no number reaches keep
    // their values. False only for a null element.
    static bool deserialize(const TiXmlElement* element, KaMatrix4x4& matrix);

    // Four lines of four "%f " values, indices 4k to 4k + 3 on line k.
    void print() const;

    float m[16];
};

// A * B: B applies first.
KaMatrix4x4 operator*(const KaMatrix4x4& a, const KaMatrix4x4& b);
// The point transform, divided by w; a w of exactly 0 becomes 1e-9.
KaVector3f32 operator*(const KaMatrix4x4& matrix, const KaVector3f32& point);
// Byte-wise: 0 and -0 differ, and a NaN equals its own bit pattern.
bool operator==(const KaMatrix4x4& a, const KaMatrix4x4& b);
bool operator!=(const KaMatrix4x4& a, const KaMatrix4x4& b);

#endif
