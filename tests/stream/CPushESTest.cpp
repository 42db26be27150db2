// The recording send thread over a real live indexed buffer and the recording
// sample pool; the downstream side is a recorder of what is delivered.

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "stream/CESMediaSamplePool.h"
#include "stream/CPushES.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/stream/CCountedObject.h"
#include "tests/stream/CRecordingPushOwner.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kPinType = 8;
constexpr uint32_t kPackBytes = 4000;  // nine of them start the buffer

class CPushESTest : public testing::Test {
protected:
    void SetUp() override
    {
        int32_t result = -1;
        buffer = std::make_unique<CIndexedBuffer2>(CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result);
        ASSERT_EQ(result, 0);
        HRESULT hr = E_FAIL;
        pool = std::make_unique<CESMediaSamplePool>(10, &filter, &camParm, buffer.get(), &hr);
        ASSERT_EQ(hr, S_OK);
        push = std::make_unique<CPushES>(&owner, buffer.get(), pool.get(), &camParm.Counters(), kPinType, &hr);
        ASSERT_EQ(hr, S_OK);
    }

    // A pack with its head as the parser writes it; the bytes the sample must show.
    std::vector<uint8_t> WritePacket(uint32_t notKey, uint8_t fill)
    {
        std::vector<uint8_t> packet(kPackIndexHeadSize + kPackBytes, fill);
        for (size_t i = 0; i < kPackIndexHeadSize; i++) packet[i] = static_cast<uint8_t>(i);
        const IndexRequest request = {kPackBytes, 0, kIndexKindPack, kPackIndexHeadSize, notKey};
        const int32_t reqNo = buffer->WriteIndex(request);
        EXPECT_EQ(buffer->Write(packet.data(), kPackIndexHeadSize, reqNo, 0), 0);
        EXPECT_EQ(buffer->Write(packet.data() + kPackIndexHeadSize, kPackBytes, 1), 0);
        return packet;
    }

    CCountedObject filter;
    CTestCamParmOwner camOwner;
    CCamParm camParm{&camOwner};
    CRecordingPushOwner owner;
    std::unique_ptr<CIndexedBuffer2> buffer;
    std::unique_ptr<CESMediaSamplePool> pool;
    std::unique_ptr<CPushES> push;
};

TEST_F(CPushESTest, EachPacketGoesInPlaceWithItsSequenceAsMediaTimeAndKeyPacksAsSyncPoints)
{
    buffer->SetReferenceTime(0);  // as the filter sets it: every packet at the same time
    std::vector<std::vector<uint8_t>> sent;
    for (int i = 0; i < 12; i++) sent.push_back(WritePacket(i % 5 == 0 ? 0 : 1, static_cast<uint8_t>(0x40 + i)));
    push->Start();
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() == 12; }));
    push.reset();
    const std::vector<CRecordingPushOwner::Delivered> got = owner.Samples();
    ASSERT_EQ(got.size(), 12u);
    for (size_t i = 0; i < got.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].esType, kPinType);
        EXPECT_EQ(got[i].bytes, sent[i]);
        EXPECT_EQ(got[i].actual, static_cast<long>(kPackBytes));
        EXPECT_EQ(got[i].bSyncPoint, i % 5 == 0);
        EXPECT_EQ(got[i].mediaStart, got[0].mediaStart + static_cast<LONGLONG>(i));
        EXPECT_EQ(got[i].mediaStop, got[i].mediaStart);
        EXPECT_TRUE(got[i].bTimeValid);
        EXPECT_EQ(got[i].start, got[0].start);
        EXPECT_EQ(got[i].stop, got[0].stop);
    }
    EXPECT_EQ(filter.References(), 1);  // every sample is back in the pool
    EXPECT_EQ(camParm.Counters().Snapshot().recordingPinBytes, 12u * kPackBytes);  // the packs, not their heads
}

TEST_F(CPushESTest, EndOfStreamGoesOnceWhenTheThreadEnds)
{
    push->Start();
    push->Stop();
    EXPECT_EQ(owner.EndsOfStream(), 1);
    push->Stop();
    push.reset();
    EXPECT_EQ(owner.EndsOfStream(), 1);
}

// With every sample held downstream the thread waits in the pool; a release lets it
// go on, and a stop ends the wait.
TEST_F(CPushESTest, WithAllSamplesHeldTheThreadWaitsAndAStopStillEndsIt)
{
    owner.bHold = true;
    for (int i = 0; i < 13; i++) WritePacket(i == 0 ? 0 : 1, 0x11);
    push->Start();
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() == 10; }));
    owner.ReleaseHeld();
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() == 13; }));
    for (int i = 0; i < 8; i++) WritePacket(1, 0x22);
    ASSERT_TRUE(WaitUntil([&] { return owner.Blocks() == 20; }));
    push.reset();  // waiting for an eleventh free sample
    EXPECT_EQ(owner.EndsOfStream(), 1);
    owner.ReleaseHeld();
    EXPECT_EQ(filter.References(), 1);
}

}  // namespace
