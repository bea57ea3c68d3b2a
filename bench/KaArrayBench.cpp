#include <benchmark/benchmark.h>

#include <vector>

#include "engine/containers/KaArray.h"

// KaArray grows to exactly the size needed, so appending one at a time
// reallocates on every call; reserve() is the cure when the count is known.
static void BM_KaArrayAppend(benchmark::State& state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        KaArray<int> a;
        for (long i = 0; i < n; ++i)
            a.pushBack(static_cast<int>(i));
        benchmark::DoNotOptimize(a.constData());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_KaArrayAppend)->Arg(100)->Arg(10000);

static void BM_KaArrayAppendReserved(benchmark::State& state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        KaArray<int> a;
        a.reserve(static_cast<unsigned long>(n));
        for (long i = 0; i < n; ++i)
            a.pushBack(static_cast<int>(i));
        benchmark::DoNotOptimize(a.constData());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_KaArrayAppendReserved)->Arg(100)->Arg(10000);

static void BM_StdVectorAppend(benchmark::State& state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        std::vector<int> v;
        for (long i = 0; i < n; ++i)
            v.push_back(static_cast<int>(i));
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVectorAppend)->Arg(100)->Arg(10000);

static void BM_StdVectorAppendReserved(benchmark::State& state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        std::vector<int> v;
        v.reserve(static_cast<size_t>(n));
        for (long i = 0; i < n; ++i)
            v.push_back(static_cast<int>(i));
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVectorAppendReserved)->Arg(100)->Arg(10000);

static void BM_KaArrayCopy(benchmark::State& state)
{
    KaArray<int> source;
    source.resize(static_cast<unsigned long>(state.range(0)));
    for (auto _ : state) {
        KaArray<int> copy(source);
        benchmark::DoNotOptimize(copy.constData());
    }
}
BENCHMARK(BM_KaArrayCopy)->Arg(10000);

static void BM_KaArrayShare(benchmark::State& state)
{
    KaArray<int> source;
    source.resize(static_cast<unsigned long>(state.range(0)));
    for (auto _ : state) {
        KaArray<int> shared;
        shared = source;
        benchmark::DoNotOptimize(shared.constData());
    }
}
BENCHMARK(BM_KaArrayShare)->Arg(10000);

static void BM_StdVectorCopy(benchmark::State& state)
{
    std::vector<int> source(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<int> copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_StdVectorCopy)->Arg(10000);

static void BM_KaArrayIterate(benchmark::State& state)
{
    KaArray<int> a;
    a.resize(static_cast<unsigned long>(state.range(0)));
    const KaArray<int>& view = a;
    for (auto _ : state) {
        long sum = 0;
        for (unsigned long i = 0; i < view.size(); ++i)
            sum += view[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KaArrayIterate)->Arg(10000);

static void BM_StdVectorIterate(benchmark::State& state)
{
    std::vector<int> v(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        long sum = 0;
        for (size_t i = 0; i < v.size(); ++i)
            sum += v[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdVectorIterate)->Arg(10000);
