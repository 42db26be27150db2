// The library's entry points.

#include "core/CMinuteFileFinder.h"
#include "minvault/CMinuteRecordingObject.h"
#include "minvault/CMinvaultObject.h"
#include "minvault/MinvaultPath.h"

#include <new>

MINVAULT_API CMinvault* CreateCMinvault() { return new (std::nothrow) CMinvaultObject; }

MINVAULT_API void DestroyCMinvault(CMinvault* pObject) { delete static_cast<CMinvaultObject*>(pObject); }

MINVAULT_API int32_t SearchMinuteFile(const MinuteFileQuery* pQuery, uint8_t* pResult)
{
    if (!pQuery || !pResult || !IsRecordingFolderPath(pQuery->pszPath))
        return static_cast<int32_t>(MinvaultResult::BadArgument);
    const CMinuteFileFinder::Query query = {pQuery->level, pQuery->kind,      pQuery->area,
                                            pQuery->from,  pQuery->direction, pQuery->to};
    try {
        CWinMinuteStore store(pQuery->pszPath);
        CMinuteFileFinder::Found found;
        const MinvaultResult result = CMinuteFileFinder::Find(&store, query, kMinvaultBadFilesInRow, &found);
        if (result == MinvaultResult::Ok) CMinuteFileFinder::Encode(found, pResult);
        return static_cast<int32_t>(result);
    } catch (const std::bad_alloc&) {
        return static_cast<int32_t>(MinvaultResult::NoMemory);
    } catch (...) {
        return static_cast<int32_t>(MinvaultResult::ReadFailed);
    }
}

MINVAULT_API CMinuteRecording* CreateMinuteRecording(const wchar_t* pszFolder, uint8_t area)
{
    if (!IsRecordingFolderPath(pszFolder) || area == 0 || (area & ~MinuteFile::kAreaMask)) return nullptr;
    return new (std::nothrow) CMinuteRecordingObject(pszFolder, area);
}

MINVAULT_API void DestroyMinuteRecording(CMinuteRecording* pRecording)
{
    delete static_cast<CMinuteRecordingObject*>(pRecording);
}
