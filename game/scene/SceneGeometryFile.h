#ifndef SCENE_GEOMETRY_FILE_H
#define SCENE_GEOMETRY_FILE_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/color/KaColor.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaActZone.h"
#include "engine/scene/KaBlocker.h"
#include "engine/scene/KaRectBlocker.h"

class KaFreeMoveZone;
class KaStream;

// A zone's geometry file ("scenes/<zone>/Geometry<zone>.bin") as plain
// records: the cameras, the meshes of the pick and prop objects, the walkable
// zones, the curves and the dummies. The scene reads a whole file into one of
// these before it lets go of the scene on screen, so a broken file never
// leaves a scene half loaded. The file comes from outside the program: every
// count and string length is checked against the bytes left and every vertex
// index against the vertex count; a file that fails is refused whole, with
// one console line. The tools write the same layout through write().
class SceneGeometryFile {
public:
    struct Camera {
        KaString name;
        KaVector3f32 position;
        KaQuaternion rotation;
        KaVector3f32 scale;
        float fov = 0.0f; // radians
        float aspect = 0.0f;
        float nearPlane = 0.0f;
        float farPlane = 0.0f; // kept as read; the scene forces its own
    };

    struct Object {
        KaString name;
        KaString type;
        KaVector3f32 position;
        KaQuaternion rotation;
        KaVector3f32 scale;
        KaArray<unsigned int> indices; // three per triangle, each below positions.size()
        KaArray<KaVector3f32> positions;
        KaArray<KaVector3f32> normals; // one per position
        KaArray<KaVector2f32> uvs;     // one per position
        KaArray<KaColor> colors;       // one per position
    };

    struct Curve {
        KaString name;
        KaVector3f32 position;
        KaQuaternion rotation;
        KaVector3f32 scale;
        float length = 0.0f;
        KaArray<KaVector3f32> points;
    };

    struct Dummy {
        KaString name;
        KaVector3f32 position;
        KaQuaternion rotation;
        KaVector3f32 scale;
    };

    SceneGeometryFile();
    ~SceneGeometryFile(); // deletes the zones still held
    SceneGeometryFile(const SceneGeometryFile&) = delete;
    SceneGeometryFile& operator=(const SceneGeometryFile&) = delete;

    // Reads a whole file. The walkable zones keep the three arrays for their
    // path search and drawing (the scene's own). False, with one console line
    // naming what was wrong, when the stream does not hold a whole, consistent
    // file; the records are then empty. Bytes after the last dummy are
    // left unread, as they always were.
    bool read(KaStream& stream, KaArray<KaBlocker>* blockers, KaArray<KaRectBlocker>* rectBlockers,
        KaArray<KaActZone>* actZones);
    bool write(KaStream& stream) const;
    void clear();

    // Hands the zones over: the caller owns them and this file forgets them.
    KaArray<KaFreeMoveZone*> takeZones();

    KaArray<Camera> cameras;
    KaArray<Object> objects;
    KaArray<KaFreeMoveZone*> zones; // owned until taken
    KaArray<Curve> curves;
    KaArray<Dummy> dummies;
};
KA_RELOCATABLE(SceneGeometryFile::Camera);
KA_RELOCATABLE(SceneGeometryFile::Object);
KA_RELOCATABLE(SceneGeometryFile::Curve);
KA_RELOCATABLE(SceneGeometryFile::Dummy);

#endif
