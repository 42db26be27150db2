// The filter's own samples, their pools and its allocator: what downstream sees of
// a sample, and how releases give the filter's buffers back.

#include "baseclasses/CMediaType.h"
#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "stream/CESMediaSamplePool.h"
#include "stream/CNetRecvAlloc.h"
#include "stream/CTSMediaSamplePool.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/stream/CCountedObject.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>
#include <vfwmsgs.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kHead = 24;

class CMediaSampleTest : public testing::Test {
protected:
    void SetUp() override
    {
        int32_t result = 0;
        buffer = std::make_unique<CIndexedBuffer2>(kAreaSize, 8, &result);
        ASSERT_EQ(result, 0);
        HRESULT hr = E_FAIL;
        pool = std::make_unique<CESMediaSamplePool>(10, &filter, &camParm, buffer.get(), &hr);
        ASSERT_EQ(hr, S_OK);
        stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override { CloseHandle(stop); }

    ComPtr<IMediaSample> PacketSample(uint32_t offset, uint32_t dataSize, uint32_t flags = 0)
    {
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(pool->GetSample(buffer->Data() + offset, kHead + dataSize, 7, 8, 1000, 2000, flags, kHead, stop,
                                  &sample),
                  S_OK);
        return sample;
    }

    // One packet through the buffer: written, indexed, read; its entry comes back.
    IndexEntry WriteAndRead(uint32_t dataSize)
    {
        const IndexRequest request = {dataSize, 0, 4, kHead, 0};
        const int32_t reqNo = buffer->WriteIndex(request);
        const std::vector<uint8_t> head(kHead, 0x02), data(dataSize, 0x5A);
        EXPECT_EQ(buffer->Write(head.data(), kHead, reqNo, 0), 0);
        EXPECT_EQ(buffer->Write(data.data(), dataSize, 1), 0);
        IndexEntry entry = {};
        while (buffer->ReadIndex(&entry) == CIndexedBuffer2::kNotStarted) {
            // the reader starts once the start threshold is held: write on
            const int32_t next = buffer->WriteIndex(request);
            buffer->Write(head.data(), kHead, next, 0);
            buffer->Write(data.data(), dataSize, 1);
        }
        return entry;
    }

    static constexpr uint32_t kAreaSize = 65536;
    CCountedObject filter;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    std::unique_ptr<CIndexedBuffer2> buffer;
    std::unique_ptr<CESMediaSamplePool> pool;
    HANDLE stop = nullptr;
};

TEST_F(CMediaSampleTest, APacketSampleShowsItsHeadItsWholeSizeAndThePackAsItsData)
{
    ComPtr<IMediaSample> sample = PacketSample(100, 1000, CTSMediaSample::kSyncPoint | CTSMediaSample::kTimeValid);
    BYTE* p = nullptr;
    ASSERT_EQ(sample->GetPointer(&p), S_OK);
    EXPECT_EQ(p, buffer->Data() + 100);
    EXPECT_EQ(sample->GetSize(), 1024);
    EXPECT_EQ(sample->GetActualDataLength(), 1000);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    REFERENCE_TIME start = 0, end = 0;
    EXPECT_EQ(sample->GetTime(&start, &end), VFW_S_NO_STOP_TIME);  // a start and no stop
    EXPECT_EQ(start, 1000);
    EXPECT_EQ(end, 1001);
    LONGLONG mediaStart = 0, mediaEnd = 0;
    EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaEnd), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(sample->SetActualDataLength(1001), VFW_E_BUFFER_OVERFLOW);  // only shorter
    EXPECT_EQ(sample->SetActualDataLength(10), S_OK);
    EXPECT_EQ(sample->GetActualDataLength(), 10);
}

TEST_F(CMediaSampleTest, PropertiesCarryTheFlagsTimesAndMediaType)
{
    ComPtr<IMediaSample> sample =
        PacketSample(0, 500, CTSMediaSample::kSyncPoint | CTSMediaSample::kTimeValid | CTSMediaSample::kStopValid |
                                 CTSMediaSample::kMediaTimeValid);
    AM_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Stream;
    ASSERT_EQ(sample->SetMediaType(&type), S_OK);
    ComPtr<IMediaSample2> sample2;
    ASSERT_EQ(sample.As(&sample2), S_OK);
    AM_SAMPLE2_PROPERTIES props = {};
    ASSERT_EQ(sample2->GetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props)), S_OK);
    EXPECT_EQ(props.cbData, sizeof(props));
    EXPECT_EQ(props.dwSampleFlags,
              static_cast<DWORD>(AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID |
                                 AM_SAMPLE_TYPECHANGED));
    EXPECT_EQ(props.tStart, 1000);
    EXPECT_EQ(props.tStop, 2000);
    EXPECT_EQ(props.lActual, 500);
    ASSERT_NE(props.pMediaType, nullptr);
    EXPECT_EQ(props.pMediaType->majortype, MEDIATYPE_Stream);
    EXPECT_EQ(sample2->SetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props)), E_NOTIMPL);
    AM_MEDIA_TYPE* pCopy = nullptr;
    ASSERT_EQ(sample->GetMediaType(&pCopy), S_OK);
    EXPECT_EQ(pCopy->majortype, MEDIATYPE_Stream);
    DeleteMediaType(pCopy);
}

TEST_F(CMediaSampleTest, EverySampleOutHoldsTheFilterAndAFullPoolWaitsForARelease)
{
    std::vector<ComPtr<IMediaSample>> out;
    for (int i = 0; i < 10; i++) out.push_back(PacketSample(0, 100));
    EXPECT_EQ(filter.References(), 11);
    std::atomic<bool> bGot{false};
    std::thread taker([&] {
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(pool->GetSample(buffer->Data(), kHead + 100, 0, 0, 0, 0, 0, kHead, stop, &sample), S_OK);
        bGot = true;
    });
    out.pop_back();  // downstream lets one go
    taker.join();
    EXPECT_TRUE(bGot);
    out.clear();
    EXPECT_EQ(filter.References(), 1);
}

TEST_F(CMediaSampleTest, AStopEndsTheWaitForAFreeSample)
{
    std::vector<ComPtr<IMediaSample>> out;
    for (int i = 0; i < 10; i++) out.push_back(PacketSample(0, 100));
    HRESULT hr = S_OK;
    std::thread taker([&] {
        ComPtr<IMediaSample> sample;
        hr = pool->GetSample(buffer->Data(), kHead + 100, 0, 0, 0, 0, 0, kHead, stop, &sample);
    });
    SetEvent(stop);
    taker.join();
    EXPECT_EQ(hr, VFW_E_NOT_COMMITTED);
    EXPECT_EQ(filter.References(), 11);  // the failed wait took none
}

// Without the releases telling the buffer, the writer would reach data that
// downstream still holds and overflow before the area has been gone round once.
TEST_F(CMediaSampleTest, ReleasedSamplesGiveTheAreaBackForTheNextRound)
{
    for (int i = 0; i < 40; i++) {
        const IndexEntry entry = WriteAndRead(8000);
        ASSERT_EQ(entry.dwDataSize, 8000u) << i;
        const uint32_t end = entry.dwOffset + kHead + entry.dwDataSize;
        buffer->ReadEnd(end, kHead + entry.dwDataSize);
        ComPtr<IMediaSample> sample = PacketSample(entry.dwOffset, entry.dwDataSize);
        BYTE* p = nullptr;
        sample->GetPointer(&p);
        EXPECT_EQ(p[kHead], 0x5A);
    }
    EXPECT_EQ(filter.References(), 1);
}

// A sample that downstream holds over the end of a round points into space that the
// next round reuses; its release must not tell the buffer that space is in use.
TEST_F(CMediaSampleTest, ASampleHeldOverTheBuffersInitGivesNothingBackToTheNextRound)
{
    const IndexEntry entry = WriteAndRead(8000);
    buffer->ReadEnd(entry.dwOffset + kHead + entry.dwDataSize, kHead + entry.dwDataSize);
    ComPtr<IMediaSample> held = PacketSample(entry.dwOffset, entry.dwDataSize);
    pool->NewRound();
    buffer->Init();
    held.Reset();
    const std::vector<uint8_t> head(kHead, 0x02), data(8000, 0x5A);
    for (int i = 0; i < 6; i++) {
        const IndexRequest request = {8000, 0, 4, kHead, 0};
        const int32_t reqNo = buffer->WriteIndex(request);
        EXPECT_EQ(buffer->Write(head.data(), kHead, reqNo, 0), 0) << i;
        EXPECT_EQ(buffer->Write(data.data(), 8000, 1), 0) << i;
    }
    EXPECT_EQ(filter.References(), 1);
}

class CTSMediaSamplePoolTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(hr, S_OK); }
    void TearDown() override { CloseHandle(stop); }

    CCountedObject filter;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    HRESULT hr = E_FAIL;
    CTSMediaSamplePool pool{&filter, &camParm, &hr};
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

TEST_F(CTSMediaSamplePoolTest, TheSendSampleWaitsForItsReturnAndTellsTheHostOfEachBlock)
{
    BYTE block[8192] = {};
    ComPtr<IMediaSample> first;
    ASSERT_EQ(pool.GetSendSample(block, sizeof(block), stop, &first), S_OK);
    EXPECT_EQ(first->GetSize(), 8192);
    EXPECT_EQ(first->IsSyncPoint(), S_FALSE);
    REFERENCE_TIME start = 0, end = 0;
    EXPECT_EQ(first->GetTime(&start, &end), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(filter.References(), 2);
    EXPECT_EQ(owner.events.size(), 1u);
    EXPECT_EQ(owner.events[0].code, kEventStreamInfo);

    HRESULT hrSecond = S_OK;
    std::thread pusher([&] {  // the next block must not overwrite one downstream still holds
        ComPtr<IMediaSample> second;
        hrSecond = pool.GetSendSample(block, 4096, stop, &second);
    });
    SetEvent(stop);
    pusher.join();
    EXPECT_EQ(hrSecond, VFW_E_NOT_COMMITTED);
    first.Reset();
    EXPECT_EQ(filter.References(), 1);
    ResetEvent(stop);
    ComPtr<IMediaSample> again;
    EXPECT_EQ(pool.GetSendSample(block, 4096, stop, &again), S_OK);
    EXPECT_EQ(again->GetActualDataLength(), 4096);
    again.Reset();
}

// The return sets the event only for a waiter: whether the next block's request
// comes before or after downstream lets go, it must get the sample.
TEST_F(CTSMediaSamplePoolTest, TheNextBlockGetsTheSendSampleOnceDownstreamLetsItGo)
{
    BYTE block[4096] = {};
    ComPtr<IMediaSample> held;
    ASSERT_EQ(pool.GetSendSample(block, sizeof(block), stop, &held), S_OK);
    for (int i = 0; i < 200; i++) {
        ComPtr<IMediaSample> next;
        std::thread pusher([&] { EXPECT_EQ(pool.GetSendSample(block, sizeof(block), stop, &next), S_OK); });
        held.Reset();
        pusher.join();
        ASSERT_TRUE(next) << "round " << i;
        held = next;
    }
    held.Reset();
    EXPECT_TRUE(pool.WaitReturned(stop));
    EXPECT_EQ(filter.References(), 1);
}

TEST(CNetRecvAllocTest, ReportsFixedPropertiesAndLendsNoBuffer)
{
    CCountedObject filter;
    CNetRecvAlloc allocator(&filter);
    ALLOCATOR_PROPERTIES request = {1, 100, 4, 8}, actual = {};
    EXPECT_EQ(allocator.SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 10);
    EXPECT_EQ(actual.cbBuffer, 10240);
    EXPECT_EQ(actual.cbAlign, 1);
    EXPECT_EQ(actual.cbPrefix, 0);
    IMediaSample* pSample = nullptr;
    EXPECT_EQ(allocator.GetBuffer(&pSample, nullptr, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(allocator.Commit(), S_OK);
    ComPtr<IMemAllocator> same;
    ASSERT_EQ(allocator.QueryInterface(IID_PPV_ARGS(&same)), S_OK);
    EXPECT_EQ(filter.References(), 2);  // the allocator's count is the filter's
}

}  // namespace
