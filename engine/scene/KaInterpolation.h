#ifndef KA_INTERPOLATION_H
#define KA_INTERPOLATION_H

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"

class KaStream;
class TiXmlElement;

// A sampled easing curve: n samples spread evenly over whatever duration the
// caller passes (sample k at k x duration / (n - 1)), read by linear
// interpolation. Normally a factor from 0 to 1, but nothing clamps it.
class KaInterpolation {
public:
    // The most samples a stream may announce: far beyond any easing curve,
    // and a damaged count must not cost gigabytes.
    static const int mMaxSamples = 1 << 20;

    KaInterpolation();
    KaInterpolation(const KaInterpolation& other);
    KaInterpolation& operator=(const KaInterpolation& other);
    ~KaInterpolation();

    // A signed 32-bit count, then that many 64-bit floats, read in binary
    // mode (the stream's mode is restored). A stream that ends early leaves
    // the remaining samples at 0. A negative count, or one above
    // mMaxSamples or beyond what the rest of the stream could hold, fails and
    // leaves the curve empty.
    bool load(KaStream& stream);
    // load(KaStream&) of the file at that path; false when it cannot be opened.
    bool load(const KaString& path);
    // Appends the numbers of the element's text, separated by commas (blanks
    // around them allowed). A number that follows another after blanks only
    // is skipped; a comma followed only by blanks appends one more 0.
    bool load(const TiXmlElement& element);

    // The curve at time t of the duration: 0 without samples, the last sample
    // from the duration on.
    double interpole(double time, double duration) const;

    const KaArray<double>& samples() const { return mSamples; }
    void setSamples(const KaArray<double>& samples) { mSamples = samples; }

private:
    KaArray<double> mSamples;
};

#endif
