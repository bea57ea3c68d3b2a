#include "tools/scene/KaRoomPainter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPng.h"
#include "engine/maths/KaMatrix4x4.h"
#include "tools/scene/KaSceneCamera.h"

namespace {

typedef KaVector3f32 V;

const float kInfinity = 1e30f;
// World units are centimetres: half a millimetre keeps a ray that leaves a
// surface from meeting that surface again.
const float kSurfaceOffset = 0.05f;
// Lamps are small spheres rather than points, for shadows that soften a
// little with the distance from what casts them.
const float kLampRadius = 5.0f;
// What a fully glowing surface gives, above the white of the picture so that
// the bloom picks it up.
const float kGlow = 2.2f;

// ---------------------------------------------------------------------------
// Small maths.

inline float length(const V& v) { return std::sqrt(v.squaredLength()); }
inline V normalized(const V& v)
{
    const float l = length(v);
    return l > 0.0f ? v / l : v;
}
inline float clamp01(float x) { return std::min(1.0f, std::max(0.0f, x)); }
inline float mix(float a, float b, float t) { return a + (b - a) * t; }
inline V mix(const V& a, const V& b, float t) { return a + (b - a) * t; }
inline float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline float fract(float x) { return x - std::floor(x); }
inline float component(const V& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }
inline V axisVector(int axis, float value)
{
    return V(axis == 0 ? value : 0.0f, axis == 1 ? value : 0.0f, axis == 2 ? value : 0.0f);
}
inline float luminance(const V& c) { return 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z; }
inline bool finite(const V& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

inline uint32_t hashInt(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
// 0 .. 1 for a lattice point.
inline float hash2(int x, int y)
{
    return static_cast<float>(hashInt(static_cast<uint32_t>(x) * 0x9E3779B1U ^ hashInt(static_cast<uint32_t>(y))))
        / 4294967296.0f;
}
inline float hash3(int x, int y, int z) { return hash2(x, static_cast<int>(hashInt(static_cast<uint32_t>(y)) ^ static_cast<uint32_t>(z))); }

float valueNoise(float x, float y)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    return mix(mix(hash2(ix, iy), hash2(ix + 1, iy), tx), mix(hash2(ix, iy + 1), hash2(ix + 1, iy + 1), tx), ty);
}

// 0 .. 1, three octaves.
float fbm(float x, float y)
{
    return 0.5714f * valueNoise(x, y) + 0.2857f * valueNoise(2.03f * x + 17.1f, 2.03f * y + 3.7f)
        + 0.1429f * valueNoise(4.01f * x + 5.3f, 4.01f * y + 11.9f);
}

// Authors pick colours as they see them; light adds up in linear values.
float toLinear(unsigned char channel) { return std::pow(channel / 255.0f, 2.2f); }
V linear(const KaColor& color) { return V(toLinear(color.r), toLinear(color.g), toLinear(color.b)); }

// ---------------------------------------------------------------------------
// The scene as the workers read it.

enum Pattern { PLAIN, BOARDS, TILES, STRIPES, BRICKS, COBBLES, WATER, SKY, GLASS, PANE, TIDETABLE };

struct Material {
    V base;
    V accent;
    Pattern pattern;
    float scale;
    float gloss;
    float emissive;
    std::string text;
};

struct Primitive {
    bool box;
    bool inside;
    bool castsShadow;
    int material;
    int topMaterial;    // a box's top face
    int bottomMaterial; // and bottom one
    V min, max;       // the box; a quad's bounds
    V corners[4];     // a quad
    V normal;         // a quad's, for the corners' turning order
    V edgeU, edgeV;   // a quad: corner 0 to 1 and 0 to 3
};

struct Light {
    V position;
    V color; // linear, times the intensity
    float range;
    bool shadows;
};

struct Hit {
    float t;
    V normal; // facing the ray
    int primitive;
};

// How a point of a surface looks, before the light.
struct Surface {
    V albedo;
    V normal;
    float gloss;
    float emissive;
    float cavity;    // grooves and mortar: 1 open .. 0 closed
    bool unlit;      // the sky: its colour as it is
    bool reflective; // water and glass mirror what is before them
};

struct Painting {
    std::vector<Material> materials;
    std::vector<Primitive> primitives;
    std::vector<Light> lights;
    V ambient;
    V eye;
    KaMatrix4x4 inverseProjection;
    KaMatrix4x4 world;
    unsigned int width = 0;
    unsigned int height = 0;
};

Pattern patternOf(const KaString& name)
{
    static const struct {
        const char* name;
        Pattern pattern;
    } names[] = { { "plain", PLAIN }, { "boards", BOARDS }, { "tiles", TILES }, { "stripes", STRIPES },
        { "bricks", BRICKS }, { "cobbles", COBBLES }, { "water", WATER }, { "sky", SKY }, { "glass", GLASS },
        { "pane", PANE }, { "tidetable", TIDETABLE } };
    for (const auto& n : names)
        if (name == n.name)
            return n.pattern;
    return PLAIN;
}

Material materialOf(const KaZoneDescription::Material& m)
{
    Material result;
    result.base = linear(m.base);
    result.accent = linear(m.accent);
    result.pattern = patternOf(m.pattern);
    result.scale = std::isfinite(m.scale) && m.scale > 0.0f ? m.scale : 50.0f;
    result.gloss = std::isfinite(m.gloss) ? clamp01(m.gloss) : 0.0f;
    result.emissive = std::isfinite(m.emissive) ? clamp01(m.emissive) : 0.0f;
    result.text = m.text.c_str();
    return result;
}

// The stand-in for a material the zone does not define.
Material fallbackMaterial()
{
    Material result;
    result.base = linear(KaColor(128, 128, 128, 255));
    result.accent = result.base;
    result.pattern = PLAIN;
    result.scale = 50.0f;
    result.gloss = 0.0f;
    result.emissive = 0.0f;
    return result;
}

// Materials are looked up once per shape, and every unknown name is reported
// once.
int materialIndex(const KaZoneDescription& zone, const KaString& name, Painting& painting,
    KaArray<KaString>& names, int& fallback, const KaString& sceneName)
{
    for (unsigned long i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i);
    const KaZoneDescription::Material* m = zone.material(name);
    if (!m) {
        if (fallback < 0) {
            fallback = static_cast<int>(painting.materials.size());
            painting.materials.push_back(fallbackMaterial());
            names.pushBack(KaString());
        }
        KaPrintf("[KaRoomPainter::paint] Unknown material \"%s\" in scene %s, painted plain grey.\n", name.c_str(),
            sceneName.c_str());
        // Remembered as an alias of the stand-in, so the line comes once.
        names.pushBack(name);
        painting.materials.push_back(painting.materials[static_cast<size_t>(fallback)]);
        return static_cast<int>(painting.materials.size()) - 1;
    }
    names.pushBack(name);
    painting.materials.push_back(materialOf(*m));
    return static_cast<int>(painting.materials.size()) - 1;
}

bool addShape(const KaZoneDescription::Shape& shape, const int materials[3], bool lightPasses, Painting& painting)
{
    Primitive p;
    p.inside = shape.inside;
    p.castsShadow = !lightPasses;
    p.material = materials[0];
    p.topMaterial = materials[1];
    p.bottomMaterial = materials[2];
    if (shape.kind == "box") {
        if (!finite(shape.min) || !finite(shape.max))
            return false;
        p.box = true;
        p.min = V(std::min(shape.min.x, shape.max.x), std::min(shape.min.y, shape.max.y),
            std::min(shape.min.z, shape.max.z));
        p.max = V(std::max(shape.min.x, shape.max.x), std::max(shape.min.y, shape.max.y),
            std::max(shape.min.z, shape.max.z));
        painting.primitives.push_back(p);
        return true;
    }
    if (shape.kind != "quad")
        return false;
    p.box = false;
    for (int i = 0; i < 4; ++i) {
        if (!finite(shape.corners[i]))
            return false;
        p.corners[i] = shape.corners[i];
    }
    const V c0 = p.corners[0];
    const V n = (p.corners[1] - c0).crossProduct(p.corners[2] - c0) + (p.corners[2] - c0).crossProduct(p.corners[3] - c0);
    if (!(length(n) > 1e-6f))
        return false;
    p.normal = normalized(n);
    p.edgeU = p.corners[1] - c0;
    p.edgeV = p.corners[3] - c0;
    p.min = p.max = c0;
    for (const V& c : p.corners) {
        p.min = V(std::min(p.min.x, c.x), std::min(p.min.y, c.y), std::min(p.min.z, c.z));
        p.max = V(std::max(p.max.x, c.x), std::max(p.max.y, c.y), std::max(p.max.z, c.z));
    }
    painting.primitives.push_back(p);
    return true;
}

// ---------------------------------------------------------------------------
// Ray casting.

// A box seen from outside is met where the ray enters it; one seen from
// within (a room) where the ray leaves it, so that a camera standing outside a
// room looks in through the walls nearest to it.
bool hitBox(const Primitive& p, const V& o, const V& d, float tMin, float tMax, float& t, V& normal)
{
    float tNear = -kInfinity, tFar = kInfinity;
    int nearAxis = -1, farAxis = -1;
    for (int axis = 0; axis < 3; ++axis) {
        const float oa = component(o, axis), da = component(d, axis);
        const float lo = component(p.min, axis), hi = component(p.max, axis);
        if (std::fabs(da) < 1e-12f) {
            if (oa < lo || oa > hi)
                return false;
            continue;
        }
        float t1 = (lo - oa) / da, t2 = (hi - oa) / da;
        if (t1 > t2)
            std::swap(t1, t2);
        if (t1 > tNear) {
            tNear = t1;
            nearAxis = axis;
        }
        if (t2 < tFar) {
            tFar = t2;
            farAxis = axis;
        }
    }
    if (tNear > tFar)
        return false;
    const float hitT = p.inside ? tFar : tNear;
    const int axis = p.inside ? farAxis : nearAxis;
    if (axis < 0 || !(hitT > tMin && hitT < tMax))
        return false;
    t = hitT;
    normal = axisVector(axis, component(d, axis) > 0.0f ? -1.0f : 1.0f);
    return true;
}

bool hitQuad(const Primitive& p, const V& o, const V& d, float tMin, float tMax, float& t, V& normal)
{
    const float denominator = d.dotProduct(p.normal);
    if (std::fabs(denominator) < 1e-9f)
        return false;
    const float hitT = (p.corners[0] - o).dotProduct(p.normal) / denominator;
    if (!(hitT > tMin && hitT < tMax))
        return false;
    const V point = o + d * hitT;
    for (int i = 0; i < 4; ++i) {
        const V& a = p.corners[i];
        const V& b = p.corners[(i + 1) % 4];
        if ((b - a).crossProduct(point - a).dotProduct(p.normal) < 0.0f)
            return false;
    }
    t = hitT;
    normal = denominator < 0.0f ? p.normal : -p.normal;
    return true;
}

bool hitPrimitive(const Primitive& p, const V& o, const V& d, float tMin, float tMax, float& t, V& normal)
{
    return p.box ? hitBox(p, o, d, tMin, tMax, t, normal) : hitQuad(p, o, d, tMin, tMax, t, normal);
}

bool trace(const Painting& painting, const V& o, const V& d, Hit& hit)
{
    hit.t = kInfinity;
    hit.primitive = -1;
    for (size_t i = 0; i < painting.primitives.size(); ++i) {
        float t;
        V normal;
        if (hitPrimitive(painting.primitives[i], o, d, 0.0f, hit.t, t, normal)) {
            hit.t = t;
            hit.normal = normal;
            hit.primitive = static_cast<int>(i);
        }
    }
    return hit.primitive >= 0;
}

bool occluded(const Painting& painting, const V& o, const V& d, float distance)
{
    for (const Primitive& p : painting.primitives) {
        float t;
        V normal;
        if (p.castsShadow && hitPrimitive(p, o, d, 0.0f, distance, t, normal))
            return true;
    }
    return false;
}

// Distance to the nearest box surface, for the occlusion estimate. Quads are
// left out: they are windows, water and backdrops that lie on something else.
float boxDistance(const Painting& painting, const V& q)
{
    float best = kInfinity;
    for (const Primitive& p : painting.primitives) {
        if (!p.box || !p.castsShadow)
            continue;
        const V lo = q - p.max, hi = p.min - q;
        const V outside(std::max(lo.x, hi.x), std::max(lo.y, hi.y), std::max(lo.z, hi.z));
        const float largest = std::max(outside.x, std::max(outside.y, outside.z));
        float distance;
        if (p.inside)
            distance = std::fabs(largest);
        else if (largest <= 0.0f)
            distance = 0.0f;
        else
            distance = length(V(std::max(outside.x, 0.0f), std::max(outside.y, 0.0f), std::max(outside.z, 0.0f)));
        best = std::min(best, distance);
    }
    return best;
}

// 1 in the open, less in corners and under things: how much nearer than
// expected the boxes come when stepping away from the surface.
float occlusion(const Painting& painting, const V& point, const V& normal)
{
    static const float steps[3] = { 4.0f, 10.0f, 22.0f };
    static const float weights[3] = { 0.5f, 0.3f, 0.2f };
    float occluded = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float distance = boxDistance(painting, point + normal * steps[i]);
        occluded += weights[i] * clamp01((steps[i] - distance) / steps[i]);
    }
    return 1.0f - 0.75f * clamp01(occluded);
}

// ---------------------------------------------------------------------------
// Patterns.

V duskSky(const V& direction, const V& zenith, const V& horizon)
{
    // The glow of the set sun keeps to a band low over the horizon.
    const float up = clamp01(direction.y * 5.0f + 0.03f);
    V color = mix(horizon, zenith, std::sqrt(up));
    color += horizon * (0.3f * std::exp(-std::fabs(direction.y) * 60.0f));
    // Stars, only high up where the dusk has gone dark.
    if (direction.y > 0.25f) {
        const float scale = 220.0f;
        const int cx = static_cast<int>(std::floor(direction.x * scale));
        const int cy = static_cast<int>(std::floor(direction.y * scale));
        const int cz = static_cast<int>(std::floor(direction.z * scale));
        const float h = hash3(cx, cy, cz);
        if (h > 0.9965f)
            color += V(0.6f, 0.58f, 0.5f) * ((h - 0.9965f) / 0.0035f) * smoothstep(0.25f, 0.6f, direction.y);
    }
    return color;
}

V defaultSky(const V& direction)
{
    return duskSky(direction, linear(KaColor(15, 26, 46, 255)), linear(KaColor(150, 92, 60, 255)));
}

// Running bond: rows of bricks (or boards) whose ends shift from row to row.
struct Bond {
    float along;  // 0 .. 1 across the length of the piece
    float across; // 0 .. 1 across its height
    float id;     // 0 .. 1, one value per piece
};

Bond bond(float a, float b, float length, float height, bool halfShift)
{
    const float row = std::floor(b / height);
    const int r = static_cast<int>(row);
    const float shift = halfShift ? (r % 2 == 0 ? 0.0f : 0.5f) : hash2(r, 91);
    const float col = std::floor(a / length + shift);
    return Bond { fract(a / length + shift), fract(b / height), hash2(static_cast<int>(col), r) };
}

// Where a point lies on a quad: fu along its first edge, fv along its last
// one (0 .. 1 across it), and the lengths of those edges.
void quadPlace(const Primitive& quad, const V& point, float& fu, float& fv, float& width, float& height)
{
    const V rel = point - quad.corners[0];
    width = length(quad.edgeU);
    height = length(quad.edgeV);
    fu = rel.dotProduct(quad.edgeU) / (width * width);
    fv = rel.dotProduct(quad.edgeV) / (height * height);
}

// Print for what a scene shows written: digits and a colon on a 5 x 7 grid,
// one row of bits a line, the top line first, the leftmost column the
// highest bit.
bool glyphInk(char c, int column, int row)
{
    static const unsigned char digits[10][7] = {
        { 0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E }, { 0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E },
        { 0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F }, { 0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E },
        { 0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02 }, { 0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E },
        { 0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E }, { 0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08 },
        { 0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E }, { 0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C },
    };
    static const unsigned char colon[7] = { 0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00 };
    if (column < 0 || column > 4 || row < 0 || row > 6)
        return false;
    const unsigned char* rows = nullptr;
    if (c >= '0' && c <= '9')
        rows = digits[c - '0'];
    else if (c == ':')
        rows = colon;
    return rows && ((rows[row] >> (4 - column)) & 1);
}

// Whether (x, y) of a line of print is inked: x from its left, y from its
// top, both in grid squares (a character is 5 wide and 7 high, with one
// square between characters).
bool printed(const std::string& text, float x, float y)
{
    if (x < 0.0f || y < 0.0f || y >= 7.0f)
        return false;
    const int cell = static_cast<int>(x / 6.0f);
    if (cell >= static_cast<int>(text.size()))
        return false;
    return glyphInk(text[static_cast<size_t>(cell)], static_cast<int>(x - 6.0f * cell), static_cast<int>(y));
}

// A week's tide table as the harbour office prints it, on a sheet that
// fills the quad (fu across, fv up, 0 .. 1): a heading band in the accent
// colour, the table of high and low water, the tide's curve, and a card
// pinned in the lower corner with the material's text in large print.
V tideTable(const Material& m, float fu, float fv, float width, float height)
{
    const V ink = linear(KaColor(15, 26, 46, 255));
    const V red = linear(KaColor(214, 69, 64, 255));
    const V card = linear(KaColor(252, 250, 244, 255));
    V color = m.base * (0.94f + 0.1f * fbm(fu * 8.0f, fv * 8.0f));
    // Heading: the band, with a wave across it in the paper's colour.
    if (fv > 0.83f && fv < 0.95f && fu > 0.05f && fu < 0.95f) {
        color = m.accent;
        const float wave = 0.89f + 0.025f * std::sin(fu * 6.2831853f * 3.0f);
        if (std::fabs(fv - wave) < 0.008f)
            color = m.base;
    }
    // The table: seven days across, a dark head row, three rows below.
    const float left = 0.05f, right = 0.95f, top = 0.80f, bottom = 0.46f;
    if (fu > left && fu < right && fv > bottom && fv < top) {
        const float cellU = (fu - left) / (right - left) * 7.0f;
        const float cellV = (top - fv) / (top - bottom) * 4.0f;
        if (cellV < 1.0f)
            color = mix(ink, m.accent, 0.25f);
        const float lineU = std::min(fract(cellU), 1.0f - fract(cellU)) * (right - left) / 7.0f * width;
        const float lineV = std::min(fract(cellV), 1.0f - fract(cellV)) * (top - bottom) / 4.0f * height;
        if (std::min(lineU, lineV) < 0.25f)
            color = ink;
        else if (cellV >= 1.0f) {
            // Each day's times, small: "hh:mm".
            static const char* const times[7][3] = {
                { "03:12", "09:25", "15:38" }, { "04:01", "10:14", "16:27" }, { "04:50", "11:03", "17:16" },
                { "05:39", "11:52", "18:05" }, { "06:28", "12:41", "18:54" }, { "07:17", "13:30", "19:43" },
                { "08:06", "14:19", "21:40" } };
            const int day = std::min(6, static_cast<int>(cellU));
            const int row = std::min(2, static_cast<int>(cellV) - 1);
            const float print = (right - left) / 7.0f * width / 34.0f; // a grid square
            const float x = (fract(cellU) * (right - left) / 7.0f * width) / print - 2.5f;
            const float y = (fract(cellV) * (top - bottom) / 4.0f * height) / print - (((top - bottom) / 4.0f * height) / print - 7.0f) * 0.5f;
            if (printed(times[day][row], x, y))
                color = ink;
        }
    }
    // The tide's curve under the table.
    if (fu > left && fu < right && fv > 0.29f && fv < 0.43f) {
        const float curve = 0.36f + 0.055f * std::sin((fu - left) / (right - left) * 6.2831853f * 3.5f);
        if (std::fabs(fv - curve) * height < 0.6f)
            color = m.accent;
        else if (std::fabs(fv - 0.36f) * height < 0.15f)
            color = mix(color, ink, 0.4f);
    }
    // The pinned card with the line of large print, and its pin.
    const float cardLeft = 0.04f, cardRight = 0.96f, cardTop = 0.26f, cardBottom = 0.03f;
    if (fu > cardLeft && fu < cardRight && fv > cardBottom && fv < cardTop) {
        color = card;
        // As large as the card takes it, a little margin all round.
        const float columns = std::max(1.0f, 6.0f * static_cast<float>(m.text.size()) - 1.0f);
        const float square = std::min((cardTop - cardBottom) * height / 10.0f,
            (cardRight - cardLeft) * width * 0.94f / columns);
        const float textWidth = (6.0f * static_cast<float>(m.text.size()) - 1.0f) * square;
        const float x = ((fu - cardLeft) * width - ((cardRight - cardLeft) * width - textWidth) * 0.5f) / square;
        const float y = ((cardTop - fv) * height) / square - 1.5f;
        if (printed(m.text, x, y))
            color = ink;
    }
    const float pinU = (fu - (cardLeft + cardRight) * 0.5f) * width, pinV = (fv - cardTop + 0.01f) * height;
    if (pinU * pinU + pinV * pinV < 2.2f * 2.2f)
        color = red;
    return color;
}

Surface evaluate(const Painting& painting, const Hit& hit, const V& point, const V& direction)
{
    const Primitive& primitive = painting.primitives[static_cast<size_t>(hit.primitive)];
    int material = primitive.material;
    if (primitive.box && std::fabs(hit.normal.y) > 0.5f) {
        // Normals face the ray: inward on a room, outward on a box.
        const bool top = primitive.inside ? hit.normal.y < 0.0f : hit.normal.y > 0.0f;
        material = top ? primitive.topMaterial : primitive.bottomMaterial;
    }
    const Material& m = painting.materials[static_cast<size_t>(material)];
    Surface s;
    s.albedo = m.base;
    s.normal = hit.normal;
    s.gloss = m.gloss;
    s.emissive = m.emissive;
    s.cavity = 1.0f;
    s.unlit = false;
    s.reflective = false;

    // Pattern coordinates: the plane of the surface's main axis, the second
    // one up the walls, so that stripes and bricks stand upright.
    const float nx = std::fabs(hit.normal.x), ny = std::fabs(hit.normal.y), nz = std::fabs(hit.normal.z);
    int axisA, axisB;
    if (ny >= nx && ny >= nz) {
        axisA = 0;
        axisB = 2;
    } else if (nx >= nz) {
        axisA = 2;
        axisB = 1;
    } else {
        axisA = 0;
        axisB = 1;
    }
    const float a = component(point, axisA), b = component(point, axisB);
    const float u = a / m.scale, v = b / m.scale;

    switch (m.pattern) {
    case PLAIN: {
        const float n = fbm(u * 1.3f, v * 1.3f);
        s.albedo = mix(m.base, m.accent, 0.25f * smoothstep(0.45f, 0.85f, n)) * (0.93f + 0.14f * fbm(u * 6.0f, v * 6.0f));
        break;
    }
    case BOARDS: {
        const Bond piece = bond(u, v, 4.0f, 1.0f, false);
        const float grain = 0.5f + 0.5f * std::sin((piece.across * 9.0f + 4.0f * fbm(u * 0.8f + piece.id * 13.0f, v * 6.0f)) * 3.1416f);
        s.albedo = mix(m.base, m.accent, 0.15f + 0.55f * piece.id) * (0.86f + 0.18f * grain);
        const float seam = std::min(std::min(piece.across, 1.0f - piece.across),
            std::min(piece.along, 1.0f - piece.along) * 4.0f);
        s.cavity = 0.35f + 0.65f * smoothstep(0.0f, 0.05f, seam);
        break;
    }
    case TILES: {
        const float fu = fract(u), fv = fract(v);
        const int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
        const V tile = ((iu + iv) & 1) ? m.accent : m.base;
        s.albedo = tile * (0.92f + 0.12f * hash2(iu, iv));
        const float grout = std::min(std::min(fu, 1.0f - fu), std::min(fv, 1.0f - fv));
        const float g = smoothstep(0.015f, 0.035f, grout);
        s.albedo = mix(mix(m.base, m.accent, 0.5f) * 0.45f, s.albedo, g);
        s.cavity = 0.6f + 0.4f * g;
        s.gloss = mix(m.gloss * 0.3f, std::max(m.gloss, 0.25f), g);
        break;
    }
    case STRIPES: {
        const float f = fract(u);
        const float band = smoothstep(0.0f, 0.02f, f) * (1.0f - smoothstep(0.48f, 0.5f, f));
        s.albedo = mix(m.base, m.accent, band);
        // A thin line between the bands, as on printed wallpaper.
        const float line = std::fabs(f - 0.75f);
        s.albedo = mix(m.accent, s.albedo, smoothstep(0.01f, 0.02f, line));
        s.albedo = s.albedo * (0.95f + 0.08f * fbm(u * 3.0f, v * 3.0f));
        break;
    }
    case BRICKS: {
        const Bond brick = bond(u, v, 1.0f, 0.4f, true);
        const float speckle = fbm(u * 9.0f, v * 9.0f);
        s.albedo = m.base * (0.75f + 0.4f * brick.id) * (0.88f + 0.2f * speckle);
        const float edge = std::min(std::min(brick.across, 1.0f - brick.across) * 0.4f,
            std::min(brick.along, 1.0f - brick.along));
        const float mortar = smoothstep(0.012f, 0.03f, edge);
        s.albedo = mix(m.accent * (0.85f + 0.2f * speckle), s.albedo, mortar);
        s.cavity = 0.55f + 0.45f * mortar;
        break;
    }
    case COBBLES: {
        // Stones on a jittered grid: the two nearest centres give the gap.
        const int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
        float first = kInfinity, second = kInfinity;
        int nearest = 0;
        for (int j = -1; j <= 1; ++j)
            for (int i = -1; i <= 1; ++i) {
                const float cu = static_cast<float>(iu + i) + 0.15f + 0.7f * hash2(iu + i, iv + j);
                const float cv = static_cast<float>(iv + j) + 0.15f + 0.7f * hash2(iv + j + 57, iu + i);
                const float d2 = (u - cu) * (u - cu) + (v - cv) * (v - cv);
                if (d2 < first) {
                    second = first;
                    first = d2;
                    nearest = (iu + i) * 7919 + (iv + j);
                } else if (d2 < second) {
                    second = d2;
                }
            }
        const float gap = std::sqrt(second) - std::sqrt(first);
        const float stone = smoothstep(0.03f, 0.16f, gap);
        const float id = hash2(nearest, 3);
        s.albedo = mix(m.accent, m.base * (0.7f + 0.5f * id) * (0.9f + 0.15f * fbm(u * 5.0f, v * 5.0f)), stone);
        s.cavity = 0.4f + 0.6f * stone;
        s.gloss = m.gloss * stone;
        break;
    }
    case WATER: {
        // Long low swells, the normal tilted by the slope of the noise.
        const float e = 0.05f;
        const float su = u * 0.5f, sv = v * 2.2f;
        const float h = fbm(su, sv);
        const float du = fbm(su + e, sv) - h, dv = fbm(su, sv + e) - h;
        const V tangentA = axisVector(axisA, 1.0f), tangentB = axisVector(axisB, 1.0f);
        s.normal = normalized(hit.normal - tangentA * (du / e) * 0.18f - tangentB * (dv / e) * 0.05f);
        s.albedo = mix(m.base, m.accent, smoothstep(0.35f, 0.8f, h) * 0.6f);
        s.gloss = std::max(m.gloss, 0.6f);
        s.reflective = true;
        break;
    }
    case SKY:
        s.albedo = duskSky(direction, m.base, m.accent);
        s.unlit = true;
        break;
    case GLASS: {
        // A window: panes of about one period each, a frame and glazing bars
        // in the accent colour. The face's own extent places the bars.
        float fu, fv, width, height;
        if (primitive.box) {
            const float lowA = component(primitive.min, axisA), highA = component(primitive.max, axisA);
            const float lowB = component(primitive.min, axisB), highB = component(primitive.max, axisB);
            width = highA - lowA;
            height = highB - lowB;
            fu = width > 0.0f ? (a - lowA) / width : 0.5f;
            fv = height > 0.0f ? (b - lowB) / height : 0.5f;
        } else {
            quadPlace(primitive, point, fu, fv, width, height);
        }
        const float columns = std::max(1.0f, std::round(width / m.scale));
        const float rows = std::max(1.0f, std::round(height / m.scale));
        const float bar = 0.05f * m.scale;
        const float borderDistance = std::min(std::min(fu, 1.0f - fu) * width, std::min(fv, 1.0f - fv) * height);
        const float cellU = fract(fu * columns), cellV = fract(fv * rows);
        const float barDistance = std::min(std::min(cellU, 1.0f - cellU) * width / columns,
            std::min(cellV, 1.0f - cellV) * height / rows);
        const float pane = smoothstep(bar * 0.8f, bar, std::min(barDistance, borderDistance - bar));
        // Behind lit glass: a warm room, brighter low down where its lamps
        // are, with a curtain's soft shade at the sides.
        const float inside = (0.75f + 0.35f * (1.0f - fv)) * (0.8f + 0.2f * smoothstep(0.0f, 0.3f, std::min(fu, 1.0f - fu)))
            * (0.9f + 0.2f * fbm(fu * 3.0f, fv * 3.0f));
        s.albedo = mix(m.accent, m.base * (m.emissive > 0.0f ? inside : 1.0f), pane);
        s.emissive = m.emissive * pane;
        s.gloss = mix(m.gloss, std::max(m.gloss, 0.7f), pane);
        s.reflective = pane > 0.5f && m.emissive < 0.5f;
        s.cavity = 0.7f + 0.3f * pane;
        break;
    }
    case TIDETABLE: {
        float fu = 0.5f, fv = 0.5f, width = 1.0f, height = 1.0f;
        if (!primitive.box)
            quadPlace(primitive, point, fu, fv, width, height);
        s.albedo = tideTable(m, fu, fv, width, height);
        break;
    }
    case PANE:
        // Seen through (shade), never lit itself.
        break;
    }
    return s;
}

// ---------------------------------------------------------------------------
// Light.

// Full near the lamp, gone at its range, smoothly.
float falloff(float distance, float range)
{
    const float x = distance / range;
    const float window = clamp01(1.0f - x * x);
    return window * window / (1.0f + 4.0f * x * x);
}

V shade(const Painting& painting, const V& o, const V& d, bool primary, int sample, float& hitT);

// The four samples of a pixel see the lamp from four corners of a
// tetrahedron inside it: a penumbra of four steps, alike from one pixel to
// the next, where random points would leave grain.
const float kLampPoints[4][3] = { { 1, 1, 1 }, { 1, -1, -1 }, { -1, 1, -1 }, { -1, -1, 1 } };

V lightSurface(const Painting& painting, const Hit& hit, const V& point, const V& d, bool primary, int sample)
{
    const Surface s = evaluate(painting, hit, point, d);
    if (s.unlit)
        return s.albedo;
    const V view = -d;
    const V n = s.normal;
    const float ao = occlusion(painting, point, hit.normal) * s.cavity;
    V diffuse = painting.ambient * ao;
    V specular(0.0f, 0.0f, 0.0f);
    const V origin = point + hit.normal * kSurfaceOffset;
    for (size_t i = 0; i < painting.lights.size(); ++i) {
        const Light& light = painting.lights[i];
        const float* corner = kLampPoints[(sample + static_cast<int>(i)) & 3];
        const V toLight = light.position + V(corner[0], corner[1], corner[2]) * (kLampRadius * 0.577f) - point;
        const float distance = length(toLight);
        if (!(distance < light.range) || distance <= 0.0f)
            continue;
        const V l = toLight / distance;
        const float facing = n.dotProduct(l);
        if (facing <= 0.0f || hit.normal.dotProduct(l) <= 0.0f)
            continue;
        if (light.shadows && occluded(painting, origin, l, distance - kSurfaceOffset))
            continue;
        const V arriving = light.color * falloff(distance, light.range);
        diffuse += arriving * (facing * ao);
        if (s.gloss > 0.0f) {
            const V half = normalized(l + view);
            const float exponent = 8.0f + 120.0f * s.gloss;
            const float highlight = std::pow(std::max(0.0f, n.dotProduct(half)), exponent);
            specular += arriving * (highlight * s.gloss * (exponent + 8.0f) / 50.0f);
        }
    }
    V color = s.albedo * diffuse + specular;
    if (s.reflective && primary) {
        V r = normalized(d - n * (2.0f * d.dotProduct(n)));
        // A ripple may tilt the mirror past the surface itself.
        if (r.dotProduct(hit.normal) < 0.0f)
            r = r - hit.normal * (2.0f * r.dotProduct(hit.normal));
        const float cosine = clamp01(view.dotProduct(n));
        const float fresnel = 0.04f + 0.96f * std::pow(1.0f - cosine, 5.0f);
        float ignored;
        const V mirrored = shade(painting, origin, r, false, sample, ignored);
        color += mirrored * (fresnel * (0.4f + 0.6f * s.gloss));
    }
    return mix(color, s.albedo * kGlow, s.emissive);
}

// A faint glow in the air around each lamp, strongest where the ray passes
// closest, that stops at what the ray meets.
V halo(const Painting& painting, const V& o, const V& d, float hitT)
{
    V glow(0.0f, 0.0f, 0.0f);
    for (const Light& light : painting.lights) {
        const float along = std::min(std::max((light.position - o).dotProduct(d), 0.0f), hitT);
        const float distance = length(o + d * along - light.position);
        if (distance >= light.range)
            continue;
        const float core = 1.0f / (1.0f + (distance / 8.0f) * (distance / 8.0f));
        const float wide = 1.0f / (1.0f + (distance / 60.0f) * (distance / 60.0f));
        glow += light.color * ((0.5f * core + 0.1f * wide) * clamp01(1.0f - distance / light.range));
    }
    return glow;
}

// Far things (across the water, down the street) fade into the dusk; a room
// is too small to show it.
V haze(const V& color, const V& d, float distance)
{
    const float amount = 1.0f - std::exp(-std::max(0.0f, distance - 800.0f) / 3500.0f);
    return mix(color, defaultSky(V(d.x, std::max(d.y, 0.0f) * 0.3f + 0.04f, d.z)) * 0.7f, amount * 0.6f);
}

V shade(const Painting& painting, const V& o, const V& d, bool primary, int sample, float& hitT)
{
    Hit hit;
    if (!trace(painting, o, d, hit)) {
        hitT = kInfinity;
        return defaultSky(d);
    }
    hitT = hit.t;
    const Primitive& primitive = painting.primitives[static_cast<size_t>(hit.primitive)];
    const Material& material = painting.materials[static_cast<size_t>(primitive.material)];
    if (material.pattern == PANE) {
        // Clear glass: what lies behind, tinted by the base colour, under two
        // slanting streaks of glare in the accent colour.
        const float beyond = hit.t + kSurfaceOffset;
        float behindT;
        const V behind = shade(painting, o + d * beyond, d, primary, sample, behindT);
        hitT = beyond + behindT;
        float fu = 0.5f, fv = 0.5f, width = 1.0f, height = 1.0f;
        if (!primitive.box)
            quadPlace(primitive, o + d * hit.t, fu, fv, width, height);
        const float slant = fu + 0.7f * fv;
        const float glare = 1.0f - smoothstep(0.0f, 0.09f, std::fabs(slant - 0.55f))
            + 0.7f * (1.0f - smoothstep(0.0f, 0.025f, std::fabs(slant - 0.8f)));
        return behind * material.base + material.accent * (0.22f * glare);
    }
    const V color = lightSurface(painting, hit, o + d * hit.t, d, primary, sample);
    if (material.pattern == SKY)
        return color;
    return haze(color, d, hit.t);
}

// ---------------------------------------------------------------------------
// The picture.

// The ray through a point of the picture (pixels from the top left), built as
// KaCamera::getRay builds its own from a whole pixel: through the inverse
// projection, then the camera's rotation.
V rayDirection(const Painting& painting, float px, float py)
{
    const float ndcX = 2.0f * px / static_cast<float>(painting.width) - 1.0f;
    const float ndcY = 1.0f - 2.0f * py / static_cast<float>(painting.height);
    const V view = normalized(painting.inverseProjection * V(ndcX, ndcY, 1.0f));
    return normalized(painting.world.mult3x3(view));
}

void paintRows(const Painting& painting, std::atomic<unsigned int>& nextRow, std::vector<V>& hdr)
{
    // A rotated grid: four samples that never share a row or a column.
    static const float offsets[4][2] = { { 0.375f, 0.125f }, { 0.875f, 0.375f }, { 0.125f, 0.625f },
        { 0.625f, 0.875f } };
    for (unsigned int y = nextRow++; y < painting.height; y = nextRow++)
        for (unsigned int x = 0; x < painting.width; ++x) {
            V sum(0.0f, 0.0f, 0.0f);
            for (int k = 0; k < 4; ++k) {
                const V d = rayDirection(painting, static_cast<float>(x) + offsets[k][0], static_cast<float>(y) + offsets[k][1]);
                float hitT;
                const V color = shade(painting, painting.eye, d, true, k, hitT);
                sum += color + halo(painting, painting.eye, d, hitT);
            }
            hdr[static_cast<size_t>(y) * painting.width + x] = sum * 0.25f;
        }
}

// Three box blurs in a row come close to a gaussian.
void blur(std::vector<V>& pixels, int width, int height, int radius)
{
    std::vector<V> line(static_cast<size_t>(std::max(width, height)));
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int count = horizontal ? height : width;
            const int size = horizontal ? width : height;
            for (int i = 0; i < count; ++i) {
                auto at = [&](int j) -> V& {
                    return horizontal ? pixels[static_cast<size_t>(i) * width + j] : pixels[static_cast<size_t>(j) * width + i];
                };
                V sum(0.0f, 0.0f, 0.0f);
                for (int j = -radius; j <= radius; ++j)
                    sum += at(std::min(std::max(j, 0), size - 1));
                for (int j = 0; j < size; ++j) {
                    line[static_cast<size_t>(j)] = sum / static_cast<float>(2 * radius + 1);
                    sum += at(std::min(j + radius + 1, size - 1)) - at(std::max(j - radius, 0));
                }
                for (int j = 0; j < size; ++j)
                    at(j) = line[static_cast<size_t>(j)];
            }
        }
    }
}

// What glows beyond white spreads a soft light around it, computed at a
// quarter of the size.
void bloom(std::vector<V>& hdr, unsigned int width, unsigned int height)
{
    const int w = static_cast<int>(std::max(1u, width / 4)), h = static_cast<int>(std::max(1u, height / 4));
    std::vector<V> small(static_cast<size_t>(w) * h, V(0.0f, 0.0f, 0.0f));
    for (unsigned int y = 0; y < height; ++y)
        for (unsigned int x = 0; x < width; ++x) {
            const V& c = hdr[static_cast<size_t>(y) * width + x];
            const float excess = std::max(0.0f, luminance(c) - 0.55f);
            if (excess > 0.0f) {
                const int sx = std::min(w - 1, static_cast<int>(x / 4)), sy = std::min(h - 1, static_cast<int>(y / 4));
                small[static_cast<size_t>(sy) * w + sx] += c * (excess / (luminance(c) * 16.0f));
            }
        }
    blur(small, w, h, std::max(1, w / 90));
    for (unsigned int y = 0; y < height; ++y)
        for (unsigned int x = 0; x < width; ++x) {
            // Bilinear, so the glow has no blocks.
            const float fx = std::max(0.0f, (static_cast<float>(x) + 0.5f) / 4.0f - 0.5f);
            const float fy = std::max(0.0f, (static_cast<float>(y) + 0.5f) / 4.0f - 0.5f);
            const int x0 = std::min(w - 1, static_cast<int>(fx)), y0 = std::min(h - 1, static_cast<int>(fy));
            const int x1 = std::min(w - 1, x0 + 1), y1 = std::min(h - 1, y0 + 1);
            const float tx = fx - static_cast<float>(x0), ty = fy - static_cast<float>(y0);
            const V top = mix(small[static_cast<size_t>(y0) * w + x0], small[static_cast<size_t>(y0) * w + x1], tx);
            const V bottom = mix(small[static_cast<size_t>(y1) * w + x0], small[static_cast<size_t>(y1) * w + x1], tx);
            hdr[static_cast<size_t>(y) * width + x] += mix(top, bottom, ty) * 2.5f;
        }
}

unsigned char toByte(float linearValue, float dither)
{
    const float mapped = 1.0f - std::exp(-1.15f * std::max(0.0f, linearValue));
    const float encoded = std::pow(mapped, 1.0f / 2.2f) * 255.0f + dither;
    return static_cast<unsigned char>(std::lround(std::min(255.0f, std::max(0.0f, encoded))));
}

const unsigned char kBayer[4][4] = { { 0, 8, 2, 10 }, { 12, 4, 14, 6 }, { 3, 11, 1, 9 }, { 15, 7, 13, 5 } };

void develop(const std::vector<V>& hdr, unsigned int width, unsigned int height, KaImage& image)
{
    // The deepest shadows lean towards the town's navy rather than black.
    const V shadowTint = linear(KaColor(15, 26, 46, 255)) * 0.35f;
    for (unsigned int y = 0; y < height; ++y) {
        unsigned char* row = image.row(y);
        const float dy = (static_cast<float>(y) + 0.5f) / static_cast<float>(height) * 2.0f - 1.0f;
        for (unsigned int x = 0; x < width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f) / static_cast<float>(width) * 2.0f - 1.0f;
            const float r2 = (dx * dx + dy * dy) * 0.5f;
            const float vignette = 1.0f - 0.38f * r2 * r2 - 0.12f * r2;
            V c = hdr[static_cast<size_t>(y) * width + x] * vignette;
            c += shadowTint * (1.0f - smoothstep(0.0f, 0.08f, luminance(c)));
            // An ordered dither breaks the bands of slow gradients (walls,
            // the sky) and, unlike noise, repeats: the PNG stays small.
            const float dither = (static_cast<float>(kBayer[y & 3][x & 3]) + 0.5f) / 16.0f - 0.5f;
            row[3 * x] = toByte(c.x, dither);
            row[3 * x + 1] = toByte(c.y, dither);
            row[3 * x + 2] = toByte(c.z, dither);
        }
    }
}

// A shape is painted in the background (state "") unless it belongs to a
// state, and in a state's picture unless that state leaves it out.
bool inState(const KaZoneDescription::Shape& shape, const KaString& state)
{
    return (shape.only.length() == 0 || shape.only == state) && (shape.except.length() == 0 || shape.except != state);
}

bool prepare(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaString& state,
    Painting& painting)
{
    if (scene.width == 0 || scene.height == 0 || !KaImage::sizeAllowed(scene.width, scene.height, RGB888)) {
        KaPrintf("[KaRoomPainter::paint] Scene %s: no picture of %u x %u.\n", scene.name.c_str(), scene.width,
            scene.height);
        return false;
    }
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, scene.width, scene.height);
    if (!camera.get()) {
        KaPrintf("[KaRoomPainter::paint] Scene %s: camera %s cannot be built.\n", scene.name.c_str(),
            scene.camera.name.c_str());
        return false;
    }
    painting.width = scene.width;
    painting.height = scene.height;
    painting.inverseProjection = camera->projectionMatrix().getInverseMatrix();
    painting.world = camera->worldTransformationMatrix();
    painting.eye = painting.world.translation();
    painting.ambient = linear(scene.ambient);

    KaArray<KaString> names;
    int fallback = -1;
    for (unsigned long i = 0; i < scene.shapes.size(); ++i) {
        const KaZoneDescription::Shape& shape = scene.shapes[i];
        if (!inState(shape, state))
            continue;
        int materials[3];
        materials[0] = materialIndex(zone, shape.material, painting, names, fallback, scene.name);
        const KaString* faces[2] = { &shape.topMaterial, &shape.bottomMaterial };
        for (int f = 0; f < 2; ++f)
            materials[f + 1] = faces[f]->length() == 0 ? materials[0]
                                                   : materialIndex(zone, *faces[f], painting, names, fallback, scene.name);
        const Material& material = painting.materials[static_cast<size_t>(materials[0])];
        const bool lightPasses = material.emissive >= 0.5f || material.pattern == PANE;
        if (!addShape(shape, materials, lightPasses, painting))
            KaPrintf("[KaRoomPainter::paint] Scene %s: shape %lu (%s) left out.\n", scene.name.c_str(), i,
                shape.kind.c_str());
    }
    for (unsigned long i = 0; i < scene.lamps.size(); ++i) {
        const KaZoneDescription::Lamp& lamp = scene.lamps[i];
        if (!finite(lamp.position) || !std::isfinite(lamp.intensity) || !std::isfinite(lamp.range)) {
            KaPrintf("[KaRoomPainter::paint] Scene %s: lamp %lu left out.\n", scene.name.c_str(), i);
            continue;
        }
        if (!(lamp.range > 0.0f) || !(lamp.intensity > 0.0f))
            continue;
        painting.lights.push_back(Light { lamp.position, linear(lamp.color) * lamp.intensity, lamp.range,
            lamp.castsShadows });
    }
    return true;
}

} // namespace

bool KaRoomPainter::paint(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, KaImage& image)
{
    return paint(zone, scene, KaString(), image);
}

bool KaRoomPainter::paint(
    const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaString& state, KaImage& image)
{
    Painting painting;
    if (!prepare(zone, scene, state, painting))
        return false;
    std::vector<V> hdr(static_cast<size_t>(painting.width) * painting.height);
    std::atomic<unsigned int> nextRow(0);
    const unsigned int workers = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned int i = 1; i < workers; ++i)
        threads.emplace_back([&painting, &nextRow, &hdr] { paintRows(painting, nextRow, hdr); });
    paintRows(painting, nextRow, hdr);
    for (std::thread& thread : threads)
        thread.join();
    bloom(hdr, painting.width, painting.height);

    image.setFlipped(true);
    if (!image.create(painting.width, painting.height, KaIntrusivePtr<KaPalette>(), RGB888))
        return false;
    develop(hdr, painting.width, painting.height, image);
    return true;
}

bool KaRoomPainter::paint(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaPath& pngPath)
{
    KaImage image;
    return paint(zone, scene, image) && save(image, pngPath);
}

bool KaRoomPainter::save(const KaImage& image, const KaPath& pngPath)
{
    KaPng png;
    if (!png.save(image, pngPath)) {
        KaPrintf("[KaRoomPainter::paint] Can't write %s.\n", pngPath.c_str());
        return false;
    }
    return true;
}

bool KaRoomPainter::paintState(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene,
    const KaString& state, const KaImage& background, KaImage& overlay)
{
    KaImage painted;
    if (!paint(zone, scene, state, painted))
        return false;
    if (background.width() != painted.width() || background.height() != painted.height()
        || background.format() != RGB888) {
        KaPrintf("[KaRoomPainter::paintState] Scene %s: the background is not this scene's.\n", scene.name.c_str());
        return false;
    }
    overlay.setFlipped(true);
    if (!overlay.create(painted.width(), painted.height(), KaIntrusivePtr<KaPalette>(), RGBA8888))
        return false;
    // Where the state changes a pixel much, the overlay is opaque; where it
    // changes it a little (the bloom of a lamp hidden or shown reaches far
    // around), the overlay is faint and its colour pushed further, so that
    // laid over the background it gives the state's colour all the same and
    // no edge shows where the change fades out.
    const int kOpaqueFrom = 16;
    for (unsigned int y = 0; y < painted.height(); ++y) {
        const unsigned char* now = painted.row(y);
        const unsigned char* before = background.row(y);
        unsigned char* out = overlay.row(y);
        for (unsigned int x = 0; x < painted.width(); ++x) {
            int change = 0;
            for (int c = 0; c < 3; ++c)
                change = std::max(change, std::abs(now[3 * x + c] - before[3 * x + c]));
            const int alpha = std::min(255, change * 255 / kOpaqueFrom);
            for (int c = 0; c < 3; ++c) {
                const int pushed = alpha == 0
                    ? 0
                    : before[3 * x + c] + (now[3 * x + c] - before[3 * x + c]) * 255 / alpha;
                out[4 * x + c] = static_cast<unsigned char>(std::min(255, std::max(0, pushed)));
            }
            out[4 * x + 3] = static_cast<unsigned char>(alpha);
        }
    }
    // The picture is drawn filtered: a clear pixel next to a coloured one
    // lends it its colour, so it holds the background's rather than black
    // (a dark seam); clear pixels further away stay black and pack small.
    const int w = static_cast<int>(painted.width()), h = static_cast<int>(painted.height());
    for (int y = 0; y < h; ++y) {
        unsigned char* out = overlay.row(static_cast<unsigned int>(y));
        const unsigned char* before = background.row(static_cast<unsigned int>(y));
        for (int x = 0; x < w; ++x) {
            if (out[4 * x + 3] != 0)
                continue;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    edge = nx >= 0 && ny >= 0 && nx < w && ny < h
                        && overlay.row(static_cast<unsigned int>(ny))[4 * nx + 3] != 0;
                }
            if (edge)
                for (int c = 0; c < 3; ++c)
                    out[4 * x + c] = before[3 * x + c];
        }
    }
    return true;
}

bool KaRoomPainter::paintAll(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaString& folder)
{
    KaImage background;
    if (!paint(zone, scene, background) || !save(background, KaPath(folder + "/background.png")))
        return false;
    bool ok = true;
    const KaArray<KaString> states = scene.states();
    for (unsigned long i = 0; i < states.size(); ++i) {
        KaImage overlay;
        ok = paintState(zone, scene, states[i], background, overlay)
            && save(overlay, KaPath(folder + "/" + states[i] + ".png")) && ok;
    }
    return ok;
}
