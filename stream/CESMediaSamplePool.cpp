#include "stream/CESMediaSamplePool.h"

#include "core/CIndexedBuffer2.h"
#include "core/CPlayIndexedBuffer.h"

#include <vfwmsgs.h>

#include <new>

CESMediaSamplePool::CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CIndexedBuffer2* pBuffer,
                                       HRESULT* phr)
    : CESMediaSamplePool(count, pFilter, pCamParm, pBuffer, nullptr, phr)
{
}

CESMediaSamplePool::CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer,
                                       HRESULT* phr)
    : CESMediaSamplePool(count, pFilter, pCamParm, nullptr, pBuffer, phr)
{
}

CESMediaSamplePool::CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CIndexedBuffer2* pBuffer,
                                       CPlayIndexedBuffer* pPlayBuffer, HRESULT* phr)
    : m_pFilter(pFilter), m_pBuffer(pBuffer), m_pPlayBuffer(pPlayBuffer)
{
    m_hReturned = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!m_hReturned) {
        *phr = HRESULT_FROM_WIN32(GetLastError());
        return;
    }
    for (int i = 0; i < count; i++) {
        CESMediaSample* pSample = new (std::nothrow) CESMediaSample(this, pCamParm);
        if (!pSample) {
            *phr = E_OUTOFMEMORY;
            return;
        }
        m_Samples.emplace_back(pSample);
        m_Free.PushBack(pSample);
    }
    *phr = S_OK;
}

// Runs when no sample is out: each one out holds the filter that owns this pool.
CESMediaSamplePool::~CESMediaSamplePool()
{
    if (m_hReturned) CloseHandle(m_hReturned);
}

CESMediaSample* CESMediaSamplePool::TakeSample()
{
    CAutoLock lock(&m_Lock);
    CESMediaSample* pSample = m_Free.PopFront();
    if (pSample) {
        m_pFilter->AddRef();
        pSample->m_dwRound = m_dwRound;
    } else {
        ResetEvent(m_hReturned);
        m_bTakerWaits = true;
    }
    return pSample;
}

HRESULT CESMediaSamplePool::GetSample(BYTE* pData, uint32_t totalSize, LONGLONG mediaStart, LONGLONG mediaStop,
                                      REFERENCE_TIME start, REFERENCE_TIME stop, uint32_t flags, uint32_t headSize,
                                      HANDLE hStop, IMediaSample** ppSample)
{
    if (!ppSample) return E_POINTER;
    *ppSample = nullptr;
    CESMediaSample* pSample = nullptr;
    while (!(pSample = TakeSample())) {
        const HANDLE waits[2] = {m_hReturned, hStop};
        if (WaitForMultipleObjects(hStop ? 2 : 1, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return VFW_E_NOT_COMMITTED;
    }
    pSample->AddRef();
    pSample->InitES(pData, totalSize, mediaStart, mediaStop, start, stop, flags, headSize);
    *ppSample = pSample;
    return S_OK;
}

// The filter reference goes last, outside the lock: it may be the filter's last,
// and this pool goes with the filter.
void CESMediaSamplePool::Return(CESMediaSample* pSample, const BYTE* pEnd)
{
    IUnknown* const pFilter = m_pFilter;
    {
        CAutoLock lock(&m_Lock);
        m_Free.PushFront(pSample);
        if (m_bTakerWaits) SetEvent(m_hReturned);
        m_bTakerWaits = false;
        if (pSample->m_dwRound == m_dwRound) GiveBack(pEnd);
    }
    pFilter->Release();
}

void CESMediaSamplePool::GiveBack(const BYTE* pEnd)
{
    if (m_pBuffer) m_pBuffer->SetSamplePos(static_cast<uint32_t>(pEnd - m_pBuffer->Data()));
    else m_pPlayBuffer->ReadLockEnd(pEnd);
}

void CESMediaSamplePool::NewRound()
{
    CAutoLock lock(&m_Lock);
    m_dwRound++;
}
