#pragma once
// Camera datagrams built byte by byte as a camera sends them, for the tests of the
// classes that read them.

#include "core/CameraHeads.h"

#include <cstring>
#include <vector>

inline const uint8_t kMacA[6] = {0x00, 0x80, 0x45, 0x01, 0x02, 0x03};
inline const uint8_t kMacB[6] = {0x00, 0x80, 0x45, 0x09, 0x09, 0x09};

// A pack header without stuffing (14 bytes) and a system header start: where a unit may begin.
inline std::vector<uint8_t> PackWithSystemHeader(size_t size)
{
    std::vector<uint8_t> data(size, 0xFF);
    const uint8_t pack[] = {0, 0, 1, 0xBA};
    const uint8_t system[] = {0, 0, 1, 0xBB};
    std::memcpy(data.data(), pack, 4);
    std::memcpy(data.data() + 14, system, 4);
    return data;
}

inline FirstStreamHead FirstHead(uint16_t type, uint16_t dataLength, uint32_t totalLength)
{
    FirstStreamHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = FirstStreamHead::kSize;
    h.common.usType = type;
    std::memcpy(h.mac, kMacA, 6);
    h.ulParamBits = 1u << 1 | 1u << 3 | 1u << 24 | 1u << 27 | 3u << 6 | 0x15u << 11 | 0x9u << 16 | 0x6u << 20;
    h.usWidth = 352;
    h.usHeight = 240;
    h.bQuality = 2;
    h.bVideoSystem = 0;
    h.bParamByte1 = 0x11;
    h.bParamByte2 = 0x22;
    h.usParamWord1 = 0x1234;
    h.usParamWord2 = 0x5678;
    h.usParamWord3 = 0x9ABC;
    const uint8_t stamp[6] = {15, 30, 19, 6, 12, 126};
    std::memcpy(h.TimeStamp, stamp, 6);
    h.b2BitFields = 0x1B;  // fields 3, 2, 1
    h.bBitRate = 0x4A;     // bits 0-5 = 10: 1000 kbit/s
    h.bSequence = 7;
    h.bPacketNumber = 0;
    h.usDataLength = dataLength;
    h.ulTotalLength = totalLength;
    return h;
}

inline std::vector<uint8_t> Datagram(const FirstStreamHead& h, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> bytes(FirstStreamHead::kSize);
    EncodeFirstStreamHead(h, bytes.data());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

inline std::vector<uint8_t> ContDatagram(uint16_t type, uint8_t packetNumber, const std::vector<uint8_t>& data)
{
    ContStreamHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = ContStreamHead::kSize;
    h.common.usType = type;
    h.bPacketNumber = packetNumber;
    h.usDataLength = static_cast<uint16_t>(data.size());
    std::vector<uint8_t> bytes(ContStreamHead::kSize);
    EncodeContStreamHead(h, bytes.data());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// A record of the HTTP body: the identify head (with the camera's status), the 36
// bytes of the stream head that announce data.size() bytes, and the data.
inline std::vector<uint8_t> HttpRecord(const std::vector<uint8_t>& data, uint16_t status = 0,
                                       uint16_t headLength = FirstStreamHead::kSize)
{
    const uint32_t total = static_cast<uint32_t>(data.size());
    std::vector<uint8_t> bytes(FirstStreamHead::kSize);
    EncodeFirstStreamHead(FirstHead(PTYPE_FIRST, static_cast<uint16_t>(total > 0xFFFF ? 0xFFFF : total), total),
                          bytes.data());
    IDENTYFY_HEAD identify = {};
    std::memcpy(identify.identifier, kHeadIdentifier, 4);
    identify.usHLength = headLength;
    identify.usStatus = status;
    EncodeIdentifyHead(identify, bytes.data());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}
