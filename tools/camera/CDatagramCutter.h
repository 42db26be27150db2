#pragma once
// Cuts one stream unit into the datagrams a camera sends: a first head with the
// unit's sequence number and total length, then continuation heads numbered from 1,
// none of them longer than a receive block.

#include "core/CameraHeads.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using Datagram = std::vector<uint8_t>;

class CDatagramCutter {
public:
    static constexpr size_t kMaxDatagram = 4096;
    static constexpr size_t kMinDatagram = 64;
    // A first packet and 255 continuations (the packet number is one byte).
    static constexpr size_t MaxUnit(size_t cbMaxDatagram)
    {
        return cbMaxDatagram - FirstStreamHead::kSize + 255 * (cbMaxDatagram - ContStreamHead::kSize);
    }

    // `cbMaxDatagram`, heads included, from kMinDatagram to kMaxDatagram.
    explicit CDatagramCutter(bool bMulticast, size_t cbMaxDatagram = kMaxDatagram)
        : m_bMulticast(bMulticast),
          m_cbFirstData(cbMaxDatagram - FirstStreamHead::kSize),
          m_cbContData(cbMaxDatagram - ContStreamHead::kSize)
    {
    }

    // `parameters` gives the first head's stream parameters; the unit may not exceed MaxUnit().
    std::vector<Datagram> Cut(const FirstStreamHead& parameters, const uint8_t* pUnit, size_t cbUnit);
    uint8_t NextSequence() const { return m_bSequence; }

private:
    Datagram FirstDatagram(FirstStreamHead head, const uint8_t* pData, size_t cbData, size_t cbUnit);
    Datagram ContDatagram(uint8_t bPacketNumber, const uint8_t* pData, size_t cbData);

    const bool m_bMulticast;
    const size_t m_cbFirstData;
    const size_t m_cbContData;
    uint8_t m_bSequence = 0;
};
