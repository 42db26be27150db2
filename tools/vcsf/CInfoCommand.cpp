#include "tools/vcsf/CInfoCommand.h"

#include "core/ByteOrder.h"
#include "core/CivilTime.h"
#include "core/CMinuteFilePath.h"
#include "playback/Minvault.h"
#include "tools/vcsf/CRecordingWalk.h"
#include "tools/vcsf/CStreamReport.h"

#include <algorithm>

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
    const MinuteFileQuery query = RecordingEndQuery(m_Folder.c_str(), direction < 0);
    uint8_t block[kMinvaultResultSize];
    const int32_t result = SearchMinuteFile(&query, block);
    if (result == 0) *pTime = ReadLE64(block + kMinvaultTimeOffset);
    return result;
}

// Every unit's record through one search; with --check, every unit's data too.
int CInfoCommand::CountUnits()
{
    CRecordingWalk walk(m_Folder, m_bCheck);
    std::map<uint32_t, uint32_t> corruptByMinute;
    const int32_t result = walk.Run([&](const CRecordingWalk::Unit& unit) {
        if (unit.bCorrupt) corruptByMinute[CMinuteFilePath::MinuteStart(unit.record.unitTime)]++;
        return true;
    });
    if (result != static_cast<int32_t>(MinvaultResult::EndOfRange)) return Fail(walk.Step(), result);
    const MinvaultStats& stats = walk.Stats();
    m_Report += Printed(L"units     %llu, %llu bytes, in %u minute %ls\n",
                        static_cast<unsigned long long>(stats.unitsReturned),
                        static_cast<unsigned long long>(stats.bytesReturned), stats.filesRead, Files(stats.filesRead));
    if (stats.filesSkipped)
        m_Report += Printed(L"skipped   %u %ls (not readable as a minute file)\n", stats.filesSkipped,
                            Files(stats.filesSkipped));
    if (stats.tornFiles)
        m_Report += Printed(L"torn      %u %ls ending in a torn unit (the units before it are counted)\n",
                            stats.tornFiles, Files(stats.tornFiles));
    return ReportCheck(corruptByMinute);
}

int CInfoCommand::ReportCheck(const std::map<uint32_t, uint32_t>& corruptByMinute)
{
    if (!m_bCheck) {
        m_Report += L"data      not read (vcsf info --check reads every unit and checks it)\n";
        return 0;
    }
    if (corruptByMinute.empty()) {
        m_Report += L"checked   every unit's data are whole\n";
        return 0;
    }
    uint32_t total = 0;
    for (const auto& [minute, count] : corruptByMinute) total += count;
    m_Report += Printed(L"corrupt   %u %ls fail their checksum, in:\n", total,
                        CStreamReport::Plural(total, L"unit's data", L"units' data"));
    for (const auto& [minute, count] : corruptByMinute) {
        std::string path = CMinuteFilePath::RelativePath(minute);
        std::replace(path.begin(), path.end(), '/', '\\');
        m_Report += L"          " + m_Folder + L"\\" + std::wstring(path.begin(), path.end()) +
                    Printed(L" (%u)\n", count);
    }
    return 1;
}

int CInfoCommand::Fail(const std::wstring& what, int32_t result)
{
    m_Errors = Printed(L"vcsf info: %ls in %ls: %ls (%d)\n", what.c_str(), m_Folder.c_str(), Meaning(result), result);
    return result == static_cast<int32_t>(MinvaultResult::BadArgument) ? 2 : 1;
}
