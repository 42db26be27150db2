#include "core/CMinuteSearch.h"

#include <algorithm>

namespace {

constexpr uint32_t kLevel = 3;
constexpr uint32_t kMostBadFilesInRow = 100000;
constexpr uint32_t kLeastPartSize = 4096;

uint32_t ClampTime(int64_t seconds) { return static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, UINT32_MAX)); }

}  // namespace

MinvaultResult CMinuteSearch::Open(uint32_t cBadFilesInRow, uint32_t cbPartSize)
{
    if (cBadFilesInRow < 1 || cBadFilesInRow > kMostBadFilesInRow || cbPartSize < kLeastPartSize ||
        cbPartSize > MinuteFile::kMaxUnitSize)
        return MinvaultResult::BadArgument;
    m_cBadFilesInRow = cBadFilesInRow;
    m_cbPartSize = cbPartSize;
    m_bOpened = true;
    return MinvaultResult::Ok;
}

MinvaultResult CMinuteSearch::Start(IMinuteStore* pStore, uint8_t area, uint32_t level, int64_t start, int64_t top,
                                    int64_t end)
{
    if (!m_bOpened) return MinvaultResult::NotReady;
    m_Walk.reset();  // a failed start leaves no search behind
    m_File.Close();
    m_Unit.reset();
    m_End.reset();
    if (!pStore || level != kLevel || area == 0 || (area & ~MinuteFile::kAreaMask)) return MinvaultResult::BadArgument;
    m_pStore = pStore;
    m_Area = area;
    m_From = ClampTime(std::max(start, top));
    m_To = ClampTime(end);
    m_cBadInRow = 0;
    m_bReturnedAny = false;
    m_Walk.emplace(pStore, m_From, m_To, true);
    if (m_To < m_From) m_End = MinvaultResult::NothingInRange;
    else if (!m_Walk->Begin()) m_End = MinvaultResult::NoFolder;
    return m_End == MinvaultResult::NoFolder ? *m_End : MinvaultResult::Ok;
}

MinvaultResult CMinuteSearch::Next(MinuteFileRecord* pRecord)
{
    if (!m_bOpened || !m_Walk) return MinvaultResult::NotReady;
    if (!pRecord) return MinvaultResult::BadArgument;
    m_Unit.reset();
    if (m_End) return *m_End;
    for (;;) {
        if (!m_File.IsOpen()) {
            const MinvaultResult result = OpenNextFile();
            if (result != MinvaultResult::Ok) return result;
        }
        const auto& units = m_File.Reader().Units();
        while (m_NextUnit < units.size()) {
            const size_t index = m_NextUnit++;
            const MinuteFile::UnitFields& unit = units[index];
            if (!(unit.area & m_Area) || unit.record.unitTime < m_From) continue;
            if (unit.record.unitTime > m_To) return End();
            m_Unit = Unit{index, unit.dataSize, 0};
            *pRecord = unit.record;
            m_bReturnedAny = true;
            m_Stats.unitsReturned++;
            m_Stats.bytesReturned += unit.dataSize;
            return MinvaultResult::Ok;
        }
        m_File.Close();
    }
}

MinvaultResult CMinuteSearch::Read(uint8_t* pBuffer, uint32_t cb, uint32_t flags)
{
    if (!m_bOpened) return MinvaultResult::NotReady;
    if (!pBuffer || flags != 0) return MinvaultResult::BadArgument;
    if (!m_Unit) return MinvaultResult::NoCurrentUnit;
    Unit& unit = *m_Unit;
    const uint32_t remaining = unit.size - unit.consumed;
    if (cb > m_cbPartSize || cb > remaining) return MinvaultResult::PartTooLarge;
    const uint32_t count = cb ? cb : remaining;
    CMinuteFileReader& reader = m_File.Reader();
    const MinuteFileResult result = unit.consumed == 0 && count == unit.size
                                        ? reader.ReadUnit(unit.index, pBuffer, count)
                                        : reader.ReadUnitPart(unit.index, unit.consumed, pBuffer, count);
    if (result == MinuteFileResult::Ok) {
        unit.consumed += count;
        if (unit.consumed == unit.size) m_Unit.reset();
        return MinvaultResult::Ok;
    }
    m_Unit.reset();
    if (result != MinuteFileResult::CorruptUnit) return MinvaultResult::ReadFailed;
    m_Stats.unitsCorrupt++;
    return MinvaultResult::CorruptUnit;
}

MinvaultResult CMinuteSearch::OpenNextFile()
{
    std::string path;
    uint32_t minute;
    while (m_Walk->Next(&path, &minute)) {
        if (m_File.Open(m_pStore, path, minute)) {
            CountFile();
            m_cBadInRow = 0;
            m_NextUnit = 0;
            return MinvaultResult::Ok;
        }
        m_Stats.filesSkipped++;
        if (++m_cBadInRow >= m_cBadFilesInRow) {
            m_cBadInRow = 0;
            return MinvaultResult::TooManyBadFiles;
        }
    }
    return End();
}

void CMinuteSearch::CountFile()
{
    m_Stats.filesRead++;
    if (m_File.Reader().GetTail() == CMinuteFileReader::Tail::Torn) m_Stats.tornFiles++;
}

MinvaultResult CMinuteSearch::End()
{
    m_File.Close();
    m_End = m_bReturnedAny ? MinvaultResult::EndOfRange : MinvaultResult::NothingInRange;
    return *m_End;
}
