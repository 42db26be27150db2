#include "minvault/CWinMinuteStore.h"

#include "minvault/CWinFileSink.h"
#include "minvault/CWinFileSource.h"

#include <windows.h>

namespace {

// Only names of ASCII digits, '-' and '.' matter to a search; others may come out changed.
std::string Narrow(const wchar_t* psz)
{
    std::string out;
    for (; *psz; ++psz) out += *psz < 0x80 ? static_cast<char>(*psz) : '?';
    return out;
}

bool IsDotEntry(const wchar_t* psz) { return psz[0] == L'.' && (!psz[1] || (psz[1] == L'.' && !psz[2])); }

}  // namespace

CWinMinuteStore::CWinMinuteStore(std::wstring folder) : m_Folder(std::move(folder)) {}

std::wstring CWinMinuteStore::FullPath(const std::string& relative) const
{
    std::wstring path = m_Folder;
    if (relative.empty()) return path;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    for (char c : relative) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

bool CWinMinuteStore::List(const std::string& folder, std::vector<std::string>* pNames)
{
    std::wstring pattern = FullPath(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    const HANDLE hFind =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    pNames->clear();
    if (hFind == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (!IsDotEntry(data.cFileName)) pNames->push_back(Narrow(data.cFileName));
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return true;
}

std::unique_ptr<IRandomAccessSource> CWinMinuteStore::OpenRead(const std::string& path)
{
    const HANDLE hFile = CreateFileW(FullPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<CWinFileSource>(hFile);
}

std::unique_ptr<IByteSink> CWinMinuteStore::Create(const std::string& path)
{
    if (!CreateFolders(path)) return nullptr;
    const HANDLE hFile = CreateFileW(FullPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        m_LastCreateError = GetLastError();
        return nullptr;
    }
    return std::make_unique<CWinFileSink>(hFile);
}

// Every folder on the way to path's file, the recording folder itself included.
std::unique_ptr<IByteSink> CWinMinuteStore::Continue(const std::string& path, uint64_t keepBytes)
{
    const HANDLE hFile = CreateFileW(FullPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        m_LastCreateError = GetLastError();
        return nullptr;
    }
    LARGE_INTEGER keep;
    keep.QuadPart = static_cast<LONGLONG>(keepBytes);
    if (!SetFilePointerEx(hFile, keep, nullptr, FILE_BEGIN) || !SetEndOfFile(hFile)) {
        m_LastCreateError = GetLastError();
        CloseHandle(hFile);
        return nullptr;
    }
    return std::make_unique<CWinFileSink>(hFile);
}

bool CWinMinuteStore::CreateFolders(const std::string& path)
{
    if (!CreateFolder(m_Folder)) return false;
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!CreateFolder(FullPath(path.substr(0, slash)))) return false;
    return true;
}

bool CWinMinuteStore::CreateFolder(const std::wstring& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    m_LastCreateError = GetLastError();
    return false;
}
