#ifndef KA_ZONE_COMPILER_H
#define KA_ZONE_COMPILER_H

#include "engine/core/KaString.h"
#include "tools/scene/KaZoneDescription.h"

class SceneGeometryFile;

// Turns a zone description into the files the game reads: the zone's
// geometry file and each scene's act zones and blockers, written through the
// game's own writers so that the tool and the game never disagree on a byte.
class KaZoneCompiler {
public:
    // The geometry records of the zone: one camera per scene, the objects
    // with their normals, texture coordinates and colours, the walkable
    // zones (the engine's own, their path grids built with every blocker the
    // zone's scenes lay on them), the curves with their lengths and the
    // dummies.
    static void buildGeometry(const KaZoneDescription& zone, SceneGeometryFile& file);

    // Writes, under the resources folder:
    //   scenes/<zone>/Geometry<zone>.bin
    //   scenes/<zone>/<scene>/actions.bin and blockers.bin, for every scene
    // creating the folders. False, with a console line naming the file, when
    // one of them cannot be written.
    static bool write(const KaZoneDescription& zone, const KaString& resourcesFolder);

    static KaString geometryPath(const KaString& resourcesFolder, const KaString& zone);
    static KaString sceneFolder(const KaString& resourcesFolder, const KaString& zone, const KaString& scene);
};

#endif
