// The configuration interface as a host uses it: values in the VARIANT's union,
// checks and defaults, and the rule that most values change only while stopped.

#include "DShowFilters/CPropertyText.h"
#include "core/ByteOrder.h"
#include "tests/filter/CConfiguredFilterTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace {

VARIANT Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    VARIANT v = {};
    v.ulVal = IPv4NetworkOrder(a, b, c, d);
    return v;
}

VARIANT Port(uint16_t hostOrder)
{
    VARIANT v = {};
    v.uiVal = HostToNet16(hostOrder);
    return v;
}

VARIANT Flag(uint16_t raw)
{
    VARIANT v = {};
    v.uiVal = raw;
    return v;
}

VARIANT Number(uint32_t n)
{
    VARIANT v = {};
    v.ulVal = n;
    return v;
}

VARIANT Pointer(void* p)
{
    VARIANT v = {};
    v.byref = p;
    return v;
}

using ConfigurationTest = CConfiguredFilterTest;

TEST_F(ConfigurationTest, BothInterfaceIdsGiveTheSamePointer)
{
    ComPtr<IVLMVCConfigure> base;
    ASSERT_EQ(filter.As(&base), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(base.Get()), static_cast<IUnknown*>(config.Get()));
    EXPECT_TRUE(Supports(config.Get(), IID_ISpecifyPropertyPages));
    EXPECT_TRUE(Supports(config.Get(), IID_IAMFilterMiscFlags));
    EXPECT_EQ(filter->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE));
}

TEST_F(ConfigurationTest, DefaultsAreThoseAHostExpects)
{
    EXPECT_EQ(Get(VCSF_Address).ulVal, IPv4NetworkOrder(192, 168, 0, 2));
    EXPECT_EQ(Get(VCSF_MCAddress).ulVal, IPv4NetworkOrder(239, 193, 0, 25));
    EXPECT_EQ(Get(VCSF_NIC).ulVal, IPv4NetworkOrder(192, 168, 0, 251));
    EXPECT_EQ(NetToHost16(Get(VCSF_Port).uiVal), 3939);
    EXPECT_EQ(NetToHost16(Get(VCSF_TCPPort).uiVal), 80);
    EXPECT_EQ(NetToHost16(Get(VCSF_MulticastPort).uiVal), 34344);
    EXPECT_EQ(Get(VCSF_ComType).uiVal, 0);
    EXPECT_EQ(Get(VCSF_AuthNeed).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Get(VCSF_UseSSL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Get(VCSF_TimeOut).ulVal, 5000u);
    EXPECT_EQ(Get(HVSF_Live).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Get(HVSF_Rec).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Get(VCF_PlaySpeed).dblVal, 1.0);

    WCHAR user[16] = {}, path[260] = {};
    VARIANT userValue = Pointer(user);
    ASSERT_EQ(config->GetValue(VCSF_UserName, &userValue), S_OK);
    EXPECT_STREQ(user, L"guest");
    VARIANT pathValue = Pointer(path);
    ASSERT_EQ(config->GetValue(VCF_PlayPath, &pathValue), S_OK);
    EXPECT_STREQ(path, L"C:\\");
}

// Each row's default as the filter reports it, printed the way the row writes it.
TEST_F(ConfigurationTest, AFreshFilterHoldsEveryDefaultOfTheTable)
{
    for (const PropertyInfo& info : kProperties) {
        if (!info.defaultText || std::wstring(info.defaultText) == L"now") continue;
        CPropertyText text;
        VARIANT value;
        text.PrepareForGet(info.form, &value);
        if (info.access == PropertyAccess::WriteOnly) {
            EXPECT_EQ(config->GetValue(*info.id, &value), E_NOTIMPL) << info.name;
            continue;
        }
        ASSERT_EQ(config->GetValue(*info.id, &value), S_OK) << info.name;
        EXPECT_EQ(CPropertyText::Format(info.form, value), info.defaultText) << info.name;
    }
}

// Each settable property keeps a value of its form, and GetValue writes back only
// the bytes of the form's member or buffer; a flag is true only as VARIANT_TRUE.
TEST_F(ConfigurationTest, EveryPropertyKeepsAValueOfItsFormByteForByte)
{
    SYSTEMTIME date = {2026, 12, 0, 6, 19, 30, 15, 250};
    WCHAR text[260] = L"operator";
    for (const PropertyInfo& info : kProperties) {
        if (info.access != PropertyAccess::WhileStopped && info.access != PropertyAccess::AnyState) continue;
        if (info.id == &VCF_PlaySpeed || info.id == &VCSF_ProtectedMode) continue;  // their own tests
        VARIANT in = {};
        if (IsByReference(info.form)) in.byref = info.form == PropertyForm::Date ? static_cast<void*>(&date) : text;
        else if (info.form == PropertyForm::Flag) in.uiVal = 0xFFFF;
        else if (info.check == PropertyCheck::TimeOut) in.ulVal = 12345;
        else in.ullVal = IPv4NetworkOrder(info.check == PropertyCheck::MulticastAddress ? 239 : 10, 1, 2, 3);
        ASSERT_EQ(Set(*info.id, in), S_OK) << info.name;
        BYTE back[520];
        VARIANT out;
        std::memset(&out, 0xAB, sizeof(out));
        std::memset(back, 0xAB, sizeof(back));
        if (IsByReference(info.form)) out.byref = back;
        ASSERT_EQ(config->GetValue(*info.id, &out), S_OK) << info.name;
        const unsigned bytes = PropertyBytes(info.form);
        const BYTE* got = IsByReference(info.form) ? back : reinterpret_cast<const BYTE*>(&out.ullVal);
        const BYTE* sent = IsByReference(info.form) ? static_cast<const BYTE*>(in.byref) : reinterpret_cast<const BYTE*>(&in.ullVal);
        EXPECT_EQ(std::memcmp(got, sent, bytes), 0) << info.name;
        EXPECT_EQ(out.vt, 0xABAB) << info.name;  // the type field is never set
        if (bytes < sizeof(back)) {
            EXPECT_EQ(got[bytes], 0xAB) << info.name;  // nothing beyond the value
        }
    }
    EXPECT_EQ(Set(VCSF_UseSSL, Flag(1)), S_OK);
    EXPECT_EQ(Get(VCSF_UseSSL).uiVal, 0);
    EXPECT_EQ(Set(VCSF_Password, Pointer(nullptr)), E_POINTER);
    VARIANT empty = Pointer(nullptr);
    EXPECT_EQ(config->GetValue(VCF_PlayDateEnd, &empty), E_POINTER);
    EXPECT_EQ(config->SetValue(VCSF_Port, nullptr), E_POINTER);
    EXPECT_EQ(config->GetValue(VCSF_Port, nullptr), E_POINTER);
}

TEST_F(ConfigurationTest, PortsRefuseReservedRangesAndTheCamerasOwn)
{
    for (uint16_t port : {1024, 4000, 5000, 10000, 10001, 34341, 38214})
        EXPECT_EQ(Set(VCSF_Port, Port(port)), E_INVALIDARG) << port;
    for (uint16_t port : {1025, 3999, 5001, 34344})
        EXPECT_EQ(Set(VCSF_Port, Port(port)), S_OK) << port;
    EXPECT_EQ(NetToHost16(Get(VCSF_Port).uiVal), 34344);

    EXPECT_EQ(Set(VCSF_MulticastPort, Port(38214)), E_INVALIDARG);
    EXPECT_EQ(NetToHost16(Get(VCSF_MulticastPort).uiVal), 34344);
    EXPECT_EQ(Set(VCSF_TCPPort, Port(443)), S_OK);  // the HTTP port takes any value
    EXPECT_EQ(NetToHost16(Get(VCSF_TCPPort).uiVal), 443);
}

TEST_F(ConfigurationTest, AddressesAreCheckedByTheirFirstOctet)
{
    EXPECT_EQ(Set(VCSF_Address, Address(223, 255, 255, 255)), S_OK);
    EXPECT_EQ(Set(VCSF_NIC, Address(223, 255, 255, 255)), S_OK);
    EXPECT_EQ(Set(VCSF_Address, Address(0, 0, 0, 0)), S_OK);
    EXPECT_EQ(Set(VCSF_Address, Address(224, 0, 0, 1)), E_INVALIDARG);
    EXPECT_EQ(Get(VCSF_Address).ulVal, IPv4NetworkOrder(0, 0, 0, 0));  // a refusal keeps the old value
    EXPECT_EQ(Set(VCSF_NIC, Address(224, 0, 0, 1)), E_INVALIDARG);

    EXPECT_EQ(Set(VCSF_MCAddress, Address(224, 0, 0, 1)), S_OK);
    EXPECT_EQ(Set(VCSF_MCAddress, Address(239, 255, 255, 255)), S_OK);
    EXPECT_EQ(Set(VCSF_MCAddress, Address(240, 0, 0, 1)), E_INVALIDARG);
    EXPECT_EQ(Set(VCSF_MCAddress, Address(223, 1, 1, 1)), E_INVALIDARG);
    EXPECT_EQ(Get(VCSF_MCAddress).ulVal, IPv4NetworkOrder(239, 255, 255, 255));
}

TEST_F(ConfigurationTest, TimeOutStaysBelowThirtySeconds)
{
    EXPECT_EQ(Set(VCSF_TimeOut, Number(29999)), S_OK);
    EXPECT_EQ(Set(VCSF_TimeOut, Number(30000)), E_INVALIDARG);
    EXPECT_EQ(Get(VCSF_TimeOut).ulVal, 29999u);
    EXPECT_EQ(Set(VCSF_TimeOut, Number(0)), S_OK);
}

TEST_F(ConfigurationTest, ReadOnlyAndWriteOnlyProperties)
{
    EXPECT_EQ(Set(HVSF_StrmWidth, Number(720)), E_NOTIMPL);
    EXPECT_EQ(Set(HVSF_StrmHeight, Number(576)), E_NOTIMPL);
    EXPECT_EQ(Get(HVSF_StrmWidth).ulVal, 0u);

    EXPECT_EQ(Set(HVSF_IndexOffSetSize, Number(4096)), S_OK);
    VARIANT v = Number(77);
    EXPECT_EQ(config->GetValue(HVSF_IndexOffSetSize, &v), E_NOTIMPL);
    EXPECT_EQ(v.ulVal, 77u);  // the caller's value is not touched
}

TEST_F(ConfigurationTest, AnUnknownIdentifierIsNotImplemented)
{
    VARIANT v = Number(1);
    EXPECT_EQ(config->SetValue(IID_IUnknown, &v), E_NOTIMPL);
    EXPECT_EQ(config->GetValue(IID_IUnknown, &v), E_NOTIMPL);
}

TEST_F(ConfigurationTest, PlaySpeedWaitsForTheFirstData)
{
    VARIANT speed = {};
    speed.dblVal = 2.0;
    EXPECT_EQ(Set(VCF_PlaySpeed, speed), S_OK);
    EXPECT_EQ(Get(VCF_PlaySpeed).dblVal, 1.0);
    EXPECT_EQ(filter->GetRate(), 1.0);
}

TEST_F(ConfigurationTest, PlayAudioAlsoSetsTheAudioModel)
{
    EXPECT_EQ(Set(VCF_PlayAudio, Flag(0xFFFF)), S_OK);
    EXPECT_EQ(Get(HVSF_AudioModel).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Set(HVSF_AudioModel, Flag(0)), S_OK);
    EXPECT_EQ(Get(VCF_PlayAudio).boolVal, VARIANT_TRUE);
    EXPECT_EQ(filter->GetAudioModel(), 0);
}

TEST_F(ConfigurationTest, RecordingAndLiveFollowTheRequestWhileStopped)
{
    EXPECT_EQ(Set(HVSF_Rec, Flag(0xFFFF)), S_OK);
    EXPECT_EQ(Get(HVSF_Rec).uiVal, 0xFFFF);
    EXPECT_TRUE(filter->GetRec());
    EXPECT_EQ(Set(HVSF_Live, Flag(0xFFFF)), S_OK);  // already on
    EXPECT_TRUE(filter->GetLive());
    EXPECT_EQ(Set(HVSF_Live, Flag(7)), S_OK);  // neither 0 nor true: stores false
    EXPECT_FALSE(filter->GetLive());
}

TEST_F(ConfigurationTest, MostValuesChangeOnlyWhileStopped)
{
    Run();
    EXPECT_EQ(Set(VCSF_Address, Address(10, 0, 0, 1)), VFW_E_NOT_STOPPED);
    EXPECT_EQ(Set(VCSF_ComType, Number(1)), VFW_E_NOT_STOPPED);
    for (const GUID* pExtension : {&VCSF_StallTimeOut, &VCSF_NotifyOnChange, &VCSF_Reconnect})
        EXPECT_EQ(Set(*pExtension, Number(1)), VFW_E_NOT_STOPPED);
    EXPECT_EQ(Get(VCSF_Address).ulVal, IPv4NetworkOrder(127, 0, 0, 1));  // as Run set it

    EXPECT_EQ(Set(VCSF_AuthNeed, Flag(0)), S_OK);
    EXPECT_EQ(Set(HVSF_Live, Flag(0)), S_OK);
    EXPECT_EQ(Set(HVSF_Rec, Flag(0xFFFF)), S_OK);
    EXPECT_EQ(Set(HVSF_IpictureCutOut, Flag(0xFFFF)), S_OK);
    VARIANT speed = {};
    speed.dblVal = 4.0;
    EXPECT_EQ(Set(VCF_PlaySpeed, speed), S_OK);
    EXPECT_EQ(Get(VCSF_AuthNeed).boolVal, VARIANT_FALSE);
    EXPECT_FALSE(filter->GetLive());
}

// The host sets cbSize: a record too short is refused untouched, and of a longer
// one only the part the filter knows is written. A filter never started has
// counted nothing and had no stream data.
TEST_F(ConfigurationTest, TheStatisticsRecordIsRefusedWhenShortAndWrittenOnlyAsFarAsItIsKnown)
{
    ComPtr<IVCSFStatistics> statistics;
    ASSERT_EQ(filter.As(&statistics), S_OK);
    EXPECT_EQ(statistics->GetStatistics(nullptr), E_POINTER);
    struct {
        VCSF_STATISTICS known;
        uint8_t more[16];
    } record;
    std::memset(&record, 0xAB, sizeof(record));
    record.known.cbSize = sizeof(VCSF_STATISTICS) - 1;
    EXPECT_EQ(statistics->GetStatistics(&record.known), E_INVALIDARG);
    EXPECT_EQ(record.known.ullReceived, 0xABABABABABABABABull);
    record.known.cbSize = sizeof(record);
    ASSERT_EQ(statistics->GetStatistics(&record.known), S_OK);
    EXPECT_EQ(record.known.cbSize, sizeof(record));
    EXPECT_EQ(record.known.dwMsSinceStreamData, 0xFFFFFFFFu);
    const uint8_t* pCounts = reinterpret_cast<const uint8_t*>(&record.known.ullReceived);
    EXPECT_TRUE(std::all_of(pCounts, pCounts + offsetof(VCSF_STATISTICS, wReserved) - 8, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(std::begin(record.more), std::end(record.more), [](uint8_t b) { return b == 0xAB; }));
}

TEST_F(ConfigurationTest, TheCommunicationTypeChoosesFileMode)
{
    EXPECT_FALSE(filter->IsFileMode());
    EXPECT_EQ(Set(VCSF_ComType, Number(8)), S_OK);
    EXPECT_EQ(Get(VCSF_ComType).uiVal, 8);
    EXPECT_TRUE(filter->IsFileMode());
}

TEST_F(ConfigurationTest, ThePropertyPageIsNamedInTaskMemory)
{
    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(filter.As(&pages), S_OK);
    CAUUID ids = {};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_EQ(ids.pElems[0], CLSID_VCSourceProp);
    CoTaskMemFree(ids.pElems);
}

}  // namespace
