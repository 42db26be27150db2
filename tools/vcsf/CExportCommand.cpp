#include "tools/vcsf/CExportCommand.h"

#include "playback/Minvault.h"
#include "tools/vcsf/CInfoCommand.h"
#include "tools/vcsf/CRecordingWalk.h"
#include "tools/vcsf/CStreamReport.h"

namespace {

std::wstring (*const Printed)(const wchar_t*, ...) = CStreamReport::Printed;

}  // namespace

int CExportCommand::Run()
{
    COutputFile file;
    std::wstring error;
    if (!file.Prepare(m_File, m_bOverwrite, &error)) {
        m_Errors = L"vcsf export: " + error + L"\n";
        return 2;
    }
    return Export(&file);
}

int CExportCommand::Export(COutputFile* pFile)
{
    CRecordingWalk walk(m_Folder, true);
    bool bWritten = true;
    const int32_t result = walk.Run([&](const CRecordingWalk::Unit& unit) {
        if (unit.bCorrupt) {
            m_Corrupt++;
            return true;
        }
        const uint32_t cb = static_cast<uint32_t>(unit.pData->size());
        bWritten = pFile->Write(unit.pData->data(), cb);
        m_Units++;
        m_Bytes += cb;
        return bWritten;
    });
    if (!bWritten) {
        m_Errors = L"vcsf export: writing " + m_File + L" failed: " + CStreamReport::SystemError(GetLastError()) + L"\n";
        return 1;
    }
    if (result != static_cast<int32_t>(MinvaultResult::EndOfRange)) return Fail(walk.Step(), result);
    m_Report = Printed(L"vcsf export: %llu units, %llu bytes written to %ls\n", static_cast<unsigned long long>(m_Units),
                       static_cast<unsigned long long>(m_Bytes), m_File == L"-" ? L"standard output" : m_File.c_str());
    if (m_Corrupt)
        m_Report += Printed(L"vcsf export: %llu %ls left out: the data fail their checksum\n",
                            static_cast<unsigned long long>(m_Corrupt), CStreamReport::Plural(m_Corrupt, L"unit", L"units"));
    return m_Corrupt ? 1 : 0;
}

int CExportCommand::Fail(const std::wstring& what, int32_t result)
{
    m_Errors = Printed(L"vcsf export: %ls in %ls: %ls (%d)\n", what.c_str(), m_Folder.c_str(),
                       CInfoCommand::Meaning(result), result);
    return result == static_cast<int32_t>(MinvaultResult::BadArgument) ? 2 : 1;
}
