// Camera heads from arbitrary bytes: the first two bytes give the length the
// receiver claims to hold (never more than it has), the rest is the datagram.

#include "core/CParsePacket.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class CFuzzOwner : public ICamParmOwner {
public:
    bool IsInGraph() override { return true; }
    int32_t SendGraphEvent(int32_t, intptr_t, intptr_t) override { return 0; }
    int32_t CreatePushData() override { return 0; }
    int32_t CreatePushPlay() override { return 0; }
    int32_t CreatePushES(uint32_t, int64_t) override { return 0; }
    void StopStream(bool) override {}
    void SetAvgBitRate(uint32_t) override {}
    double GetRate() override { return 1.0; }
    bool IsFileMode() override { return false; }
    bool GetLive() override { return true; }
    bool GetRec() override { return true; }
    uint8_t GetAudioModel() override { return 0; }
    bool GetSplitTime(int64_t*) override { return false; }
    void SetSplitPending(bool) override {}
};

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
