#pragma once
// A renderer of the host: one input pin that takes the samples of a byte stream
// (the main pin's program stream, the recording pin's packets) and hands each to
// the sink that derives from it. The graph's seeking goes through it upstream,
// as through any renderer.
//
// Locking: m_Lock is the renderer's filter lock, shared with its pin; it guards
// the state and the connection. Samples arrive on the source's push thread.

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CBaseInputPin.h"
#include "baseclasses/CPosPassThru.h"

#include <atomic>
#include <cstdint>

class CSampleSink;

class CSampleSinkPin : public CBaseInputPin {
public:
    CSampleSinkPin(CSampleSink* pSink, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

private:
    CSampleSink* const m_pSink;
};

class CSampleSink : public CBaseFilter {
public:
    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    IPin* InputPin() { return &m_pin; }

    uint64_t Samples() const { return m_ullSamples; }

protected:
    CSampleSink(const wchar_t* pszName, REFCLSID clsid);

    // Called on the streaming thread, one sample at a time; S_FALSE ends the stream.
    virtual HRESULT Consume(IMediaSample* pSample, BYTE* p) = 0;
    // A new segment at this rate; on the thread of whoever changed it.
    virtual void OnNewSegment(double) {}

private:
    friend class CSampleSinkPin;

    CCritSec m_Lock;
    CSampleSinkPin m_pin;
    CPosPassThru m_seeking;
    std::atomic<uint64_t> m_ullSamples{0};
};
