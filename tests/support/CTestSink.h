#pragma once
// A renderer for tests: one input pin on our base classes that counts what it is
// sent (samples, bytes, flushes, new segments, end-of-stream) and can be told to
// refuse types, withhold its allocator, fail Receive, or block in Receive.
//
// Locking: m_filterLock is the filter and pin lock of the base classes (state,
// connection). m_countLock guards the counts and the kept samples: the streaming
// thread that calls Receive writes them, the test's thread reads copies of them
// through GetCounts and Kept. It is taken alone, never with m_filterLock, and is
// not held while Receive waits to be unblocked. The block flag and the events are
// set by the test's thread and by Stop or BeginFlush, and read by Receive without
// a lock.

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CPosPassThru.h"
#include "baseclasses/CBaseInputPin.h"

#include <strmif.h>

#include <cstdint>
#include <vector>

class CTestSink;

class CTestSinkPin : public CBaseInputPin {
public:
    CTestSinkPin(CTestSink* pSink, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
    CTestSink* const m_pSink;
};

class CTestSink : public CBaseFilter, public IAMFilterMiscFlags {
public:
    struct Counts {
        long samples = 0;
        long long bytes = 0;
        long flushes = 0;
        long endOfStreams = 0;
        long newSegments = 0;
        REFERENCE_TIME lastSampleStart = 0;
        REFERENCE_TIME segmentStart = 0;
        REFERENCE_TIME segmentStop = 0;
        double segmentRate = 0;
        uint8_t head[64] = {};  // the stream's first bytes
        int headLength = 0;
    };

    // A sample kept whole: its buffer from GetPointer over GetSize bytes.
    struct KeptSample {
        std::vector<uint8_t> buffer;
        long actual;
        bool bSyncPoint;
        bool bDiscontinuity;
        LONGLONG mediaStart;
        REFERENCE_TIME start;  // the sample's time
    };

    explicit CTestSink(IUnknown* pUnkOuter = nullptr);
    ~CTestSink() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) GetMiscFlags() override;
    STDMETHODIMP Stop() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    CTestSinkPin* InputPin() { return &m_pin; }

    // What the tests set before they connect or run.
    void AcceptOnlySubtype(const GUID& subtype) { m_acceptedSubtype = subtype; }
    void WithholdAllocator() { m_bWithholdAllocator = true; }
    void FailReceiveWith(HRESULT hr) { m_hrReceive = hr; }
    void KeepSamples() { m_bKeepSamples = true; }
    void BlockReceive();
    void Unblock();

    Counts GetCounts();
    std::vector<KeptSample> Kept();
    IMemAllocator* NotifiedAllocator() const { return m_pNotified; }  // weak
    HANDLE SampleEvent() const { return m_hSample; }    // auto-reset, once per sample taken
    HANDLE BlockedEvent() const { return m_hBlocked; }  // set while a Receive is held

private:
    friend class CTestSinkPin;
    HRESULT Take(IMediaSample* pSample);
    void KeepHead(IMediaSample* pSample);  // under m_countLock
    void KeepSample(IMediaSample* pSample);  // under m_countLock
    void WaitWhileBlocked();

    CCritSec m_filterLock;
    CCritSec m_countLock;
    CTestSinkPin m_pin;
    CPosPassThru m_seeking;  // the graph's seeking goes upstream through the pin, as a renderer's does
    Counts m_counts;
    GUID m_acceptedSubtype = GUID_NULL;
    bool m_bWithholdAllocator = false;
    bool m_bKeepSamples = false;
    std::vector<KeptSample> m_kept;
    volatile HRESULT m_hrReceive = S_OK;
    volatile bool m_bBlock = false;
    IMemAllocator* m_pNotified = nullptr;
    HANDLE m_hSample;
    HANDLE m_hBlocked;
    HANDLE m_hRelease;
};
