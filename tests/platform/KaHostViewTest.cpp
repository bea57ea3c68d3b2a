#include <gtest/gtest.h>

#include <GL/gl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <algorithm>
#include <fstream>
#include <unistd.h>

#include "engine/core/KaGetDeviceDPI.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/input/KaScreen.h"
#include "platform/KaHostView.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::string readText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What the fake game saw, in order.
struct Journal {
    std::string calls;
    KaVector2s32 sizeAtConfigure;
    bool contextAtCreate = false;
    KaVector3f32 requestedSize = KaVector3f32(0, 0, 0);
    bool fullScreenWish = false;
    bool closeOnFrame = false;
    int frames = 0;
    // How long each game frame takes.
    std::chrono::microseconds frameLength { 0 };
    // The game's time as one of its timers reads it.
    KaTimer gameTime;
    unsigned long long lastFrameTime = 0;
};
Journal* journal = nullptr;

void fakeConfigure()
{
    journal->calls += "configure;";
    KaMainWindow* main = mainWindow.get();
    journal->sizeAtConfigure = KaVector2s32(static_cast<int>(main->xSize()), static_cast<int>(main->ySize()));
    main->setName("Fake Game");
    if (journal->requestedSize.x > 0)
        main->setSize(journal->requestedSize);
    // Options read while constructing: the native window must wait.
    main->setFullScreen(journal->fullScreenWish);
    main->setNativeCursorVisible(false);
}
void fakeCreate()
{
    journal->calls += "create;";
    journal->contextAtCreate = glGetString(GL_VERSION) != nullptr;
    journal->gameTime.start();
}
bool fakeFrame()
{
    ++journal->frames;
    KaTimer::updateAll();
    journal->lastFrameTime = static_cast<unsigned long long>(journal->gameTime.getTimeFromStart());
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::this_thread::sleep_for(journal->frameLength);
    if (journal->closeOnFrame)
        mainWindow.get()->setCloseRequested(true);
    return true;
}
void fakeDestroy() { journal->calls += "destroy;"; }

const KaHostHooks fakeHooks = { fakeConfigure, fakeCreate, fakeFrame, fakeDestroy };

class KaHostViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // SDL's offscreen driver gives a GL context without an X server.
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        journal = &record;
        settings.title = "Host Test";
        settings.width = 320;
        settings.height = 200;
    }
    void TearDown() override
    {
        journal = nullptr;
        mainWindow.destroy();
        inputMgr.destroy();
        defaultScreen.destroy();
    }
    void push(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = type;
        if (type == SDL_MOUSEMOTION) {
            event.motion.x = x;
            event.motion.y = y;
        } else {
            event.button.button = button;
            event.button.x = x;
            event.button.y = y;
        }
        SDL_PushEvent(&event);
    }

    Journal record;
    KaHostSettings settings;
};

TEST_F(KaHostViewTest, StartUpOrderSizesAndTitle)
{
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    record.requestedSize = KaVector3f32(400, 300, 0);
    host.start();
    EXPECT_EQ(record.calls, "configure;create;");
    // The game is constructed with the window's own size and the context
    // current; its wished size is applied before it is created.
    EXPECT_EQ(record.sizeAtConfigure.x, 320);
    EXPECT_EQ(record.sizeAtConfigure.y, 200);
    EXPECT_TRUE(record.contextAtCreate);
    EXPECT_EQ(host.nativeWindow().drawableSize().x, 400);
    EXPECT_EQ(host.nativeWindow().drawableSize().y, 300);
    EXPECT_STREQ(SDL_GetWindowTitle(host.window()), "Fake Game");
    EXPECT_EQ(mainWindow.get()->nativeWindow(), &host.nativeWindow());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    // The DPI never divides by zero, whatever the display reports.
    EXPECT_GT(KaGetDeviceDPI(), 0u);

    ASSERT_TRUE(host.frame());
    EXPECT_EQ(record.frames, 1);
    EXPECT_EQ(mainWindow.get()->xSize(), 400.0f);
    host.terminate();
    host.terminate();
    EXPECT_EQ(record.calls, "configure;create;destroy;");
    EXPECT_EQ(mainWindow.get()->nativeWindow(), nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(KaHostViewTest, EndingPaths)
{
    // A quit event (close box, SIGINT, SIGTERM) ends before the next frame;
    // a close request ends after the frame that made it, which is drawn.
    {
        KaHostView host(fakeHooks);
        ASSERT_TRUE(host.open(settings));
        host.start();
        ASSERT_TRUE(host.frame());
        SDL_Event quit;
        SDL_zero(quit);
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        EXPECT_FALSE(host.frame());
        EXPECT_EQ(record.frames, 1);
        EXPECT_TRUE(host.quitRequested());
    }
    EXPECT_EQ(record.calls, "configure;create;destroy;");
    mainWindow.destroy();

    record.calls.clear();
    record.frames = 0;
    record.closeOnFrame = true;
    KaHostView host(fakeHooks);
    EXPECT_EQ(host.run(settings), 0);
    EXPECT_EQ(record.frames, 1);
    EXPECT_EQ(host.framesRun(), 1u);
    EXPECT_EQ(record.calls, "configure;create;destroy;");
}

TEST_F(KaHostViewTest, MouseReachesTheInputManagerUnlessModified)
{
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    host.start();
    KaInputMgr* input = inputMgr.get();
    input->initialize();

    push(SDL_MOUSEMOTION, 10, 20);
    push(SDL_MOUSEBUTTONDOWN, 30, 40);
    ASSERT_TRUE(host.frame());
    EXPECT_EQ(input->mouseRawPosition(0).x, 30);
    EXPECT_EQ(input->mouseRawPosition(0).y, 40);
    EXPECT_TRUE(input->getMouseLeft(0));

    // Other buttons are not the game's; a Control or Alt click is dropped
    // whole, position included.
    push(SDL_MOUSEBUTTONUP, 50, 60, SDL_BUTTON_RIGHT);
    SDL_SetModState(KMOD_LCTRL);
    push(SDL_MOUSEBUTTONUP, 70, 80);
    ASSERT_TRUE(host.frame());
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(input->mouseRawPosition(0).x, 30);
    EXPECT_TRUE(input->getMouseLeft(0));

    push(SDL_MOUSEBUTTONUP, 90, 100);
    ASSERT_TRUE(host.frame());
    EXPECT_EQ(input->mouseRawPosition(0).x, 90);
    EXPECT_FALSE(input->getMouseLeft(0));
}

TEST_F(KaHostViewTest, FixedStepFramesAreExactSixtieths)
{
    settings.fixedStep = true;
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    host.start();
    for (int frame = 0; frame < 3; ++frame)
        ASSERT_TRUE(host.frame());
    const unsigned long long third = record.lastFrameTime;
    for (int frame = 0; frame < 60; ++frame)
        ASSERT_TRUE(host.frame());
    EXPECT_EQ(record.lastFrameTime - third, 1000000u);
}

TEST_F(KaHostViewTest, FrameLinesCarryRunningTotalsOfTheGamesFrames)
{
    // Scripts that measure the program read these lines: the frame clock
    // keeps its form, and the totals are of the game's frames.
    settings.frameLogInterval = 3;
    record.frameLength = std::chrono::microseconds(2000);
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    host.start();
    KaCaptureStdout console;
    for (int frame = 0; frame < 6; ++frame)
        ASSERT_TRUE(host.frame());
    std::istringstream lines(console.text());

    struct Work {
        unsigned long long frames, wall, thread, swap, process, longest;
    };
    std::vector<std::string> clock;
    std::vector<Work> works;
    int firsts = 0;
    for (std::string line; std::getline(lines, line);) {
        Work w {};
        if (line == "[KaHostView] first frame")
            ++firsts;
        else if (line.rfind("[KaHostView] frame ", 0) == 0)
            clock.push_back(line);
        else if (std::sscanf(line.c_str(),
                     "[KaHostView] work %llu frames: %llu us wall, %llu us thread CPU, %llu us swap, %llu us "
                     "process CPU, longest frame %llu us",
                     &w.frames, &w.wall, &w.thread, &w.swap, &w.process, &w.longest)
            == 6)
            works.push_back(w);
    }
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(clock, (std::vector<std::string> { "[KaHostView] frame 3", "[KaHostView] frame 6" }));
    ASSERT_EQ(works.size(), 2u);
    EXPECT_EQ(works[0].frames, 3u);
    EXPECT_EQ(works[1].frames, 6u);
    // The game's 2 ms count as work, and the totals only grow.
    EXPECT_GE(works[0].wall, 3 * 2000u);
    EXPECT_GE(works[1].wall, works[0].wall + 3 * 2000u);
    EXPECT_GE(works[1].thread, works[0].thread);
    EXPECT_GE(works[1].swap, works[0].swap);
    EXPECT_GE(works[1].process, works[0].process);
    EXPECT_GE(works[1].longest, 2000u);
}

TEST_F(KaHostViewTest, NoFrameLinesUnlessAsked)
{
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    host.start();
    KaCaptureStdout console;
    for (int frame = 0; frame < 12; ++frame)
        ASSERT_TRUE(host.frame());
    EXPECT_EQ(console.text().find("[KaHostView]"), std::string::npos);
}

TEST_F(KaHostViewTest, AltEnterAndF11SwitchFullScreenThroughTheMainWindow)
{
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    host.start();
    ASSERT_FALSE(mainWindow.get()->fullScreen());
    struct Case {
        SDL_Keycode key;
        Uint16 mod;
        Uint8 repeat;
        bool switches;
    } cases[] = {
        { SDLK_F11, KMOD_NONE, 0, true },
        { SDLK_F11, KMOD_NONE, 0, true },
        { SDLK_RETURN, KMOD_LALT, 0, true },
        { SDLK_KP_ENTER, KMOD_RALT, 0, true },
        // Enter alone, another key with Alt, a held key repeating: nothing.
        { SDLK_RETURN, KMOD_NONE, 0, false },
        { SDLK_F10, KMOD_LALT, 0, false },
        { SDLK_F11, KMOD_NONE, 1, false },
    };
    bool expected = false;
    for (const Case& c : cases) {
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = c.key;
        event.key.keysym.mod = c.mod;
        event.key.repeat = c.repeat;
        SDL_PushEvent(&event);
        ASSERT_TRUE(host.frame());
        if (c.switches)
            expected = !expected;
        // The flag the options save and the window agree.
        EXPECT_EQ(mainWindow.get()->fullScreen(), expected) << SDL_GetKeyName(c.key) << " mod " << c.mod;
        EXPECT_EQ(host.nativeWindow().fullScreen(), expected) << SDL_GetKeyName(c.key) << " mod " << c.mod;
    }
}

TEST_F(KaHostViewTest, CommandLineWinsOverTheGamesWishes)
{
    // The game wishes full screen at 400 x 300; the command line asks for a
    // 500 x 350 window.
    record.fullScreenWish = true;
    record.requestedSize = KaVector3f32(400, 300, 0);
    settings.fullScreen = 0;
    settings.windowWidth = 500;
    settings.windowHeight = 350;
    KaHostView host(fakeHooks);
    ASSERT_TRUE(host.open(settings));
    KaCaptureStdout console;
    host.start();
    EXPECT_FALSE(mainWindow.get()->fullScreen());
    EXPECT_FALSE(host.nativeWindow().fullScreen());
    EXPECT_EQ(host.nativeWindow().drawableSize().x, 500);
    EXPECT_EQ(host.nativeWindow().drawableSize().y, 350);
    EXPECT_EQ(mainWindow.get()->xSize(), 500.0f);
    // The size the game lays out for is told once.
    ASSERT_TRUE(host.frame());
    const std::string text = console.text();
    const size_t at = text.find("[KaHostView]");
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.substr(at), "[KaHostView] size 500x350\n");
}

// Without a display SDL would fall back on drawing into nothing: the host
// refuses, with a line that says how to run the game, unless the offscreen
// driver is asked for by name.
TEST_F(KaHostViewTest, NoDisplayIsRefusedWithAPlainLine)
{
    struct Case {
        const char* display;
        const char* why;
    } cases[] = {
        { nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set" },
        { "", "neither DISPLAY nor WAYLAND_DISPLAY is set" },
        // No X server there: no other driver is tried.
        { ":4242", "the display \":4242\" cannot be opened" },
    };
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const std::string waylandBefore = wayland ? wayland : "";
    const char* display = std::getenv("DISPLAY");
    const std::string displayBefore = display ? display : "";
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    for (const Case& c : cases) {
        if (c.display)
            setenv("DISPLAY", c.display, 1);
        else
            unsetenv("DISPLAY");
        KaTempDir dir;
        const std::string errors = dir.file("stderr.txt");
        std::fflush(stderr);
        const int saved = dup(2);
        std::FILE* file = std::fopen(errors.c_str(), "w");
        ASSERT_TRUE(file);
        dup2(fileno(file), 2);
        bool opened = true;
        {
            KaHostView host(fakeHooks);
            opened = host.open(settings);
        }
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::fclose(file);
        EXPECT_FALSE(opened);
        const std::string text = readText(errors);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find(c.why), std::string::npos) << text;
        EXPECT_NE(text.find("xvfb-run -a scripts/run"), std::string::npos) << text;
    }
    if (displayBefore.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", displayBefore.c_str(), 1);
    if (!waylandBefore.empty())
        setenv("WAYLAND_DISPLAY", waylandBefore.c_str(), 1);
    EXPECT_EQ(record.calls, "");
}

TEST(KaHostViewPointerTest, DrawablePixelsFromWindowPoints)
{
    struct Case {
        int x, y;
        KaVector2s32 window, drawable, expected;
    } cases[] = {
        { 10, 20, { 800, 600 }, { 800, 600 }, { 10, 20 } },
        { 10, 20, { 800, 600 }, { 1600, 1200 }, { 20, 40 } },
        { 799, 599, { 800, 600 }, { 1600, 1200 }, { 1598, 1198 } },
        { 10, 20, { 0, 0 }, { 800, 600 }, { 10, 20 } },
    };
    for (const Case& c : cases) {
        const KaVector2s32 got = KaHostView::pointerPosition(c.x, c.y, c.window, c.drawable);
        EXPECT_EQ(got.x, c.expected.x);
        EXPECT_EQ(got.y, c.expected.y);
    }
}

}
