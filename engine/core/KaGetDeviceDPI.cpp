#include "engine/core/KaGetDeviceDPI.h"

#include "engine/core/KaIDisplayMetrics.h"

namespace {

KaIDisplayMetrics* gDisplayMetrics = nullptr;

} // namespace

void KaSetDisplayMetrics(KaIDisplayMetrics* metrics) { gDisplayMetrics = metrics; }

KaIDisplayMetrics* KaGetDisplayMetrics() { return gDisplayMetrics; }

unsigned int KaGetDeviceDPI()
{
    if (!gDisplayMetrics)
        return KaGetDeviceReferenceDPI();
    double pixels = gDisplayMetrics->pixelWidth();
    double millimetres = gDisplayMetrics->physicalWidth();
    // The factor is 25.4 as a float (25.3999996...), as it always was, so
    // that a given screen keeps the resolution it has always been given.
    double dpi = pixels / millimetres * static_cast<double>(25.4f);
    // Catches 0 or negative widths, NaN and infinities, and anything a
    // division by the result or the conversion could not take.
    if (!(millimetres > 0.0) || !(dpi >= 1.0 && dpi < 4294967295.0))
        return KaGetDeviceReferenceDPI();
    return static_cast<unsigned int>(dpi);
}

unsigned int KaGetDeviceReferenceDPI() { return 92; }

KaString KaGetDeviceName() { return KaString("MacOSX"); }

KaString KaGetDeviceModel() { return KaString(); }
