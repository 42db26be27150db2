#pragma once
// A system error code as an HRESULT: 0x80070000 with the code in the low 16 bits.

#include <windows.h>

inline HRESULT SystemResult(DWORD dwError) { return static_cast<HRESULT>(0x80070000 | (dwError & 0xFFFF)); }
inline HRESULT LastErrorResult() { return SystemResult(GetLastError()); }
