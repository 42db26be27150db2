// What the main pin gives is decodable by somebody else's demultiplexer and
// decoder. The first graph runs the filter into the system's Sample Grabber,
// whose callback hands the bytes to a pull source; the second graph lets the
// system pick the parser and decoder that take that source's program stream (a
// pull-mode reader, as a file would be), in front of a second Sample Grabber that
// notes every decoded picture. The pictures must have the clip's size, and over
// five seconds of stream time come at the clip's frame rate.
//
// Against vcsf-camera on loopback, started by with-camera.sh with the clip sent
// once from its first byte, so that its time stamps run on without a jump.

#include "camera/FilterSettings.h"
#include "core/ByteOrder.h"
#include "minvault/MinuteRecording.h"
#include "playback/Minvault.h"
#include "playback/PlayTime.h"
#include "tests/decoder/CFrameCounter.h"
#include "tests/decoder/CStreamFeed.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CPullSource.h"
#include "tests/support/CTempFolder.h"
#include "tools/vcsf/CMinuteRecordSink.h"

#include <dvdmedia.h>
#include <uuids.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;
constexpr REFERENCE_TIME kWindow = 5 * kSecond;
constexpr double kClipFrameRate = 30000.0 / 1001.0;
constexpr int kClipWidth = 352, kClipHeight = 240;
// The clip lasts 8 s, sent in real time; the window must pass well within it.
constexpr DWORD kStreamBoundMs = 30000;

uint16_t CameraPort()
{
    wchar_t text[16] = {};
    if (!GetEnvironmentVariableW(L"VCSF_CAMERA_PORT", text, 16)) return 0;
    return static_cast<uint16_t>(std::wcstoul(text, nullptr, 10));
}

std::vector<uint8_t> Clip()
{
    std::ifstream file(VCSF_CLIP_PATH, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

long PacksIn(const std::vector<uint8_t>& stream)
{
    const uint8_t startCode[] = {0x00, 0x00, 0x01, 0xBA};
    long packs = 0;
    for (auto at = stream.begin();
         (at = std::search(at, stream.end(), std::begin(startCode), std::end(startCode))) != stream.end(); at++)
        packs++;
    return packs;
}

// Bounded; polls a condition that no event announces.
template <typename Condition>
bool PollUntil(DWORD dwBoundMs, Condition condition)
{
    const ULONGLONG deadline = GetTickCount64() + dwBoundMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

ComPtr<IPin> PinOf(IBaseFilter* pFilter, PIN_DIRECTION wanted)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(pFilter->EnumPins(&pins))) return nullptr;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) return pin;
    }
    return nullptr;
}

ComPtr<IBaseFilter> SystemFilter(REFCLSID clsid)
{
    ComPtr<IBaseFilter> filter;
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)));
    return filter;
}

struct PictureSize {
    long width = 0;
    long height = 0;
};

// From the connected type's VIDEOINFOHEADER or VIDEOINFOHEADER2; the height is
// negative for a top-down picture.
PictureSize SizeOf(const AM_MEDIA_TYPE& mt)
{
    const BITMAPINFOHEADER* pHeader = nullptr;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER) && mt.pbFormat)
        pHeader = &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2) && mt.pbFormat)
        pHeader = &reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
    if (!pHeader) return {};
    return {pHeader->biWidth, std::labs(pHeader->biHeight)};
}

void FreeFormat(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk) mt.pUnk->Release();
    mt = {};
}

}  // namespace

class DecoderPeerTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        JoinGraph();
    }

    // The second graph ends first: its reads stop waiting, then it stops, and the
    // first graph stops behind it.
    void TearDown() override
    {
        if (pullSource) pullSource->Stream().End();
        if (decodeControl) decodeControl->Stop();
        StopGraph();
        decodeControl.Reset();
        pictureGrabber.Reset();
        decodeGraph.Reset();
    }

    void UseUnicastCamera()
    {
        const uint16_t port = CameraPort();
        ASSERT_NE(port, 0) << "run through with-camera.sh";
        VARIANT v = {};
        v.ulVal = IPv4NetworkOrder(127, 0, 0, 1);
        ASSERT_EQ(Set(VCSF_Address, v), S_OK);
        ASSERT_EQ(Set(VCSF_NIC, v), S_OK);
        v = {};
        v.ulVal = 10000;
        ASSERT_EQ(Set(VCSF_TimeOut, v), S_OK);
        v = {};
        v.uiVal = HostToNet16(port);
        ASSERT_EQ(Set(VCSF_Port, v), S_OK);
    }

    // The first graph: the main pin into the system's Sample Grabber, whose
    // callback feeds the pull source, and a Null Renderer behind it.
    void FeedMainPinToPullSource()
    {
        pullSource = new CPullSource(MEDIASUBTYPE_MPEG2_PROGRAM);
        feed = new CStreamFeed(pullSource.Get());
        ComPtr<IBaseFilter> grabberFilter = SystemFilter(CLSID_SampleGrabber);
        ASSERT_TRUE(grabberFilter);
        ComPtr<ISampleGrabber> grabber;
        ASSERT_HRESULT_SUCCEEDED(grabberFilter.As(&grabber));
        ASSERT_HRESULT_SUCCEEDED(grabber->SetCallback(feed.Get(), 0));
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(grabberFilter.Get(), L"stream grabber"));
        ASSERT_HRESULT_SUCCEEDED(
            graph->ConnectDirect(filter->GetPin(0), PinOf(grabberFilter.Get(), PINDIR_INPUT).Get(), nullptr));
        ComPtr<IBaseFilter> renderer = SystemFilter(CLSID_NullRenderer);
        ASSERT_TRUE(renderer);
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(renderer.Get(), L"stream renderer"));
        ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(PinOf(grabberFilter.Get(), PINDIR_OUTPUT).Get(),
                                                      PinOf(renderer.Get(), PINDIR_INPUT).Get(), nullptr));
    }

    // The second graph, once the first delivers: the system's graph finds the
    // parser and decoder between the pull source and a grabber of video; it runs
    // without a clock, so that pictures are counted as fast as they are decoded.
    void DecodeInSecondGraph()
    {
        ASSERT_TRUE(PollUntil(kStreamBoundMs, [&] { return pullSource->Stream().Received() > 0; }))
            << "the main pin delivered nothing";
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&decodeGraph)));
        ASSERT_HRESULT_SUCCEEDED(decodeGraph.As(&decodeControl));
        counter = new CFrameCounter(kWindow);
        ComPtr<IBaseFilter> grabberFilter = SystemFilter(CLSID_SampleGrabber);
        ComPtr<IBaseFilter> renderer = SystemFilter(CLSID_NullRenderer);
        ASSERT_TRUE(grabberFilter && renderer);
        ASSERT_HRESULT_SUCCEEDED(grabberFilter.As(&pictureGrabber));
        AM_MEDIA_TYPE video = {};
        video.majortype = MEDIATYPE_Video;
        ASSERT_HRESULT_SUCCEEDED(pictureGrabber->SetMediaType(&video));
        ASSERT_HRESULT_SUCCEEDED(pictureGrabber->SetCallback(counter.Get(), 0));
        ASSERT_HRESULT_SUCCEEDED(decodeGraph->AddFilter(pullSource.Get(), L"pull source"));
        ASSERT_HRESULT_SUCCEEDED(decodeGraph->AddFilter(grabberFilter.Get(), L"picture grabber"));
        ASSERT_HRESULT_SUCCEEDED(decodeGraph->AddFilter(renderer.Get(), L"picture renderer"));
        ASSERT_HRESULT_SUCCEEDED(
            decodeGraph->Connect(pullSource->OutputPin(), PinOf(grabberFilter.Get(), PINDIR_INPUT).Get()));
        ASSERT_HRESULT_SUCCEEDED(decodeGraph->ConnectDirect(PinOf(grabberFilter.Get(), PINDIR_OUTPUT).Get(),
                                                            PinOf(renderer.Get(), PINDIR_INPUT).Get(), nullptr));
        ComPtr<IMediaFilter> timing;
        ASSERT_HRESULT_SUCCEEDED(decodeGraph.As(&timing));
        ASSERT_HRESULT_SUCCEEDED(timing->SetSyncSource(nullptr));
        ASSERT_HRESULT_SUCCEEDED(decodeControl->Run());
    }

    void ExpectTheClipsPictureSizeAndFrameRate()
    {
        ASSERT_TRUE(counter->WaitForWindow(kStreamBoundMs))
            << counter->FramesInWindow() << " pictures decoded, not yet 5 s of stream";
        AM_MEDIA_TYPE mt = {};
        ASSERT_HRESULT_SUCCEEDED(pictureGrabber->GetConnectedMediaType(&mt));
        const PictureSize size = SizeOf(mt);
        FreeFormat(mt);
        const double rate = counter->FramesInWindow() / (static_cast<double>(kWindow) / kSecond);
        std::printf("decoded %ldx%ld, %.2f frames/s over 5 s of stream (the clip's %.2f)\n", size.width, size.height,
                    rate, kClipFrameRate);
        EXPECT_EQ(size.width, kClipWidth);
        EXPECT_EQ(size.height, kClipHeight);
        EXPECT_NEAR(rate, kClipFrameRate, kClipFrameRate * 0.1);
        EXPECT_EQ(counter->Untimed(), 0);
        EXPECT_EQ(counter->Empty(), 0);
        EXPECT_EQ(feed->Refused(), 0);
    }

    ComPtr<CPullSource> pullSource;
    ComPtr<CStreamFeed> feed;
    ComPtr<CFrameCounter> counter;
    ComPtr<IGraphBuilder> decodeGraph;
    ComPtr<IMediaControl> decodeControl;
    ComPtr<ISampleGrabber> pictureGrabber;
};

TEST_F(DecoderPeerTest, LiveUnicastIsDecodedAtTheClipsPictureSizeAndFrameRate)
{
    UseUnicastCamera();
    FeedMainPinToPullSource();
    ASSERT_HRESULT_SUCCEEDED(control->Run());  // S_FALSE while the renderer waits for its first sample
    DecodeInSecondGraph();
    ExpectTheClipsPictureSizeAndFrameRate();
}

// A recording made as "vcsf live --record" makes it, from the recording pin into
// minute files, then played back out of the main pin of a filter of its own.
class DecoderPlaybackTest : public DecoderPeerTest {
protected:
    // The first and last recorded second, as a host finds them.
    void Record(int64_t* pFirst, int64_t* pLast)
    {
        CMinuteRecording* pRecording = CreateMinuteRecording(folder.Path().c_str(), 1);
        ASSERT_NE(pRecording, nullptr);
        ComPtr<CMinuteRecordSink> recorder = new CMinuteRecordSink(pRecording);
        UseUnicastCamera();
        ConnectSink();
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(recorder.Get(), L"recorder"));
        ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(filter->GetPin(1), recorder->InputPin(), nullptr));
        VARIANT on = {};
        on.boolVal = VARIANT_TRUE;
        ASSERT_EQ(Set(HVSF_Rec, on), S_OK);
        ASSERT_EQ(control->Run(), S_OK);
        // Every pack but the last, which waits for a successor that never comes.
        const uint64_t packs = static_cast<uint64_t>(PacksIn(Clip()) - 1);
        ASSERT_TRUE(PollUntil(kStreamBoundMs, [&] { return recorder->Samples() >= packs; }))
            << recorder->Samples() << " of " << packs << " packs recorded";
        ASSERT_EQ(control->Stop(), S_OK);
        ASSERT_EQ(recorder->Finish(), 0);
        EXPECT_EQ(recorder->FirstFailure(), 0);
        ASSERT_GT(recorder->Stats().units, 0u);
        ReleaseFilter();
        *pFirst = RecordingEnd(false);
        *pLast = RecordingEnd(true);
        ASSERT_GE(*pFirst, 0);
        ASSERT_GE(*pLast, *pFirst);
    }

    int64_t RecordingEnd(bool bLatest)
    {
        const MinuteFileQuery query = RecordingEndQuery(folder.Path().c_str(), bLatest, 1);
        uint8_t result[kMinvaultResultSize] = {};
        if (SearchMinuteFile(&query, result) < 0) return -1;
        return static_cast<int64_t>(ReadLE64(result + kMinvaultTimeOffset));
    }

    // A filter of its own that plays the folder from first to last.
    void PlayInNewFilter(int64_t first, int64_t last)
    {
        HRESULT hr = S_OK;
        CUnknown* pUnknown = CVCodecSourceFilter::CreateInstance(nullptr, &hr);
        ASSERT_HRESULT_SUCCEEDED(hr);
        filter = static_cast<CVCodecSourceFilter*>(pUnknown);
        ASSERT_HRESULT_SUCCEEDED(filter.As(&config));
        JoinGraph();
        VARIANT v = {};
        v.uiVal = COMTYPE_FILE;
        ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
        wchar_t path[260] = {};
        wcsncpy(path, folder.Path().c_str(), 259);
        v = {};
        v.byref = path;
        ASSERT_EQ(Set(VCF_PlayPath, v), S_OK);
        v = {};
        v.bVal = 1;
        ASSERT_EQ(Set(VCF_PlayArea, v), S_OK);
        SetDate(VCF_PlayDateStart, first);
        SetDate(VCF_PlayDateTop, first);
        SetDate(VCF_PlayDateEnd, last);
    }

    void SetDate(REFGUID id, int64_t time)
    {
        SYSTEMTIME date = SystemTimeOf(time);
        VARIANT v = {};
        v.byref = &date;
        ASSERT_EQ(Set(id, v), S_OK);
    }

    CTempFolder folder{L"vcsf-decode"};
};

TEST_F(DecoderPlaybackTest, PlaybackOfARecordingIsDecodedAtTheClipsPictureSizeAndFrameRate)
{
    int64_t first = 0, last = 0;
    ASSERT_NO_FATAL_FAILURE(Record(&first, &last));
    ASSERT_NO_FATAL_FAILURE(PlayInNewFilter(first, last));
    // The play thread delivers its end-of-stream as it ends, inside the filter's
    // Stop, and the renderer may ask the filter's seeking for the stop position then.
    FeedMainPinToPullSource();
    ASSERT_HRESULT_SUCCEEDED(control->Run());  // S_FALSE while the renderer waits for its first sample
    DecodeInSecondGraph();
    ExpectTheClipsPictureSizeAndFrameRate();
}
