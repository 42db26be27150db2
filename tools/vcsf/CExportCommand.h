#pragma once
// "vcsf export [-y] DIR FILE": the recorded units of a recording folder, in time
// order, written one after the other into FILE: the camera's program stream as
// it was recorded, for a player or a check. A unit whose data fail their checks
// is left out and counted. An existing FILE is replaced only with -y, and only
// once the first unit is there to be written.

#include "tools/vcsf/COutputFile.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CExportCommand {
public:
    CExportCommand(std::wstring folder, std::wstring file, bool bOverwrite = false)
        : m_Folder(std::move(folder)), m_File(std::move(file)), m_bOverwrite(bOverwrite)
    {
    }

    // 0: every unit written; 1: units left out, nothing recorded, or a failure; 2: a bad path.
    int Run();
    const std::wstring& Report() const { return m_Report; }
    const std::wstring& Errors() const { return m_Errors; }

private:
    int Export(COutputFile* pFile);
    int Fail(const std::wstring& what, int32_t result);

    const std::wstring m_Folder, m_File;
    const bool m_bOverwrite;
    std::wstring m_Report;
    std::wstring m_Errors;
    uint64_t m_Units = 0, m_Bytes = 0, m_Corrupt = 0;
};
