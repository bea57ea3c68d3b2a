#ifndef KA_I_DISPLAY_METRICS_H
#define KA_I_DISPLAY_METRICS_H

// What the window layer knows of the main screen, for the screen resolution
// (KaGetDeviceDPI). The host implements it over its windowing library and
// installs it with KaSetDisplayMetrics; the core itself asks no windowing
// library.
class KaIDisplayMetrics {
public:
    virtual ~KaIDisplayMetrics();
    // Width of the main screen in pixels; 0 when unknown.
    virtual double pixelWidth() = 0;
    // Physical width of the main screen in millimetres; 0 when unknown
    // (projectors and some virtual displays report none).
    virtual double physicalWidth() = 0;
};

#endif
