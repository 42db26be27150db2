#include "tools/camera/CLiveControl.h"

#include <fcntl.h>
#include <unistd.h>

CLiveControl::CLiveControl()
{
    if (pipe2(m_hWake, O_NONBLOCK | O_CLOEXEC) != 0) m_hWake[0] = m_hWake[1] = -1;
}

CLiveControl::~CLiveControl()
{
    for (int fd : m_hWake)
        if (fd >= 0) close(fd);
}

void CLiveControl::Wake()
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(m_hWake[1], &byte, 1);  // a full pipe wakes as well
}

void CLiveControl::Drain()
{
    char buffer[64];
    while (read(m_hWake[0], buffer, sizeof(buffer)) > 0) {
    }
}

void CLiveControl::Requested()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_LastActivity = Clock::now();
}

void CLiveControl::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_qwStops++;
    }
    m_Changed.notify_all();
    Wake();
}

uint64_t CLiveControl::Open()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_dwOpen++;
    return m_qwStops;
}

void CLiveControl::Close(const LiveTotals& totals)
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_dwOpen--;
        m_LastActivity = Clock::now();
        m_Totals.units += totals.units;
        m_Totals.records += totals.records;
        m_Totals.bytes += totals.bytes;
    }
    Wake();
}

const char* CLiveControl::WaitUntil(Clock::time_point until, uint64_t generation)
{
    std::unique_lock<std::mutex> lock(m_Lock);
    m_Changed.wait_until(lock, until, [&] { return m_bEnding || m_qwStops != generation; });
    if (m_qwStops != generation) return "stop-request";  // the last stop request also ends the run
    return m_bEnding ? "run-end" : nullptr;
}

bool CLiveControl::Ending()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_bEnding;
}

void CLiveControl::End()
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_bEnding = true;
    }
    m_Changed.notify_all();
}

uint64_t CLiveControl::Stops()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_qwStops;
}

Clock::time_point CLiveControl::IdleSince()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_dwOpen ? Clock::now() : m_LastActivity;
}

LiveTotals CLiveControl::Totals()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Totals;
}
