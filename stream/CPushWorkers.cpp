#include "stream/CPushWorkers.h"

#include "core/CIndexedBuffer2.h"
#include "core/ICamParmOwner.h"
#include "core/Trace.h"
#include "stream/CPushData.h"
#include "stream/CPushES.h"

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

CPushWorkers::CPushWorkers(IPushOwner* pOwner, CTSMediaSamplePool* pLivePool, CMpegBuffer* pRing,
                           CESMediaSamplePool* pRecordingPool, CIndexedBuffer2* pRecordingBuffer)
    : m_pOwner(pOwner), m_pLivePool(pLivePool), m_pRing(pRing), m_pRecordingPool(pRecordingPool),
      m_pRecordingBuffer(pRecordingBuffer)
{
}

CPushWorkers::~CPushWorkers() { Delete(kAll); }

HRESULT CPushWorkers::CreateLive(uint32_t kbps, double rate)
{
    if (Has(kLive)) return S_OK;
    HRESULT hr = E_FAIL;
    auto pPush = std::unique_ptr<CPushData>(new (std::nothrow) CPushData(m_pOwner, m_pLivePool, m_pRing, kbps, &hr));
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
        new (std::nothrow) CPushES(m_pOwner, m_pRecordingBuffer, m_pRecordingPool, ESTYPE_PSREC, &hr));
    if (!pPush || FAILED(hr)) {
        g_Trace(1, L"CreatePushES: m_pPushREC create error.");
        return pPush ? hr : E_FAIL;
    }
    g_Trace(0, L"CreatePushES: m_pPushREC create ok.");
    m_pRecordingBuffer->SetReferenceTime(referenceTime);
    pPush->Start();
    Adopt(m_pRecording, std::move(pPush));
    return S_OK;
}

void CPushWorkers::Pause(uint32_t workers)
{
    CAutoLock lock(&m_Lock);
    if ((workers & kLive) && m_pLive) m_pLive->Pause();
    if ((workers & kRecording) && m_pRecording) m_pRecording->Pause();
}

void CPushWorkers::RequestStop(uint32_t workers)
{
    CAutoLock lock(&m_Lock);
    if ((workers & kLive) && m_pLive) m_pLive->RequestStop();
    if ((workers & kRecording) && m_pRecording) m_pRecording->RequestStop();
}

void CPushWorkers::Delete(uint32_t workers)
{
    std::unique_ptr<CPushData> pLive;
    std::unique_ptr<CPushES> pRecording;
    {
        CAutoLock lock(&m_Lock);
        if (workers & kLive) pLive = std::move(m_pLive);
        if (workers & kRecording) pRecording = std::move(m_pRecording);
    }
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
    return m_pRecording && m_pRecording->IsRunning();
}

void CPushWorkers::Tune(uint32_t kbps)
{
    CAutoLock lock(&m_Lock);
    if (m_pLive) m_pLive->Tune(kbps);
}
