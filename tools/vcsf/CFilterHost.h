#pragma once
// Creates the filter as a COM client would: through COM when the module is
// registered, otherwise from the module beside this program, through its class factory.

#include <windows.h>
#include <strmif.h>

#include <string>

class CFilterHost {
public:
    CFilterHost() = default;
    ~CFilterHost();
    CFilterHost(const CFilterHost&) = delete;
    CFilterHost& operator=(const CFilterHost&) = delete;

    HRESULT Create(IBaseFilter** ppFilter);
    // The class object of another class of the filter's module, from where the
    // filter came: through COM, or from the module beside this program.
    HRESULT GetClassObject(REFCLSID clsid, IClassFactory** ppFactory);
    // Where the filter came from, for a person to read.
    const std::wstring& Origin() const { return m_origin; }

    static std::wstring ModuleBesideProgram();

private:
    HRESULT CreateFromModule(const std::wstring& path, IBaseFilter** ppFilter);
    HRESULT ModuleClassObject(REFCLSID clsid, IClassFactory** ppFactory);

    HMODULE m_hModule = nullptr;
    std::wstring m_origin;
};
