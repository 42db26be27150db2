// A run of datagrams through the receiver's checks into a small ring buffer that a
// reader drains: each datagram is a two-byte big-endian length and its bytes (a
// length past the input ends the run at what is there).

#include "core/CDatagramWriter.h"
#include "fuzz/CFuzzCamParmOwner.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Drain(CMpegBuffer* ring)
{
    const uint8_t* p = nullptr;
    uint32_t n = 0;
    uint8_t end = 0;
    while (ring->ReadLock(&p, 0, &n, &end) >= 0) {
        volatile uint8_t touch = p[n - 1];  // every region handed out lies inside the ring
        (void)touch;
        ring->ReadEnd();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzOwner owner;
    CCamParm camParm(&owner);
    int32_t result = 0;
    CMpegBuffer ring(8192, &result);
    ring.SetReadySize(1);
    CDatagramWriter writer(&camParm, &ring, &owner);
    for (size_t at = 0; at + 2 <= size;) {
        const size_t claimed = static_cast<size_t>(data[at] << 8 | data[at + 1]);
        at += 2;
        const size_t length = claimed < size - at ? claimed : size - at;
        // An exact-size copy, so that a read past the datagram is caught.
        const std::vector<uint8_t> datagram(data + at, data + at + length);
        at += length;
        bool bStop = false;
        writer.DataWrite(datagram.data(), datagram.size(), &bStop);
        if (bStop) break;
        if (datagram.size() % 3 == 0) Drain(&ring);
    }
    return 0;
}
