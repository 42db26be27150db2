#pragma once
// A manual-reset event over a condition variable, for the pool's tests in both builds.

#include "core/IPoolEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

class CTestPoolEvent : public IPoolEvent {
public:
    void Set() override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bSet = true;
        m_Changed.notify_all();
    }
    void Reset() override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bSet = false;
    }
    bool Wait(uint32_t dwMilliseconds) override
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_bWaiting = true;
        m_Changed.notify_all();
        if (dwMilliseconds == kInfinite) {
            m_Changed.wait(lock, [this] { return m_bSet; });
            return true;
        }
        return m_Changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), [this] { return m_bSet; });
    }

    // Returns once a caller waits on the event: its request is queued by then.
    void WaitUntilWaiting()
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Changed.wait(lock, [this] { return m_bWaiting; });
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_bSet = false;
    bool m_bWaiting = false;
};
