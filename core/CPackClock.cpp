#include "core/CPackClock.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kPackStartCode = 0xBA;

bool IsPackStart(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == kPackStartCode; }

}  // namespace

uint64_t CPackClock::Scr(const uint8_t* p)
{
    auto b = [p](int i) { return uint64_t{p[i]}; };
    if ((p[4] >> 6) == 1)
        return (b(4) >> 3 & 7) << 30 | (b(4) & 3) << 28 | b(5) << 20 | (b(6) >> 3) << 15 | (b(6) & 3) << 13 |
               b(7) << 5 | b(8) >> 3;
    return (b(4) >> 1 & 7) << 30 | b(5) << 22 | (b(6) >> 1) << 15 | b(7) << 7 | b(8) >> 1;
}

bool CPackClock::Feed(const uint8_t* p, size_t cb, uint64_t* pScr)
{
    bool bFound = FindInTail(p, cb, pScr);
    for (size_t i = 0; !bFound && i + kHeadBytes <= cb; i++) {
        if (!IsPackStart(p + i)) continue;
        *pScr = Scr(p + i);
        bFound = true;
    }
    const size_t keep = std::min(cb, sizeof(m_Tail));
    const size_t fromOld = std::min(m_cbTail, sizeof(m_Tail) - keep);
    std::memmove(m_Tail, m_Tail + m_cbTail - fromOld, fromOld);
    std::memcpy(m_Tail + fromOld, p + cb - keep, keep);
    m_cbTail = fromOld + keep;
    return bFound;
}

// A header that begins in the bytes kept from before and ends in these.
bool CPackClock::FindInTail(const uint8_t* p, size_t cb, uint64_t* pScr)
{
    uint8_t joined[2 * kHeadBytes] = {};
    const size_t fromNew = std::min(cb, kHeadBytes - 1);
    std::memcpy(joined, m_Tail, m_cbTail);
    std::memcpy(joined + m_cbTail, p, fromNew);
    for (size_t i = 0; i < m_cbTail && i + kHeadBytes <= m_cbTail + fromNew; i++) {
        if (!IsPackStart(joined + i)) continue;
        *pScr = Scr(joined + i);
        return true;
    }
    return false;
}
