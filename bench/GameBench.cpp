// One frame of the game in progress on the sample game's office, with the
// player walking back and forth between two points of the floor (the
// application's frame: timers, input, animations, the game's update with its
// script's "Update", the panels, the scene, and the whole drawing with the
// character's shadow), against the same scene with the same walk drawn by
// the engine alone (animations, the scene's models and the background layer,
// no game, no script, no panels). The goal is 2 ms of engine time per frame.
// Game time runs on a clock of its own: 1/60 s per frame.

#include <unistd.h>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaAnimation.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"

namespace {

class FrameClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mFrames * 1000000ULL / 60ULL; }
    void step() { ++mFrames; }

private:
    unsigned long long mFrames = 60;
};

// The application, created once for both benchmarks, in a game on the first
// scene with the clerk's greeting taken as heard.
struct GameSetup {
    GameSetup() : context(512)
    {
        if (!context.valid() || chdir(KA_RESOURCES_DIR) != 0)
            return;
        setenv("ALSOFT_DRIVERS", "null", 1);
        KaTimer::setClock(&clock);
        inputMgr.get()->setClock(&clock);
        mainWindow.get()->setSize(KaVector3f32(512, 384, 100));
        application.get()->create();
        application.get()->startGame(true, EApplicationDifficultyDefault);
        application.get()->game().luaContext().setGlobal("metAnsel", true);
        for (int i = 0; i < 60; ++i)
            frame();
        ready = application.get()->game().scene3D().player() != nullptr;
    }
    void frame()
    {
        clock.step();
        application.get()->run();
    }
    // A walk to the other end of the floor whenever the player stands.
    void keepWalking()
    {
        Game& game = application.get()->game();
        Character* player = game.scene3D().player();
        if (!game.playerArrived() || player->isRunning())
            return;
        static const KaVector3f32 ends[2] = { KaVector3f32(-100, 0, 150), KaVector3f32(120, 0, 280) };
        const KaVector3f32 target = ends[next++ % 2];
        const KaVector2f32 pixel = game.scene3D().currentCamera()->projectPoint(target);
        inputMgr.get()->setMouseRawPosition(KaVector2s32(static_cast<int>(pixel.x), static_cast<int>(pixel.y)), 0);
        game.onMouseClick(0);
    }

    KaBenchGLContext context;
    FrameClock clock;
    bool ready = false;
    unsigned int next = 0;
};

GameSetup& setup()
{
    static GameSetup instance;
    return instance;
}

void BM_GameFrameWalking(benchmark::State& state)
{
    GameSetup& game = setup();
    if (!game.ready) {
        state.SkipWithError("no GL context, no Resources folder or no player");
        return;
    }
    for (auto _ : state) {
        game.keepWalking();
        game.frame();
        // The software rasteriser works when the frame is flushed: wait for it.
        glFinish();
    }
}
BENCHMARK(BM_GameFrameWalking)->Unit(benchmark::kMillisecond);

void BM_EngineSceneFrameWalking(benchmark::State& state)
{
    GameSetup& game = setup();
    if (!game.ready) {
        state.SkipWithError("no GL context, no Resources folder or no player");
        return;
    }
    InGameScene& scene = application.get()->game().scene3D();
    KaRenderer* kaRenderer = renderer.get();
    for (auto _ : state) {
        game.keepWalking();
        game.clock.step();
        KaTimer::updateAll();
        KaAnimation::updateAll();
        scene.KaScene::update();
        kaRenderer->reset();
        mainWindow.get()->camera()->apply();
        application.get()->layoutBack().draw();
        mainWindow.get()->camera()->restore();
        kaRenderer->loadIdentityMatrix();
        kaRenderer->renderTransparentMeshes();
        kaRenderer->clearBuffer(256);
        scene.KaScene::draw();
        kaRenderer->renderTransparentMeshes();
        glFinish();
    }
}
BENCHMARK(BM_EngineSceneFrameWalking)->Unit(benchmark::kMillisecond);

} // namespace
