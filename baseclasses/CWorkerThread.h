#pragma once
// The one thread mechanism of the system's workers. Start creates the stop event
// and the thread; Stop asks the thread to end (flag and event), waits a bounded
// time, runs the owner's cancel step for what the thread may still block on (a
// socket, a request, a delivery), and joins. No thread is ever forced to end.
// An exception that reaches the thread's entry is traced and ends the thread.
//
// The trace lines are the owner's: each is a level and a text ("%d": the tag), or
// an error-log source and message when a source is given.
//
// Locking: m_Lock serialises Start, Join and Stop, which two threads may call at
// once (a receiving thread's stop path and the filter's Stop), and guards the
// thread handle. RequestStop takes no lock: it sets the flag and the event, which
// live as long as the object, and so never waits. The cancel step runs under
// m_Lock and must not wait for anything that calls Start, Join or Stop.

#include "core/CritSec.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

class CWorkerThread {
public:
    struct Line {
        int32_t level = 0;
        const wchar_t* text = nullptr;          // none when null
        const wchar_t* errorSource = nullptr;   // to the error log instead of the trace
    };
    struct Lines {
        Line eventCreateError = {};   // "%d": the system error
        Line threadCreateError = {};  // "%d": the system error
        Line priorityError = {};
        Line stopEventError = {};     // "%d": the system error
        Line signalled = {};          // the stop event is set
        Line returned[2] = {};        // the thread ended within that wait
        Line timedOut[2] = {};        // that wait ended first
        Line signalledAgain = {};     // before the second wait
        Line cancelled = {};          // joined after the cancel step
    };
    struct Policy {
        DWORD dwWaitMs;  // each wait; INFINITE for a thread joined without a bound
        int nWaits;      // 1 or 2; the stop event is set again before the second
        int nPriority;   // THREAD_PRIORITY_NORMAL leaves it as created
    };
    using Entry = unsigned (*)(void* pParam);
    using CancelStep = void (*)(void* pParam);

    CWorkerThread(const Policy& policy, const Lines& lines);
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // S_OK, or the system error as an HRESULT. Refused (E_UNEXPECTED) while a thread runs.
    HRESULT Start(Entry pEntry, void* pParam, CancelStep pCancel = nullptr);
    // Sets the flag and the event (the signalled line); Join finishes.
    void RequestStop(int tag = 0);
    // Waits out the policy, cancels when the waits did not see the end, and joins.
    // True when the thread ended within the waits. True at once without a thread.
    bool Join(int tag = 0);
    bool Stop(int tag = 0);

    bool IsRunning();
    // Null only when it could not be created.
    HANDLE StopEvent() const { return m_hStopEvent; }
    // A flag beside the event, for loops that look for every packet: a zero wait on
    // the event is a kernel call each time (under Wine a server round trip).
    bool IsStopSet() const { return m_bStopSet.load(std::memory_order_acquire); }
    // The thread's own handle, for a wait on its end; null when there is none.
    HANDLE Handle() const { return m_hThread; }

    static void Trace(const Line& line, int tag);

private:
    static unsigned __stdcall Trampoline(void* pSelf);
    void Signal();
    bool WaitForEnd(int tag);

    const Policy m_Policy;
    const Lines m_Lines;
    CCritSec m_Lock;
    HANDLE m_hThread = nullptr;
    HANDLE m_hStopEvent;
    std::atomic<bool> m_bStopSet{false};
    Entry m_pEntry = nullptr;
    void* m_pParam = nullptr;
    CancelStep m_pCancel = nullptr;
};
