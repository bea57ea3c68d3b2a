// A zone's geometry file as the scene reads it, from memory and from a file:
// a refused file leaves nothing behind; a file that loads holds only indices
// below its vertex count, is used as the scene uses it (the pick triangles,
// the zones' act zones) and reads back the same once written again.

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/scene/SceneGeometryFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

struct SceneArrays {
    KaArray<KaBlocker> blockers;
    KaArray<KaRectBlocker> rectBlockers;
    KaArray<KaActZone> actZones;
};

bool readGeometry(KaStream& stream, SceneGeometryFile& file, SceneArrays& arrays)
{
    return file.read(stream, &arrays.blockers, &arrays.rectBlockers, &arrays.actZones);
}

bool empty(const SceneGeometryFile& file)
{
    return file.cameras.size() == 0 && file.objects.size() == 0 && file.zones.size() == 0 && file.curves.size() == 0
        && file.dummies.size() == 0;
}

void use(SceneGeometryFile& file)
{
    float sum = 0.0f;
    for (unsigned long i = 0; i < file.objects.size(); ++i) {
        const SceneGeometryFile::Object& object = file.objects[i];
        const unsigned long vertices = object.positions.size();
        KaFuzzCheck(
            object.normals.size() == vertices && object.uvs.size() == vertices && object.colors.size() == vertices,
            "one normal, texture coordinate and colour per position");
        for (unsigned long k = 0; k < object.indices.size(); ++k)
            KaFuzzCheck(object.indices[k] < vertices, "indices below the vertex count");
        // The pick mesh takes N / 3 triangles through the indices.
        for (unsigned long k = 0; k < object.indices.size() / 3 * 3; ++k)
            sum += object.positions[object.indices[k]].x;
    }
    (void)sum;
    for (unsigned long i = 0; i < file.zones.size(); ++i)
        (void)file.zones[i]->isInZone(KaVector3f32(1.0f, 0.0f, 1.0f));

    // The zones' own blocks are fuzzed by KaFreeMoveZoneFuzz; writing them
    // would build their grids, so the round trip leaves them out.
    KaArray<KaFreeMoveZone*> zones = file.takeZones();
    for (unsigned long i = 0; i < zones.size(); ++i)
        delete zones[i];
    KaStream first;
    KaFuzzCheck(file.write(first), "a file that loads can be written");
    first.seek(0);
    SceneGeometryFile again;
    SceneArrays arraysAgain;
    KaFuzzCheck(readGeometry(first, again, arraysAgain), "a written file loads");
    KaStream second;
    again.write(second);
    KaFuzzCheck(KaFuzzSameBytes(first, second), "a written file reads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SceneArrays arrays;
    KaActZone act;
    act.zoneName = "floor";
    act.corners[1] = KaVector2f32(10.0f, 0.0f);
    act.corners[2] = KaVector2f32(10.0f, 10.0f);
    act.corners[3] = KaVector2f32(0.0f, 10.0f);
    arrays.actZones.pushBack(act);

    KaStream stream;
    KaFuzzFillStream(stream, data, size);
    SceneGeometryFile file;
    const bool loaded = readGeometry(stream, file, arrays);
    KaFuzzCheck(loaded || empty(file), "a refused file is refused whole");

    {
        KaFile onDisk;
        KaFuzzCheck(onDisk.open(KaFuzzWriteFile("Geometry.bin", data, size), KaFileSystem::Read), "scratch file");
        SceneGeometryFile fromFile;
        SceneArrays fileArrays;
        KaFuzzCheck(readGeometry(onDisk, fromFile, fileArrays) == loaded, "a file reads as the same bytes in memory");
        onDisk.close();
    }

    if (loaded)
        use(file);
    return 0;
}
