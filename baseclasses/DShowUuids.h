#pragma once
// Interfaces of the system's headers that MinGW-w64 gives no __uuidof, so that
// ComPtr::As and IID_PPV_ARGS work with them.

#include <control.h>

__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
