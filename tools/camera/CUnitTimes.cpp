#include "tools/camera/CUnitTimes.h"

#include <chrono>

CUnitTimes::~CUnitTimes()
{
    if (m_pFile) std::fclose(m_pFile);
}

bool CUnitTimes::Open(const std::string& path)
{
    m_pFile = std::fopen(path.c_str(), "w");
    return m_pFile != nullptr;
}

void CUnitTimes::Sent(Clock::time_point now)
{
    if (!m_pFile) return;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
    std::fprintf(m_pFile, "%lld %llu\n", static_cast<long long>(ns), static_cast<unsigned long long>(m_qwQueued));
}
