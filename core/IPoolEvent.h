#pragma once
// The event a caller of the buffer pool waits on for a buffer: a Win32 manual-reset
// event on Windows, a condition variable in the native tests.

#include <cstdint>

class IPoolEvent {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    virtual void Set() = 0;
    virtual void Reset() = 0;
    // True when the event was set, false when the time-out passed first.
    virtual bool Wait(uint32_t dwMilliseconds) = 0;

protected:
    ~IPoolEvent() = default;
};
