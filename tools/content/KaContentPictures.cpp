#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/content/KaCanvas.h"
#include "tools/content/KaPalette.h"
#include "tools/content/KaPictureSet.h"
#include "tools/content/KaInventoryPictures.h"
#include "tools/content/KaDocumentPictures.h"

// The notices' and objectives' pictures (KaNoticePictures.cpp); the number
// of pictures that could not be written.
int paintNoticePictures(const std::filesystem::path& root);
// The bonus gallery's pictures (KaBonusPictures.cpp).
int paintBonusPictures(const std::filesystem::path& root);
// The menus' pictures (KaMenuPictures.cpp), likewise.
int paintMenuPictures(const std::filesystem::path& root);
// The load-game screen's pictures (KaLoadingMenuPictures.cpp).
int paintLoadingMenuPictures(const std::filesystem::path& root);

// Writes the sample game's pictures under the folder given on the command
// line, in the layout the game reads ("pictures/cursor.png", ...). Every
// picture is painted here from shapes, so the repository holds no binaries.
namespace {

using namespace KaPalette;


const float pi = 3.14159265f;

// The pointer: an arrow whose tip sits at 30 % across and 10 % down, where
// the game anchors its cursor sprite.
KaCanvas cursor()
{
    KaCanvas canvas(64, 64);
    std::vector<float> arrow { 19, 6, 19, 50, 29, 41, 36, 57, 43, 54, 36, 38, 49, 38 };
    std::vector<float> shadow;
    for (size_t i = 0; i < arrow.size(); ++i)
        shadow.push_back(arrow[i] + 2.0f);
    canvas.polygon(shadow, withAlpha(ink, 0.35f));
    canvas.polygon(arrow, cream);
    for (size_t i = 0; i < arrow.size(); i += 2) {
        const size_t j = (i + 2) % arrow.size();
        canvas.line(arrow[i], arrow[i + 1], arrow[j], arrow[j + 1], 2.5f, navy);
    }
    return canvas;
}

// The other pointers share the arrow's anchor, so each puts its point
// where the arrow's tip would be. Drawn as the arrow is: cream, a navy
// outline and a soft ink shadow.
struct Stroke {
    float xa, ya, xb, yb, width;
};

// Round-ended strokes filled as one figure: shadow, outline, then fill.
KaCanvas outlinedStrokes(const std::vector<Stroke>& strokes)
{
    KaCanvas canvas(64, 64);
    for (const Stroke& s : strokes)
        canvas.line(s.xa + 2, s.ya + 2, s.xb + 2, s.yb + 2, s.width + 5, withAlpha(ink, 0.35f));
    for (const Stroke& s : strokes)
        canvas.line(s.xa, s.ya, s.xb, s.yb, s.width + 5, navy);
    for (const Stroke& s : strokes)
        canvas.line(s.xa, s.ya, s.xb, s.yb, s.width, cream);
    return canvas;
}

// Over what can be taken or used: a hand pointing up, the tip of its
// index finger on the hot spot.
KaCanvas handCursor()
{
    return outlinedStrokes({
        { 19, 9, 19, 34, 6 }, // index finger
        { 26, 24, 26, 36, 6 }, // folded fingers
        { 32, 26, 32, 38, 6 },
        { 38, 29, 38, 40, 6 },
        { 11, 36, 19, 44, 6 }, // thumb
        { 22, 38, 35, 38, 17 }, // palm
        { 25, 50, 34, 50, 10 }, // wrist
    });
}

// Over a way out: a bold arrow in a disc pointing where the way leads,
// 0 degrees up, turning clockwise. The disc's rim passes through the hot
// spot.
template <int Degrees> KaCanvas exitCursor()
{
    KaCanvas canvas(64, 64);
    const float cx = 31, cy = 27, r = 20;
    canvas.circle(cx + 2, cy + 2, r + 1.5f, withAlpha(ink, 0.35f));
    canvas.circle(cx, cy, r + 1.5f, navy);
    canvas.circle(cx, cy, r - 1.5f, withAlpha(navy, 0.85f));
    const float angle = Degrees * pi / 180.0f;
    // Screen axes: x right, y down; "up" is -y.
    const float ux = std::sin(angle), uy = -std::cos(angle);
    const float tx = -uy, ty = ux;
    auto at = [&](float along, float across) {
        return std::vector<float> { cx + along * ux + across * tx, cy + along * uy + across * ty };
    };
    std::vector<float> arrow;
    for (const auto& point : { at(14, 0), at(1, 11), at(1, 5), at(-13, 5), at(-13, -5), at(1, -5), at(1, -11) })
        arrow.insert(arrow.end(), point.begin(), point.end());
    canvas.polygon(arrow, cream);
    return canvas;
}

// A spot shown by the eye switch: an amber ring round a cream dot.
KaCanvas sceneMarker()
{
    KaCanvas canvas(64, 64);
    canvas.glow(32, 32, 31, withAlpha(amber, 0.45f));
    canvas.ring(32, 32, 12, 25, navy);
    canvas.ring(32, 32, 14, 23, amber);
    canvas.circle(32, 32, 12, withAlpha(navy, 0.85f));
    canvas.circle(32, 32, 7, cream);
    return canvas;
}

KaCanvas black()
{
    KaCanvas canvas(64, 64);
    canvas.fill(Color { 0, 0, 0, 1 });
    return canvas;
}

// Tinted by a layout's colour: panels and veils of any colour.
KaCanvas white()
{
    KaCanvas canvas(64, 64);
    canvas.fill(Color { 1, 1, 1, 1 });
    return canvas;
}

// Two arrows chasing each other round a circle, then three dots: "saving".
KaCanvas autosaveIcon()
{
    KaCanvas canvas(128, 64);
    const float cx = 32, cy = 32;
    for (int half = 0; half < 2; ++half) {
        const float start = half * pi;
        canvas.shape(
            [=](float x, float y) {
                const float d = std::hypot(x - cx, y - cy);
                float angle = std::atan2(y - cy, x - cx) - start;
                while (angle < 0)
                    angle += 2 * pi;
                return d >= 15 && d <= 21 && angle < 0.75f * pi;
            },
            cream);
        const float tip = start + 0.75f * pi;
        const float ux = std::cos(tip), uy = std::sin(tip);
        const float tx = -uy, ty = ux;
        canvas.polygon({ cx + 11 * ux, cy + 11 * uy, cx + 25 * ux, cy + 25 * uy, cx + 18 * ux + 8 * tx,
                           cy + 18 * uy + 8 * ty },
            cream);
    }
    for (int dot = 0; dot < 3; ++dot)
        canvas.circle(70.0f + dot * 18.0f, 32.0f, 5.0f, withAlpha(cream, 1.0f - dot * 0.25f));
    return canvas;
}

// A telephone struck through: no phone here.
KaCanvas noPhoneIcon()
{
    KaCanvas canvas(64, 86);
    canvas.roundedRect(13, 5, 51, 81, 7, navy);
    canvas.roundedRect(15, 7, 49, 79, 6, cream);
    canvas.roundedRect(19, 15, 45, 63, 3, navy);
    canvas.circle(32, 71, 4, navy);
    canvas.line(8, 78, 56, 10, 10, navy);
    canvas.line(8, 78, 56, 10, 6, alarm);
    return canvas;
}

// The studio's mark: a keyhole inside rings, on a night-blue ground.
KaCanvas studioSplash()
{
    KaCanvas canvas(1280, 720);
    canvas.verticalGradient(navy, ink);
    canvas.glow(640, 300, 420, withAlpha(amber, 0.35f));
    canvas.ring(640, 300, 150, 158, withAlpha(amber, 0.9f));
    canvas.ring(640, 300, 126, 130, withAlpha(cream, 0.6f));
    canvas.circle(640, 270, 42, cream);
    canvas.polygon({ 612, 290, 668, 290, 690, 390, 590, 390 }, cream);
    canvas.roundedRect(440, 520, 840, 524, 2, withAlpha(amber, 0.8f));
    return canvas;
}

// The engine's notice: three overlapping discs, light on a sea-green ground.
KaCanvas engineSplash()
{
    KaCanvas canvas(1280, 720);
    canvas.verticalGradient(Color { 0.05f, 0.20f, 0.22f, 1.0f }, ink);
    canvas.glow(640, 300, 380, withAlpha(teal, 0.4f));
    const float r = 70;
    for (int k = 0; k < 3; ++k) {
        const float angle = -pi / 2 + k * 2 * pi / 3;
        const Color colors[3] = { teal, amber, cream };
        canvas.circle(640 + 48 * std::cos(angle), 300 + 48 * std::sin(angle), r, withAlpha(colors[k], 0.7f));
    }
    canvas.ring(640, 300, 150, 154, withAlpha(cream, 0.5f));
    return canvas;
}

// The in-game button that opens the belongings: a satchel with its flap
// and buckle, on a navy disc.
KaCanvas satchelIcon()
{
    KaCanvas canvas(128, 128);
    canvas.circle(64, 64, 60, withAlpha(navy, 0.85f));
    canvas.ring(64, 64, 56, 60, withAlpha(cream, 0.8f));
    canvas.line(40, 52, 64, 26, 7, amber);
    canvas.line(88, 52, 64, 26, 7, amber);
    canvas.roundedRect(30, 48, 98, 98, 10, amber);
    canvas.roundedRect(30, 48, 98, 72, 10, Color { 0.78f, 0.55f, 0.20f, 1.0f });
    canvas.roundedRect(58, 64, 70, 80, 3, cream);
    canvas.roundedRect(61, 68, 67, 76, 2, navy);
    return canvas;
}

// The markers switch: an eye, open (markers shown) or struck through.
KaCanvas eyeIcon(bool open)
{
    KaCanvas canvas(96, 96);
    canvas.circle(48, 48, 44, withAlpha(navy, 0.85f));
    canvas.shape(
        [](float x, float y) {
            const float dx = (x - 48) / 30, dy = (y - 48) / 16;
            return dx * dx + dy * dy <= 1;
        },
        cream);
    canvas.circle(48, 48, 11, teal);
    canvas.circle(48, 48, 5, ink);
    if (!open) {
        canvas.line(22, 74, 74, 22, 9, navy);
        canvas.line(22, 74, 74, 22, 5, alarm);
    }
    return canvas;
}

KaCanvas eyeOpenIcon() { return eyeIcon(true); }
KaCanvas eyeClosedIcon() { return eyeIcon(false); }

// Skips a movie: two chevrons pointing on.
KaCanvas skipIcon()
{
    KaCanvas canvas(128, 64);
    canvas.roundedRect(2, 2, 126, 62, 14, withAlpha(navy, 0.85f));
    canvas.polygon({ 38, 14, 64, 32, 38, 50 }, cream);
    canvas.polygon({ 64, 14, 90, 32, 64, 50 }, cream);
    return canvas;
}

const KaPicture pictures[] = {
    { "pictures/cursor.png", cursor },
    { "pictures/Main.png", handCursor },
    { "pictures/F000.png", exitCursor<0> },
    { "pictures/F045.png", exitCursor<45> },
    { "pictures/F090.png", exitCursor<90> },
    { "pictures/F135.png", exitCursor<135> },
    { "pictures/F180.png", exitCursor<180> },
    { "pictures/F225.png", exitCursor<225> },
    { "pictures/F270.png", exitCursor<270> },
    { "pictures/F315.png", exitCursor<315> },
    { "pictures/Marker.png", sceneMarker },
    { "pictures/black64x64.png", black },
    { "pictures/white64x64.png", white },
    { "menus/inGame/autosave_icon.png", autosaveIcon },
    { "menus/inGame/NoCel.png", noPhoneIcon },
    { "menus/inGame/satchel.png", satchelIcon },
    { "menus/inGame/markersOn.png", eyeOpenIcon },
    { "menus/inGame/markersOff.png", eyeClosedIcon },
    { "menus/inGame/skip.png", skipIcon },
    { "menus/splashes/studio.png", studioSplash },
    { "menus/splashes/engine.png", engineSplash },
};

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    int failures = KaPaintPictures(root, pictures);
    failures += paintInventoryPictures(root);
    if (!KaPaintDocumentPictures(root))
        ++failures;
    failures += paintNoticePictures(root);
    failures += paintBonusPictures(root);
    failures += paintMenuPictures(root);
    failures += paintLoadingMenuPictures(root);
    return failures ? 1 : 0;
}
