#pragma once
// A sample over one packet of an indexed buffer: its pointer is the packet's
// 24-byte head, its size head and pack, its actual length the pack alone.

#include "stream/CTSMediaSample.h"

class CESMediaSamplePool;

class CESMediaSample : public CTSMediaSample {
public:
    CESMediaSample(CESMediaSamplePool* pPool, CCamParm* pCamParm);

    int32_t InitES(BYTE* pData, uint32_t totalSize, LONGLONG mediaStart, LONGLONG mediaStop, REFERENCE_TIME start,
                   REFERENCE_TIME stop, uint32_t flags, uint32_t headSize);

    STDMETHODIMP_(long) GetSize() override;

    // The pool's round in which the sample went out; set and read under the pool's lock.
    uint32_t m_dwRound = 0;

private:
    void ReturnToPool() override;

    CESMediaSamplePool* const m_pESPool;
    uint32_t m_dwTotalSize = 0;
};
