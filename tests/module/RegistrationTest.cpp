// The module registered as a user registers it, with regsvr32, and found again as
// a graph builder finds it. Runs in a Wine prefix of its own (in-private-prefix.sh).

#include "DShowFilters/IVLMVCConfigure.h"
#include "tests/support/CTempFolder.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring BinFolder()
{
    WCHAR path[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, cch);
    return program.substr(0, program.find_last_of(L"\\/") + 1);
}

const std::wstring& ModulePath()
{
    static const std::wstring path = BinFolder() + L"VCodecSourceFilter.ax";
    return path;
}

DWORD Regsvr32(const std::wstring& arguments)
{
    std::wstring command = L"regsvr32.exe /s " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return GetLastError();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

DWORD Register(const std::wstring& module) { return Regsvr32(L"\"" + module + L"\""); }
DWORD Unregister(const std::wstring& module) { return Regsvr32(L"/u \"" + module + L"\""); }

std::wstring ClassKey(REFCLSID clsid)
{
    WCHAR guid[39];
    StringFromGUID2(clsid, guid, 39);
    return std::wstring(L"CLSID\\") + guid;
}

std::wstring ReadString(const std::wstring& key, const WCHAR* pValue)
{
    WCHAR buffer[MAX_PATH + 1] = {};
    DWORD cb = sizeof(buffer);
    LONG err = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), pValue, RRF_RT_REG_SZ, nullptr, buffer, &cb);
    return err == ERROR_SUCCESS ? std::wstring(buffer) : L"(missing)";
}

bool ClassKeyExists(REFCLSID clsid)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
}

bool IsOurFilter(IMoniker* pMoniker)
{
    ComPtr<IPropertyBag> bag;
    if (FAILED(pMoniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return false;
    VARIANT value;
    VariantInit(&value);
    CLSID clsid = GUID_NULL;
    if (SUCCEEDED(bag->Read(L"CLSID", &value, nullptr)) && value.vt == VT_BSTR) CLSIDFromString(value.bstrVal, &clsid);
    VariantClear(&value);
    return clsid == CLSID_VCodecSourceFilter;
}

// How often the mapper offers our filter for an output of that subtype, at that
// merit or above. Filters with wildcard types match any search, so only ours count.
int FiltersFound(const GUID& subtype, DWORD dwMerit = MERIT_DO_NOT_USE)
{
    ComPtr<IFilterMapper2> mapper;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)));
    if (!mapper) return -1;
    GUID outputTypes[] = {MEDIATYPE_Stream, subtype};
    ComPtr<IEnumMoniker> found;
    HRESULT hr = mapper->EnumMatchingFilters(&found, 0, FALSE, dwMerit, FALSE, 0, nullptr, nullptr, nullptr, FALSE,
                                             TRUE, 1, outputTypes, nullptr, nullptr);
    EXPECT_EQ(hr, S_OK);
    int count = 0;
    ComPtr<IMoniker> moniker;
    while (found && found->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) count += IsOurFilter(moniker.Get());
    return count;
}

void ExpectClassKeys(REFCLSID clsid, const wchar_t* pszName, const std::wstring& module)
{
    EXPECT_EQ(ReadString(ClassKey(clsid), nullptr), pszName);
    EXPECT_EQ(ReadString(ClassKey(clsid) + L"\\InprocServer32", nullptr), module);
    EXPECT_EQ(ReadString(ClassKey(clsid) + L"\\InprocServer32", L"ThreadingModel"), L"Both");
}

class RegistrationTest : public testing::Test {
protected:
    void TearDown() override { Unregister(ModulePath()); }
};

TEST_F(RegistrationTest, RegistrationEntersBothClassesAndTheFilterWithItsMeritAndPinTypes)
{
    ASSERT_EQ(Register(ModulePath()), 0u);
    ExpectClassKeys(CLSID_VCodecSourceFilter, L"VELMAR Vireo Codec Source Filter", ModulePath());
    ExpectClassKeys(CLSID_VCSourceProp, L"VELMAR Vireo Codec Source Property Page", ModulePath());
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_MPEG2_PROGRAM, MERIT_NORMAL), 1);
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_MPEG2_PROGRAM, MERIT_NORMAL + 1), 0);
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_RecStream), 1);

    ComPtr<IVLMVCConfigure> config;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_VCodecSourceFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&config)));
    ComPtr<IPropertyPage> page;
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_VCSourceProp, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page)));
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesOneRegistration)
{
    ASSERT_EQ(Register(ModulePath()), 0u);
    ASSERT_EQ(Register(ModulePath()), 0u);
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_MPEG2_PROGRAM), 1);
}

TEST_F(RegistrationTest, UnregistrationLeavesNoKeyAndNoFilterEntry)
{
    ASSERT_EQ(Register(ModulePath()), 0u);
    ASSERT_EQ(Unregister(ModulePath()), 0u);
    EXPECT_FALSE(ClassKeyExists(CLSID_VCodecSourceFilter));
    EXPECT_FALSE(ClassKeyExists(CLSID_VCSourceProp));
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_MPEG2_PROGRAM), 0);
    EXPECT_EQ(FiltersFound(MEDIASUBTYPE_RecStream), 0);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(CLSID_VCodecSourceFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)),
              REGDB_E_CLASSNOTREG);
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(Unregister(ModulePath()), 0u);
}

// A copy of the module at a path of MAX_PATH - 1 characters, the longest a module loads from.
TEST_F(RegistrationTest, AModuleAtAPathOfTheLongestLengthRegistersAndLoads)
{
    CTempFolder folder(L"vcsf-long");
    std::wstring dir = folder.Path();
    while (dir.size() < MAX_PATH - 150) {
        dir += L"\\" + std::wstring(100, L'd');
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr)) << GetLastError();
    }
    const std::wstring module = dir + L"\\" + std::wstring(MAX_PATH - 1 - dir.size() - 4, L'm') + L".ax";
    ASSERT_EQ(module.size(), size_t{MAX_PATH - 1});
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), module.c_str(), FALSE)) << GetLastError();

    ASSERT_EQ(Register(module), 0u);
    ExpectClassKeys(CLSID_VCodecSourceFilter, L"VELMAR Vireo Codec Source Filter", module);
    {
        ComPtr<IBaseFilter> filter;
        EXPECT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_VCodecSourceFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)));
    }
    EXPECT_EQ(Unregister(module), 0u);
    CoFreeUnusedLibraries();
}

}  // namespace
