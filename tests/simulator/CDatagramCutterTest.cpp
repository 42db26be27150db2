// The simulator's datagrams decoded by the receiver's own head parser: what the
// camera sends must come back as the bytes of the clip, numbered as the receiver
// checks them.

#include "tools/camera/CDatagramCutter.h"

#include "core/ByteOrder.h"
#include "core/CDatagramWriter.h"
#include "core/CMpegBuffer.h"
#include "core/CParsePacket.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/simulator/SimulatorAssets.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CFaultInjector.h"
#include "tools/camera/CStreamParameters.h"
#include "tools/camera/CStreamSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const uint8_t kMac[6] = {0x00, 0x80, 0x45, 0x01, 0x02, 0x03};

struct Decoded {
    uint16_t type = 0;
    int32_t startOffset = 0;
    uint16_t dataLength = 0;
    uint32_t totalLength = 0;
    uint8_t packetNumber = 0;
    uint8_t sequence = 0;
    std::vector<uint8_t> data;
};

class CDatagramCutterTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(source.Load(AssetPath("testsrc-352x240-mp2.ps"), &error)) << error;
    }

    // checkHead and ParseHead as the receiver calls them; the data as it takes it.
    Decoded Decode(const Datagram& datagram)
    {
        CParsePacket parser(datagram.data(), datagram.size(), &camParm);
        Decoded d;
        EXPECT_EQ(parser.checkHead(&d.type), 0);
        EXPECT_GE(parser.ParseHead(&d.startOffset, &d.dataLength, &d.totalLength, &d.packetNumber, &d.sequence), 0);
        const size_t begin = static_cast<size_t>(parser.GetHeadLength());
        EXPECT_LE(begin + d.dataLength, datagram.size());
        d.data.assign(datagram.begin() + begin, datagram.begin() + begin + d.dataLength);
        return d;
    }

    CStreamSource source;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

// Every datagram decodes with its numbers and its share of the unit, back to the
// clip; the padding a camera adds past a unit's total length never reaches the
// stream the receiver writes.
TEST_F(CDatagramCutterTest, UnitsDecodeBackToTheClipAndPaddedOnesReachTheRingBufferAsTheClip)
{
    CCameraOptions options;
    ASSERT_TRUE(options.Parse({"unicast", "--input", "x", "--pad-every", "2"}));
    const CStreamParameters parameters(options, source.Facts());
    CDatagramCutter cutter(false);
    CFaultInjector faults(options);
    int32_t result = 0;
    CMpegBuffer ring(0x400000, &result);
    CCamParm receiving{&owner};
    CDatagramWriter writer(&receiving, &ring, &owner);
    std::vector<uint8_t> decoded, expected;
    size_t padded = 0;
    for (size_t unit = 0; unit < source.UnitCount(); unit++) {
        std::vector<Datagram> datagrams =
            cutter.Cut(parameters.FirstHead(kMac, 0), source.UnitData(unit), source.UnitSize(unit));
        uint32_t sum = 0;
        for (size_t i = 0; i < datagrams.size(); i++) {
            ASSERT_LE(datagrams[i].size(), CDatagramCutter::kMaxDatagram);
            const Decoded d = Decode(datagrams[i]);
            EXPECT_EQ(d.type, i == 0 ? PTYPE_FIRST : PTYPE_CONT);
            EXPECT_EQ(d.packetNumber, i);
            if (i == 0) {
                EXPECT_EQ(d.sequence, static_cast<uint8_t>(unit));
                EXPECT_EQ(d.totalLength, source.UnitSize(unit));
            }
            sum += d.dataLength;
            decoded.insert(decoded.end(), d.data.begin(), d.data.end());
        }
        EXPECT_EQ(sum, source.UnitSize(unit));
        size_t bytes = 0;
        for (const Datagram& d : datagrams) bytes += d.size();
        faults.Apply(&datagrams, nullptr);
        for (const Datagram& d : datagrams) bytes -= d.size();
        if (bytes != 0) padded++;
        for (const Datagram& d : datagrams) {
            bool bStop = false;
            ASSERT_EQ(writer.DataWrite(d.data(), d.size(), &bStop), 0);
        }
        expected.insert(expected.end(), source.UnitData(unit), source.UnitData(unit) + source.UnitSize(unit));
    }
    EXPECT_EQ(decoded, ReadAsset("testsrc-352x240-mp2.ps"));
    EXPECT_TRUE(camParm.IsFirstDataGet());  // the first unit opens with a pack and system header
    EXPECT_GE(padded, 3u);
    ring.SetReadySize(0);
    const uint8_t* p = nullptr;
    uint32_t length = 0;
    uint8_t bEnd = 0;
    ASSERT_GE(ring.ReadLock(&p, 0, &length, &bEnd), 0);
    // The stream starts at the first pack with a system header.
    ASSERT_LE(length, expected.size());
    ASSERT_GE(length, expected.size() - source.UnitSize(0));
    EXPECT_TRUE(std::equal(p, p + length, expected.end() - length));
    ring.ReadEnd();
}

TEST_F(CDatagramCutterTest, TheHeadsCarryTheStreamParameters)
{
    CCameraOptions options;
    ASSERT_TRUE(options.Parse({"multicast", "--input", "x", "--group", "239.0.0.1", "--port", "1", "--quality", "4",
                               "--bitrate-byte", "12"}));
    const CStreamParameters parameters(options, source.Facts());
    CDatagramCutter cutter(true);
    const std::vector<Datagram> datagrams =
        cutter.Cut(parameters.FirstHead(kMac, 0), source.UnitData(0), source.UnitSize(0));
    EXPECT_EQ(Decode(datagrams[0]).type, PTYPE_MC_FIRST);
    const StreamInfoBlock block = camParm.GetBlock();
    EXPECT_EQ(block.info.bResolution, 1);  // 352 wide, read from the sequence header
    EXPECT_EQ(camParm.GetHeight(), 240u);
    EXPECT_EQ(block.info.bQuality, 4);
    EXPECT_EQ(block.info.usFrameRate, 3);  // 29.97 frames per second
    EXPECT_EQ(owner.bitRates, std::vector<uint32_t>{1200u});
    uint8_t mac[6];
    camParm.GetMacAddress(mac);
    EXPECT_EQ(std::memcmp(mac, kMac, 6), 0);
}

TEST_F(CDatagramCutterTest, ALargestUnitStaysWithinOneBytePacketNumbers)
{
    for (const size_t size : {CDatagramCutter::kMaxDatagram, size_t{1400}, CDatagramCutter::kMinDatagram}) {
        const std::vector<uint8_t> unit(CDatagramCutter::MaxUnit(size), 0x55);
        CDatagramCutter cutter(false, size);
        const std::vector<Datagram> datagrams = cutter.Cut(FirstStreamHead{}, unit.data(), unit.size());
        ASSERT_EQ(datagrams.size(), 256u) << size;
        for (const Datagram& datagram : datagrams) EXPECT_EQ(datagram.size(), size);
        EXPECT_EQ(datagrams.back()[11], 255) << size;
        EXPECT_EQ(cutter.NextSequence(), 1) << size;
    }
}

// At the smallest datagrams the clip's pictures outgrow a unit: the source goes
// on in the next one, so the datagrams still carry the clip whole.
TEST_F(CDatagramCutterTest, UnitsTooLargeForSmallDatagramsGoOnInTheNext)
{
    const size_t maxUnit = CDatagramCutter::MaxUnit(CDatagramCutter::kMinDatagram);
    CStreamSource small(maxUnit), whole;
    std::string error;
    ASSERT_TRUE(small.Load(AssetPath("testsrc-352x240.ps"), &error)) << error;
    ASSERT_TRUE(whole.Load(AssetPath("testsrc-352x240.ps"), &error)) << error;
    size_t largest = 0;
    for (size_t unit = 0; unit < whole.UnitCount(); unit++) largest = std::max(largest, whole.UnitSize(unit));
    EXPECT_GT(largest, maxUnit);
    EXPECT_GT(small.UnitCount(), whole.UnitCount());
    CDatagramCutter cutter(false, CDatagramCutter::kMinDatagram);
    std::vector<uint8_t> received;
    for (size_t unit = 0; unit < small.UnitCount(); unit++) {
        ASSERT_LE(small.UnitSize(unit), maxUnit);
        for (const Datagram& datagram : cutter.Cut(FirstStreamHead{}, small.UnitData(unit), small.UnitSize(unit))) {
            ASSERT_LE(datagram.size(), CDatagramCutter::kMinDatagram);
            const size_t head = ReadBE16(datagram.data() + 4);
            received.insert(received.end(), datagram.begin() + head, datagram.end());
        }
    }
    EXPECT_EQ(received, ReadAsset("testsrc-352x240.ps"));
}

TEST(CStreamSourceTest, UnitsOpenAtPacksAndEveryGopAtItsSystemHeader)
{
    CStreamSource source;
    std::string error;
    ASSERT_TRUE(source.Load(AssetPath("testsrc-352x240.ps"), &error)) << error;
    size_t gops = 0;
    for (size_t i = 0; i < source.UnitCount(); i++) {
        const uint8_t* p = source.UnitData(i);
        ASSERT_EQ(ReadBE32(p), 0x000001BAu);
        if (ReadBE32(p + 14) == 0x000001BBu) gops++;
    }
    const std::vector<uint8_t> video = ElementaryStream(ReadAsset("testsrc-352x240.ps"), 0xE0);
    const uint8_t sequenceHeader[4] = {0, 0, 1, 0xB3};
    size_t sequenceHeaders = 0;
    for (size_t i = 0; i + 4 <= video.size(); i++) sequenceHeaders += std::memcmp(&video[i], sequenceHeader, 4) == 0;
    EXPECT_EQ(gops, sequenceHeaders);
    EXPECT_GT(source.UnitCount(), 200u);  // one unit per picture: 8 s at 29.97
    EXPECT_GT(source.Facts().averageRateBits, 0u);
}

TEST(CStreamSourceTest, AFileWithoutPacksIsRefused)
{
    CStreamSource source;
    std::string error;
    EXPECT_FALSE(source.SetBytes(std::vector<uint8_t>(5000, 0), &error));
    EXPECT_FALSE(error.empty());
}

TEST(CFaultInjectorTest, TheSameSeedGivesTheSameFaults)
{
    CCameraOptions options;
    ASSERT_TRUE(options.Parse({"unicast", "--input", "x", "--seed", "7", "--loss", "20", "--duplicate", "10",
                               "--reorder", "10"}));
    std::vector<Datagram> unit;
    for (uint8_t i = 0; i < 200; i++) unit.push_back(Datagram(20, i));
    std::vector<Datagram> a = unit, b = unit;
    CFaultInjector(options).Apply(&a, nullptr);
    CFaultInjector(options).Apply(&b, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, unit);
    EXPECT_LT(a.size(), 200u);  // a fifth lost, a tenth duplicated
}

}  // namespace
