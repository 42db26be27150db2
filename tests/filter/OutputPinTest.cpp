// The filter's two output pins in the system's graph: what they offer, what they
// connect with, and how delivery goes through them.

#include "DShowFilters/CVCSourceOutputPin.h"
#include "stream/CTSMediaSamplePool.h"
#include "tests/filter/CConfiguredFilterTest.h"

#include <dvdmedia.h>
#include <uuids.h>
#include <vfwmsgs.h>

namespace {

std::vector<CMediaType> OfferedTypes(IPin* pPin)
{
    ComPtr<IEnumMediaTypes> types;
    EXPECT_EQ(pPin->EnumMediaTypes(&types), S_OK);
    std::vector<CMediaType> offered;
    AM_MEDIA_TYPE* pType = nullptr;
    while (types && types->Next(1, &pType, nullptr) == S_OK) {
        offered.emplace_back(*pType);
        DeleteMediaType(pType);
    }
    return offered;
}

// Ten datagrams of a unit: two blocks for the send thread at the camera's 1000 kbit/s.
std::vector<CLoopbackCamera::Bytes> Unit()
{
    std::vector<CLoopbackCamera::Bytes> unit = {Datagram(FirstHead(PTYPE_FIRST, 1400, 14000), PackWithSystemHeader(1400))};
    for (uint8_t n = 1; n < 10; n++) unit.push_back(ContDatagram(PTYPE_CONT, n, CLoopbackCamera::Bytes(1400, n)));
    return unit;
}

const MPEG2VIDEOINFO& Format(const CMediaType& type) { return *reinterpret_cast<const MPEG2VIDEOINFO*>(type.Format()); }

class OutputPinTest : public CConfiguredFilterTest {
protected:
    CVCSourceOutputPin* MainPin() { return static_cast<CVCSourceOutputPin*>(filter->GetPin(0)); }

    // Paused against a camera on loopback, the main pin connected to a real renderer.
    void PauseWithSink()
    {
        camera = std::make_unique<CLoopbackCamera>(Unit());
        VARIANT v = {};
        v.ulVal = IPv4NetworkOrder(127, 0, 0, 1);
        ASSERT_EQ(Set(VCSF_Address, v), S_OK);
        v.uiVal = camera->Port();
        ASSERT_EQ(Set(VCSF_Port, v), S_OK);
        JoinGraph();
        ConnectSink();
        ASSERT_EQ(control->Pause(), S_OK);
    }

    long Delivered() { return sink->GetCounts().samples; }

    // A sample of the filter's own kind over a block of the test's.
    ComPtr<IMediaSample> Sample()
    {
        HRESULT hr = E_FAIL;
        samples = std::make_unique<CTSMediaSamplePool>(static_cast<IBaseFilter*>(filter.Get()), CFilterTestPeer::CamParm(filter.Get()), &hr);
        EXPECT_EQ(hr, S_OK);
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(samples->GetSendSample(block, sizeof(block), nullptr, &sample), S_OK);
        return sample;
    }

    BYTE block[1000] = {};
    std::unique_ptr<CTSMediaSamplePool> samples;
};

TEST_F(OutputPinTest, TheMainPinOffersOneProgramStreamTypeWithItsFormatBlock)
{
    const std::vector<CMediaType> types = OfferedTypes(filter->GetPin(0));
    ASSERT_EQ(types.size(), 1u);
    const CMediaType& t = types[0];
    EXPECT_EQ(t.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(t.subtype, MEDIASUBTYPE_MPEG2_PROGRAM);
    EXPECT_EQ(t.formattype, FORMAT_MPEG2Video);
    EXPECT_FALSE(t.bFixedSizeSamples);
    EXPECT_TRUE(t.bTemporalCompression);
    ASSERT_EQ(t.cbFormat, 136u);
    const MPEG2VIDEOINFO& f = Format(t);
    EXPECT_EQ(f.hdr.dwBitRate, 1536000u);
    EXPECT_EQ(f.hdr.AvgTimePerFrame, 330000);
    EXPECT_EQ(f.hdr.dwPictAspectRatioX, 4u);
    EXPECT_EQ(f.hdr.dwPictAspectRatioY, 3u);
    EXPECT_EQ(f.hdr.bmiHeader.biSize, 40u);
    EXPECT_EQ(f.hdr.bmiHeader.biWidth, 720);
    EXPECT_EQ(f.hdr.bmiHeader.biHeight, 576);
    EXPECT_EQ(f.hdr.bmiHeader.biBitCount, 0);
    EXPECT_EQ(f.hdr.rcSource.right, 0);
    EXPECT_EQ(f.dwProfile, 1u);
    EXPECT_EQ(f.dwLevel, 1u);
    EXPECT_EQ(filter->GetPin(0)->QueryAccept(&t), S_OK);
    EXPECT_EQ(filter->GetPin(1)->QueryAccept(&t), S_FALSE);  // not the recording pin's type
}

TEST_F(OutputPinTest, TheRecordingPinListsItsOwnTypeTwice)
{
    const std::vector<CMediaType> types = OfferedTypes(filter->GetPin(1));
    ASSERT_EQ(types.size(), 2u);
    EXPECT_TRUE(types[0] == types[1]);
    const CMediaType& t = types[0];
    EXPECT_EQ(t.subtype, MEDIASUBTYPE_RecStream);
    EXPECT_TRUE(t.bFixedSizeSamples);
    EXPECT_FALSE(t.bTemporalCompression);
    ASSERT_EQ(t.cbFormat, 136u);
    const MPEG2VIDEOINFO& f = Format(t);
    EXPECT_EQ(f.hdr.rcSource.right, 720);
    EXPECT_EQ(f.hdr.rcTarget.bottom, 576);
    EXPECT_EQ(f.hdr.bmiHeader.biBitCount, 16);
    EXPECT_EQ(f.hdr.bmiHeader.biCompression, MAKEFOURCC('M', 'P', 'G', '2'));
    EXPECT_EQ(f.dwProfile, 2u);
    CMediaType none;
    EXPECT_EQ(filter->GetPin(1)->GetMediaType(-1, &none), E_INVALIDARG);
    EXPECT_EQ(filter->GetPin(1)->GetMediaType(2, &none), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(filter->GetPin(0)->GetMediaType(1, &none), VFW_S_NO_MORE_ITEMS);
}

TEST_F(OutputPinTest, ADownstreamAllocatorIsRefusedAndTheFiltersOwnIsUsed)
{
    JoinGraph();
    ConnectSink();
    IMemAllocator* pAllocator = sink->NotifiedAllocator();
    ASSERT_NE(pAllocator, nullptr);
    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(pAllocator->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 10);
    EXPECT_EQ(props.cbBuffer, 10240);
    IMediaSample* pSample = nullptr;
    EXPECT_EQ(pAllocator->GetBuffer(&pSample, nullptr, nullptr, 0), E_NOTIMPL);  // not the sink's
}

TEST_F(OutputPinTest, ADownstreamTimeOutStopsLiveDeliveryUntilTheNextStop)
{
    PauseWithSink();
    sink->FailReceiveWith(VFW_E_TIMEOUT);
    ComPtr<IMediaSample> sample = Sample();
    bool bTaken = true;
    EXPECT_FALSE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, &bTaken));
    EXPECT_FALSE(bTaken);
    sink->FailReceiveWith(S_OK);
    const long before = sink->GetCounts().samples;
    EXPECT_FALSE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, nullptr));  // refused without a try
    EXPECT_EQ(sink->GetCounts().samples, before);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, &bTaken));
    EXPECT_TRUE(bTaken);
    EXPECT_GT(sink->GetCounts().samples, before);
}

TEST_F(OutputPinTest, TypesThatNoPinCarriesCountAsDeliveredAndReachNobody)
{
    PauseWithSink();
    ComPtr<IMediaSample> sample = Sample();
    ASSERT_EQ(control->Stop(), S_OK);  // the live thread delivers no more
    const long before = sink->GetCounts().samples;
    for (const uint32_t esType : {ESTYPE_AUDIO, ESTYPE_REC, 0x40u}) {
        bool bTaken = true;
        EXPECT_TRUE(filter->CheckAndDeliver(sample.Get(), esType, &bTaken)) << esType;
        EXPECT_FALSE(bTaken) << esType;  // not counted as the pins' bytes
    }
    EXPECT_EQ(sink->GetCounts().samples, before);
}

TEST_F(OutputPinTest, QualityIsQuietUntilAMessageAndItsWindowFollowsThePinRate)
{
    EXPECT_TRUE(filter->IsQualityQuiet());
    Quality q = {Famine, 500, 0, 0};
    EXPECT_EQ(MainPin()->Notify(filter.Get(), q), S_OK);
    MainPin()->SetRate(0.001);  // a window of 500 s
    EXPECT_FALSE(filter->IsQualityQuiet());
    MainPin()->SetRate(0);
    MainPin()->SetRate(-2);
    EXPECT_FALSE(filter->IsQualityQuiet());  // both left the rate as it was
    EXPECT_EQ(MainPin()->SetSink(nullptr), E_NOTIMPL);
}

TEST_F(OutputPinTest, ALivePauseFromRunningFreezesDeliveryUntilTheNextStart)
{
    PauseWithSink();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(1));
    ASSERT_EQ(control->Pause(), S_OK);
    FILTER_STATE state;
    EXPECT_EQ(filter->GetState(0, &state), VFW_S_CANT_CUE);
    ComPtr<IMediaSample> sample = Sample();
    const long frozen = Delivered();
    EXPECT_FALSE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, nullptr));
    ASSERT_EQ(control->Run(), S_OK);  // running again does not thaw it
    EXPECT_FALSE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, nullptr));
    EXPECT_EQ(Delivered(), frozen);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(filter->CheckAndDeliver(sample.Get(), ESTYPE_VIDEO, nullptr));
    EXPECT_GT(Delivered(), frozen);
}

TEST_F(OutputPinTest, LiveDeliverySwitchesOffAndOnWhileRunning)
{
    PauseWithSink();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(1));
    VARIANT v = {};
    v.boolVal = VARIANT_FALSE;
    ASSERT_EQ(Set(HVSF_Live, v), S_OK);
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
    const long off = Delivered();
    v.boolVal = VARIANT_TRUE;
    ASSERT_EQ(Set(HVSF_Live, v), S_OK);
    EXPECT_TRUE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
    camera->Send(Unit());  // more blocks for the send thread
    EXPECT_TRUE(WaitUntil([&] { return Delivered() > off; }));
}

TEST_F(OutputPinTest, AfterStopEverySampleIsBackAndNoneReachesTheRenderer)
{
    const ULONG before = RefCount(static_cast<IBaseFilter*>(filter.Get()));
    PauseWithSink();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(1));
    camera->Send(Unit());  // more blocks for the send thread
    ASSERT_EQ(control->Stop(), S_OK);
    const long atStop = Delivered();
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));  // its thread has ended: nothing more can come
    graph->RemoveFilter(sink.Get());
    graph->RemoveFilter(filter.Get());
    EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(filter.Get())), before);
    EXPECT_EQ(Delivered(), atStop);
}

TEST_F(OutputPinTest, TheLiveStreamReachesTheRendererFromAPackWithASystemHeader)
{
    PauseWithSink();
    ASSERT_TRUE(WaitForDelivered(64));
    const CTestSink::Counts counts = sink->GetCounts();
    const uint8_t pack[4] = {0, 0, 1, 0xBA};
    EXPECT_EQ(std::memcmp(counts.head, pack, 4), 0);
    EXPECT_TRUE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
}

}  // namespace
