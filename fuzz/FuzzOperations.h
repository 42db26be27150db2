#pragma once
// What the fuzz targets of the indexed buffers share: the input read as operands,
// a check that ends the run, and the byte pattern of a packet, whose bytes show
// whether they are still the packet's.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The bytes of packet `seq` repeat every kPeriod bytes from an offset of its own,
// so that whole runs of them are copied and compared: byte loops here would cost
// most of a run's time in traced compares.
constexpr uint32_t kPeriod = 251;

inline const uint8_t* PatternTable()
{
    static const auto table = [] {
        std::array<uint8_t, 2 * kPeriod> t = {};
        for (uint32_t i = 0; i < t.size(); i++) t[i] = static_cast<uint8_t>(((i % kPeriod) + 1) * 0x9E3779B97F4A7C15ull >> 56);
        return t;
    }();
    return table.data();
}

inline void FillPattern(uint8_t* p, uint64_t length, uint64_t seq, uint64_t from)
{
    const uint8_t* pFrom = PatternTable() + (seq * 131 + from) % kPeriod;
    for (uint64_t n; length; p += n, length -= n) std::memcpy(p, pFrom, n = std::min<uint64_t>(length, kPeriod));
}

inline bool HoldsPattern(const uint8_t* p, uint64_t length, uint64_t seq)
{
    const uint8_t* pFrom = PatternTable() + seq * 131 % kPeriod;
    for (uint64_t n; length; p += n, length -= n)
        if (std::memcmp(p, pFrom, n = std::min<uint64_t>(length, kPeriod))) return false;
    return true;
}

inline void Require(bool bHolds)
{
    if (!bHolds) std::abort();
}

class CInput {
public:
    CInput(const uint8_t* pData, size_t size) : m_pData(pData), m_nSize(size) {}
    bool More() const { return m_nAt < m_nSize; }
    uint32_t Byte() { return More() ? m_pData[m_nAt++] : 0; }
    uint32_t Word() { return Byte() << 8 | Byte(); }
    uint32_t Dword() { return Word() << 16 | Word(); }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nAt = 0;
};

// The model's operations over the whole input, on a buffer kept between runs (a
// fresh one for every run cost more in page faults than the run itself).
template <class TModel, class TBuffer>
int RunModel(TBuffer* pBuffer, const uint8_t* pData, size_t size)
{
    pBuffer->Init();
    TModel model(pBuffer);
    CInput in(pData, size);
    while (in.More()) model.Run(in);
    return 0;
}
