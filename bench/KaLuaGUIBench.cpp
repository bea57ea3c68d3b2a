// Loading and unloading a screen described in Lua: a list of N buttons, each
// with up, down and roll-over layouts and a label layout, and one colour
// animation per button, so 5 N + 1 layouts and N animations go through the
// constructors. Every load first unloads the previous run and the objects it
// released are destroyed as the frame's end would, so one iteration is one
// screen change. The per-object time still grows with N: each button
// inserts its input callbacks among the others' by depth, and each release
// checks the deferred-deletion queue for the object. No picture is loaded
// (the state layouts are plain layouts), so no GL context is needed.

#include <fstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "engine/core/KaObject.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/script/KaLuaGUI.h"

namespace {

std::string describe(int buttons)
{
    std::string source = "local items = { name = 'list' }\n"
                         "for i = 1, "
        + std::to_string(buttons)
        + " do\n"
          "  local up = KaLayout{ name = 'up' .. i, size = { 120, 40 }, color = { 200, 200, 200 } }\n"
          "  local down = KaLayout{ name = 'down' .. i, size = { 120, 40 } }\n"
          "  local over = KaLayout{ name = 'over' .. i, size = { 120, 40 } }\n"
          "  items[i] = KaButtonLayout{ name = 'button' .. i, upLayout = up, downLayout = down,"
          "    rollOverLayout = over, up, down, over, KaLayout{ name = 'label' .. i } }\n"
          "  KaColorLinearAnimation{ name = 'fade' .. i, duration = 400, endValue = { 255, 255, 255, 0 },"
          "    curve = { 0, 1 } }\n"
          "end\n"
          "KaListLayout(items)\n";
    return source;
}

void BM_LuaGUILoad(benchmark::State& state)
{
    const int buttons = static_cast<int>(state.range(0));
    char folder[] = "/tmp/KaLuaGUIBenchXXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/screen.lua";
    std::ofstream(path) << describe(buttons);

    KaLuaGUI gui;
    for (auto _ : state) {
        gui.load(KaPath(path.c_str()));
        KaObject::deleteNow();
    }
    if (!gui.buttonLayout(KaString(("button" + std::to_string(buttons)).c_str())))
        state.SkipWithError("the description did not build");
    gui.unload();
    KaObject::deleteNow();
    state.counters["objects"] = static_cast<double>(6 * buttons + 1);
    state.counters["per object"] = benchmark::Counter(static_cast<double>(6 * buttons + 1),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    unlink(path.c_str());
    rmdir(folder);
    mainWindow.destroy();
    inputMgr.destroy();
}
BENCHMARK(BM_LuaGUILoad)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
