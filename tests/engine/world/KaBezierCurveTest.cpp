#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/world/KaBezierCurve.h"
#include "tests/support/KaTestSupport.h"

namespace {

typedef std::vector<KaVector3f32> Points;

KaArray<KaVector3f32> toArray(const Points& points)
{
    KaArray<KaVector3f32> array;
    for (const KaVector3f32& point : points)
        array.pushBack(point);
    return array;
}

Points toPoints(const KaArray<KaVector3f32>& array) { return Points(array.begin(), array.end()); }

std::string text(const KaVector3f32& v)
{
    return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) + ")";
}

::testing::AssertionResult near(const KaVector3f32& got, const KaVector3f32& expected, float tolerance = 1e-5f)
{
    if (std::fabs(got.x - expected.x) <= tolerance && std::fabs(got.y - expected.y) <= tolerance
        && std::fabs(got.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << text(got) << ", expected " << text(expected);
}

// Chords 3, 4 and 3 (total 10): t = 0.3 and 0.7 fall on the inner points,
// and the middle of each span is at t = 0.15, 0.5 and 0.85.
const Points kSquare = {
    KaVector3f32(0.0f, 0.0f, 0.0f),
    KaVector3f32(3.0f, 0.0f, 0.0f),
    KaVector3f32(3.0f, 0.0f, 4.0f),
    KaVector3f32(0.0f, 0.0f, 4.0f),
};

// The record loadBin reads: position, rotation, scale, count, points.
void writeLoadBinRecord(KaStream& stream, const KaVector3f32& position, const KaQuaternion& rotation,
    const KaVector3f32& scale, const Points& points, unsigned int count)
{
    KaVector3f32::serialize(stream, position);
    KaQuaternion::serialize(stream, rotation);
    KaVector3f32::serialize(stream, scale);
    stream.write(count);
    for (const KaVector3f32& point : points)
        KaVector3f32::serialize(stream, point);
}

void writeLoadBinRecord(KaStream& stream, const Points& points)
{
    writeLoadBinRecord(stream, KaVector3f32(1.0f, 2.0f, 3.0f), KaQuaternion(0.0f, 0.0f, 1.0f, 0.0f),
        KaVector3f32(2.0f, 2.0f, 2.0f), points, static_cast<unsigned int>(points.size()));
}

// The record deserialize reads: the same with a name first and the length
// before the count.
void writeStoredRecord(KaStream& stream, const char* name, float length, const Points& points, unsigned int count)
{
    KaString::serialize(stream, KaString(name));
    KaVector3f32::serialize(stream, KaVector3f32(1.0f, 2.0f, 3.0f));
    KaQuaternion::serialize(stream, KaQuaternion(0.0f, 0.0f, 1.0f, 0.0f));
    KaVector3f32::serialize(stream, KaVector3f32(2.0f, 2.0f, 2.0f));
    stream.write(length);
    stream.write(count);
    for (const KaVector3f32& point : points)
        KaVector3f32::serialize(stream, point);
}

// The first `bytes` bytes of a stream, read from the start.
void copyPrefix(const KaStream& source, unsigned long bytes, KaStream& target)
{
    if (bytes > 0)
        target.writeData(source.data(), bytes);
    target.seek(0);
}

struct Counter {
    int calls = 0;
    bool onSignal()
    {
        ++calls;
        return false;
    }
};

} // namespace

TEST(KaBezierCurveTest, RetrievePointFollowsTheChordParametrisedCatmullRomSpline)
{
    struct Case {
        const char* name;
        Points points;
        float t;
        KaVector3f32 expected;
    };
    const float nan = std::nanf("");
    const Points line = { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(10.0f, 5.0f, 0.0f) };
    const Points even
        = { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(1.0f, 0.0f, 0.0f), KaVector3f32(2.0f, 0.0f, 0.0f) };
    const Points same
        = { KaVector3f32(2.0f, 3.0f, 4.0f), KaVector3f32(2.0f, 3.0f, 4.0f), KaVector3f32(2.0f, 3.0f, 4.0f) };
    const Case cases[] = {
        { "no points", {}, 0.5f, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { "one point", { KaVector3f32(1.0f, 2.0f, 3.0f) }, 0.7f, KaVector3f32(1.0f, 2.0f, 3.0f) },
        { "two points: the segment", line, 0.25f, KaVector3f32(2.5f, 1.25f, 0.0f) },
        { "two points, t below 0", line, -1.0f, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { "two points, t above 1", line, 2.0f, KaVector3f32(10.0f, 5.0f, 0.0f) },
        // Hand-computed: the first span with the phantom point (-3, 0, 0),
        // tangents (3, 0, 0) and (1.5, 0, 2), u = 0.5.
        { "first span", kSquare, 0.15f, KaVector3f32(1.6875f, 0.0f, -0.25f) },
        // Tangents (1.5, 0, 2) and (-1.5, 0, 2), u = 0.5.
        { "inner span", kSquare, 0.5f, KaVector3f32(3.375f, 0.0f, 2.0f) },
        // The phantom point (-3, 0, 4) after the end, tangents (-1.5, 0, 2)
        // and (-3, 0, 0), u = 0.5.
        { "last span", kSquare, 0.85f, KaVector3f32(1.6875f, 0.0f, 4.25f) },
        { "on an inner point", kSquare, 0.3f, KaVector3f32(3.0f, 0.0f, 0.0f) },
        { "on the next inner point", kSquare, 0.7f, KaVector3f32(3.0f, 0.0f, 4.0f) },
        { "start", kSquare, 0.0f, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { "end", kSquare, 1.0f, KaVector3f32(0.0f, 0.0f, 4.0f) },
        { "t above 1 is the end", kSquare, 1.5f, KaVector3f32(0.0f, 0.0f, 4.0f) },
        { "t below 0 is the start", kSquare, -0.5f, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { "NaN t is the start", kSquare, nan, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { "evenly spaced: the middle point", even, 0.5f, KaVector3f32(1.0f, 0.0f, 0.0f) },
        { "coincident points", same, 0.5f, KaVector3f32(2.0f, 3.0f, 4.0f) },
        { "coincident points at the end", same, 1.0f, KaVector3f32(2.0f, 3.0f, 4.0f) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaBezierCurve curve;
        curve.setControlPoints(toArray(c.points));
        EXPECT_TRUE(near(curve.retrievePoint(c.t), c.expected));
    }
}

TEST(KaBezierCurveTest, PointsWhereTheParameterMeetsAChordAreExact)
{
    KaBezierCurve curve;
    curve.setControlPoints(toArray(kSquare));
    EXPECT_EQ(curve.retrievePoint(0.3f), kSquare[1]);
    EXPECT_EQ(curve.retrievePoint(1.0f), kSquare[3]);
    EXPECT_EQ(curve.rawLength(), 10.0f);
}

TEST(KaBezierCurveTest, LengthSamplesTheGroundPlaneUpToButNotIncludingTheEnd)
{
    struct Case {
        const char* name;
        Points points;
        uint64_t iterations;
        float expected;
        float tolerance;
    };
    const Case cases[] = {
        { "no points", {}, 1000, 0.0f, 0.0f },
        // 1000 samples stop at t = 0.999, and the rise of 5 is not counted.
        { "two points", { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(10.0f, 5.0f, 0.0f) }, 1000, 9.99f, 1e-3f },
        { "vertical",
            { KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(0.0f, 5.0f, 0.0f), KaVector3f32(0.0f, 10.0f, 0.0f) }, 1000,
            0.0f, 0.0f },
        // Two samples: t = 0 and t = 0.5, which is (3.375, 0, 2).
        { "two samples", kSquare, 2, 3.9230887f, 1e-5f },
        { "no samples", kSquare, 0, 0.0f, 0.0f },
        { "coincident points",
            { KaVector3f32(2.0f, 3.0f, 4.0f), KaVector3f32(2.0f, 3.0f, 4.0f), KaVector3f32(2.0f, 3.0f, 4.0f) }, 1000,
            0.0f, 0.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaBezierCurve curve;
        curve.setControlPoints(toArray(c.points));
        curve.setNbIterations(c.iterations);
        EXPECT_NEAR(curve.length(), c.expected, c.tolerance);
    }
}

TEST(KaBezierCurveTest, CachedLengthsFollowEveryChangeOfThePoints)
{
    KaBezierCurve curve;
    curve.setControlPoints(toArray({ KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(10.0f, 0.0f, 0.0f) }));
    EXPECT_NEAR(curve.length(), 9.99f, 1e-3f);
    EXPECT_EQ(curve.rawLength(), 10.0f);

    curve.setNbIterations(10);
    EXPECT_NEAR(curve.length(), 9.0f, 1e-4f) << "ten samples stop at t = 0.9";

    curve.setControlPoints(toArray(kSquare));
    EXPECT_EQ(curve.rawLength(), 10.0f);
    EXPECT_TRUE(near(curve.retrievePoint(0.5f), KaVector3f32(3.375f, 0.0f, 2.0f)));

    curve.clear();
    EXPECT_EQ(curve.length(), 0.0f);
    EXPECT_EQ(curve.rawLength(), 0.0f);
    EXPECT_TRUE(near(curve.retrievePoint(0.5f), KaVector3f32(0.0f, 0.0f, 0.0f)));
}

TEST(KaBezierCurveTest, PseudoTangentStepsForwardOrEndsAtT)
{
    KaBezierCurve curve;
    curve.setControlPoints(toArray({ KaVector3f32(0.0f, 0.0f, 0.0f), KaVector3f32(10.0f, 5.0f, 0.0f) }));
    KaVector3f32 a;
    KaVector3f32 b;
    curve.pseudoTangent(1.0f, a, b);
    EXPECT_TRUE(near(a, KaVector3f32(9.99f, 4.995f, 0.0f), 1e-4f));
    EXPECT_TRUE(near(b, KaVector3f32(10.0f, 5.0f, 0.0f)));
    curve.pseudoTangent(0.5f, a, b);
    EXPECT_TRUE(near(a, KaVector3f32(5.0f, 2.5f, 0.0f)));
    EXPECT_TRUE(near(b, KaVector3f32(5.01f, 2.505f, 0.0f), 1e-4f));

    curve.setNbIterations(4);
    curve.pseudoTangent(0.9f, a, b);
    EXPECT_TRUE(near(a, KaVector3f32(6.5f, 3.25f, 0.0f)));
    EXPECT_TRUE(near(b, KaVector3f32(9.0f, 4.5f, 0.0f)));
}

TEST(KaBezierCurveTest, BoundsClampsToThePointIndices)
{
    KaBezierCurve curve;
    curve.setControlPoints(toArray(kSquare));
    const int cases[][2] = { { -5, 0 }, { -1, 0 }, { 0, 0 }, { 2, 2 }, { 3, 3 }, { 4, 3 }, { 100, 3 } };
    for (const auto& c : cases)
        EXPECT_EQ(curve.bounds(c[0]), c[1]) << c[0];
}

TEST(KaBezierCurveTest, HermiteInterpolateHonoursTensionAndBias)
{
    const KaVector3f32 window[4] = {
        KaVector3f32(-1.0f, 0.0f, 0.0f),
        KaVector3f32(0.0f, 0.0f, 0.0f),
        KaVector3f32(2.0f, 2.0f, 0.0f),
        KaVector3f32(3.0f, 0.0f, 0.0f),
    };
    struct Case {
        float mu, tension, bias;
        KaVector3f32 expected;
    };
    const Case cases[] = {
        { 0.0f, 0.0f, 0.0f, KaVector3f32(0.0f, 0.0f, 0.0f) },
        { 1.0f, 0.0f, 0.0f, KaVector3f32(2.0f, 2.0f, 0.0f) },
        // Tension 1 flattens both tangents: the half-way point is the middle.
        { 0.5f, 1.0f, 0.0f, KaVector3f32(1.0f, 1.0f, 0.0f) },
        // m0 = (1.5, 1, 0), m1 = (1.5, 0, 0): 0.5 * (2, 2) + 0.125 * m0 - 0.125 * m1.
        { 0.5f, 0.0f, 0.0f, KaVector3f32(1.0f, 1.125f, 0.0f) },
        // Bias 1 takes each tangent from its incoming chord only: m0 = (1, 0),
        // m1 = (2, 2).
        { 0.5f, 0.0f, 1.0f, KaVector3f32(0.875f, 0.75f, 0.0f) },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(near(KaBezierCurve::HermiteInterpolate(c.mu, window, c.tension, c.bias), c.expected))
            << "mu " << c.mu << " tension " << c.tension << " bias " << c.bias;
    }
}

TEST(KaBezierCurveTest, LoadBinAppendsThePointsAndDropsTheStoredTransform)
{
    KaStream stream;
    writeLoadBinRecord(stream, { kSquare[2], kSquare[3] });
    stream.seek(0);

    KaIntrusivePtr<KaBezierCurve> curve(new KaBezierCurve());
    curve->setControlPoints(toArray({ kSquare[0], kSquare[1] }));
    curve->setPosition(KaVector3f32(7.0f, 7.0f, 7.0f));
    Counter positionChanges;
    curve->onPositionChanged().add(&positionChanges, &Counter::onSignal);
    // The chord table of the two points is built before the load.
    EXPECT_EQ(curve->rawLength(), 3.0f);
    EXPECT_NEAR(curve->length(), 2.997f, 1e-3f);

    KaCaptureStdout capture;
    ASSERT_TRUE(curve->loadBin(stream));
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(toPoints(curve->controlPoints()), kSquare);
    EXPECT_EQ(curve->position(), KaVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(curve->rotation(), KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(curve->scale(), KaVector3f32(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(positionChanges.calls, 2) << "the stored position, then the origin";
    // Both caches cover the appended points.
    EXPECT_EQ(curve->rawLength(), 10.0f);
    EXPECT_TRUE(near(curve->retrievePoint(0.85f), KaVector3f32(1.6875f, 0.0f, 4.25f)));
    EXPECT_EQ(curve->retrievePoint(1.0f), kSquare[3]);
    EXPECT_GT(curve->length(), 9.0f);
}

TEST(KaBezierCurveTest, LoadBinOfADamagedStreamFailsAndLeavesTheCurveAsItWas)
{
    KaStream full;
    writeLoadBinRecord(full, kSquare);
    // Inside and at the end of each field: position 12, rotation 16, scale
    // 12, count 4, then four points of 12.
    const unsigned long cuts[] = { 0, 5, 12, 20, 28, 33, 40, 42, 44, 50, 56, 68, 80, 91 };
    ASSERT_EQ(full.bufferLength(), 92u);
    for (unsigned long cut : cuts) {
        SCOPED_TRACE(cut);
        KaStream stream;
        copyPrefix(full, cut, stream);
        KaBezierCurve curve;
        curve.setName(KaString("kept"));
        curve.setControlPoints(toArray({ KaVector3f32(9.0f, 9.0f, 9.0f) }));
        curve.setPosition(KaVector3f32(7.0f, 7.0f, 7.0f));
        KaCaptureStdout capture;
        EXPECT_FALSE(curve.loadBin(stream));
        const std::string message = capture.text();
        EXPECT_EQ(message.rfind("[KaBezierCurve::loadBin] The stream ends ", 0), 0u) << message;
        EXPECT_EQ(toPoints(curve.controlPoints()), Points({ KaVector3f32(9.0f, 9.0f, 9.0f) }));
        EXPECT_EQ(curve.position(), KaVector3f32(7.0f, 7.0f, 7.0f));
        EXPECT_EQ(std::string(curve.name().c_str()), "kept");
    }
}

TEST(KaBezierCurveTest, CountsBeyondTheStreamAreRefusedWithoutAllocatingThem)
{
    for (unsigned int count : { 5u, 1000000u, 0x15555556u, 0xFFFFFFFFu }) {
        SCOPED_TRACE(count);
        KaStream loadBinStream;
        writeLoadBinRecord(
            loadBinStream, KaVector3f32(), KaQuaternion(), KaVector3f32(1.0f, 1.0f, 1.0f), kSquare, count);
        loadBinStream.seek(0);
        KaStream storedStream;
        writeStoredRecord(storedStream, "walk", 3.0f, kSquare, count);
        storedStream.seek(0);

        KaBezierCurve curve;
        KaCaptureStdout capture;
        EXPECT_FALSE(curve.loadBin(loadBinStream));
        EXPECT_FALSE(KaBezierCurve::deserialize(storedStream, curve));
        const std::string message = capture.text();
        EXPECT_NE(message.find("[KaBezierCurve::loadBin] The stream ends at point 4 of"), std::string::npos) << message;
        EXPECT_NE(message.find("[KaBezierCurve::deserialize] The stream ends at point 4 of"), std::string::npos)
            << message;
        EXPECT_EQ(curve.controlPoints().size(), 0u);
        EXPECT_EQ(std::string(curve.name().c_str()), "");
    }
}

TEST(KaBezierCurveTest, LoadBinFromAFileNamesTheCurveAfterIt)
{
    KaTempDir folder;
    const std::string path = folder.file("walk.to.door.bin");
    {
        KaFile file(KaPath(path.c_str()), KaFileSystem::Write);
        ASSERT_TRUE(file.isOpened());
        writeLoadBinRecord(file, kSquare);
    }
    KaBezierCurve curve;
    ASSERT_TRUE(curve.loadBin(KaPath(path.c_str())));
    EXPECT_EQ(std::string(curve.name().c_str()), "walk.to.door");
    EXPECT_EQ(toPoints(curve.controlPoints()), kSquare);
    EXPECT_EQ(curve.retrievePoint(0.3f), kSquare[1]);

    KaBezierCurve missing;
    missing.setName(KaString("kept"));
    const std::string absent = folder.file("absent.bin");
    KaCaptureStdout capture;
    EXPECT_FALSE(missing.loadBin(KaPath(absent.c_str())));
    const std::string message = capture.text();
    EXPECT_NE(message.find("[KaBezierCurve::loadBin] Can't open file : " + absent + ".\n"), std::string::npos)
        << message;
    EXPECT_EQ(std::string(missing.name().c_str()), "kept");

    // A file that stops inside the points: refused, the name left alone.
    {
        KaFile file(KaPath(path.c_str()), KaFileSystem::Write);
        writeLoadBinRecord(file, KaVector3f32(), KaQuaternion(), KaVector3f32(1.0f, 1.0f, 1.0f), kSquare, 9);
    }
    KaCaptureStdout captureShort;
    EXPECT_FALSE(missing.loadBin(KaPath(path.c_str())));
    EXPECT_NE(
        captureShort.text().find("[KaBezierCurve::loadBin] The stream ends at point 4 of 9.\n"), std::string::npos);
    EXPECT_EQ(std::string(missing.name().c_str()), "kept");
    EXPECT_EQ(missing.controlPoints().size(), 0u);
}

TEST(KaBezierCurveTest, DeserializeTrustsTheStoredLengthAndAppendsThePoints)
{
    KaStream stream;
    writeStoredRecord(stream, "path", 123.5f, { kSquare[2], kSquare[3] }, 2);
    stream.seek(0);

    KaBezierCurve curve;
    curve.setControlPoints(toArray({ kSquare[0], kSquare[1] }));
    EXPECT_EQ(curve.rawLength(), 3.0f);
    ASSERT_TRUE(KaBezierCurve::deserialize(stream, curve));
    EXPECT_EQ(std::string(curve.name().c_str()), "path");
    EXPECT_EQ(curve.position(), KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(curve.rotation(), KaQuaternion(0.0f, 0.0f, 1.0f, 0.0f));
    EXPECT_EQ(curve.scale(), KaVector3f32(2.0f, 2.0f, 2.0f));
    EXPECT_EQ(toPoints(curve.controlPoints()), kSquare);
    EXPECT_EQ(curve.length(), 123.5f) << "the stored length is served as it is";
    EXPECT_EQ(curve.rawLength(), 10.0f) << "the chords cover the appended points";
    EXPECT_TRUE(near(curve.retrievePoint(0.5f), KaVector3f32(3.375f, 0.0f, 2.0f)));

    curve.setControlPoints(curve.controlPoints());
    EXPECT_NE(curve.length(), 123.5f) << "a change of points samples again";
}

TEST(KaBezierCurveTest, DeserializeOfADamagedStreamFailsAndLeavesTheCurveAsItWas)
{
    KaStream full;
    writeStoredRecord(full, "path", 5.0f, kSquare, 4);
    // Name 4 + 4, position 12, rotation 16, scale 12, length 4, count 4,
    // points 48.
    ASSERT_EQ(full.bufferLength(), 104u);
    const unsigned long cuts[] = { 0, 3, 4, 6, 8, 19, 20, 36, 47, 48, 50, 52, 55, 56, 60, 103 };
    for (unsigned long cut : cuts) {
        SCOPED_TRACE(cut);
        KaStream stream;
        copyPrefix(full, cut, stream);
        KaBezierCurve curve;
        curve.setName(KaString("kept"));
        curve.setControlPoints(toArray({ KaVector3f32(9.0f, 9.0f, 9.0f) }));
        KaCaptureStdout capture;
        EXPECT_FALSE(KaBezierCurve::deserialize(stream, curve));
        EXPECT_NE(capture.text().find("[KaBezierCurve::deserialize] The stream ends "), std::string::npos);
        EXPECT_EQ(std::string(curve.name().c_str()), "kept");
        EXPECT_EQ(curve.position(), KaVector3f32(0.0f, 0.0f, 0.0f));
        EXPECT_EQ(toPoints(curve.controlPoints()), Points({ KaVector3f32(9.0f, 9.0f, 9.0f) }));
        EXPECT_EQ(curve.length(), 0.0f) << "one point: nothing to measure, and no stored length taken";
    }
}

TEST(KaBezierCurveTest, FactorialsAndBinomialsWithAndWithoutTables)
{
    KaMath::factorielsTable.clear();
    KaMath::combinaisonsTable.clear();

    struct FactorialCase {
        int n;
        uint64_t expected;
    };
    const FactorialCase factorials[] = {
        { 0, 1 },
        { 1, 1 },
        { 2, 2 },
        { 5, 120 },
        { 20, 2432902008176640000ULL },
        { 21, 14197454024290336768ULL }, // wraps in 64 bits
        { 100, 0 },
    };
    struct BinomialCase {
        unsigned int n, k;
        uint32_t expected;
    };
    const BinomialCase binomials[] = {
        { 5, 2, 10 },
        { 2, 5, 4294967295u },
        { 0, 0, 1 },
        { 7, 7, 1 },
        { 7, 0, 1 },
        { 20, 10, 184756 },
        { 30, 15, 155117520 },
        { 34, 17, 2333606220u },
        { 40, 20, 407575348 }, // truncated to 32 bits
        // Their factorials wrap to 0 in 64 bits.
        { 70, 1, 70 },
        { 70, 0, 1 },
        { 100, 98, 4950 },
    };

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "computed" : "from the tables");
        for (const FactorialCase& c : factorials) {
            EXPECT_EQ(KaFactoriel(c.n), c.expected) << c.n;
            EXPECT_EQ(KaMath::KaFactorielBase(c.n), c.expected) << c.n;
        }
        for (const BinomialCase& c : binomials) {
            EXPECT_EQ(KaCombinaison(c.n, c.k), c.expected) << c.n << " " << c.k;
            EXPECT_EQ(KaMath::KaCombinaisonBase(c.n, c.k), c.expected) << c.n << " " << c.k;
        }
        KaBuildFactorielsTable();
        KaBuildCombinaisonsTable();
    }

    ASSERT_EQ(KaMath::factorielsTable.size(), 21u);
    ASSERT_EQ(KaMath::combinaisonsTable.size(), 21u);
    for (unsigned int n = 0; n < 21; ++n) {
        ASSERT_EQ(KaMath::combinaisonsTable[n].size(), 21u);
        for (unsigned int k = 0; k < 21; ++k) {
            const uint32_t expected = k > n ? 4294967295u
                                            : static_cast<uint32_t>(KaMath::factorielsTable[n]
                                                / (KaMath::factorielsTable[k] * KaMath::factorielsTable[n - k]));
            EXPECT_EQ(KaMath::combinaisonsTable[n][k], expected) << n << " " << k;
        }
    }

    // Building again keeps the tables.
    KaMath::factorielsTable[3] = 99;
    KaBuildFactorielsTable();
    EXPECT_EQ(KaFactoriel(3), 99u) << "a table of 21 entries is not rebuilt";
    KaMath::factorielsTable.clear();
    KaMath::combinaisonsTable.clear();
}
