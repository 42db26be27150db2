#pragma once
// What a process holds, as the system lists it: handles, threads and the commit
// charge, for tests that check that cycles leave nothing behind.

#include "tests/support/ComTestUtil.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <string>

struct ProcessResources {
    ULONG handles = 0;
    DWORD threads = 0;
    size_t privateBytes = 0;  // the commit charge: the process's private memory
};

// The handle count as the system's process list reports it (GetProcessHandleCount
// answers a constant under some emulations).
inline ULONG HandleCount()
{
    ULONG size = 1 << 20;
    std::string buffer(size, '\0');
    while (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), size, &size) != 0) buffer.resize(size *= 2);
    for (size_t offset = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<uintptr_t>(p->UniqueProcessId) == GetCurrentProcessId()) return p->HandleCount;
        if (!p->NextEntryOffset) return 0;
        offset += p->NextEntryOffset;
    }
}

inline ProcessResources Measure()
{
    ProcessResources r;
    r.handles = HandleCount();
    r.threads = ThreadCount();
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    r.privateBytes = memory.PagefileUsage;
    return r;
}
