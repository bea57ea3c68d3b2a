#include <cstdio>
#include <cstdlib>

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "game/application/Main.h"
#include "platform/KaHostView.h"

// The program: the game's hooks behind the SDL host.
//
// For scripts that drive it (the end-to-end tests): KA_FIXED_STEP=1 makes
// every frame exactly 1/60 s of game time, and KA_FRAME_LOG=N prints a line
// every N frames.
int main(int argc, char** argv)
{
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
