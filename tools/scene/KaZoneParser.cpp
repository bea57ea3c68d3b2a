#include "tools/scene/KaZoneParser.h"

#include <tinyxml.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/KaStd.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/maths/KaMaths.h"
#include "tools/scene/KaSceneCamera.h"

namespace {

typedef KaZoneDescription Zone;

const char* const kPatterns[] = { "plain", "boards", "tiles", "stripes", "bricks", "cobbles", "water", "sky", "glass",
    "pane", "tidetable" };

// Walks one document and keeps the first fault, with the line it was on.
class Reader {
public:
    explicit Reader(Zone& zone) : mZone(zone) { }

    bool zone(const TiXmlElement* root);

    int row = 0;
    std::string error;

private:
    bool fail(const TiXmlElement* element, const std::string& text)
    {
        if (error.empty()) {
            row = element ? element->Row() : 0;
            error = text;
        }
        return false;
    }
    bool failAttribute(const TiXmlElement* element, const char* attribute, const std::string& text)
    {
        return fail(element, std::string("<") + element->Value() + "> " + attribute + ": " + text);
    }

    bool only(const TiXmlElement* element, std::initializer_list<const char*> allowed);
    bool text(const TiXmlElement* element, const char* attribute, KaString& value, bool required = true);
    bool numbers(const TiXmlElement* element, const char* attribute, const std::string& token, float* values,
        int count);
    bool number(const TiXmlElement* element, const char* attribute, float& value, bool required = true);
    bool whole(const TiXmlElement* element, const char* attribute, unsigned int& value, unsigned int largest,
        bool required = true);
    bool vector3(const TiXmlElement* element, const char* attribute, KaVector3f32& value, bool required = true);
    bool vector2(const TiXmlElement* element, const char* attribute, KaVector2f32& value);
    bool vectors3(const TiXmlElement* element, const char* attribute, KaArray<KaVector3f32>& values);
    bool vectors2(const TiXmlElement* element, const char* attribute, KaVector2f32* values, int count);
    bool indices(const TiXmlElement* element, const char* attribute, unsigned long vertexCount,
        unsigned int firstVertex, KaArray<unsigned int>& values);
    bool color(const TiXmlElement* element, const char* attribute, KaColor& value, bool required = true);
    bool flag(const TiXmlElement* element, const char* attribute, bool& value);

    bool material(const TiXmlElement* element);
    bool object(const TiXmlElement* element);
    bool walkZone(const TiXmlElement* element);
    bool curve(const TiXmlElement* element);
    bool dummy(const TiXmlElement* element);
    bool scene(const TiXmlElement* element);
    bool camera(const TiXmlElement* element, Zone::Scene& scene);
    bool shape(const TiXmlElement* element, Zone::Scene& scene);
    bool lamp(const TiXmlElement* element, Zone::Scene& scene);
    bool actZone(const TiXmlElement* element, Zone::Scene& scene);
    bool blocker(const TiXmlElement* element, Zone::Scene& scene);
    bool rectBlocker(const TiXmlElement* element, Zone::Scene& scene);
    bool knownWalkZone(const TiXmlElement* element, const KaString& name);

    template <class T>
    bool unique(const TiXmlElement* element, const KaArray<T>& items, const KaString& name)
    {
        for (unsigned long i = 0; i < items.size(); ++i)
            if (items[i].name == name)
                return fail(element, std::string("<") + element->Value() + "> name \"" + name.c_str()
                        + "\" is used twice");
        return true;
    }

    Zone& mZone;
};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.push_back(std::string());
    return parts;
}

std::vector<std::string> words(const char* text)
{
    std::vector<std::string> result;
    std::istringstream stream(text ? text : "");
    std::string word;
    while (stream >> word)
        result.push_back(word);
    return result;
}

bool Reader::only(const TiXmlElement* element, std::initializer_list<const char*> allowed)
{
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        bool known = false;
        for (const char* name : allowed)
            known = known || std::string(name) == a->Name();
        if (!known)
            return fail(element, std::string("<") + element->Value() + "> has no attribute \"" + a->Name() + "\"");
    }
    return true;
}

bool Reader::text(const TiXmlElement* element, const char* attribute, KaString& value, bool required)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return !required || failAttribute(element, attribute, "missing");
    value = KaString(found);
    return true;
}

bool Reader::numbers(
    const TiXmlElement* element, const char* attribute, const std::string& token, float* values, int count)
{
    const std::vector<std::string> parts = split(token, ',');
    if (static_cast<int>(parts.size()) != count)
        return failAttribute(element, attribute,
            "\"" + token + "\" should be " + std::to_string(count) + " number" + (count > 1 ? "s" : "")
                + (count > 1 ? " separated by commas" : ""));
    for (int i = 0; i < count; ++i) {
        const char* begin = parts[static_cast<size_t>(i)].c_str();
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(begin, &end);
        if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(value) || std::fabs(value) > 1e30)
            return failAttribute(element, attribute, "\"" + parts[static_cast<size_t>(i)] + "\" is not a number");
        values[i] = static_cast<float>(value);
    }
    return true;
}

bool Reader::number(const TiXmlElement* element, const char* attribute, float& value, bool required)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return !required || failAttribute(element, attribute, "missing");
    return numbers(element, attribute, found, &value, 1);
}

bool Reader::whole(
    const TiXmlElement* element, const char* attribute, unsigned int& value, unsigned int largest, bool required)
{
    float read = 0.0f;
    if (!element->Attribute(attribute))
        return !required || failAttribute(element, attribute, "missing");
    if (!number(element, attribute, read))
        return false;
    if (read < 0.0f || read > static_cast<float>(largest) || std::floor(read) != read)
        return failAttribute(element, attribute,
            std::string("\"") + element->Attribute(attribute) + "\" is not a whole number from 0 to "
                + std::to_string(largest));
    value = static_cast<unsigned int>(read);
    return true;
}

bool Reader::vector3(const TiXmlElement* element, const char* attribute, KaVector3f32& value, bool required)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return !required || failAttribute(element, attribute, "missing");
    float v[3];
    if (!numbers(element, attribute, found, v, 3))
        return false;
    value = KaVector3f32(v[0], v[1], v[2]);
    return true;
}

bool Reader::vector2(const TiXmlElement* element, const char* attribute, KaVector2f32& value)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return failAttribute(element, attribute, "missing");
    float v[2];
    if (!numbers(element, attribute, found, v, 2))
        return false;
    value = KaVector2f32(v[0], v[1]);
    return true;
}

bool Reader::vectors3(const TiXmlElement* element, const char* attribute, KaArray<KaVector3f32>& values)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return failAttribute(element, attribute, "missing");
    for (const std::string& word : words(found)) {
        float v[3];
        if (!numbers(element, attribute, word, v, 3))
            return false;
        values.pushBack(KaVector3f32(v[0], v[1], v[2]));
    }
    return true;
}

bool Reader::vectors2(const TiXmlElement* element, const char* attribute, KaVector2f32* values, int count)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return failAttribute(element, attribute, "missing");
    const std::vector<std::string> list = words(found);
    if (static_cast<int>(list.size()) != count)
        return failAttribute(element, attribute, "should hold " + std::to_string(count) + " points \"x,z\"");
    for (int i = 0; i < count; ++i) {
        float v[2];
        if (!numbers(element, attribute, list[static_cast<size_t>(i)], v, 2))
            return false;
        values[i] = KaVector2f32(v[0], v[1]);
    }
    return true;
}

bool Reader::indices(const TiXmlElement* element, const char* attribute, unsigned long vertexCount,
    unsigned int firstVertex, KaArray<unsigned int>& values)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return failAttribute(element, attribute, "missing");
    const std::vector<std::string> list = words(found);
    if (list.empty())
        return failAttribute(element, attribute, "holds no triangle");
    for (const std::string& word : list) {
        float v[3];
        if (!numbers(element, attribute, word, v, 3))
            return false;
        for (float index : v) {
            if (index < 0.0f || std::floor(index) != index)
                return failAttribute(element, attribute, "\"" + word + "\" holds an index that is not a whole number");
            if (static_cast<double>(index) >= static_cast<double>(vertexCount))
                return failAttribute(element, attribute,
                    "index " + std::to_string(static_cast<unsigned long>(index)) + " is past the "
                        + std::to_string(vertexCount) + " vertices");
            values.pushBack(firstVertex + static_cast<unsigned int>(index));
        }
    }
    return true;
}

bool Reader::color(const TiXmlElement* element, const char* attribute, KaColor& value, bool required)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return !required || failAttribute(element, attribute, "missing");
    const int count = static_cast<int>(split(found, ',').size()) == 4 ? 4 : 3;
    float v[4] = { 0.0f, 0.0f, 0.0f, 255.0f };
    if (!numbers(element, attribute, found, v, count))
        return false;
    for (int i = 0; i < count; ++i)
        if (v[i] < 0.0f || v[i] > 255.0f || std::floor(v[i]) != v[i])
            return failAttribute(element, attribute, std::string("\"") + found + "\" should be whole numbers 0 to 255");
    value = KaColor(static_cast<unsigned char>(v[0]), static_cast<unsigned char>(v[1]), static_cast<unsigned char>(v[2]),
        static_cast<unsigned char>(v[3]));
    return true;
}

bool Reader::flag(const TiXmlElement* element, const char* attribute, bool& value)
{
    const char* found = element->Attribute(attribute);
    if (!found)
        return true;
    const std::string text(found);
    if (text != "true" && text != "false")
        return failAttribute(element, attribute, "\"" + text + "\" should be true or false");
    value = text == "true";
    return true;
}

bool Reader::zone(const TiXmlElement* root)
{
    if (!root || std::string(root->Value()) != "Zone")
        return fail(root, "the document's element should be <Zone>");
    if (!only(root, { "name" }) || !text(root, "name", mZone.name))
        return false;
    // Materials first: shapes of any scene may name any of them.
    for (const TiXmlElement* e = root->FirstChildElement("Material"); e; e = e->NextSiblingElement("Material"))
        if (!material(e))
            return false;
    // Walkable zones before the scenes, whose records name them.
    for (const TiXmlElement* e = root->FirstChildElement("WalkZone"); e; e = e->NextSiblingElement("WalkZone"))
        if (!walkZone(e))
            return false;
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string kind = e->Value();
        bool ok = true;
        if (kind == "Object")
            ok = object(e);
        else if (kind == "Curve")
            ok = curve(e);
        else if (kind == "Dummy")
            ok = dummy(e);
        else if (kind == "Scene")
            ok = scene(e);
        else if (kind != "Material" && kind != "WalkZone")
            ok = fail(e, "<Zone> cannot hold <" + kind + ">");
        if (!ok)
            return false;
    }
    if (mZone.scenes.isEmpty())
        return fail(root, "<Zone> has no <Scene>");
    return true;
}

bool Reader::material(const TiXmlElement* e)
{
    Zone::Material m;
    m.pattern = "plain";
    if (!only(e, { "name", "base", "accent", "pattern", "scale", "gloss", "emissive", "text" })
        || !text(e, "name", m.name)
        || !unique(e, mZone.materials, m.name) || !color(e, "base", m.base))
        return false;
    m.accent = m.base;
    if (!color(e, "accent", m.accent, false) || !text(e, "pattern", m.pattern, false)
        || !number(e, "scale", m.scale, false) || !number(e, "gloss", m.gloss, false)
        || !number(e, "emissive", m.emissive, false) || !text(e, "text", m.text, false))
        return false;
    bool known = false;
    for (const char* pattern : kPatterns)
        known = known || m.pattern == pattern;
    if (!known)
        return failAttribute(e, "pattern", std::string("\"") + m.pattern.c_str() + "\" is not a pattern");
    if (!(m.scale > 0.0f))
        return failAttribute(e, "scale", "should be above 0");
    if (m.gloss < 0.0f || m.gloss > 1.0f || m.emissive < 0.0f || m.emissive > 1.0f)
        return fail(e, "<Material> gloss and emissive go from 0 to 1");
    mZone.materials.pushBack(m);
    return true;
}

// The 24 corners (four a face, so that each face keeps its own normal) and
// 12 triangles of an axis-aligned box, wound counter-clockwise seen from
// outside.
void appendBox(const KaVector3f32& a, const KaVector3f32& b, Zone::Object& object)
{
    const KaVector3f32 lo(KaMin(a.x, b.x), KaMin(a.y, b.y), KaMin(a.z, b.z));
    const KaVector3f32 hi(KaMax(a.x, b.x), KaMax(a.y, b.y), KaMax(a.z, b.z));
    const KaVector3f32 corner[8] = { { lo.x, lo.y, lo.z }, { hi.x, lo.y, lo.z }, { hi.x, hi.y, lo.z },
        { lo.x, hi.y, lo.z }, { lo.x, lo.y, hi.z }, { hi.x, lo.y, hi.z }, { hi.x, hi.y, hi.z }, { lo.x, hi.y, hi.z } };
    const int faces[6][4] = { { 0, 3, 2, 1 }, { 4, 5, 6, 7 }, { 0, 4, 7, 3 }, { 1, 2, 6, 5 }, { 0, 1, 5, 4 },
        { 3, 7, 6, 2 } };
    for (const auto& face : faces) {
        const unsigned int first = static_cast<unsigned int>(object.positions.size());
        for (int k = 0; k < 4; ++k)
            object.positions.pushBack(corner[face[k]]);
        const unsigned int quad[6] = { 0, 1, 2, 0, 2, 3 };
        for (unsigned int k : quad)
            object.indices.pushBack(first + k);
    }
}

bool Reader::object(const TiXmlElement* e)
{
    Zone::Object o;
    o.color = KaColor(255, 255, 255, 255);
    if (!only(e, { "name", "type", "color" }) || !text(e, "name", o.name) || !unique(e, mZone.objects, o.name)
        || !text(e, "type", o.type, false) || !color(e, "color", o.color, false))
        return false;
    for (const TiXmlElement* part = e->FirstChildElement(); part; part = part->NextSiblingElement()) {
        const std::string kind = part->Value();
        if (kind == "Box") {
            KaVector3f32 a, b;
            if (!only(part, { "min", "max" }) || !vector3(part, "min", a) || !vector3(part, "max", b))
                return false;
            appendBox(a, b, o);
        } else if (kind == "Mesh") {
            KaArray<KaVector3f32> vertices;
            const unsigned int first = static_cast<unsigned int>(o.positions.size());
            if (!only(part, { "vertices", "triangles" }) || !vectors3(part, "vertices", vertices)
                || !indices(part, "triangles", vertices.size(), first, o.indices))
                return false;
            for (unsigned long i = 0; i < vertices.size(); ++i)
                o.positions.pushBack(vertices[i]);
        } else {
            return fail(part, "<Object> cannot hold <" + kind + ">");
        }
    }
    if (o.indices.isEmpty())
        return fail(e, std::string("<Object> \"") + o.name.c_str() + "\" has no <Box> or <Mesh>");
    mZone.objects.pushBack(o);
    return true;
}

bool Reader::walkZone(const TiXmlElement* e)
{
    Zone::WalkZone w;
    if (!only(e, { "name", "vertices", "triangles" }) || !text(e, "name", w.name)
        || !unique(e, mZone.walkZones, w.name) || !vectors3(e, "vertices", w.vertices)
        || !indices(e, "triangles", w.vertices.size(), 0, w.triangles))
        return false;
    if (e->FirstChildElement())
        return fail(e->FirstChildElement(), "<WalkZone> holds no elements");
    mZone.walkZones.pushBack(w);
    return true;
}

bool Reader::curve(const TiXmlElement* e)
{
    Zone::Curve c;
    if (!only(e, { "name", "points" }) || !text(e, "name", c.name) || !unique(e, mZone.curves, c.name)
        || !vectors3(e, "points", c.points))
        return false;
    if (c.points.size() < 2)
        return failAttribute(e, "points", "a curve needs two points or more");
    mZone.curves.pushBack(c);
    return true;
}

bool Reader::dummy(const TiXmlElement* e)
{
    Zone::Dummy d;
    if (!only(e, { "name", "position", "yaw" }) || !text(e, "name", d.name) || !unique(e, mZone.dummies, d.name)
        || !vector3(e, "position", d.position) || !number(e, "yaw", d.yawDegrees, false))
        return false;
    mZone.dummies.pushBack(d);
    return true;
}

bool Reader::scene(const TiXmlElement* e)
{
    Zone::Scene s;
    s.ambient = KaColor(40, 40, 48, 255);
    if (!only(e, { "name", "width", "height", "ambient" }) || !text(e, "name", s.name)
        || !unique(e, mZone.scenes, s.name) || !whole(e, "width", s.width, 8192, false)
        || !whole(e, "height", s.height, 8192, false) || !color(e, "ambient", s.ambient, false))
        return false;
    if (s.width == 0 || s.height == 0)
        return fail(e, "<Scene> width and height should be above 0");
    bool hasCamera = false;
    for (const TiXmlElement* part = e->FirstChildElement(); part; part = part->NextSiblingElement()) {
        const std::string kind = part->Value();
        bool ok = true;
        if (kind == "Camera") {
            if (hasCamera)
                return fail(part, "<Scene> holds one <Camera>");
            hasCamera = true;
            ok = camera(part, s);
        } else if (kind == "Box" || kind == "Quad") {
            ok = shape(part, s);
        } else if (kind == "Lamp") {
            ok = lamp(part, s);
        } else if (kind == "ActZone") {
            ok = actZone(part, s);
        } else if (kind == "Blocker") {
            ok = blocker(part, s);
        } else if (kind == "RectBlocker") {
            ok = rectBlocker(part, s);
        } else {
            ok = fail(part, "<Scene> cannot hold <" + kind + ">");
        }
        if (!ok)
            return false;
    }
    if (!hasCamera)
        return fail(e, std::string("<Scene> \"") + s.name.c_str() + "\" has no <Camera>");
    mZone.scenes.pushBack(s);
    return true;
}

bool Reader::camera(const TiXmlElement* e, Zone::Scene& s)
{
    Zone::Camera& c = s.camera;
    c.name = KaString("Camera") + s.name;
    if (!only(e, { "name", "position", "target", "fov", "aspect", "near", "far" }) || !text(e, "name", c.name, false)
        || !vector3(e, "position", c.position) || !vector3(e, "target", c.target)
        || !number(e, "fov", c.fovDegrees, false) || !number(e, "aspect", c.aspect, false)
        || !number(e, "near", c.nearPlane, false) || !number(e, "far", c.farPlane, false))
        return false;
    const KaVector3f32 view(c.target.x - c.position.x, c.target.y - c.position.y, c.target.z - c.position.z);
    const float length = std::sqrt(view.x * view.x + view.y * view.y + view.z * view.z);
    if (!(length > 0.0f))
        return fail(e, "<Camera> position and target are the same point");
    if (!(c.fovDegrees > 0.0f && c.fovDegrees < 170.0f))
        return failAttribute(e, "fov", "should be above 0 and below 170 degrees");
    if (!(c.aspect > 0.0f))
        return failAttribute(e, "aspect", "should be above 0");
    if (!(c.nearPlane > 0.0f && c.farPlane > c.nearPlane))
        return fail(e, "<Camera> needs 0 < near < far");
    // The scene draws to 3000 whatever the file says.
    if (!KaSceneCamera::usable(c))
        return fail(e, "<Camera> cannot be built (a near plane beyond 3000?)");
    return true;
}

bool Reader::shape(const TiXmlElement* e, Zone::Scene& s)
{
    Zone::Shape shape;
    if (std::string(e->Value()) == "Box") {
        shape.kind = "box";
        if (!only(e, { "min", "max", "material", "top", "bottom", "inside", "only", "except" })
            || !vector3(e, "min", shape.min)
            || !vector3(e, "max", shape.max) || !flag(e, "inside", shape.inside)
            || !text(e, "top", shape.topMaterial, false) || !text(e, "bottom", shape.bottomMaterial, false))
            return false;
        for (const KaString* name : { &shape.topMaterial, &shape.bottomMaterial })
            if (name->length() != 0 && !mZone.material(*name))
                return fail(e, std::string("<Box> no <Material> is named \"") + name->c_str() + "\"");
    } else {
        shape.kind = "quad";
        KaArray<KaVector3f32> corners;
        if (!only(e, { "corners", "material", "only", "except" }) || !vectors3(e, "corners", corners))
            return false;
        if (corners.size() != 4)
            return failAttribute(e, "corners", "should hold 4 points \"x,y,z\"");
        for (int k = 0; k < 4; ++k)
            shape.corners[k] = corners[static_cast<unsigned long>(k)];
    }
    if (!text(e, "material", shape.material) || !text(e, "only", shape.only, false)
        || !text(e, "except", shape.except, false))
        return false;
    if (shape.only.length() != 0 && shape.except.length() != 0)
        return fail(e, std::string("<") + e->Value() + "> takes \"only\" or \"except\", not both");
    // The state names its picture beside the background.
    for (const KaString* state : { &shape.only, &shape.except }) {
        bool plain = *state != KaString("background");
        for (unsigned long k = 0; k < state->length(); ++k)
            plain = plain && std::isalnum(static_cast<unsigned char>(state->c_str()[k]));
        if (!plain)
            return fail(e, std::string("<") + e->Value() + "> state \"" + state->c_str()
                    + "\" should be letters and digits, and not \"background\"");
    }
    if (!mZone.material(shape.material))
        return failAttribute(e, "material", std::string("no <Material> is named \"") + shape.material.c_str() + "\"");
    s.shapes.pushBack(shape);
    return true;
}

bool Reader::lamp(const TiXmlElement* e, Zone::Scene& s)
{
    Zone::Lamp l;
    if (!only(e, { "position", "color", "intensity", "range", "shadows" }) || !vector3(e, "position", l.position)
        || !color(e, "color", l.color) || !number(e, "intensity", l.intensity, false)
        || !number(e, "range", l.range, false) || !flag(e, "shadows", l.castsShadows))
        return false;
    if (!(l.range > 0.0f) || l.intensity < 0.0f)
        return fail(e, "<Lamp> needs a range above 0 and an intensity of 0 or more");
    s.lamps.pushBack(l);
    return true;
}

bool Reader::knownWalkZone(const TiXmlElement* e, const KaString& name)
{
    return mZone.walkZone(name)
        || failAttribute(e, "zone", std::string("no <WalkZone> is named \"") + name.c_str() + "\"");
}

bool Reader::actZone(const TiXmlElement* e, Zone::Scene& s)
{
    KaActZone a;
    if (!only(e, { "zone", "name", "corners" }) || !text(e, "zone", a.zoneName) || !knownWalkZone(e, a.zoneName)
        || !text(e, "name", a.name) || !vectors2(e, "corners", a.corners, 4))
        return false;
    s.actZones.pushBack(a);
    return true;
}

bool Reader::blocker(const TiXmlElement* e, Zone::Scene& s)
{
    KaBlocker b;
    if (!only(e, { "zone", "from", "to" }) || !text(e, "zone", b.zoneName) || !knownWalkZone(e, b.zoneName)
        || !vector2(e, "from", b.first) || !vector2(e, "to", b.second))
        return false;
    s.blockers.pushBack(b);
    return true;
}

bool Reader::rectBlocker(const TiXmlElement* e, Zone::Scene& s)
{
    KaRectBlocker r;
    if (!only(e, { "zone", "corners" }) || !text(e, "zone", r.zoneName) || !knownWalkZone(e, r.zoneName)
        || !vectors2(e, "corners", r.corners, 4))
        return false;
    s.rectBlockers.pushBack(r);
    return true;
}

} // namespace

bool KaZoneParser::read(const KaString& path, KaZoneDescription& zone)
{
    zone.clear();
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    if (!file || !(bytes << file.rdbuf())) {
        KaPrintf("[KaZoneParser::read] Can't open zone file : %s\n", path.c_str());
        return false;
    }
    const std::string text = bytes.str();
    return parse(KaString(text.data(), text.size()), path, zone);
}

bool KaZoneParser::parse(const KaString& text, const KaString& fileName, KaZoneDescription& zone)
{
    zone.clear();
    TiXmlDocument document;
    // TinyXML steps over a whole UTF-8 sequence before it looks for the end:
    // a text cut inside one must end in zeros, not in the next bytes.
    std::string padded(text.c_str(), text.length());
    padded.append(8, '\0');
    KaXMLParse(document, padded.c_str(), TIXML_ENCODING_UTF8);
    if (document.Error()) {
        KaPrintf("[KaZoneParser::read] %s:%d: %s\n", fileName.c_str(), document.ErrorRow() + 1, document.ErrorDesc());
        return false;
    }
    Reader reader(zone);
    if (!reader.zone(document.RootElement())) {
        KaPrintf("[KaZoneParser::read] %s:%d: %s\n", fileName.c_str(), reader.row, reader.error.c_str());
        zone.clear();
        return false;
    }
    return true;
}
