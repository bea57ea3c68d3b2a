// One frame of 1,000 half-transparent meshes of 100 triangles each, drawn
// offscreen (OSMesa, 512 x 512) under a perspective camera: once with every
// mesh drawing its own faces in call order (no sorting), once through the
// renderer's transparent batch (copied into view space, sorted far to near,
// merged and drawn from one set of arrays). The "fps" counter is frames per
// second; compare the pairs of one run. batchDrawCalls (runs of equal
// state), batchMaterialChanges and batchGLDrawCalls are those of the last
// frame's flush.
//
// Two scenes: every mesh with a material of its own (the depth sort
// interleaves triangles of different materials, so almost every triangle is
// a run of its own; the materials, unlit, differ only in colour, so the runs
// still draw in few calls), and all meshes sharing one material (neighbours
// merge into few runs, as GUI sprites do).

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"

namespace {

const int kSide = 512;
const unsigned long kMeshes = 1000;
const unsigned long kTriangles = 100;
const int kWarmUpFrames = 3;
const std::chrono::milliseconds kWarmUpTime(500);
const int kHeapKept = 256 << 20;

class Scene {
public:
    Scene()
    {
        // GL allocates and frees its upload buffers every frame; with the C
        // library's default policy, whether their release shrinks the heap
        // (and the next frame faults its pages in again) depends on the
        // sizes allocated before, which swung the figures by more than 2x
        // between builds. Keep the heap: the figures are the drawing's.
        mallopt(M_TRIM_THRESHOLD, kHeapKept);
        // Setting the trim threshold also stops the C library from raising
        // its mmap threshold as large blocks come and go, so GL's upload
        // buffers of a few megabytes would be mapped and faulted in anew
        // every frame, as they are not with the default policy.
        mallopt(M_MMAP_THRESHOLD, kHeapKept / 8);
        mGL.reset(new KaBenchGLContext(kSide));
        mValid = mGL->valid();
        if (!mValid)
            return;

        mCamera = new KaCamera();
        mCamera->setProjectionType(KaCamera::PERSPECTIVE_Y);
        mCamera->setFov(1.0f);
        mCamera->setNearDistance(10.0f);
        mCamera->setFarDistance(4000.0f);
        mCamera->viewport(0, 0, kSide, kSide);

        // Meshes scattered over the view at depths 200 to 1200, each a fan
        // of thin triangles around its centre, with its own colour.
        mMeshes.resize(kMeshes);
        for (unsigned long m = 0; m < kMeshes; ++m) {
            KaMesh& mesh = mMeshes[m];
            const float cx = static_cast<float>((m * 37) % 100) * 8.0f - 400.0f;
            const float cy = static_cast<float>((m * 61) % 100) * 8.0f - 400.0f;
            const float cz = 200.0f + static_cast<float>((m * 13) % 1000);
            mesh.setConf(kTriangles + 2, kTriangles * 3, KaMesh::TRIANGLES, 1, kTriangles);
            mesh.setVertex(0, KaVector3f32(cx, cy, cz));
            for (unsigned long v = 1; v < kTriangles + 2; ++v) {
                const float angle = 6.2831853f * static_cast<float>(v) / static_cast<float>(kTriangles);
                mesh.setVertex(v, KaVector3f32(cx + 20.0f * std::cos(angle), cy + 20.0f * std::sin(angle), cz));
            }
            for (unsigned long t = 0; t < kTriangles; ++t) {
                mesh.setIndex(3 * t, 0);
                mesh.setIndex(3 * t + 1, static_cast<unsigned int>(t + 1));
                mesh.setIndex(3 * t + 2, static_cast<unsigned int>(t + 2));
            }
            KaMaterial material;
            material.setMode(KaMaterial::BLENDED);
            material.setDiffuse(KaColor(static_cast<unsigned char>(m), 128, static_cast<unsigned char>(255 - m % 256), 128));
            mesh.attachMaterial(0, material);
        }
    }

    ~Scene()
    {
        mMeshes.clear();
        renderer.destroy();
        mCamera.release();
        mGL.reset();
    }

    bool valid() const { return mValid; }

    void setBatched(bool batched)
    {
        for (KaMesh& mesh : mMeshes)
            mesh.setSortTransparentFaces(batched);
    }

    void shareOneMaterial()
    {
        KaMaterial material;
        material.setMode(KaMaterial::BLENDED);
        material.setDiffuse(KaColor(200, 128, 60, 128));
        for (KaMesh& mesh : mMeshes)
            mesh.attachMaterial(0, material);
    }

    void frame()
    {
        KaRenderer* r = renderer.get();
        r->reset();
        mCamera->apply();
        for (KaMesh& mesh : mMeshes)
            mesh.draw();
        r->renderTransparentMeshes();
        mCamera->restore();
        glFinish();
    }

private:
    std::unique_ptr<KaBenchGLContext> mGL;
    bool mValid = false;
    KaIntrusivePtr<KaCamera> mCamera;
    std::vector<KaMesh> mMeshes;
};

void runFrames(benchmark::State& state, bool batched)
{
    Scene scene;
    if (!scene.valid()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    scene.setBatched(batched);
    if (state.range(0) != 0)
        scene.shareOneMaterial();
    // Warm up before timing: the first frames compile GL's shader variants
    // for every state met, fault in the batch's arrays and let the
    // rasteriser threads settle, and would otherwise swing the figures.
    const auto warmUpStart = std::chrono::steady_clock::now();
    for (int frames = 0; frames < kWarmUpFrames || std::chrono::steady_clock::now() - warmUpStart < kWarmUpTime;
         ++frames)
        scene.frame();
    for (auto _ : state)
        scene.frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(kMeshes * kTriangles);
    state.counters["batchDrawCalls"] = static_cast<double>(renderer.get()->lastTransparentDrawCalls());
    state.counters["batchMaterialChanges"] = static_cast<double>(renderer.get()->lastTransparentMaterialChanges());
    state.counters["batchGLDrawCalls"] = static_cast<double>(renderer.get()->lastTransparentGLDrawCalls());
}

void BM_FrameDirect(benchmark::State& state)
{
    runFrames(state, false);
}

void BM_FrameThroughBatch(benchmark::State& state)
{
    runFrames(state, true);
}

// Argument: 0 a material per mesh, 1 one shared material.
// A frame takes tens of milliseconds: two seconds of frames each.
BENCHMARK(BM_FrameDirect)
    ->ArgName("shared")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_FrameThroughBatch)
    ->ArgName("shared")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

} // namespace
