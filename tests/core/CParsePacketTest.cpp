// Heads built byte by byte as a camera sends them, decoded into the stream
// information the host receives.

#include "core/CParsePacket.h"

#include "core/ByteOrder.h"
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
    Parsed p = Parse(Datagram(FirstHead(PTYPE_FIRST, 100, 3000), std::vector<uint8_t>(100, 0xEE)));
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.dataLength, 100);
    EXPECT_EQ(p.totalLength, 3000u);
    EXPECT_EQ(p.sequence, 7);
    EXPECT_EQ(p.startOffset, 0);

    const STRM_HEAD_INFO s = camParm.GetBlock().info;
    EXPECT_EQ(s.bFlag1, 1);
    EXPECT_EQ(s.bFlag2, 0);
    EXPECT_EQ(s.bFlag3, 1);
    EXPECT_EQ(s.bFlag24, 1);
    EXPECT_EQ(s.bFlag27, 1);
    EXPECT_EQ(s.bParamByte1, 0x11);
    EXPECT_EQ(s.bParamByte2, 0x22);
    EXPECT_EQ(s.bResolution, 1);
    EXPECT_EQ(s.bQuality, 2);
    EXPECT_EQ(s.usFrameRate, 3);
    EXPECT_EQ(s.usField11_15, 0x15);
    EXPECT_EQ(s.usField16_19, 0x9);
    EXPECT_EQ(s.usField20_23, 0x6);
    EXPECT_EQ(s.usParamWord1, 0x1234);
    EXPECT_EQ(s.usParamWord3, 0x9ABC);
    const uint8_t stamp[6] = {15, 30, 19, 6, 12, 126};
    EXPECT_EQ(std::memcmp(s.TimeStamp, stamp, 6), 0);
    EXPECT_EQ(s.b2BitField0, 3);
    EXPECT_EQ(s.b2BitField1, 2);
    EXPECT_EQ(s.b2BitField2, 1);
    EXPECT_EQ(s.usStatus, kStatusOk);
    EXPECT_EQ(camParm.GetAvgBitRate(), 1000u);
    EXPECT_EQ(camParm.GetWidth(), 352u);
    EXPECT_EQ(camParm.GetHeight(), 240u);
    EXPECT_EQ(camParm.GetTotalLength(), 3000u);
    EXPECT_EQ(camParm.GetRecvLength(), 100u);

    ASSERT_EQ(owner.events.size(), 1u);  // every first head tells the host
    EXPECT_EQ(owner.events[0].code, kEventStreamInfo);
    EXPECT_EQ(owner.events[0].param2, 74);
}

TEST_F(CParsePacketTest, TheBlockTheHostReadsHasTheWireLayout)
{
    Parse(Datagram(FirstHead(PTYPE_FIRST, 10, 10), std::vector<uint8_t>(10)));
    StreamInfoBlock block = camParm.GetBlock();
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&block);
    EXPECT_EQ(b[11], 1);                    // resolution index
    EXPECT_EQ(b[14] | b[15] << 8, 3);       // frame-rate code, little-endian
    EXPECT_EQ(b[22] | b[23] << 8, 0x1234);  // parameter word 1
    EXPECT_EQ(b[28], 15);                   // time stamp seconds
    EXPECT_EQ(b[40] | b[41] << 8, 0);       // status
}

TEST_F(CParsePacketTest, WrongIdentifierAndUnknownTypeAreRefused)
{
    std::vector<uint8_t> bytes = Datagram(FirstHead(PTYPE_FIRST, 0, 0), {});
    int32_t result = 0;
    bytes[6] = 0x72;
    bytes[7] = 0x03;  // 0x7203 is no type
    EXPECT_EQ(Check(bytes, &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kUnknownType);
    bytes[0] = 'X';
    EXPECT_EQ(Check(bytes, &result), PTYPE_INVALID);
    EXPECT_EQ(result, CParsePacket::kWrongIdentifier);
}

TEST_F(CParsePacketTest, TheFirstMulticastHeadTeachesTheMacAndAnotherMacIsADuplicate)
{
    EXPECT_EQ(Check(Datagram(FirstHead(PTYPE_MC_FIRST, 0, 0), {})), PTYPE_MC_FIRST);
    uint8_t stored[6];
    camParm.GetMacAddress(stored);
    EXPECT_EQ(std::memcmp(stored, kMacA, 6), 0);

    EXPECT_EQ(Check(Datagram(FirstHead(PTYPE_MC_FIRST, 0, 0), {})), PTYPE_MC_FIRST);
    FirstStreamHead other = FirstHead(PTYPE_MC_FIRST, 0, 0);
    std::memcpy(other.mac, kMacB, 6);
    EXPECT_EQ(Check(Datagram(other, {})), PTYPE_DUPLICATED);
}

TEST_F(CParsePacketTest, AStoredMacWithZeroVendorBytesNeverFires)
{
    const uint8_t zeroVendor[6] = {0, 0, 0, 7, 7, 7};
    camParm.SetMacAddress(zeroVendor);
    FirstStreamHead other = FirstHead(PTYPE_MC_FIRST, 0, 0);
    std::memcpy(other.mac, kMacB, 6);
    EXPECT_EQ(Check(Datagram(other, {})), PTYPE_MC_FIRST);
}

TEST_F(CParsePacketTest, HeadsAndDataThatRunPastTheDatagramAreRefused)
{
    std::vector<uint8_t> bytes = Datagram(FirstHead(PTYPE_FIRST, 100, 100), std::vector<uint8_t>(100));
    bytes.resize(120);  // the head says 100 data bytes, 70 arrived
    Parsed p = Parse(bytes);
    EXPECT_EQ(p.result, CParsePacket::kShortPacket);

    int32_t result = 0;
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

TEST_F(CParsePacketTest, FirstDataIsFoundInAFirstHeadButNotAtTheStartOfAContinuation)
{
    std::vector<uint8_t> data = PackWithSystemHeader(64);
    Parsed cont = Parse(ContDatagram(PTYPE_CONT, 1, data));
    EXPECT_EQ(cont.result, 0);
    EXPECT_FALSE(camParm.IsFirstDataGet());
    EXPECT_EQ(owner.pushDataCreated, 0);

    Parsed first = Parse(Datagram(FirstHead(PTYPE_FIRST, 64, 64), data));
    EXPECT_EQ(first.result, 0);
    EXPECT_EQ(first.startOffset, 0);
    EXPECT_TRUE(camParm.IsFirstDataGet());
    EXPECT_EQ(owner.pushDataCreated, 1);
}

TEST_F(CParsePacketTest, AContinuationFindsFirstDataPastItsStart)
{
    std::vector<uint8_t> data(8, 0xFF);
    std::vector<uint8_t> pack = PackWithSystemHeader(40);
    data.insert(data.end(), pack.begin(), pack.end());
    Parsed cont = Parse(ContDatagram(PTYPE_MC_CONT, 3, data));
    EXPECT_EQ(cont.startOffset, 8);
    EXPECT_EQ(cont.packetNumber, 3);
    EXPECT_EQ(cont.totalLength, 0u);
    EXPECT_TRUE(camParm.IsFirstDataGet());
}

TEST_F(CParsePacketTest, ContinuationsAddToTheUnitsReceivedLength)
{
    Parse(Datagram(FirstHead(PTYPE_FIRST, 100, 250), std::vector<uint8_t>(100)));
    Parse(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(150)));
    EXPECT_EQ(camParm.GetRecvLength(), 250u);
}

TEST_F(CParsePacketTest, AResponseHeadCarriesStatusAndResponseValues)
{
    ResponseHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = ResponseHead::kSize;
    h.common.usType = PTYPE_RES_HEAD;
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
    std::vector<uint8_t> bytes(ResponseHead::kSize);
    EncodeResponseHead(h, bytes.data());

    Parsed p = Parse(bytes);
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
}

TEST_F(CParsePacketTest, AResponseSizeInHostOrderIsStillRecognised)
{
    ResponseHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = ResponseHead::kSize;
    h.common.usType = PTYPE_RES_HEAD;
    std::vector<uint8_t> bytes(ResponseHead::kSize);
    EncodeResponseHead(h, bytes.data());
    bytes[26] = 352 & 0xFF;  // little-endian width and height
    bytes[27] = 352 >> 8;
    bytes[28] = 240;
    bytes[29] = 0;
    ASSERT_EQ(Parse(bytes).result, 0);
    EXPECT_EQ(camParm.GetBlock().info.bResolution, 1);
    EXPECT_EQ(camParm.GetHeight(), 240u);
}

TEST_F(CParsePacketTest, AMulticastStopStoresItsStatusWithoutNotifying)
{
    MulticastStopHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = MulticastStopHead::kSize;
    h.common.usType = PTYPE_MC_STOP;
    h.usStatus = 0;
    std::vector<uint8_t> bytes(MulticastStopHead::kSize);
    EncodeMulticastStopHead(h, bytes.data());
    ASSERT_EQ(Parse(bytes).result, 0);
    EXPECT_EQ(camParm.GetStatus(), 0);
    EXPECT_TRUE(owner.events.empty());
}

TEST_F(CParsePacketTest, TheHttpBodyDecodesLikeAFirstHead)
{
    std::vector<uint8_t> whole = Datagram(FirstHead(PTYPE_FIRST, 500, 900), {});
    std::vector<uint8_t> body(whole.begin() + 14, whole.end());
    CParsePacket parser(body.data(), body.size(), &camParm, PTYPE_HTTP);
    FirstStreamHead head;
    ASSERT_EQ(parser.GetHTTPStrmHead(&head), 0);
    EXPECT_EQ(head.usDataLength, 500);
    EXPECT_EQ(head.ulTotalLength, 900u);
    EXPECT_EQ(head.usParamWord2, 0x5678);
    EXPECT_EQ(parser.StrmParmSet(head), 0);
    EXPECT_EQ(camParm.GetBlock().info.bResolution, 1);

    CParsePacket shortBody(body.data(), 35, &camParm, PTYPE_HTTP);
    EXPECT_EQ(shortBody.GetHTTPStrmHead(&head), CParsePacket::kShortPacket);
    CParsePacket notHttp(body.data(), body.size(), &camParm);
    EXPECT_EQ(notHttp.GetHTTPStrmHead(&head), -1);
}

TEST_F(CParsePacketTest, HeadKindsRouteData)
{
    auto kind = [&](const std::vector<uint8_t>& bytes) {
        CParsePacket parser(bytes.data(), bytes.size(), &camParm);
        uint16_t type;
        parser.checkHead(&type);
        return parser.GetHeadKind();
    };
    EXPECT_EQ(kind(Datagram(FirstHead(PTYPE_FIRST, 0, 0), {})), 1);
    EXPECT_EQ(kind(ContDatagram(PTYPE_MC_CONT, 1, {})), 2);
    CParsePacket unchecked(nullptr, 0, &camParm);
    EXPECT_EQ(unchecked.GetHeadLength(), -1);
}

TEST(FindSystemHeaderTest, FindsAPackHeaderDirectlyFollowedByASystemHeader)
{
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(20).data(), 20), -1);
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(32).data(), 32), 0);
    EXPECT_EQ(CParsePacket::FindSystemHeader(PackWithSystemHeader(21).data(), 21), 0);
}

TEST(FindSystemHeaderTest, PassesOverAStartCodeBehindAnotherZeroOfItsGroup)
{
    std::vector<uint8_t> data(40, 0xFF);
    const uint8_t shifted[] = {0, 0, 0, 1, 0xBA};
    std::memcpy(data.data(), shifted, 5);
    const uint8_t system[] = {0, 0, 1, 0xBB};
    std::memcpy(data.data() + 15, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(data.data(), data.size()), -1);
}

TEST(FindSystemHeaderTest, ResumesEighteenBytesAfterAPackWithoutSystemHeader)
{
    std::vector<uint8_t> data(80, 0xFF);
    const uint8_t pack[] = {0, 0, 1, 0xBA};
    const uint8_t system[] = {0, 0, 1, 0xBB};
    std::memcpy(data.data(), pack, 4);  // followed at +14 by 0xFF bytes
    std::memcpy(data.data() + 20, pack, 4);
    std::memcpy(data.data() + 34, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(data.data(), data.size()), 20);
    // A second pack inside the skipped 18 bytes is not seen.
    std::vector<uint8_t> close(80, 0xFF);
    std::memcpy(close.data(), pack, 4);
    std::memcpy(close.data() + 16, pack, 4);
    std::memcpy(close.data() + 30, system, 4);
    EXPECT_EQ(CParsePacket::FindSystemHeader(close.data(), close.size()), -1);
}

TEST(CheckCameraStatusTest, OnlyZeroIsNoError)
{
    EXPECT_FALSE(CParsePacket::CheckCameraStatus(0));
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x8007));
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x8100));
}

}  // namespace
