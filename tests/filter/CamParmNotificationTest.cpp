// What the camera parameters tell the host arrives through the system's own
// filter graph as the host reads it: the event code, the block and its length.

#include "DShowFilters/CVCodecSourceFilter.h"

#include "core/CCamParm.h"
#include "tests/support/CFilterTestPeer.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class CamParmNotificationTest : public testing::Test {
protected:
    void SetUp() override
    {
        HRESULT hr = S_OK;
        filter = static_cast<CVCodecSourceFilter*>(CVCodecSourceFilter::CreateInstance(nullptr, &hr));
        ASSERT_HRESULT_SUCCEEDED(hr);
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
        ASSERT_HRESULT_SUCCEEDED(graph.As(&events));
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(filter.Get(), L"source"));
    }

    ComPtr<CVCodecSourceFilter> filter;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaEventEx> events;
};

TEST_F(CamParmNotificationTest, StreamInformationArrivesWithTheBlockAndItsLength)
{
    CCamParm* camParm = CFilterTestPeer::CamParm(filter.Get());
    camParm->SetStatus(kStatusNoFirstPacket, true);
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo, &p1, &p2));
    EXPECT_EQ(p2, 74);
    StreamInfoBlock seen;
    std::memcpy(&seen, reinterpret_cast<const void*>(p1), sizeof(seen));
    EXPECT_EQ(seen.info.usStatus, kStatusNoFirstPacket);
    EXPECT_EQ(seen.info.bResolution, 0xFF);
}

// A host reads each block after the receiving thread has gone on: every event
// still shows what was sent with it.
TEST_F(CamParmNotificationTest, EachEventKeepsTheBlockItWasSentWithWhileTheStreamGoesOn)
{
    CCamParm* camParm = CFilterTestPeer::CamParm(filter.Get());
    constexpr uint16_t kEvents = 200;
    for (uint16_t i = 0; i < kEvents; i++) camParm->SetStatus(static_cast<uint16_t>(0x9100 + i), true);
    for (uint16_t i = 0; i < kEvents; i++) {
        LONG_PTR p1 = 0;
        ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo, &p1));
        StreamInfoBlock seen;
        std::memcpy(&seen, reinterpret_cast<const void*>(p1), sizeof(seen));
        ASSERT_EQ(seen.info.usStatus, 0x9100 + i);
    }
}

TEST_F(CamParmNotificationTest, RetryPlayAndAbortReachTheHost)
{
    ASSERT_EQ(CFilterTestPeer::CamParm(filter.Get())->SendRetryPlay(), 0);
    filter->StopStream(true);
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventRetryPlay, &p1, &p2));
    EXPECT_EQ(p2, 74);
    ASSERT_TRUE(WaitForEvent(events.Get(), EC_ERRORABORT, &p1));
    EXPECT_EQ(p1, E_FAIL);
}

TEST_F(CamParmNotificationTest, OutsideAGraphNothingIsSent)
{
    ASSERT_HRESULT_SUCCEEDED(graph->RemoveFilter(filter.Get()));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->SendNotify(), -1);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->SendErrAbort(E_FAIL), -1);
}

// The filter is stopped here, so the switch only chooses what first data creates.
TEST_F(CamParmNotificationTest, FirstDataStartsLiveDeliveryAndWithRecordingOnItsThread)
{
    CFilterTestPeer::CamParm(filter.Get())->SetFirstDataGet(true);
    EXPECT_TRUE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kRecording));
    ComPtr<IVLMVCConfigure> config;
    ASSERT_HRESULT_SUCCEEDED(filter.As(&config));
    VARIANT on = {};
    on.boolVal = VARIANT_TRUE;
    ASSERT_EQ(config->SetValue(HVSF_Rec, &on), S_OK);
    CFilterTestPeer::CamParm(filter.Get())->SetFirstDataGet(true);
    EXPECT_TRUE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kRecording));
}

}  // namespace
