#include "stream/CPushData.h"

#include "core/CLinkCounters.h"
#include "core/CMpegBuffer.h"
#include "core/Trace.h"
#include "stream/CTSMediaSamplePool.h"
#include "stream/IPushOwner.h"

#include <algorithm>

namespace {

const CWorkerThread::Policy kThreadPolicy = {3000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CPushData: event create error(%d)"},
    .threadCreateError = {1, L"PushData: SendThread create error(%d)"},
    .stopEventError = {1, L"CPushData:Stop event to m_hSendThread error(%d)"},
    .returned = {{0, L"CPushData m_hSendThread return event received."}},
    .timedOut = {{1, L"CPushData:m_hSendThread stop time out."}},
    .cancelled = {1, L"m_hSendThread terminated."},
};

}  // namespace

CPushData::CPushData(IPushOwner* pFilter, CTSMediaSamplePool* pPool, CMpegBuffer* pMpegBuffer,
                     CLinkCounters* pCounters, uint32_t kbps, HRESULT* phr)
    : m_pFilter(pFilter), m_pSampleSource(pPool), m_pMpegBuffer(pMpegBuffer), m_pCounters(pCounters),
      m_dwAvgBitRate(kbps), m_dwStartSize(kbps * 50 / 8), m_Thread(kThreadPolicy, kThreadLines)
{
    *phr = m_Thread.Start(ThreadEntry, this);
    if (FAILED(*phr)) return;
    Tune(kbps == 1 ? 1000 : kbps);
}

CPushData::~CPushData() { m_Thread.Stop(); }

void CPushData::SetSending(bool bSending, const wchar_t* pszLine)
{
    g_Trace(0, pszLine);
    CAutoLock lock(&m_Lock);
    m_bSending = bSending ? 1 : 0;
}

int32_t CPushData::Start()
{
    SetSending(true, L"CPushData:Send sample to Demux start.");
    return 0;
}

void CPushData::RequestStop()
{
    SetSending(false, L"CPushData:Send sample to Demux stop.");
    m_Thread.RequestStop();
}

int32_t CPushData::Stop()
{
    RequestStop();
    m_Thread.Join();
    return 0;
}

int32_t CPushData::Pause()
{
    SetSending(false, L"CPushData:Send sample to Decoder pause.");
    return 0;
}

int32_t CPushData::SetSendRate(double dRate)
{
    if (dRate < 0) {
        g_Trace(1, L"CPushData::SetSendRate: dRate out of range(%lf)", dRate);
        return -1;
    }
    CAutoLock lock(&m_Lock);
    m_dRate = dRate;
    return 0;
}

int32_t CPushData::Tune(uint32_t kbps)
{
    const uint32_t target = kbps ? kbps + 50 : 100;
    g_Trace(1, L"CPushData:Tune: Target = %d kbps.", static_cast<int32_t>(target));
    if (kbps >= kTargetLimit || target >= kTargetLimit) {
        g_Trace(1, L"CPushData::Tune: dwAvgBitRate out of range(%d)", static_cast<int32_t>(target));
        return -1;
    }
    CAutoLock lock(&m_Lock);
    m_dwAvgBitRate = target;
    m_dwStartSize = target * 50 / 8;
    m_pMpegBuffer->SetReadySize(m_dwStartSize);
    m_dwReadSize = target * 51200 / 8000;
    return 0;
}

uint32_t CPushData::GetAvgBitRate()
{
    CAutoLock lock(&m_Lock);
    return m_dwAvgBitRate;
}

uint32_t CPushData::GetReadSize()
{
    CAutoLock lock(&m_Lock);
    return m_dwReadSize;
}

uint32_t CPushData::GetStartSize()
{
    CAutoLock lock(&m_Lock);
    return m_dwStartSize;
}

unsigned CPushData::ThreadEntry(void* pParam)
{
    static_cast<CPushData*>(pParam)->ThreadProc();
    return 0;
}

void CPushData::ThreadProc()
{
    g_Trace(0, L"CPushData::ThreadEntry: m_hSendThread created.");
    for (;;) {
        m_dwWaitTime = m_pFilter->GetPushInterval(false);
        const DWORD wait = WaitForSingleObjectEx(m_Thread.StopEvent(), m_dwWaitTime, TRUE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        if (wait == WAIT_TIMEOUT) SendReady();
    }
    g_Trace(0, L"CPushData::ThreadProc: Stop event receive.");
    g_Trace(0, L"CPushData::ThreadEntry: m_hSendThread end.");
}

bool CPushData::IsSending()
{
    CAutoLock lock(&m_Lock);
    return m_bSending != 0;
}

// Everything stored goes out once a block's worth is there, so that delivery keeps
// pace with whatever the camera sends, whatever bit rate its parameters announce.
// A region that the ring's end cuts short is followed at once by the rest.
void CPushData::SendReady()
{
    while (IsSending() && SendOne()) {
    }
}

// True when a region was sent that ended at the ring's end.
bool CPushData::SendOne()
{
    const uint8_t* pBlock = nullptr;
    uint32_t length = 0;
    uint8_t bReachedEnd = 0;
    bool bAfterGap = false;
    {
        CAutoLock lock(&m_Lock);
        const uint32_t wanted = std::max(m_dwReadSize, m_pMpegBuffer->GetDataSize());
        if (m_pMpegBuffer->ReadLock(&pBlock, wanted, &length, &bReachedEnd) < 0) return false;
        bAfterGap = m_pMpegBuffer->RegionFollowsGap();
    }
    IMediaSample* pSample = nullptr;
    // Downstream reads the block through the sample; it never writes to it.
    const bool bSent = SUCCEEDED(m_pSampleSource->GetSendSample(const_cast<BYTE*>(pBlock), length, m_Thread.StopEvent(), &pSample));
    if (bSent) {
        // A new camera session begins here, at a pack with its system header.
        if (bAfterGap) pSample->SetDiscontinuity(TRUE);
        bool bTaken = false;
        m_pFilter->DeliverVideo(pSample, &bTaken);
        if (bTaken) m_pCounters->NoteMainPinBytes(length);
        pSample->Release();
        m_pSampleSource->WaitReturned(m_Thread.StopEvent());
    }
    m_pMpegBuffer->ReadEnd();
    return bSent && bReachedEnd && !m_Thread.IsStopSet();
}
