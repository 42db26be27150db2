// Any bytes as the live response body, through the record reader until it stops.
// Input: a flags byte (bits 0-2: piece sizes less one, bit 3: a host's session,
// bit 4: a seeming end follows, bit 5: the ring is not drained), the piece sizes
// (one byte each, b*b+1 bytes), with bit 4 a big-endian 16-bit offset and a byte
// (bit 0: twice), then the body.

#include "core/CHttpRecordReader.h"
#include "fuzz/CFuzzCamParmOwner.h"
#include "tests/core/CMemoryByteSource.h"
#include "tests/core/RingContents.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct Input {
    const uint8_t* p;
    size_t left;

    uint8_t Byte() { return left ? (left--, *p++) : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzOwner owner;
    Input in{data, size};
    const uint8_t flags = in.Byte();
    std::vector<uint32_t> pieces((flags & 7) + 1);
    for (uint32_t& piece : pieces) {
        const uint32_t b = in.Byte();
        piece = b * b + 1;
    }
    size_t endAt = 0;
    int endTimes = 0;
    if (flags & 0x10) {
        endAt = static_cast<size_t>(in.Byte()) << 8;
        endAt |= in.Byte();
        endTimes = 1 + (in.Byte() & 1);
    }
    CMemoryByteSource source(std::vector<uint8_t>(in.p, in.p + in.left));
    source.SetPieces(pieces);
    if (endTimes) source.EndAt(endAt, endTimes);

    CCamParm camParm(&owner);
    int32_t result = 0;
    CMpegBuffer ring(0x20000, &result);
    ring.SetReadySize(1);
    CHttpRecordReader reader(&source, &camParm, &owner, &ring, (flags & 8) != 0, &result);
    if (result < 0) return 0;
    while (reader.ReadRecord() >= 0) {
        if (!(flags & 0x20)) ReadRing(&ring);
    }
    return 0;
}
