#pragma once
// A fresh filter and its configuration interface for each test, with a real graph
// to run it in when a test needs it not stopped.

#include "DShowFilters/CVCodecSourceFilter.h"

#include "core/ByteOrder.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/support/CFilterTestPeer.h"
#include "tests/support/CLoopbackCamera.h"
#include "tests/support/CTestSink.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

class CConfiguredFilterTest : public testing::Test {
protected:
    static constexpr DWORD kStopBoundMs = 10000;

    void SetUp() override
    {
        HRESULT hr = S_OK;
        CUnknown* pUnknown = CVCodecSourceFilter::CreateInstance(nullptr, &hr);
        ASSERT_HRESULT_SUCCEEDED(hr);
        filter = static_cast<CVCodecSourceFilter*>(pUnknown);
        ASSERT_HRESULT_SUCCEEDED(filter.As(&config));
    }

    void TearDown() override { StopGraph(); }

    HRESULT Set(REFGUID id, VARIANT v) { return config->SetValue(id, &v); }

    VARIANT Get(REFGUID id)
    {
        VARIANT v = {};
        EXPECT_EQ(config->GetValue(id, &v), S_OK);
        return v;
    }

    // Runs the filter inside a real graph, receiving from a camera on loopback, so
    // that its state is not stopped.
    void Run()
    {
        camera = std::make_unique<CLoopbackCamera>(
            std::vector<CLoopbackCamera::Bytes>{Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64))});
        VARIANT address = {};
        address.ulVal = IPv4NetworkOrder(127, 0, 0, 1);
        ASSERT_EQ(Set(VCSF_Address, address), S_OK);
        VARIANT port = {};
        port.uiVal = camera->Port();
        ASSERT_EQ(Set(VCSF_Port, port), S_OK);
        JoinGraph();
        ASSERT_HRESULT_SUCCEEDED(control->Run());
    }

    // The filter in a new graph, driven and heard through the graph as a host does.
    void JoinGraph()
    {
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(filter.Get(), L"source"));
        ASSERT_HRESULT_SUCCEEDED(graph.As(&control));
        ASSERT_HRESULT_SUCCEEDED(graph.As(&events));
    }

    // A real renderer on the main pin (or the recording pin), connected in the graph.
    void ConnectSink(int pin = 0)
    {
        sink = new CTestSink();
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sink.Get(), L"sink"));
        ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(filter->GetPin(pin), sink->InputPin(), nullptr));
    }

    bool WaitForDelivered(long long bytes)
    {
        return WaitUntil([&] { return sink->GetCounts().bytes >= bytes; });
    }

    // Reads host events until seen(code, p1, p2) is true of one, or 10 s have passed.
    // Each read waits in the queue: a loop of reads that do not wait would keep
    // the emulator's server from the filter's own threads.
    template <class Seen>
    bool WaitForEventWhere(Seen seen)
    {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
            long code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (FAILED(events->GetEvent(&code, &p1, &p2, static_cast<long>(deadline - now)))) continue;
            const bool bSeen = seen(code, p1, p2);
            events->FreeEventParams(code, p1, p2);
            if (bSeen) return true;
        }
        return false;
    }

    // A notification whose block carries the status; the blocks are the filter's
    // copies of the time, so a status that the next stream head changes is seen.
    bool WaitForStatusNotified(uint16_t usStatus)
    {
        return WaitForEventWhere([&](long code, LONG_PTR p1, LONG_PTR p2) {
            return code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock) &&
                   reinterpret_cast<const StreamInfoBlock*>(p1)->info.usStatus == usStatus;
        });
    }

    // Stop is bounded whatever the camera or the recording does.
    void StopWithinBound()
    {
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(control->Stop(), S_OK);
        EXPECT_LT(GetTickCount64() - start, kStopBoundMs);
        EXPECT_FALSE(CFilterTestPeer::IsTransportActive(filter.Get()));
    }

    // A run that failed half way may leave a filter paused that the graph's stop
    // does not reach (Wine's graph then spins in its release, failing to disconnect).
    void StopGraph()
    {
        if (control) control->Stop();
        if (sink) sink->Stop();
        if (filter) filter->Stop();
    }

    // Every reference the test holds goes: the last one destroys the filter.
    void ReleaseFilter()
    {
        StopGraph();
        control.Reset();
        events.Reset();
        graph.Reset();
        sink.Reset();
        config.Reset();
        filter.Reset();
    }

    ComPtr<CVCodecSourceFilter> filter;
    ComPtr<IVLMVCConfigure3> config;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    ComPtr<CTestSink> sink;
    std::unique_ptr<CLoopbackCamera> camera;
};
