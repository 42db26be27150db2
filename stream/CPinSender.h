#pragma once
// What the send threads of the pins share: a worker thread that sends while it is
// enabled, and the start, pause and stop that the filter drives. The derived class
// starts the thread last in its constructor and stops it first in its destructor,
// so the thread never runs on an object that is half built or half destroyed.
//
// Locking: none of its own. The enabled flag is atomic: the filter's threads set
// it, the send thread reads it at each wake-up.

#include "baseclasses/CWorkerThread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

class CPinSender {
public:
    CPinSender(const CPinSender&) = delete;
    CPinSender& operator=(const CPinSender&) = delete;

    int32_t Start();
    int32_t Pause();
    // Asks the thread to end and returns at once.
    void RequestStop();
    // Ends the thread, which delivers end-of-stream as it goes, and joins it.
    int32_t Stop();
    // False once the thread has ended (asked to, or by itself).
    bool IsRunning() { return m_Thread.IsRunning(); }

protected:
    // pszName names the class in the trace lines.
    CPinSender(const wchar_t* pszName, uint32_t pinType, const CWorkerThread::Policy& policy,
               const CWorkerThread::Lines& lines);
    ~CPinSender() = default;

    bool IsSending() const { return m_bSending != 0; }

    const uint32_t m_nPinType;
    CWorkerThread m_Thread;

private:
    const wchar_t* const m_pszName;
    std::atomic<uint32_t> m_bSending{0};
};
