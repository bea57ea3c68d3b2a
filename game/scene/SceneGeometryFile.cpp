#include "game/scene/SceneGeometryFile.h"

#include "engine/core/KaStream.h"
#include "engine/maths/KaMathsStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "game/scene/SceneFileReader.h"

namespace {

// The fewest bytes each record can take (empty names, no points), against
// which a count is checked before anything is sized by it.
const unsigned long kPlacementBytes = 12 + 16 + 12;
const unsigned long kCameraBytes = 4 + kPlacementBytes + 4 * 4;
const unsigned long kObjectBytes = 4 + 4 + kPlacementBytes + 4 + 4;
const unsigned long kCurveBytes = 4 + kPlacementBytes + 4 + 4;
const unsigned long kDummyBytes = 4 + kPlacementBytes;
// Per vertex: position, normal, texture coordinate, colour.
const unsigned long kVertexBytes = 12 + 12 + 8 + 4;

const char* const kOperation = "InGameScene::load";
const char* const kFile = "The geometry file";

bool readPlacement(SceneFileReader& in, KaVector3f32& position, KaQuaternion& rotation, KaVector3f32& scale)
{
    KaStream& stream = in.stream();
    return in.field(KaVector3f32::deserialize(stream, position), "position")
        && in.field(KaQuaternion::deserialize(stream, rotation), "rotation")
        && in.field(KaVector3f32::deserialize(stream, scale), "scale");
}

bool writePlacement(
    KaStream& stream, const KaVector3f32& position, const KaQuaternion& rotation, const KaVector3f32& scale)
{
    bool ok = KaVector3f32::serialize(stream, position);
    ok = KaQuaternion::serialize(stream, rotation) && ok;
    return KaVector3f32::serialize(stream, scale) && ok;
}

bool readCamera(SceneFileReader& in, SceneGeometryFile::Camera& camera)
{
    if (!in.string(camera.name, "name"))
        return false;
    in.named(camera.name);
    return readPlacement(in, camera.position, camera.rotation, camera.scale) && in.number(camera.fov, "field of view")
        && in.number(camera.aspect, "aspect ratio") && in.number(camera.nearPlane, "near plane")
        && in.number(camera.farPlane, "far plane");
}

bool readObject(SceneFileReader& in, SceneGeometryFile::Object& object)
{
    KaStream& stream = in.stream();
    if (!in.string(object.name, "name"))
        return false;
    in.named(object.name);
    unsigned int indexCount = 0;
    unsigned int vertexCount = 0;
    if (!in.string(object.type, "type") || !readPlacement(in, object.position, object.rotation, object.scale)
        || !in.number(indexCount, "index count") || !in.number(vertexCount, "vertex count")
        || !in.fits(
            4ull * indexCount + static_cast<unsigned long long>(kVertexBytes) * vertexCount, "indices and vertices")
        || !in.field(KaMathsStream::readArray(stream, indexCount, object.indices), "indices"))
        return false;
    // The pick mesh and the drawn mesh both look vertices up by these.
    for (unsigned long i = 0; i < object.indices.size(); ++i)
        if (object.indices[i] >= vertexCount)
            return in.fail("index %lu is %u, past the %u vertices", i, object.indices[i], vertexCount);
    return in.field(KaMathsStream::readVectors(stream, vertexCount, object.positions), "positions")
        && in.field(KaMathsStream::readVectors(stream, vertexCount, object.normals), "normals")
        && in.field(KaMathsStream::readSlices(stream, vertexCount, object.uvs,
                        [](KaStream& from, KaVector2f32& uv) { return KaVector2f32::deserialize(from, uv); }),
            "texture coordinates")
        && in.field(KaMathsStream::readSlices(stream, vertexCount, object.colors,
                        [](KaStream& from, KaColor& color) { return KaColor::deserialize(from, color); }),
            "colours");
}

bool readCurve(SceneFileReader& in, SceneGeometryFile::Curve& curve)
{
    if (!in.string(curve.name, "name"))
        return false;
    in.named(curve.name);
    unsigned int count = 0;
    return readPlacement(in, curve.position, curve.rotation, curve.scale) && in.number(curve.length, "length")
        && in.count(count, "control points", 12)
        && in.field(KaMathsStream::readVectors(in.stream(), count, curve.points), "control points");
}

bool readDummy(SceneFileReader& in, SceneGeometryFile::Dummy& dummy)
{
    if (!in.string(dummy.name, "name"))
        return false;
    in.named(dummy.name);
    return readPlacement(in, dummy.position, dummy.rotation, dummy.scale);
}

} // namespace

SceneGeometryFile::SceneGeometryFile() = default;

SceneGeometryFile::~SceneGeometryFile() { clear(); }

void SceneGeometryFile::clear()
{
    cameras.clear();
    objects.clear();
    for (unsigned long i = 0; i < zones.size(); ++i)
        delete zones[i];
    zones.clear();
    curves.clear();
    dummies.clear();
}

KaArray<KaFreeMoveZone*> SceneGeometryFile::takeZones()
{
    KaArray<KaFreeMoveZone*> taken = zones;
    zones = KaArray<KaFreeMoveZone*>();
    return taken;
}

// Bytes after the dummies are left unread: the file has no end marker, and
// files that carry padding after their last record load as they always did.
bool SceneGeometryFile::read(
    KaStream& stream, KaArray<KaBlocker>* blockers, KaArray<KaRectBlocker>* rectBlockers, KaArray<KaActZone>* actZones)
{
    clear();
    SceneFileReader in(stream, kOperation, kFile);
    bool ok = in.records("cameras", "camera", kCameraBytes, cameras, readCamera)
        && in.records("objects", "object", kObjectBytes, objects, readObject);
    if (ok) {
        in.at(nullptr, 0);
        unsigned int count = 0;
        ok = in.count(count, "walkable zones", KaFreeMoveZone::kSmallestBlockBytes);
        for (unsigned int i = 0; ok && i < count; ++i) {
            in.at("walkable zone", i);
            KaFreeMoveZone* zone = new KaFreeMoveZone();
            const char* field = nullptr;
            if (KaFreeMoveZone::deserialize(stream, *zone, blockers, rectBlockers, actZones, field)) {
                zones.pushBack(zone);
            } else {
                delete zone;
                ok = in.field(false, field);
            }
        }
    }
    ok = ok && in.records("curves", "curve", kCurveBytes, curves, readCurve)
        && in.records("dummies", "dummy", kDummyBytes, dummies, readDummy);
    if (!ok)
        clear();
    return ok;
}

bool SceneGeometryFile::write(KaStream& stream) const
{
    // An object the reader would refuse is not written at all.
    for (unsigned long i = 0; i < objects.size(); ++i) {
        const Object& object = objects[i];
        const unsigned long vertices = object.positions.size();
        if (object.normals.size() != vertices || object.uvs.size() != vertices || object.colors.size() != vertices) {
            KaPrintf("[SceneGeometryFile::write] Object %s has %lu positions but %lu normals, %lu texture coordinates "
                     "and %lu colours.\n",
                object.name.c_str(), vertices, object.normals.size(), object.uvs.size(), object.colors.size());
            return false;
        }
        for (unsigned long k = 0; k < object.indices.size(); ++k) {
            if (object.indices[k] >= vertices) {
                KaPrintf("[SceneGeometryFile::write] Index %lu of object %s is past its %lu vertices.\n", k,
                    object.name.c_str(), vertices);
                return false;
            }
        }
    }

    SceneFileBinaryMode binary(stream);
    bool ok = KaMathsStream::write(stream, static_cast<unsigned int>(cameras.size()));
    for (unsigned long i = 0; i < cameras.size(); ++i) {
        const Camera& camera = cameras[i];
        ok = KaString::serialize(stream, camera.name) && ok;
        ok = writePlacement(stream, camera.position, camera.rotation, camera.scale) && ok;
        ok = KaMathsStream::writeAll(stream, camera.fov, camera.aspect, camera.nearPlane, camera.farPlane) && ok;
    }
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(objects.size())) && ok;
    for (unsigned long i = 0; i < objects.size(); ++i) {
        const Object& object = objects[i];
        ok = KaString::serialize(stream, object.name) && ok;
        ok = KaString::serialize(stream, object.type) && ok;
        ok = writePlacement(stream, object.position, object.rotation, object.scale) && ok;
        const unsigned long vertices = object.positions.size();
        ok = KaMathsStream::writeAll(
                 stream, static_cast<unsigned int>(object.indices.size()), static_cast<unsigned int>(vertices))
            && ok;
        for (unsigned long k = 0; k < object.indices.size(); ++k)
            ok = KaMathsStream::write(stream, object.indices[k]) && ok;
        for (unsigned long k = 0; k < vertices; ++k)
            ok = KaVector3f32::serialize(stream, object.positions[k]) && ok;
        for (unsigned long k = 0; k < vertices; ++k)
            ok = KaVector3f32::serialize(stream, object.normals[k]) && ok;
        for (unsigned long k = 0; k < vertices; ++k)
            ok = KaVector2f32::serialize(stream, object.uvs[k]) && ok;
        for (unsigned long k = 0; k < vertices; ++k)
            ok = KaColor::serialize(stream, object.colors[k]) && ok;
    }
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(zones.size())) && ok;
    for (unsigned long i = 0; i < zones.size(); ++i)
        ok = KaFreeMoveZone::serialize(stream, *zones[i], true) && ok;
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(curves.size())) && ok;
    for (unsigned long i = 0; i < curves.size(); ++i) {
        const Curve& curve = curves[i];
        ok = KaString::serialize(stream, curve.name) && ok;
        ok = writePlacement(stream, curve.position, curve.rotation, curve.scale) && ok;
        ok = KaMathsStream::write(stream, curve.length) && ok;
        ok = KaMathsStream::writeVectors(stream, curve.points) && ok;
    }
    ok = KaMathsStream::write(stream, static_cast<unsigned int>(dummies.size())) && ok;
    for (unsigned long i = 0; i < dummies.size(); ++i) {
        const Dummy& dummy = dummies[i];
        ok = KaString::serialize(stream, dummy.name) && ok;
        ok = writePlacement(stream, dummy.position, dummy.rotation, dummy.scale) && ok;
    }
    return ok;
}
