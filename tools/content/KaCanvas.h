#ifndef KA_CANVAS_H
#define KA_CANVAS_H

#include <functional>
#include <vector>

#include "engine/core/KaString.h"

// A picture painted in code for the sample game: straight-alpha RGBA in
// floats, shapes covered by 4 x 4 samples a pixel (smooth edges without a
// vector library), composited source-over, written as PNG through the
// engine's own writer. Coordinates are pixels from the top left.
class KaCanvas {
public:
    struct Color {
        float r, g, b, a;
    };
    typedef std::function<bool(float x, float y)> Inside;

    KaCanvas(int width, int height);

    int width() const { return mWidth; }
    int height() const { return mHeight; }

    void fill(const Color& color);
    // From top to bottom colour.
    void verticalGradient(const Color& top, const Color& bottom);
    // A round glow fading to nothing at the radius.
    void glow(float cx, float cy, float radius, const Color& color);
    // Covers every pixel of [x0, x1) x [y0, y1) where the shape lies.
    void shape(const Inside& inside, const Color& color, float x0, float y0, float x1, float y1);
    void shape(const Inside& inside, const Color& color);

    void circle(float cx, float cy, float radius, const Color& color);
    void ring(float cx, float cy, float inner, float outer, const Color& color);
    void roundedRect(float x0, float y0, float x1, float y1, float radius, const Color& color);
    // Closed polygon, even-odd rule; points as x, y pairs.
    void polygon(const std::vector<float>& points, const Color& color);
    // A stroke with round ends.
    void line(float xa, float ya, float xb, float yb, float width, const Color& color);

    Color pixel(int x, int y) const { return mPixels[y * mWidth + x]; }
    bool savePng(const KaString& path) const;

    static bool insidePolygon(const std::vector<float>& points, float x, float y);

private:
    void blend(int x, int y, const Color& color, float coverage);

    int mWidth;
    int mHeight;
    std::vector<Color> mPixels;
};

#endif
