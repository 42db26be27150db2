#include "DShowFilters/CPropertyText.h"

#include "core/ByteOrder.h"

#include <gtest/gtest.h>

namespace {

VARIANT Parsed(CPropertyText& text, PropertyForm form, const wchar_t* input)
{
    VARIANT v;
    std::wstring reason;
    EXPECT_TRUE(text.Parse(form, input, &v, &reason)) << input;
    return v;
}

bool Refused(PropertyForm form, const wchar_t* input)
{
    CPropertyText text;
    VARIANT v;
    std::wstring reason;
    bool ok = text.Parse(form, input, &v, &reason);
    return !ok && !reason.empty();
}

TEST(CPropertyTextTest, AddressesAndPortsRoundTripInNetworkOrder)
{
    CPropertyText text;
    VARIANT address = Parsed(text, PropertyForm::Address, L"10.1.2.254");
    EXPECT_EQ(address.ulVal, IPv4NetworkOrder(10, 1, 2, 254));
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Address, address), L"10.1.2.254");
    VARIANT port = Parsed(text, PropertyForm::Port, L"3939");
    EXPECT_EQ(port.uiVal, HostToNet16(3939));
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Port, port), L"3939");
}

TEST(CPropertyTextTest, MalformedValuesAreRefusedWithAReason)
{
    EXPECT_TRUE(Refused(PropertyForm::Address, L"256.1.1.1"));
    EXPECT_TRUE(Refused(PropertyForm::Address, L"1.2.3"));
    EXPECT_TRUE(Refused(PropertyForm::Address, L"1.2.3.4x"));
    EXPECT_TRUE(Refused(PropertyForm::Port, L"65536"));
    EXPECT_TRUE(Refused(PropertyForm::Port, L"-1"));
    EXPECT_TRUE(Refused(PropertyForm::Number32, L"12abc"));
    EXPECT_TRUE(Refused(PropertyForm::Byte, L"256"));
    EXPECT_TRUE(Refused(PropertyForm::Flag, L"maybe"));
    EXPECT_TRUE(Refused(PropertyForm::Double, L""));
    EXPECT_TRUE(Refused(PropertyForm::Text16, L"sixteen-chars-xx"));
    EXPECT_TRUE(Refused(PropertyForm::Date, L"2026-13-01T00:00:00Z"));
    EXPECT_TRUE(Refused(PropertyForm::Date, L"2026-12-01T00:00:00+01:00"));
}

TEST(CPropertyTextTest, FlagsReadAsAPersonWritesThem)
{
    CPropertyText text;
    EXPECT_EQ(Parsed(text, PropertyForm::Flag, L"TRUE").boolVal, VARIANT_TRUE);
    EXPECT_EQ(Parsed(text, PropertyForm::Flag, L"on").boolVal, VARIANT_TRUE);
    EXPECT_EQ(Parsed(text, PropertyForm::Flag, L"0").boolVal, VARIANT_FALSE);
    VARIANT v = {};
    v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Flag, v), L"true");
}

TEST(CPropertyTextTest, DatesAreIsoUtc)
{
    CPropertyText text;
    VARIANT v = Parsed(text, PropertyForm::Date, L"2026-12-06T19:30:15.250Z");
    const auto* t = static_cast<const SYSTEMTIME*>(v.byref);
    EXPECT_EQ(t->wYear, 2026);
    EXPECT_EQ(t->wMilliseconds, 250);
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Date, v), L"2026-12-06T19:30:15.250Z");
    v = Parsed(text, PropertyForm::Date, L"2026-12-06 19:30:15");
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Date, v), L"2026-12-06T19:30:15.000Z");
}

TEST(CPropertyTextTest, TextsFitTheirFixedBuffers)
{
    CPropertyText text;
    VARIANT v = Parsed(text, PropertyForm::Text16, L"fifteen-chars-x");
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Text16, v), L"fifteen-chars-x");
    WCHAR unterminated[16];
    for (WCHAR& c : unterminated) c = L'a';
    v.byref = unterminated;
    EXPECT_EQ(CPropertyText::Format(PropertyForm::Text16, v).size(), 16u);  // never read past the buffer
}

TEST(CPropertyTextTest, NamesAreFoundWhateverTheirCase)
{
    ASSERT_NE(CPropertyText::Find(L"vcsf_port"), nullptr);
    EXPECT_EQ(*CPropertyText::Find(L"vcsf_port")->id, VCSF_Port);
    EXPECT_EQ(CPropertyText::Find(L"VCSF_Nothing"), nullptr);
}

}  // namespace
