#include "engine/world/KaBezierCurve.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/maths/KaQuaternion.h"

namespace {

// Points are read this many at a time, so a count beyond the end of the
// stream is found before it costs more than one slice of memory.
const unsigned long kPointSlice = 4096;

const uint64_t kDefaultIterations = 1000;

// Reads count points after those already in points. False, with a message
// naming the operation, when the stream runs out first.
bool readPoints(KaStream& stream, unsigned int count, KaArray<KaVector3f32>& points, const char* operation)
{
    unsigned long received = 0;
    while (received < count) {
        const unsigned long remaining = count - received;
        const unsigned long slice = remaining < kPointSlice ? remaining : kPointSlice;
        points.reserve(points.size() + slice);
        for (unsigned long i = 0; i < slice; ++i) {
            KaVector3f32 point;
            if (!KaVector3f32::deserialize(stream, point)) {
                KaPrintf("[KaBezierCurve::%s] The stream ends at point %lu of %u.\n", operation, received, count);
                return false;
            }
            points.pushBack(point);
            ++received;
        }
    }
    return true;
}

bool reportShort(bool ok, const char* operation, const char* field)
{
    if (!ok)
        KaPrintf("[KaBezierCurve::%s] The stream ends in the %s.\n", operation, field);
    return ok;
}

// The transform record both stored forms share.
struct Placement {
    KaVector3f32 position;
    KaQuaternion rotation;
    KaVector3f32 scale;
};

bool readPlacement(KaStream& stream, Placement& placement, const char* operation)
{
    return reportShort(KaVector3f32::deserialize(stream, placement.position), operation, "position")
        && reportShort(KaQuaternion::deserialize(stream, placement.rotation), operation, "rotation")
        && reportShort(KaVector3f32::deserialize(stream, placement.scale), operation, "scale");
}

KaVector3f32 onGround(KaVector3f32 point)
{
    point.y = 0.0f;
    return point;
}

} // namespace

KaBezierCurve::KaBezierCurve()
    : mLengthDirty(true)
    , mRawLengthDirty(true)
    , mLength(0.0f)
    , mRawLength(0.0f)
    , mIterations(kDefaultIterations)
{
}

KaBezierCurve::~KaBezierCurve() = default;

void KaBezierCurve::clear()
{
    mLengthDirty = true;
    mRawLengthDirty = true;
    mLength = 0.0f;
    mControlPoints.clear();
}

void KaBezierCurve::setControlPoints(const KaArray<KaVector3f32>& points)
{
    mLengthDirty = true;
    mRawLengthDirty = true;
    mControlPoints = points;
}

void KaBezierCurve::setNbIterations(uint64_t count)
{
    mLengthDirty = true;
    mRawLengthDirty = true;
    mIterations = count;
}

bool KaBezierCurve::rebuildChordsIfDirty() const
{
    if (!mRawLengthDirty)
        return false;
    mRawLengthDirty = false;
    mRawLength = 0.0f;
    mChordLengths.clear();
    const unsigned long count = mControlPoints.size();
    mChordLengths.reserve(count);
    mChordLengths.pushBack(0.0f);
    for (unsigned long k = 1; k < count; ++k) {
        mRawLength += (mControlPoints[k] - mControlPoints[k - 1]).getLength();
        mChordLengths.pushBack(mRawLength);
    }
    return true;
}

float KaBezierCurve::rawLength() const
{
    rebuildChordsIfDirty();
    return mRawLength;
}

float KaBezierCurve::length() const
{
    if (!mLengthDirty)
        return mLength;
    mLengthDirty = false;
    mLength = 0.0f;
    if (mControlPoints.isEmpty() || mIterations == 0)
        return mLength;
    KaVector3f32 previous = onGround(mControlPoints[0]);
    const float iterations = static_cast<float>(mIterations);
    for (uint64_t i = 0; i < mIterations; ++i) {
        const KaVector3f32 point = onGround(retrievePoint(static_cast<float>(i) / iterations));
        mLength += (point - previous).getLength();
        previous = point;
    }
    return mLength;
}

int KaBezierCurve::bounds(int i) const
{
    const int last = static_cast<int>(mControlPoints.size()) - 1;
    if (i < 0)
        return 0;
    return i < last ? i : last;
}

KaVector3f32 KaBezierCurve::retrievePoint(float t) const
{
    // Outside [0, 1] the segment search would run off the chord table.
    if (!(t >= 0.0f))
        t = 0.0f;
    else if (t > 1.0f)
        t = 1.0f;

    const unsigned long count = mControlPoints.size();
    if (count == 0)
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    if (count == 1)
        return mControlPoints[0];
    if (count == 2)
        return mControlPoints[0] + (mControlPoints[1] - mControlPoints[0]) * t;

    const float total = rawLength();
    // Coincident points: there is no length to share out among the spans.
    if (!(total > 0.0f))
        return mControlPoints[0];

    const KaArray<float>& chords = mChordLengths;
    unsigned long k = 0;
    while (k < count && !(chords[k] / total >= t))
        ++k;
    // Only a non-finite total gets here (every ratio NaN): take the end.
    if (k == count)
        k = count - 1;

    int segment;
    float u;
    if (chords[k] / total == t || k == 0) {
        segment = static_cast<int>(k);
        u = 0.0f;
    } else {
        segment = static_cast<int>(k) - 1;
        u = (total * t - chords[k - 1]) / (chords[k] - chords[k - 1]);
    }

    KaVector3f32 window[4] = {
        mControlPoints[static_cast<unsigned long>(bounds(segment - 1))],
        mControlPoints[static_cast<unsigned long>(bounds(segment))],
        mControlPoints[static_cast<unsigned long>(bounds(segment + 1))],
        mControlPoints[static_cast<unsigned long>(bounds(segment + 2))],
    };
    if (segment < 0 || bounds(segment) == 0)
        window[0] = window[0] + (window[1] - window[2]);
    if (bounds(segment + 1) == static_cast<int>(count) - 1)
        window[3] = window[3] + (window[2] - window[1]);
    return HermiteInterpolate(u, window, 0.0f, 0.0f);
}

void KaBezierCurve::pseudoTangent(float t, KaVector3f32& a, KaVector3f32& b) const
{
    const float step = 1.0f / static_cast<float>(mIterations);
    if (t + step <= 1.0f) {
        a = retrievePoint(t);
        b = retrievePoint(t + step);
    } else {
        a = retrievePoint(t - step);
        b = retrievePoint(t);
    }
}

KaVector3f32 KaBezierCurve::HermiteInterpolate(float mu, const KaVector3f32* points, float tension, float bias)
{
    const float half = (1.0f - tension) / 2.0f;
    const KaVector3f32 m0
        = (points[1] - points[0]) * ((1.0f + bias) * half) + (points[2] - points[1]) * ((1.0f - bias) * half);
    const KaVector3f32 m1
        = (points[2] - points[1]) * ((1.0f + bias) * half) + (points[3] - points[2]) * ((1.0f - bias) * half);
    const float mu2 = mu * mu;
    const float mu3 = mu2 * mu;
    const float a0 = 2.0f * mu3 - 3.0f * mu2 + 1.0f;
    const float a1 = mu3 - 2.0f * mu2 + mu;
    const float a2 = mu3 - mu2;
    const float a3 = -2.0f * mu3 + 3.0f * mu2;
    return points[1] * a0 + m0 * a1 + m1 * a2 + points[2] * a3;
}

bool KaBezierCurve::deserialize(KaStream& stream, KaBezierCurve& curve)
{
    // Everything is read before anything is applied, so a damaged record
    // leaves the curve as it was.
    KaString name;
    if (!reportShort(KaString::deserialize(stream, name), "deserialize", "name"))
        return false;
    Placement placement;
    if (!readPlacement(stream, placement, "deserialize"))
        return false;
    float storedLength = 0.0f;
    if (!reportShort(KaMathsStream::read(stream, storedLength), "deserialize", "length"))
        return false;
    unsigned int count = 0;
    if (!reportShort(KaMathsStream::read(stream, count), "deserialize", "point count"))
        return false;
    KaArray<KaVector3f32> points;
    if (!readPoints(stream, count, points, "deserialize"))
        return false;

    curve.setName(name);
    curve.setPosition(placement.position);
    curve.setRotation(placement.rotation);
    curve.setScale(placement.scale);
    curve.mControlPoints.pushBack(points.constData(), points.size());
    curve.mRawLengthDirty = true;
    curve.setStoredLength(storedLength);
    return true;
}

void KaBezierCurve::setStoredLength(float length)
{
    mLengthDirty = false;
    mLength = length;
}

bool KaBezierCurve::loadBin(const KaPath& path)
{
    KaFile file;
    if (!file.open(path, KaFileSystem::Read)) {
        KaPrintf("[KaBezierCurve::loadBin] Can't open file : %s.\n", path.c_str());
        return false;
    }
    const bool loaded = loadBin(file);
    file.close();
    if (!loaded)
        return false;
    KaPath name = path.fileName();
    name.removeExtension();
    setName(name);
    return true;
}

bool KaBezierCurve::loadBin(KaStream& stream)
{
    Placement placement;
    if (!readPlacement(stream, placement, "loadBin"))
        return false;
    unsigned int count = 0;
    if (!reportShort(KaMathsStream::read(stream, count), "loadBin", "point count"))
        return false;
    KaArray<KaVector3f32> points;
    if (!readPoints(stream, count, points, "loadBin"))
        return false;

    // The stored transform is applied, then dropped: the points are kept in
    // the frame they were saved in.
    setPosition(placement.position);
    setRotation(placement.rotation);
    setScale(placement.scale);
    setPosition(KaVector3f32(0.0f, 0.0f, 0.0f));
    setRotation(KaQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    setScale(KaVector3f32(1.0f, 1.0f, 1.0f));
    mLengthDirty = true;
    mControlPoints.pushBack(points.constData(), points.size());
    mRawLengthDirty = true;
    return true;
}

// Combinatorics.

KaArray<uint64_t> KaMath::factorielsTable;
KaArray<KaArray<uint32_t>> KaMath::combinaisonsTable;

namespace {

const unsigned long kTableSize = 21;
const uint32_t kNoCombinaison = 0xFFFFFFFFu;

} // namespace

uint64_t KaMath::KaFactorielBase(int n)
{
    if (n == 0)
        return 1;
    if (n < 2)
        return static_cast<uint64_t>(static_cast<int64_t>(n));
    uint64_t product = 1;
    // Once 64 factors of two have gone in the product wraps to 0 for good:
    // stop there rather than run up to n.
    for (int64_t factor = n; factor >= 2 && product != 0; --factor)
        product *= static_cast<uint64_t>(factor);
    return product;
}

uint32_t KaMath::KaCombinaisonBase(unsigned int n, unsigned int k)
{
    if (k > n)
        return kNoCombinaison;
    if (k == n)
        return 1;
    if (n < kTableSize) {
        const uint64_t numerator = KaFactoriel(static_cast<int>(n));
        const uint64_t denominator = KaFactoriel(static_cast<int>(k)) * KaFactoriel(static_cast<int>(n - k));
        return static_cast<uint32_t>(numerator / denominator);
    }
    // Beyond 20! the factorials wrap, often to 0, and their quotient would
    // be meaningless or a division by zero. Each partial product here is a
    // binomial coefficient times the next factor, so it divides exactly.
    const unsigned int smaller = k < n - k ? k : n - k;
    uint64_t result = 1;
    for (unsigned int i = 1; i <= smaller; ++i)
        result = result * (n - smaller + i) / i;
    return static_cast<uint32_t>(result);
}

void KaBuildFactorielsTable()
{
    KaArray<uint64_t>& table = KaMath::factorielsTable;
    if (table.size() == kTableSize)
        return;
    table.resize(kTableSize);
    table[0] = 1;
    table[1] = 1;
    for (unsigned long k = 2; k < kTableSize; ++k)
        table[k] = table[k - 1] * k;
}

void KaBuildCombinaisonsTable()
{
    KaArray<KaArray<uint32_t>>& table = KaMath::combinaisonsTable;
    if (table.size() == kTableSize)
        return;
    KaArray<KaArray<uint32_t>> rows;
    rows.reserve(kTableSize);
    for (unsigned int n = 0; n < kTableSize; ++n) {
        KaArray<uint32_t> row;
        row.reserve(kTableSize);
        for (unsigned int k = 0; k < kTableSize; ++k)
            row.pushBack(KaMath::KaCombinaisonBase(n, k));
        rows.pushBack(row);
    }
    table = rows;
}

uint64_t KaFactoriel(int n)
{
    const KaArray<uint64_t>& table = KaMath::factorielsTable;
    const uint64_t index = static_cast<uint64_t>(static_cast<int64_t>(n));
    if (index < table.size())
        return table[static_cast<unsigned long>(index)];
    return KaMath::KaFactorielBase(n);
}

uint32_t KaCombinaison(unsigned int n, unsigned int k)
{
    if (k > n)
        return kNoCombinaison;
    const KaArray<KaArray<uint32_t>>& table = KaMath::combinaisonsTable;
    if (n < table.size())
        return table[n][k];
    return KaMath::KaCombinaisonBase(n, k);
}
