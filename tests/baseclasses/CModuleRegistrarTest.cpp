// The older filter mapper, for systems without the newer one. Registration through
// the newer one is tested on the real module with regsvr32 (RegistrationTest).

#include "baseclasses/CModuleRegistrar.h"

#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

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

// The older mapper's own search, for hosts that have only that one.
int MatchingFiltersOfTheOlderMapper(IFilterMapper* pMapper)
{
    ComPtr<IEnumRegFilters> found;
    EXPECT_EQ(pMapper->EnumMatchingFilters(&found, 0, FALSE, GUID_NULL, GUID_NULL, FALSE, TRUE, MEDIATYPE_Stream,
                                           MEDIASUBTYPE_RegistrarTest),
              S_OK);
    int count = 0;
    REGFILTER* pFilter = nullptr;
    while (found && found->Next(1, &pFilter, nullptr) == S_OK) {
        count += pFilter->Clsid == CLSID_RegistrarTest;
        CoTaskMemFree(pFilter);
    }
    return count;
}

TEST(CModuleRegistrarTest, TheOlderMapperRegistersAndUnregistersTheFilter)
{
    ComPtr<IFilterMapper> mapper;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)));
    ASSERT_EQ(CModuleRegistrar::UpdateFilter(mapper.Get(), kSetup, true), S_OK);
    ASSERT_EQ(CModuleRegistrar::UpdateFilter(mapper.Get(), kSetup, true), S_OK);
    EXPECT_EQ(MatchingFiltersOfTheOlderMapper(mapper.Get()), 1);
    ASSERT_EQ(CModuleRegistrar::UpdateFilter(mapper.Get(), kSetup, false), S_OK);
    EXPECT_EQ(MatchingFiltersOfTheOlderMapper(mapper.Get()), 0);
}

}  // namespace
