#include "tools/vcsf/COutputFile.h"

COutputFile::~COutputFile() { Close(); }

bool COutputFile::Prepare(const std::wstring& path, bool bOverwrite, std::wstring* pError)
{
    m_Path = path;
    if (path == L"-") {
        m_hFile = GetStdHandle(STD_OUTPUT_HANDLE);
        return true;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *pError = path + L" is a folder";
        return false;
    }
    // A device or a pipe is written as it is; only a file on disk can be destroyed.
    const HANDLE hExisting =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hExisting != INVALID_HANDLE_VALUE && GetFileType(hExisting) != FILE_TYPE_DISK) {
        m_hFile = hExisting;
        m_bOwn = true;
        return true;
    }
    if (hExisting != INVALID_HANDLE_VALUE) {
        CloseHandle(hExisting);
        if (!bOverwrite) {
            *pError = path + L" exists; give -y (--overwrite) to replace it";
            return false;
        }
    }
    m_bCreate = true;
    return true;
}

bool COutputFile::Open()
{
    m_hFile = CreateFileW(m_Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) return false;
    m_bOwn = true;
    m_bCreate = false;
    return true;
}

bool COutputFile::Write(const void* p, DWORD cb)
{
    if (m_bCreate && !Open()) return false;
    const BYTE* pBytes = static_cast<const BYTE*>(p);
    for (DWORD done = 0; done < cb;) {
        DWORD written = 0;
        if (!WriteFile(m_hFile, pBytes + done, cb - done, &written, nullptr) || written == 0) {
            if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

void COutputFile::Close()
{
    if (m_bOwn && m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bOwn = false;
}
