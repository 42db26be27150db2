// How many cameras one process holds, and what each costs in memory: one graph per
// camera, all in this process, each with the filter (created as vcsf.exe creates
// it) receiving the camera's UDP unicast stream into the host's file sink on NUL,
// which discards it as vcsf live's output to /dev/null does in the live-view
// benchmark. Private bytes (PagefileUsage: Wine reads PrivateUsage as 0) and the
// thread count are sampled before any filter exists, once the graphs are built and
// connected, and while they stream.
//
//   CapacityHost --camera IP:PORT [--camera ...] [--nic IP] --duration S [--sample-every S]
// prints
//   memory stage=before|idle|streaming seconds=T private_bytes=N threads=N
//   filter camera=IP:PORT bytes=N status=0xSSSS result=0xHHHHHHHH
//   summary filters=N idle_bytes_per_filter=N streaming_bytes_per_filter=N
//           first_streaming_bytes=N last_streaming_bytes=N growth_bytes=N
//           idle_threads=N streaming_threads=N

#include "baseclasses/DShowUuids.h"
#include "core/ICamParmOwner.h"
#include "core/StreamInfoBlock.h"
#include "tests/support/ComTestUtil.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CFileSink.h"
#include "tools/vcsf/CFilterHost.h"
#include "tools/vcsf/CLiveOptions.h"

#include <windows.h>
#include <psapi.h>
#include <uuids.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 100;

struct Usage {
    uint64_t privateBytes = 0;
    DWORD threads = 0;
};

// Members go in reverse order: the sink and graph first, the filter, then its module.
struct CameraGraph {
    std::wstring camera;
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    ComPtr<CFileSink> sink;
    uint16_t usStatus = kStatusNothingYet;
    HRESULT hr = S_OK;  // the first failure of its build or run
};

struct Options {
    std::vector<std::wstring> cameras;
    std::wstring nic = L"127.0.0.1";
    double duration = 0;
    double sampleEvery = 10;
};

Usage Measure()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return {counters.PagefileUsage, ThreadCount()};
}

Usage Report(const char* pszStage, double seconds)
{
    const Usage usage = Measure();
    std::printf("memory stage=%s seconds=%.1f private_bytes=%llu threads=%lu\n", pszStage, seconds,
                static_cast<unsigned long long>(usage.privateBytes), usage.threads);
    std::fflush(stdout);
    return usage;
}

// The filter's network properties set as vcsf live sets them from its command line.
HRESULT Configure(IBaseFilter* pFilter, const std::wstring& camera, const std::wstring& nic)
{
    CLiveOptions options;
    if (!options.Parse({L"--camera", camera, L"--nic", nic, L"-o", L"NUL"})) {
        std::fprintf(stderr, "%ls\n", options.Error().c_str());
        return E_INVALIDARG;
    }
    ComPtr<IVLMVCConfigure> pConfig;
    HRESULT hr = pFilter->QueryInterface(IID_PPV_ARGS(&pConfig));
    if (FAILED(hr)) return hr;
    CConfigCommand command(pConfig.Get(), L"CapacityHost");
    if (command.Apply(options.assignments)) return S_OK;
    std::fprintf(stderr, "%ls", command.Errors().c_str());
    return E_INVALIDARG;
}

HRESULT Build(CameraGraph& g, const std::wstring& nic, COutputFile* pDiscard)
{
    HRESULT hr = g.host.Create(&g.filter);
    if (SUCCEEDED(hr)) hr = Configure(g.filter.Get(), g.camera, nic);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&g.graph));
    if (SUCCEEDED(hr)) hr = g.graph->AddFilter(g.filter.Get(), L"VCodecSourceFilter");
    g.sink = new CFileSink(pDiscard, CFileSink::Content::Data);
    if (SUCCEEDED(hr)) hr = g.graph->AddFilter(g.sink.Get(), L"discard");
    ComPtr<IPin> pPin;
    if (SUCCEEDED(hr)) hr = g.filter->FindPin(L"MPEG-2 Program", &pPin);
    if (SUCCEEDED(hr)) hr = g.graph->ConnectDirect(pPin.Get(), g.sink->InputPin(), nullptr);
    if (SUCCEEDED(hr)) hr = g.graph.As(&g.control);
    if (SUCCEEDED(hr)) hr = g.graph.As(&g.events);
    return hr;
}

// Notes the camera status of each stream information block; an abort ends the graph's stream.
void DrainEvents(CameraGraph& g)
{
    if (!g.events) return;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(g.events->GetEvent(&code, &p1, &p2, 0))) {
        if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock)) {
            StreamInfoBlock block;
            std::memcpy(&block, reinterpret_cast<const void*>(p1), sizeof(block));
            g.usStatus = block.info.usStatus;
        } else if (code == kEventErrorAbort && SUCCEEDED(g.hr)) {
            g.hr = static_cast<HRESULT>(p1);
        }
        g.events->FreeEventParams(code, p1, p2);
    }
}

void RunAll(std::vector<std::unique_ptr<CameraGraph>>& graphs)
{
    for (auto& g : graphs)
        if (SUCCEEDED(g->hr)) g->hr = g->control->Run();
}

void StopAll(std::vector<std::unique_ptr<CameraGraph>>& graphs)
{
    for (auto& g : graphs) {
        if (g->control) g->control->Stop();
        // A run that failed half-way can leave filters paused that the graph cannot release.
        if (g->filter) g->filter->Stop();
        if (g->sink) g->sink->Stop();
        DrainEvents(*g);
    }
}

// Streams for the duration; the first and last streaming samples.
std::pair<Usage, Usage> Stream(std::vector<std::unique_ptr<CameraGraph>>& graphs, const Options& options)
{
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + static_cast<ULONGLONG>(options.duration * 1000);
    const ULONGLONG every = static_cast<ULONGLONG>(options.sampleEvery * 1000);
    Usage first, last;
    bool bSampled = false;
    for (ULONGLONG now = start, next = start + every; now < end; now = GetTickCount64()) {
        for (auto& g : graphs) DrainEvents(*g);
        if (now >= next && now + kPollMs < end) {
            last = Report("streaming", static_cast<double>(now - start) / 1000);
            if (!bSampled) first = last;
            bSampled = true;
            next += every;
        }
        Sleep(static_cast<DWORD>(end - now < kPollMs ? end - now : kPollMs));
    }
    last = Report("streaming", static_cast<double>(GetTickCount64() - start) / 1000);
    return {bSampled ? first : last, last};
}

void PrintFilters(const std::vector<std::unique_ptr<CameraGraph>>& graphs)
{
    for (const auto& g : graphs)
        std::printf("filter camera=%ls bytes=%llu status=0x%04X result=0x%08lX\n", g->camera.c_str(),
                    static_cast<unsigned long long>(g->sink ? g->sink->Bytes() : 0), g->usStatus,
                    static_cast<unsigned long>(g->hr));
}

void PrintSummary(size_t n, const Usage& before, const Usage& idle, const std::pair<Usage, Usage>& streaming)
{
    const auto perFilter = [&](const Usage& u) {
        return static_cast<long long>(u.privateBytes - before.privateBytes) / static_cast<long long>(n);
    };
    std::printf("summary filters=%zu idle_bytes_per_filter=%lld streaming_bytes_per_filter=%lld "
                "first_streaming_bytes=%llu last_streaming_bytes=%llu growth_bytes=%lld idle_threads=%lu "
                "streaming_threads=%lu\n",
                n, perFilter(idle), perFilter(streaming.second),
                static_cast<unsigned long long>(streaming.first.privateBytes),
                static_cast<unsigned long long>(streaming.second.privateBytes),
                static_cast<long long>(streaming.second.privateBytes - streaming.first.privateBytes), idle.threads,
                streaming.second.threads);
}

bool ParseSeconds(const wchar_t* pszText, double* pSeconds)
{
    wchar_t* end = nullptr;
    *pSeconds = std::wcstod(pszText, &end);
    return *end == L'\0' && *pSeconds > 0;
}

bool ParseOption(const std::wstring& name, const wchar_t* pszValue, Options* pOptions)
{
    if (name == L"--camera") pOptions->cameras.push_back(pszValue);
    else if (name == L"--nic") pOptions->nic = pszValue;
    else if (name == L"--duration") return ParseSeconds(pszValue, &pOptions->duration);
    else if (name == L"--sample-every") return ParseSeconds(pszValue, &pOptions->sampleEvery);
    else return false;
    return true;
}

bool Parse(int argc, wchar_t** argv, Options* pOptions)
{
    if (argc % 2 == 0) return false;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!ParseOption(argv[i], argv[i + 1], pOptions)) return false;
    return !pOptions->cameras.empty() && pOptions->duration > 0;
}

int Run(const Options& options)
{
    COutputFile discard;  // a device: the graphs' threads write it at once without harm
    std::wstring error;
    if (!discard.Prepare(L"NUL", false, &error)) return 1;
    const Usage before = Report("before", 0);
    std::vector<std::unique_ptr<CameraGraph>> graphs;
    for (const std::wstring& camera : options.cameras) {
        graphs.push_back(std::make_unique<CameraGraph>());
        graphs.back()->camera = camera;
        graphs.back()->hr = Build(*graphs.back(), options.nic, &discard);
    }
    const Usage idle = Report("idle", 0);
    RunAll(graphs);
    const std::pair<Usage, Usage> streaming = Stream(graphs, options);
    StopAll(graphs);
    PrintFilters(graphs);
    PrintSummary(graphs.size(), before, idle, streaming);
    int status = 0;
    for (const auto& g : graphs)
        if (FAILED(g->hr)) status = 1;
    graphs.clear();
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: CapacityHost --camera IP:PORT [--camera ...] [--nic IP] --duration S "
                             "[--sample-every S]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
    const int status = Run(options);
    CoUninitialize();
    return status;
}
