#include "stream/CPushWorkers.h"

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CPlayIndexedBuffer.h"
#include "core/ICamParmOwner.h"
#include "core/Trace.h"
#include "stream/CPushData.h"
#include "stream/CPushES.h"
#include "playback/CPushPlay.h"
#include "playback/IPlayOwner.h"

#include <new>

namespace {

// A worker that lost the race to be installed, or that was taken out, ends here,
// outside the lock.
template <class T>
void StopOutside(std::unique_ptr<T> pWorker)
{
    if (pWorker) pWorker->Stop();
}

}  // namespace

template <class T>
void CPushWorkers::Adopt(std::unique_ptr<T>& slot, std::unique_ptr<T> pNew)
{
    {
        CAutoLock lock(&m_Lock);
        if (!slot || !slot->IsRunning()) std::swap(slot, pNew);
    }
    StopOutside(std::move(pNew));
}

CPushWorkers::CPushWorkers(IPlayOwner* pOwner, CCamParm* pCamParm, const Buffers& buffers)
    : m_pOwner(pOwner), m_pCamParm(pCamParm), m_Buffers(buffers)
{
}

CPushWorkers::~CPushWorkers() { Delete(kAll); }

HRESULT CPushWorkers::CreateLive(uint32_t kbps, double rate)
{
    if (Has(kLive)) return S_OK;
    HRESULT hr = E_FAIL;
    auto pPush = std::unique_ptr<CPushData>(new (std::nothrow) CPushData(m_pOwner, m_Buffers.pLivePool, m_Buffers.pRing, &m_pCamParm->Counters(), kbps, &hr));
    if (!pPush || FAILED(hr)) {
        g_Trace(1, L"CreatePushData: CPushData create error.");
        return pPush ? hr : E_FAIL;
    }
    pPush->SetSendRate(rate);
    g_Trace(0, L"CreatePushData: PlaySpeed set to %d", static_cast<int32_t>(rate));
    pPush->Start();
    Adopt(m_pLive, std::move(pPush));
    return S_OK;
}

HRESULT CPushWorkers::CreateRecording(int64_t referenceTime)
{
    if (Has(kRecording)) return S_OK;
    HRESULT hr = E_FAIL;
    auto pPush = std::unique_ptr<CPushES>(
        new (std::nothrow) CPushES(m_pOwner, m_Buffers.pRecordingBuffer, m_Buffers.pRecordingPool,
                                   &m_pCamParm->Counters(), ESTYPE_PSREC, &hr));
    if (!pPush || FAILED(hr)) {
        g_Trace(1, L"CreatePushES: m_pPushREC create error.");
        return pPush ? hr : E_FAIL;
    }
    g_Trace(0, L"CreatePushES: m_pPushREC create ok.");
    m_Buffers.pRecordingBuffer->SetReferenceTime(referenceTime);
    pPush->Start();
    Adopt(m_pRecording, std::move(pPush));
    return S_OK;
}

HRESULT CPushWorkers::CreatePlay(uint32_t kbps, double rate)
{
    if (Has(kPlay)) return S_OK;
    m_Buffers.pPlayBuffer->SetStartSize((kbps >> 3) << 11);
    HRESULT hr = E_FAIL;
    auto pPush = std::unique_ptr<CPushPlay>(new (std::nothrow) CPushPlay(
        m_pOwner, m_Buffers.pPlayBuffer, m_Buffers.pPlayPool, m_pCamParm, ESTYPE_VIDEO, kbps, &hr));
    if (!pPush || FAILED(hr)) {
        g_Trace(1, L"CreatePushPlay: CreatePushPlay create error.");
        return pPush ? hr : E_FAIL;
    }
    g_Trace(1, L"CreatePushPlay: PlaySpeed set to %d", static_cast<int32_t>(rate));
    pPush->Start();
    Adopt(m_pPlay, std::move(pPush));
    return S_OK;
}

void CPushWorkers::Pause(uint32_t workers)
{
    CAutoLock lock(&m_Lock);
    if ((workers & kLive) && m_pLive) m_pLive->Pause();
    if ((workers & kRecording) && m_pRecording) m_pRecording->Pause();
    if ((workers & kPlay) && m_pPlay) m_pPlay->Pause();
}

void CPushWorkers::RequestStop(uint32_t workers)
{
    CAutoLock lock(&m_Lock);
    if ((workers & kLive) && m_pLive) m_pLive->RequestStop();
    if ((workers & kRecording) && m_pRecording) m_pRecording->RequestStop();
    if ((workers & kPlay) && m_pPlay) m_pPlay->RequestStop();
}

void CPushWorkers::Delete(uint32_t workers)
{
    std::unique_ptr<CPushData> pLive;
    std::unique_ptr<CPushES> pRecording;
    std::unique_ptr<CPushPlay> pPlay;
    {
        CAutoLock lock(&m_Lock);
        if (workers & kLive) pLive = std::move(m_pLive);
        if (workers & kRecording) pRecording = std::move(m_pRecording);
        if (workers & kPlay) pPlay = std::move(m_pPlay);
    }
    StopOutside(std::move(pPlay));
    StopOutside(std::move(pLive));
    StopOutside(std::move(pRecording));
}

void CPushWorkers::FinishRecording()
{
    std::unique_ptr<CPushES> pRecording;
    {
        CAutoLock lock(&m_Lock);
        pRecording = std::move(m_pRecording);
    }
    if (pRecording) pRecording->Finish();
}

bool CPushWorkers::Has(uint32_t worker)
{
    CAutoLock lock(&m_Lock);
    if (worker == kLive) return m_pLive && m_pLive->IsRunning();
    if (worker == kPlay) return m_pPlay && m_pPlay->IsRunning();
    return m_pRecording && m_pRecording->IsRunning();
}

void CPushWorkers::Tune(uint32_t kbps)
{
    CAutoLock lock(&m_Lock);
    if (m_pLive) m_pLive->Tune(kbps);
}
