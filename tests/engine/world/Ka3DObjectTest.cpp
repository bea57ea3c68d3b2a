#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/world/Ka3DObject.h"

namespace {

struct Counter {
    int count = 0;
    bool fire()
    {
        ++count;
        return false;
    }
};

KaVector3f32 apply(const KaMatrix4x4& matrix, float x, float y) { return matrix * KaVector3f32(x, y, 0.0f); }

void expectNear(const KaVector3f32& got, const KaVector3f32& want)
{
    EXPECT_NEAR(got.x, want.x, 1e-4f);
    EXPECT_NEAR(got.y, want.y, 1e-4f);
    EXPECT_NEAR(got.z, want.z, 1e-4f);
}

// Overrides the pivot getter, as widgets whose pivot follows their content do.
class FixedPivot : public Ka3DObject {
public:
    KaVector3f32 getRotateCenter() const override { return KaVector3f32(0.0f, 0.0f, 0.0f); }
};

} // namespace

TEST(Ka3DObjectTest, DefaultsAndSignalsOnlyOnChange)
{
    Ka3DObject object;
    EXPECT_EQ(object.getScale(), KaVector3f32(1, 1, 1));
    EXPECT_EQ(object.getScaleCenter(), KaVector3f32(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(object.getRotateCenter(), KaVector3f32(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(object.getOpacity(), 1.0f);
    EXPECT_EQ(object.getScreen(), nullptr);
    EXPECT_EQ(object.getParent(), nullptr);

    Counter moved, resized;
    object.onPositionChanged().add(&moved, &Counter::fire);
    object.onSizeChanged().add(&resized, &Counter::fire);
    object.setPosition(KaVector3f32(0, 0, 0));
    object.setSize(KaVector3f32(0, 0, 0));
    EXPECT_EQ(moved.count, 0);
    EXPECT_EQ(resized.count, 0);
    object.setPosition(KaVector3f32(0, 0, 1));
    object.setPosition(KaVector3f32(0, 0, 1));
    object.setSize(KaVector3f32(3, 0, 0));
    EXPECT_EQ(moved.count, 1);
    EXPECT_EQ(resized.count, 1);

    // Stored without effect on the matrix.
    object.setScaleFromPoint(true, KaVector3f32(7, 8, 9));
    EXPECT_TRUE(object.isScaleFromPoint());
    EXPECT_EQ(object.scalePoint(), KaVector3f32(7, 8, 9));
    KaMatrix4x4 expected;
    expected.translate(KaVector3f32(0, 0, 1));
    EXPECT_EQ(object.getTransformationMatrix(), expected);
}

TEST(Ka3DObjectTest, WithoutRotationOrScaleTheMatrixIsThePositionWhateverThePivots)
{
    Ka3DObject object;
    object.setPosition(KaVector3f32(10, 20, 3));
    object.setSize(KaVector3f32(101, 51, 0));
    object.setRotateCenter(KaVector3f32(0.3f, 0.7f, 0));
    object.setScaleCenter(KaVector3f32(0.9f, 0.1f, 0));
    KaMatrix4x4 expected;
    expected.translate(KaVector3f32(10, 20, 3));
    EXPECT_EQ(object.getTransformationMatrix(), expected);
}

TEST(Ka3DObjectTest, PivotsRoundDownBothWays)
{
    // Size 101 x 51 about the centre: 50, 25 there and -51, -26 back.
    Ka3DObject object;
    object.setSize(KaVector3f32(101, 51, 0));
    object.setRotateAngle(90.0f);
    KaMatrix4x4 expected;
    expected.translate(KaVector3f32(50, 25, 0));
    expected.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), 90.0f * 3.1415927f / 180.0f));
    expected.translate(KaVector3f32(-51, -26, 0));
    EXPECT_EQ(object.getTransformationMatrix(), expected);

    Ka3DObject scaled;
    scaled.setSize(KaVector3f32(101, 51, 0));
    scaled.setScale(KaVector3f32(2, 2, 1));
    // (0, 0) goes to 50 - 2 * 51 = -52 and 25 - 2 * 26 = -27.
    expectNear(apply(scaled.getTransformationMatrix(), 0, 0), KaVector3f32(-52, -27, 0));
    expectNear(apply(scaled.getTransformationMatrix(), 51, 26), KaVector3f32(50, 25, 0));
}

TEST(Ka3DObjectTest, RotationIsInDegreesAboutThePivot)
{
    Ka3DObject object;
    object.setPosition(KaVector3f32(100, 50, 0));
    object.setSize(KaVector3f32(40, 20, 0));
    object.setRotateAngle(90.0f);
    // The pivot (20, 10) stays; the right edge's middle turns a quarter
    // clockwise (y up), below it.
    expectNear(apply(object.getTransformationMatrix(), 20, 10), KaVector3f32(120, 60, 0));
    expectNear(apply(object.getTransformationMatrix(), 40, 10), KaVector3f32(120, 40, 0));

    // A NaN angle is no 0: the matrix is no plain translation any more.
    object.setRotateAngle(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(object.getTransformationMatrix().m[0]));

    // The pivot comes from the virtual getter.
    FixedPivot corner;
    corner.setSize(KaVector3f32(40, 20, 0));
    corner.setRotateAngle(180.0f);
    expectNear(apply(corner.getTransformationMatrix(), 10, 0), KaVector3f32(-10, 0, 0));
}

TEST(Ka3DObjectTest, WorldValuesWalkUpTheParents)
{
    Ka3DObject parent, child;
    parent.setPosition(KaVector3f32(100, 100, 1));
    parent.setSize(KaVector3f32(10, 10, 0));
    parent.setScale(KaVector3f32(2, 2, 1));
    parent.setRotateAngle(45.0f);
    child.setParent(&parent);
    child.setPosition(KaVector3f32(5, 6, 2));
    // The plain sum, whatever the parent's scale and rotation.
    EXPECT_EQ(child.getWorldPosition(), KaVector3f32(105, 106, 3));
    // The matrix does compose them.
    const KaVector3f32 viaParent = parent.getTransformationMatrix() * KaVector3f32(5, 6, 2);
    expectNear(child.getWorldTransformationMatrix() * KaVector3f32(0, 0, 0), viaParent);
}

TEST(Ka3DObjectTest, RotateCenterFromAPointOfTheParentSpace)
{
    Ka3DObject object;
    object.setPosition(KaVector3f32(10, 20, 0));
    object.setSize(KaVector3f32(40, 80, 0));
    object.setRotateCenter(KaVector3f32(0.5f, 0.5f, 0.25f));
    object.setRotateCenterFromPoint(KaVector3f32(20, 40, 99));
    EXPECT_EQ(object.getRotateCenter(), KaVector3f32(0.25f, 0.25f, 0.25f));

    Ka3DObject flat;
    flat.setSize(KaVector3f32(0, 10, 0));
    flat.setRotateCenterFromPoint(KaVector3f32(5, 5, 0));
    EXPECT_TRUE(std::isinf(flat.getRotateCenter().x));
    flat.setRotateCenterFromPoint(KaVector3f32(0, 5, 0));
    EXPECT_TRUE(std::isnan(flat.getRotateCenter().x));
}
