// Typed binary stream I/O against hand-written memcpy code producing the same
// bytes (the host is little-endian, so memcpy of each value is its encoding).
// One record: u8, u16, u32, f32, u64, f64 = 27 bytes; about 1 MB per run.

#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/core/KaStream.h"

namespace {

const unsigned long kRecordBytes = 1 + 2 + 4 + 4 + 8 + 8;
const unsigned long kRecords = (1ul << 20) / kRecordBytes;
const unsigned long kTotalBytes = kRecords * kRecordBytes;

struct Record {
    unsigned char u8;
    unsigned short u16;
    unsigned int u32;
    float f32;
    unsigned long long u64;
    double f64;
};

Record recordAt(unsigned long k)
{
    Record r;
    r.u8 = static_cast<unsigned char>(k);
    r.u16 = static_cast<unsigned short>(k * 3);
    r.u32 = static_cast<unsigned int>(k * 2654435761u);
    r.f32 = static_cast<float>(k) * 0.5f;
    r.u64 = k * 0x9E3779B97F4A7C15ull;
    r.f64 = static_cast<double>(k) / 3.0;
    return r;
}

void writeStream(KaStream& stream)
{
    for (unsigned long k = 0; k < kRecords; ++k) {
        Record r = recordAt(k);
        stream << r.u8 << r.u16 << r.u32 << r.f32 << r.u64 << r.f64;
    }
}

template <class T>
unsigned char* put(unsigned char* out, T value)
{
    std::memcpy(out, &value, sizeof value);
    return out + sizeof value;
}

template <class T>
const unsigned char* take(const unsigned char* in, T& value)
{
    std::memcpy(&value, in, sizeof value);
    return in + sizeof value;
}

void writeMemcpy(unsigned char* out)
{
    for (unsigned long k = 0; k < kRecords; ++k) {
        Record r = recordAt(k);
        out = put(out, r.u8);
        out = put(out, r.u16);
        out = put(out, r.u32);
        out = put(out, r.f32);
        out = put(out, r.u64);
        out = put(out, r.f64);
    }
}

// A fresh stream each time: includes the growth of its memory.
void BM_StreamWrite(benchmark::State& state)
{
    for (auto _ : state) {
        KaStream stream;
        writeStream(stream);
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
}
BENCHMARK(BM_StreamWrite);

// Overwrites data already there: the typed writes alone.
void BM_StreamOverwrite(benchmark::State& state)
{
    KaStream stream;
    writeStream(stream);
    for (auto _ : state) {
        stream.seek(0);
        writeStream(stream);
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
}
BENCHMARK(BM_StreamOverwrite);

void BM_MemcpyWrite(benchmark::State& state)
{
    std::vector<unsigned char> buffer(kTotalBytes);
    for (auto _ : state) {
        writeMemcpy(buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
}
BENCHMARK(BM_MemcpyWrite);

void BM_StreamRead(benchmark::State& state)
{
    KaStream stream;
    writeStream(stream);
    std::vector<unsigned char> reference(kTotalBytes);
    writeMemcpy(reference.data());
    if (stream.bufferLength() != kTotalBytes || std::memcmp(stream.data(), reference.data(), kTotalBytes) != 0) {
        state.SkipWithError("stream bytes differ from the memcpy encoding");
        return;
    }
    for (auto _ : state) {
        stream.seek(0);
        double sum = 0;
        Record r;
        for (unsigned long k = 0; k < kRecords; ++k) {
            stream >> r.u8 >> r.u16 >> r.u32 >> r.f32 >> r.u64 >> r.f64;
            sum += r.u8 + r.u16 + r.u32 + r.f32 + static_cast<double>(r.u64) + r.f64;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
}
BENCHMARK(BM_StreamRead);

void BM_MemcpyRead(benchmark::State& state)
{
    std::vector<unsigned char> buffer(kTotalBytes);
    writeMemcpy(buffer.data());
    for (auto _ : state) {
        const unsigned char* in = buffer.data();
        double sum = 0;
        Record r;
        for (unsigned long k = 0; k < kRecords; ++k) {
            in = take(in, r.u8);
            in = take(in, r.u16);
            in = take(in, r.u32);
            in = take(in, r.f32);
            in = take(in, r.u64);
            in = take(in, r.f64);
            sum += r.u8 + r.u16 + r.u32 + r.f32 + static_cast<double>(r.u64) + r.f64;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
}
BENCHMARK(BM_MemcpyRead);

} // namespace
