#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/content/KaPictureSet.h"

// The bonus gallery's pictures: the harbour at dusk, the harbour-master's
// office, the fish quay and the tide table, and the sealed card that stands
// for a picture still locked. The palette is the sample game's (navy, teal,
// amber, cream), warmed towards dusk.
namespace {

using namespace KaPalette;

const Color dusk { 0.55f, 0.30f, 0.38f, 1.0f };
const Color wood { 0.36f, 0.24f, 0.16f, 1.0f };

const int width = 640;
const int height = 400;

// Windows lit on a dark facade: a grid of amber panes.
void windows(KaCanvas& canvas, float x0, float y0, int columns, int rows, float pane, float gap)
{
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const float x = x0 + column * (pane + gap);
            const float y = y0 + row * (pane * 1.4f + gap);
            canvas.roundedRect(
                x, y, x + pane, y + pane * 1.4f, 2.0f, withAlpha(amber, (row + column) % 3 ? 0.9f : 0.35f));
        }
}

// The sun low over the sea, the breakwater with its lighthouse, two moored
// boats and the sheds of the quay against the sky.
KaCanvas harbourAtDusk()
{
    KaCanvas canvas(width, height);
    canvas.verticalGradient(dusk, amber);
    canvas.glow(430, 250, 160, withAlpha(cream, 0.55f));
    canvas.circle(430, 250, 34, withAlpha(cream, 0.95f));
    // The sea, darker away from the sun.
    canvas.shape([](float, float y) { return y >= 262; }, withAlpha(navy, 0.92f));
    for (int i = 0; i < 9; ++i) {
        const float y = 272.0f + i * 13.0f;
        canvas.line(430 - 70 + i * 6, y, 430 + 70 - i * 6, y, 2.0f, withAlpha(amber, 0.6f - i * 0.05f));
    }
    // The breakwater and the lighthouse.
    canvas.polygon({ 0, 262, 250, 262, 270, 250, 0, 248 }, ink);
    canvas.polygon({ 206, 250, 214, 180, 226, 180, 234, 250 }, cream);
    canvas.roundedRect(208, 168, 232, 182, 3, ink);
    canvas.glow(220, 175, 40, withAlpha(amber, 0.8f));
    // Two boats at their moorings.
    canvas.polygon({ 470, 300, 580, 300, 566, 320, 484, 320 }, ink);
    canvas.line(525, 300, 525, 230, 3, ink);
    canvas.polygon({ 300, 330, 380, 330, 370, 346, 310, 346 }, ink);
    canvas.line(340, 330, 340, 282, 2.5f, ink);
    // The sheds of the quay on the right.
    canvas.polygon({ 590, 262, 590, 200, 615, 180, 640, 200, 640, 262 }, ink);
    windows(canvas, 598, 214, 2, 2, 10, 8);
    return canvas;
}

// The office by lamplight: the counter, the window on the harbour, the
// clock and the logbook open on the desk.
KaCanvas harbourOffice()
{
    KaCanvas canvas(width, height);
    canvas.verticalGradient(Color { 0.20f, 0.16f, 0.13f, 1 }, Color { 0.10f, 0.08f, 0.07f, 1 });
    // The window and the harbour in it.
    canvas.roundedRect(60, 60, 260, 220, 6, wood);
    canvas.roundedRect(72, 72, 248, 208, 3, dusk);
    canvas.shape([](float, float y) { return y > 160; }, withAlpha(navy, 0.9f), 72, 72, 248, 208);
    canvas.line(160, 72, 160, 208, 5, wood);
    canvas.line(72, 140, 248, 140, 5, wood);
    // The clock.
    canvas.circle(470, 100, 44, cream);
    canvas.ring(470, 100, 40, 46, wood);
    canvas.line(470, 100, 470, 70, 4, ink);
    canvas.line(470, 100, 492, 112, 4, ink);
    // The lamp's light over the counter.
    canvas.glow(380, 230, 220, withAlpha(amber, 0.35f));
    canvas.polygon({ 350, 170, 410, 170, 395, 140, 365, 140 }, teal);
    canvas.line(380, 0, 380, 140, 2, ink);
    // The counter and the logbook.
    canvas.roundedRect(0, 290, width, 400, 0, wood);
    canvas.roundedRect(0, 284, width, 296, 2, Color { 0.45f, 0.31f, 0.20f, 1 });
    canvas.polygon({ 300, 288, 380, 280, 460, 288, 460, 300, 380, 294, 300, 300 }, cream);
    for (int i = 0; i < 4; ++i) {
        canvas.line(312, 286 + i * 3.0f, 370, 280 + i * 3.0f, 1, withAlpha(ink, 0.5f));
        canvas.line(392, 280 + i * 3.0f, 450, 286 + i * 3.0f, 1, withAlpha(ink, 0.5f));
    }
    return canvas;
}

// The fish quay in the morning: crates on the stones, the bollards, the
// market's awning and gulls over the water.
KaCanvas fishQuay()
{
    KaCanvas canvas(width, height);
    canvas.verticalGradient(Color { 0.62f, 0.78f, 0.84f, 1 }, cream);
    canvas.shape([](float, float y) { return y >= 200; }, teal);
    // The quay's stones.
    canvas.polygon({ 0, 240, 640, 220, 640, 400, 0, 400 }, Color { 0.45f, 0.45f, 0.47f, 1 });
    for (int i = 0; i < 8; ++i)
        canvas.line(0, 270.0f + i * 18.0f, 640, 250.0f + i * 20.0f, 1.5f, withAlpha(ink, 0.25f));
    // The market's awning, striped.
    for (int i = 0; i < 8; ++i)
        canvas.polygon({ 360.0f + i * 30, 120, 390.0f + i * 30, 120, 392.0f + i * 30, 150, 358.0f + i * 30, 150 },
            i % 2 ? cream : Color { 0.75f, 0.22f, 0.20f, 1 });
    canvas.roundedRect(360, 150, 600, 232, 0, withAlpha(wood, 0.85f));
    // Crates of fish.
    for (int i = 0; i < 4; ++i) {
        const float x = 80.0f + i * 70;
        canvas.roundedRect(x, 300, x + 60, 340, 3, wood);
        for (int f = 0; f < 3; ++f)
            canvas.polygon(
                { x + 8 + f * 16, 306, x + 22 + f * 16, 300, x + 22 + f * 16, 312 }, Color { 0.70f, 0.76f, 0.80f, 1 });
    }
    // Bollards.
    canvas.roundedRect(40, 250, 58, 282, 5, ink);
    canvas.roundedRect(320, 244, 338, 276, 5, ink);
    // Gulls.
    for (int i = 0; i < 3; ++i) {
        const float x = 150.0f + i * 90, y = 60.0f + (i % 2) * 25;
        canvas.line(x - 14, y - 4, x, y + 4, 2.5f, ink);
        canvas.line(x, y + 4, x + 14, y - 4, 2.5f, ink);
    }
    return canvas;
}

// The tide table pinned to a board: a grid of times, the day's row in
// amber, a curve of the tide across the top.
KaCanvas tideTable()
{
    KaCanvas canvas(width, height);
    canvas.fill(wood);
    canvas.roundedRect(70, 30, 570, 370, 6, cream);
    canvas.circle(320, 42, 7, Color { 0.75f, 0.22f, 0.20f, 1 });
    // The tide's curve.
    canvas.shape(
        [](float x, float y) {
            const float wave = 110.0f + 30.0f * std::sin((x - 100.0f) / 440.0f * 4.0f * 3.14159265f);
            return y >= wave;
        },
        withAlpha(teal, 0.55f), 100, 70, 540, 150);
    canvas.line(100, 150, 540, 150, 2, navy);
    // The grid of times.
    for (int row = 0; row < 7; ++row) {
        const float y = 170.0f + row * 26;
        if (row == 3)
            canvas.roundedRect(96, y - 2, 544, y + 22, 3, withAlpha(amber, 0.8f));
        for (int column = 0; column < 4; ++column) {
            const float x = 110.0f + column * 110;
            canvas.roundedRect(x, y + 6, x + 40 + (row + column) % 3 * 12.0f, y + 14, 2, withAlpha(navy, 0.8f));
        }
        canvas.line(96, y + 24, 544, y + 24, 1, withAlpha(navy, 0.3f));
    }
    return canvas;
}

// A picture still locked: a navy card with an amber padlock.
KaCanvas sealed()
{
    KaCanvas canvas(256, 160);
    canvas.fill(navy);
    canvas.roundedRect(6, 6, 250, 154, 8, Color { 0.13f, 0.20f, 0.33f, 1 });
    canvas.ring(128, 70, 16, 24, amber);
    canvas.shape([](float, float y) { return y > 70; }, Color { 0.13f, 0.20f, 0.33f, 1 }, 100, 70, 156, 96);
    canvas.roundedRect(100, 72, 156, 118, 6, amber);
    canvas.circle(128, 90, 6, navy);
    canvas.line(128, 92, 128, 106, 4, navy);
    return canvas;
}

}

// The number of pictures that could not be written.
int paintBonusPictures(const std::filesystem::path& root)
{
    const KaPicture pictures[] = {
        { "menus/bonusmenu/Pim/HarbourAtDusk.png", harbourAtDusk },
        { "menus/bonusmenu/Pim/HarbourOffice.png", harbourOffice },
        { "menus/bonusmenu/Pim/FishQuay.png", fishQuay },
        { "menus/bonusmenu/Pim/TideTable.png", tideTable },
        { "menus/bonusmenu/sealed.png", sealed },
    };
    return KaPaintPictures(root, pictures);
}
