#include <cstdio>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "game/application/Main.h"
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

} // namespace

// The program: the game's hooks behind the SDL host.
//
// For scripts that drive it (the end-to-end tests): KA_FIXED_STEP=1 makes
// every frame exactly 1/60 s of game time, and KA_FRAME_LOG=N prints a line
// every N frames.
int main(int argc, char** argv)
{
    keepLargeBlocksOutOfTheHeap();
    // Whole lines as they come, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    KaPrintf("%s\n", argv[0]);
    core.get()->args(static_cast<unsigned long>(argc), argv);
    const KaHostHooks hooks = { gameConfigure, gameCreate, gameOnNextFrame, gameDestroy };
    KaHostView view(hooks);
    KaHostSettings settings;
    const char* fixedStep = std::getenv("KA_FIXED_STEP");
    settings.fixedStep = fixedStep && fixedStep[0] == '1';
    if (const char* frameLog = std::getenv("KA_FRAME_LOG"))
        settings.frameLogInterval = std::strtoul(frameLog, nullptr, 10);
    return view.run(settings);
}
