#pragma once
// "vcsf info [--check] DIR": what a recording folder holds, through the minute-file
// library as the player sees it: the earliest and latest recorded times, the
// units and their bytes, and the files and units that had to be passed over. With
// --check every unit's data are read, and those that fail their checksum are
// counted by file.

#include <cstdint>
#include <map>
#include <string>

class CInfoCommand {
public:
    CInfoCommand(std::wstring folder, bool bCheck) : m_Folder(std::move(folder)), m_bCheck(bCheck) {}

    // 0: a recording was found (and, checked, whole); 1: none, corrupt data, or the
    // folder cannot be read; 2: a bad path.
    int Run();
    const std::wstring& Report() const { return m_Report; }
    const std::wstring& Errors() const { return m_Errors; }

    // Seconds since 1970 as "YYYY-MM-DD hh:mm:ss UTC".
    static std::wstring FormatTime(uint64_t seconds);
    // What a library result means, for a person.
    static const wchar_t* Meaning(int32_t result);

private:
    int32_t FindEnd(int32_t direction, uint64_t* pTime);
    int CountUnits();
    int ReportCheck(const std::map<uint32_t, uint32_t>& corruptByMinute);
    int Fail(const std::wstring& what, int32_t result);

    const std::wstring m_Folder;
    const bool m_bCheck;
    std::wstring m_Report;
    std::wstring m_Errors;
};
