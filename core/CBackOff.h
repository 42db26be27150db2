#pragma once
// The waits between a camera link's reconnection attempts: 0.5 s, doubling up to
// 30 s, each spread by up to a fifth either way so that many filters behind one
// rebooted camera do not knock at once. A link that then stayed healthy for a minute
// starts again from the shortest wait. Times are milliseconds of the caller's clock.
//
// Locking: none; one thread (the reconnector's) uses it.

#include <cstdint>

class CBackOff {
public:
    static constexpr uint32_t kFirstMs = 500;
    static constexpr uint32_t kLimitMs = 30000;
    static constexpr uint64_t kHealthyMs = 60000;

    explicit CBackOff(uint32_t seed) : m_Random(seed ? seed : 1) {}

    // The wait before the next attempt, for a link found broken at nowMs.
    uint32_t NextDelay(uint64_t nowMs);
    // The link carries data again since nowMs.
    void Recovered(uint64_t nowMs);

private:
    uint32_t Jitter(uint32_t ms);

    uint32_t m_Random;
    uint32_t m_Step = 0;
    bool m_bRecovered = false;
    uint64_t m_RecoveredAt = 0;
};
