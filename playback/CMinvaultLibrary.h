#pragma once
// The minute-file library, loaded when playback first needs it: from beside the
// module first, then by the system's search. The module imports only system DLLs,
// so live use needs no library.
//
// Locking: none; the filter lock serialises Load with the users' creation and
// deletion of search objects.

#include "playback/Minvault.h"

#include <windows.h>

class CMinvaultLibrary {
public:
    static constexpr wchar_t kFileName[] = L"Minvault.dll";

    explicit CMinvaultLibrary(const wchar_t* pszFileName = kFileName) : m_pszFileName(pszFileName) {}
    ~CMinvaultLibrary();
    CMinvaultLibrary(const CMinvaultLibrary&) = delete;
    CMinvaultLibrary& operator=(const CMinvaultLibrary&) = delete;

    // S_OK once loaded with its three entry points; else the system error, traced.
    HRESULT Load();
    bool IsLoaded() const { return m_hModule != nullptr; }

    CMinvault* Create() const { return m_pCreate(); }
    void Destroy(CMinvault* pObject) const { m_pDestroy(pObject); }
    int32_t SearchMinuteFile(const MinuteFileQuery* pQuery, uint8_t* pResult) const { return m_pSearch(pQuery, pResult); }

private:
    void Unload();

    const wchar_t* const m_pszFileName;
    HMODULE m_hModule = nullptr;
    CMinvault* (*m_pCreate)() = nullptr;
    void (*m_pDestroy)(CMinvault*) = nullptr;
    int32_t (*m_pSearch)(const MinuteFileQuery*, uint8_t*) = nullptr;
};
