#pragma once
// One head or one data block of the HTTP body: an owned array with the valid bytes
// counted from a data offset. The offset and the length never reach past the
// array together.
//
// Locking: the receiving thread holds Lock() while it fills the buffer; the fields
// themselves are not guarded (one thread uses them).

#include "core/CritSec.h"

#include <cstdint>

class CHTTPBuffer {
public:
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY

    // *pResult: 0, or kOutOfMemory when the array cannot be allocated.
    CHTTPBuffer(uint32_t capacity, int32_t* pResult);
    ~CHTTPBuffer();
    CHTTPBuffer(const CHTTPBuffer&) = delete;
    CHTTPBuffer& operator=(const CHTTPBuffer&) = delete;

    uint8_t* GetData() { return m_pData; }
    uint32_t GetCapacity() const { return m_dwCapacity; }
    uint32_t GetLength() const { return m_dwLength; }
    // The valid bytes: from the data offset on.
    const uint8_t* GetValidData() const { return m_pData + m_dwDataOffset; }

    // 0, or -1 when the length would run past the array's end from the data offset.
    int32_t SetLength(uint32_t dwLength);
    // 0, or -1 for an offset outside the array or one that pushes the length past its end.
    int32_t SetDataOffset(uint32_t dwOffset);
    void Clear();

    void Lock() { m_Lock.Lock(); }
    void Unlock() { m_Lock.Unlock(); }
    CCritSec* CritSec() { return &m_Lock; }

private:
    CCritSec m_Lock;
    uint8_t* m_pData = nullptr;
    uint32_t m_dwCapacity = 0;
    uint32_t m_dwLength = 0;
    uint32_t m_dwDataOffset = 0;
};
