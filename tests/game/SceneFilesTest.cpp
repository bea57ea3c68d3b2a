#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "game/scene/ActZonesFile.h"
#include "game/scene/BlockersFile.h"
#include "game/scene/SceneGeometryFile.h"
#include "tests/game/SceneTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

void fill(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

void patchU32(std::string& bytes, unsigned long offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::string written(const SceneGeometryFile& file)
{
    KaStream out;
    EXPECT_TRUE(file.write(out));
    return bytesOf(out);
}

struct SceneArrays {
    KaArray<KaBlocker> blockers;
    KaArray<KaRectBlocker> rectBlockers;
    KaArray<KaActZone> actZones;
};

bool readGeometry(const std::string& bytes, SceneGeometryFile& file, SceneArrays& arrays)
{
    KaStream in;
    fill(in, bytes);
    return file.read(in, &arrays.blockers, &arrays.rectBlockers, &arrays.actZones);
}

bool geometryEmpty(const SceneGeometryFile& file)
{
    return file.cameras.size() == 0 && file.objects.size() == 0 && file.zones.size() == 0 && file.curves.size() == 0
        && file.dummies.size() == 0;
}

void expectSameObject(const SceneGeometryFile::Object& expected, const SceneGeometryFile::Object& actual)
{
    EXPECT_EQ(expected.name, actual.name);
    EXPECT_EQ(expected.type, actual.type);
    EXPECT_EQ(expected.position, actual.position);
    EXPECT_EQ(expected.rotation, actual.rotation);
    EXPECT_EQ(expected.scale, actual.scale);
    ASSERT_EQ(expected.indices.size(), actual.indices.size());
    for (unsigned long i = 0; i < expected.indices.size(); ++i)
        EXPECT_EQ(expected.indices[i], actual.indices[i]);
    ASSERT_EQ(expected.positions.size(), actual.positions.size());
    for (unsigned long i = 0; i < expected.positions.size(); ++i) {
        EXPECT_EQ(expected.positions[i], actual.positions[i]);
        EXPECT_EQ(expected.normals[i], actual.normals[i]);
        EXPECT_EQ(expected.uvs[i], actual.uvs[i]);
        EXPECT_TRUE(expected.colors[i] == actual.colors[i]);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// The geometry file

TEST(SceneGeometryFile, ReadsBackWhatItWrites)
{
    SceneGeometryFile original;
    sampleGeometry(original);
    const std::string bytes = written(original);

    SceneGeometryFile file;
    SceneArrays arrays;
    KaCaptureStdout capture;
    ASSERT_TRUE(readGeometry(bytes, file, arrays));
    EXPECT_EQ("", capture.text());

    ASSERT_EQ(2u, file.cameras.size());
    EXPECT_EQ(KaString("CameraStreet"), file.cameras[1].name);
    EXPECT_EQ(original.cameras[0].position, file.cameras[0].position);
    EXPECT_EQ(original.cameras[0].rotation, file.cameras[0].rotation);
    EXPECT_EQ(0.785f, file.cameras[0].fov);
    EXPECT_EQ(1.333f, file.cameras[0].aspect);
    EXPECT_EQ(10.0f, file.cameras[0].nearPlane);
    EXPECT_EQ(5000.0f, file.cameras[0].farPlane) << "kept as stored";
    EXPECT_EQ(12.5f, file.cameras[1].farPlane);

    ASSERT_EQ(2u, file.objects.size());
    expectSameObject(original.objects[0], file.objects[0]);
    expectSameObject(original.objects[1], file.objects[1]);
    EXPECT_EQ(7u, file.objects[0].indices.size()) << "an index count that is no multiple of 3 is kept";

    ASSERT_EQ(1u, file.zones.size());
    const KaFreeMoveZone& zone = *file.zones[0];
    EXPECT_EQ(KaString("HallFloor"), zone.name());
    EXPECT_EQ(6u, zone.vertices().size());
    EXPECT_EQ(KaVector3f32(80, 0, 40), zone.vertices()[2]);
    EXPECT_FALSE(zone.gridDirty()) << "the zone was written with its grid";

    ASSERT_EQ(1u, file.curves.size());
    EXPECT_EQ(KaString("PathToDoor"), file.curves[0].name);
    EXPECT_EQ(123.5f, file.curves[0].length);
    ASSERT_EQ(4u, file.curves[0].points.size());
    EXPECT_EQ(KaVector3f32(30, 0, 15), file.curves[0].points[3]);

    ASSERT_EQ(1u, file.dummies.size());
    EXPECT_EQ(KaString("DummyEntrance"), file.dummies[0].name);
    EXPECT_EQ(KaVector3f32(40, 0, 20), file.dummies[0].position);
    EXPECT_EQ(KaQuaternion(0, 1, 0, 0), file.dummies[0].rotation);

    EXPECT_EQ(bytes, written(file)) << "everything read is written back the same";

    KaArray<KaFreeMoveZone*> taken = file.takeZones();
    ASSERT_EQ(1u, taken.size());
    EXPECT_EQ(0u, file.zones.size());
    delete taken[0];
}

// The zone keeps the scene's arrays: a blocker added after loading shapes
// its paths, and its act zones are found.
TEST(SceneGeometryFile, ZonesUseTheScenesArrays)
{
    SceneGeometryFile original;
    sampleGeometry(original);
    SceneGeometryFile file;
    SceneArrays arrays;
    KaActZone act;
    act.zoneName = "HallFloor";
    act.corners[1] = KaVector2f32(20, 0);
    act.corners[2] = KaVector2f32(20, 20);
    act.corners[3] = KaVector2f32(0, 20);
    arrays.actZones.pushBack(act);
    ASSERT_TRUE(readGeometry(written(original), file, arrays));
    EXPECT_EQ(&arrays.actZones[0], file.zones[0]->isInZone(KaVector3f32(10, 0, 10)));
}

TEST(SceneGeometryFile, ReadsFromAFile)
{
    SceneGeometryFile original;
    sampleGeometry(original);
    KaTempDir folder;
    folder.write("scenes/Hall/GeometryHall.bin", written(original) + std::string(3, '\0'));

    KaFile in;
    ASSERT_TRUE(in.open(KaPath(folder.file("scenes/Hall/GeometryHall.bin").c_str()), KaFileSystem::Read));
    SceneGeometryFile file;
    SceneArrays arrays;
    EXPECT_TRUE(file.read(in, &arrays.blockers, &arrays.rectBlockers, &arrays.actZones))
        << "bytes after the dummies are left unread";
    in.close();
    EXPECT_EQ(2u, file.cameras.size());
    EXPECT_EQ(1u, file.dummies.size());
}

// Blocks with empty names and no vertices are the smallest a count is
// checked against: a file made only of them must still load.
TEST(SceneGeometryFile, EmptyZonesFitTheirCount)
{
    KaFreeMoveZone empty;
    KaStream block;
    ASSERT_TRUE(KaFreeMoveZone::serialize(block, empty, false));
    EXPECT_EQ(KaFreeMoveZone::kSmallestBlockBytes, block.bufferLength());

    SceneGeometryFile original;
    for (int i = 0; i < 3; ++i)
        original.zones.pushBack(new KaFreeMoveZone());
    KaCaptureStdout quiet; // an empty floor has no grid to build
    std::string bytes = written(original);
    SceneGeometryFile file;
    SceneArrays arrays;
    ASSERT_TRUE(readGeometry(bytes, file, arrays));
    EXPECT_EQ(3u, file.zones.size());
}

TEST(SceneGeometryFile, WritesOnlyWhatItCouldRead)
{
    SceneGeometryFile bad;
    bad.objects.pushBack(object("Past", "prop", { 0, 1, 4 }));
    KaStream out;
    KaCaptureStdout capture;
    EXPECT_FALSE(bad.write(out));
    EXPECT_EQ(0u, out.bufferLength());
    bad.objects[0].indices[2] = 3;
    bad.objects[0].normals.removeAt(0);
    EXPECT_FALSE(bad.write(out));
    EXPECT_EQ(0u, out.bufferLength());
    EXPECT_EQ(2u, lines(capture.text()));
}

namespace {

// Files with one kind of record, whose fields lie at offsets known here.
// Names are 4 bytes long.
std::string oneCamera()
{
    SceneGeometryFile file;
    SceneGeometryFile::Camera camera;
    camera.name = "Cam1";
    file.cameras.pushBack(camera);
    return written(file);
}
// Count at 0, name length at 4.

std::string oneObject()
{
    SceneGeometryFile file;
    file.objects.pushBack(object("Box1", "prop", { 0, 1, 2, 2, 1, 3 }));
    return written(file);
}
const unsigned long kObjectCount = 4;
const unsigned long kObjectName = 8;
const unsigned long kIndexCount = kObjectName + 8 + 8 + 40;
const unsigned long kVertexCount = kIndexCount + 4;
const unsigned long kFirstIndex = kVertexCount + 4;

std::string oneZone()
{
    SceneGeometryFile file;
    KaFreeMoveZone* zone = new KaFreeMoveZone();
    buildZone(*zone, "Flor");
    file.zones.pushBack(zone);
    return written(file);
}
const unsigned long kZoneCount = 8;
const unsigned long kPickTriangles = kZoneCount + 4 + 8 + 40;

std::string oneCurve()
{
    SceneGeometryFile file;
    SceneGeometryFile::Curve curve;
    curve.name = "Crv1";
    curve.points.pushBack(KaVector3f32(1, 2, 3));
    file.curves.pushBack(curve);
    return written(file);
}
const unsigned long kCurveCount = 12;
const unsigned long kPointCount = kCurveCount + 4 + 8 + 40 + 4;

std::string patched(std::string bytes, unsigned long offset, uint32_t value)
{
    patchU32(bytes, offset, value);
    return bytes;
}

} // namespace

// Every broken file is refused whole with one line: nothing is kept, and no
// count is trusted before the bytes left could hold it.
TEST(SceneGeometryFile, BrokenFilesAreRefusedWhole)
{
    struct Case {
        std::string what;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases = {
        { "empty", "", "the file ends in the cameras" },
        { "huge camera count", patched(oneCamera(), 0, 0xffffffffu), "4294967295 cameras need at least" },
        { "camera name past the end", patched(oneCamera(), 4, 1000), "camera 0: the file ends in the name" },
        { "huge object count", patched(oneObject(), kObjectCount, 0x10000000u), "268435456 objects need" },
        { "object name past the end", patched(oneObject(), kObjectName, 0x7fffffffu), "the file ends in the name" },
        { "huge index count", patched(oneObject(), kIndexCount, 0xfffffff0u), "the indices and vertices need" },
        { "huge vertex count", patched(oneObject(), kVertexCount, 0xfffffff0u), "the indices and vertices need" },
        { "one more vertex than stored", patched(oneObject(), kVertexCount, 5),
            "the indices and vertices need 204 bytes, only 180 are left" },
        { "index past the vertices", patched(oneObject(), kFirstIndex + 12, 4),
            "object 0 \"Box1\": index 3 is 4, past the 4 vertices" },
        { "last index past the vertices", patched(oneObject(), kFirstIndex + 20, 0xffffffffu),
            "index 5 is 4294967295, past the 4 vertices" },
        { "huge zone count", patched(oneZone(), kZoneCount, 0x01000000u), "16777216 walkable zones need" },
        { "huge pick triangle count", patched(oneZone(), kPickTriangles, 0x7fffffffu),
            "walkable zone 0: the file ends in the pick vertices" },
        { "huge curve count", patched(oneCurve(), kCurveCount, 0xffffffffu), "curves need" },
        { "huge point count", patched(oneCurve(), kPointCount, 0x40000000u),
            "curve 0 \"Crv1\": 1073741824 control points need" },
        { "one more point than stored", patched(oneCurve(), kPointCount, 2),
            "2 control points need at least 24 bytes, only 16 are left" },
    };
    SceneGeometryFile sample;
    sampleGeometry(sample);
    const std::string good = written(sample);
    for (unsigned long length = 0; length < good.size(); ++length)
        cases.push_back({ "cut at " + std::to_string(length), good.substr(0, length), "" });
    for (const std::string& small : { oneCamera(), oneObject(), oneZone(), oneCurve() })
        for (unsigned long length = 0; length < small.size(); ++length)
            cases.push_back({ "small cut at " + std::to_string(length), small.substr(0, length), "" });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SceneGeometryFile file;
        sampleGeometry(file);
        SceneArrays arrays;
        KaCaptureStdout capture;
        EXPECT_FALSE(readGeometry(c.bytes, file, arrays));
        const std::string text = capture.text();
        EXPECT_TRUE(geometryEmpty(file));
        EXPECT_EQ(1u, lines(text)) << text;
        EXPECT_EQ(0u, text.find("[InGameScene::load] The geometry file refused")) << text;
        EXPECT_NE(std::string::npos, text.find(c.message)) << text;
    }
}

// ---------------------------------------------------------------------------
// "actions.bin"

namespace {

KaArray<KaActZone> sampleActZones()
{
    KaArray<KaActZone> zones;
    KaActZone zone;
    zone.zoneName = "HallFloor";
    zone.name = "DoorStep";
    for (int i = 0; i < 4; ++i)
        zone.corners[i] = KaVector2f32(static_cast<float>(i), static_cast<float>(10 - i));
    zone.flag = true;
    zone.active = false;
    zones.pushBack(zone);
    zone.zoneName = "Street";
    zone.name = "";
    zone.flag = false;
    zones.pushBack(zone);
    return zones;
}

std::string actZonesBytes(const KaArray<KaActZone>& zones)
{
    KaStream out;
    EXPECT_TRUE(ActZonesFile::write(out, zones));
    return bytesOf(out);
}

bool readActZones(const std::string& bytes, KaArray<KaActZone>& zones)
{
    KaStream in;
    fill(in, bytes);
    return ActZonesFile::read(in, zones);
}

} // namespace

TEST(ActZonesFile, ReadsBackWhatItWrites)
{
    const KaArray<KaActZone> original = sampleActZones();
    const std::string bytes = actZonesBytes(original);
    EXPECT_EQ("ACT0", bytes.substr(0, 4));
    KaArray<KaActZone> zones;
    KaCaptureStdout capture;
    ASSERT_TRUE(readActZones(bytes, zones));
    EXPECT_EQ("", capture.text());
    ASSERT_EQ(2u, zones.size());
    for (unsigned long i = 0; i < zones.size(); ++i) {
        EXPECT_EQ(original[i].zoneName, zones[i].zoneName);
        EXPECT_EQ(original[i].name, zones[i].name);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(original[i].corners[k], zones[i].corners[k]);
        EXPECT_EQ(original[i].flag, zones[i].flag);
        EXPECT_TRUE(zones[i].active) << "every zone read is enabled";
    }
    EXPECT_EQ(bytes, actZonesBytes(zones));
}

TEST(ActZonesFile, BrokenFilesGiveNoActZones)
{
    const std::string good = actZonesBytes(sampleActZones());
    struct Case {
        std::string what;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases = {
        { "no magic", "ACT1" + good.substr(4), "does not begin with \"ACT0\"" },
        { "a count where the magic goes", good.substr(4), "does not begin with \"ACT0\"" },
        { "huge count", patched(good, 4, 0xffffffffu), "4294967295 act zones need at least" },
        { "name past the end", patched(good, 8, 0x7ffffff0u), "act zone 0: the file ends in the walkable-zone name" },
    };
    for (unsigned long length = 0; length < good.size(); ++length)
        cases.push_back({ "cut at " + std::to_string(length), good.substr(0, length), "" });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaArray<KaActZone> zones = sampleActZones();
        KaCaptureStdout capture;
        EXPECT_FALSE(readActZones(c.bytes, zones));
        const std::string text = capture.text();
        EXPECT_EQ(0u, zones.size());
        EXPECT_EQ(1u, lines(text)) << text;
        EXPECT_EQ(0u, text.find("[InGameScene::load] \"actions.bin\" refused")) << text;
        EXPECT_NE(std::string::npos, text.find(c.message)) << text;
    }
}

// ---------------------------------------------------------------------------
// "blockers.bin"

namespace {

void sampleBlockers(KaArray<KaBlocker>& blockers, KaArray<KaRectBlocker>& rects)
{
    KaBlocker blocker;
    blocker.zoneName = "HallFloor";
    blocker.first = KaVector2f32(0, 30);
    blocker.second = KaVector2f32(20, 30);
    blocker.enabled = false;
    blockers.pushBack(blocker);
    blocker.zoneName = "Street";
    blocker.first = KaVector2f32(-5, 1);
    blockers.pushBack(blocker);
    KaRectBlocker rect;
    rect.zoneName = "HallFloor";
    for (int i = 0; i < 4; ++i)
        rect.corners[i] = KaVector2f32(static_cast<float>(i * i), static_cast<float>(-i));
    rect.enabled = false;
    rects.pushBack(rect);
}

std::string blockersBytes(bool withMagic)
{
    KaArray<KaBlocker> blockers;
    KaArray<KaRectBlocker> rects;
    sampleBlockers(blockers, rects);
    KaStream out;
    EXPECT_TRUE(BlockersFile::write(out, blockers, rects, withMagic));
    return bytesOf(out);
}

bool readBlockers(const std::string& bytes, KaArray<KaBlocker>& blockers, KaArray<KaRectBlocker>& rects)
{
    KaStream in;
    fill(in, bytes);
    return BlockersFile::read(in, blockers, rects);
}

} // namespace

TEST(BlockersFile, ReadsBothLayouts)
{
    KaArray<KaBlocker> expected;
    KaArray<KaRectBlocker> expectedRects;
    sampleBlockers(expected, expectedRects);
    for (bool withMagic : { true, false }) {
        SCOPED_TRACE(withMagic ? "with magic" : "without magic");
        const std::string bytes = blockersBytes(withMagic);
        EXPECT_EQ(withMagic, bytes.substr(0, 4) == "BLK0");
        KaArray<KaBlocker> blockers;
        KaArray<KaRectBlocker> rects;
        sampleBlockers(blockers, rects);
        KaCaptureStdout capture;
        ASSERT_TRUE(readBlockers(bytes, blockers, rects));
        EXPECT_EQ("", capture.text());
        ASSERT_EQ(2u, blockers.size());
        for (unsigned long i = 0; i < blockers.size(); ++i) {
            EXPECT_EQ(expected[i].zoneName, blockers[i].zoneName);
            EXPECT_EQ(expected[i].first, blockers[i].first);
            EXPECT_EQ(expected[i].second, blockers[i].second);
            EXPECT_TRUE(blockers[i].enabled);
        }
        if (!withMagic) {
            EXPECT_EQ(0u, rects.size()) << "the older layout has no rect blockers";
            continue;
        }
        ASSERT_EQ(1u, rects.size());
        EXPECT_EQ(KaString("HallFloor"), rects[0].zoneName);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(expectedRects[0].corners[k], rects[0].corners[k]);
        EXPECT_TRUE(rects[0].enabled);
        KaStream again;
        BlockersFile::write(again, blockers, rects, true);
        EXPECT_EQ(bytes, bytesOf(again));
    }
}

TEST(BlockersFile, BrokenFilesGiveNoBlockers)
{
    const std::string good = blockersBytes(true);
    const std::string old = blockersBytes(false);
    struct Case {
        std::string what;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases = {
        { "empty", "", "the file ends in the blockers" },
        { "huge count", patched(good, 4, 0xffffffffu), "4294967295 blockers need at least" },
        { "huge count, older layout", patched(old, 0, 0x10000000u), "268435456 blockers need at least" },
        { "name past the end", patched(good, 8, 0x7ffffff0u), "blocker 0: the file ends in the walkable-zone name" },
        { "huge rect count", patched(good, good.size() - 49, 0xffffffffu), "4294967295 rect blockers need" },
        { "rect name past the end", patched(good, good.size() - 45, 1000),
            "rect blocker 0: the file ends in the walkable-zone name" },
        { "a wrong magic is a count", "BLK1" + good.substr(4), "blockers need at least" },
    };
    for (const std::string& bytes : { good, old })
        for (unsigned long length = 0; length < bytes.size(); ++length)
            cases.push_back({ "cut at " + std::to_string(length), bytes.substr(0, length), "" });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaArray<KaBlocker> blockers;
        KaArray<KaRectBlocker> rects;
        sampleBlockers(blockers, rects);
        KaCaptureStdout capture;
        EXPECT_FALSE(readBlockers(c.bytes, blockers, rects));
        const std::string text = capture.text();
        EXPECT_EQ(0u, blockers.size());
        EXPECT_EQ(0u, rects.size());
        EXPECT_EQ(1u, lines(text)) << text;
        EXPECT_EQ(0u, text.find("[InGameScene::loadBlockers] \"blockers.bin\" refused")) << text;
        EXPECT_NE(std::string::npos, text.find(c.message)) << text;
    }
}

// ---------------------------------------------------------------------------
// Read from a file, each refusal names the file by its path.

TEST(SceneFiles, ARefusalReadFromAFileNamesItsPath)
{
    KaTempDir folder;
    const std::string cut = oneCamera().substr(0, 6);
    struct Case {
        const char* file;
        std::function<bool(KaStream&)> read;
        std::string start;
    };
    const std::vector<Case> cases = {
        { "scenes/01/01010/01.bin",
            [](KaStream& in) {
                SceneGeometryFile file;
                SceneArrays arrays;
                return file.read(in, &arrays.blockers, &arrays.rectBlockers, &arrays.actZones);
            },
            "[InGameScene::load] The geometry file \"" + folder.file("scenes/01/01010/01.bin") + "\" refused" },
        { "scenes/01/01010/actions.bin",
            [](KaStream& in) {
                KaArray<KaActZone> zones;
                return ActZonesFile::read(in, zones);
            },
            "[InGameScene::load] \"" + folder.file("scenes/01/01010/actions.bin") + "\" refused" },
        { "scenes/01/01010/blockers.bin",
            [](KaStream& in) {
                KaArray<KaBlocker> blockers;
                KaArray<KaRectBlocker> rects;
                return BlockersFile::read(in, blockers, rects);
            },
            "[InGameScene::loadBlockers] \"" + folder.file("scenes/01/01010/blockers.bin") + "\" refused" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        folder.write(c.file, cut);
        KaFile in(KaPath(folder.file(c.file).c_str()), KaFileSystem::Read);
        ASSERT_TRUE(in.isOpened());
        KaCaptureStdout capture;
        EXPECT_FALSE(c.read(in));
        const std::string text = capture.text();
        EXPECT_EQ(1u, lines(text)) << text;
        EXPECT_EQ(0u, text.find(c.start)) << text;
    }
}
