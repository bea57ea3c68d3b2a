#ifndef KA_ZONE_DESCRIPTION_H
#define KA_ZONE_DESCRIPTION_H

#include "engine/color/KaColor.h"
#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaActZone.h"
#include "engine/scene/KaBlocker.h"
#include "engine/scene/KaRectBlocker.h"

// A zone of the sample game as its author writes it: one XML text file
// ("content/scenes/<zone>/<zone>.zone", read by KaZoneParser) from which the
// scene tool writes the zone's geometry file, each scene's "actions.bin" and
// "blockers.bin", and paints each scene's background under that scene's
// camera. World units are centimetres, y is up, the ground is the (x, z)
// plane. tools/scene/README.md describes the text format.
struct KaZoneDescription {
    // A camera as an author places it: where it stands and what it looks at.
    // KaSceneCamera makes it into the camera the running scene builds.
    struct Camera {
        KaString name;           // "Camera" + scene
        KaVector3f32 position;
        KaVector3f32 target;
        float fovDegrees = 45.0f; // vertical
        float aspect = 4.0f / 3.0f;
        float nearPlane = 10.0f;
        float farPlane = 3000.0f; // the scene draws to 3000 whatever this says
    };

    // How a surface of the painted background looks.
    struct Material {
        KaString name;
        KaColor base;            // main colour
        KaColor accent;          // second colour of the pattern
        KaString pattern;        // "plain", "boards", "tiles", "stripes", "bricks", "cobbles", "water", "sky", "glass",
                                 // "pane" (clear glass), "tidetable" (a printed tide table)
        float scale = 50.0f;     // size of one pattern period, world units
        float gloss = 0.0f;      // 0 matt .. 1 shiny
        float emissive = 0.0f;   // 0 lit by the lamps .. 1 glows by itself (windows, lamp shades)
        KaString text;           // "tidetable": the line printed at its foot (digits, spaces, ':')

        static Material make(const KaString& name, const KaColor& base, const KaColor& accent,
            const KaString& pattern, float scale, float gloss = 0.0f, float emissive = 0.0f);
    };

    // Scenery that only the painter sees: boxes and quads.
    struct Shape {
        KaString kind;           // "box" or "quad"
        KaVector3f32 min, max;   // box: two opposite corners, axis aligned
        KaVector3f32 corners[4]; // quad: in order around it
        KaString material;
        // Box: the materials of its top and bottom faces (a table's top; a
        // room's ceiling and floor) where they differ from material's.
        KaString topMaterial;
        KaString bottomMaterial;
        bool inside = false;     // box seen from within (a room's walls, floor and ceiling)
        // A state of the scene that a script shows (a case opened): a shape
        // with "only" is painted in that state's picture alone, one with
        // "except" everywhere but there. Neither: in every picture.
        KaString only;
        KaString except;

        static Shape box(const KaVector3f32& min, const KaVector3f32& max, const KaString& material,
            bool inside = false);
        static Shape quad(const KaVector3f32& a, const KaVector3f32& b, const KaVector3f32& c, const KaVector3f32& d,
            const KaString& material);
    };

    // A light of the painting (not of the running scene: "lights.xml" has those).
    struct Lamp {
        KaVector3f32 position;
        KaColor color;
        float intensity = 1.0f;
        float range = 800.0f;    // distance at which it has faded out
        bool castsShadows = true;
    };

    // A mesh of the geometry file: hit meshes ("Clic" in the name), props
    // (a type, hidden until a script shows them) and walk blockers ("ZB").
    // Positions are in world space; the record's own transform is the
    // identity.
    struct Object {
        KaString name;
        KaString type;
        KaArray<KaVector3f32> positions;
        KaArray<unsigned int> indices; // three per triangle
        KaColor color;
    };

    // A walkable floor. Its path grid is the engine's: square cells of a
    // fixed size laid over the floor's bounds.
    struct WalkZone {
        KaString name;
        KaArray<KaVector3f32> vertices;
        KaArray<unsigned int> triangles; // three indices each
    };

    struct Curve {
        KaString name;
        KaArray<KaVector3f32> points; // control points, passed through in order
    };

    struct Dummy {
        KaString name;
        KaVector3f32 position;
        float yawDegrees = 0.0f; // turn about the vertical axis

        KaQuaternion rotation() const;
    };

    struct Scene {
        KaString name;
        Camera camera;
        KaColor ambient;          // painting's ambient light
        KaArray<Shape> shapes;
        KaArray<Lamp> lamps;
        KaArray<KaActZone> actZones;
        KaArray<KaBlocker> blockers;
        KaArray<KaRectBlocker> rectBlockers;
        unsigned int width = 1024;  // background picture size
        unsigned int height = 768;

        // The states its shapes name ("only", "except"), each once, in the
        // order they first come.
        KaArray<KaString> states() const;
    };

    KaString name;
    KaArray<Material> materials;
    KaArray<Object> objects;
    KaArray<WalkZone> walkZones;
    KaArray<Curve> curves;
    KaArray<Dummy> dummies;
    KaArray<Scene> scenes;

    // Null when the zone has none of that name.
    const Material* material(const KaString& name) const;
    const Scene* scene(const KaString& name) const;
    const WalkZone* walkZone(const KaString& name) const;
    const Object* object(const KaString& name) const;
    void clear();
};
// Strings, arrays and plain values only: their bytes may move.
KA_RELOCATABLE(KaZoneDescription::Camera);
KA_RELOCATABLE(KaZoneDescription::Material);
KA_RELOCATABLE(KaZoneDescription::Shape);
KA_RELOCATABLE(KaZoneDescription::Lamp);
KA_RELOCATABLE(KaZoneDescription::Object);
KA_RELOCATABLE(KaZoneDescription::WalkZone);
KA_RELOCATABLE(KaZoneDescription::Curve);
KA_RELOCATABLE(KaZoneDescription::Dummy);
KA_RELOCATABLE(KaZoneDescription::Scene);

#endif
