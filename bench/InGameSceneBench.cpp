// A scene change of the sample game, from its files to the first frame that
// can be drawn: blockers, act zones, lights, the zone's geometry file (its
// walkable zones with their path grids), the background and interaction
// GUIs with the painted picture, the camera; then one frame drawn. And the
// cost of drawing that scene per frame, and of the characters' shadow
// texture while the player moves. The goal for a scene change is 0.2 s.
// Runs on the build's own Resources folder.

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"
#include "engine/core/KaObject.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/scene/KaAnimation.h"
#include "game/characters/Character.h"
#include "game/characters/CharactersShadow.h"
#include "game/scene/InGameScene.h"

namespace {

const char* kScenes[] = { "01010", "01020" };

void enter(InGameScene& scene, const char* name)
{
    scene.setLocation("01", name);
    scene.loadBlockers();
    scene.reset();
    scene.load("scenes/01/Geometry01.bin");
    const KaString folder = KaString("scenes/01/") + name + "/";
    scene.loadBackground(folder + "Set" + name + ".lua");
    scene.loadInteractions(folder + "Int" + name + ".lua");
    scene.setCurrentCamera(KaString("Camera") + name);
}

void drawFrame(InGameScene& scene)
{
    KaRenderer* kaRenderer = renderer.get();
    kaRenderer->reset();
    mainWindow.get()->camera()->apply();
    if (KaLayout* back = scene.background())
        back->draw();
    mainWindow.get()->camera()->restore();
    kaRenderer->loadIdentityMatrix();
    kaRenderer->renderTransparentMeshes();
    kaRenderer->clearBuffer(256);
    scene.draw();
    kaRenderer->renderTransparentMeshes();
    scene.drawPath();
    // The software rasteriser works when the frame is flushed: wait for it.
    glFinish();
}

struct Setup {
    Setup() : context(512)
    {
        if (chdir(KA_RESOURCES_DIR) != 0)
            return;
        mainWindow.get()->setSize(KaVector3f32(512, 384, 100));
        ready = context.valid();
    }
    ~Setup()
    {
        KaObject::deleteNow();
        mainWindow.destroy();
        renderer.destroy();
    }
    KaBenchGLContext context;
    bool ready = false;
};

void BM_SceneChange(benchmark::State& state)
{
    Setup setup;
    if (!setup.ready) {
        state.SkipWithError("no GL context or no Resources folder");
        return;
    }
    {
        InGameScene scene;
        unsigned int next = 0;
        for (auto _ : state) {
            if (scene.background())
                mainWindow.get()->removeChild(scene.background());
            enter(scene, kScenes[next++ % 2]);
            if (!scene.currentCamera()) {
                state.SkipWithError("the scene did not load");
                break;
            }
            mainWindow.get()->addChild(scene.background());
            drawFrame(scene);
            KaObject::deleteNow();
        }
        if (scene.background())
            mainWindow.get()->removeChild(scene.background());
    }
}
BENCHMARK(BM_SceneChange)->Unit(benchmark::kMillisecond);

void BM_SceneFrame(benchmark::State& state)
{
    Setup setup;
    if (!setup.ready) {
        state.SkipWithError("no GL context or no Resources folder");
        return;
    }
    {
        InGameScene scene;
        enter(scene, kScenes[0]);
        mainWindow.get()->addChild(scene.background());
        for (auto _ : state) {
            scene.update();
            drawFrame(scene);
        }
        mainWindow.get()->removeChild(scene.background());
    }
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond);

// The shadow's texture pass, the player a little further across the office
// each frame, with the wait for the GL to finish what it was given: what
// the frame pays for it.
void BM_ShadowTexturePass(benchmark::State& state)
{
    Setup setup;
    if (!setup.ready || !Character::loadSettings("models/ModelsSettings.xml")) {
        state.SkipWithError("no GL context or no Resources folder");
        return;
    }
    {
        InGameScene scene;
        enter(scene, kScenes[0]);
        Character mira;
        if (!mira.loadModel("Mira", false) || !scene.charactersShadow()) {
            state.SkipWithError("the player or the shadow did not load");
            return;
        }
        KaAnimation::updateAll();
        scene.setPlayer(&mira);
        float x = -100.0f;
        for (auto _ : state) {
            x = x > 100.0f ? -100.0f : x + 2.0f;
            mira.model()->setPosition(KaVector3f32(x, 0.0f, 250.0f));
            CharactersShadow::renderTexturePass(&scene);
            glFinish();
        }
        scene.setPlayer(nullptr);
    }
    Character::animCacheFreeAll();
}
BENCHMARK(BM_ShadowTexturePass)->Unit(benchmark::kMicrosecond);

} // namespace
