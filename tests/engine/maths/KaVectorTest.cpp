#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tinyxml.h>

#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "tests/engine/maths/KaMathsTestHelpers.h"

TEST(KaVector3f32, NormalizeHasNoThresholdButLeavesZeroAlone)
{
    KaVector3f32 zero;
    zero.normalize();
    EXPECT_EQ(zero, KaVector3f32(0.0f, 0.0f, 0.0f));

    KaVector3f32 tiny(1e-20f, 0.0f, 0.0f);
    tiny.normalize();
    EXPECT_NEAR(tiny.x, 1.0f, 1e-4f);
    EXPECT_EQ(tiny.y, 0.0f);

    EXPECT_TRUE(KaNear(KaVector3f32(3.0f, 0.0f, 4.0f).toNormalized(), KaVector3f32(0.6f, 0.0f, 0.8f)));
    EXPECT_EQ(KaVector2f32().toNormalized(), KaVector2f32());
    EXPECT_EQ(KaVector2f32(0.0f, -5.0f).toNormalized(), KaVector2f32(0.0f, -1.0f));
}

TEST(KaVector3f32, CrossProductsAreRightHanded)
{
    KaVector3f32 a(1.0f, 2.0f, 3.0f);
    KaVector3f32 b(4.0f, 5.0f, 6.0f);
    EXPECT_EQ(a.crossProduct(b), KaVector3f32(-3.0f, 6.0f, -3.0f));
    EXPECT_EQ(a ^ b, KaVector3f32(-3.0f, 6.0f, -3.0f));
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f) ^ KaVector3f32(0.0f, 1.0f, 0.0f), KaVector3f32(0.0f, 0.0f, 1.0f));
    a ^= b;
    EXPECT_EQ(a, KaVector3f32(-3.0f, 6.0f, -3.0f));
    EXPECT_EQ(KaVector2f32(1.0f, 0.0f).crossProduct(KaVector2f32(0.0f, 1.0f)), 1.0f);
    EXPECT_EQ(KaVector2f32(0.0f, 1.0f).crossProduct(KaVector2f32(1.0f, 0.0f)), -1.0f);
}

TEST(KaVector3f32, ComparisonIsExact)
{
    const float one = 1.0f;
    const float nextUp = std::nextafter(one, 2.0f);
    EXPECT_NE(KaVector3f32(one, 0.0f, 0.0f), KaVector3f32(nextUp, 0.0f, 0.0f));
    EXPECT_NE(KaVector2f32(0.0f, one), KaVector2f32(0.0f, nextUp));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    KaVector3f32 withNaN(0.0f, nan, 0.0f);
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
}

TEST(KaVector3f32, ScalarOperatorsWorkOnEveryComponent)
{
    KaVector3f32 v(1.0f, 2.0f, 4.0f);
    EXPECT_EQ(v - 1.0f, KaVector3f32(0.0f, 1.0f, 3.0f));
    EXPECT_EQ(1.0f + v, KaVector3f32(2.0f, 3.0f, 5.0f));
    EXPECT_EQ(2.0f * v, KaVector3f32(2.0f, 4.0f, 8.0f));
    EXPECT_EQ(v / 2.0f, KaVector3f32(0.5f, 1.0f, 2.0f));
    EXPECT_EQ(v * KaVector3f32(2.0f, 3.0f, 0.5f), KaVector3f32(2.0f, 6.0f, 2.0f));
    EXPECT_EQ(v / KaVector3f32(2.0f, 4.0f, 8.0f), KaVector3f32(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(-v, KaVector3f32(-1.0f, -2.0f, -4.0f));
    EXPECT_EQ(v.dotProduct(KaVector3f32(1.0f, 1.0f, 1.0f)), 7.0f);
    EXPECT_EQ(3.0f - KaVector2f32(1.0f, 5.0f), KaVector2f32(2.0f, -2.0f));
    KaVector3f32 scaled(1.0f, 2.0f, 3.0f);
    scaled *= 0.1;
    EXPECT_EQ(scaled, KaVector3f32(static_cast<float>(1.0 * 0.1), static_cast<float>(2.0 * 0.1),
                          static_cast<float>(3.0 * 0.1)));
}

TEST(KaVector3f32, RotateTurnsByTheConjugateOfTheTextbookRotation)
{
    // A textbook quarter turn about z maps x to y; the engine's matrices are
    // transposed, so the same quaternion maps x to -y here.
    const float halfPi = 1.5707964f;
    KaVector3f32 v(1.0f, 0.0f, 0.0f);
    v.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), halfPi));
    EXPECT_TRUE(KaNear(v, KaVector3f32(0.0f, -1.0f, 0.0f)));
}

TEST(KaVector2s32, ConversionsTruncateTowardZero)
{
    KaVector2s32 fromFloats(KaVector2f32(-1.7f, 2.9f));
    EXPECT_EQ(fromFloats, KaVector2s32(-1, 2));
    KaVector2f32 back(KaVector2s32(-3, 4));
    EXPECT_EQ(back, KaVector2f32(-3.0f, 4.0f));
    KaVector3f32 lifted(KaVector2s32(5, -6));
    EXPECT_EQ(lifted, KaVector3f32(5.0f, -6.0f, 0.0f));
    EXPECT_EQ(KaVector3f32(KaVector3s32(1, 2, 3)), KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(KaVector2f32(KaVector3f32(1.0f, 2.0f, 3.0f)), KaVector2f32(1.0f, 2.0f));
    const float values[3] = { 7.0f, 8.0f, 9.0f };
    EXPECT_EQ(KaVector3f32(values), KaVector3f32(7.0f, 8.0f, 9.0f));
}

TEST(KaVector2s32, NormalizeDividesByTheTruncatedLength)
{
    struct Case {
        KaVector2s32 value;
        KaVector2s32 expected;
    } cases[] = {
        { KaVector2s32(10, 0), KaVector2s32(1, 0) },
        { KaVector2s32(0, -7), KaVector2s32(0, -1) },
        { KaVector2s32(3, 4), KaVector2s32(0, 0) },
        { KaVector2s32(0, 0), KaVector2s32(0, 0) },
        // The squares wrap to 0 in 32 bits: left alone rather than divided by 0.
        { KaVector2s32(65536, 0), KaVector2s32(65536, 0) },
        // The squares wrap negative: likewise.
        { KaVector2s32(46341, 0), KaVector2s32(46341, 0) },
    };
    for (const Case& c : cases) {
        KaVector2s32 v = c.value;
        v.normalize();
        EXPECT_EQ(v, c.expected) << c.value.x << ", " << c.value.y;
    }
    EXPECT_EQ(KaVector2s32(3, 4).getLength(), 5.0f);
    EXPECT_EQ(KaVector2s32(3, 4).squaredLength(), 25.0f);
}

TEST(KaVector2s32, ArithmeticWrapsAndDivisionTruncates)
{
    EXPECT_EQ(KaVector2s32(2147483647, 0) + KaVector2s32(1, 0), KaVector2s32(-2147483647 - 1, 0));
    EXPECT_EQ(KaVector2s32(-7, 7) / 2, KaVector2s32(-3, 3));
    EXPECT_EQ(KaVector2s32(9, -9) / KaVector2s32(2, 4), KaVector2s32(4, -2));
    EXPECT_EQ(KaVector2s32(1, 2) - 1, KaVector2s32(0, 1));
    EXPECT_EQ(3 * KaVector2s32(1, 2), KaVector2s32(3, 6));
    EXPECT_EQ(KaVector2s32(-2147483647 - 1, 4) / -1, KaVector2s32(-2147483647 - 1, -4));
}

namespace {

// Parses "<v>text</v>" (or "<v/>" for null text) into an element kept alive
// with its document.
struct XmlElement {
    explicit XmlElement(const char* xml) { document.Parse(xml); }
    const TiXmlElement* element() const { return document.RootElement(); }
    TiXmlDocument document;
};

} // namespace

TEST(KaVectorXml, ReadersTakeTheNumbersTheTextSupplies)
{
    struct Case {
        const char* xml;
        KaVector3f32 expected; // starting from (7, 8, 9)
    } cases[] = {
        { "<v>1.5,2,-3</v>", KaVector3f32(1.5f, 2.0f, -3.0f) },
        { "<v>1.5,2</v>", KaVector3f32(1.5f, 2.0f, 9.0f) },
        { "<v>1.5</v>", KaVector3f32(1.5f, 8.0f, 9.0f) },
        { "<v>x,2,3</v>", KaVector3f32(7.0f, 8.0f, 9.0f) },
        { "<v>1;2;3</v>", KaVector3f32(1.0f, 8.0f, 9.0f) },
        { "<v/>", KaVector3f32(7.0f, 8.0f, 9.0f) },
        { "<v> 1, 2, 3</v>", KaVector3f32(1.0f, 2.0f, 3.0f) },
    };
    for (const Case& c : cases) {
        XmlElement xml(c.xml);
        ASSERT_NE(xml.element(), nullptr) << c.xml;

        KaVector3f32 v3(7.0f, 8.0f, 9.0f);
        EXPECT_TRUE(KaVector3f32::deserialize(xml.element(), v3));
        EXPECT_EQ(v3, c.expected) << c.xml;

        KaVector2f32 v2(7.0f, 8.0f);
        EXPECT_TRUE(KaVector2f32::deserialize(xml.element(), v2));
        EXPECT_EQ(v2, KaVector2f32(c.expected.x, c.expected.y)) << c.xml;

        KaQuaternion q(7.0f, 8.0f, 9.0f, 10.0f);
        EXPECT_TRUE(KaQuaternion::deserialize(xml.element(), q));
        EXPECT_EQ(q, KaQuaternion(c.expected.x, c.expected.y, c.expected.z, 10.0f)) << c.xml;
    }
}

TEST(KaVectorXml, QuaternionReadsFourNumbersInComponentOrder)
{
    XmlElement xml("<q>0.1,0.2,0.3,0.4</q>");
    KaQuaternion q;
    EXPECT_TRUE(KaQuaternion::deserialize(xml.element(), q));
    EXPECT_EQ(q, KaQuaternion(0.1f, 0.2f, 0.3f, 0.4f));
}

TEST(KaVectorXml, NullElementIsRefusedAndChangesNothing)
{
    KaVector2f32 v2(1.0f, 2.0f);
    KaVector3f32 v3(1.0f, 2.0f, 3.0f);
    KaQuaternion q(1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_FALSE(KaVector2f32::deserialize(static_cast<const TiXmlElement*>(nullptr), v2));
    EXPECT_FALSE(KaVector3f32::deserialize(static_cast<const TiXmlElement*>(nullptr), v3));
    EXPECT_FALSE(KaQuaternion::deserialize(static_cast<const TiXmlElement*>(nullptr), q));
    EXPECT_EQ(v2, KaVector2f32(1.0f, 2.0f));
    EXPECT_EQ(v3, KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(q, KaQuaternion(1.0f, 2.0f, 3.0f, 4.0f));
}
