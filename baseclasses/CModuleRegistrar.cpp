#include "baseclasses/CModuleRegistrar.h"

#include <uuids.h>

namespace {

constexpr int kClsidKeyChars = 6 + 39;  // "CLSID\" and a braced GUID with its terminator

HRESULT ClassKeyName(REFCLSID clsid, WCHAR (&name)[kClsidKeyChars])
{
    WCHAR guid[39];
    if (StringFromGUID2(clsid, guid, 39) == 0) return E_INVALIDARG;
    lstrcpyW(name, L"CLSID\\");
    lstrcatW(name, guid);
    return S_OK;
}

HRESULT SetStringValue(HKEY hKey, const WCHAR* pName, const WCHAR* pValue)
{
    DWORD cb = static_cast<DWORD>((lstrlenW(pValue) + 1) * sizeof(WCHAR));
    LONG err = RegSetValueExW(hKey, pName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pValue), cb);
    return HRESULT_FROM_WIN32(err);
}

// Creates (or opens) a key and sets its default value.
HRESULT CreateKeyWithDefault(HKEY hParent, const WCHAR* pSubKey, const WCHAR* pDefault, HKEY* phKey)
{
    LONG err = RegCreateKeyExW(hParent, pSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                               phKey, nullptr);
    if (err != ERROR_SUCCESS) return HRESULT_FROM_WIN32(err);
    HRESULT hr = SetStringValue(*phKey, nullptr, pDefault);
    if (FAILED(hr)) RegCloseKey(*phKey);
    return hr;
}

bool AnyFilter(const CFactoryTable& table)
{
    for (int i = 0; i < table.cTemplates; i++)
        if (table.pTemplates[i].m_pAMovieSetup_Filter) return true;
    return false;
}

}  // namespace

HRESULT CModuleRegistrar::ModulePath(HMODULE hModule, WCHAR (&path)[MAX_PATH])
{
    DWORD cch = GetModuleFileNameW(hModule, path, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH) return HRESULT_FROM_WIN32(cch ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
    return S_OK;
}

HRESULT CModuleRegistrar::RegisterClass(const CFactoryTemplate& entry, const WCHAR* pModulePath)
{
    WCHAR keyName[kClsidKeyChars];
    HRESULT hr = ClassKeyName(*entry.m_ClsID, keyName);
    if (FAILED(hr)) return hr;
    HKEY hClass = nullptr;
    hr = CreateKeyWithDefault(HKEY_CLASSES_ROOT, keyName, entry.m_Name, &hClass);
    if (FAILED(hr)) return hr;
    HKEY hServer = nullptr;
    hr = CreateKeyWithDefault(hClass, L"InprocServer32", pModulePath, &hServer);
    RegCloseKey(hClass);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(hServer, L"ThreadingModel", L"Both");
    RegCloseKey(hServer);
    return hr;
}

HRESULT CModuleRegistrar::UnregisterClass(const CFactoryTemplate& entry)
{
    WCHAR keyName[kClsidKeyChars];
    HRESULT hr = ClassKeyName(*entry.m_ClsID, keyName);
    if (FAILED(hr)) return hr;
    LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyName);
    return err == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(err);
}

HRESULT CModuleRegistrar::RegisterFilter(IFilterMapper2* pMapper, const AMOVIESETUP_FILTER& setup)
{
    REGFILTER2 rf2 = {};
    rf2.dwVersion = 1;
    rf2.dwMerit = setup.dwMerit;
    rf2.cPins = setup.nPins;
    rf2.rgPins = setup.lpPin;
    return pMapper->RegisterFilter(*setup.clsID, setup.strName, nullptr, nullptr, nullptr, &rf2);
}

HRESULT CModuleRegistrar::UpdateFilters(const CFactoryTable& table, bool bRegister)
{
    if (!AnyFilter(table)) return S_OK;
    HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFilterMapper2* pMapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&pMapper));
    for (int i = 0; SUCCEEDED(hr) && i < table.cTemplates; i++) {
        const AMOVIESETUP_FILTER* pSetup = table.pTemplates[i].m_pAMovieSetup_Filter;
        if (!pSetup) continue;
        hr = pMapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *pSetup->clsID);
        if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;  // it was not registered
        if (SUCCEEDED(hr) && bRegister) hr = RegisterFilter(pMapper, *pSetup);
    }
    if (pMapper) pMapper->Release();
    CoFreeUnusedLibraries();
    if (SUCCEEDED(hrInit)) CoUninitialize();
    return hr;
}

HRESULT CModuleRegistrar::RegisterServer(HMODULE hModule, const CFactoryTable& table)
{
    WCHAR path[MAX_PATH];
    HRESULT hr = ModulePath(hModule, path);
    if (FAILED(hr)) return hr;
    for (int i = 0; i < table.cTemplates; i++) {
        hr = RegisterClass(table.pTemplates[i], path);
        if (FAILED(hr)) return hr;
    }
    return UpdateFilters(table, true);
}

HRESULT CModuleRegistrar::UnregisterServer(HMODULE hModule, const CFactoryTable& table)
{
    WCHAR path[MAX_PATH];
    HRESULT hr = ModulePath(hModule, path);
    if (FAILED(hr)) return hr;
    hr = UpdateFilters(table, false);
    if (FAILED(hr)) return hr;
    for (int i = 0; i < table.cTemplates; i++) {
        HRESULT hrClass = UnregisterClass(table.pTemplates[i]);
        if (FAILED(hrClass) && SUCCEEDED(hr)) hr = hrClass;
    }
    return hr;
}
