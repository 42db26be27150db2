#pragma once
// A folder of its own below the temporary folder, removed with all it holds.

#include <windows.h>

#include <string>

class CTempFolder {
public:
    explicit CTempFolder(const wchar_t* pszName = L"vcsf-test")
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_Path = std::wstring(base) + pszName + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++s_Count);
        Remove(m_Path);
        CreateDirectoryW(m_Path.c_str(), nullptr);
    }
    ~CTempFolder() { Remove(m_Path); }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::wstring& Path() const { return m_Path; }

    static void Remove(const std::wstring& path)
    {
        WIN32_FIND_DATAW data;
        const HANDLE hFind = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(path + L"\\" + name);
                else DeleteFileW((path + L"\\" + name).c_str());
            } while (FindNextFileW(hFind, &data));
            FindClose(hFind);
        }
        RemoveDirectoryW(path.c_str());
    }

private:
    static inline int s_Count = 0;
    std::wstring m_Path;
};
