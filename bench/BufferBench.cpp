// The demo recorder writes and reads its event stream a few bits at a time.
#include "framework/app/Buffer.h"
#include "framework/app/MTRand.h"

#include <benchmark/benchmark.h>

static void BM_BufferWriteEvents(benchmark::State& state) {
    for (auto _ : state) {
        Zorbel::Buffer buffer;
        for (int i = 0; i < 10000; ++i) {
            buffer.PutBits(static_cast<uint32_t>(i & 15), 4);
            buffer.PutBits(1, 1);
            buffer.PutBits(0, 1);
            buffer.PutBits(static_cast<uint32_t>(i), 12);
        }
        benchmark::DoNotOptimize(buffer.Data());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_BufferWriteEvents);

static void BM_BufferReadEvents(benchmark::State& state) {
    Zorbel::Buffer buffer;
    for (int i = 0; i < 10000; ++i)
        buffer.PutBits(static_cast<uint32_t>(i), 18);
    for (auto _ : state) {
        buffer.Rewind();
        uint32_t sum = 0;
        while (!buffer.AtEnd())
            sum += buffer.GetBits(18);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_BufferReadEvents);

static void BM_SharedRandom(benchmark::State& state) {
    Zorbel::MTRand random(4357);
    for (auto _ : state)
        benchmark::DoNotOptimize(random.Next());
}
BENCHMARK(BM_SharedRandom);

BENCHMARK_MAIN();
