// Registration writes the class keys and enters the filter in the system's own
// filter mapper, where a graph builder looks for it by its pins' media types.

#include "baseclasses/CModuleRegistrar.h"

#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// {5E1D2C3B-4A59-4F68-9D7E-8F90A1B2C3D4}
const CLSID CLSID_RegistrarTest = {0x5e1d2c3b, 0x4a59, 0x4f68, {0x9d, 0x7e, 0x8f, 0x90, 0xa1, 0xb2, 0xc3, 0xd4}};
// A subtype no other filter has, so that a search finds only ours.
// {7C2B8E41-05D3-4A7F-B1C9-2E6D4F80A913}
const GUID MEDIASUBTYPE_RegistrarTest = {0x7c2b8e41, 0x05d3, 0x4a7f, {0xb1, 0xc9, 0x2e, 0x6d, 0x4f, 0x80, 0xa9, 0x13}};

const AMOVIESETUP_MEDIATYPE kPinTypes[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_RegistrarTest}};
const AMOVIESETUP_PIN kPins[] = {
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPinTypes},
};
const AMOVIESETUP_FILTER kSetup = {&CLSID_RegistrarTest, L"Registrar test filter", MERIT_NORMAL, 1, kPins};
const CFactoryTemplate kTemplates[] = {
    {L"Registrar test filter", &CLSID_RegistrarTest, nullptr, nullptr, &kSetup},
};
const CFactoryTable kTable = {kTemplates, 1};

std::wstring ReadString(const std::wstring& key, const WCHAR* pValue)
{
    WCHAR buffer[MAX_PATH] = {};
    DWORD cb = sizeof(buffer);
    LONG err = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), pValue, RRF_RT_REG_SZ, nullptr, buffer, &cb);
    return err == ERROR_SUCCESS ? std::wstring(buffer) : std::wstring();
}

std::wstring ClassKey()
{
    WCHAR guid[39];
    StringFromGUID2(CLSID_RegistrarTest, guid, 39);
    return std::wstring(L"CLSID\\") + guid;
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
    return clsid == CLSID_RegistrarTest;
}

// Filters with wildcard output types match any search, so only ours are counted.
int MatchingFilters()
{
    ComPtr<IFilterMapper2> mapper;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)));
    GUID outputTypes[] = {MEDIATYPE_Stream, MEDIASUBTYPE_RegistrarTest};
    ComPtr<IEnumMoniker> found;
    HRESULT hr = mapper->EnumMatchingFilters(&found, 0, FALSE, MERIT_DO_NOT_USE, FALSE, 0, nullptr, nullptr,
                                             nullptr, FALSE, TRUE, 1, outputTypes, nullptr, nullptr);
    EXPECT_EQ(hr, S_OK);
    int count = 0;
    ComPtr<IMoniker> moniker;
    while (found && found->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) count += IsOurFilter(moniker.Get());
    return count;
}

class CModuleRegistrarTest : public testing::Test {
protected:
    void TearDown() override { CModuleRegistrar::UnregisterServer(GetModuleHandleW(nullptr), kTable); }
};

TEST_F(CModuleRegistrarTest, RegistrationWritesTheClassKeys)
{
    ASSERT_EQ(CModuleRegistrar::RegisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(ReadString(ClassKey(), nullptr), L"Registrar test filter");
    EXPECT_EQ(ReadString(ClassKey() + L"\\InprocServer32", nullptr), path);
    EXPECT_EQ(ReadString(ClassKey() + L"\\InprocServer32", L"ThreadingModel"), L"Both");
}

TEST_F(CModuleRegistrarTest, RegisteringTwiceLeavesOneFilter)
{
    ASSERT_EQ(CModuleRegistrar::RegisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
    ASSERT_EQ(CModuleRegistrar::RegisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
    EXPECT_EQ(MatchingFilters(), 1);
}

TEST_F(CModuleRegistrarTest, UnregistrationRemovesFilterAndKeys)
{
    ASSERT_EQ(CModuleRegistrar::RegisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
    ASSERT_EQ(CModuleRegistrar::UnregisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
    EXPECT_EQ(MatchingFilters(), 0);
    HKEY hKey = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, ClassKey().c_str(), 0, KEY_READ, &hKey), ERROR_FILE_NOT_FOUND);
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(CModuleRegistrar::UnregisterServer(GetModuleHandleW(nullptr), kTable), S_OK);
}

}  // namespace
