#include "core/CBackOff.h"

#include <algorithm>

uint32_t CBackOff::NextDelay(uint64_t nowMs)
{
    if (m_bRecovered && nowMs - m_RecoveredAt >= kHealthyMs) m_Step = 0;
    m_bRecovered = false;
    const uint32_t base = std::min<uint32_t>(kFirstMs << std::min<uint32_t>(m_Step, 16), kLimitMs);
    if (base < kLimitMs) m_Step++;
    return Jitter(base);
}

void CBackOff::Recovered(uint64_t nowMs)
{
    m_bRecovered = true;
    m_RecoveredAt = nowMs;
}

// xorshift32: spread is all that is asked of it.
uint32_t CBackOff::Jitter(uint32_t ms)
{
    m_Random ^= m_Random << 13;
    m_Random ^= m_Random >> 17;
    m_Random ^= m_Random << 5;
    const uint32_t spread = ms / 5;
    return ms - spread + m_Random % (2 * spread + 1);
}
