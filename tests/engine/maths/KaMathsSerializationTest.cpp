#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/core/KaStream.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "tests/engine/maths/KaMathsTestHelpers.h"

namespace {

KaMatrix4x4 translatedMatrix()
{
    KaMatrix4x4 m;
    m.translate(KaVector3f32(1.0f, 2.0f, 3.0f));
    m.m[1] = -0.0f;
    return m;
}

const KaTRS kTransform(KaVector3f32(1.0f, 2.0f, 3.0f), KaQuaternion(0.0f, 0.0f, 0.5f, -1.0f),
    KaVector3f32(4.0f, 4.0f, 0.5f));

// Each case writes one value, and reads a value back, telling whether the read
// succeeded and gave the value written.
struct Case {
    const char* name;
    std::function<bool(KaStream&)> write;
    std::function<bool(KaStream&)> readBack;
    const char* hex;
};

const Case kCases[] = {
    { "KaVector2f32", [](KaStream& s) { return KaVector2f32::serialize(s, KaVector2f32(1.0f, -2.0f)); },
        [](KaStream& s) {
            KaVector2f32 v;
            return KaVector2f32::deserialize(s, v) && v == KaVector2f32(1.0f, -2.0f);
        },
        "00 00 80 3F 00 00 00 C0" },
    { "KaVector2s32", [](KaStream& s) { return KaVector2s32::serialize(s, KaVector2s32(-2, 0x12345678)); },
        [](KaStream& s) {
            KaVector2s32 v;
            return KaVector2s32::deserialize(s, v) && v == KaVector2s32(-2, 0x12345678);
        },
        "FE FF FF FF 78 56 34 12" },
    { "KaVector3f32", [](KaStream& s) { return KaVector3f32::serialize(s, KaVector3f32(0.5f, 0.0f, -0.0f)); },
        [](KaStream& s) {
            KaVector3f32 v(9.0f, 9.0f, 9.0f);
            return KaVector3f32::deserialize(s, v) && v.x == 0.5f && v.y == 0.0f && std::signbit(v.z);
        },
        "00 00 00 3F 00 00 00 00 00 00 00 80" },
    { "KaQuaternion", [](KaStream& s) { return KaQuaternion::serialize(s, KaQuaternion(1.0f, 2.0f, 3.0f, 4.0f)); },
        [](KaStream& s) {
            KaQuaternion q;
            return KaQuaternion::deserialize(s, q) && q == KaQuaternion(1.0f, 2.0f, 3.0f, 4.0f);
        },
        "00 00 80 3F 00 00 00 40 00 00 40 40 00 00 80 40" },
    { "KaTRS", [](KaStream& s) { return KaTRS::serialize(s, kTransform); },
        [](KaStream& s) {
            KaTRS t;
            return KaTRS::deserialize(s, t) && t.getTranslation() == kTransform.getTranslation()
                && t.getRotation() == kTransform.getRotation() && t.getScale() == kTransform.getScale();
        },
        "00 00 80 3F 00 00 00 40 00 00 40 40 "
        "00 00 00 00 00 00 00 00 00 00 00 3F 00 00 80 BF "
        "00 00 80 40 00 00 80 40 00 00 00 3F" },
    { "KaMatrix4x4", [](KaStream& s) { return KaMatrix4x4::serialize(s, translatedMatrix()); },
        [](KaStream& s) {
            KaMatrix4x4 m;
            return KaMatrix4x4::deserialize(s, m) && m == translatedMatrix();
        },
        "00 00 80 3F 00 00 00 80 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 80 3F 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 00 00 00 00 80 3F 00 00 00 00 "
        "00 00 80 3F 00 00 00 40 00 00 40 40 00 00 80 3F" },
};

} // namespace

TEST(KaMathsSerialization, BinaryEncodingsAreExactAndRoundTrip)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        EXPECT_TRUE(c.write(stream));
        EXPECT_EQ(KaHexOf(stream), c.hex);
        ASSERT_TRUE(stream.seek(0));
        EXPECT_TRUE(c.readBack(stream));
        EXPECT_TRUE(stream.isAtEnd());
    }
}

TEST(KaMathsSerialization, ValuesFollowEachOtherWithoutPadding)
{
    // A model file is a run of these forms: each must consume exactly its own bytes.
    KaStream stream;
    KaVector3f32::serialize(stream, KaVector3f32(1.0f, 2.0f, 3.0f));
    KaMatrix4x4::serialize(stream, translatedMatrix());
    KaQuaternion::serialize(stream, KaQuaternion(0.0f, 1.0f, 0.0f, 0.0f));
    EXPECT_EQ(stream.bufferLength(), 12u + 64u + 16u);
    ASSERT_TRUE(stream.seek(0));
    KaVector3f32 v;
    KaMatrix4x4 m;
    KaQuaternion q;
    EXPECT_TRUE(KaVector3f32::deserialize(stream, v));
    EXPECT_TRUE(KaMatrix4x4::deserialize(stream, m));
    EXPECT_TRUE(KaQuaternion::deserialize(stream, q));
    EXPECT_EQ(v, KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m, translatedMatrix());
    EXPECT_EQ(q, KaQuaternion(0.0f, 1.0f, 0.0f, 0.0f));
}

TEST(KaMathsSerialization, TruncatedDataReportsFailure)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        KaStream full;
        c.write(full);
        KaStream truncated;
        truncated.writeData(full.data(), full.bufferLength() - 1);
        ASSERT_TRUE(truncated.seek(0));
        EXPECT_FALSE(c.readBack(truncated));
    }
}

TEST(KaMathsSerialization, ShortVectorReadKeepsTheComponentsItDidNotReach)
{
    KaStream stream;
    stream.write(1.0f);
    stream.write(2.0f);
    stream.writeData("\x01\x02", 2);
    ASSERT_TRUE(stream.seek(0));
    KaVector3f32 v(7.0f, 8.0f, 9.0f);
    EXPECT_FALSE(KaVector3f32::deserialize(stream, v));
    EXPECT_EQ(v, KaVector3f32(1.0f, 2.0f, 9.0f));
}

TEST(KaMathsSerialization, ShortTransformReadStillAssignsItsTemporaries)
{
    // The reader fills fresh parts and assigns all three, so what the stream
    // did not supply comes out as zero / identity rather than the old values.
    KaStream stream;
    KaVector3f32::serialize(stream, KaVector3f32(1.0f, 2.0f, 3.0f));
    ASSERT_TRUE(stream.seek(0));
    KaTRS t(KaVector3f32(5.0f, 5.0f, 5.0f), KaQuaternion(1.0f, 0.0f, 0.0f, 0.0f), KaVector3f32(2.0f, 2.0f, 2.0f));
    EXPECT_FALSE(KaTRS::deserialize(stream, t));
    EXPECT_EQ(t.getTranslation(), KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(t.getRotation(), KaQuaternion());
    EXPECT_EQ(t.getScale(), KaVector3f32(0.0f, 0.0f, 0.0f));
}

TEST(KaMathsSerialization, MatrixIsRawBytesEvenInTextMode)
{
    KaStream binary;
    KaStream text;
    text.setMode(KaStream::Text);
    EXPECT_TRUE(KaMatrix4x4::serialize(binary, translatedMatrix()));
    EXPECT_TRUE(KaMatrix4x4::serialize(text, translatedMatrix()));
    EXPECT_EQ(KaHexOf(text), KaHexOf(binary));
    ASSERT_TRUE(text.seek(0));
    KaMatrix4x4 m;
    EXPECT_TRUE(KaMatrix4x4::deserialize(text, m));
    EXPECT_EQ(m, translatedMatrix());
}

TEST(KaMathsSerialization, TextModeWritesDecimalNumbers)
{
    KaStream stream;
    stream.setMode(KaStream::Text);
    EXPECT_TRUE(KaVector2f32::serialize(stream, KaVector2f32(1.5f, -2.0f)));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength()), "1.500000-2.000000");
}
