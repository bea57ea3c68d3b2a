#include "tools/content/KaDocumentPictures.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/fixtures/KaJpegFixture.h"

namespace {

using namespace KaPalette;

// The harbour office's stationery: yellowed paper, navy ink, a teal and an
// amber accent, the red of the margin line; the same as the game's panels.
const Color paper { 0.95f, 0.91f, 0.80f, 1.0f };
const Color paperShade { 0.88f, 0.82f, 0.67f, 1.0f };
const Color rule { 0.55f, 0.66f, 0.78f, 1.0f };
const Color margin { 0.78f, 0.25f, 0.22f, 1.0f };
const Color white { 1.0f, 1.0f, 1.0f, 1.0f };

// Paper with a slightly darker rim.
void sheet(KaCanvas& canvas)
{
    canvas.fill(paperShade);
    canvas.roundedRect(10, 10, canvas.width() - 10.0f, canvas.height() - 10.0f, 14, paper);
}

// The pages are paper and rules only: what is written on them is text laid
// over them by each page's GUI file (DocumentsBrowser/Documents/
// <id>_zoomed_<page>.lua) from the localised texts, so that it reads in
// every language at any size. Those files place their lines on the rows
// below: keep the two in step.

// A page of the harbour office's logbook: the heading band, the column
// heads, ruled lines with a red margin, the columns date, time, vessel and
// remarks; on the first page the evening's entry ringed in red pencil, on
// the second a cup's ring.
KaCanvas logbookPage(bool firstPage)
{
    KaCanvas canvas(1024, 1400);
    sheet(canvas);
    canvas.roundedRect(40, 40, 984, 130, 8, navy);
    const float top = 200, lineGap = 46;
    const float columns[] = { 130, 270, 390, 620, 984 };
    canvas.roundedRect(40, 150, 984, 192, 4, withAlpha(teal, 0.25f));
    for (float y = top + lineGap; y < 1360; y += lineGap)
        canvas.line(40, y, 984, y, 2, withAlpha(rule, 0.8f));
    canvas.line(120, 150, 120, 1360, 2.5f, withAlpha(margin, 0.8f));
    for (int c = 1; c < 4; ++c)
        canvas.line(columns[c], 150, columns[c], 1360, 1.5f, withAlpha(rule, 0.9f));
    // The tenth and eleventh rows (around 0.471 of the page's height, where
    // the page's button lies): the night the lamp went dark.
    const float circled = top + lineGap * 10.0f;
    for (int turn = 0; firstPage && turn < 2; ++turn) {
        std::vector<float> points;
        const int count = 60;
        for (int i = 0; i <= count; ++i) {
            const float angle = 6.2831853f * i / count;
            points.push_back(560 + (440 + turn * 8) * std::cos(angle));
            points.push_back(circled + (54 + turn * 4) * std::sin(angle));
        }
        for (size_t i = 0; i + 3 < points.size(); i += 2)
            canvas.line(points[i], points[i + 1], points[i + 2], points[i + 3], 3, withAlpha(margin, 0.85f));
    }
    if (!firstPage) {
        canvas.ring(800, 1150, 70, 82, withAlpha(Color { 0.55f, 0.38f, 0.2f, 1.0f }, 0.35f));
        canvas.glow(800, 1150, 75, withAlpha(Color { 0.55f, 0.38f, 0.2f, 1.0f }, 0.12f));
    }
    return canvas;
}

// The week's tide table: a teal heading band, seven day columns under a
// navy head row, four rows of low and high water, this evening's high water
// ringed in amber, the tide's curve across the foot of the sheet and a card
// pinned in the corner for the harbour master's number.
KaCanvas tideTable()
{
    KaCanvas canvas(1280, 900);
    sheet(canvas);
    canvas.roundedRect(40, 40, canvas.width() - 40.0f, 130, 8, teal);
    const float left = 60, right = 1220, top = 160, bottom = 560;
    const int days = 7, rows = 5;
    const float cell = (right - left) / (days + 1);
    const float rowHeight = (bottom - top) / rows;
    canvas.roundedRect(left, top, right, top + rowHeight, 4, withAlpha(navy, 0.85f));
    canvas.roundedRect(left, top + rowHeight, left + cell, bottom, 4, withAlpha(teal, 0.2f));
    for (int r = 1; r <= rows; ++r)
        canvas.line(left, top + r * rowHeight, right, top + r * rowHeight, 2, withAlpha(navy, 0.6f));
    for (int c = 1; c <= days; ++c)
        canvas.line(left + c * cell, top, left + c * cell, bottom, 2, withAlpha(navy, 0.6f));
    canvas.line(left, top, left, bottom, 2.5f, navy);
    canvas.line(right, top, right, bottom, 2.5f, navy);
    canvas.line(left, bottom, right, bottom, 2.5f, navy);
    // This evening: the third day, the last row.
    const float cx = left + 3.5f * cell, cy = top + 4.5f * rowHeight;
    canvas.ring(cx, cy, 44, 50, withAlpha(amber, 0.9f));
    // The tide's curve, left of the card.
    const float curveRight = 700, mid = 730, amplitude = 90;
    canvas.line(left, mid, curveRight, mid, 1.5f, withAlpha(rule, 0.9f));
    float px = left, py = mid;
    for (int i = 1; i <= 300; ++i) {
        const float x = left + (curveRight - left) * i / 300;
        const float y = mid - amplitude * std::sin((x - left) / (curveRight - left) * 6.2831853f * 2.0f);
        canvas.line(px, py, x, y, 4, teal);
        px = x;
        py = y;
    }
    // The card, a shade whiter than the sheet, and its red pin.
    canvas.roundedRect(768, 622, 1222, 842, 6, withAlpha(navy, 0.25f));
    canvas.roundedRect(760, 614, 1214, 834, 6, white);
    canvas.line(780, 745, 1194, 745, 1.5f, withAlpha(rule, 0.9f));
    canvas.circle(987, 632, 9, margin);
    return canvas;
}

// The logbook as an icon: a bound book in navy with an amber spine and a
// cream label.
KaCanvas logbookIcon()
{
    KaCanvas canvas(128, 128);
    canvas.roundedRect(26, 14, 108, 118, 6, withAlpha(navy, 0.35f));
    canvas.roundedRect(22, 10, 104, 114, 6, navy);
    canvas.roundedRect(22, 10, 36, 114, 5, amber);
    canvas.roundedRect(100, 14, 106, 110, 2, cream);
    canvas.roundedRect(46, 34, 94, 62, 4, cream);
    canvas.line(52, 44, 88, 44, 3, navy);
    canvas.line(52, 53, 80, 53, 3, navy);
    // A small anchor under the label.
    canvas.ring(70, 80, 3, 6, amber);
    canvas.line(70, 86, 70, 102, 3.5f, amber);
    canvas.line(62, 92, 78, 92, 3, amber);
    canvas.line(60, 98, 70, 104, 3, amber);
    canvas.line(80, 98, 70, 104, 3, amber);
    return canvas;
}

// The tide table as an icon: a pinned sheet with a teal band, a grid and a
// wave.
KaCanvas tideTableIcon()
{
    KaCanvas canvas(128, 128);
    canvas.roundedRect(20, 16, 112, 122, 4, withAlpha(navy, 0.35f));
    canvas.roundedRect(16, 12, 108, 118, 4, paper);
    canvas.roundedRect(22, 18, 102, 36, 3, teal);
    for (int r = 0; r < 4; ++r)
        canvas.line(22, 48.0f + r * 12, 102, 48.0f + r * 12, 1.5f, withAlpha(navy, 0.6f));
    for (int c = 0; c < 5; ++c)
        canvas.line(22.0f + c * 20, 42, 22.0f + c * 20, 84, 1.5f, withAlpha(navy, 0.6f));
    float px = 22, py = 100;
    for (int i = 1; i <= 40; ++i) {
        const float x = 22 + 80.0f * i / 40;
        const float y = 100 - 8 * std::sin(i / 40.0f * 2 * 6.2831853f);
        canvas.line(px, py, x, y, 3, teal);
        px = x;
        py = y;
    }
    canvas.circle(62, 12, 5, margin);
    return canvas;
}

// White widgets, tinted by the browser's layouts.
KaCanvas slotFrame()
{
    KaCanvas canvas(128, 160);
    canvas.roundedRect(2, 2, 126, 158, 14, withAlpha(white, 0.45f));
    canvas.line(14, 4, 114, 4, 4, white);
    canvas.line(14, 156, 114, 156, 4, white);
    canvas.line(4, 14, 4, 146, 4, white);
    canvas.line(124, 14, 124, 146, 4, white);
    return canvas;
}

KaCanvas diode()
{
    KaCanvas canvas(32, 32);
    canvas.circle(16, 16, 12, white);
    return canvas;
}

KaCanvas arrow(bool right)
{
    KaCanvas canvas(64, 96);
    const float tip = right ? 52.0f : 12.0f;
    const float back = right ? 14.0f : 50.0f;
    canvas.line(back, 12, tip, 48, 10, white);
    canvas.line(tip, 48, back, 84, 10, white);
    return canvas;
}

bool savePicture(const KaCanvas& canvas, const std::filesystem::path& file)
{
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (file.extension() != ".jpg")
        return canvas.savePng(KaString(file.string().c_str()));
    // Opaque pictures only: what the alpha hides is lost in a JPEG.
    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<size_t>(canvas.width()) * canvas.height() * 3);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Color c = canvas.pixel(x, y);
            const float channels[] = { c.r, c.g, c.b };
            for (float v : channels)
                rgb.push_back(static_cast<unsigned char>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)));
        }
    }
    const std::string bytes = KaEncodeJpeg(rgb.data(), static_cast<unsigned int>(canvas.width()),
        static_cast<unsigned int>(canvas.height()), 3);
    if (bytes.empty())
        return false;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}

bool KaPaintDocumentPictures(const std::filesystem::path& root)
{
    struct Picture {
        const char* path;
        KaCanvas (*paint)();
    };
    // The page of the logbook that exists only as a JPEG is the second one.
    const Picture pictures[] = {
        { "DocumentsBrowser/slot.png", slotFrame },
        { "DocumentsBrowser/diode.png", diode },
        { "DocumentsBrowser/arrowLeft.png", [] { return arrow(false); } },
        { "DocumentsBrowser/arrowRight.png", [] { return arrow(true); } },
        { "DocumentsBrowser/Documents/Logbook.png", logbookIcon },
        { "DocumentsBrowser/Documents/TideTable.png", tideTableIcon },
        { "DocumentsBrowser/Documents/Documents/Logbook_zoomed_0.png", [] { return logbookPage(true); } },
        { "DocumentsBrowser/Documents/Documents/Logbook_zoomed_1.jpg", [] { return logbookPage(false); } },
        { "DocumentsBrowser/Documents/Documents/TideTable_zoomed_0.png", tideTable },
    };
    bool written = true;
    for (const Picture& picture : pictures) {
        if (!savePicture(picture.paint(), root / picture.path)) {
            std::fprintf(stderr, "cannot write %s\n", (root / picture.path).string().c_str());
            written = false;
        }
    }
    return written;
}
