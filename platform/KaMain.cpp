#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "game/application/Main.h"
#include "platform/KaCommandLine.h"
#include "platform/KaHostView.h"

namespace {

// Pictures, their textures (the software GL keeps these in the heap too),
// glyph atlases and sounds are blocks of hundreds of kilobytes to megabytes
// that come and go with the screens. By default the C library raises its
// mmap threshold to the largest block freed so far, so after the splash
// every later picture lands in the brk heap, whose holes are never given
// back: the resident size ratchets up by a background at each change of
// screen. A fixed threshold maps each large block on its own and returns it
// on free; the trim threshold keeps the heap's top from being shrunk and
// grown again by every frame's small allocations.
void keepLargeBlocksOutOfTheHeap()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 4 * 1024 * 1024);
#endif
}

bool environmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0];
}

// A player who started the game from a desktop menu has no console: the
// reason it cannot start must show on the screen too. Not when there is no
// display to show it on, nor when KA_NO_MESSAGE_BOX=1 (scripts driving the
// program: nobody would close the box).
void tellThePlayer(const char* text)
{
    std::fprintf(stderr, "%s\n", text);
    const char* noBox = std::getenv("KA_NO_MESSAGE_BOX");
    if (noBox && std::strcmp(noBox, "1") == 0)
        return;
    if (!environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY"))
        return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "The game cannot start", text, nullptr);
}

} // namespace

// The program: the game's hooks behind the SDL host.
//
// For scripts that drive it (the end-to-end tests): KA_FIXED_STEP=1 makes
// every frame exactly 1/60 s of game time, KA_FRAME_LOG=N prints a line
// every N frames, and KA_NO_MESSAGE_BOX=1 keeps start-up errors on the
// console.
int main(int argc, char** argv)
{
    keepLargeBlocksOutOfTheHeap();
    // Whole lines as they come, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* program = argc > 0 && argv[0] ? argv[0] : "kagame";
    const KaCommandLine line = KaCommandLine::parse(argc, argv);
    if (line.action == KaCommandLine::Help) {
        std::fputs(KaCommandLine::usage(program).c_str(), stdout);
        return 0;
    }
    if (line.action == KaCommandLine::Error) {
        std::fprintf(stderr, "%s: %s\n%s", program, line.error.c_str(), KaCommandLine::usage(program).c_str());
        return 2;
    }
    KaPrintf("%s\n", program);
    core.get()->args(static_cast<unsigned long>(argc), argv);
    const KaString missing = gameMissingContent();
    if (missing.length() > 0) {
        KaString text;
        text.format("The game cannot start: \"%s\" is missing or cannot be read.", missing.c_str());
        tellThePlayer(text.c_str());
        return 1;
    }
    const KaHostHooks hooks = { gameConfigure, gameCreate, gameOnNextFrame, gameDestroy };
    KaHostView view(hooks);
    KaHostSettings settings;
    const char* fixedStep = std::getenv("KA_FIXED_STEP");
    settings.fixedStep = fixedStep && fixedStep[0] == '1';
    if (const char* frameLog = std::getenv("KA_FRAME_LOG"))
        settings.frameLogInterval = std::strtoul(frameLog, nullptr, 10);
    settings.fullScreen = line.fullScreen;
    settings.windowWidth = line.width;
    settings.windowHeight = line.height;
    return view.run(settings);
}
