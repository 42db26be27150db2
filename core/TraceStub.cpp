#include "core/Trace.h"

volatile uint8_t g_bTraceEnable = 0;
std::atomic<int32_t> g_nTraceRef{0};
int32_t g_nSysErrNo = 1;
void g_Trace(int32_t, const wchar_t*, ...) {}
void g_ErrorLog(uint8_t, const wchar_t*, const wchar_t*, ...) {}
void g_TraceStart(uint8_t) {}
void g_TraceEnd() {}
