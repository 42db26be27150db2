#pragma once
// The camera parameters shared by the receiving thread, the push threads and the
// filter's property calls: the picture size the camera reports and the first-data mark.
//
// Locking: every field under m_Lock; the receiving thread writes, the others read.

#include "core/CritSec.h"

#include <cstdint>

class CCamParm {
public:
    uint32_t GetWidth();
    uint32_t GetHeight();
    void SetResolution(uint32_t width, uint32_t height);

    bool IsFirstDataGet();
    void SetFirstDataGet(bool bFound);

private:
    CCritSec m_Lock;
    uint32_t m_dwWidth = 0;
    uint32_t m_dwHeight = 0;
    uint8_t m_bFirstDataGet = 0;
};
