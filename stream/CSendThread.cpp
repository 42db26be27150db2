#include "stream/CSendThread.h"

#include "core/Trace.h"

#include <process.h>

namespace {

HRESULT LastErrorResult(const wchar_t* pszLine)
{
    const DWORD error = GetLastError();
    g_Trace(1, pszLine, static_cast<int32_t>(error));
    return HRESULT_FROM_WIN32(error);
}

}  // namespace

CSendThread::~CSendThread()
{
    if (m_hStopEvent) CloseHandle(m_hStopEvent);
}

HRESULT CSendThread::Create(unsigned(__stdcall* pEntry)(void*), void* pParam)
{
    m_bStopSet = false;
    m_hStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStopEvent) return LastErrorResult(m_Lines.pszEventCreateError);
    m_hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, pEntry, pParam, 0, nullptr));
    if (!m_hThread) return LastErrorResult(m_Lines.pszThreadCreateError);
    return S_OK;
}

void CSendThread::Join(const wchar_t* pszReturned, int tag)
{
    if (!m_hThread) return;
    m_bStopSet.store(true, std::memory_order_release);
    if (!SetEvent(m_hStopEvent)) g_Trace(1, m_Lines.pszStopEventError, static_cast<int32_t>(GetLastError()));
    if (WaitForSingleObject(m_hThread, kStopWaitMs) == WAIT_OBJECT_0) {
        g_Trace(0, pszReturned, tag);
    } else {
        g_Trace(1, m_Lines.pszTimeOut);
        WaitForSingleObject(m_hThread, INFINITE);
        g_Trace(1, L"m_hSendThread terminated.");
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}
