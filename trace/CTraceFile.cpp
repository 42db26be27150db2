#include "trace/CTraceFile.h"

#include "core/CWideFormat.h"
#include "trace/CMessageBox.h"

#include <windows.h>
#include <share.h>
#include <shlobj.h>

namespace {

constexpr size_t kPathChars = 260;
const wchar_t kSettingsFile[] = L"VELMAR\\H264\\VireoCodecMiddle.ini";
const wchar_t kTraceFile[] = L"VELMAR\\H264\\TraceSF.txt";
const wchar_t kProtectedTraceFile[] = L"TraceSF.txt";
constexpr UINT kTraceCodePage = 932;

// The common program-files folder, or an empty string when the shell has none:
// the joined path then starts at the root of the current drive.
void CommonFilesFolder(wchar_t (&folder)[kPathChars])
{
    folder[0] = L'\0';
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAM_FILES_COMMON, &pidl))) return;
    if (!SHGetPathFromIDListW(pidl, folder)) folder[0] = L'\0';
    IMalloc* pMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&pMalloc))) {
        pMalloc->Free(pidl);
        pMalloc->Release();
    }
}

void CommonFilesPath(wchar_t (&path)[kPathChars], const wchar_t* relative)
{
    wchar_t folder[kPathChars];
    CommonFilesFolder(folder);
    CWideFormat::Print(path, kPathChars, L"%s\\%s", folder, relative);
}

}  // namespace

ITraceSink& TraceSink()
{
    static CTraceFile file;
    return file;
}

bool CTraceFile::SettingsFilePresent()
{
    wchar_t path[kPathChars];
    CommonFilesPath(path, kSettingsFile);
    FILE* settings = _wfsopen(path, L"r", _SH_DENYNO);
    if (!settings) return false;
    fclose(settings);
    return true;
}

TraceOpenResult CTraceFile::OpenTraceFile(bool bProtectedMode)
{
    wchar_t path[kPathChars];
    if (bProtectedMode) {
        wchar_t temp[kPathChars];
        const DWORD n = GetTempPathW(kPathChars, temp);
        if (n == 0 || n >= kPathChars) return TraceOpenResult::TempFolderError;
        CWideFormat::Print(path, kPathChars, L"%s\\%s", temp, kProtectedTraceFile);
    } else {
        CommonFilesPath(path, kTraceFile);
    }
    // Text mode writes each line feed as CR LF.
    m_pTraceFile = _wfsopen(path, L"at", _SH_DENYNO);
    return m_pTraceFile ? TraceOpenResult::Opened : TraceOpenResult::OpenError;
}

// Converted here, line by line, so that the host's locale is never changed.
bool CTraceFile::WriteLine(const wchar_t* line)
{
    char bytes[1100];  // two bytes per character at most in this code page
    const int n = WideCharToMultiByte(kTraceCodePage, 0, line, -1, bytes, sizeof(bytes), nullptr, nullptr);
    if (n <= 0) return false;
    return fputs(bytes, m_pTraceFile) >= 0;
}

void CTraceFile::Flush() { fflush(m_pTraceFile); }

bool CTraceFile::CloseTraceFile()
{
    const bool bClosed = fclose(m_pTraceFile) == 0;
    m_pTraceFile = nullptr;
    return bClosed;
}

void CTraceFile::DebugOutput(const wchar_t* line) { OutputDebugStringW(line); }

void CTraceFile::ShowMessage(const wchar_t* text, const wchar_t* caption) { CMessageBox::Show(text, caption); }

TraceTime CTraceFile::LocalTime()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}
