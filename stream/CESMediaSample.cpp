#include "stream/CESMediaSample.h"

#include "stream/CESMediaSamplePool.h"

CESMediaSample::CESMediaSample(CESMediaSamplePool* pPool, CCamParm* pCamParm)
    : CTSMediaSample(nullptr, pCamParm), m_pESPool(pPool)
{
}

int32_t CESMediaSample::InitES(BYTE* pData, uint32_t totalSize, LONGLONG mediaStart, LONGLONG mediaStop,
                               REFERENCE_TIME start, REFERENCE_TIME stop, uint32_t flags, uint32_t headSize)
{
    m_pbData = pData;
    m_dwTotalSize = totalSize;
    m_lActual = static_cast<long>(totalSize > headSize ? totalSize - headSize : 0);
    m_dwOffset = headSize;
    m_dwFlags = flags;
    if (flags & kTimeValid) m_tStart = start;
    if ((flags & kTimeValid) && (flags & kStopValid)) m_tStop = stop;
    if (flags & kMediaTimeValid) {
        m_tMediaStart = mediaStart;
        m_tMediaStop = mediaStop;
    }
    m_dwStreamId = 0;
    return 0;
}

STDMETHODIMP_(long) CESMediaSample::GetSize() { return static_cast<long>(m_dwTotalSize); }

void CESMediaSample::ReturnToPool() { m_pESPool->Return(this, m_pbData + m_dwTotalSize); }
