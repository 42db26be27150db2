#pragma once
// A minute file held in memory (not owned), for tests and the fuzzer.

#include "core/IRandomAccessSource.h"

#include <cstring>

class CMemoryFileSource : public IRandomAccessSource {
public:
    CMemoryFileSource(const uint8_t* p, size_t cb) : m_p(p), m_cb(cb) {}

    uint64_t Size() override { return m_cb; }
    size_t ReadAt(uint64_t offset, uint8_t* pDest, size_t cb) override
    {
        if (offset >= m_cb) return 0;
        const size_t n = cb < m_cb - offset ? cb : static_cast<size_t>(m_cb - offset);
        if (n) std::memcpy(pDest, m_p + offset, n);
        return n;
    }

private:
    const uint8_t* m_p;
    size_t m_cb;
};
