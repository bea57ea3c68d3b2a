#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tinyxml.h>

#include "engine/maths/KaMatricesStack.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "tests/engine/maths/KaMathsTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

KaMatrix4x4 fromValues(std::initializer_list<float> values)
{
    KaMatrix4x4 m;
    int i = 0;
    for (float v : values)
        m.m[i++] = v;
    return m;
}

// A general matrix: rotation, non-uniform scale, translation and a
// perspective row, so that no element is trivially 0 or 1.
KaMatrix4x4 generalMatrix()
{
    return fromValues({ 2.0f, 0.5f, -1.0f, 0.1f, 1.0f, 3.0f, 0.25f, -0.2f, -0.5f, 1.5f, 4.0f, 0.3f, 7.0f, -2.0f, 1.0f,
        1.0f });
}

const float kHalfPi = 1.5707964f;
const float kPi = 3.1415927f;

} // namespace

TEST(KaMatrix4x4, ProductAppliesTheRightFactorFirst)
{
    KaMatrix4x4 t;
    t.translate(KaVector3f32(10.0f, 0.0f, 0.0f));
    KaMatrix4x4 s;
    s.scale(KaVector3f32(2.0f, 2.0f, 2.0f));
    const KaVector3f32 p(1.0f, 1.0f, 1.0f);
    // T * S scales first, then moves.
    EXPECT_EQ((t * s) * p, KaVector3f32(12.0f, 2.0f, 2.0f));
    EXPECT_EQ((s * t) * p, KaVector3f32(22.0f, 2.0f, 2.0f));

    // translate/scale post-multiply: the same T * S built in place.
    KaMatrix4x4 built;
    built.translate(KaVector3f32(10.0f, 0.0f, 0.0f));
    built.scale(KaVector3f32(2.0f, 2.0f, 2.0f));
    EXPECT_EQ(built, t * s);
}

TEST(KaMatrix4x4, ProductMatchesTheIndexRule)
{
    KaMatrix4x4 a = generalMatrix();
    KaMatrix4x4 b = generalMatrix().transposeMatrix();
    KaMatrix4x4 product = a * b;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double expected = 0.0;
            for (int k = 0; k < 4; ++k)
                expected += static_cast<double>(a[k][row]) * static_cast<double>(b[column][k]);
            EXPECT_NEAR(product[column][row], expected, 1e-4) << "row " << row << " column " << column;
        }
    }
}

TEST(KaMatrix4x4, IdentityProductKeepsEveryByte)
{
    KaMatrix4x4 m = generalMatrix();
    EXPECT_EQ(KaMatrix4x4() * m, m);
    EXPECT_EQ(m * KaMatrix4x4(), m);
}

TEST(KaMatrix4x4, EqualityIsByteWise)
{
    KaMatrix4x4 a;
    KaMatrix4x4 b;
    b.m[7] = -0.0f;
    EXPECT_NE(a, b);
    KaMatrix4x4 nan;
    nan.m[3] = std::numeric_limits<float>::quiet_NaN();
    KaMatrix4x4 sameNaN(nan.m);
    EXPECT_EQ(nan, sameNaN);
}

TEST(KaMatrix4x4, TranslationLandsInTheLastColumn)
{
    KaMatrix4x4 m;
    m.translate(KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m.m[12], 1.0f);
    EXPECT_EQ(m.m[13], 2.0f);
    EXPECT_EQ(m.m[14], 3.0f);
    EXPECT_EQ(m.translation(), KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m[3][1], 2.0f);
    EXPECT_EQ(m(3)[2], 3.0f);
}

TEST(KaMatrix4x4, PointTransformDividesByW)
{
    KaMatrix4x4 m;
    m.m[3] = 0.5f; // w = 0.5 * x + 1
    EXPECT_EQ(m * KaVector3f32(2.0f, 4.0f, 6.0f), KaVector3f32(1.0f, 2.0f, 3.0f));

    KaMatrix4x4 flat;
    flat.m[15] = 0.0f; // w = 0 for every point
    KaVector3f32 p = flat * KaVector3f32(1.0f, 0.0f, 0.0f);
    EXPECT_EQ(p.x, 1.0f / 1e-9f);
    EXPECT_TRUE(std::isfinite(p.x));

    // mult4x3 ignores w, mult3x3 the translation as well.
    KaMatrix4x4 t;
    t.translate(KaVector3f32(1.0f, 1.0f, 1.0f));
    t.m[15] = 2.0f;
    EXPECT_EQ(t.mult4x3(KaVector3f32(1.0f, 2.0f, 3.0f)), KaVector3f32(2.0f, 3.0f, 4.0f));
    EXPECT_EQ(t.mult3x3(KaVector3f32(1.0f, 2.0f, 3.0f)), KaVector3f32(1.0f, 2.0f, 3.0f));
}

TEST(KaMatrix4x4, InverseUndoesTheMatrix)
{
    KaMatrix4x4 m = generalMatrix();
    KaMatrix4x4 inverse = m.getInverseMatrix();
    EXPECT_TRUE(KaNear(m * inverse, KaMatrix4x4(), 1e-5f));
    EXPECT_TRUE(KaNear(inverse * m, KaMatrix4x4(), 1e-5f));
    EXPECT_EQ(m, generalMatrix()); // left unchanged

    KaMatrix4x4 t;
    t.translate(KaVector3f32(1.0f, 2.0f, 3.0f));
    KaMatrix4x4 tInverse = t.getInverseMatrix();
    EXPECT_EQ(tInverse.translation(), KaVector3f32(-1.0f, -2.0f, -3.0f));
}

TEST(KaMatrix4x4, SingularMatrixInvertsToIdentity)
{
    KaMatrix4x4 m = generalMatrix();
    m.m[4] = m.m[5] = m.m[6] = m.m[7] = 0.0f; // a zero column
    EXPECT_EQ(m.determinant(), 0.0f);
    EXPECT_EQ(m.getInverseMatrix(), KaMatrix4x4());
}

TEST(KaMatrix4x4, Determinants)
{
    KaMatrix4x4 diagonal = fromValues({ 2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 5 });
    EXPECT_EQ(diagonal.determinant(), 120.0f);
    EXPECT_EQ(diagonal.determinant3x3(), 24.0f);
    // Swapping two columns flips the sign.
    KaMatrix4x4 swapped = fromValues({ 0, 3, 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 5 });
    EXPECT_EQ(swapped.determinant(), -120.0f);
    // A rotation keeps volumes.
    EXPECT_NEAR(KaQuaternion::fromEuler(KaVector3f32(0.3f, -1.1f, 2.0f)).toMatrix().determinant(), 1.0f, 1e-5f);
}

TEST(KaMatrix4x4, SubMatrixDropsOneColumnAndOneRow)
{
    KaMatrix4x4 sub;
    KaMatrix4x4().getSubMatrix(0, 0, sub);
    EXPECT_EQ(sub, KaMatrix4x4());

    KaMatrix4x4 m = fromValues({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 });
    m.getSubMatrix(1, 2, sub);
    // Columns 0, 2, 3 and rows 0, 1, 3 of m, in order, in the upper-left 3x3.
    EXPECT_EQ(sub, fromValues({ 0, 1, 3, 0, 8, 9, 11, 0, 12, 13, 15, 0, 0, 0, 0, 1 }));
}

TEST(KaMatrix4x4, RotationComesBackFromToMatrix)
{
    const float r = 0.70710677f;
    const float t = 0.57735026f;
    struct Case {
        const char* name;
        KaQuaternion q;
    } cases[] = {
        { "identity", KaQuaternion() },
        { "general", KaQuaternion::fromEuler(KaVector3f32(0.3f, -1.1f, 2.0f)) },
        { "quarter turn about y", KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), kHalfPi) },
        { "half turn about x", KaQuaternion(1, 0, 0, 0) },
        { "half turn about y", KaQuaternion(0, 1, 0, 0) },
        { "half turn about z", KaQuaternion(0, 0, 1, 0) },
        // Two equal largest diagonal elements.
        { "half turn between x and y", KaQuaternion(r, r, 0, 0) },
        { "half turn between y and z", KaQuaternion(0, r, -r, 0) },
        { "half turn between x and z", KaQuaternion(-r, 0, r, 0) },
        // Three equal diagonal elements.
        { "half turn about the diagonal", KaQuaternion(t, t, t, 0) },
        { "near half turn", KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kPi - 0.01f) },
    };
    for (const Case& c : cases) {
        KaCaptureStdout capture;
        KaQuaternion back = c.q.toMatrix().rotation();
        std::string printed = capture.text();
        EXPECT_TRUE(KaSameRotation(back, c.q)) << c.name;
        EXPECT_EQ(printed, "") << c.name;
    }
}

TEST(KaMatrix4x4, RotationKeepsWPositiveShortOfAHalfTurn)
{
    // Whichever root the extraction takes, a rotation of less than a half
    // turn comes back with w > 0, i.e. as q itself and not -q.
    const KaVector3f32 axis = KaVector3f32(0.2f, -0.9f, 0.4f).toNormalized();
    for (float angle : { 0.1f, 1.0f, 2.0f, 2.5f, 3.0f, 3.1f, 3.14f }) {
        KaQuaternion q = KaQuaternion::fromAxisAndAngle(axis, angle);
        KaQuaternion back = q.toMatrix().rotation();
        EXPECT_GT(back.w, 0.0f) << angle;
        EXPECT_TRUE(KaNear(back, q, 1e-5f)) << angle;
    }
}

TEST(KaMatrix4x4, RotationOfTheTiedDiagonalIsTheHalfTurnBetweenTheAxes)
{
    // The diagonal (0, 0, -1) with the matching off-diagonal pair: the half
    // turn about (1, 1, 0) / sqrt(2), which maps x onto y.
    KaMatrix4x4 m = fromValues({ 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1 });
    KaQuaternion q = m.rotation();
    EXPECT_TRUE(KaSameRotation(q, KaQuaternion(0.70710677f, 0.70710677f, 0.0f, 0.0f)));
    KaVector3f32 x(1.0f, 0.0f, 0.0f);
    x.rotate(q);
    EXPECT_TRUE(KaNear(x, KaVector3f32(0.0f, 1.0f, 0.0f)));
}

TEST(KaMatrix4x4, RotationOfANaNDiagonalReportsAnError)
{
    KaMatrix4x4 m;
    m.m[0] = m.m[5] = m.m[10] = std::numeric_limits<float>::quiet_NaN();
    KaCaptureStdout capture;
    KaQuaternion q = m.rotation();
    EXPECT_EQ(capture.text(), "KaMatrix4x4::rotation(): error");
    EXPECT_EQ(q, KaQuaternion());
}

TEST(KaMatrix4x4, ScaleQueriesWorkOnRows)
{
    // S * R: each row of R multiplied by its scale factor.
    KaMatrix4x4 rotation = KaQuaternion::fromEuler(KaVector3f32(0.4f, 0.2f, -0.7f)).toMatrix();
    KaMatrix4x4 s;
    s.scale(KaVector3f32(2.0f, 3.0f, 4.0f));
    KaMatrix4x4 scaled = s * rotation;
    EXPECT_TRUE(KaNear(scaled.getScale(), KaVector3f32(2.0f, 3.0f, 4.0f)));
    scaled.removeScale();
    EXPECT_TRUE(KaNear(scaled, rotation));

    // invertScale: a column of length L gets length 1 / L.
    KaMatrix4x4 columns = rotation * s;
    columns.invertScale();
    EXPECT_TRUE(KaNear(columns, rotation * fromValues({ 0.5f, 0, 0, 0, 0, 1.0f / 3.0f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 1 })));
}

TEST(KaMatrix4x4, FromTRSIsTranslationRotationScale)
{
    KaTRS trs(KaVector3f32(1.0f, 2.0f, 3.0f), KaQuaternion::fromEuler(KaVector3f32(0.1f, 0.2f, 0.3f)),
        KaVector3f32(2.0f, 2.0f, 0.5f));
    KaMatrix4x4 m = generalMatrix();
    m.fromTRS(trs);
    KaMatrix4x4 t;
    t.translate(trs.getTranslation());
    KaMatrix4x4 s;
    s.scale(trs.getScale());
    EXPECT_TRUE(KaNear(m, t * trs.getRotation().toMatrix() * s));
}

TEST(KaMatrix4x4, LookAtPlacesTheAxesAndKeepsTheBottomRow)
{
    KaMatrix4x4 m;
    m.m[3] = 5.0f;
    m.m[7] = 6.0f;
    m.m[11] = 7.0f;
    m.setLookAt(KaVector3f32(1.0f, 2.0f, 3.0f), KaVector3f32(1.0f, 2.0f, -7.0f), KaVector3f32(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(m.m[3], 5.0f);
    EXPECT_EQ(m.m[7], 6.0f);
    EXPECT_EQ(m.m[11], 7.0f);
    // f = (0, 0, -1), s = f x up = (1, 0, 0), u = s x f = (0, 1, 0); the first column is -s.
    EXPECT_TRUE(KaNear(KaVector3f32(m[0]), KaVector3f32(-1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(KaNear(KaVector3f32(m[1]), KaVector3f32(0.0f, 1.0f, 0.0f)));
    EXPECT_TRUE(KaNear(KaVector3f32(m[2]), KaVector3f32(0.0f, 0.0f, -1.0f)));
    EXPECT_EQ(m.translation(), KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m.m[15], 1.0f);
}

TEST(KaMatrix4x4, MeshScaleAndAddMakeWeightedSums)
{
    KaMatrix4x4 a = generalMatrix();
    KaMatrix4x4 sum;
    a.meshScale(sum, 0.25f);
    KaMatrix4x4 part;
    a.meshScale(part, 0.75f);
    sum.meshAdd(part);
    EXPECT_TRUE(KaNear(sum, a));
}

TEST(KaMatrix4x4, PrintWritesFourLinesInIndexOrder)
{
    KaCaptureStdout capture;
    fromValues({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }).print();
    EXPECT_EQ(capture.text(),
        "0.000000 1.000000 2.000000 3.000000 \n"
        "4.000000 5.000000 6.000000 7.000000 \n"
        "8.000000 9.000000 10.000000 11.000000 \n"
        "12.000000 13.000000 14.000000 15.000000 \n");
}

namespace {

KaMatrix4x4 readXml(const char* xml, const KaMatrix4x4& start, bool* result = nullptr)
{
    TiXmlDocument document;
    document.Parse(xml);
    KaMatrix4x4 m = start;
    bool ok = KaMatrix4x4::deserialize(document.RootElement(), m);
    if (result)
        *result = ok;
    return m;
}

const char* kSixteen = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16";

} // namespace

TEST(KaMatrix4x4Xml, DefaultOrderIsTransposed)
{
    bool ok = false;
    KaMatrix4x4 m = readXml((std::string("<m>") + kSixteen + "</m>").c_str(), KaMatrix4x4(), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(m, fromValues({ 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16 }));
    // Any mode other than "rowMajor" reads the same way.
    EXPECT_EQ(readXml((std::string("<m mode=\"columnMajor\">") + kSixteen + "</m>").c_str(), KaMatrix4x4()), m);
}

TEST(KaMatrix4x4Xml, RowMajorModeIsIndexOrder)
{
    KaMatrix4x4 m = readXml((std::string("<m mode=\"rowMajor\">") + kSixteen + "</m>").c_str(), KaMatrix4x4());
    EXPECT_EQ(m, fromValues({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 }));
}

TEST(KaMatrix4x4Xml, NumbersBeyondSixteenAreIgnored)
{
    // Guarded memory: anything written past the matrix lands in the canaries.
    struct Guarded {
        float before[8];
        KaMatrix4x4 matrix;
        float after[8];
    } guarded;
    for (float& f : guarded.before)
        f = -1.0f;
    for (float& f : guarded.after)
        f = -1.0f;
    TiXmlDocument document;
    document.Parse("<m mode=\"rowMajor\">1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24</m>");
    EXPECT_TRUE(KaMatrix4x4::deserialize(document.RootElement(), guarded.matrix));
    EXPECT_EQ(guarded.matrix, fromValues({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 }));
    for (float f : guarded.after)
        EXPECT_EQ(f, -1.0f);
    for (float f : guarded.before)
        EXPECT_EQ(f, -1.0f);

    KaMatrix4x4 transposed = readXml("<m>1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20</m>", KaMatrix4x4());
    EXPECT_EQ(transposed, fromValues({ 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16 }));
}

TEST(KaMatrix4x4Xml, MissingAndUnreadableNumbersKeepTheirElements)
{
    KaMatrix4x4 start = generalMatrix();
    KaMatrix4x4 expected = start;
    expected.m[0] = 9.0f;
    expected.m[8] = 7.0f;
    // Pieces 0, 1 (bad), 2; default order sends them to 0, 4, 8.
    EXPECT_EQ(readXml("<m>9,oops,7</m>", start), expected);
    EXPECT_EQ(readXml("<m></m>", start), start);
    EXPECT_EQ(readXml("<m>,,,</m>", start), start);
}

TEST(KaMatrix4x4Xml, NullElementIsRefused)
{
    KaMatrix4x4 m = generalMatrix();
    EXPECT_FALSE(KaMatrix4x4::deserialize(static_cast<const TiXmlElement*>(nullptr), m));
    EXPECT_EQ(m, generalMatrix());
}

TEST(KaMatricesStack, StartsWithOneIdentityAndNeverEmpties)
{
    KaMatricesStack stack;
    EXPECT_EQ(stack.size(), 1u);
    EXPECT_FALSE(stack.isEmpty());
    EXPECT_EQ(stack.currentMatrix(), KaMatrix4x4());
    stack.translate(KaVector3f32(1.0f, 0.0f, 0.0f));
    stack.popMatrix();
    EXPECT_EQ(stack.size(), 1u);
    EXPECT_EQ(stack.currentMatrix().translation(), KaVector3f32(1.0f, 0.0f, 0.0f));
}

TEST(KaMatricesStack, PopRestoresWhatPushSaved)
{
    KaMatricesStack stack;
    stack.loadMatrix(generalMatrix());
    stack.pushMatrix();
    EXPECT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack.currentMatrix(), generalMatrix());
    stack.translate(KaVector3f32(1.0f, 2.0f, 3.0f));
    stack.rotate(0.5f, KaVector3f32(0.0f, 1.0f, 0.0f));
    stack.pushMatrix();
    stack.loadIdentity();
    stack.popMatrix();
    stack.popMatrix();
    EXPECT_EQ(stack.size(), 1u);
    EXPECT_EQ(stack.currentMatrix(), generalMatrix());
}

TEST(KaMatricesStack, OperationsPostMultiplyTheTop)
{
    KaMatricesStack stack;
    stack.translate(KaVector3f32(10.0f, 0.0f, 0.0f));
    stack.scale(KaVector3f32(2.0f, 2.0f, 2.0f));
    stack.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), kHalfPi));
    KaMatrix4x4 extra;
    extra.translate(KaVector3f32(0.0f, 1.0f, 0.0f));
    stack.multiplyMatrix(extra);
    // The last operation applies first: (0, 1, 0) -> (0, 2, 0) -> turned (2, 0, 0)
    // -> scaled (4, 0, 0) -> moved (14, 0, 0).
    EXPECT_TRUE(KaNear(stack.currentMatrix() * KaVector3f32(0.0f, 1.0f, 0.0f), KaVector3f32(14.0f, 0.0f, 0.0f)));
}
