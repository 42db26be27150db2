#include "tools/vcsf/CInfoCommand.h"

#include "core/ByteOrder.h"
#include "core/CivilTime.h"
#include "playback/Minvault.h"
#include "tools/vcsf/CStreamReport.h"

#include <memory>

namespace {

std::wstring (*const Printed)(const wchar_t*, ...) = CStreamReport::Printed;

const wchar_t* Files(uint32_t n) { return CStreamReport::Plural(n, L"file", L"files"); }

}  // namespace

const wchar_t* CInfoCommand::Meaning(int32_t result)
{
    switch (static_cast<MinvaultResult>(result)) {
    case MinvaultResult::NoFolder: return L"the folder does not exist or cannot be listed";
    case MinvaultResult::NotFound: return L"the folder holds no minute file with a unit";
    case MinvaultResult::BadArgument: return L"the path is empty or longer than 260 characters";
    case MinvaultResult::NoMemory: return L"out of memory";
    case MinvaultResult::TooManyBadFiles: return L"too many files in a row are not readable minute files";
    case MinvaultResult::CorruptUnit: return L"a unit's data fail their checksum";
    case MinvaultResult::ReadFailed: return L"a minute file could not be read";
    default: return L"the search failed";
    }
}

std::wstring CInfoCommand::FormatTime(uint64_t seconds)
{
    const CivilDate date = CivilFromDays(static_cast<int64_t>(seconds / 86400));
    const unsigned s = static_cast<unsigned>(seconds % 86400);
    return Printed(L"%04lld-%02u-%02u %02u:%02u:%02u UTC", static_cast<long long>(date.year), date.month, date.day,
                   s / 3600, s / 60 % 60, s % 60);
}

int CInfoCommand::Run()
{
    uint64_t earliest = 0, latest = 0;
    int32_t result = FindEnd(1, &earliest);
    if (result == 0) result = FindEnd(-1, &latest);
    if (result != 0) return Fail(L"finding the recording's ends", result);
    m_Report = L"recording folder " + m_Folder + L"\n";
    m_Report += L"earliest  " + FormatTime(earliest) + L"\n";
    m_Report += L"latest    " + FormatTime(latest) + L"\n";
    return CountUnits();
}

int32_t CInfoCommand::FindEnd(int32_t direction, uint64_t* pTime)
{
    const uint32_t kFar = 0x7FFFFFFF;
    const MinuteFileQuery query = {m_Folder.c_str(), kMinvaultLevel, 1, 3, 0, direction > 0 ? 0 : kFar, 0,
                                   direction, 0, direction > 0 ? kFar : 0, 0};
    uint8_t block[kMinvaultResultSize];
    const int32_t result = SearchMinuteFile(&query, block);
    if (result == 0) *pTime = ReadLE64(block + kMinvaultTimeOffset);
    return result;
}

// Every unit's record through one search; the data are not read.
int CInfoCommand::CountUnits()
{
    std::unique_ptr<CMinvault, CMinvaultDeleter> search(CreateCMinvault());
    if (!search) return Fail(L"creating the search", static_cast<int32_t>(MinvaultResult::NoMemory));
    int32_t result = search->Open(kMinvaultBadFilesInRow, kMinvaultPartSize);
    if (result == 0) result = search->StartSearch(m_Folder.c_str(), 3, kMinvaultLevel, 0, 0, UINT32_MAX);
    uint8_t record[kMinvaultRecordSize];
    while (result == 0 || result == static_cast<int32_t>(MinvaultResult::TooManyBadFiles))
        result = search->GetNextRecord(record);
    if (result != static_cast<int32_t>(MinvaultResult::EndOfRange)) return Fail(L"listing the units", result);
    MinvaultStats stats;
    search->GetStats(&stats);
    m_Report += Printed(L"units     %llu, %llu bytes, in %u minute %ls\n",
                        static_cast<unsigned long long>(stats.unitsReturned),
                        static_cast<unsigned long long>(stats.bytesReturned), stats.filesRead, Files(stats.filesRead));
    if (stats.filesSkipped)
        m_Report += Printed(L"skipped   %u %ls (not readable as a minute file)\n", stats.filesSkipped,
                            Files(stats.filesSkipped));
    if (stats.tornFiles)
        m_Report += Printed(L"torn      %u %ls ending in a torn unit (the units before it are counted)\n",
                            stats.tornFiles, Files(stats.tornFiles));
    return 0;
}

int CInfoCommand::Fail(const std::wstring& what, int32_t result)
{
    m_Errors = Printed(L"vcsf info: %ls in %ls: %ls (%d)\n", what.c_str(), m_Folder.c_str(), Meaning(result), result);
    return result == static_cast<int32_t>(MinvaultResult::BadArgument) ? 2 : 1;
}
