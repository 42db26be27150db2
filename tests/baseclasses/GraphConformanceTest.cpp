// The framework classes inside the system's own Filter Graph Manager: a test
// source and a test sink, both built on them, joined, connected, run and fed.

#include "tests/support/CTestSink.h"
#include "tests/support/CTestSource.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr long kUserEvent = 0x8001;

CMediaType StreamType(const GUID& subtype)
{
    CMediaType mt(&MEDIATYPE_Stream);
    mt.SetSubtype(&subtype);
    mt.SetFormatType(&FORMAT_None);
    return mt;
}

class GraphTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
        ASSERT_HRESULT_SUCCEEDED(graph.As(&control));
        ASSERT_HRESULT_SUCCEEDED(graph.As(&events));
        source = new CTestSource;
        sink = new CTestSink;
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(source.Get(), L"source"));
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sink.Get(), L"sink"));
    }

    void TearDown() override
    {
        if (control) control->Stop();
    }

    HRESULT Connect(const AM_MEDIA_TYPE* pmt = nullptr)
    {
        return graph->ConnectDirect(source->OutputPin(), sink->InputPin(), pmt);
    }

    FILTER_STATE StateOf(IBaseFilter* pFilter)
    {
        FILTER_STATE state = State_Stopped;
        EXPECT_EQ(pFilter->GetState(0, &state), S_OK);
        return state;
    }

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    ComPtr<CTestSource> source;
    ComPtr<CTestSink> sink;
};

TEST_F(GraphTest, AddFilterJoinsTheGraphUnderItsName)
{
    FILTER_INFO info = {};
    ASSERT_EQ(source->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"source");
    ASSERT_NE(info.pGraph, nullptr);
    ComPtr<IUnknown> joined, ours;
    info.pGraph->QueryInterface(IID_PPV_ARGS(&joined));
    graph.As(&ours);
    EXPECT_EQ(joined.Get(), ours.Get());
    info.pGraph->Release();

    ASSERT_HRESULT_SUCCEEDED(graph->RemoveFilter(source.Get()));
    ASSERT_EQ(source->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
}

TEST_F(GraphTest, GraphReleasesWhatItHeldOnRemoval)
{
    ComPtr<CTestSource> other = new CTestSource;
    ULONG before = RefCount(other.Get());
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(other.Get(), L"other"));
    EXPECT_GT(RefCount(other.Get()), before);
    ASSERT_HRESULT_SUCCEEDED(graph->RemoveFilter(other.Get()));
    EXPECT_EQ(RefCount(other.Get()), before);
}

TEST_F(GraphTest, FilterAnswersQueryInterfaceAsAGraphExpects)
{
    IUnknown* pFilter = static_cast<IBaseFilter*>(source.Get());
    EXPECT_TRUE(Supports(pFilter, IID_IUnknown));
    EXPECT_TRUE(Supports(pFilter, IID_IPersist));
    EXPECT_TRUE(Supports(pFilter, IID_IMediaFilter));
    EXPECT_TRUE(Supports(pFilter, IID_IBaseFilter));

    void* pOut = reinterpret_cast<void*>(1);
    EXPECT_EQ(pFilter->QueryInterface(IID_IPin, &pOut), E_NOINTERFACE);
    EXPECT_EQ(pOut, nullptr);
    EXPECT_EQ(pFilter->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    ULONG before = RefCount(pFilter);
    ComPtr<IMediaFilter> media;
    ASSERT_EQ(pFilter->QueryInterface(IID_PPV_ARGS(&media)), S_OK);
    EXPECT_EQ(RefCount(pFilter), before + 1);

    ComPtr<IUnknown> identity1, identity2;
    source->QueryInterface(IID_PPV_ARGS(&identity1));
    media->QueryInterface(IID_PPV_ARGS(&identity2));
    EXPECT_EQ(identity1.Get(), identity2.Get());

    CLSID clsid = GUID_NULL;
    EXPECT_EQ(source->GetClassID(&clsid), S_OK);
    EXPECT_NE(clsid, GUID_NULL);
    LPWSTR vendor = nullptr;
    EXPECT_EQ(source->QueryVendorInfo(&vendor), E_NOTIMPL);
}

TEST_F(GraphTest, PinsAnswerQueryInterfaceAndCountOnTheirFilter)
{
    IPin* pOut = source->OutputPin();
    IPin* pIn = sink->InputPin();
    EXPECT_TRUE(Supports(pOut, IID_IPin));
    EXPECT_TRUE(Supports(pOut, IID_IQualityControl));
    EXPECT_FALSE(Supports(pOut, IID_IMemInputPin));
    EXPECT_FALSE(Supports(pOut, IID_IBaseFilter));
    EXPECT_TRUE(Supports(pIn, IID_IMemInputPin));

    ULONG filterRefs = RefCount(static_cast<IBaseFilter*>(source.Get()));
    pOut->AddRef();
    EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(source.Get())), filterRefs + 1);
    pOut->Release();
    EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(source.Get())), filterRefs);

    PIN_INFO info = {};
    ASSERT_EQ(pOut->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(source.Get()));
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_STREQ(info.achName, L"Out");
    info.pFilter->Release();

    LPWSTR id = nullptr;
    ASSERT_EQ(pIn->QueryId(&id), S_OK);
    EXPECT_STREQ(id, L"In");
    CoTaskMemFree(id);

    PIN_DIRECTION dir;
    EXPECT_EQ(pIn->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_INPUT);
}

TEST_F(GraphTest, EnumPinsWalksSkipsResetsAndClones)
{
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(source->EnumPins(&pins), S_OK);
    IPin* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], static_cast<IPin*>(source->OutputPin()));
    got[0]->Release();
    EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
    EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_FALSE);
    EXPECT_EQ(pins->Skip(1), S_OK);

    ComPtr<IEnumPins> clone;
    ASSERT_EQ(pins->Reset(), S_OK);
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    EXPECT_EQ(clone->Next(1, got, &fetched), S_OK);
    got[0]->Release();
    EXPECT_EQ(pins->Next(1, got, &fetched), S_OK);  // the clone moved on its own
    got[0]->Release();
}

TEST_F(GraphTest, EnumPinsReportsAChangedSetOfPins)
{
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(source->EnumPins(&pins), S_OK);
    source->IncrementPinVersion();
    IPin* pin = nullptr;
    EXPECT_EQ(pins->Next(1, &pin, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pins->Reset(), S_OK);
    ASSERT_EQ(pins->Next(1, &pin, nullptr), S_OK);
    pin->Release();
}

TEST_F(GraphTest, EnumMediaTypesListsWhatThePinOffers)
{
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(source->OutputPin()->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0]->subtype, MEDIASUBTYPE_MPEG2_PROGRAM);
    EXPECT_EQ(got[1]->subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
    DeleteMediaType(got[0]);
    DeleteMediaType(got[1]);

    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(3), S_FALSE);
    EXPECT_EQ(types->Skip(1), S_OK);
    ComPtr<IEnumMediaTypes> clone;
    ASSERT_EQ(types->Clone(&clone), S_OK);
    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0]->subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
    DeleteMediaType(got[0]);
}

TEST_F(GraphTest, FindPinLooksUpByName)
{
    ComPtr<IPin> pin;
    ASSERT_EQ(source->FindPin(L"Out", &pin), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(source->OutputPin()));
    IPin* missing = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(source->FindPin(L"Nothing", &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(GraphTest, ConnectDirectAgreesOnTheFirstTypeBothAccept)
{
    ASSERT_EQ(Connect(), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(source->OutputPin()->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer.Get(), static_cast<IPin*>(sink->InputPin()));
    ASSERT_EQ(sink->InputPin()->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), static_cast<IPin*>(source->OutputPin()));

    CMediaType out, in;
    ASSERT_EQ(source->OutputPin()->ConnectionMediaType(&out), S_OK);
    ASSERT_EQ(sink->InputPin()->ConnectionMediaType(&in), S_OK);
    EXPECT_EQ(out.subtype, MEDIASUBTYPE_MPEG2_PROGRAM);
    EXPECT_TRUE(out == in);
}

TEST_F(GraphTest, ConnectDirectFallsBackToTheNextOfferedType)
{
    sink->AcceptOnlySubtype(MEDIASUBTYPE_MPEG2_TRANSPORT);
    ASSERT_EQ(Connect(), S_OK);
    CMediaType mt;
    ASSERT_EQ(sink->InputPin()->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
}

TEST_F(GraphTest, ARefusedFullTypeLeavesBothPinsUnconnected)
{
    sink->AcceptOnlySubtype(MEDIASUBTYPE_MPEG2_TRANSPORT);
    CMediaType program = StreamType(MEDIASUBTYPE_MPEG2_PROGRAM);
    EXPECT_EQ(Connect(&program), VFW_E_TYPE_NOT_ACCEPTED);

    ComPtr<IPin> peer;
    EXPECT_EQ(source->OutputPin()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(sink->InputPin()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    CMediaType mt;
    EXPECT_EQ(source->OutputPin()->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(sink->NotifiedAllocator(), nullptr);
}

TEST_F(GraphTest, NoCommonTypeIsReportedAsSuch)
{
    sink->AcceptOnlySubtype(MEDIASUBTYPE_MPEG1System);
    EXPECT_EQ(source->OutputPin()->Connect(sink->InputPin(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(source->OutputPin()->IsConnected());
}

TEST_F(GraphTest, TwoOutputsAreRefusedByDirection)
{
    ComPtr<CTestSource> other = new CTestSource;
    EXPECT_EQ(source->OutputPin()->Connect(other->OutputPin(), nullptr), VFW_E_INVALID_DIRECTION);
    EXPECT_FALSE(source->OutputPin()->IsConnected());
    EXPECT_FALSE(other->OutputPin()->IsConnected());
}

TEST_F(GraphTest, ASecondConnectionIsRefused)
{
    ASSERT_EQ(Connect(), S_OK);
    ComPtr<CTestSink> other = new CTestSink;
    EXPECT_EQ(source->OutputPin()->Connect(other->InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(GraphTest, OutputTakesTheAllocatorTheInputOffers)
{
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_FALSE(source->OutputPin()->UsedOwnAllocator());
    ASSERT_NE(source->OutputPin()->Allocator(), nullptr);
    EXPECT_EQ(sink->NotifiedAllocator(), source->OutputPin()->Allocator());
    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(source->OutputPin()->Allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, CTestSourcePin::kBufferCount);
    EXPECT_GE(props.cbBuffer, CTestSourcePin::kBufferSize);
}

TEST_F(GraphTest, OutputFallsBackToItsOwnAllocator)
{
    sink->WithholdAllocator();
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_TRUE(source->OutputPin()->UsedOwnAllocator());
    ASSERT_NE(source->OutputPin()->Allocator(), nullptr);
    EXPECT_EQ(sink->NotifiedAllocator(), source->OutputPin()->Allocator());
}

TEST_F(GraphTest, DisconnectWaitsForStop)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    EXPECT_EQ(source->OutputPin()->Disconnect(), VFW_E_NOT_STOPPED);
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    EXPECT_EQ(source->OutputPin()->Disconnect(), S_OK);
    EXPECT_EQ(source->OutputPin()->Disconnect(), S_FALSE);
    EXPECT_EQ(source->OutputPin()->Allocator(), nullptr);
}

TEST_F(GraphTest, MediaControlDrivesStatesAndCommitsTheAllocator)
{
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(source->DeliverSample(16, 0), VFW_E_NOT_COMMITTED);

    ASSERT_HRESULT_SUCCEEDED(control->Pause());
    EXPECT_EQ(StateOf(source.Get()), State_Paused);
    EXPECT_EQ(StateOf(sink.Get()), State_Paused);
    EXPECT_EQ(source->DeliverSample(16, 0), S_OK);

    ASSERT_HRESULT_SUCCEEDED(control->Run());
    EXPECT_EQ(StateOf(source.Get()), State_Running);
    EXPECT_EQ(StateOf(sink.Get()), State_Running);

    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    EXPECT_EQ(StateOf(source.Get()), State_Stopped);
    EXPECT_EQ(StateOf(sink.Get()), State_Stopped);
    EXPECT_EQ(source->DeliverSample(16, 0), VFW_E_NOT_COMMITTED);
}

TEST_F(GraphTest, RunningGraphDeliversSamplesToTheSink)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    for (int i = 0; i < 10; i++) ASSERT_EQ(source->DeliverSample(1000, i * 400000LL), S_OK);
    CTestSink::Counts counts = sink->GetCounts();
    EXPECT_EQ(counts.samples, 10);
    EXPECT_EQ(counts.bytes, 10000);
    EXPECT_EQ(counts.lastSampleStart, 9 * 400000LL);
}

TEST_F(GraphTest, ASampleAfterStopIsRefusedByState)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(source->OutputPin()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    EXPECT_EQ(source->OutputPin()->Deliver(sample.Get()), VFW_E_WRONG_STATE);
    EXPECT_EQ(sink->GetCounts().samples, 0);
}

TEST_F(GraphTest, EndOfStreamReachesTheHostAsComplete)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ASSERT_EQ(source->OutputPin()->DeliverEndOfStream(), S_OK);
    LONG_PTR result = -1;
    ASSERT_TRUE(WaitForEvent(events.Get(), EC_COMPLETE, &result));
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(sink->GetCounts().endOfStreams, 1);
}

TEST_F(GraphTest, FilterEventsReachTheHostWithTheirParameters)
{
    BYTE block[74] = {1, 2, 3};
    ASSERT_EQ(source->NotifyEvent(kUserEvent, reinterpret_cast<LONG_PTR>(block), sizeof(block)), S_OK);
    ASSERT_EQ(source->NotifyEvent(EC_ERRORABORT, E_FAIL, 0), S_OK);
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_TRUE(WaitForEvent(events.Get(), kUserEvent, &p1, &p2));
    EXPECT_EQ(p1, reinterpret_cast<LONG_PTR>(block));
    EXPECT_EQ(p2, 74);
    ASSERT_TRUE(WaitForEvent(events.Get(), EC_ERRORABORT, &p1));
    EXPECT_EQ(p1, E_FAIL);
}

TEST_F(GraphTest, AFilterOutsideAGraphHasNoOneToNotify)
{
    ComPtr<CTestSource> loose = new CTestSource;
    EXPECT_EQ(loose->NotifyEvent(kUserEvent, 0, 0), E_NOTIMPL);
}

TEST_F(GraphTest, FlushRefusesSamplesUntilItEnds)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ASSERT_EQ(source->OutputPin()->DeliverBeginFlush(), S_OK);
    EXPECT_EQ(source->DeliverSample(100, 0), S_FALSE);
    ASSERT_EQ(source->OutputPin()->DeliverEndFlush(), S_OK);
    EXPECT_EQ(source->DeliverSample(100, 0), S_OK);
    CTestSink::Counts counts = sink->GetCounts();
    EXPECT_EQ(counts.flushes, 1);
    EXPECT_EQ(counts.samples, 1);
}

TEST_F(GraphTest, NewSegmentIsForwardedWithItsValues)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(source->OutputPin()->DeliverNewSegment(5, 100000000, 2.0), S_OK);
    CTestSink::Counts counts = sink->GetCounts();
    EXPECT_EQ(counts.newSegments, 1);
    EXPECT_EQ(counts.segmentStart, 5);
    EXPECT_EQ(counts.segmentStop, 100000000);
    EXPECT_EQ(counts.segmentRate, 2.0);
}

TEST_F(GraphTest, TheReceiversResultReachesTheSender)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    sink->FailReceiveWith(VFW_E_TIMEOUT);
    EXPECT_EQ(source->DeliverSample(100, 0), VFW_E_TIMEOUT);
}

TEST_F(GraphTest, AFlushReleasesAReceiveThatBlocks)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    sink->BlockReceive();
    HRESULT delivered = E_FAIL;
    std::thread streaming([&] { delivered = source->DeliverSample(100, 0); });
    ASSERT_EQ(WaitForSingleObject(sink->BlockedEvent(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(source->OutputPin()->DeliverBeginFlush(), S_OK);
    streaming.join();
    EXPECT_EQ(delivered, S_OK);
    source->OutputPin()->DeliverEndFlush();
}

TEST_F(GraphTest, UnconnectedOutputHasNothingToDeliverTo)
{
    CTestSourcePin* pin = source->OutputPin();
    EXPECT_EQ(pin->DeliverEndOfStream(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin->DeliverBeginFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin->DeliverNewSegment(0, 0, 1.0), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin->Active(), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(pin->EndOfStream(), E_UNEXPECTED);
}

TEST_F(GraphTest, QueryAcceptAnswersWithoutAnError)
{
    CMediaType program = StreamType(MEDIASUBTYPE_MPEG2_PROGRAM);
    CMediaType video(&MEDIATYPE_Video);
    EXPECT_EQ(source->OutputPin()->QueryAccept(&program), S_OK);
    EXPECT_EQ(source->OutputPin()->QueryAccept(&video), S_FALSE);
}

TEST_F(GraphTest, StreamTimeNeedsTheGraphsClock)
{
    REFERENCE_TIME t = 0;
    ComPtr<CTestSource> loose = new CTestSource;
    EXPECT_EQ(loose->StreamTime(&t), VFW_E_NO_CLOCK);

    ASSERT_EQ(Connect(), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(source->GetSyncSource(&clock), S_OK);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(source->StreamTime(&t), S_OK);
}

}  // namespace
