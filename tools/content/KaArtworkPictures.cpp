#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"

// The bonus artworks a game unlocks, shown by the bonus menus: a concept
// painting of the fish quay at dusk with its tide table, unlocked on reading
// the table. In the sample game's palette (navy, teal, amber and cream).
namespace {

typedef KaCanvas::Color Color;

const Color navy { 0.06f, 0.10f, 0.18f, 1.0f };
const Color ink { 0.03f, 0.05f, 0.09f, 1.0f };
const Color teal { 0.18f, 0.64f, 0.66f, 1.0f };
const Color deepTeal { 0.10f, 0.38f, 0.42f, 1.0f };
const Color amber { 0.95f, 0.71f, 0.27f, 1.0f };
const Color cream { 0.96f, 0.93f, 0.85f, 1.0f };
const Color dusk { 0.62f, 0.32f, 0.30f, 1.0f };
const Color stone { 0.22f, 0.23f, 0.28f, 1.0f };

Color withAlpha(Color color, float alpha)
{
    color.a = alpha;
    return color;
}

// 1024 x 576: the sky, the setting sun and its path on the water, the
// office's gable with a lit window, the quay's stones and bollard, and the
// tide table on its post with the high-water curve.
KaCanvas quayAtDusk()
{
    const float w = 1024.0f, h = 576.0f, horizon = 350.0f;
    KaCanvas canvas(1024, 576);
    canvas.verticalGradient(navy, dusk);
    canvas.glow(380, 270, 320, withAlpha(amber, 0.45f));
    canvas.circle(380, 285, 42, amber);
    canvas.shape([=](float, float y) { return y >= horizon; }, deepTeal, 0, horizon, w, h);
    canvas.shape([=](float, float y) { return y >= horizon; }, withAlpha(navy, 0.55f), 0, horizon + 60, w, h);
    for (int row = 0; row < 9; ++row) {
        const float y = horizon + 12.0f + row * 16.0f;
        const float half = 30.0f + row * 14.0f;
        canvas.line(380 - half, y, 380 + half, y, 3.0f, withAlpha(amber, 0.75f - row * 0.06f));
        for (int crest = 0; crest < 7; ++crest) {
            const float x = 40.0f + crest * 150.0f + (row % 2) * 70.0f;
            canvas.line(x, y + 4, x + 40, y + 4, 2.0f, withAlpha(teal, 0.5f));
        }
    }
    // The office: gable, roof and the lit window.
    canvas.polygon({ 700, 330, 700, 160, 800, 90, 900, 160, 900, 330 }, ink);
    canvas.roundedRect(770, 190, 830, 250, 4, withAlpha(amber, 0.9f));
    canvas.line(800, 190, 800, 250, 4, ink);
    canvas.line(770, 220, 830, 220, 4, ink);
    // The quay: stones and a bollard with its rope.
    canvas.shape([=](float, float y) { return y >= 480.0f; }, stone, 0, 480, w, h);
    for (int i = 0; i < 12; ++i)
        canvas.line(i * 90.0f, 480, i * 90.0f + 20, h, 2.0f, withAlpha(ink, 0.6f));
    canvas.roundedRect(120, 430, 160, 490, 10, ink);
    canvas.roundedRect(110, 424, 170, 440, 6, ink);
    canvas.line(160, 450, 260, 500, 4, withAlpha(cream, 0.6f));
    // The tide table on its post: a cream board, the curve and the time.
    canvas.line(560, 330, 560, 500, 10, ink);
    canvas.roundedRect(500, 250, 620, 340, 6, withAlpha(ink, 0.5f));
    canvas.roundedRect(494, 244, 614, 334, 6, cream);
    canvas.roundedRect(504, 254, 604, 266, 3, deepTeal);
    for (int i = 0; i < 48; ++i) {
        const float xa = 506.0f + i * 2.0f, xb = xa + 2.0f;
        canvas.line(xa, 300 + 18.0f * std::sin(xa * 0.06f), xb, 300 + 18.0f * std::sin(xb * 0.06f), 3.0f, teal);
    }
    canvas.ring(574, 290, 7, 10, amber);
    // The frame of a painting.
    canvas.shape([=](float x, float y) { return x < 10 || y < 10 || x >= w - 10 || y >= h - 10; }, ink);
    return canvas;
}

}

// The artworks' pictures under root; the number that could not be written.
int paintArtworkPictures(const std::filesystem::path& root)
{
    const std::filesystem::path file = root / "menus" / "bonus" / "artworks" / "QuayAtDusk.png";
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (!quayAtDusk().savePng(KaString(file.string().c_str()))) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return 1;
    }
    return 0;
}
