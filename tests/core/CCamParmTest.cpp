// The camera parameters: the first-data step, the notifications, the records built
// from the block, and the rate tables' edges. The unit and sequence checks show only
// in the trace log and are tested there.

#include "core/CCamParm.h"

#include "tests/core/CTestCamParmOwner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

StreamInfoBlock Block(uint8_t resolution, uint8_t quality, uint16_t frameRate)
{
    StreamInfoBlock b = {};
    b.info.bResolution = resolution;
    b.info.bQuality = quality;
    b.info.usFrameRate = frameRate;
    return b;
}

class CCamParmTest : public testing::Test {
protected:
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

TEST_F(CCamParmTest, FirstDataStartsLiveAndRecordingThreadsAndAFailedStartStopsTheStream)
{
    owner.rec = true;
    camParm.IncrementReadCount();
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.pushDataCreated, 1);
    EXPECT_EQ(owner.pushPlayCreated, 0);
    EXPECT_EQ(owner.pushESTypes, ESTYPE_PSREC);
    EXPECT_TRUE(owner.stops.empty());
    EXPECT_TRUE(camParm.IsFirstPacket());
    camParm.SetFirstDataGet(false);
    EXPECT_EQ(camParm.GetReadCount(), 0u);
    EXPECT_EQ(owner.pushDataCreated, 1);

    owner.createResult = -1;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.stops, (std::vector<bool>{true, true}));  // with an abort, for each thread
    EXPECT_TRUE(camParm.IsFirstDataGet());  // the flag stays set
}

TEST_F(CCamParmTest, PlaybackTakesItsBitRateFromTheBlockAtNormalSpeedOnly)
{
    owner.fileMode = true;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.pushPlayCreated, 1);
    EXPECT_EQ(owner.pushDataCreated, 0);
    EXPECT_EQ(owner.bitRates, std::vector<uint32_t>{2640});  // nothing known yet: resolution 0xFF, code 0xFFFF
    owner.rate = 2.0;
    camParm.SetFirstDataGet(true);
    EXPECT_EQ(owner.bitRates.size(), 1u);

    camParm.SetBitRate(2640);  // the filter hears only of a change
    camParm.SetBitRate(800);
    EXPECT_EQ(owner.bitRates, (std::vector<uint32_t>{2640, 800}));
}

// A failed notification is traced, not returned; a status is told only when asked.
TEST_F(CCamParmTest, NotificationsFailQuietlyAndAStatusIsToldOnlyWhenAsked)
{
    owner.eventResult = -1;
    EXPECT_EQ(camParm.SendNotify(), 0);
    owner.eventResult = 0;
    owner.events.clear();
    camParm.SetStatus(kStatusMacChanged, false);
    EXPECT_TRUE(owner.events.empty());
    camParm.SetStatus(kStatusBufferOverflow, true);
    ASSERT_EQ(owner.events.size(), 1u);
    EXPECT_EQ(owner.events[0].code, kEventStreamInfo);
    EXPECT_EQ(camParm.GetStatus(), kStatusBufferOverflow);
}

uint64_t g_nowMs = 0;
uint64_t TestClock() { return g_nowMs; }

// Every unit's head would be an event; with notify-on-change only a change is, or
// the same block again after a second. A new time stamp alone is no change.
TEST_F(CCamParmTest, NotifyOnChangeSendsAChangeAtOnceAndTheSameBlockOnceASecond)
{
    camParm.SetClock(TestClock);
    camParm.SetNotifyOnChange(true);
    STRM_HEAD_INFO info = camParm.GetBlock().info;
    const auto unit = [&](uint8_t second, uint16_t status) {
        info.TimeStamp[0] = second;
        camParm.SetStrmHeadInfo(info);
        camParm.SetStatus(status, false);
        camParm.SendNotify();
    };
    g_nowMs = 5000;
    unit(0, kStatusOk);    // the first: sent
    g_nowMs += 400;
    unit(1, kStatusOk);    // a new time stamp alone: not sent
    camParm.SendRetryPlay();  // another event is never held back
    g_nowMs += 100;
    unit(1, kStatusBufferOverflow);   // a change: sent at once
    g_nowMs += 999;
    unit(2, kStatusBufferOverflow);   // the same within a second of the last: not sent
    g_nowMs += 1;
    unit(3, kStatusBufferOverflow);   // a second since the last: sent again
    std::vector<std::pair<int32_t, uint16_t>> sent;
    for (const auto& event : owner.events)
        sent.push_back({event.code, reinterpret_cast<const StreamInfoBlock*>(event.param1)->info.usStatus});
    const std::vector<std::pair<int32_t, uint16_t>> expected = {
        {kEventStreamInfo, kStatusOk}, {kEventRetryPlay, kStatusOk}, {kEventStreamInfo, kStatusBufferOverflow}, {kEventStreamInfo, kStatusBufferOverflow}};
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(reinterpret_cast<const StreamInfoBlock*>(owner.events.back().param1)->info.TimeStamp[0], 3);

    owner.events.clear();
    camParm.SetNotifyOnChange(false);  // as the filter always was: every call an event
    unit(3, kStatusBufferOverflow);
    unit(3, kStatusBufferOverflow);
    EXPECT_EQ(owner.events.size(), 2u);
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

TEST_F(CCamParmTest, ASplitTimeAtOrBeforeTheEntryMarksItOnce)
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

    const uint8_t leap[6] = {0, 0, 0, 29, 2, 125};  // 2025 has no 29 February: it counts as the 28th
    std::memcpy(entry.info.TimeStamp, leap, 6);
    owner.splitTime = 1740700800;  // 2025-02-28 00:00:00 UTC
    camParm.SetPsIndexInfo(entry);
    EXPECT_FALSE(owner.splitPending);
}

// Codes and indexes beyond the tables: no read past them.
TEST(CCamParmArithmeticTest, CodesBeyondTheTablesHaveTheirOwnValues)
{
    CTestCamParmOwner owner;
    CCamParm camParm(&owner);
    STRM_HEAD_INFO info = {};
    info.usFrameRate = 5;
    camParm.SetStrmHeadInfo(info);
    EXPECT_EQ(camParm.CalcRefTime(), 0);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0xFF, 0, 3)), 2640u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(0xFF, 0, 0)), 748u);
    EXPECT_EQ(CCamParm::CalcAvgBitRate(Block(2, 9, 3)), CCamParm::CalcAvgBitRate(Block(2, 4, 3)));
}

}  // namespace
