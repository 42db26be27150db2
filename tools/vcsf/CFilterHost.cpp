#include "tools/vcsf/CFilterHost.h"

#include "DShowFilters/IVLMVCConfigure.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::wstring RegisteredPath()
{
    WCHAR guid[39];
    StringFromGUID2(CLSID_VCodecSourceFilter, guid, 39);
    std::wstring key = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
    WCHAR path[MAX_PATH] = {};
    DWORD cb = sizeof(path);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &cb) != ERROR_SUCCESS)
        return L"";
    return path;
}

}  // namespace

CFilterHost::~CFilterHost()
{
    // Objects of the module are released by now; the module goes last.
    if (m_hModule) FreeLibrary(m_hModule);
}

std::wstring CFilterHost::ModuleBesideProgram()
{
    WCHAR path[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, cch);
    return program.substr(0, program.find_last_of(L"\\/") + 1) + L"VCodecSourceFilter.ax";
}

HRESULT CFilterHost::Create(IBaseFilter** ppFilter)
{
    std::wstring registered = RegisteredPath();
    if (!registered.empty()) {
        HRESULT hr = CoCreateInstance(CLSID_VCodecSourceFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                      reinterpret_cast<void**>(ppFilter));
        if (SUCCEEDED(hr)) {
            m_origin = registered + L" (registered)";
            return hr;
        }
    }
    return CreateFromModule(ModuleBesideProgram(), ppFilter);
}

HRESULT CFilterHost::CreateFromModule(const std::wstring& path, IBaseFilter** ppFilter)
{
    m_hModule = LoadLibraryW(path.c_str());
    if (!m_hModule) return HRESULT_FROM_WIN32(GetLastError());
    IClassFactory* pFactory = nullptr;
    HRESULT hr = ModuleClassObject(CLSID_VCodecSourceFilter, &pFactory);
    if (FAILED(hr)) return hr;
    hr = pFactory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
    pFactory->Release();
    if (SUCCEEDED(hr)) m_origin = path + L" (beside vcsf.exe)";
    return hr;
}

HRESULT CFilterHost::GetClassObject(REFCLSID clsid, IClassFactory** ppFactory)
{
    if (m_hModule) return ModuleClassObject(clsid, ppFactory);
    return CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, reinterpret_cast<void**>(ppFactory));
}

HRESULT CFilterHost::ModuleClassObject(REFCLSID clsid, IClassFactory** ppFactory)
{
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllGetClassObject")));
    if (!getClassObject) return HRESULT_FROM_WIN32(GetLastError());
    return getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(ppFactory));
}
