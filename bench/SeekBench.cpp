// Seek latency of recorded playback, through the graph as a host seeks: a day of
// minute files (a unit every 2 s) is written to a temporary folder, the filter
// plays it into a renderer, and each of the seeks to a random time of the day is
// timed from the graph's SetPositions to the first sample of the new position on
// the main pin, the host restarting the graph when the filter asks. Prints the
// median and the 95th percentile. Run by hand under Wine:
//   scripts/wine-run build/win-release/bin/SeekBench.exe [SEEKS]

#include "DShowFilters/CVCodecSourceFilter.h"
#include "baseclasses/DShowUuids.h"
#include "camera/FilterSettings.h"
#include "core/CMinuteFilePath.h"
#include "core/CMinuteFileWriter.h"
#include "core/CivilTime.h"
#include "core/ICamParmOwner.h"
#include "minvault/CWinMinuteStore.h"
#include "playback/PlayTime.h"
#include "tests/support/CTempFolder.h"
#include "tools/vcsf/CSampleSink.h"

#include <control.h>
#include <uuids.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr uint32_t kUnitBytes = 4096;
constexpr uint32_t kStepSeconds = 2;
constexpr DWORD kWaitMs = 10000;
const uint32_t kDay = static_cast<uint32_t>(DaysFromCivil(2026, 12, 7) * 86400);

// Units of the frame-rate code 3 (29.97 a second), each with its own bytes.
bool WriteDay(const std::wstring& folder)
{
    CWinMinuteStore store(folder);
    std::vector<uint8_t> data(kUnitBytes);
    for (uint32_t minute = kDay; minute < kDay + 86400; minute += 60) {
        std::unique_ptr<IByteSink> pSink = store.Create(CMinuteFilePath::RelativePath(minute));
        if (!pSink) return false;
        CMinuteFileWriter writer(pSink.get());
        if (writer.Open(minute) != MinuteFileResult::Ok) return false;
        for (uint32_t time = minute; time < minute + 60; time += kStepSeconds) {
            MinuteFileRecord record;
            record.size = kUnitBytes;
            record.unitType = 3;
            record.flags5 = 3;
            record.unitTime = record.calendarTime = time;
            for (uint32_t i = 0; i < kUnitBytes; i++) data[i] = static_cast<uint8_t>(i * 13 + time * 7);
            if (writer.AppendUnit(record, 1, data.data(), kUnitBytes) != MinuteFileResult::Ok) return false;
        }
        if (writer.Close() != MinuteFileResult::Ok) return false;
    }
    return true;
}

// Notes when the first sample after Arm came.
class CFirstSampleSink : public CSampleSink {
public:
    CFirstSampleSink() : CSampleSink(L"SeekBench renderer", GUID_NULL), m_hSample(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CFirstSampleSink() override { CloseHandle(m_hSample); }

    void Arm() { ResetEvent(m_hSample); }
    bool WaitFirst(LARGE_INTEGER* pWhen)
    {
        if (WaitForSingleObject(m_hSample, kWaitMs) != WAIT_OBJECT_0) return false;
        *pWhen = m_First;
        return true;
    }

private:
    HRESULT Consume(IMediaSample*, BYTE*) override
    {
        if (WaitForSingleObject(m_hSample, 0) == WAIT_OBJECT_0) return S_OK;
        QueryPerformanceCounter(&m_First);
        SetEvent(m_hSample);
        return S_OK;
    }

    const HANDLE m_hSample;
    LARGE_INTEGER m_First = {};
};

HRESULT Set(IVLMVCConfigure3* pConfig, REFGUID id, VARIANT v) { return pConfig->SetValue(id, &v); }

HRESULT Configure(IVLMVCConfigure3* pConfig, const std::wstring& folder)
{
    VARIANT v = {};
    v.uiVal = COMTYPE_FILE;
    HRESULT hr = Set(pConfig, VCSF_ComType, v);
    wchar_t path[260] = {};
    folder.copy(path, 259);
    v.byref = path;
    if (SUCCEEDED(hr)) hr = Set(pConfig, VCF_PlayPath, v);
    v.bVal = 1;
    if (SUCCEEDED(hr)) hr = Set(pConfig, VCF_PlayArea, v);
    SYSTEMTIME start = SystemTimeOf(kDay), end = SystemTimeOf(kDay + 86399);
    for (const GUID* id : {&VCF_PlayDateStart, &VCF_PlayDateTop}) {
        v.byref = &start;
        if (SUCCEEDED(hr)) hr = Set(pConfig, *id, v);
    }
    v.byref = &end;
    if (SUCCEEDED(hr)) hr = Set(pConfig, VCF_PlayDateEnd, v);
    return hr;
}

bool WaitForRetryPlay(IMediaEventEx* pEvents)
{
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        long code = 0;
        LONG_PTR a = 0, b = 0;
        if (FAILED(pEvents->GetEvent(&code, &a, &b, static_cast<long>(deadline - now)))) continue;
        pEvents->FreeEventParams(code, a, b);
        if (code == kEventRetryPlay) return true;
    }
    return false;
}

double Percentile(std::vector<double> ms, double p)
{
    std::sort(ms.begin(), ms.end());
    return ms[static_cast<size_t>(p * static_cast<double>(ms.size() - 1) + 0.5)];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int seeks = argc > 1 ? _wtoi(argv[1]) : 50;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CTempFolder folder(L"vcsf-seek-bench");
    std::printf("writing 24 hours of minute files ...\n");
    if (!WriteDay(folder.Path())) {
        std::printf("the minute files could not be written\n");
        return 1;
    }
    HRESULT hr = S_OK;
    ComPtr<IBaseFilter> pFilter;
    CUnknown* pUnknown = CVCodecSourceFilter::CreateInstance(nullptr, &hr);
    if (!pUnknown) return 1;
    pUnknown->NonDelegatingQueryInterface(IID_PPV_ARGS(&pFilter));
    ComPtr<IVLMVCConfigure3> pConfig;
    ComPtr<IGraphBuilder> pGraph;
    ComPtr<IMediaControl> pControl;
    ComPtr<IMediaEventEx> pEvents;
    ComPtr<IMediaSeeking> pSeeking;
    ComPtr<CFirstSampleSink> pSink = new CFirstSampleSink();
    hr = pFilter.As(&pConfig);
    if (SUCCEEDED(hr)) hr = Configure(pConfig.Get(), folder.Path());
    if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&pGraph));
    if (SUCCEEDED(hr)) hr = pGraph->AddFilter(pFilter.Get(), L"source");
    if (SUCCEEDED(hr)) hr = pGraph->AddFilter(pSink.Get(), L"renderer");
    ComPtr<IEnumPins> pPins;
    ComPtr<IPin> pOut;
    if (SUCCEEDED(hr)) hr = pFilter->EnumPins(&pPins);
    if (SUCCEEDED(hr)) hr = pPins->Next(1, &pOut, nullptr);
    if (SUCCEEDED(hr)) hr = pGraph->ConnectDirect(pOut.Get(), pSink->InputPin(), nullptr);
    if (SUCCEEDED(hr)) hr = pGraph.As(&pControl);
    if (SUCCEEDED(hr)) hr = pGraph.As(&pEvents);
    if (SUCCEEDED(hr)) hr = pGraph.As(&pSeeking);
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    pSink->Arm();
    if (SUCCEEDED(hr)) hr = pControl->Run();
    if (FAILED(hr) || !pSink->WaitFirst(&t1)) {
        std::printf("playback did not start (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    std::mt19937 random(20261209);
    std::vector<double> ms, seekMs, stopMs, runMs;
    auto since = [&](const LARGE_INTEGER& from) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - from.QuadPart) * 1000 / static_cast<double>(frequency.QuadPart);
    };
    for (int i = 0; i < seeks; i++) {
        LONGLONG position = static_cast<LONGLONG>(random() % 86000) * 10000000;
        pSink->Arm();
        QueryPerformanceCounter(&t0);
        hr = pSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        seekMs.push_back(since(t0));
        if (FAILED(hr) || !WaitForRetryPlay(pEvents.Get())) break;
        const double beforeStop = since(t0);
        pControl->Stop();
        stopMs.push_back(since(t0) - beforeStop);
        pSink->Arm();
        const double beforeRun = since(t0);
        pControl->Run();
        runMs.push_back(since(t0) - beforeRun);
        if (!pSink->WaitFirst(&t1)) break;
        ms.push_back(static_cast<double>(t1.QuadPart - t0.QuadPart) * 1000 / static_cast<double>(frequency.QuadPart));
    }
    pControl->Stop();
    if (static_cast<int>(ms.size()) != seeks) {
        std::printf("seek %zu of %d failed (0x%08lX)\n", ms.size() + 1, seeks, static_cast<unsigned long>(hr));
        return 1;
    }
    std::printf("%d seeks across 24 hours: median %.1f ms, 95th percentile %.1f ms, slowest %.1f ms\n", seeks,
                Percentile(ms, 0.5), Percentile(ms, 0.95), Percentile(ms, 1.0));
    std::printf("medians of its parts: SetPositions %.1f ms, the host's Stop %.1f ms, its Run %.1f ms\n",
                Percentile(seekMs, 0.5), Percentile(stopMs, 0.5), Percentile(runMs, 0.5));
    return 0;
}
