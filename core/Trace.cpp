#include "core/Trace.h"

#include "core/CTraceLog.h"
#include "core/CWideFormat.h"

std::atomic<uint8_t> g_bTraceEnable{0};
std::atomic<int32_t> g_nTraceRef{0};
std::atomic<int32_t> g_nSysErrNo{1};

namespace {
CTraceLog& Log()
{
    static CTraceLog log(TraceSink());
    return log;
}
}  // namespace

void g_Trace(int32_t level, const wchar_t* format, ...)
{
    if (level <= 0 || !g_bTraceEnable) return;
    va_list args;
    va_start(args, format);
    Log().Trace(level, format, args);
    va_end(args);
}

void g_ErrorLog(uint8_t bSystem, const wchar_t* /*source*/, const wchar_t* format, ...)
{
    if (!g_bTraceEnable) return;
    wchar_t message[CTraceLog::kErrorLogChars];
    va_list args;
    va_start(args, format);
    CWideFormat::Format(message, CTraceLog::kErrorLogChars, format, args);
    va_end(args);
    g_Trace(bSystem ? 2 : 3, L"%s", message);
}

void g_TraceStart(uint8_t bProtectedMode) { Log().Start(bProtectedMode); }

void g_TraceEnd() { Log().End(); }
