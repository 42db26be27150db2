// The parser's refusals as the trace log shows them.

#include "core/CParsePacket.h"

#include "core/CameraHeads.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CTraceCaptureScope.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> FirstDatagram(uint16_t type, const uint8_t (&mac)[6])
{
    FirstStreamHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = FirstStreamHead::kSize;
    h.common.usType = type;
    std::memcpy(h.mac, mac, 6);
    std::vector<uint8_t> bytes(FirstStreamHead::kSize);
    EncodeFirstStreamHead(h, bytes.data());
    return bytes;
}

class CParsePacketTraceTest : public testing::Test {
protected:
    int32_t Check(const std::vector<uint8_t>& bytes)
    {
        CParsePacket parser(bytes.data(), bytes.size(), &camParm);
        uint16_t type = 0;
        return parser.checkHead(&type);
    }

    CTraceCaptureScope trace;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

TEST_F(CParsePacketTraceTest, AWrongIdentifierIsTracedAsItsLittleEndianNumber)
{
    const uint8_t mac[6] = {0x00, 0x80, 0x45, 1, 2, 3};
    std::vector<uint8_t> bytes = FirstDatagram(PTYPE_FIRST, mac);
    std::memcpy(bytes.data(), "ABCD", 4);
    const size_t before = trace.LineCount();
    EXPECT_EQ(Check(bytes), CParsePacket::kWrongIdentifier);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : checkHead: Wrong Identifier!!: 0x44434241"));
    EXPECT_EQ(trace.LineCount(), before + 1);  // the field dump is a level-0 line
}

TEST_F(CParsePacketTraceTest, AnUnknownTypeIsRefusedWithoutALine)
{
    const uint8_t mac[6] = {0x00, 0x80, 0x45, 1, 2, 3};
    std::vector<uint8_t> bytes = FirstDatagram(PTYPE_FIRST, mac);
    bytes[6] = 0x12;
    const size_t before = trace.LineCount();
    EXPECT_EQ(Check(bytes), CParsePacket::kUnknownType);
    EXPECT_EQ(trace.LineCount(), before);
}

TEST_F(CParsePacketTraceTest, AMacChangeAndAShortHeadAreTraced)
{
    const uint8_t macA[6] = {0x00, 0x80, 0x45, 1, 2, 3};
    const uint8_t macB[6] = {0x00, 0x80, 0x45, 9, 9, 9};
    EXPECT_EQ(Check(FirstDatagram(PTYPE_MC_FIRST, macA)), 0);
    EXPECT_EQ(Check(FirstDatagram(PTYPE_MC_FIRST, macB)), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParcePacket::checkHead: MAC ADDRESS changed! There may be two cameras "
                            L"of which IP and Port are same..."));

    std::vector<uint8_t> shortHead = FirstDatagram(PTYPE_FIRST, macA);
    shortHead.resize(30);
    EXPECT_EQ(Check(shortHead), CParsePacket::kShortPacket);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : checkHead: Head length 50 is more than the 30 bytes received"));
}

TEST_F(CParsePacketTraceTest, CameraStatusesAreTracedByTheirMessage)
{
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x8006));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : 0x8006: Camera: Invalid settings."));
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x800C));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : 0x800c: Camera: Unknown error."));
}

}  // namespace
