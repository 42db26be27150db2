// Datagrams through the receiver's checks into a real ring buffer.

#include "core/CDatagramWriter.h"

#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/core/RingContents.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class CDatagramWriterTest : public testing::Test {
protected:
    void SetUp() override { MakeRing(0x78000); }

    void MakeRing(uint32_t capacity)
    {
        int32_t result = -1;
        ring = std::make_unique<CMpegBuffer>(capacity, &result);
        ASSERT_EQ(result, 0);
        ring->SetReadySize(1);
        writer = std::make_unique<CDatagramWriter>(&camParm, ring.get(), &owner);
    }

    int32_t Write(const std::vector<uint8_t>& datagram)
    {
        bStop = false;
        return writer->DataWrite(datagram.data(), datagram.size(), &bStop);
    }

    // A unit opening with a pack and system header, so that data is written from it on.
    void StartStream(uint16_t type = PTYPE_FIRST, uint32_t total = 64)
    {
        ASSERT_EQ(Write(Datagram(FirstHead(type, 64, total), PackWithSystemHeader(64))), 0);
        ASSERT_EQ(ring->GetDataSize(), 64u);
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    std::unique_ptr<CMpegBuffer> ring;
    std::unique_ptr<CDatagramWriter> writer;
    bool bStop = false;
};

TEST_F(CDatagramWriterTest, NothingIsWrittenBeforeThePackWithASystemHeaderAndFromItOnEverything)
{
    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(100, 0x11))), 0);
    std::vector<uint8_t> data(8, 0x22);
    const std::vector<uint8_t> pack = PackWithSystemHeader(40);
    data.insert(data.end(), pack.begin(), pack.end());
    EXPECT_EQ(Write(Datagram(FirstHead(PTYPE_FIRST, 48, 58), data)), 0);
    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(10, 0x33))), 0);

    std::vector<uint8_t> expected = pack;
    expected.insert(expected.end(), 10, 0x33);
    EXPECT_EQ(ReadRing(ring.get()), expected);
    EXPECT_FALSE(bStop);
}

TEST_F(CDatagramWriterTest, RefusedHeadsAndDataPastTheDatagramAreDroppedAndGapsLoseNothing)
{
    StartStream(PTYPE_FIRST, 64 + 40);
    std::vector<uint8_t> wrongId = ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(20));
    wrongId[0] = 'X';
    EXPECT_EQ(Write(wrongId), 0);
    std::vector<uint8_t> truncated = ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(20));
    truncated.resize(truncated.size() - 5);
    EXPECT_EQ(Write(truncated), 0);
    std::vector<uint8_t> unknown = ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(20));
    unknown[7] = 0x55;
    EXPECT_EQ(Write(unknown), 0);
    EXPECT_EQ(ring->GetDataSize(), 64u);
    EXPECT_FALSE(bStop);

    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(20))), 0);
    EXPECT_EQ(ring->GetDataSize(), 84u);
    for (uint8_t n : {3, 5}) EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, n, std::vector<uint8_t>(10, n))), 0);
    EXPECT_EQ(ring->GetDataSize(), 104u);  // packet number gaps lose nothing
    EXPECT_TRUE(owner.stops.empty());
    // Packet numbers are followed from the second unit on.
    ASSERT_EQ(Write(Datagram(FirstHead(PTYPE_FIRST, 10, 30), std::vector<uint8_t>(10))), 0);
    for (uint8_t n : {1, 3}) EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, n, std::vector<uint8_t>(10))), 0);
    const CLinkCounters::Values counted = camParm.Counters().Snapshot();
    EXPECT_EQ(counted.wrongIdentifiers, 1u);
    EXPECT_EQ(counted.shortOrDropped, 2u);  // the truncated one and the unknown type, each once
    EXPECT_EQ(counted.packetGaps, 1u);
}

TEST_F(CDatagramWriterTest, AFewBytesPastTheAnnouncedTotalAreCutButManyAreKept)
{
    StartStream(PTYPE_FIRST, 100);
    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(46))), 0);  // 10 past the total
    EXPECT_EQ(ring->GetDataSize(), 64u + 36u);

    ASSERT_EQ(Write(Datagram(FirstHead(PTYPE_FIRST, 60, 100), std::vector<uint8_t>(60))), 0);
    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(80))), 0);  // 40 past: kept whole
    EXPECT_EQ(ring->GetDataSize(), 100u + 60u + 80u);
}

TEST_F(CDatagramWriterTest, AnotherCamerasMacStopsTheStreamWithItsStatus)
{
    StartStream(PTYPE_MC_FIRST);
    FirstStreamHead other = FirstHead(PTYPE_MC_FIRST, 10, 10);
    std::memcpy(other.mac, kMacB, 6);
    EXPECT_EQ(Write(Datagram(other, std::vector<uint8_t>(10))), CDatagramWriter::kMacChanged);
    EXPECT_TRUE(bStop);
    EXPECT_EQ(camParm.GetStatus(), kStatusMacChanged);
    EXPECT_EQ(ring->GetDataSize(), 64u);

    const uint8_t zeroVendor[6] = {0, 0, 0, 7, 7, 7};  // a stored MAC without vendor bytes never fires
    camParm.SetMacAddress(zeroVendor);
    EXPECT_EQ(Write(Datagram(other, std::vector<uint8_t>(10))), 0);
    EXPECT_FALSE(bStop);
}

TEST_F(CDatagramWriterTest, AMulticastStopHeadStopsTheStreamAndTellsTheHostTheCamerasStatus)
{
    StartStream(PTYPE_MC_FIRST);
    const size_t events = owner.events.size();
    MulticastStopHead stop = {};
    std::memcpy(stop.common.identifier, kHeadIdentifier, 4);
    stop.common.usHLength = MulticastStopHead::kSize;
    stop.common.usType = PTYPE_MC_STOP;
    stop.usStatus = 0x8002;
    std::vector<uint8_t> bytes(MulticastStopHead::kSize);
    EncodeMulticastStopHead(stop, bytes.data());
    EXPECT_EQ(Write(bytes), CDatagramWriter::kMulticastStop);
    EXPECT_TRUE(bStop);
    EXPECT_EQ(camParm.GetStatus(), 0x8002);
    EXPECT_EQ(owner.events.size(), events + 1);
}

TEST_F(CDatagramWriterTest, AFullRingStopsTheStreamWithTheOverflowStatus)
{
    MakeRing(100);
    StartStream();
    EXPECT_LT(Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(50))), 0);
    EXPECT_TRUE(bStop);
    EXPECT_EQ(camParm.GetStatus(), kStatusBufferOverflow);
    EXPECT_EQ(ring->GetDataSize(), 64u);
    EXPECT_EQ(camParm.Counters().Snapshot().ringOverflows, 1u);
}

// The parser takes every packet's stream data from the first data on; with the live
// output off nothing reaches the ring.
TEST_F(CDatagramWriterTest, WithRecordingOnTheStreamDataAlsoGoesToTheParser)
{
    owner.rec = true;
    owner.live = false;
    const std::vector<uint8_t> pack = PackWithSystemHeader(64);
    const std::vector<uint8_t> more(50, 0x5A);
    EXPECT_EQ(Write(Datagram(FirstHead(PTYPE_FIRST, 64, 114), pack)), 0);
    EXPECT_EQ(Write(ContDatagram(PTYPE_CONT, 1, more)), 0);
    std::vector<uint8_t> expected = pack;
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_EQ(owner.recorded, expected);
    EXPECT_EQ(ring->GetDataSize(), 0u);
}

}  // namespace
