#ifndef SCENE_TEST_FILES_H
#define SCENE_TEST_FILES_H

// Small scene files the scene tests share, written with the game's own
// writers.

#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "game/scene/SceneGeometryFile.h"

inline std::string bytesOf(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

inline unsigned long lines(const std::string& text)
{
    unsigned long count = 0;
    for (char c : text)
        count += c == '\n';
    return count;
}

// A floor of two squares, 40 wide, built the way the tools build zones.
inline void buildZone(KaFreeMoveZone& zone, const char* name)
{
    zone.setName(name);
    const KaVector3f32 corners[6]
        = { KaVector3f32(0, 0, 0), KaVector3f32(80, 0, 0), KaVector3f32(80, 0, 40), KaVector3f32(0, 0, 40) };
    const int order[6] = { 0, 1, 2, 0, 2, 3 };
    zone.setNbTriangles(2);
    for (int i = 0; i < 6; ++i)
        zone.setVertex(i, corners[order[i]]);
}

inline SceneGeometryFile::Object object(const char* name, const char* type, std::vector<unsigned int> indices)
{
    SceneGeometryFile::Object result;
    result.name = name;
    result.type = type;
    result.position = KaVector3f32(1, 2, 3);
    result.rotation = KaQuaternion(0.0f, 0.7071068f, 0.0f, 0.7071068f);
    result.scale = KaVector3f32(2, 2, 2);
    for (unsigned int index : indices)
        result.indices.pushBack(index);
    for (int i = 0; i < 4; ++i) {
        const float f = static_cast<float>(i);
        result.positions.pushBack(KaVector3f32(f, f * 2, -f));
        result.normals.pushBack(KaVector3f32(0, 1, 0));
        result.uvs.pushBack(KaVector2f32(f / 4, 1 - f / 4));
        result.colors.pushBack(KaColor(static_cast<unsigned char>(10 * i), 20, 30, 255));
    }
    return result;
}

// A small zone file: two cameras, a hit object (with an index count that
// is no multiple of 3), a typed object, one walkable zone, a curve, a dummy.
inline void sampleGeometry(SceneGeometryFile& file)
{
    SceneGeometryFile::Camera camera;
    camera.name = "CameraHall";
    camera.position = KaVector3f32(0, 170, 400);
    camera.rotation = KaQuaternion(0.1f, 0.0f, 0.0f, 0.995f);
    camera.scale = KaVector3f32(1, 1, 1);
    camera.fov = 0.785f;
    camera.aspect = 1.333f;
    camera.nearPlane = 10.0f;
    camera.farPlane = 5000.0f;
    file.cameras.pushBack(camera);
    camera.name = "CameraStreet";
    camera.farPlane = 12.5f;
    file.cameras.pushBack(camera);
    file.objects.pushBack(object("DoorClic", "", { 0, 1, 2, 0, 2, 3, 3 }));
    file.objects.pushBack(object("Lamp", "lamp", { 2, 1, 0 }));
    KaFreeMoveZone* zone = new KaFreeMoveZone();
    buildZone(*zone, "HallFloor");
    file.zones.pushBack(zone);
    SceneGeometryFile::Curve curve;
    curve.name = "PathToDoor";
    curve.scale = KaVector3f32(1, 1, 1);
    curve.length = 123.5f;
    for (int i = 0; i < 4; ++i)
        curve.points.pushBack(KaVector3f32(10.0f * i, 0, 5.0f * i));
    file.curves.pushBack(curve);
    SceneGeometryFile::Dummy dummy;
    dummy.name = "DummyEntrance";
    dummy.position = KaVector3f32(40, 0, 20);
    dummy.rotation = KaQuaternion(0, 1, 0, 0);
    dummy.scale = KaVector3f32(1, 1, 1);
    file.dummies.pushBack(dummy);
}

#endif
