// The input as a program stream, given to the trimmer in pieces whose sizes are
// read from the input too, then ended. What it gives must be the stream's first
// bytes, the same whatever the pieces, and all of it up to the last pack start
// code found byte by byte; a kept part of the last pack ends where the stream
// ends, at most three bytes short of it, or at a program end code.

#include "core/CPackTailTrimmer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool bHolds)
{
    if (!bHolds) std::abort();
}

void Give(const CPackTailTrimmer::Ready& ready, const uint8_t* pNew, std::vector<uint8_t>* pOut)
{
    pOut->insert(pOut->end(), ready.pHeld, ready.pHeld + ready.cbHeld);
    pOut->insert(pOut->end(), pNew, pNew + ready.cbNew);
}

// Without sizes, in one piece.
std::vector<uint8_t> InPieces(const uint8_t* p, size_t cb, const uint8_t* pSizes, size_t cbSizes)
{
    CPackTailTrimmer trimmer;
    std::vector<uint8_t> out;
    for (size_t at = 0, n = 0; at < cb; n++) {
        const size_t piece = cbSizes ? std::min<size_t>(cb - at, pSizes[n % cbSizes] % 64 + (n % 5 == 0 ? 0 : 1)) : cb;
        Give(trimmer.Take(p + at, piece), p + at, &out);
        Require(trimmer.HeldBytes() <= CPackTailTrimmer::kMaxHeld);
        at += piece;
    }
    Give(trimmer.Finish(), nullptr, &out);
    return out;
}

size_t LastPackStart(const uint8_t* p, size_t cb)
{
    size_t last = cb;
    for (size_t i = 0; i + 4 <= cb; i++) {
        if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] == 0xBA) last = i;
    }
    return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const size_t cbSizes = data[0] % 16 + 1;
    if (size <= cbSizes) return 0;
    const uint8_t* p = data + cbSizes;
    const size_t cb = size - cbSizes;
    const std::vector<uint8_t> out = InPieces(p, cb, data, cbSizes);
    Require(out == InPieces(p, cb, nullptr, 0));
    Require(out.size() <= cb && std::equal(out.begin(), out.end(), p));
    const size_t last = LastPackStart(p, cb);
    if (last == cb) {
        Require(out.size() == cb);
        return 0;
    }
    Require(out.size() >= last);
    static const uint8_t kEnd[4] = {0, 0, 1, 0xB9};
    const size_t kept = out.size();
    Require(kept == last || cb - kept <= 3 || (kept >= last + 16 && std::memcmp(p + kept - 4, kEnd, 4) == 0));
    return 0;
}
