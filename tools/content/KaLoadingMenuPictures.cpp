#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"

// The pictures of the load-game screen: its backdrop (the harbour at night,
// a lighthouse beam over the water), the slot card of a saved game (a logbook
// page under a brass clasp), the card of an empty slot (the same page, faded
// and dashed) and the arrow that leads back to the main menu. The palette is
// the sample game's own.
namespace {

typedef KaCanvas::Color Color;

const Color navy { 0.06f, 0.10f, 0.18f, 1.0f };
const Color ink { 0.03f, 0.05f, 0.09f, 1.0f };
const Color teal { 0.18f, 0.64f, 0.66f, 1.0f };
const Color amber { 0.95f, 0.71f, 0.27f, 1.0f };
const Color cream { 0.96f, 0.93f, 0.85f, 1.0f };

Color withAlpha(Color color, float alpha)
{
    color.a = alpha;
    return color;
}

const float pi = 3.14159265f;

KaCanvas backdrop()
{
    KaCanvas canvas(1280, 720);
    canvas.verticalGradient(navy, ink);
    // The lighthouse on its rock, on the right, and its beam across the sky.
    canvas.shape(
        [](float x, float y) {
            const float angle = std::atan2(y - 180.0f, x - 1200.0f);
            return x < 1200.0f && std::fabs(angle - pi * 0.94f) < 0.09f;
        },
        withAlpha(amber, 0.12f));
    const float lx = 1200;
    canvas.glow(lx, 180, 90, withAlpha(amber, 0.55f));
    canvas.polygon({ lx - 20, 190, lx + 20, 190, lx + 32, 470, lx - 32, 470 }, cream);
    canvas.roundedRect(lx - 24, 168, lx + 24, 192, 4, amber);
    canvas.polygon({ lx - 30, 168, lx + 30, 168, lx, 140 }, navy);
    for (int band = 0; band < 3; ++band)
        canvas.roundedRect(lx - 26 - band * 2.0f, 250 + band * 70.0f, lx + 26 + band * 2.0f, 270 + band * 70.0f, 0,
            withAlpha(Color { 0.84f, 0.27f, 0.25f, 1.0f }, 0.9f));
    canvas.polygon({ lx - 100, 520, lx - 60, 460, lx + 80, 450, lx + 140, 520 }, Color { 0.04f, 0.07f, 0.12f, 1.0f });
    // The sea, with the beam's reflection in short strokes.
    canvas.roundedRect(0, 500, 1280, 720, 0, Color { 0.04f, 0.12f, 0.17f, 1.0f });
    for (int i = 0; i < 14; ++i) {
        const float y = 520 + i * 14.0f;
        const float half = 20 + i * 5.0f;
        canvas.line(lx - half, y, lx + half, y, 2, withAlpha(amber, 0.35f - i * 0.02f));
    }
    for (int i = 0; i < 40; ++i) {
        const float x = std::fmod(i * 137.0f, 1280.0f);
        const float y = 540 + std::fmod(i * 53.0f, 170.0f);
        canvas.line(x, y, x + 24, y, 1.5f, withAlpha(teal, 0.35f));
    }
    return canvas;
}

// A slot card: a logbook page (lines ruled in teal) under a brass clasp.
KaCanvas slotCard(bool empty)
{
    KaCanvas canvas(320, 400);
    // An empty slot's page is a blank one in the night's colours: it does
    // not let the backdrop through, it only steps back from the lit pages.
    const Color page = empty ? Color { 0.36f, 0.40f, 0.47f, 1.0f } : cream;
    const Color rim = empty ? Color { 0.55f, 0.50f, 0.40f, 1.0f } : amber;
    canvas.roundedRect(14, 18, 310, 394, 18, withAlpha(ink, 0.45f));
    canvas.roundedRect(6, 6, 302, 382, 18, rim);
    canvas.roundedRect(12, 12, 296, 376, 14, page);
    for (int i = 0; i < 9; ++i) {
        const float y = 110 + i * 28.0f;
        if (empty) {
            for (float x = 40; x < 268; x += 24)
                canvas.line(x, y, x + 12, y, 2, withAlpha(navy, 0.5f));
        } else {
            canvas.line(40, y, 268, y, 2, withAlpha(teal, 0.6f));
        }
    }
    canvas.roundedRect(124, 0, 184, 52, 10, rim);
    canvas.circle(154, 30, 10, navy);
    if (!empty) {
        // A ship's wheel stamped in the corner: the page holds a voyage.
        canvas.ring(246, 330, 22, 27, withAlpha(navy, 0.8f));
        for (int k = 0; k < 8; ++k) {
            const float a = k * pi / 4;
            canvas.line(246 + 8 * std::cos(a), 330 + 8 * std::sin(a), 246 + 34 * std::cos(a),
                330 + 34 * std::sin(a), 4, withAlpha(navy, 0.8f));
        }
    }
    return canvas;
}

// Back to the main menu: an arrow pointing left on a navy disc.
KaCanvas backArrow()
{
    KaCanvas canvas(128, 128);
    canvas.circle(64, 64, 60, withAlpha(navy, 0.9f));
    canvas.ring(64, 64, 56, 60, withAlpha(cream, 0.8f));
    canvas.polygon({ 30, 64, 62, 34, 62, 52, 98, 52, 98, 76, 62, 76, 62, 94 }, amber);
    return canvas;
}

} // namespace

// Writes them under root; returns the number of pictures not written.
int paintLoadingMenuPictures(const std::filesystem::path& root)
{
    struct Picture {
        const char* path;
        KaCanvas canvas;
    };
    const Picture pictures[] = {
        { "menus/loadingMenu/background.png", backdrop() },
        { "menus/loadingMenu/slot.png", slotCard(false) },
        { "menus/loadingMenu/slotEmpty.png", slotCard(true) },
        { "menus/loadingMenu/back.png", backArrow() },
    };
    int failures = 0;
    for (const Picture& picture : pictures) {
        const std::filesystem::path file = root / picture.path;
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (!picture.canvas.savePng(KaString(file.string().c_str()))) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            ++failures;
        }
    }
    return failures;
}
