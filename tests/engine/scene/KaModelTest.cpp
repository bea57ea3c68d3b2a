#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaIClock.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaTimer.h"
#include "engine/scene/KaModel.h"
#include "tests/engine/scene/KaModelBuilder.h"
#include "tests/support/KaTestSupport.h"

namespace {

const float kPi = 3.14159265358979f;

class KaManualClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void advance(unsigned long long microseconds) { mNow += microseconds; }
    unsigned long long mNow = 9000000000ULL;
};

// A model with two bones (a root and its child), two weight lists, a mesh
// with texture coordinates and two materials, a mesh with colours and no
// texture coordinates, and a mesh with neither.
void buildRichModel(KaModel& model, bool withInverseBind)
{
    KaMatrix4x4 inverse;
    inverse.translate(KaVector3f32(-1, 0.5f, 2));
    KaAddBone(model, "root", KaModel::mNoParent,
        KaMakeTRS(KaVector3f32(1, 2, 3), KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), 0.3f)),
        withInverseBind ? inverse : KaMatrix4x4());
    KaAddBone(model, "child", 0, KaMakeTRS(KaVector3f32(0, 5, 0)));
    KaArray<KaModel::weightElement> list;
    list.pushBack(KaModel::weightElement { 0.25f, 0 });
    list.pushBack(KaModel::weightElement { 0.75f, 1 });
    model.findOrAddWeights(list);
    KaArray<KaModel::weightElement> single;
    single.pushBack(KaModel::weightElement { 1.0f, 1 });
    model.findOrAddWeights(single);

    KaMeshShape a;
    a.name = "body";
    a.vertices = 5;
    a.materials = 2;
    a.matrices = 4;
    model.addMesh(KaMakeMesh(a));
    KaMeshShape b;
    b.name = "hat";
    b.uvs = false;
    b.colors = true;
    b.vertices = 3;
    model.addMesh(KaMakeMesh(b));
    KaMeshShape c;
    c.name = "x";
    c.uvs = false;
    c.vertices = 4;
    c.materials = 1;
    model.addMesh(KaMakeMesh(c));
}

std::string richModelBytes(bool withInverseBind, unsigned int flags)
{
    KaModel model;
    buildRichModel(model, withInverseBind);
    return KaSaveModel(model, flags);
}

bool loadBytes(KaModel& model, const std::string& bytes)
{
    KaStream stream;
    KaStreamFromBytes(stream, bytes);
    return model.load(stream);
}

std::string zlibBlock(const std::string& plain)
{
    uLongf length = compressBound(plain.size());
    std::string packed(length, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &length, reinterpret_cast<const Bytef*>(plain.data()), plain.size());
    packed.resize(length);
    std::string block;
    block.push_back(1);
    auto u32 = [&block](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            block.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    u32(static_cast<uint32_t>(packed.size()));
    u32(static_cast<uint32_t>(plain.size()));
    return block + packed;
}

void putU32(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putU16(std::string& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

size_t find(const std::string& bytes, const char* tag, size_t from = 0)
{
    const size_t at = bytes.find(tag, from);
    EXPECT_NE(at, std::string::npos) << tag;
    return at;
}

bool isEmpty(const KaModel& model)
{
    return model.meshCount() == 0 && model.bones().size() == 0 && model.weights().size() == 0
        && model.inverseBindMatrices().size() == 0 && model.flags() == 0;
}

void expectMatrix(const KaMatrix4x4& actual, const std::vector<float>& columnMajor)
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], columnMajor[4 * c + r], 1e-5f) << "column " << c << " row " << r;
    }
}

void expectVector(const KaVector3f32& actual, float x, float y, float z)
{
    EXPECT_NEAR(actual.x, x, 1e-5f);
    EXPECT_NEAR(actual.y, y, 1e-5f);
    EXPECT_NEAR(actual.z, z, 1e-5f);
}

} // namespace

// ---------------------------------------------------------------------------
// Files

TEST(KaModelFile, RoundTripsAreByteExact)
{
    struct Case {
        const char* name;
        bool inverseBind;
        unsigned int flags;
    };
    for (const Case& c : { Case { "with inverse bind matrices", true, 0 }, Case { "without them", false, 1 } }) {
        SCOPED_TRACE(c.name);
        const std::string bytes = richModelBytes(c.inverseBind, c.flags);
        KaModel model;
        ASSERT_TRUE(loadBytes(model, bytes));
        EXPECT_EQ(model.flags(), c.flags);
        EXPECT_EQ(model.meshCount(), 3u);
        EXPECT_EQ(model.bones().size(), 2u);
        EXPECT_EQ(model.weights().size(), 2u);
        EXPECT_FALSE(model.mesh(1).hasUVs());
        EXPECT_TRUE(model.mesh(1).hasColor());
        EXPECT_EQ(model.mesh(0).materialCount(), 2u);
        EXPECT_EQ(KaSaveModel(model, c.flags), bytes);
    }
}

TEST(KaModelFile, Version11ReadsWithFlagsZeroAndMatrices)
{
    const std::string v13 = richModelBytes(true, 0);
    const std::string v11 = KaToVersion11(v13);
    KaModel model;
    ASSERT_TRUE(loadBytes(model, v11));
    EXPECT_EQ(model.flags(), 0u);
    ASSERT_EQ(model.inverseBindMatrices().size(), 2u);
    EXPECT_FLOAT_EQ(model.skinOffset(0)[3][0], -1.0f);
    // Saved again it is the version 13 form of the same content.
    EXPECT_EQ(KaSaveModel(model, 0), v13);
}

TEST(KaModelFile, PaddingFollowsTheStreamPosition)
{
    KaModel model;
    KaAddBone(model, "abcde", KaModel::mNoParent, KaTRS());
    const std::string bytes = KaSaveModel(model, 1);
    // Header (24), "SKEL", then the name: 4 + 5 bytes, padded by 3 zeros.
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(28, 4), std::string("\x05\0\0\0", 4));
    EXPECT_EQ(bytes.substr(32, 5), "abcde");
    EXPECT_EQ(bytes.substr(37, 3), std::string(3, '\0'));
    // Flags bit 0: the next record starts right after the transform.
    EXPECT_EQ(bytes.substr(40 + 4 + 40, 4), "WEIG");
}

TEST(KaModelFile, CompressedWrapperReadsTheSameModel)
{
    const std::string plain = richModelBytes(true, 0);
    KaTempDir dir;
    dir.write("model.kamd", plain);
    dir.write("model.kaz", "KAZ0" + zlibBlock(plain));
    KaModel fromPlain;
    KaModel fromWrapped;
    ASSERT_TRUE(fromPlain.load(KaPath(dir.file("model.kamd").c_str())));
    ASSERT_TRUE(fromWrapped.load(KaPath(dir.file("model.kaz").c_str())));
    EXPECT_EQ(KaSaveModel(fromWrapped, 0), plain);

    // A damaged block leaves the model empty.
    std::string broken = "KAZ0" + zlibBlock(plain);
    broken[20] ^= 0x55;
    dir.write("broken.kaz", broken);
    KaCaptureStdout quiet;
    EXPECT_FALSE(fromWrapped.load(KaPath(dir.file("broken.kaz").c_str())));
    EXPECT_TRUE(isEmpty(fromWrapped));
}

TEST(KaModelFile, MissingFileSaysSo)
{
    KaModel model;
    KaCaptureStdout out;
    EXPECT_FALSE(model.load(KaPath("/nonexistent/folder/none.kamd")));
    EXPECT_NE(out.text().find("[KaModel::load] Can't open file : /nonexistent/folder/none.kamd.\n"), std::string::npos);
}

TEST(KaModelFile, ARefusedFileIsNamedByItsPath)
{
    const std::string good = richModelBytes(true, 0);
    std::string meshes = good;
    meshes[find(good, "MESH")] = 'm';
    std::string version = good;
    putU32(version, 4, 12);
    KaTempDir dir;
    struct Case {
        const char* file;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        { "meshes.kamd", meshes, "[KaModel::load] Error on meshes loading. File : " },
        { "version.kamd", version, "[KaModel::load] Unsupported version. File : " },
        { "wrapped.kaz", "KAZ0" + zlibBlock(meshes), "[KaModel::load] Error on meshes loading. File : " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        dir.write(c.file, c.bytes);
        KaModel model;
        KaCaptureStdout out;
        EXPECT_FALSE(model.load(KaPath(dir.file(c.file).c_str())));
        EXPECT_NE(out.text().find(c.message + dir.file(c.file) + "\n"), std::string::npos) << out.text();
        // Read from a stream, the same model names no file.
        KaCaptureStdout stream;
        EXPECT_FALSE(loadBytes(model, c.bytes));
        EXPECT_EQ(stream.text().find(" File : "), std::string::npos) << stream.text();
    }
}

TEST(KaModelFile, NoBonesGetsOneDefaultBone)
{
    KaModel source;
    KaMeshShape shape;
    shape.matrices = 1;
    source.addMesh(KaMakeMesh(shape));
    KaModel model;
    ASSERT_TRUE(loadBytes(model, KaSaveModel(source, 0)));
    ASSERT_EQ(model.bones().size(), 1u);
    EXPECT_EQ(model.bones()[0].parent, KaModel::mNoParent);
}

TEST(KaModelFile, CheckFileTypeLeavesTheStreamAtZero)
{
    struct Case {
        std::string bytes;
        int type;
    };
    for (const Case& c : { Case { richModelBytes(true, 0), 1 }, Case { std::string("KAAN\3\0\0\0", 8), 2 },
             Case { "PNG!....", 0 }, Case { "KA", 0 } }) {
        KaStream stream;
        KaStreamFromBytes(stream, c.bytes);
        EXPECT_EQ(KaModel::checkFileType(stream), c.type);
        EXPECT_EQ(stream.getPos(), 0u);
    }
}

// Every damaged file fails with its message and leaves the model empty,
// also a model that held something before.
TEST(KaModelFile, CorruptFilesFailCleanly)
{
    const std::string good = richModelBytes(true, 0);
    const size_t skel = find(good, "SKEL");
    const size_t mesh = find(good, "MESH");
    const size_t fcpm = find(good, "FCPM");
    const size_t mtxi = find(good, "MTXI");
    const size_t idxs = find(good, "IDXS");
    const size_t weig = find(good, "WEIG");
    // The child bone's record: its name, padded, then its parent.
    const size_t childParent = find(good, "child") + 8;

    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        const char* message;
    };
    const char* skeleton = "[KaModel::load] Unable to find skeleton.\n";
    const char* meshes = "[KaModel::load] Error on meshes loading.\n";
    const char* weights = "[KaModel::load] Unable to load weight.\n";
    const std::vector<Case> cases = {
        { "unknown tag", [](std::string& b) { b[0] = 'X'; }, "[KaModel::load] Unknown format.\n" },
        { "version 12", [](std::string& b) { putU32(b, 4, 12); }, "[KaModel::load] Unsupported version.\n" },
        { "mesh count too large", [](std::string& b) { putU32(b, 8, 0x10000000); }, meshes },
        { "mesh count one more", [](std::string& b) { putU32(b, 8, 4); }, meshes },
        { "weight count too large", [](std::string& b) { putU32(b, 12, 0x40000000); }, weights },
        { "bone count too large", [](std::string& b) { putU32(b, 16, 0x01000000); }, skeleton },
        { "bone count 65536", [](std::string& b) { putU32(b, 16, 65536); }, skeleton },
        { "no SKEL", [=](std::string& b) { b[skel] = 'X'; }, skeleton },
        { "bone name too long", [=](std::string& b) { putU32(b, skel + 4, 0x7FFFFFFF); }, skeleton },
        { "parent is itself", [=](std::string& b) { putU32(b, childParent, 1); }, skeleton },
        { "parent after the bone", [=](std::string& b) { putU32(b, childParent, 7); }, skeleton },
        { "vertex count too large", [=](std::string& b) { putU32(b, mesh + 4, 0x20000000); }, meshes },
        { "material count too large", [=](std::string& b) { putU32(b, mesh + 8, 0x20000000); }, meshes },
        { "index count too large", [=](std::string& b) { putU32(b, mesh + 16, 0x20000000); }, meshes },
        { "mesh tag", [=](std::string& b) { b[mesh] = 'm'; }, meshes },
        { "texture coordinates announced without them",
            [=](std::string& b) { putU32(b, find(b, "MESH", mesh + 4) + 20, 3); }, meshes },
        { "face counts short of the indices", [=](std::string& b) { putU16(b, fcpm + 4, 0); }, meshes },
        { "face counts past the indices", [=](std::string& b) { putU16(b, fcpm + 4, 9); }, meshes },
        { "matrix index past the weight lists", [=](std::string& b) { putU16(b, mtxi + 4, 4); }, meshes },
        { "vertex index past the vertices", [=](std::string& b) { putU16(b, idxs + 4, 5); }, meshes },
        { "no WEIG", [=](std::string& b) { b[weig] = 'w'; }, weights },
        { "weight element count too large", [=](std::string& b) { putU32(b, weig + 4, 0x10000000); }, weights },
        { "weight bone past the bones", [=](std::string& b) { putU16(b, weig + 12, 2); }, weights },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        c.damage(bytes);
        KaModel model;
        ASSERT_TRUE(loadBytes(model, good));
        KaCaptureStdout out;
        EXPECT_FALSE(loadBytes(model, bytes));
        const std::string text = out.text();
        // Lower readers may say more first; the model's line comes last.
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), std::strlen(c.message))), c.message) << text;
        EXPECT_TRUE(isEmpty(model));
    }
}

TEST(KaModelFile, EveryTruncationFails)
{
    for (unsigned int flags : { 0u, 1u }) {
        const std::string good = richModelBytes(flags == 0, flags);
        for (size_t length = 0; length < good.size(); ++length) {
            KaModel model;
            KaCaptureStdout quiet;
            EXPECT_FALSE(loadBytes(model, good.substr(0, length))) << "cut at " << length;
            EXPECT_TRUE(isEmpty(model));
        }
        // A file cut inside the weights is not a model without weights.
        std::string cut = good.substr(0, good.size() - 2);
        KaModel model;
        KaCaptureStdout out;
        EXPECT_FALSE(loadBytes(model, cut));
        EXPECT_EQ(out.text(), "[KaModel::load] Unable to load weight.\n");
    }
}

// ---------------------------------------------------------------------------
// Weights and meshes

TEST(KaModel, WeightListsMergeWithinATenth)
{
    KaModel model;
    KaArray<KaModel::weightElement> a;
    a.pushBack(KaModel::weightElement { 0.5f, 0 });
    a.pushBack(KaModel::weightElement { 0.5f, 1 });
    EXPECT_EQ(model.findOrAddWeights(a), 0u);
    KaArray<KaModel::weightElement> near = a;
    near[0].weight = 0.59f;
    EXPECT_EQ(model.findOrAddWeights(near), 0u);
    KaArray<KaModel::weightElement> far = a;
    far[0].weight = 0.65f;
    EXPECT_EQ(model.findOrAddWeights(far), 1u);
    KaArray<KaModel::weightElement> swapped;
    swapped.pushBack(KaModel::weightElement { 0.5f, 1 });
    swapped.pushBack(KaModel::weightElement { 0.5f, 0 });
    EXPECT_EQ(model.findOrAddWeights(swapped), 2u);
    EXPECT_EQ(model.weights().size(), 3u);
}

TEST(KaModel, SetQuadBuildsAStripWithNormalAndColour)
{
    KaModel model;
    KaIntrusivePtr<Ka3DTexture> noTexture;
    KaArray<KaVector3f32> corners;
    corners.pushBack(KaVector3f32(0, 0, 0));
    corners.pushBack(KaVector3f32(1, 0, 0));
    corners.pushBack(KaVector3f32(0, 2, 0));
    corners.pushBack(KaVector3f32(1, 2, 0));
    model.setQuad(noTexture, corners, KaColor(10, 20, 30, 40));
    model.setQuad(noTexture, corners, KaColor(10, 20, 30, 0));
    ASSERT_EQ(model.meshCount(), 2u);
    const KaMesh& quad = model.mesh(0);
    EXPECT_EQ(quad.getMode(), KaMesh::TRIANGLE_STRIP);
    ASSERT_EQ(quad.vertexCount(), 4u);
    for (unsigned int k = 0; k < 4; ++k) {
        EXPECT_EQ(quad.index(k), k);
        expectVector(quad.normal(k), 0, 0, 1);
        EXPECT_EQ(quad.textureUV(k).x, static_cast<float>(k / 2));
        EXPECT_EQ(quad.textureUV(k).y, static_cast<float>(k % 2));
        EXPECT_EQ(quad.color(k), KaColor(10, 20, 30, 40));
    }
    EXPECT_FALSE(model.mesh(1).hasColor()) << "a colour of alpha 0 leaves the vertices uncoloured";
}

// ---------------------------------------------------------------------------
// Poses

TEST(KaModelPose, OneBoneIsMirroredRotatedAndOffset)
{
    KaModel model;
    KaMatrix4x4 inverse;
    inverse.translate(KaVector3f32(-1, 0, 0));
    KaAddBone(model, "root", KaModel::mNoParent, KaMakeTRS(KaVector3f32(1, 2, 3), KaQuaternion(), KaVector3f32(2, 2, 2)),
        inverse);
    // Half a turn about Z: diag(-1, -1, 1) whichever way it turns.
    model.setRootRotation(KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), kPi));
    model.update();
    // S x T(1,2,3) x scale 2 x Rz(180) x T(-1,0,0), by hand: the rotation
    // comes after the translation, so it does not turn it.
    expectMatrix(model.boneMatrices()[0], { 2, 0, 0, 0, 0, -2, 0, 0, 0, 0, 2, 0, -3, 2, 3, 1 });
}

TEST(KaModelPose, ChildFollowsItsParentAndWeightsSum)
{
    KaModel model;
    KaAddBone(model, "root", KaModel::mNoParent, KaMakeTRS(KaVector3f32(1, 2, 3), KaQuaternion(), KaVector3f32(2, 2, 2)));
    KaAddBone(model, "child", 0, KaMakeTRS(KaVector3f32(0, 5, 0)));
    KaArray<KaModel::weightElement> list;
    list.pushBack(KaModel::weightElement { 0.25f, 0 });
    list.pushBack(KaModel::weightElement { 0.75f, 1 });
    model.findOrAddWeights(list);
    KaMesh mesh;
    mesh.setConf(3, 3, KaMesh::TRIANGLES, 0, 0);
    mesh.setVertex(0, KaVector3f32(0, 0, 0));
    mesh.setVertex(1, KaVector3f32(1, 0, 0));
    mesh.setVertex(2, KaVector3f32(0, 0, 0));
    for (unsigned int v = 0; v < 3; ++v)
        mesh.setNormal(v, KaVector3f32(1, 0, 0));
    mesh.matrixIndex(0, 2); // the weight list
    mesh.matrixIndex(1, 1); // the child alone
    mesh.matrixIndex(2, 9); // nothing: identity
    model.addMesh(mesh);

    for (unsigned int flags : { 0u, 1u }) {
        SCOPED_TRACE(flags ? "skinned by the model" : "skinned by the mesh");
        model.setFlags(flags);
        model.update();
        expectMatrix(model.boneMatrices()[0], { -2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, -1, 2, 3, 1 });
        expectMatrix(model.boneMatrices()[1], { -2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, -1, 12, 3, 1 });
        if (flags == 0)
            expectMatrix(model.skinningMatrices()[0], { -2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, -1, 9.5f, 3, 1 });
        const KaMesh& skinned = model.mesh(0);
        ASSERT_TRUE(skinned.hasSkinnedPositions());
        expectVector(skinned.vertex(0), -1, 9.5f, 3);
        expectVector(skinned.vertex(1), -3, 12, 3);
        expectVector(skinned.vertex(2), 0, 0, 0);
        KaVector3f32 normal = skinned.normal(1);
        normal.normalize();
        expectVector(normal, -1, 0, 0);
    }
}

namespace {

struct BoneShifter {
    bool onBone(KaString& name, KaMatrix4x4& matrix)
    {
        names.push_back(name.c_str());
        if (name == "root")
            matrix[3][0] += 100.0f;
        return false;
    }
    std::vector<std::string> names;
};

} // namespace

TEST(KaModelPose, ABoneHandlerMovesTheChildren)
{
    KaModel model;
    KaAddBone(model, "root", KaModel::mNoParent, KaTRS());
    KaAddBone(model, "child", 0, KaMakeTRS(KaVector3f32(0, 1, 0)));
    BoneShifter shifter;
    model.onBonesUpdate().add(&shifter, &BoneShifter::onBone);
    model.update();
    EXPECT_EQ(shifter.names, (std::vector<std::string> { "root", "child" }));
    EXPECT_FLOAT_EQ(model.boneMatrices()[0][3][0], 100.0f);
    EXPECT_FLOAT_EQ(model.boneMatrices()[1][3][0], 100.0f);
    EXPECT_FLOAT_EQ(model.boneMatrices()[1][3][1], 1.0f);
}

TEST(KaModelPose, ForcedMatrixReplacesTheNextBoneOnce)
{
    KaModel model;
    KaAddBone(model, "root", KaModel::mNoParent, KaMakeTRS(KaVector3f32(1, 0, 0)));
    KaMatrix4x4 forced;
    forced.translate(KaVector3f32(0, 7, 0));
    model.forceMatrix(forced);
    model.update();
    // S x (S x forced): the mirrors cancel.
    expectMatrix(model.boneMatrices()[0], { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 7, 0, 1 });
    model.update();
    expectMatrix(model.boneMatrices()[0], { -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1 });
}

TEST(KaModelPose, NoBonesDropsTheSkinnedArrays)
{
    KaModel model;
    KaMeshShape shape;
    model.addMesh(KaMakeMesh(shape));
    model.update();
    EXPECT_FALSE(model.mesh(0).hasSkinnedPositions());
}

// ---------------------------------------------------------------------------
// Blenders and morphs

class KaModelBlendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KaTimer::setClock(&mClock);
        KaTimer::updateAll();
    }
    void TearDown() override { KaTimer::setClock(nullptr); }
    void advanceSeconds(double seconds)
    {
        mClock.advance(static_cast<unsigned long long>(seconds * 1000000.0));
        KaTimer::updateAll();
    }
    KaManualClock mClock;
};

TEST_F(KaModelBlendTest, BlenderCoefficientIsTimeOverDurationCappedAtOne)
{
    KaModel::bonesBlender blender;
    blender.duration = 0.5f;
    blender.timer.start();
    KaTimer::updateAll();
    EXPECT_FLOAT_EQ(blender.coefficient(), 0.0f);
    advanceSeconds(0.25);
    EXPECT_FLOAT_EQ(blender.coefficient(), 0.5f);
    advanceSeconds(1.0);
    EXPECT_FLOAT_EQ(blender.coefficient(), 1.0f);
    KaModel::bonesBlender instant;
    EXPECT_FLOAT_EQ(instant.coefficient(), 1.0f) << "a zero duration is over at once";
}

TEST_F(KaModelBlendTest, MeshMorphBlendsPositionsThenSwapsMeshes)
{
    KaModel model;
    KaAddBone(model, "root", KaModel::mNoParent, KaTRS());
    KaAddBone(model, "child", 0, KaTRS());
    for (const char* name : { "face_a", "face_b" }) {
        KaMesh mesh;
        mesh.setConf(1, 0, KaMesh::POINTS, 0, 0);
        mesh.setName(name);
        mesh.setVertex(0, KaVector3f32(name[5] == 'a' ? -2.0f : -6.0f, 0, 0));
        mesh.setNormal(0, KaVector3f32(0, 1, 0));
        model.addMesh(mesh);
    }
    model.blendMesh("face_a", "face_b", 1.0f);
    KaTimer::updateAll();
    advanceSeconds(0.25);
    model.update();
    // Mirrored: -2 -> 2 and -6 -> 6; a quarter of the way.
    expectVector(model.mesh(0).vertex(0), 3, 0, 0);
    EXPECT_EQ(model.meshBlenderCount(), 1u);
    advanceSeconds(1.0);
    model.update();
    EXPECT_EQ(model.meshBlenderCount(), 0u);
    EXPECT_FALSE(model.mesh(0).visible());
    EXPECT_TRUE(model.mesh(1).visible());
    expectVector(model.mesh(1).vertex(0), 6, 0, 0);
}

// ---------------------------------------------------------------------------
// Drawing

TEST(KaModel, BoundingBoxSpansTheMeshes)
{
    KaModel model;
    KaVector3f32 low;
    KaVector3f32 high;
    model.boundingBox(low, high);
    EXPECT_GT(low.x, 1e14f);
    KaMeshShape shape;
    shape.vertices = 4;
    model.addMesh(KaMakeMesh(shape));
    model.boundingBox(low, high);
    expectVector(low, 0, 1, -3);
    expectVector(high, 3, 7, 0);
}
