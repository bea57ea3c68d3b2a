// Stored curves, both forms (the named record and the .bin file), in both
// stream modes and from a file by path; then the curve is measured and walked
// as characters walk it, whatever numbers (NaN, infinities) it was given.

#include <initializer_list>
#include "engine/core/KaStream.h"
#include "engine/world/KaBezierCurve.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void walk(KaBezierCurve& curve)
{
    // Few samples: the length walks every point once per sample.
    curve.setNbIterations(16);
    (void)curve.length();
    (void)curve.rawLength();
    static const float kTimes[] = { -1.0f, 0.0f, 0.25f, 0.5f, 0.999f, 1.0f, 2.0f };
    for (float t : kTimes) {
        (void)curve.retrievePoint(t);
        KaVector3f32 a, b;
        curve.pseudoTangent(t, a, b);
    }
    (void)curve.bounds(-5);
    (void)curve.bounds(1 << 30);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (KaStream::Mode mode : { KaStream::Binary, KaStream::Text }) {
        KaStream stream;
        stream.setMode(mode);
        KaFuzzFillStream(stream, data, size);
        KaBezierCurve named;
        if (KaBezierCurve::deserialize(stream, named))
            walk(named);

        stream.seek(0);
        KaBezierCurve bin;
        const unsigned long before = bin.controlPoints().size();
        if (bin.loadBin(stream))
            walk(bin);
        else
            KaFuzzCheck(bin.controlPoints().size() == before, "a refused curve keeps its points");
    }

    KaBezierCurve fromFile;
    if (fromFile.loadBin(KaFuzzWriteFile("walk.bin", data, size)))
        walk(fromFile);
    return 0;
}
