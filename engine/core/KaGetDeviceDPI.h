#ifndef KA_GET_DEVICE_DPI_H
#define KA_GET_DEVICE_DPI_H

#include "engine/core/KaString.h"

class KaIDisplayMetrics;

// Installs the source of the main screen's metrics (not owned; it must stay
// alive while installed); null removes it.
void KaSetDisplayMetrics(KaIDisplayMetrics* metrics);
KaIDisplayMetrics* KaGetDisplayMetrics();

// The main screen's resolution in dots per inch: pixel width over physical
// width, truncated. Never 0: without metrics, or when the screen reports no
// usable width, it is the reference resolution, so callers may divide by it.
unsigned int KaGetDeviceDPI();
// The resolution the interface is designed for: 92.
unsigned int KaGetDeviceReferenceDPI();

// The platform name the game's data is made for: "MacOSX".
KaString KaGetDeviceName();
// Empty: the desktop has no device model.
KaString KaGetDeviceModel();

#endif
