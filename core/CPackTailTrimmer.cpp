#include "core/CPackTailTrimmer.h"

#include "core/ByteOrder.h"

#include <algorithm>

namespace {

constexpr uint8_t kPackStart = 0xBA;
constexpr uint8_t kProgramEnd = 0xB9;
constexpr size_t kCodeBytes = 4;
constexpr size_t kPacketHeadBytes = 6;  // the start code and the 16-bit length
constexpr size_t kNone = ~size_t{0};

bool IsStartCode(const uint8_t* p, uint8_t code) { return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == code; }

// A system header or a PES packet: a start code above the pack's, then a length.
bool IsPacketStart(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] > kPackStart; }

// Searched from the end: the last one lies within a pack's length of it.
size_t LastPackStart(const uint8_t* p, size_t cb)
{
    for (size_t end = cb; end >= kCodeBytes; end--) {
        if (p[end - 1] == kPackStart && IsStartCode(p + end - kCodeBytes, kPackStart)) return end - kCodeBytes;
    }
    return kNone;
}

// MPEG-2 pack headers are 14 bytes and their stuffing, MPEG-1 ones 12; 0 when not all there.
size_t PackHeaderLength(const uint8_t* p, size_t cb)
{
    if (cb < 12) return 0;
    if ((p[4] >> 6) == 1) return cb >= 14 && cb >= 14u + (p[13] & 7) ? 14u + (p[13] & 7) : 0;
    return (p[4] >> 4) == 2 ? 12 : 0;
}

// Up to three bytes that may open the next pack's start code.
bool IsCutStartCode(const uint8_t* p, size_t cb)
{
    static const uint8_t kPrefix[kCodeBytes - 1] = {0, 0, 1};
    return cb < kCodeBytes && std::equal(p, p + cb, kPrefix);
}

// How much of the pack at p, held to the stream's end, is whole; 0 when none.
size_t WholePackLength(const uint8_t* p, size_t cb)
{
    size_t pos = PackHeaderLength(p, cb);
    if (pos == 0) return 0;
    while (cb - pos >= kPacketHeadBytes && IsPacketStart(p + pos)) {
        const size_t next = pos + kPacketHeadBytes + ReadBE16(p + pos + 4);
        if (next > cb) return 0;
        pos = next;
    }
    if (cb - pos >= kCodeBytes && IsStartCode(p + pos, kProgramEnd)) return pos + kCodeBytes;
    return IsCutStartCode(p + pos, cb - pos) ? pos : 0;
}

}  // namespace

CPackTailTrimmer::Ready CPackTailTrimmer::Take(const uint8_t* p, size_t cb)
{
    size_t at = LastPackStart(p, cb);
    at = at != kNone ? m_Held.size() + at : StraddlingPackStart(p, cb);
    if (at == kNone && m_bInPack) at = 0;  // the held pack goes on
    const size_t total = m_Held.size() + cb;
    m_bInPack = at != kNone && total - at <= kMaxHeld;
    if (!m_bInPack) at = total - std::min(total, kCodeBytes - 1);  // held back: what may open a start code
    return Split(at, p, cb);
}

// A start code that begins in the held bytes and ends in p, as a place in both
// together; the held bytes were searched before.
size_t CPackTailTrimmer::StraddlingPackStart(const uint8_t* p, size_t cb) const
{
    const size_t held = m_Held.size();
    uint8_t joined[2 * (kCodeBytes - 1)];
    const size_t fromHeld = std::min(held, kCodeBytes - 1), fromNew = std::min(cb, kCodeBytes - 1);
    std::copy(m_Held.end() - static_cast<ptrdiff_t>(fromHeld), m_Held.end(), joined);
    std::copy(p, p + fromNew, joined + fromHeld);
    for (size_t i = fromHeld; i-- > 0;) {
        if (i + kCodeBytes <= fromHeld + fromNew && IsStartCode(joined + i, kPackStart)) return held - fromHeld + i;
    }
    return kNone;
}

// Everything before `at` (in the held bytes and p together) is given; the rest is held.
CPackTailTrimmer::Ready CPackTailTrimmer::Split(size_t at, const uint8_t* p, size_t cb)
{
    const size_t held = m_Held.size();
    if (at == 0) {
        m_Held.insert(m_Held.end(), p, p + cb);
        return {};
    }
    if (at < held) {
        m_Spare.assign(m_Held.begin() + static_cast<ptrdiff_t>(at), m_Held.end());
        m_Spare.insert(m_Spare.end(), p, p + cb);
    } else {
        m_Spare.assign(p + (at - held), p + cb);
    }
    m_Held.swap(m_Spare);
    return {m_Spare.data(), std::min(at, held), at > held ? at - held : 0};
}

CPackTailTrimmer::Ready CPackTailTrimmer::Finish()
{
    const size_t keep = m_bInPack ? WholePackLength(m_Held.data(), m_Held.size()) : m_Held.size();
    m_Held.swap(m_Spare);
    m_Held.clear();
    m_bInPack = false;
    return {m_Spare.data(), keep, 0};
}
