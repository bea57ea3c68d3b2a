#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaMesh.h"
#include "engine/scene/KaModelAnimation.h"
#include "engine/scene/KaModelVertexAnimation.h"
#include "tests/engine/scene/KaAnimationFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Keys at those times; vertex v of a key sits at (time + v, 2 v, -time).
KaTestVertexFile vertexFile(const std::vector<float>& times, unsigned int vertices)
{
    KaTestVertexFile file;
    file.times = times;
    for (float t : times) {
        std::vector<float> positions;
        for (unsigned int v = 0; v < vertices; ++v) {
            positions.push_back(t + static_cast<float>(v));
            positions.push_back(2.0f * static_cast<float>(v));
            positions.push_back(-t);
        }
        file.positions.push_back(positions);
    }
    return file;
}

bool loadBytes(KaModelVertexAnimation& anim, const std::string& bytes)
{
    KaStream stream;
    KaTestFillStream(stream, bytes);
    return anim.load(stream);
}

KaIntrusivePtr<KaModelVertexAnimation> loaded(const KaTestVertexFile& file)
{
    KaIntrusivePtr<KaModelVertexAnimation> anim(new KaModelVertexAnimation());
    EXPECT_TRUE(loadBytes(*anim, KaTestWriteVertex(file)));
    return anim;
}

class FinishedCounter {
public:
    explicit FinishedCounter(KaAnimation& anim) { anim.onFinished.add(this, &FinishedCounter::finished); }
    bool finished()
    {
        ++mCount;
        return false;
    }
    int mCount = 0;
};

} // namespace

TEST(KaModelVertexAnimationTest, InterpolatesBetweenKeysAndWraps)
{
    KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(vertexFile({ 0, 10, 20 }, 2));
    EXPECT_EQ(anim->name(), KaString("body"));
    FinishedCounter finished(*anim);
    struct Step {
        double ms;
        float x; // of vertex 0, which equals the position in frames
        int finished;
    };
    for (const Step& s :
        std::vector<Step> { { 0, 0, 0 }, { 500, 15, 0 }, { 650, 19.5f, 0 }, { 700, 1, 1 }, { 1000, 10, 1 } }) {
        anim->update(s.ms);
        const KaArray<KaVector3f32>& v = anim->getVertices();
        ASSERT_EQ(v.size(), 2u);
        EXPECT_NEAR(v[0].x, s.x, 1e-4) << s.ms;
        EXPECT_NEAR(v[1].x, s.x + 1.0f, 1e-4) << s.ms;
        EXPECT_NEAR(v[0].z, -s.x, 1e-4) << s.ms;
        EXPECT_EQ(finished.mCount, s.finished) << s.ms;
    }
}

// Key layouts that leave the interpolation without two distinct keys around
// the position: each answers plain key vertices, never NaN.
TEST(KaModelVertexAnimationTest, SingleKeysAndEqualKeyTimes)
{
    struct Case {
        const char* name;
        std::vector<float> times;
        double ms;
        float x; // vertex 0's x expected
    };
    const std::vector<Case> cases = {
        { "one key at 0", { 0 }, 700, 0 },
        { "one key above 0", { 5 }, 700, 5 },
        { "two keys at 0", { 0, 0 }, 300, 0 },
        { "two keys at the same later time", { 5, 5 }, 100, 5 },
        { "first key above 0", { 4, 8 }, 33, 4 },
        { "equal times in the middle", { 0, 10, 10, 20 }, 333.4, 10 },
        { "equal times in the middle, just after", { 0, 10, 10, 20 }, 400, 12 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(vertexFile(c.times, 3));
        anim->update(c.ms);
        const KaArray<KaVector3f32>& v = anim->getVertices();
        ASSERT_EQ(v.size(), 3u);
        EXPECT_TRUE(std::isfinite(v[0].x));
        EXPECT_NEAR(v[0].x, c.x, 1e-2);
    }
}

TEST(KaModelVertexAnimationTest, MatricesOfVersion256AreAppliedThenTurned)
{
    KaTestVertexFile file = vertexFile({ 0, 10 }, 1);
    file.version = 256;
    // Translation by (1, 0, 3), column-major.
    const std::vector<float> translate = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 3, 1 };
    file.matrices = { translate, translate };
    file.positions = { { 1, 2, 0 }, { 1, 2, 0 } };
    KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(file);
    // (2, 2, 3) turned by -90 degrees about y.
    KaVector3f32 expected(2, 2, 3);
    expected.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), -1.5707964f));
    EXPECT_NEAR(std::fabs(expected.x), 3.0f, 1e-5);
    const KaVector3f32 v = anim->getKeyVertex(0, 0);
    EXPECT_NEAR(v.x, expected.x, 1e-5);
    EXPECT_NEAR(v.y, 2.0f, 1e-5);
    EXPECT_NEAR(v.z, expected.z, 1e-5);

    // The writer writes version 2 with the vertices already transformed.
    KaStream out;
    ASSERT_TRUE(anim->save(out));
    const std::string bytes = KaTestBytes(out);
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x02\0\0\0", 4));
    KaIntrusivePtr<KaModelVertexAnimation> again(new KaModelVertexAnimation());
    ASSERT_TRUE(loadBytes(*again, bytes));
    EXPECT_NEAR(again->getKeyVertex(0, 0).x, expected.x, 1e-5);
    EXPECT_NEAR(again->getKeyVertex(0, 0).z, expected.z, 1e-5);

    // A version 2 file keeps its vertices as stored, and round trips exactly.
    const std::string plain = KaTestWriteVertex(vertexFile({ 0, 10 }, 2));
    KaIntrusivePtr<KaModelVertexAnimation> stored(new KaModelVertexAnimation());
    ASSERT_TRUE(loadBytes(*stored, plain));
    EXPECT_EQ(stored->getKeyVertex(1, 1).x, 11.0f);
    KaStream plainOut;
    ASSERT_TRUE(stored->save(plainOut));
    EXPECT_EQ(KaTestBytes(plainOut), plain);
}

TEST(KaModelVertexAnimationTest, AllVertexAnimationsShareOneResultArray)
{
    KaIntrusivePtr<KaModelVertexAnimation> first = loaded(vertexFile({ 0, 10 }, 2));
    KaIntrusivePtr<KaModelVertexAnimation> second = loaded(vertexFile({ 0, 10 }, 4));
    second->update(1000.0 / 3.0 * 0.5); // frame 5
    const KaArray<KaVector3f32>& a = first->getVertices();
    EXPECT_EQ(a.size(), 2u);
    const KaArray<KaVector3f32>& b = second->getVertices();
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(a.size(), 4u);
    EXPECT_NEAR(a[0].x, 5.0f, 1e-4);
}

TEST(KaModelVertexAnimationTest, ALinkedSkeletalAnimationDrivesTheTime)
{
    KaIntrusivePtr<KaModelAnimation> skeleton(new KaModelAnimation());
    skeleton->setKeyed(true);
    skeleton->setFrameCount(100);
    skeleton->setFrameRate(30.0f);
    skeleton->setRepeatCount(KaAnimation::mEndless);
    KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(vertexFile({ 0, 10, 20 }, 1));
    anim->setLinkedAnimation(skeleton);
    skeleton->update(500); // frame 15
    anim->update(123456);
    EXPECT_NEAR(anim->time(), 500.0, 1e-9);
    EXPECT_NEAR(anim->getVertices()[0].x, 15.0f, 1e-4);
}

TEST(KaModelVertexAnimationTest, AMeshWithMoreVerticesKeepsItsOwnForTheRest)
{
    KaMesh mesh;
    mesh.setConf(4, 0, KaMesh::TRIANGLES, 1, 0);
    for (unsigned long v = 0; v < 4; ++v)
        mesh.setVertex(v, KaVector3f32(100.0f + static_cast<float>(v), 0, 0));
    KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(vertexFile({ 0, 10 }, 3));
    anim->update(0);
    mesh.updateFromVertexAnimation(anim->getVertices());
    EXPECT_EQ(mesh.vertex(0).x, 0.0f);
    EXPECT_EQ(mesh.vertex(2).x, 2.0f);
    EXPECT_EQ(mesh.vertex(3).x, 103.0f);
}

TEST(KaModelVertexAnimationTest, DamagedFilesAreRefusedWithTheirMessage)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases;
    const std::string good = KaTestWriteVertex(vertexFile({ 0, 10 }, 2));
    auto patched = [&](const char* from, const char* to) {
        std::string bytes = good;
        bytes.replace(bytes.find(from), 4, to);
        return bytes;
    };
    cases.push_back(
        { "not a vertex animation", patched("KAVA", "KAAN"), "[KaModelVertexAnimation::load] Unknown format.\n" });
    KaTestVertexFile f = vertexFile({ 0, 10 }, 2);
    f.version = 3;
    cases.push_back({ "version 3", KaTestWriteVertex(f), "[KaModelVertexAnimation::load] Unsupported version.\n" });
    cases.push_back(
        { "no HEAD", patched("HEAD", "HEAX"), "[KaModelVertexAnimation::load] Expected HEAD not found.\n" });
    cases.push_back(
        { "no TIME", patched("TIME", "TIMX"), "[KaModelVertexAnimation::load] Expected TIME not found.\n" });
    cases.push_back(
        { "no DATA", patched("DATA", "DATX"), "[KaModelVertexAnimation::load] Expected DATA not found.\n" });
    f = vertexFile({ 0, 10 }, 2);
    f.keyCountOverride = 0x40000000;
    cases.push_back(
        { "key count beyond the stream", KaTestWriteVertex(f), "[KaModelVertexAnimation::load] Corrupt file.\n" });
    f = vertexFile({ 0, 10 }, 2);
    f.vertexCountOverride = 0x7FFFFFFF;
    cases.push_back(
        { "vertex count beyond the stream", KaTestWriteVertex(f), "[KaModelVertexAnimation::load] Corrupt file.\n" });
    f = vertexFile({ 0, 10 }, 2);
    f.version = 256; // no matrices in the data: 76 bytes a vertex do not fit
    cases.push_back(
        { "version 256 without matrices", KaTestWriteVertex(f), "[KaModelVertexAnimation::load] Corrupt file.\n" });
    f = vertexFile({ 0, NAN }, 2);
    cases.push_back(
        { "key time not a number", KaTestWriteVertex(f), "[KaModelVertexAnimation::load] Corrupt file.\n" });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaModelVertexAnimation> anim = loaded(vertexFile({ 0 }, 1));
        KaCaptureStdout capture;
        EXPECT_FALSE(loadBytes(*anim, c.bytes));
        EXPECT_EQ(capture.text(), c.message);
        EXPECT_EQ(anim->keys().size(), 0u);
        EXPECT_EQ(anim->getVertices().size(), 0u);
    }

    for (size_t cut = 0; cut < good.size(); ++cut) {
        KaIntrusivePtr<KaModelVertexAnimation> anim(new KaModelVertexAnimation());
        KaCaptureStdout capture;
        EXPECT_FALSE(loadBytes(*anim, good.substr(0, cut))) << cut;
        EXPECT_EQ(anim->keys().size(), 0u);
    }
}

TEST(KaModelVertexAnimationTest, LoadByPath)
{
    KaTempDir dir;
    dir.write("wave.kava", KaTestWriteVertex(vertexFile({ 0, 10 }, 2)));
    KaIntrusivePtr<KaModelVertexAnimation> anim(new KaModelVertexAnimation());
    EXPECT_TRUE(anim->load(KaPath(dir.file("wave.kava").c_str())));
    EXPECT_EQ(anim->keys().size(), 2u);
    KaCaptureStdout capture;
    const KaPath missing(dir.file("missing.kava").c_str());
    EXPECT_FALSE(anim->load(missing));
    EXPECT_NE(
        capture.text().find(std::string("[KaModelVertexAnimation::load] File not found : ") + missing.c_str() + "\n"),
        std::string::npos);
}
