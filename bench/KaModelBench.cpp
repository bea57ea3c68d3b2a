// One frame of a skinned character: a 5,000-vertex mesh on a 40-bone
// skeleton whose vertices each follow a weight list of two bones, posed from
// two keyed animations cross-faded by the model (the current one and a
// blender), then skinned (and, in the first case, drawn offscreen under an
// orthographic camera, OSMesa 256 x 256).
//
// BM_PlainSkinning does the same sums on std::vector with no engine type:
// per bone the blend of two key-interpolated transforms, its matrix, the
// parent's matrix times it and the inverse bind matrix; per weight list the
// weighted sum of its bones' matrices; per vertex its position and normal
// through its matrix. Compare BM_ModelSkinning with it (and BM_ModelSkinAndDraw
// for what drawing adds).

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"

#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"

namespace {

const int kSide = 256;
const unsigned int kBones = 40;
const unsigned int kVertices = 5000;
const unsigned int kTriangles = kVertices - 2;

// The bone's parent: a tree of four chains of ten.
unsigned int parentOf(unsigned int bone) { return bone % 10 == 0 ? 65535u : bone - 1; }

KaVector3f32 vertexAt(unsigned int v)
{
    const float f = static_cast<float>(v);
    return KaVector3f32(std::sin(f * 0.01f) * 10.0f, std::cos(f * 0.013f) * 10.0f, std::sin(f * 0.007f) * 5.0f);
}

// Key values of animation a (0 or 1) for bone b at key k (0 or 1).
KaVector3f32 keyTranslation(int a, unsigned int b, int k)
{
    return KaVector3f32(0.1f * static_cast<float>(a + k), 1.0f + 0.01f * static_cast<float>(b), 0.05f * static_cast<float>(k));
}

KaQuaternion keyRotation(int a, unsigned int b, int k)
{
    const float angle = 0.02f * static_cast<float>(b % 7) + 0.3f * static_cast<float>(a) + 0.2f * static_cast<float>(k);
    return KaQuaternion(0.0f, std::sin(angle / 2), 0.0f, std::cos(angle / 2));
}

KaIntrusivePtr<KaModelAnimation> makeAnimation(int a)
{
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    anim->setKeyed(true);
    anim->setFrameCount(31);
    anim->setFrameRate(30.0f);
    anim->resizeNMOArrays(kBones);
    for (unsigned int b = 0; b < kBones; ++b) {
        char name[16];
        std::snprintf(name, sizeof(name), "bone%u", b);
        anim->setBoneName(b, name);
        for (int k = 0; k < 2; ++k) {
            KaVector3f32 t = keyTranslation(a, b, k);
            KaQuaternion q = keyRotation(a, b, k);
            anim->setTranslation(b, 30.0f * static_cast<float>(k), t);
            anim->setRotation(b, 30.0f * static_cast<float>(k), q);
        }
    }
    return anim;
}

class Character {
public:
    Character()
    {
        mGL.reset(new KaBenchGLContext(kSide));
        mValid = mGL->valid();
        if (!mValid)
            return;

        mCamera = new KaCamera();
        mCamera->setProjectionType(KaCamera::ORTHOGRAPHIC);
        mCamera->orthogonalParams(-40.0f, 40.0f, -40.0f, 40.0f);
        mCamera->setNearDistance(-100.0f);
        mCamera->setFarDistance(100.0f);
        mCamera->viewport(0, 0, kSide, kSide);

        mModel = new KaModel();
        for (unsigned int b = 0; b < kBones; ++b) {
            KaModel::bone bone;
            char name[16];
            std::snprintf(name, sizeof(name), "bone%u", b);
            bone.name = name;
            bone.parent = static_cast<uint16_t>(parentOf(b));
            bone.bindTransform = KaTRS(keyTranslation(0, b, 0), KaQuaternion(), KaVector3f32(1, 1, 1));
            mModel->bones().pushBack(bone);
            KaMatrix4x4 inverse;
            inverse.translate(KaVector3f32(0.0f, -1.0f, 0.0f));
            mModel->inverseBindMatrices().pushBack(inverse);
        }
        for (unsigned int k = 0; k < kBones; ++k) {
            KaArray<KaModel::weightElement> list;
            list.pushBack(KaModel::weightElement { 0.6f, static_cast<uint16_t>(k) });
            list.pushBack(KaModel::weightElement { 0.4f, static_cast<uint16_t>((k + 1) % kBones) });
            mModel->weights().pushBack(list);
        }
        KaMesh mesh;
        mesh.setConf(kVertices, 3 * kTriangles, KaMesh::TRIANGLES, 1, kTriangles);
        for (unsigned int v = 0; v < kVertices; ++v) {
            mesh.setVertex(v, vertexAt(v));
            mesh.setNormal(v, KaVector3f32(0.0f, 0.0f, 1.0f));
            mesh.matrixIndex(v, kBones + v % kBones);
        }
        for (unsigned int t = 0; t < kTriangles; ++t) {
            mesh.setIndex(3 * t, t);
            mesh.setIndex(3 * t + 1, t + 1);
            mesh.setIndex(3 * t + 2, t + 2);
        }
        mesh.attachMaterial(0, KaMaterial());
        mesh.facesPerMaterial(0, kTriangles);
        mModel->addMesh(mesh);

        // Endless plays of both; the cross-fade lasts far longer than any
        // run, so every frame blends the two.
        KaIntrusivePtr<KaModelAnimation> walk = makeAnimation(0);
        KaIntrusivePtr<KaModelAnimation> run = makeAnimation(1);
        mModel->setAnim(walk, true);
        walk->play();
        mModel->blendAnim(run, 100000.0f, true);
        KaTimer::updateAll();
    }

    ~Character()
    {
        mModel = nullptr;
        KaObject::deleteNow();
        renderer.destroy();
        mCamera.release();
        mGL.reset();
    }

    bool valid() const { return mValid; }

    void pose()
    {
        KaTimer::updateAll();
        KaAnimation::updateAll();
        mModel->update();
    }

    void draw()
    {
        KaRenderer* r = renderer.get();
        r->reset();
        mCamera->apply();
        mModel->draw();
        r->renderTransparentMeshes();
        mCamera->restore();
        glFinish();
    }

    const KaMesh& mesh() const { return static_cast<const KaModel&>(*mModel).mesh(0); }

private:
    std::unique_ptr<KaBenchGLContext> mGL;
    bool mValid = false;
    KaIntrusivePtr<KaCamera> mCamera;
    KaIntrusivePtr<KaModel> mModel;
};

void BM_ModelSkinning(benchmark::State& state)
{
    Character character;
    if (!character.valid()) {
        state.SkipWithError("no OSMesa context");
        return;
    }
    for (auto _ : state) {
        character.pose();
        benchmark::DoNotOptimize(character.mesh().skinnedPositions().constData());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ModelSkinning)->Unit(benchmark::kMicrosecond);

void BM_ModelSkinAndDraw(benchmark::State& state)
{
    Character character;
    if (!character.valid()) {
        state.SkipWithError("no OSMesa context");
        return;
    }
    for (auto _ : state) {
        character.pose();
        character.draw();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ModelSkinAndDraw)->Unit(benchmark::kMicrosecond);

// --- The same sums without the engine -------------------------------------

struct Mat {
    float m[16];
};

Mat multiply(const Mat& a, const Mat& b)
{
    Mat r;
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a.m[4 * k + row] * b.m[4 * c + k];
            r.m[4 * c + row] = s;
        }
    }
    return r;
}

// Translation t, rotation q (x, y, z, w), unit scale.
Mat fromTR(const float* t, const float* q)
{
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    Mat r = { { 1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0, 2 * (x * y - z * w),
        1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0, 2 * (x * z + y * w), 2 * (y * z - x * w),
        1 - 2 * (x * x + y * y), 0, t[0], t[1], t[2], 1 } };
    return r;
}

void lerpTR(const float* t0, const float* q0, const float* t1, const float* q1, float f, float* t, float* q)
{
    for (int i = 0; i < 3; ++i)
        t[i] = t0[i] + (t1[i] - t0[i]) * f;
    float length = 0.0f;
    for (int i = 0; i < 4; ++i) {
        q[i] = q0[i] + (q1[i] - q0[i]) * f;
        length += q[i] * q[i];
    }
    length = std::sqrt(length);
    for (int i = 0; i < 4; ++i)
        q[i] /= length;
}

void BM_PlainSkinning(benchmark::State& state)
{
    // Keys: [animation][bone][key] translations and rotations.
    std::vector<float> translations(2 * kBones * 2 * 3);
    std::vector<float> rotations(2 * kBones * 2 * 4);
    for (int a = 0; a < 2; ++a) {
        for (unsigned int b = 0; b < kBones; ++b) {
            for (int k = 0; k < 2; ++k) {
                const size_t i = (static_cast<size_t>(a) * kBones + b) * 2 + static_cast<size_t>(k);
                const KaVector3f32 t = keyTranslation(a, b, k);
                const KaQuaternion q = keyRotation(a, b, k);
                const float tv[3] = { t.x, t.y, t.z };
                const float qv[4] = { q.x, q.y, q.z, q.w };
                std::memcpy(&translations[3 * i], tv, sizeof(tv));
                std::memcpy(&rotations[4 * i], qv, sizeof(qv));
            }
        }
    }
    Mat inverse = { { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1 } };
    std::vector<Mat> boneMatrices(kBones);
    std::vector<Mat> skinning(kBones);
    std::vector<float> positions(3 * kVertices);
    std::vector<float> normals(3 * kVertices);
    std::vector<float> outPositions(3 * kVertices);
    std::vector<float> outNormals(3 * kVertices);
    for (unsigned int v = 0; v < kVertices; ++v) {
        const KaVector3f32 p = vertexAt(v);
        positions[3 * v] = p.x;
        positions[3 * v + 1] = p.y;
        positions[3 * v + 2] = p.z;
        normals[3 * v + 2] = 1.0f;
    }

    float frame = 0.0f;
    for (auto _ : state) {
        frame = std::fmod(frame + 0.5f, 30.0f);
        const float keyFactor = frame / 30.0f;
        const float blend = 0.5f;
        for (unsigned int b = 0; b < kBones; ++b) {
            float t[2][3];
            float q[2][4];
            for (int a = 0; a < 2; ++a) {
                const size_t i = (static_cast<size_t>(a) * kBones + b) * 2;
                lerpTR(&translations[3 * i], &rotations[4 * i], &translations[3 * i + 3], &rotations[4 * i + 4], keyFactor,
                    t[a], q[a]);
            }
            float tb[3];
            float qb[4];
            lerpTR(t[0], q[0], t[1], q[1], blend, tb, qb);
            const Mat local = fromTR(tb, qb);
            const unsigned int parent = parentOf(b);
            Mat world = parent == 65535u ? local : multiply(boneMatrices[parent], local);
            boneMatrices[b] = world;
        }
        std::vector<Mat> posed(kBones);
        for (unsigned int b = 0; b < kBones; ++b)
            posed[b] = multiply(boneMatrices[b], inverse);
        for (unsigned int k = 0; k < kBones; ++k) {
            const Mat& m0 = posed[k];
            const Mat& m1 = posed[(k + 1) % kBones];
            for (int e = 0; e < 16; ++e)
                skinning[k].m[e] = 0.6f * m0.m[e] + 0.4f * m1.m[e];
        }
        for (unsigned int v = 0; v < kVertices; ++v) {
            const float* m = skinning[v % kBones].m;
            const float* p = &positions[3 * v];
            const float* n = &normals[3 * v];
            float* op = &outPositions[3 * v];
            float* on = &outNormals[3 * v];
            op[0] = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
            op[1] = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
            op[2] = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
            on[0] = m[0] * n[0] + m[4] * n[1] + m[8] * n[2];
            on[1] = m[1] * n[0] + m[5] * n[1] + m[9] * n[2];
            on[2] = m[2] * n[0] + m[6] * n[1] + m[10] * n[2];
        }
        benchmark::DoNotOptimize(outPositions.data());
        benchmark::DoNotOptimize(outNormals.data());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainSkinning)->Unit(benchmark::kMicrosecond);

} // namespace
