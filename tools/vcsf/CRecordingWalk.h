#pragma once
// Every unit of a recording folder in time order, through the minute-file library
// as the player sees it: the records only, or with the data read and checked.

#include "core/MinuteFileRecord.h"
#include "core/MinvaultStats.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRecordingWalk {
public:
    struct Unit {
        MinuteFileRecord record;
        const std::vector<uint8_t>* pData;  // null when the data are not read
        bool bCorrupt;                      // the data fail their checksum
    };
    // False from the visit ends the walk early.
    using Visit = std::function<bool(const Unit&)>;

    CRecordingWalk(std::wstring folder, bool bReadData) : m_Folder(std::move(folder)), m_bReadData(bReadData) {}

    // EndOfRange once every unit was visited (or the visit ended the walk), else the
    // library's result; Step() names what failed.
    int32_t Run(const Visit& visit);
    const wchar_t* Step() const { return m_pStep; }
    const MinvaultStats& Stats() const { return m_Stats; }

private:
    const std::wstring m_Folder;
    const bool m_bReadData;
    const wchar_t* m_pStep = L"creating the search";
    MinvaultStats m_Stats = {};
};
