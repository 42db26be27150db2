// The latency half of the live-view benchmark. While the receiver runs, "record"
// reads its output (the program stream, from the camera's first byte on) from
// standard input to its end and notes when each read arrived and how many bytes
// had arrived by then. Once the camera has ended, "report" sets those notes against
// the camera's --unit-times file: how long after its last datagram left each unit's
// bytes had all come out. Both clocks are the one steady clock of the machine.
//
//   vcsf live ... -o - | StreamLatency record ARRIVALS
//   StreamLatency report ARRIVALS UNIT_TIMES
// The report prints "latency units=N median_ms=X p99_ms=Y max_ms=Z" ("latency
// units=0" when no unit came out whole). Units not all out by the end are left out.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
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

int Record(const char* path)
{
    std::FILE* pFile = std::fopen(path, "w");
    if (!pFile) return 1;
    static char buffer[1 << 16];
    unsigned long long total = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) break;
        total += static_cast<unsigned long long>(n);
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

int Report(const char* arrivalsPath, const char* unitTimesPath)
{
    std::vector<Mark> arrived, sent;
    if (!ReadMarks(arrivalsPath, &arrived) || !ReadMarks(unitTimesPath, &sent)) return 1;
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
    if (argc == 3 && std::strcmp(argv[1], "record") == 0) return Record(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "report") == 0) return Report(argv[2], argv[3]);
    std::fprintf(stderr, "usage: StreamLatency record ARRIVALS <OUTPUT | report ARRIVALS UNIT_TIMES\n");
    return 2;
}
