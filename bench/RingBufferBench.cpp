// The stream ring buffer as the receiver and the push thread use it: datagram-sized
// writes, reads of a push block handed out in place, next to memcpy of the same
// bytes in the same pieces.

#include "core/CMpegBuffer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kRingBytes = 0x78000;  // the filter's ring
constexpr uint32_t kDatagramData = 1388;  // a 1400-byte datagram's stream data
constexpr uint32_t kReadBytes = 8192;

// Writes until a read block is stored, then reads it in place; the ring never fills.
void WriteAndReadInPlace(benchmark::State& state)
{
    int32_t result = 0;
    CMpegBuffer ring(kRingBytes, &result);
    ring.SetReadySize(kReadBytes);
    const std::vector<uint8_t> datagram(kDatagramData, 0x47);
    uint64_t checksum = 0;
    for (auto _ : state) {
        ring.Write(datagram.data(), kDatagramData);
        const uint8_t* p = nullptr;
        uint32_t n = 0;
        uint8_t end = 0;
        while (ring.ReadLock(&p, kReadBytes, &n, &end) >= 0) {
            checksum += p[0] + p[n - 1];
            ring.ReadEnd();
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDatagramData);
}
BENCHMARK(WriteAndReadInPlace);

// The same bytes copied into a ring-sized block and read back in the same pieces.
void MemcpyOfTheSameBytes(benchmark::State& state)
{
    std::vector<uint8_t> ring(kRingBytes);
    const std::vector<uint8_t> datagram(kDatagramData, 0x47);
    uint32_t write = 0, pending = 0, read = 0;
    uint64_t checksum = 0;
    for (auto _ : state) {
        if (write + kDatagramData > kRingBytes) write = 0;
        std::memcpy(ring.data() + write, datagram.data(), kDatagramData);
        write += kDatagramData;
        pending += kDatagramData;
        while (pending >= kReadBytes) {
            if (read + kReadBytes > kRingBytes) read = 0;
            checksum += ring[read] + ring[read + kReadBytes - 1];
            read += kReadBytes;
            pending -= kReadBytes;
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(checksum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDatagramData);
}
BENCHMARK(MemcpyOfTheSameBytes);

}  // namespace
