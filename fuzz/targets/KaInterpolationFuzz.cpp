// Binary easing curves (KaInterpolation) read from a stream at its start and
// after other data, and from a file; the same bytes as the comma-separated
// text of an XML element. A refused curve is empty; a taken one holds no
// more samples than announced and reads the same from every source; a curve
// of finite samples gives finite values at any time.

#include <cmath>

#include <tinyxml.h>

#include "engine/core/KaStream.h"
#include "engine/scene/KaInterpolation.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

bool sameSamples(const KaInterpolation& a, const KaInterpolation& b)
{
    if (a.samples().size() != b.samples().size())
        return false;
    for (unsigned long i = 0; i < a.samples().size(); ++i) {
        const double x = a.samples()[i];
        const double y = b.samples()[i];
        if (!(x == y || (std::isnan(x) && std::isnan(y))))
            return false;
    }
    return true;
}

void check(const KaInterpolation& curve)
{
    bool finite = true;
    for (unsigned long i = 0; i < curve.samples().size(); ++i)
        finite = finite && std::fabs(curve.samples()[i]) < 1e300;
    const double times[] = { -1.0, 0.0, 0.25, 0.5, 0.999, 1.0, 2.0, 1e30 };
    for (double time : times) {
        const double value = curve.interpole(time, 1.0);
        KaFuzzCheck(!finite || std::isfinite(value), "a curve of finite samples gives finite values");
    }
    KaFuzzCheck(!finite || std::isfinite(curve.interpole(0.5, 0.0)), "a zero duration gives a finite value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaStream stream;
    KaFuzzFillStream(stream, data, size);
    KaInterpolation fromStream;
    const bool loaded = fromStream.load(stream);
    KaFuzzCheck(loaded || fromStream.samples().size() == 0, "a refused curve is empty");
    KaFuzzCheck(fromStream.samples().size() <= static_cast<unsigned long>(KaInterpolation::mMaxSamples),
        "a curve holds no more than the most samples");
    check(fromStream);

    // After other data in the same stream, as a curve inside a larger file.
    KaStream inside;
    const uint8_t before[3] = { 1, 2, 3 };
    inside.writeData(before, sizeof before);
    inside.writeData(data, size);
    inside.seek(sizeof before);
    KaInterpolation fromInside;
    KaFuzzCheck(fromInside.load(inside) == loaded, "a curve reads the same after other data");
    KaFuzzCheck(sameSamples(fromInside, fromStream), "the same samples after other data");

    KaInterpolation fromFile;
    KaFuzzCheck(fromFile.load(KaString(KaFuzzWriteFile("curve.bin", data, size).c_str())) == loaded,
        "a curve reads the same from a file");
    KaFuzzCheck(sameSamples(fromFile, fromStream), "the same samples from a file");

    // The text form of the same bytes.
    TiXmlElement element("Interpolation");
    element.LinkEndChild(new TiXmlText(std::string(reinterpret_cast<const char*>(data), size)));
    KaInterpolation fromText;
    fromText.load(element);
    check(fromText);
    return 0;
}
