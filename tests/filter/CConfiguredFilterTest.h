#pragma once
// A fresh filter and its configuration interface for each test, with a real graph
// to run it in when a test needs it not stopped.

#include "DShowFilters/CVCodecSourceFilter.h"

#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

class CConfiguredFilterTest : public testing::Test {
protected:
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

    // Runs the filter inside a real graph, so that its state is not stopped.
    void Run()
    {
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(filter.Get(), L"source"));
        ComPtr<IMediaControl> control;
        ASSERT_HRESULT_SUCCEEDED(graph.As(&control));
        ASSERT_HRESULT_SUCCEEDED(control->Run());
    }

    void StopGraph()
    {
        ComPtr<IMediaControl> control;
        if (graph && SUCCEEDED(graph.As(&control))) control->Stop();
    }

    ComPtr<CVCodecSourceFilter> filter;
    ComPtr<IVLMVCConfigure3> config;
    ComPtr<IGraphBuilder> graph;
};
