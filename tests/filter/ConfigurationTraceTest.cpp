// What the configuration interface writes to the trace file: the switch-on through
// VCSF_ProtectedMode, refusals and their lines, and the switch-off by the destructor.

#include "core/Trace.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CTraceFileSession.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// "このIDは定義されていません" in code page 932.
const char kUnknownIdCp932[] =
    "\x82\xb1\x82\xcc" "ID" "\x82\xcd\x92\xe8\x8b\x60\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";

VARIANT Flag(uint16_t raw)
{
    VARIANT v = {};
    v.uiVal = raw;
    return v;
}

constexpr auto EndsWith = CTraceFileSession::EndsWith;
constexpr auto Find = CTraceFileSession::Find;

class ConfigurationTraceTest : public CConfiguredFilterTest {
protected:
    CTraceFileSession session;
};

TEST_F(ConfigurationTraceTest, RefusalsWriteTheirLinesAndTheDestructorEndsTheLog)
{
    ASSERT_EQ(Set(VCSF_ProtectedMode, Flag(0)), S_OK);
    ASSERT_EQ(g_bTraceEnable, 1);
    const int32_t first = g_nSysErrNo;
    EXPECT_EQ(Set(HVSF_Rec, Flag(0)), S_OK);  // already off
    VARIANT v = {};
    EXPECT_EQ(config->SetValue(IID_IUnknown, &v), E_NOTIMPL);
    Run();
    EXPECT_EQ(Set(VCSF_Port, Flag(0x1234)), VFW_E_NOT_STOPPED);
    ReleaseFilter();  // the destructor ends the log
    EXPECT_EQ(g_bTraceEnable, 0);

    const std::vector<std::string> lines = session.TraceLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(EndsWith(lines[0], "/SF/[Msg] : Trace file open."));
    EXPECT_TRUE(EndsWith(lines[1], "/SF/[Msg] : Trace log(1) Start."));
    const int already = Find(lines, "/SF/[Msg] : HVSF_Rec receive but already mode changed!");
    const int unknown = Find(lines, "/SF/[System Error] " + std::to_string(first) + ": " + kUnknownIdCp932);
    const int running = Find(lines, "/SF/[User]: CVCodecSourceFilter::SetValue: Filter state is not stop.");
    EXPECT_GE(already, 2);
    EXPECT_GT(unknown, already);
    EXPECT_GT(running, unknown);
    EXPECT_TRUE(EndsWith(lines.back(), "/SF/[Msg] : Trace log(1) end."));
    for (const std::string& line : lines) EXPECT_EQ(line.find("ConfProcedure: This is"), std::string::npos);
}

// Tracing already on: a second filter's switch-on changes nothing, and the first
// filter destroyed ends the log for both.
TEST_F(ConfigurationTraceTest, TheFirstFilterDestroyedEndsTheLogForAll)
{
    ASSERT_EQ(Set(VCSF_ProtectedMode, Flag(0)), S_OK);
    HRESULT hr = S_OK;
    ComPtr<CVCodecSourceFilter> second = static_cast<CVCodecSourceFilter*>(CVCodecSourceFilter::CreateInstance(nullptr, &hr));
    ComPtr<IVLMVCConfigure3> secondConfig;
    ASSERT_HRESULT_SUCCEEDED(second.As(&secondConfig));
    VARIANT on = Flag(0xFFFF);
    EXPECT_EQ(secondConfig->SetValue(VCSF_ProtectedMode, &on), S_OK);
    EXPECT_EQ(g_nTraceRef, 1);
    secondConfig.Reset();
    second.Reset();
    EXPECT_EQ(g_bTraceEnable, 0);
    EXPECT_EQ(g_nTraceRef, 0);
    ReleaseFilter();  // the destructor ends the log
    const std::vector<std::string> lines = session.TraceLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return EndsWith(l, "Start."); }), 1);
}

}  // namespace
