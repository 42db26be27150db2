// The trace log through its real file in the prefix's common program-files folder.
#include "core/Trace.h"
#include "tests/support/CTraceFileSession.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <thread>
#include <vector>

namespace {

const std::string kDate = R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})";
const std::string kMsgHead = kDate + R"(\.\d{3} /SF/\[Msg\] : )";

// The line is the pattern `head` followed by exactly `text`.
bool IsLine(const std::string& line, const std::string& head, const std::string& text)
{
    if (line.size() < text.size() || line.compare(line.size() - text.size(), text.size(), text) != 0) return false;
    return std::regex_match(line.substr(0, line.size() - text.size()), std::regex(head));
}

bool IsMsg(const std::string& line, const std::string& text) { return IsLine(line, kMsgHead, text); }

bool IsSystemError(const std::string& line, int32_t number, const std::string& text)
{
    return IsLine(line, kDate + R"( /SF/\[System Error\] )" + std::to_string(number) + ": ", text);
}

bool IsUser(const std::string& line, const std::string& text)
{
    return IsLine(line, kDate + R"( /SF/\[User\]: )", text);
}

// "このIDは定義されていません" in code page 932.
const std::string kJapaneseCp932 =
    "\x82\xb1\x82\xcc" "ID" "\x82\xcd\x92\xe8\x8b\x60\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";

void WriteFile(const std::wstring& path, const char* bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fputs(bytes, f);
    fclose(f);
}

// Points the temporary folder of this process at a folder of the test's own.
class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_Saved = base;
        m_Path = m_Saved + L"vcsf-trace-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_Path.c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", m_Path.c_str());
    }
    ~TempFolder()
    {
        DeleteFileW(File().c_str());
        RemoveDirectoryW(File().c_str());
        RemoveDirectoryW(m_Path.c_str());
        SetEnvironmentVariableW(L"TMP", m_Saved.c_str());
    }
    std::wstring File() const { return m_Path + L"\\TraceSF.txt"; }

private:
    std::wstring m_Saved, m_Path;
};

TEST(CTraceFileTest, LinesHaveTheirExactFormsInCodePage932WithCrLf)
{
    CTraceFileSession session;
    CTraceFileSession::SwitchOn();
    const int32_t first = g_nSysErrNo;
    g_Trace(0, L"suppressed");
    g_Trace(1, L"port %u, %s", 34341u, L"ok");
    g_ErrorLog(1, L"CVCodecSourceFilter::ConfProcedure", L"このIDは定義されていません");
    g_ErrorLog(1, L"CNetCmd::SendReq", L"error %d", 10054);
    g_ErrorLog(0, L"CVCodecSourceFilter::SetValue", L"CVCodecSourceFilter::SetValue: Filter state is not stop.");
    CTraceFileSession::SwitchOff();

    const std::vector<std::string> lines = session.TraceLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(IsMsg(lines[0], "Trace file open.")) << lines[0];
    EXPECT_TRUE(IsMsg(lines[1], "Trace log(1) Start.")) << lines[1];
    EXPECT_TRUE(IsMsg(lines[2], "port 34341, ok")) << lines[2];
    EXPECT_TRUE(IsSystemError(lines[3], first, kJapaneseCp932)) << lines[3];
    EXPECT_TRUE(IsSystemError(lines[4], first + 1, "error 10054")) << lines[4];
    EXPECT_TRUE(IsUser(lines[5], "CVCodecSourceFilter::SetValue: Filter state is not stop.")) << lines[5];
    EXPECT_TRUE(IsMsg(lines[6], "Trace log(1) end.")) << lines[6];
    EXPECT_TRUE(session.Boxes().empty());
}

TEST(CTraceFileTest, AnExistingFileIsAppendedToAndReopenedAfterAClose)
{
    CTraceFileSession session;
    WriteFile(CTraceFileSession::TraceFilePath(), "earlier line\r\n");
    CTraceFileSession::SwitchOn();
    CTraceFileSession::SwitchOff();
    CTraceFileSession::SwitchOn();
    g_Trace(1, L"second session");
    CTraceFileSession::SwitchOff();

    const std::vector<std::string> lines = session.TraceLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "earlier line");
    EXPECT_TRUE(IsMsg(lines[4], "Trace file open.")) << lines[4];
    EXPECT_TRUE(IsMsg(lines[6], "second session")) << lines[6];
}

TEST(CTraceFileTest, WithoutTheSettingsFileTracingStaysOffAndNoFileIsMade)
{
    CTraceFileSession session(false);
    CTraceFileSession::SwitchOn();
    EXPECT_EQ(g_bTraceEnable, 0);
    g_Trace(1, L"nothing");
    EXPECT_FALSE(CTraceFileSession::Exists(CTraceFileSession::TraceFilePath()));
    EXPECT_TRUE(session.Boxes().empty());
}

TEST(CTraceFileTest, ProtectedModeWritesStraightIntoTheTemporaryFolder)
{
    CTraceFileSession session;
    TempFolder temp;
    CTraceFileSession::SwitchOn(true);
    g_Trace(1, L"protected");
    CTraceFileSession::SwitchOff();

    EXPECT_FALSE(CTraceFileSession::Exists(CTraceFileSession::TraceFilePath()));
    const std::vector<std::string> lines = CTraceFileSession::Lines(temp.File());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(IsMsg(lines[2], "protected")) << lines[2];
}

TEST(CTraceFileTest, AFileThatCannotBeOpenedShowsItsBoxAndWritesNothing)
{
    CTraceFileSession session;
    TempFolder temp;
    ASSERT_TRUE(CreateDirectoryW(temp.File().c_str(), nullptr));  // a folder where the file should be
    CTraceFileSession::SwitchOn(true);
    g_Trace(1, L"to no stream");
    EXPECT_EQ(g_bTraceEnable, 1);
    EXPECT_EQ(g_nTraceRef, 0);
    CTraceFileSession::SwitchOff();

    ASSERT_EQ(session.Boxes().size(), 1u);
    EXPECT_EQ(session.Boxes()[0].text, L"Trace log file open error!");
    EXPECT_EQ(session.Boxes()[0].caption, L"VireoCodecSourceFilter - g_TraceStart()");
}

// Worker threads keep tracing while the host closes the log: every line in the file
// is whole, and the close does not crash under them.
TEST(CTraceFileTest, ThreadsTracingDuringTheFinalCloseLeaveWholeLines)
{
    CTraceFileSession session;
    for (int round = 0; round < 5; round++) {
        CTraceFileSession::SwitchOn();
        std::vector<std::thread> tracers;
        volatile bool bClosed = false;
        for (int t = 0; t < 3; t++) {
            tracers.emplace_back([&bClosed, t] {
                for (int i = 0; !bClosed || i < 30; i++) g_Trace(1, L"thread %d line %d", t, i);
            });
        }
        CTraceFileSession::SwitchOff();
        bClosed = true;
        for (std::thread& t : tracers) t.join();
    }
    for (const std::string& line : session.TraceLines()) {
        EXPECT_TRUE(IsLine(line, kMsgHead + R"((thread \d line \d+|Trace .*))", "")) << line;
    }
}

}  // namespace
