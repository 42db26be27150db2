#include "camera/CStallWatch.h"

#include "core/CCamParm.h"
#include "core/Trace.h"

namespace {

const CWorkerThread::Policy kThreadPolicy = {3000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CStallWatch: event create error(%d)"},
    .threadCreateError = {1, L"CStallWatch: thread create error(%d)"},
    .timedOut = {{1, L"CStallWatch: thread stop time out."}},
};

}  // namespace

CStallWatch::CStallWatch(CCamParm* pCamParm, ICamParmOwner* pOwner)
    : m_pCamParm(pCamParm), m_pOwner(pOwner), m_Thread(kThreadPolicy, kThreadLines)
{
}

HRESULT CStallWatch::Start(uint32_t stallMs)
{
    m_stallMs = stallMs;
    if (stallMs == 0) return S_OK;
    m_pCamParm->NoteStreamData();  // the start has just seen the first packet
    return m_Thread.Start(ThreadProc, this);
}

void CStallWatch::Stop() { m_Thread.Stop(); }

unsigned CStallWatch::ThreadProc(void* pParam)
{
    static_cast<CStallWatch*>(pParam)->Watch();
    return 0;
}

// A stall that the owner heals is watched for again once data have come since.
void CStallWatch::Watch()
{
    bool bStalled = false;
    while (WaitForSingleObject(m_Thread.StopEvent(), kTickMs) == WAIT_TIMEOUT) {
        const bool bSilent = m_pCamParm->MsSinceStreamData() >= m_stallMs;
        if (!bSilent) bStalled = false;
        if (!bSilent || bStalled) continue;
        bStalled = true;
        g_Trace(1, L"CStallWatch: no stream data for %u ms: the stream stalled.", m_stallMs);
        m_pCamParm->SetStatus(kStatusNoFirstPacket, true);
        if (m_pOwner->Reconnect(kStatusNoFirstPacket)) continue;
        m_pOwner->StopStream(true);
        return;
    }
}
