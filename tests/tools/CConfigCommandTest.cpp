// The config command against the real module beside the test program.

#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CFilterHost.h"

#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

namespace {

class CConfigCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(host.Create(&filter), S_OK);
        ASSERT_EQ(filter.As(&config), S_OK);
    }
    void TearDown() override
    {
        config.Reset();
        filter.Reset();
    }

    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    ComPtr<IVLMVCConfigure> config;
};

TEST_F(CConfigCommandTest, ListingShowsEveryPropertyOnALine)
{
    CConfigCommand command(config.Get());
    std::wstring listing = command.Listing();
    int lines = 0;
    for (wchar_t c : listing) lines += c == L'\n';
    EXPECT_EQ(lines, kPropertyCount);
    EXPECT_NE(listing.find(L"VCSF_MulticastPort    34344\n"), std::wstring::npos);
    EXPECT_NE(listing.find(L"VCSF_UserName         guest\n"), std::wstring::npos);
}

TEST_F(CConfigCommandTest, AcceptedValuesShowInTheListing)
{
    CConfigCommand command(config.Get());
    ASSERT_TRUE(command.Apply({L"VCSF_Address=10.0.0.7", L"vcsf_port=5001", L"VCF_PlaySpeed=2.5",
                               L"VCF_PlayPath=D:\\rec", L"HVSF_Rec=true"}));
    EXPECT_TRUE(command.Errors().empty());
    std::wstring listing = command.Listing();
    EXPECT_NE(listing.find(L"VCSF_Address          10.0.0.7\n"), std::wstring::npos);
    EXPECT_NE(listing.find(L"VCSF_Port             5001\n"), std::wstring::npos);
    EXPECT_NE(listing.find(L"VCF_PlayPath          D:\\rec\n"), std::wstring::npos);
    EXPECT_NE(listing.find(L"HVSF_Rec              true\n"), std::wstring::npos);
}

TEST_F(CConfigCommandTest, ARefusalNamesPropertyValueResultAndReason)
{
    CConfigCommand command(config.Get());
    EXPECT_FALSE(command.Apply({L"VCSF_Port=4000", L"VCSF_TimeOut=10"}));
    EXPECT_EQ(command.Errors(),
              L"vcsf config: VCSF_Port=4000 refused by the filter (E_INVALIDARG, 0x80070057): ports up to 1024, "
              L"4000 to 5000, 10000, 10001, 34341 and 38214 are reserved\n");
    EXPECT_NE(command.Listing().find(L"VCSF_TimeOut          10\n"), std::wstring::npos);  // the rest still applied
}

TEST_F(CConfigCommandTest, MalformedAssignmentsAreReported)
{
    CConfigCommand command(config.Get());
    EXPECT_FALSE(command.Apply({L"VCSF_Port", L"NoSuch=1", L"VCSF_MCAddress=239.1"}));
    EXPECT_NE(command.Errors().find(L"'VCSF_Port' is not NAME=VALUE"), std::wstring::npos);
    EXPECT_NE(command.Errors().find(L"there is no property 'NoSuch'"), std::wstring::npos);
    EXPECT_NE(command.Errors().find(L"VCSF_MCAddress=239.1: not a dotted IPv4 address"), std::wstring::npos);
}

}  // namespace
