#pragma once
// Where a minute file's bytes are read from: a file handle in the library,
// memory in tests and the fuzzer.

#include <cstddef>
#include <cstdint>

class IRandomAccessSource {
public:
    virtual ~IRandomAccessSource() = default;

    virtual uint64_t Size() = 0;
    // Up to cb bytes from offset into pDest; returns how many were read.
    virtual size_t ReadAt(uint64_t offset, uint8_t* pDest, size_t cb) = 0;
};
