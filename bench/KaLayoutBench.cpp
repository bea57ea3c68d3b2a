// One frame of a screen of 200 sprite layouts of 32 x 32 pixels, all showing
// the same opaque picture (a picture with alpha would go through the
// renderer's transparent batch, measured by KaBatchBench), under a 512 x 512 main window drawn offscreen (OSMesa):
// through the layouts (the main window's drawLayouts, each sprite bringing
// its size, position and matrix up to date and drawing its tiled surface),
// against the same textured quads drawn by a plain GL loop under the same
// camera. The "moved" argument makes every sprite move by one pixel each
// frame, so each frame also recomputes every position and world matrix; the
// plain loop then works out the same positions. Compare BM_LayoutScreen with
// BM_PlainQuads of the same argument: their ratio is what the layouts cost
// over raw drawing.

#include <GL/gl.h>

#include <malloc.h>

#include <chrono>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/KaBenchGLContext.h"

#include "engine/core/KaObject.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"

namespace {

const int kSide = 512;
const int kColumns = 20;
const int kRows = 10;
const unsigned int kPicture = 32;
const float kStep = 24.0f;
const int kWarmUpFrames = 3;
const std::chrono::milliseconds kWarmUpTime(300);
const int kHeapKept = 256 << 20;

float spriteX(int index, bool shifted)
{
    return static_cast<float>(index % kColumns) * kStep - 228.0f + (shifted ? 1.0f : 0.0f);
}

float spriteY(int index) { return static_cast<float>(index / kColumns) * kStep * 2.0f - 216.0f; }

KaImage makePicture()
{
    KaImage image;
    image.create(kPicture, kPicture, KaIntrusivePtr<KaPalette>(), RGB888);
    for (unsigned int r = 0; r < kPicture; ++r) {
        unsigned char* p = image.row(r);
        for (unsigned int x = 0; x < kPicture; ++x) {
            p[x * 3] = static_cast<unsigned char>(x * 8);
            p[x * 3 + 1] = static_cast<unsigned char>(r * 8);
            p[x * 3 + 2] = 128;
        }
    }
    return image;
}

class Screen {
public:
    Screen()
    {
        // GL allocates and frees its upload buffers at every draw; keep the
        // heap so that the figures are the drawing's, not the page faults'
        // of a heap shrunk and grown again.
        mallopt(M_TRIM_THRESHOLD, kHeapKept);
        mGL.reset(new KaBenchGLContext(kSide));
        mValid = mGL->valid();
        if (!mValid)
            return;
        KaMainWindow* window = mainWindow.get();
        window->setSize(KaVector3f32(kSide, kSide, 0));
        window->setVisible(true);
        mValid = window->create();
        const KaImage picture = makePicture();
        for (int i = 0; i < kColumns * kRows; ++i) {
            KaSpriteLayout* sprite = new KaSpriteLayout();
            sprite->load(picture);
            sprite->setSize(KaVector3f32(kPicture, kPicture, 0));
            sprite->setPositionType(KaILayout::Pixel);
            sprite->setPosition(KaVector3f32(spriteX(i, false), spriteY(i), 0));
            window->addChild(sprite);
            mSprites.push_back(sprite);
        }

        glGenTextures(1, &mTexture);
        glBindTexture(GL_TEXTURE_2D, mTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kPicture, kPicture, 0, GL_RGB, GL_UNSIGNED_BYTE, picture.buffer());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    ~Screen()
    {
        if (mTexture)
            glDeleteTextures(1, &mTexture);
        KaMainWindow* window = mainWindow.exists() ? mainWindow.get() : nullptr;
        for (KaSpriteLayout* sprite : mSprites) {
            if (window)
                window->removeChild(sprite);
            delete sprite;
        }
        mSprites.clear();
        KaObject::deleteNow();
        mainWindow.destroy();
        renderer.destroy();
        mGL.reset();
    }

    bool valid() const { return mValid; }

    void layoutFrame(bool moved)
    {
        if (moved) {
            mShifted = !mShifted;
            for (size_t i = 0; i < mSprites.size(); ++i)
                mSprites[i]->setPosition(
                    KaVector3f32(spriteX(static_cast<int>(i), mShifted), spriteY(static_cast<int>(i)), 0));
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mainWindow.get()->drawLayouts();
        glFinish();
    }

    void plainFrame(bool moved)
    {
        if (moved)
            mShifted = !mShifted;
        renderer.get()->reset();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        KaCamera* camera = mainWindow.get()->camera().get();
        camera->apply();
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, mTexture);
        glColor4ub(255, 255, 255, 255);
        const float half = static_cast<float>(kPicture) / 2.0f;
        for (int i = 0; i < kColumns * kRows; ++i) {
            glPushMatrix();
            glTranslatef(spriteX(i, mShifted), spriteY(i), 0.1f + 0.1f * static_cast<float>(i));
            glBegin(GL_QUADS);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(-half, -half, 0.0f);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(half, -half, 0.0f);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(half, half, 0.0f);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(-half, half, 0.0f);
            glEnd();
            glPopMatrix();
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        camera->restore();
        glFinish();
    }

private:
    std::unique_ptr<KaBenchGLContext> mGL;
    bool mValid = false;
    bool mShifted = false;
    std::vector<KaSpriteLayout*> mSprites;
    GLuint mTexture = 0;
};

template <class Frame> void runFrames(benchmark::State& state, Frame frame)
{
    Screen screen;
    if (!screen.valid()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const bool moved = state.range(0) != 0;
    // Warm up: the first frames upload the texture and compile GL's state
    // variants.
    const auto warmUpStart = std::chrono::steady_clock::now();
    for (int frames = 0; frames < kWarmUpFrames || std::chrono::steady_clock::now() - warmUpStart < kWarmUpTime;
         ++frames)
        frame(screen, moved);
    for (auto _ : state)
        frame(screen, moved);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["quads"] = static_cast<double>(kColumns * kRows);
    // Both ways must cover the same pixels for the comparison to hold.
    std::vector<unsigned char> pixels(static_cast<size_t>(kSide) * kSide * 4);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    double lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0 ? 1 : 0;
    state.counters["litPixels"] = lit;
}

void BM_LayoutScreen(benchmark::State& state)
{
    runFrames(state, [](Screen& screen, bool moved) { screen.layoutFrame(moved); });
}

void BM_PlainQuads(benchmark::State& state)
{
    runFrames(state, [](Screen& screen, bool moved) { screen.plainFrame(moved); });
}

// Argument: 0 a still screen, 1 every sprite moved each frame.
BENCHMARK(BM_LayoutScreen)
    ->ArgName("moved")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(1.0);
BENCHMARK(BM_PlainQuads)->ArgName("moved")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);

} // namespace
