#pragma once
// Small helpers for tests that talk to COM objects and filter graphs.

#include "baseclasses/DShowUuids.h"

#include <windows.h>
#include <dshow.h>
#include <tlhelp32.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

// The reference count an object reports, without changing it.
inline ULONG RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

// True when QueryInterface for riid succeeds; the interface is released again.
inline bool Supports(IUnknown* p, REFIID riid)
{
    IUnknown* pOut = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(1));
    HRESULT hr = p->QueryInterface(riid, reinterpret_cast<void**>(&pOut));
    if (FAILED(hr)) return false;
    pOut->Release();
    return true;
}

// Bounded: false when the condition did not hold within ten seconds.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        SwitchToThread();
    }
    return true;
}

// The threads of this process, as the system lists them.
inline DWORD ThreadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) count++;
    }
    CloseHandle(snapshot);
    return count;
}

// Discards the host events already queued.
inline void DrainEvents(IMediaEventEx* pEvents)
{
    long code = 0;
    LONG_PTR a = 0, b = 0;
    while (SUCCEEDED(pEvents->GetEvent(&code, &a, &b, 0))) pEvents->FreeEventParams(code, a, b);
}

// Reads host events until `wanted` arrives or 10 s have passed. Wine's event queue
// at times answers E_ABORT at once while an event is being queued: read again then.
inline bool WaitForEvent(IMediaEventEx* pEvents, long wanted, LONG_PTR* p1 = nullptr, LONG_PTR* p2 = nullptr)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        long code = 0;
        LONG_PTR a = 0, b = 0;
        if (FAILED(pEvents->GetEvent(&code, &a, &b, static_cast<long>(deadline - now)))) continue;
        pEvents->FreeEventParams(code, a, b);
        if (code != wanted) continue;
        if (p1) *p1 = a;
        if (p2) *p2 = b;
        return true;
    }
    return false;
}
