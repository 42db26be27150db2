#pragma once
// When the next datagram may go, at a fixed bit rate counted from the start.

#include <chrono>
#include <cstddef>
#include <cstdint>

using Clock = std::chrono::steady_clock;

class CPacer {
public:
    explicit CPacer(uint64_t bitsPerSecond) : m_qwRate(bitsPerSecond) {}

    void Start(Clock::time_point now);
    Clock::time_point Due() const;
    void Sent(size_t bytes, Clock::time_point now);

private:
    const uint64_t m_qwRate;
    Clock::time_point m_Start;
    uint64_t m_qwBits = 0;
};
