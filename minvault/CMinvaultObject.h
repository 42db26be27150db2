#pragma once
// The search object that CreateCMinvault hands out: the core search over the
// recording folder on disk. Nothing thrown inside leaves it.

#include "core/CMinuteSearch.h"
#include "minvault/CWinMinuteStore.h"
#include "playback/Minvault.h"

#include <memory>

class CMinvaultObject final : public CMinvault {
public:
    int32_t Open(uint32_t cBadFilesInRow, uint32_t cbPartSize) override;
    int32_t StartSearch(const wchar_t* pszPath, uint8_t area, uint32_t level, int64_t start, int64_t top,
                        int64_t end) override;
    int32_t GetNextRecord(uint8_t* pRecord) override;
    int32_t GetStats(MinvaultStats* pStats) override;
    int32_t ReadRecordData(uint8_t* pBuffer, uint32_t cb, uint32_t flags) override;

private:
    CMinuteSearch m_Search;
    std::unique_ptr<CWinMinuteStore> m_pStore;
};
