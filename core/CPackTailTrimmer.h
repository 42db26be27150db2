#pragma once
// Lets a program stream that arrives in pieces of any size be written so that it
// ends at a whole pack: it holds back the pack still being received (from its pack
// start code 00 00 01 BA on) and gives every byte before it at once. At the end
// the held pack is given when it is whole: its pack header (with its stuffing) and
// each packet behind it (with its 16-bit length) end where the stream ends, or at
// a program end code. Otherwise the stream is cut at that pack's start.
//
// Bytes before the first pack start are given as they come, and so is a stretch
// of more than kMaxHeld bytes without one: a held pack never grows past it.

#include <cstddef>
#include <cstdint>
#include <vector>

class CPackTailTrimmer {
public:
    static constexpr size_t kMaxHeld = 1 << 20;

    // What may be written now, in this order: cbHeld bytes at pHeld, bytes held
    // from before, then the first cbNew bytes of the piece just given. pHeld stays
    // valid until the next call.
    struct Ready {
        const uint8_t* pHeld = nullptr;
        size_t cbHeld = 0;
        size_t cbNew = 0;
    };

    Ready Take(const uint8_t* p, size_t cb);
    // At the stream's end: what the held bytes keep (cbNew is 0); the rest is
    // dropped, and the trimmer starts afresh.
    Ready Finish();
    size_t HeldBytes() const { return m_Held.size(); }

private:
    size_t StraddlingPackStart(const uint8_t* p, size_t cb) const;
    Ready Split(size_t at, const uint8_t* p, size_t cb);

    std::vector<uint8_t> m_Held;
    std::vector<uint8_t> m_Spare;  // the held bytes given last, kept until the next call
    bool m_bInPack = false;        // m_Held opens with a pack start code
};
