#include "engine/maths/KaMatrix4x4.h"

#include <cmath>
#include <tinyxml.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaTRS.h"

namespace {

const float kIdentity[16] = { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
    1.0f };

const unsigned long kMatrixBytes = 16 * sizeof(float);

} // namespace

KaMatrix4x4::KaMatrix4x4() { set(kIdentity); }

KaMatrix4x4::KaMatrix4x4(const float* values) { set(values); }

void KaMatrix4x4::set(const float* values) { KaMemcpy(m, values, kMatrixBytes); }

void KaMatrix4x4::setIdentity() { set(kIdentity); }

void KaMatrix4x4::setLookAt(const KaVector3f32& eye, const KaVector3f32& target, const KaVector3f32& up)
{
    KaVector3f32 f = (target - eye).toNormalized();
    KaVector3f32 s = f.crossProduct(up).toNormalized();
    KaVector3f32 u = s.crossProduct(f).toNormalized();
    m[0] = -s.x;
    m[1] = -s.y;
    m[2] = -s.z;
    m[4] = u.x;
    m[5] = u.y;
    m[6] = u.z;
    m[8] = f.x;
    m[9] = f.y;
    m[10] = f.z;
    m[12] = eye.x;
    m[13] = eye.y;
    m[14] = eye.z;
    m[15] = 1.0f;
}

KaVector3f32 KaMatrix4x4::mult3x3(const KaVector3f32& v) const
{
    return KaVector3f32(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
        m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

KaVector3f32 KaMatrix4x4::mult4x3(const KaVector3f32& v) const
{
    return mult3x3(v) + KaVector3f32(m[12], m[13], m[14]);
}

void KaMatrix4x4::translate(const KaVector3f32& t)
{
    KaMatrix4x4 factor;
    factor.m[12] = t.x;
    factor.m[13] = t.y;
    factor.m[14] = t.z;
    *this = *this * factor;
}

void KaMatrix4x4::scale(const KaVector3f32& s)
{
    KaMatrix4x4 factor;
    factor.m[0] = s.x;
    factor.m[5] = s.y;
    factor.m[10] = s.z;
    *this = *this * factor;
}

void KaMatrix4x4::rotate(const KaQuaternion& q) { *this = *this * q.toMatrix(); }

void KaMatrix4x4::rotate(float angle, const KaVector3f32& axis)
{
    rotate(KaQuaternion::fromAxisAndAngle(axis, angle));
}

void KaMatrix4x4::fromTRS(const KaTRS& trs)
{
    setIdentity();
    translate(trs.getTranslation());
    rotate(trs.getRotation());
    scale(trs.getScale());
}

void KaMatrix4x4::getSubMatrix(int column, int row, KaMatrix4x4& out) const
{
    out.setIdentity();
    for (int a = 0; a < 4; ++a) {
        if (a == column)
            continue;
        int outColumn = a > column ? a - 1 : a;
        for (int b = 0; b < 4; ++b) {
            if (b == row)
                continue;
            int outRow = b > row ? b - 1 : b;
            out.m[outColumn * 4 + outRow] = m[a * 4 + b];
        }
    }
}

float KaMatrix4x4::determinant3x3() const
{
    return (m[10] * m[5] - m[9] * m[6]) * m[0] - (m[10] * m[1] - m[9] * m[2]) * m[4]
        + (m[6] * m[1] - m[5] * m[2]) * m[8];
}

float KaMatrix4x4::determinant() const
{
    float result = 0.0f;
    KaMatrix4x4 sub;
    for (int a = 0; a < 4; ++a) {
        getSubMatrix(a, 0, sub);
        float term = m[a * 4] * sub.determinant3x3();
        result += (a % 2 == 0) ? term : -term;
    }
    return result;
}

KaMatrix4x4 KaMatrix4x4::getInverseMatrix() const
{
    KaMatrix4x4 result;
    float d = determinant();
    if (d == 0.0f)
        return result;
    KaMatrix4x4 sub;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            getSubMatrix(i, j, sub);
            float cofactor = sub.determinant3x3();
            if ((i + j) % 2 != 0)
                cofactor = -cofactor;
            result.m[j * 4 + i] = cofactor / d;
        }
    }
    return result;
}

KaMatrix4x4 KaMatrix4x4::transposeMatrix() const
{
    KaMatrix4x4 result;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            result.m[r * 4 + c] = m[c * 4 + r];
    return result;
}

KaVector3f32 KaMatrix4x4::getScale() const
{
    return KaVector3f32(KaVector3f32(m[0], m[4], m[8]).getLength(), KaVector3f32(m[1], m[5], m[9]).getLength(),
        KaVector3f32(m[2], m[6], m[10]).getLength());
}

void KaMatrix4x4::removeScale()
{
    KaVector3f32 s = getScale();
    const float factors[3] = { s.x, s.y, s.z };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            m[column * 4 + row] /= factors[row];
}

void KaMatrix4x4::invertScale()
{
    for (int column = 0; column < 3; ++column) {
        float* c = m + column * 4;
        float squared = KaVector3f32(c[0], c[1], c[2]).squaredLength();
        c[0] /= squared;
        c[1] /= squared;
        c[2] /= squared;
    }
}

KaQuaternion KaMatrix4x4::rotation() const
{
    const float m0 = m[0];
    const float m5 = m[5];
    const float m10 = m[10];
    const float t = m0 + m5 + m10 + 1.0f;
    // t is 4w^2. The root of the trace is only trusted while w is not small:
    // near a half turn t is the rounding noise of the diagonal (it can even
    // come out slightly positive for an exact half turn), and dividing by its
    // root gave a quaternion of almost zero length.
    if (t > 1.0f) {
        const float s = static_cast<float>(0.5 / std::sqrt(static_cast<double>(t)));
        return KaQuaternion((m[9] - m[6]) * s, (m[2] - m[8]) * s, (m[4] - m[1]) * s,
            static_cast<float>(0.25 / static_cast<double>(s)));
    }
    // Otherwise the root comes from the largest diagonal element. Ties (a half
    // turn about an axis halfway between two others, such as the diagonal
    // 0, 0, -1) may take either of the tied elements: both give the same
    // rotation, so the comparisons accept equality.
    KaQuaternion q;
    if (m0 >= m5 && m0 >= m10) {
        const float s = static_cast<float>(2.0 * std::sqrt(static_cast<double>(m0 + 1.0f - m5 - m10)));
        q = KaQuaternion(s / 4.0f, (m[1] + m[4]) / s, (m[2] + m[8]) / s, (m[9] - m[6]) / s);
    } else if (m5 >= m0 && m5 >= m10) {
        const float s = static_cast<float>(2.0 * std::sqrt(static_cast<double>(m5 + 1.0f - m0 - m10)));
        q = KaQuaternion((m[1] + m[4]) / s, s / 4.0f, (m[6] + m[9]) / s, (m[2] - m[8]) / s);
    } else if (m10 >= m0 && m10 >= m5) {
        const float s = static_cast<float>(2.0 * std::sqrt(static_cast<double>(m10 + 1.0f - m0 - m5)));
        q = KaQuaternion((m[2] + m[8]) / s, (m[6] + m[9]) / s, s / 4.0f, (m[4] - m[1]) / s);
    } else {
        // Only a NaN on the diagonal gets here.
        KaPrintf("KaMatrix4x4::rotation(): error");
        return KaQuaternion();
    }
    // Rotations with a positive t always came out of the trace root with
    // w > 0; they keep that sign.
    if (t > 0.0f && q.w < 0.0f)
        q.opposite();
    return q;
}

void KaMatrix4x4::meshScale(KaMatrix4x4& out, float factor) const
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = m[i] * factor;
}

void KaMatrix4x4::meshAdd(const KaMatrix4x4& other)
{
    for (int i = 0; i < 16; ++i)
        m[i] += other.m[i];
}

bool KaMatrix4x4::serialize(KaStream& stream, const KaMatrix4x4& matrix)
{
    return stream.writeData(matrix.m, kMatrixBytes) == kMatrixBytes;
}

bool KaMatrix4x4::deserialize(KaStream& stream, KaMatrix4x4& matrix)
{
    return stream.readData(matrix.m, kMatrixBytes) == kMatrixBytes;
}

bool KaMatrix4x4::deserialize(const TiXmlElement* element, KaMatrix4x4& matrix)
{
    if (!element)
        return false;
    const char* mode = element->Attribute("mode");
    const bool rowMajor = mode && KaStrcmp(mode, "rowMajor") == 0;
    KaArray<KaString> pieces = KaString(element->GetText()).split(",");
    // The matrix has room for 16 numbers; a longer text must not write past it.
    const unsigned long count = pieces.size() < 16 ? pieces.size() : 16;
    for (unsigned long k = 0; k < count; ++k) {
        float value = 0.0f;
        if (pieces[k].scan("%f", &value) != 1)
            continue;
        const unsigned long index = rowMajor ? k : (k % 4) * 4 + k / 4;
        matrix.m[index] = value;
    }
    return true;
}

void KaMatrix4x4::print() const
{
    for (int line = 0; line < 4; ++line) {
        const float* v = m + 4 * line;
        KaPrintf("%f %f %f %f \n", static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2]),
            static_cast<double>(v[3]));
    }
}

KaMatrix4x4 operator*(const KaMatrix4x4& a, const KaMatrix4x4& b)
{
    KaMatrix4x4 result;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = a.m[i] * b.m[j * 4];
            for (int k = 1; k < 4; ++k)
                sum += a.m[k * 4 + i] * b.m[j * 4 + k];
            result.m[j * 4 + i] = sum;
        }
    }
    return result;
}

KaVector3f32 operator*(const KaMatrix4x4& matrix, const KaVector3f32& p)
{
    const float* m = matrix.m;
    float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    if (w == 0.0f)
        w = 1e-9f;
    return KaVector3f32((m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]) / w,
        (m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]) / w, (m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]) / w);
}

bool operator==(const KaMatrix4x4& a, const KaMatrix4x4& b) { return KaMemcmp(a.m, b.m, sizeof a.m) == 0; }

bool operator!=(const KaMatrix4x4& a, const KaMatrix4x4& b) { return !(a == b); }
