// The camera parameters: reset values, the unit and sequence checks, the first-data
// step, the notifications, and the frame- and bit-rate arithmetic at its corners.

#include "core/CCamParm.h"

#include "tests/core/CTestCamParmOwner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

StreamInfoBlock Block(uint8_t resolution, uint8_t quality, uint16_t frameRate, uint8_t videoSystem = 0)
{
    StreamInfoBlock b = {};
    b.info.bResolution = resolution;
    b.info.bQuality = quality;
    b.info.usFrameRate = frameRate;
    b.info.bVideoSystem = videoSystem;
    return b;
}

class CCamParmTest : public testing::Test {
protected:
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

TEST_F(CCamParmTest, AResetLeavesNothingKnown)
{
    StreamInfoBlock b = camParm.GetBlock();
    EXPECT_EQ(b.info.usStatus, kStatusNothingYet);
    EXPECT_EQ(b.info.bResolution, 0xFF);
    EXPECT_EQ(b.info.usFrameRate, 0xFFFF);
    EXPECT_EQ(b.info.bFlag1, 0);
    EXPECT_EQ(b.info.TimeStamp[0], 0);
    EXPECT_EQ(camParm.GetAvgBitRate(), 1u);
    EXPECT_FALSE(camParm.IsFirstDataGet());
}

TEST_F(CCamParmTest, SequenceNumbersWrapAndGapsAreSeen)
{
    camParm.SetFirstDataGet(true);
    camParm.PacketCheck();  // ends the first-packet grace
    EXPECT_EQ(camParm.SequenceCheck(255), 0);
    EXPECT_EQ(camParm.SequenceCheck(0), 1);
    EXPECT_EQ(camParm.SequenceCheck(3), 0);
    EXPECT_EQ(camParm.SequenceCheck(4), 1);
    EXPECT_EQ(camParm.SequenceCheck(6), 0);
}

TEST_F(CCamParmTest, TheFirstUnitAfterFirstDataIsNotJudged)
{
    camParm.SetFirstDataGet(true);
    camParm.SetTotalLength(1000);
    camParm.SetRecvLength(10);
    EXPECT_EQ(camParm.PacketCheck(), 1);
    EXPECT_EQ(camParm.PacketCheck(), 0);  // now it compares
    camParm.SetRecvLength(1000);
    EXPECT_EQ(camParm.PacketCheck(), 1);
    camParm.SetTotalLength(0);
    camParm.SetRecvLength(300);
    EXPECT_EQ(camParm.PacketCheck(), 0);  // the first head of that unit was lost
}

TEST_F(CCamParmTest, FirstDataStartsLiveAndRecordingThreads)
{
    owner.rec = true;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.pushDataCreated, 1);
    EXPECT_EQ(owner.pushPlayCreated, 0);
    EXPECT_EQ(owner.pushESTypes, ESTYPE_PSREC);
    EXPECT_TRUE(owner.stops.empty());
    EXPECT_TRUE(camParm.IsFirstPacket());
}

TEST_F(CCamParmTest, AThreadThatCannotStartStopsTheStreamWithAnAbort)
{
    owner.rec = true;
    owner.createResult = -1;
    camParm.SetFirstDataGet(true);
    ASSERT_EQ(owner.stops.size(), 2u);
    EXPECT_TRUE(owner.stops[0]);
    EXPECT_TRUE(owner.stops[1]);
    EXPECT_TRUE(camParm.IsFirstDataGet());  // the flag stays set
}

TEST_F(CCamParmTest, PlaybackTakesItsBitRateFromTheBlock)
{
    owner.fileMode = true;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.pushPlayCreated, 1);
    EXPECT_EQ(owner.pushDataCreated, 0);
    ASSERT_EQ(owner.bitRates.size(), 1u);
    EXPECT_EQ(owner.bitRates[0], 2640u);  // nothing known yet: resolution 0xFF, code 0xFFFF
    owner.rate = 2.0;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.bitRates.size(), 1u);  // only at normal speed
}

TEST_F(CCamParmTest, ClearingFirstDataResetsTheReadCounter)
{
    camParm.IncrementReadCount();
    camParm.SetFirstDataGet(false);
    EXPECT_EQ(camParm.GetReadCount(), 0u);
    EXPECT_EQ(owner.pushDataCreated, 0);
}

TEST_F(CCamParmTest, SetBitRateTellsTheFilterOnlyOfAChange)
{
    camParm.SetBitRate(1000);
    camParm.SetBitRate(1000);
    camParm.SetBitRate(800);
    ASSERT_EQ(owner.bitRates.size(), 2u);
    EXPECT_EQ(owner.bitRates[1], 800u);
}

TEST_F(CCamParmTest, NotificationsCarryTheBlockAndItsLength)
{
    ASSERT_EQ(camParm.SendNotify(), 0);
    ASSERT_EQ(camParm.SendRetryPlay(), 0);
    ASSERT_EQ(camParm.SendErrAbort(static_cast<int32_t>(0x80004005)), 0);
    ASSERT_EQ(owner.events.size(), 3u);
    EXPECT_EQ(owner.events[0].code, kEventStreamInfo);
    EXPECT_EQ(owner.events[1].code, kEventRetryPlay);
    EXPECT_EQ(owner.events[0].param2, 74);
    EXPECT_EQ(owner.events[2].code, kEventErrorAbort);
    EXPECT_EQ(owner.events[2].param1, static_cast<int32_t>(0x80004005));

    owner.eventResult = -1;
    EXPECT_EQ(camParm.SendNotify(), 0);  // a failed notification is traced, not returned
    owner.inGraph = false;
    EXPECT_EQ(camParm.SendNotify(), -1);
    EXPECT_EQ(camParm.SendErrAbort(0), -1);
    EXPECT_EQ(owner.events.size(), 4u);
}

TEST_F(CCamParmTest, SetStatusNotifiesOnlyWhenAsked)
{
    camParm.SetStatus(kStatusMacChanged, false);
    EXPECT_TRUE(owner.events.empty());
    camParm.SetStatus(kStatusBufferOverflow, true);
    EXPECT_EQ(owner.events.size(), 1u);
    EXPECT_EQ(camParm.GetStatus(), kStatusBufferOverflow);
}

TEST_F(CCamParmTest, TheStreamInfoRecordCarriesTheBlocksFields)
{
    STRM_HEAD_INFO info = {};
    info.bFlag3 = 7;
    info.bParamByte1 = 9;
    info.bFlag2 = 1;
    info.bFlag24 = 5;
    info.bResolution = 2;
    info.bQuality = 3;
    info.bVideoSystem = 1;
    info.usFrameRate = 4;
    const uint8_t stamp[6] = {1, 2, 3, 4, 5, 126};
    std::memcpy(info.TimeStamp, stamp, 6);
    camParm.SetStrmHeadInfo(info);
    owner.audioModel = 1;
    StreamInfoRecord record = {};
    ASSERT_EQ(camParm.GetStreamInfo(&record), 0);
    const uint8_t expected[20] = {2, 7, 9, 3, 1, 2, 3, 4, 5, 126, 0, 0, 5, 2, 3, 1, 4, 0, 0, 0};
    EXPECT_EQ(std::memcmp(record.bytes, expected, 20), 0);
}

TEST_F(CCamParmTest, ASplitTimeAtTheEntryMarksItOnce)
{
    StreamInfoBlock entry = {};
    const uint8_t stamp[6] = {40, 30, 12, 6, 12, 126};  // 2026-12-06 12:30:40 UTC
    std::memcpy(entry.info.TimeStamp, stamp, 6);
    const int64_t kEntryTime = 1796560240;
    owner.splitPending = true;
    owner.splitTime = kEntryTime - 1;
    camParm.SetPsIndexInfo(entry);
    EXPECT_EQ(camParm.GetBlock().info.usField16_19 & 0x8000, 0x8000);
    EXPECT_FALSE(owner.splitPending);

    owner.splitPending = true;
    owner.splitTime = kEntryTime + 1;  // still ahead of the entry
    camParm.SetPsIndexInfo(entry);
    EXPECT_EQ(camParm.GetBlock().info.usField16_19 & 0x8000, 0);
    EXPECT_TRUE(owner.splitPending);
}

TEST_F(CCamParmTest, TwentyNinthOfFebruaryInACommonYearCountsAsTheTwentyEighth)
{
    StreamInfoBlock entry = {};
    const uint8_t stamp[6] = {0, 0, 0, 29, 2, 125};  // 2025 has no 29 February
    std::memcpy(entry.info.TimeStamp, stamp, 6);
    owner.splitPending = true;
    owner.splitTime = 1740700800;  // 2025-02-28 00:00:00 UTC
    camParm.SetPsIndexInfo(entry);
    EXPECT_FALSE(owner.splitPending);
}

TEST(CCamParmArithmeticTest, ReferenceTimeByFrameRateAndVideoSystem)
{
    CTestCamParmOwner owner;
    CCamParm camParm(&owner);
    struct Case {
        uint16_t code;
        uint8_t system;
        int64_t refTime;
    };
    for (Case c : {Case{0, 0, 2001996}, Case{2, 1, 667332}, Case{3, 0, 333666}, Case{3, 1, 400000},
                   Case{4, 0, 166833}, Case{4, 1, 200000}, Case{5, 0, 0}}) {
        STRM_HEAD_INFO info = {};
        info.usFrameRate = c.code;
        info.bVideoSystem = c.system;
        camParm.SetStrmHeadInfo(info);
        EXPECT_EQ(camParm.CalcRefTime(), c.refTime) << c.code << "/" << int(c.system);
    }
}

TEST(CCamParmArithmeticTest, AverageBitRateFromTheTable)
{
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(1, 2, 1)), 282u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0xFF, 0, 3)), 2640u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0xFF, 0, 4)), 2640u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0xFF, 0, 0)), 748u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(2, 4, 3)), 1400u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0, 0, 2)), 102u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(2, 9, 3)), 1400u);  // beyond the table: its last column
}

TEST(CCamParmArithmeticTest, BufferBytesForADuration)
{
    // 1400 kbit/s is 179200 bytes a second; one and a half times that for one second.
    EXPECT_EQ(CCamParm::CalcBufferBytes(Block(2, 4, 3), 10000000), 268800u);
    EXPECT_EQ(CCamParm::CalcBufferBytes(Block(2, 4, 3), 9999), 0u);  // under a millisecond
    EXPECT_EQ(CCamParm::CalcBufferBytes(Block(2, 4, 3), 5000000), 134400u);
}

}  // namespace
