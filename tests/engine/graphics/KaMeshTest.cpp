#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaColor black(0, 0, 0, 255);
const KaColor white(255, 255, 255, 255);

KaMaterial coloured(KaMaterial::Mode mode, const KaColor& diffuse)
{
    KaMaterial material;
    material.setMode(mode);
    material.setDiffuse(diffuse);
    return material;
}

// ---------------------------------------------------------------- no GL

TEST(KaMeshTest, ANewMeshDrawsPointsAndSetConfKeepsTheModeItDoesNotKnow)
{
    KaMesh mesh;
    EXPECT_EQ(KaMesh::POINTS, mesh.getMode());
    mesh.setConf(3, 3, KaMesh::TRIANGLES, 1, 1);
    EXPECT_EQ(KaMesh::TRIANGLES, mesh.getMode());
    mesh.setConf(3, 3, static_cast<KaMesh::Mode>(8), 1, 1);
    EXPECT_EQ(KaMesh::TRIANGLES, mesh.getMode());
    EXPECT_EQ(3u, mesh.vertexCount());
    EXPECT_FALSE(mesh.hasUVs());
    EXPECT_FALSE(mesh.hasColor());

    KaVector3f32 min;
    KaVector3f32 max;
    KaMesh empty;
    empty.boundingBox(min, max);
    EXPECT_EQ(KaVector3f32(1e15f, 1e15f, 1e15f), min);
    EXPECT_EQ(KaVector3f32(-1e15f, -1e15f, -1e15f), max);
    mesh.setVertex(0, KaVector3f32(1.0f, -2.0f, 3.0f));
    mesh.setVertex(1, KaVector3f32(-1.0f, 5.0f, 0.0f));
    mesh.setVertex(2, KaVector3f32(0.0f, 0.0f, -7.0f));
    mesh.boundingBox(min, max);
    EXPECT_EQ(KaVector3f32(-1.0f, -2.0f, -7.0f), min);
    EXPECT_EQ(KaVector3f32(1.0f, 5.0f, 3.0f), max);
}

TEST(KaMeshTest, TransparencyComesFromTheModeTheColourAlphasOrTheVertexColours)
{
    const struct {
        const char* name;
        KaMaterial::Mode mode;
        KaColor ambient;
        KaColor diffuse;
        bool shadowTexture;
        bool vertexAlpha;
        bool transparent;
    } cases[] = {
        { "opaque", KaMaterial::OPAQUE, black, white, false, false, false },
        { "blended", KaMaterial::BLENDED, black, white, false, false, true },
        { "alpha-tested alone", KaMaterial::ALPHA_TESTED, black, white, false, false, false },
        { "ambient alpha", KaMaterial::OPAQUE, KaColor(0, 0, 0, 254), white, false, false, true },
        { "diffuse alpha", KaMaterial::ALPHA_TESTED, black, KaColor(9, 9, 9, 0), false, false, true },
        { "vertex alpha", KaMaterial::OPAQUE, black, white, false, true, true },
        { "shadow texture", KaMaterial::BLENDED, KaColor(0, 0, 0, 0), KaColor(0, 0, 0, 0), true, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaMesh mesh;
        mesh.setConf(3, 3, KaMesh::TRIANGLES, 1, 1);
        KaMaterial material = coloured(c.mode, c.diffuse);
        material.setAmbient(c.ambient);
        material.setShadowTexture(c.shadowTexture);
        mesh.attachMaterial(0, material);
        if (c.vertexAlpha)
            mesh.setColor(1u, KaColor(10, 20, 30, 254));
        EXPECT_EQ(c.transparent, mesh.hasAlpha(0));
    }

    // Past the last material only the vertex colours count; an opaque colour
    // written later does not clear the flag, only destroy() does.
    KaMesh mesh;
    mesh.setConf(2, 2, KaMesh::LINES, 1, 1);
    mesh.attachMaterial(0, coloured(KaMaterial::OPAQUE, white));
    EXPECT_FALSE(mesh.hasAlpha(3));
    mesh.setColor(0u, KaColor(1, 1, 1, 254));
    mesh.setColor(0u, white);
    EXPECT_TRUE(mesh.colorsHaveAlpha());
    EXPECT_TRUE(mesh.hasAlpha(0));
    EXPECT_TRUE(mesh.hasAlpha(3));
    mesh.clearColors();
    EXPECT_FALSE(mesh.hasAlpha(3));
    mesh.destroy();
    EXPECT_FALSE(mesh.colorsHaveAlpha());

    KaMesh plain;
    plain.defaultMaterial(KaIntrusivePtr<Ka3DTexture>());
    EXPECT_EQ(1u, plain.materialCount());
    EXPECT_EQ(KaMaterial::BLENDED, plain.material(0).mode());
    // Past the end: a default material.
    EXPECT_TRUE(plain.material(5) == KaMaterial());
}

TEST(KaMeshTest, NodeColourIsWrittenIntoEveryVertex)
{
    KaMesh mesh;
    mesh.setConf(3, 3, KaMesh::TRIANGLES, 0, 0);
    mesh.setColor(KaColor(10, 20, 30, 128));
    ASSERT_TRUE(mesh.hasColor());
    for (unsigned int i = 0; i < 3; ++i)
        EXPECT_EQ(KaColor(10, 20, 30, 128), mesh.color(i));
    EXPECT_TRUE(mesh.colorsHaveAlpha());
    EXPECT_EQ(KaColor(10, 20, 30, 128), mesh.color());

    KaMesh empty;
    empty.setColor(KaColor(1, 2, 3, 4));
    EXPECT_FALSE(empty.hasColor());
}

TEST(KaMeshTest, CopyTakesGeometryAndTreeValuesButNotTheAnimationState)
{
    KaMesh source;
    source.setConf(3, 3, KaMesh::TRIANGLE_FAN, 2, 1);
    source.setName(KaString("source"));
    source.setPosition(KaVector3f32(1.0f, 2.0f, 3.0f));
    source.setVertex(2, KaVector3f32(4.0f, 5.0f, 6.0f));
    source.setIndex(1, 2);
    source.setTextureUV(0, KaVector2f32(0.5f, 0.25f));
    source.setColor(0u, KaColor(1, 2, 3, 100));
    source.attachMaterial(1, coloured(KaMaterial::OPAQUE, KaColor(7, 7, 7, 255)));
    source.facesPerMaterial(1, 1);
    source.setSortTransparentFaces(false);
    source.setDrawNormals(true);
    source.setTextureEnvironmentMode(GL_REPLACE);
    KaMatrix4x4 forced;
    forced.translate(KaVector3f32(9.0f, 0.0f, 0.0f));
    source.forceMatrix(forced);
    source.resizeUpdatedTables(3);

    KaMesh copy(source);
    EXPECT_EQ(KaString("source"), copy.name());
    EXPECT_EQ(KaVector3f32(1.0f, 2.0f, 3.0f), copy.position());
    EXPECT_EQ(KaMesh::TRIANGLE_FAN, copy.getMode());
    EXPECT_EQ(KaVector3f32(4.0f, 5.0f, 6.0f), copy.vertex(2));
    EXPECT_EQ(2u, copy.index(1));
    EXPECT_EQ(KaVector2f32(0.5f, 0.25f), copy.textureUV(0));
    EXPECT_EQ(KaColor(1, 2, 3, 100), copy.color(0u));
    EXPECT_TRUE(copy.colorsHaveAlpha());
    EXPECT_EQ(KaColor(7, 7, 7, 255), copy.material(1).diffuse());
    EXPECT_EQ(1u, copy.facesPerMaterial(1));
    EXPECT_FALSE(copy.sortTransparentFaces());
    EXPECT_EQ(GL_REPLACE, copy.textureEnvironmentMode());
    EXPECT_TRUE(copy.matrixForced());
    EXPECT_TRUE(forced == copy.forcedMatrix());
    EXPECT_FALSE(copy.drawNormals());
    EXPECT_FALSE(copy.hasSkinnedPositions());

    // The copy's arrays are its own once changed.
    copy.setVertex(2, KaVector3f32(0.0f, 0.0f, 0.0f));
    copy.attachMaterial(1, KaMaterial());
    EXPECT_EQ(KaVector3f32(4.0f, 5.0f, 6.0f), source.positions()[2]);
    EXPECT_EQ(KaColor(7, 7, 7, 255), source.material(1).diffuse());

    KaMesh assigned;
    assigned = source;
    EXPECT_EQ(3u, assigned.vertexCount());
    assigned = assigned;
    EXPECT_EQ(3u, assigned.vertexCount());
}

TEST(KaMeshTest, UpdateSkinsWithBonesThenExtraBonesThenTheIdentity)
{
    KaMesh mesh;
    mesh.setConf(4, 4, KaMesh::POINTS, 0, 0);
    for (unsigned int v = 0; v < 4; ++v) {
        mesh.setVertex(v, KaVector3f32(1.0f, 0.0f, 0.0f));
        mesh.setNormal(v, KaVector3f32(1.0f, 0.0f, 0.0f));
    }
    KaArray<KaMatrix4x4> bones;
    KaMatrix4x4 up;
    up.translate(KaVector3f32(0.0f, 10.0f, 0.0f));
    KaMatrix4x4 doubled;
    doubled.scale(KaVector3f32(2.0f, 2.0f, 2.0f));
    bones.pushBack(up);
    bones.pushBack(doubled);
    KaArray<KaMatrix4x4> extra;
    KaMatrix4x4 back;
    back.translate(KaVector3f32(0.0f, 0.0f, -5.0f));
    extra.pushBack(back);
    mesh.matrixIndex(0, 0);
    mesh.matrixIndex(1, 1);
    mesh.matrixIndex(2, 2); // the first extra bone
    mesh.matrixIndex(3, 7); // none: identity

    mesh.update(&bones, &extra);
    ASSERT_TRUE(mesh.hasSkinnedPositions());
    EXPECT_EQ(KaVector3f32(1.0f, 10.0f, 0.0f), mesh.vertex(0));
    EXPECT_EQ(KaVector3f32(2.0f, 0.0f, 0.0f), mesh.vertex(1));
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, -5.0f), mesh.vertex(2));
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.vertex(3));
    // Normals take the 3 x 3 part only, without renormalising.
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.normal(0));
    EXPECT_EQ(KaVector3f32(2.0f, 0.0f, 0.0f), mesh.normal(1));
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.positions()[1]);

    // An invisible mesh keeps its last skinning.
    mesh.setVisible(false);
    mesh.update(nullptr, nullptr);
    EXPECT_TRUE(mesh.hasSkinnedPositions());
    mesh.setVisible(true);
    mesh.update(nullptr, nullptr);
    EXPECT_FALSE(mesh.hasSkinnedPositions());
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.vertex(1));

    KaArray<KaVector3f32> frame;
    frame.pushBack(KaVector3f32(0.0f, 1.0f, 0.0f));
    frame.pushBack(KaVector3f32(0.0f, 2.0f, 0.0f));
    mesh.updateFromVertexAnimation(frame);
    EXPECT_EQ(KaVector3f32(0.0f, 2.0f, 0.0f), mesh.vertex(1));
    // A frame shorter than the mesh leaves the other vertices in place.
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.vertex(3));
    EXPECT_EQ(KaVector3f32(1.0f, 0.0f, 0.0f), mesh.normal(2));
}

TEST(KaMeshTest, OptimizeVerticesMergesEqualVerticesAndRenumbersTheIndices)
{
    // Vertices 1 and 3 are the same; vertex 4 differs from 0 by its matrix
    // index only.
    KaMesh mesh;
    mesh.setConf(5, 6, KaMesh::TRIANGLES, 0, 0);
    const KaVector3f32 positions[5] = { KaVector3f32(0, 0, 0), KaVector3f32(1, 0, 0), KaVector3f32(0, 1, 0),
        KaVector3f32(1, 0, 0), KaVector3f32(0, 0, 0) };
    for (unsigned int v = 0; v < 5; ++v) {
        mesh.setVertex(v, positions[v]);
        mesh.setNormal(v, KaVector3f32(0, 0, 1));
        mesh.setTextureUV(v, KaVector2f32(positions[v].x, positions[v].y));
    }
    mesh.matrixIndex(4, 1);
    const unsigned int indices[6] = { 0, 1, 2, 2, 3, 4 };
    for (unsigned int i = 0; i < 6; ++i)
        mesh.setIndex(i, indices[i]);

    KaCaptureStdout capture;
    mesh.optimizeVertices();
    EXPECT_EQ("optimizeVertices before: 5 after: 4\n", capture.text());
    ASSERT_EQ(4u, mesh.vertexCount());
    // The last vertex moved into slot 3.
    EXPECT_EQ(1u, mesh.matrixIndex(3));
    const unsigned int expected[6] = { 0, 1, 2, 2, 1, 3 };
    for (unsigned int i = 0; i < 6; ++i) {
        EXPECT_EQ(expected[i], mesh.index(i)) << i;
        EXPECT_EQ(positions[indices[i]], mesh.vertex(mesh.index(i))) << i;
    }
}

TEST(KaMeshTest, SortFacesGroupsTheTrianglesByMaterial)
{
    KaMesh mesh;
    mesh.setConf(9, 9, KaMesh::TRIANGLES, 2, 3);
    for (unsigned int i = 0; i < 9; ++i)
        mesh.setIndex(i, i);
    mesh.materialIndex(0, 1);
    mesh.materialIndex(1, 0);
    mesh.materialIndex(2, 1);
    mesh.sortFaces();
    EXPECT_EQ(1u, mesh.facesPerMaterial(0));
    EXPECT_EQ(2u, mesh.facesPerMaterial(1));
    const unsigned int expected[9] = { 3, 4, 5, 0, 1, 2, 6, 7, 8 };
    for (unsigned int i = 0; i < 9; ++i)
        EXPECT_EQ(expected[i], mesh.index(i)) << i;
    EXPECT_EQ(0u, mesh.getFaceMaterial(0));
    EXPECT_EQ(1u, mesh.getFaceMaterial(2));
    EXPECT_EQ(0u, mesh.getFaceMaterial(3));
}

// ---------------------------------------------------------------- streams

// A two-material mesh with every optional table.
void buildStoredMesh(KaMesh& mesh)
{
    mesh.setConf(4, 6, KaMesh::TRIANGLES, 2, 2);
    mesh.setName(KaString("quad5"));
    for (unsigned int v = 0; v < 4; ++v) {
        mesh.setVertex(v, KaVector3f32(static_cast<float>(v), 1.5f, -2.0f));
        mesh.setNormal(v, KaVector3f32(0.0f, 0.0f, static_cast<float>(v)));
        mesh.setTextureUV(v, KaVector2f32(0.25f * static_cast<float>(v), 0.5f));
        mesh.setColor(v, KaColor(static_cast<unsigned char>(v), 2, 3, v == 2 ? 200 : 255));
        mesh.matrixIndex(v, 3 - v);
    }
    const unsigned int indices[6] = { 0, 1, 2, 0, 2, 3 };
    for (unsigned int i = 0; i < 6; ++i)
        mesh.setIndex(i, indices[i]);
    mesh.attachMaterial(0, coloured(KaMaterial::OPAQUE, KaColor(1, 2, 3, 255)));
    mesh.attachMaterial(1, coloured(KaMaterial::BLENDED, KaColor(4, 5, 6, 7)));
    mesh.facesPerMaterial(0, 1);
    mesh.facesPerMaterial(1, 1);
}

unsigned long findTag(const KaStream& stream, const char* tag)
{
    const unsigned char* bytes = stream.data();
    for (unsigned long i = 0; i + 4 <= stream.bufferLength(); ++i) {
        if (std::memcmp(bytes + i, tag, 4) == 0)
            return i;
    }
    return 0;
}

KaStream* streamOf(const std::vector<unsigned char>& bytes)
{
    KaStream* stream = new KaStream();
    if (!bytes.empty())
        stream->writeData(bytes.data(), bytes.size());
    stream->seek(0);
    return stream;
}

TEST(KaMeshStreamTest, RecordReadsBackAsWritten)
{
    KaMesh written;
    buildStoredMesh(written);
    KaStream stream;
    ASSERT_TRUE(KaMesh::serialize(stream, written));
    EXPECT_EQ(0, std::memcmp(stream.data(), "MESH", 4));
    EXPECT_EQ(0u, stream.bufferLength() % 4);
    // The 5-byte name is padded to the next multiple of 4.
    EXPECT_EQ(36u, findTag(stream, "MTRL"));

    stream.seek(0);
    KaMesh read;
    ASSERT_TRUE(KaMesh::deserialize(stream, read, KaPath("models"), true));
    EXPECT_TRUE(stream.isAtEnd());
    EXPECT_EQ(KaString("quad5"), read.name());
    EXPECT_EQ(KaMesh::TRIANGLES, read.getMode());
    ASSERT_EQ(4u, read.vertexCount());
    ASSERT_EQ(6u, read.indexCount());
    for (unsigned int v = 0; v < 4; ++v) {
        EXPECT_EQ(written.vertex(v), read.vertex(v));
        EXPECT_EQ(written.normal(v), read.normal(v));
        EXPECT_EQ(written.textureUV(v), read.textureUV(v));
        EXPECT_EQ(written.color(v), read.color(v));
        EXPECT_EQ(written.matrixIndex(v), read.matrixIndex(v));
    }
    for (unsigned int i = 0; i < 6; ++i)
        EXPECT_EQ(written.index(i), read.index(i));
    EXPECT_TRUE(read.colorsHaveAlpha());
    EXPECT_EQ(1u, read.facesPerMaterial(1));
    // Lights are not stored: the reader's flag gives them.
    EXPECT_TRUE(read.material(0).enableLights());
    KaMaterial lit = written.material(1);
    lit.setEnableLights(true);
    EXPECT_TRUE(lit == read.material(1));

    // Without the optional tables there is neither "TUVS" nor "COLS".
    KaMesh bare;
    bare.setConf(3, 3, KaMesh::TRIANGLES, 0, 0);
    bare.setIndex(2, 2);
    KaStream bareStream;
    ASSERT_TRUE(KaMesh::serialize(bareStream, bare));
    EXPECT_EQ(0u, findTag(bareStream, "TUVS"));
    EXPECT_EQ(0u, findTag(bareStream, "COLS"));
    bareStream.seek(0);
    KaMesh bareRead;
    ASSERT_TRUE(KaMesh::deserialize(bareStream, bareRead, KaPath(""), false));
    EXPECT_FALSE(bareRead.hasUVs());
    EXPECT_FALSE(bareRead.hasColor());
    EXPECT_EQ(3u, bareRead.vertexCount());
}

// Tables announced for a mesh without vertices hold nothing and must not be
// written into.
TEST(KaMeshStreamTest, AMeshWithoutVerticesReadsBackWithItsEmptyTables)
{
    KaMesh empty;
    KaStream stream;
    ASSERT_TRUE(KaMesh::serialize(stream, empty));
    std::vector<unsigned char> bytes(stream.data(), stream.data() + stream.bufferLength());
    bytes[20] = KaMesh::mHasColorsFlag | KaMesh::mHasUVsFlag;
    const unsigned long normals = findTag(stream, "NORM");
    const unsigned long faceCounts = findTag(stream, "FCPM");
    bytes.insert(bytes.begin() + static_cast<long>(faceCounts), { 'C', 'O', 'L', 'S' });
    bytes.insert(bytes.begin() + static_cast<long>(normals), { 'T', 'U', 'V', 'S' });
    KaStream* patched = streamOf(bytes);
    KaMesh read;
    EXPECT_TRUE(KaMesh::deserialize(*patched, read, KaPath(""), false));
    EXPECT_EQ(0u, read.vertexCount());
    delete patched;
}

TEST(KaMeshStreamTest, EveryShortRecordFails)
{
    KaMesh written;
    buildStoredMesh(written);
    KaStream stream;
    ASSERT_TRUE(KaMesh::serialize(stream, written));
    const std::vector<unsigned char> full(stream.data(), stream.data() + stream.bufferLength());
    KaCaptureStdout quiet;
    for (unsigned long length = 0; length < full.size(); ++length) {
        KaStream* cut = streamOf(std::vector<unsigned char>(full.begin(), full.begin() + length));
        KaMesh read;
        EXPECT_FALSE(KaMesh::deserialize(*cut, read, KaPath(""), false)) << length;
        delete cut;
    }
}

// Counts that the stream cannot hold, and tables that would make the draw
// read past its arrays, are refused.
TEST(KaMeshStreamTest, CorruptCountsAndIndicesAreRefused)
{
    KaMesh written;
    buildStoredMesh(written);
    KaStream stream;
    ASSERT_TRUE(KaMesh::serialize(stream, written));
    const std::vector<unsigned char> full(stream.data(), stream.data() + stream.bufferLength());
    const unsigned long faceCounts = findTag(stream, "FCPM") + 4;
    const unsigned long indices = findTag(stream, "IDXS") + 4;
    const unsigned long uvs = findTag(stream, "TUVS");

    const struct {
        const char* name;
        unsigned long offset;
        std::vector<unsigned char> bytes;
    } cases[] = {
        { "vertex count", 4, { 0x00, 0x00, 0x00, 0x40 } },
        { "material count", 8, { 0xFF, 0xFF, 0xFF, 0x0F } },
        { "index count", 16, { 0x00, 0x00, 0x00, 0x80 } },
        { "face counts past the indices", faceCounts, { 0x02, 0x00 } },
        { "index past the vertices", indices + 2, { 0x04, 0x00 } },
        { "coordinates the flags do not announce", 20, { 0x01, 0x00, 0x00, 0x00 } },
        { "no coordinates where the flags announce them", uvs, { 'N', 'O', 'P', 'E' } },
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> bytes = full;
        std::memcpy(&bytes[c.offset], c.bytes.data(), c.bytes.size());
        KaStream* corrupt = streamOf(bytes);
        KaMesh read;
        EXPECT_FALSE(KaMesh::deserialize(*corrupt, read, KaPath(""), false)) << c.name;
        delete corrupt;
    }
}

// ---------------------------------------------------------------- drawing

using KaMeshDrawTest = KaGLRendererTest;

struct ModeCase {
    const char* name;
    KaMesh::Mode mode;
    std::vector<unsigned int> indices;
    std::vector<KaVector2s32> lit;
    std::vector<KaVector2s32> unlit;
};

std::vector<ModeCase> modeCases()
{
    // Corners of the square from (10.5, 10.5) to (40.5, 40.5): 0 lower
    // left, 1 lower right, 2 upper right, 3 upper left.
    return {
        { "points", KaMesh::POINTS, { 0, 1, 2, 3 }, { { 10, 10 }, { 40, 10 }, { 40, 40 } }, { { 25, 10 } } },
        { "lines", KaMesh::LINES, { 0, 1, 2, 3 }, { { 25, 10 }, { 25, 40 } }, { { 10, 25 }, { 40, 25 } } },
        { "line loop", KaMesh::LINE_LOOP, { 0, 1, 2 }, { { 25, 10 }, { 40, 25 }, { 25, 25 } }, { { 10, 25 } } },
        { "line strip", KaMesh::LINE_STRIP, { 0, 1, 2 }, { { 25, 10 }, { 40, 25 } }, { { 25, 25 }, { 10, 25 } } },
        { "triangles", KaMesh::TRIANGLES, { 0, 1, 2, 0, 2, 3 }, { { 15, 35 }, { 35, 15 } }, { { 45, 45 } } },
        { "triangle strip", KaMesh::TRIANGLE_STRIP, { 0, 1, 3, 2 }, { { 15, 35 }, { 35, 15 } }, { { 45, 45 } } },
        // As a strip these indices would leave the left edge empty.
        { "triangle fan", KaMesh::TRIANGLE_FAN, { 0, 1, 2, 3 }, { { 12, 25 }, { 35, 15 } }, { { 45, 45 } } },
    };
}

void buildModeMesh(KaMesh& mesh, const ModeCase& c)
{
    mesh.setConf(4, c.indices.size(), c.mode, 0, 0);
    mesh.setVertex(0, KaVector3f32(10.5f, 10.5f, 0.0f));
    mesh.setVertex(1, KaVector3f32(40.5f, 10.5f, 0.0f));
    mesh.setVertex(2, KaVector3f32(40.5f, 40.5f, 0.0f));
    mesh.setVertex(3, KaVector3f32(10.5f, 40.5f, 0.0f));
    for (unsigned long i = 0; i < c.indices.size(); ++i)
        mesh.setIndex(i, c.indices[i]);
}

// Every primitive draws, with or without a transparent material: the batch
// only takes triangles and strips, so other primitives must not be handed
// to it.
TEST_F(KaMeshDrawTest, EveryModeDrawsWithOrWithoutATransparentMaterial)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    for (bool transparent : { false, true }) {
        for (const ModeCase& c : modeCases()) {
            SCOPED_TRACE(std::string(c.name) + (transparent ? ", transparent" : ", no material"));
            KaMesh mesh;
            buildModeMesh(mesh, c);
            if (transparent) {
                mesh.defaultMaterial(KaIntrusivePtr<Ka3DTexture>());
                ASSERT_TRUE(mesh.hasAlpha(0));
            }
            KaTestDrawFrame(*camera, black, [&]() {
                renderer.get()->setCurrentColor(white);
                mesh.draw();
                const bool batchable = c.mode == KaMesh::TRIANGLES || c.mode == KaMesh::TRIANGLE_STRIP;
                EXPECT_EQ(transparent && batchable, renderer.get()->transparentTrianglesCount() != 0);
            });
            for (const KaVector2s32& p : c.lit)
                EXPECT_TRUE(KaTestPixelNear(pixel(p.x, p.y), white)) << p.x << ", " << p.y;
            for (const KaVector2s32& p : c.unlit)
                EXPECT_TRUE(KaTestPixelNear(pixel(p.x, p.y), black)) << p.x << ", " << p.y;
        }
    }
}

// Material 0 opaque with 2 faces, material 1 blended with none, material 2
// blended with 3: the opaque faces draw at once, the 3 others wait for the
// batch.
TEST_F(KaMeshDrawTest, MaterialsWithAlphaWaitForTheBatchAndTheOthersDrawAtOnce)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaMesh mesh;
    mesh.setConf(15, 15, KaMesh::TRIANGLES, 3, 5);
    for (unsigned int face = 0; face < 5; ++face) {
        const float x = 20.0f * static_cast<float>(face);
        mesh.setVertex(3 * face, KaVector3f32(x, 0.0f, 0.0f));
        mesh.setVertex(3 * face + 1, KaVector3f32(x + 16.0f, 0.0f, 0.0f));
        mesh.setVertex(3 * face + 2, KaVector3f32(x, 16.0f, 0.0f));
        for (unsigned int k = 0; k < 3; ++k)
            mesh.setIndex(3 * face + k, 3 * face + k);
    }
    mesh.attachMaterial(0, coloured(KaMaterial::OPAQUE, KaColor(255, 0, 0, 255)));
    mesh.attachMaterial(1, coloured(KaMaterial::BLENDED, KaColor(0, 0, 255, 255)));
    mesh.attachMaterial(2, coloured(KaMaterial::BLENDED, KaColor(0, 255, 0, 255)));
    mesh.facesPerMaterial(0, 2);
    mesh.facesPerMaterial(1, 0);
    mesh.facesPerMaterial(2, 3);

    KaRenderer* r = renderer.get();
    r->reset();
    camera->apply();
    mesh.draw();
    EXPECT_EQ(3u, r->transparentTrianglesCount());
    for (int face = 0; face < 5; ++face)
        EXPECT_TRUE(KaTestPixelNear(pixel(20 * face + 4, 4), face < 2 ? KaColor(255, 0, 0, 255) : black)) << face;
    r->renderTransparentMeshes();
    for (int face = 2; face < 5; ++face)
        EXPECT_TRUE(KaTestPixelNear(pixel(20 * face + 4, 4), KaColor(0, 255, 0, 255))) << face;
}

TEST_F(KaMeshDrawTest, TransparentFacesDrawAtOnceWhenNotSortedOrInTheShadowTexture)
{
    const struct {
        const char* name;
        KaRenderer::ShadowMode shadow;
        bool sort;
        bool batched;
    } cases[] = {
        { "sorted", KaRenderer::SHADOW_NONE, true, true },
        { "not sorted", KaRenderer::SHADOW_NONE, false, false },
        { "shadow texture", KaRenderer::SHADOW_TEXTURE, true, false },
    };
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaRenderer* r = renderer.get();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaMesh mesh;
        KaTestMakeRectangle(mesh, 0.0f, 0.0f, 32.0f, 32.0f, false);
        mesh.defaultMaterial(KaIntrusivePtr<Ka3DTexture>());
        mesh.setSortTransparentFaces(c.sort);
        r->reset();
        camera->apply();
        r->shadowMode(c.shadow);
        mesh.draw();
        EXPECT_EQ(c.batched, r->transparentTrianglesCount() != 0);
        EXPECT_EQ(!c.batched, !KaTestPixelNear(pixel(16, 16), black));
        r->renderTransparentMeshes();
        r->shadowMode(KaRenderer::SHADOW_NONE);
        EXPECT_FALSE(KaTestPixelNear(pixel(16, 16), black));
    }
}

TEST_F(KaMeshDrawTest, ForcedMatrixReplacesTheWorldTransform)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaMesh mesh;
    KaTestMakeRectangle(mesh, 0.0f, 0.0f, 8.0f, 8.0f, false);
    mesh.setPosition(KaVector3f32(100.0f, 0.0f, 0.0f));
    KaMatrix4x4 forced;
    forced.translate(KaVector3f32(0.0f, 50.0f, 0.0f));
    mesh.forceMatrix(forced);
    KaTestDrawFrame(*camera, black, [&]() {
        renderer.get()->setCurrentColor(white);
        mesh.draw();
    });
    EXPECT_TRUE(KaTestPixelNear(pixel(4, 54), white));
    EXPECT_TRUE(KaTestPixelNear(pixel(104, 4), black));

    // Invisible: nothing.
    mesh.setVisible(false);
    KaTestDrawFrame(*camera, black, [&]() { mesh.draw(); });
    EXPECT_TRUE(KaTestPixelNear(pixel(4, 54), black));
}

} // namespace
