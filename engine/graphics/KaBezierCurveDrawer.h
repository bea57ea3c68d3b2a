#ifndef KA_BEZIER_CURVE_DRAWER_H
#define KA_BEZIER_CURVE_DRAWER_H

class KaBezierCurve;

// Debug drawing of a curve: its control points joined by a cyan line strip,
// with the points themselves in magenta, placed by the curve's world
// transform under the renderer's current matrix. Nothing for a curve that is
// not world-visible or has no points. The renderer's current colour is
// given back afterwards.
//
// The curve lives below the graphics layer and cannot draw itself: whoever
// shows curves for debugging calls this.
void KaDrawBezierCurve(KaBezierCurve& curve);

#endif
