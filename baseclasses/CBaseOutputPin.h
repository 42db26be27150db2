#pragma once
// An output pin that delivers through the peer's IMemInputPin, with the
// allocator agreed on at connection time.

#include "baseclasses/CBasePin.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const WCHAR* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   const WCHAR* pName);
    ~CBaseOutputPin() override;

    // Connection: the peer must take samples, and an allocator must be agreed.
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;

    // The peer's allocator first, then ours (InitAllocator), each sized by DecideBufferSize.
    virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc);
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) = 0;
    virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);

    HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                              REFERENCE_TIME* pEndTime, DWORD dwFlags);
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    HRESULT Active() override;
    HRESULT Inactive() override;

    // An output pin is never sent a stream.
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    IMemAllocator* Allocator() const { return m_pAllocator; }

protected:
    IMemAllocator* m_pAllocator = nullptr;
    IMemInputPin* m_pInputPin = nullptr;

private:
    HRESULT TryAllocator(IMemInputPin* pPin, IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES props);
};
