#include <gtest/gtest.h>

#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "tests/engine/maths/KaMathsTestHelpers.h"

namespace {

const float kHalfPi = 1.5707964f;

KaMatrix4x4 matrixOf(const KaTRS& trs)
{
    KaMatrix4x4 m;
    m.fromTRS(trs);
    return m;
}

KaTRS transformA()
{
    return KaTRS(KaVector3f32(1.0f, -2.0f, 0.5f), KaQuaternion::fromEuler(KaVector3f32(0.3f, -0.5f, 1.2f)),
        KaVector3f32(2.0f, 2.0f, 2.0f));
}

KaTRS transformB()
{
    return KaTRS(KaVector3f32(-3.0f, 0.25f, 4.0f),
        KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.6f, 0.8f), 2.0f), KaVector3f32(0.5f, 0.5f, 0.5f));
}

} // namespace

TEST(KaTRS, DefaultIsTheIdentity)
{
    KaTRS t;
    EXPECT_EQ(t.getTranslation(), KaVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(t.getRotation(), KaQuaternion());
    EXPECT_EQ(t.getScale(), KaVector3f32(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(matrixOf(t), KaMatrix4x4());
    KaTRS changed = transformA();
    changed.setIdentity();
    EXPECT_EQ(matrixOf(changed), KaMatrix4x4());
}

TEST(KaTRS, TranslateMovesInTheTransformsOwnFrame)
{
    KaTRS t(KaVector3f32(1.0f, 0.0f, 0.0f), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kHalfPi),
        KaVector3f32(2.0f, 2.0f, 2.0f));
    t.translate(KaVector3f32(1.0f, 0.0f, 0.0f));
    // Scaled to 2, then turned the engine's way (x goes to -y), then added.
    EXPECT_TRUE(KaNear(t.getTranslation(), KaVector3f32(1.0f, -2.0f, 0.0f)));
}

TEST(KaTRS, ProductMatchesTheMatrixProductForUniformScales)
{
    KaTRS a = transformA();
    KaTRS b = transformB();
    EXPECT_TRUE(KaNear(matrixOf(a * b), matrixOf(a) * matrixOf(b), 1e-5f));
    // a * b works on a copy.
    EXPECT_EQ(a.getTranslation(), transformA().getTranslation());
    KaTRS inPlace = a;
    inPlace *= b;
    EXPECT_TRUE(KaNear(matrixOf(inPlace), matrixOf(a) * matrixOf(b), 1e-5f));
}

TEST(KaTRS, RotateAndScaleCompose)
{
    KaTRS t = transformA();
    KaQuaternion q = KaQuaternion::fromAxisAndAngle(KaVector3f32(1, 0, 0), 0.4f);
    t.rotate(q);
    EXPECT_EQ(t.getRotation(), q * transformA().getRotation());
    t.scale(KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(t.getScale(), KaVector3f32(2.0f, 4.0f, 6.0f));
}

TEST(KaTRS, InverseUndoesTheTransform)
{
    for (const KaTRS& t : { transformA(), transformB() }) {
        KaTRS inverse = t.getInverse();
        EXPECT_TRUE(KaNear(matrixOf(inverse), matrixOf(t).getInverseMatrix(), 1e-5f));
        EXPECT_TRUE(KaNear(matrixOf(t * inverse), KaMatrix4x4(), 1e-5f));
        const KaVector3f32 p(0.3f, -4.0f, 2.0f);
        EXPECT_TRUE(KaNear(matrixOf(inverse) * (matrixOf(t) * p), p, 1e-4f));
    }
}

TEST(KaTRS, LerpBlendsEachPart)
{
    KaTRS identity;
    KaTRS target(KaVector3f32(2.0f, 0.0f, 0.0f), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), kHalfPi),
        KaVector3f32(3.0f, 3.0f, 3.0f));
    KaTRS half = identity.lerp(target, 0.5f);
    EXPECT_EQ(half.getTranslation(), KaVector3f32(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(half.getScale(), KaVector3f32(2.0f, 2.0f, 2.0f));
    EXPECT_TRUE(KaNear(half.getRotation(), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), kHalfPi / 2)));
    EXPECT_EQ(identity.getTranslation(), KaVector3f32(0.0f, 0.0f, 0.0f));
}
