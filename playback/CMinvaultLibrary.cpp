#include "playback/CMinvaultLibrary.h"

#include "core/Trace.h"

#include <string>

namespace {

// The folder of the module this code is linked into, with its final separator.
std::wstring ModuleFolder()
{
    HMODULE hSelf = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ModuleFolder), &hSelf))
        return {};
    wchar_t path[MAX_PATH];
    const DWORD cch = GetModuleFileNameW(hSelf, path, MAX_PATH);
    if (cch == 0 || cch == MAX_PATH) return {};
    std::wstring folder(path, cch);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

template <class F>
bool Resolve(HMODULE hModule, const char* pszName, F* pf)
{
    *pf = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)));
    return *pf != nullptr;
}

}  // namespace

CMinvaultLibrary::~CMinvaultLibrary() { Unload(); }

HRESULT CMinvaultLibrary::Load()
{
    if (m_hModule) return S_OK;
    const std::wstring beside = ModuleFolder() + m_pszFileName;
    m_hModule = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!m_hModule) m_hModule = LoadLibraryW(m_pszFileName);
    if (!m_hModule) {
        const DWORD error = GetLastError();
        g_Trace(0, L"CFileReader: %s could not be loaded (%d).", m_pszFileName, static_cast<int32_t>(error));
        return HRESULT_FROM_WIN32(error);
    }
    if (Resolve(m_hModule, "CreateCMinvault", &m_pCreate) && Resolve(m_hModule, "DestroyCMinvault", &m_pDestroy) &&
        Resolve(m_hModule, "SearchMinuteFile", &m_pSearch))
        return S_OK;
    g_Trace(0, L"CFileReader: %s lacks an entry point.", m_pszFileName);
    Unload();
    return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

void CMinvaultLibrary::Unload()
{
    if (m_hModule) FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_pCreate = nullptr;
    m_pDestroy = nullptr;
    m_pSearch = nullptr;
}
