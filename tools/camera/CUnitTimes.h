#pragma once
// The --unit-times file: for each unit, when its last datagram left and how many
// stream bytes had left with it. A receiver that notes when its output reached
// that many bytes knows the unit's latency (bench/StreamLatency reads both).

#include "tools/camera/CPacer.h"

#include <cstdint>
#include <cstdio>
#include <string>

class CUnitTimes {
public:
    CUnitTimes() = default;
    ~CUnitTimes();
    CUnitTimes(const CUnitTimes&) = delete;
    CUnitTimes& operator=(const CUnitTimes&) = delete;

    bool Open(const std::string& path);
    // A unit of cbUnit stream bytes has been handed to the datagrams now queued.
    void Queued(size_t cbUnit) { m_qwQueued += cbUnit; }
    // The queued units have all been sent.
    void Sent(Clock::time_point now);

private:
    std::FILE* m_pFile = nullptr;
    uint64_t m_qwQueued = 0;
};
