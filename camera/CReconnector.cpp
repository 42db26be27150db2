#include "camera/CReconnector.h"

#include "camera/ILinkRestarter.h"
#include "camera/SystemResult.h"
#include "core/CCamParm.h"
#include "core/Trace.h"

namespace {

// Long enough for a restart that waits for the camera's first packet; the cancel
// step cuts that wait short.
const CWorkerThread::Policy kThreadPolicy = {3000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CReconnector: event create error(%d)"},
    .threadCreateError = {1, L"CReconnector: thread create error(%d)"},
    .timedOut = {{1, L"CReconnector: thread stop time out."}},
};

}  // namespace

CReconnector::CReconnector(CCamParm* pCamParm, ILinkRestarter* pRestarter, HRESULT* phr)
    : m_pCamParm(pCamParm), m_pRestarter(pRestarter), m_Thread(kThreadPolicy, kThreadLines),
      m_BackOff(GetTickCount() ^ GetCurrentProcessId())
{
    m_hRequest = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hRequest) *phr = LastErrorResult();
}

CReconnector::~CReconnector()
{
    Stop();
    if (m_hRequest) CloseHandle(m_hRequest);
}

HRESULT CReconnector::Start()
{
    m_bHealing = false;
    ResetEvent(m_hRequest);
    const HRESULT hr = m_Thread.Start(ThreadProc, this, CancelStep);
    m_bAccepting = SUCCEEDED(hr);
    return hr;
}

// An attempt under way gives up at once; one whose start began after the abort
// is cut short by the cancel step.
void CReconnector::Stop()
{
    m_bAccepting = false;
    if (!m_Thread.Handle()) return;
    m_Thread.RequestStop();
    m_pRestarter->AbortRestart();
    m_Thread.Stop();
}

bool CReconnector::IsTransient(uint16_t cause)
{
    return cause != kStatusUnauthorized && cause != kStatusMacChanged && cause != kStatusBufferOverflow;
}

bool CReconnector::Take(uint16_t cause)
{
    if (!m_bAccepting || !IsTransient(cause)) return false;
    if (m_bHealing.exchange(true)) return true;
    m_Cause = cause;
    SetEvent(m_hRequest);
    return true;
}

unsigned CReconnector::ThreadProc(void* pParam)
{
    static_cast<CReconnector*>(pParam)->Run();
    return 0;
}

void CReconnector::CancelStep(void* pParam) { static_cast<CReconnector*>(pParam)->m_pRestarter->AbortRestart(); }

void CReconnector::Run()
{
    const HANDLE events[2] = {m_Thread.StopEvent(), m_hRequest};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        if (!Heal(m_Cause)) return;
        m_bHealing = false;
    }
}

// False when the filter stopped meanwhile.
bool CReconnector::Heal(uint16_t cause)
{
    g_Trace(1, L"CReconnector: the camera link broke (status 0x%04x); reconnecting.", cause);
    m_pCamParm->Counters().NoteReconnect(cause);
    m_nAttempts = 0;
    for (;;) {
        const uint32_t delayMs = m_BackOff.NextDelay(GetTickCount64());
        m_nAttempts++;
        g_Trace(1, L"CReconnector: attempt %u in %u ms.", m_nAttempts, delayMs);
        m_pCamParm->SetStatus(kStatusReconnecting, true);
        if (WaitForSingleObject(m_Thread.StopEvent(), delayMs) != WAIT_TIMEOUT) return false;
        const HRESULT hr = m_pRestarter->RestartLink();
        if (m_Thread.IsStopSet()) return false;
        if (SUCCEEDED(hr)) break;
        g_Trace(1, L"CReconnector: attempt %u failed (0x%08x).", m_nAttempts, static_cast<uint32_t>(hr));
    }
    g_Trace(1, L"CReconnector: attempt %u reconnected; data flow again.", m_nAttempts);
    m_BackOff.Recovered(GetTickCount64());
    m_pCamParm->NoteStreamData();
    m_pCamParm->SetStatus(kStatusOk, true);
    return true;
}
