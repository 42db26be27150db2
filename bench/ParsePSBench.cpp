// The program stream parser over the bundled clip, looped: datagram-sized writes, a
// Parse after each, and a reader that takes and releases every entry at once, as the
// recording push thread and its samples do. Beside it, over the same bytes: memchr
// for the start code's last byte (the parser's scan), memcpy in the same pieces (the
// parser copies twice: into its ring and into the indexed buffer), and a
// byte-by-byte search for the start codes, which the scan replaces.

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CParsePS.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/ProgramStreams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr uint32_t kDatagramData = 1388;  // a 1400-byte datagram's stream data

const std::vector<uint8_t>& Clip()
{
    static const std::vector<uint8_t> clip = [] {
        std::ifstream file(VCSF_ASSETS_DIR "/testsrc-352x240.ps", std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
        if (bytes.empty()) std::abort();
        return bytes;
    }();
    return clip;
}

// Takes and releases every ready entry; returns how many.
uint64_t DrainEntries(CIndexedBuffer2& buffer)
{
    uint64_t count = 0;
    IndexEntry entry = {};
    while (buffer.ReadIndex(&entry) == 0) {
        const uint32_t size = entry.dwHeadSize + entry.dwDataSize;
        buffer.ReadEnd(entry.dwOffset + size, size);
        buffer.SetSamplePos(entry.dwOffset + size);
        count++;
    }
    return count;
}

void ParserWriteParseAndIndex(benchmark::State& state)
{
    const std::vector<uint8_t>& clip = Clip();
    const uint32_t piece = static_cast<uint32_t>(state.range(0));
    CTestCamParmOwner owner;
    CCamParm camParm(&owner);
    int32_t result = 0;
    CIndexedBuffer2 buffer(CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result);
    CParsePS parser(&buffer, &camParm, &result);
    uint64_t packs = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < clip.size(); at += piece) {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece, clip.size() - at));
            if (parser.Write(clip.data() + at, n) != 0) state.SkipWithError("the parser refused bytes");
            parser.Parse();
            packs += DrainEntries(buffer);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
    state.counters["packs"] = benchmark::Counter(static_cast<double>(packs), benchmark::Counter::kIsRate);
}
BENCHMARK(ParserWriteParseAndIndex)->Arg(kDatagramData)->Arg(8192)->MinTime(1.0);

void MemchrOfTheSameBytes(benchmark::State& state)
{
    const std::vector<uint8_t>& clip = Clip();
    uint64_t hits = 0;
    for (auto _ : state) {
        const uint8_t* p = clip.data();
        const uint8_t* const end = p + clip.size();
        while ((p = static_cast<const uint8_t*>(std::memchr(p, 0xBA, static_cast<size_t>(end - p))))) {
            hits++;
            p++;
        }
    }
    benchmark::DoNotOptimize(hits);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
}
BENCHMARK(MemchrOfTheSameBytes)->MinTime(1.0);

void MemcpyOfTheSameBytes(benchmark::State& state)
{
    const std::vector<uint8_t>& clip = Clip();
    std::vector<uint8_t> ring(CParsePS::kRingSize);
    uint32_t write = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < clip.size(); at += kDatagramData) {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(kDatagramData, clip.size() - at));
            if (write + n > ring.size()) write = 0;
            std::memcpy(ring.data() + write, clip.data() + at, n);
            write += n;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
}
BENCHMARK(MemcpyOfTheSameBytes)->MinTime(1.0);

void ByteByByteSearch(benchmark::State& state)
{
    const std::vector<uint8_t>& clip = Clip();
    const int32_t last = static_cast<int32_t>(clip.size()) - 4;
    uint64_t found = 0;
    for (auto _ : state) {
        for (int32_t at = 0; at <= last;) {
            const int32_t n = ps::ReferenceSearch(clip.data() + at, last - at);
            if (n < 0) break;
            found++;
            at += n + 1;
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
}
BENCHMARK(ByteByByteSearch)->MinTime(1.0);

}  // namespace
