#pragma once
// Everything a ring buffer holds, read out as its one reader would, for the tests
// of the classes that write into it.

#include "core/CMpegBuffer.h"

#include <vector>

inline std::vector<uint8_t> ReadRing(CMpegBuffer* pRing)
{
    std::vector<uint8_t> out;
    const uint8_t* p = nullptr;
    uint32_t n = 0;
    uint8_t end = 0;
    while (pRing->ReadLock(&p, 0, &n, &end) >= 0) {
        out.insert(out.end(), p, p + n);
        pRing->ReadEnd();
    }
    return out;
}
