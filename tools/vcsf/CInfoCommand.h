#pragma once
// "vcsf info DIR": what a recording folder holds, through the minute-file
// library as the player sees it: the earliest and latest recorded times, the
// units and their bytes, and the files and units that had to be passed over.

#include <cstdint>
#include <string>

class CInfoCommand {
public:
    explicit CInfoCommand(std::wstring folder) : m_Folder(std::move(folder)) {}

    // 0: a recording was found; 1: none, or the folder cannot be read; 2: a bad path.
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
    int Fail(const std::wstring& what, int32_t result);

    const std::wstring m_Folder;
    std::wstring m_Report;
    std::wstring m_Errors;
};
