#include "engine/graphics/KaBezierCurveDrawer.h"

#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/world/KaBezierCurve.h"

void KaDrawBezierCurve(KaBezierCurve& curve)
{
    const KaArray<KaVector3f32>& points = curve.controlPoints();
    const unsigned long count = points.size();
    if (!curve.worldVisible() || count == 0)
        return;

    KaMesh dots;
    KaMesh strip;
    dots.setConf(count, count, KaMesh::POINTS, 0, 0);
    strip.setConf(count, count, KaMesh::LINE_STRIP, 0, 0);
    for (unsigned long k = 0; k < count; ++k) {
        dots.setVertex(k, points[k]);
        dots.setIndex(k, static_cast<unsigned int>(k));
        strip.setVertex(k, points[k]);
        strip.setNormal(k, KaVector3f32(0.0f, 1.0f, 0.0f));
        strip.setIndex(k, static_cast<unsigned int>(k));
    }

    KaRenderer* r = renderer.get();
    const KaColor saved = r->currentColor();
    r->pushMatrix();
    r->multiplyMatrix(curve.worldTransformationMatrix());
    r->setCurrentColor(KaColor(0, 255, 255, 255));
    strip.draw();
    r->setCurrentColor(KaColor(255, 0, 255, 255));
    dots.draw();
    r->popMatrix();
    r->setCurrentColor(saved);
}
