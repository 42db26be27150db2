#include "tools/camera/CDatagramCutter.h"

#include <algorithm>
#include <cstring>

std::vector<Datagram> CDatagramCutter::Cut(const FirstStreamHead& parameters, const uint8_t* pUnit, size_t cbUnit)
{
    std::vector<Datagram> datagrams;
    size_t pos = std::min(cbUnit, m_cbFirstData);
    datagrams.push_back(FirstDatagram(parameters, pUnit, pos, cbUnit));
    for (uint8_t bNumber = 1; pos < cbUnit; bNumber++) {
        const size_t cb = std::min(cbUnit - pos, m_cbContData);
        datagrams.push_back(ContDatagram(bNumber, pUnit + pos, cb));
        pos += cb;
    }
    m_bSequence++;
    return datagrams;
}

Datagram CDatagramCutter::FirstDatagram(FirstStreamHead head, const uint8_t* pData, size_t cbData, size_t cbUnit)
{
    head.common.usType = m_bMulticast ? PTYPE_MC_FIRST : PTYPE_FIRST;
    head.common.usHLength = FirstStreamHead::kSize;
    head.bSequence = m_bSequence;
    head.bPacketNumber = 0;
    head.usDataLength = static_cast<uint16_t>(cbData);
    head.ulTotalLength = static_cast<uint32_t>(cbUnit);
    Datagram datagram(FirstStreamHead::kSize + cbData);
    EncodeFirstStreamHead(head, datagram.data());
    std::memcpy(datagram.data() + FirstStreamHead::kSize, pData, cbData);
    return datagram;
}

Datagram CDatagramCutter::ContDatagram(uint8_t bPacketNumber, const uint8_t* pData, size_t cbData)
{
    ContStreamHead head = {};
    std::memcpy(head.common.identifier, kHeadIdentifier, 4);
    head.common.usHLength = ContStreamHead::kSize;
    head.common.usType = m_bMulticast ? PTYPE_MC_CONT : PTYPE_CONT;
    head.bPacketNumber = bPacketNumber;
    head.usDataLength = static_cast<uint16_t>(cbData);
    Datagram datagram(ContStreamHead::kSize + cbData);
    EncodeContStreamHead(head, datagram.data());
    std::memcpy(datagram.data() + ContStreamHead::kSize, pData, cbData);
    return datagram;
}
