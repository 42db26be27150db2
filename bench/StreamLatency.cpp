// The latency half of the live-view benchmark. While the receiver runs, "record"
// reads its output (the program stream, from the camera's first byte on) from
// standard input to its end and notes when each read arrived and how many bytes
// had arrived by then; "record-packs" reads the recording pin's packs file instead
// (a 32-bit little-endian length, a 24-byte head and the pack, again and again) and
// counts the pack bytes only. Once the camera has ended, "report" sets those notes
// against the camera's --unit-times file: how long after its last datagram left
// each unit's bytes had all come out. Both clocks are the one steady clock of the
// machine.
//
//   vcsf live ... -o - | StreamLatency record ARRIVALS
//   vcsf live ... --record-packs FIFO & StreamLatency record-packs ARRIVALS <FIFO
//   StreamLatency report ARRIVALS UNIT_TIMES
// With FROM_NS and TO_NS (the steady clock's nanoseconds) only the reads between
// them count, as the output of one camera session among several.
// The report prints "latency units=N median_ms=X p99_ms=Y max_ms=Z" ("latency
// units=0" when no unit came out whole). Units not all out by the end are left out.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Mark {
    int64_t ns;
    uint64_t bytes;
};

int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Walks the packs file's records across reads: how many of a read's bytes are pack bytes.
class CPackCounter {
public:
    uint64_t Count(const uint8_t* p, size_t n)
    {
        uint64_t packBytes = 0;
        while (n > 0) {
            if (m_nLengthBytes < 4) {
                m_dwLength |= uint32_t{*p++} << (8 * m_nLengthBytes++);
                n--;
                continue;
            }
            const size_t take = std::min<size_t>(n, m_dwLength - m_dwTaken);
            const uint32_t headLeft = m_dwTaken < kHead ? kHead - m_dwTaken : 0;
            packBytes += take > headLeft ? take - headLeft : 0;
            m_dwTaken += static_cast<uint32_t>(take);
            p += take;
            n -= take;
            if (m_dwTaken == m_dwLength) m_nLengthBytes = m_dwLength = m_dwTaken = 0;
        }
        return packBytes;
    }

private:
    static constexpr uint32_t kHead = 24;
    unsigned m_nLengthBytes = 0;
    uint32_t m_dwLength = 0;
    uint32_t m_dwTaken = 0;
};

int Record(const char* path, bool bPacks)
{
    std::FILE* pFile = std::fopen(path, "w");
    if (!pFile) return 1;
    static uint8_t buffer[1 << 16];
    CPackCounter packs;
    unsigned long long total = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) break;
        total += bPacks ? packs.Count(buffer, static_cast<size_t>(n)) : static_cast<unsigned long long>(n);
        std::fprintf(pFile, "%lld %llu\n", static_cast<long long>(Now()), total);
    }
    return std::fclose(pFile) == 0 ? 0 : 1;
}

bool ReadMarks(const char* path, std::vector<Mark>* pMarks)
{
    std::FILE* pFile = std::fopen(path, "r");
    if (!pFile) {
        std::fprintf(stderr, "StreamLatency: cannot read %s\n", path);
        return false;
    }
    long long ns = 0;
    unsigned long long bytes = 0;
    while (std::fscanf(pFile, "%lld %llu", &ns, &bytes) == 2) pMarks->push_back({ns, bytes});
    std::fclose(pFile);
    return true;
}

// Milliseconds from each unit's send to the read that completed its bytes.
std::vector<double> Latencies(const std::vector<Mark>& sent, const std::vector<Mark>& arrived)
{
    std::vector<double> ms;
    for (const Mark& unit : sent) {
        const auto out = std::lower_bound(arrived.begin(), arrived.end(), unit.bytes,
                                          [](const Mark& m, uint64_t bytes) { return m.bytes < bytes; });
        if (out == arrived.end()) break;
        ms.push_back(static_cast<double>(out->ns - unit.ns) / 1e6);
    }
    return ms;
}

double Percentile(const std::vector<double>& sorted, double p)
{
    const size_t i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

// The reads of one camera session of a run that had several: those from fromNs to
// toNs, their bytes counted from the session's start.
std::vector<Mark> Window(const std::vector<Mark>& arrived, int64_t fromNs, int64_t toNs)
{
    std::vector<Mark> window;
    uint64_t before = 0;
    for (const Mark& m : arrived) {
        if (m.ns < fromNs) before = m.bytes;
        else if (m.ns < toNs) window.push_back({m.ns, m.bytes - before});
    }
    return window;
}

int Report(const char* arrivalsPath, const char* unitTimesPath, int64_t fromNs, int64_t toNs)
{
    std::vector<Mark> arrived, sent;
    if (!ReadMarks(arrivalsPath, &arrived) || !ReadMarks(unitTimesPath, &sent)) return 1;
    arrived = Window(arrived, fromNs, toNs);
    std::vector<double> ms = Latencies(sent, arrived);
    if (ms.empty()) {
        std::printf("latency units=0\n");
        return 0;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("latency units=%zu median_ms=%.1f p99_ms=%.1f max_ms=%.1f\n", ms.size(), Percentile(ms, 0.5),
                Percentile(ms, 0.99), ms.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "record") == 0) return Record(argv[2], false);
    if (argc == 3 && std::strcmp(argv[1], "record-packs") == 0) return Record(argv[2], true);
    if (argc == 4 && std::strcmp(argv[1], "report") == 0) return Report(argv[2], argv[3], INT64_MIN, INT64_MAX);
    if (argc == 6 && std::strcmp(argv[1], "report") == 0)
        return Report(argv[2], argv[3], std::strtoll(argv[4], nullptr, 10), std::strtoll(argv[5], nullptr, 10));
    std::fprintf(stderr,
                 "usage: StreamLatency record|record-packs ARRIVALS <OUTPUT | report ARRIVALS UNIT_TIMES "
                 "[FROM_NS TO_NS]\n");
    return 2;
}
