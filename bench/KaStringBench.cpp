// KaString against the equivalent std::string code: appends, comparisons,
// formatting and copies.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "engine/core/KaString.h"

namespace {

const char kWord[] = "texture";

// Builds a text of state.range(0) bytes a byte at a time.
void KaStringAppendByte(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        KaString s;
        for (long i = 0; i < count; ++i)
            s += 'x';
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void StdStringAppendByte(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        std::string s;
        for (long i = 0; i < count; ++i)
            s += 'x';
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Joins state.range(0) words, the way paths and messages are assembled.
void KaStringAppendWord(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        KaString s;
        for (long i = 0; i < count; ++i)
            s += kWord;
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void StdStringAppendWord(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        std::string s;
        for (long i = 0; i < count; ++i)
            s += kWord;
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void KaStringConcatenate(benchmark::State& state)
{
    const KaString folder("scenes/zone01/");
    const KaString file("actions.bin");
    for (auto _ : state) {
        KaString s = folder + file;
        benchmark::DoNotOptimize(s.c_str());
    }
}

void StdStringConcatenate(benchmark::State& state)
{
    const std::string folder("scenes/zone01/");
    const std::string file("actions.bin");
    for (auto _ : state) {
        std::string s = folder + file;
        benchmark::DoNotOptimize(s.c_str());
    }
}

// Equal texts of state.range(0) bytes held in separate storage.
void KaStringCompareEqual(benchmark::State& state)
{
    const std::string source(static_cast<size_t>(state.range(0)), 'k');
    const KaString a(source.c_str());
    const KaString b(source.c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(a == b);
        benchmark::DoNotOptimize(a != b);
        benchmark::DoNotOptimize(a < b);
    }
}

void StdStringCompareEqual(benchmark::State& state)
{
    const std::string a(static_cast<size_t>(state.range(0)), 'k');
    const std::string b(a);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a == b);
        benchmark::DoNotOptimize(a != b);
        benchmark::DoNotOptimize(a < b);
    }
}

// Keys of a lookup table against a text literal.
void KaStringCompareLiteral(benchmark::State& state)
{
    const KaString key("OnDisplacementFinished");
    for (auto _ : state)
        benchmark::DoNotOptimize(key == "OnDisplacementFinishes");
}

void StdStringCompareLiteral(benchmark::State& state)
{
    const std::string key("OnDisplacementFinished");
    for (auto _ : state)
        benchmark::DoNotOptimize(key == "OnDisplacementFinishes");
}

void KaStringFormatShort(benchmark::State& state)
{
    KaString s;
    for (auto _ : state) {
        s.format("%s/%d.xml", "Backup", 3);
        benchmark::DoNotOptimize(s.c_str());
    }
}

void StdStringFormatShort(benchmark::State& state)
{
    std::string s;
    for (auto _ : state) {
        char buffer[1024];
        const int n = std::snprintf(buffer, sizeof(buffer), "%s/%d.xml", "Backup", 3);
        s.assign(buffer, static_cast<size_t>(n));
        benchmark::DoNotOptimize(s.c_str());
    }
}

// Texts past the first buffer take the second formatting pass.
void KaStringFormatLong(benchmark::State& state)
{
    const std::string payload(static_cast<size_t>(state.range(0)), 'p');
    KaString s;
    for (auto _ : state) {
        s.format("<%s|%d>", payload.c_str(), 42);
        benchmark::DoNotOptimize(s.c_str());
    }
}

void StdStringFormatLong(benchmark::State& state)
{
    const std::string payload(static_cast<size_t>(state.range(0)), 'p');
    std::string s;
    for (auto _ : state) {
        const int n = std::snprintf(nullptr, 0, "<%s|%d>", payload.c_str(), 42);
        s.resize(static_cast<size_t>(n));
        std::snprintf(&s[0], static_cast<size_t>(n) + 1, "<%s|%d>", payload.c_str(), 42);
        benchmark::DoNotOptimize(s.c_str());
    }
}

void KaStringCopy(benchmark::State& state)
{
    const KaString source(std::string(static_cast<size_t>(state.range(0)), 'c').c_str());
    for (auto _ : state) {
        KaString copy(source);
        benchmark::DoNotOptimize(copy.c_str());
    }
}

void StdStringCopy(benchmark::State& state)
{
    const std::string source(static_cast<size_t>(state.range(0)), 'c');
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy.c_str());
    }
}

} // namespace

BENCHMARK(KaStringAppendByte)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(StdStringAppendByte)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(KaStringAppendWord)->Arg(4)->Arg(64);
BENCHMARK(StdStringAppendWord)->Arg(4)->Arg(64);
BENCHMARK(KaStringConcatenate);
BENCHMARK(StdStringConcatenate);
BENCHMARK(KaStringCompareEqual)->Arg(8)->Arg(256);
BENCHMARK(StdStringCompareEqual)->Arg(8)->Arg(256);
BENCHMARK(KaStringCompareLiteral);
BENCHMARK(StdStringCompareLiteral);
BENCHMARK(KaStringFormatShort);
BENCHMARK(StdStringFormatShort);
BENCHMARK(KaStringFormatLong)->Arg(2000)->Arg(20000);
BENCHMARK(StdStringFormatLong)->Arg(2000)->Arg(20000);
BENCHMARK(KaStringCopy)->Arg(8)->Arg(256);
BENCHMARK(StdStringCopy)->Arg(8)->Arg(256);
