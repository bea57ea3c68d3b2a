#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/content/KaPictureSet.h"

// The pictures of the in-game notices and of the objectives: the notice card
// and its default badge, the notepad button in its four looks, the notepad
// and its close button. The palette is the sample game's own (navy, teal,
// amber and cream, the notepad's ink in the objectives' title colour).
namespace {

using namespace KaPalette;

// The colour the objectives' titles are written in (39, 85, 97).
const Color titleInk { 0.153f, 0.333f, 0.380f, 1.0f };

Color darker(Color color, float factor)
{
    color.r *= factor;
    color.g *= factor;
    color.b *= factor;
    return color;
}

// The notice card: a navy card with a soft shadow, a cream rim and an amber
// edge on the left, where the badge sits.
KaCanvas noticeCard()
{
    KaCanvas canvas(512, 160);
    canvas.roundedRect(10, 14, 506, 156, 22, withAlpha(ink, 0.45f));
    canvas.roundedRect(4, 4, 500, 146, 22, withAlpha(cream, 0.85f));
    canvas.roundedRect(7, 7, 497, 143, 20, amber);
    canvas.roundedRect(17, 7, 497, 143, 20, navy);
    canvas.roundedRect(17, 7, 40, 143, 0, navy);
    return canvas;
}

// An anchor: ring, shank, stock and the curved arms with their flukes.
void anchor(KaCanvas& canvas, float cx, float cy, float scale, const Color& color)
{
    canvas.ring(cx, cy - 30 * scale, 6 * scale, 11 * scale, color);
    canvas.line(cx, cy - 19 * scale, cx, cy + 34 * scale, 7 * scale, color);
    canvas.line(cx - 18 * scale, cy - 10 * scale, cx + 18 * scale, cy - 10 * scale, 6 * scale, color);
    const float armCy = cy + 4 * scale;
    canvas.shape(
        [=](float x, float y) {
            const float d = std::hypot(x - cx, y - armCy);
            return y > armCy + 8 * scale && d >= 28 * scale && d <= 35 * scale;
        },
        color);
    const float flukeY = armCy + 15 * scale;
    for (int side = -1; side <= 1; side += 2) {
        const float fx = cx + side * 30 * scale;
        canvas.polygon({ fx - 8 * scale, flukeY, fx + 8 * scale, flukeY, fx, flukeY - 14 * scale }, color);
    }
}

// What a notice shows when it brings no picture of its own: a teal badge
// with an anchor.
KaCanvas noticeBadge()
{
    KaCanvas canvas(128, 128);
    canvas.circle(66, 67, 58, withAlpha(ink, 0.4f));
    canvas.circle(64, 64, 58, cream);
    canvas.circle(64, 64, 53, teal);
    anchor(canvas, 64, 62, 1.0f, cream);
    return canvas;
}

// The notepad button: a round button with a small spiral notepad on it,
// lighter when up, pressed in (amber rim, darker face) when down; the "new"
// looks add a red mark in the corner.
KaCanvas helpButton(bool down, bool fresh)
{
    KaCanvas canvas(128, 128);
    const float inset = down ? 3.0f : 0.0f;
    canvas.circle(66, 68, 58, withAlpha(ink, down ? 0.25f : 0.45f));
    canvas.circle(64, 64, 58 - inset, down ? amber : cream);
    canvas.circle(64, 64, 53 - inset, down ? darker(navy, 0.8f) : navy);
    canvas.roundedRect(42, 36, 86, 94, 5, cream);
    for (int line = 0; line < 4; ++line) {
        const float y = 56.0f + line * 9.0f;
        canvas.line(49, y, line == 3 ? 68.0f : 79.0f, y, 2.5f, titleInk);
    }
    for (int ring = 0; ring < 4; ++ring)
        canvas.ring(50.0f + ring * 9.5f, 37, 2.5f, 4.5f, amber);
    if (fresh) {
        canvas.circle(98, 30, 15, cream);
        canvas.circle(98, 30, 12, alarm);
    }
    return canvas;
}

KaCanvas helpNewUp() { return helpButton(false, true); }
KaCanvas helpNewDown() { return helpButton(true, true); }
KaCanvas helpNotNewUp() { return helpButton(false, false); }
KaCanvas helpNotNewDown() { return helpButton(true, false); }

// The notepad: a ruled cream sheet with a red margin and a spiral binding
// along the top, on a soft shadow. The task labels are stacked from about
// a fifth of its height, below the binding.
KaCanvas notepad()
{
    KaCanvas canvas(480, 640);
    canvas.roundedRect(22, 34, 474, 636, 14, withAlpha(ink, 0.45f));
    canvas.roundedRect(10, 22, 462, 622, 14, cream);
    canvas.roundedRect(10, 22, 462, 70, 14, darker(cream, 0.9f));
    canvas.roundedRect(10, 56, 462, 70, 0, darker(cream, 0.9f));
    for (float y = 128; y < 600; y += 30)
        canvas.line(30, y, 442, y, 1.5f, withAlpha(titleInk, 0.35f));
    canvas.line(70, 80, 70, 610, 2.0f, withAlpha(alarm, 0.7f));
    for (int ring = 0; ring < 12; ++ring) {
        const float x = 44.0f + ring * 35.0f;
        canvas.circle(x, 46, 6, withAlpha(ink, 0.7f));
        canvas.shape(
            [=](float px, float py) {
                const float d = std::hypot(px - x, py - 30);
                return py < 46 && d >= 12 && d <= 17;
            },
            darker(amber, 0.85f));
    }
    return canvas;
}

// The notepad's close button: a cross on a navy disc, amber when pressed.
KaCanvas closeButton(bool down)
{
    KaCanvas canvas(96, 96);
    canvas.circle(49, 50, 42, withAlpha(ink, 0.4f));
    canvas.circle(48, 48, 42, cream);
    canvas.circle(48, 48, 38, down ? amber : navy);
    const Color cross = down ? navy : cream;
    canvas.line(33, 33, 63, 63, 8, cross);
    canvas.line(63, 33, 33, 63, 8, cross);
    return canvas;
}

KaCanvas closeUp() { return closeButton(false); }
KaCanvas closeDown() { return closeButton(true); }

const KaPicture pictures[] = {
    { "menus/notifier/card.png", noticeCard },
    { "menus/notifier/badge.png", noticeBadge },
    { "menus/helpButton/newUp.png", helpNewUp },
    { "menus/helpButton/newDown.png", helpNewDown },
    { "menus/helpButton/notNewUp.png", helpNotNewUp },
    { "menus/helpButton/notNewDown.png", helpNotNewDown },
    { "menus/objectif/calepin.png", notepad },
    { "menus/objectif/close.png", closeUp },
    { "menus/objectif/closeDown.png", closeDown },
};

}

int paintNoticePictures(const std::filesystem::path& root)
{
    return KaPaintPictures(root, pictures);
}
