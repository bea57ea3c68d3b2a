#ifndef KA_BEZIER_CURVE_H
#define KA_BEZIER_CURVE_H

#include <cstdint>

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaArray.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"

class KaPath;
class KaStream;

// The engine's path object: walks found by the pathfinder, the named curves
// of a scene, the rails characters are placed on.
//
// Despite the name it is an interpolating spline: it passes through every
// control point. The parameter t runs from 0 (first point) to 1 (last point)
// in proportion to the chord length (the straight distances between
// successive points), and each span is a Catmull-Rom segment (Hermite form,
// tension 0, bias 0) with a mirrored phantom point at each end. Two points
// give the straight segment, one point that point, none the origin.
//
// length() measures the curve on the ground plane only (y ignored), summed
// over iteration-count samples from t = 0 up to, not including, t = 1: walk
// timings were tuned against exactly that figure. rawLength() is the total
// 3D chord length. Both are cached until the points or the iteration count
// change.
//
// Counted (KaIntrusivePtr<KaBezierCurve>) and a node of the object tree.
// Main thread only.
class KaBezierCurve : public Ka3DObject2, public KaReferencesCounter {
public:
    KaBezierCurve();
    ~KaBezierCurve() override;

    void clear();
    // Shares the array (copy on write).
    void setControlPoints(const KaArray<KaVector3f32>& points);
    const KaArray<KaVector3f32>& controlPoints() const { return mControlPoints; }
    // Samples taken by length() and the step of pseudoTangent(); 1000 for a
    // new curve.
    void setNbIterations(uint64_t count);
    uint64_t nbIterations() const { return mIterations; }

    float length() const;
    float rawLength() const;
    // A length measured when the curve was authored: length() serves it, not
    // its own measure, until the points change.
    void setStoredLength(float length);

    // The point at t, t clamped to [0, 1] (NaN counts as 0). A curve whose
    // points all coincide has no chord to measure along: every t gives the
    // first point.
    KaVector3f32 retrievePoint(float t) const;
    // Two points one sampling step (1 / iteration count) apart, at t and
    // after it, or ending at t when t + step would pass the end: b - a is
    // the direction of travel.
    void pseudoTangent(float t, KaVector3f32& a, KaVector3f32& b) const;
    // i clamped to the indices of the control points.
    int bounds(int i) const;

    // Hermite interpolation between points[1] and points[2], mu from 0 to 1,
    // with the tangents taken from points[0] and points[3].
    static KaVector3f32 HermiteInterpolate(float mu, const KaVector3f32* points, float tension, float bias);

    // Reads a stored curve: name, position, rotation, scale, its length,
    // a 32-bit point count and the points, which are appended to those the
    // curve already has. The stored length is trusted and served by length()
    // until the points change. A short stream or a count beyond what the
    // stream holds leaves the curve as it was and returns false.
    static bool deserialize(KaStream& stream, KaBezierCurve& curve);
    // Opens the file and reads it as loadBin(KaStream&) does; the curve is
    // named after the file, without folder or extension.
    bool loadBin(const KaPath& path);
    // Reads position, rotation, scale, a 32-bit point count and the points,
    // which are appended as they are: the stored transform is applied and
    // then replaced by the identity. A short stream or a count beyond what
    // the stream holds leaves the curve as it was and returns false.
    bool loadBin(KaStream& stream);

private:
    bool rebuildChordsIfDirty() const;

    mutable bool mLengthDirty;
    mutable bool mRawLengthDirty;
    mutable float mLength;
    mutable float mRawLength;
    KaArray<KaVector3f32> mControlPoints;
    mutable KaArray<float> mChordLengths;
    uint64_t mIterations;
};

// Factorials and binomial coefficients, with optional lookup tables that
// nothing builds at start-up: until KaBuildFactorielsTable() or
// KaBuildCombinaisonsTable() is called, the functions compute.
class KaMath {
public:
    // 0! to 20! once built.
    static KaArray<uint64_t> factorielsTable;
    // 21 rows of 21 entries once built: row n, entry k is the binomial
    // coefficient of n and k, or 4294967295 where k > n.
    static KaArray<KaArray<uint32_t>> combinaisonsTable;

    // n! in 64 bits: exact up to 20!, wrapping beyond. 0 and 1 give 1; a
    // negative n gives itself, as an unsigned value.
    static uint64_t KaFactorielBase(int n);
    // 4294967295 when k > n. Up to n = 20, n! / (k! (n - k)!) in 64 bits;
    // beyond, the product formula, exact while the coefficient times k fits
    // in 64 bits. Truncated to 32 bits.
    static uint32_t KaCombinaisonBase(unsigned int n, unsigned int k);
};

void KaBuildFactorielsTable();
void KaBuildCombinaisonsTable();
// From the table when n is in it, else computed as KaFactorielBase.
uint64_t KaFactoriel(int n);
// 4294967295 when k > n; from the table when n is in it; else computed as
// KaCombinaisonBase.
uint32_t KaCombinaison(unsigned int n, unsigned int k);

#endif
