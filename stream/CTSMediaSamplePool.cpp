#include "stream/CTSMediaSamplePool.h"

#include <vfwmsgs.h>

CTSMediaSamplePool::CTSMediaSamplePool(IUnknown* pFilter, CCamParm* pCamParm, HRESULT* phr)
    : m_pFilter(pFilter), m_SendSample(this, pCamParm)
{
    m_hReturned = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    *phr = m_hReturned ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

CTSMediaSamplePool::~CTSMediaSamplePool()
{
    if (m_hReturned) CloseHandle(m_hReturned);
}

bool CTSMediaSamplePool::TakeSendSample()
{
    CAutoLock lock(&m_Lock);
    if (m_bSendOut) return false;
    m_bSendOut = true;
    m_pFilter->AddRef();
    return true;
}

// The event is touched only when the sample is still out: downstream mostly lets it
// go within Deliver, and each event call is a kernel (under Wine a server) call.
bool CTSMediaSamplePool::WaitReturned(HANDLE hStop)
{
    {
        CAutoLock lock(&m_Lock);
        if (!m_bSendOut) return true;
        ResetEvent(m_hReturned);
        m_bWaited = true;
    }
    const HANDLE waits[2] = {m_hReturned, hStop};
    return WaitForMultipleObjects(hStop ? 2 : 1, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

HRESULT CTSMediaSamplePool::GetSendSample(BYTE* pData, uint32_t length, HANDLE hStop, IMediaSample** ppSample)
{
    if (!ppSample) return E_POINTER;
    *ppSample = nullptr;
    while (!TakeSendSample())
        if (!WaitReturned(hStop)) return VFW_E_NOT_COMMITTED;
    m_SendSample.AddRef();
    m_SendSample.InitSend(pData, length);
    *ppSample = &m_SendSample;
    return S_OK;
}

// The filter reference goes last, outside the lock: it may be the filter's last,
// and this pool goes with the filter.
void CTSMediaSamplePool::Return(CTSMediaSample*)
{
    IUnknown* const pFilter = m_pFilter;
    {
        CAutoLock lock(&m_Lock);
        m_bSendOut = false;
        if (m_bWaited) SetEvent(m_hReturned);
        m_bWaited = false;
    }
    pFilter->Release();
}
