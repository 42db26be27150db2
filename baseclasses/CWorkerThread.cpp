#include "baseclasses/CWorkerThread.h"

#include "core/Trace.h"

#include <process.h>

#include <exception>
#include <new>

namespace {

constexpr unsigned kExitException = 0xE0;

HRESULT TraceLastError(const CWorkerThread::Line& line)
{
    const DWORD error = GetLastError();
    CWorkerThread::Trace(line, static_cast<int32_t>(error));
    return HRESULT_FROM_WIN32(error);
}

}  // namespace

// The event exists from construction on, for owners that hand it on before the
// start; one that could not be created is tried again, and reported, by Start.
CWorkerThread::CWorkerThread(const Policy& policy, const Lines& lines)
    : m_Policy(policy), m_Lines(lines), m_hStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CWorkerThread::~CWorkerThread()
{
    Stop();
    if (m_hStopEvent) CloseHandle(m_hStopEvent);
}

void CWorkerThread::Trace(const Line& line, int tag)
{
    if (!line.text) return;
    if (line.errorSource) g_ErrorLog(1, line.errorSource, line.text, tag);
    else g_Trace(line.level, line.text, tag);
}

HRESULT CWorkerThread::Start(Entry pEntry, void* pParam, CancelStep pCancel)
{
    CAutoLock lock(&m_Lock);
    if (m_hThread) return E_UNEXPECTED;
    if (!m_hStopEvent) m_hStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStopEvent) return TraceLastError(m_Lines.eventCreateError);
    ResetEvent(m_hStopEvent);
    m_bStopSet = false;
    m_pEntry = pEntry;
    m_pParam = pParam;
    m_pCancel = pCancel;
    m_hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Trampoline, this, 0, nullptr));
    if (!m_hThread) return TraceLastError(m_Lines.threadCreateError);
    if (m_Policy.nPriority != THREAD_PRIORITY_NORMAL && !SetThreadPriority(m_hThread, m_Policy.nPriority))
        Trace(m_Lines.priorityError, 0);
    return S_OK;
}

// Nothing may leave a thread's entry: the thread ends, and its owner's stop joins it.
unsigned __stdcall CWorkerThread::Trampoline(void* pSelf)
{
    auto* self = static_cast<CWorkerThread*>(pSelf);
    try {
        return self->m_pEntry(self->m_pParam);
    } catch (const std::bad_alloc&) {
        g_ErrorLog(1, L"CWorkerThread", L"out of memory: the thread ends.");
    } catch (...) {
        g_ErrorLog(1, L"CWorkerThread", L"unexpected exception: the thread ends.");
    }
    return kExitException;
}

void CWorkerThread::Signal()
{
    m_bStopSet.store(true, std::memory_order_release);
    if (m_hStopEvent && !SetEvent(m_hStopEvent)) Trace(m_Lines.stopEventError, static_cast<int32_t>(GetLastError()));
}

// Without the lock: a request never waits, not even for a join under way.
void CWorkerThread::RequestStop(int tag)
{
    Signal();
    Trace(m_Lines.signalled, tag);
}

bool CWorkerThread::Stop(int tag)
{
    CAutoLock lock(&m_Lock);
    if (!m_hThread) return true;
    RequestStop(tag);
    return Join(tag);
}

bool CWorkerThread::Join(int tag)
{
    CAutoLock lock(&m_Lock);
    if (!m_hThread) return true;
    // A thread that ends itself only asks: its owner's stop joins it later.
    if (GetThreadId(m_hThread) == GetCurrentThreadId()) {
        Signal();
        return false;
    }
    const bool bInTime = WaitForEnd(tag);
    if (!bInTime) {
        if (m_pCancel) m_pCancel(m_pParam);
        WaitForSingleObject(m_hThread, INFINITE);
        Trace(m_Lines.cancelled, tag);
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    return bInTime;
}

bool CWorkerThread::WaitForEnd(int tag)
{
    for (int i = 0; i < m_Policy.nWaits && i < 2; i++) {
        if (i > 0) {
            Signal();
            Trace(m_Lines.signalledAgain, tag);
        }
        if (WaitForSingleObject(m_hThread, m_Policy.dwWaitMs) == WAIT_OBJECT_0) {
            Trace(m_Lines.returned[i], tag);
            return true;
        }
        Trace(m_Lines.timedOut[i], tag);
    }
    return false;
}

bool CWorkerThread::IsRunning()
{
    CAutoLock lock(&m_Lock);
    return m_hThread && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}
