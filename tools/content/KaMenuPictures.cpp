#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/content/KaPictureSet.h"

// The menus' pictures: the options screen's gauge marks and volume buttons,
// and the credits' backdrop and their three harbour views. The palette is
// the sample game's own (navy, teal, amber and cream on ink).
namespace {

using namespace KaPalette;


Color mix(const Color& a, const Color& b, float f)
{
    return Color { a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f };
}

// A gauge mark lit: an amber bar with a light top edge.
KaCanvas gaugeOn()
{
    KaCanvas canvas(32, 64);
    canvas.roundedRect(4, 4, 28, 60, 6, amber);
    canvas.roundedRect(8, 8, 24, 16, 3, withAlpha(cream, 0.45f));
    return canvas;
}

// A gauge mark out: the bar's outline on navy.
KaCanvas gaugeOff()
{
    KaCanvas canvas(32, 64);
    canvas.roundedRect(4, 4, 28, 60, 6, withAlpha(cream, 0.35f));
    canvas.roundedRect(7, 7, 25, 57, 4, navy);
    return canvas;
}

KaCanvas roundButton(bool plus, const Color& ground)
{
    KaCanvas canvas(64, 64);
    canvas.circle(32, 32, 28, ground);
    canvas.ring(32, 32, 25, 28, withAlpha(navy, 0.4f));
    canvas.line(19, 32, 45, 32, 7, navy);
    if (plus)
        canvas.line(32, 19, 32, 45, 7, navy);
    return canvas;
}

KaCanvas minusUp() { return roundButton(false, cream); }
KaCanvas minusOver() { return roundButton(false, amber); }
KaCanvas plusUp() { return roundButton(true, cream); }
KaCanvas plusOver() { return roundButton(true, amber); }

// Under the scrolling text: deep water, darker at the edges.
KaCanvas creditsBackdrop()
{
    KaCanvas canvas(640, 360);
    canvas.verticalGradient(Color { 0.04f, 0.17f, 0.20f, 1.0f }, ink);
    canvas.glow(320, 120, 360, withAlpha(teal, 0.25f));
    return canvas;
}

// A harbour view: sky, sea, a quay line and the given boats and lights.
void seaAndSky(KaCanvas& canvas, const Color& skyTop, const Color& skyLow, float horizon)
{
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.shape([&](float, float y) { return y < horizon; }, skyLow, 0, 0, static_cast<float>(w), horizon);
    for (int band = 0; band < 96; ++band) {
        const float y0 = horizon * band / 96.0f;
        const float y1 = horizon * (band + 1) / 96.0f;
        canvas.roundedRect(0, y0, static_cast<float>(w), y1 + 1, 0, mix(skyTop, skyLow, band / 95.0f));
    }
    for (int band = 0; band < 64; ++band) {
        const float y0 = horizon + (h - horizon) * band / 64.0f;
        const float y1 = horizon + (h - horizon) * (band + 1) / 64.0f;
        canvas.roundedRect(0, y0, static_cast<float>(w), y1 + 1, 0, mix(navy, ink, band / 63.0f));
    }
    for (int ripple = 0; ripple < 30; ++ripple) {
        const float y = horizon + 8 + ripple * ripple * 0.32f;
        const float x = static_cast<float>((ripple * 137) % w);
        canvas.line(x, y, x + 40 + ripple * 2.0f, y, 2, withAlpha(teal, 0.35f));
    }
}

void boat(KaCanvas& canvas, float x, float y, float scale, const Color& hull)
{
    canvas.polygon(
        { x - 40 * scale, y, x + 40 * scale, y, x + 30 * scale, y + 14 * scale, x - 30 * scale, y + 14 * scale }, hull);
    canvas.line(x, y, x, y - 60 * scale, 3 * scale, hull);
    canvas.polygon({ x + 2 * scale, y - 58 * scale, x + 2 * scale, y - 6 * scale, x + 34 * scale, y - 6 * scale },
        withAlpha(cream, 0.85f));
}

// Dawn over the harbour-master's office: amber sky, two boats at anchor.
KaCanvas creditsDawn()
{
    KaCanvas canvas(640, 360);
    seaAndSky(canvas, navy, amber, 210);
    canvas.glow(470, 210, 140, withAlpha(amber, 0.7f));
    canvas.circle(470, 206, 26, withAlpha(cream, 0.9f));
    canvas.roundedRect(40, 150, 200, 212, 4, ink);
    canvas.polygon({ 30, 152, 120, 110, 210, 152 }, ink);
    for (int window = 0; window < 3; ++window)
        canvas.roundedRect(60.0f + window * 45, 168, 82.0f + window * 45, 190, 2, amber);
    boat(canvas, 330, 240, 1.0f, ink);
    boat(canvas, 560, 260, 0.7f, ink);
    return canvas;
}

// The fish quay at noon: teal sky, crates on the quay, gulls.
KaCanvas creditsQuay()
{
    KaCanvas canvas(640, 360);
    seaAndSky(canvas, Color { 0.10f, 0.40f, 0.48f, 1.0f }, Color { 0.55f, 0.80f, 0.80f, 1.0f }, 190);
    canvas.roundedRect(0, 260, 640, 360, 0, Color { 0.20f, 0.18f, 0.17f, 1.0f });
    canvas.roundedRect(0, 256, 640, 264, 0, withAlpha(cream, 0.6f));
    for (int crate = 0; crate < 5; ++crate) {
        const float x = 60.0f + crate * 110;
        canvas.roundedRect(x, 222, x + 60, 258, 3, amber);
        canvas.line(x + 4, 240, x + 56, 240, 2, withAlpha(navy, 0.6f));
    }
    for (int gull = 0; gull < 4; ++gull) {
        const float x = 150.0f + gull * 95, y = 60.0f + (gull % 2) * 30;
        canvas.line(x - 14, y - 4, x, y + 3, 3, cream);
        canvas.line(x, y + 3, x + 14, y - 4, 3, cream);
    }
    boat(canvas, 480, 205, 0.8f, navy);
    return canvas;
}

// The lighthouse at night: its beam across a starry sky.
KaCanvas creditsLighthouse()
{
    KaCanvas canvas(640, 360);
    seaAndSky(canvas, ink, navy, 230);
    for (int star = 0; star < 60; ++star) {
        const float x = static_cast<float>((star * 97) % 640);
        const float y = static_cast<float>((star * 53) % 200);
        canvas.circle(x, y, 1.2f, withAlpha(cream, 0.5f + 0.5f * (star % 3) / 2.0f));
    }
    canvas.polygon({ 500, 95, 0, 40, 0, 150 }, withAlpha(amber, 0.25f));
    canvas.polygon({ 484, 232, 516, 232, 508, 100, 492, 100 }, cream);
    for (int stripe = 0; stripe < 3; ++stripe)
        canvas.polygon({ 486.0f - stripe * 0.5f, 210.0f - stripe * 40, 514.0f + stripe * 0.5f, 210.0f - stripe * 40,
                           513.0f, 195.0f - stripe * 40, 487.0f, 195.0f - stripe * 40 },
            withAlpha(Color { 0.84f, 0.27f, 0.25f, 1.0f }, 0.9f));
    canvas.glow(500, 90, 60, amber);
    canvas.roundedRect(486, 80, 514, 100, 3, amber);
    return canvas;
}

const KaPicture pictures[] = {
    { "menus/options/gaugeOn.png", gaugeOn },
    { "menus/options/gaugeOff.png", gaugeOff },
    { "menus/options/minus.png", minusUp },
    { "menus/options/minusOver.png", minusOver },
    { "menus/options/plus.png", plusUp },
    { "menus/options/plusOver.png", plusOver },
    { "menus/credits/backdrop.png", creditsBackdrop },
    { "menus/credits/dawn.png", creditsDawn },
    { "menus/credits/quay.png", creditsQuay },
    { "menus/credits/lighthouse.png", creditsLighthouse },
};

}

// The number of pictures that could not be written.
int paintMenuPictures(const std::filesystem::path& root)
{
    return KaPaintPictures(root, pictures);
}
