#include "tools/characters/KaCharacterFigure.h"

#include <algorithm>
#include <cmath>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/scene/KaModel.h"

namespace {

typedef KaCanvas::Color Color;
typedef KaCharacterRig R;

const int textureSide = 256;

struct Rect {
    float x0, y0, x1, y1;
};

const Rect regions[KaCharacterFigure::RegionCount] = {
    { 0, 0, 64, 64 }, // CoatFront
    { 64, 0, 96, 64 }, // Coat
    { 96, 0, 112, 64 }, // CoatInside
    { 112, 0, 144, 64 }, // SkirtFront
    { 144, 0, 176, 64 }, // Sleeve
    { 176, 0, 208, 64 }, // Cuff
    { 208, 0, 240, 64 }, // Trousers
    { 0, 64, 32, 128 }, // Calf
    { 32, 64, 64, 128 }, // Boot
    { 240, 0, 256, 64 }, // Skin
    { 64, 64, 128, 128 }, // Face
    { 128, 64, 160, 128 }, // HeadSide
    { 160, 64, 192, 128 }, // Hair
    { 192, 64, 224, 128 }, // HairFront
    { 224, 64, 256, 128 }, // Scarf
    { 0, 128, 64, 192 }, // CapFront
    { 64, 128, 96, 144 }, // CapBrim
    { 96, 128, 160, 192 }, // Beard
    { 160, 128, 224, 144 }, // EyesOpen
    { 160, 144, 224, 160 }, // EyesClosed
    { 224, 128, 256, 144 }, // MouthClosed
    { 224, 144, 256, 160 }, // MouthOpen
};

// Where the boots end on the calf, as a share of the calf's height.
const float bootShare = 0.42f;
// From the head bone to the top of the hair or the cap.
const float crownAboveHead = 21.0f;
// The face quads stand this far in front of what they lie on.
const float faceOffset = 0.06f;

Color shade(const Color& c, float factor)
{
    return Color { std::min(1.0f, c.r * factor), std::min(1.0f, c.g * factor), std::min(1.0f, c.b * factor), c.a };
}

Color mix(const Color& a, const Color& b, float t)
{
    return Color { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t };
}

void fillRegion(KaCanvas& canvas, KaCharacterFigure::Region region, const Color& color)
{
    const Rect& r = regions[region];
    canvas.roundedRect(r.x0, r.y0, r.x1, r.y1, 0.0f, color);
}

// Darker towards the left and right edges: a box's faces read as rounded.
void edgeShade(KaCanvas& canvas, KaCharacterFigure::Region region, const Color& color)
{
    const Rect& r = regions[region];
    const float w = r.x1 - r.x0;
    for (int i = 0; i < 4; ++i) {
        const Color dark = shade(color, 0.93f - 0.02f * i);
        canvas.roundedRect(r.x0, r.y0, r.x0 + w * 0.06f * (4 - i), r.y1, 0.0f, dark);
        canvas.roundedRect(r.x1 - w * 0.06f * (4 - i), r.y0, r.x1, r.y1, 0.0f, dark);
    }
}

void eye(KaCanvas& canvas, float cx, float cy, const Color& iris, bool open, const Color& skin)
{
    if (!open) {
        canvas.line(cx - 6, cy + 1, cx + 6, cy + 1, 1.6f, shade(skin, 0.45f));
        return;
    }
    canvas.shape([=](float x, float y) { return (x - cx) * (x - cx) / 49.0f + (y - cy) * (y - cy) / 12.0f <= 1.0f; },
        Color { 0.97f, 0.96f, 0.93f, 1.0f });
    canvas.circle(cx, cy, 3.2f, iris);
    canvas.circle(cx, cy, 1.5f, Color { 0.05f, 0.05f, 0.07f, 1.0f });
    canvas.circle(cx + 1.0f, cy - 1.0f, 0.7f, Color { 1, 1, 1, 1 });
}

} // namespace

KaCharacterFigure::KaCharacterFigure(const KaCharacterRig& rig, const Look& look)
    : mRig(rig)
    , mLook(look)
{
}

KaCanvas KaCharacterFigure::paint() const
{
    const Look& l = mLook;
    KaCanvas canvas(textureSide, textureSide);
    canvas.fill(l.skin);

    // Coat: a front with lapels, a row of buttons and a breast pocket.
    const Rect& front = regions[CoatFront];
    fillRegion(canvas, CoatFront, l.coat);
    edgeShade(canvas, CoatFront, l.coat);
    canvas.polygon({ front.x0 + 14, front.y0, front.x0 + 32, front.y0 + 26, front.x0 + 24, front.y0 },
        shade(l.coat, 1.25f));
    canvas.polygon({ front.x1 - 14, front.y0, front.x1 - 32, front.y0 + 26, front.x1 - 24, front.y0 },
        shade(l.coat, 1.25f));
    canvas.line(front.x0 + 32, front.y0 + 26, front.x0 + 32, front.y1, 1.2f, shade(l.coat, 0.55f));
    for (int b = 0; b < 3; ++b) {
        canvas.circle(front.x0 + 37, front.y0 + 34 + 10 * b, 2.4f, l.trim);
        canvas.circle(front.x0 + 36.4f, front.y0 + 33.4f + 10 * b, 0.9f, shade(l.trim, 1.3f));
    }
    canvas.line(front.x0 + 8, front.y0 + 24, front.x0 + 20, front.y0 + 24, 1.5f, shade(l.coat, 0.7f));

    fillRegion(canvas, Coat, l.coat);
    edgeShade(canvas, Coat, l.coat);
    fillRegion(canvas, CoatInside, shade(l.coat, 0.55f));

    const Rect& skirt = regions[SkirtFront];
    fillRegion(canvas, SkirtFront, l.coat);
    canvas.roundedRect(skirt.x0, skirt.y0, skirt.x0 + 2, skirt.y1, 0.0f, shade(l.coat, 0.55f));
    canvas.circle(skirt.x0 + 5, skirt.y0 + 8, 2.4f, l.trim);
    canvas.line(skirt.x0 + 10, skirt.y0 + 26, skirt.x1 - 6, skirt.y0 + 26, 1.5f, shade(l.coat, 0.7f));
    canvas.roundedRect(skirt.x0, skirt.y1 - 3, skirt.x1, skirt.y1, 0.0f, shade(l.coat, 0.8f));

    // Sleeves, the forearms' with the cuff's two bands.
    fillRegion(canvas, Sleeve, l.coat);
    edgeShade(canvas, Sleeve, l.coat);
    const Rect& cuff = regions[Cuff];
    fillRegion(canvas, Cuff, l.coat);
    edgeShade(canvas, Cuff, l.coat);
    canvas.roundedRect(cuff.x0, cuff.y1 - 12, cuff.x1, cuff.y1 - 7, 0.0f, l.trim);
    canvas.roundedRect(cuff.x0, cuff.y1 - 17, cuff.x1, cuff.y1 - 15, 0.0f, l.trim);

    const Rect& trousers = regions[Trousers];
    fillRegion(canvas, Trousers, l.trousers);
    edgeShade(canvas, Trousers, l.trousers);
    canvas.line(trousers.x0 + 16, trousers.y0, trousers.x0 + 16, trousers.y1, 0.8f, shade(l.trousers, 0.8f));

    // The calf: trousers above, the boot's leg below.
    const Rect& calf = regions[Calf];
    const float bootTop = calf.y1 - (calf.y1 - calf.y0) * bootShare;
    fillRegion(canvas, Calf, l.trousers);
    edgeShade(canvas, Calf, l.trousers);
    canvas.roundedRect(calf.x0, bootTop, calf.x1, calf.y1, 0.0f, l.boots);
    canvas.roundedRect(calf.x0, bootTop, calf.x1, bootTop + 2, 0.0f, shade(l.boots, 1.4f));

    const Rect& boot = regions[Boot];
    fillRegion(canvas, Boot, l.boots);
    canvas.roundedRect(boot.x0, boot.y1 - 10, boot.x1, boot.y1, 0.0f, shade(l.boots, 0.5f));
    canvas.line(boot.x0 + 6, boot.y0 + 20, boot.x1 - 6, boot.y0 + 20, 1.0f, shade(l.boots, 1.3f));

    fillRegion(canvas, Skin, l.skin);

    // The face: a nose and cheeks; eyes and mouth are meshes of their own.
    const Rect& face = regions[Face];
    fillRegion(canvas, Face, l.skin);
    canvas.polygon({ face.x0 + 32, face.y0 + 28, face.x0 + 28, face.y0 + 46, face.x0 + 36, face.y0 + 46 },
        shade(l.skin, 0.85f));
    canvas.glow(face.x0 + 16, face.y0 + 44, 7, mix(l.skin, Color { 0.9f, 0.45f, 0.45f, 1.0f }, 0.35f));
    canvas.glow(face.x0 + 48, face.y0 + 44, 7, mix(l.skin, Color { 0.9f, 0.45f, 0.45f, 1.0f }, 0.35f));
    if (l.headwear == Ponytail)
        canvas.roundedRect(face.x0, face.y0, face.x1, face.y0 + 6, 0.0f, l.hair);

    const Rect& side = regions[HeadSide];
    fillRegion(canvas, HeadSide, l.skin);
    canvas.roundedRect(side.x0, side.y0, side.x1, side.y0 + 14, 0.0f, l.hair);
    canvas.roundedRect(side.x0 + 11, side.y0 + 24, side.x0 + 21, side.y0 + 42, 4.0f, shade(l.skin, 0.85f));

    const Rect& hair = regions[Hair];
    fillRegion(canvas, Hair, l.hair);
    for (int s = 0; s < 6; ++s) {
        const float x = hair.x0 + 3 + 5 * s;
        canvas.line(x, hair.y0, x + 2, hair.y1, 0.8f, shade(l.hair, 1.25f));
    }
    const Rect& fringe = regions[HairFront];
    fillRegion(canvas, HairFront, l.hair);
    for (int s = 0; s < 6; ++s) {
        const float x = fringe.x0 + 3 + 5 * s;
        canvas.line(x, fringe.y0, x - 2, fringe.y1, 0.8f, shade(l.hair, 1.25f));
    }

    const Rect& scarf = regions[Scarf];
    fillRegion(canvas, Scarf, l.scarf);
    for (int s = 0; s < 2; ++s) {
        const float y = scarf.y0 + 18 + 26 * s;
        canvas.roundedRect(scarf.x0, y, scarf.x1, y + 5, 0.0f, shade(l.scarf, 0.72f));
    }

    // The harbour's badge, an anchor, on the cap.
    const Rect& capFront = regions[CapFront];
    fillRegion(canvas, CapFront, l.coat);
    const float ax = capFront.x0 + 32;
    const float ay = capFront.y0 + 30;
    canvas.circle(ax, ay, 11, l.trim);
    canvas.circle(ax, ay, 9, l.coat);
    canvas.line(ax, ay - 6, ax, ay + 6, 1.6f, l.trim);
    canvas.line(ax - 5, ay - 3, ax + 5, ay - 3, 1.4f, l.trim);
    canvas.line(ax - 5, ay + 3, ax, ay + 6, 1.4f, l.trim);
    canvas.line(ax + 5, ay + 3, ax, ay + 6, 1.4f, l.trim);
    canvas.roundedRect(capFront.x0, capFront.y1 - 14, capFront.x1, capFront.y1 - 9, 0.0f, l.trim);
    fillRegion(canvas, CapBrim, shade(l.coat, 0.5f));

    const Rect& beard = regions[Beard];
    fillRegion(canvas, Beard, l.hair);
    for (int s = 0; s < 10; ++s) {
        const float x = beard.x0 + 4 + 6 * s;
        canvas.line(x, beard.y0 + 4, x + 1, beard.y1 - 4, 0.9f, shade(l.hair, 0.82f));
    }

    // Eyes open and closed, with brows; mouths closed and open.
    const Color brow = shade(l.hair, l.beard ? 0.9f : 0.7f);
    for (int open = 0; open < 2; ++open) {
        const Rect& r = regions[open ? EyesOpen : EyesClosed];
        canvas.roundedRect(r.x0, r.y0, r.x1, r.y1, 0.0f, l.skin);
        for (int e = 0; e < 2; ++e) {
            const float cx = r.x0 + 16 + 32 * e;
            eye(canvas, cx, r.y0 + 9, l.eyes, open != 0, l.skin);
            canvas.line(cx - 7, r.y0 + 3, cx + 6, r.y0 + 2, l.beard ? 2.4f : 1.5f, brow);
        }
    }
    const Color lips = mix(l.skin, Color { 0.55f, 0.12f, 0.12f, 1.0f }, 0.6f);
    const Rect& closed = regions[MouthClosed];
    canvas.roundedRect(closed.x0, closed.y0, closed.x1, closed.y1, 0.0f, l.skin);
    canvas.line(closed.x0 + 7, closed.y0 + 8, closed.x1 - 7, closed.y0 + 8, 1.8f, lips);
    const Rect& opened = regions[MouthOpen];
    canvas.roundedRect(opened.x0, opened.y0, opened.x1, opened.y1, 0.0f, l.skin);
    canvas.roundedRect(opened.x0 + 8, opened.y0 + 4, opened.x1 - 8, opened.y1 - 4, 4.0f, lips);
    canvas.roundedRect(opened.x0 + 10, opened.y0 + 6, opened.x1 - 10, opened.y1 - 6, 3.0f,
        Color { 0.25f, 0.05f, 0.06f, 1.0f });
    return canvas;
}

float KaCharacterFigure::height() const
{
    // Hair or cap included.
    return mRig.restPosition(R::Head).y + crownAboveHead;
}

std::vector<KaCharacterFigure::Block> KaCharacterFigure::blocks() const
{
    const KaCharacterRig::Proportions& p = mRig.proportions();
    const float ankle = mRig.ankleHeight();
    const float knee = ankle + p.calf;
    const float hip = p.hipHeight;
    const float waist = mRig.restPosition(R::Spine).y;
    const float shoulder = mRig.restPosition(R::LeftUpperArm).y;
    const float neck = mRig.restPosition(R::Neck).y;
    const float head = mRig.restPosition(R::Head).y;
    const float top = height();
    const float elbow = shoulder - p.upperArm;
    const float wrist = elbow - p.forearm;
    const float hw = p.hipHalfWidth;
    const float sw = p.shoulderHalfWidth;
    const float chest = sw - 4.0f;
    const bool cap = mLook.headwear == Cap;
    // Old coats are long.
    const float hem = cap ? knee + 14.0f : knee + 22.0f;

    std::vector<Block> list;
    auto add = [&list](KaVector3f32 b, float bx, float bz, KaVector3f32 t, float tx, float tz,
                   std::vector<Influence> lower, std::vector<Influence> upper, Region front, Region back, Region sides,
                   Region capRegion, Region base, bool mirror = false) {
        list.push_back(Block { b, bx, bz, t, tx, tz, lower, upper, front, back, sides, capRegion, base, mirror });
    };
    for (int s = 0; s < 2; ++s) {
        const bool left = s == 0;
        const float x = left ? hw : -hw;
        const R::Bone footBone = left ? R::LeftFoot : R::RightFoot;
        const R::Bone calfBone = left ? R::LeftCalf : R::RightCalf;
        const R::Bone thighBone = left ? R::LeftThigh : R::RightThigh;
        const float toe = p.footLength;
        add(KaVector3f32(x, 0, (toe - 5.0f) / 2), 4.6f, (toe + 5.0f) / 2, KaVector3f32(x, ankle + 2, (toe - 8.0f) / 2),
            4.2f, (toe + 2.0f) / 2, { { footBone, 1 } }, { { footBone, 1 } }, Boot, Boot, Boot, Boot, Boot);
        add(KaVector3f32(x, ankle, 0), 4.6f, 5.0f, KaVector3f32(x, knee + 2, 0), 6.0f, 6.4f, { { calfBone, 1 } },
            { { calfBone, 1 } }, Calf, Calf, Calf, Trousers, Boot);
        add(KaVector3f32(x, knee - 2, 0), 6.0f, 6.4f, KaVector3f32(x, hip + 1, 0), 7.6f, 8.0f, { { thighBone, 1 } },
            { { thighBone, 1 } }, Trousers, Trousers, Trousers, Trousers, Trousers);
        // The coat's skirt, one half a leg, its hem following the thigh.
        const float outer = left ? 1.0f : -1.0f;
        const float flare = chest + 1.5f;
        add(KaVector3f32(outer * flare / 2, hem, 0), flare / 2, 12.0f, KaVector3f32(outer * (chest - 1) / 2, waist + 1, 0),
            (chest - 1) / 2, 10.6f, { { R::Pelvis, 0.4f }, { thighBone, 0.6f } }, { { R::Pelvis, 1 } }, SkirtFront, Coat,
            Coat, CoatInside, CoatInside, !left);

        const float ax = left ? sw : -sw;
        const R::Bone upperBone = left ? R::LeftUpperArm : R::RightUpperArm;
        const R::Bone foreBone = left ? R::LeftForearm : R::RightForearm;
        add(KaVector3f32(ax, elbow - 1, 0), 4.2f, 4.5f, KaVector3f32(ax, shoulder + 3, 0), 5.0f, 5.2f,
            { { upperBone, 1 } }, { { upperBone, 1 } }, Sleeve, Sleeve, Sleeve, Coat, Sleeve);
        add(KaVector3f32(ax, wrist, 0), 3.6f, 4.0f, KaVector3f32(ax, elbow + 1, 0), 4.2f, 4.5f, { { foreBone, 1 } },
            { { foreBone, 1 } }, Cuff, Cuff, Cuff, Sleeve, CoatInside);
        add(KaVector3f32(ax, wrist - 10, 0.5f), 1.8f, 3.0f, KaVector3f32(ax, wrist + 1, 0), 2.2f, 3.4f,
            { { foreBone, 1 } }, { { foreBone, 1 } }, Skin, Skin, Skin, Skin, Skin);
    }
    // Torso: the waist blends pelvis and spine.
    add(KaVector3f32(0, waist - 1, 0), chest - 1.5f, 10.6f, KaVector3f32(0, shoulder + 4, 0), chest + 1.5f, 10.0f,
        { { R::Pelvis, 0.5f }, { R::Spine, 0.5f } }, { { R::Spine, 1 } }, CoatFront, Coat, Coat, Coat, CoatInside);
    add(KaVector3f32(0, shoulder - 1, 0), 10.0f, 9.2f, KaVector3f32(0, neck + 6, 0), 10.0f, 9.2f, { { R::Spine, 1 } },
        { { R::Neck, 1 } }, Scarf, Scarf, Scarf, Scarf, Scarf);
    if (mLook.scarfTail)
        add(KaVector3f32(7, shoulder - 26, 11.6f), 3.0f, 1.0f, KaVector3f32(7, shoulder, 11.4f), 3.0f, 1.0f,
            { { R::Spine, 1 } }, { { R::Spine, 1 } }, Scarf, Scarf, Scarf, Scarf, Scarf);
    add(KaVector3f32(0, neck - 1, 0), 4.5f, 4.5f, KaVector3f32(0, head + 2, 0), 4.5f, 4.5f, { { R::Neck, 1 } },
        { { R::Neck, 1 } }, Skin, Skin, Skin, Skin, Skin);
    // Head: narrower at the jaw.
    const float crown = cap ? top - 5.0f : top - 3.0f;
    add(KaVector3f32(0, head, 0), 7.2f, 9.0f, KaVector3f32(0, crown, 0), 8.5f, 9.0f, { { R::Head, 1 } },
        { { R::Head, 1 } }, Face, Hair, HeadSide, Hair, Skin);
    if (cap) {
        add(KaVector3f32(0, top - 7, 0), 9.6f, 10.2f, KaVector3f32(0, top, -0.5f), 9.2f, 9.8f, { { R::Head, 1 } },
            { { R::Head, 1 } }, CapFront, CapFront, CapFront, CapBrim, CapBrim);
        add(KaVector3f32(0, top - 7, 13.0f), 8.6f, 3.2f, KaVector3f32(0, top - 5.6f, 13.0f), 8.6f, 3.2f,
            { { R::Head, 1 } }, { { R::Head, 1 } }, CapBrim, CapBrim, CapBrim, CapBrim, CapBrim);
    } else {
        add(KaVector3f32(0, crown - 2, -0.4f), 9.2f, 9.8f, KaVector3f32(0, top, -0.6f), 8.6f, 9.2f, { { R::Head, 1 } },
            { { R::Head, 1 } }, HairFront, Hair, Hair, Hair, Hair);
        add(KaVector3f32(0, head + 1, -8.0f), 9.1f, 2.2f, KaVector3f32(0, crown, -8.0f), 9.3f, 2.2f,
            { { R::Head, 1 } }, { { R::Head, 1 } }, Hair, Hair, Hair, Hair, Hair);
        add(KaVector3f32(0, head - 4, -11.6f), 2.2f, 2.0f, KaVector3f32(0, head + 12, -11.4f), 3.2f, 2.4f,
            { { R::Head, 1 } }, { { R::Head, 1 } }, Hair, Hair, Hair, Hair, Hair);
    }
    if (mLook.beard)
        add(KaVector3f32(0, head - 0.5f, 9.6f), 7.4f, 1.4f, KaVector3f32(0, head + 7.5f, 9.4f), 8.2f, 1.2f,
            { { R::Head, 1 } }, { { R::Head, 1 } }, Beard, Beard, Beard, Beard, Beard);
    return list;
}

struct KaCharacterFigure::Geometry {
    std::vector<KaVector3f32> positions;
    std::vector<KaVector3f32> normals;
    std::vector<KaVector2f32> uvs;
    std::vector<unsigned int> matrices;
    std::vector<unsigned int> indices;

    // Corners in counter-clockwise order seen from outside, from the
    // region's bottom left.
    void quad(const KaVector3f32 (&corners)[4], const unsigned int (&matrix)[4], KaCharacterFigure::Region region,
        bool mirror)
    {
        const Rect& r = regions[region];
        // Half a pixel in, so that filtering never reaches the neighbour.
        const float u0 = (r.x0 + 0.5f) / textureSide;
        const float u1 = (r.x1 - 0.5f) / textureSide;
        const float v0 = 1.0f - (r.y1 - 0.5f) / textureSide;
        const float v1 = 1.0f - (r.y0 + 0.5f) / textureSide;
        const KaVector2f32 uv[4] = { KaVector2f32(mirror ? u1 : u0, v0), KaVector2f32(mirror ? u0 : u1, v0),
            KaVector2f32(mirror ? u0 : u1, v1), KaVector2f32(mirror ? u1 : u0, v1) };
        KaVector3f32 normal = (corners[1] - corners[0]).crossProduct(corners[3] - corners[0]);
        normal.normalize();
        const unsigned int first = static_cast<unsigned int>(positions.size());
        for (int k = 0; k < 4; ++k) {
            positions.push_back(corners[k]);
            normals.push_back(normal);
            uvs.push_back(uv[k]);
            matrices.push_back(matrix[k]);
        }
        for (unsigned int k : { 0u, 1u, 2u, 0u, 2u, 3u })
            indices.push_back(first + k);
    }

    void fill(KaMesh& mesh, const KaString& name, const KaMaterial& material) const
    {
        mesh.setConf(positions.size(), indices.size(), KaMesh::TRIANGLES, 1, 0);
        mesh.setName(name);
        for (size_t v = 0; v < positions.size(); ++v) {
            mesh.setVertex(v, positions[v]);
            mesh.setNormal(v, normals[v]);
            mesh.setTextureUV(v, uvs[v]);
            mesh.matrixIndex(v, matrices[v]);
        }
        for (size_t i = 0; i < indices.size(); ++i)
            mesh.setIndex(i, indices[i]);
        mesh.attachMaterial(0, material);
        mesh.facesPerMaterial(0, static_cast<unsigned int>(indices.size() / 3));
    }
};

void KaCharacterFigure::addBlock(Geometry& geometry, const Block& block, KaModel& model) const
{
    auto matrixFor = [&model](const std::vector<Influence>& influences) -> unsigned int {
        if (influences.size() == 1 && influences[0].weight == 1.0f)
            return influences[0].bone;
        KaArray<KaModel::weightElement> list;
        for (const Influence& i : influences)
            list.pushBack(KaModel::weightElement { i.weight, static_cast<uint16_t>(i.bone) });
        return static_cast<unsigned int>(R::BoneCount + model.findOrAddWeights(list));
    };
    const unsigned int lower = matrixFor(block.lower);
    const unsigned int upper = matrixFor(block.upper);
    // Corner (sx, level, sz): sx and sz are -1 or +1, level 0 bottom, 1 top.
    auto corner = [&block](int sx, int level, int sz) {
        const KaVector3f32& c = level ? block.top : block.bottom;
        const float hx = level ? block.topHalfX : block.bottomHalfX;
        const float hz = level ? block.topHalfZ : block.bottomHalfZ;
        return KaVector3f32(c.x + sx * hx, c.y, c.z + sz * hz);
    };
    struct Side {
        int c[4][3];
        Region Block::*region;
        bool mirror;
    };
    const Side sides[6] = {
        { { { -1, 0, 1 }, { 1, 0, 1 }, { 1, 1, 1 }, { -1, 1, 1 } }, &Block::front, block.mirrorFront },
        { { { 1, 0, -1 }, { -1, 0, -1 }, { -1, 1, -1 }, { 1, 1, -1 } }, &Block::back, false },
        { { { 1, 0, 1 }, { 1, 0, -1 }, { 1, 1, -1 }, { 1, 1, 1 } }, &Block::sides, false },
        { { { -1, 0, -1 }, { -1, 0, 1 }, { -1, 1, 1 }, { -1, 1, -1 } }, &Block::sides, false },
        { { { -1, 1, 1 }, { 1, 1, 1 }, { 1, 1, -1 }, { -1, 1, -1 } }, &Block::cap, false },
        { { { -1, 0, -1 }, { 1, 0, -1 }, { 1, 0, 1 }, { -1, 0, 1 } }, &Block::base, false },
    };
    for (const Side& side : sides) {
        KaVector3f32 corners[4];
        unsigned int matrix[4];
        for (int k = 0; k < 4; ++k) {
            corners[k] = corner(side.c[k][0], side.c[k][1], side.c[k][2]);
            matrix[k] = side.c[k][1] ? upper : lower;
        }
        geometry.quad(corners, matrix, block.*side.region, side.mirror);
    }
}

void KaCharacterFigure::build(KaModel& model, const KaString& name, const KaString& textureFile) const
{
    mRig.addSkeleton(model);

    // The material names its picture by the texture's access name; the
    // texture itself is never uploaded here.
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->setAccessName(Ka3DTexture::accessNameForPath(KaPath(textureFile)));
    KaMaterial material(texture, KaMaterial::OPAQUE);
    // Lit by the scene: the ambient light shows the texture's own colours,
    // the lights shade the sides.
    material.setAmbient(KaColor(255, 255, 255, 255));
    material.setDiffuse(KaColor(255, 255, 255, 255));

    Geometry body;
    for (const Block& block : blocks())
        addBlock(body, block, model);
    KaMesh mesh;
    body.fill(mesh, name + "_Body", material);
    model.addMesh(mesh);

    // The eyes and the mouth: quads just in front of the face, or of the
    // beard, moving with the head.
    const float head = mRig.restPosition(R::Head).y;
    const float faceZ = 9.0f + faceOffset;
    const float mouthZ = (mLook.beard ? 10.8f : 9.0f) + faceOffset;
    struct Feature {
        KaString meshName;
        Region region;
        float x, y0, y1, z;
    };
    const Feature features[4] = {
        { eyesOpenMesh(name), EyesOpen, 6.2f, head + 8.6f, head + 12.0f, faceZ },
        { eyesClosedMesh(name), EyesClosed, 6.2f, head + 8.6f, head + 12.0f, faceZ },
        { mouthClosedMesh(name), MouthClosed, 3.2f, head + 2.4f, head + 4.8f, mouthZ },
        { mouthOpenMesh(name), MouthOpen, 3.2f, head + 2.4f, head + 4.8f, mouthZ },
    };
    for (const Feature& f : features) {
        Geometry quad;
        const KaVector3f32 corners[4] = { KaVector3f32(-f.x, f.y0, f.z), KaVector3f32(f.x, f.y0, f.z),
            KaVector3f32(f.x, f.y1, f.z), KaVector3f32(-f.x, f.y1, f.z) };
        const unsigned int matrix[4] = { R::Head, R::Head, R::Head, R::Head };
        quad.quad(corners, matrix, f.region, false);
        KaMesh featureMesh;
        quad.fill(featureMesh, f.meshName, material);
        model.addMesh(featureMesh);
    }
}
