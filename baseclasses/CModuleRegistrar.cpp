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

// The filter was not (or no longer) registered: what was asked is done.
HRESULT NotFoundIsDone(HRESULT hr) { return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr; }

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

HRESULT CModuleRegistrar::UpdateFilter(IFilterMapper2* pMapper, const AMOVIESETUP_FILTER& setup, bool bRegister)
{
    HRESULT hr = NotFoundIsDone(pMapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup.clsID));
    if (FAILED(hr) || !bRegister) return hr;
    REGFILTER2 rf2 = {};
    rf2.dwVersion = 1;
    rf2.dwMerit = setup.dwMerit;
    rf2.cPins = setup.nPins;
    rf2.rgPins = setup.lpPin;
    return NotFoundIsDone(pMapper->RegisterFilter(*setup.clsID, setup.strName, nullptr, nullptr, nullptr, &rf2));
}

// The older mapper keys pins by name, so pins of one name share one entry with all their types.
HRESULT CModuleRegistrar::UpdateFilter(IFilterMapper* pMapper, const AMOVIESETUP_FILTER& setup, bool bRegister)
{
    HRESULT hr = NotFoundIsDone(pMapper->UnregisterFilter(*setup.clsID));
    if (FAILED(hr) || !bRegister) return hr;
    hr = pMapper->RegisterFilter(*setup.clsID, setup.strName, setup.dwMerit);
    for (UINT i = 0; SUCCEEDED(hr) && i < setup.nPins; i++) {
        const AMOVIESETUP_PIN& pin = setup.lpPin[i];
        hr = pMapper->RegisterPin(*setup.clsID, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                  *pin.clsConnectsToFilter, pin.strConnectsToPin);
        for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; t++)
            hr = pMapper->RegisterPinType(*setup.clsID, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                          *pin.lpMediaType[t].clsMinorType);
    }
    return NotFoundIsDone(hr);
}

template <class Mapper>
HRESULT CModuleRegistrar::UpdateFilters(Mapper* pMapper, const CFactoryTable& table, bool bRegister)
{
    HRESULT hr = S_OK;
    for (int i = 0; SUCCEEDED(hr) && i < table.cTemplates; i++) {
        const AMOVIESETUP_FILTER* pSetup = table.pTemplates[i].m_pAMovieSetup_Filter;
        if (pSetup) hr = UpdateFilter(pMapper, *pSetup, bRegister);
    }
    pMapper->Release();
    return hr;
}

HRESULT CModuleRegistrar::UpdateFilters(const CFactoryTable& table, bool bRegister)
{
    if (!AnyFilter(table)) return S_OK;
    HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFilterMapper2* pMapper2 = nullptr;
    IFilterMapper* pMapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&pMapper2));
    if (SUCCEEDED(hr)) {
        hr = UpdateFilters(pMapper2, table, bRegister);
    } else {
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(&pMapper));
        if (SUCCEEDED(hr)) hr = UpdateFilters(pMapper, table, bRegister);
    }
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
