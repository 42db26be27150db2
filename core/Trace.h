#pragma once
// The process-wide trace and error log. Levels: 0 suppressed, 1 message,
// 2 numbered system error, 3 user error.
//
// The texts are a contract: hosts and tests match them byte for byte, misspellings
// included ("Notfy", "retrun", "CHTTPClietn", "Susposed"). Leave them as they are.

#include <atomic>
#include <cstdint>

extern std::atomic<uint8_t> g_bTraceEnable;
extern std::atomic<int32_t> g_nTraceRef;
extern std::atomic<int32_t> g_nSysErrNo;

void g_Trace(int32_t level, const wchar_t* format, ...);
void g_ErrorLog(uint8_t bSystem, const wchar_t* source, const wchar_t* format, ...);
void g_TraceStart(uint8_t bProtectedMode);
void g_TraceEnd();
