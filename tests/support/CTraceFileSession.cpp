#include "tests/support/CTraceFileSession.h"

#include "core/Trace.h"
#include "trace/CMessageBox.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::vector<CTraceFileSession::Box> g_Boxes;

void CaptureBox(const wchar_t* text, const wchar_t* caption) { g_Boxes.push_back({text, caption}); }

void EndAllTracing()
{
    while (g_nTraceRef > 0) {
        g_bTraceEnable = 1;
        g_TraceEnd();
    }
    g_bTraceEnable = 0;
}

}  // namespace

CTraceFileSession::CTraceFileSession(bool bSettingsFile)
{
    EndAllTracing();
    g_Boxes.clear();
    CMessageBox::SetHook(CaptureBox);
    SHCreateDirectoryExW(nullptr, TraceFolder().c_str(), nullptr);
    DeleteFileW(TraceFilePath().c_str());
    DeleteFileW(SettingsFilePath().c_str());
    if (bSettingsFile) {
        FILE* f = _wfopen(SettingsFilePath().c_str(), L"w");
        EXPECT_NE(f, nullptr);
        if (f) fclose(f);
    }
}

CTraceFileSession::~CTraceFileSession()
{
    EndAllTracing();
    CMessageBox::SetHook(nullptr);
    DeleteFileW(TraceFilePath().c_str());
    DeleteFileW(SettingsFilePath().c_str());
}

std::wstring CTraceFileSession::TraceFolder()
{
    wchar_t common[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, common);
    return std::wstring(common) + L"\\VELMAR\\H264";
}

std::wstring CTraceFileSession::TraceFilePath() { return TraceFolder() + L"\\TraceSF.txt"; }

std::wstring CTraceFileSession::SettingsFilePath() { return TraceFolder() + L"\\VireoCodecMiddle.ini"; }

void CTraceFileSession::SwitchOn(bool bProtectedMode)
{
    if (g_bTraceEnable) return;
    g_bTraceEnable = 1;
    g_TraceStart(bProtectedMode);
}

void CTraceFileSession::SwitchOff()
{
    g_TraceEnd();
    g_bTraceEnable = 0;
}

std::string CTraceFileSession::ReadBytes(const std::wstring& path)
{
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return bytes;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), f)) > 0;) bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

bool CTraceFileSession::Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> CTraceFileSession::Lines(const std::wstring& path)
{
    const std::string bytes = ReadBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t lf; (lf = bytes.find('\n', start)) != std::string::npos; start = lf + 1) {
        EXPECT_TRUE(lf > start && bytes[lf - 1] == '\r') << "a line feed without CR after: " << bytes.substr(start, lf - start);
        lines.push_back(bytes.substr(start, lf > start ? lf - start - 1 : 0));
    }
    EXPECT_EQ(start, bytes.size()) << "the file ends inside a line";
    return lines;
}

const std::vector<CTraceFileSession::Box>& CTraceFileSession::Boxes() const { return g_Boxes; }

bool CTraceFileSession::EndsWith(const std::string& line, const std::string& tail)
{
    return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

int CTraceFileSession::Find(const std::vector<std::string>& lines, const std::string& tail)
{
    for (size_t i = 0; i < lines.size(); i++) {
        if (EndsWith(lines[i], tail)) return static_cast<int>(i);
    }
    return -1;
}
