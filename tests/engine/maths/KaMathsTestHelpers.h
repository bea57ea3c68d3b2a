#ifndef KA_MATHS_TEST_HELPERS_H
#define KA_MATHS_TEST_HELPERS_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/core/KaStream.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

// The stream's whole memory data as "00 00 80 3F ..." (upper-case hex).
inline std::string KaHexOf(const KaStream& stream)
{
    std::string text;
    char byte[4];
    for (unsigned long i = 0; i < stream.bufferLength(); ++i) {
        std::snprintf(byte, sizeof byte, "%02X", stream.data()[i]);
        if (!text.empty())
            text += ' ';
        text += byte;
    }
    return text;
}

inline ::testing::AssertionResult KaNear(const KaVector3f32& a, const KaVector3f32& b, float tolerance = 1e-5f)
{
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                         << ", " << b.z << ")";
}

inline ::testing::AssertionResult KaNear(const KaQuaternion& a, const KaQuaternion& b, float tolerance = 1e-5f)
{
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance
        && std::fabs(a.w - b.w) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ", " << a.w << ") vs (" << b.x
                                         << ", " << b.y << ", " << b.z << ", " << b.w << ")";
}

// The same rotation: q or -q.
inline ::testing::AssertionResult KaSameRotation(const KaQuaternion& a, const KaQuaternion& b, float tolerance = 1e-5f)
{
    if (KaNear(a, b, tolerance) || KaNear(a, KaQuaternion(-b.x, -b.y, -b.z, -b.w), tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << KaNear(a, b, tolerance).message();
}

inline ::testing::AssertionResult KaNear(const KaMatrix4x4& a, const KaMatrix4x4& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i) {
        if (!(std::fabs(a.m[i] - b.m[i]) <= tolerance))
            return ::testing::AssertionFailure() << "element " << i << ": " << a.m[i] << " vs " << b.m[i];
    }
    return ::testing::AssertionSuccess();
}

#endif
