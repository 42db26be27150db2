// The module as a host sees it: loaded by path, entry points found by name.

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

TEST_F(ModuleTest, AnIdleModuleMayUnload)
{
    auto canUnloadNow = Entry<NoArgumentFn>("DllCanUnloadNow");
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
