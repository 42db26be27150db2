#pragma once
// The thread of a push object and its stop event: created at once, ended by the
// event within a bounded wait. The trace lines are the owner's. Every wait of the
// thread watches the stop event, so after the bound the join waits on: a delivery
// that downstream holds up is the one thing the thread can still be in, and that
// ends when the graph stops. No thread is forced to end.

#include <windows.h>

#include <atomic>

class CSendThread {
public:
    struct Lines {
        const wchar_t* pszEventCreateError;  // "%d": the system error
        const wchar_t* pszThreadCreateError;  // "%d": the system error
        const wchar_t* pszStopEventError;    // "%d": the system error
        const wchar_t* pszTimeOut;
    };
    static constexpr DWORD kStopWaitMs = 3000;

    explicit CSendThread(const Lines& lines) : m_Lines(lines) {}
    ~CSendThread();
    CSendThread(const CSendThread&) = delete;
    CSendThread& operator=(const CSendThread&) = delete;

    // S_OK, or the system error as an HRESULT.
    HRESULT Create(unsigned(__stdcall* pEntry)(void*), void* pParam);
    HANDLE StopEvent() const { return m_hStopEvent; }
    // A flag beside the event: the thread looks for every packet, and a zero wait on
    // the event is a kernel call each time (under Wine a server round trip).
    bool IsStopSet() const { return m_bStopSet.load(std::memory_order_acquire); }
    // Sets the stop event and waits for the thread; pszReturned ("%d": the tag) when
    // it ended within the bound. Nothing when there is no thread (any more).
    void Join(const wchar_t* pszReturned, int tag);

private:
    const Lines m_Lines;
    HANDLE m_hThread = nullptr;
    HANDLE m_hStopEvent = nullptr;
    std::atomic<bool> m_bStopSet{false};
};
