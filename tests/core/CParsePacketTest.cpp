// Heads built byte by byte as a camera sends them, decoded into the stream
// information the host receives.

#include "core/CParsePacket.h"

#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CameraDatagrams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Parsed {
    int32_t result = 0;
    int32_t startOffset = -1;
    uint16_t dataLength = 0;
    uint32_t totalLength = 0;
    uint8_t packetNumber = 0;
    uint8_t sequence = 0;
};

std::vector<uint8_t> ResponseDatagram(ResponseHead h)
{
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = ResponseHead::kSize;
    h.common.usType = PTYPE_RES_HEAD;
    std::vector<uint8_t> bytes(ResponseHead::kSize);
    EncodeResponseHead(h, bytes.data());
    return bytes;
}

class CParsePacketTest : public testing::Test {
protected:
    uint16_t Check(const std::vector<uint8_t>& bytes, int32_t* pResult = nullptr)
    {
        CParsePacket parser(bytes.data(), bytes.size(), &camParm);
        uint16_t type = 0;
        int32_t result = parser.checkHead(&type);
        if (pResult) *pResult = result;
        return type;
    }

    Parsed Parse(const std::vector<uint8_t>& bytes)
    {
        CParsePacket parser(bytes.data(), bytes.size(), &camParm);
        uint16_t type = 0;
        Parsed out;
        out.result = parser.checkHead(&type);
        if (out.result < 0) return out;
        out.result = parser.ParseHead(&out.startOffset, &out.dataLength, &out.totalLength, &out.packetNumber,
                                      &out.sequence);
        return out;
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

TEST_F(CParsePacketTest, AFirstHeadDecodesIntoTheStreamInformationBlock)
{
    Parsed p = Parse(Datagram(FirstHead(PTYPE_FIRST, 100, 250), std::vector<uint8_t>(100, 0xEE)));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.dataLength, 100);
    EXPECT_EQ(p.totalLength, 250u);
    EXPECT_EQ(p.sequence, 7);
    EXPECT_EQ(p.startOffset, 0);

    // The block as the host reads it, up to the status (a first head has no extra byte).
    const uint8_t expected[42] = {1, 0, 0, 0, 0, 1, 1, 0, 1, 0x11, 0x22, 1, 2, 0, 3, 0, 0x15, 0, 0x09, 0, 0x06,
                                  0, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 15, 30, 19, 6, 12, 126, 0, 0, 3, 2, 1, 0xFF, 0, 0};
    const StreamInfoBlock block = camParm.GetBlock();
    EXPECT_EQ(std::memcmp(&block, expected, sizeof expected), 0);
    EXPECT_EQ(owner.bitRates, std::vector<uint32_t>{1000u});
    EXPECT_EQ(camParm.GetWidth(), 352u);
    EXPECT_EQ(camParm.GetHeight(), 240u);
    EXPECT_EQ(camParm.GetTotalLength(), 250u);
    EXPECT_EQ(camParm.GetRecvLength(), 100u);

    ASSERT_EQ(owner.events.size(), 1u);  // every first head tells the host
    EXPECT_EQ(owner.events[0].code, kEventStreamInfo);
    EXPECT_EQ(owner.events[0].param2, 74);

    Parse(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(150)));
    EXPECT_EQ(camParm.GetRecvLength(), 250u);
}

TEST_F(CParsePacketTest, MalformedHeadsAndDataThatRunPastTheDatagramAreRefused)
{
    std::vector<uint8_t> bytes = Datagram(FirstHead(PTYPE_FIRST, 100, 100), std::vector<uint8_t>(100));
    int32_t result = 0;
    bytes[6] = 0x72;
    bytes[7] = 0x03;  // 0x7203 is no type
    EXPECT_EQ(Check(bytes, &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kUnknownType);
    bytes[0] = 'X';
    EXPECT_EQ(Check(bytes, &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kWrongIdentifier);

    bytes = Datagram(FirstHead(PTYPE_FIRST, 100, 100), std::vector<uint8_t>(100));
    bytes.resize(120);  // the head says 100 data bytes, 70 arrived
    EXPECT_EQ(Parse(bytes).result, CParsePacket::kShortPacket);
    EXPECT_EQ(Check(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 7), &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kShortPacket);
    EXPECT_EQ(Check(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40), &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kShortPacket);  // shorter than its own head length
}

TEST_F(CParsePacketTest, AShortHeadLengthFailsTheParametersButKeepsThePacket)
{
    FirstStreamHead h = FirstHead(PTYPE_FIRST, 10, 10);
    h.common.usHLength = 40;
    std::vector<uint8_t> bytes = Datagram(h, std::vector<uint8_t>(10));
    Parsed p = Parse(bytes);
    EXPECT_EQ(p.result, -2);
    EXPECT_EQ(p.dataLength, 10);
    EXPECT_EQ(camParm.GetBlock().info.usStatus, kStatusNothingYet);
}

TEST_F(CParsePacketTest, FirstDataIsFoundInAFirstHeadAndPastAContinuationsStartOnly)
{
    const std::vector<uint8_t> data = PackWithSystemHeader(64);
    EXPECT_EQ(Parse(ContDatagram(PTYPE_CONT, 1, data)).result, 0);
    EXPECT_FALSE(camParm.IsFirstDataGet());

    std::vector<uint8_t> shifted(8, 0xFF);
    shifted.insert(shifted.end(), data.begin(), data.begin() + 40);
    Parsed cont = Parse(ContDatagram(PTYPE_MC_CONT, 3, shifted));
    EXPECT_EQ(cont.startOffset, 8);
    EXPECT_EQ(cont.packetNumber, 3);
    EXPECT_TRUE(camParm.IsFirstDataGet());
    EXPECT_EQ(owner.pushDataCreated, 1);

    camParm.SetFirstDataGet(false);
    Parsed first = Parse(Datagram(FirstHead(PTYPE_FIRST, 64, 64), data));
    EXPECT_EQ(first.result, 0);
    EXPECT_EQ(first.startOffset, 0);
    EXPECT_TRUE(camParm.IsFirstDataGet());
    EXPECT_EQ(owner.pushDataCreated, 2);
}

TEST_F(CParsePacketTest, AResponseHeadCarriesStatusAndResponseValuesAndItsSizeInEitherOrder)
{
    ResponseHead h = {};
    h.usFlag3 = 0x0102;
    h.usFrameRate = 4;
    h.usWidth = 720;
    h.usHeight = 480;
    h.bQuality = 3;
    h.usFlag1 = 0x0003;
    h.us2BitField1 = 2;
    h.usExtra = 0x00AB;
    h.usStatus = 0x8007;
    for (uint8_t i = 0; i < 24; i++) h.Response[i] = i;

    Parsed p = Parse(ResponseDatagram(h));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.dataLength, 0);
    const STRM_HEAD_INFO s = camParm.GetBlock().info;
    EXPECT_EQ(s.bFlag3, 0x02);
    EXPECT_EQ(s.bFlag1, 1);
    EXPECT_EQ(s.bResolution, 2);
    EXPECT_EQ(s.usFrameRate, 4);
    EXPECT_EQ(s.b2BitField1, 2);
    EXPECT_EQ(s.bExtra, 0xAB);
    EXPECT_EQ(s.usStatus, 0x8007);
    EXPECT_EQ(s.Response[23], 23);
    EXPECT_EQ(owner.events.size(), 1u);  // an error status is notified

    std::vector<uint8_t> hostOrder = ResponseDatagram({});  // a size in host order is still recognised
    hostOrder[26] = 352 & 0xFF;
    hostOrder[27] = 352 >> 8;
    hostOrder[28] = 240;
    hostOrder[29] = 0;
    ASSERT_EQ(Parse(hostOrder).result, 0);
    EXPECT_EQ(camParm.GetBlock().info.bResolution, 1);
    EXPECT_EQ(camParm.GetHeight(), 240u);
}

TEST_F(CParsePacketTest, AShortHttpStreamHeadIsRefused)
{
    std::vector<uint8_t> whole = Datagram(FirstHead(PTYPE_FIRST, 500, 900), {});
    std::vector<uint8_t> body(whole.begin() + 14, whole.end());
    FirstStreamHead head;
    CParsePacket shortBody(body.data(), 35, &camParm, PTYPE_HTTP);
    EXPECT_EQ(shortBody.GetHTTPStrmHead(&head), CParsePacket::kShortPacket);
    CParsePacket notHttp(body.data(), body.size(), &camParm);
    EXPECT_EQ(notHttp.GetHTTPStrmHead(&head), -1);
}

TEST(FindSystemHeaderTest, FindsAPackHeaderDirectlyFollowedByASystemHeaderAsTheCameraDoes)
{
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(20).data(), 20), -1);
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(32).data(), 32), 0);
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(21).data(), 21), 0);

    // Only the first zero of each group of four is tried, and the search resumes 18
    // bytes after a pack without a system header: the camera's own search.
    const uint8_t pack[] = {0, 0, 1, 0xBA};
    const uint8_t system[] = {0, 0, 1, 0xBB};
    std::vector<uint8_t> shifted(40, 0xFF);
    shifted[0] = 0;
    std::memcpy(shifted.data() + 1, pack, 4);
    std::memcpy(shifted.data() + 15, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(shifted.data(), shifted.size()), -1);
    std::vector<uint8_t> data(80, 0xFF);
    std::memcpy(data.data(), pack, 4);  // followed at +14 by 0xFF bytes
    std::memcpy(data.data() + 20, pack, 4);
    std::memcpy(data.data() + 34, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(data.data(), data.size()), 20);
    std::vector<uint8_t> close(80, 0xFF);
    std::memcpy(close.data(), pack, 4);
    std::memcpy(close.data() + 16, pack, 4);
    std::memcpy(close.data() + 30, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(close.data(), close.size()), -1);
}

}  // namespace
