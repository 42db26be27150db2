#pragma once
// The system clock reference of a program stream's pack headers, found in bytes
// that arrive in pieces of any size: a header cut between two pieces is found in
// the second.

#include <cstddef>
#include <cstdint>

class CPackClock {
public:
    static constexpr uint64_t kHz = 90000;

    // True when the bytes complete at least one pack header: *pScr is the first one's
    // clock reference (90 kHz).
    bool Feed(const uint8_t* p, size_t cb, uint64_t* pScr);
    // The clock reference of the pack header at p (MPEG-1 or MPEG-2), which holds 9 bytes at least.
    static uint64_t Scr(const uint8_t* p);

private:
    static constexpr size_t kHeadBytes = 9;  // the start code and the clock reference
    bool FindInTail(const uint8_t* p, size_t cb, uint64_t* pScr);

    uint8_t m_Tail[kHeadBytes - 1] = {};  // the last bytes of the piece before
    size_t m_cbTail = 0;
};
