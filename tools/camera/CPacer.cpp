#include "tools/camera/CPacer.h"

namespace {

// A sender that fell this far behind (a stalled machine) starts a new count rather
// than catching up in one burst.
constexpr auto kMaxLag = std::chrono::seconds(1);

}  // namespace

void CPacer::Start(Clock::time_point now)
{
    m_Start = now;
    m_qwBits = 0;
}

Clock::time_point CPacer::Due() const
{
    const auto offset = std::chrono::duration<double>(static_cast<double>(m_qwBits) / static_cast<double>(m_qwRate));
    return m_Start + std::chrono::duration_cast<Clock::duration>(offset);
}

void CPacer::Sent(size_t bytes, Clock::time_point now)
{
    m_qwBits += uint64_t{bytes} * 8;
    if (now - Due() > kMaxLag) Start(now);
}
