// Camera heads from arbitrary bytes: the first two bytes give the length the
// receiver claims to hold (never more than it has), the rest is the datagram.

#include "core/CParsePacket.h"
#include "fuzz/CFuzzCamParmOwner.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void ParseDatagram(const uint8_t* data, size_t size, CCamParm* camParm)
{
    CParsePacket parser(data, size, camParm);
    uint16_t type = 0;
    if (parser.checkHead(&type) < 0 || type == PTYPE_DUPLICATED) return;
    int32_t start = 0;
    uint16_t dataLength = 0;
    uint32_t total = 0;
    uint8_t packet = 0, sequence = 0;
    parser.ParseHead(&start, &dataLength, &total, &packet, &sequence);
    camParm->PacketCheck();
    camParm->SequenceCheck(sequence);
}

void ParseHttpBody(const uint8_t* data, size_t size, CCamParm* camParm)
{
    CParsePacket parser(data, size, camParm, PTYPE_HTTP);
    FirstStreamHead head;
    if (parser.GetHTTPStrmHead(&head) == 0) parser.StrmParmSet(head);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    size_t claimed = static_cast<size_t>(data[0] << 8 | data[1]);
    // An exact-size copy, so that a read past the claimed length is caught.
    size_t received = claimed < size - 2 ? claimed : size - 2;
    std::vector<uint8_t> datagram(data + 2, data + 2 + received);
    static CFuzzOwner owner;
    CCamParm camParm(&owner);
    ParseDatagram(datagram.data(), datagram.size(), &camParm);
    ParseHttpBody(datagram.data(), datagram.size(), &camParm);
    CParsePacket::FindSystemHeader(datagram.data(), datagram.size());
    camParm.GetBlock();
    return 0;
}
