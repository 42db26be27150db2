#pragma once
// Placeholder until the trace log lands: the calls the system makes, doing nothing.

#include <atomic>
#include <cstdint>

extern volatile uint8_t g_bTraceEnable;
extern std::atomic<int32_t> g_nTraceRef;
extern int32_t g_nSysErrNo;
void g_Trace(int32_t level, const wchar_t* format, ...);
void g_ErrorLog(uint8_t bSystem, const wchar_t* source, const wchar_t* format, ...);
void g_TraceStart(uint8_t bProtectedMode);
void g_TraceEnd();
