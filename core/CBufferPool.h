#pragma once
// The receive buffers: preallocated, the most recently returned handed out first,
// and callers that find none waiting in turn for the next one returned.
//
// Locking: m_Lock guards the free, used and waiting lists. A caller that finds no
// block waits on its own event outside the lock; ReturnBuffer hands a block to the
// first waiter under it and only sets that event. The receiving thread takes and
// returns blocks; the filter's stop recycles them. Taken after the receiver's lock.

#include "core/CIntrusiveList.h"
#include "core/CPoolBuffer.h"
#include "core/CritSec.h"
#include "core/IPoolEvent.h"

#include <cstdint>

// One waiting GetBuffer call.
struct BLOCK_REQUEST : CListLinks {
    IPoolEvent* pEvent = nullptr;
    CPoolBuffer* pBuffer = nullptr;
};

class CBufferPool {
public:
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

    CBufferPool(uint32_t nCount, uint32_t cbSize, int32_t* pResult);
    ~CBufferPool();
    CBufferPool(const CBufferPool&) = delete;
    CBufferPool& operator=(const CBufferPool&) = delete;

    // A buffer with one reference, or nullptr when none came within the time-out.
    CPoolBuffer* GetBuffer(IPoolEvent* pEvent, uint32_t dwTimeOut);
    // Releases once every buffer still in use (the receiver's way out).
    void RecyclePendBuffers();

private:
    friend class CPoolBuffer;
    friend class CBufferPoolTestPeer;

    uint32_t InUseCount();
    static constexpr int kRecycleLimit = 55;

    void ReturnBuffer(CPoolBuffer* pBuffer);
    CPoolBuffer* TakeFreeLocked();
    BLOCK_REQUEST* GetRequestLocked_();
    CPoolBuffer* WaitForHandOver(BLOCK_REQUEST* pRequest, uint32_t dwTimeOut);

    CCritSec m_Lock;
    const uint32_t m_cbSize;
    uint32_t m_nInUse = 0;
    CIntrusiveList<CPoolBuffer> m_FreeBuffers;
    CIntrusiveList<CPoolBuffer> m_UseBuffers;
    CIntrusiveList<BLOCK_REQUEST> m_RequestPool;
    CIntrusiveList<BLOCK_REQUEST> m_WaitingRequests;
};
