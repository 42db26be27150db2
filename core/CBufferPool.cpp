#include "core/CBufferPool.h"

#include "core/Trace.h"

#include <new>

CBufferPool::CBufferPool(uint32_t nCount, uint32_t cbSize, int32_t* pResult) : m_cbSize(cbSize)
{
    *pResult = 0;
    for (uint32_t i = 0; i < nCount; i++) {
        uint8_t* pData = new (std::nothrow) uint8_t[cbSize];
        CPoolBuffer* pBuffer = pData ? new (std::nothrow) CPoolBuffer(this, pData, cbSize) : nullptr;
        if (!pBuffer) {
            delete[] pData;
            g_ErrorLog(1, L"CBufferPool()", L"pBuffer create error.");
            *pResult = kOutOfMemory;
            return;
        }
        m_FreeBuffers.PushBack(pBuffer);
    }
}

CBufferPool::~CBufferPool()
{
    while (BLOCK_REQUEST* pRequest = m_RequestPool.PopFront()) {
        g_Trace(0, L"delete pBleckRequest");
        delete pRequest;
    }
    RecyclePendBuffers();
    while (CPoolBuffer* pBuffer = m_FreeBuffers.PopFront()) {
        g_Trace(0, L"delete pBuffer");
        delete pBuffer;
    }
}

uint32_t CBufferPool::InUseCount()
{
    CAutoLock lock(&m_Lock);
    return m_nInUse;
}

CPoolBuffer* CBufferPool::TakeFreeLocked()
{
    CPoolBuffer* pBuffer = m_FreeBuffers.PopFront();
    if (!pBuffer) return nullptr;
    m_UseBuffers.PushBack(pBuffer);
    pBuffer->m_bInUse = true;
    m_nInUse++;
    pBuffer->AddRef();
    return pBuffer;
}

BLOCK_REQUEST* CBufferPool::GetRequestLocked_()
{
    BLOCK_REQUEST* pRequest = m_RequestPool.PopFront();
    if (pRequest) {
        g_Trace(0, L"GetRequestLocked_: get from m_RequestPool");
    } else {
        g_Trace(0, L"GetRequestLocked_: new BLOCK_REQUEST");
        pRequest = new (std::nothrow) BLOCK_REQUEST;
        if (!pRequest) return nullptr;
    }
    pRequest->pEvent = nullptr;
    pRequest->pBuffer = nullptr;
    return pRequest;
}

CPoolBuffer* CBufferPool::GetBuffer(IPoolEvent* pEvent, uint32_t dwTimeOut)
{
    BLOCK_REQUEST* pRequest;
    {
        CAutoLock lock(&m_Lock);
        if (CPoolBuffer* pBuffer = TakeFreeLocked()) return pBuffer;
        g_Trace(0, L"CBufferPool::GetBuffer: No buffers are available, wait");
        if (!pEvent) return nullptr;
        pRequest = GetRequestLocked_();
        if (pRequest) {
            pRequest->pEvent = pEvent;
            pEvent->Reset();
            m_WaitingRequests.PushBack(pRequest);
        }
    }
    if (!pRequest) {
        g_ErrorLog(1, L"CBufferPool::GetBuffer", L"CBufferPool::GetBuffer: memory allocation failure most likely");
        return nullptr;
    }
    return WaitForHandOver(pRequest, dwTimeOut);
}

// A buffer may be handed over between the time-out and taking the lock: it is
// kept then, or it would be lost to the pool.
CPoolBuffer* CBufferPool::WaitForHandOver(BLOCK_REQUEST* pRequest, uint32_t dwTimeOut)
{
    const bool bSignalled = pRequest->pEvent->Wait(dwTimeOut);
    CAutoLock lock(&m_Lock);
    if (!bSignalled) g_Trace(0, L"CBufferPool::GetBuffer: WaitForSingleObject Timeout(no EVENT_GET_BLOCK).");
    CPoolBuffer* pBuffer = pRequest->pBuffer;
    if (!pBuffer) {
        g_Trace(0, L"CBufferPool::GetBuffer: actual timeout; recycle the BLOCK_REQUEST and punt");
        m_WaitingRequests.Remove(pRequest);
    }
    m_RequestPool.PushFront(pRequest);
    return pBuffer;
}

// Signalled under the lock: once the lock is left, the request may serve another caller.
void CBufferPool::ReturnBuffer(CPoolBuffer* pBuffer)
{
    CAutoLock lock(&m_Lock);
    if (BLOCK_REQUEST* pRequest = m_WaitingRequests.PopFront()) {
        if (!pBuffer->m_bInUse) {  // released by RecyclePendBuffers
            m_UseBuffers.PushBack(pBuffer);
            pBuffer->m_bInUse = true;
            m_nInUse++;
        }
        pBuffer->AddRef();
        pRequest->pBuffer = pBuffer;
        pRequest->pEvent->Set();
        return;
    }
    if (pBuffer->m_bInUse) {
        m_UseBuffers.Remove(pBuffer);
        pBuffer->m_bInUse = false;
        m_nInUse--;
    }
    m_FreeBuffers.PushFront(pBuffer);
}

void CBufferPool::RecyclePendBuffers()
{
    for (int n = 0;; n++) {
        CPoolBuffer* pBuffer;
        {
            CAutoLock lock(&m_Lock);
            if (n > kRecycleLimit) {
                g_Trace(1, L"CBufferPool::RecyclePendBuffers: m_UseBuffers cannot be Empty. This is bug!!");
                while (CPoolBuffer* p = m_UseBuffers.PopFront()) p->m_bInUse = false;
                m_nInUse = 0;
                return;
            }
            pBuffer = m_UseBuffers.PopFront();
            if (!pBuffer) return;
            pBuffer->m_bInUse = false;
            m_nInUse--;
        }
        g_Trace(0, L"Recycle m_UseBuffers");
        pBuffer->Release();
    }
}
