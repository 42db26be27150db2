// What a pause that cannot start its transport writes to the trace file.

#include "core/Trace.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CTraceFileSession.h"

#include <gtest/gtest.h>

namespace {

// "認識されないプロトコルです。" in code page 932.
const char kUnknownProtocolCp932[] =
    "\x94\x46\x8e\xaf\x82\xb3\x82\xea\x82\xc8\x82\xa2\x83\x76\x83\x8d\x83\x67\x83\x52\x83\x8b\x82\xc5\x82\xb7\x81\x42";

class LifecycleTraceTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        VARIANT off = {};
        ASSERT_EQ(Set(VCSF_ProtectedMode, off), S_OK);
    }

    void SetComType(uint16_t type)
    {
        VARIANT v = {};
        v.uiVal = type;
        ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
    }

    // The log ends with the filter, so that every line is in the file.
    std::vector<std::string> FinalLines()
    {
        ReleaseFilter();
        return session.TraceLines();
    }

    CTraceFileSession session;
};

TEST_F(LifecycleTraceTest, AnUnknownProtocolIsASystemError)
{
    SetComType(3);
    const int32_t number = g_nSysErrNo;
    EXPECT_EQ(filter->Pause(), E_NOTIMPL);
    EXPECT_TRUE(filter->IsStopped());
    const std::vector<std::string> lines = FinalLines();
    EXPECT_GE(CTraceFileSession::Find(lines, "/SF/[System Error] " + std::to_string(number) + ": " + kUnknownProtocolCp932), 0);
}

// The parser is there from the start; the recording thread comes with the first data.
TEST_F(LifecycleTraceTest, WithRecordingOnTheStartCreatesTheParserAndFirstDataTheRecordingThread)
{
    VARIANT on = {};
    on.uiVal = 0xFFFF;
    ASSERT_EQ(Set(HVSF_Rec, on), S_OK);
    Run();
    EXPECT_TRUE(CFilterTestPeer::HasParser(filter.Get()));
    EXPECT_TRUE(WaitUntil([&] { return CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kRecording); }));
    StopGraph();
    EXPECT_FALSE(CFilterTestPeer::HasParser(filter.Get()));
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kRecording));
    const std::vector<std::string> lines = FinalLines();
    EXPECT_GE(CTraceFileSession::Find(lines, "Reference time set to 0"), 0);  // the recording thread's time step
}

}  // namespace
