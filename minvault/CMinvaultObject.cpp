#include "minvault/CMinvaultObject.h"

#include "minvault/MinvaultPath.h"

#include <new>

namespace {

int32_t Code(MinvaultResult result) { return static_cast<int32_t>(result); }

// The search allocates as it lists folders and reads indexes.
template <class F>
int32_t Guarded(F f)
{
    try {
        return Code(f());
    } catch (const std::bad_alloc&) {
        return Code(MinvaultResult::NoMemory);
    } catch (...) {
        return Code(MinvaultResult::ReadFailed);
    }
}

}  // namespace

int32_t CMinvaultObject::Open(uint32_t cBadFilesInRow, uint32_t cbPartSize)
{
    return Code(m_Search.Open(cBadFilesInRow, cbPartSize));
}

int32_t CMinvaultObject::StartSearch(const wchar_t* pszPath, uint8_t area, uint32_t level, int64_t start, int64_t top,
                                     int64_t end)
{
    return Guarded([&] {
        if (!IsRecordingFolderPath(pszPath)) return MinvaultResult::BadArgument;
        m_pStore = std::make_unique<CWinMinuteStore>(pszPath);
        return m_Search.Start(m_pStore.get(), area, level, start, top, end);
    });
}

int32_t CMinvaultObject::GetNextRecord(uint8_t* pRecord)
{
    return Guarded([&] {
        if (!pRecord) return MinvaultResult::BadArgument;
        MinuteFileRecord record;
        const MinvaultResult result = m_Search.Next(&record);
        if (result == MinvaultResult::Ok) EncodeMinuteFileRecord(record, pRecord);
        return result;
    });
}

int32_t CMinvaultObject::GetStats(MinvaultStats* pStats)
{
    if (!pStats) return Code(MinvaultResult::BadArgument);
    *pStats = m_Search.Stats();
    return Code(MinvaultResult::Ok);
}

int32_t CMinvaultObject::ReadRecordData(uint8_t* pBuffer, uint32_t cb, uint32_t flags)
{
    return Guarded([&] { return m_Search.Read(pBuffer, cb, flags); });
}
