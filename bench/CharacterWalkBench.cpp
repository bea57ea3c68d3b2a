// One frame of ten walking characters: the sample game's Mira and Ansel
// (five of each, as written by the characters' generator, with the game's
// own settings file) walk round a 20 m loop of a curve in "Walk" and "Jog",
// each starting again when its walk ends. A frame is what the game's loop
// does for them: the clock moves 1/60 s, the timers and the running
// animations are updated (the walks and the skeletal animations), and each
// model computes its pose and skins its meshes; BM_TenWalkingCharactersDrawn
// also draws them offscreen (OSMesa 512 x 512) with their foot shadows.

#include <GL/gl.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"

#include "engine/core/KaIClock.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/scene/KaAnimation.h"
#include "engine/world/KaBezierCurve.h"
#include "game/characters/Character.h"
#include "tools/characters/KaCharacterCast.h"

namespace {

const int kSide = 512;
const int kCharacters = 10;

class FrameClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void advance(double milliseconds) { mNow += static_cast<unsigned long long>(milliseconds * 1000.0); }

private:
    unsigned long long mNow = 1000000;
};

// A rounded loop of about 20 m on the ground, shifted for each walker so
// that they do not all stand in one place.
KaIntrusivePtr<KaBezierCurve> loopCurve(int walker)
{
    KaIntrusivePtr<KaBezierCurve> curve = new KaBezierCurve();
    KaArray<KaVector3f32> points;
    const float shift = static_cast<float>(walker) * 40.0f;
    for (int i = 0; i <= 12; ++i) {
        const float a = static_cast<float>(i) * 6.2831853f / 12.0f;
        points.pushBack(KaVector3f32(shift + 320.0f * std::cos(a), 0.0f, 320.0f * std::sin(a)));
    }
    curve->setControlPoints(points);
    return curve;
}

class Walkers {
public:
    Walkers()
    {
        KaTimer::setClock(&mClock);
        mGL.reset(new KaBenchGLContext(kSide));
        if (!mGL->valid())
            return;
        char folder[] = "/tmp/ka_walk_bench_XXXXXX";
        if (!mkdtemp(folder))
            return;
        mFolder = folder;
        if (getcwd(mPrevious, sizeof mPrevious) == nullptr || !writeCast() || !copySettings()
            || chdir(mFolder.c_str()) != 0)
            return;
        if (!Character::loadSettings("models/ModelsSettings.xml"))
            return;

        mCamera = new KaCamera();
        mCamera->setProjectionType(KaCamera::ORTHOGRAPHIC);
        mCamera->orthogonalParams(-800.0f, 800.0f, -400.0f, 1200.0f);
        mCamera->setNearDistance(-5000.0f);
        mCamera->setFarDistance(5000.0f);
        mCamera->viewport(0, 0, kSide, kSide);

        for (int i = 0; i < kCharacters; ++i) {
            std::unique_ptr<Character> c(new Character());
            if (!c->loadModel(i % 2 ? "Ansel" : "Mira", false))
                return;
            c->setPlayer(i == 0);
            mCurves.push_back(loopCurve(i));
            mCharacters.push_back(std::move(c));
            startWalk(i);
        }
        KaTimer::updateAll();
        mValid = true;
    }

    ~Walkers()
    {
        mCharacters.clear();
        Character::animCacheFreeAll();
        KaObject::deleteNow();
        renderer.destroy();
        mCamera = nullptr;
        mGL.reset();
        KaTimer::setClock(nullptr);
        if (mPrevious[0] && chdir(mPrevious) != 0)
            std::perror("chdir");
        if (!mFolder.empty())
            std::system(("rm -rf '" + mFolder + "'").c_str());
    }

    bool valid() const { return mValid; }

    void frame()
    {
        mClock.advance(1000.0 / 60.0);
        KaTimer::updateAll();
        KaAnimation::updateAll();
        for (int i = 0; i < kCharacters; ++i) {
            Character& c = *mCharacters[i];
            // The stop has ended, or the walk itself.
            if (!c.isRunning())
                startWalk(i);
            c.model()->update();
        }
    }

    void draw()
    {
        KaRenderer* r = renderer.get();
        r->reset();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mCamera->apply();
        for (std::unique_ptr<Character>& c : mCharacters) {
            c->model()->draw();
            c->shadowPlane(0)->draw();
            c->shadowPlane(1)->draw();
        }
        r->renderTransparentMeshes();
        mCamera->restore();
        glFinish();
    }

    unsigned long walksStarted() const { return mWalks; }

private:
    // The generator reports every part it writes: kept out of the report.
    bool writeCast()
    {
        std::fflush(stdout);
        const int saved = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            close(null);
        }
        const bool written = KaCharacterCast::write(mFolder);
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, 1);
            close(saved);
        }
        return written;
    }

    bool copySettings()
    {
        std::ifstream in(std::string(KA_SOURCE_DIR) + "/content/models/ModelsSettings.xml");
        std::stringstream text;
        text << in.rdbuf();
        std::ofstream out(mFolder + "/models/ModelsSettings.xml");
        out << text.str();
        return in.good() && out.good();
    }

    // As the game starts a walk: the curve, the start part, the plan. Every
    // third walker runs.
    void startWalk(int i)
    {
        Character& c = *mCharacters[i];
        c.walkMode(i % 3 == 2 ? "Jog" : "Walk");
        c.placeOnCurve(mCurves[i]);
        c.setCurveOffset(0.0f);
        c.setAnimation(c.walkAnim(Character::start), false, false, false, -1, 9999);
        c.walkTo(1.0f, false);
        ++mWalks;
    }

    FrameClock mClock;
    std::unique_ptr<KaBenchGLContext> mGL;
    std::string mFolder;
    char mPrevious[4096] = { 0 };
    KaIntrusivePtr<KaCamera> mCamera;
    std::vector<std::unique_ptr<Character>> mCharacters;
    std::vector<KaIntrusivePtr<KaBezierCurve>> mCurves;
    unsigned long mWalks = 0;
    bool mValid = false;
};

void BM_TenWalkingCharacters(benchmark::State& state)
{
    Walkers walkers;
    if (!walkers.valid()) {
        state.SkipWithError("no offscreen context or no characters");
        return;
    }
    for (auto _ : state)
        walkers.frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["walks"] = static_cast<double>(walkers.walksStarted());
}
BENCHMARK(BM_TenWalkingCharacters)->Unit(benchmark::kMicrosecond);

void BM_TenWalkingCharactersDrawn(benchmark::State& state)
{
    Walkers walkers;
    if (!walkers.valid()) {
        state.SkipWithError("no offscreen context or no characters");
        return;
    }
    for (auto _ : state) {
        walkers.frame();
        walkers.draw();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["walks"] = static_cast<double>(walkers.walksStarted());
}
BENCHMARK(BM_TenWalkingCharactersDrawn)->Unit(benchmark::kMicrosecond);

} // namespace
