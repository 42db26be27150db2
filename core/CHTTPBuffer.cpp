#include "core/CHTTPBuffer.h"

#include "core/Trace.h"

#include <new>

CHTTPBuffer::CHTTPBuffer(uint32_t capacity, int32_t* pResult)
{
    m_pData = new (std::nothrow) uint8_t[capacity];
    if (!m_pData) {
        *pResult = kOutOfMemory;
        return;
    }
    m_dwCapacity = capacity;
    *pResult = 0;
}

CHTTPBuffer::~CHTTPBuffer() { delete[] m_pData; }

int32_t CHTTPBuffer::SetLength(uint32_t dwLength)
{
    if (dwLength > m_dwCapacity - m_dwDataOffset) {
        g_Trace(1, L"CHTTPBuffer::SetLength: Length is too Big! Max: %d", m_dwCapacity);
        return -1;
    }
    m_dwLength = dwLength;
    return 0;
}

int32_t CHTTPBuffer::SetDataOffset(uint32_t dwOffset)
{
    if (dwOffset >= m_dwCapacity || m_dwLength > m_dwCapacity - dwOffset) {
        g_Trace(1, L"CHTTPBuffer::SetDataOffset: dwOffset invalid.");
        return -1;
    }
    m_dwDataOffset = dwOffset;
    return 0;
}

void CHTTPBuffer::Clear()
{
    m_dwLength = 0;
    m_dwDataOffset = 0;
}
