#include <benchmark/benchmark.h>

#include <vector>

#include "engine/containers/KaSignal.h"

namespace {
struct Handler {
    long hits = 0;
    bool onEvent(unsigned int pointer)
    {
        hits += pointer;
        return false;
    }
};
} // namespace

// One emission offered to every handler (none handles it), as a click that
// no GUI element takes goes through the whole list.
static void BM_SignalEmit(benchmark::State& state)
{
    std::vector<Handler> handlers(static_cast<size_t>(state.range(0)));
    KaSignal1Param<unsigned int> signal;
    for (size_t i = 0; i < handlers.size(); ++i)
        signal.add(&handlers[i], &Handler::onEvent, static_cast<float>(i % 7));
    for (auto _ : state)
        benchmark::DoNotOptimize(signal.call(1));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SignalEmit)->Arg(1)->Arg(10)->Arg(100);
