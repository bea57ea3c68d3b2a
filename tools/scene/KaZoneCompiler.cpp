#include "tools/scene/KaZoneCompiler.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <system_error>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/world/KaBezierCurve.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/SceneGeometryFile.h"
#include "tools/scene/KaSceneCamera.h"

namespace {

const KaVector3f32 kUnitScale(1.0f, 1.0f, 1.0f);

// Smooth where triangles share a vertex, flat where they do not (a box
// written face by face keeps its edges sharp).
KaArray<KaVector3f32> vertexNormals(const KaZoneDescription::Object& object)
{
    KaArray<KaVector3f32> normals;
    normals.resize(object.positions.size());
    for (unsigned long i = 0; i < normals.size(); ++i)
        normals[i] = KaVector3f32(0.0f, 0.0f, 0.0f);
    for (unsigned long t = 0; t + 2 < object.indices.size(); t += 3) {
        const unsigned int a = object.indices[t], b = object.indices[t + 1], c = object.indices[t + 2];
        const KaVector3f32 face = (object.positions[b] - object.positions[a]) ^ (object.positions[c] - object.positions[a]);
        normals[a] += face;
        normals[b] += face;
        normals[c] += face;
    }
    for (unsigned long i = 0; i < normals.size(); ++i) {
        normals[i].normalize();
        if (normals[i] == KaVector3f32(0.0f, 0.0f, 0.0f))
            normals[i] = KaVector3f32(0.0f, 1.0f, 0.0f);
    }
    return normals;
}

// A texture repeats every metre, projected along the normal's main axis,
// so that a texture given to a prop later does not stretch on any face.
KaVector2f32 planarUv(const KaVector3f32& p, const KaVector3f32& n)
{
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az)
        return KaVector2f32(p.x / 100.0f, p.z / 100.0f);
    if (ax >= az)
        return KaVector2f32(p.z / 100.0f, -p.y / 100.0f);
    return KaVector2f32(p.x / 100.0f, -p.y / 100.0f);
}

SceneGeometryFile::Camera cameraRecord(const KaZoneDescription::Camera& camera)
{
    SceneGeometryFile::Camera record;
    record.name = camera.name;
    record.position = camera.position;
    KaSceneCamera::rotation(camera, record.rotation);
    record.scale = kUnitScale;
    record.fov = KaSceneCamera::fileFov(camera);
    record.aspect = camera.aspect;
    record.nearPlane = camera.nearPlane;
    record.farPlane = camera.farPlane;
    return record;
}

SceneGeometryFile::Object objectRecord(const KaZoneDescription::Object& object)
{
    SceneGeometryFile::Object record;
    record.name = object.name;
    record.type = object.type;
    record.scale = kUnitScale;
    record.indices = object.indices;
    record.positions = object.positions;
    record.normals = vertexNormals(object);
    for (unsigned long i = 0; i < object.positions.size(); ++i) {
        record.uvs.pushBack(planarUv(object.positions[i], record.normals[i]));
        record.colors.pushBack(object.color);
    }
    return record;
}

// The grid is built here, while the blockers it must respect are at hand;
// the zone is written clean and the scene trusts it as it is.
KaFreeMoveZone* walkZone(const KaZoneDescription::WalkZone& description, KaArray<KaBlocker>& blockers)
{
    KaFreeMoveZone* zone = new KaFreeMoveZone;
    zone->setName(description.name);
    zone->setNbTriangles(description.triangles.size() / 3);
    for (unsigned long k = 0; k < description.triangles.size() / 3 * 3; ++k)
        zone->setVertex(k, description.vertices[description.triangles[k]]);
    zone->setBlockers(&blockers);
    zone->updateTransformedVertices();
    zone->updatePickMesh();
    zone->updateBorders();
    zone->updateGrid(false);
    zone->setBlockers(nullptr);
    return zone;
}

SceneGeometryFile::Curve curveRecord(const KaZoneDescription::Curve& curve)
{
    KaIntrusivePtr<KaBezierCurve> measured(new KaBezierCurve);
    measured->setControlPoints(curve.points);
    SceneGeometryFile::Curve record;
    record.name = curve.name;
    record.scale = kUnitScale;
    record.length = measured->length();
    record.points = curve.points;
    return record;
}

bool writeFile(const KaString& path, const std::function<bool(KaStream&)>& write)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.c_str()).parent_path(), error);
    KaFile file(KaPath(path), KaFileSystem::Write);
    const bool written = file.isOpened() && write(file);
    file.close();
    if (!written)
        KaPrintf("[KaZoneCompiler::write] Can't write file : %s\n", path.c_str());
    return written;
}

} // namespace

void KaZoneCompiler::buildGeometry(const KaZoneDescription& zone, SceneGeometryFile& file)
{
    file.clear();
    for (unsigned long i = 0; i < zone.scenes.size(); ++i)
        file.cameras.pushBack(cameraRecord(zone.scenes[i].camera));
    for (unsigned long i = 0; i < zone.objects.size(); ++i)
        file.objects.pushBack(objectRecord(zone.objects[i]));
    KaArray<KaBlocker> blockers;
    for (unsigned long i = 0; i < zone.scenes.size(); ++i)
        for (unsigned long b = 0; b < zone.scenes[i].blockers.size(); ++b)
            blockers.pushBack(zone.scenes[i].blockers[b]);
    for (unsigned long i = 0; i < zone.walkZones.size(); ++i)
        file.zones.pushBack(walkZone(zone.walkZones[i], blockers));
    for (unsigned long i = 0; i < zone.curves.size(); ++i)
        file.curves.pushBack(curveRecord(zone.curves[i]));
    for (unsigned long i = 0; i < zone.dummies.size(); ++i) {
        SceneGeometryFile::Dummy dummy;
        dummy.name = zone.dummies[i].name;
        dummy.position = zone.dummies[i].position;
        dummy.rotation = zone.dummies[i].rotation();
        dummy.scale = kUnitScale;
        file.dummies.pushBack(dummy);
    }
}

bool KaZoneCompiler::write(const KaZoneDescription& zone, const KaString& resourcesFolder)
{
    SceneGeometryFile geometry;
    buildGeometry(zone, geometry);
    bool ok = writeFile(
        geometryPath(resourcesFolder, zone.name), [&](KaStream& stream) { return geometry.write(stream); });
    for (unsigned long i = 0; i < zone.scenes.size(); ++i) {
        const KaZoneDescription::Scene& scene = zone.scenes[i];
        const KaString folder = sceneFolder(resourcesFolder, zone.name, scene.name);
        ok = writeFile(folder + "/actions.bin", [&](KaStream& stream) { return ActZonesFile::write(stream, scene.actZones); })
            && ok;
        ok = writeFile(folder + "/blockers.bin",
                 [&](KaStream& stream) { return BlockersFile::write(stream, scene.blockers, scene.rectBlockers, true); })
            && ok;
    }
    return ok;
}

KaString KaZoneCompiler::geometryPath(const KaString& resourcesFolder, const KaString& zone)
{
    return resourcesFolder + "/scenes/" + zone + "/Geometry" + zone + ".bin";
}

KaString KaZoneCompiler::sceneFolder(const KaString& resourcesFolder, const KaString& zone, const KaString& scene)
{
    return resourcesFolder + "/scenes/" + zone + "/" + scene;
}
