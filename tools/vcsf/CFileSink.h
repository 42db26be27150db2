#pragma once
// The host's renderer for live view: one input pin that takes the program stream
// and writes each sample's bytes, in order, to a file or to standard output.

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
    // The handle is borrowed: the caller opens and closes it.
    explicit CFileSink(HANDLE hOutput);

    DECLARE_IUNKNOWN
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    IPin* InputPin() { return &m_pin; }

    uint64_t Bytes() const { return m_ullBytes; }
    // The system error of the first write that failed (a closed pipe, a full disk), or 0.
    DWORD WriteError() const { return m_dwWriteError; }

private:
    friend class CFileSinkPin;
    HRESULT Write(const BYTE* p, long cb);

    CCritSec m_Lock;
    CFileSinkPin m_pin;
    const HANDLE m_hOutput;
    std::atomic<uint64_t> m_ullBytes{0};
    std::atomic<DWORD> m_dwWriteError{0};
};
