#include "tools/content/KaInventoryPictures.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/content/KaPictureSet.h"

// The pictures of the inventory, the phone and the objects of the harbour
// office, in the palette of the rest of the sample game: night navy, cream,
// amber for what is chosen, teal for the sea.
namespace {

using namespace KaPalette;

const Color panel { 0.13f, 0.20f, 0.33f, 1.0f };
const Color deepTeal { 0.08f, 0.32f, 0.36f, 1.0f };
const Color brass { 0.80f, 0.60f, 0.24f, 1.0f };
const Color green { 0.27f, 0.69f, 0.40f, 1.0f };

bool insideRoundedRect(float x, float y, float x0, float y0, float x1, float y1, float r)
{
    if (x < x0 || x > x1 || y < y0 || y > y1)
        return false;
    const float cx = std::fmin(std::fmax(x, x0 + r), x1 - r);
    const float cy = std::fmin(std::fmax(y, y0 + r), y1 - r);
    return std::hypot(x - cx, y - cy) <= r;
}

// The outline of a rounded rectangle, width wide, inside its bounds.
void roundedFrame(KaCanvas& canvas, float x0, float y0, float x1, float y1, float r, float width, const Color& color)
{
    canvas.shape(
        [=](float x, float y) {
            return insideRoundedRect(x, y, x0, y0, x1, y1, r)
                && !insideRoundedRect(x, y, x0 + width, y0 + width, x1 - width, y1 - width, r - width);
        },
        color, x0, y0, x1, y1);
}

// A soft shadow under an icon, so that it stands off the slot.
void dropShadow(KaCanvas& canvas, float x0, float y0, float x1, float y1, float r)
{
    canvas.roundedRect(x0 + 4, y0 + 5, x1 + 4, y1 + 5, r, withAlpha(ink, 0.35f));
}

// The slot of one object: a dark well with a fine light border.
KaCanvas slot()
{
    KaCanvas canvas(128, 128);
    canvas.roundedRect(4, 4, 124, 124, 14, withAlpha(navy, 0.85f));
    roundedFrame(canvas, 4, 4, 124, 124, 14, 2, withAlpha(cream, 0.25f));
    return canvas;
}

// The frame put over the chosen slot.
KaCanvas selection()
{
    KaCanvas canvas(128, 128);
    roundedFrame(canvas, 2, 2, 126, 126, 16, 6, amber);
    roundedFrame(canvas, 9, 9, 119, 119, 10, 2, withAlpha(amber, 0.45f));
    return canvas;
}

KaCanvas closeIcon()
{
    KaCanvas canvas(64, 64);
    canvas.circle(32, 32, 28, panel);
    canvas.ring(32, 32, 26, 28, withAlpha(cream, 0.6f));
    canvas.line(22, 22, 42, 42, 5, cream);
    canvas.line(42, 22, 22, 42, 5, cream);
    return canvas;
}

KaCanvas homeIcon()
{
    KaCanvas canvas(64, 64);
    canvas.circle(32, 32, 28, panel);
    canvas.ring(32, 32, 26, 28, withAlpha(cream, 0.6f));
    canvas.polygon({ 32, 15, 48, 30, 16, 30 }, cream);
    canvas.roundedRect(20, 29, 44, 47, 2, cream);
    canvas.roundedRect(29, 36, 35, 47, 1, panel);
    return canvas;
}

// The harbour logbook: a teal cloth cover, an amber band and an anchor.
KaCanvas logbook()
{
    KaCanvas canvas(128, 128);
    dropShadow(canvas, 24, 14, 104, 114, 8);
    canvas.roundedRect(28, 16, 106, 114, 6, cream);
    canvas.roundedRect(22, 12, 100, 112, 8, deepTeal);
    canvas.roundedRect(22, 12, 34, 112, 6, withAlpha(ink, 0.35f));
    canvas.roundedRect(34, 78, 100, 88, 2, amber);
    canvas.ring(67, 36, 5, 8, cream);
    canvas.line(67, 44, 67, 66, 4, cream);
    canvas.line(58, 50, 76, 50, 4, cream);
    canvas.shape(
        [](float x, float y) {
            const float d = std::hypot(x - 67, y - 56);
            return d >= 10 && d <= 14 && y > 58;
        },
        cream);
    return canvas;
}

// A brass key with a green tag on a string.
KaCanvas brassKey()
{
    KaCanvas canvas(128, 128);
    canvas.line(34, 44, 20, 92, 2, withAlpha(cream, 0.8f));
    canvas.roundedRect(8, 88, 34, 116, 4, green);
    canvas.circle(21, 95, 3, cream);
    canvas.ring(40, 40, 10, 20, brass);
    canvas.ring(40, 40, 17, 20, withAlpha(amber, 0.9f));
    canvas.line(54, 54, 108, 108, 10, brass);
    canvas.polygon({ 84, 92, 94, 82, 100, 88, 90, 98 }, brass);
    canvas.polygon({ 96, 104, 106, 94, 112, 100, 102, 110 }, brass);
    canvas.line(56, 52, 106, 102, 3, withAlpha(amber, 0.8f));
    return canvas;
}

// The printed tide table: a sheet with two tide curves and a circled day.
KaCanvas tideTable()
{
    KaCanvas canvas(128, 128);
    dropShadow(canvas, 18, 10, 110, 118, 4);
    canvas.roundedRect(18, 10, 110, 118, 4, cream);
    canvas.roundedRect(26, 18, 102, 28, 2, deepTeal);
    for (int wave = 0; wave < 2; ++wave) {
        const float base = 52.0f + wave * 30.0f;
        for (int i = 0; i < 38; ++i) {
            const float xa = 26.0f + i * 2.0f, xb = xa + 2.0f;
            canvas.line(xa, base + 8.0f * std::sin(xa * 0.16f + wave), xb, base + 8.0f * std::sin(xb * 0.16f + wave),
                2.5f, wave ? teal : deepTeal);
        }
    }
    canvas.ring(78, 96, 9, 12, withAlpha(alarm, 0.85f));
    for (int row = 0; row < 2; ++row)
        canvas.line(28, 98.0f + row * 8.0f, 58, 98.0f + row * 8.0f, 2.0f, withAlpha(ink, 0.5f));
    return canvas;
}

// A storm lantern, lit.
KaCanvas lantern()
{
    KaCanvas canvas(128, 128);
    canvas.ring(64, 20, 9, 13, ink);
    canvas.glow(64, 70, 44, withAlpha(amber, 0.55f));
    canvas.roundedRect(40, 30, 88, 38, 3, ink);
    canvas.roundedRect(44, 38, 84, 98, 10, withAlpha(amber, 0.85f));
    canvas.circle(64, 72, 10, cream);
    canvas.line(44, 40, 44, 98, 5, ink);
    canvas.line(84, 40, 84, 98, 5, ink);
    canvas.line(64, 38, 64, 58, 3, ink);
    canvas.roundedRect(36, 98, 92, 110, 4, ink);
    return canvas;
}

// Paper and pencil: the picture of a "BONUS!" notice.
KaCanvas paperAndPencil()
{
    KaCanvas canvas(128, 128);
    dropShadow(canvas, 16, 14, 96, 118, 4);
    canvas.roundedRect(16, 14, 96, 118, 4, cream);
    for (int row = 0; row < 6; ++row)
        canvas.line(26, 32.0f + row * 13.0f, 86, 32.0f + row * 13.0f, 1.5f, withAlpha(teal, 0.6f));
    canvas.line(60, 108, 112, 30, 12, amber);
    canvas.line(60, 108, 112, 30, 4, withAlpha(brass, 0.8f));
    canvas.polygon({ 55, 116, 54, 102, 65, 110 }, cream);
    canvas.polygon({ 55, 116, 54.5f, 111, 58.5f, 113.5f }, ink);
    canvas.line(108, 36, 116, 24, 12, alarm);
    return canvas;
}

// The phone's body, screen side up.
KaCanvas handset()
{
    KaCanvas canvas(256, 512);
    canvas.roundedRect(12, 12, 250, 506, 36, withAlpha(ink, 0.5f));
    canvas.roundedRect(6, 6, 244, 500, 36, navy);
    roundedFrame(canvas, 6, 6, 244, 500, 36, 4, withAlpha(cream, 0.55f));
    canvas.roundedRect(98, 26, 152, 32, 3, withAlpha(cream, 0.4f));
    canvas.circle(125, 470, 13, withAlpha(cream, 0.25f));
    return canvas;
}

KaCanvas phoneScreen()
{
    KaCanvas canvas(256, 128);
    canvas.shape(
        [](float x, float y) { return insideRoundedRect(x, y, 2, 2, 254, 126, 14); }, withAlpha(deepTeal, 0.95f));
    canvas.glow(128, 40, 140, withAlpha(teal, 0.35f));
    roundedFrame(canvas, 2, 2, 254, 126, 14, 2, withAlpha(teal, 0.9f));
    return canvas;
}

KaCanvas arrow(bool up)
{
    KaCanvas canvas(64, 64);
    canvas.circle(32, 32, 28, panel);
    canvas.ring(32, 32, 26, 28, withAlpha(cream, 0.6f));
    if (up)
        canvas.polygon({ 32, 18, 46, 40, 18, 40 }, cream);
    else
        canvas.polygon({ 32, 46, 46, 24, 18, 24 }, cream);
    return canvas;
}

// A round key with a handset on it.
KaCanvas phoneKey(const Color& color, bool down)
{
    KaCanvas canvas(96, 96);
    canvas.circle(48, 50, 42, withAlpha(ink, 0.4f));
    canvas.circle(48, 46, 42, color);
    const float tilt = down ? 0.6f : 0.0f;
    const float c = std::cos(tilt), s = std::sin(tilt);
    auto at = [&](float x, float y, float& ox, float& oy) {
        ox = 48 + (x - 48) * c - (y - 46) * s;
        oy = 46 + (x - 48) * s + (y - 46) * c;
    };
    float ax, ay, bx, by, cx, cy, dx, dy;
    at(30, 46, ax, ay);
    at(66, 46, bx, by);
    at(28, 56, cx, cy);
    at(68, 56, dx, dy);
    canvas.line(ax, ay, bx, by, 9, cream);
    canvas.line(ax, ay, cx, cy, 12, cream);
    canvas.line(bx, by, dx, dy, 12, cream);
    return canvas;
}

const KaPicture pictures[] = {
    { "Inventory/slot.png", slot },
    { "Inventory/selection.png", selection },
    { "Inventory/close.png", closeIcon },
    { "Inventory/home.png", homeIcon },
    { "Inventory/Objects/Logbook.png", logbook },
    { "Inventory/Objects/BrassKey.png", brassKey },
    { "Inventory/Objects/TideTable.png", tideTable },
    { "Inventory/Objects/Lantern.png", lantern },
    { "Inventory/Objects/VPapierCrayon.png", paperAndPencil },
    { "menus/cellphone/handset.png", handset },
    { "menus/cellphone/screen.png", phoneScreen },
    { "menus/cellphone/up.png", [] { return arrow(true); } },
    { "menus/cellphone/down.png", [] { return arrow(false); } },
    { "menus/cellphone/call.png", [] { return phoneKey(green, false); } },
    { "menus/cellphone/hangUp.png", [] { return phoneKey(alarm, true); } },
};

}

int paintInventoryPictures(const std::filesystem::path& root)
{
    return KaPaintPictures(root, pictures);
}
