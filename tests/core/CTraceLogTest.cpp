// The trace log's algorithm over the native capturing sink.
#include "core/CTraceCapture.h"
#include "core/CTraceLog.h"
#include "core/Trace.h"
#include "tests/core/CTraceCaptureScope.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const TraceTime kTime{2026, 3, 4, 5, 6, 7, 8};

class CTraceLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CTraceCaptureScope::EndAll();
        TraceCapture().SetFixedTime(kTime);
    }
    void TearDown() override { CTraceCaptureScope::EndAll(); }

    // The filter's switch-on: the switch first, then the start.
    static void SwitchOn(uint8_t bProtectedMode = 0)
    {
        g_bTraceEnable = 1;
        g_TraceStart(bProtectedMode);
    }
    static void SwitchOff()
    {
        g_TraceEnd();
        g_bTraceEnable = 0;
    }
    static std::wstring Msg(const std::wstring& text) { return L"2026/03/04 05:06:07.008 /SF/[Msg] : " + text + L"\n"; }
};

TEST_F(CTraceLogTest, TheThreeLineFormsAndTheLifecycleLines)
{
    TraceCapture().SetSettingsFilePresent(true);
    SwitchOn();
    const int32_t first = g_nSysErrNo;
    g_Trace(0, L"suppressed");
    g_Trace(1, L"value %d of %s", 5, L"five");
    g_Trace(2, L"Cannot create CPushData!!!");
    g_Trace(3, L"CVCodecSourceFilter::SetValue: Filter state is not stop.");
    g_Trace(7, L"any other level is a message");
    SwitchOff();

    const std::vector<std::wstring> expected = {
        Msg(L"Trace file open."),
        Msg(L"Trace log(1) Start."),
        Msg(L"value 5 of five"),
        L"2026/03/04 05:06:07 /SF/[System Error] " + std::to_wstring(first) + L": Cannot create CPushData!!!\n",
        L"2026/03/04 05:06:07 /SF/[User]: CVCodecSourceFilter::SetValue: Filter state is not stop.\n",
        Msg(L"any other level is a message"),
        Msg(L"Trace log(1) end."),
    };
    EXPECT_EQ(TraceCapture().FileLines(), expected);
    EXPECT_EQ(TraceCapture().DebugLines(), expected);
    EXPECT_FALSE(TraceCapture().IsOpen());
    EXPECT_EQ(g_nTraceRef, 0);
}

TEST_F(CTraceLogTest, SystemErrorsAreNumberedInSequenceAcrossCloseAndReopen)
{
    TraceCapture().SetSettingsFilePresent(true);
    SwitchOn();
    const int32_t first = g_nSysErrNo;
    g_ErrorLog(1, L"CBufferPool()", L"first %d", 1);
    g_ErrorLog(1, L"CBufferPool()", L"second");
    SwitchOff();
    SwitchOn();
    g_ErrorLog(1, L"InitRecvThread", L"third");
    g_ErrorLog(0, L"CNetCmd::SendReq", L"by the %s", L"user");
    SwitchOff();

    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    auto numbered = [](int32_t n, const wchar_t* text) {
        return L"2026/03/04 05:06:07 /SF/[System Error] " + std::to_wstring(n) + L": " + text + L"\n";
    };
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[2], numbered(first, L"first 1"));
    EXPECT_EQ(lines[3], numbered(first + 1, L"second"));
    EXPECT_EQ(lines[7], numbered(first + 2, L"third"));
    EXPECT_EQ(lines[8], L"2026/03/04 05:06:07 /SF/[User]: by the user\n");
    for (const std::wstring& line : lines) EXPECT_EQ(line.find(L"CBufferPool"), std::wstring::npos);
    EXPECT_EQ(TraceCapture().OpenCount(), 2);
}

TEST_F(CTraceLogTest, ALaterStartOnlyCountsAndTheLastEndCloses)
{
    TraceCapture().SetSettingsFilePresent(true);
    SwitchOn(1);
    g_TraceStart(0);
    EXPECT_TRUE(TraceCapture().LastOpenProtected());
    EXPECT_EQ(TraceCapture().OpenCount(), 1);
    g_TraceEnd();
    EXPECT_TRUE(TraceCapture().IsOpen());
    g_TraceEnd();
    EXPECT_FALSE(TraceCapture().IsOpen());
    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], Msg(L"Trace log(2) Start."));
    EXPECT_EQ(lines[3], Msg(L"Trace log(2) end."));
    EXPECT_EQ(lines[4], Msg(L"Trace log(1) end."));
}

TEST_F(CTraceLogTest, LongTextsAreCutToTheirBuffersAndKeepTheLineFeed)
{
    TraceCapture().SetSettingsFilePresent(true);
    SwitchOn();
    const std::wstring huge(2000, L'x');
    g_Trace(1, L"%s", huge.c_str());
    g_ErrorLog(0, L"source", L"%s", huge.c_str());
    SwitchOff();

    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].size(), CTraceLog::kLineChars - 1);
    EXPECT_EQ(lines[2].back(), L'\n');
    const std::wstring head = L"2026/03/04 05:06:07.008 /SF/[Msg] : xxx";
    EXPECT_EQ(lines[2].compare(0, head.size(), head), 0);
    const std::wstring user = L"2026/03/04 05:06:07 /SF/[User]: ";
    EXPECT_EQ(lines[3], user + std::wstring(CTraceLog::kErrorLogChars - 1, L'x') + L"\n");
}

TEST_F(CTraceLogTest, FailedOpensShowTheirBoxAndLeaveTheCountAtZero)
{
    TraceCapture().SetSettingsFilePresent(true);
    TraceCapture().SetOpenResult(TraceOpenResult::TempFolderError);
    SwitchOn(1);
    TraceCapture().SetOpenResult(TraceOpenResult::OpenError);
    g_Trace(1, L"goes to the debugger only");
    SwitchOff();
    SwitchOn();
    SwitchOff();

    const std::vector<CTraceCapture::Box> boxes = TraceCapture().Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Get Temporary folder error.");
    EXPECT_EQ(boxes[0].caption, L"VCodecSourceFilter - g_TraceStart()");
    EXPECT_EQ(boxes[1].text, L"Trace log file open error!");
    EXPECT_EQ(boxes[1].caption, L"VireoCodecSourceFilter - g_TraceStart()");
    EXPECT_EQ(TraceCapture().WritesWhileClosed(), 0);
    EXPECT_TRUE(TraceCapture().FileLines().empty());
    EXPECT_EQ(TraceCapture().DebugLines().front(), Msg(L"goes to the debugger only"));
    EXPECT_EQ(g_nTraceRef, 0);

    // The failed opens did not spoil the count: a working open follows as the first.
    TraceCapture().SetOpenResult(TraceOpenResult::Opened);
    SwitchOn();
    SwitchOff();
    EXPECT_EQ(TraceCapture().FileLines().at(1), Msg(L"Trace log(1) Start."));
}

TEST_F(CTraceLogTest, AFailedWriteShowsABoxPerLineAndStillReachesTheDebugger)
{
    TraceCapture().SetSettingsFilePresent(true);
    SwitchOn();
    TraceCapture().SetWriteFails(true);
    g_Trace(1, L"one");
    g_Trace(3, L"two");
    const std::vector<CTraceCapture::Box> boxes = TraceCapture().Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, L"Error log write error.");
    EXPECT_EQ(boxes[1].caption, L"VireoCodecSourceFilter - g_Trace()");
    EXPECT_EQ(TraceCapture().DebugLines().back(), L"2026/03/04 05:06:07 /SF/[User]: two\n");
}

// Threads keep tracing while the last user closes the file: no line may reach the
// closed stream, and each line is whole.
TEST_F(CTraceLogTest, NoWriteReachesTheStreamWhileItClosesUnderOtherThreads)
{
    TraceCapture().SetSettingsFilePresent(true);
    for (int round = 0; round < 20; round++) {
        SwitchOn();
        std::atomic<bool> closed{false};
        std::vector<std::thread> tracers;
        for (int t = 0; t < 3; t++) {
            tracers.emplace_back([&closed, t] {
                for (int i = 0; !closed || i < 50; i++) g_Trace(1 + i % 3, L"thread %d line %d", t, i);
            });
        }
        SwitchOff();
        closed = true;
        for (std::thread& t : tracers) t.join();
    }
    EXPECT_EQ(TraceCapture().WritesWhileClosed(), 0);
    EXPECT_EQ(TraceCapture().OpenCount(), 20);
    for (const std::wstring& line : TraceCapture().FileLines()) EXPECT_EQ(line.back(), L'\n');
}

}  // namespace
