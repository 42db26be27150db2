#include "core/CMpegBuffer.h"

#include "core/Trace.h"

#include <cstring>
#include <new>

CMpegBuffer::CMpegBuffer(uint32_t capacity, int32_t* pResult)
{
    m_pBuffer = new (std::nothrow) uint8_t[capacity];
    if (!m_pBuffer) {
        g_Trace(1, L"CMpegBuffer::Constructor: out of memory");
        *pResult = kOutOfMemory;
        return;
    }
    m_dwBufferSize = capacity;
    g_Trace(0, L"m_dwBufferSize = %d", m_dwBufferSize);
    *pResult = kOk;
}

CMpegBuffer::~CMpegBuffer() { delete[] m_pBuffer; }

void CMpegBuffer::Reset()
{
    CAutoLock lock(&m_Lock);
    m_dwWriteOffset = 0;
    m_dwReadOffset = 0;
    m_dwReadEnd = 0;
    m_dwStored = 0;
    m_bReady = 0;
    m_bReadLocked = 0;
    m_dwReadySize = kDefaultReadySize;
    m_ullWritten = 0;
    m_ullRead = 0;
    m_bGapPending = false;
    m_bRegionAfterGap = false;
}

void CMpegBuffer::SetReadySize(uint32_t bytes)
{
    CAutoLock lock(&m_Lock);
    m_dwReadySize = bytes;
}

uint32_t CMpegBuffer::GetDataSize()
{
    CAutoLock lock(&m_Lock);
    return m_dwStored;
}

int32_t CMpegBuffer::Write(const uint8_t* pData, uint32_t length)
{
    CAutoLock lock(&m_Lock);
    if (length > m_dwBufferSize - m_dwStored) {
        g_Trace(1, L"CMpegBuffer::Buffer overflow!!!");
        return kOverflow;
    }
    if (length == 0) return 0;  // nothing to copy (and pData may be null)
    const uint32_t toEnd = m_dwBufferSize - m_dwWriteOffset;
    if (length <= toEnd) {
        std::memcpy(m_pBuffer + m_dwWriteOffset, pData, length);
        m_dwWriteOffset += length;
        if (m_dwWriteOffset == m_dwBufferSize) m_dwWriteOffset = 0;
    } else {
        g_Trace(0, L"CMpegBuffer::Write: Buffer will rotate.");
        std::memcpy(m_pBuffer + m_dwWriteOffset, pData, toEnd);
        std::memcpy(m_pBuffer, pData + toEnd, length - toEnd);
        m_dwWriteOffset = length - toEnd;
    }
    m_dwStored += length;
    m_ullWritten += length;
    return 0;
}

// A success never leaves an empty region.
int32_t CMpegBuffer::CheckReady_(uint32_t wanted)
{
    if (m_bReadLocked) {
        g_Trace(0, L"CMpegBuffer: Read locking.");
        return kReadLocked;
    }
    if (!m_bReady) {
        if (m_dwStored < m_dwReadySize) {
            g_Trace(0, L"CMpegBuffer: Buffer size not ready.");
            return kNotReady;
        }
        m_bReady = 1;  // from here on whatever the wanted length
    } else if (m_dwStored < wanted) {
        return kShort;
    }
    if (m_dwStored == 0) {  // also when the ready size is 0
        g_Trace(1, L"CMpegBuffer: no data!!!");
        return kNoData;
    }
    return 0;
}

int32_t CMpegBuffer::ReadLock(const uint8_t** ppData, uint32_t wanted, uint32_t* pLength, uint8_t* pReachedEnd)
{
    CAutoLock lock(&m_Lock);
    const int32_t ready = CheckReady_(wanted);
    if (ready < 0) {
        *ppData = nullptr;
        *pLength = 0;
        *pReachedEnd = 0;
        return ready;
    }
    uint32_t n = (wanted == 0 || m_dwStored < wanted) ? m_dwStored : wanted;
    int32_t result = m_dwStored < wanted ? kReachedEnd : 0;
    const bool bCutAtGap = CutAtGap_(&n);
    const uint32_t toEnd = m_dwBufferSize - m_dwReadOffset;
    *ppData = m_pBuffer + m_dwReadOffset;
    if (bCutAtGap && n < toEnd) {
        *pLength = n;
        m_dwReadEnd = m_dwReadOffset + n;
        *pReachedEnd = 1;  // the rest follows at once
        result = kReachedEnd;
    } else if (n < toEnd) {
        *pLength = n;
        m_dwReadEnd = m_dwReadOffset + n;
        *pReachedEnd = 0;
    } else {
        *pLength = toEnd;
        m_dwReadEnd = 0;
        *pReachedEnd = 1;
        result = kReachedEnd;
    }
    m_bReadLocked = 1;
    return result;
}

int32_t CMpegBuffer::ReadEnd()
{
    CAutoLock lock(&m_Lock);
    if (!m_bReadLocked) {
        g_Trace(0, L"ReadEnd: Not locking!!!");
        return kNotLocked;
    }
    // The region is never empty, so a read end of 0 always means "up to the buffer's end".
    m_ullRead += m_dwReadEnd != 0 ? m_dwReadEnd - m_dwReadOffset : m_dwBufferSize - m_dwReadOffset;
    if (m_dwReadEnd != 0) {
        m_dwStored -= m_dwReadEnd - m_dwReadOffset;
        m_dwReadOffset = m_dwReadEnd;
    } else {
        m_dwStored -= m_dwBufferSize - m_dwReadOffset;
        m_dwReadOffset = 0;
    }
    m_bReadLocked = 0;
    return 0;
}

void CMpegBuffer::MarkGap()
{
    CAutoLock lock(&m_Lock);
    m_ullGapAt = m_ullWritten;
    m_bGapPending = true;
}

bool CMpegBuffer::RegionFollowsGap()
{
    CAutoLock lock(&m_Lock);
    return m_bRegionAfterGap;
}

// Shortens a region that would run past a pending gap; true when it did.
bool CMpegBuffer::CutAtGap_(uint32_t* pLength)
{
    m_bRegionAfterGap = m_bGapPending && m_ullGapAt == m_ullRead;
    if (m_bRegionAfterGap) m_bGapPending = false;
    if (!m_bGapPending || m_ullRead + *pLength <= m_ullGapAt) return false;
    *pLength = static_cast<uint32_t>(m_ullGapAt - m_ullRead);
    return true;
}
