#pragma once
// A source for tests: one output pin on our base classes that offers two stream
// types and delivers what the test asks for, on the test's own thread.

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CBaseOutputPin.h"

class CTestSource;

class CTestSourcePin : public CBaseOutputPin {
public:
    static constexpr long kBufferCount = 4;
    static constexpr long kBufferSize = 4096;

    CTestSourcePin(CTestSource* pSource, CCritSec* pLock, HRESULT* phr);

    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT InitAllocator(IMemAllocator** ppAlloc) override;

    bool UsedOwnAllocator() const { return m_bOwnAllocator; }

private:
    bool m_bOwnAllocator = false;
};

class CTestSource : public CBaseFilter {
public:
    CTestSource();

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    CTestSourcePin* OutputPin() { return &m_pin; }

    // Fills a delivery buffer with cb bytes stamped with tStart and delivers it.
    HRESULT DeliverSample(long cb, REFERENCE_TIME tStart);

private:
    CCritSec m_filterLock;
    CTestSourcePin m_pin;
};
