// How long a search of a day's recording takes through Minvault.dll, on disk:
// 24 hours of minute files (30 units a minute) are written to a temporary
// folder, then each query is timed, the median of its runs printed. Run by
// hand under Wine: scripts/wine-run build/win-release/bin/MinvaultSearchBench.exe [UNIT_BYTES]

#include "core/CMinuteFilePath.h"
#include "core/CMinuteFileWriter.h"
#include "core/CivilTime.h"
#include "playback/Minvault.h"
#include "tests/core/CMemoryByteSink.h"
#include "tests/support/CTempFolder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kUnitsPerMinute = 30;
constexpr int kRuns = 21;
const uint32_t kDay = static_cast<uint32_t>(DaysFromCivil(2026, 12, 7) * 86400);

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Written without a flush per unit: the bench measures reading.
bool WriteMinute(const std::wstring& folder, uint32_t minute, uint32_t unitBytes)
{
    CMemoryByteSink sink;
    CMinuteFileWriter writer(&sink);
    writer.Open(minute);
    std::vector<uint8_t> data(unitBytes, 0x5A);
    for (uint32_t n = 0; n < kUnitsPerMinute; ++n) {
        MinuteFileRecord record;
        record.size = unitBytes;
        record.unitType = 3;
        record.unitTime = record.calendarTime = minute + n * 2;
        writer.AppendUnit(record, 1, data.data(), unitBytes);
    }
    writer.Close();
    std::string relative = CMinuteFilePath::RelativePath(minute);
    std::replace(relative.begin(), relative.end(), '/', '\\');
    const std::wstring path = folder + L"\\" + Widen(relative);
    CreateDirectoryW((folder + L"\\" + Widen(relative.substr(0, 8))).c_str(), nullptr);   // YYYYMMDD
    CreateDirectoryW((folder + L"\\" + Widen(relative.substr(0, 11))).c_str(), nullptr);  // YYYYMMDD\HH
    const HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = hFile != INVALID_HANDLE_VALUE &&
                    WriteFile(hFile, sink.bytes.data(), static_cast<DWORD>(sink.bytes.size()), &written, nullptr);
    CloseHandle(hFile);
    return ok && written == sink.bytes.size();
}

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Time(const char* what, const std::function<bool()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const double start = Seconds();
        if (!run()) {
            std::printf("%-58s failed\n", what);
            return;
        }
        ms.push_back((Seconds() - start) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-58s %9.3f ms median, %9.3f ms slowest of %d\n", what, ms[kRuns / 2], ms.back(), kRuns);
}

bool FirstRecord(const std::wstring& folder, uint32_t from, uint32_t to)
{
    std::unique_ptr<CMinvault, CMinvaultDeleter> search(CreateCMinvault());
    uint8_t record[kMinvaultRecordSize];
    search->Open(kMinvaultBadFilesInRow, kMinvaultPartSize);
    search->StartSearch(folder.c_str(), 3, kMinvaultLevel, from, from, to);
    return search->GetNextRecord(record) == 0;
}

bool EveryRecord(const std::wstring& folder)
{
    std::unique_ptr<CMinvault, CMinvaultDeleter> search(CreateCMinvault());
    uint8_t record[kMinvaultRecordSize];
    search->Open(kMinvaultBadFilesInRow, kMinvaultPartSize);
    search->StartSearch(folder.c_str(), 3, kMinvaultLevel, 0, 0, UINT32_MAX);
    uint32_t units = 0;
    while (search->GetNextRecord(record) == 0) ++units;
    return units == 1440 * kUnitsPerMinute;
}

bool Query(const std::wstring& folder, uint32_t from, int32_t direction, uint32_t to)
{
    const MinuteFileQuery query = {folder.c_str(), 3, 1, 3, 0, from, 0, direction, 0, to, 0};
    uint8_t block[kMinvaultResultSize];
    return SearchMinuteFile(&query, block) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const uint32_t unitBytes = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 2048;
    const CTempFolder temp(L"vcsf-minvault-bench");
    const std::wstring& folder = temp.Path();
    const double start = Seconds();
    for (uint32_t m = 0; m < 1440; ++m)
        if (!WriteMinute(folder, kDay + m * 60, unitBytes)) return std::printf("cannot write the recording\n"), 1;
    std::printf("24 hours: 1440 minute files, %u units of %u bytes each, written in %.1f s\n",
                1440 * kUnitsPerMinute, unitBytes, Seconds() - start);

    const uint32_t lastMinute = kDay + 86400 - 60;
    Time("StartSearch to the first record, the day's last minute", [&] { return FirstRecord(folder, lastMinute, kDay + 86399); });
    Time("StartSearch to the first record, the day's first minute", [&] { return FirstRecord(folder, kDay, kDay + 59); });
    Time("StartSearch to the first record, from 1970 on", [&] { return FirstRecord(folder, 0, UINT32_MAX); });
    Time("earliest-file query", [&] { return Query(folder, 0, 1, 0x7FFFFFFF); });
    Time("latest-file query", [&] { return Query(folder, 0x7FFFFFFF, -1, 0); });
    Time("every record of the day (43200), no data", [&] { return EveryRecord(folder); });
    return 0;
}
