#include "core/CTraceLog.h"

#include "core/CWideFormat.h"
#include "core/Trace.h"

namespace {
const wchar_t kWriteError[] = L"Error log write error.";
const wchar_t kWriteCaption[] = L"VireoCodecSourceFilter - g_Trace()";
const wchar_t kTempError[] = L"Get Temporary folder error.";
const wchar_t kTempCaption[] = L"VCodecSourceFilter - g_TraceStart()";
const wchar_t kOpenError[] = L"Trace log file open error!";
const wchar_t kOpenCaption[] = L"VireoCodecSourceFilter - g_TraceStart()";
const wchar_t kCloseError[] = L"Trace log file close error!";
const wchar_t kCloseCaption[] = L"VireoCodecSourceFilter - g_TraceEnd()";
}  // namespace

void CTraceLog::Trace(int32_t level, const wchar_t* format, va_list args)
{
    if (level <= 0 || !g_bTraceEnable) return;
    wchar_t message[kMessageChars];
    CWideFormat::Format(message, kMessageChars, format, args);
    wchar_t line[kLineChars];
    FormatLine(line, level, message);

    bool bFailed = false;
    {
        CAutoLock lock(&m_Lock);
        if (g_bTraceEnable && m_bOpen) {
            bFailed = !m_Sink.WriteLine(line);
            m_Sink.Flush();
        }
    }
    // Shown outside the lock: a box waiting for a click must not stop other threads.
    if (bFailed) m_Sink.ShowMessage(kWriteError, kWriteCaption);
    m_Sink.DebugOutput(line);
}

void CTraceLog::TraceLiteral(int32_t level, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    Trace(level, format, args);
    va_end(args);
}

// A line too long for its buffer is cut, and still ends with its line feed.
void CTraceLog::FormatLine(wchar_t* line, int32_t level, const wchar_t* message)
{
    const TraceTime t = m_Sink.LocalTime();
    size_t length;
    if (level == 2) {
        length = CWideFormat::Print(line, kLineChars, L"%04u/%02u/%02u %02u:%02u:%02u /SF/[System Error] %d: %s\n",
                                    t.usYear, t.usMonth, t.usDay, t.usHour, t.usMinute, t.usSecond,
                                    g_nSysErrNo.fetch_add(1), message);
    } else if (level == 3) {
        length = CWideFormat::Print(line, kLineChars, L"%04u/%02u/%02u %02u:%02u:%02u /SF/[User]: %s\n",
                                    t.usYear, t.usMonth, t.usDay, t.usHour, t.usMinute, t.usSecond, message);
    } else {
        length = CWideFormat::Print(line, kLineChars, L"%04u/%02u/%02u %02u:%02u:%02u.%03u /SF/[Msg] : %s\n",
                                    t.usYear, t.usMonth, t.usDay, t.usHour, t.usMinute, t.usSecond,
                                    t.usMilliseconds, message);
    }
    if (length >= kLineChars) line[kLineChars - 2] = L'\n';
}

bool CTraceLog::OpenFile(uint8_t bProtectedMode)
{
    switch (m_Sink.OpenTraceFile(bProtectedMode != 0)) {
    case TraceOpenResult::Opened:
        m_bOpen = true;
        return true;
    case TraceOpenResult::TempFolderError:
        m_Sink.ShowMessage(kTempError, kTempCaption);
        return false;
    case TraceOpenResult::OpenError:
        m_Sink.ShowMessage(kOpenError, kOpenCaption);
        return false;
    }
    return false;
}

// Start and End hold the lock throughout, so that two hosts switching on at once
// open the file once, and no line is written while it closes.
void CTraceLog::Start(uint8_t bProtectedMode)
{
    if (!g_bTraceEnable) return;
    CAutoLock lock(&m_Lock);
    if (!m_Sink.SettingsFilePresent()) {
        g_bTraceEnable = 0;
        return;
    }
    if (g_nTraceRef == 0) {
        if (!OpenFile(bProtectedMode)) return;
        TraceLiteral(1, L"Trace file open.");
    }
    const int32_t count = ++g_nTraceRef;
    TraceLiteral(1, L"Trace log(%d) Start.", count);
}

void CTraceLog::End()
{
    if (!g_bTraceEnable) return;
    bool bCloseFailed = false;
    {
        CAutoLock lock(&m_Lock);
        TraceLiteral(1, L"Trace log(%d) end.", g_nTraceRef.load());
        // After a failed open the count is 0: lowering it would leave the log
        // unable to open again.
        if (g_nTraceRef <= 0) return;
        if (--g_nTraceRef == 0) {
            m_bOpen = false;
            bCloseFailed = !m_Sink.CloseTraceFile();
        }
    }
    if (bCloseFailed) m_Sink.ShowMessage(kCloseError, kCloseCaption);
}
