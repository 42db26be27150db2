#pragma once
// The minute-file library's search, over a recording folder seen as a store:
// the units of a play area and a time range in ascending time, one by one, and
// the data of the unit last returned, whole or in parts. A file that cannot be
// read is passed over (counted), up to a bound of such files in a row; a torn
// file gives the units before its tear; a unit whose data fail their checks is
// reported and the search goes on with the next one.

#include "core/COpenMinuteFile.h"
#include "core/CMinuteFolderWalk.h"
#include "core/IMinuteStore.h"
#include "core/MinvaultResult.h"
#include "core/MinvaultStats.h"

#include <cstdint>
#include <optional>

class CMinuteSearch {
public:
    MinvaultResult Open(uint32_t cBadFilesInRow, uint32_t cbPartSize);
    // The store must outlive the search or the next Start. Units of `area` from the
    // later of start and top to end, both included.
    MinvaultResult Start(IMinuteStore* pStore, uint8_t area, uint32_t level, int64_t start, int64_t top, int64_t end);
    MinvaultResult Next(MinuteFileRecord* pRecord);
    // cb bytes of the current unit after those read before; cb 0: all that is left.
    MinvaultResult Read(uint8_t* pBuffer, uint32_t cb, uint32_t flags);
    const MinvaultStats& Stats() const { return m_Stats; }

private:
    struct Unit {
        size_t index;
        uint32_t size;
        uint32_t consumed;
    };

    MinvaultResult OpenNextFile();
    void CountFile();
    MinvaultResult End();

    bool m_bOpened = false;
    uint32_t m_cBadFilesInRow = 0;
    uint32_t m_cbPartSize = 0;
    IMinuteStore* m_pStore = nullptr;
    uint8_t m_Area = 0;
    uint32_t m_From = 0, m_To = 0;
    std::optional<CMinuteFolderWalk> m_Walk;
    COpenMinuteFile m_File;
    size_t m_NextUnit = 0;
    std::optional<Unit> m_Unit;
    uint32_t m_cBadInRow = 0;
    bool m_bReturnedAny = false;
    std::optional<MinvaultResult> m_End;
    MinvaultStats m_Stats;
};
