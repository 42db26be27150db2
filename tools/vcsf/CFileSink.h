#pragma once
// The host's renderer for live view and for the recording pin: one input pin that
// writes each sample's bytes, in order, to a file or to standard output. For the
// program stream those are the sample's data; for the recording pin's packets its
// whole buffer, the 24-byte head in front of the pack, behind the buffer's length
// (32 bits, little-endian) so that a reader finds where each packet ends.

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CBaseInputPin.h"

#include <atomic>
#include <cstdint>

class CFileSink;

class CFileSinkPin : public CBaseInputPin {
public:
    CFileSinkPin(CFileSink* pSink, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;

private:
    CFileSink* const m_pSink;
};

class CFileSink : public CBaseFilter {
public:
    enum class Content { Data, Packets };

    // The handle is borrowed: the caller opens and closes it.
    CFileSink(HANDLE hOutput, Content content);

    DECLARE_IUNKNOWN
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    IPin* InputPin() { return &m_pin; }

    uint64_t Bytes() const { return m_ullBytes; }
    uint64_t Samples() const { return m_ullSamples; }
    // The system error of the first write that failed (a closed pipe, a full disk), or 0.
    DWORD WriteError() const { return m_dwWriteError; }

private:
    friend class CFileSinkPin;
    HRESULT Write(const BYTE* p, long cb);

    CCritSec m_Lock;
    CFileSinkPin m_pin;
    const HANDLE m_hOutput;
    const Content m_Content;
    std::atomic<uint64_t> m_ullBytes{0};
    std::atomic<uint64_t> m_ullSamples{0};
    std::atomic<DWORD> m_dwWriteError{0};
};
