#pragma once
// What the HTTP camera's connection threads and its main loop share, under one
// lock: the stop requests, the open live streams, the end of the run and the
// totals. A stop request or a stream's end also wakes the main loop through a pipe.

#include "tools/camera/CPacer.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

struct LiveTotals {
    uint64_t units = 0;
    uint64_t records = 0;
    uint64_t bytes = 0;
};

class CLiveControl {
public:
    CLiveControl();
    ~CLiveControl();
    CLiveControl(const CLiveControl&) = delete;
    CLiveControl& operator=(const CLiveControl&) = delete;

    bool Ready() const { return m_hWake[0] >= 0; }
    int WakeFd() const { return m_hWake[0]; }
    void Drain();

    // Connection threads.
    void Requested();
    void Stop();
    // The stop count when a stream opens: a later stop request ends it.
    uint64_t Open();
    void Close(const LiveTotals& totals);
    // Waits until `until`; the reason a stream opened at `generation` ends, or nullptr.
    const char* WaitUntil(Clock::time_point until, uint64_t generation);
    bool Ending();

    // The main loop.
    void End();
    uint64_t Stops();
    // When the camera last had something to do; now while a stream is open.
    Clock::time_point IdleSince();
    LiveTotals Totals();

private:
    void Wake();

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    int m_hWake[2] = {-1, -1};
    uint64_t m_qwStops = 0;
    uint32_t m_dwOpen = 0;
    bool m_bEnding = false;
    Clock::time_point m_LastActivity = Clock::now();
    LiveTotals m_Totals;
};
