#pragma once
// The network receiver. So far it holds the communication type and refuses to
// change it while reception is active.

#include "core/CritSec.h"

#include <cstdint>

class CNetReceiver {
public:
    // 0 when stored, -1 when refused because reception is active.
    int32_t SetComType(uint16_t usComType);
    uint16_t GetComType();
    bool IsActive();

private:
    CCritSec m_Lock;
    uint16_t m_usComType = 0;
    bool m_bActive = false;
};
