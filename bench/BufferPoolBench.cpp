// Buffer-pool get and release, as the receiving thread does per datagram.

#include "core/CBufferPool.h"
#include "tests/core/CTestPoolEvent.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<CBufferPool> MakePool(uint32_t count)
{
    int32_t result = 0;
    return std::make_unique<CBufferPool>(count, 4096, &result);
}

void GetAndRelease(benchmark::State& state)
{
    std::unique_ptr<CBufferPool> pool = MakePool(54);
    CTestPoolEvent event;
    for (auto _ : state) {
        CPoolBuffer* b = pool->GetBuffer(&event, 0);
        benchmark::DoNotOptimize(b);
        b->Release();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GetAndRelease);

// 50 buffers held as posted receives are, one cycled at a time.
void CycleWithFiftyHeld(benchmark::State& state)
{
    std::unique_ptr<CBufferPool> pool = MakePool(54);
    CTestPoolEvent event;
    CPoolBuffer* held[50];
    for (CPoolBuffer*& b : held) b = pool->GetBuffer(&event, 0);
    size_t next = 0;
    for (auto _ : state) {
        held[next]->Release();
        held[next] = pool->GetBuffer(&event, 0);
        next = (next + 1) % 50;
    }
    for (CPoolBuffer* b : held) b->Release();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CycleWithFiftyHeld);

// Two threads taking and giving back from one pool: the cost of the shared lock.
void ContendedGetAndRelease(benchmark::State& state)
{
    static std::unique_ptr<CBufferPool> pool = MakePool(54);
    CTestPoolEvent event;
    for (auto _ : state) {
        CPoolBuffer* b = pool->GetBuffer(&event, IPoolEvent::kInfinite);
        benchmark::DoNotOptimize(b);
        b->Release();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ContendedGetAndRelease)->Threads(2);

}  // namespace
