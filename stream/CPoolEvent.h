#pragma once
// A Win32 manual-reset event as the buffer pool's waiting event.

#include "core/IPoolEvent.h"

#include <windows.h>

class CPoolEvent : public IPoolEvent {
public:
    // The event is borrowed: the receiver owns it and also waits on it with others.
    explicit CPoolEvent(HANDLE hEvent) : m_hEvent(hEvent) {}

    void Set() override { SetEvent(m_hEvent); }
    void Reset() override { ResetEvent(m_hEvent); }
    bool Wait(uint32_t dwMilliseconds) override { return WaitForSingleObject(m_hEvent, dwMilliseconds) == WAIT_OBJECT_0; }
    HANDLE Handle() const { return m_hEvent; }

private:
    HANDLE m_hEvent;
};
