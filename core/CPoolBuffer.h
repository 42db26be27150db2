#pragma once
// One receive buffer of the pool. It carries room for the receiver's overlapped-I/O
// block, so that a completion leads straight back to its buffer.

#include "core/CIntrusiveList.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class CBufferPool;

class CPoolBuffer : public CListLinks {
public:
    static constexpr size_t kIoBlockBytes = 64;  // an OVERLAPPED, checked where it is used

    CPoolBuffer(CBufferPool* pPool, uint8_t* pData, uint32_t cbCapacity)
        : m_pPool(pPool), m_pData(pData), m_cbCapacity(cbCapacity)
    {
    }
    ~CPoolBuffer() { delete[] m_pData; }
    CPoolBuffer(const CPoolBuffer&) = delete;
    CPoolBuffer& operator=(const CPoolBuffer&) = delete;

    void AddRef() { m_nRef.fetch_add(1); }
    // The release that reaches 0 gives the buffer back to its pool.
    void Release();

    uint8_t* Data() { return m_pData; }
    uint32_t Capacity() const { return m_cbCapacity; }
    uint32_t UsedLength() const { return m_cbUsed; }
    void SetUsedLength(uint32_t cb) { m_cbUsed = cb < m_cbCapacity ? cb : m_cbCapacity; }
    int32_t RefCount() const { return m_nRef.load(); }
    void* IoBlock() { return m_IoBlock; }
    void* m_pOwner = nullptr;  // for the receiver's own use

private:
    friend class CBufferPool;

    CBufferPool* const m_pPool;
    uint8_t* const m_pData;
    const uint32_t m_cbCapacity;
    uint32_t m_cbUsed = 0;
    std::atomic<int32_t> m_nRef{0};
    bool m_bInUse = false;  // on the pool's in-use list; under the pool's lock
    alignas(16) unsigned char m_IoBlock[kIoBlockBytes] = {};
};
