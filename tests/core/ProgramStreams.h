#pragma once
// Program streams for the parser's tests, fuzz target and benchmark: packs of the
// camera's layout made to order, and what the parser must make of a stream, found
// byte by byte.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ps {

enum class Kind { Key, Video, Audio, AudioBehindSystemHeader, Other, OtherBehindSystemHeader };

inline bool IsStartCode(const uint8_t* p, uint8_t code) { return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == code; }

// The first pack start code at 0 to last, compared byte by byte; -1 without one.
inline int32_t ReferenceSearch(const uint8_t* pBytes, int32_t last)
{
    for (int32_t i = 0; i <= last; i++) {
        if (IsStartCode(pBytes + i, 0xBA)) return i;
    }
    return -1;
}

// 0 key, 1 video, 2 audio, 3 other, from the start codes at 14 and 62.
inline int32_t ReferenceType(const uint8_t* pPack)
{
    if (IsStartCode(pPack + 14, 0xBB)) return IsStartCode(pPack + 62, 0xE0) ? 0 : IsStartCode(pPack + 62, 0xC0) ? 2 : 3;
    return IsStartCode(pPack + 14, 0xE0) ? 1 : IsStartCode(pPack + 14, 0xC0) ? 2 : 3;
}

inline void PutStartCode(std::vector<uint8_t>& bytes, size_t at, uint8_t code)
{
    const uint8_t startCode[4] = {0, 0, 1, code};
    for (size_t i = 0; i < 4 && at + i < bytes.size(); i++) bytes[at + i] = startCode[i];
}

// A pack of `size` bytes (at least 66 behind a system header, 18 otherwise); the
// bytes that tell no type hold no zero, so that no start code hides among them.
inline std::vector<uint8_t> MakePack(Kind kind, size_t size, uint32_t seed = 0)
{
    std::vector<uint8_t> pack(size);
    for (size_t i = 0; i < size; i++) pack[i] = static_cast<uint8_t>(1 + (i * 31 + seed * 7) % 250);
    PutStartCode(pack, 0, 0xBA);
    switch (kind) {
    case Kind::Key: PutStartCode(pack, 14, 0xBB), PutStartCode(pack, 62, 0xE0); break;
    case Kind::Video: PutStartCode(pack, 14, 0xE0); break;
    case Kind::Audio: PutStartCode(pack, 14, 0xC0); break;
    case Kind::AudioBehindSystemHeader: PutStartCode(pack, 14, 0xBB), PutStartCode(pack, 62, 0xC0); break;
    case Kind::Other: PutStartCode(pack, 14, 0xBD); break;
    case Kind::OtherBehindSystemHeader: PutStartCode(pack, 14, 0xBB), PutStartCode(pack, 62, 0xBD); break;
    }
    return pack;
}

inline void Append(std::vector<uint8_t>& stream, const std::vector<uint8_t>& bytes)
{
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}

struct Pack {
    size_t offset;
    size_t size;
    uint32_t notKey;
};

// What the parser indexes of a whole stream: the packs from the first key pack on,
// cut at each start code at least 48 bytes behind the one before, each once the next
// start code and 62 bytes behind it are there. The last pack, which nothing ends, is
// left out; one of 200 bytes or more is always searched to its end, wherever the
// ring's end falls.
// bEnded: the stream has ended, so a pack ends at its successor's start code alone,
// and bytes past the end read as zeros.
inline std::vector<Pack> ExpectedPacks(std::vector<uint8_t> stream, bool bEnded = false)
{
    const size_t size = stream.size();
    stream.resize(size + 66, 0);
    std::vector<size_t> starts;
    for (size_t i = 0; i + 4 <= size; i++) {
        if (!starts.empty() && i < starts.back() + 48) continue;
        if (IsStartCode(&stream[i], 0xBA)) starts.push_back(i);
    }
    std::vector<Pack> packs;
    for (size_t n = 0; n + 1 < starts.size() && starts[n + 1] + (bEnded ? 4 : 66) <= size; n++) {
        const bool bKey = ReferenceType(&stream[starts[n]]) == 0;
        if (packs.empty() && !bKey) continue;
        packs.push_back({starts[n], starts[n + 1] - starts[n], bKey ? 0u : 1u});
    }
    return packs;
}

}  // namespace ps
