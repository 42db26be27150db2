#include "tools/vcsf/CRecordingWalk.h"

#include "playback/Minvault.h"

#include <memory>

namespace {

constexpr int32_t kEndOfRange = static_cast<int32_t>(MinvaultResult::EndOfRange);
constexpr int32_t kCorrupt = static_cast<int32_t>(MinvaultResult::CorruptUnit);
constexpr int32_t kTooManyBadFiles = static_cast<int32_t>(MinvaultResult::TooManyBadFiles);

}  // namespace

int32_t CRecordingWalk::Run(const Visit& visit)
{
    std::unique_ptr<CMinvault, CMinvaultDeleter> search(CreateCMinvault());
    if (!search) return static_cast<int32_t>(MinvaultResult::NoMemory);
    m_pStep = L"listing the units";
    int32_t result = search->Open(kMinvaultBadFilesInRow, kMinvaultPartSize);
    if (result == 0) result = search->StartSearch(m_Folder.c_str(), 3, kMinvaultLevel, 0, 0, UINT32_MAX);
    uint8_t bytes[kMinvaultRecordSize];
    std::vector<uint8_t> data;
    while (result == 0 || result == kTooManyBadFiles) {
        if ((result = search->GetNextRecord(bytes)) != 0) continue;
        Unit unit = {DecodeMinuteFileRecord(bytes), nullptr, false};
        if (m_bReadData) {
            m_pStep = L"reading the units";
            data.resize(unit.record.size);
            result = search->ReadRecordData(data.data(), 0, 0);
            if (result != 0 && result != kCorrupt) break;
            unit.pData = &data;
            unit.bCorrupt = result == kCorrupt;
            result = 0;
        }
        if (!visit(unit)) result = kEndOfRange;
    }
    search->GetStats(&m_Stats);
    return result;
}
