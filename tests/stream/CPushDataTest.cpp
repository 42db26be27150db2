// The live send thread over a real ring buffer and the pool's send sample; the
// downstream side here is a recorder of what is delivered.

#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "stream/CPushData.h"
#include "stream/CTSMediaSamplePool.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/stream/CCountedObject.h"
#include "tests/stream/CRecordingPushOwner.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

class CPushDataTestPeer {
public:
    static uint32_t AvgBitRate(CPushData& push) { return push.GetAvgBitRate(); }
    static uint32_t StartSize(CPushData& push) { return push.GetStartSize(); }
    static uint32_t ReadSize(CPushData& push) { return push.GetReadSize(); }
};

namespace {

class CPushDataTest : public testing::Test {
protected:
    void SetUp() override
    {
        int32_t result = -1;
        ring = std::make_unique<CMpegBuffer>(kRingBytes, &result);
        ASSERT_EQ(result, 0);
        HRESULT hr = E_FAIL;
        pool = std::make_unique<CTSMediaSamplePool>(&filter, &camParm, &hr);
        ASSERT_EQ(hr, S_OK);
    }

    std::unique_ptr<CPushData> MakePush(uint32_t kbps)
    {
        HRESULT hr = E_FAIL;
        auto push = std::make_unique<CPushData>(&owner, pool.get(), ring.get(), &camParm.Counters(), kbps, &hr);
        EXPECT_EQ(hr, S_OK);
        return push;
    }

    std::vector<uint8_t> Stream(size_t size)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; i++) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
        EXPECT_EQ(ring->Write(bytes.data(), static_cast<uint32_t>(size)), 0);
        return bytes;
    }

    static constexpr uint32_t kRingBytes = 1 << 20;
    CCountedObject filter;
    CTestCamParmOwner camOwner;
    CCamParm camParm{&camOwner};
    CRecordingPushOwner owner;
    std::unique_ptr<CMpegBuffer> ring;
    std::unique_ptr<CTSMediaSamplePool> pool;
};

TEST_F(CPushDataTest, TheBitRatePacesBlocksOfFiftyMilliseconds)
{
    auto push = MakePush(1);  // 1 stands for 1000 kbit/s
    EXPECT_EQ(CPushDataTestPeer::AvgBitRate(*push), 1050u);
    EXPECT_EQ(CPushDataTestPeer::StartSize(*push), 6562u);
    EXPECT_EQ(CPushDataTestPeer::ReadSize(*push), 6720u);
    EXPECT_EQ(push->Tune(0), 0);
    EXPECT_EQ(CPushDataTestPeer::AvgBitRate(*push), 100u);
    EXPECT_EQ(CPushDataTestPeer::StartSize(*push), 625u);
    EXPECT_EQ(CPushDataTestPeer::ReadSize(*push), 640u);
    EXPECT_EQ(push->Tune(6094), -1);  // 6144 kbit/s and up are refused
    EXPECT_EQ(push->Tune(0xFFFFFFF0u), -1);
    EXPECT_EQ(CPushDataTestPeer::ReadSize(*push), 640u);
    EXPECT_EQ(push->SetSendRate(0.0), 0);
    EXPECT_EQ(push->SetSendRate(-1.0), -1);
}

// Short of the ready size at first, and of a block from then on, nothing goes;
// once it is there, everything stored goes at once, however much faster than its
// bit rate the stream arrives.
TEST_F(CPushDataTest, WhatTheRingHoldsGoesInPlaceOnceABlockIsThere)
{
    auto push = MakePush(1000);
    std::vector<uint8_t> sent;
    push->Start();
    for (const uint32_t threshold : {CPushDataTestPeer::StartSize(*push), CPushDataTestPeer::ReadSize(*push)}) {
        for (const uint32_t size : {threshold - 1, threshold * 9 + 17}) {
            const int blocks = owner.Blocks();
            const int ticks = owner.Ticks();
            const std::vector<uint8_t> more = Stream(size);
            sent.insert(sent.end(), more.begin(), more.end());
            if (size < threshold) {
                ASSERT_TRUE(WaitUntil([&] { return owner.Ticks() >= ticks + 3; }));
                EXPECT_EQ(owner.Blocks(), blocks);
            } else {
                ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() == blocks + 1 && ring->GetDataSize() == 0; }));
            }
        }
    }
    push.reset();
    EXPECT_EQ(owner.Bytes(), sent);
    EXPECT_EQ(camParm.Counters().Snapshot().mainPinBytes, sent.size());
    EXPECT_EQ(camOwner.events.size(), 2u);  // the host hears of the stream with each block
}

// The ring's end cuts a region short; the rest follows in the same tick.
TEST_F(CPushDataTest, ARegionOverTheRingsEndGoesAsItsTwoParts)
{
    auto push = MakePush(1000);
    const uint32_t block = CPushDataTestPeer::ReadSize(*push);
    Stream(kRingBytes - block);
    push->Start();
    ASSERT_TRUE(WaitUntil([&] { return ring->GetDataSize() == 0; }));
    push->Pause();
    const std::vector<uint8_t> sent = Stream(block * 3);  // block bytes to the end, the rest from the start
    const int blocks = owner.Blocks();
    push->Start();
    ASSERT_TRUE(WaitUntil([&] { return ring->GetDataSize() == 0; }));
    push.reset();
    EXPECT_EQ(owner.Blocks(), blocks + 2);
    const std::vector<uint8_t> got = owner.Bytes();
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), got.end() - sent.size()));
}

TEST_F(CPushDataTest, ABlockDownstreamHoldsStaysInTheRingAndAStopStillEndsTheThread)
{
    auto push = MakePush(1000);
    const uint32_t block = CPushDataTestPeer::ReadSize(*push);
    Stream(block * 3);
    owner.bHold = true;
    push->Start();
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() >= 1; }));
    Stream(block);
    EXPECT_EQ(ring->GetDataSize(), block * 4);  // not freed while held
    EXPECT_EQ(owner.Blocks(), 1);
    owner.bHold = false;
    owner.ReleaseHeld();
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() >= 2 && ring->GetDataSize() == 0; }));
    owner.bHold = true;
    Stream(block);
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() >= 3; }));
    push.reset();  // the thread waits for the held sample: the stop ends that wait
    owner.ReleaseHeld();
}

}  // namespace
