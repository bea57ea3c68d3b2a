#include "tools/content/KaCanvas.h"

#include <algorithm>
#include <cmath>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/color/KaPalette.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPng.h"

KaCanvas::KaCanvas(int width, int height)
    : mWidth(width)
    , mHeight(height)
    , mPixels(static_cast<size_t>(width) * height, Color { 0, 0, 0, 0 })
{
}

void KaCanvas::fill(const Color& color)
{
    std::fill(mPixels.begin(), mPixels.end(), color);
}

void KaCanvas::verticalGradient(const Color& top, const Color& bottom)
{
    for (int y = 0; y < mHeight; ++y) {
        const float t = mHeight > 1 ? static_cast<float>(y) / (mHeight - 1) : 0.0f;
        const Color c { top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
            top.b + (bottom.b - top.b) * t, top.a + (bottom.a - top.a) * t };
        for (int x = 0; x < mWidth; ++x)
            mPixels[y * mWidth + x] = c;
    }
}

void KaCanvas::glow(float cx, float cy, float radius, const Color& color)
{
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
            if (d < 1.0f)
                blend(x, y, color, (1.0f - d) * (1.0f - d));
        }
}

void KaCanvas::blend(int x, int y, const Color& color, float coverage)
{
    Color& d = mPixels[y * mWidth + x];
    const float sa = color.a * coverage;
    const float oa = sa + d.a * (1.0f - sa);
    if (oa <= 0.0f) {
        d = Color { 0, 0, 0, 0 };
        return;
    }
    d.r = (color.r * sa + d.r * d.a * (1.0f - sa)) / oa;
    d.g = (color.g * sa + d.g * d.a * (1.0f - sa)) / oa;
    d.b = (color.b * sa + d.b * d.a * (1.0f - sa)) / oa;
    d.a = oa;
}

void KaCanvas::shape(const Inside& inside, const Color& color, float x0, float y0, float x1, float y1)
{
    const int left = std::max(0, static_cast<int>(std::floor(x0)));
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int right = std::min(mWidth, static_cast<int>(std::ceil(x1)));
    const int bottom = std::min(mHeight, static_cast<int>(std::ceil(y1)));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f) ? 1 : 0;
            if (hits)
                blend(x, y, color, hits / 16.0f);
        }
}

void KaCanvas::shape(const Inside& inside, const Color& color)
{
    shape(inside, color, 0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight));
}

void KaCanvas::circle(float cx, float cy, float radius, const Color& color)
{
    shape([=](float x, float y) { return std::hypot(x - cx, y - cy) <= radius; }, color, cx - radius, cy - radius,
        cx + radius, cy + radius);
}

void KaCanvas::ring(float cx, float cy, float inner, float outer, const Color& color)
{
    shape(
        [=](float x, float y) {
            const float d = std::hypot(x - cx, y - cy);
            return d >= inner && d <= outer;
        },
        color, cx - outer, cy - outer, cx + outer, cy + outer);
}

void KaCanvas::roundedRect(float x0, float y0, float x1, float y1, float radius, const Color& color)
{
    shape(
        [=](float x, float y) {
            const float qx = std::max(std::max(x0 + radius - x, x - (x1 - radius)), 0.0f);
            const float qy = std::max(std::max(y0 + radius - y, y - (y1 - radius)), 0.0f);
            return x >= x0 && x <= x1 && y >= y0 && y <= y1 && qx * qx + qy * qy <= radius * radius;
        },
        color, x0, y0, x1, y1);
}

bool KaCanvas::insidePolygon(const std::vector<float>& points, float x, float y)
{
    bool inside = false;
    const size_t count = points.size() / 2;
    for (size_t i = 0, j = count - 1; i < count; j = i++) {
        const float xi = points[2 * i], yi = points[2 * i + 1];
        const float xj = points[2 * j], yj = points[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

void KaCanvas::polygon(const std::vector<float>& points, const Color& color)
{
    if (points.size() < 6)
        return;
    float x0 = points[0], x1 = points[0], y0 = points[1], y1 = points[1];
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        x0 = std::min(x0, points[i]);
        x1 = std::max(x1, points[i]);
        y0 = std::min(y0, points[i + 1]);
        y1 = std::max(y1, points[i + 1]);
    }
    shape([&points](float x, float y) { return insidePolygon(points, x, y); }, color, x0, y0, x1, y1);
}

void KaCanvas::line(float xa, float ya, float xb, float yb, float width, const Color& color)
{
    const float half = width / 2.0f;
    const float dx = xb - xa, dy = yb - ya;
    const float length2 = dx * dx + dy * dy;
    shape(
        [=](float x, float y) {
            float t = length2 > 0.0f ? ((x - xa) * dx + (y - ya) * dy) / length2 : 0.0f;
            t = std::min(1.0f, std::max(0.0f, t));
            return std::hypot(x - (xa + t * dx), y - (ya + t * dy)) <= half;
        },
        color, std::min(xa, xb) - half, std::min(ya, yb) - half, std::max(xa, xb) + half, std::max(ya, yb) + half);
}

bool KaCanvas::savePng(const KaString& path) const
{
    KaImage image;
    image.setFlipped(true);
    if (!image.create(mWidth, mHeight, KaIntrusivePtr<KaPalette>(), RGBA8888))
        return false;
    for (int y = 0; y < mHeight; ++y) {
        unsigned char* row = image.row(y);
        for (int x = 0; x < mWidth; ++x) {
            const Color& c = mPixels[y * mWidth + x];
            const float channels[4] = { c.r, c.g, c.b, c.a };
            for (int k = 0; k < 4; ++k)
                row[4 * x + k] = static_cast<unsigned char>(std::lround(std::min(1.0f, std::max(0.0f, channels[k])) * 255.0f));
        }
    }
    KaPng png;
    return png.save(image, KaPath(path));
}
