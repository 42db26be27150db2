// The module as a host sees it: loaded by path, entry points found by name.

#include "DShowFilters/IVLMVCConfigure.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using NoArgumentFn = HRESULT(STDAPICALLTYPE*)();

std::wstring ModulePath()
{
    WCHAR path[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, cch);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"VCodecSourceFilter.ax";
}

class ModuleTest : public testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryW(ModulePath().c_str());
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
    }
    void TearDown() override { FreeLibrary(module); }

    template <typename F>
    F Entry(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    HMODULE module = nullptr;
};

TEST_F(ModuleTest, ExportsTheServerEntryPointsUndecorated)
{
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
}

TEST_F(ModuleTest, ClassObjectRequestsAreChecked)
{
    auto getClassObject = Entry<GetClassObjectFn>("DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IPersist, &pv), E_NOINTERFACE);
}

TEST_F(ModuleTest, TheFiltersFactoryCreatesTheFilter)
{
    auto getClassObject = Entry<GetClassObjectFn>("DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_VCodecSourceFilter, IID_IPersist, &pv), E_NOINTERFACE);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_VCodecSourceFilter, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_VCodecSourceFilter);
    EXPECT_TRUE(Supports(filter.Get(), IID_IVLMVCConfigure3));
}

// The page's dialog and title come from the module's own resources.
TEST_F(ModuleTest, ThePagesFactoryCreatesThePageWithTheModulesDialog)
{
    auto getClassObject = Entry<GetClassObjectFn>("DllGetClassObject");
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_VCSourceProp, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&page)), S_OK);
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Vireo Codec Source Filter Property Page");
    EXPECT_GT(info.size.cx, info.size.cy);  // 280 by 238 dialog units
    CoTaskMemFree(info.pszTitle);
}

TEST_F(ModuleTest, TheModuleMayUnloadOnlyWhenNothingOfItLives)
{
    auto canUnloadNow = Entry<NoArgumentFn>("DllCanUnloadNow");
    auto getClassObject = Entry<GetClassObjectFn>("DllGetClassObject");
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_VCodecSourceFilter, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    filter.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
