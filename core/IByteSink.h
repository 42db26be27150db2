#pragma once
// Where a minute file's bytes go: a file handle in the library, memory in tests.

#include <cstddef>
#include <cstdint>

class IByteSink {
public:
    virtual ~IByteSink() = default;

    // Appends all cb bytes or fails.
    virtual bool Append(const uint8_t* p, size_t cb) = 0;
    // Makes what was appended durable, so that a power loss keeps it.
    virtual bool Flush() = 0;
};
