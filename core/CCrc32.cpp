#include "core/CCrc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

void CCrc32::Update(const uint8_t* p, size_t cb)
{
    uint32_t c = m_State;
    for (size_t i = 0; i < cb; ++i) c = kTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    m_State = c;
}

uint32_t CCrc32::Of(const uint8_t* p, size_t cb)
{
    CCrc32 crc;
    crc.Update(p, cb);
    return crc.Value();
}
