#pragma once
// A minute file's bytes collected in memory; can be told to fail from a given append on.

#include "core/IByteSink.h"

#include <cstdint>
#include <vector>

class CMemoryByteSink : public IByteSink {
public:
    bool Append(const uint8_t* p, size_t cb) override
    {
        if (appends++ >= failFromAppend) return false;
        bytes.insert(bytes.end(), p, p + cb);
        return true;
    }
    bool Flush() override { return true; }

    std::vector<uint8_t> bytes;
    size_t appends = 0;
    size_t failFromAppend = SIZE_MAX;
};
